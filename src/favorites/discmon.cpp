#include "favorites/discmon.h"

#include <QFile>
#include <QHash>
#include <QMetaObject>
#include <QSet>

#include <cerrno>
#include <cstring>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include <dirent.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

const QString TDiscMonitor::NoFilterMessage = QStringLiteral("Some filter condition must be set.");
const QString TDiscMonitor::WatchLimitMessage = QStringLiteral(
        "Tabvane cannot watch every favorites folder for changes: the system's limit of folder "
        "watches (fs.inotify.max_user_watches) is reached. Changes are looked for every two "
        "seconds instead.");

namespace {
std::atomic<int> g_testWatchLimit{-1};

using Clock = std::chrono::steady_clock;
// A burst is reported once the folder has been quiet this long, or this long after its
// first change at the latest.
constexpr auto QuietTime = std::chrono::milliseconds(40);
constexpr auto LongestDelay = std::chrono::milliseconds(250);
constexpr auto PollInterval = std::chrono::milliseconds(2000);
// Deeper trees are not followed (a guard against pathological nesting).
constexpr int MaxDepth = 64;

struct TDirId {
    dev_t dev;
    ino_t ino;
    bool operator==(const TDirId &o) const { return dev == o.dev && ino == o.ino; }
};
inline size_t qHash(const TDirId &id, size_t seed = 0) { return ::qHash(quint64(id.ino) ^ (quint64(id.dev) << 32), seed); }

struct TConfig {
    QByteArray directory;
    bool subTree = true;
    TMonitorFilters filters = TMonitorFilter::moFilename;
};

uint32_t kernelMask(TMonitorFilters f)
{
    // Creations and renames are always asked for: new subfolders must be watched.
    uint32_t mask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF
                    | IN_ONLYDIR;
    if (f & (TMonitorFilter::moAttributes | TMonitorFilter::moSecurity))
        mask |= IN_ATTRIB;
    if (f & (TMonitorFilter::moSize | TMonitorFilter::moLastWrite))
        mask |= IN_MODIFY | IN_CLOSE_WRITE;
    return mask;
}

// Whether an event is a change of a selected kind.
bool selected(uint32_t m, TMonitorFilters f)
{
    const bool isDir = m & IN_ISDIR;
    if (m & (IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO))
        return isDir ? bool(f & TMonitorFilter::moDirName) : bool(f & TMonitorFilter::moFilename);
    if (m & IN_ATTRIB)
        return f & (TMonitorFilter::moAttributes | TMonitorFilter::moSecurity);
    if (m & (IN_MODIFY | IN_CLOSE_WRITE))
        return f & (TMonitorFilter::moSize | TMonitorFilter::moLastWrite);
    return false;
}
}

struct TDiscMonitor::TWorker {
    TDiscMonitor *owner;
    std::thread thread;
    int wakeFd = -1;
    std::mutex mutex;
    TConfig config;                 // written by the GUI thread under the mutex
    std::atomic<bool> terminate{false};
    std::atomic<bool> reconfigure{false};

    // Worker-only state of one open.
    int fd = -1;
    int rootWd = -1;
    QHash<int, QByteArray> paths;   // watch -> folder
    QHash<int, TDirId> ids;
    QSet<TDirId> watched;
    bool limitHit = false;          // this open ran out of watches
    QByteArray baseline;            // the folders' times when it did
    TConfig current;

    explicit TWorker(TDiscMonitor *o) : owner(o)
    {
        wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    }
    ~TWorker()
    {
        if (wakeFd >= 0)
            ::close(wakeFd);
    }
    void wake()
    {
        const uint64_t one = 1;
        if (wakeFd >= 0)
            (void)!::write(wakeFd, &one, sizeof one);
    }

    void postChange()
    {
        if (!owner->m_changeQueued.exchange(true))
            QMetaObject::invokeMethod(owner, [o = owner] { o->deliverChange(); }, Qt::QueuedConnection);
    }
    void postInvalid()
    {
        QMetaObject::invokeMethod(owner, [o = owner] { o->deliverInvalid(); }, Qt::QueuedConnection);
    }

