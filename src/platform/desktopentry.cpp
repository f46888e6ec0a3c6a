#include "platform/desktopentry.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

QStringList applicationDirs()
{
    QStringList dirs;
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty() || !QDir::isAbsolutePath(home))
        home = QDir::homePath() + QStringLiteral("/.local/share");
    dirs.append(home + QStringLiteral("/applications"));
    QString system = qEnvironmentVariable("XDG_DATA_DIRS");
    if (system.isEmpty())
        system = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString &dir : system.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir))
            dirs.append(dir + QStringLiteral("/applications"));
    }
    return dirs;
}

}

QString TDesktopEntries::UnescapeValue(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (int i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 >= value.size()) {
            out += c;
            continue;
        }
        const QChar n = value.at(++i);
        if (n == QLatin1Char('s'))
            out += QLatin1Char(' ');
        else if (n == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (n == QLatin1Char('t'))
            out += QLatin1Char('\t');
        else if (n == QLatin1Char('r'))
            out += QLatin1Char('\r');
        else if (n == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        else
            out += QLatin1Char('\\') + n;   // not an escape of the string type: kept for the Exec rules
    }
    return out;
}

namespace {

// The id of a file below an applications folder: subfolders joined with "-".
QString idOf(const QString &dir, const QString &path)
{
    return QDir(dir).relativeFilePath(path).replace(QLatin1Char('/'), QLatin1Char('-'));
}

}

TDesktopEntry TDesktopEntries::Read(const QString &path, const QString &id)
{
    TDesktopEntry entry;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 1024 * 1024)
        return entry;
    bool inGroup = false;
    bool sawGroup = false;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == QLatin1String("[Desktop Entry]");
            sawGroup = sawGroup || inGroup;
            continue;
        }
        if (!inGroup)
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = TDesktopEntries::UnescapeValue(line.mid(eq + 1).trimmed());
        if (key == QLatin1String("Name"))
            entry.name = value;
        else if (key == QLatin1String("Exec"))
            entry.exec = value;
        else if (key == QLatin1String("Icon"))
            entry.icon = value;
        else if (key == QLatin1String("MimeType"))
            entry.mimeTypes = value.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        else if (key == QLatin1String("Hidden"))
            entry.hidden = value == QLatin1String("true");
    }
    if (!sawGroup)
        return TDesktopEntry();
    entry.path = path;
    entry.id = id.isEmpty() ? QFileInfo(path).fileName() : id;
    return entry;
}

QStringList TDesktopEntries::SplitExec(const QString &exec, bool *ok)
{
    static const QString reserved = QStringLiteral("\t\n\"'\\><~|&;$*?#()`");
    QStringList args;
    QString current;
    bool inArg = false;
    bool quoted = false;
    *ok = true;
    for (int i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                quoted = false;
            } else if (c == QLatin1Char('\\') && i + 1 < exec.size()) {
                const QChar n = exec.at(i + 1);
                if (n == QLatin1Char('"') || n == QLatin1Char('`') || n == QLatin1Char('$') || n == QLatin1Char('\\')) {
                    current += n;
                    ++i;
                } else {
                    current += c;
                }
            } else {
                current += c;
            }
            continue;
        }
        if (c == QLatin1Char(' ')) {
            if (inArg)
                args.append(current);
            current.clear();
            inArg = false;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            inArg = true;
        } else if (reserved.contains(c)) {
            *ok = false;   // would need quoting: the line is not valid
            return {};
        } else {
            current += c;
            inArg = true;
        }
    }
    if (quoted) {
        *ok = false;
        return {};
    }
    if (inArg)
        args.append(current);
    return args;
}

