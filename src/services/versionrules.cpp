// The version reply's rules, apart from the check itself: they need nothing but Qt Core, so
// that the fuzz targets and their corpus replay can build them alone.
#include "services/versioncheck.h"

#include <QUrl>

TVersionReply TVersionRules::Parse(const QByteArray &data)
{
    TVersionReply reply;
    const QString text = QString::fromUtf8(data).trimmed();
    for (const QString &rawLine : text.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString name = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (name.compare(QLatin1String("VERSION"), Qt::CaseInsensitive) == 0) {
            reply.version = value;
        } else if (name.compare(QLatin1String("VERURL"), Qt::CaseInsensitive) == 0) {
            reply.verUrl = value;
        } else if (name.compare(QLatin1String("VERID"), Qt::CaseInsensitive) == 0) {
            bool ok = false;
            const int id = value.toInt(&ok);
            reply.verId = ok ? id : 118;
        }
    }
    return reply;
}

bool TVersionRules::ShouldAnnounce(const TVersionReply &reply, int checkedVersion)
{
    if (reply.version.isEmpty() || reply.verUrl.isEmpty() || checkedVersion >= reply.verId)
        return false;
    // Only a web page may be opened from the host's answer, never a script or a local file.
    const QUrl url(reply.verUrl, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty()
           && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}
