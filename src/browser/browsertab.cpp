#include "browser/browsertab.h"

#include "browser/tabhost.h"
#include "browser/vessabrowser.h"
#include "components/smallpicture.h"
#include "components/updatethrottle.h"

#include <QFrame>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QVBoxLayout>

namespace {

const int DefaultTitleMax = 50;
// Title, status text and progress of one tab reach the window at most this often.
const int EventThrottleMs = 50;

// The first n characters of text, one fewer when the cut would split a surrogate pair.
QString leftChars(const QString &text, int n)
{
    if (n > 0 && n < text.size() && text.at(n - 1).isHighSurrogate())
        --n;
    return text.left(n);
}

// Line breaks and other control characters would break the one-line tab caption.
QString oneLine(QString text)
{
    for (QChar &c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    }
    return text;
}

// The lamps are drawn on SmallPicture's 16-unit grid, two units to a pixel of the 8 x 8
// picture, so they stay sharp at any device pixel ratio.
QPixmap squareLamp(const QColor &fill)
{
    return SmallPicture(8, [fill](QPainter &p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(QRectF(0, 0, 16, 16), Qt::black);
        p.fillRect(QRectF(2, 2, 12, 12), fill);
    });
}

QPixmap padlockLamp()
{
    return SmallPicture(8, [](QPainter &p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        // The body: a hollow frame over the lower five pixel rows.
        p.fillRect(QRectF(0, 6, 16, 2), Qt::black);
        p.fillRect(QRectF(0, 14, 16, 2), Qt::black);
        p.fillRect(QRectF(0, 8, 2, 6), Qt::black);
        p.fillRect(QRectF(14, 8, 2, 6), Qt::black);
        // The shackle: a bar above two legs.
        p.fillRect(QRectF(4, 0, 8, 2), Qt::black);
        p.fillRect(QRectF(2, 2, 2, 4), Qt::black);
        p.fillRect(QRectF(12, 2, 2, 4), Qt::black);
    });
}

}

QString EscapeAmpersands(const QString &text)
{
    QString result = text;
    result.replace(QLatin1Char('&'), QLatin1String("&&"));
    return result;
}

