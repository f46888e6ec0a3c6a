// Find in favorites figures over a Favorites tree of 20,000 shortcuts (100 folders of 200,
// ten of them one level deeper): the search itself (first run and later runs, with a match
// in every shortcut, in a few and in none), and the search as the Favorites page runs it,
// on a worker thread, measuring the longest pause of the interface thread's event loop
// meanwhile (a 10 ms timer that would be late when the thread were busy). Everything is
// written into a temporary folder. Prints figures; asserts nothing.

#include "benchcommon.h"

#include "favorites/favfind.h"
#include "favorites/urlshortcut.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <ctime>

namespace {
void buildTree(const QString &root)
{
    for (int folder = 0; folder < 100; ++folder) {
        const QString path = folder % 10 == 0 ? root + QStringLiteral("/Group %1/Folder %2").arg(folder / 10).arg(folder)
                                              : root + QStringLiteral("/Folder %1").arg(folder);
        QDir().mkpath(path);
        for (int i = 0; i < 200; ++i) {
            const int n = folder * 200 + i;
            CreateUrlShortcut(path + QStringLiteral("/Site %1.url").arg(n),
                              QStringLiteral("https://site%1.example/page%2").arg(n).arg(n % 37));
        }
    }
}

// Wall time, and the processor time the search used (*cpuMs): on a busy machine the wall
// time includes waiting for a processor, the processor time does not.
double searchMs(const QString &root, const QString &text, int *found, double *cpuMs = nullptr)
{
    QElapsedTimer t;
    const std::clock_t c = std::clock();
    t.start();
    *found = int(FindFavorites(root, text).size());
    if (cpuMs)
        *cpuMs = double(std::clock() - c) * 1000.0 / CLOCKS_PER_SEC;
    return t.nsecsElapsed() / 1e6;
}
}

int main(int argc, char **argv)
{
    QTemporaryDir box;
    TBench::PrepareEnvironment(box);
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QString root = box.filePath(QStringLiteral("Favorites"));

    QElapsedTimer build;
    build.start();
    buildTree(root);
    out << "tree of 20000 shortcuts written in " << build.elapsed() << " ms\n";

    int found = 0;
    const double first = searchMs(root, QStringLiteral("example"), &found);
    out << "first search (every shortcut matches, " << found << " found): " << first << " ms\n";
    for (const QString &text : {QStringLiteral("example"), QStringLiteral("page36"), QStringLiteral("site1999"),
                                QStringLiteral("no such text")}) {
        QList<double> times, cpu;
        for (int round = 0; round < 5; ++round) {
            double c = 0;
            times.append(searchMs(root, text, &found, &c));
            cpu.append(c);
        }
        out << "search \"" << text << "\" (" << found << " found): median " << TBench::Median(times)
            << " ms wall, " << TBench::Median(cpu) << " ms processor\n";
    }

    // On the worker thread, as the page runs it: the event loop's longest pause meanwhile.
    TFavoritesFinder finder;
    QElapsedTimer sinceTick;
    qint64 longestPause = 0;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestPause = qMax(longestPause, sinceTick.elapsed());
        sinceTick.restart();
    });
    bool done = false;
    int results = 0;
    QObject::connect(&finder, &TFavoritesFinder::Finished, [&](const QList<TFavoriteMatch> &matches) {
        results = int(matches.size());
        done = true;
    });
    QElapsedTimer total;
    total.start();
    sinceTick.start();
    tick.start();
    finder.Start(root, QStringLiteral("page36"));
    TBench::WaitFor([&] { return done; }, 60000);
    out << "search on the worker thread: " << total.elapsed() << " ms to " << results
        << " results; longest event-loop pause " << longestPause << " ms (timer interval 10 ms)\n";
    return 0;
}
