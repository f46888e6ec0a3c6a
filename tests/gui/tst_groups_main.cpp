// VessaGroups and PopupVessa in the main window, on scripted web controls: opening groups
// into tabs, the start-up group, the "&VessaGroups" menu, Save as / Add to VessaGroup, the
// popup filter with its notice and Add to PopupVessa.

#include "testenv.h"
#include "recordinghost.h"

#include "app/confirm.h"
#include "app/kwoptions.h"
#include "app/main_window.h"
#include "browser/browsertab.h"
#include "groups/groupmenu.h"
#include "groups/vessagroup.h"
#include "platform/inifile.h"
#include "platform/scripted_control.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const QString PageA = QStringLiteral("http://127.0.0.1:1/a.html");
const QString PageB = QStringLiteral("http://127.0.0.1:1/b.html");
const QString PageC = QStringLiteral("http://127.0.0.1:1/c.html");

QString groupPath(const QString &name)
{
    return QDir(GroupFolder()).filePath(name);
}

QString writeGroup(const QString &name, const QByteArray &bytes)
{
    QDir().mkpath(GroupFolder());
    const QString path = groupPath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qWarning("could not write %s", qPrintable(path));
    return path;
}

QString lastNavigation(const TBrowserTab *tab)
{
    const QStringList navigations = ScriptedControlOf(tab)->navigations();
    return navigations.isEmpty() ? QString() : navigations.last();
}

// A tab showing url, as far as the tab and the main window are concerned.
void showPage(TBrowserTab *tab, const QString &url)
{
    ScriptedControlOf(tab)->simulateLoad(url);
}

QStringList menuTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

// Answers every notice that shows while it exists: ticks the box when asked, presses the
// button that carries "OK", and records the prompts it saw.
class TNoticeAnswerer : public QObject {
public:
    explicit TNoticeAnswerer(bool tick) : m_tick(tick)
    {
        connect(&m_poll, &QTimer::timeout, this, [this] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *notice = qobject_cast<TfrmConfirm *>(w);
                if (!notice || !notice->isVisible())
                    continue;
                captions.append(notice->windowTitle());
                prompts.append(notice->mmoPrompt2->toPlainText());
                okHidden = !notice->cmdOK->isVisible();
                notice->chkConfirm->setChecked(m_tick);
                notice->cmdCancel->click();
            }
        });
        m_poll.start(10);
    }
    QStringList captions;
    QStringList prompts;
    bool okHidden = false;

private:
    QTimer m_poll;
    bool m_tick;
};

}

class TestGroupsMain : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void groupFolderIsCreatedAtFirstStart();
    void openingWithCloseOthersFirst();
    void openingKeepsOtherTabsAndAppendsAtEnd();
    void tabHiddenFromCloseAllKeepsItsPage();
    void badGroupFilesOpenNothingOrWhatIsReadable_data();
    void badGroupFilesOpenNothingOrWhatIsReadable();
    void startupGroupAndGroupArgument();
    void menuIsBuiltLazilyAndRebuiltWhenDirty();
    void saveAsAndAddToVessaGroup();
    void organizeEditsTheChosenGroup();
    void popupFilterHidesShowsAndSweeps();
    void noticeShowsOnceAndCanBeSwitchedOff();
    void addToPopupVessaCutsTheQuery();
    void cachedSettingsSurviveTheWindow();

private:
    std::unique_ptr<TfrmMain> newWindow(const QString &argument = QString());
};

void TestGroupsMain::initTestCase()
{
    TScriptedControl::Install();
}

void TestGroupsMain::init()
{
    ResetGroupDialogs();
    QDir(GroupFolder()).removeRecursively();
    TKWOptions options;
    options.SetStartupMode(QStringLiteral("Home"));
    options.SetStartupVessaGroup(QString());
    options.SetOpenNewAtEnd(false);
    options.SetOpenNewInForeground(false);
    options.SetVGCloseFirst(false);
    options.SetAskDefaultBrowser(false);
    options.SetConfirmShutdown(false);
    options.SetConfirmCloseAll(false);
    options.SetUsePopupVessa(true);
    options.SetPopupVessaNotify(false);
    options.SetPopupVessa({});
}

void TestGroupsMain::cleanup()
{
    ResetGroupDialogs();
}

