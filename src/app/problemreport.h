#pragma once
// Failures that did not stop the window, told to the user: damaged settings read as their
// defaults, a missing wake-up listener, settings that could not be saved at shutdown.

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

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

// The shutdown's account of the settings it could not save. A failing step must not cost
// the steps after it: the rest still run, and one message at the end names every group of
// settings that was not saved, each once, and the first error.
class TUnsavedSettings {
public:
    // groups were not saved; error is kept when it is the first.
    void Add(const QStringList &groups, const QString &error = QString());
    // Runs one saving step; an exception it throws marks group as not saved.
    void Run(const QString &group, const std::function<void()> &save);
    bool IsEmpty() const { return m_groups.isEmpty(); }
    QString Text() const { return TProblemReport::UnsavedText(m_groups, m_firstError); }
    // Tells the user in a message box, or on the standard error when nobody would answer
    // one (the session is ending); nothing when everything was saved.
    void Tell(bool toStandardError) const;

private:
    QStringList m_groups;
    QString m_firstError;
};
