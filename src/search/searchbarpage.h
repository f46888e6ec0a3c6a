#pragma once
// The program's own search bar page, "tabvane:searchbar": the user's search engines with a
// search box. Its links carry the target "_main", so the search panel sends them to the
// browser tabs. Typed words go into each engine's address where it holds "%s"; an engine
// without "%s" opens its start page. The page is served by the program itself (the maker's
// web host has no such page), from the engine list as it is at each load.
//
// The same handler answers "def:" addresses outside the search panel: a web address after
// the prefix is followed, anything else fails.

#include "search/searchlist.h"

#include <QString>
#include <QWebEngineUrlSchemeHandler>

class TSearchBarScheme : public QWebEngineUrlSchemeHandler {
    Q_OBJECT
public:
    static QString Address();   // "tabvane:searchbar"
    // Installs the handler on the program's web profile (once). The schemes must have been
    // registered before the application object was made (TWebProfile::RegisterSchemes).
    static void Install();
    // The page for these engines.
    static QString PageHtml(const TSearchEntries &engines);

    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    void requestStarted(QWebEngineUrlRequestJob *job) override;
};
