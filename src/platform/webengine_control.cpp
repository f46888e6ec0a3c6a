#include "platform/webengine_control.h"

#include "platform/formresend.h"
#include "platform/inetoptions.h"
#include "platform/offline.h"
#include "platform/offlinepage.h"
#include "platform/pagedialogs.h"
#include "platform/urlinput.h"
#include "platform/webprofile.h"

#include <QAction>
#include <QAuthenticator>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QSet>
#include <QStringEncoder>
#include <QTimer>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFindTextResult>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <memory>

// The platform's resources live in a static library: they must be registered by hand.
static void initPlatformResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

const qreal ZoomFactors[] = {0.75, 0.9, 1.0, 1.2, 1.5};
const int SubFrameTimeoutMs = 15000;
const int SaveTimeoutMs = 60000;
const int DocumentTimeoutMs = 10000;

QSet<const void *> &liveControls()
{
    static QSet<const void *> controls;
    return controls;
}

bool g_printing = false;

// Event and property addresses: readable, but without spaces.
QString urlText(const QUrl &url)
{
    return url.toString(QUrl::EncodeSpaces);
}

bool isBlank(const QUrl &url)
{
    return url.isEmpty()
            || (url.scheme() == QLatin1String("about") && url.path() == QLatin1String("blank"));
}

TNavigationType navigationType(int engineType)
{
    switch (engineType) {
    case QWebEnginePage::NavigationTypeLinkClicked: return TNavigationType::LinkClicked;
    case QWebEnginePage::NavigationTypeTyped: return TNavigationType::Typed;
    case QWebEnginePage::NavigationTypeFormSubmitted: return TNavigationType::FormSubmitted;
    case QWebEnginePage::NavigationTypeBackForward: return TNavigationType::BackForward;
    case QWebEnginePage::NavigationTypeReload: return TNavigationType::Reload;
    case QWebEnginePage::NavigationTypeRedirect: return TNavigationType::Redirect;
    default: return TNavigationType::Other;
    }
}

TWebFrame newFrameHandle()
{
    // Odd values: never the address of an object, so never any control's Application().
    static quintptr counter = 0;
    counter += 2;
    return reinterpret_cast<TWebFrame>(counter + 1);
}

QString frameReporterSource(const QString &nonce)
{
    initPlatformResources();
    QFile file(QStringLiteral(":/platform/resources/frame_reporter.js"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QString source = QString::fromUtf8(file.readAll());
    source.replace(QLatin1String("%NONCE%"), nonce);
    return source;
}

QString jsString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

}

class TWebEnginePage : public QWebEnginePage {
public:
    TWebEnginePage(QWebEngineProfile *profile, TWebEngineControl *control)
        : QWebEnginePage(profile, control), m_control(control)
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override
    {
        if (!m_control || m_control->m_page != this)
            return false;
        return m_control->onNavigationRequest(url, int(type), isMainFrame);
    }
    QWebEnginePage *createWindow(WebWindowType) override
    {
        if (!m_control || m_control->m_page != this)
            return nullptr;
        return m_control->onCreateWindow();
    }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &message, int,
                                  const QString &) override
    {
        if (m_control && m_control->m_page == this)
            m_control->onConsoleMessage(message);
    }

private:
    QPointer<TWebEngineControl> m_control;
};

class TWebEngineView : public QWebEngineView {
public:
    TWebEngineView(TWebEngineControl *control) : m_control(control) {}

protected:
    void contextMenuEvent(QContextMenuEvent *event) override
    {
        bool handled = false;
        if (m_control)
            m_control->onContextMenu(event->globalPos(), &handled);
        if (handled) {
            event->accept();
            return;
        }
        QWebEngineView::contextMenuEvent(event);
    }

private:
    QPointer<TWebEngineControl> m_control;
};

