#pragma once
// PopupVessa's list rules. The list is kept as lines "name=data" (url1=..., url2=...); only
// the data parts and their order matter for matching.

#include <QString>
#include <QStringList>

// The data parts of the lines that contain "=", in order (what the Options page shows).
QStringList PopupEntryData(const QStringList &lines);

// Whether an address is closed by the list: the first entry that agrees with the address
// over the shorter of the two lengths, compared case-sensitively. So an entry matches
// every address it begins, and every address that begins it. Empty entries and an empty
// address match nothing. The matching entry's data goes to *matchedEntry.
bool PopupListMatches(const QStringList &lines, const QString &address, QString *matchedEntry = nullptr);

// The list after Add to PopupVessa: the address cut before its first "?", appended as
// "url" + (count + 1), or the next number no line uses yet. An empty address adds nothing.
QStringList AppendPopupEntry(const QStringList &stored, const QString &address);

// Lines url1, url2, ... for the entries in the order the Options list shows them.
QStringList RenumberPopupEntries(const QStringList &entriesInDisplayOrder);
