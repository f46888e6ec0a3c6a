// The page commands on the real engine: Save As, Print, Page Setup, Properties, the edit
// commands, the text-selection menu and the Internet Options the pages follow.

#include "httpserver.h"
#include "testenv.h"

#include "browser/vessabrowser.h"
#include "platform/inetoptions.h"
#include "platform/pagedialogs.h"
#include "platform/registry.h"
#include "platform/urlhistory.h"
#include "platform/webengine_control.h"

#include <QtTest>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QWebEngineView>

namespace {

const int Timeout = 20000;
const QByteArray PageBody = "<html><head><title>Saved Page</title></head>\n"
                            "<body><p id=p>Some words to select</p>"
                            "<input id=in value='typed text'>"
                            "<img src='/pic.png'></body></html>\n";

// A shown view whose page loads have finished.
struct TView {
    TView() : view(nullptr, false, false)
    {
        view.resize(640, 480);
        view.show();
        control = qobject_cast<TWebEngineControl *>(view.Control());
        QObject::connect(control, &TWebControl::DocumentComplete, control,
                         [this](TWebFrame frame, const QString &) {
                             if (frame == control->Application())
                                 ++completed;
                         });
    }
    bool load(const QString &url)
    {
        const int before = completed;
        view.NavigateTo(url);
        return QTest::qWaitFor([&] { return completed > before && !control->Busy(); }, Timeout);
    }
    QString js(const QString &script)
    {
        return control->evaluateBlocking(script, Timeout, nullptr, false).toString();
    }
    TVessaBrowser view;
    TWebEngineControl *control = nullptr;
    int completed = 0;
};

QWidget *topLevel(const QString &name)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == name && w->isVisible())
            return w;
    return nullptr;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}

class TestPageCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void saveFormats();
    void printWithoutDialog();
    void pageSetup();
    void properties();
    void editCommands();
    void selectionMenu();
    void internetOptions();
    void contentOptions();
    void logIn();
    void resendForm();

private:
    TTestHttpServer m_server;
    QTemporaryDir m_dir;
};

void TestPageCommands::initTestCase()
{
    QVERIFY(m_server.isListening());
    QVERIFY(m_dir.isValid());
    m_server.route("/page.html", PageBody);
    m_server.route("/home.html", "<title>Home</title>");
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    m_server.route("/pic.png", png, "image/png");
}

