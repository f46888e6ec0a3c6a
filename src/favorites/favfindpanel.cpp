#include "favorites/favfindpanel.h"

#include "favorites/favfind.h"
#include "favorites/launchlink.h"

#include <QApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

namespace {
constexpr int UrlRole = Qt::UserRole + 1;
}

TFavoritesFindPanel::TFavoritesFindPanel(TLinkLauncher *launcher, std::function<QString()> folder,
                                         const bool *newWin, QWidget *parent)
    : QWidget(parent), m_launcher(launcher), m_folder(std::move(folder)), m_newWin(newWin),
      m_finder(new TFavoritesFinder(this))
{
    setObjectName(QStringLiteral("pnlFindFavorites"));
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(2, 2, 2, 0);
    grid->setHorizontalSpacing(2);
    auto *label = new QLabel(tr("F&ind:"), this);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("edtFindFavorites"));
    label->setBuddy(m_edit);
    m_go = new QPushButton(tr("Go"), this);
    m_go->setObjectName(QStringLiteral("spdFindFavorites"));
    m_go->setAutoDefault(false);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("lvFindFavorites"));
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setIconSize(QSize(16, 16));
    m_list->setMouseTracking(true);
    m_list->viewport()->setCursor(Qt::PointingHandCursor);
    m_list->installEventFilter(this);
    grid->addWidget(label, 0, 0, 1, 2);
    grid->addWidget(m_edit, 1, 0);
    grid->addWidget(m_go, 1, 1);
    grid->addWidget(m_list, 2, 0, 1, 2);
    grid->setRowStretch(2, 1);

    connect(m_go, &QPushButton::clicked, this, &TFavoritesFindPanel::Search);
    // Enter in the edit searches and goes no further (see eventFilter).
    m_edit->installEventFilter(this);
    connect(m_list, &QListWidget::itemClicked, this, &TFavoritesFindPanel::open);
    connect(m_finder, &TFavoritesFinder::Finished, this, &TFavoritesFindPanel::showResults);
}

QString TFavoritesFindPanel::NoItemsFound()
{
    return tr("No items found");
}

void TFavoritesFindPanel::Search()
{
    const QString text = m_edit->text();
    if (text.isEmpty()) {
        m_edit->setFocus();
        return;
    }
    m_list->clear();
    m_finder->Start(m_folder ? m_folder() : QString(), text);
}

void TFavoritesFindPanel::showResults(const QList<TFavoriteMatch> &matches)
{
    m_list->setUpdatesEnabled(false);
    m_list->clear();
    const QIcon icon = style()->standardIcon(QStyle::SP_FileLinkIcon);
    for (const TFavoriteMatch &match : matches) {
        auto *item = new QListWidgetItem(match.name, m_list);
        item->setData(UrlRole, match.url);
        item->setToolTip(match.url);
        if (!match.url.isEmpty())
            item->setIcon(icon);
    }
    if (matches.isEmpty())
        new QListWidgetItem(NoItemsFound(), m_list);
    m_list->setUpdatesEnabled(true);
    Q_EMIT SearchFinished();
}

void TFavoritesFindPanel::open(QListWidgetItem *item)
{
    if (!item)
        return;
    const QString url = item->data(UrlRole).toString();
    if (!url.isEmpty())
        m_launcher->LaunchLink(url, m_newWin ? *m_newWin : true);
}

bool TFavoritesFindPanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Search();
            return true;
        }
    }
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            open(m_list->currentItem());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
