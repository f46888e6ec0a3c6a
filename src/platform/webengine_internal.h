#pragma once
// Shared by the source files of TWebEngineControl (core, page events, frames, find, save,
// print): the engine page and view subclasses and small helpers. Not for other code.

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

private:
    QPointer<TWebEngineControl> m_control;
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
