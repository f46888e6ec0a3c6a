#include "app/windowstate.h"

#include "app/windowsettings.h"
#include "components/fullscreen.h"
#include "components/windowplacement.h"

#include <QWidget>

TWindowState::TWindowState(QWidget *window, TFullScreen *fullScreen, QObject *parent)
    : QObject(parent), m_window(window), m_fullScreen(fullScreen)
{
}

void TWindowState::Load(const TWindowSettings &settings)
{
    // The stored placement is the window's normal placement; full screen is entered after
    // it, so that leaving full screen returns to the stored placement rather than to the
    // size the window had before it was placed.
    TWindowSettings shown;
    savePlacement(shown);
    const bool placementChanged = settings.maximized != shown.maximized
                                  || (!settings.maximized && settings.bounds != shown.bounds);
    if (!m_fullScreen->IsOn() && (!m_window->isVisible() || placementChanged))
        RestoreWindowPlacement(m_window, settings.bounds, settings.maximized);
    m_fullScreen->Set(settings.fullScreen);
}

void TWindowState::Save(TWindowSettings &settings) const
{
    savePlacement(settings);
    settings.fullScreen = m_fullScreen->IsOn();
}

void TWindowState::savePlacement(TWindowSettings &settings) const
{
    const bool fullScreen = m_fullScreen->IsOn();
    settings.maximized = m_window->isMaximized() || (fullScreen && m_fullScreen->SavedMaximized());
    // A maximised window keeps the stored bounds as its normal placement.
    if (!settings.maximized)
        settings.bounds = fullScreen ? m_fullScreen->SavedGeometry() : QRect(m_window->pos(), m_window->size());
}
