#include "platform/scriptdialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {
// Longest message shown; a page can pass megabytes.
const int MaxMessageChars = 4000;
}

bool TDialogFloodGuard::OfferStop(qint64 nowMs) const
{
    return m_lastClosedMs >= 0 && nowMs >= m_lastClosedMs && nowMs - m_lastClosedMs <= RepeatWindowMs;
}

void TDialogFloodGuard::Closed(qint64 nowMs, bool stopChecked)
{
    m_lastClosedMs = nowMs;
    if (stopChecked)
        m_suppressed = true;
}

void TDialogFloodGuard::Reset()
{
    m_suppressed = false;
    m_lastClosedMs = -1;
}

bool TDialogFloodGuard::AutomaticAnswer(TScriptDialogKind kind)
{
    return kind == TScriptDialogKind::Alert || kind == TScriptDialogKind::LeavePage;
}

bool IsLeavePageQuestion(const QString &message)
{
    // The engine's fixed text for a page's beforeunload question.
    return message.startsWith(QLatin1String("Are you sure you want to leave this page?"));
}

QString ScriptDialogCaption(const QString &host)
{
    return host.isEmpty() ? QObject::tr("This page") : host;
}

TScriptDialog::TScriptDialog(TScriptDialogKind kind, const QString &host, const QString &message,
                             const QString &defaultValue, bool offerStop, QWidget *parent)
    : QDialog(parent), m_kind(kind)
{
    setObjectName(QStringLiteral("frmScriptDialog"));
    setWindowTitle(ScriptDialogCaption(host));

    QString text = message.left(MaxMessageChars);
    if (kind == TScriptDialogKind::LeavePage)
        text = tr("This page asks whether you want to leave it. Changes you made may not be saved.");
    lblMessage = new QLabel(text, this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setTextFormat(Qt::PlainText);
    lblMessage->setWordWrap(true);
    lblMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblMessage);
    if (kind == TScriptDialogKind::Prompt) {
        edtValue = new QLineEdit(defaultValue, this);
        edtValue->setObjectName(QStringLiteral("edtValue"));
        edtValue->selectAll();
        // The page's question names the field for screen readers.
        edtValue->setAccessibleName(text.isEmpty() ? tr("Answer") : text);
        layout->addWidget(edtValue);
    }
    if (offerStop) {
        chkStop = new QCheckBox(tr("&Don't let this page create more dialogs"), this);
        chkStop->setObjectName(QStringLiteral("chkStopDialogs"));
        layout->addWidget(chkStop);
    }

    auto *buttons = new QDialogButtonBox(this);
    buttons->setObjectName(QStringLiteral("buttons"));
    QPushButton *ok = nullptr;
    if (kind == TScriptDialogKind::LeavePage) {
        ok = buttons->addButton(tr("&Leave"), QDialogButtonBox::AcceptRole);
        buttons->addButton(tr("&Stay"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("cmdCancel"));
    } else {
        ok = buttons->addButton(QDialogButtonBox::Ok);
        if (kind != TScriptDialogKind::Alert)
            buttons->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    }
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

QString TScriptDialog::Value() const
{
    return edtValue ? edtValue->text() : QString();
}

bool TScriptDialog::StopChecked() const
{
    return chkStop && chkStop->isChecked();
}
