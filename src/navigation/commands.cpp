// TfrmMain: the menu bar and its menus, the pop-up menus (New, Tab, Text Size, band
// customise), the commands behind them, and the application-wide key and message filter.

#include "app/main_window.h"

#include "app/confirm.h"
#include "browser/browsertab.h"
#include "browser/kwpagecontrol.h"
#include "browser/vessabrowser.h"
#include "components/coolbar.h"
#include "components/statuspanels.h"
#include "navigation/kwcombobox.h"
#include "platform/paths.h"

#include <QAction>
#include <QActionGroup>
#include <QMimeData>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

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
    connect(addCommand(pmNew, QStringLiteral("pmNewBlank"), QStringLiteral("&Blank"), QString()),
            &QAction::triggered, this, &TfrmMain::actNewBlankExecute);
    pmNewClipboard = addCommand(pmNew, QStringLiteral("pmNewClipboard"), QStringLiteral("C&lipboard"), QString());
    connect(pmNewClipboard, &QAction::triggered, this, &TfrmMain::actNewClipboardExecute);
    connect(pmNew, &QMenu::aboutToShow, this, [this] {
        const QMimeData *data = QGuiApplication::clipboard()->mimeData();
        pmNewClipboard->setEnabled(data && data->hasText() && !data->text().trimmed().isEmpty());
    });

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
    connect(addCommand(fileNew, QStringLiteral("mnuFileNewBlank"), QStringLiteral("&Blank"), QString()),
            &QAction::triggered, this, &TfrmMain::actNewBlankExecute);
    QAction *fileClipboard = addCommand(fileNew, QStringLiteral("mnuFileNewClipboard"), QStringLiteral("C&lipboard"), QString());
    connect(fileClipboard, &QAction::triggered, this, &TfrmMain::actNewClipboardExecute);
    connect(fileNew, &QMenu::aboutToShow, this, [fileClipboard] {
        const QMimeData *data = QGuiApplication::clipboard()->mimeData();
        fileClipboard->setEnabled(data && data->hasText() && !data->text().trimmed().isEmpty());
    });
    mnuFile->addMenu(fileNew);
    pending(addCommand(mnuFile, QStringLiteral("pmFileOpen"), QStringLiteral("&Open..."),
                       QStringLiteral("Open|Shows the open dialog"), QKeySequence(Qt::CTRL | Qt::Key_O)));
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
    QAction *workOffline = addCommand(mnuFile, QStringLiteral("mnuFileWorkOffline"), QStringLiteral("&Work Offline"), QString());
    workOffline->setCheckable(true);
    pending(workOffline);
    mnuFile->addSeparator();
    connect(addCommand(mnuFile, QStringLiteral("mnuFileExit"), QStringLiteral("E&xit"), QString()),
            &QAction::triggered, this, &QWidget::close);

    // Edit
    auto *mnuEdit = new QMenu(QStringLiteral("&Edit"), this);
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    const auto editCommand = [this](void (TBrowserTab::*method)(), auto edit) {
        return [this, method, edit] {
            if (cboAddress->lineEdit()->hasFocus()) {
                (cboAddress->lineEdit()->*edit)();
                return;
            }
            if (TBrowserTab *tab = ActiveTab())
                (tab->*method)();
        };
    };
    connect(addCommand(mnuEdit, QStringLiteral("mnuEditCut"), QStringLiteral("C&ut"), QString(),
                       QKeySequence(Qt::CTRL | Qt::Key_X)),
            &QAction::triggered, this, editCommand(&TBrowserTab::Cut, &QLineEdit::cut));
    connect(addCommand(mnuEdit, QStringLiteral("mnuEditCopy"), QStringLiteral("&Copy"), QString(),
                       QKeySequence(Qt::CTRL | Qt::Key_C)),
            &QAction::triggered, this, editCommand(&TBrowserTab::Copy, &QLineEdit::copy));
    connect(addCommand(mnuEdit, QStringLiteral("mnuEditPaste"), QStringLiteral("&Paste"), QString(),
                       QKeySequence(Qt::CTRL | Qt::Key_V)),
            &QAction::triggered, this, editCommand(&TBrowserTab::Paste, &QLineEdit::paste));
    mnuEdit->addSeparator();
    connect(addCommand(mnuEdit, QStringLiteral("mnuEditSelectAll"), QStringLiteral("&Select All..."), QString(),
                       QKeySequence(Qt::CTRL | Qt::Key_A)),
            &QAction::triggered, this, onTab(&TBrowserTab::SelectAll));
    connect(addCommand(mnuEdit, QStringLiteral("mnuEditFind"), QStringLiteral("&Find on this page..."),
                       QStringLiteral("Find|Finds on this page"), QKeySequence(Qt::CTRL | Qt::Key_F)),
            &QAction::triggered, this, onTab(&TBrowserTab::FindInPage));

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
    connect(addCommand(mnuView, QStringLiteral("mnuViewStop"), QStringLiteral("&Stop"),
                       QStringLiteral("Stop|Stops loading the current browser tab"), QKeySequence(Qt::Key_Escape)),
            &QAction::triggered, this, onTab(&TBrowserTab::StopLoading));
    connect(addCommand(mnuView, QStringLiteral("mnuViewRefresh"), QStringLiteral("&Refresh"),
                       QStringLiteral("Refresh|Reloads the current browser tab"), QKeySequence(Qt::Key_F5)),
            &QAction::triggered, this, [this] { RefreshTab(ActiveTab()); });
    auto *textSize = new QMenu(QStringLiteral("Text Size"), mnuView);
    textSize->setObjectName(QStringLiteral("mnuViewTextSize"));
    auto *sizes = new QActionGroup(textSize);
    const QStringList sizeNames = {QStringLiteral("Largest"), QStringLiteral("Larger"), QStringLiteral("Medium"),
                                   QStringLiteral("Smaller"), QStringLiteral("Smallest")};
    for (int i = 0; i < sizeNames.size(); ++i) {
        QAction *item = textSize->addAction(sizeNames.at(i));
        item->setCheckable(true);
        item->setData(4 - i);
        sizes->addAction(item);
        connect(item, &QAction::triggered, this, [this, i] {
            if (TBrowserTab *tab = ActiveTab())
                tab->SetTextSize(4 - i);
        });
    }
    connect(textSize, &QMenu::aboutToShow, this, [this, textSize] {
        const int zoom = ActiveTab() ? ActiveTab()->GetTextSize() : 2;
        for (QAction *item : textSize->actions())
            item->setChecked(item->data().toInt() == zoom);
    });
    mnuView->addMenu(textSize);
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
    pending(addCommand(mnuFavorites, QStringLiteral("mnuFavoritesOrganize"), QStringLiteral("&Organize Favorites..."), QString(),
                       QKeySequence(Qt::CTRL | Qt::Key_B)));
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
            &QAction::triggered, this, onTab(&TBrowserTab::InternetOptions));

    // Tools
    auto *mnuTools = new QMenu(QStringLiteral("&Tools"), this);
    mnuTools->setObjectName(QStringLiteral("mnuTools"));
    pending(addCommand(mnuTools, QStringLiteral("mnuToolsExportFavorites"), QStringLiteral("&Export Favorites..."), QString()));
    pending(addCommand(mnuTools, QStringLiteral("mnuToolsImportBookmarks"), QStringLiteral("&Import Bookmarks..."), QString()));
    pending(addCommand(mnuTools, QStringLiteral("mnuToolsSynchronize"), QStringLiteral("&Synchronize Offline Favorites..."), QString()));
    mnuTools->addSeparator();
    pending(addCommand(mnuTools, QStringLiteral("mnuToolsClearAddressHistory"), QStringLiteral("Clear &Addresses"),
                       QStringLiteral("Clear Address History|Clears your address history")));

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

    // The menu bar: one caption button per menu.
    for (QMenu *menu : {mnuFile, mnuEdit, mnuView, mnuGo, mnuFavorites, mnuVessaGroups, mnuOptions,
                        mnuTools, mnuTabs, mnuHelp}) {
        auto *button = new QToolButton(tbMenu);
        const QString name = QStringLiteral("tbMenu") + menu->objectName().mid(3);
        button->setObjectName(name);
        button->setText(menu->title());
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
        button->setAutoRaise(true);
        button->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0px; }"));
        button->setShortcut(QKeySequence());   // Alt+letter goes through the key filter
        tbMenu->addWidget(button);
    }

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
    case 4: connect(button, &QAction::triggered, this, onTab(&TBrowserTab::StopLoading)); break;
    case 5: connect(button, &QAction::triggered, this, [this] { RefreshTab(ActiveTab()); }); break;
    case 6: connect(button, &QAction::triggered, this, [this] { if (TBrowserTab *tab = ActiveTab()) tab->NavigateTo(HomePage()); }); break;
    case 12: {
        auto *font = new QMenu(this);
        font->setObjectName(QStringLiteral("pmFont"));
        const QStringList names = {QStringLiteral("Largest"), QStringLiteral("Large"), QStringLiteral("Medium"),
                                   QStringLiteral("Smaller"), QStringLiteral("Smallest")};
        for (int i = 0; i < names.size(); ++i) {
            QAction *item = font->addAction(names.at(i));
            item->setCheckable(true);
            item->setData(4 - i);
            connect(item, &QAction::triggered, this, [this, i] {
                if (TBrowserTab *tab = ActiveTab())
                    tab->SetTextSize(4 - i);
            });
        }
        connect(font, &QMenu::aboutToShow, this, [this, font] {
            const int zoom = ActiveTab() ? ActiveTab()->GetTextSize() : 2;
            for (QAction *item : font->actions())
                item->setChecked(item->data().toInt() == zoom);
        });
        *dropDown = font;
        connect(button, &QAction::triggered, this, [this] { if (TBrowserTab *tab = ActiveTab()) tab->SetTextSize(2); });
        break;
    }
    case 13: connect(button, &QAction::triggered, this, [this] { if (TBrowserTab *tab = ActiveTab()) tab->Print(false); }); break;
    case 14: connect(button, &QAction::triggered, this, onTab(&TBrowserTab::ViewSource)); break;
    case 17: connect(button, &QAction::triggered, this, onTab(&TBrowserTab::FindInPage)); break;
    case 18: connect(button, &QAction::triggered, this, onTab(&TBrowserTab::SaveAs)); break;
    case 19: connect(button, &QAction::triggered, this, &TfrmMain::StopAll); break;
    case 20: connect(button, &QAction::triggered, this, &TfrmMain::RefreshAll); break;
    default:
        // Open, Search, Add Favorite, Favorites, VessaBar, Mail and Load Images run
        // commands of subsystems that are not built yet.
        button->setEnabled(false);
        break;
    }
}

