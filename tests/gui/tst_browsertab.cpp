// TBrowserTab on a scripted web control and a recording host: captions, the load cycle and
// its lamps, locked and popup tabs, new windows, "next" links and teardown.

#include "testenv.h"
#include "recordinghost.h"

#include "browser/browsertab.h"
#include "browser/kwpageaccessible.h"
#include "browser/kwpagecontrol.h"
#include "browser/vessabrowser.h"
#include "platform/scripted_control.h"

#include <QApplication>
#include <QPointer>
#include <QtTest>

namespace {

const QString PageA = QStringLiteral("http://127.0.0.1:1/a.html");
const QString PageB = QStringLiteral("http://127.0.0.1:1/b.html");
const QString SecurePage = QStringLiteral("https://127.0.0.1:1/s.html");

// A host whose popup notice closes the asking tab while it is open, as a user closing tabs
// while a modal dialog runs would.
class TClosingHost : public TRecordingHost {
public:
    QPointer<TBrowserTab> closeDuringPopupCheck;
    QPointer<TBrowserTab> closeDuringNewWindow;
    bool PopupMatches(const QString &url) override
    {
        if (closeDuringPopupCheck)
            closeDuringPopupCheck->CloseTab();
        return TRecordingHost::PopupMatches(url);
    }
    TBrowserTab *CreateHiddenTab() override
    {
        if (closeDuringNewWindow)
            closeDuringNewWindow->CloseTab();
        return TRecordingHost::CreateHiddenTab();
    }
};

}

class TestBrowserTab : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { TScriptedControl::Install(); }

    void shownTitle_data();
    void shownTitle();
    void captionHintAndStickyName();
    void accessibleTabSaysNameLampAndLock();
    void burstsOfPageEventsShowTheLatest();
    void loadCycleOfActiveAndBackgroundTabs();
    void firstLoadShowsGreenWhenTheDocumentArrives();
    void frameCycleEndsWithTheNextTopLevelLoad();
    void secureOnlyWhenEveryFrameIsHttps();
    void lockedTabSendsNavigationsToBackgroundTab();
    void lockAfterLoadLocksWithoutOpeningTabsForFrames();
    void lockedTabReloadsMovesInHistoryAndKeepsScriptFrames();
    void javascriptAddressesChangeNothing();
    void pendingPopupCheck();
    void newWindowAdoptsHiddenTab();
    void newWindowJudgedAtItsAddress_data();
    void newWindowJudgedAtItsAddress();
    void pageCloseRequestClosesTab();
    void followNextLinkGoesToLastNextLink();
    void backForwardFollowCommandState();
    void refreshWithCtrlHeldIsComplete();
    void closeTabWithLoadInFlightAndTwice();
    void closeTabDuringHostCalls();
};

void TestBrowserTab::shownTitle_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("shown");

    const QString t60 = QString(60, QLatin1Char('t'));
    const QString t100 = QString(100, QLatin1Char('h'));
    QTest::newRow("60 with 35") << t60 << 35 << t60.left(35) + "...";
    QTest::newRow("60 without limit") << t60 << 0 << t60.left(50) + "...";
    QTest::newRow("60 with 80: the default 50 applies") << t60 << 80 << t60.left(50) + "...";
    QTest::newRow("100 with 80") << t100 << 80 << t100.left(80) + "...";
    QTest::newRow("exactly 50") << t100.left(50) << 0 << t100.left(50);
    QTest::newRow("exactly the limit") << t100.left(35) << 35 << t100.left(35);
    QTest::newRow("negative limit is no limit") << t60 << -5 << t60.left(50) + "...";
    QTest::newRow("about:blank") << "about:blank" << 35 << "Blank";
    QTest::newRow("about:blank with 5") << "about:blank" << 5 << "about...";
    QTest::newRow("empty") << "" << 35 << "";
    QTest::newRow("control characters")
        << QStringLiteral("a\nb\tc\rd\x7f") << 35 << QStringLiteral("a b c d ");
    // A cut must not leave half of a surrogate pair behind.
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::newRow("surrogate pair at the cut")
        << QString(34, QLatin1Char('x')) + emoji + "tail" << 35
        << QString(34, QLatin1Char('x')) + "...";
}

void TestBrowserTab::shownTitle()
{
    QFETCH(QString, text);
    QFETCH(int, limit);
    QFETCH(QString, shown);
    QCOMPARE(TBrowserTab::ShownTitle(text, limit), shown);
}

