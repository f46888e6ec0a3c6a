#include "testenv.h"

#include "components/coolbar.h"
#include "navigation/commandtable.h"
#include "options/bandlayout.h"
#include "options/customizetoolbar.h"
#include "options/toolbarband.h"
#include "options/toolbarcatalogue.h"
#include "options/toolbarchevron.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QMenu>
#include <QSignalSpy>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>
#include <QtTest>

// The toolbar band and the band layout on their own, with a command table of their own:
// what the Customize Toolbar dialog and the window rely on without the window around.
class TestToolbarBand : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void layoutFileRoundTripAndDamagedFileLeftAlone();
    void buttonsRunAndFollowTheirRows();
    void bandsFollowTheViewRowsAndComeBackInStoredOrder();
    void customizeListsFromDamagedLayout();
    void customizeDialogEditsTheToolbarAndSavesOnClose();
    void chevronListsTheCutOffButtonsAtEachWidth();

private:
    QString layoutFile() const { return m_dir->filePath(QStringLiteral("tbmain.dat")); }
    TToolbarBand *newBand();
    QWidget *m_owner = nullptr;
    TCommandTable *m_table = nullptr;
    QTemporaryDir *m_dir = nullptr;
};

void TestToolbarBand::init()
{
    m_owner = new QWidget;
    m_table = new TCommandTable(m_owner);
    m_dir = new QTemporaryDir;
}

void TestToolbarBand::cleanup()
{
    delete m_owner;
    m_owner = nullptr;
    m_table = nullptr;
    delete m_dir;
    m_dir = nullptr;
}

TToolbarBand *TestToolbarBand::newBand()
{
    return new TToolbarBand(m_table, layoutFile(), m_owner, m_owner);
}

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}

void TestToolbarBand::layoutFileRoundTripAndDamagedFileLeftAlone()
{
    // What the Customize dialog sets is what a later start shows: order, hidden buttons,
    // separators and ids this version does not know.
    const QList<TToolbarItem> items = {{6, true}, {-1, true}, {2, false}, {99, true}, {0, true}};
    TToolbarBand *band = newBand();
    band->SetItems(items);
    QCOMPARE(band->Items(), items);
    QCOMPARE(band->Bar()->actions().size(), items.size());
    QVERIFY(band->Save());
    TToolbarBand *later = newBand();
    later->Load();
    QCOMPARE(later->Items(), items);
    QVERIFY(later->ButtonByName(QStringLiteral("tbHome")));
    QVERIFY(!later->ButtonByName(QStringLiteral("tbStop")));

    // A file without one readable button line gives the default buttons and is not
    // rewritten by loading: only a save replaces it, and then as a whole.
    const QByteArray damaged("[Toolbar]\r\nnot a line\r\n\xff\xfe", 27);
    QFile file(layoutFile());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(damaged);
    file.close();
    TToolbarBand *fresh = newBand();
    fresh->Load();
    QCOMPARE(fresh->Items(), TToolbarCatalogue::DefaultLayout());
    QCOMPARE(readAll(layoutFile()), damaged);
    QVERIFY(fresh->Save());
    bool exists = false;
    QCOMPARE(TToolbarCatalogue::ReadLayout(layoutFile(), &exists), TToolbarCatalogue::DefaultLayout());
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{QStringLiteral("tbmain.dat")});

    // A folder that cannot hold the file: the save says so.
    TToolbarBand *nowhere = new TToolbarBand(m_table, m_dir->filePath(QStringLiteral("missing/tbmain.dat")), m_owner, m_owner);
    nowhere->Reset();
    QVERIFY(!nowhere->Save());
}

