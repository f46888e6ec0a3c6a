#pragma once
// TToolbarColor: the window's colour switch for its toolbars ("ToolbarShowColor", Options
// caption "Always show color in toolbars"). With colour on, every button shows its picture
// in colour; with it off, pictures are grey until the mouse is over the button. The main
// toolbar follows through Changed (its band draws its own pictures); every other toolbar
// of the window (the Go button's, the side bar's pages, the Favorites window) is attached
// here and follows directly, including buttons added to it later.

#include "app/settingspart.h"

#include <QIcon>
#include <QList>
#include <QObject>
#include <QPointer>

class QAction;
class QToolBar;

class TToolbarColor : public QObject, public ISettingsPart {
    Q_OBJECT
public:
    explicit TToolbarColor(QObject *parent = nullptr);

    void Load(const TWindowSettings &settings) override;   // "ToolbarShowColor"

    // The toolbar's buttons follow the switch from now on (a toolbar attached twice counts once).
    void Attach(QToolBar *bar);
    // The toolbars the action is shown in.
    void Attach(QAction *action);

    void SetColor(bool color);
    bool Color() const { return m_color; }

    // The hot picture grey in the normal state, in colour under the mouse.
    static QIcon ColdIcon(const QIcon &hot);
    // Whether the action shows its picture in colour now (true for one never switched).
    static bool ShowsColor(const QAction *action);

Q_SIGNALS:
    void Changed(bool color);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void apply(QAction *action) const;

    QList<QPointer<QToolBar>> m_bars;
    bool m_color = false;
};
