#include "favorites/favfind.h"

#include "favorites/urlshortcut.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QSet>
#include <QThread>

namespace {

struct TWalk {
    QString text;
    const std::atomic_bool *cancel;
    QSet<QString> seen;   // canonical paths of the folders already read
    QList<TFavoriteMatch> matches;

    bool cancelled() const { return cancel && cancel->load(std::memory_order_relaxed); }

    void folder(const QString &path)
    {
        if (cancelled())
            return;
        const QString canonical = QFileInfo(path).canonicalFilePath();
        if (canonical.isEmpty() || seen.contains(canonical))
            return;
        seen.insert(canonical);
        const QDir dir(path);
        // Subfolders first, each searched through before the next.
        const QFileInfoList subfolders =
                dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                                  QDir::Name | QDir::IgnoreCase);
        for (const QFileInfo &sub : subfolders) {
            if (!sub.fileName().startsWith(QLatin1Char('.')))
                folder(sub.filePath());
        }
        const QFileInfoList files = dir.entryInfoList(QStringList{QStringLiteral("*.url")},
                                                      QDir::Files | QDir::Hidden | QDir::System,
                                                      QDir::Name | QDir::IgnoreCase);
        for (const QFileInfo &file : files) {
            if (cancelled())
                return;
            // QDir::Files lists FIFOs and devices too (QDir::System): only a regular file
            // (or a link to one) is a shortcut.
            if (!file.isFile() || file.fileName().size() <= 4)
                continue;
            TFavoriteMatch match;
            match.name = file.fileName().chopped(4);
            match.path = file.filePath();
            match.url = ReadShortcutUrl(match.path);
            if (match.name.contains(text, Qt::CaseInsensitive) || match.url.contains(text, Qt::CaseInsensitive))
                matches.append(match);
        }
    }
};

}

QList<TFavoriteMatch> FindFavorites(const QString &folder, const QString &text, const std::atomic_bool *cancel)
{
    if (text.isEmpty() || folder.isEmpty() || !QFileInfo(folder).isDir())
        return {};
    TWalk walk{text, cancel, {}, {}};
    walk.folder(folder);
    return walk.cancelled() ? QList<TFavoriteMatch>() : walk.matches;
}

TFavoritesFinder::TFavoritesFinder(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<QList<TFavoriteMatch>>();
}

TFavoritesFinder::~TFavoritesFinder()
{
    Stop();
}

void TFavoritesFinder::Stop()
{
    ++m_generation;
    if (m_cancel)
        m_cancel->store(true);
    m_cancel.reset();
    if (m_thread) {
        // The walk checks the flag between entries; the wait is short. A walk stuck in
        // the file system (a hung network mount) is left to end on its own.
        QThread *thread = m_thread;
        m_thread = nullptr;
        if (!thread->wait(2000))
            QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
        else
            delete thread;
    }
}

void TFavoritesFinder::Start(const QString &folder, const QString &text)
{
    Stop();
    auto cancel = std::make_shared<std::atomic_bool>(false);
    m_cancel = cancel;
    const quint64 generation = m_generation;
    QPointer<TFavoritesFinder> self(this);
    m_thread = QThread::create([folder, text, cancel, generation, self] {
        QList<TFavoriteMatch> matches = FindFavorites(folder, text, cancel.get());
        if (cancel->load())
            return;
        // Delivered on the interface thread (through the application object, which outlives
        // the finder); a stopped or newer search, or a finder gone, drops it there.
        QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, generation, matches = std::move(matches)] {
                    if (!self || self->m_generation != generation)
                        return;
                    if (self->m_thread) {
                        self->m_thread->wait();
                        delete self->m_thread;
                        self->m_thread = nullptr;
                    }
                    self->m_cancel.reset();
                    Q_EMIT self->Finished(matches);
                },
                Qt::QueuedConnection);
    });
    m_thread->start();
}
