#include "testenv.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcessEnvironment>

#include <unistd.h>

TTestEnv::TTestEnv()
{
    m_dir.setAutoRemove(true);
    const QString base = m_dir.path();
    const struct { const char *var; const char *sub; } dirs[] = {
        {"XDG_CONFIG_HOME", "/config"}, {"XDG_DATA_HOME", "/data"},
        {"XDG_CACHE_HOME", "/cache"},   {"XDG_RUNTIME_DIR", "/runtime"},
        {"HOME", "/home"},              {"TABVANE_DATA_DIR", "/program"},
    };
    for (const auto &d : dirs) {
        const QString path = base + QLatin1String(d.sub);
        QDir().mkpath(path);
        qputenv(d.var, path.toLocal8Bit());
    }
    QFile::setPermissions(base + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qunsetenv("TABVANE_REGISTRY");
    // Nothing a test starts may ask a question nobody answers or reach the network: no
    // default-browser question, no version check, and the maker's hosts on a local port
    // where nothing listens. Tests of those features set their own values.
    qputenv("TABVANE_ASK_DEFAULT_BROWSER", "0");
    qputenv("TABVANE_VERSION_CHECK", "0");
    qputenv("TABVANE_MAKER_HOST", "http://127.0.0.1:9");
    qputenv("TABVANE_ADDON_MAKER_HOST", "http://127.0.0.1:9");
}

QString TTestEnv::configHome() const { return m_dir.path() + QStringLiteral("/config"); }
QString TTestEnv::dataHome() const { return m_dir.path() + QStringLiteral("/data"); }
QString TTestEnv::runtimeDir() const { return m_dir.path() + QStringLiteral("/runtime"); }
QString TTestEnv::dataDir() const { return m_dir.path() + QStringLiteral("/program"); }
QString TTestEnv::registryPath() const { return configHome() + QStringLiteral("/tabvane/registry.db"); }

QStringList TTestEnv::childEnvironment() const
{
    return QProcessEnvironment::systemEnvironment().toStringList();
}

void TTestEnv::prepareWebEngine()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}
