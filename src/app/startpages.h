#pragma once
// TStartPages: the pages the window opens when it starts. After a run that did not end in
// order the user is asked first, and its tabs come back; otherwise the command-line argument
// (an address or a group file) and StartupMode decide: the home page, the tabs open at the
// last exit ("Last Open Sites"), or the start-up group. A "StartupPage" left by a previous
// run opens once, in a tab of its own, and is removed from the settings.

#include <QString>
#include <QStringList>

class ITabOpener;
class TKWOptions;
class TSessionKeeper;
class TVessaGroups;
class TWindowSettings;

class TStartPages {
public:
    // All four outlive this object.
    TStartPages(ITabOpener *tabs, TSessionKeeper *session, TVessaGroups *groups, TKWOptions &options);

    // Opens the first pages; the active tab is the first tab, already made. settings loses
    // its StartupPage. Failures to write the settings are returned, the pages open anyway.
    QStringList Open(const QString &argument, TWindowSettings &settings);

    // The platform's "Start Page", else "about:blank".
    static QString ReadHomePage();

private:
    ITabOpener *m_tabs;
    TSessionKeeper *m_session;
    TVessaGroups *m_groups;
    TKWOptions &m_options;
};
