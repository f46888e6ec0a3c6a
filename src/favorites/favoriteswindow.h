#pragma once
// The Favorites window (frmFavorites): a small frameless window that drops down under the
// toolbar's Favorites button, holding the tree of the Favorites folder below its toolbar
// tbTop (Add Favorite, Organize Favorites, New Folder, Refresh). It is made on first use
// and afterwards only hides and shows:
//  - the Favorites command (actFavorites) places its top-left corner at the button's
//    bottom-left corner (kept on the screen) and shows it; when already shown, nothing
//    happens;
//  - a click on a shortcut opens its address by "FavoritesNewWin" and Shift (another file
//    goes to the desktop), then the window hides; a click on a folder toggles it;
//  - Esc, and the main window becoming active again, hide it;
//  - its size is kept in "FavoritesWidth" and "FavoritesHeight" (the grip in its corner
//    resizes it).

#include "app/settingspart.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class QToolBar;
class TCommandTable;
class TLinkLauncher;
class TShellTree;
class TToolbarColor;

class TFavoritesWindow : public QWidget {
    Q_OBJECT
public:
    TFavoritesWindow(TLinkLauncher *launcher, TCommandTable *commands, std::function<QString()> folder,
                     const bool *newWin, QWidget *mainWindow);

    TShellTree *Tree() const { return m_tree; }
    QToolBar *Bar() const { return m_bar; }
    // Shows the window with its top-left corner at pos (moved in to stay on its screen).
    void DropDownAt(const QPoint &pos);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void open(const QString &path);

    TLinkLauncher *m_launcher;
    std::function<QString()> m_folder;
    const bool *m_newWin;
    QPointer<QWidget> m_mainWindow;
    TShellTree *m_tree;
    QToolBar *m_bar;
};

// The subsystem behind the toolbar's Favorites button: registers actFavorites and owns the
// window from its first use on.
class TFavoritesDropDown : public QObject, public ISettingsPart {
    Q_OBJECT
public:
    // anchor: the Favorites button now (nullptr when the toolbar does not show it).
    TFavoritesDropDown(QWidget *mainWindow, TLinkLauncher *launcher, TCommandTable *commands,
                       std::function<QString()> folder, std::function<QWidget *()> anchor,
                       TToolbarColor *color, QObject *parent = nullptr);

    void Load(const TWindowSettings &settings) override;   // size, "FavoritesNewWin", "CBAutoExpand"
    void Save(TWindowSettings &settings) const override;   // the size

    void Show();   // the command
    TFavoritesWindow *Window() const { return m_window; }

private:
    QPointer<QWidget> m_mainWindow;
    TLinkLauncher *m_launcher;
    TCommandTable *m_commands;
    std::function<QString()> m_folder;
    std::function<QWidget *()> m_anchor;
    TToolbarColor *m_color;
    QPointer<TFavoritesWindow> m_window;
    QSize m_size{250, 400};
    bool m_newWin = true;
    bool m_autoCollapse = true;
};
