#include "browser/downloadlist.h"

#include "components/updatethrottle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QTimer>
#include <QWebEngineDownloadRequest>

#include <algorithm>
#include <cmath>

namespace {
const int ProgressIntervalMs = 250;
const qint64 RateWindowMs = 3000;

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

QString stateKey(TDownloadState state)
{
    switch (state) {
    case TDownloadState::Running: return QStringLiteral("running");
    case TDownloadState::Paused: return QStringLiteral("paused");
    case TDownloadState::Completed: return QStringLiteral("completed");
    case TDownloadState::Cancelled: return QStringLiteral("cancelled");
    case TDownloadState::Failed: return QStringLiteral("failed");
    }
    return QString();
}

// The engine writes a download to "<target>.download" and renames it when it completes. A
// failed transfer leaves that file for a resumption; once its row goes, nothing will resume.
void removeLeftover(const TDownload &d)
{
    if (d.state != TDownloadState::Failed || d.path.isEmpty())
        return;
    const QString partial = d.path + QStringLiteral(".download");
    if (QFileInfo(partial).isFile())
        QFile::remove(partial);
}
}

QString TDownload::FileName() const
{
    return QFileInfo(path).fileName();
}

QString TDownload::Folder() const
{
    return QFileInfo(path).absolutePath();
}

void TTransferRate::Add(qint64 msecs, qint64 bytes)
{
    m_samples.append({msecs, bytes});
    while (m_samples.size() > 2 && msecs - m_samples.at(1).first >= RateWindowMs)
        m_samples.removeFirst();
}

double TTransferRate::BytesPerSecond() const
{
    if (m_samples.size() < 2)
        return 0;
    const auto &first = m_samples.first();
    const auto &last = m_samples.last();
    const qint64 ms = last.first - first.first;
    if (ms < 200 || last.second < first.second)
        return 0;
    return double(last.second - first.second) * 1000.0 / double(ms);
}

QString TDownloadText::Size(qint64 bytes)
{
    if (bytes < 0)
        return QString();
    if (bytes < 1024)
        return bytes == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(bytes);
    const double kb = bytes / 1024.0;
    if (kb < 1024)
        return QStringLiteral("%1 KB").arg(kb, 0, 'f', 1);
    const double mb = kb / 1024.0;
    if (mb < 1024)
        return QStringLiteral("%1 MB").arg(mb, 0, 'f', 1);
    return QStringLiteral("%1 GB").arg(mb / 1024.0, 0, 'f', 2);
}

QString TDownloadText::Speed(double bytesPerSecond)
{
    if (bytesPerSecond <= 0)
        return QString();
    return Size(qint64(bytesPerSecond)) + QStringLiteral("/s");
}

QString TDownloadText::TimeLeft(qint64 remaining, double bytesPerSecond)
{
    if (remaining < 0 || bytesPerSecond <= 0)
        return QString();
    const qint64 seconds = qint64(std::ceil(double(remaining) / bytesPerSecond));
    if (seconds < 60)
        return QStringLiteral("%1 s left").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 min left").arg((seconds + 30) / 60);
    if (seconds < 100 * 3600) {
        const qint64 minutes = (seconds + 30) / 60;
        return QStringLiteral("%1 h %2 min left").arg(minutes / 60).arg(minutes % 60);
    }
    return QStringLiteral("more than 4 days left");
}

QString TDownloadText::StateName(TDownloadState state)
{
    switch (state) {
    case TDownloadState::Running: return QStringLiteral("Downloading");
    case TDownloadState::Paused: return QStringLiteral("Paused");
    case TDownloadState::Completed: return QStringLiteral("Completed");
    case TDownloadState::Cancelled: return QStringLiteral("Cancelled");
    case TDownloadState::Failed: return QStringLiteral("Failed");
    }
    return QString();
}

QString TDownloadText::Status(const TDownload &d)
{
    const QString done = d.total >= 0 ? QStringLiteral("%1 of %2").arg(Size(d.received), Size(d.total))
                                      : Size(d.received);
    switch (d.state) {
    case TDownloadState::Running: {
        QStringList parts = {done};
        const QString speed = Speed(d.bytesPerSecond);
        if (!speed.isEmpty())
            parts.append(speed);
        const QString left = d.total >= 0 ? TimeLeft(d.total - d.received, d.bytesPerSecond) : QString();
        if (!left.isEmpty())
            parts.append(left);
        return parts.join(QStringLiteral(", "));
    }
    case TDownloadState::Paused:
        return QStringLiteral("Paused, ") + done;
    case TDownloadState::Completed:
        return QStringLiteral("Completed, ") + Size(d.received);
    case TDownloadState::Cancelled:
        return QStringLiteral("Cancelled");
    case TDownloadState::Failed:
        return d.error.isEmpty() ? QStringLiteral("Failed") : QStringLiteral("Failed: ") + d.error;
    }
    return QString();
}

TDownloadList::TDownloadList(QObject *parent)
    : QObject(parent),
      m_progress(new TUpdateThrottle(ProgressIntervalMs, [this] { flushProgress(); }, this)),
      m_stallTimer(new QTimer(this))
{
    connect(m_stallTimer, &QTimer::timeout, this, &TDownloadList::checkStalls);
}

