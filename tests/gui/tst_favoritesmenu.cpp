// The Favorites menu built from a real Favorites folder (order, captions, hints, lazy
// submenus with "(Empty)", rebuilds after disk changes and setting changes), its open rules
// (Shift, Open All on an idle blank tab and on a busy one, programs never run), its command
// rows, and the Add to Favorites and Organize Favorites dialogs working on the folder.

#include "testenv.h"
#include "recordinghost.h"

#include "app/windowsettings.h"
#include "browser/browsertab.h"
#include "browser/tabmanager.h"
#include "favorites/discmon.h"
#include "favorites/favoritesdialogs.h"
#include "favorites/favoritesmenu.h"
#include "favorites/launchlink.h"
#include "favorites/urlshortcut.h"
#include "navigation/commandtable.h"
#include "platform/scripted_control.h"
#include "platform/shellfolders.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

#include "folderfixture.h"

#include <memory>

namespace {
void link(const QString &path, const QString &url)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QVERIFY(WriteUrlShortcut(path, url));
}

QStringList texts(const QList<QAction *> &actions, int from = 0)
{
    QStringList out;
    for (int i = from; i < actions.size(); ++i)
        out.append(actions.at(i)->isSeparator() ? QStringLiteral("-sep-") : actions.at(i)->text());
    return out;
}

QString lastNavigation(const TBrowserTab *tab)
{
    const QStringList n = ScriptedControlOf(tab)->navigations();
    return n.isEmpty() ? QString() : n.last();
}

QAction *entry(QMenu *menu, const QString &text)
{
    for (QAction *a : menu->actions()) {
        if (a->text() == text)
            return a;
    }
    return nullptr;
}

void dropDown(QMenu *menu)
{
    Q_EMIT menu->aboutToShow();
}

struct TFixture {
    TRecordingHost host;
    QWidget window;
    TTabManager tabs{host.Parts(), &window};
    TCommandTable commands{&window};
    TLinkLauncher launcher{&tabs};
    QMenu *menu = new QMenu(&window);
    std::unique_ptr<TFavoritesMenu> favorites;
    QStringList asked;
    bool answer = false;

    TFixture()
    {
        for (const char *name : {"mnuFavoritesAdd", "mnuFavoritesOrganize", "mnuFavoritesOpenAll",
                                 "mnuToolsSynchronize"}) {
            TCommandRow row;
            row.name = QString::fromLatin1(name);
            row.caption = row.name;
            commands.RegisterPending(row);
        }
        for (const char *name : {"mnuFavoritesAdd", "mnuFavoritesOrganize", "mnuFavoritesOpenAll"})
            commands.Place(menu, QString::fromLatin1(name));
        favorites = std::make_unique<TFavoritesMenu>(&launcher, &tabs, &commands, nullptr, [] { return nullptr; });
        favorites->AttachMenu(menu);
        favorites->SetAsker([this](const QString &q) { asked.append(q); return answer; });
        tabs.CreateForegroundTab();
        ScriptedControlOf(tabs.ActiveTab())->setLocationURL(QStringLiteral("about:blank"));
        window.show();
    }
    void settings(bool newWin, bool customIcons = true, bool breakFavorites = false)
    {
        TWindowSettings s;
        s.favoritesNewWin = newWin;
        s.useCustomIcons = customIcons;
        s.breakFavorites = breakFavorites;
        favorites->Load(s);
    }
};
}

class TestFavoritesMenu : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    void init();

    void menuFromTheFolder();
    void submenusFillOnFirstOpening();
    void staleAfterDiskAndSettingChanges();
    void clickOpensByPreferenceAndShift();
    void openAllTopAndSubmenu();
    void programsAreNeverRun();
    void commandRows();
    void addFavoriteWritesTheShortcut();
    void organizeRenameMoveDelete();

private:
    QString m_fav;
    TDesktopRecorder m_desktop;
};

void TestFavoritesMenu::initTestCase()
{
    TScriptedControl::Install();
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_desktop, "open");
}

