#include "navigation/mainmenus.h"

#include "components/coolbar.h"
#include "navigation/commandrows.h"
#include "options/bandlayout.h"

#include <QAction>
#include <QBoxLayout>
#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QMenu>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <climits>

using namespace CommandRows;

namespace {
// While a button's menu is open the menu has the mouse, so the button never learns that
// the pointer left it and keeps drawing its hover frame after the menu closed. Once the
// menu has gone, the button is told whether the pointer is still over it.
void releaseAfterMenu(QToolButton *button, QMenu *menu)
{
    QObject::connect(menu, &QMenu::aboutToHide, button, [button] {
        QTimer::singleShot(0, button, [button] {
            button->setDown(false);
            if (!button->rect().contains(button->mapFromGlobal(QCursor::pos()))) {
                button->setAttribute(Qt::WA_UnderMouse, false);
                QEvent leave(QEvent::Leave);
                QCoreApplication::sendEvent(button, &leave);
            }
            button->update();
        });
    });
}

// Runs a function whenever a widget changes its size.
class TResizeWatcher : public QObject {
public:
    TResizeWatcher(QWidget *watched, std::function<void()> onResize)
        : QObject(watched), m_onResize(std::move(onResize))
    {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Show)
            m_onResize();
        return false;
    }

private:
    std::function<void()> m_onResize;
};
}

TMainMenus::TMainMenus(TCommandTable *commands, TParts parts, QObject *parent)
    : QObject(parent), m_commands(commands), m_parts(std::move(parts))
{
    setObjectName(QStringLiteral("mainMenus"));
    registerRows();
    QWidget *window = m_parts.window;

    // pmNew: the New button's drop-down.
    m_newMenu = new QMenu(QStringLiteral("&New Browser"), window);
    m_newMenu->setObjectName(QStringLiteral("pmNew"));
    connect(m_newMenu, &QMenu::aboutToShow, this, [this] { m_commands->UpdateMenu(m_newMenu); });
    fill(m_newMenu, {"pmNewCurrent", "pmNewHome", "pmNewBlank", "pmNewClipboard"});

    QMenu *file = mainMenu("&File", "mnuFile", {});
    connect(file, &QMenu::aboutToShow, this, [this, file] {
        if (file->actions().isEmpty())
            fillFileMenu(file);
        m_commands->UpdateMenu(file);
    });
    QMenu *edit = mainMenu("&Edit", "mnuEdit",
                           {"mnuEditCut", "mnuEditCopy", "mnuEditPaste", nullptr, "mnuEditSelectAll", "mnuEditFind"});
    QMenu *view = mainMenu("&View", "mnuView", {});
    connect(view, &QMenu::aboutToShow, this, [this, view] {
        if (view->actions().isEmpty())
            fillViewMenu(view);
        m_commands->UpdateMenu(view);
    });
    QMenu *go = mainMenu("&Go", "mnuGo", {"actBack", "actForward", "mnuGoHome", "mnuGoSearch", nullptr, "mnuGoPrevTab",
                                          "mnuGoNextTab", nullptr, "mnuGoMail", "mnuGoNews"});
    // Favorites: the fixed commands at once; the favorites subsystem adds the folder's
    // entries behind them when the menu opens.
    QMenu *favorites = mainMenu("F&avorites", "mnuFavorites", {});
    fill(favorites, {"mnuFavoritesAdd", "mnuFavoritesOrganize", "mnuFavoritesOpenAll"});
    connect(favorites, &QMenu::aboutToShow, this, [this, favorites] { m_commands->UpdateMenu(favorites); });
    // VessaGroups: the group subsystem's commands, then the groups themselves, which the
    // group menu adds behind the commands it finds in place.
    QMenu *groups = mainMenu("VessaGroups", "mnuVessaGroups", {});
    groups->setToolTipsVisible(false);
    fill(groups, {"pmAddToVessaGroup", "pmTandemGroupSaveAs2", "pmTandemGroupsOrganize2", nullptr});
    connect(groups, &QMenu::aboutToShow, this, [this, groups] { m_commands->UpdateMenu(groups); });
    QMenu *options = mainMenu("&Options", "mnuOptions",
                              {"mnuOptionsLoadImages", "mnuOptionsLoadVideos", "mnuOptionsLoadSounds",
                               "mnuOptionsLoadAnimations", nullptr, "mnuOptionsTabvane", "mnuOptionsInternet", "mnuOptionsSitePermissions"});
    QMenu *tools = mainMenu("&Tools", "mnuTools",
                            {"mnuToolsDownloads", nullptr, "mnuToolsExportFavorites", "mnuToolsImportBookmarks", "mnuToolsSynchronize", nullptr,
                             "mnuToolsClearAddressHistory"});
    QMenu *help = mainMenu("&Help", "mnuHelp", {"mnuHelpTopics", "mnuHelpSupport", "mnuHelpAbout"});
    m_mainMenus = {file, edit, view, go, favorites, groups, options, tools, m_parts.tabsMenu, help};

    buildMenuBar();
    buildCustomizeMenu();
}

