// Hostile pages against the main window: for each page (a title changed every
// millisecond, a 100,000-character title, a reload loop, 20,000 pushState calls, 300
// iframes, 60 popups not on the filter list, a window.close() loop) the page runs in the
// first tab while an address is handed over to a new tab. Prints, per page and round, the
// time until the handed-over page has loaded and the longest pause of the window's event
// loop meanwhile; asserts nothing.
//
//   bench_hostile [ROUNDS]   (default 3; offscreen unless DISPLAY or QT_QPA_PLATFORM is set)

#include "httpserver.h"

#include "app/kwoptions.h"
#include "app/main_window.h"
#include "browser/browsertab.h"

#include "benchcommon.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>

namespace {

constexpr int TimeoutMs = 120000;

struct THostilePage {
    const char *name;
    QString path;
    QString head;
    QString script;
};

QList<THostilePage> hostilePages()
{
    return {
        {"title every ms", "/titles.html", "<title>T</title>",
         "var n = 0; setInterval(function () { document.title = 'T' + (n++); }, 1);"},
        {"100,000-char title", "/longtitle.html", "<title>" + QString(100000, QLatin1Char('L')) + "</title>",
         "setInterval(function () {"
         "  document.title = (document.title[0] == 'L' ? 'M' : 'L').repeat(100000); }, 5);"},
        {"reload loop", "/reload.html", "<title>Reloading</title>",
         "window.addEventListener('load', function () { location.reload(); });"},
        {"20,000 pushState", "/push.html", "<title>Push</title>",
         "for (var i = 0; i < 20000; ++i) { try { history.pushState({}, '', '?p=' + i); } catch (e) {} }"},
        {"300 iframes", "/frames.html", "<title>Frames</title>",
         "for (var i = 0; i < 300; ++i) { var f = document.createElement('iframe');"
         "  f.src = '/b.html?f=' + i; document.body.appendChild(f); }"},
        {"60 popups", "/popups.html", "<title>Popups</title>",
         "for (var i = 0; i < 60; ++i) window.open('/b.html?w=' + i);"},
        {"window.close() loop", "/closer.html", "<title>Closer</title>",
         "setInterval(function () { window.close(); }, 1);"},
    };
}

struct TRound {
    double loaded = -1;        // ms from the hand-over until the new tab's page had loaded
    double longestPause = 0;   // ms, the longest stretch without the event loop turning over
};

TRound handOver(TfrmMain &w, const QString &url)
{
    TRound r;
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer pause;
    pause.start();
    w.OpenInNewForegroundTab(url);
    TBrowserTab *tab = w.ActiveTab();
    while (clock.elapsed() < TimeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        r.longestPause = qMax(r.longestPause, pause.nsecsElapsed() / 1e6);
        pause.restart();
        if (tab && !tab->Loading && tab->Location() == url && tab->Caption() == QLatin1String("Page B")) {
            r.loaded = clock.nsecsElapsed() / 1e6;
            break;
        }
    }
    return r;
}

}

int main(int argc, char **argv)
{
    QTemporaryDir root;
    if (!TBench::PrepareEnvironment(root))
        return 1;
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const int rounds = qMax(1, argc > 1 ? QByteArray(argv[1]).toInt() : 3);
    QTextStream out(stdout);

    TTestHttpServer server;
    server.route(QStringLiteral("/b.html"), "<html><head><title>Page B</title></head><body>B</body></html>");
    server.route(QStringLiteral("/a.html"), "<html><head><title>Page A</title></head><body>A</body></html>");
    server.route(QStringLiteral("/started"), QByteArray("ok"), "text/plain");
    for (const THostilePage &page : hostilePages()) {
        server.route(page.path, QStringLiteral("<html><head>%1</head><body>hostile<script>%2\n"
                                               "fetch('/started');</script></body></html>")
                                        .arg(page.head, page.script)
                                        .toUtf8());
    }

    TKWOptions options;
    options.SetAskDefaultBrowser(false);
    options.SetConfirmShutdown(false);
    out << "hand-over of a new address while a hostile page runs; " << rounds << " rounds ("
        << qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("xcb")) << ")\n";
    for (const THostilePage &page : hostilePages()) {
        auto w = std::make_unique<TfrmMain>();
        w->SetCloseWithoutConfirmation(true);
        w->show();
        // window.close() is refused to a page that is not its tab's first entry, so the loop runs.
        w->ActiveTab()->NavigateTo(server.urlString(QStringLiteral("/a.html")));
        TBench::WaitFor([&] { return !w->ActiveTab()->Loading && w->ActiveTab()->Caption() == QLatin1String("Page A"); },
                        TimeoutMs);
        server.clearRequests();
        w->ActiveTab()->NavigateTo(server.urlString(page.path));
        TBench::WaitFor([&] { return server.requestCount(QStringLiteral("/started")) > 0; }, TimeoutMs);
        QList<double> loaded, pauses;
        for (int round = 1; round <= rounds; ++round) {
            const TRound r = handOver(*w, server.urlString(QStringLiteral("/b.html?r=%1").arg(round)));
            loaded.append(r.loaded);
            pauses.append(r.longestPause);
        }
        out << QString::asprintf("%-22s handed-over page loaded: median %8.1f ms  longest pause: median %7.1f ms\n",
                                 page.name, TBench::Median(loaded), TBench::Median(pauses));
        out.flush();
        w->close();
    }
    return 0;
}
