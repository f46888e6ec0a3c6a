// TTabManager on its own, with a recording host for the window's parts and the scripted
// web control: where new tabs go, when the active-tab change is announced, the idle blank
// tab, and the sweep of tabs the popup filter kept back.

#include "testenv.h"
#include "recordinghost.h"

#include "browser/browsertab.h"
#include "browser/kwpagecontrol.h"
#include "browser/tabmanager.h"
#include "platform/scripted_control.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const QString PageA = QStringLiteral("http://127.0.0.1:1/a.html");
const QString PageB = QStringLiteral("http://127.0.0.1:1/b.html");
const QString AdPage = QStringLiteral("http://ads.example/banner");

struct TFixture {
    TRecordingHost host;
    QWidget window;
    TTabManager tabs{host.Parts(), &window};
    QSignalSpy changes{&tabs, &TTabManager::ActiveTabChanged};

    TFixture() { tabs.CreateForegroundTab(); changes.clear(); }
    // The tabs the changes were announced for, in order; clears the record.
    QList<TBrowserTab *> takeChanges()
    {
        QList<TBrowserTab *> out;
        for (const QList<QVariant> &args : std::as_const(changes))
            out.append(args.at(0).value<TBrowserTab *>());
        changes.clear();
        return out;
    }
};

QString lastNavigation(const TBrowserTab *tab)
{
    const QStringList n = ScriptedControlOf(tab)->navigations();
    return n.isEmpty() ? QString() : n.last();
}

}

class TestTabManager : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { TScriptedControl::Install(); }

    void placement();
    void activeTabChangeAnnouncedOncePerChange();
    void idleBlankTabIsReused();
    void pageWindowsBecomeHiddenTabsAndAreSwept();
};

void TestTabManager::placement()
{
    TFixture f;
    TBrowserTab *a = f.tabs.ActiveTab();
    // Tabs opened behind the active tab go right after it, each before the previous one.
    TBrowserTab *b = f.tabs.CreateBackgroundTab();
    TBrowserTab *c = f.tabs.CreateBackgroundTab();
    QCOMPARE(f.tabs.Tabs(), (QList<TBrowserTab *>{a, c, b}));
    QCOMPARE(f.tabs.ActiveTab(), a);
    // A foreground tab goes after the active one too, and becomes active.
    TBrowserTab *d = f.tabs.CreateForegroundTab();
    QCOMPARE(f.tabs.Tabs(), (QList<TBrowserTab *>{a, d, c, b}));
    QCOMPARE(f.tabs.ActiveTab(), d);
    // At the end while PlacementAtEnd is on, also for background tabs.
    f.tabs.SetPlacementAtEnd(true);
    TBrowserTab *e = f.tabs.CreateBackgroundTab();
    QCOMPARE(f.tabs.Tabs().last(), e);
    QCOMPARE(f.tabs.ActiveTab(), d);
}

void TestTabManager::activeTabChangeAnnouncedOncePerChange()
{
    TFixture f;
    TBrowserTab *a = f.tabs.ActiveTab();
    f.host.calls.clear();

    // Tabs opened behind the active one change nothing.
    TBrowserTab *b = f.tabs.CreateBackgroundTab();
    QPointer<TBrowserTab> hidden = f.tabs.CreateHiddenTab();
    QCOMPARE(f.takeChanges(), QList<TBrowserTab *>{});

    // Exactly once for a new foreground tab, for the strip's selection and for a tab
    // opened in the foreground by the option.
    TBrowserTab *c = f.tabs.CreateForegroundTab();
    QCOMPARE(f.takeChanges(), QList<TBrowserTab *>{c});
    f.tabs.PageControl()->SetActivePage(a);
    QCOMPARE(f.takeChanges(), QList<TBrowserTab *>{a});
    f.tabs.SetOpenNewInForeground(true);
    TBrowserTab *d = f.tabs.CreateBackgroundTab();
    QCOMPARE(f.takeChanges(), QList<TBrowserTab *>{d});
    f.tabs.SetOpenNewInForeground(false);

    // Closing the active tab announces its neighbour once, never the closing tab; closing
    // another tab or sweeping the hidden one announces nothing.
    f.tabs.CloseTab(d);
    QCOMPARE(f.takeChanges(), QList<TBrowserTab *>{a});
    f.tabs.CloseTab(b);
    f.tabs.CloseHiddenTabs();
    QVERIFY(hidden.isNull() || hidden->IsClosing());
    QCOMPARE(f.takeChanges(), QList<TBrowserTab *>{});
    QCOMPARE(f.tabs.Tabs(), (QList<TBrowserTab *>{a, c}));

    // The tab change marks the new active tab as seen unless it is still loading.
    c->Viewed = false;
    c->Loading = true;
    f.tabs.ActivateTab(c);
    QVERIFY(!c->Viewed);
    QCOMPARE(f.takeChanges(), QList<TBrowserTab *>{c});
}

