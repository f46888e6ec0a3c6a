#include "components/coolbar.h"

#include "components/componentaccessible.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace {
constexpr int kGripWidth = 10;
// How far past the bar's top or bottom edge a dragged grip opens a new row.
constexpr int kNewRowSlack = 4;

}

// Whether two band lists look the same at this bar width: same order, same breaks, same
// rectangles (stored widths may differ where the layout stretches or shrinks them).
bool TCoolBands::sameShape(const QList<TCoolBand> &before, int barWidth) const
{
    if (before.size() != bands.size())
        return false;
    for (int i = 0; i < bands.size(); ++i) {
        if (before.at(i).id != bands.at(i).id || before.at(i).brk != bands.at(i).brk)
            return false;
    }
    TCoolBands old;
    old.bands = before;
    return old.layout(barWidth).rects == layout(barWidth).rects;
}

int TCoolBands::minLength(int index) const
{
    const TCoolBand &b = bands.at(index);
    return b.headerWidth + std::max(0, b.minWidth);
}

TCoolBands::Layout TCoolBands::layout(int barWidth) const
{
    Layout lay;
    const int n = count();
    lay.rects = QList<QRect>(n);
    lay.rowOfBand = QList<int>(n, -1);
    QList<QList<int>> rows;
    for (int i = 0; i < n; ++i) {
        if (!bands.at(i).visible)
            continue;
        if (rows.isEmpty() || bands.at(i).brk)
            rows.append(QList<int>());
        rows.last().append(i);
        lay.rowOfBand[i] = int(rows.size()) - 1;
    }

    int top = 0;
    for (const QList<int> &row : std::as_const(rows)) {
        QList<int> len;
        int total = 0;
        int height = 0;
        for (int i : row) {
            len.append(std::max(bands.at(i).width, minLength(i)));
            total += len.last();
            height = std::max(height, bands.at(i).minHeight);
        }
        if (total < barWidth) {
            len.last() += barWidth - total;
        } else {
            int excess = total - barWidth;
            for (int k = int(row.size()) - 1; k >= 0 && excess > 0; --k) {
                const int cut = std::min(excess, len.at(k) - minLength(row.at(k)));
                len[k] -= cut;
                excess -= cut;
            }
        }
        height += RowPadding;
        int x = 0;
        for (int k = 0; k < row.size(); ++k) {
            lay.rects[row.at(k)] = QRect(x, top, len.at(k), height);
            x += len.at(k);
        }
        lay.rowTop.append(top);
        lay.rowHeight.append(height);
        top += height;
    }
    lay.height = top;
    return lay;
}

void TCoolBands::freeze(int barWidth)
{
    if (barWidth <= 0)
        return;
    const Layout lay = layout(barWidth);
    for (int i = 0; i < count(); ++i) {
        if (!lay.rects.at(i).isNull())
            bands[i].width = lay.rects.at(i).width();
    }
}

QList<int> TCoolBands::bandsInRow(const Layout &lay, int row) const
{
    QList<int> out;
    for (int i = 0; i < count(); ++i) {
        if (lay.rowOfBand.at(i) == row)
            out.append(i);
    }
    return out;
}

void TCoolBands::move(int from, int to)
{
    if (from < 0 || from >= count() || count() == 0)
        return;
    to = std::clamp(to, 0, count() - 1);
    if (from != to)
        bands.move(from, to);
}

bool TCoolBands::maximize(int index, int barWidth)
{
    if (index < 0 || index >= count() || !bands.at(index).visible)
        return false;
    const QList<TCoolBand> before = bands;
    freeze(barWidth);
    const Layout lay = layout(barWidth);
    const QList<int> row = bandsInRow(lay, lay.rowOfBand.at(index));
    int others = 0;
    for (int i : row) {
        if (i != index) {
            bands[i].width = minLength(i);
            others += bands.at(i).width;
        }
    }
    bands[index].width = std::max(minLength(index), barWidth - others);
    return !sameShape(before, barWidth);
}

bool TCoolBands::minimize(int index, int barWidth)
{
    if (index < 0 || index >= count() || !bands.at(index).visible)
        return false;
    const QList<TCoolBand> before = bands;
    freeze(barWidth);
    const Layout lay = layout(barWidth);
    const QList<int> row = bandsInRow(lay, lay.rowOfBand.at(index));
    const int pos = int(row.indexOf(index));
    const int freed = bands.at(index).width - minLength(index);
    if (freed <= 0 || row.size() < 2)
        return false;
    bands[index].width = minLength(index);
    const int heir = pos + 1 < row.size() ? row.at(pos + 1) : row.at(pos - 1);
    bands[heir].width += freed;
    return !sameShape(before, barWidth);
}

