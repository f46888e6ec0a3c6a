#pragma once
// The program's own dialogs for a page's alert(), confirm(), prompt() and the question a
// page asks before it is left, and the rule that keeps a page from trapping the user in a
// flood of them. They know nothing of the web engine.

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;

enum class TScriptDialogKind { Alert, Confirm, Prompt, LeavePage };

// The flood rule of one page. From the second dialog a page opens within RepeatWindowMs of
// the end of its previous one, the dialog offers to stop the page's dialogs; once the user
// took that offer, every further dialog of the page is answered at once until the page
// navigates.
class TDialogFloodGuard {
public:
    static constexpr qint64 RepeatWindowMs = 3000;

    bool Suppressed() const { return m_suppressed; }
    // Whether a dialog opening now offers "Don't let this page create more dialogs".
    bool OfferStop(qint64 nowMs) const;
    // A dialog ended now; stopChecked: the user ticked the offer.
    void Closed(qint64 nowMs, bool stopChecked);
    // The page navigated: its dialogs are shown again.
    void Reset();

    // The answer a suppressed dialog gets: OK for an alert, Cancel for confirm and prompt.
    // A page is always let go: suppressed leave-page questions answer "Leave".
    static bool AutomaticAnswer(TScriptDialogKind kind);

private:
    bool m_suppressed = false;
    qint64 m_lastClosedMs = -1;
};

// The leave-page question reaches the program as a confirm() with this text.
bool IsLeavePageQuestion(const QString &message);
// The dialog's caption: the page's host ("This page" for a page without one).
QString ScriptDialogCaption(const QString &host);

class TScriptDialog : public QDialog {
    Q_OBJECT
public:
    TScriptDialog(TScriptDialogKind kind, const QString &host, const QString &message,
                  const QString &defaultValue, bool offerStop, QWidget *parent = nullptr);
    TScriptDialogKind Kind() const { return m_kind; }
    QString Value() const;          // the prompt's text
    bool StopChecked() const;       // "Don't let this page create more dialogs"

private:
    TScriptDialogKind m_kind;
    QLabel *lblMessage;
    QLineEdit *edtValue = nullptr;
    QCheckBox *chkStop = nullptr;
};
