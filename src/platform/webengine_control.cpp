#include "platform/webengine_control.h"
#include "platform/webengine_internal.h"

#include "platform/formresend.h"
#include "platform/inetoptions.h"
#include "platform/offline.h"
#include "platform/offlinepage.h"
#include "platform/pagedialogs.h"
#include "platform/startuptrace.h"
#include "platform/permissionbar.h"
#include "platform/urlinput.h"
#include "platform/webprofile.h"

#include <QAction>
#include <QAuthenticator>
#include <QCoreApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

#include <memory>

using namespace WebEngineDetail;

namespace {

const qreal ZoomFactors[] = {0.75, 0.9, 1.0, 1.2, 1.5};

}

QSet<const void *> &WebEngineDetail::liveControls()
{
    static QSet<const void *> controls;
    return controls;
}

TWebControl *CreateWebControl(QObject *parent)
{
    if (const TWebControlFactory &factory = WebControlFactory())
        return factory(parent);
    return new TWebEngineControl(parent);
}

TWebEngineControl::TWebEngineControl(QObject *parent) : TWebControl(parent)
{
    liveControls().insert(this);
    m_nonce = TWebProfile::instance()->sessionNonce();
    m_panel = new QWidget;
    m_panel->setObjectName(QStringLiteral("WebPanel"));
    auto *panelLayout = new QVBoxLayout(m_panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(0);
    m_permissionBar = new TPermissionBar(m_panel);
    connect(m_permissionBar, &TPermissionBar::Answered, this, &TWebEngineControl::onPermissionAnswered);
    panelLayout->addWidget(m_permissionBar);
    m_view = new TWebEngineView(this);
    m_view->setObjectName(QStringLiteral("WebView"));
    panelLayout->addWidget(m_view, 1);
    m_panel->setFocusProxy(m_view);
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
    // The view goes before its page, and pages before the profile. A page whose script
    // dialog is open is still on the stack below that dialog's loop: it closes the dialog
    // and deletes itself after the loop has returned.
    delete m_view.data();
    delete m_panel.data();
    if (m_page && m_page->InDialog())
        m_page->Abandon();
    else
        delete m_page;
}

TWebEngineControl *TWebEngineControl::FromFrame(TWebFrame frame)
{
    if (!frame || !liveControls().contains(frame))
        return nullptr;
    return static_cast<TWebEngineControl *>(const_cast<TWebControl *>(
            static_cast<const TWebControl *>(frame)));
}

QWidget *TWebEngineControl::widget() { return m_panel; }
QWebEngineView *TWebEngineControl::view() const { return m_view; }
QWebEnginePage *TWebEngineControl::page() const { return m_page; }
QObject *TWebEngineControl::AutomationObject() { return m_page; }
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
    installLinkClickReporter();   // a page adopted for a new window reports like the old one

    connect(page, &QWebEnginePage::loadStarted, this, &TWebEngineControl::onLoadStarted);
    // A new document may show its dialogs again.
    connect(page, &QWebEnginePage::urlChanged, page, [page](const QUrl &url) { page->DocumentChanged(url); });
    connect(page, &QWebEnginePage::loadFinished, page, [page] { page->SetLeaving(false); });
    connect(page, &QWebEnginePage::loadProgress, this, &TWebEngineControl::onLoadProgress);
    connect(page, &QWebEnginePage::loadFinished, this, &TWebEngineControl::onLoadFinished);
    connect(page, &QWebEnginePage::urlChanged, this, &TWebEngineControl::onUrlChanged);
    connect(page, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo &info) {
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
            m_offlineUrl.clear();
            m_certificatePageUrl.clear();
            m_certificateError = CertificateProblem();
            denyOpenPermissions();
        } else if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus && info.isErrorPage()
                   && info.errorDomain() == QWebEngineLoadingInfo::CertificateErrorDomain) {
            showCertificatePage(info.url());
        } else if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus && info.isErrorPage()
                 && info.errorCode() == TOfflinePage::BlockedErrorCode && TOffline::CachedOffline())
            showOfflinePage(info.url());
    });
    connect(page, &QWebEnginePage::newWindowRequested, this, &TWebEngineControl::onNewWindowRequested);
    connect(page, &QWebEnginePage::titleChanged, this, &TWebControl::TitleChange);
    connect(page, &QWebEnginePage::linkHovered, this, &TWebControl::StatusTextChange);
    // The handler usually destroys this control: never inside the page's own signal.
    connect(page, &QWebEnginePage::windowCloseRequested, this, &TWebControl::WindowCloseRequested,
            Qt::QueuedConnection);
    connect(page, &QWebEnginePage::printRequested, this, [this] { print(true); }, Qt::QueuedConnection);
    connect(page, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl &origin, QWebEnginePage::Feature feature) { onPermissionRequested(origin, int(feature)); });
    connect(page, &QWebEnginePage::featurePermissionRequestCanceled, this,
            [this](const QUrl &origin, QWebEnginePage::Feature feature) { onPermissionCanceled(origin, int(feature)); });
    connect(page, &QWebEnginePage::fullScreenRequested, this, [this](QWebEngineFullScreenRequest request) {
        QPointer<TWebEngineControl> self(this);
        bool accept = !request.toggleOn();
        Q_EMIT FullScreenRequested(request.toggleOn(), &accept);
        if (self && (accept || !request.toggleOn()))
            request.accept();
        else
            request.reject();
    });
    connect(page, &QWebEnginePage::certificateError, this, &TWebEngineControl::onCertificateError);
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
    if (old && old->InDialog())
        old->Abandon();
    else if (old)
        old->deleteLater();
    return m_page;
}

void TWebEngineControl::refreshProfile()
{
    TWebProfile::instance()->refreshIfChanged();
}

void TWebEngineControl::dismissDialog(bool navigating)
{
    // The page waits for its dialog's answer and would not load or stop before it: what
    // the program does with the page closes the dialog (as Cancel). While the program's
    // navigation is on its way, the old document's further dialogs (a loop) are answered
    // at once, or it would never leave.
    if (!m_page)
        return;
    if (navigating)
        m_page->SetLeaving(true);
    if (m_page->Dialog())
        m_page->Dialog()->reject();
}

void TWebEngineControl::loadUrl(const QUrl &url)
{
    dismissDialog(true);
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
    if (!isBlank(url))
        TStartupTrace::MarkOnce("first page: load() called");
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
    dismissDialog(true);
    m_page->triggerAction(QWebEnginePage::Back);
}

void TWebEngineControl::GoForward()
{
    dismissDialog(true);
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
    dismissDialog(true);
    refreshProfile();
    m_page->triggerAction(QWebEnginePage::Reload);
}

void TWebEngineControl::RefreshCompletely()
{
    if (!HasDocument() || !confirmResend())
        return;
    dismissDialog(true);
    refreshProfile();
    m_page->triggerAction(QWebEnginePage::ReloadAndBypassCache);
}

void TWebEngineControl::Stop()
{
    QPointer<TWebEngineControl> self(this);
    m_pendingActive = false;
    dismissDialog(false);
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

void TWebEngineControl::ExitFullScreen()
{
    m_page->triggerAction(QWebEnginePage::ExitFullScreen);
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

bool TWebEngineControl::ShowsPostResult() const
{
    return m_formTracker && m_formTracker->CurrentEntryWasPosted();
}
