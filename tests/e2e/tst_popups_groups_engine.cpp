// PopupVessa and VessaGroups in the main window on the real web engine, with pages from a
// local server: a page's window.open to a listed address is refused before anything is
// requested and its hidden tab swept; an unlisted one shows as a tab; a flood of popups is
// swept without piling up; a saved group reopens as the same tabs after a restart.

#include "testenv.h"
#include "httpserver.h"

#include "app/kwoptions.h"
#include "app/main_window.h"
#include "browser/browsertab.h"
#include "groups/vessagroup.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const int LoadTimeout = 30000;

bool settled(const TBrowserTab *tab)
{
    return tab && !tab->Loading && tab->ImageIndex() != LampRed
        && tab->ImageIndex() != LampYellow;
}

QList<TBrowserTab *> visibleTabs(const TfrmMain *w)
{
    QList<TBrowserTab *> tabs;
    for (TBrowserTab *tab : w->Tabs()) {
        if (tab->TabVisible())
            tabs.append(tab);
    }
    return tabs;
}

int hiddenTabs(const TfrmMain *w)
{
    return int(w->Tabs().size() - visibleTabs(w).size());
}

QByteArray page(const QString &title, const QString &script = QString())
{
    return QStringLiteral("<html><head><title>%1</title></head><body>%1<script>%2</script></body></html>")
        .arg(title, script)
        .toUtf8();
}

}

class TestPopupsGroupsEngine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void listedPopupIsRefusedUnlistedShown();
    void popupFloodIsSweptAndWindowStaysResponsive();
    void lockedEntryLocksAfterItsPageLoaded();
    void lockedEntryKeepsTheFramesItsPageAdds();
    void savedGroupReopensAfterRestart();

private:
    std::unique_ptr<TfrmMain> newWindow(const QString &argument = QString());
    TBrowserTab *waitForLoaded(TfrmMain *w, const QString &path);

    TTestHttpServer *m_server = nullptr;
};

void TestPopupsGroupsEngine::initTestCase()
{
    m_server = new TTestHttpServer(this);
    QVERIFY(m_server->isListening());
    for (const char *name : {"a", "b", "c", "shown", "ad"})
        m_server->route(QStringLiteral("/%1.html").arg(QLatin1String(name)), page(QString::fromLatin1(name).toUpper()));
    m_server->route("/opener.html",
                    page("Opener", QStringLiteral("window.open('%1'); window.open('%2');")
                                       .arg(m_server->urlString("/ad.html?x=1"), m_server->urlString("/shown.html"))));
    // Options the tests rely on: no start page, no questions.
    TKWOptions options;
    options.SetStartupMode(QStringLiteral("Home"));
    options.SetAskDefaultBrowser(false);
    options.SetConfirmShutdown(false);
    options.SetPopupVessaNotify(false);
}

void TestPopupsGroupsEngine::init()
{
    m_server->clearRequests();
    ResetGroupDialogs();
}

void TestPopupsGroupsEngine::cleanup()
{
    ResetGroupDialogs();
    QTest::qWait(50);
}

std::unique_ptr<TfrmMain> TestPopupsGroupsEngine::newWindow(const QString &argument)
{
    auto w = std::make_unique<TfrmMain>(argument);
    w->SetCloseWithoutConfirmation(true);
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get()))
        qWarning("main window not exposed");
    return w;
}

TBrowserTab *TestPopupsGroupsEngine::waitForLoaded(TfrmMain *w, const QString &path)
{
    const QString url = m_server->urlString(path);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < LoadTimeout) {
        for (TBrowserTab *tab : w->Tabs()) {
            if (tab->Location() == url && settled(tab))
                return tab;
        }
        QTest::qWait(20);
    }
    return nullptr;
}

void TestPopupsGroupsEngine::listedPopupIsRefusedUnlistedShown()
{
    TKWOptions().SetPopupVessa({QStringLiteral("url1=") + m_server->urlString("/ad")});
    auto w = newWindow();
    w->ActiveTab()->NavigateTo(m_server->urlString("/opener.html"));
    TBrowserTab *shown = waitForLoaded(w.get(), "/shown.html");
    QVERIFY(shown);
    QVERIFY(shown->TabVisible());
    QCOMPARE(shown->Caption(), QStringLiteral("SHOWN"));
    // The refused popup waits hidden for the sweep, which removes it.
    QTRY_COMPARE_WITH_TIMEOUT(int(w->Tabs().size()), 2, LoadTimeout);
    QCOMPARE(hiddenTabs(w.get()), 0);
    QCOMPARE(m_server->requestCount("/ad.html"), 0);
    QVERIFY(w->ActiveTab()->Location().endsWith("/opener.html"));
}

