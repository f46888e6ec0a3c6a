// The main window's menus and commands on tabs with scripted web controls: the "&Menu"
// overflow button, the Open dialog, Clear Addresses, Work Offline, Text Size, Edit
// Document, help and About, the URL history, IE4-style completion and the band menu.

#include "keyboardcheck.h"
#include "testenv.h"
#include "platform/makerhost.h"

#include "app/main_window.h"
#include "browser/browsertab.h"
#include "browser/tabmenu.h"
#include "browser/vessabrowser.h"
#include "components/coolbar.h"
#include "navigation/commandtable.h"
#include "navigation/editdocument.h"
#include "navigation/kwcombobox.h"
#include "navigation/mainmenus.h"
#include "navigation/open.h"
#include "navigation/pagecommands.h"
#include "navigation/typedurls.h"
#include "options/bandlayout.h"
#include "options/toolbarband.h"
#include "options/toolbarcatalogue.h"
#include "platform/offline.h"
#include "platform/registry.h"
#include "platform/scripted_control.h"
#include "platform/urlhistory.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include <functional>

namespace {

TScriptedControl *control(TBrowserTab *tab)
{
    return tab && tab->View() ? qobject_cast<TScriptedControl *>(tab->View()->Control()) : nullptr;
}

// Runs answer on the next modal dialog once it is up (from inside its event loop).
void whenModal(QObject *context, std::function<void(QWidget *)> answer)
{
    QTimer::singleShot(0, context, [answer] {
        QWidget *modal = nullptr;
        if (QTest::qWaitFor([&] { return (modal = QApplication::activeModalWidget()) != nullptr; }, 5000))
            answer(modal);
    });
}

void answerQuestion(QObject *context, QMessageBox::StandardButton button)
{
    whenModal(context, [button](QWidget *modal) {
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            box->button(button)->click();
    });
}

QStringList visibleSubMenus(QMenu *menu)
{
    QStringList names;
    for (QAction *action : menu->actions()) {
        if (action->menu() && action->isVisible())
            names.append(action->menu()->objectName());
    }
    return names;
}

}

class TestCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { TScriptedControl::Install(); }
    void init();
    void cleanup();

    void menuButtonOffersTheCutOffMenus();
    void openDialogOpensInANewOrTheActiveTab();
    void clearAddressesAsksFirst();
    void workOfflineFollowsTheStoredState();
    void textSizeMenusFollowThePage();
    void editDocumentRunsTheEditor();
    void helpAndAbout();
    void historyRecordsCompletedLoadsOnly();
    void ie4CompletionInTheAddressBox();
    void bandMenuMirrorsTheViewMenu();
    void internetOptionsTellsTheSideBar();
    void stopIsEnabledWhileTheActiveTabLoads();
    void commandTableIsSound();
    void noCommandIsLeftWaiting();
    void userGuideNamesEveryCommand();

private:
    TfrmMain *openWindow(int width = 1000);
    TfrmMain *m_window = nullptr;
};

void TestCommands::init()
{
    TKWOptions options;
    options.SetConfirmShutdown(false);
    options.SetStartupMode(QStringLiteral("Home"));
    options.SetAutoCompleteStyle(TAutoCompleteStyle::IE5);
    options.SetFullScreen(false);
    TOffline::SetOffline(false);
}

void TestCommands::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

TfrmMain *TestCommands::openWindow(int width)
{
    m_window = new TfrmMain;
    m_window->SetCloseWithoutConfirmation(true);
    m_window->resize(width, 600);
    m_window->show();
    QApplication::setActiveWindow(m_window);
    if (!QTest::qWaitForWindowActive(m_window))
        qWarning("the main window did not become active");
    return m_window;
}

