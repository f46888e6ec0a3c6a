// TfrmMain on the real web engine with pages from a local server: a typed address loads
// its page, a restart with "Last" brings the same tabs back in order, and the user-agent
// token travels in the requests while the program runs and leaves the hive at exit.

#include "testenv.h"
#include "httpserver.h"

#include "app/kwoptions.h"
#include "app/main_window.h"
#include "app/useragent.h"
#include "browser/browsertab.h"
#include "navigation/kwcombobox.h"
#include "platform/registry.h"

#include <QApplication>
#include <QAction>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
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
    void refreshAllAsksBeforeSendingFormsAgain();

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

TV_TEST_MAIN_GUI(TestMainWindowEngine)
#include "tst_mainwindow_engine.moc"
