// The old history index files, built block by block from their layout: entries of every
// length (0, 1, several, 255 blocks), addresses and titles cut where the layout says,
// entries without "@", files cut short, zero-filled or random, and Find over the store and
// every index file under the History folder (damaged ones passed over, ":Host" left out).

#include "testenv.h"

#include "platform/historyfind.h"
#include "platform/indexdat.h"
#include "platform/urlhistory.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

// An entry of `blocks` blocks whose length byte says `lengthByte`: "URL " then the
// length, then body from offset 8; the rest zeros.
QByteArray entry(int lengthByte, const QByteArray &body, int blocks)
{
    QByteArray out(blocks * TIndexDat::BlockSize, '\0');
    out.replace(0, 4, "URL ");
    out[4] = char(lengthByte);
    out.replace(8, body.size(), body);
    return out.left(blocks * TIndexDat::BlockSize);
}
QByteArray entry(const QByteArray &body, int blocks = 2)
{
    return entry(blocks, body, blocks);
}
QByteArray page(const char *url, const char *title)
{
    return QByteArray("Visited: joe@") + url + '\0' + "xx\x1f" + title + QByteArray(2, '\0');
}
QByteArray freeBlock()
{
    return QByteArray(TIndexDat::BlockSize, '\0').replace(0, 4, "HASH");
}

QList<TIndexDatEntry> readAll(const QByteArray &data, TIndexDat::TReadResult *result = nullptr)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QList<TIndexDatEntry> out;
    const TIndexDat::TReadResult r = TIndexDat::Read(buffer, [&](const TIndexDatEntry &e) { out.append(e); });
    if (result)
        *result = r;
    return out;
}

QStringList urls(const QList<TIndexDatEntry> &entries)
{
    QStringList out;
    for (const TIndexDatEntry &e : entries)
        out.append(e.url);
    return out;
}

void put(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

}

class TestIndexDat : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void addressAndTitleAreCutAsLaidOut();
    void entriesOfEveryLength();
    void damagedFilesKeepWhatWasRead();
    void findSearchesStoreAndEveryIndexFile();
};

void TestIndexDat::addressAndTitleAreCutAsLaidOut()
{
    TIndexDatEntry e;
    // The address runs from the first "@" to the next zero; the title from the 0x1F after
    // it to the first pair of zeros, printable characters only.
    QVERIFY(TIndexDat::ParseEntry(QByteArray(page("http://a.example/x?q=1", "Caf\x05\xE9 News")).replace('\0', '\x01'), e));
    QCOMPARE(e.url, QStringLiteral("http://a.example/x?q=1"));
    QCOMPARE(e.title, QStringLiteral("Caf News"));
    // Without a 0x1F the title starts right after the address; a single zero inside it
    // only drops out.
    QVERIFY(TIndexDat::ParseEntry(QByteArray("U@http://b/\0Plain\0Text\0\0", 24).replace('\0', '\x01'), e));
    QCOMPARE(e.title, QStringLiteral("PlainText"));
    // No pair of zeros after it: no title, and the caption is the address.
    QVERIFY(TIndexDat::ParseEntry(QByteArray("U@http://c/\x01\x1fNo end"), e));
    QCOMPARE(e.url, QStringLiteral("http://c/"));
    QVERIFY(e.title.isEmpty());
    QCOMPARE(e.Caption(), QStringLiteral("http://c/"));
    // An address at the very end of the entry; no "@", or nothing after it: no entry.
    QVERIFY(TIndexDat::ParseEntry(QByteArray("U@http://d/"), e));
    QCOMPARE(e.url, QStringLiteral("http://d/"));
    QVERIFY(!TIndexDat::ParseEntry(QByteArray("URL http://e/\x01\x01"), e));
    QVERIFY(!TIndexDat::ParseEntry(QByteArray("U@\x01title\x01\x01"), e));
}

