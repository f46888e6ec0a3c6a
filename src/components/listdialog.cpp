#include "components/listdialog.h"

#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

namespace {

constexpr int Margin = 8;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
constexpr int ArrowSize = 20;
constexpr int PanelHeight = 112;
constexpr int PanelEditLeft = 90;
constexpr int EditHeight = 22;

template <class T>
T *named(T *widget, const QString &name)
{
    widget->setObjectName(name);
    return widget;
}

}

TListDialog::TListDialog(QWidget *parent, const TListDialogLayout &layout)
    : QDialog(parent), m_layout(layout)
{
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    const int width = layout.ClientWidth;
    const int panelTop = layout.ClientHeight - 7 - PanelHeight;
    const int buttonRowTop = panelTop - 2 - Margin - ButtonHeight;
    const int okLeft = width - Margin - ButtonWidth;
    const int arrowLeft = okLeft - 4 - ArrowSize;
    const int listWidth = arrowLeft - 4 - Margin;
    const int listHeight = buttonRowTop - 6 - layout.ListTop;

    List = named(new QTreeWidget(this), layout.ListName);
    List->setGeometry(Margin, layout.ListTop, listWidth, listHeight);
    List->setColumnCount(layout.Columns.size());
    List->setHeaderLabels(layout.Columns);
    // A width below 0 (the last column's) means the rest of the list's width.
    int usedWidth = 0;
    for (int i = 0; i < layout.ColumnWidths.size(); ++i) {
        const int w = layout.ColumnWidths.at(i);
        List->setColumnWidth(i, w >= 0 ? w : qMax(40, listWidth - 2 * List->frameWidth() - usedWidth));
        usedWidth += qMax(w, 0);
    }
    List->header()->setSectionsMovable(false);
    List->header()->setStretchLastSection(true);
    List->setRootIsDecorated(false);
    List->setItemsExpandable(false);
    List->setUniformRowHeights(true);
    List->setAllColumnsShowFocus(true);
    List->setSelectionMode(QAbstractItemView::SingleSelection);
    List->setSelectionBehavior(QAbstractItemView::SelectRows);
    List->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List->setSortingEnabled(false);
    List->installEventFilter(this);

    const int listMiddle = layout.ListTop + listHeight / 2;
    cmdUp = named(new QToolButton(this), QStringLiteral("cmdUp"));
    cmdUp->setArrowType(Qt::UpArrow);
    cmdUp->setAutoRaise(true);
    cmdUp->setToolTip(QStringLiteral("Move Up"));
    cmdUp->setAccessibleName(cmdUp->toolTip());
    cmdUp->setGeometry(arrowLeft, listMiddle - ArrowSize - 2, ArrowSize, ArrowSize);
    cmdDown = named(new QToolButton(this), QStringLiteral("cmdDown"));
    cmdDown->setArrowType(Qt::DownArrow);
    cmdDown->setAutoRaise(true);
    cmdDown->setToolTip(QStringLiteral("Move Down"));
    cmdDown->setAccessibleName(cmdDown->toolTip());
    cmdDown->setGeometry(arrowLeft, listMiddle + 2, ArrowSize, ArrowSize);

    cmdInsert = named(new QPushButton(QStringLiteral("&Insert"), this), QStringLiteral("cmdInsert"));
    cmdUpdate = named(new QPushButton(QStringLiteral("&Update"), this), QStringLiteral("cmdUpdate"));
    cmdDelete = named(new QPushButton(QStringLiteral("&Delete"), this), QStringLiteral("cmdDelete"));
    cmdInsert->setGeometry(Margin, buttonRowTop, ButtonWidth, ButtonHeight);
    cmdUpdate->setGeometry(Margin + ButtonWidth + 6, buttonRowTop, ButtonWidth, ButtonHeight);
    cmdDelete->setGeometry(Margin + 2 * (ButtonWidth + 6), buttonRowTop, ButtonWidth, ButtonHeight);
    cmdUpdate->setEnabled(false);
    cmdDelete->setEnabled(false);

    cmdOk = named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("cmdOk"));
    cmdCancel = named(new QPushButton(QStringLiteral("Cancel"), this), QStringLiteral("cmdCancel"));
    cmdOk->setGeometry(okLeft, layout.ListTop, ButtonWidth, ButtonHeight);
    cmdCancel->setGeometry(okLeft, layout.ListTop + ButtonHeight + 6, ButtonWidth, ButtonHeight);

    GroupBox1 = named(new QGroupBox(this), QStringLiteral("GroupBox1"));
    const int panelWidth = width - 2 * Margin;
    GroupBox1->setGeometry(Margin, panelTop, panelWidth, PanelHeight);
    TitleLabel = named(new QLabel(layout.TitleLabelText, GroupBox1), layout.TitleLabelName);
    TitleLabel->setGeometry(12, 20, PanelEditLeft - 16, EditHeight);
    edtTitle = named(new QLineEdit(GroupBox1), QStringLiteral("edtTitle"));
    edtTitle->setGeometry(PanelEditLeft, 20, 200, EditHeight);
    TitleLabel->setBuddy(edtTitle);
    LocationLabel = named(new QLabel(layout.LocationLabelText, GroupBox1), layout.LocationLabelName);
    LocationLabel->setGeometry(12, 48, PanelEditLeft - 16, EditHeight);
    edtLocation = named(new QLineEdit(GroupBox1), QStringLiteral("edtLocation"));
    edtLocation->setGeometry(PanelEditLeft, 48, panelWidth - PanelEditLeft - 12, EditHeight);
    LocationLabel->setBuddy(edtLocation);
    cmdUrlInsert = named(new QPushButton(QStringLiteral("Insert"), GroupBox1), QStringLiteral("cmdUrlInsert"));
    cmdUrlCancel = named(new QPushButton(QStringLiteral("Cancel"), GroupBox1), QStringLiteral("cmdUrlCancel"));
    cmdUrlCancel->setGeometry(panelWidth - 12 - ButtonWidth, 78, ButtonWidth, ButtonHeight);
    cmdUrlInsert->setGeometry(panelWidth - 12 - 2 * ButtonWidth - 6, 78, ButtonWidth, ButtonHeight);

    connect(List, &QTreeWidget::itemClicked, this, &TListDialog::ListEnter);
    connect(List, &QTreeWidget::itemSelectionChanged, this, &TListDialog::ListEnter);
    // Double-clicking a row edits it, as in most list dialogs.
    connect(List, &QTreeWidget::itemDoubleClicked, this, &TListDialog::cmdUpdateClick);
    connect(cmdUp, &QToolButton::clicked, this, &TListDialog::cmdUpClick);
    connect(cmdDown, &QToolButton::clicked, this, &TListDialog::cmdDownClick);
    connect(cmdInsert, &QPushButton::clicked, this, &TListDialog::cmdInsertClick);
    connect(cmdUpdate, &QPushButton::clicked, this, &TListDialog::cmdUpdateClick);
    connect(cmdDelete, &QPushButton::clicked, this, &TListDialog::cmdDeleteClick);
    connect(cmdUrlInsert, &QPushButton::clicked, this, &TListDialog::cmdUrlInsertClick);
    connect(cmdUrlCancel, &QPushButton::clicked, this, &TListDialog::cmdUrlCancelClick);
    connect(cmdOk, &QPushButton::clicked, this, &TListDialog::cmdOkClick);
    connect(cmdCancel, &QPushButton::clicked, this, &TListDialog::reject);

    ShowPanel(false);
    ListEnter();
}

