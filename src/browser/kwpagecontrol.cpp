#include "browser/kwpagecontrol.h"

#include "browser/kwpageaccessible.h"
#include "components/tabcolors.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QStackedWidget>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>
#include <QWheelEvent>

#include <algorithm>

namespace {
// Shrinking a crowded single row stops at this width; then the row scrolls.
constexpr int kMinShrunkWidth = 40;
constexpr int kMinTabWidth = 30;
constexpr int kStripMargin = 2;
// The two scroll buttons a crowded single row shows at its end.
constexpr int kScrollButtonWidth = 17;

QString nativeTextFromMime(const QMimeData *mime)
{
    if (!mime)
        return QString();
    if (mime->hasUrls()) {
        const QList<QUrl> urls = mime->urls();
        if (!urls.isEmpty()) {
            const QUrl &u = urls.first();
            return u.isLocalFile() ? u.toLocalFile() : u.toString();
        }
    }
    if (mime->hasText())
        return mime->text();
    return QString();
}

bool isTrimmable(QChar c)
{
    return c.unicode() <= 0x20 || c.category() == QChar::Other_Control || c.isSpace();
}
}

// The strip: draws the tabs and turns mouse input into selection, hints and reordering.
class TKWTabBar : public QWidget {
public:
    explicit TKWTabBar(TKWPageControl *owner)
        : QWidget(owner), m_owner(owner)
    {
        setObjectName(QStringLiteral("tabBar"));
        setMouseTracking(true);
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_OpaquePaintEvent);
        m_scrollLeft = makeScrollButton(Qt::LeftArrow, QStringLiteral("tabScrollLeft"), -1);
        m_scrollLeft->setAccessibleName(QStringLiteral("Scroll tabs left"));
        m_scrollRight = makeScrollButton(Qt::RightArrow, QStringLiteral("tabScrollRight"), 1);
        m_scrollRight->setAccessibleName(QStringLiteral("Scroll tabs right"));
    }

    // scrollButtons: the row does not fit and the scroll buttons take the strip's end.
    void setTabs(const QList<QRect> &rects, int rows, bool scrollButtons)
    {
        m_rects = rects;
        m_rows = rows;
        m_scrollButtons = scrollButtons && rows == 1;
        placeScrollButtons();
        clampScroll();
        update();
    }
    // The part of the strip where tabs show: all of it unless the scroll buttons are up.
    int tabAreaWidth() const
    {
        return m_scrollButtons ? std::max(0, width() - 2 * kScrollButtonWidth) : width();
    }
    int rows() const { return m_rows; }
    int count() const { return int(m_rects.size()); }
    QRect tabRect(int tab) const
    {
        if (tab < 0 || tab >= m_rects.size())
            return QRect();
        return m_rects.at(tab).translated(-m_scroll, 0);
    }
    int tabAt(const QPoint &pos) const
    {
        if (!rect().contains(pos) || pos.x() >= tabAreaWidth())
            return -1;
        for (int i = 0; i < m_rects.size(); ++i) {
            if (tabRect(i).contains(pos))
                return i;
        }
        return -1;
    }
    void ensureVisible(int tab)
    {
        const QRect r = tab >= 0 && tab < m_rects.size() ? m_rects.at(tab) : QRect();
        if (r.isNull() || m_rows > 1)
            return;
        if (r.left() - m_scroll < 0)
            m_scroll = r.left() - kStripMargin;
        else if (r.right() - m_scroll >= tabAreaWidth())
            m_scroll = r.right() + 1 + kStripMargin - tabAreaWidth();
        clampScroll();
        update();
    }
    // One tab further towards the end (step 1) or the start (step -1): the next tab's
    // left edge becomes the start of the visible part, as far as the row reaches.
    void scrollByTab(int step)
    {
        int first = 0;
        while (first + 1 < m_rects.size() && m_rects.at(first + 1).left() - kStripMargin <= m_scroll)
            ++first;
        // A tab cut at the start counts as the first one when scrolling back.
        if (step < 0 && first < m_rects.size() && m_rects.at(first).left() - kStripMargin < m_scroll)
            ++first;
        const int target = std::clamp(first + step, 0, std::max(0, int(m_rects.size()) - 1));
        if (!m_rects.isEmpty())
            m_scroll = m_rects.at(target).left() - kStripMargin;
        clampScroll();
        update();
    }

    int m_hot = -1;
    int m_hintTab = -1;