void TestIndexDat::entriesOfEveryLength()
{
    // Lengths 0 and 1 are complete at once: the entries after them are still found.
    QByteArray data = freeBlock() + entry(0, page("http://zero/", "Zero"), 1) + entry(1, page("http://one/", "One"), 1)
                      + entry(page("http://two/", "Two"), 2) + freeBlock();
    // 255 blocks: the title far from the address, and a block inside the entry that
    // starts with "U" is part of it, not a new entry.
    QByteArray big = entry(255, "Visited: joe@http://big/", 255);
    big.replace(100 * 128, 4, "U@no");
    big.replace(200 * 128, 12, QByteArray("\x1f" "Far title\0\0", 12));
    data += big;
    data += entry(page("http://after/", "After"), 3);
    // No "@": nothing, and the walk goes on after it.
    data += entry("Visited: nothing here", 2) + entry(page("http://last/", "Last"), 2);

    TIndexDat::TReadResult result;
    const QList<TIndexDatEntry> found = readAll(data, &result);
    QCOMPARE(result, TIndexDat::TReadResult::Complete);
    QCOMPARE(urls(found), (QStringList{"http://zero/", "http://one/", "http://two/", "http://big/", "http://after/",
                                       "http://last/"}));
    QCOMPARE(found.at(0).title, QStringLiteral("Zero"));
    QCOMPARE(found.at(3).title, QStringLiteral("Far title"));
}

void TestIndexDat::damagedFilesKeepWhatWasRead()
{
    const QByteArray good = entry(page("http://good/", "Good"), 2);
    TIndexDat::TReadResult result;
    // The file ends inside an entry of three blocks: the entry is dropped.
    QCOMPARE(urls(readAll(good + entry(3, page("http://cut/", "Cut"), 2), &result)), QStringList{"http://good/"});
    QCOMPARE(result, TIndexDat::TReadResult::Truncated);
    // The file ends in the middle of a block.
    QCOMPARE(urls(readAll(good + QByteArray("U\0\0\0\x01", 5), &result)), QStringList{"http://good/"});
    QCOMPARE(result, TIndexDat::TReadResult::Truncated);
    // Zeros only, and nothing at all.
    QVERIFY(readAll(QByteArray(64 * 1024, '\0'), &result).isEmpty());
    QCOMPARE(result, TIndexDat::TReadResult::Complete);
    QVERIFY(readAll(QByteArray(), &result).isEmpty());
    QCOMPARE(result, TIndexDat::TReadResult::Complete);
    // Random blocks, many starting with "U" and claiming up to 255 blocks: the walk ends.
    QRandomGenerator random(4711);
    QByteArray noise(256 * 1024, '\0');
    for (char &c : noise)
        c = char(random.bounded(256));
    for (int i = 0; i < noise.size(); i += 128 * 3)
        noise[i] = 'U';
    readAll(noise, &result);
    QVERIFY(result != TIndexDat::TReadResult::Unreadable);
    // A cancelled read stops at once.
    QBuffer buffer(&noise);
    buffer.open(QIODevice::ReadOnly);
    std::atomic<bool> cancelled{true};
    int seen = 0;
    TIndexDat::Read(buffer, [&](const TIndexDatEntry &) { ++seen; }, &cancelled);
    QCOMPARE(seen, 0);
}

