// TAddressBar: the address band. Enter and Go navigate; Ctrl, Shift or both with Enter wrap
// the typed word into a full domain name first. The box shows the active tab's address
// and its list keeps the 25 most recently typed addresses.

#include "navigation/addressbar.h"

#include "app/defbrowser.h"
#include "browser/browsertab.h"
#include "browser/tabopener.h"
#include "browser/vessabrowser.h"
#include "components/coolbar.h"
#include "components/smallpicture.h"
#include "favorites/urlshortcut.h"
#include "navigation/kwcombobox.h"
#include "navigation/shautocomplete.h"
#include "navigation/typedurls.h"
#include "platform/paths.h"
#include "platform/urlhistory.h"

#include <QAction>
#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QWebEngineView>

namespace {
const QColor Outline = PictureOutline();

// A page with a folded corner and a globe: the address's own picture.
QPixmap pagePicture()
{
    return SmallPicture(16, [](QPainter &p) {
        p.setPen(QPen(Outline, 1));
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({{3.5, 1.5}, {10, 1.5}, {13.5, 5}, {13.5, 14.5}, {3.5, 14.5}}));
        p.setBrush(QColor(0x2f, 0x6f, 0xc0));
        p.drawEllipse(QPointF(8.5, 9.5), 3.2, 3.2);
        p.setPen(QPen(Qt::white, 0.8));
        p.drawLine(QPointF(5.5, 9.5), QPointF(11.5, 9.5));
        p.drawEllipse(QPointF(8.5, 9.5), 1.2, 3.0);
    });
}

// The green arrow of Go.
QIcon goPicture()
{
    return QIcon(SmallPicture(16, [](QPainter &p) {
        p.setPen(QPen(Outline, 1));
        p.setBrush(QColor(0x3a, 0x9a, 0x3a));
        p.drawEllipse(QPointF(8, 8), 7, 7);
        p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawLine(QPointF(4.5, 8), QPointF(11, 8));
        p.drawPolyline(QPolygonF({{8, 5}, {11, 8}, {8, 11}}));
    }));
}

// While it lives, drags that started at `source` are refused by the window's web views.
class TPageDropRefuser : public QObject {
public:
    explicit TPageDropRefuser(QObject *source) : m_source(source) { qApp->installEventFilter(this); }
    ~TPageDropRefuser() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
            return false;
        if (static_cast<QDropEvent *>(event)->source() != m_source)
            return false;
        for (QObject *o = watched; o; o = o->parent()) {
            if (qobject_cast<QWebEngineView *>(o)) {
                event->ignore();
                return true;
            }
        }
        return false;
    }

private:
    QObject *m_source;
};

// The page icon of the address bar: a click launches the address in the desktop's
// browser, a drag carries the address out as a link.
class TAddressIcon : public QLabel {
public:
    TAddressIcon(TAddressBar *owner, std::function<TBrowserTab *()> activeTab, QWidget *parent)
        : QLabel(parent), m_owner(owner), m_activeTab(std::move(activeTab)) {}

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton)
            m_pressPos = event->position().toPoint();
        m_pressed = event->button() == Qt::LeftButton;
    }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (!m_pressed || (event->position().toPoint() - m_pressPos).manhattanLength()
                    < QApplication::startDragDistance())
            return;
        m_pressed = false;
        TBrowserTab *tab = m_activeTab();
        if (!tab || tab->Location().isEmpty())
            return;
        // The address and title, and a shortcut file for file managers and desktops.
        QMimeData *data = MakeShortcutDragData(tab->Location(), tab->Title(), TPaths::RunTempDir());
        auto *drag = new QDrag(this);
        drag->setMimeData(data);
        if (pixmap().isNull() == false)
            drag->setPixmap(pixmap());
        // The drag names the shortcut as a file; the window's own pages would take that
        // file for a download. They refuse this drag (the tab strip opens the address).
        const TPageDropRefuser refuser(this);
        drag->exec(Qt::CopyAction | Qt::LinkAction);
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (m_pressed && event->button() == Qt::LeftButton)
            m_owner->imgIELinkMouseDown();
        m_pressed = false;
    }

private:
    TAddressBar *m_owner;
    std::function<TBrowserTab *()> m_activeTab;
    QPoint m_pressPos;
    bool m_pressed = false;
};
}

