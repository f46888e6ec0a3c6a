// The browser view's own rules: base address, file-name-safe title, the mail copy of a
// page, host flags, the download-control answer, and how the view drives its control.
// The control is the scripted one: no web engine runs here.

#include "testenv.h"

#include "browser/vessabrowser.h"
#include "platform/paths.h"
#include "platform/scripted_control.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QtTest>
#include <QSignalSpy>

class TestVessaBrowserPure : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void baseHref_data();
    void baseHref();
    void fileNameSafeTitle_data();
    void fileNameSafeTitle();
    void withBaseTag_data();
    void withBaseTag();
    void hostAnswers();
    void refreshStopsBusyControl();
    void titleWrapper();
    void selectionContextMenu();
    void saveCopies();
    void copiesLiveInPrivateRunFolder();
};

void TestVessaBrowserPure::initTestCase()
{
    TScriptedControl::Install();
}

void TestVessaBrowserPure::baseHref_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("base");
    QTest::newRow("page") << "http://server/dir/page.html" << "http://server/dir/";
    QTest::newRow("folder") << "http://server/dir/" << "http://server/dir/";
    QTest::newRow("host only") << "http://server" << "http://server/";
    QTest::newRow("host slash") << "http://server/" << "http://server/";
    QTest::newRow("short") << "http:/" << "http://";
    QTest::newRow("empty") << "" << "/";
    // The scheme's "//" of a longer scheme is not a path either.
    QTest::newRow("https host") << "https://server" << "https://server/";
    QTest::newRow("file") << "file:///home/u/a.html" << "file:///home/u/";
    // A slash in the query or fragment is not part of the path.
    QTest::newRow("query") << "http://s/dir/page?x=a/b" << "http://s/dir/";
    QTest::newRow("host query") << "http://s?next=/x/y" << "http://s/";
    QTest::newRow("fragment") << "http://s/a/b.html#c/d" << "http://s/a/";
    QTest::newRow("no scheme") << "about:blank" << "about:blank/";
}

void TestVessaBrowserPure::baseHref()
{
    QFETCH(QString, url);
    QFETCH(QString, base);
    QCOMPARE(TVessaBrowser::BaseHref(url), base);
}

void TestVessaBrowserPure::fileNameSafeTitle_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("safe");
    QTest::newRow("colon ampersand") << "Tab: A&B 2.0" << "Tab  A B 2.0";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("path") << "../etc/passwd" << ".. etc passwd";
    QTest::newRow("non-ascii") << QString::fromUtf8("Grüße\tdir") << "Gr  e dir";
}

void TestVessaBrowserPure::fileNameSafeTitle()
{
    QFETCH(QString, title);
    QFETCH(QString, safe);
    QCOMPARE(TVessaBrowser::FileNameSafeTitle(title), safe);
}

void TestVessaBrowserPure::withBaseTag_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QByteArray>("result");
    QTest::newRow("lf") << "http://s/d/" << QByteArray("<html>\n<body>x</body>\n</html>\n")
                        << QByteArray("<BASE HREF=\"http://s/d/\">\r\n<html>\r\n<body>x</body>\r\n</html>\r\n");
    QTest::newRow("crlf, no final break") << "http://s/" << QByteArray("a\r\nb")
                                          << QByteArray("<BASE HREF=\"http://s/\">\r\na\r\nb\r\n");
    QTest::newRow("empty lines kept") << "http://s/" << QByteArray("a\n\nb\n")
                                      << QByteArray("<BASE HREF=\"http://s/\">\r\na\r\n\r\nb\r\n");
    QTest::newRow("empty document") << "http://s/" << QByteArray() << QByteArray("<BASE HREF=\"http://s/\">\r\n");
    // A quote in the address cannot end the attribute.
    QTest::newRow("quote") << "http://s/a\"b/" << QByteArray("x")
                           << QByteArray("<BASE HREF=\"http://s/a%22b/\">\r\nx\r\n");
}

