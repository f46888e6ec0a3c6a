#include "favorites/historypage.h"

#include "browser/browsertab.h"
#include "browser/tabopener.h"
#include "favorites/historytree.h"
#include "platform/backgroundjob.h"
#include "platform/inetoptions.h"
#include "platform/shellfolders.h"
#include "platform/urlhistory.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QTimer>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

namespace {
const char *const NoItemsFound = "No items found";

void setHint(QAction *action, const QString &hint)
{
    action->setToolTip(hint.section(QLatin1Char('|'), 0, 0));
    action->setStatusTip(hint.section(QLatin1Char('|'), -1));
}
}

// The tree: a press on a page opens it, a press on a folder toggles it (the node under the
// mouse decides both); Enter does the same for the current node, Delete deletes it.
class THistoryTreeView : public QTreeView {
    Q_OBJECT
public:
    using QTreeView::QTreeView;

Q_SIGNALS:
    void PageChosen(const QModelIndex &index);
    void DeleteChosen(const QModelIndex &index);

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (!index.isValid() || event->button() == Qt::RightButton) {
            QTreeView::mousePressEvent(event);
            return;
        }
        // The second press of a double click: the first one already acted, and a second
        // action would open the page twice or close the folder again.
        const bool second = m_lastPressed == index
                && event->timestamp() - m_lastPressTime < ulong(QApplication::doubleClickInterval());
        m_lastPressed = index;
        m_lastPressTime = event->timestamp();
        setCurrentIndex(index);
        if (!second)
            choose(index);
    }
    void mouseDoubleClickEvent(QMouseEvent *) override {}
    void keyPressEvent(QKeyEvent *event) override
    {
        const QModelIndex current = currentIndex();
        if (current.isValid() && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
            choose(current);
            return;
        }
        if (current.isValid() && event->key() == Qt::Key_Delete) {
            Q_EMIT DeleteChosen(current);
            return;
        }
        QTreeView::keyPressEvent(event);
    }

private:
    QPersistentModelIndex m_lastPressed;
    ulong m_lastPressTime = 0;

    void choose(const QModelIndex &index)
    {
        if (index.data(THistoryTreeModel::KindRole).toInt() == THistoryTreeModel::Page)
            Q_EMIT PageChosen(index);
        else
            setExpanded(index, !isExpanded(index));
    }
};

// The find list's rows: caption shown, address kept; the row under the mouse underlined.
class THistoryFoundModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void SetRows(QList<THistoryFound> rows)
    {
        beginResetModel();
        m_rows = std::move(rows);
        m_hot = -1;
        endResetModel();
    }
    QList<THistoryFound> Rows() const { return m_rows; }
    void SetHot(int row)
    {
        const int old = m_hot;
        m_hot = row;
        for (const int r : {old, row}) {
            if (r >= 0 && r < m_rows.size())
                Q_EMIT dataChanged(index(r), index(r), {Qt::FontRole});
        }
    }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_rows.size())
            return QVariant();
        const THistoryFound &row = m_rows.at(index.row());
        switch (role) {
        case Qt::DisplayRole:
            return row.caption;
        case Qt::DecorationRole:
            return row.url.isEmpty() ? QVariant() : QVariant(TShellIcons::LinkIcon());
        case Qt::StatusTipRole:
            return row.url.isEmpty() ? QVariant() : QVariant(QString(QLatin1Char('|') + row.url));
        case Qt::ToolTipRole:
            return row.url.isEmpty() ? QVariant() : QVariant(row.url);
        case THistoryTreeModel::UrlRole:
            return row.url;
        case Qt::FontRole:
            if (index.row() == m_hot && !row.url.isEmpty()) {
                QFont font;
                font.setUnderline(true);
                return font;
            }
            return QVariant();
        default:
            return QVariant();
        }
    }

private:
    QList<THistoryFound> m_rows;
    int m_hot = -1;
};