std::unique_ptr<TfrmMain> TestGroupsMain::newWindow(const QString &argument)
{
    auto w = std::make_unique<TfrmMain>(argument);
    w->SetCloseWithoutConfirmation(true);
    return w;
}

void TestGroupsMain::groupFolderIsCreatedAtFirstStart()
{
    QVERIFY(!QFileInfo::exists(GroupFolder()));
    auto w = newWindow();
    QVERIFY(QFileInfo(GroupFolder()).isDir());
    // The menu of an empty folder shows its fixed head only.
    QMenu *menu = w->findChild<QMenu *>(QStringLiteral("mnuVessaGroups"));
    QVERIFY(menu);
    emit menu->aboutToShow();
    QCOMPARE(menuTexts(menu), (QStringList{"&Add to VessaGroup...", "&Save as VessaGroup...",
                                           "&Organize VessaGroup...", "-"}));
    QVERIFY(menu->actions().at(0)->isEnabled());
}

void TestGroupsMain::openingWithCloseOthersFirst()
{
    const QString path = writeGroup("g.vgp", ("[VessaGroup]\r\nblank1=*" + PageA + "\r\nNews=" + PageB
                                              + "\r\nBlank3=*" + PageC + "\r\n").toUtf8());
    auto w = newWindow();
    TBrowserTab *first = w->ActiveTab();
    showPage(first, PageC);
    first->SetLocked(true);
    first->SetStickyName(QStringLiteral("Old"));
    TBrowserTab *second = w->CreateBackgroundTab();
    showPage(second, PageB);
    const QPointer<TBrowserTab> gone(second);

    w->VessaGroups()->OpenGroup(path, true, false);
    QTRY_VERIFY(gone.isNull());
    const QList<TBrowserTab *> tabs = w->Tabs();
    QCOMPARE(int(tabs.size()), 3);
    // The tab Close All kept takes the first entry: reset, then sent to the address.
    QCOMPARE(tabs.at(0), first);
    QVERIFY(w->ActiveTab() == first);
    QVERIFY(first->StickyName.isEmpty());
    QCOMPARE(lastNavigation(first), PageA);
    QVERIFY(first->LockAfterLoad);
    QVERIFY(!first->Locked);
    QCOMPARE(lastNavigation(tabs.at(1)), PageB);
    QCOMPARE(tabs.at(1)->StickyName, QStringLiteral("News"));
    QCOMPARE(tabs.at(1)->Caption(), QStringLiteral("News"));
    QVERIFY(!tabs.at(1)->LockAfterLoad);
    // "Blank" with a capital B is a sticky name.
    QCOMPARE(tabs.at(2)->StickyName, QStringLiteral("Blank3"));
    QCOMPARE(lastNavigation(tabs.at(2)), PageC);
    for (TBrowserTab *tab : tabs)
        QVERIFY(!tab->FirstLoad);
    QVERIFY(!w->TabManager()->GroupLoading());

    // The lock comes with the page, and the page stays in its tab.
    showPage(first, PageA);
    QVERIFY(first->Locked);
    QCOMPARE(first->ImageIndex(), int(LampLocked));
    QCOMPARE(int(w->Tabs().size()), 3);
    QCOMPARE(first->Location(), PageA);

    // Opening the same group again replaces the locked tabs without asking.
    w->VessaGroups()->OpenGroup(path, true, false);
    QTRY_COMPARE(int(w->Tabs().size()), 3);
    QCOMPARE(lastNavigation(w->Tabs().at(0)), PageA);
}

