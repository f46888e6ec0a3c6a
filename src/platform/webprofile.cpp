#include "platform/webprofile.h"

#include "platform/offline.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/webengine_notifier.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QWebEngineCookieStore>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlScheme>
#include <QtWebEngineCore/qtwebenginecoreglobal.h>

#include <sys/stat.h>

namespace {

const QString PostPlatformKey = QStringLiteral(
        "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User Agent\\Post Platform");
const QString MainKey = QStringLiteral("Software\\Microsoft\\Internet Explorer\\main");
const QString NoAnimationScript = QStringLiteral("tabvane-no-animations");

TWebProfile *g_instance = nullptr;

// Refuses network requests while the user works offline.
class TOfflineInterceptor : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        if (!TOffline::CachedOffline())
            return;
        const QString scheme = info.requestUrl().scheme().toLower();
        if (scheme == QLatin1String("http") || scheme == QLatin1String("https")
            || scheme == QLatin1String("ftp") || scheme == QLatin1String("ws")
            || scheme == QLatin1String("wss"))
            info.block(true);
    }
};

bool readSwitch(const TRegistry &reg, const QString &name)
{
    const RegValue v = reg.readValue(MainKey, name);
    if (!v.exists())
        return true;
    return (v.type == RegType::Sz || v.type == RegType::ExpandSz) && v.text == QLatin1String("yes");
}

QString cacheHome()
{
    const QString value = qEnvironmentVariable("XDG_CACHE_HOME");
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return value;
    return QDir::homePath() + QStringLiteral("/.cache");
}

QString sanitizeToken(QString token)
{
    for (QChar &c : token) {
        if (c.category() == QChar::Other_Control || c == QLatin1Char('(') || c == QLatin1Char(')')
            || c == QLatin1Char(';'))
            c = QLatin1Char(' ');
    }
    return token.simplified();
}

}

TWebProfile *TWebProfile::instance()
{
    if (!g_instance)
        g_instance = new TWebProfile(QCoreApplication::instance());
    return g_instance;
}

TWebProfile::TWebProfile(QObject *parent) : QObject(parent)
{
    m_nonce = QString::number(QRandomGenerator::system()->generate64(), 36)
            + QString::number(QRandomGenerator::system()->generate64(), 36);

    m_profile = new QWebEngineProfile(QStringLiteral("Tabvane"), this);
    m_profile->setPersistentStoragePath(TPaths::Join(TPaths::DataDir(), QStringLiteral("WebEngine")));
    const QString cache = cacheHome() + QStringLiteral("/tabvane/WebEngine");
    QDir().mkpath(cache);
    m_profile->setCachePath(cache);
    m_profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
    m_profile->settings()->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, true);
    m_profile->setDownloadPath(QStandardPaths::writableLocation(QStandardPaths::DownloadLocation));
    // The request filter is installed only while offline: every request it sees makes a
    // trip through the GUI thread.
    auto *interceptor = new TOfflineInterceptor(this);
    const QPointer<QWebEngineProfile> profile(m_profile);
    TOffline::SetChangeHandler([profile, interceptor](bool offline) {
        if (profile)
            profile->setUrlRequestInterceptor(offline ? interceptor : nullptr);
    });
    if (TOffline::CachedOffline())
        m_profile->setUrlRequestInterceptor(interceptor);
    m_defaultUserAgent = m_profile->httpUserAgent();

    // Notifications pages were allowed to send go to the desktop.
    TDesktopNotifier::Install(m_profile);
    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
            [this](QWebEngineDownloadRequest *request) { onDownloadRequested(request); });
    refresh();
}

TWebProfile::~TWebProfile()
{
    TOffline::SetChangeHandler(nullptr);
    if (g_instance == this)
        g_instance = nullptr;
}

QStringList TWebProfile::PostPlatformTokens()
{
    QStringList tokens;
    try {
        for (const QString &name : TRegistry(RegRoot::LocalMachine).valueNames(PostPlatformKey)) {
            const QString token = sanitizeToken(name);
            if (!token.isEmpty() && !tokens.contains(token))
                tokens.append(token);
        }
    } catch (const RegistryError &) {
        // An unreadable key adds no tokens.
    }
    return tokens;
}

