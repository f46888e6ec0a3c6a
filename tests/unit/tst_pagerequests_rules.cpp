// The decisions behind what pages ask of the browser, without a display: the rule that
// stops a page's dialog flood, certificate errors in plain words and the run's accepted
// certificates, and the answers remembered per site.

#include "testenv.h"

#include "platform/certificateerrors.h"
#include "platform/registry.h"
#include "platform/scriptdialogs.h"
#include "platform/sitepermissions.h"

#include <QtTest>

Q_DECLARE_METATYPE(TPermissionAnswer)

class TestPageRequestRules : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void dialogFlood_data();
    void dialogFlood();
    void suppressedDialogsLetThePageGo();
    void certificateProblemInPlainWords_data();
    void certificateProblemInPlainWords();
    void acceptedCertificatesAreForThatHostAndCertificateOnly();
    void siteOfAnOrigin_data();
    void siteOfAnOrigin();
    void storedAnswers_data();
    void storedAnswers();
    void rememberedAnswersPerSite();
};

// A page's dialogs as a script: "o<ms>" a dialog opens (expect the offer or not: "o+" /
// "o-"), "c<ms>" it closes, "s<ms>" it closes with the offer ticked, "n" the page navigates.
void TestPageRequestRules::dialogFlood_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("suppressedAtEnd");
    QTest::newRow("first dialog has no offer") << QStringList{"o-0", "c10"} << false;
    QTest::newRow("second within the window offers") << QStringList{"o-0", "c10", "o+1000"} << false;
    QTest::newRow("second after a long pause does not")
            << QStringList{"o-0", "c10", "o-3011"} << false;
    QTest::newRow("window counts from the close, not the open")
            << QStringList{"o-0", "c60000", "o+62000"} << false;
    QTest::newRow("ticking the offer suppresses") << QStringList{"o-0", "c10", "o+20", "s30"} << true;
    QTest::newRow("closing without the tick does not") << QStringList{"o-0", "c10", "o+20", "c30"} << false;
    QTest::newRow("navigation ends suppression and the window")
            << QStringList{"o-0", "c10", "o+20", "s30", "n", "o-40"} << false;
    QTest::newRow("a clock going back offers nothing") << QStringList{"o-5000", "c5000", "o-100"} << false;
}

void TestPageRequestRules::dialogFlood()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, suppressedAtEnd);
    TDialogFloodGuard guard;
    for (const QString &step : steps) {
        if (step == QLatin1String("n")) {
            guard.Reset();
        } else if (step.startsWith(QLatin1Char('o'))) {
            QCOMPARE(guard.OfferStop(step.mid(2).toLongLong()), step.at(1) == QLatin1Char('+'));
        } else {
            guard.Closed(step.mid(1).toLongLong(), step.at(0) == QLatin1Char('s'));
        }
    }
    QCOMPARE(guard.Suppressed(), suppressedAtEnd);
}

void TestPageRequestRules::suppressedDialogsLetThePageGo()
{
    // Alert: OK; confirm and prompt: Cancel; the leave-page question lets the user leave.
    QVERIFY(TDialogFloodGuard::AutomaticAnswer(TScriptDialogKind::Alert));
    QVERIFY(!TDialogFloodGuard::AutomaticAnswer(TScriptDialogKind::Confirm));
    QVERIFY(!TDialogFloodGuard::AutomaticAnswer(TScriptDialogKind::Prompt));
    QVERIFY(TDialogFloodGuard::AutomaticAnswer(TScriptDialogKind::LeavePage));
    QVERIFY(IsLeavePageQuestion(
            QStringLiteral("Are you sure you want to leave this page? Changes that you made may not be saved.")));
    QVERIFY(!IsLeavePageQuestion(QStringLiteral("Leave?")));
    QCOMPARE(ScriptDialogCaption(QString()), QStringLiteral("This page"));
    QCOMPARE(ScriptDialogCaption(QStringLiteral("127.0.0.1")), QStringLiteral("127.0.0.1"));
}

void TestPageRequestRules::certificateProblemInPlainWords_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("selfSigned");
    QTest::addColumn<QString>("words");
    QTest::newRow("expired") << -201 << false << "expired";
    QTest::newRow("wrong host") << -200 << false << "different site";
    QTest::newRow("self-signed") << -202 << true << "self-signed";
    QTest::newRow("unknown issuer") << -202 << false << "not trusted";
    QTest::newRow("revoked") << -206 << false << "revoked";
    QTest::newRow("unknown code") << -299 << false << "-299";
}

void TestPageRequestRules::certificateProblemInPlainWords()
{
    QFETCH(int, code);
    QFETCH(bool, selfSigned);
    QFETCH(QString, words);
    QVERIFY2(CertificateProblemText(code, selfSigned).contains(words), qPrintable(CertificateProblemText(code, selfSigned)));
}

