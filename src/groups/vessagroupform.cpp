#include "groups/vessagroupform.h"

#include "groups/vessagroup.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace {

TListDialogLayout groupEditorLayout()
{
    TListDialogLayout layout;
    layout.ListName = QStringLiteral("lstSites");
    layout.Columns = {QStringLiteral("StickyName"), QStringLiteral("Location"), QStringLiteral("Locked")};
    layout.ColumnWidths = {100, 305, -1};
    layout.ClientWidth = 571;
    layout.ClientHeight = 377;
    layout.ListTop = 48;
    layout.TitleLabelName = QStringLiteral("Label1");
    layout.TitleLabelText = QStringLiteral("&StickyName:");
    layout.LocationLabelName = QStringLiteral("Label2");
    layout.LocationLabelText = QStringLiteral("&Location:");
    return layout;
}

const QString LockedMark = QStringLiteral("X");

}

TfrmVessaGroup::TfrmVessaGroup(QWidget *owner, const QString &groupPath)
    : TListDialog(owner, groupEditorLayout()), m_groupPath(groupPath)
{
    setObjectName(QStringLiteral("frmVessaGroup"));
    setWindowTitle(QStringLiteral("VessaGroup"));
    lstSites = List;
    lstSites->setAccessibleName(QStringLiteral("Sites"));
    Label1 = TitleLabel;
    Label2 = LocationLabel;

    lblVessaGroupName = new QLabel(this);
    lblVessaGroupName->setObjectName(QStringLiteral("lblVessaGroupName"));
    lblVessaGroupName->setGeometry(8, 6, 460, 18);
    QFont bold = lblVessaGroupName->font();
    bold.setBold(true);
    lblVessaGroupName->setFont(bold);
    lblTitle = new QLabel(QStringLiteral("Leave StickyName blank in order to see dynamic tab titles"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setGeometry(8, 26, 460, 18);

    chkTabLocked = new QCheckBox(QStringLiteral("Tab Loc&ked?"), GroupBox1);
    chkTabLocked->setObjectName(QStringLiteral("chkTabLocked"));
    chkTabLocked->move(PanelExtraPos());
    chkTabLocked->adjustSize();
    // Tab goes through the entry's fields before the panel's buttons.
    setTabOrder(edtLocation, chkTabLocked);
    setTabOrder(chkTabLocked, cmdUrlInsert);

    FormCreate();
}

QStringList TfrmVessaGroup::RowFromEntry(const QString &key, const QString &value)
{
    const bool locked = value.startsWith(QLatin1Char('*'));
    const bool blank = key.startsWith(QLatin1String("blank"), Qt::CaseInsensitive);
    return {blank ? QString() : key, locked ? value.mid(1) : value, locked ? LockedMark : QString()};
}

void TfrmVessaGroup::FormCreate()
{
    lblVessaGroupName->setText(QStringLiteral("VessaGroup: ") + QFileInfo(m_groupPath).fileName());
    const TVessaGroup group(this, m_groupPath);
    for (int i = 0; i < group.Count(); ++i)
        AppendRow(RowFromEntry(group.Key(i), group.Value(i)));
}

QStringList TfrmVessaGroup::PanelValues() const
{
    return {edtTitle->text(), edtLocation->text(), chkTabLocked->isChecked() ? LockedMark : QString()};
}

void TfrmVessaGroup::LoadPanel(const QStringList &row)
{
    TListDialog::LoadPanel(row);
    chkTabLocked->setChecked(row.value(2) == LockedMark);
}

void TfrmVessaGroup::ClearPanel()
{
    TListDialog::ClearPanel();
    chkTabLocked->setChecked(false);
}

bool TfrmVessaGroup::Commit()
{
    // Reading the group again keeps its file name; a file that vanished meanwhile leaves
    // none, and Save asks for one.
    TVessaGroup group(this, m_groupPath);
    group.Items.clear();
    for (int row = 0; row < RowCount(); ++row) {
        const QStringList texts = RowTexts(row);
        group.AddSite(texts.value(0), texts.value(1), texts.value(2) == LockedMark);
    }
    // A cancelled save dialog or a failed write keeps the dialog open with the edits.
    if (group.Save() != TSaveResult::Saved)
        return false;
    m_groupPath = group.FileName();
    return true;
}
