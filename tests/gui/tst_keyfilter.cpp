// The key and message filter of the main window, driven with keys and mouse buttons as the
// window system delivers them, on tabs with scripted web controls: which commands run, in
// which order the rules apply, and what is let through to the page and the focused control.

#include "testenv.h"

#include "app/main_window.h"
#include "app/statusarea.h"
#include "browser/browsertab.h"
#include "browser/kwpagecontrol.h"
#include "browser/tabmenu.h"
#include "browser/vessabrowser.h"
#include "components/fullscreen.h"
#include "components/shelltree.h"
#include "components/statuspanels.h"
#include "favorites/sidebar.h"
#include "platform/shellfolders.h"
#include "navigation/commandtable.h"
#include "navigation/keyfilter.h"
#include "navigation/kwcombobox.h"
#include "navigation/open.h"
#include "platform/offline.h"
#include "platform/registry.h"
#include "platform/scripted_control.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QtTest>

namespace {

// The keys and mouse presses a widget receives, as combined key values.
class TInputRecorder : public QObject {
public:
    explicit TInputRecorder(QWidget *widget) : QObject(widget) { widget->installEventFilter(this); }
    QList<int> keys;
    int mousePresses = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress)
            keys.append(static_cast<QKeyEvent *>(event)->keyCombination().toCombined());
        else if (event->type() == QEvent::MouseButtonPress)
            ++mousePresses;
        return false;
    }
    bool got(int combined) const { return keys.contains(combined); }
};

TScriptedControl *control(TBrowserTab *tab)
{
    return tab && tab->View() ? qobject_cast<TScriptedControl *>(tab->View()->Control()) : nullptr;
}

QWidget *pageOf(TBrowserTab *tab)
{
    return control(tab) ? control(tab)->widget() : nullptr;
}

}

class TestKeyFilter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { TScriptedControl::Install(); }
    void init();
    void cleanup();

    void keyTable_data();
    void keyTable();
    void tabKeysSwitchAndOnlyNavigationRepeats();
    void pageCommandsGoToTheActiveTabOnly();
    void closeKeys();
    void altKeys();
    void altKeysReachThePageWhenDisabled();
    void editKeysFollowTheFocus();
    void keysLetThroughReachPageAndAddressBox();
    void dialogKeepsItsKeys();
    void mouseBackAndForwardButtons();
    void functionKeysOnTheActiveTab();
    void f2RenamesInTheFavoritesTreeInsteadOfSwitchingTabs();
    void onlyThePagesOwnCloseRequestClosesItsTab();
    void addressBoxKeepsWhatTheUserTypes();
    void ctrlTOpensABlankTabToTypeIn();
    void middleClickOnATabClosesIt();
    void keysTriggerTheActionsTheMenusShow();

private:
    TfrmMain *openWindow();
    TBrowserTab *addTab(const QString &url);
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool autoRepeat = false);
    void focusPage(TBrowserTab *tab);

    TfrmMain *m_window = nullptr;
};

void TestKeyFilter::init()
{
    TKWOptions options;
    options.SetConfirmCloseAll(false);
    options.SetConfirmShutdown(false);
    options.SetDisableALTShortcuts(false);
    options.SetStartupMode(QStringLiteral("Home"));
    options.SetFullScreen(false);
    options.SetOpenNewInForeground(false);
    options.SetPopupVessa({});
    TOffline::SetOffline(false);
}

void TestKeyFilter::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

TfrmMain *TestKeyFilter::openWindow()
{
    m_window = new TfrmMain;
    m_window->SetCloseWithoutConfirmation(true);
    m_window->resize(900, 600);
    m_window->show();
    QApplication::setActiveWindow(m_window);
    if (!QTest::qWaitForWindowActive(m_window))
        qWarning("the main window did not become active");
    return m_window;
}

TBrowserTab *TestKeyFilter::addTab(const QString &url)
{
    TBrowserTab *tab = m_window->CreateForegroundTab();
    control(tab)->fireNavigateComplete2(control(tab)->Application(), url);
    return tab;
}

void TestKeyFilter::focusPage(TBrowserTab *tab)
{
    pageOf(tab)->setFocus();
    QTRY_VERIFY(pageOf(tab)->hasFocus());
}

