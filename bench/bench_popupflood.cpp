// PopupVessa under a popup flood: a local page calls window.open 500 times in one loop, to
// an address on the PopupVessa list. For each round: the time until the page's loop has
// ended, the time until the last hidden tab has been swept, the most hidden tabs alive at
// once and the longest pause of the window's event loop meanwhile. Prints every round and
// the medians; asserts nothing. A bare QWebEngineView that refuses every window (it handles
// no new-window request) runs the same page in turns with it: what the engine alone costs.
//
//   bench_popupflood [ROUNDS] [POPUPS]   (defaults 3 and 500; offscreen unless DISPLAY or
//                                          QT_QPA_PLATFORM is set)
//   BENCH_SIDE=tabvane or bare           runs only that one

#include "httpserver.h"

#include "app/kwoptions.h"
#include "app/main_window.h"
#include "browser/browsertab.h"

#include "benchcommon.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWebEngineView>

#include <algorithm>
#include <unistd.h>

namespace {

constexpr int TimeoutMs = 300000;

int hiddenTabs(const TfrmMain &w)
{
    const QList<TBrowserTab *> tabs = w.Tabs();
    return int(std::count_if(tabs.begin(), tabs.end(), [](const TBrowserTab *t) { return !t->TabVisible(); }));
}

struct TFlood {
    double loopEnded = -1;   // ms until the page's loop had run through
    double swept = -1;       // ms until no hidden tab was left after that
    int mostHidden = 0;
    double longestPause = 0;
    int adRequests = 0;
};

// window: Tabvane's, or nullptr for the bare view.
TFlood runFlood(TfrmMain *window, QWebEngineView *bare, TTestHttpServer &server, int round)
{
    TFlood f;
    server.clearRequests();
    const QString done = QStringLiteral("/done%1.png").arg(round);
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer pause;
    pause.start();
    const QString page = server.urlString(QStringLiteral("/flood.html?r=%1").arg(round));
    if (window)
        window->ActiveTab()->NavigateTo(page);
    else
        bare->load(QUrl(page));
    while (clock.elapsed() < TimeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // Outside an event loop, processEvents leaves deleteLater() undone: the swept tabs
        // must really go, as they do in the program.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        f.longestPause = qMax(f.longestPause, pause.nsecsElapsed() / 1e6);
        pause.restart();
        const int hidden = window ? hiddenTabs(*window) : 0;
        f.mostHidden = qMax(f.mostHidden, hidden);
        if (f.loopEnded < 0 && server.requestCount(done) > 0)
            f.loopEnded = clock.nsecsElapsed() / 1e6;
        if (f.loopEnded >= 0 && hidden == 0) {
            f.swept = clock.nsecsElapsed() / 1e6;
            break;
        }
    }
    f.adRequests = server.requestCount(QStringLiteral("/ad.html"));
    return f;
}

}

int main(int argc, char **argv)
{
    // A folder of this run for everything Tabvane writes; the real home is never touched.
    QTemporaryDir root;
    if (!TBench::PrepareEnvironment(root))
        return 1;
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const int rounds = qMax(1, argc > 1 ? QByteArray(argv[1]).toInt() : 3);
    const int popups = qMax(1, argc > 2 ? QByteArray(argv[2]).toInt() : 500);
    QTextStream out(stdout);

    TTestHttpServer server;
    server.route(QStringLiteral("/ad.html"), "<html><body>advert</body></html>");
    server.route(QStringLiteral("/flood.html"), [popups](const TTestHttpRequest &request) {
        const QString round = request.target.section(QLatin1Char('='), 1);
        TTestHttpResponse response;
        response.body = QStringLiteral(
            "<html><head><title>Flood</title></head><body>Flood<script>"
            "for (var i = 0; i < %1; ++i) window.open('/ad.html?n=' + i);"
            "new Image().src = '/done%2.png';</script></body></html>").arg(popups).arg(round).toUtf8();
        return response;
    });

    TKWOptions options;
    options.SetAskDefaultBrowser(false);
    options.SetConfirmShutdown(false);
    options.SetUsePopupVessa(true);
    options.SetPopupVessaNotify(false);
    options.SetPopupVessa({QStringLiteral("url1=") + server.urlString(QStringLiteral("/ad.html"))});
    TfrmMain window;
    window.SetCloseWithoutConfirmation(true);
    window.show();
    QWebEngineView bare;
    bare.resize(1000, 700);
    bare.show();

    QList<double> loops, sweeps, pauses, bareLoops, barePauses;
    const QString side = qEnvironmentVariable("BENCH_SIDE");   // "tabvane" or "bare": only that one
    out << popups << " window.open calls to a listed address in one loop; " << rounds << " rounds ("
        << qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("xcb")) << ")\n";
    for (int round = 1; round <= rounds; ++round) {
        // Alternate the order so neither always runs on a machine the other warmed.
        for (int k = 0; k < 2; ++k) {
            const bool tabvane = (round + k) % 2 == 0;
            if (!side.isEmpty() && side != QLatin1String(tabvane ? "tabvane" : "bare"))
                continue;
            const TFlood f = runFlood(tabvane ? &window : nullptr, &bare, server, round * 2 + k);
            if (!tabvane) {
                if (f.swept >= 0) {
                    bareLoops.append(f.loopEnded);
                    barePauses.append(f.longestPause);
                }
                out << QString::asprintf("round %d  bare     loop ended %8.1f ms  longest pause %6.1f ms  advert "
                                         "requests %d\n", round, f.loopEnded, f.longestPause, f.adRequests);
                out.flush();
                continue;
            }
            if (f.swept >= 0) {
                loops.append(f.loopEnded);
                sweeps.append(f.swept);
                pauses.append(f.longestPause);
            }
            out << QString::asprintf("round %d  tabvane  loop ended %8.1f ms  last hidden tab swept %8.1f ms  "
                                     "most hidden tabs %4d  longest pause %6.1f ms  advert requests %d\n",
                                     round, f.loopEnded, f.swept, f.mostHidden, f.longestPause, f.adRequests);
            out.flush();
        }
    }
    out << QString::asprintf("median  tabvane  loop ended %8.1f ms  last hidden tab swept %8.1f ms  longest pause %6.1f ms\n",
                             TBench::Median(loops), TBench::Median(sweeps), TBench::Median(pauses));
    out << QString::asprintf("median  bare     loop ended %8.1f ms  longest pause %6.1f ms\n",
                             TBench::Median(bareLoops), TBench::Median(barePauses));
    window.close();
    return 0;
}
