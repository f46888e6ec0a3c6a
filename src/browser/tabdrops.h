#pragma once
// TTabDrops: text, a link or a file dropped on a tab header of the strip. Dropped on the
// active tab it opens in a new background tab (as that tab's home); dropped on another
// tab, that tab goes there. An Internet shortcut file (.url) gives its address.

#include <QObject>

class TTabManager;

class TTabDrops : public QObject {
    Q_OBJECT
public:
    explicit TTabDrops(TTabManager *tabs, QObject *parent = nullptr);

    // tab: the strip's tab index the text was dropped on (-1: off the headers).
    void OnTextDropped(int tab, const QString &textOrPath);

private:
    TTabManager *m_tabs;
};
