// Favorites menu figures: the first drop-down of a Favorites folder of 5,000 shortcuts at
// the top level, and of a 20,000-shortcut tree (100 folders of 200; the submenus are read
// when opened, so the drop-down reads the top level only), then the first opening of one
// submenu; and importing a 10,000-entry bookmark file into the folder (files written).
// Everything is written into a temporary folder. Prints medians; asserts nothing.

#include "recordinghost.h"

#include "browser/tabmanager.h"
#include "favorites/bookmarkfile.h"
#include "favorites/favfolder.h"
#include "favorites/favoritesmenu.h"
#include "favorites/launchlink.h"
#include "favorites/urlshortcut.h"
#include "navigation/commandtable.h"
#include "platform/shellfolders.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

namespace {
double medianMs(int rounds, const std::function<void()> &prepare, const std::function<void()> &run)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        prepare();
        QElapsedTimer t;
        t.start();
        run();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void fillFolder(const QString &folder, int count)
{
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i)
        CreateUrlShortcut(folder + QStringLiteral("/Site %1.url").arg(i), QStringLiteral("https://site%1.example/").arg(i));
}
}

int main(int argc, char **argv)
{
    QTemporaryDir box;
    qputenv("TABVANE_DATA_DIR", box.filePath("data").toUtf8());
    qputenv("TABVANE_REGISTRY", box.filePath("registry.db").toUtf8());
    qputenv("XDG_DATA_HOME", box.filePath("xdg-data").toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = qMax(1, argc > 1 ? atoi(argv[1]) : 3);
    QTextStream out(stdout);

    TRecordingHost host;
    QWidget window;
    TTabManager tabs(host.Parts(), &window);
    TCommandTable commands(&window);
    TLinkLauncher launcher(&tabs);
    for (const char *name : {"mnuFavoritesAdd", "mnuFavoritesOrganize", "mnuFavoritesOpenAll"}) {
        TCommandRow row;
        row.name = QString::fromLatin1(name);
        row.caption = row.name;
        commands.RegisterPending(row);
    }
    QMenu menu(&window);
    for (const char *name : {"mnuFavoritesAdd", "mnuFavoritesOrganize", "mnuFavoritesOpenAll"})
        commands.Place(&menu, QString::fromLatin1(name));
    TFavoritesMenu favorites(&launcher, &tabs, &commands, nullptr, [] { return nullptr; });
    favorites.AttachMenu(&menu);
    const QString fav = TShellFolders::Favorites();

    fillFolder(fav, 5000);
    const double flat = medianMs(rounds, [&] { favorites.MarkStale(); }, [&] { favorites.mnuFavoritesClick(); });
    out << "5,000 shortcuts at the top level: first drop-down " << flat << " ms (" << menu.actions().size() << " items)\n";

    QDir(fav).removeRecursively();
    for (int f = 0; f < 100; ++f)
        fillFolder(fav + QStringLiteral("/Folder %1").arg(f), 200);
    const double tree = medianMs(rounds, [&] { favorites.MarkStale(); }, [&] { favorites.mnuFavoritesClick(); });
    QMenu *sub = nullptr;
    const double open = medianMs(rounds, [&] {
        favorites.MarkStale();
        favorites.mnuFavoritesClick();
        sub = menu.actions().value(TFavoritesMenu::FixedItems)->menu();
    }, [&] { favorites.LoadMe(sub); });
    out << "20,000 shortcuts in 100 folders: first drop-down " << tree << " ms, first opening of a folder of 200 "
        << open << " ms\n";

    QByteArray html = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
    for (int i = 0; i < 10000; ++i) {
        if (i % 100 == 0)
            html += (i ? "</DL><p>\n" : "") + QByteArray("<DT><H3>Imported ") + QByteArray::number(i / 100) + "</H3>\n<DL><p>\n";
        html += "<DT><A HREF=\"https://import" + QByteArray::number(i) + ".example/\">Entry " + QByteArray::number(i % 50) + "</A>\n";
    }
    html += "</DL><p>\n</DL><p>\n";
    const TBookmarkReadResult read = TBookmarkFile::Parse(html);
    int made = 0;
    const double import = medianMs(qMin(rounds, 3), [&] { QDir(box.filePath("import")).removeRecursively(); QDir().mkpath(box.filePath("import")); },
                                   [&] { made = TFavoritesFolder::Import(read.root, box.filePath("import")).shortcuts; });
    out << "import of 10,000 entries into the folder: " << import << " ms (" << made << " shortcuts written)\n";
    return 0;
}