TWebEngineControl::TWebEngineControl(QObject *parent) : TWebControl(parent)
{
    liveControls().insert(this);
    m_nonce = TWebProfile::instance()->sessionNonce();
    m_view = new TWebEngineView(this);
    m_view->setObjectName(QStringLiteral("WebView"));
    m_subFrameTimer = new QTimer(this);
    m_subFrameTimer->setInterval(1000);
    connect(m_subFrameTimer, &QTimer::timeout, this, &TWebEngineControl::checkSubFrameTimeouts);
    connect(m_view.data(), &QWebEngineView::printFinished, this, &TWebEngineControl::finishPrint);
    attachPage(new TWebEnginePage(TWebProfile::instance()->profile(), this));
}

TWebEngineControl::~TWebEngineControl()
{
    liveControls().remove(this);
    delete m_findDialog.data();
    detachPage();
    if (m_printer) {
        // The engine may still paint on the printer; it is left alive on purpose.
        m_printer = nullptr;
        g_printing = false;
    }
    // The view goes before its page, and pages before the profile.
    delete m_view.data();
    delete m_page;
}

TWebEngineControl *TWebEngineControl::FromFrame(TWebFrame frame)
{
    if (!frame || !liveControls().contains(frame))
        return nullptr;
    return static_cast<TWebEngineControl *>(const_cast<TWebControl *>(
            static_cast<const TWebControl *>(frame)));
}

QWidget *TWebEngineControl::widget() { return m_view; }
QWebEngineView *TWebEngineControl::view() const { return m_view; }
QWebEnginePage *TWebEngineControl::page() const { return m_page; }
TFindDialog *TWebEngineControl::findDialog() const { return m_findDialog; }

void TWebEngineControl::attachPage(TWebEnginePage *page)
{
    m_page = page;
    m_formTracker = new TFormResendTracker(page, this);
    TWebProfile::instance()->attachPage(page);

    QWebEngineScript reporter;
    reporter.setName(QStringLiteral("tabvane-frame-reporter"));
    reporter.setInjectionPoint(QWebEngineScript::DocumentCreation);
    reporter.setWorldId(QWebEngineScript::ApplicationWorld);
    reporter.setRunsOnSubFrames(true);
    reporter.setSourceCode(frameReporterSource(m_nonce));
    page->scripts().insert(reporter);

    connect(page, &QWebEnginePage::loadStarted, this, &TWebEngineControl::onLoadStarted);
    connect(page, &QWebEnginePage::loadProgress, this, &TWebEngineControl::onLoadProgress);
    connect(page, &QWebEnginePage::loadFinished, this, &TWebEngineControl::onLoadFinished);
    connect(page, &QWebEnginePage::urlChanged, this, &TWebEngineControl::onUrlChanged);
    connect(page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
            m_offlineUrl.clear();
        else if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus && info.isErrorPage()
                 && info.errorCode() == TOfflinePage::BlockedErrorCode && TOffline::CachedOffline())
            showOfflinePage(info.url());
    });
    connect(page, &QWebEnginePage::titleChanged, this, &TWebControl::TitleChange);
    connect(page, &QWebEnginePage::linkHovered, this, &TWebControl::StatusTextChange);
    // The handler usually destroys this control: never inside the page's own signal.
    connect(page, &QWebEnginePage::windowCloseRequested, this, &TWebControl::WindowCloseRequested,
            Qt::QueuedConnection);
    connect(page, &QWebEnginePage::printRequested, this, [this] { print(true); }, Qt::QueuedConnection);
    connect(page, &QWebEnginePage::renderProcessTerminated, this, &TWebEngineControl::onRendererGone);
    connect(page, &QWebEnginePage::authenticationRequired, this,
            [this](const QUrl &url, QAuthenticator *auth) { onAuthentication(url.host(), auth); });
    connect(page, &QWebEnginePage::proxyAuthenticationRequired, this,
            [this](const QUrl &, QAuthenticator *auth, const QString &proxy) { onAuthentication(proxy, auth); });
    connect(page->action(QWebEnginePage::Back), &QAction::changed, this,
            &TWebEngineControl::onHistoryActionChanged);
    connect(page->action(QWebEnginePage::Forward), &QAction::changed, this,
            &TWebEngineControl::onHistoryActionChanged);
    if (m_view)
        m_view->setPage(page);
    applyHostInfoToPage();
}

