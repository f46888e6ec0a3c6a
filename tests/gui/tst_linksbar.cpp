// The links bar built from a real Links folder: buttons in folder-then-file order with
// their extensions stripped and "&" shown as it is, the fixed entries told apart by role,
// the chevron and its whole-menu contents, rebuilds when the folder changes on disk, and
// the shared open rule behind a click and behind "Open All" (the idle blank tab reused as
// the page's tab home, files handed to the desktop, programs never started).

#include "testenv.h"
#include "recordinghost.h"

#include "app/windowsettings.h"
#include "browser/browsertab.h"
#include "browser/tabmanager.h"
#include "favorites/discmon.h"
#include "favorites/launchlink.h"
#include "favorites/linksbar.h"
#include "navigation/commandtable.h"
#include "platform/scripted_control.h"
#include "platform/shellfolders.h"

#include <QAction>
#include <QBoxLayout>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

#include "folderfixture.h"

#include <memory>

namespace {
QByteArray shortcut(const QString &url)
{
    return "[InternetShortcut]\r\nURL=" + url.toUtf8() + "\r\n";
}

QStringList texts(const QList<QAction *> &actions)
{
    QStringList out;
    for (const QAction *a : actions)
        out.append(a->isSeparator() ? QStringLiteral("-sep-") : a->text());
    return out;
}

QStringList texts(const QList<QToolButton *> &buttons)
{
    QStringList out;
    for (const QToolButton *b : buttons)
        out.append(b->text());
    return out;
}

QString lastNavigation(const TBrowserTab *tab)
{
    const QStringList n = ScriptedControlOf(tab)->navigations();
    return n.isEmpty() ? QString() : n.last();
}

struct TFixture {
    TRecordingHost host;
    QWidget window;
    TTabManager tabs{host.Parts(), &window};
    TCommandTable commands{&window};
    QWidget *panel = new QWidget(&window);
    TLinkLauncher launcher{&tabs};
    std::unique_ptr<TLinksBar> bar;

    TFixture()
    {
        window.resize(900, 200);
        panel->setLayout(new QHBoxLayout);
        panel->layout()->setContentsMargins(0, 0, 0, 0);
        panel->setGeometry(0, 0, 900, 24);
        tabs.CreateForegroundTab();
        ScriptedControlOf(tabs.ActiveTab())->setLocationURL(QStringLiteral("about:blank"));
        window.show();
    }
    bool build()
    {
        bar = std::make_unique<TLinksBar>(panel, &launcher, &commands);
        QSignalSpy rebuilt(bar.get(), &TLinksBar::Rebuilt);
        return rebuilt.wait(10000);
    }
};
}

class TestLinksBar : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    void init();
    void cleanup();

    void buttonsFromTheFolder();
    void chevronListsTheWholeMenu();
    void folderMenusHoldTheirSubTree();
    void diskChangesRebuildTheBar();
    void clickOpensByPreference();
    void openAllUsesTheIdleBlankTabFirst();
    void filesGoToTheDesktopProgramsNever();
    void missingFolderAndOrganizeLinks();

private:
    QString m_links;
    TDesktopRecorder m_desktop;
};

void TestLinksBar::initTestCase()
{
    TScriptedControl::Install();
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_desktop, "open");
}

void TestLinksBar::init()
{
    m_links = TShellFolders::LinksFolder();
    QDir(m_links).removeRecursively();
    QDir().mkpath(m_links);
    PutFile(m_links + QStringLiteral("/zeta.url"), shortcut(QStringLiteral("http://127.0.0.1:1/z.html")));
    PutFile(m_links + QStringLiteral("/R&D.url"), shortcut(QStringLiteral("http://127.0.0.1:1/rd.html")));
    PutFile(m_links + QStringLiteral("/-.url"), shortcut(QStringLiteral("http://127.0.0.1:1/dash.html")));
    PutFile(m_links + QStringLiteral("/Alpha.URL"), shortcut(QStringLiteral("http://127.0.0.1:1/a.html")));
    PutFile(m_links + QStringLiteral("/Notes.txt"), "notes");
    PutFile(m_links + QStringLiteral("/News/Daily.url"), shortcut(QStringLiteral("http://127.0.0.1:1/daily.html")));
    PutFile(m_links + QStringLiteral("/News/Deep/Deeper.url"), shortcut(QStringLiteral("http://127.0.0.1:1/deeper.html")));
    PutFile(m_links + QStringLiteral("/archive/old.url"), shortcut(QStringLiteral("http://127.0.0.1:1/old.html")));
    m_desktop.opened.clear();
}

