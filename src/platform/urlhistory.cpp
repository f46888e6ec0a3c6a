#include "platform/urlhistory.h"

#include "platform/paths.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QPointer>
#include <QTimer>
#include <QLocale>
#include <QMutex>
#include <QUrl>
#include <QtDebug>

#include <sqlite3.h>

#include <algorithm>
#include <limits>

namespace {

const int SchemaVersion = 1;
const int BusyTimeoutMs = 5000;

qint64 toMs(const QDateTime &time)
{
    return time.toMSecsSinceEpoch();
}

QDateTime fromMs(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

// Escapes a LIKE pattern's wildcards; statements use ESCAPE '\'.
QString likeLiteral(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

class Statement {
public:
    Statement(sqlite3 *db, const char *sql)
    {
        if (db)
            sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool ok() const { return m_stmt != nullptr; }
    void bind(int index, const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_stmt, index, utf8.constData(), utf8.size(), SQLITE_TRANSIENT);
    }
    void bind(int index, qint64 value) { sqlite3_bind_int64(m_stmt, index, value); }
    int step() { return m_stmt ? sqlite3_step(m_stmt) : SQLITE_MISUSE; }
    bool run() { const int rc = step(); return rc == SQLITE_DONE || rc == SQLITE_ROW; }
    QString text(int column) const
    {
        const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
        return data ? QString::fromUtf8(data, sqlite3_column_bytes(m_stmt, column)) : QString();
    }
    qint64 integer(int column) const { return sqlite3_column_int64(m_stmt, column); }

    THistoryEntry entry() const   // columns url, title, visit_count, last visit
    {
        THistoryEntry e;
        e.url = text(0);
        e.title = text(1);
        e.visitCount = int(integer(2));
        e.lastVisit = fromMs(integer(3));
        return e;
    }

private:
    sqlite3_stmt *m_stmt = nullptr;
};

// One connection for the length of one operation, with the schema in place.
class Database {
public:
    explicit Database(const QString &path)
    {
        const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        if (rc != SQLITE_OK) {
            fail();
            return;
        }
        sqlite3_busy_timeout(m_db, BusyTimeoutMs);
        if (!ensureSchema())
            fail();
    }
    ~Database() { sqlite3_close(m_db); }
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    bool ok() const { return m_ok; }
    QString error() const { return m_error; }
    sqlite3 *handle() const { return m_ok ? m_db : nullptr; }

    bool exec(const char *sql)
    {
        if (!m_db || sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
            fail();
            return false;
        }
        return true;
    }
    bool begin() { return exec("BEGIN IMMEDIATE"); }
    bool commit() { return exec("COMMIT"); }
    void rollback()
    {
        if (m_db)
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void fail()
    {
        m_ok = false;
        if (m_error.isEmpty())
            m_error = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db))
                           : QStringLiteral("out of memory");
    }

private:
    bool ensureSchema()
    {
        int version = 0;
        {
            Statement st(m_db, "PRAGMA user_version");
            if (st.step() != SQLITE_ROW)
                return false;
            version = int(st.integer(0));
        }
        if (version >= SchemaVersion)
            return true;
        return exec("BEGIN IMMEDIATE")
            && exec("CREATE TABLE IF NOT EXISTS urls("
                    " id INTEGER PRIMARY KEY,"
                    " url TEXT NOT NULL UNIQUE,"
                    " title TEXT NOT NULL DEFAULT '',"
                    " visit_count INTEGER NOT NULL DEFAULT 0,"
                    " last_visit INTEGER NOT NULL DEFAULT 0)")
            && exec("CREATE TABLE IF NOT EXISTS visits("
                    " url_id INTEGER NOT NULL,"
                    " visit_time INTEGER NOT NULL)")
            && exec("CREATE INDEX IF NOT EXISTS visits_time ON visits(visit_time)")
            && exec("CREATE INDEX IF NOT EXISTS visits_url ON visits(url_id)")
            && exec("CREATE INDEX IF NOT EXISTS urls_last ON urls(last_visit)")
            && exec("PRAGMA user_version = 1")
            && exec("COMMIT");
    }

    sqlite3 *m_db = nullptr;
    bool m_ok = true;
    QString m_error;
};

// Logs the first failure of a store object only, so a broken store does not flood the log.
bool usable(const Database &db, const QString &path, bool &warned)
{
    if (db.ok())
        return true;
    if (!warned)
        qWarning("URL history %s is not available: %s", qUtf8Printable(path), qUtf8Printable(db.error()));
    warned = true;
    return false;
}

QList<THistoryEntry> collect(Statement &st)
{
    QList<THistoryEntry> out;
    while (st.step() == SQLITE_ROW)
        out.append(st.entry());
    return out;
}

}

QString TUrlHistory::DefaultPath()
{
    return TPaths::Join(TPaths::DataDir(), QStringLiteral("history.db"));
}

bool TUrlHistory::IsRecordable(const QString &url)
{
    if (url.trimmed().isEmpty())
        return false;
    static const char *const skipped[] = { "about:", "javascript:", "data:" };
    for (const char *scheme : skipped) {
        if (url.startsWith(QLatin1String(scheme), Qt::CaseInsensitive))
            return false;
    }
    return true;
}

TUrlHistory::TUrlHistory(const QString &path)
    : m_path(path)
{
}

bool TUrlHistory::IsAvailable() const
{
    flushPending(m_path);
    const Database db(m_path);
    return usable(db, m_path, m_warned);
}

bool TUrlHistory::Record(const QString &url, const QString &title, const QDateTime &time)
{
    if (!IsRecordable(url))
        return false;
    flushPending(m_path);   // in the order the visits happened
    THistoryEntry visit;
    visit.url = url;
    visit.title = title;
    visit.lastVisit = time;
    return RecordAll({visit});
}

bool TUrlHistory::RecordAll(const QList<THistoryEntry> &visits)
{
    QList<THistoryEntry> kept;
    for (const THistoryEntry &v : visits) {
        if (IsRecordable(v.url))
            kept.append(v);
    }
    if (kept.isEmpty())
        return false;
    Database db(m_path);
    if (!usable(db, m_path, m_warned))
        return false;
    if (!db.begin())
        return false;
    for (const THistoryEntry &v : std::as_const(kept)) {
        const qint64 when = toMs(v.lastVisit.isValid() ? v.lastVisit : QDateTime::currentDateTimeUtc());
        Statement upsert(db.handle(),
                         "INSERT INTO urls(url, title, visit_count, last_visit) VALUES(?1, ?2, 1, ?3)"
                         " ON CONFLICT(url) DO UPDATE SET visit_count = visit_count + 1,"
                         " last_visit = max(last_visit, excluded.last_visit),"
                         " title = CASE WHEN excluded.title <> '' THEN excluded.title ELSE title END");
        upsert.bind(1, v.url);
        upsert.bind(2, v.title);
        upsert.bind(3, when);
        Statement visit(db.handle(),
                        "INSERT INTO visits(url_id, visit_time) SELECT id, ?2 FROM urls WHERE url = ?1");
        visit.bind(1, v.url);
        visit.bind(2, when);
        if (!upsert.run() || !visit.run()) {
            db.rollback();
            return false;
        }
    }
    if (!db.commit()) {
        db.rollback();
        return false;
    }
    Q_EMIT TUrlHistoryNotifier::Instance()->VisitsRecorded(m_path);
    return true;
}

namespace {
// Visits kept for a moment, per store. Reads may run on a worker thread (the side bar
// searches off the window's thread), so every use holds the lock.
QHash<QString, QList<THistoryEntry>> &pendingVisits()
{
    static QHash<QString, QList<THistoryEntry>> visits;
    return visits;
}
QMutex &pendingLock()
{
    static QMutex lock;
    return lock;
}
}

void TUrlHistory::RecordSoon(const QString &url, const QString &title)
{
    if (!IsRecordable(url))
        return;
    THistoryEntry visit;
    visit.url = url;
    visit.title = title;
    visit.lastVisit = QDateTime::currentDateTimeUtc();
    {
        const QMutexLocker locked(&pendingLock());
        pendingVisits()[m_path].append(visit);
    }
    static QPointer<QTimer> timer;
    if (!timer && QCoreApplication::instance()) {
        timer = new QTimer(QCoreApplication::instance());
        timer->setSingleShot(true);
        timer->setInterval(HistoryDelayMs);
        QObject::connect(timer, &QTimer::timeout, [] { FlushPending(); });
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, [] { FlushPending(); });
    }
    if (!timer)
        FlushPending();
    else if (!timer->isActive())
        timer->start();
}

