// TfrmMain: the command table's rows of the window's own commands, the menu bar with its
// "&Menu" overflow button, the main menus and pop-up menus (New, Tab, Text Size, Edit
// Document, band customise) placed from the table, and the toolbar buttons bound to it.
// The commands themselves are in page_commands.cpp, the key filter in keyfilter.cpp.

#include "app/main_window.h"

#include "app/application.h"

#include "browser/browsertab.h"
#include "components/coolbar.h"
#include "options/bandlayout.h"
#include "navigation/editdocument.h"
#include "navigation/commandtable.h"
#include "navigation/kwcombobox.h"
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
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>

#include <climits>
#include <functional>

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
        QObject::connect(item, &QAction::triggered, owner,
                         [owner, i] { owner->Commands()->Guarded([owner, i] { owner->SetTextSize(4 - i); }); });
    }
    QObject::connect(menu, &QMenu::aboutToShow, owner, [owner, menu] {
        const int zoom = owner->ActiveTab() ? owner->ActiveTab()->GetTextSize() : 2;
        for (QAction *item : menu->actions())
            item->setChecked(item->data().toInt() == zoom);
    });
    return menu;
}
}

namespace {
// A row of the command table; the helpers below fill the fields only some rows have.
TCommandRow command(const char *name, const char *caption, const char *hint = "",
                    std::function<void()> handler = nullptr)
{
    TCommandRow row;
    row.name = QLatin1String(name);
    row.caption = QLatin1String(caption);
    row.hint = QLatin1String(hint);
    if (handler)
        row.handler = [handler](bool) { handler(); };
    return row;
}

TCommandRow toggle(const char *name, const char *caption, const char *hint, std::function<void(bool)> handler)
{
    TCommandRow row = command(name, caption, hint);
    row.handler = std::move(handler);
    row.checkable = true;
    return row;
}

TCommandRow withKey(TCommandRow row, const QKeySequence &shortcut, QList<TKeyCommand> keys)
{
    row.shortcut = shortcut;
    row.keys = std::move(keys);
    return row;
}

TCommandRow showingKeyOf(TCommandRow row, const char *owner)
{
    row.shortcutOf = QLatin1String(owner);
    return row;
}

TCommandRow onButton(TCommandRow row, int toolbarId)
{
    row.toolbarId = toolbarId;
    return row;
}
}

