// TDiscMonitor on real folders: what it reports (changes deep in the tree with and without
// the sub-tree, files in folders made after it started, a burst as few reports, a folder
// that disappears), and its life cycle (settings that do not change reopen nothing, an
// inactive monitor keeps one change for later, a monitor destroyed with reports queued
// says nothing more, the watch limit is said once and changes are still found).

#include "testenv.h"

#include "favorites/discmon.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
void touch(const QString &path)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
}

// An active monitor whose watches are in place: it has reported a first change.
std::unique_ptr<TDiscMonitor> watching(const QString &dir, bool subTree, const QString &probe)
{
    auto monitor = std::make_unique<TDiscMonitor>();
    monitor->SetFilters(TMonitorFilter::moFilename | TMonitorFilter::moDirName);
    monitor->SetSubTree(subTree);
    monitor->SetDirectory(dir);
    QSignalSpy changed(monitor.get(), &TDiscMonitor::Changed);
    monitor->SetActive(true);
    // The worker sets its watches up asynchronously: poke until it reports.
    for (int i = 0; i < 50 && changed.isEmpty(); ++i) {
        touch(probe + QString::number(i));
        changed.wait(200);
    }
    if (changed.isEmpty())
        return nullptr;
    // Let the probe's burst settle into its report.
    QTest::qWait(0);
    return monitor;
}
}

class TestDiscMonitor : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void defaultsAndRefusals();
    void changesBelowTheFolder_data();
    void changesBelowTheFolder();
    void newFoldersAreWatched();
    void burstGivesFewReports();
    void folderThatVanishesIsInvalid();
    void inactiveKeepsOneChange();
    void destroyedWithReportsQueued();
    void watchLimitSaidOnceAndStillFindsChanges();
};

void TestDiscMonitor::defaultsAndRefusals()
{
    QTemporaryDir dir;
    TDiscMonitor monitor;
    QCOMPARE(monitor.Filters(), TMonitorFilters(TMonitorFilter::moFilename));
    QVERIFY(monitor.SubTree());
    QVERIFY(!monitor.Active());
    QVERIFY(!monitor.SetFilters({}));
    QCOMPARE(monitor.Filters(), TMonitorFilters(TMonitorFilter::moFilename));

    // Setting what is already set does not reopen the watches.
    monitor.SetDirectory(dir.path());
    QSignalSpy invalid(&monitor, &TDiscMonitor::Invalid);
    monitor.SetActive(true);
    QTRY_COMPARE(monitor.OpenCount(), 1);
    monitor.SetDirectory(dir.path());
    monitor.SetDirectory(dir.path() + QLatin1Char('/'));
    monitor.SetSubTree(true);
    QVERIFY(monitor.SetFilters(TMonitorFilter::moFilename));
    // A real change reopens once; that reopen is the point after which the same-value
    // calls would have shown.
    monitor.SetSubTree(false);
    QTRY_COMPARE(monitor.OpenCount(), 2);
    QCOMPARE(invalid.count(), 0);
    // A missing folder is invalid at once.
    monitor.SetDirectory(dir.filePath(QStringLiteral("missing")));
    QVERIFY(invalid.wait(5000));
}

void TestDiscMonitor::changesBelowTheFolder_data()
{
    QTest::addColumn<bool>("subTree");
    QTest::newRow("sub-tree") << true;
    QTest::newRow("folder only") << false;
}

void TestDiscMonitor::changesBelowTheFolder()
{
    QFETCH(bool, subTree);
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(QStringLiteral("one/two")));
    auto monitor = watching(dir.path(), subTree, dir.filePath(QStringLiteral("probe")));
    QVERIFY(monitor);
    QSignalSpy changed(monitor.get(), &TDiscMonitor::Changed);

    const QString deep = dir.filePath(QStringLiteral("one/two/deep.url"));
    touch(deep);
    QVERIFY(QFile::rename(deep, deep + QStringLiteral(".old")));
    QVERIFY(QFile::remove(deep + QStringLiteral(".old")));
    // A change in the folder itself is reported either way; it comes after the deep ones.
    touch(dir.filePath(QStringLiteral("top.url")));
    QTRY_VERIFY(!changed.isEmpty());
    if (subTree) {
        QVERIFY(changed.count() >= 1);
    } else {
        // Only the top change was seen: one report, and nothing more arrives after it.
        QTRY_COMPARE(changed.count(), 1);
        touch(dir.filePath(QStringLiteral("top2.url")));
        QTRY_COMPARE(changed.count(), 2);
        touch(dir.filePath(QStringLiteral("one/two/again.url")));
        touch(dir.filePath(QStringLiteral("top3.url")));
        QTRY_COMPARE(changed.count(), 3);
        QTest::qWait(0);
        QCOMPARE(changed.count(), 3);
    }
}

void TestDiscMonitor::newFoldersAreWatched()
{
    QTemporaryDir dir;
    auto monitor = watching(dir.path(), true, dir.filePath(QStringLiteral("probe")));
    QVERIFY(monitor);
    QSignalSpy changed(monitor.get(), &TDiscMonitor::Changed);
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("fresh/inner"))));
    QTRY_VERIFY(!changed.isEmpty());
    changed.clear();
    // A file in a folder made after the monitor started, two levels down.
    touch(dir.filePath(QStringLiteral("fresh/inner/new.url")));
    QTRY_VERIFY(!changed.isEmpty());
}

