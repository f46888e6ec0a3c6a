#pragma once
// The ".reg" text format (export and import of hive keys) and the command set of the
// tabvane-reg tool, kept apart from its main so both can be tested without a process.
//
// Export writes UTF-8 without a byte order mark and LF line ends. Import reads UTF-16LE
// with a byte order mark (as the Windows registry editor writes it), UTF-16BE with a mark,
// and UTF-8 with or without one, with CR LF or LF line ends. UTF-16 without a mark is no
// registry file, as on Windows.

#include "platform/registry.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class QTextStream;

namespace RegFile {

// "HKCU\Software\X" or "HKEY_CURRENT_USER\Software\X"; root names compare without case.
bool parseKeyName(const QString &name, RegRoot *root, QString *path);
QString fullKeyName(RegRoot root, const QString &path);   // long root form

QString typeName(RegType type);            // "REG_SZ", "REG_EXPAND_SZ", ...
bool parseTypeName(const QString &name, RegType *type);
QString displayData(const RegValue &value);   // the data as `query` prints it
QString displayName(const QString &name);     // "(Default)" for the unnamed value
QString queryLine(const RegValue &value);     // "    name    REG_SZ    data"

// Text of a byte stream in one of the accepted encodings (see above).
QString decodeText(const QByteArray &bytes);

// A line of a registry file that import leaves out, and why.
struct Skipped {
    int line = 0;
    QString message;
};

// A file is refused (!ok) only when it is no registry file at all; a line that cannot be
// read, or that the hive cannot hold, is skipped and the rest of the file still applies.
struct ParseResult {
    bool ok = false;
    QString error;              // with the line number, when !ok
    QList<Skipped> skipped;     // in file order
    QList<RegChange> changes;   // in file order: a section creates its key first
};
ParseResult parse(const QByteArray &bytes);

// The export text of the keys (as TRegistry::tree returns them). Fails, with *error set,
// when a name cannot be written in the format (a value name holding a line break).
bool exportText(RegRoot root, const QList<RegKeyContents> &keys, QString *text, QString *error);

// Escapes "\" and "\"" for a quoted name or string.
QString quote(const QString &text);

} // namespace RegFile

// Runs one tabvane-reg command; answers to questions are read from `in`. Returns the
// process exit code: 0 on success, 1 on any failure or when the user declined.
int RunRegTool(const QStringList &arguments, QTextStream &out, QTextStream &err, QTextStream &in);