void TestTabManager::idleBlankTabIsReused()
{
    TFixture f;
    TBrowserTab *a = f.tabs.ActiveTab();
    ScriptedControlOf(a)->setLocationURL(QStringLiteral("about:blank"));
    QCOMPARE(f.tabs.IdleBlankTab(), a);
    f.tabs.OpenUrlByPreference(PageA, true);
    QCOMPARE(f.tabs.TabCount(), 1);
    QCOMPARE(lastNavigation(a), PageA);
    QCOMPARE(a->HomeURL, PageA);

    // A blank tab that is not the active one is not taken: the page opens in a new tab
    // after the active one.
    ScriptedControlOf(a)->setLocationURL(PageA);
    TBrowserTab *blank = f.tabs.CreateBackgroundTab();
    ScriptedControlOf(blank)->setLocationURL(QStringLiteral("about:blank"));
    QCOMPARE(f.tabs.IdleBlankTab(), nullptr);
    f.tabs.OpenUrlByPreference(PageB, true);
    QCOMPARE(f.tabs.TabCount(), 3);
    TBrowserTab *opened = f.tabs.ActiveTab();
    QCOMPARE(f.tabs.Tabs(), (QList<TBrowserTab *>{a, opened, blank}));
    QCOMPARE(lastNavigation(opened), PageB);

    // A blank tab that is loading is busy.
    ScriptedControlOf(opened)->setLocationURL(QStringLiteral("about:blank"));
    opened->Loading = true;
    QCOMPARE(f.tabs.IdleBlankTab(), nullptr);
}

void TestTabManager::pageWindowsBecomeHiddenTabsAndAreSwept()
{
    TFixture f;
    f.host.popupPrefixes = {AdPage};
    TBrowserTab *opener = f.tabs.ActiveTab();
    TBrowserTab *kept = f.tabs.CreateBackgroundTab();

    // A page's new window comes to the manager, not to the host: a hidden tab right after
    // the opener, which stays active.
    TScriptedControl::NewWindowResult r = ScriptedControlOf(opener)->fireNewWindow2();
    QVERIFY(!r.cancel);
    QCOMPARE(f.host.count("CreateHiddenTab"), 0);
    QCOMPARE(f.tabs.TabCount(), 3);
    QPointer<TBrowserTab> popup = f.tabs.TabAt(1);
    QVERIFY(!popup->TabVisible());
    QCOMPARE(f.tabs.ActiveTab(), opener);

    // The filter refuses it: the sweep starts and removes it alone; the active tab and the
    // visible tabs stay, and no tab change is announced.
    TScriptedControl *c = ScriptedControlOf(popup);
    QVERIFY(c->fireBeforeNavigate2(c->Application(), AdPage));
    QCOMPARE(f.host.count("StartHiddenTabTimer"), 0);
    QVERIFY(f.tabs.HiddenTabTimer()->isActive());
    f.changes.clear();
    QTRY_VERIFY_WITH_TIMEOUT(popup.isNull(), 10000);
    QCOMPARE(f.tabs.Tabs(), (QList<TBrowserTab *>{opener, kept}));
    QCOMPARE(f.tabs.ActiveTab(), opener);
    QCOMPARE(f.changes.count(), 0);
}

TV_TEST_MAIN_GUI(TestTabManager)
#include "tst_tabmanager.moc"
