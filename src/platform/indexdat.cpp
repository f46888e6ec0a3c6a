#include "platform/indexdat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace TIndexDat {

bool ParseEntry(const QByteArray &text, TIndexDatEntry &entry)
{
    const int at = text.indexOf('@');
    if (at < 0)
        return false;
    int urlEnd = text.indexOf('\x01', at + 1);
    if (urlEnd < 0)
        urlEnd = text.size();
    const QByteArray url = text.mid(at + 1, urlEnd - at - 1);
    if (url.isEmpty())
        return false;   // nothing to show or open

    const QByteArray rest = text.mid(urlEnd);
    const int mark = rest.indexOf('\x1f');
    const int titleStart = mark >= 0 ? mark + 1 : 0;
    const int titleEnd = rest.indexOf(QByteArrayLiteral("\x01\x01"), titleStart);
    QByteArray title;
    if (titleEnd >= 0) {
        title.reserve(titleEnd - titleStart);
        for (int i = titleStart; i < titleEnd; ++i) {
            const char c = rest.at(i);
            if (c >= 32 && c <= 126)
                title += c;
        }
    }
    entry.url = QString::fromLatin1(url);
    entry.title = QString::fromLatin1(title);
    return true;
}

TReadResult Read(QIODevice &device, const std::function<void(const TIndexDatEntry &)> &onEntry,
                 const std::atomic<bool> *cancelled)
{
    QByteArray text;      // the entry being joined
    int length = 0;       // its length in blocks
    int count = 0;        // blocks joined so far
    bool inEntry = false;
    const auto finish = [&] {
        TIndexDatEntry entry;
        if (ParseEntry(text, entry))
            onEntry(entry);
        inEntry = false;
        text.clear();
    };

    char block[BlockSize];
    for (;;) {
        if (cancelled && cancelled->load(std::memory_order_relaxed))
            return TReadResult::Complete;
        const qint64 got = device.read(block, BlockSize);
        if (got < 0)
            return TReadResult::Unreadable;
        if (got == 0)
            return inEntry ? TReadResult::Truncated : TReadResult::Complete;
        if (got < BlockSize)
            return TReadResult::Truncated;   // a block cut short; an open entry is dropped
        if (!inEntry) {
            if (block[0] != 'U')
                continue;
            inEntry = true;
            count = 1;
            text = QByteArray(block, BlockSize);
            text.replace('\0', '\x01');
            // A length of 0 reads as 1 once zeros are ones; one block or none is all there is.
            length = static_cast<unsigned char>(text.at(4));
            if (count >= length)
                finish();
            continue;
        }
        QByteArray next(block, BlockSize);
        next.replace('\0', '\x01');
        text += next;
        if (++count >= length)
            finish();
    }
}

TReadResult ReadFile(const QString &path, const std::function<void(const TIndexDatEntry &)> &onEntry,
                     const std::atomic<bool> *cancelled)
{
    // Only a regular file: opening a pipe or a device for reading could wait forever.
    const QFileInfo info(path);
    if (!info.isFile())
        return TReadResult::Unreadable;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return TReadResult::Unreadable;
    return Read(file, onEntry, cancelled);
}

QStringList FilesIn(const QString &historyFolder)
{
    if (historyFolder.isEmpty())
        return {};
    QString folder = historyFolder;
    if (QFileInfo(QDir(folder).filePath(QStringLiteral("History.IE5"))).isDir())
        folder = QDir(folder).filePath(QStringLiteral("History.IE5"));
    const QDir dir(folder);
    if (!dir.exists())
        return {};

    const auto isIndex = [](const QFileInfo &info) {
        return info.isFile() && info.fileName().compare(QLatin1String("index.dat"), Qt::CaseInsensitive) == 0;
    };
    QStringList files;
    const QFileInfoList entries = dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        if (entry.isDir()) {
            if (entry.fileName().startsWith(QLatin1Char('.')))
                continue;
            const QFileInfoList inner = QDir(entry.filePath()).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
            for (const QFileInfo &file : inner) {
                if (isIndex(file))
                    files.append(file.filePath());
            }
        } else if (isIndex(entry)) {
            files.append(entry.filePath());
        }
    }
    // The order a Windows disk lists them in: by name without case.
    std::sort(files.begin(), files.end(),
              [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return files;
}

}
