#include "platform/urlinput.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace {

// Schemes taken as they are even without "//" after the colon.
const QSet<QString> &knownSchemes()
{
    static const QSet<QString> schemes = {
        QStringLiteral("http"),   QStringLiteral("https"),  QStringLiteral("ftp"),
        QStringLiteral("file"),   QStringLiteral("about"),  QStringLiteral("javascript"),
        QStringLiteral("mailto"), QStringLiteral("news"),   QStringLiteral("nntp"),
        QStringLiteral("data"),   QStringLiteral("blob"),   QStringLiteral("view-source"),
        QStringLiteral("chrome"), QStringLiteral("qrc"),    QStringLiteral("ws"),
        QStringLiteral("wss"),    QStringLiteral("tel"),    QStringLiteral("sms"),
        QStringLiteral("irc"),    QStringLiteral("magnet"), QStringLiteral("urn"),
    };
    return schemes;
}

bool hasWhitespace(const QString &s)
{
    for (QChar c : s)
        if (c.isSpace())
            return true;
    return false;
}

bool isAllDigits(const QString &s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s)
        if (!c.isDigit())
            return false;
    return true;
}

bool isIPv4(const QString &host)
{
    const QStringList parts = host.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString &p : parts) {
        bool ok = false;
        const int v = p.toInt(&ok);
        if (!ok || !isAllDigits(p) || v < 0 || v > 255)
            return false;
    }
    return true;
}

bool isLabel(const QString &label)
{
    if (label.isEmpty() || label.startsWith(QLatin1Char('-')) || label.endsWith(QLatin1Char('-')))
        return false;
    for (QChar c : label)
        if (!c.isLetterOrNumber() && c != QLatin1Char('-') && c != QLatin1Char('_'))
            return false;
    return true;
}

// A host an address bar would try: localhost, an IP address, or a dotted name whose last
// label is a plausible top-level domain (not all digits, two characters or more).
bool looksLikeHost(QString host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        return host.size() > 2;
    if (isIPv4(host))
        return true;
    if (host.endsWith(QLatin1Char('.')))
        host.chop(1);
    const QStringList labels = host.split(QLatin1Char('.'));
    if (labels.size() < 2)
        return false;
    for (const QString &l : labels)
        if (!isLabel(l))
            return false;
    const QString &tld = labels.last();
    return tld.size() >= 2 && !isAllDigits(tld);
}

// "host", "host:port" or "user@host" before the first "/", "?" or "#"; empty when the
// port part is not a number.
QString hostOf(const QString &s)
{
    int end = s.size();
    for (QChar stop : {QLatin1Char('/'), QLatin1Char('?'), QLatin1Char('#')}) {
        const int i = s.indexOf(stop);
        if (i >= 0 && i < end)
            end = i;
    }
    QString host = s.left(end);
    const int at = host.lastIndexOf(QLatin1Char('@'));
    if (at >= 0)
        host = host.mid(at + 1);
    if (!host.startsWith(QLatin1Char('['))) {
        const int colon = host.indexOf(QLatin1Char(':'));
        if (colon >= 0) {
            if (!isAllDigits(host.mid(colon + 1)))
                return QString();
            host = host.left(colon);
        }
    } else {
        const int close = host.indexOf(QLatin1Char(']'));
        if (close < 0)
            return QString();
        const QString rest = host.mid(close + 1);
        if (!rest.isEmpty() && !(rest.startsWith(QLatin1Char(':')) && isAllDigits(rest.mid(1))))
            return QString();
        host = host.left(close + 1);
    }
    return host;
}

TUrlInput make(TUrlInputKind kind, const QUrl &url)
{
    TUrlInput r;
    r.kind = kind;
    r.url = url;
    return r;
}

TUrlInput fileInput(const QString &path)
{
    return make(TUrlInputKind::File, QUrl::fromLocalFile(QDir::cleanPath(path)));
}

TUrlInput httpInput(const QString &s)
{
    return make(TUrlInputKind::Address, QUrl(QStringLiteral("http://") + s, QUrl::TolerantMode));
}

}

QString DefaultSearchPage()
{
    return QStringLiteral("https://duckduckgo.com/?q=%s");
}

