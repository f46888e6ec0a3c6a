#include "platform/instance.h"

#include "platform/paths.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QByteArray WakeupLine = QByteArrayLiteral("Tabvane\n");
const QByteArray AnswerLine = QByteArrayLiteral("ok\n");
// A request longer than this is not ours; the line is 8 bytes.
constexpr qint64 MaxRequestBytes = 64;

bool processAlive(qint64 pid)
{
    if (pid <= 0 || pid > INT_MAX)
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// The pid in "wake-<pid>", or 0 when the name is not of that form.
qint64 ownerPid(const QString &fileName)
{
    if (!fileName.startsWith(TWakeupListener::socketPrefix()))
        return 0;
    bool ok = false;
    const qint64 pid = fileName.mid(TWakeupListener::socketPrefix().size()).toLongLong(&ok);
    return ok ? pid : 0;
}

QString ownSocketName()
{
    return TWakeupListener::socketPrefix() + QString::number(::getpid());
}

enum class PeerState { Listening, Gone, Busy };

int openClientSocket(const QString &path, PeerState *state)
{
    const QByteArray native = QFile::encodeName(path);
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    if (native.size() >= static_cast<int>(sizeof addr.sun_path)) {
        *state = PeerState::Busy;
        return -1;
    }
    std::memcpy(addr.sun_path, native.constData(), native.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        *state = PeerState::Busy;
        return -1;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&addr), sizeof addr) != 0) {
        const int err = errno;
        ::close(fd);
        // ECONNREFUSED: a socket file nobody listens on. EAGAIN: the listener's queue is
        // full, it is alive but not answering.
        *state = (err == ECONNREFUSED || err == ENOENT || err == ENOTSOCK) ? PeerState::Gone
                                                                            : PeerState::Busy;
        return -1;
    }
    *state = PeerState::Listening;
    return fd;
}

bool waitFor(int fd, short events, const QDeadlineTimer &deadline)
{
    for (;;) {
        pollfd p {fd, events, 0};
        const qint64 left = deadline.remainingTime();
        if (left == 0)
            return false;
        const int r = ::poll(&p, 1, static_cast<int>(qMin<qint64>(left, INT_MAX)));
        if (r > 0)
            return true;
        if (r == 0)
            return false;
        if (errno != EINTR)
            return false;
    }
}

// Sends the wake-up line and waits for the answer. False when the peer did not answer in
// time or closed the connection without answering.
bool wakePeer(int fd, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    qsizetype sent = 0;
    while (sent < WakeupLine.size()) {
        if (!waitFor(fd, POLLOUT, deadline))
            return false;
        const ssize_t n = ::send(fd, WakeupLine.constData() + sent, WakeupLine.size() - sent,
                                 MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false;
        }
        sent += n;
    }
    QByteArray answer;
    while (!answer.contains('\n') && answer.size() < MaxRequestBytes) {
        if (!waitFor(fd, POLLIN, deadline))
            return false;
        char buffer[16];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n == 0)
            return false;
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false;
        }
        answer.append(buffer, n);
    }
    return answer.startsWith(AnswerLine);
}

// A socket file is stale when nobody listens on it and the process named in it is gone
// (the pid check protects a window that is between bind() and listen()).
bool isStale(const QString &folder, const QString &fileName)
{
    PeerState state;
    const int fd = openClientSocket(QDir(folder).filePath(fileName), &state);
    if (fd >= 0)
        ::close(fd);
    if (state != PeerState::Gone)
        return false;
    const qint64 pid = ownerPid(fileName);
    return pid == ::getpid() || !processAlive(pid);
}

QStringList socketNames(const QString &folder)
{
    return QDir(folder).entryList({TWakeupListener::socketPrefix() + QLatin1Char('*')},
                                  QDir::System | QDir::Files | QDir::Hidden, QDir::Name);
}

}

TInstanceLock::TInstanceLock(const QString &name)
{
    const QString folder = TPaths::RuntimeDir(&m_error);
    if (!folder.isEmpty())
        m_path = TPaths::Join(folder, name);
}