int TListDialog::HiddenClientHeight() const
{
    return GroupBox1->geometry().top() - 2;
}

int TListDialog::ShownClientHeight() const
{
    return GroupBox1->geometry().top() + GroupBox1->height() + 7;
}

QPoint TListDialog::PanelExtraPos() const
{
    return QPoint(PanelEditLeft, 80);
}

int TListDialog::RowCount() const
{
    return List->topLevelItemCount();
}

QStringList TListDialog::RowTexts(int row) const
{
    QStringList texts;
    const QTreeWidgetItem *item = List->topLevelItem(row);
    for (int c = 0; item && c < List->columnCount(); ++c)
        texts.append(item->text(c));
    return texts;
}

void TListDialog::AppendRow(const QStringList &texts)
{
    auto *item = new QTreeWidgetItem(List);
    for (int c = 0; c < texts.size() && c < List->columnCount(); ++c)
        item->setText(c, texts.at(c));
}

void TListDialog::SetRowTexts(int row, const QStringList &texts)
{
    QTreeWidgetItem *item = List->topLevelItem(row);
    if (!item)
        return;
    for (int c = 0; c < List->columnCount(); ++c)
        item->setText(c, texts.value(c));
}

int TListDialog::SelectedRow() const
{
    const QList<QTreeWidgetItem *> selected = List->selectedItems();
    return selected.size() == 1 ? List->indexOfTopLevelItem(selected.first()) : -1;
}

