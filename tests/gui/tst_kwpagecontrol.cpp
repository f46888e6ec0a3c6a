#include <QtTest>
#include <QAccessible>
#include <QMimeData>
#include <QToolButton>
#include <QToolTip>

#include "browser/kwpageaccessible.h"
#include "browser/kwpagecontrol.h"
#include "testenv.h"

namespace {
struct Strip {
    TKWPageControl pc;
    QList<TKWTabSheet *> pages;

    explicit Strip(const QStringList &captions, bool shifting = true)
    {
        pc.resize(600, 300);
        pc.SetAllowTabShifting(shifting);
        for (const QString &c : captions) {
            auto *p = new TKWTabSheet;
            p->setObjectName(c);
            p->SetCaption(c);
            p->SetHint(QStringLiteral("hint ") + c);
            p->SetPageControl(&pc);
            pages << p;
        }
        pc.show();
        QVERIFY(QTest::qWaitForWindowExposed(&pc));
    }
    QWidget *bar() const { return pc.TabBar(); }
    QPoint tab(int t) const { return pc.TabRect(t).center() - bar()->pos(); }
    QPoint empty() const { return QPoint(bar()->width() - 5, bar()->height() / 2); }
    QStringList order() const
    {
        QStringList out;
        for (int i = 0; i < pc.PageCount(); ++i)
            out << pc.Page(i)->Caption();
        return out;
    }
    Qt::CursorShape cursor() const { return bar()->cursor().shape(); }
};
}

// A page whose picture means something, as a browser tab's lamp does.
class TStatefulSheet : public TKWTabSheet {
public:
    QString TabStateText() const override { return ImageIndex() == 0 ? QStringLiteral("Loading") : QString(); }
};

QStringList accessibleTabNames(QAccessibleInterface *strip)
{
    QStringList names;
    for (int i = 0; i < strip->childCount(); ++i) {
        QAccessibleInterface *c = strip->child(i);
        if (c && c->role() == QAccessible::PageTab)
            names << c->text(QAccessible::Name);
    }
    return names;
}

