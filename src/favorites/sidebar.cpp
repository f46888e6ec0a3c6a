#include "favorites/sidebar.h"

#include "browser/kwpagecontrol.h"
#include "components/shelltree.h"
#include "components/tabcolors.h"
#include "favorites/favfindpanel.h"
#include "favorites/launchlink.h"
#include "favorites/urlshortcut.h"
#include "navigation/commandrows.h"
#include "options/toolbarband.h"
#include "options/toolbarcolor.h"

#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace CommandRows;

QString RenamedGroupEntry(const QString &oldName, bool isFile, const QString &typed)
{
    if (typed.isEmpty())
        return QString();
    if (isFile && oldName.endsWith(QLatin1String(".vgp")))
        return typed + QLatin1String(".vgp");
    return typed;
}

// One page of the bar: its widgets are made on the first Prepare, not with the bar.
class TSideBarPage : public TKWTabSheet {
public:
    using TKWTabSheet::TKWTabSheet;
    bool Prepared() const { return m_prepared; }
    void EnsurePrepared()
    {
        if (m_prepared)
            return;
        m_prepared = true;
        prepare();
    }
    TShellTree *Tree() const { return m_tree; }
    QToolBar *Bar() const { return m_bar; }

protected:
    virtual void prepare() = 0;
    // The page's toolbar above a tree rooted at folder.
    QToolBar *buildTreePage(const QString &folder, bool autoCollapse)
    {
        auto *box = new QVBoxLayout(this);
        box->setContentsMargins(0, 0, 0, 0);
        box->setSpacing(0);
        auto *bar = new QToolBar(this);
        bar->setIconSize(QSize(16, 16));
        bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
        box->addWidget(bar);
        m_bar = bar;
        m_tree = new TShellTree(this);
        m_tree->SetAutoCollapse(autoCollapse);
        m_tree->SetRoot(folder);
        box->addWidget(m_tree, 1);
        return bar;
    }
    static QAction *addButton(QToolBar *bar, const QString &name, const QString &caption, const QString &hint,
                              const std::function<void()> &run)
    {
        QAction *action = bar->addAction(caption);
        action->setObjectName(name);
        action->setToolTip(hint.section(QLatin1Char('|'), 0, 0));
        action->setStatusTip(hint.section(QLatin1Char('|'), -1));
        QObject::connect(action, &QAction::triggered, bar, [run] { run(); });
        return action;
    }

    TShellTree *m_tree = nullptr;
    QToolBar *m_bar = nullptr;

private:
    bool m_prepared = false;
};

namespace {

// The Favorites page: the tree of the Favorites folder. A shortcut opens its address by
// "FavoritesNewWin" and Shift; another file is opened by the desktop.
class TFavoritesPage : public TSideBarPage {
public:
    TFavoritesPage(TCommandTable *commands, TLinkLauncher *launcher, std::function<QString()> folder,
                   const bool *newWin, const bool *autoCollapse)
        : m_commands(commands), m_launcher(launcher), m_folder(std::move(folder)), m_newWin(newWin),
          m_autoCollapse(autoCollapse)
    {
        setObjectName(QStringLiteral("tsFavorites"));
        SetCaption(QStringLiteral("Favorites"));
        SetHint(QStringLiteral("Favorites|Displays your Favorites"));
    }

protected:
    void prepare() override
    {
        QToolBar *bar = buildTreePage(m_folder ? m_folder() : QString(), *m_autoCollapse);
        m_tree->setObjectName(QStringLiteral("shFavorites"));
        // F2 renames in place (the window's key filter lets F2 through to this tree).
        m_tree->SetRenameEnabled(true);
        QObject::connect(m_tree, &TShellTree::RenameFailed, this, [this](const QString &message) {
            // Not modal for the whole program: the rename's editor has just closed.
            auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Favorites"), message, QMessageBox::Ok,
                                        window());
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->open();
        });
        // Add and Organize are the Favorites subsystem's commands; the page only runs them.
        const auto runCommand = [this](const char *name) {
            if (QAction *action = m_commands->Action(QLatin1String(name)))
                m_commands->Trigger(action);
        };
        QAction *add = addButton(bar, QStringLiteral("tbAddToFavorites"), QStringLiteral("Add..."),
                  QStringLiteral("Add Favorite|Adds this site to your Favorites"),
                  [runCommand] { runCommand("mnuFavoritesAdd"); });
        QAction *organize = addButton(bar, QStringLiteral("tbOrganizeFavorites"), QStringLiteral("Organize..."),
                  QStringLiteral("Organize Favorites|Organizes your Favorites folder"),
                  [runCommand] { runCommand("mnuFavoritesOrganize"); });
        QAction *find = addFindPanel(bar);
        QAction *refresh = addButton(bar, QStringLiteral("tbFavoritesRefresh"), QStringLiteral("Refresh"),
                  QStringLiteral("Refresh|Refreshes your Favorites"), [this] {
                      // The folder may have been made or moved since the page was prepared.
                      m_tree->SetRoot(m_folder ? m_folder() : QString());
                      m_tree->Refresh();
                  });
        QObject::connect(m_tree, &TShellTree::EntryActivated, this, [this](const QString &path) { open(path); });
        // The pictures of the toolbar's own buttons; the captions would not fit the bar.
        bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
        for (const auto &[action, id] : {std::make_pair(add, 8), std::make_pair(organize, 9), std::make_pair(find, 17),
                                         std::make_pair(refresh, 5)})
            action->setIcon(CatalogueButtonIcon(id));
    }

private:
    // tbFindFavorite: down shows the find panel in place of the tree, up brings the tree back.
    QAction *addFindPanel(QToolBar *bar)
    {
        m_find = new TFavoritesFindPanel(m_launcher, m_folder, m_newWin, this);
        m_find->hide();
        static_cast<QBoxLayout *>(layout())->addWidget(m_find, 1);
        QAction *find = bar->addAction(QStringLiteral("Find"));
        find->setObjectName(QStringLiteral("tbFindFavorite"));
        find->setCheckable(true);
        find->setToolTip(QStringLiteral("Search in Favorites"));
        find->setStatusTip(QStringLiteral("Searches your Favorites"));
        QObject::connect(find, &QAction::toggled, this, [this](bool down) {
            m_tree->setVisible(!down);
            m_find->setVisible(down);
            if (down)
                m_find->Edit()->setFocus();
        });
        return find;
    }