void TUrlHistory::FlushPending()
{
    QStringList paths;
    {
        const QMutexLocker locked(&pendingLock());
        paths = pendingVisits().keys();
    }
    for (const QString &path : paths)
        flushPending(path);
}

void TUrlHistory::flushPending(const QString &path)
{
    QList<THistoryEntry> visits;
    {
        const QMutexLocker locked(&pendingLock());
        visits = pendingVisits().take(path);
    }
    // A store that cannot be written logs once; the visits are lost, nothing else.
    if (!visits.isEmpty())
        TUrlHistory(path).RecordAll(visits);
}

void TUrlHistory::dropPending(const QString &path, const QString &url)
{
    const QMutexLocker locked(&pendingLock());
    auto it = pendingVisits().find(path);
    if (it == pendingVisits().end())
        return;
    if (url.isEmpty()) {
        pendingVisits().erase(it);
        return;
    }
    it->erase(std::remove_if(it->begin(), it->end(), [&url](const THistoryEntry &v) { return v.url == url; }),
              it->end());
}

bool TUrlHistory::UpdateTitle(const QString &url, const QString &title)
{
    flushPending(m_path);
    if (title.isEmpty())
        return false;
    Database db(m_path);
    if (!usable(db, m_path, m_warned))
        return false;
    Statement st(db.handle(), "UPDATE urls SET title = ?2 WHERE url = ?1");
    st.bind(1, url);
    st.bind(2, title);
    return st.run() && sqlite3_changes(db.handle()) > 0;
}

