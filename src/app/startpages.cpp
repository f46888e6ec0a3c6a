#include "app/startpages.h"

#include "app/handover.h"
#include "app/kwoptions.h"
#include "app/sessionkeeper.h"
#include "app/windowsettings.h"
#include "browser/browsertab.h"
#include "browser/tabopener.h"
#include "groups/vessagroups.h"
#include "platform/registry.h"

#include <QList>
#include <QPair>

TStartPages::TStartPages(ITabOpener *tabs, TSessionKeeper *session, TVessaGroups *groups, TKWOptions &options)
    : m_tabs(tabs), m_session(session), m_groups(groups), m_options(options)
{
}

QString TStartPages::ReadHomePage()
{
    try {
        const RegValue start = TRegistry(RegRoot::CurrentUser)
                                       .readValue(QStringLiteral("Software\\Microsoft\\Internet Explorer\\Main"),
                                                  QStringLiteral("Start Page"));
        if ((start.type == RegType::Sz || start.type == RegType::ExpandSz) && !start.text.trimmed().isEmpty())
            return start.text.trimmed();
    } catch (const RegistryError &) {
    }
    return QStringLiteral("about:blank");
}

QStringList TStartPages::Open(const QString &argument, TWindowSettings &settings)
{
    QStringList problems;
    // After a run that did not end in order, the user chooses first: its tabs come back
    // instead of the pages StartupMode opens.
    const bool restore = m_session->OfferRestore();
    TBrowserTab *first = m_tabs->ActiveTab();
    const bool lastMode = !restore && settings.startupMode == QLatin1String("Last");
    const QStringList last = settings.lastOpenSites;
    const auto dataOf = [](const QString &line) { return line.mid(line.indexOf(QLatin1Char('=')) + 1); };
    QList<QPair<TBrowserTab *, QString>> lastSites;   // each tab with its line of L

    const QString startupPage = settings.startupPage;
    settings.startupPage.clear();   // opened once
    if (!startupPage.isEmpty()) {
        TBrowserTab *second = m_tabs->CreateForegroundTab();
        m_tabs->ActivateTab(first);
        second->FirstLoad = true;
        second->NavigateTo(startupPage);
        try {
            m_options.SetStartupPage(QString());
        } catch (const RegistryError &e) {
            problems.append(e.message());
        }
    }

    const auto restoreSite = [this, &dataOf, &lastSites](const QString &line) {
        TBrowserTab *tab = m_tabs->CreateBackgroundTab();
        if (!tab)
            return;
        tab->FirstLoad = true;
        tab->NavigateTo(dataOf(line));
        lastSites.append({tab, line});
    };

    if (argument.isEmpty()) {
        if (restore) {
            m_session->RestoreTabs(first, true);
        } else if (settings.startupMode == QLatin1String("Home")) {
            first->NavigateTo(ReadHomePage());
        } else if (lastMode) {
            first->FirstLoad = true;
            first->NavigateTo(last.isEmpty() ? QStringLiteral("about:blank") : dataOf(last.last()));
            if (!last.isEmpty())
                lastSites.append({first, last.last()});
            for (int i = last.size() - 2; i >= 0; --i)
                restoreSite(last.at(i));
            m_session->ApplyToLastSites(lastSites, true);
        } else {
            m_groups->QueueStartupGroup();
        }
        return problems;
    }

    if (IsGroupArgument(argument)) {
        m_groups->OpenGroup(argument, true, true);
        if (restore)
            m_session->RestoreTabs(nullptr, false);
        return problems;
    }
    first->FirstLoad = true;
    first->NavigateTo(argument);
    if (lastMode) {
        for (int i = last.size() - 1; i >= 0; --i)
            restoreSite(last.at(i));
    }
    if (restore)
        m_session->RestoreTabs(nullptr, false);
    m_tabs->ActivateTab(first);
    m_session->ApplyToLastSites(lastSites, false);
    return problems;
}
