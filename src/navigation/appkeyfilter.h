#pragma once
// TKeyFilter: the key and message filter, an application-wide event filter owned by the
// window. It runs the window's keyboard shortcuts before the focused control (a page, the
// address box) sees the key, through the rows of the command table, and turns the mouse's
// back and forward buttons into history moves. A page that closes its own window closes
// its tab through the web control's close request, not here: the widgets inside a browser
// view (the page's context menu, its pickers) close all the time.
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
//     of stopping the tab (the Esc row of the command table decides).
//   - Backspace, Enter, the arrows, Tab and Delete are let through and reach the page or
//     the focused control as they are; the web view handles them itself, so nothing has to
//     offer them to the page. Wheel messages of old mouse drivers do not exist on Linux;
//     the wheel reaches the widget under the pointer directly.

#include "app/settingspart.h"
#include "navigation/keyfilter.h"

#include <QList>
#include <QObject>

#include <functional>

class ITabOpener;
class QWidget;
class TCommandTable;
struct TWindowSettings;

class TKeyFilter : public QObject, public ISettingsPart {
    Q_OBJECT
public:
    struct THooks {
        // Drops down the main menu at this menu-bar position (Alt+F, Alt+E, ...).
        std::function<void(int menuIndex)> dropDownMenu;
        // Shows a menu item's hint ("short|long") where the window shows hints.
        std::function<void(const QString &tip)> showHint;
        // Runs a key's command with the tab menu's commands aimed at the active tab.
        std::function<void(const std::function<void()> &run)> onActiveTab;
    };

    // window: the keys are taken only while it is the active window. The filter is
    // installed on the application until Stop.
    TKeyFilter(QWidget *window, TCommandTable *commands, ITabOpener *tabs, THooks hooks,
               QObject *parent = nullptr);
    ~TKeyFilter() override;

    void Load(const TWindowSettings &settings) override;   // DisableALTShortcuts
    void Stop();                                  // the window is shutting down

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool filter(QObject *watched, QEvent *event);
    void runKeyCommand(TKeyCommand command);

    QWidget *m_window;
    TCommandTable *m_commands;
    ITabOpener *m_tabs;
    THooks m_hooks;
    bool m_altShortcutsDisabled = false;
    bool m_stopped = false;
    QList<int> m_consumedKeys;   // key presses taken, whose releases are taken too
};
