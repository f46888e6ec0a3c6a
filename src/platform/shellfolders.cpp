#include "platform/shellfolders.h"

#include "platform/paths.h"
#include "platform/registry.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QUrl>

#include <cstdio>

namespace TShellFolders {

const QString ExplorerKey = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer");
const QString ShellFoldersKey = ExplorerKey + QStringLiteral("\\Shell Folders");
const QString UserShellFoldersKey = ExplorerKey + QStringLiteral("\\User Shell Folders");

namespace {
const QString IEToolbarKey = QStringLiteral("Software\\Microsoft\\Internet Explorer\\Toolbar");

void createFolders(const QString &name, const QString &path)
{
    QDir().mkpath(path);
    if (name == QLatin1String("Favorites"))
        QDir().mkpath(path + QStringLiteral("/Links"));
}

// The folder named `name`: the user's value, else the seeded default.
QString shellFolder(const QString &name, const QString &defaultPath)
{
    try {
        TRegistry hkcu;
        const RegValue user = hkcu.readValue(UserShellFoldersKey, name);
        if ((user.type == RegType::Sz || user.type == RegType::ExpandSz) && !user.text.trimmed().isEmpty())
            return QDir::cleanPath(ExpandEnvironmentStrings(user.text.trimmed()));
        const RegValue shell = hkcu.readValue(ShellFoldersKey, name);
        if ((shell.type == RegType::Sz || shell.type == RegType::ExpandSz) && !shell.text.trimmed().isEmpty())
            return QDir::cleanPath(shell.text.trimmed());
        // First use: both values name the default, and the folders exist.
        hkcu.writeString(ShellFoldersKey, name, defaultPath);
        hkcu.writeString(UserShellFoldersKey, name, defaultPath, RegType::ExpandSz);
        createFolders(name, defaultPath);
        return defaultPath;
    } catch (const RegistryError &e) {
        std::fprintf(stderr, "tabvane: the %s folder could not be looked up (%s); using %s\n",
                     qPrintable(name), e.what(), qPrintable(defaultPath));
        createFolders(name, defaultPath);
        return defaultPath;
    }
}
}

QString DefaultFavorites() { return TPaths::DataDir() + QStringLiteral("/Favorites"); }
QString DefaultHistory() { return TPaths::DataDir() + QStringLiteral("/History"); }

QString Favorites() { return shellFolder(QStringLiteral("Favorites"), DefaultFavorites()); }
QString History() { return shellFolder(QStringLiteral("History"), DefaultHistory()); }

QString LinksFolderName()
{
    try {
        const RegValue value = TRegistry().readValue(IEToolbarKey, QStringLiteral("LinksFolderName"));
        if ((value.type == RegType::Sz || value.type == RegType::ExpandSz) && !value.text.isEmpty())
            return value.text;
    } catch (const RegistryError &) {
    }
    return QStringLiteral("Links");
}

QString LinksFolder()
{
    const QString favorites = Favorites();
    if (favorites.isEmpty())
        return QString();
    // A name with separators or ".." would leave the Favorites folder.
    QString name = LinksFolderName();
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (name.split(QLatin1Char('/')).contains(QStringLiteral("..")))
        name = QStringLiteral("Links");
    return QDir::cleanPath(favorites + QLatin1Char('/') + name);
}

QString ExpandEnvironmentStrings(const QString &text)
{
    static const QRegularExpression variable(QStringLiteral("%([^%]+)%"));
    QString out;
    int last = 0;
    auto it = variable.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += text.mid(last, m.capturedStart() - last);
        const QByteArray name = m.captured(1).toLocal8Bit();
        out += qEnvironmentVariableIsSet(name.constData()) ? qEnvironmentVariable(name.constData())
                                                           : m.captured(0);
        last = m.capturedEnd();
    }
    return out + text.mid(last);
}

}

namespace TShellIcons {

namespace {
QFileIconProvider &provider()
{
    static QFileIconProvider p;
    return p;
}
}

QIcon FolderIcon()
{
    static const QIcon icon = QIcon::fromTheme(QStringLiteral("folder"), provider().icon(QAbstractFileIconProvider::Folder));
    return icon;
}

QIcon LinkIcon()
{
    static const QIcon icon = QIcon::fromTheme(QStringLiteral("text-html"), provider().icon(QAbstractFileIconProvider::File));
    return icon;
}

QIcon FileIcon(const QString &path)
{
    // By type, from the name alone: reading each file's content to tell its type would
    // cost a disk read per entry.
    static QHash<QString, QIcon> cache;
    static const QMimeDatabase mimes;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("url"))
        return LinkIcon();
    const auto found = cache.constFind(suffix);
    if (found != cache.constEnd())
        return *found;
    const QMimeType type = mimes.mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull())
        icon = provider().icon(QAbstractFileIconProvider::File);
    cache.insert(suffix, icon);
    return icon;
}

}

namespace TShellOpen {

bool IsProgramFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    if (info.isExecutable() || info.suffix().compare(QLatin1String("desktop"), Qt::CaseInsensitive) == 0)
        return true;
    static const QMimeDatabase mimes;
    const QMimeType type = mimes.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    for (const char *program : {"application/x-executable", "application/x-sharedlib", "application/x-shellscript",
                                "application/x-desktop", "application/x-ms-dos-executable", "application/x-msi",
                                "application/x-bat", "application/x-ms-shortcut"}) {
        if (type.inherits(QLatin1String(program)))
            return true;
    }
    return false;
}

bool OpenPath(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    if (IsProgramFile(path))
        return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absolutePath()));
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
}

}
