// The main window's commands on the real web engine, with pages from a local server: the
// key filter in front of a real page (keys it lets through reach page inputs unchanged),
// Find, View Source, Ctrl+F3, Save As, Work Offline, Text Size and the URL history.

#include "testenv.h"
#include "httpserver.h"

#include "app/main_window.h"
#include "browser/browsertab.h"
#include "browser/vessabrowser.h"
#include "navigation/commandtable.h"
#include "navigation/pagecommands.h"
#include "options/toolbarband.h"
#include "platform/offline.h"
#include "platform/registry.h"
#include "platform/pagedialogs.h"
#include "platform/urlhistory.h"
#include "platform/webengine_control.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {

const int LoadTimeout = 20000;

TWebEngineControl *engineOf(TBrowserTab *tab)
{
    return tab && tab->View() ? qobject_cast<TWebEngineControl *>(tab->View()->Control()) : nullptr;
}

QVariant evaluate(TBrowserTab *tab, const QString &script)
{
    TWebEngineControl *control = engineOf(tab);
    return control ? control->evaluateBlocking(script, 5000, nullptr, false) : QVariant();
}

}

class TestCommandsEngine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void keysLetThroughReachThePage();
    void altKeysReachThePageWhenDisabled();
    void findCountsTheMatches();
    void viewSourceOpensTheSourceInANewTab();
    void ctrlF3FollowsTheLastNextLink();
    void saveAsWritesAFileThatReloads();
    void workOfflineBlocksTheNetwork();
    void textSizeZoomsThePage();
    void loadImagesSwitchDecidesWhatPagesFetch();

private:
    void openWindow();
    TBrowserTab *load(const QString &path);
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void focusInput(TBrowserTab *tab, const QString &id);

    TTestHttpServer *m_server = nullptr;
    TfrmMain *m_window = nullptr;
};

void TestCommandsEngine::initTestCase()
{
    m_server = new TTestHttpServer(this);
    QVERIFY(m_server->isListening());
    m_server->route("/form.html",
                    "<html><head><title>Form</title></head><body>"
                    "<input id=i><input id=j><script>window.log = [];"
                    "document.addEventListener('keydown', function (e) {"
                    " log.push((e.altKey ? 'Alt+' : '') + (e.ctrlKey ? 'Ctrl+' : '') + e.key); });"
                    "</script></body></html>");
    m_server->route("/find.html",
                    "<html><head><title>Find</title></head><body><p>a needle here</p>"
                    "<p>and a Needle there</p></body></html>");
    m_server->route("/source.html", "<html><head><title>Source</title></head><body><b>bold</b></body></html>");
    m_server->route("/links.html",
                    "<html><head><title>Links</title></head><body>"
                    "<a href=\"/n1.html\">next one</a> <a href=\"/other.html\">other</a> "
                    "<a href=\"/n2.html\">NeXt again</a></body></html>");
    m_server->route("/n1.html", "<html><head><title>N1</title></head><body>1</body></html>");
    m_server->route("/n2.html", "<html><head><title>N2</title></head><body>2</body></html>");
    m_server->route("/save.html",
                    "<html><head><title>Saved Page</title></head><body><p id=p>kept text</p></body></html>");
    m_server->route("/online.html", "<html><head><title>Online</title></head><body>up</body></html>");
}

void TestCommandsEngine::init()
{
    TKWOptions options;
    options.SetConfirmShutdown(false);
    options.SetDisableALTShortcuts(false);
    options.SetStartupMode(QStringLiteral("Home"));
    TOffline::SetOffline(false);
    m_server->clearRequests();
}

void TestCommandsEngine::cleanup()
{
    delete m_window;
    m_window = nullptr;
    TOffline::SetOffline(false);
    QTest::qWait(50);   // let the engine drop the pages before the next test
}

