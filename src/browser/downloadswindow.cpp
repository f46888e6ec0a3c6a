#include "browser/downloadswindow.h"

#include "browser/downloadlist.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFrame>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QUrl>
#include <QVBoxLayout>

namespace {
QPushButton *rowButton(const QString &caption, const char *name, QWidget *parent, QHBoxLayout *layout)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    layout->addWidget(button);
    return button;
}
}

TDownloadRow::TDownloadRow(TDownloadList *list, int id, QWidget *parent)
    : QWidget(parent), m_list(list), m_id(id)
{
    setObjectName(QStringLiteral("downloadRow"));
    auto *box = new QVBoxLayout(this);
    box->setContentsMargins(8, 6, 8, 6);
    box->setSpacing(3);

    m_name = new QLabel(this);
    m_name->setObjectName(QStringLiteral("lblName"));
    QFont bold = m_name->font();
    bold.setBold(true);
    m_name->setFont(bold);
    m_name->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->addWidget(m_name);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("pbDownload"));
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(12);
    box->addWidget(m_progress);

    auto *line = new QHBoxLayout;
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblStatus"));
    line->addWidget(m_status, 1);
    m_pause = rowButton(QStringLiteral("&Pause"), "btnPause", this, line);
    m_resume = rowButton(QStringLiteral("&Resume"), "btnResume", this, line);
    m_cancel = rowButton(QStringLiteral("&Cancel"), "btnCancel", this, line);
    m_open = rowButton(QStringLiteral("&Open"), "btnOpen", this, line);
    m_openFolder = rowButton(QStringLiteral("Open &Folder"), "btnOpenFolder", this, line);
    m_retry = rowButton(QStringLiteral("Re&try"), "btnRetry", this, line);
    m_clear = rowButton(QStringLiteral("C&lear"), "btnClear", this, line);
    box->addLayout(line);
    auto *rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    box->addWidget(rule);

    connect(m_pause, &QPushButton::clicked, this, [this] { m_list->Pause(m_id); });
    connect(m_resume, &QPushButton::clicked, this, [this] { m_list->Resume(m_id); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_list->Cancel(m_id); });
    connect(m_clear, &QPushButton::clicked, this, [this] { m_list->Remove(m_id); });
    connect(m_retry, &QPushButton::clicked, this, [this] { Q_EMIT RetryRequested(m_id); });
    connect(m_open, &QPushButton::clicked, this, [this] {
        if (const TDownload *d = m_list->Find(m_id))
            QDesktopServices::openUrl(QUrl::fromLocalFile(d->path));
    });
    connect(m_openFolder, &QPushButton::clicked, this, [this] {
        if (const TDownload *d = m_list->Find(m_id))
            QDesktopServices::openUrl(QUrl::fromLocalFile(d->Folder()));
    });
    Refresh();
}

void TDownloadRow::Refresh()
{
    const TDownload *d = m_list->Find(m_id);
    if (!d)
        return;
    const QString name = d->FileName();
    m_name->setText(QFontMetrics(m_name->font()).elidedText(name, Qt::ElideMiddle, 420));
    m_name->setToolTip(d->path + QLatin1Char('\n') + d->url.toDisplayString());

    const bool running = d->state == TDownloadState::Running;
    const bool paused = d->state == TDownloadState::Paused;
    const bool completed = d->state == TDownloadState::Completed;
    const bool fileThere = completed && QFileInfo(d->path).isFile();
    if (completed) {
        m_progress->setRange(0, 1);
        m_progress->setValue(1);
    } else if (d->InProgress() && d->total > 0) {
        // The bar counts in KB so that files over 2 GB fit its int range.
        m_progress->setRange(0, int(qMax<qint64>(1, d->total / 1024)));
        m_progress->setValue(int(qMin(d->received, d->total) / 1024));
    } else if (running) {
        m_progress->setRange(0, 0);   // busy: the size is not known
    } else {
        m_progress->setRange(0, 1);
        m_progress->setValue(0);
    }
    m_progress->setVisible(d->InProgress() || completed);

    QString status = TDownloadText::Status(*d);
    if (completed && !fileThere)
        status += QStringLiteral(" (the file has been moved or deleted)");
    m_status->setText(status);
    m_pause->setVisible(running);
    m_resume->setVisible(paused);
    m_cancel->setVisible(running || paused);
    m_open->setVisible(completed);
    m_open->setEnabled(fileThere);
    m_openFolder->setVisible(completed);
    m_retry->setVisible(d->state == TDownloadState::Failed || d->state == TDownloadState::Cancelled);
    m_clear->setVisible(!d->InProgress());
}