void TestBrowserTab::captionHintAndStickyName()
{
    TRecordingHost host;
    host.titleLimit = 35;
    TBrowserTab *tab = host.AddTab();

    tab->SetTitle(QStringLiteral("Fish & Chips"));
    QCOMPARE(tab->Caption(), QStringLiteral("Fish && Chips"));
    QCOMPARE(tab->Hint(), QStringLiteral("Fish & Chips"));

    const QString huge(10000, QLatin1Char('w'));
    tab->SetTitle(huge);
    QCOMPARE(tab->Hint(), huge);
    QCOMPARE(tab->Caption(), huge.left(35) + "...");

    // The title arrives from the page through the view.
    ScriptedControlOf(tab)->fireTitleChange(QStringLiteral("about:blank"));
    QCOMPARE(tab->Caption(), QStringLiteral("Blank"));

    tab->SetStickyName(QStringLiteral("Mine & Yours"));
    QCOMPARE(tab->Caption(), QStringLiteral("Mine && Yours"));
    ScriptedControlOf(tab)->fireTitleChange(QStringLiteral("Page title"));
    // Titles that follow each other closely are shown together, a moment later.
    QTRY_COMPARE(tab->Hint(), QStringLiteral("Page title"));
    QCOMPARE(tab->Caption(), QStringLiteral("Mine && Yours"));

    // Clearing the sticky name shows the page's current title.
    ScriptedControlOf(tab)->setLocationName(QStringLiteral("Current page"));
    tab->SetStickyName(QString());
    QCOMPARE(tab->Caption(), QStringLiteral("Current page"));
}

// A screen reader hears the tab's sticky name (else its title) and, in words, what its lamp
// or padlock shows.
void TestBrowserTab::accessibleTabSaysNameLampAndLock()
{
    TRecordingHost host;
    TBrowserTab *front = host.AddTab();
    TBrowserTab *back = host.AddTab();
    host.Pages()->SetActivePage(front);
    QAccessibleInterface *tab = AccessibleTab(host.Pages(), back);
    QVERIFY(tab);
    QCOMPARE(tab->role(), QAccessible::PageTab);
    QVERIFY(!tab->state().selected);
    QVERIFY(AccessibleTab(host.Pages(), front)->state().selected);

    back->SetTitle(QStringLiteral("Fish & Chips"));
    QCOMPARE(tab->text(QAccessible::Name), QStringLiteral("Fish & Chips"));
    back->SetStickyName(QStringLiteral("Lunch"));
    QCOMPARE(tab->text(QAccessible::Name), QStringLiteral("Lunch"));

    TScriptedControl *c = ScriptedControlOf(back);
    QVERIFY(!c->fireBeforeNavigate2(c->Application(), PageA));
    QCOMPARE(tab->text(QAccessible::Description), QStringLiteral("Red lamp: loading"));
    back->SetLocked(true);
    QCOMPARE(tab->text(QAccessible::Description), QStringLiteral("Locked, loading"));
    c->fireNavigateComplete2(c->Application(), PageA);
    c->fireDocumentComplete(c->Application(), PageA);
    QCOMPARE(tab->text(QAccessible::Description), QStringLiteral("Locked"));
    back->SetLocked(false);
    QCOMPARE(tab->text(QAccessible::Description), QString());
    back->SetLamp(TLampKind::Arrived);
    QCOMPARE(tab->text(QAccessible::Description), QStringLiteral("Yellow lamp: page arrived"));
    back->SetLamp(TLampKind::Finished);
    QCOMPARE(tab->text(QAccessible::Description), QStringLiteral("Green lamp: not viewed yet"));
}

// A page that changes its title (or status text, or progress) in a tight loop must not
// make the window repaint for each change; the latest state still shows in the end.
void TestBrowserTab::burstsOfPageEventsShowTheLatest()
{
    TRecordingHost host;
    TBrowserTab *tab = host.AddTab();
    TScriptedControl *c = ScriptedControlOf(tab);
    const int burst = 2000;
    for (int i = 1; i <= burst; ++i) {
        c->fireTitleChange(QStringLiteral("Title %1").arg(i));
        c->fireStatusTextChange(QStringLiteral("Status %1").arg(i));
        c->fireProgressChange(i, burst + 1);
    }
    QVERIFY(host.callsStartingWith("ShowStatusText").size() < burst / 10);
    QVERIFY(host.callsStartingWith("ShowProgress").size() < burst / 10);
    QTRY_COMPARE(tab->Caption(), QStringLiteral("Title %1").arg(burst));
    QCOMPARE(tab->Hint(), QStringLiteral("Title %1").arg(burst));
    QTRY_COMPARE(host.callsStartingWith("ShowStatusText").last(),
                 QStringLiteral("ShowStatusText Status %1").arg(burst));
    QTRY_COMPARE(host.callsStartingWith("ShowProgress").last(),
                 QStringLiteral("ShowProgress %1/%2").arg(burst).arg(burst + 1));

    // Progress held back when the load ends comes before the bar is hidden, never after.
    for (int i = 0; i < 3; ++i)
        c->fireProgressChange(40 + i, 100);
    c->fireDownloadComplete();
    QCOMPARE(host.calls.last(), QStringLiteral("HideProgressBar"));
    QVERIFY(host.calls.contains(QStringLiteral("ShowProgress 42/100")));
    c->fireStatusTextChange(QStringLiteral("later"));
    QTRY_COMPARE(host.calls.last(), QStringLiteral("ShowStatusText later"));

    // A title the tab sets itself is newer than one the page reported just before.
    c->fireTitleChange(QStringLiteral("Old page"));
    c->fireTitleChange(QStringLiteral("Old page again"));
    tab->NavigateTo(PageB);
    QCOMPARE(tab->Caption(), PageB);
    c->fireStatusTextChange(QStringLiteral("after"));
    QTRY_COMPARE(host.calls.last(), QStringLiteral("ShowStatusText after"));
    QCOMPARE(tab->Caption(), PageB);
}

