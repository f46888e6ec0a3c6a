// The side bar over real temporary folders: pages prepared only when first seen, the page
// keys and the close button asking for the bar, the favorites tree opening what was
// clicked (a shortcut's address by the new-tab preference, another file by the desktop, a
// folder toggled), auto-collapse, the groups tree opening a group, and the tree's file work
// (new folder, rename without replacing, delete to the trash, nothing outside its root).

#include "testenv.h"
#include "recordinghost.h"

#include "browser/browsertab.h"
#include "browser/kwpagecontrol.h"
#include "browser/tabmanager.h"
#include "components/shelltree.h"
#include "favorites/favfind.h"
#include "favorites/favfindpanel.h"
#include "favorites/sidebar.h"
#include "navigation/commandtable.h"
#include "platform/scripted_control.h"

#include <QBoxLayout>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "folderfixture.h"

#include <memory>

namespace {
QByteArray shortcut(const QString &url)
{
    return "[InternetShortcut]\r\nURL=" + url.toUtf8() + "\r\n";
}

QString lastNavigation(const TBrowserTab *tab)
{
    const QStringList n = ScriptedControlOf(tab)->navigations();
    return n.isEmpty() ? QString() : n.last();
}

// Waits until the tree has read the folder and shows a node for path; clicks it.
bool clickNode(TShellTree *tree, const QString &path)
{
    QModelIndex index;
    if (!QTest::qWaitFor([&] {
            index = tree->IndexOf(path);
            if (index.isValid())
                tree->scrollTo(index);
            return index.isValid() && tree->visualRect(index).isValid() && !tree->visualRect(index).isEmpty();
        }, 10000))
        return false;
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, tree->visualRect(index).center());
    return true;
}

struct TFixture {
    TRecordingHost host;
    QWidget window;
    TTabManager tabs{host.Parts(), &window};
    TCommandTable commands{&window};
    QWidget *panel = new QWidget(&window);
    QStringList groupsOpened;
    QStringList groupsOrganized;
    int groupChanges = 0;
    std::unique_ptr<TSideBar> bar;

    TFixture(const QString &favorites, const QString &groups)
    {
        window.resize(900, 600);
        auto *box = new QHBoxLayout(&window);
        box->addWidget(panel);
        box->addWidget(tabs.PageControl(), 1);
        tabs.CreateForegroundTab();
        ScriptedControlOf(tabs.ActiveTab())->setLocationURL(QStringLiteral("http://127.0.0.1:1/busy.html"));
        bar = std::make_unique<TSideBar>(panel, &tabs, &commands,
                                         TSideBarGroups{[groups] { return groups; },
                                                        [this](const QString &p) { groupsOpened.append(p); },
                                                        [this] { ++groupChanges; },
                                                        [](const QString &p) { return p.endsWith(QLatin1String(".vgp")); },
                                                        [this](const QString &p) { groupsOrganized.append(p); }},
                                         [favorites] { return favorites; });
        // The window's View command answers the bar's requests.
        QObject::connect(bar.get(), &TSideBar::ShowRequested, bar.get(), &TSideBar::SetShown);
        bar->SetShown(false);
        window.show();
    }
};
}

class TestSideBar : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    void init();

    void pagesArePreparedWhenFirstSeen();
    void keysAndCloseButtonAskForTheBar();
    void widthIsKeptWithinBounds();
    void favoritesTreeOpensWhatWasClicked();
    void autoCollapseFollowsTheSetting();
    void groupsTreeOpensGroups();
    void treeFileWorkStaysInsideItsRoot();
    void findInFavoritesOpensTheResults();
    void inPlaceRenameKeepsShortcutsAndNeverReplaces();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_favorites;
    QString m_groups;
    TDesktopRecorder m_desktop;
};

void TestSideBar::initTestCase()
{
    TScriptedControl::Install();
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_desktop, "open");
}

