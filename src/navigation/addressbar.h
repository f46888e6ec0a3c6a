#pragma once
// TAddressBar: the address band of the cool bar (pnlAddress with lblAddress, the page icon
// imgIELink, the address box cboAddress and the Go button tbGo). Enter and Go navigate;
// Ctrl, Shift or both with Enter wrap the typed word into a full domain name first. The box
// shows the active tab's address unless the user is editing it, and its list keeps the 25
// most recently typed addresses. It is the address part every tab is given (ITabAddress)
// and opens pages only through the tab manager's ITabOpener.

#include "app/settingspart.h"
#include "app/kwoptions.h"
#include "app/windowsettings.h"
#include "browser/tabhost.h"
#include "navigation/domaincompletion.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

class QAction;
class QLabel;
class QToolBar;
class QWidget;
class ITabOpener;
class TCoolBar;
class TKWComboBox;

class TAddressBar : public QObject, public ISettingsPart, public ITabAddress {
    Q_OBJECT
public:
    // Runs a user's command so that a failure is shown instead of leaving a Qt slot.
    using TGuard = std::function<void(const std::function<void()> &)>;

    // The band's panel is made as a child of coolbar; the window places it as a band.
    TAddressBar(TCoolBar *coolbar, TGuard guard, QObject *parent = nullptr);
    // The tabs whose address the bar shows and where typed addresses open. Given once the
    // tab manager exists (the manager gives this bar to its tabs as their address part).
    void Attach(ITabOpener *tabs) { m_tabs = tabs; }

    QWidget *Panel() const { return pnlAddress; }
    QLabel *Label() const { return lblAddress; }
    QLabel *PageIcon() const { return imgIELink; }
    TKWComboBox *AddressBox() const { return cboAddress; }
    QAction *GoButton() const { return tbGo; }

    // ---- ITabAddress
    void RecordTypedAddress(const QString &url) override;
    void ShowAddress(const QString &url) override;
    void UpdateBackForward() override;   // emits BackForwardChanged
    void RecordHistory(const QString &url, const QString &title) override;

    // ---- The user's operations
    bool cboAddressKeyDown(int key, Qt::KeyboardModifiers modifiers);   // true: consumed
    bool cboAddressKeyPress(QChar ch);                                  // true: consumed
    void cboAddressClick();
    void tbGoClick();
    void lblAddressDblClick();
    void imgIELinkMouseDown();
    void LaunchExternalBrowser(const QString &url);
    void ResyncAddress();
    // The user has changed the address box's text since the program last set it: loads
    // leave the text alone until it is confirmed, reverted (Esc) or the tab changes.
    bool AddressBeingEdited() const { return m_addressEdited; }
    void RevertAddress();                  // the active tab's address back, all selected
    // The words being typed into the address box ("" when the box shows the page's address);
    // taken words leave the box showing the page's address again.
    QString TakeWordsBeingTyped();
    void FocusAddressForTyping();          // focus and select, when the band is visible
    void FollowActiveTab();                // Back/Forward and the address of the new tab
    void WindowActivated();                // IE5-style completion starts at the first one

    // ---- Typed addresses
    QStringList TypedAddresses() const;
    void SetTypedAddresses(const QStringList &list);
    // The list read at start; read false: it could not be read and is never written over.
    void SetStoredTypedAddresses(const QStringList &list, bool read);
    void SaveTypedAddresses() const;       // throws RegistryError
    void ClearTypedAddresses();            // the list and the stored one; throws RegistryError
    void Clear();                          // empties the list and the box at shutdown

    // ---- Settings the bar keeps
    void LoadAddressCompletion(const TKWOptions &options);
    void SetCompletion(const TDomainCompletion &completion) { m_completion = completion; }
    void ShowGoButton(bool show);
    // Adds a button right of the Go button (a button with a menu drops it down on a click).
    void AddButton(QAction *button);
    // Shows the button strip when any of its buttons is visible, sized to them.
    void LayoutButtons();
    bool GoButtonShown() const { return m_showGo; }
    void SetAutoCompleteStyle(TAutoCompleteStyle style);
    TAutoCompleteStyle AutoCompleteStyle() const { return m_autoCompleteStyle; }
    void SetIE4Mode(bool on) { m_ie4Mode = on; }   // IE5-style completion reads as IE4
    void SetAddressNewWin(bool on) { m_addressNewWin = on; }   // typed addresses open in a new tab
    bool AddressNewWin() const { return m_addressNewWin; }
    void SetCBAutoExpand(bool on) { m_cbAutoExpand = on; }
    bool CBAutoExpand() const { return m_cbAutoExpand; }
    // AddressNewWin, AutoCompleteStyle, ShowGo and CBAutoExpand.
    void Load(const TWindowSettings &settings) override;
    void Save(TWindowSettings &settings) const override;

Q_SIGNALS:
    // The active tab's CanGoBack / CanGoForward, for the Back and Forward commands.
    void BackForwardChanged(bool canGoBack, bool canGoForward);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TBrowserTab *activeTab() const;
    void NavigateAddress(const QString &text);
    void ScopeTypedAddressFlag(TBrowserTab *tab);

    TCoolBar *m_coolbar;
    TGuard m_guard;
    ITabOpener *m_tabs = nullptr;

    QWidget *pnlAddress = nullptr;
    QLabel *lblAddress = nullptr;
    QLabel *imgIELink = nullptr;
    TKWComboBox *cboAddress = nullptr;
    QToolBar *tbAddressButton = nullptr;
    QAction *tbGo = nullptr;

    TDomainCompletion m_completion;
    TAutoCompleteStyle m_autoCompleteStyle = TAutoCompleteStyle::IE5;
    bool m_ie4Mode = false;
    bool m_activatedOnce = false;
    bool m_showGo = false;
    bool m_addressNewWin = false;
    bool m_cbAutoExpand = true;

    bool m_typedAddressFlag = false;
    QPointer<TBrowserTab> m_typedTab;            // the tab the typed address went to
    QMetaObject::Connection m_typedWatch;        // its next top-level before-navigate
    bool m_typedAddressesRead = false;   // false: the stored list is not written over
    bool m_addressEdited = false;
};
