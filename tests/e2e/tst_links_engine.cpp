// The links bar in a running window on the real web engine: a Windows-made shortcut
// dropped into the Links folder appears on the bar, and clicking it loads its page (served
// by the test on 127.0.0.1) into the idle blank tab, which takes it as its tab home; and a
// favorite added from a served page with Add to Favorites appears in the Favorites menu of
// the next window and reopens that page.

#include "testenv.h"
#include "httpserver.h"

#include "app/main_window.h"
#include "browser/browsertab.h"
#include "favorites/discmon.h"
#include "favorites/favoritesdialogs.h"
#include "favorites/urlshortcut.h"
#include "favorites/linksbar.h"
#include "platform/registry.h"
#include "platform/shellfolders.h"

#include <QApplication>
#include <QDir>
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <memory>

class TestLinksEngine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void droppedShortcutAppearsAndLoads();
    void addedFavoriteReopensAfterRestart();
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
    QCOMPARE(bar->Buttons().first()->text(), QStringLiteral("Local && Linked"));

    TBrowserTab *tab = w->ActiveTab();
    QTRY_VERIFY_WITH_TIMEOUT(!tab->Loading && tab->Location() == QLatin1String("about:blank"), 30000);
    // The bar may have been rebuilt meanwhile: its button of now.
    QTRY_COMPARE(bar->Buttons().size(), 1);
    bar->Buttons().first()->click();
    const QString url = server.urlString(QStringLiteral("/linked.html"));
    QTRY_VERIFY_WITH_TIMEOUT(!tab->Loading && tab->Location() == url, 30000);
    QCOMPARE(w->Tabs().size(), 1);
    QCOMPARE(tab->HomeURL, url);
    QCOMPARE(server.requestCount(QStringLiteral("/linked.html")), 1);
}

void TestLinksEngine::addedFavoriteReopensAfterRestart()
{
    QApplication::setQuitOnLastWindowClosed(false);
    TTestHttpServer server;
    QVERIFY(server.isListening());
    server.route(QStringLiteral("/kept.html"), "<html><head><title>Kept &amp; Found</title></head><body>kept</body></html>");
    const QString url = server.urlString(QStringLiteral("/kept.html"));
    const QString saved = TShellFolders::Favorites() + QStringLiteral("/Kept & Found.url");
    {
        auto w = std::make_unique<TfrmMain>(url);
        w->SetCloseWithoutConfirmation(true);
        w->show();
        TBrowserTab *tab = w->ActiveTab();
        QTRY_VERIFY_WITH_TIMEOUT(!tab->Loading && tab->Location() == url && tab->Title() == "Kept & Found", 30000);
        // The dialog is modal: accept it with the name it proposes once it shows.
        bool accepted = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto *dialog = qobject_cast<TfrmAddFavorite *>(QApplication::activeModalWidget())) {
                dialog->accept();
                accepted = true;
            }
        });
        poll.start(20);
        QAction *add = w->findChild<QAction *>(QStringLiteral("mnuFavoritesAdd"));
        QVERIFY(add && add->isEnabled());
        add->trigger();
        QVERIFY(accepted);
        QCOMPARE(ReadShortcutUrl(saved), url);
        QVERIFY(w->close());
    }
    server.clearRequests();
    auto w = std::make_unique<TfrmMain>(QStringLiteral("about:blank"));
    w->SetCloseWithoutConfirmation(true);
    w->show();
    TBrowserTab *tab = w->ActiveTab();
    QTRY_VERIFY_WITH_TIMEOUT(!tab->Loading && tab->Location() == QLatin1String("about:blank"), 30000);
    QMenu *menu = w->findChild<QMenu *>(QStringLiteral("mnuFavorites"));
    QVERIFY(menu);
    Q_EMIT menu->aboutToShow();
    QAction *entry = nullptr;
    for (QAction *a : menu->actions()) {
        if (a->text() == QLatin1String("Kept && Found"))
            entry = a;
    }
    QVERIFY(entry);
    entry->hover();   // the shortcut is read when its entry is pointed at
    QCOMPARE(entry->statusTip(), url);
    entry->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!tab->Loading && tab->Location() == url, 30000);
    QCOMPARE(w->Tabs().size(), 1);
    QCOMPARE(server.requestCount(QStringLiteral("/kept.html")), 1);
}

TV_TEST_MAIN_GUI(TestLinksEngine)
#include "tst_links_engine.moc"
