#pragma once
// TDesktopNotifier: shows the notifications pages were allowed to send as desktop
// notifications, through the freedesktop notification service on the session bus
// (org.freedesktop.Notifications). Clicking one tells the page; a notification the page
// withdraws leaves the desktop. Without a session bus or a notification service the
// notifications are dropped quietly.

#include <QHash>
#include <QObject>

#include <memory>

class QWebEngineNotification;
class QWebEngineProfile;

class TDesktopNotifier : public QObject {
    Q_OBJECT
public:
    // Installs itself as the profile's notification presenter; owned by the profile.
    static TDesktopNotifier *Install(QWebEngineProfile *profile);
    // The number of notifications shown on the desktop and not yet closed.
    int Showing() const { return m_shown.size(); }

private Q_SLOTS:
    // The service's signals.
    void onActionInvoked(uint id, const QString &action);
    void onClosed(uint id, uint reason);

private:
    explicit TDesktopNotifier(QObject *parent);
    void present(std::unique_ptr<QWebEngineNotification> notification);

    bool m_connected = false;
    QHash<uint, QWebEngineNotification *> m_shown;   // owned
};
