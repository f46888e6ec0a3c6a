#pragma once
// TMailNews: mail and news through the desktop's own programs. The mail program is the
// desktop's handler for mailto: links, the news reader its handler for news: links (their
// desktop entries). Read Mail and Read News start them; New Message and Send Link hand them
// a mailto: address; Send Page saves the page with its base address into this run's
// private folder and attaches it (xdg-email, else the mail program's own option). The
// "pmMail" menu lists every installed mail program on its first opening.

#include "platform/desktopentry.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class ITabOpener;
class QMenu;
class QWidget;
class TCommandTable;

namespace TMailRules {
// "mailto:?subject=<title (url)>&body=<url>", each part percent-encoded as UTF-8, so that
// no title can add fields ("&cc=", "&attach=") or end the address ("#").
QString LinkMailto(const QString &title, const QString &url);
// The command that opens a new message with the file attached: xdg-email when there is
// one, else the mail program's own syntax. Empty when neither is known.
QStringList AttachCommand(const QString &xdgEmail, const TDesktopEntry &mailer, const QString &file);
}

class TMailNews : public QObject {
    Q_OBJECT
public:
    using TReporter = std::function<void(const QString &message)>;

    // Registers the mail and news rows in commands and builds pmMail.
    TMailNews(ITabOpener *opener, TCommandTable *commands, QWidget *dialogParent, QObject *parent = nullptr);
    ~TMailNews() override;

    QMenu *MailMenu() const { return m_menu; }   // pmMail, the Mail button's drop-down

    void actReadMailExecute();
    void pmMailNewsReadNewsClick();
    void pmMailNewsNewMessageClick();
    void pmMailNewsSendALinkClick();
    void pmMailSendFileClick();

    // The desktop's handler of a scheme ("mailto", "news"); not valid() when none.
    static TDesktopEntry Handler(const QString &scheme);
    // Where a message goes; a message box over the window unless replaced (tests).
    void SetReporter(TReporter reporter) { m_report = std::move(reporter); }

private:
    void registerCommands();
    void pmMailPopup();
    void start(const QString &scheme, const QStringList &urls, const QString &missing);

    ITabOpener *m_opener;
    TCommandTable *m_commands;
    QWidget *m_dialogParent;
    QMenu *m_menu;
    TReporter m_report;
    bool m_clientsAdded = false;
};