void TMainMenus::registerRows()
{
    // The bands' menu: each band entry mirrors its View menu entry.
    TCommandTable &t = *m_commands;
    const auto band = [this](const char *name, const char *caption, const char *viewName) {
        return toggle(name, caption, "", [this, viewName](bool on) {
            QAction *view = m_commands->Action(QLatin1String(viewName));
            view->setChecked(on);
            if (QLatin1String(viewName) == QLatin1String("pmViewMenuBar"))
                m_parts.bands->SetBandVisible(m_parts.menuBand, on);
            else
                m_parts.bands->ApplyVisibility();
        });
    };
    t.Register(band("pmCustomizeViewAddressBar", "&Address Bar", "pmViewAddressBar"));
    t.Register(band("pmCustomizeViewToolbar", "&Toolbar", "pmViewToolbar"));
    t.Register(band("pmCustomizeViewMenubar", "&Menu Bar", "pmViewMenuBar"));
    t.Register(band("pmCustomizeLinksBar", "&Links Bar", "pmViewLinksBar"));
    // Rows their subsystems registered already keep their handlers.
    for (const auto &item : {std::make_pair("pmCustomizeToolbarDialog", "&Customize..."),
                             std::make_pair("pmCustomizeOrganizeLinks", "&Organize Links...")}) {
        if (!t.Row(QLatin1String(item.first)))
            t.RegisterPending(command(item.first, item.second));
    }
}

void TMainMenus::fill(QMenu *menu, std::initializer_list<const char *> items)
{
    for (const char *name : items) {
        if (name)
            m_commands->Place(menu, QLatin1String(name));
        else
            menu->addSeparator();
    }
}

// A main menu, filled with its items when it first opens; opening it asks its commands'
// enabled and checked predicates. Without items, the caller fills it.
QMenu *TMainMenus::mainMenu(const char *title, const char *name, std::initializer_list<const char *> items)
{
    auto *menu = new QMenu(QLatin1String(title), m_parts.window);
    menu->setObjectName(QLatin1String(name));
    if (items.size() == 0)
        return menu;
    const QList<const char *> names(items);
    connect(menu, &QMenu::aboutToShow, this, [this, menu, names] {
        if (menu->actions().isEmpty()) {
            for (const char *item : names) {
                if (item)
                    m_commands->Place(menu, QLatin1String(item));
                else
                    menu->addSeparator();
            }
        }
        m_commands->UpdateMenu(menu);
    });
    return menu;
}

void TMainMenus::fillFileMenu(QMenu *file)
{
    const auto submenu = [this, file](const char *title, const char *name) {
        auto *menu = new QMenu(QLatin1String(title), file);
        menu->setObjectName(QLatin1String(name));
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { m_commands->UpdateMenu(menu); });
        return menu;
    };
    QMenu *fileNew = submenu("&New Browser", "mnuFileNew");
    fill(fileNew, {"mnuFileNewCurrent", "mnuFileNewHome", "mnuFileNewBlank", "mnuFileNewClipboard"});
    file->addMenu(fileNew);
    fill(file, {"pmFileOpen", "mnuFileClose"});
    QMenu *closeAll = submenu("Close A&ll", "pmCloseAll");
    fill(closeAll, {"pmCloseAllAll", "pmCloseAllKeepCurrent", "pmCloseAllShowList"});
    file->addMenu(closeAll);
    fill(file, {nullptr, "mnuFileSaveAs", "mnuFilePageSetup", "mnuFilePrint", nullptr, "mnuFileSendLink",
                "mnuFileSendPage", nullptr, "mnuFileProperties", "mnuFileWorkOffline", nullptr, "mnuFileExit"});
}

