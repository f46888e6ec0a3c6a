// TfrmMain on the scripted web control: start-up pages, placement and full screen, the
// close question and the shutdown sequence, every tab command, the address bar, the
// toolbar file and the band layout.

#include "testenv.h"
#include "recordinghost.h"

#include "app/confirm.h"
#include "app/kwoptions.h"
#include "app/main_window.h"
#include "app/sessionrecord.h"
#include "app/statusarea.h"
#include "app/useragent.h"
#include "browser/browsertab.h"
#include "browser/closeall.h"
#include "browser/kwpagecontrol.h"
#include "browser/tabmenu.h"
#include "components/coolbar.h"
#include "components/fullscreen.h"
#include "components/logoanimation.h"
#include "components/statuspanels.h"
#include "navigation/commandtable.h"
#include "navigation/kwcombobox.h"
#include "navigation/mainmenus.h"
#include "navigation/typedurls.h"
#include "options/bandlayout.h"
#include "options/options.h"
#include "options/optionsdialog.h"
#include "options/toolbarband.h"
#include "options/toolbarcatalogue.h"
#include "platform/inifile.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/scripted_control.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

const QString HomeUrl = QStringLiteral("http://home.test/");
const QString PageA = QStringLiteral("http://127.0.0.1:1/a.html");
const QString PageB = QStringLiteral("http://127.0.0.1:1/b.html");
const QString PageC = QStringLiteral("http://127.0.0.1:1/c.html");
const QString IEMainKey = QStringLiteral("Software\\Microsoft\\Internet Explorer\\Main");
QString BandsKey() { return TKWOptions::SettingsKey + QStringLiteral("\\Bands"); }

using Window = std::unique_ptr<TfrmMain>;

Window openWindow(const QString &argument = QString())
{
    Window w(new TfrmMain(argument));
    w->SetCloseWithoutConfirmation(true);
    return w;
}

TScriptedControl *ctl(const TBrowserTab *tab) { return ScriptedControlOf(tab); }

// The address the tab was last asked to show.
QString lastNavigation(const TBrowserTab *tab)
{
    const QStringList n = ctl(tab)->navigations();
    return n.isEmpty() ? QString() : n.last();
}

QStringList lastNavigations(const TfrmMain &w)
{
    QStringList out;
    for (const TBrowserTab *tab : w.Tabs())
        out.append(lastNavigation(tab));
    return out;
}

int activeIndex(const TfrmMain &w) { return int(w.Tabs().indexOf(w.ActiveTab())); }

// A tab that shows a page: the control reports the address as its location.
TBrowserTab *withPage(TBrowserTab *tab, const QString &url)
{
    ctl(tab)->setLocationURL(url);
    return tab;
}

// Toolbar buttons in order, visible ones only, "|" for a separator.
QStringList shownButtons(const QToolBar *bar)
{
    QStringList out;
    for (QAction *a : bar->actions()) {
        if (a->isSeparator())
            out.append(QStringLiteral("|"));
        else if (a->isVisible())
            out.append(a->objectName());
    }
    return out;
}

QString toolbarFile() { return TToolbarCatalogue::FileName(); }

void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

int bandOf(const TfrmMain &w, QWidget *control) { return w.BandLayout()->CoolBar()->bandIndexOfControl(control); }


}

class TestMainWindow : public QObject {
    Q_OBJECT

    QList<QPointer<QTimer>> m_answerers;

    // Answers the next modal dialog of type T by running act on it.
    template <typename T>
    void whenModal(const std::function<void(T *)> &act)
    {
        auto *timer = new QTimer(this);
        timer->setInterval(10);
        connect(timer, &QTimer::timeout, this, [timer, act] {
            if (auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget())) {
                timer->stop();
                timer->deleteLater();
                act(dialog);
            }
        });
        timer->start();
        m_answerers.append(timer);
    }
    void answerConfirm(bool ok, bool check)
    {
        whenModal<TfrmConfirm>([ok, check](TfrmConfirm *d) {
            d->chkConfirm->setChecked(check);
            (ok ? d->cmdOK : d->cmdCancel)->click();
        });
    }
    // Every message box the general handler shows is answered, its text kept in m_messages.
    QStringList m_messages;
    QPointer<QTimer> m_messageCollector;
    void collectMessages()
    {
        m_messages.clear();
        auto *timer = new QTimer(this);
        timer->setInterval(10);
        connect(timer, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                m_messages.append(box->text());
                box->accept();
            }
        });
        timer->start();
        m_messageCollector = timer;
    }

    bool allAnswered() const
    {
        for (const QPointer<QTimer> &t : m_answerers) {
            if (t && t->isActive())
                return false;
        }
        return true;
    }

private Q_SLOTS:
    void initTestCase()
    {
        TScriptedControl::Install();
        QApplication::setQuitOnLastWindowClosed(false);
    }
    void init();
    void cleanup();

    void freshStart();
    void optionsApplyToTheRunningWindow();
    void startupPages_data();
    void startupPages();
    void startupGroups();
    void placement_data();
    void placement();
    void fullScreenSaveAndRestore();
    void fullScreenAtStartKeepsStoredPlacement();
    void closeQuestion();
    void shutdownAndRestartWithLast();
    void userAgentTokenWhileRunning();
    void damagedSettingsReadAsDefaults();
    void shutdownFailuresNamedInOneMessage();
    void settingsAppliedToTheRunningWindow();
    void typedAddressesNotReadAreNotWrittenOver();
    void wakeUpListenerFailureIsReported();

    void creatingTabs();
    void closeOneTab();
    void closeAll();
    void closeAllConfirmation();
    void closeAllKeepCurrent();
    void closeAllShowList();
    void hiddenTabSweep();
    void newCommands();
    void tabChange();
    void tabsMenu();
    void tabContextMenu();
    void tabMenuWithTabsOnTop();
    void drops();

    void domainCompletionAndEnter();
    void typedAddresses();
    void typedFlagEndsWithItsNavigation();
    void addressNewWin();
    void addressSettingsWrittenBackAtShutdown();
    void pageIconOpensInTabWhenTabvaneIsTheBrowser();

    void toolbarDefaultAndFile();
    void damagedToolbarFile();
    void toolbarPictures();
    void toolbarRebuildKeepsNoOldActions();
    void bandLayoutRoundTrip();
    void damagedBandLayout();
    void addressLabelDoubleClick();
    void viewToggles();
    void vessaBarByEveryTrigger();
    void statusBarAndLogoLayout();
};

void TestMainWindow::init()
{
    // A fresh user for every test: empty hive, no toolbar file, no record of open tabs.
    QFile::remove(TRegistry::hivePath());
    QFile::remove(toolbarFile());
    QFile::remove(TSessionRecord::FilePath());
    TRegistry().writeString(IEMainKey, QStringLiteral("Start Page"), HomeUrl);
    QGuiApplication::clipboard()->clear();
}

void TestMainWindow::cleanup()
{
    for (const QPointer<QTimer> &t : std::as_const(m_answerers))
        delete t.data();
    m_answerers.clear();
    delete m_messageCollector.data();
}

void TestMainWindow::freshStart()
{
    QFile::remove(TRegistry::hivePath());   // no home page either
    Window w = openWindow();
    QCOMPARE(w->TabCount(), 1);
    QCOMPARE(lastNavigations(*w), QStringList{QStringLiteral("about:blank")});
    QCOMPARE(w->HomePage(), QStringLiteral("about:blank"));

    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(w->pos(), QPoint(10, 10));
    QCOMPARE(w->size(), QSize(avail.width() - 40, avail.height() - 40));
    QVERIFY(!w->isMaximized());

    QVERIFY(w->Commands()->Action(QStringLiteral("pmViewStatusBar"))->isChecked() && w->StatusArea()->Bar()->isVisibleTo(w.get()));
    for (QWidget *band : {w->findChild<QWidget *>(QStringLiteral("pnlMenuBar")), w->findChild<QWidget *>(QStringLiteral("pnlToolbar")), w->AddressBar()->Panel(), w->findChild<QWidget *>(QStringLiteral("pnlLinks"))})
        QVERIFY2(w->BandLayout()->CoolBar()->bandVisible(bandOf(*w, band)), qPrintable(band->objectName()));
    QVERIFY(!w->Commands()->Action(QStringLiteral("pmViewVessaBar"))->isChecked());
    QVERIFY(!w->findChild<QWidget *>(QStringLiteral("pnlVessaBar"))->isVisibleTo(w.get()));
    QCOMPARE(w->TabManager()->PageControl()->GetTabPosition(), TKWPageControl::TabPosition::Bottom);
    QVERIFY(!w->FullScreen()->IsOn());
    QCOMPARE(TKWOptions().KWID().size(), 36);

    // An empty or blank "Start Page" is no home page either.
    TRegistry().writeString(IEMainKey, QStringLiteral("Start Page"), QStringLiteral("  "));
    QCOMPARE(w->HomePage(), QStringLiteral("about:blank"));
    TRegistry().writeString(IEMainKey, QStringLiteral("Start Page"), HomeUrl);
    QCOMPARE(w->HomePage(), HomeUrl);
}

void TestMainWindow::startupPages_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("startupPage");
    QTest::addColumn<QStringList>("last");        // stored "Last Open Sites" lines
    QTest::addColumn<bool>("foreground");         // OpenNewInForeground
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QStringList>("pages");       // per tab in strip order
    QTest::addColumn<int>("active");
    QTest::addColumn<QString>("firstLoad");       // per tab, "1" when the flag is set

    const QString once = QStringLiteral("http://once.test/");
    const QString arg = QStringLiteral("http://arg.test/");
    const QString blank = QStringLiteral("about:blank");
    const QStringList threeSites = {"url3=" + PageC, "url2=" + PageB, "url1=" + PageA};

    QTest::newRow("home") << "Home" << "" << QStringList() << false << "" << QStringList{HomeUrl} << 0 << "0";
    QTest::newRow("home and startup page") << "Home" << once << QStringList() << false << ""
                                           << QStringList{HomeUrl, once} << 0 << "01";
    QTest::newRow("last, three sites") << "Last" << "" << threeSites << false << ""
                                       << QStringList{PageA, PageB, PageC} << 0 << "111";
    QTest::newRow("last, in the foreground") << "Last" << "" << threeSites << true << ""
                                             << QStringList{PageA, PageB, PageC} << 2 << "111";
    QTest::newRow("last, gaps and odd names") << "Last" << "" << QStringList{"url9=" + PageC, "home=" + PageB, "url1=" + PageA}
                                              << false << "" << QStringList{PageA, PageB, PageC} << 0 << "111";
    QTest::newRow("last, no list") << "Last" << "" << QStringList() << false << "" << QStringList{blank} << 0 << "1";
    QTest::newRow("last and startup page") << "Last" << once << QStringList{"url2=" + PageB, "url1=" + PageA} << false << ""
                                           << QStringList{PageA, once, PageB} << 0 << "111";
    QTest::newRow("last and an argument") << "Last" << "" << QStringList{"url2=" + PageB, "url1=" + PageA} << false << arg
                                          << QStringList{arg, PageA, PageB} << 0 << "111";
    QTest::newRow("last and an argument, foreground") << "Last" << "" << QStringList{"url1=" + PageA} << true << arg
                                                      << QStringList{arg, PageA} << 0 << "11";
    QTest::newRow("home and an argument") << "Home" << "" << threeSites << false << arg << QStringList{arg} << 0 << "1";
    QTest::newRow("argument neither address nor file") << "Home" << "" << QStringList() << false << "no such thing"
                                                       << QStringList{"no such thing"} << 0 << "1";
    QTest::newRow("group mode without a group") << "VessaGroup" << "" << threeSites << false << ""
                                                << QStringList{blank} << 0 << "0";
}

