// Makes the Favorites parts of a window in their fixed order and connects them.

#include "favorites/favoritesparts.h"

#include "favorites/favoritesmenu.h"
#include "favorites/favoriteswindow.h"
#include "favorites/launchlink.h"
#include "favorites/linksbar.h"
#include "favorites/sidebar.h"
#include "options/toolbarband.h"
#include "options/toolbarcolor.h"
#include "platform/shellfolders.h"

#include <QToolButton>

QList<ISettingsPart *> TFavoritesParts::SettingsParts() const
{
    return {links, menu, color, window};
}

TFavoritesParts MakeFavoritesParts(const TFavoritesPlaces &places, ITabOpener *opener, TCommandTable *commands,
                                   const TWindowSettings &settings, QObject *parent)
{
    TFavoritesParts parts;
    parts.launcher = new TLinkLauncher(opener, parent);
    parts.links = new TLinksBar(places.linksBand, parts.launcher, commands, parent);
    parts.links->Load(settings);
    parts.menu = new TFavoritesMenu(parts.launcher, opener, commands, places.window, places.tabTarget, parent);
    parts.menu->AttachMenu(places.favoritesMenu);
    parts.menu->Load(settings);

    parts.color = new TToolbarColor(parent);
    QObject::connect(parts.color, &TToolbarColor::Changed, places.toolbar, &TToolbarBand::SetColor);
    parts.color->Attach(places.goButton);
    places.sideBar->SetToolbarColor(parts.color);
    TToolbarBand *toolbar = places.toolbar;
    parts.window = new TFavoritesDropDown(
            places.window, parts.launcher, commands, [] { return TShellFolders::Favorites(); },
            [toolbar]() -> QWidget * { return toolbar->ButtonByName(QStringLiteral("tbFavorites")); }, parts.color,
            parent);
    parts.color->Load(settings);
    parts.window->Load(settings);
    return parts;
}
