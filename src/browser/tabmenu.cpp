#include "browser/tabmenu.h"

#include "app/windowsettings.h"
#include "browser/browsertab.h"
#include "browser/kwpagecontrol.h"
#include "browser/tabmanager.h"
#include "navigation/commandrows.h"
#include "navigation/menubar.h"

#include <QAction>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>

using namespace CommandRows;

TTabMenu::TTabMenu(QWidget *window, TTabManager *tabs, TCommandTable *commands,
                   std::function<void(TBrowserTab *)> refreshTab, QObject *parent)
    : QObject(parent), m_window(window), m_tabs(tabs), m_commands(commands), m_refreshTab(std::move(refreshTab))
{
    setObjectName(QStringLiteral("tabMenu"));
    registerRows();

    // Tabs: rebuilt each time it opens.
    m_tabsMenu = new QMenu(QStringLiteral("Tab&s"), window);
    m_tabsMenu->setObjectName(QStringLiteral("mnuTabs"));
    connect(m_tabsMenu, &QMenu::aboutToShow, this, &TTabMenu::RebuildTabsMenu);

    TKWPageControl *strip = tabs->PageControl();
    connect(strip, &TKWPageControl::TabRightButtonDown, this, [this](int tab) {
        m_tabs->CloseHiddenTabs();
        m_targetIndex = tab;
    });
    connect(strip, &TKWPageControl::TabContextMenu, this, [this](int, const QPoint &pos) {
        popup();
        m_menu->popup(pos);
    });
    connect(strip, &TKWPageControl::TabDragOver, this, [this](int tab) { m_targetIndex = tab; });
}

void TTabMenu::registerRows()
{
    TCommandTable &t = *m_commands;
    const auto slot = [this](void (TTabMenu::*method)()) {
        return std::function<void()>([this, method] { (this->*method)(); });
    };
    // The tab menu: its commands act on the tab it was opened for; run from a key, on the
    // active tab (the key filter aims them there).
    TCommandRow locked = withKey(toggle("pmTabLocked", "Tab &Locked", "", [this](bool) { pmTabLockedClick(); }),
                                 QKeySequence(Qt::Key_F12), {TKeyCommand::ToggleLock});
    locked.checked = [this] { TBrowserTab *target = TabTarget(); return target && target->Locked; };
    m_locked = t.Register(locked);
    m_stickyName = t.Register(withKey(command("pmTabStickyName", "Set Sticky Name", "", slot(&TTabMenu::pmTabStickyNameClick)),
                       QKeySequence(Qt::Key_F9), {TKeyCommand::StickyName}));
    t.RegisterPending(command("pmTabAddToFavorites", "A&dd to Favorites..."));
    t.Register(showingKeyOf(command("pmTabStop", "&Stop", "", slot(&TTabMenu::pmTabStopClick)), "mnuViewStop"));
    t.Register(showingKeyOf(command("pmTabRefresh", "&Refresh", "", slot(&TTabMenu::pmTabRefreshClick)), "mnuViewRefresh"));
    // Shift+Home is shown but left to the page by the key filter.
    m_home = t.Register(withKey(command("pmTabHome", "&Tab Home", "", slot(&TTabMenu::pmTabHomeClick)),
                       QKeySequence(Qt::SHIFT | Qt::Key_Home), {}));
    m_hide = t.Register(toggle("pmTabHideFromCloseAll", "&Hide from Close All", "", [this](bool) { pmTabHideFromCloseAllClick(); }));
    m_close = t.Register(showingKeyOf(command("pmTabClose", "&Close", "", slot(&TTabMenu::pmTabCloseClick)), "mnuFileClose"));
}

void TTabMenu::BuildMenu()
{
    TCommandTable &t = *m_commands;
    const auto place = [&t](QMenu *menu, std::initializer_list<const char *> names) {
        for (const char *name : names) {
            if (name)
                t.Place(menu, QLatin1String(name));
            else
                menu->addSeparator();
        }
    };
    // popup() sets its items for the tab it opens for.
    m_menu = new QMenu(m_window);
    m_menu->setObjectName(QStringLiteral("pmTab"));
    place(m_menu, {"pmTabLocked", "pmTabStickyName"});
    auto *addTo = new QMenu(QStringLiteral("&Add To"), m_menu);
    addTo->setObjectName(QStringLiteral("pmTabAddTo"));
    place(addTo, {"pmTabAddToFavorites", "pmTabAddToVessaGroup", "pmAddToPopupVessa"});
    m_menu->addMenu(addTo);
    place(m_menu, {nullptr, "pmTabStop", "pmTabRefresh", "pmTabHome", nullptr, "pmTabHideFromCloseAll"});
    auto *closeAll = new QMenu(QStringLiteral("Cl&ose All"), m_menu);
    closeAll->setObjectName(QStringLiteral("pmTabCloseAll"));
    place(closeAll, {"pmCloseAllAll", "pmCloseAllKeepCurrent", "pmCloseAllShowList"});
    m_menu->addMenu(closeAll);
    place(m_menu, {"pmTabClose"});
}

