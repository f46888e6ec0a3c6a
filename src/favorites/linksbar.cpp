#include "favorites/linksbar.h"

#include "app/windowsettings.h"
#include "browser/browsertab.h"
#include "favorites/discmon.h"
#include "favorites/launchlink.h"
#include "favorites/linkstree.h"
#include "navigation/commandtable.h"
#include "platform/shellfolders.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCursor>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

namespace {
const char *RoleProperty = "linkRole";
const char *TargetProperty = "linkTarget";
const char *FilledProperty = "linkFilled";
const char *NodeProperty = "linkNode";

// Runs a function whenever the watched widget changes its size.
class TResizeFilter : public QObject {
public:
    TResizeFilter(QWidget *watched, std::function<void()> run) : QObject(watched), m_run(std::move(run))
    {
        watched->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Resize || event->type() == QEvent::Show)
            m_run();
        return false;
    }

private:
    std::function<void()> m_run;
};

void mark(QAction *action, TLinksBar::TRole role, const QString &target = QString())
{
    action->setProperty(RoleProperty, int(role));
    action->setProperty(TargetProperty, target);
}

// The widest the bar can ever be: buttons past it are never seen, so none are made.
int widestBar()
{
    int width = 0;
    for (QScreen *screen : QGuiApplication::screens())
        width += screen->geometry().width();
    return qMax(width, 1024);
}
}

TLinksBar::TLinksBar(QWidget *panel, TLinkLauncher *launcher, TCommandTable *commands, QObject *parent)
    : QObject(parent), m_panel(panel), m_launcher(launcher), m_commands(commands)
{
    setObjectName(QStringLiteral("LinksBar"));
    auto *box = qobject_cast<QBoxLayout *>(panel->layout());
    if (!box) {
        box = new QHBoxLayout(panel);
        box->setContentsMargins(0, 0, 0, 0);
    }
    box->setSpacing(0);
    m_main = new QWidget(panel);
    m_main->setObjectName(QStringLiteral("pnlLinksMain"));
    m_main->setMinimumWidth(0);
    m_main->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    box->addWidget(m_main, 1);
    m_extender = new QWidget(panel);
    m_extender->setObjectName(QStringLiteral("pnlLinksExtender"));
    auto *extBox = new QHBoxLayout(m_extender);
    extBox->setContentsMargins(0, 0, 0, 0);
    m_chevron = new QToolButton(m_extender);
    m_chevron->setObjectName(QStringLiteral("tbxLinks"));
    m_chevron->setText(QStringLiteral("&Menu"));
    // Its caption's access key would clash with the menu bar's own "&Menu" (Alt+M then
    // runs neither): the chevron is reached by the mouse.
    m_chevron->setShortcut(QKeySequence());
    m_chevron->setToolTip(QStringLiteral("Links"));
    m_chevron->setAccessibleName(QStringLiteral("More links"));
    m_chevron->setArrowType(Qt::RightArrow);
    m_chevron->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_chevron->setAutoRaise(true);
    m_chevron->setPopupMode(QToolButton::InstantPopup);
    m_chevron->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0px; }"));
    m_chevron->setFixedWidth(17);
    extBox->addWidget(m_chevron);
    box->addWidget(m_extender);
    m_extender->setFixedWidth(0);

    m_rootMenu = new QMenu(QStringLiteral("Links"), panel);
    m_rootMenu->setObjectName(QStringLiteral("mnuLinks"));
    m_rootMenu->setProperty(FilledProperty, true);
    m_chevron->setMenu(m_rootMenu);
    watchHide(m_rootMenu);

    new TResizeFilter(panel, [this] { layoutButtons(); });

    TCommandRow organize;
    organize.name = QStringLiteral("pmCustomizeOrganizeLinks");
    organize.caption = QStringLiteral("&Organize Links...");
    organize.handler = [this](bool) { pmCustomizeOrganizeLinksClick(); };
    m_commands->Register(organize);

    setUpFolder();
}

TLinksBar::~TLinksBar()
{
    m_cancel = true;
    if (m_scan.joinable())
        m_scan.join();
}

