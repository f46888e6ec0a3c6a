#include <QtTest>

#include "app/kwoptions.h"
#include "platform/makerhost.h"
#include "platform/registry.h"
#include "testenv.h"

#include <QTemporaryDir>

#include <functional>

namespace {

QString stored(const QString &name, const QString &key = TKWOptions::SettingsKey)
{
    const RegValue v = TRegistry().readValue(key, name);
    return v.type == RegType::Sz ? v.text : QStringLiteral("<%1>").arg(int(v.type));
}

void store(const QString &name, const QString &text)
{
    TRegistry().writeString(TKWOptions::SettingsKey, name, text);
}

QString errorOf(const std::function<void()> &work)
{
    try {
        work();
    } catch (const RegistryError &e) {
        return e.message();
    }
    return QString();
}

} // namespace

class TestKWOptions : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_hive;
    int m_case = 0;

private Q_SLOTS:
    void init()
    {
        m_hive = m_dir.filePath(QStringLiteral("hive%1.db").arg(++m_case));
        qputenv("TABVANE_REGISTRY", m_hive.toLocal8Bit());
    }

    void freshUserReadsDefaults()
    {
        TKWOptions o;
        TRegistry reg;
        QVERIFY(reg.keyExists(TKWOptions::RootKey));
        QVERIFY(!reg.keyExists(TKWOptions::SettingsKey));

        const QList<QPair<QVariant, QVariant>> checks = {
            {o.AllowMultiInstance(), false}, {o.CommandLine(), QString()}, {o.StartupMode(), "Home"},
            {o.StartupVessaGroup(), QString()}, {o.StartupPage(), QString()},
            {o.AskDefaultBrowser(), true}, {o.ConfirmShutdown(), true}, {o.KWID(), QString()},
            {o.CheckedVersion(), 118}, {o.Maximized(), false}, {o.Left(), 10}, {o.Top(), 10},
            {o.Width(), 1024 - 40}, {o.Height(), 768 - 40}, {o.FullScreen(), false},
            {o.ViewToolbar(), true}, {o.ViewAddressBar(), true}, {o.ViewLinksBar(), true},
            {o.ViewStatusBar(), true}, {o.ViewVessaBar(), false}, {o.VessaBarWidth(), 234},
            {o.MinToTray(), false}, {o.DisableALTShortcuts(), false}, {o.ToolbarShowColor(), false},
            {o.FavoritesWidth(), 250}, {o.FavoritesHeight(), 400}, {o.TabsDown(), true},
            {o.MultipleLines(), false}, {o.LimitTitleLength(), 35}, {o.TabColorScheme(), "custom"},
            {o.InactiveTabColor(), 11184810}, {o.InactiveFontColor(), 0}, {o.OpenNewAtEnd(), false},
            {o.OpenNewInForeground(), false}, {o.NewAction(), 0}, {o.ConfirmCloseAll(), true},
            {o.VGCloseFirst(), false}, {o.AddressNewWin(), false}, {o.ShowGo(), false},
            {int(o.AutoCompleteStyle()), int(TAutoCompleteStyle::IE5)},
            {o.CtrlPre(), "http://www."}, {o.CtrlPost(), ".com"}, {o.ShiftPre(), "http://www."},
            {o.ShiftPost(), ".net"}, {o.CtrlShiftPre(), "http://www."}, {o.CtrlShiftPost(), ".org"},
            {o.CBAutoExpand(), true}, {o.FavoritesNewWin(), true}, {o.HistoryNewWin(), true},
            {o.LinksNewWin(), true}, {o.SearchNewWin(), true}, {o.BreakFavorites(), false},
            {o.UseCustomIcons(), true}, {o.SearchBar(), QString(TMakerHost::Maker() + QStringLiteral("/searchbar/fraSearchIE5.php"))},
            {o.UsePopupVessa(), true}, {o.PopupVessaNotify(), true}, {o.FlyswatEnabled(), true},
            {o.FlyswatShowLinks(), true},
        };
        for (int i = 0; i < checks.size(); ++i) {
            if (checks[i].first.toString() != checks[i].second.toString())
                QFAIL(qPrintable(QStringLiteral("default #%1: %2 instead of %3").arg(i)
                                     .arg(checks[i].first.toString(), checks[i].second.toString())));
        }
        QVERIFY(o.LastOpenSites().isEmpty() && o.SearchCombo().isEmpty());
        QVERIFY(!reg.keyExists(TKWOptions::SettingsKey));

        // The first write creates the settings key; a second store sees it at once.
        o.SetLeft(5);
        QCOMPARE(TKWOptions().Left(), 5);
    }

    void storedTextIsDecodedLeniently()
    {
        TKWOptions o;
        store(QStringLiteral("ViewToolbar"), QStringLiteral("2"));
        store(QStringLiteral("MinToTray"), QStringLiteral("-1"));
        store(QStringLiteral("TabsDown"), QStringLiteral("abc"));
        store(QStringLiteral("ShowGo"), QStringLiteral("0"));
        QVERIFY(o.ViewToolbar() && o.MinToTray() && o.TabsDown() && !o.ShowGo());

        const QList<QPair<QString, int>> limits = {
            {"abc", 35}, {"", 35}, {"12x", 35}, {"2147483648", 35}, {" 42", 42}, {"-5", -5}};
        for (const auto &c : limits) {
            store(QStringLiteral("LimitTitleLength"), c.first);
            QCOMPARE(o.LimitTitleLength(), c.second);
        }
        store(QStringLiteral("NewAction"), QStringLiteral("7"));
        QCOMPARE(o.NewAction(), 2);
        store(QStringLiteral("NewAction"), QStringLiteral("-3"));
        QCOMPARE(o.NewAction(), 0);

        const QList<QPair<QString, TAutoCompleteStyle>> styles = {
            {"IE4", TAutoCompleteStyle::IE4}, {"IE5", TAutoCompleteStyle::IE5},
            {"ie5", TAutoCompleteStyle::None}, {"none", TAutoCompleteStyle::None}, {"", TAutoCompleteStyle::None}};
        for (const auto &c : styles) {
            store(QStringLiteral("AutoCompleteStyle"), c.first);
            QCOMPARE(o.AutoCompleteStyle(), c.second);
        }

        // Strings stop at a NUL; an empty stored string is not the default.
        store(QStringLiteral("CtrlPost"), QStringLiteral(".de") + QChar(0) + QStringLiteral("junk"));
        QCOMPARE(o.CtrlPost(), QStringLiteral(".de"));
        store(QStringLiteral("StartupMode"), QString());
        QCOMPARE(o.StartupMode(), QString());
    }

    void writesClampAndEncode()
    {
        TKWOptions o;
        o.SetNewAction(7);
        QCOMPARE(stored(QStringLiteral("NewAction")), QStringLiteral("2"));
        o.SetNewAction(-1);
        QCOMPARE(stored(QStringLiteral("NewAction")), QStringLiteral("0"));
        o.SetVessaBarWidth(-1);
        QCOMPARE(stored(QStringLiteral("VessaBarWidth")), QStringLiteral("234"));
        o.SetVessaBarWidth(0);
        QCOMPARE(stored(QStringLiteral("VessaBarWidth")), QStringLiteral("0"));
        o.SetLeft(-5);
        o.SetTop(-1);
        o.SetWidth(-100);
        o.SetHeight(-2);
        for (const char *name : {"Left", "Top", "Width", "Height"})
            QCOMPARE(stored(QLatin1String(name)), QStringLiteral("0"));
        o.SetFavoritesWidth(-7);
        QCOMPARE(stored(QStringLiteral("FavoritesWidth")), QStringLiteral("-7"));

        o.SetMaximized(true);
        o.SetTabsDown(false);
        QCOMPARE(stored(QStringLiteral("Maximized")), QStringLiteral("1"));
        QCOMPARE(stored(QStringLiteral("TabsDown")), QStringLiteral("0"));
        o.SetAutoCompleteStyle(TAutoCompleteStyle::IE4);
        QCOMPARE(stored(QStringLiteral("AutoCompleteStyle")), QStringLiteral("IE4"));
        o.SetAutoCompleteStyle(TAutoCompleteStyle::None);
        QCOMPARE(stored(QStringLiteral("AutoCompleteStyle")), QStringLiteral("none"));
        o.SetInactiveTabColor(0xAAAAAA);
        QCOMPARE(stored(QStringLiteral("InactiveTabColor")), QStringLiteral("11184810"));
        o.SetCheckedVersion(-5);
        QCOMPARE(stored(QStringLiteral("CheckedVersion")), QStringLiteral("-5"));
    }

    void listsKeepLinesInOrder()
    {
        TKWOptions o;
        o.SetPopupVessa({QStringLiteral("url2=http://b.test/?q=1&r=2"), QStringLiteral("url1=http://a.test/"),
                         QStringLiteral("url3="), QStringLiteral("URL1=http://c.test/"),
                         QStringLiteral("no separator")});
        const QString key = TKWOptions::SettingsKey + QStringLiteral("\\PopupVessa");
        QCOMPARE(TRegistry().valueNames(key), (QStringList{"url2", "url1", "url3"}));
        QCOMPARE(stored(QStringLiteral("url2"), key), QStringLiteral("http://b.test/?q=1&r=2"));
        QCOMPARE(o.PopupVessa(), (QStringList{"url2=http://b.test/?q=1&r=2", "url1=http://c.test/"}));

        // Each list lives in its own subkey.
        o.SetLastOpenSites({QStringLiteral("url3=http://x.test/"), QStringLiteral("url1=http://y.test/")});
        o.SetSearchEngines({QStringLiteral("Web=http://s.test/?q=")});
        o.SetSearchBarList({QStringLiteral("Find=http://f.test/")});
        QCOMPARE(o.LastOpenSites(), (QStringList{"url3=http://x.test/", "url1=http://y.test/"}));
        QCOMPARE(stored(QStringLiteral("Web"), TKWOptions::SettingsKey + QStringLiteral("\\Search Engines")),
                 QStringLiteral("http://s.test/?q="));
        TRegistry().writeString(TKWOptions::SettingsKey + QStringLiteral("\\Search Combo"),
                                QStringLiteral("Combo"), QStringLiteral("http://c.test/"));
        QCOMPARE(o.SearchCombo(), QStringList{"Combo=http://c.test/"});

        // One entry added to "Search Bar" leaves the others; rewriting one keeps its place.
        o.AddSearchBarEntry(QStringLiteral("More"), QStringLiteral("http://m.test/"));
        o.AddSearchBarEntry(QStringLiteral("find"), QStringLiteral("http://g.test/"));
        QCOMPARE(o.SearchBarList(), (QStringList{"Find=http://g.test/", "More=http://m.test/"}));

        o.SetPopupVessa({});
        QVERIFY(!TRegistry().keyExists(key));
        QVERIFY(o.PopupVessa().isEmpty());
        QVERIFY(TRegistry().keyExists(TKWOptions::SettingsKey + QStringLiteral("\\Last Open Sites")));
    }

    void wrongTypesAreErrors()
    {
        TKWOptions o;
        TRegistry reg;
        reg.writeDword(TKWOptions::SettingsKey, QStringLiteral("TabsDown"), 1);
        reg.writeBinary(TKWOptions::SettingsKey, QStringLiteral("CtrlPre"), QByteArray("x"));
        reg.writeString(TKWOptions::SettingsKey, QStringLiteral("CtrlPost"), QStringLiteral(".at"), RegType::ExpandSz);
        QCOMPARE(errorOf([&] { o.TabsDown(); }), QStringLiteral("Invalid data type for 'TabsDown'"));
        QCOMPARE(errorOf([&] { o.CtrlPre(); }), QStringLiteral("Invalid data type for 'CtrlPre'"));
        QCOMPARE(o.CtrlPost(), QStringLiteral(".at"));

        const QString list = TKWOptions::SettingsKey + QStringLiteral("\\Search Engines");
        reg.writeString(list, QStringLiteral("Good"), QStringLiteral("http://g.test/"));
        reg.writeDword(list, QStringLiteral("Bad"), 3);
        QCOMPARE(errorOf([&] { o.SearchEngines(); }), QStringLiteral("Invalid data type for 'Bad'"));

        // The store stays usable after an error.
        o.SetTabsDown(false);
        QCOMPARE(o.TabsDown(), false);
    }

    void wrongTypesWithHandlerReadDefaults()
    {
        // With a handler the same values read as their defaults (a list skips the entry)
        // and each read hands the store's message to the handler.
        TRegistry reg;
        reg.writeDword(TKWOptions::SettingsKey, QStringLiteral("TabsDown"), 0);
        reg.writeBinary(TKWOptions::SettingsKey, QStringLiteral("LimitTitleLength"), QByteArray("9"));
        const QString list = TKWOptions::SettingsKey + QStringLiteral("\\Search Engines");
        reg.writeString(list, QStringLiteral("Good"), QStringLiteral("http://g.test/"));
        reg.writeDword(list, QStringLiteral("Bad"), 3);
        QStringList messages;
        TKWOptions o;
        o.SetWrongTypeHandler([&messages](const QString &message) { messages.append(message); });
        QCOMPARE(o.TabsDown(), true);
        QCOMPARE(o.LimitTitleLength(), 35);
        QCOMPARE(o.SearchEngines(), QStringList{QStringLiteral("Good=http://g.test/")});
        QCOMPARE(messages, (QStringList{QStringLiteral("Invalid data type for 'TabsDown'"),
                                        QStringLiteral("Invalid data type for 'LimitTitleLength'"),
                                        QStringLiteral("Invalid data type for 'Bad'")}));
    }

    void unusableHiveReadsDefaultsAndReportsWrites()
    {
        {
            QFile f(m_hive);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("not a registry hive at all, just some text\n").repeated(20));
        }
        QFile f(m_hive);
        f.open(QIODevice::ReadOnly);
        const QByteArray before = f.readAll();
        f.close();

        TKWOptions o;   // no error here
        QCOMPARE(o.Left(), 10);
        QCOMPARE(o.TabsDown(), true);
        QVERIFY(o.LastOpenSites().isEmpty());
        QCOMPARE(errorOf([&] { o.SetLeft(3); }), QStringLiteral("Failed to set data for 'Left'"));
        QCOMPARE(errorOf([&] { o.SetLastOpenSites({QStringLiteral("url1=x")}); }),
                 QStringLiteral("Failed to set data for 'Last Open Sites'"));
        f.open(QIODevice::ReadOnly);
        QCOMPARE(f.readAll(), before);
    }
};

TV_TEST_MAIN_CORE(TestKWOptions)
#include "tst_kwoptions.moc"
