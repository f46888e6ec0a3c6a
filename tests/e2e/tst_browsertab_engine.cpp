// TBrowserTab on the real web engine, with pages from a local server: every load cycle
// ends (no red or yellow lamp left behind), new windows become hidden tabs that the popup
// check shows or refuses, and a page closing its own window closes its tab.

#include "testenv.h"
#include "httpserver.h"
#include "recordinghost.h"

#include "browser/browsertab.h"
#include "browser/kwpagecontrol.h"
#include "browser/vessabrowser.h"
#include "platform/webengine_control.h"

#include <QApplication>
#include <QPointer>
#include <QWindow>
#include <QtTest>

#include <functional>

namespace {

const int LoadTimeout = 20000;

bool settled(const TBrowserTab *tab)
{
    return tab && !tab->Loading && tab->ImageIndex() != LampRed
        && tab->ImageIndex() != LampYellow;
}

// A link covering the whole page, so a click anywhere in the view follows it.
QByteArray fullPageLink(const QString &href, const QString &target)
{
    return QStringLiteral(
               "<html><head><title>Links</title><style>a{position:fixed;left:0;top:0;"
               "width:100%;height:100%;display:block}</style></head><body>"
               "<a id=l href=\"%1\" target=\"%2\">go</a></body></html>")
        .arg(href, target)
        .toUtf8();
}

}

class TestBrowserTabEngine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void lampsEndAfterFrameNavigatesLate();
    void lampsEndAfterRedirect();
    void lampsEndAfterCancelledNavigation();
    void blankTargetBecomesShownTab();
    void filteredPopupNeverLoads();
    void windowCloseClosesTab();
    void lockedPageFillsItsLateFrameInPlace();
    void captionRetakesPageTitle_data();
    void captionRetakesPageTitle();

private:
    TBrowserTab *openTab(const QString &path);
    bool clickUntilHiddenTab(TBrowserTab *tab);
    bool clickUntil(TBrowserTab *tab, const std::function<bool()> &done);

    TTestHttpServer *m_server = nullptr;
    TRecordingHost *m_host = nullptr;
};

void TestBrowserTabEngine::initTestCase()
{
    m_server = new TTestHttpServer(this);
    QVERIFY(m_server->isListening());
    m_server->route("/a.html", "<html><head><title>Page A</title></head><body>A</body></html>");
    m_server->route("/b.html", "<html><head><title>Page B</title></head><body>B</body></html>");
    m_server->route("/f1.html", "<html><body>frame one</body></html>");
    m_server->route("/f2.html", "<html><body>frame two</body></html>");
    // The frame moves on by itself once the page has finished loading.
    m_server->route("/framed.html",
                    "<html><head><title>Framed</title></head><body>"
                    "<iframe id=f src=\"/f1.html\"></iframe><script>"
                    "window.addEventListener('load', function () {"
                    "  setTimeout(function () { document.getElementById('f').src = '/f2.html'; }, 200);"
                    "});</script></body></html>");
    // A frame the page inserts by script after it has loaded.
    m_server->route("/late.html",
                    "<html><head><title>Late</title></head><body><script>"
                    "window.addEventListener('load', function () { setTimeout(function () {"
                    "  var f = document.createElement('iframe'); f.id = 'f'; f.src = '/inner.html';"
                    "  document.body.appendChild(f); }, 200); });</script></body></html>");
    m_server->route("/inner.html", "<html><body>inner frame</body></html>");
    m_server->redirect("/old.html", "/a.html");
    m_server->route("/slow.html", "<html><head><title>Slow</title></head><body>slow</body></html>");
    m_server->setDelay("/slow.html", 30000);
    m_server->route("/closer.html",
                    "<html><head><title>Closer</title></head><body>"
                    "<script>setTimeout(function () { window.close(); }, 100);</script>"
                    "</body></html>");
}

void TestBrowserTabEngine::init()
{
    m_server->clearRequests();
    m_host = new TRecordingHost;
    m_host->Pages()->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host->Pages()));
}

void TestBrowserTabEngine::cleanup()
{
    delete m_host;
    m_host = nullptr;
    QTest::qWait(50);   // let the engine drop the pages before the next test
}

TBrowserTab *TestBrowserTabEngine::openTab(const QString &path)
{
    TBrowserTab *tab = m_host->AddTab();
    tab->NavigateTo(m_server->urlString(path));
    // Navigate only queues the load; once the server sees the request the cycle has begun.
    if (!m_server->waitForRequest(path, 1, LoadTimeout))
        qWarning("no request for %s", qPrintable(path));
    return tab;
}

// Clicks the middle of the tab's page until the page asks for a new window. A page that
// has not drawn its first frame yet ignores clicks, so one click is not always enough.
bool TestBrowserTabEngine::clickUntilHiddenTab(TBrowserTab *tab)
{
    return clickUntil(tab, [this] { return m_host->count("CreateHiddenTab") > 0; });
}

