// Start-up figures: the time from process start to the first page loaded, for Tabvane and
// for the bare program (one plain QWebEngineView), in the same run. Each program is
// started with the address of a local page whose onload calls back to this benchmark's
// own loopback server; the time is taken when the call arrives. The first run of each
// program warms the disk caches and is not counted. Prints every run, the medians and
// their ratio; asserts nothing.
//
//   bench_startup [RUNS]        (default 7; offscreen unless DISPLAY or QT_QPA_PLATFORM is set;
//                                BENCH_VERBOSE=1 shows the programs' own output)

#include "httpserver.h"

#include "app/kwoptions.h"

#include "benchcommon.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>

#ifndef BARE_BROWSER_EXE
#define BARE_BROWSER_EXE "bare_browser"
#endif

namespace {

constexpr int TimeoutMs = 60000;
constexpr int WindowWidth = 1000;
constexpr int WindowHeight = 700;

struct TProgram {
    QString name;
    QString exe;
    QStringList extraArgs;
    QList<double> times;   // ms, counted runs only
};

// Starts the program on the page and returns the milliseconds until the page's onload
// called back; -1 when it never did. The program is then ended as a desktop session would.
double runOnce(TTestHttpServer &server, const TProgram &program, int run, QTextStream &err)
{
    server.clearRequests();
    const QString page = server.urlString(QStringLiteral("/page.html?who=%1&run=%2").arg(program.name).arg(run));
    QProcess process;
    // The engine's start-up chatter would drown the figures.
    if (qEnvironmentVariableIsEmpty("BENCH_VERBOSE")) {
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
    } else {
        process.setProcessChannelMode(QProcess::ForwardedChannels);
    }
    QElapsedTimer clock;
    clock.start();
    process.start(program.exe, QStringList{page} + program.extraArgs);
    if (!process.waitForStarted(TimeoutMs)) {
        err << program.name << ": cannot start " << program.exe << "\n";
        return -1;
    }
    double elapsed = -1;
    if (server.waitForRequest(QStringLiteral("/loaded"), 1, TimeoutMs))
        elapsed = clock.nsecsElapsed() / 1e6;
    else
        err << program.name << ": the page never called back\n";
    process.terminate();
    if (!process.waitForFinished(TimeoutMs)) {
        process.kill();
        process.waitForFinished(TimeoutMs);
    }
    return elapsed;
}

}

int main(int argc, char **argv)
{
    // Everything the programs write goes to a folder of this run: the real home is never
    // touched, and each program keeps its profile and settings from run to run.
    QTemporaryDir root;
    if (!TBench::PrepareEnvironment(root))
        return 1;

    QCoreApplication app(argc, argv);
    const int runs = qMax(1, argc > 1 ? QByteArray(argv[1]).toInt() : 7);
    QTextStream out(stdout);
    QTextStream err(stderr);

    TTestHttpServer server;
    server.route(QStringLiteral("/page.html"),
                 "<!DOCTYPE html><html><head><title>Start</title></head>"
                 "<body onload=\"fetch('/loaded' + location.search)\"><h1>Loaded</h1></body></html>");
    server.route(QStringLiteral("/loaded"), QByteArray("ok"), "text/plain");

    // Tabvane as a returning user starts it: no questions, the same window size.
    TKWOptions options;
    options.SetAskDefaultBrowser(false);
    options.SetConfirmShutdown(false);
    options.SetWidth(WindowWidth);
    options.SetHeight(WindowHeight);

    QList<TProgram> programs = {
        {QStringLiteral("tabvane"), QStringLiteral(TABVANE_EXE), {}, {}},
        {QStringLiteral("bare"), QStringLiteral(BARE_BROWSER_EXE),
         {QString::number(WindowWidth), QString::number(WindowHeight)}, {}},
    };

    out << "start-up to first page loaded, " << runs << " runs after one warm-up run each ("
        << qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("xcb")) << ")\n";
    for (int run = 0; run <= runs; ++run) {
        // Alternate the order so neither program always runs on a machine the other warmed.
        for (int k = 0; k < programs.size(); ++k) {
            TProgram &program = programs[(run + k) % programs.size()];
            const double ms = runOnce(server, program, run, err);
            if (run == 0)
                continue;
            if (ms >= 0)
                program.times.append(ms);
            out << QString::asprintf("run %2d  %-8s %8.1f ms\n", run, qPrintable(program.name), ms);
            out.flush();
        }
    }
    const double tabvane = TBench::Median(programs.at(0).times);
    const double bare = TBench::Median(programs.at(1).times);
    out << QString::asprintf("median  tabvane %8.1f ms   bare %8.1f ms   ratio %.3f\n", tabvane, bare,
                             bare > 0 ? tabvane / bare : 0.0);
    return 0;
}
