#include "app/problemreport.h"

#include "app/application.h"
#include "platform/registry.h"

#include <cstdio>
#include <exception>

#include <algorithm>

void TProblemReport::Report(const QStringList &messages)
{
    QStringList fresh;
    for (const QString &message : messages) {
        if (!m_reported.contains(message) && !fresh.contains(message))
            fresh.append(message);
    }
    if (fresh.isEmpty())
        return;
    for (const QString &message : qAsConst(fresh))
        m_reported.insert(message);
    // A value of the wrong type is read as its default; say so once, after the list.
    const bool typeProblem = std::any_of(fresh.cbegin(), fresh.cend(), [](const QString &m) {
        return m.startsWith(QLatin1String("Invalid data type for"));
    });
    QString text = fresh.join(QLatin1Char('\n'));
    if (typeProblem)
        text += QStringLiteral("\n\nTabvane uses the default value of such a setting.");
    TTabvaneApplication::ShowError(text);
}

QString TProblemReport::UnsavedText(QStringList unsaved, const QString &firstError)
{
    // Named in the order the settings are kept in.
    const QStringList order = {QStringLiteral("the toolbar buttons"), QStringLiteral("the open sites"),
                               QStringLiteral("the options"), QStringLiteral("the window placement"),
                               QStringLiteral("the band layout"), QStringLiteral("the view settings"),
                               QStringLiteral("the typed addresses")};
    std::stable_sort(unsaved.begin(), unsaved.end(), [&order](const QString &a, const QString &b) {
        return order.indexOf(a) < order.indexOf(b);
    });
    QString text = QStringLiteral("Tabvane could not save: %1.").arg(unsaved.join(QStringLiteral(", ")));
    if (!firstError.isEmpty())
        text += QStringLiteral("\n\n") + firstError;
    return text;
}

void TUnsavedSettings::Add(const QStringList &groups, const QString &error)
{
    for (const QString &group : groups) {
        if (!m_groups.contains(group))
            m_groups.append(group);
    }
    if (m_firstError.isEmpty())
        m_firstError = error;
}

void TUnsavedSettings::Run(const QString &group, const std::function<void()> &save)
{
    try {
        save();
    } catch (const std::exception &e) {
        const auto *reg = dynamic_cast<const RegistryError *>(&e);
        Add({group}, reg ? reg->message() : QString::fromLocal8Bit(e.what()));
    }
}

void TUnsavedSettings::Tell(bool toStandardError) const
{
    if (IsEmpty())
        return;
    if (toStandardError) {
        std::fprintf(stderr, "tabvane: %s\n", qPrintable(Text()));
        std::fflush(stderr);
    } else {
        TTabvaneApplication::ShowError(Text());
    }
}
