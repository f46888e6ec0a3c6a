#pragma once
// TfrmMain: the program's one main window, the composition root. It creates the subsystem
// objects, wires them, and forwards the operations other parts call by name:
//   TTabManager (browser/tabmanager.h)   the tab strip and its tabs
//   TStatusArea (app/statusarea.h)       the status bar and the logo's animation
//   TFullScreen (components/fullscreen.h), TAddressBar (navigation/addressbar.h),
//   TToolbarBand (options/toolbarband.h), TBandLayout (options/bandlayout.h),
//   TVessaGroups (groups/vessagroups.h), TPopupVessa (popup/popupvessa.h),
//   TSessionKeeper (app/sessionkeeper.h), TCommandTable (navigation/commandtable.h).
// What is still the window's own is split across source files:
//   app/main_window.cpp          creation, settings, initial pages, view toggles, shutdown
//   app/main_window_ui.cpp       building the widgets, the logo and tab strip layout
//   browser/tab_commands.cpp     tab operations forwarded to TTabManager, tab menus, drops
//   navigation/commands.cpp      the command table's rows, the menus and the menu bar
//   navigation/keyfilter.cpp     the application-wide key and message filter
//   navigation/page_commands.cpp the page, edit, offline, help and history commands

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
class TKWPageControl;
class TLogoAnimation;
class TStatusArea;
class TGroupMenu;
class TFavoritesMenu;
class TLinkLauncher;
class TLinksBar;
class THandOverReceiver;
class TSessionKeeper;
class TSearchEngines;
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
    TBrowserTab *TabTarget() const;            // the tab under the last right-click

    void actNewExecute();
    void actNewBlankExecute();
    void actNewHomeExecute();
    void actNewCurrentExecute();
    void actNewClipboardExecute();
    void actCloseExecute();
    void pmTabLockedClick();
    void pmTabStickyNameClick();
    void pmTabHideFromCloseAllClick();
    void pmTabStopClick();
    void pmTabRefreshClick();
    void pmTabHomeClick();
    void pmTabCloseClick();
    void RebuildTabsMenu();
    void OnTextDropped(int tab, const QString &textOrPath);

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

    // ---- Commands (navigation/commands.cpp, page_commands.cpp, keyfilter.cpp)
    void RefreshTab(TBrowserTab *tab);                    // completely while Ctrl is held
    void RefreshTab(TBrowserTab *tab, bool completely);
    void StopAll();
    void RefreshAll();
    void RefreshAllTabs(bool completely);
    void actOpenExecute();
    void mnuEditCutClick();          // Cut, Copy, Paste and Select All go to the focused
    void mnuEditCopyClick();         // edit field of the window, else to the side bar's
    void mnuEditPasteClick();        // search browser when it has the focus, else to the
    void mnuEditSelectAllClick();    // active page
    void mnuEditFindClick();
    void SetTextSize(int size);      // of the active page, 0 (smallest) .. 4 (largest)
    void SetWorkOffline(bool offline);
    void ShowOfflineState(bool offline);   // Work Offline's check and the status bar's label
    void mnuOptionsInternetClick();
    void mnuToolsFavsClick();        // Clear Addresses, after asking
    void EditDocument(const QString &editor);   // the active page in an editor of pmEditDocument
    void DropDownMenu(QMenu *menu);  // from its menu-bar button, or "&Menu" when cut off
    void UpdateMenuBarOverflow();    // shows "&Menu" when the last menu button is cut off
    void PreparePmMenu();            // "&Menu": the Tabs menu rebuilt, cut-off menus shown
    void ShowAbout();
    QString AboutText() const;
    void HelpTopics();
    static QString HelpFile();       // the user guide; "" when it is missing

    QWidget *pnlMenuBarMain = nullptr;   // clips the menu-bar buttons
    QToolButton *tbxMenu = nullptr;      // "&Menu"
    QMenu *mnuMenu = nullptr;
    QMenu *pmEditDocument = nullptr;
    QAction *mnuFileWorkOffline = nullptr;
    // Every command of the window: menus, toolbar buttons and keys run its actions.
    TCommandTable *Commands() const { return m_commands; }

Q_SIGNALS:
    // Internet Options closed: the side bar refreshes its history tree when it shows it.
    void InternetOptionsClosed();

private:
    void RunKeyCommand(int command);     // a TKeyCommand (navigation/keyfilter.h)
    void ShowCommandMessage(const QString &text);
    void BuildMenuBar();
    void BuildCustomizeMenu();
    void FillEditDocumentMenu();
    QList<int> MenuBarRightEdges() const;
    TCommandTable *m_commands = nullptr;
    QList<int> m_consumedKeys;           // key presses taken, whose releases are taken too
    QList<QMenu *> m_mainMenus;          // in menu-bar order
    QList<QToolButton *> m_menuBarButtons;
    bool m_editDocumentFilled = false;

public:

    // ---- Groups and popups: forwarded to their subsystems
    TVessaGroups *VessaGroups() const { return m_groups; }
    TPopupVessa *PopupVessa() const { return m_popup; }
    TLinksBar *LinksBar() const { return m_links; }
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
    bool eventFilter(QObject *watched, QEvent *event) override;
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
    void BuildTabMenu();
    void pmTabPopup();


    // commands.cpp
    void BuildCommandTable();        // the table and the window's own rows
    void BuildMenus();
    void BuildKeyFilter();
    bool KeyAndMessageFilter(QObject *watched, QEvent *event);

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
    QMenu *pmTab = nullptr;
    QMenu *pmNew = nullptr;
    QMenu *pmCloseAll = nullptr;
    QMenu *mnuTabs = nullptr;
    QMenu *mnuView = nullptr;
    QMenu *pmCustomize = nullptr;

    // Actions other parts and tests reach by name.
    QAction *actBack = nullptr;
    QAction *actForward = nullptr;
    QAction *actStop = nullptr;            // enabled while the active tab loads
    QAction *pmViewToolbar = nullptr;
    QAction *pmViewAddressBar = nullptr;
    QAction *pmViewLinksBar = nullptr;
    QAction *pmViewStatusBar = nullptr;
    QAction *pmViewMenuBar = nullptr;
    QAction *pmViewVessaBar = nullptr;
    QAction *pmViewFullScreen = nullptr;
    QAction *pmTabLocked = nullptr;
    QAction *pmTabStickyName = nullptr;
    QAction *pmTabHideFromCloseAll = nullptr;
    QAction *pmTabHome = nullptr;
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
    TSearchEngines *m_search = nullptr;   // search engines: pmSearch, Go > Search
    // Links: the open rule shared by links and favorites, and the links bar.
    TLinkLauncher *m_launcher = nullptr;
    TLinksBar *m_links = nullptr;
    TFavoritesMenu *m_favorites = nullptr;   // the Favorites menu, Add/Organize, export/import
    bool m_ie4Mode = false;

    bool m_windowIsActive = false;
    QStringList m_startProblems;         // collected while the window is created
    QSet<QString> m_reportedProblems;
    int m_tabTargetIndex = -1;
    bool m_closeWithoutConfirmation = false;
    bool m_shutDown = false;
};
