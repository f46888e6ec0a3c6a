// TfrmMain: the commands of the menus and keys that act on pages and on the window's
// own state: refresh and stop, the edit commands, Open, text size, Work Offline, Internet
// Options, Clear Addresses, Edit Document, help, the About box, and the URL history.

#include "app/main_window.h"
#include "platform/makerhost.h"

#include "app/confirm.h"
#include "app/statusarea.h"
#include "browser/browsertab.h"
#include "browser/vessabrowser.h"
#include "navigation/editdocument.h"
#include "navigation/kwcombobox.h"
#include "navigation/open.h"
#include "platform/offline.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/version.h"
#include "platform/webprofile.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QUrl>

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

void TfrmMain::RefreshTab(TBrowserTab *tab)
{
    RefreshTab(tab, ctrlHeld());
}

void TfrmMain::RefreshTab(TBrowserTab *tab, bool completely)
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

void TfrmMain::StopAll()
{
    for (TBrowserTab *tab : Tabs())
        tab->StopLoading();
}

void TfrmMain::RefreshAll()
{
    RefreshAllTabs(ctrlHeld());
}

void TfrmMain::RefreshAllTabs(bool completely)
{
    // A refresh may ask before it sends a form again; tabs can close while it asks.
    QList<QPointer<TBrowserTab>> tabs;
    for (TBrowserTab *tab : Tabs())
        tabs.append(tab);
    const QPointer<TfrmMain> self(this);
    for (const QPointer<TBrowserTab> &tab : tabs) {
        if (!self)
            return;
        if (tab)
            RefreshTab(tab, completely);
    }
}

void TfrmMain::mnuEditCutClick()
{
    if (QLineEdit *edit = focusedEdit(this))
        edit->cut();
    else if (TVessaBrowser *search = focusedSearchBrowser(this))
        search->Cut();
    else if (TBrowserTab *tab = ActiveTab())
        tab->Cut();
}

void TfrmMain::mnuEditCopyClick()
{
    if (QLineEdit *edit = focusedEdit(this))
        edit->copy();
    else if (TVessaBrowser *search = focusedSearchBrowser(this))
        search->Copy();
    else if (TBrowserTab *tab = ActiveTab())
        tab->Copy();
}

void TfrmMain::mnuEditPasteClick()
{
    if (QLineEdit *edit = focusedEdit(this))
        edit->paste();
    else if (TVessaBrowser *search = focusedSearchBrowser(this))
        search->Paste();
    else if (TBrowserTab *tab = ActiveTab())
        tab->Paste();
}

void TfrmMain::mnuEditSelectAllClick()
{
    // Typing in the address box, Ctrl+A selects the address, as in every edit field here.
    if (QLineEdit *edit = focusedEdit(this))
        edit->selectAll();
    else if (TBrowserTab *tab = ActiveTab())
        tab->SelectAll();
}

void TfrmMain::mnuEditFindClick()
{
    if (TBrowserTab *tab = ActiveTab())
        tab->FindInPage();
}

void TfrmMain::SetTextSize(int size)
{
    if (TBrowserTab *tab = ActiveTab())
        tab->SetTextSize(size);
}

void TfrmMain::actOpenExecute()
{
    TfrmOpen dialog(this, TypedAddresses());
    dialog.setFont(font());
    const QPointer<TfrmMain> self(this);
    if (dialog.exec() != QDialog::Accepted || !self)
        return;
    TBrowserTab *tab = dialog.OpenOnNewTab ? CreateForegroundTab() : ActiveTab();
    if (!tab)
        return;
    tab->StopLoading();
    tab->NavigateTo(dialog.ResultAddress);
}

void TfrmMain::SetWorkOffline(bool offline)
{
    if (!TOffline::SetOffline(offline))
        ShowCommandMessage(QStringLiteral("The offline state could not be stored. It holds until Tabvane closes."));
    mnuFileWorkOffline->setChecked(offline);
}

void TfrmMain::ShowOfflineState(bool offline)
{
    if (mnuFileWorkOffline)
        mnuFileWorkOffline->setChecked(offline);
    if (m_statusArea)
        m_statusArea->ShowOffline(offline);
}

void TfrmMain::mnuOptionsInternetClick()
{
    TBrowserTab *tab = ActiveTab();
    if (!tab)
        return;
    const QPointer<TfrmMain> self(this);
    tab->InternetOptions();
    if (self)
        Q_EMIT InternetOptionsClosed();
}

void TfrmMain::mnuToolsFavsClick()
{
    const QMessageBox::StandardButton answer = QMessageBox::question(
            this, QStringLiteral("Clear Addresses"),
            QStringLiteral("Are you sure you want to clear your address history?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    try {
        m_addressBar->ClearTypedAddresses();
    } catch (const RegistryError &e) {
        ShowCommandMessage(QStringLiteral("The address history could not be cleared: %1")
                                   .arg(QString::fromLocal8Bit(e.what())));
    }
    ResyncAddress();
}

void TfrmMain::EditDocument(const QString &editor)
{
    TBrowserTab *tab = ActiveTab();
    if (!tab)
        return;
    QString command;
    try {
        command = TEditDocument::Command(editor);
    } catch (const RegistryError &) {
        command.clear();
    }
    const QPointer<TfrmMain> self(this);
    const QString path = tab->SaveToTempFile();
    if (!self)
        return;
    if (path.isEmpty()) {
        ShowCommandMessage(QStringLiteral("The page could not be saved for editing."));
        return;
    }
    if (!TEditDocument::RunCommand(command, path))
        ShowCommandMessage(QStringLiteral("%1 could not be started.").arg(editor));
}

void TfrmMain::ShowCommandMessage(const QString &text)
{
    // Not modal for the application: the command has ended and the pages go on.
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Tabvane"), text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("msgCommand"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

QString TfrmMain::AboutText() const
{
    return QStringLiteral("Version ") + QLatin1String(TabvaneVersion)
            + QStringLiteral("\n"
                             "Copyright (c) the Tabvane developers\n")
            + TMakerHost::Maker() + QStringLiteral("\n\nQt WebEngine: ")
            + TWebProfile::EngineVersionText();
}

void TfrmMain::ShowAbout()
{
    Confirm(this, QStringLiteral("Tabvane"), QStringLiteral("Tabvane"), AboutText(),
            QStringLiteral("OK"), QString(), QString(), false);
}

QString TfrmMain::HelpFile()
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

void TfrmMain::HelpTopics()
{
    const QString guide = HelpFile();
    if (guide.isEmpty()) {
        ShowCommandMessage(QStringLiteral("The help file %1 could not be found.")
                                   .arg(QDir::toNativeSeparators(TPaths::Join(TPaths::ShippedDirs().constLast(), HelpFileName))));
        return;
    }
    if (TBrowserTab *tab = CreateForegroundTab())
        tab->NavigateTo(QUrl::fromLocalFile(guide).toString());
}
