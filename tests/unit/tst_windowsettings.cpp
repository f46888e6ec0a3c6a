// TWindowSettings: the main window's settings read in one pass (the same values, defaults
// and messages as reading them one by one), written back in one transaction, and group by
// group when a group cannot be written.

#include <QtTest>

#include "app/kwoptions.h"
#include "app/windowsettings.h"
#include "platform/registry.h"
#include "testenv.h"

#include <QTemporaryDir>

#include <sqlite3.h>

namespace {

void store(const QString &name, const QString &text) { TRegistry().writeString(TKWOptions::SettingsKey, name, text); }

RegValue stored(const QString &name) { return TRegistry().readValue(TKWOptions::SettingsKey, name); }

// Every field, for comparing two values in one go.
QStringList describe(const TWindowSettings &s)
{
    const auto b = [](bool v) { return v ? QStringLiteral("1") : QStringLiteral("0"); };
    const QRect &r = s.bounds;
    return {
        b(s.ie4Mode), s.kwid, s.startupPage, b(s.askDefaultBrowser),
        s.completion.CtrlPre, s.completion.CtrlPost, s.completion.ShiftPre, s.completion.ShiftPost,
        s.completion.CtrlShiftPre, s.completion.CtrlShiftPost, s.lastOpenSites.join(QLatin1Char('|')),
        b(s.disableAltShortcuts), b(s.openNewInForeground), b(s.addressNewWin),
        QString::number(int(s.autoCompleteStyle)), b(s.showGo), b(s.cbAutoExpand), b(s.openNewAtEnd),
        QString::number(s.vessaBarWidth), QString::number(s.limitTitleLength), s.searchBar,
        b(s.fullScreen), b(s.usePopupVessa), b(s.maximized),
        QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()),
        b(s.viewVessaBar), b(s.viewToolbar), b(s.viewAddressBar), b(s.viewLinksBar),
        b(s.viewStatusBar), b(s.vgCloseFirst), b(s.toolbarShowColor), b(s.multipleLines),
        b(s.tabsDown), s.tabColorScheme, QString::number(s.inactiveTabColor),
        QString::number(s.inactiveFontColor), QString::number(s.newAction), s.startupMode,
        s.startupVessaGroup, b(s.favoritesNewWin), b(s.historyNewWin), b(s.searchNewWin),
        b(s.linksNewWin), b(s.useCustomIcons), b(s.breakFavorites), b(s.flyswatEnabled), b(s.flyswatShowLinks),
    };
}

TWindowSettings readOnePass(QStringList *messages)
{
    TKWOptions store = TKWOptions::Snapshot();
    store.SetWrongTypeHandler([messages](const QString &m) { messages->append(m); });
    return TWindowSettings::Read(store);
}

// Makes the hive refuse every write of one value name, as a damaged or locked row would.
void refuseWritesOf(const QString &name)
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(TRegistry::hivePath()).constData(), &db), SQLITE_OK);
    const QByteArray fold = name.toCaseFolded().toUtf8();
    for (const char *event : {"INSERT", "UPDATE"}) {
        const QByteArray sql = QByteArray("CREATE TRIGGER refuse_") + event + " BEFORE " + event
                + " ON vals WHEN NEW.fold = '" + fold + "' BEGIN SELECT RAISE(ABORT, 'refused'); END";
        QCOMPARE(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    }
    sqlite3_close(db);
}

} // namespace

class TestWindowSettings : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_case = 0;

