#include "favorites/urlshortcut.h"

#include "platform/inifile.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QFile>
#include <QSaveFile>
#include <QUrl>

namespace {
constexpr int MaxNameBytes = 255;   // NAME_MAX of the usual Linux file systems
const QString Extension = QStringLiteral(".url");

QString singleLine(QString text)
{
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    text.remove(QChar(0));
    return text;
}

// Cuts name so that it and the extension fit in MaxNameBytes of UTF-8, never inside a
// character.
QString fitted(QString name)
{
    const int room = MaxNameBytes - Extension.size();
    while (name.toUtf8().size() > room) {
        name.chop(1);
        if (!name.isEmpty() && name.back().isHighSurrogate())
            name.chop(1);
    }
    return name;
}
}

bool IsUrlShortcut(const QString &path)
{
    return path.endsWith(Extension, Qt::CaseInsensitive);
}

QString ReadShortcutUrl(const QString &path)
{
    // The reader opens only regular files, without blocking on a FIFO.
    return TIniFile(path).ReadString(QStringLiteral("InternetShortcut"), QStringLiteral("URL"), QString());
}

bool WriteUrlShortcut(const QString &path, const QString &url, QString *error)
{
    const QByteArray data = "[InternetShortcut]\r\nURL=" + singleLine(url).toUtf8() + "\r\n";
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit())
        return true;
    if (error)
        *error = QStringLiteral("Unable to write to %1: %2").arg(path, file.errorString());
    file.cancelWriting();
    return false;
}

bool CreateUrlShortcut(const QString &path, const QString &url, QString *error)
{
    const QByteArray data = "[InternetShortcut]\r\nURL=" + singleLine(url).toUtf8() + "\r\n";
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (file.write(data) == data.size() && file.flush()) {
            file.close();
            return true;
        }
        file.remove();
    }
    if (error)
        *error = QStringLiteral("Unable to create %1: %2").arg(path, file.errorString());
    return false;
}

QString ShortcutFileName(const QString &title, const QString &url)
{
    QString name;
    if (title.contains(QLatin1String("//"))) {
        const int cut = std::max(title.lastIndexOf(QLatin1Char('/')), title.lastIndexOf(QLatin1Char('\\')));
        name = singleLine(title.mid(cut + 1));
    } else {
        for (const QChar c : title) {
            const char16_t u = c.unicode();
            if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == ' ')
                name.append(c);
        }
    }
    if (name.trimmed().isEmpty() || name.startsWith(QLatin1Char('.'))) {
        name = QUrl(url).host();
        if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
            name = QStringLiteral("Shortcut");
    }
    return fitted(name) + Extension;
}

QMimeData *MakeShortcutDragData(const QString &url, const QString &title, const QString &folder)
{
    auto *data = new QMimeData;
    data->setText(url);
    // text/x-moz-url: the address and the title on two lines, in UTF-16.
    const QString mozUrl = url + QLatin1Char('\n') + singleLine(title.isEmpty() ? url : title);
    data->setData(QStringLiteral("text/x-moz-url"),
                  QByteArray(reinterpret_cast<const char *>(mozUrl.utf16()), mozUrl.size() * 2));
    const QString path = folder.isEmpty() ? QString() : QDir(folder).filePath(ShortcutFileName(title, url));
    if (!path.isEmpty() && WriteUrlShortcut(path, url))
        data->setUrls({QUrl::fromLocalFile(path)});
    else
        data->setUrls({QUrl(url)});
    return data;
}
