#pragma once
// Turns POSIX signals (SIGTERM, SIGHUP, ...) into a Qt signal on the GUI thread.
// The C handler only writes the signal number into a socket pair; a QSocketNotifier on the
// other end reads it in the event loop, where any Qt call is safe.

#include <QList>
#include <QObject>

class QSocketNotifier;

class TUnixSignals : public QObject {
    Q_OBJECT
public:
    // Only one object may exist at a time; a second one catches nothing (isValid() false).
    explicit TUnixSignals(const QList<int> &signalNumbers, QObject *parent = nullptr);
    ~TUnixSignals() override;   // puts the previous handlers back

    bool isValid() const { return m_notifier != nullptr; }

signals:
    void received(int signalNumber);

private:
    void readPending();

    QList<int> m_signals;
    QSocketNotifier *m_notifier = nullptr;
};
