#include "app/useragent.h"

#include "platform/registry.h"
#include "platform/version.h"

const QString UserAgentPostPlatformKey = QStringLiteral(
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User Agent\\Post Platform");
const QString UserAgentTokenName = QStringLiteral("Tabvane ") + QLatin1String(TabvaneVersion);

void UpdateUserAgentToken(bool add)
{
    TRegistry reg(RegRoot::LocalMachine);
    try {
        reg.createKey(UserAgentPostPlatformKey);
    } catch (const RegistryError &) {
        return;
    }
    try {
        const QStringList names = reg.valueNames(UserAgentPostPlatformKey);
        for (auto it = names.crbegin(); it != names.crend(); ++it) {
            const QString &name = *it;
            if (name.size() <= 8)
                continue;
            if (name.startsWith(QLatin1String("TandemBrowse"))
                || name.startsWith(QLatin1String("Tabvane"))) {
                try {
                    reg.deleteValue(UserAgentPostPlatformKey, name);
                } catch (const RegistryError &) {
                }
            }
        }
        if (add) {
            const RegValue current = reg.readValue(UserAgentPostPlatformKey, UserAgentTokenName);
            if (!current.exists() || current.text.isEmpty())
                reg.writeString(UserAgentPostPlatformKey, UserAgentTokenName, QStringLiteral("IEAK"));
        }
    } catch (const RegistryError &) {
    }
}