void TWebEngineControl::detachPage()
{
    if (!m_page)
        return;
    delete m_formTracker;
    m_formTracker = nullptr;
    m_page->disconnect(this);
    m_page->action(QWebEnginePage::Back)->disconnect(this);
    m_page->action(QWebEnginePage::Forward)->disconnect(this);
}

QWebEnginePage *TWebEngineControl::takeNewWindowPage()
{
    closeTopCycle(QStringLiteral("about:blank"));
    completeSubFrames();
    detachPage();
    TWebEnginePage *old = m_page;
    m_loading = false;
    m_pendingActive = false;
    m_topAnnounced = false;
    m_blankAnnounced = false;
    m_acceptedSinceReject = true;
    m_rejectedTopUrl.clear();
    m_lastProgress = -1;
    m_canGoBack = -1;
    m_canGoForward = -1;
    m_queuedWrites.clear();
    attachPage(new TWebEnginePage(TWebProfile::instance()->profile(), this));
    if (old)
        old->deleteLater();
    return m_page;
}

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
        m_formTracker->MainFrameNavigation(type, url);
        return true;
    }

    TWebFrame handle = nullptr;
    if (type == QWebEnginePage::NavigationTypeRedirect) {
        for (int i = m_subFrames.size() - 1; i >= 0; --i) {
            if (!m_subFrames[i].committed) {
                m_subFrames[i].url = url;
                handle = m_subFrames[i].handle;
                break;
            }
        }
    }
    if (!handle) {
        SubFrame frame;
        frame.handle = handle = newFrameHandle();
        frame.url = url;
        frame.startedMs = QDateTime::currentMSecsSinceEpoch();
        m_subFrames.append(frame);
    }
    bool cancel = false;
    Q_EMIT BeforeNavigate2(handle, text, &cancel, navigation);
    if (!self)
        return false;
    if (cancel) {
        // A refused frame navigation ends its cycle at once.
        for (int i = 0; i < m_subFrames.size(); ++i) {
            if (m_subFrames[i].handle == handle) {
                completeSubFrame(i);
                break;
            }
        }
        return false;
    }
    if (!m_subFrameTimer->isActive())
        m_subFrameTimer->start();
    return true;
}

QWebEnginePage *TWebEngineControl::onCreateWindow()
{
    QPointer<TWebEngineControl> self(this);
    TWebFrame newWindow = nullptr;
    bool cancel = false;
    Q_EMIT NewWindow2(&newWindow, &cancel);
    if (!self || cancel || !newWindow)
        return nullptr;
    TWebEngineControl *target = FromFrame(newWindow);
    if (!target || target == this)
        return nullptr;
    return target->takeNewWindowPage();
}

void TWebEngineControl::onConsoleMessage(const QString &message)
{
    if (m_nonce.isEmpty() || !message.startsWith(m_nonce))
        return;
    const QJsonObject report = QJsonDocument::fromJson(message.mid(m_nonce.size()).toUtf8()).object();
    const QString kind = report.value(QLatin1String("kind")).toString();
    const QString href = report.value(QLatin1String("href")).toString();
    const QUrl url = QUrl(href).adjusted(QUrl::RemoveFragment);
    auto sameDocument = [&url](const SubFrame &f) { return f.url.adjusted(QUrl::RemoveFragment) == url; };

    if (kind == TOfflinePage::GoOnlineKind()) {
        goOnline();
        return;
    }
    if (kind == QLatin1String("commit")) {
        for (SubFrame &f : m_subFrames) {
            if (!f.committed && sameDocument(f)) {
                f.committed = true;
                Q_EMIT NavigateComplete2(f.handle, href);
                return;
            }
        }
    } else if (kind == QLatin1String("load")) {
        int found = -1;
        for (int i = 0; i < m_subFrames.size() && found < 0; ++i)
            if (m_subFrames[i].committed && sameDocument(m_subFrames[i]))
                found = i;
        for (int i = 0; i < m_subFrames.size() && found < 0; ++i)
            if (sameDocument(m_subFrames[i]))
                found = i;
        if (found >= 0)
            completeSubFrame(found);
    }
}

