#pragma once
// TRecordingHost: a TTabHost for tests. It owns a tab strip, creates real TBrowserTabs on it
// the way the main window places them, records every call a tab makes on it, and answers
// with settings the test chooses.
//
//   TRecordingHost host;
//   TScriptedControl::Install();
//   TBrowserTab *tab = host.AddTab();
//   ScriptedControlOf(tab)->simulateLoad("http://127.0.0.1/a.html");
//   QCOMPARE(host.count("CloseTab"), 0);

#include "browser/tabhost.h"

#include <QList>
#include <QPointer>
#include <QStringList>

class TBrowserTab;
class TKWPageControl;
class TScriptedControl;

class TRecordingHost : public TTabHost {
public:
    TRecordingHost();
    ~TRecordingHost() override;

    TKWPageControl *Pages() const { return m_pages; }
    // A foreground tab (added at the end and made active), or a hidden one.
    TBrowserTab *AddTab(bool hidden = false);
    // Tabs made by AddTab and the Create calls that still exist, in creation order.
    QList<TBrowserTab *> Tabs() const;

    // Recorded calls, one line each: "ShowStatusText <text>", "ShowProgress <p>/<max>",
    // "ShowProgressBar", "HideProgressBar", "RecordTypedAddress <url>", "ShowAddress <url>",
    // "UpdateSecureAndAnimation", "UpdateBackForward", "CreateBackgroundTab",
    // "CreateHiddenTab", "StartHiddenTabTimer", "CloseTab", "PopupMatches <url>".
    QStringList calls;
    int count(const QString &call) const;                 // lines equal to call
    QStringList callsStartingWith(const QString &prefix) const;
    // Tabs passed to CloseTab, in order.
    QList<QPointer<TBrowserTab>> closeRequests;

    // Answers
    QStringList popupPrefixes;        // PopupMatches: the address starts with one of them
    bool windowActive = true;
    int titleLimit = 35;
    bool flyswatEnabled = false;
    bool flyswatShowLinks = false;
    bool createReturnsNull = false;   // CreateBackgroundTab / CreateHiddenTab give no tab
    bool openNewInForeground = false; // created tabs stay active
    bool closeOnRequest = true;       // CloseTab runs the tab's teardown

    // TTabHost
    void ShowStatusText(const QString &text) override;
    void ShowProgress(int progress, int progressMax) override;
    void ShowProgressBar() override;
    void HideProgressBar() override;
    void RecordTypedAddress(const QString &url) override;
    void ShowAddress(const QString &url) override;
    void UpdateSecureAndAnimation() override;
    void UpdateBackForward() override;
    TBrowserTab *CreateBackgroundTab() override;
    TBrowserTab *CreateHiddenTab() override;
    void StartHiddenTabTimer() override;
    void CloseTab(TBrowserTab *tab) override;
    bool PopupMatches(const QString &url) override;
    bool WindowIsActive() const override { return windowActive; }
    int TitleLimit() const override { return titleLimit; }
    bool FlyswatEnabled() const override { return flyswatEnabled; }
    bool FlyswatShowLinks() const override { return flyswatShowLinks; }

private:
    TBrowserTab *createBehind(bool hidden);
    TKWPageControl *m_pages;
    QList<QPointer<TBrowserTab>> m_tabs;
};

// The scripted control of a tab's view; nullptr when the tab has no view or another control.
TScriptedControl *ScriptedControlOf(const TBrowserTab *tab);
