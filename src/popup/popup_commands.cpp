// TfrmMain: PopupVessa, the filter that closes the windows pages open on their own, its
// notice and Add to PopupVessa.

#include "app/main_window.h"

#include "app/confirm.h"
#include "browser/browsertab.h"
#include "navigation/commandtable.h"
#include "platform/registry.h"
#include "popup/popupfilter.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QTimer>

void TfrmMain::ReloadPopupList()
{
    try {
        m_popupList = m_options.PopupVessa();
    } catch (const RegistryError &e) {
        // The working copy stays as it was.
        qWarning("tabvane: PopupVessa list not read: %s", e.what());
    }
}

bool TfrmMain::PopupMatches(const QString &url)
{
    if (!m_settings.usePopupVessa || !PopupListMatches(m_popupList, url))
        return false;
    if (m_popupNoticeShowing)
        return true;
    bool notify = true;
    try {
        notify = m_options.PopupVessaNotify();
    } catch (const RegistryError &e) {
        qWarning("tabvane: PopupVessaNotify not read: %s", e.what());
    }
    if (!notify)
        return true;
    // The notice waits until the engine's request has been answered, and shows one at a
    // time: a page that opens windows in a loop gets one notice, not hundreds.
    m_popupNoticeShowing = true;
    const QPointer<TfrmMain> self(this);
    QTimer::singleShot(0, this, [self, url] {
        if (!self)
            return;
        const TConfirmResult answer = Confirm(self, QStringLiteral("PopupVessa"),
                                              QStringLiteral("PopupVessa closed the following URL:"),
                                              url, QString(), QStringLiteral("OK"),
                                              QStringLiteral("Don't show me this message again."), false);
        if (!self)
            return;
        self->m_popupNoticeShowing = false;
        if (answer.checked)
            self->m_options.SetPopupVessaNotify(false);
    });
    return true;
}


void TfrmMain::AddToPopupVessa(TBrowserTab *tab)
{
    if (!tab || tab->IsClosing())
        return;
    const QString address = tab->PopupURL.isEmpty() ? tab->Location() : tab->PopupURL;
    // A store that cannot be written raises here, before the tab is closed: the page is
    // not lost for an entry that was never stored.
    m_options.SetPopupVessa(AppendPopupEntry(m_options.PopupVessa(), address));
    m_tabs->CloseTab(tab);
    ReloadPopupList();
}

void TfrmMain::pmAddToPopupVessaClick()
{
    AddToPopupVessa(TabTarget());
}

void TfrmMain::RegisterPopupCommands()
{
    TCommandRow add;
    add.name = QStringLiteral("pmAddToPopupVessa");
    add.caption = QStringLiteral("&Add to PopupVessa");
    add.shortcut = QKeySequence(Qt::Key_F8);
    add.keys = {TKeyCommand::AddToPopupVessa};
    add.handler = [this](bool) { pmAddToPopupVessaClick(); };
    m_commands->Register(add);
}
