// TfrmMain: creation in its fixed order, the settings parts, activation, the close question
// and the shutdown sequence.

#include "app/main_window.h"
#include "favorites/favoritesparts.h"

#include "app/confirm.h"
#include "app/handover.h"
#include "app/sessionkeeper.h"
#include "app/startup.h"
#include "app/defbrowser.h"
#include "app/tray.h"
#include "services/flyswathost.h"
#include "services/mailnews.h"
#include "services/versioncheck.h"
#include "platform/makerhost.h"
#include "platform/paths.h"
#include "app/statusarea.h"
#include "app/startpages.h"
#include "app/useragent.h"
#include "app/windowframe.h"
#include "app/windowstate.h"
#include "browser/browsertab.h"
#include "browser/downloads.h"
#include "browser/tabdrops.h"
#include "browser/tabmenu.h"
#include "browser/pagefullscreen.h"
#include "components/fullscreen.h"
#include "components/statuspanels.h"
#include "favorites/linksbar.h"
#include "favorites/sidebar.h"
#include "favorites/historypage.h"
#include "groups/vessagroup.h"
#include "platform/shellfolders.h"
#include "navigation/appkeyfilter.h"
#include "navigation/commandtable.h"
#include "navigation/mainmenus.h"
#include "navigation/pagecommands.h"
#include "navigation/viewcommands.h"
#include "options/bandlayout.h"
#include "options/customizetoolbar.h"
#include "options/ieoptions.h"
#include "options/options.h"
#include "options/sitepermissionscommand.h"
#include "options/toolbarband.h"
#include "options/toolbarchevron.h"
#include "platform/registry.h"
#include "platform/startuptrace.h"
#include "platform/webprofile.h"
#include "search/searchengines.h"
#include "search/searchpanel.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLoggingCategory>
#include <QTimer>

#include <functional>

// Hand-over events, for diagnosis: QT_LOGGING_RULES="tabvane.handover.info=true".
Q_LOGGING_CATEGORY(lcHandOver, "tabvane.handover", QtWarningMsg)

TfrmMain::TfrmMain(const QString &argument, QWidget *parent)
    : QMainWindow(parent), m_argument(argument)
{
    Q_INIT_RESOURCE(app_resources);
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Tabvane"));
    FormCreate();
}

TfrmMain::~TfrmMain()
{
    // A window destroyed without a close event (a test, or the application quitting
    // directly) still writes its state.
    if (!m_shutDown)
        Shutdown();
}

