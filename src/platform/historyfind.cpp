#include "platform/historyfind.h"

#include "platform/historygroups.h"
#include "platform/indexdat.h"
#include "platform/urlhistory.h"

namespace {
bool shown(const QString &caption)
{
    return !caption.startsWith(QLatin1String(":Host"));
}
}

THistoryFindResult FindInHistory(const QString &storePath, const QString &historyFolder, const QString &text,
                                 const std::atomic<bool> *cancelled)
{
    THistoryFindResult result;
    if (text.isEmpty())
        return result;
    const auto stop = [cancelled] { return cancelled && cancelled->load(std::memory_order_relaxed); };

    if (!storePath.isEmpty()) {
        for (const THistoryEntry &entry : TUrlHistory(storePath).Search(text)) {
            const QString caption = HistoryCaption(entry);
            if (shown(caption))
                result.rows.append({ caption, entry.url });
        }
    }

    for (const QString &file : TIndexDat::FilesIn(historyFolder)) {
        if (stop())
            break;
        // A damaged file is passed over; the files after it are still searched.
        const TIndexDat::TReadResult read = TIndexDat::ReadFile(file, [&](const TIndexDatEntry &entry) {
            if (!entry.url.contains(text, Qt::CaseInsensitive) && !entry.title.contains(text, Qt::CaseInsensitive))
                return;
            const QString caption = entry.Caption();
            if (shown(caption))
                result.rows.append({ caption, entry.url });
        }, cancelled);
        if (read != TIndexDat::TReadResult::Complete)
            result.damagedFiles.append(file);
    }
    return result;
}
