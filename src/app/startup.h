#pragma once
// The program entry: the maintenance switches, the single-instance hand-over, the
// application object and the main window's run, and the orderly shutdown on SIGTERM and
// SIGHUP.

#include <QStringList>
#include <functional>

class QWidget;

// Creates the main window from the program's arguments (argv without the program name).
// The window is shown by the caller and deleted after the event loop has ended.
using TMainWindowFactory = std::function<QWidget *(const QStringList &arguments)>;

// Runs the program; the result is the process exit code: 0, or 1 for a second start that
// no running window answered.
int runTabvane(int argc, char **argv, const TMainWindowFactory &createMainWindow);

// What the program does with its command line before any window exists. "--version" and
// "--help" (alone, exactly so) print and end before any window, lock or hand-over; any
// other argument is a page, a file or a group for the window.
enum class TStartAction { RestoreOpenVerb, PrintVersion, PrintHelp, Run };
TStartAction ClassifyCommandLine(const QStringList &arguments);

// What "--version" and "--help" print on standard output.
QString VersionText();
QString HelpText();

// The text a second instance hands over: the first argument, with a relative path that
// names an existing file made absolute (the running instance has another working folder).
QString HandOverText(const QStringList &arguments);

// Set on the main window when a signal closes it: the close query must not ask.
inline constexpr const char *ShutdownBySignalProperty = "tabvaneShutdownBySignal";
bool ShutdownBySignal(const QWidget *mainWindow);