void TestFavoritesMenu::init()
{
    m_fav = TShellFolders::Favorites();
    QVERIFY(!m_fav.isEmpty());
    QDir(m_fav).removeRecursively();
    QVERIFY(QDir().mkpath(m_fav));
    link(m_fav + "/zeta.url", "http://127.0.0.1:1/z.html");
    link(m_fav + "/R&D.url", "http://127.0.0.1:1/rd.html");
    link(m_fav + "/alpha.URL", "http://127.0.0.1:1/a.html");
    link(m_fav + "/" + QString(50, 'L') + ".url", "http://127.0.0.1:1/long.html");
    PutFile(m_fav + "/readme", "plain");
    link(m_fav + "/News/Daily.url", "http://127.0.0.1:1/daily.html");
    link(m_fav + "/News/Weekly.url", "http://127.0.0.1:1/weekly.html");
    link(m_fav + "/News/Deep/Deeper.url", "http://127.0.0.1:1/deeper.html");
    link(m_fav + "/archive/Old.url", "http://127.0.0.1:1/old.html");
    link(m_fav + "/.hidden/Secret.url", "http://127.0.0.1:1/secret.html");
    QVERIFY(QDir().mkpath(m_fav + "/Empty"));
    link(m_fav + "/Empty.url", "");   // a shortcut without address
    m_desktop.opened.clear();
}

void TestFavoritesMenu::menuFromTheFolder()
{
    TFixture f;
    QVERIFY(!f.favorites->Current());
    dropDown(f.menu);
    QVERIFY(f.favorites->Current());
    // Fixed items, then folders, then files, each without regard to case.
    QCOMPARE(texts(f.menu->actions()),
             (QStringList{"&Add to Favorites...", "&Organize Favorites...", "O&pen All Favorites", "-sep-",
                          "archive", "Empty", "News", "alpha", "Empty", QString(21, 'L') + "..." + QString(21, 'L'),
                          "R&&D", "readme", "zeta"}));
    const QList<QAction *> items = f.menu->actions();
    QVERIFY(items.at(4)->menu() && items.at(5)->menu() && items.at(6)->menu());
    QCOMPARE(TFavoritesMenu::Role(items.at(7)), TFavoritesMenu::RoleFile);
    // Hints: the address, or the file's path; Open All's hint is the folder. A shortcut
    // is read when its entry is pointed at, not when the menu is built.
    QCOMPARE(TFavoritesMenu::Target(items.at(7)), QStringLiteral("http://127.0.0.1:1/a.html"));
    items.at(7)->hover();
    QCOMPARE(items.at(7)->statusTip(), QStringLiteral("http://127.0.0.1:1/a.html"));
    QCOMPARE(items.at(11)->statusTip(), m_fav + "/readme");
    QCOMPARE(items.at(2)->statusTip(), m_fav);
    // A second drop-down without changes keeps the built entries.
    QAction *kept = items.at(12);
    dropDown(f.menu);
    QCOMPARE(f.menu->actions().at(12), kept);
}

void TestFavoritesMenu::submenusFillOnFirstOpening()
{
    TFixture f;
    dropDown(f.menu);
    QMenu *news = entry(f.menu, "News")->menu();
    QCOMPARE(texts(news->actions()), QStringList{"Place holder"});
    dropDown(news);
    QCOMPARE(texts(news->actions()), (QStringList{"O&pen All Favorites", "-sep-", "Deep", "Daily", "Weekly"}));
    QCOMPARE(TFavoritesMenu::Target(news->actions().at(0)), m_fav + "/News");
    // Filled once: a second opening adds nothing.
    dropDown(news);
    QCOMPARE(news->actions().size(), 5);
    QMenu *empty = entry(f.menu, "Empty")->menu();
    dropDown(empty);
    QCOMPARE(texts(empty->actions()), (QStringList{"O&pen All Favorites", "-sep-", "(Empty)"}));
    QVERIFY(!empty->actions().at(2)->isEnabled());
}

