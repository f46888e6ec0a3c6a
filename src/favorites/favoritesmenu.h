#pragma once
// TFavoritesMenu: the Favorites subsystem of a window. It fills mnuFavorites from the
// Favorites folder below its fixed items ("&Add to Favorites...", "&Organize Favorites...",
// "O&pen All Favorites" and a separator): subfolders first, then files, each sorted by
// caption without regard to case, names beginning with "." left out, long names shortened
// and "&" shown as it is. A subfolder's submenu is filled when it first opens, with
// "O&pen All Favorites", a separator and the folder's entries (a disabled "(Empty)" for an
// empty folder). Each entry's hint (the address, or the file's path) goes to the status bar.
//
// The menu is rebuilt on the drop-down after something marked it stale: a change the
// directory monitor reports anywhere below the folder, or a change of "UseCustomIcons" or
// "BreakFavorites". A very long folder wraps into columns at the screen's height where the
// style lays menus out in columns, and scrolls where the style scrolls menus.
//
// A shortcut opens its address like a link, in a tab of its own when "FavoritesNewWin"
// differs from the Shift key. Another file opens by navigating a tab to it; a program
// (an executable, a script, a desktop entry) is never started: a click on one asks, then
// shows it in its folder, and "Open All" skips it.
//
// The subsystem registers the rows of Add to Favorites (Ctrl+D, the toolbar's Add Favorite
// and the tab menu's entry), Organize Favorites, Open All, Export Favorites and Import
// Bookmarks; Synchronize Offline Favorites has nothing to synchronize with here and is hidden.

#include "app/settingspart.h"
#include "app/windowsettings.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class ITabOpener;
class QAction;
class QWidget;
class TBrowserTab;
class TCommandTable;
class TDiscMonitor;
class TLinkLauncher;

// The rows of one menu column: the screen's height over a menu row's height, less six,
// and at least 1 (a screen of fewer than seven rows still lists one entry per column).
int ItemsPerColumn(int screenHeight, int rowHeight);

class TFavoritesMenu : public QObject, public ISettingsPart {
    Q_OBJECT
public:
    enum TRole { RoleFolder = 1, RoleFile, RoleOpenAll, RolePlaceholder };
    static constexpr int FixedItems = 4;   // Add, Organize, Open All, the separator

    // tabTarget: the tab the tab menu was opened for (nullptr when none).
    TFavoritesMenu(TLinkLauncher *launcher, ITabOpener *opener, TCommandTable *commands, QWidget *dialogParent,
                   std::function<TBrowserTab *()> tabTarget, QObject *parent = nullptr);
    ~TFavoritesMenu() override;

    // Takes over mnuFavorites (the fixed rows already placed in it) and adds the separator.
    void AttachMenu(QMenu *menu);
    QMenu *Menu() const { return mnuFavorites; }

    // "FavoritesNewWin", "UseCustomIcons" and "BreakFavorites"; a change of the last two
    // marks the menu stale.
    void Load(const TWindowSettings &settings) override;

    bool Current() const { return m_current; }
    void MarkStale() { m_current = false; }
    QString Folder() const;                     // the Favorites folder; "" when none
    TDiscMonitor *Monitor() const { return m_monitor; }
    int ItemsPerColumnNow() const { return m_itemsPerColumn; }

    // The menu's drop-down: rebuilds when stale.
    void mnuFavoritesClick();
    void RebuildFavoritesMenu();
    // Fills a folder entry's submenu when it first opens.
    void LoadMe(QMenu *submenu);
    // A file entry's click: its target by the open rule above.
    void FavoriteMenuClick(const QString &target, const QString &path);
    // "O&pen All Favorites" of the menu that holds it.
    void LoadFavsFolder(QMenu *menu);

    static TRole Role(const QAction *action);
    static QString Target(const QAction *action);   // the hint: address or path

    // The commands.
    void actAddToFavoritesExecute(TBrowserTab *tab);
    void actOrganizeFavoritesExecute();
    void miExportFavoritesClick();
    void miImportBookmarksClick();

    // Tests: how a click on a program is asked about (default: a message box), and how
    // export and import choose their file (default: the file dialog).
    void SetAsker(std::function<bool(const QString &question)> ask) { m_ask = std::move(ask); }
    void SetFileChooser(std::function<QString(bool save)> choose) { m_chooseFile = std::move(choose); }

Q_SIGNALS:
    void Rebuilt();
    // A one-line outcome for the user (an import's count); shown by the window's dialogs here.
    void Reported(const QString &message);

private:
    void registerCommands();
    void ensureMonitor(const QString &folder);
    void fill(QMenu *menu, const QString &folder, bool withOpenAll);
    void clearBuilt();
    void say(const QString &message, bool problem);

    TLinkLauncher *m_launcher;
    ITabOpener *m_opener;
    TCommandTable *m_commands;
    QPointer<QWidget> m_dialogParent;
    std::function<TBrowserTab *()> m_tabTarget;
    std::function<bool(const QString &)> m_ask;
    std::function<QString(bool)> m_chooseFile;
    QPointer<QMenu> mnuFavorites;
    TDiscMonitor *m_monitor = nullptr;
    bool m_current = false;
    bool m_favoritesNewWin = true;
    bool m_useCustomIcons = true;
    bool m_breakFavorites = false;
    int m_itemsPerColumn = 1;
};