void TfrmMain::BuildCommandTable()
{
    m_commands->setObjectName(QStringLiteral("commandTable"));
    m_commands->SetErrorReporter(&TTabvaneApplication::ShowError);
    TCommandTable &t = *m_commands;
    const auto onTab = [this](void (TBrowserTab::*method)()) {
        return std::function<void()>([this, method] {
            if (TBrowserTab *tab = ActiveTab())
                (tab->*method)();
        });
    };
    const auto slot = [this](void (TfrmMain::*method)()) {
        return std::function<void()>([this, method] { (this->*method)(); });
    };
    const auto clipboard = [] { return clipboardHasText(); };

    // New: the toolbar button and Ctrl+N, the File menu's New Browser and the button's drop-down.
    TCommandRow newRow = onButton(withKey(command("actNew", "&New", "New|Opens a new browser tab",
                                                  slot(&TfrmMain::actNewExecute)), QKeySequence(), {TKeyCommand::New}), 0);
    newRow.dropDown = [this] { return pmNew; };
    t.Register(newRow);
    t.Register(command("mnuFileNewCurrent", "&Current", "", slot(&TfrmMain::actNewCurrentExecute)));
    t.Register(withKey(command("mnuFileNewHome", "&Home", "", slot(&TfrmMain::actNewHomeExecute)),
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H), {TKeyCommand::NewHomeTab}));
    t.Register(withKey(command("mnuFileNewBlank", "&Blank", "", slot(&TfrmMain::actNewBlankExecute)),
                       QKeySequence(Qt::CTRL | Qt::Key_T), {TKeyCommand::NewBlankTab}));
    TCommandRow fileClipboard = command("mnuFileNewClipboard", "C&lipboard", "", slot(&TfrmMain::actNewClipboardExecute));
    fileClipboard.enabled = clipboard;
    t.Register(fileClipboard);
    t.Register(command("pmNewCurrent", "New &Current", "", slot(&TfrmMain::actNewCurrentExecute)));
    t.Register(showingKeyOf(command("pmNewHome", "New &Home", "", slot(&TfrmMain::actNewHomeExecute)), "mnuFileNewHome"));
    t.Register(showingKeyOf(command("pmNewBlank", "&Blank", "", slot(&TfrmMain::actNewBlankExecute)), "mnuFileNewBlank"));
    TCommandRow newClipboard = command("pmNewClipboard", "C&lipboard", "", slot(&TfrmMain::actNewClipboardExecute));
    newClipboard.enabled = clipboard;
    t.Register(newClipboard);

    // File
    t.Register(onButton(withKey(command("pmFileOpen", "&Open...", "Open|Shows the open dialog", slot(&TfrmMain::actOpenExecute)),
                                QKeySequence(Qt::CTRL | Qt::Key_O), {TKeyCommand::Open}), 1));
    t.Register(withKey(command("mnuFileClose", "&Close", "Close|Closes the active browser tab", slot(&TfrmMain::actCloseExecute)),
                       QKeySequence(Qt::CTRL | Qt::Key_W), {TKeyCommand::CloseTab}));
    t.Register(withKey(command("pmCloseAllAll", "Close All", "", [this] { CloseAll(false); }),
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W), {TKeyCommand::CloseAll}));
    t.Register(command("pmCloseAllKeepCurrent", "Close All -- Keep Current", "", slot(&TfrmMain::CloseAllKeepCurrent)));
    t.Register(command("pmCloseAllShowList", "Close All -- Show List", "", slot(&TfrmMain::CloseAllShowList)));
    t.Register(onButton(withKey(command("mnuFileSaveAs", "S&ave As...", "Save As|Saves the current site", onTab(&TBrowserTab::SaveAs)),
                                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), {TKeyCommand::SaveAs}), 18));
    t.Register(command("mnuFilePageSetup", "Page Set&up...", "", onTab(&TBrowserTab::PageSetup)));
    // Ctrl+P prints with the prompt, as the menu does; the menu shows no key for it.
    t.Register(withKey(command("mnuFilePrint", "&Print...", "Print|Prints the current document",
                               [this] { if (TBrowserTab *tab = ActiveTab()) tab->Print(true); }),
                       QKeySequence(), {TKeyCommand::Print}));
    t.Register(onButton(command("actPrintNow", "Print", "Print|Prints the current document",
                                [this] { if (TBrowserTab *tab = ActiveTab()) tab->Print(false); }), 13));
    t.RegisterPending(command("mnuFileSendLink", "Send &Link by Email..."));
    t.RegisterPending(command("mnuFileSendPage", "Send &Page by Email..."));
    t.Register(command("mnuFileProperties", "P&roperties", "", onTab(&TBrowserTab::Properties)));
    TCommandRow offline = toggle("mnuFileWorkOffline", "&Work Offline", "", [this](bool on) { SetWorkOffline(on); });
    // Another program (or a second window) may have changed the state meanwhile.
    offline.checked = [] { return TOffline::IsOffline(); };
    t.Register(offline);
    t.Register(command("mnuFileExit", "E&xit", "", [this] { close(); }));

    // Edit
    t.Register(withKey(command("mnuEditCut", "C&ut", "", slot(&TfrmMain::mnuEditCutClick)),
                       QKeySequence(Qt::CTRL | Qt::Key_X), {TKeyCommand::Cut}));
    t.Register(withKey(command("mnuEditCopy", "&Copy", "", slot(&TfrmMain::mnuEditCopyClick)),
                       QKeySequence(Qt::CTRL | Qt::Key_C), {TKeyCommand::Copy}));
    t.Register(withKey(command("mnuEditPaste", "&Paste", "", slot(&TfrmMain::mnuEditPasteClick)),
                       QKeySequence(Qt::CTRL | Qt::Key_V), {TKeyCommand::Paste}));
    t.Register(withKey(command("mnuEditSelectAll", "&Select All...", "", slot(&TfrmMain::mnuEditSelectAllClick)),
                       QKeySequence(Qt::CTRL | Qt::Key_A), {TKeyCommand::SelectAll}));
    t.Register(onButton(withKey(command("mnuEditFind", "&Find on this page...", "Find|Finds on this page",
                                        slot(&TfrmMain::mnuEditFindClick)),
                                QKeySequence(Qt::CTRL | Qt::Key_F), {TKeyCommand::FindInPage}), 17));

    // View
    TCommandRow vessaBar = onButton(withKey(command("pmViewVessaBar", "&VessaBar", "Show VessaBar|Shows or hides the VessaBar"),
                                            QKeySequence(Qt::Key_F4), {TKeyCommand::ToggleSideBar}), 10);
    vessaBar.checkable = true;
    t.RegisterPending(vessaBar);
    t.Register(toggle("pmViewStatusBar", "&Status Bar", "", [this](bool) { ToggleStatusBar(); }));
    t.Register(toggle("pmViewAddressBar", "&Address Bar", "", [this](bool) { ApplyBandVisibility(); }));
    t.Register(toggle("pmViewToolbar", "&Toolbar", "", [this](bool) { ApplyBandVisibility(); }));
    t.Register(toggle("pmViewLinksBar", "&Links Bar", "", [this](bool) { ApplyBandVisibility(); }));
    t.Register(toggle("pmViewMenuBar", "&Menu Bar", "", [this](bool on) { m_bands->SetBandVisible(pnlMenuBar, on); }));
    // Esc is a key of its own: it puts back an address being edited, else stops the
    // active tab whether or not the window has seen it load (the engine may still fetch).
    // The menu's Stop, enabled only while the tab loads, shows it.
    t.Register(withKey(command("actEscape", "Stop", "", [this] {
                           if (AddressBeingEdited() && AddressBox()->isAncestorOf(QApplication::focusWidget()))
                               RevertAddress();
                           else if (TBrowserTab *tab = ActiveTab())
                               tab->StopLoading();
                       }),
                       QKeySequence(Qt::Key_Escape), {TKeyCommand::Stop}));
    t.Register(onButton(showingKeyOf(command("mnuViewStop", "&Stop", "Stop|Stops loading the current browser tab",
                                             onTab(&TBrowserTab::StopLoading)), "actEscape"), 4));
    t.Register(onButton(withKey(command("mnuViewRefresh", "&Refresh", "Refresh|Reloads the current browser tab",
                                        [this] { RefreshTab(ActiveTab()); }),
                                QKeySequence(Qt::Key_F5), {TKeyCommand::Refresh}), 5));
    t.Register(withKey(command("actRefreshCompletely", "Refresh &Completely", "", [this] { RefreshTab(ActiveTab(), true); }),
                       QKeySequence(), {TKeyCommand::RefreshCompletely}));
    t.Register(onButton(withKey(command("mnuViewStopAll", "Stop All", "Stop All|Stops all browser tabs", slot(&TfrmMain::StopAll)),
                                QKeySequence(Qt::SHIFT | Qt::Key_Escape), {TKeyCommand::StopAll}), 19));
    t.Register(onButton(withKey(command("mnuViewRefreshAll", "Refresh All", "Refresh All|Reloads all browser tabs",
                                        slot(&TfrmMain::RefreshAll)),
                                QKeySequence(Qt::SHIFT | Qt::Key_F5), {TKeyCommand::RefreshAll}), 20));
    t.Register(withKey(command("actRefreshAllCompletely", "Refresh All Completely", "", [this] { RefreshAllTabs(true); }),
                       QKeySequence(), {TKeyCommand::RefreshAllCompletely}));
    TCommandRow source = onButton(command("mnuViewSource", "Sour&ce", "View Source|Views the source of the current document",
                                          onTab(&TBrowserTab::ViewSource)), 14);
    source.dropDown = [this] { return pmEditDocument; };
    t.Register(source);
    TCommandRow font = onButton(command("actTextSizeMedium", "Font", "Font Size|Changes font size", [this] { SetTextSize(2); }), 12);
    font.dropDown = [this] {
        // A rebuilt toolbar reuses the menu.
        QMenu *menu = findChild<QMenu *>(QStringLiteral("pmFont"), Qt::FindDirectChildrenOnly);
        if (!menu)
            menu = buildTextSizeMenu(this, this, QString(), QStringLiteral("pmFont"),
                                     {QStringLiteral("Largest"), QStringLiteral("Large"), QStringLiteral("Medium"),
                                      QStringLiteral("Smaller"), QStringLiteral("Smallest")});
        return menu;
    };
    t.Register(font);
    TCommandRow fullScreen = onButton(withKey(toggle("pmViewFullScreen", "&Fullscreen", "Fullscreen|Toggles fullscreen mode",
                                                     [this](bool on) { SetFullScreen(on); }),
                                              QKeySequence(Qt::Key_F11), {TKeyCommand::FullScreen}), 16);
    fullScreen.checked = [this] { return IsFullScreen(); };
    t.Register(fullScreen);

    // Go
    t.Register(onButton(withKey(command("actBack", "&Back", "Back|Goes back", onTab(&TBrowserTab::GoBack)),
                                QKeySequence(), {TKeyCommand::Back}), 2));
    t.Register(onButton(withKey(command("actForward", "&Forward", "Forward|Goes forward", onTab(&TBrowserTab::GoForward)),
                                QKeySequence(), {TKeyCommand::Forward}), 3));
    t.Register(onButton(withKey(command("mnuGoHome", "&Home", "Home|Goes home",
                                        [this] { if (TBrowserTab *tab = ActiveTab()) tab->NavigateTo(HomePage()); }),
                                QKeySequence(), {TKeyCommand::GoHome}), 6));
    t.RegisterPending(onButton(command("mnuGoSearch", "&Search", "Search|Goes to your search page"), 7));
    t.Register(withKey(command("mnuGoPrevTab", "&Previous Browser Tab", "", [this] { SelectNextTab(false); }),
                       QKeySequence(Qt::Key_F2), {TKeyCommand::PreviousTab}));
    t.Register(withKey(command("mnuGoNextTab", "&Next Browser Tab", "", [this] { SelectNextTab(true); }),
                       QKeySequence(Qt::Key_F3), {TKeyCommand::NextTab}));
    t.Register(withKey(command("actFollowNextLink", "Follow Next Link", "", onTab(&TBrowserTab::FollowNextLink)),
                       QKeySequence(), {TKeyCommand::FollowNextLink}));
    t.Register(withKey(command("actFocusAddress", "&Address", "", [this] {
                           AddressBox()->setFocus(Qt::ShortcutFocusReason);
                           AddressBox()->lineEdit()->selectAll();
                       }),
                       QKeySequence(), {TKeyCommand::FocusAddress}));
    t.RegisterPending(onButton(command("mnuGoMail", "&Mail", "Read Mail|Reads your e-mail"), 11));
    t.RegisterPending(command("mnuGoNews", "&News"));

    // Favorites
    t.RegisterPending(onButton(command("mnuFavoritesAdd", "&Add to Favorites...", "Add Favorite|Adds this site to your Favorites"), 8));
    t.RegisterPending(withKey(command("mnuFavoritesOrganize", "&Organize Favorites..."), QKeySequence(),
                              {TKeyCommand::OrganizeFavorites}));
    t.RegisterPending(command("mnuFavoritesOpenAll", "O&pen All Favorites"));
    t.RegisterPending(onButton(command("actFavorites", "Favorites", "Favorites|Displays your Favorites"), 9));

    // Options
    for (const auto &item : {std::make_pair("mnuOptionsLoadImages", "&Load Images"),
                             std::make_pair("mnuOptionsLoadVideos", "Load &Videos"),
                             std::make_pair("mnuOptionsLoadSounds", "Load &Sounds"),
                             std::make_pair("mnuOptionsLoadAnimations", "Load &Animations")}) {
        TCommandRow row = command(item.first, item.second);
        row.checkable = true;
        if (row.name == QLatin1String("mnuOptionsLoadImages"))
            row.toolbarId = 15;
        t.RegisterPending(row);
        t.Action(row.name)->setChecked(true);
    }
    t.RegisterPending(command("mnuOptionsTabvane", "&Tabvane Options..."));
    t.Register(command("mnuOptionsInternet", "&Internet Options...", "", slot(&TfrmMain::mnuOptionsInternetClick)));
    t.RegisterPending(command("mnuOptionsSitePermissions", "Site &Permissions..."));
    t.Register(withKey(command("actToggleOpenNewInForeground", "Open New in &Foreground", "",
                               [this] { SetOpenNewInForeground(!OpenNewInForeground()); }),
                       QKeySequence(), {TKeyCommand::ToggleOpenNewInForeground}));

    // Tools
    t.RegisterPending(command("mnuToolsExportFavorites", "&Export Favorites..."));
    t.RegisterPending(command("mnuToolsImportBookmarks", "&Import Bookmarks..."));
    t.RegisterPending(command("mnuToolsSynchronize", "&Synchronize Offline Favorites..."));
    t.Register(command("mnuToolsClearAddressHistory", "Clear &Addresses", "Clear Address History|Clears your address history",
                       slot(&TfrmMain::mnuToolsFavsClick)));

    // Help
    t.Register(withKey(command("mnuHelpTopics", "&Help Topics", "", slot(&TfrmMain::HelpTopics)),
                       QKeySequence(Qt::Key_F1), {TKeyCommand::HelpTopics}));
    t.Register(command("mnuHelpSupport", "&Tabvane Support", "", [this] {
        if (TBrowserTab *tab = CreateForegroundTab())
            tab->NavigateTo(QStringLiteral(TABVANE_MAKER_HOST "/support/"));
    }));
    t.Register(command("mnuHelpAbout", "&About", "", slot(&TfrmMain::ShowAbout)));

    // The tab menu: its commands act on the tab it was opened for; run from a key, on the
    // active tab (RunKeyCommand aims them there).
    TCommandRow locked = withKey(toggle("pmTabLocked", "Tab &Locked", "", [this](bool) { pmTabLockedClick(); }),
                                 QKeySequence(Qt::Key_F12), {TKeyCommand::ToggleLock});
    locked.checked = [this] { TBrowserTab *target = TabTarget(); return target && target->Locked; };
    t.Register(locked);
    t.Register(withKey(command("pmTabStickyName", "Set Sticky Name", "", slot(&TfrmMain::pmTabStickyNameClick)),
                       QKeySequence(Qt::Key_F9), {TKeyCommand::StickyName}));
    t.RegisterPending(command("pmTabAddToFavorites", "A&dd to Favorites..."));
    t.Register(showingKeyOf(command("pmTabStop", "&Stop", "", slot(&TfrmMain::pmTabStopClick)), "mnuViewStop"));
    t.Register(showingKeyOf(command("pmTabRefresh", "&Refresh", "", slot(&TfrmMain::pmTabRefreshClick)), "mnuViewRefresh"));
    // Shift+Home is shown but left to the page by the key filter.
    t.Register(withKey(command("pmTabHome", "&Tab Home", "", slot(&TfrmMain::pmTabHomeClick)),
                       QKeySequence(Qt::SHIFT | Qt::Key_Home), {}));
    t.Register(toggle("pmTabHideFromCloseAll", "&Hide from Close All", "", [this](bool) { pmTabHideFromCloseAllClick(); }));
    t.Register(showingKeyOf(command("pmTabClose", "&Close", "", slot(&TfrmMain::pmTabCloseClick)), "mnuFileClose"));

    // The bands' menu: each band entry mirrors its View menu entry.
    const auto band = [this](const char *name, const char *caption, const char *viewName) {
        return toggle(name, caption, "", [this, viewName](bool on) {
            QAction *view = m_commands->Action(QLatin1String(viewName));
            view->setChecked(on);
            if (view == pmViewMenuBar)
                m_bands->SetBandVisible(pnlMenuBar, on);
            else
                ApplyBandVisibility();
        });
    };
    t.Register(band("pmCustomizeViewAddressBar", "&Address Bar", "pmViewAddressBar"));
    t.Register(band("pmCustomizeViewToolbar", "&Toolbar", "pmViewToolbar"));
    t.Register(band("pmCustomizeViewMenubar", "&Menu Bar", "pmViewMenuBar"));
    t.Register(band("pmCustomizeLinksBar", "&Links Bar", "pmViewLinksBar"));
    t.RegisterPending(command("pmCustomizeToolbarDialog", "&Customize..."));
    t.RegisterPending(command("pmCustomizeOrganizeLinks", "&Organize Links..."));
    t.Register(command("mnuClearAddr", "&Clear Addresses", "", slot(&TfrmMain::mnuToolsFavsClick)));
}

