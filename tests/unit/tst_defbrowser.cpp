// Default-browser registration (registry verbs and the desktop's mimeapps.list binding)
// and the user-agent token.

#include "testenv.h"

#include "app/defbrowser.h"
#include "app/kwoptions.h"
#include "app/useragent.h"
#include "platform/registry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const char *const Classes[] = {"htmlfile", "http", "https", "file"};
const QString Exe = QStringLiteral("/opt/my apps/tabvane");
const QString Command = QStringLiteral("/opt/my apps/tabvane \"%1\"");

QString readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void writeFile(const QString &path, const QString &text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text.toUtf8());
}

QString defaultOf(const QString &key)
{
    return TRegistry(RegRoot::ClassesRoot).readValue(key, QString()).text;
}

}

class TestDefBrowser : public QObject {
    Q_OBJECT

    QString m_systemApps;   // an installed application folder of XDG_DATA_DIRS

private slots:
    void initTestCase()
    {
        // Keep the lookup away from the machine's own mimeapps.list files.
        const QString sys = QDir(qEnvironmentVariable("HOME")).filePath(QStringLiteral("../sys"));
        QDir().mkpath(sys + QStringLiteral("/etc"));
        m_systemApps = sys + QStringLiteral("/share/applications");
        QDir().mkpath(m_systemApps);
        qputenv("XDG_CONFIG_DIRS", (sys + QStringLiteral("/etc")).toLocal8Bit());
        qputenv("XDG_DATA_DIRS", (sys + QStringLiteral("/share")).toLocal8Bit());
        writeFile(m_systemApps + QStringLiteral("/firefox.desktop"), QStringLiteral("[Desktop Entry]\n"));
    }

    void init()
    {
        qunsetenv("XDG_CURRENT_DESKTOP");
        TRegistry hkcr(RegRoot::ClassesRoot);
        for (const char *cls : Classes)
            hkcr.deleteKey(QLatin1String(cls));
        TRegistry(RegRoot::LocalMachine).deleteKey(UserAgentPostPlatformKey);
        QFile::remove(DefBrowser::MimeAppsPath());
        QFile::remove(DefBrowser::DesktopEntryPath());
        TKWOptions().SetAskDefaultBrowser(true);
    }

    void registerAndRestore_data()
    {
        QTest::addColumn<bool>("seeded");
        QTest::newRow("classes present") << true;
        QTest::newRow("empty hive") << false;
    }

    void registerAndRestore()
    {
        QFETCH(bool, seeded);
        TRegistry hkcr(RegRoot::ClassesRoot);
        if (seeded) {
            for (const char *cls : Classes) {
                const QString shell = QLatin1String(cls) + QStringLiteral("\\shell");
                hkcr.writeString(shell, QString(), QStringLiteral("open"));
                hkcr.writeString(shell + QStringLiteral("\\open\\command"), QString(),
                                 QStringLiteral("oldbrowser %1"));
            }
        }
        QVERIFY(!DefBrowser::IsDefaultBrowser());

        DefBrowser::Register(Exe);
        for (const char *cls : Classes) {
            const QString shell = QLatin1String(cls) + QStringLiteral("\\shell");
            QCOMPARE(defaultOf(shell), QStringLiteral("Tabvane"));
            QCOMPARE(defaultOf(shell + QStringLiteral("\\Tabvane")), QStringLiteral("Tabvane"));
            QCOMPARE(defaultOf(shell + QStringLiteral("\\Tabvane\\command")), Command);
            QCOMPARE(defaultOf(shell + QStringLiteral("\\open\\command")), Command);
        }
        const QString entry = readFile(DefBrowser::DesktopEntryPath());
        QVERIFY(entry.startsWith(QStringLiteral("[Desktop Entry]\n")));
        QVERIFY(entry.contains(QStringLiteral("\nExec=\"/opt/my apps/tabvane\" %u\n")));
        for (const QString &type : DefBrowser::BrowserMimeTypes())
            QCOMPARE(DefBrowser::EffectiveDefault(type), DefBrowser::DesktopId);
        QVERIFY(DefBrowser::IsDefaultBrowser());

        DefBrowser::RestoreOpenVerb();
        for (const char *cls : Classes) {
            const QString shell = QLatin1String(cls) + QStringLiteral("\\shell");
            QCOMPARE(defaultOf(shell), QStringLiteral("open"));
            // The program's verb and the "open" command stay as they were.
            QCOMPARE(defaultOf(shell + QStringLiteral("\\Tabvane\\command")), Command);
            QCOMPARE(defaultOf(shell + QStringLiteral("\\open\\command")), Command);
        }
        QVERIFY(!readFile(DefBrowser::MimeAppsPath()).contains(DefBrowser::DesktopId));
        QVERIFY(QFile::exists(DefBrowser::DesktopEntryPath()));
        QVERIFY(!DefBrowser::IsDefaultBrowser());
    }