TDownloadsWindow::TDownloadsWindow(TDownloadList *list, QWidget *parent)
    : QWidget(parent, Qt::Window), m_list(list)
{
    setObjectName(QStringLiteral("frmDownloads"));
    setWindowTitle(QStringLiteral("Downloads"));
    resize(640, 420);

    auto *box = new QVBoxLayout(this);
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("sbDownloads"));
    scroll->setWidgetResizable(true);
    auto *inner = new QWidget(scroll);
    inner->setObjectName(QStringLiteral("pnlDownloads"));
    inner->setBackgroundRole(QPalette::Base);
    inner->setAutoFillBackground(true);
    m_rowsLayout = new QVBoxLayout(inner);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(0);
    m_empty = new QLabel(QStringLiteral("No downloads."), inner);
    m_empty->setObjectName(QStringLiteral("lblNoDownloads"));
    m_empty->setAlignment(Qt::AlignCenter);
    m_empty->setEnabled(false);
    m_rowsLayout->addWidget(m_empty);
    m_rowsLayout->addStretch(1);
    scroll->setWidget(inner);
    box->addWidget(scroll, 1);

    auto *bottom = new QHBoxLayout;
    m_showWhenStarting = new QCheckBox(QStringLiteral("&Show this window when a download starts"), this);
    m_showWhenStarting->setObjectName(QStringLiteral("chkShowWhenStarting"));
    bottom->addWidget(m_showWhenStarting, 1);
    m_clearList = new QPushButton(QStringLiteral("Clear &List"), this);
    m_clearList->setObjectName(QStringLiteral("btnClearList"));
    m_clearList->setAutoDefault(false);
    bottom->addWidget(m_clearList);
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("btnClose"));
    bottom->addWidget(close);
    box->addLayout(bottom);

    connect(m_showWhenStarting, &QCheckBox::toggled, this, &TDownloadsWindow::ShowWhenStartingToggled);
    connect(m_clearList, &QPushButton::clicked, m_list, &TDownloadList::ClearFinished);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_list, &TDownloadList::Added, this, &TDownloadsWindow::addRow);
    connect(m_list, &TDownloadList::Removed, this, &TDownloadsWindow::removeRow);
    connect(m_list, &TDownloadList::Changed, this, [this](int id) {
        // A hidden window catches up when it is shown.
        if (TDownloadRow *row = m_rows.value(id); row && isVisible())
            row->Refresh();
        updateEmpty();
    });
    for (int i = 0; i < m_list->Count(); ++i)
        addRow(m_list->At(i).id);
    updateEmpty();
}

void TDownloadsWindow::SetShowWhenStarting(bool on)
{
    m_showWhenStarting->setChecked(on);
}

void TDownloadsWindow::addRow(int id)
{
    if (m_rows.contains(id))
        return;
    auto *row = new TDownloadRow(m_list, id, m_rowsLayout->parentWidget());
    connect(row, &TDownloadRow::RetryRequested, this, &TDownloadsWindow::RetryRequested);
    // Newest first, below the "No downloads." label (hidden while there are rows).
    m_rowsLayout->insertWidget(1, row);
    m_rows.insert(id, row);
    updateEmpty();
}

void TDownloadsWindow::removeRow(int id)
{
    if (TDownloadRow *row = m_rows.take(id))
        row->deleteLater();
    updateEmpty();
}

void TDownloadsWindow::updateEmpty()
{
    m_empty->setVisible(m_rows.isEmpty());
    m_clearList->setEnabled(m_list->Count() > m_list->InProgressCount());
}

void TDownloadsWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    for (TDownloadRow *row : std::as_const(m_rows))
        row->Refresh();
    Q_EMIT VisibilityChanged(true);
}

void TDownloadsWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    Q_EMIT VisibilityChanged(false);
}
