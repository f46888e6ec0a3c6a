#include "services/versioncheck.h"

#include "app/kwoptions.h"
#include "browser/browsertab.h"
#include "browser/tabopener.h"
#include "platform/makerhost.h"
#include "platform/offline.h"
#include "platform/registry.h"
#include "platform/version.h"
#include "services/getter.h"

#include <QApplication>
#include <QMessageBox>
#include <QNetworkInformation>
#include <QTimer>
#include <QUrlQuery>

namespace {
const int CheckDelayMs = 5000;
const int ModalRetryMs = 500;

// False only when the system says for certain that there is no network.
bool machineConnected()
{
    if (!QNetworkInformation::instance()
        && !QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return true;
    const QNetworkInformation *info = QNetworkInformation::instance();
    return !info || info->reachability() != QNetworkInformation::Reachability::Disconnected;
}

bool defaultAsker(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Tabvane"), text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText);   // the host's text is never markup
    return box.exec() == QMessageBox::Yes;
}
}

QUrl TVersionRules::RequestUrl(const QString &host, const QString &kwid)
{
    QUrl url(host + QStringLiteral("/vercheck.php"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("ver"), QString::number(ReleaseNumber()));
    query.addQueryItem(QStringLiteral("kwid"), kwid);
    url.setQuery(query);
    return url;
}

int TVersionRules::ReleaseNumber()
{
    const QString version = QString::fromLatin1(TabvaneVersion);
    const int dot = version.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return version.toInt() * 100;
    return version.left(dot).toInt() * 100 + version.mid(dot + 1).left(2).leftJustified(2, QLatin1Char('0')).toInt();
}

QString TVersionRules::Question(const QString &version)
{
    return QStringLiteral("A new version of Tabvane is available.\n\n%1\n\n"
                          "Would you like more information about this version?")
        .arg(version);
}

TVersionCheck::TVersionCheck(ITabOpener *opener, QWidget *dialogParent, QObject *parent)
    : QObject(parent), m_opener(opener), m_dialogParent(dialogParent), m_timer(new QTimer(this)),
      m_asker(defaultAsker), m_maxBytes(TGetter::DefaultMaxBytes), m_timeoutMs(TGetter::DefaultTimeoutMs)
{
    setObjectName(QStringLiteral("versionCheck"));
    m_timer->setObjectName(QStringLiteral("tmrVersionCheck"));
    m_timer->setSingleShot(true);
    m_timer->setInterval(CheckDelayMs);
    connect(m_timer, &QTimer::timeout, this, &TVersionCheck::Check);
}

TVersionCheck::~TVersionCheck()
{
    m_timer->stop();
    delete m_getter;   // aborts a request still running
}

void TVersionCheck::Start()
{
    if (TUnattended::Allowed(TUnattended::VersionCheckVariable))
        m_timer->start();
}

bool TVersionCheck::Armed() const
{
    return m_timer->isActive();
}

void TVersionCheck::SetGetterLimits(qint64 maxBytes, int timeoutMs)
{
    m_maxBytes = maxBytes;
    m_timeoutMs = timeoutMs;
}

void TVersionCheck::Check()
{
    m_timer->stop();
    if (m_checked || m_getter) {
        Q_EMIT Finished();
        return;
    }
    m_checked = true;
    if (TOffline::IsOffline() || !machineConnected()) {
        Q_EMIT Finished();
        return;
    }
    QString kwid;
    try {
        kwid = TKWOptions().KWID();
    } catch (const RegistryError &) {
    }
    m_getter = new TGetter(this);
    m_getter->SetLimits(m_maxBytes, m_timeoutMs);
    connect(m_getter, &TGetter::OnGetDone, this, &TVersionCheck::replyArrived);
    m_getter->Get(TVersionRules::RequestUrl(TMakerHost::Maker(), kwid));
}

void TVersionCheck::replyArrived(TGetter *getter)
{
    if (!getter || getter != m_getter)
        return;
    const TVersionReply reply = TVersionRules::Parse(getter->Data());
    m_getter = nullptr;
    getter->deleteLater();

    handleReply(reply);
}

void TVersionCheck::handleReply(const TVersionReply &reply)
{
    // Another question is open (the default-browser offer, the exit question): this one
    // waits until it has been answered rather than stacking on top of it.
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(ModalRetryMs, this, [this, reply] { handleReply(reply); });
        return;
    }
    try {
        TKWOptions options;
        if (TVersionRules::ShouldAnnounce(reply, options.CheckedVersion())) {
            options.SetCheckedVersion(reply.verId);
            if (m_asker(m_dialogParent, TVersionRules::Question(reply.version))) {
                if (TBrowserTab *tab = m_opener->CreateForegroundTab())
                    tab->NavigateTo(reply.verUrl);
            }
        }
    } catch (const RegistryError &e) {
        // The settings cannot be read or written: the release is told about another time.
        qWarning("tabvane: version check: %s", qPrintable(e.message()));
    }
    Q_EMIT Finished();
}
