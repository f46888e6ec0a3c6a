#include "testenv.h"

#include "platform/historygroups.h"
#include "platform/urlhistory.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

class TestUrlHistory : public QObject {
    Q_OBJECT
private slots:
    void init();
    void recordsAndUpdates();
    void skipsAddressesNotWorthKeeping();
    void removeAndClear();
    void keptVisitsAreSeenByReadsAndForgottenByClear();
    void searchAndComplete();
    void visitsByPeriodAndSite();
    void sitesAreHostsWhateverTheirSpelling();
    void expiryKeepsWhatWasVisitedSince();
    void unopenableStoreIsEmpty();
    void completionModelFollowsPrefix();

private:
    static QDateTime at(int day, int hour = 12)
    {
        return QDateTime(QDate(2024, 3, day), QTime(hour, 0));
    }
};

void TestUrlHistory::init()
{
    QVERIFY(TUrlHistory().Clear());
}

void TestUrlHistory::recordsAndUpdates()
{
    TUrlHistory history;
    QVERIFY(history.IsAvailable());
    QVERIFY(QFile::exists(TUrlHistory::DefaultPath()));
    QVERIFY(history.Record(QStringLiteral("http://a.example/"), QStringLiteral("A"), at(1)));
    QVERIFY(history.Record(QStringLiteral("http://b.example/"), QStringLiteral("B"), at(2)));
    // A later visit without a title keeps the title and counts the visit.
    QVERIFY(history.Record(QStringLiteral("http://a.example/"), QString(), at(3)));
    // A visit recorded late with an earlier time must not move the last visit back.
    QVERIFY(history.Record(QStringLiteral("http://b.example/"), QStringLiteral("B2"), at(1)));

    const QList<THistoryEntry> entries = TUrlHistory().Entries();   // a second object sees it
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries.at(0).url, QStringLiteral("http://a.example/"));
    QCOMPARE(entries.at(0).title, QStringLiteral("A"));
    QCOMPARE(entries.at(0).visitCount, 2);
    QCOMPARE(entries.at(0).lastVisit, at(3));
    QCOMPARE(entries.at(1).title, QStringLiteral("B2"));
    QCOMPARE(entries.at(1).lastVisit, at(2));

    QVERIFY(history.UpdateTitle(QStringLiteral("http://b.example/"), QStringLiteral("Bee")));
    QVERIFY(!history.UpdateTitle(QStringLiteral("http://unknown/"), QStringLiteral("X")));
    QCOMPARE(history.Entries(1).size(), 1);
    QCOMPARE(history.Entries().at(1).title, QStringLiteral("Bee"));
}

void TestUrlHistory::keptVisitsAreSeenByReadsAndForgottenByClear()
{
    const QString a = QStringLiteral("http://a.example/");
    const QString b = QStringLiteral("http://b.example/");
    TUrlHistory().RecordSoon(a, QStringLiteral("A"));
    TUrlHistory().RecordSoon(b, QStringLiteral("B"));
    TUrlHistory().RecordSoon(a, QString());
    TUrlHistory().RecordSoon(QStringLiteral("about:blank"));
    // Any reader sees the kept visits, in one transaction, counted and titled as one by one.
    QList<THistoryEntry> entries = TUrlHistory().Entries();
    QCOMPARE(entries.size(), 2);
    const auto find = [&entries](const QString &url) {
        for (const THistoryEntry &e : entries)
            if (e.url == url)
                return e;
        return THistoryEntry();
    };
    QCOMPARE(find(a).visitCount, 2);
    QCOMPARE(find(a).title, QStringLiteral("A"));
    QCOMPARE(TUrlHistory().Complete(QStringLiteral("b.ex")), QStringList{b});

    // Removed or cleared before they were written: they never come back.
    TUrlHistory().RecordSoon(QStringLiteral("http://c.example/"));
    TUrlHistory().RecordSoon(b);
    QVERIFY(TUrlHistory().Remove(QStringLiteral("http://c.example/")));
    TUrlHistory::FlushPending();
    entries = TUrlHistory().Entries();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(find(b).visitCount, 2);
    TUrlHistory().RecordSoon(QStringLiteral("http://d.example/"));
    QVERIFY(TUrlHistory().Clear());
    TUrlHistory::FlushPending();
    QVERIFY(TUrlHistory().Entries().isEmpty());
}

