// The widget-free rules of the Favorites folder: menu captions (extension, length),
// the menu column height, the Organize operations on a real folder (create, rename, move,
// delete to the trash) and export and import through real bookmark files.

#include "testenv.h"

#include "favorites/bookmarkfile.h"
#include "favorites/favfolder.h"
#include "favorites/favoritesmenu.h"
#include "favorites/linkstree.h"
#include "favorites/urlshortcut.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "folderfixture.h"

namespace {
void shortcut(const QString &path, const QString &url)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QVERIFY(WriteUrlShortcut(path, url));
}

// Every entry below folder as "relative/path" (folders end in "/"), shortcuts with " <url>".
QStringList listing(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString rel = QDir(folder).relativeFilePath(path);
        if (it.fileInfo().isDir())
            out.append(rel + QLatin1Char('/'));
        else
            out.append(IsUrlShortcut(path) ? rel + " <" + ReadShortcutUrl(path) + ">" : rel);
    }
    out.sort();
    return out;
}
}

class TestFavFolder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captions_data();
    void captions();
    void itemsPerColumn();
    void createRenameMove();
    void deleteGoesToTheTrash();
    void exportImportRoundTrip();
    void importNeverOverwritesNorLeavesTheFolder();
};

void TestFavFolder::captions_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("caption");
    QTest::newRow("shortcut") << "News.url" << "News";
    QTest::newRow("ampersand kept") << "R&D.url" << "R&D";
    QTest::newRow("no extension") << "readme" << "readme";
    QTest::newRow("short extension") << "page.htm" << "page";
    QTest::newRow("last extension only") << "archive.tar.gz" << "archive.tar";
    QTest::newRow("a version is no extension") << "Release 1.2" << "Release 1.2";
    QTest::newRow("a sentence is no extension") << "Notes. Monday" << "Notes. Monday";
    QTest::newRow("dot name") << ".url" << ".url";
    QTest::newRow("trailing dot") << "odd." << "odd.";
    const QString name45(45, QLatin1Char('a'));
    QTest::newRow("45 kept") << name45 + ".url" << name45;
    const QString name46 = QString(21, 'x') + "1234" + QString(21, 'y');
    QTest::newRow("46 shortened") << name46 + ".url" << QString(21, 'x') + "..." + QString(21, 'y');
}

void TestFavFolder::captions()
{
    QFETCH(QString, fileName);
    QFETCH(QString, caption);
    QCOMPARE(ShortenCaption(CaptionFromFileName(fileName)), caption);
}

void TestFavFolder::itemsPerColumn()
{
    QCOMPARE(ItemsPerColumn(768, 19), 34);
    QCOMPARE(ItemsPerColumn(1080, 24), 39);
    // Fewer than seven rows on the screen, or no row height at all, still give one per column.
    QCOMPARE(ItemsPerColumn(120, 19), 1);
    QCOMPARE(ItemsPerColumn(133, 19), 1);
    QCOMPARE(ItemsPerColumn(0, 19), 1);
    QCOMPARE(ItemsPerColumn(768, 0), 1);
}

