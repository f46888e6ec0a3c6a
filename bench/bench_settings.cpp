// Settings store figures against a fresh temporary hive: scalar reads and writes through
// TKWOptions and 100-line list rewrites. Prints the time per operation; asserts nothing.

#include "app/kwoptions.h"
#include "platform/registry.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

struct Figures {
    double median = 0, p95 = 0, max = 0, total = 0;   // microseconds
};

Figures measure(int count, const std::function<void(int)> &operation)
{
    std::vector<double> times;
    times.reserve(count);
    QElapsedTimer total;
    total.start();
    for (int i = 0; i < count; ++i) {
        QElapsedTimer t;
        t.start();
        operation(i);
        times.push_back(t.nsecsElapsed() / 1000.0);
    }
    Figures f;
    f.total = total.nsecsElapsed() / 1000.0;
    std::sort(times.begin(), times.end());
    f.median = times[times.size() / 2];
    f.p95 = times[std::min(times.size() - 1, size_t(times.size() * 0.95))];
    f.max = times.back();
    return f;
}

void report(QTextStream &out, const char *what, int count, const Figures &f)
{
    out << QString::asprintf("%-24s %6d ops  median %8.1f us  p95 %8.1f us  max %9.1f us"
                             "  total %8.1f ms\n",
                             what, count, f.median, f.p95, f.max, f.total / 1000.0);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        out << "cannot create a temporary folder\n";
        return 1;
    }
    qputenv("TABVANE_REGISTRY", dir.filePath(QStringLiteral("registry.db")).toLocal8Bit());
    out << "hive: " << TRegistry::hivePath() << '\n';

    TKWOptions options;
    // Some values stored, some not: reads of both kinds, as at a real start.
    options.SetLeft(100);
    options.SetTabColorScheme(QStringLiteral("std"));
    options.SetViewToolbar(false);
    options.SetCtrlPost(QStringLiteral(".com"));

    const std::function<void(int)> reads[] = {
        [&](int) { (void)options.Left(); },
        [&](int) { (void)options.TabColorScheme(); },
        [&](int) { (void)options.ViewToolbar(); },
        [&](int) { (void)options.CtrlPost(); },
        [&](int) { (void)options.LimitTitleLength(); },   // missing: default
        [&](int) { (void)options.AutoCompleteStyle(); },  // missing: default
    };
    const Figures readFigures = measure(10000, [&](int i) { reads[i % 6](i); });
    const Figures writeFigures = measure(1000, [&](int i) {
        if (i % 2)
            options.SetLeft(i);
        else
            options.SetStartupPage(QStringLiteral("http://example.test/%1").arg(i));
    });

    QStringList lines;
    for (int i = 1; i <= 100; ++i)
        lines << QStringLiteral("url%1=http://site%1.example.test/page").arg(i);
    const Figures listFigures = measure(1, [&](int) { options.SetLastOpenSites(lines); });
    const Figures listReadFigures = measure(100, [&](int) { (void)options.LastOpenSites(); });

    report(out, "scalar read", 10000, readFigures);
    report(out, "scalar write", 1000, writeFigures);
    report(out, "100-line list rewrite", 1, listFigures);
    report(out, "100-line list read", 100, listReadFigures);
    out << "reads under 0.2 ms each: "
        << (readFigures.p95 < 200.0 ? "yes" : "no")
        << QString::asprintf(" (median %.1f us, p95 %.1f us)\n", readFigures.median, readFigures.p95);
    return 0;
}
