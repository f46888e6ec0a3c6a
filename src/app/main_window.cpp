// TfrmMain: creation in its fixed order, the first pages, view toggles, full screen,
// activation, the close question and the shutdown sequence.

#include "app/main_window.h"

#include "app/confirm.h"
#include "app/handover.h"
#include "app/startup.h"
#include "app/useragent.h"
#include "browser/browsertab.h"
#include "browser/kwpagecontrol.h"
#include "components/coolbar.h"
#include "components/logoanimation.h"
#include "components/statuspanels.h"
#include "navigation/kwcombobox.h"
#include "navigation/shautocomplete.h"
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

void TfrmMain::FormCreate()
{
    BuildWidgets();
    BuildMenus();
    BuildGroupMenu();
    BuildPopupCommands();
    BuildKeyFilter();

    // Colour pictures, custom favourite icons and the add-on defaults.
    m_toolbarColor = m_options.ToolbarShowColor();
    m_useCustomIcons = m_options.UseCustomIcons();
    m_flyswatShowLinks = m_options.FlyswatShowLinks();
    m_flyswatEnabled = m_options.FlyswatEnabled();

    setWindowIcon(QIcon(QStringLiteral(":/app/tabvane.svg")));

    // IE4 mode: the browser version the platform reports. No Linux engine reports 4.
    try {
        const RegValue version = TRegistry(RegRoot::LocalMachine)
                .readValue(QStringLiteral("Software\\Microsoft\\Internet Explorer"), QStringLiteral("Version"));
        m_ie4Mode = version.exists() && version.text.startsWith(QLatin1Char('4'));
    } catch (const RegistryError &) {
        m_ie4Mode = false;
    }

    imgLogo->SetActive(false);

    UpdateUserAgentToken(true);
    TWebProfile::instance()->refreshUserAgent();

    LoadToolbarButtons();
    ApplyToolbarColor(m_toolbarColor);
    ReloadPopupList();
    LoadAddressCompletion();
    try {
        SetTypedAddresses(TTypedUrls::Load());
    } catch (const RegistryError &e) {
        qWarning("tabvane: typed addresses not loaded: %s", e.what());
    }

    EnsureKWID();

    ShowGoButton(m_options.ShowGo());
    m_disableAltShortcuts = m_options.DisableALTShortcuts();
    SetAutoCompleteStyle(m_options.AutoCompleteStyle());
    m_addressNewWin = m_options.AddressNewWin();
    m_openNewAtEnd = m_options.OpenNewAtEnd();
    m_placementAtEnd = true;   // start-up tabs follow each other at the end
    m_vgCloseFirst = m_options.VGCloseFirst();

    if (!m_ie4Mode) {
        m_searchBar = m_options.SearchBar();
        if (m_searchBar.isEmpty())
            m_searchBar = TKWOptions::DefaultSearchBar();
    }

    pnlVessaBar->resize(m_options.VessaBarWidth(), pnlVessaBar->height());

    CreateTab(false, false);

    m_usePopupVessa = m_options.UsePopupVessa();
    m_limitTitleLength = m_options.LimitTitleLength();
    pcPage->SetMultiLine(m_options.MultipleLines());
    if (pcPage->MultiLine())
        pcPage->SetAllowTabShifting(false);

    m_startupMode = m_options.StartupMode();
    m_startupVessaGroup = m_options.StartupVessaGroup();
    m_favoritesNewWin = m_options.FavoritesNewWin();
    m_historyNewWin = m_options.HistoryNewWin();
    m_searchNewWin = m_options.SearchNewWin();
    m_linksNewWin = m_options.LinksNewWin();
    m_newAction = qBound(0, m_options.NewAction(), 2);

    ApplyTabColors();

    if (!m_options.AskDefaultBrowser())
        m_options.SetAskDefaultBrowser(false);

    ApplyTabPosition();

    pcPage->setAcceptDrops(true);
    m_cbAutoExpand = m_options.CBAutoExpand();
    m_openNewInForeground = m_options.OpenNewInForeground();
    TWebProfile::instance()->refreshContentOptions();

    // View state.
    pmViewToolbar->setChecked(m_options.ViewToolbar());
    pmViewAddressBar->setChecked(m_options.ViewAddressBar());
    pmViewLinksBar->setChecked(m_options.ViewLinksBar());
    pmViewStatusBar->setChecked(m_options.ViewStatusBar());
    sbStatus->setVisible(pmViewStatusBar->isChecked());
    ApplyBandVisibility();
    if (m_options.FullScreen())
        SetFullScreen(true);
    ShowVessaBar(m_options.ViewVessaBar());

    RestorePlacement();

    OpenInitialPages();
    m_placementAtEnd = m_openNewAtEnd;

    LayoutTabStrip();
    tmrLoadCoolbar->start();

    m_handOver = new THandOverReceiver(this, this);
    m_handOver->Listen();
}

