// TfrmMain: creation in its fixed order, the first pages, view toggles, full screen,
// activation, the close question and the shutdown sequence.

#include "app/main_window.h"

#include "app/application.h"
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
#include "app/useragent.h"
#include "browser/browsertab.h"
#include "browser/downloads.h"
#include "browser/kwpagecontrol.h"
#include "browser/tabdrops.h"
#include "browser/tabmenu.h"
#include "browser/pagefullscreen.h"
#include "components/coolbar.h"
#include "components/fullscreen.h"
#include "components/windowplacement.h"
#include "components/logopanel.h"
#include "components/statuspanels.h"
#include "favorites/launchlink.h"
#include "favorites/favoritesmenu.h"
#include "favorites/linksbar.h"
#include "favorites/sidebar.h"
#include "groups/vessagroup.h"
#include "platform/shellfolders.h"
#include "navigation/appkeyfilter.h"
#include "navigation/commandtable.h"
#include "navigation/kwcombobox.h"
#include "navigation/mainmenus.h"
#include "navigation/pagecommands.h"
#include "navigation/typedurls.h"
#include "navigation/viewcommands.h"
#include "options/bandlayout.h"
#include "options/sitepermissionscommand.h"
#include "options/toolbarband.h"
#include "platform/registry.h"
#include "platform/startuptrace.h"
#include "platform/webprofile.h"
#include "search/searchengines.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLoggingCategory>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUuid>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <thread>

// Hand-over events, for diagnosis: QT_LOGGING_RULES="tabvane.handover.info=true".
Q_LOGGING_CATEGORY(lcHandOver, "tabvane.handover", QtWarningMsg)

namespace {
const QString IEMainKey = QStringLiteral("Software\\Microsoft\\Internet Explorer\\Main");
}

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

namespace {
// A worker thread that is always joined, also when creation is abandoned by an exception.
class TJoiningThread {
public:
    template <typename Work>
    explicit TJoiningThread(Work &&work) : m_thread(std::forward<Work>(work)) {}
    ~TJoiningThread() { join(); }
    void join()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    std::thread m_thread;
};
}

