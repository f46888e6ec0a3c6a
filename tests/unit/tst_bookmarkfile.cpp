#include "testenv.h"

#include "favorites/bookmarkfile.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The tree as lines: "F title" for a folder, "L title <url>" for a link, indented by depth.
void dumpInto(QStringList &lines, const TBookmarkNode &folder, int depth)
{
    for (const TBookmarkNode &n : folder.children) {
        const QString pad(depth * 2, QLatin1Char(' '));
        if (n.isFolder()) {
            lines << pad + "F " + n.title;
            dumpInto(lines, n, depth + 1);
        } else {
            lines << pad + "L " + n.title + " <" + n.url + ">";
        }
    }
}

QStringList dump(const TBookmarkNode &root)
{
    QStringList lines;
    dumpInto(lines, root, 0);
    return lines;
}

QByteArray crlf(QByteArray text)
{
    return text.replace("\n", "\r\n");
}

const char FirefoxExport[] = R"BM(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<!-- This is an automatically generated file.
     It will be read and overwritten.
     DO NOT EDIT! -->
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<meta http-equiv="Content-Security-Policy"
      content="default-src 'self'; script-src 'none'; img-src data: *; object-src 'none'"></meta>
<TITLE>Bookmarks</TITLE>
<H1>Bookmarks Menu</H1>

<DL><p>
    <DT><H3 ADD_DATE="1700000000" LAST_MODIFIED="1700000100">Mozilla Firefox</H3>
    <DL><p>
        <DT><A HREF="https://support.mozilla.org/products/firefox" ADD_DATE="1700000001" LAST_MODIFIED="1700000002" ICON_URI="fake-favicon-uri:https://support.mozilla.org/products/firefox" ICON="data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAABAAAAAQ">Get Help</A>
        <DT><A HREF="https://www.mozilla.org/about/" ADD_DATE="1700000003">About Us &amp; More</A>
    </DL><p>
    <HR>    <DT><A HREF="place:sort=8&amp;maxResults=10" ADD_DATE="1700000004">Most Visited</A>
    <DT><H3 ADD_DATE="1700000005" LAST_MODIFIED="1700000006" PERSONAL_TOOLBAR_FOLDER="true">Bookmarks Toolbar</H3>
<DD>Add bookmarks to this folder to see them displayed on the Bookmarks Toolbar
    <DL><p>
        <DT><A HREF="https://example.org/?a=1&amp;b=2" ADD_DATE="1700000007" SHORTCUTURL="ex" TAGS="x,y">Example &lt;Org&gt; &#8211; caf&#233; &#x263A;</A>
<DD>a description with <b>markup</b>
    </DL><p>
    <DT><A HREF="javascript:alert(document.cookie)" ADD_DATE="1700000008">Bookmarklet</A>
</DL>
)BM";

const char ChromeExport[] = R"BM(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<!-- This is an automatically generated file.
     It will be read and overwritten.
     DO NOT EDIT! -->
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<TITLE>Bookmarks</TITLE>
<H1>Bookmarks</H1>
<DL><p>
    <DT><H3 ADD_DATE="1600000000" LAST_MODIFIED="1600000500" PERSONAL_TOOLBAR_FOLDER="true">Bookmarks bar</H3>
    <DL><p>
        <DT><A HREF="https://www.qt.io/" ADD_DATE="1600000001" ICON="data:image/png;base64,AAAA">Qt | Cross-platform</A>
        <DT><H3 ADD_DATE="1600000002" LAST_MODIFIED="0">Docs</H3>
        <DL><p>
            <DT><A HREF="https://doc.qt.io/qt-6/qwidget.html" ADD_DATE="1600000003">QWidget Class | Qt Widgets 6</A>
        </DL><p>
        <DT><H3 ADD_DATE="1600000004" LAST_MODIFIED="0">Empty</H3>
        <DL><p>
        </DL><p>
    </DL><p>
    <DT><A HREF="https://xn--caf-dma.example/" ADD_DATE="1600000005">Café – Ünïcödé 日本</A>
</DL><p>
)BM";

