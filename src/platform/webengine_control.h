#pragma once
// TWebEngineControl: the web browser control on Qt WebEngine. One QWebEngineView with a
// page of our own on the process's TWebProfile.
//
// Events. The engine reports navigations of the top-level frame fully, and of sub-frames
// only as they start. The control fills the gaps so that every load cycle ends:
//   - BeforeNavigate2 for top-level navigations carries Application(); a sub-frame
//     navigation gets a handle of its own, kept through its redirects. A script injected
//     into every sub-frame (in an isolated world, with this session's mark) reports when
//     the frame's document arrives and has loaded: NavigateComplete2 and DocumentComplete
//     for that handle. Handles still open when the page finishes, stops, or after a safety
//     delay are completed then, and a cancelled navigation completes its handle at once.
//   - about:blank loads, which the engine does not announce, get a BeforeNavigate2 of
//     their own; "javascript:" addresses given to Navigate get one before they run.
//   - NavigateComplete2 follows the top-level address change (also for same-document
//     navigations), DocumentComplete and DownloadComplete the end of the load.
//
// New windows. NewWindow2 runs when the page asks for one, with the address it asked for and
// before any page exists for it; when the handler names another TWebEngineControl's
// Application(), that control takes the window on a fresh page, so the window's first
// address arrives in that control's own BeforeNavigate2. A refused window is never made.
//
// Blocking helpers (SaveDocument, Links, evaluate) run a nested event loop with a time
// limit; other events are delivered meanwhile, and the control may be deleted by them.

#include "platform/webcontrol.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <functional>

class QAuthenticator;
class QPrinter;
class QTimer;
class QWebEngineNewWindowRequest;
class QWebEngineCertificateError;
class QWebEnginePage;
class QWebEngineView;
class TFindDialog;
class TFormResendTracker;
class TPermissionBar;
struct TPermissionRequest;
enum class TSiteFeature;
enum class TPermissionAnswer;
class TWebEnginePage;

class TWebEngineControl : public TWebControl {
    Q_OBJECT
public:
    explicit TWebEngineControl(QObject *parent = nullptr);
    ~TWebEngineControl() override;

    // The control whose Application() is frame, or nullptr.
    static TWebEngineControl *FromFrame(TWebFrame frame);

    QWidget *widget() override;

    // Navigation
    void Navigate(const QString &url) override;
    void GoBack() override;
    void GoForward() override;
    void GoHome() override;
    void GoSearch() override;
    void Refresh() override;
    void RefreshCompletely() override;
    void Stop() override;

    // Properties
    bool Busy() const override;
    QString LocationURL() const override;
    QString LocationName() const override;
    bool HasDocument() const override;

    // Document
    void Exec(TDocCommand command, bool promptUser = true) override;
    int Zoom() const override;
    void SetZoom(int size) override;
    bool SaveDocument(const QString &path) override;
    void WriteDocument(const QString &html) override;
    QList<TWebLink> Links() override;
    bool TranslateAccelerator(QKeyEvent *event) override;
    void UIActivate() override;
    void ApplyHostInfo(quint32 hostFlags, bool useDownloadControl, quint32 downloadControl) override;
    bool CertificateOverridden() const override;
    bool ShowsPostResult() const override;
    void ExitFullScreen() override;
    void SetReportLinkClicks(bool on) override;

    // The engine objects, for the platform layer and tests.
    QWebEngineView *view() const;
    QWebEnginePage *page() const;
    QObject *AutomationObject() override;

    // Asynchronous page access. Callbacks are not called when the control is gone.
    void evaluate(const QString &script, const std::function<void(const QVariant &)> &done,
                  bool isolated = true);
    // Blocking form; *ok is false on a time-out or when the page went away.
    QVariant evaluateBlocking(const QString &script, int timeoutMs = 5000, bool *ok = nullptr,
                              bool isolated = true);
    // One find step; matches and active match (1-based, 0 when none). Empty text clears.
    void findText(const QString &text, bool caseSensitive, bool backward,
                  const std::function<void(int matches, int activeMatch)> &done);
    // Saves the page in one of the formats of Save As (0 complete, 1 HTML only, 2 MHTML).
    // Saves run one after another; done(false) on failure.
    void savePage(const QString &path, int format, const std::function<void(bool ok)> &done);
    // Prints on printer (owned by the control from now on); false when a print is already
    // running. PrintFinished follows. A printer that writes a PDF file gets the engine's own
    // PDF with the printer's page layout and ranges, so text stays text.
    bool printPage(QPrinter *printer);
    static bool PrintsToPdfFile(const QPrinter &printer);
    static bool IsPrinting();
    // The find dialog, once FindInPage created it.
    TFindDialog *findDialog() const;
    // The bar above the page that asks the page's permission questions.
    TPermissionBar *permissionBar() const;

Q_SIGNALS:
    void PrintFinished(bool ok);
    void SaveFinished(const QString &path, bool ok);

private:
    friend class TWebEnginePage;
    friend class TWebEngineView;
    struct SubFrame {
        TWebFrame handle = nullptr;
        QUrl url;
        bool committed = false;
        qint64 startedMs = 0;
    };
    struct PendingSave {
        QString path;
        int format = 0;
        std::function<void(bool)> done;
    };

