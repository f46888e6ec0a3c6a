#include "favorites/favoritesdialogs.h"

#include "favorites/favfolder.h"
#include "favorites/linkstree.h"
#include "favorites/urlshortcut.h"
#include "platform/shellfolders.h"

#include <QAction>
#include <QBoxLayout>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSet>
#include <QTimer>
#include <QUrl>

namespace {
constexpr int PathRole = Qt::UserRole;
constexpr int FolderRole = Qt::UserRole + 1;
constexpr int MaxTreeDepth = 32;

QPushButton *button(const QString &caption, const QString &name, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}
}

// ---- TFavoritesTree

TFavoritesTree::TFavoritesTree(const QString &root, bool withFiles, QWidget *parent)
    : QTreeWidget(parent), m_root(QFileInfo(root).absoluteFilePath()), m_withFiles(withFiles)
{
    setObjectName(QStringLiteral("tvFavorites"));
    setAccessibleName(QStringLiteral("Favorites"));
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    Reload(m_root);
}

void TFavoritesTree::addLevel(QTreeWidgetItem *parent, const QString &folder, int depth)
{
    if (depth > MaxTreeDepth)
        return;
    const TLinkListing listing = ListLinkFolder(folder);
    for (const TLinkNode &node : listing.Folders) {
        auto *item = new QTreeWidgetItem(parent, {node.Caption});
        item->setIcon(0, TShellIcons::FolderIcon());
        item->setData(0, PathRole, node.Path);
        item->setData(0, FolderRole, true);
        item->setFlags(item->flags() | Qt::ItemIsEditable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled);
        // A link back up the tree is shown, but not entered again.
        const QString canonical = QFileInfo(node.Path).canonicalFilePath();
        const QString above = QFileInfo(folder).canonicalFilePath();
        if (!canonical.isEmpty() && !QString(above + QLatin1Char('/')).startsWith(canonical + QLatin1Char('/')))
            addLevel(item, node.Path, depth + 1);
    }
    if (!m_withFiles)
        return;
    for (const TLinkNode &node : listing.Files) {
        auto *item = new QTreeWidgetItem(parent, {node.Caption});
        item->setIcon(0, IsUrlShortcut(node.Path) ? TShellIcons::LinkIcon() : TShellIcons::FileIcon(node.Path));
        item->setData(0, PathRole, node.Path);
        item->setData(0, FolderRole, false);
        item->setFlags((item->flags() | Qt::ItemIsEditable | Qt::ItemIsDragEnabled) & ~Qt::ItemIsDropEnabled);
    }
}

void TFavoritesTree::Reload(const QString &select)
{
    const QString wanted = select.isEmpty() ? SelectedPath() : select;
    QSet<QString> open;
    for (QTreeWidgetItemIterator it(this); *it; ++it) {
        if ((*it)->isExpanded())
            open.insert((*it)->data(0, PathRole).toString());
    }
    const bool signalsWere = blockSignals(true);
    clear();
    auto *top = new QTreeWidgetItem(this, {QStringLiteral("Favorites")});
    top->setIcon(0, TShellIcons::FolderIcon());
    top->setData(0, PathRole, m_root);
    top->setData(0, FolderRole, true);
    top->setFlags((top->flags() | Qt::ItemIsDropEnabled) & ~Qt::ItemIsEditable & ~Qt::ItemIsDragEnabled);
    addLevel(top, m_root, 0);
    top->setExpanded(true);
    for (QTreeWidgetItemIterator it(this); *it; ++it) {
        if (open.contains((*it)->data(0, PathRole).toString()))
            (*it)->setExpanded(true);
    }
    blockSignals(signalsWere);
    Select(ItemFor(wanted) ? wanted : m_root);
}

QString TFavoritesTree::SelectedPath() const
{
    const QList<QTreeWidgetItem *> items = selectedItems();
    return items.isEmpty() ? QString() : items.first()->data(0, PathRole).toString();
}

