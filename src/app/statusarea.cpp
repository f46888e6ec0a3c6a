// TStatusArea: the status bar's panels and the widgets over them, and the logo.

#include "app/statusarea.h"

#include "browser/browsertab.h"
#include "browser/tabmanager.h"
#include "components/logoanimation.h"
#include "components/statuspanels.h"
#include "platform/offline.h"

#include <QLabel>
#include <QProgressBar>

namespace {
// Status bar panels: text, secure icon, progress bar, percentage, downloads.
const QList<int> StatusPanelWidths = {17, 19, 152, 35, 36};
}

TStatusArea::TStatusArea(QWidget *barParent, TLogoAnimation *logo, QObject *parent)
    : QObject(parent), m_logo(logo)
{
    setObjectName(QStringLiteral("StatusArea"));
    m_bar = new TStatusPanels(StatusPanelWidths, barParent);
    m_bar->setObjectName(QStringLiteral("sbStatus"));

    m_progress = new QProgressBar(m_bar);
    m_progress->setObjectName(QStringLiteral("pbProgress"));
    m_progress->setRange(0, 100);
    m_progress->setTextVisible(false);
    m_progress->hide();

    m_secure = new QLabel(m_bar);
    m_secure->setObjectName(QStringLiteral("imgSecure"));
    m_secure->setPixmap(TBrowserTab::LampImages().value(LampLocked).scaled(12, 12));
    m_secure->setToolTip(QStringLiteral("Secure page"));
    m_secure->hide();

    // At the right end of the first panel, over the end of long status texts.
    m_offline = new QLabel(QStringLiteral("Working Offline"), m_bar);
    m_offline->setObjectName(QStringLiteral("lblOffline"));
    m_offline->setAutoFillBackground(true);
    m_offline->setAlignment(Qt::AlignCenter);
    m_offline->setToolTip(QStringLiteral("Pages are not loaded from the network. File, Work Offline goes online."));
    connect(TOfflineNotifier::instance(), &TOfflineNotifier::OfflineChanged, this, &TStatusArea::ShowOffline);
    ShowOffline(TOffline::IsOffline());

    m_downloads = new QLabel(m_bar);
    m_downloads->setObjectName(QStringLiteral("lblDownloads"));
    m_downloads->setAlignment(Qt::AlignCenter);
    QFont small = m_downloads->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_downloads->setFont(small);
    m_downloads->hide();

    connect(m_bar, &TStatusPanels::Resized, this, &TStatusArea::layoutOverPanels);
    if (m_logo)
        m_logo->SetActive(false);
}

void TStatusArea::Follow(TTabManager *tabs)
{
    m_tabs = tabs;
    connect(tabs, &TTabManager::ActiveTabChanged, this, &TStatusArea::followActiveTab);
}

void TStatusArea::layoutOverPanels()
{
    const int h = m_bar->height();
    const int offlineWidth = m_offline->sizeHint().width() + 8;
    m_offline->setGeometry(qMax(0, m_bar->PanelWidth(0) - offlineWidth - 2), 2, offlineWidth, qMax(4, h - 4));
    m_progress->setGeometry(m_bar->PanelWidth(0) + m_bar->PanelWidth(1) + 3, 3,
                            m_bar->PanelWidth(2) - 6, qMax(4, h - 6));
    m_secure->setGeometry(m_bar->PanelWidth(0) + 2, 2, 16, qMax(4, h - 4));
    m_downloads->setGeometry(m_bar->PanelLeft(4) + 1, 2, qMax(4, m_bar->PanelWidth(4) - 2), qMax(4, h - 4));
}

void TStatusArea::ShowDownloads(const QString &text, const QString &toolTip)
{
    // The panel is narrow: what does not fit loses its leading sign.
    QString shown = text;
    if (shown.size() > 1 && m_downloads->fontMetrics().horizontalAdvance(shown) > m_downloads->width())
        shown.remove(0, 1);
    m_downloads->setText(shown);
    m_downloads->setToolTip(toolTip);
    m_downloads->setVisible(!text.isEmpty());
}

void TStatusArea::ShowOffline(bool offline)
{
    m_offline->setVisible(offline);
}

void TStatusArea::followActiveTab()
{
    // The new active tab's padlock and loading state; its status and progress arrive with
    // its next events.
    UpdateSecureAndAnimation();
    m_bar->SetPanelText(3, QString());
    m_bar->SetPanelText(0, QString());
    m_progress->hide();
    m_progress->setValue(0);
}

void TStatusArea::ShowStatusText(const QString &text)
{
    m_bar->SetPanelText(0, text);
}

void TStatusArea::ShowProgress(int progress, int progressMax)
{
    if (progress == progressMax) {
        m_progress->setValue(0);
        return;
    }
    m_progress->setVisible(progressMax > 0);
    if (progressMax <= 0 || progress <= 0) {
        m_bar->SetPanelText(3, QString());
        return;
    }
    const int percent = qMin(100, int(qint64(m_progress->maximum()) * progress / progressMax));
    m_bar->SetPanelText(3, QString::number(percent) + QLatin1Char('%'));
    m_progress->setValue(percent);
}

void TStatusArea::ShowProgressBar()
{
    m_progress->show();
}

void TStatusArea::HideProgressBar()
{
    m_progress->hide();
    m_bar->SetPanelText(3, QString());
}

void TStatusArea::UpdateSecureAndAnimation()
{
    TBrowserTab *tab = m_tabs ? m_tabs->ActiveTab() : nullptr;
    const bool loading = tab && tab->Loading;
    m_secure->setVisible(tab && tab->Secure);
    if (m_logo)
        m_logo->SetActive(loading);
    Q_EMIT ActiveTabLoading(loading);
}

void TStatusArea::ShowHint(const QString &tip)
{
    const int bar = tip.indexOf(QLatin1Char('|'));
    ShowStatusText(bar >= 0 ? tip.mid(bar + 1) : tip);
}
