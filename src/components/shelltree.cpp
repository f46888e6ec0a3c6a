#include "components/shelltree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include <functional>

QString UniqueEntryName(const QString &folder, const QString &base)
{
    const QDir dir(folder);
    if (!dir.exists(base))
        return base;
    for (int n = 2;; ++n) {
        const QString name = QStringLiteral("%1 (%2)").arg(base).arg(n);
        if (!dir.exists(name))
            return name;
    }
}

bool IsValidEntryName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
           && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

namespace {
bool isShortcutName(const QString &name)
{
    return name.size() > 4 && name.endsWith(QLatin1String(".url"), Qt::CaseInsensitive);
}

// Shows an Internet shortcut by its name alone, as the favorites menu and the links bar do,
// and edits it so: a rename keeps the shortcut's ".url". A rename goes through the tree's
// own rule (inside the root, never over another entry).
class TShellModel : public QFileSystemModel {
public:
    using QFileSystemModel::QFileSystemModel;
    std::function<bool(const QString &path, const QString &name)> renamer;

    // The entry's name on disk (fileName() answers with the shown name).
    QString realName(const QModelIndex &index) const { return QFileInfo(filePath(index)).fileName(); }

    QVariant data(const QModelIndex &index, int role) const override
    {
        QVariant value = QFileSystemModel::data(index, role == Qt::EditRole ? int(Qt::DisplayRole) : role);
        if ((role == Qt::DisplayRole || role == Qt::EditRole) && index.column() == 0) {
            QString name = role == Qt::EditRole ? realName(index) : value.toString();
            if (isShortcutName(name) && !isDir(index)) {
                name.chop(4);
                return name;
            }
            return name;
        }
        return value;
    }
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        Qt::ItemFlags f = QFileSystemModel::flags(index);
        if (renamer && index.isValid() && index.column() == 0)
            f |= Qt::ItemIsEditable;
        return f;
    }
    bool setData(const QModelIndex &index, const QVariant &value, int role) override
    {
        if (role != Qt::EditRole || !renamer || !index.isValid() || index.column() != 0)
            return false;
        QString name = value.toString();
        if (name == data(index, Qt::EditRole).toString())
            return false;   // nothing changed
        const QString old = realName(index);
        if (!isDir(index) && isShortcutName(old) && !isShortcutName(name))
            name += old.right(4);
        return renamer(filePath(index), name);
    }
};
}

TShellTree::TShellTree(QWidget *parent) : QTreeView(parent), m_model(new TShellModel(this))
{
    m_model->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot | QDir::System);
    m_model->setReadOnly(true);
    header()->hide();
    setUniformRowHeights(true);
    setEditTriggers(NoEditTriggers);
    connect(this, &QTreeView::expanded, this, &TShellTree::collapseSiblings);
}

void TShellTree::SetRenameEnabled(bool on)
{
    auto *model = static_cast<TShellModel *>(m_model);
    if (on) {
        model->renamer = [this](const QString &path, const QString &name) {
            if (!Rename(path, name).isEmpty())
                return true;
            // Told once the editor has closed, not from inside the model's commit.
            QMetaObject::invokeMethod(this, [this, error = m_error] { Q_EMIT RenameFailed(error); },
                                      Qt::QueuedConnection);
            return false;
        };
        setEditTriggers(EditKeyPressed);
    } else {
        model->renamer = nullptr;
        setEditTriggers(NoEditTriggers);
    }
}

bool TShellTree::RenameEnabled() const
{
    return bool(static_cast<TShellModel *>(m_model)->renamer);
}

void TShellTree::SetRoot(const QString &path)
{
    m_root = path.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (m_root.isEmpty() || !QFileInfo(m_root).isDir()) {
        // Without a folder the view shows nothing (an invalid root index would list the
        // whole file system).
        setModel(nullptr);
        return;
    }
    if (model() != m_model) {
        setModel(m_model);
        for (int column = 1; column < m_model->columnCount(); ++column)
            hideColumn(column);
    }
    setRootIndex(m_model->setRootPath(m_root));
}

void TShellTree::Refresh()
{
    // The model watches the folders it has read; a new root path makes it read again what
    // a watcher may have missed (a folder on a file system without notifications).
    const QString root = m_root;
    m_model->setRootPath(QString());
    SetRoot(root);
}

QString TShellTree::PathOf(const QModelIndex &index) const
{
    return index.isValid() ? m_model->filePath(index) : QString();
}

