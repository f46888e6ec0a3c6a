// Single instance and hand-over between real tabvane processes: the second start passes
// its argument through "CommandLine" and wakes the running window; the maintenance
// switches; several instances; orderly shutdown on SIGTERM and SIGHUP; the open tabs back
// after the program was killed.

#include "httpserver.h"
#include "testenv.h"

#include "app/kwoptions.h"
#include "app/sessionkeeper.h"
#include "app/sessionrecord.h"
#include "platform/instance.h"
#include "platform/paths.h"
#include "platform/registry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <signal.h>

namespace {

constexpr int StartTimeoutMs = 60000;

class TTabvane {
public:
    explicit TTabvane(const QStringList &arguments, const QString &workingDir = QString())
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("tabvane.handover.info=true"));
        env.insert(QStringLiteral("QT_MESSAGE_PATTERN"), QStringLiteral("%{category}: %{message}"));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        if (!workingDir.isEmpty())
            m_process.setWorkingDirectory(workingDir);
        m_process.start(qEnvironmentVariable("TABVANE_EXE"), arguments);
    }
    ~TTabvane()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(StartTimeoutMs)) {
                m_process.kill();
                m_process.waitForFinished(StartTimeoutMs);
            }
        }
    }

    QProcess &process() { return m_process; }
    qint64 pid() const { return m_process.processId(); }
    bool running() const { return m_process.state() == QProcess::Running; }
    QString log()
    {
        // Picks up what the process wrote even when no event loop ran since.
        while (m_process.state() == QProcess::Running && m_process.waitForReadyRead(0)) {
        }
        m_log += QString::fromLocal8Bit(m_process.readAll());
        return m_log;
    }
    QString socketPath() const
    {
        return TPaths::RuntimeDir() + QStringLiteral("/wake-") + QString::number(m_pid);
    }
    void rememberPid() { m_pid = m_process.processId(); }

private:
    QProcess m_process;
    QString m_log;
    qint64 m_pid = 0;
};

// What a running window reports of a hand-over through its "tabvane.handover" log category.
bool cameToFront(TTabvane &w) { return w.log().contains(QLatin1String("tabvane.handover: comes to the front")); }
bool openedInNewTab(TTabvane &w, const QString &text)
{
    return w.log().contains(QLatin1String("tabvane.handover: open in new tab ") + text + QLatin1Char('\n'));
}
bool openedGroup(TTabvane &w, const QString &path)
{
    return w.log().contains(QLatin1String("tabvane.handover: open group ") + path);
}
bool openedAnything(TTabvane &w)
{
    const QString log = w.log();
    return log.contains(QLatin1String("tabvane.handover: open in new tab"))
           || log.contains(QLatin1String("tabvane.handover: open group"));
}
bool closedOrderly(TTabvane &w) { return w.log().contains(QLatin1String("tabvane.handover: closing by signal")); }

QString commandLine() { return TKWOptions().CommandLine(); }

const char *const VerbClasses[] = {"htmlfile", "http", "https", "file"};

}

class TestHandOver : public QObject {
    Q_OBJECT

    std::vector<std::unique_ptr<TTabvane>> m_started;

    // Starts an instance that is expected to open a window and waits until it listens.
    TTabvane *startWindow(const QStringList &arguments = {})
    {
        m_started.push_back(std::make_unique<TTabvane>(arguments));
        TTabvane *w = m_started.back().get();
        if (!w->process().waitForStarted(StartTimeoutMs))
            return nullptr;
        w->rememberPid();
        const bool listening = QTest::qWaitFor(
            [w] { return QFile::exists(w->socketPath()) || !w->running(); }, StartTimeoutMs);
        return listening && w->running() && QFile::exists(w->socketPath()) ? w : nullptr;
    }

