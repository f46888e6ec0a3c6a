#include "services/getter.h"

#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace {
// The proxy the system is configured with (the http_proxy family of variables on Linux),
// for this getter's requests only.
class TSystemProxies : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        return systemProxyForQuery(query);
    }
};
}

TGetter::TGetter(QObject *parent)
    : QObject(parent), m_manager(new QNetworkAccessManager(this)), m_deadline(new QTimer(this))
{
    m_manager->setProxyFactory(new TSystemProxies);
    m_deadline->setSingleShot(true);
    m_deadline->setInterval(DefaultTimeoutMs);
    connect(m_deadline, &QTimer::timeout, this, [this] { finish(QStringLiteral("no answer in time")); });
}

TGetter::~TGetter()
{
    dropReply();
}

void TGetter::SetLimits(qint64 maxBytes, int timeoutMs)
{
    m_maxBytes = maxBytes;
    m_deadline->setInterval(timeoutMs);
}

void TGetter::Get(const QUrl &url)
{
    dropReply();
    m_data.clear();
    m_error.clear();
    m_url = url;
    setStatus(Starting);

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Tabvane"));
    m_reply = m_manager->get(request);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        if (m_status == Starting)
            setStatus(Reading);
    });
    connect(m_reply, &QIODevice::readyRead, this, &TGetter::readSome);
    connect(m_reply, &QNetworkReply::finished, this, [this] {
        readSome();
        if (!m_reply)
            return;   // readSome finished it: over the limit
        const int httpStatus = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (m_reply->error() != QNetworkReply::NoError)
            finish(m_reply->errorString());
        else if (httpStatus != 0 && (httpStatus < 200 || httpStatus > 299))
            finish(QStringLiteral("HTTP status %1").arg(httpStatus));
        else
            finish(QString());
    });
    m_deadline->start();
}

void TGetter::readSome()
{
    if (!m_reply)
        return;
    m_data += m_reply->read(m_maxBytes + 1 - m_data.size());
    if (m_data.size() > m_maxBytes)
        finish(QStringLiteral("the reply is larger than %1 bytes").arg(m_maxBytes));
}

void TGetter::finish(const QString &error)
{
    if (!m_reply)
        return;
    dropReply();
    m_error = error;
    if (!error.isEmpty())
        m_data.clear();
    setStatus(Done);
    Q_EMIT OnGetDone(this);
}

void TGetter::dropReply()
{
    m_deadline->stop();
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void TGetter::setStatus(TStatus status)
{
    m_status = status;
    Q_EMIT OnStatus(this);
}
