#pragma once
// TWindowFrame: the main window's panels and bands, built once in a fixed order (the
// order is the keyboard focus order): the top panel with the cool bar and the logo, the
// menu, tool, address and links bands, the side bar's place, the tab strip and the status
// bar. It makes the parts that live in those panels — the logo panel, the toolbar band,
// the address bar, the band layout, the status area, the tab manager and full screen —
// and wires what happens between them; it gives the window its icon. The window takes
// them from here.

#include <QObject>

class ITabPolicy;
class QMainWindow;
class QToolBar;
class QWidget;
class TAddressBar;
class TBandLayout;
class TBrowserTab;
class TCommandTable;
class TCoolBar;
class TFullScreen;
class TLogoPanel;
class TStatusArea;
class TTabManager;
class TToolbarBand;

class TWindowFrame : public QObject {
    Q_OBJECT
public:
    // window: gets the panels as its central widget and the status bar. commands: the
    // table the toolbar and the bands' menu are built from, and whose guard runs the logo's
    // buttons. policy: the window's part of what a tab needs.
    TWindowFrame(QMainWindow *window, TCommandTable *commands, ITabPolicy *policy, QObject *parent = nullptr);

    TTabManager *Tabs() const { return m_tabs; }
    TStatusArea *StatusArea() const { return m_statusArea; }
    TAddressBar *AddressBar() const { return m_addressBar; }
    TToolbarBand *Toolbar() const { return m_toolbar; }
    TBandLayout *Bands() const { return m_bands; }
    TFullScreen *FullScreen() const { return m_fullScreen; }
    TLogoPanel *LogoPanel() const { return m_logoPanel; }

    // The named panels (objectName as the accessor's name).
    QWidget *Top() const { return m_top; }              // pnlTop
    TCoolBar *Coolbar() const { return m_coolbar; }     // cbCoolbar
    QWidget *MenuBand() const { return m_menuBand; }    // pnlMenuBar
    QToolBar *MenuBar() const { return m_menuBar; }     // tbMenu, the menu captions
    QWidget *ToolBand() const { return m_toolBand; }    // pnlToolbar
    QWidget *LinksBand() const { return m_linksBand; }  // pnlLinks
    QWidget *SideBarPlace() const { return m_sideBar; } // pnlVessaBar, hidden until shown

    // The strip fills the centre panel exactly (it draws no border of its own).
    void LayoutTabStrip();

protected:
    // The window's events: the logo panel follows the bands' height on a resize, and the
    // status bar shows the hints of what the pointer is over.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void closeTab(TBrowserTab *tab);   // the logo's Close and a middle click; not while a group loads

    TCommandTable *m_commands;
    QWidget *m_top = nullptr;
    TCoolBar *m_coolbar = nullptr;
    QWidget *m_menuBand = nullptr;
    QToolBar *m_menuBar = nullptr;
    QWidget *m_toolBand = nullptr;
    QWidget *m_linksBand = nullptr;
    QWidget *m_sideBar = nullptr;
    QWidget *m_center = nullptr;
    TLogoPanel *m_logoPanel = nullptr;
    TToolbarBand *m_toolbar = nullptr;
    TAddressBar *m_addressBar = nullptr;
    TBandLayout *m_bands = nullptr;
    TStatusArea *m_statusArea = nullptr;
    TTabManager *m_tabs = nullptr;
    TFullScreen *m_fullScreen = nullptr;
};
