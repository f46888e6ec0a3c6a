#include "platform/registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <sqlite3.h>

#include <algorithm>
#include <atomic>

#include <fcntl.h>
#include <unistd.h>

// Layout of the hive:
//   keys(id, root, parent, name, path, fold)  one row per key; path is the full path below
//                                       the root in stored case ("" for the root's own row),
//                                       fold the same case-folded, so a key is found with
//                                       one lookup and a subtree is one range of fold values.
//   vals(id, key, name, fold, type, data)  id grows with every new value, so ordering by it
//                                       gives write order; a rewrite updates the row in
//                                       place and keeps its place.
// The rollback journal with synchronous=FULL makes every returned write durable and leaves
// an openable file after a crash at any point; BEGIN IMMEDIATE takes the write lock up
// front, so two writers queue on the busy timeout instead of dead-locking.

namespace {

constexpr int SchemaVersion = 1;

std::atomic<int> g_busyTimeout{5000};

struct HiveFailure {
    QString detail;
};

// The hive holds no schema yet (a zero-length or freshly created file): reads find nothing.
struct EmptyHive {};

// Every call parses this schema again when it opens the hive, so it is kept small: no
// extra index (subkeys are found in their parent's fold range) and no column constraints.
const char *const SchemaSql =
    "CREATE TABLE keys(id INTEGER PRIMARY KEY, root INT, parent INT, name TEXT, path TEXT,"
    " fold TEXT, UNIQUE(root, fold));"
    "CREATE TABLE vals(id INTEGER PRIMARY KEY, key INT, name TEXT, fold TEXT, type INT, data,"
    " UNIQUE(key, fold));"
    "INSERT INTO keys(id, root, parent, name, path, fold) VALUES"
    " (1, 0, NULL, '', '', ''), (2, 1, NULL, '', '', ''), (3, 2, NULL, '', '', '');"
    "PRAGMA user_version = 1;";

qint64 rootRowId(RegRoot root) { return static_cast<int>(root) + 1; }

struct KeyPath {
    QStringList parts;   // stored case as given
    QString path;        // parts joined by "\"
    QString fold;        // case-folded path, the lookup key
};

QString foldName(const QString &name) { return name.toCaseFolded(); }

KeyPath keyPath(const QString &key)
{
    KeyPath k;
    k.parts = key.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    k.path = k.parts.join(QLatin1Char('\\'));
    k.fold = foldName(k.path);
    return k;
}

bool hasControlCharacter(const QString &s)
{
    return std::any_of(s.cbegin(), s.cend(), [](QChar c) { return c.unicode() < 0x20; });
}

class Statement {
public:
    Statement(sqlite3 *db, const char *sql) : m_db(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK)
            failPrepare();
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    Statement &bind(int index, const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        check(sqlite3_bind_text(m_stmt, index, utf8.constData(), utf8.size(), SQLITE_TRANSIENT));
        return *this;
    }
    Statement &bind(int index, qint64 number)
    {
        check(sqlite3_bind_int64(m_stmt, index, number));
        return *this;
    }
    Statement &bindBlob(int index, const QByteArray &data)
    {
        // A zero-length blob must still be a blob, not NULL.
        check(sqlite3_bind_blob(m_stmt, index, data.isEmpty() ? "" : data.constData(),
                                data.size(), SQLITE_TRANSIENT));
        return *this;
    }

    // True while there is a row.
    bool step()
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        throw HiveFailure{QString::fromUtf8(sqlite3_errmsg(m_db))};
    }
    void run()
    {
        while (step()) {
        }
    }