QUrl SearchUrl(const QString &searchPage, const QString &words)
{
    QString page = searchPage.trimmed();
    if (page.isEmpty() || !QUrl(page, QUrl::TolerantMode).isValid()
        || QUrl(page, QUrl::TolerantMode).scheme().isEmpty())
        page = DefaultSearchPage();
    QString query = QString::fromLatin1(QUrl::toPercentEncoding(words.simplified()));
    query.replace(QLatin1String("%20"), QLatin1String("+"));
    if (page.contains(QLatin1String("%s")))
        page.replace(QLatin1String("%s"), query);
    else
        page += query;
    return QUrl(page, QUrl::TolerantMode);
}

namespace {

TUrlInput classify(const QString &text, const QString &searchPage, const QString &workingDir)
{
    const QString s = text.trimmed();
    if (s.isEmpty())
        return TUrlInput();
    const QString dir = workingDir.isEmpty() ? QDir::currentPath() : workingDir;

    // Local paths: absolute, home-relative, explicitly relative, a drive letter, UNC.
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:[\\\\/]"));
    if (drive.match(s).hasMatch()) {
        QString path = s;
        path.replace(QLatin1Char('\\'), QLatin1Char('/'));
        return make(TUrlInputKind::File, QUrl(QStringLiteral("file:///") + path, QUrl::TolerantMode));
    }
    if (s.startsWith(QLatin1String("\\\\"))) {
        QString path = s.mid(2);
        path.replace(QLatin1Char('\\'), QLatin1Char('/'));
        return make(TUrlInputKind::File, QUrl(QStringLiteral("file://") + path, QUrl::TolerantMode));
    }
    if (s.startsWith(QLatin1Char('/')))
        return fileInput(s);
    if (s == QLatin1String("~") || s.startsWith(QLatin1String("~/")))
        return fileInput(QDir::homePath() + s.mid(1));
    if (s.startsWith(QLatin1String("./")) || s.startsWith(QLatin1String("../")))
        return fileInput(QDir(dir).absoluteFilePath(s));

    static const QRegularExpression schemeRe(QStringLiteral("^([A-Za-z][A-Za-z0-9+.\\-]*):(.*)$"),
                                             QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = schemeRe.match(s);
    if (m.hasMatch()) {
        const QString scheme = m.captured(1).toLower();
        const QString rest = m.captured(2);
        if (knownSchemes().contains(scheme) || rest.startsWith(QLatin1String("//"))) {
            const QUrl url(s, QUrl::TolerantMode);
            if (url.isValid())
                return make(TUrlInputKind::Address, url);
            return make(TUrlInputKind::Search, SearchUrl(searchPage, s));
        }
        // "host:port/path": the part after the colon starts with a port number.
        static const QRegularExpression portRe(QStringLiteral("^\\d+([/?#].*)?$"),
                                               QRegularExpression::DotMatchesEverythingOption);
        if (!hasWhitespace(s) && portRe.match(rest).hasMatch())
            return httpInput(s);
        if (hasWhitespace(s))
            return make(TUrlInputKind::Search, SearchUrl(searchPage, s));
        // An unknown scheme ("foo:bar") goes to the engine as it is.
        const QUrl url(s, QUrl::TolerantMode);
        if (url.isValid())
            return make(TUrlInputKind::Address, url);
        return make(TUrlInputKind::Search, SearchUrl(searchPage, s));
    }

    if (hasWhitespace(s))
        return make(TUrlInputKind::Search, SearchUrl(searchPage, s));

    // A name of an existing file in the working folder.
    if (QFileInfo::exists(QDir(dir).absoluteFilePath(s)))
        return fileInput(QDir(dir).absoluteFilePath(s));

    const QString host = hostOf(s);
    if (!host.isEmpty() && looksLikeHost(host))
        return httpInput(s);
    // "intranet/page": a single-label host with a path.
    const int slash = s.indexOf(QLatin1Char('/'));
    if (slash > 0 && isLabel(hostOf(s)))
        return httpInput(s);
    return make(TUrlInputKind::Search, SearchUrl(searchPage, s));
}

} // namespace

TUrlInput ClassifyUrlInput(const QString &text, const QString &searchPage, const QString &workingDir)
{
    // Text that looks like a path or an address but makes none ("\\" with a control
    // character, a host part no address can hold) is searched for rather than handed to
    // the engine as an address that leads nowhere.
    TUrlInput input = classify(text, searchPage, workingDir);
    if (input.kind != TUrlInputKind::Empty && input.kind != TUrlInputKind::Search && !input.url.isValid())
        input = make(TUrlInputKind::Search, SearchUrl(searchPage, text.trimmed()));
    return input;
}
