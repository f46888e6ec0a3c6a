#pragma once
// TKWComboBox: the editable address combo box. Typed text is never inserted into the list,
// no completer is attached unless asked for, and item search is case-sensitive. It reports
// the close of its drop-down list (OnCloseUp), the choice of a list entry (OnClick), and
// hands every key to its owner before the edit sees it (KeyDown, KeyPress), so the owner
// can act on Enter with modifiers and consume keys or characters.

#include <QComboBox>
#include <QStringList>

class TKWComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TKWComboBox(QWidget *parent = nullptr);

    // The drop-down entries, in order. SetItems keeps the edit text and caret.
    QStringList Items() const;
    void SetItems(const QStringList &items);

    // IE4-style completion of one typed character from the list: when an entry matches,
    // it becomes the current entry, its text is shown with the completed part selected,
    // and true is returned (the character is consumed).
    bool CompleteIE4(QChar typed);
    // Where typing happens: the start of the selection, else the caret.
    int TypingPosition() const;

    void hidePopup() override;

Q_SIGNALS:
    // After the drop-down list has closed.
    void OnCloseUp();
    // A list entry was chosen (from the list, or by the arrow keys).
    void OnClick();
    // A key went down. Set *key to 0 to consume it; the edit then never sees it.
    void KeyDown(int *key, Qt::KeyboardModifiers shift);
    // A character is about to be typed. Set *key to a null QChar to consume it.
    void KeyPress(QChar *key);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool offerKey(QKeyEvent *event);   // true when the owner consumed it
    void watchLineEdit();

    bool m_forwarding = false;
};
