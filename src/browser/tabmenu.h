#pragma once
// TTabMenu: the tab strip's context menu (pmTab) and the Tabs menu (mnuTabs). The context
// menu's commands act on the tab under the last right-click (or drag), its target; run from
// a key they act on the active tab. It registers their rows in the command table.

#include "app/settingspart.h"

#include <QObject>

#include <functional>

class QAction;
class QMenu;
class QWidget;
class TBrowserTab;
class TCommandTable;
class TTabManager;

class TTabMenu : public QObject, public ISettingsPart {
    Q_OBJECT
public:
    // refreshTab: the Refresh command's way of reloading a tab (completely while Ctrl is held).
    TTabMenu(QWidget *window, TTabManager *tabs, TCommandTable *commands,
             std::function<void(TBrowserTab *)> refreshTab, QObject *parent = nullptr);

    // Builds pmTab from the table, once the rows of the groups and the popup filter that it
    // shows are registered.
    void BuildMenu();
    QMenu *Menu() const { return m_menu; }
    QMenu *TabsMenu() const { return m_tabsMenu; }

    TBrowserTab *TabTarget() const;            // the tab under the last right-click
    // Runs a command with the active tab as the target (a key of the tab menu's commands).
    void RunOnActiveTab(const std::function<void()> &run);
    // With the tabs on top, Close, Close All and Hide from Close All come first.
    void PutCloseFirst();
    // With the tabs on top, the close items come first in the tab menu.
    void Load(const TWindowSettings &settings) override;
    void RebuildTabsMenu();

    void pmTabLockedClick();
    void pmTabStickyNameClick();
    void pmTabHideFromCloseAllClick();
    void pmTabStopClick();
    void pmTabRefreshClick();
    void pmTabHomeClick();
    void pmTabCloseClick();

private:
    void registerRows();
    void popup();   // sets the items for the target before the menu shows

    QWidget *m_window;
    TTabManager *m_tabs;
    TCommandTable *m_commands;
    std::function<void(TBrowserTab *)> m_refreshTab;
    QMenu *m_menu = nullptr;
    QMenu *m_tabsMenu;
    int m_targetIndex = -1;
    QAction *m_locked = nullptr;
    QAction *m_stickyName = nullptr;
    QAction *m_home = nullptr;
    QAction *m_hide = nullptr;           // Hide from Close All
    QAction *m_close = nullptr;
};
