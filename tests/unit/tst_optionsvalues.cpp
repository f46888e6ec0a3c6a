// The Options dialog's values: read from a hive holding odd values, applied to the window's
// settings value, and stored in one transaction that a failing hive leaves undone.

#include <QtTest>

#include "app/kwoptions.h"
#include "app/windowsettings.h"
#include "options/optionsvalues.h"
#include "platform/registry.h"
#include "testenv.h"

#include <QTemporaryDir>

#include <sqlite3.h>

namespace {

void store(const QString &name, const QString &text) { TRegistry().writeString(TKWOptions::SettingsKey, name, text); }

QString stored(const QString &name)
{
    const RegValue v = TRegistry().readValue(TKWOptions::SettingsKey, name);
    return v.exists() ? v.text : QStringLiteral("<none>");
}

TOptionsValues load(const TWindowSettings &running = TWindowSettings())
{
    TKWOptions o = TKWOptions::Snapshot();
    o.SetWrongTypeHandler([](const QString &) {});
    return TOptionsValues::Load(o, running);
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

class TestOptionsValues : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_case = 0;

private Q_SLOTS:
    void init()
    {
        qputenv("TABVANE_REGISTRY", m_dir.filePath(QStringLiteral("hive%1.db").arg(++m_case)).toLocal8Bit());
    }

    void oddStoredValuesComeIntoRange_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("expected");
        QTest::newRow("title limit above range") << "LimitTitleLength" << "250" << "limit" << 100;
        QTest::newRow("negative title limit") << "LimitTitleLength" << "-5" << "limit" << 0;
        QTest::newRow("title limit not a number") << "LimitTitleLength" << "ten" << "limit" << 35;
        QTest::newRow("new action above range") << "NewAction" << "9" << "newAction" << 2;
        QTest::newRow("new action below range") << "NewAction" << "-1" << "newAction" << 0;
        QTest::newRow("colour not a number") << "InactiveTabColor" << "grey" << "tabColor" << 0xAAAAAA;
        QTest::newRow("colour as system reference") << "InactiveTabColor" << "-16777213" << "tabColor" << -16777213;
        QTest::newRow("scheme std") << "TabColorScheme" << "std" << "scheme" << int(TTabColorScheme::Standard);
        QTest::newRow("scheme rev") << "TabColorScheme" << "rev" << "scheme" << int(TTabColorScheme::Reversed);
        // The strips show the custom colours for any other text: so does the dialog.
        QTest::newRow("scheme unknown") << "TabColorScheme" << "Std" << "scheme" << int(TTabColorScheme::Custom);
        QTest::newRow("startup last") << "StartupMode" << "Last" << "startup" << int(TStartupChoice::Last);
        QTest::newRow("startup other") << "StartupMode" << "last" << "startup" << int(TStartupChoice::Group);
        QTest::newRow("autocomplete other") << "AutoCompleteStyle" << "ie5" << "autocomplete" << int(TAutoCompleteStyle::None);
    }

