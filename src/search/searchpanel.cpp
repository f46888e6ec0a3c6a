#include "search/searchpanel.h"

#include "app/kwoptions.h"
#include "browser/browsertab.h"
#include "browser/tabhost.h"
#include "browser/tabopener.h"
#include "browser/vessabrowser.h"
#include "navigation/open.h"
#include "platform/registry.h"
#include "search/searchbarpage.h"
#include "search/searchengine.h"
#include "search/searchengines.h"
#include "search/searchlist.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFrame>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString menuCaption(QString title)
{
    return title.replace(QLatin1Char('&'), QLatin1String("&&"));
}

qint64 nowMs()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

// Makes the tab that adopts a window of the panel: hidden until the popup filter let its
// first address through, then in front.
class TForegroundWindows : public ITabFactory {
public:
    explicit TForegroundWindows(ITabOpener *opener) : m_opener(opener) {}
    TBrowserTab *CreateHiddenTab() override { return m_opener->CreateHiddenForegroundTab(); }
    TBrowserTab *CreateBackgroundTab() override { return m_opener->CreateBackgroundTab(); }
    void StartHiddenTabTimer() override {}
    void CloseTab(TBrowserTab *tab) override { m_opener->CloseTab(tab); }

private:
    ITabOpener *m_opener;
};

// A failure of the settings hive in a menu slot is told, never passed on.
void guarded(QWidget *parent, const std::function<void()> &run)
{
    try {
        run();
    } catch (const std::exception &e) {
        QMessageBox::warning(parent, QStringLiteral("Tabvane"), QString::fromStdString(e.what()));
    }
}

}

TSearchPanel::TSearchPanel(ITabOpener *opener, TSearchEngines *engines, QWidget *dialogParent,
                           std::function<void()> showPage, QObject *parent)
    : QObject(parent), m_opener(opener), m_dialogParent(dialogParent), m_showPage(std::move(showPage))
{
    setObjectName(QStringLiteral("searchPanel"));
    m_searchHome = TKWOptions::DefaultSearchBar();
    AskFavoriteName = [this](QString *name) {
        bool ok = false;
        const QString typed = QInputDialog::getText(m_dialogParent, QStringLiteral("Search Bar Favorite"),
                                                    QStringLiteral("Name your Search Bar Favorite"),
                                                    QLineEdit::Normal, *name, &ok);
        if (ok)
            *name = typed;
        return ok;
    };
    AskAddress = [this] {
        TfrmOpen dialog(m_dialogParent);
        dialog.SetNewTabVisible(false);
        return dialog.exec() == QDialog::Accepted ? dialog.ResultAddress : QString();
    };
    if (engines)
        engines->SetGoSearch([this] { actGoSearchExecute(); });
}

void TSearchPanel::Load(const TWindowSettings &settings)
{
    m_ie4Mode = settings.ie4Mode;
    m_searchHome = settings.searchBar;
    m_searchNewWin = settings.searchNewWin;
}

void TSearchPanel::Save(TWindowSettings &settings) const
{
    if (!m_ie4Mode)
        settings.searchBar = m_searchHome;
}

TVessaBrowser *TSearchPanel::SearchBrowser() const
{
    return m_browser;
}

QString TSearchPanel::LoadingPageHtml()
{
    return QStringLiteral("<html><body bgcolor=\"666699\"><font face=\"Tahoma,Arial,Helvetica\" size=\"-1\" "
                          "color=\"ffffff\">Loading Search Engine...</body></html>");
}

QString TSearchPanel::HomeAddress(const QString &home)
{
    if (home.trimmed().isEmpty() || home == TKWOptions::DefaultSearchBar())
        return TSearchBarScheme::Address();
    return home;
}

void TSearchPanel::Prepare(QWidget *page)
{
    if (m_prepared || !page)
        return;
    m_prepared = true;
    // The engine loads the program's own page through its handler; a stand-in control
    // (installed by tests) loads nothing.
    if (!WebControlFactory())
        TSearchBarScheme::Install();
    auto *box = new QVBoxLayout(page);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    auto *bar = new QToolBar(page);
    bar->setObjectName(QStringLiteral("tbarSearch"));
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    buildToolbar(bar);
    box->addWidget(bar);

    auto *group = new QFrame(page);
    group->setObjectName(QStringLiteral("gpSearch"));
    group->setFrameShape(QFrame::StyledPanel);
    auto *groupBox = new QVBoxLayout(group);
    groupBox->setContentsMargins(1, 1, 1, 1);
    m_browser = new TVessaBrowser(group);
    m_browser->setObjectName(QStringLiteral("SearchBrowser"));
    m_browser->No3DBorder = true;
    m_browser->FlatScrollbar = true;
    m_browser->UseDownloadControl = false;
    groupBox->addWidget(m_browser);
    box->addWidget(group, 1);

    TWebControl *control = m_browser->Control();
    control->SetReportLinkClicks(true);
    connect(control, &TWebControl::LinkClicked, this, [this](const TLinkClick &click) { m_click = click; });
    connect(control, &TWebControl::BeforeNavigate2, this,
            [this](TWebFrame frame, const QString &url, bool *cancel, const TNavigation &) {
                onBeforeNavigate(frame, url, cancel);
            });
    connect(control, &TWebControl::NewWindow2, this, &TSearchPanel::onNewWindow);
    RebuildFavorites();
    // The first showing loads the search home.
    if (!m_loaded && !m_ie4Mode) {
        m_loaded = true;
        loadHome(HomeAddress(m_searchHome));
    }
}