    void restoreCreatesNoShellKey()
    {
        TRegistry hkcr(RegRoot::ClassesRoot);
        hkcr.writeString(QStringLiteral("htmlfile\\shell"), QString(), QStringLiteral("Tabvane"));
        DefBrowser::RestoreOpenVerb();
        QCOMPARE(defaultOf(QStringLiteral("htmlfile\\shell")), QStringLiteral("open"));
        QVERIFY(!hkcr.keyExists(QStringLiteral("http\\shell")));
        QVERIFY(!hkcr.keyExists(QStringLiteral("https")));
        QVERIFY(!hkcr.keyExists(QStringLiteral("file")));
        QVERIFY(!QFile::exists(DefBrowser::MimeAppsPath()));
    }

    void isDefaultNeedsVerbsAndDesktop()
    {
        DefBrowser::Register(Exe);
        QVERIFY(DefBrowser::IsDefaultBrowser());
        TRegistry hkcr(RegRoot::ClassesRoot);

        hkcr.writeString(QStringLiteral("HTTP\\shell"), QString(), QStringLiteral("open"));
        QVERIFY(!DefBrowser::IsDefaultBrowser());
        hkcr.writeString(QStringLiteral("http\\shell"), QString(), QStringLiteral("tabvane"));
        QVERIFY(!DefBrowser::IsDefaultBrowser());   // the verb compares case-sensitively
        hkcr.writeString(QStringLiteral("http\\shell"), QString(), QStringLiteral("Tabvane"));
        QVERIFY(DefBrowser::IsDefaultBrowser());

        // Another installed browser took the desktop's http default back.
        const QString mimeApps = DefBrowser::MimeAppsPath();
        const QString ours = readFile(mimeApps);
        writeFile(mimeApps, QString(ours).replace(
                                QStringLiteral("x-scheme-handler/http=tabvane.desktop;"),
                                QStringLiteral("x-scheme-handler/http=firefox.desktop;")));
        QVERIFY(!DefBrowser::IsDefaultBrowser());
        // An entry that is not installed is passed over.
        writeFile(mimeApps, QString(ours).replace(
                                QStringLiteral("x-scheme-handler/http=tabvane.desktop;"),
                                QStringLiteral("x-scheme-handler/http=gone.desktop;tabvane.desktop;")));
        QVERIFY(DefBrowser::IsDefaultBrowser());

        // A desktop-specific list wins over mimeapps.list.
        qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
        const QString gnome = QFileInfo(mimeApps).absolutePath() + QStringLiteral("/gnome-mimeapps.list");
        writeFile(gnome, QStringLiteral("[Default Applications]\ntext/html=firefox.desktop\n"));
        QVERIFY(!DefBrowser::IsDefaultBrowser());
        QFile::remove(gnome);
        QVERIFY(DefBrowser::IsDefaultBrowser());
    }

    void registerOverridesTheDesktopsOwnList()
    {
        // The desktop reads its own list first: registering must change it too, or the
        // question comes back at every start and links keep opening elsewhere.
        qputenv("XDG_CURRENT_DESKTOP", "MATE");
        const QString mate = QFileInfo(DefBrowser::MimeAppsPath()).absolutePath() + QStringLiteral("/mate-mimeapps.list");
        writeFile(mate, QStringLiteral("[Default Applications]\nx-scheme-handler/http=firefox.desktop\n"
                                       "x-scheme-handler/https=firefox.desktop\ntext/html=firefox.desktop\n"));
        DefBrowser::Register(Exe);
        QVERIFY(DefBrowser::IsDefaultBrowser());
        QCOMPARE(DefBrowser::MimeAppsDefaults(readFile(mate), QStringLiteral("x-scheme-handler/https")),
                 (QStringList{QStringLiteral("tabvane.desktop"), QStringLiteral("firefox.desktop")}));

        // The desktop's own tools agree.
        const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
        const QString xdgSettings = QStandardPaths::findExecutable(QStringLiteral("xdg-settings"));
        if (xdgMime.isEmpty() || xdgSettings.isEmpty()) {
            QFile::remove(mate);
            QSKIP("xdg-utils is not installed (scripts/install-deps.sh installs it)");
        }
        const auto ask = [](const QString &program, const QStringList &arguments) {
            QProcess process;
            process.start(program, arguments);
            process.waitForFinished(30000);
            return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
        };
        QCOMPARE(ask(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("x-scheme-handler/http")}),
                 DefBrowser::DesktopId);
        QCOMPARE(ask(xdgSettings, {QStringLiteral("get"), QStringLiteral("default-web-browser")}), DefBrowser::DesktopId);