void TestVessaBrowserPure::withBaseTag()
{
    QFETCH(QString, base);
    QFETCH(QByteArray, document);
    QFETCH(QByteArray, result);
    QCOMPARE(TVessaBrowser::WithBaseTag(base, document), result);
}

void TestVessaBrowserPure::hostAnswers()
{
    QCOMPARE(TVessaBrowser::HostFlags(false, false, false), 0x4000u);
    QCOMPARE(TVessaBrowser::HostFlags(true, false, true), 0x4084u);    // a browser tab's view
    QCOMPARE(TVessaBrowser::HostFlags(true, true, true), 0x408Cu);
    QCOMPARE(TVessaBrowser::DownloadControlAnswer((1 << dcDLImages) | (1 << dcNoScripts)), 0x90u);
    QCOMPARE(TVessaBrowser::DownloadControlAnswer(0xFF), 0x7F0u);   // bit 7 is no option

    TVessaBrowser view(nullptr, false, false);
    view.DownloadControlOptionSet = (1 << dcDLImages) | (1 << dcNoScripts);
    quint32 answer = 0;
    QVERIFY(!view.AmbientDownloadControl(&answer));   // left to the default, whatever the set
    view.UseDownloadControl = true;
    QVERIFY(view.AmbientDownloadControl(&answer));
    QCOMPARE(answer, 0x90u);

    // The control learns both before each navigation.
    auto *control = qobject_cast<TScriptedControl *>(view.Control());
    QVERIFY(control);
    view.No3DBorder = true;
    view.FlatScrollbar = true;
    control->clearOperations();
    view.NavigateTo("http://x/");
    QCOMPARE(control->operations().first(), QStringLiteral("ApplyHostInfo 4084 1 90"));
}

void TestVessaBrowserPure::refreshStopsBusyControl()
{
    TVessaBrowser view(nullptr, false, false);
    auto *control = qobject_cast<TScriptedControl *>(view.Control());
    control->clearOperations();
    control->setBusy(false);
    view.NavigateTo("http://a/");
    view.RefreshPage();
    QVERIFY(!control->operations().contains("Stop"));
    QCOMPARE(control->navigations(), QStringList{"http://a/"});

    control->clearOperations();
    control->setBusy(true);
    view.NavigateTo("http://b/");
    control->setBusy(true);
    view.RefreshPage();
    control->setBusy(true);
    view.RefreshCompletely();
    QStringList ops = control->operations().filter(QRegularExpression("^(?!ApplyHostInfo)"));
    QCOMPARE(ops, (QStringList{"Stop", "Navigate http://b/", "Stop", "Refresh", "Stop", "RefreshCompletely"}));
}

void TestVessaBrowserPure::titleWrapper()
{
    TVessaBrowser view(nullptr, false, false);
    QSignalSpy spy(&view, &TVessaBrowser::OnTitleChangeWrapper);
    qobject_cast<TScriptedControl *>(view.Control())->fireTitleChange("Hello & bye");
    QCOMPARE(view.PageTitle(), QStringLiteral("Hello & bye"));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(1).toString(), QStringLiteral("Hello & bye"));

    // The plain constructor (the search panel's view) does not route titles.
    TVessaBrowser plain;
    QSignalSpy plainSpy(&plain, &TVessaBrowser::OnTitleChangeWrapper);
    qobject_cast<TScriptedControl *>(plain.Control())->fireTitleChange("x");
    QCOMPARE(plainSpy.count(), 0);
}

void TestVessaBrowserPure::selectionContextMenu()
{
    TVessaBrowser view(nullptr, false, false);
    auto *control = qobject_cast<TScriptedControl *>(view.Control());
    // Without a handler the engine's own menu shows.
    QVERIFY(!control->fireContextMenuRequested(4, QPoint(10, 20)));

    int calls = 0;
    quint32 id = 0;
    QPoint at;
    view.OnShowContextMenuEvent = [&](TVessaBrowser *sender, quint32 dwID, const QPoint &pt) {
        QCOMPARE(sender, &view);
        ++calls;
        id = dwID;
        at = pt;
    };
    QVERIFY(control->fireContextMenuRequested(4, QPoint(10, 20)));
    QCOMPARE(calls, 1);
    QCOMPARE(id, 4u);
    QCOMPARE(at, QPoint(10, 20));
    // Other menus stay the engine's.
    QVERIFY(!control->fireContextMenuRequested(0, QPoint()));
    QVERIFY(!control->fireContextMenuRequested(2, QPoint()));
    QCOMPARE(calls, 1);
}

