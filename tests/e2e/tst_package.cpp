// The Debian package: built with CPack from this build tree, unpacked into a temporary root
// with dpkg -x, its contents and dependencies checked, and the installed program run from
// there: --version and --help, and a start offscreen on a page this test serves, keeping
// its data in the user's XDG folders and loading the packaged add-on.

#include "httpserver.h"
#include "testenv.h"

#include "platform/version.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int PackTimeoutMs = 280000;
constexpr int StartTimeoutMs = 60000;

struct TRun {
    int exitCode = -1;
    QString out;
    QString err;
};

TRun run(const QString &program, const QStringList &arguments, int timeoutMs = StartTimeoutMs,
         const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(),
         const QString &workingDir = QString())
{
    QProcess p;
    p.setProcessEnvironment(env);
    if (!workingDir.isEmpty())
        p.setWorkingDirectory(workingDir);
    p.start(program, arguments);
    TRun result;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        result.err = QStringLiteral("%1 did not end").arg(program);
        return result;
    }
    result.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    result.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(p.readAllStandardError());
    return result;
}

QStringList filesBelow(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    files.sort();
    return files;
}

}

class TestPackage : public QObject {
    Q_OBJECT

    QTemporaryDir m_work;
    QString m_deb;
    QString m_root;

    QString installed(const QString &path) const { return m_root + QStringLiteral("/usr/") + path; }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dpkg-deb")).isEmpty())
            QSKIP("dpkg-deb is not installed");
        const QString cpack = qEnvironmentVariable("TABVANE_CPACK");
        const QString buildDir = qEnvironmentVariable("TABVANE_BUILD_DIR");
        QVERIFY2(!cpack.isEmpty() && !buildDir.isEmpty(), "run through ctest (TABVANE_CPACK, TABVANE_BUILD_DIR)");
        QVERIFY(m_work.isValid());

