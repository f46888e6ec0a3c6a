#include "options/optionsvalues.h"

#include "app/windowsettings.h"
#include "platform/registry.h"
#include "popup/popupfilter.h"

#include <QFileInfo>

TOptionsValues TOptionsValues::Load(const TKWOptions &o, const TWindowSettings &running)
{
    TOptionsValues v;
    v.askDefaultBrowser = o.AskDefaultBrowser();
    v.allowMultiInstance = o.AllowMultiInstance();
    v.disableAltShortcuts = o.DisableALTShortcuts();
    v.breakFavorites = o.BreakFavorites();
    v.m_breakFavoritesAsRead = v.breakFavorites;
    v.toolbarShowColor = o.ToolbarShowColor();
    v.useCustomIcons = o.UseCustomIcons();

    v.multipleLines = o.MultipleLines();
    v.tabsDown = o.TabsDown();
    // A negative limit limits nothing where titles are cut, so it shows as no limit.
    v.limitTitleLength = qBound(0, o.LimitTitleLength(), 100);

    v.colorScheme = TTabColors::ParseScheme(o.TabColorScheme());
    v.inactiveTabColor = o.InactiveTabColor();
    v.inactiveFontColor = o.InactiveFontColor();

    v.newAction = qBound(0, o.NewAction(), 2);
    v.favoritesNewWin = o.FavoritesNewWin();
    v.historyNewWin = o.HistoryNewWin();
    v.searchNewWin = o.SearchNewWin();
    v.linksNewWin = o.LinksNewWin();

    const QString mode = o.StartupMode();
    v.startup = mode == QLatin1String("Last")   ? TStartupChoice::Last
                : mode == QLatin1String("Home") ? TStartupChoice::Home
                                                : TStartupChoice::Group;
    v.startupVessaGroup = o.StartupVessaGroup();

    v.completion.Load(o);

    v.usePopupVessa = o.UsePopupVessa();
    v.popupAddresses = PopupEntryData(o.PopupVessa());

    v.showGo = o.ShowGo();
    v.autoCompleteStyle = o.AutoCompleteStyle();
    v.ie4Mode = running.ie4Mode;

    v.flyswatEnabled = o.FlyswatEnabled();
    v.flyswatShowLinks = o.FlyswatShowLinks();

    // The window's own copies may be newer than the store.
    v.vgCloseFirst = running.vgCloseFirst;
    v.openNewAtEnd = running.openNewAtEnd;
    v.openNewInForeground = running.openNewInForeground;
    v.cbAutoExpand = running.cbAutoExpand;
    v.minToTray = running.minToTray;
    v.addressNewWin = running.addressNewWin;
    return v;
}

bool TOptionsValues::StartupGroupValid() const
{
    return startup != TStartupChoice::Group || (!startupVessaGroup.isEmpty() && QFileInfo(startupVessaGroup).isFile());
}

TAutoCompleteStyle TOptionsValues::EffectiveAutoCompleteStyle() const
{
    return ie4Mode && autoCompleteStyle == TAutoCompleteStyle::IE5 ? TAutoCompleteStyle::IE4 : autoCompleteStyle;
}

QStringList TOptionsValues::PopupLines() const
{
    QStringList rows;
    for (const QString &address : popupAddresses)
        if (!address.trimmed().isEmpty())
            rows.append(address);
    return RenumberPopupEntries(rows);
}

