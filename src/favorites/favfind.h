#pragma once
// Find in favorites: the shortcuts of a Favorites folder whose name or address holds a
// text, without widgets. The search walks the folder depth first: in each folder its
// subfolders first (names beginning with "." left out), then its ".url" files, both by
// name. Names and addresses are compared without regard to case. The results keep that
// order and are neither sorted nor merged.
//
// The walk never hangs on what a folder holds: a folder reached twice (a symbolic link
// back up the tree, two links to one folder) is read once, and anything that is not a
// regular file (a FIFO, a device, a socket named "x.url") is never opened.
//
// TFavoritesFinder runs the search on a worker thread, so that a large folder never
// freezes the window; a new search or the finder's end stops the one in progress.

#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class QThread;

struct TFavoriteMatch {
    QString name;   // the file name less ".url"
    QString url;    // the shortcut's address ("" when it has none)
    QString path;   // the shortcut file
    bool operator==(const TFavoriteMatch &o) const { return name == o.name && url == o.url && path == o.path; }
};

// The matches below folder for text. An empty text or a folder that does not exist gives
// none. cancel (may be null) stops the walk early when it becomes true.
QList<TFavoriteMatch> FindFavorites(const QString &folder, const QString &text,
                                    const std::atomic_bool *cancel = nullptr);

class TFavoritesFinder : public QObject {
    Q_OBJECT
public:
    explicit TFavoritesFinder(QObject *parent = nullptr);
    ~TFavoritesFinder() override;

    // Starts a search; the one in progress is stopped and its results are never reported.
    void Start(const QString &folder, const QString &text);
    void Stop();
    bool Busy() const { return m_thread != nullptr; }

Q_SIGNALS:
    void Finished(const QList<TFavoriteMatch> &matches);

private:
    QThread *m_thread = nullptr;
    std::shared_ptr<std::atomic_bool> m_cancel;
    quint64 m_generation = 0;
};