void TestBrowserTab::loadCycleOfActiveAndBackgroundTabs()
{
    TRecordingHost host;
    TBrowserTab *back = host.AddTab();
    TBrowserTab *front = host.AddTab();
    QVERIFY(front->IsActive());
    QVERIFY(!back->IsActive());
    QCOMPARE(front->ImageIndex(), int(LampNone));

    TScriptedControl *c = ScriptedControlOf(front);
    const TWebFrame top = c->Application();
    QVERIFY(!c->fireBeforeNavigate2(top, PageA));
    QVERIFY(front->Loading);
    QCOMPARE(front->LoadFrame, top);
    QCOMPARE(front->ImageIndex(), int(LampRed));
    QCOMPARE(host.callsStartingWith("RecordTypedAddress"), QStringList{"RecordTypedAddress " + PageA});

    // A frame inside the page neither records an address nor restarts the cycle.
    const TWebFrame frame = TScriptedControl::subFrame(1);
    c->fireBeforeNavigate2(frame, PageB);
    QCOMPARE(host.callsStartingWith("RecordTypedAddress").size(), 1);
    QCOMPARE(front->LoadFrame, top);

    c->fireNavigateComplete2(top, PageA);
    QCOMPARE(front->ImageIndex(), int(LampYellow));
    QCOMPARE(host.callsStartingWith("ShowAddress"), QStringList{"ShowAddress " + PageA});
    c->fireNavigateComplete2(frame, PageB);
    c->fireDocumentComplete(frame, PageB);
    QVERIFY(front->Loading);
    QCOMPARE(front->ImageIndex(), int(LampYellow));

    host.calls.clear();
    c->fireDocumentComplete(top, PageA);
    QVERIFY(!front->Loading);
    QCOMPARE(front->LoadFrame, TWebFrame(nullptr));
    QCOMPARE(front->ImageIndex(), int(LampNone));
    QVERIFY(front->Viewed);
    QVERIFY(host.count("HideProgressBar") == 1);
    QVERIFY(host.count("UpdateSecureAndAnimation") >= 1);

    // The background tab loads without reporting to the window and ends green.
    host.calls.clear();
    TScriptedControl *bc = ScriptedControlOf(back);
    QVERIFY(bc->simulateLoad(PageB));
    bc->fireStatusTextChange(QStringLiteral("hover"));
    QCOMPARE(back->ImageIndex(), int(LampGreen));
    QVERIFY(!back->Viewed);
    QVERIFY(host.callsStartingWith("RecordTypedAddress").isEmpty());
    QVERIFY(host.callsStartingWith("ShowAddress").isEmpty());
    QVERIFY(host.callsStartingWith("ShowStatusText").isEmpty());
    QVERIFY(host.callsStartingWith("ShowProgress").isEmpty());
    QCOMPARE(host.count("HideProgressBar"), 0);

    // Switching to it marks it seen.
    host.Pages()->SetActivePage(back);
    back->SetViewed(true);
    QCOMPARE(back->ImageIndex(), int(LampNone));
    bc->fireStatusTextChange(QStringLiteral("hover"));
    QTRY_COMPARE(host.callsStartingWith("ShowStatusText"), QStringList{"ShowStatusText hover"});

    // The lock's padlock replaces every lamp; unlocking shows none until the next change.
    back->SetLocked(true);
    back->SetLamp(TLampKind::Loading);
    back->SetViewed(false);
    QCOMPARE(back->ImageIndex(), int(LampLocked));
    back->SetLocked(false);
    QCOMPARE(back->ImageIndex(), int(LampNone));
}

