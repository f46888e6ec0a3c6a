#pragma once
// TfrmMain: the program's one main window, the composition root. It creates the subsystem
// objects, wires them, and forwards the operations other parts call by name. Subsystems:
//   TTabManager, TTabMenu, TTabDrops (browser/)       the strip, its tabs, menus and drops
//   TStatusArea (app/statusarea.h), TSessionKeeper (app/sessionkeeper.h), TStartPages
//   (app/startpages.h, the first pages), TWindowState (app/windowstate.h, the placement)
//   TCommandTable, TKeyFilter, TMainMenus, TPageCommands, TViewCommands, TAddressBar
//   (navigation/)
//   TToolbarBand, TBandLayout (options/), TFullScreen, TLogoPanel (components/)
//   TVessaGroups (groups/), TPopupVessa (popup/), TDownloads (browser/downloads.h)
//   the Favorites parts (favorites/favoritesparts.h), the side bar, search, services
// Every subsystem that keeps settings is an ISettingsPart, loaded and saved in one loop.
// The panels and bands, and the parts that live in them, are built by TWindowFrame
// (app/windowframe.h). The window's own code: main_window.cpp (creation, settings,
// activation, shutdown), browser/tab_commands.cpp (tab forwarders, New) and
// navigation/commands.cpp (the rows of the window's own commands).

#include "app/handover.h"
#include "app/kwoptions.h"
#include "app/problemreport.h"
#include "app/windowsettings.h"
#include "browser/tabhost.h"
#include "browser/tabmanager.h"
#include "groups/vessagroups.h"
#include "navigation/addressbar.h"
#include "popup/popupvessa.h"

#include <QMainWindow>
#include <QRect>
#include <QStringList>

class TBandLayout;
class TBrowserTab;
class TCommandTable;
class TDownloads;
class TFullScreen;
class TKeyFilter;
class TMainMenus;
class TPageCommands;
class TStatusArea;
class TLinksBar;
class THandOverReceiver;
class TSessionKeeper;
class TTabMenu;
class TViewCommands;
class TToolbarBand;
class TWindowFrame;
class TFlyswatHost;
class TVersionCheck;

class TfrmMain : public QMainWindow, public ITabPolicy, public THandOverTarget {
    Q_OBJECT
public:
    // argument: the program's first command-line argument ("" when none).
    explicit TfrmMain(const QString &argument = QString(), QWidget *parent = nullptr);
    ~TfrmMain() override;

    TKWOptions &Options() { return m_options; }
    // The window's settings as they stand (the placement and view as the window shows them
    // now), and applying a value to the running window: its own options, then every part
    // that keeps settings, in order. The window writes the value back when it shuts down.
    TWindowSettings Settings() const;
    void ApplySettings(const TWindowSettings &settings);

    // ---- The subsystems
    TTabManager *TabManager() const { return m_tabs; }
    TTabMenu *TabMenu() const { return m_tabMenu; }   // the tab context menu, the Tabs menu
    TStatusArea *StatusArea() const { return m_statusArea; }
    TAddressBar *AddressBar() const { return m_addressBar; }
    TFullScreen *FullScreen() const { return m_fullScreenPart; }
    TToolbarBand *ToolbarBand() const { return m_toolbar; }
    TBandLayout *BandLayout() const { return m_bands; }
    TVessaGroups *VessaGroups() const { return m_groups; }
    TLinksBar *LinksBar() const { return m_links; }
    TPopupVessa *PopupVessa() const { return m_popup; }
    TDownloads *Downloads() const { return m_downloads; }
    TPageCommands *PageCommands() const { return m_pageCommands; }
    TMainMenus *Menus() const { return m_menus; }
    TViewCommands *View() const { return m_view; }   // the View menu's bars and full screen
    // Every command of the window: menus, toolbar buttons and keys run its actions.
    TCommandTable *Commands() const { return m_commands; }

    // ---- Tabs (browser/tab_commands.cpp): forwarded to the tab manager
    TBrowserTab *CreateForegroundTab();
    TBrowserTab *CreateBackgroundTab();
    TBrowserTab *CreateHiddenTab();
    TBrowserTab *ActiveTab() const;
    int TabCount() const;                      // pages, hidden ones included
    TBrowserTab *TabAt(int pageIndex) const;
    QList<TBrowserTab *> Tabs() const;         // strip order, hidden ones included
    void CloseTab(TBrowserTab *tab);           // Close: resets the only tab
    void CloseAll(bool silent);
    void OpenUrlByPreference(const QString &url, bool newTabPreference);
    void ActivateTab(TBrowserTab *tab);        // makes it active and runs the tab change
    QString HomePage() const;                  // "Start Page", else "about:blank"
    void actNewExecute();
    void actNewBlankExecute();
    void actNewHomeExecute();
    void actNewCurrentExecute();
    void actNewClipboardExecute();
    void actCloseExecute();