protected:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::ToolTip) {
            const auto *he = static_cast<QHelpEvent *>(e);
            m_hot = tabAt(he->pos());
            if (!m_owner->m_showHints)
                return true;
            m_hintTab = m_hot;
            showTip();
            return true;
        }
        return QWidget::event(e);
    }

    void leaveEvent(QEvent *e) override
    {
        m_hot = -1;
        if (m_owner->m_showHints && m_hintTab != -1) {
            m_hintTab = -1;
            hideTip();
        }
        QWidget::leaveEvent(e);
    }

    void mouseMoveEvent(QMouseEvent *e) override
    {
        m_hot = tabAt(e->position().toPoint());
        followHint();
        if (!m_owner->m_allowTabShifting)
            return;
        const bool held = e->buttons() & Qt::LeftButton;
        if (!held)
            m_dragging = false;
        if (held && m_dragging) {
            if (m_hot == -1)
                setCursor(Qt::ForbiddenCursor);
            else if (m_hot == m_dragSource)
                unsetCursor();
            else
                setCursor(Qt::DragMoveCursor);
        } else {
            unsetCursor();
        }
    }

    void mousePressEvent(QMouseEvent *e) override
    {
        m_hot = tabAt(e->position().toPoint());
        m_tipShown = false;   // any press closes the tooltip
        if (e->button() == Qt::LeftButton) {
            m_dragging = false;
            if (m_hot != -1) {
                m_owner->SetActivePage(m_owner->Page(m_owner->TabToPageIndex(m_hot)));
                const TKWTabSheet *active = m_owner->ActivePage();
                if (m_owner->m_allowTabShifting && active && active->TabIndex() == m_hot) {
                    m_dragSource = m_hot;
                    m_dragging = true;
                }
            }
        } else if (e->button() == Qt::RightButton) {
            emit m_owner->TabRightButtonDown(m_hot);
        } else if (e->button() == Qt::MiddleButton) {
            m_middlePressed = m_hot;
        }
    }

    void mouseReleaseEvent(QMouseEvent *e) override
    {
        if (e->button() == Qt::MiddleButton) {
            const int pressed = m_middlePressed;
            m_middlePressed = -1;
            if (pressed != -1 && tabAt(e->position().toPoint()) == pressed)
                emit m_owner->TabMiddleClicked(pressed);
            return;
        }
        if (e->button() != Qt::LeftButton || !m_dragging)
            return;
        m_dragging = false;
        m_hot = tabAt(e->position().toPoint());
        // Released outside every tab: the forbidden cursor stays until the mouse moves.
        if (m_hot == -1 || m_hot == m_dragSource)
            return;
        TKWTabSheet *source = m_owner->Page(m_owner->TabToPageIndex(m_dragSource));
        const int target = m_owner->TabToPageIndex(m_hot);
        if (source && target >= 0)
            m_owner->MovePage(source, target);
        unsetCursor();
    }

    void mouseDoubleClickEvent(QMouseEvent *e) override
    {
        if (e->button() == Qt::LeftButton)
            emit m_owner->TabDoubleClicked(tabAt(e->position().toPoint()));
    }

    void contextMenuEvent(QContextMenuEvent *e) override
    {
        if (e->reason() == QContextMenuEvent::Mouse) {
            emit m_owner->TabContextMenu(tabAt(e->pos()), e->globalPos());
            return;
        }
        const TKWTabSheet *active = m_owner->ActivePage();
        const int tab = active ? active->TabIndex() : -1;
        const QRect r = tabRect(tab);
        emit m_owner->TabContextMenu(tab, mapToGlobal(r.isNull() ? rect().center() : r.center()));
    }

    void wheelEvent(QWheelEvent *e) override
    {
        const int total = m_rects.isEmpty() ? 0 : m_rects.last().right() + 1 + kStripMargin;
        if (m_rows > 1 || total <= tabAreaWidth()) {
            e->ignore();
            return;
        }
        const QPoint d = e->angleDelta();
        const int step = (d.y() != 0 ? d.y() : d.x()) / 4;
        m_scroll -= step;
        clampScroll();
        update();
        e->accept();
    }

    void changeEvent(QEvent *e) override
    {
        if (e->type() == QEvent::FontChange) {
            m_owner->invalidateTabWidths();
            m_owner->relayout();
        }
        QWidget::changeEvent(e);
    }

    void resizeEvent(QResizeEvent *e) override
    {
        QWidget::resizeEvent(e);
        placeScrollButtons();
        clampScroll();
    }

    void paintEvent(QPaintEvent *) override;

