#include <QtTest>
#include <QAccessible>

#include "components/coolbar.h"
#include "components/logoanimation.h"
#include "components/statuspanels.h"
#include "testenv.h"

namespace {
struct Bar {
    TCoolBar bar;
    QWidget *menu = new QWidget, *tool = new QWidget, *address = new QWidget,
            *links = new QWidget;
    Bar()
    {
        bar.addBand("Menu", menu, 45, 23, 628);
        bar.addBand("Tool", tool, 40, 27, 628);
        bar.addBand("Address", address, 58, 23, 567);
        bar.addBand("Links", links, 17, 23, 59, "Links");
        bar.setBandBreak(1, true);
        bar.setBandBreak(2, true);
        bar.resize(700, bar.height());
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
    }
    QStringList order() const
    {
        QStringList out;
        for (int i = 0; i < bar.bandCount(); ++i)
            out << (bar.bandBreak(i) ? QLatin1String("|") : QString()) + bar.bandName(i);
        return out;
    }
    void drag(int band, const QPoint &to)
    {
        const QPoint from = bar.gripRect(band).center();
        QTest::mousePress(&bar, Qt::LeftButton, {}, from);
        QTest::mouseMove(&bar, to);
        QTest::mouseRelease(&bar, Qt::LeftButton, {}, to);
    }
};
}