void TestSideBar::init()
{
    m_desktop.opened.clear();
    m_dir = std::make_unique<QTemporaryDir>();
    m_favorites = m_dir->filePath(QStringLiteral("Favorites"));
    m_groups = m_dir->filePath(QStringLiteral("Groups"));
    PutFile(m_favorites + QStringLiteral("/News/Daily.url"), shortcut(QStringLiteral("http://127.0.0.1:1/daily.html")));
    PutFile(m_favorites + QStringLiteral("/News/Deep/Old.url"), shortcut(QStringLiteral("http://127.0.0.1:1/old.html")));
    PutFile(m_favorites + QStringLiteral("/Sport/Scores.url"), shortcut(QStringLiteral("http://127.0.0.1:1/scores.html")));
    PutFile(m_favorites + QStringLiteral("/Home.url"), shortcut(QStringLiteral("http://127.0.0.1:1/home.html")));
    PutFile(m_favorites + QStringLiteral("/notes.txt"), "notes");
    PutFile(m_groups + QStringLiteral("/Work/Morning.vgp"), "http://127.0.0.1:1/a.html\n");
    PutFile(m_groups + QStringLiteral("/Work/readme.txt"), "not a group");
}

void TestSideBar::pagesArePreparedWhenFirstSeen()
{
    TFixture f(m_favorites, m_groups);
    QCOMPARE(f.bar->PageControl()->PageCount(), 3);
    TKWTabSheet *groupsPage = f.bar->PageControl()->Page(f.bar->PageControl()->PageCount() - 1);   // the last
    // Hidden: nothing is read, not even for the active page.
    QVERIFY(!f.bar->Prepared(TSideBar::Favorites) && !f.bar->Prepared(TSideBar::VessaGroups));
    QVERIFY(!f.bar->FavoritesTree());
    // Choosing a page while the bar is hidden does not prepare it either.
    f.bar->PageControl()->SetActivePage(groupsPage);
    QVERIFY(!f.bar->Prepared(TSideBar::VessaGroups));
    f.bar->PageControl()->SetActivePage(f.bar->PageControl()->Page(0));
    // Shown: the active page only.
    f.bar->SetShown(true);
    QVERIFY(f.panel->isVisible());
    QVERIFY(f.bar->Prepared(TSideBar::Favorites) && !f.bar->Prepared(TSideBar::VessaGroups));
    QCOMPARE(f.bar->FavoritesTree()->Root(), m_favorites);
    TShellTree *tree = f.bar->FavoritesTree();
    // Changing pages prepares the new one once; coming back keeps the first page as it was.
    f.bar->PageControl()->SetActivePage(groupsPage);
    QVERIFY(f.bar->Prepared(TSideBar::VessaGroups));
    QCOMPARE(f.bar->GroupsTree()->Root(), m_groups);
    f.bar->PageControl()->SetActivePage(f.bar->PageControl()->Page(0));
    QCOMPARE(f.bar->FavoritesTree(), tree);
    f.bar->SetShown(false);
    QVERIFY(!f.panel->isVisible());
}

void TestSideBar::keysAndCloseButtonAskForTheBar()
{
    TFixture f(m_favorites, m_groups);
    QSignalSpy asked(f.bar.get(), &TSideBar::ShowRequested);
    // Ctrl+G: shown on the groups page.
    QVERIFY(f.commands.RunKey(TKeyCommand::SideBarVessaGroups));
    QVERIFY(f.bar->Shown());
    QCOMPARE(f.bar->ActivePage(), TSideBar::VessaGroups);
    QVERIFY(f.bar->Prepared(TSideBar::VessaGroups) && !f.bar->Prepared(TSideBar::Favorites));
    // Ctrl+I while shown switches the page without hiding the bar.
    QVERIFY(f.commands.RunKey(TKeyCommand::SideBarFavorites));
    QVERIFY(f.bar->Shown());
    QCOMPARE(f.bar->ActivePage(), TSideBar::Favorites);
    QVERIFY(f.bar->Prepared(TSideBar::Favorites));
    // The same key again hides it.
    QVERIFY(f.commands.RunKey(TKeyCommand::SideBarFavorites));
    QVERIFY(!f.bar->Shown());
    QCOMPARE(asked.count(), 2);
    QCOMPARE(asked.at(0).at(0).toBool(), true);
    QCOMPARE(asked.at(1).at(0).toBool(), false);
    // The close button asks for hiding.
    f.bar->SetShown(true);
    asked.clear();
    QTest::mouseClick(f.bar->CloseButton(), Qt::LeftButton);
    QCOMPARE(asked.count(), 1);
    QCOMPARE(asked.at(0).at(0).toBool(), false);
    QVERIFY(!f.panel->isVisible());
}

