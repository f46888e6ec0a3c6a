// The history index file reader ("index.dat"), over any bytes. The reader must return
// only entries with an address, keep to what the block layout allows, read a file on disk
// exactly as it reads the same bytes in memory, and Find in history must never show a
// ":Host" entry, whatever the file holds.

#include "fuzzcheck.h"

#include "platform/historyfind.h"
#include "platform/indexdat.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

namespace {

bool sameEntries(const QList<TIndexDatEntry> &a, const QList<TIndexDatEntry> &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (a[i].url != b[i].url || a[i].title != b[i].title)
            return false;
    }
    return true;
}

// Find over a History folder holding only this file must give exactly the matching
// entries the reader returns, in file order, less those whose caption begins ":Host".
void checkFind(const QString &historyFolder, const QList<TIndexDatEntry> &entries, bool damaged)
{
    const QString text = QStringLiteral("host");
    const THistoryFindResult found = FindInHistory(QString(), historyFolder, text);
    QList<THistoryFound> expected;
    for (const TIndexDatEntry &e : entries) {
        if (!e.url.contains(text, Qt::CaseInsensitive) && !e.title.contains(text, Qt::CaseInsensitive))
            continue;
        if (!e.Caption().startsWith(QLatin1String(":Host")))
            expected.append({ e.Caption(), e.url });
    }
    FUZZ_CHECK(found.rows.size() == expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        FUZZ_CHECK(!found.rows[i].caption.startsWith(QLatin1String(":Host")));
        FUZZ_CHECK(found.rows[i].caption == expected[i].caption && found.rows[i].url == expected[i].url);
    }
    FUZZ_CHECK(found.damagedFiles.size() == (damaged ? 1 : 0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzInput::bytes(data, size);

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QList<TIndexDatEntry> entries;
    const TIndexDat::TReadResult result =
        TIndexDat::Read(buffer, [&](const TIndexDatEntry &e) { entries.append(e); });

    // Memory is always readable; a file that is not whole blocks is cut short.
    FUZZ_CHECK(result != TIndexDat::TReadResult::Unreadable);
    if (size % TIndexDat::BlockSize != 0)
        FUZZ_CHECK(result == TIndexDat::TReadResult::Truncated);

    // Each entry starts at its own block with 'U'.
    qsizetype starts = 0;
    for (qsizetype at = 0; at + TIndexDat::BlockSize <= bytes.size(); at += TIndexDat::BlockSize)
        starts += bytes.at(at) == 'U' ? 1 : 0;
    FUZZ_CHECK(entries.size() <= starts);

    for (const TIndexDatEntry &e : entries) {
        FUZZ_CHECK(!e.url.isEmpty());
        // The address ends at the first byte 1 (zeros read as 1), and the title keeps
        // printable ASCII only.
        FUZZ_CHECK(!e.url.contains(QChar(0)) && !e.url.contains(QChar(1)));
        for (QChar c : e.title)
            FUZZ_CHECK(c.unicode() >= 32 && c.unicode() <= 126);
        FUZZ_CHECK(!e.Caption().isEmpty());
    }

    // The same bytes as a file in a History folder: the same entries, and Find keeps to them.
    static const QString folder = [] {
        const QString path = QDir(FuzzInput::scratchFolder()).filePath(QStringLiteral("History"));
        QDir().mkpath(path);
        return path;
    }();
    const QString path = QDir(folder).filePath(QStringLiteral("index.dat"));
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
    file.close();
    QList<TIndexDatEntry> fromFile;
    const TIndexDat::TReadResult fileResult =
        TIndexDat::ReadFile(path, [&](const TIndexDatEntry &e) { fromFile.append(e); });
    FUZZ_CHECK(fileResult == result);
    FUZZ_CHECK(sameEntries(fromFile, entries));

    checkFind(folder, entries, result != TIndexDat::TReadResult::Complete);
    return 0;
}
