#include "fuzzcheck.h"

#include <QDir>
#include <QFile>

QString FuzzInput::writeScratchFile(const QString &name, const QByteArray &bytes)
{
    const QString path = QDir(scratchFolder()).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}
