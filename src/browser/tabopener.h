#pragma once
// ITabOpener: the one way the rest of the program opens, finds and closes pages. The tab
// manager implements it; groups, popups, the record of the open tabs and the hand-over
// (and later favorites, links, history and search) are given this interface only.

#include <QList>
#include <QString>

class TBrowserTab;

class ITabOpener {
public:
    virtual ~ITabOpener() = default;

    // New tabs go after the active tab, or at the end while PlacementAtEnd is on. A
    // background or hidden tab leaves the active tab active unless OpenNewInForeground.
    virtual TBrowserTab *CreateForegroundTab() = 0;
    virtual TBrowserTab *CreateBackgroundTab() = 0;
    virtual TBrowserTab *CreateHiddenTab() = 0;   // waits for the popup filter's answer
    // A hidden tab that comes to the front once the filter lets it show, whatever
    // OpenNewInForeground says: the windows that the search panel's pages open.
    virtual TBrowserTab *CreateHiddenForegroundTab() { return CreateHiddenTab(); }
    virtual TBrowserTab *ActiveTab() const = 0;
    virtual QList<TBrowserTab *> Tabs() const = 0;   // strip order, hidden ones included
    virtual void ActivateTab(TBrowserTab *tab) = 0;

    virtual void CloseTab(TBrowserTab *tab) = 0;   // the only visible tab is reset instead
    virtual void CloseAll(bool silent) = 0;        // silent: without the confirmation
    virtual void CloseAllKeepCurrent() = 0;
    virtual void CloseAllShowList() = 0;
    virtual void CloseHiddenTabs() = 0;            // the sweep of tabs the filter kept back

    // The active tab while it is an idle blank page, else nullptr: a page to open goes
    // there instead of into a new tab.
    virtual TBrowserTab *IdleBlankTab() const = 0;
    // Opens url in a tab of its own (reusing an idle blank tab) when newTabPreference
    // differs from the Shift key, else in the active tab. "" opens nothing.
    virtual void OpenUrlByPreference(const QString &url, bool newTabPreference) = 0;

    // Group loading places tabs at the end, holds off closing by the user, and lays the
    // strip out once for all the group's tabs.
    virtual bool PlacementAtEnd() const = 0;
    virtual void SetPlacementAtEnd(bool on) = 0;
    virtual bool GroupLoading() const = 0;
    virtual void SetGroupLoading(bool on) = 0;
    virtual bool OpenNewInForeground() const = 0;
};