void TestMainWindow::startupPages()
{
    QFETCH(QString, mode);
    QFETCH(QString, startupPage);
    QFETCH(QStringList, last);
    QFETCH(bool, foreground);
    QFETCH(QString, argument);
    QFETCH(QStringList, pages);
    QFETCH(int, active);
    QFETCH(QString, firstLoad);

    TKWOptions options;
    options.SetStartupMode(mode);
    options.SetStartupPage(startupPage);
    options.SetLastOpenSites(last);
    options.SetOpenNewInForeground(foreground);
    Window w = openWindow(argument);
    QTRY_VERIFY(!w->BandLayout()->DeferredLoadPending());

    QCOMPARE(lastNavigations(*w), pages);
    QCOMPARE(activeIndex(*w), active);
    QString flags;
    for (const TBrowserTab *tab : w->Tabs())
        flags += tab->FirstLoad ? QLatin1Char('1') : QLatin1Char('0');
    QCOMPARE(flags, firstLoad);
    QCOMPARE(options.StartupPage(), QString());
    // Start-up forces new tabs to the end; afterwards the stored placement applies again.
    QVERIFY(!w->TabManager()->PlacementAtEnd());
}

void TestMainWindow::startupGroups()
{
    const QString dir = QDir::tempPath() + QStringLiteral("/tst_mainwindow_groups");
    const QString group = dir + QStringLiteral("/start.vgp");
    writeFile(group, "[VessaGroup]\r\nblank1=" + PageA.toUtf8() + "\r\nblank2=" + PageB.toUtf8() + "\r\n");

    // The start-up group opens once the window exists, closing the other tabs first.
    TKWOptions options;
    options.SetStartupMode(QStringLiteral("VessaGroup"));
    options.SetStartupVessaGroup(group);
    options.SetStartupPage(QStringLiteral("http://once.test/"));
    {
        Window w = openWindow();
        QCOMPARE(w->TabCount(), 2);   // the first tab and the start-up page
        QTRY_COMPARE(lastNavigations(*w), (QStringList{PageA, PageB}));
    }

    // A group file as the argument, its extension in any case, opens at once with the
    // first-load flag on its tabs.
    const QString upper = dir + QStringLiteral("/START2.VGP");
    QFile::copy(group, upper);
    options.SetStartupMode(QStringLiteral("Home"));
    {
        Window w = openWindow(upper);
        QCOMPARE(lastNavigations(*w), (QStringList{PageA, PageB}));
        QVERIFY(w->TabAt(1)->FirstLoad);
    }
    QDir(dir).removeRecursively();
}

void TestMainWindow::placement_data()
{
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QRect>("expected");   // null: on the primary screen, size cut to it

    QTest::newRow("as stored") << 30 << 40 << 500 << 400 << QRect(30, 40, 500, 400);
    QTest::newRow("partly off the screen") << -100 << 20 << 500 << 400 << QRect(-100, 20, 500, 400);
    QTest::newRow("off every screen") << 50000 << 50000 << 500 << 400 << QRect(10, 10, 500, 400);
    QTest::newRow("far up and left") << -9000 << -9000 << 500 << 400 << QRect(10, 10, 500, 400);
    QTest::newRow("huge") << 0 << 0 << 1000000 << 1000000 << QRect();
    QTest::newRow("negative size") << 20 << 20 << -50 << -50 << QRect(20, 20, 200, 150);
}

void TestMainWindow::placement()
{
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QRect, expected);
    // Stored directly: the store itself never writes negative bounds.
    TKWOptions options;
    options.WriteInteger(QStringLiteral("Left"), left);
    options.WriteInteger(QStringLiteral("Top"), top);
    options.WriteInteger(QStringLiteral("Width"), width);
    options.WriteInteger(QStringLiteral("Height"), height);
    Window w = openWindow();
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    if (expected.isNull()) {
        QVERIFY(avail.contains(QRect(w->pos(), w->size())));
    } else {
        QCOMPARE(QRect(w->pos(), w->size()), expected);
    }
    w.reset();
    // Saved back as the store keeps bounds: never negative.
    QVERIFY(options.Left() >= 0 && options.Top() >= 0);
}

void TestMainWindow::fullScreenSaveAndRestore()
{
    TKWOptions options;
    options.SetLeft(30);
    options.SetTop(40);
    options.SetWidth(500);
    options.SetHeight(400);
    options.SetViewToolbar(false);
    Window w = openWindow();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    const QRect normal(w->pos(), w->size());
    const int toolBand = bandOf(*w, w->findChild<QWidget *>(QStringLiteral("pnlToolbar")));
    QVERIFY(!w->BandLayout()->CoolBar()->bandVisible(toolBand));

    w->Commands()->Action(QStringLiteral("pmViewFullScreen"))->trigger();
    QVERIFY(w->FullScreen()->IsOn());
    QTRY_VERIFY(w->isFullScreen());
    QVERIFY(!w->StatusArea()->Bar()->isVisible());
    QVERIFY(w->BandLayout()->CoolBar()->bandVisible(toolBand));     // the toolbar shows in full screen
    QVERIFY(!w->Commands()->Action(QStringLiteral("pmViewToolbar"))->isVisible());
    QVERIFY(w->Commands()->Action(QStringLiteral("pmViewMenuBar"))->isVisible());
    QVERIFY(w->ToolbarBand()->ButtonByName(QStringLiteral("tbFullScreen"))->isChecked());
    // The menu band can be hidden in full screen only.
    w->Commands()->Action(QStringLiteral("pmViewMenuBar"))->trigger();
    QVERIFY(!w->BandLayout()->CoolBar()->bandVisible(bandOf(*w, w->findChild<QWidget *>(QStringLiteral("pnlMenuBar")))));

    w->Commands()->Action(QStringLiteral("pmViewFullScreen"))->trigger();
    QVERIFY(!w->FullScreen()->IsOn());
    QTRY_VERIFY(!w->isFullScreen());
    QTRY_COMPARE(QRect(w->pos(), w->size()), normal);
    QVERIFY(w->StatusArea()->Bar()->isVisible());
    QVERIFY(!w->BandLayout()->CoolBar()->bandVisible(toolBand));
    QVERIFY(w->BandLayout()->CoolBar()->bandVisible(bandOf(*w, w->findChild<QWidget *>(QStringLiteral("pnlMenuBar")))));
    QVERIFY(w->Commands()->Action(QStringLiteral("pmViewToolbar"))->isVisible() && !w->Commands()->Action(QStringLiteral("pmViewMenuBar"))->isVisible());
    QVERIFY(!w->ToolbarBand()->ButtonByName(QStringLiteral("tbFullScreen"))->isChecked());

    // Every round trip brings the frame and the client area back where they were.
    const QRect frame = w->frameGeometry();
    const QRect client = w->geometry();
    for (int trip = 0; trip < 2; ++trip) {
        w->FullScreen()->Set(true);
        QTRY_VERIFY(w->isFullScreen());
        w->FullScreen()->Set(false);
        QTRY_VERIFY(!w->isFullScreen());
        QTRY_COMPARE(w->frameGeometry(), frame);
        QCOMPARE(w->geometry(), client);
    }

    // A maximised window is maximised again when full screen ends.
    w->showMaximized();
    QTRY_VERIFY(w->isMaximized());
    w->FullScreen()->Set(true);
    QTRY_VERIFY(w->isFullScreen());
    w->FullScreen()->Set(false);
    QTRY_VERIFY(w->isMaximized());
    QVERIFY(!w->isFullScreen());
}

void TestMainWindow::fullScreenAtStartKeepsStoredPlacement()
{
    TKWOptions options;
    options.SetLeft(30);
    options.SetTop(40);
    options.SetWidth(500);
    options.SetHeight(400);
    options.SetFullScreen(true);
    {
        Window w = openWindow();
        QVERIFY(w->FullScreen()->IsOn());
        w->show();
        QTRY_VERIFY(w->isFullScreen());
    }
    // Closed in full screen: the normal placement is stored, not the screen's.
    QCOMPARE(options.FullScreen(), true);
    QCOMPARE(QRect(options.Left(), options.Top(), options.Width(), options.Height()), QRect(30, 40, 500, 400));
    QVERIFY(!options.Maximized());

    Window w = openWindow();
    w->show();
    QTRY_VERIFY(w->isFullScreen());
    w->FullScreen()->Set(false);
    QTRY_COMPARE(QRect(w->pos(), w->size()), QRect(30, 40, 500, 400));
}

void TestMainWindow::closeQuestion()
{
    TKWOptions options;
    Window w = openWindow();
    w->SetCloseWithoutConfirmation(false);
    w->show();
    QVERIFY(options.ConfirmShutdown());

    // "No" with "Don't ask me again": the window stays, the question is switched off.
    answerConfirm(false, true);
    QVERIFY(!w->close());
    QVERIFY(allAnswered());
    QVERIFY(w->isVisible());
    QCOMPARE(w->TabCount(), 1);
    QVERIFY(!options.ConfirmShutdown());

    // Next time nothing is asked.
    QVERIFY(w->close());
    QVERIFY(!w->isVisible());

    // "Yes" closes; the unchecked box leaves the setting alone.
    options.SetConfirmShutdown(true);
    Window second = openWindow();
    second->SetCloseWithoutConfirmation(false);
    second->show();
    answerConfirm(true, false);
    QVERIFY(second->close());
    QVERIFY(allAnswered());
    QVERIFY(options.ConfirmShutdown());
}

