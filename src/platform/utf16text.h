#pragma once
// Text decoded from UTF-16 files may hold a surrogate without its pair. Nothing stored as
// UTF-8 (the hive, shortcut files, bookmark files written back) can carry one, so readers
// turn it into U+FFFD at once: what is read is then what is kept.

#include <QString>

inline QString WithoutLoneSurrogates(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}