void TListDialog::SelectRow(int row)
{
    QTreeWidgetItem *item = List->topLevelItem(row);
    if (!item) {
        List->clearSelection();
        return;
    }
    List->setCurrentItem(item);
    item->setSelected(true);
    List->scrollToItem(item);
}

void TListDialog::ShowPanel(bool show)
{
    m_panelShown = show;
    GroupBox1->setVisible(show);
    setFixedSize(m_layout.ClientWidth, show ? ShownClientHeight() : HiddenClientHeight());
    // Enter takes the panel's values while it is open, else it confirms the dialog.
    cmdUrlInsert->setDefault(show);
    cmdOk->setDefault(!show);
}

void TListDialog::ListEnter()
{
    const bool selected = SelectedRow() >= 0;
    cmdUpdate->setEnabled(selected);
    cmdDelete->setEnabled(selected);
    cmdUp->setEnabled(selected);
    cmdDown->setEnabled(selected);
    cmdInsert->setEnabled(true);
}

void TListDialog::cmdInsertClick()
{
    m_editIndex = -1;
    ShowPanel(true);
    ClearPanel();
    edtTitle->setFocus();
    cmdUrlInsert->setText(QStringLiteral("Insert"));
    cmdInsert->setEnabled(false);
    cmdUpdate->setEnabled(false);
    cmdDelete->setEnabled(false);
}

void TListDialog::cmdUpdateClick()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    m_editIndex = row;
    ShowPanel(true);
    LoadPanel(RowTexts(row));
    edtTitle->setFocus();
    cmdUrlInsert->setText(QStringLiteral("Update"));
    cmdInsert->setEnabled(false);
    cmdUpdate->setEnabled(false);
    cmdDelete->setEnabled(false);
}

void TListDialog::cmdDeleteClick()
{
    const int row = SelectedRow();
    if (row >= 0) {
        delete List->takeTopLevelItem(row);
        List->clearSelection();
    }
    ListEnter();
}

void TListDialog::moveRow(int from, int to)
{
    List->setUpdatesEnabled(false);
    QTreeWidgetItem *item = List->takeTopLevelItem(from);
    List->insertTopLevelItem(to, item);
    List->clearSelection();
    SelectRow(to);
    List->setUpdatesEnabled(true);
}

void TListDialog::cmdUpClick()
{
    const int row = SelectedRow();
    if (row > 0)
        moveRow(row, row - 1);
}

void TListDialog::cmdDownClick()
{
    const int row = SelectedRow();
    if (row >= 0 && row < RowCount() - 1)
        moveRow(row, row + 1);
}

void TListDialog::cmdUrlInsertClick()
{
    if (!PanelAcceptable())
        return;
    if (m_editIndex < 0)
        AppendRow(PanelValues());
    else
        SetRowTexts(m_editIndex, PanelValues());
    cmdUrlCancelClick();
}

void TListDialog::cmdUrlCancelClick()
{
    ShowPanel(false);
    m_editIndex = -1;
    List->setFocus();
    ListEnter();
}

void TListDialog::cmdOkClick()
{
    if (Commit())
        accept();
}

QStringList TListDialog::PanelValues() const
{
    return {edtTitle->text(), edtLocation->text()};
}

void TListDialog::LoadPanel(const QStringList &row)
{
    edtTitle->setText(row.value(0));
    edtLocation->setText(row.value(1));
}

void TListDialog::ClearPanel()
{
    edtTitle->clear();
    edtLocation->clear();
}

bool TListDialog::PanelAcceptable() const
{
    return !edtLocation->text().isEmpty();
}

bool TListDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == List && event->type() == QEvent::FocusIn)
        ListEnter();
    return QDialog::eventFilter(watched, event);
}
