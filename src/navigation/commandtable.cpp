#include "navigation/commandtable.h"

#include "platform/registry.h"

#include <QAction>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QStatusTipEvent>
#include <QHash>
#include <QMenu>
#include <QWidget>

#include <cstdio>
#include <exception>

TCommandTable::TCommandTable(QWidget *owner)
    : QObject(owner), m_owner(owner)
{
}

TCommandTable::~TCommandTable() = default;

TCommandTable::Entry *TCommandTable::find(const QString &name)
{
    for (Entry &entry : m_entries) {
        if (entry.row.name == name)
            return &entry;
    }
    return nullptr;
}

const TCommandTable::Entry *TCommandTable::find(const QString &name) const
{
    for (const Entry &entry : m_entries) {
        if (entry.row.name == name)
            return &entry;
    }
    return nullptr;
}

const TCommandTable::Entry *TCommandTable::findAction(const QAction *action) const
{
    for (const Entry &entry : m_entries) {
        if (entry.action == action)
            return &entry;
    }
    return nullptr;
}

QAction *TCommandTable::Register(const TCommandRow &row)
{
    Entry *entry = find(row.name);
    if (!entry) {
        m_entries.push_back(Entry());
        entry = &m_entries.back();
        entry->action = new QAction(m_owner);
        entry->action->setObjectName(row.name);
        const QString name = row.name;
        connect(entry->action, &QAction::triggered, this, [this, name](bool checked) { run(name, checked); });
    }
    entry->row = row;
    if (!row.shortcutOf.isEmpty()) {
        if (const Entry *owner = find(row.shortcutOf))
            entry->row.shortcut = owner->row.shortcut;
        else
            qWarning("tabvane: command %s shows the key of %s, which has no row",
                     qPrintable(row.name), qPrintable(row.shortcutOf));
    }
    apply(*entry);
    return entry->action;
}

void TCommandTable::RegisterPending(const TCommandRow &row)
{
    TCommandRow pending = row;
    pending.handler = nullptr;
    Register(pending);
}

void TCommandTable::RegisterUnavailable(const TCommandRow &row, const QString &reason)
{
    TCommandRow unavailable = row;
    unavailable.handler = nullptr;
    unavailable.unavailable = reason;
    Register(unavailable);
}

QStringList TCommandTable::PendingNames() const
{
    QStringList names;
    for (const Entry &entry : m_entries) {
        if (!entry.row.handler && entry.row.unavailable.isEmpty())
            names.append(entry.row.name);
    }
    return names;
}

void TCommandTable::apply(Entry &entry)
{
    QAction *action = entry.action;
    const TCommandRow &row = entry.row;
    action->setText(row.caption);
    if (!row.hint.isEmpty()) {
        action->setToolTip(row.hint.section(QLatin1Char('|'), 0, 0));
        action->setStatusTip(row.hint.contains(QLatin1Char('|')) ? row.hint.section(QLatin1Char('|'), 1) : row.hint);
    }
    if (!row.unavailable.isEmpty()) {
        action->setToolTip(row.unavailable);
        action->setStatusTip(row.unavailable);
    }
    // The key filter runs the command; the action's shortcut is only shown in the menu.
    action->setShortcut(row.shortcut);
    action->setShortcutContext(Qt::WidgetShortcut);
    action->setCheckable(row.checkable || row.checked);
    // The predicates are asked when the command is about to run or its menu opens, not
    // here: a row is registered before the window state they read exists.
    action->setEnabled(bool(row.handler));
}

QAction *TCommandTable::Action(const QString &name) const
{
    const Entry *entry = find(name);
    if (!entry) {
        qWarning("tabvane: no command named %s", qPrintable(name));
        return nullptr;
    }
    return entry->action;
}

QAction *TCommandTable::Place(QMenu *menu, const QString &name)
{
    Entry *entry = find(name);
    if (!entry) {
        qWarning("tabvane: no command named %s to place in %s", qPrintable(name), qPrintable(menu->objectName()));
        return nullptr;
    }
    if (!entry->placed) {
        entry->action->setParent(menu);
        entry->placed = true;
    }
    menu->addAction(entry->action);
    if (!entry->row.unavailable.isEmpty())
        menu->installEventFilter(this);
    return entry->action;
}

const TCommandRow *TCommandTable::Row(const QString &name) const
{
    const Entry *entry = find(name);
    return entry ? &entry->row : nullptr;
}

const TCommandRow *TCommandTable::RowForKey(TKeyCommand command) const
{
    for (const Entry &entry : m_entries) {
        if (entry.row.keys.contains(command))
            return &entry.row;
    }
    return nullptr;
}

const TCommandRow *TCommandTable::RowForToolbarId(int id) const
{
    if (id < 0)
        return nullptr;
    for (const Entry &entry : m_entries) {
        if (entry.row.toolbarId == id)
            return &entry.row;
    }
    return nullptr;
}

QAction *TCommandTable::ActionForKey(TKeyCommand command) const
{
    const TCommandRow *row = RowForKey(command);
    return row ? find(row->name)->action : nullptr;
}

QAction *TCommandTable::ActionForToolbarId(int id) const
{
    const TCommandRow *row = RowForToolbarId(id);
    return row ? find(row->name)->action : nullptr;
}

