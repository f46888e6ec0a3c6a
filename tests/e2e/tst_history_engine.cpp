// The History page in a running window on the real web engine: a page served by the test
// on 127.0.0.1 is visited, shows in the history tree under Today and its site once Ctrl+H
// shows the page, and a click on it loads it again; a visit older than the days history is
// kept is gone once the window has started.

#include "testenv.h"
#include "httpserver.h"

#include "app/main_window.h"
#include "browser/browsertab.h"
#include "favorites/historypage.h"
#include "favorites/historytree.h"
#include "favorites/sidebar.h"
#include "platform/urlhistory.h"

#include <QAction>
#include <QApplication>
#include <QTreeView>
#include <QtTest>

#include <memory>

class TestHistoryEngine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void visitedPageShowsInTheTreeAndReopens();
};

void TestHistoryEngine::visitedPageShowsInTheTreeAndReopens()
{
    QApplication::setQuitOnLastWindowClosed(false);
    TTestHttpServer server;
    QVERIFY(server.isListening());
    server.route(QStringLiteral("/visited.html"), "<html><head><title>Visited Page</title></head><body>v</body></html>");
    server.route(QStringLiteral("/other.html"), "<html><head><title>Other</title></head><body>o</body></html>");
    const QString url = server.urlString(QStringLiteral("/visited.html"));
    const QString other = server.urlString(QStringLiteral("/other.html"));
    const QString expired = QStringLiteral("http://expired.example/");
    QVERIFY(TUrlHistory().Record(expired, QStringLiteral("Long ago"), QDateTime::currentDateTimeUtc().addDays(-40)));

    auto w = std::make_unique<TfrmMain>(url);
    w->SetCloseWithoutConfirmation(true);
    w->resize(1000, 700);
    w->show();
    TBrowserTab *tab = w->ActiveTab();
    QTRY_VERIFY_WITH_TIMEOUT(!tab->Loading && tab->Location() == url && tab->Title() == "Visited Page", 30000);
    // Twenty days are kept by default: the old visit went at start-up.
    QTRY_VERIFY_WITH_TIMEOUT(TUrlHistory().Lookup(expired).url.isEmpty(), 10000);
    tab->NavigateTo(other);
    QTRY_VERIFY_WITH_TIMEOUT(!tab->Loading && tab->Location() == other, 30000);

    auto *bar = w->findChild<TSideBar *>(QStringLiteral("sideBar"));
    QVERIFY(bar);
    QAction *key = w->findChild<QAction *>(QStringLiteral("actSideBarHistory"));
    QVERIFY(key);
    key->trigger();
    QTRY_VERIFY(bar->Shown() && bar->HistoryPage());
    THistoryPage *page = bar->HistoryPage();
    QTreeView *tree = page->Tree();
    THistoryTreeModel *model = page->Model();
    QTRY_VERIFY(tree->isVisible());
    const auto click = [tree](const QModelIndex &index) {
        tree->scrollTo(index);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, tree->visualRect(index).center());
    };
    QCOMPARE(model->rowCount(), 1);
    const QModelIndex today = model->index(0, 0);
    QCOMPARE(today.data().toString(), QStringLiteral("Today"));
    click(today);
    QTRY_VERIFY(model->rowCount(today) > 0);
    const QModelIndex site = model->IndexOfFolder(QStringLiteral("127.0.0.1"), today);
    QVERIFY(site.isValid());
    click(site);
    const QModelIndex visited = model->IndexOfUrl(url);
    QVERIFY(visited.isValid());
    QCOMPARE(visited.data().toString(), QStringLiteral("Visited Page"));

    server.clearRequests();
    click(visited);
    QTRY_COMPARE(w->Tabs().size(), 2);
    TBrowserTab *reopened = w->ActiveTab();
    QVERIFY(reopened != tab);
    QTRY_VERIFY_WITH_TIMEOUT(!reopened->Loading && reopened->Location() == url, 30000);
    QCOMPARE(server.requestCount(QStringLiteral("/visited.html")), 1);
    QVERIFY(w->close());
}

TV_TEST_MAIN_GUI(TestHistoryEngine)
#include "tst_history_engine.moc"
