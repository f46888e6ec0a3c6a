// TfrmMain: building the window's widgets, and the layout rules of the logo panel and the
// tab strip.

#include "app/main_window.h"
#include "platform/makerhost.h"

#include "app/statusarea.h"
#include "browser/browsertab.h"
#include "browser/kwpagecontrol.h"
#include "components/coolbar.h"
#include "components/fullscreen.h"
#include "components/logoanimation.h"
#include "components/smallpicture.h"
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
const QColor Outline = PictureOutline();

// A cross; two staggered crosses for Close All.
QIcon closePicture(bool all)
{
    return QIcon(SmallPicture(16, [all](QPainter &p) {
        const auto cross = [&p](QPointF c, qreal r) {
            p.setPen(QPen(Outline, 2.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(c + QPointF(-r, -r), c + QPointF(r, r));
            p.drawLine(c + QPointF(-r, r), c + QPointF(r, -r));
        };
        if (all) {
            cross({5.5, 5.5}, 2.8);
            cross({10.5, 10.5}, 2.8);
        } else {
            cross({8, 8}, 4);
        }
    }));
}

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
    BuildLogoPanel();
    topBox->addWidget(gpLogo, 0);
    vbox->addWidget(pnlTop);

    // Menu band: the caption buttons are added by BuildMenus.
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
    connect(cbCoolbar, &TCoolBar::HeightChanged, this, [this] { LayoutLogoPanel(); });
    connect(m_bands, &TBandLayout::DeferredLoadDue, this, &TfrmMain::tmrLoadCoolbarTimer);
    connect(m_bands, &TBandLayout::Loaded, this, &TfrmMain::LayoutLogoPanel);

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
    m_statusArea = new TStatusArea(this, imgLogo, this);
    m_tabs = new TTabManager({m_statusArea, m_addressBar, nullptr, this}, pnlCenter, this);
    m_addressBar->Attach(m_tabs);
    m_statusArea->Follow(m_tabs);
    connect(m_statusArea, &TStatusArea::ActiveTabLoading, this, [this](bool loading) {
        if (actStop)
            actStop->setEnabled(loading);
    });
    m_tabs->SetCloseAllQuestion([this] { return AskCloseAll(); });
    pcPage = m_tabs->PageControl();
    pcPage->SetAllowTabShifting(true);
    pcPage->SetShowHints(true);
    pcPage->SetMultiLine(true);
    centerBox->addWidget(pcPage);
    bodyBox->addWidget(pnlCenter, 1);
    vbox->addWidget(body, 1);
    connect(m_tabs, &TTabManager::ActiveTabChanged, m_addressBar, &TAddressBar::FollowActiveTab);
    connect(pcPage, &TKWPageControl::TabRightButtonDown, this, [this](int tab) {
        CloseHiddenTabs();
        m_tabTargetIndex = tab;
    });
    connect(pcPage, &TKWPageControl::TabContextMenu, this, [this](int, const QPoint &pos) {
        pmTabPopup();
        pmTab->popup(pos);
    });
    connect(pcPage, &TKWPageControl::TabDragOver, this, [this](int tab) { m_tabTargetIndex = tab; });
    connect(pcPage, &TKWPageControl::TabMiddleClicked, this, [this](int tab) {
        if (!GroupLoading())
            CloseTab(TabAt(pcPage->TabToPageIndex(tab)));
    });
    connect(pcPage, &TKWPageControl::TextDropped, this, &TfrmMain::OnTextDropped);

    connect(TOfflineNotifier::instance(), &TOfflineNotifier::OfflineChanged, this, &TfrmMain::ShowOfflineState);
    vbox->addWidget(m_statusArea->Bar());
    setCentralWidget(central);

    m_fullScreenPart = new TFullScreen(this, cbCoolbar, pnlMenuBar, pnlToolbar, m_statusArea->Bar(), this);
    connect(m_fullScreenPart, &TFullScreen::Changed, this, &TfrmMain::FollowFullScreen);
}

void TfrmMain::BuildLogoPanel()
{
    gpLogo = namedPanel("gpLogo", pnlTop);
    imgLogo = new TLogoAnimation(gpLogo);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setToolTip(QStringLiteral("Tabvane on the web"));
    connect(imgLogo, &TLogoAnimation::Clicked, this, [this] {
        if (TBrowserTab *tab = CreateForegroundTab())
            tab->NavigateTo(TMakerHost::Maker() + QLatin1Char('/'));
    });

    pnlCloseButtons = namedPanel("pnlCloseButtons", gpLogo);
    tbClose = new QToolButton(pnlCloseButtons);
    tbClose->setObjectName(QStringLiteral("tbClose"));
    tbClose->setAutoRaise(true);
    tbClose->setIconSize(QSize(14, 14));
    tbClose->setIcon(closePicture(false));
    tbClose->setToolTip(QStringLiteral("Close Tab"));
    tbClose->setStatusTip(QStringLiteral("Closes the active browser tab"));
    // These buttons run commands: a failure is reported by the command table's guard.
    connect(tbClose, &QToolButton::clicked, this, [this] { m_commands->Guarded([this] { actCloseExecute(); }); });

    tbCloseAll = new QToolButton(pnlCloseButtons);
    tbCloseAll->setObjectName(QStringLiteral("tbCloseAll"));
    tbCloseAll->setAutoRaise(true);
    tbCloseAll->setIconSize(QSize(14, 14));
    tbCloseAll->setIcon(closePicture(true));
    tbCloseAll->setToolTip(QStringLiteral("Close Tabs\nRight-click for more options"));
    tbCloseAll->setStatusTip(QStringLiteral("Closes the active browser tab"));
    tbCloseAll->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tbCloseAll, &QToolButton::clicked, this, [this] { m_commands->Guarded([this] { CloseAll(false); }); });
    connect(tbCloseAll, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        QMenu menu(this);
        menu.addAction(QStringLiteral("Close All"), this, [this] { m_commands->Guarded([this] { CloseAll(false); }); });
        menu.addAction(QStringLiteral("Close All -- Keep Current"), this,
                       [this] { m_commands->Guarded([this] { CloseAllKeepCurrent(); }); });
        menu.addAction(QStringLiteral("Close All -- Show List"), this,
                       [this] { m_commands->Guarded([this] { CloseAllShowList(); }); });
        menu.exec(tbCloseAll->mapToGlobal(pos));
    });
    LayoutLogoPanel();
}

