// The side bar's History page over a store of its own: made on first showing (Ctrl+H shows
// and hides it), the tree by period and site with pages opening by the new-tab preference,
// hints in the status bar, the node menu (no menu for a period; Open in New Window and
// Copy use the node's address and leave the clipboard alone or set it), Delete and Clear
// with their questions, and Find over the store and an old index file.

#include "keyboardcheck.h"
#include "testenv.h"
#include "recordinghost.h"

#include "browser/browsertab.h"
#include "browser/kwpagecontrol.h"
#include "browser/tabmanager.h"
#include "favorites/historypage.h"
#include "favorites/historytree.h"
#include "favorites/sidebar.h"
#include "navigation/commandtable.h"
#include "platform/scripted_control.h"
#include "platform/urlhistory.h"

#include <QBoxLayout>
#include <QClipboard>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QSignalSpy>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

#include "folderfixture.h"

#include <memory>

namespace {

QString lastNavigation(const TBrowserTab *tab)
{
    const QStringList n = ScriptedControlOf(tab)->navigations();
    return n.isEmpty() ? QString() : n.last();
}

// Catches the status bar's hints where the window would.
class THintCatcher : public QWidget {
public:
    QStringList hints;

protected:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::StatusTip) {
            hints.append(static_cast<QStatusTipEvent *>(event)->tip());
            return true;
        }
        return QWidget::event(event);
    }
};

struct TFixture {
    TRecordingHost host;
    THintCatcher window;
    TTabManager tabs{host.Parts(), &window};
    TCommandTable commands{&window};
    QWidget *panel = new QWidget(&window);
    std::unique_ptr<TSideBar> bar;
    QStringList questions;
    bool answer = true;
    int clears = 0;

    TFixture(const QString &store, const QString &folder)
    {
        window.resize(900, 600);
        auto *box = new QHBoxLayout(&window);
        box->addWidget(panel);
        box->addWidget(tabs.PageControl(), 1);
        tabs.CreateForegroundTab();
        ScriptedControlOf(tabs.ActiveTab())->setLocationURL(QStringLiteral("http://127.0.0.1:1/busy.html"));
        bar = std::make_unique<TSideBar>(panel, &tabs, &commands, TSideBarGroups{}, [] { return QString(); });
        THistorySource source;
        source.storePath = store;
        source.folder = [folder] { return folder; };
        source.clear = [this, store] {
            ++clears;
            TUrlHistory(store).Clear();
        };
        source.confirm = [this](QWidget *, const QString &question) {
            questions.append(question);
            return answer;
        };
        bar->SetHistorySource(source);
        QObject::connect(bar.get(), &TSideBar::ShowRequested, bar.get(), &TSideBar::SetShown);
        bar->SetShown(false);
        window.show();
    }

    THistoryPage *page() const { return bar->HistoryPage(); }
    QTreeView *tree() const { return page()->Tree(); }
    THistoryTreeModel *model() const { return page()->Model(); }

    // Clicks the node with the left button (or the right one, which asks for the menu).
    bool click(const QModelIndex &index, Qt::MouseButton button = Qt::LeftButton)
    {
        if (!index.isValid())
            return false;
        tree()->scrollTo(index);
        const QRect rect = tree()->visualRect(index);
        if (rect.isEmpty())
            return false;
        QTest::mouseClick(tree()->viewport(), button, Qt::NoModifier, rect.center());
        return true;
    }
    // Opens a period folder and waits for its sites.
    bool openPeriod(const QString &caption)
    {
        const QModelIndex period = model()->IndexOfFolder(caption);
        return click(period) && QTest::qWaitFor([&] { return model()->rowCount(period) > 0; }, 10000);
    }
};

QDateTime daysAgo(int days)
{
    return QDateTime(QDate::currentDate().addDays(-days), QTime(12, 0)).toUTC();
}

}

class TestHistoryPage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { TScriptedControl::Install(); }
    void init();

    void pageIsMadeWhenFirstShown();
    void treeGroupsByPeriodAndSiteAndOpensPages();
    void menuUsesTheNodeClicked();
    void deleteAndClearChangeStoreAndTree();
    void findListsMatchesAndOpensThem();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_store;
    QString m_folder;
};

