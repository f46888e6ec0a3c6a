#include <QtTest>

#include "components/coolbar.h"
#include "testenv.h"

namespace {
// The four bands as the main window creates them: header 10 (grip), "Links" wider.
TCoolBands mainBands()
{
    TCoolBands m;
    const auto add = [&m](int id, const char *name, int minW, int minH, int w, bool brk,
                          int header) {
        TCoolBand b;
        b.id = id;
        b.name = QLatin1String(name);
        b.minWidth = minW;
        b.minHeight = minH;
        b.width = w;
        b.brk = brk;
        b.headerWidth = header;
        m.bands.append(b);
    };
    add(1, "Menu", 45, 23, 628, false, 10);
    add(2, "Tool", 40, 27, 628, true, 10);
    add(3, "Address", 58, 23, 567, true, 10);
    add(4, "Links", 17, 23, 59, false, 40);
    return m;
}

QStringList order(const TCoolBands &m)
{
    QStringList out;
    for (const TCoolBand &b : m.bands)
        out << (b.brk ? QLatin1String("|") : QString()) + b.name;
    return out;
}
}

class TestCoolBarLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rowsFollowVisibleBreaks()
    {
        TCoolBands m = mainBands();
        TCoolBands::Layout lay = m.layout(700);
        QCOMPARE(lay.rowCount(), 3);
        QCOMPARE(lay.rowOfBand, (QList<int>{0, 1, 2, 2}));
        QCOMPARE(lay.height, (23 + 4) + (27 + 4) + (23 + 4));
        QCOMPARE(lay.rects.at(1).top(), 27);

        // A hidden band leaves no row; a hidden row-starter's break does not count either.
        m.bands[2].visible = false;
        lay = m.layout(700);
        QCOMPARE(lay.rowCount(), 2);
        QCOMPARE(lay.rowOfBand, (QList<int>{0, 1, -1, 1}));
        QVERIFY(lay.rects.at(2).isNull());
        QCOMPARE(lay.height, 27 + 31);

        m.bands[0].visible = m.bands[1].visible = m.bands[3].visible = false;
        QCOMPARE(m.layout(700).height, 0);
    }

    void rowLengths()
    {
        TCoolBands m = mainBands();
        // Spare room goes to the last band of the row.
        TCoolBands::Layout lay = m.layout(700);
        QCOMPARE(lay.rects.at(2), QRect(0, 58, 567, 27));
        QCOMPARE(lay.rects.at(3), QRect(567, 58, 133, 27));
        QCOMPARE(lay.rects.at(0).width(), 700);

        // Too long: the last band gives way first, then the one before it, never below
        // their minimum lengths.
        lay = m.layout(500);
        QCOMPARE(lay.rects.at(3).width(), 57);
        QCOMPARE(lay.rects.at(2).width(), 443);
        lay = m.layout(50);
        QCOMPARE(lay.rects.at(2).width(), 68);
        QCOMPARE(lay.rects.at(3).width(), 57);
        QCOMPARE(lay.rects.at(0).width(), 55);

        // A requested width below the minimum is shown at the minimum.
        m.bands[2].width = 3;
        QCOMPARE(m.layout(700).rects.at(2).width(), 68);
    }

    void maximizeAndMinimize()
    {
        TCoolBands m = mainBands();
        QVERIFY(m.maximize(2, 700));
        TCoolBands::Layout lay = m.layout(700);
        QCOMPARE(lay.rects.at(3).width(), 57);
        QCOMPARE(lay.rects.at(2).width(), 643);
        QVERIFY(!m.maximize(2, 700));    // already as wide as it can be

        QVERIFY(m.minimize(2, 700));     // the right neighbour takes the freed length
        lay = m.layout(700);
        QCOMPARE(lay.rects.at(2).width(), 68);
        QCOMPARE(lay.rects.at(3).width(), 632);

        QVERIFY(m.minimize(3, 700));     // the last band gives to its left neighbour
        lay = m.layout(700);
        QCOMPARE(lay.rects.at(3).width(), 57);
        QCOMPARE(lay.rects.at(2).width(), 643);

        QVERIFY(!m.minimize(0, 700));    // alone in its row: nothing to give
        QVERIFY(!m.maximize(0, 700));
        QCOMPARE(m.layout(700).rects.at(0).width(), 700);
    }

    void gripResizesAgainstLeftNeighbour()
    {
        TCoolBands m = mainBands();
        QVERIFY(m.dragGrip(3, 400, 700));
        TCoolBands::Layout lay = m.layout(700);
        QCOMPARE(lay.rects.at(2).width(), 400);
        QCOMPARE(lay.rects.at(3), QRect(400, 58, 300, 27));
        // Clamped on both sides by the two minimum lengths.
        m.dragGrip(3, -50, 700);
        QCOMPARE(m.layout(700).rects.at(3).left(), 68);
        m.dragGrip(3, 5000, 700);
        QCOMPARE(m.layout(700).rects.at(3).left(), 700 - 57);
        // The first band of a row has nothing to its left to resize against.
        QVERIFY(!m.dragGrip(2, 300, 700));
        QVERIFY(!m.dragGrip(0, 300, 700));
    }

    void moveToRow()
    {
        // Onto the end of another row: the band loses its break.
        TCoolBands m = mainBands();
        QVERIFY(m.moveToRow(3, 1, 690, 700));
        QCOMPARE(order(m), (QStringList{"Menu", "|Tool", "Links", "|Address"}));
        QCOMPARE(m.layout(700).rowCount(), 3);

        // A row starter moving to the start of another row: its row-mate inherits the
        // break, the old first band of the target row loses it.
        m = mainBands();
        QVERIFY(m.moveToRow(2, 1, 0, 700));
        QCOMPARE(order(m), (QStringList{"Menu", "|Address", "Tool", "|Links"}));

        // Within its row, in front of the left neighbour.
        m = mainBands();
        QVERIFY(m.moveToRow(3, 2, 0, 700));
        QCOMPARE(order(m), (QStringList{"Menu", "|Tool", "|Links", "Address"}));

        // New rows above the first and below the last.
        m = mainBands();
        QVERIFY(m.moveToRow(3, -1, 0, 700));
        QCOMPARE(order(m), (QStringList{"|Links", "|Menu", "|Tool", "|Address"}));
        QCOMPARE(m.layout(700).rowCount(), 4);
        m = mainBands();
        QVERIFY(m.moveToRow(2, 3, 0, 700));
        QCOMPARE(order(m), (QStringList{"Menu", "|Tool", "|Links", "|Address"}));

        // A band alone in its row asked for a new row next to it, or its own row: no-op.
        m = mainBands();
        QVERIFY(!m.moveToRow(0, -1, 0, 700));
        QVERIFY(!m.moveToRow(1, 1, 300, 700));
        QCOMPARE(order(m), order(mainBands()));

        // The whole last row emptied into the first one: one row fewer.
        m = mainBands();
        m.moveToRow(3, 0, 690, 700);
        m.moveToRow(3, 0, 690, 700);   // Address, now index 3 as well
        QCOMPARE(m.layout(700).rowCount(), 2);
        QCOMPARE(order(m), (QStringList{"Menu", "Links", "Address", "|Tool"}));
    }
};

TV_TEST_MAIN_CORE(TestCoolBarLayout)
#include "tst_coolbar_layout.moc"
