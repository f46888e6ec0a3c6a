#pragma once
// TBrowserTab: one page of the browser tab strip. It owns one browser view, turns the
// view's events into its own state (title, status lamp, lock, secure flag, history flags,
// loading) and into calls on the parts of the window it is given (TTabParts).

#include "browser/kwpagecontrol.h"
#include "browser/tabhost.h"
#include "platform/webcontrol.h"

class QFrame;
class TUpdateThrottle;
class TVessaBrowser;

enum class TLampKind { Loading, Arrived, Finished };
enum { LampNone = -1, LampRed = 0, LampGreen = 1, LampYellow = 2, LampLocked = 3 };

// Doubles every "&" so a caption shows literally in tabs and menus.
QString EscapeAmpersands(const QString &text);

class TBrowserTab : public TKWTabSheet {
    Q_OBJECT
public:
    // The parts must outlive the tab. The tab is added at the end of pageControl and, unless
    // activate is false, made its active page; whoever made it moves it where it belongs. A
    // tab opened behind the active one is made with activate false: it is never shown, so
    // its page is neither shown nor hidden again on the way.
    TBrowserTab(const TTabParts &parts, bool hidden, TKWPageControl *pageControl, bool activate = true);
    TBrowserTab(TTabHost *host, bool hidden, TKWPageControl *pageControl)
        : TBrowserTab(host->Parts(), hidden, pageControl) {}
    ~TBrowserTab() override;

    // The status lamp images (ilTabs, 8 x 8): red, green, yellow, padlock.
    static QList<QPixmap> LampImages();
    // The caption rule of SetTitle, as a pure function (before "&" is doubled).
    static QString ShownTitle(const QString &text, int limit);
    // A page's new-window request: the factory makes a hidden tab whose view adopts the new
    // window. Also used by views that are not tabs (the search panel).
    static void HandleNewWindow(ITabFactory *factory, TWebFrame *newWindow, bool *cancel);
    // Whether a new window's requested address is the first address its tab would be sent
    // to, so that the popup filter can judge the window before a tab is made for it: not
    // for script addresses nor for the about: pages of windows a script fills itself.
    static bool PopupAddressKnown(const QString &url);
    // Whether a locked tab hands this navigation to a new tab instead of following it.
    // loadingOwnPage: a top-level load the tab accepted is under way.
    static bool LockedTabOpensNewTab(const TNavigation &navigation, bool loadingOwnPage);

    // Fields
    bool FocusOnLoad = false;
    bool LockAfterLoad = false;
    bool Locked = false;
    bool CanGoBack = false;
    bool CanGoForward = false;
    QString PopupURL;
    QString HomeURL;
    bool PendingPopupCheck = false;
    bool ClosedByFilter = false;
    bool Secure = false;
    bool InsecureSeen = false;
    QString StickyName;
    bool Viewed = false;
    bool HideFromCloseAll = false;
    bool Loading = false;
    TWebFrame LoadFrame = nullptr;
    bool FirstLoad = false;

    TVessaBrowser *View() const { return m_view; }
    // The lock and the status lamp in words, for assistive technology.
    QString TabStateText() const override;

    // Operations
    bool IsActive() const;
    void SetTitle(const QString &text);
    // Captions the tab again from its last title under the window's title limit now (the
    // limit was changed); a sticky name stays as it is.
    void ApplyTitleLimit();
    void SetStickyName(const QString &name);
    void SetLocked(bool on);
    void SetHideFromCloseAll(bool on);
    void SetViewed(bool on);
    void SetLamp(TLampKind kind);
    void NavigateTo(const QString &url);
    void OpenAsHome(const QString &url);
    void GoTabHome();
    void NavigateBlank();
    void GoBack();
    void GoForward();
    void GoHome();
    void GoSearch();
    void StopLoading();
    void RefreshTab();            // Ctrl held at that moment: a complete refresh
    void FocusPage();
    QWidget *ViewWindow() const;
    QString Location() const;
    QString Title() const;
    void FollowNextLink();
    // Stops and destroys the view and removes the tab; the tab deletes itself later.
    // Safe to call again, and from inside any of the view's events.
    void CloseTab();
    bool IsClosing() const { return m_closing; }

    // Page commands, passed to the view
    void SelectAll();
    void Copy();
    void Cut();
    void Paste();
    void PageSetup();
    void SaveAs();
    void Print(bool prompt);
    void FindInPage();
    void ViewSource();
    void InternetOptions();
    void Properties();
    int GetTextSize() const;
    void SetTextSize(int value);
    bool TranslateKey(QKeyEvent *event);
    void ShowLinks(bool on);
    bool LinksShown() const;
    QString SaveToTempFile();

Q_SIGNALS:
    // What the window keeps of the tab changed: the committed address, the sticky name, the
    // lock or the Close All mark.
    void StateChanged();

private:
    void onStatusTextChange(const QString &text);
    void onProgressChange(int progress, int progressMax);
    void onDownloadBegin();
    void onDownloadComplete();
    void onCommandStateChange(int command, bool enable);
    void onTitleChange(const QString &text);
    void onBeforeNavigate2(TWebFrame frame, const QString &url, bool *cancel,
                           const TNavigation &navigation);
    void onNewWindow2(TWebFrame *newWindow, bool *cancel, const QString &url);
    void onNavigateComplete2(TWebFrame frame, const QString &url);
    void onDocumentComplete(TWebFrame frame, const QString &url);
    void onWindowCloseRequested();
    bool isTopLevel(TWebFrame frame) const;
    TWebControl *control() const;
    void startLoadCycle(TWebFrame frame);
    void showHeldEvents();
    void retakePageTitle();

    TTabParts m_parts;
    QFrame *m_framePanel = nullptr;
    TVessaBrowser *m_view = nullptr;
    bool m_closing = false;
    // A page may change its title, status text or progress thousands of times a second;
    // the latest of each is held and shown at most once per throttle interval.
    TUpdateThrottle *m_eventThrottle = nullptr;
    QString m_heldTitle;
    QString m_heldStatus;
    int m_heldProgress = 0;
    int m_heldProgressMax = 0;
    bool m_titleHeld = false;
    bool m_statusHeld = false;
    bool m_progressHeld = false;
};
