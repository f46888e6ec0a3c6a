#pragma once
// TBackgroundJob: runs one piece of work on a thread of its own, so a long read (a search
// through 100,000 history entries, a folder of history files) never freezes the window.
// Finished is emitted on the thread that owns the job once the work has returned; the
// work hands its result over through whatever it captured (a shared pointer).
//
// Deleting the job asks the work to stop (the flag it is given) and waits for it, so a job
// never outlives its owner and no result arrives for an object that is gone. A job whose
// result is no longer wanted can be abandoned instead: it stops being told about, and
// deletes itself when its work returns (at the latest with the application), so the
// window does not wait for it.

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>

class QThread;

class TBackgroundJob : public QObject {
    Q_OBJECT
public:
    using TWork = std::function<void(const std::atomic<bool> &cancelled)>;

    // Starts work at once.
    explicit TBackgroundJob(TWork work, QObject *parent = nullptr);
    ~TBackgroundJob() override;

    void Cancel();
    // Cancels, forgets every receiver of Finished and deletes itself once the work has
    // returned. The caller gives up its ownership.
    void Abandon();
    bool IsRunning() const;
    // Waits for the work to return (up to timeoutMs, -1: without limit); true when it did.
    bool Wait(int timeoutMs = -1);

Q_SIGNALS:
    void Finished();

private:
    std::shared_ptr<std::atomic<bool>> m_cancelled;
    QThread *m_thread;
};
