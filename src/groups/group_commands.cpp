// TfrmMain: opening a VessaGroup into tabs.

#include "app/main_window.h"

#include "browser/browsertab.h"
#include "groups/groupmenu.h"
#include "groups/vessagroup.h"
#include "groups/vessagroupform.h"


#include <QLoggingCategory>
#include <QMenu>
#include <QPointer>

Q_DECLARE_LOGGING_CATEGORY(lcHandOver)

void TfrmMain::OpenGroup(const QString &path, bool closeOthersFirst)
{
    OpenGroup(path, closeOthersFirst, false);
}

void TfrmMain::OpenGroup(const QString &path, bool closeOthersFirst, bool firstLoad)
{
    qCInfo(lcHandOver, "open group %s%s", qPrintable(path), closeOthersFirst ? " (closing other tabs)" : "");
    // New tabs follow each other at the end of the strip in file order.
    const bool placement = m_placementAtEnd;
    m_placementAtEnd = true;
    const QList<TGroupTabPlan> plans = ReadGroupTabPlans(path);
    if (plans.isEmpty()) {
        m_placementAtEnd = placement;
        return;
    }
    const auto apply = [](TBrowserTab *tab, const TGroupTabPlan &plan) {
        if (!plan.StickyName.isEmpty())
            tab->SetStickyName(plan.StickyName);
        if (plan.LockAfterLoad)
            tab->LockAfterLoad = true;
        tab->NavigateTo(plan.Address);
    };
    int next = 0;
    if (closeOthersFirst) {
        CloseAll(true);
        if (TBrowserTab *tab = ActiveTab()) {
            apply(tab, plans.first());
            next = 1;
        }
    }
    m_groupLoading = true;
    for (int i = next; i < plans.size(); ++i) {
        TBrowserTab *tab = m_openNewInForeground ? CreateForegroundTab() : CreateBackgroundTab();
        if (!tab)
            continue;
        if (firstLoad)
            tab->FirstLoad = true;
        apply(tab, plans.at(i));
    }
    m_groupLoading = false;
    m_placementAtEnd = placement;
}

void TfrmMain::BuildGroupMenu()
{
    EnsureGroupFolder();
    auto *menu = findChild<QMenu *>(QStringLiteral("mnuVessaGroups"));
    if (!menu)
        return;
    QList<QAction *> head = menu->actions();
    m_groupMenu = new TGroupMenu(menu, this);
    m_groupMenu->SetFixedHead(head);
    connect(m_groupMenu, &TGroupMenu::groupChosen, this,
            [this](const QString &path) { OpenGroup(path, m_vgCloseFirst, false); });
    const auto bind = [this, menu](const char *name, void (TfrmMain::*slot)()) {
        if (auto *action = menu->findChild<QAction *>(QLatin1String(name))) {
            action->setEnabled(true);
            connect(action, &QAction::triggered, this, slot);
        }
    };
    bind("pmAddToVessaGroup", &TfrmMain::pmAddToVessaGroupClick);
    bind("pmTandemGroupSaveAs2", &TfrmMain::actSaveAsVessaGroupExecute);
    bind("pmTandemGroupsOrganize2", &TfrmMain::pmTandemGroupsOrganize2Click);
    if (auto *tabAdd = pmTab->findChild<QAction *>(QStringLiteral("pmTabAddToVessaGroup"))) {
        tabAdd->setEnabled(true);
        connect(tabAdd, &QAction::triggered, this, &TfrmMain::pmTabAddToVessaGroupClick);
    }
}

void TfrmMain::actSaveAsVessaGroupExecute()
{
    CloseHiddenTabs();
    TVessaGroup group(this, QString());
    for (TBrowserTab *tab : Tabs()) {
        if (tab->TabVisible())
            group.AddSite(tab->StickyName, tab->Location(), tab->Locked);
    }
    group.Save();
    m_groupMenu->MarkDirty();
}

void TfrmMain::AddTabToGroup(TBrowserTab *tab)
{
    const QPointer<TBrowserTab> guard(tab);
    const QString path = ChooseGroupFile(this, QStringLiteral("Add to VessaGroup"));
    if (!path.isEmpty() && guard && !guard->IsClosing()) {
        TVessaGroup group(this, path);
        group.AddSite(guard->StickyName, guard->Location(), guard->Locked);
        group.Save();
    }
    m_groupMenu->MarkDirty();
}

void TfrmMain::pmAddToVessaGroupClick()
{
    if (TBrowserTab *tab = ActiveTab())
        AddTabToGroup(tab);
}

void TfrmMain::pmTabAddToVessaGroupClick()
{
    if (TBrowserTab *tab = TabTarget())
        AddTabToGroup(tab);
}

void TfrmMain::pmTandemGroupsOrganize2Click()
{
    const QString path = ChooseGroupFile(this, QStringLiteral("Organize VessaGroup"));
    if (!path.isEmpty()) {
        TfrmVessaGroup editor(this, path);
        editor.setFont(font());
        editor.exec();
    }
    m_groupMenu->MarkDirty();
}