void TestCommands::menuButtonOffersTheCutOffMenus()
{
    openWindow(1000);
    QTRY_VERIFY(m_window->findChild<QWidget *>(QStringLiteral("pnlMenuBar"))->width() > 0);
    QVERIFY(!m_window->Menus()->MenuButton()->isVisible());

    // Narrow: File still fits, Help does not.
    auto *file = m_window->findChild<QToolButton *>(QStringLiteral("tbMenuFile"));
    auto *help = m_window->findChild<QToolButton *>(QStringLiteral("tbMenuHelp"));
    const int narrow = file->width() * 3;
    m_window->setMinimumWidth(0);
    m_window->resize(narrow + 150, 600);
    QTRY_VERIFY(m_window->findChild<QWidget *>(QStringLiteral("pnlMenuBar"))->width() < help->x() + help->width());
    QTRY_VERIFY(m_window->Menus()->MenuButton()->isVisible());
    QVERIFY(m_window->Menus()->ButtonPanel()->width() + m_window->Menus()->MenuButton()->width() <= m_window->findChild<QWidget *>(QStringLiteral("pnlMenuBar"))->width());

    m_window->CreateForegroundTab();
    m_window->Menus()->PreparePmMenu();
    const QStringList shown = visibleSubMenus(m_window->findChild<QMenu *>(QStringLiteral("mnuMenu")));
    QVERIFY(!shown.contains(QStringLiteral("mnuFile")));
    for (const char *name : {"mnuHelp", "mnuTools", "mnuTabs"})
        QVERIFY2(shown.contains(QLatin1String(name)), name);
    QCOMPARE(m_window->TabMenu()->TabsMenu()->actions().size(), 2);   // rebuilt for the new tab

    m_window->resize(1000, 600);
    QTRY_VERIFY(!m_window->Menus()->MenuButton()->isVisible());
    m_window->Menus()->PreparePmMenu();
    QCOMPARE(visibleSubMenus(m_window->findChild<QMenu *>(QStringLiteral("mnuMenu"))), (QStringList{QStringLiteral("mnuTools"), QStringLiteral("mnuTabs")}));
}

void TestCommands::openDialogOpensInANewOrTheActiveTab()
{
    openWindow();
    m_window->AddressBar()->SetTypedAddresses({QStringLiteral("http://typed.example/")});
    TBrowserTab *active = m_window->ActiveTab();
    const QString file = QDir::temp().filePath(QStringLiteral("page.html"));

    QStringList listed;
    whenModal(this, [&](QWidget *modal) {
        auto *dialog = qobject_cast<TfrmOpen *>(modal);
        for (int i = 0; i < dialog->ComboBox1->count(); ++i)
            listed.append(dialog->ComboBox1->itemText(i));
        dialog->ComboBox1->setEditText(file);
        dialog->cmdOK->click();
    });
    m_window->PageCommands()->actOpenExecute();
    QCOMPARE(listed, QStringList{QStringLiteral("http://typed.example/")});
    QCOMPARE(m_window->TabCount(), 2);
    QVERIFY(m_window->ActiveTab() != active);
    QCOMPARE(control(m_window->ActiveTab())->navigations().last(), file);

    // Unticked: the active tab stops what it loads, then goes to the address.
    active = m_window->ActiveTab();
    control(active)->clearOperations();
    whenModal(this, [](QWidget *modal) {
        auto *dialog = qobject_cast<TfrmOpen *>(modal);
        dialog->ComboBox1->setEditText(QStringLiteral("http://127.0.0.1:1/x"));
        dialog->chkNewTab->setChecked(false);
        dialog->cmdOK->click();
    });
    m_window->PageCommands()->actOpenExecute();
    QCOMPARE(m_window->TabCount(), 2);
    const QStringList ops = control(active)->operations();
    QVERIFY(ops.indexOf(QStringLiteral("Stop")) >= 0);
    QVERIFY(ops.indexOf(QStringLiteral("Stop")) < ops.indexOf(QStringLiteral("Navigate http://127.0.0.1:1/x")));

    control(active)->clearOperations();
    whenModal(this, [](QWidget *modal) { qobject_cast<QDialog *>(modal)->reject(); });
    m_window->PageCommands()->actOpenExecute();
    QCOMPARE(m_window->TabCount(), 2);
    QVERIFY(control(active)->navigations().isEmpty());
}

