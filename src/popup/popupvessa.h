#pragma once
// TPopupVessa: the PopupVessa subsystem of a window. It keeps the working copy of the filter
// list, answers the tabs' question whether a page's new window is closed, shows the notice
// that says so (one at a time), and runs Add to PopupVessa. It closes tabs only through the
// tab opener, registers its own row in the command table and shows its notice over the
// window it is given.

#include "app/settingspart.h"
#include "browser/tabhost.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class ITabOpener;
class QWidget;
class TBrowserTab;
class TCommandTable;
class TKWOptions;

class TPopupVessa : public QObject, public IPopupPolicy, public ISettingsPart {
    Q_OBJECT
public:
    // store: the window's settings store, which outlives this object. tabTarget: the tab
    // the tab menu was opened for. The row "pmAddToPopupVessa" is registered here.
    TPopupVessa(TKWOptions &store, ITabOpener *opener, TCommandTable *commands, QWidget *dialogParent,
                std::function<TBrowserTab *()> tabTarget, QObject *parent = nullptr);

    // The working copy (name=data) is read again from the store; a store that cannot be
    // read leaves it as it was.
    void ReloadPopupList();
    QStringList PopupList() const { return m_popupList; }

    // Whether the filter closes a window opening url. A match shows the notice unless it is
    // turned off or already showing.
    bool PopupMatches(const QString &url) override;

    // Stores the tab's popup address (else its address) in the list, closes the tab and
    // reloads the list. A store that cannot be written raises before the tab closes.
    void AddToPopupVessa(TBrowserTab *tab);
    void pmAddToPopupVessaClick();   // the tab menu's tab

    bool NoticeShowing() const { return m_noticeShowing; }

    // UsePopupVessa, read by the window at creation and written back at shutdown.
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool on) { m_enabled = on; }
    void Load(const TWindowSettings &settings) override;   // UsePopupVessa
    void Save(TWindowSettings &settings) const override;

private:
    void registerCommands();

    TKWOptions &m_store;
    ITabOpener *m_opener;
    TCommandTable *m_commands;
    QWidget *m_dialogParent;
    std::function<TBrowserTab *()> m_tabTarget;
    QStringList m_popupList;
    bool m_enabled = true;
    bool m_noticeShowing = false;
};