THistorySource THistorySource::Default()
{
    THistorySource source;
    source.storePath = TUrlHistory::DefaultPath();
    source.folder = [] { return TShellFolders::History(); };
    source.clear = [] { TInternetSettings::ClearHistory(); };
    source.confirm = [](QWidget *parent, const QString &question) {
        return QMessageBox::question(parent, QStringLiteral("History"), question, QMessageBox::Yes | QMessageBox::No)
                == QMessageBox::Yes;
    };
    return source;
}

THistoryPage::THistoryPage(ITabOpener *opener, THistorySource source, QWidget *parent)
    : QWidget(parent), m_opener(opener), m_source(std::move(source))
{
    const THistorySource defaults = THistorySource::Default();
    if (m_source.storePath.isEmpty())
        m_source.storePath = defaults.storePath;
    if (!m_source.folder)
        m_source.folder = defaults.folder;
    if (!m_source.clear)
        m_source.clear = defaults.clear;
    if (!m_source.confirm)
        m_source.confirm = defaults.confirm;

    auto *box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    buildToolbar();
    box->addWidget(m_toolbar);

    m_model = new THistoryTreeModel(m_source.storePath, this);
    m_tree = new THistoryTreeView(this);
    m_tree->setObjectName(QStringLiteral("shHistory"));
    m_tree->setHeaderHidden(true);
    m_tree->setUniformRowHeights(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setExpandsOnDoubleClick(false);
    m_tree->setMouseTracking(true);   // hints of the hovered entry in the status bar
    m_tree->setModel(m_model);
    connect(m_tree, &THistoryTreeView::PageChosen, this, &THistoryPage::OpenNode);
    connect(m_tree, &THistoryTreeView::DeleteChosen, this, &THistoryPage::DeleteNode);
    connect(m_tree, &QTreeView::expanded, this, &THistoryPage::collapseSiblings);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tree, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) { PopupMenu(pos); });
    box->addWidget(m_tree, 1);

    buildFindPanel();
    box->addWidget(m_findPanel, 1);
    m_findPanel->hide();
    buildMenu();
    connect(m_model, &THistoryTreeModel::PeriodLoaded, this, &THistoryPage::reopenSites);
    m_model->Reload();

    // New visits show without a Refresh; a burst of them reloads the tree once.
    m_reloadSoon = new QTimer(this);
    m_reloadSoon->setSingleShot(true);
    m_reloadSoon->setInterval(300);
    connect(m_reloadSoon, &QTimer::timeout, this, [this] {
        if (isVisible())
            Refresh();
        else
            m_stale = true;
    });
    connect(TUrlHistoryNotifier::Instance(), &TUrlHistoryNotifier::VisitsRecorded, this,
            [this](const QString &store) {
                if (store == m_source.storePath && !m_reloading)
                    m_reloadSoon->start();
            });
}

void THistoryPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_stale)
        Refresh();
}

void THistoryPage::reopenSites(const QModelIndex &period)
{
    const auto found = m_reopen.find(period.data().toString());
    if (found == m_reopen.end())
        return;
    for (const QString &site : std::as_const(*found)) {
        const QModelIndex index = m_model->IndexOfFolder(site, period);
        if (index.isValid())
            m_tree->expand(index);
    }
    m_reopen.erase(found);
    if (m_reopen.isEmpty() && m_scroll >= 0) {
        m_tree->verticalScrollBar()->setValue(m_scroll);
        m_scroll = -1;
    }
}

THistoryPage::~THistoryPage() = default;

QTreeView *THistoryPage::Tree() const
{
    return m_tree;
}

