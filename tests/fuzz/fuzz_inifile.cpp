// The profile-string reader and the readers built on it: group files, Internet shortcuts
// and the toolbar layout. The listing of a section and the lookup of one key must agree,
// and writing one key must leave every other key of the file reading as before.

#include "fuzzcheck.h"

#include "favorites/urlshortcut.h"
#include "groups/vessagroup.h"
#include "options/toolbarcatalogue.h"
#include "platform/inifile.h"

#include <QMap>
#include <QRegularExpression>

namespace {

// Names to look at: the sections the program reads, and those the file names (its header
// lines, cut at "]"). More names than the reader would find does no harm.
QStringList candidateSections(const QByteArray &bytes)
{
    QStringList names{QStringLiteral("InternetShortcut"), QStringLiteral("VessaGroup"),
                      QStringLiteral("Toolbar")};
    QString text = TIniFile::DecodeText(bytes);
    text.remove(QChar(0));   // as the reader drops them
    for (QString line : text.split(QRegularExpression(QStringLiteral("[\r\n]")))) {
        line = line.trimmed();
        if (!line.startsWith(QLatin1Char('[')))
            continue;
        const int end = line.indexOf(QLatin1Char(']'));
        const QString name = line.mid(1, end < 0 ? -1 : end - 1).trimmed();
        if (!names.contains(name, Qt::CaseInsensitive))
            names << name;
        if (names.size() >= 8)
            break;
    }
    return names;
}

const QString Missing = QStringLiteral("\x01missing");

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzInput::bytes(data, size);
    const QString path = FuzzInput::writeScratchFile(QStringLiteral("input.url"), bytes);
    if (path.isEmpty())
        return 0;
    TIniFile ini(path);
    const QStringList sections = candidateSections(bytes);

    QMap<QString, TIniPairs> before;
    for (const QString &section : sections) {
        const TIniPairs pairs = ini.ReadSectionPairs(section);
        before.insert(section.toCaseFolded(), pairs);
        FUZZ_CHECK(ini.SectionExists(section) || pairs.isEmpty());
        for (const TIniPair &pair : pairs) {
            FUZZ_CHECK(!pair.first.isEmpty() && pair.second.size() <= TIniFile::MaxValueChars);
            FUZZ_CHECK(ini.ReadString(section, pair.first, Missing) == pair.second);
        }
    }
    FUZZ_CHECK(ReadShortcutUrl(path) == ini.ReadString(QStringLiteral("InternetShortcut"), QStringLiteral("URL"), QString()));
    for (const TGroupTabPlan &plan : ReadGroupTabPlans(path))
        FUZZ_CHECK(!plan.Address.isEmpty());
    bool exists = false;
    TToolbarCatalogue::ReadLayout(path, &exists);
    FUZZ_CHECK(exists);

    // One write: a key of the first named section (its first key, or a new one).
    if (size > 4096)
        return 0;   // the section listing's size limit would cut the comparison short
    const QString section = sections.value(3, sections.first());
    const TIniPairs pairs = before.value(section.toCaseFolded());
    const QString key = pairs.isEmpty() ? QStringLiteral("FuzzKey") : pairs.first().first;
    const QString value = QStringLiteral("w=\"v\" [x] ;y");
    if (!ini.WriteString(section, key, value))
        return 0;
    FUZZ_CHECK(ini.ReadString(section, key, Missing) == value);
    for (const QString &other : sections) {
        TIniPairs expected = before.value(other.toCaseFolded());
        if (other.compare(section, Qt::CaseInsensitive) == 0) {
            if (pairs.isEmpty())
                expected.append({key, value});
            else
                expected.first().second = value;
        }
        FUZZ_CHECK(ini.ReadSectionPairs(other) == expected);
    }
    return 0;
}
