#include "favorites/launchlink.h"

#include "browser/browsertab.h"
#include "browser/tabopener.h"
#include "favorites/linkstree.h"
#include "platform/shellfolders.h"

#include <QFileInfo>

TLinkLauncher::TLinkLauncher(ITabOpener *opener, QObject *parent)
    : QObject(parent), m_opener(opener), m_openPath(&TShellOpen::OpenPath)
{
    setObjectName(QStringLiteral("LinkLauncher"));
}

QStringList TLinkLauncher::FolderTargets(const QString &folder)
{
    const TLinkListing listing = ListLinkFolder(folder);
    QStringList targets;
    for (const TLinkNode &node : listing.Folders)
        targets.append(node.Target);
    for (const TLinkNode &node : listing.Files)
        targets.append(node.Target);
    return targets;
}

void TLinkLauncher::LaunchLink(const QString &target, bool newTabPreference)
{
    if (target.isEmpty())
        return;
    // Only an absolute path names a file here: "news" or "a.html" are addresses.
    const QFileInfo info(target);
    if (target.startsWith(QLatin1Char('/')) && info.exists()) {
        if (info.isDir())
            OpenAll(FolderTargets(target));
        else if (info.isFile())
            m_openPath(target);
        return;
    }
    m_opener->OpenUrlByPreference(target, newTabPreference);
}

void TLinkLauncher::OpenAll(const QStringList &targets)
{
    bool first = true;
    for (const QString &target : targets) {
        if (!target.isEmpty() && target.startsWith(QLatin1Char('/'))) {
            const QFileInfo info(target);
            if (info.isDir())
                continue;
            if (info.exists()) {
                if (info.isFile() && !TShellOpen::IsProgramFile(target))
                    m_openPath(target);
                continue;
            }
        }
        TBrowserTab *tab = nullptr;
        if (first) {
            first = false;
            if (target.isEmpty())
                continue;
            tab = m_opener->IdleBlankTab();
            if (!tab)
                tab = m_opener->CreateForegroundTab();
        } else if (!target.isEmpty()) {
            tab = m_opener->OpenNewInForeground() ? m_opener->CreateForegroundTab() : m_opener->CreateBackgroundTab();
        }
        if (tab)
            tab->OpenAsHome(target);
    }
}
