// The side bar's Search page over scripted web controls: shown by Go > Search and its keys,
// loaded once; links the panel's pages follow routed by their target ("_main" to the tabs
// under SearchNewWin, "DEF:" back into the panel, only web addresses handed on); windows
// its pages open made foreground tabs without a flood; the home and favorites commands.

#include "testenv.h"
#include "recordinghost.h"

#include "app/kwoptions.h"
#include "browser/browsertab.h"
#include "browser/kwpagecontrol.h"
#include "browser/tabmanager.h"
#include "browser/vessabrowser.h"
#include "favorites/sidebar.h"
#include "navigation/commandtable.h"
#include "platform/scripted_control.h"
#include "search/searchbarpage.h"
#include "search/searchengines.h"
#include "search/searchlist.h"
#include "search/searchpanel.h"

#include <QBoxLayout>
#include <QMenu>
#include <QtTest>

#include <memory>

namespace {

struct TFixture {
    TRecordingHost host;
    QWidget window;
    TTabManager tabs{host.Parts(), &window};
    TCommandTable commands{&window};
    QWidget *panel = new QWidget(&window);
    std::unique_ptr<TSideBar> bar;
    std::unique_ptr<TSearchEngines> engines;
    std::unique_ptr<TSearchPanel> search;

    explicit TFixture(const TWindowSettings &settings = defaults())
    {
        window.resize(900, 600);
        auto *box = new QHBoxLayout(&window);
        box->addWidget(panel);
        box->addWidget(tabs.PageControl(), 1);
        tabs.CreateForegroundTab();
        // The first tab shows a page: pages sent to a new tab do not reuse it.
        ScriptedControlOf(tabs.ActiveTab())->setLocationURL(QStringLiteral("http://127.0.0.1:1/busy.html"));
        bar = std::make_unique<TSideBar>(panel, &tabs, &commands, TSideBarGroups{},
                                         [] { return QString(); });
        QObject::connect(bar.get(), &TSideBar::ShowRequested, bar.get(), &TSideBar::SetShown);
        bar->SetShown(false);
        engines = std::make_unique<TSearchEngines>(&tabs, &commands, &window, [] { return QString(); });
        search = std::make_unique<TSearchPanel>(&tabs, engines.get(), &window,
                                                [this] { bar->ShowPage(TSideBar::Search); });
        bar->SetSearchPage([this](QWidget *page) { search->Prepare(page); });
        search->Load(settings);
        window.show();
    }
    static TWindowSettings defaults()
    {
        TWindowSettings s;
        s.searchBar = TKWOptions::DefaultSearchBar();
        return s;
    }
    TScriptedControl *control() const
    {
        return search->SearchBrowser() ? qobject_cast<TScriptedControl *>(search->SearchBrowser()->Control()) : nullptr;
    }
    void show() { QVERIFY(commands.Trigger(commands.Action(QStringLiteral("mnuGoSearch")))); }
    QStringList tabNavigations() const
    {
        QStringList out;
        // Pages sent from the panel (new tabs begin blank).
        for (TBrowserTab *tab : tabs.Tabs())
            for (const QString &url : ScriptedControlOf(tab)->navigations())
                if (url != QLatin1String("about:blank"))
                    out += url;
        return out;
    }
};

QString lastNavigation(const TBrowserTab *tab)
{
    const QStringList n = ScriptedControlOf(tab)->navigations();
    return n.isEmpty() ? QString() : n.last();
}

TLinkClick click(const QString &href, const QString &target, const QString &base = QString())
{
    TLinkClick c;
    c.href = href;
    c.target = target;
    c.baseTarget = base;
    return c;
}

}

class TestSearchPanel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { TScriptedControl::Install(); }

    void goSearchAndKeysShowThePanelLoadedOnce();
    void linksAreRoutedByTheirTarget();
    void mainLinksFollowSearchNewWin();
    void windowsBecomeForegroundTabsWithoutFlood();
    void homeCommands();
    void favorites();
};

