// The record of the open tabs on the scripted web control: it follows the tab strip with one
// write per burst of changes, a run that did not end in order offers its tabs back (names,
// locks, Close All marks, the active tab), 300 tabs come back without holding the event
// loop, an orderly restart in "Last" mode gets the names and locks back, and a damaged or
// newer record is set aside with a message.

#include "recordinghost.h"
#include "testenv.h"

#include "app/confirm.h"
#include "app/kwoptions.h"
#include "app/main_window.h"
#include "app/sessionkeeper.h"
#include "app/sessionrecord.h"
#include "app/startup.h"
#include "browser/browsertab.h"
#include "browser/kwpagecontrol.h"
#include "platform/registry.h"
#include "platform/scripted_control.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

const QString HomeUrl = QStringLiteral("http://home.test/");
QString page(int i) { return QStringLiteral("http://127.0.0.1:1/p%1.html").arg(i); }

using Window = std::unique_ptr<TfrmMain>;

Window openWindow()
{
    Window w(new TfrmMain);
    w->SetCloseWithoutConfirmation(true);
    return w;
}

TScriptedControl *ctl(const TBrowserTab *tab) { return ScriptedControlOf(tab); }
TSessionKeeper *keeperOf(const TfrmMain &w) { return w.findChild<TSessionKeeper *>(QStringLiteral("sessionKeeper")); }

void commit(TBrowserTab *tab, const QString &url) { ctl(tab)->fireNavigateComplete2(ctl(tab)->Application(), url); }

QStringList lastNavigations(const TfrmMain &w)
{
    QStringList out;
    for (const TBrowserTab *tab : w.Tabs()) {
        const QStringList n = ctl(tab)->navigations();
        out.append(n.isEmpty() ? QString() : n.last());
    }
    return out;
}

int activeIndex(const TfrmMain &w) { return int(w.Tabs().indexOf(w.ActiveTab())); }

TSessionRecord readRecord()
{
    TSessionRecord r;
    TSessionRecord::Read(TSessionRecord::FilePath(), &r, nullptr);
    return r;
}

TSessionTab entry(const QString &address, const QString &name = QString(), bool locked = false, bool hide = false)
{
    TSessionTab t;
    t.address = address;
    t.stickyName = name;
    t.locked = locked;
    t.hideFromCloseAll = hide;
    return t;
}

// A run that ended without closing: the record still carries the running mark.
QList<TSessionTab> crashedRun(int count, int active)
{
    TSessionRecord r;
    for (int i = 0; i < count; ++i)
        r.tabs.append(entry(page(i), i % 3 == 0 ? QStringLiteral("Name %1").arg(i) : QString(), i % 4 == 1, i % 5 == 2));
    r.active = active;
    r.running = true;
    r.Write(TSessionRecord::FilePath(), nullptr);
    return r.tabs;
}

QStringList addresses(const QList<TSessionTab> &tabs)
{
    QStringList out;
    for (const TSessionTab &t : tabs)
        out.append(t.address);
    return out;
}

}

class TestSession : public QObject {
    Q_OBJECT

    QList<QPointer<QTimer>> m_answerers;

    // Answers the next confirmation dialog; *seen gets its texts (title, prompt, buttons).
    void answerConfirm(bool ok, QStringList *seen = nullptr)
    {
        auto *timer = new QTimer(this);
        timer->setInterval(10);
        connect(timer, &QTimer::timeout, this, [timer, ok, seen] {
            if (auto *d = qobject_cast<TfrmConfirm *>(QApplication::activeModalWidget())) {
                timer->stop();
                timer->deleteLater();
                if (seen)
                    *seen = {d->lblTitle->text(), d->mmoPrompt2->toPlainText(), d->cmdOK->text(), d->cmdCancel->text()};
                (ok ? d->cmdOK : d->cmdCancel)->click();
            }
        });
        timer->start();
        m_answerers.append(timer);
    }