    // ---- ITabPolicy: the window's part of what a tab needs (the address bar is the
    // address part, the status area the status part)
    bool PopupMatches(const QString &url) override { return m_popup->PopupMatches(url); }
    bool WindowIsActive() const override { return m_windowIsActive; }
    int TitleLimit() const override { return m_settings.limitTitleLength; }
    bool FlyswatEnabled() const override;     // new views get the add-on
    bool FlyswatShowLinks() const override;   // new views show its links

    // ---- THandOverTarget
    void RestoreAndRaise() override;
    void OpenGroup(const QString &path, bool closeOthersFirst) override { m_groups->OpenGroup(path, closeOthersFirst); }
    void OpenInNewForegroundTab(const QString &text) override;
    bool CurrentVGCloseFirst() const override { return m_groups->CloseFirst(); }

    // Tests and the hand-over: whether closing asks the user.
    void SetCloseWithoutConfirmation(bool on) { m_closeWithoutConfirmation = on; }

Q_SIGNALS:
    // Internet Options closed: the side bar refreshes its history tree when it shows it.
    void InternetOptionsClosed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // main_window.cpp
    void FormCreate();
    void Save(TWindowSettings &settings) const;   // every settings part, what it shows now
    void FormActivate();
    void FormDeactivate();
    bool FormCloseQuery();
    void Shutdown();
    bool AskCloseAll();                  // tab_commands.cpp: false keeps the tabs
    void BuildCommandTable();            // commands.cpp: the window's own rows

    TKWOptions m_options;
    QString m_argument;
    // The settings in use, read at creation and written back at shutdown; m_settingsAsRead
    // keeps them as read, so that what nobody changed is not written.
    TWindowSettings m_settings;
    TWindowSettings m_settingsAsRead;
    QList<ISettingsPart *> m_settingsParts;   // loaded and saved with the settings, in order

    // ---- The subsystems (created in FormCreate)
    TCommandTable *m_commands = nullptr;
    TWindowFrame *m_frame = nullptr;       // the panels and bands; the parts below come from it
    THandOverReceiver *m_handOver = nullptr;
    TSessionKeeper *m_session = nullptr;   // the record of the open tabs
    TTabManager *m_tabs = nullptr;         // the tab strip and its tabs
    TToolbarBand *m_toolbar = nullptr;     // tbMain and tbmain.dat
    TBandLayout *m_bands = nullptr;        // the cool bar's bands and their stored layout
    TAddressBar *m_addressBar = nullptr;   // the address band
    TKeyFilter *m_keyFilter = nullptr;     // the window's keys, before the focused control
    TPageCommands *m_pageCommands = nullptr;   // refresh, stop, edit, open, text size, help
    TTabMenu *m_tabMenu = nullptr;         // the tab context menu and the Tabs menu
    TMainMenus *m_menus = nullptr;         // the main menus, the menu band, New and bands' menus
    TViewCommands *m_view = nullptr;       // the View menu's bars and full screen
    TStatusArea *m_statusArea = nullptr;   // the status bar and the logo's animation
    TFullScreen *m_fullScreenPart = nullptr;
    TVessaGroups *m_groups = nullptr;      // VessaGroups: groups, their menu, the start-up group
    TPopupVessa *m_popup = nullptr;        // PopupVessa: the popup filter
    TDownloads *m_downloads = nullptr;     // file downloads and the Downloads window

    TLinksBar *m_links = nullptr;          // the links bar (the rest of Favorites keeps itself)
    TVersionCheck *m_versionCheck = nullptr;   // the version check, started after the first pages
    TFlyswatHost *m_flyswat = nullptr;     // the add-on host: its button, whether views get it
    bool m_ie4Mode = false;
    bool m_windowIsActive = false;
    QStringList m_startProblems;           // collected while the window is created
    TProblemReport m_problems;             // failures that did not stop the window, told once
    bool m_closeWithoutConfirmation = false;
    bool m_shutDown = false;
};
