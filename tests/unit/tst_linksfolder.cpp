// The files behind favorites and links: Internet shortcut files (recognised, read, written,
// named when a page is dragged out), the desktop's special folders in the hive, and the
// Links folder read as a tree (order, captions, targets, and the things a folder may hold
// that must not hang or crash the reader).

#include "testenv.h"

#include "favorites/linkstree.h"
#include "favorites/urlshortcut.h"
#include "platform/registry.h"
#include "platform/shellfolders.h"

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>

#include "folderfixture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QByteArray shortcut(const QByteArray &url)
{
    return "[InternetShortcut]\r\nURL=" + url + "\r\n";
}

QStringList captions(const QList<TLinkNode> &nodes)
{
    QStringList out;
    for (const TLinkNode &n : nodes)
        out.append(n.Caption);
    return out;
}
}

class TestLinksFolder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void recognition_data();
    void recognition();
    void readRules_data();
    void readRules();
    void specialFilesNeverBlock();
    void writerIsExactAndAtomic();
    void dragName_data();
    void dragName();
    void dragDataCarriesFileAndTitle();
    void shellFoldersSeededAndOverridden();
    void treeOrderCaptionsAndTargets();
    void treeSurvivesLoopsAndOddEntries();
    void windowsNamesKeepTheirLinks();

private:
    QTemporaryDir m_dir;
};

void TestLinksFolder::recognition_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("shortcut");
    QTest::newRow("lower") << "/a/b.url" << true;
    QTest::newRow("mixed") << "/a/b.Url" << true;
    QTest::newRow("upper") << "B.URL" << true;
    QTest::newRow("text after shortcut") << "/a/b.url.txt" << false;
    QTest::newRow("no dot") << "/a/burl" << false;
    QTest::newRow("shell link") << "/a/b.lnk" << false;
}

void TestLinksFolder::recognition()
{
    QFETCH(QString, path);
    QFETCH(bool, shortcut);
    QCOMPARE(IsUrlShortcut(path), shortcut);
}

void TestLinksFolder::readRules_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("url");
    const QByteArray longUrl = "http://h/" + QByteArray(3000, 'a');
    QTest::newRow("windows file") << QByteArray("[DEFAULT]\r\nBASEURL=http://x/\r\n[InternetShortcut]\r\nURL=http://a/b\r\nIconIndex=1\r\n")
                                  << "http://a/b";
    QTest::newRow("names without case, blanks dropped") << QByteArray("[internetshortcut]\nurl =   http://a/c   \n") << "http://a/c";
    QTest::newRow("LF and CR ends") << QByteArray("[InternetShortcut]\rURL=http://a/d\r") << "http://a/d";
    QTest::newRow("capped at 2047") << shortcut(longUrl) << QString::fromLatin1(longUrl.left(2047));
    QTest::newRow("no section") << QByteArray("URL=http://a/e\r\n") << "";
    QTest::newRow("other section") << QByteArray("[Other]\r\nURL=http://a/f\r\n") << "";
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("binary") << QByteArray("\x00\xff\xfe[Int\x00\x01\x02=\x80\x81", 14) << "";
    QTest::newRow("javascript kept as text") << shortcut("javascript:alert(1)") << "javascript:alert(1)";
    QTest::newRow("windows-1252 title key") << QByteArray("[InternetShortcut]\r\nURL=http://a/caf\xe9\r\n") << QString::fromUtf8("http://a/caf\xc3\xa9");
}

void TestLinksFolder::readRules()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, url);
    const QString path = m_dir.filePath(QStringLiteral("read.url"));
    PutFile(path, content);
    QCOMPARE(ReadShortcutUrl(path), url);
    QCOMPARE(ReadShortcutUrl(m_dir.filePath(QStringLiteral("missing.url"))), QString());
}

void TestLinksFolder::specialFilesNeverBlock()
{
    // A FIFO named like a shortcut: opening it for reading would wait for a writer forever.
    const QString fifo = m_dir.filePath(QStringLiteral("pipe.url"));
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    QCOMPARE(ReadShortcutUrl(fifo), QString());
    // A folder and a device named so read as nothing too.
    QDir().mkpath(m_dir.filePath(QStringLiteral("folder.url")));
    QCOMPARE(ReadShortcutUrl(m_dir.filePath(QStringLiteral("folder.url"))), QString());
    QCOMPARE(ReadShortcutUrl(QStringLiteral("/dev/zero")), QString());
    QFile::remove(fifo);
}