void TestCommands::clearAddressesAsksFirst()
{
    openWindow();
    const QStringList typed = {QStringLiteral("http://a.example/"), QStringLiteral("http://b.example/")};
    TTypedUrls::Save(typed);
    m_window->AddressBar()->SetTypedAddresses(typed);
    TBrowserTab *tab = m_window->ActiveTab();
    control(tab)->fireNavigateComplete2(control(tab)->Application(), QStringLiteral("http://127.0.0.1:1/now"));
    m_window->AddressBar()->AddressBox()->setEditText(QStringLiteral("half typed"));

    answerQuestion(this, QMessageBox::No);
    m_window->PageCommands()->mnuToolsFavsClick();
    QCOMPARE(m_window->AddressBar()->TypedAddresses(), typed);
    QCOMPARE(TTypedUrls::Load(), typed);

    // The band menu's entry asks the same question.
    answerQuestion(this, QMessageBox::Yes);
    m_window->Menus()->CustomizeMenu()->findChild<QAction *>(QStringLiteral("mnuClearAddr"))->trigger();
    QVERIFY(m_window->AddressBar()->TypedAddresses().isEmpty());
    QVERIFY(TTypedUrls::Load().isEmpty());
    QVERIFY(TRegistry(RegRoot::CurrentUser).keyExists(TTypedUrls::Key));
    QCOMPARE(m_window->AddressBar()->AddressBox()->currentText(), QStringLiteral("http://127.0.0.1:1/now"));
}

void TestCommands::workOfflineFollowsTheStoredState()
{
    openWindow();
    auto *file = m_window->findChild<QMenu *>(QStringLiteral("mnuFile"));
    auto *label = m_window->findChild<QLabel *>(QStringLiteral("lblOffline"));
    QVERIFY(label);
    QVERIFY(!label->isVisibleTo(m_window));
    TOffline::SetOffline(true);   // changed behind the window's back
    Q_EMIT file->aboutToShow();
    QVERIFY(m_window->Commands()->Action(QStringLiteral("mnuFileWorkOffline"))->isChecked());
    // The status bar says so while it lasts.
    QVERIFY(label->isVisibleTo(m_window));
    QCOMPARE(label->text(), QStringLiteral("Working Offline"));
    m_window->Commands()->Action(QStringLiteral("mnuFileWorkOffline"))->trigger();
    QVERIFY(!TOffline::IsOffline());
    QVERIFY(!m_window->Commands()->Action(QStringLiteral("mnuFileWorkOffline"))->isChecked());
    QVERIFY(!label->isVisibleTo(m_window));
    m_window->Commands()->Action(QStringLiteral("mnuFileWorkOffline"))->trigger();
    QVERIFY(TOffline::IsOffline());
    QVERIFY(TOffline::CachedOffline());
    QVERIFY(label->isVisibleTo(m_window));
    // Going online elsewhere (the offline page's button) clears the check and the label.
    TOffline::SetOffline(false);
    QVERIFY(!m_window->Commands()->Action(QStringLiteral("mnuFileWorkOffline"))->isChecked());
    QVERIFY(!label->isVisibleTo(m_window));
}

void TestCommands::textSizeMenusFollowThePage()
{
    openWindow();
    TBrowserTab *tab = m_window->ActiveTab();
    control(tab)->setZoom(0);
    for (const char *name : {"mnuViewTextSize", "pmFont"}) {
        auto *menu = m_window->findChild<QMenu *>(QLatin1String(name));
        QVERIFY2(menu, name);
        Q_EMIT menu->aboutToShow();
        QStringList checked;
        for (QAction *item : menu->actions()) {
            if (item->isChecked())
                checked.append(item->text());
        }
        QCOMPARE(checked, QStringList{QStringLiteral("Smallest")});
        control(tab)->clearOperations();
        menu->actions().at(1)->trigger();
        QCOMPARE(control(tab)->operations(), QStringList{QStringLiteral("SetZoom 3")});
        control(tab)->setZoom(0);
    }
    // The Font button itself sets Medium.
    control(tab)->clearOperations();
    m_window->ToolbarBand()->Bar()->findChild<QAction *>(QStringLiteral("tbFontSize"))->trigger();
    QCOMPARE(control(tab)->operations(), QStringList{QStringLiteral("SetZoom 2")});
}

