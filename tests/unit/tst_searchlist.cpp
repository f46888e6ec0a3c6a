#include "testenv.h"

#include "platform/registry.h"
#include "search/searchlist.h"

#include <QtTest>

Q_DECLARE_METATYPE(TSearchEntries)

class TestSearchList : public QObject {
    Q_OBJECT
private slots:
    void init();
    void writeThenRead_data();
    void writeThenRead();
    void readDropsWhatIsNoEntry();
    void caseClashIsRefusedAndKeepsTheOldList();
    void seedingOnlyOnAFirstStart();
    void engineUrl_data();
    void engineUrl();
};

namespace {
const TSearchListKind Engines = TSearchListKind::Engines;
}

void TestSearchList::init()
{
    TRegistry().deleteKey(TSearchList::Key(TSearchListKind::Engines));
    TRegistry().deleteKey(TSearchList::Key(TSearchListKind::SearchBar));
}

void TestSearchList::writeThenRead_data()
{
    QTest::addColumn<TSearchEntries>("written");
    QTest::addColumn<TSearchEntries>("read");

    const TSearchEntries order = {{"Zeta", "http://z/"}, {"alpha", "http://a/"}, {"Mid", "http://m/"}};
    QTest::newRow("write order, not name order") << order << order;
    const TSearchEntries equals = {{"a=b", "http://x/?q=1"}, {"=lead", "http://y/"}};
    QTest::newRow("a title holding = reads back whole") << equals << equals;
    QTest::newRow("entries without title or location are left out")
        << TSearchEntries{{"", "http://nameless/"}, {"NoAddress", ""}, {"Kept", "http://k/"}}
        << TSearchEntries{{"Kept", "http://k/"}};
    QTest::newRow("empty list") << TSearchEntries() << TSearchEntries();
    const TSearchEntries odd = {{QString::fromUtf8("Recherche \xc3\xa9t\xc3\xa9 & co"), "https://e/?q=%s&x=\"1\""},
                                {"back\\slash", "about:blank"}};
    QTest::newRow("odd characters") << odd << odd;
}

void TestSearchList::writeThenRead()
{
    QFETCH(TSearchEntries, written);
    QFETCH(TSearchEntries, read);
    // Written over an older, longer list: nothing of it may remain.
    TSearchList::Write(Engines, {{"Old1", "http://o1/"}, {"Old2", "http://o2/"}, {"Old3", "http://o3/"}, {"Old4", "http://o4/"}});
    TSearchList::Write(Engines, written);
    QCOMPARE(TSearchList::Read(Engines), read);
    QVERIFY(TSearchList::Exists(Engines));
    QCOMPARE(TSearchList::Read(TSearchListKind::SearchBar), TSearchEntries());   // the other list untouched
}

void TestSearchList::readDropsWhatIsNoEntry()
{
    const QString key = TSearchList::Key(Engines);
    TRegistry reg;
    reg.writeString(key, QStringLiteral("Empty"), QString());
    reg.writeString(key, QStringLiteral("Good"), QStringLiteral("http://good/"));
    reg.writeDword(key, QStringLiteral("Number"), 7);
    reg.writeString(key, QStringLiteral("Expand"), QStringLiteral("http://exp/"), RegType::ExpandSz);
    reg.writeString(key, QString(), QStringLiteral("http://default-value/"));
    QCOMPARE(TSearchList::Read(Engines),
             (TSearchEntries{{"Good", "http://good/"}, {"Expand", "http://exp/"}}));
}

void TestSearchList::caseClashIsRefusedAndKeepsTheOldList()
{
    const TSearchEntries before = {{"Kept", "http://kept/"}};
    TSearchList::Write(Engines, before);
    const TSearchEntries clash = {{"Google", "http://g1/"}, {"Other", "http://o/"}, {"GOOGLE", "http://g2/"}};
    QString message;
    QCOMPARE(TSearchList::FindTitleClash(clash, &message), 2);
    QVERIFY2(message.contains("Google") && message.contains("GOOGLE") && message.contains("case"), qPrintable(message));
    bool refused = false;
    try {
        TSearchList::Write(Engines, clash);
    } catch (const TSearchListError &e) {
        refused = true;
        QCOMPARE(e.message(), message);
    }
    QVERIFY(refused);
    QCOMPARE(TSearchList::Read(Engines), before);
    // Entries that are left out anyway do not clash.
    QCOMPARE(TSearchList::FindTitleClash({{"A", "http://a/"}, {"a", ""}}), -1);
}

void TestSearchList::seedingOnlyOnAFirstStart()
{
    QVERIFY(!TSearchList::Exists(Engines));
    QVERIFY(TSearchList::SeedDefaultEngines());
    const TSearchEntries seeded = TSearchList::Read(Engines);
    QVERIFY(seeded.size() >= 3);
    QCOMPARE(seeded, TSearchList::DefaultEngines());
    for (const TSearchEntry &e : seeded)
        QVERIFY2(e.location.startsWith("https://") && TSearchList::TakesWords(e.location), qPrintable(e.location));

    // The user's own list, even an empty one, is never seeded over.
    TSearchList::Write(Engines, {});
    QVERIFY(TSearchList::Exists(Engines));
    QVERIFY(!TSearchList::SeedDefaultEngines());
    QCOMPARE(TSearchList::Read(Engines), TSearchEntries());
}

void TestSearchList::engineUrl_data()
{
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("url");

    QTest::newRow("start page as it is") << "http://search.example/" << "qt widgets" << "http://search.example/";
    QTest::newRow("no %s, no words") << " http://search.example/home " << "" << "http://search.example/home";
    QTest::newRow("words in the query") << "https://e.example/s?q=%s&lang=en" << "qt widgets"
                                        << "https://e.example/s?q=qt+widgets&lang=en";
    QTest::newRow("characters that would end the query") << "https://e.example/?q=%s" << "a&b=c #1 50% 1+1"
                                                          << "https://e.example/?q=a%26b%3Dc+%231+50%25+1%2B1";
    QTest::newRow("words in the path") << "https://e.example/wiki/%s" << "New York" << "https://e.example/wiki/New%20York";
    QTest::newRow("non-ASCII") << "https://e.example/?q=%s" << QString::fromUtf8("caf\xc3\xa9") << "https://e.example/?q=caf%C3%A9";
    QTest::newRow("white space collapsed") << "https://e.example/?q=%s" << "  two\t words \n" << "https://e.example/?q=two+words";
    QTest::newRow("no words: the site's start page") << "https://www.e.example:8080/search?q=%s" << "  "
                                                     << "https://www.e.example:8080/";
    QTest::newRow("no words, no host") << "about:%s" << "" << "about:";
}

void TestSearchList::engineUrl()
{
    QFETCH(QString, location);
    QFETCH(QString, words);
    QFETCH(QString, url);
    QCOMPARE(TSearchList::EngineUrl(location, words), url);
}

TV_TEST_MAIN_CORE(TestSearchList)
#include "tst_searchlist.moc"