private:
    void clampScroll()
    {
        const int total = m_rects.isEmpty() ? 0 : m_rects.last().right() + 1 + kStripMargin;
        m_scroll = std::clamp(m_scroll, 0, std::max(0, total - tabAreaWidth()));
        if (m_rows > 1)
            m_scroll = 0;
        m_scrollLeft->setEnabled(m_scroll > 0);
        m_scrollRight->setEnabled(m_scroll < total - tabAreaWidth());
    }

    QToolButton *makeScrollButton(Qt::ArrowType arrow, const QString &name, int step)
    {
        auto *button = new QToolButton(this);
        button->setObjectName(name);
        button->setArrowType(arrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->hide();
        connect(button, &QToolButton::clicked, this, [this, step] { scrollByTab(step); });
        return button;
    }

    // The buttons sit side by side at the end of the row, as high as the tabs.
    void placeScrollButtons()
    {
        if (!m_scrollButtons) {
            m_scrollLeft->hide();
            m_scrollRight->hide();
            return;
        }
        const QRect row = m_rects.isEmpty() ? rect() : m_rects.first();
        const int top = std::max(0, row.top());
        const int h = std::min(row.height(), height() - top);
        const int left = tabAreaWidth();
        m_scrollLeft->setGeometry(left, top, kScrollButtonWidth, h);
        m_scrollRight->setGeometry(left + kScrollButtonWidth, top, kScrollButtonWidth, h);
        m_scrollLeft->show();
        m_scrollRight->show();
    }

    // A new tab under the mouse takes over the hint; a tooltip already on screen moves
    // to the new tab at once instead of waiting for the next hover delay.
    void followHint()
    {
        if (!m_owner->m_showHints || m_hot == m_hintTab)
            return;
        const bool wasShown = m_tipShown;
        m_hintTab = m_hot;
        hideTip();
        if (wasShown)
            showTip();
    }

    void showTip()
    {
        const TKWTabSheet *page =
            m_hintTab >= 0 ? m_owner->Page(m_owner->TabToPageIndex(m_hintTab)) : nullptr;
        QString text = page ? page->Hint() : QString();
        // Hints are page titles: markup in them is shown as written, never rendered.
        if (Qt::mightBeRichText(text))
            text = QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped()
                   + QStringLiteral("</p>");
        if (text.isEmpty()) {
            hideTip();
            return;
        }
        const QRect r = tabRect(m_hintTab);
        // QToolTip places the tip 2 right of and 16 below the point it is given; the
        // tip's corner belongs just below the tab's left edge.
        const QPoint corner = mapToGlobal(QPoint(r.left() + 3, r.bottom() + 1 + 1));
        QToolTip::showText(corner - QPoint(2, 16), text, this, r);
        m_tipShown = true;
    }

    void hideTip()
    {
        if (m_tipShown || QToolTip::isVisible())
            QToolTip::hideText();
        m_tipShown = false;
    }

    TKWPageControl *m_owner;
    QList<QRect> m_rects;
    int m_rows = 1;
    int m_scroll = 0;
    bool m_scrollButtons = false;
    QToolButton *m_scrollLeft = nullptr;
    QToolButton *m_scrollRight = nullptr;
    int m_dragSource = -1;
    bool m_dragging = false;
    int m_middlePressed = -1;
    bool m_tipShown = false;
};

void TKWTabBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QPalette pal = m_owner->palette();
    p.fillRect(rect(), pal.color(QPalette::Window));
    const bool bottom = m_owner->m_position == TKWPageControl::TabPosition::Bottom;
    const TKWTabSheet *active = m_owner->ActivePage();
    const int selected = active ? active->TabIndex() : -1;
    const QFontMetrics fm(font());
    QRect selectedFill;
    // Tabs never show under the scroll buttons.
    p.setClipRect(0, 0, tabAreaWidth(), height());

    for (int i = 0; i < m_rects.size(); ++i) {
        const TKWTabSheet *page = m_owner->Page(m_owner->TabToPageIndex(i));
        if (!page)
            continue;
        const bool isSel = i == selected;
        const bool img = m_owner->hasImage(page);
        const QPixmap pix = img ? m_owner->m_images.at(page->ImageIndex()) : QPixmap();
        const QSize imgSize = img ? pix.deviceIndependentSize().toSize() : QSize();
        const TKWPageControl::TabPaint tp =
            TKWPageControl::TabPaintRects(tabRect(i), isSel, m_owner->m_position, imgSize);
        if (!tp.fill.intersects(rect()))
            continue;

        p.fillRect(tp.fill, isSel ? pal.color(QPalette::Button) : m_owner->m_inactiveTabColor);
        p.setPen(pal.color(QPalette::Mid));
        const int farY = bottom ? tp.fill.bottom() : tp.fill.top();
        p.drawLine(tp.fill.left(), farY, tp.fill.right(), farY);
        p.drawLine(tp.fill.left(), tp.fill.top(), tp.fill.left(), tp.fill.bottom());
        p.drawLine(tp.fill.right(), tp.fill.top(), tp.fill.right(), tp.fill.bottom());
        if (isSel)
            selectedFill = tp.fill;

        p.save();
        p.setClipRect(tp.fill.adjusted(1, 0, -1, 0), Qt::IntersectClip);
        if (img)
            p.drawPixmap(tp.image.topLeft(), pix);
        const QString text = TKWPageControl::TabDisplayText(page->Caption());
        if (!text.isEmpty()) {
            p.setPen(isSel ? pal.color(QPalette::WindowText) : m_owner->m_inactiveFontColor);
            const int room = std::max(0, tp.fill.right() - 2 - tp.text.left());
            p.drawText(tp.text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                       fm.elidedText(text, Qt::ElideRight, room));
        }
        p.restore();
    }

    // The edge next to the pages, open below (or above) the selected tab.
    p.setPen(pal.color(QPalette::Mid));
    const int edgeY = bottom ? 0 : height() - 1;
    if (!selectedFill.isNull() && selectedFill.contains(selectedFill.left(), edgeY)) {
        p.drawLine(0, edgeY, selectedFill.left(), edgeY);
        p.drawLine(selectedFill.right(), edgeY, width() - 1, edgeY);
    } else {
        p.drawLine(0, edgeY, width() - 1, edgeY);
    }
}

TKWTabSheet::TKWTabSheet(QWidget *parent) : QWidget(parent) {}

TKWTabSheet::~TKWTabSheet()
{
    if (m_pageControl)
        m_pageControl->removePage(this, true);
}

void TKWTabSheet::SetCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    const int widthBefore = m_pageControl ? m_pageControl->naturalTabWidth(this) : 0;
    m_caption = caption;
    m_naturalWidth = -1;
    if (m_pageControl) {
        m_pageControl->tabContentChanged(this, widthBefore);
        NotifyTabAccessibility(m_pageControl, this, QAccessible::NameChanged);
    }
}

void TKWTabSheet::SetHint(const QString &hint)
{
    // The tooltip reads the hint when it shows; the strip itself does not change.
    m_hint = hint;
    if (m_pageControl)
        NotifyTabAccessibility(m_pageControl, this, QAccessible::HelpChanged);
}

void TKWTabSheet::SetImageIndex(int index)
{
    if (index == m_imageIndex)
        return;
    const int widthBefore = m_pageControl ? m_pageControl->naturalTabWidth(this) : 0;
    m_imageIndex = index;
    m_naturalWidth = -1;
    if (m_pageControl) {
        m_pageControl->tabContentChanged(this, widthBefore);
        // The picture is a lamp or a lock: its meaning is the tab's description.
        NotifyTabAccessibility(m_pageControl, this, QAccessible::DescriptionChanged);
    }
}

void TKWTabSheet::SetTabVisible(bool visible)
{
    if (visible == m_tabVisible)
        return;
    if (m_pageControl && !visible)
        NotifyTabAccessibility(m_pageControl, this, QAccessible::ObjectDestroyed);
    m_tabVisible = visible;
    if (m_pageControl)
        m_pageControl->pageChanged(this);
    if (m_pageControl && visible)
        NotifyTabAccessibility(m_pageControl, this, QAccessible::ObjectCreated);
}

void TKWTabSheet::SetPageControl(TKWPageControl *control)
{
    if (control == m_pageControl)
        return;
    if (m_pageControl)
        m_pageControl->RemovePage(this);
    if (control)
        control->InsertPage(this, -1);
}

int TKWTabSheet::PageIndex() const
{
    return m_pageControl ? m_pageControl->IndexOfPage(this) : -1;
}

void TKWTabSheet::SetPageIndex(int index)
{
    if (m_pageControl)
        m_pageControl->MovePage(this, index);
}

int TKWTabSheet::TabIndex() const
{
    if (!m_pageControl || !m_tabVisible)
        return -1;
    int tab = 0;
    for (const TKWTabSheet *p : m_pageControl->m_pages) {
        if (p == this)
            return tab;
        if (p->m_tabVisible)
            ++tab;
    }
    return -1;
}

