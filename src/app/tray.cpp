#include "app/tray.h"

#include "app/windowsettings.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

namespace {
const QString PlainHint = QStringLiteral("Tabvane");
const int TrayWatchMs = 2000;
}

TSystemTrayIcon::TSystemTrayIcon(QObject *parent) : ITrayIcon(parent), m_icon(new QSystemTrayIcon(this))
{
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick)
            Q_EMIT DoubleClicked();
    });
}

bool TSystemTrayIcon::IsAvailable() const { return QSystemTrayIcon::isSystemTrayAvailable(); }
void TSystemTrayIcon::SetVisible(bool visible) { m_icon->setVisible(visible); }
bool TSystemTrayIcon::IsVisible() const { return m_icon->isVisible(); }
void TSystemTrayIcon::SetToolTip(const QString &text) { m_icon->setToolTip(text); }
QString TSystemTrayIcon::ToolTip() const { return m_icon->toolTip(); }
void TSystemTrayIcon::SetIcon(const QIcon &icon) { m_icon->setIcon(icon); }
void TSystemTrayIcon::SetMenu(QMenu *menu) { m_icon->setContextMenu(menu); }

TTray::TTray(QWidget *window, ITrayIcon *icon, std::function<QString()> activeTitle,
             std::function<bool()> exitCommand, QObject *parent)
    : QObject(parent), m_window(window), m_icon(icon), m_activeTitle(std::move(activeTitle)),
      m_exitCommand(std::move(exitCommand)), m_menu(new QMenu), m_trayWatch(new QTimer(this))
{
    setObjectName(QStringLiteral("trayIcon"));
    m_icon->setParent(this);
    m_icon->SetIcon(window->windowIcon());
    m_icon->SetToolTip(PlainHint);
    m_menu->setObjectName(QStringLiteral("pmTray"));
    m_restoreItem = m_menu->addAction(QStringLiteral("&Minimize"), this, &TTray::IconDoubleClicked);
    m_restoreItem->setObjectName(QStringLiteral("pmTrayRestore"));
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("&Exit"), this, &TTray::Exit)->setObjectName(QStringLiteral("pmTrayExit"));
    connect(m_menu, &QMenu::aboutToShow, this, &TTray::prepareMenu);
    m_icon->SetMenu(m_menu);
    connect(m_icon, &ITrayIcon::DoubleClicked, this, &TTray::IconDoubleClicked);

    m_trayWatch->setInterval(TrayWatchMs);
    connect(m_trayWatch, &QTimer::timeout, this, [this] {
        if (m_minimized && !m_icon->IsAvailable())
            Restore();
    });
    window->installEventFilter(this);
}

TTray::~TTray()
{
    if (m_minimized)
        QApplication::setQuitOnLastWindowClosed(m_quitOnLastWindowClosed);
    delete m_menu;
}

void TTray::Load(const TWindowSettings &settings)
{
    SetActive(settings.minToTray);
}

void TTray::Save(TWindowSettings &settings) const
{
    settings.minToTray = m_active;
}

void TTray::SetActive(bool on)
{
    m_active = on;
    if (!on && m_minimized)
        Restore();
    updateIcon();
}

bool TTray::canHide() const
{
    return m_active && m_icon->IsAvailable();
}

void TTray::updateIcon()
{
    m_icon->SetVisible(canHide());
}

void TTray::Minimize()
{
    if (!m_window || m_minimized)
        return;
    if (m_window->isMinimized())
        hideToTray();
    else
        m_window->showMinimized();   // the state change hides it when the tray is in charge
}

void TTray::hideToTray()
{
    m_hidePending = false;
    if (!m_window || m_minimized || !m_window->isMinimized() || !canHide())
        return;
    m_minimized = true;
    m_icon->SetVisible(true);
    m_icon->SetToolTip(QStringLiteral("Tabvane - ") + (m_activeTitle ? m_activeTitle() : QString()));
    // A question asked while hidden (Exit's) must not end the program when it closes.
    m_quitOnLastWindowClosed = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);
    m_hiddenWindows.clear();
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w != m_menu && !w->inherits("QMenu")) {
            m_hiddenWindows.append(w);
            w->hide();
        }
    }
    m_trayWatch->start();
}

void TTray::Restore()
{
    if (!m_window)
        return;
    const bool wasMinimized = m_minimized;
    restored();
    if (!wasMinimized && !m_window->isMinimized())
        return;
    m_window->setWindowState((m_window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void TTray::restored()
{
    if (!m_minimized)
        return;
    m_minimized = false;
    m_trayWatch->stop();
    QApplication::setQuitOnLastWindowClosed(m_quitOnLastWindowClosed);
    const QList<QPointer<QWidget>> windows = m_hiddenWindows;
    m_hiddenWindows.clear();
    for (const QPointer<QWidget> &w : windows) {
        if (w && w != m_window)
            w->show();
    }
    m_icon->SetToolTip(PlainHint);
    updateIcon();
}

void TTray::IconDoubleClicked()
{
    if (m_minimized)
        Restore();
    else
        Minimize();
}

void TTray::Exit()
{
    if (!m_exitCommand)
        return;
    const bool wasMinimized = m_minimized;
    if (m_exitCommand() && wasMinimized) {
        // Closed from the tray: no window was visible to end the program with it.
        QApplication::setQuitOnLastWindowClosed(m_quitOnLastWindowClosed);
        QCoreApplication::quit();
    }
}

void TTray::prepareMenu()
{
    m_restoreItem->setText(m_minimized ? QStringLiteral("&Restore") : QStringLiteral("&Minimize"));
}

bool TTray::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        if (event->type() == QEvent::WindowStateChange) {
            // Hidden after the state change is over, not inside it.
            if (m_window->isMinimized() && canHide() && !m_minimized && !m_hidePending) {
                m_hidePending = true;
                QTimer::singleShot(0, this, &TTray::hideToTray);
            }
        } else if (event->type() == QEvent::WindowIconChange) {
            m_icon->SetIcon(m_window->windowIcon());
        } else if (event->type() == QEvent::Show && m_minimized && !event->spontaneous()
                   && !m_window->isMinimized()) {
            // Shown again by the program, not by the tray: a second start of the program.
            // (The desktop's own late notice of the earlier showing is spontaneous.)
            restored();
        }
    }
    return QObject::eventFilter(watched, event);
}