void TestDiscMonitor::burstGivesFewReports()
{
    QTemporaryDir dir;
    auto monitor = watching(dir.path(), true, dir.filePath(QStringLiteral("probe")));
    QVERIFY(monitor);
    QSignalSpy changed(monitor.get(), &TDiscMonitor::Changed);
    QDir().mkpath(dir.filePath(QStringLiteral("unpacked")));
    for (int i = 0; i < 500; ++i)
        touch(dir.filePath(QStringLiteral("unpacked/link%1.url").arg(i)));
    QTRY_VERIFY(!changed.isEmpty());
    // A marker after the burst: once it is reported, every report of the burst is in.
    QSignalSpy afterwards(monitor.get(), &TDiscMonitor::Changed);
    int marker = 0;
    QTRY_VERIFY_WITH_TIMEOUT(([&] { touch(dir.filePath(QStringLiteral("marker%1").arg(++marker))); afterwards.wait(300); return !afterwards.isEmpty(); })(), 30000);
    QVERIFY2(changed.count() < 50, qPrintable(QString::number(changed.count())));
}

void TestDiscMonitor::folderThatVanishesIsInvalid()
{
    QTemporaryDir parent;
    const QString dir = parent.filePath(QStringLiteral("Links"));
    QDir().mkpath(dir);
    auto monitor = watching(dir, true, dir + QStringLiteral("/probe"));
    QVERIFY(monitor);
    QSignalSpy invalid(monitor.get(), &TDiscMonitor::Invalid);
    QVERIFY(QDir().rename(dir, parent.filePath(QStringLiteral("Renamed"))));
    QVERIFY(invalid.wait(5000));
    // Pointed at a folder again, it watches again.
    QSignalSpy changed(monitor.get(), &TDiscMonitor::Changed);
    int marker = 0;
    monitor->SetDirectory(parent.filePath(QStringLiteral("Renamed")));
    QTRY_VERIFY_WITH_TIMEOUT(([&] { touch(parent.filePath(QStringLiteral("Renamed/x%1").arg(++marker))); changed.wait(200); return !changed.isEmpty(); })(), 30000);
}

void TestDiscMonitor::inactiveKeepsOneChange()
{
    QTemporaryDir dir;
    auto monitor = watching(dir.path(), true, dir.filePath(QStringLiteral("probe")));
    auto witness = watching(dir.path(), true, dir.filePath(QStringLiteral("wprobe")));
    QVERIFY(monitor && witness);
    QSignalSpy changed(monitor.get(), &TDiscMonitor::Changed);
    QSignalSpy seen(witness.get(), &TDiscMonitor::Changed);
    changed.clear();
    monitor->SetActive(false);
    for (int i = 0; i < 20; ++i)
        touch(dir.filePath(QStringLiteral("while-off%1.url").arg(i)));
    // The witness saw the changes, so the inactive monitor has had them too.
    QTRY_VERIFY(!seen.isEmpty());
    QTest::qWait(0);
    QCOMPARE(changed.count(), 0);
    monitor->SetActive(true);
    QVERIFY(changed.wait(5000));
    // One report for everything that happened while it was off.
    QTest::qWait(0);
    QCOMPARE(changed.count(), 1);
}

void TestDiscMonitor::destroyedWithReportsQueued()
{
    QTemporaryDir dir;
    auto monitor = watching(dir.path(), true, dir.filePath(QStringLiteral("probe")));
    QVERIFY(monitor);
    int reports = 0;
    connect(monitor.get(), &TDiscMonitor::Changed, this, [&reports] { ++reports; });
    reports = 0;
    touch(dir.filePath(QStringLiteral("queued.url")));
    // Wait for the report without handling events: it is queued for the monitor.
    QDeadlineTimer deadline(5000);
    while (!monitor->ChangeQueued() && !deadline.hasExpired())
        QThread::yieldCurrentThread();
    QVERIFY(monitor->ChangeQueued());
    monitor.reset();   // with its report possibly queued, never handled
    QTest::qWait(0);
    QCOMPARE(reports, 0);
}

void TestDiscMonitor::watchLimitSaidOnceAndStillFindsChanges()
{
    QTemporaryDir dir;
    for (int i = 0; i < 5; ++i)
        QDir().mkpath(dir.filePath(QStringLiteral("f%1").arg(i)));
    TDiscMonitor::SetWatchLimitForTesting(2);
    TDiscMonitor monitor;
    monitor.SetFilters(TMonitorFilter::moFilename | TMonitorFilter::moDirName);
    monitor.SetDirectory(dir.path());
    QSignalSpy limit(&monitor, &TDiscMonitor::WatchLimitReached);
    QSignalSpy changed(&monitor, &TDiscMonitor::Changed);
    monitor.SetActive(true);
    QVERIFY(limit.wait(5000));
    QVERIFY(monitor.Degraded());
    // A change in a folder that got no watch is found by looking.
    touch(dir.filePath(QStringLiteral("f4/unwatched.url")));
    QTRY_VERIFY_WITH_TIMEOUT(!changed.isEmpty(), 10000);
    // Reopening hits the limit again but says nothing more.
    monitor.SetSubTree(false);
    monitor.SetSubTree(true);
    changed.clear();
    int n = 0;
    QTRY_VERIFY_WITH_TIMEOUT(([&] { touch(dir.filePath(QStringLiteral("f3/later%1.url").arg(++n))); return changed.wait(2500); })(), 15000);
    QCOMPARE(limit.count(), 1);
    TDiscMonitor::SetWatchLimitForTesting(-1);
}

TV_TEST_MAIN_CORE(TestDiscMonitor)
#include "tst_discmon.moc"