TKWPageControl::TKWPageControl(QWidget *parent)
    : QWidget(parent),
      m_inactiveTabColor(ColorFromBGR(clInactiveCaption)),
      m_inactiveFontColor(ColorFromBGR(clHighlightText))
{
    InstallPageControlAccessibility();
    m_stack = new QStackedWidget(this);
    m_stack->setObjectName(QStringLiteral("pages"));
    m_bar = new TKWTabBar(this);
    relayout();
}

TKWPageControl::~TKWPageControl()
{
    // The pages die with the stack after this body; they must not call back into us.
    for (TKWTabSheet *p : std::as_const(m_pages))
        p->m_pageControl = nullptr;
    m_pages.clear();
    m_active = nullptr;
}

int TKWPageControl::PageCount() const { return int(m_pages.size()); }

TKWTabSheet *TKWPageControl::Page(int index) const
{
    return index >= 0 && index < m_pages.size() ? m_pages.at(index) : nullptr;
}

int TKWPageControl::IndexOfPage(const TKWTabSheet *page) const
{
    return int(m_pages.indexOf(const_cast<TKWTabSheet *>(page)));
}

void TKWPageControl::InsertPage(TKWTabSheet *page, int index)
{
    if (!page)
        return;
    if (page->m_pageControl == this) {
        MovePage(page, index < 0 ? PageCount() - 1 : index);
        return;
    }
    if (page->m_pageControl)
        page->m_pageControl->RemovePage(page);
    if (index < 0 || index > m_pages.size())
        index = int(m_pages.size());
    m_pages.insert(index, page);
    page->m_pageControl = this;
    page->m_naturalWidth = -1;
    m_stack->addWidget(page);
    if (m_active)
        m_stack->setCurrentWidget(m_active);
    relayout();
    notifyPagesChanged();
    if (page->m_tabVisible)
        NotifyTabAccessibility(this, page, QAccessible::ObjectCreated);
    if (!m_active && page->m_tabVisible)
        SetActivePage(page);
}

void TKWPageControl::RemovePage(TKWTabSheet *page)
{
    removePage(page, false);
}

void TKWPageControl::removePage(TKWTabSheet *page, bool destroying)
{
    const int index = IndexOfPage(page);
    if (index < 0)
        return;
    if (page->m_tabVisible)
        NotifyTabAccessibility(this, page, QAccessible::ObjectDestroyed);
    m_pages.removeAt(index);
    page->m_pageControl = nullptr;
    notifyPagesChanged();
    m_stack->removeWidget(page);
    // The page stays our hidden child, so it is freed with us unless its owner frees it.
    if (!destroying)
        page->hide();
    if (m_bar->m_hintTab != -1 || m_bar->m_hot != -1) {
        m_bar->m_hintTab = -1;
        m_bar->m_hot = -1;
        QToolTip::hideText();
    }
    if (page == m_active) {
        m_active = nullptr;
        TKWTabSheet *next = nullptr;
        for (int i = index; i < m_pages.size() && !next; ++i) {
            if (m_pages.at(i)->m_tabVisible)
                next = m_pages.at(i);
        }
        for (int i = index - 1; i >= 0 && !next; --i) {
            if (m_pages.at(i)->m_tabVisible)
                next = m_pages.at(i);
        }
        relayout();
        if (next)
            SetActivePage(next);
        else
            emit Changed();
        return;
    }
    relayout();
}

void TKWPageControl::MovePage(TKWTabSheet *page, int newIndex)
{
    const int from = IndexOfPage(page);
    if (from < 0 || m_pages.isEmpty())
        return;
    newIndex = std::clamp(newIndex, 0, int(m_pages.size()) - 1);
    if (newIndex == from)
        return;
    m_pages.move(from, newIndex);
    relayout();
    notifyPagesChanged();
    NotifyTabOrderAccessibility(this);
}

void TKWPageControl::notifyPagesChanged()
{
    // From the event loop, once per burst: callers that block this control's signals while
    // they rearrange pages still have the change reported.
    if (m_pagesChangedPending)
        return;
    m_pagesChangedPending = true;
    QTimer::singleShot(0, this, [this] {
        m_pagesChangedPending = false;
        emit PagesChanged();
    });
}

TKWTabSheet *TKWPageControl::ActivePage() const { return m_active; }

int TKWPageControl::ActivePageIndex() const { return IndexOfPage(m_active); }

