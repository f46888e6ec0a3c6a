#include "options/customizetoolbar.h"

#include "navigation/commandtable.h"
#include "options/toolbarband.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QDropEvent>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <QPushButton>
#include <QSet>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

QString labelOf(int id)
{
    if (id < 0)
        return QStringLiteral("Separator");
    const TToolButtonDef *def = TToolbarCatalogue::Find(id);
    // A button of another version's catalogue is kept, under its number.
    return def ? QString::fromLatin1(def->hint).section(QLatin1Char('|'), 0, 0)
               : QStringLiteral("Button %1").arg(id);
}

// A list whose rows can be dragged to the other list of the dialog (or within the
// current list); the dialog moves the rows itself once the drag is over.
class TButtonList : public QListWidget {
public:
    using TDropped = std::function<void(QListWidget *from, int row, QListWidget *to, int before)>;
    TButtonList(QWidget *parent) : QListWidget(parent)
    {
        setDragEnabled(true);
        setAcceptDrops(true);
        setDropIndicatorShown(true);
        setDragDropMode(QAbstractItemView::DragDrop);
        setDefaultDropAction(Qt::CopyAction);
    }
    TDropped dropped;
    QPointer<QListWidget> partner;

protected:
    bool accepts(QDropEvent *event) const
    {
        QObject *source = event->source();
        return source && (source == partner || source == this);
    }
    void dragEnterEvent(QDragEnterEvent *event) override
    {
        if (accepts(event))
            event->acceptProposedAction();
        else
            event->ignore();
    }
    void dragMoveEvent(QDragMoveEvent *event) override
    {
        if (accepts(event)) {
            event->setDropAction(Qt::CopyAction);
            event->accept();
        } else {
            event->ignore();
        }
    }
    void dropEvent(QDropEvent *event) override
    {
        if (!accepts(event)) {
            event->ignore();
            return;
        }
        // Copy, so the source list removes nothing itself; the dialog refills both lists
        // after the drag has ended.
        event->setDropAction(Qt::CopyAction);
        event->accept();
        auto *from = qobject_cast<QListWidget *>(event->source());
        const int row = from->currentRow();
        const int before = indexAt(event->position().toPoint()).row();
        const QPointer<QListWidget> self(this), source(from);
        const TDropped run = dropped;
        QTimer::singleShot(0, this, [self, source, row, before, run] {
            if (self && source && run)
                run(source, row, self, before);
        });
    }
};

} // namespace

TToolbarLists TToolbarLists::FromItems(const QList<TToolbarItem> &items)
{
    TToolbarLists lists;
    QSet<int> seen;
    for (const TToolbarItem &item : items) {
        if (item.id < 0) {
            if (item.visible)
                lists.current.append(-1);
            continue;
        }
        if (seen.contains(item.id))
            continue;
        seen.insert(item.id);
        (item.visible ? lists.current : lists.available).append(item.id);
    }
    // Buttons of the catalogue that the layout left out can still be added.
    for (int id = 0; id <= TToolbarCatalogue::MaxId; ++id) {
        if (!seen.contains(id))
            lists.available.append(id);
    }
    return lists;
}

QList<TToolbarItem> TToolbarLists::Items() const
{
    QList<TToolbarItem> items;
    for (int id : current)
        items.append({id, true});
    for (int i = 1; i < available.size(); ++i)
        items.append({available.at(i), false});
    return items;
}

int TToolbarLists::Add(int a, int c)
{
    return AddAt(a, (c < 0 || c >= current.size()) ? current.size() : c + 1);
}

int TToolbarLists::AddAt(int a, int at)
{
    if (a < 0 || a >= available.size())
        return -1;
    const int id = available.at(a);
    at = qBound(0, at, int(current.size()));
    current.insert(at, id);
    if (id >= 0)
        available.removeAt(a);
    return at;
}

int TToolbarLists::Remove(int c, int a)
{
    return RemoveTo(c, (a < 0 || a >= available.size()) ? available.size() : a + 1);
}

int TToolbarLists::RemoveTo(int c, int at)
{
    if (c < 0 || c >= current.size())
        return -1;
    const int id = current.takeAt(c);
    if (id < 0)
        return -1;
    // Never in front of the "Separator" row, which stays first.
    at = qBound(1, at, int(available.size()));
    available.insert(at, id);
    return at;
}

