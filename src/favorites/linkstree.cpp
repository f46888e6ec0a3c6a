#include "favorites/linkstree.h"

#include "favorites/urlshortcut.h"
#include "platform/inifile.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int MaxDepth = 64;

struct TDirKey {
    quint64 dev;
    quint64 ino;
    bool operator==(const TDirKey &o) const { return dev == o.dev && ino == o.ino; }
};
inline size_t qHash(const TDirKey &k, size_t seed = 0) { return ::qHash(k.ino ^ (k.dev << 32), seed); }

bool dirKey(const QByteArray &path, TDirKey *key)
{
    struct stat st {};
    if (::stat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    *key = {quint64(st.st_dev), quint64(st.st_ino)};
    return true;
}

void sortByCaption(QList<TLinkNode> &nodes)
{
    // Making a collator costs far more than sorting a folder: one per thread.
    thread_local QCollator collator = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    std::stable_sort(nodes.begin(), nodes.end(), [](const TLinkNode &a, const TLinkNode &b) {
        return collator.compare(a.Caption, b.Caption) < 0;
    });
}

// A name as the user sees it: UTF-8, or Windows-1252 for the bytes of a folder copied
// from Windows by a tool that kept them.
QString decodedName(const QByteArray &bytes)
{
    const QString name = QFile::decodeName(bytes);
    return QFile::encodeName(name) == bytes ? name : TIniFile::DecodeText(bytes);
}

// The shortcut's address, also for a path whose bytes no string names: it is opened by
// its bytes and read through the descriptor.
QString shortcutUrl(const QString &path, const QByteArray &raw)
{
    if (QFile::encodeName(path) == raw)
        return ReadShortcutUrl(path);
    const int fd = ::open(raw.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return QString();
    const QString url = ReadShortcutUrl(QStringLiteral("/proc/self/fd/%1").arg(fd));
    ::close(fd);
    return url;
}

TLinkListing listLevel(const QString &folder, const QByteArray &raw, const std::atomic<bool> *cancel,
                       bool readShortcuts = true)
{
    TLinkListing out;
    DIR *dir = ::opendir(raw.constData());
    if (!dir)
        return out;
    while (const dirent *e = ::readdir(dir)) {
        if (cancel && cancel->load())
            break;
        const QByteArray name(e->d_name);
        if (name.startsWith('.'))
            continue;   // ".", ".." and hidden entries
        TLinkNode node;
        node.RawPath = raw + '/' + name;
        struct stat st {};
        if (::stat(node.RawPath.constData(), &st) != 0)
            continue;   // a dangling link
        const QString display = decodedName(name);
        node.Path = folder + QLatin1Char('/') + display;
        if (S_ISDIR(st.st_mode)) {
            node.IsFolder = true;
            node.Caption = display;
            node.Target = node.Path;
            out.Folders.append(node);
        } else if (S_ISREG(st.st_mode)) {   // never a FIFO, socket or device
            node.Caption = CaptionFromFileName(display);
            if (!IsUrlShortcut(display))
                node.Target = node.Path;
            else if (readShortcuts)
                node.Target = shortcutUrl(node.Path, node.RawPath);
            else
                node.TargetPending = true;
            out.Files.append(node);
        }
    }
    ::closedir(dir);
    sortByCaption(out.Folders);
    sortByCaption(out.Files);
    return out;
}

void readTree(TLinkNode &folder, int depth, QSet<TDirKey> &open, TLinkListing &totals,
              const std::atomic<bool> *cancel)
{
    TDirKey key{};
    if (depth > MaxDepth || !dirKey(folder.RawPath, &key) || open.contains(key))
        return;
    open.insert(key);
    TLinkListing level = listLevel(folder.Path, folder.RawPath, cancel);
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

TLinkListing ListLinkFolder(const QString &folder, bool readShortcuts)
{
    const QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    return listLevel(path, QFile::encodeName(path), nullptr, readShortcuts);
}

QString ReadLinkTarget(const QString &path, const QByteArray &rawPath)
{
    return shortcutUrl(path, rawPath);
}

TLinkListing ReadLinkTree(const QString &folder, const std::atomic<bool> *cancel)
{
    TLinkListing out;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return out;
    TLinkNode root;
    root.Path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    root.RawPath = QFile::encodeName(root.Path);
    QSet<TDirKey> open;
    readTree(root, 0, open, out, cancel);
    for (const TLinkNode &node : std::as_const(root.Children))
        (node.IsFolder ? out.Folders : out.Files).append(node);
    return out;
}