TDownloadList::~TDownloadList()
{
    for (Row &r : m_rows)
        if (r.request)
            r.request->disconnect(this);
}

int TDownloadList::IndexOf(int id) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].download.id == id)
            return int(i);
    return -1;
}

const TDownload *TDownloadList::Find(int id) const
{
    const int index = IndexOf(id);
    return index < 0 ? nullptr : &m_rows[size_t(index)].download;
}

TDownloadList::Row *TDownloadList::row(int id)
{
    const int index = IndexOf(id);
    return index < 0 ? nullptr : &m_rows[size_t(index)];
}

int TDownloadList::RowOfEngineDownload(quint32 engineId) const
{
    for (const Row &r : m_rows)
        if (r.engineIds.contains(engineId))
            return r.download.id;
    return 0;
}

int TDownloadList::InProgressCount() const
{
    return int(std::count_if(m_rows.begin(), m_rows.end(),
                             [](const Row &r) { return r.download.InProgress(); }));
}

int TDownloadList::Add(QWebEngineDownloadRequest *request)
{
    Row r;
    r.download.id = m_nextId++;
    m_rows.push_back(r);
    Row &added = m_rows.back();
    attach(added, request);
    const int id = added.download.id;
    Q_EMIT Added(id);
    Q_EMIT Modified();
    return id;
}

void TDownloadList::Restart(int id, QWebEngineDownloadRequest *request)
{
    Row *r = row(id);
    if (!r)
        return;
    attach(*r, request);
    Q_EMIT Changed(id);
    Q_EMIT Modified();
}

void TDownloadList::attach(Row &r, QWebEngineDownloadRequest *request)
{
    if (r.request)
        r.request->disconnect(this);
    r.request = request;
    if (!r.engineIds.contains(request->id()))
        r.engineIds.append(request->id());
    TDownload &d = r.download;
    d.url = request->url();
    d.path = QDir(request->downloadDirectory()).filePath(request->downloadFileName());
    d.state = request->isPaused() ? TDownloadState::Paused : TDownloadState::Running;
    d.received = request->receivedBytes();
    d.total = request->totalBytes();
    d.error.clear();
    d.finishedAt = QDateTime();
    d.bytesPerSecond = 0;
    r.rate.Reset();
    r.lastProgressMs = nowMs();
    r.dirty = false;

    const int id = d.id;
    connect(request, &QWebEngineDownloadRequest::receivedBytesChanged, this, [this, id] { onProgress(id); });
    connect(request, &QWebEngineDownloadRequest::totalBytesChanged, this, [this, id] { onProgress(id); });
    connect(request, &QWebEngineDownloadRequest::stateChanged, this, [this, id] { onStateChanged(id); });
    connect(request, &QWebEngineDownloadRequest::isPausedChanged, this, [this, id] { onStateChanged(id); });
    if (!m_stallTimer->isActive())
        m_stallTimer->start(qBound(50, m_stallTimeoutMs / 4, 1000));
    // An accepted request may already be over (an empty body, a refused file).
    if (request->isFinished())
        onStateChanged(id);
}

void TDownloadList::onProgress(int id)
{
    Row *r = row(id);
    if (!r || !r->request || !r->download.InProgress())
        return;
    const qint64 now = nowMs();
    r->download.received = r->request->receivedBytes();
    r->download.total = r->request->totalBytes();
    r->lastProgressMs = now;
    r->rate.Add(now, r->download.received);
    r->download.bytesPerSecond = r->rate.BytesPerSecond();
    r->dirty = true;
    m_progress->Post();
}

void TDownloadList::flushProgress()
{
    QList<int> changed;
    for (Row &r : m_rows) {
        if (r.dirty) {
            r.dirty = false;
            changed.append(r.download.id);
        }
    }
    for (int id : changed)
        Q_EMIT Changed(id);
}

void TDownloadList::onStateChanged(int id)
{
    Row *r = row(id);
    if (!r || !r->request || !r->download.InProgress())
        return;
    QWebEngineDownloadRequest *request = r->request;
    r->download.received = request->receivedBytes();
    r->download.total = request->totalBytes();
    switch (request->state()) {
    case QWebEngineDownloadRequest::DownloadCompleted:
        finish(*r, TDownloadState::Completed, QString());
        return;
    case QWebEngineDownloadRequest::DownloadCancelled:
        finish(*r, TDownloadState::Cancelled, QString());
        return;
    case QWebEngineDownloadRequest::DownloadInterrupted:
        finish(*r, TDownloadState::Failed, request->interruptReasonString());
        return;
    default:
        break;
    }
    const TDownloadState state = request->isPaused() ? TDownloadState::Paused : TDownloadState::Running;
    if (state != r->download.state) {
        r->download.state = state;
        r->lastProgressMs = nowMs();
        r->rate.Reset();
        r->download.bytesPerSecond = 0;
        Q_EMIT Changed(id);
        Q_EMIT Modified();
    }
}