void TfrmMain::FormCreate()
{
    // The settings store (m_options) exists before anything else. The user-agent token is
    // rewritten at every start: its writes wait on the disk for tens of milliseconds, so
    // they run on a worker thread while the web engine's profile starts, and are done
    // before the first page opens. The settings themselves are one read of the settings
    // key, well under a millisecond: read here, after the profile, when the token's
    // writes are usually over and the read does not wait for their lock.
    TUserAgentTokenWriter tokenWriter;
    TWebProfile::instance();
    TStartupTrace::Mark("web profile made");
    const TStartSettings start = TStartSettings::Read();
    const TWindowSettings &s = start.settings;
    TStartupTrace::Mark("settings read");
    // Later reads of a damaged value by this window read its default, told once.
    m_options.SetWrongTypeHandler([this](const QString &message) { m_problems.Report({message}); });
    // The start-up writes are not worth the start: a failure is told with the rest.
    m_startProblems = start.problems;
    const auto startStep = [this](const std::function<void()> &run) {
        try {
            run();
        } catch (const RegistryError &e) {
            m_startProblems.append(e.message());
        }
    };

    // ---- Create subsystems. The table exists before the widgets: the toolbar band and the
    // band layout use it. Each subsystem registers its rows in the table when it is made.
    m_commands = new TCommandTable(this);
    m_frame = new TWindowFrame(this, m_commands, this, this);
    m_tabs = m_frame->Tabs();
    m_statusArea = m_frame->StatusArea();
    m_addressBar = m_frame->AddressBar();
    m_toolbar = m_frame->Toolbar();
    m_bands = m_frame->Bands();
    m_fullScreenPart = m_frame->FullScreen();
    m_tabs->SetCloseAllQuestion([this] { return AskCloseAll(); });
    TStartupTrace::Mark("widgets built");
    m_view = new TViewCommands(m_commands, m_bands, m_fullScreenPart, m_toolbar, m_frame->MenuBand(), m_statusArea->Bar(),
                               this);
    m_pageCommands = new TPageCommands(this, m_tabs, m_commands, m_addressBar, this);
    connect(m_statusArea, &TStatusArea::ActiveTabLoading, m_pageCommands, &TPageCommands::FollowLoading);
    connect(m_pageCommands, &TPageCommands::InternetOptionsClosed, this, &TfrmMain::InternetOptionsClosed);
    BuildCommandTable();
    m_tabMenu = new TTabMenu(this, m_tabs, m_commands, [this](TBrowserTab *tab) { m_pageCommands->RefreshTab(tab); },
                             this);
    const auto tabTarget = [this] { return m_tabMenu->TabTarget(); };
    m_groups = new TVessaGroups(m_tabs, m_commands, this, tabTarget, this);
    // The band layout's one-shot load: the start-up group opens first, then the stored
    // layout is applied.
    connect(m_bands, &TBandLayout::DeferredLoadDue, m_groups, [this] { m_groups->OpenPendingStartupGroup(); });
    m_popup = new TPopupVessa(m_options, m_tabs, m_commands, this, tabTarget, this);
    // Side bar: its pages in pnlVessaBar; the View command shows and hides it.
    auto *sideBar = new TSideBar(m_frame->SideBarPlace(), m_tabs, m_commands,
                                 {[] { return EnsureGroupFolder(); },
                                  [this](const QString &path) { m_groups->OpenGroup(path, m_groups->CloseFirst()); },
                                  [this] { m_groups->MarkGroupMenuDirty(); }, IsGroupFile,
                                  [this](const QString &path) { m_groups->OrganizeGroup(path); }},
                                 [] { return TShellFolders::Favorites(); }, this);
    connect(m_view, &TViewCommands::VessaBarShown, sideBar, &TSideBar::SetShown);
    connect(sideBar, &TSideBar::ShowRequested, m_view, &TViewCommands::ShowVessaBar);
    // ---- History: visits older than the days history is kept go now, off this thread;
    // Internet Options may have cleared what the History page shows.
    StartHistoryExpiry(this);
    connect(this, &TfrmMain::InternetOptionsClosed, sideBar, &TSideBar::RefreshHistory);
    // ----
    // Downloads: the profile's file downloads, the Downloads window, the status bar's text.
    m_downloads = new TDownloads(m_commands, this, this);
    connect(m_downloads, &TDownloads::StatusText, m_statusArea, &TStatusArea::ShowDownloads);
    // Search engines: the Search button's menu and Go > Search; typed words go to an engine.
    auto *search = new TSearchEngines(m_tabs, m_commands, this, [this] { return m_addressBar->TakeWordsBeingTyped(); },
                                      this);
    // ---- Desktop integration and services: the tray icon (MinToTray comes with the settings),
    // mail and news and the add-on host (before the menus and buttons that show their
    // commands), the default-browser offer once the window shows, the version check.
    auto *tray = new TTray(this, new TSystemTrayIcon, [this] { return ActiveTab() ? ActiveTab()->Title() : QString(); },
                           [this] { return close(); }, this);
    new TMailNews(m_tabs, m_commands, this, this);
    m_flyswat = new TFlyswatHost(m_tabs, m_commands, this, this);
    m_addressBar->AddButton(m_flyswat->Button());
    connect(m_flyswat, &TFlyswatHost::ButtonVisibilityChanged, m_addressBar, &TAddressBar::LayoutButtons);
    if (s.askDefaultBrowser && TUnattended::Allowed(TUnattended::AskDefaultBrowserVariable))
        QTimer::singleShot(0, this, [this] { m_commands->Guarded([this] { DefBrowser::Offer(this, TPaths::ExecutablePath()); }); });
    m_versionCheck = new TVersionCheck(m_tabs, this, this);
    // ---- end of desktop integration and services
    // ---- What pages ask of the window: full screen for a page, the Site Permissions row
    new TPageFullScreen(m_fullScreenPart, {m_frame->Top(), m_statusArea->Bar()}, m_tabs, this);
    RegisterSitePermissionsCommand(m_commands, this);
    // Options > Load Images/Videos/Sounds/Animations and the Load Images button.
    connect(m_pageCommands, &TPageCommands::InternetOptionsClosed,
            new TContentSwitches(m_commands, m_tabs, this, this), &TContentSwitches::Sync);
    RegisterCustomizeToolbarCommand(m_commands, m_toolbar, this);   // the bands' "&Customize..."
    new TToolbarChevron(m_toolbar, m_commands, this);                // cut-off buttons, then "&Customize..."
    // ----
    // ---- Options dialog: "&Tabvane Options..." edits the window's settings value; OK stores
    // it, then every settings part takes it up and the popup list is read again.
    new TTabvaneOptions(m_commands, this, {[this] { return Settings(); }, [this](const TWindowSettings &settings) {
                                               ApplySettings(settings);
                                               m_popup->ReloadPopupList();
                                               for (TBrowserTab *tab : Tabs())
                                                   tab->ApplyTitleLimit();
                                           }}, this);
    // ----
    m_menus = new TMainMenus(m_commands,
                             {this, m_frame->Coolbar(), m_frame->MenuBand(), m_frame->MenuBar(), m_bands,
                              {m_addressBar->Panel(), m_frame->ToolBand(), m_frame->MenuBand(), m_frame->LinksBand()},
                              m_addressBar->Label(), m_tabMenu->TabsMenu(), [this] { m_tabMenu->RebuildTabsMenu(); },
                              m_pageCommands->TextSizeMenu(), [this] { return m_fullScreenPart->IsOn(); }},
                             this);
    m_tabMenu->BuildMenu();
    m_groups->AttachMenu(m_menus->MainMenu(TMenuBarItem::VessaGroups));
    m_keyFilter = new TKeyFilter(this, m_commands, m_tabs,
                                 {[this](int menu) { m_menus->DropDown(menu); },
                                  [this](const QString &tip) { m_statusArea->ShowHint(tip); },
                                  [this](const std::function<void()> &run) { m_tabMenu->RunOnActiveTab(run); }},
                                 this);
    TStartupTrace::Mark("commands, menus and key filter built");
    // ---- End of creating subsystems
    // The subsystems that keep settings, loaded in this order: the placement and full screen
    // after the view.
    m_settingsParts = {m_tabs,  m_tabMenu, m_addressBar, m_keyFilter, m_groups, m_popup, search,
                       tray,  m_flyswat, sideBar, m_view,
                       new TWindowState(this, m_fullScreenPart, this)};
    // ---- Search panel: the side bar's Search page; Go > Search and the Search button show it.
    auto *searchPanel = new TSearchPanel(m_tabs, search, this, [sideBar] { sideBar->ShowPage(TSideBar::Search); }, this);
    sideBar->SetSearchPage([searchPanel](QWidget *page) { searchPanel->Prepare(page); });
    m_settingsParts.append(searchPanel);
    // ---- end of search panel

    // IE4 mode: the browser version the platform reports. No Linux engine reports 4.
    m_ie4Mode = s.ie4Mode;
    m_addressBar->SetIE4Mode(m_ie4Mode);

    m_toolbar->SetColor(s.toolbarShowColor);   // the buttons are made with their pictures
    m_toolbar->Load();
    m_popup->ReloadPopupList();
    m_addressBar->SetCompletion(s.completion);   // LoadAddressCompletion, read with the rest
    m_addressBar->SetStoredTypedAddresses(start.typedUrls, start.typedUrlsRead);

    startStep([&] { m_options.EnsureKWID(s.kwid); });
    m_settingsAsRead = s;
    TStartupTrace::Mark("toolbar buttons and lists loaded");
    ApplySettings(s);
    TStartupTrace::Mark("settings applied");
    m_tabs->SetPlacementAtEnd(true);   // start-up tabs follow each other at the end, until the
                               // first pages are open

    // The user-agent token is in the hive now; the engine takes it up before the first
    // tab loads anything.
    tokenWriter.Join();
    TWebProfile::instance()->refreshUserAgent();

    TStartupTrace::Mark("user-agent token written");
    m_tabs->CreateForegroundTab();
    TStartupTrace::Mark("first tab made");

    // ---- Favorites: the links bar, the Favorites menu and window, and the colour switch that
    // every toolbar of the window follows.
    const TFavoritesParts favorites =
            MakeFavoritesParts({this, m_frame->LinksBand(), m_menus->MainMenu(TMenuBarItem::Favorites), m_toolbar,
                                m_addressBar->GoButton(), sideBar, tabTarget},
                               m_tabs, m_commands, s, this);
    m_links = favorites.links;
    m_settingsParts += favorites.SettingsParts();
    connect(m_links, &TLinksBar::Problem, this, [this](const QString &message) { m_problems.Report({message}); });
    // ---- end of Favorites

    // The default-browser offer is made once the window shows (above); without it the
    // setting is written back as it is.
    if (!s.askDefaultBrowser)
        startStep([this] { m_options.SetAskDefaultBrowser(false); });

    new TTabDrops(m_tabs, this);

    m_session = new TSessionKeeper(m_tabs->PageControl(), m_tabs, this);
    m_startProblems += TStartPages(m_tabs, m_session, m_groups, m_options).Open(m_argument, m_settings);
    TStartupTrace::Mark("initial pages opened");
    m_tabs->SetPlacementAtEnd(m_settings.openNewAtEnd);
    m_session->Start();

    m_frame->LayoutTabStrip();
    m_versionCheck->Start();   // the version check's 5-second one-shot timer
    m_bands->StartDeferredLoad();

    m_handOver = new THandOverReceiver(this, this);
    if (!m_handOver->Listen())
        m_startProblems.append(QStringLiteral("Tabvane cannot be reached by later starts (%1): an "
                                              "address opened from another program will not arrive here.")
                                       .arg(m_handOver->ErrorString()));
    if (!m_startProblems.isEmpty()) {
        QTimer::singleShot(0, this, [this, problems = m_startProblems] { m_problems.Report(problems); });
        m_startProblems.clear();
    }
}