// Press and release, delivered to the window as the window system does: shortcut
// override first, then the key to the focused widget.
void TestKeyFilter::key(int key, Qt::KeyboardModifiers modifiers, bool autoRepeat)
{
    QWindow *window = m_window->windowHandle();
    QString text;
    if (key >= Qt::Key_A && key <= Qt::Key_Z && !(modifiers & (Qt::ControlModifier | Qt::AltModifier)))
        text = QChar(modifiers & Qt::ShiftModifier ? key : key + 32);
    qt_handleKeyEvent(window, QEvent::KeyPress, key, modifiers, text, autoRepeat);
    qt_handleKeyEvent(window, QEvent::KeyRelease, key, modifiers, text, autoRepeat);
    QCoreApplication::processEvents();
}

void TestKeyFilter::keyTable_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("altDisabled");
    QTest::addColumn<bool>("hasTab");
    QTest::addColumn<bool>("favoritesTree");
    QTest::addColumn<int>("command");

    const int none = Qt::NoModifier, ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier,
              alt = Qt::AltModifier;
    const auto row = [](const char *name, int key, int mods, int command, bool altDisabled = false,
                        bool hasTab = true, bool favoritesTree = false) {
        QTest::newRow(name) << key << mods << altDisabled << hasTab << favoritesTree << command;
    };
    // Ctrl variants of function keys come before the function keys themselves.
    row("Ctrl+F3 follows the next link", Qt::Key_F3, ctrl, int(TKeyCommand::FollowNextLink));
    row("Ctrl+F4 closes the tab", Qt::Key_F4, ctrl, int(TKeyCommand::CloseTab));
    row("Ctrl+Shift+F4 closes all", Qt::Key_F4, ctrl | shift, int(TKeyCommand::CloseAll));
    row("Alt+F4 is the desktop's", Qt::Key_F4, alt, int(TKeyCommand::None));
    row("Ctrl+F1 Flyswat", Qt::Key_F1, ctrl, int(TKeyCommand::FlyswatLinks));
    row("Ctrl+F5 complete refresh", Qt::Key_F5, ctrl, int(TKeyCommand::RefreshCompletely));
    row("F2 kept by the favorites tree", Qt::Key_F2, none, int(TKeyCommand::None), false, true, true);
    // Shift changes some Ctrl keys; Shift+Tab arrives as Backtab.
    row("Ctrl+Shift+H home tab", Qt::Key_H, ctrl | shift, int(TKeyCommand::NewHomeTab));
    row("Ctrl+Shift+S save as", Qt::Key_S, ctrl | shift, int(TKeyCommand::SaveAs));
    row("Shift+Del cuts", Qt::Key_Delete, shift, int(TKeyCommand::Cut));
    row("Ctrl+Shift+Tab arrives as Backtab", Qt::Key_Backtab, ctrl | shift, int(TKeyCommand::PreviousTab));
    // Alt: Ctrl+Alt is how many layouts type characters.
    row("Alt+X is taken and does nothing", Qt::Key_X, alt, int(TKeyCommand::Nothing));
    row("Ctrl+Alt+E types a character", Qt::Key_E, ctrl | alt, int(TKeyCommand::None));
    // Without a tab only the menus and tab switching remain.
    row("Ctrl+Tab without a tab", Qt::Key_Tab, ctrl, int(TKeyCommand::NextTab), false, false);
    row("Alt+F without a tab", Qt::Key_F, alt, int(TKeyCommand::MenuFile), false, false);
    row("Esc without a tab", Qt::Key_Escape, none, int(TKeyCommand::None), false, false);
    row("Ctrl+W without a tab", Qt::Key_W, ctrl, int(TKeyCommand::None), false, false);
}

void TestKeyFilter::keyTable()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, altDisabled);
    QFETCH(bool, hasTab);
    QFETCH(bool, favoritesTree);
    QFETCH(int, command);
    TKeyFilterState state;
    state.altShortcutsDisabled = altDisabled;
    state.hasActiveTab = hasTab;
    state.favoritesTreeFocused = favoritesTree;
    QCOMPARE(int(KeyCommandFor(key, Qt::KeyboardModifiers(modifiers), state)), command);
}