void TestPageCommands::saveFormats()
{
    TView v;
    QVERIFY(v.load(m_server.urlString("/page.html")));
    v.js("document.getElementById('p').textContent = 'changed by script'; 'ok'");

    // Three saves asked for at once run one after another; none spoils another.
    const QString complete = m_dir.filePath("complete.htm");
    const QString single = m_dir.filePath("single.htm");
    const QString archive = m_dir.filePath("archive.mht");
    QList<bool> results;
    auto record = [&results](bool ok) { results << ok; };
    v.control->savePage(complete, int(TSaveFormat::Complete), record);
    v.control->savePage(single, int(TSaveFormat::SingleHtml), record);
    v.control->savePage(archive, int(TSaveFormat::Mhtml), record);
    QTRY_COMPARE_WITH_TIMEOUT(results.size(), 3, Timeout);
    QCOMPARE(results, (QList<bool>{true, true, true}));

    QVERIFY(readFile(complete).contains("changed by script"));   // the document as shown
    QVERIFY(QFileInfo(m_dir.filePath("complete_files")).isDir());
    QCOMPARE(readFile(single), PageBody);                        // the bytes as served
    const QByteArray mht = readFile(archive);
    QVERIFY(mht.contains("multipart/related"));
    QVERIFY(mht.contains("changed by script"));

    // A place that cannot be written reports failure instead of success.
    QFile blocker(m_dir.filePath("not-a-folder"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    bool failed = false, done = false;
    v.control->savePage(m_dir.filePath("not-a-folder/x.htm"), int(TSaveFormat::SingleHtml),
                        [&](bool ok) { failed = !ok; done = true; });
    QTRY_VERIFY_WITH_TIMEOUT(done, 70000);
    QVERIFY(failed);
}

void TestPageCommands::printWithoutDialog()
{
    TPageSettings::SetPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Landscape,
                                             QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    TView v;
    QVERIFY(v.load(m_server.urlString("/page.html")));
    const QString pdf = m_dir.filePath("printed.pdf");
    TPageSettings::SetPrintToFile(pdf);
    QSignalSpy finished(v.control, &TWebEngineControl::PrintFinished);
    v.view.Print(false);
    QVERIFY(TWebEngineControl::IsPrinting());
    // One print at a time: a second one is refused while the first runs.
    QVERIFY(!v.control->printPage(new QPrinter));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 60000);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    QVERIFY(!TWebEngineControl::IsPrinting());
    const QByteArray printed = readFile(pdf);
    QVERIFY(printed.startsWith("%PDF"));
    // Text stays text: fonts with their character maps, not a picture of the page.
    QVERIFY(printed.contains("/Font"));
    QVERIFY(printed.contains("/ToUnicode"));
    QVERIFY2(printed.size() < 200 * 1024, QByteArray::number(printed.size()).constData());
    // The page layout of Page Setup reaches the file: a landscape Letter page.
    const QRegularExpression letterLandscape(R"(/MediaBox\s*\[\s*0\s+0\s+792(\.0*)?\s+612(\.0*)?\s*\])");
    QVERIFY(letterLandscape.match(QString::fromLatin1(printed)).hasMatch());
    TPageSettings::SetPrintToFile(QString());
}

void TestPageCommands::pageSetup()
{
    // The layout is kept in the hive and read back by every print.
    QPageLayout layout(QPageSize(QPageSize::Letter), QPageLayout::Landscape,
                       QMarginsF(10, 12, 14, 16), QPageLayout::Millimeter);
    TPageSettings::SetPageLayout(layout);
    const QPageLayout read = TPageSettings::PageLayout();
    QCOMPARE(read.pageSize().id(), QPageSize::Letter);
    QCOMPARE(read.orientation(), QPageLayout::Landscape);
    const QMarginsF m = read.margins(QPageLayout::Millimeter);
    QVERIFY(qAbs(m.left() - 10) < 0.01 && qAbs(m.top() - 12) < 0.01);
    QVERIFY(qAbs(m.right() - 14) < 0.01 && qAbs(m.bottom() - 16) < 0.01);
    QCOMPARE(TRegistry().readValue("Software\\Microsoft\\Internet Explorer\\PageSetup", "margin_left").text,
             QString::number(10 / 25.4, 'f', 6));

    // Damaged values fall back to the default margin of three quarters of an inch.
    TRegistry().writeString("Software\\Microsoft\\Internet Explorer\\PageSetup", "margin_top", "lots");
    QVERIFY(qAbs(TPageSettings::PageLayout().margins(QPageLayout::Inch).top() - 0.75) < 0.001);

    // The dialog of our own: margins that do not fit the paper are reduced.
    TPageSetupDialog dialog(TPageSettings::PageLayout());
    dialog.findChild<QRadioButton *>("radPortrait")->setChecked(true);
    auto *paper = dialog.findChild<QComboBox *>("cboPaper");
    paper->setCurrentIndex(paper->findData(int(QPageSize::A5)));
    dialog.findChild<QDoubleSpinBox *>("edtLeft")->setValue(100);
    const QPageLayout chosen = dialog.pageLayout();
    QCOMPARE(chosen.pageSize().id(), QPageSize::A5);
    QCOMPARE(chosen.orientation(), QPageLayout::Portrait);
    QVERIFY(chosen.isValid());
    QVERIFY(chosen.margins(QPageLayout::Millimeter).left() < 148);
}

void TestPageCommands::properties()
{
    TView v;
    QVERIFY(v.load(m_server.urlString("/page.html")));
    v.view.Properties();
    QTRY_VERIFY_WITH_TIMEOUT(topLevel("frmPageProperties"), Timeout);
    QWidget *dialog = topLevel("frmPageProperties");
    QStringList values;
    for (QLabel *label : dialog->findChildren<QLabel *>(QRegularExpression("^lblValue")))
        values << label->text();
    QVERIFY2(values.contains("Saved Page"), qPrintable(values.join('|')));
    QVERIFY(values.contains(m_server.urlString("/page.html")));
    QVERIFY(values.contains("HyperText Transfer Protocol"));
    QVERIFY(values.contains("HTML Document"));
    QVERIFY(values.contains("Not encrypted"));
    QVERIFY(values.contains(QString("%1 bytes").arg(PageBody.size())));
    QVERIFY(values.contains("UTF-8"));
    dialog->close();
}

void TestPageCommands::editCommands()
{
    TView v;
    QVERIFY(v.load(m_server.urlString("/page.html")));
    QApplication::clipboard()->clear();
    v.view.SelectAll();
    v.view.Copy();
    QTRY_VERIFY_WITH_TIMEOUT(QApplication::clipboard()->text().contains("Some words to select"), Timeout);

    // Paste and Cut work on the focused field.
    v.view.setFocus();
    v.js("var i = document.getElementById('in'); i.focus(); i.select(); 'ok'");
    QApplication::clipboard()->setText("pasted");
    v.view.Paste();
    QTRY_COMPARE_WITH_TIMEOUT(v.js("document.getElementById('in').value"), QStringLiteral("pasted"), Timeout);
    v.js("document.getElementById('in').select(); 'ok'");
    v.view.Cut();
    QTRY_COMPARE_WITH_TIMEOUT(v.js("document.getElementById('in').value"), QString(), Timeout);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("pasted"));
}

