#pragma once
// The band layout of the cool bar: the arrangement of the menu, tool, address and links
// bands, which of them the View menu shows, and the order, widths and row breaks kept in
// the settings store. At start the stored layout is applied by a one-shot timer
// ("tmrLoadCoolbar") once the window's creation has finished.

#include <QObject>
#include <QString>

class QTimer;
class QWidget;
class TCommandTable;
class TCoolBar;

class TBandLayout : public QObject {
    Q_OBJECT
public:
    // settingsKey: the key under which each band has a "BandN" subkey.
    TBandLayout(TCoolBar *coolBar, TCommandTable *commands, const QString &settingsKey, QObject *parent = nullptr);

    TCoolBar *CoolBar() const { return m_coolBar; }

    // Adds the four bands in their default order; the address band keeps addressMinWidth.
    void Arrange(QWidget *menu, QWidget *tool, QWidget *address, int addressMinWidth, QWidget *links);

    // Shows the tool, address and links bands as their View menu entries are checked.
    void ApplyVisibility();
    bool BandVisible(QWidget *control) const;
    void SetBandVisible(QWidget *control, bool visible);

    // The stored order, widths and breaks; a damaged or partial layout is applied as far
    // as it goes. Emits Loaded.
    void Load();
    // Rewrites the stored layout in one transaction: a failure leaves the old one.
    void Save() const;

    // The one-shot load after creation: emits DeferredLoadDue, then loads.
    void StartDeferredLoad();
    void StopDeferredLoad();
    bool DeferredLoadPending() const;

Q_SIGNALS:
    void DeferredLoadDue();
    void Loaded();

private:
    TCoolBar *m_coolBar;
    TCommandTable *m_commands;
    QString m_settingsKey;
    QTimer *m_loadTimer;
    QWidget *m_tool = nullptr;
    QWidget *m_address = nullptr;
    QWidget *m_links = nullptr;
};
