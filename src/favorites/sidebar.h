#pragma once
// TSideBar: the window's side bar (the VessaBar). It fills the window's side-bar panel with
// a header (title and close button), the page control pcTandemBar (tabs at the bottom) and
// a grip on its right edge that sets the bar's width by dragging. Each page is its own
// class and is prepared the first time it is shown, never before: a window that never
// shows the bar never reads the Favorites folder for it.
//
// The bar does not decide its own visibility: the View command owns the check marks, so
// the close button and the page keys ask for it through ShowRequested, and the window
// calls SetShown when the View command shows or hides it.
//
// The keys Ctrl+I (Favorites), Ctrl+H (History), Ctrl+G (VessaGroups) and Ctrl+E / Ctrl+S
// (Search, once the search subsystem gave its page) show the bar on their page; the same
// key again while that page is shown hides the bar.

#include "app/windowsettings.h"
#include "app/settingspart.h"
#include "favorites/historypage.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class ITabOpener;
class QWidget;
class TCommandTable;
class TKWPageControl;
class TKWTabSheet;
class TLinkLauncher;
class TSideBarPage;
class TShellTree;
class TToolbarColor;

// What the groups page needs of the VessaGroups subsystem.
struct TSideBarGroups {
    std::function<QString()> folder;                   // the group folder (made when missing)
    std::function<void(const QString &path)> open;     // opens a group file as tabs
    std::function<void()> changed;                     // the groups menu must be rebuilt
    std::function<bool(const QString &path)> isGroup;  // a group file (else it opens nothing)
    std::function<void(const QString &path)> organize; // the group editor for a group file
};

// The file name a group or folder of the groups tree is renamed to from what the user
// typed: a group file ("x.vgp") is offered and renamed without its extension, which is put
// back; a folder takes the text as it is. "" when nothing was typed.
QString RenamedGroupEntry(const QString &oldName, bool isFile, const QString &typed);

class TSideBar : public QObject, public ISettingsPart {
    Q_OBJECT
public:
    enum TPage { Favorites, History, Search, VessaGroups };

    // host: the window's side-bar panel, filled here. opener: where addresses open.
    // favoritesFolder: the Favorites folder ("" when none).
    TSideBar(QWidget *host, ITabOpener *opener, TCommandTable *commands, TSideBarGroups groups,
             std::function<QString()> favoritesFolder, QObject *parent = nullptr);

    // "VessaBarWidth", "FavoritesNewWin", "CBAutoExpand" and "TabsDown" (the bar's tabs go
    // where the browser tabs go); the shown state belongs to the View command.
    void Load(const TWindowSettings &settings) override;
    void Save(TWindowSettings &settings) const override;

    bool Shown() const { return m_shown; }
    int Width() const;
    void SetWidth(int width);   // kept between 40 pixels and most of the window

    // Adds the Search page (before VessaGroups); build fills it the first time it is shown.
    void SetSearchPage(std::function<void(QWidget *page)> build);

    // Shows the page (prepared now when it was not), asking for the bar to show.
    void ShowPage(TPage page);
    TPage ActivePage() const;
    bool Prepared(TPage page) const;

    TKWPageControl *PageControl() const { return pcTandemBar; }
    TShellTree *FavoritesTree() const;
    TShellTree *GroupsTree() const;
    // The History page's content; nullptr until the page is first shown.
    THistoryPage *HistoryPage() const;
    // Where the History page reads (the user's store and History folder by default); set
    // before the page is first shown.
    void SetHistorySource(THistorySource source) { m_historySource = std::move(source); }
    TLinkLauncher *Launcher() const { return m_launcher; }
    // The window's colour switch: each page's toolbar follows it once the page is prepared.
    void SetToolbarColor(TToolbarColor *color);
    QWidget *CloseButton() const { return m_closeButton; }

public Q_SLOTS:
    void SetShown(bool shown);
    // The history changed elsewhere (Internet Options): the History page reads it again.
    void RefreshHistory();

Q_SIGNALS:
    void ShowRequested(bool shown);

private:
    void registerCommands();
    void pageKey(TPage page);
    void prepareActive();
    TSideBarPage *page(TPage page) const;

    QPointer<QWidget> m_host;
    TCommandTable *m_commands;
    TLinkLauncher *m_launcher;
    TKWPageControl *pcTandemBar = nullptr;
    QWidget *m_closeButton = nullptr;
    TSideBarPage *m_favoritesPage = nullptr;
    TSideBarPage *m_groupsPage = nullptr;
    TSideBarPage *m_historyPage = nullptr;
    THistorySource m_historySource;
    bool m_historyNewWin = true;
    TSideBarPage *m_searchPage = nullptr;
    bool m_shown = false;
    bool m_favoritesNewWin = true;
    bool m_autoCollapse = true;
    QPointer<TToolbarColor> m_toolbarColor;
};
