#include "search/searchengines.h"

#include "browser/browsertab.h"
#include "browser/tabopener.h"
#include "navigation/commandtable.h"
#include "platform/registry.h"
#include "search/searchengine.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QWidget>

namespace {

// Menu captions show an engine's title as it is: an "&" is not an access key.
QString menuCaption(QString title)
{
    return title.replace(QLatin1Char('&'), QLatin1String("&&"));
}

}

TSearchEngines::TSearchEngines(ITabOpener *opener, TCommandTable *commands, QWidget *dialogParent,
                               TTakeTypedWords takeTypedWords, QObject *parent)
    : QObject(parent), m_opener(opener), m_commands(commands), m_dialogParent(dialogParent),
      m_takeTypedWords(std::move(takeTypedWords))
{
    setObjectName(QStringLiteral("searchEngines"));
    // A first start gets a few engines so that the menu is not empty; a list the user has
    // emptied stays empty. A hive that cannot be written now is no reason not to start.
    try {
        TSearchList::SeedDefaultEngines();
    } catch (const std::exception &e) {
        qWarning("The default search engines could not be written: %s", e.what());
    }
    pmSearch = new QMenu(dialogParent);
    pmSearch->setObjectName(QStringLiteral("pmSearch"));
    connect(pmSearch, &QMenu::aboutToShow, this, [this] { m_commands->Guarded([this] { pmSearchPopup(); }); });
    registerCommands();
    mnuOrganizeSearchEngines = m_commands->Place(pmSearch, QStringLiteral("mnuOrganizeSearchEngines"));
    pmSearch->addSeparator();
}

void TSearchEngines::registerCommands()
{
    TCommandRow organize;
    organize.name = QStringLiteral("mnuOrganizeSearchEngines");
    organize.caption = QStringLiteral("&Organize Search Engines...");
    organize.handler = [this](bool) { mnuOrganizeSearchEnginesClick(); };
    m_commands->Register(organize);

    // The Go menu's Search, whose row the Search button runs; the button's arrow drops pmSearch.
    TCommandRow search;
    search.name = QStringLiteral("mnuGoSearch");
    search.caption = QStringLiteral("&Search");
    search.hint = QStringLiteral("Search|Goes to your search page");
    search.toolbarId = 7;
    search.handler = [this](bool) { actGoSearchExecute(); };
    search.dropDown = [this] { return pmSearch; };
    m_commands->Register(search);
}

void TSearchEngines::pmSearchPopup()
{
    // Everything after the organize item and its separator is rebuilt from the list.
    const QList<QAction *> items = pmSearch->actions();
    for (int i = 2; i < items.size(); ++i) {
        pmSearch->removeAction(items.at(i));
        delete items.at(i);
    }
    const TSearchEntries engines = TSearchList::Read(TSearchListKind::Engines);
    for (const TSearchEntry &engine : engines) {
        QAction *item = pmSearch->addAction(menuCaption(engine.title));
        item->setStatusTip(engine.location);
        item->setToolTip(engine.location);
        const QString location = engine.location;
        connect(item, &QAction::triggered, this, [this, location] {
            m_commands->Guarded([this, location] { OpenEngine(location); });
        });
    }
}

void TSearchEngines::mnuOrganizeSearchEnginesClick()
{
    TfrmSearchEngine dialog(m_dialogParent, TfrmSearchEngine::EnginesMode);
    if (m_dialogParent)
        dialog.setFont(m_dialogParent->font());
    if (dialog.exec() == QDialog::Accepted) {
        pmSearchPopup();
        Q_EMIT enginesChanged();
    }
}

QString TSearchEngines::engineUrl(const QString &location)
{
    // Typed words are taken only by an engine that can search for them.
    const QString words = TSearchList::TakesWords(location) && m_takeTypedWords ? m_takeTypedWords() : QString();
    return TSearchList::EngineUrl(location, words);
}

void TSearchEngines::OpenEngine(const QString &location)
{
    if (location.trimmed().isEmpty())
        return;
    m_opener->OpenUrlByPreference(engineUrl(location), m_favoritesNewWin);
}

void TSearchEngines::actGoSearchExecute()
{
    if (m_showPanel) {
        m_showPanel();
        return;
    }
    // The first engine listed is the default one; it goes to the active tab, as Home does
    // (Shift: a tab of its own). Without engines the web control's own search page.
    const TSearchEntries engines = TSearchList::Read(TSearchListKind::Engines);
    if (!engines.isEmpty()) {
        m_opener->OpenUrlByPreference(engineUrl(engines.first().location), false);
        return;
    }
    if (TBrowserTab *tab = m_opener->ActiveTab())
        tab->GoSearch();
}