        DefBrowser::RestoreOpenVerb();
        QCOMPARE(DefBrowser::EffectiveDefault(QStringLiteral("text/html")), QStringLiteral("firefox.desktop"));
        QFile::remove(mate);
    }

    void registerKeepsForeignLines()
    {
        // mimeapps.list kept by a dot-file manager as a link: the target is rewritten.
        const QString target = QFileInfo(DefBrowser::MimeAppsPath()).absolutePath()
                               + QStringLiteral("/dotfiles/mimeapps.list");
        const QString original = QStringLiteral(
            "# managed by hand\n"
            "[Added Associations]\n"
            "text/html=firefox.desktop;\n"
            "\n"
            "[Default Applications]\n"
            "application/pdf=evince.desktop\n"
            "x-scheme-handler/http=firefox.desktop;\n"
            "\n"
            "[Removed Associations]\n"
            "image/png=gimp.desktop;\n");
        writeFile(target, original);
        QVERIFY(QFile::link(target, DefBrowser::MimeAppsPath()));

        DefBrowser::Register(Exe);
        QVERIFY(QFileInfo(DefBrowser::MimeAppsPath()).isSymLink());
        QCOMPARE(readFile(target), QStringLiteral(
            "# managed by hand\n"
            "[Added Associations]\n"
            "text/html=firefox.desktop;\n"
            "\n"
            "[Default Applications]\n"
            "application/pdf=evince.desktop\n"
            "x-scheme-handler/http=tabvane.desktop;firefox.desktop;\n"
            "text/html=tabvane.desktop;\n"
            "x-scheme-handler/https=tabvane.desktop;\n"
            "\n"
            "[Removed Associations]\n"
            "image/png=gimp.desktop;\n"));

        DefBrowser::Register(Exe);   // a second registration adds nothing
        QCOMPARE(readFile(target).count(DefBrowser::DesktopId), 3);

        DefBrowser::RestoreOpenVerb();
        QCOMPARE(readFile(target), original);
        QCOMPARE(DefBrowser::EffectiveDefault(QStringLiteral("x-scheme-handler/http")),
                 QStringLiteral("firefox.desktop"));
        QFile::remove(DefBrowser::MimeAppsPath());
    }

    void mimeAppsText_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("add");
        QTest::addColumn<QString>("after");
        const QString all = QStringLiteral("text/html=tabvane.desktop;\n"
                                           "x-scheme-handler/http=tabvane.desktop;\n"
                                           "x-scheme-handler/https=tabvane.desktop;\n");
        QTest::newRow("add to nothing") << QString() << true
                                        << QStringLiteral("[Default Applications]\n") + all;
        QTest::newRow("add after other groups")
            << QStringLiteral("[Added Associations]\ntext/plain=gedit.desktop;")
            << true
            << QStringLiteral("[Added Associations]\ntext/plain=gedit.desktop;\n\n"
                              "[Default Applications]\n") + all;
        QTest::newRow("add keeps spacing and CRLF of other lines")
            << QStringLiteral("[Default Applications]\r\nimage/png = eog.desktop\r\n")
            << true
            << QStringLiteral("[Default Applications]\r\nimage/png = eog.desktop\r\n") + all;
        QTest::newRow("remove ours, keep the rest")
            << QStringLiteral("[Default Applications]\ntext/html=tabvane.desktop;\n"
                              "x-scheme-handler/http = tabvane.desktop ; chromium.desktop\n"
                              "x-scheme-handler/https=chromium.desktop;\n")
            << false
            << QStringLiteral("[Default Applications]\n"
                              "x-scheme-handler/http=chromium.desktop;\n"
                              "x-scheme-handler/https=chromium.desktop;\n");
        QTest::newRow("remove only inside the group")
            << QStringLiteral("[Added Associations]\ntext/html=tabvane.desktop;\n")
            << false
            << QStringLiteral("[Added Associations]\ntext/html=tabvane.desktop;\n");
    }

    void mimeAppsText()
    {
        QFETCH(QString, before);
        QFETCH(bool, add);
        QFETCH(QString, after);
        QCOMPARE(DefBrowser::UpdateMimeApps(before, DefBrowser::BrowserMimeTypes(),
                                            DefBrowser::DesktopId, add),
                 after);
    }

    void execQuoting_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << QStringLiteral("/usr/bin/tabvane") << QStringLiteral("/usr/bin/tabvane");
        QTest::newRow("blank") << QStringLiteral("/a b/tv") << QStringLiteral("\"/a b/tv\"");
        QTest::newRow("percent") << QStringLiteral("/a%b/tv") << QStringLiteral("/a%%b/tv");
        QTest::newRow("shell characters")
            << QStringLiteral("/x/$HOME\"`\\tv") << QStringLiteral("\"/x/\\\\$HOME\\\\\"\\\\`\\\\\\\\tv\"");
    }

    void execQuoting()
    {
        QFETCH(QString, program);
        QFETCH(QString, exec);
        QCOMPARE(DefBrowser::ExecQuoted(program), exec);
    }

    // The user's entry replaces the packaged one of the same name: an installed program keeps
    // its vane there, a build tree without an icon theme gets the generic icon.
    void desktopEntryIcon()
    {
        QTemporaryDir prefix;
        QVERIFY(prefix.isValid());
        const QString exe = prefix.filePath(QStringLiteral("bin/tabvane"));
        QCOMPARE(DefBrowser::DesktopIconName(exe), QStringLiteral("web-browser"));
        QVERIFY(DefBrowser::DesktopEntryText(exe).contains(QLatin1String("\nIcon=web-browser\n")));
        QVERIFY(QDir(prefix.path()).mkpath(QStringLiteral("bin")));
        QVERIFY(QDir(prefix.path()).mkpath(QStringLiteral("share/icons/hicolor/scalable/apps")));
        writeFile(prefix.filePath(QStringLiteral("share/icons/hicolor/scalable/apps/tabvane.svg")), QStringLiteral("<svg/>"));
        QCOMPARE(DefBrowser::DesktopIconName(exe), QStringLiteral("tabvane"));
        QVERIFY(DefBrowser::DesktopEntryText(exe).contains(QLatin1String("\nIcon=tabvane\n")));
    }

    void offer_data()
    {
        QTest::addColumn<bool>("alreadyDefault");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("registered");
        QTest::addColumn<bool>("askNextTime");
        QTest::newRow("already default") << true << true << false << false << true << true;
        QTest::newRow("yes, keep checking") << false << true << true << true << true << true;
        QTest::newRow("yes, stop checking") << false << true << false << true << true << false;
        QTest::newRow("no, box cleared") << false << false << false << true << false << true;
    }

    void offer()
    {
        QFETCH(bool, alreadyDefault);
        QFETCH(bool, yes);
        QFETCH(bool, checked);
        QFETCH(bool, asked);
        QFETCH(bool, registered);
        QFETCH(bool, askNextTime);
        if (alreadyDefault)
            DefBrowser::Register(Exe);
        bool wasAsked = false;
        DefBrowser::OfferWith(Exe, [&] {
            wasAsked = true;
            return DefBrowser::TOfferAnswer{yes, checked};
        });
        QCOMPARE(wasAsked, asked);
        QCOMPARE(DefBrowser::IsDefaultBrowser(), registered);
        QCOMPARE(TKWOptions().AskDefaultBrowser(), askNextTime);
    }

    void userAgentToken()
    {
        TRegistry hklm(RegRoot::LocalMachine);
        const QString key = UserAgentPostPlatformKey;
        hklm.writeString(key, QStringLiteral("Tabvane 5.5"), QStringLiteral("IEAK"));
        hklm.writeString(key, QStringLiteral("Other Tool 1"), QStringLiteral("x"));
        hklm.writeString(key, QStringLiteral("TandemBrowser 2"), QStringLiteral("IEAK"));
        hklm.writeString(key, QStringLiteral("TabvaneX"), QStringLiteral("short names stay"));

        UpdateUserAgentToken(true);
        QCOMPARE(hklm.valueNames(key),
                 (QStringList{QStringLiteral("Other Tool 1"), QStringLiteral("TabvaneX"),
                              QStringLiteral("Tabvane 6.01")}));
        QCOMPARE(hklm.readValue(key, QStringLiteral("Tabvane 6.01")).text, QStringLiteral("IEAK"));

        UpdateUserAgentToken(true);   // a second window's start leaves one token
        QCOMPARE(hklm.valueNames(key).count(QStringLiteral("Tabvane 6.01")), 1);

        UpdateUserAgentToken(false);
        QCOMPARE(hklm.valueNames(key),
                 (QStringList{QStringLiteral("Other Tool 1"), QStringLiteral("TabvaneX")}));
    }
};

TV_TEST_MAIN_CORE(TestDefBrowser)
#include "tst_defbrowser.moc"
