#include "testenv.h"

#include "navigation/shautocomplete.h"

#include <QtTest>

class TestIE4Complete : public QObject {
    Q_OBJECT
private slots:
    void completes_data();
    void completes();
};

void TestIE4Complete::completes_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("consumed");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("selStart");

    const QStringList list{ QStringLiteral("ftp://files.example/"),
                            QStringLiteral("http://www.Example.com/"),
                            QStringLiteral("http://www.other.org/") };

    QTest::newRow("w shows the entry without http://") << list << "" << 0 << "w" << true << 1
                                                       << "www.Example.com/" << 1;
    QTest::newRow("h shows the entry itself") << list << "" << 0 << "h" << true << 1
                                              << "http://www.Example.com/" << 1;
    QTest::newRow("case-insensitive find keeps the entry's case")
        << list << "HTTP://W" << 8 << "W" << true << 1 << "http://www.Example.com/" << 9;
    QTest::newRow("matching entry further down") << list << "http://www." << 11 << "o" << true << 2
                                                   << "http://www.other.org/" << 12;
    QTest::newRow("own entry beats the http:// search")
        << QStringList{ QStringLiteral("http://www.plain.net/"), QStringLiteral("www.plain.net") } << "" << 0
        << "w" << true << 1 << "www.plain.net" << 1;
    QTest::newRow("text after the caret is replaced")
        << list << "fzzz" << 1 << "t" << true << 0 << "ftp://files.example/" << 2;
    QTest::newRow("no match types normally") << list << "qq" << 2 << "q" << false << -1 << "" << 0;
    QTest::newRow("prefix longer than 6 searches http:// + prefix")
        << QStringList{ QStringLiteral("http://http://odd/") } << "http://" << 7 << "o" << true << 0
        << "http://odd/" << 8;
    QTest::newRow("control character never completes") << list << "" << 0 << "\b" << false << -1 << "" << 0;
    QTest::newRow("empty list") << QStringList() << "" << 0 << "w" << false << -1 << "" << 0;
    QTest::newRow("caret beyond text is clamped") << list << "w" << 99 << "w" << true << 1
                                                  << "www.Example.com/" << 2;
}

void TestIE4Complete::completes()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(QString, typed);
    QFETCH(bool, consumed);
    QFETCH(int, index);
    QFETCH(QString, shown);
    QFETCH(int, selStart);

    const TIE4Completion result = IE4Complete(entries, text, caret, typed.at(0));
    QCOMPARE(result.consumed, consumed);
    QCOMPARE(result.index, index);
    if (!consumed)
        return;
    QCOMPARE(result.text, shown);
    QCOMPARE(result.selStart, selStart);
    QCOMPARE(result.selStart + result.selLength, int(shown.size()));
}

TV_TEST_MAIN_CORE(TestIE4Complete)
#include "tst_ie4complete.moc"
