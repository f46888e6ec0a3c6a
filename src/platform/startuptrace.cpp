#include "platform/startuptrace.h"

#include <QElapsedTimer>
#include <QSet>
#include <QByteArray>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace {

struct TTrace {
    bool enabled = qgetenv("TABVANE_TRACE_STARTUP") == "1";
    QElapsedTimer clock;
    qint64 lastNs = 0;
    QSet<QByteArray> once;
};

TTrace &trace()
{
    static TTrace t;
    return t;
}

// How long ago the process was started, from the kernel's record of it (in clock ticks,
// so to 10 ms); -1 when it cannot be read.
double msSinceProcessStart()
{
    FILE *f = std::fopen("/proc/self/stat", "r");
    if (!f)
        return -1;
    char buffer[1024];
    const size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
    std::fclose(f);
    buffer[n] = '\0';
    // Field 22 (starttime) counts from the end of the command name, which may hold spaces.
    const char *p = std::strrchr(buffer, ')');
    if (!p)
        return -1;
    unsigned long long start = 0;
    int field = 2;
    for (const char *c = p + 1; *c && field < 22; ++c) {
        if (*c == ' ' && ++field == 22)
            start = std::strtoull(c + 1, nullptr, 10);
    }
    timespec now{};
    if (field != 22 || clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        return -1;
    const double ticks = double(sysconf(_SC_CLK_TCK));
    return (double(now.tv_sec) + now.tv_nsec / 1e9 - double(start) / ticks) * 1000.0;
}

}

namespace TStartupTrace {

void Begin()
{
    TTrace &t = trace();
    if (t.clock.isValid())
        return;
    t.clock.start();
    if (t.enabled) {
        std::fprintf(stderr, "tabvane-trace-prelude %.0f ms from process start to main(), to 10 ms\n",
                     msSinceProcessStart());
        std::fflush(stderr);
    }
}

bool Enabled()
{
    return trace().enabled;
}

void Mark(const char *what)
{
    TTrace &t = trace();
    if (!t.enabled)
        return;
    if (!t.clock.isValid())
        Begin();
    const qint64 ns = t.clock.nsecsElapsed();
    std::fprintf(stderr, "tabvane-trace %8.1f ms  (+%6.1f)  %s\n", ns / 1e6, (ns - t.lastNs) / 1e6, what);
    std::fflush(stderr);
    t.lastNs = ns;
}

void MarkOnce(const char *what)
{
    TTrace &t = trace();
    if (!t.enabled || t.once.contains(QByteArray(what)))
        return;
    t.once.insert(QByteArray(what));
    Mark(what);
}

}
