#pragma once
// Helpers for tests over real folders of files: writing a file with its folders, and a
// stand-in for the desktop that records what it was asked to open.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

// Writes bytes to path, making the folders on the way; a failure fails the test.
void PutFile(const QString &path, const QByteArray &bytes);

// What the desktop was asked to open (install with QDesktopServices::setUrlHandler).
class TDesktopRecorder : public QObject {
    Q_OBJECT
public:
    QStringList opened;
public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url.toLocalFile()); }
};
