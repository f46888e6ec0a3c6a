// TfrmMain: PopupVessa, the filter that closes the windows pages open on their own.

#include "app/main_window.h"

#include "app/confirm.h"
#include "browser/browsertab.h"
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
        qWarning("tabvane: PopupVessa list not read: %s", e.what());
    }
}

bool TfrmMain::PopupMatches(const QString &url)
{
    if (!m_usePopupVessa)
        return false;
    if (!PopupListMatches(m_popupList, url))
        return false;
    if (m_options.PopupVessaNotify() && !m_popupNoticeShowing) {
        // The notice is shown once the page's request has been answered, and one at a
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
            if (answer.checked)
                self->m_options.SetPopupVessaNotify(false);
            self->m_popupNoticeShowing = false;
        });
    }
    return true;
}

void TfrmMain::AddToPopupVessa(TBrowserTab *tab)
{
    if (!tab)
        return;
    const QString address = tab->PopupURL.isEmpty() ? tab->Location() : tab->PopupURL;
    m_options.SetPopupVessa(AppendPopupEntry(m_options.PopupVessa(), address));
    CloseTab(tab);
    ReloadPopupList();
}

void TfrmMain::BuildPopupCommands()
{
    if (auto *add = pmTab->findChild<QAction *>(QStringLiteral("pmAddToPopupVessa"))) {
        add->setEnabled(true);
        connect(add, &QAction::triggered, this, [this] {
            if (TBrowserTab *tab = TabTarget())
                AddToPopupVessa(tab);
        });
    }
}
