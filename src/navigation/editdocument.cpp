#include "navigation/editdocument.h"

#include "platform/desktopentry.h"
#include "platform/registry.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTextStream>
#include <QtDebug>

#include <algorithm>

namespace TEditDocument {

const QString OpenWithListKey = QStringLiteral(".htm\\OpenWithList");

namespace {

const QString FilePlaceholder = QStringLiteral("%1");

QString commandKey(const QString &name)
{
    return OpenWithListKey + QLatin1Char('\\') + name + QStringLiteral("\\shell\\edit\\command");
}

// The keys of the [Desktop Entry] group; localised keys ("Name[de]") are left out.
QHash<QString, QString> readDesktopEntry(const QString &path)
{
    QHash<QString, QString> keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return keys;
    QTextStream in(&file);
    bool inMainGroup = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            if (inMainGroup)
                break;
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup)
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        if (key.contains(QLatin1Char('[')) || keys.contains(key))
            continue;
        keys.insert(key, TDesktopEntries::UnescapeValue(line.mid(eq + 1).trimmed()));
    }
    return keys;
}

QStringList listValue(const QString &value)
{
    return value.split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

bool isTrue(const QString &value)
{
    return value.trimmed() == QLatin1String("true");
}

bool tryExecFound(const QString &tryExec)
{
    if (tryExec.isEmpty())
        return true;
    if (QDir::isAbsolutePath(tryExec))
        return QFileInfo(tryExec).isExecutable();
    return !QStandardPaths::findExecutable(tryExec).isEmpty();
}

// The registry separates key names with "\", so a name cannot hold one.
QString keyNameFor(const QString &name)
{
    QString key = name.trimmed();
    key.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return key;
}

}

QStringList ApplicationDirs()
{
    QStringList bases;
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    bases.append(!dataHome.isEmpty() && QDir::isAbsolutePath(dataHome)
                     ? dataHome
                     : QDir::homePath() + QStringLiteral("/.local/share"));
    QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dataDirs.isEmpty())
        dataDirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString &dir : dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir))
            bases.append(dir);
    }
    QStringList dirs;
    for (const QString &base : bases) {
        const QString dir = QDir::cleanPath(base + QStringLiteral("/applications"));
        if (!dirs.contains(dir))
            dirs.append(dir);
    }
    return dirs;
}

