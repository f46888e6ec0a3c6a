#pragma once
// Operations on the Favorites folder that the Add and Organize dialogs, export and import
// run, without widgets. Every name that comes from a page title, a bookmark file or the
// user is made safe as a file name first (TSafeName), and nothing is ever written outside
// the folder it was asked for. Failures come back as false with a message for the user;
// nothing raises.

#include "favorites/bookmarkfile.h"

#include <QString>

namespace TFavoritesFolder {

// folder + "/" + the title made safe + ".url".
QString ShortcutPath(const QString &folder, const QString &title, const QString &url = QString());

// A new folder named name (made safe) in parent; a taken name gets " (2)", " (3)" ...
// *created: its full path.
bool CreateFolder(const QString &parent, const QString &name, QString *created, QString *error);

// Renames a file or folder in place (the name made safe). A file keeps its extension when
// the new name lacks it. Refused when the new name is taken by another entry. *renamed: the new full path.
bool Rename(const QString &path, const QString &newName, QString *renamed, QString *error);

// Moves a file or folder into targetFolder. Refused when the name is taken there, and for a
// folder moved into itself or below itself. Moving into its own folder changes nothing.
bool Move(const QString &path, const QString &targetFolder, QString *moved, QString *error);

// Moves a file or folder to the desktop's trash.
bool Delete(const QString &path, QString *error);

// The folder's shortcuts as a bookmark tree: subfolders as folders, ".url" files as links
// titled with their name less ".url", other files left out; each sorted as the menus sort
// them; ADD_DATE from the file's birth time (its last change where unknown).
TBookmarkNode ExportTree(const QString &folder, const QString &heading = QStringLiteral("Bookmarks"));

struct TImportResult {
    int folders = 0;
    int shortcuts = 0;
    int failed = 0;       // planned entries that could not be written (or would leave the folder)
    QString error;        // the first failure
};

// Creates root's folders and shortcuts below folder (which must exist). Existing names are
// never overwritten: a taken name gets " (2)".
TImportResult Import(const TBookmarkNode &root, const QString &folder);

}
