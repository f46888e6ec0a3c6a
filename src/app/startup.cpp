#include "app/startup.h"

#include "app/application.h"
#include "app/defbrowser.h"
#include "app/kwoptions.h"
#include "platform/instance.h"
#include "platform/registry.h"
#include "platform/startuptrace.h"
#include "platform/unixsignals.h"
#include "platform/version.h"
#include "platform/webprofile.h"

#include <QDeadlineTimer>
#include <QDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QtWebEngineCore/qtwebenginecoreglobal.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>
#include <unistd.h>

namespace {

// How long a second instance keeps trying when the running instance holds the lock but
// has no window listening yet (it is still starting).
constexpr int HandOverPatienceMs = 10000;
constexpr int HandOverRetryMs = 100;

void printLine(const QString &text)
{
    std::fprintf(stderr, "tabvane: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

QString messageOf(const std::exception &e)
{
    if (const auto *reg = dynamic_cast<const RegistryError *>(&e))
        return reg->message();
    return QString::fromUtf8(e.what());
}

// The second instance's part: pass the argument on and wake the running windows. Returns
// how many windows answered.
int handOver(TKWOptions *options, const QStringList &arguments, const TInstanceLock &lock)
{
    if (options) {
        try {
            options->SetCommandLine(HandOverText(arguments));
        } catch (const std::exception &e) {
            printLine(messageOf(e));
        }
    }
    const QDeadlineTimer patience(HandOverPatienceMs);
    int answered = TWakeupBroadcast::send();
    while (answered == 0 && !patience.hasExpired() && lock.heldElsewhere()) {
        QThread::msleep(HandOverRetryMs);
        answered = TWakeupBroadcast::send();
    }
    return answered;
}

// Whether a message box would reach a person: a real display, not an offscreen platform.
bool displayForMessages()
{
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith(QLatin1String("xcb"))
        && !platform.startsWith(QLatin1String("wayland")))
        return false;
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// A second start whose hand-over no window took: say so rather than end silently.
void reportNoAnswer(char *programName, const QStringList &arguments)
{
    const QString argument = arguments.value(0);
    QString text = QStringLiteral("Tabvane is already running but did not answer");
    text += argument.isEmpty() ? QStringLiteral(".") : QStringLiteral(": %1 was not opened.").arg(argument);
    text += QStringLiteral(" Close the running Tabvane and start it again.");
    printLine(text);
    if (!displayForMessages())
        return;
    int qtArgc = 1;
    char *qtArgv[] = {programName, nullptr};
    QApplication app(qtArgc, qtArgv);
    QMessageBox::warning(nullptr, QStringLiteral("Tabvane"), text);
}

// Shows a message once no dialog is open: the window may show its own start-up message
// first, and a second box on top of it would go to stderr instead.
void showWhenNoDialog(QObject *context, const QString &message)
{
    QTimer::singleShot(0, context, [context, message] {
        if (QApplication::activeModalWidget())
            QTimer::singleShot(200, context, [context, message] { showWhenNoDialog(context, message); });
        else
            TTabvaneApplication::ShowError(message);
    });
}

// Ends a dialog's event loop so that the main window can close underneath it.
void closeModalWidgets()
{
    for (int guard = 0; guard < 16; ++guard) {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        if (modal->isVisible())
            modal->hide();   // hiding a dialog also ends its exec()
    }
}

class TSignalShutdown : public QObject {
public:
    explicit TSignalShutdown(QObject *parent) : QObject(parent) {}

    void setWindow(QWidget *window)
    {
        m_window = window;
        if (m_requested && window)
            window->setProperty(ShutdownBySignalProperty, true);
    }
    bool requested() const { return m_requested; }

    void request()
    {
        m_requested = true;
        if (m_window)
            m_window->setProperty(ShutdownBySignalProperty, true);
        attempt(0);
    }

private:
    void attempt(int round)
    {
        closeModalWidgets();
        // Close once the dialogs' loops have unwound; code after a dialog may open another.
        QTimer::singleShot(0, this, [this, round] {
            if (QApplication::activeModalWidget() && round < 20) {
                attempt(round + 1);
                return;
            }
            if (m_window) {
                m_window->setProperty(ShutdownBySignalProperty, true);
                m_window->close();
            }
            // Also when the window only hid itself or another top-level window is open:
            // the window is deleted after the loop, which runs its shutdown.
            QCoreApplication::quit();
        });
    }

    QPointer<QWidget> m_window;
    bool m_requested = false;
};

}

TStartAction ClassifyCommandLine(const QStringList &arguments)
{
    if (arguments.size() != 1)
        return TStartAction::Run;
    const QString &argument = arguments.first();
    if (argument == QLatin1String("--undef") || argument == QLatin1String("--uninstall"))
        return TStartAction::RestoreOpenVerb;
    if (argument == QLatin1String("--version"))
        return TStartAction::PrintVersion;
    if (argument == QLatin1String("--help"))
        return TStartAction::PrintHelp;
    return TStartAction::Run;
}

QString VersionText()
{
    return QStringLiteral("tabvane %1\n"
                          "Qt %2, Qt WebEngine %3 (Chromium %4)\n")
        .arg(QLatin1String(TabvaneVersion), QLatin1String(qVersion()), QLatin1String(qWebEngineVersion()),
             QLatin1String(qWebEngineChromiumVersion()));
}

QString HelpText()
{
    return QStringLiteral(
        "Usage: tabvane [URL | FILE | GROUP.vgp]\n"
        "       tabvane --undef | --uninstall | --version | --help\n"
        "\n"
        "A tabbed web browser. The one argument opens in a new tab: a web address, a file,\n"
        "or a VessaGroup file (.vgp), whose pages open together. When Tabvane already runs,\n"
        "the argument is handed to the running window and this start ends at once (unless\n"
        "several instances are allowed in the options). Only the first argument is used.\n"
        "\n"
        "  --undef, --uninstall  give the \"open\" verb for web pages back to the desktop\n"
        "  --version             print the version and exit\n"
        "  --help                print this help and exit\n"
        "\n"
        "Environment:\n"
        "  TABVANE_DATA_DIR      data folder (default $XDG_DATA_HOME/tabvane)\n"
        "  TABVANE_REGISTRY      settings hive (default $XDG_CONFIG_HOME/tabvane/registry.db)\n"
        "  TABVANE_RESTORE_TABS  restore or normal: the answer to the restore question\n"
        "  TABVANE_TRACE_STARTUP 1: print where the start-up time goes\n"
        "\n"
        "F1 in the program opens the user guide. tabvane-reg(1) reads and writes the settings.\n");
}

QString HandOverText(const QStringList &arguments)
{
    const QString argument = arguments.value(0);
    if (argument.isEmpty())
        return argument;
    const QFileInfo info(argument);
    if (info.isRelative() && info.exists())
        return info.absoluteFilePath();
    return argument;
}

bool ShutdownBySignal(const QWidget *mainWindow)
{
    return mainWindow && mainWindow->property(ShutdownBySignalProperty).toBool();
}

int runTabvane(int argc, char **argv, const TMainWindowFactory &createMainWindow)
{
    TStartupTrace::Begin();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    const TStartAction action = ClassifyCommandLine(arguments);
    if (action == TStartAction::PrintVersion || action == TStartAction::PrintHelp) {
        const QByteArray text = (action == TStartAction::PrintVersion ? VersionText() : HelpText()).toLocal8Bit();
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
    if (action == TStartAction::RestoreOpenVerb) {
        try {
            DefBrowser::RestoreOpenVerb();
        } catch (const std::exception &e) {
            printLine(messageOf(e));
        }
        return 0;
    }

    // Failures before the application object exists are shown once the window is up.
    QStringList startErrors;
    TInstanceLock lock;   // held for the rest of the process's life
    {
        std::unique_ptr<TKWOptions> options;
        bool allowMultiInstance = false;
        try {
            options = std::make_unique<TKWOptions>();
            options->SetWrongTypeHandler([&startErrors](const QString &message) {
                startErrors.append(message + QStringLiteral("\n\nTabvane uses the default value of such a setting."));
            });
            allowMultiInstance = options->AllowMultiInstance();
        } catch (const std::exception &e) {
            startErrors.append(messageOf(e));
        }
        if (!allowMultiInstance) {
            if (lock.tryAcquire()) {
                if (handOver(options.get(), arguments, lock) > 0)
                    return 0;
                reportNoAnswer(argv[0], arguments);
                return 1;
            }
            if (!lock.error().isEmpty())
                printLine(QStringLiteral("cannot take the instance lock: %1").arg(lock.error()));
        }
    }

    TStartupTrace::Mark("instance lock taken");
    // Without any display Qt would abort; say what is missing instead.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        printLine(QStringLiteral("no display: set DISPLAY, run under xvfb-run, "
                                 "or set QT_QPA_PLATFORM=offscreen"));
        return 0;
    }

