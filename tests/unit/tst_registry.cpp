#include <QtTest>

#include "platform/registry.h"
#include "testenv.h"

#include <QProcess>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdlib>
#include <functional>

namespace {

const QString Key = QStringLiteral("Software\\Test");

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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

// Child processes started by the tests below: the test executable itself with
// "--hive-child MODE HIVE ...". They run instead of the tests and exit.
int childMain(const QStringList &args)
{
    if (args.size() < 2)
        return 2;
    qputenv("TABVANE_REGISTRY", args[1].toLocal8Bit());
    TRegistry reg;
    QTextStream out(stdout);
    const QString mode = args[0];
    try {
        if (mode == QLatin1String("writer")) {
            // Writes until killed; a line is printed only once its writes have returned.
            for (int i = 0;; ++i) {
                reg.writeString(QStringLiteral("Software\\Kill"), QStringLiteral("v%1").arg(i),
                                QStringLiteral("data%1").arg(i));
                QList<RegValue> list;
                for (int e = 0; e < 30; ++e)
                    list << RegValue{QStringLiteral("e%1").arg(e), RegType::Sz, QString::number(i), 0, {}};
                reg.replaceValues(QStringLiteral("Software\\Kill\\List"), list);
                out << i << Qt::endl;
            }
        }
        if (mode == QLatin1String("rewriter")) {
            for (int i = 0; i < args.value(2).toInt(); ++i) {
                QList<RegValue> list;
                for (int e = 0; e < 40; ++e)
                    list << RegValue{QStringLiteral("e%1").arg(e), RegType::Sz, QString::number(i), 0, {}};
                reg.replaceValues(QStringLiteral("Software\\Atomic"), list);
            }
            return 0;
        }
        if (mode == QLatin1String("adder")) {
            for (int i = 0; i < args.value(3).toInt(); ++i)
                reg.writeString(QStringLiteral("Software\\Shared"), args[2] + QString::number(i), args[2]);
            return 0;
        }
    } catch (const RegistryError &e) {
        QTextStream(stderr) << e.message() << ": " << e.detail() << Qt::endl;
        return 1;
    }
    return 2;
}

// Children make their own test folders; TMPDIR puts those inside the parent's, which goes
// away with the parent's even when a child is killed.
QProcess *startChild(QObject *parent, const QString &tempDir, const QStringList &args)
{
    auto *p = new QProcess(parent);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), tempDir);
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--hive-child")} + args);
    return p;
}

} // namespace

class TestRegistry : public QObject {
    Q_OBJECT
public:
    TestRegistry()
    {
        const QStringList args = QCoreApplication::arguments();
        if (args.size() > 2 && args[1] == QLatin1String("--hive-child")) {
            std::exit(childMain(args.mid(2)));
        }
    }

private:
    QTemporaryDir m_dir;
    QString m_hive;
    int m_case = 0;

private Q_SLOTS:
    void init()
    {
        m_hive = m_dir.filePath(QStringLiteral("hive%1/registry.db").arg(++m_case));
        qputenv("TABVANE_REGISTRY", m_hive.toLocal8Bit());
    }

    void cleanup()
    {
        TRegistry::setBusyTimeout(5000);
        QFile::setPermissions(m_hive, QFile::ReadOwner | QFile::WriteOwner);
    }

