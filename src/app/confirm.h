#pragma once
// TfrmConfirm: the program's confirmation dialog. A bold title, a prompt of one or more
// lines, OK and Cancel buttons and an optional check box ("Don't ask me again"); an empty
// text hides its button or the check box.

#include <QDialog>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

struct TConfirmResult {
    bool ok = false;        // OK chosen; any other way of closing counts as not OK
    bool checked = false;   // the check box's state at the end, whatever the answer
};

// Shows the dialog modally and returns the answer.
TConfirmResult Confirm(QWidget *owner, const QString &caption, const QString &title,
                       const QString &prompt, const QString &okText, const QString &cancelText,
                       const QString &checkText, bool checked);

class TKWOptions;
// The question before the program exits, unless ConfirmShutdown is off; "Don't ask me
// again" turns it off. True: go ahead.
bool ConfirmShutdown(QWidget *owner, TKWOptions &options);

class TfrmConfirm : public QDialog {
    Q_OBJECT
public:
    explicit TfrmConfirm(QWidget *owner = nullptr);

    void Setup(const QString &caption, const QString &title, const QString &prompt,
               const QString &okText, const QString &cancelText, const QString &checkText,
               bool checked);

    QLabel *img = nullptr;
    QLabel *lblTitle = nullptr;
    QPlainTextEdit *mmoPrompt2 = nullptr;
    QCheckBox *chkConfirm = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void fitPromptToText();
};