TInstanceLock::~TInstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd);   // closing the descriptor drops the flock
}

bool TInstanceLock::tryAcquire()
{
    if (m_fd >= 0 || m_path.isEmpty())
        return false;   // without a private folder error() says why
    const QByteArray native = QFile::encodeName(m_path);
    const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        m_error = m_path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    int r;
    do {
        r = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r == 0) {
        m_fd = fd;
        return false;
    }
    const int err = errno;
    ::close(fd);
    if (err == EWOULDBLOCK)
        return true;
    m_error = m_path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(err));
    return false;
}

bool TInstanceLock::heldElsewhere() const
{
    if (m_fd >= 0 || m_path.isEmpty())
        return false;
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);   // also drops the lock if this probe took it
    return held;
}

TWakeupListener::TWakeupListener(Handler handler, QObject *parent)
    : QObject(parent), m_handler(std::move(handler))
{
}

TWakeupListener::~TWakeupListener()
{
    if (m_server)
        m_server->close();   // removes the socket file
}

QString TWakeupListener::socketFolder(QString *error)
{
    return TPaths::RuntimeDir(error);
}

int TWakeupListener::removeStaleSockets()
{
    const QString folder = socketFolder();
    if (folder.isEmpty())
        return 0;
    int removed = 0;
    for (const QString &name : socketNames(folder)) {
        if (isStale(folder, name) && QFile::remove(QDir(folder).filePath(name)))
            ++removed;
    }
    return removed;
}

bool TWakeupListener::listen()
{
    if (isListening())
        return true;
    const QString folder = socketFolder(&m_error);
    if (folder.isEmpty())
        return false;
    removeStaleSockets();
    const QString path = QDir(folder).filePath(ownSocketName());
    QLocalServer::removeServer(path);   // a leftover of an earlier process with our pid
    if (!m_server) {
        m_server = new QLocalServer(this);
        connect(m_server, &QLocalServer::newConnection, this, &TWakeupListener::acceptConnections);
    }
    if (!m_server->listen(path)) {
        m_error = path + QStringLiteral(": ") + m_server->errorString();
        return false;
    }
    m_error.clear();
    return true;
}

bool TWakeupListener::isListening() const
{
    return m_server && m_server->isListening();
}

QString TWakeupListener::socketPath() const
{
    return m_server ? m_server->fullServerName() : QString();
}

void TWakeupListener::acceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        if (socket->bytesAvailable() > 0)
            readRequest(socket);
    }
}

void TWakeupListener::readRequest(QLocalSocket *socket)
{
    if (socket->property("tabvaneHandled").toBool())
        return;
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > MaxRequestBytes)
            socket->abort();
        return;
    }
    const QByteArray line = socket->readLine(MaxRequestBytes);
    if (line != WakeupLine) {
        socket->abort();
        return;
    }
    socket->setProperty("tabvaneHandled", true);
    // The handler may run a nested event loop or even destroy this listener.
    QPointer<QLocalSocket> guard(socket);
    const auto answer = [guard] {
        if (!guard)
            return;
        guard->write(AnswerLine);
        guard->flush();
        guard->disconnectFromServer();
    };
    try {
        if (m_handler)
            m_handler();
    } catch (...) {
        answer();   // the sender must not wait for a handler that failed
        throw;
    }
    answer();
}

namespace TWakeupBroadcast {

int send(int timeoutMs)
{
    const QString folder = TWakeupListener::socketFolder();
    if (folder.isEmpty())
        return 0;
    const QString own = ownSocketName();
    int answered = 0;
    for (const QString &name : socketNames(folder)) {
        if (name == own)
            continue;   // our own window cannot answer while we wait for it
        const QString path = QDir(folder).filePath(name);
        PeerState state;
        const int fd = openClientSocket(path, &state);
        if (fd < 0) {
            if (state == PeerState::Gone && isStale(folder, name))
                QFile::remove(path);
            continue;
        }
        if (wakePeer(fd, timeoutMs))
            ++answered;
        ::close(fd);
    }
    return answered;
}

}
