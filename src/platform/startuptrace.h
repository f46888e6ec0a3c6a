#pragma once
// Start-up trace: with TABVANE_TRACE_STARTUP=1 in the environment, each Mark prints one line
// on stderr with the milliseconds since the program's main() began and since the previous
// mark, so that the time from start to the first page can be taken apart. Without the
// variable a mark costs one test of a flag.
//
//   tabvane-trace   123.4 ms  (+  5.6)  what happened

namespace TStartupTrace {
// Starts the clock (the first call wins); also reports how long the process ran before.
void Begin();
bool Enabled();
void Mark(const char *what);
// Marks what only once per process (the first page's events).
void MarkOnce(const char *what);
}