    qint64 integer(int column) const { return sqlite3_column_int64(m_stmt, column); }
    bool isNull(int column) const { return sqlite3_column_type(m_stmt, column) == SQLITE_NULL; }
    QString text(int column) const
    {
        const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
        return QString::fromUtf8(data, sqlite3_column_bytes(m_stmt, column));
    }
    QByteArray blob(int column) const
    {
        const auto *data = static_cast<const char *>(sqlite3_column_blob(m_stmt, column));
        return QByteArray(data, sqlite3_column_bytes(m_stmt, column));
    }

private:
    void check(int rc)
    {
        if (rc != SQLITE_OK)
            throw HiveFailure{QString::fromUtf8(sqlite3_errmsg(m_db))};
    }
    void failPrepare()
    {
        const QString detail = QString::fromUtf8(sqlite3_errmsg(m_db));
        // A database without any table is a hive nobody has written to yet.
        sqlite3_stmt *probe = nullptr;
        bool empty = false;
        if (sqlite3_prepare_v2(m_db, "SELECT count(*) FROM sqlite_master", -1, &probe, nullptr)
                == SQLITE_OK
            && sqlite3_step(probe) == SQLITE_ROW)
            empty = sqlite3_column_int64(probe, 0) == 0;
        sqlite3_finalize(probe);
        if (empty)
            throw EmptyHive{};
        throw HiveFailure{detail};
    }

    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

// One connection, opened for one call and closed at its end.
class Hive {
public:
    Hive() = default;
    ~Hive()
    {
        if (m_db) {
            if (m_inTransaction)
                sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close_v2(m_db);
        }
    }
    Hive(const Hive &) = delete;
    Hive &operator=(const Hive &) = delete;

    // False when the hive file does not exist: there is nothing to read, and reading must
    // not create it.
    bool openForRead()
    {
        const QString path = TRegistry::hivePath();
        const QFileInfo info(path);
        if (!info.exists())
            return false;
        open(path, writableByMode(info) ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY);
        return true;
    }

    void openForWrite()
    {
        const QString path = TRegistry::hivePath();
        const QFileInfo info(path);
        if (!info.exists()) {
            if (!QDir().mkpath(info.absolutePath()))
                throw HiveFailure{QStringLiteral("cannot create the folder %1")
                                      .arg(info.absolutePath())};
            // The hive holds typed addresses and the like: readable by its owner only. SQLite
            // gives its journal the same mode. An empty file is an empty database to it.
            const int fd = ::open(QFile::encodeName(path).constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd >= 0)
                ::close(fd);
            open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        } else {
            // A hive without write permission stays read-only even for root, who would
            // otherwise write through the permission bits.
            open(path, writableByMode(info) ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY);
        }
        exec("PRAGMA journal_mode=TRUNCATE; PRAGMA synchronous=FULL");
        exec("BEGIN IMMEDIATE");
        m_inTransaction = true;
        ensureSchema();
    }

    // A consistent view across several statements.
    void beginRead()
    {
        exec("BEGIN");
        m_inTransaction = true;
    }

    void commit()
    {
        exec("COMMIT");
        m_inTransaction = false;
    }

    sqlite3 *db() const { return m_db; }

    void exec(const char *sql)
    {
        char *error = nullptr;
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            const QString detail = QString::fromUtf8(error ? error : sqlite3_errmsg(m_db));
            sqlite3_free(error);
            throw HiveFailure{detail};
        }
    }

private:
    // The owner's write bit decides for the owner (root included, whom access() would let
    // through regardless); for anyone else, what access() says.
    static bool writableByMode(const QFileInfo &info)
    {
        if (info.ownerId() == geteuid())
            return info.permissions() & QFile::WriteOwner;
        return info.isWritable();
    }

