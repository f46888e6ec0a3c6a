#pragma once
// THistoryPage: the side bar's History page. Its toolbar tbarHistory (Find, Refresh,
// Clear), the tree shHistory of the URL history store by period and site (see
// historytree.h) with its menu pmHistory, and the find panel pnlFindHistory whose list
// lvFindHistory shows the pages whose title or address holds the words searched for.
//
// A click on a page opens it by "HistoryNewWin" and Shift; a click on a folder toggles it.
// The menu opens, opens in a new tab, copies, deletes and shows a page's properties.
// Addresses are always opened from the node itself, never through the clipboard.
// The search runs on a worker thread; its rows arrive with FindFinished.

#include "platform/historyfind.h"

#include <QDialog>
#include <QHash>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class ITabOpener;
class QAction;
class QLineEdit;
class QListView;
class QMenu;
class QToolBar;
class QTimer;
class QToolButton;
class QTreeView;
class TBackgroundJob;
class THistoryFoundModel;
class THistoryTreeModel;
class THistoryTreeView;

// Where the page reads and what it calls; the defaults are the program's own.
struct THistorySource {
    QString storePath;                            // "" : the user's store
    std::function<QString()> folder;              // the History folder with old index files
    std::function<void()> clear;                  // clears the store and the engine's visited links
    // A Yes/No question; true for Yes. Tests answer it.
    std::function<bool(QWidget *parent, const QString &question)> confirm;
    static THistorySource Default();
};

class THistoryPage : public QWidget {
    Q_OBJECT
public:
    THistoryPage(ITabOpener *opener, THistorySource source, QWidget *parent = nullptr);
    ~THistoryPage() override;

    void SetNewWin(bool newWin) { m_newWin = newWin; }       // "HistoryNewWin"
    void SetAutoCollapse(bool on) { m_autoCollapse = on; }   // "CBAutoExpand"

    QTreeView *Tree() const;
    THistoryTreeModel *Model() const { return m_model; }
    QListView *FindList() const { return m_findList; }
    QLineEdit *FindEdit() const { return m_findEdit; }
    QMenu *Menu() const { return m_menu; }

    // Reads the store again; the folders that were open are opened again. Visits written
    // while the page shows do this by themselves (soon after, or when the page shows next).
    void Refresh();
    // The Find panel instead of the tree (as tbFindHistory does).
    void ShowFind(bool shown);
    // Searches for text (as Go does); an empty text does nothing.
    void Find(const QString &text);
    bool Finding() const { return m_findJob != nullptr; }
    QStringList FindCaptions() const;   // the rows of the find list, for tests and figures

    // What the node menu does, on the node given.
    void OpenNode(const QModelIndex &index);
    void OpenInNewTab(const QModelIndex &index);
    void CopyNode(const QModelIndex &index);
    void DeleteNode(const QModelIndex &index);
    void ShowProperties(const QModelIndex &index);
    // Pops the menu up for the node at pos (viewport coordinates); false shows none (no
    // node there, or a period folder).
    bool PopupMenu(const QPoint &pos);

    // The properties dialog of the last ShowProperties while it is open.
    QDialog *PropertiesDialog() const { return m_properties; }

Q_SIGNALS:
    void FindFinished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;   // Enter and Space in the find list
    void showEvent(QShowEvent *event) override;

private:
    void buildToolbar();
    void buildFindPanel();
    void buildMenu();
    void openFound(const QModelIndex &index);
    void clearHistory();
    void collapseSiblings(const QModelIndex &expanded);
    void reopenSites(const QModelIndex &period);

    ITabOpener *m_opener;
    THistorySource m_source;
    bool m_newWin = true;
    bool m_autoCollapse = true;
    THistoryTreeModel *m_model = nullptr;
    THistoryTreeView *m_tree = nullptr;
    QToolBar *m_toolbar = nullptr;
    QAction *m_findToggle = nullptr;
    QWidget *m_findPanel = nullptr;
    QLineEdit *m_findEdit = nullptr;
    QToolButton *m_findGo = nullptr;
    QListView *m_findList = nullptr;
    THistoryFoundModel *m_found = nullptr;
    std::unique_ptr<TBackgroundJob> m_findJob;
    QMenu *m_menu = nullptr;
    QAction *m_menuNewTab = nullptr;
    QAction *m_menuCopy = nullptr;
    QAction *m_menuProperties = nullptr;
    QAction *m_menuSecondSeparator = nullptr;
    QPersistentModelIndex m_menuNode;
    QPointer<QDialog> m_properties;
    QTimer *m_reloadSoon = nullptr;
    bool m_stale = false;
    bool m_reloading = false;    // the reload's own read writes the visits kept back
    int m_scroll = -1;           // where the tree was scrolled before a reload
    QHash<QString, QStringList> m_reopen;   // period caption -> its open sites, across a reload
};

// Starts the expiry of the visits older than the days history is kept (Internet Options);
// it runs on a worker thread owned by owner.
void StartHistoryExpiry(QObject *owner, const QString &storePath = QString());
