#include "search/searchroute.h"

#include <QUrl>

namespace TSearchRouting {

namespace {
const QLatin1String MainTarget("_main");
const QLatin1String KeepPrefix("DEF:");
}

bool IsWebAddress(const QString &url)
{
    const QUrl parsed(url.trimmed(), QUrl::StrictMode);
    const QString scheme = parsed.scheme();
    return parsed.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
            && !parsed.host().isEmpty();
}

QString EffectiveTarget(const TLinkClick &click)
{
    return click.target.isEmpty() ? click.baseTarget : click.target;
}

bool ClickStarted(const TLinkClick &click, const QString &url)
{
    QUrl::FormattingOptions strip = QUrl::RemoveFragment;
    if (click.form)
        strip |= QUrl::RemoveQuery;
    const QUrl clicked = QUrl(click.href).adjusted(strip);
    const QUrl navigation = QUrl(url).adjusted(strip);
    return clicked.isValid() && !clicked.isEmpty() && clicked == navigation;
}

TSearchRoute Route(const QString &url, const TLinkClick *click, bool searchNewWin, bool shift)
{
    TSearchRoute route;
    if (url.left(4).toUpper() == KeepPrefix) {
        const QString rest = url.mid(4).trimmed();
        route.kind = IsWebAddress(rest) ? TSearchRouteKind::InPanel : TSearchRouteKind::Refused;
        if (route.kind == TSearchRouteKind::InPanel)
            route.url = rest;
        return route;
    }
    if (click && ClickStarted(*click, url) && EffectiveTarget(*click) == MainTarget) {
        route.kind = IsWebAddress(url) ? TSearchRouteKind::ToTabs : TSearchRouteKind::Refused;
        if (route.kind == TSearchRouteKind::ToTabs) {
            route.url = url;
            route.newTab = searchNewWin != shift;
        }
    }
    return route;
}

}

bool TWindowBudget::Take(qint64 nowMs)
{
    if (m_refusedAt >= 0 && nowMs - m_refusedAt < m_periodMs) {
        m_refusedAt = nowMs;
        return false;
    }
    m_refusedAt = -1;
    while (!m_opened.isEmpty() && nowMs - m_opened.first() >= m_periodMs)
        m_opened.removeFirst();
    if (m_opened.size() >= m_limit) {
        m_refusedAt = nowMs;
        return false;
    }
    m_opened.append(nowMs);
    return true;
}
