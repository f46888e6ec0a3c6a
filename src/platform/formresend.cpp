#include "platform/formresend.h"

#include <QMessageBox>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>

// Called on the GUI thread for every request of the page while it is installed.
class TFormRequestWatch : public QWebEngineUrlRequestInterceptor {
public:
    explicit TFormRequestWatch(TFormResendTracker *tracker)
        : QWebEngineUrlRequestInterceptor(tracker), m_tracker(tracker)
    {
    }
    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame)
            m_tracker->onMainFrameRequest(info.requestMethod());
    }

private:
    TFormResendTracker *m_tracker;
};

TFormResendTracker::TFormResendTracker(QWebEnginePage *page, QObject *parent)
    : QObject(parent), m_page(page), m_watch(new TFormRequestWatch(this))
{
    connect(page, &QWebEnginePage::loadingChanged, this, &TFormResendTracker::onLoadingChanged);
}

TFormResendTracker::~TFormResendTracker()
{
    setWatching(false);
}

void TFormResendTracker::setWatching(bool on)
{
    if (on == m_watching || !m_page)
        return;
    m_watching = on;
    m_page->setUrlRequestInterceptor(on ? m_watch : nullptr);
}

void TFormResendTracker::MainFrameNavigation(int navigationType, const QUrl &url)
{
    if (!m_page)
        return;
    if (navigationType == QWebEnginePage::NavigationTypeRedirect) {
        // The same load goes on; a watched one reports the redirected request's method.
        if (m_pending != Pending::None)
            m_pendingUrl = url;
        return;
    }
    QWebEngineHistory *history = m_page->history();
    m_startIndex = history->currentItemIndex();
    m_startCount = history->count();
    m_startUrl = history->currentItem().url();
    m_pendingUrl = url;
    m_pendingPost = false;
    switch (navigationType) {
    case QWebEnginePage::NavigationTypeReload:
    case QWebEnginePage::NavigationTypeBackForward:
        m_pending = Pending::SameEntry;
        setWatching(false);
        break;
    case QWebEnginePage::NavigationTypeFormSubmitted:
        m_pending = Pending::NewEntry;
        setWatching(true);
        break;
    default:
        m_pending = Pending::NewEntry;
        setWatching(false);
        break;
    }
}

void TFormResendTracker::onMainFrameRequest(const QByteArray &method)
{
    if (m_pending == Pending::NewEntry)
        m_pendingPost = method.compare("POST", Qt::CaseInsensitive) == 0;
}

void TFormResendTracker::onLoadingChanged(const QWebEngineLoadingInfo &info)
{
    // A navigation started while another one loads may get no start of its own, and the
    // end of the earlier one may come after the later one was accepted: the address tells
    // them apart.
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus || m_pending == Pending::None
        || !m_page
        || info.url().adjusted(QUrl::RemoveFragment) != m_pendingUrl.adjusted(QUrl::RemoveFragment))
        return;
    const Pending pending = m_pending;
    m_pending = Pending::None;
    setWatching(false);
    if (pending != Pending::NewEntry)
        return;
    // A load that ends without a document of its own (stopped, refused, a download)
    // leaves the history as it was.
    QWebEngineHistory *history = m_page->history();
    const int index = history->currentItemIndex();
    const int count = history->count();
    const bool committed = info.status() == QWebEngineLoadingInfo::LoadSucceededStatus
            || info.isErrorPage() || index != m_startIndex || count != m_startCount
            || history->currentItem().url() != m_startUrl;
    if (!committed || index < 0)
        return;
    while (m_posted.size() < count)
        m_posted.append(false);
    while (m_posted.size() > count)
        m_posted.removeLast();
    m_posted[index] = m_pendingPost;
}

bool TFormResendTracker::CurrentEntryWasPosted() const
{
    if (!m_page)
        return false;
    return m_posted.value(m_page->history()->currentItemIndex(), false);
}

bool AskResendForm(QWidget *parent)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Tabvane"),
                    QStringLiteral("This page was sent with a form. Send the form again?"),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setObjectName(QStringLiteral("msgResendForm"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
