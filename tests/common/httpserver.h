#pragma once
// TTestHttpServer: a small HTTP/1.1 server on 127.0.0.1 for tests. Routes map a path
// (without query) to a fixed response or a handler; every request is recorded with its
// method, target and headers. Connections are kept alive as HTTP/1.1 clients expect.
//
//   TTestHttpServer server;                       // listens on a free port
//   server.route("/a.html", "<title>A</title>");
//   server.redirect("/old", "/a.html");
//   server.setDelay("/slow", 3000);
//   TTestHttpResponse big; big.body = data; big.chunkBytes = 65536; big.chunkIntervalMs = 10;
//   view.load(server.url("/a.html"));
//   QVERIFY(server.waitForRequest("/a.html"));

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QUrl>
#include <functional>

class QTcpServer;
class QTcpSocket;

struct TTestHttpRequest {
    QByteArray method;
    QString target;                 // path and query as sent
    QString path;                   // target without the query
    QList<QPair<QByteArray, QByteArray>> headers;   // in the order received
    QByteArray body;
    // First header of that name (case-insensitive); empty when absent.
    QByteArray header(const QByteArray &name) const;
};

struct TTestHttpResponse {
    int status = 200;
    QByteArray contentType = "text/html; charset=utf-8";
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;   // extra headers
    int delayMs = 0;                                // answer this much later
    // A slow body: sent in pieces of chunkBytes, one every chunkIntervalMs (0: all at once).
    int chunkBytes = 0;
    int chunkIntervalMs = 0;
    // A bad server: after this many bytes of the body it drops the connection, or stops
    // sending and keeps the connection open (-1: never).
    qint64 dropAfterBytes = -1;
    qint64 stallAfterBytes = -1;
};

using TTestHttpHandler = std::function<TTestHttpResponse(const TTestHttpRequest &)>;

class TTestHttpServer : public QObject {
    Q_OBJECT
public:
    explicit TTestHttpServer(QObject *parent = nullptr);   // listens at once
    ~TTestHttpServer() override;

    bool isListening() const;
    quint16 port() const;
    // http://127.0.0.1:port + path ("/x.html", "/x?q=1").
    QUrl url(const QString &path) const;
    QString urlString(const QString &path) const;

    // Routes. A later route for the same path replaces the earlier one.
    void route(const QString &path, const QByteArray &body,
               const QByteArray &contentType = "text/html; charset=utf-8", int status = 200,
               const QList<QPair<QByteArray, QByteArray>> &headers = {});
    void route(const QString &path, const TTestHttpResponse &response);
    void route(const QString &path, const TTestHttpHandler &handler);
    void redirect(const QString &path, const QString &location, int status = 302);
    void setDelay(const QString &path, int ms);
    void removeRoute(const QString &path);

    // Requests seen so far, in arrival order.
    QList<TTestHttpRequest> requests() const { return m_requests; }
    QList<TTestHttpRequest> requestsFor(const QString &path) const;
    int requestCount(const QString &path) const;
    void clearRequests() { m_requests.clear(); }
    // Waits (running the event loop) until a request for path has been counted at least
    // `count` times in total.
    bool waitForRequest(const QString &path, int count = 1, int timeoutMs = 15000);

Q_SIGNALS:
    void requestReceived(const TTestHttpRequest &request);

private:
    struct Connection;
    void onNewConnection();
    void processBuffer(QTcpSocket *socket);
    void respond(QTcpSocket *socket, const TTestHttpRequest &request);
    void sendBodySlowly(QTcpSocket *socket, const TTestHttpResponse &response);
    TTestHttpResponse responseFor(const TTestHttpRequest &request) const;

    QTcpServer *m_server;
    QHash<QString, TTestHttpHandler> m_routes;
    QHash<QString, int> m_delays;
    QList<TTestHttpRequest> m_requests;
    QHash<QTcpSocket *, Connection *> m_connections;
};
