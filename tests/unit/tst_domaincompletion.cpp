#include "testenv.h"

#include "app/kwoptions.h"
#include "navigation/domaincompletion.h"

#include <QtTest>

class TestDomainCompletion : public QObject {
    Q_OBJECT
private slots:
    void completesWithDefaults_data();
    void completesWithDefaults();
    void configuredSuffix_data();
    void configuredSuffix();
    void loadsStringsFromSettings();
};

void TestDomainCompletion::completesWithDefaults_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ctrl");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain Enter leaves a bare word") << "tabvane" << false << false << "tabvane";
    QTest::newRow("Ctrl") << "tabvane" << true << false << "http://www.tabvane.com";
    QTest::newRow("Shift") << "tabvane" << false << true << "http://www.tabvane.net";
    QTest::newRow("Ctrl+Shift") << "tabvane" << true << true << "http://www.tabvane.org";
    QTest::newRow("complete address unchanged") << "http://www.tabvane.com" << true << false
                                                << "http://www.tabvane.com";
    QTest::newRow("Shift keeps .org/ but adds prefix") << "tabvane.org/" << false << true
                                                        << "http://www.tabvane.org/";
    QTest::newRow("Shift keeps a .com ending") << "tabvane.com" << false << true
                                               << "http://www.tabvane.com";
    QTest::newRow("www. still gets the whole prefix") << "www.tabvane" << true << false
                                                      << "http://www.www.tabvane.com";
    QTest::newRow("prefix compared case-sensitively") << "HTTP://www.tabvane" << true << false
                                                      << "http://www.HTTP://www.tabvane.com";
    QTest::newRow("suffix compared case-sensitively") << "tabvane.COM" << true << false
                                                      << "http://www.tabvane.COM.com";
    QTest::newRow("blanks around the word dropped") << "  tabvane " << true << false
                                                    << "http://www.tabvane.com";
    QTest::newRow("empty box stays empty") << "" << true << true << "";
    QTest::newRow("blank box stays empty") << "   " << true << false << "";
}

void TestDomainCompletion::completesWithDefaults()
{
    QFETCH(QString, text);
    QFETCH(bool, ctrl);
    QFETCH(bool, shift);
    QFETCH(QString, expected);
    const TDomainCompletion completion;
    QCOMPARE(completion.Complete(text, ctrl, shift), expected);
}

void TestDomainCompletion::configuredSuffix_data()
{
    QTest::addColumn<QString>("pre");
    QTest::addColumn<QString>("post");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("two-level suffix already there") << "http://www." << ".co.uk" << "tabvane.co.uk"
                                                    << "http://www.tabvane.co.uk";
    QTest::newRow("two-level suffix on bare word") << "http://www." << ".co.uk" << "tabvane"
                                                   << "http://www.tabvane.co.uk";
    QTest::newRow("two-level suffix with slash") << "http://www." << ".co.uk" << "tabvane.co.uk/"
                                                 << "http://www.tabvane.co.uk/";
    QTest::newRow("empty prefix: suffix only") << "" << ".com" << "tabvane" << "tabvane.com";
    QTest::newRow("empty suffix: prefix only") << "https://" << "" << "tabvane" << "https://tabvane";
    QTest::newRow("both empty: text as typed") << "" << "" << " tabvane " << " tabvane ";
}

void TestDomainCompletion::configuredSuffix()
{
    QFETCH(QString, pre);
    QFETCH(QString, post);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(CompleteDomain(text, pre, post), expected);
}

void TestDomainCompletion::loadsStringsFromSettings()
{
    TKWOptions options;
    options.SetCtrlPre(QString());
    options.SetCtrlPost(QString());
    options.SetShiftPre(QStringLiteral("https://"));
    options.SetShiftPost(QStringLiteral(".de"));
    options.SetCtrlShiftPre(QStringLiteral("ftp://"));
    options.SetCtrlShiftPost(QStringLiteral(".info"));

    TDomainCompletion completion;
    completion.Load(options);
    // Empty Ctrl strings: Ctrl+Enter behaves as plain Enter.
    QCOMPARE(completion.Complete(QStringLiteral("tabvane"), true, false), QStringLiteral("tabvane"));
    QCOMPARE(completion.Complete(QStringLiteral("tabvane"), false, true),
             QStringLiteral("https://tabvane.de"));
    QCOMPARE(completion.Complete(QStringLiteral("tabvane"), true, true),
             QStringLiteral("ftp://tabvane.info"));
}

TV_TEST_MAIN_CORE(TestDomainCompletion)
#include "tst_domaincompletion.moc"