void TSearchPanel::buildToolbar(QToolBar *bar)
{
    const auto button = [bar](const char *name, const char *caption, const char *hint) {
        auto *b = new QToolButton(bar);
        b->setObjectName(QLatin1String(name));
        b->setText(QLatin1String(caption));
        const QString h = QLatin1String(hint);
        b->setToolTip(h.section(QLatin1Char('|'), 0, 0));
        b->setStatusTip(h.section(QLatin1Char('|'), -1));
        b->setAutoRaise(true);
        bar->addWidget(b);
        return b;
    };
    QToolButton *newSearch = button("tbNewSearch", "New", "Search Home|Goes to search home");
    auto *home = new QMenu(newSearch);
    home->setObjectName(QStringLiteral("pmSearchHome"));
    QAction *set = home->addAction(QStringLiteral("&Set Current as Home"));
    set->setObjectName(QStringLiteral("pmSearchHomeSet"));
    set->setStatusTip(QStringLiteral("Set Current as Home"));
    connect(set, &QAction::triggered, this, [this] { pmSearchHomeSetClick(); });
    QAction *open = home->addAction(QStringLiteral("&Open..."));
    open->setObjectName(QStringLiteral("pmSearchHomeOpen"));
    connect(open, &QAction::triggered, this, [this] { tbOpenSearchClick(); });
    newSearch->setMenu(home);
    newSearch->setPopupMode(QToolButton::MenuButtonPopup);
    connect(newSearch, &QToolButton::clicked, this, [this] { tbNewSearchClick(); });

    QToolButton *favs = button("tbSearchFavs", "Favorites", "Search Bar Favorites");
    pmSearchFavs = new QMenu(favs);
    pmSearchFavs->setObjectName(QStringLiteral("pmSearchFavs"));
    QAction *add = pmSearchFavs->addAction(QStringLiteral("&Add to Search Favs..."));
    add->setObjectName(QStringLiteral("pmSearchFavsAdd"));
    connect(add, &QAction::triggered, this, [this] { guarded(m_dialogParent, [this] { pmSearchFavsAddClick(); }); });
    QAction *organize = pmSearchFavs->addAction(QStringLiteral("&Organize Search Favs..."));
    organize->setObjectName(QStringLiteral("pmSearchFavsOrg"));
    connect(organize, &QAction::triggered, this, [this] { guarded(m_dialogParent, [this] { pmSBFavsOrganizeClick(); }); });
    pmSearchFavs->addSeparator();
    favs->setMenu(pmSearchFavs);
    favs->setPopupMode(QToolButton::InstantPopup);

    QToolButton *choose = button("tbSearchBar", "Choose", "Choose Search|Chooses a search engine");
    connect(choose, &QToolButton::clicked, this, [this] { tbChooseSearchBarClick(); });
}

void TSearchPanel::loadHome(const QString &address)
{
    if (!m_browser)
        return;
    TWebControl *control = m_browser->Control();
    control->Stop();
    m_browser->WriteHtml(LoadingPageHtml());
    m_skip = true;
    m_browser->NavigateTo(address);
}

void TSearchPanel::actGoSearchExecute()
{
    if (m_ie4Mode)
        return;
    if (m_showPage)
        m_showPage();
    // Showing the page prepared it, which loads the home; a panel shown but never loaded
    // (the page was prepared in IE4 mode) loads now.
    if (m_browser && !m_loaded) {
        m_loaded = true;
        loadHome(HomeAddress(m_searchHome));
    }
}

void TSearchPanel::tbNewSearchClick()
{
    if (!m_browser)
        return;
    m_browser->Control()->Stop();
    m_skip = true;
    m_browser->NavigateTo(HomeAddress(m_searchHome));
}

void TSearchPanel::tbChooseSearchBarClick()
{
    // Always the program's own search bar page, whatever the home is.
    loadHome(TSearchBarScheme::Address());
}

void TSearchPanel::pmSearchHomeSetClick()
{
    if (!m_browser)
        return;
    const QString current = m_browser->Control()->LocationURL();
    if (!current.isEmpty())
        m_searchHome = current;
}

void TSearchPanel::tbOpenSearchClick()
{
    if (!m_browser || !AskAddress)
        return;
    const QString address = AskAddress().trimmed();
    if (!address.isEmpty())
        loadHome(address);
}