    void open(const QString &path, int flags)
    {
        // Allocation statistics cost a global mutex on every allocation; nothing here reads
        // them. This only takes effect when it runs before SQLite's first use.
        static const bool configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
        Q_UNUSED(configured);
        const QByteArray name = QFile::encodeName(path);
        const int rc = sqlite3_open_v2(name.constData(), &m_db, flags | SQLITE_OPEN_NOMUTEX,
                                       nullptr);
        if (rc != SQLITE_OK) {
            const QString detail = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db))
                                        : QString::fromUtf8(sqlite3_errstr(rc));
            throw HiveFailure{detail + QStringLiteral(" (") + path + QLatin1Char(')')};
        }
        sqlite3_busy_timeout(m_db, g_busyTimeout.load());
    }

    void ensureSchema()
    {
        Statement version(m_db, "PRAGMA user_version");
        const qint64 current = version.step() ? version.integer(0) : 0;
        if (current == SchemaVersion)
            return;
        if (current > SchemaVersion)
            throw HiveFailure{QStringLiteral("the hive was written by a newer version")};
        Statement tables(m_db, "SELECT count(*) FROM sqlite_master");
        if (tables.step() && tables.integer(0) > 0)
            throw HiveFailure{QStringLiteral("the file is another program's database")};
        exec(SchemaSql);
    }

    sqlite3 *m_db = nullptr;
    bool m_inTransaction = false;
};

// Runs a read; a missing hive or one without schema gives `empty`.
template <typename Result, typename Work>
Result readHive(const QString &message, Result empty, Work work)
{
    try {
        Hive hive;
        if (!hive.openForRead())
            return empty;
        return work(hive);
    } catch (const EmptyHive &) {
        return empty;
    } catch (const HiveFailure &f) {
        throw RegistryError(message, f.detail);
    }
}

qint64 findKey(Hive &hive, RegRoot root, const KeyPath &key)
{
    if (key.parts.isEmpty())
        return rootRowId(root);
    Statement st(hive.db(), "SELECT id FROM keys WHERE root = ?1 AND fold = ?2");
    st.bind(1, qint64(static_cast<int>(root))).bind(2, key.fold);
    return st.step() ? st.integer(0) : 0;
}

qint64 ensureKey(Hive &hive, RegRoot root, const KeyPath &key)
{
    if (const qint64 id = findKey(hive, root, key))
        return id;
    for (const QString &part : key.parts) {
        if (hasControlCharacter(part))
            throw HiveFailure{QStringLiteral("a key name may not hold control characters")};
    }
    qint64 parent = rootRowId(root);
    QString parentPath;   // in stored case: a new key continues the case of its parents
    QStringList prefix;
    for (const QString &part : key.parts) {
        prefix << part;
        const QString fold = foldName(prefix.join(QLatin1Char('\\')));
        Statement find(hive.db(), "SELECT id, path FROM keys WHERE root = ?1 AND fold = ?2");
        find.bind(1, qint64(static_cast<int>(root))).bind(2, fold);
        if (find.step()) {
            parent = find.integer(0);
            parentPath = find.text(1);
            continue;
        }
        const QString path = parentPath.isEmpty() ? part : parentPath + QLatin1Char('\\') + part;
        Statement insert(hive.db(), "INSERT INTO keys(root, parent, name, path, fold)"
                                    " VALUES(?1, ?2, ?3, ?4, ?5)");
        insert.bind(1, qint64(static_cast<int>(root))).bind(2, parent).bind(3, part)
            .bind(4, path).bind(5, fold);
        insert.run();
        parent = sqlite3_last_insert_rowid(hive.db());
        parentPath = path;
    }
    return parent;
}

// Binds the subtree range of `key` as ?2 (the key), ?3 and ?4 (its descendants): every
// descendant's folded path starts with key + "\", so it sorts between key + "\" and key + "]".
void bindSubtree(Statement &st, RegRoot root, const KeyPath &key)
{
    st.bind(1, qint64(static_cast<int>(root)))
        .bind(2, key.fold)
        .bind(3, key.fold + QLatin1Char('\\'))
        .bind(4, key.fold + QLatin1Char(']'));
}