void THistoryPage::buildToolbar()
{
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QStringLiteral("tbarHistory"));
    m_toolbar->setIconSize(QSize(16, 16));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_findToggle = m_toolbar->addAction(QStringLiteral("Find"));
    m_findToggle->setObjectName(QStringLiteral("tbFindHistory"));
    m_findToggle->setCheckable(true);
    setHint(m_findToggle, QStringLiteral("Search in History|Searches your history"));
    connect(m_findToggle, &QAction::toggled, this, &THistoryPage::ShowFind);
    QAction *refresh = m_toolbar->addAction(QStringLiteral("Refresh"));
    refresh->setObjectName(QStringLiteral("tbHistoryRefresh"));
    setHint(refresh, QStringLiteral("Refresh|Refreshes your history display"));
    connect(refresh, &QAction::triggered, this, &THistoryPage::Refresh);
    QAction *clear = m_toolbar->addAction(QStringLiteral("Clear"));
    clear->setObjectName(QStringLiteral("spdClearHistory"));
    setHint(clear, QStringLiteral("Clear|Clears your history"));
    connect(clear, &QAction::triggered, this, &THistoryPage::clearHistory);
}

void THistoryPage::buildFindPanel()
{
    m_findPanel = new QWidget(this);
    m_findPanel->setObjectName(QStringLiteral("pnlFindHistory"));
    auto *column = new QVBoxLayout(m_findPanel);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(2);
    auto *row = new QHBoxLayout;
    row->setSpacing(2);
    auto *label = new QLabel(QStringLiteral("F&ind:"), m_findPanel);
    m_findEdit = new QLineEdit(m_findPanel);
    m_findEdit->setObjectName(QStringLiteral("edtFindHistory"));
    label->setBuddy(m_findEdit);
    m_findGo = new QToolButton(m_findPanel);
    m_findGo->setObjectName(QStringLiteral("spdFindHistory"));
    m_findGo->setText(QStringLiteral("Go"));
    row->addWidget(label);
    row->addWidget(m_findEdit, 1);
    row->addWidget(m_findGo);
    column->addLayout(row);
    connect(m_findEdit, &QLineEdit::returnPressed, this, [this] { Find(m_findEdit->text()); });
    connect(m_findGo, &QToolButton::clicked, this, [this] { Find(m_findEdit->text()); });

    m_found = new THistoryFoundModel(this);
    m_findList = new QListView(m_findPanel);
    m_findList->setObjectName(QStringLiteral("lvFindHistory"));
    m_findList->setModel(m_found);
    m_findList->setUniformItemSizes(true);
    m_findList->setIconSize(QSize(16, 16));
    m_findList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_findList->setMouseTracking(true);
    m_findList->viewport()->setCursor(Qt::PointingHandCursor);
    connect(m_findList, &QListView::entered, this, [this](const QModelIndex &index) { m_found->SetHot(index.row()); });
    connect(m_findList, &QListView::clicked, this, &THistoryPage::openFound);
    m_findList->installEventFilter(this);
    column->addWidget(m_findList, 1);
}

void THistoryPage::buildMenu()
{
    m_menu = new QMenu(this);
    m_menu->setObjectName(QStringLiteral("pmHistory"));
    const auto item = [this](const char *name, const char *caption, const char *hint,
                             void (THistoryPage::*run)(const QModelIndex &)) {
        QAction *action = m_menu->addAction(QLatin1String(caption));
        action->setObjectName(QLatin1String(name));
        action->setStatusTip(QLatin1String(hint));
        connect(action, &QAction::triggered, this, [this, run] {
            if (m_menuNode.isValid())
                (this->*run)(m_menuNode);
        });
        return action;
    };
    QAction *open = item("pmHistoryOpen", "&Open", "Opens the page", &THistoryPage::OpenNode);
    m_menu->setDefaultAction(open);
    m_menuNewTab = item("pmHistoryOpenNewWindow", "Open in &New Window", "Opens the page in a new tab",
                        &THistoryPage::OpenInNewTab);
    m_menu->addSeparator();
    m_menuCopy = item("pmHistoryCopy", "&Copy", "Copies the page's address", &THistoryPage::CopyNode);
    item("pmHistoryDelete", "&Delete", "Deletes the entry from your history", &THistoryPage::DeleteNode);
    m_menuSecondSeparator = m_menu->addSeparator();
    m_menuProperties = item("pmHistoryProperties", "P&roperties", "Shows the page's title, address and visits",
                            &THistoryPage::ShowProperties);
}

