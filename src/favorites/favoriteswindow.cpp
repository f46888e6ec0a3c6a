#include "favorites/favoriteswindow.h"

#include "app/windowsettings.h"
#include "components/shelltree.h"
#include "favorites/launchlink.h"
#include "favorites/urlshortcut.h"
#include "navigation/commandrows.h"
#include "navigation/commandtable.h"
#include "options/toolbarband.h"
#include "options/toolbarcolor.h"

#include <QAction>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QGuiApplication>
#include <QScreen>
#include <QSizeGrip>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

using namespace CommandRows;

namespace {
QSize boundedSize(QSize size)
{
    return QSize(qBound(120, size.width(), 4000), qBound(120, size.height(), 4000));
}
}

TFavoritesWindow::TFavoritesWindow(TLinkLauncher *launcher, TCommandTable *commands, std::function<QString()> folder,
                                   const bool *newWin, QWidget *mainWindow)
    : QWidget(mainWindow, Qt::Tool | Qt::FramelessWindowHint), m_launcher(launcher), m_folder(std::move(folder)),
      m_newWin(newWin), m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("frmFavorites"));
    setWindowTitle(tr("Favorites"));
    auto *frame = new QVBoxLayout(this);
    frame->setContentsMargins(1, 1, 1, 1);
    frame->setSpacing(0);

    m_bar = new QToolBar(this);
    m_bar->setObjectName(QStringLiteral("tbTop"));
    m_bar->setIconSize(QSize(16, 16));
    m_bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const auto button = [this](const char *name, const QString &hint, const QIcon &icon, std::function<void()> run) {
        QAction *action = m_bar->addAction(icon, hint.section(QLatin1Char('|'), 0, 0));
        action->setObjectName(QLatin1String(name));
        action->setStatusTip(hint.section(QLatin1Char('|'), -1));
        connect(action, &QAction::triggered, this, [run] { run(); });
        // Tab reaches the buttons too, so the window works without a mouse.
        if (QWidget *widget = m_bar->widgetForAction(action)) {
            widget->setObjectName(QLatin1String(name));
            widget->setFocusPolicy(Qt::TabFocus);
        }
    };
    // Add and Organize are the Favorites menu's commands; their dialogs belong to the main
    // window, so this window steps aside first.
    const auto runCommand = [this, commands](const char *name) {
        hide();
        if (QAction *action = commands->Action(QLatin1String(name)))
            commands->Trigger(action);
    };
    button("tbAddToFavorites", tr("Add Favorite|Adds this site to your Favorites"), CatalogueButtonIcon(8),
           [runCommand] { runCommand("mnuFavoritesAdd"); });
    button("tbOrganizeFavorites", tr("Organize Favorites|Organizes your Favorites folder"), CatalogueButtonIcon(9),
           [runCommand] { runCommand("mnuFavoritesOrganize"); });
    button("tbNewFolder", tr("New Folder|Creates a new folder"), style()->standardIcon(QStyle::SP_FileDialogNewFolder),
           [this] {
               const QString made = m_tree->CreateFolder(m_tree->SelectedFolder());
               if (made.isEmpty())
                   QMessageBox::warning(this, tr("Favorites"), m_tree->LastError());
           });
    button("tbRefresh", tr("Refresh|Refreshes your favorites"), CatalogueButtonIcon(5), [this] {
        m_tree->SetRoot(m_folder ? m_folder() : QString());
        m_tree->Refresh();
    });
    frame->addWidget(m_bar);

    m_tree = new TShellTree(this);
    m_tree->setObjectName(QStringLiteral("shFavorites"));
    m_tree->setAccessibleName(tr("Favorites"));
    m_tree->SetRenameEnabled(true);
    m_tree->SetRoot(m_folder ? m_folder() : QString());
    frame->addWidget(m_tree, 1);
    // Opening goes through the table's guard: a failure is reported, never thrown out of the slot.
    connect(m_tree, &TShellTree::EntryActivated, this,
            [this, commands](const QString &path) { commands->Guarded([this, path] { open(path); }); });
    connect(m_tree, &TShellTree::RenameFailed, this,
            [this](const QString &message) {
                auto *box = new QMessageBox(QMessageBox::Warning, tr("Favorites"), message, QMessageBox::Ok, this);
                box->setAttribute(Qt::WA_DeleteOnClose);
                box->open();
            });

    auto *gripRow = new QHBoxLayout;
    gripRow->setContentsMargins(0, 0, 0, 0);
    gripRow->addStretch(1);
    gripRow->addWidget(new QSizeGrip(this), 0, Qt::AlignBottom | Qt::AlignRight);
    frame->addLayout(gripRow);

    if (mainWindow)
        mainWindow->installEventFilter(this);
}

