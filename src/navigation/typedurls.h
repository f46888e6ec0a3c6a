#pragma once
// The typed-address history: the address box's drop-down list, shared with the registry's
// "Software\Microsoft\Internet Explorer\TypedUrls" (HKCU) as values url1, url2, ... in
// order, most recent first.

#include <QString>
#include <QStringList>

namespace TTypedUrls {

extern const QString Key;      // "Software\Microsoft\Internet Explorer\TypedUrls"
constexpr int MaxEntries = 25;

// url1, url2, ... until the first missing, empty or non-text value, at most 25.
// Registry failures raise RegistryError.
QStringList Load();
// Replaces the key's values with the list (url1 ...) in one transaction; an empty list
// leaves the key empty. Registry failures raise RegistryError.
void Save(const QStringList &urls);

// Recording an address the active tab is about to navigate to. When it was typed, it goes
// to the top (moved there when the list holds it already, exact comparison). Either way
// the list is cut to 25 entries afterwards.
void Record(QStringList &list, const QString &url, bool typed);

}
