#include "options/toolbarcatalogue.h"

#include "platform/inifile.h"
#include "platform/paths.h"

#include <QFile>

#include <algorithm>
#include <iterator>

namespace {
const QString Section = QStringLiteral("Toolbar");

const TToolButtonDef Catalogue[] = {
    {0, "tbNew", "New", TToolStyle::DropDown, "New|Opens a new browser tab"},
    {1, "tbOpen", "Open", TToolStyle::Button, "Open|Shows the open dialog"},
    {2, "tbBack", "Back", TToolStyle::Button, "Back|Goes back"},
    {3, "tbForward", "Forward", TToolStyle::Button, "Forward|Goes forward"},
    {4, "tbStop", "Stop", TToolStyle::Button, "Stop|Stops loading the current browser tab"},
    {5, "tbRefresh", "Refresh", TToolStyle::Button, "Refresh|Reloads the current browser tab"},
    {6, "tbHome", "Home", TToolStyle::Button, "Home|Goes home"},
    {7, "tbSearch", "Search", TToolStyle::DropDown, "Search|Goes to your search page"},
    {8, "tbAddFavorite", "Add Favorite", TToolStyle::Button, "Add Favorite|Adds this site to your Favorites"},
    {9, "tbFavorites", "Favorites", TToolStyle::Button, "Favorites|Displays your Favorites"},
    {10, "tbVessaBar", "Show VessaBar", TToolStyle::Check, "Show VessaBar|Shows or hides the VessaBar"},
    {11, "tbMail", "Mail", TToolStyle::DropDown, "Read Mail|Reads your e-mail"},
    {12, "tbFontSize", "Font", TToolStyle::DropDown, "Font Size|Changes font size"},
    {13, "tbPrint", "Print", TToolStyle::Button, "Print|Prints the current document"},
    {14, "tbViewSource", "View Source", TToolStyle::DropDown, "View Source|Views the source of the current document"},
    {15, "tbLoadImages", "Load Images", TToolStyle::Check, "Load Images|Toggles loading images"},
    {16, "tbFullScreen", "Full Screen", TToolStyle::Check, "Fullscreen|Toggles fullscreen mode"},
    {17, "tbFind", "Find", TToolStyle::Button, "Find|Finds on this page"},
    {18, "tbSaveAs", "Save As", TToolStyle::Button, "Save As|Saves the current site"},
    {19, "tbStopAll", "Stop All", TToolStyle::Button, "Stop All|Stops all browser tabs"},
    {20, "tbRefreshAll", "Refresh All", TToolStyle::Button, "Refresh All|Reloads all browser tabs"},
};

// The program's own picture for each button id: 24 x 24 SVG bodies, flat colours with a
// dark outline, so the toolbar looks the same on every desktop.
const char *const IconBodies[] = {
    /*  0 */ R"svg(<path d="M5 2.5h9l4.5 4.5v14.5h-13.5z" fill="#fff" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M14 2.5v4.5h4.5" fill="#e3e8ef" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><circle cx="17" cy="17" r="5" fill="#3a9a3a" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M17 14.2v5.6M14.2 17h5.6" stroke="#fff" stroke-width="1.8" stroke-linecap="round"/>)svg",
    /*  1 */ R"svg(<path d="M2.5 6.5v13h17l2-9h-15l-2 9" fill="#f2c230" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M2.5 19.5v-13.5h6l2 2h7v2.5" fill="#e0a81c" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/>)svg",
    /*  2 */ R"svg(<circle cx="12" cy="12" r="9.5" fill="#3a9a3a" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M17 12h-9M11.5 7.5l-4.5 4.5 4.5 4.5" fill="none" stroke="#fff" stroke-width="2.4" stroke-linecap="round" stroke-linejoin="round"/>)svg",
    /*  3 */ R"svg(<circle cx="12" cy="12" r="9.5" fill="#3a9a3a" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M7 12h9M12.5 7.5l4.5 4.5-4.5 4.5" fill="none" stroke="#fff" stroke-width="2.4" stroke-linecap="round" stroke-linejoin="round"/>)svg",
    /*  4 */ R"svg(<path d="M8 2.5h8l5.5 5.5v8l-5.5 5.5h-8l-5.5-5.5v-8z" fill="#d23a2e" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M8.5 8.5l7 7M15.5 8.5l-7 7" stroke="#fff" stroke-width="2.4" stroke-linecap="round"/>)svg",
    /*  5 */ R"svg(<path d="M19 12a7 7 0 1 1-2.05-4.95" fill="none" stroke="#2b3440" stroke-width="4.2" stroke-linecap="round"/><path d="M19 12a7 7 0 1 1-2.05-4.95" fill="none" stroke="#2f6fc0" stroke-width="2.2" stroke-linecap="round"/><path d="M20.5 2.8v6.4h-6.4z" fill="#2f6fc0" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/>)svg",
    /*  6 */ R"svg(<path d="M5 11v10h14v-10" fill="#fff" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M2 12.5l10-9.5 10 9.5" fill="none" stroke="#2b3440" stroke-width="3.6" stroke-linecap="round" stroke-linejoin="round"/><path d="M2 12.5l10-9.5 10 9.5" fill="none" stroke="#d9641e" stroke-width="1.8" stroke-linecap="round" stroke-linejoin="round"/><path d="M10 21v-6h4v6" fill="#8a5a2b" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/>)svg",
    /*  7 */ R"svg(<path d="M14.5 14.5l6.5 6.5" stroke="#2b3440" stroke-width="4" stroke-linecap="round"/><path d="M14.5 14.5l6.5 6.5" stroke="#8a5a2b" stroke-width="2" stroke-linecap="round"/><circle cx="9.5" cy="9.5" r="7" fill="#cfe3f7" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M6 8a4 4 0 0 1 3.5-2.5" fill="none" stroke="#fff" stroke-width="1.6" stroke-linecap="round"/>)svg",
    /*  8 */ R"svg(<path d="M10.5 1.8l2.6 5.4 5.9.8-4.3 4.1 1 5.9-5.2-2.8-5.2 2.8 1-5.9-4.3-4.1 5.9-.8z" fill="#f2c230" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><circle cx="17.5" cy="17.5" r="4.8" fill="#3a9a3a" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M17.5 14.8v5.4M14.8 17.5h5.4" stroke="#fff" stroke-width="1.8" stroke-linecap="round"/>)svg",
    /*  9 */ R"svg(<path d="M12 2l3 6.2 6.8.9-5 4.7 1.3 6.7-6.1-3.3-6.1 3.3 1.3-6.7-5-4.7 6.8-.9z" fill="#f2c230" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/>)svg",
    /* 10 */ R"svg(<rect x="2.5" y="4" width="19" height="16" rx="1.5" fill="#fff" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><rect x="2.5" y="4" width="7" height="16" rx="1.5" fill="#2f6fc0" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M4.5 8h3M4.5 11h3M4.5 14h3" stroke="#fff" stroke-width="1.3" stroke-linecap="round"/>)svg",
    /* 11 */ R"svg(<rect x="2.5" y="5.5" width="19" height="13" rx="1" fill="#fff" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M2.8 6l9.2 7.5 9.2-7.5" fill="none" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M2.8 18l7-6M21.2 18l-7-6" fill="none" stroke="#2b3440" stroke-width="1" stroke-linecap="round"/>)svg",
    /* 12 */ R"svg(<path d="M2 20l5.5-15h2l5.5 15M4.8 14.5h7.4" fill="none" stroke="#2b3440" stroke-width="2.2" stroke-linecap="round" stroke-linejoin="round"/><path d="M14 20l3.5-9h1.4l3.5 9M15.6 17h5.2" fill="none" stroke="#2f6fc0" stroke-width="1.8" stroke-linecap="round" stroke-linejoin="round"/>)svg",
    /* 13 */ R"svg(<path d="M6.5 9v-6.5h11v6.5" fill="#fff" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><rect x="2.5" y="9" width="19" height="8.5" rx="1.5" fill="#8c96a3" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M6.5 14.5h11v7h-11z" fill="#fff" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M8.5 17h7M8.5 19h5" stroke="#8c96a3" stroke-width="1"/><circle cx="18.5" cy="11.8" r="0.9" fill="#3a9a3a"/>)svg",
    /* 14 */ R"svg(<path d="M4 2.5h10.5l5.5 5.5v13.5h-16z" fill="#fff" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M14.5 2.5v5.5h5.5" fill="#e3e8ef" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M9.5 11.5l-3 3 3 3M14.5 11.5l3 3-3 3" fill="none" stroke="#2f6fc0" stroke-width="1.8" stroke-linecap="round" stroke-linejoin="round"/>)svg",
    /* 15 */ R"svg(<rect x="2.5" y="4" width="19" height="16" rx="1" fill="#cfe3f7" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M3 19.5l6-7 4 4.5 3-3 5 5.5z" fill="#3a9a3a" stroke="#2b3440" stroke-width="1" stroke-linejoin="round"/><circle cx="16.5" cy="8.5" r="2" fill="#f2c230" stroke="#2b3440" stroke-width="1"/>)svg",
    /* 16 */ R"svg(<rect x="2.5" y="4" width="19" height="16" rx="1" fill="#fff" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M5 10v-3.5h3.5M19 10v-3.5h-3.5M5 14v3.5h3.5M19 14v3.5h-3.5" fill="none" stroke="#2f6fc0" stroke-width="1.8" stroke-linecap="round" stroke-linejoin="round"/>)svg",
    /* 17 */ R"svg(<path d="M3.5 2.5h10l4 4v15h-14z" fill="#fff" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M6 7h6M6 10h8M6 13h4" stroke="#8c96a3" stroke-width="1"/><path d="M16 16l5.5 5.5" stroke="#2b3440" stroke-width="3.4" stroke-linecap="round"/><path d="M16 16l5.5 5.5" stroke="#8a5a2b" stroke-width="1.6" stroke-linecap="round"/><circle cx="13.5" cy="13.5" r="4.2" fill="#cfe3f7" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/>)svg",
    /* 18 */ R"svg(<path d="M3 3h15l3 3v15h-18z" fill="#2f6fc0" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><rect x="6.5" y="3" width="9" height="6" fill="#e3e8ef" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><rect x="12" y="4.2" width="2" height="3.6" fill="#2b3440"/><rect x="5.5" y="12.5" width="13" height="8.5" fill="#fff" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M8 15.5h8M8 18h6" stroke="#8c96a3" stroke-width="1"/>)svg",
    /* 19 */ R"svg(<path d="M9.5 1.5h6l4 4v6l-4 4h-6l-4-4v-6z" fill="#e57373" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M6.5 7.5h7l4.5 4.5v7l-4.5 4.5h-7l-4.5-4.5v-7z" fill="#d23a2e" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M7.3 12.8l5.4 5.4M12.7 12.8l-5.4 5.4" stroke="#fff" stroke-width="2.1" stroke-linecap="round"/>)svg",
    /* 20 */ R"svg(<rect x="9" y="1.5" width="13" height="11" rx="1" fill="#e3e8ef" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/><path d="M16.5 16a6 6 0 1 1-1.75-4.24" fill="none" stroke="#2b3440" stroke-width="4" stroke-linecap="round"/><path d="M16.5 16a6 6 0 1 1-1.75-4.24" fill="none" stroke="#2f6fc0" stroke-width="2" stroke-linecap="round"/><path d="M17.8 8v5.6h-5.6z" fill="#2f6fc0" stroke="#2b3440" stroke-width="1.2" stroke-linejoin="round" stroke-linecap="round"/>)svg",
};

bool parseId(const QString &key, int *id)
{
    bool ok = false;
    const int value = key.trimmed().toInt(&ok);
    if (ok)
        *id = value;
    return ok;
}
}

