#pragma once
// The desktop's special folders the favorites, links and history read from, and the
// desktop's ways of showing and opening files.
//
// The folders are kept where the platform keeps them: the values "Favorites" and
// "History" of "User Shell Folders" (REG_EXPAND_SZ, "%NAME%" expanded from the
// environment) and, when that is empty, of "Shell Folders", both under
// HKCU "Software\Microsoft\Windows\CurrentVersion\Explorer". The first use seeds both
// with $TABVANE_DATA_DIR (else $XDG_DATA_HOME/tabvane) + "/Favorites" (with its "Links"
// subfolder) and "/History", and creates those folders when missing. A user who copies a
// Windows Favorites folder there gets it as it was.

#include <QIcon>
#include <QString>

namespace TShellFolders {
extern const QString ExplorerKey;        // ...\CurrentVersion\Explorer
extern const QString ShellFoldersKey;    // ExplorerKey + "\Shell Folders"
extern const QString UserShellFoldersKey;

// The folder path; "" when the hive names none and it cannot be seeded. A hive that
// cannot be read gives the default path (not written). Never raises.
QString Favorites();
QString History();
// The default folders the first use seeds (not created by this call).
QString DefaultFavorites();
QString DefaultHistory();

// "LinksFolderName" of "Software\Microsoft\Internet Explorer\Toolbar"; "Links" when
// missing or unreadable.
QString LinksFolderName();
// Favorites() + "/" + LinksFolderName(); "" without a Favorites folder.
QString LinksFolder();

// "%NAME%" parts replaced by the environment's values (unknown names stay as they are).
QString ExpandEnvironmentStrings(const QString &text);
}

namespace TShellIcons {
// Small icons from the desktop's theme: the folder icon, the icon of a file by its type
// (a ".url" shortcut shows the text/html icon), and the program's own fixed pictures
// for a link and a folder when custom icons are off. Looked up once per file type.
QIcon FolderIcon();
QIcon FileIcon(const QString &path);
QIcon LinkIcon();
}

namespace TShellOpen {
// Opens a file with the desktop's application for its type, or a folder in the desktop's
// file manager (QDesktopServices, so tests can catch it with setUrlHandler("file")).
// A file that is a program (executable, or a desktop entry) is never started: its folder
// is shown instead. False when nothing could be opened.
bool OpenPath(const QString &path);
// Whether the desktop would run the file as a program when it opens it.
bool IsProgramFile(const QString &path);
}