void TfrmMain::BuildMenus()
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
    // Opening a menu asks its commands' enabled and checked predicates.
    const auto updating = [this](QMenu *menu) {
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { m_commands->UpdateMenu(menu); });
        return menu;
    };
    const auto newMenu = [this, &updating](const char *title, const char *name, QWidget *parent) {
        auto *menu = new QMenu(QLatin1String(title), parent);
        menu->setObjectName(QLatin1String(name));
        return updating(menu);
    };

    // pmNew: the New button's drop-down, also the File menu's New Browser.
    pmNew = newMenu("&New Browser", "pmNew", this);
    place(pmNew, {"pmNewCurrent", "pmNewHome", "pmNewBlank", "pmNewClipboard"});

    // File
    auto *mnuFile = newMenu("&File", "mnuFile", this);
    auto *fileNew = newMenu("&New Browser", "mnuFileNew", mnuFile);
    place(fileNew, {"mnuFileNewCurrent", "mnuFileNewHome", "mnuFileNewBlank", "mnuFileNewClipboard"});
    mnuFile->addMenu(fileNew);
    place(mnuFile, {"pmFileOpen", "mnuFileClose"});
    pmCloseAll = newMenu("Close A&ll", "pmCloseAll", this);
    place(pmCloseAll, {"pmCloseAllAll", "pmCloseAllKeepCurrent", "pmCloseAllShowList"});
    mnuFile->addMenu(pmCloseAll);
    place(mnuFile, {nullptr, "mnuFileSaveAs", "mnuFilePageSetup", "mnuFilePrint", nullptr, "mnuFileSendLink",
                    "mnuFileSendPage", nullptr, "mnuFileProperties", "mnuFileWorkOffline", nullptr, "mnuFileExit"});
    mnuFileWorkOffline = t.Action(QStringLiteral("mnuFileWorkOffline"));
    pmNewClipboard = t.Action(QStringLiteral("pmNewClipboard"));

    // Edit
    auto *mnuEdit = newMenu("&Edit", "mnuEdit", this);
    place(mnuEdit, {"mnuEditCut", "mnuEditCopy", "mnuEditPaste", nullptr, "mnuEditSelectAll", "mnuEditFind"});

    // View
    mnuView = newMenu("&View", "mnuView", this);
    place(mnuView, {"pmViewVessaBar", "pmViewStatusBar", "pmViewAddressBar", "pmViewToolbar", "pmViewLinksBar",
                    "pmViewMenuBar", nullptr, "mnuViewStop", "mnuViewRefresh"});
    pmViewVessaBar = t.Action(QStringLiteral("pmViewVessaBar"));
    pmViewStatusBar = t.Action(QStringLiteral("pmViewStatusBar"));
    pmViewAddressBar = t.Action(QStringLiteral("pmViewAddressBar"));
    pmViewToolbar = t.Action(QStringLiteral("pmViewToolbar"));
    pmViewLinksBar = t.Action(QStringLiteral("pmViewLinksBar"));
    pmViewMenuBar = t.Action(QStringLiteral("pmViewMenuBar"));
    pmViewMenuBar->setChecked(true);
    pmViewMenuBar->setVisible(false);
    actStop = t.Action(QStringLiteral("mnuViewStop"));
    actStop->setEnabled(false);   // UpdateSecureAndAnimation follows the active tab's load
    mnuView->addMenu(buildTextSizeMenu(this, mnuView, QStringLiteral("Text Size"), QStringLiteral("mnuViewTextSize"),
                                       {QStringLiteral("Largest"), QStringLiteral("Larger"), QStringLiteral("Medium"),
                                        QStringLiteral("Smaller"), QStringLiteral("Smallest")}));
    place(mnuView, {nullptr, "mnuViewStopAll", "mnuViewRefreshAll", "mnuViewSource", "pmViewFullScreen"});
    pmViewFullScreen = t.Action(QStringLiteral("pmViewFullScreen"));

    // Go
    auto *mnuGo = newMenu("&Go", "mnuGo", this);
    place(mnuGo, {"actBack", "actForward", "mnuGoHome", "mnuGoSearch", nullptr, "mnuGoPrevTab", "mnuGoNextTab",
                  nullptr, "mnuGoMail", "mnuGoNews"});
    actBack = t.Action(QStringLiteral("actBack"));
    actForward = t.Action(QStringLiteral("actForward"));
    actBack->setEnabled(false);
    actForward->setEnabled(false);

    // Favorites
    auto *mnuFavorites = newMenu("F&avorites", "mnuFavorites", this);
    place(mnuFavorites, {"mnuFavoritesAdd", "mnuFavoritesOrganize", "mnuFavoritesOpenAll"});

    // VessaGroups: the group subsystem's commands, then the groups themselves.
    auto *mnuVessaGroups = newMenu("VessaGroups", "mnuVessaGroups", this);
    mnuVessaGroups->setToolTipsVisible(false);
    place(mnuVessaGroups, {"pmAddToVessaGroup", "pmTandemGroupSaveAs2", "pmTandemGroupsOrganize2", nullptr});

    // Options
    auto *mnuOptions = newMenu("&Options", "mnuOptions", this);
    place(mnuOptions, {"mnuOptionsLoadImages", "mnuOptionsLoadVideos", "mnuOptionsLoadSounds", "mnuOptionsLoadAnimations",
                       nullptr, "mnuOptionsTabvane", "mnuOptionsInternet", "mnuOptionsSitePermissions"});

    // Tools
    auto *mnuTools = newMenu("&Tools", "mnuTools", this);
    place(mnuTools, {"mnuToolsExportFavorites", "mnuToolsImportBookmarks", "mnuToolsSynchronize", nullptr,
                     "mnuToolsClearAddressHistory"});

    // Tabs: rebuilt each time it opens.
    mnuTabs = new QMenu(QStringLiteral("Tab&s"), this);
    mnuTabs->setObjectName(QStringLiteral("mnuTabs"));
    connect(mnuTabs, &QMenu::aboutToShow, this, &TfrmMain::RebuildTabsMenu);

    // Help
    auto *mnuHelp = newMenu("&Help", "mnuHelp", this);
    place(mnuHelp, {"mnuHelpTopics", "mnuHelpSupport", "mnuHelpAbout"});

    m_mainMenus = {mnuFile, mnuEdit, mnuView, mnuGo, mnuFavorites, mnuVessaGroups, mnuOptions,
                   mnuTools, mnuTabs, mnuHelp};
    BuildMenuBar();

    pmEditDocument = new QMenu(this);
    pmEditDocument->setObjectName(QStringLiteral("pmEditDocument"));
    connect(pmEditDocument, &QMenu::aboutToShow, this, &TfrmMain::FillEditDocumentMenu);

    // Tab context menu (pmTabPopup sets its items for the tab it opens for).
    pmTab = new QMenu(this);
    pmTab->setObjectName(QStringLiteral("pmTab"));
    place(pmTab, {"pmTabLocked", "pmTabStickyName"});
    pmTabLocked = t.Action(QStringLiteral("pmTabLocked"));
    pmTabStickyName = t.Action(QStringLiteral("pmTabStickyName"));
    auto *addTo = new QMenu(QStringLiteral("&Add To"), pmTab);
    addTo->setObjectName(QStringLiteral("pmTabAddTo"));
    place(addTo, {"pmTabAddToFavorites", "pmTabAddToVessaGroup", "pmAddToPopupVessa"});
    pmTab->addMenu(addTo);
    place(pmTab, {nullptr, "pmTabStop", "pmTabRefresh", "pmTabHome", nullptr, "pmTabHideFromCloseAll"});
    pmTabHome = t.Action(QStringLiteral("pmTabHome"));
    pmTabHideFromCloseAll = t.Action(QStringLiteral("pmTabHideFromCloseAll"));
    auto *tabCloseAll = new QMenu(QStringLiteral("C&lose All"), pmTab);
    tabCloseAll->setObjectName(QStringLiteral("pmTabCloseAll"));
    tabCloseAll->addActions(pmCloseAll->actions());
    pmTab->addMenu(tabCloseAll);
    place(pmTab, {"pmTabClose"});

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
    TCommandTable &t = *m_commands;
    QAction *address = t.Place(pmCustomize, QStringLiteral("pmCustomizeViewAddressBar"));
    QAction *toolbar = t.Place(pmCustomize, QStringLiteral("pmCustomizeViewToolbar"));
    QAction *menuBar = t.Place(pmCustomize, QStringLiteral("pmCustomizeViewMenubar"));
    QAction *links = t.Place(pmCustomize, QStringLiteral("pmCustomizeLinksBar"));
    pmCustomize->addSeparator();
    t.Place(pmCustomize, QStringLiteral("pmCustomizeToolbarDialog"));
    t.Place(pmCustomize, QStringLiteral("pmCustomizeOrganizeLinks"));
    t.Place(pmCustomize, QStringLiteral("mnuClearAddr"));

    // Each band entry shows whether its band is visible now.
    const QList<QAction *> entries = {address, toolbar, menuBar, links};
    const QList<QWidget *> bands = {m_addressBar->Panel(), pnlToolbar, pnlMenuBar, pnlLinks};
    connect(pmCustomize, &QMenu::aboutToShow, this, [this, entries, bands, menuBar, toolbar] {
        for (int i = 0; i < entries.size(); ++i)
            entries.at(i)->setChecked(m_bands->BandVisible(bands.at(i)));
        menuBar->setVisible(IsFullScreen());
        toolbar->setVisible(!IsFullScreen());
    });

    connect(cbCoolbar, &TCoolBar::ContextMenuRequested, this, [this](const QPoint &pos) { pmCustomize->popup(pos); });
    connect(m_addressBar->Label(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { pmCustomize->popup(m_addressBar->Label()->mapToGlobal(pos)); });
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
        connect(item, &QAction::triggered, this, [this, name] { m_commands->Guarded([this, name] { EditDocument(name); }); });
    }
    // An empty list is looked for again next time: an editor may be installed meanwhile.
    m_editDocumentFilled = !editors.isEmpty();
    if (editors.isEmpty())
        pmEditDocument->addAction(QStringLiteral("No HTML editor found"))->setEnabled(false);
}

void TfrmMain::BuildKeyFilter()
{
    qApp->installEventFilter(this);
}