bool TestBrowserTabEngine::clickUntil(TBrowserTab *tab, const std::function<bool()> &done)
{
    QWidget *top = m_host->Pages()->window();
    QWidget *view = tab->ViewWindow();
    const QPoint centre = view->mapTo(top, view->rect().center());
    for (int attempt = 0; attempt < 10; ++attempt) {
        QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, centre);
        for (int waited = 0; waited < 2000; waited += 50) {
            if (done())
                return true;
            QTest::qWait(50);
        }
    }
    return false;
}

void TestBrowserTabEngine::lampsEndAfterFrameNavigatesLate()
{
    TBrowserTab *tab = openTab("/framed.html");
    QVERIFY(m_server->waitForRequest("/f2.html", 1, LoadTimeout));
    QTRY_VERIFY_WITH_TIMEOUT(settled(tab), LoadTimeout);
    QCOMPARE(tab->Caption(), QStringLiteral("Framed"));

    // The same in a background tab ends green.
    TBrowserTab *front = m_host->AddTab();
    m_server->clearRequests();
    tab->NavigateTo(m_server->urlString("/framed.html"));
    QVERIFY(m_server->waitForRequest("/framed.html", 1, LoadTimeout));
    QVERIFY(m_server->waitForRequest("/f2.html", 1, LoadTimeout));
    QTRY_VERIFY_WITH_TIMEOUT(settled(tab), LoadTimeout);
    QCOMPARE(tab->ImageIndex(), int(LampGreen));
    QVERIFY(front->IsActive());
}