void TDownloadList::finish(Row &r, TDownloadState state, const QString &error)
{
    TDownload &d = r.download;
    d.state = state;
    d.error = error;
    d.bytesPerSecond = 0;
    d.finishedAt = QDateTime::currentDateTime();
    r.dirty = false;
    if (r.request) {
        r.request->disconnect(this);
        // The engine stops writing and removes the unfinished file it wrote beside the
        // target; a file the download was to replace stays as it was.
        if (state != TDownloadState::Completed && !r.request->isFinished())
            r.request->cancel();
    }
    const int id = d.id;
    Q_EMIT Changed(id);
    Q_EMIT Modified();
}

void TDownloadList::Cancel(int id)
{
    Row *r = row(id);
    if (r && r->download.InProgress())
        finish(*r, TDownloadState::Cancelled, QString());
}

void TDownloadList::Pause(int id)
{
    Row *r = row(id);
    if (r && r->request && r->download.state == TDownloadState::Running)
        r->request->pause();
}

void TDownloadList::Resume(int id)
{
    Row *r = row(id);
    if (r && r->request && r->download.state == TDownloadState::Paused)
        r->request->resume();
}

void TDownloadList::CancelAll()
{
    QList<int> ids;
    for (const Row &r : m_rows)
        if (r.download.InProgress())
            ids.append(r.download.id);
    for (int id : ids)
        Cancel(id);
}

void TDownloadList::Remove(int id)
{
    const int index = IndexOf(id);
    if (index < 0 || m_rows[size_t(index)].download.InProgress())
        return;
    removeLeftover(m_rows[size_t(index)].download);
    m_rows.erase(m_rows.begin() + index);
    Q_EMIT Removed(id);
    Q_EMIT Modified();
}

void TDownloadList::ClearFinished()
{
    QList<int> ids;
    for (const Row &r : m_rows)
        if (!r.download.InProgress())
            ids.append(r.download.id);
    for (int id : ids) {
        const int index = IndexOf(id);
        removeLeftover(m_rows[size_t(index)].download);
        m_rows.erase(m_rows.begin() + index);
        Q_EMIT Removed(id);
    }
    if (!ids.isEmpty())
        Q_EMIT Modified();
}

void TDownloadList::checkStalls()
{
    const qint64 now = nowMs();
    QList<int> stalled;
    bool running = false;
    for (const Row &r : m_rows) {
        if (r.download.state != TDownloadState::Running)
            continue;
        running = true;
        if (now - r.lastProgressMs >= m_stallTimeoutMs)
            stalled.append(r.download.id);
    }
    for (int id : stalled)
        if (Row *r = row(id))
            finish(*r, TDownloadState::Failed, QStringLiteral("The server stopped sending data."));
    if (!running && InProgressCount() == 0)
        m_stallTimer->stop();
}

QJsonArray TDownloadList::ToJson() const
{
    QJsonArray rows;
    for (const Row &r : m_rows) {
        const TDownload &d = r.download;
        QJsonObject o;
        o.insert(QStringLiteral("url"), d.url.toString(QUrl::FullyEncoded));
        o.insert(QStringLiteral("path"), d.path);
        o.insert(QStringLiteral("state"), stateKey(d.state));
        o.insert(QStringLiteral("received"), double(d.received));
        o.insert(QStringLiteral("total"), double(d.total));
        if (!d.error.isEmpty())
            o.insert(QStringLiteral("error"), d.error);
        if (d.finishedAt.isValid())
            o.insert(QStringLiteral("finished"), d.finishedAt.toString(Qt::ISODate));
        rows.append(o);
    }
    return rows;
}

void TDownloadList::FromJson(const QJsonArray &rows)
{
    for (const QJsonValue &value : rows) {
        const QJsonObject o = value.toObject();
        TDownload d;
        d.url = QUrl(o.value(QStringLiteral("url")).toString(), QUrl::StrictMode);
        d.path = o.value(QStringLiteral("path")).toString();
        // A row without an absolute file path or a web address is damaged: it is skipped.
        if (!d.url.isValid() || d.url.isRelative() || !QDir::isAbsolutePath(d.path))
            continue;
        const QString state = o.value(QStringLiteral("state")).toString();
        d.received = qint64(o.value(QStringLiteral("received")).toDouble());
        d.total = qint64(o.value(QStringLiteral("total")).toDouble(-1));
        d.error = o.value(QStringLiteral("error")).toString();
        d.finishedAt = QDateTime::fromString(o.value(QStringLiteral("finished")).toString(), Qt::ISODate);
        if (state == QLatin1String("completed")) {
            d.state = TDownloadState::Completed;
        } else if (state == QLatin1String("cancelled")) {
            d.state = TDownloadState::Cancelled;
        } else {
            d.state = TDownloadState::Failed;
            if (state != QLatin1String("failed") || d.error.isEmpty())
                d.error = QStringLiteral("Interrupted when Tabvane closed.");
        }
        d.id = m_nextId++;
        Row r;
        r.download = d;
        m_rows.push_back(r);
        Q_EMIT Added(d.id);
    }
}
