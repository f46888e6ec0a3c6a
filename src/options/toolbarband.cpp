// The toolbar band: the main toolbar built from its catalogue and "tbmain.dat", its
// buttons bound to the command table, and the colour switch between cold and hot pictures.

#include "options/toolbarband.h"

#include "navigation/commandtable.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QHash>
#include <QIcon>
#include <QIconEngine>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QMenu>
#include <QPointer>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

namespace {
QImage renderSvg(const QByteArray &svg, int size)
{
    QBuffer buffer;
    buffer.setData(svg);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "svg");
    reader.setScaledSize(QSize(size, size));
    return reader.read().convertToFormat(QImage::Format_ARGB32);
}

// Grey, and for disabled buttons faded as well.
QImage greyed(QImage image, bool faded)
{
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int g = faded ? 128 + qGray(line[x]) / 2 : qGray(line[x]);
            line[x] = qRgba(g, g, g, faded ? qAlpha(line[x]) * 2 / 5 : qAlpha(line[x]));
        }
    }
    return image;
}

QStyle::StandardPixmap fallbackPixmap(int id)
{
    switch (id) {
    case 0: return QStyle::SP_FileIcon;
    case 1: return QStyle::SP_DialogOpenButton;
    case 2: return QStyle::SP_ArrowBack;
    case 3: return QStyle::SP_ArrowForward;
    case 4: case 19: return QStyle::SP_BrowserStop;
    case 5: case 20: return QStyle::SP_BrowserReload;
    case 6: return QStyle::SP_DirHomeIcon;
    case 18: return QStyle::SP_DialogSaveButton;
    default: return QStyle::SP_FileDialogContentsView;
    }
}

// A toolbar button's picture from the program's own icon set, drawn when a size is first
// asked for (hidden buttons cost nothing) at the screen's pixel density. The hot picture is
// in colour; the cold one is grey until the mouse is over the button. Without the SVG image
// reader the style's standard pictures stand in.
class TButtonIconEngine : public QIconEngine {
public:
    TButtonIconEngine(int id, bool cold) : m_id(id), m_cold(cold) {}

    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State, qreal scale) override
    {
        const int pixels = qRound(qMin(size.width(), size.height()) * qMax<qreal>(1, scale));
        const bool grey = mode == QIcon::Disabled || (m_cold && mode == QIcon::Normal);
        const quint64 key = (quint64(quint32(m_id)) << 32) | (quint64(pixels) << 2)
                            | (mode == QIcon::Disabled ? 2u : 0u) | (grey ? 1u : 0u);
        static QHash<quint64, QPixmap> cache;
        auto it = cache.constFind(key);
        if (it != cache.constEnd())
            return *it;
        QImage image = renderSvg(TToolbarCatalogue::IconSvg(m_id), pixels);
        QPixmap pixmap;
        if (image.isNull()) {
            pixmap = qApp->style()->standardIcon(fallbackPixmap(m_id)).pixmap(QSize(pixels, pixels), mode);
        } else {
            if (grey)
                image = greyed(image, mode == QIcon::Disabled);
            pixmap = QPixmap::fromImage(image);
        }
        pixmap.setDevicePixelRatio(qMax<qreal>(1, scale));
        cache.insert(key, pixmap);
        return pixmap;
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap p = scaledPixmap(size, mode, state, 1);
        p.setDevicePixelRatio(1);
        return p;
    }
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1;
        painter->drawPixmap(rect, scaledPixmap(rect.size(), mode, state, scale));
    }
    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const int side = qMin(size.width(), size.height());
        return QSize(side, side);
    }
    QIconEngine *clone() const override { return new TButtonIconEngine(m_id, m_cold); }
    QString key() const override { return QStringLiteral("TButtonIconEngine"); }

private:
    int m_id;
    bool m_cold;
};

// QToolBar::clear() only removes the actions: the buttons' actions belong to the toolbar
// and are deleted here, later, since a rebuild may run from one of their own signals.
void clearToolbar(QToolBar *bar)
{
    const QList<QAction *> actions = bar->actions();
    bar->clear();
    for (QAction *action : actions) {
        if (action->parent() == bar) {
            action->setParent(nullptr);
            action->deleteLater();
        }
    }
}

QIcon buttonIcon(int id, bool cold)
{
    if (TToolbarCatalogue::IconSvg(id).isEmpty())
        return QIcon();
    return QIcon(new TButtonIconEngine(id, cold));
}
}

QIcon CatalogueButtonIcon(int id)
{
    return buttonIcon(id, false);
}

