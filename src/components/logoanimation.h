#pragma once
// The animated logo at the right of the bars: a vane that turns while the active page loads
// and rests otherwise. Drawn in code so it scales and needs no image files.

#include <QWidget>

class QTimer;

class TLogoAnimation : public QWidget {
    Q_OBJECT
public:
    explicit TLogoAnimation(QWidget *parent = nullptr);

    bool Active() const;
    void SetActive(bool on);
    int Frame() const { return m_frame; }

    QSize sizeHint() const override { return QSize(32, 32); }

Q_SIGNALS:
    void Clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QTimer *m_timer;
    int m_frame = 0;
};
