// The .reg importer. Besides not crashing on any file, the parse must be safe to apply and
// export must carry every value it reads: each value read comes back unchanged from the
// export text of its key.

#include "fuzzcheck.h"

#include "platform/regfile.h"

namespace {

bool sameValue(const RegValue &a, const RegValue &b)
{
    if (a.name != b.name || a.type != b.type)
        return false;
    switch (a.type) {
    case RegType::Sz:
    case RegType::ExpandSz:
        return a.text == b.text;
    case RegType::Dword:
        return a.dword == b.dword;
    case RegType::Qword:
        return a.qword == b.qword;
    case RegType::MultiSz:
        return a.multi == b.multi;
    case RegType::Binary:
    case RegType::None:
        return a.binary == b.binary;
    }
    return false;
}

void checkExportCarries(const RegChange &change)
{
    QString text;
    QString error;
    if (!RegFile::exportText(change.root, {RegKeyContents{change.key, {change.value}}}, &text, &error))
        return;   // a name the format cannot carry is refused, which is fine
    const RegFile::ParseResult again = RegFile::parse(text.toUtf8());
    FUZZ_CHECK(again.ok);
    FUZZ_CHECK(again.skipped.isEmpty());
    FUZZ_CHECK(again.changes.size() == 2);
    FUZZ_CHECK(again.changes[0].kind == RegChange::CreateKey);
    FUZZ_CHECK(again.changes[0].root == change.root && again.changes[0].key == change.key);
    FUZZ_CHECK(again.changes[1].kind == RegChange::SetValue);
    FUZZ_CHECK(sameValue(again.changes[1].value, change.value));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const RegFile::ParseResult result = RegFile::parse(FuzzInput::bytes(data, size));
    if (!result.ok) {
        FUZZ_CHECK(result.changes.isEmpty());
        FUZZ_CHECK(!result.error.isEmpty());
        return 0;
    }
    int lastLine = 0;
    for (const RegFile::Skipped &s : result.skipped) {
        FUZZ_CHECK(s.line > lastLine);   // one report per line, in file order
        FUZZ_CHECK(!s.message.isEmpty());
        lastLine = s.line;
    }
    for (const RegChange &change : result.changes) {
        // A root is never deleted, and key names hold no control characters.
        FUZZ_CHECK(change.kind != RegChange::DeleteKey || !change.key.isEmpty());
        for (QChar c : change.key)
            FUZZ_CHECK(c.unicode() >= 0x20);
        FUZZ_CHECK(!change.key.startsWith(QLatin1Char('\\')) && !change.key.endsWith(QLatin1Char('\\')));
        FUZZ_CHECK(!change.key.contains(QLatin1String("\\\\")));
        if (change.kind != RegChange::SetValue)
            continue;
        FUZZ_CHECK(change.value.exists());
        FUZZ_CHECK(!change.value.text.contains(QChar(0)));
        for (const QString &s : change.value.multi)
            FUZZ_CHECK(!s.isEmpty() && !s.contains(QChar(0)));
        checkExportCarries(change);
    }
    return 0;
}
