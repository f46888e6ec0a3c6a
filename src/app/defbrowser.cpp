#include "app/defbrowser.h"

#include "app/confirm.h"
#include "app/kwoptions.h"
#include "platform/registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <stdexcept>

namespace DefBrowser {

const QString DesktopId = QStringLiteral("tabvane.desktop");

namespace {

const char *const VerbClasses[] = {"htmlfile", "http", "https", "file"};
const QString VerbName = QStringLiteral("Tabvane");
const QString DefaultGroup = QStringLiteral("[Default Applications]");

QString xdgHome(const char *variable, const QString &belowHome)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return value;
    return QDir::homePath() + belowHome;
}

QStringList xdgDirs(const char *variable, const QString &fallback)
{
    QStringList dirs;
    QString value = qEnvironmentVariable(variable);
    if (value.isEmpty())
        value = fallback;
    for (const QString &dir : value.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir))
            dirs.append(dir);
    }
    return dirs;
}

QStringList dataDirs()
{
    return QStringList{xdgHome("XDG_DATA_HOME", QStringLiteral("/.local/share"))}
           + xdgDirs("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
}

// The files that name default applications, most important first.
QStringList mimeAppsLookup()
{
    QStringList desktops;
    for (const QString &d : qEnvironmentVariable("XDG_CURRENT_DESKTOP")
                                .split(QLatin1Char(':'), Qt::SkipEmptyParts))
        desktops.append(d.toLower());
    QStringList files;
    const auto addFrom = [&](const QString &dir) {
        for (const QString &d : qAsConst(desktops))
            files.append(dir + QLatin1Char('/') + d + QStringLiteral("-mimeapps.list"));
        files.append(dir + QStringLiteral("/mimeapps.list"));
    };
    addFrom(xdgHome("XDG_CONFIG_HOME", QStringLiteral("/.config")));
    for (const QString &dir : xdgDirs("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg")))
        addFrom(dir);
    for (const QString &dir : dataDirs())
        addFrom(dir + QStringLiteral("/applications"));
    return files;
}

bool isInstalled(const QString &desktopId)
{
    if (desktopId.isEmpty() || desktopId.contains(QLatin1Char('/')))
        return false;
    for (const QString &dir : dataDirs()) {
        if (QFileInfo(dir + QStringLiteral("/applications/") + desktopId).isFile())
            return true;
    }
    return false;
}

QString readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

void writeText(const QString &path, const QString &text)
{
    // Write through a link (dot-file managers keep mimeapps.list as one) to its target.
    QString target = path;
    const QFileInfo info(path);
    if (info.isSymLink())
        target = info.symLinkTarget();
    QDir().mkpath(QFileInfo(target).absolutePath());
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        throw std::runtime_error(
            QStringLiteral("Failed to write %1: %2").arg(target, file.errorString()).toStdString());
}

bool isGroupHeader(const QString &line)
{
    return line.trimmed().startsWith(QLatin1Char('['));
}

// The key of a "key=value" line, or "" for other lines.
QString keyOf(const QString &line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(QLatin1Char('#')))
        return QString();
    const int eq = trimmed.indexOf(QLatin1Char('='));
    return eq > 0 ? trimmed.left(eq).trimmed() : QString();
}

QStringList idsOf(const QString &line)
{
    const QString value = line.mid(line.indexOf(QLatin1Char('=')) + 1);
    QStringList ids;
    for (const QString &id : value.split(QLatin1Char(';'))) {
        const QString t = id.trimmed();
        if (!t.isEmpty())
            ids.append(t);
    }
    return ids;
}

QString readDefaultVerb(const TRegistry &reg, const QString &cls)
{
    try {
        return reg.readValue(cls + QStringLiteral("\\shell"), QString()).text;
    } catch (const RegistryError &) {
        return QString();
    }
}

}

QStringList BrowserMimeTypes()
{
    return {QStringLiteral("text/html"), QStringLiteral("x-scheme-handler/http"),
            QStringLiteral("x-scheme-handler/https")};
}

QString CommandLine(const QString &exePath)
{
    return exePath + QStringLiteral(" \"%1\"");
}

