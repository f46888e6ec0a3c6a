#pragma once
// TStatusArea: the window's status bar (sbStatus) with its progress bar, padlock and
// "Working Offline" label, and the logo that turns while the active tab loads. Tabs report
// their status to it directly (it is their ITabStatus part); it follows the tab manager's
// active tab, clearing the bar and showing the new tab's padlock and loading state.

#include "browser/tabhost.h"

#include <QObject>

class QLabel;
class QProgressBar;
class QWidget;
class ITabOpener;
class TLogoAnimation;
class TStatusPanels;
class TTabManager;

class TStatusArea : public QObject, public ITabStatus {
    Q_OBJECT
public:
    // The status bar is made as a child of barParent (the window places it); logo is the
    // animation that runs while the active tab loads.
    TStatusArea(QWidget *barParent, TLogoAnimation *logo, QObject *parent = nullptr);

    // The tabs whose active tab the area shows. The manager is made with this area as its
    // tabs' status part, so it is given here, after both exist.
    void Follow(TTabManager *tabs);

    TStatusPanels *Bar() const { return m_bar; }
    QProgressBar *ProgressBar() const { return m_progress; }
    QLabel *SecureIcon() const { return m_secure; }
    TLogoAnimation *Logo() const { return m_logo; }

    void ShowOffline(bool offline);   // the "Working Offline" label
    // The downloads' progress in the last panel; an empty text hides it.
    void ShowDownloads(const QString &text, const QString &toolTip);
    QLabel *DownloadsLabel() const { return m_downloads; }

    // ---- ITabStatus
    void ShowStatusText(const QString &text) override;
    // A hint "short|long": its long part (the whole hint without a bar) as status text.
    void ShowHint(const QString &tip);
    void ShowProgress(int progress, int progressMax) override;
    void ShowProgressBar() override;
    void HideProgressBar() override;
    void UpdateSecureAndAnimation() override;

Q_SIGNALS:
    // After each refresh from the active tab: whether it is loading (Stop follows it).
    void ActiveTabLoading(bool loading);

private:
    void followActiveTab();
    void layoutOverPanels();

    ITabOpener *m_tabs = nullptr;
    TStatusPanels *m_bar;
    QProgressBar *m_progress;
    QLabel *m_secure;
    QLabel *m_offline;
    QLabel *m_downloads;
    TLogoAnimation *m_logo;
};
