#pragma once
// The web browser control: the operations, properties and events the program uses of a
// hosted browser, independent of the engine behind it. TWebEngineControl binds it to Qt
// WebEngine; TScriptedControl lets tests fire events in the order they choose.
//
// Frames are opaque handles. The top-level frame's handle equals Application() exactly;
// every other frame has a handle of its own for as long as its load lasts.
// All events arrive on the GUI thread.

#include <QObject>
#include <QPoint>
#include <QString>
#include <QList>
#include <functional>

class QWidget;
class QKeyEvent;

using TWebFrame = const void *;

// Document commands (OLECMDID_*) and the browser's own command group.
enum class TDocCommand {
    SaveAs, Print, PageSetup, Properties, Cut, Copy, Paste, SelectAll,
    Find, ViewSource, InternetOptions
};

// CommandStateChange command ids.
enum { CSC_UPDATECOMMANDS = -1, CSC_NAVIGATEFORWARD = 1, CSC_NAVIGATEBACK = 2 };

// How a navigation came about, as the engine tells it.
enum class TNavigationType {
    LinkClicked,     // a link, or a script setting an address (also inside a frame)
    Typed,           // the program asked for the address (Navigate)
    FormSubmitted,
    BackForward,
    Reload,
    Redirect,        // a server or a client redirect
    Other            // a frame's first load, a blank page the engine opened, ...
};

struct TNavigation {
    TNavigationType type = TNavigationType::Other;
    bool mainFrame = true;   // false for a frame inside the page
};

// A link the user clicked (or a form sent), as the page reported it at the click: the
// resolved address, the element's own target, the document's <base> target, and whether
// Shift was held. It arrives before the navigation or new-window request it starts.
struct TLinkClick {
    QString href;
    QString target;       // the link's (or form's) target attribute; "" when none
    QString baseTarget;   // the target of the document's first <base>; "" when none
    bool form = false;    // a form was sent: its address carries the fields as a query
    bool shift = false;
};

struct TWebLink {
    QString text;   // innerText
    QString href;   // resolved address; empty for an element without an anchor
};

class TWebControl : public QObject {
    Q_OBJECT
public:
    explicit TWebControl(QObject *parent = nullptr) : QObject(parent) {}
    ~TWebControl() override = default;

    // The widget that shows the page; owned by the control.
    virtual QWidget *widget() = 0;
    // The control's own automation object. Equal to an event's frame exactly for the
    // top-level frame; handed to NewWindow2 to adopt a new window.
    TWebFrame Application() const { return this; }
    // The object an add-on attaches to: the engine's page (QWebEnginePage), or the control.
    virtual QObject *AutomationObject() { return this; }

    // Navigation
    virtual void Navigate(const QString &url) = 0;
    virtual void GoBack() = 0;
    virtual void GoForward() = 0;
    virtual void GoHome() = 0;
    virtual void GoSearch() = 0;
    virtual void Refresh() = 0;
    virtual void RefreshCompletely() = 0;   // Refresh2(REFRESH_COMPLETELY)
    virtual void Stop() = 0;

    // Properties
    virtual bool Busy() const = 0;
    virtual QString LocationURL() const = 0;
    virtual QString LocationName() const = 0;
    virtual bool HasDocument() const = 0;

    // Document
    virtual void Exec(TDocCommand command, bool promptUser = true) = 0;
    virtual int Zoom() const = 0;                 // text size 0..4, 2 when unknown
    virtual void SetZoom(int size) = 0;
    virtual bool SaveDocument(const QString &path) = 0;   // the page's HTML; blocks until written
    virtual void WriteDocument(const QString &html) = 0;  // clear, write, close
    virtual QList<TWebLink> Links() = 0;                  // document order; blocks briefly
    virtual bool TranslateAccelerator(QKeyEvent *event) = 0;  // true when the page took it
    virtual void UIActivate() = 0;                        // give the page the keyboard focus

    // Host settings the view answers for the page (GetHostInfo flags; the ambient download
    // control when the view uses it). The engine follows what it can: scroll bars, images,
    // scripts, media. The default ignores them.
    virtual void ApplyHostInfo(quint32 hostFlags, bool useDownloadControl, quint32 downloadControl)
    {
        Q_UNUSED(hostFlags) Q_UNUSED(useDownloadControl) Q_UNUSED(downloadControl)
    }

    // The page's site showed a bad certificate (the tab shows the certificate page, or the
    // user chose to accept it): the page is not secure although its address is "https".
    virtual bool CertificateOverridden() const { return false; }
    // The current page is the answer to a form sent with POST (reloading sends it again).
    virtual bool ShowsPostResult() const { return false; }
    // Ends the page's full screen (the page is told, and asks to leave it).
    virtual void ExitFullScreen() {}
    // Reports the user's link clicks through LinkClicked from now on (documents made
    // later). Off by default: only views that route links by their target need it.
    virtual void SetReportLinkClicks(bool on) { Q_UNUSED(on) }

Q_SIGNALS:
    void StatusTextChange(const QString &text);
    void ProgressChange(int progress, int progressMax);
    void CommandStateChange(int command, bool enable);
    void DownloadBegin();
    void DownloadComplete();
    void TitleChange(const QString &text);
    // navigation says how it came about and whether it is the top-level frame's.
    void BeforeNavigate2(TWebFrame frame, const QString &url, bool *cancel,
                         const TNavigation &navigation);
    // The handler sets *newWindow to another control's Application() to adopt the window,
    // or *cancel to true to refuse it. url is the address the window is to open first, as
    // the page asked for it ("" or an about: address when the page builds the window's
    // document itself); nothing has been made for the window yet, so refusing it costs
    // nothing.
    void NewWindow2(TWebFrame *newWindow, bool *cancel, const QString &url);
    void NavigateComplete2(TWebFrame frame, const QString &url);
    void DocumentComplete(TWebFrame frame, const QString &url);
    // The page asked to close its own window.
    void WindowCloseRequested();
    // The user asked for the page's context menu. menuId is the host's menu kind (4: a text
    // selection, 2: an edit control, 5: a link, 1: an image, 0: the page). A handler that
    // shows something of its own sets *handled; otherwise the engine's menu is shown.
    void ContextMenuRequested(quint32 menuId, const QPoint &globalPos, bool *handled);
    // The page asks to fill the screen (on) or to leave full screen. A handler that lets it
    // sets *accept; a page is always let leave.
    void FullScreenRequested(bool on, bool *accept);
    // A click on a link (or a form sent) in the page or one of its frames; only while
    // SetReportLinkClicks is on.
    void LinkClicked(const TLinkClick &click);
};

// Creates the control used by browser views. Tests install the scripted control here.
using TWebControlFactory = std::function<TWebControl *(QObject *parent)>;
void SetWebControlFactory(TWebControlFactory factory);
// The factory installed by SetWebControlFactory (empty when none was).
const TWebControlFactory &WebControlFactory();
// The installed factory's control, else the web engine's (defined with TWebEngineControl,
// so only programs that link the web engine call it).
TWebControl *CreateWebControl(QObject *parent);
