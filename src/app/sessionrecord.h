#pragma once
// TSessionRecord: the record of the open tabs that the main window keeps up to date while it
// runs, so that the tabs survive a crash, a kill or a power cut. Per tab in strip order: the
// address, the sticky name, the lock and the Close All mark; which tab is active; and a
// "running" mark that is set while the program runs and cleared by an orderly shutdown.
//
// The record is a small JSON document in the data folder (session.json), rewritten through a
// temporary file and a rename, so a crash leaves either the old or the new record, never a
// half-written one. Widget-free.

#include <QList>
#include <QString>

struct TSessionTab {
    QString address;             // "" for a tab that never had a page
    QString stickyName;
    bool locked = false;
    bool hideFromCloseAll = false;

    bool operator==(const TSessionTab &other) const
    {
        return address == other.address && stickyName == other.stickyName
               && locked == other.locked && hideFromCloseAll == other.hideFromCloseAll;
    }
    bool operator!=(const TSessionTab &other) const { return !(*this == other); }
};

struct TSessionRecord {
    // The version this program writes; a record with a higher one is not read.
    static constexpr int FormatVersion = 1;
    // Files larger than this are not read (a record of a thousand tabs is ~200 kB).
    static constexpr qint64 MaxFileBytes = 16 * 1024 * 1024;

    bool running = false;
    int active = -1;             // index into tabs; -1 when none is active
    QList<TSessionTab> tabs;

    bool operator==(const TSessionRecord &other) const
    {
        return running == other.running && active == other.active && tabs == other.tabs;
    }
    bool operator!=(const TSessionRecord &other) const { return !(*this == other); }

    enum class ParseResult { Ok, Damaged, Newer };

    QByteArray Serialize() const;
    // Fills *record only on Ok; *error says what is wrong otherwise.
    static ParseResult Parse(const QByteArray &data, TSessionRecord *record, QString *error);

    // The record's file: session.json in the program's data folder.
    static QString FilePath();
    enum class ReadResult { Ok, Missing, Damaged, Newer };
    static ReadResult Read(const QString &path, TSessionRecord *record, QString *error);
    // Writes through a temporary file that replaces the old one. False and *error on failure;
    // the old file is then untouched.
    bool Write(const QString &path, QString *error) const;
    // The same for data Serialize() made, so that the disk work can run on another thread.
    static bool WriteData(const QString &path, const QByteArray &data, QString *error);
};
