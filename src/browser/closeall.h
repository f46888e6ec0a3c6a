#pragma once
// TfrmCloseAll: the list of tabs to close, one checked line per tab. The caller passes the
// lines in strip order and closes the tabs whose lines stay checked, last one first.

#include <QDialog>
#include <QList>
#include <QStringList>

class QListWidget;
class QPushButton;

class TfrmCloseAll : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCloseAll(const QStringList &lines, QWidget *owner = nullptr);

    // Runs the dialog modally; on OK returns true and the checked line indices from the
    // last to the first (the order to close them in).
    static bool Execute(QWidget *owner, const QStringList &lines, QList<int> *closeOrder);

    QList<int> CloseOrder() const { return m_closeOrder; }   // set when OK ends the dialog
    QList<int> CheckedLines() const;                         // ascending

    QListWidget *lstTabs = nullptr;
    QPushButton *cmdClose = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdSelectAll = nullptr;
    QPushButton *cmdDeselectAll = nullptr;

    void cmdSelectAllClick();
    void cmdDeselectAllClick();
    void cmdCloseClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void setAllChecked(bool on);
    QList<int> m_closeOrder;
};
