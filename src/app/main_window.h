#pragma once
// TfrmMain: the program's one main window, the composition root. It creates the subsystem
// objects, wires them, and forwards the operations other parts call by name:
//   TTabManager (browser/tabmanager.h)   the tab strip and its tabs
//   TStatusArea (app/statusarea.h)       the status bar and the logo's animation
//   TFullScreen (components/fullscreen.h), TAddressBar (navigation/addressbar.h),
//   TToolbarBand (options/toolbarband.h), TBandLayout (options/bandlayout.h),
//   TVessaGroups (groups/vessagroups.h), TPopupVessa (popup/popupvessa.h),
//   TSessionKeeper (app/sessionkeeper.h), TCommandTable (navigation/commandtable.h),
//   TKeyFilter (navigation/appkeyfilter.h), TPageCommands (navigation/pagecommands.h),
//   TTabMenu (browser/tabmenu.h), TTabDrops (browser/tabdrops.h),
//   TMainMenus (navigation/mainmenus.h).
// What is still the window's own is split across source files:
//   app/main_window.cpp          creation, settings, initial pages, view toggles, shutdown
//   app/main_window_ui.cpp       building the widgets, the logo and tab strip layout
//   browser/tab_commands.cpp     tab operations forwarded to TTabManager, the New commands
//   navigation/commands.cpp      the command table's rows of the window's own commands

#include "app/handover.h"
#include "app/kwoptions.h"
#include "app/windowsettings.h"
#include "browser/tabhost.h"
#include "browser/tabmanager.h"
#include "groups/vessagroups.h"
#include "navigation/addressbar.h"
#include "popup/popupvessa.h"

#include <QKeySequence>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QSet>
#include <QStringList>

class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QMenu;
class QTimer;
class QToolBar;
class QToolButton;
class TBandLayout;
class TBrowserTab;
class TCommandTable;
class TCoolBar;
class TFullScreen;
class TKWComboBox;
class TKeyFilter;
class TKWPageControl;
class TLogoAnimation;
class TMainMenus;
class TPageCommands;
class TTabMenu;
class TStatusArea;
class TGroupMenu;
class THandOverReceiver;
class TSessionKeeper;
class TToolbarBand;