void TWebEngineControl::completeSubFrame(int index)
{
    const SubFrame frame = m_subFrames.takeAt(index);
    if (m_subFrames.isEmpty())
        m_subFrameTimer->stop();
    Q_EMIT DocumentComplete(frame.handle, urlText(frame.url));
}

void TWebEngineControl::completeSubFrames()
{
    const QList<SubFrame> open = m_subFrames;
    m_subFrames.clear();
    m_subFrameTimer->stop();
    QPointer<TWebEngineControl> self(this);
    for (const SubFrame &f : open) {
        Q_EMIT DocumentComplete(f.handle, urlText(f.url));
        if (!self)
            return;
    }
}

void TWebEngineControl::checkSubFrameTimeouts()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    QPointer<TWebEngineControl> self(this);
    for (int i = m_subFrames.size() - 1; i >= 0 && self; --i)
        if (now - m_subFrames[i].startedMs >= SubFrameTimeoutMs)
            completeSubFrame(i);
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

void TWebEngineControl::refreshProfile()
{
    TWebProfile::instance()->refreshIfChanged();
}

void TWebEngineControl::loadUrl(const QUrl &url)
{
    // The engine starts loading a little later; until then the control is busy already,
    // so that a Stop or a write right after Navigate acts on the new load.
    const int generation = ++m_pendingLoad;
    m_pendingActive = true;
    QTimer::singleShot(DocumentTimeoutMs, this, [this, generation] {
        if (generation != m_pendingLoad || !m_pendingActive)
            return;
        m_pendingActive = false;
        if (!m_page->isLoading())
            runQueuedWrites();
    });
    m_page->load(url);
}

void TWebEngineControl::Navigate(const QString &url)
{
    refreshProfile();
    const TUrlInput input = ClassifyUrlInput(url, TInternetSettings::SearchPage());
    if (input.kind == TUrlInputKind::Empty)
        return;
    if (input.url.scheme() == QLatin1String("javascript")) {
        // The engine runs these in the current page without any navigation event.
        if (announceTop(input.url.toString(), TNavigationType::Typed))
            m_page->load(input.url);
        return;
    }
    if (isBlank(input.url)) {
        if (!announceTop(QStringLiteral("about:blank"), TNavigationType::Typed))
            return;
        m_blankAnnounced = true;
        if (m_page->url().isEmpty() && !m_page->isLoading()) {
            // A page that never loaded anything is blank already. Its blank load waits one
            // turn of the event loop: a new tab sent elsewhere at once, or adopted by a new
            // window, then never starts an engine page it does not need (a popup flood
            // would start hundreds).
            const int generation = ++m_pendingLoad;
            m_pendingActive = true;
            const QPointer<TWebEnginePage> page(m_page);
            const QUrl blank = input.url;
            QTimer::singleShot(0, this, [this, generation, page, blank] {
                if (generation == m_pendingLoad && page == m_page)
                    loadUrl(blank);
            });
            return;
        }
    }
    loadUrl(input.url);
}

void TWebEngineControl::GoBack()
{
    m_page->triggerAction(QWebEnginePage::Back);
}

void TWebEngineControl::GoForward()
{
    m_page->triggerAction(QWebEnginePage::Forward);
}

void TWebEngineControl::GoHome()
{
    Navigate(TInternetSettings::StartPage());
}

void TWebEngineControl::GoSearch()
{
    Navigate(SearchUrl(TInternetSettings::SearchPage(), QString()).toString());
}

bool TWebEngineControl::confirmResend()
{
    if (!m_formTracker || !m_formTracker->CurrentEntryWasPosted())
        return true;
    QPointer<TWebEngineControl> self(this);
    return AskResendForm(m_view ? m_view->window() : nullptr) && self;
}

void TWebEngineControl::Refresh()
{
    if (!HasDocument() || !confirmResend())
        return;
    refreshProfile();
    m_page->triggerAction(QWebEnginePage::Reload);
}