void TestGroupsMain::openingKeepsOtherTabsAndAppendsAtEnd()
{
    const QString path = writeGroup("keep.vgp", ("[VessaGroup]\r\nblank1=" + PageB + "\r\nblank2=*" + PageC + "\r\n").toUtf8());
    auto w = newWindow();
    TBrowserTab *first = w->ActiveTab();
    TBrowserTab *last = w->CreateBackgroundTab();
    w->ActivateTab(first);
    QVERIFY(!w->TabManager()->PlacementAtEnd());   // new tabs normally open beside the active one

    w->VessaGroups()->OpenGroup(path, false, true);
    const QList<TBrowserTab *> tabs = w->Tabs();
    QCOMPARE(int(tabs.size()), 4);
    QCOMPARE(tabs.at(0), first);
    QCOMPARE(tabs.at(1), last);
    QCOMPARE(lastNavigation(tabs.at(2)), PageB);
    QCOMPARE(lastNavigation(tabs.at(3)), PageC);
    QVERIFY(tabs.at(3)->LockAfterLoad);
    QVERIFY(w->ActiveTab() == first);
    QVERIFY(!w->TabManager()->PlacementAtEnd());
    QVERIFY(tabs.at(2)->FirstLoad && tabs.at(3)->FirstLoad);

    // A first load ends green as soon as the page arrives; a later one shows yellow.
    TScriptedControl *c = ScriptedControlOf(tabs.at(2));
    c->fireBeforeNavigate2(c->Application(), PageB);
    c->fireNavigateComplete2(c->Application(), PageB);
    QCOMPARE(tabs.at(2)->ImageIndex(), int(LampGreen));
    QVERIFY(!tabs.at(2)->FirstLoad);
    c->fireDocumentComplete(c->Application(), PageB);
    c->fireBeforeNavigate2(c->Application(), PageA);
    c->fireNavigateComplete2(c->Application(), PageA);
    QCOMPARE(tabs.at(2)->ImageIndex(), int(LampYellow));

    // With new tabs in the foreground, the group's last tab ends active.
    w->TabManager()->SetOpenNewInForeground(true);
    w->VessaGroups()->OpenGroup(path, false, false);
    QCOMPARE(int(w->Tabs().size()), 6);
    QVERIFY(w->ActiveTab() == w->Tabs().last());
    QVERIFY(!w->Tabs().last()->FirstLoad);
}

void TestGroupsMain::tabHiddenFromCloseAllKeepsItsPage()
{
    const QString path = writeGroup("two.vgp", ("[VessaGroup]\r\nOne=" + PageA + "\r\nTwo=" + PageB + "\r\n").toUtf8());
    auto w = newWindow();
    TBrowserTab *kept = w->ActiveTab();
    showPage(kept, PageC);
    kept->HideFromCloseAll = true;
    kept->SetStickyName(QStringLiteral("Mine"));
    w->CreateBackgroundTab();
    const QStringList before = ScriptedControlOf(kept)->navigations();

    w->VessaGroups()->OpenGroup(path, true, false);
    QTRY_COMPARE(int(w->Tabs().size()), 3);
    QCOMPARE(w->Tabs().at(0), kept);
    QCOMPARE(ScriptedControlOf(kept)->navigations(), before);
    QCOMPARE(kept->Location(), PageC);
    QCOMPARE(kept->StickyName, QStringLiteral("Mine"));
    QCOMPARE(w->Tabs().at(1)->StickyName, QStringLiteral("One"));
    QCOMPARE(lastNavigation(w->Tabs().at(1)), PageA);
    QCOMPARE(lastNavigation(w->Tabs().at(2)), PageB);
}

void TestGroupsMain::badGroupFilesOpenNothingOrWhatIsReadable_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("addresses");

    QTest::newRow("missing file") << QByteArray() << QStringList();
    QTest::newRow("no section") << QByteArray("blank1=http://x/\r\n") << QStringList();
    QTest::newRow("other section") << QByteArray("[Other]\r\nblank1=http://x/\r\n") << QStringList();
    QTest::newRow("empty values only") << QByteArray("[VessaGroup]\r\nblank1=\r\nNews=  \r\n") << QStringList();
    QByteArray junk;
    for (int i = 0; i < 4096; ++i)
        junk.append(char((i * 151 + 7) % 256));
    QTest::newRow("binary junk") << junk << QStringList();
    QTest::newRow("LF only") << QByteArray("[VessaGroup]\nblank1=http://x/1\nblank2=http://x/2\n")
                             << QStringList{"http://x/1", "http://x/2"};
    QTest::newRow("CR only") << QByteArray("[VessaGroup]\rblank1=http://x/1\rblank2=http://x/2")
                             << QStringList{"http://x/1", "http://x/2"};
    QTest::newRow("duplicate keys: the first line wins")
        << QByteArray("[VessaGroup]\r\nNews=http://x/1\r\nnews=http://x/2\r\n") << QStringList{"http://x/1"};
    const QByteArray longUrl = "http://x/" + QByteArray(5000, 'q');
    QTest::newRow("over-long value is cut")
        << QByteArray("[VessaGroup]\r\nblank1=" + longUrl + "\r\n") << QStringList{QString::fromLatin1(longUrl.left(2047))};
    QTest::newRow("lock marker only") << QByteArray("[VessaGroup]\r\nblank1=*\r\n") << QStringList{"about:blank"};
}