void TestCommands::editDocumentRunsTheEditor()
{
    const QString output = QDir(qEnvironmentVariable("HOME")).filePath(QStringLiteral("edited.htm"));
    const QString apps = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications");
    QDir().mkpath(apps);
    QFile entry(apps + QStringLiteral("/copyeditor.desktop"));
    QVERIFY(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=Copy Editor\nMimeType=text/html;\nExec=cp %f \""
                + output.toUtf8() + "\"\n");
    entry.close();

    openWindow();
    TBrowserTab *tab = m_window->ActiveTab();
    control(tab)->setDocumentHtml(QStringLiteral("<p>page to edit</p>"));
    Q_EMIT m_window->findChild<QMenu *>(QStringLiteral("pmEditDocument"))->aboutToShow();
    QAction *editor = nullptr;
    for (QAction *item : m_window->findChild<QMenu *>(QStringLiteral("pmEditDocument"))->actions()) {
        if (item->text() == QLatin1String("Copy Editor"))
            editor = item;
    }
    QVERIFY(editor);
    editor->trigger();
    // The editor may still be writing when its file appears.
    const auto edited = [&output] {
        QFile copy(output);
        return copy.open(QIODevice::ReadOnly) ? copy.readAll() : QByteArray();
    };
    QTRY_COMPARE(edited(), QByteArray("<p>page to edit</p>"));

    // An entry without a command, and a page that cannot be saved, end in a message.
    TRegistry(RegRoot::ClassesRoot).createKey(TEditDocument::OpenWithListKey + QStringLiteral("\\Broken"));
    for (bool hasDocument : {true, false}) {
        control(tab)->setHasDocument(hasDocument);
        m_window->PageCommands()->EditDocument(QStringLiteral("Broken"));
        QMessageBox *message = nullptr;
        QTRY_VERIFY((message = m_window->findChild<QMessageBox *>(QStringLiteral("msgCommand"))));
        QVERIFY(message->text().contains(hasDocument ? QLatin1String("could not be started")
                                                     : QLatin1String("could not be saved")));
        delete message;
    }
}

void TestCommands::helpAndAbout()
{
    openWindow();
    m_window->PageCommands()->HelpTopics();
    QMessageBox *message = nullptr;
    QTRY_VERIFY((message = m_window->findChild<QMessageBox *>(QStringLiteral("msgCommand"))));
    QVERIFY(message->text().contains(QLatin1String("help")));
    delete message;
    QCOMPARE(m_window->TabCount(), 1);

    const QString guide = qEnvironmentVariable("TABVANE_DATA_DIR") + QStringLiteral("/help/tabvane.html");
    QDir().mkpath(QFileInfo(guide).absolutePath());
    QFile file(guide);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<title>Help</title>");
    file.close();
    m_window->PageCommands()->HelpTopics();
    QCOMPARE(m_window->TabCount(), 2);
    QCOMPARE(control(m_window->ActiveTab())->navigations().last(),
             QUrl::fromLocalFile(QFileInfo(guide).canonicalFilePath()).toString());

    const QStringList lines = m_window->PageCommands()->AboutText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines.at(0), QStringLiteral("Version 6.01"));
    QCOMPARE(lines.at(2), TMakerHost::Maker());
    QVERIFY(lines.at(3).isEmpty());
    QVERIFY2(lines.at(4).startsWith(QLatin1String("Qt WebEngine: 6.")) && lines.at(4).contains(QLatin1String("Chromium")),
             qPrintable(lines.at(4)));
}

void TestCommands::historyRecordsCompletedLoadsOnly()
{
    openWindow();
    TBrowserTab *tab = m_window->ActiveTab();
    const QString url = QStringLiteral("http://127.0.0.1:1/visited.html");
    QVERIFY(control(tab)->simulateLoad(url, {QStringLiteral("http://127.0.0.1:1/frame.html")},
                                       QStringLiteral("Visited Page")));
    const auto visits = [&url] {
        for (const THistoryEntry &e : TUrlHistory().Entries())
            if (e.url == url)
                return e.visitCount;
        return 0;
    };
    QCOMPARE(visits(), 1);
    QCOMPARE(TUrlHistory().Entries().first().title, QStringLiteral("Visited Page"));
    QCOMPARE(TUrlHistory().Entries().size(), 1);   // no entry for the frame

    // A locked tab refuses the navigation; the old document's completion is no visit.
    tab->SetLocked(true);
    QVERIFY(control(tab)->fireBeforeNavigate2(control(tab)->Application(), QStringLiteral("http://127.0.0.1:1/b")));
    control(tab)->fireDocumentComplete(control(tab)->Application(), url);
    QCOMPARE(visits(), 1);

    // A store that cannot be opened loses the visit, nothing else.
    tab->SetLocked(false);
    const QString store = TUrlHistory::DefaultPath();
    QVERIFY(QFile::remove(store));
    QVERIFY(QDir().mkdir(store));
    QVERIFY(control(tab)->simulateLoad(QStringLiteral("http://127.0.0.1:1/lost.html")));
    QVERIFY(!tab->Loading);
    QVERIFY(TUrlHistory().Entries().isEmpty());
    QVERIFY(QDir().rmdir(store));
}

