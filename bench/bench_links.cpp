// Figures of the links bar: building it from 1,000 shortcuts in 50 folders (until the bar
// is shown, and filling every folder menu), the time from a shortcut created in the
// folder to the rebuilt bar, a burst of 500 shortcuts (how many rebuilds, how long until
// the last), and the longest pause of the event loop meanwhile. For comparison, the time
// until QFileSystemWatcher reports the same single change on the same 51 folders. Prints
// the figures; asserts nothing.
//
//   bench_links [ROUNDS]     (default 5; offscreen unless DISPLAY or QT_QPA_PLATFORM is set)

#include "app/windowsettings.h"
#include "favorites/launchlink.h"
#include "favorites/linksbar.h"
#include "navigation/commandtable.h"
#include "platform/shellfolders.h"

#include "benchcommon.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileSystemWatcher>
#include <QMenu>
#include <QTextStream>
#include <QToolButton>

#include <algorithm>
#include <memory>

namespace {

constexpr int TimeoutMs = 60000;

void writeShortcut(const QString &path, const QString &url)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write("[InternetShortcut]\r\nURL=" + url.toUtf8() + "\r\n");
}

// 10 folders on the bar, each with 4 subfolders: 50 folders of 20 shortcuts each.
void makeTree(const QString &links)
{
    QDir(links).removeRecursively();
    int n = 0;
    for (int top = 0; top < 10; ++top) {
        const QString topDir = links + QStringLiteral("/Folder %1").arg(top);
        QStringList dirs{topDir};
        for (int sub = 0; sub < 4; ++sub)
            dirs.append(topDir + QStringLiteral("/Sub %1").arg(sub));
        for (const QString &dir : dirs) {
            QDir().mkpath(dir);
            for (int i = 0; i < 20; ++i, ++n)
                writeShortcut(dir + QStringLiteral("/Site number %1.url").arg(n),
                              QStringLiteral("http://127.0.0.1:1/page%1.html").arg(n));
        }
    }
}

// Runs the event loop until done(), recording the longest time it did not come back.
struct TLoop {
    double longestPauseMs = 0;
    bool run(const std::function<bool()> &done)
    {
        QElapsedTimer total, step;
        total.start();
        while (!done()) {
            if (total.elapsed() > TimeoutMs)
                return false;
            step.start();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            longestPauseMs = std::max(longestPauseMs, step.nsecsElapsed() / 1e6);
        }
        return true;
    }
};

double ms(const QElapsedTimer &t) { return t.nsecsElapsed() / 1e6; }

}

int main(int argc, char **argv)
{
    QTemporaryDir root;
    if (!TBench::PrepareEnvironment(root))
        return 1;
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    QTextStream out(stdout);

    const QString links = TShellFolders::LinksFolder();
    makeTree(links);

    QWidget window;
    window.resize(1000, 100);
    auto *panel = new QWidget(&window);
    panel->setLayout(new QHBoxLayout);
    panel->layout()->setContentsMargins(0, 0, 0, 0);
    panel->setGeometry(0, 0, 1000, 24);
    window.show();
    TCommandTable commands(&window);
    TLinkLauncher launcher(nullptr);

    QList<double> build, fill, change, burst, burstRebuilds, watcher, pauses;
    for (int round = 0; round < rounds; ++round) {
        makeTree(links);
        // Build: from creation to the bar shown.
        TLoop loop;
        QElapsedTimer t;
        t.start();
        auto bar = std::make_unique<TLinksBar>(panel, &launcher, &commands);
        int rebuilt = 0;
        QObject::connect(bar.get(), &TLinksBar::Rebuilt, [&rebuilt] { ++rebuilt; });
        if (!loop.run([&] { return rebuilt > 0; }))
            return 2;
        build.append(ms(t));
        // Every folder menu filled, as a user opening them all would.
        t.start();
        QList<QMenu *> pending{bar->LinksMenu()};
        while (!pending.isEmpty()) {
            QMenu *menu = pending.takeFirst();
            bar->FillMenu(menu);
            for (QAction *a : menu->actions()) {
                if (a->menu())
                    pending.append(a->menu());
            }
        }
        fill.append(ms(t));

        // One shortcut created two levels down: until the bar is rebuilt.
        const int before = rebuilt;
        t.start();
        writeShortcut(links + QStringLiteral("/Folder 3/Sub 2/new %1.url").arg(round), QStringLiteral("http://127.0.0.1:1/new"));
        if (!loop.run([&] { return rebuilt > before; }))
            return 3;
        change.append(ms(t));

        // A user unpacking 500 shortcuts into a new folder.
        const int beforeBurst = rebuilt;
        t.start();
        const QString unpacked = links + QStringLiteral("/Unpacked %1").arg(round);
        QDir().mkpath(unpacked);
        for (int i = 0; i < 500; ++i)
            writeShortcut(unpacked + QStringLiteral("/u%1.url").arg(i), QStringLiteral("http://127.0.0.1:1/u"));
        const double written = ms(t);
        // Done when the bar shows the folder and no rebuild followed for a second.
        QElapsedTimer quiet;
        quiet.start();
        int seen = rebuilt;
        double last = 0;
        if (!loop.run([&] {
                if (rebuilt != seen) {
                    seen = rebuilt;
                    last = ms(t);
                    quiet.restart();
                }
                return rebuilt > beforeBurst && quiet.elapsed() > 1000;
            }))
            return 4;
        burst.append(last - written);
        burstRebuilds.append(rebuilt - beforeBurst);
        pauses.append(loop.longestPauseMs);
        bar.reset();

        // QFileSystemWatcher on the same folders, the same single change.
        QFileSystemWatcher fsw;
        QStringList dirs{links};
        QDirIterator it(links, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext())
            dirs.append(it.next());
        fsw.addPaths(dirs);
        bool reported = false;
        QObject::connect(&fsw, &QFileSystemWatcher::directoryChanged, [&reported] { reported = true; });
        t.start();
        writeShortcut(links + QStringLiteral("/Folder 3/Sub 2/fsw %1.url").arg(round), QStringLiteral("http://127.0.0.1:1/fsw"));
        TLoop fswLoop;
        if (!fswLoop.run([&] { return reported; }))
            return 5;
        watcher.append(ms(t));
    }

    out << "links bar, 1000 shortcuts in 50 folders, " << rounds << " rounds (median ms)\n";
    out << "  build until shown:                 " << TBench::Median(build) << "\n";
    out << "  fill every folder menu:            " << TBench::Median(fill) << "\n";
    out << "  file created -> bar rebuilt:       " << TBench::Median(change) << "\n";
    out << "  burst of 500: last rebuild after:  " << TBench::Median(burst) << " (rebuilds: "
        << TBench::Median(burstRebuilds) << ")\n";
    out << "  QFileSystemWatcher, same change reported after: " << TBench::Median(watcher) << "\n";
    // The first round also pays for the desktop's icon theme and type database, once
    // per program run.
    out << "  longest event-loop pause, first round: " << pauses.first() << ", later rounds (max): "
        << (pauses.size() > 1 ? *std::max_element(pauses.cbegin() + 1, pauses.cend()) : pauses.first()) << "\n";
    return 0;
}
