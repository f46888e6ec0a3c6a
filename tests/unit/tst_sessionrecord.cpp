// TSessionRecord, the record of the open tabs: what is written reads back the same (odd
// characters, flags, 300 tabs, through the file), and damaged, truncated or newer records
// are refused instead of being half-read.

#include "testenv.h"

#include "app/sessionrecord.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

TSessionTab tab(const QString &address, const QString &name = QString(), bool locked = false, bool hide = false)
{
    TSessionTab t;
    t.address = address;
    t.stickyName = name;
    t.locked = locked;
    t.hideFromCloseAll = hide;
    return t;
}

TSessionRecord record(const QList<TSessionTab> &tabs, int active, bool running)
{
    TSessionRecord r;
    r.tabs = tabs;
    r.active = active;
    r.running = running;
    return r;
}

// A path in the test's own folder.
QString scratch(const QString &name)
{
    return QDir(qEnvironmentVariable("XDG_CACHE_HOME")).filePath(name);
}

TSessionRecord::ParseResult parse(const QByteArray &data, TSessionRecord *out = nullptr)
{
    TSessionRecord r;
    QString error;
    const TSessionRecord::ParseResult result = TSessionRecord::Parse(data, &r, &error);
    if (result != TSessionRecord::ParseResult::Ok && error.isEmpty())
        qWarning("a refused record without a reason");
    if (out)
        *out = r;
    return result;
}

}

Q_DECLARE_METATYPE(TSessionRecord)