void TestBrowserTab::firstLoadShowsGreenWhenTheDocumentArrives()
{
    TRecordingHost host;
    TBrowserTab *tab = host.AddTab();
    tab->FirstLoad = true;
    TScriptedControl *c = ScriptedControlOf(tab);
    c->fireBeforeNavigate2(c->Application(), PageA);
    c->fireNavigateComplete2(c->Application(), PageA);
    QCOMPARE(tab->ImageIndex(), int(LampGreen));
    QVERIFY(!tab->FirstLoad);
    c->fireDocumentComplete(c->Application(), PageA);
    QCOMPARE(tab->ImageIndex(), int(LampNone));   // active: seen at once

    // The next load is an ordinary one again.
    c->fireBeforeNavigate2(c->Application(), PageB);
    c->fireNavigateComplete2(c->Application(), PageB);
    QCOMPARE(tab->ImageIndex(), int(LampYellow));
}

void TestBrowserTab::frameCycleEndsWithTheNextTopLevelLoad()
{
    // A frame navigating after the page loaded opens a cycle; when the whole page is replaced
    // before that frame reports completion, the lamp must still end.
    TRecordingHost host;
    TBrowserTab *tab = host.AddTab();
    TScriptedControl *c = ScriptedControlOf(tab);
    QVERIFY(c->simulateLoad(PageA));
    c->fireBeforeNavigate2(TScriptedControl::subFrame(1), PageB);
    QCOMPARE(tab->ImageIndex(), int(LampRed));
    QCOMPARE(tab->LoadFrame, TScriptedControl::subFrame(1));
    c->fireBeforeNavigate2(c->Application(), PageB);
    QCOMPARE(tab->LoadFrame, c->Application());
    c->fireNavigateComplete2(c->Application(), PageB);
    QCOMPARE(tab->ImageIndex(), int(LampYellow));
    c->fireDocumentComplete(c->Application(), PageB);
    QVERIFY(!tab->Loading);
    QCOMPARE(tab->ImageIndex(), int(LampNone));

    // Even without a new top-level navigation, the page's completion ends the frame's cycle.
    c->fireBeforeNavigate2(TScriptedControl::subFrame(2), PageA);
    QVERIFY(tab->Loading);
    c->fireDocumentComplete(c->Application(), PageB);
    QVERIFY(!tab->Loading);
    QCOMPARE(tab->ImageIndex(), int(LampNone));
}

void TestBrowserTab::secureOnlyWhenEveryFrameIsHttps()
{
    TRecordingHost host;
    TBrowserTab *tab = host.AddTab();
    TScriptedControl *c = ScriptedControlOf(tab);

    QVERIFY(c->simulateLoad(SecurePage, {"https://127.0.0.1:1/f1.html"}));
    QVERIFY(tab->Secure);
    QVERIFY(c->simulateLoad(SecurePage, {"https://127.0.0.1:1/f1.html", "http://127.0.0.1:1/f2.html"}));
    QVERIFY(!tab->Secure);
    QVERIFY(c->simulateLoad(SecurePage));
    QVERIFY(tab->Secure);
    QVERIFY(c->simulateLoad(PageA));
    QVERIFY(!tab->Secure);
}

void TestBrowserTab::lockedTabSendsNavigationsToBackgroundTab()
{
    TRecordingHost host;
    TBrowserTab *locked = host.AddTab();
    TScriptedControl *c = ScriptedControlOf(locked);
    QVERIFY(c->simulateLoad(PageA));
    locked->SetLocked(true);
    c->clearOperations();
    host.calls.clear();

    QVERIFY(c->fireBeforeNavigate2(c->Application(), PageB));   // cancelled
    QCOMPARE(host.count("CreateBackgroundTab"), 1);
    QCOMPARE(host.Tabs().size(), 2);
    TBrowserTab *opened = host.Tabs().at(1);
    QVERIFY(opened->FocusOnLoad);
    QCOMPARE(ScriptedControlOf(opened)->navigations().last(), PageB);
    QCOMPARE(opened->Caption(), EscapeAmpersands(TBrowserTab::ShownTitle(PageB, 35)));
    // The locked tab keeps its page and starts no load.
    QVERIFY(!locked->Loading);
    QCOMPARE(locked->ImageIndex(), int(LampLocked));
    QVERIFY(c->navigations().isEmpty());
    QVERIFY(locked->IsActive());

    // A frame navigation of the idle locked page goes to a new tab as well.
    QVERIFY(c->fireBeforeNavigate2(TScriptedControl::subFrame(1), PageA));
    QCOMPARE(host.count("CreateBackgroundTab"), 2);

    // The opened tab takes the focus when its page arrives while it is active.
    host.Pages()->SetActivePage(opened);
    TScriptedControl *oc = ScriptedControlOf(opened);
    QVERIFY(oc->simulateLoad(PageB));
    QVERIFY(!opened->FocusOnLoad);
    QCOMPARE(oc->count("UIActivate"), 1);

    // Without a tab from the host the navigation is still refused.
    host.createReturnsNull = true;
    QVERIFY(c->fireBeforeNavigate2(c->Application(), PageB));
    QVERIFY(!locked->Loading);
}

