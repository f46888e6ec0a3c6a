#include "testenv.h"

#include "navigation/menubar.h"

#include <QtTest>

Q_DECLARE_METATYPE(QList<TMenuBarItem>)

class TestMenuBar : public QObject {
    Q_OBJECT
private slots:
    void overflow_data();
    void overflow();
    void tabsMenuCaptions_data();
    void tabsMenuCaptions();
};

using I = TMenuBarItem;

void TestMenuBar::overflow_data()
{
    QTest::addColumn<int>("panelWidth");
    QTest::addColumn<bool>("menuShown");
    QTest::addColumn<QList<TMenuBarItem>>("items");

    // Ten buttons of 40 pixels: right edges 40, 80, ..., 400.
    QTest::newRow("everything fits") << 400 << false << QList<I>{ I::Tools, I::Tabs };
    QTest::newRow("wide panel") << 1000 << false << QList<I>{ I::Tools, I::Tabs };
    QTest::newRow("Help cut off by one pixel") << 399 << true << QList<I>{ I::Tools, I::Tabs, I::Help };
    QTest::newRow("from Favorites on") << 180 << true
                                       << QList<I>{ I::Favorites, I::VessaGroups, I::Options, I::Tools,
                                                    I::Tabs, I::Help };
    QTest::newRow("nothing fits") << 0 << true
                                  << QList<I>{ I::File, I::Edit, I::View, I::Go, I::Favorites,
                                               I::VessaGroups, I::Options, I::Tools, I::Tabs, I::Help };
}

void TestMenuBar::overflow()
{
    QFETCH(int, panelWidth);
    QFETCH(bool, menuShown);
    QFETCH(QList<TMenuBarItem>, items);
    QList<int> edges;
    for (int i = 1; i <= MenuBarItemCount; ++i)
        edges.append(i * 40);
    const TMenuOverflow result = MenuBarOverflow(edges, panelWidth);
    QCOMPARE(result.menuButtonShown, menuShown);
    QCOMPARE(result.menuItems, items);
}

void TestMenuBar::tabsMenuCaptions_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("sticky");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("caption");

    QTest::newRow("1 title") << 1 << "" << "Example" << "&1    Example";
    QTest::newRow("9 sticky wins") << 9 << "Mail" << "Inbox (3)" << "&9    Mail";
    QTest::newRow("10 six spaces") << 10 << "" << "Ten" << "      Ten";
    QTest::newRow("12") << 12 << "" << "Twelve" << "      Twelve";
    QTest::newRow("about:blank") << 2 << "" << "about:blank" << "&2    Blank";
    QTest::newRow("no title") << 11 << "" << "" << "      Blank";
    QTest::newRow("ampersand shows literally") << 3 << "" << "Q&A & more" << "&3    Q&&A && more";
    QTest::newRow("sticky ampersand") << 4 << "R&D" << "x" << "&4    R&&D";
}

void TestMenuBar::tabsMenuCaptions()
{
    QFETCH(int, position);
    QFETCH(QString, sticky);
    QFETCH(QString, title);
    QFETCH(QString, caption);
    QCOMPARE(TabsMenuCaption(position, sticky, title), caption);
}

TV_TEST_MAIN_CORE(TestMenuBar)
#include "tst_menubar.moc"
