// VessaGroup figures: the time from opening a 50-entry group of local pages until all 50
// tabs have loaded, for Tabvane's main window (OpenGroup, closing the other tabs first) and
// for a bare window that opens the same 50 addresses in plain QWebEngineViews on a
// QTabWidget. Both run alternately in the same process; the first round of each warms the
// engine and is not counted. Prints every round, the medians and their ratio; asserts
// nothing.
//
//   bench_groups [ROUNDS]      (default 5; offscreen unless DISPLAY or QT_QPA_PLATFORM is set)

#include "httpserver.h"

#include "app/kwoptions.h"
#include "app/main_window.h"
#include "browser/browsertab.h"
#include "groups/vessagroup.h"

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

constexpr int EntryCount = 50;
constexpr int TimeoutMs = 60000;
constexpr int SettleMs = 1500;

// Fresh addresses each round, so no round is served from the engine's cache.
QStringList roundUrls(const TTestHttpServer &server, int round)
{
    QStringList urls;
    for (int i = 0; i < EntryCount; ++i)
        urls.append(server.urlString(QStringLiteral("/g.html?r=%1&i=%2").arg(round).arg(i)));
    return urls;
}

QString writeGroup(const QStringList &urls, int round)
{
    TVessaGroup group(nullptr, QString());
    for (int i = 0; i < urls.size(); ++i)
        group.AddSite(i % 5 == 0 ? QStringLiteral("Site %1").arg(i) : QString(), urls.at(i), false);
    group.SetFileName(QDir(EnsureGroupFolder()).filePath(QStringLiteral("bench%1.vgp").arg(round)));
    return group.Save() == TSaveResult::Saved ? group.FileName() : QString();
}

// The engine ends the closed pages' renderers after they are gone; the next round starts when
// that is over, so that neither side pays for the other's teardown.
void settle()
{
    TBench::WaitFor([] { return false; }, SettleMs);
}

// Milliseconds the opening call itself took (the tabs made, their loads started) in the last round.
double g_openCallMs = 0;

double runTabvane(TfrmMain &w, const QString &groupPath, const QStringList &urls)
{
    QElapsedTimer clock;
    clock.start();
    w.VessaGroups()->OpenGroup(groupPath, true, false);
    g_openCallMs = clock.nsecsElapsed() / 1e6;
    const bool loaded = TBench::WaitFor([&] {
        const QList<TBrowserTab *> tabs = w.Tabs();
        if (tabs.size() != urls.size())
            return false;
        for (int i = 0; i < tabs.size(); ++i) {
            if (tabs.at(i)->Loading || tabs.at(i)->Location() != urls.at(i))
                return false;
        }
        return true;
    }, TimeoutMs);
    const double ms = loaded ? clock.nsecsElapsed() / 1e6 : -1;
    if (!loaded) {
        const QList<TBrowserTab *> tabs = w.Tabs();
        int waiting = 0;
        for (int i = 0; i < tabs.size(); ++i) {
            if (i >= urls.size() || tabs.at(i)->Loading || tabs.at(i)->Location() != urls.at(i)) {
                if (++waiting <= 3)
                    qWarning("tab %d of %d: loading %d at %s lamp %d", i, int(tabs.size()), tabs.at(i)->Loading,
                             qPrintable(tabs.at(i)->Location()), tabs.at(i)->ImageIndex());
            }
        }
    }
    w.CloseAll(true);
    TBench::WaitFor([&] { return w.TabCount() == 1; }, TimeoutMs);
    settle();
    return ms;
}

double runBare(QTabWidget &tabsWidget, const QStringList &urls)
{
    QList<QPointer<QWebEngineView>> views;
    int finished = 0;
    QElapsedTimer clock;
    clock.start();
    for (const QString &url : urls) {
        auto *view = new QWebEngineView;
        QObject::connect(view, &QWebEngineView::loadFinished, view, [&finished](bool) { ++finished; });
        tabsWidget.addTab(view, url);
        view->load(QUrl(url));
        views.append(view);
    }
    g_openCallMs = clock.nsecsElapsed() / 1e6;
    const double ms = TBench::WaitFor([&] { return finished >= urls.size(); }, TimeoutMs) ? clock.nsecsElapsed() / 1e6 : -1;
    for (const QPointer<QWebEngineView> &view : std::as_const(views)) {
        tabsWidget.removeTab(tabsWidget.indexOf(view));
        delete view.data();
    }
    settle();
    return ms;
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
    server.route(QStringLiteral("/g.html"),
                 "<!DOCTYPE html><html><head><title>Group page</title></head>"
                 "<body><h1>Group page</h1><p>One of fifty.</p></body></html>");

    TKWOptions options;
    options.SetAskDefaultBrowser(false);
    options.SetConfirmShutdown(false);
    options.SetConfirmCloseAll(false);
    options.SetOpenNewInForeground(false);
    options.SetWidth(1000);
    options.SetHeight(700);
    TfrmMain window;
    window.SetCloseWithoutConfirmation(true);
    window.show();

    QTabWidget bare;
    bare.resize(1000, 700);
    bare.show();

    QList<double> tvOpen, bareOpen;
    out << "open a " << EntryCount << "-entry group until every tab has loaded; " << rounds
        << " rounds after one warm-up round ("
        << qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("xcb")) << ")\n";
    for (int round = 0; round <= rounds; ++round) {
        const QStringList urls = roundUrls(server, round);
        const QString group = writeGroup(urls, round);
        if (group.isEmpty()) {
            out << "the group file could not be written\n";
            return 1;
        }
        for (int k = 0; k < 2; ++k) {
            const bool tabvane = (round + k) % 2 == 0;
            // The bare window gets its own addresses, so neither side finds the other's
            // pages in a cache.
            const QStringList bareUrls = roundUrls(server, 1000 + round);
            const double ms = tabvane ? runTabvane(window, group, urls) : runBare(bare, bareUrls);
            if (round > 0 && ms >= 0)
                (tabvane ? tvOpen : bareOpen).append(ms);
            out << QString::asprintf("round %2d%s  %-8s %8.1f ms   (the opening call: %6.1f ms)\n", round,
                                     round == 0 ? " (warm-up)" : "", tabvane ? "tabvane" : "bare", ms, g_openCallMs);
            out.flush();
        }
    }
    const double tv = TBench::Median(tvOpen);
    const double plain = TBench::Median(bareOpen);
    out << QString::asprintf("median until all %d loaded   tabvane %8.1f ms   bare %8.1f ms   ratio %.3f\n",
                             EntryCount, tv, plain, plain > 0 ? tv / plain : 0.0);
    window.close();
    return 0;
}