class TestCoolBar : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void bandsPlaceTheirControls()
    {
        Bar b;
        QCOMPARE(b.bar.height(), 27 + 31 + 27);
        QCOMPARE(b.bar.rowCount(), 3);
        QCOMPARE(b.bar.bandIndexOfControl(b.address), 2);
        QCOMPARE(b.bar.bandByName("links"), 3);
        for (int i = 0; i < 4; ++i) {
            const QWidget *c = b.bar.bandControl(i);
            QVERIFY(b.bar.bandRect(i).contains(c->geometry()));
            QVERIFY(c->x() >= b.bar.gripRect(i).right());
            QVERIFY(c->isVisible());
        }
        // The caption sits between the grip and the control.
        QVERIFY(b.links->x() - b.bar.bandRect(3).left()
                > b.bar.fontMetrics().horizontalAdvance("Links"));
        QCOMPARE(b.bar.bandWidth(2) + b.bar.bandWidth(3), 700);

        QSignalSpy height(&b.bar, &TCoolBar::HeightChanged);
        b.bar.setBandVisible(1, false);
        QVERIFY(!b.tool->isVisible());
        QCOMPARE(height.count(), 1);
        QCOMPARE(height.last().at(0).toInt(), 27 + 27);
        QCOMPARE(b.bar.height(), 54);
    }

    void gripDragResizesAndMoves()
    {
        Bar b;
        QSignalSpy changed(&b.bar, &TCoolBar::LayoutChanged);
        const int offset = b.bar.gripRect(3).center().x() - b.bar.bandRect(3).left();
        b.drag(3, QPoint(300 + offset, b.bar.gripRect(3).center().y()));
        QCOMPARE(b.bar.bandWidth(2), 300);
        QCOMPARE(b.bar.bandWidth(3), 400);
        QCOMPARE(changed.count(), 1);

        // Up into the toolbar's row.
        b.drag(3, QPoint(650, b.bar.bandRect(1).center().y()));
        QCOMPARE(b.order(), (QStringList{"Menu", "|Tool", "Links", "|Address"}));
        QCOMPARE(b.bar.rowCount(), 3);
        QCOMPARE(b.bar.bandRect(2).top(), b.bar.bandRect(1).top());

        // Below the last row: a row of its own.
        b.drag(2, QPoint(100, b.bar.height() + 10));
        QCOMPARE(b.order(), (QStringList{"Menu", "|Tool", "|Address", "|Links"}));
        QCOMPARE(b.bar.rowCount(), 4);
        QCOMPARE(changed.count(), 3);

        // A grip press without a move changes nothing and says nothing.
        b.drag(0, b.bar.gripRect(0).center());
        QCOMPARE(changed.count(), 3);
    }

    void maximizeMinimizeAndDoubleClick()
    {
        Bar b;
        b.bar.MaximizeBand(2);
        QCOMPARE(b.bar.bandWidth(3), 10 + 17 + b.bar.fontMetrics().horizontalAdvance("Links") + 6);
        b.bar.MinimizeBand(2);
        QCOMPARE(b.bar.bandWidth(2), 10 + 58);
        QTest::mouseDClick(&b.bar, Qt::LeftButton, {}, b.bar.gripRect(2).center());
        QCOMPARE(b.bar.bandWidth(2), 700 - b.bar.bandWidth(3));
        QVERIFY(b.bar.bandWidth(2) > 600);
    }

    // Screen readers find the grips as children of the bar, named by their band, placed
    // where they are drawn; pressing one does what a double-click does. The status panels
    // read as texts of a status bar, the logo as a button that is busy while it turns.
    void componentsDrawnInCodeAreAccessible()
    {
        Bar b;
        b.bar.setBandVisible(1, false);
        QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(&b.bar);
        QCOMPARE(bar->role(), QAccessible::ToolBar);
        QStringList grips;
        QList<QAccessibleInterface *> gripList;
        for (int i = 0; i < bar->childCount(); ++i) {
            QAccessibleInterface *c = bar->child(i);
            QCOMPARE(bar->indexOfChild(c), i);
            if (!c->object() && c->role() == QAccessible::Button) {
                grips << c->text(QAccessible::Name);
                gripList << c;
            }
        }
        QCOMPARE(grips, QStringList({"Menu band grip", "Address band grip", "Links band grip"}));
        QCOMPARE(gripList.at(1)->rect(), QRect(b.bar.mapToGlobal(b.bar.gripRect(2).topLeft()), b.bar.gripRect(2).size()));
        const QPoint centre = gripList.at(1)->rect().center();
        QCOMPARE(bar->childAt(centre.x(), centre.y()), gripList.at(1));
        // The band controls follow the grips.
        QVERIFY(bar->indexOfChild(QAccessible::queryAccessibleInterface(b.address)) >= 3);

        QAccessibleActionInterface *press = gripList.at(1)->actionInterface();
        QVERIFY(press);
        b.bar.MaximizeBand(2);
        press->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(b.bar.bandWidth(2), 10 + 58);
        press->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(b.bar.bandWidth(2) > 600);
        // A band that moves keeps its grip; a hidden band has none.
        b.bar.moveBand(2, 0);
        QCOMPARE(gripList.at(1)->text(QAccessible::Name), QStringLiteral("Address band grip"));
        QCOMPARE(bar->indexOfChild(gripList.at(1)), 0);
        b.bar.setBandVisible(0, false);
        QVERIFY(!gripList.at(1)->isValid());
        QCOMPARE(bar->indexOfChild(gripList.at(0)), 0);

        TStatusPanels panels({0, 100, 50});
        panels.resize(400, 20);
        panels.SetPanelText(0, QStringLiteral("Done"));
        panels.SetPanelText(2, QStringLiteral("Internet"));
        QAccessibleInterface *status = QAccessible::queryAccessibleInterface(&panels);
        QCOMPARE(status->role(), QAccessible::StatusBar);
        QVERIFY(status->childCount() >= 3);
        QCOMPARE(status->child(0)->text(QAccessible::Name), QStringLiteral("Done"));
        QCOMPARE(status->child(2)->text(QAccessible::Name), QStringLiteral("Internet"));
        QCOMPARE(status->child(2)->rect().width(), 50);
        panels.SetPanelText(0, QStringLiteral("Opening page"));
        QCOMPARE(status->child(0)->text(QAccessible::Name), QStringLiteral("Opening page"));

        TLogoAnimation logo;
        logo.setToolTip(QStringLiteral("Tabvane on the web"));
        QSignalSpy clicked(&logo, &TLogoAnimation::Clicked);
        QAccessibleInterface *l = QAccessible::queryAccessibleInterface(&logo);
        QCOMPARE(l->role(), QAccessible::Button);
        QCOMPARE(l->text(QAccessible::Name), QStringLiteral("Tabvane on the web"));
        QVERIFY(!l->state().busy);
        logo.SetActive(true);
        QVERIFY(l->state().busy);
        l->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(clicked.count(), 1);
    }

    void contextMenuOnTheBar()
    {
        Bar b;
        QSignalSpy menu(&b.bar, &TCoolBar::ContextMenuRequested);
        const QPoint p = b.bar.gripRect(0).center();
        QContextMenuEvent e(QContextMenuEvent::Mouse, p, b.bar.mapToGlobal(p));
        QCoreApplication::sendEvent(&b.bar, &e);
        QCOMPARE(menu.count(), 1);
        QCOMPARE(menu.last().at(0).toPoint(), b.bar.mapToGlobal(p));
    }
};

TV_TEST_MAIN_GUI(TestCoolBar)
#include "tst_coolbar.moc"
