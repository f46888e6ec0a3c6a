// TfrmMain: creation in its fixed order, the first pages, view toggles, full screen,
// activation, the close question and the shutdown sequence.

#include "app/main_window.h"

#include "app/application.h"
#include "app/confirm.h"
#include "app/handover.h"
#include "app/sessionkeeper.h"
#include "app/startup.h"
#include "app/useragent.h"
#include "browser/browsertab.h"
#include "browser/kwpagecontrol.h"
#include "components/coolbar.h"
#include "components/logoanimation.h"
#include "components/statuspanels.h"
#include "navigation/typedurls.h"
#include "platform/registry.h"
#include "platform/webprofile.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLoggingCategory>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
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

// Which screen holds most of a rectangle; nullptr when none shows any of it.
QScreen *screenShowing(const QRect &rect)
{
    for (QScreen *screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(rect))
            return screen;
    }
    return nullptr;
}
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

// Everything creation reads from the settings store and the platform's keys, filled by
// read(); the values are the store's, defaults included.
struct TfrmMain::TStartupSettings {
    bool ie4Mode{};
    bool toolbarShowColor{};
    bool useCustomIcons{};
    bool flyswatShowLinks{};
    bool flyswatEnabled{};
    QStringList typedUrls;
    bool typedUrlsRead{};
    TDomainCompletion completion;
    QString kwid;
    bool showGo{};
    bool disableAltShortcuts{};
    TAutoCompleteStyle autoCompleteStyle{};
    bool addressNewWin{};
    bool openNewAtEnd{};
    bool vgCloseFirst{};
    QString searchBar;
    int vessaBarWidth{};
    bool usePopupVessa{};
    int limitTitleLength{};
    bool multipleLines{};
    QString startupMode;
    QString startupVessaGroup;
    bool favoritesNewWin{};
    bool historyNewWin{};
    bool searchNewWin{};
    bool linksNewWin{};
    int newAction{};
    QString tabColorScheme;
    int inactiveTabColor{};
    int inactiveFontColor{};
    bool askDefaultBrowser{};
    bool tabsDown{};
    bool cbAutoExpand{};
    bool openNewInForeground{};
    bool viewToolbar{};
    bool viewAddressBar{};
    bool viewLinksBar{};
    bool viewStatusBar{};
    bool viewVessaBar{};
    bool fullScreen{};
    bool maximized{};
    QRect bounds;
    QString startupPage;
    QStringList lastOpenSites;
    QString homePage;

    // Damaged values read as their defaults; their messages are shown once the window is up.
    QStringList problems;
    // The first failure; creation raises it again on the GUI thread.
    bool failed{};
    QString errorMessage;
    QString errorDetail;

    void read();
};

