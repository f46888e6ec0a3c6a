// TfrmMain: the main toolbar built from its catalogue and "tbmain.dat", the colour switch
// between cold and hot pictures, and the band layout kept in the settings store.

#include "app/main_window.h"

#include "components/coolbar.h"
#include "options/toolbarcatalogue.h"
#include "platform/registry.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHash>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

namespace {
const QString BandsKey = TKWOptions::SettingsKey + QStringLiteral("\\Bands");

struct TIconChoice {
    const char *theme;
    QStyle::StandardPixmap fallback;
};

TIconChoice iconChoice(int id)
{
    switch (id) {
    case 0: return {"tab-new", QStyle::SP_FileIcon};
    case 1: return {"document-open", QStyle::SP_DialogOpenButton};
    case 2: return {"go-previous", QStyle::SP_ArrowBack};
    case 3: return {"go-next", QStyle::SP_ArrowForward};
    case 4: return {"process-stop", QStyle::SP_BrowserStop};
    case 5: return {"view-refresh", QStyle::SP_BrowserReload};
    case 6: return {"go-home", QStyle::SP_DirHomeIcon};
    case 7: return {"system-search", QStyle::SP_FileDialogContentsView};
    case 8: return {"bookmark-new", QStyle::SP_DialogApplyButton};
    case 9: return {"user-bookmarks", QStyle::SP_DirIcon};
    case 10: return {"view-sidebar", QStyle::SP_FileDialogListView};
    case 11: return {"mail-unread", QStyle::SP_MessageBoxInformation};
    case 12: return {"zoom-in", QStyle::SP_FileDialogDetailedView};
    case 13: return {"document-print", QStyle::SP_DriveFDIcon};
    case 14: return {"text-html", QStyle::SP_FileIcon};
    case 15: return {"image-x-generic", QStyle::SP_DesktopIcon};
    case 16: return {"view-fullscreen", QStyle::SP_TitleBarMaxButton};
    case 17: return {"edit-find", QStyle::SP_FileDialogContentsView};
    case 18: return {"document-save-as", QStyle::SP_DialogSaveButton};
    case 19: return {"process-stop", QStyle::SP_BrowserStop};
    case 20: return {"view-refresh", QStyle::SP_BrowserReload};
    default: return {"", QStyle::SP_CustomBase};
    }
}

// The desktop's icon theme when it has the icon, else the style's own picture.
QIcon hotIcon(int id)
{
    static bool themeChecked = false;
    if (!themeChecked) {
        themeChecked = true;
        const QString theme = QIcon::themeName();
        if ((theme.isEmpty() || theme == QLatin1String("hicolor"))
                && QDir(QStringLiteral("/usr/share/icons/Adwaita")).exists())
            QIcon::setThemeName(QStringLiteral("Adwaita"));
    }
    const TIconChoice choice = iconChoice(id);
    if (choice.fallback == QStyle::SP_CustomBase)
        return QIcon();
    QIcon icon = QIcon::fromTheme(QLatin1String(choice.theme));
    if (icon.isNull())
        icon = qApp->style()->standardIcon(choice.fallback);
    return icon;
}

// The cold picture is the hot one in grey; it turns to colour under the mouse.
QIcon coldIcon(const QIcon &hot, const QSize &size)
{
    if (hot.isNull())
        return hot;
    const QPixmap colour = hot.pixmap(size);
    QImage grey = colour.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < grey.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(grey.scanLine(y));
        for (int x = 0; x < grey.width(); ++x) {
            const int g = qGray(line[x]);
            line[x] = qRgba(g, g, g, qAlpha(line[x]));
        }
    }
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(grey), QIcon::Normal);
    icon.addPixmap(colour, QIcon::Active);
    icon.addPixmap(hot.pixmap(size, QIcon::Disabled), QIcon::Disabled);
    return icon;
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
        action->setProperty("hotIcon", hotIcon(id));
    }
    tbMain->insertAction(before, action);
    auto *button = qobject_cast<QToolButton *>(tbMain->widgetForAction(action));
    if (button && def)
        button->setObjectName(QLatin1String(def->name));

    QMenu *menu = nullptr;
    switch (id) {
    case 0:
        connect(action, &QAction::triggered, this, &TfrmMain::actNewExecute);
        menu = pmNew;
        break;
    case 2:
        connect(action, &QAction::triggered, this, [this] { if (actBack) actBack->trigger(); });
        action->setEnabled(actBack && actBack->isEnabled());
        connect(actBack, &QAction::changed, action, [this, action] { action->setEnabled(actBack->isEnabled()); });
        break;
    case 3:
        connect(action, &QAction::triggered, this, [this] { if (actForward) actForward->trigger(); });
        action->setEnabled(actForward && actForward->isEnabled());
        connect(actForward, &QAction::changed, action, [this, action] { action->setEnabled(actForward->isEnabled()); });
        break;
    case 16:
        action->setChecked(m_fullScreen);
        connect(action, &QAction::triggered, this, [this](bool on) { SetFullScreen(on); });
        break;
    default:
        // The remaining buttons run the commands of the menus; BindToolbarButton connects
        // them, or leaves them disabled while their command does not exist.
        BindToolbarButton(id, action, &menu);
        break;
    }
    if (menu && button) {
        button->setMenu(menu);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
    action->setIcon(m_toolbarColor ? hotIcon(id) : coldIcon(hotIcon(id), tbMain->iconSize()));
}