void TestToolbarBand::buttonsRunAndFollowTheirRows()
{
    int homeRuns = 0;
    bool homeAllowed = true;
    TCommandRow home;
    home.name = QStringLiteral("actHome");
    home.caption = QStringLiteral("&Home");
    home.toolbarId = 6;
    home.handler = [&homeRuns](bool) { ++homeRuns; };
    home.enabled = [&homeAllowed] { return homeAllowed; };
    m_table->Register(home);

    QMenu newMenu;
    TCommandRow fresh;
    fresh.name = QStringLiteral("actNew");
    fresh.caption = QStringLiteral("&New");
    fresh.toolbarId = 0;
    fresh.handler = [](bool) {};
    fresh.dropDown = [&newMenu] { return &newMenu; };
    m_table->Register(fresh);

    bool fullScreen = false;
    TCommandRow full;
    full.name = QStringLiteral("pmViewFullScreen");
    full.caption = QStringLiteral("&Full Screen");
    full.toolbarId = 16;
    full.handler = [&fullScreen](bool) { fullScreen = !fullScreen; };
    full.checked = [&fullScreen] { return fullScreen; };
    m_table->Register(full);

    TCommandRow bar;                      // its subsystem is not built yet
    bar.name = QStringLiteral("pmViewVessaBar");
    bar.caption = QStringLiteral("&VessaBar");
    bar.toolbarId = 10;
    m_table->RegisterPending(bar);

    TToolbarBand *band = newBand();
    band->SetItems({{6, true}, {0, true}, {16, true}, {10, true}, {3, true}});
    QToolButton *homeButton = band->ButtonByName(QStringLiteral("tbHome"));
    QVERIFY(homeButton && homeButton->isEnabled());
    homeButton->click();
    QCOMPARE(homeRuns, 1);

    // The button is disabled as soon as its command is, and a click then runs nothing.
    homeAllowed = false;
    m_table->Update(m_table->Action(QStringLiteral("actHome")));
    QVERIFY(!homeButton->isEnabled());
    homeButton->defaultAction()->trigger();
    QCOMPARE(homeRuns, 1);

    QToolButton *newButton = band->ButtonByName(QStringLiteral("tbNew"));
    QCOMPARE(newButton->menu(), &newMenu);
    QCOMPARE(newButton->popupMode(), QToolButton::MenuButtonPopup);

    QToolButton *fullButton = band->ButtonByName(QStringLiteral("tbFullScreen"));
    fullButton->click();
    QVERIFY(fullScreen);
    QVERIFY(fullButton->isChecked());
    m_table->Trigger(m_table->Action(QStringLiteral("pmViewFullScreen")));   // from the menu
    QVERIFY(!fullButton->isChecked());

    // A pending row and an id without a row: shown, disabled.
    QVERIFY(!band->ButtonByName(QStringLiteral("tbVessaBar"))->isEnabled());
    QVERIFY(!band->ButtonByName(QStringLiteral("tbForward"))->isEnabled());
}

void TestToolbarBand::bandsFollowTheViewRowsAndComeBackInStoredOrder()
{
    for (const char *name : {"pmViewToolbar", "pmViewAddressBar", "pmViewLinksBar"}) {
        TCommandRow view;
        view.name = QLatin1String(name);
        view.caption = QLatin1String(name);
        view.checkable = true;
        view.handler = [](bool) {};
        m_table->Register(view)->setChecked(true);
    }
    const QString key = QStringLiteral("Software\\Tabvane Test\\Bands");
    const auto makeBar = [this, &key](TBandLayout **layout) {
        auto *coolBar = new TCoolBar(m_owner);
        coolBar->resize(700, 80);
        QList<QWidget *> panels;
        for (int i = 0; i < 4; ++i)
            panels.append(new QWidget(coolBar));
        *layout = new TBandLayout(coolBar, m_table, key, m_owner);
        (*layout)->Arrange(panels.at(0), panels.at(1), panels.at(2), 40, panels.at(3));
        return panels;
    };
    TBandLayout *first = nullptr;
    const QList<QWidget *> panels = makeBar(&first);
    TCoolBar *coolBar = first->CoolBar();

    m_table->Action(QStringLiteral("pmViewLinksBar"))->setChecked(false);
    first->ApplyVisibility();
    QVERIFY(!first->BandVisible(panels.at(3)));
    QVERIFY(first->BandVisible(panels.at(0)) && first->BandVisible(panels.at(1)) && first->BandVisible(panels.at(2)));

    coolBar->moveBand(coolBar->bandByName(QStringLiteral("Address")), 0);
    coolBar->setBandBreak(3, true);
    first->Save();

    // The next start: the default arrangement, then the stored one once the one-shot load
    // is due, after those waiting for it have run.
    TBandLayout *second = nullptr;
    makeBar(&second);
    QStringList events;
    connect(second, &TBandLayout::DeferredLoadDue, this,
            [&] { events.append(QStringLiteral("due:") + second->CoolBar()->bandName(0)); });
    connect(second, &TBandLayout::Loaded, this,
            [&] { events.append(QStringLiteral("loaded:") + second->CoolBar()->bandName(0)); });
    QSignalSpy loaded(second, &TBandLayout::Loaded);
    second->StartDeferredLoad();
    QVERIFY(second->DeferredLoadPending());
    QVERIFY(loaded.wait());
    QVERIFY(!second->DeferredLoadPending());
    QCOMPARE(events, (QStringList{QStringLiteral("due:Menu"), QStringLiteral("loaded:Address")}));
    QStringList names;
    for (int i = 0; i < second->CoolBar()->bandCount(); ++i)
        names.append(second->CoolBar()->bandName(i));
    QCOMPARE(names, (QStringList{"Address", "Menu", "Tool", "Links"}));
    QVERIFY(second->CoolBar()->bandBreak(3));
}

TV_TEST_MAIN_GUI(TestToolbarBand)
#include "tst_toolbarband.moc"