    // Notes in *asked whether a confirmation dialog shows, and closes it.
    void watchForQuestion(bool *asked)
    {
        auto *watch = new QTimer(this);
        connect(watch, &QTimer::timeout, this, [asked] {
            if (auto *d = qobject_cast<TfrmConfirm *>(QApplication::activeModalWidget())) {
                *asked = true;
                d->reject();
            }
        });
        watch->start(10);
        m_answerers.append(watch);
    }

private Q_SLOTS:
    void initTestCase()
    {
        TScriptedControl::Install();
        QApplication::setQuitOnLastWindowClosed(false);
        qunsetenv(TSessionKeeper::AnswerVariable);
    }
    void init()
    {
        QFile::remove(TRegistry::hivePath());
        QFile::remove(TSessionRecord::FilePath());
        QFile::remove(TSessionRecord::FilePath() + QStringLiteral(".ignored"));
        TRegistry().writeString(QStringLiteral("Software\\Microsoft\\Internet Explorer\\Main"),
                                QStringLiteral("Start Page"), HomeUrl);
    }
    void cleanup()
    {
        for (const QPointer<QTimer> &t : std::as_const(m_answerers))
            delete t.data();
        m_answerers.clear();
    }

    void recordFollowsChanges()
    {
        Window w = openWindow();
        TSessionKeeper *keeper = keeperOf(*w);
        QVERIFY(keeper && keeper->KeepsRecord());
        QSignalSpy written(keeper, &TSessionKeeper::Written);
        QVERIFY(written.wait());   // the running mark
        TSessionRecord r = readRecord();
        QVERIFY(r.running);
        QCOMPARE(r.tabs.size(), 1);

        // A burst of changes of every kind is written once, after it.
        TBrowserTab *a = w->ActiveTab();
        commit(a, page(0));
        TBrowserTab *b = w->CreateBackgroundTab();
        commit(b, page(1));
        b->SetStickyName(QStringLiteral("Bee & \"co\""));
        b->SetLocked(true);
        TBrowserTab *c = w->CreateForegroundTab();
        commit(c, page(2));
        c->SetHideFromCloseAll(true);
        w->CreateHiddenTab();   // a popup waiting for the filter is no tab of the user
        w->TabManager()->PageControl()->MovePage(c, 0);
        w->ActivateTab(b);
        QCOMPARE(written.count(), 1);
        QVERIFY(written.wait());
        r = readRecord();
        QVERIFY(r.running);
        QCOMPARE(r.tabs, (QList<TSessionTab>{entry(page(2), QString(), false, true), entry(page(0)),
                                             entry(page(1), QStringLiteral("Bee & \"co\""), true)}));
        QCOMPARE(r.active, 2);

        // Progress, status and title events are no changes of the record.
        ctl(b)->fireDownloadBegin();
        ctl(b)->fireProgressChange(50, 100);
        ctl(b)->fireStatusTextChange(QStringLiteral("Loading"));
        ctl(b)->fireTitleChange(QStringLiteral("Bee title"));
        ctl(b)->fireDownloadComplete();
        QVERIFY(!keeper->WritePending());

        // The next change is the next write: the burst above cost exactly one.
        w->CloseTab(c);
        QVERIFY(written.wait());
        QCOMPARE(written.count(), 3);
        QCOMPARE(addresses(readRecord().tabs), (QStringList{page(0), page(1)}));

        // An orderly end clears the running mark and keeps the last tabs.
        w.reset();
        r = readRecord();
        QVERIFY(!r.running);
        QCOMPARE(addresses(r.tabs), (QStringList{page(0), page(1)}));
    }