bool TCoolBands::dragGrip(int index, int x, int barWidth)
{
    if (index < 0 || index >= count() || !bands.at(index).visible)
        return false;
    freeze(barWidth);
    const Layout lay = layout(barWidth);
    const QList<int> row = bandsInRow(lay, lay.rowOfBand.at(index));
    const int pos = int(row.indexOf(index));
    if (pos <= 0)
        return false;
    const int prev = row.at(pos - 1);
    const int combined = lay.rects.at(prev).width() + lay.rects.at(index).width();
    const int lo = minLength(prev);
    const int hi = combined - minLength(index);
    if (hi < lo)
        return false;
    const int prevLen = std::clamp(x - lay.rects.at(prev).x(), lo, hi);
    if (prevLen == lay.rects.at(prev).width())
        return false;
    bands[prev].width = prevLen;
    bands[index].width = combined - prevLen;
    return true;
}

bool TCoolBands::moveToRow(int index, int row, int x, int barWidth)
{
    if (index < 0 || index >= count() || !bands.at(index).visible)
        return false;
    const QList<TCoolBand> before = bands;
    freeze(barWidth);
    const Layout lay = layout(barWidth);
    const int rows = lay.rowCount();
    const int cur = lay.rowOfBand.at(index);
    row = std::clamp(row, -1, rows);
    const QList<int> curRow = bandsInRow(lay, cur);
    if (curRow.size() == 1
        && (row == cur || (row == -1 && cur == 0) || (row == rows && cur == rows - 1)))
        return false;

    TCoolBand moving = bands.at(index);
    // The band's row-mate behind it inherits the start of the row.
    if (curRow.first() == index && curRow.size() > 1)
        bands[curRow.at(1)].brk = true;

    int pos = count();
    if (row == -1) {
        int first = 0;
        while (first < count() && !bands.at(first).visible)
            ++first;
        pos = first;
        moving.brk = true;
        if (first != index && first < count())
            bands[first].brk = true;
    } else if (row == rows) {
        pos = count();
        moving.brk = true;
    } else {
        QList<int> members = bandsInRow(lay, row);
        members.removeAll(index);
        int before = -1;
        for (int m : std::as_const(members)) {
            if (lay.rects.at(m).center().x() > x) {
                before = m;
                break;
            }
        }
        if (before >= 0) {
            pos = before;
            moving.brk = before == members.first();
            if (moving.brk)
                bands[before].brk = false;
        } else {
            pos = members.last() + 1;
            moving.brk = false;
        }
    }
    bands[index] = moving;
    move(index, pos > index ? pos - 1 : pos);
    return !sameShape(before, barWidth);
}

TCoolBar::TCoolBar(QWidget *parent) : QWidget(parent)
{
    InstallComponentAccessibility();
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFixedHeight(0);
}

int TCoolBar::addBand(const QString &name, QWidget *control, int minWidth, int minHeight,
                      int width, const QString &caption)
{
    TCoolBand b;
    b.id = m_nextId++;
    b.name = name;
    b.caption = caption;
    b.minWidth = std::max(0, minWidth);
    b.minHeight = std::max(0, minHeight);
    b.headerWidth = headerWidth(caption);
    b.width = std::max(0, width);
    m_model.bands.append(b);
    if (control) {
        control->setParent(this);
        m_controls.insert(b.id, control);
    }
    relayout();
    return m_model.count() - 1;
}

int TCoolBar::bandCount() const { return m_model.count(); }

int TCoolBar::indexOfId(int id) const
{
    for (int i = 0; i < m_model.count(); ++i) {
        if (m_model.bands.at(i).id == id)
            return i;
    }
    return -1;
}

int TCoolBar::bandIndexOfControl(const QWidget *control) const
{
    if (!control)
        return -1;
    for (int i = 0; i < m_model.count(); ++i) {
        if (m_controls.value(m_model.bands.at(i).id) == control)
            return i;
    }
    return -1;
}