void TestFavoritesMenu::staleAfterDiskAndSettingChanges()
{
    TFixture f;
    dropDown(f.menu);
    QVERIFY(f.favorites->Monitor() && f.favorites->Monitor()->Active());
    // The watches are set up on the monitor's thread: keep writing until one is seen.
    int n = 0;
    QTRY_VERIFY_WITH_TIMEOUT((link(m_fav + QStringLiteral("/News/Deep/New%1.url").arg(++n), "http://127.0.0.1:1/"),
                              !f.favorites->Current()), 10000);
    link(m_fav + "/beta.url", "http://127.0.0.1:1/b.html");
    dropDown(f.menu);
    QTRY_VERIFY_WITH_TIMEOUT((dropDown(f.menu), entry(f.menu, "beta") != nullptr), 10000);
    // The icons setting and the column setting mark it stale; the new-tab setting does not.
    dropDown(f.menu);
    f.settings(true, true, false);
    QVERIFY(f.favorites->Current());
    f.settings(true, false, false);
    QVERIFY(!f.favorites->Current());
    dropDown(f.menu);
    f.settings(true, false, true);
    QVERIFY(!f.favorites->Current());
}

void TestFavoritesMenu::clickOpensByPreferenceAndShift()
{
    TFixture f;
    f.settings(false);
    dropDown(f.menu);
    TBrowserTab *first = f.tabs.ActiveTab();
    entry(f.menu, "zeta")->trigger();
    QCOMPARE(f.tabs.TabCount(), 1);
    QCOMPARE(lastNavigation(first), QStringLiteral("http://127.0.0.1:1/z.html"));
    ScriptedControlOf(first)->setLocationURL(QStringLiteral("http://127.0.0.1:1/z.html"));
    // Shift inverts "FavoritesNewWin": a tab of its own.
    QTest::keyPress(f.window.windowHandle(), Qt::Key_Shift, Qt::ShiftModifier);
    entry(f.menu, "alpha")->trigger();
    QTest::keyRelease(f.window.windowHandle(), Qt::Key_Shift, Qt::NoModifier);
    QCOMPARE(f.tabs.TabCount(), 2);
    QCOMPARE(lastNavigation(f.tabs.ActiveTab()), QStringLiteral("http://127.0.0.1:1/a.html"));
    // A shortcut without address opens nothing; a document is navigated to.
    entry(f.menu, "Empty")->trigger();
    QCOMPARE(f.tabs.TabCount(), 2);
    entry(f.menu, "readme")->trigger();
    QCOMPARE(lastNavigation(f.tabs.ActiveTab()), QUrl::fromLocalFile(m_fav + "/readme").toString());
}

void TestFavoritesMenu::openAllTopAndSubmenu()
{
    {
        // In a submenu the idle blank tab takes the first page, the rest get new tabs.
        TFixture f;
        dropDown(f.menu);
        QMenu *news = entry(f.menu, "News")->menu();
        dropDown(news);
        TBrowserTab *blank = f.tabs.ActiveTab();
        news->actions().at(0)->trigger();
        QCOMPARE(f.tabs.TabCount(), 2);
        QCOMPARE(lastNavigation(blank), QStringLiteral("http://127.0.0.1:1/daily.html"));
        QCOMPARE(lastNavigation(f.tabs.Tabs().last()), QStringLiteral("http://127.0.0.1:1/weekly.html"));
        QCOMPARE(blank->HomeURL, QStringLiteral("http://127.0.0.1:1/daily.html"));
        QVERIFY(m_desktop.opened.isEmpty());
    }
    {
        // A busy blank tab is left alone.
        TFixture f;
        dropDown(f.menu);
        QMenu *news = entry(f.menu, "News")->menu();
        dropDown(news);
        TBrowserTab *busy = f.tabs.ActiveTab();
        ScriptedControlOf(busy)->setBusy(true);
        busy->Loading = true;
        news->actions().at(0)->trigger();
        QCOMPARE(f.tabs.TabCount(), 3);
        QVERIFY(!ScriptedControlOf(busy)->navigations().contains(QStringLiteral("http://127.0.0.1:1/daily.html")));
    }
    {
        // The top level's own separator counts as the first step: every page gets a new
        // tab; "readme" goes to the desktop, folders are skipped.
        TFixture f;
        TBrowserTab *blank = f.tabs.ActiveTab();
        QVERIFY(f.commands.Trigger(f.commands.Action("mnuFavoritesOpenAll")));
        for (const QString &url : ScriptedControlOf(blank)->navigations())
            QVERIFY2(!url.startsWith("http://127.0.0.1:1/"), qPrintable(url));
        QCOMPARE(f.tabs.TabCount(), 1 + 4);
        QCOMPARE(m_desktop.opened, QStringList{m_fav + "/readme"});
    }
}

