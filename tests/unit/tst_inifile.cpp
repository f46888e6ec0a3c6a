#include "testenv.h"

#include "platform/inifile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

class TestIniFile : public QObject {
    Q_OBJECT
private slots:
    void init();
    void readRules_data();
    void readRules();
    void sectionKeysAreUniqueInFileOrder();
    void keyBlockLimit();
    void writeStringReplacesInPlace();
    void writeSectionIsOneRewrite();
    void eraseSection();
    void lineBreaksCannotInjectLines();
    void failedWritesLeaveTheFile();
    void binaryJunkNeverCrashes();

private:
    QString put(const QByteArray &bytes);
    QByteArray contents() const;

    QTemporaryDir m_dir;
    QString m_path;
};

void TestIniFile::init()
{
    m_path = m_dir.filePath(QStringLiteral("test.ini"));
    QFile::remove(m_path);
}

QString TestIniFile::put(const QByteArray &bytes)
{
    QFile file(m_path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return m_path;
}

QByteArray TestIniFile::contents() const
{
    QFile file(m_path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void TestIniFile::readRules_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("blanks trimmed") << QByteArray("[S]\r\n  key \t=  some value  \r\n") << "S" << "key" << "some value";
    QTest::newRow("double quotes lost") << QByteArray("[S]\r\nk=\" padded \"\r\n") << "S" << "k" << " padded ";
    QTest::newRow("single quotes lost") << QByteArray("[S]\r\nk='x'\r\n") << "S" << "k" << "x";
    QTest::newRow("unpaired quote kept") << QByteArray("[S]\r\nk=\"x\r\n") << "S" << "k" << "\"x";
    QTest::newRow("mixed quotes kept") << QByteArray("[S]\r\nk=\"x'\r\n") << "S" << "k" << "\"x'";
    QTest::newRow("section and key without case") << QByteArray("[VessaGroup]\r\nNews=a\r\n") << " vessagroup " << "NEWS" << "a";
    QTest::newRow("first duplicate wins") << QByteArray("[S]\r\nk=first\r\nK=second\r\n") << "S" << "k" << "first";
    QTest::newRow("first duplicate section wins") << QByteArray("[S]\nk=1\n[T]\n[s]\nk=2\n") << "S" << "k" << "1";
    QTest::newRow("LF only") << QByteArray("[S]\na=1\nk=v\n") << "S" << "k" << "v";
    QTest::newRow("CR only") << QByteArray("[S]\ra=1\rk=v\r") << "S" << "k" << "v";
    QTest::newRow("no final line end") << QByteArray("[S]\r\nk=v") << "S" << "k" << "v";
    QTest::newRow("value keeps later =") << QByteArray("[S]\r\nk=a=b\r\n") << "S" << "k" << "a=b";
    QTest::newRow("other section") << QByteArray("[S]\r\n[T]\r\nk=v\r\n") << "S" << "k" << "(none)";
    QTest::newRow("before any section") << QByteArray("k=v\r\n[S]\r\n") << "S" << "k" << "(none)";
    QTest::newRow("no section at all") << QByteArray("k=v\r\n") << "S" << "k" << "(none)";
    QTest::newRow("line without =") << QByteArray("[S]\r\nk\r\n") << "S" << "k" << "(none)";
    QTest::newRow("UTF-8") << QByteArray("[S]\r\nk=caf\xc3\xa9\r\n") << "S" << "k" << QString::fromUtf8("caf\xc3\xa9");
    QTest::newRow("UTF-8 byte-order mark") << QByteArray("\xef\xbb\xbf[S]\r\nk=v\r\n") << "S" << "k" << "v";
    QTest::newRow("ANSI bytes") << QByteArray("[S]\r\nk=caf\xe9 \x80\r\n") << "S" << "k" << QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac");
    QTest::newRow("NULs dropped") << QByteArray("[S]\r\nk\0ey=v\0al\r\n", 16) << "S" << "key" << "val";
    QTest::newRow("over-long value") << (QByteArray("[S]\r\nk=") + QByteArray(3000, 'x') + "\r\n") << "S" << "k" << QString(2047, QLatin1Char('x'));
}

void TestIniFile::readRules()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    TIniFile ini(put(file));
    QCOMPARE(ini.ReadString(section, key, QStringLiteral("(none)")), expected);
    // The pair list agrees with single reads.
    const TIniPairs pairs = ini.ReadSectionPairs(section);
    QString fromPairs = QStringLiteral("(none)");
    for (const TIniPair &pair : pairs) {
        if (pair.first.compare(key.trimmed(), Qt::CaseInsensitive) == 0) {
            fromPairs = pair.second;
            break;
        }
    }
    QCOMPARE(fromPairs, expected);
    // A key read from the file is the key a write of it replaces.
    for (const TIniPair &pair : pairs) {
        QVERIFY(ini.WriteString(section, pair.first, QStringLiteral("new")));
        QCOMPARE(ini.ReadString(section, pair.first, QString()), QStringLiteral("new"));
        QCOMPARE(ini.ReadSectionKeys(section).size(), pairs.size());
    }
}

void TestIniFile::sectionKeysAreUniqueInFileOrder()
{
    TIniFile ini(put("[S]\r\nzeta=1\r\n; no equals here\r\nAlpha=2\r\nZETA=3\r\nmid=\r\n=orphan\r\n[T]\r\nx=1\r\n"));
    QCOMPARE(ini.ReadSectionKeys(QStringLiteral("s")),
             QStringList({QStringLiteral("zeta"), QStringLiteral("Alpha"), QStringLiteral("mid")}));
    QVERIFY(ini.SectionExists(QStringLiteral("T")));
    QVERIFY(!ini.SectionExists(QStringLiteral("U")));
}

void TestIniFile::keyBlockLimit()
{
    // 2000 keys of 9 characters take 20000 bytes with their NULs: only the ones that fit
    // in the 16384-byte block are read.
    QByteArray file("[S]\r\n");
    for (int i = 0; i < 2000; ++i)
        file += "key" + QByteArray::number(100000 + i) + "=v\r\n";
    const QStringList keys = TIniFile(put(file)).ReadSectionKeys(QStringLiteral("S"));
    QCOMPARE(keys.size(), (16384 - 1) / 10);
    QCOMPARE(keys.first(), QStringLiteral("key100000"));
    // A single key past the block is still read.
    QCOMPARE(TIniFile(m_path).ReadString(QStringLiteral("S"), QStringLiteral("key101999"), QString()),
             QStringLiteral("v"));
}

void TestIniFile::writeStringReplacesInPlace()
{
    put("; comment\n[A]\nx=1\nKey = old\ny=2\n\n[B]\nz=3\n");
    TIniFile ini(m_path);
    QVERIFY(ini.WriteString(QStringLiteral("a"), QStringLiteral("KEY"), QStringLiteral("new")));
    QVERIFY(ini.WriteString(QStringLiteral("A"), QStringLiteral("added"), QStringLiteral("4")));
    QVERIFY(ini.WriteString(QStringLiteral("C"), QStringLiteral("c"), QStringLiteral("5")));
    QCOMPARE(contents(), QByteArray("; comment\r\n[A]\r\nx=1\r\nKey=new\r\ny=2\r\nadded=4\r\n\r\n"
                                    "[B]\r\nz=3\r\n\r\n[C]\r\nc=5\r\n"));
    QCOMPARE(ini.ReadString(QStringLiteral("A"), QStringLiteral("key"), QString()), QStringLiteral("new"));

    // A new file is created; text is written as UTF-8.
    QFile::remove(m_path);
    QVERIFY(ini.WriteString(QStringLiteral("S"), QStringLiteral("k"), QString::fromUtf8("\xc3\xa9")));
    QCOMPARE(contents(), QByteArray("[S]\r\nk=\xc3\xa9\r\n"));
}

void TestIniFile::writeSectionIsOneRewrite()
{
    put("[Other]\r\na=1\r\n[S]\r\nold=1\r\n\r\n[s]\r\nstale=2\r\n[Tail]\r\nt=1\r\n");
    TIniFile ini(m_path);
    const TIniPairs pairs = {{QStringLiteral("b"), QStringLiteral("2")},
                             {QStringLiteral("a"), QStringLiteral("1")},
                             {QStringLiteral("B"), QStringLiteral("3")}};   // replaces b in place
    QVERIFY(ini.WriteSection(QStringLiteral("S"), pairs));
    QCOMPARE(contents(), QByteArray("[Other]\r\na=1\r\n[S]\r\nb=3\r\na=1\r\n\r\n[Tail]\r\nt=1\r\n"));
    // The temporary file was renamed over the file: nothing else is left in the folder.
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList(QStringLiteral("test.ini")));
}