void TestPageCommands::selectionMenu()
{
    TView v;
    QVERIFY(v.load(m_server.urlString("/page.html")));
    const QString rect = v.js("var p = document.getElementById('p');"
                              " window.getSelection().selectAllChildren(p);"
                              " var r = p.getBoundingClientRect(); (r.left + 10) + ',' + (r.top + r.height / 2)");
    const QStringList xy = rect.split(',');
    QCOMPARE(xy.size(), 2);
    QTRY_VERIFY_WITH_TIMEOUT(!v.js("window.getSelection().toString()").isEmpty(), Timeout);
    QWidget *top = v.view.window();
    const QPoint at = v.view.mapTo(top, QPoint(qRound(xy[0].toDouble()), qRound(xy[1].toDouble())));

    // Without the event the engine's own menu opens.
    QTest::mouseClick(top->windowHandle(), Qt::RightButton, Qt::NoModifier, at);
    QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QMenu *>(QApplication::activePopupWidget()), Timeout);
    QApplication::activePopupWidget()->close();
    QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activePopupWidget(), Timeout);

    // With it, the event is raised instead and no menu opens.
    int raised = 0;
    v.view.OnShowContextMenuEvent = [&raised](TVessaBrowser *, quint32 id, const QPoint &) {
        if (id == 4)
            ++raised;
    };
    QTest::mouseClick(top->windowHandle(), Qt::RightButton, Qt::NoModifier, at);
    QTRY_COMPARE_WITH_TIMEOUT(raised, 1, Timeout);
    QVERIFY(!QApplication::activePopupWidget());
}

void TestPageCommands::internetOptions()
{
    TView v;
    QVERIFY(v.load(m_server.urlString("/page.html")));

    int historyCalls = 0;
    TInternetSettings::SetClearHistoryHandler([&historyCalls] { ++historyCalls; });
    TUrlHistory().Record(m_server.urlString("/page.html"), "Saved Page");
    QCOMPARE(TUrlHistory().Entries().size(), 1);

    TInternetOptionsDialog dialog(v.control->LocationURL());
    dialog.Confirm = [](const QString &) { return true; };
    QSignalSpy cleared(&dialog, &TInternetOptionsDialog::historyCleared);
    auto *start = dialog.findChild<QLineEdit *>("edtStartPage");
    QCOMPARE(start->text(), QStringLiteral("about:blank"));   // nothing stored yet
    dialog.findChild<QPushButton *>("cmdUseCurrent")->click();
    QCOMPARE(start->text(), m_server.urlString("/page.html"));
    start->setText(m_server.urlString("/home.html"));
    dialog.findChild<QLineEdit *>("edtSearchPage")->setText(m_server.urlString("/find?q=%s"));
    QVERIFY(dialog.apply());
    QCOMPARE(TInternetSettings::StartPage(), m_server.urlString("/home.html"));
    QCOMPARE(TInternetSettings::SearchPage(), m_server.urlString("/find?q=%s"));

    dialog.findChild<QPushButton *>("cmdClearHistory")->click();
    QCOMPARE(cleared.count(), 1);
    QCOMPARE(historyCalls, 1);
    QVERIFY(TUrlHistory().Entries().isEmpty());
    TInternetSettings::SetClearHistoryHandler(nullptr);

    // Home and search follow the stored pages.
    m_server.clearRequests();
    v.control->GoHome();
    QVERIFY(m_server.waitForRequest("/home.html"));
    QTRY_COMPARE_WITH_TIMEOUT(v.control->LocationName(), QStringLiteral("Home"), Timeout);
    v.control->GoSearch();
    QVERIFY(m_server.waitForRequest("/find"));
    QCOMPARE(m_server.requestsFor("/find").first().target, QStringLiteral("/find?q="));
}

