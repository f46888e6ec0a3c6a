#pragma once
// TfrmOpen: asks for an address or a local file and whether to open it on a new tab.
// Shown by the main window's Open command and, without the new-tab box, by the search
// panel's Open.

#include <QDialog>
#include <QStringList>
#include <functional>

class QCheckBox;
class QComboBox;
class QFileDialog;
class QKeyEvent;
class QLabel;
class QPushButton;

class TfrmOpen : public QDialog {
    Q_OBJECT
public:
    // addressEntries: the address box's drop-down entries, copied into ComboBox1's list.
    explicit TfrmOpen(QWidget *owner, const QStringList &addressEntries = QStringList());

    // Results, valid after the dialog closed with OK.
    QString ResultAddress;
    bool OpenOnNewTab = false;

    // Hides "Open on new browser tab" (the search panel loads into itself).
    void SetNewTabVisible(bool visible);
    void SetAddressEntries(const QStringList &entries) { m_entries = entries; }

    // Runs OpenDialog1 and gives the chosen file, or "" when cancelled. Tests replace it.
    std::function<QString(QFileDialog *dialog)> ChooseFile;

    QLabel *lblPrompt;
    QLabel *lblOpen;
    QComboBox *ComboBox1;
    QCheckBox *chkNewTab;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;
    QPushButton *cmdBrowse;
    QFileDialog *OpenDialog1;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void FormActivate();
    void ComboBox1Change();
    bool ComboBox1KeyPress(QKeyEvent *event);   // true when the key was swallowed
    void cmdBrowseClick();
    void cmdOKClick();

    QStringList m_entries;
};