QStringList TCommandTable::Names() const
{
    QStringList names;
    for (const Entry &entry : m_entries)
        names.append(entry.row.name);
    return names;
}

void TCommandTable::Update(QAction *action)
{
    const Entry *entry = findAction(action);
    if (!entry)
        return;
    const TCommandRow &row = entry->row;
    // A predicate asks the window's state, which may come from the settings store.
    Guarded([&] {
        if (row.handler && row.enabled)
            action->setEnabled(row.enabled());
        if (row.checked)
            action->setChecked(row.checked());
    });
}

void TCommandTable::UpdateMenu(QMenu *menu)
{
    for (QAction *action : menu->actions())
        Update(action);
}

bool TCommandTable::Trigger(QAction *action)
{
    if (!action)
        return false;
    Update(action);
    if (!action->isEnabled())
        return false;
    action->trigger();
    return true;
}

bool TCommandTable::RunKey(TKeyCommand command)
{
    return Trigger(ActionForKey(command));
}

bool TCommandTable::eventFilter(QObject *watched, QEvent *event)
{
    auto *menu = qobject_cast<QMenu *>(watched);
    if (!menu || (event->type() != QEvent::MouseMove && event->type() != QEvent::Hide))
        return false;
    QAction *action = nullptr;
    if (event->type() == QEvent::MouseMove)
        action = menu->actionAt(static_cast<QMouseEvent *>(event)->position().toPoint());
    const Entry *entry = action ? findAction(action) : nullptr;
    if (entry && !entry->row.unavailable.isEmpty()) {
        // After the menu has handled the move: it clears the status text when the mouse
        // comes onto a disabled item.
        const QPointer<QAction> shown(action);
        const QPointer<QMenu> open(menu);
        QMetaObject::invokeMethod(this, [this, shown, open] {
            if (shown && open && open->isVisible() && m_owner)
                shown->showStatusText(m_owner);
        }, Qt::QueuedConnection);
        m_reasonShown = true;
    } else if (m_reasonShown) {
        // Before the menu handles it, so the text of the item now under the mouse shows.
        m_reasonShown = false;
        QStatusTipEvent clear{QString()};
        if (m_owner)
            QCoreApplication::sendEvent(m_owner, &clear);
    }
    return false;
}

void TCommandTable::SetErrorReporter(ErrorReporter reporter)
{
    m_reporter = std::move(reporter);
}

void TCommandTable::Guarded(const std::function<void()> &function) const
{
    QString message;
    try {
        function();
        return;
    } catch (const RegistryError &e) {
        message = e.message();
    } catch (const std::exception &e) {
        message = QString::fromUtf8(e.what());
    }
    if (m_reporter) {
        m_reporter(message);
    } else {
        std::fprintf(stderr, "tabvane: %s\n", message.toLocal8Bit().constData());
        std::fflush(stderr);
    }
}

void TCommandTable::run(const QString &name, bool checked)
{
    const Entry *entry = find(name);
    if (!entry || !entry->row.handler)
        return;
    // A copy: the handler may register rows, which moves the entries.
    const std::function<void(bool)> handler = entry->row.handler;
    Guarded([&] { handler(checked); });
}

QStringList TCommandTable::Problems() const
{
    QStringList problems;
    QHash<int, QString> keyOwners;
    QHash<QString, QString> shownBy;
    QHash<int, QString> buttonOwners;
    const TKeyFilterState state;
    for (const Entry &entry : m_entries) {
        const TCommandRow &row = entry.row;
        for (TKeyCommand command : row.keys) {
            const QString owner = keyOwners.value(int(command));
            if (!owner.isEmpty() && owner != row.name)
                problems.append(QStringLiteral("key command %1 runs both %2 and %3").arg(int(command)).arg(owner, row.name));
            keyOwners.insert(int(command), row.name);
        }
        if (row.toolbarId >= 0) {
            const QString owner = buttonOwners.value(row.toolbarId);
            if (!owner.isEmpty())
                problems.append(QStringLiteral("toolbar id %1 belongs to both %2 and %3").arg(row.toolbarId).arg(owner, row.name));
            buttonOwners.insert(row.toolbarId, row.name);
        }
        if (row.shortcut.isEmpty() || !row.shortcutOf.isEmpty())
            continue;
        const QString text = row.shortcut.toString();
        if (shownBy.contains(text))
            problems.append(QStringLiteral("%1 is the shortcut of both %2 and %3").arg(text, shownBy.value(text), row.name));
        shownBy.insert(text, row.name);
        const QKeyCombination combination = row.shortcut[0];
        const TKeyCommand runs = KeyCommandFor(int(combination.key()), combination.keyboardModifiers(), state);
        if (runs != TKeyCommand::None && !row.keys.contains(runs))
            problems.append(QStringLiteral("%1 shows %2, which the key filter gives to another command").arg(row.name, text));
    }
    for (const Entry &entry : m_entries) {
        const TCommandRow &row = entry.row;
        if (!row.shortcutOf.isEmpty() && !find(row.shortcutOf))
            problems.append(QStringLiteral("%1 shows the key of %2, which has no row").arg(row.name, row.shortcutOf));
        if (!row.shortcutOf.isEmpty() && !row.keys.isEmpty())
            problems.append(QStringLiteral("%1 shows another row's key but owns key commands").arg(row.name));
    }
    return problems;
}