void TestLinksBar::cleanup()
{
    QDir(m_links).removeRecursively();
}

void TestLinksBar::buttonsFromTheFolder()
{
    TFixture f;
    QVERIFY(f.build());
    // Folders, then files; "&" doubled so it shows; a link named "-" is a link.
    QCOMPARE(texts(f.bar->Buttons()),
             (QStringList{"archive", "News", "-", "Alpha", "Notes", "R&&D", "zeta"}));
    const QList<QToolButton *> buttons = f.bar->Buttons();
    QVERIFY(buttons.at(1)->menu());
    QVERIFY(!buttons.at(2)->menu());
    QCOMPARE(buttons.at(2)->toolTip(), QStringLiteral("http://127.0.0.1:1/dash.html"));
    QCOMPARE(buttons.at(4)->toolTip(), m_links + QStringLiteral("/Notes.txt"));
    // Left to right, one pixel apart.
    for (int i = 1; i < buttons.size(); ++i)
        QCOMPARE(buttons.at(i)->x(), buttons.at(i - 1)->geometry().right() + 2);
    QVERIFY(f.bar->Monitor() && f.bar->Monitor()->Active());
    // Reading an unchanged folder again keeps the buttons (one may be under the mouse).
    const QPointer<QToolButton> first = buttons.first();
    QSignalSpy again(f.bar.get(), &TLinksBar::Rebuilt);
    f.bar->RebuildLinks();
    QVERIFY(again.wait(10000));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(first);
    QCOMPARE(f.bar->Buttons().first(), first.data());
}

void TestLinksBar::chevronListsTheWholeMenu()
{
    TFixture f;
    QVERIFY(f.build());
    QVERIFY(!f.bar->ChevronShown());
    f.panel->resize(60, 24);
    QTRY_VERIFY(f.bar->ChevronShown());
    // The chevron drops down every entry, not only the hidden ones.
    QMenu *menu = f.bar->Chevron()->menu();
    QCOMPARE(menu, f.bar->LinksMenu());
    QCOMPARE(texts(menu->actions()), (QStringList{"O&pen All Favorites", "-sep-", "archive", "News", "-", "Alpha",
                                                  "Notes", "R&&D", "zeta", "-sep-", "&Customize..."}));
    const QList<QAction *> actions = menu->actions();
    QCOMPARE(TLinksBar::LinkRole(actions.at(0)), TLinksBar::RoleOpenAll);
    QCOMPARE(TLinksBar::LinkRole(actions.at(4)), TLinksBar::RoleLink);
    QCOMPARE(TLinksBar::LinkRole(actions.at(10)), TLinksBar::RoleCustomize);
    f.panel->resize(900, 24);
    QTRY_VERIFY(!f.bar->ChevronShown());
}

void TestLinksBar::folderMenusHoldTheirSubTree()
{
    TFixture f;
    QVERIFY(f.build());
    QMenu *news = f.bar->Buttons().at(1)->menu();
    f.bar->FillMenu(news);
    QCOMPARE(texts(news->actions()), (QStringList{"O&pen All Favorites", "-sep-", "Deep", "Daily"}));
    QCOMPARE(TLinksBar::LinkTarget(news->actions().at(0)), m_links + QStringLiteral("/News"));
    QMenu *deep = news->actions().at(2)->menu();
    f.bar->FillMenu(deep);
    QCOMPARE(texts(deep->actions()), (QStringList{"O&pen All Favorites", "-sep-", "Deeper"}));
    QCOMPARE(TLinksBar::LinkTarget(deep->actions().at(2)), QStringLiteral("http://127.0.0.1:1/deeper.html"));
}

