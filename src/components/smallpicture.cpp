#include "components/smallpicture.h"

#include <QGuiApplication>
#include <QPainter>

QPixmap SmallPicture(int size, const std::function<void(QPainter &)> &draw)
{
    const qreal ratio = qMax<qreal>(1, qApp->devicePixelRatio());
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    draw(p);
    return pixmap;
}