void TestHistoryPage::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_store = m_dir->filePath(QStringLiteral("history.db"));
    m_folder = m_dir->filePath(QStringLiteral("History"));
    TUrlHistory history(m_store);
    QVERIFY(history.Record(QStringLiteral("http://a.example/one"), QStringLiteral("One"), daysAgo(0)));
    QVERIFY(history.Record(QStringLiteral("http://a.example/two"), QStringLiteral("Two"), daysAgo(0)));
    QVERIFY(history.Record(QStringLiteral("http://a.example/two"), QString(), daysAgo(0)));
    QVERIFY(history.Record(QStringLiteral("http://b.example/news"), QStringLiteral("Daily News"), daysAgo(0)));
    QVERIFY(history.Record(QStringLiteral("http://old.example/"), QStringLiteral("Old"), daysAgo(9)));
}

void TestHistoryPage::pageIsMadeWhenFirstShown()
{
    TFixture f(m_store, m_folder);
    TKWPageControl *pages = f.bar->PageControl();
    QCOMPARE(pages->Page(0)->objectName(), QStringLiteral("tsFavorites"));
    QCOMPARE(pages->Page(1)->objectName(), QStringLiteral("tsHistory"));
    QCOMPARE(pages->Page(pages->PageCount() - 1)->objectName(), QStringLiteral("tsVessaGroups"));
    QVERIFY(!f.page());
    // Ctrl+H shows the bar on the History page, which is made now; again hides the bar.
    QVERIFY(f.commands.RunKey(TKeyCommand::SideBarHistory));
    QVERIFY(f.bar->Shown());
    QCOMPARE(f.bar->ActivePage(), TSideBar::History);
    QVERIFY(f.page());
    QVERIFY(!f.bar->Prepared(TSideBar::Favorites));
    // Only the periods with visits are listed, newest first, each still unread.
    QCOMPARE(f.model()->rowCount(), 2);
    QCOMPARE(f.model()->index(0, 0).data().toString(), QStringLiteral("Today"));
    QCOMPARE(f.model()->index(1, 0).data().toString(), QStringLiteral("Last Week"));
    QVERIFY(f.model()->hasChildren(f.model()->index(0, 0)));
    QCOMPARE(f.model()->rowCount(f.model()->index(0, 0)), 0);
    QVERIFY(f.commands.RunKey(TKeyCommand::SideBarHistory));
    QVERIFY(!f.bar->Shown());
    // Shown again, the page is the one made before.
    THistoryPage *made = f.page();
    f.bar->ShowPage(TSideBar::History);
    QCOMPARE(f.page(), made);
}