    void oddStoredValuesComeIntoRange()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, field);
        QFETCH(int, expected);
        store(name, text);
        const TOptionsValues v = load();
        const QHash<QString, int> fields = {
            {QStringLiteral("limit"), v.limitTitleLength}, {QStringLiteral("newAction"), v.newAction},
            {QStringLiteral("tabColor"), v.inactiveTabColor}, {QStringLiteral("scheme"), int(v.colorScheme)},
            {QStringLiteral("startup"), int(v.startup)}, {QStringLiteral("autocomplete"), int(v.autoCompleteStyle)}};
        QCOMPARE(fields.value(field), expected);
    }

    void wrongTypesReadAsDefaultsAndWindowValuesWin()
    {
        TRegistry reg;
        reg.writeDword(TKWOptions::SettingsKey, QStringLiteral("ShowGo"), 1);          // wrong type
        reg.writeBinary(TKWOptions::SettingsKey, QStringLiteral("UsePopupVessa"), QByteArray("\x00", 1));
        store(QStringLiteral("AddressNewWin"), QStringLiteral("0"));
        store(QStringLiteral("VGCloseFirst"), QStringLiteral("0"));
        const QString list = TKWOptions::SettingsKey + QStringLiteral("\\PopupVessa");
        reg.writeString(list, QStringLiteral("url1"), QStringLiteral("http://a.test/"));
        reg.writeDword(list, QStringLiteral("url2"), 3);
        reg.writeString(list, QStringLiteral("url3"), QStringLiteral("http://c.test/x=1"));

        TWindowSettings running;
        running.addressNewWin = true;   // newer than the store
        running.vgCloseFirst = true;
        running.minToTray = true;
        running.ie4Mode = true;
        const TOptionsValues v = load(running);
        QCOMPARE(v.showGo, false);
        QCOMPARE(v.usePopupVessa, true);
        QCOMPARE(v.popupAddresses, (QStringList{QStringLiteral("http://a.test/"), QStringLiteral("http://c.test/x=1")}));
        QVERIFY(v.addressNewWin && v.vgCloseFirst && v.minToTray && v.ie4Mode);
    }

    void storeWritesEveryValueAndRules()
    {
        store(QStringLiteral("InactiveTabColor"), QStringLiteral("255"));
        store(QStringLiteral("StartupVessaGroup"), QStringLiteral("/old.vgp"));
        TOptionsValues v = load();
        v.colorScheme = TTabColorScheme::Standard;
        v.inactiveTabColor = 0x123456;              // not written with the standard scheme
        v.limitTitleLength = 0;
        v.startup = TStartupChoice::Last;
        v.startupVessaGroup = QStringLiteral("/new.vgp");   // not written without the group choice
        v.popupAddresses = {QStringLiteral("http://b.test/"), QStringLiteral("  "), QStringLiteral("http://a.test/")};
        v.completion.ShiftPost = QString();
        v.ie4Mode = true;
        v.autoCompleteStyle = TAutoCompleteStyle::IE5;
        v.Store();

        QCOMPARE(stored(QStringLiteral("TabColorScheme")), QStringLiteral("std"));
        QCOMPARE(stored(QStringLiteral("InactiveTabColor")), QStringLiteral("255"));
        QCOMPARE(stored(QStringLiteral("LimitTitleLength")), QStringLiteral("0"));
        QCOMPARE(stored(QStringLiteral("StartupMode")), QStringLiteral("Last"));
        QCOMPARE(stored(QStringLiteral("StartupVessaGroup")), QStringLiteral("/old.vgp"));
        QCOMPARE(stored(QStringLiteral("ShiftPost")), QString());
        QCOMPARE(stored(QStringLiteral("AutoCompleteStyle")), QStringLiteral("IE4"));
        QCOMPARE(stored(QStringLiteral("BreakFavorites")), QStringLiteral("<none>"));   // unchanged: not written
        QCOMPARE(TKWOptions().PopupVessa(), (QStringList{QStringLiteral("url1=http://b.test/"),
                                                         QStringLiteral("url2=http://a.test/")}));

        // What was stored reads back as it was chosen.
        const TOptionsValues back = load();
        QCOMPARE(back.colorScheme, TTabColorScheme::Standard);
        QCOMPARE(back.limitTitleLength, 0);
        QCOMPARE(back.startup, TStartupChoice::Last);
        QCOMPARE(back.completion.ShiftPost, QString());
    }

    void failingStoreLeavesEveryValueAsItWas()
    {
        store(QStringLiteral("ShowGo"), QStringLiteral("0"));
        store(QStringLiteral("LimitTitleLength"), QStringLiteral("35"));
        const QString list = TKWOptions::SettingsKey + QStringLiteral("\\PopupVessa");
        TRegistry().writeString(list, QStringLiteral("url1"), QStringLiteral("http://keep.test/"));
        refuseWritesOf(QStringLiteral("LimitTitleLength"));   // the last value written

        TOptionsValues v = load();
        v.showGo = true;
        v.limitTitleLength = 80;
        v.popupAddresses.clear();
        v.colorScheme = TTabColorScheme::Reversed;
        bool failed = false;
        try {
            v.Store();
        } catch (const RegistryError &e) {
            failed = true;
            QVERIFY(!e.message().isEmpty());
        }
        QVERIFY(failed);
        QCOMPARE(stored(QStringLiteral("ShowGo")), QStringLiteral("0"));
        QCOMPARE(stored(QStringLiteral("LimitTitleLength")), QStringLiteral("35"));
        QCOMPARE(stored(QStringLiteral("TabColorScheme")), QStringLiteral("<none>"));
        QCOMPARE(TKWOptions().PopupVessa(), QStringList{QStringLiteral("url1=http://keep.test/")});
    }

    void applyGivesTheWindowWhatItShowsNow()
    {
        TWindowSettings s;
        s.tabsDown = true;
        s.multipleLines = false;
        s.inactiveTabColor = 0x0000FF;
        s.ie4Mode = true;
        TOptionsValues v = TOptionsValues::Load(TKWOptions::Snapshot(), s);
        v.tabsDown = false;          // next start only
        v.multipleLines = true;
        v.colorScheme = TTabColorScheme::Reversed;
        v.inactiveTabColor = 0x00FF00;   // ignored outside the custom scheme
        v.autoCompleteStyle = TAutoCompleteStyle::IE5;
        v.addressNewWin = true;
        v.limitTitleLength = 12;
        v.completion.CtrlPost = QStringLiteral(".test");
        v.Apply(s);
        QCOMPARE(s.tabsDown, true);
        QCOMPARE(s.multipleLines, false);
        QCOMPARE(s.tabColorScheme, QStringLiteral("rev"));
        QCOMPARE(s.inactiveTabColor, 0x0000FF);
        QCOMPARE(s.autoCompleteStyle, TAutoCompleteStyle::IE4);
        QVERIFY(s.addressNewWin);
        QCOMPARE(s.limitTitleLength, 12);
        QCOMPARE(s.completion.CtrlPost, QStringLiteral(".test"));
    }

    void startupGroupMustNameAFile()
    {
        TOptionsValues v;
        v.startup = TStartupChoice::Group;
        QVERIFY(!v.StartupGroupValid());                 // empty
        v.startupVessaGroup = m_dir.path();
        QVERIFY(!v.StartupGroupValid());                 // a folder
        v.startupVessaGroup = m_dir.filePath(QStringLiteral("gone.vgp"));
        QVERIFY(!v.StartupGroupValid());
        QFile f(v.startupVessaGroup);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(v.StartupGroupValid());
        v.startup = TStartupChoice::Home;
        v.startupVessaGroup.clear();
        QVERIFY(v.StartupGroupValid());
    }
};

TV_TEST_MAIN_CORE(TestOptionsValues)
#include "tst_optionsvalues.moc"