void TestMainWindow::shutdownAndRestartWithLast()
{
    TKWOptions options;
    options.SetStartupMode(QStringLiteral("Last"));
    // Tokens of an older version and of the older product name go at start and exit.
    TRegistry hklm(RegRoot::LocalMachine);
    hklm.writeString(UserAgentPostPlatformKey, QStringLiteral("Tabvane 5.20"), QStringLiteral("IEAK"));
    hklm.writeString(UserAgentPostPlatformKey, QStringLiteral("TandemBrowse 2"), QStringLiteral("IEAK"));
    hklm.writeString(UserAgentPostPlatformKey, QStringLiteral("Other 1.0"), QStringLiteral("IEAK"));
    {
        Window w = openWindow();
        withPage(w->ActiveTab(), PageA);
        w->CreateForegroundTab();   // no address
        withPage(w->CreateForegroundTab(), PageC);
        withPage(w->CreateHiddenTab(), PageB);   // a popup waiting for the filter
        QCOMPARE(w->TabCount(), 4);
        w->AddressBar()->SetTypedAddresses({PageB, PageA});
        w->Commands()->Action(QStringLiteral("pmViewLinksBar"))->trigger();
        w->Commands()->Action(QStringLiteral("pmViewStatusBar"))->trigger();
        QVERIFY(w->close());
    }
    QCOMPARE(options.LastOpenSites(), (QStringList{"url3=" + PageC, "url1=" + PageA}));
    QCOMPARE(TTypedUrls::Load(), (QStringList{PageB, PageA}));
    QVERIFY(!options.ViewLinksBar());
    QVERIFY(!options.ViewStatusBar());
    QVERIFY(options.ViewToolbar());
    QCOMPARE(hklm.valueNames(UserAgentPostPlatformKey), QStringList{QStringLiteral("Other 1.0")});
    QVERIFY(QFile::exists(toolbarFile()));
    QCOMPARE(TRegistry().subKeyNames(BandsKey()).size(), 4);

    // The next start brings the two pages back in their order, the one that was active
    // active again, with the saved view.
    Window w = openWindow();
    QCOMPARE(lastNavigations(*w), (QStringList{PageA, PageC}));
    QCOMPARE(activeIndex(*w), 1);
    QCOMPARE(w->AddressBar()->TypedAddresses(), (QStringList{PageB, PageA}));
    QVERIFY(!w->BandLayout()->CoolBar()->bandVisible(bandOf(*w, w->findChild<QWidget *>(QStringLiteral("pnlLinks")))));
    QVERIFY(!w->StatusArea()->Bar()->isVisibleTo(w.get()));
    QVERIFY(hklm.valueExists(UserAgentPostPlatformKey, UserAgentTokenName));
}

void TestMainWindow::userAgentTokenWhileRunning()
{
    TRegistry hklm(RegRoot::LocalMachine);
    hklm.writeString(UserAgentPostPlatformKey, UserAgentTokenName, QString());   // empty: rewritten
    Window w = openWindow();
    QCOMPARE(hklm.readValue(UserAgentPostPlatformKey, UserAgentTokenName).text, QStringLiteral("IEAK"));
    w.reset();
    QVERIFY(!hklm.valueExists(UserAgentPostPlatformKey, UserAgentTokenName));
}

void TestMainWindow::damagedSettingsReadAsDefaults()
{
    // Values of the wrong type (as "tabvane-reg add ... /t REG_DWORD" writes them) cost one
    // message naming them, not the start: each reads as its default.
    TRegistry reg;
    reg.writeDword(TKWOptions::SettingsKey, QStringLiteral("ViewToolbar"), 0);
    reg.writeDword(TKWOptions::SettingsKey, QStringLiteral("StartupMode"), 1);
    reg.writeDword(TKWOptions::SettingsKey, QStringLiteral("ConfirmShutdown"), 0);
    collectMessages();
    Window w(new TfrmMain);
    QTRY_COMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages.first().contains(QLatin1String("Invalid data type for 'ViewToolbar'"))
                 && m_messages.first().contains(QLatin1String("Invalid data type for 'StartupMode'")),
             qPrintable(m_messages.first()));
    QVERIFY(w->BandLayout()->CoolBar()->bandVisible(bandOf(*w, w->findChild<QWidget *>(QStringLiteral("pnlToolbar")))));
    QCOMPARE(lastNavigations(*w), QStringList{HomeUrl});

    // A damaged value read later is told once too, and its default (ask) holds.
    answerConfirm(false, false);
    QVERIFY(!w->close());
    QTRY_COMPARE(m_messages.size(), 2);
    QVERIFY2(m_messages.last().contains(QLatin1String("Invalid data type for 'ConfirmShutdown'")),
             qPrintable(m_messages.last()));
    QVERIFY(allAnswered());
    answerConfirm(false, false);
    QVERIFY(!w->close());
    QVERIFY(allAnswered());
    QCOMPARE(m_messages.size(), 2);
    w->SetCloseWithoutConfirmation(true);
}

void TestMainWindow::shutdownFailuresNamedInOneMessage()
{
    Window w = openWindow();
    w->AddressBar()->SetTypedAddresses({PageA});
    // The hive cannot be written at shutdown (a folder stands where the file was).
    QTemporaryDir notAHive;
    TEnvOverride hive("TABVANE_REGISTRY", QFile::encodeName(notAHive.path()));
    collectMessages();
    w.reset();
    QCOMPARE(m_messages.size(), 1);
    const QString text = m_messages.first();
    QVERIFY2(text.startsWith(QLatin1String("Tabvane could not save: ")), qPrintable(text));
    for (const char *group : {"the open sites", "the options", "the window placement",
                              "the band layout", "the view settings", "the typed addresses"})
        QVERIFY2(text.contains(QLatin1String(group)), group);
    QVERIFY2(!text.contains(QLatin1String("the toolbar buttons")), qPrintable(text));
}

void TestMainWindow::settingsAppliedToTheRunningWindow()
{
    // A damaged value the window does not use is told, and kept as it is stored.
    TRegistry().writeDword(TKWOptions::SettingsKey, QStringLiteral("FlyswatEnabled"), 0);
    collectMessages();
    TKWOptions options;
    Window w = openWindow();
    QTRY_COMPARE(m_messages.size(), 1);
    const QRect placed(w->pos(), w->size());

    // The value holds what the window shows now.
    w->Commands()->Action(QStringLiteral("pmViewLinksBar"))->trigger();
    TWindowSettings s = w->Settings();
    QVERIFY(!s.viewLinksBar);
    QCOMPARE(s.bounds, placed);
    QVERIFY(s.tabsDown && !s.showGo && !s.openNewInForeground);

    s.tabsDown = false;
    s.showGo = true;
    s.limitTitleLength = 4;
    s.tabColorScheme = QStringLiteral("std");
    s.openNewInForeground = true;
    s.useCustomIcons = false;
    w->ApplySettings(s);
    QCOMPARE(w->TabManager()->PageControl()->GetTabPosition(), TKWPageControl::TabPosition::Top);
    QVERIFY(w->AddressBar()->GoButton()->isVisible());
    QCOMPARE(w->TitleLimit(), 4);
    QVERIFY(w->TabManager()->OpenNewInForeground());
    QCOMPARE(w->TabManager()->PageControl()->InactiveTabColor(), TKWPageControl::ColorFromBGR(TKWPageControl::clBtnFace));
    QVERIFY(!w->BandLayout()->CoolBar()->bandVisible(bandOf(*w, w->findChild<QWidget *>(QStringLiteral("pnlLinks")))));
    QCOMPARE(QRect(w->pos(), w->size()), placed);
    TBrowserTab *background = w->CreateBackgroundTab();
    QCOMPARE(w->ActiveTab(), background);   // opened in the foreground now

    // Written back at shutdown; what nobody changed is not written.
    w.reset();
    QVERIFY(!options.TabsDown());
    QVERIFY(options.ShowGo());
    QCOMPARE(options.LimitTitleLength(), 4);
    QCOMPARE(options.TabColorScheme(), QStringLiteral("std"));
    QVERIFY(options.OpenNewInForeground());
    QVERIFY(!options.UseCustomIcons());
    QVERIFY(!options.ViewLinksBar());
    QCOMPARE(TRegistry().readValue(TKWOptions::SettingsKey, QStringLiteral("FlyswatEnabled")).type, RegType::Dword);
    for (const char *name : {"MultipleLines", "FavoritesNewWin", "NewAction", "StartupMode"})
        QVERIFY2(!TRegistry().valueExists(TKWOptions::SettingsKey, QLatin1String(name)), name);
}

void TestMainWindow::typedAddressesNotReadAreNotWrittenOver()
{
    TTypedUrls::Save({PageA, PageB});
    collectMessages();
    Window w;
    {
        // The hive cannot be read while the window starts; it is back before it closes.
        QTemporaryDir notAHive;
        TEnvOverride hive("TABVANE_REGISTRY", QFile::encodeName(notAHive.path()));
        w = openWindow();
        QTRY_COMPARE(m_messages.size(), 1);
    }
    QVERIFY2(m_messages.first().contains(QLatin1String("typed addresses could not be read")),
             qPrintable(m_messages.first()));
    QVERIFY(w->AddressBar()->TypedAddresses().isEmpty());
    TScriptedControl *control = ctl(w->ActiveTab());
    w->AddressBar()->AddressBox()->setEditText(PageC);
    w->AddressBar()->cboAddressKeyDown(Qt::Key_Return, Qt::NoModifier);
    control->fireBeforeNavigate2(control->Application(), PageC);
    QCOMPARE(w->AddressBar()->TypedAddresses(), QStringList{PageC});
    w.reset();
    QCOMPARE(TTypedUrls::Load(), (QStringList{PageA, PageB}));
    QCOMPARE(m_messages.size(), 1);
}

void TestMainWindow::wakeUpListenerFailureIsReported()
{
    // A socket path longer than the system allows: the window cannot listen for later starts.
    QTemporaryDir root;
    const QString deep = root.path() + QLatin1Char('/') + QString(120, QLatin1Char('r'));
    QVERIFY(QDir().mkpath(deep));
    TEnvOverride runtime("XDG_RUNTIME_DIR", QFile::encodeName(deep));
    collectMessages();
    Window w = openWindow();
    QTRY_COMPARE(m_messages.size(), 1);
    QVERIFY2(m_messages.first().contains(QLatin1String("cannot be reached by later starts")),
             qPrintable(m_messages.first()));
}

void TestMainWindow::creatingTabs()
{
    Window w = openWindow();
    TBrowserTab *first = w->ActiveTab();
    TBrowserTab *second = w->CreateForegroundTab();
    QCOMPARE(w->ActiveTab(), second);
    w->ActivateTab(first);

    // Right after the active tab; a background tab leaves the active one active.
    TBrowserTab *background = w->CreateBackgroundTab();
    QCOMPARE(w->Tabs(), (QList<TBrowserTab *>{first, background, second}));
    QCOMPARE(w->ActiveTab(), first);
    TBrowserTab *hidden = w->CreateHiddenTab();
    QVERIFY(!hidden->TabVisible());
    QCOMPARE(w->ActiveTab(), first);

    // A tab opened behind leaves the active tab's progress alone.
    w->StatusArea()->ShowProgressBar();
    w->StatusArea()->ShowProgress(40, 100);
    w->CreateBackgroundTab();
    QVERIFY(w->StatusArea()->ProgressBar()->isVisibleTo(w.get()));
    QCOMPARE(w->StatusArea()->Bar()->PanelText(3), QStringLiteral("40%"));

    w->TabManager()->SetPlacementAtEnd(true);
    TBrowserTab *atEnd = w->CreateForegroundTab();
    QCOMPARE(w->Tabs().last(), atEnd);

    // In the foreground when the option says so.
    w->TabManager()->SetOpenNewInForeground(true);
    TBrowserTab *front = w->CreateBackgroundTab();
    QCOMPARE(w->ActiveTab(), front);
}

