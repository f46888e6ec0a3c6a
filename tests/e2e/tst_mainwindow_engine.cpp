// TfrmMain on the real web engine with pages from a local server: a typed address loads
// its page, a restart with "Last" brings the same tabs back in order, the user-agent
// token travels in the requests while the program runs and leaves the hive at exit, and
// hostile pages leave the window responsive.

#include "testenv.h"
#include "httpserver.h"

#include "app/kwoptions.h"
#include "app/main_window.h"
#include "app/useragent.h"
#include "browser/browsertab.h"
#include "navigation/kwcombobox.h"
#include "platform/registry.h"

#include <QApplication>
#include <QLineEdit>
#include <QtTest>

#include <memory>

namespace {

constexpr int LoadTimeout = 30000;

bool loaded(const TBrowserTab *tab, const QString &url)
{
    return tab && !tab->Loading && tab->Location() == url;
}

QStringList locations(const TfrmMain &w)
{
    QStringList out;
    for (const TBrowserTab *tab : w.Tabs())
        out.append(tab->Location());
    return out;
}

}

class TestMainWindowEngine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();

    void typedAddressLoadsPage();
    void restartWithLastRestoresTabsInOrder();
    void userAgentTokenWhileRunning();
    void hostilePageLeavesWindowResponsive_data();
    void hostilePageLeavesWindowResponsive();

private:
    std::unique_ptr<TfrmMain> openWindow()
    {
        std::unique_ptr<TfrmMain> w(new TfrmMain(QString()));
        w->SetCloseWithoutConfirmation(true);
        w->show();
        return w;
    }

    TTestHttpServer *m_server = nullptr;
};

void TestMainWindowEngine::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
    m_server = new TTestHttpServer(this);
    QVERIFY(m_server->isListening());
    for (const char *name : {"a", "b", "c"}) {
        m_server->route(QStringLiteral("/%1.html").arg(QLatin1String(name)),
                        QStringLiteral("<html><head><title>Page %1</title></head><body>%1</body></html>")
                                .arg(QLatin1String(name)).toUtf8());
    }
}

void TestMainWindowEngine::init()
{
    QFile::remove(TRegistry::hivePath());
    m_server->clearRequests();
}

