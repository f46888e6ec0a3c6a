#pragma once
// TScriptedControl: a web control for tests. It renders nothing; it records every operation
// called on it, lets the test set the properties it reports, and fires the control's events
// with frame handles the test chooses, in the order the test dictates.
//
// Frame handles: Application() is the top-level frame; subFrame(n) (n >= 1) names other
// frames. A handler may destroy the control while one of its events is being delivered; the
// fire functions touch nothing of the control after that.

#include "platform/webcontrol.h"

#include <QPointer>
#include <QStringList>

class TScriptedControl : public TWebControl {
    Q_OBJECT
public:
    explicit TScriptedControl(QObject *parent = nullptr);
    ~TScriptedControl() override;

    // Makes every control created through CreateWebControl a scripted one.
    static void Install();
    // Scripted controls that exist now, oldest first.
    static QList<TScriptedControl *> Instances();
    // The handle of sub-frame n (n >= 1); never equal to any control's Application().
    static TWebFrame subFrame(int n);

    // TWebControl
    QWidget *widget() override;
    void Navigate(const QString &url) override;
    void GoBack() override;
    void GoForward() override;
    void GoHome() override;
    void GoSearch() override;
    void Refresh() override;
    void RefreshCompletely() override;
    void Stop() override;
    bool Busy() const override { return m_busy; }
    QString LocationURL() const override { return m_locationURL; }
    QString LocationName() const override { return m_locationName; }
    bool HasDocument() const override { return m_hasDocument; }
    void Exec(TDocCommand command, bool promptUser = true) override;
    int Zoom() const override { return m_zoom; }
    void SetZoom(int size) override;
    bool SaveDocument(const QString &path) override;
    void WriteDocument(const QString &html) override;
    QList<TWebLink> Links() override;
    bool TranslateAccelerator(QKeyEvent *event) override;
    void UIActivate() override;
    void ApplyHostInfo(quint32 hostFlags, bool useDownloadControl, quint32 downloadControl) override;

    // Recorded operations, one line each, in call order: "Navigate <url>", "GoBack",
    // "GoForward", "GoHome", "GoSearch", "Refresh", "RefreshCompletely", "Stop",
    // "Exec <command>" (print adds " prompt" or " noprompt"), "SetZoom <n>",
    // "SaveDocument <path>", "WriteDocument <html>", "Links", "TranslateAccelerator <key>",
    // "UIActivate", "ApplyHostInfo <flags hex> <0|1> <download control hex>".
    QStringList operations() const { return m_operations; }
    QStringList navigations() const;   // the URLs given to Navigate, in order
    int count(const QString &operation) const;   // lines equal to operation
    void clearOperations() { m_operations.clear(); }
    static QString commandName(TDocCommand command);

    // Properties the control reports
    void setBusy(bool busy) { m_busy = busy; }
    void setLocationURL(const QString &url) { m_locationURL = url; }
    void setLocationName(const QString &name) { m_locationName = name; }
    void setHasDocument(bool has) { m_hasDocument = has; }
    void setLinks(const QList<TWebLink> &links) { m_links = links; }
    void setZoom(int size) { m_zoom = size; }
    void setDocumentHtml(const QString &html) { m_html = html; }   // what SaveDocument writes
    void setAcceptsKeys(bool accepts) { m_acceptsKeys = accepts; }
    // When on, Navigate runs simulateLoad(url) from the event loop, as a real control loads
    // asynchronously. Off by default, so a test fires every event itself. Refresh always
    // reloads the current address from the event loop, as the engine does: a navigation of
    // type Reload (BeforeNavigate2 first, which may refuse it), then the whole load.
    void setLoadOnNavigate(bool on) { m_loadOnNavigate = on; }
    QString documentHtml() const { return m_html; }

    // Events. Each returns after every handler ran.
    // The cancel flag. The navigation is the top-level frame's when frame is Application();
    // without a type it is a link the user followed.
    bool fireBeforeNavigate2(TWebFrame frame, const QString &url,
                             TNavigationType type = TNavigationType::LinkClicked);
    struct NewWindowResult {
        TWebFrame window = nullptr;   // the Application() the handler gave, or none
        bool cancel = false;
    };
    NewWindowResult fireNewWindow2(const QString &url = QString());
    // For the top-level frame this also makes url the control's LocationURL.
    void fireNavigateComplete2(TWebFrame frame, const QString &url);
    void fireDocumentComplete(TWebFrame frame, const QString &url);
    // Also makes text the control's LocationName.
    void fireTitleChange(const QString &text);
    void fireProgressChange(int progress, int progressMax);
    void fireCommandStateChange(int command, bool enable);
    void fireStatusTextChange(const QString &text);
    void fireDownloadBegin();
    void fireDownloadComplete();
    void fireWindowCloseRequested();
    bool fireContextMenuRequested(quint32 menuId, const QPoint &globalPos);   // the handled flag
    // A link click as the page reports it; only while link clicks are reported, as the
    // engine's control does.
    void fireLinkClicked(const TLinkClick &click);
    void SetReportLinkClicks(bool on) override { m_reportLinkClicks = on; }
    bool reportsLinkClicks() const { return m_reportLinkClicks; }

    // A whole top-level load as a real control reports it: BeforeNavigate2 (top), then unless
    // cancelled DownloadBegin, progress, NavigateComplete2 (top), TitleChange, the back and
    // forward states, one BeforeNavigate2 / NavigateComplete2 / DocumentComplete per
    // sub-frame (frames 1, 2, ...; their first loads), DownloadComplete and DocumentComplete
    // (top). Busy is true in between. Returns false when the top-level navigation was
    // cancelled. type is how the top-level navigation came about.
    bool simulateLoad(const QString &url, const QStringList &subFrameUrls = {},
                      const QString &title = QString(),
                      TNavigationType type = TNavigationType::Typed);

private:
    void record(const QString &line) { m_operations.append(line); }
    void reloadLater();

    QPointer<QWidget> m_widget;
    QStringList m_operations;
    QStringList m_history;          // URLs completed by simulateLoad, for the back state
    bool m_busy = false;
    QString m_locationURL;
    QString m_locationName;
    bool m_hasDocument = true;
    QList<TWebLink> m_links;
    int m_zoom = 2;
    QString m_html;
    bool m_acceptsKeys = false;
    bool m_loadOnNavigate = false;
    bool m_reportLinkClicks = false;
};