void TestToolbarBand::customizeListsFromDamagedLayout()
{
    // Duplicates, a hidden separator and an unknown id, as a damaged layout file gives them.
    const TToolbarLists lists = TToolbarLists::FromItems(
            {{0, true}, {0, false}, {-1, true}, {-1, true}, {5, false}, {-1, false}, {42, true}});
    QCOMPARE(lists.current, (QList<int>{0, -1, -1, 42}));
    QCOMPARE(lists.available.mid(0, 3), (QList<int>{-1, 5, 1}));
    QCOMPARE(lists.available.size(), 1 + 20);   // the separator, 5 and the 19 not listed
    QCOMPARE(lists.available.count(-1), 1);
    const QList<TToolbarItem> items = lists.Items();
    QCOMPARE(items.size(), 4 + 20);
    QCOMPARE(items.count({0, true}) + items.count({0, false}), 1);
    QVERIFY(items.contains({5, false}));

    // Out-of-range rows and moves past the ends change nothing.
    TToolbarLists edit = lists;
    QCOMPARE(edit.Add(99, -1), -1);
    QCOMPARE(edit.Remove(-1, -1), -1);
    QCOMPARE(edit.Move(0, -1), 0);
    QCOMPARE(edit.Move(3, 1), 3);
    QCOMPARE(edit.current, lists.current);
    QCOMPARE(edit.available, lists.available);
}

void TestToolbarBand::customizeDialogEditsTheToolbarAndSavesOnClose()
{
    TToolbarBand *band = newBand();
    band->Reset();
    auto *dialog = new TfrmCustomizeToolbar(band, m_owner);
    QListWidget *available = dialog->AvailableList();
    QListWidget *current = dialog->CurrentList();
    auto click = [dialog](const char *name) { dialog->findChild<QPushButton *>(QLatin1String(name))->click(); };
    auto rowOf = [](QListWidget *list, const QString &text) {
        const QList<QListWidgetItem *> found = list->findItems(text, Qt::MatchExactly);
        return found.isEmpty() ? -1 : list->row(found.first());
    };

    // The default's hidden buttons are available, with their pictures, after "Separator".
    QCOMPARE(available->item(0)->text(), QStringLiteral("Separator"));
    for (const char *hidden : {"Open", "Find", "Save As", "Stop All", "Refresh All"})
        QVERIFY2(rowOf(available, QLatin1String(hidden)) > 0, hidden);
    QVERIFY(!available->item(rowOf(available, QStringLiteral("Find")))->icon().isNull());
    QCOMPARE(current->count(), 16 + 5);

    // Add "Find" after "New": shown on the toolbar at once, gone from the available list.
    const int find = rowOf(available, QStringLiteral("Find"));
    available->setCurrentRow(find);
    current->setCurrentRow(0);
    click("cmdAdd");
    QCOMPARE(current->currentItem()->text(), QStringLiteral("Find"));
    QCOMPARE(band->Items().at(1), (TToolbarItem{17, true}));
    QCOMPARE(rowOf(available, QStringLiteral("Find")), -1);
    QCOMPARE(available->currentRow(), find);   // the neighbour that took its place

    // "Separator" twice: two separators, and it stays available.
    available->setCurrentRow(0);
    click("cmdAdd");
    available->setCurrentRow(0);
    click("cmdAdd");
    QCOMPARE(band->Items().mid(1, 3), (QList<TToolbarItem>{{17, true}, {-1, true}, {-1, true}}));
    QCOMPARE(available->item(0)->text(), QStringLiteral("Separator"));

    // Removing a separator adds nothing to the available list; removing a button hides it.
    const int availableRows = available->count();
    current->setCurrentRow(2);
    click("cmdRemove");
    QCOMPARE(available->count(), availableRows);
    current->setCurrentRow(0);
    click("cmdRemove");
    QCOMPARE(current->item(0)->text(), QStringLiteral("Find"));
    QVERIFY(rowOf(available, QStringLiteral("New")) > 0);
    QVERIFY(band->Items().contains({0, false}));

    // Up at the top does nothing; Down swaps and keeps the row selected.
    current->setCurrentRow(0);
    click("spdUp");
    QCOMPARE(current->item(0)->text(), QStringLiteral("Find"));
    click("spdDown");
    QCOMPARE(current->currentRow(), 1);
    QCOMPARE(current->item(1)->text(), QStringLiteral("Find"));
    QCOMPARE(band->Items().at(1), (TToolbarItem{17, true}));

    // Dragged rows: "Stop All" to the front of the toolbar, "Back" back to the available
    // list (not in front of "Separator"), and a current row moved to the end.
    const int stopAll = rowOf(available, QStringLiteral("Stop All"));
    dialog->DropRow(available, stopAll, current, 0);
    QCOMPARE(band->Items().at(0), (TToolbarItem{19, true}));
    QCOMPARE(rowOf(available, QStringLiteral("Stop All")), -1);
    dialog->DropRow(current, rowOf(current, QStringLiteral("Back")), available, 0);
    QCOMPARE(rowOf(available, QStringLiteral("Back")), 1);
    QVERIFY(band->Items().contains({2, false}));
    dialog->DropRow(current, 0, current, -1);
    QCOMPARE(band->Items().at(current->count() - 1), (TToolbarItem{19, true}));
    QCOMPARE(current->currentRow(), current->count() - 1);

    // Reset: the default toolbar and lists.
    click("cmdReset");
    QCOMPARE(band->Items(), TToolbarCatalogue::DefaultLayout());
    QCOMPARE(current->count(), 16 + 5);
    delete dialog;

    // The layout file is written however the dialog closes (here: Escape).
    QFile::remove(layoutFile());
    band->SetItems({{6, true}, {-1, true}, {2, true}});
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&closer] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            QTest::keyClick(modal, Qt::Key_Escape);
            closer.stop();
        }
    });
    closer.start(10);
    QVERIFY(TfrmCustomizeToolbar::Run(band, m_owner));
    bool exists = false;
    const QList<TToolbarItem> stored = TToolbarCatalogue::ReadLayout(layoutFile(), &exists);
    QVERIFY(exists);
    QCOMPARE(stored, band->Items());
    QCOMPARE(stored.mid(0, 3), (QList<TToolbarItem>{{6, true}, {-1, true}, {2, true}}));
}

