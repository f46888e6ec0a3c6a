#pragma once
// Where the program keeps its files on Linux.

#include <QString>

namespace TPaths {
// The program's data folder, where the files kept "beside the program" live (VessaGroups,
// tbmain.dat, the user guide): $TABVANE_DATA_DIR when set; else the executable's folder
// when it is writable (a build tree or a portable copy); else $XDG_DATA_HOME/tabvane.
QString DataDir();
// $XDG_CONFIG_HOME/tabvane, $XDG_DATA_HOME/tabvane, $XDG_RUNTIME_DIR/tabvane; created on use.
QString ConfigDir();
QString UserDataDir();
QString RuntimeDir();
// The folder with the program's shipped files (help); the executable's folder, falling
// back to the installed share folder.
QString ProgramDir();
QString ExecutablePath();
// Joins folder and name with one "/".
QString Join(const QString &dir, const QString &name);
}
