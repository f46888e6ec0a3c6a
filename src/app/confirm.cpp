#include "app/confirm.h"

#include "app/kwoptions.h"
#include "components/dialogplacement.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextDocument>

#include <algorithm>

namespace {
// The dialog's height and the prompt's as laid out for a prompt of up to four lines; a
// longer prompt makes both taller by the same amount and moves what is below it down.
constexpr int kDialogHeight = 174;
constexpr int kPromptHeight = 73;
}

TConfirmResult Confirm(QWidget *owner, const QString &caption, const QString &title,
                       const QString &prompt, const QString &okText, const QString &cancelText,
                       const QString &checkText, bool checked)
{
    TfrmConfirm dlg(owner);
    dlg.Setup(caption, title, prompt, okText, cancelText, checkText, checked);
    TConfirmResult result;
    result.ok = dlg.exec() == QDialog::Accepted;
    result.checked = dlg.chkConfirm->isChecked();
    return result;
}

TfrmConfirm::TfrmConfirm(QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                         | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmConfirm"));
    setModal(true);
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"), Qt::CaseInsensitive))
        setFont(QFont(QStringLiteral("Tahoma"), 8));
    else if (owner)
        setFont(owner->font());
    setFixedSize(408, kDialogHeight);

    img = new QLabel(this);
    img->setObjectName(QStringLiteral("img"));
    img->setGeometry(16, 16, 32, 32);
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull())
        icon = style()->standardIcon(QStyle::SP_MessageBoxQuestion);
    img->setPixmap(icon.pixmap(32, 32));

    lblTitle = new QLabel(this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setTextFormat(Qt::PlainText);
    QFont bold = font();
    bold.setBold(true);
    lblTitle->setFont(bold);
    lblTitle->move(61, 16);

    mmoPrompt2 = new QPlainTextEdit(this);
    mmoPrompt2->setObjectName(QStringLiteral("mmoPrompt2"));
    mmoPrompt2->setGeometry(58, 40, 343, kPromptHeight);
    mmoPrompt2->setReadOnly(true);
    mmoPrompt2->setFrameShape(QFrame::NoFrame);
    mmoPrompt2->setFocusPolicy(Qt::ClickFocus);
    QPalette pal = mmoPrompt2->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Button));
    mmoPrompt2->setPalette(pal);

    chkConfirm = new QCheckBox(this);
    chkConfirm->setObjectName(QStringLiteral("chkConfirm"));
    chkConfirm->setGeometry(64, 120, 313, 17);

    cmdOK = new QPushButton(this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(264, 144, 67, 25);
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    cmdCancel = new QPushButton(this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(336, 143, 67, 25);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(chkConfirm, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    setTabOrder(cmdCancel, mmoPrompt2);
}

void TfrmConfirm::Setup(const QString &caption, const QString &title, const QString &prompt,
                        const QString &okText, const QString &cancelText,
                        const QString &checkText, bool checked)
{
    setWindowTitle(caption);
    lblTitle->setText(title);
    lblTitle->adjustSize();
    lblTitle->resize(std::min(lblTitle->width(), width() - lblTitle->x() - 8),
                     lblTitle->height());
    mmoPrompt2->setPlainText(prompt);
    fitPromptToText();
    cmdOK->setText(okText);
    cmdOK->setVisible(!okText.isEmpty());
    cmdCancel->setText(cancelText);
    cmdCancel->setVisible(!cancelText.isEmpty());
    // The buttons keep their width unless a caption needs more; they grow to the left.
    const auto widthFor = [](const QPushButton *button) {
        return std::max(67, button->fontMetrics().horizontalAdvance(button->text()) + 16);
    };
    // They stay below the check box, which a long prompt has moved down.
    const int cancelWidth = widthFor(cmdCancel);
    cmdCancel->setGeometry(403 - cancelWidth, chkConfirm->y() + 23, cancelWidth, 25);
    const int okWidth = widthFor(cmdOK);
    cmdOK->setGeometry(cmdCancel->x() - 5 - okWidth, chkConfirm->y() + 24, okWidth, 25);
    chkConfirm->setText(checkText);
    chkConfirm->setChecked(checked);
    chkConfirm->setVisible(!checkText.isEmpty());
}

void TfrmConfirm::fitPromptToText()
{
    // The prompt shows in full; only a text taller than the screen leaves a scroll bar.
    QTextDocument *doc = mmoPrompt2->document();
    const int margin = int(doc->documentMargin());
    const int textWidth = mmoPrompt2->width() - 2 * margin - 2 * mmoPrompt2->frameWidth();
    const QFontMetrics fm(mmoPrompt2->font());
    const int textHeight =
        fm.boundingRect(QRect(0, 0, std::max(1, textWidth), 1 << 20),
                        Qt::TextWordWrap | Qt::TextExpandTabs, doc->toPlainText())
            .height();
    int extra = std::max(0, textHeight + 2 * margin + 2 * mmoPrompt2->frameWidth() + 2 - kPromptHeight);
    if (const QScreen *screen = parentWidget() ? parentWidget()->screen() : this->screen())
        extra = std::min(extra, std::max(0, screen->availableGeometry().height() - 80 - kDialogHeight));
    setFixedSize(width(), kDialogHeight + extra);
    mmoPrompt2->resize(mmoPrompt2->width(), kPromptHeight + extra);
    chkConfirm->move(64, 120 + extra);
    cmdOK->move(cmdOK->x(), 144 + extra);
    cmdCancel->move(cmdCancel->x(), 143 + extra);
}

void TfrmConfirm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    CenterOnScreen(this);
    if (chkConfirm->isVisible())
        chkConfirm->setFocus();
    else if (cmdOK->isVisible())
        cmdOK->setFocus();
}

bool ConfirmShutdown(QWidget *owner, TKWOptions &options)
{
    if (!options.ConfirmShutdown())
        return true;
    const TConfirmResult answer = Confirm(owner, QStringLiteral("Shut Down"), QStringLiteral("You are about to exit Tabvane."),
                                          QStringLiteral("Do you want to proceed?"), QStringLiteral("Yes"),
                                          QStringLiteral("No"), QStringLiteral("Don't ask me again"), false);
    if (answer.checked)
        options.SetConfirmShutdown(false);
    return answer.ok;
}
