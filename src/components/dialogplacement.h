#pragma once
// Dialogs the program shows centred on the screen of their owner (the primary screen
// without one).

class QWidget;

void CenterOnScreen(QWidget *dialog);