void TestHistoryPage::treeGroupsByPeriodAndSiteAndOpensPages()
{
    TFixture f(m_store, m_folder);
    f.bar->ShowPage(TSideBar::History);
    QVERIFY(f.openPeriod(QStringLiteral("Today")));
    const QModelIndex today = f.model()->IndexOfFolder(QStringLiteral("Today"));
    QCOMPARE(f.model()->rowCount(today), 2);
    QCOMPARE(f.model()->index(0, 0, today).data().toString(), QStringLiteral("a.example"));
    QCOMPARE(f.model()->index(1, 0, today).data().toString(), QStringLiteral("b.example"));

    // A click on a site opens it; one on a page opens the page in a new tab
    // ("HistoryNewWin" is on by default).
    const QModelIndex site = f.model()->index(0, 0, today);
    QVERIFY(f.click(site));
    QVERIFY(f.tree()->isExpanded(site));
    QCOMPARE(f.model()->rowCount(site), 2);
    const QModelIndex two = f.model()->index(1, 0, site);
    QCOMPARE(two.data().toString(), QStringLiteral("Two"));
    QVERIFY(f.click(two));
    QCOMPARE(f.tabs.Tabs().size(), 2);
    QCOMPARE(lastNavigation(f.tabs.ActiveTab()), QStringLiteral("http://a.example/two"));
    // A double click (press, release, press, double click, release) opens it once.
    const QPoint at = f.tree()->visualRect(two).center();
    ulong time = 1000000;
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        const bool down = type != QEvent::MouseButtonRelease;
        QMouseEvent event(type, at, f.tree()->viewport()->mapToGlobal(at), Qt::LeftButton,
                          down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        event.setTimestamp(time += 50);
        QApplication::sendEvent(f.tree()->viewport(), &event);
    }
    QCOMPARE(f.tabs.Tabs().size(), 3);
    // With the preference off, Enter opens the current page in the active tab.
    TWindowSettings s;
    s.historyNewWin = false;
    f.bar->Load(s);
    f.tree()->setCurrentIndex(f.model()->index(0, 0, site));
    QTest::keyClick(f.tree(), Qt::Key_Return);
    QCOMPARE(f.tabs.Tabs().size(), 3);
    QCOMPARE(lastNavigation(f.tabs.ActiveTab()), QStringLiteral("http://a.example/one"));

    // Pointing at a page puts its whole address in the status bar.
    f.window.hints.clear();
    QMouseEvent move(QEvent::MouseMove, at, f.tree()->viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(f.tree()->viewport(), &move);
    QTRY_VERIFY(f.window.hints.contains(QStringLiteral("|http://a.example/two")));

    // Opening another period closes the open one (auto-collapse); with it off, both stay.
    QVERIFY(f.openPeriod(QStringLiteral("Last Week")));
    QVERIFY(!f.tree()->isExpanded(today));
    s.cbAutoExpand = false;
    f.bar->Load(s);
    QVERIFY(f.click(today));
    QVERIFY(f.tree()->isExpanded(today));
    QVERIFY(f.tree()->isExpanded(f.model()->IndexOfFolder(QStringLiteral("Last Week"))));
    // Refresh reads the store again (a page visited elsewhere shows up) and keeps the
    // open folders open.
    QVERIFY(f.tree()->isExpanded(site));   // opened at the start, inside Today again
    QVERIFY(TUrlHistory(m_store).Record(QStringLiteral("http://c.example/"), QStringLiteral("New"), daysAgo(0)));
    f.panel->findChild<QAction *>(QStringLiteral("tbHistoryRefresh"))->trigger();
    QTRY_VERIFY(f.model()->IndexOfUrl(QStringLiteral("http://c.example/")).isValid());
    const auto openSite = [&f](const char *name) {
        const QModelIndex index = f.model()->IndexOfFolder(QLatin1String(name), f.model()->IndexOfFolder(QStringLiteral("Today")));
        return index.isValid() && f.tree()->isExpanded(index);
    };
    QTRY_VERIFY(openSite("a.example"));
    QVERIFY(f.tree()->isExpanded(f.model()->IndexOfFolder(QStringLiteral("Last Week"))));
    // A visit made while the page shows appears by itself, the folders still open.
    TUrlHistory(m_store).RecordSoon(QStringLiteral("http://a.example/three"), QStringLiteral("Three"));
    QTRY_VERIFY_WITH_TIMEOUT(f.model()->IndexOfUrl(QStringLiteral("http://a.example/three")).isValid(), 10000);
    QTRY_VERIFY(openSite("a.example"));
}

void TestHistoryPage::menuUsesTheNodeClicked()
{
    TFixture f(m_store, m_folder);
    f.bar->ShowPage(TSideBar::History);
    QMenu *menu = f.page()->Menu();
    const auto visible = [menu](const char *name) { return menu->findChild<QAction *>(QLatin1String(name))->isVisible(); };
    // A period has no menu.
    QVERIFY(f.openPeriod(QStringLiteral("Today")));
    const QModelIndex today = f.model()->IndexOfFolder(QStringLiteral("Today"));
    QVERIFY(!f.page()->PopupMenu(f.tree()->visualRect(today).center()));
    QVERIFY(!menu->isVisible());
    // A site: Open and Delete only.
    const QModelIndex site = f.model()->index(0, 0, today);
    QVERIFY(f.page()->PopupMenu(f.tree()->visualRect(site).center()));
    QTRY_VERIFY(menu->isVisible());
    QVERIFY(visible("pmHistoryOpen") && visible("pmHistoryDelete"));
    QVERIFY(!visible("pmHistoryOpenNewWindow") && !visible("pmHistoryCopy") && !visible("pmHistoryProperties"));
    menu->hide();
    menu->findChild<QAction *>(QStringLiteral("pmHistoryOpen"))->trigger();
    QVERIFY(f.tree()->isExpanded(site));

    // A page: everything; Open in New Window opens the page itself in a new tab and leaves
    // the clipboard as it was.
    const QModelIndex two = f.model()->index(1, 0, site);
    QApplication::clipboard()->setText(QStringLiteral("the user's own text"));
    QVERIFY(f.page()->PopupMenu(f.tree()->visualRect(two).center()));
    QTRY_VERIFY(menu->isVisible());
    QVERIFY(visible("pmHistoryOpenNewWindow") && visible("pmHistoryCopy") && visible("pmHistoryProperties"));
    menu->hide();
    menu->findChild<QAction *>(QStringLiteral("pmHistoryOpenNewWindow"))->trigger();
    QCOMPARE(f.tabs.Tabs().size(), 2);
    QCOMPARE(lastNavigation(f.tabs.ActiveTab()), QStringLiteral("http://a.example/two"));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("the user's own text"));
    // Copy puts the address there.
    menu->findChild<QAction *>(QStringLiteral("pmHistoryCopy"))->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("http://a.example/two"));
    // Properties: title, address and the count of every visit.
    menu->findChild<QAction *>(QStringLiteral("pmHistoryProperties"))->trigger();
    QDialog *dialog = f.page()->PropertiesDialog();
    QVERIFY(dialog);
    QTRY_VERIFY(dialog->isVisible());
    QCOMPARE(dialog->findChild<QLineEdit *>(QStringLiteral("edtTitle"))->text(), QStringLiteral("Two"));
    QCOMPARE(dialog->findChild<QLineEdit *>(QStringLiteral("edtAddress"))->text(), QStringLiteral("http://a.example/two"));
    QCOMPARE(dialog->findChild<QLineEdit *>(QStringLiteral("edtVisits"))->text(), QStringLiteral("2"));
    QVERIFY(!dialog->findChild<QLineEdit *>(QStringLiteral("edtLastVisited"))->text().isEmpty());
    // Usable by keyboard alone: each field named, reached by Tab and by its label's key.
    QCOMPARE(KeyboardProblems(dialog), QStringList());
    dialog->close();
}