TBrowserTab::TBrowserTab(const TTabParts &parts, bool hidden, TKWPageControl *pageControl, bool activate)
    : TKWTabSheet(nullptr), m_parts(parts)
{
    HideFromCloseAll = false;
    PendingPopupCheck = hidden;
    if (hidden)
        SetTabVisible(false);

    if (pageControl) {
        pageControl->InsertPage(this, -1);
        if (activate)
            pageControl->SetActivePage(this);
    }

    auto *tabLayout = new QVBoxLayout(this);
    tabLayout->setContentsMargins(0, 0, 0, 0);
    m_framePanel = new QFrame(this);
    m_framePanel->setObjectName(QStringLiteral("FramePanel"));
    m_framePanel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    tabLayout->addWidget(m_framePanel);

    FirstLoad = false;
    m_eventThrottle = new TUpdateThrottle(EventThrottleMs, [this] { showHeldEvents(); }, this);

    m_view = new TVessaBrowser(m_framePanel, m_parts.policy->FlyswatShowLinks(), m_parts.policy->FlyswatEnabled());
    m_view->No3DBorder = true;
    m_view->FlatScrollbar = true;
    m_view->setFocusPolicy(Qt::StrongFocus);
    auto *panelLayout = new QVBoxLayout(m_framePanel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(m_view);
    m_view->show();
    NavigateBlank();

    if (TWebControl *c = control()) {
        connect(c, &TWebControl::BeforeNavigate2, this, &TBrowserTab::onBeforeNavigate2,
                Qt::DirectConnection);
        connect(c, &TWebControl::CommandStateChange, this, &TBrowserTab::onCommandStateChange);
        connect(c, &TWebControl::DocumentComplete, this, &TBrowserTab::onDocumentComplete);
        connect(c, &TWebControl::DownloadBegin, this, &TBrowserTab::onDownloadBegin);
        connect(c, &TWebControl::DownloadComplete, this, &TBrowserTab::onDownloadComplete);
        connect(c, &TWebControl::NavigateComplete2, this, &TBrowserTab::onNavigateComplete2);
        connect(c, &TWebControl::NewWindow2, this, &TBrowserTab::onNewWindow2,
                Qt::DirectConnection);
        connect(c, &TWebControl::ProgressChange, this, &TBrowserTab::onProgressChange);
        connect(c, &TWebControl::StatusTextChange, this, &TBrowserTab::onStatusTextChange);
        connect(c, &TWebControl::FullScreenRequested, this, [this](bool on, bool *accept) {
            if (m_parts.fullScreen && !m_closing)
                *accept = m_parts.fullScreen->PageFullScreen(this, on);
        }, Qt::DirectConnection);
        // Posted, as the page's close message is: the tab closes after the engine's callback
        // has returned.
        connect(c, &TWebControl::WindowCloseRequested, this,
                &TBrowserTab::onWindowCloseRequested, Qt::QueuedConnection);
    }
    connect(m_view, &TVessaBrowser::OnTitleChangeWrapper, this,
            [this](TVessaBrowser *, const QString &text) { onTitleChange(text); });
}

TBrowserTab::~TBrowserTab()
{
    // The view outlives this part of the object while QWidget deletes its children; no
    // event of it may reach the half-destroyed tab.
    if (m_view) {
        if (TWebControl *c = control())
            disconnect(c, nullptr, this, nullptr);
        disconnect(m_view, nullptr, this, nullptr);
    }
}

QList<QPixmap> TBrowserTab::LampImages()
{
    return {squareLamp(Qt::red), squareLamp(Qt::green), squareLamp(Qt::yellow), padlockLamp()};
}

QString TBrowserTab::ShownTitle(const QString &text, int limit)
{
    QString shown;
    if (limit > 0 && limit < text.size())
        shown = leftChars(text, limit) + QLatin1String("...");
    else if (text.size() > DefaultTitleMax)
        shown = leftChars(text, DefaultTitleMax) + QLatin1String("...");
    else
        shown = text;
    if (shown == QLatin1String("about:blank"))
        return QStringLiteral("Blank");
    return oneLine(shown);
}

TWebControl *TBrowserTab::control() const
{
    return m_view ? m_view->Control() : nullptr;
}

bool TBrowserTab::isTopLevel(TWebFrame frame) const
{
    const TWebControl *c = control();
    return c && frame == c->Application();
}

bool TBrowserTab::IsActive() const
{
    return PageControl() && PageControl()->ActivePage() == this;
}

void TBrowserTab::SetTitle(const QString &text)
{
    // This title is newer than any the page reported before.
    m_titleHeld = false;
    SetHint(text);
    if (!StickyName.isEmpty()) {
        SetCaption(EscapeAmpersands(oneLine(StickyName)));
        return;
    }
    SetCaption(EscapeAmpersands(ShownTitle(text, m_parts.policy->TitleLimit())));
}

void TBrowserTab::ApplyTitleLimit()
{
    // The hint keeps the whole title; a title still held back is shown when its turn comes.
    if (StickyName.isEmpty() && !Hint().isEmpty())
        SetCaption(EscapeAmpersands(ShownTitle(Hint(), m_parts.policy->TitleLimit())));
}

void TBrowserTab::SetStickyName(const QString &name)
{
    StickyName = name;
    if (!name.isEmpty())
        SetTitle(name);
    else
        SetTitle(Title());
    emit StateChanged();
}

void TBrowserTab::SetLocked(bool on)
{
    Locked = on;
    SetImageIndex(on ? LampLocked : LampNone);
    emit StateChanged();
}

void TBrowserTab::SetHideFromCloseAll(bool on)
{
    HideFromCloseAll = on;
    emit StateChanged();
}

void TBrowserTab::SetViewed(bool on)
{
    Viewed = on;
    if (Locked)
        return;
    SetImageIndex(on || IsActive() ? LampNone : LampGreen);
}

QString TBrowserTab::TabStateText() const
{
    // A locked tab shows its padlock in place of the lamp.
    if (Locked)
        return Loading ? QStringLiteral("Locked, loading") : QStringLiteral("Locked");
    switch (ImageIndex()) {
    case LampRed: return QStringLiteral("Red lamp: loading");
    case LampYellow: return QStringLiteral("Yellow lamp: page arrived");
    case LampGreen: return QStringLiteral("Green lamp: not viewed yet");
    default: return QString();
    }
}

void TBrowserTab::SetLamp(TLampKind kind)
{
    if (Locked)
        return;
    switch (kind) {
    case TLampKind::Loading: SetImageIndex(LampRed); break;
    case TLampKind::Arrived: SetImageIndex(LampYellow); break;
    case TLampKind::Finished: SetImageIndex(Viewed ? LampNone : LampGreen); break;
    }
}

void TBrowserTab::NavigateTo(const QString &url)
{
    if (!m_view)
        return;
    if (!Locked)
        SetTitle(url);
    m_view->NavigateTo(url);
}

void TBrowserTab::OpenAsHome(const QString &url)
{
    HomeURL = url;
    NavigateTo(url);
}

void TBrowserTab::GoTabHome()
{
    if (!HomeURL.isEmpty())
        NavigateTo(HomeURL);
}

void TBrowserTab::NavigateBlank()
{
    if (m_view)
        m_view->NavigateTo(QStringLiteral("about:blank"));
}

void TBrowserTab::GoBack()
{
    if (CanGoBack)
        if (TWebControl *c = control())
            c->GoBack();
}

void TBrowserTab::GoForward()
{
    if (CanGoForward)
        if (TWebControl *c = control())
            c->GoForward();
}

void TBrowserTab::GoHome()
{
    if (TWebControl *c = control())
        c->GoHome();
}

void TBrowserTab::GoSearch()
{
    if (TWebControl *c = control())
        c->GoSearch();
}

void TBrowserTab::StopLoading()
{
    if (TWebControl *c = control())
        c->Stop();
}

void TBrowserTab::RefreshTab()
{
    if (!m_view)
        return;
    if (QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier)
        m_view->RefreshCompletely();
    else
        m_view->RefreshPage();
}

void TBrowserTab::FocusPage()
{
    if (TWebControl *c = control())
        c->UIActivate();
}

QWidget *TBrowserTab::ViewWindow() const
{
    return m_view;
}

QString TBrowserTab::Location() const
{
    const TWebControl *c = control();
    return c ? c->LocationURL() : QString();
}

QString TBrowserTab::Title() const
{
    const TWebControl *c = control();
    return c ? c->LocationName() : QString();
}

void TBrowserTab::FollowNextLink()
{
    TWebControl *c = control();
    if (!c || !c->HasDocument())
        return;
    QPointer<TBrowserTab> self(this);
    const QList<TWebLink> links = c->Links();
    if (!self || !m_view)
        return;
    // Following every match in turn ends at the last one; going there directly gives the
    // same page without aborted loads, and a locked tab opens one new tab, not one per link.
    QString target;
    for (const TWebLink &link : links) {
        if (!link.href.isEmpty() && link.text.toUpper().contains(QLatin1String("NEXT")))
            target = link.href;
    }
    if (target.isEmpty())
        return;
    control()->Stop();
    m_view->NavigateTo(target);
}

void TBrowserTab::CloseTab()
{
    if (m_closing)
        return;
    m_closing = true;
    m_eventThrottle->Cancel();
    if (m_parts.fullScreen)
        m_parts.fullScreen->PageFullScreen(this, false);
    if (m_view) {
        if (TWebControl *c = control()) {
            disconnect(c, nullptr, this, nullptr);
            c->Stop();
        }
        disconnect(m_view, nullptr, this, nullptr);
        m_view = nullptr;
    }
    Loading = false;
    LoadFrame = nullptr;
    // Deferred: this may run inside one of the view's own events, and the control must not
    // be destroyed under its caller. The panel takes the view with it.
    if (m_framePanel) {
        m_framePanel->hide();
        m_framePanel->deleteLater();
        m_framePanel = nullptr;
    }
    SetTabVisible(false);
    if (TKWPageControl *pc = PageControl())
        pc->RemovePage(this);
    deleteLater();
}

void TBrowserTab::SelectAll() { if (m_view) m_view->SelectAll(); }
void TBrowserTab::Copy() { if (m_view) m_view->Copy(); }
void TBrowserTab::Cut() { if (m_view) m_view->Cut(); }
void TBrowserTab::Paste() { if (m_view) m_view->Paste(); }
void TBrowserTab::PageSetup() { if (m_view) m_view->PageSetup(); }
void TBrowserTab::SaveAs() { if (m_view) m_view->SaveAs(); }
void TBrowserTab::Print(bool prompt) { if (m_view) m_view->Print(prompt); }
void TBrowserTab::FindInPage() { if (m_view) m_view->FindInPage(); }
void TBrowserTab::ViewSource() { if (m_view) m_view->ViewSource(); }
void TBrowserTab::InternetOptions() { if (m_view) m_view->InternetOptions(); }
void TBrowserTab::Properties() { if (m_view) m_view->Properties(); }
int TBrowserTab::GetTextSize() const { return m_view ? m_view->GetTextSize() : 2; }
void TBrowserTab::SetTextSize(int value) { if (m_view) m_view->SetTextSize(value); }
bool TBrowserTab::TranslateKey(QKeyEvent *event) { return m_view && m_view->TranslateKey(event); }
void TBrowserTab::ShowLinks(bool on) { if (m_view) m_view->ShowLinks(on); }
bool TBrowserTab::LinksShown() const { return m_view && m_view->LinksShown(); }
QString TBrowserTab::SaveToTempFile() { return m_view ? m_view->SaveToTempFile() : QString(); }

void TBrowserTab::showHeldEvents()
{
    QPointer<TBrowserTab> self(this);
    if (m_titleHeld)
        SetTitle(m_heldTitle);
    if (self && m_statusHeld) {
        m_statusHeld = false;
        if (IsActive())
            m_parts.status->ShowStatusText(m_heldStatus);
    }
    if (self && m_progressHeld) {
        m_progressHeld = false;
        if (IsActive())
            m_parts.status->ShowProgress(m_heldProgress, m_heldProgressMax);
    }
}

void TBrowserTab::retakePageTitle()
{
    // Navigating shows the address until the page reports its title; a page that ends up
    // with its old title again (the same page reloaded, a stopped or refused navigation)
    // reports none, so the tab takes it back here.
    const QString title = Title();
    if (!title.isEmpty())
        SetTitle(title);
}

void TBrowserTab::onStatusTextChange(const QString &text)
{
    if (!IsActive())
        return;
    m_heldStatus = text;
    m_statusHeld = true;
    m_eventThrottle->Post();
}

void TBrowserTab::onProgressChange(int progress, int progressMax)
{
    if (!IsActive())
        return;
    m_heldProgress = progress;
    m_heldProgressMax = progressMax;
    m_progressHeld = true;
    m_eventThrottle->Post();
}

void TBrowserTab::onDownloadBegin()
{
    // Held progress belongs before the bar changes.
    m_eventThrottle->Flush();
    if (IsActive())
        m_parts.status->ShowProgressBar();
}

void TBrowserTab::onDownloadComplete()
{
    m_eventThrottle->Flush();
    if (IsActive())
        m_parts.status->HideProgressBar();
}

void TBrowserTab::onCommandStateChange(int command, bool enable)
{
    if (command == CSC_NAVIGATEFORWARD)
        CanGoForward = enable;
    else if (command == CSC_NAVIGATEBACK)
        CanGoBack = enable;
    m_parts.address->UpdateBackForward();
}

void TBrowserTab::onTitleChange(const QString &text)
{
    m_heldTitle = text;
    m_titleHeld = true;
    m_eventThrottle->Post();
}

void TBrowserTab::startLoadCycle(TWebFrame frame)
{
    InsecureSeen = false;
    Loading = true;
    LoadFrame = frame;
    SetLamp(TLampKind::Loading);
    if (IsActive())
        m_parts.status->UpdateSecureAndAnimation();
}

bool TBrowserTab::LockedTabOpensNewTab(const TNavigation &navigation, bool loadingOwnPage)
{
    // The lock keeps the page where it is: what the user or the page does to go elsewhere
    // opens a new tab. Reloading the page and moving in its history stay, and so do the
    // redirects of the tab's own load. A frame follows only the links clicked in it to a
    // new tab; what a page's scripts put into its frames, and the frames of the page the
    // tab is loading, load in place.
    if (navigation.mainFrame) {
        switch (navigation.type) {
        case TNavigationType::Reload:
        case TNavigationType::BackForward:
            return false;
        case TNavigationType::Redirect:
            return !loadingOwnPage;
        default:
            return true;
        }
    }
    return navigation.type == TNavigationType::LinkClicked && !loadingOwnPage;
}

void TBrowserTab::onBeforeNavigate2(TWebFrame frame, const QString &url, bool *cancel,
                                    const TNavigation &navigation)
{
    if (url.left(10) == QLatin1String("javascript"))
        return;
    // The filter closed this popup; whatever it tries to load next stays unloaded until the
    // hidden-tab sweep removes it.
    if (ClosedByFilter) {
        *cancel = true;
        return;
    }
    QPointer<TBrowserTab> self(this);
    const bool topLevel = isTopLevel(frame);
    if (PendingPopupCheck) {
        if (url == QLatin1String("about:blank"))
            return;
        PopupURL = url;
        PendingPopupCheck = false;
        const bool matches = m_parts.policy->PopupMatches(url);   // may show a modal notice
        if (!self || m_closing) {
            *cancel = true;
            return;
        }
        if (matches) {
            *cancel = true;
            ClosedByFilter = true;
            m_parts.factory->StartHiddenTabTimer();
            return;
        }
        SetTabVisible(true);
        SetTitle(QStringLiteral("Loading..."));
    } else if (Locked && LockedTabOpensNewTab(navigation, Loading && isTopLevel(LoadFrame))) {
        *cancel = true;
        if (TBrowserTab *tab = m_parts.factory->CreateBackgroundTab()) {
            tab->FocusOnLoad = true;
            tab->NavigateTo(url);
        }
        // The locked page stays; its caption goes back to its own title.
        if (self && !m_closing && topLevel)
            retakePageTitle();
        return;
    }
    if (topLevel && IsActive()) {
        m_parts.address->RecordTypedAddress(url);
        if (!self || m_closing) {
            *cancel = true;
            return;
        }
    }
    // A new top-level document replaces any frame whose load opened the cycle, and that
    // frame's completion would never come.
    if (!LoadFrame || (topLevel && !isTopLevel(LoadFrame)))
        startLoadCycle(frame);
}

void TBrowserTab::HandleNewWindow(ITabFactory *factory, TWebFrame *newWindow, bool *cancel)
{
    TBrowserTab *tab = factory ? factory->CreateHiddenTab() : nullptr;
    if (!tab) {
        *cancel = true;
        return;
    }
    *cancel = false;
    if (tab->m_view && !tab->m_closing && tab->control()) {
        *newWindow = tab->control()->Application();
        tab->FocusOnLoad = true;
    } else {
        *cancel = true;
    }
}

bool TBrowserTab::PopupAddressKnown(const QString &url)
{
    return !url.isEmpty() && url.left(10) != QLatin1String("javascript") && !url.startsWith(QLatin1String("about:"));
}

void TBrowserTab::onNewWindow2(TWebFrame *newWindow, bool *cancel, const QString &url)
{
    // A window whose first address the popup filter closes is refused before a tab is made
    // for it: a page that opens windows in a loop costs no tabs, and nothing is swept.
    if (PopupAddressKnown(url)) {
        QPointer<TBrowserTab> self(this);
        const bool matches = m_parts.policy->PopupMatches(url);
        if (matches || !self || m_closing) {
            *cancel = true;
            return;
        }
    }
    HandleNewWindow(m_parts.factory, newWindow, cancel);
}

void TBrowserTab::onNavigateComplete2(TWebFrame frame, const QString &url)
{
    if (isTopLevel(frame))
        emit StateChanged();
    if (LockAfterLoad && !Locked)
        SetLocked(true);
    if (url.left(5) != QLatin1String("https"))
        InsecureSeen = true;
    else if (isTopLevel(frame) && control()->CertificateOverridden())
        InsecureSeen = true;   // a certificate the user let pass
    if (IsActive() && isTopLevel(frame)) {
        QPointer<TBrowserTab> self(this);
        m_parts.address->ShowAddress(url);
        if (!self || m_closing)
            return;
        if (FocusOnLoad) {
            FocusOnLoad = false;
            if (m_parts.policy->WindowIsActive())
                FocusPage();
        }
    }
    if (LoadFrame && frame == LoadFrame) {
        if (FirstLoad) {
            SetLamp(TLampKind::Finished);
            FirstLoad = false;
        } else {
            SetLamp(TLampKind::Arrived);
        }
        Secure = !InsecureSeen;
        if (IsActive())
            m_parts.status->UpdateSecureAndAnimation();
        InsecureSeen = false;
    }
}

void TBrowserTab::onDocumentComplete(TWebFrame frame, const QString &url)
{
    const bool topLevel = isTopLevel(frame);
    if (topLevel) {
        QPointer<TBrowserTab> self(this);
        m_eventThrottle->Flush();
        if (!self || m_closing)
            return;
        retakePageTitle();
        if (IsActive())
            m_parts.address->ShowAddress(url);
        if (!self || m_closing)
            return;
    }
    // The top-level document's completion ends the cycle even when a frame opened it.
    if (LoadFrame && (frame == LoadFrame || topLevel)) {
        // Frames that completed after the document arrived count as well: one plain "http"
        // frame makes the whole page insecure.
        if (InsecureSeen)
            Secure = false;
        InsecureSeen = false;
        SetViewed(IsActive());
        Loading = false;
        LoadFrame = nullptr;
        if (IsActive()) {
            m_parts.status->HideProgressBar();
            SetLamp(TLampKind::Finished);
            m_parts.status->UpdateSecureAndAnimation();
        }
        // Only a load this tab started counts as a visit: a refused navigation also ends
        // with the old document's completion, outside any cycle.
        if (topLevel)
            m_parts.address->RecordHistory(url, Title());
    }
}

void TBrowserTab::onWindowCloseRequested()
{
    if (!m_closing && m_view)
        m_parts.factory->CloseTab(this);
}
