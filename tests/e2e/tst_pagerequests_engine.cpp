// What pages ask of the browser, on the real engine with pages served by the test: script
// dialogs and their flood, a site with a self-signed certificate, and permission questions.

#include "httpserver.h"
#include "testenv.h"

#include "platform/certificateerrors.h"
#include "platform/permissionbar.h"
#include "platform/scriptdialogs.h"
#include "platform/sitepermissions.h"
#include "platform/webengine_control.h"

#include <QApplication>
#include <QCheckBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QWebEngineView>
#include <QtTest>

namespace {

const int Timeout = 20000;

// A one-page HTTPS server whose certificate is self-signed, made with openssl for this run.
class TSelfSignedServer : public QObject {
public:
    bool start()
    {
        const QString key = m_dir.filePath(QStringLiteral("key.pem"));
        const QString cert = m_dir.filePath(QStringLiteral("cert.pem"));
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
                       QStringLiteral("-nodes"), QStringLiteral("-keyout"), key, QStringLiteral("-out"), cert,
                       QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")});
        if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0)
            return false;
        QFile keyFile(key);
        QFile certFile(cert);
        if (!keyFile.open(QIODevice::ReadOnly) || !certFile.open(QIODevice::ReadOnly))
            return false;
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(QSslCertificate(certFile.readAll()));
        config.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Rsa));
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        m_server.setSslConfiguration(config);
        connect(&m_server, &QSslServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    if (!socket->readAll().contains("\r\n\r\n"))
                        return;
                    ++requests;
                    const QByteArray body = "<html><head><title>Behind the bad certificate</title></head>"
                                            "<body>secret</body></html>";
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: "
                                  + QByteArray::number(body.size()) + "\r\n\r\n" + body);
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        return m_server.listen(QHostAddress::LocalHost);
    }
    QString url(const QString &path) const
    {
        return QStringLiteral("https://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    int requests = 0;

private:
    QTemporaryDir m_dir;
    QSslServer m_server;
};

struct TShownControl {
    TShownControl()
    {
        control.widget()->resize(800, 600);
        control.widget()->show();
    }
    bool load(const QString &url)
    {
        bool done = false;
        const QMetaObject::Connection c = QObject::connect(
                &control, &TWebControl::DocumentComplete, &control,
                [this, &done](TWebFrame frame, const QString &) { done = done || frame == control.Application(); });
        control.Navigate(url);
        const bool ok = QTest::qWaitFor([&done] { return done; }, Timeout);
        QObject::disconnect(c);
        return ok;
    }
    TWebEngineControl control;
};

QString js(TWebEngineControl &c, const QString &script)
{
    return c.evaluateBlocking(script, Timeout, nullptr, false).toString();
}

// A real mouse click in the middle of the element, as a user's.
bool click(TWebEngineControl &c, const QString &id)
{
    js(c, "window.tvDrawn = 0; requestAnimationFrame(function () {"
          " requestAnimationFrame(function () { window.tvDrawn = 2; }); }); 'ok'");
    if (!QTest::qWaitFor([&c] { return js(c, "String(window.tvDrawn)") == "2"; }, Timeout))
        return false;
    const QJsonObject pos = QJsonDocument::fromJson(js(c, QStringLiteral(
            "(function () { var e = document.getElementById('%1'); if (!e) return '';"
            " var r = e.getBoundingClientRect();"
            " return JSON.stringify({x: r.left + r.width / 2, y: r.top + r.height / 2}); })()").arg(id)).toUtf8()).object();
    if (pos.isEmpty())
        return false;
    QWidget *top = c.view()->window();
    const QPoint p = c.view()->mapTo(top, QPoint(qRound(pos.value("x").toDouble()), qRound(pos.value("y").toDouble())));
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, p);
    return true;
}

QList<TScriptDialog *> openDialogs()
{
    QList<TScriptDialog *> list;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<TScriptDialog *>(w); d && d->isVisible())
            list.append(d);
    return list;
}

// Answers the page's dialogs as they show. A dialog runs its own event loop above the
// test's, so it must be answered from an event, never from the test function's stack.
class TDialogAnswerer : public QObject {
public:
    struct Shown {
        TScriptDialogKind kind;
        QString caption;
        QString message;
        bool offersStop;
    };
    // Called a moment after dialog number index (0-based) showed.
    std::function<void(TScriptDialog *dialog, int index)> answer;
    QList<Shown> shown;

    TDialogAnswerer() { qApp->installEventFilter(this); }
    ~TDialogAnswerer() override { qApp->removeEventFilter(this); }

