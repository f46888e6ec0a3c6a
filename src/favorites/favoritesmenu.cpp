#include "favorites/favoritesmenu.h"

#include "browser/browsertab.h"
#include "browser/tabopener.h"
#include "favorites/bookmarkfile.h"
#include "favorites/discmon.h"
#include "favorites/favfolder.h"
#include "favorites/favoritesdialogs.h"
#include "favorites/launchlink.h"
#include "favorites/linkstree.h"
#include "navigation/commandtable.h"
#include "platform/shellfolders.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>

namespace {
const char *RoleProperty = "favRole";
const char *TargetProperty = "favTarget";
const char *PathProperty = "favPath";
const char *LoadedProperty = "favLoaded";
const char *RawPathProperty = "favRawPath";   // set while the shortcut's address is unread

void mark(QAction *action, TFavoritesMenu::TRole role, const QString &target, const QString &path = QString())
{
    action->setProperty(RoleProperty, int(role));
    action->setProperty(TargetProperty, target);
    action->setProperty(PathProperty, path);
}
}

int ItemsPerColumn(int screenHeight, int rowHeight)
{
    if (rowHeight <= 0)
        return 1;
    return qMax(1, screenHeight / rowHeight - 6);
}

TFavoritesMenu::TFavoritesMenu(TLinkLauncher *launcher, ITabOpener *opener, TCommandTable *commands,
                               QWidget *dialogParent, std::function<TBrowserTab *()> tabTarget, QObject *parent)
    : QObject(parent), m_launcher(launcher), m_opener(opener), m_commands(commands), m_dialogParent(dialogParent),
      m_tabTarget(std::move(tabTarget))
{
    setObjectName(QStringLiteral("FavoritesMenu"));
    m_ask = [this](const QString &question) {
        return QMessageBox::question(m_dialogParent, QStringLiteral("Tabvane"), question) == QMessageBox::Yes;
    };
    m_chooseFile = [this](bool save) {
        const QString home = QDir::homePath();
        return save ? QFileDialog::getSaveFileName(m_dialogParent, QStringLiteral("Export Favorites"),
                                                   home + QStringLiteral("/bookmarks.html"),
                                                   QStringLiteral("Bookmark files (*.html *.htm);;All files (*)"))
                    : QFileDialog::getOpenFileName(m_dialogParent, QStringLiteral("Import Bookmarks"), home,
                                                   QStringLiteral("Bookmark files (*.html *.htm);;All files (*)"));
    };
    registerCommands();
}

TFavoritesMenu::~TFavoritesMenu() = default;

void TFavoritesMenu::registerCommands()
{
    // The table runs every handler guarded.
    const auto guarded = [](std::function<void()> run) { return [run](bool) { run(); }; };
    TCommandRow add;
    add.name = QStringLiteral("mnuFavoritesAdd");
    add.caption = QStringLiteral("&Add to Favorites...");
    add.hint = QStringLiteral("Add Favorite|Adds this site to your Favorites");
    add.shortcut = QKeySequence(Qt::CTRL | Qt::Key_D);
    add.keys = {TKeyCommand::AddToFavorites};
    add.toolbarId = 8;
    add.handler = guarded([this] { actAddToFavoritesExecute(m_opener->ActiveTab()); });
    add.enabled = [this] { return m_opener->ActiveTab() != nullptr; };
    m_commands->Register(add);

    TCommandRow tabAdd;
    tabAdd.name = QStringLiteral("pmTabAddToFavorites");
    tabAdd.caption = QStringLiteral("A&dd to Favorites...");
    tabAdd.handler = guarded([this] { actAddToFavoritesExecute(m_tabTarget ? m_tabTarget() : nullptr); });
    m_commands->Register(tabAdd);

    TCommandRow organize;
    organize.name = QStringLiteral("mnuFavoritesOrganize");
    organize.caption = QStringLiteral("&Organize Favorites...");
    organize.keys = {TKeyCommand::OrganizeFavorites};
    organize.handler = guarded([this] { actOrganizeFavoritesExecute(); });
    m_commands->Register(organize);

    TCommandRow openAll;
    openAll.name = QStringLiteral("mnuFavoritesOpenAll");
    openAll.caption = QStringLiteral("O&pen All Favorites");
    openAll.handler = guarded([this] { LoadFavsFolder(mnuFavorites); });
    m_commands->Register(openAll);

    TCommandRow exportRow;
    exportRow.name = QStringLiteral("mnuToolsExportFavorites");
    exportRow.caption = QStringLiteral("&Export Favorites...");
    exportRow.handler = guarded([this] { miExportFavoritesClick(); });
    m_commands->Register(exportRow);

    TCommandRow importRow;
    importRow.name = QStringLiteral("mnuToolsImportBookmarks");
    importRow.caption = QStringLiteral("&Import Bookmarks...");
    importRow.handler = guarded([this] { miImportBookmarksClick(); });
    m_commands->Register(importRow);

    // Synchronizing re-fetches the pages kept for offline reading; the web engine keeps no
    // such copies, so there is nothing to bring up to date. The entry stays, disabled, and
    // says why when it is pointed at.
    TCommandRow syncRow;
    syncRow.name = QStringLiteral("mnuToolsSynchronize");
    syncRow.caption = QStringLiteral("&Synchronize Offline Favorites...");
    m_commands->RegisterUnavailable(syncRow, QStringLiteral("Not available: Tabvane keeps no offline copies of "
                                                            "favorites, so there is nothing to synchronize"));
}

