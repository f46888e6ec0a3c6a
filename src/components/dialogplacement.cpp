#include "components/dialogplacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void CenterOnScreen(QWidget *dialog)
{
    const QWidget *owner = dialog->parentWidget();
    const QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect frame = dialog->frameGeometry();
    dialog->move(screen->availableGeometry().center() - QPoint(frame.width() / 2, frame.height() / 2));
}
