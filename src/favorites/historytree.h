#pragma once
// THistoryTreeModel: the side bar's history tree over the URL history store. The top
// level holds the periods that have visits (Today, the days of this week, earlier weeks);
// a period holds its sites, a site its pages.
//
// Only the periods are read when the model is (re)loaded: one cheap look per period. A
// period's sites and pages are read when the view opens it (fetchMore), on a worker
// thread, so a store of 100,000 entries never holds up the window; the rows arrive with
// PeriodLoaded.

#include "platform/historygroups.h"

#include <QAbstractItemModel>
#include <QDate>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

class TBackgroundJob;

class THistoryTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum TKind { Period, Site, Page };
    enum TRole { UrlRole = Qt::UserRole + 1, KindRole };

    explicit THistoryTreeModel(const QString &storePath, QObject *parent = nullptr);
    ~THistoryTreeModel() override;

    QString StorePath() const { return m_storePath; }
    // The day periods are counted from; invalid (the default) means the local date at
    // each reload.
    void SetToday(const QDate &today) { m_today = today; }

    // Reads the periods again; every folder is closed and read again when opened.
    void Reload();
    // Whether a period's rows are being read.
    bool Loading() const { return !m_jobs.empty(); }

    TKind Kind(const QModelIndex &index) const;
    QString Url(const QModelIndex &index) const;                // a page's address; "" else
    THistoryEntry Entry(const QModelIndex &index) const;        // a page's entry in its period
    QStringList UrlsUnder(const QModelIndex &index) const;      // the pages of a node (itself for a page)
    // The first page node of url among the rows read so far; invalid when none.
    QModelIndex IndexOfUrl(const QString &url) const;
    // The folder of a period or site by caption (site under period when given).
    QModelIndex IndexOfFolder(const QString &caption, const QModelIndex &parent = QModelIndex()) const;

    // Takes the pages of these addresses out of every folder read so far, and the folders
    // left empty; periods not read yet are looked at again in the store.
    void RemoveUrls(const QStringList &urls);

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

Q_SIGNALS:
    void PeriodLoaded(const QModelIndex &period);

private:
    struct TNode;
    TNode *node(const QModelIndex &index) const;
    QModelIndex indexOf(const TNode *node) const;
    void periodRead(TNode *period, QList<THistorySite> sites);
    void removeChild(TNode *parent, int row);

    QString m_storePath;
    QDate m_today;
    std::unique_ptr<TNode> m_root;
    std::map<TNode *, std::unique_ptr<TBackgroundJob>> m_jobs;
};
