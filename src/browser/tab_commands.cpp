// TfrmMain: the tab operations it forwards to the tab manager; the New commands, the Tabs
// menu, the tab context menu and drops on the strip.

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
#include "platform/inifile.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTimer>

namespace {
// Whether the text names an existing Internet shortcut file; *address is then its URL
// ("" when the file has none).
bool readShortcut(const QString &path, QString *address)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.suffix().compare(QLatin1String("url"), Qt::CaseInsensitive) != 0)
        return false;
    *address = TIniFile(path).ReadString(QStringLiteral("InternetShortcut"), QStringLiteral("URL"), QString()).trimmed();
    return true;
}
}

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
    if (GroupLoading())
        return;
    CloseTab(ActiveTab());
}

void TfrmMain::CloseHiddenTabs()
{
    m_tabs->CloseHiddenTabs();
}

void TfrmMain::StartHiddenTabTimer()
{
    m_tabs->StartHiddenTabTimer();
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

void TfrmMain::CloseAllKeepCurrent()
{
    m_tabs->CloseAllKeepCurrent();
}

void TfrmMain::CloseAllShowList()
{
    m_tabs->CloseAllShowList();
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
    FocusAddressForTyping();
}

void TfrmMain::actNewBlankExecute()
{
    CreateForegroundTab()->NavigateTo(QStringLiteral("about:blank"));
    // A blank tab is opened to type an address into.
    FocusAddressForTyping();
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

void TfrmMain::SelectNextTab(bool forward)
{
    m_tabs->SelectNextTab(forward);
}

void TfrmMain::ActivateTab(TBrowserTab *tab)
{
    m_tabs->ActivateTab(tab);
}

void TfrmMain::pcPageChange()
{
    m_tabs->TabChange();
}

TBrowserTab *TfrmMain::TabTarget() const
{
    if (m_tabTargetIndex < 0)
        return nullptr;
    return TabAt(pcPage->TabToPageIndex(m_tabTargetIndex));
}

void TfrmMain::RebuildTabsMenu()
{
    mnuTabs->clear();
    CloseHiddenTabs();
    const QList<TBrowserTab *> tabs = Tabs();
    const QList<QPixmap> lamps = TBrowserTab::LampImages();
    for (int i = 0; i < tabs.size(); ++i) {
        TBrowserTab *tab = tabs.at(i);
        QAction *item = mnuTabs->addAction(TabsMenuCaption(i + 1, tab->StickyName, tab->Hint()));
        item->setStatusTip(tab->Location());
        if (tab->ImageIndex() >= 0 && tab->ImageIndex() < lamps.size())
            item->setIcon(QIcon(lamps.at(tab->ImageIndex())));
        const QPointer<TBrowserTab> target(tab);
        connect(item, &QAction::triggered, this, [this, target] {
            if (target && !target->IsClosing())
                ActivateTab(target);
        });
    }
}

void TfrmMain::BuildTabMenu()
{
    // Rebuilds pmTab's order: with the tabs on top, Close, Close All, Hide from Close All
    // and a separator come first.
    if (!pmTab)
        return;
    const QList<QAction *> actions = pmTab->actions();
    QAction *close = m_commands->Action(QStringLiteral("pmTabClose"));
    QMenu *closeAllMenu = pmTab->findChild<QMenu *>(QStringLiteral("pmTabCloseAll"));
    QAction *closeAll = closeAllMenu ? closeAllMenu->menuAction() : nullptr;
    QAction *hide = pmTabHideFromCloseAll;
    if (!close || !closeAll || !hide)
        return;
    // The separator that stands above the three items moves with them.
    QAction *separator = nullptr;
    int first = int(actions.size());
    for (QAction *a : {close, closeAll, hide})
        first = qMin(first, int(actions.indexOf(a)));
    if (first > 0 && first < actions.size() && actions.at(first - 1)->isSeparator())
        separator = actions.at(first - 1);
    if (!separator) {
        separator = new QAction(pmTab);
        separator->setSeparator(true);
    }
    QList<QAction *> order = {close, closeAll, hide, separator};
    for (QAction *a : actions) {
        if (!order.contains(a))
            order.append(a);
    }
    for (QAction *a : actions)
        pmTab->removeAction(a);
    pmTab->addActions(order);
}

void TfrmMain::pmTabPopup()
{
    // Without a target the menu shows as it is; its commands find no tab and do nothing.
    TBrowserTab *target = TabTarget();
    if (!target)
        return;
    pmTabStickyName->setText(target->StickyName.isEmpty() ? QStringLiteral("Set Sticky Name")
                                                          : QStringLiteral("Clear Sticky Name"));
    pmTabHideFromCloseAll->setChecked(target->HideFromCloseAll);
    pmTabHome->setEnabled(!target->HomeURL.isEmpty());
    pmTabLocked->setChecked(target->Locked);
}

void TfrmMain::pmTabLockedClick()
{
    if (TBrowserTab *target = TabTarget())
        target->SetLocked(pmTabLocked->isChecked());
}

void TfrmMain::pmTabStickyNameClick()
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
    const QString name = QInputDialog::getText(this, QStringLiteral("Set Sticky Name"),
                                               QStringLiteral("Enter a StickyName for the selected tab:"),
                                               QLineEdit::Normal, QString(), &ok);
    if (ok && !name.isEmpty() && guard && !guard->IsClosing())
        guard->SetStickyName(name);
}

void TfrmMain::pmTabHideFromCloseAllClick()
{
    if (TBrowserTab *target = TabTarget())
        target->SetHideFromCloseAll(pmTabHideFromCloseAll->isChecked());
}

void TfrmMain::pmTabStopClick()
{
    if (TBrowserTab *target = TabTarget())
        target->StopLoading();
}

void TfrmMain::pmTabRefreshClick()
{
    if (TBrowserTab *target = TabTarget())
        m_pageCommands->RefreshTab(target);
}

void TfrmMain::pmTabHomeClick()
{
    if (TBrowserTab *target = TabTarget())
        target->GoTabHome();
}

void TfrmMain::pmTabCloseClick()
{
    if (GroupLoading())
        return;
    if (TBrowserTab *target = TabTarget())
        CloseTab(target);
}

void TfrmMain::OnTextDropped(int tabIndex, const QString &textOrPath)
{
    QString text = textOrPath.trimmed();
    QString shortcut;
    if (readShortcut(text, &shortcut))
        text = shortcut;   // a shortcut without an address opens nothing
    if (text.isEmpty() || tabIndex < 0)
        return;
    TBrowserTab *tab = TabAt(pcPage->TabToPageIndex(tabIndex));
    if (!tab)
        return;
    if (tab == ActiveTab()) {
        if (TBrowserTab *fresh = CreateBackgroundTab())
            fresh->OpenAsHome(text);
    } else {
        tab->NavigateTo(text);
    }
}

// ---- The status bar, forwarded to the status area; ITabAddress

void TfrmMain::ShowStatusText(const QString &text)
{
    m_statusArea->ShowStatusText(text);
}

void TfrmMain::ShowProgress(int progress, int progressMax)
{
    m_statusArea->ShowProgress(progress, progressMax);
}

void TfrmMain::ShowProgressBar()
{
    m_statusArea->ShowProgressBar();
}

void TfrmMain::HideProgressBar()
{
    m_statusArea->HideProgressBar();
}

void TfrmMain::UpdateSecureAndAnimation()
{
    m_statusArea->UpdateSecureAndAnimation();   // Stop follows through ActiveTabLoading
}
