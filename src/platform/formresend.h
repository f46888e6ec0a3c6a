#pragma once
// TFormResendTracker: knows which entries of a page's history are the answer to a form
// sent with POST, so that refreshing one asks before the form is sent again (the engine
// itself would send it silently).
//
// The engine tells a form submission apart from other navigations but not its method.
// When the main frame submits a form, the tracker watches that page's requests until the
// load ends and records the method of the main-frame request the load ends with (a form
// answered with a redirect to a GET page is a GET result). The watch is on only while a
// submission loads: a request filter costs every request a trip through the GUI thread.
// The flags are kept per history index and follow new entries, back/forward and reloads.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QUrl>

class QWebEngineLoadingInfo;
class QWebEnginePage;
class QWidget;
class TFormRequestWatch;

class TFormResendTracker : public QObject {
    Q_OBJECT
public:
    explicit TFormResendTracker(QWebEnginePage *page, QObject *parent = nullptr);
    ~TFormResendTracker() override;

    // The page accepted a main-frame navigation to url of this type
    // (QWebEnginePage::NavigationType).
    void MainFrameNavigation(int navigationType, const QUrl &url);
    // The page's current history entry is the answer to a POST.
    bool CurrentEntryWasPosted() const;

private:
    friend class TFormRequestWatch;
    void onMainFrameRequest(const QByteArray &method);
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void setWatching(bool on);

    enum class Pending { None, NewEntry, SameEntry };
    QPointer<QWebEnginePage> m_page;
    TFormRequestWatch *m_watch = nullptr;
    bool m_watching = false;
    Pending m_pending = Pending::None;
    QUrl m_pendingUrl;             // where the pending navigation goes (after redirects)
    bool m_pendingPost = false;
    int m_startIndex = -1;
    int m_startCount = 0;
    QUrl m_startUrl;
    QList<bool> m_posted;          // per history index
};

// "This page was sent with a form. Send the form again?" Yes / No (No is the default);
// true for Yes. The message box is named "msgResendForm".
bool AskResendForm(QWidget *parent);