namespace TToolbarCatalogue {

const TToolButtonDef *Find(int id)
{
    if (id < 0 || id > MaxId)
        return nullptr;
    return &Catalogue[id];
}

QList<TToolbarItem> DefaultLayout()
{
    static const int separatorAfter[] = {1, 3, 7, 9, 12};
    static const int hidden[] = {1, 17, 18, 19, 20};
    QList<TToolbarItem> items;
    for (int id = 0; id <= MaxId; ++id) {
        TToolbarItem item;
        item.id = id;
        item.visible = std::find(std::begin(hidden), std::end(hidden), id) == std::end(hidden);
        items.append(item);
        if (std::find(std::begin(separatorAfter), std::end(separatorAfter), id) != std::end(separatorAfter))
            items.append(TToolbarItem{-1, true});
    }
    return items;
}

QList<TToolbarItem> ReadLayout(const QString &path, bool *exists)
{
    QList<TToolbarItem> items;
    *exists = QFile::exists(path);
    if (!*exists)
        return items;
    const TIniPairs pairs = TIniFile(path).ReadSectionPairs(Section);
    for (const TIniPair &pair : pairs) {
        if (pair.first.left(3).compare(QLatin1String("Sep"), Qt::CaseInsensitive) == 0) {
            items.append(TToolbarItem{-1, true});   // separators are always shown
            continue;
        }
        int id = 0;
        if (!parseId(pair.first, &id))
            continue;
        items.append(TToolbarItem{id, pair.second != QLatin1String("0")});
    }
    return items;
}

bool WriteLayout(const QString &path, const QList<TToolbarItem> &items)
{
    TIniPairs pairs;
    for (int i = 0; i < items.size(); ++i) {
        const TToolbarItem &item = items.at(i);
        const QString key = item.id < 0 ? QStringLiteral("Sep") + QString::number(i)
                                        : QString::number(item.id);
        pairs.append({key, item.visible ? QStringLiteral("1") : QStringLiteral("0")});
    }
    if (pairs.isEmpty())
        QFile::remove(path);
    return TIniFile(path).WriteSection(Section, pairs);
}

QByteArray IconSvg(int id)
{
    if (id < 0 || id > MaxId)
        return QByteArray();
    return QByteArrayLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"24\" height=\"24\" "
                             "viewBox=\"0 0 24 24\">")
           + QByteArray(IconBodies[id]) + QByteArrayLiteral("</svg>");
}

QString FileName()
{
    return TPaths::Join(TPaths::DataDir(), QStringLiteral("tbmain.dat"));
}

}
