#pragma once
// Find in history: the pages of the URL history store whose title or address holds a text,
// then the pages of the old index files ("index.dat", see indexdat.h) under the History
// folder. Widget-free and thread-safe, so the side bar runs it off the window's thread.

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>

struct THistoryFound {
    QString caption;   // title, else address
    QString url;
};

struct THistoryFindResult {
    QList<THistoryFound> rows;
    QStringList damagedFiles;   // index files unreadable or cut short (what was read of them is kept)
};

// Rows keep the store's order (most recent first), then file order and entry order; the
// same address may come once from the store and once per index file. Entries whose
// caption begins with ":Host" never appear. Comparison ignores case. An empty text finds
// nothing. cancelled (may be null) stops the search early.
THistoryFindResult FindInHistory(const QString &storePath, const QString &historyFolder, const QString &text,
                                 const std::atomic<bool> *cancelled = nullptr);
