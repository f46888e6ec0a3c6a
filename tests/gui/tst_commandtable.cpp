#include "testenv.h"

#include "navigation/commandtable.h"
#include "platform/registry.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QWidget>
#include <QtTest>

#include <stdexcept>

// The command table on its own: rows, their actions, keys, the guarded trigger and the
// table-wide checks. The window's own table is checked in tst_commands.
class TestCommandTable : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void keyRunsTheActionTheMenuShowsOnlyWhileEnabled();
    void pendingRowIsShownDisabledUntilItsSubsystemRegisters();
    void failingHandlerShowsOneMessageAndNothingEscapes();
    void problemsFindKeysAndButtonsGivenTwice();

private:
    TCommandRow row(const char *name, int *runs);
    QWidget *m_owner = nullptr;
    TCommandTable *m_table = nullptr;
    QStringList m_messages;
};

void TestCommandTable::init()
{
    m_owner = new QWidget;
    m_table = new TCommandTable(m_owner);
    m_messages.clear();
    m_table->SetErrorReporter([this](const QString &message) { m_messages.append(message); });
}

void TestCommandTable::cleanup()
{
    delete m_owner;
    m_owner = nullptr;
    m_table = nullptr;
}

TCommandRow TestCommandTable::row(const char *name, int *runs)
{
    TCommandRow r;
    r.name = QLatin1String(name);
    r.caption = QStringLiteral("&") + QLatin1String(name);
    r.handler = [runs](bool) { ++*runs; };
    return r;
}

void TestCommandTable::keyRunsTheActionTheMenuShowsOnlyWhileEnabled()
{
    int runs = 0;
    bool allowed = true;
    TCommandRow refresh = row("mnuViewRefresh", &runs);
    refresh.hint = QStringLiteral("Refresh|Reloads the current browser tab");
    refresh.shortcut = QKeySequence(Qt::Key_F5);
    refresh.keys = {TKeyCommand::Refresh};
    refresh.enabled = [&allowed] { return allowed; };
    m_table->Register(refresh);
    QMenu menu;
    QAction *shown = m_table->Place(&menu, QStringLiteral("mnuViewRefresh"));
    QVERIFY(shown);
    QCOMPARE(shown->objectName(), QStringLiteral("mnuViewRefresh"));
    QCOMPARE(shown->parent(), &menu);
    QCOMPARE(shown->shortcut(), QKeySequence(Qt::Key_F5));
    QCOMPARE(shown->toolTip(), QStringLiteral("Refresh"));
    QCOMPARE(shown->statusTip(), QStringLiteral("Reloads the current browser tab"));

    // The key triggers the very action the menu holds.
    QSignalSpy triggered(shown, &QAction::triggered);
    QCOMPARE(m_table->ActionForKey(TKeyCommand::Refresh), shown);
    QVERIFY(m_table->RunKey(TKeyCommand::Refresh));
    QCOMPARE(runs, 1);
    QCOMPARE(triggered.count(), 1);

    // Disabled by its predicate: neither the key nor a trigger runs it.
    allowed = false;
    QVERIFY(!m_table->RunKey(TKeyCommand::Refresh));
    QVERIFY(!m_table->Trigger(shown));
    QCOMPARE(runs, 1);
    QVERIFY(!shown->isEnabled());
    // The menu asks the predicate when it opens.
    allowed = true;
    m_table->UpdateMenu(&menu);
    QVERIFY(shown->isEnabled());

    // Disabled from outside (as Back is while there is no history): the key does nothing.
    shown->setEnabled(false);
    refresh.enabled = nullptr;
    m_table->Register(refresh);
    shown->setEnabled(false);
    QVERIFY(!m_table->RunKey(TKeyCommand::Refresh));
    QCOMPARE(runs, 1);
    // A key no row has runs nothing.
    QVERIFY(!m_table->RunKey(TKeyCommand::FlyswatLinks));

    // A checked predicate is read before the key runs, so the handler gets the new state.
    bool on = true;
    bool received = true;
    TCommandRow full = row("pmViewFullScreen", &runs);
    full.keys = {TKeyCommand::FullScreen};
    full.checked = [&on] { return on; };
    full.handler = [&received](bool checked) { received = checked; };
    m_table->Register(full);
    QVERIFY(m_table->RunKey(TKeyCommand::FullScreen));
    QCOMPARE(received, false);
    on = false;
    QVERIFY(m_table->RunKey(TKeyCommand::FullScreen));
    QCOMPARE(received, true);
}

void TestCommandTable::pendingRowIsShownDisabledUntilItsSubsystemRegisters()
{
    int runs = 0;
    TCommandRow organize = row("mnuFavoritesOrganize", &runs);
    organize.keys = {TKeyCommand::OrganizeFavorites};
    organize.toolbarId = 9;
    m_table->RegisterPending(organize);
    QMenu menu;
    QAction *shown = m_table->Place(&menu, QStringLiteral("mnuFavoritesOrganize"));
    QVERIFY(shown->isVisible());
    QVERIFY(!shown->isEnabled());
    QVERIFY(!m_table->RunKey(TKeyCommand::OrganizeFavorites));
    shown->trigger();
    QCOMPARE(runs, 0);
    QCOMPARE(m_table->PendingNames(), QStringList{QStringLiteral("mnuFavoritesOrganize")});

    // Its subsystem registers the row: the same action, in its place, now runs.
    QCOMPARE(m_table->Register(organize), shown);
    QCOMPARE(m_table->PendingNames(), QStringList());
    QVERIFY(shown->isEnabled());
    QCOMPARE(menu.actions(), QList<QAction *>{shown});
    QVERIFY(m_table->RunKey(TKeyCommand::OrganizeFavorites));
    QCOMPARE(m_table->ActionForToolbarId(9), shown);
    QCOMPARE(runs, 1);

    // A command this system cannot run: no longer waiting, never enabled by its menu or its
    // key, and its tips say why instead of what it would do.
    TCommandRow sync = row("mnuToolsSynchronize", &runs);
    sync.hint = QStringLiteral("Synchronize|Fetches the offline pages again");
    sync.keys = {TKeyCommand::Downloads};
    sync.enabled = [] { return true; };
    m_table->RegisterPending(sync);
    m_table->RegisterUnavailable(sync, QStringLiteral("Not available here"));
    QAction *unavailable = m_table->Place(&menu, QStringLiteral("mnuToolsSynchronize"));
    m_table->UpdateMenu(&menu);
    QVERIFY(unavailable->isVisible());
    QVERIFY(!unavailable->isEnabled());
    QVERIFY(!m_table->RunKey(TKeyCommand::Downloads));
    QCOMPARE(unavailable->statusTip(), QStringLiteral("Not available here"));
    QCOMPARE(unavailable->toolTip(), QStringLiteral("Not available here"));
    QCOMPARE(m_table->PendingNames(), QStringList());
    QCOMPARE(runs, 1);
}