void TestMainWindow::closeOneTab()
{
    Window w = openWindow();
    TBrowserTab *a = w->ActiveTab();
    w->TabManager()->SetPlacementAtEnd(true);
    TBrowserTab *b = w->CreateForegroundTab();
    TBrowserTab *c = w->CreateForegroundTab();

    // The leftmost active tab hands over to its right neighbour, any other to its left one.
    w->ActivateTab(a);
    w->actCloseExecute();
    QCOMPARE(w->Tabs(), (QList<TBrowserTab *>{b, c}));
    QCOMPARE(w->ActiveTab(), b);
    TBrowserTab *d = w->CreateForegroundTab();
    w->ActivateTab(c);
    w->actCloseExecute();
    QCOMPARE(w->ActiveTab(), b);
    w->CloseTab(d);
    QCOMPARE(w->Tabs(), QList<TBrowserTab *>{b});

    // The last tab is reset instead, also while a hidden tab waits for the filter.
    b->OpenAsHome(PageA);
    b->SetStickyName(QStringLiteral("Mine"));
    b->SetLocked(true);
    b->HideFromCloseAll = true;
    TBrowserTab *hidden = w->CreateHiddenTab();
    w->actCloseExecute();
    QCOMPARE(w->ActiveTab(), b);
    QVERIFY(b->TabVisible() && !b->IsClosing());
    QCOMPARE(lastNavigation(b), QStringLiteral("about:blank"));
    QCOMPARE(b->Caption(), QStringLiteral("Blank"));
    QVERIFY(b->HomeURL.isEmpty() && b->StickyName.isEmpty() && !b->Locked && !b->HideFromCloseAll);
    QVERIFY(!hidden->IsClosing());

    // Nothing closes while a group loads.
    TBrowserTab *e = w->CreateForegroundTab();
    w->TabManager()->SetGroupLoading(true);
    w->actCloseExecute();
    QVERIFY(!e->IsClosing());
    w->TabManager()->SetGroupLoading(false);
}

void TestMainWindow::closeAll()
{
    TKWOptions().SetConfirmCloseAll(false);
    Window w = openWindow();
    w->TabManager()->SetPlacementAtEnd(true);
    TBrowserTab *first = w->ActiveTab();
    first->OpenAsHome(PageA);
    first->SetStickyName(QStringLiteral("Sticky"));
    first->SetLocked(true);
    TBrowserTab *locked = w->CreateForegroundTab();
    locked->SetLocked(true);
    w->CreateHiddenTab();
    w->CreateForegroundTab();

    // No mark: the first tab stays, reset, and every other one goes, locked or hidden.
    w->CloseAll(false);
    QCOMPARE(w->Tabs(), QList<TBrowserTab *>{first});
    QCOMPARE(w->ActiveTab(), first);
    QCOMPARE(lastNavigation(first), QStringLiteral("about:blank"));
    QCOMPARE(first->Caption(), QStringLiteral("Blank"));
    QVERIFY(!first->Locked && first->StickyName.isEmpty());
    QCOMPARE(first->HomeURL, PageA);

    // The third of four is marked: it alone stays, active.
    TBrowserTab *b = w->CreateForegroundTab();
    TBrowserTab *marked = w->CreateForegroundTab();
    w->CreateForegroundTab();
    marked->HideFromCloseAll = true;
    Q_UNUSED(b)
    w->CloseAll(false);
    QCOMPARE(w->Tabs(), QList<TBrowserTab *>{marked});
    QCOMPARE(w->ActiveTab(), marked);
    QVERIFY(marked->HideFromCloseAll);

    // Nothing happens while a group loads.
    w->CreateForegroundTab();
    marked->HideFromCloseAll = false;
    w->TabManager()->SetGroupLoading(true);
    w->CloseAll(false);
    QCOMPARE(w->TabCount(), 2);
    w->TabManager()->SetGroupLoading(false);
}

void TestMainWindow::closeAllConfirmation()
{
    TKWOptions options;
    Window w = openWindow();
    w->CreateForegroundTab();
    w->CreateForegroundTab();

    // "No" with "Don't ask me again": nothing closes, and the next Close All does not ask.
    answerConfirm(false, true);
    w->CloseAll(false);
    QVERIFY(allAnswered());
    QCOMPARE(w->TabCount(), 3);
    QVERIFY(!options.ConfirmCloseAll());
    w->CloseAll(false);
    QCOMPARE(w->TabCount(), 1);

    // Silent Close All never asks.
    options.SetConfirmCloseAll(true);
    w->CreateForegroundTab();
    w->CloseAll(true);
    QCOMPARE(w->TabCount(), 1);

    // "Yes" closes and keeps asking.
    w->CreateForegroundTab();
    answerConfirm(true, false);
    w->findChild<QToolButton *>(QStringLiteral("tbCloseAll"))->click();
    QVERIFY(allAnswered());
    QCOMPARE(w->TabCount(), 1);
    QVERIFY(options.ConfirmCloseAll());
}

void TestMainWindow::closeAllKeepCurrent()
{
    TKWOptions().SetConfirmCloseAll(false);
    Window w = openWindow();
    w->CreateForegroundTab();
    TBrowserTab *current = w->CreateForegroundTab();
    w->CreateForegroundTab();
    w->ActivateTab(current);
    w->TabManager()->CloseAllKeepCurrent();
    QCOMPARE(w->Tabs(), QList<TBrowserTab *>{current});
    QCOMPARE(w->ActiveTab(), current);
    QVERIFY(!current->HideFromCloseAll);

    // A marked tab elsewhere survives too; the current tab is active again afterwards.
    TBrowserTab *marked = w->CreateForegroundTab();
    marked->HideFromCloseAll = true;
    w->CreateForegroundTab();
    w->ActivateTab(current);
    w->TabManager()->CloseAllKeepCurrent();
    QCOMPARE(w->TabCount(), 2);
    QCOMPARE(w->ActiveTab(), current);
    QVERIFY(marked->HideFromCloseAll && !current->HideFromCloseAll);
}

void TestMainWindow::closeAllShowList()
{
    Window w = openWindow();
    w->TabManager()->SetPlacementAtEnd(true);
    TBrowserTab *a = w->ActiveTab();
    a->SetTitle(QStringLiteral("Fish & Chips"));
    TBrowserTab *b = w->CreateForegroundTab();
    b->SetStickyName(QStringLiteral("Named"));
    b->HideFromCloseAll = true;   // no protection in the list
    TBrowserTab *c = w->CreateForegroundTab();
    c->SetTitle(QStringLiteral("Third"));

    // Lines in strip order; the second and third stay checked.
    QStringList lines;
    whenModal<TfrmCloseAll>([&lines](TfrmCloseAll *d) {
        for (int i = 0; i < d->lstTabs->count(); ++i)
            lines.append(d->lstTabs->item(i)->text());
        d->lstTabs->item(0)->setCheckState(Qt::Unchecked);
        d->cmdClose->click();
    });
    w->TabManager()->CloseAllShowList();
    QVERIFY(allAnswered());
    QCOMPARE(lines, (QStringList{QStringLiteral("Fish & Chips"), QStringLiteral("Named"), QStringLiteral("Third")}));
    QCOMPARE(w->Tabs(), QList<TBrowserTab *>{a});

    // Cancel closes nothing; all lines checked with OK closes all and resets the last.
    w->CreateForegroundTab();
    whenModal<TfrmCloseAll>([](TfrmCloseAll *d) { d->cmdCancel->click(); });
    w->TabManager()->CloseAllShowList();
    QCOMPARE(w->TabCount(), 2);
    whenModal<TfrmCloseAll>([](TfrmCloseAll *d) {
        d->cmdDeselectAll->click();
        d->cmdSelectAll->click();
        d->cmdClose->click();
    });
    w->TabManager()->CloseAllShowList();
    QVERIFY(allAnswered());
    QCOMPARE(w->TabCount(), 1);
    QCOMPARE(w->ActiveTab()->Caption(), QStringLiteral("Blank"));
}

void TestMainWindow::hiddenTabSweep()
{
    Window w = openWindow();
    QPointer<TBrowserTab> hidden = w->CreateHiddenTab();
    QVERIFY(!w->TabManager()->HiddenTabTimer()->isActive());
    QVERIFY(w->TabManager()->HiddenTabTimer()->isSingleShot());
    QCOMPARE(w->TabManager()->HiddenTabTimer()->interval(), 2000);
    w->TabManager()->StartHiddenTabTimer();
    QTRY_VERIFY_WITH_TIMEOUT(!hidden, 10000);
    QCOMPARE(w->TabCount(), 1);
    QVERIFY(!w->TabManager()->HiddenTabTimer()->isActive());
}

