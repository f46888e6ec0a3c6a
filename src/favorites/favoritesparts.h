#pragma once
// The Favorites subsystem of a window, made and connected in one place: the open rule that
// links and favorites share (TLinkLauncher), the links bar in its band, the Favorites menu,
// the Favorites window under the toolbar's Favorites button, and the colour switch every
// toolbar of the window follows (the main toolbar through its band, the Go button's
// toolbar, the side bar's pages and the Favorites window directly). The window hands over
// the places and parts these need and keeps SettingsParts() with its other settings parts.

#include <QList>

#include <functional>

class ISettingsPart;
class ITabOpener;
class QAction;
class QMenu;
class QObject;
class QWidget;
class TBrowserTab;
class TCommandTable;
class TFavoritesDropDown;
class TFavoritesMenu;
class TLinkLauncher;
class TLinksBar;
class TSideBar;
class TToolbarBand;
class TToolbarColor;
class TWindowSettings;

// What the Favorites parts are placed in and follow.
struct TFavoritesPlaces {
    QWidget *window;                             // the main window: dialogs, the drop-down
    QWidget *linksBand;                          // the links bar's band
    QMenu *favoritesMenu;                        // mnuFavorites, its fixed rows placed
    TToolbarBand *toolbar;                       // the main toolbar: colour, Favorites button
    QAction *goButton;                           // the Go button, in its own toolbar
    TSideBar *sideBar;                           // its pages follow the colour switch
    std::function<TBrowserTab *()> tabTarget;    // the tab the tab menu was opened for
};

struct TFavoritesParts {
    TLinkLauncher *launcher = nullptr;
    TLinksBar *links = nullptr;
    TFavoritesMenu *menu = nullptr;
    TToolbarColor *color = nullptr;
    TFavoritesDropDown *window = nullptr;

    // The parts that keep settings, in the order they are loaded.
    QList<ISettingsPart *> SettingsParts() const;
};

// Makes the parts as children of parent, registers their rows in commands and loads each
// with settings as it is made.
TFavoritesParts MakeFavoritesParts(const TFavoritesPlaces &places, ITabOpener *opener, TCommandTable *commands,
                                   const TWindowSettings &settings, QObject *parent);
