#pragma once
// A status bar of fixed panels laid out left to right. The first panel takes whatever width
// the others leave; the others keep the widths they were given. Panels show text; other
// widgets (a progress bar, an icon) are placed over panels by the owner.

#include <QStringList>
#include <QWidget>

class TStatusPanels : public QWidget {
    Q_OBJECT
public:
    explicit TStatusPanels(const QList<int> &initialWidths, QWidget *parent = nullptr);

    int PanelCount() const { return m_widths.size(); }
    int PanelWidth(int index) const;        // after the last layout
    int PanelLeft(int index) const;
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString &text);

    // Widths for a bar of the given width: the first panel takes the rest (never below 0).
    static QList<int> LayoutPanels(const QList<int> &fixedWidths, int barWidth);

    QSize sizeHint() const override;

Q_SIGNALS:
    void Resized();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QList<int> m_widths;
    QStringList m_texts;
};
