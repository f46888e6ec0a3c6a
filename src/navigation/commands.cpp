// TfrmMain: the menu bar with its "&Menu" overflow button, the main menus, the pop-up menus
// (New, Tab, Text Size, Edit Document, band customise), and the toolbar buttons' commands.
// The commands themselves are in page_commands.cpp, the key filter in keyfilter.cpp.

#include "app/main_window.h"

#include "browser/browsertab.h"
#include "components/coolbar.h"
#include "navigation/editdocument.h"
#include "navigation/menubar.h"
#include "platform/offline.h"
#include "platform/registry.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QBoxLayout>
#include <QEvent>
#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>

#include <climits>
#include <functional>

QAction *TfrmMain::addCommand(QMenu *menu, const QString &name, const QString &caption,
                              const QString &hint, const QKeySequence &shortcut)
{
    auto *action = new QAction(caption, menu);
    action->setObjectName(name);
    if (!hint.isEmpty()) {
        action->setToolTip(hint.section(QLatin1Char('|'), 0, 0));
        action->setStatusTip(hint.contains(QLatin1Char('|')) ? hint.section(QLatin1Char('|'), 1) : hint);
    }
    if (!shortcut.isEmpty()) {
        // The key filter runs the command; the menu only shows the key.
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WidgetShortcut);
    }
    menu->addAction(action);
    return action;
}

namespace {
// A command whose subsystem is not part of this build yet: present, disabled.
void pending(QAction *action)
{
    action->setEnabled(false);
}

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

bool clipboardHasText()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText() && !data->text().trimmed().isEmpty();
}

// One text size menu: its items set the active page's zoom (first item 4 .. last item 0),
// and the item of the page's current zoom is checked whenever the menu opens.
QMenu *buildTextSizeMenu(TfrmMain *owner, QWidget *parent, const QString &title,
                                const QString &name, const QStringList &captions)
{
    auto *menu = new QMenu(title, parent);
    menu->setObjectName(name);
    auto *group = new QActionGroup(menu);
    for (int i = 0; i < captions.size(); ++i) {
        QAction *item = menu->addAction(captions.at(i));
        item->setCheckable(true);
        item->setData(4 - i);
        group->addAction(item);
        QObject::connect(item, &QAction::triggered, owner, [owner, i] { owner->SetTextSize(4 - i); });
    }
    QObject::connect(menu, &QMenu::aboutToShow, owner, [owner, menu] {
        const int zoom = owner->ActiveTab() ? owner->ActiveTab()->GetTextSize() : 2;
        for (QAction *item : menu->actions())
            item->setChecked(item->data().toInt() == zoom);
    });
    return menu;
}
}

