#include "browser/downloads.h"

#include "browser/downloadlist.h"
#include "browser/downloadname.h"
#include "browser/downloadswindow.h"
#include "components/dialogplacement.h"
#include "navigation/commandtable.h"
#include "platform/pagedialogs.h"
#include "platform/paths.h"
#include "platform/webprofile.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>

namespace {
const int StoreDelayMs = 300;
const char DownArrow[] = "\xE2\x86\x93";   // U+2193
}

TDownloads::TDownloads(TCommandTable *commands, QWidget *windowParent, QObject *parent)
    : QObject(parent), m_windowParent(windowParent), m_list(new TDownloadList(this)),
      m_storeTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("Downloads"));
    m_storeTimer->setSingleShot(true);
    m_storeTimer->setInterval(StoreDelayMs);
    connect(m_storeTimer, &QTimer::timeout, this, [this] { Store(); });
    load();
    connect(m_list, &TDownloadList::Modified, this, &TDownloads::scheduleStore);
    connect(m_list, &TDownloadList::Changed, this, &TDownloads::updateStatus);
    connect(m_list, &TDownloadList::Added, this, &TDownloads::updateStatus);
    connect(m_list, &TDownloadList::Removed, this, &TDownloads::updateStatus);
    registerCommand(commands);
    TWebProfile::instance()->setDownloadHandler([this](QWebEngineDownloadRequest *request) {
        onDownloadRequested(request);
    });
}

TDownloads::~TDownloads()
{
    TWebProfile::instance()->setDownloadHandler(nullptr);
    // The transfers end with the window: what they wrote so far is removed.
    m_list->CancelAll();
    Store();
    // The page must go before the profile it was made on.
    delete m_retryPage;
    m_retryPage = nullptr;
}

void TDownloads::registerCommand(TCommandTable *commands)
{
    TCommandRow row;
    row.name = QStringLiteral("mnuToolsDownloads");
    row.caption = QStringLiteral("&Downloads");
    row.hint = QStringLiteral("Downloads|Shows the files you download and their progress");
    row.shortcut = QKeySequence(Qt::CTRL | Qt::Key_J);
    row.keys = {TKeyCommand::Downloads};
    row.handler = [this](bool) { ShowWindow(); };
    commands->Register(row);
}

TDownloadsWindow *TDownloads::Window()
{
    if (!m_window) {
        m_window = new TDownloadsWindow(m_list, m_windowParent);
        m_window->SetShowWhenStarting(m_showWhenStarting);
        CenterOnScreen(m_window);
        connect(m_window, &TDownloadsWindow::RetryRequested, this, &TDownloads::Retry);
        connect(m_window, &TDownloadsWindow::ShowWhenStartingToggled, this, &TDownloads::SetShowWhenStarting);
        connect(m_window, &TDownloadsWindow::VisibilityChanged, this, &TDownloads::updateStatus);
    }
    return m_window;
}

void TDownloads::ShowWindow()
{
    TDownloadsWindow *window = Window();
    window->show();
    window->raise();
    window->activateWindow();
}

bool TDownloads::WindowVisible() const
{
    return m_window && m_window->isVisible();
}

void TDownloads::SetShowWhenStarting(bool on)
{
    if (on == m_showWhenStarting)
        return;
    m_showWhenStarting = on;
    if (m_window)
        m_window->SetShowWhenStarting(on);
    scheduleStore();
}

