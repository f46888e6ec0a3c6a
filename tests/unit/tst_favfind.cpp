// Find in favorites over real folders: names and addresses without regard to case, the
// walk's order (subfolders first, hidden folders left out), and folders that would hang a
// naive walk (a link back up the tree, a FIFO named like a shortcut) or cancel it.

#include "favorites/favfind.h"

#include "folderfixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/types.h>

namespace {
QByteArray shortcut(const QString &url)
{
    return "[InternetShortcut]\r\nURL=" + url.toUtf8() + "\r\n";
}

QStringList names(const QList<TFavoriteMatch> &matches)
{
    QStringList result;
    for (const TFavoriteMatch &m : matches)
        result.append(m.name);
    return result;
}
}

class TestFavFind : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void matchesNamesAndAddressesInWalkOrder();
    void nothingForEmptyTextOrMissingFolder();
    void linkLoopsAndFifosNeverHang();
    void finderReportsOnlyTheLatestSearch();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_fav;
};

void TestFavFind::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_fav = m_dir->filePath(QStringLiteral("Favorites"));
    PutFile(m_fav + QStringLiteral("/Zebra news.url"), shortcut(QStringLiteral("http://zoo.example/")));
    PutFile(m_fav + QStringLiteral("/Plain.url"), shortcut(QStringLiteral("http://example.org/NEWSletter")));
    PutFile(m_fav + QStringLiteral("/Other.url"), shortcut(QStringLiteral("http://example.org/")));
    PutFile(m_fav + QStringLiteral("/News notes.txt"), "not a shortcut");
    PutFile(m_fav + QStringLiteral("/b/Deep/Newsy.url"), shortcut(QStringLiteral("http://deep.example/")));
    PutFile(m_fav + QStringLiteral("/a/Old news.url"), "[InternetShortcut]\r\n");
    PutFile(m_fav + QStringLiteral("/.hidden/News.url"), shortcut(QStringLiteral("http://hidden.example/")));
}

void TestFavFind::matchesNamesAndAddressesInWalkOrder()
{
    // Capitals find small letters and the other way round, in the name or the address; a
    // shortcut without an address still matches by name; other files never match; the
    // subfolders of a folder come before its files, each folder searched through first.
    const QList<TFavoriteMatch> found = FindFavorites(m_fav, QStringLiteral("NEWS"));
    QCOMPARE(names(found), (QStringList{QStringLiteral("Old news"), QStringLiteral("Newsy"), QStringLiteral("Plain"),
                                        QStringLiteral("Zebra news")}));
    QCOMPARE(found.at(0).url, QString());
    QCOMPARE(found.at(2).url, QStringLiteral("http://example.org/NEWSletter"));
    QCOMPARE(found.at(2).path, m_fav + QStringLiteral("/Plain.url"));
    QCOMPARE(names(FindFavorites(m_fav, QStringLiteral("zoo.EXAMPLE"))), QStringList{QStringLiteral("Zebra news")});
    QVERIFY(FindFavorites(m_fav, QStringLiteral("nothing like it")).isEmpty());
}

void TestFavFind::nothingForEmptyTextOrMissingFolder()
{
    QVERIFY(FindFavorites(m_fav, QString()).isEmpty());
    QVERIFY(FindFavorites(m_dir->filePath(QStringLiteral("gone")), QStringLiteral("news")).isEmpty());
    QVERIFY(FindFavorites(QString(), QStringLiteral("news")).isEmpty());
    // A file given as the folder is no folder.
    QVERIFY(FindFavorites(m_fav + QStringLiteral("/Plain.url"), QStringLiteral("plain")).isEmpty());
}

void TestFavFind::linkLoopsAndFifosNeverHang()
{
    // A link back to the top and a link between two folders: each folder is read once.
    QVERIFY(QFile::link(m_fav, m_fav + QStringLiteral("/b/Deep/loop")));
    QVERIFY(QFile::link(m_fav + QStringLiteral("/b"), m_fav + QStringLiteral("/a/to b")));
    // A FIFO named like a shortcut: opening it would wait for a writer for ever.
    QCOMPARE(mkfifo(QFile::encodeName(m_fav + QStringLiteral("/Pipe news.url")).constData(), 0600), 0);
    // A link to a missing target.
    QVERIFY(QFile::link(m_fav + QStringLiteral("/missing"), m_fav + QStringLiteral("/Broken news.url")));

    const QList<TFavoriteMatch> found = FindFavorites(m_fav, QStringLiteral("news"));
    QCOMPARE(found.size(), 4);
    QCOMPARE(names(found).count(QStringLiteral("Newsy")), 1);
    QVERIFY(!names(found).contains(QStringLiteral("Pipe news")));
    QVERIFY(!names(found).contains(QStringLiteral("Broken news")));

    // A cancelled walk gives nothing.
    std::atomic_bool cancel{true};
    QVERIFY(FindFavorites(m_fav, QStringLiteral("news"), &cancel).isEmpty());
}

void TestFavFind::finderReportsOnlyTheLatestSearch()
{
    TFavoritesFinder finder;
    QSignalSpy finished(&finder, &TFavoritesFinder::Finished);
    finder.Start(m_fav, QStringLiteral("zebra"));
    finder.Start(m_fav, QStringLiteral("newsy"));
    QVERIFY(finished.wait(10000));
    // The first search was stopped: only the second one reports.
    QTRY_VERIFY(!finder.Busy());
    QCoreApplication::processEvents();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(names(finished.at(0).at(0).value<QList<TFavoriteMatch>>()), QStringList{QStringLiteral("Newsy")});

    // A stopped search never reports.
    finder.Start(m_fav, QStringLiteral("zebra"));
    finder.Stop();
    QCoreApplication::processEvents();
    QCOMPARE(finished.size(), 1);
}

QTEST_GUILESS_MAIN(TestFavFind)
#include "tst_favfind.moc"