    void closeWatches()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        rootWd = -1;
        paths.clear();
        ids.clear();
        watched.clear();
    }

    void reachedLimit()
    {
        if (limitHit)
            return;
        limitHit = true;
        // What is seen from here on counts as a change.
        baseline = signature();
        owner->m_degraded = true;
        QMetaObject::invokeMethod(owner, [o = owner] { o->deliverWatchLimit(); }, Qt::QueuedConnection);
    }

    // Watches the folder and, with the sub-tree, every folder below it not watched yet.
    // False when the folder itself cannot be watched.
    bool addTree(const QByteArray &path, int depth)
    {
        struct stat st {};
        if (::stat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            return false;
        const TDirId id{st.st_dev, st.st_ino};
        if (watched.contains(id))
            return true;   // a link back up the tree, or a folder reached twice
        const int limit = g_testWatchLimit.load();
        int wd = -1;
        if (limit >= 0 && watched.size() >= limit) {
            errno = ENOSPC;
        } else {
            wd = ::inotify_add_watch(fd, path.constData(), kernelMask(current.filters));
        }
        if (wd < 0) {
            if (errno == ENOSPC)
                reachedLimit();
            return false;
        }
        paths.insert(wd, path);
        ids.insert(wd, id);
        watched.insert(id);
        if (!current.subTree || depth >= MaxDepth)
            return true;
        DIR *dir = ::opendir(path.constData());
        if (!dir)
            return true;
        std::vector<QByteArray> children;
        while (dirent *e = ::readdir(dir)) {
            if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
                continue;
            if (e->d_type == DT_DIR || e->d_type == DT_LNK || e->d_type == DT_UNKNOWN)
                children.push_back(path + '/' + e->d_name);
        }
        ::closedir(dir);
        for (const QByteArray &child : children)
            addTree(child, depth + 1);
        return true;
    }

    // The folders' modification times, for the fallback when watches ran out.
    void signature(const QByteArray &path, int depth, QSet<TDirId> &seen, QByteArray &out) const
    {
        struct stat st {};
        if (::stat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
            return;
        const TDirId id{st.st_dev, st.st_ino};
        if (seen.contains(id))
            return;
        seen.insert(id);
        out += path + ':' + QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.'
               + QByteArray::number(qint64(st.st_mtim.tv_nsec)) + '\n';
        if (!current.subTree || depth >= MaxDepth)
            return;
        DIR *dir = ::opendir(path.constData());
        if (!dir)
            return;
        std::vector<QByteArray> children;
        while (dirent *e = ::readdir(dir)) {
            if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
                continue;
            if (e->d_type == DT_DIR || e->d_type == DT_LNK || e->d_type == DT_UNKNOWN)
                children.push_back(path + '/' + e->d_name);
        }
        ::closedir(dir);
        for (const QByteArray &child : children)
            signature(child, depth + 1, seen, out);
    }
    QByteArray signature() const
    {
        QSet<TDirId> seen;
        QByteArray out;
        signature(current.directory, 0, seen, out);
        return out;
    }

    // Reads the wake-up counter; true when the worker is to end.
    bool takeWake()
    {
        uint64_t count = 0;
        (void)!::read(wakeFd, &count, sizeof count);
        return terminate.load();
    }

    // Waits for the next wake-up with nothing watched. True: end.
    bool waitForWake()
    {
        for (;;) {
            pollfd p{wakeFd, POLLIN, 0};
            const int n = ::poll(&p, 1, -1);
            if (n < 0 && errno == EINTR)
                continue;
            if (takeWake())
                return true;
            if (reconfigure.exchange(false))
                return false;
        }
    }

    void run()
    {
        for (;;) {
            if (terminate.load())
                return;
            reconfigure = false;
            {
                std::lock_guard<std::mutex> lock(mutex);
                current = config;
            }
            owner->m_openCount.fetch_add(1);
            closeWatches();
            limitHit = false;
            fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
            const bool ok = fd >= 0 && !current.directory.isEmpty() && addTree(current.directory, 0);
            if (ok)
                rootWd = paths.key(current.directory, -1);
            if (!ok) {
                closeWatches();
                postInvalid();
                if (waitForWake())
                    return;
                continue;
            }
            if (watchLoop())
                return;
        }
    }

    // Runs until new settings (false) or the end (true).
    bool watchLoop()
    {
        bool pending = false;
        Clock::time_point first, last;
        QByteArray lastSignature = baseline;
        Clock::time_point nextPoll = Clock::now() + PollInterval;
        alignas(inotify_event) char buffer[16 * 1024];
        for (;;) {
            int timeout = -1;
            const auto now = Clock::now();
            if (pending) {
                const auto due = std::min(last + QuietTime, first + LongestDelay);
                timeout = int(std::max<long long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(due - now).count()));
            }
            if (limitHit) {
                const int untilPoll = int(std::max<long long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(nextPoll - now).count()));
                timeout = timeout < 0 ? untilPoll : std::min(timeout, untilPoll);
            }
            pollfd p[2] = {{wakeFd, POLLIN, 0}, {fd, POLLIN, 0}};
            const int n = ::poll(p, 2, timeout);
            if (n < 0 && errno != EINTR) {
                closeWatches();
                postInvalid();
                return waitForWake();
            }
            if (p[0].revents & POLLIN) {
                if (takeWake()) {
                    closeWatches();
                    return true;
                }
                if (reconfigure.exchange(false))
                    return false;
            }
            bool rootGone = false;
            if (p[1].revents & POLLIN) {
                for (;;) {
                    const ssize_t len = ::read(fd, buffer, sizeof buffer);
                    if (len <= 0)
                        break;
                    for (char *at = buffer; at < buffer + len;) {
                        const auto *e = reinterpret_cast<const inotify_event *>(at);
                        at += sizeof(inotify_event) + e->len;
                        if (handle(*e, &rootGone)) {
                            if (!pending)
                                first = Clock::now();
                            pending = true;
                            last = Clock::now();
                        }
                    }
                }
            }
            if (rootGone) {
                closeWatches();
                if (pending)
                    postChange();
                postInvalid();
                return waitForWake();
            }
            if (limitHit && Clock::now() >= nextPoll) {
                nextPoll = Clock::now() + PollInterval;
                const QByteArray now2 = signature();
                if (now2 != lastSignature) {
                    lastSignature = now2;
                    if (!pending)
                        first = Clock::now();
                    pending = true;
                    last = first;
                    // Folders that appeared may be watchable now.
                    addTree(current.directory, 0);
                }
            }
            if (pending) {
                const auto t = Clock::now();
                if (t >= last + QuietTime || t >= first + LongestDelay) {
                    pending = false;
                    postChange();
                }
            }
        }
    }

    // One kernel event; true when it is a change to report.
    bool handle(const inotify_event &e, bool *rootGone)
    {
        if (e.mask & IN_Q_OVERFLOW) {
            // Events were lost: folders may have appeared unseen.
            if (current.subTree)
                addTree(current.directory, 0);
            return true;
        }
        if (e.wd == rootWd && (e.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT))) {
            *rootGone = true;
            return false;
        }
        if (e.mask & IN_IGNORED) {
            watched.remove(ids.value(e.wd));
            ids.remove(e.wd);
            paths.remove(e.wd);
            return false;
        }
        if ((e.mask & IN_ISDIR) && (e.mask & (IN_CREATE | IN_MOVED_TO)) && current.subTree && e.len > 0) {
            const QByteArray parent = paths.value(e.wd);
            if (!parent.isEmpty())
                addTree(parent + '/' + QByteArray(e.name), 1);
        }
        // Only changes in the folder itself count without the sub-tree.
        if (!current.subTree && e.wd != rootWd)
            return false;
        return selected(e.mask, current.filters);
    }
};

