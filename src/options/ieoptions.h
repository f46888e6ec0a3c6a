#pragma once
// TIEOptions: the four content switches pages follow (show images, play videos, play
// background sounds, play animations), kept as "yes"/"no" strings under
// HKCU "Software\Microsoft\Internet Explorer\main". Exactly "yes" is on, a missing value
// is on, any other text ("Yes", "1", a number) is off. A value is written only when it
// changes, so re-applying the stored state writes nothing.
//
// TContentSwitches: the Options menu's four check rows and the Load Images button. A
// click stores the switch, makes the engine follow it and reloads every tab. The check
// marks show what is stored: after a failed write they fall back to the stored value.

#include <QObject>
#include <QString>

class QAction;
class QWidget;
class TCommandTable;
class TTabManager;

enum class TContentSwitch { Images, Videos, Sounds, Animations };

class TIEOptions {
public:
    static QString ValueName(TContentSwitch which);
    // The stored switch; a value that cannot be read counts as on.
    bool Read(TContentSwitch which) const;
    // Stores the switch when it differs from the stored one. *changed tells whether a
    // value was written. False when the write failed (the stored value is unchanged).
    bool Write(TContentSwitch which, bool on, bool *changed = nullptr);
};

class TContentSwitches : public QObject {
    Q_OBJECT
public:
    // window: activating it shows switches changed elsewhere (may be nullptr).
    TContentSwitches(TCommandTable *commands, TTabManager *tabs, QWidget *window, QObject *parent = nullptr);

    // Stores the switch (when it changed) and shows the state in effect; returns it.
    bool Apply(TContentSwitch which, bool on);
    // Shows the stored switches in the menu and button (start-up, window activated,
    // Internet Options closed). Writes nothing.
    void Sync();
    // Reloads every tab so the pages follow the switches. Tabs showing the answer to a
    // form sent with POST are left alone: reloading them would send the form again.
    void RefreshAll();

    bool Shown(TContentSwitch which) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAction *action(TContentSwitch which) const;
    void announce();

    TCommandTable *m_commands;
    TTabManager *m_tabs;
};
