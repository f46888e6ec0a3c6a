// The search panel in a running window on the real web engine, with pages served by the
// test: a "_main" link clicked in the panel opens in a tab while a plain link stays in the
// panel, a "DEF:" link keeps its address in the panel, and the program's own search bar
// page lists the user's engines and sends a search typed there to a tab.

#include "testenv.h"
#include "httpserver.h"

#include "app/kwoptions.h"
#include "app/main_window.h"
#include "browser/browsertab.h"
#include "browser/vessabrowser.h"
#include "platform/webengine_control.h"
#include "platform/webprofile.h"
#include "search/searchbarpage.h"
#include "search/searchlist.h"
#include "search/searchpanel.h"

#include <QAction>
#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebEngineView>
#include <QWindow>
#include <QtTest>

#include <memory>

namespace {
const int LoadTimeout = 20000;

QByteArray page(const QByteArray &title, const QByteArray &body = QByteArray())
{
    return "<html><head><title>" + title + "</title></head><body style=\"margin:0\">" + body + "</body></html>";
}

// The link as a block of its own, so that a click in its middle hits it.
QByteArray link(const QByteArray &id, const QByteArray &href, const QByteArray &target = QByteArray())
{
    QByteArray a = "<a id=\"" + id + "\" href=\"" + href + "\"";
    if (!target.isEmpty())
        a += " target=\"" + target + "\"";
    return a + " style=\"display:block;height:60px\">" + id + "</a>";
}
}

class TestSearchPanelEngine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void linksGoWhereTheirTargetSays();
    void ownSearchBarPageSearchesIntoATab();

private:
    void openWindow();
    TWebEngineControl *panelControl() const;
    bool panelShows(const QString &path) const;
    // Clicks the element with that id in the panel until done() holds.
    bool clickUntil(const QString &id, const std::function<bool()> &done);
    TBrowserTab *tabShowing(const QString &path) const;

    std::unique_ptr<TTestHttpServer> m_server;
    std::unique_ptr<TfrmMain> m_window;
    TSearchPanel *m_panel = nullptr;
};

void TestSearchPanelEngine::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
    m_server = std::make_unique<TTestHttpServer>();
    QVERIFY(m_server->isListening());
    const QByteArray kept = "def:" + m_server->urlString(QStringLiteral("/kept.html")).toUtf8();
    m_server->route(QStringLiteral("/panel.html"),
                    page("Panel", link("main", "/result.html", "_main") + link("plain", "/plain.html")
                                          + link("keep", kept)));
    m_server->route(QStringLiteral("/result.html"), page("Result"));
    m_server->route(QStringLiteral("/plain.html"), page("Plain"));
    m_server->route(QStringLiteral("/kept.html"), page("Kept"));
    m_server->route(QStringLiteral("/find"), page("Found"));
}

void TestSearchPanelEngine::cleanup()
{
    m_window.reset();
    m_panel = nullptr;
    QTest::qWait(50);   // let the engine drop the pages before the next test
}

void TestSearchPanelEngine::openWindow()
{
    m_window = std::make_unique<TfrmMain>(QStringLiteral("about:blank"));
    m_window->SetCloseWithoutConfirmation(true);
    m_window->resize(1000, 700);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_panel = m_window->findChild<TSearchPanel *>(QStringLiteral("searchPanel"));
    QVERIFY(m_panel);
    QAction *goSearch = m_window->findChild<QAction *>(QStringLiteral("mnuGoSearch"));
    QVERIFY(goSearch);
    goSearch->trigger();
    QVERIFY(panelControl());
}

TWebEngineControl *TestSearchPanelEngine::panelControl() const
{
    TVessaBrowser *browser = m_panel ? m_panel->SearchBrowser() : nullptr;
    return browser ? qobject_cast<TWebEngineControl *>(browser->Control()) : nullptr;
}

bool TestSearchPanelEngine::panelShows(const QString &path) const
{
    TWebEngineControl *c = panelControl();
    return c && !c->Busy() && QUrl(c->LocationURL()).path() == path;
}

TBrowserTab *TestSearchPanelEngine::tabShowing(const QString &path) const
{
    for (TBrowserTab *tab : m_window->findChildren<TBrowserTab *>())
        if (QUrl(tab->Location()).path() == path)
            return tab;
    return nullptr;
}