bool THistoryPage::PopupMenu(const QPoint &pos)
{
    const QModelIndex index = m_tree->indexAt(pos);
    // A period has no parent folder: no menu for it, as for the top of a folder tree.
    if (!index.isValid() || !index.parent().isValid())
        return false;
    m_menuNode = index;
    const bool page = m_model->Kind(index) == THistoryTreeModel::Page;
    for (QAction *action : {m_menuNewTab, m_menuCopy, m_menuProperties, m_menuSecondSeparator})
        action->setVisible(page);
    m_menu->popup(m_tree->viewport()->mapToGlobal(pos));
    return true;
}

void THistoryPage::Refresh()
{
    m_stale = false;
    m_reopen.clear();
    for (int p = 0; p < m_model->rowCount(); ++p) {
        const QModelIndex period = m_model->index(p, 0);
        if (!m_tree->isExpanded(period))
            continue;
        QStringList sites;
        for (int s = 0; s < m_model->rowCount(period); ++s) {
            const QModelIndex site = m_model->index(s, 0, period);
            if (m_tree->isExpanded(site))
                sites.append(site.data().toString());
        }
        m_reopen.insert(period.data().toString(), sites);
    }
    m_scroll = m_tree->verticalScrollBar()->value();
    m_reloading = true;
    m_model->Reload();
    m_reloading = false;
    const QStringList periods = m_reopen.keys();
    for (const QString &caption : periods) {
        const QModelIndex period = m_model->IndexOfFolder(caption);
        if (period.isValid())
            m_tree->expand(period);   // its sites open again when it has been read
        else
            m_reopen.remove(caption);
    }
    if (m_reopen.isEmpty()) {
        m_tree->verticalScrollBar()->setValue(m_scroll);
        m_scroll = -1;
    }
}

void THistoryPage::ShowFind(bool shown)
{
    if (m_findToggle->isChecked() != shown)
        m_findToggle->setChecked(shown);   // comes back here through toggled
    m_tree->setVisible(!shown);
    m_findPanel->setVisible(shown);
    if (shown)
        m_findEdit->setFocus();
}

void THistoryPage::Find(const QString &text)
{
    if (text.isEmpty())
        return;
    if (m_findJob)   // a search still running is not wanted, nor waited for
        m_findJob.release()->Abandon();
    m_found->SetRows({{QStringLiteral("Searching..."), QString()}});
    auto result = std::make_shared<THistoryFindResult>();
    const QString store = m_source.storePath;
    const QString folder = m_source.folder ? m_source.folder() : QString();
    m_findJob = std::make_unique<TBackgroundJob>([result, store, folder, text](const std::atomic<bool> &cancelled) {
        *result = FindInHistory(store, folder, text, &cancelled);
    });
    TBackgroundJob *job = m_findJob.get();
    connect(job, &TBackgroundJob::Finished, this, [this, job, result] {
        if (m_findJob.get() != job)
            return;
        m_findJob.release()->deleteLater();
        if (result->rows.isEmpty())
            result->rows.append({QString::fromLatin1(NoItemsFound), QString()});
        m_found->SetRows(std::move(result->rows));
        Q_EMIT FindFinished();
    });
}

QStringList THistoryPage::FindCaptions() const
{
    QStringList captions;
    for (const THistoryFound &row : m_found->Rows())
        captions.append(row.caption);
    return captions;
}

void THistoryPage::openFound(const QModelIndex &index)
{
    const QString url = index.data(THistoryTreeModel::UrlRole).toString();
    if (!url.isEmpty())
        m_opener->OpenUrlByPreference(url, m_newWin);
}

bool THistoryPage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_findList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            openFound(m_findList->currentIndex());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void THistoryPage::OpenNode(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    if (m_model->Kind(index) != THistoryTreeModel::Page) {
        m_tree->expand(index);
        return;
    }
    m_opener->OpenUrlByPreference(m_model->Url(index), m_newWin);
}

