#pragma once
// Desktop entries (the freedesktop.org Desktop Entry format): reading an entry, splitting
// and expanding its Exec line, finding the entries that handle a MIME type or URL scheme,
// and starting one. Programs are started from argument lists, never through a shell.

#include <QString>
#include <QStringList>

struct TDesktopEntry {
    QString id;          // "thunderbird.desktop"
    QString path;
    QString name;
    QString exec;        // the Exec value, string escapes undone
    QString icon;
    QStringList mimeTypes;
    bool hidden = false; // Hidden=true: the entry counts as deleted
    bool valid() const { return !id.isEmpty() && !exec.isEmpty() && !hidden; }
};

namespace TDesktopEntries {
// Reads the [Desktop Entry] group of a file; an entry that cannot be read is not valid().
TDesktopEntry Read(const QString &path, const QString &id = QString());
// Undoes the string escapes of a value: \s \n \t \r \\; any other backslash pair is
// kept as it is (the Exec rules read it later).
QString UnescapeValue(const QString &value);
// Splits an Exec value into its arguments with the format's quoting rules. *ok is false
// for an unterminated quote or a reserved character outside quotes.
QStringList SplitExec(const QString &exec, bool *ok);
// The command line for the entry with its field codes expanded: %u/%f take the first of
// urls, %U/%F all of them, %i the icon, %c the name, %k the file, %% a "%"; the deprecated
// codes go. *ok is false for a line that cannot be split or an unknown field code.
QStringList Expand(const TDesktopEntry &entry, const QStringList &urls, bool *ok);
// The installed entry with that id (the user's folder first); not valid() when none.
TDesktopEntry Find(const QString &id);
// Every installed entry that declares the type, the user's first, each id once.
QList<TDesktopEntry> Handlers(const QString &mimeType);
// Starts the entry's command for the urls; false (and *error) when it cannot be started.
bool Launch(const TDesktopEntry &entry, const QStringList &urls, QString *error);
// Starts a command line given as arguments.
bool Start(const QStringList &command, QString *error);
}