    void hivePathFollowsEnvironment()
    {
        QCOMPARE(TRegistry::hivePath(), m_hive);
        qunsetenv("TABVANE_REGISTRY");
        QCOMPARE(TRegistry::hivePath(),
                 qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/tabvane/registry.db"));
        qputenv("TABVANE_REGISTRY", m_hive.toLocal8Bit());
    }

    void valuesKeepFirstWriteOrderAndCase()
    {
        TRegistry reg;
        reg.writeString(Key, QStringLiteral("Zeta"), QStringLiteral("1"));
        reg.writeString(Key, QStringLiteral("alpha"), QStringLiteral("2"));
        reg.writeString(Key, QStringLiteral("Mid"), QStringLiteral("3"));
        reg.writeString(QStringLiteral("\\SOFTWARE\\\\test\\"), QStringLiteral("ZETA"), QStringLiteral("4"));
        QCOMPARE(reg.valueNames(Key), (QStringList{"Zeta", "alpha", "Mid"}));
        QCOMPARE(reg.readValue(QStringLiteral("software\\test"), QStringLiteral("zeta")).text, QStringLiteral("4"));

        // A value deleted and written again goes to the end.
        reg.deleteValue(Key, QStringLiteral("ALPHA"));
        reg.writeString(Key, QStringLiteral("Alpha"), QStringLiteral("5"));
        reg.writeString(Key, QString(), QStringLiteral("default"));
        reg.writeString(Key, QStringLiteral("\u00c4rger"), QStringLiteral("6"));
        reg.writeString(Key, QStringLiteral("\u00e4RGER"), QStringLiteral("7"));
        QCOMPARE(reg.valueNames(Key), (QStringList{"Zeta", "Mid", "Alpha", "", "\u00c4rger"}));
        QCOMPARE(reg.readValue(Key, QString()).text, QStringLiteral("default"));
        QCOMPARE(reg.readValue(Key, QStringLiteral("\u00c4RGER")).text, QStringLiteral("7"));

        // Keys keep the case of their first write; the roots are apart.
        reg.createKey(QStringLiteral("SOFTWARE\\TEST\\Child"));
        QCOMPARE(reg.subKeyNames(QStringLiteral("software")), QStringList{"Test"});
        QCOMPARE(reg.tree(QStringLiteral("SOFTWARE\\test")).last().path, QStringLiteral("Software\\Test\\Child"));
        QVERIFY(!TRegistry(RegRoot::LocalMachine).keyExists(Key));
        QVERIFY(!TRegistry(RegRoot::ClassesRoot).valueExists(Key, QStringLiteral("Zeta")));
        // The hive is private to its owner.
        QCOMPARE(QFile::permissions(m_hive) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    }

    void valueTypesRoundTrip()
    {
        TRegistry reg;
        const QString text = QStringLiteral("a\u0000b \u20ac \U0001F600");
        reg.writeString(Key, QStringLiteral("sz"), text);
        reg.writeString(Key, QStringLiteral("expand"), QStringLiteral("%HOME%\\x"), RegType::ExpandSz);
        reg.writeDword(Key, QStringLiteral("dword"), 0xFFFFFFFFu);
        reg.writeBinary(Key, QStringLiteral("bin"), QByteArray("\x00\x01\xff", 3));
        reg.writeBinary(Key, QStringLiteral("empty"), QByteArray());
        reg.writeString(Key, QStringLiteral("blank"), QString());
        reg.writeValue(Key, RegValue{QStringLiteral("multi"), RegType::MultiSz, {}, 0, {}, {"a", "\u20ac b"}, 0});
        reg.writeValue(Key, RegValue{QStringLiteral("qword"), RegType::Qword, {}, 0, {}, {}, 0xFFFFFFFF00000001ull});

        QCOMPARE(reg.readValue(Key, QStringLiteral("sz")).text, text);
        const RegValue expand = reg.readValue(Key, QStringLiteral("expand"));
        QCOMPARE(expand.type, RegType::ExpandSz);
        QCOMPARE(expand.text, QStringLiteral("%HOME%\\x"));
        QCOMPARE(reg.readValue(Key, QStringLiteral("dword")).dword, 0xFFFFFFFFu);
        QCOMPARE(reg.readValue(Key, QStringLiteral("bin")).binary, QByteArray("\x00\x01\xff", 3));
        const RegValue empty = reg.readValue(Key, QStringLiteral("empty"));
        QVERIFY(empty.exists() && empty.type == RegType::Binary && empty.binary.isEmpty());
        QVERIFY(reg.valueExists(Key, QStringLiteral("blank")));
        const RegValue multi = reg.readValue(Key, QStringLiteral("multi"));
        QVERIFY(multi.type == RegType::MultiSz && multi.multi == (QStringList{"a", "\u20ac b"}));
        const RegValue qword = reg.readValue(Key, QStringLiteral("qword"));
        QVERIFY(qword.type == RegType::Qword && qword.qword == 0xFFFFFFFF00000001ull);
        QVERIFY(!reg.readValue(Key, QStringLiteral("missing")).exists());

        // A rewrite may change the type, and keeps the place.
        reg.writeDword(Key, QStringLiteral("sz"), 7);
        QCOMPARE(reg.values(Key).first().type, RegType::Dword);

        QCOMPARE(errorOf([&] { reg.writeString(Key, QStringLiteral("x"), QString(), RegType::Dword); }),
                 QStringLiteral("Invalid data type for 'x'"));
        QCOMPARE(errorOf([&] { reg.writeValue(Key, RegValue{QStringLiteral("y"), RegType::None, {}, 0, {}}); }),
                 QStringLiteral("Invalid data type for 'y'"));
        // An empty string would end a REG_MULTI_SZ list early.
        QCOMPARE(errorOf([&] { reg.writeValue(Key, RegValue{QStringLiteral("z"), RegType::MultiSz, {}, 0, {}, {"a", ""}, 0}); }),
                 QStringLiteral("Failed to set data for 'z'"));
        QVERIFY(!reg.valueExists(Key, QStringLiteral("x")));
        QVERIFY(!reg.valueExists(Key, QStringLiteral("z")));
    }

    void keysDeleteWithTheirSubtreeOnly()
    {
        TRegistry reg;
        for (const char *k : {"R\\A\\B\\C", "R\\AB", "R\\A]", "R\\A[", "R\\b", "R\\C"})
            reg.writeString(QLatin1String(k), QStringLiteral("v"), QLatin1String(k));
        reg.writeString(QStringLiteral("R\\A"), QStringLiteral("v"), QStringLiteral("A"));
        QCOMPARE(reg.subKeyNames(QStringLiteral("R")), (QStringList{"A", "A[", "A]", "AB", "b", "C"}));
        QCOMPARE(reg.tree(QStringLiteral("R\\A")).size(), 3);

        reg.deleteKey(QStringLiteral("r\\a"));
        QVERIFY(!reg.keyExists(QStringLiteral("R\\A")));
        QVERIFY(!reg.keyExists(QStringLiteral("R\\A\\B\\C")));
        QCOMPARE(reg.subKeyNames(QStringLiteral("R")), (QStringList{"A[", "A]", "AB", "b", "C"}));
        QCOMPARE(reg.readValue(QStringLiteral("R\\AB"), QStringLiteral("v")).text, QStringLiteral("R\\AB"));

        // Re-created keys start empty; the root cannot go.
        reg.createKey(QStringLiteral("R\\A\\B"));
        QVERIFY(reg.values(QStringLiteral("R\\A\\B")).isEmpty());
        reg.deleteKey(QStringLiteral("R\\Missing"));
        reg.deleteValue(QStringLiteral("R\\Missing"), QStringLiteral("v"));
        QVERIFY(!errorOf([&] { reg.deleteKey(QString()); }).isEmpty());
        QVERIFY(reg.keyExists(QStringLiteral("R\\C")));

        const QList<RegKeyContents> all = reg.tree(QString());
        QStringList paths;
        for (const RegKeyContents &k : all)
            paths << k.path;
        QCOMPARE(paths, (QStringList{"", "R", "R\\A", "R\\A\\B", "R\\A[", "R\\A]", "R\\AB", "R\\b", "R\\C"}));
    }

    void replaceValuesRewritesTheWholeList()
    {
        TRegistry reg;
        reg.writeString(QStringLiteral("L\\Sub"), QStringLiteral("old"), QStringLiteral("x"));
        reg.writeString(QStringLiteral("L"), QStringLiteral("old"), QStringLiteral("x"));
        reg.replaceValues(QStringLiteral("L"), {
            RegValue{QStringLiteral("b"), RegType::Sz, QStringLiteral("1"), 0, {}},
            RegValue{QStringLiteral("a"), RegType::Sz, QStringLiteral("2"), 0, {}},
            RegValue{QStringLiteral("B"), RegType::Sz, QStringLiteral("3"), 0, {}},
        });
        QCOMPARE(reg.valueNames(QStringLiteral("L")), (QStringList{"b", "a"}));
        QCOMPARE(reg.readValue(QStringLiteral("L"), QStringLiteral("b")).text, QStringLiteral("3"));
        QVERIFY(!reg.keyExists(QStringLiteral("L\\Sub")));

        // A failing line undoes the whole rewrite.
        const QString error = errorOf([&] {
            reg.replaceValues(QStringLiteral("L"), {RegValue{QStringLiteral("c"), RegType::Sz, {}, 0, {}},
                                                    RegValue{QStringLiteral("d"), RegType::None, {}, 0, {}}});
        });
        QCOMPARE(error, QStringLiteral("Failed to set data for 'L'"));
        QCOMPARE(reg.valueNames(QStringLiteral("L")), (QStringList{"b", "a"}));

        reg.replaceValues(QStringLiteral("L"), {});
        QVERIFY(!reg.keyExists(QStringLiteral("L")));
    }

    void readsDoNotCreateTheHive()
    {
        m_hive = m_dir.filePath(QStringLiteral("deep/er/registry.db"));
        qputenv("TABVANE_REGISTRY", m_hive.toLocal8Bit());
        TRegistry reg;
        QVERIFY(!reg.keyExists(Key));
        QVERIFY(!reg.readValue(Key, QStringLiteral("v")).exists());
        QVERIFY(reg.values(Key).isEmpty() && reg.subKeyNames(QString()).isEmpty());
        reg.deleteKey(Key);
        reg.deleteValue(Key, QStringLiteral("v"));
        QVERIFY(!QFileInfo::exists(QFileInfo(m_hive).path()));

        // An empty file is a hive nobody has written yet.
        QDir().mkpath(QFileInfo(m_hive).path());
        QFile(m_hive).open(QIODevice::WriteOnly);
        QVERIFY(!reg.keyExists(Key));
        reg.writeString(Key, QStringLiteral("v"), QStringLiteral("1"));
        QCOMPARE(reg.readValue(Key, QStringLiteral("v")).text, QStringLiteral("1"));
    }

    void damagedHiveGivesErrorsAndStaysUntouched_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("text file") << 0;
        QTest::newRow("another program's database") << 1;
    }

    void damagedHiveGivesErrorsAndStaysUntouched()
    {
        QFETCH(int, kind);
        QDir().mkpath(QFileInfo(m_hive).path());
        if (kind == 0) {
            QFile f(m_hive);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("[Settings]\nLeft=10\n").repeated(40));
        } else {
            sqlite3 *db = nullptr;
            sqlite3_open(QFile::encodeName(m_hive).constData(), &db);
            sqlite3_exec(db, "CREATE TABLE notes(text); INSERT INTO notes VALUES('mine')", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        }
        const QByteArray before = fileBytes(m_hive);
        TRegistry reg;
        QCOMPARE(errorOf([&] { reg.readValue(Key, QStringLiteral("Left")); }),
                 QStringLiteral("Failed to get data for 'Left'"));
        QCOMPARE(errorOf([&] { reg.writeString(Key, QStringLiteral("Left"), QStringLiteral("1")); }),
                 QStringLiteral("Failed to set data for 'Left'"));
        QCOMPARE(errorOf([&] { reg.createKey(Key); }),
                 QStringLiteral("Failed to create key HKEY_CURRENT_USER\\Software\\Test"));
        QVERIFY(!errorOf([&] { reg.replaceValues(Key, {}); }).isEmpty());
        try {
            reg.keyExists(Key);
            QFAIL("no error");
        } catch (const RegistryError &e) {
            QVERIFY(!e.detail().isEmpty());
        }
        QCOMPARE(fileBytes(m_hive), before);
    }

    void readOnlyHiveReadsButRefusesWrites()
    {
        TRegistry reg;
        reg.writeString(Key, QStringLiteral("v"), QStringLiteral("1"));
        QVERIFY(QFile::setPermissions(m_hive, QFile::ReadOwner | QFile::ReadGroup));
        QCOMPARE(reg.readValue(Key, QStringLiteral("v")).text, QStringLiteral("1"));
        QCOMPARE(errorOf([&] { reg.writeString(Key, QStringLiteral("v"), QStringLiteral("2")); }),
                 QStringLiteral("Failed to set data for 'v'"));
        QVERIFY(!errorOf([&] { reg.deleteKey(Key); }).isEmpty());
        QCOMPARE(reg.readValue(Key, QStringLiteral("v")).text, QStringLiteral("1"));
    }

    void lockedHiveTimesOutWithAnError()
    {
        TRegistry reg;
        reg.writeString(Key, QStringLiteral("v"), QStringLiteral("1"));
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(m_hive).constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
        TRegistry::setBusyTimeout(50);
        const QString writeError = errorOf([&] { reg.writeString(Key, QStringLiteral("v"), QStringLiteral("2")); });
        const QString readError = errorOf([&] { reg.readValue(Key, QStringLiteral("v")); });
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        QCOMPARE(writeError, QStringLiteral("Failed to set data for 'v'"));
        QCOMPARE(readError, QStringLiteral("Failed to get data for 'v'"));
        reg.writeString(Key, QStringLiteral("v"), QStringLiteral("3"));
        QCOMPARE(reg.readValue(Key, QStringLiteral("v")).text, QStringLiteral("3"));
    }

    void listRewriteIsSeenWholeByAnotherProcess()
    {
        TRegistry reg;
        QList<RegValue> initial;
        for (int e = 0; e < 40; ++e)
            initial << RegValue{QStringLiteral("e%1").arg(e), RegType::Sz, QStringLiteral("start"), 0, {}};
        reg.replaceValues(QStringLiteral("Software\\Atomic"), initial);

        QProcess *child = startChild(this, m_dir.path(), {QStringLiteral("rewriter"), m_hive, QStringLiteral("25")});
        QVERIFY(child->waitForStarted());
        int reads = 0;
        QSet<QString> generations;
        while (child->state() != QProcess::NotRunning || reads < 20) {
            const QList<RegValue> list = reg.values(QStringLiteral("Software\\Atomic"));
            QCOMPARE(list.size(), 40);
            for (const RegValue &v : list)
                QCOMPARE(v.text, list.first().text);
            generations << list.first().text;
            ++reads;
            QCoreApplication::processEvents();
        }
        QCOMPARE(child->exitCode(), 0);
        QCOMPARE(reg.values(QStringLiteral("Software\\Atomic")).first().text, QStringLiteral("24"));
        qInfo("%d reads saw %d generations of the list", reads, int(generations.size()));
    }

    void twoProcessesWriteAtOnce()
    {
        QProcess *a = startChild(this, m_dir.path(), {QStringLiteral("adder"), m_hive, QStringLiteral("a"), QStringLiteral("20")});
        QProcess *b = startChild(this, m_dir.path(), {QStringLiteral("adder"), m_hive, QStringLiteral("b"), QStringLiteral("20")});
        QVERIFY(a->waitForFinished(120000) && b->waitForFinished(120000));
        QCOMPARE(a->exitCode(), 0);
        QCOMPARE(b->exitCode(), 0);
        const QStringList names = TRegistry().valueNames(QStringLiteral("Software\\Shared"));
        QCOMPARE(names.size(), 40);
        // Each writer's own values stay in its write order.
        QStringList aNames = names.filter(QRegularExpression(QStringLiteral("^a")));
        QCOMPARE(aNames.first(), QStringLiteral("a0"));
        QCOMPARE(aNames.last(), QStringLiteral("a19"));
    }

    void killedWriterLeavesEveryReturnedWrite_data()
    {
        QTest::addColumn<int>("linesBeforeKill");
        QTest::addColumn<int>("delayMs");
        QTest::newRow("at once") << 2 << 0;
        QTest::newRow("a little later") << 3 << 7;
        QTest::newRow("later still") << 4 << 23;
    }

    void killedWriterLeavesEveryReturnedWrite()
    {
        QFETCH(int, linesBeforeKill);
        QFETCH(int, delayMs);
        QProcess *child = startChild(this, m_dir.path(), {QStringLiteral("writer"), m_hive});
        QVERIFY(child->waitForStarted());
        QByteArray output;
        while (output.count('\n') < linesBeforeKill && child->state() == QProcess::Running) {
            child->waitForReadyRead(10000);
            output += child->readAllStandardOutput();
        }
        QThread::msleep(delayMs);
        child->kill();
        QVERIFY(child->waitForFinished(10000));
        output += child->readAllStandardOutput();

        // Only complete lines count: they were printed after their writes returned.
        const QList<QByteArray> lines = output.left(output.lastIndexOf('\n')).split('\n');
        const int last = lines.last().toInt();
        QVERIFY(last >= linesBeforeKill - 1);

        TRegistry reg;
        for (int i = 0; i <= last; ++i) {
            QCOMPARE(reg.readValue(QStringLiteral("Software\\Kill"), QStringLiteral("v%1").arg(i)).text,
                     QStringLiteral("data%1").arg(i));
        }
        const QList<RegValue> list = reg.values(QStringLiteral("Software\\Kill\\List"));
        QCOMPARE(list.size(), 30);
        QVERIFY(list.first().text.toInt() >= last);
        for (const RegValue &v : list)
            QCOMPARE(v.text, list.first().text);

        sqlite3 *db = nullptr;
        sqlite3_open(QFile::encodeName(m_hive).constData(), &db);
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr);
        QCOMPARE(sqlite3_step(st), SQLITE_ROW);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))), QByteArray("ok"));
        sqlite3_finalize(st);
        sqlite3_close(db);
        reg.writeString(QStringLiteral("Software\\Kill"), QStringLiteral("after"), QStringLiteral("ok"));
    }
};

TV_TEST_MAIN_CORE(TestRegistry)
#include "tst_registry.moc"
