// TWebEnginePage: the page's alert, confirm, prompt and leave-page question as the
// program's own dialogs. A dialog is not modal: while it waits for the user, the other
// tabs, the window's commands and closing this very tab keep working. Closing the tab
// closes the dialog first; the page outlives its control until the dialog's loop has
// returned, so the engine never returns into a deleted page.

#include "platform/webengine_internal.h"

#include <QElapsedTimer>
#include <QEventLoop>

namespace {
qint64 monotonicMs()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}
}

bool TWebEnginePage::runDialog(TScriptDialogKind kind, const QUrl &origin, const QString &message,
                               const QString &defaultValue, QString *result)
{
    // One dialog of a page at a time; a page being closed gets no more.
    if (m_abandoned || m_dialogDepth > 0 || !m_control || m_control->m_page != this)
        return false;
    if (m_flood.Suppressed() || m_leaving) {
        const bool answer = TDialogFloodGuard::AutomaticAnswer(kind);
        if (result && kind == TScriptDialogKind::Prompt)
            result->clear();
        return answer;
    }

    QWidget *parent = m_control->m_view ? m_control->m_view->window() : nullptr;
    const QString host = origin.host().isEmpty() ? url().host() : origin.host();
    auto *dialog = new TScriptDialog(kind, host, message, defaultValue, m_flood.OfferStop(monotonicMs()), parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // A dialog of its own window over the browser: it stays above, but blocks nothing.
    dialog->setWindowFlag(Qt::Dialog);
    dialog->setWindowModality(Qt::NonModal);
    m_dialog = dialog;

    bool accepted = false;
    bool stop = false;
    QString value;
    QEventLoop loop;
    QObject::connect(dialog, &QDialog::finished, &loop, [&](int code) {
        accepted = code == QDialog::Accepted;
        stop = dialog->StopChecked();
        value = dialog->Value();
        loop.quit();
    });
    // A dialog destroyed with its window ends the wait as well.
    QObject::connect(dialog, &QObject::destroyed, &loop, &QEventLoop::quit);
    ++m_dialogDepth;
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    loop.exec();
    --m_dialogDepth;
    if (m_dialog)
        m_dialog->close();

    if (m_abandoned) {
        // The tab closed meanwhile: the page goes once the engine's call has returned.
        deleteLater();
        return false;
    }
    m_flood.Closed(monotonicMs(), stop);
    if (kind == TScriptDialogKind::Alert)
        return true;
    if (accepted && result)
        *result = value;
    return accepted;
}

void TWebEnginePage::Abandon()
{
    m_abandoned = true;
    m_control = nullptr;
    setParent(nullptr);
    if (m_dialog)
        m_dialog->reject();
}
