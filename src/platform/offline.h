#pragma once
// Work Offline: the connected state kept in the hive as the DWORD "GlobalUserOffline"
// under HKCU "Software\Microsoft\Windows\CurrentVersion\Internet Settings" (1 = offline,
// missing or 0 = online). While offline the web engine refuses network requests
// (http, https, ftp, ws, wss); a page refused that way is shown as a page of the program's
// own that offers to go online (offlinepage.h).

#include <QObject>
#include <functional>

// Tells the windows when the state changes, whoever changed it (the Work Offline command,
// the offline page's button, another window's state read from the hive).
class TOfflineNotifier : public QObject {
    Q_OBJECT
public:
    static TOfflineNotifier *instance();
Q_SIGNALS:
    void OfflineChanged(bool offline);
};

namespace TOffline {
// Reads the state from the hive (a value that cannot be read counts as online) and
// remembers it for the request filter.
bool IsOffline();
// Writes the state; returns false when the hive could not be written. The engine follows
// the new state at once either way for this process.
bool SetOffline(bool offline);
// The state last read or written, without touching the hive (read once on first use).
// Called for every network request the engine makes.
bool CachedOffline();
// Called (on the GUI thread) whenever the known state changes: the web profile filters
// requests only while offline, so online requests never wait for the filter.
void SetChangeHandler(std::function<void(bool offline)> handler);
}