// Edge writes Chrome's format with its own folder names; this one with CR LF line ends.
const char EdgeExport[] = R"BM(<!DOCTYPE NETSCAPE-Bookmark-file-1>
<!-- This is an automatically generated file.
     It will be read and overwritten.
     DO NOT EDIT! -->
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<TITLE>Bookmarks</TITLE>
<H1>Bookmarks</H1>
<DL><p>
    <DT><H3 ADD_DATE="1650000000" LAST_MODIFIED="1650000001" PERSONAL_TOOLBAR_FOLDER="true">Favorites bar</H3>
    <DL><p>
        <DT><A HREF="https://www.bing.com/" ADD_DATE="1650000002" ICON="data:image/png;base64,BBBB">Bing</A>
    </DL><p>
    <DT><H3 ADD_DATE="1650000003" LAST_MODIFIED="1650000004">Other favorites</H3>
    <DL><p>
        <DT><A HREF="https://learn.microsoft.com/" ADD_DATE="1650000005">Learn
spread over two lines</A>
    </DL><p>
</DL><p>
)BM";

// Internet Explorer: the system code page (here Windows-1252), valueless FOLDED, an
// unquoted attribute, and tags left unclosed.
const char IEExport[] =
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
    "<!-- This is an automatically generated file.\n"
    "It will be read and overwritten.\n"
    "Do Not Edit! -->\n"
    "<TITLE>Bookmarks</TITLE>\n"
    "<H1>Bookmarks</H1>\n"
    "<DL><p>\n"
    "    <DT><H3 FOLDED ADD_DATE=\"1100000000\">Links</H3>\n"
    "    <DL><p>\n"
    "        <DT><A HREF=\"http://www.example.com/\" ADD_DATE=\"1100000001\" LAST_VISIT=\"1100000002\" "
    "LAST_MODIFIED=\"1100000003\">Customize Links</A>\n"
    "    </DL><p>\n"
    "    <DT><A HREF=\"http://www.example.net/\" ADD_DATE=\"1100000004\" LAST_VISIT=\"0\" LAST_MODIFIED=\"0\">"
    "Caf\xe9 \x93quoted\x94 \x80 5</A>\n"
    "    <DT><A HREF=http://unquoted.example/path?x=1 ADD_DATE=1100000005>Unquoted\n"
    "    <DT><H3 FOLDED>No date\n"
    "    <DL><p>\n"
    "        <DT><A HREF='http://inside.example/'>Inside\n"
    "    </DL><p>\n"
    "</DL><p>\n";

}

class TestBookmarkFile : public QObject {
    Q_OBJECT
private slots:
    void readsBrowserExports_data();
    void readsBrowserExports();
    void keepsDatesAndSkipsQueries();
    void writerOutputReadsBack();
    void oddInputReadsBackUnchanged_data();
    void oddInputReadsBackUnchanged();
    void badInput_data();
    void badInput();
    void deepNestingIsFlattenedNotRecursed();
    void safeNames_data();
    void safeNames();
    void planNamesAreUniqueAndSafe();
    void planNeverLeavesTheFolder();
    void planKeepsPathsShort();
    void resolveInsideRefusesEscapes();
};