void TestIndexDat::findSearchesStoreAndEveryIndexFile()
{
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("history.db"));
    TUrlHistory history(store);
    QVERIFY(history.Record(QStringLiteral("http://store.example/older"), QStringLiteral("Older News"),
                           QDateTime::currentDateTimeUtc().addDays(-1)));
    QVERIFY(history.Record(QStringLiteral("http://store.example/recent"), QString()));
    QVERIFY(history.Record(QStringLiteral("http://other.example/"), QStringLiteral("Weather")));

    // A copied Windows History folder: "History.IE5" is searched in place of the folder,
    // its own index file and those one folder down (any case), not those in hidden folders.
    const QString ie5 = dir.filePath(QStringLiteral("History/History.IE5"));
    put(ie5 + QStringLiteral("/index.dat"),
        entry(page("http://ie.example/news", "IE News"), 2) + entry(page(":Host: news", ":Host: news"), 2)
                + entry(page("http://ie.example/plain", ""), 2));
    put(ie5 + QStringLiteral("/MSHist01/INDEX.DAT"), entry(page("http://week.example/", "Weekly NEWS"), 2));
    put(ie5 + QStringLiteral("/.hidden/index.dat"), entry(page("http://hidden.example/news", "news"), 2));
    // Damaged files are passed over and the search goes on: cut short (what came before
    // the cut is kept), a pipe (never opened), a folder by that name, a dangling link.
    put(ie5 + QStringLiteral("/MSHist02/index.dat"),
        entry(page("http://cut.example/news", "Cut news"), 2) + entry(9, "x@http://lost/news", 2));
    QVERIFY(QDir().mkpath(ie5 + QStringLiteral("/MSHist03")));
    QCOMPARE(::mkfifo(QFile::encodeName(ie5 + QStringLiteral("/MSHist03/index.dat")).constData(), 0600), 0);
    QVERIFY(QDir().mkpath(ie5 + QStringLiteral("/MSHist04/index.dat")));
    QVERIFY(QDir().mkpath(ie5 + QStringLiteral("/MSHist05")));
    QVERIFY(QFile::link(ie5 + QStringLiteral("/gone.dat"), ie5 + QStringLiteral("/MSHist05/index.dat")));
    put(ie5 + QStringLiteral("/MSHist06/index.dat"), entry(page("http://late.example/news", "Late"), 2));

    THistoryFindResult r = FindInHistory(store, dir.filePath(QStringLiteral("History")), QStringLiteral("news"));
    QStringList captions;
    QStringList addresses;
    for (const THistoryFound &row : r.rows) {
        captions.append(row.caption);
        addresses.append(row.url);
    }
    QCOMPARE(captions, (QStringList{"Older News", "IE News", "Weekly NEWS", "Cut news", "Late"}));
    QCOMPARE(addresses.at(1), QStringLiteral("http://ie.example/news"));
    QCOMPARE(r.damagedFiles.size(), 1);   // the cut file; the others are no readable files
    QVERIFY(r.damagedFiles.first().endsWith(QLatin1String("MSHist02/index.dat")));

    // Addresses match too; an untitled entry shows its address; the store's rows come
    // first, most recent first.
    r = FindInHistory(store, dir.filePath(QStringLiteral("History")), QStringLiteral("PLAIN"));
    QCOMPARE(r.rows.size(), 1);
    QCOMPARE(r.rows.first().caption, QStringLiteral("http://ie.example/plain"));
    r = FindInHistory(store, QString(), QStringLiteral("store.example"));
    QCOMPARE(r.rows.size(), 2);
    QCOMPARE(r.rows.first().caption, QStringLiteral("http://store.example/recent"));
    // ":Host" entries never appear, even when asked for by name; empty text finds nothing.
    QVERIFY(FindInHistory(store, dir.filePath(QStringLiteral("History")), QStringLiteral(":Host")).rows.isEmpty());
    QVERIFY(FindInHistory(store, dir.filePath(QStringLiteral("History")), QString()).rows.isEmpty());
    // Without "History.IE5" the folder itself is searched.
    QVERIFY(QDir(ie5).rename(ie5, dir.filePath(QStringLiteral("History/Old"))));
    r = FindInHistory(QString(), dir.filePath(QStringLiteral("History")), QStringLiteral("weekly"));
    QCOMPARE(r.rows.size(), 0);   // two levels down now
    r = FindInHistory(QString(), dir.filePath(QStringLiteral("History/Old")), QStringLiteral("weekly"));
    QCOMPARE(r.rows.size(), 1);
}

TV_TEST_MAIN_CORE(TestIndexDat)
#include "tst_indexdat.moc"
