// TfrmMain: building the window's widgets and the tab strip's layout.

#include "app/main_window.h"

#include "app/statusarea.h"
#include "browser/browsertab.h"
#include "browser/kwpagecontrol.h"
#include "components/coolbar.h"
#include "components/fullscreen.h"
#include "components/logopanel.h"
#include "components/statuspanels.h"
#include "navigation/commandtable.h"
#include "options/bandlayout.h"
#include "options/toolbarband.h"
#include "platform/offline.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
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

void TfrmMain::BuildWidgets()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("pnlMain"));
    auto *vbox = new QVBoxLayout(central);
    vbox->setContentsMargins(0, 0, 0, 0);
    vbox->setSpacing(0);

    // Top: the cool bar and, at its right, the logo with the close buttons.
    pnlTop = namedPanel("pnlTop", central);
    auto *topBox = new QHBoxLayout(pnlTop);
    topBox->setContentsMargins(0, 0, 0, 0);
    topBox->setSpacing(0);
    cbCoolbar = new TCoolBar(pnlTop);
    cbCoolbar->setObjectName(QStringLiteral("cbCoolbar"));
    topBox->addWidget(cbCoolbar, 1);
    m_logoPanel = new TLogoPanel(cbCoolbar, pnlTop);
    connect(m_logoPanel, &TLogoPanel::LogoClicked, this, [this] {
        if (TBrowserTab *tab = CreateForegroundTab())
            tab->NavigateTo(QStringLiteral(TABVANE_MAKER_HOST "/"));
    });
    // These buttons run commands: a failure is reported by the command table's guard.
    connect(m_logoPanel, &TLogoPanel::CloseClicked, this, [this] { m_commands->Guarded([this] { actCloseExecute(); }); });
    connect(m_logoPanel, &TLogoPanel::CloseAllClicked, this, [this](TLogoPanel::TCloseAll variant) {
        m_commands->Guarded([this, variant] {
            if (variant == TLogoPanel::TCloseAll::KeepCurrent)
                CloseAllKeepCurrent();
            else if (variant == TLogoPanel::TCloseAll::ShowList)
                CloseAllShowList();
            else
                CloseAll(false);
        });
    });
    topBox->addWidget(m_logoPanel, 0);
    vbox->addWidget(pnlTop);

    // Menu band: the caption buttons are added by the main menus (TMainMenus).
    pnlMenuBar = namedPanel("pnlMenuBar", cbCoolbar);
    auto *menuBox = new QHBoxLayout(pnlMenuBar);
    menuBox->setContentsMargins(0, 0, 0, 0);
    tbMenu = new QToolBar(pnlMenuBar);
    tbMenu->setObjectName(QStringLiteral("tbMenu"));
    tbMenu->setToolButtonStyle(Qt::ToolButtonTextOnly);
    tbMenu->setIconSize(QSize(1, 1));
    menuBox->addWidget(tbMenu, 1);

    // Tool band.
    pnlToolbar = namedPanel("pnlToolbar", cbCoolbar);
    auto *toolBox = new QHBoxLayout(pnlToolbar);
    toolBox->setContentsMargins(0, 0, 0, 0);
    m_toolbar = new TToolbarBand(m_commands, TToolbarCatalogue::FileName(), pnlToolbar, this);
    toolBox->addWidget(m_toolbar->Bar(), 1);

    m_addressBar = new TAddressBar(cbCoolbar, [this](const std::function<void()> &run) { m_commands->Guarded(run); },
                                   this);
    connect(m_addressBar, &TAddressBar::BackForwardChanged, this, [this](bool canGoBack, bool canGoForward) {
        if (actBack)
            actBack->setEnabled(canGoBack);
        if (actForward)
            actForward->setEnabled(canGoForward);
    });
    QWidget *pnlAddress = m_addressBar->Panel();

    // Links band: the links bar fills it.
    pnlLinks = namedPanel("pnlLinks", cbCoolbar);
    pnlLinks->setLayout(new QHBoxLayout);
    pnlLinks->layout()->setContentsMargins(0, 0, 0, 0);

    // Label and page icon always stay visible: the band's minimum ends one pixel before
    // the address box (icon 2 pixels right of the label, box 3 pixels right of the icon).
    const int boxLeft = m_addressBar->Label()->sizeHint().width() + 2
            + m_addressBar->PageIcon()->sizeHint().width() + 3;
    m_bands = new TBandLayout(cbCoolbar, m_commands, TKWOptions::SettingsKey + QStringLiteral("\\Bands"), this);
    m_bands->Arrange(pnlMenuBar, pnlToolbar, pnlAddress, boxLeft - 1, pnlLinks);
    connect(m_bands, &TBandLayout::DeferredLoadDue, this, &TfrmMain::tmrLoadCoolbarTimer);
    connect(m_bands, &TBandLayout::Loaded, m_logoPanel, &TLogoPanel::Relayout);

    // Middle: side bar place and the tab strip.
    auto *body = namedPanel("pnlBody", central);
    auto *bodyBox = new QHBoxLayout(body);
    bodyBox->setContentsMargins(0, 0, 0, 0);
    bodyBox->setSpacing(0);
    pnlVessaBar = namedPanel("pnlVessaBar", body);
    pnlVessaBar->hide();
    bodyBox->addWidget(pnlVessaBar);
    pnlCenter = namedPanel("pnlCenter", body);
    auto *centerBox = new QVBoxLayout(pnlCenter);
    centerBox->setContentsMargins(0, 0, 0, 0);
    // The tabs report their status to the status area directly; it follows the active tab.
    m_statusArea = new TStatusArea(this, m_logoPanel->Logo(), this);
    m_tabs = new TTabManager({m_statusArea, m_addressBar, nullptr, this}, pnlCenter, this);
    m_addressBar->Attach(m_tabs);
    m_statusArea->Follow(m_tabs);
    m_tabs->SetCloseAllQuestion([this] { return AskCloseAll(); });
    pcPage = m_tabs->PageControl();
    pcPage->SetAllowTabShifting(true);
    pcPage->SetShowHints(true);
    pcPage->SetMultiLine(true);
    centerBox->addWidget(pcPage);
    bodyBox->addWidget(pnlCenter, 1);
    vbox->addWidget(body, 1);
    connect(m_tabs, &TTabManager::ActiveTabChanged, m_addressBar, &TAddressBar::FollowActiveTab);
    connect(pcPage, &TKWPageControl::TabMiddleClicked, this, [this](int tab) {
        if (!GroupLoading())
            CloseTab(TabAt(pcPage->TabToPageIndex(tab)));
    });

    connect(TOfflineNotifier::instance(), &TOfflineNotifier::OfflineChanged, m_statusArea, &TStatusArea::ShowOffline);
    vbox->addWidget(m_statusArea->Bar());
    setCentralWidget(central);

    m_fullScreenPart = new TFullScreen(this, cbCoolbar, pnlMenuBar, pnlToolbar, m_statusArea->Bar(), this);
}

void TfrmMain::LayoutTabStrip()
{
    // The strip draws no border of its own, so it fills the centre panel exactly; the
    // panel's layout keeps it so on every resize.
    pcPage->setGeometry(pnlCenter->rect());
}