void TKWPageControl::SetActivePage(TKWTabSheet *page)
{
    if (page == m_active || (page && page->m_pageControl != this))
        return;
    TKWTabSheet *before = m_active;
    m_active = page;
    if (page)
        m_stack->setCurrentWidget(page);
    relayout();
    if (page)
        m_bar->ensureVisible(page->TabIndex());
    NotifyActiveTabAccessibility(this, before, page);
    emit Changed();
}

void TKWPageControl::SelectNextPage(bool forward)
{
    const int n = PageCount();
    if (n == 0)
        return;
    const int start = m_active ? IndexOfPage(m_active) : (forward ? n - 1 : 0);
    for (int k = 1; k <= n; ++k) {
        const int i = ((start + (forward ? k : -k)) % n + n) % n;
        if (m_pages.at(i)->m_tabVisible) {
            SetActivePage(m_pages.at(i));
            return;
        }
    }
}

int TKWPageControl::TabCount() const
{
    return int(std::count_if(m_pages.cbegin(), m_pages.cend(),
                             [](const TKWTabSheet *p) { return p->m_tabVisible; }));
}

int TKWPageControl::TabToPageIndex(int tab) const
{
    if (tab < 0)
        return -1;
    // The page whose tab position is `tab`: the (tab+1)-th page with a visible tab.
    int visibleBefore = 0;
    for (int i = 0; i < m_pages.size(); ++i) {
        if (!m_pages.at(i)->m_tabVisible)
            continue;
        if (visibleBefore == tab)
            return i;
        ++visibleBefore;
    }
    return -1;
}

int TKWPageControl::TabAtPoint(const QPoint &clientPos) const
{
    if (!m_bar->geometry().contains(clientPos))
        return -1;
    return m_bar->tabAt(clientPos - m_bar->pos());
}

QRect TKWPageControl::TabRect(int tab) const
{
    const QRect r = m_bar->tabRect(tab);
    return r.isNull() ? r : r.translated(m_bar->pos());
}

QRect TKWPageControl::TabBarGeometry() const { return m_bar->geometry(); }

QWidget *TKWPageControl::TabBar() const { return m_bar; }

void TKWPageControl::SetStripShown(bool shown)
{
    m_bar->setVisible(shown);
    relayout();
}

int TKWPageControl::HotTab() const { return m_bar->m_hot; }

int TKWPageControl::HintTab() const { return m_bar->m_hintTab; }

int TKWPageControl::RowCount() const { return m_bar->rows(); }

void TKWPageControl::SetInactiveTabColor(const QColor &c)
{
    if (c == m_inactiveTabColor)
        return;
    m_inactiveTabColor = c;
    m_bar->update();
}

void TKWPageControl::SetInactiveFontColor(const QColor &c)
{
    if (c == m_inactiveFontColor)
        return;
    m_inactiveFontColor = c;
    m_bar->update();
}

bool TKWPageControl::MultiLine() const { return m_multiLine; }

void TKWPageControl::SetMultiLine(bool on)
{
    if (on == m_multiLine)
        return;
    m_multiLine = on;
    relayout();
}

TKWPageControl::TabPosition TKWPageControl::GetTabPosition() const { return m_position; }

void TKWPageControl::SetTabPosition(TabPosition pos)
{
    if (pos == m_position)
        return;
    m_position = pos;
    relayout();
}

bool TKWPageControl::ShowHints() const { return m_showHints; }

void TKWPageControl::SetShowHints(bool on)
{
    m_showHints = on;
    if (!on && m_bar->m_hintTab != -1) {
        m_bar->m_hintTab = -1;
        QToolTip::hideText();
    }
}

int TKWPageControl::FixedTabWidth() const { return m_fixedTabWidth; }

void TKWPageControl::SetFixedTabWidth(int width)
{
    width = std::max(0, width);
    if (width == m_fixedTabWidth)
        return;
    m_fixedTabWidth = width;
    relayout();
}

void TKWPageControl::SetImages(const QList<QPixmap> &images)
{
    m_images = images;
    invalidateTabWidths();
    relayout();
}

const QList<QPixmap> &TKWPageControl::Images() const { return m_images; }

QColor TKWPageControl::ColorFromBGR(int bgr) { return TTabColors::FromBGR(bgr); }

int TKWPageControl::ColorToBGR(const QColor &color) { return TTabColors::ToBGR(color); }

