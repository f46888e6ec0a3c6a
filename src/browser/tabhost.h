#pragma once
// What a browser tab needs of the window that holds it. TfrmMain implements it; tests
// implement it with a recording host.

#include <QString>

class TBrowserTab;

class TTabHost {
public:
    virtual ~TTabHost() = default;

    // Status bar
    virtual void ShowStatusText(const QString &text) = 0;
    virtual void ShowProgress(int progress, int progressMax) = 0;   // ProgressChange rules
    virtual void ShowProgressBar() = 0;                             // DownloadBegin
    virtual void HideProgressBar() = 0;   // hides the bar and empties the percentage panel

    // Address box
    virtual void RecordTypedAddress(const QString &url) = 0;   // top-level BeforeNavigate2
    virtual void ShowAddress(const QString &url) = 0;          // the host shows "" for about:blank

    // Secure icon and logo animation from the active tab's Secure and Loading
    virtual void UpdateSecureAndAnimation() = 0;
    // Back and Forward commands from the active tab's CanGoBack / CanGoForward
    virtual void UpdateBackForward() = 0;

    // A top-level document finished loading: the window keeps it in the URL history.
    virtual void RecordHistory(const QString &url, const QString &title)
    {
        Q_UNUSED(url) Q_UNUSED(title)
    }

    // Tabs
    virtual TBrowserTab *CreateBackgroundTab() = 0;
    virtual TBrowserTab *CreateHiddenTab() = 0;
    virtual void StartHiddenTabTimer() = 0;     // 2000 ms one-shot sweep of hidden tabs
    virtual void CloseTab(TBrowserTab *tab) = 0;   // the page closed its own window

    // Popup filter and settings the tab reads
    virtual bool PopupMatches(const QString &url) = 0;
    virtual bool WindowIsActive() const = 0;
    virtual int TitleLimit() const = 0;          // LimitTitleLength; 0 means none
    virtual bool FlyswatEnabled() const { return false; }
    virtual bool FlyswatShowLinks() const { return false; }
};
