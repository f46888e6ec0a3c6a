#pragma once
// Shared by the source files of TWebEngineControl (core, page events, frames, find, save,
// print): the engine page and view subclasses and small helpers. Not for other code.

#include "platform/scriptdialogs.h"
#include "platform/webengine_control.h"

#include <QContextMenuEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QSet>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace WebEngineDetail {

// Time limit of blocking document reads and of a load that does not start.
const int DocumentTimeoutMs = 10000;

// Every live control, for FromFrame.
QSet<const void *> &liveControls();

// True while a page prints (one print at a time in the whole process).
extern bool g_printing;

// Event and property addresses: readable, but without spaces.
inline QString urlText(const QUrl &url)
{
    return url.toString(QUrl::EncodeSpaces);
}

inline bool isBlank(const QUrl &url)
{
    return url.isEmpty()
            || (url.scheme() == QLatin1String("about") && url.path() == QLatin1String("blank"));
}

inline TNavigationType navigationType(int engineType)
{
    switch (engineType) {
    case QWebEnginePage::NavigationTypeLinkClicked: return TNavigationType::LinkClicked;
    case QWebEnginePage::NavigationTypeTyped: return TNavigationType::Typed;
    case QWebEnginePage::NavigationTypeFormSubmitted: return TNavigationType::FormSubmitted;
    case QWebEnginePage::NavigationTypeBackForward: return TNavigationType::BackForward;
    case QWebEnginePage::NavigationTypeReload: return TNavigationType::Reload;
    case QWebEnginePage::NavigationTypeRedirect: return TNavigationType::Redirect;
    default: return TNavigationType::Other;
    }
}

// The script that reports sub-frame documents, marked with this session's nonce.
QString frameReporterSource(const QString &nonce);
// The script that reports link clicks and form submits (SetReportLinkClicks).
QString linkClickReporterSource(const QString &nonce);

inline QString jsString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

}

class TWebEnginePage : public QWebEnginePage {
public:
    TWebEnginePage(QWebEngineProfile *profile, TWebEngineControl *control)
        : QWebEnginePage(profile, control), m_control(control)
    {
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override
    {
        if (!m_control || m_control->m_page != this)
            return false;
        return m_control->onNavigationRequest(url, int(type), isMainFrame);
    }
    // None here: the engine then asks through newWindowRequested, which carries the
    // address, so a window the program refuses is refused before anything is made for it.
    QWebEnginePage *createWindow(WebWindowType) override { return nullptr; }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &message, int,
                                  const QString &) override
    {
        if (m_control && m_control->m_page == this)
            m_control->onConsoleMessage(message);
    }
    void javaScriptAlert(const QUrl &securityOrigin, const QString &msg) override
    {
        runDialog(TScriptDialogKind::Alert, securityOrigin, msg, QString(), nullptr);
    }
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &msg) override
    {
        return runDialog(IsLeavePageQuestion(msg) ? TScriptDialogKind::LeavePage : TScriptDialogKind::Confirm,
                         securityOrigin, msg, QString(), nullptr);
    }
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &msg, const QString &defaultValue,
                          QString *result) override
    {
        return runDialog(TScriptDialogKind::Prompt, securityOrigin, msg, defaultValue, result);
    }

public:
    // Script dialogs (webengine_dialogs.cpp). A dialog runs a nested event loop while the
    // engine waits for its answer; the tab and the rest of the window stay usable.
    bool InDialog() const { return m_dialogDepth > 0; }
    TScriptDialog *Dialog() const { return m_dialog; }
    TDialogFloodGuard &FloodGuard() { return m_flood; }
    // The program navigates the page: until the navigation ends, the old document's
    // dialogs are answered at once.
    void SetLeaving(bool on) { m_leaving = on; }
    // The page's address changed; another document (not only a new fragment) shows its
    // dialogs again.
    void DocumentChanged(const QUrl &url)
    {
        const QUrl document = url.adjusted(QUrl::RemoveFragment);
        if (document != m_document) {
            m_document = document;
            m_flood.Reset();
            m_leaving = false;
        }
    }
    // The control goes while a dialog of this page runs: the dialog closes, and the page
    // deletes itself once the dialog's loop has left the stack.
    void Abandon();

private:
    bool runDialog(TScriptDialogKind kind, const QUrl &origin, const QString &message,
                   const QString &defaultValue, QString *result);

    QPointer<TWebEngineControl> m_control;
    QPointer<TScriptDialog> m_dialog;
    TDialogFloodGuard m_flood;
    QUrl m_document;
    int m_dialogDepth = 0;
    bool m_abandoned = false;
    bool m_leaving = false;
};

class TWebEngineView : public QWebEngineView {
public:
    TWebEngineView(TWebEngineControl *control) : m_control(control) {}

protected:
    void contextMenuEvent(QContextMenuEvent *event) override
    {
        bool handled = false;
        if (m_control)
            m_control->onContextMenu(event->globalPos(), &handled);
        if (handled) {
            event->accept();
            return;
        }
        QWebEngineView::contextMenuEvent(event);
    }

private:
    QPointer<TWebEngineControl> m_control;
};