void TestHistoryPage::deleteAndClearChangeStoreAndTree()
{
    TFixture f(m_store, m_folder);
    f.bar->ShowPage(TSideBar::History);
    QVERIFY(f.openPeriod(QStringLiteral("Today")));
    QModelIndex today = f.model()->IndexOfFolder(QStringLiteral("Today"));
    TUrlHistory history(m_store);
    // Delete on the only page of a site takes the page and its site away; no question.
    QModelIndex news = f.model()->IndexOfUrl(QStringLiteral("http://b.example/news"));
    QVERIFY(news.isValid());
    f.page()->DeleteNode(news);
    QVERIFY(f.questions.isEmpty());
    QVERIFY(history.Lookup(QStringLiteral("http://b.example/news")).url.isEmpty());
    QVERIFY(!f.model()->IndexOfFolder(QStringLiteral("b.example"), today).isValid());
    QCOMPARE(history.Entries().size(), 3);
    // The Delete key on a page.
    const QModelIndex site = f.model()->IndexOfFolder(QStringLiteral("a.example"), today);
    QVERIFY(f.click(site));
    f.tree()->setCurrentIndex(f.model()->IndexOfUrl(QStringLiteral("http://a.example/one")));
    QTest::keyClick(f.tree(), Qt::Key_Delete);
    QVERIFY(history.Lookup(QStringLiteral("http://a.example/one")).url.isEmpty());
    QCOMPARE(f.model()->rowCount(site), 1);
    // A site asks first; No keeps it.
    f.answer = false;
    f.page()->DeleteNode(site);
    QCOMPARE(f.questions.size(), 1);
    QVERIFY(f.questions.first().contains(QLatin1String("a.example")));
    QCOMPARE(history.Entries().size(), 2);
    // Yes takes its pages, and the period left empty goes too.
    f.answer = true;
    f.page()->DeleteNode(f.model()->IndexOfFolder(QStringLiteral("a.example"), today));
    QCOMPARE(history.Entries().size(), 1);
    QVERIFY(!f.model()->IndexOfFolder(QStringLiteral("Today")).isValid());
    QCOMPARE(f.model()->rowCount(), 1);
    // A period cannot be deleted.
    f.page()->DeleteNode(f.model()->index(0, 0));
    QCOMPARE(history.Entries().size(), 1);

    // Clear asks; No changes nothing.
    f.questions.clear();
    f.answer = false;
    f.panel->findChild<QAction *>(QStringLiteral("spdClearHistory"))->trigger();
    QCOMPARE(f.questions, QStringList{QStringLiteral("Are you sure you want to clear your global history?")});
    QCOMPARE(f.clears, 0);
    QCOMPARE(f.model()->rowCount(), 1);
    f.answer = true;
    f.panel->findChild<QAction *>(QStringLiteral("spdClearHistory"))->trigger();
    QCOMPARE(f.clears, 1);
    QCOMPARE(f.model()->rowCount(), 0);
}

