// TWebEngineControl: finding text in the page and the Find dialog.

#include "platform/webengine_control.h"
#include "platform/webengine_internal.h"

#include "platform/pagedialogs.h"

#include <QWebEngineFindTextResult>

void TWebEngineControl::findText(const QString &text, bool caseSensitive, bool backward,
                                 const std::function<void(int, int)> &done)
{
    QWebEnginePage::FindFlags flags;
    if (caseSensitive)
        flags |= QWebEnginePage::FindCaseSensitively;
    if (backward)
        flags |= QWebEnginePage::FindBackward;
    QPointer<TWebEngineControl> self(this);
    m_page->findText(text, flags, [self, done](const QWebEngineFindTextResult &r) {
        if (self && done)
            done(r.numberOfMatches(), r.activeMatch());
    });
}

void TWebEngineControl::showFind()
{
    if (!m_findDialog) {
        QPointer<TWebEngineControl> self(this);
        m_findDialog = new TFindDialog(
                [self](const QString &text, bool cs, bool backward, const TFindResultCallback &done) {
                    if (self)
                        self->findText(text, cs, backward, done);
                },
                m_view ? m_view->window() : nullptr);
        connect(m_findDialog.data(), &TFindDialog::searchCleared, this,
                [this] { findText(QString(), false, false, nullptr); });
    }
    m_findDialog->show();
    m_findDialog->raise();
    m_findDialog->activateWindow();
}
