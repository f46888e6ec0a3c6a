// TfrmMain on the real web engine with pages from a local server: a typed address loads
// its page, a restart with "Last" brings the same tabs back in order, and the user-agent
// token travels in the requests while the program runs and leaves the hive at exit. Driven
// as a user drives it: the page's context menu closes without its tab, typing right after
// Ctrl+N is kept, a locked tab reloads in place, dragging a tab only moves it, and hostile pages leave the window responsive.
// A download shows its window, Ctrl+J brings it back, and closing the window asks first.

#include "testenv.h"
#include "httpserver.h"

#include "app/kwoptions.h"
#include "app/main_window.h"
#include "app/statusarea.h"
#include "components/statuspanels.h"
#include "app/useragent.h"
#include "browser/browsertab.h"
#include "browser/downloadlist.h"
#include "browser/downloads.h"
#include "browser/kwpagecontrol.h"
#include "browser/tabmenu.h"
#include "browser/vessabrowser.h"
#include "components/fullscreen.h"
#include "navigation/kwcombobox.h"
#include "options/toolbarband.h"
#include "platform/registry.h"
#include "platform/webengine_control.h"

#include <QApplication>
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QToolBar>
#include <QWebEnginePage>
#include <QWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QLabel>
#include <QTemporaryDir>
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
    void pageContextMenuClosesWithoutItsTab();
    void typingRightAfterNewIsKept();
    void lockedTabReloadsInPlace();
    void draggingATabOnlyMovesIt();
    void refreshAllAsksBeforeSendingFormsAgain();
    void hostilePageLeavesWindowResponsive_data();
    void hostilePageLeavesWindowResponsive();
    void runningDownloadKeepsTheWindowOpenUntilCancelled();
    void pageFullScreenSharesTheWindowsFullScreen();

