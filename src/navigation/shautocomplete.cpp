#include "navigation/shautocomplete.h"

#include "platform/urlhistory.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

const QString HttpPrefix = QStringLiteral("http://");
const QString CompleterName = QStringLiteral("HistoryCompleter");

int findPrefix(const QStringList &entries, const QString &prefix)
{
    for (int i = 0; i < entries.size(); ++i) {
        if (entries.at(i).startsWith(prefix, Qt::CaseInsensitive))
            return i;
    }
    return -1;
}

// Enter in the completion popup: the completer would hand the key to the edit directly,
// past every event filter, and the address box's owner would never see it. Instead the
// chosen entry goes into the edit and the key is delivered to the edit the ordinary way.
class TPopupEnterFilter : public QObject {
public:
    TPopupEnterFilter(QCompleter *completer, QLineEdit *edit)
        : QObject(completer), m_completer(completer), m_edit(edit) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        QAbstractItemView *popup = m_completer->popup();
        if (watched != popup)
            return false;
        const QModelIndex current = popup->currentIndex();
        popup->hide();
        if (current.isValid())
            m_edit->setText(current.data(m_completer->completionRole()).toString());
        QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text(), key->isAutoRepeat(),
                       ushort(key->count()));
        QCoreApplication::sendEvent(m_edit, &copy);
        return true;
    }

private:
    QCompleter *m_completer;
    QLineEdit *m_edit;
};

}

TIE4Completion IE4Complete(const QStringList &entries, const QString &text, int caret, QChar typed)
{
    TIE4Completion result;
    if (typed.isNull())
        return result;
    const QString prefix = text.left(qBound(0, caret, int(text.size()))) + typed;

    int found = findPrefix(entries, prefix);
    QString shown;
    if (found >= 0) {
        shown = entries.at(found);
    } else if (prefix.size() > 6 || !HttpPrefix.startsWith(prefix)) {
        found = findPrefix(entries, HttpPrefix + prefix);
        if (found >= 0)
            shown = entries.at(found).mid(HttpPrefix.size());
    }
    if (found < 0)
        return result;

    result.consumed = true;
    result.index = found;
    result.text = shown;
    result.selStart = int(prefix.size());
    result.selLength = int(shown.size() - prefix.size());
    return result;
}

void TSHAutoComplete(QLineEdit *edit, unsigned flags, const QString &historyPath)
{
    if (!edit || (flags & SHACF_URLALL) == 0 || HasHistoryCompletion(edit))
        return;
    auto *completer = new QCompleter(edit);
    completer->setObjectName(CompleterName);
    auto *model = new TUrlHistoryModel(
        historyPath.isEmpty() ? TUrlHistory::DefaultPath() : historyPath, completer);
    completer->setModel(model);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    // The store already picked the matches, including those that leave out "http://www.";
    // "contains" keeps all of them in the popup.
    completer->setFilterMode(Qt::MatchContains);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setModelSorting(QCompleter::UnsortedModel);
    completer->setMaxVisibleItems(10);
    // The line edit emits textEdited before it asks the completer, so the model is current.
    QObject::connect(edit, &QLineEdit::textEdited, model, &TUrlHistoryModel::SetPrefix);
    edit->setCompleter(completer);
    completer->popup()->installEventFilter(new TPopupEnterFilter(completer, edit));
}

bool HasHistoryCompletion(const QLineEdit *edit)
{
    return edit && edit->completer() && edit->completer()->objectName() == CompleterName;
}