bool TFavoritesTree::SelectedIsFolder() const
{
    const QList<QTreeWidgetItem *> items = selectedItems();
    return !items.isEmpty() && items.first()->data(0, FolderRole).toBool();
}

QTreeWidgetItem *TFavoritesTree::ItemFor(const QString &path) const
{
    if (path.isEmpty())
        return nullptr;
    for (QTreeWidgetItemIterator it(const_cast<TFavoritesTree *>(this)); *it; ++it) {
        if ((*it)->data(0, PathRole).toString() == path)
            return *it;
    }
    return nullptr;
}

void TFavoritesTree::Select(const QString &path)
{
    QTreeWidgetItem *item = ItemFor(path);
    if (!item)
        return;
    for (QTreeWidgetItem *p = item->parent(); p; p = p->parent())
        p->setExpanded(true);
    setCurrentItem(item);
    item->setSelected(true);
    scrollToItem(item);
}

QString TFavoritesTree::dropFolder(const QPoint &pos) const
{
    const QTreeWidgetItem *item = itemAt(pos);
    if (!item)
        return m_root;
    if (item->data(0, FolderRole).toBool())
        return item->data(0, PathRole).toString();
    return item->parent() ? item->parent()->data(0, PathRole).toString() : m_root;
}

void TFavoritesTree::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->source() == this)
        event->acceptProposedAction();
    else
        event->ignore();
}

void TFavoritesTree::dragMoveEvent(QDragMoveEvent *event)
{
    QTreeWidget::dragMoveEvent(event);
    if (event->source() != this) {
        event->ignore();
        return;
    }
    event->accept();
}

void TFavoritesTree::dropEvent(QDropEvent *event)
{
    if (event->source() != this) {
        event->ignore();
        return;
    }
    QStringList paths;
    for (const QTreeWidgetItem *item : selectedItems()) {
        if (item->parent())
            paths.append(item->data(0, PathRole).toString());
    }
    const QString target = dropFolder(event->position().toPoint());
    // The tree is rebuilt from the folder after the move; the view must not move its rows
    // itself, so the drop reports a copy, and the move runs once the drag has ended.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (!paths.isEmpty())
        QTimer::singleShot(0, this, [this, paths, target] { Q_EMIT MoveRequested(paths, target); });
}

// ---- TfrmChooseFavoritesFolder

TfrmChooseFavoritesFolder::TfrmChooseFavoritesFolder(const QString &root, const QString &title, const QString &prompt,
                                                     QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrmChooseFavoritesFolder"));
    setWindowTitle(title);
    auto *box = new QVBoxLayout(this);
    box->addWidget(new QLabel(prompt, this));
    m_tree = new TFavoritesTree(root, false, this);
    box->addWidget(m_tree);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton *newFolder = button(QStringLiteral("&New Folder"), QStringLiteral("btnNewFolder"), this);
    buttons->addButton(newFolder, QDialogButtonBox::ActionRole);
    box->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(newFolder, &QPushButton::clicked, this, [this] {
        QString created;
        QString error;
        const QString parentFolder = m_tree->SelectedPath().isEmpty() ? m_tree->Root() : m_tree->SelectedPath();
        if (TFavoritesFolder::CreateFolder(parentFolder, QStringLiteral("New Folder"), &created, &error)) {
            m_tree->Reload(created);
            if (QTreeWidgetItem *item = m_tree->ItemFor(created))
                m_tree->editItem(item);
        } else {
            QMessageBox::warning(this, windowTitle(), error);
        }
    });
    connect(m_tree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *item) {
        QString renamed;
        QString error;
        if (!TFavoritesFolder::Rename(item->data(0, PathRole).toString(), item->text(0), &renamed, &error))
            QMessageBox::warning(this, windowTitle(), error);
        QTimer::singleShot(0, m_tree, [this, renamed] { m_tree->Reload(renamed); });
    });
    resize(360, 360);
}