void TestGroupsMain::badGroupFilesOpenNothingOrWhatIsReadable()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, addresses);
    const QString path = bytes.isEmpty() ? groupPath("missing.vgp") : writeGroup("bad.vgp", bytes);
    auto w = newWindow();
    TBrowserTab *first = w->ActiveTab();
    showPage(first, PageC);
    w->CreateBackgroundTab();
    const QStringList before = ScriptedControlOf(first)->navigations();

    w->VessaGroups()->OpenGroup(path, true, false);
    if (addresses.isEmpty()) {
        // Nothing to open: no tab is closed or touched.
        QTest::qWait(20);
        QCOMPARE(int(w->Tabs().size()), 2);
        QCOMPARE(ScriptedControlOf(first)->navigations(), before);
    } else {
        QTRY_COMPARE(int(w->Tabs().size()), int(addresses.size()));
        for (int i = 0; i < addresses.size(); ++i)
            QCOMPARE(lastNavigation(w->Tabs().at(i)), addresses.at(i));
    }
    QVERIFY(!w->TabManager()->GroupLoading());
    QVERIFY(!w->TabManager()->PlacementAtEnd());
}

void TestGroupsMain::startupGroupAndGroupArgument()
{
    const QString path = writeGroup("start.vgp", ("[VessaGroup]\r\nblank1=" + PageA + "\r\nblank2=" + PageB + "\r\n").toUtf8());
    TKWOptions options;
    options.SetStartupMode(QStringLiteral("VessaGroup"));
    options.SetStartupVessaGroup(path);
    {
        // The start-up group opens from the 1 ms timer, after creation.
        auto w = newWindow();
        QCOMPARE(int(w->Tabs().size()), 1);
        QCOMPARE(ScriptedControlOf(w->ActiveTab())->navigations(), QStringList{"about:blank"});
        QTRY_COMPARE(int(w->Tabs().size()), 2);
        QCOMPARE(lastNavigation(w->Tabs().at(0)), PageA);
        QCOMPARE(lastNavigation(w->Tabs().at(1)), PageB);
        QVERIFY(!w->Tabs().at(1)->FirstLoad);
    }
    {
        // A start-up group that vanished leaves the first tab blank.
        options.SetStartupVessaGroup(groupPath("gone.vgp"));
        auto w = newWindow();
        QTest::qWait(50);
        QCOMPARE(int(w->Tabs().size()), 1);
        QCOMPARE(ScriptedControlOf(w->ActiveTab())->navigations(), QStringList{"about:blank"});
    }
    {
        // A group given as the argument opens instead, its new tabs as first loads.
        options.SetStartupVessaGroup(groupPath("gone.vgp"));
        auto w = newWindow(path);
        QCOMPARE(int(w->Tabs().size()), 2);
        QCOMPARE(lastNavigation(w->Tabs().at(0)), PageA);
        QVERIFY(w->Tabs().at(1)->FirstLoad);
        QTest::qWait(50);
        QCOMPARE(int(w->Tabs().size()), 2);
    }
}

void TestGroupsMain::menuIsBuiltLazilyAndRebuiltWhenDirty()
{
    writeGroup("Zoo.vgp", ("[VessaGroup]\r\nblank1=" + PageA + "\r\n").toUtf8());
    writeGroup("fish & chips.vgp", ("[VessaGroup]\r\nblank1=" + PageB + "\r\n").toUtf8());
    QDir(GroupFolder()).mkpath("Work");
    QDir(GroupFolder()).mkpath(".hidden");
    TKWOptions().SetVGCloseFirst(true);
    auto w = newWindow();
    QMenu *menu = w->findChild<QMenu *>(QStringLiteral("mnuVessaGroups"));
    QVERIFY(menu);
    QVERIFY(w->VessaGroups()->GroupMenu()->IsDirty());
    emit menu->aboutToShow();
    QCOMPARE(menuTexts(menu).mid(4), (QStringList{"Work", "fish && chips", "Zoo"}));
    QVERIFY(!w->VessaGroups()->GroupMenu()->IsDirty());

    // Opened again without changes: the same items, not rebuilt.
    const QPointer<QAction> zoo = menu->actions().last();
    emit menu->aboutToShow();
    QVERIFY(!zoo.isNull());

    // A group item opens its group with "VGCloseFirst".
    w->CreateBackgroundTab();
    zoo->trigger();
    QTRY_COMPARE(int(w->Tabs().size()), 1);
    QCOMPARE(lastNavigation(w->ActiveTab()), PageA);

    // Saving a group marks the menu dirty; the next opening shows it.
    GroupDialogs().SavePath = [](QWidget *, const QString &, const QString &) { return groupPath("Alpha"); };
    w->VessaGroups()->actSaveAsVessaGroupExecute();
    QVERIFY(QFileInfo::exists(groupPath("Alpha.vgp")));
    QVERIFY(w->VessaGroups()->GroupMenu()->IsDirty());
    emit menu->aboutToShow();
    QVERIFY(zoo.isNull());
    QCOMPARE(menuTexts(menu).mid(4), (QStringList{"Work", "Alpha", "fish && chips", "Zoo"}));
    QCOMPARE(menuTexts(menu).mid(0, 4).size(), 4);
}

