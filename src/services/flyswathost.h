#pragma once
// TFlyswatHost: the window's side of the add-on. It keeps whether new views get the
// add-on (FlyswatEnabled) and whether they start with the links shown (FlyswatShowLinks),
// and owns the address bar's drop-down button tbFlyswat with its menu pmFlyswat: Show Links
// (Ctrl+F1) for the active tab, Show Links by Default, the add-on maker's pages, and
// Disable. Its rows are registered in the command table.

#include "app/settingspart.h"
#include <QObject>
#include <QString>

#include <functional>

class ITabOpener;
class QAction;
class QMenu;
class QWidget;
class TCommandTable;
class TWindowSettings;

class TFlyswatHost : public QObject, public ISettingsPart {
    Q_OBJECT
public:
    using TReporter = std::function<void(const QString &message)>;

    TFlyswatHost(ITabOpener *opener, TCommandTable *commands, QWidget *dialogParent, QObject *parent = nullptr);
    ~TFlyswatHost() override;

    void Load(const TWindowSettings &settings) override;
    void Save(TWindowSettings &settings) const override;

    bool Enabled() const { return m_enabled; }          // new views get the add-on
    bool ShowLinksByDefault() const { return m_showLinks; }
    // Remembers the flag and shows or hides tbFlyswat; existing views keep what they have.
    void ApplyEnabled(bool on);

    QAction *Button() const { return tbFlyswat; }       // for the address bar's button strip
    QMenu *Menu() const { return pmFlyswat; }

    void pmFlyswatShowLinksClick();
    void pmFlyswatShowLinksNewTabsClick();
    void pmFlyswatDisableClick();
    // The add-on maker's page at path, in a new tab unless the active tab is idle and blank.
    void OpenMakerPage(const QString &pathAndQuery);

    void SetReporter(TReporter reporter) { m_report = std::move(reporter); }

Q_SIGNALS:
    // tbFlyswat was shown or hidden: the address bar lays its buttons out again.
    void ButtonVisibilityChanged();

private:
    void registerCommands();

    ITabOpener *m_opener;
    TCommandTable *m_commands;
    QMenu *pmFlyswat;
    QAction *tbFlyswat;
    TReporter m_report;
    bool m_enabled = true;
    bool m_showLinks = true;
};