void TestBookmarkFile::readsBrowserExports_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QStringList>("tree");

    QTest::newRow("Firefox") << QByteArray(FirefoxExport) << "Bookmarks Menu"
                             << QStringList{"F Mozilla Firefox",
                                            "  L Get Help <https://support.mozilla.org/products/firefox>",
                                            "  L About Us & More <https://www.mozilla.org/about/>",
                                            "F Bookmarks Toolbar",
                                            QString::fromUtf8("  L Example <Org> \xe2\x80\x93 caf\xc3\xa9 \xe2\x98\xba <https://example.org/?a=1&b=2>"),
                                            "L Bookmarklet <javascript:alert(document.cookie)>"};
    const QStringList chrome = {"F Bookmarks bar",
                                "  L Qt | Cross-platform <https://www.qt.io/>",
                                "  F Docs",
                                "    L QWidget Class | Qt Widgets 6 <https://doc.qt.io/qt-6/qwidget.html>",
                                "  F Empty",
                                QString::fromUtf8("L Caf\xc3\xa9 \xe2\x80\x93 \xc3\x9cn\xc3\xaf" "c\xc3\xb6" "d\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac <https://xn--caf-dma.example/>")};
    QTest::newRow("Chrome") << QByteArray(ChromeExport) << "Bookmarks" << chrome;
    QTest::newRow("Chrome with a byte order mark") << QByteArray("\xEF\xBB\xBF") + ChromeExport << "Bookmarks" << chrome;
    QTest::newRow("Edge, CR LF") << crlf(EdgeExport) << "Bookmarks"
                                 << QStringList{"F Favorites bar", "  L Bing <https://www.bing.com/>", "F Other favorites",
                                                "  L Learn spread over two lines <https://learn.microsoft.com/>"};
    const QStringList ie = {"F Links",
                            "  L Customize Links <http://www.example.com/>",
                            QString::fromUtf8("L Caf\xc3\xa9 \xe2\x80\x9cquoted\xe2\x80\x9d \xe2\x82\xac 5 <http://www.example.net/>"),
                            "L Unquoted <http://unquoted.example/path?x=1>",
                            "F No date",
                            "  L Inside <http://inside.example/>"};
    QTest::newRow("Internet Explorer, Windows-1252, CR LF") << crlf(IEExport) << "Bookmarks" << ie;
    QByteArray utf16("\xFF\xFE");
    // The same text in UTF-8 first (the euro sign before the bytes its replacement uses).
    const QString ieText = QString::fromUtf8(QByteArray(IEExport)
                                                 .replace("\x80", "\xe2\x82\xac")
                                                 .replace("\x93", "\xe2\x80\x9c")
                                                 .replace("\x94", "\xe2\x80\x9d")
                                                 .replace("\xe9", "\xc3\xa9"));
    utf16 += QByteArray(reinterpret_cast<const char *>(ieText.utf16()), ieText.size() * 2);
    QTest::newRow("UTF-16 with a byte order mark") << utf16 << "Bookmarks" << ie;
}

void TestBookmarkFile::readsBrowserExports()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, heading);
    QFETCH(QStringList, tree);
    const TBookmarkReadResult result = TBookmarkFile::Parse(data);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.root.title, heading);
    QCOMPARE(dump(result.root), tree);
    int folders = 0;
    for (const QString &line : tree)
        folders += line.trimmed().startsWith("F ");
    QCOMPARE(result.folders, folders);
    QCOMPARE(result.links, tree.size() - folders);
}

void TestBookmarkFile::keepsDatesAndSkipsQueries()
{
    const TBookmarkReadResult firefox = TBookmarkFile::Parse(FirefoxExport);
    QCOMPARE(firefox.skipped, 1);   // "Most Visited" is a query, not an address
    const TBookmarkNode &folder = firefox.root.children.at(0);
    QCOMPARE(folder.added, QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC));
    QCOMPARE(folder.modified, QDateTime::fromSecsSinceEpoch(1700000100, Qt::UTC));
    QCOMPARE(folder.children.at(0).added, QDateTime::fromSecsSinceEpoch(1700000001, Qt::UTC));

    const TBookmarkReadResult chrome = TBookmarkFile::Parse(ChromeExport);
    QVERIFY(!chrome.root.children.at(0).children.at(1).modified.isValid());   // LAST_MODIFIED="0"

    QCOMPARE(TBookmarkFile::ParseDate("1600000000123"), QDateTime::fromSecsSinceEpoch(1600000000, Qt::UTC));
    QCOMPARE(TBookmarkFile::ParseDate("1600000000123456"), QDateTime::fromSecsSinceEpoch(1600000000, Qt::UTC));
    QVERIFY(!TBookmarkFile::ParseDate("-5").isValid());
    // Too large even as microseconds: no date, rather than one that reads back differently.
    QVERIFY(!TBookmarkFile::ParseDate("1600000000000000123").isValid());
    QCOMPARE(TBookmarkFile::ParseDate("100000000000"), QDateTime::fromSecsSinceEpoch(100000000000LL, Qt::UTC));
    QVERIFY(!TBookmarkFile::ParseDate("soon").isValid());
}