QString ExecQuoted(const QString &program)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString arg = program;
    arg.replace(QLatin1Char('%'), QStringLiteral("%%"));
    bool needsQuotes = arg.isEmpty();
    for (const QChar c : qAsConst(arg))
        needsQuotes = needsQuotes || reserved.contains(c);
    if (needsQuotes) {
        QString quoted;
        for (const QChar c : qAsConst(arg)) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$')
                || c == QLatin1Char('\\'))
                quoted += QLatin1Char('\\');
            quoted += c;
        }
        arg = QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    // The string escapes of desktop entry values come on top of the quoting.
    QString value;
    for (const QChar c : qAsConst(arg)) {
        if (c == QLatin1Char('\\'))
            value += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            value += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            value += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            value += QStringLiteral("\\r");
        else
            value += c;
    }
    return value;
}

QString DesktopEntryPath()
{
    return xdgHome("XDG_DATA_HOME", QStringLiteral("/.local/share")) + QStringLiteral("/applications/")
           + DesktopId;
}

QString DesktopIconName(const QString &exePath)
{
    // An installed program has its vane in the icon theme of its prefix (<prefix>/bin beside
    // <prefix>/share/icons); a build tree has none, so the desktop's generic icon stands in.
    const QString themed = QFileInfo(exePath).absolutePath()
                           + QStringLiteral("/../share/icons/hicolor/scalable/apps/tabvane.svg");
    return QFileInfo(themed).isFile() ? QStringLiteral("tabvane") : QStringLiteral("web-browser");
}

QString DesktopEntryText(const QString &exePath)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Version=1.0\n"
                          "Name=Tabvane\n"
                          "GenericName=Web Browser\n"
                          "Comment=Browse the web in tabs\n"
                          "Icon=")
           + DesktopIconName(exePath) + QStringLiteral("\nExec=")
           + ExecQuoted(exePath)
           + QStringLiteral(" %u\n"
                            "Terminal=false\n"
                            "StartupNotify=true\n"
                            "Categories=Network;WebBrowser;\n"
                            "MimeType=")
           + BrowserMimeTypes().join(QLatin1Char(';')) + QStringLiteral(";\n");
}

QString MimeAppsPath()
{
    return xdgHome("XDG_CONFIG_HOME", QStringLiteral("/.config")) + QStringLiteral("/mimeapps.list");
}

QStringList MimeAppsPaths()
{
    const QString configHome = xdgHome("XDG_CONFIG_HOME", QStringLiteral("/.config"));
    QStringList paths;
    for (const QString &desktop : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QString path = configHome + QLatin1Char('/') + desktop.toLower() + QStringLiteral("-mimeapps.list");
        if (!desktop.contains(QLatin1Char('/')) && QFileInfo(path).isFile() && !paths.contains(path))
            paths.append(path);
    }
    paths.append(MimeAppsPath());
    return paths;
}

QStringList MimeAppsDefaults(const QString &text, const QString &mimeType)
{
    bool inGroup = false;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (isGroupHeader(line)) {
            inGroup = line.trimmed() == DefaultGroup;
            continue;
        }
        if (inGroup && keyOf(line) == mimeType)
            return idsOf(line);
    }
    return {};
}

QString UpdateMimeApps(const QString &text, const QStringList &mimeTypes,
                       const QString &desktopId, bool add)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();   // the final newline is added back below

    QStringList seen;
    int groupStart = -1;
    int groupEnd = -1;   // one past the group's last non-blank line
    bool inGroup = false;
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (isGroupHeader(line)) {
            inGroup = line.trimmed() == DefaultGroup;
            if (inGroup && groupStart < 0) {
                groupStart = i;
                groupEnd = i + 1;
            }
            continue;
        }
        if (!inGroup)
            continue;
        if (!line.trimmed().isEmpty() && groupStart >= 0 && i >= groupStart)
            groupEnd = qMax(groupEnd, i + 1);
        const QString key = keyOf(line);
        if (!mimeTypes.contains(key))
            continue;
        QStringList ids = idsOf(line);
        ids.removeAll(desktopId);
        if (add)
            ids.prepend(desktopId);
        seen.append(key);
        if (ids.isEmpty()) {
            lines.removeAt(i);
            if (groupEnd > i)
                --groupEnd;
            --i;
        } else {
            lines[i] = key + QLatin1Char('=') + ids.join(QLatin1Char(';')) + QLatin1Char(';');
        }
    }

    if (add) {
        QStringList missing;
        for (const QString &type : mimeTypes) {
            if (!seen.contains(type))
                missing.append(type + QLatin1Char('=') + desktopId + QLatin1Char(';'));
        }
        if (!missing.isEmpty()) {
            if (groupStart < 0) {
                if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
                    lines.append(QString());
                lines.append(DefaultGroup);
                lines += missing;
            } else {
                for (int k = 0; k < missing.size(); ++k)
                    lines.insert(groupEnd + k, missing.at(k));
            }
        }
    }
    return lines.isEmpty() ? QString() : lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString EffectiveDefault(const QString &mimeType)
{
    for (const QString &file : mimeAppsLookup()) {
        if (!QFileInfo(file).isFile())
            continue;
        for (const QString &id : MimeAppsDefaults(readText(file), mimeType)) {
            if (isInstalled(id))
                return id;
        }
    }
    return QString();
}