void TfrmMain::ApplySettings(const TWindowSettings &settings)
{
    m_settings = settings;
    m_settings.newAction = qBound(0, settings.newAction, 2);
    if (m_ie4Mode)
        m_settings.searchBar.clear();
    else if (m_settings.searchBar.isEmpty())
        m_settings.searchBar = TKWOptions::DefaultSearchBar();
    m_toolbar->SetColor(settings.toolbarShowColor);   // colour pictures on the toolbar
    for (ISettingsPart *part : m_settingsParts)
        part->Load(m_settings);
}

void TfrmMain::Save(TWindowSettings &settings) const
{
    for (const ISettingsPart *part : m_settingsParts)
        part->Save(settings);
}

TWindowSettings TfrmMain::Settings() const
{
    TWindowSettings settings = m_settings;
    Save(settings);
    return settings;
}

QString TfrmMain::HomePage() const
{
    return TStartPages::ReadHomePage();
}

void TfrmMain::FormActivate()
{
    m_windowIsActive = true;
    if (TBrowserTab *tab = ActiveTab())
        tab->FocusPage();
    m_addressBar->WindowActivated();
}

void TfrmMain::FormDeactivate()
{
    m_windowIsActive = false;
}

void TfrmMain::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange) {
        if (isActiveWindow())
            FormActivate();
        else
            FormDeactivate();
    }
    QMainWindow::changeEvent(event);
}