    void open(const QString &path)
    {
        if (IsUrlShortcut(path)) {
            const QString url = ReadShortcutUrl(path);
            if (!url.isEmpty())
                m_launcher->LaunchLink(url, *m_newWin);
            return;
        }
        m_launcher->LaunchLink(path, *m_newWin);
    }

    TCommandTable *m_commands;
    TLinkLauncher *m_launcher;
    std::function<QString()> m_folder;
    const bool *m_newWin;
    const bool *m_autoCollapse;
    TFavoritesFindPanel *m_find = nullptr;
};

// The VessaGroups page: the tree of the group folder. A click on a group opens it; the
// toolbar makes folders and refreshes; the node's context menu opens, organizes, renames
// and deletes (to the trash, after a question).
class TGroupsPage : public TSideBarPage {
public:
    TGroupsPage(TSideBarGroups groups, const bool *autoCollapse)
        : m_groups(std::move(groups)), m_autoCollapse(autoCollapse)
    {
        setObjectName(QStringLiteral("tsVessaGroups"));
        SetCaption(QStringLiteral("VessaGroups"));
        SetHint(QStringLiteral("VessaGroups|Displays your VessaGroups"));
    }

protected:
    void prepare() override
    {
        QToolBar *bar = buildTreePage(m_groups.folder ? m_groups.folder() : QString(), *m_autoCollapse);
        bar->setObjectName(QStringLiteral("tbVessaGroups"));
        m_tree->setObjectName(QStringLiteral("shVessaGroups"));
        addButton(bar, QStringLiteral("tbNewVGFolder"), QStringLiteral("New Folder"),
                  QStringLiteral("New Folder|Creates a new folder"), [this] { newFolder(); });
        addButton(bar, QStringLiteral("tbVGRefresh"), QStringLiteral("Refresh"),
                  QStringLiteral("Refresh|Refreshes your VessaGroups"), [this] { refresh(); });
        QObject::connect(m_tree, &TShellTree::EntryActivated, this, [this](const QString &path) { open(path); });

        m_menu = new QMenu(this);
        m_menu->setObjectName(QStringLiteral("pmVessaGroups"));
        const auto item = [this](const char *name, const char *caption, const char *hint,
                                 std::function<void(const QString &)> run) {
            QAction *action = m_menu->addAction(QLatin1String(caption));
            action->setObjectName(QLatin1String(name));
            action->setStatusTip(QString::fromLatin1(hint).section(QLatin1Char('|'), -1));
            QObject::connect(action, &QAction::triggered, this, [this, run] { run(m_menuPath); });
            return action;
        };
        QAction *openItem = item("pmVGOpen", "&Open", "Open|Opens the selected VessaGroup", [this](const QString &path) {
            if (QFileInfo(path).isDir())
                m_tree->expand(m_tree->IndexOf(path));
            else
                open(path);
        });
        m_menu->setDefaultAction(openItem);
        m_organize = item("pmVGOrganize", "Or&ganize...", "Organize|Organizes your VessaGroups",
                          [this](const QString &path) {
                              if (m_groups.organize)
                                  m_groups.organize(path);
                              refresh();
                          });
        item("pmVGRename", "&Rename", "Rename|Renames the selected VessaGroup", [this](const QString &path) { rename(path); });
        item("pmVGDelete", "&Delete", "Delete|Deletes the selected VessaGroup", [this](const QString &path) { remove(path); });
        m_menu->addSeparator();
        item("pmVGRefresh", "Re&fresh", "Refresh|Refreshes your VessaGroups", [this](const QString &) { refresh(); });
        m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(m_tree, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
            const QModelIndex index = m_tree->indexAt(pos);
            if (!index.isValid())
                return;
            m_menuPath = m_tree->PathOf(index);
            m_organize->setEnabled(isGroup(m_menuPath));
            m_menu->popup(m_tree->viewport()->mapToGlobal(pos));
        });
    }

