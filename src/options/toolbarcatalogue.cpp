#include "options/toolbarcatalogue.h"

#include "platform/inifile.h"
#include "platform/paths.h"

#include <QFile>

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

QString FileName()
{
    return TPaths::Join(TPaths::DataDir(), QStringLiteral("tbmain.dat"));
}

}
