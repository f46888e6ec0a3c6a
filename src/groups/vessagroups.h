#pragma once
// TVessaGroups: the VessaGroups subsystem of a window. Opening a group into tabs, saving the
// open tabs as a group, adding one tab to a group, the group editor, the "&VessaGroups"
// menu with its folder tree, and the group a start-up opens once the window is up. It opens
// and finds pages only through the tab opener, registers its own rows in the command table
// and shows its dialogs over the window it is given.

#include "app/settingspart.h"

#include <QObject>
#include <QString>

#include <functional>

class ITabOpener;
class QMenu;
class QWidget;
class TBrowserTab;
class TCommandTable;
class TGroupMenu;

class TVessaGroups : public QObject, public ISettingsPart {
    Q_OBJECT
public:
    // tabTarget: the tab the tab menu was opened for (nullptr when none). The rows
    // "pmAddToVessaGroup", "pmTandemGroupSaveAs2", "pmTandemGroupsOrganize2" and
    // "pmTabAddToVessaGroup" are registered in commands here.
    TVessaGroups(ITabOpener *opener, TCommandTable *commands, QWidget *dialogParent,
                 std::function<TBrowserTab *()> tabTarget, QObject *parent = nullptr);

    // Takes over mnuVessaGroups: what it holds now stays as its fixed head, the group
    // folder (created when missing) follows as a menu tree. A chosen group opens with
    // CloseFirst().
    void AttachMenu(QMenu *menu);
    TGroupMenu *GroupMenu() const { return m_groupMenu; }
    void MarkGroupMenuDirty();

    // Opens the group's tabs at the end of the strip in file order. closeOthersFirst runs
    // Close All first and the blanked tab it keeps takes the first entry; firstLoad marks
    // the new tabs as opened by the start-up. A missing or empty group changes nothing.
    void OpenGroup(const QString &path, bool closeOthersFirst, bool firstLoad = false);
    void AddTabToGroup(TBrowserTab *tab);   // asks for the group file

    // The commands.
    void actSaveAsVessaGroupExecute();
    void pmAddToVessaGroupClick();          // the active tab
    void pmTabAddToVessaGroupClick();       // the tab menu's tab
    void pmTandemGroupsOrganize2Click();
    // The group editor for one group file; the groups menu is rebuilt afterwards.
    void OrganizeGroup(const QString &path);

    // Settings the window reads at creation and writes back at shutdown.
    bool CloseFirst() const { return m_closeFirst; }              // VGCloseFirst
    void SetCloseFirst(bool on) { m_closeFirst = on; }
    QString StartupGroup() const { return m_startupGroup; }       // StartupVessaGroup
    void SetStartupGroup(const QString &path) { m_startupGroup = path; }
    void Load(const TWindowSettings &settings) override;   // VGCloseFirst, the start-up group
    void Save(TWindowSettings &settings) const override;

    // The start-up group waits until the window is up: QueueStartupGroup marks it,
    // OpenPendingStartupGroup opens it once (closing the other tabs first).
    void QueueStartupGroup() { m_pendingStartupGroup = m_startupGroup; }
    void OpenPendingStartupGroup();

private:
    void registerCommands();

    ITabOpener *m_opener;
    TCommandTable *m_commands;
    QWidget *m_dialogParent;
    std::function<TBrowserTab *()> m_tabTarget;
    TGroupMenu *m_groupMenu = nullptr;
    bool m_closeFirst = false;
    QString m_startupGroup;
    QString m_pendingStartupGroup;
};
