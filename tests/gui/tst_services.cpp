// The window's services on their own: the version check against a server of the test's
// own, and the tray icon with a stand-in for the desktop's tray.

#include "testenv.h"
#include "httpserver.h"
#include "recordinghost.h"

#include "app/handover.h"
#include "app/kwoptions.h"
#include "app/tray.h"
#include "app/windowsettings.h"
#include "browser/browsertab.h"
#include "browser/tabmanager.h"
#include "platform/makerhost.h"
#include "platform/offline.h"
#include "platform/scripted_control.h"
#include "navigation/commandtable.h"
#include "platform/desktopentry.h"
#include "services/getter.h"
#include "services/mailnews.h"
#include "services/versioncheck.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QMenu>
#include <QSignalSpy>
#include <QUrlQuery>
#include <QtTest>

#include <memory>

namespace {

// The desktop's tray as a test wants it: there or not, and double-clicked on demand.
class TFakeTrayIcon : public ITrayIcon {
public:
    bool available = true;
    bool visible = false;
    QString toolTip;
    QMenu *menu = nullptr;
    bool IsAvailable() const override { return available; }
    void SetVisible(bool on) override { visible = on; }
    bool IsVisible() const override { return visible; }
    void SetToolTip(const QString &text) override { toolTip = text; }
    QString ToolTip() const override { return toolTip; }
    void SetIcon(const QIcon &) override {}
    void SetMenu(QMenu *m) override { menu = m; }
    void DoubleClick() { Q_EMIT DoubleClicked(); }
};

struct TTabs {
    TRecordingHost host;
    QWidget window;
    TTabManager tabs{host.Parts(), &window};
    TTabs() { tabs.CreateForegroundTab(); }
};

struct TVersionRun {
    TTabs tabs;
    TVersionCheck check{&tabs.tabs, nullptr};
    QSignalSpy finished{&check, &TVersionCheck::Finished};
    QStringList questions;
    bool answer = true;
    TVersionRun(qint64 maxBytes = TGetter::DefaultMaxBytes, int timeoutMs = 10000)
    {
        check.SetGetterLimits(maxBytes, timeoutMs);
        check.SetAsker([this](QWidget *, const QString &text) {
            questions.append(text);
            return answer;
        });
    }
    bool run()
    {
        check.Check();
        return !finished.isEmpty() || finished.wait(15000);
    }
};

void writeFile(const QString &path, const QByteArray &text, bool executable = false)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
    f.close();
    if (executable)
        f.setPermissions(f.permissions() | QFile::ExeOwner);
}

// The arguments a recording program got, one per line; empty until it has run.
QStringList recorded(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    lines.removeLast();
    return lines;
}

}

class TestServices : public QObject {
    Q_OBJECT

    std::unique_ptr<TTestHttpServer> m_server;
    std::unique_ptr<TEnvOverride> m_host;

    void serveReply(const QByteArray &body, int delayMs = 0)
    {
        TTestHttpResponse response;
        response.contentType = "text/plain";
        response.body = body;
        response.delayMs = delayMs;
        m_server->route(QStringLiteral("/vercheck.php"), response);
    }

private Q_SLOTS:
    void initTestCase()
    {
        TScriptedControl::Install();
        m_server = std::make_unique<TTestHttpServer>();
        m_host = std::make_unique<TEnvOverride>("TABVANE_MAKER_HOST", m_server->urlString(QString()).toUtf8());
    }

    void init()
    {
        m_server->clearRequests();
        TKWOptions options;
        options.SetCheckedVersion(118);
        options.SetKWID(QStringLiteral("0A1B2C3D-0000-4000-8000-00000000ABCD"));
        TOffline::SetOffline(false);
    }

