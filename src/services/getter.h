#pragma once
// TGetter: fetches one address over HTTP for the program's own small exchanges (the
// version check). Always from the network and never into a cache, through the system's
// proxy settings. The body is read to its end, up to a size limit, within a time limit;
// a reply over the limit, late, or with an error leaves the data empty. Deleting the getter
// aborts a fetch that is still running, and nothing is reported afterwards.

#include <QByteArray>
#include <QObject>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

class TGetter : public QObject {
    Q_OBJECT
public:
    enum TStatus { Starting = 0, Reading = 1, Done = 2 };
    static constexpr qint64 DefaultMaxBytes = 64 * 1024;
    static constexpr int DefaultTimeoutMs = 20000;

    explicit TGetter(QObject *parent = nullptr);
    ~TGetter() override;

    void SetLimits(qint64 maxBytes, int timeoutMs);
    // Clears the data, sets the status to Starting and starts the fetch; a fetch still
    // running is abandoned.
    void Get(const QUrl &url);

    QUrl Url() const { return m_url; }
    QByteArray Data() const { return m_data; }
    TStatus Status() const { return m_status; }
    // Why the data is empty, when it is: "" after a complete reply.
    QString Error() const { return m_error; }

Q_SIGNALS:
    void OnStatus(TGetter *sender);
    void OnGetDone(TGetter *sender);

private:
    void setStatus(TStatus status);
    void readSome();
    void finish(const QString &error);
    void dropReply();

    QNetworkAccessManager *m_manager;
    QNetworkReply *m_reply = nullptr;
    QTimer *m_deadline;
    QUrl m_url;
    QByteArray m_data;
    QString m_error;
    TStatus m_status = Done;
    qint64 m_maxBytes = DefaultMaxBytes;
};
