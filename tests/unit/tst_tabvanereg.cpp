#include <QtTest>

#include "platform/registry.h"
#include "testenv.h"

#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

Run reg(const QStringList &args, const QByteArray &input = QByteArray())
{
    QProcess p;
    p.start(qEnvironmentVariable("TABVANE_REG_EXE"), args);
    if (!p.waitForStarted())
        return Run();
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    return Run{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
               QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

const QString Ok = QStringLiteral("The operation completed successfully.\n");

// A readable form of a subtree: one line per key and per value.
QStringList dump(RegRoot root, const QString &key)
{
    QStringList lines;
    for (const RegKeyContents &k : TRegistry(root).tree(key)) {
        lines << QLatin1Char('[') + k.path + QLatin1Char(']');
        for (const RegValue &v : k.values) {
            lines << QStringLiteral("%1|%2|%3|%4|%5|%6|%7").arg(v.name).arg(int(v.type))
                         .arg(v.text, QString::number(v.dword), QString::fromLatin1(v.binary.toHex()),
                              v.multi.join(QLatin1Char('/')), QString::number(v.qword));
        }
    }
    return lines;
}

// The subtree below `key` as "name=TYPE:data" lines, "Sub\\name=..." for values of subkeys,
// "Sub\\" for a subkey without values.
QStringList contents(const QString &key)
{
    QStringList lines;
    for (const RegKeyContents &k : TRegistry().tree(key)) {
        const QString prefix = k.path.size() > key.size() ? k.path.mid(key.size() + 1) + QLatin1Char('\\') : QString();
        if (k.values.isEmpty() && !prefix.isEmpty())
            lines << prefix;
        for (const RegValue &v : k.values) {
            QString data;
            switch (v.type) {
            case RegType::Dword: data = QString::number(v.dword, 16); break;
            case RegType::Qword: data = QString::number(v.qword, 16); break;
            case RegType::Binary: data = QString::fromLatin1(v.binary.toHex()); break;
            case RegType::MultiSz: data = v.multi.join(QLatin1Char('/')); break;
            default: data = v.text; break;
            }
            const char *type[] = {"REG_NONE", "REG_SZ", "REG_EXPAND_SZ", "REG_BINARY", "REG_DWORD", "", "", "REG_MULTI_SZ",
                                  "", "", "", "REG_QWORD"};
            lines << prefix + v.name + QLatin1Char('=') + QLatin1String(type[int(v.type)]) + QLatin1Char(':') + data;
        }
    }
    return lines;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestTabvaneReg : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_hive;
    int m_case = 0;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QFileInfo(qEnvironmentVariable("TABVANE_REG_EXE")).isExecutable());
    }

    void init()
    {
        m_hive = m_dir.filePath(QStringLiteral("hive%1.db").arg(++m_case));
        qputenv("TABVANE_REGISTRY", m_hive.toLocal8Bit());
    }

    void addQueryDelete()
    {
        QCOMPARE(reg({"add", "HKCU\\Software\\T", "/v", "Name", "/d", "hello world"}).out, Ok);
        QCOMPARE(reg({"add", "hkey_current_user\\software\\t", "/v", "Count", "/t", "REG_DWORD", "/d", "0x1f"}).code, 0);
        QCOMPARE(reg({"ADD", "HKCU\\Software\\T", "/ve", "/d", "def"}).code, 0);
        QCOMPARE(reg({"add", "HKCU\\Software\\T\\Sub", "-v", "Bin", "/T", "reg_binary", "/d", "01ff"}).code, 0);
        QCOMPARE(reg({"add", "HKLM\\Software\\T", "/v", "Path", "/t", "REG_EXPAND_SZ", "/d", "%HOME%\\bin"}).code, 0);
        QCOMPARE(reg({"add", "HKCR\\.vgp"}).code, 0);
        QVERIFY(TRegistry(RegRoot::ClassesRoot).keyExists(QStringLiteral(".vgp")));

        Run r = reg({"query", "HKCU\\Software\\T"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("\nHKEY_CURRENT_USER\\Software\\T\n"
                                       "    Name    REG_SZ    hello world\n"
                                       "    Count    REG_DWORD    0x1f\n"
                                       "    (Default)    REG_SZ    def\n"
                                       "\n"
                                       "HKEY_CURRENT_USER\\Software\\T\\Sub\n"));
        QCOMPARE(reg({"query", "HKCU\\Software\\T", "/v", "COUNT"}).out,
                 QStringLiteral("\nHKEY_CURRENT_USER\\Software\\T\n    Count    REG_DWORD    0x1f\n\n"));
        QCOMPARE(reg({"query", "HKLM\\Software\\T", "/ve"}).out,
                 QStringLiteral("\nHKEY_LOCAL_MACHINE\\Software\\T\n    (Default)    REG_SZ    (value not set)\n\n"));
        r = reg({"query", "HKCU\\Software", "/s"});
        QCOMPARE(r.out, QStringLiteral("\nHKEY_CURRENT_USER\\Software\n"
                                       "\nHKEY_CURRENT_USER\\Software\\T\n"
                                       "    Name    REG_SZ    hello world\n"
                                       "    Count    REG_DWORD    0x1f\n"
                                       "    (Default)    REG_SZ    def\n"
                                       "\nHKEY_CURRENT_USER\\Software\\T\\Sub\n"
                                       "    Bin    REG_BINARY    01FF\n\n"));
        QCOMPARE(reg({"query", "HKLM\\Software\\T", "/v", "Path"}).out,
                 QStringLiteral("\nHKEY_LOCAL_MACHINE\\Software\\T\n    Path    REG_EXPAND_SZ    %HOME%\\bin\n\n"));

        TRegistry hkcu;
        QCOMPARE(reg({"delete", "HKCU\\Software\\T", "/v", "name", "/f"}).out, Ok);
        QCOMPARE(hkcu.valueNames(QStringLiteral("Software\\T")), (QStringList{"Count", ""}));
        QCOMPARE(reg({"delete", "HKCU\\Software\\T", "/va", "/f"}).code, 0);
        QVERIFY(hkcu.values(QStringLiteral("Software\\T")).isEmpty());
        QVERIFY(hkcu.keyExists(QStringLiteral("Software\\T\\Sub")));
        QCOMPARE(reg({"delete", "HKCU\\Software\\T", "/f"}).code, 0);
        QVERIFY(!hkcu.keyExists(QStringLiteral("Software\\T")));
        QVERIFY(TRegistry(RegRoot::LocalMachine).keyExists(QStringLiteral("Software\\T")));
    }

    void questionsNeedYes()
    {
        TRegistry hkcu;
        hkcu.writeString(QStringLiteral("Software\\Q"), QStringLiteral("v"), QStringLiteral("old"));
        const QStringList add = {"add", "HKCU\\Software\\Q", "/v", "v", "/d", "new"};

        Run r = reg(add);   // no answer on stdin means no
        QVERIFY(r.code != 0);
        QVERIFY(r.out.startsWith(QStringLiteral("Value v exists, overwrite(Yes/No)?")));
        QCOMPARE(reg(add, "no\n").code, 1);
        QCOMPARE(hkcu.readValue(QStringLiteral("Software\\Q"), QStringLiteral("v")).text, QStringLiteral("old"));
        QCOMPARE(reg(add, "maybe\nYes\n").code, 0);
        QCOMPARE(hkcu.readValue(QStringLiteral("Software\\Q"), QStringLiteral("v")).text, QStringLiteral("new"));

        QVERIFY(reg({"delete", "HKCU\\Software\\Q", "/v", "v"}).code != 0);
        QVERIFY(reg({"delete", "HKCU\\Software\\Q"}, "n\n").code != 0);
        QVERIFY(hkcu.valueExists(QStringLiteral("Software\\Q"), QStringLiteral("v")));
        QCOMPARE(reg({"delete", "HKCU\\Software\\Q"}, "y\n").code, 0);
        QVERIFY(!hkcu.keyExists(QStringLiteral("Software\\Q")));

        const QString file = m_dir.filePath(QStringLiteral("kept.reg"));
        writeFile(file, "keep me");
        QVERIFY(reg({"export", "HKCU\\Software", file}).code != 0);
        QCOMPARE(readAll(file), QByteArray("keep me"));
        QCOMPARE(reg({"export", "HKCU\\Software", file, "/y"}).code, 0);
        QVERIFY(readAll(file).startsWith("Windows Registry Editor Version 5.00\n"));
    }

    void exportImportRoundTrip()
    {
        TRegistry hkcu;
        const QString key = QStringLiteral("Software\\Odd");
        const QStringList names = {"a=b", "quote\"d", "back\\slash\\", "\u00fcn\u00efc\u00f8d\u00e9 \u20ac",
                                   "", "semi;colon", "[bracket]", "@"};
        for (const QString &n : names)
            hkcu.writeString(key, n, QStringLiteral("data of ") + n + QStringLiteral(" \"q\" \\e\\"));
        hkcu.writeString(key, QStringLiteral("expand"), QStringLiteral("%HOME%\\bin"), RegType::ExpandSz);
        hkcu.writeDword(key, QStringLiteral("dword"), 0xFFFFFFFFu);
        QByteArray bytes;
        for (int i = 0; i < 60; ++i)
            bytes.append(char(i * 7));
        hkcu.writeBinary(key, QStringLiteral("long binary"), bytes);
        hkcu.writeBinary(key, QStringLiteral("empty binary"), QByteArray());
        hkcu.writeString(key, QStringLiteral("lines"), QStringLiteral("one\r\ntwo\n"));
        hkcu.writeString(key, QStringLiteral("empty"), QString());
        RegValue multi{QStringLiteral("multi"), RegType::MultiSz, {}, 0, {}, {"one", "\u20ac two", "x"}, 0};
        hkcu.writeValue(key, multi);
        multi.name = QStringLiteral("no strings");
        multi.multi.clear();
        hkcu.writeValue(key, multi);
        hkcu.writeValue(key, RegValue{QStringLiteral("qword"), RegType::Qword, {}, 0, {}, {}, 0x8000000000000201ull});
        hkcu.writeString(key + QStringLiteral("\\Sub Key\\Deeper"), QStringLiteral("x"), QStringLiteral("y"));
        hkcu.createKey(key + QStringLiteral("\\Empty]Key"));
        hkcu.writeString(QStringLiteral("Software\\Other"), QStringLiteral("keep"), QStringLiteral("me"));
        const QStringList before = dump(RegRoot::CurrentUser, key);

        const QString file = m_dir.filePath(QStringLiteral("odd.reg"));
        QCOMPARE(reg({"export", "HKCU\\Software\\Odd", file}).code, 0);
        const QByteArray text = readAll(file);
        QVERIFY(text.startsWith("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Odd]\n"));
        QVERIFY(text.contains("\n\"a=b\"=\"data of a=b \\\"q\\\" \\\\e\\\\\"\n"));
        QVERIFY(text.contains("\n@=\"data of "));
        QVERIFY(text.contains("\n\"dword\"=dword:ffffffff\n"));
        QVERIFY(text.contains("\n\"expand\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,5c,00"));
        QVERIFY(text.contains(",\\\n  "));   // long binary data wraps
        QVERIFY(text.contains("\n\"qword\"=hex(b):01,02,00,00,00,00,00,80\n"));
        QVERIFY(text.contains("\n\"no strings\"=hex(7):00,00\n"));
        QStringDecoder utf8(QStringDecoder::Utf8);
        QVERIFY(QString(utf8(text)).contains(QStringLiteral("\"\u00fcn\u00efc\u00f8d\u00e9 \u20ac\"=")));
        QVERIFY(!utf8.hasError());

        hkcu.deleteKey(key);
        QCOMPARE(reg({"import", file}).out, Ok);
        QCOMPARE(dump(RegRoot::CurrentUser, key), before);
        QCOMPARE(hkcu.readValue(QStringLiteral("Software\\Other"), QStringLiteral("keep")).text, QStringLiteral("me"));
    }

    void importsWindowsEditorFiles_data()
    {
        QTest::addColumn<QString>("encoding");
        QTest::newRow("UTF-16LE with mark") << "utf16";
        QTest::newRow("UTF-8 with mark") << "utf8bom";
        QTest::newRow("UTF-8") << "utf8";
    }

    void importsWindowsEditorFiles()
    {
        QFETCH(QString, encoding);
        TRegistry hkcu;
        hkcu.writeString(QStringLiteral("Software\\Gone\\Child"), QStringLiteral("x"), QStringLiteral("y"));
        hkcu.writeString(QStringLiteral("Software\\W"), QStringLiteral("Old"), QStringLiteral("y"));
        hkcu.writeString(QStringLiteral("Software\\W"), QStringLiteral("Kept"), QStringLiteral("y"));

        const QString text = QStringLiteral(
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "; exported on another machine\r\n"
            "[HKEY_CURRENT_USER\\Software\\W]\r\n"
            "\"K\u00e9y\"=\"V\u00e4l \\\"quoted\\\"\"\r\n"
            "@=\"default\"\r\n"
            "\"bin\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
            "  17,18,19\r\n"
            "\"exp\"=hex(2):25,00,41,00,25,00,00,00\r\n"
            "\"dw\"=dword:0000002a\r\n"
            "\"q\"=hex(b):01,00,00,00,00,00,00,00\r\n"
            "\"old\"=-\r\n"
            "\r\n"
            "[-HKEY_CURRENT_USER\\Software\\Gone]\r\n"
            "\r\n"
            "[HKEY_USERS\\.DEFAULT\\Software]\r\n"
            "\"ignored\"=\"x\"\r\n");
        QByteArray bytes;
        if (encoding == QLatin1String("utf16"))
            bytes = QByteArray("\xff\xfe") + QByteArray(QStringEncoder(QStringEncoder::Utf16LE)(text));
        else
            bytes = (encoding == QLatin1String("utf8bom") ? QByteArray("\xef\xbb\xbf") : QByteArray()) + text.toUtf8();
        const QString file = m_dir.filePath(QStringLiteral("win.reg"));
        writeFile(file, bytes);

        const Run r = reg({"import", file});
        QCOMPARE(r.code, 0);
        QVERIFY(!r.err.contains(QStringLiteral("hex(b)")));
        QVERIFY(r.err.contains(QStringLiteral(":16: keys under HKEY_USERS are not kept")));
        const QString w = QStringLiteral("Software\\W");
        QCOMPARE(hkcu.valueNames(w), (QStringList{"Kept", "K\u00e9y", "", "bin", "exp", "dw", "q"}));
        QCOMPARE(hkcu.readValue(w, QStringLiteral("k\u00c9y")).text, QStringLiteral("V\u00e4l \"quoted\""));
        QCOMPARE(hkcu.readValue(w, QStringLiteral("bin")).binary.size(), 26);
        const RegValue exp = hkcu.readValue(w, QStringLiteral("exp"));
        QVERIFY(exp.type == RegType::ExpandSz && exp.text == QStringLiteral("%A%"));
        QCOMPARE(hkcu.readValue(w, QStringLiteral("dw")).dword, 42u);
        QCOMPARE(hkcu.readValue(w, QStringLiteral("q")).qword, 1ull);
        QVERIFY(!hkcu.keyExists(QStringLiteral("Software\\Gone")));
    }

    void importsRegedit4Files()
    {
        // The older format keeps strings in the ANSI code page, not UTF-16.
        const QString file = m_dir.filePath(QStringLiteral("old.reg"));
        writeFile(file, "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Old]\n\"e\"=hex(2):25,41,25,e9,00\n"
                        "\"s\"=\"caf\xe9\"\n");
        QCOMPARE(reg({"import", file}).code, 0);
        QCOMPARE(TRegistry().readValue(QStringLiteral("Software\\Old"), QStringLiteral("e")).text,
                 QStringLiteral("%A%\u00e9"));
        QCOMPARE(TRegistry().readValue(QStringLiteral("Software\\Old"), QStringLiteral("s")).text,
                 QStringLiteral("caf\u00e9"));
    }

    // Each row imports a file into a hive holding Software\T (old="x") and Software\T\Keep
    // (k="v"), then compares the subtree, the exit status and the lines reported as skipped.
    void importForms_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("tree");      // see contents(); "Keep\k=..." below T's values
        QTest::addColumn<int>("code");
        QTest::addColumn<QList<int>>("skipped");    // line numbers named on stderr
        const QByteArray head = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\T]\n";
        const QString old = QStringLiteral("old=REG_SZ:x");
        const QString keep = QStringLiteral("Keep\\k=REG_SZ:v");
        const QStringList same{old, keep};
        const auto with = [&](const QStringList &values) { return QStringList{old} + values + QStringList{keep}; };

        // Forms that Windows imports.
        QTest::newRow("# comment line") << head + "# note\n\"a\"=\"1\"\n" << with({"a=REG_SZ:1"}) << 0 << QList<int>();
        QTest::newRow("comment after dword") << head + "\"a\"=dword:0000001f ;note\n" << with({"a=REG_DWORD:1f"}) << 0 << QList<int>();
        QTest::newRow("comment after hex") << head + "\"a\"=hex:01,02 ;note\n" << with({"a=REG_BINARY:0102"}) << 0 << QList<int>();
        QTest::newRow("trailing comma in hex") << head + "\"a\"=hex:01,02,\n" << with({"a=REG_BINARY:0102"}) << 0 << QList<int>();
        QTest::newRow("comment after continuation") << head + "\"a\"=hex:01,\\ ;more\n  02\n\"b\"=\"2\"\n"
                                                    << with({"a=REG_BINARY:0102", "b=REG_SZ:2"}) << 0 << QList<int>();
        QTest::newRow("delete with comment") << head + "\"old\"=- ;gone\n" << QStringList{keep} << 0 << QList<int>();
        QTest::newRow("empty hex(4)") << head + "\"a\"=hex(4):\n" << with({"a=REG_DWORD:0"}) << 0 << QList<int>();
        QTest::newRow("file ends inside a continuation") << head + "\"a\"=hex:01,\\" << with({"a=REG_BINARY:01"}) << 0 << QList<int>();
        QTest::newRow("hex(7) multi-string") << head + "\"m\"=hex(7):61,00,00,00,62,00,63,00,00,00,00,00\n"
                                             << with({"m=REG_MULTI_SZ:a/bc"}) << 0 << QList<int>();
        QTest::newRow("empty hex(7)") << head + "\"m\"=hex(7):\n" << with({"m=REG_MULTI_SZ:"}) << 0 << QList<int>();
        QTest::newRow("hex(1) string ends at its first NUL") << head + "\"a\"=hex(1):41,00,00,00,00,00,00,00\n\"b\"=hex(2):41,00,00,00,42,00,00,00\n"
                                                            << with({"a=REG_SZ:A", "b=REG_EXPAND_SZ:A"}) << 0 << QList<int>();
        {
            const auto le = [](const QByteArray &text) { return QByteArray(QStringEncoder(QStringEncoder::Utf16LE)(QString::fromLatin1(text))); };
            QTest::newRow("UTF-16 with a lone surrogate") << QByteArray("\xff\xfe") + le(head + "\"a") + QByteArray("\x00\xdc", 2)
                                                               + le("\"=\"1\"\r\n\"b\"=hex(1):00,d8,41,00\r\n")
                                                          << with({QString::fromUtf8("a\xef\xbf\xbd=REG_SZ:1"),
                                                                   QString::fromUtf8("b=REG_SZ:\xef\xbf\xbd" "A")})
                                                          << 0 << QList<int>();
        }
        QTest::newRow("NUL in a quoted string") << head + QByteArray("\"a\"=\"x\0y\"\n", 10) << with({"a=REG_SZ:x"}) << 0 << QList<int>();
        QTest::newRow("REGEDIT4 hex(1) with NULs") << QByteArray("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\T]\n\"a\"=hex(1):41,00,00,00\n")
                                                   << with({"a=REG_SZ:A"}) << 0 << QList<int>();
        QTest::newRow("hex(b) qword") << head + "\"q\"=hex(b):01,02,00,00,00,00,00,80\n"
                                      << with({"q=REG_QWORD:8000000000000201"}) << 0 << QList<int>();

        // Lines Windows drops: the rest of the file still counts.
        QTest::newRow("bad dword line") << head + "\"b\"=dword:zz\n\"c\"=\"2\"\n" << with({"c=REG_SZ:2"}) << 0 << QList<int>{4};
        QTest::newRow("unterminated string") << head + "\"b\"=\"open\n\"c\"=\"2\"\n" << with({"c=REG_SZ:2"}) << 0 << QList<int>{4};
        QTest::newRow("bad hex") << head + "\"b\"=hex:01,zz\n\"c\"=\"2\"\n" << with({"c=REG_SZ:2"}) << 0 << QList<int>{4};
        QTest::newRow("unknown escape in data") << head + "\"b\"=\"a\\0b\"\n\"c\"=\"C:\\\\x\"\n" << with({"c=REG_SZ:C:\\x"}) << 0 << QList<int>{4};
        QTest::newRow("unknown escape in a name") << head + "\"b\\q\"=\"1\"\n\"c\"=\"2\"\n" << with({"c=REG_SZ:2"}) << 0 << QList<int>{4};
        QTest::newRow("lone backslash after hex:") << head + "\"b\"=hex:\\\n  01\n\"c\"=\"2\"\n" << with({"c=REG_SZ:2"}) << 0 << QList<int>{4};
        QTest::newRow("lone continuation line") << head + "\"b\"=hex:01,\\\n  \\\n  02\n\"c\"=\"2\"\n" << with({"c=REG_SZ:2"}) << 0 << QList<int>{4};
        QTest::newRow("unsupported hex type") << head + "\"b\"=hex(0):01\n\"c\"=\"2\"\n" << with({"c=REG_SZ:2"}) << 0 << QList<int>{4};
        QTest::newRow("hex(4) of two bytes") << head + "\"b\"=hex(4):01,02\n\"c\"=\"2\"\n" << with({"c=REG_SZ:2"}) << 0 << QList<int>{4};
        QTest::newRow("value before the first key") << QByteArray("REGEDIT4\n\"a\"=\"1\"\n[HKEY_CURRENT_USER\\Software\\T]\n\"c\"=\"2\"\n")
                                                    << with({"c=REG_SZ:2"}) << 0 << QList<int>{2};

        // Key lines Windows ignores, together with the values under them.
        QTest::newRow("blank after [") << head + "[ HKEY_CURRENT_USER\\Software\\T\\New]\n\"x\"=\"y\"\n" << same << 0 << QList<int>{4};
        QTest::newRow("blank after [-") << QByteArray("REGEDIT4\n[- HKEY_CURRENT_USER\\Software\\T\\Keep]\n") << same << 0 << QList<int>{2};
        QTest::newRow("key line without ]") << head + "[HKEY_CURRENT_USER\\Software\\T\\New\n\"x\"=\"y\"\n"
                                                      "[HKEY_CURRENT_USER\\Software\\T]\n\"c\"=\"2\"\n"
                                            << with({"c=REG_SZ:2"}) << 0 << QList<int>{4};
        QTest::newRow("unknown root") << head + "[HKEY_NOWHERE\\X]\n\"x\"=hex:01,\\\n 02\n[HKEY_CURRENT_USER\\Software\\T]\n\"c\"=\"2\"\n"
                                      << with({"c=REG_SZ:2"}) << 0 << QList<int>{4};
        QTest::newRow("root deletion") << QByteArray("REGEDIT4\n[-HKEY_CURRENT_USER]\n") << same << 0 << QList<int>{2};

        // No registry file at all: nothing changes.
        QTest::newRow("no header") << QByteArray("[HKEY_CURRENT_USER\\Software\\T]\n\"a\"=\"1\"\n") << same << 1 << QList<int>();
        QTest::newRow("UTF-16 without a byte order mark")
            << QByteArray(QStringEncoder(QStringEncoder::Utf16LE)(QString::fromUtf8(head + "\"a\"=\"1\"\n")))
            << same << 1 << QList<int>();
    }

    void importForms()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, tree);
        QFETCH(int, code);
        QFETCH(QList<int>, skipped);
        TRegistry hkcu;
        hkcu.writeString(QStringLiteral("Software\\T"), QStringLiteral("old"), QStringLiteral("x"));
        hkcu.writeString(QStringLiteral("Software\\T\\Keep"), QStringLiteral("k"), QStringLiteral("v"));
        const QString path = m_dir.filePath(QStringLiteral("forms.reg"));
        writeFile(path, file);

        const Run r = reg({"import", path});
        QCOMPARE(r.code, code);
        QCOMPARE(contents(QStringLiteral("Software\\T")), tree);
        const QStringList warnings = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (code == 0) {
            QCOMPARE(warnings.size(), skipped.size());
            for (int i = 0; i < skipped.size(); ++i)
                QVERIFY2(warnings[i].contains(QStringLiteral("%1:%2: ").arg(path).arg(skipped[i])), qPrintable(r.err));
        } else {
            QVERIFY(!r.err.isEmpty());
        }
    }

    void helpSwitches_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("/?") << QStringList{"/?"};
        QTest::newRow("/h") << QStringList{"/h"};
        QTest::newRow("-h") << QStringList{"-h"};
        QTest::newRow("add /?") << QStringList{"add", "/?"};
        QTest::newRow("query KEY /h") << QStringList{"query", "HKCU\\Software", "/h"};
    }

    void helpSwitches()
    {
        QFETCH(QStringList, args);
        const Run r = reg(args);
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.startsWith(QStringLiteral("Usage: tabvane-reg")), qPrintable(r.out + r.err));
    }

    void multiStringsQwordsAndDefaults()
    {
        TRegistry hkcu;
        const QString a = QStringLiteral("Software\\A");
        // Without a value switch the key gets an empty (Default) string.
        QCOMPARE(reg({"add", "HKCU\\Software\\A"}).code, 0);
        const RegValue def = hkcu.readValue(a, QString());
        QVERIFY(def.type == RegType::Sz && def.text.isEmpty());

        QCOMPARE(reg({"add", "HKCU\\Software\\A", "/v", "m", "/t", "REG_MULTI_SZ", "/d", "fax\\0mail\\0"}).code, 0);
        QCOMPARE(hkcu.readValue(a, QStringLiteral("m")).multi, (QStringList{"fax", "mail"}));
        QCOMPARE(reg({"add", "HKCU\\Software\\A", "/v", "s", "/t", "REG_MULTI_SZ", "/s", ",", "/d", "a\\0,b"}).code, 0);
        QCOMPARE(hkcu.readValue(a, QStringLiteral("s")).multi, (QStringList{"a\\0", "b"}));
        QCOMPARE(reg({"add", "HKCU\\Software\\A", "/v", "q", "/t", "REG_QWORD", "/d", "0xFFFFFFFFFFFFFFFF"}).code, 0);
        QCOMPARE(hkcu.readValue(a, QStringLiteral("q")).qword, ~quint64(0));

        QCOMPARE(reg({"query", "HKCU\\Software\\A"}).out,
                 QStringLiteral("\nHKEY_CURRENT_USER\\Software\\A\n"
                                "    (Default)    REG_SZ    \n"
                                "    m    REG_MULTI_SZ    fax\\0mail\n"
                                "    s    REG_MULTI_SZ    a\\0\\0b\n"
                                "    q    REG_QWORD    0xffffffffffffffff\n\n"));
        // A key of subkeys alone lists just their names.
        hkcu.createKey(QStringLiteral("Software\\B"));
        QCOMPARE(reg({"query", "HKCU\\Software"}).out,
                 QStringLiteral("\nHKEY_CURRENT_USER\\Software\\A\nHKEY_CURRENT_USER\\Software\\B\n"));
    }

    void badInputChangesNothing_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("file");   // written to bad.reg when given
        const QByteArray head = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\New]\n\"a\"=\"1\"\n";
        QTest::newRow("no operation") << QStringList() << QByteArray();
        QTest::newRow("unknown operation") << QStringList{"frobnicate"} << QByteArray();
        QTest::newRow("add without key") << QStringList{"add"} << QByteArray();
        QTest::newRow("unknown root") << QStringList{"add", "HKXX\\Software", "/f"} << QByteArray();
        QTest::newRow("remote key") << QStringList{"add", "\\\\host\\HKCU\\Software", "/f"} << QByteArray();
        QTest::newRow("/v without name") << QStringList{"add", "HKCU\\S", "/v"} << QByteArray();
        QTest::newRow("/v and /ve") << QStringList{"add", "HKCU\\S", "/v", "a", "/ve", "/f"} << QByteArray();
        QTest::newRow("bad dword") << QStringList{"add", "HKCU\\S", "/v", "a", "/t", "REG_DWORD", "/d", "12abc", "/f"} << QByteArray();
        QTest::newRow("dword too big") << QStringList{"add", "HKCU\\S", "/v", "a", "/t", "REG_DWORD", "/d", "4294967296", "/f"} << QByteArray();
        QTest::newRow("bad binary") << QStringList{"add", "HKCU\\S", "/v", "a", "/t", "REG_BINARY", "/d", "abc", "/f"} << QByteArray();
        QTest::newRow("unsupported type") << QStringList{"add", "HKCU\\S", "/v", "a", "/t", "REG_NONE", "/d", "x", "/f"} << QByteArray();
        QTest::newRow("dword without data") << QStringList{"add", "HKCU\\S", "/v", "a", "/t", "REG_DWORD", "/f"} << QByteArray();
        QTest::newRow("qword without data") << QStringList{"add", "HKCU\\S", "/v", "a", "/t", "REG_QWORD", "/f"} << QByteArray();
        QTest::newRow("qword too big") << QStringList{"add", "HKCU\\S", "/v", "a", "/t", "REG_QWORD", "/d", "18446744073709551616", "/f"} << QByteArray();
        QTest::newRow("multi-string with an empty string") << QStringList{"add", "HKCU\\S", "/v", "a", "/t", "REG_MULTI_SZ", "/d", "a\\0\\0b", "/f"} << QByteArray();
        QTest::newRow("separator without REG_MULTI_SZ") << QStringList{"add", "HKCU\\S", "/v", "a", "/s", ",", "/d", "x", "/f"} << QByteArray();
        QTest::newRow("/f twice") << QStringList{"add", "HKCU\\S", "/v", "a", "/f", "/f"} << QByteArray();
        QTest::newRow("/ve twice") << QStringList{"add", "HKCU\\S", "/ve", "/ve", "/f"} << QByteArray();
        QTest::newRow("/s twice") << QStringList{"query", "HKCU\\Software\\Base", "/s", "/s"} << QByteArray();
        QTest::newRow("switch before the key") << QStringList{"add", "/f", "HKCU\\S"} << QByteArray();
        QTest::newRow("/y before the file") << QStringList{"export", "HKCU\\Software", "/y", "x.reg"} << QByteArray();
        QTest::newRow("key ending in a backslash") << QStringList{"add", "HKCU\\", "/v", "a", "/f"} << QByteArray();
        QTest::newRow("key with an empty part") << QStringList{"add", "HKCU\\Software\\\\S", "/v", "a", "/f"} << QByteArray();
        QTest::newRow("delete root") << QStringList{"delete", "HKCU", "/f"} << QByteArray();
        QTest::newRow("delete missing") << QStringList{"delete", "HKCU\\Missing", "/f"} << QByteArray();
        QTest::newRow("query missing") << QStringList{"query", "HKCU\\Software\\Base", "/v", "nope"} << QByteArray();
        QTest::newRow("export without file") << QStringList{"export", "HKCU\\Software"} << QByteArray();
        QTest::newRow("export to a missing folder") << QStringList{"export", "HKCU\\Software", "/no/such/dir/x.reg"} << QByteArray();
        QTest::newRow("import missing file") << QStringList{"import", "/no/such/file.reg"} << QByteArray();
        QTest::newRow("no header") << QStringList{"import"} << QByteArray("[HKEY_CURRENT_USER\\Software\\New]\n\"a\"=\"1\"\n");
        QTest::newRow("UTF-16 without a byte order mark") << QStringList{"import"}
            << QByteArray(QStringEncoder(QStringEncoder::Utf16LE)(QString::fromUtf8(head)));
    }

    void badInputChangesNothing()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, file);
        TRegistry().writeString(QStringLiteral("Software\\Base"), QStringLiteral("v"), QStringLiteral("1"));
        if (!file.isEmpty()) {
            const QString path = m_dir.filePath(QStringLiteral("bad.reg"));
            writeFile(path, file);
            args << path;
        }
        const QByteArray before = readAll(m_hive);
        const Run r = reg(args);
        QVERIFY2(r.code > 0, qPrintable(r.out));
        QVERIFY(!r.err.trimmed().isEmpty());
        QCOMPARE(readAll(m_hive), before);
        QVERIFY(!TRegistry().keyExists(QStringLiteral("Software\\New")));
    }
};

TV_TEST_MAIN_CORE(TestTabvaneReg)
#include "tst_tabvanereg.moc"