    void replyRules_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("url");
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("announce");   // with CheckedVersion 118
        QTest::newRow("newer") << QByteArray("VERSION=6.5 beta\r\nVERURL=https://x.example/r\r\nVERID=119\r\n")
                               << "6.5 beta" << "https://x.example/r" << 119 << true;
        QTest::newRow("names in any case, other lines ignored")
            << QByteArray("  \nfoo=bar\nversion = 7\nVerUrl=http://x.example/\nverid=200\nnoise\n") << "7"
            << "http://x.example/" << 200 << true;
        QTest::newRow("equal release") << QByteArray("VERSION=6\nVERURL=http://x.example/\nVERID=118")
                                       << "6" << "http://x.example/" << 118 << false;
        QTest::newRow("release not a number counts as 118")
            << QByteArray("VERSION=6\nVERURL=http://x.example/\nVERID=12x") << "6" << "http://x.example/" << 118 << false;
        QTest::newRow("no page address") << QByteArray("VERSION=6\nVERID=300") << "6" << "" << 300 << false;
        QTest::newRow("no version text") << QByteArray("VERURL=http://x.example/\nVERID=300") << ""
                                         << "http://x.example/" << 300 << false;
        QTest::newRow("script address") << QByteArray("VERSION=6\nVERURL=javascript:alert(1)\nVERID=300") << "6"
                                        << "javascript:alert(1)" << 300 << false;
        QTest::newRow("local file") << QByteArray("VERSION=6\nVERURL=file:///etc/passwd\nVERID=300") << "6"
                                    << "file:///etc/passwd" << 300 << false;
        QTest::newRow("binary") << QByteArray("\x00\xff\xfe=\x01\nVERID=\x80", 12) << "" << "" << 118 << false;
        QTest::newRow("empty") << QByteArray() << "" << "" << 118 << false;
    }

    void replyRules()
    {
        QFETCH(QByteArray, reply);
        const TVersionReply parsed = TVersionRules::Parse(reply);
        QTEST(parsed.version, "version");
        QTEST(parsed.verUrl, "url");
        QTEST(parsed.verId, "id");
        QTEST(TVersionRules::ShouldAnnounce(parsed, 118), "announce");
    }

    void newerReleaseIsAnnouncedOnce()
    {
        serveReply("VERSION=Tabvane 6.5 <b>beta</b>\nVERURL=" + m_server->urlString(QStringLiteral("/new.html")).toUtf8()
                   + "\nVERID=119\n");
        {
            TVersionRun run;
            QVERIFY(run.run());
            QCOMPARE(run.questions.size(), 1);
            QCOMPARE(run.questions.first(), TVersionRules::Question(QStringLiteral("Tabvane 6.5 <b>beta</b>")));
            QCOMPARE(TKWOptions().CheckedVersion(), 119);
            // "Yes" opens the release's page in a new tab.
            QCOMPARE(run.tabs.tabs.Tabs().size(), 2);
            QCOMPARE(ScriptedControlOf(run.tabs.tabs.ActiveTab())->navigations().last(),
                     m_server->urlString(QStringLiteral("/new.html")));

            const QList<TTestHttpRequest> requests = m_server->requestsFor(QStringLiteral("/vercheck.php"));
            QCOMPARE(requests.size(), 1);
            const QUrlQuery query(QUrl(requests.first().target));
            QCOMPARE(query.queryItemValue(QStringLiteral("ver")), QStringLiteral("601"));
            QCOMPARE(query.queryItemValue(QStringLiteral("kwid")), QStringLiteral("0A1B2C3D-0000-4000-8000-00000000ABCD"));
            QCOMPARE(requests.first().header("Cache-Control"), QByteArray("no-cache"));

            // Once per run, whatever the outcome.
            run.finished.clear();
            QVERIFY(run.run());
            QCOMPARE(m_server->requestCount(QStringLiteral("/vercheck.php")), 1);
        }
        // The next run is told nothing about the same release, and "No" opens nothing.
        TVersionRun next;
        next.answer = false;
        QVERIFY(next.run());
        QVERIFY(next.questions.isEmpty());
        QCOMPARE(next.tabs.tabs.Tabs().size(), 1);
    }

    void badRepliesShowNothing_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("maxBytes");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<int>("timeoutMs");
        const QByteArray good = "VERSION=9\nVERURL=http://x.example/\nVERID=900\n";
        QTest::newRow("over the size limit") << QByteArray(good + QByteArray(10 * 1024 * 1024, 'x'))
                                             << int(TGetter::DefaultMaxBytes) << 0 << 20000;
        QTest::newRow("server does not answer in time") << good << int(TGetter::DefaultMaxBytes) << 60000 << 300;
        QTest::newRow("script page address") << QByteArray("VERSION=9\nVERURL=javascript:alert(1)\nVERID=900")
                                             << int(TGetter::DefaultMaxBytes) << 0 << 20000;
    }

    void badRepliesShowNothing()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, maxBytes);
        QFETCH(int, delayMs);
        QFETCH(int, timeoutMs);
        serveReply(body, delayMs);
        TVersionRun run(maxBytes, timeoutMs);
        QVERIFY(run.run());
        QCOMPARE(m_server->requestCount(QStringLiteral("/vercheck.php")), 1);
        QVERIFY(run.questions.isEmpty());
        QCOMPARE(TKWOptions().CheckedVersion(), 118);
        m_server->removeRoute(QStringLiteral("/vercheck.php"));
    }

    void offlineOrSwitchedOffSkips()
    {
        serveReply("VERSION=9\nVERURL=http://x.example/\nVERID=900\n");
        TOffline::SetOffline(true);
        TVersionRun run;
        QVERIFY(run.run());
        TOffline::SetOffline(false);
        QVERIFY(run.questions.isEmpty());
        QCOMPARE(m_server->requestCount(QStringLiteral("/vercheck.php")), 0);

        // The timer is armed only where the check is not switched off for the run.
        {
            TEnvOverride off(TUnattended::VersionCheckVariable, "0");
            TVersionRun unattended;
            unattended.check.Start();
            QVERIFY(!unattended.check.Armed());
        }
        TEnvOverride on(TUnattended::VersionCheckVariable, QByteArray());
        TVersionRun attended;
        attended.check.Start();
        QVERIFY(attended.check.Armed());
    }

    void closingMidRequestAbortsIt()
    {
        serveReply("VERSION=9\nVERURL=http://x.example/\nVERID=900\n", 60000);
        auto run = std::make_unique<TVersionRun>();
        run->check.Check();
        QVERIFY(m_server->waitForRequest(QStringLiteral("/vercheck.php")));
        QVERIFY(run->check.Getter());
        run.reset();   // the window closes while the server has not answered

        // A later fetch runs to its end while the abandoned one would have been answered.
        serveReply("VERSION=9\nVERURL=http://x.example/\nVERID=900\n");
        TGetter getter;
        QSignalSpy done(&getter, &TGetter::OnGetDone);
        getter.Get(m_server->url(QStringLiteral("/vercheck.php")));
        QVERIFY(done.wait());
        QVERIFY(getter.Data().startsWith("VERSION=9"));
        QCOMPARE(getter.Status(), TGetter::Done);
        QCOMPARE(TKWOptions().CheckedVersion(), 118);
    }

    // ---- Mail and news

    void linkMailtoCannotBeBent_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("url");
        QTest::newRow("fields in the title") << "Tom & Jerry&cc=boss@example.com&attach=/etc/passwd"
                                             << "http://x.example/a?b=1&c=2#top";
        QTest::newRow("fragment and newline") << "Line one\r\nBcc: x@example.com #hash" << "http://x.example/";
        QTest::newRow("non-ASCII and percent") << QStringLiteral("Grüße 100% – 東京") << "http://x.example/%41";
    }

    void linkMailtoCannotBeBent()
    {
        QFETCH(QString, title);
        QFETCH(QString, url);
        const QString mailto = TMailRules::LinkMailto(title, url);
        QVERIFY(mailto.startsWith(QLatin1String("mailto:?subject=")));
        for (const QChar c : mailto.mid(7))
            QVERIFY2(c.unicode() > 32 && c.unicode() < 127 && c != QLatin1Char('#'), qPrintable(mailto));
        const QUrlQuery query(QUrl(mailto).query());
        QCOMPARE(query.queryItems().size(), 2);
        QCOMPARE(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded), title + " (" + url + ")");
        QCOMPARE(query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded), url);
    }

    void execLines_data()
    {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QStringList>("urls");
        QTest::addColumn<QStringList>("command");   // empty: refused
        const QStringList one{QStringLiteral("mailto:a@b")};
        QTest::newRow("plain") << "thunderbird %u" << one << QStringList{"thunderbird", "mailto:a@b"};
        QTest::newRow("no address: the code goes") << "thunderbird %u" << QStringList() << QStringList{"thunderbird"};
        QTest::newRow("quoted program with spaces") << "\"/opt/my mail/tb\" -compose %U" << QStringList{"a", "b"}
                                                    << QStringList{"/opt/my mail/tb", "-compose", "a", "b"};
        QTest::newRow("escapes inside quotes") << "sh -c \"echo \\$HOME \\\"x\\\"\"" << QStringList()
                                              << QStringList{"sh", "-c", "echo $HOME \"x\""};
        QTest::newRow("code inside an argument") << "mailer --url=%u --name=%c %%d" << one
                                                 << QStringList{"mailer", "--url=mailto:a@b", "--name=Test Mail", "%d"};
        QTest::newRow("icon and deprecated codes") << "mailer %i %d %m %u" << one
                                                   << QStringList{"mailer", "--icon", "mail-icon", "mailto:a@b"};
        QTest::newRow("shell character outside quotes") << "mailer %u; rm -rf ~" << one << QStringList();
        QTest::newRow("unterminated quote") << "\"mailer %u" << one << QStringList();
        QTest::newRow("unknown field code") << "mailer %z" << one << QStringList();
        QTest::newRow("only a field code") << "%u" << QStringList() << QStringList();
        QTest::newRow("empty program") << "\"\" %u" << one << QStringList();
    }

    void execLines()
    {
        QFETCH(QString, exec);
        QFETCH(QStringList, urls);
        QFETCH(QStringList, command);
        TDesktopEntry entry;
        entry.id = QStringLiteral("test.desktop");
        entry.name = QStringLiteral("Test Mail");
        entry.icon = QStringLiteral("mail-icon");
        entry.exec = exec;
        bool ok = false;
        const QStringList expanded = TDesktopEntries::Expand(entry, urls, &ok);
        QCOMPARE(ok, !command.isEmpty());
        QCOMPARE(expanded, command);
    }

    void mailGoesToTheDesktopsMailProgram()
    {
        // A mail program of the test's own records how it was started; it is the desktop's
        // handler for mailto links, and xdg-email is not on the PATH.
        QTemporaryDir dir;
        const QString program = dir.filePath(QStringLiteral("bin/thunderbird"));
        const QString record = dir.filePath(QStringLiteral("args"));
        writeFile(program, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + record.toUtf8()
                               + ".tmp' && /bin/mv '" + record.toUtf8() + ".tmp' '" + record.toUtf8() + "'\n", true);
        const QString apps = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications/");
        writeFile(apps + QStringLiteral("testmail.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Test Mail\nExec=\"" + program.toUtf8()
                      + "\" %u\nMimeType=x-scheme-handler/mailto;\n");
        writeFile(apps + QStringLiteral("othermail.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Other & Mail\nExec=/bin/true %u\nMimeType=x-scheme-handler/mailto;\n");
        writeFile(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/mimeapps.list"),
                  "[Default Applications]\nx-scheme-handler/mailto=testmail.desktop;\n");
        TEnvOverride path("PATH", dir.filePath(QStringLiteral("nothing")).toUtf8());

        TTabs tabs;
        TCommandTable commands(&tabs.window);
        TMailNews mail(&tabs.tabs, &commands, &tabs.window);
        QStringList messages;
        mail.SetReporter([&messages](const QString &m) { messages.append(m); });
        TScriptedControl *page = ScriptedControlOf(tabs.tabs.ActiveTab());
        page->setLocationURL(QStringLiteral("http://x.example/a?b=1&c=2"));
        page->setLocationName(QStringLiteral("Tom & Jerry #1"));
        page->setHasDocument(true);
        page->setDocumentHtml(QStringLiteral("<html><body>Saved page</body></html>"));

        QVERIFY(commands.Trigger(commands.Action(QStringLiteral("mnuFileSendLink"))));
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join(QLatin1Char('\n'))));
        QTRY_VERIFY(!recorded(record).isEmpty());
        QCOMPARE(recorded(record), QStringList{TMailRules::LinkMailto(QStringLiteral("Tom & Jerry #1"),
                                                                      QStringLiteral("http://x.example/a?b=1&c=2"))});
        QFile::remove(record);

        // Send Page: the page saved with its base address in a private folder, attached
        // with the mail program's own syntax.
        QVERIFY(commands.Trigger(commands.Action(QStringLiteral("pmMailSendFile"))));
        QTRY_VERIFY(!recorded(record).isEmpty());
        const QStringList args = recorded(record);
        QCOMPARE(args.size(), 2);
        QCOMPARE(args.at(0), QStringLiteral("-compose"));
        QVERIFY2(args.at(1).startsWith(QLatin1String("attachment='file:///")) && args.at(1).endsWith(QLatin1String(".htm'")),
                 qPrintable(args.at(1)));
        const QString saved = QUrl(args.at(1).mid(12).chopped(1)).toLocalFile();
        QFile savedFile(saved);
        QVERIFY(savedFile.open(QIODevice::ReadOnly));
        const QByteArray content = savedFile.readAll();
        QVERIFY(content.startsWith("<BASE HREF=\"http://x.example/\">"));
        QVERIFY(content.contains("Saved page"));
        QCOMPARE(QFileInfo(QFileInfo(saved).absolutePath()).permissions() & (QFile::ReadGroup | QFile::ReadOther
                                                                            | QFile::WriteGroup | QFile::WriteOther),
                 QFile::Permissions());
        QFile::remove(record);

        // The menu lists every mail program once, on its first opening.
        Q_EMIT mail.MailMenu()->aboutToShow();
        Q_EMIT mail.MailMenu()->aboutToShow();
        QStringList listed;
        for (QAction *item : mail.MailMenu()->actions()) {
            if (!item->isSeparator() && item->objectName().isEmpty())
                listed.append(item->text());
        }
        QCOMPARE(listed, (QStringList{"Other && Mail", "Test Mail"}));
        QVERIFY(messages.isEmpty());

        // Read News without a news reader says so.
        QVERIFY(commands.Trigger(commands.Action(QStringLiteral("mnuGoNews"))));
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages.first().startsWith(QLatin1String("No news reader")));
        QFile::remove(apps + QStringLiteral("testmail.desktop"));
        QFile::remove(apps + QStringLiteral("othermail.desktop"));
    }

    // ---- The tray icon

    void minimiseToTrayAndBack()
    {
        QWidget window;
        window.show();
        auto *icon = new TFakeTrayIcon;
        int exits = 0;
        bool exitCloses = false;
        TTray tray(&window, icon, [] { return QStringLiteral("News"); },
                   [&] { ++exits; return exitCloses; });
        TWindowSettings settings;
        settings.minToTray = true;
        tray.Load(settings);
        QVERIFY(icon->visible);
        QCOMPARE(icon->toolTip, QStringLiteral("Tabvane"));

        window.showMinimized();
        QTRY_VERIFY(tray.Minimized());
        QVERIFY(!window.isVisible());
        QCOMPARE(icon->toolTip, QStringLiteral("Tabvane - News"));
        Q_EMIT icon->menu->aboutToShow();
        QCOMPARE(icon->menu->actions().first()->text(), QStringLiteral("&Restore"));

        // Exit answered "No" while hidden: the program stays, in the tray, and a dialog
        // closing meanwhile does not end it.
        icon->menu->findChild<QAction *>(QStringLiteral("pmTrayExit"))->trigger();
        QCOMPARE(exits, 1);
        QVERIFY(tray.Minimized());
        QVERIFY(!QApplication::quitOnLastWindowClosed());

        icon->DoubleClick();
        QVERIFY(!tray.Minimized());
        QVERIFY(window.isVisible());
        QVERIFY(!window.isMinimized());
        QVERIFY(QApplication::quitOnLastWindowClosed());
        QCOMPARE(icon->toolTip, QStringLiteral("Tabvane"));
        Q_EMIT icon->menu->aboutToShow();
        QCOMPARE(icon->menu->actions().first()->text(), QStringLiteral("&Minimize"));

        // A second start of the program shows the window from the tray.
        icon->menu->actions().first()->trigger();
        QTRY_VERIFY(tray.Minimized());
        RestoreAndRaiseWindow(&window);
        QVERIFY(window.isVisible());
        QVERIFY(!tray.Minimized());
        QCOMPARE(icon->toolTip, QStringLiteral("Tabvane"));

        TWindowSettings saved;
        tray.Save(saved);
        QVERIFY(saved.minToTray);
    }

    void withoutTrayNothingIsHidden_data()
    {
        QTest::addColumn<bool>("active");
        QTest::addColumn<bool>("available");
        QTest::newRow("MinToTray off") << false << true;
        QTest::newRow("desktop without a tray") << true << false;
    }

    void withoutTrayNothingIsHidden()
    {
        QFETCH(bool, active);
        QFETCH(bool, available);
        QWidget window;
        window.show();
        auto *icon = new TFakeTrayIcon;
        icon->available = available;
        TTray tray(&window, icon, [] { return QString(); }, [] { return false; });
        tray.SetActive(active);
        QVERIFY(!icon->visible);
        window.showMinimized();
        QCoreApplication::processEvents();   // where the window would be hidden
        QVERIFY(!tray.Minimized());
        QVERIFY(window.isVisible());
        QVERIFY(window.isMinimized());
    }

    void trayVanishingBringsTheWindowBack()
    {
        QWidget window;
        window.show();
        auto *icon = new TFakeTrayIcon;
        TTray tray(&window, icon, [] { return QString(); }, [] { return false; });
        tray.SetActive(true);
        window.showMinimized();
        QTRY_VERIFY(tray.Minimized());
        icon->available = false;   // the panel holding the tray ends
        QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 10000);
        QVERIFY(!tray.Minimized());
        QVERIFY(!icon->visible);
    }
};

TV_TEST_MAIN_GUI(TestServices)
#include "tst_services.moc"