void TestSearchPanel::goSearchAndKeysShowThePanelLoadedOnce()
{
    TFixture f;
    TKWPageControl *pages = f.bar->PageControl();
    QCOMPARE(pages->PageCount(), 4);
    QCOMPARE(pages->Page(1)->objectName(), QStringLiteral("tsHistory"));
    QCOMPARE(pages->Page(2)->objectName(), QStringLiteral("tsSearch"));
    QCOMPARE(pages->Page(3)->objectName(), QStringLiteral("tsVessaGroups"));
    QVERIFY(!f.search->SearchBrowser());   // nothing is made before the page is seen

    f.show();
    QVERIFY(f.bar->Shown());
    QCOMPARE(f.bar->ActivePage(), TSideBar::Search);
    QVERIFY(f.search->Loaded());
    TScriptedControl *c = f.control();
    QVERIFY(c);
    QVERIFY(c->reportsLinkClicks());
    // The maker's default home is the program's own page; the loading page comes first.
    QCOMPARE(c->navigations(), QStringList{TSearchBarScheme::Address()});
    QVERIFY(c->operations().contains("WriteDocument " + TSearchPanel::LoadingPageHtml()));
    // The program's own navigation is let through unexamined.
    QVERIFY(!c->fireBeforeNavigate2(c->Application(), TSearchBarScheme::Address(), TNavigationType::Typed));

    // Showing it again loads nothing more; its key hides and shows the bar.
    f.show();
    QCOMPARE(c->navigations().size(), 1);
    QVERIFY(f.commands.RunKey(TKeyCommand::SideBarSearch));
    QVERIFY(!f.bar->Shown());
    QVERIFY(f.commands.RunKey(TKeyCommand::SideBarSearch));
    QVERIFY(f.bar->Shown());
    QCOMPARE(f.bar->ActivePage(), TSideBar::Search);
    QCOMPARE(c->navigations().size(), 1);

    // A user's own home is loaded as it is.
    TWindowSettings s = TFixture::defaults();
    s.searchBar = QStringLiteral("http://home.test/search.html");
    TFixture g(s);
    g.show();
    QCOMPARE(g.control()->navigations(), QStringList{"http://home.test/search.html"});
}

void TestSearchPanel::linksAreRoutedByTheirTarget()
{
    TFixture f;
    f.show();
    TScriptedControl *c = f.control();
    const TWebFrame top = c->Application();
    // The engine asks about the program's own load of the home first.
    QVERIFY(!c->fireBeforeNavigate2(top, TSearchBarScheme::Address(), TNavigationType::Typed));

    // "_main" (a new-window request in the engine) goes to a new tab in front.
    c->fireLinkClicked(click("http://r.test/1", "_main"));
    QVERIFY(c->fireNewWindow2("http://r.test/1").cancel);
    QTRY_COMPARE(f.tabs.Tabs().size(), 2);
    QCOMPARE(lastNavigation(f.tabs.ActiveTab()), QStringLiteral("http://r.test/1"));

    // A link without target on a page whose base target is "_main", as a navigation.
    c->fireLinkClicked(click("http://r.test/2", "", "_main"));
    QVERIFY(c->fireBeforeNavigate2(top, "http://r.test/2"));
    QTRY_COMPARE(f.tabs.Tabs().size(), 3);
    QCOMPARE(lastNavigation(f.tabs.ActiveTab()), QStringLiteral("http://r.test/2"));

    // "_self" over a base "_main", a plain link and a script's navigation stay in the panel.
    c->fireLinkClicked(click("http://r.test/3", "_self", "_main"));
    QVERIFY(!c->fireBeforeNavigate2(top, "http://r.test/3"));
    c->fireLinkClicked(click("http://r.test/4", ""));
    QVERIFY(!c->fireBeforeNavigate2(top, "http://r.test/4"));
    // A click is used once: the redirect that follows a "_main" click is the panel's.
    c->fireLinkClicked(click("http://r.test/5", "_main"));
    QVERIFY(c->fireBeforeNavigate2(top, "http://r.test/5"));
    QVERIFY(!c->fireBeforeNavigate2(top, "http://r.test/5", TNavigationType::Redirect));

    // "def:" keeps an address in the panel; the panel's own load of it is let through.
    c->clearOperations();
    QVERIFY(c->fireBeforeNavigate2(top, "def:http://kept.test/a"));
    QTRY_COMPARE(c->navigations(), QStringList{"http://kept.test/a"});
    QVERIFY(!c->fireBeforeNavigate2(top, "http://kept.test/a", TNavigationType::Typed));

    // Addresses that are not web addresses are refused, wherever they were to go.
    c->clearOperations();
    QVERIFY(c->fireBeforeNavigate2(top, "DEF:javascript:alert(1)"));
    QVERIFY(c->fireBeforeNavigate2(top, "DEF:file:///etc/passwd"));
    c->fireLinkClicked(click("file:///etc/passwd", "_main"));
    QVERIFY(c->fireNewWindow2("file:///etc/passwd").cancel);
    // A later link that does go to the tabs shows that the refused ones opened nothing.
    c->fireLinkClicked(click("http://r.test/6", "_main"));
    QVERIFY(c->fireNewWindow2("http://r.test/6").cancel);
    QTRY_COMPARE(f.tabs.Tabs().size(), 5);
    QCOMPARE(c->navigations(), QStringList());
    QCOMPARE(f.tabNavigations(), (QStringList{"http://r.test/1", "http://r.test/2", "http://r.test/5",
                                              "http://r.test/6"}));
}