    void restoreAfterCrash()
    {
        const QList<TSessionTab> before = crashedRun(6, 4);
        QStringList seen;
        answerConfirm(true, &seen);
        Window w = openWindow();
        QCOMPARE(seen, (QStringList{QStringLiteral("Tabvane did not close properly."),
                                    QStringLiteral("Restore the 6 tabs that were open?"),
                                    QStringLiteral("Restore"), QStringLiteral("Start normally")}));
        TSessionKeeper *keeper = keeperOf(*w);
        QTRY_VERIFY(!keeper->IsRestoring());
        QCOMPARE(lastNavigations(*w), addresses(before));
        const QList<TBrowserTab *> tabs = w->Tabs();
        for (int i = 0; i < tabs.size(); ++i) {
            QCOMPARE(tabs.at(i)->StickyName, before.at(i).stickyName);
            QCOMPARE(tabs.at(i)->HideFromCloseAll, before.at(i).hideFromCloseAll);
            // A lock takes hold once the page is there, so the first page stays in the tab.
            QVERIFY(!tabs.at(i)->Locked);
            commit(tabs.at(i), before.at(i).address);
            QCOMPARE(tabs.at(i)->Locked, before.at(i).locked);
        }
        QCOMPARE(activeIndex(*w), 4);
        QCOMPARE(tabs.at(0)->Caption(), QStringLiteral("Name 0"));
        QSignalSpy written(keeper, &TSessionKeeper::Written);
        w->ActivateTab(tabs.at(0));
        QVERIFY(written.wait());
        TSessionRecord r = readRecord();
        QCOMPARE(r.tabs, before);
        QCOMPARE(r.active, 0);
    }

    void threeHundredTabsKeepTheLoopRunning()
    {
        const QList<TSessionTab> before = crashedRun(300, 150);
        answerConfirm(true);
        Window w = openWindow();
        TSessionKeeper *keeper = keeperOf(*w);
        keeper->SetRestoreBatchMs(0);   // one tab per turn of the event loop
        int turns = 0;
        TSessionRecord midway;
        QTimer ticker;
        ticker.setInterval(0);
        connect(&ticker, &QTimer::timeout, this, [&] {
            ++turns;
            if (midway.tabs.isEmpty() && w->TabCount() >= 100)
                midway = keeper->Snapshot();
        });
        ticker.start();
        QTRY_VERIFY_WITH_TIMEOUT(!keeper->IsRestoring(), 120000);
        ticker.stop();
        QVERIFY2(turns >= 250, qPrintable(QString::number(turns)));
        QCOMPARE(w->TabCount(), 300);
        QCOMPARE(lastNavigations(*w), addresses(before));
        QCOMPARE(activeIndex(*w), 150);
        // Half-way, the record holds the restored tabs whose pages have not arrived and the
        // tabs still to come, in their places: another crash then loses none of them.
        QCOMPARE(midway.tabs, before);
    }

    void questionLeftOpenAtLogout()
    {
        // The desktop session ends while the question is up (SIGTERM closes it without an
        // answer): the crashed run's tabs are offered again at the next start.
        const QList<TSessionTab> before = crashedRun(3, 1);
        bool asked = false;
        watchForQuestion(&asked);   // closes it without a button
        {
            Window w = openWindow();
            QVERIFY(asked);
            QCOMPARE(lastNavigations(*w), QStringList{HomeUrl});
            w->setProperty(ShutdownBySignalProperty, true);
        }
        TSessionRecord r = readRecord();
        QVERIFY(r.running);
        QCOMPARE(r.tabs, before);

        // Closed without a button while the program goes on: that run's tabs are recorded.
        asked = false;
        watchForQuestion(&asked);
        Window w = openWindow();
        QVERIFY(asked);
        w.reset();
        QCOMPARE(addresses(readRecord().tabs), QStringList{QString()});
    }

    void startNormallyInLastMode()
    {
        // The crashed run's record says nothing of "Last Open Sites" from the exit before it.
        TKWOptions options;
        options.SetStartupMode(QStringLiteral("Last"));
        options.SetLastOpenSites({QStringLiteral("url2=") + page(1), QStringLiteral("url1=") + page(0)});
        crashedRun(4, 0);
        answerConfirm(false);
        Window w = openWindow();
        QCOMPARE(lastNavigations(*w), (QStringList{page(0), page(1)}));
        QVERIFY(w->TabAt(0)->StickyName.isEmpty());
        QVERIFY(!w->TabAt(1)->LockAfterLoad);
        QSignalSpy written(keeperOf(*w), &TSessionKeeper::Written);
        QVERIFY(written.wait());
        QCOMPARE(addresses(readRecord().tabs), (QStringList{page(0), page(1)}));
    }