void deleteSubtree(Hive &hive, RegRoot root, const KeyPath &key)
{
    if (key.parts.isEmpty())
        throw HiveFailure{QStringLiteral("a root key cannot be deleted")};
    Statement vals(hive.db(),
                   "DELETE FROM vals WHERE key IN (SELECT id FROM keys WHERE root = ?1 AND"
                   " (fold = ?2 OR (fold >= ?3 AND fold < ?4)))");
    bindSubtree(vals, root, key);
    vals.run();
    Statement keys(hive.db(),
                   "DELETE FROM keys WHERE root = ?1 AND (fold = ?2 OR (fold >= ?3 AND fold < ?4))");
    bindSubtree(keys, root, key);
    keys.run();
}

void checkWritable(const RegValue &value)
{
    if (value.type == RegType::None)
        throw HiveFailure{QStringLiteral("no data type given")};
    if (value.type == RegType::MultiSz) {
        // A NUL ends each string of the list and an empty string ends the list.
        for (const QString &s : value.multi) {
            if (s.isEmpty() || s.contains(QChar(0)))
                throw HiveFailure{QStringLiteral("a REG_MULTI_SZ string may not be empty or hold a NUL")};
        }
    }
}

// REG_MULTI_SZ data as stored: each string in UTF-8 followed by a NUL byte.
QByteArray packMulti(const QStringList &strings)
{
    QByteArray data;
    for (const QString &s : strings)
        data += s.toUtf8() + '\0';
    return data;
}

QStringList unpackMulti(const QByteArray &data)
{
    QStringList strings;
    for (const QByteArray &part : data.split('\0')) {
        if (!part.isEmpty())
            strings << QString::fromUtf8(part);
    }
    return strings;
}

void storeValue(Hive &hive, qint64 keyId, const RegValue &value)
{
    checkWritable(value);
    Statement st(hive.db(),
                 "INSERT INTO vals(key, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5)"
                 " ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data");
    st.bind(1, keyId).bind(2, value.name).bind(3, foldName(value.name))
        .bind(4, qint64(static_cast<int>(value.type)));
    switch (value.type) {
    case RegType::Sz:
    case RegType::ExpandSz:
        st.bind(5, value.text);
        break;
    case RegType::Dword:
        st.bind(5, qint64(value.dword));
        break;
    case RegType::Qword:
        st.bind(5, qint64(value.qword));   // the bit pattern; read back as unsigned
        break;
    case RegType::MultiSz:
        st.bindBlob(5, packMulti(value.multi));
        break;
    case RegType::Binary:
    case RegType::None:
        st.bindBlob(5, value.binary);
        break;
    }
    st.run();
}

void removeValue(Hive &hive, RegRoot root, const KeyPath &key, const QString &name)
{
    const qint64 keyId = findKey(hive, root, key);
    if (!keyId)
        return;
    Statement st(hive.db(), "DELETE FROM vals WHERE key = ?1 AND fold = ?2");
    st.bind(1, keyId).bind(2, foldName(name));
    st.run();
}

// Columns: name, type, data.
RegValue valueFromRow(const Statement &st, int first)
{
    RegValue v;
    v.name = st.text(first);
    switch (st.integer(first + 1)) {
    case int(RegType::Sz):
        v.type = RegType::Sz;
        v.text = st.text(first + 2);
        break;
    case int(RegType::ExpandSz):
        v.type = RegType::ExpandSz;
        v.text = st.text(first + 2);
        break;
    case int(RegType::Dword):
        v.type = RegType::Dword;
        v.dword = quint32(st.integer(first + 2));
        break;
    case int(RegType::Qword):
        v.type = RegType::Qword;
        v.qword = quint64(st.integer(first + 2));
        break;
    case int(RegType::MultiSz):
        v.type = RegType::MultiSz;
        v.multi = unpackMulti(st.blob(first + 2));
        break;
    default:
        // Binary, and any type this version does not know, as raw bytes.
        v.type = RegType::Binary;
        v.binary = st.blob(first + 2);
        break;
    }
    return v;
}

QString fullKeyName(RegRoot root, const QString &key)
{
    const KeyPath k = keyPath(key);
    return k.parts.isEmpty() ? TRegistry::rootName(root)
                             : TRegistry::rootName(root) + QLatin1Char('\\') + k.path;
}