void TWebEngineControl::RefreshCompletely()
{
    if (!HasDocument() || !confirmResend())
        return;
    refreshProfile();
    m_page->triggerAction(QWebEnginePage::ReloadAndBypassCache);
}

void TWebEngineControl::Stop()
{
    QPointer<TWebEngineControl> self(this);
    m_pendingActive = false;
    m_page->triggerAction(QWebEnginePage::Stop);
    if (self)
        completeSubFrames();
}

bool TWebEngineControl::Busy() const
{
    return m_pendingActive || m_page->isLoading();
}

QString TWebEngineControl::LocationURL() const
{
    return urlText(m_page->url());
}

QString TWebEngineControl::LocationName() const
{
    return m_page->title();
}

bool TWebEngineControl::HasDocument() const
{
    return !m_page->url().isEmpty();
}

void TWebEngineControl::Exec(TDocCommand command, bool promptUser)
{
    QWidget *parent = m_view ? m_view->window() : nullptr;
    switch (command) {
    case TDocCommand::Cut:
        if (HasDocument())
            m_page->triggerAction(QWebEnginePage::Cut);
        break;
    case TDocCommand::Copy:
        if (HasDocument())
            m_page->triggerAction(QWebEnginePage::Copy);
        break;
    case TDocCommand::Paste:
        if (HasDocument())
            m_page->triggerAction(QWebEnginePage::Paste);
        break;
    case TDocCommand::SelectAll:
        if (HasDocument())
            m_page->triggerAction(QWebEnginePage::SelectAll);
        break;
    case TDocCommand::SaveAs: {
        if (!HasDocument())
            break;
        QString path;
        TSaveFormat format = TSaveFormat::Complete;
        QPointer<TWebEngineControl> self(this);
        if (!AskSaveAsPath(parent, LocationName(), &path, &format) || !self)
            break;
        QPointer<QWidget> owner(parent);
        savePage(path, int(format), [owner, path](bool ok) {
            if (!ok)
                QMessageBox::warning(owner, QObject::tr("Save Web Page"),
                                     QObject::tr("The page could not be saved to %1.").arg(path));
        });
        break;
    }
    case TDocCommand::Print:
        if (HasDocument())
            print(promptUser);
        break;
    case TDocCommand::PageSetup:
        RunPageSetup(parent);
        break;
    case TDocCommand::Properties:
        if (HasDocument())
            showProperties();
        break;
    case TDocCommand::Find:
        if (HasDocument())
            showFind();
        break;
    case TDocCommand::ViewSource:
        if (HasDocument())
            m_page->triggerAction(QWebEnginePage::ViewSource);
        break;
    case TDocCommand::InternetOptions: {
        TInternetOptionsDialog dialog(HasDocument() ? LocationURL() : QString(), parent);
        dialog.exec();
        break;
    }
    }
}

int TWebEngineControl::Zoom() const
{
    if (!HasDocument())
        return 2;
    const qreal factor = m_page->zoomFactor();
    int best = 2;
    for (int i = 0; i < 5; ++i)
        if (qAbs(ZoomFactors[i] - factor) < qAbs(ZoomFactors[best] - factor))
            best = i;
    return best;
}

void TWebEngineControl::SetZoom(int size)
{
    if (size < 0 || size > 4)
        return;
    m_page->setZoomFactor(ZoomFactors[size]);
}

