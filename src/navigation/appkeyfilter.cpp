#include "navigation/appkeyfilter.h"

#include "app/windowsettings.h"
#include "browser/browsertab.h"
#include "browser/tabopener.h"
#include "navigation/commandtable.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

namespace {
bool isKeyEvent(QEvent::Type type)
{
    return type == QEvent::ShortcutOverride || type == QEvent::KeyPress || type == QEvent::KeyRelease;
}

bool isMouseButtonEvent(QEvent::Type type)
{
    return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease
            || type == QEvent::MouseButtonDblClick;
}
}

TKeyFilter::TKeyFilter(QWidget *window, TCommandTable *commands, ITabOpener *tabs, THooks hooks, QObject *parent)
    : QObject(parent), m_window(window), m_commands(commands), m_tabs(tabs), m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("keyFilter"));
    qApp->installEventFilter(this);
}

TKeyFilter::~TKeyFilter()
{
    Stop();
}

void TKeyFilter::Load(const TWindowSettings &settings)
{
    m_altShortcutsDisabled = settings.disableAltShortcuts;
}

void TKeyFilter::Stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    qApp->removeEventFilter(this);
}

bool TKeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (filter(watched, event))
        return true;
    return QObject::eventFilter(watched, event);
}

bool TKeyFilter::filter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::StatusTip && !isKeyEvent(type) && !isMouseButtonEvent(type))
        return false;
    if (m_stopped)
        return false;

    // A menu opened from the keyboard or as a context menu is a window of its own, where
    // the hints of its items would end; they belong to the status bar.
    if (type == QEvent::StatusTip) {
        QWidget *owner = qobject_cast<QMenu *>(watched);
        while (qobject_cast<QMenu *>(owner))
            owner = owner->parentWidget();
        if (owner != m_window)
            return false;
        if (m_hooks.showHint)
            m_hooks.showHint(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }

    if (type == QEvent::KeyRelease) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (!m_consumedKeys.contains(key->key()))
            return false;
        if (!key->isAutoRepeat())
            m_consumedKeys.removeAll(key->key());
        key->accept();
        return true;
    }

    if (QApplication::activePopupWidget() || QApplication::activeWindow() != m_window)
        return false;

    if (isMouseButtonEvent(type)) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::BackButton && mouse->button() != Qt::ForwardButton)
            return false;
        if (!watched->isWidgetType() || static_cast<QWidget *>(watched)->window() != m_window)
            return false;
        TBrowserTab *tab = m_tabs->ActiveTab();
        if (!tab)
            return false;
        if (type == QEvent::MouseButtonPress) {
            if (mouse->button() == Qt::BackButton)
                tab->GoBack();
            else
                tab->GoForward();
        }
        mouse->accept();
        return true;
    }

    auto *key = static_cast<QKeyEvent *>(event);
    TKeyFilterState state;
    state.altShortcutsDisabled = m_altShortcutsDisabled;
    state.hasActiveTab = m_tabs->ActiveTab() != nullptr;
    for (QWidget *w = QApplication::focusWidget(); w && !state.favoritesTreeFocused; w = w->parentWidget())
        state.favoritesTreeFocused = w->objectName() == QLatin1String("shFavorites");
    const TKeyCommand command = KeyCommandFor(key->key(), key->modifiers() & ~Qt::KeypadModifier, state);
    if (command == TKeyCommand::None) {
        if (type == QEvent::KeyPress)
            m_consumedKeys.removeAll(key->key());
        return false;
    }
    key->accept();
    if (type == QEvent::ShortcutOverride)
        return true;
    if (!m_consumedKeys.contains(key->key()))
        m_consumedKeys.append(key->key());
    if (!key->isAutoRepeat() || KeyCommandRepeats(command))
        runKeyCommand(command);
    return true;
}

void TKeyFilter::runKeyCommand(TKeyCommand command)
{
    switch (command) {
    case TKeyCommand::MenuFile:
    case TKeyCommand::MenuEdit:
    case TKeyCommand::MenuView:
    case TKeyCommand::MenuGo:
    case TKeyCommand::MenuFavorites:
    case TKeyCommand::MenuVessaGroups:
    case TKeyCommand::MenuOptions:
    case TKeyCommand::MenuTools:
    case TKeyCommand::MenuTabs:
    case TKeyCommand::MenuHelp:
        if (m_hooks.dropDownMenu)
            m_hooks.dropDownMenu(int(command) - int(TKeyCommand::MenuFile));
        return;
    default:
        break;
    }
    // Every other key runs its row of the command table, as its menu item or button would,
    // and only while that is enabled. The tab menu's commands act on the active tab. The
    // keys without a row (Alt+X, the side bar's pages, the Flyswat add-on, which does not
    // exist for this platform) are only kept from the page.
    const auto run = [this, command] { m_commands->RunKey(command); };
    if (m_hooks.onActiveTab)
        m_hooks.onActiveTab(run);
    else
        run();
}