TAddressBar::TAddressBar(TCoolBar *coolbar, TGuard guard, QObject *parent)
    : QObject(parent), m_coolbar(coolbar), m_guard(std::move(guard))
{
    setObjectName(QStringLiteral("AddressBar"));
    pnlAddress = new QWidget(coolbar);
    pnlAddress->setObjectName(QStringLiteral("pnlAddress"));
    auto *box = new QHBoxLayout(pnlAddress);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);

    lblAddress = new QLabel(QStringLiteral("A<u>d</u>dress"), pnlAddress);
    lblAddress->setObjectName(QStringLiteral("lblAddress"));
    lblAddress->setTextFormat(Qt::RichText);
    lblAddress->installEventFilter(this);
    lblAddress->setContextMenuPolicy(Qt::CustomContextMenu);
    box->addWidget(lblAddress);
    box->addSpacing(2);

    imgIELink = new TAddressIcon(this, [this] { return activeTab(); }, pnlAddress);
    imgIELink->setObjectName(QStringLiteral("imgIELink"));
    imgIELink->setPixmap(pagePicture());
    imgIELink->setToolTip(QStringLiteral("Click to launch current URL in your default browser\n"
                                         "Drag to create a shortcut to current URL"));
    imgIELink->setCursor(Qt::PointingHandCursor);
    box->addWidget(imgIELink);
    box->addSpacing(3);

    cboAddress = new TKWComboBox(pnlAddress);
    cboAddress->setObjectName(QStringLiteral("cboAddress"));
    cboAddress->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    cboAddress->setMaxVisibleItems(25);
    box->addWidget(cboAddress, 1);
    connect(cboAddress, &TKWComboBox::KeyDown, this, [this](int *key, Qt::KeyboardModifiers shift) {
        // Enter navigates and records the typed address in the settings store.
        m_guard([&] {
            if (cboAddressKeyDown(*key, shift))
                *key = 0;
        });
    });
    connect(cboAddress, &TKWComboBox::KeyPress, this, [this](QChar *ch) {
        if (cboAddressKeyPress(*ch))
            *ch = QChar();
    });
    connect(cboAddress, &TKWComboBox::OnClick, this, [this] { m_guard([this] { cboAddressClick(); }); });
    connect(cboAddress->lineEdit(), &QLineEdit::textEdited, this, [this] { m_addressEdited = true; });

    tbAddressButton = new QToolBar(pnlAddress);
    tbAddressButton->setObjectName(QStringLiteral("tbAddressButton"));
    tbAddressButton->setIconSize(QSize(16, 16));
    tbAddressButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tbGo = tbAddressButton->addAction(goPicture(), QStringLiteral("Go"));
    tbGo->setObjectName(QStringLiteral("tbGo"));
    tbGo->setToolTip(QStringLiteral("Go to Address"));
    tbGo->setStatusTip(QStringLiteral("Goes to address"));
    connect(tbGo, &QAction::triggered, this, [this] { m_guard([this] { tbGoClick(); }); });
    box->addWidget(tbAddressButton);
}

TBrowserTab *TAddressBar::activeTab() const
{
    return m_tabs ? m_tabs->ActiveTab() : nullptr;
}

QStringList TAddressBar::TypedAddresses() const
{
    return cboAddress->Items();
}

void TAddressBar::SetTypedAddresses(const QStringList &list)
{
    cboAddress->SetItems(list.mid(0, TTypedUrls::MaxEntries));
}

void TAddressBar::SetStoredTypedAddresses(const QStringList &list, bool read)
{
    SetTypedAddresses(list);
    m_typedAddressesRead = read;
}

void TAddressBar::SaveTypedAddresses() const
{
    // A list that could not be read at start is not written over the stored one.
    if (m_typedAddressesRead)
        TTypedUrls::Save(TypedAddresses());
}

void TAddressBar::ClearTypedAddresses()
{
    SetTypedAddresses(QStringList());
    TTypedUrls::Save(QStringList());
    m_typedAddressesRead = true;   // the stored list is the window's now
}

void TAddressBar::Clear()
{
    SetTypedAddresses(QStringList());
    cboAddress->setEditText(QString());
}

