#pragma once
// The dialogs over the Favorites folder: Add to Favorites (a name and the folder to create
// the shortcut in), the folder chooser (Move to Folder, Import Bookmarks) and Organize
// Favorites (a tree of the folder's folders and shortcuts to rename, move, delete and add
// folders to). The file work is done by TFavoritesFolder; these forms only ask and show.

#include <QDialog>
#include <QString>
#include <QTreeWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

// A tree of the folders below root (the root itself as the top item), optionally with the
// files as well. Item data: Qt::UserRole the full path, Qt::UserRole + 1 whether a folder.
class TFavoritesTree : public QTreeWidget {
    Q_OBJECT
public:
    TFavoritesTree(const QString &root, bool withFiles, QWidget *parent = nullptr);

    // Reads the folder again, keeping the open folders and selecting select (or the old
    // selection) when it still exists.
    void Reload(const QString &select = QString());
    QString Root() const { return m_root; }
    QString SelectedPath() const;
    bool SelectedIsFolder() const;
    QTreeWidgetItem *ItemFor(const QString &path) const;
    void Select(const QString &path);

Q_SIGNALS:
    // Entries were dropped on a folder: moving them is the owner's job.
    void MoveRequested(const QStringList &paths, const QString &targetFolder);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QString dropFolder(const QPoint &pos) const;
    void addLevel(QTreeWidgetItem *parent, const QString &folder, int depth);

    QString m_root;
    bool m_withFiles;
};

// Chooses a folder of the Favorites folder, with New Folder.
class TfrmChooseFavoritesFolder : public QDialog {
    Q_OBJECT
public:
    TfrmChooseFavoritesFolder(const QString &root, const QString &title, const QString &prompt, QWidget *parent = nullptr);
    QString SelectedFolder() const;
    TFavoritesTree *Tree() const { return m_tree; }

private:
    TFavoritesTree *m_tree;
};

class TfrmAddFavorite : public QDialog {
    Q_OBJECT
public:
    TfrmAddFavorite(const QString &root, const QString &title, const QString &url, QWidget *parent = nullptr);

    QLineEdit *NameEdit() const { return edtName; }
    TFavoritesTree *Tree() const { return m_tree; }
    // Writes the shortcut into the chosen folder; an existing one is replaced only when the
    // asker agrees. False (the dialog stays open) when nothing was written.
    bool Save();
    QString SavedPath() const { return m_saved; }
    void NewFolder(const QString &name = QStringLiteral("New Folder"));

    void SetAsker(std::function<bool(const QString &)> ask) { m_ask = std::move(ask); }

    void accept() override;

private:
    QString m_url;
    QString m_saved;
    QLineEdit *edtName;
    TFavoritesTree *m_tree;
    std::function<bool(const QString &)> m_ask;
};

class TfrmOrganizeFavorites : public QDialog {
    Q_OBJECT
public:
    explicit TfrmOrganizeFavorites(const QString &root, QWidget *parent = nullptr);

    TFavoritesTree *Tree() const { return m_tree; }
    // The operations on the selected entry; each reloads the tree and returns false (with
    // LastError()) when the file system refused.
    bool CreateFolder(const QString &name = QStringLiteral("New Folder"));
    bool RenameSelected(const QString &newName);
    bool MoveSelected(const QString &targetFolder);
    bool MoveEntries(const QStringList &paths, const QString &targetFolder);
    bool DeleteSelected();
    QString LastError() const { return m_error; }
    // What the details pane shows for the selection: name, address, modified date.
    QString Details() const;

    // Tests: how Move to Folder picks its folder (default: the folder chooser).
    void SetFolderChooser(std::function<QString()> choose) { m_chooseFolder = std::move(choose); }

private:
    void showDetails();
    bool report(bool ok, const QString &error);
    void editRenamed(QTreeWidgetItem *item);

    TFavoritesTree *m_tree;
    QLabel *lblDetails;
    QLabel *lblError;
    QString m_error;
    bool m_reloading = false;
    std::function<QString()> m_chooseFolder;
};
