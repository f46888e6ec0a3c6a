// TfrmMain: creating, placing, switching and closing browser tabs; the New commands, Close
// All and its variants, the Tabs menu, the tab context menu and drops on the strip.

#include "app/main_window.h"

#include "app/confirm.h"
#include "browser/browsertab.h"
#include "browser/closeall.h"
#include "browser/kwpagecontrol.h"
#include "browser/vessabrowser.h"
#include "components/coolbar.h"
#include "components/logoanimation.h"
#include "components/statuspanels.h"
#include "navigation/kwcombobox.h"
#include "navigation/menubar.h"
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
#include <QProgressBar>
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

TBrowserTab *TfrmMain::CreateTab(bool hidden, bool background)
{
    TBrowserTab *previous = ActiveTab();
    const int insertAt = (m_placementAtEnd || !previous) ? -1 : pcPage->IndexOfPage(previous) + 1;

    QSignalBlocker blockChanges(pcPage);   // the tab change runs once, below
    auto *tab = new TBrowserTab(this, hidden, pcPage);
    if (insertAt >= 0 && insertAt < pcPage->PageCount())
        pcPage->MovePage(tab, insertAt);
    if ((background || hidden) && previous && !m_settings.openNewInForeground)
        pcPage->SetActivePage(previous);
    blockChanges.unblock();
    // A tab opened behind the active one leaves the active tab's status and focus alone
    // (it may be loading, or the user may be typing).
    if (ActiveTab() != previous)
        pcPageChange();
    return tab;
}

TBrowserTab *TfrmMain::CreateForegroundTab()
{
    return CreateTab(false, false);
}

TBrowserTab *TfrmMain::CreateBackgroundTab()
{
    return CreateTab(false, true);
}

TBrowserTab *TfrmMain::CreateHiddenTab()
{
    return CreateTab(true, true);
}

TBrowserTab *TfrmMain::ActiveTab() const
{
    return pcPage ? qobject_cast<TBrowserTab *>(pcPage->ActivePage()) : nullptr;
}

int TfrmMain::TabCount() const
{
    return pcPage ? pcPage->PageCount() : 0;
}

TBrowserTab *TfrmMain::TabAt(int pageIndex) const
{
    return pcPage ? qobject_cast<TBrowserTab *>(pcPage->Page(pageIndex)) : nullptr;
}

QList<TBrowserTab *> TfrmMain::Tabs() const
{
    QList<TBrowserTab *> tabs;
    for (int i = 0; i < TabCount(); ++i) {
        if (TBrowserTab *tab = TabAt(i))
            tabs.append(tab);
    }
    return tabs;
}

void TfrmMain::ResetTab(TBrowserTab *tab, bool clearTabHome)
{
    // The lock goes first: a locked tab would send its own about:blank to a new tab.
    tab->SetLocked(false);
    tab->SetHideFromCloseAll(false);
    if (clearTabHome)
        tab->HomeURL.clear();
    tab->SetStickyName(QString());
    tab->NavigateBlank();
    tab->SetCaption(QStringLiteral("Blank"));
}

bool TfrmMain::IsOnlyVisibleTab(const TBrowserTab *tab) const
{
    if (!tab->TabVisible())
        return false;
    for (int i = 0; i < TabCount(); ++i) {
        const TBrowserTab *other = TabAt(i);
        if (other && other != tab && other->TabVisible() && !other->IsClosing())
            return false;
    }
    return true;
}

void TfrmMain::CloseTab(TBrowserTab *tab)
{
    if (!tab || tab->IsClosing() || pcPage->IndexOfPage(tab) < 0)
        return;
    // The last tab on the strip is reset, not closed, also while a hidden tab waits for
    // the popup filter: the strip never ends up without a tab the user can see.
    if (IsOnlyVisibleTab(tab)) {
        ResetTab(tab, true);
        return;
    }
    if (tab == ActiveTab()) {
        // The next visible tab to the left becomes active, to the right for the first,
        // wrapping around the strip.
        const int index = pcPage->IndexOfPage(tab);
        const int count = TabCount();
        TBrowserTab *next = nullptr;
        const int step = (index == 0) ? 1 : -1;
        for (int i = 1; i < count && !next; ++i) {
            TBrowserTab *candidate = TabAt(((index + step * i) % count + count) % count);
            if (candidate && candidate->TabVisible())
                next = candidate;
        }
        if (next) {
            QSignalBlocker block(pcPage);
            pcPage->SetActivePage(next);
        }
        tab->CloseTab();
        pcPageChange();
        return;
    }
    tab->CloseTab();
}

void TfrmMain::actCloseExecute()
{
    if (m_groupLoading)
        return;
    CloseTab(ActiveTab());
}

void TfrmMain::CloseHiddenTabs()
{
    const QList<TBrowserTab *> tabs = Tabs();
    for (int i = tabs.size() - 1; i >= 0; --i) {
        TBrowserTab *tab = tabs.at(i);
        if (!tab->TabVisible() && !tab->IsClosing())
            CloseTab(tab);
    }
}

void TfrmMain::hiddenTabTimerFired()
{
    tmrHiddenTabs->stop();
    CloseHiddenTabs();
}

void TfrmMain::StartHiddenTabTimer()
{
    // A running sweep timer is not restarted: a page that keeps opening windows would
    // otherwise hold the sweep off for as long as it goes on, and its hidden tabs would
    // pile up.
    if (!tmrHiddenTabs->isActive())
        tmrHiddenTabs->start();
}

