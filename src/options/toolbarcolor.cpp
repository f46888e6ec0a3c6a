#include "options/toolbarcolor.h"

#include "app/windowsettings.h"

#include <QAction>
#include <QActionEvent>
#include <QIconEngine>
#include <QPainter>
#include <QToolBar>

namespace {

const char HotIconProperty[] = "tvHotIcon";

QPixmap greyed(const QPixmap &source)
{
    QImage image = source.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int g = qGray(line[x]);
            line[x] = qRgba(g, g, g, qAlpha(line[x]));
        }
    }
    QPixmap result = QPixmap::fromImage(image);
    result.setDevicePixelRatio(source.devicePixelRatio());
    return result;
}

// The hot picture drawn grey in the normal state; the mouse over an auto-raised button
// (the active state), a disabled button and a pressed one draw it as it is.
class TColdIconEngine : public QIconEngine {
public:
    explicit TColdIconEngine(const QIcon &hot) : m_hot(hot) {}
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        const QPixmap pixmap = m_hot.pixmap(size, scale, mode, state);
        return mode == QIcon::Normal ? greyed(pixmap) : pixmap;
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1);
    }
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1;
        painter->drawPixmap(rect, scaledPixmap(rect.size(), mode, state, scale));
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return m_hot.actualSize(size, mode, state);
    }
    QIconEngine *clone() const override { return new TColdIconEngine(m_hot); }
    QString key() const override { return QStringLiteral("TColdIconEngine"); }

private:
    QIcon m_hot;
};

}

TToolbarColor::TToolbarColor(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("toolbarColor"));
}

void TToolbarColor::Load(const TWindowSettings &settings)
{
    SetColor(settings.toolbarShowColor);
}

QIcon TToolbarColor::ColdIcon(const QIcon &hot)
{
    return hot.isNull() ? hot : QIcon(new TColdIconEngine(hot));
}

bool TToolbarColor::ShowsColor(const QAction *action)
{
    const QVariant hot = action->property(HotIconProperty);
    return !hot.isValid() || hot.value<QIcon>().cacheKey() == action->icon().cacheKey();
}

void TToolbarColor::Attach(QToolBar *bar)
{
    if (!bar)
        return;
    for (const QPointer<QToolBar> &known : std::as_const(m_bars))
        if (known == bar)
            return;
    m_bars.append(bar);
    bar->installEventFilter(this);
    for (QAction *action : bar->actions())
        apply(action);
}

void TToolbarColor::Attach(QAction *action)
{
    if (!action)
        return;
    for (QObject *shown : action->associatedObjects())
        if (auto *bar = qobject_cast<QToolBar *>(shown))
            Attach(bar);
}

void TToolbarColor::SetColor(bool color)
{
    const bool changed = color != m_color;
    m_color = color;
    for (const QPointer<QToolBar> &bar : std::as_const(m_bars))
        if (bar)
            for (QAction *action : bar->actions())
                apply(action);
    if (changed)
        Q_EMIT Changed(color);
}

void TToolbarColor::apply(QAction *action) const
{
    if (action->isSeparator())
        return;
    QVariant hot = action->property(HotIconProperty);
    if (!hot.isValid()) {
        if (action->icon().isNull())
            return;   // a caption-only button has no picture to switch
        hot = QVariant::fromValue(action->icon());
        action->setProperty(HotIconProperty, hot);
    }
    const QIcon hotIcon = hot.value<QIcon>();
    action->setIcon(m_color ? hotIcon : ColdIcon(hotIcon));
}

bool TToolbarColor::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ActionAdded && qobject_cast<QToolBar *>(watched))
        apply(static_cast<QActionEvent *>(event)->action());
    return QObject::eventFilter(watched, event);
}