void TMainMenus::fillViewMenu(QMenu *view)
{
    fill(view, {"pmViewVessaBar", "pmViewStatusBar", "pmViewAddressBar", "pmViewToolbar", "pmViewLinksBar",
                "pmViewMenuBar", nullptr, "mnuViewStop", "mnuViewRefresh"});
    if (m_parts.textSizeMenu)
        view->addMenu(m_parts.textSizeMenu);
    fill(view, {nullptr, "mnuViewStopAll", "mnuViewRefreshAll", "mnuViewSource", "pmViewFullScreen"});
}

void TMainMenus::buildMenuBar()
{
    // The menu band: the caption buttons on a toolbar as wide as all of them, clipped by
    // pnlMenuBarMain, and the "&Menu" button at the right end for what is cut off.
    QWidget *band = m_parts.menuBand;
    QToolBar *buttons = m_parts.menuButtons;
    auto *box = qobject_cast<QBoxLayout *>(band->layout());
    m_buttonPanel = new QWidget(band);
    m_buttonPanel->setObjectName(QStringLiteral("pnlMenuBarMain"));
    if (box)
        box->removeWidget(buttons);
    buttons->setParent(m_buttonPanel);
    buttons->move(0, 0);
    buttons->show();

    for (QMenu *menu : std::as_const(m_mainMenus)) {
        auto *button = new QToolButton(buttons);
        button->setObjectName(QStringLiteral("tbMenu") + menu->objectName().mid(3));
        button->setText(menu->title());
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
        button->setAutoRaise(true);
        button->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0px; }"));
        button->setShortcut(QKeySequence());   // Alt+letter goes through the key filter
        releaseAfterMenu(button, menu);
        buttons->addWidget(button);
        m_menuBarButtons.append(button);
    }

    m_menuMenu = new QMenu(QStringLiteral("&Menu"), m_parts.window);
    m_menuMenu->setObjectName(QStringLiteral("mnuMenu"));
    for (QMenu *menu : std::as_const(m_mainMenus))
        m_menuMenu->addMenu(menu);
    connect(m_menuMenu, &QMenu::aboutToShow, this, &TMainMenus::PreparePmMenu);
    m_menuButton = new QToolButton(band);
    m_menuButton->setObjectName(QStringLiteral("tbxMenu"));
    m_menuButton->setText(QStringLiteral("&Menu"));
    m_menuButton->setShortcut(QKeySequence());
    m_menuButton->setMenu(m_menuMenu);
    m_menuButton->setPopupMode(QToolButton::InstantPopup);
    m_menuButton->setAutoRaise(true);
    releaseAfterMenu(m_menuButton, m_menuMenu);
    m_menuButton->hide();
    if (box) {
        box->addWidget(m_buttonPanel, 1);
        box->addWidget(m_menuButton);
    }
    new TResizeWatcher(band, [this] { UpdateMenuBarOverflow(); });
    new TResizeWatcher(m_buttonPanel, [this, buttons] {
        // Always the full width of the buttons: the toolbar never folds any of them away.
        buttons->setGeometry(0, 0, qMax(buttons->sizeHint().width(), m_buttonPanel->width()), m_buttonPanel->height());
    });
}

QList<int> TMainMenus::menuBarRightEdges() const
{
    QList<int> edges;
    QToolBar *buttons = m_parts.menuButtons;
    if (buttons->layout())
        buttons->layout()->activate();
    for (QToolButton *button : m_menuBarButtons) {
        if (!button->isVisibleTo(buttons) || button->width() <= 0) {
            edges.append(INT_MAX);
            continue;
        }
        edges.append(button->mapTo(m_buttonPanel, QPoint(button->width(), 0)).x());
    }
    return edges;
}

