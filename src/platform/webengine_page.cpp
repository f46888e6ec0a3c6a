// TWebEngineControl: the top-level load cycle as the engine's page reports it (navigation
// requests, load start, progress and end, address changes, new windows, a renderer that
// died), sign-in prompts, history and context-menu state, and the offline page.

#include "platform/webengine_control.h"
#include "platform/webengine_internal.h"

#include "platform/formresend.h"
#include "platform/offline.h"
#include "platform/offlinepage.h"
#include "platform/pagedialogs.h"
#include "platform/startuptrace.h"

#include <QAuthenticator>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineHistory>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineScript>

using namespace WebEngineDetail;

void TWebEngineControl::closeTopCycle(const QString &url)
{
    if (m_loading) {
        m_loading = false;
        Q_EMIT DownloadComplete();
    }
    if (m_topAnnounced || m_blankAnnounced) {
        m_topAnnounced = false;
        m_blankAnnounced = false;
        Q_EMIT DocumentComplete(Application(), url);
    }
}

bool TWebEngineControl::announceTop(const QString &url, TNavigationType type)
{
    QPointer<TWebEngineControl> self(this);
    bool cancel = false;
    Q_EMIT BeforeNavigate2(Application(), url, &cancel, TNavigation{type, true});
    return self && !cancel;
}

bool TWebEngineControl::onNavigationRequest(const QUrl &url, int type, bool isMainFrame)
{
    QPointer<TWebEngineControl> self(this);
    const QString text = urlText(url);
    const TNavigation navigation{navigationType(type), isMainFrame};
    if (isMainFrame) {
        bool cancel = false;
        Q_EMIT BeforeNavigate2(Application(), text, &cancel, navigation);
        if (!self)
            return false;
        if (cancel) {
            m_rejectedTopUrl = text;
            m_acceptedSinceReject = false;
            return false;
        }
        m_topAnnounced = true;
        m_acceptedSinceReject = true;
        m_lastTopRequest = url;
        m_formTracker->MainFrameNavigation(type, url);
        return true;
    }

    return onSubFrameNavigation(url, type, navigation);
}

void TWebEngineControl::onNewWindowRequested(QWebEngineNewWindowRequest &request)
{
    QPointer<TWebEngineControl> self(this);
    TWebFrame newWindow = nullptr;
    bool cancel = false;
    Q_EMIT NewWindow2(&newWindow, &cancel, urlText(request.requestedUrl()));
    if (!self || cancel || !newWindow)
        return;   // a request nobody opens is the engine's refusal: the script's window is closed
    TWebEngineControl *target = FromFrame(newWindow);
    if (!target || target == this)
        return;
    request.openIn(target->takeNewWindowPage());
}

void TWebEngineControl::showOfflinePage(const QUrl &url)
{
    m_offlineUrl = url;
    m_page->runJavaScript(TOfflinePage::Script(urlText(url), m_nonce), QWebEngineScript::ApplicationWorld);
}

void TWebEngineControl::goOnline()
{
    if (m_offlineUrl.isEmpty() || m_page->url() != m_offlineUrl)
        return;
    m_offlineUrl.clear();
    TOffline::SetOffline(false);
    // A reload of the entry, not a new navigation: the tab's rules for leaving a page
    // (a locked tab) do not apply, and a form sent while offline asks before it is sent.
    Refresh();
}

void TWebEngineControl::onLoadStarted()
{
    m_pendingActive = false;
    m_loading = true;
    m_lastProgress = -1;
    QPointer<TWebEngineControl> self(this);
    Q_EMIT DownloadBegin();
    if (!self)
        return;
    const QUrl requested = m_page->requestedUrl();
    if (!isBlank(requested))
        TStartupTrace::MarkOnce("first page: load started");
    if (!isBlank(requested))
        Q_EMIT StatusTextChange(tr("Opening page %1...").arg(urlText(requested)));
}

void TWebEngineControl::onLoadProgress(int progress)
{
    if (!m_loading)
        return;
    m_lastProgress = progress;
    Q_EMIT ProgressChange(progress, 100);
}