TBrowserTab *TTabMenu::TabTarget() const
{
    if (m_targetIndex < 0)
        return nullptr;
    return m_tabs->TabAt(m_tabs->PageControl()->TabToPageIndex(m_targetIndex));
}

void TTabMenu::RunOnActiveTab(const std::function<void()> &run)
{
    TBrowserTab *tab = m_tabs->ActiveTab();
    const int savedTarget = m_targetIndex;
    m_targetIndex = tab ? tab->TabIndex() : -1;
    run();
    m_targetIndex = savedTarget;
}

void TTabMenu::RebuildTabsMenu()
{
    m_tabsMenu->clear();
    m_tabs->CloseHiddenTabs();
    const QList<TBrowserTab *> tabs = m_tabs->Tabs();
    const QList<QPixmap> lamps = TBrowserTab::LampImages();
    for (int i = 0; i < tabs.size(); ++i) {
        TBrowserTab *tab = tabs.at(i);
        QAction *item = m_tabsMenu->addAction(TabsMenuCaption(i + 1, tab->StickyName, tab->Hint()));
        item->setStatusTip(tab->Location());
        if (tab->ImageIndex() >= 0 && tab->ImageIndex() < lamps.size())
            item->setIcon(QIcon(lamps.at(tab->ImageIndex())));
        const QPointer<TBrowserTab> target(tab);
        connect(item, &QAction::triggered, this, [this, target] {
            if (target && !target->IsClosing())
                m_tabs->ActivateTab(target);
        });
    }
}

void TTabMenu::PutCloseFirst()
{
    // Rebuilds pmTab's order: with the tabs on top, Close, Close All, Hide from Close All
    // and a separator come first.
    if (!m_menu)
        return;
    const QList<QAction *> actions = m_menu->actions();
    QMenu *closeAllMenu = m_menu->findChild<QMenu *>(QStringLiteral("pmTabCloseAll"));
    QAction *closeAll = closeAllMenu ? closeAllMenu->menuAction() : nullptr;
    if (!closeAll)
        return;
    // The separator that stands above the three items moves with them.
    QAction *separator = nullptr;
    int first = int(actions.size());
    for (QAction *a : {m_close, closeAll, m_hide})
        first = qMin(first, int(actions.indexOf(a)));
    if (first > 0 && first < actions.size() && actions.at(first - 1)->isSeparator())
        separator = actions.at(first - 1);
    if (!separator) {
        separator = new QAction(m_menu);
        separator->setSeparator(true);
    }
    QList<QAction *> order = {m_close, closeAll, m_hide, separator};
    for (QAction *a : actions) {
        if (!order.contains(a))
            order.append(a);
    }
    for (QAction *a : actions)
        m_menu->removeAction(a);
    m_menu->addActions(order);
}

void TTabMenu::popup()
{
    // Without a target the menu shows as it is; its commands find no tab and do nothing.
    TBrowserTab *target = TabTarget();
    if (!target)
        return;
    m_stickyName->setText(target->StickyName.isEmpty() ? QStringLiteral("Set Sticky Name")
                                                       : QStringLiteral("Clear Sticky Name"));
    m_hide->setChecked(target->HideFromCloseAll);
    m_home->setEnabled(!target->HomeURL.isEmpty());
    m_locked->setChecked(target->Locked);
}

void TTabMenu::pmTabLockedClick()
{
    if (TBrowserTab *target = TabTarget())
        target->SetLocked(m_locked->isChecked());
}

void TTabMenu::pmTabStickyNameClick()
{
    TBrowserTab *target = TabTarget();
    if (!target)
        return;
    if (!target->StickyName.isEmpty()) {
        target->SetStickyName(QString());
        return;
    }
    const QPointer<TBrowserTab> guard(target);
    bool ok = false;
    const QString name = QInputDialog::getText(m_window, QStringLiteral("Set Sticky Name"),
                                               QStringLiteral("Enter a StickyName for the selected tab:"),
                                               QLineEdit::Normal, QString(), &ok);
    if (ok && !name.isEmpty() && guard && !guard->IsClosing())
        guard->SetStickyName(name);
}

void TTabMenu::pmTabHideFromCloseAllClick()
{
    if (TBrowserTab *target = TabTarget())
        target->SetHideFromCloseAll(m_hide->isChecked());
}

void TTabMenu::pmTabStopClick()
{
    if (TBrowserTab *target = TabTarget())
        target->StopLoading();
}

void TTabMenu::pmTabRefreshClick()
{
    if (TBrowserTab *target = TabTarget())
        m_refreshTab(target);
}

void TTabMenu::pmTabHomeClick()
{
    if (TBrowserTab *target = TabTarget())
        target->GoTabHome();
}

void TTabMenu::pmTabCloseClick()
{
    if (m_tabs->GroupLoading())
        return;
    if (TBrowserTab *target = TabTarget())
        m_tabs->CloseTab(target);
}

void TTabMenu::Load(const TWindowSettings &settings)
{
    if (!settings.tabsDown)
        PutCloseFirst();
}
