#pragma once
// Menu-bar rules: which menus the "&Menu" button offers when the bar is too narrow, and
// the captions of the Tabs menu.

#include <QList>
#include <QString>

// The menu-bar buttons, in bar order.
enum class TMenuBarItem { File, Edit, View, Go, Favorites, VessaGroups, Options, Tools, Tabs, Help };
constexpr int MenuBarItemCount = 10;

struct TMenuOverflow {
    bool menuButtonShown = false;    // "&Menu" at the bar's right end
    QList<TMenuBarItem> menuItems;   // the sub-menus "&Menu" shows, in bar order
};

// rightEdges: each button's right edge in bar order (missing ones count as fitting).
// "&Menu" shows when the last button ends beyond panelWidth. Its menu holds every menu
// whose button ends beyond panelWidth, and Tools and Tabs always.
TMenuOverflow MenuBarOverflow(const QList<int> &rightEdges, int panelWidth);

// The Tabs menu item for the tab at position (1-based): "&" + position + four spaces +
// text up to 9, six spaces + text from 10. The text is the sticky name, else the title,
// else "Blank" (also for "about:blank"); its own "&" are doubled so they show literally.
QString TabsMenuCaption(int position, const QString &stickyName, const QString &fullTitle);