void TMainMenus::UpdateMenuBarOverflow()
{
    if (!m_buttonPanel || !m_menuButton)
        return;
    QToolBar *buttons = m_parts.menuButtons;
    buttons->setGeometry(0, 0, qMax(buttons->sizeHint().width(), m_buttonPanel->width()), m_buttonPanel->height());
    const TMenuOverflow overflow = MenuBarOverflow(menuBarRightEdges(), m_parts.menuBand->width());
    if (m_menuButton->isVisibleTo(m_parts.menuBand) != overflow.menuButtonShown)
        m_menuButton->setVisible(overflow.menuButtonShown);
}

void TMainMenus::PreparePmMenu()
{
    if (m_parts.rebuildTabsMenu)
        m_parts.rebuildTabsMenu();
    const TMenuOverflow overflow = MenuBarOverflow(menuBarRightEdges(), m_buttonPanel->width());
    for (int i = 0; i < m_mainMenus.size(); ++i)
        m_mainMenus.at(i)->menuAction()->setVisible(overflow.menuItems.contains(TMenuBarItem(i)));
}

void TMainMenus::DropDown(int index)
{
    DropDownMenu(m_mainMenus.value(index, nullptr));
}

void TMainMenus::DropDownMenu(QMenu *menu)
{
    if (!menu)
        return;
    const int index = m_mainMenus.indexOf(menu);
    QToolButton *button = m_menuBarButtons.value(index, nullptr);
    QPoint at;
    const bool buttonShown = button && m_parts.menuBand->isVisible() && button->isVisible()
            && button->mapTo(m_buttonPanel, QPoint(button->width(), 0)).x() <= m_buttonPanel->width();
    if (buttonShown)
        at = button->mapToGlobal(QPoint(0, button->height()));
    else if (m_menuButton->isVisible())
        at = m_menuButton->mapToGlobal(QPoint(0, m_menuButton->height()));
    else if (m_parts.coolBar->isVisible())
        at = m_parts.coolBar->mapToGlobal(QPoint(0, m_parts.coolBar->height()));
    else
        at = m_parts.window->mapToGlobal(QPoint(0, 0));
    menu->popup(at);
    // Opened from the keyboard, the first command is ready to be chosen with Enter.
    for (QAction *action : menu->actions()) {
        if (!action->isSeparator() && action->isVisible() && action->isEnabled()) {
            menu->setActiveAction(action);
            break;
        }
    }
}

void TMainMenus::buildCustomizeMenu()
{
    m_customize = new QMenu(m_parts.window);
    m_customize->setObjectName(QStringLiteral("pmCustomize"));
    TCommandTable &t = *m_commands;
    QAction *address = t.Place(m_customize, QStringLiteral("pmCustomizeViewAddressBar"));
    QAction *toolbar = t.Place(m_customize, QStringLiteral("pmCustomizeViewToolbar"));
    QAction *menuBar = t.Place(m_customize, QStringLiteral("pmCustomizeViewMenubar"));
    QAction *links = t.Place(m_customize, QStringLiteral("pmCustomizeLinksBar"));
    m_customize->addSeparator();
    t.Place(m_customize, QStringLiteral("pmCustomizeToolbarDialog"));
    t.Place(m_customize, QStringLiteral("pmCustomizeOrganizeLinks"));
    t.Place(m_customize, QStringLiteral("mnuClearAddr"));

    // Each band entry shows whether its band is visible now.
    const QList<QAction *> entries = {address, toolbar, menuBar, links};
    connect(m_customize, &QMenu::aboutToShow, this, [this, entries, menuBar, toolbar] {
        for (int i = 0; i < entries.size() && i < m_parts.bandPanels.size(); ++i)
            entries.at(i)->setChecked(m_parts.bands->BandVisible(m_parts.bandPanels.at(i)));
        const bool fullScreen = m_parts.fullScreen && m_parts.fullScreen();
        menuBar->setVisible(fullScreen);
        toolbar->setVisible(!fullScreen);
    });

    connect(m_parts.coolBar, &TCoolBar::ContextMenuRequested, this, [this](const QPoint &pos) { m_customize->popup(pos); });
    if (QWidget *label = m_parts.addressLabel)
        connect(label, &QWidget::customContextMenuRequested, this,
                [this, label](const QPoint &pos) { m_customize->popup(label->mapToGlobal(pos)); });
}
