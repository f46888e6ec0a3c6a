#include "recordinghost.h"

#include "browser/browsertab.h"
#include "browser/kwpagecontrol.h"
#include "browser/vessabrowser.h"
#include "platform/scripted_control.h"

TRecordingHost::TRecordingHost() : m_pages(new TKWPageControl)
{
    m_pages->setObjectName(QStringLiteral("pcPage"));
    m_pages->SetImages(TBrowserTab::LampImages());
    m_pages->resize(640, 480);
}

TRecordingHost::~TRecordingHost()
{
    delete m_pages;
}

TBrowserTab *TRecordingHost::AddTab(bool hidden)
{
    auto *tab = new TBrowserTab(this, hidden, m_pages);
    m_tabs.append(tab);
    return tab;
}

QList<TBrowserTab *> TRecordingHost::Tabs() const
{
    QList<TBrowserTab *> tabs;
    for (const QPointer<TBrowserTab> &tab : m_tabs) {
        if (tab)
            tabs.append(tab);
    }
    return tabs;
}

int TRecordingHost::count(const QString &call) const
{
    return int(calls.count(call));
}

QStringList TRecordingHost::callsStartingWith(const QString &prefix) const
{
    QStringList found;
    for (const QString &line : calls) {
        if (line.startsWith(prefix))
            found.append(line);
    }
    return found;
}

void TRecordingHost::ShowStatusText(const QString &text)
{
    calls.append(QStringLiteral("ShowStatusText ") + text);
}

void TRecordingHost::ShowProgress(int progress, int progressMax)
{
    calls.append(QStringLiteral("ShowProgress %1/%2").arg(progress).arg(progressMax));
}

void TRecordingHost::ShowProgressBar() { calls.append(QStringLiteral("ShowProgressBar")); }
void TRecordingHost::HideProgressBar() { calls.append(QStringLiteral("HideProgressBar")); }

void TRecordingHost::RecordTypedAddress(const QString &url)
{
    calls.append(QStringLiteral("RecordTypedAddress ") + url);
}

void TRecordingHost::ShowAddress(const QString &url)
{
    calls.append(QStringLiteral("ShowAddress ") + url);
}

void TRecordingHost::UpdateSecureAndAnimation()
{
    calls.append(QStringLiteral("UpdateSecureAndAnimation"));
}

void TRecordingHost::UpdateBackForward() { calls.append(QStringLiteral("UpdateBackForward")); }

TBrowserTab *TRecordingHost::createBehind(bool hidden)
{
    if (createReturnsNull)
        return nullptr;
    TKWTabSheet *previous = m_pages->ActivePage();
    TBrowserTab *tab = AddTab(hidden);
    if (previous && !openNewInForeground)
        m_pages->SetActivePage(previous);
    return tab;
}

TBrowserTab *TRecordingHost::CreateBackgroundTab()
{
    calls.append(QStringLiteral("CreateBackgroundTab"));
    return createBehind(false);
}

TBrowserTab *TRecordingHost::CreateHiddenTab()
{
    calls.append(QStringLiteral("CreateHiddenTab"));
    return createBehind(true);
}

void TRecordingHost::StartHiddenTabTimer()
{
    calls.append(QStringLiteral("StartHiddenTabTimer"));
}

void TRecordingHost::CloseTab(TBrowserTab *tab)
{
    calls.append(QStringLiteral("CloseTab"));
    closeRequests.append(tab);
    if (!closeOnRequest || !tab)
        return;
    if (m_pages->ActivePage() == tab)
        m_pages->SelectNextPage(false);
    tab->CloseTab();
}

bool TRecordingHost::PopupMatches(const QString &url)
{
    calls.append(QStringLiteral("PopupMatches ") + url);
    for (const QString &prefix : popupPrefixes) {
        if (url.startsWith(prefix))
            return true;
    }
    return false;
}

TScriptedControl *ScriptedControlOf(const TBrowserTab *tab)
{
    if (!tab || !tab->View())
        return nullptr;
    return qobject_cast<TScriptedControl *>(tab->View()->Control());
}
