#pragma once
// Failures that did not stop the window, told to the user: damaged settings read as their
// defaults, a missing wake-up listener, settings that could not be saved at shutdown.

#include <QSet>
#include <QString>
#include <QStringList>

class TProblemReport {
public:
    // Shows the messages not shown before in one message box; a value of the wrong type
    // is said to be read as its default.
    void Report(const QStringList &messages);

    // The shutdown's message: the groups of settings that could not be saved, in the order
    // the settings are kept in, and the first error.
    static QString UnsavedText(QStringList unsaved, const QString &firstError);

private:
    QSet<QString> m_reported;
};
