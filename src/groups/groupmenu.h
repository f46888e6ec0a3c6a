#pragma once
// The "&VessaGroups" menu: a fixed head supplied by the main window, then the group folder
// as a menu tree. Each level lists its subfolders first, then its ".vgp" groups, each part
// sorted by caption without regard to case. Folder submenus are filled on first show; the
// whole tree is rebuilt when the menu opens after something marked it dirty.

#include <QAction>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QMenu;

struct TGroupFolderEntry {
    QString Name;      // the file or folder name
    QString Caption;   // menu caption: folder name, or file name less ".vgp"; "&" doubled
    QString Path;      // full path; a folder's ends in "/"
};

struct TGroupFolderListing {
    QList<TGroupFolderEntry> Folders;
    QList<TGroupFolderEntry> Groups;
};

// Lists one level of a group folder: folders not beginning with ".", then files matching
// "*.vgp" that are not hidden; both sorted by caption, case-insensitive, in locale order.
// A missing or unreadable folder lists nothing.
TGroupFolderListing ListGroupFolder(const QString &folder);

// A menu item bound to the file system: a folder item (FolderPath set, with a submenu
// filled on first show) or a group item (its ".vgp" path kept in its hint, the status tip).
class TTandemGroupMenuItem : public QAction {
    Q_OBJECT
public:
    TTandemGroupMenuItem(const QString &caption, QObject *parent);
    ~TTandemGroupMenuItem() override;

    QString FolderPath;
    bool Loaded = false;

    QString GroupPath() const { return statusTip(); }
    QMenu *SubMenu() const;
    void SetSubMenu(QMenu *menu);   // owned by the item

private:
    QPointer<QMenu> m_subMenu;
};

class TGroupMenu : public QObject {
    Q_OBJECT
public:
    // `menu` is mnuVessaGroups; the menu is rebuilt each time it is about to show while dirty.
    explicit TGroupMenu(QMenu *menu, QObject *parent = nullptr);

    QMenu *Menu() const { return m_menu; }
    // The fixed head ("&Add to VessaGroup...", "S&ave as VessaGroup...", "&Organize
    // VessaGroup...", a separator); replaces the menu's contents, marks the menu dirty.
    void SetFixedHead(const QList<QAction *> &head);
    QString Folder() const { return m_folder; }
    void SetFolder(const QString &folder);   // the group folder unless set

    bool IsDirty() const { return m_dirty; }
    void MarkDirty() { m_dirty = true; }

    void mnuVessaGroupsClick();   // rebuilds when dirty
    void Rebuild();               // frees everything after the head and fills from the folder
    void Fill(const QString &folder, QMenu *parent);
    void LoadMe(TTandemGroupMenuItem *item);

signals:
    void groupChosen(const QString &path);

private:
    QMenu *m_menu;
    QList<QPointer<QAction>> m_head;
    QString m_folder;
    bool m_dirty = true;
};