int TToolbarLists::Move(int c, int delta)
{
    const int to = c + delta;
    if (c < 0 || c >= current.size() || to < 0 || to >= current.size())
        return c;
    current.swapItemsAt(c, to);
    return to;
}

TfrmCustomizeToolbar::TfrmCustomizeToolbar(TToolbarBand *band, QWidget *parent)
    : QDialog(parent), m_band(band), m_available(new TButtonList(this)), m_current(new TButtonList(this))
{
    const auto drop = [this](QListWidget *from, int row, QListWidget *to, int before) { DropRow(from, row, to, before); };
    static_cast<TButtonList *>(m_available)->dropped = drop;
    static_cast<TButtonList *>(m_available)->partner = m_current;
    static_cast<TButtonList *>(m_current)->dropped = drop;
    static_cast<TButtonList *>(m_current)->partner = m_available;
    setWindowTitle(QStringLiteral("Customize Toolbar"));
    setObjectName(QStringLiteral("frmCustomizeToolbar"));
    m_available->setObjectName(QStringLiteral("lvAvailable"));
    m_current->setObjectName(QStringLiteral("lvCurrent"));

    // The pictures of the toolbar's own buttons (every catalogue button is on the bar,
    // hidden or not).
    for (QAction *action : m_band->Bar()->actions()) {
        if (!action->isSeparator())
            m_icons.insert(action->data().toInt(), action->icon());
    }

    for (QListWidget *list : {m_available, m_current}) {
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setIconSize(QSize(20, 20));
        list->setMinimumSize(180, 260);
    }

    auto *add = new QPushButton(QStringLiteral("&Add ->"), this);
    auto *remove = new QPushButton(QStringLiteral("<- &Remove"), this);
    auto *up = new QPushButton(QStringLiteral("Move &Up"), this);
    auto *down = new QPushButton(QStringLiteral("Move &Down"), this);
    auto *reset = new QPushButton(QStringLiteral("R&eset"), this);
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    add->setObjectName(QStringLiteral("cmdAdd"));
    remove->setObjectName(QStringLiteral("cmdRemove"));
    up->setObjectName(QStringLiteral("spdUp"));
    down->setObjectName(QStringLiteral("spdDown"));
    reset->setObjectName(QStringLiteral("cmdReset"));
    close->setObjectName(QStringLiteral("cmdClose"));
    close->setDefault(true);

    auto *middle = new QVBoxLayout;
    middle->addStretch();
    middle->addWidget(add);
    middle->addWidget(remove);
    middle->addStretch();
    auto *right = new QVBoxLayout;
    right->addWidget(close);
    right->addWidget(reset);
    right->addStretch();
    right->addWidget(up);
    right->addWidget(down);
    right->addStretch();

    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("A&vailable Buttons:"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Current &Toolbar Buttons:"), this), 0, 2);
    grid->addWidget(m_available, 1, 0);
    grid->addLayout(middle, 1, 1);
    grid->addWidget(m_current, 1, 2);
    grid->addLayout(right, 1, 3);
    qobject_cast<QLabel *>(grid->itemAtPosition(0, 0)->widget())->setBuddy(m_available);
    qobject_cast<QLabel *>(grid->itemAtPosition(0, 2)->widget())->setBuddy(m_current);
    m_available->setAccessibleName(QStringLiteral("Available Buttons"));
    m_current->setAccessibleName(QStringLiteral("Current Toolbar Buttons"));

    connect(add, &QPushButton::clicked, this, &TfrmCustomizeToolbar::AddSelected);
    connect(remove, &QPushButton::clicked, this, &TfrmCustomizeToolbar::RemoveSelected);
    connect(up, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveSelected(1); });
    connect(reset, &QPushButton::clicked, this, &TfrmCustomizeToolbar::ResetToDefault);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_available, &QListWidget::itemDoubleClicked, this, &TfrmCustomizeToolbar::AddSelected);
    connect(m_current, &QListWidget::itemDoubleClicked, this, &TfrmCustomizeToolbar::RemoveSelected);

    const auto enable = [this, add, remove, up, down] {
        add->setEnabled(m_available->currentRow() >= 0);
        const int c = m_current->currentRow();
        remove->setEnabled(c >= 0);
        up->setEnabled(c > 0);
        down->setEnabled(c >= 0 && c + 1 < m_current->count());
    };
    connect(m_available, &QListWidget::currentRowChanged, this, enable);
    connect(m_current, &QListWidget::currentRowChanged, this, enable);

    m_lists = TToolbarLists::FromItems(m_band->Items());
    fill(0, m_lists.current.isEmpty() ? -1 : 0);
    enable();
}