void TestCommands::ie4CompletionInTheAddressBox()
{
    TKWOptions().SetAutoCompleteStyle(TAutoCompleteStyle::IE4);
    openWindow();
    m_window->AddressBar()->SetTypedAddresses({QStringLiteral("http://www.example.com/")});
    QLineEdit *edit = m_window->AddressBar()->AddressBox()->lineEdit();
    edit->clear();
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    QTest::keyClick(edit, Qt::Key_W);
    QCOMPARE(edit->text(), QStringLiteral("www.example.com/"));
    QCOMPARE(edit->selectedText(), QStringLiteral("ww.example.com/"));
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("HTTP://W"));
    QCOMPARE(edit->text(), QStringLiteral("http://www.example.com/"));
    QCOMPARE(edit->selectionStart(), 8);
}

void TestCommands::bandMenuMirrorsTheViewMenu()
{
    openWindow();
    QMenu *menu = m_window->Menus()->CustomizeMenu();
    // A right click on the address label, or on the toolbar (the bar beneath takes it).
    for (QWidget *target : {static_cast<QWidget *>(m_window->AddressBar()->Label()), static_cast<QWidget *>(m_window->ToolbarBand()->Bar())}) {
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(1, 1), target->mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(target, &click);
        QTRY_VERIFY(menu->isVisible());
        if (target == m_window->ToolbarBand()->Bar())
            break;
        menu->close();
    }
    QStringList shown;
    for (QAction *action : menu->actions()) {
        if (action->isVisible() && !action->isSeparator())
            shown.append(action->text() + (action->isChecked() ? QStringLiteral("*") : QString())
                         + (action->isEnabled() ? QString() : QStringLiteral("-")));
    }
    menu->close();
    QCOMPARE(shown, (QStringList{QStringLiteral("&Address Bar*"), QStringLiteral("&Toolbar*"),
                                 QStringLiteral("&Links Bar*"), QStringLiteral("&Customize..."),
                                 QStringLiteral("&Organize Links..."), QStringLiteral("Cl&ear Addresses")}));

    menu->findChild<QAction *>(QStringLiteral("pmCustomizeLinksBar"))->trigger();
    QVERIFY(!m_window->Commands()->Action(QStringLiteral("pmViewLinksBar"))->isChecked());
    QVERIFY(!m_window->BandLayout()->CoolBar()->bandVisible(m_window->BandLayout()->CoolBar()->bandIndexOfControl(m_window->findChild<QWidget *>(QStringLiteral("pnlLinks")))));
    m_window->Commands()->Action(QStringLiteral("pmViewLinksBar"))->trigger();
    QVERIFY(m_window->BandLayout()->CoolBar()->bandVisible(m_window->BandLayout()->CoolBar()->bandIndexOfControl(m_window->findChild<QWidget *>(QStringLiteral("pnlLinks")))));
}

void TestCommands::internetOptionsTellsTheSideBar()
{
    openWindow();
    QSignalSpy closed(m_window, &TfrmMain::InternetOptionsClosed);
    m_window->findChild<QAction *>(QStringLiteral("mnuOptionsInternet"))->trigger();
    QCOMPARE(closed.count(), 1);
    QVERIFY(control(m_window->ActiveTab())->operations().contains(QStringLiteral("Exec InternetOptions")));
}