void TestBrowserTab::lockAfterLoadLocksWithoutOpeningTabsForFrames()
{
    TRecordingHost host;
    host.windowActive = false;
    TBrowserTab *tab = host.AddTab();
    tab->LockAfterLoad = true;
    tab->FocusOnLoad = true;
    TScriptedControl *c = ScriptedControlOf(tab);
    QVERIFY(c->simulateLoad(PageA, {PageB, SecurePage}));
    QVERIFY(tab->Locked);
    QCOMPARE(tab->ImageIndex(), int(LampLocked));
    QVERIFY(!tab->Loading);
    // The page's own frames loaded in the tab; nothing went to a new tab.
    QCOMPARE(host.count("CreateBackgroundTab"), 0);
    // FocusOnLoad is used up, but an inactive window gets no focus.
    QVERIFY(!tab->FocusOnLoad);
    QCOMPARE(c->count("UIActivate"), 0);

    QVERIFY(!c->simulateLoad(PageB));
    QCOMPARE(host.count("CreateBackgroundTab"), 1);
}

void TestBrowserTab::lockedTabReloadsMovesInHistoryAndKeepsScriptFrames()
{
    TRecordingHost host;
    TBrowserTab *locked = host.AddTab();
    TScriptedControl *c = ScriptedControlOf(locked);
    QVERIFY(c->simulateLoad(PageA));
    locked->SetLocked(true);
    host.calls.clear();

    // The tab's own Refresh reloads the page in place, as the engine does: a Reload
    // navigation that the tab lets through, and a whole load cycle.
    QSignalSpy completed(c, &TWebControl::DocumentComplete);
    locked->RefreshTab();
    QVERIFY(completed.wait());
    QCOMPARE(host.count("CreateBackgroundTab"), 0);
    QCOMPARE(host.Tabs().size(), 1);
    QVERIFY(!locked->Loading);
    QCOMPARE(locked->ImageIndex(), int(LampLocked));

    // Back and forward stay too, and so does a redirect of the load they started.
    const TWebFrame top = c->Application();
    QVERIFY(!c->fireBeforeNavigate2(top, PageB, TNavigationType::BackForward));
    QVERIFY(locked->Loading);
    QVERIFY(!c->fireBeforeNavigate2(top, SecurePage, TNavigationType::Redirect));
    c->fireDocumentComplete(top, SecurePage);
    QVERIFY(!locked->Loading);
    QCOMPARE(host.count("CreateBackgroundTab"), 0);

    // A frame the page's script fills after the load stays in its frame.
    const TWebFrame frame = TScriptedControl::subFrame(1);
    QVERIFY(!c->fireBeforeNavigate2(frame, PageB, TNavigationType::Other));
    c->fireDocumentComplete(frame, PageB);
    QCOMPARE(host.count("CreateBackgroundTab"), 0);

    // What leaves the page still goes to a new tab: a link clicked in a frame, a link of
    // the page, a typed address, a redirect nobody asked for.
    QVERIFY(c->fireBeforeNavigate2(frame, PageB, TNavigationType::LinkClicked));
    QVERIFY(c->fireBeforeNavigate2(top, PageB, TNavigationType::LinkClicked));
    QVERIFY(c->fireBeforeNavigate2(top, PageB, TNavigationType::Typed));
    QVERIFY(c->fireBeforeNavigate2(top, PageB, TNavigationType::Redirect));
    QCOMPARE(host.count("CreateBackgroundTab"), 4);
    QVERIFY(!locked->Loading);
}

void TestBrowserTab::javascriptAddressesChangeNothing()
{
    TRecordingHost host;
    TBrowserTab *plain = host.AddTab();
    TBrowserTab *locked = host.AddTab();
    locked->SetLocked(true);
    TBrowserTab *pending = host.AddTab(true);
    host.calls.clear();

    const QString script = QStringLiteral("javascript:void(0)");
    for (TBrowserTab *tab : {plain, locked, pending}) {
        host.Pages()->SetActivePage(tab);
        const int lamp = tab->ImageIndex();
        TScriptedControl *c = ScriptedControlOf(tab);
        QVERIFY(!c->fireBeforeNavigate2(c->Application(), script));
        QVERIFY(!c->fireBeforeNavigate2(TScriptedControl::subFrame(1), script));
        QVERIFY(!tab->Loading);
        QCOMPARE(tab->ImageIndex(), lamp);
    }
    QVERIFY(pending->PendingPopupCheck);
    QVERIFY(!pending->TabVisible());
    QVERIFY(pending->PopupURL.isEmpty());
    QVERIFY(host.calls.isEmpty());
    QCOMPARE(host.Tabs().size(), 3);
}

