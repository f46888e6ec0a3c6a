// TTabManager: creating, placing, switching and closing browser tabs, Close All and its
// variants, the hidden-tab sweep and opening a page by the new-tab preference.

#include "browser/tabmanager.h"

#include "app/windowsettings.h"
#include "browser/browsertab.h"
#include "browser/closeall.h"
#include "browser/kwpagecontrol.h"
#include "components/tabcolors.h"

#include <QGuiApplication>
#include <QTimer>

TTabManager::TTabManager(const TTabParts &parts, QWidget *stripParent, QObject *parent)
    : QObject(parent), m_parts(parts)
{
    m_parts.factory = this;
    m_pages = new TKWPageControl(stripParent);
    m_pages->setObjectName(QStringLiteral("pcPage"));
    m_pages->SetImages(TBrowserTab::LampImages());
    connect(m_pages, &TKWPageControl::Changed, this, &TTabManager::TabChange);

    m_hiddenTabTimer = new QTimer(this);
    m_hiddenTabTimer->setObjectName(QStringLiteral("tmrHiddenTabs"));
    m_hiddenTabTimer->setSingleShot(true);
    m_hiddenTabTimer->setInterval(2000);
    connect(m_hiddenTabTimer, &QTimer::timeout, this, [this] {
        m_hiddenTabTimer->stop();
        CloseHiddenTabs();
    });
}

TBrowserTab *TTabManager::createTab(bool hidden, bool background)
{
    TBrowserTab *previous = ActiveTab();
    const int insertAt = (m_placementAtEnd || !previous) ? -1 : m_pages->IndexOfPage(previous) + 1;

    QSignalBlocker blockChanges(m_pages);   // the tab change runs once, below
    // A tab opened behind the active one is never made active, not even for a moment.
    const bool behind = (background || hidden) && previous && !m_openNewInForeground;
    m_pages->BeginUpdate();   // one layout of the strip for the new tab, not one per step
    auto *tab = new TBrowserTab(m_parts, hidden, m_pages, !behind);
    if (insertAt >= 0 && insertAt < m_pages->PageCount())
        m_pages->MovePage(tab, insertAt);
    if (behind)
        m_pages->SetActivePage(previous);
    m_pages->EndUpdate();
    blockChanges.unblock();
    // A tab opened behind the active one leaves the active tab's status and focus alone
    // (it may be loading, or the user may be typing).
    if (ActiveTab() != previous)
        TabChange();
    return tab;
}

void TTabManager::SetGroupLoading(bool on)
{
    if (on == m_groupLoading)
        return;
    m_groupLoading = on;
    // A group's tabs are laid out on the strip once, when the last of them is there.
    if (on)
        m_pages->BeginUpdate();
    else
        m_pages->EndUpdate();
}

TBrowserTab *TTabManager::CreateForegroundTab()
{
    return createTab(false, false);
}

TBrowserTab *TTabManager::CreateBackgroundTab()
{
    return createTab(false, true);
}

TBrowserTab *TTabManager::CreateHiddenTab()
{
    return createTab(true, true);
}

TBrowserTab *TTabManager::CreateHiddenForegroundTab()
{
    const bool foreground = m_openNewInForeground;
    m_openNewInForeground = true;
    TBrowserTab *tab = createTab(true, true);
    m_openNewInForeground = foreground;
    return tab;
}

TBrowserTab *TTabManager::ActiveTab() const
{
    return qobject_cast<TBrowserTab *>(m_pages->ActivePage());
}

int TTabManager::TabCount() const
{
    return m_pages->PageCount();
}

TBrowserTab *TTabManager::TabAt(int pageIndex) const
{
    return qobject_cast<TBrowserTab *>(m_pages->Page(pageIndex));
}

QList<TBrowserTab *> TTabManager::Tabs() const
{
    QList<TBrowserTab *> tabs;
    for (int i = 0; i < TabCount(); ++i) {
        if (TBrowserTab *tab = TabAt(i))
            tabs.append(tab);
    }
    return tabs;
}

void TTabManager::resetTab(TBrowserTab *tab, bool clearTabHome)
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

bool TTabManager::isOnlyVisibleTab(const TBrowserTab *tab) const
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

void TTabManager::CloseTab(TBrowserTab *tab)
{
    if (!tab || tab->IsClosing() || m_pages->IndexOfPage(tab) < 0)
        return;
    // The last tab on the strip is reset, not closed, also while a hidden tab waits for
    // the popup filter: the strip never ends up without a tab the user can see.
    if (isOnlyVisibleTab(tab)) {
        resetTab(tab, true);
        return;
    }
    if (tab == ActiveTab()) {
        // The next visible tab to the left becomes active, to the right for the first,
        // wrapping around the strip.
        const int index = m_pages->IndexOfPage(tab);
        const int count = TabCount();
        TBrowserTab *next = nullptr;
        const int step = (index == 0) ? 1 : -1;
        for (int i = 1; i < count && !next; ++i) {
            TBrowserTab *candidate = TabAt(((index + step * i) % count + count) % count);
            if (candidate && candidate->TabVisible())
                next = candidate;
        }
        if (next) {
            QSignalBlocker block(m_pages);
            m_pages->SetActivePage(next);
        }
        tab->CloseTab();
        TabChange();
        return;
    }
    tab->CloseTab();
}

