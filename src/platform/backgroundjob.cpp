#include "platform/backgroundjob.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

TBackgroundJob::TBackgroundJob(TWork work, QObject *parent)
    : QObject(parent), m_cancelled(std::make_shared<std::atomic<bool>>(false))
{
    auto cancelled = m_cancelled;
    m_thread = QThread::create([work = std::move(work), cancelled] {
        try {
            work(*cancelled);
        } catch (...) {
            // The work reports its own failures through its result; nothing may escape the thread.
        }
    });
    m_thread->setObjectName(QStringLiteral("TBackgroundJob"));
    // The thread object lives on this job's thread, so finished reaches the job queued.
    connect(m_thread, &QThread::finished, this, [this] {
        if (!m_cancelled->load())
            Q_EMIT Finished();
    });
    m_thread->start(QThread::LowPriority);
}

TBackgroundJob::~TBackgroundJob()
{
    Cancel();
    m_thread->wait();
    delete m_thread;
}

void TBackgroundJob::Cancel()
{
    m_cancelled->store(true);
}

void TBackgroundJob::Abandon()
{
    Cancel();
    disconnect(this, &TBackgroundJob::Finished, nullptr, nullptr);
    // Owned by the application meanwhile: its end still waits for the work.
    setParent(QCoreApplication::instance());
    connect(m_thread, &QThread::finished, this, &QObject::deleteLater);
    if (m_thread->isFinished())
        deleteLater();
}

bool TBackgroundJob::IsRunning() const
{
    return m_thread->isRunning();
}

bool TBackgroundJob::Wait(int timeoutMs)
{
    return m_thread->wait(timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeoutMs));
}
