#include "navigation/pagecommands.h"

#include "app/confirm.h"
#include "platform/makerhost.h"
#include "browser/browsertab.h"
#include "browser/tabopener.h"
#include "browser/vessabrowser.h"
#include "navigation/addressbar.h"
#include "navigation/commandrows.h"
#include "navigation/editdocument.h"
#include "navigation/kwcombobox.h"
#include "navigation/open.h"
#include "platform/offline.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/version.h"
#include "platform/webprofile.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QUrl>

using namespace CommandRows;

namespace {
const QString HelpFileName = QStringLiteral("help/tabvane.html");

bool ctrlHeld()
{
    return QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier;
}

// The edit field of window that has the keyboard focus. An editable combo box such as
// the address box holds the focus for its edit field.
QLineEdit *focusedEdit(const QWidget *window)
{
    QWidget *focus = QApplication::focusWidget();
    auto *edit = qobject_cast<QLineEdit *>(focus);
    if (auto *combo = qobject_cast<QComboBox *>(focus))
        edit = combo->lineEdit();
    return edit && edit->window() == window ? edit : nullptr;
}

// The side bar's search browser when it has the keyboard focus.
TVessaBrowser *focusedSearchBrowser(const QWidget *window)
{
    QWidget *focus = QApplication::focusWidget();
    auto *search = window->findChild<TVessaBrowser *>(QStringLiteral("SearchBrowser"));
    return search && focus && search->isAncestorOf(focus) ? search : nullptr;
}
}

TPageCommands::TPageCommands(QWidget *window, ITabOpener *tabs, TCommandTable *commands, TAddressBar *addressBar,
                             QObject *parent)
    : QObject(parent), m_window(window), m_tabs(tabs), m_commands(commands), m_addressBar(addressBar)
{
    setObjectName(QStringLiteral("pageCommands"));
    m_editDocument = new QMenu(window);
    m_editDocument->setObjectName(QStringLiteral("pmEditDocument"));
    connect(m_editDocument, &QMenu::aboutToShow, this, &TPageCommands::fillEditDocumentMenu);
    registerRows();
    // Another program (or the offline page's button) may change the state meanwhile.
    connect(TOfflineNotifier::instance(), &TOfflineNotifier::OfflineChanged, this,
            [this](bool offline) { m_workOffline->setChecked(offline); });
}