void TFavoritesMenu::AttachMenu(QMenu *menu)
{
    mnuFavorites = menu;
    if (!menu)
        return;
    menu->addSeparator()->setObjectName(QStringLiteral("mnuOpenAllBreak"));
    connect(menu, &QMenu::aboutToShow, this, [this] { m_commands->Guarded([this] { mnuFavoritesClick(); }); });
}

void TFavoritesMenu::Load(const TWindowSettings &settings)
{
    m_favoritesNewWin = settings.favoritesNewWin;
    if (settings.useCustomIcons != m_useCustomIcons || settings.breakFavorites != m_breakFavorites)
        m_current = false;
    m_useCustomIcons = settings.useCustomIcons;
    m_breakFavorites = settings.breakFavorites;
}

QString TFavoritesMenu::Folder() const
{
    const QString folder = TShellFolders::Favorites();
    return QFileInfo(folder).isDir() ? folder : QString();
}

TFavoritesMenu::TRole TFavoritesMenu::Role(const QAction *action)
{
    return action ? TRole(action->property(RoleProperty).toInt()) : TRole(0);
}

QString TFavoritesMenu::Target(const QAction *action)
{
    if (!action)
        return QString();
    const QVariant raw = action->property(RawPathProperty);
    if (raw.isValid())
        return ReadLinkTarget(action->property(PathProperty).toString(), raw.toByteArray());
    return action->property(TargetProperty).toString();
}

void TFavoritesMenu::mnuFavoritesClick()
{
    if (!m_current)
        RebuildFavoritesMenu();
}

void TFavoritesMenu::ensureMonitor(const QString &folder)
{
    if (folder.isEmpty())
        return;
    if (!m_monitor) {
        m_monitor = new TDiscMonitor(this);
        m_monitor->SetFilters(TMonitorFilter::moFilename | TMonitorFilter::moDirName);
        m_monitor->SetSubTree(true);
        connect(m_monitor, &TDiscMonitor::Changed, this, &TFavoritesMenu::MarkStale);
        connect(m_monitor, &TDiscMonitor::Invalid, this, &TFavoritesMenu::MarkStale);
    }
    m_monitor->SetDirectory(folder);
    m_monitor->SetActive(true);
}

void TFavoritesMenu::clearBuilt()
{
    if (!mnuFavorites)
        return;
    const QList<QAction *> items = mnuFavorites->actions();
    for (int i = FixedItems; i < items.size(); ++i) {
        QAction *item = items.at(i);
        mnuFavorites->removeAction(item);
        if (QMenu *sub = item->menu())
            sub->deleteLater();
        item->deleteLater();
    }
}

void TFavoritesMenu::RebuildFavoritesMenu()
{
    if (!mnuFavorites)
        return;
    const QString folder = Folder();
    if (QAction *openAll = m_commands->Action(QStringLiteral("mnuFavoritesOpenAll"))) {
        openAll->setStatusTip(folder);
        mark(openAll, RoleOpenAll, folder, folder);
    }
    ensureMonitor(folder);
    clearBuilt();
    const QScreen *screen = mnuFavorites->screen();
    const int rowHeight = mnuFavorites->fontMetrics().height()
            + 2 * qMax(2, mnuFavorites->style()->pixelMetric(QStyle::PM_MenuVMargin, nullptr, mnuFavorites));
    m_itemsPerColumn = ItemsPerColumn(screen ? screen->availableGeometry().height() : 768, rowHeight);
    if (!folder.isEmpty())
        fill(mnuFavorites, folder, false);
    m_current = true;
    Q_EMIT Rebuilt();
}

