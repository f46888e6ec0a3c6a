// TfrmMain: the command table's rows of the window's own commands (new tabs, closing,
// printing, the view toggles, Go, and the rows of subsystems not built yet). The
// subsystems register their own rows; the menus are placed from the table by TMainMenus.

#include "app/main_window.h"

#include "app/application.h"
#include "browser/browsertab.h"
#include "navigation/commandrows.h"
#include "navigation/commandtable.h"
#include "navigation/kwcombobox.h"
#include "navigation/mainmenus.h"
#include "options/bandlayout.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>

#include <functional>

using namespace CommandRows;

namespace {
bool clipboardHasText()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText() && !data->text().trimmed().isEmpty();
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
    newRow.dropDown = [this] { return m_menus->NewMenu(); };
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
    t.Register(withKey(command("mnuFileClose", "&Close", "Close|Closes the active browser tab", slot(&TfrmMain::actCloseExecute)),
                       QKeySequence(Qt::CTRL | Qt::Key_W), {TKeyCommand::CloseTab}));
    t.Register(withKey(command("pmCloseAllAll", "Close All", "", [this] { CloseAll(false); }),
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W), {TKeyCommand::CloseAll}));
    t.Register(command("pmCloseAllKeepCurrent", "Close All -- Keep Current", "", [this] { m_tabs->CloseAllKeepCurrent(); }));
    t.Register(command("pmCloseAllShowList", "Close All -- Show List", "", [this] { m_tabs->CloseAllShowList(); }));
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
    t.Register(command("mnuFileExit", "E&xit", "", [this] { close(); }));

    // Go
    QAction *back = t.Register(onButton(withKey(command("actBack", "&Back", "Back|Goes back", onTab(&TBrowserTab::GoBack)),
                                QKeySequence(), {TKeyCommand::Back}), 2));
    QAction *forward = t.Register(onButton(withKey(command("actForward", "&Forward", "Forward|Goes forward", onTab(&TBrowserTab::GoForward)),
                                QKeySequence(), {TKeyCommand::Forward}), 3));
    t.Register(onButton(withKey(command("mnuGoHome", "&Home", "Home|Goes home",
                                        [this] { if (TBrowserTab *tab = ActiveTab()) tab->NavigateTo(HomePage()); }),
                                QKeySequence(), {TKeyCommand::GoHome}), 6));
    // The active tab's history enables them.
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(m_addressBar, &TAddressBar::BackForwardChanged, this, [back, forward](bool canGoBack, bool canGoForward) {
        back->setEnabled(canGoBack);
        forward->setEnabled(canGoForward);
    });
    t.RegisterPending(onButton(command("mnuGoSearch", "&Search", "Search|Goes to your search page"), 7));
    t.Register(withKey(command("mnuGoPrevTab", "&Previous Browser Tab", "", [this] { m_tabs->SelectNextTab(false); }),
                       QKeySequence(Qt::Key_F2), {TKeyCommand::PreviousTab}));
    t.Register(withKey(command("mnuGoNextTab", "&Next Browser Tab", "", [this] { m_tabs->SelectNextTab(true); }),
                       QKeySequence(Qt::Key_F3), {TKeyCommand::NextTab}));
    t.Register(withKey(command("actFollowNextLink", "Follow Next Link", "", onTab(&TBrowserTab::FollowNextLink)),
                       QKeySequence(), {TKeyCommand::FollowNextLink}));
    t.Register(withKey(command("actFocusAddress", "&Address", "", [this] {
                           m_addressBar->AddressBox()->setFocus(Qt::ShortcutFocusReason);
                           m_addressBar->AddressBox()->lineEdit()->selectAll();
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
    t.RegisterPending(command("mnuOptionsSitePermissions", "Site &Permissions..."));
    t.Register(withKey(command("actToggleOpenNewInForeground", "Open New in &Foreground", "",
                               [this] { m_tabs->SetOpenNewInForeground(!m_tabs->OpenNewInForeground()); }),
                       QKeySequence(), {TKeyCommand::ToggleOpenNewInForeground}));

    // Tools
    t.RegisterPending(command("mnuToolsExportFavorites", "&Export Favorites..."));
    t.RegisterPending(command("mnuToolsImportBookmarks", "&Import Bookmarks..."));
    t.RegisterPending(command("mnuToolsSynchronize", "&Synchronize Offline Favorites..."));
}