void TestGroupsMain::saveAsAndAddToVessaGroup()
{
    auto w = newWindow();
    w->TabManager()->SetPlacementAtEnd(true);
    showPage(w->ActiveTab(), PageA);
    TBrowserTab *news = w->CreateBackgroundTab();
    showPage(news, PageB);
    news->SetStickyName(QStringLiteral("News"));
    news->SetLocked(true);
    TBrowserTab *third = w->CreateBackgroundTab();
    showPage(third, PageC + "?q=1");
    TBrowserTab *hidden = w->CreateHiddenTab();
    const QPointer<TBrowserTab> hiddenGuard(hidden);

    // Cancelled: nothing written, the hidden tab swept all the same.
    QStringList titles;
    GroupDialogs().SavePath = [&titles](QWidget *, const QString &title, const QString &folder) {
        titles.append(title + "|" + folder);
        return QString();
    };
    w->VessaGroups()->actSaveAsVessaGroupExecute();
    QCOMPARE(titles, QStringList{"Save VessaGroup|" + GroupFolder()});
    QVERIFY(QDir(GroupFolder()).entryList(QDir::Files).isEmpty());
    QTRY_VERIFY(hiddenGuard.isNull());

    const QString path = groupPath("saved.vgp");
    GroupDialogs().SavePath = [path](QWidget *, const QString &, const QString &) { return path; };
    w->VessaGroups()->actSaveAsVessaGroupExecute();
    QCOMPARE(TIniFile(path).ReadSectionPairs("VessaGroup"),
             (TIniPairs{{"blank1", PageA}, {"News", QString("*" + PageB)}, {"blank3", PageC + "?q=1"}}));

    // Overwriting asks; only Yes writes.
    int asked = 0;
    GroupDialogs().ConfirmOverwrite = [&asked](QWidget *, const QString &) {
        ++asked;
        return TOverwriteAnswer::No;
    };
    third->SetStickyName(QStringLiteral("Changed"));
    w->VessaGroups()->actSaveAsVessaGroupExecute();
    QCOMPARE(asked, 1);
    QCOMPARE(TIniFile(path).ReadSectionKeys("VessaGroup"), (QStringList{"blank1", "News", "blank3"}));

    // Add to VessaGroup appends the active tab; an unnamed tab after four entries is blank5.
    writeGroup("four.vgp", "[VessaGroup]\r\nblank1=http://x/1\r\nblank2=http://x/2\r\nA=http://x/3\r\nB=http://x/4\r\n");
    QStringList openTitles;
    GroupDialogs().OpenPath = [&openTitles](QWidget *, const QString &title, const QString &) {
        openTitles.append(title);
        return groupPath("four.vgp");
    };
    w->ActivateTab(w->Tabs().at(0));
    w->VessaGroups()->GroupMenu()->Rebuild();
    w->VessaGroups()->pmAddToVessaGroupClick();
    QCOMPARE(openTitles, QStringList{"Add to VessaGroup"});
    QVERIFY(w->VessaGroups()->GroupMenu()->IsDirty());
    const TIniPairs four = TIniFile(groupPath("four.vgp")).ReadSectionPairs("VessaGroup");
    QCOMPARE(int(four.size()), 5);
    QCOMPARE(four.last(), TIniPair("blank5", PageA));

    // Adding the same sticky name twice keeps both tabs.
    w->VessaGroups()->AddTabToGroup(news);
    w->VessaGroups()->AddTabToGroup(news);
    const QStringList keys = TIniFile(groupPath("four.vgp")).ReadSectionKeys("VessaGroup");
    QCOMPARE(keys.mid(5), (QStringList{"News", "News (2)"}));

    // A cancelled choice writes nothing but still marks the menu dirty.
    GroupDialogs().OpenPath = [](QWidget *, const QString &, const QString &) { return QString(); };
    w->VessaGroups()->GroupMenu()->Rebuild();
    w->VessaGroups()->pmAddToVessaGroupClick();
    QVERIFY(w->VessaGroups()->GroupMenu()->IsDirty());
    QCOMPARE(int(TIniFile(groupPath("four.vgp")).ReadSectionKeys("VessaGroup").size()), 7);
}