QVariant TWebEngineControl::evaluateBlocking(const QString &script, int timeoutMs, bool *ok, bool isolated)
{
    struct State {
        bool done = false;
        QVariant value;
    };
    auto state = std::make_shared<State>();
    QEventLoop loop;
    QPointer<QEventLoop> guard(&loop);
    evaluate(script, [state, guard](const QVariant &v) {
        state->value = v;
        state->done = true;
        if (guard)
            guard->quit();
    }, isolated);
    if (!state->done) {
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (ok)
        *ok = state->done;
    return state->value;
}

void TWebEngineControl::evaluate(const QString &script, const std::function<void(const QVariant &)> &done,
                                 bool isolated)
{
    QPointer<TWebEngineControl> self(this);
    m_page->runJavaScript(script, isolated ? quint32(QWebEngineScript::ApplicationWorld)
                                           : quint32(QWebEngineScript::MainWorld),
                          [self, done](const QVariant &v) {
                              if (self && done)
                                  done(v);
                          });
}

bool TWebEngineControl::SaveDocument(const QString &path)
{
    if (!HasDocument() || path.isEmpty())
        return false;
    struct State {
        bool done = false;
        QString html;
    };
    auto state = std::make_shared<State>();
    QPointer<TWebEngineControl> self(this);
    {
        QEventLoop loop;
        QPointer<QEventLoop> guard(&loop);
        m_page->toHtml([state, guard](const QString &html) {
            state->html = html;
            state->done = true;
            if (guard)
                guard->quit();
        });
        if (!state->done) {
            QTimer::singleShot(DocumentTimeoutMs, &loop, &QEventLoop::quit);
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        }
    }
    if (!self || !state->done)
        return false;
    bool ok = false;
    const QString charset = evaluateBlocking(QStringLiteral("document.characterSet"), DocumentTimeoutMs, &ok).toString();
    if (!self)
        return false;
    QStringEncoder encoder(charset.toLatin1().constData());
    if (!ok || charset.isEmpty() || !encoder.isValid())
        encoder = QStringEncoder(QStringEncoder::Utf8);
    const QByteArray bytes = encoder.encode(state->html);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes);
    return file.commit();
}

void TWebEngineControl::WriteDocument(const QString &html)
{
    if (Busy()) {
        // The document being loaded would replace what is written now.
        m_queuedWrites.append(html);
        return;
    }
    if (!HasDocument())
        return;
    m_page->runJavaScript(QStringLiteral("document.open();document.write(%1);document.close();")
                                  .arg(jsString(html)),
                          QWebEngineScript::MainWorld);
}

void TWebEngineControl::runQueuedWrites()
{
    const QList<QString> writes = m_queuedWrites;
    m_queuedWrites.clear();
    for (const QString &html : writes)
        WriteDocument(html);
}

QList<TWebLink> TWebEngineControl::Links()
{
    QList<TWebLink> links;
    if (!HasDocument())
        return links;
    const QVariant result = evaluateBlocking(QStringLiteral(
            "Array.prototype.map.call(document.links, function (a) {"
            " return {text: String(a.innerText || ''), href: String(a.href || '')}; })"));
    for (const QVariant &item : result.toList()) {
        const QVariantMap map = item.toMap();
        TWebLink link;
        link.text = map.value(QStringLiteral("text")).toString();
        link.href = map.value(QStringLiteral("href")).toString();
        links.append(link);
    }
    return links;
}

bool TWebEngineControl::TranslateAccelerator(QKeyEvent *event)
{
    if (!event || !m_view)
        return false;
    QWidget *target = m_view->focusProxy();
    if (!target)
        return false;
    QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->nativeScanCode(),
                   event->nativeVirtualKey(), event->nativeModifiers(), event->text(),
                   event->isAutoRepeat(), event->count());
    copy.setAccepted(false);
    QCoreApplication::sendEvent(target, &copy);
    return copy.isAccepted();
}

void TWebEngineControl::UIActivate()
{
    if (m_view)
        m_view->setFocus(Qt::OtherFocusReason);
}

void TWebEngineControl::ApplyHostInfo(quint32 hostFlags, bool useDownloadControl, quint32 downloadControl)
{
    m_hostFlags = hostFlags;
    m_useDownloadControl = useDownloadControl;
    m_downloadControl = downloadControl;
    applyHostInfoToPage();
}

