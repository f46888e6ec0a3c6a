// TfrmMain: VessaGroups. Opening a group into tabs, saving the open tabs as a group, adding
// one tab to a group, the group editor and the "&VessaGroups" menu.

#include "app/main_window.h"

#include "browser/browsertab.h"
#include "groups/groupmenu.h"
#include "groups/vessagroup.h"
#include "groups/vessagroupform.h"

#include <QLoggingCategory>
#include <QMenu>
#include <QPointer>

Q_DECLARE_LOGGING_CATEGORY(lcHandOver)

namespace {

// Restores a flag when the scope ends, also when a failure leaves it early.
class TFlagRestorer {
public:
    TFlagRestorer(bool &flag, bool value) : m_flag(flag), m_saved(flag) { m_flag = value; }
    ~TFlagRestorer() { m_flag = m_saved; }
    TFlagRestorer(const TFlagRestorer &) = delete;
    TFlagRestorer &operator=(const TFlagRestorer &) = delete;

private:
    bool &m_flag;
    bool m_saved;
};

void openPlanInTab(TBrowserTab *tab, const TGroupTabPlan &plan)
{
    if (!plan.StickyName.isEmpty())
        tab->SetStickyName(plan.StickyName);
    // Opened unlocked: a locked tab would send its own first page to a new tab.
    if (plan.LockAfterLoad)
        tab->LockAfterLoad = true;
    tab->NavigateTo(plan.Address);
}

}

void TfrmMain::OpenGroup(const QString &path, bool closeOthersFirst)
{
    OpenGroup(path, closeOthersFirst, false);
}

void TfrmMain::OpenGroup(const QString &path, bool closeOthersFirst, bool firstLoad)
{
    qCInfo(lcHandOver, "open group %s%s", qPrintable(path), closeOthersFirst ? " (closing other tabs)" : "");
    const QList<TGroupTabPlan> plans = ReadGroupTabPlans(path);
    // A missing, empty or unreadable group opens nothing and closes nothing.
    if (plans.isEmpty())
        return;
    // The new tabs follow each other at the end of the strip in file order.
    const TFlagRestorer atEnd(m_placementAtEnd, true);

    int next = 0;
    if (closeOthersFirst) {
        CloseAll(true);
        // The tab Close All kept and blanked takes the first entry. A tab kept because it
        // is hidden from Close All keeps its page: the first entry opens in a new tab.
        TBrowserTab *kept = ActiveTab();
        if (kept && !kept->HideFromCloseAll && !kept->IsClosing()) {
            openPlanInTab(kept, plans.first());
            next = 1;
        }
    }

    const TFlagRestorer loading(m_groupLoading, true);
    for (int i = next; i < plans.size(); ++i) {
        TBrowserTab *tab = m_settings.openNewInForeground ? CreateForegroundTab() : CreateBackgroundTab();
        if (!tab)
            continue;
        if (firstLoad)
            tab->FirstLoad = true;
        openPlanInTab(tab, plans.at(i));
    }
}

void TfrmMain::BuildGroupMenu()
{
    // The group folder belongs beside the program; a first start creates it.
    EnsureGroupFolder();
    auto *menu = findChild<QMenu *>(QStringLiteral("mnuVessaGroups"));
    if (!menu)
        return;
    const QList<QAction *> head = menu->actions();
    m_groupMenu = new TGroupMenu(menu, this);
    m_groupMenu->SetFixedHead(head);
    connect(m_groupMenu, &TGroupMenu::groupChosen, this,
            [this](const QString &path) { OpenGroup(path, m_settings.vgCloseFirst, false); });
    const auto bind = [this](QMenu *owner, const char *name, void (TfrmMain::*slot)()) {
        if (auto *action = owner->findChild<QAction *>(QLatin1String(name))) {
            action->setEnabled(true);
            connect(action, &QAction::triggered, this, slot);
        }
    };
    bind(menu, "pmAddToVessaGroup", &TfrmMain::pmAddToVessaGroupClick);
    bind(menu, "pmTandemGroupSaveAs2", &TfrmMain::actSaveAsVessaGroupExecute);
    bind(menu, "pmTandemGroupsOrganize2", &TfrmMain::pmTandemGroupsOrganize2Click);
    if (pmTab)
        bind(pmTab, "pmTabAddToVessaGroup", &TfrmMain::pmTabAddToVessaGroupClick);
}

void TfrmMain::MarkGroupMenuDirty()
{
    if (m_groupMenu)
        m_groupMenu->MarkDirty();
}

void TfrmMain::actSaveAsVessaGroupExecute()
{
    CloseHiddenTabs();
    TVessaGroup group(this, QString());
    for (TBrowserTab *tab : Tabs()) {
        if (tab->TabVisible() && !tab->IsClosing())
            group.AddSite(tab->StickyName, tab->Location(), tab->Locked);
    }
    // Dirty also when cancelled: the dialog may have changed the folder.
    MarkGroupMenuDirty();
    group.Save();
}

void TfrmMain::AddTabToGroup(TBrowserTab *tab)
{
    if (!tab)
        return;
    // The dialog runs its own event loop, in which the tab may close.
    const QPointer<TBrowserTab> guard(tab);
    const QString path = ChooseGroupFile(this, QStringLiteral("Add to VessaGroup"));
    MarkGroupMenuDirty();
    if (path.isEmpty() || !guard || guard->IsClosing())
        return;
    TVessaGroup group(this, path);
    group.AddSite(guard->StickyName, guard->Location(), guard->Locked);
    group.Save();
}

void TfrmMain::pmAddToVessaGroupClick()
{
    AddTabToGroup(ActiveTab());
}

void TfrmMain::pmTabAddToVessaGroupClick()
{
    AddTabToGroup(TabTarget());
}

void TfrmMain::pmTandemGroupsOrganize2Click()
{
    const QString path = ChooseGroupFile(this, QStringLiteral("Organize VessaGroup"));
    if (!path.isEmpty()) {
        TfrmVessaGroup editor(this, path);
        editor.setFont(font());
        editor.exec();
    }
    MarkGroupMenuDirty();
}
