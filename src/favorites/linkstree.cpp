#include "favorites/linkstree.h"

#include "favorites/urlshortcut.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

#include <sys/stat.h>

namespace {
constexpr int MaxDepth = 64;

struct TDirKey {
    quint64 dev;
    quint64 ino;
    bool operator==(const TDirKey &o) const { return dev == o.dev && ino == o.ino; }
};
inline size_t qHash(const TDirKey &k, size_t seed = 0) { return ::qHash(k.ino ^ (k.dev << 32), seed); }

bool dirKey(const QString &path, TDirKey *key)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    *key = {quint64(st.st_dev), quint64(st.st_ino)};
    return true;
}

void sortByCaption(QList<TLinkNode> &nodes)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(nodes.begin(), nodes.end(), [&collator](const TLinkNode &a, const TLinkNode &b) {
        return collator.compare(a.Caption, b.Caption) < 0;
    });
}

TLinkListing listLevel(const QString &folder, const std::atomic<bool> *cancel)
{
    TLinkListing out;
    const QDir dir(folder);
    const QFileInfoList entries = dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System,
                                                    QDir::Unsorted);
    for (const QFileInfo &info : entries) {
        if (cancel && cancel->load())
            break;
        const QString name = info.fileName();
        if (name.startsWith(QLatin1Char('.')))
            continue;
        TLinkNode node;
        node.Path = info.absoluteFilePath();
        if (info.isDir()) {
            node.IsFolder = true;
            node.Caption = name;
            node.Target = node.Path;
            out.Folders.append(node);
        } else if (info.isFile()) {   // regular files (through links) only
            node.Caption = CaptionFromFileName(name);
            node.Target = IsUrlShortcut(name) ? ReadShortcutUrl(node.Path) : node.Path;
            out.Files.append(node);
        }
    }
    sortByCaption(out.Folders);
    sortByCaption(out.Files);
    return out;
}

void readTree(TLinkNode &folder, int depth, QSet<TDirKey> &open, TLinkListing &totals,
              const std::atomic<bool> *cancel)
{
    TDirKey key{};
    if (depth > MaxDepth || !dirKey(folder.Path, &key) || open.contains(key))
        return;
    open.insert(key);
    TLinkListing level = listLevel(folder.Path, cancel);
    for (TLinkNode &sub : level.Folders) {
        if (cancel && cancel->load())
            break;
        readTree(sub, depth + 1, open, totals, cancel);
    }
    totals.FolderCount += level.Folders.size();
    totals.FileCount += level.Files.size();
    folder.Children = level.Folders + level.Files;
    open.remove(key);
}
}

QString CaptionFromFileName(const QString &name)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || name.size() - dot - 1 < 1 || name.size() - dot - 1 > 8)
        return name;
    bool letter = false;
    for (int i = dot + 1; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (!c.isLetterOrNumber())
            return name;
        letter = letter || c.isLetter();
    }
    return letter ? name.left(dot) : name;
}

QString ShortenCaption(const QString &name)
{
    if (name.size() < 46)
        return name;
    return name.left(21) + QStringLiteral("...") + name.right(21);
}

TLinkListing ListLinkFolder(const QString &folder)
{
    return listLevel(folder, nullptr);
}

TLinkListing ReadLinkTree(const QString &folder, const std::atomic<bool> *cancel)
{
    TLinkListing out;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return out;
    TLinkNode root;
    root.Path = QFileInfo(folder).absoluteFilePath();
    QSet<TDirKey> open;
    readTree(root, 0, open, out, cancel);
    for (const TLinkNode &node : std::as_const(root.Children))
        (node.IsFolder ? out.Folders : out.Files).append(node);
    return out;
}
