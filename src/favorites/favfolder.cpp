#include "favorites/favfolder.h"

#include "favorites/linkstree.h"
#include "favorites/urlshortcut.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QUrl>

#include <cstdio>

namespace {
bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

bool exists(const QString &path)
{
    // A dangling link is taken too.
    return QFileInfo(path).exists() || QFileInfo(path).isSymLink();
}

// Whether folder holds name in any case other than the entry except: two names differing
// only in case would look the same in the menus.
bool takenIgnoringCase(const QString &folder, const QString &name, const QString &except = QString())
{
    const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0 && entry != except)
            return true;
    }
    return false;
}

bool sameOrBelow(const QString &path, const QString &folder)
{
    const QString a = QFileInfo(path).canonicalFilePath();
    const QString b = QFileInfo(folder).canonicalFilePath();
    return !a.isEmpty() && !b.isEmpty() && (b == a || b.startsWith(a + QLatin1Char('/')));
}

void exportLevel(const QList<TLinkNode> &nodes, TBookmarkNode &into)
{
    for (const TLinkNode &node : nodes) {
        const QFileInfo info(node.Path);
        QDateTime added = info.birthTime();
        if (!added.isValid())
            added = info.lastModified();
        if (node.IsFolder) {
            TBookmarkNode folder = TBookmarkNode::Folder(node.Caption, added);
            exportLevel(node.Children, folder);
            into.children.append(folder);
        } else if (IsUrlShortcut(node.Path) && !node.Target.isEmpty()) {
            into.children.append(TBookmarkNode::Link(node.Caption, node.Target, added));
        }
    }
}
}

namespace TFavoritesFolder {

QString ShortcutPath(const QString &folder, const QString &title, const QString &url)
{
    return folder + QLatin1Char('/') + TSafeName::FromTitle(title, QUrl(url).host()) + QStringLiteral(".url");
}

bool CreateFolder(const QString &parent, const QString &name, QString *created, QString *error)
{
    if (!QFileInfo(parent).isDir())
        return fail(error, QStringLiteral("The folder \"%1\" does not exist.").arg(parent));
    const QString safe = TSafeName::FromTitle(name, QStringLiteral("New Folder"));
    const QString unique = TSafeName::Unique(safe, QString(), [&parent](const QString &n) {
        return exists(parent + QLatin1Char('/') + n);
    });
    const QString path = parent + QLatin1Char('/') + unique;
    if (!QDir().mkdir(path))
        return fail(error, QStringLiteral("The folder \"%1\" could not be created.").arg(unique));
    if (created)
        *created = path;
    return true;
}

bool Rename(const QString &path, const QString &newName, QString *renamed, QString *error)
{
    const QFileInfo info(path);
    if (!exists(path))
        return fail(error, QStringLiteral("\"%1\" no longer exists.").arg(info.fileName()));
    QString name = TSafeName::FromTitle(newName.trimmed());
    if (newName.trimmed().isEmpty())
        return fail(error, QStringLiteral("Please type a name."));
    // A file keeps its extension (a shortcut its ".url") when the new name lacks it.
    const QString extension = info.fileName().mid(CaptionFromFileName(info.fileName()).size());
    if (!info.isDir() && !extension.isEmpty() && !name.endsWith(extension, Qt::CaseInsensitive))
        name += extension;
    const QString target = info.absolutePath() + QLatin1Char('/') + name;
    if (target == info.absoluteFilePath()) {
        if (renamed)
            *renamed = target;
        return true;
    }
    // A change of case alone is a rename of the same entry, not a clash.
    if (takenIgnoringCase(info.absolutePath(), name, info.fileName()))
        return fail(error, QStringLiteral("\"%1\" already exists.").arg(name));
    if (::rename(QFile::encodeName(info.absoluteFilePath()).constData(), QFile::encodeName(target).constData()) != 0)
        return fail(error, QStringLiteral("\"%1\" could not be renamed.").arg(info.fileName()));
    if (renamed)
        *renamed = target;
    return true;
}

bool Move(const QString &path, const QString &targetFolder, QString *moved, QString *error)
{
    const QFileInfo info(path);
    if (!exists(path))
        return fail(error, QStringLiteral("\"%1\" no longer exists.").arg(info.fileName()));
    if (!QFileInfo(targetFolder).isDir())
        return fail(error, QStringLiteral("The folder \"%1\" does not exist.").arg(targetFolder));
    const QString target = QDir(targetFolder).absolutePath() + QLatin1Char('/') + info.fileName();
    if (QFileInfo(info.absolutePath()).canonicalFilePath() == QFileInfo(targetFolder).canonicalFilePath()) {
        if (moved)
            *moved = info.absoluteFilePath();
        return true;
    }
    if (info.isDir() && !info.isSymLink() && sameOrBelow(path, targetFolder))
        return fail(error, QStringLiteral("\"%1\" cannot be moved into itself.").arg(info.fileName()));
    if (exists(target) || takenIgnoringCase(targetFolder, info.fileName()))
        return fail(error, QStringLiteral("\"%1\" already exists in \"%2\".").arg(info.fileName(), QFileInfo(targetFolder).fileName()));
    if (::rename(QFile::encodeName(info.absoluteFilePath()).constData(), QFile::encodeName(target).constData()) != 0)
        return fail(error, QStringLiteral("\"%1\" could not be moved.").arg(info.fileName()));
    if (moved)
        *moved = target;
    return true;
}

bool Delete(const QString &path, QString *error)
{
    if (!exists(path))
        return fail(error, QStringLiteral("\"%1\" no longer exists.").arg(QFileInfo(path).fileName()));
    if (!QFile::moveToTrash(path))
        return fail(error, QStringLiteral("\"%1\" could not be moved to the trash.").arg(QFileInfo(path).fileName()));
    return true;
}

TBookmarkNode ExportTree(const QString &folder, const QString &heading)
{
    TBookmarkNode root = TBookmarkNode::Folder(heading);
    const TLinkListing tree = ReadLinkTree(folder);
    exportLevel(tree.Folders, root);
    exportLevel(tree.Files, root);
    return root;
}

TImportResult Import(const TBookmarkNode &root, const QString &folder)
{
    TImportResult result;
    // Names already in a folder, in lower case, read once per folder.
    QHash<QString, QSet<QString>> onDisk;
    const TImportPlan plan = PlanImport(root, [&folder, &onDisk](const QString &relative) {
        const int slash = relative.lastIndexOf(QLatin1Char('/'));
        const QString dir = folder + QLatin1Char('/') + relative.left(qMax(0, slash));
        auto it = onDisk.find(dir);
        if (it == onDisk.end()) {
            QSet<QString> names;
            const QStringList entries = QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
            for (const QString &entry : entries)
                names.insert(entry.toLower());
            it = onDisk.insert(dir, names);
        }
        return it->contains(relative.mid(slash + 1).toLower());
    });
    for (const TImportItem &item : plan.items) {
        const QString path = TSafeName::ResolveInside(folder, item.relativePath);
        bool ok = !path.isEmpty();
        QString why = QStringLiteral("\"%1\" would be written outside the folder.").arg(item.relativePath);
        if (ok && item.folder) {
            ok = QDir().mkdir(path) || QFileInfo(path).isDir();
            why = QStringLiteral("The folder \"%1\" could not be created.").arg(item.relativePath);
        } else if (ok) {
            ok = CreateUrlShortcut(path, item.url, &why);
        }
        if (ok) {
            ++(item.folder ? result.folders : result.shortcuts);
        } else {
            ++result.failed;
            if (result.error.isEmpty())
                result.error = why;
        }
    }
    return result;
}

}
