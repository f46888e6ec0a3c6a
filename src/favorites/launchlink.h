#pragma once
// TLinkLauncher: the open rule the links bar, the favorites menu and their "Open All"
// entries share, on top of the tab manager's open-by-preference rule.
//
//   LaunchLink(target, pref): an existing file is opened by the desktop (a program file
//     is never started: its folder is shown); an existing folder opens all of its entries
//     (OpenAll over the folder's listing); anything else is an address opened with
//     ITabOpener::OpenUrlByPreference(target, pref) (a new tab when pref differs from the
//     Shift key, reusing an idle "about:blank" tab, which becomes the page's tab home).
//   OpenAll(targets): the entries of one menu level, in menu order. Folders are skipped,
//     files are opened by the desktop, and every other target opens in a tab as its tab
//     home: the first in the active tab when it is idle on "about:blank", else in a new
//     foreground tab, the rest in new tabs. An empty target opens nothing but uses up
//     that first step.
// Addresses of any scheme (javascript:, file:) are handed to the tab as the user's own
// choice; nothing named by an address is ever run as a program.

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class ITabOpener;

class TLinkLauncher : public QObject {
    Q_OBJECT
public:
    // openPath: how a file or folder is handed to the desktop (TShellOpen::OpenPath by
    // default); tests record instead.
    explicit TLinkLauncher(ITabOpener *opener, QObject *parent = nullptr);

    void LaunchLink(const QString &target, bool newTabPreference);
    void OpenAll(const QStringList &targets);

    // The targets of a folder's entries as its menus list them: subfolders, then files
    // (a shortcut's address, another file's path), each sorted by caption.
    static QStringList FolderTargets(const QString &folder);

    void SetPathOpener(std::function<bool(const QString &)> openPath) { m_openPath = std::move(openPath); }

private:
    ITabOpener *m_opener;
    std::function<bool(const QString &)> m_openPath;
};
