#include "platform/unixsignals.h"

#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};   // [0] written by the handler, [1] read in the event loop
struct sigaction g_previous[NSIG];

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Async-signal-safe; when the pair is full a signal is already pending anyway.
    [[maybe_unused]] const ssize_t n = ::send(g_pipe[0], &byte, 1, MSG_DONTWAIT | MSG_NOSIGNAL);
    errno = savedErrno;
}

}

TUnixSignals::TUnixSignals(const QList<int> &signalNumbers, QObject *parent)
    : QObject(parent)
{
    if (g_pipe[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TUnixSignals::readPending);

    for (int signalNumber : signalNumbers) {
        if (signalNumber <= 0 || signalNumber >= NSIG || m_signals.contains(signalNumber))
            continue;
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        if (::sigaction(signalNumber, &action, &g_previous[signalNumber]) == 0)
            m_signals.append(signalNumber);
    }
}

TUnixSignals::~TUnixSignals()
{
    if (!m_notifier)
        return;
    for (int signalNumber : qAsConst(m_signals))
        ::sigaction(signalNumber, &g_previous[signalNumber], nullptr);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void TUnixSignals::readPending()
{
    QList<int> pending;
    unsigned char buffer[32];
    for (;;) {
        const ssize_t n = ::read(g_pipe[1], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (ssize_t i = 0; i < n; ++i)
            pending.append(buffer[i]);
    }
    // A receiver may delete this object.
    QPointer<TUnixSignals> self(this);
    for (int signalNumber : qAsConst(pending)) {
        if (!self)
            return;
        emit received(signalNumber);
    }
}