int TCoolBar::bandByName(const QString &name) const
{
    for (int i = 0; i < m_model.count(); ++i) {
        if (m_model.bands.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString TCoolBar::bandName(int index) const
{
    return valid(index) ? m_model.bands.at(index).name : QString();
}

QString TCoolBar::bandCaption(int index) const
{
    return valid(index) ? m_model.bands.at(index).caption : QString();
}

QWidget *TCoolBar::bandControl(int index) const
{
    return valid(index) ? m_controls.value(m_model.bands.at(index).id).data() : nullptr;
}

int TCoolBar::bandWidth(int index) const
{
    if (!valid(index))
        return 0;
    const QRect r = index < m_layout.rects.size() ? m_layout.rects.at(index) : QRect();
    return r.isNull() || width() <= 0 ? m_model.bands.at(index).width : r.width();
}

void TCoolBar::setBandWidth(int index, int width)
{
    if (!valid(index))
        return;
    m_model.bands[index].width = std::max(0, width);
    relayout();
}

int TCoolBar::bandMinWidth(int index) const
{
    return valid(index) ? m_model.bands.at(index).minWidth : 0;
}

void TCoolBar::setBandMinWidth(int index, int width)
{
    if (!valid(index))
        return;
    m_model.bands[index].minWidth = std::max(0, width);
    relayout();
}

int TCoolBar::bandMinHeight(int index) const
{
    return valid(index) ? m_model.bands.at(index).minHeight : 0;
}

void TCoolBar::setBandMinHeight(int index, int height)
{
    if (!valid(index))
        return;
    m_model.bands[index].minHeight = std::max(0, height);
    relayout();
}

bool TCoolBar::bandBreak(int index) const
{
    return valid(index) && m_model.bands.at(index).brk;
}

void TCoolBar::setBandBreak(int index, bool on)
{
    if (!valid(index))
        return;
    m_model.bands[index].brk = on;
    relayout();
}

bool TCoolBar::bandVisible(int index) const
{
    return valid(index) && m_model.bands.at(index).visible;
}

void TCoolBar::setBandVisible(int index, bool on)
{
    if (!valid(index))
        return;
    m_model.bands[index].visible = on;
    relayout();
}

void TCoolBar::moveBand(int from, int to)
{
    m_model.move(from, to);
    relayout();
}

void TCoolBar::MaximizeBand(int index)
{
    if (m_model.maximize(index, width())) {
        relayout();
        emit LayoutChanged();
    }
}

void TCoolBar::MinimizeBand(int index)
{
    if (m_model.minimize(index, width())) {
        relayout();
        emit LayoutChanged();
    }
}

QRect TCoolBar::bandRect(int index) const
{
    return valid(index) && index < m_layout.rects.size() ? m_layout.rects.at(index) : QRect();
}

QRect TCoolBar::gripRect(int index) const
{
    const QRect r = bandRect(index);
    return r.isNull() ? r : QRect(r.left(), r.top(), kGripWidth, r.height());
}

int TCoolBar::rowCount() const { return m_layout.rowCount(); }

QSize TCoolBar::sizeHint() const
{
    return QSize(minimumSizeHint().width(), m_layout.height);
}

QSize TCoolBar::minimumSizeHint() const
{
    int widest = 0;
    for (int row = 0; row < m_layout.rowCount(); ++row) {
        int sum = 0;
        for (int i = 0; i < m_model.count(); ++i) {
            if (m_layout.rowOfBand.value(i, -1) == row)
                sum += m_model.minLength(i);
        }
        widest = std::max(widest, sum);
    }
    return QSize(widest, m_layout.height);
}

int TCoolBar::headerWidth(const QString &caption) const
{
    if (caption.isEmpty())
        return kGripWidth;
    return kGripWidth + fontMetrics().horizontalAdvance(caption) + 6;
}

int TCoolBar::gripAt(const QPoint &pos) const
{
    for (int i = 0; i < m_model.count(); ++i) {
        if (gripRect(i).contains(pos))
            return i;
    }
    return -1;
}

void TCoolBar::relayout()
{
    m_layout = m_model.layout(width());
    for (int i = 0; i < m_model.count(); ++i) {
        QWidget *control = m_controls.value(m_model.bands.at(i).id);
        if (!control)
            continue;
        const QRect r = m_layout.rects.at(i);
        if (r.isNull()) {
            control->hide();
            continue;
        }
        const int header = m_model.bands.at(i).headerWidth;
        control->setGeometry(r.x() + header, r.y() + TCoolBands::RowPadding / 2,
                             std::max(0, r.width() - header - 2),
                             std::max(0, r.height() - TCoolBands::RowPadding));
        control->show();
    }
    if (m_layout.height != m_height) {
        m_height = m_layout.height;
        setFixedHeight(m_height);
        updateGeometry();
        emit HeightChanged(m_height);
    }
    update();
}

void TCoolBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QPalette &pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Window));
    for (int i = 0; i < m_model.count(); ++i) {
        const QRect r = m_layout.rects.at(i);
        if (r.isNull())
            continue;
        // Etched separators: left of every band that does not start its row, under each row.
        if (r.left() > 0) {
            p.setPen(pal.color(QPalette::Mid));
            p.drawLine(r.left() - 1, r.top() + 1, r.left() - 1, r.bottom() - 1);
            p.setPen(pal.color(QPalette::Light));
            p.drawLine(r.left(), r.top() + 1, r.left(), r.bottom() - 1);
        }
        p.setPen(pal.color(QPalette::Mid));
        p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());

        QStyleOption opt;
        opt.initFrom(this);
        opt.rect = QRect(r.left() + 2, r.top() + 2, kGripWidth - 4, r.height() - 4);
        opt.state |= QStyle::State_Horizontal;
        style()->drawPrimitive(QStyle::PE_IndicatorToolBarHandle, &opt, &p, this);

        const QString &caption = m_model.bands.at(i).caption;
        if (!caption.isEmpty()) {
            p.setPen(pal.color(QPalette::WindowText));
            const QRect textRect(r.left() + kGripWidth, r.top(),
                                 m_model.bands.at(i).headerWidth - kGripWidth, r.height());
            p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, caption);
        }
    }
}

void TCoolBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void TCoolBar::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) {
        for (TCoolBand &b : m_model.bands)
            b.headerWidth = headerWidth(b.caption);
        relayout();
    }
    QWidget::changeEvent(event);
}

void TCoolBar::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    const int grip = event->button() == Qt::LeftButton ? gripAt(pos) : -1;
    m_dragBand = grip >= 0 ? m_model.bands.at(grip).id : -1;
    m_dragOffset = grip >= 0 ? pos.x() - bandRect(grip).left() : 0;
    m_dragChanged = false;
}

void TCoolBar::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    const int index = m_dragBand >= 0 ? indexOfId(m_dragBand) : -1;
    if (index < 0 || !(event->buttons() & Qt::LeftButton)) {
        m_dragBand = -1;
        if (gripAt(pos) >= 0)
            setCursor(Qt::SizeAllCursor);
        else
            unsetCursor();
        return;
    }

    int row = -2;
    if (pos.y() < -kNewRowSlack) {
        row = -1;
    } else if (pos.y() >= height() + kNewRowSlack) {
        row = m_layout.rowCount();
    } else {
        for (int r = 0; r < m_layout.rowCount(); ++r) {
            if (pos.y() >= m_layout.rowTop.at(r)
                && pos.y() < m_layout.rowTop.at(r) + m_layout.rowHeight.at(r))
                row = r;
        }
        if (row == -2)
            row = pos.y() < 0 ? 0 : m_layout.rowCount() - 1;
    }

    const int cur = m_layout.rowOfBand.at(index);
    bool changed = false;
    if (row != cur) {
        changed = m_model.moveToRow(index, row, pos.x(), width());
    } else {
        // Within the row: past a neighbour's grip the two swap, otherwise the grip resizes.
        int prev = -1;
        int next = -1;
        for (int i = 0; i < m_model.count(); ++i) {
            if (i == index || m_layout.rowOfBand.at(i) != cur)
                continue;
            if (i < index)
                prev = i;
            else if (next < 0)
                next = i;
        }
        if (prev >= 0 && pos.x() < m_layout.rects.at(prev).left() + kGripWidth)
            changed = m_model.moveToRow(index, cur, m_layout.rects.at(prev).left(), width());
        else if (next >= 0 && pos.x() > m_layout.rects.at(next).left() + kGripWidth)
            changed = m_model.moveToRow(index, cur, m_layout.rects.at(next).center().x() + 1,
                                        width());
        else
            changed = m_model.dragGrip(index, pos.x() - m_dragOffset, width());
    }
    if (changed) {
        m_dragChanged = true;
        relayout();
    }
}

void TCoolBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragBand = -1;
    if (m_dragChanged) {
        m_dragChanged = false;
        emit LayoutChanged();
    }
}

void TCoolBar::mouseDoubleClickEvent(QMouseEvent *event)
{
    const int grip = event->button() == Qt::LeftButton ? gripAt(event->position().toPoint()) : -1;
    if (grip < 0)
        return;
    if (bandWidth(grip) > m_model.minLength(grip))
        MinimizeBand(grip);
    else
        MaximizeBand(grip);
}

void TCoolBar::contextMenuEvent(QContextMenuEvent *event)
{
    emit ContextMenuRequested(event->globalPos());
}