void TestPopupsGroupsEngine::popupFloodIsSweptAndWindowStaysResponsive()
{
    // Hundreds of window.open calls in one loop: every one is refused before it loads,
    // the hidden tabs go with the sweeps, and the window keeps running its event loop.
    const int count = 300;
    TKWOptions().SetPopupVessa({QStringLiteral("url1=") + m_server->urlString("/ad")});
    m_server->route("/flood.html",
                    page("Flood", QStringLiteral("for (var i = 0; i < %1; ++i) window.open('/ad.html?n=' + i);"
                                                 "new Image().src = '/done.png';").arg(count)));
    auto w = newWindow();
    QElapsedTimer timer;
    timer.start();
    QElapsedTimer gap;
    gap.start();
    qint64 longestGap = 0;
    int mostHidden = 0;
    w->ActiveTab()->NavigateTo(m_server->urlString("/flood.html"));
    while (timer.elapsed() < 120000) {
        mostHidden = qMax(mostHidden, hiddenTabs(w.get()));
        longestGap = qMax(longestGap, gap.restart());
        if (m_server->requestCount("/done.png") > 0 && hiddenTabs(w.get()) == 0)
            break;
        QTest::qWait(10);
    }
    qInfo("%d popups: all swept after %lld ms; at most %d hidden tabs at once; longest "
          "event-loop pause %lld ms", count, timer.elapsed(), mostHidden, longestGap);
    QVERIFY(m_server->requestCount("/done.png") > 0);
    QCOMPARE(hiddenTabs(w.get()), 0);
    QCOMPARE(int(w->Tabs().size()), 1);
    QCOMPARE(m_server->requestCount("/ad.html"), 0);
    QVERIFY(w->ActiveTab()->Location().endsWith("/flood.html"));
}

void TestPopupsGroupsEngine::lockedEntryLocksAfterItsPageLoaded()
{
    const QString path = QDir(EnsureGroupFolder()).filePath("locked.vgp");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("[VessaGroup]\r\nFirst=*%1\r\nblank2=*%2\r\n")
                   .arg(m_server->urlString("/a.html"), m_server->urlString("/b.html")).toUtf8());
    file.close();
    auto w = newWindow();
    w->VessaGroups()->OpenGroup(path, true, true);
    TBrowserTab *a = waitForLoaded(w.get(), "/a.html");
    TBrowserTab *b = waitForLoaded(w.get(), "/b.html");
    QVERIFY(a);
    QVERIFY(b);
    QTRY_VERIFY_WITH_TIMEOUT(a->Locked && b->Locked, LoadTimeout);
    QCOMPARE(int(w->Tabs().size()), 2);
    QCOMPARE(a->StickyName, QStringLiteral("First"));
    QCOMPARE(a->Caption(), QStringLiteral("First"));
    QCOMPARE(b->ImageIndex(), int(LampLocked));
}

void TestPopupsGroupsEngine::lockedEntryKeepsTheFramesItsPageAdds()
{
    // The page puts a frame in after it has loaded, when its tab is locked already.
    m_server->route("/late.html",
                    page("Late", QStringLiteral("window.addEventListener('load', function () {"
                                                " setTimeout(function () { var f = document.createElement('iframe');"
                                                " f.src = '/inner.html'; document.body.appendChild(f); }, 200); });")));
    m_server->route("/inner.html", page("Inner"));
    const QString path = QDir(EnsureGroupFolder()).filePath("late.vgp");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("[VessaGroup]\r\nLate=*%1\r\n").arg(m_server->urlString("/late.html")).toUtf8());
    file.close();
    auto w = newWindow();
    w->VessaGroups()->OpenGroup(path, true, true);
    TBrowserTab *tab = waitForLoaded(w.get(), "/late.html");
    QVERIFY(tab);
    QVERIFY(m_server->waitForRequest("/inner.html", 1, LoadTimeout));
    QTRY_VERIFY_WITH_TIMEOUT(tab->Locked && settled(tab), LoadTimeout);
    // A tab for the frame would have been asked for before the frame's own request.
    QCOMPARE(int(w->Tabs().size()), 1);
    QCOMPARE(m_server->requestCount("/inner.html"), 1);
    QVERIFY(tab->Location().endsWith("/late.html"));
}

void TestPopupsGroupsEngine::savedGroupReopensAfterRestart()
{
    const QString groupPath = QDir(EnsureGroupFolder()).filePath("three.vgp");
    QFile::remove(groupPath);
    const QStringList paths = {"/a.html", "/b.html", "/c.html"};
    {
        auto w = newWindow();
        w->TabManager()->SetPlacementAtEnd(true);
        w->ActiveTab()->NavigateTo(m_server->urlString(paths.at(0)));
        w->CreateBackgroundTab()->NavigateTo(m_server->urlString(paths.at(1)));
        w->CreateBackgroundTab()->NavigateTo(m_server->urlString(paths.at(2)));
        for (const QString &p : paths)
            QVERIFY(waitForLoaded(w.get(), p));
        w->Tabs().at(1)->SetStickyName(QStringLiteral("Bee"));
        GroupDialogs().SavePath = [groupPath](QWidget *, const QString &, const QString &) { return groupPath; };
        w->VessaGroups()->actSaveAsVessaGroupExecute();
        QVERIFY(QFileInfo::exists(groupPath));
        QVERIFY(w->close());
    }
    m_server->clearRequests();
    auto w = newWindow(groupPath);
    for (const QString &p : paths)
        QVERIFY(waitForLoaded(w.get(), p));
    const QList<TBrowserTab *> tabs = w->Tabs();
    QCOMPARE(int(tabs.size()), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(tabs.at(i)->Location(), m_server->urlString(paths.at(i)));
    QCOMPARE(tabs.at(1)->Caption(), QStringLiteral("Bee"));
    QCOMPARE(tabs.at(0)->Caption(), QStringLiteral("A"));
}

TV_TEST_MAIN_GUI(TestPopupsGroupsEngine)
#include "tst_popups_groups_engine.moc"