void TestCommands::stopIsEnabledWhileTheActiveTabLoads()
{
    openWindow();
    auto *stop = m_window->findChild<QAction *>(QStringLiteral("mnuViewStop"));
    auto *button = m_window->ToolbarBand()->Bar()->findChild<QAction *>(QStringLiteral("tbStop"));
    QVERIFY(stop);
    QVERIFY(button);
    TBrowserTab *idle = m_window->ActiveTab();
    control(idle)->simulateLoad(QStringLiteral("http://127.0.0.1:1/a"));
    QVERIFY(!stop->isEnabled());
    QVERIFY(!button->isEnabled());

    // The active tab starts loading: Stop can act; its page arrives: nothing left to stop.
    TScriptedControl *c = control(idle);
    c->fireBeforeNavigate2(c->Application(), QStringLiteral("http://127.0.0.1:1/b"));
    QVERIFY(stop->isEnabled());
    QVERIFY(button->isEnabled());
    c->fireDocumentComplete(c->Application(), QStringLiteral("http://127.0.0.1:1/b"));
    QVERIFY(!stop->isEnabled());
    QVERIFY(!button->isEnabled());

    // It follows the tab changes: a loading tab in front enables it, an idle one does not.
    TBrowserTab *loading = m_window->CreateForegroundTab();
    control(loading)->fireBeforeNavigate2(control(loading)->Application(), QStringLiteral("http://127.0.0.1:1/c"));
    QVERIFY(stop->isEnabled());
    m_window->ActivateTab(idle);
    QVERIFY(!stop->isEnabled());
    QVERIFY(!button->isEnabled());
    m_window->ActivateTab(loading);
    QVERIFY(stop->isEnabled());
    QVERIFY(button->isEnabled());
}

void TestCommands::commandTableIsSound()
{
    openWindow();
    TCommandTable *table = m_window->Commands();
    QVERIFY(table);
    // Each key command runs one row, each shown key is shown once and runs that row.
    QCOMPARE(table->Problems(), QStringList());

    // Every toolbar button has a row; the button follows its action.
    for (int id = 0; id <= TToolbarCatalogue::MaxId; ++id) {
        const TCommandRow *row = table->RowForToolbarId(id);
        QVERIFY2(row, qPrintable(QString::number(id)));
        const TToolButtonDef *def = TToolbarCatalogue::Find(id);
        auto *button = m_window->ToolbarBand()->Bar()->findChild<QAction *>(QLatin1String(def->name));
        QVERIFY2(button, def->name);
        if (button->isVisible())   // a hidden action counts as disabled
            QVERIFY2(button->isEnabled() == table->ActionForToolbarId(id)->isEnabled(), def->name);
    }

    // Every key the key filter takes runs a row, except the menus' Alt letters and the keys
    // that are only kept from the page.
    const QList<TKeyCommand> withoutRow = {
        TKeyCommand::None, TKeyCommand::Nothing, TKeyCommand::MenuFile, TKeyCommand::MenuEdit,
        TKeyCommand::MenuView, TKeyCommand::MenuGo, TKeyCommand::MenuFavorites, TKeyCommand::MenuVessaGroups,
        TKeyCommand::MenuOptions, TKeyCommand::MenuTools, TKeyCommand::MenuTabs, TKeyCommand::MenuHelp,
        TKeyCommand::SideBarHistory, TKeyCommand::FlyswatLinks};
    for (int c = int(TKeyCommand::None); c <= int(TKeyCommand::ToggleOpenNewInForeground); ++c) {
        if (!withoutRow.contains(TKeyCommand(c)))
            QVERIFY2(table->RowForKey(TKeyCommand(c)), qPrintable(QString::number(c)));
    }

    // The same command in a second menu shows the owner's key: the key exists once.
    auto *tabRefresh = m_window->TabMenu()->Menu()->findChild<QAction *>(QStringLiteral("pmTabRefresh"));
    QCOMPARE(tabRefresh->shortcut(), QKeySequence(Qt::Key_F5));
    QCOMPARE(table->Row(QStringLiteral("pmTabRefresh"))->shortcutOf, QStringLiteral("mnuViewRefresh"));
}

