#pragma once
// Address AutoComplete. IE4 style completes from the address box's own list as the user
// types; IE5 style attaches a completer over the URL history store to the box's edit.

#include <QString>
#include <QStringList>

class QLineEdit;

// The result of one typed character under IE4-style completion.
struct TIE4Completion {
    bool consumed = false;   // the character is already part of text; do not type it
    int index = -1;          // the list entry that was found
    QString text;            // the box's new text
    int selStart = 0;        // selected from the end of what was typed ...
    int selLength = 0;       // ... to the end of the text
};

// entries: the drop-down list; text and caret: the box before the key; typed: the
// character. The prefix is the text before the caret plus the character; the first entry
// beginning with it (case-insensitive) is shown; failing that, unless the prefix is a
// beginning of "http://" of at most 6 characters, the first entry beginning with
// "http://" + prefix is shown without its "http://". The text after the caret is replaced.
TIE4Completion IE4Complete(const QStringList &entries, const QString &text, int caret, QChar typed);

// Flags of the platform call.
enum : unsigned {
    SHACF_DEFAULT = 0x0,
    SHACF_URLHISTORY = 0x2,
    SHACF_URLMRU = 0x4,
    SHACF_URLALL = SHACF_URLHISTORY | SHACF_URLMRU
};

// Attaches IE5-style completion to edit when flags ask for the URL history or the typed
// URLs (once; later calls keep the one completer). SHACF_DEFAULT changes nothing, as on the
// platform this stands in for: completion once attached stays until the program restarts.
// historyPath: the history store to complete from (tests use their own).
void TSHAutoComplete(QLineEdit *edit, unsigned flags, const QString &historyPath = QString());
// Whether IE5-style completion is attached to edit.
bool HasHistoryCompletion(const QLineEdit *edit);
