// TfrmMain: the main toolbar built from its catalogue and "tbmain.dat", the colour switch
// between cold and hot pictures, and the band layout kept in the settings store.

#include "app/main_window.h"

#include "components/coolbar.h"
#include "options/toolbarcatalogue.h"
#include "platform/registry.h"

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
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace {
// A function, not a namespace-scope constant: the settings key lives in another
// translation unit and may not be initialised yet when such constants are.
QString BandsKey() { return TKWOptions::SettingsKey + QStringLiteral("\\Bands"); }

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

void TfrmMain::CreateToolbarButton(int id)
{
    QAction *before = tbMain->actions().value(0, nullptr);
    if (id < 0) {
        QAction *separator = new QAction(tbMain);
        separator->setSeparator(true);
        separator->setData(-1);
        tbMain->insertAction(before, separator);
        return;
    }
    const TToolButtonDef *def = TToolbarCatalogue::Find(id);
    auto *action = new QAction(tbMain);
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
    tbMain->insertAction(before, action);
    auto *button = qobject_cast<QToolButton *>(tbMain->widgetForAction(action));
    if (button && def)
        button->setObjectName(QLatin1String(def->name));

    // The button runs its command table row, whose action also decides whether it is
    // enabled or checked; ids without a row stay disabled.
    QMenu *menu = nullptr;
    if (def)
        BindToolbarButton(id, action, &menu);
    if (menu && button) {
        button->setMenu(menu);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
    action->setIcon(buttonIcon(id, !m_toolbarColor));
}

void TfrmMain::ResetToolbar()
{
    clearToolbar(tbMain);
    const QList<TToolbarItem> layout = TToolbarCatalogue::DefaultLayout();
    for (int i = layout.size() - 1; i >= 0; --i) {
        CreateToolbarButton(layout.at(i).id);
        if (!layout.at(i).visible)
            tbMain->actions().first()->setVisible(false);
    }
}

void TfrmMain::LoadToolbarButtons()
{
    clearToolbar(tbMain);
    bool exists = false;
    const QList<TToolbarItem> layout = TToolbarCatalogue::ReadLayout(TToolbarCatalogue::FileName(), &exists);
    // A file without a single readable button line (empty, truncated by another program,
    // not a toolbar file at all) is treated as missing rather than giving an empty toolbar.
    if (!exists || layout.isEmpty()) {
        ResetToolbar();
        return;
    }
    for (int i = layout.size() - 1; i >= 0; --i) {
        CreateToolbarButton(layout.at(i).id);
        if (!layout.at(i).visible)
            tbMain->actions().first()->setVisible(false);
    }
    tbMain->adjustSize();
}

bool TfrmMain::SaveToolbarButtons()
{
    QList<TToolbarItem> items;
    for (QAction *action : tbMain->actions()) {
        TToolbarItem item;
        item.id = action->isSeparator() ? -1 : action->data().toInt();
        item.visible = action->isSeparator() || action->isVisible();
        items.append(item);
    }
    return TToolbarCatalogue::WriteLayout(TToolbarCatalogue::FileName(), items);
}

void TfrmMain::ApplyToolbarColor(bool color)
{
    m_toolbarColor = color;
    for (QAction *action : tbMain->actions()) {
        if (action->isSeparator())
            continue;
        action->setIcon(buttonIcon(action->data().toInt(), !color));
    }
}

QToolButton *TfrmMain::ToolButtonByName(const QString &name) const
{
    if (!tbMain)
        return nullptr;
    for (QAction *action : tbMain->actions()) {
        if (action->objectName() == name)
            return qobject_cast<QToolButton *>(tbMain->widgetForAction(action));
    }
    return nullptr;
}

void TfrmMain::SaveBandLayout()
{
    // The whole layout is rewritten in one transaction: a failure leaves the old one.
    QList<RegChange> changes;
    RegChange drop;
    drop.kind = RegChange::DeleteKey;
    drop.key = BandsKey();
    changes.append(drop);
    for (int i = 0; i < cbCoolbar->bandCount(); ++i) {
        const QString key = BandsKey() + QStringLiteral("\\Band") + QString::number(i);
        RegChange create;
        create.kind = RegChange::CreateKey;
        create.key = key;
        changes.append(create);
        const auto value = [&key](const QString &name, RegType type, const QString &text, quint32 number) {
            RegChange change;
            change.kind = RegChange::SetValue;
            change.key = key;
            change.value.name = name;
            change.value.type = type;
            change.value.text = text;
            change.value.dword = number;
            return change;
        };
        changes.append(value(QStringLiteral("Name"), RegType::Sz, cbCoolbar->bandName(i), 0));
        changes.append(value(QStringLiteral("Width"), RegType::Dword, QString(), quint32(qMax(0, cbCoolbar->bandWidth(i)))));
        changes.append(value(QStringLiteral("Break"), RegType::Dword, QString(), cbCoolbar->bandBreak(i) ? 1u : 0u));
    }
    TRegistry::apply(changes);
}

namespace {
// A stored integer: REG_DWORD as written by SaveBandLayout (and by the platform this
// layout may come from), or decimal text. False when the value is missing or unreadable.
bool storedInteger(const RegValue &value, int *result)
{
    if (value.type == RegType::Dword) {
        *result = qint32(value.dword);
        return true;
    }
    if (value.type == RegType::Sz || value.type == RegType::ExpandSz) {
        bool ok = false;
        *result = value.text.trimmed().toInt(&ok);
        return ok;
    }
    return false;
}
}

void TfrmMain::LoadBandLayout()
{
    // Widths beyond any screen are cut; the bar keeps every band at least at its minimum.
    constexpr int MaxBandWidth = 16384;
    QList<RegKeyContents> keys;
    try {
        keys = TRegistry().tree(BandsKey());   // the whole layout in one read
    } catch (const RegistryError &e) {
        qWarning("tabvane: band layout not loaded: %s", e.what());
    }
    const auto valueOf = [](const RegKeyContents &key, const QString &name) {
        for (const RegValue &value : key.values) {
            if (value.name.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        }
        return RegValue();
    };
    for (int n = 0; n < cbCoolbar->bandCount(); ++n) {
        const QString path = BandsKey() + QStringLiteral("\\Band") + QString::number(n);
        const auto key = std::find_if(keys.cbegin(), keys.cend(), [&path](const RegKeyContents &k) {
            return k.path.compare(path, Qt::CaseInsensitive) == 0;
        });
        if (key == keys.cend())
            continue;
        const RegValue name = valueOf(*key, QStringLiteral("Name"));
        if (name.type != RegType::Sz && name.type != RegType::ExpandSz)
            continue;
        const int band = cbCoolbar->bandByName(name.text.trimmed());
        if (band < 0)
            continue;
        cbCoolbar->moveBand(band, n);
        int width = 0;
        if (storedInteger(valueOf(*key, QStringLiteral("Width")), &width))
            cbCoolbar->setBandWidth(n, qBound(0, width, MaxBandWidth));
        int brk = 0;
        if (storedInteger(valueOf(*key, QStringLiteral("Break")), &brk))
            cbCoolbar->setBandBreak(n, brk != 0);
    }
    LayoutLogoPanel();
}