    // Runs an instance that is expected to end by itself; returns its exit code.
    int runToEnd(const QStringList &arguments, const QString &workingDir = QString())
    {
        TTabvane t(arguments, workingDir);
        if (!t.process().waitForFinished(StartTimeoutMs))
            return -1;
        if (t.process().exitStatus() != QProcess::NormalExit)
            return -2;
        return t.process().exitCode();
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(qEnvironmentVariable("TABVANE_EXE")).isExecutable(),
                 "TABVANE_EXE must name the tabvane program");
    }

    void cleanup()
    {
        m_started.clear();
        qunsetenv(TSessionKeeper::AnswerVariable);
        QFile::remove(TSessionRecord::FilePath());
        TKWOptions options;
        options.SetCommandLine(QString());
        options.SetAllowMultiInstance(false);
    }

    void unansweredSecondStartSaysSo()
    {
        // The running window cannot listen (the socket path is longer than the system
        // allows): a later start finds the lock held but gets no answer, and says so.
        const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        const QString deep = qEnvironmentVariable("XDG_RUNTIME_DIR") + QLatin1Char('/') + QString(120, QLatin1Char('d'));
        QVERIFY(QDir().mkpath(deep));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(deep));
        const auto restore = qScopeGuard([&] { qputenv("XDG_RUNTIME_DIR", oldRuntime); });

        m_started.push_back(std::make_unique<TTabvane>(QStringList{}));
        TTabvane *first = m_started.back().get();
        QVERIFY(first->process().waitForStarted(StartTimeoutMs));
        TInstanceLock probe;
        QVERIFY(QTest::qWaitFor([&] { return probe.heldElsewhere() || !first->running(); }, StartTimeoutMs));
        QVERIFY(first->running());

        TTabvane second({QStringLiteral("http://second.test/")});
        QVERIFY(second.process().waitForFinished(StartTimeoutMs));
        QCOMPARE(second.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.process().exitCode(), 1);
        QVERIFY2(second.log().contains(QLatin1String("did not answer: http://second.test/ was not opened")),
                 qPrintable(second.log()));
        QVERIFY(first->running());
    }

    void secondWithoutArgument()
    {
        TTabvane *first = startWindow();
        QVERIFY(first);
        TKWOptions().SetCommandLine(QStringLiteral("stale"));
        QCOMPARE(runToEnd({}), 0);
        // The slot was overwritten with "" and consumed before the second start ended.
        QCOMPARE(commandLine(), QString());
        QTRY_VERIFY(cameToFront(*first));
        QVERIFY(!openedAnything(*first));
        QVERIFY(first->running());
    }

    void handOverArgument_data()
    {
        QTest::addColumn<QString>("file");        // created in a folder of its own; "" none
        QTest::addColumn<bool>("create");
        QTest::addColumn<bool>("relative");       // passed relative to the second's folder
        QTest::addColumn<bool>("asGroup");
        QTest::newRow("address") << QString() << false << false << false;
        QTest::newRow("group file") << QStringLiteral("set.vgp") << true << false << true;
        QTest::newRow("group file, upper-case extension") << QStringLiteral("SET.VGP") << true << false << false;
        QTest::newRow("missing group file") << QStringLiteral("none.vgp") << false << false << false;
        QTest::newRow("group file, relative path") << QStringLiteral("rel.vgp") << true << true << true;
    }

    void handOverArgument()
    {
        QFETCH(QString, file);
        QFETCH(bool, create);
        QFETCH(bool, relative);
        QFETCH(bool, asGroup);
        const QString folder = QDir(TPaths::RuntimeDir()).filePath(QStringLiteral("../groups"));
        QDir().mkpath(folder);
        const QString absolute = QDir(folder).canonicalPath() + QLatin1Char('/') + file;
        QString argument = QStringLiteral("http://127.0.0.1:9/page?a=1&b=2");
        if (!file.isEmpty()) {
            argument = relative ? file : absolute;
            if (create) {
                QFile f(absolute);
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write("[VessaGroup]\r\nblank1=about:blank\r\n");
            }
        }

        TTabvane *first = startWindow();
        QVERIFY(first);
        QCOMPARE(runToEnd({argument, QStringLiteral("ignored second argument")},
                          relative ? folder : QString()),
                 0);
        QCOMPARE(commandLine(), QString());
        QTRY_VERIFY(cameToFront(*first));
        if (asGroup) {
            QTRY_VERIFY(openedGroup(*first, absolute));
        } else {
            QTRY_VERIFY(openedInNewTab(*first, argument));
            QVERIFY(!openedGroup(*first, argument));
        }
        QVERIFY(!first->log().contains(QLatin1String("ignored second argument")));
        QFile::remove(absolute);
    }

    void firstStartTakesGroupInAnyCase()
    {
        // At first start the extension alone decides, in any case, without existence check.
        TTabvane *first = startWindow({QStringLiteral("/nowhere/Saved.VGP")});
        QVERIFY(first);
        QVERIFY(openedGroup(*first, QStringLiteral("/nowhere/Saved.VGP")));
    }

    void maintenanceSwitch_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("isSwitch");
        QTest::newRow("--undef") << QStringList{QStringLiteral("--undef")} << true;
        QTest::newRow("--uninstall") << QStringList{QStringLiteral("--uninstall")} << true;
        QTest::newRow("--UNDEF") << QStringList{QStringLiteral("--UNDEF")} << false;
        QTest::newRow("--undef x") << QStringList{QStringLiteral("--undef"), QStringLiteral("x")} << false;
    }

    void maintenanceSwitch()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, isSwitch);
        TRegistry hkcr(RegRoot::ClassesRoot);
        for (const char *cls : VerbClasses) {
            const QString shell = QLatin1String(cls) + QStringLiteral("\\shell");
            hkcr.writeString(shell, QString(), QStringLiteral("Tabvane"));
            hkcr.writeString(shell + QStringLiteral("\\Tabvane\\command"), QString(),
                             QStringLiteral("tabvane \"%1\""));
        }
        TTabvane *first = startWindow();
        QVERIFY(first);
        TKWOptions().SetCommandLine(QStringLiteral("untouched"));

        QCOMPARE(runToEnd(arguments), 0);
        for (const char *cls : VerbClasses) {
            const QString shell = QLatin1String(cls) + QStringLiteral("\\shell");
            QCOMPARE(hkcr.readValue(shell, QString()).text,
                     isSwitch ? QStringLiteral("open") : QStringLiteral("Tabvane"));
            QVERIFY(hkcr.keyExists(shell + QStringLiteral("\\Tabvane\\command")));
        }
        if (isSwitch) {
            // No hand-over: the slot is untouched and the running window was not woken.
            QCOMPARE(commandLine(), QStringLiteral("untouched"));
            QVERIFY(!cameToFront(*first));
        } else {
            QCOMPARE(commandLine(), QString());
            QTRY_VERIFY(openedInNewTab(*first, arguments.first()));
        }
    }

    void severalInstances()
    {
        TKWOptions().SetAllowMultiInstance(true);
        TKWOptions().SetCommandLine(QStringLiteral("untouched"));
        TTabvane *a = startWindow({QStringLiteral("http://127.0.0.1:9/a")});
        QVERIFY(a);
        TTabvane *b = startWindow({QStringLiteral("http://127.0.0.1:9/b")});
        QVERIFY(b);
        QCOMPARE(commandLine(), QStringLiteral("untouched"));

        // Windows that took no lock do not count as running for a start without the setting.
        TKWOptions().SetAllowMultiInstance(false);
        TTabvane *c = startWindow();
        QVERIFY(c);

        // A hand-over wakes every window; exactly one of them takes the text.
        QCOMPARE(runToEnd({QStringLiteral("http://127.0.0.1:9/d")}), 0);
        QCOMPARE(commandLine(), QString());
        for (TTabvane *w : {a, b, c})
            QTRY_VERIFY(cameToFront(*w));
        int takers = 0;
        for (TTabvane *w : {a, b, c})
            takers += openedInNewTab(*w, QStringLiteral("http://127.0.0.1:9/d")) ? 1 : 0;
        QCOMPARE(takers, 1);
    }

    void shutdownBySignal_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    void shutdownBySignal()
    {
        QFETCH(int, signalNumber);
        TTabvane *first = startWindow();
        QVERIFY(first);
        const QString socket = first->socketPath();
        QCOMPARE(::kill(static_cast<pid_t>(first->pid()), signalNumber), 0);
        QVERIFY(first->process().waitForFinished(StartTimeoutMs));
        QCOMPARE(first->process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(first->process().exitCode(), 0);
        QVERIFY(closedOrderly(*first));
        QVERIFY(!QFile::exists(socket));

        // The lock went with the process: the next start is the first instance again.
        TTabvane *next = startWindow({QStringLiteral("http://127.0.0.1:9/next")});
        QVERIFY(next);
    }

    void killedInstanceLeavesNoTrap()
    {
        TTabvane *crashed = startWindow();
        QVERIFY(crashed);
        const QString staleSocket = crashed->socketPath();
        crashed->process().kill();
        QVERIFY(crashed->process().waitForFinished(StartTimeoutMs));
        QVERIFY(QFile::exists(staleSocket));

        TTabvane *first = startWindow();
        QVERIFY(first);
        QVERIFY(!QFile::exists(staleSocket));
        QCOMPARE(runToEnd({QStringLiteral("http://127.0.0.1:9/after")}), 0);
        QTRY_VERIFY(openedInNewTab(*first, QStringLiteral("http://127.0.0.1:9/after")));
    }

    void tabsBackAfterKill()
    {
        // Twelve tabs with names and locks, the program killed, started again and Restore
        // chosen: the twelve tabs are back in order with their names and locks.
        TTestHttpServer server;
        QStringList urls;
        QStringList paths;
        for (int i = 1; i <= 12; ++i) {
            // Each page reports its load event, which comes after the tab has its address.
            const QByteArray n = QByteArray::number(i);
            paths.append(QStringLiteral("/loaded%1").arg(i));
            server.route(paths.last(), QByteArray(), "text/plain", 204);
            server.route(QStringLiteral("/t%1.html").arg(i),
                         "<title>T" + n + "</title><script>addEventListener('load', () => fetch('/loaded" + n + "'))</script>",
                         "text/html; charset=utf-8", 200, {{"Cache-Control", "no-store"}});
            urls.append(server.urlString(QStringLiteral("/t%1.html").arg(i)));
        }
        const auto allLoaded = [&](int times) {
            return std::all_of(paths.cbegin(), paths.cend(), [&](const QString &p) { return server.requestCount(p) >= times; });
        };
        const auto record = [] {
            TSessionRecord r;
            TSessionRecord::Read(TSessionRecord::FilePath(), &r, nullptr);
            return r;
        };

        // The first run gets ten named and locked tabs from an earlier crash's record (the
        // way to give a running program names and locks from outside); two more are handed
        // over to it.
        TSessionRecord seed;
        for (int i = 0; i < 10; ++i) {
            TSessionTab tab;
            tab.address = urls.at(i);
            tab.stickyName = i % 3 == 0 ? QStringLiteral("Tab \"%1\" & co").arg(i + 1) : QString();
            tab.locked = i % 4 == 1;
            seed.tabs.append(tab);
        }
        seed.active = 9;
        seed.running = true;
        QVERIFY(seed.Write(TSessionRecord::FilePath(), nullptr));
        qputenv(TSessionKeeper::AnswerVariable, "restore");

        TTabvane *first = startWindow();
        QVERIFY(first);
        QTRY_VERIFY_WITH_TIMEOUT(server.requestCount(paths.at(9)) >= 1, StartTimeoutMs);
        QCOMPARE(runToEnd({urls.at(10)}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(server.requestCount(paths.at(10)) >= 1, StartTimeoutMs);
        QCOMPARE(runToEnd({urls.at(11)}), 0);
        // The running program keeps the record: the handed-over pages reach it.
        QTRY_VERIFY_WITH_TIMEOUT(record().tabs.size() == 12 && record().tabs.at(11).address == urls.at(11), StartTimeoutMs);
        QVERIFY(record().running);

        first->process().kill();
        QVERIFY(first->process().waitForFinished(StartTimeoutMs));
        QCOMPARE(first->process().exitStatus(), QProcess::CrashExit);

        TTabvane *second = startWindow();
        QVERIFY(second);
        QTRY_VERIFY_WITH_TIMEOUT(allLoaded(2), StartTimeoutMs);
        // An orderly end: "Last Open Sites" says which pages the tabs show, the record
        // (mark cleared by this run) what their names and locks are.
        QCOMPARE(::kill(static_cast<pid_t>(second->pid()), SIGTERM), 0);
        QVERIFY(second->process().waitForFinished(StartTimeoutMs));
        QStringList sites;
        for (int i = urls.size(); i >= 1; --i)
            sites.append(QStringLiteral("url%1=%2").arg(i).arg(urls.at(i - 1)));
        QCOMPARE(TKWOptions().LastOpenSites(), sites);
        const TSessionRecord after = record();
        QVERIFY(!after.running);
        QCOMPARE(after.tabs.size(), 12);
        for (int i = 0; i < 12; ++i) {
            QCOMPARE(after.tabs.at(i).address, urls.at(i));
            QCOMPARE(after.tabs.at(i).stickyName, i < 10 ? seed.tabs.at(i).stickyName : QString());
            QCOMPARE(after.tabs.at(i).locked, i < 10 && seed.tabs.at(i).locked);
        }
        QCOMPARE(after.active, 11);
    }
};

TV_TEST_MAIN_CORE(TestHandOver)
#include "tst_handover.moc"