void TestMainWindow::newCommands()
{
    TKWOptions options;
    Window w = openWindow();
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    TBrowserTab *first = withPage(w->ActiveTab(), PageA);

    w->actNewExecute();   // NewAction 0, and the address box takes the focus
    QCOMPARE(lastNavigation(w->ActiveTab()), QStringLiteral("about:blank"));
    QCOMPARE(w->Tabs().indexOf(w->ActiveTab()), 1);
    QTRY_VERIFY(w->AddressBar()->AddressBox()->hasFocus());

    w->ActivateTab(first);
    w->actNewCurrentExecute();
    QCOMPARE(lastNavigation(w->ActiveTab()), PageA);
    QCOMPARE(w->ActiveTab()->HomeURL, PageA);
    w->actNewHomeExecute();
    QCOMPARE(lastNavigation(w->ActiveTab()), HomeUrl);
    w->actNewBlankExecute();
    QCOMPARE(lastNavigation(w->ActiveTab()), QStringLiteral("about:blank"));
    w.reset();

    // NewAction 1 copies the active tab's address without making it the tab home; 2 goes home.
    options.SetNewAction(1);
    w = openWindow();
    withPage(w->ActiveTab(), PageB);
    w->actNewExecute();
    QCOMPARE(lastNavigation(w->ActiveTab()), PageB);
    QVERIFY(w->ActiveTab()->HomeURL.isEmpty());
    w.reset();
    options.SetNewAction(2);
    w = openWindow();
    w->actNewExecute();
    QCOMPARE(lastNavigation(w->ActiveTab()), HomeUrl);

    // New Clipboard: enabled with text only; an idle blank tab is reused.
    QGuiApplication::clipboard()->clear();
    emit w->Menus()->NewMenu()->aboutToShow();
    QVERIFY(!w->Commands()->Action(QStringLiteral("pmNewClipboard"))->isEnabled());
    QGuiApplication::clipboard()->setText(QStringLiteral("  ") + PageC + QStringLiteral("\n"));
    emit w->Menus()->NewMenu()->aboutToShow();
    QVERIFY(w->Commands()->Action(QStringLiteral("pmNewClipboard"))->isEnabled());
    TBrowserTab *blank = withPage(w->ActiveTab(), QStringLiteral("about:blank"));
    const int count = w->TabCount();
    w->actNewClipboardExecute();
    QCOMPARE(w->TabCount(), count);
    QCOMPARE(lastNavigation(blank), PageC);
    QCOMPARE(blank->HomeURL, PageC);
    withPage(blank, PageC);
    w->actNewClipboardExecute();
    QCOMPARE(w->TabCount(), count + 1);
    QCOMPARE(w->ActiveTab()->HomeURL, PageC);
    // A busy blank tab is not taken.
    TBrowserTab *busy = withPage(w->ActiveTab(), QStringLiteral("about:blank"));
    busy->Loading = true;
    w->OpenUrlByPreference(PageA, true);
    QCOMPARE(w->TabCount(), count + 2);
    // Without the new-tab preference the active tab navigates and keeps its tab home.
    TBrowserTab *active = w->ActiveTab();
    w->OpenUrlByPreference(PageB, false);
    QCOMPARE(lastNavigation(active), PageB);
    QCOMPARE(active->HomeURL, PageA);
    w->OpenUrlByPreference(QString(), true);
    QCOMPARE(w->TabCount(), count + 2);
}

void TestMainWindow::tabChange()
{
    Window w = openWindow();
    TBrowserTab *a = w->ActiveTab();
    ctl(a)->simulateLoad(PageA, {}, QStringLiteral("A"));
    QCOMPARE(w->AddressBar()->AddressBox()->currentText(), PageA);
    TBrowserTab *b = w->CreateBackgroundTab();
    ctl(b)->setLocationURL(QStringLiteral("about:blank"));
    b->CanGoBack = true;
    b->Secure = true;

    w->StatusArea()->ShowStatusText(QStringLiteral("status"));
    w->StatusArea()->ShowProgressBar();
    w->StatusArea()->ShowProgress(50, 100);
    w->TabManager()->SelectNextTab(true);
    QCOMPARE(w->ActiveTab(), b);
    QCOMPARE(w->AddressBar()->AddressBox()->currentText(), QString());   // about:blank shows as nothing
    QCOMPARE(w->StatusArea()->Bar()->PanelText(0), QString());
    QCOMPARE(w->StatusArea()->Bar()->PanelText(3), QString());
    QVERIFY(!w->StatusArea()->ProgressBar()->isVisibleTo(w.get()));
    QVERIFY(w->Commands()->Action(QStringLiteral("actBack"))->isEnabled() && !w->Commands()->Action(QStringLiteral("actForward"))->isEnabled());
    QVERIFY(w->StatusArea()->SecureIcon()->isVisibleTo(w.get()));
    QVERIFY(b->Viewed);

    // A busy tab keeps its unseen mark; the logo runs while the active tab loads.
    b->Loading = true;
    w->TabManager()->SelectNextTab(true);
    QCOMPARE(w->ActiveTab(), a);
    QVERIFY(!w->StatusArea()->Logo()->Active());
    QVERIFY(!w->StatusArea()->SecureIcon()->isVisibleTo(w.get()));
    b->Viewed = false;
    w->TabManager()->SelectNextTab(false);
    QVERIFY(!b->Viewed);
    QVERIFY(w->StatusArea()->Logo()->Active());

    // Selecting wraps around and skips hidden tabs.
    w->CreateHiddenTab();
    w->ActivateTab(a);
    w->TabManager()->SelectNextTab(false);
    QCOMPARE(w->ActiveTab(), b);
}

void TestMainWindow::tabsMenu()
{
    Window w = openWindow();
    w->TabManager()->SetPlacementAtEnd(true);
    TBrowserTab *first = w->ActiveTab();
    first->SetTitle(QStringLiteral("about:blank"));
    for (int i = 2; i <= 12; ++i)
        w->CreateForegroundTab()->SetTitle(QStringLiteral("Page %1").arg(i));
    w->TabAt(1)->SetStickyName(QStringLiteral("R&D"));
    withPage(w->TabAt(2), PageC);
    w->CreateHiddenTab();   // closed before the menu is built

    emit w->TabMenu()->TabsMenu()->aboutToShow();
    const QList<QAction *> items = w->TabMenu()->TabsMenu()->actions();
    QCOMPARE(items.size(), 12);
    QCOMPARE(w->TabCount(), 12);
    QCOMPARE(items.at(0)->text(), QStringLiteral("&1    Blank"));
    QCOMPARE(items.at(1)->text(), QStringLiteral("&2    R&&D"));
    QCOMPARE(items.at(8)->text(), QStringLiteral("&9    Page 9"));
    QCOMPARE(items.at(9)->text(), QStringLiteral("      Page 10"));
    QCOMPARE(items.at(11)->text(), QStringLiteral("      Page 12"));
    QCOMPARE(items.at(2)->statusTip(), PageC);

    items.at(10)->trigger();
    QCOMPARE(w->ActiveTab(), w->TabAt(10));

    // Rebuilt from scratch each time; an item whose tab is gone does nothing.
    QPointer<QAction> stale = items.at(11);
    w->CloseTab(w->TabAt(11));
    emit w->TabMenu()->TabsMenu()->aboutToShow();
    QCOMPARE(w->TabMenu()->TabsMenu()->actions().size(), 11);
    QVERIFY(!stale);
}

void TestMainWindow::tabContextMenu()
{
    Window w = openWindow();
    QAction *stickyName = w->Commands()->Action(QStringLiteral("pmTabStickyName"));
    QAction *home = w->Commands()->Action(QStringLiteral("pmTabHome"));
    QAction *locked = w->Commands()->Action(QStringLiteral("pmTabLocked"));
    QAction *hideFromCloseAll = w->Commands()->Action(QStringLiteral("pmTabHideFromCloseAll"));
    TBrowserTab *a = w->ActiveTab();
    TBrowserTab *b = w->CreateBackgroundTab();
    // What the strip reports for a right click on a tab header (-1: off the headers).
    const auto rightClick = [&](int tab) {
        emit w->TabManager()->PageControl()->TabRightButtonDown(tab);
        emit w->TabManager()->PageControl()->TabContextMenu(tab, w->mapToGlobal(QPoint(20, 20)));
        w->TabMenu()->Menu()->hide();
    };

    b->HomeURL = PageB;
    b->SetStickyName(QStringLiteral("Bee"));
    rightClick(1);
    QCOMPARE(w->TabMenu()->TabTarget(), b);
    QCOMPARE(stickyName->text(), QStringLiteral("Clear Sticky Name"));
    QVERIFY(home->isEnabled());
    QVERIFY(!locked->isChecked() && !hideFromCloseAll->isChecked());

    locked->trigger();
    QVERIFY(b->Locked);
    hideFromCloseAll->trigger();
    QVERIFY(b->HideFromCloseAll);
    stickyName->trigger();   // clears it
    QVERIFY(b->StickyName.isEmpty());
    w->TabMenu()->pmTabHomeClick();
    QCOMPARE(lastNavigation(b), PageB);
    QCOMPARE(w->ActiveTab(), a);

    rightClick(0);
    QCOMPARE(w->TabMenu()->TabTarget(), a);
    QCOMPARE(stickyName->text(), QStringLiteral("Set Sticky Name"));
    QVERIFY(!home->isEnabled());
    QVERIFY(!locked->isChecked());
    whenModal<QInputDialog>([](QInputDialog *d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("Set Sticky Name"));
        QCOMPARE(d->labelText(), QStringLiteral("Enter a StickyName for the selected tab:"));
        d->setTextValue(QStringLiteral("Mine"));
        d->accept();
    });
    stickyName->trigger();
    QVERIFY(allAnswered());
    QCOMPARE(a->StickyName, QStringLiteral("Mine"));

    // The tab menu's Close closes the target, not the active tab.
    w->TabMenu()->pmTabCloseClick();
    QCOMPARE(w->Tabs(), QList<TBrowserTab *>{b});

    // Off the tabs there is no target: the commands do nothing.
    rightClick(-1);
    QVERIFY(!w->TabMenu()->TabTarget());
    w->TabMenu()->pmTabCloseClick();
    w->TabMenu()->pmTabLockedClick();
    QCOMPARE(w->TabCount(), 1);
}

void TestMainWindow::tabMenuWithTabsOnTop()
{
    TKWOptions().SetTabsDown(false);
    Window w = openWindow();
    QCOMPARE(w->TabManager()->PageControl()->GetTabPosition(), TKWPageControl::TabPosition::Top);
    const QList<QAction *> items = w->TabMenu()->Menu()->actions();
    QVERIFY(items.size() > 4);
    QCOMPARE(items.at(0)->objectName(), QStringLiteral("pmTabClose"));
    QCOMPARE(items.at(1)->menu() ? items.at(1)->menu()->objectName() : QString(), QStringLiteral("pmTabCloseAll"));
    QCOMPARE(items.at(2), w->Commands()->Action(QStringLiteral("pmTabHideFromCloseAll")));
    QVERIFY(items.at(3)->isSeparator());
    QVERIFY(!items.last()->isSeparator());
    for (int i = 1; i < items.size(); ++i)
        QVERIFY2(!(items.at(i)->isSeparator() && items.at(i - 1)->isSeparator()), "two separators in a row");
}

