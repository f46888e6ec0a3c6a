#pragma once
// TTabvaneOptions: the Options subsystem of a window. It registers "&Tabvane Options..."
// (mnuOptionsTabvane) and runs the Options dialog over the window's settings: the values
// are read from the store and the running window, stored in one transaction on OK, and
// only then applied to the window, whose subsystems each take up what changed.

#include "options/optionsvalues.h"

#include <QObject>

#include <functional>

class QWidget;
class TCommandTable;
class TWindowSettings;

class TTabvaneOptions : public QObject {
    Q_OBJECT
public:
    struct THost {
        std::function<TWindowSettings()> Settings;                 // the running window's value now
        std::function<void(const TWindowSettings &settings)> Apply;   // applies a changed value
    };

    TTabvaneOptions(TCommandTable *commands, QWidget *dialogParent, THost host, QObject *parent = nullptr);

    // The dialog's values as it opens them. Raises RegistryError when the store cannot be read.
    TOptionsValues LoadValues() const;
    // What OK does with the dialog's values: store them (raising RegistryError, with nothing
    // changed, when that fails), then apply them to the window.
    void Commit(const TOptionsValues &values);
    // pmOptionsSettingsClick: shows the dialog (modal) until OK or Cancel.
    void pmOptionsSettingsClick();

private:
    QWidget *m_dialogParent;
    THost m_host;
};