void TestLinksBar::diskChangesRebuildTheBar()
{
    TFixture f;
    QVERIFY(f.build());
    QSignalSpy rebuilt(f.bar.get(), &TLinksBar::Rebuilt);
    // Anywhere below the folder, and a burst gives a rebuild or two, not one per file.
    for (int i = 0; i < 100; ++i)
        PutFile(m_links + QStringLiteral("/News/Deep/burst%1.url").arg(i), shortcut(QStringLiteral("http://127.0.0.1:1/")));
    PutFile(m_links + QStringLiteral("/Beta.url"), shortcut(QStringLiteral("http://127.0.0.1:1/b.html")));
    QTRY_VERIFY_WITH_TIMEOUT(texts(f.bar->Buttons()).contains(QStringLiteral("Beta")), 10000);
    QVERIFY(rebuilt.count() < 10);
    QVERIFY(QFile::remove(m_links + QStringLiteral("/zeta.url")));
    QTRY_VERIFY_WITH_TIMEOUT(!texts(f.bar->Buttons()).contains(QStringLiteral("zeta")), 10000);
    // Switching the icons rebuilds too.
    rebuilt.clear();
    TWindowSettings settings;
    settings.useCustomIcons = !f.bar->UseCustomIcons();
    f.bar->Load(settings);
    QVERIFY(rebuilt.wait(10000));
}

void TestLinksBar::clickOpensByPreference()
{
    TFixture f;
    QVERIFY(f.build());
    TBrowserTab *blank = f.tabs.ActiveTab();
    QToolButton *alpha = f.bar->Buttons().at(3);
    QCOMPARE(alpha->text(), QStringLiteral("Alpha"));
    // The idle blank tab takes the page, which becomes its tab home.
    alpha->click();
    QCOMPARE(f.tabs.TabCount(), 1);
    QCOMPARE(lastNavigation(blank), QStringLiteral("http://127.0.0.1:1/a.html"));
    QCOMPARE(blank->HomeURL, QStringLiteral("http://127.0.0.1:1/a.html"));
    ScriptedControlOf(blank)->setLocationURL(QStringLiteral("http://127.0.0.1:1/a.html"));
    // A busy page is not blank: the next link gets a tab of its own.
    f.bar->Buttons().at(2)->click();
    QCOMPARE(f.tabs.TabCount(), 2);
    QCOMPARE(lastNavigation(f.tabs.ActiveTab()), QStringLiteral("http://127.0.0.1:1/dash.html"));
    // With "LinksNewWin" off the active tab goes there and keeps its tab home.
    TWindowSettings settings;
    settings.linksNewWin = false;
    settings.useCustomIcons = f.bar->UseCustomIcons();
    f.bar->Load(settings);
    TBrowserTab *active = f.tabs.ActiveTab();
    f.bar->Buttons().at(6)->click();
    QCOMPARE(f.tabs.TabCount(), 2);
    QCOMPARE(lastNavigation(active), QStringLiteral("http://127.0.0.1:1/z.html"));
    QCOMPARE(active->HomeURL, QStringLiteral("http://127.0.0.1:1/dash.html"));
}

void TestLinksBar::openAllUsesTheIdleBlankTabFirst()
{
    TFixture f;
    QVERIFY(f.build());
    TBrowserTab *blank = f.tabs.ActiveTab();
    f.bar->LinksMenu()->actions().at(0)->trigger();   // "Open All" of the Links menu
    // Folders are skipped, the text file goes to the desktop, the four links open: the
    // first in the blank tab, the rest in new tabs, each as its tab home.
    QCOMPARE(m_desktop.opened, QStringList{m_links + QStringLiteral("/Notes.txt")});
    const QList<TBrowserTab *> tabs = f.tabs.Tabs();
    QCOMPARE(tabs.size(), 4);
    QCOMPARE(lastNavigation(blank), QStringLiteral("http://127.0.0.1:1/dash.html"));
    QStringList homes;
    for (const TBrowserTab *tab : tabs)
        homes.append(tab->HomeURL);
    homes.sort();
    QCOMPARE(homes, (QStringList{"http://127.0.0.1:1/a.html", "http://127.0.0.1:1/dash.html",
                                 "http://127.0.0.1:1/rd.html", "http://127.0.0.1:1/z.html"}));
    // A shortcut without address opens nothing but uses up the blank tab.
    TLinkLauncher launcher(&f.tabs);
    ScriptedControlOf(f.tabs.ActiveTab())->setLocationURL(QStringLiteral("about:blank"));
    launcher.OpenAll({QString(), QStringLiteral("http://127.0.0.1:1/x.html")});
    QCOMPARE(f.tabs.Tabs().size(), 5);
}