void TOptionsValues::Store() const
{
    TKWOptions o;
    QList<RegChange> changes;
    o.CollectWrites(&changes);
    o.SetUseCustomIcons(useCustomIcons);
    o.SetToolbarShowColor(toolbarShowColor);
    o.SetFlyswatEnabled(flyswatEnabled);
    o.SetFlyswatShowLinks(flyswatShowLinks);
    if (breakFavorites != m_breakFavoritesAsRead)
        o.SetBreakFavorites(breakFavorites);
    o.SetDisableALTShortcuts(disableAltShortcuts);
    o.SetNewAction(newAction);
    o.SetAutoCompleteStyle(EffectiveAutoCompleteStyle());
    o.SetMinToTray(minToTray);
    // The window writes these four at exit as well; stored now, they survive a crash.
    o.SetVGCloseFirst(vgCloseFirst);
    o.SetOpenNewAtEnd(openNewAtEnd);
    o.SetAddressNewWin(addressNewWin);
    o.SetCBAutoExpand(cbAutoExpand);
    o.SetPopupVessa(PopupLines());
    o.SetTabColorScheme(TTabColors::SchemeName(colorScheme));
    if (colorScheme == TTabColorScheme::Custom) {
        o.SetInactiveTabColor(inactiveTabColor);
        o.SetInactiveFontColor(inactiveFontColor);
    }
    o.SetAllowMultiInstance(allowMultiInstance);
    switch (startup) {
    case TStartupChoice::Last: o.SetStartupMode(QStringLiteral("Last")); break;
    case TStartupChoice::Home: o.SetStartupMode(QStringLiteral("Home")); break;
    case TStartupChoice::Group:
        o.SetStartupMode(QStringLiteral("VessaGroup"));
        o.SetStartupVessaGroup(startupVessaGroup);
        break;
    }
    o.SetFavoritesNewWin(favoritesNewWin);
    o.SetHistoryNewWin(historyNewWin);
    o.SetSearchNewWin(searchNewWin);
    o.SetLinksNewWin(linksNewWin);
    o.SetTabsDown(tabsDown);
    o.SetShowGo(showGo);
    o.SetMultipleLines(multipleLines);
    o.SetUsePopupVessa(usePopupVessa);
    o.SetOpenNewInForeground(openNewInForeground);
    o.SetCtrlPre(completion.CtrlPre);
    o.SetCtrlPost(completion.CtrlPost);
    o.SetShiftPre(completion.ShiftPre);
    o.SetShiftPost(completion.ShiftPost);
    o.SetCtrlShiftPre(completion.CtrlShiftPre);
    o.SetCtrlShiftPost(completion.CtrlShiftPost);
    o.SetAskDefaultBrowser(askDefaultBrowser);
    o.SetLimitTitleLength(limitTitleLength);
    o.CollectWrites(nullptr);
    TRegistry::apply(changes);
}

void TOptionsValues::Apply(TWindowSettings &s) const
{
    s.askDefaultBrowser = askDefaultBrowser;
    s.minToTray = minToTray;
    s.cbAutoExpand = cbAutoExpand;
    s.disableAltShortcuts = disableAltShortcuts;
    s.breakFavorites = breakFavorites;
    s.toolbarShowColor = toolbarShowColor;
    s.useCustomIcons = useCustomIcons;
    s.openNewInForeground = openNewInForeground;
    s.vgCloseFirst = vgCloseFirst;
    s.limitTitleLength = limitTitleLength;
    s.openNewAtEnd = openNewAtEnd;
    s.tabColorScheme = TTabColors::SchemeName(colorScheme);
    if (colorScheme == TTabColorScheme::Custom) {
        s.inactiveTabColor = inactiveTabColor;
        s.inactiveFontColor = inactiveFontColor;
    }
    s.newAction = newAction;
    s.favoritesNewWin = favoritesNewWin;
    s.historyNewWin = historyNewWin;
    s.searchNewWin = searchNewWin;
    s.linksNewWin = linksNewWin;
    s.addressNewWin = addressNewWin;
    s.startupMode = startup == TStartupChoice::Last   ? QStringLiteral("Last")
                    : startup == TStartupChoice::Home ? QStringLiteral("Home")
                                                      : QStringLiteral("VessaGroup");
    if (startup == TStartupChoice::Group)
        s.startupVessaGroup = startupVessaGroup;
    s.completion = completion;
    s.usePopupVessa = usePopupVessa;
    s.showGo = showGo;
    s.autoCompleteStyle = EffectiveAutoCompleteStyle();
    s.flyswatEnabled = flyswatEnabled;
    s.flyswatShowLinks = flyswatShowLinks;
}
