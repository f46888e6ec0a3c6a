#pragma once
// TLinksBar: the links bar of the "Links" band. One flat button per entry of the Links
// folder (the Favorites folder's "LinksFolderName" subfolder, "Links" by default): link
// buttons open their target through the link launcher (LaunchLink with "LinksNewWin"),
// folder buttons drop down a menu of the folder's whole sub-tree. Every menu level starts
// with "O&pen All Favorites" and a separator, then folders, then files, extensions
// stripped; the Links menu ends with a separator and "&Customize...". When the buttons do
// not fit, the chevron (tbxLinks) at the right edge drops down the whole Links menu.
//
// Captions show "&" literally; the fixed entries are told apart by their role
// (LinkRole()), never by their caption, so a link named "-" is a link like any other.
//
// The folder is read on a worker thread, so a large folder never freezes the window; the
// menus are filled when first shown. The bar rebuilds when its directory monitor reports
// a change anywhere below the folder (a burst gives one rebuild), and when
// "UseCustomIcons" changes. A missing folder (or one that disappears) gives an empty bar
// and no monitor on it; the bar comes back when the folder does, and "Organize Links..."
// (registered in the command table) creates it.

#include "app/settingspart.h"
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <initializer_list>
#include <memory>
#include <thread>

class QAction;
class QMenu;
class QToolButton;
class QWidget;
class TCommandTable;
class TDiscMonitor;
class TLinkLauncher;
class TWindowSettings;
struct TLinkListing;
struct TLinkNode;

class TLinksBar : public QObject, public ISettingsPart {
    Q_OBJECT
public:
    enum TRole { RoleLink = 1, RoleFolder, RoleOpenAll, RoleSeparator, RoleCustomize };

    // panel: pnlLinks, which the bar fills (pnlLinksMain with the buttons, and the
    // extender pnlLinksExtender with the chevron). Registers "pmCustomizeOrganizeLinks".
    // The folder is read at once (the result arrives with Rebuilt()).
    TLinksBar(QWidget *panel, TLinkLauncher *launcher, TCommandTable *commands, QObject *parent = nullptr);
    ~TLinksBar() override;

    // "LinksNewWin" and "UseCustomIcons"; a change of the latter rebuilds the bar.
    void Load(const TWindowSettings &settings) override;
    void SetUseCustomIcons(bool on);
    bool UseCustomIcons() const { return m_useCustomIcons; }

    QString LinksFolder() const { return m_folder; }   // "" without a Favorites folder
    TDiscMonitor *Monitor() const { return m_monitor; }

    // Reads the folder again (on the worker) and rebuilds buttons and menus; Rebuilt()
    // follows. A call while a read runs reads once more afterwards.
    void RebuildLinks();

    QList<QToolButton *> Buttons() const;   // in bar order
    QToolButton *Chevron() const { return m_chevron; }
    bool ChevronShown() const;
    // The Links menu (the chevron's), filled; its submenus fill when shown or by FillMenu.
    QMenu *LinksMenu() const { return m_rootMenu; }
    void FillMenu(QMenu *menu);
    static TRole LinkRole(const QAction *action);
    static QString LinkTarget(const QAction *action);

    // "&Organize Links..." and "&Customize...": the folder in the desktop's file manager.
    void pmCustomizeOrganizeLinksClick();
    // Link activation: a button's or a menu entry's target through LaunchLink.
    void LinkClick(const QString &target);

Q_SIGNALS:
    void Rebuilt();
    // Something the user should hear about once (the watch limit was reached).
    void Problem(const QString &message);

private:
    void setUpFolder();
    void folderGone();
    void scanFinished(std::shared_ptr<const TLinkListing> tree);
    void apply(const std::shared_ptr<const TLinkListing> &tree);
    void clearBar();
    QMenu *folderMenu(const TLinkNode *node, QWidget *parent);
    void addEntries(QMenu *menu, const QString &folder, std::initializer_list<const QList<TLinkNode> *> parts);
    void watchHide(QMenu *menu);
    void layoutButtons();
    bool menuShowing() const;

    QWidget *m_panel;
    QWidget *m_main;
    QWidget *m_extender;
    QToolButton *m_chevron;
    QMenu *m_rootMenu;
    TLinkLauncher *m_launcher;
    TCommandTable *m_commands;
    TDiscMonitor *m_monitor = nullptr;
    TDiscMonitor *m_parentMonitor = nullptr;   // while the folder is missing
    QString m_folder;
    bool m_linksNewWin = true;
    bool m_useCustomIcons = true;
    bool m_appliedIcons = true;     // the icons the shown buttons were made with

    std::shared_ptr<const TLinkListing> m_tree;
    std::shared_ptr<const TLinkListing> m_deferred;   // read while a menu was open
    QList<QPointer<QToolButton>> m_buttons;
    int m_entriesWithoutButton = 0;   // entries past the widest possible bar
    int m_openMenus = 0;

    std::thread m_scan;
    std::atomic<bool> m_cancel{false};
    bool m_scanning = false;
    bool m_scanAgain = false;
};