void TestBrowserTabEngine::lampsEndAfterRedirect()
{
    TBrowserTab *tab = openTab("/old.html");
    QTRY_VERIFY_WITH_TIMEOUT(tab->Location().endsWith("/a.html"), LoadTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(settled(tab), LoadTimeout);
    QCOMPARE(tab->ImageIndex(), int(LampNone));
    QVERIFY(!tab->Secure);
    QTRY_COMPARE_WITH_TIMEOUT(tab->Caption(), QStringLiteral("Page A"), LoadTimeout);
    QVERIFY(m_host->calls.contains("ShowAddress " + m_server->urlString("/a.html")));
}

void TestBrowserTabEngine::lampsEndAfterCancelledNavigation()
{
    TBrowserTab *tab = openTab("/a.html");
    QTRY_VERIFY_WITH_TIMEOUT(settled(tab), LoadTimeout);
    QVERIFY(tab->Location().endsWith("/a.html"));
    tab->SetLocked(true);

    // The locked tab refuses the navigation and hands it to a new background tab.
    tab->NavigateTo(m_server->urlString("/b.html"));
    QTRY_COMPARE_WITH_TIMEOUT(m_host->count("CreateBackgroundTab"), 1, LoadTimeout);
    TBrowserTab *opened = m_host->Tabs().last();
    QVERIFY(opened != tab);
    QTRY_VERIFY_WITH_TIMEOUT(opened->Location().endsWith("/b.html"), LoadTimeout);
    QVERIFY(m_server->waitForRequest("/b.html", 1, LoadTimeout));
    QTRY_VERIFY_WITH_TIMEOUT(settled(opened), LoadTimeout);
    QCOMPARE(opened->ImageIndex(), int(LampGreen));

    QTRY_VERIFY_WITH_TIMEOUT(settled(tab), LoadTimeout);
    QCOMPARE(tab->ImageIndex(), int(LampLocked));
    QVERIFY(tab->Location().endsWith("/a.html"));
    QVERIFY(tab->IsActive());
}

void TestBrowserTabEngine::blankTargetBecomesShownTab()
{
    m_server->route("/opener.html", fullPageLink("/b.html", "_blank"));
    TBrowserTab *opener = openTab("/opener.html");
    QTRY_VERIFY_WITH_TIMEOUT(settled(opener), LoadTimeout);
    QVERIFY(clickUntilHiddenTab(opener));
    TBrowserTab *popup = m_host->Tabs().last();
    QVERIFY(popup != opener);
    QTRY_VERIFY_WITH_TIMEOUT(popup->TabVisible(), LoadTimeout);
    QVERIFY(popup->PopupURL.endsWith("/b.html"));
    QVERIFY(!popup->PendingPopupCheck);
    QTRY_VERIFY_WITH_TIMEOUT(settled(popup), LoadTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(popup->Caption(), QStringLiteral("Page B"), LoadTimeout);
    QVERIFY(opener->IsActive());
    QVERIFY(settled(opener));
}

void TestBrowserTabEngine::filteredPopupNeverLoads()
{
    m_server->route("/ad.html", "<html><body>ad</body></html>");
    m_server->route("/opener.html", fullPageLink("/ad.html", "_blank"));
    m_host->popupPrefixes = {m_server->urlString("/ad")};
    TBrowserTab *opener = openTab("/opener.html");
    QTRY_VERIFY_WITH_TIMEOUT(settled(opener), LoadTimeout);
    QVERIFY(clickUntil(opener, [this] { return !m_host->callsStartingWith("PopupMatches").isEmpty(); }));
    // The window is judged at the address it asked for and refused before a tab is made for
    // it: nothing hidden waits for the sweep.
    QCOMPARE(m_host->callsStartingWith("PopupMatches"),
             QStringList{QStringLiteral("PopupMatches ") + m_server->urlString("/ad.html")});
    QCOMPARE(m_host->count("CreateHiddenTab"), 0);
    QCOMPARE(m_host->count("StartHiddenTabTimer"), 0);
    QCOMPARE(m_host->Tabs().size(), 1);
    // A page loaded after the refusal has reached the server, the advert never did.
    opener->NavigateTo(m_server->urlString("/a.html"));
    QVERIFY(m_server->waitForRequest("/a.html", 1, LoadTimeout));
    QTRY_VERIFY_WITH_TIMEOUT(settled(opener), LoadTimeout);
    QCOMPARE(m_server->requestCount("/ad.html"), 0);
}

void TestBrowserTabEngine::windowCloseClosesTab()
{
    // Only a window a script opened may close itself.
    m_server->route("/opener.html", fullPageLink("/closer.html", "_blank"));
    TBrowserTab *opener = openTab("/opener.html");
    QTRY_VERIFY_WITH_TIMEOUT(settled(opener), LoadTimeout);
    QVERIFY(clickUntilHiddenTab(opener));
    QPointer<TBrowserTab> popup = m_host->Tabs().last();
    QTRY_COMPARE_WITH_TIMEOUT(m_host->count("CloseTab"), 1, LoadTimeout);
    QCOMPARE(m_host->closeRequests.first(), popup);
    QTRY_VERIFY_WITH_TIMEOUT(popup.isNull(), LoadTimeout);
    QVERIFY(opener->IsActive());
}

void TestBrowserTabEngine::lockedPageFillsItsLateFrameInPlace()
{
    TBrowserTab *tab = m_host->AddTab();
    tab->LockAfterLoad = true;
    tab->NavigateTo(m_server->urlString("/late.html"));
    QVERIFY(m_server->waitForRequest("/inner.html", 1, LoadTimeout));
    QVERIFY(tab->Locked);
    auto *control = qobject_cast<TWebEngineControl *>(tab->View()->Control());
    QVERIFY(control);
    const QString frameText = QStringLiteral(
            "(function () { var f = document.getElementById('f');"
            " return f && f.contentDocument && f.contentDocument.body ? f.contentDocument.body.textContent : ''; })()");
    QTRY_COMPARE_WITH_TIMEOUT(control->evaluateBlocking(frameText, 5000, nullptr, false).toString(),
                              QStringLiteral("inner frame"), LoadTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(settled(tab), LoadTimeout);
    QCOMPARE(m_host->count("CreateBackgroundTab"), 0);
    QCOMPARE(m_host->Tabs().size(), 1);
    QCOMPARE(m_server->requestCount("/inner.html"), 1);
    QCOMPARE(tab->ImageIndex(), int(LampLocked));
}

void TestBrowserTabEngine::captionRetakesPageTitle_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("same address again") << "same";
    QTest::newRow("stopped during a slow load") << "stop";
    QTest::newRow("locked tab sends the address elsewhere") << "locked";
}

// Navigating shows the address on the tab until the page's title arrives. When no new
// title comes (the same page again, a stopped load, a navigation a locked tab passes on),
// the tab must go back to the title of the page it shows.
void TestBrowserTabEngine::captionRetakesPageTitle()
{
    QFETCH(QString, how);
    TBrowserTab *tab = openTab("/a.html");
    QTRY_VERIFY_WITH_TIMEOUT(settled(tab), LoadTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(tab->Caption(), QStringLiteral("Page A"), LoadTimeout);

    if (how == "same") {
        m_server->clearRequests();
        tab->NavigateTo(m_server->urlString("/a.html"));
        QVERIFY(m_server->waitForRequest("/a.html", 1, LoadTimeout));
    } else if (how == "stop") {
        tab->NavigateTo(m_server->urlString("/slow.html"));
        QVERIFY(m_server->waitForRequest("/slow.html", 1, LoadTimeout));
        tab->StopLoading();
    } else {
        tab->SetLocked(true);
        tab->NavigateTo(m_server->urlString("/b.html"));
        QTRY_COMPARE_WITH_TIMEOUT(m_host->count("CreateBackgroundTab"), 1, LoadTimeout);
        QVERIFY(m_server->waitForRequest("/b.html", 1, LoadTimeout));
        QTRY_VERIFY_WITH_TIMEOUT(settled(m_host->Tabs().last()), LoadTimeout);
        QTRY_COMPARE_WITH_TIMEOUT(m_host->Tabs().last()->Caption(), QStringLiteral("Page B"),
                                  LoadTimeout);
    }
    QTRY_VERIFY_WITH_TIMEOUT(settled(tab), LoadTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(tab->Caption(), QStringLiteral("Page A"), LoadTimeout);
    QCOMPARE(tab->Hint(), QStringLiteral("Page A"));
    QVERIFY(tab->Location().endsWith("/a.html"));
}

TV_TEST_MAIN_GUI(TestBrowserTabEngine)
#include "tst_browsertab_engine.moc"
