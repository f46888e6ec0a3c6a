#pragma once
// The Options menu's "Site &Permissions..." row: the dialog that lists the answers
// remembered for sites and removes them.

class QWidget;
class TCommandTable;

void RegisterSitePermissionsCommand(TCommandTable *commands, QWidget *dialogParent);