    // Page wiring
    void attachPage(TWebEnginePage *page);
    void detachPage();
    QWebEnginePage *takeNewWindowPage();

    // From the page
    bool onNavigationRequest(const QUrl &url, int type, bool isMainFrame);
    bool onSubFrameNavigation(const QUrl &url, int type, const TNavigation &navigation);
    void onNewWindowRequested(QWebEngineNewWindowRequest &request);
    void onConsoleMessage(const QString &message);
    void installLinkClickReporter();
    void onLoadStarted();
    void onLoadProgress(int progress);
    void onLoadFinished(bool ok);
    void onUrlChanged(const QUrl &url);
    void onHistoryActionChanged();
    void onRendererGone();
    void onAuthentication(const QString &site, QAuthenticator *authenticator);
    void onContextMenu(const QPoint &globalPos, bool *handled);
    void applyHostInfoToPage();
    void onCertificateError(const QWebEngineCertificateError &error);
    void showCertificatePage(const QUrl &url);
    void onCertificatePageCommand(const QString &kind);
    void onPermissionRequested(const QUrl &origin, int engineFeature);
    void onPermissionCanceled(const QUrl &origin, int engineFeature);
    void onPermissionAnswered(const TPermissionRequest &request, bool allow, bool remember);
    void grantPermission(const QUrl &origin, TSiteFeature feature, bool allow);
    void denyOpenPermissions();

    // Load cycles
    // Emits BeforeNavigate2(Application()); true = go on.
    bool announceTop(const QString &url, TNavigationType type);
    void completeSubFrames();
    void completeSubFrame(int index);
    void checkSubFrameTimeouts();
    void closeTopCycle(const QString &url);

    void loadUrl(const QUrl &url);
    void dismissDialog(bool navigating);
    void runQueuedWrites();
    void startNextSave();
    void showProperties();
    void showFind();
    void print(bool prompt);
    void printToPdfFile(QPrinter *printer);
    void finishPrint(bool ok);
    void refreshProfile();
    bool confirmResend();   // false: the user kept the page as it is
    void showOfflinePage(const QUrl &url);
    void goOnline();

    QPointer<QWidget> m_panel;       // the permission bar above the view
    QPointer<QWebEngineView> m_view;
    TPermissionBar *m_permissionBar = nullptr;
    QHash<QString, TPermissionAnswer> m_pageAnswers;   // given on this page, by site and feature
    TWebEnginePage *m_page = nullptr;
    TFormResendTracker *m_formTracker = nullptr;   // of m_page
    QTimer *m_subFrameTimer = nullptr;
    QList<SubFrame> m_subFrames;
    QString m_nonce;
    bool m_reportLinkClicks = false;

    // Top-level state of the current load
    bool m_loading = false;          // between loadStarted and loadFinished
    int m_pendingLoad = 0;           // load() called, loadStarted not yet seen (generation)
    bool m_pendingActive = false;
    bool m_topAnnounced = false;     // BeforeNavigate2(top) emitted for this load
    bool m_blankAnnounced = false;   // Navigate("about:blank") announced its load already
    bool m_acceptedSinceReject = true;
    QString m_rejectedTopUrl;
    int m_lastProgress = -1;
    int m_canGoBack = -1;
    int m_canGoForward = -1;

    QList<QString> m_queuedWrites;
    QList<PendingSave> m_saves;
    bool m_saving = false;

    QUrl m_offlineUrl;               // the address the offline page stands for
    QUrl m_lastTopRequest;           // the last top-level address the control accepted
    struct CertificateProblem {
        QUrl url;
        QByteArray digest;           // SHA-256 of the site's certificate
        QString problem;             // in plain words
        bool overridable = false;
    } m_certificateError;            // the last top-level certificate error
    QUrl m_certificatePageUrl;       // the address the certificate page stands for
    QPrinter *m_printer = nullptr;
    QPointer<TFindDialog> m_findDialog;
    quint32 m_hostFlags = 0;
    bool m_useDownloadControl = false;
    quint32 m_downloadControl = 0;
};
