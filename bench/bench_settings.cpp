// Settings store figures against a fresh temporary hive: scalar reads and writes through
// TKWOptions, 100-line list rewrites, and the main window's settings read at creation and
// written back at shutdown, each both value by value and in one pass. Prints the time per
// operation; asserts nothing.

#include "app/kwoptions.h"
#include "app/windowsettings.h"
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

    // The window's settings: read value by value (a hive access each) or from one read of
    // the whole key; written back value by value or in one transaction.
    const Figures windowReadEach = measure(100, [&](int) { (void)TWindowSettings::Read(TKWOptions()); });
    const Figures windowReadOnce = measure(100, [&](int) { (void)TWindowSettings::Read(TKWOptions::Snapshot()); });
    const TWindowSettings asRead = TWindowSettings::Read(TKWOptions::Snapshot());
    TWindowSettings changed = asRead;
    changed.lastOpenSites = lines.mid(0, 5);
    const Figures windowWriteEach = measure(10, [&](int i) {
        // The values the window writes back at shutdown, one transaction each.
        TKWOptions o;
        o.SetLastOpenSites(changed.lastOpenSites);
        o.SetDisableALTShortcuts(false);
        o.SetOpenNewInForeground(i % 2);
        o.SetAddressNewWin(false);
        o.SetAutoCompleteStyle(TAutoCompleteStyle::IE5);
        o.SetShowGo(false);
        o.SetCBAutoExpand(true);
        o.SetTop(10);
        o.SetHeight(500);
        o.SetLeft(10 + i);
        o.SetWidth(700);
        o.SetMaximized(false);
        o.SetOpenNewAtEnd(false);
        o.SetVessaBarWidth(234);
        o.SetLimitTitleLength(35);
        o.SetSearchBar(changed.searchBar);
        o.SetFullScreen(false);
        o.SetUsePopupVessa(true);
        o.SetViewVessaBar(false);
        o.SetViewToolbar(true);
        o.SetViewAddressBar(true);
        o.SetViewLinksBar(true);
        o.SetViewStatusBar(true);
        o.SetVGCloseFirst(false);
    });
    const Figures windowWriteOnce = measure(10, [&](int i) {
        changed.openNewInForeground = i % 2;
        changed.bounds = QRect(10 + i, 10, 700, 500);
        (void)changed.Write(asRead);
    });

    report(out, "scalar read", 10000, readFigures);
    report(out, "scalar write", 1000, writeFigures);
    report(out, "100-line list rewrite", 1, listFigures);
    report(out, "100-line list read", 100, listReadFigures);
    report(out, "window read, each value", 100, windowReadEach);
    report(out, "window read, one pass", 100, windowReadOnce);
    report(out, "window write, each value", 10, windowWriteEach);
    report(out, "window write, one txn", 10, windowWriteOnce);
    out << "reads under 0.2 ms each: "
        << (readFigures.p95 < 200.0 ? "yes" : "no")
        << QString::asprintf(" (median %.1f us, p95 %.1f us)\n", readFigures.median, readFigures.p95);
    return 0;
}