        // The package of this build tree, made apart from the one scripts/package.sh leaves.
        const QString out = m_work.filePath(QStringLiteral("out"));
        const TRun pack = run(cpack, {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                                      buildDir + QStringLiteral("/CPackConfig.cmake"), QStringLiteral("-B"), out},
                              PackTimeoutMs, QProcessEnvironment::systemEnvironment(), buildDir);
        QVERIFY2(pack.exitCode == 0, qPrintable(pack.out + pack.err));
        const TRun arch = run(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")});
        m_deb = QStringLiteral("%1/tabvane_%2_%3.deb").arg(out, QLatin1String(TabvaneVersion), arch.out.trimmed());
        QVERIFY2(QFile::exists(m_deb), qPrintable(QDir(out).entryList().join(QLatin1Char(' '))));

        m_root = m_work.filePath(QStringLiteral("root"));
        const TRun unpack = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), m_deb, m_root});
        QVERIFY2(unpack.exitCode == 0, qPrintable(unpack.err));
    }

    void dependenciesComeFromTheLibraries()
    {
        const TRun depends = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), m_deb, QStringLiteral("Depends")});
        QCOMPARE(depends.exitCode, 0);
        // Found by dpkg-shlibdeps in the programs and the add-on, plus the X11 plugin package.
        for (const char *package : {"libc6", "libqt6core6", "libqt6webenginecore6", "libqt6widgets6",
                                    "libsqlite3-0", "qt6-qpa-plugins"})
            QVERIFY2(depends.out.contains(QLatin1String(package)), qPrintable(package + (": " + depends.out)));
    }

    void installsProgramsGuideAddOnAndDesktopFiles()
    {
        for (const char *path : {"bin/tabvane", "bin/tabvane-reg", "share/tabvane/help/tabvane.html",
                                 "lib/tabvane/addons/libtabvane_wordlinks.so", "share/applications/tabvane.desktop",
                                 "share/metainfo/example.tabvane.Tabvane.metainfo.xml",
                                 "share/man/man1/tabvane.1.gz", "share/man/man1/tabvane-reg.1.gz",
                                 "share/icons/hicolor/scalable/apps/tabvane.svg"})
            QVERIFY2(QFileInfo(installed(QLatin1String(path))).size() > 0, path);
        QVERIFY(QFileInfo(installed(QStringLiteral("bin/tabvane"))).isExecutable());

        // Each theme size holds a picture of that size.
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QImage icon(installed(QStringLiteral("share/icons/hicolor/%1x%1/apps/tabvane.png").arg(size)));
            QCOMPARE(icon.size(), QSize(size, size));
        }

        // The menu entry starts the packaged program and shows the packaged icon.
        QFile entry(installed(QStringLiteral("share/applications/tabvane.desktop")));
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(entry.readAll());
        QVERIFY(text.contains(QLatin1String("\nExec=tabvane %u\n")));
        QVERIFY(text.contains(QLatin1String("\nIcon=tabvane\n")));

        // The desktop's own checkers accept the entry and the AppStream file, where installed.
        const QString validateDesktop = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        if (!validateDesktop.isEmpty()) {
            const TRun check = run(validateDesktop, {entry.fileName()});
            QVERIFY2(check.exitCode == 0 && check.out.isEmpty(), qPrintable(check.out + check.err));
        }
        const QString appstream = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
        if (!appstream.isEmpty()) {
            const TRun check = run(appstream, {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                               installed(QStringLiteral("share/metainfo/example.tabvane.Tabvane.metainfo.xml"))});
            QVERIFY2(check.exitCode == 0, qPrintable(check.out + check.err));
        }

        // Nothing of the build tree or the test suite comes along.
        for (const QString &file : filesBelow(m_root)) {
            const QString inPackage = file.mid(m_root.size());
            QVERIFY2(!inPackage.contains(QLatin1String("/tst_")) && !inPackage.contains(QLatin1String("bench")),
                     qPrintable(inPackage));
        }
    }

    void versionAndHelpEndAtOnceWithoutDisplay()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        const QString exe = installed(QStringLiteral("bin/tabvane"));
        const TRun version = run(exe, {QStringLiteral("--version")}, StartTimeoutMs, env);
        QCOMPARE(version.exitCode, 0);
        QVERIFY2(version.out.startsWith(QLatin1String("tabvane ") + QLatin1String(TabvaneVersion) + QLatin1Char('\n')),
                 qPrintable(version.out));
        QCOMPARE(version.err, QString());
        const TRun help = run(exe, {QStringLiteral("--help")}, StartTimeoutMs, env);
        QCOMPARE(help.exitCode, 0);
        QVERIFY2(help.out.startsWith(QLatin1String("Usage: tabvane ")), qPrintable(help.out));
        QVERIFY(help.out.contains(QLatin1String("--version")));
        // No instance lock or wake-up socket was made: nothing ran beyond the printing.
        QVERIFY(!QFileInfo::exists(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/tabvane")));
    }

    void installedProgramLoadsAPageAndKeepsItsDataInXdgFolders()
    {
        TTestHttpServer server;
        QVERIFY(server.isListening());
        server.route(QStringLiteral("/start.html"),
                     "<title>Served</title><p>Tabvane from its package</p>"
                     "<script>addEventListener('load', () => fetch('/loaded'));</script>");
        server.route(QStringLiteral("/loaded"), "ok", "text/plain");

        const QStringList before = filesBelow(m_root);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.remove(QStringLiteral("TABVANE_DATA_DIR"));   // the default data folder, as a user has it
        QProcess program;
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(installed(QStringLiteral("bin/tabvane")), {server.urlString(QStringLiteral("/start.html"))});
        QVERIFY(program.waitForStarted(StartTimeoutMs));
        const bool loaded = server.waitForRequest(QStringLiteral("/loaded"), 1, StartTimeoutMs);
        const QString dataFolder = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/tabvane");
        // The packaged add-on ran: it writes its word list into the data folder at its start.
        const bool addOnRan = QTest::qWaitFor(
            [&] { return QFile::exists(dataFolder + QStringLiteral("/wordlinks.txt")); }, StartTimeoutMs);
        program.terminate();
        const bool ended = program.waitForFinished(StartTimeoutMs);
        if (!ended)
            program.kill();
        const QString log = QString::fromLocal8Bit(program.readAll());
        QVERIFY2(loaded, qPrintable(log));
        QVERIFY2(addOnRan, qPrintable(log));
        QVERIFY2(ended && program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0, qPrintable(log));
        QVERIFY(QFileInfo(dataFolder + QStringLiteral("/session.json")).isFile());
        // Nothing was written below the installed tree.
        QCOMPARE(filesBelow(m_root), before);
    }
};

TV_TEST_MAIN_CORE(TestPackage)
#include "tst_package.moc"