void TfrmMain::CloseAll(bool silent)
{
    if (!silent && m_options.ConfirmCloseAll()) {
        const TConfirmResult answer = Confirm(this, QStringLiteral("Close All"),
                                              QStringLiteral("You are about to close all open tabs."),
                                              QStringLiteral("Do you want to proceed?"),
                                              QStringLiteral("Yes"), QStringLiteral("No"),
                                              QStringLiteral("Don't ask me again"), false);
        if (answer.checked)
            m_options.SetConfirmCloseAll(false);
        if (!answer.ok)
            return;
    }
    if (m_groupLoading)
        return;
    CloseHiddenTabs();

    TBrowserTab *keep = nullptr;
    for (TBrowserTab *tab : Tabs()) {
        if (tab->HideFromCloseAll) {
            keep = tab;
            break;
        }
    }
    if (keep) {
        ActivateTab(keep);
    } else if (TBrowserTab *first = TabAt(0)) {
        // Close All clears lock, sticky name and page; the tab home stays.
        ActivateTab(first);
        ResetTab(first, false);
    }
    for (int i = TabCount() - 1; i >= 0; --i) {
        TBrowserTab *tab = TabAt(i);
        if (tab && !tab->HideFromCloseAll && TabCount() > 1)
            CloseTab(tab);
    }
}

void TfrmMain::CloseAllKeepCurrent()
{
    TBrowserTab *current = ActiveTab();
    if (!current)
        return;
    const bool mark = current->HideFromCloseAll;
    current->HideFromCloseAll = true;
    CloseAll(false);
    current->HideFromCloseAll = mark;
    ActivateTab(current);
}

void TfrmMain::CloseAllShowList()
{
    QStringList lines;
    const QList<TBrowserTab *> tabs = Tabs();
    for (TBrowserTab *tab : tabs)
        lines.append(tab->StickyName.isEmpty() ? QString(tab->Caption()).replace(QStringLiteral("&&"), QStringLiteral("&"))
                                               : tab->StickyName);
    QList<int> order;
    if (!TfrmCloseAll::Execute(this, lines, &order))
        return;
    for (int index : order) {
        if (index >= 0 && index < tabs.size() && Tabs().contains(tabs.at(index)))
            CloseTab(tabs.at(index));
    }
}

void TfrmMain::OpenUrlByPreference(const QString &url, bool newTabPreference)
{
    if (url.isEmpty())
        return;
    const bool shift = QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier;
    TBrowserTab *active = ActiveTab();
    if (newTabPreference != shift) {
        TBrowserTab *tab = nullptr;
        if (active && active->Location() == QLatin1String("about:blank") && !active->Loading)
            tab = active;
        else
            tab = CreateForegroundTab();
        if (tab)
            tab->OpenAsHome(url);
    } else if (active) {
        active->NavigateTo(url);
    }
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
    pcPage->SelectNextPage(forward);
}

void TfrmMain::ActivateTab(TBrowserTab *tab)
{
    if (!tab || pcPage->IndexOfPage(tab) < 0)
        return;
    if (pcPage->ActivePage() == tab) {
        pcPageChange();
        return;
    }
    pcPage->SetActivePage(tab);   // emits Changed, which runs the tab change
}

void TfrmMain::pcPageChange()
{
    TBrowserTab *tab = ActiveTab();
    if (!tab || tab->IsClosing())
        return;
    if (!tab->Loading)
        tab->SetViewed(true);
    UpdateSecureAndAnimation();
    UpdateBackForward();
    ResyncAddress();
    sbStatus->SetPanelText(3, QString());
    sbStatus->SetPanelText(0, QString());
    pbProgress->hide();
    pbProgress->setValue(0);
    if (m_windowIsActive)
        tab->FocusPage();
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
    QAction *close = pmTab->findChild<QAction *>(QStringLiteral("pmTabClose"));
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
        RefreshTab(target);
}

void TfrmMain::pmTabHomeClick()
{
    if (TBrowserTab *target = TabTarget())
        target->GoTabHome();
}

void TfrmMain::pmTabCloseClick()
{
    if (m_groupLoading)
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

// ---- TTabHost: the status bar side of a tab's events

void TfrmMain::ShowStatusText(const QString &text)
{
    sbStatus->SetPanelText(0, text);
}

void TfrmMain::ShowProgress(int progress, int progressMax)
{
    if (progress == progressMax) {
        pbProgress->setValue(0);
        return;
    }
    pbProgress->setVisible(progressMax > 0);
    if (progressMax <= 0 || progress <= 0) {
        sbStatus->SetPanelText(3, QString());
        return;
    }
    const int percent = qMin(100, int(qint64(pbProgress->maximum()) * progress / progressMax));
    sbStatus->SetPanelText(3, QString::number(percent) + QLatin1Char('%'));
    pbProgress->setValue(percent);
}

void TfrmMain::ShowProgressBar()
{
    pbProgress->show();
}

void TfrmMain::HideProgressBar()
{
    pbProgress->hide();
    sbStatus->SetPanelText(3, QString());
}

void TfrmMain::UpdateSecureAndAnimation()
{
    TBrowserTab *tab = ActiveTab();
    imgSecure->setVisible(tab && tab->Secure);
    imgLogo->SetActive(tab && tab->Loading);
    if (actStop)
        actStop->setEnabled(tab && tab->Loading);
}

void TfrmMain::UpdateBackForward()
{
    TBrowserTab *tab = ActiveTab();
    if (actBack)
        actBack->setEnabled(tab && tab->CanGoBack);
    if (actForward)
        actForward->setEnabled(tab && tab->CanGoForward);
}
