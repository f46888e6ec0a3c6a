#include "app/windowsettings.h"

#include "navigation/typedurls.h"
#include "platform/registry.h"

#include <functional>

namespace {

// A group of settings written together; the shutdown message names a group not saved.
struct TSettingsGroup {
    QString name;
    std::function<void(TKWOptions &)> write;
};

bool readIE4Mode()
{
    try {
        const RegValue version = TRegistry(RegRoot::LocalMachine)
                .readValue(QStringLiteral("Software\\Microsoft\\Internet Explorer"), QStringLiteral("Version"));
        return version.exists() && version.text.startsWith(QLatin1Char('4'));
    } catch (const RegistryError &) {
        return false;
    }
}

QString errorText(const std::exception &e)
{
    const auto *reg = dynamic_cast<const RegistryError *>(&e);
    return reg ? reg->message() : QString::fromLocal8Bit(e.what());
}

} // namespace

TWindowSettings TWindowSettings::Read(const TKWOptions &o)
{
    TWindowSettings s;
    s.ie4Mode = readIE4Mode();
    s.toolbarShowColor = o.ToolbarShowColor();
    s.useCustomIcons = o.UseCustomIcons();
    s.breakFavorites = o.BreakFavorites();
    s.flyswatShowLinks = o.FlyswatShowLinks();
    s.flyswatEnabled = o.FlyswatEnabled();
    s.completion.Load(o);
    s.kwid = o.KWID();
    s.showGo = o.ShowGo();
    s.disableAltShortcuts = o.DisableALTShortcuts();
    s.autoCompleteStyle = o.AutoCompleteStyle();
    s.addressNewWin = o.AddressNewWin();
    s.openNewAtEnd = o.OpenNewAtEnd();
    s.vgCloseFirst = o.VGCloseFirst();
    if (!s.ie4Mode)
        s.searchBar = o.SearchBar();
    s.vessaBarWidth = o.VessaBarWidth();
    s.usePopupVessa = o.UsePopupVessa();
    s.limitTitleLength = o.LimitTitleLength();
    s.multipleLines = o.MultipleLines();
    s.startupMode = o.StartupMode();
    s.startupVessaGroup = o.StartupVessaGroup();
    s.favoritesNewWin = o.FavoritesNewWin();
    s.favoritesWidth = o.FavoritesWidth();
    s.favoritesHeight = o.FavoritesHeight();
    s.historyNewWin = o.HistoryNewWin();
    s.searchNewWin = o.SearchNewWin();
    s.linksNewWin = o.LinksNewWin();
    s.newAction = o.NewAction();
    s.tabColorScheme = o.TabColorScheme();
    s.inactiveTabColor = o.InactiveTabColor();
    s.inactiveFontColor = o.InactiveFontColor();
    s.askDefaultBrowser = o.AskDefaultBrowser();
    s.tabsDown = o.TabsDown();
    s.cbAutoExpand = o.CBAutoExpand();
    s.minToTray = o.MinToTray();
    s.openNewInForeground = o.OpenNewInForeground();
    s.viewToolbar = o.ViewToolbar();
    s.viewAddressBar = o.ViewAddressBar();
    s.viewLinksBar = o.ViewLinksBar();
    s.viewStatusBar = o.ViewStatusBar();
    s.viewVessaBar = o.ViewVessaBar();
    s.fullScreen = o.FullScreen();
    s.maximized = o.Maximized();
    s.bounds = QRect(o.Left(), o.Top(), o.Width(), o.Height());
    s.startupPage = o.StartupPage();
    if (s.startupMode == QLatin1String("Last"))
        s.lastOpenSites = o.LastOpenSites();
    return s;
}

