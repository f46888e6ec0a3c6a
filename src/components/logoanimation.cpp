#include "components/logoanimation.h"

#include "components/componentaccessible.h"

#include <QAccessible>

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

namespace {
constexpr int FrameCount = 24;
constexpr int FrameInterval = 60;   // ms
}

TLogoAnimation::TLogoAnimation(QWidget *parent) : QWidget(parent), m_timer(new QTimer(this))
{
    InstallComponentAccessibility();
    m_timer->setInterval(FrameInterval);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_frame = (m_frame + 1) % FrameCount;
        update();
    });
    setCursor(Qt::PointingHandCursor);
    setFixedSize(32, 32);
}

bool TLogoAnimation::Active() const
{
    return m_timer->isActive();
}

void TLogoAnimation::SetActive(bool on)
{
    if (on == m_timer->isActive())
        return;
    if (on) {
        m_timer->start();
    } else {
        m_timer->stop();
        m_frame = 0;
        update();
    }
    if (QAccessible::isActive()) {
        QAccessible::State changed;
        changed.busy = true;
        changed.animated = true;
        QAccessibleStateChangeEvent e(this, changed);
        QAccessible::updateAccessibility(&e);
    }
}

void TLogoAnimation::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(width() / 2.0, height() / 2.0);
    const qreal r = qMin(width(), height()) / 2.0 - 2;
    p.setPen(QPen(QColor(0x1f, 0x4e, 0x8c), 1.5));
    p.setBrush(QColor(0xe8, 0xf0, 0xfa));
    p.drawEllipse(c, r, r);
    p.translate(c);
    p.rotate(m_frame * 360.0 / FrameCount);
    for (int i = 0; i < 4; ++i) {
        QPainterPath blade;
        blade.moveTo(0, 0);
        blade.lineTo(r * 0.85, -r * 0.18);
        blade.lineTo(r * 0.85, r * 0.18);
        blade.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(i % 2 ? QColor(0x2e, 0x7d, 0x32) : QColor(0x1f, 0x4e, 0x8c));
        p.drawPath(blade);
        p.rotate(90);
    }
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(0x1f, 0x4e, 0x8c), 1));
    p.drawEllipse(QPointF(0, 0), r * 0.15, r * 0.15);
}

void TLogoAnimation::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT Clicked();
    QWidget::mouseReleaseEvent(event);
}