bool TAddressBar::cboAddressKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    if (key == Qt::Key_Shift || key == Qt::Key_Control)
        return true;
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    const QString text = m_completion.Complete(cboAddress->currentText(), ctrl, shift);
    cboAddress->setEditText(text);
    // The flag is only set for an address that is really navigated to: left set, it
    // would put the next link the user follows into the typed list.
    m_typedAddressFlag = !text.isEmpty();
    cboAddressClick();
    return true;
}

bool TAddressBar::cboAddressKeyPress(QChar ch)
{
    const ushort code = ch.unicode();
    if (code == 13 || code == 10 || code == 16 || code == 17)
        return true;
    if (m_autoCompleteStyle == TAutoCompleteStyle::IE4 && cboAddress->CompleteIE4(ch)) {
        m_addressEdited = true;   // the completion writes the text itself
        return true;
    }
    return false;
}

void TAddressBar::cboAddressClick()
{
    const QString text = cboAddress->currentText();
    if (text.isEmpty())
        return;
    NavigateAddress(text);
}

void TAddressBar::NavigateAddress(const QString &text)
{
    m_addressEdited = false;   // confirmed: from now on the box follows the tab again
    TBrowserTab *tab = !m_tabs ? nullptr : m_addressNewWin ? m_tabs->CreateForegroundTab() : m_tabs->ActiveTab();
    if (!tab) {
        m_typedAddressFlag = false;
        return;
    }
    if (m_typedAddressFlag)
        ScopeTypedAddressFlag(tab);
    tab->NavigateTo(text);
    if (TVessaBrowser *view = tab->View()) {
        view->Control()->UIActivate();
        tab->FocusOnLoad = true;
        view->setFocus();
    }
}

void TAddressBar::ScopeTypedAddressFlag(TBrowserTab *tab)
{
    // The flag belongs to the navigation the typed address starts in this tab: the tab's
    // next top-level before-navigate. The tab's own handler runs first and records the
    // address when it goes ahead; when it does not (a locked tab sends it to a new tab, a
    // "javascript:" address runs in the page), the flag goes with it instead of marking the
    // next unrelated navigation as typed.
    m_typedTab = tab;
    disconnect(m_typedWatch);
    TWebControl *control = tab->View() ? tab->View()->Control() : nullptr;
    if (!control)
        return;
    m_typedWatch = connect(control, &TWebControl::BeforeNavigate2, this,
                           [this, control](TWebFrame frame, const QString &, bool *) {
        if (frame != control->Application())
            return;
        disconnect(m_typedWatch);
        m_typedAddressFlag = false;
        m_typedTab = nullptr;
    }, Qt::DirectConnection);
}

void TAddressBar::tbGoClick()
{
    m_typedAddressFlag = !cboAddress->currentText().isEmpty();
    cboAddressClick();
}

void TAddressBar::RecordTypedAddress(const QString &url)
{
    QStringList list = TypedAddresses();
    const bool typed = m_typedAddressFlag && m_typedTab && m_typedTab == activeTab();
    TTypedUrls::Record(list, url, typed);
    if (list != TypedAddresses())
        SetTypedAddresses(list);
    if (typed) {
        m_typedAddressFlag = false;
        ShowAddress(url);
    }
}

void TAddressBar::ShowAddress(const QString &url)
{
    // A load the user did not ask to see never overwrites what the user is typing.
    if (m_addressEdited)
        return;
    const QString text = url == QLatin1String("about:blank") ? QString() : url;
    if (cboAddress->currentText() != text)
        cboAddress->setEditText(text);
}

void TAddressBar::UpdateBackForward()
{
    TBrowserTab *tab = activeTab();
    Q_EMIT BackForwardChanged(tab && tab->CanGoBack, tab && tab->CanGoForward);
}

void TAddressBar::RecordHistory(const QString &url, const QString &title)
{
    // The store logs once and carries on when it cannot be written.
    TUrlHistory().RecordSoon(url, title);
}

void TAddressBar::ResyncAddress()
{
    m_addressEdited = false;
    TBrowserTab *tab = activeTab();
    const QString location = tab ? tab->Location() : QString();
    if (cboAddress->currentText() != location)
        ShowAddress(location);
}

void TAddressBar::RevertAddress()
{
    ResyncAddress();
    cboAddress->lineEdit()->selectAll();
}

QString TAddressBar::TakeWordsBeingTyped()
{
    const QString words = AddressBeingEdited() ? cboAddress->currentText() : QString();
    if (!words.isEmpty())
        RevertAddress();
    return words;
}

