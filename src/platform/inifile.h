#pragma once
// TIniFile: initialisation files (".vgp" groups, ".url" shortcuts, "tbmain.dat") read and
// written with the desktop platform's profile-string rules:
//  - sections and keys compare without regard to case; blanks around keys and values are
//    ignored; a value in a matching pair of double (or single) quotes loses them;
//  - a key's first line in a section wins on read; writing a key that stands in the
//    section already replaces that line's value in place, otherwise it is appended;
//  - the key names of a section are read as one block of at most 16384 bytes, each value
//    with at most 2047 characters;
//  - lines without "=" are ignored; CR LF, LF and CR line ends are read, CR LF is written.
// Text: a file that is valid UTF-8 is read as UTF-8, anything else as Windows-1252 (the
// ANSI code page such files come from; Latin-1 plus the printable 0x80-0x9F range).
// Files are written as UTF-8 without a byte-order mark, so pure ASCII files stay byte for
// byte what the platform writes and any character a user types survives a round trip.
// Every write re-reads the file and rewrites it whole through QSaveFile (temporary file
// and rename): a crash leaves the old file or the new one, never a half file.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

using TIniPair = QPair<QString, QString>;
using TIniPairs = QList<TIniPair>;

class TIniFile {
public:
    enum { KeyBlockBytes = 16384, MaxValueChars = 2047 };

    explicit TIniFile(const QString &fileName);
    QString FileName() const { return m_fileName; }

    // Reading. A missing or unreadable file reads as empty.
    QStringList ReadSectionKeys(const QString &section) const;   // file order, no duplicates
    QString ReadString(const QString &section, const QString &key, const QString &def) const;
    TIniPairs ReadSectionPairs(const QString &section) const;    // keys with their values
    bool SectionExists(const QString &section) const;

    // Writing. Each call is one atomic rewrite; false on failure (see ErrorString).
    bool WriteString(const QString &section, const QString &key, const QString &value);
    bool DeleteKey(const QString &section, const QString &key);
    bool EraseSection(const QString &section);
    // Erases the section and writes the pairs in order, in one rewrite. The section keeps
    // its place in the file; an empty list leaves no section at all.
    bool WriteSection(const QString &section, const TIniPairs &pairs);
    QString ErrorString() const { return m_error; }

    // The text decoding rule above, for other readers of such files.
    static QString DecodeText(const QByteArray &bytes);

private:
    QStringList readLines(bool *ok) const;
    bool writeLines(const QStringList &lines);

    QString m_fileName;
    QString m_error;
};