void TfrmCustomizeToolbar::fillList(QListWidget *list, const QList<int> &ids, int select)
{
    list->clear();
    for (int id : ids) {
        auto *item = new QListWidgetItem(m_icons.value(id), labelOf(id), list);
        item->setData(Qt::UserRole, id);
    }
    if (select >= 0 && select < list->count()) {
        list->setCurrentRow(select);
        list->scrollToItem(list->item(select));
    }
}

void TfrmCustomizeToolbar::fill(int selectAvailable, int selectCurrent)
{
    fillList(m_available, m_lists.available, selectAvailable);
    fillList(m_current, m_lists.current, selectCurrent);
}

void TfrmCustomizeToolbar::changed(int selectAvailable, int selectCurrent)
{
    fill(selectAvailable, selectCurrent);
    m_band->SetItems(m_lists.Items());
}

void TfrmCustomizeToolbar::AddSelected()
{
    const int a = m_available->currentRow();
    const int at = m_lists.Add(a, m_current->currentRow());
    if (at < 0)
        return;
    // The selection moves to the neighbouring available row.
    changed(qMin(a, int(m_lists.available.size()) - 1), at);
}

void TfrmCustomizeToolbar::RemoveSelected()
{
    const int c = m_current->currentRow();
    if (c < 0)
        return;
    int a = m_lists.Remove(c, m_available->currentRow());
    if (a < 0)
        a = m_available->currentRow();
    changed(a, qMin(c, int(m_lists.current.size()) - 1));
}

void TfrmCustomizeToolbar::MoveSelected(int delta)
{
    const int c = m_current->currentRow();
    const int to = m_lists.Move(c, delta);
    if (to != c)
        changed(m_available->currentRow(), to);
}

void TfrmCustomizeToolbar::DropRow(QListWidget *from, int row, QListWidget *to, int before)
{
    if (from == m_available && to == m_current) {
        const int at = m_lists.AddAt(row, before < 0 ? m_lists.current.size() : before);
        if (at >= 0)
            changed(qMin(row, int(m_lists.available.size()) - 1), at);
    } else if (from == m_current && to == m_available) {
        const int at = m_lists.RemoveTo(row, before < 0 ? m_lists.available.size() : before);
        changed(at >= 0 ? at : m_available->currentRow(), qMin(row, int(m_lists.current.size()) - 1));
    } else if (from == m_current && to == m_current && row >= 0 && row < m_lists.current.size()) {
        const int target = before < 0 ? m_lists.current.size() - 1 : (before > row ? before - 1 : before);
        if (target == row)
            return;
        m_lists.current.move(row, target);
        changed(m_available->currentRow(), target);
    }
}

void TfrmCustomizeToolbar::ResetToDefault()
{
    m_band->Reset();
    m_lists = TToolbarLists::FromItems(m_band->Items());
    fill(0, m_lists.current.isEmpty() ? -1 : 0);
}

bool TfrmCustomizeToolbar::Run(TToolbarBand *band, QWidget *parent)
{
    {
        TfrmCustomizeToolbar dialog(band, parent);
        dialog.exec();
    }
    if (band->Save())
        return true;
    QMessageBox::warning(parent, QStringLiteral("Customize Toolbar"),
                         QStringLiteral("The toolbar layout could not be saved to %1.").arg(band->LayoutFile()));
    return false;
}

void RegisterCustomizeToolbarCommand(TCommandTable *commands, TToolbarBand *band, QWidget *dialogParent)
{
    TCommandRow row;
    row.name = QStringLiteral("pmCustomizeToolbarDialog");
    row.caption = QStringLiteral("&Customize...");
    row.handler = [band, dialogParent](bool) { TfrmCustomizeToolbar::Run(band, dialogParent); };
    commands->Register(row);
}
