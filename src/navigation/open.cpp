#include "navigation/open.h"

#include "components/dialogplacement.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmOpen::TfrmOpen(QWidget *owner, const QStringList &addressEntries)
    : QDialog(owner), m_entries(addressEntries)
{
    lblPrompt = new QLabel(this);
    lblOpen = new QLabel(this);
    ComboBox1 = new QComboBox(this);
    chkNewTab = new QCheckBox(this);
    cmdOK = new QPushButton(this);
    cmdCancel = new QPushButton(this);
    cmdBrowse = new QPushButton(this);
    OpenDialog1 = new QFileDialog(this);
    FormCreate();

    ChooseFile = [](QFileDialog *dialog) {
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
            return QString();
        return dialog->selectedFiles().constFirst();
    };

    connect(ComboBox1, &QComboBox::editTextChanged, this, [this] { ComboBox1Change(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOKClick(); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdBrowse, &QPushButton::clicked, this, [this] { cmdBrowseClick(); });
    ComboBox1->installEventFilter(this);
    if (ComboBox1->lineEdit())
        ComboBox1->lineEdit()->installEventFilter(this);
}

void TfrmOpen::FormCreate()
{
    setObjectName(QStringLiteral("frmOpen"));
    setWindowTitle(QStringLiteral("Open"));
    lblPrompt->setObjectName(QStringLiteral("lblPrompt"));
    lblOpen->setObjectName(QStringLiteral("lblOpen"));
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    chkNewTab->setObjectName(QStringLiteral("chkNewTab"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));

    lblPrompt->setText(QStringLiteral(
        "Type the Internet address of a document or folder, and Tabvane will open it for you."));
    lblPrompt->setWordWrap(true);
    lblOpen->setText(QStringLiteral("&Open"));
    lblOpen->setBuddy(ComboBox1);
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    // The address is taken exactly as typed: no inline completion changes it.
    ComboBox1->setCompleter(nullptr);
    ComboBox1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    chkNewTab->setText(QStringLiteral("Open on &new browser tab"));
    chkNewTab->setChecked(true);
    cmdOK->setText(QStringLiteral("OK"));
    cmdOK->setDefault(true);
    cmdCancel->setText(QStringLiteral("Cancel"));
    cmdCancel->setAutoDefault(false);
    cmdBrowse->setText(QStringLiteral("&Browse..."));
    cmdBrowse->setAutoDefault(false);

    OpenDialog1->setWindowTitle(QStringLiteral("Open"));
    OpenDialog1->setNameFilters({ QStringLiteral("Web Documents (*.htm *.html)"),
                                  QStringLiteral("Any file (*)") });
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);

    auto *grid = new QGridLayout(this);
    grid->addWidget(lblPrompt, 0, 0, 1, 2);
    grid->addWidget(lblOpen, 1, 0);
    grid->addWidget(ComboBox1, 1, 1);
    grid->addWidget(chkNewTab, 2, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdBrowse);
    grid->addLayout(buttons, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    setFixedSize(351, 144);
}

void TfrmOpen::SetNewTabVisible(bool visible)
{
    chkNewTab->setVisible(visible);
}

void TfrmOpen::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    CenterOnScreen(this);
    FormActivate();
}

// Runs once per showing: the browse dialog returning must not empty the box again.
void TfrmOpen::FormActivate()
{
    ComboBox1->clear();
    ComboBox1->addItems(m_entries);
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->clearEditText();
    ComboBox1->setFocus();
    cmdOK->setEnabled(false);
}

void TfrmOpen::ComboBox1Change()
{
    cmdOK->setEnabled(!ComboBox1->currentText().isEmpty());
}

bool TfrmOpen::ComboBox1KeyPress(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    // Enter acts only through the default button, and only while it can be pressed.
    ComboBox1Change();
    if (cmdOK->isEnabled())
        cmdOK->click();
    return true;
}

bool TfrmOpen::eventFilter(QObject *watched, QEvent *event)
{
    const bool inBox = watched == ComboBox1 || watched == ComboBox1->lineEdit();
    if (inBox && event->type() == QEvent::KeyPress && ComboBox1KeyPress(static_cast<QKeyEvent *>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TfrmOpen::cmdBrowseClick()
{
    const QString chosen = ChooseFile ? ChooseFile(OpenDialog1) : QString();
    if (!chosen.isEmpty())
        ComboBox1->setEditText(QFileInfo(chosen).absoluteFilePath());
    ComboBox1Change();
}

void TfrmOpen::cmdOKClick()
{
    if (ComboBox1->currentText().isEmpty())
        return;
    ResultAddress = ComboBox1->currentText();
    OpenOnNewTab = chkNewTab->isChecked();
    accept();
}
