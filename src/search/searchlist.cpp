#include "search/searchlist.h"

#include "app/kwoptions.h"
#include "platform/registry.h"

#include <QHash>
#include <QUrl>

namespace TSearchList {

QString SubKey(TSearchListKind kind)
{
    return kind == TSearchListKind::Engines ? QStringLiteral("Search Engines") : QStringLiteral("Search Bar");
}

QString Key(TSearchListKind kind)
{
    return TKWOptions::SettingsKey + QLatin1Char('\\') + SubKey(kind);
}

TSearchEntries Read(TSearchListKind kind)
{
    TSearchEntries entries;
    for (const RegValue &v : TRegistry().values(Key(kind))) {
        if (v.type != RegType::Sz && v.type != RegType::ExpandSz)
            continue;   // a damaged value is no address
        const int nul = v.text.indexOf(QChar(0));
        const QString location = nul < 0 ? v.text : v.text.left(nul);
        if (v.name.isEmpty() || location.isEmpty())
            continue;
        entries.append({v.name, location});
    }
    return entries;
}

bool Exists(TSearchListKind kind)
{
    return TRegistry().keyExists(Key(kind));
}

int FindTitleClash(const TSearchEntries &entries, QString *message)
{
    QHash<QString, int> seen;
    for (int i = 0; i < entries.size(); ++i) {
        const QString title = entries.at(i).title;
        if (title.isEmpty() || entries.at(i).location.isEmpty())
            continue;
        const QString folded = title.toCaseFolded();
        const auto it = seen.constFind(folded);
        if (it != seen.constEnd()) {
            if (message) {
                const QString other = entries.at(it.value()).title;
                *message = other == title
                    ? QStringLiteral("The title \"%1\" is listed twice. Each entry needs a title of its own.").arg(title)
                    : QStringLiteral("The titles \"%1\" and \"%2\" differ only in case, and titles are compared "
                                     "without regard to case. Give each entry a title of its own.")
                              .arg(other, title);
            }
            return i;
        }
        seen.insert(folded, i);
    }
    return -1;
}

void Write(TSearchListKind kind, const TSearchEntries &entries)
{
    QString message;
    if (FindTitleClash(entries, &message) >= 0)
        throw TSearchListError(message);
    // Delete, create and fill in one transaction: readers see the old list or the new one,
    // and an emptied list keeps its (empty) key.
    const QString key = Key(kind);
    QList<RegChange> changes;
    changes.append(RegChange{RegChange::DeleteKey, RegRoot::CurrentUser, key, RegValue()});
    changes.append(RegChange{RegChange::CreateKey, RegRoot::CurrentUser, key, RegValue()});
    for (const TSearchEntry &e : entries) {
        if (e.title.isEmpty() || e.location.isEmpty())
            continue;
        RegValue v;
        v.name = e.title;
        v.type = RegType::Sz;
        v.text = e.location;
        changes.append(RegChange{RegChange::SetValue, RegRoot::CurrentUser, key, v});
    }
    TRegistry::apply(changes);
}

TSearchEntries DefaultEngines()
{
    return {
        {QStringLiteral("DuckDuckGo"), QStringLiteral("https://duckduckgo.com/?q=%s")},
        {QStringLiteral("Google"), QStringLiteral("https://www.google.com/search?q=%s")},
        {QStringLiteral("Bing"), QStringLiteral("https://www.bing.com/search?q=%s")},
        {QStringLiteral("Wikipedia"), QStringLiteral("https://en.wikipedia.org/w/index.php?search=%s")},
    };
}

bool SeedDefaultEngines()
{
    if (Exists(TSearchListKind::Engines))
        return false;
    Write(TSearchListKind::Engines, DefaultEngines());
    return true;
}

bool TakesWords(const QString &location)
{
    return location.contains(QLatin1String("%s"));
}

QString EngineUrl(const QString &location, const QString &words)
{
    const QString loc = location.trimmed();
    if (!TakesWords(loc))
        return loc;
    const QString query = words.simplified();
    if (query.isEmpty()) {
        // No words: the site's own start page.
        QString bare = loc;
        bare.remove(QLatin1String("%s"));
        const QUrl url(bare, QUrl::TolerantMode);
        if (url.isValid() && !url.host().isEmpty())
            return url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment
                                | QUrl::RemoveUserInfo).toString() + QLatin1Char('/');
        return bare;
    }
    // Every character that could end the query or change its meaning is encoded.
    QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(query));
    const int question = loc.indexOf(QLatin1Char('?'));
    const int fragment = loc.indexOf(QLatin1Char('#'));
    QString result;
    int from = 0;
    for (int at = loc.indexOf(QLatin1String("%s")); at >= 0; at = loc.indexOf(QLatin1String("%s"), from)) {
        const bool inQuery = question >= 0 && at > question && (fragment < 0 || at < fragment);
        result += loc.mid(from, at - from);
        result += inQuery ? QString(encoded).replace(QLatin1String("%20"), QLatin1String("+")) : encoded;
        from = at + 2;
    }
    result += loc.mid(from);
    return result;
}

}
