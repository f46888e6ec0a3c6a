// TWebEngineControl: sub-frame load cycles. The engine announces a sub-frame navigation
// only as it starts; a script injected into every sub-frame reports (on the console, with
// this session's mark) when the frame's document arrives and when it has loaded. Handles
// left open are completed when the page finishes or stops, or after a safety delay.

#include "platform/webengine_control.h"
#include "platform/webengine_internal.h"

#include "platform/certificateerrors.h"
#include "platform/offlinepage.h"

#include <QDateTime>
#include <QFile>
#include <QJsonObject>
#include <QTimer>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

using namespace WebEngineDetail;

// The platform's resources live in a static library: they must be registered by hand.
static void initPlatformResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

const int SubFrameTimeoutMs = 15000;

TWebFrame newFrameHandle()
{
    // Odd values: never the address of an object, so never any control's Application().
    static quintptr counter = 0;
    counter += 2;
    return reinterpret_cast<TWebFrame>(counter + 1);
}

}

static QString markedScript(const QString &resource, const QString &nonce)
{
    initPlatformResources();
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QString source = QString::fromUtf8(file.readAll());
    source.replace(QLatin1String("%NONCE%"), nonce);
    return source;
}

QString WebEngineDetail::frameReporterSource(const QString &nonce)
{
    return markedScript(QStringLiteral(":/platform/resources/frame_reporter.js"), nonce);
}

QString WebEngineDetail::linkClickReporterSource(const QString &nonce)
{
    return markedScript(QStringLiteral(":/platform/resources/link_clicks.js"), nonce);
}

bool TWebEngineControl::onSubFrameNavigation(const QUrl &url, int type, const TNavigation &navigation)
{
    QPointer<TWebEngineControl> self(this);
    const QString text = urlText(url);
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

void TWebEngineControl::onConsoleMessage(const QString &message)
{
    if (m_nonce.isEmpty() || !message.startsWith(m_nonce))
        return;
    const QJsonObject report = QJsonDocument::fromJson(message.mid(m_nonce.size()).toUtf8()).object();
    const QString kind = report.value(QLatin1String("kind")).toString();
    const QString href = report.value(QLatin1String("href")).toString();
    const QUrl url = QUrl(href).adjusted(QUrl::RemoveFragment);
    auto sameDocument = [&url](const SubFrame &f) { return f.url.adjusted(QUrl::RemoveFragment) == url; };

    if (kind == QLatin1String("click")) {
        if (!m_reportLinkClicks)
            return;
        TLinkClick click;
        click.href = href;
        click.target = report.value(QLatin1String("target")).toString();
        click.baseTarget = report.value(QLatin1String("baseTarget")).toString();
        click.form = report.value(QLatin1String("form")).toBool();
        click.shift = report.value(QLatin1String("shift")).toBool();
        Q_EMIT LinkClicked(click);
        return;
    }
    if (kind == TOfflinePage::GoOnlineKind()) {
        goOnline();
        return;
    }
    if (kind == TCertificatePage::ContinueKind() || kind == TCertificatePage::BackKind()) {
        onCertificatePageCommand(kind);
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

void TWebEngineControl::SetReportLinkClicks(bool on)
{
    m_reportLinkClicks = on;
    installLinkClickReporter();
}

void TWebEngineControl::installLinkClickReporter()
{
    if (!m_page)
        return;
    const QString name = QStringLiteral("tabvane-link-clicks");
    const QList<QWebEngineScript> old = m_page->scripts().find(name);
    for (const QWebEngineScript &script : old)
        m_page->scripts().remove(script);
    if (!m_reportLinkClicks)
        return;
    QWebEngineScript reporter;
    reporter.setName(name);
    reporter.setInjectionPoint(QWebEngineScript::DocumentCreation);
    reporter.setWorldId(QWebEngineScript::ApplicationWorld);
    reporter.setRunsOnSubFrames(true);
    reporter.setSourceCode(linkClickReporterSource(m_nonce));
    m_page->scripts().insert(reporter);
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