QList<TDesktopEditor> FindHtmlEditors(const QStringList &dirs)
{
    QSet<QString> seenIds;
    QSet<QString> seenNames;
    QList<TDesktopEditor> editors;
    for (const QString &dir : dirs) {
        QStringList files;
        QDirIterator it(dir, { QStringLiteral("*.desktop") }, QDir::Files,
                        QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
        while (it.hasNext())
            files.append(it.next());
        files.sort();
        for (const QString &path : files) {
            QString id = QDir(dir).relativeFilePath(path);
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            // An entry earlier in the search path hides later ones with the same id, even
            // when it is itself hidden or not an editor.
            if (seenIds.contains(id))
                continue;
            seenIds.insert(id);

            const QHash<QString, QString> entry = readDesktopEntry(path);
            const QString type = entry.value(QStringLiteral("Type"));
            if (type != QLatin1String("Application") || isTrue(entry.value(QStringLiteral("Hidden")))
                || isTrue(entry.value(QStringLiteral("NoDisplay")))
                || !tryExecFound(entry.value(QStringLiteral("TryExec"))))
                continue;
            const QStringList mimeTypes = listValue(entry.value(QStringLiteral("MimeType")));
            const QStringList categories = listValue(entry.value(QStringLiteral("Categories")));
            const bool editsHtml = mimeTypes.contains(QLatin1String("text/html"))
                && !categories.contains(QLatin1String("WebBrowser"));
            if (!editsHtml && !categories.contains(QLatin1String("TextEditor")))
                continue;
            const QString name = keyNameFor(entry.value(QStringLiteral("Name")));
            const QString command = DesktopExecToCommand(entry.value(QStringLiteral("Exec")));
            if (name.isEmpty() || command.isEmpty() || seenNames.contains(name.toCaseFolded()))
                continue;
            seenNames.insert(name.toCaseFolded());
            editors.append({ id, name, command });
        }
    }
    std::sort(editors.begin(), editors.end(), [](const TDesktopEditor &a, const TDesktopEditor &b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return editors;
}

QStringList SplitDesktopExec(const QString &exec)
{
    QStringList args;
    QString current;
    bool inQuote = false;
    bool hasArg = false;
    for (int i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (inQuote) {
            if (c == QLatin1Char('\\') && i + 1 < exec.size()
                && QStringLiteral("\"`$\\").contains(exec.at(i + 1))) {
                current += exec.at(++i);
            } else if (c == QLatin1Char('"')) {
                inQuote = false;
            } else {
                current += c;
            }
        } else if (c.isSpace()) {
            if (hasArg)
                args.append(current);
            current.clear();
            hasArg = false;
        } else if (c == QLatin1Char('"')) {
            inQuote = true;
            hasArg = true;
        } else {
            current += c;
            hasArg = true;
        }
    }
    if (inQuote)
        return {};
    if (hasArg)
        args.append(current);
    return args;
}

QString DesktopExecToCommand(const QString &exec)
{
    const QStringList raw = SplitDesktopExec(exec);
    QStringList args;
    bool fileDone = false;
    for (const QString &arg : raw) {
        QString out;
        for (int i = 0; i < arg.size(); ++i) {
            if (arg.at(i) != QLatin1Char('%')) {
                out += arg.at(i);
                continue;
            }
            if (i + 1 >= arg.size())
                break;   // a lone "%" at the end is not a field code; drop it
            const QChar code = arg.at(++i);
            if (code == QLatin1Char('%')) {
                out += QLatin1Char('%');
            } else if (QStringLiteral("fFuU").contains(code)) {
                if (!fileDone)
                    out += FilePlaceholder;
                fileDone = true;
            }
            // %i %c %k and the deprecated codes expand to nothing here.
        }
        if (!out.isEmpty())
            args.append(out);
    }
    if (args.isEmpty() || args.constFirst().contains(FilePlaceholder))
        return QString();
    return JoinCommand(args);
}

QString JoinCommand(const QStringList &args)
{
    QStringList parts;
    for (const QString &arg : args) {
        const bool needsQuotes = arg.isEmpty() || arg.contains(FilePlaceholder)
            || arg.contains(QLatin1Char('"'))
            || std::any_of(arg.begin(), arg.end(), [](QChar c) { return c.isSpace(); });
        if (!needsQuotes) {
            parts.append(arg);
            continue;
        }
        QString quoted = arg;
        quoted.replace(QLatin1Char('"'), QLatin1String("\"\"\""));
        parts.append(QLatin1Char('"') + quoted + QLatin1Char('"'));
    }
    return parts.join(QLatin1Char(' '));
}

bool SeedOpenWithList(const QStringList &dirs)
{
    TRegistry registry(RegRoot::ClassesRoot);
    if (registry.keyExists(OpenWithListKey))
        return false;
    const QList<TDesktopEditor> editors = FindHtmlEditors(dirs);
    // Without editors the key stays missing, so editors installed later are found.
    int written = 0;
    try {
        for (const TDesktopEditor &editor : editors) {
            registry.writeString(commandKey(editor.name), QString(), editor.command);
            ++written;
        }
    } catch (const RegistryError &error) {
        qWarning("Could not list the HTML editors: %s", qUtf8Printable(error.message()));
    }
    return written > 0;
}

QStringList Items()
{
    SeedOpenWithList();
    return TRegistry(RegRoot::ClassesRoot).subKeyNames(OpenWithListKey);
}

QString Command(const QString &name)
{
    if (name.isEmpty())
        return QString();
    const RegValue value = TRegistry(RegRoot::ClassesRoot).readValue(commandKey(name), QString());
    const bool isText = value.type == RegType::Sz || value.type == RegType::ExpandSz;
    return isText ? value.text : QString();
}

QStringList CommandArguments(const QString &command, const QString &filePath)
{
    QStringList args = QProcess::splitCommand(command);
    for (QString &arg : args) {
        const int at = arg.indexOf(FilePlaceholder);
        if (at >= 0) {
            arg.replace(at, FilePlaceholder.size(), filePath);
            break;
        }
    }
    return args;
}

bool RunCommand(const QString &command, const QString &filePath)
{
    QStringList args = CommandArguments(command, filePath);
    if (args.isEmpty())
        return false;
    const QString program = args.takeFirst();
    return QProcess::startDetached(program, args);
}

bool Run(const QString &name, const QString &filePath)
{
    return RunCommand(Command(name), filePath);
}

}
