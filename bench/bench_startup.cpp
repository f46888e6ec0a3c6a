// Start-up figures: the time from process start to the first page loaded, for Tabvane and
// for the bare program (one plain QWebEngineView), in the same run, on two platforms: the
// offscreen one and a real X server with a window manager (the DISPLAY given, else an Xvfb
// with openbox this benchmark starts itself, when they are installed). Each program is
// started with the address of a local page whose onload calls back to this benchmark's
// own loopback server; the time is taken when the call arrives. The programs and the
// platforms take turns run by run, so a busy moment of the machine costs each of them
// alike. The first run of each warms the disk caches and is not counted. Prints every
// run, the medians and their ratio per platform; asserts nothing.
//
//   bench_startup [RUNS]        (default 10)
//   BENCH_BASELINE=EXE          also runs EXE (an earlier Tabvane build) in the same turns
//   BENCH_TRACE=1               the programs print their start-up trace
//                               (TABVANE_TRACE_STARTUP); the median of each mark is shown
//   BENCH_PLATFORMS=offscreen   or xcb: only that platform
//   BENCH_VERBOSE=1             shows the programs' own output

#include "httpserver.h"

#include "app/kwoptions.h"

#include "benchcommon.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>

#ifndef BARE_BROWSER_EXE
#define BARE_BROWSER_EXE "bare_browser"
#endif

namespace {

constexpr int TimeoutMs = 60000;
constexpr int WindowWidth = 1000;
constexpr int WindowHeight = 700;

struct TPlatform {
    QString name;                  // offscreen, xcb
    QProcessEnvironment env;
};

struct TProgram {
    QString name;
    QString exe;
    QStringList extraArgs;
    QMap<QString, QList<double>> times;                       // per platform, ms
    QMap<QString, QMap<QString, QList<double>>> marks;        // per platform, per mark
    QMap<QString, QStringList> markOrder;                     // per platform
};

// An X server of this benchmark's own with a window manager, for machines without a
// display. Ended with the benchmark.
class TOwnXServer {
public:
    ~TOwnXServer()
    {
        for (QProcess *p : {&m_wm, &m_server}) {
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(5000))
                    p->kill();
                p->waitForFinished(5000);
            }
        }
    }

    // The display name (":N"), or "" when no server could be started.
    QString start(const QString &readyFile, QTextStream &err)
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty())
            return QString();
        // -displayfd: the server picks a free display number and writes it on stdout.
        m_server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                              QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                              QStringLiteral("tcp")});
        QByteArray number;
        QElapsedTimer wait;
        wait.start();
        while (!number.contains('\n') && wait.elapsed() < 10000 && m_server.state() != QProcess::NotRunning) {
            m_server.waitForReadyRead(200);
            number += m_server.readAllStandardOutput();
        }
        if (!number.contains('\n')) {
            err << "Xvfb did not start\n";
            return QString();
        }
        const QString display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
        const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
        if (openbox.isEmpty()) {
            err << "no openbox: the X server runs without a window manager\n";
            return display;
        }
        // openbox runs its start-up command once it manages the screen.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        m_wm.setProcessEnvironment(env);
        m_wm.setStandardOutputFile(QProcess::nullDevice());
        m_wm.setStandardErrorFile(QProcess::nullDevice());
        m_wm.start(openbox, {QStringLiteral("--startup"), QStringLiteral("touch ") + readyFile});
        wait.restart();
        while (!QFileInfo::exists(readyFile) && wait.elapsed() < 10000)
            QThread::msleep(20);
        if (!QFileInfo::exists(readyFile))
            err << "openbox did not report ready\n";
        return display;
    }

private:
    QProcess m_server;
    QProcess m_wm;
};

// "tabvane-trace  123.4 ms  (+  5.6)  what"
const QRegularExpression TraceLine(QStringLiteral(R"(^tabvane-trace\s+([0-9.]+) ms\s+\(\+\s*[0-9.]+\)\s+(.*)$)"));

// Starts the program on the page and returns the milliseconds until the page's onload
// called back; -1 when it never did. The program is then ended as a desktop session would.
double runOnce(TTestHttpServer &server, TProgram &program, const TPlatform &platform, int run, bool trace,
               QTextStream &err)
{
    server.clearRequests();
    const QString page = server.urlString(
            QStringLiteral("/page.html?who=%1&on=%2&run=%3").arg(program.name, platform.name).arg(run));
    QProcess process;
    QProcessEnvironment env = platform.env;
    if (trace)
        env.insert(QStringLiteral("TABVANE_TRACE_STARTUP"), QStringLiteral("1"));
    process.setProcessEnvironment(env);
    // The engine's start-up chatter would drown the figures.
    const bool verbose = !qEnvironmentVariableIsEmpty("BENCH_VERBOSE");
    if (verbose)
        process.setProcessChannelMode(QProcess::ForwardedChannels);
    else
        process.setStandardOutputFile(QProcess::nullDevice());
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
        err << program.name << " (" << platform.name << "): the page never called back\n";
    process.terminate();
    if (!process.waitForFinished(TimeoutMs)) {
        process.kill();
        process.waitForFinished(TimeoutMs);
    }
    if (!verbose && trace && elapsed >= 0 && run > 0) {
        const QStringList lines = QString::fromLocal8Bit(process.readAllStandardError()).split(QLatin1Char('\n'));
        QSet<QString> seen;
        for (const QString &line : lines) {
            const QRegularExpressionMatch m = TraceLine.match(line.trimmed());
            if (!m.hasMatch() || seen.contains(m.captured(2)))
                continue;
            const QString what = m.captured(2);
            seen.insert(what);
            program.marks[platform.name][what].append(m.captured(1).toDouble());
            QStringList &order = program.markOrder[platform.name];
            if (!order.contains(what))
                order.append(what);
        }
    }
    return elapsed;
}

}

