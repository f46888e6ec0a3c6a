// The key table of the key and message filter (TKeyFilter, appkeyfilter.h).

#include "navigation/keyfilter.h"

TKeyCommand KeyCommandFor(int key, Qt::KeyboardModifiers modifiers, const TKeyFilterState &state)
{
    const bool alt = modifiers & Qt::AltModifier;
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool meta = modifiers & Qt::MetaModifier;
    if (meta)
        return TKeyCommand::None;   // the desktop's keys

    // Alt letters. Ctrl+Alt is left alone: many keyboard layouts type characters with it.
    if (alt && !ctrl && !state.altShortcutsDisabled) {
        switch (key) {
        case Qt::Key_Home: return TKeyCommand::GoHome;
        case Qt::Key_A: return TKeyCommand::MenuFavorites;
        case Qt::Key_C: return TKeyCommand::MenuVessaGroups;
        case Qt::Key_D: return TKeyCommand::FocusAddress;
        case Qt::Key_E: return TKeyCommand::MenuEdit;
        case Qt::Key_F: return TKeyCommand::MenuFile;
        case Qt::Key_G: return TKeyCommand::MenuGo;
        case Qt::Key_H: return TKeyCommand::MenuHelp;
        case Qt::Key_O: return TKeyCommand::MenuOptions;
        case Qt::Key_S: return TKeyCommand::MenuTabs;
        case Qt::Key_T: return TKeyCommand::MenuTools;
        case Qt::Key_V: return TKeyCommand::MenuView;
        case Qt::Key_X: return TKeyCommand::Nothing;
        default: break;
        }
    }

    if (ctrl && !alt) {
        if (key == Qt::Key_Tab)
            return shift ? TKeyCommand::PreviousTab : TKeyCommand::NextTab;
        if (key == Qt::Key_Backtab)
            return TKeyCommand::PreviousTab;
    }

    if (!state.hasActiveTab)
        return TKeyCommand::None;

    if (shift && !ctrl && !alt) {
        if (key == Qt::Key_Insert)
            return TKeyCommand::Paste;
        if (key == Qt::Key_Delete)
            return TKeyCommand::Cut;
    }

    if (key == Qt::Key_Escape && !ctrl && !alt)
        return shift ? TKeyCommand::StopAll : TKeyCommand::Stop;

    if (alt && !ctrl && !state.altShortcutsDisabled) {
        if (key == Qt::Key_Left)
            return TKeyCommand::Back;
        if (key == Qt::Key_Right)
            return TKeyCommand::Forward;
    }

    if (ctrl && !alt) {
        switch (key) {
        case Qt::Key_Insert:
        case Qt::Key_C: return TKeyCommand::Copy;
        case Qt::Key_A: return TKeyCommand::SelectAll;
        case Qt::Key_B: return TKeyCommand::OrganizeFavorites;
        case Qt::Key_D: return TKeyCommand::AddToFavorites;
        case Qt::Key_E: return TKeyCommand::SideBarSearch;
        case Qt::Key_F: return TKeyCommand::FindInPage;
        case Qt::Key_G: return TKeyCommand::SideBarVessaGroups;
        case Qt::Key_H: return shift ? TKeyCommand::NewHomeTab : TKeyCommand::SideBarHistory;
        case Qt::Key_I: return TKeyCommand::SideBarFavorites;
        case Qt::Key_J: return TKeyCommand::Downloads;
        case Qt::Key_L:
        case Qt::Key_O: return TKeyCommand::Open;
        case Qt::Key_N: return TKeyCommand::New;
        case Qt::Key_P: return TKeyCommand::Print;
        case Qt::Key_R: return TKeyCommand::RefreshCompletely;
        case Qt::Key_S: return shift ? TKeyCommand::SaveAs : TKeyCommand::SideBarSearch;
        case Qt::Key_T: return shift ? TKeyCommand::None : TKeyCommand::NewBlankTab;
        case Qt::Key_V: return TKeyCommand::Paste;
        case Qt::Key_W:
        case Qt::Key_F4: return shift ? TKeyCommand::CloseAll : TKeyCommand::CloseTab;
        case Qt::Key_X: return TKeyCommand::Cut;
        case Qt::Key_F3: return TKeyCommand::FollowNextLink;
        default: break;
        }
    }

    // Function keys with Alt belong to the desktop (Alt+F4 closes the window).
    if (!alt) {
        switch (key) {
        case Qt::Key_F1: return ctrl ? TKeyCommand::FlyswatLinks : TKeyCommand::HelpTopics;
        case Qt::Key_F2: return state.favoritesTreeFocused ? TKeyCommand::None : TKeyCommand::PreviousTab;
        case Qt::Key_F3: return TKeyCommand::NextTab;
        case Qt::Key_F4: return TKeyCommand::ToggleSideBar;
        case Qt::Key_F5:
            if (shift)
                return ctrl ? TKeyCommand::RefreshAllCompletely : TKeyCommand::RefreshAll;
            return ctrl ? TKeyCommand::RefreshCompletely : TKeyCommand::Refresh;
        case Qt::Key_F6: return TKeyCommand::AddToVessaGroup;
        case Qt::Key_F7: return TKeyCommand::SaveAsVessaGroup;
        case Qt::Key_F8: return TKeyCommand::AddToPopupVessa;
        case Qt::Key_F9: return TKeyCommand::StickyName;
        case Qt::Key_F11: return TKeyCommand::FullScreen;
        case Qt::Key_F12: return ctrl ? TKeyCommand::ToggleOpenNewInForeground : TKeyCommand::ToggleLock;
        default: break;
        }
    }
    return TKeyCommand::None;
}

bool KeyCommandRepeats(TKeyCommand command)
{
    switch (command) {
    case TKeyCommand::NextTab:
    case TKeyCommand::PreviousTab:
    case TKeyCommand::Back:
    case TKeyCommand::Forward:
        return true;
    default:
        return false;
    }
}
