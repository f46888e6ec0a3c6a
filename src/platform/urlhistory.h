#pragma once
// The URL history store: every completed top-level navigation with its title, visit count
// and visit times, kept in an SQLite database ($XDG_DATA_HOME/tabvane/history.db).
//
// Like the registry hive, every call opens the database, does its work and closes it
// again: no handle outlives a call, any number of objects (and the tabvane-reg tool or a
// second process) can share the file, and a busy timeout serialises writers.
// A store that cannot be opened or read behaves as an empty history: reads give nothing,
// writes return false, and one warning is logged per object. Nothing here throws.

#include <QAbstractListModel>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

struct THistoryEntry {
    QString url;
    QString title;
    int visitCount = 0;
    QDateTime lastVisit;   // UTC
};

// Day folders of a history tree: "Today", the six days before by weekday name, then
// "Last Week", "2 Weeks Ago", "3 Weeks Ago" and "Older". Dates are local and inclusive,
// newest period first; "Older" has no first date.
struct THistoryPeriod {
    QString caption;
    QDate first;   // invalid: no lower bound
    QDate last;
};

class TUrlHistory {
public:
    // $XDG_DATA_HOME/tabvane/history.db
    static QString DefaultPath();
    // Addresses worth keeping: not empty, and not about:, javascript: or data: addresses.
    static bool IsRecordable(const QString &url);

    explicit TUrlHistory(const QString &path = DefaultPath());

    QString Path() const { return m_path; }
    bool IsAvailable() const;   // the store opens and reads

    // One visit of url at time (now when invalid). A known URL gets one more visit, the
    // later last-visit time and the new title unless that is empty.
    bool Record(const QString &url, const QString &title = QString(),
                const QDateTime &time = QDateTime());
    // Several visits in one transaction (one wait for the disk instead of one per visit);
    // addresses not worth keeping are left out. False when nothing could be written.
    bool RecordAll(const QList<THistoryEntry> &visits);
    // A visit of url now, kept and written with the visits of the next HistoryDelayMs in
    // one transaction, so that fifty pages loading at once wait for the disk once. Every
    // read, Remove and Clear of this store (in this process) takes the kept visits into
    // account first, and they are written when the application quits.
    void RecordSoon(const QString &url, const QString &title = QString());
    static void FlushPending();
    static constexpr int HistoryDelayMs = 500;
    bool UpdateTitle(const QString &url, const QString &title);   // known URLs only
    bool Remove(const QString &url);
    bool RemoveAll(const QStringList &urls);   // in one transaction
    // Forgets the visits before cutoff, and the addresses not visited since. Returns the
    // number of addresses forgotten, -1 when the store could not be written.
    int ExpireBefore(const QDateTime &cutoff);
    bool Clear();   // forgets everything; the freed pages are overwritten

    // Most recent first; limit < 0 means all.
    QList<THistoryEntry> Entries(int limit = -1) const;
    // URLs visited in [from, to), each once, with its last visit inside the range.
    QList<THistoryEntry> VisitedBetween(const QDateTime &from, const QDateTime &to) const;
    QList<THistoryEntry> VisitedDuring(const THistoryPeriod &period) const;
    // For each period, whether any visit falls into it (one cheap look each).
    QList<bool> HasVisitsDuring(const QList<THistoryPeriod> &periods) const;
    // The stored entry of url (its last visit and count of all visits); an empty url when
    // the store does not know it.
    THistoryEntry Lookup(const QString &url) const;
    // URLs whose address or title contains text (ASCII case-insensitive), most recent first.
    QList<THistoryEntry> Search(const QString &text, int limit = -1) const;
    // Completion: URLs that begin with prefix, also when the prefix leaves out the
    // "http://", "https://" or "file://" and a following "www."; ordered by visit count.
    QStringList Complete(const QString &prefix, int limit = 50) const;

private:
    static void flushPending(const QString &path);
    static void dropPending(const QString &path, const QString &url);   // "": all of them
    QString m_path;
    mutable bool m_warned = false;
};

// Tells views of the history that visits were written to a store (by any thread of this
// process); emitted on the thread that wrote them, so receivers get it queued.
class TUrlHistoryNotifier : public QObject {
    Q_OBJECT
public:
    static TUrlHistoryNotifier *Instance();
Q_SIGNALS:
    void VisitsRecorded(const QString &storePath);
};

// Completion model over the store for a QCompleter: SetPrefix reloads it with the
// matching URLs (display and edit role).
class TUrlHistoryModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit TUrlHistoryModel(const QString &path = TUrlHistory::DefaultPath(),
                              QObject *parent = nullptr);

    void SetPrefix(const QString &prefix);
    QString Prefix() const { return m_prefix; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    TUrlHistory m_history;
    QString m_prefix;
    QStringList m_urls;
};
