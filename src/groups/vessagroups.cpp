// TVessaGroups: opening a group into tabs, saving the open tabs as a group, adding one tab
// to a group, the group editor and the "&VessaGroups" menu.

#include "groups/vessagroups.h"

#include "app/windowsettings.h"
#include "browser/browsertab.h"
#include "browser/tabopener.h"
#include "groups/groupmenu.h"
#include "groups/vessagroup.h"
#include "groups/vessagroupform.h"
#include "navigation/commandtable.h"

#include <QLoggingCategory>
#include <QMenu>
#include <QPointer>
#include <QWidget>

Q_DECLARE_LOGGING_CATEGORY(lcHandOver)

namespace {

// Sets one of the opener's flags for a scope and restores it when the scope ends, also
// when a failure leaves it early.
class TFlagRestorer {
public:
    using Getter = bool (ITabOpener::*)() const;
    using Setter = void (ITabOpener::*)(bool);
    TFlagRestorer(ITabOpener *opener, Getter get, Setter set, bool value)
        : m_opener(opener), m_set(set), m_saved((opener->*get)())
    {
        (m_opener->*m_set)(value);
    }
    ~TFlagRestorer() { (m_opener->*m_set)(m_saved); }
    TFlagRestorer(const TFlagRestorer &) = delete;
    TFlagRestorer &operator=(const TFlagRestorer &) = delete;

private:
    ITabOpener *m_opener;
    Setter m_set;
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

TVessaGroups::TVessaGroups(ITabOpener *opener, TCommandTable *commands, QWidget *dialogParent,
                           std::function<TBrowserTab *()> tabTarget, QObject *parent)
    : QObject(parent), m_opener(opener), m_commands(commands), m_dialogParent(dialogParent),
      m_tabTarget(std::move(tabTarget))
{
    setObjectName(QStringLiteral("VessaGroups"));
    registerCommands();
}

void TVessaGroups::OpenGroup(const QString &path, bool closeOthersFirst, bool firstLoad)
{
    qCInfo(lcHandOver, "open group %s%s", qPrintable(path), closeOthersFirst ? " (closing other tabs)" : "");
    const QList<TGroupTabPlan> plans = ReadGroupTabPlans(path);
    // A missing, empty or unreadable group opens nothing and closes nothing.
    if (plans.isEmpty())
        return;
    // The new tabs follow each other at the end of the strip in file order.
    ITabOpener *opener = m_opener;
    const TFlagRestorer atEnd(opener, &ITabOpener::PlacementAtEnd, &ITabOpener::SetPlacementAtEnd, true);

    int next = 0;
    if (closeOthersFirst) {
        opener->CloseAll(true);
        // The tab Close All kept and blanked takes the first entry. A tab kept because it
        // is hidden from Close All keeps its page: the first entry opens in a new tab.
        TBrowserTab *kept = opener->ActiveTab();
        if (kept && !kept->HideFromCloseAll && !kept->IsClosing()) {
            openPlanInTab(kept, plans.first());
            next = 1;
        }
    }

    const TFlagRestorer loading(opener, &ITabOpener::GroupLoading, &ITabOpener::SetGroupLoading, true);
    for (int i = next; i < plans.size(); ++i) {
        TBrowserTab *tab = opener->OpenNewInForeground() ? opener->CreateForegroundTab()
                                                         : opener->CreateBackgroundTab();
        if (!tab)
            continue;
        if (firstLoad)
            tab->FirstLoad = true;
        openPlanInTab(tab, plans.at(i));
    }
}

void TVessaGroups::OpenPendingStartupGroup()
{
    if (m_pendingStartupGroup.isEmpty())
        return;
    const QString path = m_pendingStartupGroup;
    m_pendingStartupGroup.clear();
    OpenGroup(path, true, false);
}

void TVessaGroups::registerCommands()
{
    const auto row = [this](const char *name, const char *caption, const char *hint, void (TVessaGroups::*slot)()) {
        TCommandRow r;
        r.name = QLatin1String(name);
        r.caption = QLatin1String(caption);
        r.hint = QLatin1String(hint);
        r.handler = [this, slot](bool) { (this->*slot)(); };
        return r;
    };
    TCommandRow add = row("pmAddToVessaGroup", "&Add to VessaGroup...", "Add to VessaGroup|Adds this tab to a VessaGroup",
                          &TVessaGroups::pmAddToVessaGroupClick);
    add.shortcut = QKeySequence(Qt::Key_F6);
    add.keys = {TKeyCommand::AddToVessaGroup};
    m_commands->Register(add);
    TCommandRow saveAs = row("pmTandemGroupSaveAs2", "&Save as VessaGroup...", "Save as VessaGroup",
                             &TVessaGroups::actSaveAsVessaGroupExecute);
    saveAs.shortcut = QKeySequence(Qt::Key_F7);
    saveAs.keys = {TKeyCommand::SaveAsVessaGroup};
    m_commands->Register(saveAs);
    m_commands->Register(row("pmTandemGroupsOrganize2", "&Organize VessaGroup...", "Organize|Organizes your VessaGroups",
                             &TVessaGroups::pmTandemGroupsOrganize2Click));
    m_commands->Register(row("pmTabAddToVessaGroup", "Add to Ve&ssaGroup...", "", &TVessaGroups::pmTabAddToVessaGroupClick));
}

void TVessaGroups::AttachMenu(QMenu *menu)
{
    // The group folder belongs beside the program; a first start creates it.
    EnsureGroupFolder();
    if (!menu || m_groupMenu)
        return;
    const QList<QAction *> head = menu->actions();
    m_groupMenu = new TGroupMenu(menu, this);
    m_groupMenu->SetFixedHead(head);
    connect(m_groupMenu, &TGroupMenu::groupChosen, this, [this](const QString &path) {
        m_commands->Guarded([&] { OpenGroup(path, m_closeFirst, false); });
    });
}

void TVessaGroups::MarkGroupMenuDirty()
{
    if (m_groupMenu)
        m_groupMenu->MarkDirty();
}

void TVessaGroups::actSaveAsVessaGroupExecute()
{
    m_opener->CloseHiddenTabs();
    TVessaGroup group(m_dialogParent, QString());
    for (TBrowserTab *tab : m_opener->Tabs()) {
        if (tab->TabVisible() && !tab->IsClosing())
            group.AddSite(tab->StickyName, tab->Location(), tab->Locked);
    }
    // Dirty also when cancelled: the dialog may have changed the folder.
    MarkGroupMenuDirty();
    group.Save();
}

void TVessaGroups::AddTabToGroup(TBrowserTab *tab)
{
    if (!tab)
        return;
    // The dialog runs its own event loop, in which the tab may close.
    const QPointer<TBrowserTab> guard(tab);
    const QString path = ChooseGroupFile(m_dialogParent, QStringLiteral("Add to VessaGroup"));
    MarkGroupMenuDirty();
    if (path.isEmpty() || !guard || guard->IsClosing())
        return;
    TVessaGroup group(m_dialogParent, path);
    group.AddSite(guard->StickyName, guard->Location(), guard->Locked);
    group.Save();
}

void TVessaGroups::pmAddToVessaGroupClick()
{
    AddTabToGroup(m_opener->ActiveTab());
}

void TVessaGroups::pmTabAddToVessaGroupClick()
{
    AddTabToGroup(m_tabTarget ? m_tabTarget() : nullptr);
}

void TVessaGroups::pmTandemGroupsOrganize2Click()
{
    const QString path = ChooseGroupFile(m_dialogParent, QStringLiteral("Organize VessaGroup"));
    if (!path.isEmpty())
        OrganizeGroup(path);
    else
        MarkGroupMenuDirty();
}

void TVessaGroups::OrganizeGroup(const QString &path)
{
    TfrmVessaGroup editor(m_dialogParent, path);
    if (m_dialogParent)
        editor.setFont(m_dialogParent->font());
    editor.exec();
    MarkGroupMenuDirty();
}

void TVessaGroups::Load(const TWindowSettings &settings)
{
    m_closeFirst = settings.vgCloseFirst;
    m_startupGroup = settings.startupVessaGroup;
}

void TVessaGroups::Save(TWindowSettings &settings) const
{
    settings.vgCloseFirst = m_closeFirst;
}
