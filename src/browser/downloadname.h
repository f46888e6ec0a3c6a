#pragma once
// File names for downloads. The name a server or a page suggests is only a suggestion: it
// may hold folder separators, "..", control characters or be longer than the file system
// allows. Cleaned, it is a plain name that, joined to the folder the user chose, names a
// file directly inside that folder.

#include <QString>

namespace TDownloadName {
// The longest name written, in UTF-8 bytes: the file system's 255 less room for a " (n)"
// that makes a name unique.
constexpr int MaxBytes = 240;

// A plain file name made from a suggested one: "/" and "\" and control characters become
// "_", leading dots and surrounding blanks go (no hidden files, no "." or ".."), trailing
// dots go, and a name over MaxBytes is cut at the end of its stem so that its extension
// stays. An empty result becomes "download".
QString Clean(const QString &suggested);

// name when no file of that name is in folder, else the first free "stem (n).ext".
QString Unique(const QString &folder, const QString &name);
}
