#pragma once
// TSessionKeeper: keeps the record of the open tabs (TSessionRecord) while the window runs
// and brings the tabs back after a run that did not end in order.
//
// It watches the tab strip: tabs opened, closed and moved, the active tab, and each tab's
// committed address, sticky name, lock and Close All mark. A change starts a one-second
// single-shot timer and the record is written when it fires, so a burst of changes costs one
// write; progress and status events never cause one. While the window runs the record
// carries a "running" mark, which Finish() clears at an orderly shutdown. At the next start
// a record that still carries the mark means a crash, a kill or a power cut: the user is
// asked whether to restore the tabs, which then open in batches from the event loop so that
// hundreds of them never freeze the window.
//
// The file is written on a thread of its own (the write waits for the disk), in order; the
// final write at shutdown waits for the ones before it.
//
// Only one window keeps the record at a time (a lock in the runtime folder); another window
// of the same user, as AllowMultiInstance allows, keeps none.

#include "app/sessionrecord.h"
#include "platform/instance.h"

#include <QHash>
#include <QObject>
#include <QPair>
#include <QPointer>

class QThread;
class QTimer;
class QWidget;
class TBrowserTab;
class TKWPageControl;
class ITabOpener;

class TSessionKeeper : public QObject {
    Q_OBJECT
public:
    // The question can be answered ahead through this environment variable ("restore" or
    // "normal"); scripts and tests that run the program without a person use it.
    static constexpr const char *AnswerVariable = "TABVANE_RESTORE_TABS";
    // How long a batch of restored tabs may take before the event loop gets its turn.
    static constexpr int DefaultRestoreBatchMs = 16;
    static constexpr int WriteDelayMs = 1000;

    // pages: the strip whose tabs are kept. opener makes the restored tabs. owner is the
    // parent of the question and of messages; all three outlive the keeper.
    TSessionKeeper(TKWPageControl *pages, ITabOpener *opener, QWidget *owner);
    ~TSessionKeeper() override;

    // Start-up, before the first pages open. Reads the record; a damaged one or one of a
    // newer version is set aside with a message. When the last run did not end in order and
    // left tabs, asks whether to restore them. True when they are to be restored.
    bool OfferRestore();
    // Reopens the tabs of the run that did not end in order: the first into first (when
    // given), the others in batches after it. With activate, the recorded active tab
    // becomes active, unless the user chose another tab meanwhile.
    void RestoreTabs(TBrowserTab *first, bool activate);
    // An orderly restart's tabs from "Last Open Sites", each with the line it came from
    // ("url<position>=<address>"): a tab whose recorded tab at that position has the same
    // address gets its sticky name, lock and Close All mark back; with activate, the
    // recorded active tab becomes active.
    void ApplyToLastSites(const QList<QPair<TBrowserTab *, QString>> &opened, bool activate);
    // Begins keeping the record; the running mark is written within WriteDelayMs.
    void Start();
    // Orderly shutdown, before the tabs close: writes the final record without the running
    // mark and stops keeping it.
    void Finish();

    // 0: one tab per turn of the event loop.
    void SetRestoreBatchMs(int ms) { m_restoreBatchMs = ms; }
    bool KeepsRecord() const { return m_keeping; }
    bool IsRestoring() const { return m_restoreNext < m_restoreTabs.size(); }
    bool WritePending() const;
    // The record as it would be written now (with the running mark).
    TSessionRecord Snapshot() const;
    QString FilePath() const { return m_path; }

Q_SIGNALS:
    void RestoreFinished();
    void Written();                  // after each write of the record

private:
    void watchTabs();
    void changed();
    void writeNow();
    void written(bool ok, const QString &error);
    void stopWriter();
    void restoreBatch();
    void openEntry(TBrowserTab *tab, int index);
    void intend(TBrowserTab *tab, const TSessionTab &intended);
    void setAside(const QString &why);
    enum class TAnswer { Restore, StartNormally, Unanswered };
    TAnswer ask(int count);

    TKWPageControl *m_pages;
    ITabOpener *m_opener;
    QPointer<QWidget> m_owner;
    QString m_path;
    TInstanceLock m_lock;
    QTimer *m_timer = nullptr;
    QThread *m_writerThread = nullptr;
    QObject *m_writer = nullptr;     // lives on m_writerThread
    bool m_owned = false;            // this window holds the lock
    bool m_keeping = false;          // between Start() and Finish()
    bool m_finished = false;
    bool m_unanswered = false;       // the question was closed without a button
    TSessionRecord m_previous;       // what the last run left
    TSessionRecord m_lastWritten;
    bool m_written = false;
    QString m_lastError;

    // Restore in progress: the entries, the next one to open, where the next goes.
    QList<TSessionTab> m_restoreTabs;
    int m_restoreNext = 0;
    int m_restoreActive = -1;
    int m_restoreBatchMs = DefaultRestoreBatchMs;
    QPointer<TBrowserTab> m_lastRestored;
    QPointer<QObject> m_activeAtStart;
    // Tabs opened at start-up whose first page has not committed yet: what they are to show.
    QHash<const QObject *, TSessionTab> m_intended;
};