    void lastModeBringsBackNamesAndLocks()
    {
        TKWOptions().SetStartupMode(QStringLiteral("Last"));
        {
            Window w = openWindow();
            TBrowserTab *a = w->ActiveTab();
            commit(a, page(0));
            a->SetStickyName(QStringLiteral("Alpha"));
            a->SetLocked(true);
            TBrowserTab *b = w->CreateForegroundTab();
            commit(b, page(1));
            b->SetHideFromCloseAll(true);
            w->CreateForegroundTab();   // no address: not in "Last Open Sites"
            TBrowserTab *d = w->CreateForegroundTab();
            commit(d, page(3));
            d->SetStickyName(QStringLiteral("Delta"));
            w->ActivateTab(b);
        }
        bool asked = false;
        watchForQuestion(&asked);
        Window w = openWindow();
        QVERIFY(!asked);
        QCOMPARE(lastNavigations(*w), (QStringList{page(0), page(1), page(3)}));
        const QList<TBrowserTab *> tabs = w->Tabs();
        QCOMPARE(tabs.at(0)->StickyName, QStringLiteral("Alpha"));
        commit(tabs.at(0), page(0));
        QVERIFY(tabs.at(0)->Locked);
        QVERIFY(tabs.at(1)->HideFromCloseAll);
        QVERIFY(!tabs.at(1)->LockAfterLoad);
        QCOMPARE(tabs.at(2)->StickyName, QStringLiteral("Delta"));
        QVERIFY(!tabs.at(2)->HideFromCloseAll);
        QCOMPARE(activeIndex(*w), 1);
    }

    void blankTabsAreNotOffered()
    {
        TSessionRecord r;
        r.tabs = {entry(QString()), entry(QStringLiteral("about:blank"), QStringLiteral("Named"))};
        r.running = true;
        QVERIFY(r.Write(TSessionRecord::FilePath(), nullptr));
        bool asked = false;
        watchForQuestion(&asked);
        Window w = openWindow();
        QVERIFY(!asked);
        QCOMPARE(lastNavigations(*w), QStringList{HomeUrl});
    }

    void unusableRecord_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("said");
        QTest::newRow("damaged") << QByteArray("{\"format\":1,\"running\":true,\"tabs\":[{\"addr") << QStringLiteral("damaged");
        QTest::newRow("newer") << QByteArray("{\"format\":7,\"running\":true,\"tabs\":[]}") << QStringLiteral("newer version");
    }
    void unusableRecord()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, said);
        QFile f(TSessionRecord::FilePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(data);
        f.close();
        bool asked = false;
        watchForQuestion(&asked);
        Window w = openWindow();
        QCOMPARE(lastNavigations(*w), QStringList{HomeUrl});
        QMessageBox *box = nullptr;
        QTRY_VERIFY((box = w->findChild<QMessageBox *>(QStringLiteral("sessionRecordMessage"))));
        QVERIFY2(box->text().contains(said), qPrintable(box->text()));
        QVERIFY(!asked);
        box->accept();
        // Kept aside as it was; a new record starts.
        QFile kept(TSessionRecord::FilePath() + QStringLiteral(".ignored"));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), data);
        QSignalSpy written(keeperOf(*w), &TSessionKeeper::Written);
        QVERIFY(written.wait());
        QCOMPARE(addresses(readRecord().tabs), QStringList{QString()});
    }

    void secondWindowKeepsNoRecord()
    {
        Window first = openWindow();
        QSignalSpy written(keeperOf(*first), &TSessionKeeper::Written);
        Window second = openWindow();
        QVERIFY(keeperOf(*first)->KeepsRecord());
        QVERIFY(!keeperOf(*second)->KeepsRecord());
        commit(first->ActiveTab(), page(1));
        commit(second->ActiveTab(), page(2));
        second.reset();
        QVERIFY(written.wait());
        QCOMPARE(addresses(readRecord().tabs), QStringList{page(1)});
    }
};

TV_TEST_MAIN_GUI(TestSession)
#include "tst_session.moc"