void TestKeyFilter::tabKeysSwitchAndOnlyNavigationRepeats()
{
    openWindow();
    TBrowserTab *first = m_window->ActiveTab();
    TBrowserTab *second = addTab(QStringLiteral("http://127.0.0.1:1/b"));
    TBrowserTab *third = addTab(QStringLiteral("http://127.0.0.1:1/c"));
    focusPage(third);

    key(Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(m_window->ActiveTab(), first);
    key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(m_window->ActiveTab(), third);
    key(Qt::Key_F2);
    QCOMPARE(m_window->ActiveTab(), second);
    key(Qt::Key_F3);
    QCOMPARE(m_window->ActiveTab(), third);
    key(Qt::Key_F3, Qt::NoModifier, true);
    QCOMPARE(m_window->ActiveTab(), first);

    // A held Ctrl+W closes one tab, not one per repeat.
    key(Qt::Key_W, Qt::ControlModifier);
    QCOMPARE(m_window->TabCount(), 2);
    key(Qt::Key_W, Qt::ControlModifier, true);
    key(Qt::Key_W, Qt::ControlModifier, true);
    QCOMPARE(m_window->TabCount(), 2);
}

void TestKeyFilter::pageCommandsGoToTheActiveTabOnly()
{
    openWindow();
    TBrowserTab *other = m_window->ActiveTab();
    TBrowserTab *tab = addTab(QStringLiteral("http://127.0.0.1:1/a"));
    control(tab)->setLinks({{QStringLiteral("Next page"), QStringLiteral("http://127.0.0.1:1/n1")},
                            {QStringLiteral("home"), QStringLiteral("http://127.0.0.1:1/")},
                            {QStringLiteral("NEXT"), QStringLiteral("http://127.0.0.1:1/n2")}});
    focusPage(tab);
    TInputRecorder page(pageOf(tab));
    control(tab)->clearOperations();
    control(other)->clearOperations();

    key(Qt::Key_Escape);
    key(Qt::Key_F5);
    key(Qt::Key_R, Qt::ControlModifier);
    key(Qt::Key_P, Qt::ControlModifier);
    key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    key(Qt::Key_F, Qt::ControlModifier);
    key(Qt::Key_A, Qt::ControlModifier);
    key(Qt::Key_C, Qt::ControlModifier);
    key(Qt::Key_Delete, Qt::ShiftModifier);
    key(Qt::Key_E, Qt::ControlModifier);   // the side bar's key: taken, nothing runs
    key(Qt::Key_F3, Qt::ControlModifier);
    const QStringList ops = control(tab)->operations();
    for (const char *expected : {"Stop", "Refresh", "RefreshCompletely", "Exec Print prompt", "Exec SaveAs",
                                 "Exec Find", "Exec SelectAll", "Exec Copy", "Exec Cut"})
        QVERIFY2(ops.contains(QLatin1String(expected)), expected);
    QCOMPARE(control(tab)->navigations().last(), QStringLiteral("http://127.0.0.1:1/n2"));
    QVERIFY(control(other)->operations().isEmpty());
    QVERIFY2(page.keys.isEmpty(), "a key the filter took reached the page");

    control(tab)->clearOperations();
    key(Qt::Key_Escape, Qt::ShiftModifier);
    key(Qt::Key_F5, Qt::ShiftModifier);
    for (TBrowserTab *t : {tab, other}) {
        QVERIFY(control(t)->operations().contains(QStringLiteral("Stop")));
        QVERIFY(control(t)->operations().contains(QStringLiteral("Refresh")));
    }
}

void TestKeyFilter::closeKeys()
{
    openWindow();
    addTab(QStringLiteral("http://127.0.0.1:1/b"));
    TBrowserTab *third = addTab(QStringLiteral("http://127.0.0.1:1/c"));
    focusPage(third);
    key(Qt::Key_F4, Qt::ControlModifier);
    QCOMPARE(m_window->TabCount(), 2);
    key(Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(m_window->TabCount(), 1);
}

void TestKeyFilter::altKeys()
{
    TRegistry(RegRoot::CurrentUser).writeString(QStringLiteral("Software\\Microsoft\\Internet Explorer\\Main"),
                                                QStringLiteral("Start Page"), QStringLiteral("http://127.0.0.1:1/home"));
    openWindow();
    TBrowserTab *tab = addTab(QStringLiteral("http://127.0.0.1:1/a"));
    focusPage(tab);
    m_window->AddressBar()->AddressBox()->setEditText(QStringLiteral("http://127.0.0.1:1/a"));

    key(Qt::Key_D, Qt::AltModifier);
    QVERIFY(m_window->AddressBar()->AddressBox()->lineEdit()->hasFocus());
    QCOMPARE(m_window->AddressBar()->AddressBox()->lineEdit()->selectedText(), QStringLiteral("http://127.0.0.1:1/a"));

    control(tab)->clearOperations();
    key(Qt::Key_Home, Qt::AltModifier);
    QCOMPARE(control(tab)->navigations(), QStringList{QStringLiteral("http://127.0.0.1:1/home")});
    key(Qt::Key_Left, Qt::AltModifier);    // cannot go back yet: taken all the same
    QVERIFY(!control(tab)->operations().contains(QStringLiteral("GoBack")));
    control(tab)->fireCommandStateChange(CSC_NAVIGATEBACK, true);
    key(Qt::Key_Left, Qt::AltModifier);
    QVERIFY(control(tab)->operations().contains(QStringLiteral("GoBack")));

    // Alt+F drops the File menu with Work Offline read from the hive; Alt+S the Tabs menu,
    // rebuilt with one entry per tab.
    TOffline::SetOffline(true);
    auto *file = m_window->findChild<QMenu *>(QStringLiteral("mnuFile"));
    key(Qt::Key_F, Qt::AltModifier);
    QTRY_VERIFY(file->isVisible());
    QVERIFY(m_window->Commands()->Action(QStringLiteral("mnuFileWorkOffline"))->isChecked());
    QVERIFY(file->activeAction());
    // The long part of a hint goes to the status bar, also from a menu opened this way.
    file->setActiveAction(file->findChild<QAction *>(QStringLiteral("pmFileOpen")));
    QCOMPARE(m_window->StatusArea()->Bar()->PanelText(0), QStringLiteral("Shows the open dialog"));
    file->close();
    key(Qt::Key_S, Qt::AltModifier);
    QTRY_VERIFY(m_window->TabMenu()->TabsMenu()->isVisible());
    QCOMPARE(m_window->TabMenu()->TabsMenu()->actions().size(), m_window->TabCount());
    m_window->TabMenu()->TabsMenu()->close();
}

void TestKeyFilter::altKeysReachThePageWhenDisabled()
{
    TKWOptions().SetDisableALTShortcuts(true);
    openWindow();
    TBrowserTab *tab = m_window->ActiveTab();
    control(tab)->fireCommandStateChange(CSC_NAVIGATEBACK, true);
    focusPage(tab);
    TInputRecorder page(pageOf(tab));
    control(tab)->clearOperations();
    const QList<int> keys = {Qt::Key_D, Qt::Key_Home, Qt::Key_Left, Qt::Key_Right, Qt::Key_F};
    for (int k : keys)
        key(k, Qt::AltModifier);
    for (int k : keys)
        QVERIFY(page.got(QKeyCombination(Qt::AltModifier, Qt::Key(k)).toCombined()));
    QVERIFY(control(tab)->operations().isEmpty());
    QVERIFY(!QApplication::activePopupWidget());
}

void TestKeyFilter::editKeysFollowTheFocus()
{
    openWindow();
    TBrowserTab *tab = m_window->ActiveTab();
    QLineEdit *edit = m_window->AddressBar()->AddressBox()->lineEdit();
    m_window->AddressBar()->AddressBox()->setEditText(QStringLiteral("typed address"));
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    control(tab)->clearOperations();

    key(Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(edit->selectedText(), QStringLiteral("typed address"));
    key(Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("typed address"));
    edit->setCursorPosition(5);
    key(Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(edit->text(), QStringLiteral("typedtyped address address"));
    QVERIFY(control(tab)->operations().isEmpty());

    focusPage(tab);
    key(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(control(tab)->operations(), QStringList{QStringLiteral("Exec Paste")});
}

void TestKeyFilter::keysLetThroughReachPageAndAddressBox()
{
    openWindow();
    TBrowserTab *tab = m_window->ActiveTab();
    focusPage(tab);
    TInputRecorder page(pageOf(tab));
    const QList<int> keys = {Qt::Key_Backspace, Qt::Key_Return, Qt::Key_Up, Qt::Key_Down,
                             Qt::Key_Delete, Qt::Key_F10, Qt::Key_Q};
    for (int k : keys)
        key(k);
    for (int k : keys)
        QVERIFY2(page.got(k), qPrintable(QKeySequence(k).toString()));

    // Typing in the address box, Backspace and Enter work as in any edit field.
    QLineEdit *edit = m_window->AddressBar()->AddressBox()->lineEdit();
    edit->clear();
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    QTest::keyClicks(edit, QStringLiteral("example.orgx"));
    key(Qt::Key_Backspace);
    QCOMPARE(edit->text(), QStringLiteral("example.org"));
    control(tab)->clearOperations();
    key(Qt::Key_Return);
    QCOMPARE(control(tab)->navigations(), QStringList{QStringLiteral("example.org")});
}

void TestKeyFilter::dialogKeepsItsKeys()
{
    openWindow();
    TBrowserTab *tab = m_window->ActiveTab();
    focusPage(tab);
    control(tab)->clearOperations();
    bool sawDialog = false;
    QString focusAfterTab;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<TfrmOpen *>(QApplication::activeModalWidget());
        if (!dialog || !QTest::qWaitForWindowActive(dialog))
            return;
        sawDialog = true;
        QWindow *window = dialog->windowHandle();
        QTest::keyClick(window, Qt::Key_Tab);
        focusAfterTab = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
        QTest::keyClick(window, Qt::Key_F5);
        QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
        QTest::keyClick(window, Qt::Key_Escape);   // closes the dialog, stops nothing
    });
    key(Qt::Key_O, Qt::ControlModifier);
    QVERIFY(sawDialog);
    QCOMPARE(focusAfterTab, QStringLiteral("chkNewTab"));
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(m_window->TabCount(), 1);
    QVERIFY2(control(tab)->operations().isEmpty(), qPrintable(control(tab)->operations().join(", ")));
}

void TestKeyFilter::mouseBackAndForwardButtons()
{
    openWindow();
    TBrowserTab *tab = m_window->ActiveTab();
    control(tab)->fireCommandStateChange(CSC_NAVIGATEBACK, true);
    control(tab)->fireCommandStateChange(CSC_NAVIGATEFORWARD, true);
    QWidget *page = pageOf(tab);
    TInputRecorder recorder(page);
    control(tab)->clearOperations();
    const QPoint centre = page->mapTo(m_window, page->rect().center());
    QTest::mouseClick(m_window->windowHandle(), Qt::BackButton, Qt::NoModifier, centre);
    QTest::mouseClick(m_window->windowHandle(), Qt::ForwardButton, Qt::NoModifier, centre);
    QCOMPARE(control(tab)->operations(), (QStringList{QStringLiteral("GoBack"), QStringLiteral("GoForward")}));
    QCOMPARE(recorder.mousePresses, 0);
    QTest::mouseClick(m_window->windowHandle(), Qt::LeftButton, Qt::NoModifier, centre);
    QCOMPARE(recorder.mousePresses, 1);
}

void TestKeyFilter::functionKeysOnTheActiveTab()
{
    openWindow();
    TBrowserTab *tab = addTab(QStringLiteral("http://127.0.0.1:1/popup?x=1"));
    focusPage(tab);

    key(Qt::Key_F12);
    QVERIFY(tab->Locked);
    key(Qt::Key_F12);
    QVERIFY(!tab->Locked);
    const bool foreground = m_window->TabManager()->OpenNewInForeground();
    key(Qt::Key_F12, Qt::ControlModifier);
    QCOMPARE(m_window->TabManager()->OpenNewInForeground(), !foreground);
    key(Qt::Key_F11);
    QVERIFY(m_window->FullScreen()->IsOn());
    key(Qt::Key_F11);
    QVERIFY(!m_window->FullScreen()->IsOn());

    // F9 asks for a sticky name for the active tab, and clears it the next time.
    QTimer::singleShot(0, this, [] {
        if (auto *input = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
            input->setTextValue(QStringLiteral("Sticky"));
            input->accept();
        }
    });
    key(Qt::Key_F9);
    QCOMPARE(tab->StickyName, QStringLiteral("Sticky"));
    QApplication::setActiveWindow(m_window);   // the window manager's part
    key(Qt::Key_F9);
    QVERIFY(tab->StickyName.isEmpty());

    // F8 adds the address to PopupVessa and closes the tab.
    const QPointer<TBrowserTab> guard(tab);
    const int before = m_window->TabCount();
    key(Qt::Key_F8);
    QCOMPARE(m_window->TabCount(), before - 1);
    QTRY_VERIFY(!guard);
    QCOMPARE(TKWOptions().PopupVessa().size(), 1);
    QVERIFY(TKWOptions().PopupVessa().first().endsWith(QLatin1String("=http://127.0.0.1:1/popup")));
}

void TestKeyFilter::onlyThePagesOwnCloseRequestClosesItsTab()
{
    openWindow();
    TBrowserTab *tab = addTab(QStringLiteral("http://127.0.0.1:1/a"));
    const QPointer<TBrowserTab> guard(tab);

    // A menu of the page (its context menu, a picker) closes without taking the tab along.
    auto *menu = new QMenu(pageOf(tab));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(QStringLiteral("Open link in new tab"));
    menu->popup(pageOf(tab)->mapToGlobal(QPoint(10, 10)));
    QTRY_COMPARE(QApplication::activePopupWidget(), menu);
    const QPointer<QMenu> menuGuard(menu);
    QTest::keyClick(menu, Qt::Key_Escape);
    QTRY_VERIFY(!menuGuard || !menuGuard->isVisible());
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QVERIFY(guard);
    QVERIFY(!guard->IsClosing());
    QCOMPARE(m_window->TabCount(), 2);

    // The page asking to close its own window closes the tab.
    control(tab)->fireWindowCloseRequested();
    QTRY_VERIFY(!guard);
    QCOMPARE(m_window->TabCount(), 1);
    // Closing a dialog of the window is not affected.
    QDialog dialog(m_window);
    dialog.show();
    QVERIFY(dialog.close());
}

void TestKeyFilter::addressBoxKeepsWhatTheUserTypes()
{
    openWindow();
    TBrowserTab *first = addTab(QStringLiteral("http://127.0.0.1:1/a"));
    focusPage(first);
    QLineEdit *edit = m_window->AddressBar()->AddressBox()->lineEdit();

    // Ctrl+N, and the user types at once; the new tab's blank page arrives meanwhile.
    key(Qt::Key_N, Qt::ControlModifier);
    TBrowserTab *fresh = m_window->ActiveTab();
    QVERIFY(fresh != first);
    QTRY_VERIFY(edit->hasFocus());
    for (int k : {Qt::Key_E, Qt::Key_X, Qt::Key_A, Qt::Key_M})
        key(k);
    TScriptedControl *c = control(fresh);
    QVERIFY(c->simulateLoad(QStringLiteral("about:blank")));
    for (int k : {Qt::Key_P, Qt::Key_L, Qt::Key_E})
        key(k);
    QCOMPARE(m_window->AddressBar()->AddressBox()->currentText(), QStringLiteral("example"));
    // Nor does a load the page makes by itself take the text away.
    QVERIFY(c->simulateLoad(QStringLiteral("http://127.0.0.1:1/moved")));
    QCOMPARE(m_window->AddressBar()->AddressBox()->currentText(), QStringLiteral("example"));
    QVERIFY(m_window->AddressBar()->AddressBeingEdited());

    // Esc puts the tab's address back, all selected, and stops nothing.
    c->clearOperations();
    key(Qt::Key_Escape);
    QCOMPARE(m_window->AddressBar()->AddressBox()->currentText(), QStringLiteral("http://127.0.0.1:1/moved"));
    QCOMPARE(edit->selectedText(), QStringLiteral("http://127.0.0.1:1/moved"));
    QCOMPARE(c->count(QStringLiteral("Stop")), 0);
    QVERIFY(!m_window->AddressBar()->AddressBeingEdited());
    // Not editing any more: the box follows the tab's loads again.
    QVERIFY(c->simulateLoad(QStringLiteral("http://127.0.0.1:1/next")));
    QCOMPARE(m_window->AddressBar()->AddressBox()->currentText(), QStringLiteral("http://127.0.0.1:1/next"));

    // A typed address confirmed with Enter is navigated to, and the box follows again.
    edit->selectAll();
    key(Qt::Key_B);
    QCOMPARE(m_window->AddressBar()->AddressBox()->currentText(), QStringLiteral("b"));
    key(Qt::Key_Return);
    QCOMPARE(c->navigations().last(), QStringLiteral("b"));
    QVERIFY(c->simulateLoad(QStringLiteral("http://b/")));
    QCOMPARE(m_window->AddressBar()->AddressBox()->currentText(), QStringLiteral("http://b/"));

    // Esc while not editing stops the tab as before.
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    c->clearOperations();
    key(Qt::Key_Escape);
    QCOMPARE(c->count(QStringLiteral("Stop")), 1);

    // Words typed into the box are taken once (as a search does), and the box shows the
    // tab's address again; a box that shows the address gives no words.
    QVERIFY(m_window->AddressBar()->TakeWordsBeingTyped().isEmpty());
    QCOMPARE(m_window->AddressBar()->AddressBox()->currentText(), QStringLiteral("http://b/"));
    edit->selectAll();
    for (int k : {Qt::Key_T, Qt::Key_A, Qt::Key_B})
        key(k);
    QCOMPARE(m_window->AddressBar()->TakeWordsBeingTyped(), QStringLiteral("tab"));
    QCOMPARE(m_window->AddressBar()->AddressBox()->currentText(), QStringLiteral("http://b/"));
    QVERIFY(!m_window->AddressBar()->AddressBeingEdited());
    QVERIFY(m_window->AddressBar()->TakeWordsBeingTyped().isEmpty());
}

void TestKeyFilter::ctrlTOpensABlankTabToTypeIn()
{
    openWindow();
    TBrowserTab *first = addTab(QStringLiteral("http://127.0.0.1:1/a"));
    focusPage(first);
    const int before = m_window->TabCount();
    key(Qt::Key_T, Qt::ControlModifier);
    QCOMPARE(m_window->TabCount(), before + 1);
    TBrowserTab *fresh = m_window->ActiveTab();
    QVERIFY(fresh != first);
    QCOMPARE(m_window->TabManager()->PageControl()->IndexOfPage(fresh), m_window->TabManager()->PageControl()->IndexOfPage(first) + 1);
    QCOMPARE(control(fresh)->navigations().value(0), QStringLiteral("about:blank"));
    QTRY_VERIFY(m_window->AddressBar()->AddressBox()->lineEdit()->hasFocus());
    QVERIFY(m_window->AddressBar()->AddressBox()->currentText().isEmpty());
    // The menu shows the key on its Blank entry.
    auto *blank = m_window->findChild<QAction *>(QStringLiteral("mnuFileNewBlank"));
    QVERIFY(blank);
    QCOMPARE(blank->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
}

void TestKeyFilter::middleClickOnATabClosesIt()
{
    openWindow();
    TBrowserTab *second = addTab(QStringLiteral("http://127.0.0.1:1/b"));
    TBrowserTab *third = addTab(QStringLiteral("http://127.0.0.1:1/c"));
    QWidget *bar = m_window->TabManager()->PageControl()->TabBar();
    const auto centre = [&](TBrowserTab *tab) {
        return m_window->TabManager()->PageControl()->TabRect(tab->TabIndex()).center() - bar->pos();
    };

    // Pressed on one tab and released on another: nothing closes.
    QTest::mousePress(bar, Qt::MiddleButton, {}, centre(second));
    QTest::mouseRelease(bar, Qt::MiddleButton, {}, centre(third));
    QCOMPARE(m_window->TabCount(), 3);

    // A middle click on a tab that is not active closes it; the active tab stays.
    const QPointer<TBrowserTab> guard(second);
    QTest::mouseClick(bar, Qt::MiddleButton, {}, centre(second));
    QTRY_VERIFY(!guard);
    QCOMPARE(m_window->TabCount(), 2);
    QCOMPARE(m_window->ActiveTab(), third);
    // The only tab left is reset, as Close does.
    QTest::mouseClick(bar, Qt::MiddleButton, {}, centre(third));
    QTRY_COMPARE(m_window->TabCount(), 1);
    QTest::mouseClick(bar, Qt::MiddleButton, {}, centre(m_window->ActiveTab()));
    QCOMPARE(m_window->TabCount(), 1);
    QCOMPARE(m_window->ActiveTab()->Caption(), QStringLiteral("Blank"));
}

void TestKeyFilter::keysTriggerTheActionsTheMenusShow()
{
    openWindow();
    TBrowserTab *tab = addTab(QStringLiteral("http://127.0.0.1:1/a"));
    focusPage(tab);
    const auto action = [this](const char *name) {
        auto *a = m_window->findChild<QAction *>(QLatin1String(name));
        return a;
    };

    // A key runs the very action its menu item holds.
    QAction *back = action("actBack");
    QAction *saveAs = action("mnuFileSaveAs");
    QAction *locked = action("pmTabLocked");
    QVERIFY(back && saveAs && locked);
    QSignalSpy backRuns(back, &QAction::triggered);
    QSignalSpy saveAsRuns(saveAs, &QAction::triggered);
    QSignalSpy lockedRuns(locked, &QAction::triggered);
    // The File menu is filled when it first opens; its keys work before that, and the
    // menu then holds the very action the key ran.
    auto *file = m_window->findChild<QMenu *>(QStringLiteral("mnuFile"));
    QVERIFY(file && !file->actions().contains(saveAs));
    key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(saveAsRuns.count(), 1);
    Q_EMIT file->aboutToShow();
    QVERIFY(file->actions().contains(saveAs));
    QCOMPARE(saveAs->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));

    // Back is disabled while the tab has no history: Alt+Left is taken and runs nothing.
    QVERIFY(!back->isEnabled());
    control(tab)->clearOperations();
    key(Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(backRuns.count(), 0);
    control(tab)->fireCommandStateChange(CSC_NAVIGATEBACK, true);
    QVERIFY(back->isEnabled());
    key(Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(backRuns.count(), 1);
    QCOMPARE(control(tab)->count(QStringLiteral("GoBack")), 1);

    // The tab menu's Tab Locked, run from F12, locks and unlocks the active tab.
    key(Qt::Key_F12);
    QCOMPARE(lockedRuns.count(), 1);
    QVERIFY(tab->Locked);
    key(Qt::Key_F12);
    QVERIFY(!tab->Locked);

    // F4 toggles the VessaBar through its View menu item.
    QAction *vessaBar = action("pmViewVessaBar");
    QSignalSpy vessaBarRuns(vessaBar, &QAction::triggered);
    QVERIFY(vessaBar->isEnabled());
    const bool shown = vessaBar->isChecked();
    key(Qt::Key_F4);
    QCOMPARE(vessaBarRuns.count(), 1);
    QCOMPARE(vessaBar->isChecked(), !shown);
    key(Qt::Key_F4);
    QCOMPARE(vessaBar->isChecked(), shown);
}

void TestKeyFilter::f2RenamesInTheFavoritesTreeInsteadOfSwitchingTabs()
{
    const QString favorites = TShellFolders::Favorites();
    QVERIFY(QDir().mkpath(favorites));
    const QString path = favorites + QStringLiteral("/Renamed.url");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[InternetShortcut]\r\nURL=http://127.0.0.1:1/r\r\n");
    file.close();

    openWindow();
    addTab(QStringLiteral("http://127.0.0.1:1/b"));
    TBrowserTab *second = m_window->ActiveTab();
    auto *bar = m_window->findChild<TSideBar *>(QStringLiteral("sideBar"));
    QVERIFY(bar);
    bar->ShowPage(TSideBar::Favorites);
    TShellTree *tree = bar->FavoritesTree();
    QVERIFY(tree);
    QModelIndex index;
    QVERIFY(QTest::qWaitFor([&] { return (index = tree->IndexOf(path)).isValid(); }, 10000));
    tree->setCurrentIndex(index);
    tree->setFocus();
    QTRY_VERIFY(tree->hasFocus());

    // F2 starts the rename; the tab stays.
    key(Qt::Key_F2);
    QCOMPARE(m_window->ActiveTab(), second);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor && tree->isAncestorOf(editor));
    QCOMPARE(editor->text(), QStringLiteral("Renamed"));
    editor->setText(QStringLiteral("Kept extension"));
    const int tabs = m_window->TabCount();
    key(Qt::Key_Return);
    QTRY_VERIFY(QFile::exists(favorites + QStringLiteral("/Kept extension.url")));
    QVERIFY(!QFile::exists(path));
    // The Enter that ended the rename opened nothing.
    QCOMPARE(m_window->TabCount(), tabs);
    QCOMPARE(m_window->ActiveTab(), second);

    // Elsewhere F2 is the previous tab again.
    focusPage(second);
    key(Qt::Key_F2);
    QVERIFY(m_window->ActiveTab() != second);
}

TV_TEST_MAIN_GUI(TestKeyFilter)
#include "tst_keyfilter.moc"
