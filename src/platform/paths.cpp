#include "platform/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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

QString ConfigDir()
{
    return ensured(xdgDir("XDG_CONFIG_HOME", QStringLiteral("/.config")) + QStringLiteral("/tabvane"));
}

QString UserDataDir()
{
    return ensured(xdgDir("XDG_DATA_HOME", QStringLiteral("/.local/share")) + QStringLiteral("/tabvane"));
}

QString RuntimeDir()
{
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::tempPath() + QStringLiteral("/tabvane-runtime-") + QString::number(getuid());
    const QString dir = base + QStringLiteral("/tabvane");
    QDir().mkpath(dir);
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return dir;
}

QString DataDir()
{
    const QString forced = qEnvironmentVariable("TABVANE_DATA_DIR");
    if (!forced.isEmpty())
        return ensured(forced);
    const QString programDir = ProgramDir();
    const QFileInfo info(programDir);
    if (info.isDir() && info.isWritable())
        return programDir;
    return UserDataDir();
}

QString Join(const QString &dir, const QString &name)
{
    if (dir.endsWith(QLatin1Char('/')))
        return dir + name;
    return dir + QLatin1Char('/') + name;
}

}
