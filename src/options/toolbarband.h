#pragma once
// The toolbar band: the main toolbar "tbMain" built from the toolbar catalogue and the
// layout file "tbmain.dat", its buttons bound to the command table, and the colour switch
// between cold and hot pictures. The Customize Toolbar dialog edits the buttons through
// Items / SetItems, Reset and Save.

#include "options/toolbarcatalogue.h"

#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QMenu;
class QToolBar;
class QToolButton;
class QWidget;
class TCommandTable;

// The colour picture of a catalogue button (null for an id without one), for the other
// toolbars of the window that show the same command.
QIcon CatalogueButtonIcon(int id);

class TToolbarBand : public QObject {
    Q_OBJECT
public:
    // The toolbar is made inside barParent; layoutFile is the path of "tbmain.dat".
    TToolbarBand(TCommandTable *commands, const QString &layoutFile, QWidget *barParent, QObject *parent = nullptr);

    QToolBar *Bar() const { return m_bar; }
    QString LayoutFile() const { return m_layoutFile; }

    // The buttons in toolbar order: catalogue ids (-1 for a separator) and whether shown.
    QList<TToolbarItem> Items() const;
    // Rebuilds the toolbar with these buttons; the old buttons are deleted.
    void SetItems(const QList<TToolbarItem> &items);
    void Reset();                      // the catalogue's default buttons
    // The buttons of the layout file; a missing file, or one without a single readable
    // button line, gives the default buttons (the file is left as it is).
    void Load();
    bool Save() const;                 // false: the layout file could not be written
    // Adds one button (or a separator for a negative id) at the front of the toolbar.
    void CreateButton(int id);

    // Colour pictures always (true), or grey until the mouse is over a button.
    void SetColor(bool color);
    bool Color() const { return m_color; }

    QToolButton *ButtonByName(const QString &name) const;

private:
    void bind(int id, QAction *button, QMenu **dropDown);

    TCommandTable *m_commands;
    QString m_layoutFile;
    QToolBar *m_bar;
    bool m_color = false;
};