    static void press(TScriptDialog *dialog, const char *button, bool stop = false, const QString &value = QString())
    {
        if (auto *check = dialog->findChild<QCheckBox *>(QStringLiteral("chkStopDialogs")))
            check->setChecked(stop);
        if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("edtValue")); edit && !value.isNull())
            edit->setText(value);
        if (auto *b = dialog->findChild<QPushButton *>(QLatin1String(button)))
            b->click();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *dialog = qobject_cast<TScriptDialog *>(watched);
        if (dialog && event->type() == QEvent::Show) {
            auto *label = dialog->findChild<QLabel *>(QStringLiteral("lblMessage"));
            shown.append({dialog->Kind(), dialog->windowTitle(), label ? label->text() : QString(),
                          dialog->findChild<QCheckBox *>(QStringLiteral("chkStopDialogs")) != nullptr});
            const int index = shown.size() - 1;
            const QPointer<TScriptDialog> guard(dialog);
            QTimer::singleShot(0, this, [this, guard, index] {
                if (guard && answer)
                    answer(guard, index);
            });
        }
        return QObject::eventFilter(watched, event);
    }
};

}

class TestPageRequestsEngine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void alertLoopStopsOnceTheBoxIsChecked();
    void confirmAndPromptAnswersReachThePage();
    void tabClosedWhileItsDialogIsOpen();
    void selfSignedSiteShowsOurPageAndContinueLoadsIt();
    void blockedPermissionIsRememberedAndNotAskedAgain();

private:
    TTestHttpServer m_server;
};

void TestPageRequestsEngine::initTestCase()
{
    QVERIFY(m_server.isListening());
    // 200 alerts, then the page says how far it got.
    m_server.route("/loop.html", "<html><head><title>Loop</title></head><body><script>"
                   "function run() { var i = 0; for (; i < 200; i++) alert('number ' + i);"
                   " document.title = 'done ' + i; }</script></body></html>");
    m_server.route("/ask.html", "<html><head><title>Ask</title></head><body><script>"
                   "function ask() { document.title = JSON.stringify([confirm('sure?'), prompt('name?', 'x')]); }"
                   "</script></body></html>");
    m_server.route("/geo.html", "<html><head><title>Geo</title></head><body><script>"
                   "var answers = [];"
                   "function where() { navigator.geolocation.getCurrentPosition("
                   " function () { answers.push('allowed'); document.title = answers.join(); },"
                   " function (e) { answers.push('denied ' + e.code); document.title = answers.join(); }); }"
                   "</script></body></html>");
}

void TestPageRequestsEngine::alertLoopStopsOnceTheBoxIsChecked()
{
    TShownControl c;
    QVERIFY(c.load(m_server.urlString("/loop.html")));
    TDialogAnswerer answerer;
    // OK on the first; the second (within moments) offers the stop, which is taken.
    answerer.answer = [](TScriptDialog *d, int index) { TDialogAnswerer::press(d, "cmdOK", index >= 1); };
    c.control.page()->runJavaScript(QStringLiteral("setTimeout(run, 0)"));

    // Every further alert is answered at once: the loop runs to its end.
    QTRY_COMPARE_WITH_TIMEOUT(c.control.LocationName(), QStringLiteral("done 200"), Timeout);
    QCOMPARE(answerer.shown.size(), 2);
    QCOMPARE(answerer.shown.at(0).caption, QStringLiteral("127.0.0.1"));
    QCOMPARE(answerer.shown.at(0).message, QStringLiteral("number 0"));
    QVERIFY(!answerer.shown.at(0).offersStop);   // the first one never offers
    QVERIFY(answerer.shown.at(1).offersStop);
    QVERIFY(openDialogs().isEmpty());

    // A new document shows its dialogs again.
    QVERIFY(c.load(m_server.urlString("/ask.html")));
    answerer.answer = [](TScriptDialog *d, int) { TDialogAnswerer::press(d, "cmdCancel"); };
    c.control.page()->runJavaScript(QStringLiteral("setTimeout(ask, 0)"));
    QTRY_COMPARE_WITH_TIMEOUT(c.control.LocationName(), QStringLiteral("[false,null]"), Timeout);
    QCOMPARE(answerer.shown.size(), 4);
}

void TestPageRequestsEngine::confirmAndPromptAnswersReachThePage()
{
    TShownControl c;
    QVERIFY(c.load(m_server.urlString("/ask.html")));
    TDialogAnswerer answerer;
    answerer.answer = [](TScriptDialog *d, int index) {
        // OK, then a typed answer; on the second round the stop is ticked on the confirm.
        TDialogAnswerer::press(d, "cmdOK", index == 2, QStringLiteral("Ann \"quoted\""));
    };
    c.control.page()->runJavaScript(QStringLiteral("setTimeout(ask, 0)"));
    QTRY_COMPARE_WITH_TIMEOUT(c.control.LocationName(), QStringLiteral("[true,\"Ann \\\"quoted\\\"\"]"), Timeout);
    QCOMPARE(answerer.shown.size(), 2);
    QCOMPARE(answerer.shown.at(0).kind, TScriptDialogKind::Confirm);
    QCOMPARE(answerer.shown.at(1).kind, TScriptDialogKind::Prompt);

    // The confirm is answered OK with the stop ticked; the prompt after it gets Cancel
    // without showing.
    c.control.page()->runJavaScript(QStringLiteral("setTimeout(ask, 0)"));
    QTRY_COMPARE_WITH_TIMEOUT(c.control.LocationName(), QStringLiteral("[true,null]"), Timeout);
    QCOMPARE(answerer.shown.size(), 3);
}