QString readMessage(const QString &name)
{
    return QStringLiteral("Failed to get data for '%1'").arg(name);
}

QString setMessage(const QString &name)
{
    return QStringLiteral("Failed to set data for '%1'").arg(name);
}

void applyChange(Hive &hive, const RegChange &change)
{
    const KeyPath key = keyPath(change.key);
    switch (change.kind) {
    case RegChange::CreateKey:
        ensureKey(hive, change.root, key);
        break;
    case RegChange::DeleteKey:
        deleteSubtree(hive, change.root, key);
        break;
    case RegChange::SetValue:
        checkWritable(change.value);
        storeValue(hive, ensureKey(hive, change.root, key), change.value);
        break;
    case RegChange::DeleteValue:
        removeValue(hive, change.root, key, change.value.name);
        break;
    }
}

QString changeMessage(const RegChange &change)
{
    switch (change.kind) {
    case RegChange::CreateKey:
        return QStringLiteral("Failed to create key %1").arg(fullKeyName(change.root, change.key));
    case RegChange::DeleteKey:
        return QStringLiteral("Failed to delete key %1").arg(fullKeyName(change.root, change.key));
    case RegChange::SetValue:
        return setMessage(change.value.name);
    case RegChange::DeleteValue:
        return QStringLiteral("Failed to delete value '%1'").arg(change.value.name);
    }
    return QString();
}

} // namespace

QString TRegistry::hivePath()
{
    const QString overridden = qEnvironmentVariable("TABVANE_REGISTRY");
    if (!overridden.isEmpty())
        return overridden;
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/tabvane/registry.db");
}

TRegistry::TRegistry(RegRoot root) : m_root(root) {}

QString TRegistry::rootName(RegRoot root)
{
    switch (root) {
    case RegRoot::CurrentUser:
        return QStringLiteral("HKEY_CURRENT_USER");
    case RegRoot::LocalMachine:
        return QStringLiteral("HKEY_LOCAL_MACHINE");
    case RegRoot::ClassesRoot:
        return QStringLiteral("HKEY_CLASSES_ROOT");
    }
    return QString();
}

void TRegistry::setBusyTimeout(int milliseconds) { g_busyTimeout = qMax(0, milliseconds); }

int TRegistry::busyTimeout() { return g_busyTimeout.load(); }

bool TRegistry::keyExists(const QString &key) const
{
    const KeyPath k = keyPath(key);
    if (k.parts.isEmpty())
        return true;
    return readHive(readMessage(fullKeyName(m_root, key)), false,
                    [&](Hive &hive) { return findKey(hive, m_root, k) != 0; });
}

void TRegistry::createKey(const QString &key)
{
    apply({RegChange{RegChange::CreateKey, m_root, key, RegValue()}});
}

void TRegistry::deleteKey(const QString &key)
{
    const KeyPath k = keyPath(key);
    if (k.parts.isEmpty()) {
        throw RegistryError(QStringLiteral("Failed to delete key %1").arg(rootName(m_root)),
                            QStringLiteral("a root key cannot be deleted"));
    }
    // Deleting nothing needs no write (nor a hive file to be created).
    try {
        if (!keyExists(key))
            return;
    } catch (const RegistryError &e) {
        throw RegistryError(QStringLiteral("Failed to delete key %1").arg(fullKeyName(m_root, key)),
                            e.detail());
    }
    apply({RegChange{RegChange::DeleteKey, m_root, key, RegValue()}});
}