void TestLinksBar::filesGoToTheDesktopProgramsNever()
{
    TFixture f;
    TLinkLauncher &launcher = f.launcher;
    const QString doc = m_links + QStringLiteral("/Notes.txt");
    launcher.LaunchLink(doc, true);
    QCOMPARE(m_desktop.opened, QStringList{doc});
    // A program is never started: its folder is shown.
    const QString script = m_links + QStringLiteral("/run.sh");
    PutFile(script, "#!/bin/sh\ntouch /tmp/should-not-run\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    PutFile(m_links + QStringLiteral("/app.desktop"), "[Desktop Entry]\nExec=touch /tmp/should-not-run\n");
    m_desktop.opened.clear();
    launcher.LaunchLink(script, true);
    launcher.LaunchLink(m_links + QStringLiteral("/app.desktop"), true);
    QCOMPARE(m_desktop.opened, (QStringList{m_links, m_links}));
    // Open All leaves them alone.
    m_desktop.opened.clear();
    launcher.OpenAll({script});
    QVERIFY(m_desktop.opened.isEmpty());
    // Addresses of any scheme go to a tab, never to the desktop.
    launcher.LaunchLink(QStringLiteral("file:///etc/hostname"), true);
    launcher.LaunchLink(QStringLiteral("javascript:void(0)"), true);
    QVERIFY(m_desktop.opened.isEmpty());
    QCOMPARE(lastNavigation(f.tabs.ActiveTab()), QStringLiteral("javascript:void(0)"));
}

void TestLinksBar::missingFolderAndOrganizeLinks()
{
    QDir(m_links).removeRecursively();
    TFixture f;
    QVERIFY(f.build());
    QVERIFY(f.bar->Buttons().isEmpty());
    QVERIFY(!f.bar->Monitor());
    QVERIFY(!f.bar->ChevronShown());
    // "Organize Links..." is a real row now; on a missing folder it makes one and shows it.
    QAction *organize = f.commands.Action(QStringLiteral("pmCustomizeOrganizeLinks"));
    QVERIFY(organize && organize->isEnabled());
    QSignalSpy rebuilt(f.bar.get(), &TLinksBar::Rebuilt);
    QVERIFY(f.commands.Trigger(organize));
    QCOMPARE(m_desktop.opened, QStringList{m_links});
    QVERIFY(QFileInfo(m_links).isDir());
    QVERIFY(f.bar->Monitor());
    QVERIFY(rebuilt.wait(10000));
    // And links put there now appear.
    PutFile(m_links + QStringLiteral("/First.url"), shortcut(QStringLiteral("http://127.0.0.1:1/first.html")));
    QTRY_VERIFY_WITH_TIMEOUT(texts(f.bar->Buttons()) == QStringList{"First"}, 10000);
    // A folder that goes empties the bar; when it comes back, so do its links.
    const QString away = m_links + QStringLiteral(".away");
    QVERIFY(QDir().rename(m_links, away));
    QTRY_VERIFY_WITH_TIMEOUT(f.bar->Buttons().isEmpty() && !f.bar->Monitor(), 10000);
    QVERIFY(QDir().rename(away, m_links));
    QTRY_VERIFY_WITH_TIMEOUT(texts(f.bar->Buttons()) == QStringList{"First"}, 10000);
    // "&Customize..." at the end of the Links menu does the same.
    m_desktop.opened.clear();
    f.bar->LinksMenu()->actions().last()->trigger();
    QCOMPARE(m_desktop.opened, QStringList{m_links});
}

TV_TEST_MAIN_GUI(TestLinksBar)
#include "tst_linksbar.moc"