void TestUrlHistory::skipsAddressesNotWorthKeeping()
{
    TUrlHistory history;
    QVERIFY(!history.Record(QString()));
    QVERIFY(!history.Record(QStringLiteral("about:blank")));
    QVERIFY(!history.Record(QStringLiteral("JavaScript:alert(1)")));
    QVERIFY(!history.Record(QStringLiteral("data:text/html,hi")));
    QVERIFY(history.Entries().isEmpty());
}

void TestUrlHistory::removeAndClear()
{
    TUrlHistory history;
    history.Record(QStringLiteral("http://a.example/"), QString(), at(1));
    history.Record(QStringLiteral("http://b.example/"), QString(), at(1));
    QVERIFY(history.Remove(QStringLiteral("http://a.example/")));
    QCOMPARE(history.Entries().size(), 1);
    QVERIFY(history.VisitedBetween(at(1, 0), at(2, 0)).size() == 1);   // its visits went too

    QVERIFY(history.Clear());
    QVERIFY(history.Entries().isEmpty());
    QVERIFY(history.VisitedBetween(QDateTime(), QDateTime()).isEmpty());
    QVERIFY(history.Record(QStringLiteral("http://c.example/")));   // usable after clearing
    QCOMPARE(history.Entries().size(), 1);
}

void TestUrlHistory::searchAndComplete()
{
    TUrlHistory history;
    history.Record(QStringLiteral("http://www.example.com/"), QStringLiteral("Example Domain"), at(1));
    history.Record(QStringLiteral("https://exact.example/"), QStringLiteral("Exact"), at(2));
    history.Record(QStringLiteral("http://www.example.com/"), QString(), at(3));
    history.Record(QStringLiteral("http://other.example/100%_done"), QStringLiteral("Progress"), at(4));
    history.Record(QStringLiteral("file:///home/u/page.html"), QStringLiteral("Local"), at(5));

    QCOMPARE(history.Search(QStringLiteral("DOMAIN")).size(), 1);       // title, any case
    QCOMPARE(history.Search(QStringLiteral("example")).size(), 3);
    QCOMPARE(history.Search(QStringLiteral("example"), 1).size(), 1);
    // LIKE wildcards in the text are taken literally.
    QCOMPARE(history.Search(QStringLiteral("%")).size(), 1);
    QCOMPARE(history.Search(QStringLiteral("%_d")).size(), 1);
    QCOMPARE(history.Search(QStringLiteral("1_0")).size(), 0);   // "_" as a wildcard would match "100"

    // Completion leaves out scheme and "www.", most visited first.
    QCOMPARE(history.Complete(QStringLiteral("ex")),
             (QStringList{ QStringLiteral("http://www.example.com/"), QStringLiteral("https://exact.example/") }));
    QCOMPARE(history.Complete(QStringLiteral("www.ex")), QStringList{ QStringLiteral("http://www.example.com/") });
    QCOMPARE(history.Complete(QStringLiteral("HTTPS://EX")), QStringList{ QStringLiteral("https://exact.example/") });
    QCOMPARE(history.Complete(QStringLiteral("/home/u")), QStringList{ QStringLiteral("file:///home/u/page.html") });
    QVERIFY(history.Complete(QStringLiteral("ample")).isEmpty());   // not a beginning
    QVERIFY(history.Complete(QStringLiteral("_")).isEmpty());
    QVERIFY(history.Complete(QString()).isEmpty());
    QCOMPARE(history.Complete(QStringLiteral("e"), 1).size(), 1);
}

