#pragma once
// The key and message filter's key table: which command a key runs before the focused
// control sees it. Widget-free, so the table can be checked without a window.
//
// The table is consulted in a fixed order; the first rule that matches decides:
//   Alt letters and Alt+Home (menus, address box, home) unless Alt shortcuts are off;
//   Ctrl+Tab / Ctrl+Shift+Tab; then, only with an active tab: Shift+Ins / Shift+Del, Esc /
//   Shift+Esc, Alt+Left / Alt+Right, the Ctrl keys, and the function keys.
// Everything else (Backspace, Enter, arrows, Tab, Delete, F10, plain typing) is let through
// to the page or the focused control unchanged.

#include <Qt>

enum class TKeyCommand {
    None,                   // let through

    // Alt (menus are dropped down from their menu-bar buttons)
    MenuFile, MenuEdit, MenuView, MenuGo, MenuFavorites, MenuVessaGroups, MenuOptions,
    MenuTools, MenuTabs, MenuHelp,
    GoHome,                 // Alt+Home
    FocusAddress,           // Alt+D
    Nothing,                // consumed and nothing runs (Alt+X)

    NextTab, PreviousTab,
    Paste, Cut, Copy, SelectAll,
    Stop, StopAll,
    Back, Forward,

    // Ctrl
    OrganizeFavorites,
    AddToFavorites,         // Ctrl+D
    SideBarSearch, SideBarVessaGroups, SideBarHistory, SideBarFavorites,
    NewHomeTab, NewBlankTab, SaveAs, FindInPage, Open, New, Print, FollowNextLink, Downloads,
    CloseTab, CloseAll,

    // Function keys
    HelpTopics, FlyswatLinks, ToggleSideBar,
    Refresh, RefreshCompletely, RefreshAll, RefreshAllCompletely,
    AddToVessaGroup, SaveAsVessaGroup, AddToPopupVessa, StickyName,
    FullScreen, ToggleLock, ToggleOpenNewInForeground,
};

struct TKeyFilterState {
    bool altShortcutsDisabled = false;   // DisableALTShortcuts
    bool hasActiveTab = true;
    bool favoritesTreeFocused = false;   // it keeps F2 for renaming
};

// The command for a key going down with these modifiers (the keypad flag is ignored).
TKeyCommand KeyCommandFor(int key, Qt::KeyboardModifiers modifiers, const TKeyFilterState &state);

// Whether a held key may run its command again. Switching tabs and moving in the history
// repeat; commands that open dialogs, toggle or close do not.
bool KeyCommandRepeats(TKeyCommand command);