QString TfrmChooseFavoritesFolder::SelectedFolder() const
{
    const QString path = m_tree->SelectedPath();
    return path.isEmpty() ? m_tree->Root() : path;
}

// ---- TfrmAddFavorite

TfrmAddFavorite::TfrmAddFavorite(const QString &root, const QString &title, const QString &url, QWidget *parent)
    : QDialog(parent), m_url(url)
{
    setObjectName(QStringLiteral("TfrmAddFavorite"));
    setWindowTitle(QStringLiteral("Add Favorite"));
    m_ask = [this](const QString &question) {
        return QMessageBox::question(this, windowTitle(), question) == QMessageBox::Yes;
    };
    auto *box = new QVBoxLayout(this);
    auto *intro = new QLabel(QStringLiteral("Tabvane will add this page to your Favorites.\n%1").arg(url), this);
    intro->setTextInteractionFlags(Qt::TextSelectableByMouse);
    intro->setWordWrap(true);
    box->addWidget(intro);
    auto *nameRow = new QHBoxLayout;
    auto *nameLabel = new QLabel(QStringLiteral("&Name:"), this);
    edtName = new QLineEdit(TSafeName::FromTitle(title.trimmed().isEmpty() ? url : title, QUrl(url).host()), this);
    edtName->setObjectName(QStringLiteral("edtName"));
    nameLabel->setBuddy(edtName);
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(edtName, 1);
    box->addLayout(nameRow);
    auto *createIn = new QLabel(QStringLiteral("Create &in:"), this);
    box->addWidget(createIn);
    m_tree = new TFavoritesTree(root, false, this);
    createIn->setBuddy(m_tree);
    box->addWidget(m_tree, 1);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton *newFolder = button(QStringLiteral("New &Folder..."), QStringLiteral("btnNewFolder"), this);
    buttons->addButton(newFolder, QDialogButtonBox::ActionRole);
    box->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(newFolder, &QPushButton::clicked, this, [this] { NewFolder(); });
    connect(m_tree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *item) {
        QString renamed;
        QString error;
        if (!TFavoritesFolder::Rename(item->data(0, PathRole).toString(), item->text(0), &renamed, &error))
            QMessageBox::warning(this, windowTitle(), error);
        QTimer::singleShot(0, m_tree, [this, renamed] { m_tree->Reload(renamed); });
    });
    edtName->selectAll();
    edtName->setFocus();
    resize(420, 380);
}

void TfrmAddFavorite::NewFolder(const QString &name)
{
    QString created;
    QString error;
    const QString parentFolder = m_tree->SelectedPath().isEmpty() ? m_tree->Root() : m_tree->SelectedPath();
    if (!TFavoritesFolder::CreateFolder(parentFolder, name, &created, &error)) {
        QMessageBox::warning(this, windowTitle(), error);
        return;
    }
    m_tree->Reload(created);
    if (isVisible())
        if (QTreeWidgetItem *item = m_tree->ItemFor(created))
            m_tree->editItem(item);
}

bool TfrmAddFavorite::Save()
{
    const QString name = edtName->text().trimmed();
    if (name.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), QStringLiteral("Please type a name for the favorite."));
        return false;
    }
    QString folder = m_tree->SelectedPath();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = m_tree->Root();
    const QString path = TFavoritesFolder::ShortcutPath(folder, name, m_url);
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        if (!QFileInfo(path).isFile()
            || !m_ask(QStringLiteral("\"%1\" already exists in your Favorites. Replace it?").arg(QFileInfo(path).completeBaseName())))
            return false;
    }
    QString error;
    if (!WriteUrlShortcut(path, m_url, &error)) {
        QMessageBox::warning(this, windowTitle(), QStringLiteral("The favorite could not be written: %1").arg(error));
        return false;
    }
    m_saved = path;
    return true;
}

void TfrmAddFavorite::accept()
{
    if (Save())
        QDialog::accept();
}

// ---- TfrmOrganizeFavorites

