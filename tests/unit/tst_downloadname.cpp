#include "testenv.h"

#include "browser/downloadlist.h"
#include "browser/downloadname.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

class TestDownloadName : public QObject {
    Q_OBJECT
private slots:
    void clean_data();
    void clean();
    void longNamesKeepTheirExtension_data();
    void longNamesKeepTheirExtension();
    void uniqueNeverNamesAnExistingFile();
    void listReadsBackWhatItWrote();
    void timeLeft_data();
    void timeLeft();
};

void TestDownloadName::clean_data()
{
    QTest::addColumn<QString>("suggested");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "report.pdf" << "report.pdf";
    QTest::newRow("folder separators") << "a/b\\c.txt" << "a_b_c.txt";
    QTest::newRow("climbing out") << "../../etc/passwd" << "_.._etc_passwd";
    QTest::newRow("absolute") << "/etc/passwd" << "_etc_passwd";
    QTest::newRow("dot dot") << ".." << "download";
    QTest::newRow("dot") << "." << "download";
    QTest::newRow("hidden file") << ".bashrc" << "bashrc";
    QTest::newRow("dots and blanks first") << " . .profile" << "profile";
    QTest::newRow("trailing dots") << "name..." << "name";
    QTest::newRow("control characters") << QString("a\nb\tc\x01" "d\x7f.txt") << "a_b_c_d_.txt";
    QTest::newRow("C1 control") << QString("x") + QChar(0x85) + "y" << "x_y";
    QTest::newRow("line separator") << QString("x") + QChar(0x2028) + "y" << "x_y";
    QTest::newRow("empty") << "" << "download";
    QTest::newRow("only blanks") << "   " << "download";
    QTest::newRow("only separators") << "///" << "___";
    QTest::newRow("non-ASCII kept") << "Übersicht – 日本.pdf" << "Übersicht – 日本.pdf";
}

void TestDownloadName::clean()
{
    QFETCH(QString, suggested);
    QFETCH(QString, expected);
    const QString cleaned = TDownloadName::Clean(suggested);
    QCOMPARE(cleaned, expected);
    // Whatever was suggested, the name joined to a folder names a file in that folder.
    QCOMPARE(QFileInfo(QDir("/tmp/chosen").filePath(cleaned)).absolutePath(), QStringLiteral("/tmp/chosen"));
}

void TestDownloadName::longNamesKeepTheirExtension_data()
{
    QTest::addColumn<QString>("suggested");
    QTest::addColumn<QString>("extension");
    QTest::newRow("300 ASCII") << QString(300, 'a') + ".tar" << ".tar";
    QTest::newRow("300 characters of 3 bytes") << QString(300, QChar(0x65E5)) + ".zip" << ".zip";
    QTest::newRow("surrogate pairs") << QString::fromUtf8("\xF0\x9F\x98\x80").repeated(150) + ".png" << ".png";
    QTest::newRow("long extension is no extension") << "x." + QString(300, 'e') << "";
}

void TestDownloadName::longNamesKeepTheirExtension()
{
    QFETCH(QString, suggested);
    QFETCH(QString, extension);
    const QString cleaned = TDownloadName::Clean(suggested);
    QVERIFY(cleaned.toUtf8().size() <= TDownloadName::MaxBytes);
    QVERIFY(cleaned.toUtf8().size() > TDownloadName::MaxBytes - 8);
    if (!extension.isEmpty())
        QVERIFY2(cleaned.endsWith(extension), qPrintable(cleaned));
    // No half character is left at the cut.
    QCOMPARE(QString::fromUtf8(cleaned.toUtf8()), cleaned);
    QVERIFY(!cleaned.back().isHighSurrogate());
    // Even the unique variant of it fits the file system.
    QVERIFY(TDownloadName::Unique("/nonexistent", cleaned).toUtf8().size() <= 255);
}