void TfrmMain::TStartupSettings::read()
{
    // Runs on a worker thread with a store object of its own; the store keeps nothing in
    // memory, so this sees exactly what reads on the GUI thread would.
    try {
        try {
            const RegValue version = TRegistry(RegRoot::LocalMachine)
                    .readValue(QStringLiteral("Software\\Microsoft\\Internet Explorer"), QStringLiteral("Version"));
            ie4Mode = version.exists() && version.text.startsWith(QLatin1Char('4'));
        } catch (const RegistryError &) {
            ie4Mode = false;
        }
        TKWOptions o;
        o.SetWrongTypeHandler([this](const QString &message) { problems.append(message); });
        toolbarShowColor = o.ToolbarShowColor();
        useCustomIcons = o.UseCustomIcons();
        flyswatShowLinks = o.FlyswatShowLinks();
        flyswatEnabled = o.FlyswatEnabled();
        try {
            typedUrls = TTypedUrls::Load();
            typedUrlsRead = true;
        } catch (const RegistryError &e) {
            problems.append(QStringLiteral("The typed addresses could not be read (%1); "
                                           "they are not saved when Tabvane closes.")
                                    .arg(e.message()));
        }
        completion.Load(o);
        kwid = o.KWID();
        showGo = o.ShowGo();
        disableAltShortcuts = o.DisableALTShortcuts();
        autoCompleteStyle = o.AutoCompleteStyle();
        addressNewWin = o.AddressNewWin();
        openNewAtEnd = o.OpenNewAtEnd();
        vgCloseFirst = o.VGCloseFirst();
        if (!ie4Mode)
            searchBar = o.SearchBar();
        vessaBarWidth = o.VessaBarWidth();
        usePopupVessa = o.UsePopupVessa();
        limitTitleLength = o.LimitTitleLength();
        multipleLines = o.MultipleLines();
        startupMode = o.StartupMode();
        startupVessaGroup = o.StartupVessaGroup();
        favoritesNewWin = o.FavoritesNewWin();
        historyNewWin = o.HistoryNewWin();
        searchNewWin = o.SearchNewWin();
        linksNewWin = o.LinksNewWin();
        newAction = o.NewAction();
        tabColorScheme = o.TabColorScheme();
        inactiveTabColor = o.InactiveTabColor();
        inactiveFontColor = o.InactiveFontColor();
        askDefaultBrowser = o.AskDefaultBrowser();
        tabsDown = o.TabsDown();
        cbAutoExpand = o.CBAutoExpand();
        openNewInForeground = o.OpenNewInForeground();
        viewToolbar = o.ViewToolbar();
        viewAddressBar = o.ViewAddressBar();
        viewLinksBar = o.ViewLinksBar();
        viewStatusBar = o.ViewStatusBar();
        viewVessaBar = o.ViewVessaBar();
        fullScreen = o.FullScreen();
        maximized = o.Maximized();
        bounds = QRect(o.Left(), o.Top(), o.Width(), o.Height());
        startupPage = o.StartupPage();
        if (startupMode == QLatin1String("Last"))
            lastOpenSites = o.LastOpenSites();
        homePage = ReadHomePage();
    } catch (const RegistryError &e) {
        failed = true;
        errorMessage = e.message();
        errorDetail = e.detail();
    } catch (const std::exception &e) {
        failed = true;
        errorMessage = QString::fromLocal8Bit(e.what());
    }
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
    // The settings store (m_options) exists before anything else. Creation's reads of the
    // store and the write of the user-agent token wait on the disk, the web engine's start
    // and the widgets on the processor: the disk work runs on worker threads beside them.
    // The settings are applied below in creation order; the token is in place before the
    // first page opens.
    TJoiningThread tokenWriter([] { UpdateUserAgentToken(true); });
    TStartupSettings s;
    {
        TJoiningThread reader([&s] { s.read(); });
        TWebProfile::instance();
    }
    if (s.failed)
        throw RegistryError(s.errorMessage, s.errorDetail);
    // Later reads of a damaged value by this window read its default, told once.
    m_options.SetWrongTypeHandler([this](const QString &message) { ReportProblems({message}); });
    // The start-up writes are not worth the start: a failure is told with the rest.
    m_startProblems = s.problems;
    const auto startStep = [this](const std::function<void()> &run) {
        try {
            run();
        } catch (const RegistryError &e) {
            m_startProblems.append(e.message());
        }
    };

    BuildWidgets();
    BuildCommandTable();
    RegisterGroupCommands();
    RegisterPopupCommands();
    BuildMenus();
    BuildGroupMenu();
    BuildKeyFilter();

    // Colour pictures, custom favourite icons and the add-on defaults.
    m_toolbarColor = s.toolbarShowColor;
    m_useCustomIcons = s.useCustomIcons;
    m_flyswatShowLinks = s.flyswatShowLinks;
    m_flyswatEnabled = s.flyswatEnabled;

    // The tray icon takes the window's picture when the tray subsystem sets it up.
    // Dialogs (the confirmation dialog among them) show the application's icon.
    const QIcon appIcon(QStringLiteral(":/app/tabvane.svg"));
    setWindowIcon(appIcon);
    if (QApplication::windowIcon().isNull())
        QApplication::setWindowIcon(appIcon);

    // IE4 mode: the browser version the platform reports. No Linux engine reports 4.
    m_ie4Mode = s.ie4Mode;
    m_addressBar->SetIE4Mode(m_ie4Mode);

    imgLogo->SetActive(false);

    LoadToolbarButtons();
    ApplyToolbarColor(m_toolbarColor);
    ReloadPopupList();
    m_addressBar->SetCompletion(s.completion);   // LoadAddressCompletion, read with the rest
    m_addressBar->SetStoredTypedAddresses(s.typedUrls, s.typedUrlsRead);
    // Call site of the search subsystem: the search-bar favourites and engines menus are
    // built here. Call site of the mail subsystem: the mail menu is built here.

    startStep([&] { EnsureKWID(s.kwid); });

    ShowGoButton(s.showGo);
    m_disableAltShortcuts = s.disableAltShortcuts;
    m_addressBar->SetAutoCompleteStyle(s.autoCompleteStyle);
    m_addressBar->SetAddressNewWin(s.addressNewWin);
    m_openNewAtEnd = s.openNewAtEnd;
    m_tabs->SetPlacementAtEnd(true);   // start-up tabs follow each other at the end
    m_vgCloseFirst = s.vgCloseFirst;

    if (!m_ie4Mode) {
        m_searchBar = s.searchBar;
        if (m_searchBar.isEmpty())
            m_searchBar = TKWOptions::DefaultSearchBar();
    }
    // Call site of the tray subsystem: the tray icon is made active when MinToTray is set.

    pnlVessaBar->resize(s.vessaBarWidth, pnlVessaBar->height());

    // The user-agent token is in the hive now; the engine takes it up
    // before the first tab loads anything.
    tokenWriter.join();
    TWebProfile::instance()->refreshUserAgent();

    m_tabs->CreateForegroundTab();

    m_usePopupVessa = s.usePopupVessa;
    m_limitTitleLength = s.limitTitleLength;
    pcPage->SetMultiLine(s.multipleLines);
    if (pcPage->MultiLine())
        pcPage->SetAllowTabShifting(false);

    m_startupMode = s.startupMode;
    m_startupVessaGroup = s.startupVessaGroup;
    m_favoritesNewWin = s.favoritesNewWin;
    m_historyNewWin = s.historyNewWin;
    m_searchNewWin = s.searchNewWin;
    m_linksNewWin = s.linksNewWin;
    m_newAction = qBound(0, s.newAction, 2);

    ApplyTabColors(s.tabColorScheme, s.inactiveTabColor, s.inactiveFontColor);

    // Call site of the links subsystem: the links bar is created in pnlLinks here.

    // Call site of the default-browser offer: made here when AskDefaultBrowser is set.
    if (!s.askDefaultBrowser)
        startStep([this] { m_options.SetAskDefaultBrowser(false); });

    ApplyTabPosition(s.tabsDown);

    pcPage->setAcceptDrops(true);
    m_addressBar->SetCBAutoExpand(s.cbAutoExpand);
    m_tabs->SetOpenNewInForeground(s.openNewInForeground);
    // The content options were read when the engine's profile was made.

    // View state.
    pmViewToolbar->setChecked(s.viewToolbar);
    pmViewAddressBar->setChecked(s.viewAddressBar);
    pmViewLinksBar->setChecked(s.viewLinksBar);
    pmViewStatusBar->setChecked(s.viewStatusBar);
    sbStatus->setVisible(pmViewStatusBar->isChecked());
    ApplyBandVisibility();
    ShowVessaBar(s.viewVessaBar);

    // The stored placement is the window's normal placement; full screen is entered after
    // it, so that leaving full screen returns to the stored placement rather than to the
    // size the window had before it was placed.
    RestorePlacement(s.bounds, s.maximized);
    if (s.fullScreen)
        SetFullScreen(true);

    m_session = new TSessionKeeper(pcPage, m_tabs, this);
    OpenInitialPages(s);
    m_tabs->SetPlacementAtEnd(m_openNewAtEnd);
    m_session->Start();

    LayoutTabStrip();
    // Call site of the version check: its 5-second one-shot timer is started here.
    tmrLoadCoolbar->start();

    m_handOver = new THandOverReceiver(this, this);
    if (!m_handOver->Listen())
        m_startProblems.append(QStringLiteral("Tabvane cannot be reached by later starts (%1): an "
                                              "address opened from another program will not arrive here.")
                                       .arg(m_handOver->ErrorString()));
    if (!m_startProblems.isEmpty()) {
        QTimer::singleShot(0, this, [this, problems = m_startProblems] { ReportProblems(problems); });
        m_startProblems.clear();
    }
}