private:
    bool isGroup(const QString &path) const { return m_groups.isGroup ? m_groups.isGroup(path) : false; }

    void open(const QString &path)
    {
        if (isGroup(path) && m_groups.open)
            m_groups.open(path);
    }

    void refresh()
    {
        if (m_groups.changed)
            m_groups.changed();
        m_tree->SetRoot(m_groups.folder ? m_groups.folder() : QString());
        m_tree->Refresh();
    }

    void newFolder()
    {
        // Into the selected folder, or the folder of the selected group.
        done(!m_tree->CreateFolder(m_tree->SelectedFolder()).isEmpty());
    }

    void rename(const QString &path)
    {
        const QFileInfo info(path);
        if (!info.exists())
            return;
        const bool isFile = !info.isDir();
        QString shown = info.fileName();
        if (isFile && shown.endsWith(QLatin1String(".vgp")))
            shown.chop(4);
        bool ok = false;
        const QString typed = QInputDialog::getText(window(), QStringLiteral("Rename VessaGroup"),
                                                    QStringLiteral("Rename VessaGroup"), QLineEdit::Normal, shown, &ok);
        const QString name = ok ? RenamedGroupEntry(info.fileName(), isFile, typed) : QString();
        if (!name.isEmpty() && name != info.fileName())
            done(!m_tree->Rename(path, name).isEmpty());
    }

    void remove(const QString &path)
    {
        const QString question = QStringLiteral("Are you sure you want to move \"%1\" to the trash?")
                                         .arg(QFileInfo(path).fileName());
        if (QMessageBox::question(window(), QStringLiteral("Delete"), question) == QMessageBox::Yes)
            done(m_tree->MoveToTrash(path));
    }

    void done(bool ok)
    {
        if (ok) {
            if (m_groups.changed)
                m_groups.changed();
        } else {
            QMessageBox::warning(window(), QStringLiteral("VessaGroups"), m_tree->LastError());
        }
    }

    TSideBarGroups m_groups;
    const bool *m_autoCollapse;
    QMenu *m_menu = nullptr;
    QAction *m_organize = nullptr;
    QString m_menuPath;
};

// The History page: its content (historypage.h) is made on the first showing.
class THistorySheet : public TSideBarPage {
public:
    explicit THistorySheet(std::function<THistoryPage *(QWidget *)> make) : m_make(std::move(make))
    {
        setObjectName(QStringLiteral("tsHistory"));
        SetCaption(QStringLiteral("History"));
        SetHint(QStringLiteral("History"));
    }
    THistoryPage *Content() const { return m_content; }

protected:
    void prepare() override
    {
        auto *box = new QVBoxLayout(this);
        box->setContentsMargins(0, 0, 0, 0);
        m_content = m_make(this);
        box->addWidget(m_content);
    }

private:
    std::function<THistoryPage *(QWidget *)> m_make;
    THistoryPage *m_content = nullptr;
};

// A page whose widgets another subsystem makes (the Search page).
class TBuiltPage : public TSideBarPage {
public:
    TBuiltPage(const char *name, const char *caption, const char *hint, std::function<void(QWidget *)> build)
        : m_build(std::move(build))
    {
        setObjectName(QLatin1String(name));
        SetCaption(QLatin1String(caption));
        SetHint(QLatin1String(hint));
    }

protected:
    void prepare() override
    {
        if (m_build)
            m_build(this);
    }

private:
    std::function<void(QWidget *)> m_build;
};

