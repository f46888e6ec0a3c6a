#pragma once
// Internet shortcut files (".url"): how the program recognises one, reads its target and
// writes one. The layout is an initialisation file:
//     [InternetShortcut]<CR LF>URL=<address><CR LF>
// further keys written by other programs may follow and are ignored. The favorites menu,
// the links bar, the side bar and the page icon's drag all use these functions.

#include <QString>

class QMimeData;

// A path is a shortcut when its last extension is ".url" in any case. The content is not
// looked at.
bool IsUrlShortcut(const QString &path);

// The value of "URL" in section "InternetShortcut", read with the profile-string rules
// (names without regard to case, blanks around the value dropped, at most 2047
// characters). "" for a missing or unreadable file, section or key, and for anything that
// is not a regular file (a FIFO or a device named "x.url" is never opened). Never raises.
QString ReadShortcutUrl(const QString &path);

// Writes exactly "[InternetShortcut]", CR LF, "URL=" + url, CR LF through a temporary
// file renamed over path: a failure leaves no file or the old one, never a half file.
// Line breaks in url are dropped (they would add keys). False with *error on failure.
bool WriteUrlShortcut(const QString &path, const QString &url, QString *error = nullptr);

// The same content as a new file: refused when path exists (never replaces anything), and
// without the flush to disk that a rewrite needs, so that an import of thousands of
// shortcuts stays quick. A failed write removes what it began.
bool CreateUrlShortcut(const QString &path, const QString &url, QString *error = nullptr);

// The file name a page is dragged out under, from its title and address:
//  - a title holding "//" (an untitled page shows its address) gives the part after its
//    last "/" or "\";
//  - any other title keeps only the letters A-Z and a-z, the digits and the space;
// then ".url" is appended. A name that would come out empty or begin with "." (hidden on
// this platform) uses the address's host instead ("Shortcut" without one); the name is
// cut to fit the file system's 255 bytes.
QString ShortcutFileName(const QString &title, const QString &url);

// The drag of a page out of the window: text/plain and text/x-moz-url (address and title)
// plus text/uri-list naming a shortcut file written into folder under ShortcutFileName.
// When the file cannot be written the drag carries the address as its uri-list instead.
// The caller owns the result.
QMimeData *MakeShortcutDragData(const QString &url, const QString &title, const QString &folder);