void TestSideBar::widthIsKeptWithinBounds()
{
    TFixture f(m_favorites, m_groups);
    TWindowSettings s;
    s.vessaBarWidth = 300;
    f.bar->Load(s);
    TWindowSettings out;
    f.bar->Save(out);
    QCOMPARE(out.vessaBarWidth, 300);
    // A width that would leave no room for the pages, or no bar at all, is brought back.
    QCOMPARE(f.bar->PageControl()->GetTabPosition(), TKWPageControl::TabPosition::Bottom);
    s.tabsDown = false;
    s.vessaBarWidth = 100000;
    f.bar->Load(s);
    QVERIFY(f.bar->Width() < f.window.width());
    QCOMPARE(f.bar->PageControl()->GetTabPosition(), TKWPageControl::TabPosition::Top);
    s.vessaBarWidth = -5;
    f.bar->Load(s);
    QVERIFY(f.bar->Width() >= 40);
    // Dragging the grip at the bar's right edge changes the width that is stored.
    s.vessaBarWidth = 250;
    f.bar->Load(s);
    f.bar->SetShown(true);
    QWidget *grip = f.panel->findChild<QWidget *>(QStringLiteral("spSplitter"));
    QVERIFY(grip);
    QTest::mousePress(grip, Qt::LeftButton, Qt::NoModifier, QPoint(1, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(41, 10), grip->mapToGlobal(QPointF(41, 10)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grip, &move);
    QTest::mouseRelease(grip, Qt::LeftButton, Qt::NoModifier, QPoint(41, 10));
    f.bar->Save(out);
    QCOMPARE(out.vessaBarWidth, 290);
}

void TestSideBar::favoritesTreeOpensWhatWasClicked()
{
    TFixture f(m_favorites, m_groups);
    f.bar->ShowPage(TSideBar::Favorites);
    TShellTree *tree = f.bar->FavoritesTree();
    QVERIFY(tree);

    // A shortcut is shown by its name and opens its address in a new tab
    // ("FavoritesNewWin" is on by default).
    QVERIFY(clickNode(tree, m_favorites + QStringLiteral("/Home.url")));
    QCOMPARE(tree->IndexOf(m_favorites + QStringLiteral("/Home.url")).data().toString(), QStringLiteral("Home"));
    QCOMPARE(tree->IndexOf(m_favorites + QStringLiteral("/notes.txt")).data().toString(), QStringLiteral("notes.txt"));
    QCOMPARE(f.tabs.Tabs().size(), 2);
    QCOMPARE(lastNavigation(f.tabs.ActiveTab()), QStringLiteral("http://127.0.0.1:1/home.html"));
    // With the preference off it opens in the active tab.
    TWindowSettings s;
    s.favoritesNewWin = false;
    f.bar->Load(s);
    QVERIFY(clickNode(tree, m_favorites + QStringLiteral("/Home.url")));
    QCOMPARE(f.tabs.Tabs().size(), 2);
    // Another file goes to the desktop, and opens no tab.
    QVERIFY(clickNode(tree, m_favorites + QStringLiteral("/notes.txt")));
    QCOMPARE(m_desktop.opened, QStringList{m_favorites + QStringLiteral("/notes.txt")});
    QCOMPARE(f.tabs.Tabs().size(), 2);
    // A folder toggles and opens nothing.
    const QString news = m_favorites + QStringLiteral("/News");
    QVERIFY(clickNode(tree, news));
    QVERIFY(tree->isExpanded(tree->IndexOf(news)));
    QVERIFY(clickNode(tree, m_favorites + QStringLiteral("/News/Daily.url")));
    QCOMPARE(lastNavigation(f.tabs.ActiveTab()), QStringLiteral("http://127.0.0.1:1/daily.html"));
    QVERIFY(clickNode(tree, news));
    QVERIFY(!tree->isExpanded(tree->IndexOf(news)));
    QCOMPARE(f.tabs.Tabs().size(), 2);
    QCOMPARE(m_desktop.opened.size(), 1);

    // A shortcut without an address opens nothing.
    PutFile(m_favorites + QStringLiteral("/Empty.url"), "[InternetShortcut]\r\n");
    const int navigations = ScriptedControlOf(f.tabs.ActiveTab())->navigations().size();
    QVERIFY(clickNode(tree, m_favorites + QStringLiteral("/Empty.url")));
    QCOMPARE(ScriptedControlOf(f.tabs.ActiveTab())->navigations().size(), navigations);
    QCOMPARE(m_desktop.opened.size(), 1);

    // Refresh after the folder changes shows the new entry.
    PutFile(m_favorites + QStringLiteral("/Later.url"), shortcut(QStringLiteral("http://127.0.0.1:1/later.html")));
    QAction *refresh = f.panel->findChild<QAction *>(QStringLiteral("tbFavoritesRefresh"));
    QVERIFY(refresh);
    refresh->trigger();
    QVERIFY(clickNode(tree, m_favorites + QStringLiteral("/Later.url")));
    QCOMPARE(lastNavigation(f.tabs.ActiveTab()), QStringLiteral("http://127.0.0.1:1/later.html"));
}

void TestSideBar::autoCollapseFollowsTheSetting()
{
    TFixture f(m_favorites, m_groups);
    f.bar->ShowPage(TSideBar::Favorites);
    TShellTree *tree = f.bar->FavoritesTree();
    const QString news = m_favorites + QStringLiteral("/News");
    const QString deep = news + QStringLiteral("/Deep");
    const QString sport = m_favorites + QStringLiteral("/Sport");
    QVERIFY(QDir().mkpath(news + QStringLiteral("/Wide")));
    QVERIFY(clickNode(tree, news));
    QVERIFY(clickNode(tree, deep));
    // Opening a sibling closes the open folder beside it, at every level, and leaves the
    // folders above open.
    QVERIFY(clickNode(tree, news + QStringLiteral("/Wide")));
    QVERIFY(tree->isExpanded(tree->IndexOf(news + QStringLiteral("/Wide"))));
    QVERIFY(!tree->isExpanded(tree->IndexOf(deep)));
    QVERIFY(tree->isExpanded(tree->IndexOf(news)));
    QVERIFY(clickNode(tree, sport));
    QVERIFY(tree->isExpanded(tree->IndexOf(sport)) && !tree->isExpanded(tree->IndexOf(news)));
    // With the setting off, siblings stay open.
    TWindowSettings s;
    s.cbAutoExpand = false;
    f.bar->Load(s);
    QVERIFY(clickNode(tree, news));
    QVERIFY(tree->isExpanded(tree->IndexOf(news)) && tree->isExpanded(tree->IndexOf(sport)));
}

void TestSideBar::groupsTreeOpensGroups()
{
    TFixture f(m_favorites, m_groups);
    f.bar->ShowPage(TSideBar::VessaGroups);
    TShellTree *tree = f.bar->GroupsTree();
    QVERIFY(clickNode(tree, m_groups + QStringLiteral("/Work")));
    QVERIFY(clickNode(tree, m_groups + QStringLiteral("/Work/Morning.vgp")));
    QCOMPARE(f.groupsOpened, QStringList{m_groups + QStringLiteral("/Work/Morning.vgp")});
    // Another file in the group folder is no group: a click opens nothing.
    QVERIFY(clickNode(tree, m_groups + QStringLiteral("/Work/readme.txt")));
    QCOMPARE(f.groupsOpened.size(), 1);
    QVERIFY(clickNode(tree, m_groups + QStringLiteral("/Work/Morning.vgp")));
    // New Folder goes into the folder of the selected group and marks the groups menu for a rebuild.
    f.panel->findChild<QAction *>(QStringLiteral("tbNewVGFolder"))->trigger();
    QVERIFY(QFileInfo(m_groups + QStringLiteral("/Work/New Folder")).isDir());
    QCOMPARE(f.groupChanges, 1);
    // The context menu's Open and Organize act on the node it was opened for.
    auto *menu = f.panel->findChild<QMenu *>(QStringLiteral("pmVessaGroups"));
    QVERIFY(menu);
    const QModelIndex group = tree->IndexOf(m_groups + QStringLiteral("/Work/Morning.vgp"));
    const QPoint at = tree->visualRect(group).center();
    Q_EMIT tree->customContextMenuRequested(at);
    QTRY_VERIFY(menu->isVisible());
    menu->hide();
    menu->findChild<QAction *>(QStringLiteral("pmVGOrganize"))->trigger();
    QCOMPARE(f.groupsOrganized, QStringList{m_groups + QStringLiteral("/Work/Morning.vgp")});
    menu->findChild<QAction *>(QStringLiteral("pmVGOpen"))->trigger();
    QCOMPARE(f.groupsOpened.size(), 3);
    // Rename offers and keeps a group's extension; a folder takes the text as typed.
    QCOMPARE(RenamedGroupEntry(QStringLiteral("Morning.vgp"), true, QStringLiteral("Evening")), QStringLiteral("Evening.vgp"));
    QCOMPARE(RenamedGroupEntry(QStringLiteral("Morning.VGP"), true, QStringLiteral("Evening")), QStringLiteral("Evening"));
    QCOMPARE(RenamedGroupEntry(QStringLiteral("Work"), false, QStringLiteral("Jobs.vgp")), QStringLiteral("Jobs.vgp"));
    QVERIFY(RenamedGroupEntry(QStringLiteral("Morning.vgp"), true, QString()).isEmpty());
}

void TestSideBar::treeFileWorkStaysInsideItsRoot()
{
    TShellTree tree;
    tree.SetRoot(m_favorites);
    // New folders never replace one another.
    const QString first = tree.CreateFolder(m_favorites);
    const QString second = tree.CreateFolder(m_favorites);
    QCOMPARE(first, m_favorites + QStringLiteral("/New Folder"));
    QCOMPARE(second, m_favorites + QStringLiteral("/New Folder (2)"));
    // A rename onto an existing name is refused and keeps both entries.
    QVERIFY(tree.Rename(second, QStringLiteral("New Folder")).isEmpty());
    QVERIFY(!tree.LastError().isEmpty());
    QVERIFY(QFileInfo(first).isDir() && QFileInfo(second).isDir());
    QCOMPARE(tree.Rename(second, QStringLiteral("Kept")), m_favorites + QStringLiteral("/Kept"));
    // Names that are no file name, or that would leave the folder, are refused.
    for (const QString &bad : {QString(), QStringLiteral(".."), QStringLiteral("a/b")})
        QVERIFY2(tree.Rename(first, bad).isEmpty(), qPrintable(bad));
    QVERIFY(tree.CreateFolder(m_favorites, QStringLiteral("../Out")).isEmpty());
    QVERIFY(!QFileInfo(m_dir->filePath(QStringLiteral("Out"))).exists());
    // Nothing outside the root, nor the root itself, is renamed, made or deleted.
    QVERIFY(tree.CreateFolder(m_dir->path()).isEmpty());
    QVERIFY(tree.Rename(m_groups, QStringLiteral("Gone")).isEmpty());
    QVERIFY(!tree.MoveToTrash(m_groups));
    QVERIFY(!tree.MoveToTrash(m_favorites));
    QVERIFY(!tree.MoveToTrash(m_favorites + QStringLiteral("/../Groups")));
    QVERIFY(QFileInfo(m_groups).isDir() && QFileInfo(m_favorites).isDir());
    // Delete moves to the trash (the test's own data folder), not out of existence.
    QVERIFY(tree.MoveToTrash(m_favorites + QStringLiteral("/Home.url")));
    QVERIFY(!QFileInfo::exists(m_favorites + QStringLiteral("/Home.url")));
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    QVERIFY(QFileInfo::exists(dataHome + QStringLiteral("/Trash/files/Home.url")));
    // A missing root shows nothing rather than the whole file system.
    tree.SetRoot(m_dir->filePath(QStringLiteral("missing")));
    QVERIFY(!tree.model());
    QVERIFY(tree.CreateFolder(m_dir->filePath(QStringLiteral("missing"))).isEmpty());
}

void TestSideBar::findInFavoritesOpensTheResults()
{
    TFixture f(m_favorites, m_groups);
    f.bar->ShowPage(TSideBar::Favorites);
    auto *find = f.panel->findChild<QAction *>(QStringLiteral("tbFindFavorite"));
    auto *panel = f.panel->findChild<TFavoritesFindPanel *>(QStringLiteral("pnlFindFavorites"));
    QVERIFY(find && panel);
    QVERIFY(!panel->isVisible());

    // Down: the panel in place of the tree, the focus in the edit.
    find->trigger();
    QVERIFY(panel->isVisible());
    QVERIFY(!f.bar->FavoritesTree()->isVisible());
    QTRY_VERIFY(panel->Edit()->hasFocus());

    // An empty text only keeps the focus in the edit and searches nothing.
    QSignalSpy finished(panel, &TFavoritesFindPanel::SearchFinished);
    panel->findChild<QPushButton *>(QStringLiteral("spdFindFavorites"))->click();
    QVERIFY(!panel->Finder()->Busy());
    QCOMPARE(panel->List()->count(), 0);

    // Enter in the edit searches names and addresses, whatever their case.
    QTest::keyClicks(panel->Edit(), QStringLiteral("SCORES"));
    QTest::keyClick(panel->Edit(), Qt::Key_Return);
    QVERIFY(finished.wait(10000));
    QCOMPARE(panel->List()->count(), 1);
    QCOMPARE(panel->List()->item(0)->text(), QStringLiteral("Scores"));

    // A click opens the result by the new-tab preference.
    QListWidget *list = panel->List();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualItemRect(list->item(0)).center());
    QCOMPARE(f.tabs.Tabs().size(), 2);
    QCOMPARE(lastNavigation(f.tabs.ActiveTab()), QStringLiteral("http://127.0.0.1:1/scores.html"));

    // Space and Enter on the current row open it as well (here in the active tab).
    TWindowSettings s;
    s.favoritesNewWin = false;
    f.bar->Load(s);
    panel->Edit()->setText(QStringLiteral("127.0.0.1:1/"));
    QTest::keyClick(panel->Edit(), Qt::Key_Return);
    QVERIFY(finished.wait(10000));
    QCOMPARE(list->count(), 4);
    list->setFocus();
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Space);
    QCOMPARE(lastNavigation(f.tabs.ActiveTab()), QStringLiteral("http://127.0.0.1:1/old.html"));
    list->setCurrentRow(3);
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(lastNavigation(f.tabs.ActiveTab()), QStringLiteral("http://127.0.0.1:1/home.html"));
    QCOMPARE(f.tabs.Tabs().size(), 2);

    // Nothing found: one row that opens nothing.
    panel->Edit()->setText(QStringLiteral("no such words"));
    QTest::keyClick(panel->Edit(), Qt::Key_Return);
    QVERIFY(finished.wait(10000));
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), TFavoritesFindPanel::NoItemsFound());
    const int navigations = ScriptedControlOf(f.tabs.ActiveTab())->navigations().size();
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(ScriptedControlOf(f.tabs.ActiveTab())->navigations().size(), navigations);

    // Up: the tree comes back.
    find->trigger();
    QVERIFY(!panel->isVisible());
    QVERIFY(f.bar->FavoritesTree()->isVisible());
}