void TTabManager::CloseHiddenTabs()
{
    const QList<TBrowserTab *> tabs = Tabs();
    for (int i = tabs.size() - 1; i >= 0; --i) {
        TBrowserTab *tab = tabs.at(i);
        if (!tab->TabVisible() && !tab->IsClosing())
            CloseTab(tab);
    }
}

void TTabManager::StartHiddenTabTimer()
{
    // A running sweep timer is not restarted: a page that keeps opening windows would
    // otherwise hold the sweep off for as long as it goes on, and its hidden tabs would
    // pile up.
    if (!m_hiddenTabTimer->isActive())
        m_hiddenTabTimer->start();
}

void TTabManager::CloseAll(bool silent)
{
    if (!silent && m_askCloseAll && !m_askCloseAll())
        return;
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
        resetTab(first, false);
    }
    for (int i = TabCount() - 1; i >= 0; --i) {
        TBrowserTab *tab = TabAt(i);
        if (tab && !tab->HideFromCloseAll && TabCount() > 1)
            CloseTab(tab);
    }
}

void TTabManager::CloseAllKeepCurrent()
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

void TTabManager::CloseAllShowList()
{
    QStringList lines;
    const QList<TBrowserTab *> tabs = Tabs();
    for (TBrowserTab *tab : tabs)
        lines.append(tab->StickyName.isEmpty() ? QString(tab->Caption()).replace(QStringLiteral("&&"), QStringLiteral("&"))
                                               : tab->StickyName);
    QList<int> order;
    if (!TfrmCloseAll::Execute(m_pages->window(), lines, &order))
        return;
    for (int index : order) {
        if (index >= 0 && index < tabs.size() && Tabs().contains(tabs.at(index)))
            CloseTab(tabs.at(index));
    }
}

TBrowserTab *TTabManager::IdleBlankTab() const
{
    TBrowserTab *active = ActiveTab();
    if (active && active->Location() == QLatin1String("about:blank") && !active->Loading)
        return active;
    return nullptr;
}

void TTabManager::OpenUrlByPreference(const QString &url, bool newTabPreference)
{
    if (url.isEmpty())
        return;
    const bool shift = QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier;
    if (newTabPreference != shift) {
        TBrowserTab *tab = IdleBlankTab();
        if (!tab)
            tab = CreateForegroundTab();
        if (tab)
            tab->OpenAsHome(url);
    } else if (TBrowserTab *active = ActiveTab()) {
        active->NavigateTo(url);
    }
}

void TTabManager::SelectNextTab(bool forward)
{
    m_pages->SelectNextPage(forward);
}

void TTabManager::ActivateTab(TBrowserTab *tab)
{
    if (!tab || m_pages->IndexOfPage(tab) < 0)
        return;
    if (m_pages->ActivePage() == tab) {
        TabChange();
        return;
    }
    m_pages->SetActivePage(tab);   // emits Changed, which runs the tab change
}

void TTabManager::TabChange()
{
    TBrowserTab *tab = ActiveTab();
    if (!tab || tab->IsClosing())
        return;
    if (!tab->Loading)
        tab->SetViewed(true);
    emit ActiveTabChanged(tab);
    if (m_parts.policy && m_parts.policy->WindowIsActive())
        tab->FocusPage();
}

void TTabManager::Load(const TWindowSettings &settings)
{
    SetPlacementAtEnd(settings.openNewAtEnd);
    m_openNewInForeground = settings.openNewInForeground;
    m_pages->SetMultiLine(settings.multipleLines);
    if (m_pages->MultiLine())
        m_pages->SetAllowTabShifting(false);

    // The colours of the inactive tabs: the standard scheme, the reversed one, or the
    // stored colours.
    TTabColors::For(settings.tabColorScheme, settings.inactiveTabColor, settings.inactiveFontColor).ApplyTo(m_pages);
    m_pages->SetTabPosition(settings.tabsDown ? TKWPageControl::TabPosition::Bottom : TKWPageControl::TabPosition::Top);
}

void TTabManager::Save(TWindowSettings &settings) const
{
    settings.openNewInForeground = m_openNewInForeground;
}

QStringList TTabManager::CloseForExit()
{
    QStringList sites;
    const QList<TBrowserTab *> tabs = Tabs();
    // The tabs go one by one; the strip's tab changes on the way are of no interest.
    QSignalBlocker quiet(m_pages);
    for (int i = tabs.size() - 1; i >= 0; --i) {
        TBrowserTab *tab = tabs.at(i);
        const QString url = tab->Location();
        if (!url.isEmpty())
            sites.append(QStringLiteral("url%1=%2").arg(i + 1).arg(url));
        tab->CloseTab();
    }
    return sites;
}