void TestGroupsMain::organizeEditsTheChosenGroup()
{
    const QString path = writeGroup("org.vgp", "[VessaGroup]\r\nblank1=http://x/1\r\nNews=*http://x/2\r\nblank5=http://x/3\r\n");
    GroupDialogs().OpenPath = [path](QWidget *, const QString &, const QString &) { return path; };
    auto w = newWindow();
    w->VessaGroups()->GroupMenu()->Rebuild();
    QString shownTitle;
    QTimer::singleShot(0, this, [&shownTitle] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        QDialog *editor = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        QVERIFY(editor);
        shownTitle = editor->windowTitle();
        auto *ok = editor->findChild<QPushButton *>(QStringLiteral("cmdOk"));
        QVERIFY(ok);
        ok->click();
    });
    w->VessaGroups()->pmTandemGroupsOrganize2Click();
    QCOMPARE(shownTitle, QStringLiteral("VessaGroup"));
    QVERIFY(w->VessaGroups()->GroupMenu()->IsDirty());
    QCOMPARE(TIniFile(path).ReadSectionPairs("VessaGroup"),
             (TIniPairs{{"blank1", "http://x/1"}, {"News", "*http://x/2"}, {"blank3", "http://x/3"}}));
}

void TestGroupsMain::popupFilterHidesShowsAndSweeps()
{
    TKWOptions().SetPopupVessa({"url1=http://ads.example/", "url2=", "url3=http://pop.example/win"});
    auto w = newWindow();
    QCOMPARE(w->PopupVessa()->PopupList().size(), 2);   // the empty entry is dropped on reading
    TBrowserTab *opener = w->ActiveTab();
    showPage(opener, PageA);

    // A listed address: refused, hidden, swept with the timer.
    TScriptedControl::NewWindowResult r = ScriptedControlOf(opener)->fireNewWindow2();
    QVERIFY(!r.cancel);
    QCOMPARE(int(w->Tabs().size()), 2);
    QPointer<TBrowserTab> refused = w->Tabs().last();
    TScriptedControl *c = ScriptedControlOf(refused);
    QVERIFY(!c->fireBeforeNavigate2(c->Application(), QStringLiteral("about:blank")));
    QVERIFY(c->fireBeforeNavigate2(c->Application(), QStringLiteral("http://ads.example/banner?id=7")));
    QVERIFY(refused->ClosedByFilter);
    QVERIFY(!refused->TabVisible());
    QCOMPARE(refused->PopupURL, QStringLiteral("http://ads.example/banner?id=7"));
    QVERIFY(w->TabManager()->HiddenTabTimer()->isActive());
    QVERIFY(w->ActiveTab() == opener);
    // An address that is the beginning of an entry matches too.
    QVERIFY(w->PopupMatches(QStringLiteral("http://pop.example/")));
    QVERIFY(!w->PopupMatches(QStringLiteral("http://POP.example/win")));
    QTRY_VERIFY_WITH_TIMEOUT(refused.isNull(), 10000);
    QCOMPARE(int(w->Tabs().size()), 1);

    // An unlisted address shows the tab.
    ScriptedControlOf(opener)->fireNewWindow2();
    TBrowserTab *shown = w->Tabs().last();
    c = ScriptedControlOf(shown);
    QVERIFY(!c->fireBeforeNavigate2(c->Application(), PageB));
    QVERIFY(shown->TabVisible());
    QVERIFY(!shown->ClosedByFilter);

    // With the filter off every window shows.
    TKWOptions().SetUsePopupVessa(false);
    auto off = newWindow();
    QVERIFY(!off->PopupMatches(QStringLiteral("http://ads.example/banner")));
}