void TWebEngineControl::applyHostInfoToPage()
{
    QWebEngineSettings *s = m_page->settings();
    s->setAttribute(QWebEngineSettings::ShowScrollBars, !(m_hostFlags & 0x8));
    if (m_useDownloadControl) {
        s->setAttribute(QWebEngineSettings::AutoLoadImages, m_downloadControl & 0x10);
        s->setAttribute(QWebEngineSettings::JavascriptEnabled, !(m_downloadControl & 0x80));
        s->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, !(m_downloadControl & 0x20));
    } else {
        s->resetAttribute(QWebEngineSettings::AutoLoadImages);
        s->resetAttribute(QWebEngineSettings::JavascriptEnabled);
        TWebProfile::instance()->attachPage(m_page);
    }
}

void TWebEngineControl::findText(const QString &text, bool caseSensitive, bool backward,
                                 const std::function<void(int, int)> &done)
{
    QWebEnginePage::FindFlags flags;
    if (caseSensitive)
        flags |= QWebEnginePage::FindCaseSensitively;
    if (backward)
        flags |= QWebEnginePage::FindBackward;
    QPointer<TWebEngineControl> self(this);
    m_page->findText(text, flags, [self, done](const QWebEngineFindTextResult &r) {
        if (self && done)
            done(r.numberOfMatches(), r.activeMatch());
    });
}

void TWebEngineControl::showFind()
{
    if (!m_findDialog) {
        QPointer<TWebEngineControl> self(this);
        m_findDialog = new TFindDialog(
                [self](const QString &text, bool cs, bool backward, const TFindResultCallback &done) {
                    if (self)
                        self->findText(text, cs, backward, done);
                },
                m_view ? m_view->window() : nullptr);
        connect(m_findDialog.data(), &TFindDialog::searchCleared, this,
                [this] { findText(QString(), false, false, nullptr); });
    }
    m_findDialog->show();
    m_findDialog->raise();
    m_findDialog->activateWindow();
}

void TWebEngineControl::showProperties()
{
    const QString script = QStringLiteral(
            "(function () {"
            " var n = performance.getEntriesByType('navigation')[0];"
            " return {contentType: document.contentType, charset: document.characterSet,"
            "  lastModified: document.lastModified, referrer: document.referrer,"
            "  size: n ? n.decodedBodySize : -1,"
            "  length: document.documentElement ? document.documentElement.outerHTML.length : 0,"
            "  links: document.links.length, images: document.images.length};"
            "})()");
    QPointer<TWebEngineControl> self(this);
    evaluate(script, [self](const QVariant &v) {
        if (!self)
            return;
        const QVariantMap m = v.toMap();
        TPageProperties p;
        p.title = self->LocationName();
        p.address = self->LocationURL();
        p.contentType = m.value(QStringLiteral("contentType")).toString();
        p.charset = m.value(QStringLiteral("charset")).toString();
        p.lastModified = m.value(QStringLiteral("lastModified")).toString();
        p.referrer = m.value(QStringLiteral("referrer")).toString();
        p.size = m.value(QStringLiteral("size"), -1).toLongLong();
        // Documents not fetched over the network (about:blank, written pages) report 0.
        if (p.size <= 0)
            p.size = m.value(QStringLiteral("length"), -1).toLongLong();
        p.links = m.value(QStringLiteral("links"), -1).toInt();
        p.images = m.value(QStringLiteral("images"), -1).toInt();
        auto *dialog = new TPagePropertiesDialog(p, self->m_view ? self->m_view->window() : nullptr);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->open();
    });
}

void TWebEngineControl::savePage(const QString &path, int format, const std::function<void(bool)> &done)
{
    m_saves.append({path, format, done});
    startNextSave();
}