void TestCommandsEngine::openWindow()
{
    m_window = new TfrmMain;
    m_window->SetCloseWithoutConfirmation(true);
    m_window->resize(1000, 700);
    m_window->show();
    QApplication::setActiveWindow(m_window);
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

TBrowserTab *TestCommandsEngine::load(const QString &path)
{
    TBrowserTab *tab = m_window->ActiveTab();
    const QString url = m_server->urlString(path);
    tab->NavigateTo(url);
    if (!m_server->waitForRequest(path, 1, LoadTimeout))
        qWarning("no request for %s", qPrintable(path));
    if (!QTest::qWaitFor([&] { return !tab->Loading && tab->Location() == url; }, LoadTimeout))
        qWarning("%s did not finish loading", qPrintable(path));
    return tab;
}

void TestCommandsEngine::key(int key, Qt::KeyboardModifiers modifiers)
{
    QString text;
    if (key >= Qt::Key_A && key <= Qt::Key_Z && !(modifiers & (Qt::ControlModifier | Qt::AltModifier)))
        text = QChar(modifiers & Qt::ShiftModifier ? key : key + 32);
    else if (key == Qt::Key_Backspace)
        text = QStringLiteral("\b");
    else if (key == Qt::Key_Tab)
        text = QStringLiteral("\t");
    qt_handleKeyEvent(m_window->windowHandle(), QEvent::KeyPress, key, modifiers, text);
    qt_handleKeyEvent(m_window->windowHandle(), QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::processEvents();
}

void TestCommandsEngine::focusInput(TBrowserTab *tab, const QString &id)
{
    tab->FocusPage();
    QTRY_VERIFY(tab->View()->isAncestorOf(QApplication::focusWidget()));
    evaluate(tab, QStringLiteral("document.getElementById('%1').focus()").arg(id));
    QTRY_COMPARE(evaluate(tab, QStringLiteral("document.activeElement.id")).toString(), id);
    // A page that has not drawn its first frame yet drops keys: type until one arrives,
    // then start from an empty field.
    const QString value = QStringLiteral("document.getElementById('%1').value").arg(id);
    for (int attempt = 0; attempt < 20; ++attempt) {
        key(Qt::Key_Z);
        if (QTest::qWaitFor([&] { return !evaluate(tab, value).toString().isEmpty(); }, 500))
            break;
    }
    QVERIFY(!evaluate(tab, value).toString().isEmpty());
    evaluate(tab, value + QStringLiteral(" = ''; log = []"));
}

void TestCommandsEngine::keysLetThroughReachThePage()
{
    openWindow();
    TBrowserTab *tab = load("/form.html");
    focusInput(tab, QStringLiteral("i"));

    for (int k : {Qt::Key_A, Qt::Key_B, Qt::Key_C, Qt::Key_Backspace})
        key(k);
    QTRY_COMPARE(evaluate(tab, QStringLiteral("document.getElementById('i').value")).toString(),
                 QStringLiteral("ab"));
    key(Qt::Key_Tab);
    QTRY_COMPARE(evaluate(tab, QStringLiteral("document.activeElement.id")).toString(), QStringLiteral("j"));
    key(Qt::Key_X);
    QTRY_COMPARE(evaluate(tab, QStringLiteral("document.getElementById('j').value")).toString(),
                 QStringLiteral("x"));

    // Keys the filter takes never reach the page; Ctrl+A selects in the page, not the box.
    key(Qt::Key_Escape);
    key(Qt::Key_E, Qt::ControlModifier);
    key(Qt::Key_A, Qt::ControlModifier);
    QTRY_COMPARE(evaluate(tab, QStringLiteral("document.getElementById('j').selectionEnd")).toInt(), 1);
    const QStringList log = evaluate(tab, QStringLiteral("log")).toStringList();
    QVERIFY2(!log.contains(QStringLiteral("Escape")) && !log.contains(QStringLiteral("Ctrl+e"))
                     && !log.contains(QStringLiteral("Ctrl+a")),
             qPrintable(log.join(QLatin1Char(' '))));
    QVERIFY(log.contains(QStringLiteral("Backspace")));
    QCOMPARE(evaluate(tab, QStringLiteral("document.getElementById('j').value")).toString(), QStringLiteral("x"));
}

void TestCommandsEngine::altKeysReachThePageWhenDisabled()
{
    TKWOptions().SetDisableALTShortcuts(true);
    openWindow();
    TBrowserTab *tab = load("/form.html");
    focusInput(tab, QStringLiteral("i"));
    key(Qt::Key_Left, Qt::AltModifier);
    key(Qt::Key_D, Qt::AltModifier);
    QTRY_VERIFY2(evaluate(tab, QStringLiteral("log")).toStringList().contains(QStringLiteral("Alt+d")),
                 qPrintable(evaluate(tab, QStringLiteral("log")).toStringList().join(QLatin1Char(' '))));
    QVERIFY(evaluate(tab, QStringLiteral("log")).toStringList().contains(QStringLiteral("Alt+ArrowLeft")));
    QVERIFY(tab->View()->isAncestorOf(QApplication::focusWidget()));
}

void TestCommandsEngine::findCountsTheMatches()
{
    openWindow();
    TBrowserTab *tab = load("/find.html");
    tab->FocusPage();
    key(Qt::Key_F, Qt::ControlModifier);
    TFindDialog *find = nullptr;
    QTRY_VERIFY((find = m_window->findChild<TFindDialog *>()) && find->isVisible());
    auto *edit = find->findChild<QLineEdit *>(QStringLiteral("edtFind"));
    // An empty text searches nothing.
    find->findNext();
    QTest::qWait(200);
    QVERIFY(find->resultText().isEmpty());
    edit->setText(QStringLiteral("needle"));
    find->findNext();
    QTRY_COMPARE_WITH_TIMEOUT(find->resultText(), QStringLiteral("Match 1 of 2"), LoadTimeout);
    find->findNext();
    QTRY_COMPARE_WITH_TIMEOUT(find->resultText(), QStringLiteral("Match 2 of 2"), LoadTimeout);
    find->close();

    // The visit is in the URL history with its title.
    const QList<THistoryEntry> entries = TUrlHistory().Entries();
    QVERIFY(!entries.isEmpty());
    QCOMPARE(entries.first().url, m_server->urlString("/find.html"));
    QCOMPARE(entries.first().title, QStringLiteral("Find"));
}

void TestCommandsEngine::viewSourceOpensTheSourceInANewTab()
{
    openWindow();
    TBrowserTab *page = load("/source.html");
    m_window->findChild<QAction *>(QStringLiteral("mnuViewSource"))->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(m_window->TabCount(), 2, LoadTimeout);
    TBrowserTab *source = m_window->TabAt(1) == page ? m_window->TabAt(0) : m_window->TabAt(1);
    QTRY_VERIFY_WITH_TIMEOUT(source->TabVisible(), LoadTimeout);
    QTRY_COMPARE_WITH_TIMEOUT(source->Location(), QStringLiteral("view-source:") + m_server->urlString("/source.html"),
                              LoadTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(evaluate(source, QStringLiteral("document.body.innerText")).toString()
                                     .contains(QLatin1String("<b>bold</b>")), LoadTimeout);
}

void TestCommandsEngine::ctrlF3FollowsTheLastNextLink()
{
    openWindow();
    TBrowserTab *tab = load("/links.html");
    tab->FocusPage();
    key(Qt::Key_F3, Qt::ControlModifier);
    QVERIFY(m_server->waitForRequest("/n2.html", 1, LoadTimeout));
    QTRY_COMPARE_WITH_TIMEOUT(tab->Location(), m_server->urlString("/n2.html"), LoadTimeout);
    QCOMPARE(m_server->requestCount("/n1.html"), 0);
    QCOMPARE(m_window->TabCount(), 1);
}

void TestCommandsEngine::saveAsWritesAFileThatReloads()
{
    openWindow();
    TBrowserTab *tab = load("/save.html");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("copy.htm"));
    bool answered = false;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        answered = true;
        dialog->selectNameFilter(dialog->nameFilters().value(1));   // HTML only
        dialog->selectFile(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    tab->FocusPage();
    key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(answered);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(path).size() > 0, LoadTimeout);

    const QString url = QUrl::fromLocalFile(path).toString();
    tab->NavigateTo(url);
    QTRY_VERIFY_WITH_TIMEOUT(!tab->Loading && tab->Location() == url, LoadTimeout);
    QCOMPARE(evaluate(tab, QStringLiteral("document.getElementById('p').textContent")).toString(),
             QStringLiteral("kept text"));
    QCOMPARE(tab->Title(), QStringLiteral("Saved Page"));
}

void TestCommandsEngine::workOfflineBlocksTheNetwork()
{
    openWindow();
    QAction *offline = m_window->Commands()->Action(QStringLiteral("mnuFileWorkOffline"));
    offline->trigger();
    QVERIFY(offline->isChecked());
    QVERIFY(TOffline::IsOffline());

    TBrowserTab *tab = m_window->ActiveTab();
    const QString url = m_server->urlString("/online.html");
    tab->NavigateTo(url);
    QTRY_VERIFY_WITH_TIMEOUT(tab->Location() == url && !tab->Loading, LoadTimeout);
    QCOMPARE(m_server->requestCount("/online.html"), 0);
    QVERIFY(tab->Title() != QLatin1String("Online"));

    offline->trigger();
    QVERIFY(!TOffline::IsOffline());
    m_window->PageCommands()->RefreshTab(tab, false);
    QVERIFY(m_server->waitForRequest("/online.html", 1, LoadTimeout));
    QTRY_COMPARE_WITH_TIMEOUT(tab->Title(), QStringLiteral("Online"), LoadTimeout);
}

void TestCommandsEngine::textSizeZoomsThePage()
{
    openWindow();
    TBrowserTab *tab = load("/source.html");
    const int normalWidth = evaluate(tab, QStringLiteral("window.innerWidth")).toInt();
    QVERIFY(normalWidth > 0);
    auto *menu = m_window->findChild<QMenu *>(QStringLiteral("mnuViewTextSize"));
    menu->actions().first()->trigger();   // Largest
    QCOMPARE(tab->GetTextSize(), 4);
    QTRY_VERIFY(evaluate(tab, QStringLiteral("window.innerWidth")).toInt() < normalWidth * 0.75);
    menu->actions().at(2)->trigger();     // Medium
    QTRY_COMPARE(evaluate(tab, QStringLiteral("window.innerWidth")).toInt(), normalWidth);
    QCOMPARE(tab->GetTextSize(), 2);
}

TV_TEST_MAIN_GUI(TestCommandsEngine)
#include "tst_commands_engine.moc"

void TestCommandsEngine::loadImagesSwitchDecidesWhatPagesFetch()
{
    const QString key = QStringLiteral("Software\\Microsoft\\Internet Explorer\\main");
    const QString value = QStringLiteral("Display Inline Images");
    TRegistry().deleteValue(key, value);   // missing: images are shown
    m_server->route("/pic.html", "<html><head><title>Pic</title></head><body><img src=\"/pic.png\"></body></html>");
    m_server->route("/pic.png", QByteArray("\x89PNG\r\n\x1a\n", 8), "image/png");
    openWindow();
    QAction *images = m_window->Commands()->Action(QStringLiteral("mnuOptionsLoadImages"));
    QVERIFY(images && images->isEnabled() && images->isChecked());
    TBrowserTab *tab = load("/pic.html");
    QVERIFY(m_server->waitForRequest("/pic.png", 1, LoadTimeout));
    QToolButton *button = m_window->ToolbarBand()->ButtonByName(QStringLiteral("tbLoadImages"));
    QVERIFY(button && button->isChecked());

    // Off: stored as "no", menu and button in step, every tab reloaded without the image.
    QVERIFY(m_window->Commands()->Trigger(images));
    QCOMPARE(TRegistry().readValue(key, value).text, QStringLiteral("no"));
    QVERIFY(!images->isChecked());
    QVERIFY(!button->isChecked());
    QVERIFY(m_server->waitForRequest("/pic.html", 2, LoadTimeout));
    QTRY_VERIFY_WITH_TIMEOUT(!tab->Loading, LoadTimeout);
    QCOMPARE(m_server->requestCount("/pic.png"), 1);

    // On again from the button: "yes", and the reload fetches the image.
    button->click();
    QCOMPARE(TRegistry().readValue(key, value).text, QStringLiteral("yes"));
    QVERIFY(images->isChecked());
    QVERIFY(m_server->waitForRequest("/pic.png", 2, LoadTimeout));

    // A stored "Yes" is off; the window shows it once it is activated again.
    TRegistry().writeString(key, value, QStringLiteral("Yes"));
    QEvent activation(QEvent::ActivationChange);
    QApplication::sendEvent(m_window, &activation);
    QVERIFY(!images->isChecked());
    QVERIFY(!button->isChecked());
    TRegistry().deleteValue(key, value);
    QApplication::sendEvent(m_window, &activation);
    QVERIFY(images->isChecked());

    // A write that fails leaves the switch showing what is really in effect.
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    {
        TEnvOverride broken("TABVANE_REGISTRY", QFile::encodeName(dir.filePath(QStringLiteral("file/hive.db"))));
        m_window->Commands()->Trigger(images);
        QVERIFY(images->isChecked());
        QVERIFY(button->isChecked());
    }
    QVERIFY(!TRegistry().readValue(key, value).exists());
}
