#include "components/logopanel.h"

#include "components/coolbar.h"
#include "components/logoanimation.h"
#include "components/smallpicture.h"

#include <QMenu>
#include <QPainter>
#include <QToolButton>

namespace {
// A cross; two staggered crosses for Close All.
QIcon closePicture(bool all)
{
    const QColor outline = PictureOutline();
    return QIcon(SmallPicture(16, [all, outline](QPainter &p) {
        const auto cross = [&p, &outline](QPointF c, qreal r) {
            p.setPen(QPen(outline, 2.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(c + QPointF(-r, -r), c + QPointF(r, r));
            p.drawLine(c + QPointF(-r, r), c + QPointF(r, -r));
        };
        if (all) {
            cross({5.5, 5.5}, 2.8);
            cross({10.5, 10.5}, 2.8);
        } else {
            cross({8, 8}, 4);
        }
    }));
}

QToolButton *closeButton(const char *name, bool all, const QString &tip, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoRaise(true);
    button->setIconSize(QSize(14, 14));
    button->setIcon(closePicture(all));
    button->setToolTip(tip);
    // A picture-only button is named by the first line of its tooltip.
    button->setAccessibleName(tip.section(QLatin1Char('\n'), 0, 0));
    button->setStatusTip(QStringLiteral("Closes the active browser tab"));
    return button;
}
}

TLogoPanel::TLogoPanel(TCoolBar *coolBar, QWidget *parent)
    : QWidget(parent), m_coolBar(coolBar)
{
    setObjectName(QStringLiteral("gpLogo"));
    m_logo = new TLogoAnimation(this);
    m_logo->setObjectName(QStringLiteral("imgLogo"));
    m_logo->setToolTip(QStringLiteral("Tabvane on the web"));
    connect(m_logo, &TLogoAnimation::Clicked, this, &TLogoPanel::LogoClicked);

    m_buttons = new QWidget(this);
    m_buttons->setObjectName(QStringLiteral("pnlCloseButtons"));
    m_close = closeButton("tbClose", false, QStringLiteral("Close Tab"), m_buttons);
    connect(m_close, &QToolButton::clicked, this, &TLogoPanel::CloseClicked);
    m_closeAll = closeButton("tbCloseAll", true, QStringLiteral("Close Tabs\nRight-click for more options"), m_buttons);
    m_closeAll->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_closeAll, &QToolButton::clicked, this, [this] { Q_EMIT CloseAllClicked(TCloseAll::All); });
    connect(m_closeAll, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        QMenu menu(this);
        menu.addAction(QStringLiteral("Close All"), this, [this] { Q_EMIT CloseAllClicked(TCloseAll::All); });
        menu.addAction(QStringLiteral("Close All -- Keep Current"), this,
                       [this] { Q_EMIT CloseAllClicked(TCloseAll::KeepCurrent); });
        menu.addAction(QStringLiteral("Close All -- Show List"), this,
                       [this] { Q_EMIT CloseAllClicked(TCloseAll::ShowList); });
        menu.exec(m_closeAll->mapToGlobal(pos));
    });
    if (coolBar)
        connect(coolBar, &TCoolBar::HeightChanged, this, &TLogoPanel::Relayout);
    Relayout();
}

void TLogoPanel::Relayout()
{
    const int logo = 32;
    const int bandHeight = qMax(m_coolBar ? m_coolBar->sizeHint().height() : 0, 24);
    const int button = 18;
    if (bandHeight < logo + 21) {
        // One row: close buttons left of the logo.
        setFixedSize(72, bandHeight);
        m_logo->move(72 - logo - 2, qMax(0, (bandHeight - logo) / 2));
        m_buttons->setGeometry(0, 0, 72 - logo - 2, bandHeight);
        m_close->setGeometry(1, bandHeight - button - 2, button, button);
        m_closeAll->setGeometry(1 + button, m_close->y(), button, button);
    } else {
        setFixedSize(36, bandHeight);
        m_logo->move(2, 2);
        m_buttons->setGeometry(0, bandHeight - 21, 36, 21);
        m_close->setGeometry(0, 3, button, button);
        m_closeAll->setGeometry(button, m_close->y(), button, button);
    }
}