void TestVessaBrowserPure::saveCopies()
{
    TVessaBrowser view(nullptr, false, false);
    auto *control = qobject_cast<TScriptedControl *>(view.Control());
    control->setLocationURL("http://server/dir/page.html");
    control->setLocationName("Tab: A&B 2.0");
    control->setDocumentHtml("<html>\n<body>x</body>\n</html>\n");

    const QString mail = view.SaveWithBaseHref();
    QCOMPARE(mail, TPaths::RunTempDir() + "/Tab  A B 2.0.htm");
    QFile file(mail);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("<BASE HREF=\"http://server/dir/\">\r\n<html>\r\n<body>x</body>\r\n</html>\r\n"));
    QVERIFY(!QFile::exists(TPaths::RunTempDir() + "/Tab  A B 2.0.tmp"));
    file.remove();

    // A very long title still gives a file the system can create.
    control->setLocationName(QString(400, 'x'));
    const QString longName = view.SaveWithBaseHref();
    QVERIFY(!longName.isEmpty());
    QVERIFY(QFile::remove(longName));

    const QString first = view.SaveToTempFile();
    const QString second = view.SaveToTempFile();
    QVERIFY(QFileInfo(first).fileName().startsWith("tmp"));
    QVERIFY(first.endsWith(".htm"));
    QVERIFY(first != second);
    QFile copy(first);
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), QByteArray("<html>\n<body>x</body>\n</html>\n"));
    QFile::remove(first);
    QFile::remove(second);

    // A page that cannot be saved gives no file and leaves nothing behind.
    control->setHasDocument(false);
    QCOMPARE(view.SaveToTempFile(), QString());
    QCOMPARE(view.SaveWithBaseHref(), QString());
}

void TestVessaBrowserPure::copiesLiveInPrivateRunFolder()
{
    // Copies handed to an editor or a mail program go to a folder of this run's own: only
    // this user can enter it, its name cannot be guessed beforehand, and it goes with
    // everything in it when its owner (the application) does.
    TVessaBrowser view(nullptr, false, false);
    auto *control = qobject_cast<TScriptedControl *>(view.Control());
    control->setLocationName("Mail");
    control->setDocumentHtml("<p>x</p>");
    const QString mail = view.SaveWithBaseHref();
    const QString edit = view.SaveToTempFile();
    const QString folder = QFileInfo(mail).absolutePath();
    QCOMPARE(QFileInfo(edit).absolutePath(), folder);
    QVERIFY(folder != QDir::cleanPath(QDir::tempPath()));
    struct stat st {};
    QCOMPARE(::lstat(QFile::encodeName(folder).constData(), &st), 0);
    QVERIFY(S_ISDIR(st.st_mode));
    QCOMPARE(st.st_mode & 0777, mode_t(0700));
    QCOMPARE(st.st_uid, ::geteuid());

    QObject *owner = QCoreApplication::instance()->findChild<QObject *>(QStringLiteral("tabvaneRunTempDir"));
    QVERIFY(owner);
    delete owner;
    QVERIFY(!QFileInfo::exists(folder));
    QVERIFY(!QFileInfo::exists(mail));

    // The next copy makes a new folder with another name.
    const QString again = view.SaveToTempFile();
    QVERIFY(!again.isEmpty());
    QVERIFY(QFileInfo(again).absolutePath() != folder);
}

TV_TEST_MAIN_GUI(TestVessaBrowserPure)
#include "tst_vessabrowser_pure.moc"
