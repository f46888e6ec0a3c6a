// TfrmMain: the tab operations it forwards to the tab manager, and the New commands.

#include "app/main_window.h"

#include "app/confirm.h"
#include "app/statusarea.h"
#include "browser/browsertab.h"
#include "browser/kwpagecontrol.h"
#include "browser/tabmanager.h"
#include "browser/vessabrowser.h"
#include "components/coolbar.h"
#include "navigation/commandtable.h"
#include "navigation/kwcombobox.h"
#include "navigation/menubar.h"
#include "navigation/pagecommands.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTimer>

TBrowserTab *TfrmMain::CreateForegroundTab()
{
    return m_tabs->CreateForegroundTab();
}

TBrowserTab *TfrmMain::CreateBackgroundTab()
{
    return m_tabs->CreateBackgroundTab();
}

TBrowserTab *TfrmMain::CreateHiddenTab()
{
    return m_tabs->CreateHiddenTab();
}

TBrowserTab *TfrmMain::ActiveTab() const
{
    return m_tabs ? m_tabs->ActiveTab() : nullptr;
}

int TfrmMain::TabCount() const
{
    return m_tabs ? m_tabs->TabCount() : 0;
}

TBrowserTab *TfrmMain::TabAt(int pageIndex) const
{
    return m_tabs ? m_tabs->TabAt(pageIndex) : nullptr;
}

QList<TBrowserTab *> TfrmMain::Tabs() const
{
    return m_tabs ? m_tabs->Tabs() : QList<TBrowserTab *>();
}

void TfrmMain::CloseTab(TBrowserTab *tab)
{
    m_tabs->CloseTab(tab);
}

void TfrmMain::actCloseExecute()
{
    if (m_tabs->GroupLoading())
        return;
    CloseTab(ActiveTab());
}

bool TfrmMain::AskCloseAll()
{
    if (!m_options.ConfirmCloseAll())
        return true;
    const TConfirmResult answer = Confirm(this, QStringLiteral("Close All"),
                                          QStringLiteral("You are about to close all open tabs."),
                                          QStringLiteral("Do you want to proceed?"),
                                          QStringLiteral("Yes"), QStringLiteral("No"),
                                          QStringLiteral("Don't ask me again"), false);
    if (answer.checked)
        m_options.SetConfirmCloseAll(false);
    return answer.ok;
}

void TfrmMain::CloseAll(bool silent)
{
    m_tabs->CloseAll(silent);
}

void TfrmMain::OpenUrlByPreference(const QString &url, bool newTabPreference)
{
    m_tabs->OpenUrlByPreference(url, newTabPreference);
}

void TfrmMain::actNewExecute()
{
    TBrowserTab *active = ActiveTab();
    const QString address = active ? active->Location() : QString();
    TBrowserTab *tab = CreateForegroundTab();
    switch (m_settings.newAction) {
    case 1:
        tab->NavigateTo(address.isEmpty() ? QStringLiteral("about:blank") : address);
        break;
    case 2:
        tab->NavigateTo(HomePage());
        break;
    default:
        tab->NavigateTo(QStringLiteral("about:blank"));
        break;
    }
    m_addressBar->FocusAddressForTyping();
}

void TfrmMain::actNewBlankExecute()
{
    CreateForegroundTab()->NavigateTo(QStringLiteral("about:blank"));
    // A blank tab is opened to type an address into.
    m_addressBar->FocusAddressForTyping();
}

void TfrmMain::actNewHomeExecute()
{
    CreateForegroundTab()->NavigateTo(HomePage());
}

void TfrmMain::actNewCurrentExecute()
{
    TBrowserTab *active = ActiveTab();
    const QString address = active ? active->Location() : QString();
    TBrowserTab *tab = CreateForegroundTab();
    tab->OpenAsHome(address.isEmpty() ? QStringLiteral("about:blank") : address);
}

void TfrmMain::actNewClipboardExecute()
{
    const QString text = QGuiApplication::clipboard()->text().trimmed();
    OpenUrlByPreference(text, true);
}

void TfrmMain::ActivateTab(TBrowserTab *tab)
{
    m_tabs->ActivateTab(tab);
}
