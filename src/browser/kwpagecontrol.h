#pragma once
// TKWPageControl: a page control with owner-drawn tabs. Inactive tabs have their own
// background and text colours, each tab shows its page's hint as a tooltip that follows the
// mouse, tabs can be reordered by dragging with the left button, rows wrap when multi-line,
// and a page can be kept without a tab (hidden). Pages are TKWTabSheet widgets.
//
// Multi-line rows keep their order (tabs fill the rows in reading order, top row first);
// selecting a tab never moves its row, so a tab never jumps away from under the pointer.
// A single row that is too narrow for its tabs shrinks the widest tabs first, down to a
// minimum width, and then scrolls so the active tab stays in view (the wheel scrolls too).

#include <QColor>
#include <QList>
#include <QPixmap>
#include <QRect>
#include <QWidget>

class TKWPageControl;
class QStackedWidget;
class TKWTabBar;

// One page of a TKWPageControl: the caption drawn on its tab, the hint shown as the tab's
// tooltip, an image index into the control's image list, and whether it has a tab at all.
class TKWTabSheet : public QWidget {
    Q_OBJECT
public:
    explicit TKWTabSheet(QWidget *parent = nullptr);
    ~TKWTabSheet() override;

    QString Caption() const { return m_caption; }
    void SetCaption(const QString &caption);     // "&&" shows one "&"
    QString Hint() const { return m_hint; }
    void SetHint(const QString &hint);
    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int index);               // -1 for none
    bool TabVisible() const { return m_tabVisible; }
    void SetTabVisible(bool visible);

    TKWPageControl *PageControl() const { return m_pageControl; }
    void SetPageControl(TKWPageControl *control);    // nullptr removes it from its control
    int PageIndex() const;                       // -1 without a control
    void SetPageIndex(int index);
    int TabIndex() const;                        // position among visible tabs; -1 when hidden
    // What the tab's picture means, in words, for assistive technology (a status lamp, a
    // lock); empty when the picture says nothing.
    virtual QString TabStateText() const { return QString(); }

private:
    friend class TKWPageControl;
    QString m_caption;
    QString m_hint;
    int m_imageIndex = -1;
    bool m_tabVisible = true;
    TKWPageControl *m_pageControl = nullptr;
    mutable int m_naturalWidth = -1;   // the tab's width as its control measured it; -1: measure again
};

class TKWPageControl : public QWidget {
    Q_OBJECT
public:
    enum class TabPosition { Top, Bottom };

    explicit TKWPageControl(QWidget *parent = nullptr);
    ~TKWPageControl() override;

    // Pages. The first page with a tab inserted while no page is active becomes active
    // (Changed is emitted). Removing the active page activates its right neighbour (its
    // left one at the end).
    int PageCount() const;
    TKWTabSheet *Page(int index) const;
    int IndexOfPage(const TKWTabSheet *page) const;
    void InsertPage(TKWTabSheet *page, int index);   // index -1: at the end
    void RemovePage(TKWTabSheet *page);              // the page is not deleted
    void MovePage(TKWTabSheet *page, int newIndex);
    TKWTabSheet *ActivePage() const;
    int ActivePageIndex() const;
    void SetActivePage(TKWTabSheet *page);           // emits Changed when it changes
    // Between BeginUpdate and EndUpdate (they nest) the strip is not laid out: the pages
    // added, moved or retitled meanwhile are laid out once, by the last EndUpdate. Tab
    // positions asked for meanwhile are those of the last layout.
    void BeginUpdate();
    void EndUpdate();
    // Selects the next (or previous) visible page, wrapping around.
    void SelectNextPage(bool forward);

    // Tabs (visible pages only)
    int TabCount() const;
    int TabToPageIndex(int tab) const;   // -1 when beyond the last page or none matches
    int TabAtPoint(const QPoint &clientPos) const;   // -1 when no tab is there
    QRect TabRect(int tab) const;        // in this control's coordinates
    QRect TabBarGeometry() const;
    QWidget *TabBar() const;             // the strip widget (mouse and paint events)
    // Hides the strip (a page fills the screen): the pages take its room.
    void SetStripShown(bool shown);
    int HotTab() const;                  // tab under the mouse at the last move; -1 none
    int HintTab() const;                 // tab whose hint is the current tooltip; -1 none
    int RowCount() const;

