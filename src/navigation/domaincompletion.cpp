#include "navigation/domaincompletion.h"

#include "app/kwoptions.h"

TCompletionPair CompletionPairFor(bool ctrl, bool shift)
{
    if (ctrl && shift)
        return TCompletionPair::CtrlShift;
    if (ctrl)
        return TCompletionPair::Ctrl;
    if (shift)
        return TCompletionPair::Shift;
    return TCompletionPair::None;
}

QString CompleteDomain(const QString &text, const QString &pre, const QString &post)
{
    if (pre.isEmpty() && post.isEmpty())
        return text;
    QString result = text.trimmed();
    if (result.isEmpty())
        return result;
    if (!result.startsWith(pre))
        result.prepend(pre);

    // The fixed endings apply whatever suffix is configured, so ".com" is never
    // followed by ".net".
    static const char *const knownEndings[] = { ".com", ".com/", ".org", ".org/", ".net", ".net/" };
    for (const char *ending : knownEndings) {
        if (result.endsWith(QLatin1String(ending)))
            return result;
    }
    if (result.endsWith(post) || result.endsWith(post + QLatin1Char('/')))
        return result;
    return result + post;
}

void TDomainCompletion::Load(const TKWOptions &options)
{
    CtrlPre = options.CtrlPre();
    CtrlPost = options.CtrlPost();
    ShiftPre = options.ShiftPre();
    ShiftPost = options.ShiftPost();
    CtrlShiftPre = options.CtrlShiftPre();
    CtrlShiftPost = options.CtrlShiftPost();
}

QString TDomainCompletion::Complete(const QString &text, bool ctrl, bool shift) const
{
    switch (CompletionPairFor(ctrl, shift)) {
    case TCompletionPair::Ctrl:
        return CompleteDomain(text, CtrlPre, CtrlPost);
    case TCompletionPair::Shift:
        return CompleteDomain(text, ShiftPre, ShiftPost);
    case TCompletionPair::CtrlShift:
        return CompleteDomain(text, CtrlShiftPre, CtrlShiftPost);
    case TCompletionPair::None:
        break;
    }
    return text;
}
