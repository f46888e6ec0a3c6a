#pragma once
// One running Tabvane per user, and the wake-up that a later start sends to it.
//
// The lock is an flock on the file "Tabvane" in the per-user runtime folder
// ($XDG_RUNTIME_DIR/tabvane); the kernel drops it when the holder dies, so a crash never
// leaves a stale lock. Every running main window listens on its own local socket
// ("wake-<pid>") in the same folder. A wake-up is the line "Tabvane\n"; the window answers
// "ok\n" after its handler has returned, so a sender that waited for every answer knows
// that the hand-over slot has been consumed.

#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;
class QLocalSocket;

class TInstanceLock {
public:
    explicit TInstanceLock(const QString &name = QStringLiteral("Tabvane"));
    ~TInstanceLock();   // releases the lock, if held
    TInstanceLock(const TInstanceLock &) = delete;
    TInstanceLock &operator=(const TInstanceLock &) = delete;

    // Takes the lock without waiting. Returns true when it "already existed", that is when
    // another process holds it. When the lock file cannot be created at all, this reports
    // false (so the caller starts normally) and error() says why.
    bool tryAcquire();
    bool held() const { return m_fd >= 0; }
    // Whether some other process holds the lock right now (this object's own lock aside).
    bool heldElsewhere() const;
    QString path() const { return m_path; }
    QString error() const { return m_error; }

private:
    QString m_path;
    QString m_error;
    int m_fd = -1;
};

class TWakeupListener : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void()>;

    explicit TWakeupListener(Handler handler, QObject *parent = nullptr);
    ~TWakeupListener() override;   // stops listening and removes the socket file

    // Removes sockets of processes that are gone, then listens on "wake-<pid>".
    bool listen();
    bool isListening() const;
    QString socketPath() const;
    QString errorString() const { return m_error; }

    // Socket folder and file names shared with TWakeupBroadcast.
    // "" when the folder cannot be used safely; *error then says why.
    static QString socketFolder(QString *error = nullptr);
    static QString socketPrefix() { return QStringLiteral("wake-"); }
    // Removes the socket files in the folder whose owner is gone. Returns how many.
    static int removeStaleSockets();

private:
    void acceptConnections();
    void readRequest(QLocalSocket *socket);

    Handler m_handler;
    QLocalServer *m_server = nullptr;
    QString m_error;
};

namespace TWakeupBroadcast {
// Wakes every listening window in turn and waits for each one's answer, at most
// timeoutMs per window. Needs no event loop and no application object. Socket files whose
// owner is gone are removed. Returns the number of windows that answered.
int send(int timeoutMs = 10000);
}
