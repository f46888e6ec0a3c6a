#include "platform/scripted_control.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <QSaveFile>
#include <QTimer>
#include <QWidget>

namespace {

QList<TScriptedControl *> &liveControls()
{
    static QList<TScriptedControl *> controls;
    return controls;
}

}

TScriptedControl::TScriptedControl(QObject *parent) : TWebControl(parent)
{
    liveControls().append(this);
}

TScriptedControl::~TScriptedControl()
{
    liveControls().removeAll(this);
    delete m_widget;   // unless its parent widget deleted it first
}

void TScriptedControl::Install()
{
    SetWebControlFactory([](QObject *parent) -> TWebControl * {
        return new TScriptedControl(parent);
    });
}

QList<TScriptedControl *> TScriptedControl::Instances()
{
    return liveControls();
}

TWebFrame TScriptedControl::subFrame(int n)
{
    // Odd values are never the address of an object, so no Application() can equal them.
    return reinterpret_cast<TWebFrame>((quintptr(n) << 1) | 1u);
}

QWidget *TScriptedControl::widget()
{
    if (!m_widget) {
        m_widget = new QWidget;
        m_widget->setObjectName(QStringLiteral("ScriptedPage"));
        m_widget->setFocusPolicy(Qt::StrongFocus);
    }
    return m_widget;
}

void TScriptedControl::Navigate(const QString &url)
{
    record(QStringLiteral("Navigate ") + url);
    if (m_loadOnNavigate) {
        QPointer<TScriptedControl> self(this);
        QTimer::singleShot(0, this, [self, url] {
            if (self)
                self->simulateLoad(url);
        });
    }
}

void TScriptedControl::GoBack() { record(QStringLiteral("GoBack")); }
void TScriptedControl::GoForward() { record(QStringLiteral("GoForward")); }
void TScriptedControl::GoHome() { record(QStringLiteral("GoHome")); }
void TScriptedControl::GoSearch() { record(QStringLiteral("GoSearch")); }
void TScriptedControl::Refresh()
{
    record(QStringLiteral("Refresh"));
    reloadLater();
}

void TScriptedControl::RefreshCompletely()
{
    record(QStringLiteral("RefreshCompletely"));
    reloadLater();
}

void TScriptedControl::reloadLater()
{
    // The engine reloads only a document it has, and asks before it does.
    if (!m_hasDocument || m_locationURL.isEmpty())
        return;
    QPointer<TScriptedControl> self(this);
    QTimer::singleShot(0, this, [self] {
        if (!self || self->m_locationURL.isEmpty())
            return;
        const QString url = self->m_locationURL;
        const QString title = self->m_locationName;
        self->simulateLoad(url, {}, title, TNavigationType::Reload);
    });
}

void TScriptedControl::Stop()
{
    record(QStringLiteral("Stop"));
    m_busy = false;
}

QString TScriptedControl::commandName(TDocCommand command)
{
    switch (command) {
    case TDocCommand::SaveAs: return QStringLiteral("SaveAs");
    case TDocCommand::Print: return QStringLiteral("Print");
    case TDocCommand::PageSetup: return QStringLiteral("PageSetup");
    case TDocCommand::Properties: return QStringLiteral("Properties");
    case TDocCommand::Cut: return QStringLiteral("Cut");
    case TDocCommand::Copy: return QStringLiteral("Copy");
    case TDocCommand::Paste: return QStringLiteral("Paste");
    case TDocCommand::SelectAll: return QStringLiteral("SelectAll");
    case TDocCommand::Find: return QStringLiteral("Find");
    case TDocCommand::ViewSource: return QStringLiteral("ViewSource");
    case TDocCommand::InternetOptions: return QStringLiteral("InternetOptions");
    }
    return QStringLiteral("Unknown");
}

void TScriptedControl::Exec(TDocCommand command, bool promptUser)
{
    QString line = QStringLiteral("Exec ") + commandName(command);
    if (command == TDocCommand::Print)
        line += promptUser ? QStringLiteral(" prompt") : QStringLiteral(" noprompt");
    record(line);
}

void TScriptedControl::SetZoom(int size)
{
    record(QStringLiteral("SetZoom ") + QString::number(size));
    m_zoom = size;
}

bool TScriptedControl::SaveDocument(const QString &path)
{
    record(QStringLiteral("SaveDocument ") + path);
    if (!m_hasDocument)
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(m_html.toUtf8());
    return file.commit();
}

void TScriptedControl::WriteDocument(const QString &html)
{
    record(QStringLiteral("WriteDocument ") + html);
    if (m_hasDocument)
        m_html = html;
}

QList<TWebLink> TScriptedControl::Links()
{
    record(QStringLiteral("Links"));
    return m_hasDocument ? m_links : QList<TWebLink>();
}

