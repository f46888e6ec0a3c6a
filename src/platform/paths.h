#pragma once
// Where the program keeps its files on Linux.

#include <QString>
#include <QStringList>

namespace TPaths {
// The user's data folder: every file the program writes for the user lives here (the files
// kept "beside the program" elsewhere: VessaGroups, tbmain.dat; the web profile; the
// history). $TABVANE_DATA_DIR when set, else $XDG_DATA_HOME/tabvane; created on use. The
// program never writes beside its executable.
QString DataDir();
// $XDG_CONFIG_HOME/tabvane; created on use.
QString ConfigDir();
// The per-user folder for the instance lock and the wake-up sockets: $XDG_RUNTIME_DIR/tabvane,
// or below the temporary folder when XDG_RUNTIME_DIR is not set. Made 0700 when missing; a
// folder that is a symbolic link, belongs to another user or is open to others is refused:
// the result is then "" and *error says why.
QString RuntimeDir(QString *error = nullptr);
// Makes path a folder only this user can use: created 0700 when missing; false (and *error
// set) when it is a symbolic link, not a folder, owned by another user or open to group or
// others.
bool EnsurePrivateFolder(const QString &path, QString *error);
// A folder of this run's own for temporary files handed to other programs (a page for an
// editor, a mail attachment): made 0700 with an unpredictable name on first use, removed
// with its contents when the application object goes. "" when it cannot be made.
QString RunTempDir();
// The folders that hold the read-only files shipped with the program (the user guide), in
// search order: the executable's folder (a build tree) and the installed share folder
// (<prefix>/share/tabvane beside <prefix>/bin).
QStringList ShippedDirs();
// The folder of the running executable.
QString ProgramDir();
QString ExecutablePath();
// Joins folder and name with one "/".
QString Join(const QString &dir, const QString &name);
}
