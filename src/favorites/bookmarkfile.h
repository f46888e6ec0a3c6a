#pragma once
// Bookmark files in the Netscape format that every browser imports and exports
// ("<!DOCTYPE NETSCAPE-Bookmark-file-1>": nested <DL> lists, folders as <DT><H3>, links as
// <DT><A HREF>), read into and written from a simple tree; and the plan that turns such a
// tree into the folders and shortcut files to create under a Favorites folder.
//
// The reader takes files as Firefox, Chrome, Edge and Internet Explorer write them:
// upper- or lower-case tags, quoted, unquoted or valueless attributes (ICON, ADD_DATE,
// FOLDED ...), character entities, UTF-8 (or a legacy 8-bit code page, or UTF-16 with a byte
// order mark), CR LF, and tags left unclosed. It never recurses, so hostile nesting cannot
// exhaust the stack: folders nested deeper than MaxFolderDepth give their entries to the
// deepest folder kept.
//
// The planner makes every title a safe file name and refuses any path that would leave the
// chosen folder, whatever the file holds.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>

struct TBookmarkNode {
    enum class Kind { Folder, Link };
    Kind kind = Kind::Folder;
    QString title;
    QString url;              // links
    QDateTime added;          // ADD_DATE; invalid when unknown
    QDateTime modified;       // LAST_MODIFIED (folders); invalid when unknown
    QList<TBookmarkNode> children;

    bool isFolder() const { return kind == Kind::Folder; }
    static TBookmarkNode Folder(const QString &title, const QDateTime &added = QDateTime());
    static TBookmarkNode Link(const QString &title, const QString &url, const QDateTime &added = QDateTime());
};

struct TBookmarkReadResult {
    bool ok = false;
    QString error;            // why nothing was read
    TBookmarkNode root;       // a folder titled with the file's heading
    int folders = 0;
    int links = 0;
    int skipped = 0;          // entries that are no address to keep (Firefox "place:" queries)
};

namespace TBookmarkFile {

constexpr int MaxFolderDepth = 100;
constexpr qint64 MaxFileSize = 256LL * 1024 * 1024;

TBookmarkReadResult Parse(const QByteArray &data);
TBookmarkReadResult Read(const QString &path);            // refuses files over MaxFileSize

// The root's children as a bookmark file (UTF-8, the root's title as its heading).
QByteArray Write(const TBookmarkNode &root);
// Written through a temporary file and renamed into place; false (and why) on failure.
bool Save(const QString &path, const TBookmarkNode &root, QString *error = nullptr);

// Seconds since 1970 as written in ADD_DATE; milliseconds and microseconds (written by some
// programs) are recognised by their size. Invalid for 0, negative or unreadable text.
QDateTime ParseDate(const QString &text);

}

// File names made from titles.
namespace TSafeName {

constexpr int MaxNameBytes = 200;        // UTF-8 bytes, leaving room for " (n)" and ".url"
constexpr int MaxRelativePathBytes = 3000;

// A title as a name for one file or folder: "/" and "\" become "-", control characters
// spaces, white space is collapsed, leading dots are removed (no hidden files, no "." or
// ".."), and long names are cut to MaxNameBytes at a character boundary. An empty result
// falls back to fallback (made safe the same way), then to "Untitled".
QString FromTitle(const QString &title, const QString &fallback = QString());

// base + extension, or base + " (2)" + extension, " (3)" ... : the first that taken() refuses.
QString Unique(const QString &base, const QString &extension, const std::function<bool(const QString &)> &taken);

// A relative path of names separated by "/", none empty, ".", "..", hidden or over-long.
bool IsSafeRelativePath(const QString &relativePath);
// folder + relativePath when it stays inside folder (no link on the way leads out of it);
// "" otherwise.
QString ResolveInside(const QString &folder, const QString &relativePath);

}

struct TImportItem {
    bool folder = false;
    QString relativePath;     // "/"-separated, below the chosen folder; shortcuts end in ".url"
    QString title;
    QString url;              // shortcuts
    QDateTime added;
};

struct TImportPlan {
    QList<TImportItem> items;   // every folder comes before what it holds
    int folders = 0;
    int shortcuts = 0;
};

// The folders and shortcut files that importing root creates. existsOnDisk(relativePath)
// tells which names the chosen folder already holds: they are never planned over.
// Folders whose path would grow past MaxRelativePathBytes give their entries to their parent.
TImportPlan PlanImport(const TBookmarkNode &root,
                       const std::function<bool(const QString &relativePath)> &existsOnDisk = {});