void TestBrowserTab::pendingPopupCheck()
{
    TRecordingHost host;
    host.popupPrefixes = {QStringLiteral("http://ads.")};
    TBrowserTab *opener = host.AddTab();

    // Blocked: about:blank keeps it pending, the first real address is examined.
    TScriptedControl::NewWindowResult r = ScriptedControlOf(opener)->fireNewWindow2();
    QVERIFY(!r.cancel);
    TBrowserTab *popup = host.Tabs().last();
    TScriptedControl *pc = ScriptedControlOf(popup);
    QVERIFY(!pc->fireBeforeNavigate2(pc->Application(), QStringLiteral("about:blank")));
    QVERIFY(popup->PendingPopupCheck);
    QVERIFY(!popup->TabVisible());
    QCOMPARE(host.callsStartingWith("PopupMatches").size(), 0);

    QVERIFY(pc->fireBeforeNavigate2(pc->Application(), QStringLiteral("http://ads.example/pop")));
    QVERIFY(popup->ClosedByFilter);
    QVERIFY(!popup->PendingPopupCheck);
    QCOMPARE(popup->PopupURL, QStringLiteral("http://ads.example/pop"));
    QVERIFY(!popup->TabVisible());
    QVERIFY(!popup->Loading);
    QCOMPARE(host.count("StartHiddenTabTimer"), 1);
    // Whatever the closed popup tries next stays unloaded and is not examined again.
    QVERIFY(pc->fireBeforeNavigate2(pc->Application(), PageA));
    QCOMPARE(host.callsStartingWith("PopupMatches").size(), 1);
    QVERIFY(opener->IsActive());

    // Allowed: shown on the strip, "Loading..." until its title arrives, load cycle started.
    ScriptedControlOf(opener)->fireNewWindow2();
    TBrowserTab *shown = host.Tabs().last();
    QVERIFY(shown != popup);
    TScriptedControl *sc = ScriptedControlOf(shown);
    QVERIFY(sc->simulateLoad(PageA, {}, QStringLiteral("Real page")));
    QVERIFY(shown->TabVisible());
    QVERIFY(!shown->PendingPopupCheck);
    QCOMPARE(shown->PopupURL, PageA);
    QCOMPARE(shown->Caption(), QStringLiteral("Real page"));
    QCOMPARE(shown->ImageIndex(), int(LampGreen));   // loaded in the background

    TBrowserTab *again = host.AddTab(true);
    ScriptedControlOf(again)->fireBeforeNavigate2(ScriptedControlOf(again)->Application(), PageB);
    QCOMPARE(again->Caption(), QStringLiteral("Loading..."));
    QVERIFY(again->Loading);
}

void TestBrowserTab::newWindowAdoptsHiddenTab()
{
    TRecordingHost host;
    TBrowserTab *opener = host.AddTab();
    TScriptedControl::NewWindowResult r = ScriptedControlOf(opener)->fireNewWindow2();
    QCOMPARE(host.count("CreateHiddenTab"), 1);
    TBrowserTab *created = host.Tabs().last();
    QVERIFY(created != opener);
    QVERIFY(!r.cancel);
    QCOMPARE(r.window, ScriptedControlOf(created)->Application());
    QVERIFY(created->FocusOnLoad);
    QVERIFY(created->PendingPopupCheck);
    QVERIFY(!created->TabVisible());
    QCOMPARE(ScriptedControlOf(created)->navigations(), QStringList{"about:blank"});

    host.createReturnsNull = true;
    r = ScriptedControlOf(opener)->fireNewWindow2();
    QVERIFY(r.cancel);
    QCOMPARE(r.window, TWebFrame(nullptr));

    // A tab that lost its view cannot adopt the window.
    host.createReturnsNull = false;
    TBrowserTab *viewless = host.AddTab();
    viewless->CloseTab();
    struct TFixedHost : TRecordingHost {
        TBrowserTab *tab = nullptr;
        TBrowserTab *CreateHiddenTab() override { return tab; }
    } fixed;
    fixed.tab = viewless;
    TWebFrame window = nullptr;
    bool cancel = false;
    TBrowserTab::HandleNewWindow(&fixed, &window, &cancel);
    QVERIFY(cancel);
    QCOMPARE(window, TWebFrame(nullptr));
}

void TestBrowserTab::newWindowJudgedAtItsAddress_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("examined");
    QTest::addColumn<bool>("refused");
    QTest::newRow("listed address") << QStringLiteral("http://ads.example/pop?n=1") << true << true;
    QTest::newRow("unlisted address") << PageA << true << false;
    // Windows whose first address is not known yet get a hidden tab and are judged later.
    QTest::newRow("script-built window") << QStringLiteral("about:blank#blocked") << false << false;
    QTest::newRow("blank") << QStringLiteral("about:blank") << false << false;
    QTest::newRow("script address") << QStringLiteral("javascript:void(0)") << false << false;
    QTest::newRow("no address") << QString() << false << false;
}

