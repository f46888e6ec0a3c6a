#include "browser/vessabrowser.h"

#include "platform/paths.h"
#include "services/flyswat.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QUrl>
#include <QVBoxLayout>

namespace {
// Longest title part of a file name; longer titles would exceed the file system's limit.
const int MaxTitleFileName = 100;

// This run's private temporary folder with a trailing "/"; "" when there is none. A shared
// folder such as /tmp would let another user predict, replace or read these files.
QString tempDir()
{
    const QString dir = TPaths::RunTempDir();
    return dir.isEmpty() ? dir : dir + QLatin1Char('/');
}
}

TVessaBrowser::TVessaBrowser(QWidget *parent) : QWidget(parent)
{
    m_control = CreateWebControl(this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (QWidget *w = m_control->widget()) {
        layout->addWidget(w);
        setFocusProxy(w);
    }
    connect(m_control, &TWebControl::ContextMenuRequested, this, &TVessaBrowser::onContextMenuRequested);
}

TVessaBrowser::TVessaBrowser(QWidget *parent, bool showLinks, bool withAddOnHost)
    : TVessaBrowser(parent)
{
    // The add-on (when installed and switched on) lives exactly as long as the view.
    if (withAddOnHost)
        m_flyswat = std::make_unique<TFlyswat>(showLinks, m_control->AutomationObject());
    connect(m_control, &TWebControl::TitleChange, this, &TVessaBrowser::onTitleChange);
}

TVessaBrowser::~TVessaBrowser()
{
    // The add-on lets go of the page first; the control goes next so that none of its
    // events reaches a half-destroyed view.
    m_flyswat.reset();
    delete m_control;
    m_control = nullptr;
}

quint32 TVessaBrowser::HostFlags(bool no3DBorder, bool noScroll, bool flatScrollbar)
{
    quint32 flags = 0x4000;   // DOCHOSTUIFLAG_ENABLE_FORMS_AUTOCOMPLETE
    if (no3DBorder)
        flags |= 0x4;
    if (noScroll)
        flags |= 0x8;
    if (flatScrollbar)
        flags |= 0x80;
    return flags;
}

quint32 TVessaBrowser::DownloadControlAnswer(TDownloadControlOptionSet set)
{
    return quint32(set & 0x7F) << 4;
}

quint32 TVessaBrowser::HostInfoFlags() const
{
    return HostFlags(No3DBorder, NoScroll, FlatScrollbar);
}

bool TVessaBrowser::AmbientDownloadControl(quint32 *result) const
{
    if (!UseDownloadControl)
        return false;
    if (result)
        *result = DownloadControlAnswer(DownloadControlOptionSet);
    return true;
}

void TVessaBrowser::applyHostInfo()
{
    quint32 dl = 0;
    const bool useDl = AmbientDownloadControl(&dl);
    m_control->ApplyHostInfo(HostInfoFlags(), useDl, dl);
}

void TVessaBrowser::onTitleChange(const QString &text)
{
    m_pageTitle = text;
    Q_EMIT OnTitleChangeWrapper(this, text);
}

void TVessaBrowser::onContextMenuRequested(quint32 menuId, const QPoint &globalPos, bool *handled)
{
    // Only the text-selection menu (4) is the host's to replace.
    if (menuId != 4 || !OnShowContextMenuEvent)
        return;
    OnShowContextMenuEvent(this, menuId, globalPos);
    if (handled)
        *handled = true;
}

void TVessaBrowser::NavigateTo(const QString &url)
{
    applyHostInfo();
    if (m_control->Busy())
        m_control->Stop();
    m_control->Navigate(url);
}

void TVessaBrowser::RefreshPage()
{
    applyHostInfo();
    if (m_control->Busy())
        m_control->Stop();
    m_control->Refresh();
}

void TVessaBrowser::RefreshCompletely()
{
    applyHostInfo();
    if (m_control->Busy())
        m_control->Stop();
    m_control->RefreshCompletely();
}

void TVessaBrowser::SelectAll() { m_control->Exec(TDocCommand::SelectAll); }
void TVessaBrowser::Copy() { m_control->Exec(TDocCommand::Copy); }
void TVessaBrowser::Cut() { m_control->Exec(TDocCommand::Cut); }
void TVessaBrowser::Paste() { m_control->Exec(TDocCommand::Paste); }
void TVessaBrowser::PageSetup() { m_control->Exec(TDocCommand::PageSetup); }
void TVessaBrowser::SaveAs() { m_control->Exec(TDocCommand::SaveAs); }
void TVessaBrowser::Properties() { m_control->Exec(TDocCommand::Properties); }
void TVessaBrowser::Print(bool prompt) { m_control->Exec(TDocCommand::Print, prompt); }
void TVessaBrowser::ViewSource() { m_control->Exec(TDocCommand::ViewSource); }
void TVessaBrowser::InternetOptions() { m_control->Exec(TDocCommand::InternetOptions); }

void TVessaBrowser::FindInPage()
{
    setFocus(Qt::OtherFocusReason);
    m_control->Exec(TDocCommand::Find);
}

int TVessaBrowser::GetTextSize() const
{
    return m_control->Zoom();
}

void TVessaBrowser::SetTextSize(int value)
{
    m_control->SetZoom(value);
}

void TVessaBrowser::WriteHtml(const QString &text)
{
    m_control->WriteDocument(text);
}

bool TVessaBrowser::TranslateKey(QKeyEvent *event)
{
    return m_control->TranslateAccelerator(event);
}

void TVessaBrowser::ShowLinks(bool on)
{
    // A view without the add-on tries to get it now, showing its links; where the add-on
    // is not installed or fails, nothing happens.
    if (m_flyswat && m_flyswat->HasAddOn())
        m_flyswat->SetLinksShown(on);
    else
        m_flyswat = std::make_unique<TFlyswat>(on, m_control->AutomationObject());
}

bool TVessaBrowser::LinksShown() const
{
    return m_flyswat && m_flyswat->LinksShown();
}

bool TVessaBrowser::HasAddOn() const
{
    return m_flyswat && m_flyswat->HasAddOn();
}

QString TVessaBrowser::SaveToTempFile()
{
    const QString dir = tempDir();
    if (!m_control->HasDocument() || dir.isEmpty())
        return QString();
    // A unique "tmp*.htm" name made in one step: no later rename can fail or collide.
    QTemporaryFile file(dir + QStringLiteral("tmpXXXXXX.htm"));
    file.setAutoRemove(false);
    if (!file.open())
        return QString();
    const QString path = file.fileName();
    file.close();
    if (!m_control->SaveDocument(path)) {
        QFile::remove(path);
        return QString();
    }
    return path;
}

QString TVessaBrowser::BaseHref(const QString &url)
{
    // The search starts after the scheme's "//" (position 8 for "http://"), so that
    // neither "https://" nor "file://" is mistaken for a path.
    int from = 7;
    const int authority = url.indexOf(QLatin1String("://"));
    if (authority >= 0)
        from = authority + 3;
    int end = url.size();
    for (QChar stop : {QLatin1Char('?'), QLatin1Char('#')}) {
        const int i = url.indexOf(stop, from);
        if (i >= 0 && i < end)
            end = i;
    }
    const int slash = end > from ? url.lastIndexOf(QLatin1Char('/'), end - 1) : -1;
    if (slash >= from)
        return url.left(slash + 1);
    return url.left(end) + QLatin1Char('/');
}

QString TVessaBrowser::FileNameSafeTitle(const QString &title)
{
    QString out = title;
    for (QChar &c : out) {
        const ushort u = c.unicode();
        const bool keep = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9')
                || u == ' ' || u == '.';
        if (!keep)
            c = QLatin1Char(' ');
    }
    return out;
}

QByteArray TVessaBrowser::WithBaseTag(const QString &baseHref, const QByteArray &document)
{
    QByteArray base = baseHref.toUtf8();
    const QUrl url(baseHref, QUrl::TolerantMode);
    if (url.isValid())
        base = url.toEncoded();   // ASCII, and no quote that could end the attribute
    QByteArray out = "<BASE HREF=\"" + base + "\">\r\n";
    if (document.isEmpty())
        return out;
    const QList<QByteArray> lines = document.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        if (i == lines.size() - 1 && line.isEmpty())
            break;   // the document ended with a line break
        if (line.endsWith('\r'))
            line.chop(1);
        out += line + "\r\n";
    }
    return out;
}

QString TVessaBrowser::SaveWithBaseHref()
{
    const QString dir = tempDir();
    if (!m_control->HasDocument() || dir.isEmpty())
        return QString();
    const QString name = FileNameSafeTitle(m_control->LocationName()).left(MaxTitleFileName);
    const QString work = dir + name + QStringLiteral(".tmp");
    const QString result = dir + name + QStringLiteral(".htm");
    const QString base = BaseHref(m_control->LocationURL());

    if (!m_control->SaveDocument(work)) {
        QFile::remove(work);
        return QString();
    }
    QFile in(work);
    if (!in.open(QIODevice::ReadOnly)) {
        QFile::remove(work);
        return QString();
    }
    const QByteArray document = in.readAll();
    in.close();
    QFile::remove(work);

    QSaveFile out(result);
    if (!out.open(QIODevice::WriteOnly))
        return QString();
    out.write(WithBaseTag(base, document));
    if (!out.commit())
        return QString();
    return result;
}
