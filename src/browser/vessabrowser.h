#pragma once
// TVessaBrowser: the program's browser view. It hosts one web browser control, answers
// the control's host queries (host flags, download control), and offers the page
// operations the rest of the program uses.

#include "platform/webcontrol.h"

#include <QPoint>
#include <QWidget>
#include <functional>
#include <memory>

class TFlyswat;

enum TDownloadControlOption {
    dcDLImages = 0, dcVideos, dcBGSounds, dcNoScripts, dcNoJava,
    dcNoRunActiveXControls, dcNoDLActiveXControls
};
using TDownloadControlOptionSet = quint8;   // bit n = option n

class TVessaBrowser : public QWidget {
    Q_OBJECT
public:
    // The plain constructor (the search panel's view).
    explicit TVessaBrowser(QWidget *parent = nullptr);
    // The extended constructor used by browser tabs.
    TVessaBrowser(QWidget *parent, bool showLinks, bool withAddOnHost);
    ~TVessaBrowser() override;

    TWebControl *Control() const { return m_control; }

    // Host properties
    bool No3DBorder = false;
    bool NoScroll = false;
    bool FlatScrollbar = false;
    bool UseDownloadControl = false;
    TDownloadControlOptionSet DownloadControlOptionSet = 0;
    quint32 HostInfoFlags() const;           // GetHostInfo's flags
    // The ambient download-control answer; false when the request goes to the default.
    bool AmbientDownloadControl(quint32 *result) const;
    QString PageTitle() const { return m_pageTitle; }

    // Operations
    void NavigateTo(const QString &url);
    void RefreshPage();
    void RefreshCompletely();
    void SelectAll();
    void Copy();
    void Cut();
    void Paste();
    void PageSetup();
    void SaveAs();
    void Properties();
    void Print(bool prompt);
    void FindInPage();
    void ViewSource();
    void InternetOptions();
    int GetTextSize() const;
    void SetTextSize(int value);
    void WriteHtml(const QString &text);
    // Path of a temporary ".htm" copy of the page; empty when the page cannot be saved.
    QString SaveToTempFile();
    // Temporary ".htm" copy starting with a base tag; empty when it cannot be written.
    QString SaveWithBaseHref();
    bool TranslateKey(QKeyEvent *event);
    // The add-on's links on this view's pages (services/flyswat.h).
    void ShowLinks(bool on);
    bool LinksShown() const;
    bool HasAddOn() const;

    // Pure helpers, exposed for tests.
    // The address up to and including its last "/" after the host (query and fragment
    // left out); the address plus "/" when it has no path.
    static QString BaseHref(const QString &url);
    // Letters A-Z a-z, digits, space and "." kept; every other character becomes a space.
    static QString FileNameSafeTitle(const QString &title);
    // The work file's lines copied with CR LF endings after a first line with the base tag.
    static QByteArray WithBaseTag(const QString &baseHref, const QByteArray &document);
    // GetHostInfo's flags for these properties.
    static quint32 HostFlags(bool no3DBorder, bool noScroll, bool flatScrollbar);
    // The ambient download-control value for an option set.
    static quint32 DownloadControlAnswer(TDownloadControlOptionSet set);

    // The text-selection context-menu event (dwID 4). When assigned, the engine's own menu
    // is not shown for a text selection.
    std::function<void(TVessaBrowser *sender, quint32 dwID, const QPoint &pt)> OnShowContextMenuEvent;

Q_SIGNALS:
    void OnTitleChangeWrapper(TVessaBrowser *sender, const QString &text);

private:
    void onTitleChange(const QString &text);
    void onContextMenuRequested(quint32 menuId, const QPoint &globalPos, bool *handled);
    void applyHostInfo();
    TWebControl *m_control = nullptr;
    QString m_pageTitle;
    std::unique_ptr<TFlyswat> m_flyswat;
};
