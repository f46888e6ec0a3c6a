#include "options/ieoptions.h"

#include "browser/browsertab.h"
#include "browser/tabmanager.h"
#include "browser/vessabrowser.h"
#include "navigation/commandtable.h"
#include "platform/registry.h"
#include "platform/webcontrol.h"
#include "platform/webprofile.h"

#include <QAction>
#include <QEvent>
#include <QWidget>
#include <QPointer>

namespace {

const QString MainKey = QStringLiteral("Software\\Microsoft\\Internet Explorer\\main");

struct TSwitchRow {
    TContentSwitch which;
    const char *name;
    const char *caption;
    const char *hint;
};

const TSwitchRow Rows[] = {
    {TContentSwitch::Images, "mnuOptionsLoadImages", "&Load Images", "Load Images|Toggles loading images"},
    {TContentSwitch::Videos, "mnuOptionsLoadVideos", "Load &Videos", "Load Videos|Toggles loading videos"},
    {TContentSwitch::Sounds, "mnuOptionsLoadSounds", "Load &Sounds", "Load Sounds|Toggles loading sounds"},
    {TContentSwitch::Animations, "mnuOptionsLoadAnimations", "Load &Animations",
     "Load Animations|Toggles loading animations"},
};

const TSwitchRow &rowOf(TContentSwitch which)
{
    for (const TSwitchRow &row : Rows) {
        if (row.which == which)
            return row;
    }
    return Rows[0];
}

} // namespace

QString TIEOptions::ValueName(TContentSwitch which)
{
    switch (which) {
    case TContentSwitch::Images: return QStringLiteral("Display Inline Images");
    case TContentSwitch::Videos: return QStringLiteral("Display Inline Videos");
    case TContentSwitch::Sounds: return QStringLiteral("Play_Background_Sounds");
    case TContentSwitch::Animations: return QStringLiteral("Play_Animations");
    }
    return QString();
}

bool TIEOptions::Read(TContentSwitch which) const
{
    try {
        const TRegistry reg(RegRoot::CurrentUser);
        const RegValue v = reg.readValue(MainKey, ValueName(which));
        if (!v.exists())
            return true;
        return (v.type == RegType::Sz || v.type == RegType::ExpandSz) && v.text == QLatin1String("yes");
    } catch (const RegistryError &) {
        return true;
    }
}

bool TIEOptions::Write(TContentSwitch which, bool on, bool *changed)
{
    if (changed)
        *changed = false;
    // Compared as read: a stored "Yes" reads as off, so ticking the switch stores "yes".
    if (Read(which) == on)
        return true;
    try {
        TRegistry reg(RegRoot::CurrentUser);
        reg.writeString(MainKey, ValueName(which), on ? QStringLiteral("yes") : QStringLiteral("no"));
    } catch (const RegistryError &) {
        return false;
    }
    if (changed)
        *changed = true;
    return true;
}

TContentSwitches::TContentSwitches(TCommandTable *commands, TTabManager *tabs, QWidget *window, QObject *parent)
    : QObject(parent), m_commands(commands), m_tabs(tabs)
{
    if (window)
        window->installEventFilter(this);
    for (const TSwitchRow &r : Rows) {
        TCommandRow row;
        row.name = QLatin1String(r.name);
        row.caption = QLatin1String(r.caption);
        row.hint = QLatin1String(r.hint);
        row.checkable = true;
        if (r.which == TContentSwitch::Images)
            row.toolbarId = 15;
        const TContentSwitch which = r.which;
        // The action has toggled already: checked is the state the user asked for.
        row.handler = [this, which](bool checked) {
            Apply(which, checked);
            RefreshAll();
        };
        m_commands->Register(row);
    }
    Sync();
}

bool TContentSwitches::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ActivationChange) {
        const auto *window = qobject_cast<QWidget *>(watched);
        if (window && window->isActiveWindow())
            Sync();
    }
    return QObject::eventFilter(watched, event);
}

QAction *TContentSwitches::action(TContentSwitch which) const
{
    return m_commands->Action(QLatin1String(rowOf(which).name));
}

bool TContentSwitches::Apply(TContentSwitch which, bool on)
{
    TIEOptions options;
    bool changed = false;
    const bool stored = options.Write(which, on, &changed) ? on : options.Read(which);
    if (QAction *a = action(which))
        a->setChecked(stored);
    if (changed)
        announce();
    return stored;
}

void TContentSwitches::Sync()
{
    const TIEOptions options;
    for (const TSwitchRow &r : Rows) {
        if (QAction *a = action(r.which))
            a->setChecked(options.Read(r.which));
    }
    announce();
}

bool TContentSwitches::Shown(TContentSwitch which) const
{
    const QAction *a = action(which);
    return a && a->isChecked();
}

void TContentSwitches::announce()
{
    // The profile applies the stored switches to the engine (and to every page); other
    // windows of the process see the hive change before their next load.
    if (TWebProfile *profile = TWebProfile::instance())
        profile->refreshContentOptions();
}

void TContentSwitches::RefreshAll()
{
    QList<QPointer<TBrowserTab>> tabs;
    for (TBrowserTab *tab : m_tabs->Tabs())
        tabs.append(tab);
    for (const QPointer<TBrowserTab> &tab : tabs) {
        if (!tab || !tab->View())
            continue;
        TWebControl *control = tab->View()->Control();
        if (control && control->ShowsPostResult())
            continue;
        if (tab->Loading)
            tab->StopLoading();
        tab->View()->RefreshPage();
    }
}