void TfrmMain::EnsureKWID()
{
    const QString id = m_options.KWID();
    if (id.length() == 36)
        return;
    m_options.SetKWID(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
}

void TfrmMain::ApplyTabColors()
{
    const QString scheme = m_options.TabColorScheme();
    QColor tabColor;
    QColor fontColor;
    if (scheme == QLatin1String("std")) {
        tabColor = TKWPageControl::ColorFromBGR(TKWPageControl::clBtnFace);
        fontColor = TKWPageControl::ColorFromBGR(TKWPageControl::clWindowText);
    } else if (scheme == QLatin1String("rev")) {
        tabColor = TKWPageControl::ColorFromBGR(TKWPageControl::clInactiveCaption);
        fontColor = TKWPageControl::ColorFromBGR(TKWPageControl::clHighlightText);
    } else {
        tabColor = TKWPageControl::ColorFromBGR(m_options.InactiveTabColor());
        fontColor = TKWPageControl::ColorFromBGR(m_options.InactiveFontColor());
    }
    pcPage->SetInactiveTabColor(tabColor);
    pcPage->SetInactiveFontColor(fontColor);
}

void TfrmMain::ApplyTabPosition()
{
    const bool down = m_options.TabsDown();
    pcPage->SetTabPosition(down ? TKWPageControl::TabPosition::Bottom : TKWPageControl::TabPosition::Top);
    if (!down)
        BuildTabMenu();   // puts Close, Close All, Hide from Close All first
}

void TfrmMain::RestorePlacement()
{
    if (m_options.Maximized()) {
        setWindowState(windowState() | Qt::WindowMaximized);
        return;
    }
    QRect wanted(m_options.Left(), m_options.Top(), m_options.Width(), m_options.Height());
    QScreen *primary = QGuiApplication::primaryScreen();
    const QRect avail = primary ? primary->availableGeometry() : QRect(0, 0, 1024, 768);
    // A window no screen shows any more comes back on the primary screen; sizes beyond
    // the screen are cut to it so the frame stays reachable.
    wanted.setWidth(qBound(200, wanted.width(), qMax(200, avail.width())));
    wanted.setHeight(qBound(150, wanted.height(), qMax(150, avail.height())));
    if (!screenShowing(wanted))
        wanted.moveTopLeft(avail.topLeft() + QPoint(10, 10));
    move(wanted.topLeft());
    resize(wanted.size());
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

QString TfrmMain::HomePage() const
{
    try {
        const RegValue start = TRegistry(RegRoot::CurrentUser).readValue(IEMainKey, QStringLiteral("Start Page"));
        if ((start.type == RegType::Sz || start.type == RegType::ExpandSz) && !start.text.trimmed().isEmpty())
            return start.text.trimmed();
    } catch (const RegistryError &) {
    }
    return QStringLiteral("about:blank");
}

void TfrmMain::OpenInitialPages()
{
    TBrowserTab *first = ActiveTab();
    QStringList last;
    const bool lastMode = m_startupMode == QLatin1String("Last");
    if (lastMode || !m_argument.isEmpty())
        last = m_options.LastOpenSites();
    const auto dataOf = [](const QString &line) { return line.mid(line.indexOf(QLatin1Char('=')) + 1); };

    const QString startupPage = m_options.StartupPage();
    if (!startupPage.isEmpty()) {
        TBrowserTab *second = CreateTab(false, false);
        ActivateTab(first);
        second->FirstLoad = true;
        second->NavigateTo(startupPage);
        m_options.SetStartupPage(QString());
    }

    const auto restoreSite = [this, &dataOf](const QString &line) {
        TBrowserTab *tab = CreateBackgroundTab();
        if (!tab)
            return;
        tab->FirstLoad = true;
        tab->NavigateTo(dataOf(line));
    };

    if (m_argument.isEmpty()) {
        if (m_startupMode == QLatin1String("Home")) {
            first->NavigateTo(HomePage());
        } else if (lastMode) {
            first->FirstLoad = true;
            first->NavigateTo(last.isEmpty() ? QStringLiteral("about:blank") : dataOf(last.last()));
            for (int i = last.size() - 2; i >= 0; --i)
                restoreSite(last.at(i));
        } else {
            m_pendingStartupGroup = m_startupVessaGroup;
        }
        return;
    }

    if (IsGroupArgument(m_argument)) {
        OpenGroup(m_argument, true, true);
        return;
    }
    first->FirstLoad = true;
    first->NavigateTo(m_argument);
    if (lastMode) {
        for (int i = last.size() - 1; i >= 0; --i)
            restoreSite(last.at(i));
    }
    ActivateTab(first);
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
    cbCoolbar->setBandVisible(cbCoolbar->bandIndexOfControl(pnlAddress), pmViewAddressBar->isChecked());
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
            resize(m_fullScreenSave.geometry.size());
            move(m_fullScreenSave.geometry.topLeft());
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
    if (!m_activatedOnce) {
        m_activatedOnce = true;
        if (m_autoCompleteStyle == TAutoCompleteStyle::IE5)
            TSHAutoComplete(cboAddress->lineEdit(), SHACF_URLALL);
    }
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

    qApp->removeEventFilter(this);
    delete m_handOver;
    m_handOver = nullptr;
    tmrHiddenTabs->stop();
    tmrLoadCoolbar->stop();

    try {
        SaveToolbarButtons();
        UpdateUserAgentToken(false);
        CloseHiddenTabs();

        // Rightmost tab first, so that reading the list from its end restores the order.
        QStringList sites;
        const QList<TBrowserTab *> tabs = Tabs();
        for (int i = tabs.size() - 1; i >= 0; --i) {
            TBrowserTab *tab = tabs.at(i);
            const QString url = tab->Location();
            if (!url.isEmpty())
                sites.append(QStringLiteral("url%1=%2").arg(i + 1).arg(url));
            tab->CloseTab();
        }
        m_options.SetLastOpenSites(sites);

        m_options.SetDisableALTShortcuts(m_disableAltShortcuts);
        m_options.SetOpenNewInForeground(m_openNewInForeground);
        m_options.SetAddressNewWin(m_addressNewWin);
        m_options.SetAutoCompleteStyle(m_autoCompleteStyle);
        m_options.SetShowGo(m_showGo);
        m_options.SetCBAutoExpand(m_cbAutoExpand);

        SavePlacement();

        m_options.SetOpenNewAtEnd(m_openNewAtEnd);
        m_options.SetVessaBarWidth(pnlVessaBar->width());
        m_options.SetLimitTitleLength(m_limitTitleLength);
        m_options.SetSearchBar(m_searchBar);
        m_options.SetFullScreen(m_fullScreen);
        m_options.SetUsePopupVessa(m_usePopupVessa);

        SaveBandLayout();

        m_options.SetViewVessaBar(pmViewVessaBar->isChecked());
        m_options.SetViewToolbar(pmViewToolbar->isChecked());
        m_options.SetViewAddressBar(pmViewAddressBar->isChecked());
        m_options.SetViewLinksBar(pmViewLinksBar->isChecked());
        m_options.SetViewStatusBar(pmViewStatusBar->isChecked());
        m_options.SetVGCloseFirst(m_vgCloseFirst);

        TTypedUrls::Save(TypedAddresses());
    } catch (const RegistryError &e) {
        // The settings that could be written are kept; the user learns what failed.
        qWarning("tabvane: settings not saved: %s", e.what());
    }
    SetTypedAddresses(QStringList());
}

void TfrmMain::RestoreAndRaise()
{
    RestoreAndRaiseWindow(this);
    qCInfo(lcHandOver, "comes to the front");
}

void TfrmMain::OpenInNewForegroundTab(const QString &text)
{
    qCInfo(lcHandOver, "open in new tab %s", qPrintable(text));
    if (TBrowserTab *tab = CreateForegroundTab())
        tab->OpenAsHome(text);
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