void THistoryPage::OpenInNewTab(const QModelIndex &index)
{
    const QString url = m_model->Url(index);
    if (url.isEmpty())
        return;
    if (TBrowserTab *tab = m_opener->CreateForegroundTab())
        tab->NavigateTo(url);
}

void THistoryPage::CopyNode(const QModelIndex &index)
{
    const QString url = m_model->Url(index);
    if (url.isEmpty())
        return;
    auto *data = new QMimeData;
    data->setText(url);
    data->setUrls({QUrl(url)});
    QApplication::clipboard()->setMimeData(data);
}

void THistoryPage::DeleteNode(const QModelIndex &index)
{
    if (!index.isValid() || !index.parent().isValid())
        return;   // a whole period is cleared with Clear
    const QStringList urls = m_model->UrlsUnder(index);
    if (urls.isEmpty())
        return;
    if (m_model->Kind(index) == THistoryTreeModel::Site) {
        const QString question = QStringLiteral("Are you sure you want to delete the %1 pages of \"%2\" from your history?")
                                         .arg(urls.size())
                                         .arg(index.data().toString());
        if (!m_source.confirm(this, question))
            return;
    }
    if (!TUrlHistory(m_source.storePath).RemoveAll(urls)) {
        QMessageBox::warning(this, QStringLiteral("History"), QStringLiteral("Your history could not be changed."));
        return;
    }
    m_model->RemoveUrls(urls);
}

void THistoryPage::ShowProperties(const QModelIndex &index)
{
    const QString url = m_model->Url(index);
    if (url.isEmpty())
        return;
    THistoryEntry entry = TUrlHistory(m_source.storePath).Lookup(url);
    if (entry.url.isEmpty())
        entry = m_model->Entry(index);   // deleted by another window meanwhile: what the tree knew
    if (m_properties)
        m_properties->close();
    auto *dialog = new QDialog(this);
    m_properties = dialog;
    dialog->setObjectName(QStringLiteral("frmHistoryProperties"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Properties"));
    auto *form = new QFormLayout;
    const auto field = [dialog, form](const char *name, const char *label, const QString &text) {
        auto *value = new QLineEdit(text, dialog);
        value->setObjectName(QLatin1String(name));
        value->setReadOnly(true);
        value->setCursorPosition(0);
        value->setMinimumWidth(320);
        form->addRow(QLatin1String(label), value);
    };
    field("edtTitle", "&Title:", entry.title);
    field("edtAddress", "&Address:", entry.url);
    field("edtLastVisited", "&Last visited:",
          entry.lastVisit.isValid() ? QLocale().toString(entry.lastVisit.toLocalTime(), QLocale::LongFormat) : QString());
    field("edtVisits", "&Visits:", QString::number(entry.visitCount));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
    dialog->open();
}

void THistoryPage::clearHistory()
{
    if (!m_source.confirm(this, QStringLiteral("Are you sure you want to clear your global history?")))
        return;
    m_source.clear();
    m_reopen.clear();
    m_model->Reload();
}

void THistoryPage::collapseSiblings(const QModelIndex &expanded)
{
    if (!m_autoCollapse)
        return;
    const QModelIndex parent = expanded.parent();
    for (int row = 0; row < m_model->rowCount(parent); ++row) {
        const QModelIndex sibling = m_model->index(row, 0, parent);
        if (sibling != expanded && m_tree->isExpanded(sibling))
            m_tree->collapse(sibling);
    }
}

void StartHistoryExpiry(QObject *owner, const QString &storePath)
{
    const QDateTime cutoff = HistoryExpiryCutoff(TInternetSettings::HistoryDays(), QDate::currentDate());
    const QString store = storePath.isEmpty() ? TUrlHistory::DefaultPath() : storePath;
    auto *job = new TBackgroundJob([store, cutoff](const std::atomic<bool> &) { TUrlHistory(store).ExpireBefore(cutoff); },
                                   owner);
    QObject::connect(job, &TBackgroundJob::Finished, job, &QObject::deleteLater);
}

#include "historypage.moc"
