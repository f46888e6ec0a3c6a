#include "testenv.h"

#include "components/coolbar.h"
#include "navigation/commandtable.h"
#include "options/bandlayout.h"
#include "options/toolbarband.h"
#include "options/toolbarcatalogue.h"

#include <QAction>
#include <QDir>
#include <QFile>
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
