// TPopupVessa: the filter that closes the windows pages open on their own, its notice and
// Add to PopupVessa.

#include "popup/popupvessa.h"

#include "app/confirm.h"
#include "app/kwoptions.h"
#include "app/windowsettings.h"
#include "browser/browsertab.h"
#include "browser/tabopener.h"
#include "navigation/commandtable.h"
#include "platform/registry.h"
#include "popup/popupfilter.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QWidget>

TPopupVessa::TPopupVessa(TKWOptions &store, ITabOpener *opener, TCommandTable *commands, QWidget *dialogParent,
                         std::function<TBrowserTab *()> tabTarget, QObject *parent)
    : QObject(parent), m_store(store), m_opener(opener), m_commands(commands), m_dialogParent(dialogParent),
      m_tabTarget(std::move(tabTarget))
{
    setObjectName(QStringLiteral("PopupVessa"));
    registerCommands();
}

void TPopupVessa::ReloadPopupList()
{
    try {
        m_popupList = m_store.PopupVessa();
    } catch (const RegistryError &e) {
        // The working copy stays as it was.
        qWarning("tabvane: PopupVessa list not read: %s", e.what());
    }
}

bool TPopupVessa::PopupMatches(const QString &url)
{
    if (!m_enabled || !PopupListMatches(m_popupList, url))
        return false;
    if (m_noticeShowing)
        return true;
    bool notify = true;
    try {
        notify = m_store.PopupVessaNotify();
    } catch (const RegistryError &e) {
        qWarning("tabvane: PopupVessaNotify not read: %s", e.what());
    }
    if (!notify)
        return true;
    // The notice waits until the engine's request has been answered, and shows one at a
    // time: a page that opens windows in a loop gets one notice, not hundreds.
    m_noticeShowing = true;
    const QPointer<TPopupVessa> self(this);
    QTimer::singleShot(0, this, [self, url] {
        if (!self)
            return;
        const TConfirmResult answer = Confirm(self->m_dialogParent, QStringLiteral("PopupVessa"),
                                              QStringLiteral("PopupVessa closed the following URL:"),
                                              url, QString(), QStringLiteral("OK"),
                                              QStringLiteral("Don't show me this message again."), false);
        if (!self)
            return;
        self->m_noticeShowing = false;
        if (answer.checked)
            self->m_store.SetPopupVessaNotify(false);
    });
    return true;
}

void TPopupVessa::AddToPopupVessa(TBrowserTab *tab)
{
    if (!tab || tab->IsClosing())
        return;
    const QString address = tab->PopupURL.isEmpty() ? tab->Location() : tab->PopupURL;
    // A store that cannot be written raises here, before the tab is closed: the page is
    // not lost for an entry that was never stored.
    m_store.SetPopupVessa(AppendPopupEntry(m_store.PopupVessa(), address));
    m_opener->CloseTab(tab);
    ReloadPopupList();
}

void TPopupVessa::pmAddToPopupVessaClick()
{
    AddToPopupVessa(m_tabTarget ? m_tabTarget() : nullptr);
}

void TPopupVessa::registerCommands()
{
    TCommandRow add;
    add.name = QStringLiteral("pmAddToPopupVessa");
    add.caption = QStringLiteral("&Add to PopupVessa");
    add.shortcut = QKeySequence(Qt::Key_F8);
    add.keys = {TKeyCommand::AddToPopupVessa};
    add.handler = [this](bool) { pmAddToPopupVessaClick(); };
    m_commands->Register(add);
}

void TPopupVessa::Load(const TWindowSettings &settings)
{
    m_enabled = settings.usePopupVessa;
}

void TPopupVessa::Save(TWindowSettings &settings) const
{
    settings.usePopupVessa = m_enabled;
}