void TWebEngineControl::onUrlChanged(const QUrl &url)
{
    if (url.isEmpty())
        return;
    const QString text = urlText(url);
    if (!isBlank(url))
        TStartupTrace::MarkOnce("first page: address committed");
    // The engine shows the address of a window.open() it was told not to load.
    if (!m_acceptedSinceReject && text == m_rejectedTopUrl)
        return;
    QPointer<TWebEngineControl> self(this);
    if (isBlank(url) && !m_topAnnounced && !m_blankAnnounced && m_loading) {
        m_topAnnounced = true;
        announceTop(QStringLiteral("about:blank"), TNavigationType::Other);
        if (!self)
            return;
    }
    Q_EMIT NavigateComplete2(Application(), text);
}

void TWebEngineControl::onLoadFinished(bool ok)
{
    Q_UNUSED(ok)
    m_pendingActive = false;
    QPointer<TWebEngineControl> self(this);
    completeSubFrames();
    if (!self)
        return;
    const QUrl url = m_page->url();
    if (!isBlank(url))
        TStartupTrace::MarkOnce("first page: load finished");
    if (isBlank(url)) {
        if (!m_topAnnounced && !m_blankAnnounced) {
            announceTop(QStringLiteral("about:blank"), TNavigationType::Other);
            if (!self)
                return;
        }
        m_blankAnnounced = false;
    }
    m_topAnnounced = false;
    const bool wasLoading = m_loading;
    m_loading = false;
    if (wasLoading && m_lastProgress != 100) {
        Q_EMIT ProgressChange(100, 100);
        if (!self)
            return;
    }
    Q_EMIT DownloadComplete();
    if (!self)
        return;
    Q_EMIT DocumentComplete(Application(), url.isEmpty() ? QStringLiteral("about:blank") : urlText(url));
    if (!self)
        return;
    Q_EMIT StatusTextChange(tr("Done"));
    if (!self)
        return;
    runQueuedWrites();
}

void TWebEngineControl::onRendererGone()
{
    // A page whose renderer died reports no end of its load: end the cycles here.
    QPointer<TWebEngineControl> self(this);
    m_pendingActive = false;
    completeSubFrames();
    if (!self)
        return;
    if (m_loading)
        m_topAnnounced = true;
    closeTopCycle(LocationURL());
}

void TWebEngineControl::onAuthentication(const QString &site, QAuthenticator *authenticator)
{
    QString user;
    QString password;
    if (AskCredentials(m_view ? m_view->window() : nullptr, site, authenticator->realm(), &user, &password)) {
        authenticator->setUser(user);
        authenticator->setPassword(password);
    } else {
        // A null authenticator tells the engine the user gave up.
        *authenticator = QAuthenticator();
    }
}

void TWebEngineControl::onHistoryActionChanged()
{
    if (!m_page)
        return;
    const int back = m_page->history()->canGoBack() ? 1 : 0;
    const int forward = m_page->history()->canGoForward() ? 1 : 0;
    QPointer<TWebEngineControl> self(this);
    if (back != m_canGoBack) {
        m_canGoBack = back;
        Q_EMIT CommandStateChange(CSC_NAVIGATEBACK, back == 1);
        if (!self)
            return;
    }
    if (forward != m_canGoForward) {
        m_canGoForward = forward;
        Q_EMIT CommandStateChange(CSC_NAVIGATEFORWARD, forward == 1);
    }
}

void TWebEngineControl::onContextMenu(const QPoint &globalPos, bool *handled)
{
    quint32 menuId = 0;   // the page
    if (QWebEngineContextMenuRequest *r = m_view ? m_view->lastContextMenuRequest() : nullptr) {
        if (r->isContentEditable())
            menuId = 2;
        else if (!r->selectedText().isEmpty())
            menuId = 4;
        else if (r->linkUrl().isValid())
            menuId = 5;
        else if (r->mediaType() == QWebEngineContextMenuRequest::MediaTypeImage)
            menuId = 1;
    }
    Q_EMIT ContextMenuRequested(menuId, globalPos, handled);
}
