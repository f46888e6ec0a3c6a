#pragma once
// The two lists of named addresses the search subsystem keeps in the settings hive: the
// search engines of the Search button's menu and the search panel's favorites. Each list is
// a key below the settings key with one string value per entry: value name = title, data =
// location, in the order they were written.
//
// Entries are read as (name, data) pairs, so a title holding "=" reads back whole. Value
// names are compared without regard to case, so two titles that differ only in case cannot
// both be kept: a list holding such a pair is refused instead of silently losing one.
// A list that was written once keeps its key even when emptied, which is how a first start
// (the key has never existed) is told from a user's empty list.

#include <QList>
#include <QString>

#include <stdexcept>

struct TSearchEntry {
    QString title;
    QString location;
    bool operator==(const TSearchEntry &o) const { return title == o.title && location == o.location; }
};
using TSearchEntries = QList<TSearchEntry>;

enum class TSearchListKind { SearchBar = 0, Engines = 1 };

// Raised when a list to be written holds a clash; what() is the message shown to the user.
class TSearchListError : public std::runtime_error {
public:
    explicit TSearchListError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    QString message() const { return m_message; }
private:
    QString m_message;
};

namespace TSearchList {

QString SubKey(TSearchListKind kind);        // "Search Engines" / "Search Bar"
QString Key(TSearchListKind kind);           // the full key below HKCU

// The entries in stored order; values with empty data or a non-text type are dropped.
// A missing key is an empty list. Raises RegistryError when the hive cannot be read.
TSearchEntries Read(TSearchListKind kind);
// Whether the list's key exists (was ever written).
bool Exists(TSearchListKind kind);
// Replaces the list in one transaction. Entries with an empty title or location are left
// out. Raises TSearchListError for a title clash (nothing is written) and RegistryError
// when the hive cannot be written.
void Write(TSearchListKind kind, const TSearchEntries &entries);

// The index of the first entry whose title equals an earlier one without regard to case
// (-1: none); the message names both titles.
int FindTitleClash(const TSearchEntries &entries, QString *message = nullptr);

// A short list of real search sites for a first start.
TSearchEntries DefaultEngines();
// Writes DefaultEngines() when the engine list has never existed; true when it did.
bool SeedDefaultEngines();

// The address an engine opens. "%s" in a location marks where search words go: with words
// they are put there percent-encoded (a space as "+" in the query, "%20" elsewhere); without
// words such a location opens its site's start page. A location without "%s" is a start
// page and is opened as it is.
QString EngineUrl(const QString &location, const QString &words);
bool TakesWords(const QString &location);

}
