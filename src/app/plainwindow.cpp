#include "app/plainwindow.h"

#include "app/startup.h"

#include <QCloseEvent>

#include <cstdio>

namespace {
void report(const QString &line)
{
    std::fprintf(stderr, "tabvane: %s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}
}

TPlainWindow::TPlainWindow(const QStringList &arguments, QWidget *parent)
    : QMainWindow(parent), m_handOver(new THandOverReceiver(this, this))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Tabvane"));
    resize(800, 600);
    OpenInitialPages(arguments);
    if (!m_handOver->Listen())
        report(QStringLiteral("cannot receive hand-overs"));
}

TPlainWindow::~TPlainWindow() = default;

void TPlainWindow::OpenInitialPages(const QStringList &arguments)
{
    const QString argument = arguments.value(0);
    if (argument.isEmpty())
        report(QStringLiteral("open home page"));
    else if (IsGroupArgument(argument))
        report(QStringLiteral("open group ") + argument);
    else
        report(QStringLiteral("open in first tab ") + argument);
}

void TPlainWindow::RestoreAndRaise()
{
    RestoreAndRaiseWindow(this);
    report(QStringLiteral("comes to the front"));
}

void TPlainWindow::OpenGroup(const QString &path, bool closeOthersFirst)
{
    report(QStringLiteral("open group ") + path
           + (closeOthersFirst ? QStringLiteral(" (closing other tabs)") : QString()));
}

void TPlainWindow::OpenInNewForegroundTab(const QString &text)
{
    report(QStringLiteral("open in new tab ") + text);
}

void TPlainWindow::closeEvent(QCloseEvent *event)
{
    report(ShutdownBySignal(this) ? QStringLiteral("closing by signal") : QStringLiteral("closing"));
    event->accept();
}
