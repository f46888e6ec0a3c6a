#pragma once
// TCoolBar: a rebar. Ordered bands, each carrying one control, laid out in rows; a band
// with the break flag starts a new row. Each band has a grip at its left edge: dragging it
// sideways resizes the band against its left neighbour (or, once past a neighbour's grip,
// swaps the two), dragging it onto another row moves the band there, and dragging it above
// the first row or below the last one opens a new row. Double-clicking a grip toggles the
// band between its minimum and the widest it can be in its row. The bar's height is the
// sum of its rows'.
//
// TCoolBands is the widget-free model: the band list, the row layout for a given bar
// width, and the edits the grips make.

#include <QHash>
#include <QList>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

struct TCoolBand {
    int id = 0;            // stable identity of the band while bands move
    QString name;          // the stored band name ("Menu", "Tool", "Address", "Links")
    QString caption;       // drawn after the grip; empty for none
    int minWidth = 0;      // of the control
    int minHeight = 0;     // of the control
    int width = 0;         // requested length of the whole band, header included
    int headerWidth = 0;   // grip and caption
    bool brk = false;      // starts a new row
    bool visible = true;
};

class TCoolBands {
public:
    static constexpr int RowPadding = 4;   // 2 pixels above and below the controls

    struct Layout {
        QList<QRect> rects;      // per band; null for hidden bands
        QList<int> rowOfBand;    // per band; -1 for hidden bands
        QList<int> rowTop;       // per row
        QList<int> rowHeight;    // per row
        int rowCount() const { return int(rowTop.size()); }
        int height = 0;
    };

    QList<TCoolBand> bands;

    int count() const { return int(bands.size()); }
    int minLength(int index) const;   // header plus the control's minimum width
    // Rows by break flags (only visible bands count). In each row the bands keep their
    // requested lengths (never below their minimum); the last band takes what is left,
    // and a row that is too long shrinks from its last band towards its first.
    Layout layout(int barWidth) const;
    // Requested lengths := the lengths shown at this bar width.
    void freeze(int barWidth);

    void move(int from, int to);
    // Every other band of the row shrinks to its minimum; this one takes the rest.
    bool maximize(int index, int barWidth);
    // The band shrinks to its minimum; the freed length goes to its right neighbour in
    // the row, or to its left one when it is the last.
    bool minimize(int index, int barWidth);
    // Puts the band's left edge at x by resizing it against its left neighbour in the row.
    bool dragGrip(int index, int x, int barWidth);
    // Moves the band into row `row` (-1: a new first row; rowCount: a new last row) before
    // the first band there whose middle lies right of x; break flags follow as rebars keep
    // them. Returns whether the order or any break changed.
    bool moveToRow(int index, int row, int x, int barWidth);

private:
    QList<int> bandsInRow(const Layout &lay, int row) const;
    bool sameShape(const QList<TCoolBand> &before, int barWidth) const;
};

class TCoolBar : public QWidget {
    Q_OBJECT
public:
    explicit TCoolBar(QWidget *parent = nullptr);

    // Bands. The control is re-parented to the bar and sized by it.
    int addBand(const QString &name, QWidget *control, int minWidth, int minHeight, int width,
                const QString &caption = QString());
    int bandCount() const;
    int bandIndexOfControl(const QWidget *control) const;   // -1 when none
    int bandByName(const QString &name) const;              // case-insensitive; -1 when none
    QString bandName(int index) const;
    QString bandCaption(int index) const;
    QWidget *bandControl(int index) const;
    int bandWidth(int index) const;          // the length shown (requested when hidden)
    void setBandWidth(int index, int width);
    int bandMinWidth(int index) const;
    void setBandMinWidth(int index, int width);
    int bandMinHeight(int index) const;
    void setBandMinHeight(int index, int height);
    bool bandBreak(int index) const;
    void setBandBreak(int index, bool on);
    bool bandVisible(int index) const;
    void setBandVisible(int index, bool on);
    void moveBand(int from, int to);
    // What the rebar's maximise and minimise band requests do.
    void MaximizeBand(int index);
    void MinimizeBand(int index);

    QRect bandRect(int index) const;         // null for hidden bands
    QRect gripRect(int index) const;
    int rowCount() const;
    const TCoolBands &model() const { return m_model; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void LayoutChanged();                    // the user moved or resized a band
    void HeightChanged(int height);
    void ContextMenuRequested(const QPoint &globalPos);   // right click on the bar itself

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    bool valid(int index) const { return index >= 0 && index < m_model.count(); }
    int indexOfId(int id) const;
    int headerWidth(const QString &caption) const;
    int gripAt(const QPoint &pos) const;
    void relayout();

    TCoolBands m_model;
    QHash<int, QPointer<QWidget>> m_controls;   // by band id
    int m_nextId = 1;
    TCoolBands::Layout m_layout;
    int m_height = 0;
    int m_dragBand = -1;
    int m_dragOffset = 0;
    bool m_dragChanged = false;
};