void TestBookmarkFile::writerOutputReadsBack()
{
    const QDateTime t1 = QDateTime::fromSecsSinceEpoch(1500000000, Qt::UTC);
    const QDateTime t2 = QDateTime::fromSecsSinceEpoch(1500000999, Qt::UTC);
    TBookmarkNode root = TBookmarkNode::Folder("My <Favorites>");
    TBookmarkNode news = TBookmarkNode::Folder("News & \"Views\"", t1);
    news.children << TBookmarkNode::Link("Tom's <b>page</b>", "http://example.com/?a=1&b=\"2\"", t2);
    TBookmarkNode inner = TBookmarkNode::Folder("Inner", t1);
    inner.children << TBookmarkNode::Link(QString::fromUtf8("\xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80"), "https://xn--wgv71a.example/");
    news.children << inner << TBookmarkNode::Folder("Empty");
    root.children << news << TBookmarkNode::Link("Top", "https://top.example/#frag", t1);

    QTemporaryDir dir;
    const QString path = dir.filePath("bookmarks.html");
    QString error;
    QVERIFY2(TBookmarkFile::Save(path, root, &error), qPrintable(error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    QVERIFY(written.startsWith("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"));
    QVERIFY(written.contains("charset=UTF-8"));
    QVERIFY(written.contains("<DT><H3 ADD_DATE=\"1500000000\">News &amp; &quot;Views&quot;</H3>"));
    QVERIFY(written.contains("ADD_DATE=\"1500000999\""));

    const TBookmarkReadResult back = TBookmarkFile::Read(path);
    QVERIFY2(back.ok, qPrintable(back.error));
    QCOMPARE(back.root.title, root.title);
    QCOMPARE(dump(back.root), dump(root));
    QCOMPARE(back.root.children.at(0).added, t1);
    QCOMPARE(back.root.children.at(0).children.at(0).added, t2);
    QVERIFY(!back.root.children.at(0).children.at(2).added.isValid());
}

void TestBookmarkFile::oddInputReadsBackUnchanged_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("tree");
    QTest::newRow("line break in an address") << QByteArray("<DL><p><DT><A HREF=\"http://x.example/a\r\n\">T</A>")
                                              << QStringList{"L T <http://x.example/a>"};
    QTest::newRow("tab in an address") << QByteArray("<DL><p><DT><A HREF=\"http://x.example/a\tb\">T</A>")
                                       << QStringList{"L T <http://x.example/ab>"};
    QTest::newRow("untitled, line break") << QByteArray("<DL<A HREF=\">\r>\n<D")
                                          << QStringList{"L >> <>>>"};
    QByteArray utf16("\xff\xfe");
    for (char c : QByteArray("<DL><p><DT><A HREF=\"http://a/\">x"))
        utf16 += QByteArray(1, c) + QByteArray(1, '\0');
    utf16 += QByteArray("\x00\xdc<\0/\0A\0>\0", 10);   // a low surrogate alone, then "</A>"
    QTest::newRow("UTF-16 with a lone surrogate") << utf16 << QStringList{QString::fromUtf8("L x\xef\xbf\xbd <http://a/>")};
    QByteArray deep("<DT><H3>top</H3><DL><p>");   // no list of the file's own
    for (int i = 0; i < 120; ++i)
        deep += "<DT><H3>f</H3><DL><p>";
    deep += "<DT><A HREF=\"http://deep/\">deep</A>";
    QStringList deepTree{"F top"};
    for (int i = 1; i < TBookmarkFile::MaxFolderDepth - 1; ++i)   // 99 folders deep at most
        deepTree << QString(2 * i, QLatin1Char(' ')) + "F f";
    deepTree << QString(2 * (TBookmarkFile::MaxFolderDepth - 1), QLatin1Char(' ')) + "L deep <http://deep/>";
    QTest::newRow("deep folders without the file's own list") << deep << deepTree;
    QTest::newRow("untitled, blanks") << QByteArray("<DL><p><DT><A HREF=\"a  b\"></A>")
                                      << QStringList{"L a b <a  b>"};
}

// What is read is written and read again without a change.
void TestBookmarkFile::oddInputReadsBackUnchanged()
{
    QFETCH(QByteArray, data);
    QFETCH(QStringList, tree);
    const TBookmarkReadResult read = TBookmarkFile::Parse(data);
    QVERIFY2(read.ok, qPrintable(read.error));
    QCOMPARE(dump(read.root), tree);
    QCOMPARE(dump(TBookmarkFile::Parse(TBookmarkFile::Write(read.root)).root), tree);
}

void TestBookmarkFile::badInput_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("tree");

    QTest::newRow("empty") << QByteArray() << false << QStringList();
    QTest::newRow("plain text") << QByteArray("just some words < and > signs & more") << false << QStringList();
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR<<<>>>", 20) << false << QStringList();
    QTest::newRow("an ordinary web page") << QByteArray("<html><body><a href='http://x/'>x</a></body></html>") << false
                                          << QStringList();
    QTest::newRow("empty bookmark file") << QByteArray("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n</DL><p>\n") << true
                                         << QStringList();
    QTest::newRow("truncated inside an attribute")
        << QByteArray(ChromeExport).left(QByteArray(ChromeExport).indexOf("qwidget.html")) << true
        << QStringList{"F Bookmarks bar", "  L Qt | Cross-platform <https://www.qt.io/>", "  F Docs"};
    QTest::newRow("unterminated quote ends at the line")
        << QByteArray("<!DOCTYPE NETSCAPE-Bookmark-file-1><DL>\n<DT><A HREF=\"http://a/>A\n<DT><A HREF=\"http://b/\">B</A></DL>")
        << true << QStringList{"L http://a/>A <http://a/>A>", "L B <http://b/>"};
    QTest::newRow("stray closing lists and no HREF")
        << QByteArray("<!DOCTYPE NETSCAPE-Bookmark-file-1></DL></DL><DL><DT><A>nothing</A><DT><A HREF=\"\">empty</A>"
                      "<DT><A HREF=\" http://c/ \">C</A></DL></DL>")
        << true << QStringList{"L C <http://c/>"};
    QTest::newRow("no doctype but a bookmark list")
        << QByteArray("<DL><p><DT><H3>F</H3><DL><p><DT><A HREF=\"http://x/\">X</A></DL></DL>") << true
        << QStringList{"F F", "  L X <http://x/>"};
}