TKWPageControl::TabPaint TKWPageControl::TabPaintRects(const QRect &itemRect, bool selected,
                                                       TabPosition pos, const QSize &imageSize)
{
    TabPaint tp;
    const bool bottom = pos == TabPosition::Bottom;
    const QRect r = itemRect.translated(0, bottom ? -2 : 1);
    tp.fill = r;
    const int dx = selected ? 2 : 0;
    int dy = bottom ? (selected ? 2 : 0) : (selected ? -1 : 1);
    int textLeft = r.left() + 5 + dx;
    if (imageSize.isValid() && !imageSize.isEmpty()) {
        dy = bottom ? (selected ? 1 : 0) : (selected ? -1 : 1);
        const int x = r.left() + 5 + dx;
        const int y = r.top() + r.height() / 2 - imageSize.height() / 2 + dy;
        tp.image = QRect(QPoint(x, y), imageSize);
        textLeft = x + imageSize.width() + 5;
    }
    tp.text = QRect(QPoint(textLeft, r.top() + dy), QPoint(r.right(), r.bottom() + dy));
    return tp;
}

QString TKWPageControl::TabDisplayText(const QString &caption)
{
    int begin = 0;
    int end = int(caption.size());
    while (begin < end && isTrimmable(caption.at(begin)))
        ++begin;
    while (end > begin && isTrimmable(caption.at(end - 1)))
        --end;
    QString out;
    out.reserve(end - begin);
    for (int i = begin; i < end; ++i) {
        const QChar c = caption.at(i);
        if (c == QLatin1Char('&')) {
            // "&&" is a literal "&"; a single "&" only marks an access key.
            if (i + 1 < end && caption.at(i + 1) == QLatin1Char('&')) {
                out += c;
                ++i;
            }
        } else if (c == QLatin1Char('\t')) {
            out += QString(8 - out.size() % 8, QLatin1Char(' '));
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            out += QLatin1Char(' ');
        } else {
            out += c;
        }
    }
    return out;
}

TKWPageControl::TabLayout TKWPageControl::LayoutTabs(const QList<int> &widths, int stripWidth,
                                                     int tabHeight, bool multiLine, int minWidth)
{
    TabLayout lay;
    const int avail = std::max(1, stripWidth - 2 * kStripMargin);
    QList<int> w;
    w.reserve(widths.size());
    for (int x : widths)
        w.append(std::max(1, x));

    if (!multiLine) {
        long long total = 0;
        for (int x : w)
            total += x;
        if (total > avail && !w.isEmpty()) {
            // Cap the widest tabs: the largest cap whose row still fits, not below minWidth.
            const auto sumCapped = [&w](int cap) {
                long long s = 0;
                for (int x : w)
                    s += std::min(x, cap);
                return s;
            };
            int lo = std::max(1, minWidth);
            int hi = *std::max_element(w.cbegin(), w.cend());
            if (sumCapped(lo) <= avail) {
                while (lo < hi) {
                    const int mid = lo + (hi - lo + 1) / 2;
                    if (sumCapped(mid) <= avail)
                        lo = mid;
                    else
                        hi = mid - 1;
                }
            }
            for (int &x : w)
                x = std::min(x, lo);
        }
        int x = kStripMargin;
        for (int width : w) {
            lay.rects.append(QRect(x, 0, width, tabHeight));
            x += width;
        }
        lay.rows = 1;
        return lay;
    }

    int x = kStripMargin;
    int row = 0;
    for (int width : w) {
        width = std::min(width, avail);
        if (x + width > kStripMargin + avail && x > kStripMargin) {
            ++row;
            x = kStripMargin;
        }
        lay.rects.append(QRect(x, row * tabHeight, width, tabHeight));
        x += width;
    }
    lay.rows = row + 1;
    return lay;
}

QSize TKWPageControl::sizeHint() const
{
    const QSize pages = m_stack->sizeHint().expandedTo(QSize(200, 100));
    return QSize(pages.width(), pages.height() + tabHeight() + 2);
}

QSize TKWPageControl::minimumSizeHint() const
{
    return QSize(kMinTabWidth + 2 * kStripMargin, tabHeight() + 2);
}

void TKWPageControl::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void TKWPageControl::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        invalidateTabWidths();
        relayout();
    }
    QWidget::changeEvent(event);
}