void TLinksBar::setUpFolder()
{
    m_folder = TShellFolders::LinksFolder();
    if (m_folder.isEmpty() || !QFileInfo(m_folder).isDir()) {
        folderGone();
        return;
    }
    if (m_parentMonitor) {
        m_parentMonitor->deleteLater();
        m_parentMonitor = nullptr;
    }
    if (!m_monitor) {
        m_monitor = new TDiscMonitor(this);
        m_monitor->SetFilters(TMonitorFilter::moFilename | TMonitorFilter::moDirName);
        m_monitor->SetSubTree(true);
        connect(m_monitor, &TDiscMonitor::Changed, this, &TLinksBar::RebuildLinks);
        // The folder is read once the watches stand, so nothing put there in between is
        // missed.
        connect(m_monitor, &TDiscMonitor::Watching, this, &TLinksBar::RebuildLinks);
        connect(m_monitor, &TDiscMonitor::Invalid, this, [this] {
            if (QFileInfo(m_folder).isDir())
                RebuildLinks();
            else
                folderGone();
        });
        connect(m_monitor, &TDiscMonitor::WatchLimitReached, this, &TLinksBar::Problem);
    }
    m_monitor->SetDirectory(m_folder);
    m_monitor->SetActive(true);
}

void TLinksBar::folderGone()
{
    // An empty bar and no monitor on the folder; the Favorites folder is watched for the
    // folder to come (back), as when the user renames it back or makes it.
    if (m_monitor) {
        m_monitor->deleteLater();   // possibly from inside its own signal
        m_monitor = nullptr;
    }
    const QString parent = m_folder.isEmpty() ? QString() : QFileInfo(m_folder).absolutePath();
    if (!m_parentMonitor && !parent.isEmpty() && QFileInfo(parent).isDir()) {
        m_parentMonitor = new TDiscMonitor(this);
        m_parentMonitor->SetFilters(TMonitorFilter::moDirName);
        m_parentMonitor->SetSubTree(false);
        m_parentMonitor->SetDirectory(parent);
        connect(m_parentMonitor, &TDiscMonitor::Changed, this, [this] {
            if (QFileInfo(m_folder).isDir())
                setUpFolder();
        });
        m_parentMonitor->SetActive(true);
    }
    RebuildLinks();
}

void TLinksBar::Load(const TWindowSettings &settings)
{
    m_linksNewWin = settings.linksNewWin;
    SetUseCustomIcons(settings.useCustomIcons);
}

void TLinksBar::SetUseCustomIcons(bool on)
{
    if (on == m_useCustomIcons)
        return;
    m_useCustomIcons = on;
    RebuildLinks();
}

void TLinksBar::RebuildLinks()
{
    if (m_scanning) {
        m_scanAgain = true;
        return;
    }
    m_scanning = true;
    // The monitor stays off while the folder is read; what changes meanwhile is
    // delivered as one change when it is on again.
    if (m_monitor)
        m_monitor->SetActive(false);
    if (m_scan.joinable())
        m_scan.join();
    const QString folder = m_folder;
    m_scan = std::thread([this, folder] {
        auto tree = std::make_shared<const TLinkListing>(ReadLinkTree(folder, &m_cancel));
        QMetaObject::invokeMethod(this, [this, tree] { scanFinished(tree); }, Qt::QueuedConnection);
    });
}

void TLinksBar::scanFinished(std::shared_ptr<const TLinkListing> tree)
{
    m_scanning = false;
    if (m_scan.joinable())
        m_scan.join();
    if (m_scanAgain) {
        m_scanAgain = false;
        RebuildLinks();
        return;
    }
    // Menus are not pulled away from under the user: the result waits until they close.
    if (menuShowing())
        m_deferred = tree;
    else
        apply(tree);
    if (m_monitor)
        m_monitor->SetActive(true);
}

void TLinksBar::watchHide(QMenu *menu)
{
    // A read that waited for the menus to close is shown once they have.
    connect(menu, &QMenu::aboutToHide, this, [this] {
        QTimer::singleShot(0, this, [this] {
            if (m_deferred && !menuShowing())
                apply(std::exchange(m_deferred, nullptr));
        });
    });
}

bool TLinksBar::menuShowing() const
{
    for (QWidget *popup = QApplication::activePopupWidget(); popup; popup = popup->parentWidget()) {
        if (popup == m_rootMenu)
            return true;
    }
    for (const QPointer<QToolButton> &button : m_buttons) {
        if (button && button->isDown())
            return true;
    }
    return false;
}