// Closing a tab while its page waits in a dialog: the dialog closes, the control goes,
// and the page is deleted only after the dialog's loop has returned (no crash).
void TestPageRequestsEngine::tabClosedWhileItsDialogIsOpen()
{
    auto *c = new TShownControl;
    QVERIFY(c->load(m_server.urlString("/loop.html")));
    QPointer<QWebEnginePage> page = c->control.page();
    TDialogAnswerer answerer;
    QPointer<TScriptDialog> dialog;
    // Deleted from inside the dialog's loop, as a click on the tab's close button is.
    answerer.answer = [&dialog, c](TScriptDialog *d, int) {
        dialog = d;
        delete c;
    };
    page->runJavaScript(QStringLiteral("setTimeout(run, 0)"));
    QTRY_VERIFY_WITH_TIMEOUT(answerer.shown.size() == 1 && !dialog && !page, Timeout);
    QVERIFY(openDialogs().isEmpty());
    QCOMPARE(answerer.shown.size(), 1);
}

void TestPageRequestsEngine::selfSignedSiteShowsOurPageAndContinueLoadsIt()
{
    TSelfSignedServer https;
    QVERIFY2(https.start(), "openssl could not make a certificate");
    TShownControl c;
    c.control.Navigate(https.url("/secret.html"));
    QTRY_COMPARE_WITH_TIMEOUT(js(c.control, "document.title"), QStringLiteral("Certificate Error"), Timeout);
    QCOMPARE(c.control.LocationURL(), https.url("/secret.html"));
    QVERIFY(js(c.control, "document.getElementById('problem').textContent").contains("self-signed"));
    QCOMPARE(js(c.control, "document.getElementById('host').textContent"), QStringLiteral("127.0.0.1"));
    QVERIFY(c.control.CertificateOverridden());   // never shown as secure
    QCOMPARE(https.requests, 0);

    // The page's own scripts cannot continue for the user: a report of that click would
    // arrive before the answer to the next script.
    js(c.control, "document.getElementById('details').open = true;"
                  " document.getElementById('cmdContinue').click(); 'ok'");
    QCOMPARE(js(c.control, "document.title"), QStringLiteral("Certificate Error"));
    QVERIFY(!TCertificateExceptions::HostHasException(QStringLiteral("127.0.0.1")));

    QVERIFY(click(c.control, "cmdContinue"));
    QTRY_COMPARE_WITH_TIMEOUT(c.control.LocationName(), QStringLiteral("Behind the bad certificate"), Timeout);
    QCOMPARE(c.control.LocationURL(), https.url("/secret.html"));
    QVERIFY(c.control.CertificateOverridden());
    TCertificateExceptions::Clear();
}

void TestPageRequestsEngine::blockedPermissionIsRememberedAndNotAskedAgain()
{
    TShownControl c;
    QVERIFY(c.load(m_server.urlString("/geo.html")));
    TPermissionBar *bar = c.control.permissionBar();
    QVERIFY(bar && !bar->isVisible());
    // A page asking again and again gets one question.
    c.control.page()->runJavaScript(QStringLiteral("for (var i = 0; i < 20; i++) where();"));
    QTRY_VERIFY_WITH_TIMEOUT(bar->isVisible(), Timeout);
    QCOMPARE(bar->Pending().size(), 1);
    QCOMPARE(bar->findChild<QLabel *>(QStringLiteral("lblQuestion"))->text(),
             QStringLiteral("127.0.0.1 wants to know your location."));
    bar->findChild<QCheckBox *>(QStringLiteral("chkRemember"))->setChecked(true);
    bar->findChild<QPushButton *>(QStringLiteral("cmdBlock"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(c.control.LocationName().startsWith(QLatin1String("denied 1")), Timeout);
    QVERIFY(!bar->isVisible());
    QCOMPARE(TSitePermissions::Lookup(m_server.url("/"), TSiteFeature::Location), TPermissionAnswer::Block);

    // Another visit: denied at once, no question.
    QVERIFY(c.load(m_server.urlString("/geo.html")));
    c.control.page()->runJavaScript(QStringLiteral("where();"));
    QTRY_COMPARE_WITH_TIMEOUT(c.control.LocationName(), QStringLiteral("denied 1"), Timeout);
    QVERIFY(bar->Pending().isEmpty());
    QVERIFY(!bar->isVisible());

    // Unanswered questions are denied when the page navigates away.
    TSitePermissions::Remember(m_server.url("/"), TSiteFeature::Location, TPermissionAnswer::Ask);
    c.control.page()->runJavaScript(QStringLiteral("where();"));
    QTRY_VERIFY_WITH_TIMEOUT(bar->isVisible(), Timeout);
    QVERIFY(c.load(m_server.urlString("/ask.html")));
    QVERIFY(bar->Pending().isEmpty());
    QVERIFY(!bar->isVisible());
}

TV_TEST_MAIN_GUI(TestPageRequestsEngine)
#include "tst_pagerequests_engine.moc"