void TfrmMain::BuildKeyFilter()
{
    qApp->installEventFilter(this);
}

bool TfrmMain::KeyAndMessageFilter(QObject *, QEvent *)
{
    return false;
}

void TfrmMain::RefreshTab(TBrowserTab *tab)
{
    if (!tab)
        return;
    if (tab->Loading)
        tab->StopLoading();
    tab->RefreshTab();
}

void TfrmMain::StopAll()
{
    for (TBrowserTab *tab : Tabs())
        tab->StopLoading();
}

void TfrmMain::RefreshAll()
{
    for (TBrowserTab *tab : Tabs())
        RefreshTab(tab);
}

void TfrmMain::ShowAbout()
{
    Confirm(this, QStringLiteral("Tabvane"), QStringLiteral("Tabvane"),
            QStringLiteral("Version 6.01\nCopyright the Tabvane developers\n" TABVANE_MAKER_HOST "\n\nWeb engine: Qt WebEngine"),
            QStringLiteral("OK"), QString(), QString(), false);
}

void TfrmMain::HelpTopics()
{
    // The user guide ships beside the program; it opens in a tab of its own.
    const QString guide = TPaths::Join(TPaths::ProgramDir(), QStringLiteral("help/tabvane.html"));
    if (!QFileInfo::exists(guide)) {
        QMessageBox::information(this, QStringLiteral("Tabvane"),
                                 QStringLiteral("The help file %1 could not be found.").arg(guide));
        return;
    }
    if (TBrowserTab *tab = CreateForegroundTab())
        tab->NavigateTo(QUrl::fromLocalFile(guide).toString());
}
