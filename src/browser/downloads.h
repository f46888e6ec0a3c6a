#pragma once
// TDownloads: the downloads subsystem of a window. It takes every file download of the web
// profile: asks where to save it (starting in the folder last used, else the user's
// download folder, with a cleaned and unused name), follows it in its download list, shows
// the Downloads window when a download starts (unless the user turned that off there),
// reports progress for the status bar while that window is hidden, and keeps the list and
// its own two settings in a small file in the data folder. Downloads run in the profile,
// not in a tab: closing the tab that started one does not stop it.
//
// Its row "mnuToolsDownloads" (Ctrl+J) is registered in the command table given.

#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>

class QTimer;
class QWebEngineDownloadRequest;
class QWebEnginePage;
class QWidget;
class TCommandTable;
class TDownloadList;
class TDownloadsWindow;

class TDownloads : public QObject {
    Q_OBJECT
public:
    // windowParent: the window the Downloads window and the questions belong to.
    TDownloads(TCommandTable *commands, QWidget *windowParent, QObject *parent = nullptr);
    ~TDownloads() override;

    TDownloadList *List() const { return m_list; }
    // Made on first use.
    TDownloadsWindow *Window();
    void ShowWindow();                  // mnuToolsDownloads
    bool WindowVisible() const;

    bool ShowWhenStarting() const { return m_showWhenStarting; }
    void SetShowWhenStarting(bool on);
    QString LastFolder() const { return m_lastFolder; }

    // Asks for the file of a download: given the suggested path (a free name in the start
    // folder), returns the path chosen or "" to cancel. The default is a save dialog that
    // asks before it replaces a file. Tests put their own answer here.
    using TFileChooser = std::function<QString(const QString &suggestedPath)>;
    void SetFileChooser(TFileChooser chooser) { m_chooser = std::move(chooser); }

    // Starts a failed or cancelled row's download again into the same file.
    void Retry(int id);

    // Before the program closes: true when nothing is in progress, or the user agreed to
    // cancel what is ("N downloads are in progress. Cancel them and exit?"); the downloads
    // are cancelled then.
    bool ConfirmExit();
    int InProgressCount() const;

    // The file the list is kept in (downloads.json in the data folder).
    static QString StoreFile();
    // Writes the list now; false when the file could not be written.
    bool Store() const;

Q_SIGNALS:
    // The status bar's download text and its tool tip; both empty when nothing is shown.
    void StatusText(const QString &text, const QString &toolTip);

private:
    void registerCommand(TCommandTable *commands);
    void onDownloadRequested(QWebEngineDownloadRequest *request);
    // Goes on with the transfer in row id, into its file, without asking; refused when the
    // row is gone or already has a transfer running.
    void continueInRow(QWebEngineDownloadRequest *request, int id);
    QString askForFile(const QString &suggestedPath);
    void load();
    void scheduleStore();
    void updateStatus();

    QWidget *m_windowParent;
    TDownloadList *m_list;
    QPointer<TDownloadsWindow> m_window;
    QWebEnginePage *m_retryPage = nullptr;    // starts the downloads of Retry
    QList<QPair<QUrl, int>> m_pendingRetries;  // (address, row) in the order asked
    TFileChooser m_chooser;
    bool m_showWhenStarting = true;
    QString m_lastFolder;
    QTimer *m_storeTimer;
    QString m_statusText;
};