class TfrmMain : public QMainWindow, public ITabPolicy,
                 public THandOverTarget {
    Q_OBJECT
public:
    // argument: the program's first command-line argument ("" when none).
    explicit TfrmMain(const QString &argument = QString(), QWidget *parent = nullptr);
    ~TfrmMain() override;

    TKWOptions &Options() { return m_options; }

    // The window's settings as they stand (the placement and view as the window shows them
    // now), and applying a changed value to the running window. The window writes the
    // value back when it shuts down.
    TWindowSettings Settings() const;
    void ApplySettings(const TWindowSettings &settings);

    // ---- Tabs (browser/tab_commands.cpp): forwarded to the tab manager
    TTabManager *TabManager() const { return m_tabs; }
    TBrowserTab *CreateForegroundTab();
    TBrowserTab *CreateBackgroundTab();
    TBrowserTab *CreateHiddenTab();
    TBrowserTab *ActiveTab() const;
    int TabCount() const;                      // pages, hidden ones included
    TBrowserTab *TabAt(int pageIndex) const;
    QList<TBrowserTab *> Tabs() const;         // strip order, hidden ones included
    void CloseTab(TBrowserTab *tab);           // Close: resets the only tab
    void CloseAll(bool silent);
    void CloseAllKeepCurrent();
    void CloseAllShowList();
    void CloseHiddenTabs();
    void OpenUrlByPreference(const QString &url, bool newTabPreference);
    void SelectNextTab(bool forward);
    void ActivateTab(TBrowserTab *tab);        // makes it active and runs the tab change
    void pcPageChange();                       // the tab-change handling
    QString HomePage() const;                  // "Start Page", else "about:blank"
    static QString ReadHomePage();
    bool PlacementAtEnd() const { return m_tabs->PlacementAtEnd(); }
    void SetPlacementAtEnd(bool on) { m_tabs->SetPlacementAtEnd(on); }
    bool GroupLoading() const { return m_tabs->GroupLoading(); }
    void SetGroupLoading(bool on) { m_tabs->SetGroupLoading(on); }
    bool OpenNewInForeground() const { return m_tabs->OpenNewInForeground(); }
    void SetOpenNewInForeground(bool on) { m_tabs->SetOpenNewInForeground(on); }
    TTabMenu *TabMenu() const { return m_tabMenu; }   // the tab context menu, the Tabs menu

    void actNewExecute();
    void actNewBlankExecute();
    void actNewHomeExecute();
    void actNewCurrentExecute();
    void actNewClipboardExecute();
    void actCloseExecute();

    // ---- The status bar: the tabs report to it directly; these forward to it
    TStatusArea *StatusArea() const { return m_statusArea; }
    void ShowStatusText(const QString &text);
    void ShowProgress(int progress, int progressMax);
    void ShowProgressBar();
    void HideProgressBar();
    void UpdateSecureAndAnimation();

    // ---- ITabPolicy: the window's part of what a tab needs (the address bar is the
    // address part, the status area the status part)
    void StartHiddenTabTimer();
    bool PopupMatches(const QString &url) override { return m_popup->PopupMatches(url); }
    bool WindowIsActive() const override { return m_windowIsActive; }
    int TitleLimit() const override { return m_settings.limitTitleLength; }

    // ---- THandOverTarget
    void RestoreAndRaise() override;
    void OpenGroup(const QString &path, bool closeOthersFirst) override { m_groups->OpenGroup(path, closeOthersFirst); }
    void OpenInNewForegroundTab(const QString &text) override;
    bool CurrentVGCloseFirst() const override { return m_groups->CloseFirst(); }

    // ---- Address bar (navigation/addressbar.*): forwarded to the address bar
    TAddressBar *AddressBar() const { return m_addressBar; }
    TKWComboBox *AddressBox() const { return m_addressBar->AddressBox(); }
    QStringList TypedAddresses() const { return m_addressBar->TypedAddresses(); }
    void SetTypedAddresses(const QStringList &list) { m_addressBar->SetTypedAddresses(list); }
    bool cboAddressKeyDown(int key, Qt::KeyboardModifiers modifiers)   // true: consumed
    {
        return m_addressBar->cboAddressKeyDown(key, modifiers);
    }
    void imgIELinkMouseDown() { m_addressBar->imgIELinkMouseDown(); }
    void LoadAddressCompletion() { m_addressBar->LoadAddressCompletion(m_options); }
    void ShowGoButton(bool show) { m_addressBar->ShowGoButton(show); }
    void ShowAddress(const QString &url) { m_addressBar->ShowAddress(url); }
    void ResyncAddress() { m_addressBar->ResyncAddress(); }
    bool AddressBeingEdited() const { return m_addressBar->AddressBeingEdited(); }
    void RevertAddress() { m_addressBar->RevertAddress(); }
    void FocusAddressForTyping() { m_addressBar->FocusAddressForTyping(); }

    // ---- View, full screen, side bar (app/main_window.cpp)
    void ApplyBandVisibility();
    TFullScreen *FullScreen() const { return m_fullScreenPart; }
    void SetFullScreen(bool on);
    bool IsFullScreen() const;
    void ShowVessaBar(bool show);
    void ToggleStatusBar();

    // ---- Toolbar and bands: forwarded to the toolbar band and the band layout
    TToolbarBand *ToolbarBand() const { return m_toolbar; }
    TBandLayout *BandLayout() const { return m_bands; }
    QToolBar *MainToolbar() const;
    void CreateToolbarButton(int id);          // at the front, as the catalogue says
    void ResetToolbar();
    void LoadToolbarButtons();
    bool SaveToolbarButtons();                 // false: tbmain.dat could not be written
    void LoadBandLayout();
    void SaveBandLayout();
    void ApplyToolbarColor(bool color);
    QToolButton *ToolButtonByName(const QString &name) const;

    // ---- Commands: the page commands (navigation/pagecommands.h) and the menus
    TPageCommands *PageCommands() const { return m_pageCommands; }
    TMainMenus *Menus() const { return m_menus; }
    // Every command of the window: menus, toolbar buttons and keys run its actions.
    TCommandTable *Commands() const { return m_commands; }

Q_SIGNALS:
    // Internet Options closed: the side bar refreshes its history tree when it shows it.
    void InternetOptionsClosed();

private:
    void ShowHint(const QString &tip);   // "short|long": the long part in the status bar
    TCommandTable *m_commands = nullptr;

public:

    // ---- Groups and popups: forwarded to their subsystems
    TVessaGroups *VessaGroups() const { return m_groups; }
    TPopupVessa *PopupVessa() const { return m_popup; }
    void OpenGroup(const QString &path, bool closeOthersFirst, bool firstLoad)
    {
        m_groups->OpenGroup(path, closeOthersFirst, firstLoad);
    }
    void actSaveAsVessaGroupExecute() { m_groups->actSaveAsVessaGroupExecute(); }
    void pmAddToVessaGroupClick() { m_groups->pmAddToVessaGroupClick(); }
    void pmTandemGroupsOrganize2Click() { m_groups->pmTandemGroupsOrganize2Click(); }
    void AddTabToGroup(TBrowserTab *tab) { m_groups->AddTabToGroup(tab); }
    TGroupMenu *GroupMenu() const { return m_groups->GroupMenu(); }
    void ReloadPopupList() { m_popup->ReloadPopupList(); }
    QStringList PopupList() const { return m_popup->PopupList(); }   // the working copy, name=data
    void AddToPopupVessa(TBrowserTab *tab) { m_popup->AddToPopupVessa(tab); }

    // Tests and the hand-over: whether closing asks the user.
    void SetCloseWithoutConfirmation(bool on) { m_closeWithoutConfirmation = on; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // main_window.cpp
    void FormCreate();
    // Applies the settings to the window: its options, the tab strip's look, the view and
    // the placement. Save puts what the window shows now (placement, view) into them.
    void Load(const TWindowSettings &settings);
    void Save(TWindowSettings &settings) const;
    void OpenInitialPages();
    void tmrLoadCoolbarTimer();
    void FormActivate();
    void FormDeactivate();
    bool FormCloseQuery();
    void Shutdown();
    void ApplyTabColors(const QString &scheme, int inactiveTabColor, int inactiveFontColor);
    void ApplyTabPosition(bool tabsDown);
    void FollowFullScreen(bool on);   // the view commands, after full screen began or ended
    void EnsureKWID(const QString &stored);
    void RestorePlacement(QRect wanted, bool maximized);
    void SavePlacement(TWindowSettings &settings) const;
    // Shows failures that did not stop the window (damaged settings, no wake-up listener)
    // in one message box; a message already shown is not shown again.
    void ReportProblems(const QStringList &messages);

    // main_window_ui.cpp
    void BuildWidgets();
    void BuildLogoPanel();
    void LayoutTabStrip();
    void LayoutLogoPanel();

    // tab_commands.cpp
    bool AskCloseAll();       // the Close All confirmation; false keeps the tabs


    // commands.cpp
    void BuildCommandTable();        // the table and the window's own rows

public:
    // Components that stand for the named parts of the window (objectName = member name).
    TKWPageControl *pcPage = nullptr;
    TCoolBar *cbCoolbar = nullptr;
    QWidget *pnlTop = nullptr;
    QWidget *pnlCenter = nullptr;
    QWidget *pnlMenuBar = nullptr;
    QToolBar *tbMenu = nullptr;
    QWidget *pnlToolbar = nullptr;
    QToolButton *tbxBar = nullptr;
    QWidget *pnlLinks = nullptr;
    QWidget *pnlVessaBar = nullptr;
    QWidget *pnlCloseButtons = nullptr;
    QToolButton *tbClose = nullptr;
    QToolButton *tbCloseAll = nullptr;

    // Actions other parts and tests reach by name.
    QAction *actBack = nullptr;
    QAction *actForward = nullptr;
    QAction *pmViewToolbar = nullptr;
    QAction *pmViewAddressBar = nullptr;
    QAction *pmViewLinksBar = nullptr;
    QAction *pmViewStatusBar = nullptr;
    QAction *pmViewMenuBar = nullptr;
    QAction *pmViewVessaBar = nullptr;
    QAction *pmViewFullScreen = nullptr;
    QAction *pmNewClipboard = nullptr;

private:
    TKWOptions m_options;
    QString m_argument;
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

    // The settings in use, read at creation and written back at shutdown; m_settingsAsRead
    // keeps them as read, so that what nobody changed is not written.
    TWindowSettings m_settings;
    TWindowSettings m_settingsAsRead;
    TStatusArea *m_statusArea = nullptr;   // the status bar and the logo's animation
    TFullScreen *m_fullScreenPart = nullptr;
    QWidget *gpLogo = nullptr;             // the logo and the close buttons
    TLogoAnimation *imgLogo = nullptr;

    TVessaGroups *m_groups = nullptr;     // VessaGroups: groups, their menu, the start-up group
    TPopupVessa *m_popup = nullptr;       // PopupVessa: the popup filter
    bool m_ie4Mode = false;

    bool m_windowIsActive = false;
    QStringList m_startProblems;         // collected while the window is created
    QSet<QString> m_reportedProblems;
    bool m_closeWithoutConfirmation = false;
    bool m_shutDown = false;
};
