#pragma once
// TTabManager: the tab strip (pcPage) and its browser tabs. It creates tabs where they
// belong, switches and closes them, sweeps hidden tabs the popup filter kept back, and
// opens pages by the user's new-tab preference. It is the tab factory every tab is given
// and the ITabOpener the rest of the program opens pages through. ActiveTabChanged tells
// the window's status bar, address box and Back/Forward to follow the new active tab.

#include "app/settingspart.h"
#include "browser/tabhost.h"
#include "browser/tabopener.h"

#include <QObject>
#include <QStringList>

#include <functional>

class QTimer;
class QWidget;
class TKWPageControl;

class TTabManager : public QObject, public ITabOpener, public ITabFactory, public ISettingsPart {
    Q_OBJECT
public:
    // parts: the status, address and policy parts the tabs are given (the factory part is
    // the manager itself). The strip is made as a child of stripParent.
    TTabManager(const TTabParts &parts, QWidget *stripParent, QObject *parent = nullptr);

    TKWPageControl *PageControl() const { return m_pages; }
    QTimer *HiddenTabTimer() const { return m_hiddenTabTimer; }

    // ---- ITabOpener
    TBrowserTab *CreateForegroundTab() override;
    TBrowserTab *CreateBackgroundTab() override;
    TBrowserTab *CreateHiddenTab() override;
    TBrowserTab *CreateHiddenForegroundTab() override;
    TBrowserTab *ActiveTab() const override;
    QList<TBrowserTab *> Tabs() const override;
    void ActivateTab(TBrowserTab *tab) override;   // runs the tab change also when active
    void CloseTab(TBrowserTab *tab) override;
    void CloseAll(bool silent) override;
    void CloseAllKeepCurrent() override;
    void CloseAllShowList() override;
    void CloseHiddenTabs() override;
    TBrowserTab *IdleBlankTab() const override;
    void OpenUrlByPreference(const QString &url, bool newTabPreference) override;
    bool PlacementAtEnd() const override { return m_placementAtEnd; }
    void SetPlacementAtEnd(bool on) override { m_placementAtEnd = on; }
    bool GroupLoading() const override { return m_groupLoading; }
    void SetGroupLoading(bool on) override;
    bool OpenNewInForeground() const override { return m_openNewInForeground; }

    // ---- ITabFactory (what a tab's page asks for)
    void StartHiddenTabTimer() override;

    int TabCount() const;                      // pages, hidden ones included
    TBrowserTab *TabAt(int pageIndex) const;
    void SelectNextTab(bool forward);
    void TabChange();                          // the active tab's page became the shown one

    void SetOpenNewInForeground(bool on) { m_openNewInForeground = on; }
    // Closes every tab as the program exits, rightmost first, and returns the lines of
    // "Last Open Sites" ("url<position>=<address>", tabs without an address left out) in
    // that order, so that reading the list from its end restores the order.
    QStringList CloseForExit();
    // Where new tabs go and the strip's look: lines, colours of the inactive tabs, position.
    void Load(const TWindowSettings &settings) override;
    void Save(TWindowSettings &settings) const override;   // OpenNewInForeground
    // The full-screen part of the tabs made from now on.
    void SetFullScreenPart(ITabFullScreen *part) { m_parts.fullScreen = part; }
    // Asked before a Close All that is not silent; false keeps the tabs. Without one,
    // Close All goes ahead.
    void SetCloseAllQuestion(std::function<bool()> ask) { m_askCloseAll = std::move(ask); }

Q_SIGNALS:
    // The tab change ran for tab: emitted once when another tab becomes active (not for
    // tabs opened behind the active one), and when the active tab is activated again.
    void ActiveTabChanged(TBrowserTab *tab);

private:
    TBrowserTab *createTab(bool hidden, bool background);
    // Blank page, no lock, sticky name or Close All mark; the tab home too when asked.
    void resetTab(TBrowserTab *tab, bool clearTabHome);
    bool isOnlyVisibleTab(const TBrowserTab *tab) const;

    TTabParts m_parts;
    TKWPageControl *m_pages;
    QTimer *m_hiddenTabTimer;
    std::function<bool()> m_askCloseAll;
    bool m_placementAtEnd = false;
    bool m_groupLoading = false;
    bool m_openNewInForeground = false;
};
