#include "components/updatethrottle.h"

#include <QTimer>

TUpdateThrottle::TUpdateThrottle(int intervalMs, std::function<void()> apply, QObject *parent)
    : QObject(parent), m_intervalMs(qMax(0, intervalMs)), m_apply(std::move(apply)),
      m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &TUpdateThrottle::Flush);
}

void TUpdateThrottle::Post()
{
    m_pending = true;
    if (m_timer->isActive())
        return;
    const qint64 since = m_sinceApply.isValid() ? m_sinceApply.elapsed() : m_intervalMs;
    if (since >= m_intervalMs) {
        apply();
        return;
    }
    m_timer->start(int(m_intervalMs - since));
}

void TUpdateThrottle::Flush()
{
    m_timer->stop();
    if (m_pending)
        apply();
}

void TUpdateThrottle::Cancel()
{
    m_timer->stop();
    m_pending = false;
}

void TUpdateThrottle::apply()
{
    m_pending = false;
    m_sinceApply.start();
    // The apply function may post again, or destroy the owner and with it this throttle:
    // it runs last, from a copy.
    if (m_apply) {
        const std::function<void()> apply = m_apply;
        apply();
    }
}
