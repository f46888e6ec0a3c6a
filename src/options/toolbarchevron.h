#pragma once
// The toolbar's chevron: the toolbar keeps its full width inside its band, and when the
// band cuts buttons off, a "»" button at the band's right end drops down a menu of the
// cut-off buttons (their drop-down menus as submenus), then "&Customize...". It replaces
// the toolbar's own extension button, which would fold the buttons into a second row.

#include <QList>
#include <QObject>

class QAction;
class QMenu;
class QToolButton;
class QWidget;
class TCommandTable;
class TToolbarBand;

// Indexes of the buttons whose right edge lies beyond width (buttons not shown pass -1).
QList<int> CutOffButtons(const QList<int> &rightEdges, int width);

class TToolbarChevron : public QObject {
    Q_OBJECT
public:
    // The toolbar must sit in a box layout of its band's panel.
    TToolbarChevron(TToolbarBand *band, TCommandTable *commands, QObject *parent = nullptr);

    QToolButton *Button() const { return m_button; }
    QMenu *Menu() const { return m_menu; }
    // Shows the chevron when the last button is cut off.
    void UpdateChevron();
    // Fills the menu with the cut-off buttons (run each time it opens).
    void PrepareMenu();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<int> rightEdges(QList<QAction *> *actions) const;

    TToolbarBand *m_band;
    TCommandTable *m_commands;
    QWidget *m_clip = nullptr;
    QToolButton *m_button = nullptr;
    QMenu *m_menu = nullptr;
    bool m_updating = false;
};
