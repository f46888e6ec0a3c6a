#include <QtTest>

#include "components/coolbar.h"
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
