#pragma once
// TViewCommands: the View menu's band and bar toggles (VessaBar, Status Bar, Address Bar,
// Toolbar, Links Bar, Menu Bar) and Fullscreen. It registers their rows, keeps the view
// settings, and follows full screen: the toolbar always shows in full screen, and the menu
// bar can be hidden in full screen only.

#include "app/settingspart.h"
#include <QObject>

class QAction;
class QWidget;
class TBandLayout;
class TCommandTable;
class TFullScreen;
class TToolbarBand;
struct TWindowSettings;

class TViewCommands : public QObject, public ISettingsPart {
    Q_OBJECT
public:
    // menuBand: the menu band, shown or hidden by Menu Bar; statusBar: by Status Bar.
    TViewCommands(TCommandTable *commands, TBandLayout *bands, TFullScreen *fullScreen, TToolbarBand *toolbar,
                  QWidget *menuBand, QWidget *statusBar, QObject *parent = nullptr);

    void Load(const TWindowSettings &settings) override;   // the bars' checks; full screen is the window's
    void Save(TWindowSettings &settings) const override;

    void ShowVessaBar(bool show);      // checks its menu entry and button, then VessaBarShown
    void ToggleStatusBar();            // as Status Bar is checked

Q_SIGNALS:
    void VessaBarShown(bool shown);

private:
    void followFullScreen(bool on);

    TBandLayout *m_bands;
    TFullScreen *m_fullScreen;
    TToolbarBand *m_toolbar;
    QWidget *m_statusBar;
    QAction *m_vessaBar = nullptr;
    QAction *m_statusBarShown = nullptr;
    QAction *m_addressBar = nullptr;
    QAction *m_toolbarShown = nullptr;
    QAction *m_linksBar = nullptr;
    QAction *m_menuBar = nullptr;
    QAction *m_fullScreenShown = nullptr;
};