void TestBrowserTab::newWindowJudgedAtItsAddress()
{
    QFETCH(QString, url);
    QFETCH(bool, examined);
    QFETCH(bool, refused);
    TRecordingHost host;
    host.popupPrefixes = {QStringLiteral("http://ads.")};
    TBrowserTab *opener = host.AddTab();
    const TScriptedControl::NewWindowResult r = ScriptedControlOf(opener)->fireNewWindow2(url);
    QCOMPARE(host.callsStartingWith("PopupMatches"), examined ? QStringList{"PopupMatches " + url} : QStringList());
    QCOMPARE(r.cancel, refused);
    QCOMPARE(host.count("CreateHiddenTab"), refused ? 0 : 1);
    QCOMPARE(host.count("StartHiddenTabTimer"), 0);
    QCOMPARE(host.Tabs().size(), refused ? 1 : 2);
    QVERIFY(opener->IsActive());
    if (!refused) {
        TBrowserTab *popup = host.Tabs().last();
        QCOMPARE(r.window, ScriptedControlOf(popup)->Application());
        QVERIFY(popup->PendingPopupCheck);
        QVERIFY(!popup->TabVisible());
    }
}

void TestBrowserTab::pageCloseRequestClosesTab()
{
    TRecordingHost host;
    host.AddTab();
    QPointer<TBrowserTab> tab = host.AddTab();
    ScriptedControlOf(tab)->fireWindowCloseRequested();
    QTRY_COMPARE(host.count("CloseTab"), 1);
    QCOMPARE(host.closeRequests.first(), tab);
    QTRY_VERIFY(tab.isNull());
    QCOMPARE(host.Pages()->PageCount(), 1);
}

void TestBrowserTab::followNextLinkGoesToLastNextLink()
{
    const QList<TWebLink> links = {
        {QStringLiteral("Previous"), QStringLiteral("http://h/1")},
        {QStringLiteral("Next page"), QStringLiteral("http://h/2")},
        {QStringLiteral("nothing"), QStringLiteral("http://h/3")},
        {QStringLiteral("next \u00bb"), QStringLiteral("http://h/4")},
        {QStringLiteral("NEXT but no anchor"), QString()},
    };
    TRecordingHost host;
    TBrowserTab *tab = host.AddTab();
    TScriptedControl *c = ScriptedControlOf(tab);
    tab->SetTitle(QStringLiteral("Kept"));
    c->setLinks(links);
    c->clearOperations();
    tab->FollowNextLink();
    QCOMPARE(c->navigations(), QStringList{"http://h/4"});
    QVERIFY(c->operations().indexOf("Stop") < c->operations().indexOf("Navigate http://h/4"));
    QCOMPARE(tab->Caption(), QStringLiteral("Kept"));

    // A locked tab opens one new tab for it, once the control starts the navigation.
    tab->SetLocked(true);
    c->setLoadOnNavigate(true);
    tab->FollowNextLink();
    QTRY_COMPARE(host.count("CreateBackgroundTab"), 1);
    QCOMPARE(ScriptedControlOf(host.Tabs().last())->navigations().last(), QStringLiteral("http://h/4"));
    c->setLoadOnNavigate(false);

    // No document, or no matching link: nothing happens.
    c->clearOperations();
    c->setLinks({{QStringLiteral("Previous"), QStringLiteral("http://h/1")}});
    tab->FollowNextLink();
    c->setHasDocument(false);
    tab->FollowNextLink();
    QVERIFY(c->navigations().isEmpty());
}

void TestBrowserTab::backForwardFollowCommandState()
{
    TRecordingHost host;
    TBrowserTab *tab = host.AddTab();
    TScriptedControl *c = ScriptedControlOf(tab);
    tab->GoBack();
    tab->GoForward();
    QCOMPARE(c->count("GoBack"), 0);
    QCOMPARE(c->count("GoForward"), 0);

    c->fireCommandStateChange(CSC_NAVIGATEBACK, true);
    QVERIFY(tab->CanGoBack);
    QVERIFY(!tab->CanGoForward);
    c->fireCommandStateChange(CSC_UPDATECOMMANDS, true);
    QCOMPARE(host.count("UpdateBackForward"), 2);
    tab->GoBack();
    tab->GoForward();
    QCOMPARE(c->count("GoBack"), 1);
    QCOMPARE(c->count("GoForward"), 0);
}