void TPageCommands::registerRows()
{
    TCommandTable &t = *m_commands;
    const auto onTab = [this](void (TBrowserTab::*method)()) {
        return std::function<void()>([this, method] {
            if (TBrowserTab *tab = m_tabs->ActiveTab())
                (tab->*method)();
        });
    };
    const auto slot = [this](void (TPageCommands::*method)()) {
        return std::function<void()>([this, method] { (this->*method)(); });
    };

    // File
    t.Register(onButton(withKey(command("pmFileOpen", "&Open...", "Open|Shows the open dialog", slot(&TPageCommands::actOpenExecute)),
                                QKeySequence(Qt::CTRL | Qt::Key_O), {TKeyCommand::Open}), 1));
    TCommandRow offline = toggle("mnuFileWorkOffline", "&Work Offline", "", [this](bool on) { SetWorkOffline(on); });
    // Another program (or a second window) may have changed the state meanwhile.
    offline.checked = [] { return TOffline::IsOffline(); };
    m_workOffline = t.Register(offline);

    // Edit
    t.Register(withKey(command("mnuEditCut", "C&ut", "", slot(&TPageCommands::mnuEditCutClick)),
                       QKeySequence(Qt::CTRL | Qt::Key_X), {TKeyCommand::Cut}));
    t.Register(withKey(command("mnuEditCopy", "&Copy", "", slot(&TPageCommands::mnuEditCopyClick)),
                       QKeySequence(Qt::CTRL | Qt::Key_C), {TKeyCommand::Copy}));
    t.Register(withKey(command("mnuEditPaste", "&Paste", "", slot(&TPageCommands::mnuEditPasteClick)),
                       QKeySequence(Qt::CTRL | Qt::Key_V), {TKeyCommand::Paste}));
    t.Register(withKey(command("mnuEditSelectAll", "&Select All...", "", slot(&TPageCommands::mnuEditSelectAllClick)),
                       QKeySequence(Qt::CTRL | Qt::Key_A), {TKeyCommand::SelectAll}));
    t.Register(onButton(withKey(command("mnuEditFind", "&Find on this page...", "Find|Finds on this page",
                                        slot(&TPageCommands::mnuEditFindClick)),
                                QKeySequence(Qt::CTRL | Qt::Key_F), {TKeyCommand::FindInPage}), 17));

    // View
    // Esc is a key of its own: it puts back an address being edited, else stops the
    // active tab whether or not the window has seen it load (the engine may still fetch).
    // The menu's Stop, enabled only while the tab loads, shows it.
    t.Register(withKey(command("actEscape", "Stop", "", [this] {
                           if (m_addressBar->AddressBeingEdited()
                               && m_addressBar->AddressBox()->isAncestorOf(QApplication::focusWidget()))
                               m_addressBar->RevertAddress();
                           else if (TBrowserTab *tab = m_tabs->ActiveTab())
                               tab->StopLoading();
                       }),
                       QKeySequence(Qt::Key_Escape), {TKeyCommand::Stop}));
    m_stop = t.Register(onButton(showingKeyOf(command("mnuViewStop", "&Stop", "Stop|Stops loading the current browser tab",
                                                      onTab(&TBrowserTab::StopLoading)), "actEscape"), 4));
    m_stop->setEnabled(false);   // follows the active tab's load
    t.Register(onButton(withKey(command("mnuViewRefresh", "&Refresh", "Refresh|Reloads the current browser tab",
                                        [this] { RefreshTab(m_tabs->ActiveTab()); }),
                                QKeySequence(Qt::Key_F5), {TKeyCommand::Refresh}), 5));
    t.Register(withKey(command("actRefreshCompletely", "Refresh &Completely", "",
                               [this] { RefreshTab(m_tabs->ActiveTab(), true); }),
                       QKeySequence(), {TKeyCommand::RefreshCompletely}));
    t.Register(onButton(withKey(command("mnuViewStopAll", "Stop All", "Stop All|Stops all browser tabs", slot(&TPageCommands::StopAll)),
                                QKeySequence(Qt::SHIFT | Qt::Key_Escape), {TKeyCommand::StopAll}), 19));
    t.Register(onButton(withKey(command("mnuViewRefreshAll", "Refresh All", "Refresh All|Reloads all browser tabs",
                                        slot(&TPageCommands::RefreshAll)),
                                QKeySequence(Qt::SHIFT | Qt::Key_F5), {TKeyCommand::RefreshAll}), 20));
    t.Register(withKey(command("actRefreshAllCompletely", "Refresh All Completely", "", [this] { RefreshAllTabs(true); }),
                       QKeySequence(), {TKeyCommand::RefreshAllCompletely}));
    TCommandRow source = onButton(command("mnuViewSource", "Sour&ce", "View Source|Views the source of the current document",
                                          onTab(&TBrowserTab::ViewSource)), 14);
    source.dropDown = [this] { return m_editDocument; };
    t.Register(source);
    TCommandRow font = onButton(command("actTextSizeMedium", "Font", "Font Size|Changes font size", [this] { SetTextSize(2); }), 12);
    font.dropDown = [this] {
        // A rebuilt toolbar reuses the menu.
        if (!m_font)
            m_font = buildTextSizeMenu(QString(), QStringLiteral("pmFont"),
                                       {QStringLiteral("Largest"), QStringLiteral("Large"), QStringLiteral("Medium"),
                                        QStringLiteral("Smaller"), QStringLiteral("Smallest")});
        return m_font;
    };
    t.Register(font);

    // Options, Tools
    t.Register(command("mnuOptionsInternet", "&Internet Options...", "", slot(&TPageCommands::mnuOptionsInternetClick)));
    t.Register(command("mnuToolsClearAddressHistory", "Clear &Addresses", "Clear Address History|Clears your address history",
                       slot(&TPageCommands::mnuToolsFavsClick)));
    // The bands' menu has "&Customize..." already: this one takes E.
    t.Register(command("mnuClearAddr", "Cl&ear Addresses", "", slot(&TPageCommands::mnuToolsFavsClick)));

    // Help
    t.Register(withKey(command("mnuHelpTopics", "&Help Topics", "", slot(&TPageCommands::HelpTopics)),
                       QKeySequence(Qt::Key_F1), {TKeyCommand::HelpTopics}));
    t.Register(command("mnuHelpSupport", "&Tabvane Support", "", [this] {
        if (TBrowserTab *tab = m_tabs->CreateForegroundTab())
            tab->NavigateTo(TMakerHost::Maker() + QStringLiteral("/support/"));
    }));
    t.Register(command("mnuHelpAbout", "&About", "", slot(&TPageCommands::ShowAbout)));
}

void TPageCommands::FollowLoading(bool loading)
{
    m_stop->setEnabled(loading);
}