void TestFavoritesMenu::programsAreNeverRun()
{
    PutFile(m_fav + "/Tools/run.sh", "#!/bin/sh\ntouch ran\n");
    QFile::setPermissions(m_fav + "/Tools/run.sh", QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    PutFile(m_fav + "/Tools/app.desktop", "[Desktop Entry]\nExec=touch ran\n");
    link(m_fav + "/Tools/Site.url", "http://127.0.0.1:1/site.html");
    TFixture f;
    dropDown(f.menu);
    QMenu *tools = entry(f.menu, "Tools")->menu();
    dropDown(tools);
    tools->actions().at(0)->trigger();   // Open All
    QVERIFY(m_desktop.opened.isEmpty());
    QCOMPARE(lastNavigation(f.tabs.ActiveTab()), QStringLiteral("http://127.0.0.1:1/site.html"));
    QCOMPARE(f.tabs.TabCount(), 1);
    // A click asks first; "No" does nothing, "Yes" shows the file in its folder.
    entry(tools, "run")->trigger();
    QCOMPARE(f.asked.size(), 1);
    QVERIFY(f.asked.first().contains("run.sh"));
    QVERIFY(m_desktop.opened.isEmpty());
    f.answer = true;
    entry(tools, "app")->trigger();
    QCOMPARE(m_desktop.opened, QStringList{m_fav + "/Tools"});
    QCOMPARE(f.tabs.TabCount(), 1);
}

void TestFavoritesMenu::commandRows()
{
    TFixture f;
    QAction *add = f.commands.Action("mnuFavoritesAdd");
    QCOMPARE(add->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_D));
    QCOMPARE(f.commands.RowForKey(TKeyCommand::AddToFavorites)->name, QStringLiteral("mnuFavoritesAdd"));
    QCOMPARE(f.commands.Row("mnuFavoritesAdd")->toolbarId, 8);
    QVERIFY(f.commands.Action("pmTabAddToFavorites"));
    QVERIFY(f.commands.Action("mnuToolsExportFavorites")->isEnabled());
    // No offline copies to synchronize: the entry is shown, disabled, and tells why.
    QAction *sync = f.commands.Action("mnuToolsSynchronize");
    QVERIFY(sync->isVisible());
    QVERIFY(!f.commands.Trigger(sync));
    QVERIFY(sync->statusTip().contains(QStringLiteral("offline copies")));
    QCOMPARE(f.commands.PendingNames(), QStringList());
    QVERIFY2(f.commands.Problems().isEmpty(), qPrintable(f.commands.Problems().join('\n')));

    // Export, then import that file into the same folder: the names are taken, so they come
    // back numbered, and the count is reported.
    const QString file = QDir::temp().filePath("tabvane-fav-export.html");
    QFile::remove(file);
    f.favorites->SetFileChooser([file](bool) { return file; });
    QSignalSpy reported(f.favorites.get(), &TFavoritesMenu::Reported);
    QVERIFY(f.commands.Trigger(f.commands.Action("mnuToolsExportFavorites")));
    QVERIFY(QFileInfo(file).isFile());
    QVERIFY(f.commands.Trigger(f.commands.Action("mnuToolsImportBookmarks")));
    QCOMPARE(reported.count(), 2);
    QVERIFY2(reported.at(1).at(0).toString().startsWith("8 favorites in 4 folders"), qPrintable(reported.at(1).at(0).toString()));
    QCOMPARE(ReadShortcutUrl(m_fav + "/News (2)/Deep/Deeper.url"), QStringLiteral("http://127.0.0.1:1/deeper.html"));
    QVERIFY(QFileInfo(m_fav + "/zeta (2).url").isFile());
    QFile::remove(file);
}

