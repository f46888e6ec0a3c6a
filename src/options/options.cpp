#include "options/options.h"

#include "app/windowsettings.h"
#include "navigation/commandtable.h"
#include "options/optionsdialog.h"

TTabvaneOptions::TTabvaneOptions(TCommandTable *commands, QWidget *dialogParent, THost host, QObject *parent)
    : QObject(parent), m_dialogParent(dialogParent), m_host(std::move(host))
{
    setObjectName(QStringLiteral("TabvaneOptions"));
    TCommandRow row;
    row.name = QStringLiteral("mnuOptionsTabvane");
    row.caption = QStringLiteral("&Tabvane Options...");
    row.hint = QStringLiteral("Options|Changes Tabvane options");
    row.handler = [this](bool) { pmOptionsSettingsClick(); };
    commands->Register(row);
}

TOptionsValues TTabvaneOptions::LoadValues() const
{
    // One read of the settings key; a damaged value shows as its default, and OK writes
    // the value shown over it.
    TKWOptions store = TKWOptions::Snapshot();
    store.SetWrongTypeHandler([](const QString &) {});
    return TOptionsValues::Load(store, m_host.Settings());
}

void TTabvaneOptions::Commit(const TOptionsValues &values)
{
    values.Store();
    TWindowSettings settings = m_host.Settings();
    values.Apply(settings);
    m_host.Apply(settings);
}

void TTabvaneOptions::pmOptionsSettingsClick()
{
    TfrmOptions dialog(LoadValues(), [this](const TOptionsValues &values) { Commit(values); }, m_dialogParent);
    dialog.exec();
}
