#pragma once
// How the side bar's history tree groups the visits of the URL history store: by period
// (today, each of the six days before, then earlier weeks) and, inside a period, by site.
// Widget-free; the tree's model asks for one period's sites when that folder is opened.

#include "platform/urlhistory.h"

#include <QDate>
#include <QList>
#include <QString>

// "Today", the six days before by weekday name, then "Last Week", "2 Weeks Ago",
// "3 Weeks Ago" and "Older"; newest first, contiguous, no day in two periods.
QList<THistoryPeriod> HistoryPeriods(const QDate &today);

// Site folders: the host of the address (lower case), "My Computer" for local files, else
// the address itself (mailto:, about: and addresses without a host).
QString HistorySite(const QString &url);

struct THistorySite {
    QString site;
    QList<THistoryEntry> entries;   // by caption (title, else address), without case
};
// Sites sorted without case; an address belongs to the site of its host whatever the
// host's case. Linear in the number of entries apart from the sorting.
QList<THistorySite> GroupBySite(const QList<THistoryEntry> &entries);

// The caption of a history entry in the tree and the find list: its title, else its address.
inline QString HistoryCaption(const THistoryEntry &entry)
{
    return entry.title.isEmpty() ? entry.url : entry.title;
}

// The periods of today (local date) that hold visits in the store at storePath.
QList<THistoryPeriod> HistoryPeriodsWithVisits(const QString &storePath, const QDate &today);
// The sites of one period as the tree shows them.
QList<THistorySite> HistorySitesDuring(const QString &storePath, const THistoryPeriod &period);

// The cutoff of "keep days days of history": the start of the local day days before today.
// A negative count keeps everything (invalid cutoff).
QDateTime HistoryExpiryCutoff(int days, const QDate &today);
