#pragma once
// TListDialog: the list dialogs' shared pattern. A read-only report list with whole-row
// selection, up and down arrow buttons beside it, Insert, Update and Delete below it, OK
// and Cancel at the right, and an entry panel (GroupBox1) at the bottom that is shown and
// hidden by changing the dialog's client height: the panel's top - 2 while hidden, the
// panel's top + its height + 7 while shown. The panel edits one row: a title edit, a
// location edit and whatever a form adds at PanelExtraPos(). Forms derive from it, name
// the list, add their labels above it and write the rows out in Commit().

#include <QDialog>
#include <QList>
#include <QPoint>
#include <QStringList>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QTreeWidget;

struct TListDialogLayout {
    QString ListName;                 // objectName of the list
    QStringList Columns;              // column captions
    QList<int> ColumnWidths;          // pixels, one per column; -1: the rest of the width
    int ClientWidth = 571;
    int ClientHeight = 377;           // with the entry panel shown
    int ListTop = 48;                 // room above the list for the form's labels
    QString TitleLabelName, TitleLabelText;
    QString LocationLabelName, LocationLabelText;
};

class TListDialog : public QDialog {
    Q_OBJECT
public:
    TListDialog(QWidget *parent, const TListDialogLayout &layout);

    // Components
    QTreeWidget *List;
    QToolButton *cmdUp;
    QToolButton *cmdDown;
    QPushButton *cmdInsert;
    QPushButton *cmdUpdate;
    QPushButton *cmdDelete;
    QPushButton *cmdOk;
    QPushButton *cmdCancel;
    QGroupBox *GroupBox1;
    QLabel *TitleLabel;
    QLineEdit *edtTitle;
    QLabel *LocationLabel;
    QLineEdit *edtLocation;
    QPushButton *cmdUrlInsert;
    QPushButton *cmdUrlCancel;

    // Rows: the texts of every column
    int RowCount() const;
    QStringList RowTexts(int row) const;
    void AppendRow(const QStringList &texts);
    void SetRowTexts(int row, const QStringList &texts);
    int SelectedRow() const;           // -1 without a selection
    void SelectRow(int row);

    // Entry panel
    bool PanelShown() const { return m_panelShown; }
    int EditIndex() const { return m_editIndex; }
    int HiddenClientHeight() const;
    int ShownClientHeight() const;

    // Handlers
    void ListEnter();                  // button states
    void cmdInsertClick();
    void cmdUpdateClick();
    void cmdDeleteClick();
    void cmdUpClick();
    void cmdDownClick();
    void cmdUrlInsertClick();
    void cmdUrlCancelClick();
    void cmdOkClick();

protected:
    void ShowPanel(bool show);
    QPoint PanelExtraPos() const;      // free place in GroupBox1 below the edits
    // The panel's values as row texts, and back; forms with more columns extend these.
    virtual QStringList PanelValues() const;
    virtual void LoadPanel(const QStringList &row);
    virtual void ClearPanel();
    // Whether the panel button may take the values (by default: a location is given).
    virtual bool PanelAcceptable() const;
    // OK: writes the rows out; true closes the dialog with Accepted.
    virtual bool Commit() = 0;

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void moveRow(int from, int to);

    TListDialogLayout m_layout;
    bool m_panelShown = false;
    int m_editIndex = -1;
};
