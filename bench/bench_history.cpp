// History page figures over a store of 100,000 addresses (2,000 sites, visits spread over
// four weeks, 40,000 of them today) and 20,000 entries in old index files:
//   - Find in history (store and index files) as the worker runs it;
//   - Find through the page: until the rows show, and the longest pause of the window's
//     event loop meanwhile;
//   - first showing of the page: made, its periods read and painted; longest pause;
//   - opening Today (40,000 pages): until its sites show; longest pause.
// Prints the median of a few rounds (BENCH_ROUNDS or the first argument); asserts nothing.

#include "benchcommon.h"

#include "favorites/historypage.h"
#include "favorites/historytree.h"
#include "platform/historyfind.h"
#include "platform/indexdat.h"
#include "platform/urlhistory.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QTimer>
#include <QTreeView>

namespace {

const int Entries = 100000;
const int Sites = 2000;
const int IndexEntries = 20000;

void fillStore(const QString &path)
{
    QList<THistoryEntry> visits;
    visits.reserve(Entries);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < Entries; ++i) {
        THistoryEntry e;
        e.url = QStringLiteral("https://site%1.example/articles/%2?ref=%3").arg(i % Sites).arg(i).arg(i % 7);
        e.title = QStringLiteral("Article %1 about topic %2").arg(i).arg(i % 500);
        // 40% today, the rest spread over the four weeks before.
        e.lastVisit = i % 5 < 2 ? now.addSecs(-(i % 3600)) : now.addSecs(-qint64(86400) * (1 + i % 27) - i % 3600);
        visits.append(e);
    }
    TUrlHistory(path).RecordAll(visits);
}

void writeIndexFiles(const QString &folder)
{
    const int files = 4;
    for (int f = 0; f < files; ++f) {
        QByteArray data;
        for (int i = 0; i < IndexEntries / files; ++i) {
            QByteArray block(2 * TIndexDat::BlockSize, '\0');
            block.replace(0, 5, QByteArray("URL \x02", 5));
            const QByteArray body = "Visited: user@http://old" + QByteArray::number(i % 300) + ".example/page"
                                    + QByteArray::number(i) + '\0' + "\x1fOld page " + QByteArray::number(i)
                                    + QByteArray(2, '\0');
            block.replace(8, body.size(), body);
            data += block.left(2 * TIndexDat::BlockSize);
        }
        const QString path = folder + QStringLiteral("/History.IE5/MSHist%1/index.dat").arg(f);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(data);
    }
}

// The longest gap between ticks of a 5 ms timer while it runs: how long the window froze.
class TStallMeter {
public:
    TStallMeter()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.elapsed();
            m_longest = qMax(m_longest, now - m_last);
            m_last = now;
        });
        m_clock.start();
        m_timer.start();
    }
    qint64 LongestMs() const { return qMax(m_longest, m_clock.elapsed() - m_last); }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

struct TFigure {
    QList<double> times;
    QList<double> stalls;
};

}

int main(int argc, char **argv)
{
    QTemporaryDir root;
    TBench::PrepareEnvironment(root);
    QApplication app(argc, argv);
    const int rounds = qMax(1, argc > 1 ? atoi(argv[1]) : qEnvironmentVariableIntValue("BENCH_ROUNDS") > 0
                                                              ? qEnvironmentVariableIntValue("BENCH_ROUNDS") : 3);
    QTextStream out(stdout);
    const QString store = root.filePath(QStringLiteral("history.db"));
    const QString folder = root.filePath(QStringLiteral("History"));
    QElapsedTimer setup;
    setup.start();
    fillStore(store);
    writeIndexFiles(folder);
    out << "store of " << TUrlHistory(store).Entries().size() << " addresses and " << IndexEntries
        << " index-file entries made in " << setup.elapsed() << " ms\n";

    TFigure worker, find, showing, today;
    int found = 0;
    int sites = 0;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer t;
        t.start();
        found = int(FindInHistory(store, folder, QStringLiteral("topic 42")).rows.size());
        worker.times.append(t.nsecsElapsed() / 1e6);

        QWidget window;
        window.resize(300, 700);
        THistorySource source;
        source.storePath = store;
        source.folder = [folder] { return folder; };
        {
            TStallMeter meter;
            t.start();
            auto *page = new THistoryPage(nullptr, source, &window);
            page->resize(window.size());
            window.show();
            TBench::WaitFor([&] { return window.isVisible(); }, 5000);
            app.processEvents();
            showing.times.append(t.nsecsElapsed() / 1e6);
            TBench::WaitFor([] { return false; }, 50);
            showing.stalls.append(double(meter.LongestMs()));
        }
        auto *page = window.findChild<THistoryPage *>();
        {
            TStallMeter meter;
            t.start();
            const QModelIndex first = page->Model()->index(0, 0);
            page->Tree()->expand(first);
            TBench::WaitFor([&] { return page->Model()->rowCount(first) > 0; }, 30000);
            app.processEvents();
            today.times.append(t.nsecsElapsed() / 1e6);
            sites = page->Model()->rowCount(first);
            today.stalls.append(double(meter.LongestMs()));
        }
        {
            TStallMeter meter;
            bool done = false;
            QObject::connect(page, &THistoryPage::FindFinished, [&] { done = true; });
            t.start();
            page->ShowFind(true);
            page->Find(QStringLiteral("topic 42"));
            TBench::WaitFor([&] { return done; }, 30000);
            app.processEvents();
            find.times.append(t.nsecsElapsed() / 1e6);
            find.stalls.append(double(meter.LongestMs()));
        }
    }
    out << "Find \"topic 42\" (" << found << " rows), worker:          " << TBench::Median(worker.times) << " ms\n";
    out << "Find through the page until rows show:     " << TBench::Median(find.times)
        << " ms, longest pause " << TBench::Median(find.stalls) << " ms\n";
    out << "First showing of the page (periods):       " << TBench::Median(showing.times)
        << " ms, longest pause " << TBench::Median(showing.stalls) << " ms\n";
    out << "Opening Today (" << sites << " sites, ~40,000 pages): " << TBench::Median(today.times)
        << " ms, longest pause " << TBench::Median(today.stalls) << " ms\n";
    return 0;
}
