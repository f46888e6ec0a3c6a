#pragma once
// What a browser tab needs of the window that holds it, in four small parts: the status bar,
// the address box and history, the tab factory and the popup policy. A tab takes the four
// parts (TTabParts); TTabHost bundles them for hosts that implement everything in one
// object, such as the recording host of the tests.

#include <QString>

class TBrowserTab;

// The status bar side of a tab's events.
class ITabStatus {
public:
    virtual ~ITabStatus() = default;
    virtual void ShowStatusText(const QString &text) = 0;
    virtual void ShowProgress(int progress, int progressMax) = 0;   // ProgressChange rules
    virtual void ShowProgressBar() = 0;                             // DownloadBegin
    virtual void HideProgressBar() = 0;   // hides the bar and empties the percentage panel
    // Secure icon and logo animation from the active tab's Secure and Loading
    virtual void UpdateSecureAndAnimation() = 0;
};

// The address box, Back/Forward and the URL history.
class ITabAddress {
public:
    virtual ~ITabAddress() = default;
    virtual void RecordTypedAddress(const QString &url) = 0;   // top-level BeforeNavigate2
    virtual void ShowAddress(const QString &url) = 0;          // the host shows "" for about:blank
    // Back and Forward commands from the active tab's CanGoBack / CanGoForward
    virtual void UpdateBackForward() = 0;
    // A top-level document finished loading: the window keeps it in the URL history.
    virtual void RecordHistory(const QString &url, const QString &title)
    {
        Q_UNUSED(url) Q_UNUSED(title)
    }
};

// Making and closing the tabs a page asks for (new windows, locked tabs, window.close()).
class ITabFactory {
public:
    virtual ~ITabFactory() = default;
    virtual TBrowserTab *CreateBackgroundTab() = 0;
    virtual TBrowserTab *CreateHiddenTab() = 0;
    virtual void StartHiddenTabTimer() = 0;     // 2000 ms one-shot sweep of hidden tabs
    virtual void CloseTab(TBrowserTab *tab) = 0;   // the page closed its own window
};

// The popup filter: whether a window a page opens on its own is closed at once.
class IPopupPolicy {
public:
    virtual ~IPopupPolicy() = default;
    virtual bool PopupMatches(const QString &url) = 0;
};

// The popup filter and the settings a tab reads.
class ITabPolicy : public IPopupPolicy {
public:
    virtual bool WindowIsActive() const = 0;
    virtual int TitleLimit() const = 0;          // LimitTitleLength; 0 means none
    virtual bool FlyswatEnabled() const { return false; }
    virtual bool FlyswatShowLinks() const { return false; }
};

// Full screen for a tab's page.
class ITabFullScreen {
public:
    virtual ~ITabFullScreen() = default;
    // Whether the page of tab may fill the screen (on), or it leaves full screen.
    virtual bool PageFullScreen(TBrowserTab *tab, bool on) = 0;
};

// The parts one tab is given; each must outlive the tab. Without a full-screen part a page
// may not go full screen.
struct TTabParts {
    ITabStatus *status = nullptr;
    ITabAddress *address = nullptr;
    ITabFactory *factory = nullptr;
    ITabPolicy *policy = nullptr;
    ITabFullScreen *fullScreen = nullptr;
};

class TTabHost : public ITabStatus, public ITabAddress, public ITabFactory, public ITabPolicy {
public:
    TTabParts Parts() { return {this, this, this, this}; }
};
