#include "folderfixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

void PutFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
