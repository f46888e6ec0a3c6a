#include "app/handover.h"

#include "app/kwoptions.h"
#include "platform/instance.h"

#include <QFileInfo>
#include <QWidget>

bool THandOverTarget::CurrentVGCloseFirst() const
{
    return TKWOptions().VGCloseFirst();
}

THandOverAction ClassifyHandOver(const QString &text)
{
    if (text.isEmpty())
        return THandOverAction::None;
    if (text.endsWith(QLatin1String(".vgp"), Qt::CaseSensitive) && QFileInfo(text).isFile())
        return THandOverAction::OpenGroup;
    return THandOverAction::OpenPage;
}

bool IsGroupArgument(const QString &argument)
{
    return argument.endsWith(QLatin1String(".vgp"), Qt::CaseInsensitive);
}

void RestoreAndRaiseWindow(QWidget *window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    if (!window->isVisible())
        window->show();
    window->raise();
    window->activateWindow();
}

THandOverReceiver::THandOverReceiver(THandOverTarget *target, QObject *parent)
    : QObject(parent), m_target(target)
{
}

THandOverReceiver::~THandOverReceiver() = default;

bool THandOverReceiver::Listen()
{
    if (!m_listener)
        m_listener = new TWakeupListener([this] { Receive(); }, this);
    return m_listener->listen();
}

bool THandOverReceiver::IsListening() const
{
    return m_listener && m_listener->isListening();
}

QString THandOverReceiver::ErrorString() const
{
    return m_listener ? m_listener->errorString() : QString();
}

void THandOverReceiver::Receive()
{
    QString text;
    {
        TKWOptions options;
        text = options.CommandLine();
        options.SetCommandLine(QString());   // consumed exactly once
    }
    if (!m_target)
        return;
    m_target->RestoreAndRaise();
    switch (ClassifyHandOver(text)) {
    case THandOverAction::None:
        break;
    case THandOverAction::OpenGroup:
        m_target->OpenGroup(text, m_target->CurrentVGCloseFirst());
        break;
    case THandOverAction::OpenPage:
        m_target->OpenInNewForegroundTab(text);
        break;
    }
}
