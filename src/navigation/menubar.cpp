#include "navigation/menubar.h"

TMenuOverflow MenuBarOverflow(const QList<int> &rightEdges, int panelWidth)
{
    TMenuOverflow result;
    if (!rightEdges.isEmpty())
        result.menuButtonShown = rightEdges.last() > panelWidth;
    for (int i = 0; i < MenuBarItemCount; ++i) {
        const auto item = TMenuBarItem(i);
        const bool alwaysShown = item == TMenuBarItem::Tools || item == TMenuBarItem::Tabs;
        const bool cutOff = i < rightEdges.size() && panelWidth < rightEdges.at(i);
        if (alwaysShown || cutOff)
            result.menuItems.append(item);
    }
    return result;
}

QString TabsMenuCaption(int position, const QString &stickyName, const QString &fullTitle)
{
    QString text = stickyName;
    if (text.isEmpty())
        text = fullTitle;
    if (text.isEmpty() || text == QLatin1String("about:blank"))
        text = QStringLiteral("Blank");
    text.replace(QLatin1Char('&'), QLatin1String("&&"));
    if (position >= 1 && position <= 9)
        return QLatin1Char('&') + QString::number(position) + QLatin1String("    ") + text;
    return QLatin1String("      ") + text;
}
