// The key and message filter: an application-wide event filter of TfrmMain that runs the
// window's keyboard shortcuts before the focused control (a page, the address box) sees
// the key, and turns the mouse's back and forward buttons into history moves. A page that
// closes its own window closes its tab through the web control's close request, not here:
// the widgets inside a browser view (the page's context menu, its pickers) close all the
// time.
//
// How Qt delivers keys, and what the filter does with it:
//   - Before a key press, Qt offers a ShortcutOverride event to the focus object (for a
//     page that is an object inside the web view). For a key the filter handles, it accepts
//     and takes that event, so no QShortcut or mnemonic can act on the key either; the key
//     press then follows and runs the command: the action of its row in the command
//     table, so a key runs exactly what the menu item runs, and nothing while it is disabled.
//   - A key event the focused widget ignores travels up to its parents, and the web view
//     passes it on to its own window: the filter sees one event several times. Only a taken
//     event stops there, so the command runs once; a key let through is let through at every
//     stop alike.
//   - The release of a taken key is taken too, so the page never sees half a key stroke.
//   - While a menu, a dialog or any other window of the program is active, everything goes
//     through untouched: Esc closes the dialog, Tab moves between its fields.
//   - Esc while the user edits the address box puts the active tab's address back instead
//     of stopping the tab.
//   - Backspace, Enter, the arrows, Tab and Delete are let through and reach the page or
//     the focused control as they are; the web view handles them itself, so nothing has to
//     offer them to the page. Wheel messages of old mouse drivers do not exist on Linux;
//     the wheel reaches the widget under the pointer directly.

#include "navigation/keyfilter.h"

#include "app/main_window.h"

#include "browser/browsertab.h"
#include "browser/kwpagecontrol.h"
#include "browser/vessabrowser.h"
#include "navigation/commandtable.h"
#include "navigation/kwcombobox.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>

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

namespace {
bool isKeyEvent(QEvent::Type type)
{
    return type == QEvent::ShortcutOverride || type == QEvent::KeyPress || type == QEvent::KeyRelease;
}

bool isMouseButtonEvent(QEvent::Type type)
{
    return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease
            || type == QEvent::MouseButtonDblClick;
}
}

bool TfrmMain::KeyAndMessageFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::StatusTip && !isKeyEvent(type) && !isMouseButtonEvent(type))
        return false;
    if (m_shutDown)
        return false;

    // A menu opened from the keyboard or as a context menu is a window of its own, where
    // the hints of its items would end; they belong to the status bar.
    if (type == QEvent::StatusTip) {
        QWidget *owner = qobject_cast<QMenu *>(watched);
        while (qobject_cast<QMenu *>(owner))
            owner = owner->parentWidget();
        if (owner != this)
            return false;
        TfrmMain::event(event);
        return true;
    }

    if (type == QEvent::KeyRelease) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (!m_consumedKeys.contains(key->key()))
            return false;
        if (!key->isAutoRepeat())
            m_consumedKeys.removeAll(key->key());
        key->accept();
        return true;
    }

    if (QApplication::activePopupWidget() || QApplication::activeWindow() != this)
        return false;

    if (isMouseButtonEvent(type)) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::BackButton && mouse->button() != Qt::ForwardButton)
            return false;
        if (!watched->isWidgetType() || static_cast<QWidget *>(watched)->window() != this)
            return false;
        TBrowserTab *tab = ActiveTab();
        if (!tab)
            return false;
        if (type == QEvent::MouseButtonPress) {
            if (mouse->button() == Qt::BackButton)
                tab->GoBack();
            else
                tab->GoForward();
        }
        mouse->accept();
        return true;
    }

    auto *key = static_cast<QKeyEvent *>(event);
    TKeyFilterState state;
    state.altShortcutsDisabled = m_settings.disableAltShortcuts;
    state.hasActiveTab = ActiveTab() != nullptr;
    for (QWidget *w = QApplication::focusWidget(); w && !state.favoritesTreeFocused; w = w->parentWidget())
        state.favoritesTreeFocused = w->objectName() == QLatin1String("shFavorites");
    const TKeyCommand command = KeyCommandFor(key->key(), key->modifiers() & ~Qt::KeypadModifier, state);
    if (command == TKeyCommand::None) {
        if (type == QEvent::KeyPress)
            m_consumedKeys.removeAll(key->key());
        return false;
    }
    key->accept();
    if (type == QEvent::ShortcutOverride)
        return true;
    if (!m_consumedKeys.contains(key->key()))
        m_consumedKeys.append(key->key());
    if (!key->isAutoRepeat() || KeyCommandRepeats(command))
        RunKeyCommand(int(command));
    return true;
}

void TfrmMain::RunKeyCommand(int command)
{
    const TKeyCommand key = TKeyCommand(command);
    switch (key) {
    case TKeyCommand::MenuFile:
    case TKeyCommand::MenuEdit:
    case TKeyCommand::MenuView:
    case TKeyCommand::MenuGo:
    case TKeyCommand::MenuFavorites:
    case TKeyCommand::MenuVessaGroups:
    case TKeyCommand::MenuOptions:
    case TKeyCommand::MenuTools:
    case TKeyCommand::MenuTabs:
    case TKeyCommand::MenuHelp:
        DropDownMenu(m_mainMenus.value(command - int(TKeyCommand::MenuFile), nullptr));
        return;
    default:
        break;
    }
    // Every other key runs its row of the command table, as its menu item or button would,
    // and only while that is enabled. The tab menu's commands act on the active tab. The
    // keys without a row (Alt+X, the side bar's pages, the Flyswat add-on, which does not
    // exist for this platform) are only kept from the page.
    TBrowserTab *tab = ActiveTab();
    const int savedTarget = m_tabTargetIndex;
    m_tabTargetIndex = tab ? tab->TabIndex() : -1;
    m_commands->RunKey(key);
    m_tabTargetIndex = savedTarget;
}