void TestFavFolder::createRenameMove()
{
    QTemporaryDir dir;
    const QString root = dir.path();
    QString created;
    QString error;
    QVERIFY(TFavoritesFolder::CreateFolder(root, "News", &created, &error));
    QCOMPARE(created, root + "/News");
    // A taken name is numbered; an unsafe one is made safe and stays inside.
    QVERIFY(TFavoritesFolder::CreateFolder(root, "News", &created, &error));
    QCOMPARE(created, root + "/News (2)");
    QVERIFY(TFavoritesFolder::CreateFolder(root, "../../up", &created, &error));
    QVERIFY2(created.startsWith(root + "/") && !created.mid(root.size() + 1).contains('/'), qPrintable(created));

    shortcut(root + "/Daily.url", "http://daily.test/");
    PutFile(root + "/notes.txt", "text");
    // The extension stays when the new name lacks it.
    QString renamed;
    QVERIFY(TFavoritesFolder::Rename(root + "/Daily.url", "Every day", &renamed, &error));
    QCOMPARE(renamed, root + "/Every day.url");
    QCOMPARE(ReadShortcutUrl(renamed), QStringLiteral("http://daily.test/"));
    QVERIFY(TFavoritesFolder::Rename(root + "/notes.txt", "memo", &renamed, &error));
    QCOMPARE(renamed, root + "/memo.txt");
    // A name taken in any case is refused and nothing changes; a change of case alone is allowed.
    PutFile(root + "/other.txt", "other");
    QVERIFY(!TFavoritesFolder::Rename(root + "/memo.txt", "OTHER", &renamed, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(QFileInfo::exists(root + "/memo.txt"));
    QVERIFY(TFavoritesFolder::Rename(root + "/News", "NEWS", &renamed, &error));
    QVERIFY(QFileInfo(root + "/NEWS").isDir());
    QVERIFY(!TFavoritesFolder::Rename(root + "/NEWS", "   ", &renamed, &error));

    // Moves: into a folder, never into itself or below itself, never over a taken name.
    QString moved;
    QVERIFY(TFavoritesFolder::Move(root + "/Every day.url", root + "/NEWS", &moved, &error));
    QCOMPARE(moved, root + "/NEWS/Every day.url");
    QVERIFY(QDir().mkpath(root + "/NEWS/inner"));
    QVERIFY(!TFavoritesFolder::Move(root + "/NEWS", root + "/NEWS/inner", &moved, &error));
    QVERIFY(!TFavoritesFolder::Move(root + "/NEWS", root + "/NEWS", &moved, &error));
    QVERIFY(QFileInfo(root + "/NEWS/inner").isDir());
    shortcut(root + "/Every day.url", "http://other.test/");
    QVERIFY(!TFavoritesFolder::Move(root + "/Every day.url", root + "/NEWS", &moved, &error));
    QCOMPARE(ReadShortcutUrl(root + "/NEWS/Every day.url"), QStringLiteral("http://daily.test/"));
    // Moving into the folder it is in changes nothing and is no failure.
    QVERIFY(TFavoritesFolder::Move(root + "/Every day.url", root, &moved, &error));
    QVERIFY(!TFavoritesFolder::Move(root + "/gone.url", root + "/NEWS", &moved, &error));
}

void TestFavFolder::deleteGoesToTheTrash()
{
    // The Favorites folder lives in the data home, so the trash is the data home's.
    const QString root = qEnvironmentVariable("XDG_DATA_HOME") + "/favdelete";
    QVERIFY(QDir().mkpath(root + "/Old"));
    shortcut(root + "/Old/a.url", "http://a.test/");
    shortcut(root + "/b.url", "http://b.test/");
    QString error;
    QVERIFY2(TFavoritesFolder::Delete(root + "/Old", &error), qPrintable(error));
    QVERIFY2(TFavoritesFolder::Delete(root + "/b.url", &error), qPrintable(error));
    QVERIFY(listing(root).isEmpty());
    const QString trash = qEnvironmentVariable("XDG_DATA_HOME") + "/Trash/files";
    QVERIFY(QFileInfo(trash + "/Old/a.url").isFile());
    QVERIFY(QFileInfo(trash + "/b.url").isFile());
    QVERIFY(!TFavoritesFolder::Delete(root + "/b.url", &error));
}

void TestFavFolder::exportImportRoundTrip()
{
    QTemporaryDir from;
    QTemporaryDir to;
    shortcut(from.filePath("R&D.url"), "http://rd.test/?a=1&b=2");
    shortcut(from.filePath("Work/Tools/Tracker.url"), "https://tracker.test/");
    shortcut(from.filePath("Work/Mail.url"), "https://mail.test/");
    shortcut(from.filePath(QString::fromUtf8("Café <&> \"Ünïcode\".url")), "http://xn--caf-dma.test/");
    QVERIFY(QDir().mkpath(from.filePath("Empty")));
    shortcut(from.filePath(".hidden/Secret.url"), "http://secret.test/");   // left out, like the menu does
    PutFile(from.filePath("document.pdf"), "%PDF");                              // no address: not exported
    shortcut(from.filePath("Blank.url"), "");                                // no address: not exported

    const TBookmarkNode exported = TFavoritesFolder::ExportTree(from.path());
    const QString file = from.filePath("../bookmarks-export.html");
    QString error;
    QVERIFY2(TBookmarkFile::Save(file, exported, &error), qPrintable(error));
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    QVERIFY(bytes.startsWith("<!DOCTYPE NETSCAPE-Bookmark-file-1>"));
    QVERIFY(bytes.contains("ADD_DATE=\""));
    QVERIFY(!bytes.contains("secret.test"));

    const TBookmarkReadResult read = TBookmarkFile::Read(file);
    QVERIFY(read.ok);
    const TFavoritesFolder::TImportResult result = TFavoritesFolder::Import(read.root, to.path());
    QCOMPARE(result.failed, 0);
    QCOMPARE(result.shortcuts, 4);
    QCOMPARE(result.folders, 3);
    QCOMPARE(listing(to.path()), (QStringList{
        QString::fromUtf8("Café <&> \"Ünïcode\".url <http://xn--caf-dma.test/>"),
        "Empty/", "R&D.url <http://rd.test/?a=1&b=2>", "Work/", "Work/Mail.url <https://mail.test/>",
        "Work/Tools/", "Work/Tools/Tracker.url <https://tracker.test/>"}));
    QFile::remove(file);
}

void TestFavFolder::importNeverOverwritesNorLeavesTheFolder()
{
    QTemporaryDir box;
    const QString favorites = box.filePath("Favorites");
    QVERIFY(QDir().mkpath(favorites));
    shortcut(favorites + "/Home.url", "http://mine.test/");
    // A link inside the folder that leads out of it.
    QVERIFY(QDir().mkpath(box.filePath("outside")));
    QVERIFY(QFile::link(box.filePath("outside"), favorites + "/Away"));
    const QByteArray html = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n<TITLE>Bookmarks</TITLE><H1>Bookmarks</H1>\r\n"
                            "<DL><p>\r\n"
                            "<DT><A HREF=\"http://theirs.test/\" ADD_DATE=\"1500000000\">Home</A>\r\n"
                            "<DT><A HREF=\"javascript:alert(1)\">Bookmarklet</A>\r\n"
                            "<DT><H3>..</H3><DL><p><DT><A HREF=\"http://dots.test/\">../../../escape</A></DL><p>\r\n"
                            "<DT><H3>Away</H3><DL><p><DT><A HREF=\"http://away.test/\">x</A></DL><p>\r\n"
                            "<DT><A HREF=\"http://slash.test/\">a/b\\c</A>\r\n"
                            "</DL><p>\r\n";
    PutFile(box.filePath("in.html"), html);
    const TBookmarkReadResult read = TBookmarkFile::Read(box.filePath("in.html"));
    QVERIFY(read.ok);
    const TFavoritesFolder::TImportResult result = TFavoritesFolder::Import(read.root, favorites);
    QCOMPARE(result.failed, 0);
    QCOMPARE(result.shortcuts, 5);
    // The user's own shortcut is kept; the imported one of the same name is numbered.
    QCOMPARE(ReadShortcutUrl(favorites + "/Home.url"), QStringLiteral("http://mine.test/"));
    QCOMPARE(ReadShortcutUrl(favorites + "/Home (2).url"), QStringLiteral("http://theirs.test/"));
    QCOMPARE(ReadShortcutUrl(favorites + "/Bookmarklet.url"), QStringLiteral("javascript:alert(1)"));
    // Nothing went through the link or above the folder.
    QVERIFY(QDir(box.filePath("outside")).isEmpty());
    QCOMPARE(QDir(box.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 3);
    for (const QString &entry : listing(favorites))
        QVERIFY2(!entry.startsWith("Away/") || entry == "Away/", qPrintable(entry));
}

TV_TEST_MAIN_CORE(TestFavFolder)
#include "tst_favfolder.moc"
