#include "options/toolbarchevron.h"

#include "navigation/commandtable.h"
#include "options/toolbarband.h"

#include <QAction>
#include <QBoxLayout>
#include <QEvent>
#include <QMenu>
#include <QPointer>
#include <QToolBar>
#include <QToolButton>

namespace {

// Shows its toolbar at full width and cuts it off at its own right edge; it asks for the
// toolbar's size.
class TClipPanel : public QWidget {
public:
    TClipPanel(QToolBar *bar, QWidget *parent) : QWidget(parent), m_bar(bar) {}
    QSize sizeHint() const override { return m_bar ? m_bar->sizeHint() : QWidget::sizeHint(); }
    QSize minimumSizeHint() const override { return QSize(0, m_bar ? m_bar->minimumSizeHint().height() : 0); }

private:
    QPointer<QToolBar> m_bar;
};

} // namespace

QList<int> CutOffButtons(const QList<int> &rightEdges, int width)
{
    QList<int> cut;
    for (int i = 0; i < rightEdges.size(); ++i) {
        if (rightEdges.at(i) > width)
            cut.append(i);
    }
    return cut;
}

TToolbarChevron::TToolbarChevron(TToolbarBand *band, TCommandTable *commands, QObject *parent)
    : QObject(parent), m_band(band), m_commands(commands)
{
    QToolBar *bar = m_band->Bar();
    QWidget *panel = bar->parentWidget();
    auto *box = panel ? qobject_cast<QBoxLayout *>(panel->layout()) : nullptr;
    if (!box)
        return;
    // The bar lies in a clipping panel at its full width; what the panel cannot show is
    // cut off at its right edge.
    m_clip = new TClipPanel(bar, panel);
    m_clip->setObjectName(QStringLiteral("pnlToolbarMain"));
    m_clip->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    const int index = box->indexOf(bar);
    box->removeWidget(bar);
    bar->setParent(m_clip);
    bar->show();
    box->insertWidget(qMax(index, 0), m_clip, 1);

    m_menu = new QMenu(panel);
    m_menu->setObjectName(QStringLiteral("pmToolBarExtender"));
    connect(m_menu, &QMenu::aboutToShow, this, &TToolbarChevron::PrepareMenu);
    m_button = new QToolButton(panel);
    m_button->setObjectName(QStringLiteral("tbxBar"));
    m_button->setText(QStringLiteral("\u00bb"));
    m_button->setToolTip(QStringLiteral("More buttons"));
    m_button->setAccessibleName(m_button->toolTip());
    m_button->setAutoRaise(true);
    m_button->setPopupMode(QToolButton::InstantPopup);
    m_button->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0px; }"));
    m_button->setMenu(m_menu);
    m_button->hide();
    box->insertWidget(box->indexOf(m_clip) + 1, m_button);

    m_clip->installEventFilter(this);
    bar->installEventFilter(this);
}

bool TToolbarChevron::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::LayoutRequest:
    case QEvent::ActionAdded:
    case QEvent::ActionRemoved:
    case QEvent::ActionChanged:
    case QEvent::Show:
        if (!m_updating)
            UpdateChevron();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

QList<int> TToolbarChevron::rightEdges(QList<QAction *> *actions) const
{
    QToolBar *bar = m_band->Bar();
    if (bar->layout())
        bar->layout()->activate();
    QList<int> edges;
    for (QAction *action : bar->actions()) {
        QWidget *widget = bar->widgetForAction(action);
        if (!action->isVisible() || !widget || !widget->isVisibleTo(bar)) {
            edges.append(-1);
        } else {
            edges.append(widget->mapTo(m_clip, QPoint(widget->width(), 0)).x());
        }
        if (actions)
            actions->append(action);
    }
    return edges;
}

void TToolbarChevron::UpdateChevron()
{
    if (!m_clip)
        return;
    m_updating = true;
    QToolBar *bar = m_band->Bar();
    // Always the bar's full width: it never folds its buttons away itself.
    bar->setGeometry(0, 0, qMax(bar->sizeHint().width(), m_clip->width()), m_clip->height());
    // The chevron shows when the buttons do not fit in the whole band (the clip panel and
    // the chevron's own place).
    const int room = m_clip->width() + (m_button->isVisibleTo(m_clip->parentWidget()) ? m_button->width() : 0);
    const bool show = !CutOffButtons(rightEdges(nullptr), room).isEmpty();
    if (m_button->isVisibleTo(m_clip->parentWidget()) != show)
        m_button->setVisible(show);
    m_updating = false;
}

void TToolbarChevron::PrepareMenu()
{
    m_menu->clear();
    for (QMenu *sub : m_menu->findChildren<QMenu *>(QString(), Qt::FindDirectChildrenOnly))
        delete sub;
    QList<QAction *> actions;
    const QList<int> cut = CutOffButtons(rightEdges(&actions), m_clip->width());
    for (int i : cut) {
        QAction *button = actions.at(i);
        if (button->isSeparator()) {
            if (!m_menu->isEmpty())
                m_menu->addSeparator();
            continue;
        }
        QAction *entry = m_menu->addAction(button->icon(), button->toolTip());
        entry->setStatusTip(button->statusTip());
        entry->setEnabled(button->isEnabled());
        entry->setCheckable(button->isCheckable());
        entry->setChecked(button->isChecked());
        auto *tool = qobject_cast<QToolButton *>(m_band->Bar()->widgetForAction(button));
        if (QMenu *dropDown = tool ? tool->menu() : nullptr) {
            // The button's drop-down menu as a submenu, sharing its entries.
            auto *sub = new QMenu(m_menu);
            sub->addActions(dropDown->actions());
            entry->setMenu(sub);
            continue;
        }
        // The button runs its command (a check button toggles itself first).
        connect(entry, &QAction::triggered, button, [button] { button->trigger(); });
    }
    if (!m_menu->isEmpty())
        m_menu->addSeparator();
    QAction *customize = m_commands->Action(QStringLiteral("pmCustomizeToolbarDialog"));
    QAction *entry = m_menu->addAction(QStringLiteral("&Customize..."));
    entry->setEnabled(customize && customize->isEnabled());
    if (customize)
        connect(entry, &QAction::triggered, customize, [this, customize] { m_commands->Trigger(customize); });
}