TWindowSettings::TWriteResult TWindowSettings::Write(const TWindowSettings &asRead) const
{
    const QList<TSettingsGroup> groups = {
        {QStringLiteral("the open sites"), [this](TKWOptions &o) { o.SetLastOpenSites(lastOpenSites); }},
        {QStringLiteral("the options"), [this](TKWOptions &o) {
             o.SetDisableALTShortcuts(disableAltShortcuts);
             o.SetOpenNewInForeground(openNewInForeground);
             o.SetAddressNewWin(addressNewWin);
             o.SetAutoCompleteStyle(autoCompleteStyle);
             o.SetMinToTray(minToTray);
             o.SetShowGo(showGo);
             o.SetCBAutoExpand(cbAutoExpand);
         }},
        {QStringLiteral("the window placement"), [this](TKWOptions &o) {
             // A maximised window keeps the stored bounds as its normal placement.
             if (!maximized) {
                 o.SetTop(bounds.y());
                 o.SetHeight(bounds.height());
                 o.SetLeft(bounds.x());
                 o.SetWidth(bounds.width());
             }
             o.SetMaximized(maximized);
         }},
        {QStringLiteral("the options"), [this, &asRead](TKWOptions &o) {
             o.SetOpenNewAtEnd(openNewAtEnd);
             o.SetVessaBarWidth(vessaBarWidth);
             o.SetLimitTitleLength(limitTitleLength);
             o.SetSearchBar(searchBar);
             o.SetFullScreen(fullScreen);
             o.SetUsePopupVessa(usePopupVessa);
             const TWindowSettings &r = asRead;
             if (toolbarShowColor != r.toolbarShowColor) o.SetToolbarShowColor(toolbarShowColor);
             if (multipleLines != r.multipleLines) o.SetMultipleLines(multipleLines);
             if (tabsDown != r.tabsDown) o.SetTabsDown(tabsDown);
             if (tabColorScheme != r.tabColorScheme) o.SetTabColorScheme(tabColorScheme);
             if (inactiveTabColor != r.inactiveTabColor) o.SetInactiveTabColor(inactiveTabColor);
             if (inactiveFontColor != r.inactiveFontColor) o.SetInactiveFontColor(inactiveFontColor);
             if (newAction != r.newAction) o.SetNewAction(newAction);
             if (startupMode != r.startupMode) o.SetStartupMode(startupMode);
             if (startupVessaGroup != r.startupVessaGroup) o.SetStartupVessaGroup(startupVessaGroup);
             if (favoritesNewWin != r.favoritesNewWin) o.SetFavoritesNewWin(favoritesNewWin);
             if (favoritesWidth != r.favoritesWidth) o.SetFavoritesWidth(favoritesWidth);
             if (favoritesHeight != r.favoritesHeight) o.SetFavoritesHeight(favoritesHeight);
             if (historyNewWin != r.historyNewWin) o.SetHistoryNewWin(historyNewWin);
             if (searchNewWin != r.searchNewWin) o.SetSearchNewWin(searchNewWin);
             if (linksNewWin != r.linksNewWin) o.SetLinksNewWin(linksNewWin);
             if (useCustomIcons != r.useCustomIcons) o.SetUseCustomIcons(useCustomIcons);
             if (breakFavorites != r.breakFavorites) o.SetBreakFavorites(breakFavorites);
             if (flyswatEnabled != r.flyswatEnabled) o.SetFlyswatEnabled(flyswatEnabled);
             if (flyswatShowLinks != r.flyswatShowLinks) o.SetFlyswatShowLinks(flyswatShowLinks);
         }},
        {QStringLiteral("the view settings"), [this](TKWOptions &o) {
             o.SetViewVessaBar(viewVessaBar);
             o.SetViewToolbar(viewToolbar);
             o.SetViewAddressBar(viewAddressBar);
             o.SetViewLinksBar(viewLinksBar);
             o.SetViewStatusBar(viewStatusBar);
             o.SetVGCloseFirst(vgCloseFirst);
         }},
    };

    // Everything in one transaction: one wait for the disk instead of one per value.
    TKWOptions options;
    try {
        QList<RegChange> changes;
        options.CollectWrites(&changes);
        for (const TSettingsGroup &group : groups)
            group.write(options);
        options.CollectWrites(nullptr);
        TRegistry::apply(changes);
        return TWriteResult();
    } catch (const RegistryError &) {
        options.CollectWrites(nullptr);
    }

    // That failed and wrote nothing: each group again on its own, value by value, so that
    // a failing group loses only itself and the message names it.
    TWriteResult result;
    for (const TSettingsGroup &group : groups) {
        try {
            group.write(options);
        } catch (const std::exception &e) {
            if (!result.unsaved.contains(group.name))
                result.unsaved.append(group.name);
            if (result.firstError.isEmpty())
                result.firstError = errorText(e);
        }
    }
    return result;
}

TStartSettings TStartSettings::Read()
{
    TStartSettings read;
    TKWOptions store = TKWOptions::Snapshot();
    store.SetWrongTypeHandler([&read](const QString &message) { read.problems.append(message); });
    read.settings = TWindowSettings::Read(store);
    try {
        read.typedUrls = TTypedUrls::Load();
        read.typedUrlsRead = true;
    } catch (const RegistryError &e) {
        read.problems.append(QStringLiteral("The typed addresses could not be read (%1); "
                                            "they are not saved when Tabvane closes.")
                                     .arg(e.message()));
    }
    return read;
}
