#pragma once
// The web hosts of the program's maker and of its add-on's maker. Each is a build setting
// (TABVANE_MAKER_HOST, TABVANE_ADDON_MAKER_HOST) that an environment variable of the same
// name overrides for one run, so that tests and benchmarks point them at a server of their
// own. Both are returned without a trailing "/".

#include <QString>

namespace TMakerHost {
QString Maker();
QString AddOnMaker();
}

// Environment switches for runs without a person (tests, benchmarks, scripts).
namespace TUnattended {
// TABVANE_VERSION_CHECK=0: no version check in this run.
constexpr const char *VersionCheckVariable = "TABVANE_VERSION_CHECK";
// TABVANE_ASK_DEFAULT_BROWSER=0: no default-browser question in this run (nothing is stored).
constexpr const char *AskDefaultBrowserVariable = "TABVANE_ASK_DEFAULT_BROWSER";
// True unless the variable is set to "0", "off", "no" or "false".
bool Allowed(const char *variable);
}