void TfrmMain::BuildMenus()
{
    const auto onTab = [this](void (TBrowserTab::*method)()) {
        return [this, method] {
            if (TBrowserTab *tab = ActiveTab())
                (tab->*method)();
        };
    };

    // pmNew: the New button's drop-down, also the File menu's New Browser.
    pmNew = new QMenu(QStringLiteral("&New Browser"), this);
    pmNew->setObjectName(QStringLiteral("pmNew"));
    connect(addCommand(pmNew, QStringLiteral("pmNewCurrent"), QStringLiteral("New &Current"), QString()),
            &QAction::triggered, this, &TfrmMain::actNewCurrentExecute);
    connect(addCommand(pmNew, QStringLiteral("pmNewHome"), QStringLiteral("New &Home"), QString(),
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H)),
            &QAction::triggered, this, &TfrmMain::actNewHomeExecute);
    connect(addCommand(pmNew, QStringLiteral("pmNewBlank"), QStringLiteral("&Blank"), QString(),
                       QKeySequence(Qt::CTRL | Qt::Key_T)),
            &QAction::triggered, this, &TfrmMain::actNewBlankExecute);
    pmNewClipboard = addCommand(pmNew, QStringLiteral("pmNewClipboard"), QStringLiteral("C&lipboard"), QString());
    connect(pmNewClipboard, &QAction::triggered, this, &TfrmMain::actNewClipboardExecute);
    connect(pmNew, &QMenu::aboutToShow, this, [this] { pmNewClipboard->setEnabled(clipboardHasText()); });

    // File
    auto *mnuFile = new QMenu(QStringLiteral("&File"), this);
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    auto *fileNew = new QMenu(QStringLiteral("&New Browser"), mnuFile);
    fileNew->setObjectName(QStringLiteral("mnuFileNew"));
    connect(addCommand(fileNew, QStringLiteral("mnuFileNewCurrent"), QStringLiteral("&Current"), QString()),
            &QAction::triggered, this, &TfrmMain::actNewCurrentExecute);
    connect(addCommand(fileNew, QStringLiteral("mnuFileNewHome"), QStringLiteral("&Home"), QString(),
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H)),
            &QAction::triggered, this, &TfrmMain::actNewHomeExecute);
    connect(addCommand(fileNew, QStringLiteral("mnuFileNewBlank"), QStringLiteral("&Blank"), QString(),
                       QKeySequence(Qt::CTRL | Qt::Key_T)),
            &QAction::triggered, this, &TfrmMain::actNewBlankExecute);
    QAction *fileClipboard = addCommand(fileNew, QStringLiteral("mnuFileNewClipboard"), QStringLiteral("C&lipboard"), QString());
    connect(fileClipboard, &QAction::triggered, this, &TfrmMain::actNewClipboardExecute);
    connect(fileNew, &QMenu::aboutToShow, this, [fileClipboard] { fileClipboard->setEnabled(clipboardHasText()); });
    mnuFile->addMenu(fileNew);
    connect(addCommand(mnuFile, QStringLiteral("pmFileOpen"), QStringLiteral("&Open..."),
                       QStringLiteral("Open|Shows the open dialog"), QKeySequence(Qt::CTRL | Qt::Key_O)),
            &QAction::triggered, this, &TfrmMain::actOpenExecute);
    connect(addCommand(mnuFile, QStringLiteral("mnuFileClose"), QStringLiteral("&Close"),
                       QStringLiteral("Close|Closes the active browser tab"), QKeySequence(Qt::CTRL | Qt::Key_W)),
            &QAction::triggered, this, &TfrmMain::actCloseExecute);
    pmCloseAll = new QMenu(QStringLiteral("Close A&ll"), this);
    pmCloseAll->setObjectName(QStringLiteral("pmCloseAll"));
    connect(addCommand(pmCloseAll, QStringLiteral("pmCloseAllAll"), QStringLiteral("Close All"), QString(),
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W)),
            &QAction::triggered, this, [this] { CloseAll(false); });
    connect(addCommand(pmCloseAll, QStringLiteral("pmCloseAllKeepCurrent"), QStringLiteral("Close All -- Keep Current"), QString()),
            &QAction::triggered, this, &TfrmMain::CloseAllKeepCurrent);
    connect(addCommand(pmCloseAll, QStringLiteral("pmCloseAllShowList"), QStringLiteral("Close All -- Show List"), QString()),
            &QAction::triggered, this, &TfrmMain::CloseAllShowList);
    mnuFile->addMenu(pmCloseAll);
    mnuFile->addSeparator();
    connect(addCommand(mnuFile, QStringLiteral("mnuFileSaveAs"), QStringLiteral("S&ave As..."),
                       QStringLiteral("Save As|Saves the current site"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)),
            &QAction::triggered, this, onTab(&TBrowserTab::SaveAs));
    connect(addCommand(mnuFile, QStringLiteral("mnuFilePageSetup"), QStringLiteral("Page Set&up..."), QString()),
            &QAction::triggered, this, onTab(&TBrowserTab::PageSetup));
    connect(addCommand(mnuFile, QStringLiteral("mnuFilePrint"), QStringLiteral("&Print..."),
                       QStringLiteral("Print|Prints the current document")),
            &QAction::triggered, this, [this] { if (TBrowserTab *tab = ActiveTab()) tab->Print(true); });
    mnuFile->addSeparator();
    pending(addCommand(mnuFile, QStringLiteral("mnuFileSendLink"), QStringLiteral("Send &Link by Email..."), QString()));
    pending(addCommand(mnuFile, QStringLiteral("mnuFileSendPage"), QStringLiteral("Send &Page by Email..."), QString()));
    mnuFile->addSeparator();
    connect(addCommand(mnuFile, QStringLiteral("mnuFileProperties"), QStringLiteral("P&roperties"), QString()),
            &QAction::triggered, this, onTab(&TBrowserTab::Properties));
    mnuFileWorkOffline = addCommand(mnuFile, QStringLiteral("mnuFileWorkOffline"), QStringLiteral("&Work Offline"), QString());
    mnuFileWorkOffline->setCheckable(true);
    connect(mnuFileWorkOffline, &QAction::triggered, this, &TfrmMain::SetWorkOffline);
    // Another program (or a second window) may have changed the state meanwhile.
    connect(mnuFile, &QMenu::aboutToShow, this, [this] { mnuFileWorkOffline->setChecked(TOffline::IsOffline()); });
    mnuFile->addSeparator();
    connect(addCommand(mnuFile, QStringLiteral("mnuFileExit"), QStringLiteral("E&xit"), QString()),
            &QAction::triggered, this, &QWidget::close);

    // Edit
    auto *mnuEdit = new QMenu(QStringLiteral("&Edit"), this);
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    connect(addCommand(mnuEdit, QStringLiteral("mnuEditCut"), QStringLiteral("C&ut"), QString(),
                       QKeySequence(Qt::CTRL | Qt::Key_X)),
            &QAction::triggered, this, &TfrmMain::mnuEditCutClick);
    connect(addCommand(mnuEdit, QStringLiteral("mnuEditCopy"), QStringLiteral("&Copy"), QString(),
                       QKeySequence(Qt::CTRL | Qt::Key_C)),
            &QAction::triggered, this, &TfrmMain::mnuEditCopyClick);
    connect(addCommand(mnuEdit, QStringLiteral("mnuEditPaste"), QStringLiteral("&Paste"), QString(),
                       QKeySequence(Qt::CTRL | Qt::Key_V)),
            &QAction::triggered, this, &TfrmMain::mnuEditPasteClick);
    mnuEdit->addSeparator();
    connect(addCommand(mnuEdit, QStringLiteral("mnuEditSelectAll"), QStringLiteral("&Select All..."), QString(),
                       QKeySequence(Qt::CTRL | Qt::Key_A)),
            &QAction::triggered, this, &TfrmMain::mnuEditSelectAllClick);
    connect(addCommand(mnuEdit, QStringLiteral("mnuEditFind"), QStringLiteral("&Find on this page..."),
                       QStringLiteral("Find|Finds on this page"), QKeySequence(Qt::CTRL | Qt::Key_F)),
            &QAction::triggered, this, &TfrmMain::mnuEditFindClick);

    // View
    mnuView = new QMenu(QStringLiteral("&View"), this);
    mnuView->setObjectName(QStringLiteral("mnuView"));
    pmViewVessaBar = addCommand(mnuView, QStringLiteral("pmViewVessaBar"), QStringLiteral("&VessaBar"),
                                QStringLiteral("Show VessaBar|Shows or hides the VessaBar"), QKeySequence(Qt::Key_F4));
    pmViewVessaBar->setCheckable(true);
    pending(pmViewVessaBar);
    pmViewStatusBar = addCommand(mnuView, QStringLiteral("pmViewStatusBar"), QStringLiteral("&Status Bar"), QString());
    pmViewStatusBar->setCheckable(true);
    connect(pmViewStatusBar, &QAction::triggered, this, &TfrmMain::ToggleStatusBar);
    pmViewAddressBar = addCommand(mnuView, QStringLiteral("pmViewAddressBar"), QStringLiteral("&Address Bar"), QString());
    pmViewToolbar = addCommand(mnuView, QStringLiteral("pmViewToolbar"), QStringLiteral("&Toolbar"), QString());
    pmViewLinksBar = addCommand(mnuView, QStringLiteral("pmViewLinksBar"), QStringLiteral("&Links Bar"), QString());
    for (QAction *a : {pmViewAddressBar, pmViewToolbar, pmViewLinksBar}) {
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, &TfrmMain::ApplyBandVisibility);
    }
    pmViewMenuBar = addCommand(mnuView, QStringLiteral("pmViewMenuBar"), QStringLiteral("&Menu Bar"), QString());
    pmViewMenuBar->setCheckable(true);
    pmViewMenuBar->setChecked(true);
    pmViewMenuBar->setVisible(false);
    connect(pmViewMenuBar, &QAction::triggered, this, [this](bool on) {
        cbCoolbar->setBandVisible(cbCoolbar->bandIndexOfControl(pnlMenuBar), on);
    });
    mnuView->addSeparator();
    actStop = addCommand(mnuView, QStringLiteral("mnuViewStop"), QStringLiteral("&Stop"),
                         QStringLiteral("Stop|Stops loading the current browser tab"), QKeySequence(Qt::Key_Escape));
    connect(actStop, &QAction::triggered, this, onTab(&TBrowserTab::StopLoading));
    actStop->setEnabled(false);   // UpdateSecureAndAnimation follows the active tab's load
    connect(addCommand(mnuView, QStringLiteral("mnuViewRefresh"), QStringLiteral("&Refresh"),
                       QStringLiteral("Refresh|Reloads the current browser tab"), QKeySequence(Qt::Key_F5)),
            &QAction::triggered, this, [this] { RefreshTab(ActiveTab()); });
    mnuView->addMenu(buildTextSizeMenu(this, mnuView, QStringLiteral("Text Size"), QStringLiteral("mnuViewTextSize"),
                                       {QStringLiteral("Largest"), QStringLiteral("Larger"), QStringLiteral("Medium"),
                                        QStringLiteral("Smaller"), QStringLiteral("Smallest")}));
    mnuView->addSeparator();
    connect(addCommand(mnuView, QStringLiteral("mnuViewStopAll"), QStringLiteral("Stop All"),
                       QStringLiteral("Stop All|Stops all browser tabs"), QKeySequence(Qt::SHIFT | Qt::Key_Escape)),
            &QAction::triggered, this, &TfrmMain::StopAll);
    connect(addCommand(mnuView, QStringLiteral("mnuViewRefreshAll"), QStringLiteral("Refresh All"),
                       QStringLiteral("Refresh All|Reloads all browser tabs"), QKeySequence(Qt::SHIFT | Qt::Key_F5)),
            &QAction::triggered, this, &TfrmMain::RefreshAll);
    connect(addCommand(mnuView, QStringLiteral("mnuViewSource"), QStringLiteral("Sour&ce"),
                       QStringLiteral("View Source|Views the source of the current document")),
            &QAction::triggered, this, onTab(&TBrowserTab::ViewSource));
    pmViewFullScreen = addCommand(mnuView, QStringLiteral("pmViewFullScreen"), QStringLiteral("&Fullscreen"),
                                  QStringLiteral("Fullscreen|Toggles fullscreen mode"), QKeySequence(Qt::Key_F11));
    pmViewFullScreen->setCheckable(true);
    connect(pmViewFullScreen, &QAction::triggered, this, [this](bool on) { SetFullScreen(on); });

    // Go
    auto *mnuGo = new QMenu(QStringLiteral("&Go"), this);
    mnuGo->setObjectName(QStringLiteral("mnuGo"));
    actBack = addCommand(mnuGo, QStringLiteral("actBack"), QStringLiteral("&Back"), QStringLiteral("Back|Goes back"));
    connect(actBack, &QAction::triggered, this, onTab(&TBrowserTab::GoBack));
    actForward = addCommand(mnuGo, QStringLiteral("actForward"), QStringLiteral("&Forward"), QStringLiteral("Forward|Goes forward"));
    connect(actForward, &QAction::triggered, this, onTab(&TBrowserTab::GoForward));
    actBack->setEnabled(false);
    actForward->setEnabled(false);
    connect(addCommand(mnuGo, QStringLiteral("mnuGoHome"), QStringLiteral("&Home"), QStringLiteral("Home|Goes home")),
            &QAction::triggered, this, [this] { if (TBrowserTab *tab = ActiveTab()) tab->NavigateTo(HomePage()); });
    pending(addCommand(mnuGo, QStringLiteral("mnuGoSearch"), QStringLiteral("&Search"), QStringLiteral("Search|Goes to your search page")));
    mnuGo->addSeparator();
    connect(addCommand(mnuGo, QStringLiteral("mnuGoPrevTab"), QStringLiteral("&Previous Browser Tab"), QString(),
                       QKeySequence(Qt::Key_F2)),
            &QAction::triggered, this, [this] { SelectNextTab(false); });
    connect(addCommand(mnuGo, QStringLiteral("mnuGoNextTab"), QStringLiteral("&Next Browser Tab"), QString(),
                       QKeySequence(Qt::Key_F3)),
            &QAction::triggered, this, [this] { SelectNextTab(true); });
    mnuGo->addSeparator();
    pending(addCommand(mnuGo, QStringLiteral("mnuGoMail"), QStringLiteral("&Mail"), QString()));
    pending(addCommand(mnuGo, QStringLiteral("mnuGoNews"), QStringLiteral("&News"), QString()));

    // Favorites
    auto *mnuFavorites = new QMenu(QStringLiteral("F&avorites"), this);
    mnuFavorites->setObjectName(QStringLiteral("mnuFavorites"));
    pending(addCommand(mnuFavorites, QStringLiteral("mnuFavoritesAdd"), QStringLiteral("&Add to Favorites..."),
                       QStringLiteral("Add Favorite|Adds this site to your Favorites")));
    pending(addCommand(mnuFavorites, QStringLiteral("mnuFavoritesOrganize"), QStringLiteral("&Organize Favorites..."), QString()));
    pending(addCommand(mnuFavorites, QStringLiteral("mnuFavoritesOpenAll"), QStringLiteral("O&pen All Favorites"), QString()));

    // VessaGroups
    auto *mnuVessaGroups = new QMenu(QStringLiteral("VessaGroups"), this);
    mnuVessaGroups->setObjectName(QStringLiteral("mnuVessaGroups"));
    mnuVessaGroups->setToolTipsVisible(false);
    pending(addCommand(mnuVessaGroups, QStringLiteral("pmAddToVessaGroup"), QStringLiteral("&Add to VessaGroup..."),
                       QStringLiteral("Add to VessaGroup|Adds this tab to a VessaGroup"), QKeySequence(Qt::Key_F6)));
    pending(addCommand(mnuVessaGroups, QStringLiteral("pmTandemGroupSaveAs2"), QStringLiteral("S&ave as VessaGroup..."),
                       QStringLiteral("Save as VessaGroup"), QKeySequence(Qt::Key_F7)));
    pending(addCommand(mnuVessaGroups, QStringLiteral("pmTandemGroupsOrganize2"), QStringLiteral("&Organize VessaGroup..."),
                       QStringLiteral("Organize|Organizes your VessaGroups")));
    mnuVessaGroups->addSeparator();

    // Options
    auto *mnuOptions = new QMenu(QStringLiteral("&Options"), this);
    mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
    for (const auto &item : {std::make_pair("mnuOptionsLoadImages", "&Load Images"),
                             std::make_pair("mnuOptionsLoadVideos", "Load &Videos"),
                             std::make_pair("mnuOptionsLoadSounds", "Load &Sounds"),
                             std::make_pair("mnuOptionsLoadAnimations", "Load &Animations")}) {
        QAction *a = addCommand(mnuOptions, QLatin1String(item.first), QLatin1String(item.second), QString());
        a->setCheckable(true);
        a->setChecked(true);
        pending(a);
    }
    mnuOptions->addSeparator();
    pending(addCommand(mnuOptions, QStringLiteral("mnuOptionsTabvane"), QStringLiteral("&Tabvane Options..."), QString()));
    connect(addCommand(mnuOptions, QStringLiteral("mnuOptionsInternet"), QStringLiteral("&Internet Options..."), QString()),
            &QAction::triggered, this, &TfrmMain::mnuOptionsInternetClick);

    // Tools
    auto *mnuTools = new QMenu(QStringLiteral("&Tools"), this);
    mnuTools->setObjectName(QStringLiteral("mnuTools"));
    pending(addCommand(mnuTools, QStringLiteral("mnuToolsExportFavorites"), QStringLiteral("&Export Favorites..."), QString()));
    pending(addCommand(mnuTools, QStringLiteral("mnuToolsImportBookmarks"), QStringLiteral("&Import Bookmarks..."), QString()));
    pending(addCommand(mnuTools, QStringLiteral("mnuToolsSynchronize"), QStringLiteral("&Synchronize Offline Favorites..."), QString()));
    mnuTools->addSeparator();
    connect(addCommand(mnuTools, QStringLiteral("mnuToolsClearAddressHistory"), QStringLiteral("Clear &Addresses"),
                       QStringLiteral("Clear Address History|Clears your address history")),
            &QAction::triggered, this, &TfrmMain::mnuToolsFavsClick);

    // Tabs: rebuilt each time it opens.
    mnuTabs = new QMenu(QStringLiteral("Tab&s"), this);
    mnuTabs->setObjectName(QStringLiteral("mnuTabs"));
    connect(mnuTabs, &QMenu::aboutToShow, this, &TfrmMain::RebuildTabsMenu);

    // Help
    auto *mnuHelp = new QMenu(QStringLiteral("&Help"), this);
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    connect(addCommand(mnuHelp, QStringLiteral("mnuHelpTopics"), QStringLiteral("&Help Topics"), QString(),
                       QKeySequence(Qt::Key_F1)),
            &QAction::triggered, this, &TfrmMain::HelpTopics);
    connect(addCommand(mnuHelp, QStringLiteral("mnuHelpSupport"), QStringLiteral("&Tabvane Support"), QString()),
            &QAction::triggered, this, [this] {
                if (TBrowserTab *tab = CreateForegroundTab())
                    tab->NavigateTo(QStringLiteral(TABVANE_MAKER_HOST "/support/"));
            });
    connect(addCommand(mnuHelp, QStringLiteral("mnuHelpAbout"), QStringLiteral("&About"), QString()),
            &QAction::triggered, this, &TfrmMain::ShowAbout);

    m_mainMenus = {mnuFile, mnuEdit, mnuView, mnuGo, mnuFavorites, mnuVessaGroups, mnuOptions,
                   mnuTools, mnuTabs, mnuHelp};
    BuildMenuBar();

    pmEditDocument = new QMenu(this);
    pmEditDocument->setObjectName(QStringLiteral("pmEditDocument"));
    connect(pmEditDocument, &QMenu::aboutToShow, this, &TfrmMain::FillEditDocumentMenu);

    // Tab context menu.
    pmTab = new QMenu(this);
    pmTab->setObjectName(QStringLiteral("pmTab"));
    pmTabLocked = addCommand(pmTab, QStringLiteral("pmTabLocked"), QStringLiteral("Tab &Locked"), QString(),
                             QKeySequence(Qt::Key_F12));
    pmTabLocked->setCheckable(true);
    connect(pmTabLocked, &QAction::triggered, this, &TfrmMain::pmTabLockedClick);
    pmTabStickyName = addCommand(pmTab, QStringLiteral("pmTabStickyName"), QStringLiteral("Set Sticky Name"), QString(),
                                 QKeySequence(Qt::Key_F9));
    connect(pmTabStickyName, &QAction::triggered, this, &TfrmMain::pmTabStickyNameClick);
    auto *addTo = new QMenu(QStringLiteral("&Add To"), pmTab);
    addTo->setObjectName(QStringLiteral("pmTabAddTo"));
    pending(addCommand(addTo, QStringLiteral("pmTabAddToFavorites"), QStringLiteral("A&dd to Favorites..."), QString()));
    pending(addCommand(addTo, QStringLiteral("pmTabAddToVessaGroup"), QStringLiteral("Add to Ve&ssaGroup..."), QString()));
    pending(addCommand(addTo, QStringLiteral("pmAddToPopupVessa"), QStringLiteral("&Add to PopupVessa"), QString(),
                       QKeySequence(Qt::Key_F8)));
    pmTab->addMenu(addTo);
    pmTab->addSeparator();
    connect(addCommand(pmTab, QStringLiteral("pmTabStop"), QStringLiteral("&Stop"), QString(), QKeySequence(Qt::Key_Escape)),
            &QAction::triggered, this, &TfrmMain::pmTabStopClick);
    connect(addCommand(pmTab, QStringLiteral("pmTabRefresh"), QStringLiteral("&Refresh"), QString(), QKeySequence(Qt::Key_F5)),
            &QAction::triggered, this, &TfrmMain::pmTabRefreshClick);
    pmTabHome = addCommand(pmTab, QStringLiteral("pmTabHome"), QStringLiteral("&Tab Home"), QString(),
                           QKeySequence(Qt::SHIFT | Qt::Key_Home));
    connect(pmTabHome, &QAction::triggered, this, &TfrmMain::pmTabHomeClick);
    pmTab->addSeparator();
    pmTabHideFromCloseAll = addCommand(pmTab, QStringLiteral("pmTabHideFromCloseAll"), QStringLiteral("&Hide from Close All"), QString());
    pmTabHideFromCloseAll->setCheckable(true);
    connect(pmTabHideFromCloseAll, &QAction::triggered, this, &TfrmMain::pmTabHideFromCloseAllClick);
    auto *tabCloseAll = new QMenu(QStringLiteral("C&lose All"), pmTab);
    tabCloseAll->setObjectName(QStringLiteral("pmTabCloseAll"));
    tabCloseAll->addActions(pmCloseAll->actions());
    pmTab->addMenu(tabCloseAll);
    connect(addCommand(pmTab, QStringLiteral("pmTabClose"), QStringLiteral("&Close"), QString(),
                       QKeySequence(Qt::CTRL | Qt::Key_W)),
            &QAction::triggered, this, &TfrmMain::pmTabCloseClick);

    BuildCustomizeMenu();
}