void TFavoritesWindow::DropDownAt(const QPoint &pos)
{
    QRect placed(pos, size());
    if (QScreen *screen = QGuiApplication::screenAt(pos)) {
        const QRect area = screen->availableGeometry();
        placed.moveRight(qMin(placed.right(), area.right()));
        placed.moveBottom(qMin(placed.bottom(), area.bottom()));
        placed.moveLeft(qMax(placed.left(), area.left()));
        placed.moveTop(qMax(placed.top(), area.top()));
    }
    move(placed.topLeft());
    show();
    raise();
    activateWindow();
    m_tree->setFocus();
}

void TFavoritesWindow::open(const QString &path)
{
    if (IsUrlShortcut(path)) {
        const QString url = ReadShortcutUrl(path);
        if (!url.isEmpty())
            m_launcher->LaunchLink(url, m_newWin ? *m_newWin : true);
    } else {
        m_launcher->LaunchLink(path, m_newWin ? *m_newWin : true);
    }
    hide();
}

void TFavoritesWindow::keyPressEvent(QKeyEvent *event)
{
    // Esc reaches the window only when the tree did not use it (a rename in progress
    // takes it to cancel the rename).
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TFavoritesWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The user clicked back into the main window: the drop-down is done.
    if (watched == m_mainWindow && event->type() == QEvent::WindowActivate && isVisible())
        hide();
    return QWidget::eventFilter(watched, event);
}

TFavoritesDropDown::TFavoritesDropDown(QWidget *mainWindow, TLinkLauncher *launcher, TCommandTable *commands,
                                       std::function<QString()> folder, std::function<QWidget *()> anchor,
                                       TToolbarColor *color, QObject *parent)
    : QObject(parent), m_mainWindow(mainWindow), m_launcher(launcher), m_commands(commands),
      m_folder(std::move(folder)), m_anchor(std::move(anchor)), m_color(color)
{
    setObjectName(QStringLiteral("favoritesDropDown"));
    commands->Register(onButton(command("actFavorites", "Favorites", "Favorites|Displays your Favorites",
                                        [this] { Show(); }),
                                9));
}

void TFavoritesDropDown::Load(const TWindowSettings &settings)
{
    m_size = boundedSize(QSize(settings.favoritesWidth, settings.favoritesHeight));
    m_newWin = settings.favoritesNewWin;
    m_autoCollapse = settings.cbAutoExpand;
    if (m_window) {
        m_window->resize(m_size);
        m_window->Tree()->SetAutoCollapse(m_autoCollapse);
    }
}

void TFavoritesDropDown::Save(TWindowSettings &settings) const
{
    const QSize size = m_window ? boundedSize(m_window->size()) : m_size;
    settings.favoritesWidth = size.width();
    settings.favoritesHeight = size.height();
}

void TFavoritesDropDown::Show()
{
    if (m_window && m_window->isVisible())
        return;
    if (!m_window) {
        m_window = new TFavoritesWindow(m_launcher, m_commands, m_folder, &m_newWin, m_mainWindow);
        m_window->resize(m_size);
        m_window->Tree()->SetAutoCollapse(m_autoCollapse);
        if (m_color)
            m_color->Attach(m_window->Bar());
    } else {
        // The folder may have been made or moved since the last time.
        m_window->Tree()->SetRoot(m_folder ? m_folder() : QString());
    }
    // Under the Favorites button; when the toolbar does not show it (hidden, cut off, the
    // toolbar band off), under the window's top-left corner instead of not at all.
    QWidget *button = m_anchor ? m_anchor() : nullptr;
    QPoint pos;
    if (button && button->isVisible())
        pos = button->mapToGlobal(QPoint(0, button->height()));
    else if (m_mainWindow)
        pos = m_mainWindow->mapToGlobal(QPoint(0, 0));
    m_window->DropDownAt(pos);
}