void TestGroupsMain::noticeShowsOnceAndCanBeSwitchedOff()
{
    TKWOptions().SetPopupVessa({"url1=http://ads.example/"});
    TKWOptions().SetPopupVessaNotify(true);
    auto w = newWindow();
    {
        // Several matches at once give one notice; its box left empty changes nothing.
        TNoticeAnswerer answerer(false);
        for (int i = 0; i < 5; ++i)
            QVERIFY(w->PopupMatches(QStringLiteral("http://ads.example/%1").arg(i)));
        QTRY_COMPARE(answerer.prompts.size(), 1);
        QTest::qWait(50);
        QCOMPARE(answerer.prompts, QStringList{"http://ads.example/0"});
        QCOMPARE(answerer.captions, QStringList{"PopupVessa"});
        QVERIFY(answerer.okHidden);
        QVERIFY(TKWOptions().PopupVessaNotify());
    }
    {
        TNoticeAnswerer answerer(true);
        QVERIFY(w->PopupMatches(QStringLiteral("http://ads.example/x")));
        QTRY_COMPARE(answerer.prompts.size(), 1);
        QTRY_VERIFY(!TKWOptions().PopupVessaNotify());
        // No more notices; the filter goes on closing windows.
        QVERIFY(w->PopupMatches(QStringLiteral("http://ads.example/y")));
        QTest::qWait(50);
        QCOMPARE(answerer.prompts.size(), 1);
    }
}

void TestGroupsMain::addToPopupVessaCutsTheQuery()
{
    TKWOptions().SetPopupVessa({"url1=http://a.example/", "url2=http://b.example/", "url3=http://c.example/"});
    auto w = newWindow();
    TBrowserTab *tab = w->CreateForegroundTab();
    showPage(tab, QStringLiteral("http://ads.example/show?id=1&x=2"));
    const QPointer<TBrowserTab> guard(tab);

    w->PopupVessa()->AddToPopupVessa(tab);
    QCOMPARE(TKWOptions().PopupVessa().last(), QStringLiteral("url4=http://ads.example/show"));
    QTRY_VERIFY(guard.isNull());
    QCOMPARE(int(w->Tabs().size()), 1);
    // The working copy is read again at once.
    QVERIFY(w->PopupMatches(QStringLiteral("http://ads.example/show/more")));

    // The address a popup was refused at goes first; the only tab is reset, not closed.
    TBrowserTab *only = w->ActiveTab();
    showPage(only, PageA);
    only->PopupURL = QStringLiteral("http://pop.example/p?x");
    w->PopupVessa()->AddToPopupVessa(only);
    QCOMPARE(TKWOptions().PopupVessa().last(), QStringLiteral("url5=http://pop.example/p"));
    QCOMPARE(w->Tabs(), QList<TBrowserTab *>{only});
    QCOMPARE(lastNavigation(only), QStringLiteral("about:blank"));
}

// VGCloseFirst and UsePopupVessa are read at creation, handed to their subsystems and
// written back from them at shutdown: a window that did not hand them over would reset
// the user's choice each time it closes.
void TestGroupsMain::cachedSettingsSurviveTheWindow()
{
    TKWOptions().SetVGCloseFirst(true);
    TKWOptions().SetUsePopupVessa(false);
    TKWOptions().SetPopupVessa({"url1=http://ads.example/"});
    {
        auto w = newWindow();
        QVERIFY(w->CurrentVGCloseFirst());
        QVERIFY(w->VessaGroups()->CloseFirst());
        QVERIFY(!w->PopupVessa()->Enabled());
        QVERIFY(!w->PopupMatches(QStringLiteral("http://ads.example/banner")));
    }
    QVERIFY(TKWOptions().VGCloseFirst());
    QVERIFY(!TKWOptions().UsePopupVessa());

    TKWOptions().SetVGCloseFirst(false);
    TKWOptions().SetUsePopupVessa(true);
    {
        auto w = newWindow();
        QVERIFY(!w->CurrentVGCloseFirst());
        QVERIFY(w->PopupMatches(QStringLiteral("http://ads.example/banner")));
    }
    QVERIFY(!TKWOptions().VGCloseFirst());
    QVERIFY(TKWOptions().UsePopupVessa());
}

TV_TEST_MAIN_GUI(TestGroupsMain)
#include "tst_groups_main.moc"
