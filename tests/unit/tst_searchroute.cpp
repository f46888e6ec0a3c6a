// Where the search panel sends a navigation: "_main" links (own or base target) to the
// tabs, "DEF:" addresses back into the panel, everything else left alone; only web
// addresses are ever handed on. Also the window budget against pages that open windows in
// a loop, and the program's own search bar page.

#include "search/searchbarpage.h"
#include "search/searchroute.h"

#include <QtTest>

Q_DECLARE_METATYPE(TSearchRouteKind)

namespace {
TLinkClick click(const QString &href, const QString &target, const QString &base = QString())
{
    TLinkClick c;
    c.href = href;
    c.target = target;
    c.baseTarget = base;
    return c;
}
}

class TestSearchRoute : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void route_data();
    void route();
    void shiftAndSettingChooseTheTab();
    void windowBudget();
    void searchBarPageListsWebEngines();
};

void TestSearchRoute::route_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("clicked");
    QTest::addColumn<QString>("href");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("base");
    QTest::addColumn<bool>("form");
    QTest::addColumn<TSearchRouteKind>("kind");
    QTest::addColumn<QString>("routed");

    const QString r = QStringLiteral("http://results.test/item?id=1");
    using K = TSearchRouteKind;
    QTest::newRow("_main link") << r << true << r << "_main" << "" << false << K::ToTabs << r;
    QTest::newRow("base _main") << r << true << r << "" << "_main" << false << K::ToTabs << r;
    QTest::newRow("_self beats base _main") << r << true << r << "_self" << "_main" << false << K::AsRequested << "";
    QTest::newRow("plain link") << r << true << r << "" << "" << false << K::AsRequested << "";
    QTest::newRow("no click (a script)") << r << false << "" << "" << "" << false << K::AsRequested << "";
    QTest::newRow("click on another link") << r << true << "http://results.test/other" << "_main" << "" << false
                                           << K::AsRequested << "";
    QTest::newRow("fragment ignored") << r + "#top" << true << r << "_main" << "" << false << K::ToTabs << r + "#top";
    QTest::newRow("form sent to _main") << "https://s.test/find?q=a+b" << true << "https://s.test/find" << "_main"
                                        << "" << true << K::ToTabs << "https://s.test/find?q=a+b";
    QTest::newRow("_main to a file") << "file:///etc/passwd" << true << "file:///etc/passwd" << "_main" << ""
                                     << false << K::Refused << "";
    QTest::newRow("_main to data") << "data:text/html,x" << true << "data:text/html,x" << "_main" << "" << false
                                   << K::Refused << "";
    QTest::newRow("DEF:") << "DEF:http://kept.test/a" << false << "" << "" << "" << false << K::InPanel
                          << "http://kept.test/a";
    QTest::newRow("def: in lower case") << "def:https://kept.test/" << false << "" << "" << "" << false
                                        << K::InPanel << "https://kept.test/";
    QTest::newRow("DEF: beats _main") << "def:http://kept.test/" << true << "def:http://kept.test/" << "_main" << ""
                                      << false << K::InPanel << "http://kept.test/";
    QTest::newRow("DEF:javascript") << "DEF:javascript:alert(1)" << false << "" << "" << "" << false << K::Refused
                                    << "";
    QTest::newRow("DEF:file") << "def:file:///home/u/.ssh/id_rsa" << false << "" << "" << "" << false
                              << K::Refused << "";
    QTest::newRow("DEF:data") << "DEF:data:text/html,<b>x</b>" << false << "" << "" << "" << false << K::Refused
                              << "";
    // Addresses with a host but another scheme: only the scheme tells them from web pages.
    QTest::newRow("_main to a file on a host") << "file://server/share/x.exe" << true << "file://server/share/x.exe"
                                               << "_main" << "" << false << K::Refused << "";
    QTest::newRow("DEF:ftp") << "DEF:ftp://files.test/x" << false << "" << "" << "" << false << K::Refused << "";
    QTest::newRow("DEF: alone") << "DEF:" << false << "" << "" << "" << false << K::Refused << "";
}

void TestSearchRoute::route()
{
    QFETCH(QString, url);
    QFETCH(bool, clicked);
    QFETCH(QString, href);
    QFETCH(QString, target);
    QFETCH(QString, base);
    QFETCH(bool, form);
    QFETCH(TSearchRouteKind, kind);
    QFETCH(QString, routed);
    TLinkClick c = click(href, target, base);
    c.form = form;
    const TSearchRoute route = TSearchRouting::Route(url, clicked ? &c : nullptr, true, false);
    QCOMPARE(route.kind, kind);
    QCOMPARE(route.url, routed);
}

void TestSearchRoute::shiftAndSettingChooseTheTab()
{
    const QString r = QStringLiteral("https://results.test/");
    const TLinkClick c = click(r, QStringLiteral("_main"));
    // SearchNewWin on: a tab of its own, Shift: the active tab; off: the other way round.
    QVERIFY(TSearchRouting::Route(r, &c, true, false).newTab);
    QVERIFY(!TSearchRouting::Route(r, &c, true, true).newTab);
    QVERIFY(!TSearchRouting::Route(r, &c, false, false).newTab);
    QVERIFY(TSearchRouting::Route(r, &c, false, true).newTab);
}

void TestSearchRoute::windowBudget()
{
    TWindowBudget budget(3, 10000);
    QVERIFY(budget.Take(0));
    QVERIFY(budget.Take(10));
    QVERIFY(budget.Take(20));
    for (int i = 0; i < 100; ++i)   // a loop of window.open gets no more
        QVERIFY(!budget.Take(30 + i * 1000));
    // While the page keeps trying, nothing opens, however long it tries.
    QVERIFY(!budget.Take(108000));
    QVERIFY(!budget.Take(117999));
    // A whole period of quiet lets windows open again, as many as before.
    QVERIFY(budget.Take(127999));
    QVERIFY(budget.Take(128000));
    QVERIFY(budget.Take(128001));
    QVERIFY(!budget.Take(128002));

    // Windows spread out over time are never held back.
    TWindowBudget spread(3, 10000);
    for (int i = 0; i < 20; ++i)
        QVERIFY(spread.Take(i * 4000));
}

void TestSearchRoute::searchBarPageListsWebEngines()
{
    const QString html = TSearchBarScheme::PageHtml({{"Find <it> & more", "https://find.test/?q=%s"},
                                                     {"Start", "http://start.test/home"},
                                                     {"Local", "file:///etc/passwd"},
                                                     {"Script", "javascript:alert(1)"}});
    QVERIFY(html.contains(QLatin1String("Find &lt;it&gt; &amp; more")));
    QVERIFY(!html.contains(QLatin1String("<it>")));
    // Links go to the tabs; an engine taking words starts at its site's start page.
    QVERIFY(html.contains(QLatin1String("<a target=\"_main\" href=\"https://find.test/\"")));
    QVERIFY(html.contains(QLatin1String("data-location=\"https://find.test/?q=%s\"")));
    QVERIFY(html.contains(QLatin1String("<a target=\"_main\" href=\"http://start.test/home\"")));
    QCOMPARE(html.count(QLatin1String("<li>")), 2);
    QVERIFY(!html.contains(QLatin1String("file:")));
    QVERIFY(!html.contains(QLatin1String("javascript:")));
    QVERIFY(!html.contains(QLatin1String("no search engines")));
    QVERIFY(TSearchBarScheme::PageHtml({}).contains(QLatin1String("no search engines")));
}

QTEST_GUILESS_MAIN(TestSearchRoute)
#include "tst_searchroute.moc"