void TestPageCommands::contentOptions()
{
    TView v;
    // Images off: the page's image is not fetched.
    {
        TInternetOptionsDialog dialog{QString()};
        dialog.findChild<QCheckBox *>("chkImages")->setChecked(false);
        QVERIFY(dialog.apply());
    }
    QCOMPARE(TRegistry().readValue("Software\\Microsoft\\Internet Explorer\\Main",
                                   "Display Inline Images").text, QStringLiteral("no"));
    m_server.clearRequests();
    QVERIFY(v.load(m_server.urlString("/page.html")));
    QCOMPARE(m_server.requestCount("/pic.png"), 0);

    // Back on (written by another program, as the Options menu does): the next load fetches it.
    TRegistry().writeString("Software\\Microsoft\\Internet Explorer\\Main", "Display Inline Images", "yes");
    v.view.RefreshPage();
    QVERIFY(m_server.waitForRequest("/pic.png"));

    // Sounds off mutes the pages; animations off blocks CSS animations.
    TRegistry().writeString("Software\\Microsoft\\Internet Explorer\\Main", "Play_Background_Sounds", "no");
    TRegistry().writeString("Software\\Microsoft\\Internet Explorer\\Main", "Play_Animations", "Yes");
    QVERIFY(v.load(m_server.urlString("/page.html")));
    QVERIFY(v.control->page()->isAudioMuted());
    m_server.route("/anim.html", "<style>@keyframes k{from{opacity:0}to{opacity:1}}"
                                 "p{animation:k 10s infinite}</style><p id=a>x</p>");
    QVERIFY(v.load(m_server.urlString("/anim.html")));
    QCOMPARE(v.js("getComputedStyle(document.getElementById('a')).animationName"), QStringLiteral("none"));
    TRegistry().writeString("Software\\Microsoft\\Internet Explorer\\Main", "Play_Animations", "yes");
    TRegistry().writeString("Software\\Microsoft\\Internet Explorer\\Main", "Play_Background_Sounds", "yes");
    QVERIFY(v.load(m_server.urlString("/anim.html")));
    QCOMPARE(v.js("getComputedStyle(document.getElementById('a')).animationName"), QStringLiteral("k"));
    QVERIFY(!v.control->page()->isAudioMuted());
}

void TestPageCommands::logIn()
{
    m_server.route("/private.html", TTestHttpHandler([](const TTestHttpRequest &request) {
        TTestHttpResponse r;
        if (request.header("Authorization") == "Basic " + QByteArray("ann:secret").toBase64()) {
            r.body = "<title>Welcome</title>";
        } else {
            r.status = 401;
            r.headers.append(qMakePair(QByteArray("WWW-Authenticate"), QByteArray("Basic realm=\"Staff\"")));
            r.body = "<title>Denied</title>";
        }
        return r;
    }));
    TView v;
    // The dialog is modal: answer it from the event loop it runs.
    QTimer answer;
    answer.setInterval(50);
    connect(&answer, &QTimer::timeout, this, [&answer] {
        auto *dialog = qobject_cast<QDialog *>(topLevel("frmLogin"));
        if (!dialog)
            return;
        dialog->findChild<QLineEdit *>("edtUser")->setText("ann");
        dialog->findChild<QLineEdit *>("edtPassword")->setText("secret");
        dialog->accept();
        answer.stop();
    });
    answer.start();
    QVERIFY(v.load(m_server.urlString("/private.html")));
    QTRY_COMPARE_WITH_TIMEOUT(v.control->LocationName(), QStringLiteral("Welcome"), Timeout);
    QVERIFY(!answer.isActive());
}

