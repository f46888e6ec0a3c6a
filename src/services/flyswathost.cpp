#include "services/flyswathost.h"

#include "app/kwoptions.h"
#include "app/windowsettings.h"
#include "browser/browsertab.h"
#include "browser/tabopener.h"
#include "browser/vessabrowser.h"
#include "navigation/commandtable.h"
#include "platform/makerhost.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QStyle>

namespace {
TCommandRow row(const char *name, const char *caption, const char *hint, std::function<void()> handler)
{
    TCommandRow r;
    r.name = QLatin1String(name);
    r.caption = QLatin1String(caption);
    r.hint = QLatin1String(hint);
    r.handler = [handler = std::move(handler)](bool) { handler(); };
    return r;
}
}

TFlyswatHost::TFlyswatHost(ITabOpener *opener, TCommandTable *commands, QWidget *dialogParent, QObject *parent)
    : QObject(parent), m_opener(opener), m_commands(commands), pmFlyswat(new QMenu(dialogParent))
{
    setObjectName(QStringLiteral("flyswatHost"));
    pmFlyswat->setObjectName(QStringLiteral("pmFlyswat"));
    m_report = [dialogParent](const QString &message) {
        QMessageBox::information(dialogParent, QStringLiteral("Tabvane"), message);
    };
    registerCommands();
    for (const char *name : std::initializer_list<const char *>{"pmFlyswatShowLinks", "pmFlyswatShowLinksNewTabs", nullptr, "pmFlyswatFullVersion",
                             "pmFlyswatDisable", nullptr, "pmFlyswatWhat", "pmFlyswatHelp", "pmFlyswatFeedback"}) {
        if (name)
            m_commands->Place(pmFlyswat, QLatin1String(name));
        else
            pmFlyswat->addSeparator();
    }
    // pmFlyswatPopup: the ticks follow the active tab and the default.
    connect(pmFlyswat, &QMenu::aboutToShow, this, [this] { m_commands->UpdateMenu(pmFlyswat); });

    tbFlyswat = new QAction(QApplication::style()->standardIcon(QStyle::SP_FileDialogContentsView),
                            QStringLiteral("Flyswat"), this);
    tbFlyswat->setObjectName(QStringLiteral("tbFlyswat"));
    tbFlyswat->setToolTip(QStringLiteral("Flyswat"));
    tbFlyswat->setMenu(pmFlyswat);   // a drop-down button: a click shows the menu
}

TFlyswatHost::~TFlyswatHost() = default;

void TFlyswatHost::registerCommands()
{
    const auto activeView = [this]() -> TVessaBrowser * {
        TBrowserTab *tab = m_opener->ActiveTab();
        return tab ? tab->View() : nullptr;
    };
    TCommandRow showLinks = row("pmFlyswatShowLinks", "Show Links", "Shows Flyswat links",
                                [this] { pmFlyswatShowLinksClick(); });
    showLinks.shortcut = QKeySequence(Qt::CTRL | Qt::Key_F1);
    showLinks.keys = {TKeyCommand::FlyswatLinks};
    // Switched off, the add-on is not created, not even on demand.
    showLinks.enabled = [this, activeView] { return m_enabled && activeView(); };
    showLinks.checked = [activeView] { return activeView() && activeView()->LinksShown(); };
    m_commands->Register(showLinks);

    TCommandRow byDefault = row("pmFlyswatShowLinksNewTabs", "Show Links by Default", "Show Links by Default",
                                [this] { pmFlyswatShowLinksNewTabsClick(); });
    byDefault.checked = [this] { return m_showLinks; };
    m_commands->Register(byDefault);

    m_commands->Register(row("pmFlyswatFullVersion", "Get Flyswat for Other Applications",
                             "Get Flyswat for other applications",
                             [this] { OpenMakerPage(QStringLiteral("/getflyswat?d=TABVANEIE")); }));
    m_commands->Register(row("pmFlyswatDisable", "Disable Flyswat in Tabvane", "Disables Flyswat in Tabvane",
                             [this] { pmFlyswatDisableClick(); }));
    m_commands->Register(row("pmFlyswatWhat", "What Is Flyswat...", "What is Flyswat?",
                             [this] { OpenMakerPage(QStringLiteral("/tabvane/whatis.html")); }));
    m_commands->Register(row("pmFlyswatHelp", "Help Using Flyswat...", "Help|Help using Flyswat",
                             [this] { OpenMakerPage(QStringLiteral("/tabvane/help.html")); }));
    m_commands->Register(row("pmFlyswatFeedback", "Send Feedback...", "Flyswat Feedback|Send feedback about Flyswat",
                             [this] { OpenMakerPage(QStringLiteral("/tabvane/feedback.html")); }));
}

void TFlyswatHost::Load(const TWindowSettings &settings)
{
    m_showLinks = settings.flyswatShowLinks;
    ApplyEnabled(settings.flyswatEnabled);
}

void TFlyswatHost::Save(TWindowSettings &settings) const
{
    settings.flyswatEnabled = m_enabled;
    settings.flyswatShowLinks = m_showLinks;
}

void TFlyswatHost::ApplyEnabled(bool on)
{
    m_enabled = on;
    if (tbFlyswat->isVisible() != on) {
        tbFlyswat->setVisible(on);
        Q_EMIT ButtonVisibilityChanged();
    }
}

void TFlyswatHost::pmFlyswatShowLinksClick()
{
    TBrowserTab *tab = m_opener->ActiveTab();
    if (!m_enabled || !tab || !tab->View())
        return;
    tab->View()->ShowLinks(!tab->View()->LinksShown());
}

void TFlyswatHost::pmFlyswatShowLinksNewTabsClick()
{
    m_showLinks = !m_showLinks;
    TKWOptions().SetFlyswatShowLinks(m_showLinks);
}

void TFlyswatHost::pmFlyswatDisableClick()
{
    m_report(QStringLiteral("You have chosen to disable Flyswat in Tabvane.\nYou can enable Flyswat links at any "
                            "time on the Flyswat tab in Tabvane Options."));
    ApplyEnabled(false);
    m_showLinks = false;
    TKWOptions options;
    options.SetFlyswatEnabled(false);
    options.SetFlyswatShowLinks(false);
}

void TFlyswatHost::OpenMakerPage(const QString &pathAndQuery)
{
    m_opener->OpenUrlByPreference(TMakerHost::AddOnMaker() + pathAndQuery, true);
}
