#pragma once
// TMainMenus: the window's main menus (File .. Help) and the menu band that shows them: a
// caption button per menu, clipped by the band, and the "&Menu" button at its right end
// that offers the menus cut off. Also the New button's drop-down (pmNew) and the bands'
// menu (pmCustomize) of the cool bar and the address label.
//
// A main menu is filled from the command table the first time it opens; its commands'
// keys work before that, since the key filter runs their rows directly.

#include "navigation/menubar.h"

#include <QList>
#include <QObject>

#include <functional>

class QMenu;
class QToolBar;
class QToolButton;
class QWidget;
class TBandLayout;
class TCommandTable;
class TCoolBar;

class TMainMenus : public QObject {
    Q_OBJECT
public:
    struct TParts {
        QWidget *window = nullptr;          // parent of the menus
        TCoolBar *coolBar = nullptr;
        QWidget *menuBand = nullptr;        // pnlMenuBar
        QToolBar *menuButtons = nullptr;    // tbMenu, in the menu band
        TBandLayout *bands = nullptr;
        // The bands the bands' menu shows: address, tool, menu, links (in that order).
        QList<QWidget *> bandPanels;
        QWidget *addressLabel = nullptr;    // its context menu is the bands' menu too
        QMenu *tabsMenu = nullptr;          // the Tabs menu, rebuilt by its owner
        std::function<void()> rebuildTabsMenu;
        QMenu *textSizeMenu = nullptr;      // View's Text Size
        std::function<bool()> fullScreen;
    };

    TMainMenus(TCommandTable *commands, TParts parts, QObject *parent = nullptr);

    QMenu *MainMenu(TMenuBarItem item) const { return m_mainMenus.value(int(item)); }
    QMenu *NewMenu() const { return m_newMenu; }
    QMenu *CustomizeMenu() const { return m_customize; }
    QToolButton *MenuButton() const { return m_menuButton; }   // "&Menu"
    QWidget *ButtonPanel() const { return m_buttonPanel; }     // clips the caption buttons

    void DropDownMenu(QMenu *menu);  // from its menu-bar button, or "&Menu" when cut off
    void DropDown(int index);        // the main menu at this menu-bar position
    void UpdateMenuBarOverflow();    // shows "&Menu" when the last menu button is cut off
    void PreparePmMenu();            // "&Menu": the Tabs menu rebuilt, cut-off menus shown

private:
    void registerRows();
    QMenu *mainMenu(const char *title, const char *name, std::initializer_list<const char *> items);
    void fill(QMenu *menu, std::initializer_list<const char *> items);
    void fillFileMenu(QMenu *file);
    void fillViewMenu(QMenu *view);
    void buildMenuBar();
    void buildCustomizeMenu();
    QList<int> menuBarRightEdges() const;

    TCommandTable *m_commands;
    TParts m_parts;
    QList<QMenu *> m_mainMenus;          // in menu-bar order
    QList<QToolButton *> m_menuBarButtons;
    QMenu *m_newMenu = nullptr;
    QMenu *m_customize = nullptr;
    QMenu *m_menuMenu = nullptr;         // "&Menu"'s menu
    QToolButton *m_menuButton = nullptr;
    QWidget *m_buttonPanel = nullptr;
};