void TestUrlHistory::visitsByPeriodAndSite()
{
    TUrlHistory history;
    history.Record(QStringLiteral("http://a.example/one"), QStringLiteral("zeta"), at(10, 9));
    history.Record(QStringLiteral("http://a.example/two"), QStringLiteral("Alpha"), at(10, 10));
    history.Record(QStringLiteral("http://b.example/"), QString(), at(9, 23));
    history.Record(QStringLiteral("file:///tmp/x.html"), QString(), at(1));
    // Visited on two days: it belongs to both.
    history.Record(QStringLiteral("http://b.example/"), QString(), at(10, 11));

    const QList<THistoryPeriod> periods = HistoryPeriods(QDate(2024, 3, 10));   // a Sunday
    QCOMPARE(periods.first().caption, QStringLiteral("Today"));
    QCOMPARE(periods.at(1).caption, QStringLiteral("Saturday"));
    QCOMPARE(periods.at(7).caption, QStringLiteral("Last Week"));
    QCOMPARE(periods.at(7).first, QDate(2024, 2, 26));
    QCOMPARE(periods.at(7).last, QDate(2024, 3, 3));
    QCOMPARE(periods.last().caption, QStringLiteral("Older"));
    for (int i = 1; i < periods.size(); ++i)   // contiguous, no day in two folders
        QCOMPARE(periods.at(i).last.addDays(1), periods.at(i - 1).first);

    const QList<THistoryEntry> today = history.VisitedDuring(periods.at(0));
    QCOMPARE(today.size(), 3);
    QCOMPARE(history.VisitedDuring(periods.at(1)).size(), 1);   // b on Saturday night
    QCOMPARE(history.VisitedDuring(periods.at(7)).size(), 1);   // the file on the 1st
    QCOMPARE(history.VisitedDuring(periods.last()).size(), 0);

    const QList<THistorySite> sites = GroupBySite(today);
    QCOMPARE(sites.size(), 2);
    QCOMPARE(sites.at(0).site, QStringLiteral("a.example"));
    QCOMPARE(sites.at(0).entries.at(0).title, QStringLiteral("Alpha"));
    QCOMPARE(sites.at(0).entries.at(1).title, QStringLiteral("zeta"));
    QCOMPARE(HistorySite(QStringLiteral("file:///tmp/x.html")), QStringLiteral("My Computer"));
    QCOMPARE(HistorySite(QStringLiteral("mailto:someone")), QStringLiteral("mailto:someone"));
}

void TestUrlHistory::sitesAreHostsWhateverTheirSpelling()
{
    // The quick reading of the host agrees with a full parse of the address.
    const QStringList addresses = {
        "http://Example.COM/a", "https://user:pw@www.example.org:8443/p?q=1#f", "http://127.0.0.1:8080",
        "https://[::1]:8443/x", "http://b\u00fccher.example/", "http://xn--bcher-kva.example/", "ftp://files.example",
        "http://host.example?x", "http://host.example#top", "https://a_b.example/", "http://a%41.example/",
    };
    for (const QString &url : addresses)
        QCOMPARE(HistorySite(url), QUrl(url).host());
    // Addresses without a host are their own site; local files are one site.
    QCOMPARE(HistorySite(QStringLiteral("about:blank")), QStringLiteral("about:blank"));
    QCOMPARE(HistorySite(QStringLiteral("http:///nohost")), QStringLiteral("http:///nohost"));
    QCOMPARE(HistorySite(QStringLiteral("FILE:///tmp/a.html")), QStringLiteral("My Computer"));

    THistoryEntry upper, lower, other;
    upper.url = QStringLiteral("http://A.Example/one");
    upper.title = QStringLiteral("beta");
    lower.url = QStringLiteral("http://a.example/two");
    lower.title = QStringLiteral("Alpha");
    other.url = QStringLiteral("http://B.example/");
    const QList<THistorySite> sites = GroupBySite({other, upper, lower});
    QCOMPARE(sites.size(), 2);
    QCOMPARE(sites.at(0).site, QStringLiteral("a.example"));
    QCOMPARE(sites.at(0).entries.size(), 2);
    QCOMPARE(sites.at(0).entries.at(0).title, QStringLiteral("Alpha"));   // by caption, without case
    QCOMPARE(sites.at(1).entries.at(0).url, other.url);
}