QModelIndex TShellTree::IndexOf(const QString &path) const
{
    return insideRoot(path) ? m_model->index(path) : QModelIndex();
}

QString TShellTree::SelectedPath() const
{
    return PathOf(currentIndex());
}

bool TShellTree::IsFolder(const QModelIndex &index) const
{
    return index.isValid() && m_model->isDir(index);
}

bool TShellTree::insideRoot(const QString &path) const
{
    if (m_root.isEmpty() || path.isEmpty())
        return false;
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return clean == m_root || clean.startsWith(m_root + QLatin1Char('/'));
}

QString TShellTree::SelectedFolder() const
{
    const QString selected = SelectedPath();
    if (selected.isEmpty())
        return m_root;
    return QFileInfo(selected).isDir() ? selected : QFileInfo(selected).absolutePath();
}

QString TShellTree::CreateFolder(const QString &parentFolder, const QString &name)
{
    m_error.clear();
    if (!insideRoot(parentFolder) || !QFileInfo(parentFolder).isDir() || !IsValidEntryName(name)) {
        m_error = tr("The folder could not be created here.");
        return QString();
    }
    const QString created = QDir(parentFolder).filePath(UniqueEntryName(parentFolder, name));
    if (!QDir().mkdir(created)) {
        m_error = tr("The folder \"%1\" could not be created.").arg(created);
        return QString();
    }
    return created;
}

QString TShellTree::Rename(const QString &path, const QString &newName)
{
    m_error.clear();
    const QFileInfo info(path);
    if (!insideRoot(path) || QDir::cleanPath(info.absoluteFilePath()) == m_root || !info.exists(path)) {
        m_error = tr("\"%1\" cannot be renamed.").arg(info.fileName());
        return QString();
    }
    if (!IsValidEntryName(newName)) {
        m_error = tr("\"%1\" is not a valid name.").arg(newName);
        return QString();
    }
    const QString target = info.dir().filePath(newName);
    if (target == info.absoluteFilePath())
        return target;
    // Never replace another entry: a rename onto an existing name is refused (a case-only
    // change of the same entry is a different name here and goes through).
    if (QFileInfo::exists(target)) {
        m_error = tr("An entry named \"%1\" already exists.").arg(newName);
        return QString();
    }
    if (!QFile::rename(info.absoluteFilePath(), target)) {
        m_error = tr("\"%1\" could not be renamed.").arg(info.fileName());
        return QString();
    }
    return target;
}

bool TShellTree::MoveToTrash(const QString &path)
{
    m_error.clear();
    const QFileInfo info(path);
    if (!insideRoot(path) || QDir::cleanPath(info.absoluteFilePath()) == m_root
        || (!info.exists() && !info.isSymLink())) {
        m_error = tr("\"%1\" cannot be deleted.").arg(info.fileName());
        return false;
    }
    QFile file(info.absoluteFilePath());
    if (!file.moveToTrash()) {
        m_error = tr("\"%1\" could not be moved to the trash.").arg(info.fileName());
        return false;
    }
    return true;
}

void TShellTree::collapseSiblings(const QModelIndex &expanded)
{
    if (!m_autoCollapse)
        return;
    const QModelIndex parent = expanded.parent();
    if (!parent.isValid())
        return;
    for (int row = 0; row < m_model->rowCount(parent); ++row) {
        const QModelIndex sibling = m_model->index(row, 0, parent);
        if (sibling != expanded && isExpanded(sibling))
            collapse(sibling);
    }
}

void TShellTree::activate(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    if (IsFolder(index))
        setExpanded(index, !isExpanded(index));
    else
        Q_EMIT EntryActivated(PathOf(index));
}

void TShellTree::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    const bool onBranchArrow = index.isValid() && event->position().x() < visualRect(index).left();
    QTreeView::mousePressEvent(event);
    // The arrow already toggles its folder; anywhere else on a node the click decides.
    if (event->button() == Qt::LeftButton && index.isValid() && !onBranchArrow)
        activate(index.siblingAtColumn(0));
}

void TShellTree::keyPressEvent(QKeyEvent *event)
{
    // Enter that ends an in-place rename reaches the tree too (the editor lets it through
    // and commits later): it renames, it does not open the entry as well.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentIndex().isValid()
        && state() != EditingState) {
        activate(currentIndex().siblingAtColumn(0));
        return;
    }
    QTreeView::keyPressEvent(event);
}
