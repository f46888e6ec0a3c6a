#include "httpserver.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {
const int MaxHeaderBytes = 64 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 201: return "Created";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default:  return "Status";
    }
}

QString pathOf(const QString &target)
{
    const int q = target.indexOf(QLatin1Char('?'));
    return q < 0 ? target : target.left(q);
}
}

struct TTestHttpServer::Connection {
    QByteArray buffer;
    bool busy = false;       // a response is still pending (delayed)
    bool closeAfter = false;
};

QByteArray TTestHttpRequest::header(const QByteArray &name) const
{
    for (const auto &h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    return QByteArray();
}

TTestHttpServer::TTestHttpServer(QObject *parent)
    : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &TTestHttpServer::onNewConnection);
    m_server->listen(QHostAddress::LocalHost, 0);
}

TTestHttpServer::~TTestHttpServer()
{
    for (auto it = m_connections.begin(); it != m_connections.end(); ++it) {
        it.key()->disconnect(this);
        it.key()->abort();
        delete it.value();
    }
    m_connections.clear();
}

bool TTestHttpServer::isListening() const { return m_server->isListening(); }
quint16 TTestHttpServer::port() const { return m_server->serverPort(); }

QUrl TTestHttpServer::url(const QString &path) const
{
    return QUrl(urlString(path));
}

QString TTestHttpServer::urlString(const QString &path) const
{
    QString p = path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path;
    return QStringLiteral("http://127.0.0.1:") + QString::number(port()) + p;
}

void TTestHttpServer::route(const QString &path, const QByteArray &body,
                            const QByteArray &contentType, int status,
                            const QList<QPair<QByteArray, QByteArray>> &headers)
{
    TTestHttpResponse r;
    r.body = body;
    r.contentType = contentType;
    r.status = status;
    r.headers = headers;
    route(path, r);
}

void TTestHttpServer::route(const QString &path, const TTestHttpResponse &response)
{
    route(path, TTestHttpHandler([response](const TTestHttpRequest &) { return response; }));
}

void TTestHttpServer::route(const QString &path, const TTestHttpHandler &handler)
{
    m_routes.insert(path, handler);
}

void TTestHttpServer::redirect(const QString &path, const QString &location, int status)
{
    TTestHttpResponse r;
    r.status = status;
    r.body = "<html><body>Moved</body></html>";
    r.headers.append({"Location", location.toUtf8()});
    route(path, r);
}

void TTestHttpServer::setDelay(const QString &path, int ms)
{
    m_delays.insert(path, ms);
}

void TTestHttpServer::removeRoute(const QString &path)
{
    m_routes.remove(path);
    m_delays.remove(path);
}

QList<TTestHttpRequest> TTestHttpServer::requestsFor(const QString &path) const
{
    QList<TTestHttpRequest> out;
    for (const auto &r : m_requests)
        if (r.path == path)
            out.append(r);
    return out;
}

int TTestHttpServer::requestCount(const QString &path) const
{
    return requestsFor(path).size();
}

bool TTestHttpServer::waitForRequest(const QString &path, int count, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (requestCount(path) < count) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        connect(this, &TTestHttpServer::requestReceived, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void TTestHttpServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        m_connections.insert(socket, new Connection);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { processBuffer(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            delete m_connections.take(socket);
            socket->deleteLater();
        });
    }
}