    // Appearance
    bool AllowTabShifting() const { return m_allowTabShifting; }
    void SetAllowTabShifting(bool on) { m_allowTabShifting = on; }
    QColor InactiveTabColor() const { return m_inactiveTabColor; }
    void SetInactiveTabColor(const QColor &c);
    QColor InactiveFontColor() const { return m_inactiveFontColor; }
    void SetInactiveFontColor(const QColor &c);
    bool MultiLine() const;
    void SetMultiLine(bool on);
    TabPosition GetTabPosition() const;
    void SetTabPosition(TabPosition pos);
    bool ShowHints() const;
    void SetShowHints(bool on);
    int FixedTabWidth() const;
    void SetFixedTabWidth(int width);    // 0: tabs as wide as their contents
    void SetImages(const QList<QPixmap> &images);
    const QList<QPixmap> &Images() const;

    // Colours in the stored 0x00BBGGRR form. A value with the high byte 0xFF is a reference
    // to a system colour (low byte = the system colour index), as stored for the standard
    // and reversed schemes; it resolves to the matching colour of the application palette.
    static QColor ColorFromBGR(int bgr);
    static int ColorToBGR(const QColor &color);
    static constexpr int clInactiveCaption = -16777213;   // 0xFF000003
    static constexpr int clWindowText = -16777208;        // 0xFF000008
    static constexpr int clHighlightText = -16777202;     // 0xFF00000E
    static constexpr int clBtnFace = -16777201;           // 0xFF00000F

    // Pure pieces of tab drawing, exposed for tests.
    struct TabPaint {
        QRect fill;    // the tab's background
        QRect image;   // empty without an image
        QRect text;    // the text is drawn left-aligned and vertically centred in it
    };
    static TabPaint TabPaintRects(const QRect &itemRect, bool selected, TabPosition pos,
                                  const QSize &imageSize);
    // The caption as drawn: blanks and control characters trimmed at both ends, "&&" as
    // "&", a single "&" dropped, tab characters expanded to the next multiple of eight.
    static QString TabDisplayText(const QString &caption);
    struct TabLayout {
        QList<QRect> rects;   // per tab, in strip coordinates, before any scrolling
        int rows = 1;
    };
    // Places tabs of the given natural widths in a strip of the given width: one row
    // (widest tabs shrunk towards minWidth when they do not fit) or wrapped rows.
    static TabLayout LayoutTabs(const QList<int> &widths, int stripWidth, int tabHeight,
                                bool multiLine, int minWidth);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void Changed();                               // the active page changed
    // Pages were added, removed or moved. Emitted from the event loop, once for a burst of
    // changes, also when the change was made while this control's signals were blocked.
    void PagesChanged();
    void TabContextMenu(int tab, const QPoint &globalPos);   // right button on the strip
    void TabRightButtonDown(int tab);             // before the context menu shows
    void TabDoubleClicked(int tab);                // -1 off the tabs
    void TabMiddleClicked(int tab);                // pressed and released on the same tab
    // Drops on the strip (when AcceptDrops is on): the tab under the pointer (-1 when not
    // over a tab header) and the dropped text, or the path of a dropped local file.
    void TabDragOver(int tab);
    void TextDropped(int tab, const QString &textOrPath);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    friend class TKWTabSheet;
    friend class TKWTabBar;
    void pageChanged(TKWTabSheet *page);          // the page's tab came or went
    // The caption or image of a page changed; widthBefore is its tab's width before.
    void tabContentChanged(TKWTabSheet *page, int widthBefore);
    void removePage(TKWTabSheet *page, bool destroying);
    void notifyPagesChanged();
    void relayout();
    void invalidateTabWidths();
    int tabHeight() const;
    int naturalTabWidth(const TKWTabSheet *page) const;
    bool hasImage(const TKWTabSheet *page) const;

    QStackedWidget *m_stack = nullptr;
    TKWTabBar *m_bar = nullptr;
    QList<TKWTabSheet *> m_pages;
    TKWTabSheet *m_active = nullptr;
    bool m_allowTabShifting = false;
    bool m_multiLine = false;
    bool m_showHints = true;
    int m_fixedTabWidth = 0;
    bool m_pagesChangedPending = false;
    int m_updateDepth = 0;
    bool m_relayoutHeld = false;   // a layout was asked for while updates were held
    TabPosition m_position = TabPosition::Top;
    QColor m_inactiveTabColor;
    QColor m_inactiveFontColor;
    QList<QPixmap> m_images;
};