TfrmOrganizeFavorites::TfrmOrganizeFavorites(const QString &root, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrmOrganizeFavorites"));
    setWindowTitle(QStringLiteral("Organize Favorites"));
    m_chooseFolder = [this, root] {
        TfrmChooseFavoritesFolder chooser(root, QStringLiteral("Move to Folder"),
                                          QStringLiteral("Move the selected item into:"), this);
        return chooser.exec() == QDialog::Accepted ? chooser.SelectedFolder() : QString();
    };
    auto *outer = new QHBoxLayout(this);
    auto *side = new QVBoxLayout;
    auto *intro = new QLabel(QStringLiteral("Create folders, rename, move or delete your favorites. "
                                            "Drag an item onto a folder to move it there."), this);
    intro->setWordWrap(true);
    side->addWidget(intro);
    QPushButton *btnCreate = button(QStringLiteral("&Create Folder"), QStringLiteral("btnCreateFolder"), this);
    QPushButton *btnRename = button(QStringLiteral("&Rename"), QStringLiteral("btnRename"), this);
    QPushButton *btnMove = button(QStringLiteral("&Move to Folder..."), QStringLiteral("btnMoveToFolder"), this);
    QPushButton *btnDelete = button(QStringLiteral("&Delete"), QStringLiteral("btnDelete"), this);
    auto *grid = new QGridLayout;
    grid->addWidget(btnCreate, 0, 0);
    grid->addWidget(btnRename, 0, 1);
    grid->addWidget(btnMove, 1, 0);
    grid->addWidget(btnDelete, 1, 1);
    side->addLayout(grid);
    lblDetails = new QLabel(this);
    lblDetails->setObjectName(QStringLiteral("lblDetails"));
    lblDetails->setWordWrap(true);
    lblDetails->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblDetails->setFrameShape(QFrame::StyledPanel);
    lblDetails->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDetails->setMinimumHeight(90);
    side->addWidget(lblDetails);
    lblError = new QLabel(this);
    lblError->setObjectName(QStringLiteral("lblError"));
    lblError->setWordWrap(true);
    lblError->setStyleSheet(QStringLiteral("color: #a00000"));
    side->addWidget(lblError);
    side->addStretch(1);
    auto *close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    side->addWidget(close);
    outer->addLayout(side, 2);

    m_tree = new TFavoritesTree(root, true, this);
    m_tree->setDragEnabled(true);
    m_tree->setAcceptDrops(true);
    m_tree->setDropIndicatorShown(true);
    m_tree->setDragDropMode(QAbstractItemView::DragDrop);
    m_tree->setDefaultDropAction(Qt::MoveAction);
    outer->addWidget(m_tree, 3);

    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(btnCreate, &QPushButton::clicked, this, [this] {
        if (CreateFolder())
            if (QTreeWidgetItem *item = m_tree->ItemFor(m_tree->SelectedPath()))
                m_tree->editItem(item);
    });
    connect(btnRename, &QPushButton::clicked, this, [this] {
        QTreeWidgetItem *item = m_tree->currentItem();
        if (item && item->parent())
            m_tree->editItem(item);
    });
    connect(btnMove, &QPushButton::clicked, this, [this] {
        if (!m_tree->currentItem() || !m_tree->currentItem()->parent())
            return;
        const QString target = m_chooseFolder();
        if (!target.isEmpty())
            MoveSelected(target);
    });
    connect(btnDelete, &QPushButton::clicked, this, [this] { DeleteSelected(); });
    // Del on the tree; a name being edited keeps the key for itself.
    auto *deleteKey = new QAction(m_tree);
    deleteKey->setShortcut(QKeySequence::Delete);
    deleteKey->setShortcutContext(Qt::WidgetShortcut);
    connect(deleteKey, &QAction::triggered, this, [this] { DeleteSelected(); });
    m_tree->addAction(deleteKey);
    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, &TfrmOrganizeFavorites::showDetails);
    connect(m_tree, &QTreeWidget::itemChanged, this, &TfrmOrganizeFavorites::editRenamed);
    connect(m_tree, &TFavoritesTree::MoveRequested, this, &TfrmOrganizeFavorites::MoveEntries);
    showDetails();
    resize(620, 420);
}