QString TDownloads::askForFile(const QString &suggestedPath)
{
    if (m_chooser)
        return m_chooser(suggestedPath);
    QFileDialog dialog(m_windowParent, tr("Save File"));
    dialog.setObjectName(QStringLiteral("dlgSaveDownload"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(QFileInfo(suggestedPath).absolutePath());
    dialog.selectFile(QFileInfo(suggestedPath).fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

void TDownloads::continueInRow(QWebEngineDownloadRequest *request, int id)
{
    const TDownload *row = m_list->Find(id);
    if (!row || row->InProgress()) {
        request->cancel();
        return;
    }
    request->setDownloadDirectory(row->Folder());
    request->setDownloadFileName(row->FileName());
    request->accept();
    m_list->Restart(id, request);
}

void TDownloads::onDownloadRequested(QWebEngineDownloadRequest *request)
{
    // The engine resumes a transfer that broke off on its own, as a new request of the same
    // transfer: it goes on in its row, into its file, without asking again.
    if (const int id = m_list->RowOfEngineDownload(request->id())) {
        continueInRow(request, id);   // refused when the user's Retry came first
        return;
    }
    if (m_retryPage && request->page() == m_retryPage && !m_pendingRetries.isEmpty()) {
        int index = 0;
        for (int i = 0; i < m_pendingRetries.size(); ++i) {
            if (m_pendingRetries.at(i).first == request->url()) {
                index = i;
                break;
            }
        }
        continueInRow(request, m_pendingRetries.takeAt(index).second);
        return;
    }

    const QString folder = SaveAsStartFolder(m_lastFolder);
    const QString name = TDownloadName::Unique(folder, TDownloadName::Clean(request->downloadFileName()));
    const QString path = askForFile(QDir(folder).filePath(name));
    if (path.isEmpty()) {
        request->cancel();
        return;
    }
    const QFileInfo chosen(path);
    m_lastFolder = chosen.absolutePath();
    request->setDownloadDirectory(chosen.absolutePath());
    request->setDownloadFileName(chosen.fileName());
    request->accept();
    m_list->Add(request);
    scheduleStore();
    // Shown once; a burst of downloads does not keep raising it over the user's work.
    if (m_showWhenStarting && !WindowVisible())
        ShowWindow();
}

void TDownloads::Retry(int id)
{
    const TDownload *row = m_list->Find(id);
    if (!row || row->InProgress() || !row->url.isValid())
        return;
    if (!m_retryPage)
        m_retryPage = new QWebEnginePage(TWebProfile::instance()->profile(), this);
    m_pendingRetries.append({row->url, id});
    m_retryPage->download(row->url, row->FileName());
}

int TDownloads::InProgressCount() const
{
    return m_list->InProgressCount();
}

bool TDownloads::ConfirmExit()
{
    const int running = m_list->InProgressCount();
    if (running == 0)
        return true;
    const QString text = running == 1
            ? QStringLiteral("1 download is in progress. Cancel it and exit?")
            : QStringLiteral("%1 downloads are in progress. Cancel them and exit?").arg(running);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Downloads"), text, QMessageBox::NoButton,
                    m_windowParent);
    box.setObjectName(QStringLiteral("dlgDownloadsExit"));
    QPushButton *exit = box.addButton(QStringLiteral("Cancel Downloads and E&xit"), QMessageBox::AcceptRole);
    QPushButton *stay = box.addButton(QStringLiteral("&Keep Downloading"), QMessageBox::RejectRole);
    box.setDefaultButton(stay);
    box.setEscapeButton(stay);
    box.exec();
    if (box.clickedButton() != exit)
        return false;
    m_list->CancelAll();
    Store();
    return true;
}

QString TDownloads::StoreFile()
{
    return TPaths::Join(TPaths::DataDir(), QStringLiteral("downloads.json"));
}

void TDownloads::load()
{
    QFile file(StoreFile());
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(file.read(4 * 1024 * 1024), &error);
    file.close();
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        // Kept for a look, out of the way of the next write.
        QFile::remove(StoreFile() + QStringLiteral(".ignored"));
        QFile::rename(StoreFile(), StoreFile() + QStringLiteral(".ignored"));
        return;
    }
    const QJsonObject root = doc.object();
    m_showWhenStarting = root.value(QStringLiteral("showWhenStarting")).toBool(true);
    m_lastFolder = root.value(QStringLiteral("lastFolder")).toString();
    m_list->FromJson(root.value(QStringLiteral("downloads")).toArray());
}

void TDownloads::scheduleStore()
{
    m_storeTimer->start();
}

bool TDownloads::Store() const
{
    m_storeTimer->stop();
    QJsonObject root;
    root.insert(QStringLiteral("showWhenStarting"), m_showWhenStarting);
    if (!m_lastFolder.isEmpty())
        root.insert(QStringLiteral("lastFolder"), m_lastFolder);
    root.insert(QStringLiteral("downloads"), m_list->ToJson());
    QSaveFile file(StoreFile());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(root).toJson(QJsonDocument::Indented));
    return file.commit();
}

void TDownloads::updateStatus()
{
    QString text;
    QString tip;
    const int running = m_list->InProgressCount();
    if (running > 0 && !WindowVisible()) {
        qint64 received = 0;
        qint64 total = 0;
        bool totalsKnown = true;
        for (int i = 0; i < m_list->Count(); ++i) {
            const TDownload &d = m_list->At(i);
            if (!d.InProgress())
                continue;
            received += d.received;
            if (d.total < 0)
                totalsKnown = false;
            else
                total += d.total;
        }
        text = QString::fromUtf8(DownArrow);
        if (totalsKnown && total > 0)
            text += QStringLiteral("%1%").arg(qMin<qint64>(100, received * 100 / total));
        const QString done = totalsKnown ? QStringLiteral("%1 of %2").arg(TDownloadText::Size(received),
                                                                          TDownloadText::Size(total))
                                         : TDownloadText::Size(received);
        tip = (running == 1 ? QStringLiteral("1 download in progress: ")
                            : QStringLiteral("%1 downloads in progress: ").arg(running))
                + done + QStringLiteral(" (Ctrl+J shows them)");
    }
    if (text.isEmpty() && m_statusText.isEmpty())
        return;
    m_statusText = text;
    Q_EMIT StatusText(text, tip);
}