QString TWebProfile::UserAgentWithTokens(const QString &userAgent, const QStringList &tokens)
{
    QStringList clean;
    for (const QString &t : tokens) {
        const QString s = sanitizeToken(t);
        if (!s.isEmpty() && !clean.contains(s))
            clean.append(s);
    }
    if (clean.isEmpty())
        return userAgent;
    const int open = userAgent.indexOf(QLatin1Char('('));
    const int close = open >= 0 ? userAgent.indexOf(QLatin1Char(')'), open) : -1;
    if (close < 0)
        return userAgent + QStringLiteral(" (") + clean.join(QStringLiteral("; ")) + QLatin1Char(')');
    QString inner = userAgent.mid(open + 1, close - open - 1).trimmed();
    for (const QString &t : clean)
        inner += (inner.isEmpty() ? QString() : QStringLiteral("; ")) + t;
    return userAgent.left(open + 1) + inner + userAgent.mid(close);
}

void TWebProfile::refreshUserAgent()
{
    const QStringList tokens = PostPlatformTokens();
    if (tokens == m_tokens && !m_profile->httpUserAgent().isEmpty())
        return;
    m_tokens = tokens;
    m_profile->setHttpUserAgent(UserAgentWithTokens(m_defaultUserAgent, tokens));
}

TContentOptions TWebProfile::ReadContentOptions()
{
    TContentOptions o;
    try {
        const TRegistry reg(RegRoot::CurrentUser);
        o.images = readSwitch(reg, QStringLiteral("Display Inline Images"));
        o.videos = readSwitch(reg, QStringLiteral("Display Inline Videos"));
        o.sounds = readSwitch(reg, QStringLiteral("Play_Background_Sounds"));
        o.animations = readSwitch(reg, QStringLiteral("Play_Animations"));
    } catch (const RegistryError &) {
        // Values that cannot be read count as "yes".
        o = TContentOptions();
    }
    return o;
}

bool TWebProfile::WriteContentOptions(const TContentOptions &options)
{
    auto text = [](bool on) { return on ? QStringLiteral("yes") : QStringLiteral("no"); };
    try {
        TRegistry reg(RegRoot::CurrentUser);
        reg.writeString(MainKey, QStringLiteral("Display Inline Images"), text(options.images));
        reg.writeString(MainKey, QStringLiteral("Display Inline Videos"), text(options.videos));
        reg.writeString(MainKey, QStringLiteral("Play_Background_Sounds"), text(options.sounds));
        reg.writeString(MainKey, QStringLiteral("Play_Animations"), text(options.animations));
    } catch (const RegistryError &) {
        return false;
    }
    return true;
}

void TWebProfile::refreshContentOptions()
{
    const TContentOptions o = ReadContentOptions();
    if (m_contentRead && o == m_content)
        return;
    m_contentRead = true;
    m_content = o;

    m_profile->settings()->setAttribute(QWebEngineSettings::AutoLoadImages, o.images);
    m_profile->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, !o.videos);

    QWebEngineScriptCollection *scripts = m_profile->scripts();
    const QList<QWebEngineScript> existing = scripts->find(NoAnimationScript);
    if (o.animations) {
        for (const QWebEngineScript &s : existing)
            scripts->remove(s);
    } else if (existing.isEmpty()) {
        QWebEngineScript script;
        script.setName(NoAnimationScript);
        script.setInjectionPoint(QWebEngineScript::DocumentCreation);
        script.setWorldId(QWebEngineScript::ApplicationWorld);
        script.setRunsOnSubFrames(true);
        script.setSourceCode(QStringLiteral(
                "(function(){try{var s=new CSSStyleSheet();"
                "s.replaceSync('*,*::before,*::after{animation:none!important;"
                "transition:none!important}');"
                "document.adoptedStyleSheets=document.adoptedStyleSheets.concat([s]);"
                "}catch(e){}})();"));
        scripts->insert(script);
    }

    QList<QPointer<QWebEnginePage>> alive;
    for (const QPointer<QWebEnginePage> &p : qAsConst(m_pages)) {
        if (p) {
            applyToPage(p);
            alive.append(p);
        }
    }
    m_pages = alive;
    Q_EMIT contentOptionsChanged(o);
}

