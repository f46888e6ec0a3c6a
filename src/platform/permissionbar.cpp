#include "platform/permissionbar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

TPermissionBar::TPermissionBar(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("PermissionBar"));
    setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0xff, 0xf4, 0xc8));
    p.setColor(QPalette::WindowText, Qt::black);
    setPalette(p);

    lblQuestion = new QLabel(this);
    lblQuestion->setObjectName(QStringLiteral("lblQuestion"));
    lblQuestion->setTextFormat(Qt::PlainText);
    cmdAllow = new QPushButton(tr("&Allow"), this);
    cmdAllow->setObjectName(QStringLiteral("cmdAllow"));
    cmdBlock = new QPushButton(tr("&Block"), this);
    cmdBlock->setObjectName(QStringLiteral("cmdBlock"));
    chkRemember = new QCheckBox(tr("&Remember for this site"), this);
    chkRemember->setObjectName(QStringLiteral("chkRemember"));
    connect(cmdAllow, &QPushButton::clicked, this, [this] { Answer(true); });
    connect(cmdBlock, &QPushButton::clicked, this, [this] { Answer(false); });

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 3, 8, 3);
    layout->addWidget(lblQuestion, 1);
    layout->addWidget(cmdAllow);
    layout->addWidget(cmdBlock);
    layout->addWidget(chkRemember);
    hide();
}

bool TPermissionBar::Ask(const TPermissionRequest &request)
{
    if (m_queue.contains(request))
        return true;
    if (m_queue.size() >= MaxQueued)
        return false;
    m_queue.append(request);
    if (m_queue.size() == 1)
        showFirst();
    return true;
}

void TPermissionBar::Cancel(const TPermissionRequest &request)
{
    const int index = m_queue.indexOf(request);
    if (index < 0)
        return;
    m_queue.removeAt(index);
    if (index == 0)
        showFirst();
}

QList<TPermissionRequest> TPermissionBar::TakeAll()
{
    const QList<TPermissionRequest> all = m_queue;
    m_queue.clear();
    showFirst();
    return all;
}

void TPermissionBar::Answer(bool allow)
{
    if (m_queue.isEmpty())
        return;
    const TPermissionRequest request = m_queue.takeFirst();
    const bool remember = chkRemember->isChecked();
    showFirst();
    Q_EMIT Answered(request, allow, remember);
}

void TPermissionBar::showFirst()
{
    if (m_queue.isEmpty()) {
        hide();
        return;
    }
    const TPermissionRequest &r = m_queue.first();
    lblQuestion->setText(TSitePermissions::Question(r.origin.host(), r.feature));
    chkRemember->setChecked(false);
    // A site without a scheme has nowhere to keep an answer.
    chkRemember->setEnabled(!TSitePermissions::SiteOf(r.origin).isEmpty());
    show();
}