void TLinksBar::clearBar()
{
    for (const QPointer<QToolButton> &button : std::as_const(m_buttons)) {
        if (button) {
            button->hide();
            button->deleteLater();
        }
    }
    m_buttons.clear();
    // Folder menus are children of the Links menu (or of each other).
    const QList<QMenu *> subMenus = m_rootMenu->findChildren<QMenu *>(QString(), Qt::FindDirectChildrenOnly);
    m_rootMenu->clear();
    for (QMenu *menu : subMenus)
        menu->deleteLater();
}

namespace {
bool sameEntries(const QList<TLinkNode> &a, const QList<TLinkNode> &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        const TLinkNode &x = a.at(i);
        const TLinkNode &y = b.at(i);
        if (x.IsFolder != y.IsFolder || x.Caption != y.Caption || x.Target != y.Target || x.Path != y.Path
            || !sameEntries(x.Children, y.Children))
            return false;
    }
    return true;
}
}

void TLinksBar::apply(const std::shared_ptr<const TLinkListing> &tree)
{
    // Nothing changed (the folder was read again after a change that was undone, or
    // twice for one change): the buttons and menus stay, also one being pressed.
    if (m_tree && m_appliedIcons == m_useCustomIcons && sameEntries(m_tree->Folders, tree->Folders)
        && sameEntries(m_tree->Files, tree->Files)) {
        Q_EMIT Rebuilt();
        return;
    }
    m_appliedIcons = m_useCustomIcons;
    clearBar();
    m_tree = tree;
    addEntries(m_rootMenu, m_folder, {&tree->Folders, &tree->Files});

    // One button per entry of the Links menu but the fixed ones, folders first.
    int x = 0;
    const int widest = widestBar();
    m_entriesWithoutButton = 0;
    for (QAction *action : m_rootMenu->actions()) {
        const TRole role = LinkRole(action);
        if (role != RoleLink && role != RoleFolder)
            continue;
        if (x > widest) {
            ++m_entriesWithoutButton;
            continue;
        }
        auto *button = new QToolButton(m_main);
        button->setAutoRaise(true);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setIconSize(QSize(16, 16));
        button->setText(action->text());
        button->setIcon(action->icon());
        button->setProperty(RoleProperty, int(role));
        button->setProperty(TargetProperty, LinkTarget(action));
        if (role == RoleFolder) {
            button->setMenu(action->menu());
            button->setPopupMode(QToolButton::InstantPopup);
            // While its menu is open the button never learns that the pointer left it;
            // once the menu is gone it is told.
            QPointer<QToolButton> guard(button);
            connect(action->menu(), &QMenu::aboutToHide, button, [guard] {
                QTimer::singleShot(0, guard, [guard] {
                    if (!guard || guard->rect().contains(guard->mapFromGlobal(QCursor::pos())))
                        return;
                    guard->setAttribute(Qt::WA_UnderMouse, false);
                    QEvent leave(QEvent::Leave);
                    QCoreApplication::sendEvent(guard, &leave);
                    guard->update();
                });
            });
        } else {
            const QString target = LinkTarget(action);
            button->setToolTip(target);
            connect(button, &QToolButton::clicked, this, [this, target] { LinkClick(target); });
        }
        const QSize size = button->sizeHint();
        button->setGeometry(x, 0, size.width(), qMax(size.height(), m_main->height()));
        button->show();
        x += size.width() + 1;
        m_buttons.append(button);
    }
    // The customize entries come after the buttons were made and never get one.
    m_rootMenu->addSeparator()->setProperty(RoleProperty, int(RoleSeparator));
    QAction *customize = m_rootMenu->addAction(QStringLiteral("&Customize..."));
    mark(customize, RoleCustomize);
    connect(customize, &QAction::triggered, this, [this] { m_commands->Guarded([this] { pmCustomizeOrganizeLinksClick(); }); });
    layoutButtons();
    m_main->update();
    Q_EMIT Rebuilt();
}