void TfrmMain::ReportProblems(const QStringList &messages)
{
    QStringList fresh;
    for (const QString &message : messages) {
        if (!m_reportedProblems.contains(message) && !fresh.contains(message))
            fresh.append(message);
    }
    if (fresh.isEmpty())
        return;
    for (const QString &message : qAsConst(fresh))
        m_reportedProblems.insert(message);
    // A value of the wrong type is read as its default; say so once, after the list.
    const bool typeProblem = std::any_of(fresh.cbegin(), fresh.cend(), [](const QString &m) {
        return m.startsWith(QLatin1String("Invalid data type for"));
    });
    QString text = fresh.join(QLatin1Char('\n'));
    if (typeProblem)
        text += QStringLiteral("\n\nTabvane uses the default value of such a setting.");
    TTabvaneApplication::ShowError(text);
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
        BuildTabMenu();   // puts Close, Close All, Hide from Close All first
}

void TfrmMain::RestorePlacement(QRect wanted, bool maximized)
{
    QScreen *primary = QGuiApplication::primaryScreen();
    const QRect avail = primary ? primary->availableGeometry() : QRect(0, 0, 1024, 768);
    // Sizes beyond the screen are cut to it so the frame stays reachable, and a window no
    // screen shows any more comes back on the primary screen.
    wanted.setWidth(qBound(200, wanted.width(), qMax(200, avail.width())));
    wanted.setHeight(qBound(150, wanted.height(), qMax(150, avail.height())));
    if (!screenShowing(wanted))
        wanted.moveTopLeft(avail.topLeft() + QPoint(10, 10));
    // A maximised window keeps the stored bounds as its normal placement.
    move(wanted.topLeft());
    resize(wanted.size());
    if (maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TfrmMain::SavePlacement()
{
    const bool maximized = isMaximized() || (m_fullScreen && m_fullScreenSave.maximized);
    if (!maximized) {
        const QRect frame = m_fullScreen ? m_fullScreenSave.geometry
                                         : QRect(pos(), size());
        m_options.SetTop(frame.y());
        m_options.SetHeight(frame.height());
        m_options.SetLeft(frame.x());
        m_options.SetWidth(frame.width());
    }
    m_options.SetMaximized(maximized);
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

void TfrmMain::OpenInitialPages(const TStartupSettings &settings)
{
    // After a run that did not end in order, the user chooses first: its tabs come back
    // instead of the pages StartupMode opens.
    const bool restore = m_session->OfferRestore();
    TBrowserTab *first = ActiveTab();
    const bool lastMode = !restore && m_startupMode == QLatin1String("Last");
    const QStringList &last = settings.lastOpenSites;
    const auto dataOf = [](const QString &line) { return line.mid(line.indexOf(QLatin1Char('=')) + 1); };
    QList<QPair<TBrowserTab *, QString>> lastSites;   // each tab with its line of L

    const QString &startupPage = settings.startupPage;
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
        } else if (m_startupMode == QLatin1String("Home")) {
            first->NavigateTo(settings.homePage);
        } else if (lastMode) {
            first->FirstLoad = true;
            first->NavigateTo(last.isEmpty() ? QStringLiteral("about:blank") : dataOf(last.last()));
            if (!last.isEmpty())
                lastSites.append({first, last.last()});
            for (int i = last.size() - 2; i >= 0; --i)
                restoreSite(last.at(i));
            m_session->ApplyToLastSites(lastSites, true);
        } else {
            m_pendingStartupGroup = m_startupVessaGroup;
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

void TfrmMain::tmrLoadCoolbarTimer()
{
    tmrLoadCoolbar->stop();
    if (!m_pendingStartupGroup.isEmpty()) {
        const QString path = m_pendingStartupGroup;
        m_pendingStartupGroup.clear();
        OpenGroup(path, true, false);
    }
    LoadBandLayout();
}

void TfrmMain::ApplyBandVisibility()
{
    cbCoolbar->setBandVisible(cbCoolbar->bandIndexOfControl(pnlToolbar), pmViewToolbar->isChecked());
    cbCoolbar->setBandVisible(cbCoolbar->bandIndexOfControl(m_addressBar->Panel()), pmViewAddressBar->isChecked());
    cbCoolbar->setBandVisible(cbCoolbar->bandIndexOfControl(pnlLinks), pmViewLinksBar->isChecked());
}

void TfrmMain::ToggleStatusBar()
{
    sbStatus->setVisible(pmViewStatusBar->isChecked());
}

void TfrmMain::SetFullScreen(bool on)
{
    if (on == m_fullScreen)
        return;
    m_fullScreen = on;
    pmViewFullScreen->setChecked(on);
    if (QToolButton *button = ToolButtonByName(QStringLiteral("tbFullScreen")))
        button->setChecked(on);
    const int toolBand = cbCoolbar->bandIndexOfControl(pnlToolbar);
    const int menuBand = cbCoolbar->bandIndexOfControl(pnlMenuBar);
    if (on) {
        pmViewToolbar->setVisible(false);
        pmViewMenuBar->setVisible(true);
        pmViewMenuBar->setChecked(true);
        m_fullScreenSave.maximized = isMaximized();
        m_fullScreenSave.geometry = isMaximized() ? normalGeometry() : QRect(pos(), size());
        // A window not shown yet has no frame to save; its stored placement is used.
        m_fullScreenSave.placement = isVisible() ? saveGeometry() : QByteArray();
        m_fullScreenSave.statusBarVisible = sbStatus->isVisible();
        m_fullScreenSave.toolbarVisible = cbCoolbar->bandVisible(toolBand);
        cbCoolbar->setBandVisible(toolBand, true);
        sbStatus->setVisible(false);
        setWindowState(windowState() | Qt::WindowFullScreen);
    } else {
        pmViewToolbar->setVisible(true);
        pmViewMenuBar->setVisible(false);
        sbStatus->setVisible(m_fullScreenSave.statusBarVisible);
        if (m_fullScreenSave.maximized) {
            setWindowState((windowState() & ~Qt::WindowFullScreen) | Qt::WindowMaximized);
        } else {
            setWindowState(windowState() & ~(Qt::WindowFullScreen | Qt::WindowMaximized));
            // The frame is not back yet when the full-screen state ends: moving to the
            // frame's old position would put the window's client area there, a title bar
            // higher each time. The saved placement knows the frame and the client apart.
            if (m_fullScreenSave.placement.isEmpty() || !restoreGeometry(m_fullScreenSave.placement)) {
                resize(m_fullScreenSave.geometry.size());
                move(m_fullScreenSave.geometry.topLeft());
            }
        }
        cbCoolbar->setBandVisible(menuBand, true);
        cbCoolbar->setBandVisible(toolBand, m_fullScreenSave.toolbarVisible);
        ApplyBandVisibility();
    }
}

void TfrmMain::ShowVessaBar(bool show)
{
    // The side bar's panels belong to their own subsystem and are not built yet: the
    // command stays disabled and the stored choice is kept as it is, without showing an
    // empty panel.
    pmViewVessaBar->setChecked(show);
    if (QToolButton *button = ToolButtonByName(QStringLiteral("tbVessaBar")))
        button->setChecked(show);
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

    qApp->removeEventFilter(this);
    delete m_handOver;
    m_handOver = nullptr;
    m_tabs->HiddenTabTimer()->stop();
    tmrLoadCoolbar->stop();

    if (!SaveToolbarButtons())
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
    step(QStringLiteral("the open sites"), [&] { m_options.SetLastOpenSites(sites); });

    step(QStringLiteral("the options"), [this] {
        m_options.SetDisableALTShortcuts(m_disableAltShortcuts);
        m_options.SetOpenNewInForeground(m_tabs->OpenNewInForeground());
        m_addressBar->Save(m_options);
        // Call site of the tray subsystem: MinToTray is stored from the tray icon here.
    });
    step(QStringLiteral("the window placement"), [this] { SavePlacement(); });
    step(QStringLiteral("the options"), [this] {
        m_options.SetOpenNewAtEnd(m_openNewAtEnd);
        m_options.SetVessaBarWidth(pnlVessaBar->width());
        m_options.SetLimitTitleLength(m_limitTitleLength);
        m_options.SetSearchBar(m_searchBar);
        m_options.SetFullScreen(m_fullScreen);
        m_options.SetUsePopupVessa(m_usePopupVessa);
    });
    step(QStringLiteral("the band layout"), [this] { SaveBandLayout(); });
    step(QStringLiteral("the view settings"), [this] {
        m_options.SetViewVessaBar(pmViewVessaBar->isChecked());
        m_options.SetViewToolbar(pmViewToolbar->isChecked());
        m_options.SetViewAddressBar(pmViewAddressBar->isChecked());
        m_options.SetViewLinksBar(pmViewLinksBar->isChecked());
        m_options.SetViewStatusBar(pmViewStatusBar->isChecked());
        m_options.SetVGCloseFirst(m_vgCloseFirst);
    });
    step(QStringLiteral("the typed addresses"), [this] { m_addressBar->SaveTypedAddresses(); });
    m_addressBar->Clear();

    if (!unsaved.isEmpty()) {
        QString text = QStringLiteral("Tabvane could not save: %1.").arg(unsaved.join(QStringLiteral(", ")));
        if (!firstError.isEmpty())
            text += QStringLiteral("\n\n") + firstError;
        // Closed by a signal, the session is ending and nobody would answer a message box.
        if (ShutdownBySignal(this)) {
            std::fprintf(stderr, "tabvane: %s\n", qPrintable(text));
            std::fflush(stderr);
        } else {
            TTabvaneApplication::ShowError(text);
        }
    }
}

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

bool TfrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (KeyAndMessageFilter(watched, event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

bool TfrmMain::event(QEvent *event)
{
    if (event->type() == QEvent::StatusTip) {
        // Hints carry "short|long"; the long part goes to the first status panel.
        const QString tip = static_cast<QStatusTipEvent *>(event)->tip();
        const int bar = tip.indexOf(QLatin1Char('|'));
        sbStatus->SetPanelText(0, bar >= 0 ? tip.mid(bar + 1) : tip);
        return true;
    }
    return QMainWindow::event(event);
}

void TfrmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    LayoutLogoPanel();
}
