#pragma once
// The registry hive: HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT kept in
// one SQLite database. Key paths and value names compare without regard to case and keep
// the case of their first write; values enumerate in the order they were first written.
// Every call opens the database, does its work and closes it again, so any number of
// objects and processes see the same data.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <stdexcept>

enum class RegRoot { CurrentUser, LocalMachine, ClassesRoot };

// The numbers are the Windows type codes, which the hive stores and ".reg" files name.
enum class RegType { None = 0, Sz = 1, ExpandSz = 2, Binary = 3, Dword = 4, MultiSz = 7, Qword = 11 };

struct RegValue {
    QString name;          // "" is the unnamed (default) value
    RegType type = RegType::None;
    QString text;          // REG_SZ / REG_EXPAND_SZ
    quint32 dword = 0;     // REG_DWORD
    QByteArray binary;     // REG_BINARY
    QStringList multi{};   // REG_MULTI_SZ: the strings, none empty and none holding a NUL
    quint64 qword = 0;     // REG_QWORD
    bool exists() const { return type != RegType::None; }
};

// Raised for every failure of the hive; what() is the user-facing message.
class RegistryError : public std::runtime_error {
public:
    explicit RegistryError(const QString &message, const QString &detail = QString())
        : std::runtime_error(message.toStdString()), m_message(message), m_detail(detail) {}
    QString message() const { return m_message; }
    // The underlying cause (the database's own words), for tools and diagnostics.
    QString detail() const { return m_detail; }
private:
    QString m_message;
    QString m_detail;
};

// One step of a change set applied by TRegistry::apply.
struct RegChange {
    enum Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
    Kind kind = CreateKey;
    RegRoot root = RegRoot::CurrentUser;
    QString key;
    RegValue value;        // SetValue: the value; DeleteValue: value.name
};

// A key and its values, as returned by TRegistry::tree.
struct RegKeyContents {
    QString path;          // full path below the root, in stored case; "" for the root
    QList<RegValue> values;
};

class TRegistry {
public:
    // Path of the hive file: $TABVANE_REGISTRY, else $XDG_CONFIG_HOME/tabvane/registry.db.
    static QString hivePath();

    explicit TRegistry(RegRoot root = RegRoot::CurrentUser);

    RegRoot root() const { return m_root; }

    // Keys. Paths use "\" as separator; leading and trailing separators are ignored.
    bool keyExists(const QString &key) const;
    void createKey(const QString &key);              // creates missing parents too
    void deleteKey(const QString &key);              // with everything below it; missing is fine
    QStringList subKeyNames(const QString &key) const;   // sorted by name, case-insensitive

    // Values.
    bool valueExists(const QString &key, const QString &name) const;
    RegValue readValue(const QString &key, const QString &name) const;   // type None when missing
    QList<RegValue> values(const QString &key) const;                    // in write order
    QStringList valueNames(const QString &key) const;                    // in write order
    void writeString(const QString &key, const QString &name, const QString &text,
                     RegType type = RegType::Sz);
    void writeDword(const QString &key, const QString &name, quint32 value);
    void writeBinary(const QString &key, const QString &name, const QByteArray &data);
    void writeValue(const QString &key, const RegValue &value);
    void deleteValue(const QString &key, const QString &name);          // missing is fine

    // Replaces the key's contents with the given values in one transaction: deletes the
    // key with everything below it, then writes each value in order. Another reader sees
    // the old list or the new one, never a partial list. An empty list leaves no key.
    void replaceValues(const QString &key, const QList<RegValue> &values);

    // The key and every key below it, depth first, subkeys by name, values in write
    // order, read in one transaction. Empty when the key does not exist.
    QList<RegKeyContents> tree(const QString &key) const;

    // Applies the changes in order in one transaction: all of them or none.
    static void apply(const QList<RegChange> &changes);

    static QString rootName(RegRoot root);   // "HKEY_CURRENT_USER", ...

    // How long a call waits for another process's lock before it fails (default 5000 ms).
    static void setBusyTimeout(int milliseconds);
    static int busyTimeout();

private:
    RegRoot m_root;
};
