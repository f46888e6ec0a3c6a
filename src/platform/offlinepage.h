#pragma once
// The page shown instead of the engine's error page when a page cannot load because the
// program works offline: it names the address and offers a button that goes online and
// loads it.
//
// The engine has already shown its error page for the refused address (so the address and
// the history entry stay the user's); the control writes this page over it from the
// application's isolated world. The button reports through the console with the session's
// mark, which the page's own scripts cannot see, so nothing else can switch the program
// online.

#include <QString>

namespace TOfflinePage {
// The engine's error code for a request the program's filter refused.
constexpr int BlockedErrorCode = -20;   // ERR_BLOCKED_BY_CLIENT
// The console report kind of the button.
QString GoOnlineKind();
// The page for an address (HTML; the address is escaped).
QString Html(const QString &address);
// A script for the isolated world that replaces the document by Html(address) and wires
// its button to report {kind: GoOnlineKind()} after the mark.
QString Script(const QString &address, const QString &mark);
}