void TfrmMain::BuildMenuBar()
{
    // pnlMenuBar: the caption buttons on a toolbar as wide as all of them, clipped by
    // pnlMenuBarMain, and the "&Menu" button at the right end for what is cut off.
    auto *box = qobject_cast<QBoxLayout *>(pnlMenuBar->layout());
    pnlMenuBarMain = new QWidget(pnlMenuBar);
    pnlMenuBarMain->setObjectName(QStringLiteral("pnlMenuBarMain"));
    if (box)
        box->removeWidget(tbMenu);
    tbMenu->setParent(pnlMenuBarMain);
    tbMenu->move(0, 0);
    tbMenu->show();

    for (QMenu *menu : std::as_const(m_mainMenus)) {
        auto *button = new QToolButton(tbMenu);
        button->setObjectName(QStringLiteral("tbMenu") + menu->objectName().mid(3));
        button->setText(menu->title());
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
        button->setAutoRaise(true);
        button->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0px; }"));
        button->setShortcut(QKeySequence());   // Alt+letter goes through the key filter
        releaseAfterMenu(button, menu);
        tbMenu->addWidget(button);
        m_menuBarButtons.append(button);
    }

    mnuMenu = new QMenu(QStringLiteral("&Menu"), this);
    mnuMenu->setObjectName(QStringLiteral("mnuMenu"));
    for (QMenu *menu : std::as_const(m_mainMenus))
        mnuMenu->addMenu(menu);
    connect(mnuMenu, &QMenu::aboutToShow, this, &TfrmMain::PreparePmMenu);
    tbxMenu = new QToolButton(pnlMenuBar);
    tbxMenu->setObjectName(QStringLiteral("tbxMenu"));
    tbxMenu->setText(QStringLiteral("&Menu"));
    tbxMenu->setShortcut(QKeySequence());
    tbxMenu->setMenu(mnuMenu);
    tbxMenu->setPopupMode(QToolButton::InstantPopup);
    tbxMenu->setAutoRaise(true);
    releaseAfterMenu(tbxMenu, mnuMenu);
    tbxMenu->hide();
    if (box) {
        box->addWidget(pnlMenuBarMain, 1);
        box->addWidget(tbxMenu);
    }
    new TResizeWatcher(pnlMenuBar, [this] { UpdateMenuBarOverflow(); });
    new TResizeWatcher(pnlMenuBarMain, [this] {
        // Always the full width of the buttons: the toolbar never folds any of them away.
        tbMenu->setGeometry(0, 0, qMax(tbMenu->sizeHint().width(), pnlMenuBarMain->width()),
                            pnlMenuBarMain->height());
    });
}

