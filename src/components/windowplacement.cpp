#include "components/windowplacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {
// Which screen holds most of a rectangle; nullptr when none shows any of it.
QScreen *screenShowing(const QRect &rect)
{
    for (QScreen *screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(rect))
            return screen;
    }
    return nullptr;
}
}

void RestoreWindowPlacement(QWidget *window, QRect wanted, bool maximized)
{
    QScreen *primary = QGuiApplication::primaryScreen();
    const QRect avail = primary ? primary->availableGeometry() : QRect(0, 0, 1024, 768);
    // Sizes beyond the screen are cut to it so the frame stays reachable, and a window no
    // screen shows any more comes back on the primary screen.
    wanted.setWidth(qBound(200, wanted.width(), qMax(200, avail.width())));
    wanted.setHeight(qBound(150, wanted.height(), qMax(150, avail.height())));
    if (!screenShowing(wanted))
        wanted.moveTopLeft(avail.topLeft() + QPoint(10, 10));
    // A maximised window keeps the stored bounds as its normal placement.
    window->move(wanted.topLeft());
    window->resize(wanted.size());
    if (maximized)
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
}