// The bar's right edge: dragging it sets the bar's width.
class TSideBarGrip : public QWidget {
public:
    TSideBarGrip(TSideBar *bar, QWidget *parent) : QWidget(parent), m_bar(bar)
    {
        setObjectName(QStringLiteral("spSplitter"));
        setFixedWidth(4);
        setCursor(Qt::SplitHCursor);
    }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        m_startX = event->globalPosition().toPoint().x();
        m_startWidth = m_bar->Width();
    }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (event->buttons() & Qt::LeftButton)
            m_bar->SetWidth(m_startWidth + event->globalPosition().toPoint().x() - m_startX);
    }

private:
    TSideBar *m_bar;
    int m_startX = 0;
    int m_startWidth = 0;
};

}

TSideBar::TSideBar(QWidget *host, ITabOpener *opener, TCommandTable *commands, TSideBarGroups groups,
                   std::function<QString()> favoritesFolder, QObject *parent)
    : QObject(parent), m_host(host), m_commands(commands), m_launcher(new TLinkLauncher(opener, this))
{
    setObjectName(QStringLiteral("sideBar"));
    auto *outer = new QHBoxLayout(host);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto *column = new QWidget(host);
    column->setObjectName(QStringLiteral("pnlLeft"));
    auto *box = new QVBoxLayout(column);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);

    auto *header = new QWidget(column);
    header->setObjectName(QStringLiteral("pnlLeftToolbar"));
    auto *headerBox = new QHBoxLayout(header);
    headerBox->setContentsMargins(4, 1, 1, 1);
    auto *title = new QLabel(QStringLiteral("VessaBar"), header);
    headerBox->addWidget(title, 1);
    auto *close = new QToolButton(header);
    close->setObjectName(QStringLiteral("cmdCloseFavorites"));
    close->setAutoRaise(true);
    close->setText(QStringLiteral("\u00D7"));
    close->setToolTip(QStringLiteral("Hide"));
    close->setStatusTip(QStringLiteral("Hides the VessaBar"));
    connect(close, &QToolButton::clicked, this, [this] { Q_EMIT ShowRequested(false); });
    m_closeButton = close;
    headerBox->addWidget(close);
    box->addWidget(header);

    pcTandemBar = new TKWPageControl(column);
    pcTandemBar->setAccessibleName(QStringLiteral("Side bar pages"));
    pcTandemBar->setObjectName(QStringLiteral("pcTandemBar"));
    pcTandemBar->SetTabPosition(TKWPageControl::TabPosition::Bottom);
    pcTandemBar->SetShowHints(true);
    m_favoritesPage = new TFavoritesPage(commands, m_launcher, std::move(favoritesFolder), &m_favoritesNewWin,
                                         &m_autoCollapse);
    m_groupsPage = new TGroupsPage(std::move(groups), &m_autoCollapse);
    m_historyPage = new THistorySheet([this, opener](QWidget *parent) {
        auto *content = new THistoryPage(opener, m_historySource, parent);
        content->SetNewWin(m_historyNewWin);
        content->SetAutoCollapse(m_autoCollapse);
        return content;
    });
    m_favoritesPage->SetPageControl(pcTandemBar);
    m_historyPage->SetPageControl(pcTandemBar);
    m_groupsPage->SetPageControl(pcTandemBar);
    pcTandemBar->SetActivePage(m_favoritesPage);
    connect(pcTandemBar, &TKWPageControl::Changed, this, &TSideBar::prepareActive);
    box->addWidget(pcTandemBar, 1);

    outer->addWidget(column, 1);
    outer->addWidget(new TSideBarGrip(this, host));
    SetWidth(234);
    registerCommands();
}

void TSideBar::registerCommands()
{
    TCommandTable &t = *m_commands;
    t.Register(withKey(command("actSideBarFavorites", "Favorites", "", [this] { pageKey(Favorites); }),
                       QKeySequence(), {TKeyCommand::SideBarFavorites}));
    t.Register(withKey(command("actSideBarVessaGroups", "VessaGroups", "", [this] { pageKey(VessaGroups); }),
                       QKeySequence(), {TKeyCommand::SideBarVessaGroups}));
    t.Register(withKey(command("actSideBarHistory", "History", "", [this] { pageKey(History); }),
                       QKeySequence(), {TKeyCommand::SideBarHistory}));
}

