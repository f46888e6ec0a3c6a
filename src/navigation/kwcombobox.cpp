#include "navigation/kwcombobox.h"

#include "navigation/shautocomplete.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

TKWComboBox::TKWComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    watchLineEdit();
    connect(this, qOverload<int>(&QComboBox::activated), this, [this](int) { Q_EMIT OnClick(); });
}

void TKWComboBox::watchLineEdit()
{
    // A completer popup hands its keys (Enter above all) straight to the line edit, not to
    // the combo box, so the line edit is watched as well.
    if (lineEdit())
        lineEdit()->installEventFilter(this);
}

QStringList TKWComboBox::Items() const
{
    QStringList items;
    items.reserve(count());
    for (int i = 0; i < count(); ++i)
        items.append(itemText(i));
    return items;
}

void TKWComboBox::SetItems(const QStringList &items)
{
    QLineEdit *edit = lineEdit();
    const QString text = currentText();
    const int caret = edit ? edit->cursorPosition() : 0;
    const QSignalBlocker blocker(this);
    clear();
    addItems(items);
    setCurrentIndex(-1);
    setEditText(text);
    if (edit)
        edit->setCursorPosition(caret);
}

int TKWComboBox::TypingPosition() const
{
    const QLineEdit *edit = lineEdit();
    if (!edit)
        return 0;
    return edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
}

bool TKWComboBox::CompleteIE4(QChar typed)
{
    QLineEdit *edit = lineEdit();
    if (!edit)
        return false;
    const TIE4Completion completion = IE4Complete(Items(), edit->text(), TypingPosition(), typed);
    if (!completion.consumed)
        return false;
    setCurrentIndex(completion.index);
    edit->setText(completion.text);
    edit->setSelection(completion.selStart, completion.selLength);
    return true;
}

void TKWComboBox::hidePopup()
{
    QComboBox::hidePopup();
    Q_EMIT OnCloseUp();
}

bool TKWComboBox::offerKey(QKeyEvent *event)
{
    int key = event->key();
    Q_EMIT KeyDown(&key, event->modifiers());
    if (key == 0)
        return true;
    const QString text = event->text();
    if (text.size() != 1)
        return false;
    QChar ch = text.at(0);
    Q_EMIT KeyPress(&ch);
    return ch.isNull();
}

void TKWComboBox::keyPressEvent(QKeyEvent *event)
{
    if (offerKey(event)) {
        event->accept();
        return;
    }
    m_forwarding = true;
    QComboBox::keyPressEvent(event);
    m_forwarding = false;
}

bool TKWComboBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lineEdit() && event->type() == QEvent::KeyPress && !m_forwarding) {
        auto *keyEvent = static_cast<QKeyEvent *>(event);
        if (offerKey(keyEvent)) {
            keyEvent->accept();
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}