// One text size menu: its items set the active page's zoom (first item 4 .. last item 0),
// and the item of the page's current zoom is checked whenever the menu opens.
QMenu *TPageCommands::buildTextSizeMenu(const QString &title, const QString &name, const QStringList &captions)
{
    auto *menu = new QMenu(title, m_window);
    menu->setObjectName(name);
    auto *group = new QActionGroup(menu);
    for (int i = 0; i < captions.size(); ++i) {
        QAction *item = menu->addAction(captions.at(i));
        item->setCheckable(true);
        item->setData(4 - i);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, i] { m_commands->Guarded([this, i] { SetTextSize(4 - i); }); });
    }
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        const int zoom = m_tabs->ActiveTab() ? m_tabs->ActiveTab()->GetTextSize() : 2;
        for (QAction *item : menu->actions())
            item->setChecked(item->data().toInt() == zoom);
    });
    return menu;
}

QMenu *TPageCommands::TextSizeMenu()
{
    if (!m_textSize)
        m_textSize = buildTextSizeMenu(QStringLiteral("Text Size"), QStringLiteral("mnuViewTextSize"),
                                       {QStringLiteral("Largest"), QStringLiteral("Larger"), QStringLiteral("Medium"),
                                        QStringLiteral("Smaller"), QStringLiteral("Smallest")});
    return m_textSize;
}

void TPageCommands::fillEditDocumentMenu()
{
    if (m_editDocumentFilled)
        return;
    m_editDocument->clear();
    QStringList editors;
    try {
        editors = TEditDocument::Items();
    } catch (const RegistryError &e) {
        qWarning("tabvane: the editor list could not be read: %s", e.what());
    }
    for (const QString &name : std::as_const(editors)) {
        QAction *item = m_editDocument->addAction(EscapeAmpersands(name));
        connect(item, &QAction::triggered, this, [this, name] { m_commands->Guarded([this, name] { EditDocument(name); }); });
    }
    // An empty list is looked for again next time: an editor may be installed meanwhile.
    m_editDocumentFilled = !editors.isEmpty();
    if (editors.isEmpty())
        m_editDocument->addAction(QStringLiteral("No HTML editor found"))->setEnabled(false);
}

void TPageCommands::RefreshTab(TBrowserTab *tab)
{
    RefreshTab(tab, ctrlHeld());
}

void TPageCommands::RefreshTab(TBrowserTab *tab, bool completely)
{
    if (!tab || !tab->View())
        return;
    if (tab->Loading)
        tab->StopLoading();
    if (completely)
        tab->View()->RefreshCompletely();
    else
        tab->View()->RefreshPage();
}

void TPageCommands::StopAll()
{
    for (TBrowserTab *tab : m_tabs->Tabs())
        tab->StopLoading();
}

void TPageCommands::RefreshAll()
{
    RefreshAllTabs(ctrlHeld());
}

void TPageCommands::RefreshAllTabs(bool completely)
{
    // A refresh may ask before it sends a form again; tabs can close while it asks.
    QList<QPointer<TBrowserTab>> tabs;
    for (TBrowserTab *tab : m_tabs->Tabs())
        tabs.append(tab);
    const QPointer<TPageCommands> self(this);
    for (const QPointer<TBrowserTab> &tab : tabs) {
        if (!self)
            return;
        if (tab)
            RefreshTab(tab, completely);
    }
}

void TPageCommands::mnuEditCutClick()
{
    if (QLineEdit *edit = focusedEdit(m_window))
        edit->cut();
    else if (TVessaBrowser *search = focusedSearchBrowser(m_window))
        search->Cut();
    else if (TBrowserTab *tab = m_tabs->ActiveTab())
        tab->Cut();
}

void TPageCommands::mnuEditCopyClick()
{
    if (QLineEdit *edit = focusedEdit(m_window))
        edit->copy();
    else if (TVessaBrowser *search = focusedSearchBrowser(m_window))
        search->Copy();
    else if (TBrowserTab *tab = m_tabs->ActiveTab())
        tab->Copy();
}

void TPageCommands::mnuEditPasteClick()
{
    if (QLineEdit *edit = focusedEdit(m_window))
        edit->paste();
    else if (TVessaBrowser *search = focusedSearchBrowser(m_window))
        search->Paste();
    else if (TBrowserTab *tab = m_tabs->ActiveTab())
        tab->Paste();
}

void TPageCommands::mnuEditSelectAllClick()
{
    // Typing in the address box, Ctrl+A selects the address, as in every edit field here.
    if (QLineEdit *edit = focusedEdit(m_window))
        edit->selectAll();
    else if (TBrowserTab *tab = m_tabs->ActiveTab())
        tab->SelectAll();
}

