// TfrmMain: the address bar. Enter and Go navigate; Ctrl, Shift or both with Enter wrap
// the typed word into a full domain name first. The box shows the active tab's address
// and its list keeps the 25 most recently typed addresses.

#include "app/main_window.h"

#include "app/defbrowser.h"
#include "browser/browsertab.h"
#include "browser/vessabrowser.h"
#include "components/coolbar.h"
#include "navigation/kwcombobox.h"
#include "navigation/shautocomplete.h"
#include "navigation/typedurls.h"
#include "platform/paths.h"

#include <QAction>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProcess>
#include <QToolBar>
#include <QUrl>

QStringList TfrmMain::TypedAddresses() const
{
    return cboAddress->Items();
}

void TfrmMain::SetTypedAddresses(const QStringList &list)
{
    cboAddress->SetItems(list.mid(0, TTypedUrls::MaxEntries));
}

bool TfrmMain::cboAddressKeyDown(int key, Qt::KeyboardModifiers modifiers)
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

bool TfrmMain::cboAddressKeyPress(QChar ch)
{
    const ushort code = ch.unicode();
    if (code == 13 || code == 10 || code == 16 || code == 17)
        return true;
    if (m_settings.autoCompleteStyle == TAutoCompleteStyle::IE4 && cboAddress->CompleteIE4(ch)) {
        m_addressEdited = true;   // the completion writes the text itself
        return true;
    }
    return false;
}

void TfrmMain::cboAddressClick()
{
    const QString text = cboAddress->currentText();
    if (text.isEmpty())
        return;
    NavigateAddress(text);
}

void TfrmMain::NavigateAddress(const QString &text)
{
    m_addressEdited = false;   // confirmed: from now on the box follows the tab again
    TBrowserTab *tab = m_settings.addressNewWin ? CreateForegroundTab() : ActiveTab();
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

void TfrmMain::ScopeTypedAddressFlag(TBrowserTab *tab)
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

void TfrmMain::tbGoClick()
{
    m_typedAddressFlag = !cboAddress->currentText().isEmpty();
    cboAddressClick();
}

void TfrmMain::RecordTypedAddress(const QString &url)
{
    QStringList list = TypedAddresses();
    const bool typed = m_typedAddressFlag && m_typedTab && m_typedTab == ActiveTab();
    TTypedUrls::Record(list, url, typed);
    if (list != TypedAddresses())
        SetTypedAddresses(list);
    if (typed) {
        m_typedAddressFlag = false;
        ShowAddress(url);
    }
}

void TfrmMain::ShowAddress(const QString &url)
{
    // A load the user did not ask to see never overwrites what the user is typing.
    if (m_addressEdited)
        return;
    const QString text = url == QLatin1String("about:blank") ? QString() : url;
    if (cboAddress->currentText() != text)
        cboAddress->setEditText(text);
}

void TfrmMain::ResyncAddress()
{
    m_addressEdited = false;
    TBrowserTab *tab = ActiveTab();
    const QString location = tab ? tab->Location() : QString();
    if (cboAddress->currentText() != location)
        ShowAddress(location);
}

void TfrmMain::RevertAddress()
{
    ResyncAddress();
    cboAddress->lineEdit()->selectAll();
}

void TfrmMain::FocusAddressForTyping()
{
    if (!cbCoolbar->bandVisible(cbCoolbar->bandIndexOfControl(pnlAddress)))
        return;
    cboAddress->setFocus();
    cboAddress->lineEdit()->selectAll();
}

void TfrmMain::LoadAddressCompletion()
{
    m_completion.Load(m_options);
}

void TfrmMain::ShowGoButton(bool show)
{
    m_settings.showGo = show;
    tbGo->setVisible(show);
    tbAddressButton->setVisible(show);
    tbAddressButton->adjustSize();
}

void TfrmMain::lblAddressDblClick()
{
    const int band = cbCoolbar->bandIndexOfControl(pnlAddress);
    if (band < 0)
        return;
    if (cbCoolbar->bandWidth(band) < 100)
        cbCoolbar->MaximizeBand(band);
    else
        cbCoolbar->MinimizeBand(band);
}

void TfrmMain::imgIELinkMouseDown()
{
    TBrowserTab *tab = ActiveTab();
    if (tab)
        LaunchExternalBrowser(tab->Location());
}

void TfrmMain::LaunchExternalBrowser(const QString &url)
{
    if (url.isEmpty())
        return;
    // When the desktop's browser is Tabvane itself (or there is none), xdg-open would only
    // hand the address back to this window, or show nothing: it opens in a new tab.
    const QString browser = DefBrowser::EffectiveDefault(QStringLiteral("x-scheme-handler/http"));
    if (browser.isEmpty() || browser == DefBrowser::DesktopId
            || !QProcess::startDetached(QStringLiteral("xdg-open"), {url})) {
        if (TBrowserTab *tab = CreateForegroundTab())
            tab->NavigateTo(url);
    }
}

void TfrmMain::SetAutoCompleteStyle(TAutoCompleteStyle style)
{
    if (style == TAutoCompleteStyle::IE5 && m_ie4Mode) {
        m_settings.autoCompleteStyle = TAutoCompleteStyle::IE4;
        return;
    }
    if (m_activatedOnce) {
        if (m_settings.autoCompleteStyle == TAutoCompleteStyle::IE5 && style != TAutoCompleteStyle::IE5)
            TSHAutoComplete(cboAddress->lineEdit(), SHACF_DEFAULT);
        if (style == TAutoCompleteStyle::IE5)
            TSHAutoComplete(cboAddress->lineEdit(), SHACF_URLALL);
    }
    m_settings.autoCompleteStyle = style;
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lblAddress && event->type() == QEvent::MouseButtonDblClick) {
        lblAddressDblClick();
        return true;
    }
    if (KeyAndMessageFilter(watched, event))
        return true;
    return QMainWindow::eventFilter(watched, event);
}
