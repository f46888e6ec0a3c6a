// TStatusArea as the tabs' status part, with a real tab manager and the scripted web
// control: only the active tab's reports reach the bar, the bar is cleared when another tab
// comes to the front, and the logo and the padlock show the active tab's state.

#include "testenv.h"
#include "recordinghost.h"

#include "app/statusarea.h"
#include "browser/browsertab.h"
#include "browser/tabmanager.h"
#include "components/logoanimation.h"
#include "components/statuspanels.h"
#include "platform/scripted_control.h"

#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QtTest>

namespace {

const QString PageA = QStringLiteral("http://127.0.0.1:1/a.html");
const QString SecurePage = QStringLiteral("https://127.0.0.1:1/s.html");

// The status area and the manager are given to each other as the window does it; the
// recording host stands for the address and policy parts and outlives the tabs.
struct TFixture {
    TRecordingHost host;
    QWidget window;
    TLogoAnimation *logo = new TLogoAnimation(&window);
    TStatusArea status{&window, logo};
    TTabManager tabs{{&status, &host, nullptr, &host}, &window};
    QSignalSpy loading{&status, &TStatusArea::ActiveTabLoading};

    TFixture()
    {
        status.Follow(&tabs);
        tabs.CreateForegroundTab();
    }
    QString text() const { return status.Bar()->PanelText(0); }
    QString percent() const { return status.Bar()->PanelText(3); }
    bool progressShown() const { return status.ProgressBar()->isVisibleTo(&window); }
    bool padlockShown() const { return status.SecureIcon()->isVisibleTo(&window); }
    bool stopEnabled() const { return !loading.isEmpty() && loading.last().at(0).toBool(); }
};

TScriptedControl *ctl(const TBrowserTab *tab)
{
    return ScriptedControlOf(tab);
}

}

class TestStatusArea : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { TScriptedControl::Install(); }

    void onlyTheActiveTabReachesTheBar();
    void logoAndPadlockFollowTheActiveTab();
};

void TestStatusArea::onlyTheActiveTabReachesTheBar()
{
    TFixture f;
    TBrowserTab *a = f.tabs.ActiveTab();
    TBrowserTab *b = f.tabs.CreateBackgroundTab();

    // A tab busy behind the active one shows nothing of its download; its reports come
    // first, so they would have arrived by the time the active tab's text does.
    ctl(b)->fireStatusTextChange(QStringLiteral("from b"));
    ctl(b)->fireDownloadBegin();
    ctl(b)->fireProgressChange(30, 100);
    ctl(a)->fireStatusTextChange(QStringLiteral("from a"));
    QTRY_COMPARE(f.text(), QStringLiteral("from a"));
    QCOMPARE(f.percent(), QString());
    QVERIFY(!f.progressShown());

    ctl(a)->fireDownloadBegin();
    ctl(a)->fireProgressChange(40, 100);
    QVERIFY(f.progressShown());
    QTRY_COMPARE(f.percent(), QStringLiteral("40%"));

    // Another tab in front: the bar starts empty, and the tab now behind is not heard.
    f.tabs.ActivateTab(b);
    QCOMPARE(f.text(), QString());
    QCOMPARE(f.percent(), QString());
    QVERIFY(!f.progressShown());
    ctl(a)->fireDownloadBegin();
    ctl(a)->fireProgressChange(60, 100);
    ctl(a)->fireStatusTextChange(QStringLiteral("a behind"));
    ctl(b)->fireStatusTextChange(QStringLiteral("b in front"));
    QTRY_COMPARE(f.text(), QStringLiteral("b in front"));
    QCOMPARE(f.percent(), QString());
    QVERIFY(!f.progressShown());
}

void TestStatusArea::logoAndPadlockFollowTheActiveTab()
{
    TFixture f;
    TBrowserTab *a = f.tabs.ActiveTab();
    TBrowserTab *b = f.tabs.CreateBackgroundTab();

    // A secure page loading behind: neither the logo nor the padlock.
    QVERIFY(ctl(b)->simulateLoad(SecurePage));
    QVERIFY(b->Secure);
    QVERIFY(!f.logo->Active());
    QVERIFY(!f.padlockShown());

    // The active tab starts a load: the logo turns and Stop is enabled.
    QVERIFY(!ctl(a)->fireBeforeNavigate2(ctl(a)->Application(), PageA));
    QVERIFY(a->Loading);
    QVERIFY(f.logo->Active());
    QVERIFY(f.stopEnabled());

    // The secure, finished tab in front: the padlock, no logo, Stop disabled.
    f.tabs.ActivateTab(b);
    QVERIFY(!f.logo->Active());
    QVERIFY(f.padlockShown());
    QVERIFY(!f.stopEnabled());

    // The loading tab in front again: the logo turns until its document completes.
    f.tabs.ActivateTab(a);
    QVERIFY(f.logo->Active());
    QVERIFY(!f.padlockShown());
    QVERIFY(f.stopEnabled());
    ctl(a)->fireNavigateComplete2(ctl(a)->Application(), PageA);
    ctl(a)->fireDocumentComplete(ctl(a)->Application(), PageA);
    QVERIFY(!a->Loading);
    QVERIFY(!f.logo->Active());
    QVERIFY(!f.stopEnabled());
}

TV_TEST_MAIN_GUI(TestStatusArea)
#include "tst_statusarea.moc"