void TWebProfile::refresh()
{
    refreshUserAgent();
    refreshContentOptions();
}

void TWebProfile::refreshIfChanged()
{
    // The hive file's identity, size and modification time (nanoseconds) change with
    // every committed write.
    QByteArray stamp;
    struct stat st {};
    if (::stat(QFile::encodeName(TRegistry::hivePath()).constData(), &st) == 0) {
        stamp = QByteArray::number(qulonglong(st.st_ino)) + ':' + QByteArray::number(qlonglong(st.st_size))
                + ':' + QByteArray::number(qlonglong(st.st_mtim.tv_sec)) + '.'
                + QByteArray::number(qlonglong(st.st_mtim.tv_nsec));
    }
    if (!stamp.isEmpty() && stamp == m_hiveStamp)
        return;
    m_hiveStamp = stamp;
    refresh();
}

void TWebProfile::attachPage(QWebEnginePage *page)
{
    if (!page)
        return;
    if (!m_pages.contains(page))
        m_pages.append(page);
    applyToPage(page);
}

void TWebProfile::applyToPage(QWebEnginePage *page) const
{
    // Set explicitly: the engine's default for this attribute does not match what it does.
    page->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, !m_content.videos);
    page->setAudioMuted(!m_content.sounds);
}

void TWebProfile::clearCookies()
{
    m_profile->cookieStore()->deleteAllCookies();
}

void TWebProfile::clearCache()
{
    m_profile->clearHttpCache();
}

void TWebProfile::clearVisitedLinks()
{
    m_profile->clearAllVisitedLinks();
}

void TWebProfile::PrepareProcessFlags()
{
    if (ReadContentOptions().animations)
        return;
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (flags.contains("imageAnimationPolicy"))
        return;
    if (!flags.isEmpty())
        flags += ' ';
    flags += "--blink-settings=imageAnimationPolicy=2";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
}

void TWebProfile::RegisterSchemes()
{
    if (QWebEngineUrlScheme::schemeByName(OwnScheme).name().isEmpty()) {
        QWebEngineUrlScheme own(OwnScheme);
        own.setSyntax(QWebEngineUrlScheme::Syntax::Path);
        own.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::SecureScheme);
        QWebEngineUrlScheme::registerScheme(own);
    }
    if (QWebEngineUrlScheme::schemeByName(KeepScheme).name().isEmpty()) {
        QWebEngineUrlScheme keep(KeepScheme);
        keep.setSyntax(QWebEngineUrlScheme::Syntax::Path);
        QWebEngineUrlScheme::registerScheme(keep);
    }
}

void TWebProfile::onDownloadRequested(QObject *object)
{
    auto *request = qobject_cast<QWebEngineDownloadRequest *>(object);
    if (!request || request->state() != QWebEngineDownloadRequest::DownloadRequested)
        return;
    if (request->isSavePageDownload()) {
        // page->save(): the control that asked watches the request for completion.
        request->accept();
        return;
    }
    if (m_downloadHandler) {
        m_downloadHandler(request);
        return;
    }
    const QString suggested = TPaths::Join(request->downloadDirectory(), request->downloadFileName());
    const QString path = QFileDialog::getSaveFileName(QApplication::activeWindow(), tr("Save File"), suggested);
    if (path.isEmpty()) {
        request->cancel();
        return;
    }
    const QFileInfo info(path);
    request->setDownloadDirectory(info.absolutePath());
    request->setDownloadFileName(info.fileName());
    request->accept();
}

QString TWebProfile::EngineVersionText()
{
    return QLatin1String(qWebEngineVersion()) + QStringLiteral(" (Chromium ")
            + QLatin1String(qWebEngineChromiumVersion()) + QLatin1Char(')');
}
