#include "browser/downloadname.h"

#include <QDir>
#include <QFileInfo>

namespace {
const int MaxExtensionChars = 16;

int utf8Size(const QString &text)
{
    return text.toUtf8().size();
}

// Cuts text to at most maxBytes of UTF-8 without splitting a surrogate pair.
QString cutToBytes(QString text, int maxBytes)
{
    while (!text.isEmpty() && utf8Size(text) > maxBytes) {
        text.chop(1);
        if (!text.isEmpty() && text.back().isHighSurrogate())
            text.chop(1);
    }
    return text;
}

// "stem" and ".ext"; a name without a usable extension is all stem.
void splitName(const QString &name, QString *stem, QString *extension)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0 && name.size() - dot - 1 <= MaxExtensionChars && dot < name.size() - 1) {
        *stem = name.left(dot);
        *extension = name.mid(dot);
    } else {
        *stem = name;
        extension->clear();
    }
}

QString fitName(const QString &name, int maxBytes)
{
    if (utf8Size(name) <= maxBytes)
        return name;
    QString stem, extension;
    splitName(name, &stem, &extension);
    stem = cutToBytes(stem, maxBytes - utf8Size(extension)).trimmed();
    return stem + extension;
}
}

QString TDownloadName::Clean(const QString &suggested)
{
    QString name;
    name.reserve(suggested.size());
    for (QChar c : suggested) {
        const bool control = c.category() == QChar::Other_Control || c == QChar(0x2028)
                || c == QChar(0x2029);
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || control)
            name += QLatin1Char('_');
        else
            name += c;
    }
    name = name.trimmed();
    while (name.startsWith(QLatin1Char('.')) || name.startsWith(QLatin1Char(' ')))
        name.remove(0, 1);
    while (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        name.chop(1);
    name = fitName(name, MaxBytes);
    // Cutting may have left a trailing dot or blank of the stem.
    while (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        name.chop(1);
    if (name.isEmpty())
        return QStringLiteral("download");
    return name;
}

QString TDownloadName::Unique(const QString &folder, const QString &name)
{
    const QDir dir(folder);
    if (!QFileInfo::exists(dir.filePath(name)))
        return name;
    QString stem, extension;
    splitName(name, &stem, &extension);
    for (int n = 1; n < 10000; ++n) {
        const QString candidate = stem + QStringLiteral(" (%1)").arg(n) + extension;
        if (!QFileInfo::exists(dir.filePath(candidate)))
            return candidate;
    }
    return name;   // the save dialog still asks before anything is replaced
}
