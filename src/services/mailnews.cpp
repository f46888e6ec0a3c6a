#include "services/mailnews.h"

#include "app/defbrowser.h"
#include "browser/browsertab.h"
#include "browser/tabopener.h"
#include "browser/vessabrowser.h"
#include "navigation/commandtable.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QStandardPaths>
#include <QUrl>

namespace {

QString encoded(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

TCommandRow row(const char *name, const char *caption, const char *hint, std::function<void()> handler)
{
    TCommandRow r;
    r.name = QLatin1String(name);
    r.caption = QLatin1String(caption);
    r.hint = QLatin1String(hint);
    r.handler = [handler = std::move(handler)](bool) { handler(); };
    return r;
}

const QString NoMailProgram = QStringLiteral(
    "No mail program is set up on this desktop.\n\nChoose one as the program for e-mail links "
    "(mailto) in your desktop's settings, or install one.");

}

QString TMailRules::LinkMailto(const QString &title, const QString &url)
{
    return QStringLiteral("mailto:?subject=") + encoded(title + QStringLiteral(" (") + url + QLatin1Char(')'))
           + QStringLiteral("&body=") + encoded(url);
}

QStringList TMailRules::AttachCommand(const QString &xdgEmail, const TDesktopEntry &mailer, const QString &file)
{
    if (!xdgEmail.isEmpty())
        return {xdgEmail, QStringLiteral("--attach"), file};
    bool ok = false;
    const QStringList exec = TDesktopEntries::SplitExec(mailer.exec, &ok);
    if (!ok || exec.isEmpty())
        return {};
    const QString program = exec.first();
    const QString name = QFileInfo(program).fileName().toLower();
    if (name == QLatin1String("thunderbird") || name == QLatin1String("icedove") || name == QLatin1String("betterbird")) {
        // Its compose fields are separated by "," and quoted with "'": a file URL has
        // neither once percent-encoded.
        QString fileUrl = QString::fromUtf8(QUrl::fromLocalFile(file).toEncoded());
        fileUrl.replace(QLatin1Char(','), QStringLiteral("%2C")).replace(QLatin1Char('\''), QStringLiteral("%27"));
        return {program, QStringLiteral("-compose"), QStringLiteral("attachment='") + fileUrl + QLatin1Char('\'')};
    }
    if (name == QLatin1String("evolution"))
        return {program, QStringLiteral("mailto:?attach=") + encoded(file)};
    if (name == QLatin1String("kmail") || name == QLatin1String("claws-mail") || name == QLatin1String("sylpheed"))
        return {program, QStringLiteral("--attach"), file};
    return {};
}

TMailNews::TMailNews(ITabOpener *opener, TCommandTable *commands, QWidget *dialogParent, QObject *parent)
    : QObject(parent), m_opener(opener), m_commands(commands), m_dialogParent(dialogParent),
      m_menu(new QMenu(dialogParent))
{
    setObjectName(QStringLiteral("mailNews"));
    m_menu->setObjectName(QStringLiteral("pmMail"));
    m_report = [this](const QString &message) {
        QMessageBox::information(m_dialogParent, QStringLiteral("Tabvane"), message);
    };
    registerCommands();
    for (const char *name : {"pmMailNewsReadMail", "pmMailNewsNewMessage", "pmMailNewsSendALink", "pmMailSendFile"})
        m_commands->Place(m_menu, QLatin1String(name));
    m_menu->addSeparator();
    m_commands->Place(m_menu, QStringLiteral("pmMailNewsReadNews"));
    m_menu->addSeparator();
    connect(m_menu, &QMenu::aboutToShow, this, [this] {
        m_commands->UpdateMenu(m_menu);
        pmMailPopup();
    });
}

TMailNews::~TMailNews() = default;

void TMailNews::registerCommands()
{
    const auto hasPage = [this] {
        TBrowserTab *tab = m_opener->ActiveTab();
        return tab && !tab->Location().isEmpty();
    };
    TCommandRow mail = row("mnuGoMail", "&Mail", "Read Mail|Reads your e-mail", [this] { actReadMailExecute(); });
    mail.toolbarId = 11;
    mail.dropDown = [this] { return m_menu; };
    m_commands->Register(mail);
    m_commands->Register(row("mnuGoNews", "&News", "", [this] { pmMailNewsReadNewsClick(); }));
    TCommandRow fileLink = row("mnuFileSendLink", "Send &Link by Email...", "", [this] { pmMailNewsSendALinkClick(); });
    fileLink.enabled = hasPage;
    m_commands->Register(fileLink);
    TCommandRow filePage = row("mnuFileSendPage", "Send &Page by Email...", "", [this] { pmMailSendFileClick(); });
    filePage.enabled = hasPage;
    m_commands->Register(filePage);

    m_commands->Register(row("pmMailNewsReadMail", "&Read Mail...", "", [this] { actReadMailExecute(); }));
    m_commands->Register(row("pmMailNewsNewMessage", "Ne&w Message...", "", [this] { pmMailNewsNewMessageClick(); }));
    TCommandRow link = row("pmMailNewsSendALink", "Send &Link by Email...", "", [this] { pmMailNewsSendALinkClick(); });
    link.enabled = hasPage;
    m_commands->Register(link);
    TCommandRow page = row("pmMailSendFile", "Send &Page by Email...", "", [this] { pmMailSendFileClick(); });
    page.enabled = hasPage;
    m_commands->Register(page);
    m_commands->Register(row("pmMailNewsReadNews", "Read &News", "", [this] { pmMailNewsReadNewsClick(); }));
}

TDesktopEntry TMailNews::Handler(const QString &scheme)
{
    const QString type = QStringLiteral("x-scheme-handler/") + scheme;
    TDesktopEntry entry = TDesktopEntries::Find(DefBrowser::EffectiveDefault(type));
    if (entry.valid())
        return entry;
    const QList<TDesktopEntry> all = TDesktopEntries::Handlers(type);
    return all.isEmpty() ? TDesktopEntry() : all.first();
}

void TMailNews::start(const QString &scheme, const QStringList &urls, const QString &missing)
{
    const TDesktopEntry handler = Handler(scheme);
    if (!handler.valid()) {
        m_report(missing);
        return;
    }
    QString error;
    if (!TDesktopEntries::Launch(handler, urls, &error))
        m_report(error);
}

void TMailNews::actReadMailExecute()
{
    start(QStringLiteral("mailto"), {}, NoMailProgram);
}

void TMailNews::pmMailNewsReadNewsClick()
{
    start(QStringLiteral("news"), {},
          QStringLiteral("No news reader is set up on this desktop.\n\nChoose one as the program for "
                         "news links in your desktop's settings, or install one."));
}

void TMailNews::pmMailNewsNewMessageClick()
{
    start(QStringLiteral("mailto"), {QStringLiteral("mailto:")}, NoMailProgram);
}

void TMailNews::pmMailNewsSendALinkClick()
{
    TBrowserTab *tab = m_opener->ActiveTab();
    if (!tab || tab->Location().isEmpty())
        return;
    start(QStringLiteral("mailto"), {TMailRules::LinkMailto(tab->Title(), tab->Location())}, NoMailProgram);
}

void TMailNews::pmMailSendFileClick()
{
    TBrowserTab *tab = m_opener->ActiveTab();
    if (!tab || !tab->View())
        return;
    const QString file = tab->View()->SaveWithBaseHref();
    if (file.isEmpty()) {
        m_report(QStringLiteral("The page could not be saved for sending."));
        return;
    }
    const QString xdgEmail = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
    const TDesktopEntry mailer = Handler(QStringLiteral("mailto"));
    const QStringList command = TMailRules::AttachCommand(xdgEmail, mailer, file);
    if (command.isEmpty()) {
        m_report(mailer.valid()
                     ? QStringLiteral("Tabvane cannot attach a page for %1. Install xdg-utils (xdg-email) "
                                      "to send pages by e-mail.").arg(mailer.name.isEmpty() ? mailer.id : mailer.name)
                     : NoMailProgram);
        return;
    }
    QString error;
    if (!TDesktopEntries::Start(command, &error))
        m_report(error);
}

void TMailNews::pmMailPopup()
{
    if (m_clientsAdded)
        return;
    m_clientsAdded = true;
    for (const TDesktopEntry &client : TDesktopEntries::Handlers(QStringLiteral("x-scheme-handler/mailto"))) {
        QString caption = client.name.isEmpty() ? client.id : client.name;
        QAction *item = m_menu->addAction(caption.replace(QLatin1Char('&'), QStringLiteral("&&")));
        item->setStatusTip(client.exec);
        item->setToolTip(client.exec);
        connect(item, &QAction::triggered, this, [this, client] {
            m_commands->Guarded([this, &client] {
                QString error;
                if (!TDesktopEntries::Launch(client, {}, &error))
                    m_report(error);
            });
        });
    }
}