void TFavoritesMenu::fill(QMenu *menu, const QString &folder, bool withOpenAll)
{
    // Shortcuts are read when their entry is pointed at or chosen, not when the menu is
    // built: a folder of thousands of them drops down at once.
    const TLinkListing listing = ListLinkFolder(folder, false);
    if (withOpenAll) {
        QAction *openAll = menu->addAction(QStringLiteral("O&pen All Favorites"));
        openAll->setStatusTip(folder);
        mark(openAll, RoleOpenAll, folder, folder);
        connect(openAll, &QAction::triggered, this, [this, menu] {
            m_commands->Guarded([this, menu] { LoadFavsFolder(menu); });
        });
        menu->addSeparator();
    }
    for (const TLinkNode &node : listing.Folders) {
        auto *sub = new QMenu(menu);
        sub->setTitle(EscapeAmpersands(ShortenCaption(node.Caption)));
        sub->setIcon(TShellIcons::FolderIcon());
        sub->setProperty(PathProperty, node.Path);
        // The placeholder gives the entry its submenu arrow until the folder is read.
        QAction *placeholder = sub->addAction(QStringLiteral("Place holder"));
        mark(placeholder, RolePlaceholder, QString());
        connect(sub, &QMenu::aboutToShow, this, [this, sub] { m_commands->Guarded([this, sub] { LoadMe(sub); }); });
        QAction *entry = menu->addMenu(sub);
        entry->setStatusTip(node.Path);
        mark(entry, RoleFolder, node.Path, node.Path);
    }
    for (const TLinkNode &node : listing.Files) {
        QAction *entry = menu->addAction(EscapeAmpersands(ShortenCaption(node.Caption)));
        entry->setIcon(m_useCustomIcons ? TShellIcons::FileIcon(node.Path) : TShellIcons::LinkIcon());
        entry->setStatusTip(node.Target);
        mark(entry, RoleFile, node.Target, node.Path);
        if (node.TargetPending) {
            entry->setProperty(RawPathProperty, node.RawPath);
            connect(entry, &QAction::hovered, this, [entry, menu] {
                if (!entry->property(RawPathProperty).isValid())
                    return;
                const QString target = Target(entry);
                entry->setProperty(RawPathProperty, QVariant());
                entry->setProperty(TargetProperty, target);
                entry->setStatusTip(target);
                entry->showStatusText(menu);
            });
        }
        const QString path = node.Path;
        connect(entry, &QAction::triggered, this, [this, entry, path] {
            m_commands->Guarded([this, entry, path] { FavoriteMenuClick(Target(entry), path); });
        });
    }
}

void TFavoritesMenu::LoadMe(QMenu *submenu)
{
    if (!submenu || submenu->property(LoadedProperty).toBool())
        return;
    submenu->setProperty(LoadedProperty, true);
    fill(submenu, submenu->property(PathProperty).toString(), true);
    const QList<QAction *> items = submenu->actions();
    QAction *placeholder = items.value(0);
    if (items.size() == 3) {
        // Only Open All, its separator and the placeholder: the folder is empty.
        submenu->removeAction(placeholder);
        submenu->addAction(placeholder);
        placeholder->setText(QStringLiteral("(Empty)"));
        placeholder->setEnabled(false);
    } else {
        submenu->removeAction(placeholder);
        placeholder->deleteLater();
    }
}

void TFavoritesMenu::FavoriteMenuClick(const QString &target, const QString &path)
{
    if (target.isEmpty())
        return;
    if (target != path) {   // a shortcut's address
        m_opener->OpenUrlByPreference(target, m_favoritesNewWin);
        return;
    }
    if (TShellOpen::IsProgramFile(path)) {
        const QString question = QStringLiteral("\"%1\" is a program or a script. Tabvane does not run programs; "
                                                "show it in its folder instead?").arg(QFileInfo(path).fileName());
        if (m_ask(question))
            TShellOpen::OpenPath(path);
        return;
    }
    m_opener->OpenUrlByPreference(QUrl::fromLocalFile(path).toString(), m_favoritesNewWin);
}

