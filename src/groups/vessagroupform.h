#pragma once
// TfrmVessaGroup: the modal editor of one saved group. Its rows are the group's entries in
// tab order (StickyName, Location, Locked); OK writes them back to the group's file.

#include "components/listdialog.h"

class QCheckBox;
class QLabel;

class TfrmVessaGroup : public TListDialog {
    Q_OBJECT
public:
    TfrmVessaGroup(QWidget *owner, const QString &groupPath);

    QString GroupPath() const { return m_groupPath; }

    // Components
    QTreeWidget *lstSites;
    QLabel *lblVessaGroupName;
    QLabel *lblTitle;
    QLabel *Label1;
    QLabel *Label2;
    QCheckBox *chkTabLocked;

    // Handlers
    void FormCreate();
    void lstSitesEnter() { ListEnter(); }

    // The row texts of a group entry: key shown empty when it begins with "blank" in any
    // case; the address without the lock marker; "X" for a locked entry.
    static QStringList RowFromEntry(const QString &key, const QString &value);

protected:
    QStringList PanelValues() const override;
    void LoadPanel(const QStringList &row) override;
    void ClearPanel() override;
    bool Commit() override;

private:
    QString m_groupPath;
};
