#include "testenv.h"

#include "browser/tabopener.h"
#include "navigation/commandtable.h"
#include "platform/registry.h"
#include "search/searchengine.h"
#include "search/searchengines.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

// Records what the search subsystem asks of the tabs.
class TFakeOpener : public ITabOpener {
public:
    QStringList opened;   // "url|new-tab preference"
    TBrowserTab *CreateForegroundTab() override { return nullptr; }
    TBrowserTab *CreateBackgroundTab() override { return nullptr; }
    TBrowserTab *CreateHiddenTab() override { return nullptr; }
    TBrowserTab *ActiveTab() const override { return nullptr; }
    QList<TBrowserTab *> Tabs() const override { return {}; }
    void ActivateTab(TBrowserTab *) override {}
    void CloseTab(TBrowserTab *) override {}
    void CloseAll(bool) override {}
    void CloseAllKeepCurrent() override {}
    void CloseAllShowList() override {}
    void CloseHiddenTabs() override {}
    TBrowserTab *IdleBlankTab() const override { return nullptr; }
    void OpenUrlByPreference(const QString &url, bool newTab) override
    {
        opened << url + (newTab ? QStringLiteral("|new") : QStringLiteral("|active"));
    }
    bool PlacementAtEnd() const override { return false; }
    void SetPlacementAtEnd(bool) override {}
    bool GroupLoading() const override { return false; }
    void SetGroupLoading(bool) override {}
    bool OpenNewInForeground() const override { return true; }
};

// Runs answer on the next modal dialog once it is up (from inside its event loop).
void whenModal(QObject *context, std::function<void(QWidget *)> answer)
{
    QTimer::singleShot(0, context, [answer] {
        QWidget *modal = nullptr;
        if (QTest::qWaitFor([&] { return (modal = QApplication::activeModalWidget()) != nullptr; }, 5000))
            answer(modal);
    });
}