void TTestHttpServer::processBuffer(QTcpSocket *socket)
{
    Connection *c = m_connections.value(socket);
    if (!c)
        return;
    c->buffer += socket->readAll();
    while (!c->busy && !c->closeAfter) {
        const int headerEnd = c->buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0) {
            if (c->buffer.size() > MaxHeaderBytes) {
                socket->write("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                socket->disconnectFromHost();
                c->closeAfter = true;
            }
            return;
        }
        const QList<QByteArray> lines = c->buffer.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        if (requestLine.size() < 3) {
            socket->write("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
            c->closeAfter = true;
            return;
        }
        TTestHttpRequest req;
        req.method = requestLine.at(0);
        req.target = QString::fromUtf8(requestLine.at(1));
        req.path = pathOf(req.target);
        for (int i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).trimmed();
            const int colon = line.indexOf(':');
            if (colon > 0)
                req.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
        bool ok = false;
        const int length = req.header("Content-Length").toInt(&ok);
        const int bodyLength = ok && length > 0 ? length : 0;
        if (c->buffer.size() < headerEnd + 4 + bodyLength)
            return;   // wait for the rest of the body
        req.body = c->buffer.mid(headerEnd + 4, bodyLength);
        c->buffer.remove(0, headerEnd + 4 + bodyLength);
        if (req.header("Connection").compare("close", Qt::CaseInsensitive) == 0)
            c->closeAfter = true;

        m_requests.append(req);
        Q_EMIT requestReceived(req);
        // The handler of the signal may have closed the connection.
        c = m_connections.value(socket);
        if (!c)
            return;
        respond(socket, req);
        c = m_connections.value(socket);
        if (!c)
            return;
    }
}

void TTestHttpServer::respond(QTcpSocket *socket, const TTestHttpRequest &request)
{
    const TTestHttpResponse response = responseFor(request);
    Connection *c = m_connections.value(socket);
    const int delay = qMax(response.delayMs, m_delays.value(request.path, 0));
    const bool head = request.method == "HEAD";
    auto send = [this, socket, response, head]() {
        Connection *conn = m_connections.value(socket);
        if (!conn)
            return;
        QByteArray out = "HTTP/1.1 " + QByteArray::number(response.status) + ' '
                + reasonPhrase(response.status) + "\r\n";
        bool hasCacheControl = false;
        for (const auto &h : response.headers) {
            out += h.first + ": " + h.second + "\r\n";
            if (h.first.compare("Cache-Control", Qt::CaseInsensitive) == 0)
                hasCacheControl = true;
        }
        if (!response.contentType.isEmpty())
            out += "Content-Type: " + response.contentType + "\r\n";
        // Tests count requests; a cached page would hide them.
        if (!hasCacheControl)
            out += "Cache-Control: no-store\r\n";
        out += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
        // A slow body ends its connection: the client must not send its next request on
        // a connection that is about to close.
        const bool slow = !head
                && (response.chunkBytes > 0 || response.dropAfterBytes >= 0 || response.stallAfterBytes >= 0);
        if (slow)
            conn->closeAfter = true;
        out += conn->closeAfter ? "Connection: close\r\n\r\n" : "Connection: keep-alive\r\n\r\n";
        if (slow) {
            socket->write(out);
            sendBodySlowly(socket, response);
            return;
        }
        if (!head)
            out += response.body;
        socket->write(out);
        conn->busy = false;
        if (conn->closeAfter) {
            socket->disconnectFromHost();
            return;
        }
        if (!conn->buffer.isEmpty())
            QTimer::singleShot(0, socket, [this, socket] { processBuffer(socket); });
    };
    if (delay > 0) {
        c->busy = true;
        QTimer::singleShot(delay, socket, send);
    } else {
        send();
    }
}

void TTestHttpServer::sendBodySlowly(QTcpSocket *socket, const TTestHttpResponse &response)
{
    // The connection is busy until the body is out; it is closed afterwards.
    if (Connection *conn = m_connections.value(socket))
        conn->busy = true;
    auto *timer = new QTimer(socket);
    auto sent = std::make_shared<qint64>(0);
    const qint64 size = response.body.size();
    const int chunk = response.chunkBytes > 0 ? response.chunkBytes : int(qMin<qint64>(size, 1 << 20));
    auto step = [this, socket, timer, sent, size, chunk, response] {
        if (!m_connections.contains(socket)) {
            timer->stop();
            return;
        }
        qint64 limit = size;
        if (response.dropAfterBytes >= 0)
            limit = qMin(limit, response.dropAfterBytes);
        if (response.stallAfterBytes >= 0)
            limit = qMin(limit, response.stallAfterBytes);
        const qint64 n = qMin<qint64>(chunk, limit - *sent);
        if (n > 0) {
            socket->write(response.body.constData() + *sent, n);
            *sent += n;
        }
        if (*sent < limit)
            return;
        timer->stop();
        if (*sent == size) {
            socket->disconnectFromHost();
        } else if (response.dropAfterBytes >= 0 && *sent >= response.dropAfterBytes) {
            socket->flush();
            socket->abort();
        }
        // A stall keeps the connection open and sends nothing more.
    };
    connect(timer, &QTimer::timeout, socket, step);
    timer->start(response.chunkIntervalMs);
    step();
}

TTestHttpResponse TTestHttpServer::responseFor(const TTestHttpRequest &request) const
{
    const auto it = m_routes.constFind(request.path);
    if (it == m_routes.constEnd()) {
        TTestHttpResponse notFound;
        notFound.status = 404;
        notFound.body = "<html><head><title>Not Found</title></head><body>Not Found</body></html>";
        return notFound;
    }
    return (*it)(request);
}