bool TfrmOrganizeFavorites::report(bool ok, const QString &error)
{
    m_error = ok ? QString() : error;
    lblError->setText(m_error);
    return ok;
}

bool TfrmOrganizeFavorites::CreateFolder(const QString &name)
{
    QString parentFolder = m_tree->SelectedPath();
    if (parentFolder.isEmpty() || !m_tree->SelectedIsFolder())
        parentFolder = QFileInfo(parentFolder).absolutePath();
    if (m_tree->SelectedPath().isEmpty())
        parentFolder = m_tree->Root();
    QString created;
    QString error;
    const bool ok = TFavoritesFolder::CreateFolder(parentFolder, name, &created, &error);
    m_tree->Reload(created);
    return report(ok, error);
}

bool TfrmOrganizeFavorites::RenameSelected(const QString &newName)
{
    const QString path = m_tree->SelectedPath();
    if (path.isEmpty() || path == m_tree->Root())
        return report(false, QStringLiteral("Choose an item to rename."));
    QString renamed;
    QString error;
    const bool ok = TFavoritesFolder::Rename(path, newName, &renamed, &error);
    m_tree->Reload(ok ? renamed : path);
    return report(ok, error);
}

void TfrmOrganizeFavorites::editRenamed(QTreeWidgetItem *item)
{
    if (!item)
        return;
    const QString path = item->data(0, PathRole).toString();
    const QString text = item->text(0);
    // The tree is rebuilt once the editor has let go of the item.
    QTimer::singleShot(0, this, [this, path, text] {
        m_tree->Select(path);
        RenameSelected(text);
    });
}

bool TfrmOrganizeFavorites::MoveSelected(const QString &targetFolder)
{
    const QString path = m_tree->SelectedPath();
    if (path.isEmpty() || path == m_tree->Root())
        return report(false, QStringLiteral("Choose an item to move."));
    return MoveEntries({path}, targetFolder);
}

bool TfrmOrganizeFavorites::MoveEntries(const QStringList &paths, const QString &targetFolder)
{
    QString last;
    QString firstError;
    for (const QString &path : paths) {
        QString moved;
        QString error;
        if (TFavoritesFolder::Move(path, targetFolder, &moved, &error))
            last = moved;
        else if (firstError.isEmpty())
            firstError = error;
    }
    m_tree->Reload(last);
    return report(firstError.isEmpty(), firstError);
}

bool TfrmOrganizeFavorites::DeleteSelected()
{
    const QString path = m_tree->SelectedPath();
    if (path.isEmpty() || path == m_tree->Root())
        return report(false, QStringLiteral("Choose an item to delete."));
    QString error;
    const bool ok = TFavoritesFolder::Delete(path, &error);
    m_tree->Reload(ok ? QFileInfo(path).absolutePath() : path);
    return report(ok, error);
}

QString TfrmOrganizeFavorites::Details() const
{
    return lblDetails->text();
}

void TfrmOrganizeFavorites::showDetails()
{
    const QString path = m_tree->SelectedPath();
    if (path.isEmpty()) {
        lblDetails->clear();
        return;
    }
    const QFileInfo info(path);
    QStringList lines;
    const QTreeWidgetItem *item = m_tree->ItemFor(path);
    lines.append(item ? item->text(0) : info.fileName());
    if (info.isDir())
        lines.append(QStringLiteral("Favorites Folder"));
    else if (IsUrlShortcut(path))
        lines.append(ReadShortcutUrl(path));
    else
        lines.append(path);
    lines.append(QStringLiteral("Modified: %1").arg(QLocale().toString(info.lastModified(), QLocale::ShortFormat)));
    lblDetails->setText(lines.join(QLatin1Char('\n')));
}