void TWebEngineControl::startNextSave()
{
    if (m_saving || m_saves.isEmpty())
        return;
    const PendingSave save = m_saves.takeFirst();
    m_saving = true;

    struct State {
        bool finished = false;
        QMetaObject::Connection requested;
    };
    auto state = std::make_shared<State>();
    QPointer<TWebEngineControl> self(this);
    auto finish = [self, state, save](bool ok) {
        if (state->finished)
            return;
        state->finished = true;
        QObject::disconnect(state->requested);
        if (save.done)
            save.done(ok);
        if (!self)
            return;
        Q_EMIT self->SaveFinished(save.path, ok);
        if (!self)
            return;
        self->m_saving = false;
        // Not from inside the engine's download callback: a save started there aborts it.
        QTimer::singleShot(0, self.data(), &TWebEngineControl::startNextSave);
    };
    QWebEnginePage *page = m_page;
    // File times may be a little coarse: a second of tolerance.
    const qint64 started = QDateTime::currentMSecsSinceEpoch() - 1000;
    state->requested = connect(page->profile(), &QWebEngineProfile::downloadRequested, this,
                               [page, finish, started, this](QWebEngineDownloadRequest *request) {
        if (!request->isSavePageDownload() || request->page() != page)
            return;
        // The engine reports a save it could not write as completed: the file must be
        // there, written by this save.
        auto check = [request, finish, started] {
            if (!request->isFinished())
                return;
            const QFileInfo file(request->downloadDirectory() + QLatin1Char('/') + request->downloadFileName());
            finish(request->state() == QWebEngineDownloadRequest::DownloadCompleted && file.isFile()
                   && file.lastModified().toMSecsSinceEpoch() >= started);
        };
        connect(request, &QWebEngineDownloadRequest::isFinishedChanged, this, check);
        connect(request, &QWebEngineDownloadRequest::stateChanged, this, check);
        check();
    });
    QTimer::singleShot(SaveTimeoutMs, this, [finish] { finish(false); });

    QWebEngineDownloadRequest::SavePageFormat f = QWebEngineDownloadRequest::CompleteHtmlSaveFormat;
    if (save.format == int(TSaveFormat::SingleHtml))
        f = QWebEngineDownloadRequest::SingleHtmlSaveFormat;
    else if (save.format == int(TSaveFormat::Mhtml))
        f = QWebEngineDownloadRequest::MimeHtmlSaveFormat;
    page->save(save.path, f);
}

bool TWebEngineControl::IsPrinting()
{
    return g_printing;
}

bool TWebEngineControl::printPage(QPrinter *printer)
{
    if (g_printing || !m_view) {
        delete printer;
        return false;
    }
    g_printing = true;
    m_printer = printer;
    if (PrintsToPdfFile(*printer))
        printToPdfFile(printer);
    else
        m_view->print(printer);
    return true;
}

bool TWebEngineControl::PrintsToPdfFile(const QPrinter &printer)
{
    return printer.outputFormat() == QPrinter::PdfFormat
            || printer.outputFileName().endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive);
}

void TWebEngineControl::printToPdfFile(QPrinter *printer)
{
    // Printing on a PDF printer would make a picture of each page.
    const QString path = printer->outputFileName();
    QPointer<TWebEngineControl> self(this);
    m_page->printToPdf([self, path](const QByteArray &pdf) {
        bool ok = !pdf.isEmpty() && !path.isEmpty();
        if (ok) {
            QSaveFile file(path);
            ok = file.open(QIODevice::WriteOnly) && file.write(pdf) == pdf.size() && file.commit();
        }
        if (self)
            self->finishPrint(ok);
    }, printer->pageLayout(), printer->pageRanges());
}

void TWebEngineControl::finishPrint(bool ok)
{
    delete m_printer;
    m_printer = nullptr;
    g_printing = false;
    Q_EMIT PrintFinished(ok);
}

void TWebEngineControl::print(bool prompt)
{
    if (g_printing || !m_view)
        return;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setPageLayout(TPageSettings::PageLayout());
    printer->setDocName(LocationName());
    bool ask = prompt;
    if (!prompt) {
        const QString file = TPageSettings::PrintToFile();
        if (!file.isEmpty()) {
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(file);
        } else if (QPrinterInfo::defaultPrinter().isNull()) {
            // No printer to print on without asking: let the user choose (or print to a file).
            ask = true;
        }
    }
    if (ask) {
        QPointer<TWebEngineControl> self(this);
        QPrintDialog dialog(printer.get(), m_view->window());
        if (dialog.exec() != QDialog::Accepted || !self)
            return;
    }
    printPage(printer.release());
}