private Q_SLOTS:
    void init()
    {
        qputenv("TABVANE_REGISTRY", m_dir.filePath(QStringLiteral("hive%1.db").arg(++m_case)).toLocal8Bit());
    }

    void onePassReadsWhatSingleReadsRead()
    {
        // Odd and damaged values, names in another case than the program writes them, and
        // a list: one read of the whole key gives the values, defaults and messages that
        // reading each value on its own gives.
        TRegistry reg;
        store(QStringLiteral("showgo"), QStringLiteral("1"));
        store(QStringLiteral("LIMITTITLELENGTH"), QStringLiteral("  12"));
        store(QStringLiteral("VessaBarWidth"), QStringLiteral("12 "));      // not a number: default
        store(QStringLiteral("NewAction"), QStringLiteral("7"));            // clamped to 2
        store(QStringLiteral("StartupMode"), QStringLiteral("Last"));
        store(QStringLiteral("TabColorScheme"), QStringLiteral("rev"));
        store(QStringLiteral("Left"), QStringLiteral("-30"));
        store(QStringLiteral("Width"), QStringLiteral("640"));
        store(QStringLiteral("CtrlShiftPost"), QStringLiteral(".example"));
        store(QStringLiteral("AutoCompleteStyle"), QStringLiteral("IE4"));
        reg.writeDword(TKWOptions::SettingsKey, QStringLiteral("ViewToolbar"), 0);               // wrong type
        reg.writeBinary(TKWOptions::SettingsKey, QStringLiteral("FlyswatEnabled"), QByteArray("\x00", 1));
        reg.writeString(TKWOptions::SettingsKey, QStringLiteral("SearchBar"), QStringLiteral("http://bar.test/"), RegType::ExpandSz);
        const QString sites = TKWOptions::SettingsKey + QStringLiteral("\\Last Open Sites");
        reg.writeString(sites, QStringLiteral("url2"), QStringLiteral("http://b.test/"));
        reg.writeDword(sites, QStringLiteral("url1"), 5);                   // skipped
        reg.writeString(sites, QStringLiteral("url3"), QString());          // empty: dropped
        reg.writeString(sites, QStringLiteral("url4"), QStringLiteral("http://d.test/"));

        QStringList eachMessages;
        TKWOptions each;
        each.SetWrongTypeHandler([&eachMessages](const QString &m) { eachMessages.append(m); });
        const TWindowSettings expected = TWindowSettings::Read(each);
        QStringList messages;
        const TWindowSettings s = readOnePass(&messages);
        QCOMPARE(describe(s), describe(expected));
        QCOMPARE(messages, eachMessages);

        QVERIFY(s.showGo);
        QCOMPARE(s.limitTitleLength, 12);
        QCOMPARE(s.vessaBarWidth, 234);
        QCOMPARE(s.newAction, 2);
        QCOMPARE(s.bounds.x(), -30);
        QCOMPARE(s.bounds.width(), 640);
        QCOMPARE(s.completion.CtrlShiftPost, QStringLiteral(".example"));
        QCOMPARE(s.autoCompleteStyle, TAutoCompleteStyle::IE4);
        QCOMPARE(s.searchBar, QStringLiteral("http://bar.test/"));
        QVERIFY(s.viewToolbar);
        QVERIFY(s.flyswatEnabled);
        QCOMPARE(s.lastOpenSites, (QStringList{"url2=http://b.test/", "url4=http://d.test/"}));
        QCOMPARE(messages, (QStringList{"Invalid data type for 'FlyswatEnabled'",
                                        "Invalid data type for 'ViewToolbar'",
                                        "Invalid data type for 'url1'"}));

        // Without a handler a damaged value fails the read, as a single read does.
        bool failed = false;
        try {
            TWindowSettings::Read(TKWOptions::Snapshot());
        } catch (const RegistryError &e) {
            failed = true;
            QCOMPARE(e.message(), QStringLiteral("Invalid data type for 'FlyswatEnabled'"));
        }
        QVERIFY(failed);
    }

    void writtenBackAndReadAgain()
    {
        TRegistry reg;
        reg.writeDword(TKWOptions::SettingsKey, QStringLiteral("UseCustomIcons"), 0);   // damaged, and nobody changes it
        store(QStringLiteral("LinksNewWin"), QStringLiteral("0"));
        TKWOptions().SetLastOpenSites({"url1=http://a.test/", "url2=http://b.test/", "url3=http://c.test/"});
        QStringList messages;
        const TWindowSettings asRead = readOnePass(&messages);

        TWindowSettings s = asRead;
        s.lastOpenSites = QStringList{"url1=http://z.test/"};
        s.showGo = true;
        s.autoCompleteStyle = TAutoCompleteStyle::None;
        s.bounds = QRect(-5, 20, 300, 200);
        s.limitTitleLength = 0;
        s.searchBar = QStringLiteral("http://search.test/");
        s.viewLinksBar = false;
        s.vgCloseFirst = true;
        s.tabsDown = false;
        s.newAction = 1;
        s.startupVessaGroup = QStringLiteral("/groups/daily.vgp");
        s.flyswatShowLinks = false;
        s.breakFavorites = true;
        s.startupPage = QStringLiteral("http://once.test/");   // never written by the window
        const TWindowSettings::TWriteResult result = s.Write(asRead);
        QVERIFY2(result.unsaved.isEmpty(), qPrintable(result.unsaved.join(QLatin1Char(','))));

        TWindowSettings expected = s;
        expected.bounds.moveLeft(0);   // the store keeps no negative position
        expected.startupPage.clear();
        expected.startupMode = QStringLiteral("Last");   // for the list to be read back
        TKWOptions().SetStartupMode(QStringLiteral("Last"));
        messages.clear();
        const TWindowSettings again = readOnePass(&messages);
        QCOMPARE(describe(again), describe(expected));
        QCOMPARE(TKWOptions().LastOpenSites(), QStringList{"url1=http://z.test/"});

        // What was read and not changed is not written: the damaged value stays as it is
        // stored, and values that were missing stay missing.
        QCOMPARE(stored(QStringLiteral("UseCustomIcons")).type, RegType::Dword);
        QCOMPARE(stored(QStringLiteral("LinksNewWin")).text, QStringLiteral("0"));
        for (const char *name : {"FavoritesNewWin", "FlyswatEnabled", "MultipleLines", "TabColorScheme",
                                 "ToolbarShowColor", "StartupPage", "KWID"})
            QVERIFY2(!stored(QLatin1String(name)).exists(), name);

        // A maximised window keeps the stored normal placement.
        TWindowSettings maximized = again;
        maximized.maximized = true;
        maximized.bounds = QRect(0, 0, 1, 1);
        QVERIFY(maximized.Write(again).unsaved.isEmpty());
        const TKWOptions o;
        QVERIFY(o.Maximized());
        QCOMPARE(QRect(o.Left(), o.Top(), o.Width(), o.Height()), QRect(0, 20, 300, 200));
    }

    void failingGroupCostsOnlyItself()
    {
        TKWOptions().SetLastOpenSites({"url1=http://old.test/"});
        QStringList messages;
        const TWindowSettings asRead = readOnePass(&messages);
        refuseWritesOf(QStringLiteral("Maximized"));
        TWindowSettings s = asRead;
        s.lastOpenSites = QStringList{"url1=http://new.test/"};
        s.showGo = true;
        s.bounds = QRect(40, 50, 600, 400);
        s.usePopupVessa = false;
        s.viewStatusBar = false;
        s.tabsDown = false;
        const TWindowSettings::TWriteResult result = s.Write(asRead);
        QCOMPARE(result.unsaved, QStringList{"the window placement"});
        QCOMPARE(result.firstError, QStringLiteral("Failed to set data for 'Maximized'"));

        const TKWOptions o;
        QCOMPARE(o.LastOpenSites(), QStringList{"url1=http://new.test/"});
        QVERIFY(o.ShowGo());
        QVERIFY(!o.UsePopupVessa());
        QVERIFY(!o.ViewStatusBar());
        QVERIFY(!o.TabsDown());
        QVERIFY(!stored(QStringLiteral("Maximized")).exists());
    }

    void unwritableHiveNamesEveryGroup()
    {
        QStringList messages;
        const TWindowSettings asRead = readOnePass(&messages);
        // A folder stands where the hive file should be.
        QTemporaryDir notAHive;
        qputenv("TABVANE_REGISTRY", QFile::encodeName(notAHive.path()));
        const TWindowSettings::TWriteResult result = asRead.Write(asRead);
        QCOMPARE(result.unsaved, (QStringList{"the open sites", "the options", "the window placement",
                                              "the view settings"}));
        QCOMPARE(result.firstError, QStringLiteral("Failed to set data for 'Last Open Sites'"));
    }
};

TV_TEST_MAIN_CORE(TestWindowSettings)
#include "tst_windowsettings.moc"
