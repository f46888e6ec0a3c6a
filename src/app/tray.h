#pragma once
// TTray: the notification-area icon and minimising to it. While active (MinToTray) and the
// desktop has a tray, minimising the window hides the program's windows and leaves the
// icon, whose double-click or "&Restore" brings them back; "&Exit" closes the window with
// its usual question. Where the desktop has no tray, or the tray goes away while the
// windows are hidden, minimising behaves as without the option: a window is never hidden
// with no way back.

#include "app/settingspart.h"
#include <QIcon>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QTimer;
class QWidget;
class TWindowSettings;

// The icon itself, so that tests can stand in for a desktop's tray.
class ITrayIcon : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual bool IsAvailable() const = 0;   // the desktop has a tray now
    virtual void SetVisible(bool visible) = 0;
    virtual bool IsVisible() const = 0;
    virtual void SetToolTip(const QString &text) = 0;
    virtual QString ToolTip() const = 0;
    virtual void SetIcon(const QIcon &icon) = 0;
    virtual void SetMenu(QMenu *menu) = 0;   // shown on right-click
Q_SIGNALS:
    void DoubleClicked();
};

// The desktop's tray (QSystemTrayIcon).
class TSystemTrayIcon : public ITrayIcon {
    Q_OBJECT
public:
    explicit TSystemTrayIcon(QObject *parent = nullptr);
    bool IsAvailable() const override;
    void SetVisible(bool visible) override;
    bool IsVisible() const override;
    void SetToolTip(const QString &text) override;
    QString ToolTip() const override;
    void SetIcon(const QIcon &icon) override;
    void SetMenu(QMenu *menu) override;

private:
    QSystemTrayIcon *m_icon;
};

class TTray : public QObject, public ISettingsPart {
    Q_OBJECT
public:
    // window: the main window. icon: taken over. activeTitle: the active tab's title.
    // exitCommand: closes the window with its question; true when it closed.
    TTray(QWidget *window, ITrayIcon *icon, std::function<QString()> activeTitle,
          std::function<bool()> exitCommand, QObject *parent = nullptr);
    ~TTray() override;

    void Load(const TWindowSettings &settings) override;   // MinToTray
    void Save(TWindowSettings &settings) const override;

    // Active: in charge of minimising, with the icon shown (when the desktop has a tray).
    void SetActive(bool on);
    bool Active() const { return m_active; }
    bool Minimized() const { return m_minimized; }   // the windows are in the tray

    void Minimize();
    void Restore();
    void IconDoubleClicked();     // restores when minimised, else minimises
    void Exit();

    ITrayIcon *Icon() const { return m_icon; }
    QMenu *Menu() const { return m_menu; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool canHide() const;
    void hideToTray();
    void restored();          // the windows are back, however they came back
    void updateIcon();
    void prepareMenu();

    QPointer<QWidget> m_window;
    ITrayIcon *m_icon;
    std::function<QString()> m_activeTitle;
    std::function<bool()> m_exitCommand;
    QMenu *m_menu;
    QAction *m_restoreItem;
    QTimer *m_trayWatch;      // while hidden: brings the windows back when the tray goes
    QList<QPointer<QWidget>> m_hiddenWindows;
    bool m_active = false;
    bool m_minimized = false;
    bool m_hidePending = false;
    bool m_quitOnLastWindowClosed = true;
};