    if (::geteuid() == 0 && qgetenv("QTWEBENGINE_DISABLE_SANDBOX") != "1") {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        printLine(QStringLiteral("running as root: the web engine's sandbox is disabled"));
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Engine switches that only take effect before the engine starts (frozen animations).
    TWebProfile::PrepareProcessFlags();
    TWebProfile::RegisterSchemes();

    // Qt sees only the program name: the one argument is ours, whatever it looks like.
    int qtArgc = 1;
    TTabvaneApplication app(qtArgc, argv);
    app.setApplicationName(QStringLiteral("Tabvane"));
    app.setApplicationDisplayName(QStringLiteral("Tabvane"));
    QGuiApplication::setDesktopFileName(QStringLiteral("tabvane"));
    TStartupTrace::Mark("application object made");

    auto *shutdown = new TSignalShutdown(&app);
    TUnixSignals unixSignals({SIGTERM, SIGHUP});
    QObject::connect(&unixSignals, &TUnixSignals::received, shutdown, &TSignalShutdown::request);

    QPointer<QWidget> window;
    try {
        window = createMainWindow(arguments);
    } catch (const std::exception &e) {
        TTabvaneApplication::ShowError(messageOf(e));
        return 0;
    }
    if (!window)
        return 0;
    TStartupTrace::Mark("main window made");
    shutdown->setWindow(window);
    if (!shutdown->requested()) {
        window->show();
        TStartupTrace::Mark("main window shown");
        if (!startErrors.isEmpty())
            showWhenNoDialog(&app, startErrors.join(QLatin1Char('\n')));
        app.exec();
    }
    delete window.data();
    return 0;
}