void TestBookmarkFile::badInput()
{
    QFETCH(QByteArray, data);
    QFETCH(bool, ok);
    QFETCH(QStringList, tree);
    const TBookmarkReadResult result = TBookmarkFile::Parse(data);
    QCOMPARE(result.ok, ok);
    QCOMPARE(result.error.isEmpty(), ok);
    QCOMPARE(dump(result.root), tree);
}

void TestBookmarkFile::deepNestingIsFlattenedNotRecursed()
{
    QByteArray data("<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n");
    for (int i = 0; i < 10000; ++i)
        data += "<DT><H3>level " + QByteArray::number(i) + "</H3>\n<DL><p>\n";
    data += "<DT><A HREF=\"http://deep.example/\">Deep</A>\n";   // no closing tags at all
    const TBookmarkReadResult result = TBookmarkFile::Parse(data);
    QVERIFY(result.ok);
    QCOMPARE(result.links, 1);
    int depth = 0;
    const TBookmarkNode *node = &result.root;
    while (!node->children.isEmpty() && node->children.first().isFolder()) {
        node = &node->children.first();
        ++depth;
    }
    QVERIFY2(depth < TBookmarkFile::MaxFolderDepth && depth > 50, qPrintable(QString::number(depth)));
    QCOMPARE(node->children.size(), 1);
    QCOMPARE(node->children.first().url, QStringLiteral("http://deep.example/"));

    const TImportPlan plan = PlanImport(result.root);
    QCOMPARE(plan.shortcuts, 1);
    for (const TImportItem &item : plan.items)
        QVERIFY(item.relativePath.toUtf8().size() <= TSafeName::MaxRelativePathBytes + TSafeName::MaxNameBytes + 16);
}