void TestMainWindowEngine::typedAddressLoadsPage()
{
    auto w = openWindow();
    const QString url = m_server->urlString(QStringLiteral("/a.html"));
    w->cboAddress->setFocus();
    w->cboAddress->setEditText(url);
    QTest::keyClick(w->cboAddress->lineEdit(), Qt::Key_Return);

    TBrowserTab *tab = w->ActiveTab();
    QTRY_VERIFY_WITH_TIMEOUT(loaded(tab, url), LoadTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(tab->Caption(), QStringLiteral("Page a"), LoadTimeout);
    QCOMPARE(m_server->requestCount(QStringLiteral("/a.html")), 1);
    QCOMPARE(w->cboAddress->currentText(), url);
    QCOMPARE(w->TypedAddresses().value(0), url);
    QCOMPARE(w->TabCount(), 1);

    // A navigation the user did not type stays out of the typed list.
    const QString other = m_server->urlString(QStringLiteral("/b.html"));
    tab->NavigateTo(other);
    QTRY_VERIFY_WITH_TIMEOUT(loaded(tab, other), LoadTimeout);
    QCOMPARE(w->TypedAddresses(), QStringList{url});
    QCOMPARE(w->cboAddress->currentText(), other);
}

void TestMainWindowEngine::restartWithLastRestoresTabsInOrder()
{
    const QStringList urls = {m_server->urlString(QStringLiteral("/a.html")),
                              m_server->urlString(QStringLiteral("/b.html")),
                              m_server->urlString(QStringLiteral("/c.html"))};
    TKWOptions options;
    options.SetStartupMode(QStringLiteral("Last"));
    options.SetOpenNewAtEnd(true);
    {
        auto w = openWindow();
        w->ActiveTab()->NavigateTo(urls.at(0));
        w->CreateForegroundTab()->NavigateTo(urls.at(1));
        w->CreateForegroundTab()->NavigateTo(urls.at(2));
        for (int i = 0; i < 3; ++i)
            QTRY_VERIFY_WITH_TIMEOUT(loaded(w->TabAt(i), urls.at(i)), LoadTimeout);
        QVERIFY(w->close());
    }
    QCOMPARE(options.LastOpenSites(), (QStringList{"url3=" + urls.at(2), "url2=" + urls.at(1), "url1=" + urls.at(0)}));

    m_server->clearRequests();
    auto w = openWindow();
    QTRY_VERIFY_WITH_TIMEOUT(w->TabCount() == 3 && !w->TabAt(0)->Loading && !w->TabAt(1)->Loading
                                     && !w->TabAt(2)->Loading && locations(*w) == urls,
                             LoadTimeout);
    QCOMPARE(w->ActiveTab(), w->TabAt(0));
    for (const char *path : {"/a.html", "/b.html", "/c.html"})
        QCOMPARE(m_server->requestCount(QLatin1String(path)), 1);
    QTRY_COMPARE_WITH_TIMEOUT(w->TabAt(2)->Caption(), QStringLiteral("Page c"), LoadTimeout);
}

void TestMainWindowEngine::userAgentTokenWhileRunning()
{
    TRegistry hklm(RegRoot::LocalMachine);
    {
        auto w = openWindow();
        QVERIFY(hklm.valueExists(UserAgentPostPlatformKey, UserAgentTokenName));
        w->ActiveTab()->NavigateTo(m_server->urlString(QStringLiteral("/c.html")));
        QVERIFY(m_server->waitForRequest(QStringLiteral("/c.html"), 1, LoadTimeout));
        const QByteArray agent = m_server->requestsFor(QStringLiteral("/c.html")).first().header("User-Agent");
        QVERIFY2(agent.contains("; Tabvane 6.01)"), agent.constData());
    }
    QVERIFY(!hklm.valueExists(UserAgentPostPlatformKey, UserAgentTokenName));
    QVERIFY(hklm.valueNames(UserAgentPostPlatformKey).isEmpty());
}

namespace {
// Each hostile page tells the server once its attack is under way.
QByteArray hostilePage(const QString &head, const QString &script)
{
    return QStringLiteral("<html><head>%1</head><body>hostile<script>%2\n"
                          "fetch('/started');</script></body></html>")
        .arg(head, script)
        .toUtf8();
}
}

void TestMainWindowEngine::hostilePageLeavesWindowResponsive_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("page");
    QTest::newRow("title changed every millisecond")
        << "/titles.html"
        << hostilePage("<title>T</title>",
                       "var n = 0; setInterval(function () {"
                       "  for (var i = 0; i < 20; ++i) document.title = 'T' + (n++);"
                       "}, 1);");
    QTest::newRow("100,000-character title")
        << "/longtitle.html"
        << hostilePage("<title>" + QString(100000, QLatin1Char('L')) + "</title>",
                       "setInterval(function () {"
                       "  document.title = (document.title[0] == 'L' ? 'M' : 'L').repeat(100000);"
                       "}, 5);");
    QTest::newRow("reload loop")
        << "/reload.html"
        << hostilePage("<title>Reloading</title>",
                       "window.addEventListener('load', function () { location.reload(); });");
    QTest::newRow("20,000 pushState calls")
        << "/push.html"
        << hostilePage("<title>Push</title>",
                       "for (var i = 0; i < 20000; ++i) {"
                       "  try { history.pushState({}, '', '?p=' + i); } catch (e) {}"
                       "}");
    QTest::newRow("300 iframes")
        << "/frames.html"
        << hostilePage("<title>Frames</title>",
                       "for (var i = 0; i < 300; ++i) {"
                       "  var f = document.createElement('iframe');"
                       "  f.src = '/a.html?f=' + i; document.body.appendChild(f);"
                       "}");
    QTest::newRow("60 popups not on the filter list")
        << "/popups.html"
        << hostilePage("<title>Popups</title>",
                       "for (var i = 0; i < 60; ++i) window.open('/a.html?w=' + i);");
    QTest::newRow("window.close() loop")
        << "/closer.html"
        << hostilePage("<title>Closer</title>",
                       "setInterval(function () { window.close(); }, 1);");
}

// While the hostile page runs, the event loop keeps turning over and a page handed over in
// a new tab loads. Bounds are generous: this checks that the window works, not how fast.
void TestMainWindowEngine::hostilePageLeavesWindowResponsive()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, page);
    m_server->route(path, page);
    m_server->route(QStringLiteral("/started"), QByteArray("ok"), "text/plain");
    auto w = openWindow();
    // A page closing its own window is only allowed while it is the tab's first entry:
    // the close loop runs in a tab with history, so it keeps running.
    if (path == QLatin1String("/closer.html")) {
        const QString first = m_server->urlString(QStringLiteral("/c.html"));
        w->ActiveTab()->NavigateTo(first);
        QTRY_VERIFY_WITH_TIMEOUT(loaded(w->ActiveTab(), first), LoadTimeout);
    }
    w->ActiveTab()->NavigateTo(m_server->urlString(path));
    QVERIFY(m_server->waitForRequest(QStringLiteral("/started"), 1, LoadTimeout));

    int ticks = 0;
    QTimer probe;
    connect(&probe, &QTimer::timeout, this, [&ticks] { ++ticks; });
    probe.start(10);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 20, LoadTimeout);

    const QString other = m_server->urlString(QStringLiteral("/b.html"));
    w->OpenInNewForegroundTab(other);
    TBrowserTab *fresh = w->ActiveTab();
    QVERIFY(fresh);
    QTRY_VERIFY_WITH_TIMEOUT(loaded(fresh, other), LoadTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(fresh->Caption(), QStringLiteral("Page b"), LoadTimeout);
    const int before = ticks;
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= before + 20, LoadTimeout);

    // Whatever the page did, every tab's caption stays one short line.
    for (const TBrowserTab *tab : w->Tabs())
        QVERIFY2(tab->Caption().size() <= 60, qPrintable(tab->Caption().left(80)));
    QVERIFY(w->close());
}

TV_TEST_MAIN_GUI(TestMainWindowEngine)
#include "tst_mainwindow_engine.moc"
