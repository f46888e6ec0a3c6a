#include "platform/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString ensured(const QString &dir)
{
    QDir().mkpath(dir);
    return dir;
}

QString xdgDir(const char *variable, const QString &fallbackBelowHome)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return value;
    return QDir::homePath() + fallbackBelowHome;
}

// Owns this run's temporary folder; a child of the application object, so the folder goes
// when the application does.
class TRunTempDirOwner : public QObject {
public:
    explicit TRunTempDirOwner(QObject *parent)
        : QObject(parent), m_dir(QDir::tempPath() + QStringLiteral("/tabvane-XXXXXX"))
    {
        setObjectName(QStringLiteral("tabvaneRunTempDir"));
    }
    QString path() const { return m_dir.isValid() ? m_dir.path() : QString(); }

private:
    QTemporaryDir m_dir;   // made 0700 with a random name
};

QPointer<TRunTempDirOwner> g_runTempDir;
}

namespace TPaths {

QString ExecutablePath()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString ProgramDir()
{
    return QFileInfo(ExecutablePath()).absolutePath();
}

QStringList ShippedDirs()
{
    const QString program = ProgramDir();
    return {program, QDir::cleanPath(program + QStringLiteral("/../share/tabvane"))};
}

QString ConfigDir()
{
    return ensured(xdgDir("XDG_CONFIG_HOME", QStringLiteral("/.config")) + QStringLiteral("/tabvane"));
}

bool EnsurePrivateFolder(const QString &path, QString *error)
{
    const QByteArray native = QFile::encodeName(path);
    const auto fail = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("the folder %1 %2").arg(path, why);
        return false;
    };
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return fail(QStringLiteral("cannot be created: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0)
        return fail(QStringLiteral("cannot be read: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    if (S_ISLNK(st.st_mode))
        return fail(QStringLiteral("is a symbolic link"));
    if (!S_ISDIR(st.st_mode))
        return fail(QStringLiteral("is not a folder"));
    if (st.st_uid != ::geteuid())
        return fail(QStringLiteral("belongs to another user"));
    if (st.st_mode & 077)
        return fail(QStringLiteral("can be used by other users (mode %1)")
                            .arg(st.st_mode & 0777, 3, 8, QLatin1Char('0')));
    return true;
}

QString RuntimeDir(QString *error)
{
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        // The temporary folder is shared by every user: anyone could have made this name
        // first and would then own the lock and the sockets.
        base = QDir::tempPath() + QStringLiteral("/tabvane-runtime-") + QString::number(::geteuid());
        if (!EnsurePrivateFolder(base, error))
            return QString();
    } else {
        QDir().mkpath(base);
    }
    const QString dir = base + QStringLiteral("/tabvane");
    if (!EnsurePrivateFolder(dir, error))
        return QString();
    return dir;
}

QString RunTempDir()
{
    if (!g_runTempDir) {
        QObject *app = QCoreApplication::instance();
        if (!app)
            return QString();
        g_runTempDir = new TRunTempDirOwner(app);
    }
    const QString path = g_runTempDir->path();
    if (path.isEmpty())
        delete g_runTempDir.data();   // tried again next time
    return path;
}

QString DataDir()
{
    const QString forced = qEnvironmentVariable("TABVANE_DATA_DIR");
    if (!forced.isEmpty())
        return ensured(forced);
    return ensured(xdgDir("XDG_DATA_HOME", QStringLiteral("/.local/share")) + QStringLiteral("/tabvane"));
}

QString Join(const QString &dir, const QString &name)
{
    if (dir.endsWith(QLatin1Char('/')))
        return dir + name;
    return dir + QLatin1Char('/') + name;
}

}