void TestPageCommands::resendForm()
{
    int posts = 0;
    m_server.route("/form.html", "<title>Form</title><form id=f method=post action=/post>"
                                 "<input name=a value=1></form>"
                                 "<form id=g method=post action=/prg><input name=a value=1></form>");
    m_server.route("/post", TTestHttpHandler([&posts](const TTestHttpRequest &request) {
        TTestHttpResponse r;
        if (request.method == "POST")
            ++posts;
        r.body = QByteArray("<title>Posted ") + QByteArray::number(posts) + "</title>";
        return r;
    }));
    m_server.redirect("/prg", "/result.html", 303);
    m_server.route("/done.html", "<title>Done</title>");
    m_server.route("/result.html", "<title>Result</title>");
    m_server.route("/ping", "pong", "text/plain");

    // Answers the question with the next answer of the list, counting the questions.
    QList<QMessageBox::StandardButton> answers;
    int asked = 0;
    QTimer answerer;
    answerer.setInterval(20);
    connect(&answerer, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box->objectName() != QLatin1String("msgResendForm") || answers.isEmpty())
            return;
        QCOMPARE(box->text(), QStringLiteral("This page was sent with a form. Send the form again?"));
        ++asked;
        box->button(answers.takeFirst())->click();
    });
    answerer.start();

    TView v;
    QVERIFY(v.load(m_server.urlString("/form.html")));
    const int before = v.completed;
    v.js("document.getElementById('f').submit(); 'ok'");
    QTRY_VERIFY_WITH_TIMEOUT(v.completed > before && !v.control->Busy(), Timeout);
    QCOMPARE(v.control->LocationName(), QStringLiteral("Posted 1"));

    // A request from the page after the answer: had the form been sent again, the server
    // would have had it first.
    auto nothingSent = [&](int pings) {
        v.js("fetch('/ping'); 'ok'");
        return m_server.waitForRequest("/ping", pings) && posts == 1
                && v.control->LocationName() == QLatin1String("Posted 1");
    };
    answers = {QMessageBox::No};
    v.view.RefreshPage();
    QCOMPARE(asked, 1);
    QVERIFY(nothingSent(1));
    answers = {QMessageBox::No};
    v.view.RefreshCompletely();
    QCOMPARE(asked, 2);
    QVERIFY(nothingSent(2));

    answers = {QMessageBox::Yes};
    v.view.RefreshPage();
    QCOMPARE(asked, 3);
    QTRY_COMPARE_WITH_TIMEOUT(v.control->LocationName(), QStringLiteral("Posted 2"), Timeout);
    QTRY_VERIFY_WITH_TIMEOUT(!v.control->Busy(), Timeout);
    answers = {QMessageBox::Yes};
    v.view.RefreshCompletely();
    QCOMPARE(asked, 4);
    QTRY_COMPARE_WITH_TIMEOUT(v.control->LocationName(), QStringLiteral("Posted 3"), Timeout);
    QTRY_VERIFY_WITH_TIMEOUT(!v.control->Busy(), Timeout);

    // Other pages, and the page a form was answered with by a redirect, refresh without
    // a question.
    QVERIFY(v.load(m_server.urlString("/done.html")));
    v.view.RefreshPage();
    QVERIFY(m_server.waitForRequest("/done.html", 2));
    QTRY_VERIFY_WITH_TIMEOUT(!v.control->Busy(), Timeout);
    QVERIFY(v.load(m_server.urlString("/form.html")));
    v.js("document.getElementById('g').submit(); 'ok'");
    QTRY_COMPARE_WITH_TIMEOUT(v.control->LocationName(), QStringLiteral("Result"), Timeout);
    QTRY_VERIFY_WITH_TIMEOUT(!v.control->Busy(), Timeout);
    v.view.RefreshPage();
    QVERIFY(m_server.waitForRequest("/result.html", 2));
    QCOMPARE(asked, 4);

    // Back on the posted page the question comes again.
    QTRY_VERIFY_WITH_TIMEOUT(!v.control->Busy(), Timeout);
    int back = v.completed;
    v.control->GoBack();   // the form page
    QTRY_VERIFY_WITH_TIMEOUT(v.completed > back && !v.control->Busy(), Timeout);
    back = v.completed;
    v.control->GoBack();   // a page without a form
    QTRY_VERIFY_WITH_TIMEOUT(v.completed > back && !v.control->Busy(), Timeout);
    v.control->GoBack();   // the posted page
    QTRY_VERIFY_WITH_TIMEOUT(v.control->LocationURL().endsWith("/post") && !v.control->Busy(), Timeout);
    answers = {QMessageBox::No};
    v.view.RefreshPage();
    QCOMPARE(asked, 5);
    answerer.stop();
}

TV_TEST_MAIN_GUI(TestPageCommands)
#include "tst_pagecommands.moc"