void TestPageRequestRules::acceptedCertificatesAreForThatHostAndCertificateOnly()
{
    TCertificateExceptions::Clear();
    TCertificateExceptions::Allow(QStringLiteral("Example.COM"), "digest-a");
    QVERIFY(TCertificateExceptions::IsAllowed(QStringLiteral("example.com"), "digest-a"));
    QVERIFY(!TCertificateExceptions::IsAllowed(QStringLiteral("example.com"), "digest-b"));   // a new certificate asks again
    QVERIFY(!TCertificateExceptions::IsAllowed(QStringLiteral("other.example"), "digest-a"));
    QVERIFY(!TCertificateExceptions::IsAllowed(QStringLiteral("example.com"), QByteArray()));
    QVERIFY(TCertificateExceptions::HostHasException(QStringLiteral("EXAMPLE.com")));
    QVERIFY(!TCertificateExceptions::HostHasException(QString()));
    TCertificateExceptions::Allow(QString(), "digest-a");   // no host: nothing
    QVERIFY(!TCertificateExceptions::HostHasException(QString()));
    TCertificateExceptions::Clear();

    // The page escapes what the site could put into its address.
    const QString html = TCertificatePage::Html(QStringLiteral("a<b>"), QStringLiteral("p&q"),
                                                QStringLiteral("https://x/\"><script>"), true);
    QVERIFY(!html.contains(QLatin1String("<script>")));
    QVERIFY(html.contains(QLatin1String("a&lt;b&gt;")));
    QVERIFY(html.contains(QLatin1String("cmdContinue")));
    QVERIFY(!TCertificatePage::Html(QStringLiteral("h"), QString(), QString(), false).contains(QLatin1String("cmdContinue")));
}

void TestPageRequestRules::siteOfAnOrigin_data()
{
    QTest::addColumn<QString>("origin");
    QTest::addColumn<QString>("site");
    QTest::newRow("default https port") << "https://Example.com:443/path?q" << "https://example.com";
    QTest::newRow("default http port") << "http://example.com:80" << "http://example.com";
    QTest::newRow("other port kept") << "http://127.0.0.1:8080/a.html" << "http://127.0.0.1:8080";
    QTest::newRow("https on port 80") << "https://example.com:80" << "https://example.com:80";
    QTest::newRow("file") << "file:///home/u/a.html" << "file://";
    QTest::newRow("no scheme") << "example.com" << "";
}

void TestPageRequestRules::siteOfAnOrigin()
{
    QFETCH(QString, origin);
    QFETCH(QString, site);
    QCOMPARE(TSitePermissions::SiteOf(QUrl(origin)), site);
}

void TestPageRequestRules::storedAnswers_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<quint32>("dword");
    QTest::addColumn<TPermissionAnswer>("answer");
    QTest::newRow("allow") << int(RegType::Dword) << 1u << TPermissionAnswer::Allow;
    QTest::newRow("block") << int(RegType::Dword) << 2u << TPermissionAnswer::Block;
    QTest::newRow("other number asks") << int(RegType::Dword) << 7u << TPermissionAnswer::Ask;
    QTest::newRow("zero asks") << int(RegType::Dword) << 0u << TPermissionAnswer::Ask;
    QTest::newRow("text asks") << int(RegType::Sz) << 1u << TPermissionAnswer::Ask;
    QTest::newRow("missing asks") << int(RegType::None) << 1u << TPermissionAnswer::Ask;
}

void TestPageRequestRules::storedAnswers()
{
    QFETCH(int, type);
    QFETCH(quint32, dword);
    QFETCH(TPermissionAnswer, answer);
    RegValue v;
    v.type = RegType(type);
    v.dword = dword;
    v.text = QStringLiteral("1");
    QCOMPARE(TSitePermissions::AnswerOf(v), answer);
}

void TestPageRequestRules::rememberedAnswersPerSite()
{
    const QUrl site(QStringLiteral("http://127.0.0.1:8080/page.html"));
    const QUrl samePlace(QStringLiteral("HTTP://127.0.0.1:8080/other"));
    const QUrl otherPort(QStringLiteral("http://127.0.0.1:8081/"));
    QCOMPARE(TSitePermissions::Lookup(site, TSiteFeature::Camera), TPermissionAnswer::Ask);
    TSitePermissions::Remember(site, TSiteFeature::Camera, TPermissionAnswer::Block);
    TSitePermissions::Remember(site, TSiteFeature::Location, TPermissionAnswer::Allow);
    QCOMPARE(TSitePermissions::Lookup(samePlace, TSiteFeature::Camera), TPermissionAnswer::Block);
    QCOMPARE(TSitePermissions::Lookup(samePlace, TSiteFeature::Location), TPermissionAnswer::Allow);
    QCOMPARE(TSitePermissions::Lookup(samePlace, TSiteFeature::Microphone), TPermissionAnswer::Ask);
    QCOMPARE(TSitePermissions::Lookup(otherPort, TSiteFeature::Camera), TPermissionAnswer::Ask);
    // A value written by hand that names no feature is not listed.
    TRegistry().writeDword(TSitePermissions::Key + QStringLiteral("\\http://127.0.0.1:8080"),
                           QStringLiteral("Teleport"), 1);
    QCOMPARE(TSitePermissions::All().size(), 2);

    TSitePermissions::Forget(QStringLiteral("http://127.0.0.1:8080"), TSiteFeature::Camera);
    QCOMPARE(TSitePermissions::Lookup(site, TSiteFeature::Camera), TPermissionAnswer::Ask);
    QCOMPARE(TSitePermissions::All().size(), 1);
    TSitePermissions::Remember(site, TSiteFeature::Location, TPermissionAnswer::Ask);   // Ask forgets
    QVERIFY(TSitePermissions::All().isEmpty());
}

TV_TEST_MAIN_CORE(TestPageRequestRules)
#include "tst_pagerequests_rules.moc"
