#pragma once
// The program's token in the user-agent text: a value "Tabvane 6.01"="IEAK" under the local
// machine's "Post Platform" key while the program runs. Tokens of older versions and of the
// older product name are removed at every start and exit.

#include <QString>

extern const QString UserAgentPostPlatformKey;
extern const QString UserAgentTokenName;   // "Tabvane 6.01"

// add true at main-window creation, false at its destruction. Failures are ignored: a
// user without write access simply gets no token.
void UpdateUserAgentToken(bool add);