TDiscMonitor::TDiscMonitor(QObject *parent)
    : QObject(parent), m_worker(std::make_unique<TWorker>(this))
{
}

TDiscMonitor::~TDiscMonitor()
{
    if (m_worker->thread.joinable()) {
        m_worker->terminate = true;
        m_worker->wake();
        m_worker->thread.join();
    }
    // Reports still queued are dropped with this object.
}

void TDiscMonitor::SetWatchLimitForTesting(int limit)
{
    g_testWatchLimit = limit;
}

QString TDiscMonitor::Directory() const
{
    std::lock_guard<std::mutex> lock(m_worker->mutex);
    return QFile::decodeName(m_worker->config.directory);
}

void TDiscMonitor::SetDirectory(const QString &directory)
{
    QByteArray path = QFile::encodeName(directory);
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    {
        std::lock_guard<std::mutex> lock(m_worker->mutex);
        if (m_worker->config.directory == path)
            return;
        m_worker->config.directory = path;
    }
    reconfigure();
}

bool TDiscMonitor::SubTree() const
{
    std::lock_guard<std::mutex> lock(m_worker->mutex);
    return m_worker->config.subTree;
}

void TDiscMonitor::SetSubTree(bool on)
{
    {
        std::lock_guard<std::mutex> lock(m_worker->mutex);
        if (m_worker->config.subTree == on)
            return;
        m_worker->config.subTree = on;
    }
    reconfigure();
}

TMonitorFilters TDiscMonitor::Filters() const
{
    std::lock_guard<std::mutex> lock(m_worker->mutex);
    return m_worker->config.filters;
}

bool TDiscMonitor::SetFilters(TMonitorFilters filters)
{
    if (!filters) {
        std::fprintf(stderr, "tabvane: %s\n", qPrintable(NoFilterMessage));
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(m_worker->mutex);
        if (m_worker->config.filters == filters)
            return true;
        m_worker->config.filters = filters;
    }
    reconfigure();
    return true;
}

void TDiscMonitor::SetActive(bool on)
{
    if (on == m_active)
        return;
    m_active = on;
    if (!on)
        return;
    if (!m_worker->thread.joinable()) {
        startWorker();
        return;
    }
    if (m_changedWhileInactive) {
        m_changedWhileInactive = false;
        if (!m_changeQueued.exchange(true))
            QMetaObject::invokeMethod(this, [this] { deliverChange(); }, Qt::QueuedConnection);
    }
}

void TDiscMonitor::startWorker()
{
    if (m_worker->wakeFd < 0) {
        QMetaObject::invokeMethod(this, [this] { deliverInvalid(); }, Qt::QueuedConnection);
        return;
    }
    TWorker *worker = m_worker.get();
    m_worker->thread = std::thread([worker] { worker->run(); });
}

void TDiscMonitor::reconfigure()
{
    if (!m_worker->thread.joinable())
        return;   // the first activation opens with the current values
    m_worker->reconfigure = true;
    m_worker->wake();
}

void TDiscMonitor::deliverChange()
{
    m_changeQueued = false;
    if (!m_active) {
        m_changedWhileInactive = true;
        return;
    }
    Q_EMIT Changed();
}

void TDiscMonitor::deliverInvalid()
{
    Q_EMIT Invalid();
}

void TDiscMonitor::deliverWatchLimit()
{
    if (m_limitSaid)
        return;
    m_limitSaid = true;
    Q_EMIT WatchLimitReached(WatchLimitMessage);
}
