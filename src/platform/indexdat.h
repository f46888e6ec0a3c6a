#pragma once
// Reader for the history index files ("index.dat") that Windows browsers kept in their
// History folder. A user who copies an old Windows History folder into Tabvane's History
// folder gets its pages searched by the side bar's Find.
//
// The file is a sequence of 128-byte blocks. An entry starts at a block whose first byte
// is 'U'; the byte at offset 4 of that block is the entry's length in blocks, and the
// following blocks up to that length belong to it. Zero bytes of an entry's blocks read as
// byte 1. Inside the joined blocks the address follows the first '@' and ends before the
// next byte 1; the title follows the first byte 0x1F after the address (or starts right
// after the address when there is none) and ends at the first pair of bytes 1. Only the
// printable ASCII characters of the title are kept.
//
// An entry that claims one block or none is complete at once. An entry without '@' gives
// nothing. A file that ends inside an entry or in the middle of a block is truncated: the
// entries completed before that point are kept, the rest is dropped.

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

class QIODevice;

struct TIndexDatEntry {
    QString url;
    QString title;   // "" when the entry has none
    // The caption a list shows: the title, else the address.
    QString Caption() const { return title.isEmpty() ? url : title; }
};

namespace TIndexDat {
constexpr int BlockSize = 128;

// One entry's joined blocks (zeros already read as 1) to its address and title. False
// when the text holds no '@'.
bool ParseEntry(const QByteArray &text, TIndexDatEntry &entry);

enum class TReadResult { Complete, Truncated, Unreadable };

// Reads the entries of device in file order, handing each to onEntry. cancelled (may be
// null) is polled between blocks; a cancelled read stops and reports Complete.
TReadResult Read(QIODevice &device, const std::function<void(const TIndexDatEntry &)> &onEntry,
                 const std::atomic<bool> *cancelled = nullptr);
// The same for a file; a missing file, a folder, a pipe or a file that cannot be opened is
// Unreadable (nothing is read from anything but a regular file).
TReadResult ReadFile(const QString &path, const std::function<void(const TIndexDatEntry &)> &onEntry,
                     const std::atomic<bool> *cancelled = nullptr);

// The index files a history folder holds: the folder's "History.IE5" subfolder is used
// when it exists; then every "index.dat" directly in it and in each of its subfolders
// whose name does not begin with "." (names compared without case, as a copy from a
// Windows disk may have them in capitals). Sorted by path without case, as Windows lists them.
QStringList FilesIn(const QString &historyFolder);
}