void TestFavoritesMenu::addFavoriteWritesTheShortcut()
{
    TfrmAddFavorite dialog(m_fav, QStringLiteral("Daily: A/B news"), QStringLiteral("http://127.0.0.1:1/ab.html"));
    QStringList asked;
    bool answer = false;
    dialog.SetAsker([&](const QString &q) { asked.append(q); return answer; });
    QCOMPARE(dialog.NameEdit()->text(), QStringLiteral("Daily: A-B news"));
    dialog.Tree()->Select(m_fav + "/News");
    QVERIFY(dialog.Save());
    QCOMPARE(dialog.SavedPath(), m_fav + "/News/Daily: A-B news.url");
    QCOMPARE(ReadShortcutUrl(dialog.SavedPath()), QStringLiteral("http://127.0.0.1:1/ab.html"));
    // An existing name asks; "No" keeps the old file.
    dialog.NameEdit()->setText("Daily");
    QVERIFY(!dialog.Save());
    QCOMPARE(asked.size(), 1);
    QCOMPARE(ReadShortcutUrl(m_fav + "/News/Daily.url"), QStringLiteral("http://127.0.0.1:1/daily.html"));
    answer = true;
    QVERIFY(dialog.Save());
    QCOMPARE(ReadShortcutUrl(m_fav + "/News/Daily.url"), QStringLiteral("http://127.0.0.1:1/ab.html"));
    // New Folder makes a folder below the chosen one and chooses it.
    dialog.NewFolder();
    QCOMPARE(dialog.Tree()->SelectedPath(), m_fav + "/News/New Folder");
    dialog.NameEdit()->setText("../../escape");
    QVERIFY(dialog.Save());
    QCOMPARE(QFileInfo(dialog.SavedPath()).absolutePath(), m_fav + "/News/New Folder");
}

void TestFavoritesMenu::organizeRenameMoveDelete()
{
    TfrmOrganizeFavorites dialog(m_fav);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    TFavoritesTree *tree = dialog.Tree();
    tree->Select(m_fav + "/zeta.url");
    QVERIFY(dialog.Details().contains("http://127.0.0.1:1/z.html"));
    QVERIFY(dialog.Details().contains("Modified:"));
    QVERIFY(dialog.RenameSelected("Zed"));
    QCOMPARE(ReadShortcutUrl(m_fav + "/Zed.url"), QStringLiteral("http://127.0.0.1:1/z.html"));
    QCOMPARE(tree->SelectedPath(), m_fav + "/Zed.url");
    QVERIFY(!dialog.RenameSelected("alpha"));   // taken ("alpha.URL")
    QVERIFY(!dialog.LastError().isEmpty());
    QVERIFY(dialog.MoveSelected(m_fav + "/archive"));
    QVERIFY(QFileInfo(m_fav + "/archive/Zed.url").isFile());
    tree->Select(m_fav + "/News");
    QVERIFY(!dialog.MoveSelected(m_fav + "/News/Deep"));
    QVERIFY(dialog.CreateFolder("Fresh"));
    QVERIFY(QFileInfo(m_fav + "/News/Fresh").isDir());
    // F2 edits the name in place; the edit renames the folder.
    tree->Select(m_fav + "/News/Fresh");
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_F2);
    QLineEdit *editor = nullptr;
    QTRY_VERIFY((editor = tree->findChild<QLineEdit *>()) != nullptr);
    editor->setText("Renamed");
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(QFileInfo(m_fav + "/News/Renamed").isDir());
    // Del moves the selection to the trash.
    QTRY_COMPARE(tree->SelectedPath(), m_fav + "/News/Renamed");
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Delete);
    QVERIFY(!QFileInfo::exists(m_fav + "/News/Renamed"));
    QVERIFY(QFileInfo(qEnvironmentVariable("XDG_DATA_HOME") + "/Trash/files/Renamed").isDir());
    QCOMPARE(tree->SelectedPath(), m_fav + "/News");
    // Dropping entries on a folder moves them there.
    QVERIFY(dialog.MoveEntries({m_fav + "/alpha.URL", m_fav + "/readme"}, m_fav + "/News/Deep"));
    QVERIFY(QFileInfo(m_fav + "/News/Deep/alpha.URL").isFile());
    QVERIFY(QFileInfo(m_fav + "/News/Deep/readme").isFile());
}

TV_TEST_MAIN_GUI(TestFavoritesMenu)
#include "tst_favoritesmenu.moc"
