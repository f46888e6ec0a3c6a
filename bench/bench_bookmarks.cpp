// Bookmark file figures: reading a 10,000-entry file shaped like a Chrome export (with
// ICON pictures, in 100 folders) and planning its import; reading a file of about 50 MB;
// reading a file nested 10,000 folders deep; writing 10,000 entries. Prints the median
// time of each over a few rounds (BENCH_ROUNDS or the first argument); asserts nothing.

#include "favorites/bookmarkfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

QByteArray chromeShaped(int entries, int perFolder, int iconBytes)
{
    const QByteArray icon = "data:image/png;base64," + QByteArray(iconBytes, 'A');
    QByteArray out = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<META HTTP-EQUIV=\"Content-Type\" "
                     "CONTENT=\"text/html; charset=UTF-8\">\n<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n<DL><p>\n";
    for (int i = 0; i < entries; ++i) {
        if (i % perFolder == 0) {
            if (i > 0)
                out += "    </DL><p>\n";
            out += "    <DT><H3 ADD_DATE=\"1600000000\">Folder " + QByteArray::number(i / perFolder) + "</H3>\n    <DL><p>\n";
        }
        out += "        <DT><A HREF=\"https://site" + QByteArray::number(i) + ".example/page?a=1&amp;b=2\" ADD_DATE=\"1600000001\" ICON=\""
               + icon + "\">Entry &amp; title " + QByteArray::number(i % 500) + "</A>\n";
    }
    out += "    </DL><p>\n</DL><p>\n";
    return out;
}

double medianMs(int rounds, const std::function<void()> &run)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        run();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = qMax(1, argc > 1 ? atoi(argv[1]) : qEnvironmentVariableIntValue("BENCH_ROUNDS") > 0
                                                              ? qEnvironmentVariableIntValue("BENCH_ROUNDS") : 3);
    QTextStream out(stdout);

    const QByteArray tenThousand = chromeShaped(10000, 100, 300);
    TBookmarkReadResult read;
    const double parse = medianMs(rounds, [&] { read = TBookmarkFile::Parse(tenThousand); });
    TImportPlan plan;
    const double planning = medianMs(rounds, [&] { plan = PlanImport(read.root); });
    out << "10,000 entries (" << tenThousand.size() / 1024 << " kB): read " << parse << " ms, plan "
        << planning << " ms (" << plan.folders << " folders, " << plan.shortcuts << " shortcuts)\n";

    QByteArray written;
    const double write = medianMs(rounds, [&] { written = TBookmarkFile::Write(read.root); });
    out << "10,000 entries written: " << write << " ms (" << written.size() / 1024 << " kB)\n";

    const QByteArray large = chromeShaped(20000, 500, 2500);
    const double parseLarge = medianMs(rounds, [&] { read = TBookmarkFile::Parse(large); });
    out << "large file (" << large.size() / (1024 * 1024) << " MB, " << read.links << " entries): read "
        << parseLarge << " ms\n";

    QByteArray deep = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
    for (int i = 0; i < 10000; ++i)
        deep += "<DT><H3>level " + QByteArray::number(i) + "</H3>\n<DL><p>\n";
    deep += "<DT><A HREF=\"http://deep.example/\">Deep</A>\n";
    const double parseDeep = medianMs(rounds, [&] { read = TBookmarkFile::Parse(deep); });
    out << "10,000 folders deep: read " << parseDeep << " ms (" << read.folders << " folders kept)\n";
    return 0;
}
