#pragma once
// TShellTree: a tree view over one folder of the file system, shared by the side bar's
// favorites and groups trees. It shows the folder's subfolders and files (names beginning
// with "." left out), can be re-rooted and refreshed, gives the path of a node, and does
// the file work its pages need: a new folder, a rename and a delete to the desktop's trash.
//
// A left click on a folder toggles it; a left click on a file reports EntryActivated with
// that file's path (the clicked node decides both the folder test and what is opened, so a
// click never opens an entry other than the one under the mouse). Enter does the same for
// the current node. With auto-collapse on, expanding a folder collapses its open siblings.

#include <QString>
#include <QTreeView>

class QFileSystemModel;

class TShellTree : public QTreeView {
    Q_OBJECT
public:
    explicit TShellTree(QWidget *parent = nullptr);

    // Shows path and below it; "" shows nothing. A missing folder shows nothing either.
    void SetRoot(const QString &path);
    QString Root() const { return m_root; }
    // Reads the folder again (entries changed by other programs show up).
    void Refresh();

    QString PathOf(const QModelIndex &index) const;   // "" for an invalid index
    QModelIndex IndexOf(const QString &path) const;   // invalid outside the root
    QString SelectedPath() const;                     // the current node's path; "" none
    // Where a new folder goes: the selected folder, the folder of the selected file, or
    // the root when nothing is selected.
    QString SelectedFolder() const;
    bool IsFolder(const QModelIndex &index) const;

    // F2 edits the current node's name in place (a shortcut without its ".url", which it
    // keeps); the rename follows Rename below, and a refused one reports RenameFailed.
    void SetRenameEnabled(bool on);
    bool RenameEnabled() const;

    bool AutoCollapse() const { return m_autoCollapse; }
    void SetAutoCollapse(bool on) { m_autoCollapse = on; }

    // The file work. Each returns the new path ("" on failure) or success, with a message
    // for the user in LastError(). Paths outside the root are refused.
    QString CreateFolder(const QString &parentFolder, const QString &name = QStringLiteral("New Folder"));
    QString Rename(const QString &path, const QString &newName);
    bool MoveToTrash(const QString &path);
    QString LastError() const { return m_error; }

    QFileSystemModel *Model() const { return m_model; }

Q_SIGNALS:
    void EntryActivated(const QString &path);   // a file node clicked or entered
    void RenameFailed(const QString &message);  // an in-place rename was refused

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void collapseSiblings(const QModelIndex &expanded);
    bool insideRoot(const QString &path) const;
    void activate(const QModelIndex &index);

    QFileSystemModel *m_model;
    QString m_root;
    QString m_error;
    bool m_autoCollapse = true;
};

// A free name for a new entry in folder: base, then "base (2)", "base (3)", ...
QString UniqueEntryName(const QString &folder, const QString &base);
// Whether name can be one file name: not empty, not "." or "..", no "/" and no NUL.
bool IsValidEntryName(const QString &name);
