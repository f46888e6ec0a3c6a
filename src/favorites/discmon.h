#pragma once
// TDiscMonitor: watches one folder, with its whole sub-tree when SubTree is on (every
// subfolder, including those created later), and tells the GUI thread when the file
// system reports a change of the selected kinds. The favorites menu and the side bar keep
// one on the Favorites folder, the links bar one on the Links folder.
//
// The waiting happens on a worker thread of its own (inotify, woken through an eventfd for
// new settings and for the end). Its reports reach the GUI thread queued, never by a call
// that blocks the worker, so destroying a monitor while the GUI thread is busy, or while
// reports are still queued, cannot deadlock and raises no further signals.
//
// Reports collapse: a burst of changes (a user unpacking 500 shortcuts) gives one
// Changed() once the folder has been quiet for a moment (at most a fraction of a second
// after the first change). A kernel queue overflow counts as one change.
//
// Active: the monitor starts inactive. While inactive nothing is signalled, but a change
// is remembered: turning the monitor on again delivers one Changed() (queued) for
// everything that happened meanwhile. Owners switch it off while they read the folder.
//
// Invalid(): the folder cannot be watched (missing, not a folder) or it disappeared or was
// renamed. The worker then waits for new settings or the end; it does not poll.
//
// When the system's limit of watches is reached, WatchLimitReached() is signalled once per
// monitor with a message for the user, and the monitor falls back to looking at the
// folders' modification times every two seconds.

#include <QFlags>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

enum class TMonitorFilter {
    moFilename = 0x1,     // a file created, deleted or renamed
    moDirName = 0x2,      // a folder created, deleted or renamed
    moAttributes = 0x4,   // attributes (permissions, owner, times) changed
    moSize = 0x8,         // a file's content written
    moLastWrite = 0x10,   // a file's content written
    moSecurity = 0x100,   // permissions or owner changed
};
Q_DECLARE_FLAGS(TMonitorFilters, TMonitorFilter)
Q_DECLARE_OPERATORS_FOR_FLAGS(TMonitorFilters)

class TDiscMonitor : public QObject {
    Q_OBJECT
public:
    static const QString NoFilterMessage;    // "Some filter condition must be set."
    static const QString WatchLimitMessage;  // said when the system's watch limit is reached

    // Filters: moFilename alone; SubTree on; inactive.
    explicit TDiscMonitor(QObject *parent = nullptr);
    ~TDiscMonitor() override;   // ends the worker; no signal follows

    QString Directory() const;
    void SetDirectory(const QString &directory);   // the same value again changes nothing
    bool SubTree() const;
    void SetSubTree(bool on);
    TMonitorFilters Filters() const;
    // An empty set is refused (false, NoFilterMessage on stderr) and the filters stay.
    bool SetFilters(TMonitorFilters filters);
    bool Active() const { return m_active; }
    void SetActive(bool on);

    // The watch limit was reached: changes are found by looking every two seconds.
    bool Degraded() const { return m_degraded.load(); }
    // A report waits in the event queue (for tests of destruction with reports queued).
    bool ChangeQueued() const { return m_changeQueued.load(); }
    // How many times the worker (re)opened its watches, for tests of reconfiguration.
    int OpenCount() const { return m_openCount.load(); }

    // Tests: treat more than `limit` watches per monitor as the system's limit (-1: none).
    static void SetWatchLimitForTesting(int limit);

Q_SIGNALS:
    void Changed();
    void Invalid();
    void WatchLimitReached(const QString &message);

private:
    struct TWorker;
    void startWorker();
    void reconfigure();
    // Called on the GUI thread through the event queue.
    void deliverChange();
    void deliverInvalid();
    void deliverWatchLimit();

    std::unique_ptr<TWorker> m_worker;
    bool m_active = false;
    bool m_changedWhileInactive = false;
    std::atomic<bool> m_changeQueued{false};
    std::atomic<bool> m_degraded{false};
    std::atomic<int> m_openCount{0};
    bool m_limitSaid = false;
};