void TestBookmarkFile::safeNames_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("fallback");
    QTest::addColumn<QString>("name");

    QTest::newRow("ordinary") << "Qt | Cross-platform: \"yes\"?" << "" << "Qt | Cross-platform: \"yes\"?";
    QTest::newRow("slashes") << "a/b\\c" << "" << "a-b-c";
    QTest::newRow("dot-dot") << ".." << "" << "Untitled";
    QTest::newRow("dot-dot slash") << "../../etc/passwd" << "" << "-..-etc-passwd";
    QTest::newRow("leading dots") << "...hidden" << "" << "hidden";
    QTest::newRow("leading dot and blank") << ". profile" << "" << "profile";
    QTest::newRow("control characters") << QString("tab\there\nnew\x01line\x7f") << "" << "tab here new line";
    QTest::newRow("blank") << "   " << "example.com" << "example.com";
    QTest::newRow("empty, unsafe fallback") << "" << ".." << "Untitled";
    QTest::newRow("long ASCII") << QString(300, 'a') << "" << QString(TSafeName::MaxNameBytes, 'a');
    QTest::newRow("long two-byte") << QString(150, QChar(0xE9)) << "" << QString(TSafeName::MaxNameBytes / 2, QChar(0xE9));
    QString emoji;
    for (int i = 0; i < 60; ++i)
        emoji += QString::fromUtf8("\xf0\x9f\x98\x80");
    QTest::newRow("long, no broken surrogate") << "a" + emoji << "" << "a" + emoji.left(2 * 49);
}

void TestBookmarkFile::safeNames()
{
    QFETCH(QString, title);
    QFETCH(QString, fallback);
    QFETCH(QString, name);
    const QString made = TSafeName::FromTitle(title, fallback);
    QCOMPARE(made, name);
    QVERIFY(made.toUtf8().size() <= TSafeName::MaxNameBytes);
    QVERIFY(TSafeName::IsSafeRelativePath(made + ".url"));
}

void TestBookmarkFile::planNamesAreUniqueAndSafe()
{
    TBookmarkNode root = TBookmarkNode::Folder("root");
    root.children << TBookmarkNode::Link("Same", "http://1/") << TBookmarkNode::Link("Same", "http://2/")
                  << TBookmarkNode::Link("same", "http://3/") << TBookmarkNode::Link("Same (2)", "http://4/")
                  << TBookmarkNode::Link("", "https://host.example/page") << TBookmarkNode::Link("News", "http://5/");
    TBookmarkNode folder = TBookmarkNode::Folder("Same");   // a folder beside Same.url is no clash
    folder.children << TBookmarkNode::Link("Same", "http://6/");
    root.children << folder << TBookmarkNode::Folder("same");
    for (int i = 0; i < 2000; ++i)
        root.children << TBookmarkNode::Link("Many", "http://many/");

    const auto onDisk = [](const QString &path) { return path == QLatin1String("News.url"); };
    const TImportPlan plan = PlanImport(root, onDisk);
    QStringList head;
    for (int i = 0; i < 9; ++i)
        head << plan.items.at(i).relativePath + (plan.items.at(i).folder ? QString("/") : QString(" " + plan.items.at(i).url));
    QCOMPARE(head, (QStringList{"Same.url http://1/", "Same (2).url http://2/", "same (3).url http://3/",
                                "Same (2) (2).url http://4/", "host.example.url https://host.example/page",
                                "News (2).url http://5/", "Same/", "Same/Same.url http://6/", "same (2)/"}));
    QCOMPARE(plan.folders, 2);
    QCOMPARE(plan.shortcuts, 2007);
    QSet<QString> seen;
    for (const TImportItem &item : plan.items) {
        const QString key = item.relativePath.toCaseFolded();
        QVERIFY2(!seen.contains(key), qPrintable(item.relativePath));
        seen.insert(key);
    }
    QCOMPARE(plan.items.last().relativePath, QStringLiteral("Many (2000).url"));
}