void TSearchPanel::pmSearchFavsAddClick()
{
    if (!m_browser)
        return;
    const QString url = m_browser->Control()->LocationURL();
    QString name = m_browser->Control()->LocationName();
    if (!AskFavoriteName || !AskFavoriteName(&name))
        return;
    name = name.trimmed();
    if (!name.isEmpty() && !url.isEmpty()) {
        // One value replaces a favorite of the same name (names compare without case).
        TSearchEntries entries = TSearchList::Read(TSearchListKind::SearchBar);
        bool replaced = false;
        for (TSearchEntry &e : entries) {
            if (e.title.compare(name, Qt::CaseInsensitive) == 0) {
                e = {name, url};
                replaced = true;
            }
        }
        if (!replaced)
            entries.append({name, url});
        TSearchList::Write(TSearchListKind::SearchBar, entries);
    }
    RebuildFavorites();
}

void TSearchPanel::pmSBFavsOrganizeClick()
{
    TfrmSearchEngine dialog(m_dialogParent, TfrmSearchEngine::SearchBarMode);
    if (m_dialogParent)
        dialog.setFont(m_dialogParent->font());
    if (dialog.exec() == QDialog::Accepted)
        RebuildFavorites();
}

void TSearchPanel::RebuildFavorites()
{
    if (!pmSearchFavs)
        return;
    const QList<QAction *> items = pmSearchFavs->actions();
    for (int i = 3; i < items.size(); ++i) {
        pmSearchFavs->removeAction(items.at(i));
        delete items.at(i);
    }
    TSearchEntries favorites;
    try {
        favorites = TSearchList::Read(TSearchListKind::SearchBar);
    } catch (const std::exception &e) {
        qWarning("The search bar favorites could not be read: %s", e.what());
    }
    for (const TSearchEntry &favorite : favorites) {
        QAction *item = pmSearchFavs->addAction(menuCaption(favorite.title));
        item->setStatusTip(favorite.location);
        item->setToolTip(favorite.location);
        const QString url = favorite.location;
        connect(item, &QAction::triggered, this, [this, url] { OpenFavorite(url); });
    }
}

void TSearchPanel::OpenFavorite(const QString &url)
{
    if (!m_browser)
        return;
    m_browser->Control()->Stop();
    m_browser->NavigateTo(url);
}

TSearchRoute TSearchPanel::route(const QString &url)
{
    const bool shift = (m_click && m_click->shift)
            || (QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier);
    const TSearchRoute decision = TSearchRouting::Route(url, m_click ? &*m_click : nullptr, m_searchNewWin, shift);
    // A click starts one navigation: a later one (a script's, a redirect) is decided alone.
    if (m_click && TSearchRouting::ClickStarted(*m_click, url))
        m_click.reset();
    return decision;
}

void TSearchPanel::onBeforeNavigate(TWebFrame, const QString &url, bool *cancel)
{
    if (m_skip) {
        m_skip = false;
        return;
    }
    const TSearchRoute decision = route(url);
    if (decision.kind == TSearchRouteKind::AsRequested)
        return;
    *cancel = true;
    follow(decision);
}

void TSearchPanel::onNewWindow(TWebFrame *newWindow, bool *cancel, const QString &url)
{
    const TSearchRoute decision = route(url);
    if (decision.kind != TSearchRouteKind::AsRequested) {
        *cancel = true;
        follow(decision);
        return;
    }
    // Any other window becomes a tab in front, through the popup filter as a tab's windows
    // do; a page that opens windows in a loop gets a few, not a flood.
    if (!m_windows.Take(nowMs())) {
        *cancel = true;
        return;
    }
    TForegroundWindows factory(m_opener);
    TBrowserTab::HandleNewWindow(&factory, newWindow, cancel);
}

void TSearchPanel::follow(const TSearchRoute &decision)
{
    if (decision.kind == TSearchRouteKind::Refused || decision.kind == TSearchRouteKind::AsRequested)
        return;
    // Not inside the engine's event: the navigation it asked about is still being refused.
    QPointer<TSearchPanel> self(this);
    QTimer::singleShot(0, this, [self, decision] {
        if (!self)
            return;
        if (decision.kind == TSearchRouteKind::ToTabs) {
            self->openInTabs(decision.url, decision.newTab);
        } else if (self->m_browser) {
            self->m_browser->Control()->Stop();
            self->m_skip = true;
            self->m_browser->NavigateTo(decision.url);
        }
    });
}

void TSearchPanel::openInTabs(const QString &url, bool newTab)
{
    if (newTab) {
        TBrowserTab *tab = m_opener->IdleBlankTab();
        if (!tab)
            tab = m_opener->CreateForegroundTab();
        if (tab)
            tab->OpenAsHome(url);
    } else if (TBrowserTab *active = m_opener->ActiveTab()) {
        active->NavigateTo(url);
    }
}