bool IsDefaultBrowser()
{
    const TRegistry reg(RegRoot::ClassesRoot);
    if (readDefaultVerb(reg, QStringLiteral("htmlfile")) != VerbName
        || readDefaultVerb(reg, QStringLiteral("HTTP")) != VerbName)
        return false;
    return EffectiveDefault(QStringLiteral("text/html")) == DesktopId
           && EffectiveDefault(QStringLiteral("x-scheme-handler/http")) == DesktopId;
}

void Register(const QString &exePath)
{
    TRegistry reg(RegRoot::ClassesRoot);
    const QString command = CommandLine(exePath);
    for (const char *cls : VerbClasses) {
        const QString shell = QLatin1String(cls) + QStringLiteral("\\shell");
        const bool shellExisted = reg.keyExists(shell);
        if (shellExisted)
            reg.writeString(shell, QString(), VerbName);
        const QString verb = shell + QLatin1Char('\\') + VerbName;
        reg.createKey(verb);
        reg.writeString(verb, QString(), VerbName);
        reg.createKey(verb + QStringLiteral("\\command"));
        reg.writeString(verb + QStringLiteral("\\command"), QString(), command);
        try {
            const QString openCommand = shell + QStringLiteral("\\open\\command");
            reg.createKey(openCommand);
            reg.writeString(openCommand, QString(), command);
        } catch (const RegistryError &) {
            // An "open" command that cannot be opened is skipped.
        }
        // A class without a "shell" key got one from the verb key just now; without its
        // default value the registration would never count as done.
        if (!shellExisted)
            reg.writeString(shell, QString(), VerbName);
    }

    writeText(DesktopEntryPath(), DesktopEntryText(exePath));
    for (const QString &mimeApps : MimeAppsPaths())
        writeText(mimeApps, UpdateMimeApps(readText(mimeApps), BrowserMimeTypes(), DesktopId, true));
}

void RestoreOpenVerb()
{
    QString firstError;
    TRegistry reg(RegRoot::ClassesRoot);
    for (const char *cls : VerbClasses) {
        const QString shell = QLatin1String(cls) + QStringLiteral("\\shell");
        try {
            if (reg.keyExists(shell))
                reg.writeString(shell, QString(), QStringLiteral("open"));
        } catch (const RegistryError &e) {
            if (firstError.isEmpty())
                firstError = e.message();
        }
    }

    for (const QString &mimeApps : MimeAppsPaths()) {
        if (!QFileInfo::exists(mimeApps))
            continue;
        const QString text = readText(mimeApps);
        const QString updated = UpdateMimeApps(text, BrowserMimeTypes(), DesktopId, false);
        if (updated != text)
            writeText(mimeApps, updated);
    }
    if (!firstError.isEmpty())
        throw RegistryError(firstError);
}

void OfferWith(const QString &exePath, const std::function<TOfferAnswer()> &ask)
{
    if (IsDefaultBrowser())
        return;
    const TOfferAnswer answer = ask();
    if (!answer.yes)
        return;
    Register(exePath);
    if (!answer.checked)
        TKWOptions().SetAskDefaultBrowser(false);
}

void Offer(QWidget *owner, const QString &exePath)
{
    OfferWith(exePath, [owner] {
        const TConfirmResult r = Confirm(
            owner, QStringLiteral("Tabvane"),
            QStringLiteral("Tabvane is not currently your default browser."),
            QStringLiteral("Would you like to make it your default browser?"),
            QStringLiteral("Yes"), QStringLiteral("No"),
            QStringLiteral("&Always perfom this check when starting Tabvane"), true);
        return TOfferAnswer{r.ok, r.checked};
    });
}

}
