#pragma once
// TOptionsValues: everything the Options dialog edits, as one value without widgets. It is
// read from the settings store, except for the settings the running window may hold newer
// than the store (they are written when the window closes); it is stored in one hive
// transaction, so a failure half-way leaves every stored value as it was; and it is applied
// to the window's settings value, from which each subsystem takes what it shows.

#include "app/kwoptions.h"
#include "components/tabcolors.h"
#include "navigation/domaincompletion.h"

#include <QString>
#include <QStringList>

class TWindowSettings;

enum class TStartupChoice { Home, Last, Group };

class TOptionsValues {
public:
    // ---- General
    bool askDefaultBrowser = true;
    bool allowMultiInstance = false;
    bool minToTray = false;            // from the running window
    bool cbAutoExpand = true;          // from the running window
    bool disableAltShortcuts = false;
    bool breakFavorites = false;
    bool toolbarShowColor = false;
    bool useCustomIcons = true;

    // ---- Browser tabs (multiple lines and tabs at the bottom take effect at the next start)
    bool multipleLines = false;
    bool tabsDown = true;
    bool openNewInForeground = false;  // from the running window
    bool vgCloseFirst = false;         // from the running window
    int limitTitleLength = 35;         // 0: no limit, else 1..100
    bool openNewAtEnd = false;         // from the running window

    // ---- Tab colours
    TTabColorScheme colorScheme = TTabColorScheme::Custom;
    int inactiveTabColor = 0xAAAAAA;   // 0x00BBGGRR, as stored (a system colour reference too)
    int inactiveFontColor = 0;

    // ---- New tabs
    int newAction = 0;                 // 0 blank, 1 current location, 2 home page
    bool favoritesNewWin = true;
    bool historyNewWin = true;
    bool searchNewWin = true;
    bool linksNewWin = true;
    bool addressNewWin = false;        // from the running window; shown on two pages

    // ---- Start-up
    TStartupChoice startup = TStartupChoice::Home;
    QString startupVessaGroup;

    // ---- Domain completion: the six texts, taken as typed
    TDomainCompletion completion;

    // ---- PopupVessa: the addresses, one per row
    bool usePopupVessa = true;
    QStringList popupAddresses;

    // ---- Address bar
    bool showGo = false;
    TAutoCompleteStyle autoCompleteStyle = TAutoCompleteStyle::IE5;
    bool ie4Mode = false;              // the engine reports version 4: no IE5-style completion

    // ---- Flyswat
    bool flyswatEnabled = true;
    bool flyswatShowLinks = true;

    // Reads the values: the six the window keeps (VGCloseFirst, OpenNewAtEnd,
    // OpenNewInForeground, CBAutoExpand, MinToTray, AddressNewWin) and the IE4 mode from
    // running, the rest from store. Odd stored values are brought into range: a title limit
    // above 100 reads as 100 and one below 0 as no limit, a new-tab action outside 0..2 is
    // clamped, a start-up mode other than "Home" and "Last" chooses the group. Raises
    // RegistryError when the store cannot be read.
    static TOptionsValues Load(const TKWOptions &store, const TWindowSettings &running);

    // Whether the start-up choice can be stored: a group choice must name an existing file.
    bool StartupGroupValid() const;

    // The AutoComplete style the window ends up with: IE5 becomes IE4 in IE4 mode.
    TAutoCompleteStyle EffectiveAutoCompleteStyle() const;

    // The PopupVessa list as stored: url1..n in the given (displayed) order; blank rows are
    // left out, since an entry without an address matches nothing and reads back as nothing.
    QStringList PopupLines() const;

    // Writes every value in one transaction: all of them or none. The favorites-columns
    // setting is written only when it differs from what was read; the custom colours only
    // with the custom scheme; the start-up group only with the group choice. Raises
    // RegistryError, with the hive unchanged, when it cannot be written.
    void Store() const;

    // Puts the values into the window's settings value. The tab strip's lines and position
    // stay as the window shows them (they change at the next start).
    void Apply(TWindowSettings &settings) const;

private:
    bool m_breakFavoritesAsRead = false;
};
