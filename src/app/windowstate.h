#pragma once
// TWindowState: the main window's placement and full screen as settings. Loading places the window at its stored normal placement and enters full screen
// after it, so that leaving full screen returns there; saving takes the placement the window
// has now (the one before full screen while full screen is on).

#include "app/settingspart.h"

#include <QObject>

class QWidget;
class TFullScreen;

class TWindowState : public QObject, public ISettingsPart {
    Q_OBJECT
public:
    // window: the main window; fullScreen: its full-screen part. Both outlive this object.
    TWindowState(QWidget *window, TFullScreen *fullScreen, QObject *parent);

    void Load(const TWindowSettings &settings) override;
    void Save(TWindowSettings &settings) const override;

private:
    void savePlacement(TWindowSettings &settings) const;

    QWidget *m_window;
    TFullScreen *m_fullScreen;
};
