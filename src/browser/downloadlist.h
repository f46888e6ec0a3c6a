#pragma once
// TDownloadList: the downloads of the program, running and finished, as a list without
// widgets. It follows the engine's download requests it is given (progress, pause, the
// end), keeps finished rows until they are cleared, and turns into JSON and back so that
// the list survives a restart. The Downloads window and the status bar show it.

#include <QDateTime>
#include <QJsonArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <vector>

class QTimer;
class QWebEngineDownloadRequest;
class TUpdateThrottle;

enum class TDownloadState { Running, Paused, Completed, Cancelled, Failed };

struct TDownload {
    int id = 0;                  // unique in this run
    QUrl url;
    QString path;                // the file written
    TDownloadState state = TDownloadState::Running;
    qint64 received = 0;
    qint64 total = -1;           // -1: the server did not say
    QString error;               // why it failed
    QDateTime finishedAt;
    double bytesPerSecond = 0;   // the recent rate while running

    QString FileName() const;
    QString Folder() const;
    bool InProgress() const { return state == TDownloadState::Running || state == TDownloadState::Paused; }
};

// The rate of a transfer over the last few seconds.
class TTransferRate {
public:
    void Add(qint64 msecs, qint64 bytes);
    double BytesPerSecond() const;   // 0 until two samples a moment apart exist
    void Reset() { m_samples.clear(); }

private:
    QList<QPair<qint64, qint64>> m_samples;   // (time, bytes received)
};

// Texts of the rows and the status bar.
namespace TDownloadText {
QString Size(qint64 bytes);                        // "900 bytes", "1.4 KB", "20.0 MB", "1.20 GB"
QString Speed(double bytesPerSecond);              // "350 KB/s"
QString TimeLeft(qint64 remaining, double bytesPerSecond);   // "5 s left"; "" when unknown
QString Status(const TDownload &download);         // the row's line under the progress bar
QString StateName(TDownloadState state);           // "Completed", "Failed", ...
}

class TDownloadList : public QObject {
    Q_OBJECT
public:
    explicit TDownloadList(QObject *parent = nullptr);
    ~TDownloadList() override;

    int Count() const { return int(m_rows.size()); }
    const TDownload &At(int index) const { return m_rows.at(size_t(index)).download; }
    int IndexOf(int id) const;
    const TDownload *Find(int id) const;
    // Running or paused downloads.
    int InProgressCount() const;

    // Follows a request the engine has been told to accept; the new row's id.
    int Add(QWebEngineDownloadRequest *request);
    // Gives a row a new request (Retry, or the engine resuming a broken transfer): the row
    // runs again in its place.
    void Restart(int id, QWebEngineDownloadRequest *request);
    // The row that followed the engine's transfer of that id (a resumed transfer keeps its
    // id but comes as a new request); 0 when none.
    int RowOfEngineDownload(quint32 engineId) const;

    void Cancel(int id);
    void Pause(int id);
    void Resume(int id);
    // Cancels every download in progress at once (the program is closing).
    void CancelAll();
    // Removes a finished row (and what a failed one left behind); a row in progress stays.
    void Remove(int id);
    // Removes every finished row.
    void ClearFinished();

    // A download that receives nothing for this long fails (the server stalled).
    void SetStallTimeout(int ms) { m_stallTimeoutMs = ms; }
    int StallTimeout() const { return m_stallTimeoutMs; }

    // The rows as JSON and back. Rows that were in progress come back as failed: their
    // transfer ended with the program that ran it.
    QJsonArray ToJson() const;
    void FromJson(const QJsonArray &rows);

Q_SIGNALS:
    void Added(int id);
    void Removed(int id);
    // The row's state changed, or its progress (at most a few times a second).
    void Changed(int id);
    // Something worth keeping changed: a row came, went, or changed its state.
    void Modified();

private:
    struct Row {
        TDownload download;
        QPointer<QWebEngineDownloadRequest> request;
        TTransferRate rate;
        QList<quint32> engineIds;   // the engine's transfers this row has followed
        qint64 lastProgressMs = 0;
        bool dirty = false;
    };
    Row *row(int id);
    void attach(Row &row, QWebEngineDownloadRequest *request);
    void onProgress(int id);
    void onStateChanged(int id);
    void finish(Row &row, TDownloadState state, const QString &error);
    void flushProgress();
    void checkStalls();

    std::vector<Row> m_rows;
    int m_nextId = 1;
    int m_stallTimeoutMs = 60000;
    TUpdateThrottle *m_progress;
    QTimer *m_stallTimer;
};
