// TWindowFrame: building the main window's panels and bands, and the tab strip's layout.

#include "app/windowframe.h"

#include "app/kwoptions.h"
#include "app/statusarea.h"
#include "browser/browsertab.h"
#include "browser/kwpagecontrol.h"
#include "browser/tabmanager.h"
#include "components/coolbar.h"
#include "components/fullscreen.h"
#include "components/logopanel.h"
#include "components/statuspanels.h"
#include "navigation/addressbar.h"
#include "navigation/commandtable.h"
#include "options/bandlayout.h"
#include "options/toolbarband.h"
#include "platform/makerhost.h"
#include "platform/offline.h"
#include "platform/startuptrace.h"

#include <QApplication>
#include <QStatusTipEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QToolBar>
#include <QVBoxLayout>

#include <functional>

namespace {
QWidget *namedPanel(const char *name, QWidget *parent)
{
    auto *w = new QWidget(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

}

TWindowFrame::TWindowFrame(QMainWindow *window, TCommandTable *commands, ITabPolicy *policy, QObject *parent)
    : QObject(parent), m_commands(commands)
{
    auto *central = new QWidget(window);
    central->setObjectName(QStringLiteral("pnlMain"));
    auto *vbox = new QVBoxLayout(central);
    vbox->setContentsMargins(0, 0, 0, 0);
    vbox->setSpacing(0);

    // Top: the cool bar and, at its right, the logo with the close buttons.
    m_top = namedPanel("pnlTop", central);
    auto *topBox = new QHBoxLayout(m_top);
    topBox->setContentsMargins(0, 0, 0, 0);
    topBox->setSpacing(0);
    m_coolbar = new TCoolBar(m_top);
    m_coolbar->setObjectName(QStringLiteral("cbCoolbar"));
    topBox->addWidget(m_coolbar, 1);
    m_logoPanel = new TLogoPanel(m_coolbar, m_top);
    connect(m_logoPanel, &TLogoPanel::LogoClicked, this, [this] {
        if (TBrowserTab *tab = m_tabs->CreateForegroundTab())
            tab->NavigateTo(TMakerHost::Maker() + QLatin1Char('/'));
    });
    // These buttons run commands: a failure is reported by the command table's guard.
    connect(m_logoPanel, &TLogoPanel::CloseClicked, this,
            [this] { m_commands->Guarded([this] { closeTab(m_tabs->ActiveTab()); }); });
    connect(m_logoPanel, &TLogoPanel::CloseAllClicked, this, [this](TLogoPanel::TCloseAll variant) {
        m_commands->Guarded([this, variant] {
            if (variant == TLogoPanel::TCloseAll::KeepCurrent)
                m_tabs->CloseAllKeepCurrent();
            else if (variant == TLogoPanel::TCloseAll::ShowList)
                m_tabs->CloseAllShowList();
            else
                m_tabs->CloseAll(false);
        });
    });
    topBox->addWidget(m_logoPanel, 0);
    vbox->addWidget(m_top);

    // Menu band: the caption buttons are added by the main menus (TMainMenus).
    m_menuBand = namedPanel("pnlMenuBar", m_coolbar);
    auto *menuBox = new QHBoxLayout(m_menuBand);
    menuBox->setContentsMargins(0, 0, 0, 0);
    m_menuBar = new QToolBar(m_menuBand);
    m_menuBar->setObjectName(QStringLiteral("tbMenu"));
    m_menuBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_menuBar->setIconSize(QSize(1, 1));
    menuBox->addWidget(m_menuBar, 1);

    // Tool band.
    m_toolBand = namedPanel("pnlToolbar", m_coolbar);
    auto *toolBox = new QHBoxLayout(m_toolBand);
    toolBox->setContentsMargins(0, 0, 0, 0);
    m_toolbar = new TToolbarBand(m_commands, TToolbarCatalogue::FileName(), m_toolBand, this);
    toolBox->addWidget(m_toolbar->Bar(), 1);

    m_addressBar = new TAddressBar(m_coolbar, [this](const std::function<void()> &run) { m_commands->Guarded(run); },
                                   this);
    QWidget *addressBand = m_addressBar->Panel();

    // Links band: the links bar fills it.
    m_linksBand = namedPanel("pnlLinks", m_coolbar);
    m_linksBand->setLayout(new QHBoxLayout);
    m_linksBand->layout()->setContentsMargins(0, 0, 0, 0);

    // Label and page icon always stay visible: the band's minimum ends one pixel before
    // the address box (icon 2 pixels right of the label, box 3 pixels right of the icon).
    const int boxLeft = m_addressBar->Label()->sizeHint().width() + 2
            + m_addressBar->PageIcon()->sizeHint().width() + 3;
    m_bands = new TBandLayout(m_coolbar, m_commands, TKWOptions::SettingsKey + QStringLiteral("\\Bands"), this);
    m_bands->Arrange(m_menuBand, m_toolBand, addressBand, boxLeft - 1, m_linksBand);
    connect(m_bands, &TBandLayout::Loaded, m_logoPanel, &TLogoPanel::Relayout);

    // Middle: side bar place and the tab strip.
    auto *body = namedPanel("pnlBody", central);
    auto *bodyBox = new QHBoxLayout(body);
    bodyBox->setContentsMargins(0, 0, 0, 0);
    bodyBox->setSpacing(0);
    m_sideBar = namedPanel("pnlVessaBar", body);
    m_sideBar->hide();
    bodyBox->addWidget(m_sideBar);
    m_center = namedPanel("pnlCenter", body);
    auto *centerBox = new QVBoxLayout(m_center);
    centerBox->setContentsMargins(0, 0, 0, 0);
    // The tabs report their status to the status area directly; it follows the active tab.
    m_statusArea = new TStatusArea(window, m_logoPanel->Logo(), this);
    m_tabs = new TTabManager({m_statusArea, m_addressBar, nullptr, policy}, m_center, this);
    m_addressBar->Attach(m_tabs);
    m_statusArea->Follow(m_tabs);
    TKWPageControl *strip = m_tabs->PageControl();
    strip->SetAllowTabShifting(true);
    strip->SetShowHints(true);
    strip->SetMultiLine(true);
    centerBox->addWidget(strip);
    bodyBox->addWidget(m_center, 1);
    vbox->addWidget(body, 1);
    connect(m_tabs, &TTabManager::ActiveTabChanged, m_addressBar, &TAddressBar::FollowActiveTab);
    connect(strip, &TKWPageControl::TabMiddleClicked, this,
            [this, strip](int tab) { closeTab(m_tabs->TabAt(strip->TabToPageIndex(tab))); });

    connect(TOfflineNotifier::instance(), &TOfflineNotifier::OfflineChanged, m_statusArea, &TStatusArea::ShowOffline);
    vbox->addWidget(m_statusArea->Bar());
    window->setCentralWidget(central);
    window->installEventFilter(this);

    m_fullScreen = new TFullScreen(window, m_coolbar, m_menuBand, m_toolBand, m_statusArea->Bar(), this);

    // The tray icon takes the window's picture when the tray subsystem sets it up.
    // Dialogs (the confirmation dialog among them) show the application's icon.
    const QIcon appIcon(QStringLiteral(":/app/tabvane.svg"));
    window->setWindowIcon(appIcon);
    if (QApplication::windowIcon().isNull())
        QApplication::setWindowIcon(appIcon);
}

void TWindowFrame::closeTab(TBrowserTab *tab)
{
    if (!m_tabs->GroupLoading())
        m_tabs->CloseTab(tab);
}

bool TWindowFrame::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Resize:
        // The window's layout has resized the panels before its filters see the event.
        m_logoPanel->Relayout();
        break;
    case QEvent::StatusTip:
        m_statusArea->ShowHint(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    case QEvent::UpdateRequest:
        if (TStartupTrace::Enabled())
            TStartupTrace::MarkOnce("main window painted");
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void TWindowFrame::LayoutTabStrip()
{
    // The panel's layout keeps the strip filling it on every resize.
    m_tabs->PageControl()->setGeometry(m_center->rect());
}
