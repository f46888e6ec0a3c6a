#include "favorites/historytree.h"

#include "platform/backgroundjob.h"
#include "platform/shellfolders.h"

#include <QIcon>
#include <QSet>

struct THistoryTreeModel::TNode {
    TKind kind = Period;
    QString caption;
    THistoryPeriod period;     // periods
    THistoryEntry entry;       // pages
    TNode *parent = nullptr;
    int row = 0;
    bool read = false;         // periods: sites and pages read
    std::vector<std::unique_ptr<TNode>> children;

    TNode *add(std::unique_ptr<TNode> child)
    {
        child->parent = this;
        child->row = int(children.size());
        children.push_back(std::move(child));
        return children.back().get();
    }
};

THistoryTreeModel::THistoryTreeModel(const QString &storePath, QObject *parent)
    : QAbstractItemModel(parent), m_storePath(storePath), m_root(std::make_unique<TNode>())
{
}

THistoryTreeModel::~THistoryTreeModel() = default;

void THistoryTreeModel::Reload()
{
    beginResetModel();
    // Reads for the old folders are not wanted, and not waited for.
    for (auto &job : m_jobs)
        job.second.release()->Abandon();
    m_jobs.clear();
    m_root = std::make_unique<TNode>();
    const QDate today = m_today.isValid() ? m_today : QDate::currentDate();
    for (const THistoryPeriod &period : HistoryPeriodsWithVisits(m_storePath, today)) {
        auto node = std::make_unique<TNode>();
        node->kind = Period;
        node->caption = period.caption;
        node->period = period;
        m_root->add(std::move(node));
    }
    endResetModel();
}

THistoryTreeModel::TNode *THistoryTreeModel::node(const QModelIndex &index) const
{
    return index.isValid() ? static_cast<TNode *>(index.internalPointer()) : m_root.get();
}

QModelIndex THistoryTreeModel::indexOf(const TNode *n) const
{
    if (!n || n == m_root.get())
        return QModelIndex();
    return createIndex(n->row, 0, const_cast<TNode *>(n));
}

THistoryTreeModel::TKind THistoryTreeModel::Kind(const QModelIndex &index) const
{
    return node(index)->kind;
}

QString THistoryTreeModel::Url(const QModelIndex &index) const
{
    const TNode *n = node(index);
    return index.isValid() && n->kind == Page ? n->entry.url : QString();
}

THistoryEntry THistoryTreeModel::Entry(const QModelIndex &index) const
{
    const TNode *n = node(index);
    return index.isValid() && n->kind == Page ? n->entry : THistoryEntry();
}

QStringList THistoryTreeModel::UrlsUnder(const QModelIndex &index) const
{
    QStringList urls;
    std::vector<const TNode *> todo{node(index)};
    while (!todo.empty()) {
        const TNode *n = todo.back();
        todo.pop_back();
        if (n->kind == Page && n != m_root.get())
            urls.append(n->entry.url);
        for (auto it = n->children.rbegin(); it != n->children.rend(); ++it)
            todo.push_back(it->get());
    }
    urls.removeDuplicates();
    return urls;
}

QModelIndex THistoryTreeModel::IndexOfUrl(const QString &url) const
{
    for (const auto &period : m_root->children)
        for (const auto &site : period->children)
            for (const auto &page : site->children)
                if (page->entry.url == url)
                    return indexOf(page.get());
    return QModelIndex();
}

QModelIndex THistoryTreeModel::IndexOfFolder(const QString &caption, const QModelIndex &parent) const
{
    for (const auto &child : node(parent)->children)
        if (child->kind != Page && child->caption.compare(caption, Qt::CaseInsensitive) == 0)
            return indexOf(child.get());
    return QModelIndex();
}

void THistoryTreeModel::removeChild(TNode *parent, int row)
{
    TNode *gone = parent->children[size_t(row)].get();
    if (auto job = m_jobs.find(gone); job != m_jobs.end()) {
        job->second.release()->Abandon();
        m_jobs.erase(job);
    }
    beginRemoveRows(indexOf(parent), row, row);
    parent->children.erase(parent->children.begin() + row);
    for (size_t i = size_t(row); i < parent->children.size(); ++i)
        parent->children[i]->row = int(i);
    endRemoveRows();
}

