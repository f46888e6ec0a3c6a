#pragma once
// TSearchPanel: the side bar's Search page. It hosts SearchBrowser, a small browser view
// of its own, with the toolbar tbarSearch above it: tbNewSearch (the search home; its menu
// sets the current page as home or opens an address in the panel), tbSearchFavs (the
// panel's own favorites, the "Search Bar" list) and tbSearchBar (the program's search bar
// page, whatever the home is).
//
// Links the pages in the panel follow are routed by TSearchRouting: "_main" links go to
// the browser tabs under "SearchNewWin" and Shift, "DEF:" links stay in the panel, the rest
// stays. Windows a page opens become foreground tabs (through the popup filter), at most a
// few at a time.
//
// The panel loads nothing until it is first shown. The search home ("SearchBar") is read
// with the window's settings, changed in memory by "Set Current as Home", and written back
// with them at shutdown. The maker's default home is served by the program itself.

#include "app/settingspart.h"
#include "app/windowsettings.h"
#include "platform/webcontrol.h"
#include "search/searchroute.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class ITabOpener;
class QAction;
class QMenu;
class QToolBar;
class QToolButton;
class QWidget;
class TCommandTable;
class TSearchEngines;
class TVessaBrowser;

class TSearchPanel : public QObject, public ISettingsPart {
    Q_OBJECT
public:
    // showPage shows the side bar at the Search page (which prepares the page on its first
    // showing). Go > Search and the Search button of engines show the panel from now on.
    TSearchPanel(ITabOpener *opener, TSearchEngines *engines, QWidget *dialogParent,
                 std::function<void()> showPage, QObject *parent = nullptr);

    // Makes the page's widgets in page and loads the search home: the page's first showing.
    void Prepare(QWidget *page);

    // "SearchBar" (the search home) and "SearchNewWin"; in IE4 mode the panel does nothing.
    void Load(const TWindowSettings &settings) override;
    void Save(TWindowSettings &settings) const override;

    // The loading page written into the panel while a search page loads.
    static QString LoadingPageHtml();
    // The address the panel loads for a search home: the program's own search bar page for
    // the maker's default page (and an empty home), any other home as it is.
    static QString HomeAddress(const QString &home);

    // Commands
    void actGoSearchExecute();
    void tbNewSearchClick();
    void tbChooseSearchBarClick();
    void pmSearchHomeSetClick();
    void tbOpenSearchClick();
    void pmSearchFavsAddClick();
    void pmSBFavsOrganizeClick();
    void RebuildFavorites();
    void OpenFavorite(const QString &url);

    // Asks for a favorite's name (default: the page title); false when cancelled. Tests
    // replace it; by default an input dialog.
    std::function<bool(QString *name)> AskFavoriteName;
    // Asks for an address to open in the panel; "" when cancelled. By default the Open
    // dialog without its new-tab box.
    std::function<QString()> AskAddress;

    TVessaBrowser *SearchBrowser() const;   // nullptr until the page was first shown
    QMenu *FavoritesMenu() const { return pmSearchFavs; }
    QString SearchHome() const { return m_searchHome; }
    bool Loaded() const { return m_loaded; }

private:
    void buildToolbar(QToolBar *bar);
    void loadHome(const QString &address);
    void onBeforeNavigate(TWebFrame frame, const QString &url, bool *cancel);
    void onNewWindow(TWebFrame *newWindow, bool *cancel, const QString &url);
    // Acts on a route after the engine's event has returned.
    void follow(const TSearchRoute &route);
    TSearchRoute route(const QString &url);
    void openInTabs(const QString &url, bool newTab);

    ITabOpener *m_opener;
    QWidget *m_dialogParent;
    std::function<void()> m_showPage;
    QPointer<TVessaBrowser> m_browser;
    QMenu *pmSearchFavs = nullptr;
    std::optional<TLinkClick> m_click;   // the last click not yet used for a decision
    TWindowBudget m_windows;
    QString m_searchHome;
    bool m_searchNewWin = true;
    bool m_ie4Mode = false;
    bool m_skip = false;      // the next before-navigate event is the program's own
    bool m_loaded = false;
    bool m_prepared = false;
};