void TfrmMain::FormCreate()
{
    // The settings store (m_options) exists before anything else. The user-agent token is
    // rewritten at every start: its writes wait on the disk for tens of milliseconds, so
    // they run on a worker thread while the web engine's profile starts, and are done
    // before the first page opens. The settings themselves are one read of the settings
    // key, well under a millisecond: read here, after the profile, when the token's
    // writes are usually over and the read does not wait for their lock.
    TJoiningThread tokenWriter([] { UpdateUserAgentToken(true); });
    TWebProfile::instance();
    TStartupTrace::Mark("web profile made");
    QStringList problems;   // damaged values read as their defaults, told once the window is up
    TKWOptions store = TKWOptions::Snapshot();
    store.SetWrongTypeHandler([&problems](const QString &message) { problems.append(message); });
    const TWindowSettings s = TWindowSettings::Read(store);
    QStringList typedUrls;
    bool typedUrlsRead = false;
    try {
        typedUrls = TTypedUrls::Load();
        typedUrlsRead = true;
    } catch (const RegistryError &e) {
        problems.append(QStringLiteral("The typed addresses could not be read (%1); "
                                       "they are not saved when Tabvane closes.")
                                .arg(e.message()));
    }
    TStartupTrace::Mark("settings read");
    // Later reads of a damaged value by this window read its default, told once.
    m_options.SetWrongTypeHandler([this](const QString &message) { m_problems.Report({message}); });
    // The start-up writes are not worth the start: a failure is told with the rest.
    m_startProblems = problems;
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
    BuildWidgets();
    TStartupTrace::Mark("widgets built");
    m_view = new TViewCommands(m_commands, m_bands, m_fullScreenPart, m_toolbar, pnlMenuBar, m_statusArea->Bar(), this);
    m_pageCommands = new TPageCommands(this, m_tabs, m_commands, m_addressBar, this);
    connect(m_statusArea, &TStatusArea::ActiveTabLoading, m_pageCommands, &TPageCommands::FollowLoading);
    connect(m_pageCommands, &TPageCommands::InternetOptionsClosed, this, &TfrmMain::InternetOptionsClosed);
    BuildCommandTable();
    m_tabMenu = new TTabMenu(this, m_tabs, m_commands, [this](TBrowserTab *tab) { m_pageCommands->RefreshTab(tab); },
                             this);
    const auto tabTarget = [this] { return m_tabMenu->TabTarget(); };
    m_groups = new TVessaGroups(m_tabs, m_commands, this, tabTarget, this);
    m_popup = new TPopupVessa(m_options, m_tabs, m_commands, this, tabTarget, this);
    // Side bar: its pages in pnlVessaBar; the View command shows and hides it.
    m_sideBar = new TSideBar(pnlVessaBar, m_tabs, m_commands,
                             {[] { return EnsureGroupFolder(); },
                              [this](const QString &path) { m_groups->OpenGroup(path, m_groups->CloseFirst()); },
                              [this] { m_groups->MarkGroupMenuDirty(); }, IsGroupFile,
                              [this](const QString &path) { m_groups->OrganizeGroup(path); }},
                             [] { return TShellFolders::Favorites(); }, this);
    connect(m_view, &TViewCommands::VessaBarShown, m_sideBar, &TSideBar::SetShown);
    connect(m_sideBar, &TSideBar::ShowRequested, m_view, &TViewCommands::ShowVessaBar);
    // Downloads: the profile's file downloads, the Downloads window, the status bar's text.
    m_downloads = new TDownloads(m_commands, this, this);
    connect(m_downloads, &TDownloads::StatusText, m_statusArea, &TStatusArea::ShowDownloads);
    // Search engines: the Search button's menu and Go > Search; typed words go to an engine.
    m_search = new TSearchEngines(m_tabs, m_commands, this, [this] {
        const QString words = m_addressBar->AddressBeingEdited() ? m_addressBar->AddressBox()->currentText() : QString();
        if (!words.isEmpty())
            m_addressBar->RevertAddress();
        return words;
    }, this);
    // ---- Desktop integration and services: the tray icon (made active from MinToTray by
    // Load), mail and news and the add-on host (before the menus and buttons that show
    // their commands), the
    // default-browser offer once the window shows, the version check (started below).
    m_tray = new TTray(this, new TSystemTrayIcon, [this] { return ActiveTab() ? ActiveTab()->Title() : QString(); },
                       [this] { return close(); }, this);
    m_mail = new TMailNews(m_tabs, m_commands, this, this);
    m_flyswat = new TFlyswatHost(m_tabs, m_commands, this, this);
    m_addressBar->AddButton(m_flyswat->Button());
    connect(m_flyswat, &TFlyswatHost::ButtonVisibilityChanged, m_addressBar, &TAddressBar::LayoutButtons);
    if (s.askDefaultBrowser && TUnattended::Allowed(TUnattended::AskDefaultBrowserVariable))
        QTimer::singleShot(0, this, [this] { m_commands->Guarded([this] { DefBrowser::Offer(this, TPaths::ExecutablePath()); }); });
    m_versionCheck = new TVersionCheck(m_tabs, this, this);
    // ---- end of desktop integration and services
    // ---- What pages ask of the window: full screen for a page, the Site Permissions row
    new TPageFullScreen(m_fullScreenPart, {pnlTop, m_statusArea->Bar()}, m_tabs, this);
    RegisterSitePermissionsCommand(m_commands, this);
    // ----
    m_menus = new TMainMenus(m_commands,
                             {this, cbCoolbar, pnlMenuBar, tbMenu, m_bands,
                              {m_addressBar->Panel(), pnlToolbar, pnlMenuBar, pnlLinks}, m_addressBar->Label(),
                              m_tabMenu->TabsMenu(), [this] { m_tabMenu->RebuildTabsMenu(); },
                              m_pageCommands->TextSizeMenu(), [this] { return IsFullScreen(); }},
                             this);
    m_tabMenu->BuildMenu();
    m_groups->AttachMenu(m_menus->MainMenu(TMenuBarItem::VessaGroups));
    m_keyFilter = new TKeyFilter(this, m_commands, m_tabs,
                                 {[this](int menu) { m_menus->DropDown(menu); },
                                  [this](const QString &tip) { ShowHint(tip); },
                                  [this](const std::function<void()> &run) { m_tabMenu->RunOnActiveTab(run); }},
                                 this);
    TStartupTrace::Mark("commands, menus and key filter built");
    // ---- End of creating subsystems

    // The tray icon takes the window's picture when the tray subsystem sets it up.
    // Dialogs (the confirmation dialog among them) show the application's icon.
    const QIcon appIcon(QStringLiteral(":/app/tabvane.svg"));
    setWindowIcon(appIcon);
    if (QApplication::windowIcon().isNull())
        QApplication::setWindowIcon(appIcon);

    // IE4 mode: the browser version the platform reports. No Linux engine reports 4.
    m_ie4Mode = s.ie4Mode;
    m_addressBar->SetIE4Mode(m_ie4Mode);

    m_toolbar->SetColor(s.toolbarShowColor);   // the buttons are made with their pictures
    m_toolbar->Load();
    m_popup->ReloadPopupList();
    m_addressBar->SetCompletion(s.completion);   // LoadAddressCompletion, read with the rest
    m_addressBar->SetStoredTypedAddresses(typedUrls, typedUrlsRead);
    // Call site of the search subsystem: the search-bar favourites and engines menus are
    // built here. (The mail menu is built by the mail subsystem above.)

    startStep([&] { EnsureKWID(s.kwid); });
    m_settingsAsRead = s;
    TStartupTrace::Mark("toolbar buttons and lists loaded");
    Load(s);
    TStartupTrace::Mark("settings applied");
    m_tabs->SetPlacementAtEnd(true);   // start-up tabs follow each other at the end, until the
                               // first pages are open

    // The user-agent token is in the hive now; the engine takes it up before the first
    // tab loads anything.
    tokenWriter.join();
    TWebProfile::instance()->refreshUserAgent();

    TStartupTrace::Mark("user-agent token written");
    m_tabs->CreateForegroundTab();
    TStartupTrace::Mark("first tab made");

    // Links subsystem: the open rule and the links bar in pnlLinks.
    m_launcher = new TLinkLauncher(m_tabs, this);
    m_links = new TLinksBar(pnlLinks, m_launcher, m_commands, this);
    m_links->Load(s);
    connect(m_links, &TLinksBar::Problem, this, [this](const QString &message) { m_problems.Report({message}); });
    // Favorites subsystem: mnuFavorites from the Favorites folder, Add/Organize Favorites,
    // export and import.
    m_favorites = new TFavoritesMenu(m_launcher, m_tabs, m_commands, this, tabTarget, this);
    m_favorites->AttachMenu(m_menus->MainMenu(TMenuBarItem::Favorites));
    m_favorites->Load(s);

    // The default-browser offer is made once the window shows (above); without it the
    // setting is written back as it is.
    if (!s.askDefaultBrowser)
        startStep([this] { m_options.SetAskDefaultBrowser(false); });

    new TTabDrops(m_tabs, this);
    // The content options were read when the engine's profile was made.

    m_session = new TSessionKeeper(pcPage, m_tabs, this);
    OpenInitialPages();
    TStartupTrace::Mark("initial pages opened");
    m_tabs->SetPlacementAtEnd(m_settings.openNewAtEnd);
    m_session->Start();

    LayoutTabStrip();
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

void TfrmMain::Load(const TWindowSettings &settings)
{
    m_settings = settings;
    m_settings.newAction = qBound(0, settings.newAction, 2);
    if (m_ie4Mode)
        m_settings.searchBar.clear();
    else if (m_settings.searchBar.isEmpty())
        m_settings.searchBar = TKWOptions::DefaultSearchBar();
    m_tabs->SetPlacementAtEnd(m_settings.openNewAtEnd);
    m_tabs->SetOpenNewInForeground(m_settings.openNewInForeground);
    m_groups->SetCloseFirst(m_settings.vgCloseFirst);
    m_groups->SetStartupGroup(m_settings.startupVessaGroup);
    m_popup->SetEnabled(m_settings.usePopupVessa);
    m_search->Load(m_settings);
    if (m_links)
        m_links->Load(m_settings);
    if (m_favorites)
        m_favorites->Load(m_settings);

    // Colour pictures on the toolbar; the custom icons and the add-on defaults are kept
    // for their subsystems.
    m_toolbar->SetColor(settings.toolbarShowColor);
    m_addressBar->Load(settings);
    m_keyFilter->Load(settings);
    m_tray->Load(settings);
    m_flyswat->Load(settings);
    m_sideBar->Load(settings);

    pcPage->SetMultiLine(settings.multipleLines);
    if (pcPage->MultiLine())
        pcPage->SetAllowTabShifting(false);
    ApplyTabColors(settings.tabColorScheme, settings.inactiveTabColor, settings.inactiveFontColor);
    ApplyTabPosition(settings.tabsDown);

    m_view->Load(settings);

    // The stored placement is the window's normal placement; full screen is entered after
    // it, so that leaving full screen returns to the stored placement rather than to the
    // size the window had before it was placed.
    TWindowSettings shown;
    SavePlacement(shown);
    const bool placementChanged = settings.maximized != shown.maximized
                                  || (!settings.maximized && settings.bounds != shown.bounds);
    if (!IsFullScreen() && (!isVisible() || placementChanged))
        RestoreWindowPlacement(this, settings.bounds, settings.maximized);
    SetFullScreen(settings.fullScreen);
}

void TfrmMain::Save(TWindowSettings &settings) const
{
    SavePlacement(settings);
    settings.fullScreen = IsFullScreen();
    settings.openNewInForeground = m_tabs->OpenNewInForeground();
    settings.vgCloseFirst = m_groups->CloseFirst();
    settings.usePopupVessa = m_popup->Enabled();
    m_addressBar->Save(settings);
    m_tray->Save(settings);
    m_flyswat->Save(settings);
    m_sideBar->Save(settings);
    m_view->Save(settings);
}

TWindowSettings TfrmMain::Settings() const
{
    TWindowSettings settings = m_settings;
    Save(settings);
    return settings;
}

void TfrmMain::ApplySettings(const TWindowSettings &settings)
{
    Load(settings);
}

void TfrmMain::EnsureKWID(const QString &stored)
{
    if (stored.length() == 36)
        return;
    m_options.SetKWID(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
}

void TfrmMain::ApplyTabColors(const QString &scheme, int inactiveTabColor, int inactiveFontColor)
{
    QColor tabColor;
    QColor fontColor;
    if (scheme == QLatin1String("std")) {
        tabColor = TKWPageControl::ColorFromBGR(TKWPageControl::clBtnFace);
        fontColor = TKWPageControl::ColorFromBGR(TKWPageControl::clWindowText);
    } else if (scheme == QLatin1String("rev")) {
        tabColor = TKWPageControl::ColorFromBGR(TKWPageControl::clInactiveCaption);
        fontColor = TKWPageControl::ColorFromBGR(TKWPageControl::clHighlightText);
    } else {
        tabColor = TKWPageControl::ColorFromBGR(inactiveTabColor);
        fontColor = TKWPageControl::ColorFromBGR(inactiveFontColor);
    }
    pcPage->SetInactiveTabColor(tabColor);
    pcPage->SetInactiveFontColor(fontColor);
}

void TfrmMain::ApplyTabPosition(bool tabsDown)
{
    pcPage->SetTabPosition(tabsDown ? TKWPageControl::TabPosition::Bottom : TKWPageControl::TabPosition::Top);
    if (!tabsDown)
        m_tabMenu->PutCloseFirst();
}

void TfrmMain::SavePlacement(TWindowSettings &settings) const
{
    const bool fullScreen = IsFullScreen();
    settings.maximized = isMaximized() || (fullScreen && m_fullScreenPart->SavedMaximized());
    // A maximised window keeps the stored bounds as its normal placement.
    if (!settings.maximized)
        settings.bounds = fullScreen ? m_fullScreenPart->SavedGeometry() : QRect(pos(), size());
}

QString TfrmMain::ReadHomePage()
{
    try {
        const RegValue start = TRegistry(RegRoot::CurrentUser).readValue(IEMainKey, QStringLiteral("Start Page"));
        if ((start.type == RegType::Sz || start.type == RegType::ExpandSz) && !start.text.trimmed().isEmpty())
            return start.text.trimmed();
    } catch (const RegistryError &) {
    }
    return QStringLiteral("about:blank");
}

QString TfrmMain::HomePage() const
{
    return ReadHomePage();
}

void TfrmMain::OpenInitialPages()
{
    // After a run that did not end in order, the user chooses first: its tabs come back
    // instead of the pages StartupMode opens.
    const bool restore = m_session->OfferRestore();
    TBrowserTab *first = ActiveTab();
    const bool lastMode = !restore && m_settings.startupMode == QLatin1String("Last");
    const QStringList last = m_settings.lastOpenSites;
    const auto dataOf = [](const QString &line) { return line.mid(line.indexOf(QLatin1Char('=')) + 1); };
    QList<QPair<TBrowserTab *, QString>> lastSites;   // each tab with its line of L

    const QString startupPage = m_settings.startupPage;
    m_settings.startupPage.clear();   // opened once
    if (!startupPage.isEmpty()) {
        TBrowserTab *second = m_tabs->CreateForegroundTab();
        ActivateTab(first);
        second->FirstLoad = true;
        second->NavigateTo(startupPage);
        try {
            m_options.SetStartupPage(QString());
        } catch (const RegistryError &e) {
            m_startProblems.append(e.message());
        }
    }

    const auto restoreSite = [this, &dataOf, &lastSites](const QString &line) {
        TBrowserTab *tab = CreateBackgroundTab();
        if (!tab)
            return;
        tab->FirstLoad = true;
        tab->NavigateTo(dataOf(line));
        lastSites.append({tab, line});
    };

    if (m_argument.isEmpty()) {
        if (restore) {
            m_session->RestoreTabs(first, true);
        } else if (m_settings.startupMode == QLatin1String("Home")) {
            first->NavigateTo(ReadHomePage());
        } else if (lastMode) {
            first->FirstLoad = true;
            first->NavigateTo(last.isEmpty() ? QStringLiteral("about:blank") : dataOf(last.last()));
            if (!last.isEmpty())
                lastSites.append({first, last.last()});
            for (int i = last.size() - 2; i >= 0; --i)
                restoreSite(last.at(i));
            m_session->ApplyToLastSites(lastSites, true);
        } else {
            m_groups->QueueStartupGroup();
        }
        return;
    }

    if (IsGroupArgument(m_argument)) {
        OpenGroup(m_argument, true, true);
        if (restore)
            m_session->RestoreTabs(nullptr, false);
        return;
    }
    first->FirstLoad = true;
    first->NavigateTo(m_argument);
    if (lastMode) {
        for (int i = last.size() - 1; i >= 0; --i)
            restoreSite(last.at(i));
    }
    if (restore)
        m_session->RestoreTabs(nullptr, false);
    ActivateTab(first);
    m_session->ApplyToLastSites(lastSites, false);
}

// The band layout's one-shot load is due: the start-up group opens first, then the
// stored layout is applied.
void TfrmMain::tmrLoadCoolbarTimer()
{
    m_groups->OpenPendingStartupGroup();
}

void TfrmMain::ApplyBandVisibility() { m_bands->ApplyVisibility(); }
QToolBar *TfrmMain::MainToolbar() const { return m_toolbar ? m_toolbar->Bar() : nullptr; }
QToolButton *TfrmMain::ToolButtonByName(const QString &name) const
{
    return m_toolbar ? m_toolbar->ButtonByName(name) : nullptr;
}

void TfrmMain::SetFullScreen(bool on)
{
    m_fullScreenPart->Set(on);
}

bool TfrmMain::IsFullScreen() const
{
    return m_fullScreenPart->IsOn();
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
    if (m_closeWithoutConfirmation || !m_options.ConfirmShutdown())
        return true;
    const TConfirmResult answer = Confirm(this, QStringLiteral("Shut Down"),
                                          QStringLiteral("You are about to exit Tabvane."),
                                          QStringLiteral("Do you want to proceed?"),
                                          QStringLiteral("Yes"), QStringLiteral("No"),
                                          QStringLiteral("Don't ask me again"), false);
    if (answer.checked)
        m_options.SetConfirmShutdown(false);
    return answer.ok;
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

    // A failing step must not cost the steps after it: the rest still run, and one message
    // at the end names every group of settings that was not saved.
    QStringList unsaved;
    QString firstError;
    const auto step = [&unsaved, &firstError](const QString &what, const std::function<void()> &run) {
        try {
            run();
        } catch (const std::exception &e) {
            if (!unsaved.contains(what))
                unsaved.append(what);
            if (firstError.isEmpty()) {
                const auto *reg = dynamic_cast<const RegistryError *>(&e);
                firstError = reg ? reg->message() : QString::fromLocal8Bit(e.what());
            }
        }
    };

    m_keyFilter->Stop();
    delete m_handOver;
    m_handOver = nullptr;
    m_tabs->HiddenTabTimer()->stop();
    m_bands->StopDeferredLoad();
    delete m_versionCheck;   // a request still running is abandoned
    m_versionCheck = nullptr;

    if (!m_toolbar->Save())
        unsaved.append(QStringLiteral("the toolbar buttons"));
    UpdateUserAgentToken(false);
    CloseHiddenTabs();
    if (m_session)
        m_session->Finish();   // the same tabs as "Last Open Sites" below

    // Rightmost tab first, so that reading the list from its end restores the order.
    QStringList sites;
    const QList<TBrowserTab *> tabs = Tabs();
    {
        // The tabs go one by one; the strip's tab changes on the way are of no interest.
        QSignalBlocker quiet(pcPage);
        for (int i = tabs.size() - 1; i >= 0; --i) {
            TBrowserTab *tab = tabs.at(i);
            const QString url = tab->Location();
            if (!url.isEmpty())
                sites.append(QStringLiteral("url%1=%2").arg(i + 1).arg(url));
            tab->CloseTab();
        }
    }
    // The window's settings in one transaction; group by group when that fails, so that
    // each group that could not be written is named and costs nothing else.
    Save(m_settings);   // MinToTray from the tray icon among them
    m_settings.lastOpenSites = sites;
    const TWindowSettings::TWriteResult written = m_settings.Write(m_settingsAsRead);
    for (const QString &group : written.unsaved) {
        if (!unsaved.contains(group))
            unsaved.append(group);
    }
    if (firstError.isEmpty())
        firstError = written.firstError;
    step(QStringLiteral("the band layout"), [this] { m_bands->Save(); });
    // A list that could not be read at start is not written over the stored one.
    step(QStringLiteral("the typed addresses"), [this] { m_addressBar->SaveTypedAddresses(); });
    m_addressBar->Clear();

    if (!unsaved.isEmpty()) {
        const QString text = TProblemReport::UnsavedText(unsaved, firstError);
        // Closed by a signal, the session is ending and nobody would answer a message box.
        if (ShutdownBySignal(this)) {
            std::fprintf(stderr, "tabvane: %s\n", qPrintable(text));
            std::fflush(stderr);
        } else {
            TTabvaneApplication::ShowError(text);
        }
    }
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

bool TfrmMain::event(QEvent *event)
{
    if (event->type() == QEvent::UpdateRequest && TStartupTrace::Enabled())
        TStartupTrace::MarkOnce("main window painted");
    if (event->type() == QEvent::StatusTip) {
        ShowHint(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TfrmMain::ShowHint(const QString &tip)
{
    // Hints carry "short|long"; the long part goes to the first status panel.
    const int bar = tip.indexOf(QLatin1Char('|'));
    m_statusArea->ShowStatusText(bar >= 0 ? tip.mid(bar + 1) : tip);
}

void TfrmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (m_logoPanel)
        m_logoPanel->Relayout();
}
