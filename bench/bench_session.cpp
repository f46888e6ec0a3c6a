// Figures of the record of open tabs: the cost of one write of the record with 100 tabs
// (the part on the GUI thread: snapshot of the strip and serialising; the whole write with
// the synced replace of the file, which runs on the writer thread), and the longest pause of
// the event loop while 100 tabs are restored after a crash and load their pages with the
// record on, in batches as the program does and, for comparison, all in one go. Prints the
// figures; asserts nothing.
//
//   bench_session [WRITES]     (default 200; offscreen unless DISPLAY or QT_QPA_PLATFORM is set)

#include "httpserver.h"

#include "app/kwoptions.h"
#include "app/main_window.h"
#include "app/sessionkeeper.h"
#include "app/sessionrecord.h"
#include "browser/browsertab.h"

#include "benchcommon.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <climits>

namespace {

constexpr int TabCount = 100;
constexpr int TimeoutMs = 300000;

struct TCosts {
    double median = 0;
    double max = 0;
};

TCosts measure(int runs, const std::function<void()> &work)
{
    QList<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        ms.append(clock.nsecsElapsed() / 1e6);
    }
    return {TBench::Median(ms), *std::max_element(ms.cbegin(), ms.cend())};
}

// A crash left 100 tabs, some named and locked; fresh addresses each round.
QStringList writeCrashedRecord(const TTestHttpServer &server, int round)
{
    TSessionRecord crashed;
    QStringList urls;
    for (int i = 0; i < TabCount; ++i) {
        TSessionTab tab;
        tab.address = server.urlString(QStringLiteral("/p.html?r=%1&i=%2&q=some+longer+query+text").arg(round).arg(i));
        tab.stickyName = i % 4 == 0 ? QStringLiteral("Named tab %1").arg(i) : QString();
        tab.locked = i % 10 == 0;
        crashed.tabs.append(tab);
        urls.append(tab.address);
    }
    crashed.active = 0;
    crashed.running = true;
    return crashed.Write(TSessionRecord::FilePath(), nullptr) ? urls : QStringList();
}

}

int main(int argc, char **argv)
{
    QTemporaryDir root;
    if (!TBench::PrepareEnvironment(root))
        return 1;
    qputenv(TSessionKeeper::AnswerVariable, "restore");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const int writes = qMax(1, argc > 1 ? QByteArray(argv[1]).toInt() : 200);
    QTextStream out(stdout);

    TTestHttpServer server;
    server.route(QStringLiteral("/p.html"),
                 "<!DOCTYPE html><html><head><title>Restored page</title></head>"
                 "<body><h1>Restored page</h1><p>One of a hundred.</p></body></html>");

    TKWOptions options;
    options.SetAskDefaultBrowser(false);
    options.SetConfirmShutdown(false);
    options.SetWidth(1000);
    options.SetHeight(700);

    out << "record of " << TabCount << " tabs in " << TSessionRecord::FilePath() << " ("
        << qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("xcb")) << ")\n";
    out.flush();

    for (int round = 0; round < 2; ++round) {
        const bool batched = round == 0;
        const QStringList urls = writeCrashedRecord(server, round);
        if (urls.isEmpty()) {
            out << "the record could not be written\n";
            return 1;
        }
        TfrmMain window;
        window.SetCloseWithoutConfirmation(true);
        window.show();
        auto *keeper = window.findChild<TSessionKeeper *>(QStringLiteral("sessionKeeper"));
        if (!keeper) {
            out << "the window keeps no record\n";
            return 1;
        }
        if (!batched)
            keeper->SetRestoreBatchMs(INT_MAX);
        int recordWrites = 0;
        QObject::connect(keeper, &TSessionKeeper::Written, [&recordWrites] { ++recordWrites; });

        // The longest gap between two ticks of a 1 ms timer while the tabs come back and load.
        double longestPause = 0;
        QElapsedTimer clock;
        clock.start();
        QElapsedTimer sinceTick;
        sinceTick.start();
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestPause = qMax(longestPause, sinceTick.nsecsElapsed() / 1e6);
            sinceTick.restart();
        });
        ticker.start();
        QEventLoop loop;
        QTimer check;
        check.setInterval(20);
        QObject::connect(&check, &QTimer::timeout, [&] {
            const QList<TBrowserTab *> tabs = window.Tabs();
            bool done = !keeper->IsRestoring() && tabs.size() == TabCount;
            for (int i = 0; done && i < tabs.size(); ++i)
                done = !tabs.at(i)->Loading && tabs.at(i)->Location() == urls.at(i);
            if (done || clock.elapsed() > TimeoutMs)
                loop.quit();
        });
        check.start();
        loop.exec();
        ticker.stop();
        const double loadMs = clock.nsecsElapsed() / 1e6;
        const bool loaded = window.Tabs().size() == TabCount && !keeper->IsRestoring();
        out << QString::asprintf("%s: restore and load %d tabs %s after %.0f ms, record written %d times;"
                                 " longest event-loop pause %.1f ms\n",
                                 batched ? "in batches   " : "all in one go", TabCount,
                                 loaded ? "all loaded" : "NOT all loaded", loadMs, recordWrites, longestPause);
        out.flush();

        if (batched) {
            // One write as the keeper makes it, with the loaded strip.
            const QString path = TSessionRecord::FilePath();
            const TSessionRecord now = keeper->Snapshot();
            const TCosts gui = measure(writes, [&] { keeper->Snapshot().Serialize(); });
            const TCosts whole = measure(writes, [&] { keeper->Snapshot().Write(path, nullptr); });
            out << QString::asprintf("one write of the record with %d tabs (%d runs, %lld bytes):\n",
                                     int(now.tabs.size()), writes, qint64(now.Serialize().size()));
            out << QString::asprintf("  on the GUI thread (snapshot, serialise)   median %7.3f ms   max %7.3f ms\n",
                                     gui.median, gui.max);
            out << QString::asprintf("  whole write with synced replace           median %7.3f ms   max %7.3f ms\n",
                                     whole.median, whole.max);
            out.flush();
        }
        window.close();
    }
    return 0;
}
