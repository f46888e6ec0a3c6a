#include "platform/webengine_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>
#include <QWebEngineNotification>
#include <QWebEngineProfile>

namespace {
const char *const Service = "org.freedesktop.Notifications";
const char *const Path = "/org/freedesktop/Notifications";
const char *const Interface = "org.freedesktop.Notifications";
}

TDesktopNotifier *TDesktopNotifier::Install(QWebEngineProfile *profile)
{
    auto *notifier = new TDesktopNotifier(profile);
    const QPointer<TDesktopNotifier> guard(notifier);
    profile->setNotificationPresenter([guard](std::unique_ptr<QWebEngineNotification> notification) {
        if (guard)
            guard->present(std::move(notification));
    });
    return notifier;
}

TDesktopNotifier::TDesktopNotifier(QObject *parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    m_connected = bus.isConnected();
    if (!m_connected)
        return;
    bus.connect(QLatin1String(Service), QLatin1String(Path), QLatin1String(Interface),
                QStringLiteral("ActionInvoked"), this, SLOT(onActionInvoked(uint,QString)));
    bus.connect(QLatin1String(Service), QLatin1String(Path), QLatin1String(Interface),
                QStringLiteral("NotificationClosed"), this, SLOT(onClosed(uint,uint)));
}

void TDesktopNotifier::present(std::unique_ptr<QWebEngineNotification> notification)
{
    if (!m_connected || !notification)
        return;
    // A notification with the tag of one still shown replaces it.
    uint replaces = 0;
    for (auto it = m_shown.cbegin(); it != m_shown.cend(); ++it) {
        if (it.value()->matches(notification.get())) {
            replaces = it.key();
            break;
        }
    }
    const QString host = notification->origin().host();
    QString body = notification->message().toHtmlEscaped();
    if (!host.isEmpty())
        body += QStringLiteral("\n") + host.toHtmlEscaped();
    // A plain message, not an interface object: that would ask the bus synchronously.
    QDBusMessage notify = QDBusMessage::createMethodCall(QLatin1String(Service), QLatin1String(Path),
                                                         QLatin1String(Interface), QStringLiteral("Notify"));
    notify << QStringLiteral("Tabvane") << replaces << QStringLiteral("tabvane") << notification->title() << body
           << QStringList{QStringLiteral("default"), tr("Open")} << QVariantMap() << -1;
    const QDBusPendingCall call = QDBusConnection::sessionBus().asyncCall(notify);
    auto *watcher = new QDBusPendingCallWatcher(call, this);
    QWebEngineNotification *raw = notification.release();
    raw->setParent(this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, raw, replaces](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError()) {
            // No notification service: nothing to show it with.
            delete raw;
            return;
        }
        const uint id = reply.value();
        if (replaces && replaces != id)
            delete m_shown.take(replaces);
        if (QWebEngineNotification *old = m_shown.value(id); old && old != raw)
            delete old;
        m_shown.insert(id, raw);
        raw->show();
        connect(raw, &QWebEngineNotification::closed, this, [this, id] {
            // The page withdrew it.
            if (QWebEngineNotification *n = m_shown.take(id)) {
                n->deleteLater();
                QDBusMessage close = QDBusMessage::createMethodCall(QLatin1String(Service), QLatin1String(Path),
                                                                    QLatin1String(Interface),
                                                                    QStringLiteral("CloseNotification"));
                close << id;
                QDBusConnection::sessionBus().asyncCall(close);
            }
        });
    });
}

void TDesktopNotifier::onActionInvoked(uint id, const QString &action)
{
    if (action == QLatin1String("default"))
        if (QWebEngineNotification *n = m_shown.value(id))
            n->click();
}

void TDesktopNotifier::onClosed(uint id, uint reason)
{
    Q_UNUSED(reason)
    if (QWebEngineNotification *n = m_shown.take(id)) {
        n->disconnect(this);
        n->close();
        n->deleteLater();
    }
}
