#pragma once
// The Links folder as a tree in memory, read without widgets (also on a worker thread).
// Each level lists its subfolders (names not beginning with "."), then its files (names
// not beginning with ".", regular files only: a FIFO, socket or device is left out),
// each part sorted by caption without regard to case, in locale order.
//  - A folder's caption is its name; its target is its full path.
//  - A file's caption is its name less its extension (CaptionFromFileName); its target is the address read from it when it is an Internet shortcut, else its path.
// Captions are kept as the names are: showing "&" literally is the widgets' job.
// Names that are not UTF-8 are read as Windows-1252 and their files still read.
// Symbolic links are followed, but a folder already open on the way down (a link back up
// the tree) is not entered again.

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>

struct TLinkNode {
    QString Caption;
    QString Target;   // address or full path; "" for a shortcut without address
    QString Path;     // full path of the file or folder
    QByteArray RawPath;   // the same path as bytes on disk (a name copied from Windows in
                          // Windows-1252 shows decoded in Path and opens by these bytes)
    bool IsFolder = false;
    bool TargetPending = false;   // a shortcut whose address was left to be read when needed
    QList<TLinkNode> Children;   // folders only
};

struct TLinkListing {
    QList<TLinkNode> Folders;
    QList<TLinkNode> Files;
    int FileCount = 0;   // in the whole tree
    int FolderCount = 0;
};

// One level: folders (without their contents) and files.
// readShortcuts false: shortcuts are not opened, their Target is left empty and
// TargetPending set (ReadLinkTarget reads it when it is wanted): a folder of thousands
// of shortcuts lists without opening each file.
TLinkListing ListLinkFolder(const QString &folder, bool readShortcuts = true);

// A shortcut's address, by its path and the bytes of that path on disk.
QString ReadLinkTarget(const QString &path, const QByteArray &rawPath);

// A file's name less its extension: the part after the last dot when it is a real
// extension (one to eight letters and digits, at least one a letter, after a non-empty
// name). "readme", "Release 1.2" and "Notes. Monday" keep their whole name.
QString CaptionFromFileName(const QString &name);

// Names of 46 characters or more become their first 21 characters, "..." and their last
// 21, so that a menu stays narrow; shorter names are kept.
QString ShortenCaption(const QString &name);

// The whole tree below folder, folders first. A set cancel flag ends the walk early (the
// result is then incomplete). A missing folder gives an empty listing.
TLinkListing ReadLinkTree(const QString &folder, const std::atomic<bool> *cancel = nullptr);
