#pragma once
// The Customize Toolbar dialog: the buttons the toolbar does not show ("Available") and
// the ones it shows in order ("Current"). Every change rebuilds the toolbar at once; the
// layout file is written when the dialog closes, however it closes.
//
// TToolbarLists is the dialog's widget-free state: the available list always starts with
// the "Separator" row (id -1), which stays there for further use.

#include "options/toolbarcatalogue.h"

#include <QDialog>
#include <QHash>
#include <QIcon>
#include <QList>

class QListWidget;
class QPushButton;
class TCommandTable;
class TToolbarBand;

struct TToolbarLists {
    QList<int> available{-1};
    QList<int> current;

    // Shown buttons go to current, hidden ones to available. Hidden separators and second
    // copies of a button are dropped; catalogue buttons the items lack become available.
    static TToolbarLists FromItems(const QList<TToolbarItem> &items);
    // Current buttons shown in order, then the available ones hidden.
    QList<TToolbarItem> Items() const;

    // Copies available row a into current after row c (at the end when c is -1); the row
    // leaves the available list unless it is the separator. Returns the new current row,
    // -1 when nothing happened.
    int Add(int a, int c);
    // Removes current row c; a button (not a separator) goes into available after row a
    // (at the end when a is -1). Returns its new available row, or -1.
    int Remove(int c, int a);
    // The same, with the place the row takes in the other list (clamped; the available
    // list's first row stays "Separator").
    int AddAt(int a, int at);
    int RemoveTo(int c, int at);
    // Swaps current row c with its neighbour (delta -1 up, +1 down). Returns the row's new
    // place, or c when it is at that end.
    int Move(int c, int delta);
};

class TfrmCustomizeToolbar : public QDialog {
    Q_OBJECT
public:
    TfrmCustomizeToolbar(TToolbarBand *band, QWidget *parent = nullptr);

    QListWidget *AvailableList() const { return m_available; }
    QListWidget *CurrentList() const { return m_current; }

    void AddSelected();
    void RemoveSelected();
    void MoveSelected(int delta);
    void ResetToDefault();
    // A row dragged from one list and dropped on a list in front of row before (-1: at the
    // end): available to current adds it, current to available removes it, current to
    // current moves it.
    void DropRow(QListWidget *from, int row, QListWidget *to, int before);

    // Shows the dialog; the layout file is saved when it closes. False when the file could
    // not be written (a message has told the user).
    static bool Run(TToolbarBand *band, QWidget *parent);

private:
    void fill(int selectAvailable, int selectCurrent);
    void changed(int selectAvailable, int selectCurrent);
    void fillList(QListWidget *list, const QList<int> &ids, int select);

    TToolbarBand *m_band;
    TToolbarLists m_lists;
    QHash<int, QIcon> m_icons;
    QListWidget *m_available;
    QListWidget *m_current;
};

// The bands' menu row "&Customize..." opens the dialog.
void RegisterCustomizeToolbarCommand(TCommandTable *commands, TToolbarBand *band, QWidget *dialogParent);
