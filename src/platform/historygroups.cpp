#include "platform/historygroups.h"

#include <QHash>
#include <QLocale>
#include <QUrl>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// The host of "scheme://host..." read directly when it is plain lower-case-able ASCII (the
// common case, and much cheaper than a full parse); "" sends the address to QUrl.
QString quickHost(const QString &url)
{
    const int scheme = url.indexOf(QLatin1String("://"));
    if (scheme <= 0)
        return QString();
    const int start = scheme + 3;
    int end = start;
    int hostStart = start;
    int hostEnd = -1;
    for (; end < url.size(); ++end) {
        const QChar c = url.at(end);
        if (c == QLatin1Char('/') || c == QLatin1Char('?') || c == QLatin1Char('#'))
            break;
        if (c == QLatin1Char('@')) {   // user info before the host
            hostStart = end + 1;
            hostEnd = -1;
        } else if (c == QLatin1Char(':') && hostEnd < 0) {
            hostEnd = end;
        } else if (c == QLatin1Char('[') || c == QLatin1Char('%') || c.unicode() > 127) {
            return QString();   // IPv6, escapes, international names: the full parse
        }
    }
    if (hostEnd < 0)
        hostEnd = end;
    if (hostEnd <= hostStart)
        return QString();
    QString host = url.mid(hostStart, hostEnd - hostStart).toLower();
    for (const QChar c : std::as_const(host)) {
        if (!(c.isLetterOrNumber() || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('_')))
            return QString();
    }
    return host;
}

}

QList<THistoryPeriod> HistoryPeriods(const QDate &today)
{
    QList<THistoryPeriod> periods;
    periods.append({ QStringLiteral("Today"), today, today });
    const QLocale english(QLocale::English);
    for (int i = 1; i <= 6; ++i) {
        const QDate day = today.addDays(-i);
        periods.append({ english.dayName(day.dayOfWeek()), day, day });
    }
    periods.append({ QStringLiteral("Last Week"), today.addDays(-13), today.addDays(-7) });
    periods.append({ QStringLiteral("2 Weeks Ago"), today.addDays(-20), today.addDays(-14) });
    periods.append({ QStringLiteral("3 Weeks Ago"), today.addDays(-27), today.addDays(-21) });
    periods.append({ QStringLiteral("Older"), QDate(), today.addDays(-28) });
    return periods;
}

QString HistorySite(const QString &url)
{
    if (url.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return QStringLiteral("My Computer");
    const QString quick = quickHost(url);
    if (!quick.isEmpty())
        return quick;
    const QUrl parsed(url);
    if (parsed.scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("My Computer");
    const QString host = parsed.host();
    return host.isEmpty() ? url : host;
}

QList<THistorySite> GroupBySite(const QList<THistoryEntry> &entries)
{
    // Entry indexes per site, keyed without case; then each site's entries sorted by a
    // case-folded caption computed once.
    QHash<QString, int> siteIndex;
    QList<THistorySite> sites;
    std::vector<std::vector<int>> members;
    for (int i = 0; i < entries.size(); ++i) {
        const QString site = HistorySite(entries.at(i).url);
        const QString key = site.toCaseFolded();
        auto it = siteIndex.constFind(key);
        if (it == siteIndex.constEnd()) {
            it = siteIndex.insert(key, int(sites.size()));
            sites.append({ site, {} });
            members.emplace_back();
        }
        members[size_t(*it)].push_back(i);
    }
    std::vector<std::pair<QString, int>> keyed;
    for (int s = 0; s < sites.size(); ++s) {
        keyed.clear();
        for (const int i : members[size_t(s)])
            keyed.emplace_back(HistoryCaption(entries.at(i)).toCaseFolded(), i);
        std::stable_sort(keyed.begin(), keyed.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
        QList<THistoryEntry> &out = sites[s].entries;
        out.reserve(qsizetype(keyed.size()));
        for (const auto &k : keyed)
            out.append(entries.at(k.second));
    }
    std::stable_sort(sites.begin(), sites.end(), [](const THistorySite &a, const THistorySite &b) {
        return a.site.compare(b.site, Qt::CaseInsensitive) < 0;
    });
    return sites;
}

QList<THistoryPeriod> HistoryPeriodsWithVisits(const QString &storePath, const QDate &today)
{
    const QList<THistoryPeriod> all = HistoryPeriods(today);
    const QList<bool> used = TUrlHistory(storePath).HasVisitsDuring(all);
    QList<THistoryPeriod> out;
    for (int i = 0; i < all.size(); ++i) {
        if (used.value(i))
            out.append(all.at(i));
    }
    return out;
}

QList<THistorySite> HistorySitesDuring(const QString &storePath, const THistoryPeriod &period)
{
    return GroupBySite(TUrlHistory(storePath).VisitedDuring(period));
}

QDateTime HistoryExpiryCutoff(int days, const QDate &today)
{
    if (days < 0)
        return QDateTime();
    return today.addDays(-days).startOfDay();
}
