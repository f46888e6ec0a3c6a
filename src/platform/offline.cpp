#include "platform/offline.h"

#include "platform/registry.h"

#include <atomic>

namespace {
const QString StateKey = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");
const QString StateValue = QStringLiteral("GlobalUserOffline");

// -1: not read yet; 0 online; 1 offline.
std::atomic<int> g_cached{-1};
std::function<void(bool)> g_changed;

void remember(bool offline)
{
    const int old = g_cached.exchange(offline ? 1 : 0);
    if (old == (offline ? 1 : 0))
        return;
    if (g_changed)
        g_changed(offline);
    Q_EMIT TOfflineNotifier::instance()->OfflineChanged(offline);
}
}

TOfflineNotifier *TOfflineNotifier::instance()
{
    static TOfflineNotifier notifier;
    return &notifier;
}

namespace TOffline {

bool IsOffline()
{
    bool offline = false;
    try {
        const RegValue v = TRegistry(RegRoot::CurrentUser).readValue(StateKey, StateValue);
        if (v.type == RegType::Dword)
            offline = v.dword != 0;
        else if (v.type == RegType::Sz || v.type == RegType::ExpandSz)
            offline = v.text.trimmed().toUInt() != 0;
    } catch (const RegistryError &) {
        offline = false;
    }
    remember(offline);
    return offline;
}

bool SetOffline(bool offline)
{
    remember(offline);
    try {
        TRegistry(RegRoot::CurrentUser).writeDword(StateKey, StateValue, offline ? 1u : 0u);
    } catch (const RegistryError &) {
        return false;
    }
    return true;
}

void SetChangeHandler(std::function<void(bool offline)> handler)
{
    g_changed = std::move(handler);
}

bool CachedOffline()
{
    const int cached = g_cached.load();
    if (cached >= 0)
        return cached == 1;
    return IsOffline();
}

}
