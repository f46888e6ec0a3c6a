#pragma once
// TWindowSettings: every setting the main window keeps while it runs, as one value. It is
// read in one pass over the settings key when the window is created, applied by the window
// (and later by whoever edits it, such as the Options dialog), and written back when the
// window shuts down: in one transaction, group by group only when that fails, so that a
// group that cannot be written costs nothing but itself.

#include "app/kwoptions.h"
#include "navigation/domaincompletion.h"

#include <QRect>
#include <QString>
#include <QStringList>

class TWindowSettings {
public:
    // ---- Read at creation and used there only; not written back by the window.
    bool ie4Mode = false;              // the platform's browser reports version 4
    QString kwid;
    QString startupPage;               // opened once at the next start
    bool askDefaultBrowser = true;
    TDomainCompletion completion;      // Ctrl/Shift+Enter wrapping of the address box

    // ---- Written back at every shutdown.
    // Last Open Sites: read only when StartupMode is "Last"; written from the open tabs.
    QStringList lastOpenSites;
    // The options.
    bool disableAltShortcuts = false;
    bool openNewInForeground = false;
    bool addressNewWin = false;
    TAutoCompleteStyle autoCompleteStyle = TAutoCompleteStyle::IE5;
    bool showGo = false;
    bool cbAutoExpand = true;
    bool minToTray = false;            // the tray icon is in charge of minimising
    bool openNewAtEnd = false;
    int vessaBarWidth = 234;
    int limitTitleLength = 35;
    QString searchBar;                 // not read (and written empty) in IE4 mode
    bool fullScreen = false;
    bool usePopupVessa = true;
    // The window placement: the normal bounds are written only when not maximized.
    bool maximized = false;
    QRect bounds;                      // Left, Top, Width, Height
    // The view.
    bool viewVessaBar = false;
    bool viewToolbar = true;
    bool viewAddressBar = true;
    bool viewLinksBar = true;
    bool viewStatusBar = true;
    bool vgCloseFirst = false;

    // ---- Written back only when changed since they were read (the window applies them but
    // never changes them itself), so a stored value nobody changed stays exactly as it is.
    bool toolbarShowColor = false;
    bool multipleLines = false;
    bool tabsDown = true;
    QString tabColorScheme = QStringLiteral("custom");
    int inactiveTabColor = 0xAAAAAA;   // 0x00BBGGRR
    int inactiveFontColor = 0;         // 0x00BBGGRR
    int newAction = 0;                 // 0..2
    QString startupMode = QStringLiteral("Home");
    QString startupVessaGroup;
    // Kept for the subsystems that will use them (favorites, history, search, links bar,
    // add-ons).
    bool favoritesNewWin = true;
    int favoritesWidth = 250;          // the Favorites window's size
    int favoritesHeight = 400;
    bool historyNewWin = true;
    bool searchNewWin = true;
    bool linksNewWin = true;
    bool useCustomIcons = true;
    bool breakFavorites = false;
    bool flyswatEnabled = true;
    bool flyswatShowLinks = true;

    // Reads every setting above from the store: from TKWOptions::Snapshot(), one read of
    // the hive for all of them. The store's wrong-type handler decides what a damaged value
    // does. Raises RegistryError when the hive cannot be read.
    static TWindowSettings Read(const TKWOptions &store);

    struct TWriteResult {
        QStringList unsaved;   // the groups not saved ("the options", ...), each once, in order
        QString firstError;    // the message of the first failure
    };
    // Writes the settings back. asRead is the value as it was read: the settings the window
    // never changes itself are written only where they differ from it.
    TWriteResult Write(const TWindowSettings &asRead) const;
};

// What the window reads when it starts, in one go: its settings (one pass over the settings
// key), the typed addresses, and the problems met on the way (damaged values read as their
// defaults, a list that could not be read), to be told once the window is up.
struct TStartSettings {
    TWindowSettings settings;
    QStringList typedUrls;
    bool typedUrlsRead = false;   // false: the stored list is not written over at shutdown
    QStringList problems;

    // Raises RegistryError when the settings key cannot be read.
    static TStartSettings Read();
};