QStringList TRegistry::subKeyNames(const QString &key) const
{
    const KeyPath k = keyPath(key);
    QStringList names = readHive(readMessage(fullKeyName(m_root, key)), QStringList(),
                                 [&](Hive &hive) {
        QStringList found;
        const qint64 id = findKey(hive, m_root, k);
        if (!id)
            return found;
        if (k.parts.isEmpty()) {
            Statement st(hive.db(), "SELECT name FROM keys WHERE parent = ?1");
            st.bind(1, id);
            while (st.step())
                found << st.text(0);
            return found;
        }
        Statement st(hive.db(), "SELECT name FROM keys WHERE root = ?1 AND fold >= ?3"
                                " AND fold < ?4 AND parent = ?5");
        bindSubtree(st, m_root, k);
        st.bind(5, id);
        while (st.step())
            found << st.text(0);
        return found;
    });
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

bool TRegistry::valueExists(const QString &key, const QString &name) const
{
    return readValue(key, name).exists();
}

RegValue TRegistry::readValue(const QString &key, const QString &name) const
{
    const KeyPath k = keyPath(key);
    return readHive(readMessage(name), RegValue(), [&](Hive &hive) {
        Statement st(hive.db(),
                     "SELECT v.name, v.type, v.data FROM vals v JOIN keys k ON v.key = k.id"
                     " WHERE k.root = ?1 AND k.fold = ?2 AND v.fold = ?3");
        st.bind(1, qint64(static_cast<int>(m_root))).bind(2, k.fold).bind(3, foldName(name));
        return st.step() ? valueFromRow(st, 0) : RegValue();
    });
}

QList<RegValue> TRegistry::values(const QString &key) const
{
    const KeyPath k = keyPath(key);
    return readHive(readMessage(fullKeyName(m_root, key)), QList<RegValue>(), [&](Hive &hive) {
        QList<RegValue> list;
        Statement st(hive.db(),
                     "SELECT v.name, v.type, v.data FROM vals v JOIN keys k ON v.key = k.id"
                     " WHERE k.root = ?1 AND k.fold = ?2 ORDER BY v.id");
        st.bind(1, qint64(static_cast<int>(m_root))).bind(2, k.fold);
        while (st.step())
            list << valueFromRow(st, 0);
        return list;
    });
}

QStringList TRegistry::valueNames(const QString &key) const
{
    QStringList names;
    for (const RegValue &v : values(key))
        names << v.name;
    return names;
}

void TRegistry::writeString(const QString &key, const QString &name, const QString &text,
                            RegType type)
{
    if (type != RegType::Sz && type != RegType::ExpandSz) {
        throw RegistryError(QStringLiteral("Invalid data type for '%1'").arg(name),
                            QStringLiteral("a string value must be REG_SZ or REG_EXPAND_SZ"));
    }
    RegValue v;
    v.name = name;
    v.type = type;
    v.text = text;
    writeValue(key, v);
}

void TRegistry::writeDword(const QString &key, const QString &name, quint32 value)
{
    RegValue v;
    v.name = name;
    v.type = RegType::Dword;
    v.dword = value;
    writeValue(key, v);
}

void TRegistry::writeBinary(const QString &key, const QString &name, const QByteArray &data)
{
    RegValue v;
    v.name = name;
    v.type = RegType::Binary;
    v.binary = data;
    writeValue(key, v);
}

void TRegistry::writeValue(const QString &key, const RegValue &value)
{
    if (!value.exists()) {
        throw RegistryError(QStringLiteral("Invalid data type for '%1'").arg(value.name),
                            QStringLiteral("no data type given"));
    }
    apply({RegChange{RegChange::SetValue, m_root, key, value}});
}

void TRegistry::deleteValue(const QString &key, const QString &name)
{
    try {
        if (!valueExists(key, name))
            return;
    } catch (const RegistryError &e) {
        throw RegistryError(QStringLiteral("Failed to delete value '%1'").arg(name), e.detail());
    }
    RegValue v;
    v.name = name;
    apply({RegChange{RegChange::DeleteValue, m_root, key, v}});
}

void TRegistry::replaceValues(const QString &key, const QList<RegValue> &values)
{
    const KeyPath k = keyPath(key);
    const QString listName = k.parts.isEmpty() ? rootName(m_root) : k.parts.last();
    if (k.parts.isEmpty())
        throw RegistryError(setMessage(listName), QStringLiteral("a root key cannot be replaced"));
    // A failure anywhere undoes the whole rewrite, so the list is named, not one line.
    try {
        Hive hive;
        hive.openForWrite();
        deleteSubtree(hive, m_root, k);
        if (!values.isEmpty()) {
            const qint64 id = ensureKey(hive, m_root, k);
            for (const RegValue &v : values)
                storeValue(hive, id, v);
        }
        hive.commit();
    } catch (const HiveFailure &f) {
        throw RegistryError(setMessage(listName), f.detail);
    } catch (const EmptyHive &) {
        throw RegistryError(setMessage(listName), QStringLiteral("the hive has no schema"));
    }
}

QList<RegKeyContents> TRegistry::tree(const QString &key) const
{
    const KeyPath k = keyPath(key);
    return readHive(readMessage(fullKeyName(m_root, key)), QList<RegKeyContents>(),
                    [&](Hive &hive) {
        QList<RegKeyContents> result;
        hive.beginRead();
        const qint64 top = findKey(hive, m_root, k);
        if (!top)
            return result;

        struct Node {
            QString name;
            QString path;
            QList<qint64> children;
            QList<RegValue> values;
        };
        QHash<qint64, Node> nodes;
        // The whole root, or the key and the range of its descendants.
        const char *const inSubtree = k.parts.isEmpty()
            ? " root = ?1"
            : " root = ?1 AND (fold = ?2 OR (fold >= ?3 AND fold < ?4))";

        const QByteArray keySql =
            QByteArray("SELECT id, parent, name, path FROM keys WHERE") + inSubtree;
        const auto bindRange = [&](Statement &st) {
            if (k.parts.isEmpty())
                st.bind(1, qint64(static_cast<int>(m_root)));
            else
                bindSubtree(st, m_root, k);
        };
        Statement keys(hive.db(), keySql.constData());
        bindRange(keys);
        QList<QPair<qint64, qint64>> links;   // child, parent
        while (keys.step()) {
            Node &node = nodes[keys.integer(0)];
            node.name = keys.text(2);
            node.path = keys.text(3);
            if (keys.integer(0) != top)
                links.append({keys.integer(0), keys.integer(1)});
        }
        for (const auto &link : links) {
            auto parent = nodes.find(link.second);
            if (parent != nodes.end())
                parent->children << link.first;
        }

        const QByteArray valSql =
            QByteArray("SELECT key, name, type, data FROM vals WHERE key IN"
                       " (SELECT id FROM keys WHERE") + inSubtree + ") ORDER BY id";
        Statement vals(hive.db(), valSql.constData());
        bindRange(vals);
        while (vals.step()) {
            auto it = nodes.find(vals.integer(0));
            if (it != nodes.end())
                it->values << valueFromRow(vals, 1);
        }
        hive.commit();

        // Depth first, each key's subkeys by name.
        QList<qint64> stack{top};
        while (!stack.isEmpty()) {
            Node &node = nodes[stack.takeLast()];
            result.append({node.path, node.values});
            std::sort(node.children.begin(), node.children.end(), [&](qint64 a, qint64 b) {
                const QString &na = nodes[a].name;
                const QString &nb = nodes[b].name;
                const int c = na.compare(nb, Qt::CaseInsensitive);
                return c != 0 ? c > 0 : na > nb;   // reversed: the stack pops the first
            });
            stack << node.children;
        }
        return result;
    });
}

void TRegistry::apply(const QList<RegChange> &changes)
{
    if (changes.isEmpty())
        return;
    const RegChange *current = &changes.first();
    try {
        Hive hive;
        hive.openForWrite();
        for (const RegChange &change : changes) {
            current = &change;
            applyChange(hive, change);
        }
        hive.commit();
    } catch (const HiveFailure &f) {
        throw RegistryError(changeMessage(*current), f.detail);
    } catch (const EmptyHive &) {
        throw RegistryError(changeMessage(*current), QStringLiteral("the hive has no schema"));
    }
}
