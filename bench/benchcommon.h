#pragma once
// What the benchmarks share: a private folder for everything the programs write, the
// median of a series, and waiting for a condition without a running event loop.

#include <QList>
#include <QTemporaryDir>
#include <functional>

namespace TBench {
// Points XDG_*, HOME and TABVANE_DATA_DIR into root (the real home is never touched),
// chooses the offscreen platform when there is no display, and prepares the web engine
// (no sandbox as root, shared GL contexts). Call before the application object exists.
bool PrepareEnvironment(const QTemporaryDir &root);
double Median(QList<double> values);
// Processes events (deleting what was deleted later) until done() or the timeout.
bool WaitFor(const std::function<bool()> &done, int timeoutMs);
}