QList<int> TfrmMain::MenuBarRightEdges() const
{
    QList<int> edges;
    if (tbMenu->layout())
        tbMenu->layout()->activate();
    for (QToolButton *button : m_menuBarButtons) {
        if (!button->isVisibleTo(tbMenu) || button->width() <= 0) {
            edges.append(INT_MAX);
            continue;
        }
        edges.append(button->mapTo(pnlMenuBarMain, QPoint(button->width(), 0)).x());
    }
    return edges;
}

void TfrmMain::UpdateMenuBarOverflow()
{
    if (!pnlMenuBarMain || !tbxMenu)
        return;
    tbMenu->setGeometry(0, 0, qMax(tbMenu->sizeHint().width(), pnlMenuBarMain->width()), pnlMenuBarMain->height());
    const TMenuOverflow overflow = MenuBarOverflow(MenuBarRightEdges(), pnlMenuBar->width());
    if (tbxMenu->isVisibleTo(pnlMenuBar) != overflow.menuButtonShown)
        tbxMenu->setVisible(overflow.menuButtonShown);
}

void TfrmMain::PreparePmMenu()
{
    RebuildTabsMenu();
    const TMenuOverflow overflow = MenuBarOverflow(MenuBarRightEdges(), pnlMenuBarMain->width());
    for (int i = 0; i < m_mainMenus.size(); ++i)
        m_mainMenus.at(i)->menuAction()->setVisible(overflow.menuItems.contains(TMenuBarItem(i)));
}

