#include "platform/offline.h"

#include "platform/registry.h"

#include <atomic>

namespace {
const QString StateKey = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings");
const QString StateValue = QStringLiteral("GlobalUserOffline");

// -1: not read yet; 0 online; 1 offline.
std::atomic<int> g_cached{-1};
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
    g_cached = offline ? 1 : 0;
    return offline;
}

bool SetOffline(bool offline)
{
    g_cached = offline ? 1 : 0;
    try {
        TRegistry(RegRoot::CurrentUser).writeDword(StateKey, StateValue, offline ? 1u : 0u);
    } catch (const RegistryError &) {
        return false;
    }
    return true;
}

bool CachedOffline()
{
    const int cached = g_cached.load();
    if (cached >= 0)
        return cached == 1;
    return IsOffline();
}

}