void TPageCommands::mnuEditFindClick()
{
    if (TBrowserTab *tab = m_tabs->ActiveTab())
        tab->FindInPage();
}

void TPageCommands::SetTextSize(int size)
{
    if (TBrowserTab *tab = m_tabs->ActiveTab())
        tab->SetTextSize(size);
}

void TPageCommands::actOpenExecute()
{
    TfrmOpen dialog(m_window, m_addressBar->TypedAddresses());
    dialog.setFont(m_window->font());
    const QPointer<TPageCommands> self(this);
    if (dialog.exec() != QDialog::Accepted || !self)
        return;
    TBrowserTab *tab = dialog.OpenOnNewTab ? m_tabs->CreateForegroundTab() : m_tabs->ActiveTab();
    if (!tab)
        return;
    tab->StopLoading();
    tab->NavigateTo(dialog.ResultAddress);
}

void TPageCommands::SetWorkOffline(bool offline)
{
    if (!TOffline::SetOffline(offline))
        showMessage(QStringLiteral("The offline state could not be stored. It holds until Tabvane closes."));
    m_workOffline->setChecked(offline);
}

void TPageCommands::mnuOptionsInternetClick()
{
    TBrowserTab *tab = m_tabs->ActiveTab();
    if (!tab)
        return;
    const QPointer<TPageCommands> self(this);
    tab->InternetOptions();
    if (self)
        Q_EMIT InternetOptionsClosed();
}

void TPageCommands::mnuToolsFavsClick()
{
    const QMessageBox::StandardButton answer = QMessageBox::question(
            m_window, QStringLiteral("Clear Addresses"),
            QStringLiteral("Are you sure you want to clear your address history?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    try {
        m_addressBar->ClearTypedAddresses();
    } catch (const RegistryError &e) {
        showMessage(QStringLiteral("The address history could not be cleared: %1").arg(QString::fromLocal8Bit(e.what())));
    }
    m_addressBar->ResyncAddress();
}

void TPageCommands::EditDocument(const QString &editor)
{
    TBrowserTab *tab = m_tabs->ActiveTab();
    if (!tab)
        return;
    QString command;
    try {
        command = TEditDocument::Command(editor);
    } catch (const RegistryError &) {
        command.clear();
    }
    const QPointer<TPageCommands> self(this);
    const QString path = tab->SaveToTempFile();
    if (!self)
        return;
    if (path.isEmpty()) {
        showMessage(QStringLiteral("The page could not be saved for editing."));
        return;
    }
    if (!TEditDocument::RunCommand(command, path))
        showMessage(QStringLiteral("%1 could not be started.").arg(editor));
}

void TPageCommands::showMessage(const QString &text)
{
    // Not modal for the application: the command has ended and the pages go on.
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Tabvane"), text, QMessageBox::Ok, m_window);
    box->setObjectName(QStringLiteral("msgCommand"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

QString TPageCommands::AboutText() const
{
    return QStringLiteral("Version ") + QLatin1String(TabvaneVersion)
            + QStringLiteral("\n"
                             "Copyright (c) the Tabvane developers\n")
            + TMakerHost::Maker() + QStringLiteral("\n\nQt WebEngine: ")
            + TWebProfile::EngineVersionText();
}

void TPageCommands::ShowAbout()
{
    Confirm(m_window, QStringLiteral("Tabvane"), QStringLiteral("Tabvane"), AboutText(),
            QStringLiteral("OK"), QString(), QString(), false);
}

QString TPageCommands::HelpFile()
{
    // A copy in the user's data folder first, then the one shipped with the program (a
    // build tree, or the installed share folder).
    QStringList places = {TPaths::Join(TPaths::DataDir(), HelpFileName)};
    for (const QString &dir : TPaths::ShippedDirs())
        places.append(TPaths::Join(dir, HelpFileName));
    for (const QString &place : places) {
        const QFileInfo info(place);
        if (info.isFile() && info.isReadable())
            return info.canonicalFilePath();
    }
    return QString();
}

void TPageCommands::HelpTopics()
{
    const QString guide = HelpFile();
    if (guide.isEmpty()) {
        showMessage(QStringLiteral("The help file %1 could not be found.")
                            .arg(QDir::toNativeSeparators(TPaths::Join(TPaths::ShippedDirs().constLast(), HelpFileName))));
        return;
    }
    if (TBrowserTab *tab = m_tabs->CreateForegroundTab())
        tab->NavigateTo(QUrl::fromLocalFile(guide).toString());
}