void TfrmMain::DropDownMenu(QMenu *menu)
{
    if (!menu)
        return;
    const int index = m_mainMenus.indexOf(menu);
    QToolButton *button = m_menuBarButtons.value(index, nullptr);
    QPoint at;
    const bool buttonShown = button && pnlMenuBar->isVisible() && button->isVisible()
            && button->mapTo(pnlMenuBarMain, QPoint(button->width(), 0)).x() <= pnlMenuBarMain->width();
    if (buttonShown)
        at = button->mapToGlobal(QPoint(0, button->height()));
    else if (tbxMenu->isVisible())
        at = tbxMenu->mapToGlobal(QPoint(0, tbxMenu->height()));
    else if (cbCoolbar->isVisible())
        at = cbCoolbar->mapToGlobal(QPoint(0, cbCoolbar->height()));
    else
        at = mapToGlobal(QPoint(0, 0));
    menu->popup(at);
    // Opened from the keyboard, the first command is ready to be chosen with Enter.
    for (QAction *action : menu->actions()) {
        if (!action->isSeparator() && action->isVisible() && action->isEnabled()) {
            menu->setActiveAction(action);
            break;
        }
    }
}

void TfrmMain::BuildCustomizeMenu()
{
    pmCustomize = new QMenu(this);
    pmCustomize->setObjectName(QStringLiteral("pmCustomize"));
    QAction *address = addCommand(pmCustomize, QStringLiteral("pmCustomizeViewAddressBar"), QStringLiteral("&Address Bar"), QString());
    QAction *toolbar = addCommand(pmCustomize, QStringLiteral("pmCustomizeViewToolbar"), QStringLiteral("&Toolbar"), QString());
    QAction *menuBar = addCommand(pmCustomize, QStringLiteral("pmCustomizeViewMenubar"), QStringLiteral("&Menu Bar"), QString());
    QAction *links = addCommand(pmCustomize, QStringLiteral("pmCustomizeLinksBar"), QStringLiteral("&Links Bar"), QString());
    pmCustomize->addSeparator();
    pending(addCommand(pmCustomize, QStringLiteral("pmCustomizeToolbarDialog"), QStringLiteral("&Customize..."), QString()));
    pending(addCommand(pmCustomize, QStringLiteral("pmCustomizeOrganizeLinks"), QStringLiteral("&Organize Links..."), QString()));
    connect(addCommand(pmCustomize, QStringLiteral("mnuClearAddr"), QStringLiteral("&Clear Addresses"), QString()),
            &QAction::triggered, this, &TfrmMain::mnuToolsFavsClick);

    // Each band entry mirrors its View menu entry.
    const QList<QPair<QAction *, QAction *>> pairs = {{address, pmViewAddressBar}, {toolbar, pmViewToolbar},
                                                      {menuBar, pmViewMenuBar}, {links, pmViewLinksBar}};
    const QList<QWidget *> bands = {pnlAddress, pnlToolbar, pnlMenuBar, pnlLinks};
    for (int i = 0; i < pairs.size(); ++i) {
        QAction *entry = pairs.at(i).first;
        QAction *view = pairs.at(i).second;
        entry->setCheckable(true);
        connect(entry, &QAction::triggered, this, [this, view](bool on) {
            view->setChecked(on);
            if (view == pmViewMenuBar)
                cbCoolbar->setBandVisible(cbCoolbar->bandIndexOfControl(pnlMenuBar), on);
            else
                ApplyBandVisibility();
        });
    }
    connect(pmCustomize, &QMenu::aboutToShow, this, [this, pairs, bands, menuBar, toolbar] {
        for (int i = 0; i < pairs.size(); ++i)
            pairs.at(i).first->setChecked(cbCoolbar->bandVisible(cbCoolbar->bandIndexOfControl(bands.at(i))));
        menuBar->setVisible(m_fullScreen);
        toolbar->setVisible(!m_fullScreen);
    });

    connect(cbCoolbar, &TCoolBar::ContextMenuRequested, this, [this](const QPoint &pos) { pmCustomize->popup(pos); });
    connect(lblAddress, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { pmCustomize->popup(lblAddress->mapToGlobal(pos)); });
}