void TestBrowserTab::refreshWithCtrlHeldIsComplete()
{
    TRecordingHost host;
    TBrowserTab *tab = host.AddTab();
    host.Pages()->show();
    QVERIFY(QTest::qWaitForWindowExposed(host.Pages()));
    TScriptedControl *c = ScriptedControlOf(tab);
    c->setBusy(true);
    tab->RefreshTab();
    QCOMPARE(c->operations().mid(c->operations().size() - 2), QStringList({"Stop", "Refresh"}));
    QTest::keyPress(host.Pages(), Qt::Key_Control, Qt::ControlModifier);
    tab->RefreshTab();
    QTest::keyRelease(host.Pages(), Qt::Key_Control);
    QCOMPARE(c->operations().last(), QStringLiteral("RefreshCompletely"));
    tab->RefreshTab();
    QCOMPARE(c->operations().last(), QStringLiteral("Refresh"));
}

void TestBrowserTab::closeTabWithLoadInFlightAndTwice()
{
    TRecordingHost host;
    host.AddTab();
    QPointer<TBrowserTab> tab = host.AddTab();
    QPointer<TScriptedControl> c = ScriptedControlOf(tab);
    c->setBusy(true);
    c->fireBeforeNavigate2(c->Application(), PageA);
    QVERIFY(tab->Loading);

    tab->CloseTab();
    QCOMPARE(c->count("Stop"), 1);
    QCOMPARE(tab->View(), static_cast<TVessaBrowser *>(nullptr));
    QCOMPARE(tab->ViewWindow(), static_cast<QWidget *>(nullptr));
    QVERIFY(!tab->Loading);
    QVERIFY(!tab->TabVisible());
    QCOMPARE(host.Pages()->IndexOfPage(tab), -1);
    tab->CloseTab();
    QCOMPARE(c->count("Stop"), 1);

    // Every operation is a no-op without the view, and late events reach nobody.
    tab->NavigateTo(PageB);
    tab->RefreshTab();
    tab->FollowNextLink();
    QCOMPARE(tab->Location(), QString());
    QCOMPARE(tab->GetTextSize(), 2);
    QVERIFY(!tab->LinksShown());
    QCOMPARE(tab->SaveToTempFile(), QString());
    if (c) {
        QCOMPARE(c->count("Navigate " + PageB), 0);
        c->fireNavigateComplete2(c->Application(), PageA);
        c->fireDocumentComplete(c->Application(), PageA);
        c->fireWindowCloseRequested();
    }
    QTRY_VERIFY(tab.isNull());
    QTRY_VERIFY(c.isNull());
    QCOMPARE(host.count("CloseTab"), 0);
}

void TestBrowserTab::closeTabDuringHostCalls()
{
    // Closed while its popup check shows the notice: the navigation is refused.
    TClosingHost host;
    host.AddTab();
    QPointer<TBrowserTab> popup = host.AddTab(true);
    host.closeDuringPopupCheck = popup;
    TScriptedControl *pc = ScriptedControlOf(popup);
    QVERIFY(pc->fireBeforeNavigate2(pc->Application(), PageA));
    QVERIFY(popup->IsClosing());
    QVERIFY(!popup->TabVisible());

    // Closed while its new-window request is being handled.
    QPointer<TBrowserTab> opener = host.AddTab();
    host.closeDuringNewWindow = opener;
    TScriptedControl::NewWindowResult r = ScriptedControlOf(opener)->fireNewWindow2();
    QVERIFY(!r.cancel);
    QCOMPARE(r.window, ScriptedControlOf(host.Tabs().last())->Application());

    // Closed while the popup check of its new window's address runs: no window, no tab.
    QPointer<TBrowserTab> asking = host.AddTab();
    host.closeDuringNewWindow = nullptr;
    host.closeDuringPopupCheck = asking;
    const int before = host.count("CreateHiddenTab");
    r = ScriptedControlOf(asking)->fireNewWindow2(PageB);
    QVERIFY(r.cancel);
    QCOMPARE(host.count("CreateHiddenTab"), before);

    // Closed by the window in the middle of a load: the rest of the load goes nowhere.
    struct TCloseOnAddress : TRecordingHost {
        void ShowAddress(const QString &url) override
        {
            TRecordingHost::ShowAddress(url);
            CloseTab(Pages()->PageCount() > 1 ? static_cast<TBrowserTab *>(Pages()->ActivePage()) : nullptr);
        }
    } closer;
    closer.AddTab();
    QPointer<TBrowserTab> loading = closer.AddTab();
    QVERIFY(ScriptedControlOf(loading)->simulateLoad(PageA, {PageB}));
    QCOMPARE(closer.count("CloseTab"), 1);
    QTRY_VERIFY(loading.isNull());
    QTRY_VERIFY(popup.isNull());
    QTRY_VERIFY(opener.isNull());
}

TV_TEST_MAIN_GUI(TestBrowserTab)
#include "tst_browsertab.moc"
