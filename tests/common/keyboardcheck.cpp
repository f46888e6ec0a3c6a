#include "keyboardcheck.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

QString AccessKeyOf(const QString &text)
{
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&'))
            continue;
        if (text.at(i + 1) != QLatin1Char('&'))
            return text.at(i + 1).toLower();
        ++i;
    }
    return QString();
}

QStringList KeyboardProblems(QWidget *window)
{
    QStringList problems;
    QHash<QString, QString> keys;
    const auto useKey = [&](const QWidget *w, const QString &text) {
        const QString key = AccessKeyOf(text);
        if (key.isEmpty())
            return false;
        if (keys.contains(key))
            problems << QStringLiteral("key %1 twice: %2, %3").arg(key, keys.value(key), w->objectName() + '/' + text);
        keys.insert(key, w->objectName() + '/' + text);
        return true;
    };
    const auto shown = [window](const QWidget *w) { return w->isVisibleTo(window) && w->isEnabled(); };
    const auto named = [](QWidget *w) {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
        return a && !a->text(QAccessible::Name).trimmed().isEmpty();
    };

    QList<QWidget *> fields;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (!shown(w))
            continue;
        const auto *edit = qobject_cast<QLineEdit *>(w);
        const bool field = (edit && !qobject_cast<QComboBox *>(w->parentWidget())
                            && !qobject_cast<QAbstractSpinBox *>(w->parentWidget()))
                           || qobject_cast<QComboBox *>(w) || qobject_cast<QAbstractSpinBox *>(w)
                           || (qobject_cast<QAbstractItemView *>(w) && !qobject_cast<QHeaderView *>(w)
                               && !qobject_cast<QComboBox *>(w->parentWidget()->parentWidget()));
        if (!field)
            continue;
        fields << w;
        if (!named(w))
            problems << QStringLiteral("unnamed field ") + w->objectName() + '/' + w->metaObject()->className();
    }
    QSet<QWidget *> keyedBuddies;   // reached through their label's access key
    for (QLabel *l : window->findChildren<QLabel *>()) {
        // A label names a field Tab can reach (form layouts also pair labels with values).
        if (!shown(l) || !l->buddy() || !(l->buddy()->focusPolicy() & Qt::TabFocus))
            continue;
        if (useKey(l, l->text()))
            keyedBuddies.insert(l->buddy());
        else
            problems << QStringLiteral("label without access key: ") + l->text();
    }
    for (QAbstractButton *b : window->findChildren<QAbstractButton *>()) {
        if (!shown(b))
            continue;
        const auto *tool = qobject_cast<QToolButton *>(b);
        if (tool && qobject_cast<QToolBar *>(b->parentWidget())) {
            // A toolbar's button shows a picture; its name is what a screen reader says.
            if (!named(b))
                problems << QStringLiteral("unnamed toolbar button ") + b->objectName();
            if (tool->objectName() != QLatin1String("qt_toolbar_ext_button"))
                fields << b;
            continue;
        }
        if (b->text().isEmpty()) {
            if (!named(b))
                problems << QStringLiteral("unnamed button ") + b->objectName();
            continue;
        }
        if (keyedBuddies.contains(b))
            continue;
        const QString plain = QString(b->text()).remove('&');
        if (plain == QLatin1String("...")) {
            // A browse button beside its field: Tab reaches it, and it says what it chooses.
            if (b->accessibleName().isEmpty())
                problems << QStringLiteral("browse button without a name: ") + b->objectName();
            fields << b;
            continue;
        }
        const auto *push = qobject_cast<QPushButton *>(b);
        const bool enterOrEscape = (push && push->isDefault()) || plain == QLatin1String("OK")
                                   || plain == QLatin1String("Cancel") || plain == QLatin1String("Close");
        if (!useKey(b, b->text()) && !enterOrEscape)
            problems << QStringLiteral("button without access key: ") + b->text();
    }
    // Tab from the first field reaches every field.
    QSet<QWidget *> reached;
    QWidget *w = window;
    for (int i = 0; i < 500; ++i) {
        w = w->nextInFocusChain();
        if (w == window)
            break;
        if (shown(w) && (w->focusPolicy() & Qt::TabFocus))
            reached.insert(w->focusProxy() ? w->focusProxy() : w);
    }
    for (QWidget *f : std::as_const(fields)) {
        const bool toolbarButton = qobject_cast<QToolBar *>(f->parentWidget()) != nullptr;
        if (!reached.contains(f) && !reached.contains(f->focusProxy())
            && (toolbarButton || (f->focusPolicy() & Qt::TabFocus)))
            problems << QStringLiteral("not reached by Tab: ") + f->objectName();
    }
    return problems;
}
