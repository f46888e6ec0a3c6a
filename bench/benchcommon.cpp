#include "benchcommon.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>

#include <algorithm>
#include <unistd.h>

namespace TBench {

bool PrepareEnvironment(const QTemporaryDir &root)
{
    if (!root.isValid())
        return false;
    for (const char *var : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR",
                            "HOME", "TABVANE_DATA_DIR"}) {
        const QString dir = root.path() + QLatin1Char('/') + QLatin1String(var);
        QDir().mkpath(dir);
        qputenv(var, dir.toLocal8Bit());
    }
    QFile::setPermissions(root.path() + QStringLiteral("/XDG_RUNTIME_DIR"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qunsetenv("TABVANE_REGISTRY");
    // The programs measured ask nothing and reach no network: no default-browser
    // question, no version check, the maker's hosts on a closed local port.
    qputenv("TABVANE_ASK_DEFAULT_BROWSER", "0");
    qputenv("TABVANE_VERSION_CHECK", "0");
    qputenv("TABVANE_MAKER_HOST", "http://127.0.0.1:9");
    qputenv("TABVANE_ADDON_MAKER_HOST", "http://127.0.0.1:9");
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}

double Median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const int n = int(values.size());
    return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2;
}

bool WaitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // Outside a running event loop, objects deleted later go only when asked.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

}
