#include "platform/makerhost.h"

#ifndef TABVANE_MAKER_HOST
#define TABVANE_MAKER_HOST "https://tabvane.example"
#endif
#ifndef TABVANE_ADDON_MAKER_HOST
#define TABVANE_ADDON_MAKER_HOST "https://wordlinks.example"
#endif

namespace {
QString hostFrom(const char *variable, const char *built)
{
    QString host = qEnvironmentVariable(variable).trimmed();
    if (host.isEmpty())
        host = QString::fromUtf8(built);
    while (host.endsWith(QLatin1Char('/')))
        host.chop(1);
    return host;
}
}

QString TMakerHost::Maker()
{
    return hostFrom("TABVANE_MAKER_HOST", TABVANE_MAKER_HOST);
}

QString TMakerHost::AddOnMaker()
{
    return hostFrom("TABVANE_ADDON_MAKER_HOST", TABVANE_ADDON_MAKER_HOST);
}

bool TUnattended::Allowed(const char *variable)
{
    const QString value = qEnvironmentVariable(variable).trimmed().toLower();
    return !(value == QLatin1String("0") || value == QLatin1String("off") || value == QLatin1String("no")
             || value == QLatin1String("false"));
}
