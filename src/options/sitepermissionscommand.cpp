#include "options/sitepermissionscommand.h"

#include "navigation/commandtable.h"
#include "platform/sitepermissions.h"

#include <QPointer>
#include <QWidget>

void RegisterSitePermissionsCommand(TCommandTable *commands, QWidget *dialogParent)
{
    TCommandRow row;
    row.name = QStringLiteral("mnuOptionsSitePermissions");
    row.caption = QStringLiteral("Site &Permissions...");
    row.hint = QStringLiteral("Site Permissions|Shows and removes the answers remembered for sites");
    const QPointer<QWidget> parent(dialogParent);
    row.handler = [parent](bool) {
        TSitePermissionsDialog dialog(parent);
        dialog.exec();
    };
    commands->Register(row);
}