bool TScriptedControl::TranslateAccelerator(QKeyEvent *event)
{
    const QString key = event
        ? QKeySequence(event->keyCombination()).toString(QKeySequence::PortableText)
        : QString();
    record(QStringLiteral("TranslateAccelerator ") + key);
    return m_acceptsKeys;
}

void TScriptedControl::UIActivate()
{
    record(QStringLiteral("UIActivate"));
}

void TScriptedControl::ApplyHostInfo(quint32 hostFlags, bool useDownloadControl,
                                     quint32 downloadControl)
{
    record(QStringLiteral("ApplyHostInfo %1 %2 %3")
               .arg(QString::number(hostFlags, 16), QString::number(useDownloadControl ? 1 : 0),
                    QString::number(downloadControl, 16)));
}

QStringList TScriptedControl::navigations() const
{
    const QString prefix = QStringLiteral("Navigate ");
    QStringList urls;
    for (const QString &line : m_operations) {
        if (line.startsWith(prefix))
            urls.append(line.mid(prefix.size()));
    }
    return urls;
}

int TScriptedControl::count(const QString &operation) const
{
    return int(m_operations.count(operation));
}

bool TScriptedControl::fireBeforeNavigate2(TWebFrame frame, const QString &url, TNavigationType type)
{
    bool cancel = false;
    Q_EMIT BeforeNavigate2(frame, url, &cancel, TNavigation{type, frame == Application()});
    return cancel;
}

TScriptedControl::NewWindowResult TScriptedControl::fireNewWindow2(const QString &url)
{
    NewWindowResult result;
    Q_EMIT NewWindow2(&result.window, &result.cancel, url);
    return result;
}

void TScriptedControl::fireNavigateComplete2(TWebFrame frame, const QString &url)
{
    if (frame == Application())
        m_locationURL = url;
    Q_EMIT NavigateComplete2(frame, url);
}

void TScriptedControl::fireDocumentComplete(TWebFrame frame, const QString &url)
{
    Q_EMIT DocumentComplete(frame, url);
}

void TScriptedControl::fireTitleChange(const QString &text)
{
    m_locationName = text;
    Q_EMIT TitleChange(text);
}

void TScriptedControl::fireProgressChange(int progress, int progressMax)
{
    Q_EMIT ProgressChange(progress, progressMax);
}

void TScriptedControl::fireCommandStateChange(int command, bool enable)
{
    Q_EMIT CommandStateChange(command, enable);
}

void TScriptedControl::fireStatusTextChange(const QString &text)
{
    Q_EMIT StatusTextChange(text);
}

void TScriptedControl::fireDownloadBegin() { Q_EMIT DownloadBegin(); }
void TScriptedControl::fireDownloadComplete() { Q_EMIT DownloadComplete(); }
void TScriptedControl::fireWindowCloseRequested() { Q_EMIT WindowCloseRequested(); }

bool TScriptedControl::fireContextMenuRequested(quint32 menuId, const QPoint &globalPos)
{
    bool handled = false;
    Q_EMIT ContextMenuRequested(menuId, globalPos, &handled);
    return handled;
}

bool TScriptedControl::simulateLoad(const QString &url, const QStringList &subFrameUrls,
                                    const QString &title, TNavigationType type)
{
    // Every handler may destroy this control; stop as soon as it is gone.
    QPointer<TScriptedControl> self(this);
    const TWebFrame top = Application();
    if (fireBeforeNavigate2(top, url, type))
        return false;
    if (!self)
        return true;
    m_busy = true;
    fireDownloadBegin();
    if (!self)
        return true;
    fireProgressChange(10, 100);
    if (!self)
        return true;
    fireNavigateComplete2(top, url);
    if (!self)
        return true;
    if (type != TNavigationType::Reload)   // a reload makes no new history entry
        m_history.append(url);
    fireTitleChange(title.isEmpty() ? url : title);
    if (!self)
        return true;
    fireCommandStateChange(CSC_NAVIGATEBACK, m_history.size() > 1);
    if (!self)
        return true;
    fireCommandStateChange(CSC_NAVIGATEFORWARD, false);
    if (!self)
        return true;
    for (int i = 0; i < subFrameUrls.size(); ++i) {
        const TWebFrame frame = subFrame(i + 1);
        const QString &frameUrl = subFrameUrls.at(i);
        const bool cancelled = fireBeforeNavigate2(frame, frameUrl, TNavigationType::Other);
        if (!self)
            return true;
        if (cancelled)
            continue;
        fireNavigateComplete2(frame, frameUrl);
        if (!self)
            return true;
        fireDocumentComplete(frame, frameUrl);
        if (!self)
            return true;
    }
    fireProgressChange(100, 100);
    if (!self)
        return true;
    m_busy = false;
    fireDownloadComplete();
    if (!self)
        return true;
    fireDocumentComplete(top, url);
    return true;
}

void TScriptedControl::fireLinkClicked(const TLinkClick &click)
{
    if (m_reportLinkClicks)
        Q_EMIT LinkClicked(click);
}