QStringList menuTexts(QMenu *menu)
{
    Q_EMIT menu->aboutToShow();
    QStringList texts;
    for (QAction *a : menu->actions())
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

QAction *menuItem(QMenu *menu, const QString &text)
{
    for (QAction *a : menu->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

QStringList rows(const TfrmSearchEngine &form)
{
    QStringList result;
    for (int i = 0; i < form.RowCount(); ++i)
        result << form.RowTexts(i).join(QLatin1Char('|'));
    return result;
}

const TSearchListKind Engines = TSearchListKind::Engines;

}

class TestSearchEngines : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void firstStartSeedsTheMenu();
    void menuIsRebuiltFromTheList();
    void engineOpensLikeAFavorite();
    void typedWordsGoToAnEngineThatTakesThem();
    void goSearchOpensTheFirstEngine();
    void dialogOkWritesRowOrderCancelWritesNothing();
    void dialogRefusesTitlesThatDifferOnlyInCase();
    void searchBarModeKeepsItsOwnList();
    void organizeFromTheMenuRebuildsIt();

private:
    TSearchEngines *make();

    QWidget *m_owner = nullptr;
    TCommandTable *m_commands = nullptr;
    TFakeOpener m_opener;
    QString m_typed;
    int m_wordsTaken = 0;
};

void TestSearchEngines::init()
{
    TRegistry().deleteKey(TSearchList::Key(Engines));
    TRegistry().deleteKey(TSearchList::Key(TSearchListKind::SearchBar));
    m_owner = new QWidget;
    m_commands = new TCommandTable(m_owner);
    m_opener.opened.clear();
    m_typed.clear();
    m_wordsTaken = 0;
}

void TestSearchEngines::cleanup()
{
    delete m_owner;
    m_owner = nullptr;
}

TSearchEngines *TestSearchEngines::make()
{
    return new TSearchEngines(&m_opener, m_commands, m_owner, [this] {
        ++m_wordsTaken;
        return std::exchange(m_typed, QString());
    }, m_owner);
}

void TestSearchEngines::firstStartSeedsTheMenu()
{
    TSearchEngines *search = make();
    QStringList expected = {"&Organize Search Engines...", "-"};
    for (const TSearchEntry &e : TSearchList::DefaultEngines())
        expected << e.title;
    QCOMPARE(menuTexts(search->SearchMenu()), expected);
    // The Search button drops this menu down.
    QCOMPARE(m_commands->Row("mnuGoSearch")->dropDown(), search->SearchMenu());
    QCOMPARE(m_commands->Row("mnuGoSearch")->toolbarId, 7);
}

void TestSearchEngines::menuIsRebuiltFromTheList()
{
    TSearchList::Write(Engines, {});
    TSearchEngines *search = make();
    QMenu *menu = search->SearchMenu();
    QCOMPARE(menuTexts(menu), (QStringList{"&Organize Search Engines...", "-"}));

    TSearchList::Write(Engines, {{"R&D Search", "http://rd.example/"}, {"a=b", "http://ab.example/"}});
    QCOMPARE(menuTexts(menu), (QStringList{"&Organize Search Engines...", "-", "R&&D Search", "a=b"}));
    QCOMPARE(menuItem(menu, "R&&D Search")->statusTip(), QStringLiteral("http://rd.example/"));
    TSearchList::Write(Engines, {{"Only", "http://only.example/"}});
    QCOMPARE(menuTexts(menu), (QStringList{"&Organize Search Engines...", "-", "Only"}));
}

void TestSearchEngines::engineOpensLikeAFavorite()
{
    TSearchList::Write(Engines, {{"Start", "http://start.example/"}});
    TSearchEngines *search = make();
    QMenu *menu = search->SearchMenu();
    menuTexts(menu);
    menuItem(menu, "Start")->trigger();
    TWindowSettings settings;
    settings.favoritesNewWin = false;
    search->Load(settings);
    menuTexts(menu);
    menuItem(menu, "Start")->trigger();
    QCOMPARE(m_opener.opened, (QStringList{"http://start.example/|new", "http://start.example/|active"}));
    // A start page takes no words: the address box keeps what the user typed.
    QCOMPARE(m_wordsTaken, 0);
}

void TestSearchEngines::typedWordsGoToAnEngineThatTakesThem()
{
    TSearchList::Write(Engines, {{"Find", "https://find.example/?q=%s"}});
    TSearchEngines *search = make();
    QMenu *menu = search->SearchMenu();
    menuTexts(menu);
    m_typed = "fish & chips";
    menuItem(menu, "Find")->trigger();
    menuItem(menu, "Find")->trigger();   // the words were used up: the start page
    QCOMPARE(m_opener.opened, (QStringList{"https://find.example/?q=fish+%26+chips|new", "https://find.example/|new"}));
}

void TestSearchEngines::goSearchOpensTheFirstEngine()
{
    TSearchList::Write(Engines, {{"First", "https://first.example/s?q=%s"}, {"Second", "https://second.example/"}});
    make();
    QAction *goSearch = m_commands->Action("mnuGoSearch");
    QVERIFY(m_commands->Trigger(goSearch));
    m_typed = "tabbed browsing";
    QVERIFY(m_commands->Trigger(goSearch));
    QCOMPARE(m_opener.opened, (QStringList{"https://first.example/|active",
                                           "https://first.example/s?q=tabbed+browsing|active"}));
}

void TestSearchEngines::dialogOkWritesRowOrderCancelWritesNothing()
{
    const TSearchEntries stored = {{"One", "http://1/"}, {"Two", "http://2/"}, {"Three", "http://3/"}};
    TSearchList::Write(Engines, stored);
    {
        TfrmSearchEngine form(nullptr, TfrmSearchEngine::EnginesMode);
        QCOMPARE(form.windowTitle(), QStringLiteral("Organize Search Engines"));
        QCOMPARE(rows(form), (QStringList{"One|http://1/", "Two|http://2/", "Three|http://3/"}));
        form.SelectRow(2);
        form.cmdDelete->click();
        form.cmdInsert->click();
        form.edtTitle->setText("Four");
        form.edtLocation->setText("http://4/");
        form.cmdUrlInsert->click();
        form.cmdCancel->click();
        QCOMPARE(form.result(), int(QDialog::Rejected));
    }
    QCOMPARE(TSearchList::Read(Engines), stored);

    TfrmSearchEngine form(nullptr, TfrmSearchEngine::EnginesMode);
    form.SelectRow(2);
    form.cmdUp->click();
    form.cmdUp->click();   // "Three" first: the default engine
    form.SelectRow(1);
    form.cmdUpdate->click();
    QVERIFY(form.PanelShown());
    form.edtTitle->setText("  Uno = first  ");
    form.edtLocation->setText("http://uno/");
    form.cmdUrlInsert->click();
    form.cmdOk->click();
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(TSearchList::Read(Engines),
             (TSearchEntries{{"Three", "http://3/"}, {"Uno = first", "http://uno/"}, {"Two", "http://2/"}}));
}

void TestSearchEngines::dialogRefusesTitlesThatDifferOnlyInCase()
{
    TSearchList::Write(Engines, {{"Google", "http://g/"}, {"Bing", "http://b/"}});
    TfrmSearchEngine form(nullptr, TfrmSearchEngine::EnginesMode);
    form.show();
    form.cmdInsert->click();
    form.edtTitle->setText("GOOGLE");
    form.edtLocation->setText("http://other/");
    QString told;
    whenModal(this, [&told](QWidget *modal) {
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            told = box->text();
            box->accept();
        }
    });
    form.cmdUrlInsert->click();
    QVERIFY2(told.contains("Google") && told.contains("GOOGLE"), qPrintable(told));
    QVERIFY(form.PanelShown());   // the edit stays open for another title
    QCOMPARE(form.RowCount(), 2);

    // Renaming a row to its own title in another case is no clash.
    form.cmdUrlCancelClick();
    form.SelectRow(0);
    form.cmdUpdate->click();
    form.edtTitle->setText("GOOGLE");
    form.cmdUrlInsert->click();
    QVERIFY(!form.PanelShown());
    form.cmdOk->click();
    QCOMPARE(TSearchList::Read(Engines), (TSearchEntries{{"GOOGLE", "http://g/"}, {"Bing", "http://b/"}}));
}

