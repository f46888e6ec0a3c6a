// Tab figures: the time to open 20 tabs on a local page until all 20 have loaded, and the
// time to close them all again, for Tabvane's main window and for a bare window (a plain
// QTabWidget of QWebEngineViews), alternately in the same process. The first round of
// each warms the engine and is not counted. Prints every round, the medians and their
// ratios; asserts nothing.
//
//   bench_tabs [ROUNDS]        (default 5; offscreen unless DISPLAY or QT_QPA_PLATFORM is set)

#include "httpserver.h"

#include "app/kwoptions.h"
#include "app/main_window.h"
#include "browser/browsertab.h"

#include "benchcommon.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPointer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWebEngineView>

#include <algorithm>
#include <functional>
#include <unistd.h>

namespace {

constexpr int TabCount = 20;
constexpr int TimeoutMs = 120000;

struct TPhases {
    double open = -1;
    double close = -1;
};

QString pageUrl(TTestHttpServer &server, int round, int i)
{
    return server.urlString(QStringLiteral("/tab.html?r=%1&i=%2").arg(round).arg(i));
}

TPhases runTabvane(TfrmMain &w, TTestHttpServer &server, int round)
{
    TPhases p;
    QList<QPointer<TBrowserTab>> tabs;
    QStringList urls;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < TabCount; ++i) {
        TBrowserTab *tab = w.CreateForegroundTab();
        urls.append(pageUrl(server, round, i));
        tab->NavigateTo(urls.last());
        tabs.append(tab);
    }
    const bool opened = TBench::WaitFor([&] {
        for (int i = 0; i < TabCount; ++i) {
            if (!tabs.at(i) || tabs.at(i)->Loading || tabs.at(i)->Location() != urls.at(i))
                return false;
        }
        return true;
    }, TimeoutMs);
    if (opened)
        p.open = clock.nsecsElapsed() / 1e6;
    clock.restart();
    w.CloseAll(true);
    const bool closed = TBench::WaitFor([&] {
        return std::all_of(tabs.begin(), tabs.end(), [](const QPointer<TBrowserTab> &t) { return t.isNull(); });
    }, TimeoutMs);
    if (closed && opened)
        p.close = clock.nsecsElapsed() / 1e6;
    return p;
}

TPhases runBare(QTabWidget &tabsWidget, TTestHttpServer &server, int round)
{
    TPhases p;
    QList<QPointer<QWebEngineView>> views;
    int finished = 0;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < TabCount; ++i) {
        auto *view = new QWebEngineView;
        QObject::connect(view, &QWebEngineView::loadFinished, view, [&finished](bool) { ++finished; });
        tabsWidget.setCurrentIndex(tabsWidget.addTab(view, QStringLiteral("Tab %1").arg(i)));
        view->load(QUrl(pageUrl(server, round, i)));
        views.append(view);
    }
    if (TBench::WaitFor([&] { return finished >= TabCount; }, TimeoutMs))
        p.open = clock.nsecsElapsed() / 1e6;
    clock.restart();
    for (const QPointer<QWebEngineView> &view : std::as_const(views)) {
        tabsWidget.removeTab(tabsWidget.indexOf(view));
        view->deleteLater();
    }
    const bool closed = TBench::WaitFor([&] {
        return std::all_of(views.begin(), views.end(), [](const QPointer<QWebEngineView> &v) { return v.isNull(); });
    }, TimeoutMs);
    if (closed && p.open >= 0)
        p.close = clock.nsecsElapsed() / 1e6;
    return p;
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
    const int rounds = qMax(1, argc > 1 ? QByteArray(argv[1]).toInt() : 5);
    QTextStream out(stdout);

    TTestHttpServer server;
    server.route(QStringLiteral("/tab.html"),
                 "<!DOCTYPE html><html><head><title>Tab</title></head><body><p>A tab</p></body></html>");

    TKWOptions options;
    options.SetAskDefaultBrowser(false);
    options.SetConfirmShutdown(false);
    options.SetOpenNewAtEnd(true);
    options.SetWidth(1000);
    options.SetHeight(700);
    TfrmMain window;
    window.SetCloseWithoutConfirmation(true);
    window.show();

    QTabWidget bare;
    bare.resize(1000, 700);
    bare.addTab(new QWebEngineView, QStringLiteral("First"));
    bare.show();

    QList<double> tvOpen, tvClose, bareOpen, bareClose;
    out << "open " << TabCount << " tabs until loaded, then close them all; " << rounds
        << " rounds after one warm-up round (" << qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("xcb")) << ")\n";
    for (int round = 0; round <= rounds; ++round) {
        for (int k = 0; k < 2; ++k) {
            const bool tabvane = (round + k) % 2 == 0;
            const TPhases p = tabvane ? runTabvane(window, server, round) : runBare(bare, server, round);
            if (round == 0)
                continue;
            if (p.open >= 0 && p.close >= 0) {
                (tabvane ? tvOpen : bareOpen).append(p.open);
                (tabvane ? tvClose : bareClose).append(p.close);
            }
            out << QString::asprintf("round %2d  %-8s open %8.1f ms  close %8.1f ms\n", round,
                                     tabvane ? "tabvane" : "bare", p.open, p.close);
            out.flush();
        }
    }
    const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    out << QString::asprintf("median open   tabvane %8.1f ms   bare %8.1f ms   ratio %.3f\n",
                             TBench::Median(tvOpen), TBench::Median(bareOpen), ratio(TBench::Median(tvOpen), TBench::Median(bareOpen)));
    out << QString::asprintf("median close  tabvane %8.1f ms   bare %8.1f ms   ratio %.3f\n",
                             TBench::Median(tvClose), TBench::Median(bareClose), ratio(TBench::Median(tvClose), TBench::Median(bareClose)));
    const double tvTotal = TBench::Median(tvOpen) + TBench::Median(tvClose);
    const double bareTotal = TBench::Median(bareOpen) + TBench::Median(bareClose);
    out << QString::asprintf("median total  tabvane %8.1f ms   bare %8.1f ms   ratio %.3f\n", tvTotal, bareTotal,
                             ratio(tvTotal, bareTotal));
    window.close();
    return 0;
}
