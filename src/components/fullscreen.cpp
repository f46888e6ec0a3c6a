// TFullScreen: entering and leaving full screen, and the placement kept meanwhile.

#include "components/fullscreen.h"

#include "components/coolbar.h"

#include <QWidget>

TFullScreen::TFullScreen(QWidget *window, TCoolBar *coolbar, QWidget *menuBand, QWidget *toolBand,
                         QWidget *statusBar, QObject *parent)
    : QObject(parent), m_window(window), m_coolbar(coolbar), m_menuBand(menuBand), m_toolBand(toolBand),
      m_statusBar(statusBar)
{
    setObjectName(QStringLiteral("FullScreen"));
}

void TFullScreen::Set(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    QWidget *w = m_window;
    const int toolBand = m_coolbar->bandIndexOfControl(m_toolBand);
    const int menuBand = m_coolbar->bandIndexOfControl(m_menuBand);
    if (on) {
        m_save.maximized = w->isMaximized();
        m_save.geometry = w->isMaximized() ? w->normalGeometry() : QRect(w->pos(), w->size());
        // A window not shown yet has no frame to save; its stored placement is used.
        m_save.placement = w->isVisible() ? w->saveGeometry() : QByteArray();
        // Asked of the window, not the screen: a window that starts in full screen is not
        // shown yet, and its status bar must come back when full screen ends.
        m_save.statusBarVisible = m_statusBar->isVisibleTo(w);
        m_save.toolbarVisible = m_coolbar->bandVisible(toolBand);
        m_coolbar->setBandVisible(toolBand, true);
        m_statusBar->setVisible(false);
        w->setWindowState(w->windowState() | Qt::WindowFullScreen);
    } else {
        m_statusBar->setVisible(m_save.statusBarVisible);
        if (m_save.maximized) {
            w->setWindowState((w->windowState() & ~Qt::WindowFullScreen) | Qt::WindowMaximized);
        } else {
            w->setWindowState(w->windowState() & ~(Qt::WindowFullScreen | Qt::WindowMaximized));
            // The frame is not back yet when the full-screen state ends: moving to the
            // frame's old position would put the window's client area there, a title bar
            // higher each time. The saved placement knows the frame and the client apart.
            if (m_save.placement.isEmpty() || !w->restoreGeometry(m_save.placement)) {
                w->resize(m_save.geometry.size());
                w->move(m_save.geometry.topLeft());
            }
        }
        m_coolbar->setBandVisible(menuBand, true);
        m_coolbar->setBandVisible(toolBand, m_save.toolbarVisible);
    }
    Q_EMIT Changed(on);
}
