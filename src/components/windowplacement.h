#pragma once
// The main window's placement: putting a stored rectangle back on the screens there are now,
// and reading what to store.

#include <QRect>

class QWidget;

// Moves and sizes the window to wanted, cut to the primary screen so that the frame stays
// reachable; a rectangle no screen shows any more comes back on the primary screen. A
// maximised window keeps wanted as its normal placement.
void RestoreWindowPlacement(QWidget *window, QRect wanted, bool maximized);