// Every row of the table is run by its subsystem, or is on the short list below of commands
// this system has no counterpart for; those stay disabled and say why. A row registered as a
// placeholder and never completed shows up here, as do buttons and keys left on such rows.
void TestCommands::noCommandIsLeftWaiting()
{
    openWindow();
    TCommandTable *table = m_window->Commands();
    QCOMPARE(table->PendingNames(), QStringList());

    // No counterpart on this system:
    //  - mnuToolsSynchronize: re-fetching the pages kept for offline reading; the web engine
    //    keeps no offline copies of favorites, so there is nothing to synchronize.
    const QStringList noCounterpart = {QStringLiteral("mnuToolsSynchronize")};
    QStringList unavailable;
    for (const QString &name : table->Names()) {
        const TCommandRow *row = table->Row(name);
        if (row->unavailable.isEmpty())
            continue;
        unavailable.append(name);
        QAction *action = table->Action(name);
        QVERIFY2(!table->Trigger(action), qPrintable(name));
        QCOMPARE(action->statusTip(), row->unavailable);
    }
    QCOMPARE(unavailable, noCounterpart);

    // Each toolbar button and each key of the key table runs a row that has a handler.
    for (int id = 0; id <= TToolbarCatalogue::MaxId; ++id) {
        const TCommandRow *row = table->RowForToolbarId(id);
        QVERIFY2(row && row->handler, qPrintable(QString::number(id)));
    }
    for (int c = int(TKeyCommand::NextTab); c <= int(TKeyCommand::ToggleOpenNewInForeground); ++c) {
        const TCommandRow *row = table->RowForKey(TKeyCommand(c));
        QVERIFY2(row && row->handler, qPrintable(QString::number(c)));
    }
    for (int c = int(TKeyCommand::GoHome); c <= int(TKeyCommand::FocusAddress); ++c)
        QVERIFY2(table->RowForKey(TKeyCommand(c)), qPrintable(QString::number(c)));

    // With a page in the active tab, every shown command can run unless the window's state
    // rules it out: Stop while nothing loads, Back and Forward without history.
    TBrowserTab *tab = m_window->ActiveTab();
    QVERIFY(tab);
    control(tab)->fireNavigateComplete2(control(tab)->Application(), QStringLiteral("http://127.0.0.1:1/page"));
    QApplication::clipboard()->setText(QStringLiteral("http://127.0.0.1:1/clip"));
    QStringList disabled;
    for (const QString &name : table->Names()) {
        QAction *action = table->Action(name);
        table->Update(action);
        if (action->isVisible() && !action->isEnabled() && !noCounterpart.contains(name))
            disabled.append(name);
    }
    disabled.sort();
    // Each menu gives an access key to one item only (a key shared by two items only
    // moves between them instead of choosing one).
    QStringList twice;
    for (QMenu *menu : m_window->findChildren<QMenu *>()) {
        table->UpdateMenu(menu);
        QHash<QString, QString> keys;
        for (QAction *action : menu->actions()) {
            const QString text = action->text();
            const QString key = AccessKeyOf(text);
            if (!action->isVisible() || action->isSeparator() || key.isEmpty())
                continue;
            if (keys.contains(key))
                twice.append(menu->objectName() + QLatin1Char(':') + keys.value(key) + QLatin1Char('/') + text);
            keys.insert(key, text);
        }
    }
    QVERIFY2(twice.isEmpty(), qPrintable(twice.join(QStringLiteral(", "))));
    QCOMPARE(disabled, (QStringList{QStringLiteral("actBack"), QStringLiteral("actForward"), QStringLiteral("mnuViewStop")}));
}

// F1 opens the user guide: every command of the table, built or still waiting for its part
// of the window, is named there by its caption (without its access-key "&" and its "...").
void TestCommands::userGuideNamesEveryCommand()
{
    openWindow();
    QFile guide(QFINDTESTDATA("../../data/help/tabvane.html"));
    QVERIFY2(guide.open(QIODevice::ReadOnly), qPrintable(guide.fileName()));
    const QString text = QTextDocumentFragment::fromHtml(QString::fromUtf8(guide.readAll()))
                             .toPlainText().simplified();
    TCommandTable *table = m_window->Commands();
    QStringList missing;
    for (const QString &name : table->Names()) {
        QString caption = table->Row(name)->caption;
        caption.replace(QLatin1String("&&"), QLatin1String("\x01")).remove(QLatin1Char('&'))
            .replace(QLatin1Char('\x01'), QLatin1Char('&'));
        if (caption.endsWith(QLatin1String("...")))
            caption.chop(3);
        caption = caption.simplified();
        if (!caption.isEmpty() && !text.contains(caption) && !missing.contains(caption))
            missing.append(caption);
    }
    QVERIFY2(missing.isEmpty(),
             qPrintable(QStringLiteral("The user guide does not name: \"%1\"").arg(missing.join(QLatin1String("\", \"")))));
}

TV_TEST_MAIN_GUI(TestCommands)
#include "tst_commands.moc"