void TestLinksFolder::writerIsExactAndAtomic()
{
    const QString path = m_dir.filePath(QStringLiteral("written.url"));
    QVERIFY(WriteUrlShortcut(path, QStringLiteral("http://a/b?c=d")));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("[InternetShortcut]\r\nURL=http://a/b?c=d\r\n"));
    f.close();
    // A line break cannot smuggle in a key or a section.
    QVERIFY(WriteUrlShortcut(path, QStringLiteral("http://a/\r\n[InternetShortcut]\r\nURL=http://evil/")));
    QCOMPARE(ReadShortcutUrl(path), QStringLiteral("http://a/[InternetShortcut]URL=http://evil/"));
    // A folder that cannot be written leaves no file and says why.
    const QString locked = m_dir.filePath(QStringLiteral("locked"));
    QDir().mkpath(locked);
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QString error;
    const bool wrote = WriteUrlShortcut(locked + QStringLiteral("/x.url"), QStringLiteral("http://a/"), &error);
    if (::geteuid() != 0) {   // root writes anywhere
        QVERIFY(!wrote);
        QVERIFY(!error.isEmpty());
        QVERIFY(QDir(locked).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void TestLinksFolder::dragName_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("name");
    QTest::newRow("punctuation dropped") << "Dr. Who's Page: Live!" << "http://a.example/" << "Dr Whos Page Live.url";
    QTest::newRow("untitled page: file name") << "127.0.0.1:8000/docs/index.html//" << "http://x/"
                                             << "x.url";   // ends in "/": the host instead
    QTest::newRow("untitled page file") << "http://h.example/docs/report.pdf" << "http://h.example/docs/report.pdf"
                                        << "report.pdf.url";
    QTest::newRow("backslash tail") << "file://c:\\docs\\notes.txt" << "file:///c:/docs/notes.txt" << "notes.txt.url";
    QTest::newRow("no latin letters") << QString::fromUtf8("Новости") << "http://news.example/a" << "news.example.url";
    QTest::newRow("hidden tail") << "http://h.example/.profile" << "http://h.example/.profile" << "h.example.url";
    QTest::newRow("nothing at all") << "" << "about:blank" << "Shortcut.url";
}

void TestLinksFolder::dragName()
{
    QFETCH(QString, title);
    QFETCH(QString, url);
    QFETCH(QString, name);
    QCOMPARE(ShortcutFileName(title, url), name);
}

void TestLinksFolder::dragDataCarriesFileAndTitle()
{
    // A name that does not fit the file system is cut to 255 bytes, never inside a character.
    const QString longTitle = QStringLiteral("http://h/") + QString(300, QChar(0x00e9));
    const QString longName = ShortcutFileName(longTitle, QStringLiteral("http://h/"));
    QVERIFY(longName.toUtf8().size() <= 255);
    QVERIFY(longName.endsWith(QLatin1String(".url")));
    QVERIFY(!longName.contains(QChar::ReplacementCharacter));

    const QString folder = m_dir.filePath(QStringLiteral("drag"));
    QDir().mkpath(folder);
    std::unique_ptr<QMimeData> data(MakeShortcutDragData(QStringLiteral("http://a.example/p"), QStringLiteral("A & B"), folder));
    QCOMPARE(data->text(), QStringLiteral("http://a.example/p"));
    QCOMPARE(data->urls().size(), 1);
    const QString file = data->urls().first().toLocalFile();
    QCOMPARE(QFileInfo(file).fileName(), QStringLiteral("A  B.url"));
    QCOMPARE(ReadShortcutUrl(file), QStringLiteral("http://a.example/p"));
    const QByteArray moz = data->data(QStringLiteral("text/x-moz-url"));
    QCOMPARE(QString::fromUtf16(reinterpret_cast<const char16_t *>(moz.constData()), moz.size() / 2),
             QStringLiteral("http://a.example/p\nA & B"));
    // Without a folder to write into, the drag still carries the address.
    std::unique_ptr<QMimeData> bare(MakeShortcutDragData(QStringLiteral("http://a.example/p"), QString(), QStringLiteral("/nonexistent/x")));
    QCOMPARE(bare->urls(), QList<QUrl>{QUrl(QStringLiteral("http://a.example/p"))});
}

void TestLinksFolder::shellFoldersSeededAndOverridden()
{
    TRegistry hkcu;
    hkcu.deleteKey(TShellFolders::ExplorerKey);
    // First use: the defaults are written to the hive and the folders exist.
    const QString favorites = TShellFolders::Favorites();
    QCOMPARE(favorites, TShellFolders::DefaultFavorites());
    QVERIFY(QFileInfo(favorites + QStringLiteral("/Links")).isDir());
    QCOMPARE(hkcu.readValue(TShellFolders::ShellFoldersKey, QStringLiteral("Favorites")).text, favorites);
    // The History folder is made with it.
    QVERIFY(QFileInfo(TShellFolders::DefaultHistory()).isDir());
    QCOMPARE(hkcu.readValue(TShellFolders::UserShellFoldersKey, QStringLiteral("History")).text,
             TShellFolders::DefaultHistory());
    QCOMPARE(TShellFolders::History(), TShellFolders::DefaultHistory());
    QCOMPARE(TShellFolders::LinksFolder(), favorites + QStringLiteral("/Links"));

    // A user's folder in "User Shell Folders", with a variable, wins over "Shell Folders".
    const TEnvOverride var("TV_FAV_ROOT", m_dir.path().toUtf8());
    hkcu.writeString(TShellFolders::UserShellFoldersKey, QStringLiteral("Favorites"), QStringLiteral("%TV_FAV_ROOT%/Mine"),
                     RegType::ExpandSz);
    QCOMPARE(TShellFolders::Favorites(), m_dir.filePath(QStringLiteral("Mine")));
    hkcu.writeString(QStringLiteral("Software\\Microsoft\\Internet Explorer\\Toolbar"), QStringLiteral("LinksFolderName"),
                     QStringLiteral("Quick Links"));
    QCOMPARE(TShellFolders::LinksFolder(), m_dir.filePath(QStringLiteral("Mine/Quick Links")));
    // A links folder name cannot lead out of the Favorites folder.
    hkcu.writeString(QStringLiteral("Software\\Microsoft\\Internet Explorer\\Toolbar"), QStringLiteral("LinksFolderName"),
                     QStringLiteral("..\\..\\etc"));
    QCOMPARE(TShellFolders::LinksFolder(), m_dir.filePath(QStringLiteral("Mine/Links")));
    QCOMPARE(TShellFolders::ExpandEnvironmentStrings(QStringLiteral("%NO_SUCH_VAR_X%/a")), QStringLiteral("%NO_SUCH_VAR_X%/a"));
    hkcu.deleteKey(TShellFolders::ExplorerKey);
    hkcu.deleteKey(QStringLiteral("Software\\Microsoft\\Internet Explorer\\Toolbar"));
}

void TestLinksFolder::treeOrderCaptionsAndTargets()
{
    QTemporaryDir links;
    const QString root = links.path();
    PutFile(root + QStringLiteral("/zeta.url"), shortcut("http://z/"));
    PutFile(root + QStringLiteral("/Alpha.URL"), shortcut("http://a/"));
    PutFile(root + QStringLiteral("/R&D.url"), shortcut("http://rd/"));
    PutFile(root + QStringLiteral("/-.url"), shortcut("http://dash/"));
    PutFile(root + QStringLiteral("/beta.page.html"), "<html></html>");
    PutFile(root + QStringLiteral("/README"), "plain");
    PutFile(root + QStringLiteral("/.hidden.url"), shortcut("http://hidden/"));
    PutFile(root + QStringLiteral("/nourl.url"), "[InternetShortcut]\r\n");
    PutFile(root + QStringLiteral("/news/Daily.url"), shortcut("http://daily/"));
    PutFile(root + QStringLiteral("/news/deep/Deeper.url"), shortcut("http://deeper/"));
    PutFile(root + QStringLiteral("/Archive/old.url"), shortcut("http://old/"));
    PutFile(root + QStringLiteral("/.git/config"), "x");

    const TLinkListing tree = ReadLinkTree(root);
    // Folders first, then files, each sorted without regard to case; extensions of any
    // length dropped; dot names left out.
    QCOMPARE(captions(tree.Folders), (QStringList{"Archive", "news"}));
    QCOMPARE(captions(tree.Files), (QStringList{"-", "Alpha", "beta.page", "nourl", "R&D", "README", "zeta"}));
    QCOMPARE(tree.Files.at(1).Target, QStringLiteral("http://a/"));
    QCOMPARE(tree.Files.at(2).Target, root + QStringLiteral("/beta.page.html"));   // not a shortcut: its path
    QCOMPARE(tree.Files.at(3).Target, QString());                                   // a shortcut without address
    QCOMPARE(tree.Folders.at(1).Target, root + QStringLiteral("/news"));
    // The whole sub-tree is read at once.
    const TLinkNode &news = tree.Folders.at(1);
    QCOMPARE(captions(news.Children), (QStringList{"deep", "Daily"}));
    QCOMPARE(news.Children.at(0).Children.at(0).Target, QStringLiteral("http://deeper/"));
    QCOMPARE(tree.FileCount, 10);
    QCOMPARE(tree.FolderCount, 3);
    // One level only, as "Open All" walks it.
    QCOMPARE(captions(ListLinkFolder(root + QStringLiteral("/news")).Files), QStringList{"Daily"});
    QCOMPARE(ReadLinkTree(root + QStringLiteral("/missing")).Files.size(), 0);
}

void TestLinksFolder::treeSurvivesLoopsAndOddEntries()
{
    QTemporaryDir links;
    const QString root = links.path();
    PutFile(root + QStringLiteral("/a/b/link.url"), shortcut("http://b/"));
    // Links back up the tree, a link to itself, a dangling link, a FIFO named like a
    // shortcut and a 250-byte name.
    QVERIFY(QFile::link(root, root + QStringLiteral("/a/b/up")));
    QVERIFY(QFile::link(root + QStringLiteral("/a/self"), root + QStringLiteral("/a/self")));
    QVERIFY(QFile::link(root + QStringLiteral("/nowhere"), root + QStringLiteral("/dangling.url")));
    QVERIFY(::mkfifo(QFile::encodeName(root + QStringLiteral("/pipe.url")).constData(), 0600) == 0);
    const QString longName = QString(246, QLatin1Char('n')) + QStringLiteral(".url");
    PutFile(root + QLatin1Char('/') + longName, shortcut("http://long/"));

    const TLinkListing tree = ReadLinkTree(root);
    QCOMPARE(captions(tree.Files), QStringList{QString(246, QLatin1Char('n'))});
    const TLinkNode &b = tree.Folders.at(0).Children.at(0);
    QCOMPARE(b.Caption, QStringLiteral("b"));
    // "up" leads back to the root, which is open on the way down: listed, not entered.
    QCOMPARE(captions(b.Children), (QStringList{"up", "link"}));
    QVERIFY(b.Children.at(0).Children.isEmpty());

    // A cancelled walk ends early without harm.
    std::atomic<bool> cancel{true};
    QVERIFY(ReadLinkTree(root, &cancel).FileCount <= 1);
}

void TestLinksFolder::windowsNamesKeepTheirLinks()
{
    // Names copied from Windows with their Windows-1252 bytes ("Café", "Résumé"), which
    // are no UTF-8: still listed, shown decoded, and their shortcuts still read.
    QTemporaryDir links;
    const QByteArray root = QFile::encodeName(links.path());
    const QByteArray folder = root + "/R\xe9sum\xe9";
    QVERIFY(::mkdir(folder.constData(), 0700) == 0);
    for (const QByteArray &file : {QByteArray(root + "/Caf\xe9.url"), QByteArray(folder + "/Na\xefve.url")}) {
        const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        QVERIFY(fd >= 0);
        const QByteArray content = shortcut("http://cafe.example/");
        QCOMPARE(::write(fd, content.constData(), content.size()), ssize_t(content.size()));
        ::close(fd);
    }
    const TLinkListing tree = ReadLinkTree(links.path());
    QCOMPARE(captions(tree.Files), QStringList{QString::fromUtf8("Caf\xc3\xa9")});
    QCOMPARE(tree.Files.first().Target, QStringLiteral("http://cafe.example/"));
    QCOMPARE(captions(tree.Folders), QStringList{QString::fromUtf8("R\xc3\xa9sum\xc3\xa9")});
    QCOMPARE(captions(tree.Folders.first().Children), QStringList{QString::fromUtf8("Na\xc3\xafve")});
    QCOMPARE(tree.Folders.first().Children.first().Target, QStringLiteral("http://cafe.example/"));
}

TV_TEST_MAIN_CORE(TestLinksFolder)
#include "tst_linksfolder.moc"
