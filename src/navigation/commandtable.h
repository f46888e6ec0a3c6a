#pragma once
// The window's command table: one row per command, with everything the menus, the toolbar,
// the bands' menu, the tab menu and the key filter need to know about it. Each row gets one
// QAction (named after the row); menus show that action, toolbar buttons forward to it and
// the key filter triggers it, so a command disabled in its menu never runs from a key or a
// button either.
//
// Every command runs through one guarded trigger: a registry or platform failure raised by
// its handler is shown through the error reporter (the general handler's message box) and
// never leaves the Qt slot that ran it.

#include "navigation/keyfilter.h"

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QAction;
class QMenu;
class QWidget;

struct TCommandRow {
    QString name;                       // the action's object name (actNew, mnuFileWorkOffline, ...)
    QString caption;                    // with "&" for its access key
    QString hint;                       // "short|long": tool tip and status bar text
    QKeySequence shortcut;              // the key the menu shows; the key filter takes it
    QList<TKeyCommand> keys;            // the key table's commands that run this row
    QString shortcutOf;                 // shows the key of that row instead (the same command
                                        // in a second menu), owning none itself
    int toolbarId = -1;                 // the toolbar catalogue id of its button, if any
    std::function<void(bool checked)> handler;   // none: its subsystem is not built yet
    std::function<bool()> enabled;      // asked before it runs and when its menu opens
    std::function<bool()> checked;      // makes the row checkable; asked likewise
    bool checkable = false;             // checkable without a predicate (the action keeps it)
    std::function<QMenu *()> dropDown;  // the menu of its toolbar button, if any
    QString unavailable;                // why this system cannot run the command at all: the
                                        // row stays disabled and its tips say why
};

class TCommandTable : public QObject {
    Q_OBJECT
public:
    using ErrorReporter = std::function<void(const QString &message)>;

    // owner: parent of the actions until they are placed in a menu.
    explicit TCommandTable(QWidget *owner);
    ~TCommandTable() override;

    // Adds a row, or completes the row of that name (its subsystem is now built): the
    // action keeps its place in the menus and becomes enabled.
    QAction *Register(const TCommandRow &row);
    // Rows whose subsystem is not built yet: shown, disabled.
    void RegisterPending(const TCommandRow &row);
    // Completes a row with a command this system has no counterpart for: it stays in its
    // menus, disabled, and its tool tip and status text give the reason.
    void RegisterUnavailable(const TCommandRow &row, const QString &reason);
    // Rows still waiting for their subsystem (no handler and no reason given).
    QStringList PendingNames() const;

    // The action of a row; nullptr (and a warning) for a name no row has.
    QAction *Action(const QString &name) const;
    // Appends the row's action to the menu; the first menu it is placed in owns it.
    QAction *Place(QMenu *menu, const QString &name);

    const TCommandRow *Row(const QString &name) const;
    const TCommandRow *RowForKey(TKeyCommand command) const;
    const TCommandRow *RowForToolbarId(int id) const;
    QAction *ActionForKey(TKeyCommand command) const;
    QAction *ActionForToolbarId(int id) const;
    QStringList Names() const;

    // Asks the row's predicates and sets the action's enabled and checked state.
    void Update(QAction *action);
    // Updates every action the menu holds (call when it is about to show).
    void UpdateMenu(QMenu *menu);
    // Updates the action, then triggers it when it is enabled. False when it did not run.
    bool Trigger(QAction *action);
    // The row that runs for a key of the key table; false when no row has it or it is disabled.
    bool RunKey(TKeyCommand command);

    // Where failures raised by a handler are reported; stderr until one is set.
    void SetErrorReporter(ErrorReporter reporter);
    // Runs a function the way a command runs: a RegistryError or std::exception raised in
    // it is reported, never passed on. For slots outside the table (menus built on the fly).
    void Guarded(const std::function<void()> &function) const;

    // Table-wide consistency: a key command owned by two rows, a shortcut shown by two rows,
    // a shown shortcut that the key table gives to another command, a toolbar id with two
    // rows. Empty when the table is sound.
    QStringList Problems() const;

protected:
    // Shows the reason of an unavailable row in the status bar while the mouse is on it:
    // a menu shows the status text of enabled items only.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Entry {
        TCommandRow row;
        QAction *action = nullptr;
        bool placed = false;
    };
    Entry *find(const QString &name);
    const Entry *find(const QString &name) const;
    const Entry *findAction(const QAction *action) const;
    void apply(Entry &entry);
    void run(const QString &name, bool checked);

    QWidget *m_owner;
    std::vector<Entry> m_entries;
    ErrorReporter m_reporter;
    bool m_reasonShown = false;
};
