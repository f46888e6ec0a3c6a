// TFullScreen on a window of its own: what it hides and shows, and that the window and the
// bars come back as they were, also bars the user had hidden before.

#include "testenv.h"

#include "components/coolbar.h"
#include "components/fullscreen.h"

#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

class TestFullScreen : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void hiddenBarsStayHiddenAndTheFrameComesBack();
    void startedInFullScreenTheStatusBarComesBack();
};

void TestFullScreen::hiddenBarsStayHiddenAndTheFrameComesBack()
{
    QWidget window;
    auto *box = new QVBoxLayout(&window);
    auto *coolbar = new TCoolBar(&window);
    auto *menuBand = new QWidget(coolbar);
    auto *toolBand = new QWidget(coolbar);
    const int menu = coolbar->addBand(QStringLiteral("Menu"), menuBand, 45, 23, 300);
    const int tool = coolbar->addBand(QStringLiteral("Tool"), toolBand, 40, 27, 300);
    auto *statusBar = new QWidget(&window);
    statusBar->setMinimumHeight(20);
    box->addWidget(coolbar);
    box->addStretch(1);
    box->addWidget(statusBar);
    TFullScreen full(&window, coolbar, menuBand, toolBand, statusBar);
    QSignalSpy changed(&full, &TFullScreen::Changed);

    window.move(30, 40);
    window.resize(500, 400);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect normal(window.pos(), window.size());
    const QRect frame = window.frameGeometry();
    // The user hid the status bar, the toolbar and the menu bar.
    statusBar->hide();
    coolbar->setBandVisible(tool, false);
    coolbar->setBandVisible(menu, false);

    full.Set(true);
    QTRY_VERIFY(window.isFullScreen());
    QVERIFY(full.IsOn());
    QVERIFY(coolbar->bandVisible(tool));   // the toolbar shows in full screen
    QVERIFY(!statusBar->isVisibleTo(&window));
    QCOMPARE(full.SavedGeometry(), normal);
    QVERIFY(!full.SavedMaximized());
    full.Set(true);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.at(0).at(0).toBool(), true);

    full.Set(false);
    QTRY_VERIFY(!window.isFullScreen());
    QTRY_COMPARE(window.frameGeometry(), frame);
    QVERIFY(!statusBar->isVisibleTo(&window));
    QVERIFY(!coolbar->bandVisible(tool));
    QVERIFY(coolbar->bandVisible(menu));   // the menu bar always comes back
    QCOMPARE(changed.size(), 2);
    QCOMPARE(changed.at(1).at(0).toBool(), false);
}

// A window that starts in full screen enters it before it is shown: its status bar, shown
// in the window, must come back when full screen ends.
void TestFullScreen::startedInFullScreenTheStatusBarComesBack()
{
    QWidget window;
    auto *box = new QVBoxLayout(&window);
    auto *coolbar = new TCoolBar(&window);
    auto *menuBand = new QWidget(coolbar);
    auto *toolBand = new QWidget(coolbar);
    coolbar->addBand(QStringLiteral("Menu"), menuBand, 45, 23, 300);
    coolbar->addBand(QStringLiteral("Tool"), toolBand, 40, 27, 300);
    auto *statusBar = new QWidget(&window);
    box->addWidget(coolbar);
    box->addWidget(statusBar);
    TFullScreen full(&window, coolbar, menuBand, toolBand, statusBar);

    full.Set(true);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(!statusBar->isVisibleTo(&window));
    full.Set(false);
    QTRY_VERIFY(!window.isFullScreen());
    QVERIFY(statusBar->isVisibleTo(&window));
}

TV_TEST_MAIN_GUI(TestFullScreen)
#include "tst_fullscreen.moc"