void TfrmMain::ResetToolbar()
{
    tbMain->clear();
    const QList<TToolbarItem> layout = TToolbarCatalogue::DefaultLayout();
    for (int i = layout.size() - 1; i >= 0; --i) {
        CreateToolbarButton(layout.at(i).id);
        if (!layout.at(i).visible)
            tbMain->actions().first()->setVisible(false);
    }
}

void TfrmMain::LoadToolbarButtons()
{
    tbMain->clear();
    bool exists = false;
    const QList<TToolbarItem> layout = TToolbarCatalogue::ReadLayout(TToolbarCatalogue::FileName(), &exists);
    if (!exists) {
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

void TfrmMain::SaveToolbarButtons()
{
    QList<TToolbarItem> items;
    for (QAction *action : tbMain->actions()) {
        TToolbarItem item;
        item.id = action->isSeparator() ? -1 : action->data().toInt();
        item.visible = action->isSeparator() || action->isVisible();
        items.append(item);
    }
    if (!TToolbarCatalogue::WriteLayout(TToolbarCatalogue::FileName(), items))
        qWarning("tabvane: the toolbar layout could not be written to %s",
                 qPrintable(TToolbarCatalogue::FileName()));
}

void TfrmMain::ApplyToolbarColor(bool color)
{
    m_toolbarColor = color;
    for (QAction *action : tbMain->actions()) {
        if (action->isSeparator())
            continue;
        const QIcon hot = hotIcon(action->data().toInt());
        action->setIcon(color ? hot : coldIcon(hot, tbMain->iconSize()));
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
    TRegistry reg;
    reg.deleteKey(BandsKey);
    for (int i = 0; i < cbCoolbar->bandCount(); ++i) {
        const QString key = BandsKey + QStringLiteral("\\Band") + QString::number(i);
        reg.createKey(key);
        reg.writeString(key, QStringLiteral("Name"), cbCoolbar->bandName(i));
        reg.writeString(key, QStringLiteral("Width"), QString::number(cbCoolbar->bandWidth(i)));
        reg.writeString(key, QStringLiteral("Break"), cbCoolbar->bandBreak(i) ? QStringLiteral("1") : QStringLiteral("0"));
    }
}

void TfrmMain::LoadBandLayout()
{
    try {
        TRegistry reg;
        for (int n = 0; n < cbCoolbar->bandCount(); ++n) {
            const QString key = BandsKey + QStringLiteral("\\Band") + QString::number(n);
            if (!reg.keyExists(key))
                continue;
            const int band = cbCoolbar->bandByName(reg.readValue(key, QStringLiteral("Name")).text);
            if (band < 0)
                continue;
            cbCoolbar->moveBand(band, n);
            bool ok = false;
            const int width = reg.readValue(key, QStringLiteral("Width")).text.toInt(&ok);
            if (ok && width > 0 && width < 100000)
                cbCoolbar->setBandWidth(n, width);
            const RegValue brk = reg.readValue(key, QStringLiteral("Break"));
            if (brk.exists())
                cbCoolbar->setBandBreak(n, brk.text.toInt() != 0);
        }
    } catch (const RegistryError &e) {
        qWarning("tabvane: band layout not loaded: %s", e.what());
    }
    LayoutLogoPanel();
}