bool TUrlHistory::Remove(const QString &url)
{
    return RemoveAll({url});
}

bool TUrlHistory::RemoveAll(const QStringList &urls)
{
    for (const QString &url : urls) {
        if (!url.isEmpty())
            dropPending(m_path, url);
    }
    Database db(m_path);
    if (!usable(db, m_path, m_warned))
        return false;
    if (!db.exec("PRAGMA secure_delete = ON") || !db.begin())
        return false;
    for (const QString &url : urls) {
        Statement visits(db.handle(),
                         "DELETE FROM visits WHERE url_id IN (SELECT id FROM urls WHERE url = ?1)");
        visits.bind(1, url);
        Statement row(db.handle(), "DELETE FROM urls WHERE url = ?1");
        row.bind(1, url);
        if (!visits.run() || !row.run()) {
            db.rollback();
            return false;
        }
    }
    if (!db.commit()) {
        db.rollback();
        return false;
    }
    return true;
}

int TUrlHistory::ExpireBefore(const QDateTime &cutoff)
{
    if (!cutoff.isValid())
        return 0;
    Database db(m_path);
    if (!usable(db, m_path, m_warned))
        return -1;
    if (!db.exec("PRAGMA secure_delete = ON") || !db.begin())
        return -1;
    // Visits before the cutoff go; an address whose every visit went goes with them. An
    // address visited since keeps its count of all visits and its title.
    Statement visits(db.handle(), "DELETE FROM visits WHERE visit_time < ?1");
    visits.bind(1, toMs(cutoff));
    Statement urls(db.handle(), "DELETE FROM urls WHERE last_visit < ?1");
    urls.bind(1, toMs(cutoff));
    if (!visits.run() || !urls.run()) {
        db.rollback();
        return -1;
    }
    const int removed = sqlite3_changes(db.handle());
    if (!db.commit()) {
        db.rollback();
        return -1;
    }
    return removed;
}

bool TUrlHistory::Clear()
{
    dropPending(m_path, QString());
    Database db(m_path);
    if (!usable(db, m_path, m_warned))
        return false;
    if (!db.exec("PRAGMA secure_delete = ON") || !db.begin())
        return false;
    if (!db.exec("DELETE FROM visits") || !db.exec("DELETE FROM urls") || !db.commit()) {
        db.rollback();
        return false;
    }
    return true;
}

QList<THistoryEntry> TUrlHistory::Entries(int limit) const
{
    flushPending(m_path);
    Database db(m_path);
    if (!usable(db, m_path, m_warned))
        return {};
    Statement st(db.handle(),
                 "SELECT url, title, visit_count, last_visit FROM urls"
                 " ORDER BY last_visit DESC, id DESC LIMIT ?1");
    st.bind(1, qint64(limit));
    return collect(st);
}

