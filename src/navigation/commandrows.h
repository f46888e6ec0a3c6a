#pragma once
// Short builders for rows of the command table (navigation/commandtable.h): a subsystem
// writes its rows as command("name", "&Caption", "Hint|Long hint", handler), then adds a
// key, a toolbar button or a shown key with the helpers below.

#include "navigation/commandtable.h"

#include <functional>
#include <utility>

namespace CommandRows {

inline TCommandRow command(const char *name, const char *caption, const char *hint = "",
                           std::function<void()> handler = nullptr)
{
    TCommandRow row;
    row.name = QLatin1String(name);
    row.caption = QLatin1String(caption);
    row.hint = QLatin1String(hint);
    if (handler)
        row.handler = [handler](bool) { handler(); };
    return row;
}

inline TCommandRow toggle(const char *name, const char *caption, const char *hint,
                          std::function<void(bool)> handler)
{
    TCommandRow row = command(name, caption, hint);
    row.handler = std::move(handler);
    row.checkable = true;
    return row;
}

inline TCommandRow withKey(TCommandRow row, const QKeySequence &shortcut, QList<TKeyCommand> keys)
{
    row.shortcut = shortcut;
    row.keys = std::move(keys);
    return row;
}

// Shows the key of the owner row (the same command in a second menu) without owning it.
inline TCommandRow showingKeyOf(TCommandRow row, const char *owner)
{
    row.shortcutOf = QLatin1String(owner);
    return row;
}

inline TCommandRow onButton(TCommandRow row, int toolbarId)
{
    row.toolbarId = toolbarId;
    return row;
}

}