QStringList TDesktopEntries::Expand(const TDesktopEntry &entry, const QStringList &urls, bool *ok)
{
    const QStringList parts = SplitExec(entry.exec, ok);
    if (!*ok)
        return {};
    QStringList out;
    for (const QString &part : parts) {
        // A list code stands alone as an argument.
        if (part == QLatin1String("%U") || part == QLatin1String("%F")) {
            out += urls;
            continue;
        }
        if (part == QLatin1String("%i")) {
            if (!entry.icon.isEmpty())
                out << QStringLiteral("--icon") << entry.icon;
            continue;
        }
        QString arg;
        bool drop = false;
        for (int i = 0; i < part.size(); ++i) {
            const QChar c = part.at(i);
            if (c != QLatin1Char('%')) {
                arg += c;
                continue;
            }
            if (i + 1 >= part.size()) {
                *ok = false;
                return {};
            }
            const QChar code = part.at(++i);
            switch (code.unicode()) {
            case '%': arg += QLatin1Char('%'); break;
            case 'u': case 'f':
                if (urls.isEmpty())
                    drop = drop || part.size() == 2;
                else
                    arg += urls.first();
                break;
            case 'c': arg += entry.name; break;
            case 'k': arg += entry.path; break;
            case 'd': case 'D': case 'n': case 'N': case 'v': case 'm':
                drop = drop || part.size() == 2;
                break;
            default:
                *ok = false;   // a field code this format does not have
                return {};
            }
        }
        if (!drop)
            out.append(arg);
    }
    // A line that names no program ("" or only dropped codes) cannot be started.
    if (out.isEmpty() || out.first().isEmpty()) {
        *ok = false;
        return {};
    }
    return out;
}

TDesktopEntry TDesktopEntries::Find(const QString &id)
{
    if (id.isEmpty() || id.contains(QLatin1Char('/')) || id.startsWith(QLatin1Char('.')))
        return TDesktopEntry();
    for (const QString &dir : applicationDirs()) {
        QString relative = id;
        // "vendor-app.desktop" may be "vendor/app.desktop".
        const QStringList candidates{dir + QLatin1Char('/') + id,
                                     dir + QLatin1Char('/') + relative.replace(QLatin1Char('-'), QLatin1Char('/'))};
        for (const QString &path : candidates) {
            if (QFileInfo(path).isFile())
                return Read(path, id);
        }
    }
    return TDesktopEntry();
}

QList<TDesktopEntry> TDesktopEntries::Handlers(const QString &mimeType)
{
    QList<TDesktopEntry> found;
    QStringList seen;
    for (const QString &dir : applicationDirs()) {
        QDirIterator it(dir, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        QStringList paths;
        while (it.hasNext())
            paths.append(it.next());
        paths.sort();
        for (const QString &path : qAsConst(paths)) {
            const QString id = idOf(dir, path);
            if (seen.contains(id))
                continue;   // an entry of the user's folder hides the system's
            seen.append(id);
            const TDesktopEntry entry = Read(path, id);
            if (entry.valid() && entry.mimeTypes.contains(mimeType))
                found.append(entry);
        }
    }
    return found;
}

bool TDesktopEntries::Start(const QStringList &command, QString *error)
{
    if (command.isEmpty()) {
        *error = QStringLiteral("There is no command to run.");
        return false;
    }
    QString program = command.first();
    if (!program.contains(QLatin1Char('/')))
        program = QStandardPaths::findExecutable(program);
    if (program.isEmpty() || !QFileInfo(program).isExecutable()) {
        *error = QStringLiteral("The program \"%1\" was not found.").arg(command.first());
        return false;
    }
    if (!QProcess::startDetached(program, command.mid(1))) {
        *error = QStringLiteral("The program \"%1\" could not be started.").arg(program);
        return false;
    }
    return true;
}

bool TDesktopEntries::Launch(const TDesktopEntry &entry, const QStringList &urls, QString *error)
{
    bool ok = false;
    const QStringList command = Expand(entry, urls, &ok);
    if (!ok) {
        *error = QStringLiteral("The command of %1 cannot be read: %2").arg(entry.id, entry.exec);
        return false;
    }
    return Start(command, error);
}