void TfrmMain::FillEditDocumentMenu()
{
    if (m_editDocumentFilled)
        return;
    pmEditDocument->clear();
    QStringList editors;
    try {
        editors = TEditDocument::Items();
    } catch (const RegistryError &e) {
        qWarning("tabvane: the editor list could not be read: %s", e.what());
    }
    for (const QString &name : std::as_const(editors)) {
        QAction *item = pmEditDocument->addAction(EscapeAmpersands(name));
        connect(item, &QAction::triggered, this, [this, name] { EditDocument(name); });
    }
    // An empty list is looked for again next time: an editor may be installed meanwhile.
    m_editDocumentFilled = !editors.isEmpty();
    if (editors.isEmpty())
        pmEditDocument->addAction(QStringLiteral("No HTML editor found"))->setEnabled(false);
}

void TfrmMain::BindToolbarButton(int id, QAction *button, QMenu **dropDown)
{
    const auto onTab = [this](void (TBrowserTab::*method)()) {
        return [this, method] {
            if (TBrowserTab *tab = ActiveTab())
                (tab->*method)();
        };
    };
    switch (id) {
    case 1: connect(button, &QAction::triggered, this, &TfrmMain::actOpenExecute); break;
    case 4:
        connect(button, &QAction::triggered, this, onTab(&TBrowserTab::StopLoading));
        button->setEnabled(actStop && actStop->isEnabled());
        if (actStop)
            connect(actStop, &QAction::changed, button, [this, button] { button->setEnabled(actStop->isEnabled()); });
        break;
    case 5: connect(button, &QAction::triggered, this, [this] { RefreshTab(ActiveTab()); }); break;
    case 6: connect(button, &QAction::triggered, this, [this] { if (TBrowserTab *tab = ActiveTab()) tab->NavigateTo(HomePage()); }); break;
    case 12:
        // A rebuilt toolbar reuses the menu.
        *dropDown = findChild<QMenu *>(QStringLiteral("pmFont"), Qt::FindDirectChildrenOnly);
        if (!*dropDown)
            *dropDown = buildTextSizeMenu(this, this, QString(), QStringLiteral("pmFont"),
                                          {QStringLiteral("Largest"), QStringLiteral("Large"), QStringLiteral("Medium"),
                                           QStringLiteral("Smaller"), QStringLiteral("Smallest")});
        connect(button, &QAction::triggered, this, [this] { SetTextSize(2); });
        break;
    case 13: connect(button, &QAction::triggered, this, [this] { if (TBrowserTab *tab = ActiveTab()) tab->Print(false); }); break;
    case 14:
        connect(button, &QAction::triggered, this, onTab(&TBrowserTab::ViewSource));
        *dropDown = pmEditDocument;
        break;
    case 17: connect(button, &QAction::triggered, this, &TfrmMain::mnuEditFindClick); break;
    case 18: connect(button, &QAction::triggered, this, onTab(&TBrowserTab::SaveAs)); break;
    case 19: connect(button, &QAction::triggered, this, &TfrmMain::StopAll); break;
    case 20: connect(button, &QAction::triggered, this, &TfrmMain::RefreshAll); break;
    default:
        // Search, Add Favorite, Favorites, VessaBar, Mail and Load Images run commands of
        // subsystems that are not built yet.
        button->setEnabled(false);
        break;
    }
}

void TfrmMain::BuildKeyFilter()
{
    qApp->installEventFilter(this);
}