void THistoryTreeModel::RemoveUrls(const QStringList &urls)
{
    const QSet<QString> gone(urls.begin(), urls.end());
    QList<THistoryPeriod> unread;
    for (int p = int(m_root->children.size()) - 1; p >= 0; --p) {
        TNode *period = m_root->children[size_t(p)].get();
        if (!period->read) {
            unread.append(period->period);
            continue;
        }
        for (int s = int(period->children.size()) - 1; s >= 0; --s) {
            TNode *site = period->children[size_t(s)].get();
            for (int r = int(site->children.size()) - 1; r >= 0; --r) {
                if (gone.contains(site->children[size_t(r)]->entry.url))
                    removeChild(site, r);
            }
            if (site->children.empty())
                removeChild(period, s);
        }
        if (period->children.empty())
            removeChild(m_root.get(), p);
    }
    // A period not read yet may have held only these pages: ask the store again.
    if (unread.isEmpty())
        return;
    const QList<bool> used = TUrlHistory(m_storePath).HasVisitsDuring(unread);
    for (int i = 0; i < unread.size(); ++i) {
        if (used.value(i, true))
            continue;
        for (int p = 0; p < int(m_root->children.size()); ++p) {
            TNode *period = m_root->children[size_t(p)].get();
            if (!period->read && period->caption == unread.at(i).caption) {
                removeChild(m_root.get(), p);
                break;
            }
        }
    }
}

QModelIndex THistoryTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    const TNode *p = node(parent);
    if (column != 0 || row < 0 || row >= int(p->children.size()))
        return QModelIndex();
    return createIndex(row, 0, p->children[size_t(row)].get());
}

QModelIndex THistoryTreeModel::parent(const QModelIndex &child) const
{
    if (!child.isValid())
        return QModelIndex();
    return indexOf(node(child)->parent);
}

int THistoryTreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    return int(node(parent)->children.size());
}

int THistoryTreeModel::columnCount(const QModelIndex &) const
{
    return 1;
}

QVariant THistoryTreeModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const TNode *n = node(index);
    switch (role) {
    case Qt::DisplayRole:
        return n->caption;
    case Qt::DecorationRole:
        return n->kind == Page ? TShellIcons::LinkIcon() : TShellIcons::FolderIcon();
    case Qt::ToolTipRole:
        return n->kind == Page ? QVariant(QString(n->caption + QLatin1Char('\n') + n->entry.url)) : QVariant();
    case Qt::StatusTipRole:
        // The status bar shows the part after the first "|": the whole address.
        return QVariant(QString(QLatin1Char('|') + (n->kind == Page ? n->entry.url : n->caption)));
    case UrlRole:
        return n->kind == Page ? QVariant(n->entry.url) : QVariant();
    case KindRole:
        return int(n->kind);
    default:
        return QVariant();
    }
}

bool THistoryTreeModel::hasChildren(const QModelIndex &parent) const
{
    const TNode *n = node(parent);
    if (n->kind == Period && parent.isValid() && !n->read)
        return true;   // only periods with visits are listed
    return !n->children.empty();
}

bool THistoryTreeModel::canFetchMore(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return false;
    TNode *n = node(parent);
    return n->kind == Period && !n->read && m_jobs.find(n) == m_jobs.end();
}

void THistoryTreeModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    TNode *period = node(parent);
    auto sites = std::make_shared<QList<THistorySite>>();
    const QString store = m_storePath;
    const THistoryPeriod range = period->period;
    auto job = std::make_unique<TBackgroundJob>(
            [sites, store, range](const std::atomic<bool> &) { *sites = HistorySitesDuring(store, range); });
    TBackgroundJob *started = job.get();
    connect(started, &TBackgroundJob::Finished, this, [this, period, sites, started] {
        auto it = m_jobs.find(period);
        if (it == m_jobs.end() || it->second.get() != started)
            return;   // reloaded or removed meanwhile
        it->second.release()->deleteLater();
        m_jobs.erase(it);
        periodRead(period, std::move(*sites));
    });
    m_jobs[period] = std::move(job);
}

void THistoryTreeModel::periodRead(TNode *period, QList<THistorySite> sites)
{
    period->read = true;
    const QModelIndex at = indexOf(period);
    if (!sites.isEmpty()) {
        beginInsertRows(at, 0, int(sites.size()) - 1);
        for (THistorySite &site : sites) {
            auto folder = std::make_unique<TNode>();
            folder->kind = Site;
            folder->caption = site.site;
            folder->children.reserve(size_t(site.entries.size()));
            TNode *added = period->add(std::move(folder));
            for (THistoryEntry &entry : site.entries) {
                auto page = std::make_unique<TNode>();
                page->kind = Page;
                page->caption = HistoryCaption(entry);
                page->entry = std::move(entry);
                added->add(std::move(page));
            }
        }
        endInsertRows();
    }
    Q_EMIT PeriodLoaded(at);
}