void TestHistoryPage::findListsMatchesAndOpensThem()
{
    // An old index file in the History folder is searched after the store.
    QByteArray block(256, '\0');
    block.replace(0, 5, QByteArray("URL \x02", 5));
    const QByteArray body("Visited: joe@http://ie.example/news\0\x1f" "IE News\0\0", 46);
    block.replace(8, body.size(), body);
    PutFile(m_folder + QStringLiteral("/index.dat"), block);

    TFixture f(m_store, m_folder);
    f.bar->ShowPage(TSideBar::History);
    QAction *toggle = f.panel->findChild<QAction *>(QStringLiteral("tbFindHistory"));
    QTRY_VERIFY(f.tree()->isVisible());   // shown once the new page is laid out
    toggle->trigger();
    QVERIFY(!f.tree()->isVisible());
    QListView *list = f.page()->FindList();
    QVERIFY(list->isVisible());
    QTRY_VERIFY(f.page()->FindEdit()->hasFocus());

    QSignalSpy done(f.page(), &THistoryPage::FindFinished);
    // An empty text does nothing.
    QTest::keyClick(f.page()->FindEdit(), Qt::Key_Return);
    QVERIFY(!f.page()->Finding());
    QTest::keyClicks(f.page()->FindEdit(), QStringLiteral("NEWS"));
    QTest::keyClick(f.page()->FindEdit(), Qt::Key_Return);
    QVERIFY(done.wait(10000));
    QCOMPARE(f.page()->FindCaptions(), (QStringList{QStringLiteral("Daily News"), QStringLiteral("IE News")}));
    // A click on a row opens it by the preference; Space opens the current row too.
    const QModelIndex first = list->model()->index(0, 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualRect(first).center());
    QCOMPARE(f.tabs.Tabs().size(), 2);
    QCOMPARE(lastNavigation(f.tabs.ActiveTab()), QStringLiteral("http://b.example/news"));
    list->setCurrentIndex(list->model()->index(1, 0));
    QTest::keyClick(list, Qt::Key_Space);
    QCOMPARE(f.tabs.Tabs().size(), 3);
    QCOMPARE(lastNavigation(f.tabs.ActiveTab()), QStringLiteral("http://ie.example/news"));

    // Nothing found: one row that opens nothing.
    f.page()->Find(QStringLiteral("nowhere at all"));
    QVERIFY(done.wait(10000));
    QCOMPARE(f.page()->FindCaptions(), QStringList{QStringLiteral("No items found")});
    list->setCurrentIndex(list->model()->index(0, 0));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(f.tabs.Tabs().size(), 3);
    // A search started while one runs replaces it: only the last one's rows arrive.
    done.clear();
    f.page()->Find(QStringLiteral("one"));
    f.page()->Find(QStringLiteral("old"));
    QVERIFY(done.wait(10000));
    QCOMPARE(f.page()->FindCaptions(), QStringList{QStringLiteral("Old")});
    // The button brings the tree back.
    toggle->trigger();
    QVERIFY(f.tree()->isVisible() && !list->isVisible());
}

TV_TEST_MAIN_GUI(TestHistoryPage)
#include "tst_historypage.moc"