QList<THistoryEntry> TUrlHistory::VisitedBetween(const QDateTime &from, const QDateTime &to) const
{
    flushPending(m_path);
    Database db(m_path);
    if (!usable(db, m_path, m_warned))
        return {};
    Statement st(db.handle(),
                 "SELECT u.url, u.title, u.visit_count, max(v.visit_time) AS last"
                 " FROM visits v JOIN urls u ON u.id = v.url_id"
                 " WHERE v.visit_time >= ?1 AND v.visit_time < ?2"
                 " GROUP BY u.id ORDER BY last DESC, u.id DESC");
    st.bind(1, from.isValid() ? toMs(from) : std::numeric_limits<qint64>::min());
    st.bind(2, to.isValid() ? toMs(to) : std::numeric_limits<qint64>::max());
    return collect(st);
}

QList<THistoryEntry> TUrlHistory::VisitedDuring(const THistoryPeriod &period) const
{
    const QDateTime from = period.first.isValid() ? period.first.startOfDay() : QDateTime();
    return VisitedBetween(from, period.last.addDays(1).startOfDay());
}

THistoryEntry TUrlHistory::Lookup(const QString &url) const
{
    flushPending(m_path);
    Database db(m_path);
    if (!usable(db, m_path, m_warned))
        return {};
    Statement st(db.handle(), "SELECT url, title, visit_count, last_visit FROM urls WHERE url = ?1");
    st.bind(1, url);
    return st.step() == SQLITE_ROW ? st.entry() : THistoryEntry();
}

QList<bool> TUrlHistory::HasVisitsDuring(const QList<THistoryPeriod> &periods) const
{
    flushPending(m_path);
    QList<bool> out(periods.size(), false);
    Database db(m_path);
    if (!usable(db, m_path, m_warned))
        return out;
    for (int i = 0; i < periods.size(); ++i) {
        const THistoryPeriod &p = periods.at(i);
        Statement st(db.handle(), "SELECT 1 FROM visits WHERE visit_time >= ?1 AND visit_time < ?2 LIMIT 1");
        st.bind(1, p.first.isValid() ? toMs(p.first.startOfDay()) : std::numeric_limits<qint64>::min());
        st.bind(2, toMs(p.last.addDays(1).startOfDay()));
        out[i] = st.step() == SQLITE_ROW;
    }
    return out;
}

QList<THistoryEntry> TUrlHistory::Search(const QString &text, int limit) const
{
    flushPending(m_path);
    if (text.isEmpty())
        return {};
    Database db(m_path);
    if (!usable(db, m_path, m_warned))
        return {};
    Statement st(db.handle(),
                 "SELECT url, title, visit_count, last_visit FROM urls"
                 " WHERE url LIKE ?1 ESCAPE '\\' OR title LIKE ?1 ESCAPE '\\'"
                 " ORDER BY last_visit DESC, id DESC LIMIT ?2");
    st.bind(1, QLatin1Char('%') + likeLiteral(text) + QLatin1Char('%'));
    st.bind(2, qint64(limit));
    return collect(st);
}

QStringList TUrlHistory::Complete(const QString &prefix, int limit) const
{
    flushPending(m_path);
    if (prefix.isEmpty() || limit == 0)
        return {};
    Database db(m_path);
    if (!usable(db, m_path, m_warned))
        return {};
    Statement st(db.handle(),
                 "SELECT url FROM urls WHERE url LIKE ?1 ESCAPE '\\'"
                 " OR url LIKE 'http://' || ?1 ESCAPE '\\'"
                 " OR url LIKE 'https://' || ?1 ESCAPE '\\'"
                 " OR url LIKE 'file://' || ?1 ESCAPE '\\'"
                 " OR url LIKE 'http://www.' || ?1 ESCAPE '\\'"
                 " OR url LIKE 'https://www.' || ?1 ESCAPE '\\'"
                 " ORDER BY visit_count DESC, last_visit DESC LIMIT ?2");
    st.bind(1, likeLiteral(prefix) + QLatin1Char('%'));
    st.bind(2, qint64(limit));
    QStringList out;
    while (st.step() == SQLITE_ROW)
        out.append(st.text(0));
    return out;
}

TUrlHistoryNotifier *TUrlHistoryNotifier::Instance()
{
    static TUrlHistoryNotifier notifier;
    return &notifier;
}

TUrlHistoryModel::TUrlHistoryModel(const QString &path, QObject *parent)
    : QAbstractListModel(parent), m_history(path)
{
}

void TUrlHistoryModel::SetPrefix(const QString &prefix)
{
    beginResetModel();
    m_prefix = prefix;
    m_urls = m_history.Complete(prefix);
    endResetModel();
}

int TUrlHistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_urls.size());
}

QVariant TUrlHistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_urls.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_urls.at(index.row());
    return {};
}