void TestCommandTable::failingHandlerShowsOneMessageAndNothingEscapes()
{
    TCommandRow save;
    save.name = QStringLiteral("mnuFileSaveAs");
    save.caption = QStringLiteral("S&ave As...");
    save.keys = {TKeyCommand::SaveAs};
    int after = 0;
    save.handler = [&after](bool) {
        throw RegistryError(QStringLiteral("The settings store is locked."), QStringLiteral("database is locked"));
        ++after;
    };
    QAction *action = m_table->Register(save);

    // From the menu (a plain trigger, as a click gives) and from a key alike.
    action->trigger();
    QCOMPARE(m_messages, QStringList{QStringLiteral("The settings store is locked.")});
    QVERIFY(m_table->RunKey(TKeyCommand::SaveAs));
    QCOMPARE(m_messages.size(), 2);
    QCOMPARE(after, 0);

    // A platform failure reports its own words; the action stays usable.
    m_messages.clear();
    save.handler = [](bool) { throw std::runtime_error("the disk is full"); };
    m_table->Register(save);
    action->trigger();
    QCOMPARE(m_messages, QStringList{QStringLiteral("the disk is full")});
    QVERIFY(action->isEnabled());

    // A predicate that fails while a menu opens is reported the same way.
    m_messages.clear();
    save.handler = [](bool) {};
    save.enabled = []() -> bool { throw RegistryError(QStringLiteral("unreadable")); };
    m_table->Register(save);
    QMenu menu;
    m_table->Place(&menu, save.name);
    m_table->UpdateMenu(&menu);
    QCOMPARE(m_messages, QStringList{QStringLiteral("unreadable")});
}

void TestCommandTable::problemsFindKeysAndButtonsGivenTwice()
{
    int runs = 0;
    TCommandRow close = row("mnuFileClose", &runs);
    close.shortcut = QKeySequence(Qt::CTRL | Qt::Key_W);
    close.keys = {TKeyCommand::CloseTab};
    m_table->Register(close);
    // The tab menu shows the File menu's key without owning it.
    TCommandRow tabClose = row("pmTabClose", &runs);
    tabClose.shortcutOf = QStringLiteral("mnuFileClose");
    QCOMPARE(m_table->Register(tabClose)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_W));
    TCommandRow find = row("mnuEditFind", &runs);
    find.shortcut = QKeySequence(Qt::CTRL | Qt::Key_F);
    find.keys = {TKeyCommand::FindInPage};
    find.toolbarId = 17;
    m_table->Register(find);
    // Shown, but let through to the page by the key filter: allowed.
    TCommandRow home = row("pmTabHome", &runs);
    home.shortcut = QKeySequence(Qt::SHIFT | Qt::Key_Home);
    m_table->Register(home);
    QCOMPARE(m_table->Problems(), QStringList());

    // A second row taking a key command the first owns.
    TCommandRow copyClose = row("pmCloseTab2", &runs);
    copyClose.keys = {TKeyCommand::CloseTab};
    m_table->Register(copyClose);
    QCOMPARE(m_table->Problems().size(), 1);
    QVERIFY(m_table->Problems().constFirst().contains(QLatin1String("pmCloseTab2")));
    copyClose.keys.clear();
    m_table->Register(copyClose);

    // A menu showing a copy of another row's key.
    TCommandRow copyShown = row("pmTabClose2", &runs);
    copyShown.shortcut = QKeySequence(Qt::CTRL | Qt::Key_W);
    m_table->Register(copyShown);
    QCOMPARE(m_table->Problems().size(), 2);   // shown twice, and the key runs another command
    copyShown.shortcut = QKeySequence();
    m_table->Register(copyShown);

    // A menu showing a key the key filter gives to another command.
    TCommandRow wrongKey = row("mnuViewRefresh", &runs);
    wrongKey.shortcut = QKeySequence(Qt::Key_F5);
    wrongKey.keys = {TKeyCommand::Stop};
    m_table->Register(wrongKey);
    QCOMPARE(m_table->Problems().size(), 1);
    wrongKey.keys = {TKeyCommand::Refresh};
    m_table->Register(wrongKey);
    QCOMPARE(m_table->Problems(), QStringList());

    // Two rows on one toolbar button.
    TCommandRow secondFind = row("tbFind2", &runs);
    secondFind.toolbarId = 17;
    m_table->Register(secondFind);
    QCOMPARE(m_table->Problems().size(), 1);
}

TV_TEST_MAIN_GUI(TestCommandTable)
#include "tst_commandtable.moc"