void TestSearchPanel::mainLinksFollowSearchNewWin()
{
    TWindowSettings s = TFixture::defaults();
    s.searchNewWin = false;
    TFixture f(s);
    f.show();
    TScriptedControl *c = f.control();
    TBrowserTab *first = f.tabs.ActiveTab();
    c->fireLinkClicked(click("http://r.test/same", "_main"));
    QVERIFY(c->fireNewWindow2("http://r.test/same").cancel);
    QTRY_COMPARE(lastNavigation(first), QStringLiteral("http://r.test/same"));
    QCOMPARE(f.tabs.Tabs().size(), 1);
    // Shift held at the click inverts the setting: a tab of its own.
    TLinkClick shifted = click("http://r.test/own", "_main");
    shifted.shift = true;
    c->fireLinkClicked(shifted);
    QVERIFY(c->fireNewWindow2("http://r.test/own").cancel);
    QTRY_COMPARE(f.tabs.Tabs().size(), 2);
    QCOMPARE(lastNavigation(f.tabs.ActiveTab()), QStringLiteral("http://r.test/own"));
}

void TestSearchPanel::windowsBecomeForegroundTabsWithoutFlood()
{
    TFixture f;
    f.tabs.SetOpenNewInForeground(false);
    f.show();
    TScriptedControl *c = f.control();
    TBrowserTab *first = f.tabs.ActiveTab();
    // A window the page opens (no "_main" click) is adopted by a tab made in front.
    const TScriptedControl::NewWindowResult r = c->fireNewWindow2("http://pop.test/1");
    QVERIFY(!r.cancel);
    QVERIFY(r.window);
    TBrowserTab *popup = f.tabs.ActiveTab();
    QVERIFY(popup != first);
    QCOMPARE(ScriptedControlOf(popup)->Application(), r.window);
    QVERIFY(!f.tabs.OpenNewInForeground());   // the user's setting is left as it was
    // The window's first address passes the popup filter and the tab shows.
    QVERIFY(!ScriptedControlOf(popup)->fireBeforeNavigate2(r.window, "http://pop.test/1"));
    QVERIFY(popup->TabVisible());

    // A page opening windows in a loop gets a few.
    int adopted = 1;
    for (int i = 0; i < 20; ++i)
        adopted += c->fireNewWindow2(QStringLiteral("http://pop.test/loop%1").arg(i)).window ? 1 : 0;
    QCOMPARE(adopted, 3);
    QCOMPARE(f.tabs.Tabs().size(), 4);
}

void TestSearchPanel::homeCommands()
{
    TFixture f;
    f.show();
    TScriptedControl *c = f.control();
    c->setLocationURL(QStringLiteral("http://results.test/page"));
    f.search->pmSearchHomeSetClick();
    c->clearOperations();
    f.search->tbNewSearchClick();
    QCOMPARE(c->navigations(), QStringList{"http://results.test/page"});
    TWindowSettings saved;
    f.search->Save(saved);
    QCOMPARE(saved.searchBar, QStringLiteral("http://results.test/page"));

    // The search bar button loads the program's page whatever the home is.
    c->clearOperations();
    f.search->tbChooseSearchBarClick();
    QCOMPARE(c->navigations(), QStringList{TSearchBarScheme::Address()});
    QVERIFY(c->operations().contains("WriteDocument " + TSearchPanel::LoadingPageHtml()));

    // Open... loads the address given in the panel; a cancelled dialog loads nothing.
    c->clearOperations();
    f.search->AskAddress = [] { return QStringLiteral("http://typed.test/"); };
    f.search->tbOpenSearchClick();
    f.search->AskAddress = [] { return QString(); };
    f.search->tbOpenSearchClick();
    QCOMPARE(c->navigations(), QStringList{"http://typed.test/"});
    QCOMPARE(f.tabs.Tabs().size(), 1);
}

void TestSearchPanel::favorites()
{
    TFixture f;
    f.show();
    TScriptedControl *c = f.control();
    QMenu *menu = f.search->FavoritesMenu();
    QCOMPARE(menu->actions().size(), 3);   // Add, Organize, the separator
    c->setLocationURL(QStringLiteral("http://fav.test/a"));
    c->setLocationName(QStringLiteral("Page A"));
    QString offered;
    QString answer = QStringLiteral("Finds");
    f.search->AskFavoriteName = [&](QString *name) {
        offered = *name;
        *name = answer;
        return true;
    };
    f.search->pmSearchFavsAddClick();
    QCOMPARE(offered, QStringLiteral("Page A"));
    // The same name in other letters replaces it; an empty name writes nothing.
    c->setLocationURL(QStringLiteral("http://fav.test/b"));
    answer = QStringLiteral("FINDS");
    f.search->pmSearchFavsAddClick();
    answer = QString();
    f.search->pmSearchFavsAddClick();
    QCOMPARE(TSearchList::Read(TSearchListKind::SearchBar), (TSearchEntries{{"FINDS", "http://fav.test/b"}}));
    QCOMPARE(menu->actions().size(), 4);
    QAction *item = menu->actions().last();
    QCOMPARE(item->text(), QStringLiteral("FINDS"));
    c->clearOperations();
    item->trigger();
    QCOMPARE(c->navigations(), QStringList{"http://fav.test/b"});
}

TV_TEST_MAIN_GUI(TestSearchPanel)
#include "tst_searchpanel.moc"