void TFavoritesMenu::LoadFavsFolder(QMenu *menu)
{
    if (!menu)
        return;
    if (menu == mnuFavorites)
        mnuFavoritesClick();
    const QList<QAction *> items = menu->actions();
    QStringList targets;
    for (int i = 2; i < items.size(); ++i) {
        const QAction *item = items.at(i);
        // Open All (the Favorites folder itself) is skipped; a separator counts as a step.
        targets.append(Role(item) == RolePlaceholder ? QString() : Target(item));
    }
    m_launcher->OpenAll(targets);
}

void TFavoritesMenu::say(const QString &message, bool problem)
{
    Q_EMIT Reported(message);
    if (!m_dialogParent || !m_dialogParent->isVisible())
        return;
    if (problem)
        QMessageBox::warning(m_dialogParent, QStringLiteral("Tabvane"), message);
    else
        QMessageBox::information(m_dialogParent, QStringLiteral("Tabvane"), message);
}

void TFavoritesMenu::actAddToFavoritesExecute(TBrowserTab *tab)
{
    const QString folder = Folder();
    if (!tab || folder.isEmpty())
        return;
    const QString url = tab->Location();
    if (url.isEmpty())
        return;
    TfrmAddFavorite dialog(folder, tab->Title(), url, m_dialogParent);
    if (dialog.exec() == QDialog::Accepted)
        m_current = false;   // the monitor says so too, a moment later
}

void TFavoritesMenu::actOrganizeFavoritesExecute()
{
    QString folder = Folder();
    if (folder.isEmpty()) {
        folder = TShellFolders::Favorites();
        if (folder.isEmpty() || !QDir().mkpath(folder)) {
            say(QStringLiteral("There is no Favorites folder to organize."), true);
            return;
        }
    }
    TfrmOrganizeFavorites dialog(folder, m_dialogParent);
    dialog.exec();
    m_current = false;
}

void TFavoritesMenu::miExportFavoritesClick()
{
    const QString folder = Folder();
    if (folder.isEmpty()) {
        say(QStringLiteral("There is no Favorites folder to export."), true);
        return;
    }
    const QString file = m_chooseFile(true);
    if (file.isEmpty())
        return;
    const TBookmarkNode root = TFavoritesFolder::ExportTree(folder);
    QString error;
    if (!TBookmarkFile::Save(file, root, &error)) {
        say(QStringLiteral("The favorites could not be exported to \"%1\": %2").arg(file, error), true);
        return;
    }
    int links = 0;
    const std::function<void(const TBookmarkNode &)> count = [&](const TBookmarkNode &node) {
        for (const TBookmarkNode &child : node.children)
            child.isFolder() ? count(child) : void(++links);
    };
    count(root);
    say(QStringLiteral("%1 favorites were exported to \"%2\".").arg(links).arg(file), false);
}

void TFavoritesMenu::miImportBookmarksClick()
{
    const QString favorites = Folder();
    if (favorites.isEmpty()) {
        say(QStringLiteral("There is no Favorites folder to import into."), true);
        return;
    }
    const QString file = m_chooseFile(false);
    if (file.isEmpty())
        return;
    const TBookmarkReadResult read = TBookmarkFile::Read(file);
    if (!read.ok) {
        say(QStringLiteral("\"%1\" could not be imported: %2").arg(QFileInfo(file).fileName(), read.error), true);
        return;
    }
    QString into = favorites;
    if (m_dialogParent && m_dialogParent->isVisible()) {
        TfrmChooseFavoritesFolder chooser(favorites, QStringLiteral("Import Bookmarks"),
                                          QStringLiteral("Import the bookmarks into:"), m_dialogParent);
        if (chooser.exec() != QDialog::Accepted)
            return;
        into = chooser.SelectedFolder();
    }
    const TFavoritesFolder::TImportResult result = TFavoritesFolder::Import(read.root, into);
    m_current = false;
    QString message = QStringLiteral("%1 favorites in %2 folders were imported.").arg(result.shortcuts).arg(result.folders);
    if (result.failed > 0)
        message += QStringLiteral("\n%1 could not be written: %2").arg(result.failed).arg(result.error);
    say(message, result.failed > 0);
}