void TestToolbarBand::chevronListsTheCutOffButtonsAtEachWidth()
{
    QCOMPARE(CutOffButtons({10, 20, -1, 30}, 20), (QList<int>{3}));

    TCommandRow customize;
    customize.name = QStringLiteral("pmCustomizeToolbarDialog");
    customize.caption = QStringLiteral("&Customize...");
    int customized = 0;
    customize.handler = [&customized](bool) { ++customized; };
    m_table->Register(customize);
    TCommandRow font;
    font.name = QStringLiteral("actFont");
    font.toolbarId = 12;
    font.handler = [](bool) {};
    auto *fontMenu = new QMenu(m_owner);
    fontMenu->addAction(QStringLiteral("Largest"));
    fontMenu->addAction(QStringLiteral("Smallest"));
    font.dropDown = [fontMenu] { return fontMenu; };
    m_table->Register(font);

    auto *panel = new QWidget(m_owner);
    auto *box = new QHBoxLayout(panel);
    box->setContentsMargins(0, 0, 0, 0);
    TToolbarBand *band = new TToolbarBand(m_table, layoutFile(), panel, m_owner);
    box->addWidget(band->Bar(), 1);
    band->Reset();
    auto *chevron = new TToolbarChevron(band, m_table, m_owner);
    m_owner->resize(1200, 40);
    panel->setGeometry(0, 0, 1200, 40);
    m_owner->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_owner));

    auto entries = [chevron] {
        chevron->PrepareMenu();
        QStringList texts;
        for (QAction *a : chevron->Menu()->actions())
            texts.append(a->isSeparator() ? QStringLiteral("-") : a->text());
        return texts;
    };
    auto buttonRight = [band](const char *name) {
        QWidget *w = band->ButtonByName(QLatin1String(name));
        return w->mapTo(band->Bar()->parentWidget(), QPoint(w->width(), 0)).x();
    };

    // Wide: everything fits, no chevron; its menu would hold only "&Customize...".
    QTRY_VERIFY(!chevron->Button()->isVisible());
    QCOMPARE(entries(), QStringList{QStringLiteral("&Customize...")});

    // Cut after "Font": the last buttons, a separator between groups, then "&Customize...".
    panel->resize(buttonRight("tbFontSize") + 30, 40);
    QTRY_VERIFY(chevron->Button()->isVisible());
    QStringList cut = entries();
    QCOMPARE(cut.last(), QStringLiteral("&Customize..."));
    QVERIFY(cut.contains(QStringLiteral("Full Screen")) || cut.contains(QStringLiteral("Fullscreen")));
    QVERIFY(!cut.contains(QStringLiteral("Back")));
    QVERIFY(cut.first() != QStringLiteral("-"));

    // Narrow: the drop-down button "Font" is in the menu with its menu as a submenu.
    panel->resize(buttonRight("tbBack") + 5, 40);
    QTRY_VERIFY(entries().contains(QStringLiteral("Font Size")));
    QVERIFY(!entries().contains(QStringLiteral("New")));
    for (QAction *a : chevron->Menu()->actions()) {
        if (a->text() == QStringLiteral("Font Size")) {
            QVERIFY(a->menu());
            QCOMPARE(a->menu()->actions().size(), 2);
        }
    }
    chevron->Menu()->actions().last()->trigger();
    QCOMPARE(customized, 1);
}