void TAddressBar::FollowActiveTab()
{
    UpdateBackForward();
    ResyncAddress();
}

void TAddressBar::FocusAddressForTyping()
{
    if (!m_coolbar->bandVisible(m_coolbar->bandIndexOfControl(pnlAddress)))
        return;
    cboAddress->setFocus();
    cboAddress->lineEdit()->selectAll();
}

void TAddressBar::LoadAddressCompletion(const TKWOptions &options)
{
    m_completion.Load(options);
}

void TAddressBar::ShowGoButton(bool show)
{
    m_showGo = show;
    tbGo->setVisible(show);
    LayoutButtons();
}

void TAddressBar::AddButton(QAction *button)
{
    tbAddressButton->addAction(button);
    if (auto *widget = qobject_cast<QToolButton *>(tbAddressButton->widgetForAction(button)))
        widget->setPopupMode(QToolButton::InstantPopup);
    LayoutButtons();
}

void TAddressBar::LayoutButtons()
{
    // The strip is as wide as its visible buttons; the address box takes the rest.
    bool any = false;
    for (QAction *action : tbAddressButton->actions())
        any = any || action->isVisible();
    tbAddressButton->setVisible(any);
    tbAddressButton->adjustSize();
}

void TAddressBar::lblAddressDblClick()
{
    const int band = m_coolbar->bandIndexOfControl(pnlAddress);
    if (band < 0)
        return;
    if (m_coolbar->bandWidth(band) < 100)
        m_coolbar->MaximizeBand(band);
    else
        m_coolbar->MinimizeBand(band);
}

void TAddressBar::imgIELinkMouseDown()
{
    TBrowserTab *tab = activeTab();
    if (tab)
        LaunchExternalBrowser(tab->Location());
}

void TAddressBar::LaunchExternalBrowser(const QString &url)
{
    if (url.isEmpty())
        return;
    // When the desktop's browser is Tabvane itself (or there is none), xdg-open would only
    // hand the address back to this window, or show nothing: it opens in a new tab.
    const QString browser = DefBrowser::EffectiveDefault(QStringLiteral("x-scheme-handler/http"));
    if (browser.isEmpty() || browser == DefBrowser::DesktopId
            || !QProcess::startDetached(QStringLiteral("xdg-open"), {url})) {
        if (TBrowserTab *tab = m_tabs ? m_tabs->CreateForegroundTab() : nullptr)
            tab->NavigateTo(url);
    }
}

void TAddressBar::SetAutoCompleteStyle(TAutoCompleteStyle style)
{
    if (style == TAutoCompleteStyle::IE5 && m_ie4Mode) {
        m_autoCompleteStyle = TAutoCompleteStyle::IE4;
        return;
    }
    if (m_activatedOnce) {
        if (m_autoCompleteStyle == TAutoCompleteStyle::IE5 && style != TAutoCompleteStyle::IE5)
            TSHAutoComplete(cboAddress->lineEdit(), SHACF_DEFAULT);
        if (style == TAutoCompleteStyle::IE5)
            TSHAutoComplete(cboAddress->lineEdit(), SHACF_URLALL);
    }
    m_autoCompleteStyle = style;
}

void TAddressBar::WindowActivated()
{
    if (m_activatedOnce)
        return;
    m_activatedOnce = true;
    if (m_autoCompleteStyle == TAutoCompleteStyle::IE5)
        TSHAutoComplete(cboAddress->lineEdit(), SHACF_URLALL);
}

void TAddressBar::Load(const TWindowSettings &settings)
{
    ShowGoButton(settings.showGo);
    SetAutoCompleteStyle(settings.autoCompleteStyle);
    m_addressNewWin = settings.addressNewWin;
    m_cbAutoExpand = settings.cbAutoExpand;
    m_completion = settings.completion;
}

void TAddressBar::Save(TWindowSettings &settings) const
{
    settings.addressNewWin = m_addressNewWin;
    settings.autoCompleteStyle = m_autoCompleteStyle;
    settings.showGo = m_showGo;
    settings.cbAutoExpand = m_cbAutoExpand;
}

bool TAddressBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lblAddress && event->type() == QEvent::MouseButtonDblClick) {
        lblAddressDblClick();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