void TLinksBar::addEntries(QMenu *menu, const QString &folder, std::initializer_list<const QList<TLinkNode> *> parts)
{
    QAction *openAll = menu->addAction(QStringLiteral("O&pen All Favorites"));
    mark(openAll, RoleOpenAll, folder);
    // Opened from the entries read (folders are skipped by the rule), which also serves
    // folders whose names are no UTF-8.
    QStringList targets;
    for (const QList<TLinkNode> *part : parts) {
        for (const TLinkNode &node : *part) {
            if (!node.IsFolder)
                targets.append(node.Target);
        }
    }
    connect(openAll, &QAction::triggered, this,
            [this, targets] { m_commands->Guarded([&] { m_launcher->OpenAll(targets); }); });
    menu->addSeparator()->setProperty(RoleProperty, int(RoleSeparator));
    for (const QList<TLinkNode> *part : parts)
    for (const TLinkNode &node : *part) {
        const QString caption = EscapeAmpersands(node.Caption);
        if (node.IsFolder) {
            QMenu *sub = folderMenu(&node, menu);
            sub->setTitle(caption);
            QAction *entry = menu->addMenu(sub);
            entry->setIcon(TShellIcons::FolderIcon());
            mark(entry, RoleFolder, node.Target);
        } else {
            QAction *entry = menu->addAction(caption);
            entry->setIcon(m_useCustomIcons ? TShellIcons::FileIcon(node.Path) : TShellIcons::LinkIcon());
            entry->setStatusTip(node.Target);
            mark(entry, RoleLink, node.Target);
            const QString target = node.Target;
            connect(entry, &QAction::triggered, this, [this, target] { LinkClick(target); });
        }
    }
}

QMenu *TLinksBar::folderMenu(const TLinkNode *node, QWidget *parent)
{
    auto *sub = new QMenu(parent);
    sub->setIcon(TShellIcons::FolderIcon());
    // The node lives in m_tree, which is replaced only after every menu went.
    sub->setProperty(NodeProperty, QVariant::fromValue(reinterpret_cast<quintptr>(node)));
    connect(sub, &QMenu::aboutToShow, this, [this, sub] { FillMenu(sub); });
    watchHide(sub);
    return sub;
}

void TLinksBar::FillMenu(QMenu *menu)
{
    if (!menu || menu->property(FilledProperty).toBool())
        return;
    const auto *node = reinterpret_cast<const TLinkNode *>(menu->property(NodeProperty).value<quintptr>());
    if (!node)
        return;
    menu->setProperty(FilledProperty, true);
    addEntries(menu, node->Path, {&node->Children});
}

TLinksBar::TRole TLinksBar::LinkRole(const QAction *action)
{
    return action ? TRole(action->property(RoleProperty).toInt()) : TRole(0);
}

QString TLinksBar::LinkTarget(const QAction *action)
{
    return action ? action->property(TargetProperty).toString() : QString();
}

QList<QToolButton *> TLinksBar::Buttons() const
{
    QList<QToolButton *> out;
    for (const QPointer<QToolButton> &button : m_buttons) {
        if (button)
            out.append(button);
    }
    return out;
}

void TLinksBar::layoutButtons()
{
    const int height = m_main->height();
    int right = 0;
    for (const QPointer<QToolButton> &button : std::as_const(m_buttons)) {
        if (!button)
            continue;
        button->resize(button->width(), qMax(button->sizeHint().height(), height));
        right = button->geometry().x() + button->width();
    }
    const bool cut = m_entriesWithoutButton > 0 || (!m_buttons.isEmpty() && right > m_panel->width());
    m_extender->setFixedWidth(cut ? m_chevron->width() : 0);
}

bool TLinksBar::ChevronShown() const
{
    return m_extender->width() > 0;
}

void TLinksBar::LinkClick(const QString &target)
{
    m_commands->Guarded([&] { m_launcher->LaunchLink(target, m_linksNewWin); });
}

void TLinksBar::pmCustomizeOrganizeLinksClick()
{
    if (m_folder.isEmpty())
        m_folder = TShellFolders::LinksFolder();
    if (m_folder.isEmpty())
        return;
    // A user who has no Links folder yet gets one to put links into.
    if (!QFileInfo(m_folder).isDir()) {
        if (!QDir().mkpath(m_folder))
            return;
        setUpFolder();
    }
    TShellOpen::OpenPath(m_folder);
}