void TestSideBar::inPlaceRenameKeepsShortcutsAndNeverReplaces()
{
    TFixture f(m_favorites, m_groups);
    f.bar->ShowPage(TSideBar::Favorites);
    TShellTree *tree = f.bar->FavoritesTree();
    QVERIFY(tree && tree->RenameEnabled());
    const QString home = m_favorites + QStringLiteral("/Home.url");
    QModelIndex index;
    QVERIFY(QTest::qWaitFor([&] { return (index = tree->IndexOf(home)).isValid(); }, 10000));
    QCOMPARE(index.data(Qt::EditRole).toString(), QStringLiteral("Home"));

    // A shortcut renamed without ".url" keeps it.
    QVERIFY(tree->model()->setData(index, QStringLiteral("Start page")));
    QVERIFY(QFile::exists(m_favorites + QStringLiteral("/Start page.url")));
    QVERIFY(!QFile::exists(home));

    // A name taken by another entry is refused and told (in a box that does not block);
    // both files stay.
    QSignalSpy failed(tree, &TShellTree::RenameFailed);
    QModelIndex notes;
    QVERIFY(QTest::qWaitFor([&] { return (notes = tree->IndexOf(m_favorites + QStringLiteral("/notes.txt"))).isValid(); }, 10000));
    QVERIFY(!tree->model()->setData(notes, QStringLiteral("Start page.url")));
    QVERIFY(failed.wait(5000));
    QVERIFY(QFile::exists(m_favorites + QStringLiteral("/notes.txt")));
    QTRY_VERIFY(f.window.findChild<QMessageBox *>());
    f.window.findChild<QMessageBox *>()->close();
    // A name with a slash would leave the folder: refused too.
    QVERIFY(!tree->model()->setData(notes, QStringLiteral("../escaped")));
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("escaped"))));

    // The groups tree is not renamed in place (its menu renames).
    f.bar->ShowPage(TSideBar::VessaGroups);
    QVERIFY(!f.bar->GroupsTree()->RenameEnabled());
}

TV_TEST_MAIN_GUI(TestSideBar)
#include "tst_sidebar.moc"
