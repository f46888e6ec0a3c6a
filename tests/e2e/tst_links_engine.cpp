// The links bar in a running window on the real web engine: a Windows-made shortcut
// dropped into the Links folder appears on the bar, and clicking it loads its page (served
// by the test on 127.0.0.1) into the idle blank tab, which takes it as its tab home.

#include "testenv.h"
#include "httpserver.h"

#include "app/main_window.h"
#include "browser/browsertab.h"
#include "favorites/discmon.h"
#include "favorites/linksbar.h"
#include "platform/registry.h"
#include "platform/shellfolders.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QToolButton>
#include <QtTest>

#include <memory>

class TestLinksEngine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void droppedShortcutAppearsAndLoads();
};

void TestLinksEngine::droppedShortcutAppearsAndLoads()
{
    QApplication::setQuitOnLastWindowClosed(false);
    TTestHttpServer server;
    QVERIFY(server.isListening());
    server.route(QStringLiteral("/linked.html"), "<html><head><title>Linked</title></head><body>linked</body></html>");

    auto w = std::make_unique<TfrmMain>(QStringLiteral("about:blank"));
    w->SetCloseWithoutConfirmation(true);
    w->resize(1000, 700);
    w->show();
    TLinksBar *bar = w->LinksBar();
    QVERIFY(bar);
    // A fresh user: the Favorites folder and its Links subfolder exist, the bar is empty.
    const QString links = TShellFolders::LinksFolder();
    QVERIFY(QFileInfo(links).isDir());
    QTRY_VERIFY(bar->Monitor() && bar->Monitor()->Active());
    QVERIFY(bar->Buttons().isEmpty());

    // Written elsewhere and moved in, as a file manager drops it.
    const QString staging = links + QStringLiteral("/../staging.tmp");
    {
        QFile f(staging);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[DEFAULT]\r\nBASEURL=" + server.urlString(QStringLiteral("/")).toUtf8() + "\r\n[InternetShortcut]\r\nURL="
                + server.urlString(QStringLiteral("/linked.html")).toUtf8() + "\r\nIDList=\r\n");
    }
    QVERIFY(QFile::rename(staging, links + QStringLiteral("/Local & Linked.url")));
    QTRY_VERIFY_WITH_TIMEOUT(bar->Buttons().size() == 1, 15000);
    QToolButton *button = bar->Buttons().first();
    QCOMPARE(button->text(), QStringLiteral("Local && Linked"));

    TBrowserTab *tab = w->ActiveTab();
    QTRY_VERIFY_WITH_TIMEOUT(!tab->Loading && tab->Location() == QLatin1String("about:blank"), 30000);
    button->click();
    const QString url = server.urlString(QStringLiteral("/linked.html"));
    QTRY_VERIFY_WITH_TIMEOUT(!tab->Loading && tab->Location() == url, 30000);
    QCOMPARE(w->Tabs().size(), 1);
    QCOMPARE(tab->HomeURL, url);
    QCOMPARE(server.requestCount(QStringLiteral("/linked.html")), 1);
}

TV_TEST_MAIN_GUI(TestLinksEngine)
#include "tst_links_engine.moc"
