#include "testenv.h"

#include "navigation/typedurls.h"
#include "platform/registry.h"

#include <QtTest>

class TestTypedUrls : public QObject {
    Q_OBJECT
private slots:
    void init();
    void loadStopsAtFirstGap();
    void loadStopsAtEmptyOrNonTextValue();
    void loadTakesAtMost25();
    void saveLoadRoundTrip();
    void savingEmptyListEmptiesKey();
    void recordTypedAddresses();

private:
    static QStringList numbered(int count);
};

QStringList TestTypedUrls::numbered(int count)
{
    QStringList urls;
    for (int i = 1; i <= count; ++i)
        urls.append(QStringLiteral("http://site%1.example/").arg(i));
    return urls;
}

void TestTypedUrls::init()
{
    TRegistry(RegRoot::CurrentUser).deleteKey(TTypedUrls::Key);
}

void TestTypedUrls::loadStopsAtFirstGap()
{
    TRegistry reg(RegRoot::CurrentUser);
    reg.writeString(TTypedUrls::Key, QStringLiteral("url1"), QStringLiteral("http://a/"));
    reg.writeString(TTypedUrls::Key, QStringLiteral("url2"), QStringLiteral("http://b/"));
    reg.writeString(TTypedUrls::Key, QStringLiteral("url4"), QStringLiteral("http://d/"));
    QCOMPARE(TTypedUrls::Load(), (QStringList{ QStringLiteral("http://a/"), QStringLiteral("http://b/") }));

    init();
    QVERIFY(TTypedUrls::Load().isEmpty());   // missing key
}

void TestTypedUrls::loadStopsAtEmptyOrNonTextValue()
{
    TRegistry reg(RegRoot::CurrentUser);
    reg.writeString(TTypedUrls::Key, QStringLiteral("url1"), QStringLiteral("http://a/"));
    reg.writeString(TTypedUrls::Key, QStringLiteral("url2"), QString());
    reg.writeString(TTypedUrls::Key, QStringLiteral("url3"), QStringLiteral("http://c/"));
    QCOMPARE(TTypedUrls::Load(), QStringList{ QStringLiteral("http://a/") });

    reg.writeDword(TTypedUrls::Key, QStringLiteral("url2"), 7);
    QCOMPARE(TTypedUrls::Load(), QStringList{ QStringLiteral("http://a/") });

    reg.writeString(TTypedUrls::Key, QStringLiteral("url2"), QStringLiteral("%HOME%/b"), RegType::ExpandSz);
    QCOMPARE(TTypedUrls::Load().size(), 3);
}

void TestTypedUrls::loadTakesAtMost25()
{
    TRegistry reg(RegRoot::CurrentUser);
    const QStringList urls = numbered(30);
    for (int i = 0; i < urls.size(); ++i)
        reg.writeString(TTypedUrls::Key, QStringLiteral("url%1").arg(i + 1), urls.at(i));
    QCOMPARE(TTypedUrls::Load(), urls.mid(0, 25));
}

void TestTypedUrls::saveLoadRoundTrip()
{
    // Leftovers of a longer list must not survive a save of a shorter one.
    TTypedUrls::Save(numbered(25));
    const QStringList urls{ QStringLiteral("http://b/"), QStringLiteral("file:///tmp/a b.html"),
                            QStringLiteral("http://a/?q=1&r=\"2\"") };
    TTypedUrls::Save(urls);
    QCOMPARE(TTypedUrls::Load(), urls);
    QCOMPARE(TRegistry(RegRoot::CurrentUser).valueNames(TTypedUrls::Key),
             (QStringList{ QStringLiteral("url1"), QStringLiteral("url2"), QStringLiteral("url3") }));
}

void TestTypedUrls::savingEmptyListEmptiesKey()
{
    TTypedUrls::Save(numbered(3));
    TTypedUrls::Save({});
    TRegistry reg(RegRoot::CurrentUser);
    QVERIFY(reg.keyExists(TTypedUrls::Key));
    QVERIFY(reg.valueNames(TTypedUrls::Key).isEmpty());
    QVERIFY(TTypedUrls::Load().isEmpty());
}

void TestTypedUrls::recordTypedAddresses()
{
    QStringList list;
    TTypedUrls::Record(list, QStringLiteral("http://a/"), true);
    QCOMPARE(list, QStringList{ QStringLiteral("http://a/") });

    // A navigation that was not typed (a link) does not enter the list.
    TTypedUrls::Record(list, QStringLiteral("http://link/"), false);
    QCOMPARE(list, QStringList{ QStringLiteral("http://a/") });

    // 26 distinct addresses: the oldest is dropped, the newest is on top.
    list = numbered(25);
    TTypedUrls::Record(list, QStringLiteral("http://new/"), true);
    QCOMPARE(list.size(), 25);
    QCOMPARE(list.first(), QStringLiteral("http://new/"));
    QVERIFY(!list.contains(QStringLiteral("http://site25.example/")));
    QCOMPARE(list.last(), QStringLiteral("http://site24.example/"));

    // Re-typing moves the entry to the top, no duplicate; the comparison is exact.
    list = numbered(5);
    TTypedUrls::Record(list, QStringLiteral("http://site4.example/"), true);
    QCOMPARE(list, (QStringList{ QStringLiteral("http://site4.example/"), QStringLiteral("http://site1.example/"),
                                 QStringLiteral("http://site2.example/"), QStringLiteral("http://site3.example/"),
                                 QStringLiteral("http://site5.example/") }));
    TTypedUrls::Record(list, QStringLiteral("HTTP://SITE5.EXAMPLE/"), true);
    QCOMPARE(list.size(), 6);
    QCOMPARE(list.first(), QStringLiteral("HTTP://SITE5.EXAMPLE/"));
}

TV_TEST_MAIN_CORE(TestTypedUrls)
#include "tst_typedurls.moc"