void TestIniFile::eraseSection()
{
    put("[S]\r\nk=v\r\n[T]\r\nx=1\r\n");
    TIniFile ini(m_path);
    QVERIFY(ini.EraseSection(QStringLiteral("s")));
    QCOMPARE(contents(), QByteArray("[T]\r\nx=1\r\n"));
    QVERIFY(ini.WriteSection(QStringLiteral("T"), {}));
    QCOMPARE(contents(), QByteArray());

    // Erasing in a file that does not exist creates nothing.
    QFile::remove(m_path);
    QVERIFY(ini.EraseSection(QStringLiteral("S")));
    QVERIFY(!QFile::exists(m_path));
}

void TestIniFile::lineBreaksCannotInjectLines()
{
    TIniFile ini(m_path);
    QVERIFY(ini.WriteString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("a\r\n[Evil]\r\nx=y")));
    QVERIFY(!ini.SectionExists(QStringLiteral("Evil")));
    QCOMPARE(ini.ReadSectionKeys(QStringLiteral("S")), QStringList(QStringLiteral("k")));
    // Keys that would not read back as themselves are refused, and nothing is written.
    const QByteArray before = contents();
    QVERIFY(!ini.WriteString(QStringLiteral("S"), QStringLiteral("a=b"), QStringLiteral("v")));
    QVERIFY(!ini.WriteString(QStringLiteral("S"), QStringLiteral("[T]"), QStringLiteral("v")));
    QVERIFY(!ini.WriteSection(QStringLiteral("S"), {{QStringLiteral(" "), QStringLiteral("v")}}));
    QVERIFY(!ini.ErrorString().isEmpty());
    QCOMPARE(contents(), before);

    // Names are looked up as a write cleans them: a second write finds the first one's
    // section and key rather than adding a copy that reads would never reach.
    QVERIFY(ini.WriteString(QStringLiteral("T\nU"), QStringLiteral("k\0ey"), QStringLiteral("1")));
    QVERIFY(ini.WriteString(QStringLiteral("T\nU"), QStringLiteral("k\0ey"), QStringLiteral("2")));
    QCOMPARE(contents().count("[TU]"), 1);
    QCOMPARE(ini.ReadString(QStringLiteral("T\rU"), QStringLiteral("k\ney"), QString()), QStringLiteral("2"));
    QCOMPARE(ini.ReadSectionKeys(QStringLiteral("TU")), QStringList(QStringLiteral("key")));
}