void TestMainWindow::drops()
{
    Window w = openWindow();
    TBrowserTab *a = w->ActiveTab();
    TBrowserTab *b = w->CreateBackgroundTab();
    const QStringList aBefore = ctl(a)->navigations();

    // On the active tab: a new background tab whose home is the address.
    emit w->TabManager()->PageControl()->TextDropped(0, QStringLiteral("  ") + PageA + QStringLiteral("\n"));
    QCOMPARE(w->TabCount(), 3);
    QCOMPARE(w->ActiveTab(), a);
    TBrowserTab *fresh = w->TabAt(1);
    QCOMPARE(lastNavigation(fresh), PageA);
    QCOMPARE(fresh->HomeURL, PageA);

    // On another tab: that tab navigates and keeps its tab home.
    b->HomeURL = PageC;
    emit w->TabManager()->PageControl()->TextDropped(2, PageB);
    QCOMPARE(lastNavigation(b), PageB);
    QCOMPARE(b->HomeURL, PageC);

    // An Internet shortcut file gives its address; one without an address opens nothing.
    const QString dir = QDir::tempPath() + QStringLiteral("/tst_mainwindow_drops");
    writeFile(dir + QStringLiteral("/Link.URL"), "[InternetShortcut]\r\nURL = " + PageC.toUtf8() + " \r\n");
    writeFile(dir + QStringLiteral("/Empty.url"), "[InternetShortcut]\r\nIconIndex=0\r\n");
    emit w->TabManager()->PageControl()->TextDropped(2, dir + QStringLiteral("/Link.URL"));
    QCOMPARE(lastNavigation(b), PageC);
    emit w->TabManager()->PageControl()->TextDropped(2, dir + QStringLiteral("/Empty.url"));
    QCOMPARE(lastNavigation(b), PageC);
    QDir(dir).removeRecursively();

    // Off the tab headers, or nothing but blanks: nothing happens.
    emit w->TabManager()->PageControl()->TextDropped(-1, PageB);
    emit w->TabManager()->PageControl()->TextDropped(0, QStringLiteral("   "));
    QCOMPARE(w->TabCount(), 3);
    QCOMPARE(ctl(a)->navigations(), aBefore);
}