void TKWPageControl::dragEnterEvent(QDragEnterEvent *event)
{
    const QMimeData *mime = event->mimeData();
    if (mime && (mime->hasUrls() || mime->hasText()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TKWPageControl::dragMoveEvent(QDragMoveEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (!m_bar->geometry().contains(pos)) {
        event->ignore();
        return;
    }
    const int tab = TabAtPoint(pos);
    emit TabDragOver(tab);
    if (tab >= 0 && !nativeTextFromMime(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TKWPageControl::dropEvent(QDropEvent *event)
{
    const int tab = TabAtPoint(event->position().toPoint());
    const QString text = nativeTextFromMime(event->mimeData());
    if (tab < 0 || text.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit TextDropped(tab, text);
}

void TKWPageControl::pageChanged(TKWTabSheet *)
{
    relayout();
}

void TKWPageControl::tabContentChanged(TKWTabSheet *page, int widthBefore)
{
    // A page that changes its title many times a second must not lay out every tab each
    // time: only a change of the tab's width moves other tabs.
    if (!page->m_tabVisible)
        return;
    if (naturalTabWidth(page) != widthBefore)
        relayout();
    else
        m_bar->update();
}

bool TKWPageControl::hasImage(const TKWTabSheet *page) const
{
    return page && page->ImageIndex() >= 0 && page->ImageIndex() < m_images.size()
           && !m_images.at(page->ImageIndex()).isNull();
}

int TKWPageControl::tabHeight() const
{
    int h = fontMetrics().height() + 8;
    for (const QPixmap &pm : m_images)
        h = std::max(h, int(pm.deviceIndependentSize().height()) + 8);
    return h;
}

int TKWPageControl::naturalTabWidth(const TKWTabSheet *page) const
{
    if (m_fixedTabWidth > 0)
        return m_fixedTabWidth;
    // Measured once per caption and picture: every layout needs every tab's width, and a
    // strip of fifty tabs is laid out again for each title a page reports.
    if (page->m_naturalWidth >= 0)
        return page->m_naturalWidth;
    int w = 5 + 2 + fontMetrics().horizontalAdvance(TabDisplayText(page->Caption())) + 8;
    if (hasImage(page))
        w += int(m_images.at(page->ImageIndex()).deviceIndependentSize().width()) + 5;
    page->m_naturalWidth = std::max(w, kMinTabWidth);
    return page->m_naturalWidth;
}

void TKWPageControl::invalidateTabWidths()
{
    for (TKWTabSheet *p : std::as_const(m_pages))
        p->m_naturalWidth = -1;
}

void TKWPageControl::BeginUpdate()
{
    ++m_updateDepth;
}

void TKWPageControl::EndUpdate()
{
    if (m_updateDepth == 0 || --m_updateDepth > 0)
        return;
    if (m_relayoutHeld) {
        m_relayoutHeld = false;
        relayout();
    }
}

void TKWPageControl::relayout()
{
    if (!m_bar || !m_stack)
        return;
    if (m_updateDepth > 0) {
        m_relayoutHeld = true;
        return;
    }
    const int h = tabHeight();
    QList<int> widths;
    for (const TKWTabSheet *p : std::as_const(m_pages)) {
        if (p->m_tabVisible)
            widths.append(naturalTabWidth(p));
    }
    const int minWidth = m_fixedTabWidth > 0 ? std::min(m_fixedTabWidth, kMinShrunkWidth)
                                             : kMinShrunkWidth;
    TabLayout lay = LayoutTabs(widths, width(), h, m_multiLine, minWidth);
    // A single row that does not fit makes room for the scroll buttons at its end.
    const bool overflow = !m_multiLine && !lay.rects.isEmpty()
                          && lay.rects.last().right() + 1 + kStripMargin > width();
    if (overflow)
        lay = LayoutTabs(widths, width() - 2 * kScrollButtonWidth, h, false, minWidth);
    const int barH = m_bar->isHidden() ? 0 : lay.rows * h + 2;
    const bool bottom = m_position == TabPosition::Bottom;
    const int pagesH = std::max(0, height() - barH);
    if (bottom) {
        m_stack->setGeometry(0, 0, width(), pagesH);
        m_bar->setGeometry(0, pagesH, width(), barH);
    } else {
        m_bar->setGeometry(0, 0, width(), barH);
        m_stack->setGeometry(0, barH, width(), pagesH);
    }
    // The item rectangles leave room for the drawing shift towards the pages.
    QList<QRect> rects;
    rects.reserve(lay.rects.size());
    for (const QRect &r : lay.rects)
        rects.append(r.translated(0, bottom ? 2 : 1));
    m_bar->setTabs(rects, lay.rows, overflow);
    if (m_active)
        m_bar->ensureVisible(m_active->TabIndex());
}