void TestIniFile::failedWritesLeaveTheFile()
{
    // A folder that cannot be written: the write fails and reports it.
    TIniFile missing(m_dir.filePath(QStringLiteral("no/such/folder/x.ini")));
    QVERIFY(!missing.WriteString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v")));
    QVERIFY(missing.ErrorString().contains(QStringLiteral("x.ini")));

    // A path that cannot be read is not replaced by a file holding only the new key.
    const QString folder = m_dir.filePath(QStringLiteral("adir"));
    QDir().mkpath(folder);
    QFile(folder + QStringLiteral("/inside")).open(QIODevice::WriteOnly);
    TIniFile directory(folder);
    QVERIFY(!directory.WriteString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v")));
    QVERIFY(QFileInfo(folder).isDir());
    QVERIFY(QFile::exists(folder + QStringLiteral("/inside")));
}

void TestIniFile::binaryJunkNeverCrashes()
{
    QRandomGenerator random(4711);
    for (int round = 0; round < 50; ++round) {
        QByteArray junk(1 + random.bounded(4000), Qt::Uninitialized);
        for (char &c : junk)
            c = static_cast<char>(random.bounded(256));
        if (round % 2)
            junk.prepend("[S]\r\n");
        put(junk);
        TIniFile ini(m_path);
        ini.ReadSectionPairs(QStringLiteral("S"));
        ini.ReadString(QStringLiteral("S"), QStringLiteral("k"), QString());
        QVERIFY(ini.WriteString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v")));
        QCOMPARE(ini.ReadString(QStringLiteral("S"), QStringLiteral("k"), QString()), QStringLiteral("v"));
    }
}

TV_TEST_MAIN_CORE(TestIniFile)
#include "tst_inifile.moc"
