#pragma once
// Where a navigation of the search panel goes. Search pages mark the links that belong in
// the browser tabs with the target "_main" (on the link, or as the document's <base>
// target), and the links that must stay in the panel with the prefix "DEF:". Everything
// else stays in the panel. The engine tells neither the target nor the clicked element at
// navigation time, so the decision takes the last link click the page reported.
//
// The panel shows pages of any site, so an address it hands on must be a web address:
// "DEF:file:..." or a "_main" link to "data:" or "javascript:" is refused, never opened as
// if the user had typed it.

#include "platform/webcontrol.h"

#include <QList>
#include <QString>

enum class TSearchRouteKind {
    AsRequested,   // nothing to change: the panel loads it (a new window: a new tab)
    InPanel,       // cancel it and load url in the panel instead ("DEF:" + url)
    ToTabs,        // cancel it and open url in the browser tabs
    Refused        // cancel it and open nothing
};

struct TSearchRoute {
    TSearchRouteKind kind = TSearchRouteKind::AsRequested;
    QString url;          // for InPanel and ToTabs
    bool newTab = false;  // ToTabs: in a tab of its own (else the active tab)
};

namespace TSearchRouting {

// http or https with a host: the only addresses the panel hands on.
bool IsWebAddress(const QString &url);
// The target that decides: the link's own, else the document's base target.
QString EffectiveTarget(const TLinkClick &click);
// Whether the navigation to url is the one the click started (a sent form's address
// carries its fields, so only the part before the query is compared for it).
bool ClickStarted(const TLinkClick &click, const QString &url);
// The decision for a navigation (or a new window) to url. click: the last click the page
// reported and not yet used (nullptr: none). searchNewWin: the "SearchNewWin" setting;
// shift: Shift held, which inverts it.
TSearchRoute Route(const QString &url, const TLinkClick *click, bool searchNewWin, bool shift);

}

// Keeps a page in the panel from opening windows without end: at most `limit` windows in
// any period of `periodMs`. Once a window was refused, windows open again only after a
// whole period without any attempt, so a page that keeps trying gets nothing more. Times
// are in milliseconds of any steadily rising clock.
class TWindowBudget {
public:
    explicit TWindowBudget(int limit = 3, qint64 periodMs = 10000) : m_limit(limit), m_periodMs(periodMs) {}
    // Whether a window may open now; counts it when it may.
    bool Take(qint64 nowMs);

private:
    int m_limit;
    qint64 m_periodMs;
    QList<qint64> m_opened;   // times of the windows let through within the period
    qint64 m_refusedAt = -1;  // the last refused attempt; -1 when none holds windows back
};