TToolbarBand::TToolbarBand(TCommandTable *commands, const QString &layoutFile, QWidget *barParent, QObject *parent)
    : QObject(parent), m_commands(commands), m_layoutFile(layoutFile)
{
    m_bar = new QToolBar(barParent);
    m_bar->setObjectName(QStringLiteral("tbMain"));
    m_bar->setIconSize(QSize(20, 20));
    m_bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
}

void TToolbarBand::CreateButton(int id)
{
    QAction *before = m_bar->actions().value(0, nullptr);
    if (id < 0) {
        QAction *separator = new QAction(m_bar);
        separator->setSeparator(true);
        separator->setData(-1);
        m_bar->insertAction(before, separator);
        return;
    }
    const TToolButtonDef *def = TToolbarCatalogue::Find(id);
    auto *action = new QAction(m_bar);
    action->setData(id);
    if (def) {
        action->setObjectName(QLatin1String(def->name));
        action->setText(QLatin1String(def->caption));
        const QString hint = QLatin1String(def->hint);
        action->setToolTip(hint.section(QLatin1Char('|'), 0, 0));
        action->setStatusTip(hint.section(QLatin1Char('|'), 1));
        action->setCheckable(def->style == TToolStyle::Check);
    } else {
        // An id the catalogue does not know (a damaged tbmain.dat): a bare button that
        // keeps its place and its id, and does nothing.
        action->setEnabled(false);
    }
    m_bar->insertAction(before, action);
    auto *button = qobject_cast<QToolButton *>(m_bar->widgetForAction(action));
    if (button && def)
        button->setObjectName(QLatin1String(def->name));

    // The button runs its command table row, whose action also decides whether it is
    // enabled or checked; ids without a row stay disabled.
    QMenu *menu = nullptr;
    if (def)
        bind(id, action, &menu);
    if (menu && button) {
        button->setMenu(menu);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
    action->setIcon(buttonIcon(id, !m_color));
}

void TToolbarBand::bind(int id, QAction *button, QMenu **dropDown)
{
    // A button runs its row's action, and is enabled and checked as that action is: the
    // button of a command that is disabled (or not built yet) is disabled too.
    const TCommandRow *row = m_commands->RowForToolbarId(id);
    QAction *command = m_commands->ActionForToolbarId(id);
    if (!row || !command) {
        button->setEnabled(false);
        return;
    }
    const QPointer<QAction> target(button);
    const auto follow = [command, target] {
        if (!target)
            return;
        target->setEnabled(command->isEnabled());
        if (target->isCheckable())
            target->setChecked(command->isChecked());
    };
    follow();
    connect(command, &QAction::changed, button, follow);
    connect(button, &QAction::triggered, this, [this, command, follow] {
        m_commands->Trigger(command);
        follow();   // a click on a check button that did not run puts it back
    });
    if (row->dropDown)
        *dropDown = row->dropDown();
}

QList<TToolbarItem> TToolbarBand::Items() const
{
    QList<TToolbarItem> items;
    for (QAction *action : m_bar->actions()) {
        TToolbarItem item;
        item.id = action->isSeparator() ? -1 : action->data().toInt();
        item.visible = action->isSeparator() || action->isVisible();
        items.append(item);
    }
    return items;
}

void TToolbarBand::SetItems(const QList<TToolbarItem> &items)
{
    clearToolbar(m_bar);
    for (int i = items.size() - 1; i >= 0; --i) {
        CreateButton(items.at(i).id);
        if (!items.at(i).visible)
            m_bar->actions().first()->setVisible(false);
    }
}

void TToolbarBand::Reset()
{
    SetItems(TToolbarCatalogue::DefaultLayout());
}

void TToolbarBand::Load()
{
    bool exists = false;
    const QList<TToolbarItem> layout = TToolbarCatalogue::ReadLayout(m_layoutFile, &exists);
    // A file without a single readable button line (empty, truncated by another program,
    // not a toolbar file at all) is treated as missing rather than giving an empty toolbar.
    if (!exists || layout.isEmpty()) {
        Reset();
        return;
    }
    SetItems(layout);
    m_bar->adjustSize();
}

bool TToolbarBand::Save() const
{
    return TToolbarCatalogue::WriteLayout(m_layoutFile, Items());
}

void TToolbarBand::SetColor(bool color)
{
    m_color = color;
    for (QAction *action : m_bar->actions()) {
        if (action->isSeparator())
            continue;
        action->setIcon(buttonIcon(action->data().toInt(), !color));
    }
}

QToolButton *TToolbarBand::ButtonByName(const QString &name) const
{
    for (QAction *action : m_bar->actions()) {
        if (action->objectName() == name)
            return qobject_cast<QToolButton *>(m_bar->widgetForAction(action));
    }
    return nullptr;
}