void TestDownloadName::uniqueNeverNamesAnExistingFile()
{
    QTemporaryDir dir;
    const auto touch = [&](const QString &name) {
        QFile f(QDir(dir.path()).filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    };
    QCOMPARE(TDownloadName::Unique(dir.path(), "a.zip"), QStringLiteral("a.zip"));
    touch("a.zip");
    QCOMPARE(TDownloadName::Unique(dir.path(), "a.zip"), QStringLiteral("a (1).zip"));
    touch("a (1).zip");
    QCOMPARE(TDownloadName::Unique(dir.path(), "a.zip"), QStringLiteral("a (2).zip"));
    touch("README");
    QCOMPARE(TDownloadName::Unique(dir.path(), "README"), QStringLiteral("README (1)"));
    // A folder of that name is taken too.
    QVERIFY(QDir(dir.path()).mkdir("data.bin"));
    QCOMPARE(TDownloadName::Unique(dir.path(), "data.bin"), QStringLiteral("data (1).bin"));
}

void TestDownloadName::listReadsBackWhatItWrote()
{
    QJsonArray rows;
    const auto row = [](const QString &url, const QString &path, const QString &state, const QString &error = {}) {
        QJsonObject o;
        o.insert("url", url);
        o.insert("path", path);
        o.insert("state", state);
        o.insert("received", 500.0);
        o.insert("total", 1000.0);
        if (!error.isEmpty())
            o.insert("error", error);
        return o;
    };
    rows.append(row("http://h/a.zip", "/d/a.zip", "completed"));
    rows.append(row("http://h/b.zip", "/d/b.zip", "failed", "Network error"));
    rows.append(row("http://h/c.zip", "/d/c.zip", "running"));
    rows.append(row("http://h/d.zip", "/d/d.zip", "paused"));
    rows.append(row("http://h/e.zip", "/d/e.zip", "cancelled"));
    // Damaged rows are skipped, the rest stays.
    rows.append(row("http://h/f.zip", "relative/f.zip", "completed"));
    rows.append(row("", "/d/g.zip", "completed"));
    rows.append(QJsonValue(42));

    TDownloadList list;
    list.FromJson(rows);
    QCOMPARE(list.Count(), 5);
    QCOMPARE(list.At(0).state, TDownloadState::Completed);
    QCOMPARE(list.At(0).FileName(), QStringLiteral("a.zip"));
    QCOMPARE(list.At(1).state, TDownloadState::Failed);
    QCOMPARE(list.At(1).error, QStringLiteral("Network error"));
    // A transfer that was running when the program ended cannot go on: it failed, and
    // may be tried again.
    QCOMPARE(list.At(2).state, TDownloadState::Failed);
    QCOMPARE(list.At(3).state, TDownloadState::Failed);
    QVERIFY(!list.At(2).error.isEmpty());
    QCOMPARE(list.At(4).state, TDownloadState::Cancelled);
    QCOMPARE(list.InProgressCount(), 0);

    TDownloadList again;
    again.FromJson(list.ToJson());
    QCOMPARE(again.Count(), 5);
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(again.At(i).url, list.At(i).url);
        QCOMPARE(again.At(i).path, list.At(i).path);
        QCOMPARE(again.At(i).state, list.At(i).state);
        QCOMPARE(again.At(i).error, list.At(i).error);
        QCOMPARE(again.At(i).received, qint64(500));
    }

    again.ClearFinished();
    QCOMPARE(again.Count(), 0);
}

void TestDownloadName::timeLeft_data()
{
    QTest::addColumn<qint64>("remaining");
    QTest::addColumn<double>("rate");
    QTest::addColumn<QString>("expected");
    QTest::newRow("unknown rate") << qint64(1000) << 0.0 << "";
    QTest::newRow("unknown size") << qint64(-1) << 100.0 << "";
    QTest::newRow("part of a second rounds up") << qint64(50) << 100.0 << "1 s left";
    QTest::newRow("59 s") << qint64(5900) << 100.0 << "59 s left";
    QTest::newRow("minutes") << qint64(150 * 1000) << 1000.0 << "3 min left";
    QTest::newRow("hours") << qint64(3600 * 2 + 600) << 1.0 << "2 h 10 min left";
    QTest::newRow("a trickle") << qint64(1) << 1e-9 << "more than 4 days left";
}

void TestDownloadName::timeLeft()
{
    QFETCH(qint64, remaining);
    QFETCH(double, rate);
    QFETCH(QString, expected);
    QCOMPARE(TDownloadText::TimeLeft(remaining, rate), expected);
}

TV_TEST_MAIN_CORE(TestDownloadName)
#include "tst_downloadname.moc"
