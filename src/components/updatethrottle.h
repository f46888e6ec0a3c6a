#pragma once
// TUpdateThrottle: lets a burst of changes reach the screen at most once per interval.
// The first change after a quiet interval is applied at once; changes that follow within
// the interval are held, and the latest state is applied when the interval has passed, so
// the last change always shows. The owner keeps the held state; the throttle only decides
// when its apply function runs.

#include <QElapsedTimer>
#include <QObject>

#include <functional>

class QTimer;

class TUpdateThrottle : public QObject {
public:
    TUpdateThrottle(int intervalMs, std::function<void()> apply, QObject *parent = nullptr);

    // Something changed: apply now, or once the interval since the last apply has passed.
    void Post();
    // Apply a held change now; nothing when none is held.
    void Flush();
    // Forget a held change (a newer state was applied some other way).
    void Cancel();
    bool Pending() const { return m_pending; }
    int Interval() const { return m_intervalMs; }

private:
    void apply();

    int m_intervalMs;
    std::function<void()> m_apply;
    QTimer *m_timer;
    QElapsedTimer m_sinceApply;
    bool m_pending = false;
};