void TfrmMain::LayoutLogoPanel()
{
    if (!gpLogo || !cbCoolbar)
        return;
    const int logo = 32;
    const int bandHeight = qMax(cbCoolbar->sizeHint().height(), 24);
    const int button = 18;
    if (bandHeight < logo + 21) {
        // One row: close buttons left of the logo.
        gpLogo->setFixedSize(72, bandHeight);
        imgLogo->move(72 - logo - 2, qMax(0, (bandHeight - logo) / 2));
        pnlCloseButtons->setGeometry(0, 0, 72 - logo - 2, bandHeight);
        tbClose->setGeometry(1, bandHeight - button - 2, button, button);
        tbCloseAll->setGeometry(1 + button, tbClose->y(), button, button);
    } else {
        gpLogo->setFixedSize(36, bandHeight);
        imgLogo->move(2, 2);
        pnlCloseButtons->setGeometry(0, bandHeight - 21, 36, 21);
        tbClose->setGeometry(0, 3, button, button);
        tbCloseAll->setGeometry(button, tbClose->y(), button, button);
    }
}

void TfrmMain::LayoutTabStrip()
{
    // The strip draws no border of its own, so it fills the centre panel exactly; the
    // panel's layout keeps it so on every resize.
    pcPage->setGeometry(pnlCenter->rect());
}