class TestKWPageControl : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void heldUpdatesLayTheStripOutOnceAtTheEnd()
    {
        Strip s({"A", "B"});
        Strip reference({"A", "B", "C wider than the rest", "D"});
        reference.pages[0]->SetCaption(QStringLiteral("A longer now"));
        const QRect firstBefore = s.pc.TabRect(0);

        s.pc.BeginUpdate();
        s.pc.BeginUpdate();   // they nest
        for (const QString &c : {QStringLiteral("C wider than the rest"), QStringLiteral("D")}) {
            auto *p = new TKWTabSheet;
            p->SetCaption(c);
            p->SetPageControl(&s.pc);
        }
        s.pages[0]->SetCaption(QStringLiteral("A longer now"));
        // Held: the tabs stand where the last layout put them.
        QCOMPARE(s.pc.TabRect(0), firstBefore);
        QVERIFY(s.pc.TabRect(2).isNull());
        s.pc.EndUpdate();
        QVERIFY(s.pc.TabRect(2).isNull());
        s.pc.EndUpdate();
        // Laid out as if every change had been laid out at once.
        for (int t = 0; t < 4; ++t)
            QCOMPARE(s.pc.TabRect(t), reference.pc.TabRect(t));
        s.pc.EndUpdate();   // one too many does nothing
        QCOMPARE(s.pc.TabRect(3), reference.pc.TabRect(3));

        // The measured widths follow the font and the pictures.
        const int narrow = s.pc.TabRect(1).width();
        QFont big = s.pc.font();
        big.setPointSizeF(big.pointSizeF() * 2);
        s.pc.setFont(big);
        QTRY_VERIFY(s.pc.TabRect(1).width() > narrow);
        const int withoutPicture = s.pc.TabRect(1).width();
        QPixmap picture(16, 16);
        picture.fill(Qt::red);
        s.pc.SetImages({picture});
        s.pages[1]->SetImageIndex(0);
        QVERIFY(s.pc.TabRect(1).width() > withoutPicture);
    }

    void hiddenPagesHaveNoTab()
    {
        Strip s({"A", "B", "C", "D", "E"});
        s.pages[1]->SetTabVisible(false);
        s.pages[3]->SetTabVisible(false);
        QCOMPARE(s.pc.TabCount(), 3);
        QCOMPARE(s.pc.TabToPageIndex(0), 0);
        QCOMPARE(s.pc.TabToPageIndex(1), 2);
        QCOMPARE(s.pc.TabToPageIndex(2), 4);
        QCOMPARE(s.pc.TabToPageIndex(3), -1);
        QCOMPARE(s.pc.TabToPageIndex(-1), -1);
        QCOMPARE(s.pages[1]->TabIndex(), -1);
        QCOMPARE(s.pages[4]->TabIndex(), 2);

        // Hit test: every tab's centre finds it; beyond the last tab and over the pages
        // there is none.
        for (int t = 0; t < 3; ++t)
            QCOMPARE(s.pc.TabAtPoint(s.pc.TabRect(t).center()), t);
        QCOMPARE(s.pc.TabAtPoint(s.empty() + s.bar()->pos()), -1);
        QCOMPARE(s.pc.TabAtPoint(QPoint(300, 200)), -1);
        QVERIFY(s.pc.TabRect(3).isNull());
    }

    void removingPages()
    {
        Strip s({"A", "B", "C"});
        QSignalSpy changed(&s.pc, &TKWPageControl::Changed);
        s.pc.SetActivePage(s.pages[1]);
        s.pc.RemovePage(s.pages[1]);              // right neighbour takes over
        QCOMPARE(s.pc.ActivePage(), s.pages[2]);
        delete s.pages[2];                        // the last one: left neighbour
        QCOMPARE(s.pc.ActivePage(), s.pages[0]);
        QCOMPARE(changed.count(), 3);
        QCOMPARE(s.order(), QStringList{"A"});
        QCOMPARE(s.pages[1]->PageControl(), nullptr);
        QVERIFY(!s.pages[1]->isVisible());
        delete s.pages[1];

        s.pc.SelectNextPage(true);                // one page: stays
        QCOMPARE(s.pc.ActivePage(), s.pages[0]);
    }

    void selectNextSkipsHiddenAndWraps()
    {
        Strip s({"A", "B", "C", "D"});
        s.pages[3]->SetTabVisible(false);
        s.pc.SetActivePage(s.pages[2]);
        s.pc.SelectNextPage(true);
        QCOMPARE(s.pc.ActivePage(), s.pages[0]);
        s.pc.SelectNextPage(false);
        QCOMPARE(s.pc.ActivePage(), s.pages[2]);
    }

    void dragReordering()
    {
        Strip s({"A", "B", "C", "D"});
        QSignalSpy changed(&s.pc, &TKWPageControl::Changed);
        QTest::mousePress(s.bar(), Qt::LeftButton, {}, s.tab(1));
        QCOMPARE(s.pc.ActivePage(), s.pages[1]);
        QCOMPARE(changed.count(), 1);
        QTest::mouseMove(s.bar(), s.empty());
        QCOMPARE(s.cursor(), Qt::ForbiddenCursor);
        QTest::mouseMove(s.bar(), s.tab(1));
        QCOMPARE(s.cursor(), Qt::ArrowCursor);
        QTest::mouseMove(s.bar(), s.tab(3));
        QCOMPARE(s.cursor(), Qt::DragMoveCursor);
        QTest::mouseRelease(s.bar(), Qt::LeftButton, {}, s.tab(3));
        QCOMPARE(s.order(), (QStringList{"A", "C", "D", "B"}));
        QCOMPARE(s.cursor(), Qt::ArrowCursor);
        QCOMPARE(s.pc.ActivePage(), s.pages[1]);
        QCOMPARE(changed.count(), 1);

        // Onto itself: nothing moves.
        QTest::mousePress(s.bar(), Qt::LeftButton, {}, s.tab(3));
        QTest::mouseRelease(s.bar(), Qt::LeftButton, {}, s.tab(3));
        QCOMPARE(s.order(), (QStringList{"A", "C", "D", "B"}));

        // Released outside every tab: nothing moves, the forbidden cursor stays until
        // the mouse moves again.
        QTest::mousePress(s.bar(), Qt::LeftButton, {}, s.tab(0));
        QTest::mouseMove(s.bar(), s.empty());
        QTest::mouseRelease(s.bar(), Qt::LeftButton, {}, s.empty());
        QCOMPARE(s.order(), (QStringList{"A", "C", "D", "B"}));
        QCOMPARE(s.cursor(), Qt::ForbiddenCursor);
        QTest::mouseMove(s.bar(), s.empty() - QPoint(2, 0));
        QCOMPARE(s.cursor(), Qt::ArrowCursor);
    }

    void dragWithHiddenPagesMovesTheDraggedTab()
    {
        Strip s({"A", "H", "B", "C"});
        s.pages[1]->SetTabVisible(false);
        QTest::mousePress(s.bar(), Qt::LeftButton, {}, s.tab(0));
        QTest::mouseMove(s.bar(), s.tab(2));
        QTest::mouseRelease(s.bar(), Qt::LeftButton, {}, s.tab(2));
        QCOMPARE(s.order(), (QStringList{"H", "B", "C", "A"}));
        QCOMPARE(s.pages[0]->TabIndex(), 2);
    }

    void noShiftingNoCursorNoMove()
    {
        Strip s({"A", "B", "C"}, false);
        QTest::mousePress(s.bar(), Qt::LeftButton, {}, s.tab(0));
        for (const QPoint &p : {s.empty(), s.tab(0), s.tab(2)}) {
            QTest::mouseMove(s.bar(), p);
            QVERIFY(!s.bar()->testAttribute(Qt::WA_SetCursor));
        }
        QTest::mouseRelease(s.bar(), Qt::LeftButton, {}, s.tab(2));
        QCOMPARE(s.order(), (QStringList{"A", "B", "C"}));
        QVERIFY(!s.bar()->testAttribute(Qt::WA_SetCursor));
    }

    void rightButtonThenContextMenu()
    {
        Strip s({"A", "B"});
        QStringList events;
        connect(&s.pc, &TKWPageControl::TabRightButtonDown, this,
                [&](int t) { events << QStringLiteral("down %1").arg(t); });
        connect(&s.pc, &TKWPageControl::TabContextMenu, this,
                [&](int t, const QPoint &) { events << QStringLiteral("menu %1").arg(t); });
        // QTest does not synthesize the context-menu event the platform sends after the press.
        QTest::mousePress(s.bar(), Qt::RightButton, {}, s.tab(1));
        QContextMenuEvent menu(QContextMenuEvent::Mouse, s.tab(1), s.bar()->mapToGlobal(s.tab(1)));
        QCoreApplication::sendEvent(s.bar(), &menu);
        QTest::mouseRelease(s.bar(), Qt::RightButton, {}, s.tab(1));
        QCOMPARE(events, (QStringList{"down 1", "menu 1"}));
        QCOMPARE(s.pc.ActivePage(), s.pages[0]);   // the right button selects nothing
    }

    void tooltipFollowsTheTab()
    {
        Strip s({"A", "B", "C"});
        s.pc.SetShowHints(true);
        QTest::mouseMove(s.bar(), s.tab(0));
        QCOMPARE(s.pc.HintTab(), 0);
        QHelpEvent help(QEvent::ToolTip, s.tab(0), s.bar()->mapToGlobal(s.tab(0)));
        QCoreApplication::sendEvent(s.bar(), &help);
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("hint A"));

        // Another tab without leaving: the shown tip moves at once, below that tab.
        QTest::mouseMove(s.bar(), s.tab(2));
        QCOMPARE(s.pc.HintTab(), 2);
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("hint C"));
        QWidget *tip = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->inherits("QTipLabel") && w->isVisible())
                tip = w;
        }
        QVERIFY(tip);
        const QRect r = s.pc.TabRect(2);
        QCOMPARE(tip->pos(), s.pc.mapToGlobal(QPoint(r.left() + 3, r.bottom() + 2)));

        // A title that looks like markup is shown as written.
        s.pages[1]->SetHint(QStringLiteral("<b>Bold</b> | Site"));
        QTest::mouseMove(s.bar(), s.tab(1));
        QTRY_VERIFY(QToolTip::text().contains(QStringLiteral("&lt;b&gt;Bold&lt;/b&gt; | Site")));

        // Leaving the strip clears it.
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(s.bar(), &leave);
        QCOMPARE(s.pc.HintTab(), -1);
        QCOMPARE(s.pc.HotTab(), -1);
        QTRY_VERIFY(!QToolTip::isVisible());

        s.pc.SetShowHints(false);
        QTest::mouseMove(s.bar(), s.tab(1));
        QCoreApplication::sendEvent(s.bar(), &help);
        QCOMPARE(s.pc.HintTab(), -1);
        QVERIFY(!QToolTip::isVisible());
    }

    void multiLineRows()
    {
        QStringList captions;
        for (int i = 0; i < 12; ++i)
            captions << QStringLiteral("A fairly long page title %1").arg(i);
        Strip s(captions);

        // One row: tabs shrink to fit the strip and never overlap.
        QCOMPARE(s.pc.RowCount(), 1);
        QVERIFY(s.pc.TabRect(11).right() < s.pc.width());
        for (int t = 1; t < 12; ++t)
            QVERIFY(s.pc.TabRect(t).left() > s.pc.TabRect(t - 1).left());

        const int oneRow = s.pc.TabBarGeometry().height();
        s.pc.SetMultiLine(true);
        QVERIFY(s.pc.RowCount() > 1);
        QVERIFY(s.pc.TabBarGeometry().height() > oneRow);
        QCOMPARE(s.pc.TabBarGeometry().bottom() + 1, s.pc.findChild<QWidget *>("pages")->y());
        for (int t = 0; t < 12; ++t) {
            QVERIFY(s.pc.TabBarGeometry().contains(s.pc.TabRect(t)));
            for (int u = t + 1; u < 12; ++u)
                QVERIFY(!s.pc.TabRect(t).intersects(s.pc.TabRect(u)));
        }
        // Rows keep their order: selecting a tab of the first row moves no tab.
        QList<QRect> before;
        for (int t = 0; t < 12; ++t)
            before << s.pc.TabRect(t);
        QTest::mouseClick(s.bar(), Qt::LeftButton, {}, s.tab(0));
        for (int t = 0; t < 12; ++t)
            QCOMPARE(s.pc.TabRect(t), before.at(t));

        // At the bottom the pages sit above the tabs.
        s.pc.SetTabPosition(TKWPageControl::TabPosition::Bottom);
        QCOMPARE(s.pc.TabBarGeometry().bottom(), s.pc.height() - 1);
        QCOMPARE(s.pc.findChild<QWidget *>("pages")->y(), 0);
    }

    // Thirty tabs do not fit on one row: scroll buttons at the strip's end reach every tab,
    // no tab shows under them, and the active tab stays in view.
    void crowdedRowScrollButtons()
    {
        QStringList captions;
        for (int i = 0; i < 30; ++i)
            captions << QStringLiteral("Page number %1").arg(i);
        Strip s(captions);
        auto *left = s.pc.findChild<QToolButton *>("tabScrollLeft");
        auto *right = s.pc.findChild<QToolButton *>("tabScrollRight");
        QVERIFY(left && right);
        QCOMPARE(s.pc.RowCount(), 1);
        QVERIFY(left->isVisible() && right->isVisible());
        const QRect buttons = left->geometry().united(right->geometry());
        QCOMPARE(buttons.right(), s.bar()->width() - 1);
        const auto inView = [&](int t) {
            const QRect r = s.pc.TabRect(t).translated(-s.bar()->pos());
            return r.left() >= 0 && r.right() < buttons.left();
        };

        s.pc.SetActivePage(s.pages[0]);
        QVERIFY(inView(0));
        QVERIFY(!inView(29));
        QVERIFY(!left->isEnabled());
        // A point over the buttons is on no tab.
        QCOMPARE(s.pc.TabAtPoint(buttons.center() + s.bar()->pos()), -1);

        // The right button brings every tab into view in turn, one tab per click.
        int clicks = 0;
        for (int t = 1; t < 30; ++t) {
            while (!inView(t) && clicks < 100) {
                const int firstBefore = s.pc.TabAtPoint(s.bar()->pos() + QPoint(3, s.bar()->height() / 2));
                QTest::mouseClick(right, Qt::LeftButton);
                ++clicks;
                const int firstAfter = s.pc.TabAtPoint(s.bar()->pos() + QPoint(3, s.bar()->height() / 2));
                QVERIFY(firstAfter == firstBefore + 1 || !right->isEnabled());
            }
            QVERIFY(inView(t));
        }
        QVERIFY(!right->isEnabled());
        QVERIFY(left->isEnabled());
        QTest::mouseClick(s.bar(), Qt::LeftButton, {}, s.tab(29));
        QCOMPARE(s.pc.ActivePage(), s.pages[29]);
        while (left->isEnabled() && clicks < 200) {
            QTest::mouseClick(left, Qt::LeftButton);
            ++clicks;
        }
        QVERIFY(inView(0));

        // Selecting a tab out of view scrolls it in; so do new tabs and a narrower strip.
        s.pc.SetActivePage(s.pages[20]);
        QVERIFY(inView(20));
        s.pc.resize(300, 300);
        QVERIFY(inView(20));

        // Enough room again: the buttons go and every tab shows.
        s.pc.resize(6000, 300);
        QVERIFY(!left->isVisible() && !right->isVisible());
        QVERIFY(s.pc.TabRect(0).left() >= 0 && s.pc.TabRect(29).right() < s.pc.width());
        s.pc.resize(600, 300);
        QVERIFY(right->isVisible());

        // Rows that wrap need no buttons.
        s.pc.SetMultiLine(true);
        QVERIFY(s.pc.RowCount() > 1);
        QVERIFY(!left->isVisible() && !right->isVisible());
        for (int t = 0; t < 30; ++t)
            QVERIFY(s.pc.TabBarGeometry().contains(s.pc.TabRect(t)));
    }

    void textPlacement()
    {
        using P = TKWPageControl::TabPosition;
        const QRect item(10, 5, 80, 24);
        // Tabs on top: the selected tab's text two pixels higher and two further right.
        const auto sel = TKWPageControl::TabPaintRects(item, true, P::Top, QSize());
        const auto unsel = TKWPageControl::TabPaintRects(item, false, P::Top, QSize());
        QCOMPARE(sel.fill, unsel.fill);
        QCOMPARE(sel.text.top(), unsel.text.top() - 2);
        QCOMPARE(sel.text.left(), unsel.text.left() + 2);
        QCOMPARE(unsel.text.left(), item.left() + 5);

        // At the bottom, with an image: centred on the shifted tab, the text after it.
        const auto img = TKWPageControl::TabPaintRects(item, true, P::Bottom, QSize(8, 8));
        QCOMPARE(img.fill, item.translated(0, -2));
        QCOMPARE(img.image, QRect(10 + 5 + 2, 3 + 12 - 4 + 1, 8, 8));
        QCOMPARE(img.text.left(), img.image.right() + 1 + 5);
        QCOMPARE(img.text.top(), img.fill.top() + 1);
    }

    void displayText_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty") << "" << "";
        QTest::newRow("blanks only") << "   " << "";
        QTest::newRow("padded") << "  Page  " << "Page";
        QTest::newRow("control chars") << QStringLiteral("\x01\tPage\r\n") << "Page";
        QTest::newRow("escaped ampersand") << "Q && A" << "Q & A";
        QTest::newRow("access key") << "&File" << "File";
        QTest::newRow("inner tab") << "ab\tc" << "ab      c";
    }
    void displayText()
    {
        QFETCH(QString, caption);
        QFETCH(QString, shown);
        QCOMPARE(TKWPageControl::TabDisplayText(caption), shown);
    }

    void emptyCaptionIsStillATab()
    {
        Strip s({"", "   ", "B"});
        QVERIFY(s.pc.TabRect(0).width() >= 30);
        QCOMPARE(s.pc.TabAtPoint(s.pc.TabRect(1).center()), 1);
        s.bar()->repaint();   // drawing empty captions must not trip anything
    }

    void drops()
    {
        Strip s({"A", "B"});
        s.pc.setAcceptDrops(true);
        QSignalSpy over(&s.pc, &TKWPageControl::TabDragOver);
        QSignalSpy dropped(&s.pc, &TKWPageControl::TextDropped);
        const auto dropAt = [&](const QPoint &pos, QMimeData *mime) {
            QDragEnterEvent enter(pos, Qt::CopyAction, mime, Qt::LeftButton, {});
            QCoreApplication::sendEvent(&s.pc, &enter);
            QDragMoveEvent move(pos, Qt::CopyAction, mime, Qt::LeftButton, {});
            QCoreApplication::sendEvent(&s.pc, &move);
            if (!move.isAccepted())
                return false;
            QDropEvent drop(pos, Qt::CopyAction, mime, Qt::LeftButton, {});
            QCoreApplication::sendEvent(&s.pc, &drop);
            return drop.isAccepted();
        };
        QMimeData text;
        text.setText(QStringLiteral(" http://127.0.0.1/a "));
        QVERIFY(dropAt(s.pc.TabRect(1).center(), &text));
        QCOMPARE(over.last().at(0).toInt(), 1);
        QCOMPARE(dropped.last().at(0).toInt(), 1);
        QCOMPARE(dropped.last().at(1).toString(), QStringLiteral(" http://127.0.0.1/a "));

        QMimeData file;
        file.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/x/Site.url"))});
        file.setText(QStringLiteral("file:///tmp/x/Site.url"));
        QVERIFY(dropAt(s.pc.TabRect(0).center(), &file));
        QCOMPARE(dropped.last().at(1).toString(), QStringLiteral("/tmp/x/Site.url"));

        // Off the tab headers: refused, nothing delivered.
        const int count = int(dropped.count());
        QVERIFY(!dropAt(s.empty() + s.bar()->pos(), &text));
        QCOMPARE(over.last().at(0).toInt(), -1);
        QVERIFY(!dropAt(QPoint(300, 200), &text));
        QCOMPARE(dropped.count(), count);
    }

    // The strip reads to assistive technology as a page-tab list: a page tab per visible
    // page in strip order, named by its caption, selected when active, and switched to by
    // its press action; changes are reported as they happen.
    void accessibleTabList()
    {
        Strip s({"One", "Fish && Chips", "Three"});
        auto *stateful = new TStatefulSheet;
        stateful->SetCaption(QStringLiteral("Four"));
        stateful->SetPageControl(&s.pc);
        QAccessibleInterface *strip = QAccessible::queryAccessibleInterface(s.bar());
        QVERIFY(strip);
        QCOMPARE(strip->role(), QAccessible::PageTabList);
        QVERIFY(!strip->text(QAccessible::Name).isEmpty());
        s.pc.setAccessibleName(QStringLiteral("Side bar pages"));
        QCOMPARE(strip->text(QAccessible::Name), QStringLiteral("Side bar pages"));
        QCOMPARE(accessibleTabNames(strip), QStringList({"One", "Fish & Chips", "Three", "Four"}));
        for (int i = 0; i < 4; ++i) {
            QAccessibleInterface *tab = strip->child(i);
            QCOMPARE(strip->indexOfChild(tab), i);
            QCOMPARE(tab->parent(), strip);
            QCOMPARE(tab->state().selected, i == 0);
            QVERIFY(tab->state().selectable);
            // Its rectangle is the drawn tab's, and the strip finds it there.
            const QPoint centre = s.pc.mapToGlobal(s.pc.TabRect(i).center());
            QCOMPARE(tab->rect().center(), centre);
            QCOMPARE(strip->childAt(centre.x(), centre.y()), tab);
        }
        QCOMPARE(strip->child(1)->text(QAccessible::Help), QStringLiteral("hint Fish && Chips"));

        // The picture's meaning is the tab's description.
        QCOMPARE(strip->child(3)->text(QAccessible::Description), QString());
        stateful->SetImageIndex(0);
        QCOMPARE(strip->child(3)->text(QAccessible::Description), QStringLiteral("Loading"));

        // Pressing a tab selects its page.
        QAccessibleInterface *third = strip->child(2);
        QAccessibleActionInterface *action = third->actionInterface();
        QVERIFY(action);
        QVERIFY(action->actionNames().contains(QAccessibleActionInterface::pressAction()));
        action->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(s.pc.ActivePage(), s.pages[2]);
        QVERIFY(third->state().selected);
        QVERIFY(!strip->child(0)->state().selected);
        QCOMPARE(strip->focusChild(), third);

        // Hidden pages have no tab; moved pages move their tab; removed pages lose theirs.
        QAccessibleInterface *first = strip->child(0);
        s.pages[1]->SetTabVisible(false);
        QCOMPARE(accessibleTabNames(strip), QStringList({"One", "Three", "Four"}));
        s.pc.MovePage(s.pages[0], 3);
        QCOMPARE(accessibleTabNames(strip), QStringList({"Three", "Four", "One"}));
        QCOMPARE(strip->indexOfChild(first), 2);
        s.pc.RemovePage(s.pages[0]);
        QVERIFY(!first->isValid());
        QCOMPARE(strip->indexOfChild(first), -1);
        QCOMPARE(accessibleTabNames(strip), QStringList({"Three", "Four"}));
        delete s.pages[0];
        delete stateful;
        QCOMPARE(accessibleTabNames(strip), QStringList({"Three"}));

        // A new page at the address of a deleted one gets a tab of its own.
        auto *fresh = new TKWTabSheet;
        fresh->SetCaption(QStringLiteral("Fresh"));
        fresh->SetPageControl(&s.pc);
        QCOMPARE(accessibleTabNames(strip), QStringList({"Three", "Fresh"}));
    }

    void colours()
    {
        QCOMPARE(TKWPageControl::ColorFromBGR(10987431), QColor(0xA7, 0xA7, 0xA7));
        QCOMPARE(TKWPageControl::ColorFromBGR(0x0000FF), QColor(255, 0, 0));
        QCOMPARE(TKWPageControl::ColorFromBGR(0xFF0000), QColor(0, 0, 255));
        QCOMPARE(TKWPageControl::ColorToBGR(QColor(0x12, 0x34, 0x56)), 0x563412);
        QCOMPARE(TKWPageControl::ColorFromBGR(TKWPageControl::clBtnFace),
                 QGuiApplication::palette().color(QPalette::Button));
        QCOMPARE(TKWPageControl::ColorFromBGR(TKWPageControl::clWindowText),
                 QGuiApplication::palette().color(QPalette::WindowText));
    }
};

TV_TEST_MAIN_GUI(TestKWPageControl)
#include "tst_kwpagecontrol.moc"
