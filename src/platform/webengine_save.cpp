// TWebEngineControl: saving the page, as its HTML source (SaveDocument) or in the formats
// of Save As through the engine's own page save, one save after another.

#include "platform/webengine_control.h"
#include "platform/webengine_internal.h"

#include "platform/pagedialogs.h"

#include <QDateTime>
#include <QEventLoop>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringEncoder>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>

#include <memory>

using namespace WebEngineDetail;

namespace {

const int SaveTimeoutMs = 60000;

}

bool TWebEngineControl::SaveDocument(const QString &path)
{
    if (!HasDocument() || path.isEmpty())
        return false;
    struct State {
        bool done = false;
        QString html;
    };
    auto state = std::make_shared<State>();
    QPointer<TWebEngineControl> self(this);
    {
        QEventLoop loop;
        QPointer<QEventLoop> guard(&loop);
        m_page->toHtml([state, guard](const QString &html) {
            state->html = html;
            state->done = true;
            if (guard)
                guard->quit();
        });
        if (!state->done) {
            QTimer::singleShot(DocumentTimeoutMs, &loop, &QEventLoop::quit);
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        }
    }
    if (!self || !state->done)
        return false;
    bool ok = false;
    const QString charset = evaluateBlocking(QStringLiteral("document.characterSet"), DocumentTimeoutMs, &ok).toString();
    if (!self)
        return false;
    QStringEncoder encoder(charset.toLatin1().constData());
    if (!ok || charset.isEmpty() || !encoder.isValid())
        encoder = QStringEncoder(QStringEncoder::Utf8);
    const QByteArray bytes = encoder.encode(state->html);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(bytes);
    return file.commit();
}

void TWebEngineControl::savePage(const QString &path, int format, const std::function<void(bool)> &done)
{
    m_saves.append({path, format, done});
    startNextSave();
}

void TWebEngineControl::startNextSave()
{
    if (m_saving || m_saves.isEmpty())
        return;
    const PendingSave save = m_saves.takeFirst();
    m_saving = true;

    struct State {
        bool finished = false;
        QMetaObject::Connection requested;
    };
    auto state = std::make_shared<State>();
    QPointer<TWebEngineControl> self(this);
    auto finish = [self, state, save](bool ok) {
        if (state->finished)
            return;
        state->finished = true;
        QObject::disconnect(state->requested);
        if (save.done)
            save.done(ok);
        if (!self)
            return;
        Q_EMIT self->SaveFinished(save.path, ok);
        if (!self)
            return;
        self->m_saving = false;
        // Not from inside the engine's download callback: a save started there aborts it.
        QTimer::singleShot(0, self.data(), &TWebEngineControl::startNextSave);
    };
    QWebEnginePage *page = m_page;
    // File times may be a little coarse: a second of tolerance.
    const qint64 started = QDateTime::currentMSecsSinceEpoch() - 1000;
    state->requested = connect(page->profile(), &QWebEngineProfile::downloadRequested, this,
                               [page, finish, started, this](QWebEngineDownloadRequest *request) {
        if (!request->isSavePageDownload() || request->page() != page)
            return;
        // The engine reports a save it could not write as completed: the file must be
        // there, written by this save.
        auto check = [request, finish, started] {
            if (!request->isFinished())
                return;
            const QFileInfo file(request->downloadDirectory() + QLatin1Char('/') + request->downloadFileName());
            finish(request->state() == QWebEngineDownloadRequest::DownloadCompleted && file.isFile()
                   && file.lastModified().toMSecsSinceEpoch() >= started);
        };
        connect(request, &QWebEngineDownloadRequest::isFinishedChanged, this, check);
        connect(request, &QWebEngineDownloadRequest::stateChanged, this, check);
        check();
    });
    QTimer::singleShot(SaveTimeoutMs, this, [finish] { finish(false); });

    QWebEngineDownloadRequest::SavePageFormat f = QWebEngineDownloadRequest::CompleteHtmlSaveFormat;
    if (save.format == int(TSaveFormat::SingleHtml))
        f = QWebEngineDownloadRequest::SingleHtmlSaveFormat;
    else if (save.format == int(TSaveFormat::Mhtml))
        f = QWebEngineDownloadRequest::MimeHtmlSaveFormat;
    page->save(save.path, f);
}
