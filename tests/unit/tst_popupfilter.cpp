#include "testenv.h"

#include "popup/popupfilter.h"

#include <QtTest>

class TestPopupFilter : public QObject {
    Q_OBJECT
private slots:
    void matching_data();
    void matching();
    void firstMatchWins();
    void appendEntry_data();
    void appendEntry();
    void renumber();
};

void TestPopupFilter::matching_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("matches");
    QTest::newRow("entry begins address") << QStringList{"url1=abc"} << "abcdef" << true;
    QTest::newRow("address begins entry") << QStringList{"url1=abcdef"} << "abc" << true;
    QTest::newRow("equal") << QStringList{"url1=abc"} << "abc" << true;
    QTest::newRow("differs within shorter length") << QStringList{"url1=abd"} << "abc" << false;
    QTest::newRow("case-sensitive") << QStringList{"url1=HTTP://ADS.TEST/"} << "http://ads.test/x" << false;
    QTest::newRow("data part only") << QStringList{"http=xyz"} << "http://ads.test/" << false;
    QTest::newRow("data after first =") << QStringList{"url1=http://a/?b=c"} << "http://a/?b=cd" << true;
    QTest::newRow("any value name") << QStringList{"mine=http://ads."} << "http://ads.test/" << true;
    QTest::newRow("line without =") << QStringList{"http://ads."} << "http://ads.test/" << false;
    QTest::newRow("empty entry matches nothing") << QStringList{"url1="} << "http://x/" << false;
    QTest::newRow("empty address matches nothing") << QStringList{"url1=http://x/"} << "" << false;
    QTest::newRow("empty list") << QStringList{} << "http://x/" << false;
}

void TestPopupFilter::matching()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, address);
    QFETCH(bool, matches);
    QCOMPARE(PopupListMatches(lines, address, nullptr), matches);
}

void TestPopupFilter::firstMatchWins()
{
    const QStringList lines{"url1=http://other/", "url2=http://ads.", "url3=http://ads.test/"};
    QString matched;
    QVERIFY(PopupListMatches(lines, QStringLiteral("http://ads.test/pop"), &matched));
    QCOMPARE(matched, QStringLiteral("http://ads."));
    QCOMPARE(PopupEntryData(lines + QStringList{"junk"}),
             QStringList({"http://other/", "http://ads.", "http://ads.test/"}));
}

void TestPopupFilter::appendEntry_data()
{
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("expected");
    const QStringList three{"url1=a", "url2=b", "url3=c"};
    QTest::newRow("query cut, fourth entry") << three << "http://pop.test/p?id=1?x" << three + QStringList{"url4=http://pop.test/p"};
    QTest::newRow("empty list") << QStringList{} << "http://p/" << QStringList{"url1=http://p/"};
    QTest::newRow("gap in the numbers") << QStringList{"url1=a", "url3=c"} << "http://p/" << QStringList{"url1=a", "url3=c", "url4=http://p/"};
    QTest::newRow("nothing before ?") << three << "?q" << three;
}

void TestPopupFilter::appendEntry()
{
    QFETCH(QStringList, stored);
    QFETCH(QString, address);
    QFETCH(QStringList, expected);
    QCOMPARE(AppendPopupEntry(stored, address), expected);
}

void TestPopupFilter::renumber()
{
    QCOMPARE(RenumberPopupEntries({"http://a/", "", "http://c/"}),
             QStringList({"url1=http://a/", "url2=", "url3=http://c/"}));
    QCOMPARE(RenumberPopupEntries({}), QStringList());
}

TV_TEST_MAIN_CORE(TestPopupFilter)
#include "tst_popupfilter.moc"