void TSideBar::SetSearchPage(std::function<void(QWidget *page)> build)
{
    if (m_searchPage)
        return;
    m_searchPage = new TBuiltPage("tsSearch", "Search", "Search|Goes to your search page", std::move(build));
    m_searchPage->SetPageControl(pcTandemBar);
    pcTandemBar->MovePage(m_searchPage, pcTandemBar->IndexOfPage(m_groupsPage));
    m_commands->Register(withKey(command("actSideBarSearch", "Search", "", [this] { pageKey(Search); }),
                                 QKeySequence(), {TKeyCommand::SideBarSearch}));
}

void TSideBar::Load(const TWindowSettings &settings)
{
    SetWidth(settings.vessaBarWidth);
    m_favoritesNewWin = settings.favoritesNewWin;
    m_autoCollapse = settings.cbAutoExpand;
    // The bar's tabs sit where the browser tabs sit.
    pcTandemBar->SetTabPosition(settings.tabsDown ? TKWPageControl::TabPosition::Bottom
                                                  : TKWPageControl::TabPosition::Top);
    // The bar's tabs take the browser tabs' colours.
    TTabColors::For(settings.tabColorScheme, settings.inactiveTabColor, settings.inactiveFontColor).ApplyTo(pcTandemBar);
    for (TSideBarPage *p : {m_favoritesPage, m_groupsPage})
        if (p->Tree())
            p->Tree()->SetAutoCollapse(m_autoCollapse);
    m_historyNewWin = settings.historyNewWin;
    if (THistoryPage *history = HistoryPage()) {
        history->SetNewWin(m_historyNewWin);
        history->SetAutoCollapse(m_autoCollapse);
    }
}

void TSideBar::Save(TWindowSettings &settings) const
{
    settings.vessaBarWidth = Width();
}

int TSideBar::Width() const
{
    return m_host ? m_host->width() : 0;
}

void TSideBar::SetWidth(int width)
{
    if (!m_host)
        return;
    int most = 2000;
    if (QWidget *window = m_host->window(); window && window != m_host && window->width() > 200)
        most = window->width() - 100;
    m_host->setFixedWidth(qBound(40, width, qMax(40, most)));
}

void TSideBar::SetShown(bool shown)
{
    m_shown = shown;
    if (m_host)
        m_host->setVisible(shown);
    if (shown)
        prepareActive();
}

void TSideBar::ShowPage(TPage which)
{
    if (!page(which))
        return; // the Search page exists only once the search subsystem gave it
    pcTandemBar->SetActivePage(page(which));
    if (!m_shown)
        Q_EMIT ShowRequested(true);
    prepareActive();
}

void TSideBar::pageKey(TPage which)
{
    // The key of the page already shown hides the bar, as a second press of a toggle does.
    if (m_shown && ActivePage() == which)
        Q_EMIT ShowRequested(false);
    else
        ShowPage(which);
}

TSideBar::TPage TSideBar::ActivePage() const
{
    for (TPage which : {History, Search, VessaGroups})
        if (page(which) && pcTandemBar->ActivePage() == page(which))
            return which;
    return Favorites;
}

bool TSideBar::Prepared(TPage which) const
{
    TSideBarPage *p = page(which);
    return p && p->Prepared();
}

TShellTree *TSideBar::FavoritesTree() const
{
    return m_favoritesPage->Tree();
}

TShellTree *TSideBar::GroupsTree() const
{
    return m_groupsPage->Tree();
}

THistoryPage *TSideBar::HistoryPage() const
{
    return static_cast<THistorySheet *>(m_historyPage)->Content();
}

void TSideBar::RefreshHistory()
{
    if (THistoryPage *history = HistoryPage())
        history->Refresh();
}

TSideBarPage *TSideBar::page(TPage which) const
{
    switch (which) {
    case History:
        return m_historyPage;
    case Search:
        return m_searchPage;
    case VessaGroups:
        return m_groupsPage;
    default:
        return m_favoritesPage;
    }
}

void TSideBar::prepareActive()
{
    // Pages are prepared when they are seen: the bar shown with the page active.
    if (!m_shown)
        return;
    if (auto *active = static_cast<TSideBarPage *>(pcTandemBar->ActivePage())) {
        active->EnsurePrepared();
        if (m_toolbarColor)
            m_toolbarColor->Attach(active->Bar());
    }
}

void TSideBar::SetToolbarColor(TToolbarColor *color)
{
    m_toolbarColor = color;
    for (int i = 0; color && i < pcTandemBar->PageCount(); ++i)
        if (auto *p = dynamic_cast<TSideBarPage *>(pcTandemBar->Page(i)); p && p->Prepared())
            color->Attach(p->Bar());
}