void TestSearchEngines::searchBarModeKeepsItsOwnList()
{
    TSearchList::Write(Engines, {{"Engine", "http://engine/"}});
    TSearchList::Write(TSearchListKind::SearchBar, {{"Fav", "http://fav/"}});
    TfrmSearchEngine form(nullptr, TfrmSearchEngine::SearchBarMode);
    QCOMPARE(form.windowTitle(), QStringLiteral("Organize Search Bar"));
    QCOMPARE(rows(form), QStringList{"Fav|http://fav/"});
    form.SelectRow(0);
    form.cmdDelete->click();
    form.cmdOk->click();
    QCOMPARE(TSearchList::Read(TSearchListKind::SearchBar), TSearchEntries());
    QVERIFY(TSearchList::Exists(TSearchListKind::SearchBar));
    QCOMPARE(TSearchList::Read(Engines), (TSearchEntries{{"Engine", "http://engine/"}}));
}

void TestSearchEngines::organizeFromTheMenuRebuildsIt()
{
    TSearchList::Write(Engines, {{"Old", "http://old/"}});
    TSearchEngines *search = make();
    QSignalSpy changed(search, &TSearchEngines::enginesChanged);
    QMenu *menu = search->SearchMenu();
    menuTexts(menu);
    whenModal(this, [](QWidget *modal) {
        auto *form = qobject_cast<TfrmSearchEngine *>(modal);
        if (!form)
            return;
        form->cmdInsert->click();
        form->edtTitle->setText("New");
        form->edtLocation->setText("http://new/");
        form->cmdUrlInsert->click();
        form->cmdOk->click();
    });
    QVERIFY(m_commands->Trigger(m_commands->Action("mnuOrganizeSearchEngines")));
    QCOMPARE(changed.count(), 1);
    QStringList texts;
    for (QAction *a : menu->actions())
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(texts, (QStringList{"&Organize Search Engines...", "-", "Old", "New"}));
}

TV_TEST_MAIN_GUI(TestSearchEngines)
#include "tst_searchengines.moc"