private:
    std::unique_ptr<TfrmMain> openWindow()
    {
        std::unique_ptr<TfrmMain> w(new TfrmMain(QString()));
        w->SetCloseWithoutConfirmation(true);
        w->show();
        return w;
    }
    // A shown, active window of a good size, for the tests that click and type.
    std::unique_ptr<TfrmMain> openActiveWindow()
    {
        auto w = openWindow();
        w->resize(1000, 700);
        QApplication::setActiveWindow(w.get());
        if (!QTest::qWaitForWindowActive(w.get()))
            qWarning("the main window did not become active");
        return w;
    }
    bool load(TBrowserTab *tab, const QString &path)
    {
        const QString url = m_server->urlString(path);
        tab->NavigateTo(url);
        return QTest::qWaitFor([&] { return loaded(tab, url); }, LoadTimeout);
    }
    // Right-clicks the middle of the tab's page until the engine's context menu is up. A
    // page that has not drawn its first frame yet ignores clicks.
    QMenu *contextMenuOf(TfrmMain *w, TBrowserTab *tab)
    {
        QWidget *view = tab->ViewWindow();
        const QPoint centre = view->mapTo(w, view->rect().center());
        for (int attempt = 0; attempt < 10; ++attempt) {
            QTest::mouseClick(w->windowHandle(), Qt::RightButton, Qt::NoModifier, centre);
            if (QTest::qWaitFor([] { return qobject_cast<QMenu *>(QApplication::activePopupWidget()); }, 2000))
                return qobject_cast<QMenu *>(QApplication::activePopupWidget());
        }
        return nullptr;
    }
    static void key(TfrmMain *w, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QString text;
        if (key >= Qt::Key_A && key <= Qt::Key_Z && !(modifiers & (Qt::ControlModifier | Qt::AltModifier)))
            text = QChar(key + 32);
        qt_handleKeyEvent(w->windowHandle(), QEvent::KeyPress, key, modifiers, text);
        qt_handleKeyEvent(w->windowHandle(), QEvent::KeyRelease, key, modifiers, text);
        QCoreApplication::processEvents();
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
    // A link covering the whole page: a right click anywhere is on the link.
    m_server->route("/link.html",
                    "<html><head><title>Link</title><style>a{position:fixed;left:0;top:0;"
                    "width:100%;height:100%;display:block}</style></head><body>"
                    "<a href=\"/b.html\">to b</a></body></html>");
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
    w->AddressBar()->AddressBox()->setFocus();
    w->AddressBar()->AddressBox()->setEditText(url);
    QTest::keyClick(w->AddressBar()->AddressBox()->lineEdit(), Qt::Key_Return);

    TBrowserTab *tab = w->ActiveTab();
    QTRY_VERIFY_WITH_TIMEOUT(loaded(tab, url), LoadTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(tab->Caption(), QStringLiteral("Page a"), LoadTimeout);
    QCOMPARE(m_server->requestCount(QStringLiteral("/a.html")), 1);
    QCOMPARE(w->AddressBar()->AddressBox()->currentText(), url);
    QCOMPARE(w->AddressBar()->TypedAddresses().value(0), url);
    QCOMPARE(w->TabCount(), 1);

    // A navigation the user did not type stays out of the typed list.
    const QString other = m_server->urlString(QStringLiteral("/b.html"));
    tab->NavigateTo(other);
    QTRY_VERIFY_WITH_TIMEOUT(loaded(tab, other), LoadTimeout);
    QCOMPARE(w->AddressBar()->TypedAddresses(), QStringList{url});
    QCOMPARE(w->AddressBar()->AddressBox()->currentText(), other);
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
    // The tab that was active at the exit is active again.
    QCOMPARE(w->ActiveTab(), w->TabAt(2));
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

void TestMainWindowEngine::pageContextMenuClosesWithoutItsTab()
{
    auto w = openActiveWindow();
    QVERIFY(load(w->ActiveTab(), QStringLiteral("/a.html")));
    TBrowserTab *tab = w->CreateForegroundTab();
    QVERIFY(load(tab, QStringLiteral("/link.html")));
    const QPointer<TBrowserTab> guard(tab);

    // Esc closes the menu and nothing else.
    QPointer<QMenu> menu = contextMenuOf(w.get(), tab);
    QVERIFY(menu);
    QTest::keyClick(menu, Qt::Key_Escape);
    QTRY_VERIFY(!menu || !menu->isVisible());
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QVERIFY(guard && !guard->IsClosing());
    QCOMPARE(w->TabCount(), 2);
    QCOMPARE(w->ActiveTab(), tab);

    // So does a click elsewhere in the window.
    menu = contextMenuOf(w.get(), tab);
    QVERIFY(menu);
    QTest::mouseClick(w->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      w->AddressBar()->AddressBox()->mapTo(w.get(), w->AddressBar()->AddressBox()->rect().center()));
    QTRY_VERIFY(!menu || !menu->isVisible());
    QCoreApplication::processEvents();
    QVERIFY(guard && !guard->IsClosing());
    QCOMPARE(w->TabCount(), 2);

    // Choosing "Open link in new tab" opens the link beside the tab, which stays.
    menu = contextMenuOf(w.get(), tab);
    QVERIFY(menu);
    QAction *open = nullptr;
    for (QAction *action : menu->actions()) {
        if (action->text().contains(QLatin1String("new tab"), Qt::CaseInsensitive))
            open = action;
    }
    QVERIFY(open);
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(open).center());
    QTRY_VERIFY_WITH_TIMEOUT(w->TabCount() == 3 && loaded(w->TabAt(2), m_server->urlString(QStringLiteral("/b.html"))),
                             LoadTimeout);
    QVERIFY(guard && !guard->IsClosing());
    QVERIFY(loaded(tab, m_server->urlString(QStringLiteral("/link.html"))));
}

void TestMainWindowEngine::typingRightAfterNewIsKept()
{
    auto w = openActiveWindow();
    QVERIFY(load(w->ActiveTab(), QStringLiteral("/a.html")));
    w->ActiveTab()->FocusPage();

    // Ctrl+N, then typing at once: the new tab's blank page finishes loading meanwhile.
    key(w.get(), Qt::Key_N, Qt::ControlModifier);
    TBrowserTab *fresh = w->ActiveTab();
    QCOMPARE(w->TabCount(), 2);
    QSignalSpy blankDone(fresh->View()->Control(), &TWebControl::DocumentComplete);
    for (int k : {Qt::Key_E, Qt::Key_X, Qt::Key_A, Qt::Key_M})
        key(w.get(), k);
    QTRY_VERIFY_WITH_TIMEOUT(blankDone.count() > 0, LoadTimeout);
    for (int k : {Qt::Key_P, Qt::Key_L, Qt::Key_E})
        key(w.get(), k);
    QTRY_VERIFY(!fresh->Loading);
    QCOMPARE(w->AddressBar()->AddressBox()->currentText(), QStringLiteral("example"));
    QVERIFY(w->AddressBar()->AddressBox()->lineEdit()->hasFocus());

    // Esc gives the tab's address back: none for a blank page.
    key(w.get(), Qt::Key_Escape);
    QCOMPARE(w->AddressBar()->AddressBox()->currentText(), QString());
}

void TestMainWindowEngine::lockedTabReloadsInPlace()
{
    auto w = openActiveWindow();
    TBrowserTab *tab = w->ActiveTab();
    QVERIFY(load(tab, QStringLiteral("/a.html")));
    QVERIFY(load(tab, QStringLiteral("/b.html")));
    tab->SetLocked(true);
    tab->FocusPage();
    const QString b = m_server->urlString(QStringLiteral("/b.html"));
    int requests = m_server->requestCount(QStringLiteral("/b.html"));

    // Every way to refresh reloads the locked page in its own tab.
    const auto reloadedInPlace = [&] {
        ++requests;
        return m_server->waitForRequest(QStringLiteral("/b.html"), requests, LoadTimeout)
               && QTest::qWaitFor([&] { return loaded(tab, b); }, LoadTimeout)
               && w->TabCount() == 1 && w->ActiveTab() == tab;
    };
    key(w.get(), Qt::Key_F5);
    QVERIFY2(reloadedInPlace(), "F5");
    key(w.get(), Qt::Key_F5, Qt::ControlModifier);
    QVERIFY2(reloadedInPlace(), "Ctrl+F5");
    key(w.get(), Qt::Key_R, Qt::ControlModifier);
    QVERIFY2(reloadedInPlace(), "Ctrl+R");
    auto *refresh = w->ToolbarBand()->Bar()->findChild<QAction *>(QStringLiteral("tbRefresh"));
    QVERIFY(refresh);
    QTest::mouseClick(w->ToolbarBand()->Bar()->widgetForAction(refresh), Qt::LeftButton);
    QVERIFY2(reloadedInPlace(), "the Refresh button");
    key(w.get(), Qt::Key_F5, Qt::ShiftModifier);
    QVERIFY2(reloadedInPlace(), "Refresh All");
    // The tab menu's Refresh, on the tab right-clicked on the strip.
    QTest::mouseClick(w->windowHandle(), Qt::RightButton, Qt::NoModifier,
                      w->TabManager()->PageControl()->mapTo(w.get(), w->TabManager()->PageControl()->TabRect(tab->TabIndex()).center()));
    QTRY_COMPARE(QApplication::activePopupWidget(), static_cast<QWidget *>(w->TabMenu()->Menu()));
    auto *tabRefresh = w->TabMenu()->Menu()->findChild<QAction *>(QStringLiteral("pmTabRefresh"));
    QVERIFY(tabRefresh);
    QTest::mouseClick(w->TabMenu()->Menu(), Qt::LeftButton, Qt::NoModifier, w->TabMenu()->Menu()->actionGeometry(tabRefresh).center());
    QVERIFY2(reloadedInPlace(), "the tab menu");

    // Back and forward move in the locked tab's own history.
    key(w.get(), Qt::Key_Left, Qt::AltModifier);
    QTRY_VERIFY_WITH_TIMEOUT(loaded(tab, m_server->urlString(QStringLiteral("/a.html"))), LoadTimeout);
    QCOMPARE(w->TabCount(), 1);
    key(w.get(), Qt::Key_Right, Qt::AltModifier);
    QTRY_VERIFY_WITH_TIMEOUT(loaded(tab, b), LoadTimeout);
    QCOMPARE(w->TabCount(), 1);
    QVERIFY(tab->Locked);

    // A new address still goes to a new tab and the locked page stays.
    tab->NavigateTo(m_server->urlString(QStringLiteral("/c.html")));
    QTRY_VERIFY_WITH_TIMEOUT(w->TabCount() == 2 && loaded(w->TabAt(1), m_server->urlString(QStringLiteral("/c.html"))),
                             LoadTimeout);
    QVERIFY(loaded(tab, b));
}

void TestMainWindowEngine::draggingATabOnlyMovesIt()
{
    TKWOptions().SetOpenNewAtEnd(true);
    auto w = openActiveWindow();
    TBrowserTab *a = w->ActiveTab();
    QVERIFY(load(a, QStringLiteral("/a.html")));
    TBrowserTab *b = w->CreateForegroundTab();
    QVERIFY(load(b, QStringLiteral("/b.html")));
    QTRY_COMPARE_WITH_TIMEOUT(b->Caption(), QStringLiteral("Page b"), LoadTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(a->Caption(), QStringLiteral("Page a"), LoadTimeout);
    m_server->clearRequests();

    // Drag the second tab onto the first with the left button, as a user does.
    QWidget *bar = w->TabManager()->PageControl()->TabBar();
    const auto centre = [&](TBrowserTab *tab) { return w->TabManager()->PageControl()->TabRect(tab->TabIndex()).center() - bar->pos(); };
    const QPoint from = centre(b);
    const QPoint to = centre(a);
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(bar, (from + to) / 2);
    QTest::mouseMove(bar, to);
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, to);
    QCOMPARE(w->TabAt(0), b);
    QCOMPARE(w->TabAt(1), a);

    // A reload would have reached the server before this later load of another tab ends.
    TBrowserTab *c = w->CreateForegroundTab();
    QVERIFY(load(c, QStringLiteral("/c.html")));
    QCOMPARE(m_server->requestCount(QStringLiteral("/a.html")), 0);
    QCOMPARE(m_server->requestCount(QStringLiteral("/b.html")), 0);
    QCOMPARE(b->Caption(), QStringLiteral("Page b"));
    QCOMPARE(a->Caption(), QStringLiteral("Page a"));
    QVERIFY(!a->Loading && !b->Loading);
}

void TestMainWindowEngine::refreshAllAsksBeforeSendingFormsAgain()
{
    QHash<QString, int> posts;
    for (const char *name : {"1", "2"}) {
        const QString form = QStringLiteral("/send%1.html").arg(QLatin1String(name));
        const QString target = QStringLiteral("/post%1").arg(QLatin1String(name));
        m_server->route(form, QStringLiteral("<form method=post action=%1><input name=a value=1></form>"
                                             "<script>document.forms[0].submit()</script>").arg(target).toUtf8());
        m_server->route(target, TTestHttpHandler([&posts, target](const TTestHttpRequest &request) {
            if (request.method == "POST")
                ++posts[target];
            TTestHttpResponse r;
            r.body = "<title>Sent</title>";
            return r;
        }));
    }
    auto w = openWindow();
    w->ActiveTab()->NavigateTo(m_server->urlString(QStringLiteral("/send1.html")));
    w->CreateForegroundTab()->NavigateTo(m_server->urlString(QStringLiteral("/send2.html")));
    w->CreateForegroundTab()->NavigateTo(m_server->urlString(QStringLiteral("/a.html")));
    QTRY_VERIFY_WITH_TIMEOUT(loaded(w->TabAt(0), m_server->urlString(QStringLiteral("/post1")))
                                     && loaded(w->TabAt(1), m_server->urlString(QStringLiteral("/post2")))
                                     && loaded(w->TabAt(2), m_server->urlString(QStringLiteral("/a.html"))),
                             LoadTimeout);
    QCOMPARE(posts.value("/post1"), 1);
    QCOMPARE(posts.value("/post2"), 1);

    // One question for each tab showing the answer to a form, in strip order.
    QList<QMessageBox::StandardButton> answers = {QMessageBox::No, QMessageBox::Yes};
    QTimer answerer;
    answerer.setInterval(20);
    connect(&answerer, &QTimer::timeout, this, [&answers] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box && box->objectName() == QLatin1String("msgResendForm") && !answers.isEmpty())
            box->button(answers.takeFirst())->click();
    });
    answerer.start();
    auto *refreshAll = w->findChild<QAction *>(QStringLiteral("mnuViewRefreshAll"));
    QVERIFY(refreshAll);
    refreshAll->trigger();
    QVERIFY(answers.isEmpty());
    QVERIFY(m_server->waitForRequest(QStringLiteral("/a.html"), 2, LoadTimeout));
    QTRY_COMPARE_WITH_TIMEOUT(posts.value("/post2"), 2, LoadTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(!w->TabAt(1)->Loading && !w->TabAt(2)->Loading, LoadTimeout);
    QCOMPARE(posts.value("/post1"), 1);
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

void TestMainWindowEngine::runningDownloadKeepsTheWindowOpenUntilCancelled()
{
    TTestHttpResponse slow;
    slow.body = QByteArray(4 * 1024 * 1024, 'x');
    slow.contentType = "application/octet-stream";
    slow.headers.append({QByteArray("Content-Disposition"), QByteArray("attachment; filename=\"slow.bin\"")});
    slow.chunkBytes = 16 * 1024;
    slow.chunkIntervalMs = 50;
    m_server->route(QStringLiteral("/slow.bin"), slow);
    QTemporaryDir folder;
    auto w = openWindow();
    TDownloads *downloads = w->Downloads();
    downloads->SetFileChooser([&folder](const QString &path) { return folder.filePath(QFileInfo(path).fileName()); });

    w->ActiveTab()->NavigateTo(m_server->urlString(QStringLiteral("/slow.bin")));
    QTRY_VERIFY_WITH_TIMEOUT(downloads->List()->Count() == 1 && downloads->List()->At(0).received > 0, LoadTimeout);
    auto *window = w->findChild<QWidget *>(QStringLiteral("frmDownloads"));
    QVERIFY(window && window->isVisible());
    // Put away, the status bar shows the progress; Ctrl+J brings the window back.
    window->close();
    auto *status = w->findChild<QLabel *>(QStringLiteral("lblDownloads"));
    QTRY_VERIFY(status->isVisible() && status->text().endsWith('%'));
    QApplication::setActiveWindow(w.get());
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    key(w.get(), Qt::Key_J, Qt::ControlModifier);
    QTRY_VERIFY(window->isVisible());
    QTRY_VERIFY(!status->isVisible());

    // Closing asks; "Keep Downloading" keeps the window and the download.
    const auto answer = [](bool exit, QString *text) {
        QTimer::singleShot(0, [exit, text] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            *text = box->text();
            for (QAbstractButton *button : box->buttons())
                if ((box->buttonRole(button) == QMessageBox::AcceptRole) == exit)
                    button->click();
        });
    };
    QString question;
    w->SetCloseWithoutConfirmation(false);
    answer(false, &question);
    QVERIFY(!w->close());
    QCOMPARE(question, QStringLiteral("1 download is in progress. Cancel it and exit?"));
    QVERIFY(w->isVisible());
    QCOMPARE(downloads->List()->At(0).state, TDownloadState::Running);
    answer(true, &question);
    QVERIFY(w->close());
    QCOMPARE(downloads->List()->At(0).state, TDownloadState::Cancelled);
}