bool TfrmMain::FormCloseQuery()
{
    // Downloads in progress ask their own question, in place of the shutdown question.
    if (!m_closeWithoutConfirmation && m_downloads->InProgressCount() > 0)
        return m_downloads->ConfirmExit();
    return m_closeWithoutConfirmation || ConfirmShutdown(this, m_options);
}

void TfrmMain::closeEvent(QCloseEvent *event)
{
    if (m_shutDown) {
        event->accept();
        return;
    }
    if (ShutdownBySignal(this)) {
        qCInfo(lcHandOver, "closing by signal");
        m_closeWithoutConfirmation = true;
    }
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    Shutdown();
    event->accept();
}

void TfrmMain::Shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;

    TUnsavedSettings unsaved;
    m_keyFilter->Stop();
    delete m_handOver;
    m_handOver = nullptr;
    m_tabs->HiddenTabTimer()->stop();
    m_bands->StopDeferredLoad();
    delete m_versionCheck;   // a request still running is abandoned
    m_versionCheck = nullptr;

    if (!m_toolbar->Save())
        unsaved.Add({QStringLiteral("the toolbar buttons")});
    UpdateUserAgentToken(false);
    m_tabs->CloseHiddenTabs();
    if (m_session)
        m_session->Finish();   // the same tabs as "Last Open Sites" below

    const QStringList sites = m_tabs->CloseForExit();
    // The window's settings in one transaction; group by group when that fails, so that
    // each group that could not be written is named and costs nothing else.
    Save(m_settings);   // MinToTray from the tray icon among them
    m_settings.lastOpenSites = sites;
    const TWindowSettings::TWriteResult written = m_settings.Write(m_settingsAsRead);
    unsaved.Add(written.unsaved, written.firstError);
    unsaved.Run(QStringLiteral("the band layout"), [this] { m_bands->Save(); });
    // A list that could not be read at start is not written over the stored one.
    unsaved.Run(QStringLiteral("the typed addresses"), [this] { m_addressBar->SaveTypedAddresses(); });
    m_addressBar->Clear();
    // Closed by a signal, the session is ending and nobody would answer a message box.
    unsaved.Tell(ShutdownBySignal(this));
}

bool TfrmMain::FlyswatEnabled() const { return m_flyswat && m_flyswat->Enabled(); }
bool TfrmMain::FlyswatShowLinks() const { return m_flyswat && m_flyswat->ShowLinksByDefault(); }

void TfrmMain::RestoreAndRaise()
{
    RestoreAndRaiseWindow(this);
    qCInfo(lcHandOver, "comes to the front");
}

void TfrmMain::OpenInNewForegroundTab(const QString &text)
{
    qCInfo(lcHandOver, "open in new tab %s", qPrintable(text));
    if (TBrowserTab *tab = m_tabs->CreateForegroundTab())
        tab->OpenAsHome(text);
}