bool TestSearchPanelEngine::clickUntil(const QString &id, const std::function<bool()> &done)
{
    TWebEngineControl *c = panelControl();
    QWidget *view = c->view();
    QWidget *top = m_window.get();
    for (int attempt = 0; attempt < 10; ++attempt) {
        bool ok = false;
        const QString rect = c->evaluateBlocking(
                QStringLiteral("(function(){var r=document.getElementById('%1').getBoundingClientRect();"
                               "return JSON.stringify({x:r.left+r.width/2,y:r.top+r.height/2});})()").arg(id),
                5000, &ok, false).toString();
        const QJsonObject at = QJsonDocument::fromJson(rect.toUtf8()).object();
        if (ok && !at.isEmpty()) {
            const QPoint point(int(at.value(QLatin1String("x")).toDouble()), int(at.value(QLatin1String("y")).toDouble()));
            QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, view->mapTo(top, point));
        }
        for (int waited = 0; waited < 2000; waited += 50) {
            if (done())
                return true;
            QTest::qWait(50);
        }
    }
    return false;
}

void TestSearchPanelEngine::linksGoWhereTheirTargetSays()
{
    TKWOptions().SetSearchBar(m_server->urlString(QStringLiteral("/panel.html")));
    openWindow();
    QTRY_VERIFY_WITH_TIMEOUT(panelShows(QStringLiteral("/panel.html")), LoadTimeout);
    const int tabs = m_window->findChildren<TBrowserTab *>().size();

    // "_main": the tabs load the result (the idle blank tab takes it: the window's link
    // is routed, not opened as a window of its own), the panel keeps its page.
    QVERIFY(clickUntil(QStringLiteral("main"), [this] { return tabShowing(QStringLiteral("/result.html")); }));
    QCOMPARE(m_server->requestCount(QStringLiteral("/result.html")), 1);
    QVERIFY(panelShows(QStringLiteral("/panel.html")));
    const int tabsAfterMain = m_window->findChildren<TBrowserTab *>().size();
    QCOMPARE(tabsAfterMain, tabs);

    // A plain link stays in the panel.
    QVERIFY(clickUntil(QStringLiteral("plain"), [this] { return panelShows(QStringLiteral("/plain.html")); }));
    QVERIFY(!tabShowing(QStringLiteral("/plain.html")));
    QCOMPARE(m_window->findChildren<TBrowserTab *>().size(), tabsAfterMain);

    // "def:" + address loads the address in the panel.
    m_panel->tbNewSearchClick();
    QTRY_VERIFY_WITH_TIMEOUT(panelShows(QStringLiteral("/panel.html")), LoadTimeout);
    QVERIFY(clickUntil(QStringLiteral("keep"), [this] { return panelShows(QStringLiteral("/kept.html")); }));
    QVERIFY(!tabShowing(QStringLiteral("/kept.html")));
}

void TestSearchPanelEngine::ownSearchBarPageSearchesIntoATab()
{
    TSearchList::Write(TSearchListKind::Engines,
                       {{"Local Find", m_server->urlString(QStringLiteral("/find?q=%s"))},
                        {"Local Start", m_server->urlString(QStringLiteral("/plain.html"))}});
    TKWOptions().SetSearchBar(QString());   // the default home: the program's own page
    openWindow();
    TWebEngineControl *c = panelControl();
    QTRY_VERIFY_WITH_TIMEOUT(!c->Busy() && c->LocationURL() == TSearchBarScheme::Address(), LoadTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(c->evaluateBlocking(QStringLiteral(
                                      "Array.prototype.map.call(document.querySelectorAll('#engines a'),"
                                      " function (a) { return a.textContent + '|' + a.target; }).join(',')"),
                                                  5000, nullptr, false).toString(),
                              QStringLiteral("Local Find|_main,Local Start|_main"), LoadTimeout);

    c->evaluateBlocking(QStringLiteral("var b = document.getElementById('words'); b.value = 'tab vane';"
                                       "b.dispatchEvent(new Event('input')); true"), 5000, nullptr, false);
    QVERIFY(clickUntil(QStringLiteral("engine0"), [this] { return m_server->requestCount(QStringLiteral("/find")) > 0; }));
    QTRY_VERIFY_WITH_TIMEOUT(tabShowing(QStringLiteral("/find")), LoadTimeout);
    QCOMPARE(QUrl(tabShowing(QStringLiteral("/find"))->Location()).query(), QStringLiteral("q=tab+vane"));
    QCOMPARE(c->LocationURL(), TSearchBarScheme::Address());
}

int main(int argc, char **argv)
{
    TTestEnv env;
    TTestEnv::prepareWebEngine();
    TWebProfile::RegisterSchemes();   // before the application object, as the program does
    QApplication app(argc, argv);
    TestSearchPanelEngine tc;
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_searchpanel_engine.moc"