void TestUrlHistory::expiryKeepsWhatWasVisitedSince()
{
    TUrlHistory history;
    QVERIFY(history.Record(QStringLiteral("http://old.example/"), QStringLiteral("Old"), at(1)));
    QVERIFY(history.Record(QStringLiteral("http://both.example/"), QStringLiteral("Both"), at(2)));
    QVERIFY(history.Record(QStringLiteral("http://both.example/"), QString(), at(25)));
    QVERIFY(history.Record(QStringLiteral("http://new.example/"), QString(), at(26)));
    const THistoryPeriod early{QStringLiteral("early"), QDate(2024, 3, 1), QDate(2024, 3, 9)};
    const THistoryPeriod late{QStringLiteral("late"), QDate(2024, 3, 20), QDate(2024, 3, 29)};
    QCOMPARE(history.HasVisitsDuring({early, late}), (QList<bool>{true, true}));

    // Twenty days kept on the 30th: from the 10th on.
    const QDateTime cutoff = HistoryExpiryCutoff(20, QDate(2024, 3, 30));
    QCOMPARE(cutoff, QDate(2024, 3, 10).startOfDay());
    QCOMPARE(history.ExpireBefore(cutoff), 1);
    const QList<THistoryEntry> left = history.Entries();
    QCOMPARE(left.size(), 2);
    const THistoryEntry both = history.Lookup(QStringLiteral("http://both.example/"));
    QCOMPARE(both.visitCount, 2);               // the count of all its visits stays
    QCOMPARE(both.title, QStringLiteral("Both"));
    QCOMPARE(history.HasVisitsDuring({early, late}), (QList<bool>{false, true}));
    QVERIFY(history.Lookup(QStringLiteral("http://old.example/")).url.isEmpty());
    QCOMPARE(history.ExpireBefore(cutoff), 0);
    // Zero days keeps today only; a negative count keeps everything.
    QCOMPARE(HistoryExpiryCutoff(0, QDate(2024, 3, 30)), QDate(2024, 3, 30).startOfDay());
    QVERIFY(!HistoryExpiryCutoff(-1, QDate(2024, 3, 30)).isValid());
    QCOMPARE(history.ExpireBefore(QDateTime()), 0);

    // Several addresses go in one step; unknown ones are no failure.
    QVERIFY(history.RemoveAll({QStringLiteral("http://both.example/"), QStringLiteral("http://new.example/"),
                               QStringLiteral("http://never.example/")}));
    QVERIFY(history.Entries().isEmpty());
}

void TestUrlHistory::unopenableStoreIsEmpty()
{
    QTemporaryDir dir;
    // A folder where the file should be, and a file that is not a database.
    const QString folder = dir.filePath(QStringLiteral("history.db"));
    QVERIFY(QDir().mkpath(folder));
    const QString junk = dir.filePath(QStringLiteral("junk.db"));
    QFile file(junk);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();

    for (const QString &path : { folder, junk, QStringLiteral("/nonexistent/dir/history.db") }) {
        TUrlHistory history(path);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("URL history .* not available")));
        QVERIFY(!history.IsAvailable());
        // One warning per object; every call degrades quietly.
        QVERIFY(!history.Record(QStringLiteral("http://a/")));
        QVERIFY(!history.Clear());
        QVERIFY(history.Entries().isEmpty());
        QVERIFY(history.Complete(QStringLiteral("a")).isEmpty());
    }
    QFile check(junk);
    QVERIFY(check.open(QIODevice::ReadOnly));
    QCOMPARE(check.readAll(), QByteArray(4096, 'x'));   // a damaged store is not overwritten
}

void TestUrlHistory::completionModelFollowsPrefix()
{
    TUrlHistory().Record(QStringLiteral("http://www.tabvane.example/"));
    TUrlHistory().Record(QStringLiteral("http://tab.example/"));
    TUrlHistoryModel model;
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QCOMPARE(model.rowCount(), 0);
    model.SetPrefix(QStringLiteral("tabv"));
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.index(0).data().toString(), QStringLiteral("http://www.tabvane.example/"));
    model.SetPrefix(QStringLiteral("tab"));
    QCOMPARE(model.rowCount(), 2);
    model.SetPrefix(QString());
    QCOMPARE(model.rowCount(), 0);
}

TV_TEST_MAIN_CORE(TestUrlHistory)
#include "tst_urlhistory.moc"
