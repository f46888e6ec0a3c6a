#pragma once
// Domain completion of the address box: Ctrl, Shift or Ctrl+Shift held with Enter wraps
// the typed word into a full address with the pair of strings chosen by the modifiers
// (defaults "http://www." + word + ".com", ".net", ".org").

#include <QString>

class TKWOptions;

enum class TCompletionPair { None, Ctrl, Shift, CtrlShift };

// Ctrl and Shift -> CtrlShift, Ctrl -> Ctrl, Shift -> Shift, neither -> None.
TCompletionPair CompletionPairFor(bool ctrl, bool shift);

// Puts pre in front of text unless text already begins with it, and post after it unless
// text already ends with ".com", ".org" or ".net" (each also with "/"), with post or with
// post + "/". Comparisons are exact. An empty pre or post disables its half; with both
// empty the text is returned as it is. Otherwise surrounding blanks are dropped first and a
// blank text gives "", so completion never invents an address out of nothing.
QString CompleteDomain(const QString &text, const QString &pre, const QString &post);

class TDomainCompletion {
public:
    QString CtrlPre = QStringLiteral("http://www.");
    QString CtrlPost = QStringLiteral(".com");
    QString ShiftPre = QStringLiteral("http://www.");
    QString ShiftPost = QStringLiteral(".net");
    QString CtrlShiftPre = QStringLiteral("http://www.");
    QString CtrlShiftPost = QStringLiteral(".org");

    // LoadAddressCompletion: the six strings from the settings store.
    void Load(const TKWOptions &options);
    // The text after Enter with these modifiers; unchanged without Ctrl and Shift.
    QString Complete(const QString &text, bool ctrl, bool shift) const;
};