void TestBookmarkFile::planNeverLeavesTheFolder()
{
    TBookmarkNode root = TBookmarkNode::Folder("root");
    TBookmarkNode up = TBookmarkNode::Folder("..");
    up.children << TBookmarkNode::Link("../../../../etc/cron.d/evil", "http://x/");
    TBookmarkNode abs = TBookmarkNode::Folder("/etc");
    abs.children << TBookmarkNode::Link("/etc/passwd", "javascript:alert(1)");
    root.children << up << abs << TBookmarkNode::Folder(".") << TBookmarkNode::Link(".bashrc", "http://y/")
                  << TBookmarkNode::Link(QString::fromUtf8("a\0b", 3), "http://z/");
    QTemporaryDir dir;
    const TImportPlan plan = PlanImport(root);
    QCOMPARE(plan.items.size(), 7);
    QStringList folders;
    for (const TImportItem &item : plan.items) {
        QVERIFY2(TSafeName::IsSafeRelativePath(item.relativePath), qPrintable(item.relativePath));
        const QString target = TSafeName::ResolveInside(dir.path(), item.relativePath);
        QVERIFY2(target.startsWith(dir.path() + "/"), qPrintable(item.relativePath));
        if (item.folder)
            folders << item.relativePath;
        else  // every shortcut's folder is planned before it
            QVERIFY(!item.relativePath.contains('/') || folders.contains(item.relativePath.section('/', 0, -2)));
    }
    QCOMPARE(plan.items.at(1).relativePath, QStringLiteral("New Folder/-..-..-..-etc-cron.d-evil.url"));
    QCOMPARE(plan.items.at(3).relativePath, QStringLiteral("-etc/-etc-passwd.url"));
    QCOMPARE(plan.items.at(4).relativePath, QStringLiteral("New Folder (2)"));
    QCOMPARE(plan.items.at(5).relativePath, QStringLiteral("bashrc.url"));
    QCOMPARE(plan.items.at(6).relativePath, QStringLiteral("a b.url"));
}

void TestBookmarkFile::planKeepsPathsShort()
{
    TBookmarkNode root = TBookmarkNode::Folder("root");
    TBookmarkNode *folder = &root;
    for (int i = 0; i < 40; ++i) {
        folder->children << TBookmarkNode::Folder(QString(190, QChar('a' + i % 26)));
        folder = &folder->children.last();
    }
    folder->children << TBookmarkNode::Link(QString(250, 'z'), "http://deepest/");
    const TImportPlan plan = PlanImport(root);
    QCOMPARE(plan.shortcuts, 1);
    QVERIFY(plan.folders > 5 && plan.folders < 40);
    for (const TImportItem &item : plan.items) {
        QVERIFY(item.relativePath.toUtf8().size() <= TSafeName::MaxRelativePathBytes + TSafeName::MaxNameBytes + 16);
        QVERIFY(TSafeName::IsSafeRelativePath(item.relativePath));
    }
    QCOMPARE(plan.items.last().url, QStringLiteral("http://deepest/"));
}

void TestBookmarkFile::resolveInsideRefusesEscapes()
{
    QTemporaryDir dir;
    QTemporaryDir outside;
    QVERIFY(QDir(dir.path()).mkdir("real"));
    QVERIFY(QFile::link(outside.path(), dir.filePath("link")));
    QCOMPARE(TSafeName::ResolveInside(dir.path(), "real/a.url"), dir.path() + "/real/a.url");
    const QStringList refused = {"", "../a.url", "real/../../a.url", "/etc/a.url", "real//a.url", ".hidden.url",
                                 "real/./a.url", "link/a.url", "link", "a\\..\\b.url", QString("a\nb.url")};
    for (const QString &path : refused)
        QVERIFY2(TSafeName::ResolveInside(dir.path(), path).isEmpty(), qPrintable(path));
}

TV_TEST_MAIN_CORE(TestBookmarkFile)
#include "tst_bookmarkfile.moc"
