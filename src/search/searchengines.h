#pragma once
// TSearchEngines: the search-engine subsystem of a window. It owns pmSearch, the drop-down
// menu of the Search button ("&Organize Search Engines...", a separator, then one item per
// engine, rebuilt each time it drops down), registers the Go menu's Search row (which the
// Search button runs) and the organize row, and opens engines only through the tab opener.
//
// An engine opens like a favorite: in a tab of its own when "FavoritesNewWin" differs from
// the Shift key. When the user has typed words into the address box, an engine whose
// location holds "%s" searches for them; otherwise it opens its start page.

#include "app/settingspart.h"
#include "app/windowsettings.h"
#include "search/searchlist.h"

#include <QObject>
#include <QString>

#include <functional>

class ITabOpener;
class QAction;
class QMenu;
class QWidget;
class TCommandTable;

class TSearchEngines : public QObject, public ISettingsPart {
    Q_OBJECT
public:
    // Hands over the words the user has typed into the address box and puts the box back
    // to the page's address; "" when none were typed.
    using TTakeTypedWords = std::function<QString()>;

    // Registers "mnuGoSearch" (with pmSearch as its button's drop-down) and
    // "mnuOrganizeSearchEngines" in commands, and seeds the engine list on a first start.
    TSearchEngines(ITabOpener *opener, TCommandTable *commands, QWidget *dialogParent,
                   TTakeTypedWords takeTypedWords, QObject *parent = nullptr);

    QMenu *SearchMenu() const { return pmSearch; }

    // The commands.
    void pmSearchPopup();                       // rebuilds the engine items
    void mnuOrganizeSearchEnginesClick();       // the list dialog in engine mode
    // Go > Search and the Search button: the search panel once one is given, else the
    // first engine in the active tab.
    void actGoSearchExecute();
    void SetGoSearch(std::function<void()> showPanel) { m_showPanel = std::move(showPanel); }
    void OpenEngine(const QString &location);   // an engine item's click

    // FavoritesNewWin, read at creation and after the Options dialog (it is not changed here).
    void Load(const TWindowSettings &settings) override { m_favoritesNewWin = settings.favoritesNewWin; }
    bool FavoritesNewWin() const { return m_favoritesNewWin; }

Q_SIGNALS:
    // The engine list changed through the organize dialog.
    void enginesChanged();

private:
    void registerCommands();
    QString engineUrl(const QString &location);

    ITabOpener *m_opener;
    TCommandTable *m_commands;
    QWidget *m_dialogParent;
    TTakeTypedWords m_takeTypedWords;
    std::function<void()> m_showPanel;
    QMenu *pmSearch = nullptr;
    QAction *mnuOrganizeSearchEngines = nullptr;
    bool m_favoritesNewWin = true;
};