int main(int argc, char **argv)
{
    // Everything the programs write goes to a folder of this run: the real home is never
    // touched, and each program keeps its profile and settings from run to run.
    QTemporaryDir root;
    const bool hadDisplay = !qEnvironmentVariableIsEmpty("DISPLAY");
    if (!TBench::PrepareEnvironment(root))
        return 1;

    QCoreApplication app(argc, argv);
    const int runs = qMax(1, argc > 1 ? QByteArray(argv[1]).toInt() : 10);
    const bool trace = qgetenv("BENCH_TRACE") == "1";
    const QString only = qEnvironmentVariable("BENCH_PLATFORMS");
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
        {QStringLiteral("tabvane"), QStringLiteral(TABVANE_EXE), {}, {}, {}, {}},
        {QStringLiteral("bare"), QStringLiteral(BARE_BROWSER_EXE),
         {QString::number(WindowWidth), QString::number(WindowHeight)}, {}, {}, {}},
    };
    const QString baseline = qEnvironmentVariable("BENCH_BASELINE");
    if (!baseline.isEmpty())
        programs.append({QStringLiteral("baseline"), baseline, {}, {}, {}, {}});

    QList<TPlatform> platforms;
    QProcessEnvironment base = QProcessEnvironment::systemEnvironment();
    base.remove(QStringLiteral("TABVANE_TRACE_STARTUP"));
    if (only.isEmpty() || only == QLatin1String("offscreen")) {
        QProcessEnvironment env = base;
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        platforms.append({QStringLiteral("offscreen"), env});
    }
    TOwnXServer ownServer;
    if (only.isEmpty() || only == QLatin1String("xcb")) {
        QString display = hadDisplay ? qEnvironmentVariable("DISPLAY") : QString();
        if (display.isEmpty())
            display = ownServer.start(root.filePath(QStringLiteral("wm-ready")), err);
        if (display.isEmpty()) {
            err << "no X server (no DISPLAY and no Xvfb): offscreen only\n";
        } else {
            QProcessEnvironment env = base;
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
            env.insert(QStringLiteral("DISPLAY"), display);
            platforms.append({QStringLiteral("xcb"), env});
            out << "X server " << display << (hadDisplay ? " (the DISPLAY given)" : " (Xvfb and openbox of this run)")
                << "\n";
        }
    }

    out << "start-up to first page loaded, " << runs << " runs after one warm-up run each\n";
    for (int run = 0; run <= runs; ++run) {
        for (const TPlatform &platform : std::as_const(platforms)) {
            // Alternate the order so no program always runs on a machine another warmed.
            for (int k = 0; k < programs.size(); ++k) {
                TProgram &program = programs[(run + k) % programs.size()];
                const double ms = runOnce(server, program, platform, run, trace, err);
                if (run == 0)
                    continue;
                if (ms >= 0)
                    program.times[platform.name].append(ms);
                out << QString::asprintf("run %2d  %-9s %-9s %8.1f ms\n", run, qPrintable(platform.name),
                                         qPrintable(program.name), ms);
                out.flush();
            }
        }
    }

    for (const TPlatform &platform : std::as_const(platforms)) {
        if (trace) {
            for (const TProgram &program : std::as_const(programs)) {
                out << "trace of " << program.name << " (" << platform.name << "), median ms after main():\n";
                double previous = 0;
                for (const QString &what : program.markOrder.value(platform.name)) {
                    const double at = TBench::Median(program.marks[platform.name].value(what));
                    out << QString::asprintf("  %8.1f  (+%6.1f)  %s\n", at, at - previous, qPrintable(what));
                    previous = at;
                }
            }
        }
        const double bare = TBench::Median(programs.at(1).times.value(platform.name));
        for (const TProgram &program : std::as_const(programs)) {
            if (program.name == QLatin1String("bare"))
                continue;
            const double ms = TBench::Median(program.times.value(platform.name));
            out << QString::asprintf("median %-9s %-9s %8.1f ms   bare %8.1f ms   ratio %.3f\n",
                                     qPrintable(platform.name), qPrintable(program.name), ms, bare,
                                     bare > 0 ? ms / bare : 0.0);
        }
    }
    return 0;
}