void TestMainWindow::domainCompletionAndEnter()
{
    TKWOptions options;
    options.SetCtrlPost(QStringLiteral(".co.uk"));
    options.SetShiftPre(QString());
    options.SetShiftPost(QString());
    Window w = openWindow();
    TScriptedControl *control = ctl(w->ActiveTab());
    const auto enter = [&](const QString &text, Qt::KeyboardModifiers mods) -> QString {
        w->AddressBar()->AddressBox()->setEditText(text);
        if (!w->AddressBar()->cboAddressKeyDown(Qt::Key_Return, mods))
            return QStringLiteral("(Enter not consumed)");
        return lastNavigation(w->ActiveTab());
    };
    QCOMPARE(enter(QStringLiteral("word"), Qt::NoModifier), QStringLiteral("word"));
    QCOMPARE(enter(QStringLiteral("word"), Qt::ControlModifier), QStringLiteral("http://www.word.co.uk"));
    QCOMPARE(enter(QStringLiteral("word.co.uk/"), Qt::ControlModifier), QStringLiteral("http://www.word.co.uk/"));
    QCOMPARE(enter(QStringLiteral("www.word.com"), Qt::ControlModifier), QStringLiteral("http://www.www.word.com"));
    QCOMPARE(enter(QStringLiteral("word"), Qt::ShiftModifier), QStringLiteral("word"));   // both halves empty
    QCOMPARE(enter(QStringLiteral("word.org/"), Qt::ControlModifier | Qt::ShiftModifier), QStringLiteral("http://www.word.org/"));
    QCOMPARE(enter(QStringLiteral("word"), Qt::ControlModifier | Qt::ShiftModifier), QStringLiteral("http://www.word.org"));
    QCOMPARE(w->AddressBar()->AddressBox()->currentText(), QStringLiteral("http://www.word.org"));
    // The page gets the focus for the load.
    QVERIFY(control->count(QStringLiteral("UIActivate")) > 0);
    QVERIFY(w->ActiveTab()->FocusOnLoad);

    // Modifier keys alone are swallowed; other keys go on to the box.
    QVERIFY(w->AddressBar()->cboAddressKeyDown(Qt::Key_Control, Qt::ControlModifier));
    QVERIFY(!w->AddressBar()->cboAddressKeyDown(Qt::Key_A, Qt::NoModifier));

    // Through the keyboard: Ctrl+Enter in the box's edit field.
    w->AddressBar()->AddressBox()->setEditText(QStringLiteral("typed"));
    QTest::keyClick(w->AddressBar()->AddressBox()->lineEdit(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(lastNavigation(w->ActiveTab()), QStringLiteral("http://www.typed.co.uk"));

    // Go, and an empty box does nothing.
    w->AddressBar()->ShowGoButton(true);
    QVERIFY(w->AddressBar()->GoButton()->isVisible());
    const int before = control->navigations().size();
    w->AddressBar()->AddressBox()->setEditText(QString());
    w->AddressBar()->GoButton()->trigger();
    w->AddressBar()->cboAddressKeyDown(Qt::Key_Enter, Qt::NoModifier);
    QCOMPARE(control->navigations().size(), before);
    w->AddressBar()->AddressBox()->setEditText(PageA);
    w->AddressBar()->GoButton()->trigger();
    QCOMPARE(lastNavigation(w->ActiveTab()), PageA);
}

void TestMainWindow::typedFlagEndsWithItsNavigation()
{
    Window w = openWindow();
    TBrowserTab *tab = w->ActiveTab();
    TScriptedControl *control = ctl(tab);
    const QString link = QStringLiteral("http://link.test/");
    const auto type = [&](const QString &text) {
        w->AddressBar()->AddressBox()->setEditText(text);
        w->AddressBar()->cboAddressKeyDown(Qt::Key_Return, Qt::NoModifier);
    };

    // A locked tab sends the typed address to a new tab; the next link the locked tab's
    // page follows was not typed.
    tab->SetLocked(true);
    type(PageA);
    control->fireBeforeNavigate2(control->Application(), PageA);
    QCOMPARE(w->TabCount(), 2);
    QCOMPARE(w->ActiveTab(), tab);
    tab->SetLocked(false);
    control->fireBeforeNavigate2(control->Application(), link);
    QVERIFY2(w->AddressBar()->TypedAddresses().isEmpty(), qPrintable(w->AddressBar()->TypedAddresses().join(' ')));

    // A "javascript:" address runs in the page; it is no navigation to record, and neither
    // is the link after it.
    type(QStringLiteral("javascript:void(0)"));
    control->fireBeforeNavigate2(control->Application(), QStringLiteral("javascript:void(0)"));
    control->fireBeforeNavigate2(control->Application(), link);
    QVERIFY2(w->AddressBar()->TypedAddresses().isEmpty(), qPrintable(w->AddressBar()->TypedAddresses().join(' ')));

    // A typed address whose navigation another tab's navigation overtakes: only the tab it
    // went to records it.
    type(PageB);
    TBrowserTab *other = w->CreateForegroundTab();
    ctl(other)->fireBeforeNavigate2(ctl(other)->Application(), link);
    QVERIFY(w->AddressBar()->TypedAddresses().isEmpty());
    w->ActivateTab(tab);
    control->fireBeforeNavigate2(control->Application(), PageB);
    QCOMPARE(w->AddressBar()->TypedAddresses(), QStringList{PageB});
}

void TestMainWindow::typedAddresses()
{
    // url1, url2 and url4: the gap ends the list.
    TRegistry reg;
    reg.writeString(TTypedUrls::Key, QStringLiteral("url1"), PageA);
    reg.writeString(TTypedUrls::Key, QStringLiteral("url2"), PageB);
    reg.writeString(TTypedUrls::Key, QStringLiteral("url4"), PageC);
    Window w = openWindow();
    QCOMPARE(w->AddressBar()->TypedAddresses(), (QStringList{PageA, PageB}));
    TScriptedControl *control = ctl(w->ActiveTab());
    const auto confirm = [&](const QString &text) {
        w->AddressBar()->AddressBox()->setEditText(text);
        w->AddressBar()->cboAddressKeyDown(Qt::Key_Return, Qt::NoModifier);
        control->fireBeforeNavigate2(control->Application(), text);
    };

    // A navigation the user did not type stays out, a typed one goes to the top.
    control->fireBeforeNavigate2(control->Application(), PageC);
    QCOMPARE(w->AddressBar()->TypedAddresses(), (QStringList{PageA, PageB}));
    confirm(PageC);
    QCOMPARE(w->AddressBar()->TypedAddresses(), (QStringList{PageC, PageA, PageB}));
    // Typed again: moved up, not doubled. Frames never count.
    confirm(PageB);
    QCOMPARE(w->AddressBar()->TypedAddresses(), (QStringList{PageB, PageC, PageA}));
    w->AddressBar()->AddressBox()->setEditText(QStringLiteral("frame"));
    w->AddressBar()->cboAddressKeyDown(Qt::Key_Return, Qt::NoModifier);
    control->fireBeforeNavigate2(TScriptedControl::subFrame(1), QStringLiteral("http://frame.test/"));
    control->fireBeforeNavigate2(control->Application(), QStringLiteral("http://frame.test/"));
    QCOMPARE(w->AddressBar()->TypedAddresses().first(), QStringLiteral("http://frame.test/"));

    // Enter on an empty box leaves no flag behind for the next link.
    w->AddressBar()->AddressBox()->setEditText(QString());
    w->AddressBar()->cboAddressKeyDown(Qt::Key_Return, Qt::NoModifier);
    control->fireBeforeNavigate2(control->Application(), QStringLiteral("http://link.test/"));
    QVERIFY(!w->AddressBar()->TypedAddresses().contains(QStringLiteral("http://link.test/")));

    // Choosing an entry navigates at once and keeps its place.
    const QStringList before = w->AddressBar()->TypedAddresses();
    w->AddressBar()->AddressBox()->setCurrentIndex(2);
    emit w->AddressBar()->AddressBox()->activated(2);
    QCOMPARE(lastNavigation(w->ActiveTab()), before.at(2));
    control->fireBeforeNavigate2(control->Application(), before.at(2));
    QCOMPARE(w->AddressBar()->TypedAddresses(), before);

    // At most 25: the 26th distinct address drops the oldest.
    for (int i = 0; i < 30; ++i)
        confirm(QStringLiteral("http://%1.test/").arg(i));
    QCOMPARE(w->AddressBar()->TypedAddresses().size(), 25);
    QCOMPARE(w->AddressBar()->TypedAddresses().first(), QStringLiteral("http://29.test/"));
    QCOMPARE(w->AddressBar()->TypedAddresses().last(), QStringLiteral("http://5.test/"));

    // The box shows the address of the load, nothing for about:blank.
    w->AddressBar()->ShowAddress(QStringLiteral("about:blank"));
    QCOMPARE(w->AddressBar()->AddressBox()->currentText(), QString());
    const QStringList saved = w->AddressBar()->TypedAddresses();
    w.reset();
    QCOMPARE(TTypedUrls::Load(), saved);
}

void TestMainWindow::addressNewWin()
{
    TKWOptions().SetAddressNewWin(true);
    Window w = openWindow();
    w->AddressBar()->SetTypedAddresses({PageA, PageB});
    w->AddressBar()->AddressBox()->setEditText(PageC);
    w->AddressBar()->cboAddressKeyDown(Qt::Key_Return, Qt::NoModifier);
    QCOMPARE(w->TabCount(), 2);
    QCOMPARE(lastNavigation(w->ActiveTab()), PageC);
    w->AddressBar()->AddressBox()->setCurrentIndex(1);
    emit w->AddressBar()->AddressBox()->activated(1);
    QCOMPARE(w->TabCount(), 3);
    QCOMPARE(lastNavigation(w->ActiveTab()), PageB);
}

void TestMainWindow::addressSettingsWrittenBackAtShutdown()
{
    // The address bar keeps the values read at start and writes them back at shutdown,
    // over whatever the store holds by then. All four differ from their defaults.
    TKWOptions options;
    options.SetShowGo(true);
    options.SetAddressNewWin(true);
    options.SetCBAutoExpand(false);
    options.SetAutoCompleteStyle(TAutoCompleteStyle::IE4);
    Window w = openWindow();
    QVERIFY(w->AddressBar()->GoButton()->isVisible());
    options.SetShowGo(false);
    options.SetAddressNewWin(false);
    options.SetCBAutoExpand(true);
    options.SetAutoCompleteStyle(TAutoCompleteStyle::None);
    QVERIFY(w->close());
    QVERIFY(options.ShowGo());
    QVERIFY(options.AddressNewWin());
    QVERIFY(!options.CBAutoExpand());
    QCOMPARE(options.AutoCompleteStyle(), TAutoCompleteStyle::IE4);
}

void TestMainWindow::pageIconOpensInTabWhenTabvaneIsTheBrowser()
{
    // The desktop's browser is Tabvane: the address opens here instead of in xdg-open.
    const QString apps = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications/tabvane.desktop");
    writeFile(apps, "[Desktop Entry]\nType=Application\nName=Tabvane\nExec=tabvane %u\n");
    writeFile(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/mimeapps.list"),
              "[Default Applications]\nx-scheme-handler/http=tabvane.desktop\ntext/html=tabvane.desktop\n");
    Window w = openWindow();
    withPage(w->ActiveTab(), PageA);
    w->AddressBar()->imgIELinkMouseDown();
    QCOMPARE(w->TabCount(), 2);
    QCOMPARE(lastNavigation(w->ActiveTab()), PageA);
    QFile::remove(apps);
    QFile::remove(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/mimeapps.list"));
}

void TestMainWindow::toolbarDefaultAndFile()
{
    {
        Window w = openWindow();
        QCOMPARE(shownButtons(w->ToolbarBand()->Bar()).join(QLatin1Char(' ')),
                 QStringLiteral("tbNew | tbBack tbForward | tbStop tbRefresh tbHome tbSearch | tbAddFavorite "
                                "tbFavorites | tbVessaBar tbMail tbFontSize | tbPrint tbViewSource tbLoadImages "
                                "tbFullScreen"));
        QVERIFY(w->ToolbarBand()->ButtonByName(QStringLiteral("tbFullScreen")));
        QVERIFY(!w->ToolbarBand()->ButtonByName(QStringLiteral("tbNoSuchButton")));
        // The New button drops down the New menu.
        QCOMPARE(w->ToolbarBand()->ButtonByName(QStringLiteral("tbNew"))->menu(), w->Menus()->NewMenu());
        QAction *refresh = w->ToolbarBand()->Bar()->actions().at(7);
        QCOMPARE(refresh->toolTip(), QStringLiteral("Refresh"));
        QCOMPARE(refresh->statusTip(), QStringLiteral("Reloads the current browser tab"));
    }
    // Written at exit: one line per button, "Sep" + position for separators.
    const TIniPairs pairs = TIniFile(toolbarFile()).ReadSectionPairs(QStringLiteral("Toolbar"));
    QStringList lines;
    for (const TIniPair &p : pairs)
        lines.append(p.first + QLatin1Char('=') + p.second);
    QCOMPARE(lines.join(QLatin1Char(' ')),
             QStringLiteral("0=1 1=0 Sep2=1 2=1 3=1 Sep5=1 4=1 5=1 6=1 7=1 Sep10=1 8=1 9=1 Sep13=1 10=1 11=1 "
                            "12=1 Sep17=1 13=1 14=1 15=1 16=1 17=0 18=0 19=0 20=0"));

    // Read back as written: a hidden button stays hidden, the order is the file's.
    writeFile(toolbarFile(), "[Toolbar]\r\n6=1\r\nSep1=1\r\n2=0\r\n0=1\r\n");
    Window w = openWindow();
    QCOMPARE(shownButtons(w->ToolbarBand()->Bar()).join(QLatin1Char(' ')), QStringLiteral("tbHome | tbNew"));
    QCOMPARE(w->ToolbarBand()->Bar()->actions().size(), 4);
}

void TestMainWindow::damagedToolbarFile()
{
    // Keys that are not numbers are skipped, "Sep" lines are separators whatever their
    // value, and an id the catalogue does not know keeps its place as a bare button.
    writeFile(toolbarFile(), "[toolbar]\r\n5=0\r\nabc=1\r\nSeparator=0\r\n 3 = 1 \r\n99=1\r\n=1\r\nnot a line\r\n");
    {
        Window w = openWindow();
        const QList<QAction *> actions = w->ToolbarBand()->Bar()->actions();
        QCOMPARE(actions.size(), 4);
        QVERIFY(!actions.at(0)->isVisible());
        QCOMPARE(actions.at(0)->objectName(), QStringLiteral("tbRefresh"));
        QVERIFY(actions.at(1)->isSeparator());
        QCOMPARE(actions.at(2)->objectName(), QStringLiteral("tbForward"));
        QCOMPARE(actions.at(3)->data().toInt(), 99);
        QVERIFY(actions.at(3)->text().isEmpty() && !actions.at(3)->isEnabled());
    }
    QStringList keys;
    for (const TIniPair &p : TIniFile(toolbarFile()).ReadSectionPairs(QStringLiteral("Toolbar")))
        keys.append(p.first + QLatin1Char('=') + p.second);
    QCOMPARE(keys, (QStringList{"5=0", "Sep1=1", "3=1", "99=1"}));

    // A file with no button line at all is taken as missing: the default toolbar.
    for (const QByteArray &content : {QByteArray(), QByteArray("\0\0garbage\xff", 10), QByteArray("[Other]\r\n1=1\r\n")}) {
        writeFile(toolbarFile(), content);
        Window w = openWindow();
        QCOMPARE(w->ToolbarBand()->Bar()->actions().size(), 26);
    }
}

void TestMainWindow::toolbarPictures()
{
    Window w = openWindow();
    // Grey until the mouse is over the button, unless colour is always on.
    QAction *home = w->ToolbarBand()->ButtonByName(QStringLiteral("tbHome"))->defaultAction();
    const QSize size = w->ToolbarBand()->Bar()->iconSize();
    const QImage cold = home->icon().pixmap(size, QIcon::Normal).toImage();
    const QImage hot = home->icon().pixmap(size, QIcon::Active).toImage();
    QVERIFY(!cold.isNull() && !hot.isNull());
    QVERIFY(cold.allGray());
    QVERIFY(!hot.allGray());
    w->ToolbarBand()->SetColor(true);
    QVERIFY(!home->icon().pixmap(size, QIcon::Normal).toImage().allGray());
    for (QAction *a : w->ToolbarBand()->Bar()->actions()) {
        if (!a->isSeparator())
            QVERIFY2(!a->icon().isNull(), qPrintable(a->objectName()));
    }
}

void TestMainWindow::toolbarRebuildKeepsNoOldActions()
{
    // Rebuilding the toolbar (as the Customize dialog does) deletes the buttons it replaces.
    Window w = openWindow();
    QToolBar *bar = w->ToolbarBand()->Bar();
    auto flushDeletes = [] { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); };
    flushDeletes();
    const QStringList buttons = shownButtons(bar);
    const int windowActions = w->findChildren<QAction *>().size();
    const int barChildren = bar->findChildren<QObject *>().size();
    QList<QPointer<QAction>> old;
    for (QAction *a : bar->actions())
        old.append(a);
    for (int i = 0; i < 20; ++i) {
        if (i % 2)
            w->ToolbarBand()->Reset();
        else
            w->ToolbarBand()->Load();
    }
    flushDeletes();
    for (const QPointer<QAction> &a : std::as_const(old))
        QVERIFY(a.isNull());
    QCOMPARE(w->findChildren<QAction *>().size(), windowActions);
    QCOMPARE(bar->findChildren<QObject *>().size(), barChildren);
    QCOMPARE(shownButtons(bar), buttons);
    // Only the rebuilt buttons are found by name.
    QVERIFY(w->ToolbarBand()->ButtonByName(QStringLiteral("tbHome")));
    QCOMPARE(bar->findChildren<QAction *>(QStringLiteral("tbHome")).size(), 1);
}

void TestMainWindow::bandLayoutRoundTrip()
{
    {
        Window w = openWindow();
        w->resize(700, 500);
        QTRY_VERIFY(!w->BandLayout()->DeferredLoadPending());
        // Links first, in a row of its own; the address band after the toolbar.
        const int links = bandOf(*w, w->findChild<QWidget *>(QStringLiteral("pnlLinks")));
        w->BandLayout()->CoolBar()->moveBand(links, 0);
        w->BandLayout()->CoolBar()->setBandBreak(1, true);
        w->BandLayout()->CoolBar()->setBandWidth(0, 300);
    }
    QCOMPARE(TRegistry().readValue(BandsKey() + QStringLiteral("\\Band0"), QStringLiteral("Name")).text, QStringLiteral("Links"));
    Window w = openWindow();
    w->resize(700, 500);
    QTRY_VERIFY(!w->BandLayout()->DeferredLoadPending());
    QStringList names;
    for (int i = 0; i < w->BandLayout()->CoolBar()->bandCount(); ++i)
        names.append(w->BandLayout()->CoolBar()->bandName(i));
    QCOMPARE(names, (QStringList{"Links", "Menu", "Tool", "Address"}));
    QVERIFY(w->BandLayout()->CoolBar()->bandBreak(1));
    QVERIFY(w->BandLayout()->CoolBar()->bandBreak(2));
    QVERIFY(w->BandLayout()->CoolBar()->bandBreak(3));
}

void TestMainWindow::damagedBandLayout()
{
    // Unknown names and missing keys are skipped; widths come as numbers or as text and are
    // kept within reason.
    TRegistry reg;
    reg.writeString(BandsKey() + QStringLiteral("\\Band0"), QStringLiteral("Name"), QStringLiteral("Address"));
    reg.writeDword(BandsKey() + QStringLiteral("\\Band0"), QStringLiteral("Width"), quint32(-500));
    reg.writeString(BandsKey() + QStringLiteral("\\Band1"), QStringLiteral("Name"), QStringLiteral("Sidebar"));
    reg.writeString(BandsKey() + QStringLiteral("\\Band2"), QStringLiteral("Name"), QStringLiteral("tool"));
    reg.writeString(BandsKey() + QStringLiteral("\\Band2"), QStringLiteral("Width"), QStringLiteral("99999999"));
    reg.writeString(BandsKey() + QStringLiteral("\\Band2"), QStringLiteral("Break"), QStringLiteral("0"));
    reg.writeDword(BandsKey() + QStringLiteral("\\Band3"), QStringLiteral("Name"), 7);
    Window w = openWindow();
    w->resize(700, 500);
    w->show();
    QTRY_VERIFY(!w->BandLayout()->DeferredLoadPending());
    QCOMPARE(w->BandLayout()->CoolBar()->bandName(0), QStringLiteral("Address"));
    QCOMPARE(w->BandLayout()->CoolBar()->bandName(2), QStringLiteral("Tool"));
    QVERIFY(!w->BandLayout()->CoolBar()->bandBreak(2));
    for (int i = 0; i < w->BandLayout()->CoolBar()->bandCount(); ++i) {
        QVERIFY(w->BandLayout()->CoolBar()->bandWidth(i) >= w->BandLayout()->CoolBar()->bandMinWidth(i));
        QVERIFY(w->BandLayout()->CoolBar()->bandRect(i).right() <= w->BandLayout()->CoolBar()->width());
    }
}

void TestMainWindow::addressLabelDoubleClick()
{
    Window w = openWindow();
    w->resize(700, 500);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    const int address = bandOf(*w, w->AddressBar()->Panel());
    QVERIFY(w->BandLayout()->CoolBar()->bandWidth(address) >= 100);
    QTest::mouseDClick(w->AddressBar()->Label(), Qt::LeftButton);
    QCOMPARE(w->BandLayout()->CoolBar()->bandWidth(address), w->BandLayout()->CoolBar()->model().minLength(address));
    QVERIFY(w->AddressBar()->AddressBox()->x() > w->AddressBar()->PageIcon()->geometry().right());   // label and icon stay
    QTest::mouseDClick(w->AddressBar()->Label(), Qt::LeftButton);
    QVERIFY(w->BandLayout()->CoolBar()->bandWidth(address) > 400);
}

void TestMainWindow::viewToggles()
{
    TKWOptions options;
    {
        Window w = openWindow();
        w->Commands()->Action(QStringLiteral("pmViewToolbar"))->trigger();
        w->Commands()->Action(QStringLiteral("pmViewAddressBar"))->trigger();
        QVERIFY(!w->BandLayout()->CoolBar()->bandVisible(bandOf(*w, w->findChild<QWidget *>(QStringLiteral("pnlToolbar")))));
        QVERIFY(!w->BandLayout()->CoolBar()->bandVisible(bandOf(*w, w->AddressBar()->Panel())));
        QVERIFY(w->BandLayout()->CoolBar()->bandVisible(bandOf(*w, w->findChild<QWidget *>(QStringLiteral("pnlLinks")))));
        // New does not reach for a hidden address box.
        w->actNewExecute();
        QVERIFY(!w->AddressBar()->AddressBox()->hasFocus());
    }
    QVERIFY(!options.ViewToolbar());
    QVERIFY(!options.ViewAddressBar());
    QVERIFY(options.ViewLinksBar());
    Window w = openWindow();
    QVERIFY(!w->Commands()->Action(QStringLiteral("pmViewToolbar"))->isChecked());
    QVERIFY(!w->BandLayout()->CoolBar()->bandVisible(bandOf(*w, w->findChild<QWidget *>(QStringLiteral("pnlToolbar")))));
}

void TestMainWindow::vessaBarByEveryTrigger()
{
    TKWOptions options;
    options.SetVessaBarWidth(300);
    {
        Window w = openWindow();
        auto *bar = w->findChild<QWidget *>(QStringLiteral("pnlVessaBar"));
        QAction *view = w->Commands()->Action(QStringLiteral("pmViewVessaBar"));
        const auto shown = [&] { return bar->isVisibleTo(w.get()); };
        QVERIFY(!shown() && !view->isChecked());
        QCOMPARE(bar->width(), 300);
        // F4 and the View menu item toggle it; the check follows.
        QVERIFY(!w->findChild<QWidget *>(QStringLiteral("shFavorites")));   // prepared when first seen
        QVERIFY(w->Commands()->RunKey(TKeyCommand::ToggleSideBar));
        QVERIFY(shown() && view->isChecked());
        QVERIFY(w->findChild<QWidget *>(QStringLiteral("shFavorites")));
        QVERIFY(!w->findChild<QWidget *>(QStringLiteral("shVessaGroups")));
        view->trigger();
        QVERIFY(!shown() && !view->isChecked());
        // The toolbar button, when the toolbar has it, does the same and shows its state.
        if (auto *button = w->ToolbarBand()->Bar()->findChild<QAction *>(QStringLiteral("tbVessaBar"))) {
            button->trigger();
            QVERIFY(shown() && view->isChecked());
            view->trigger();
        }
        // A page key shows the bar on its page; the close button hides it and clears the check.
        QVERIFY(w->Commands()->RunKey(TKeyCommand::SideBarVessaGroups));
        QVERIFY(shown() && view->isChecked());
        QVERIFY(w->findChild<QWidget *>(QStringLiteral("shVessaGroups")));
        auto *close = w->findChild<QToolButton *>(QStringLiteral("cmdCloseFavorites"));
        QVERIFY(close);
        close->click();
        QVERIFY(!shown() && !view->isChecked());
        QVERIFY(w->Commands()->RunKey(TKeyCommand::SideBarFavorites));
        QVERIFY(shown() && view->isChecked());
        QVERIFY(w->close());
    }
    // Shown and width are stored at exit and applied at the next start.
    QVERIFY(options.ViewVessaBar());
    QCOMPARE(options.VessaBarWidth(), 300);
    Window w = openWindow();
    QVERIFY(w->findChild<QWidget *>(QStringLiteral("pnlVessaBar"))->isVisibleTo(w.get()));
    QVERIFY(w->Commands()->Action(QStringLiteral("pmViewVessaBar"))->isChecked());
}

void TestMainWindow::statusBarAndLogoLayout()
{
    Window w = openWindow();
    w->resize(640, 480);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    TStatusPanels *sb = w->StatusArea()->Bar();
    QCOMPARE(sb->PanelWidth(0), sb->width() - (19 + 152 + 35 + 36));
    QCOMPARE(sb->PanelWidth(1), 19);
    QCOMPARE(sb->PanelWidth(2), 152);
    QCOMPARE(w->StatusArea()->ProgressBar()->x(), sb->PanelWidth(0) + sb->PanelWidth(1) + 3);
    QCOMPARE(w->StatusArea()->SecureIcon()->x(), sb->PanelWidth(0) + 2);
    w->resize(900, 480);
    QTRY_COMPARE(sb->PanelWidth(0), sb->width() - (19 + 152 + 35 + 36));

    // Hints: the long part goes to the first panel.
    QStatusTipEvent tip(QStringLiteral("Short|The long part"));
    QApplication::sendEvent(w.get(), &tip);
    QCOMPARE(sb->PanelText(0), QStringLiteral("The long part"));

    // Tall bands: a narrow logo panel with the close buttons under the logo. One row:
    // a wide panel with the buttons beside it.
    const QWidget *gpLogo = w->findChild<QWidget *>(QStringLiteral("gpLogo"));
    QVERIFY(gpLogo->height() >= 32 + 21);
    QCOMPARE(gpLogo->width(), 36);
    w->Commands()->Action(QStringLiteral("pmViewToolbar"))->trigger();
    w->Commands()->Action(QStringLiteral("pmViewAddressBar"))->trigger();
    w->Commands()->Action(QStringLiteral("pmViewLinksBar"))->trigger();
    QTRY_COMPARE(gpLogo->width(), 72);
    QCOMPARE(w->findChild<QToolButton *>(QStringLiteral("tbCloseAll"))->y(), w->findChild<QToolButton *>(QStringLiteral("tbClose"))->y());
}

void TestMainWindow::optionsApplyToTheRunningWindow()
{
    Window w = openWindow();
    auto *options = w->findChild<TTabvaneOptions *>(QStringLiteral("TabvaneOptions"));
    QVERIFY(options);
    // The menu item opens the dialog; Cancel leaves the store as it was.
    whenModal<TfrmOptions>([](TfrmOptions *d) {
        d->findChild<QCheckBox *>(QStringLiteral("chkShowGo"))->setChecked(true);
        d->findChild<QPushButton *>(QStringLiteral("cmdCancel"))->click();
    });
    QVERIFY(w->Commands()->Trigger(w->Commands()->Action(QStringLiteral("mnuOptionsTabvane"))));
    QVERIFY(allAnswered());
    QVERIFY(!TRegistry().valueExists(TKWOptions::SettingsKey, QStringLiteral("ShowGo")));

    TBrowserTab *named = w->ActiveTab();
    named->SetTitle(QStringLiteral("A rather long page title"));
    TBrowserTab *sticky = w->CreateForegroundTab();
    sticky->SetStickyName(QStringLiteral("Mine, all of it"));
    TOptionsValues v = options->LoadValues();
    v.colorScheme = TTabColorScheme::Custom;
    v.inactiveTabColor = 0x00FF00;    // green
    v.inactiveFontColor = 0xFF0000;   // blue
    v.showGo = true;
    v.limitTitleLength = 5;
    v.tabsDown = false;               // at the next start
    v.popupAddresses = {QStringLiteral("http://pop.test/")};
    options->Commit(v);

    // One colour pair for the browser tabs and the side bar's tabs.
    const TKWPageControl *strips[] = {w->TabManager()->PageControl(),
                                      w->findChild<TKWPageControl *>(QStringLiteral("pcTandemBar"))};
    for (const TKWPageControl *strip : strips) {
        QVERIFY(strip);
        QCOMPARE(strip->InactiveTabColor(), QColor(0, 255, 0));
        QCOMPARE(strip->InactiveFontColor(), QColor(0, 0, 255));
    }
    QCOMPARE(w->TabManager()->PageControl()->GetTabPosition(), TKWPageControl::TabPosition::Bottom);
    QCOMPARE(w->PopupVessa()->PopupList(), QStringList{QStringLiteral("url1=http://pop.test/")});
    QVERIFY(w->Settings().showGo);
    QCOMPARE(w->TitleLimit(), 5);
    // The open tabs take the new limit at once; a sticky name is not cut.
    QCOMPARE(named->Caption(), QStringLiteral("A rat..."));
    QCOMPARE(sticky->Caption(), QStringLiteral("Mine, all of it"));

    // Shutdown writes the window's settings back without undoing what OK stored.
    w.reset();
    TKWOptions o;
    QVERIFY(o.ShowGo());
    QVERIFY(!o.TabsDown());
    QCOMPARE(o.LimitTitleLength(), 5);
    QCOMPARE(o.InactiveTabColor(), 0x00FF00);
}

TV_TEST_MAIN_GUI(TestMainWindow)
#include "tst_mainwindow.moc"
