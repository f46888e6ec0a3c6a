// Work on a thread of its own: its end is told on the owner's thread; deleting the job stops
// and waits for the work; an abandoned job tells no one and deletes itself once the work
// has returned, without the owner waiting.

#include "testenv.h"

#include "platform/backgroundjob.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>

class TestBackgroundJob : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void finishedArrivesOnTheOwnersThread();
    void deletingStopsAndWaits();
    void abandonedJobCleansUpAfterItself();
};

void TestBackgroundJob::finishedArrivesOnTheOwnersThread()
{
    auto result = std::make_shared<int>(0);
    auto worker = std::make_shared<QThread *>(nullptr);
    TBackgroundJob job([result, worker](const std::atomic<bool> &) {
        *worker = QThread::currentThread();
        *result = 42;
    });
    QThread *finishedOn = nullptr;
    connect(&job, &TBackgroundJob::Finished, this, [&] { finishedOn = QThread::currentThread(); });
    QSignalSpy finished(&job, &TBackgroundJob::Finished);
    QVERIFY(finished.wait(10000));
    QCOMPARE(*result, 42);
    QVERIFY(*worker != QThread::currentThread());
    QCOMPARE(finishedOn, QThread::currentThread());
    // Work that throws ends the thread all the same.
    TBackgroundJob failing([](const std::atomic<bool> &) { throw std::runtime_error("bad input"); });
    QSignalSpy failed(&failing, &TBackgroundJob::Finished);
    QVERIFY(failed.wait(10000));
}

void TestBackgroundJob::deletingStopsAndWaits()
{
    auto started = std::make_shared<std::atomic<bool>>(false);
    auto returned = std::make_shared<std::atomic<bool>>(false);
    auto job = std::make_unique<TBackgroundJob>([started, returned](const std::atomic<bool> &cancelled) {
        started->store(true);
        QElapsedTimer limit;
        limit.start();
        while (!cancelled.load() && limit.elapsed() < 20000)
            QThread::msleep(1);
        returned->store(true);
    });
    int told = 0;
    connect(job.get(), &TBackgroundJob::Finished, this, [&] { ++told; });
    QTRY_VERIFY(started->load());
    job.reset();
    QVERIFY(returned->load());   // the deletion waited for the work
    QCoreApplication::processEvents();
    QCOMPARE(told, 0);
}

void TestBackgroundJob::abandonedJobCleansUpAfterItself()
{
    auto release = std::make_shared<std::atomic<bool>>(false);
    auto *job = new TBackgroundJob([release](const std::atomic<bool> &) {
        QElapsedTimer limit;
        limit.start();
        while (!release->load() && limit.elapsed() < 20000)   // ignores the cancel flag
            QThread::msleep(1);
    });
    int told = 0;
    connect(job, &TBackgroundJob::Finished, this, [&] { ++told; });
    QPointer<TBackgroundJob> alive(job);
    job->Abandon();
    QVERIFY(alive);                     // still running: not deleted, and not waited for
    QVERIFY(job->IsRunning());
    release->store(true);
    QTRY_VERIFY(alive.isNull());
    QCOMPARE(told, 0);
    // Abandoning work that has already returned deletes the job too.
    auto *done = new TBackgroundJob([](const std::atomic<bool> &) {});
    QVERIFY(done->Wait(10000));
    QPointer<TBackgroundJob> doneAlive(done);
    done->Abandon();
    QTRY_VERIFY(doneAlive.isNull());
}

TV_TEST_MAIN_CORE(TestBackgroundJob)
#include "tst_backgroundjob.moc"
