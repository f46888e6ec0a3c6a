#pragma once
// The Edit-document menu: the applications listed under HKCR ".htm\OpenWithList", each a
// subkey named after the application with its command line as the default value of
// "shell\edit\command" ("%1" stands for the file).
//
// On Linux the list is seeded, when the key is missing, from the desktop's application
// entries: an application is offered when its MimeType lists text/html and it is not a web
// browser (Categories without WebBrowser), or when its Categories include TextEditor.
// Entries that are Hidden, NoDisplay, not of Type Application, or whose TryExec is not
// installed are skipped. Its Exec line becomes the command: the first of the field codes
// %f %F %u %U becomes "%1", other field codes are dropped.

#include <QList>
#include <QString>
#include <QStringList>

namespace TEditDocument {

extern const QString OpenWithListKey;   // ".htm\OpenWithList"

struct TDesktopEditor {
    QString id;        // desktop file id, e.g. "org.example.Editor.desktop"
    QString name;      // its Name, the menu caption and subkey name
    QString command;   // the command line built from its Exec
};

// $XDG_DATA_HOME/applications, then each $XDG_DATA_DIRS/applications.
QStringList ApplicationDirs();
// The applications the rule above offers, by name; the first entry of an id wins.
QList<TDesktopEditor> FindHtmlEditors(const QStringList &dirs = ApplicationDirs());

// Exec value (unescaped) to arguments with the desktop entry quoting rules; empty when
// the quoting is broken.
QStringList SplitDesktopExec(const QString &exec);
// Exec value to a command line with "%1" for the file; "" when unusable.
QString DesktopExecToCommand(const QString &exec);
// Arguments to a command line that QProcess::splitCommand turns back into the same list.
QString JoinCommand(const QStringList &args);

// Writes the desktop's editors under the key when the key is missing. Returns whether it
// wrote any; a failing write is logged and leaves the menu as far as it got.
bool SeedOpenWithList(const QStringList &dirs = ApplicationDirs());
// The menu items: the subkey names (seeding first).
QStringList Items();
// The command line stored for an item; "" when missing.
QString Command(const QString &name);
// The command split into arguments with the first "%1" replaced by filePath; a command
// without "%1" gets no file. Splitting comes first, so a path with blanks or quotes stays
// one argument.
QStringList CommandArguments(const QString &command, const QString &filePath);
// Starts the command detached (never through a shell). False for an empty command or
// when the program cannot be started.
bool RunCommand(const QString &command, const QString &filePath);
bool Run(const QString &name, const QString &filePath);

}
