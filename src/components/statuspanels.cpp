#include "components/statuspanels.h"

#include "components/componentaccessible.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

TStatusPanels::TStatusPanels(const QList<int> &initialWidths, QWidget *parent)
    : QWidget(parent), m_widths(initialWidths)
{
    InstallComponentAccessibility();
    for (int i = 0; i < m_widths.size(); ++i)
        m_texts.append(QString());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QList<int> TStatusPanels::LayoutPanels(const QList<int> &fixedWidths, int barWidth)
{
    QList<int> widths = fixedWidths;
    if (widths.isEmpty())
        return widths;
    int others = 0;
    for (int i = 1; i < widths.size(); ++i)
        others += widths.at(i);
    widths[0] = qMax(0, barWidth - others);
    return widths;
}

int TStatusPanels::PanelWidth(int index) const
{
    return index >= 0 && index < m_widths.size() ? m_widths.at(index) : 0;
}

int TStatusPanels::PanelLeft(int index) const
{
    int left = 0;
    for (int i = 0; i < index && i < m_widths.size(); ++i)
        left += m_widths.at(i);
    return left;
}

QString TStatusPanels::PanelText(int index) const
{
    return index >= 0 && index < m_texts.size() ? m_texts.at(index) : QString();
}

void TStatusPanels::SetPanelText(int index, const QString &text)
{
    if (index < 0 || index >= m_texts.size() || m_texts.at(index) == text)
        return;
    m_texts[index] = text;
    update();
    NotifyStatusPanelAccessibility(this, index);
}

QSize TStatusPanels::sizeHint() const
{
    return QSize(400, fontMetrics().height() + 8);
}

void TStatusPanels::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_widths = LayoutPanels(m_widths, width());
    Q_EMIT Resized();
}

void TStatusPanels::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QColor dark = palette().color(QPalette::Mid);
    const QColor light = palette().color(QPalette::Light);
    int left = 0;
    for (int i = 0; i < m_widths.size(); ++i) {
        const QRect r(left + 1, 1, m_widths.at(i) - 2, height() - 2);
        if (r.width() > 2) {
            p.setPen(dark);
            p.drawLine(r.topLeft(), r.topRight());
            p.drawLine(r.topLeft(), r.bottomLeft());
            p.setPen(light);
            p.drawLine(r.bottomLeft(), r.bottomRight());
            p.drawLine(r.topRight(), r.bottomRight());
            if (!m_texts.at(i).isEmpty()) {
                p.setPen(palette().color(QPalette::WindowText));
                const QRect textRect = r.adjusted(3, 0, -3, 0);
                p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                           fontMetrics().elidedText(m_texts.at(i), Qt::ElideRight, textRect.width()));
            }
        }
        left += m_widths.at(i);
    }
}
