#include "browser/closeall.h"

#include "components/dialogplacement.h"

#include <QListWidget>
#include <QPushButton>

#include <algorithm>

TfrmCloseAll::TfrmCloseAll(const QStringList &lines, QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                         | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                         | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmCloseAll"));
    setModal(true);
    if (owner)
        setFont(owner->font());
    setWindowTitle(QStringLiteral("Select Browser Tabs to Close"));

    lstTabs = new QListWidget(this);
    lstTabs->setObjectName(QStringLiteral("lstTabs"));
    lstTabs->setAccessibleName(QStringLiteral("Browser tabs"));
    lstTabs->setGeometry(8, 8, 337, 249);
    for (const QString &line : lines) {
        auto *item = new QListWidgetItem(line, lstTabs);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }

    QList<QPushButton *> buttons;
    const auto button = [this, &buttons](const char *name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        buttons << b;
        return b;
    };
    cmdClose = button("cmdClose", QStringLiteral("OK"));
    cmdClose->setDefault(true);
    cmdCancel = button("cmdCancel", QStringLiteral("Cancel"));
    cmdSelectAll = button("cmdSelectAll", QStringLiteral("&Select All"));
    cmdDeselectAll = button("cmdDeselectAll", QStringLiteral("&Deselect All"));
    // The buttons are 75 wide unless a caption needs more (a large font); the dialog
    // widens with them.
    int buttonWidth = 75;
    for (const QPushButton *b : std::as_const(buttons))
        buttonWidth = std::max(buttonWidth, b->fontMetrics().horizontalAdvance(QString(b->text()).remove(QLatin1Char('&'))) + 12);
    const int tops[] = {8, 40, 200, 232};
    for (int i = 0; i < buttons.size(); ++i)
        buttons.at(i)->setGeometry(352, tops[i], buttonWidth, 25);
    setFixedSize(352 + buttonWidth + 8, 269);

    connect(cmdClose, &QPushButton::clicked, this, &TfrmCloseAll::cmdCloseClick);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdSelectAll, &QPushButton::clicked, this, &TfrmCloseAll::cmdSelectAllClick);
    connect(cmdDeselectAll, &QPushButton::clicked, this, &TfrmCloseAll::cmdDeselectAllClick);
}

bool TfrmCloseAll::Execute(QWidget *owner, const QStringList &lines, QList<int> *closeOrder)
{
    TfrmCloseAll dlg(lines, owner);
    const bool ok = dlg.exec() == QDialog::Accepted;
    if (closeOrder)
        *closeOrder = ok ? dlg.CloseOrder() : QList<int>();
    return ok;
}

QList<int> TfrmCloseAll::CheckedLines() const
{
    QList<int> out;
    for (int i = 0; i < lstTabs->count(); ++i) {
        if (lstTabs->item(i)->checkState() == Qt::Checked)
            out.append(i);
    }
    return out;
}

void TfrmCloseAll::setAllChecked(bool on)
{
    for (int i = 0; i < lstTabs->count(); ++i)
        lstTabs->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

void TfrmCloseAll::cmdSelectAllClick() { setAllChecked(true); }

void TfrmCloseAll::cmdDeselectAllClick() { setAllChecked(false); }

void TfrmCloseAll::cmdCloseClick()
{
    m_closeOrder.clear();
    const QList<int> checked = CheckedLines();
    for (auto it = checked.crbegin(); it != checked.crend(); ++it)
        m_closeOrder.append(*it);
    lstTabs->clear();
    accept();
}

void TfrmCloseAll::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    CenterOnScreen(this);
}