// A page's full screen fills the screen without bars; Esc, the page's own exit and
// switching tabs leave it. It is the window's full screen (F11's): entered from a normal
// window it gives the exact place back, entered from F11 it leaves F11's full screen on.
// Under heavy load the engine stops taking one page's repeated requests after a few
// rounds, so each way out is tried once.
void TestMainWindowEngine::pageFullScreenSharesTheWindowsFullScreen()
{
    m_server->route("/video.html",
                    "<html><head><title>Video</title></head><body style='margin:0'>"
                    "<button id=b style='width:100%;height:100%;position:fixed'"
                    " onclick='document.documentElement.requestFullscreen()'>full</button></body></html>");
    auto w = openActiveWindow();
    w->move(40, 50);
    TBrowserTab *tab = w->ActiveTab();
    QVERIFY(load(tab, QStringLiteral("/video.html")));
    const QRect placement(w->pos(), w->size());
    const auto clickPage = [&] {
        // A real click: pages may ask for full screen only in answer to the user.
        QWidget *view = tab->ViewWindow();
        QTest::mouseClick(w->windowHandle(), Qt::LeftButton, Qt::NoModifier, view->mapTo(w.get(), view->rect().center()));
    };
    const auto pageFull = [&] {
        return w->isFullScreen() && !w->findChild<QWidget *>(QStringLiteral("pnlTop"))->isVisible() && !w->TabManager()->PageControl()->TabBar()->isVisible()
                && !w->StatusArea()->Bar()->isVisible();
    };
    auto *control = static_cast<TWebEngineControl *>(tab->View()->Control());
    const auto js = [control](const QString &script) { control->page()->runJavaScript(script); };
    const auto inPage = [control] {
        return control->evaluateBlocking(QStringLiteral("document.fullscreenElement ? 'in' : 'out'"), LoadTimeout,
                                         nullptr, false).toString() == QLatin1String("in");
    };

    QTRY_VERIFY_WITH_TIMEOUT((clickPage(), pageFull()), LoadTimeout);
    QVERIFY(w->FullScreen()->IsOn());   // F11's state agrees
    key(w.get(), Qt::Key_Escape);
    QTRY_VERIFY_WITH_TIMEOUT(!w->isFullScreen() && w->findChild<QWidget *>(QStringLiteral("pnlTop"))->isVisible(), LoadTimeout);
    QVERIFY(w->TabManager()->PageControl()->TabBar()->isVisible());
    QVERIFY(!w->FullScreen()->IsOn());
    QTRY_COMPARE_WITH_TIMEOUT(QRect(w->pos(), w->size()), placement, LoadTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(!inPage(), LoadTimeout);   // the page was told
    QTRY_VERIFY_WITH_TIMEOUT(!inPage(), LoadTimeout);   // the page has left it too

    // From F11's full screen: the page's own exit gives F11's full screen back, bars and all.
    w->FullScreen()->Set(true);
    QTRY_VERIFY_WITH_TIMEOUT(w->isFullScreen(), LoadTimeout);
    QVERIFY(w->findChild<QWidget *>(QStringLiteral("pnlTop"))->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT((clickPage(), pageFull()), LoadTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(inPage(), LoadTimeout);
    js(QStringLiteral("document.exitFullscreen()"));
    QTRY_VERIFY_WITH_TIMEOUT(w->findChild<QWidget *>(QStringLiteral("pnlTop"))->isVisible() && w->TabManager()->PageControl()->TabBar()->isVisible(), LoadTimeout);
    QVERIFY(w->isFullScreen());
    QVERIFY(w->FullScreen()->IsOn());
    QTRY_VERIFY_WITH_TIMEOUT(!inPage(), LoadTimeout);

    // Switching to another tab leaves it (F11's full screen stays); F11 then ends that.
    QTRY_VERIFY_WITH_TIMEOUT((clickPage(), pageFull()), LoadTimeout);
    TBrowserTab *other = w->CreateForegroundTab();
    QVERIFY(other);
    QTRY_VERIFY_WITH_TIMEOUT(w->findChild<QWidget *>(QStringLiteral("pnlTop"))->isVisible() && w->TabManager()->PageControl()->TabBar()->isVisible(), LoadTimeout);
    QVERIFY(w->isFullScreen());
    key(w.get(), Qt::Key_F11);
    QTRY_VERIFY_WITH_TIMEOUT(!w->isFullScreen(), LoadTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(QRect(w->pos(), w->size()), placement, LoadTimeout);
    QVERIFY(w->close());
}

TV_TEST_MAIN_GUI(TestMainWindowEngine)
#include "tst_mainwindow_engine.moc"
