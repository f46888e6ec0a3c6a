#include "popup/popupfilter.h"

#include <QSet>

QStringList PopupEntryData(const QStringList &lines)
{
    QStringList data;
    for (const QString &line : lines) {
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0)
            data.append(line.mid(eq + 1));
    }
    return data;
}

bool PopupListMatches(const QStringList &lines, const QString &address, QString *matchedEntry)
{
    // An empty entry or address would agree with everything over zero characters and
    // close every popup; neither is a real address beginning.
    if (address.isEmpty())
        return false;
    for (const QString &entry : PopupEntryData(lines)) {
        if (entry.isEmpty())
            continue;
        const qsizetype length = qMin(entry.size(), address.size());
        if (QStringView(entry).left(length) == QStringView(address).left(length)) {
            if (matchedEntry)
                *matchedEntry = entry;
            return true;
        }
    }
    return false;
}

QStringList AppendPopupEntry(const QStringList &stored, const QString &address)
{
    const int query = address.indexOf(QLatin1Char('?'));
    const QString entry = query >= 0 ? address.left(query) : address;
    if (entry.isEmpty())
        return stored;
    // Lines dropped on reading (empty data) leave gaps in the numbering, so count + 1 may
    // be taken already; writing a taken name would replace that entry.
    QSet<QString> names;
    for (const QString &line : stored)
        names.insert(line.section(QLatin1Char('='), 0, 0).toCaseFolded());
    int number = stored.size() + 1;
    while (names.contains(QStringLiteral("url") + QString::number(number)))
        ++number;
    QStringList result = stored;
    result.append(QStringLiteral("url") + QString::number(number) + QLatin1Char('=') + entry);
    return result;
}

QStringList RenumberPopupEntries(const QStringList &entriesInDisplayOrder)
{
    QStringList lines;
    for (int i = 0; i < entriesInDisplayOrder.size(); ++i)
        lines.append(QStringLiteral("url") + QString::number(i + 1) + QLatin1Char('=')
                     + entriesInDisplayOrder.at(i));
    return lines;
}