class TestSessionRecord : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data()
    {
        QTest::addColumn<TSessionRecord>("original");
        QTest::newRow("no tabs") << record({}, -1, false);
        QTest::newRow("one tab, running") << record({tab(QStringLiteral("http://a.test/"))}, 0, true);
        QTest::newRow("flags in every combination")
                << record({tab(QStringLiteral("http://a/"), QStringLiteral("A"), true, false),
                           tab(QStringLiteral("http://b/"), QString(), false, true),
                           tab(QStringLiteral("http://c/"), QStringLiteral("C"), true, true),
                           tab(QString())},
                          2, true);
        const QString odd = QStringLiteral("\"quotes\" \\back\\slash\n\ttab & = ; url1=x {\"tabs\":[]} ")
                            + QChar(0) + QStringLiteral(" \u00e9\u4e2d\u05d0 ") + QString::fromUtf8("\xF0\x9F\x98\x80");
        QTest::newRow("odd characters")
                << record({tab(QStringLiteral("http://127.0.0.1:8/p?q=\"a b\"&x=%20#frag"), odd, true),
                           tab(QStringLiteral("file:///tmp/d\u00e9j\u00e0 vu/x.html"), QStringLiteral("  spaces  "))},
                          1, false);
        QTest::newRow("long address") << record({tab(QStringLiteral("http://x/?") + QString(20000, QLatin1Char('a')))}, 0, true);
    }
    void roundTrip()
    {
        QFETCH(TSessionRecord, original);
        TSessionRecord back;
        QCOMPARE(parse(original.Serialize(), &back), TSessionRecord::ParseResult::Ok);
        QVERIFY(back == original);

        // Through the file, replacing an older record without leaving anything beside it.
        const QString path = scratch(QStringLiteral("roundtrip/session.json"));
        QDir().mkpath(QFileInfo(path).absolutePath());
        QVERIFY(record({tab(QStringLiteral("http://old/"))}, 0, true).Write(path, nullptr));
        QString error;
        QVERIFY2(original.Write(path, &error), qPrintable(error));
        TSessionRecord read;
        QCOMPARE(TSessionRecord::Read(path, &read, &error), TSessionRecord::ReadResult::Ok);
        QVERIFY(read == original);
        QCOMPARE(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files), QStringList{QStringLiteral("session.json")});
    }

    void threeHundredTabs()
    {
        QList<TSessionTab> tabs;
        for (int i = 0; i < 300; ++i)
            tabs.append(tab(QStringLiteral("http://127.0.0.1:9/p%1.html").arg(i), i % 7 ? QString() : QStringLiteral("Name %1").arg(i),
                            i % 5 == 0, i % 11 == 0));
        const TSessionRecord original = record(tabs, 299, true);
        TSessionRecord back;
        QCOMPARE(parse(original.Serialize(), &back), TSessionRecord::ParseResult::Ok);
        QCOMPARE(back.tabs.size(), 300);
        QVERIFY(back == original);
    }

    void damaged_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("\x00\xff\xfe binary", 10);
        QTest::newRow("a list") << QByteArray("[{\"address\":\"http://a/\"}]");
        QTest::newRow("no format") << QByteArray("{\"running\":true,\"tabs\":[]}");
        QTest::newRow("format as text") << QByteArray("{\"format\":\"1\",\"tabs\":[]}");
        QTest::newRow("format 1.5") << QByteArray("{\"format\":1.5,\"tabs\":[]}");
        QTest::newRow("format 0") << QByteArray("{\"format\":0,\"tabs\":[]}");
        QTest::newRow("no tabs") << QByteArray("{\"format\":1,\"running\":true}");
        QTest::newRow("tabs not a list") << QByteArray("{\"format\":1,\"tabs\":{\"address\":\"x\"}}");
        QTest::newRow("tab not an object") << QByteArray("{\"format\":1,\"tabs\":[\"http://a/\"]}");
        QTest::newRow("tab without address") << QByteArray("{\"format\":1,\"tabs\":[{\"name\":\"A\"}]}");
        QTest::newRow("address a number") << QByteArray("{\"format\":1,\"tabs\":[{\"address\":7}]}");
        QTest::newRow("name not text") << QByteArray("{\"format\":1,\"tabs\":[{\"address\":\"a\",\"name\":true}]}");
        QTest::newRow("locked as text") << QByteArray("{\"format\":1,\"tabs\":[{\"address\":\"a\",\"locked\":\"yes\"}]}");
        QTest::newRow("running as number") << QByteArray("{\"format\":1,\"running\":1,\"tabs\":[]}");
        QTest::newRow("active beyond the tabs") << QByteArray("{\"format\":1,\"active\":1,\"tabs\":[{\"address\":\"a\"}]}");
        QTest::newRow("active below -1") << QByteArray("{\"format\":1,\"active\":-2,\"tabs\":[]}");
        QTest::newRow("active not whole") << QByteArray("{\"format\":1,\"active\":0.5,\"tabs\":[{\"address\":\"a\"}]}");
    }
    void damaged()
    {
        QFETCH(QByteArray, data);
        TSessionRecord out = record({tab(QStringLiteral("untouched"))}, 0, true);
        const TSessionRecord before = out;
        QCOMPARE(TSessionRecord::Parse(data, &out, nullptr), TSessionRecord::ParseResult::Damaged);
        QVERIFY(out == before);
    }

    void truncatedNeverReadsAsFewerTabs()
    {
        // A record cut anywhere (a disk that lost the end of the file) is refused; it never
        // reads as a valid record with fewer tabs.
        const TSessionRecord original = record({tab(QStringLiteral("http://a/"), QStringLiteral("A"), true),
                                                tab(QStringLiteral("http://b/")), tab(QStringLiteral("http://c/"), QString(), false, true)},
                                               1, true);
        const QByteArray full = original.Serialize();
        for (int cut = 0; cut < full.size(); ++cut) {
            TSessionRecord back;
            const TSessionRecord::ParseResult result = parse(full.left(cut), &back);
            QVERIFY2(result == TSessionRecord::ParseResult::Damaged || (result == TSessionRecord::ParseResult::Ok && back == original),
                     qPrintable(QStringLiteral("cut at %1").arg(cut)));
        }
    }

    void newerVersion()
    {
        // A newer program's record is not read, even when this version could make sense of it.
        QString error;
        QCOMPARE(TSessionRecord::Parse("{\"format\":2,\"running\":true,\"tabs\":[{\"address\":\"http://a/\"}]}", nullptr, &error),
                 TSessionRecord::ParseResult::Newer);
        QVERIFY(error.contains(QLatin1String("2")));
        QCOMPARE(TSessionRecord::Parse("{\"format\":99,\"tabs\":\"whatever it is now\"}", nullptr, nullptr),
                 TSessionRecord::ParseResult::Newer);
    }

    void files()
    {
        const QString dir = scratch(QStringLiteral("files"));
        QDir(dir).removeRecursively();
        QDir().mkpath(dir);
        TSessionRecord out;
        QString error;
        QCOMPARE(TSessionRecord::Read(dir + QStringLiteral("/none.json"), &out, &error), TSessionRecord::ReadResult::Missing);

        // The data folder is where the program keeps its other files.
        QVERIFY(TSessionRecord::FilePath().startsWith(qEnvironmentVariable("TABVANE_DATA_DIR") + QLatin1Char('/')));

        const QString big = dir + QStringLiteral("/big.json");
        QFile f(big);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(TSessionRecord::MaxFileBytes + 1));
        f.close();
        QCOMPARE(TSessionRecord::Read(big, &out, &error), TSessionRecord::ReadResult::Damaged);

        const QString newer = dir + QStringLiteral("/newer.json");
        QFile n(newer);
        QVERIFY(n.open(QIODevice::WriteOnly));
        n.write("{\"format\":3,\"tabs\":[]}");
        n.close();
        QCOMPARE(TSessionRecord::Read(newer, &out, &error), TSessionRecord::ReadResult::Newer);

        // A write that cannot happen reports it and leaves the old file alone.
        const QString blocked = dir + QStringLiteral("/file-not-folder");
        QFile b(blocked);
        QVERIFY(b.open(QIODevice::WriteOnly));
        b.write("keep");
        b.close();
        QVERIFY(!record({tab(QStringLiteral("http://a/"))}, 0, true).Write(blocked + QStringLiteral("/session.json"), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(b.open(QIODevice::ReadOnly));
        QCOMPARE(b.readAll(), QByteArray("keep"));
        QDir(dir).removeRecursively();
    }
};

TV_TEST_MAIN_CORE(TestSessionRecord)
#include "tst_sessionrecord.moc"
