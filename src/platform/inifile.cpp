#include "platform/inifile.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSaveFile>
#include <QStringDecoder>

#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Larger files are not initialisation files; reading them whole could take the program
// down, and rewriting what was not read would lose data, so they are left alone.
constexpr qint64 MaxFileBytes = 16 * 1024 * 1024;

// Windows-1252 for the bytes 0x80-0x9F; the five undefined positions keep their code.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString sectionName(const QString &line, bool *isHeader)
{
    const QString t = line.trimmed();
    *isHeader = t.startsWith(QLatin1Char('['));
    if (!*isHeader)
        return QString();
    int end = t.indexOf(QLatin1Char(']'), 1);
    if (end < 0)
        end = t.size();
    return t.mid(1, end - 1).trimmed();
}

bool keyLine(const QString &line, QString *key, QString *value)
{
    const int eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return false;
    *key = line.left(eq).trimmed();
    if (key->isEmpty())
        return false;
    if (value)
        *value = line.mid(eq + 1).trimmed();
    return true;
}

QString unquoted(QString value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && value.back() == first)
            value = value.mid(1, value.size() - 2);
    }
    if (value.size() > TIniFile::MaxValueChars)
        value.truncate(TIniFile::MaxValueChars);
    return value;
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString oneLine(QString text);

// [begin, end) line ranges of every section called `name`, header line included. The name
// is cleaned as a write cleans it, so that a lookup finds the section a write made.
struct SectionRange { int begin; int end; };

QList<SectionRange> findSections(const QStringList &lines, const QString &name)
{
    QList<SectionRange> result;
    const QString wanted = oneLine(name).trimmed();
    for (int i = 0; i < lines.size(); ++i) {
        bool header = false;
        const QString found = sectionName(lines.at(i), &header);
        if (!header)
            continue;
        if (!result.isEmpty() && result.last().end < 0)
            result.last().end = i;
        if (sameName(found, wanted))
            result.append({i, -1});
    }
    if (!result.isEmpty() && result.last().end < 0)
        result.last().end = lines.size();
    return result;
}

// A line's text may not carry line breaks (they would inject lines or sections).
QString oneLine(QString text)
{
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    text.remove(QChar(0));
    return text;
}

// Keys that would not read back as themselves are refused.
bool cleanKey(const QString &key, QString *clean)
{
    *clean = oneLine(key).trimmed();
    return !clean->isEmpty() && !clean->contains(QLatin1Char('='))
        && !clean->startsWith(QLatin1Char('['));
}

// Index after the last non-blank line of a section range: where appended keys go.
int appendPoint(const QStringList &lines, const SectionRange &range)
{
    int at = range.end;
    while (at > range.begin + 1 && lines.at(at - 1).trimmed().isEmpty())
        --at;
    return at;
}

}

TIniFile::TIniFile(const QString &fileName)
    : m_fileName(fileName)
{
}

QString TIniFile::DecodeText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    text.clear();
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const uchar b = static_cast<uchar>(c);
        if (b >= 0x80 && b <= 0x9F)
            text.append(QChar(Cp1252High[b - 0x80]));
        else
            text.append(QChar(b));
    }
    return text;
}

QStringList TIniFile::readLines(bool *ok) const
{
    *ok = true;
    QFile file(m_fileName);
    if (!file.exists())
        return {};
    // Opened without blocking and checked on the open file itself: a FIFO or a device
    // under the file's name (also one swapped in after a check by name) is never read.
    const int fd = ::open(QFile::encodeName(m_fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > MaxFileBytes
        || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0 && !file.isOpen())
            ::close(fd);
        *ok = false;
        return {};
    }
    // Read what the file holds (one byte more shows a file that grew), not a buffer of the
    // largest size allowed: most of these files are a few hundred bytes.
    QString text = DecodeText(file.read(qMin<qint64>(st.st_size, MaxFileBytes) + 1));
    if (file.error() != QFileDevice::NoError) {
        *ok = false;
        return {};
    }
    // A NUL ends a string for the programs that write such files, and a written key or
    // value never holds one: dropped, a name read back is the name written.
    text.remove(QChar(0));
    QStringList lines;
    int start = 0;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

bool TIniFile::writeLines(const QStringList &lines)
{
    QByteArray data;
    for (const QString &line : lines) {
        data += line.toUtf8();
        data += "\r\n";
    }
    QSaveFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("Unable to write to %1: %2").arg(m_fileName, file.errorString());
        return false;
    }
    if (file.write(data) != data.size() || !file.commit()) {
        m_error = QStringLiteral("Unable to write to %1: %2").arg(m_fileName, file.errorString());
        file.cancelWriting();
        return false;
    }
    m_error.clear();
    return true;
}

TIniPairs TIniFile::ReadSectionPairs(const QString &section) const
{
    bool ok = false;
    const QStringList lines = readLines(&ok);
    const QList<SectionRange> ranges = findSections(lines, section);
    if (ranges.isEmpty())
        return {};
    TIniPairs pairs;
    QSet<QString> seen;
    int blockBytes = 1;   // the block's closing NUL
    const SectionRange range = ranges.first();
    for (int i = range.begin + 1; i < range.end; ++i) {
        QString key, value;
        if (!keyLine(lines.at(i), &key, &value))
            continue;
        const QString folded = key.toCaseFolded();
        if (seen.contains(folded))
            continue;
        blockBytes += key.toUtf8().size() + 1;
        if (blockBytes > KeyBlockBytes)
            break;
        seen.insert(folded);
        pairs.append({key, unquoted(value)});
    }
    return pairs;
}

QStringList TIniFile::ReadSectionKeys(const QString &section) const
{
    QStringList keys;
    for (const TIniPair &pair : ReadSectionPairs(section))
        keys.append(pair.first);
    return keys;
}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &def) const
{
    // A single key is looked up directly: the key-block limit is only the listing's.
    bool ok = false;
    const QStringList lines = readLines(&ok);
    const QList<SectionRange> ranges = findSections(lines, section);
    if (ranges.isEmpty())
        return def;
    const QString wanted = oneLine(key).trimmed();   // as a write cleans it
    for (int i = ranges.first().begin + 1; i < ranges.first().end; ++i) {
        QString found, value;
        if (keyLine(lines.at(i), &found, &value) && sameName(found, wanted))
            return unquoted(value);
    }
    return def;
}

bool TIniFile::SectionExists(const QString &section) const
{
    bool ok = false;
    return !findSections(readLines(&ok), section).isEmpty();
}

bool TIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    QString cleanedKey;
    if (!cleanKey(key, &cleanedKey)) {
        m_error = QStringLiteral("Invalid key name \"%1\"").arg(key);
        return false;
    }
    bool ok = false;
    QStringList lines = readLines(&ok);
    if (!ok) {
        m_error = QStringLiteral("Unable to read %1").arg(m_fileName);
        return false;
    }
    const QString newLine = cleanedKey + QLatin1Char('=') + oneLine(value);
    const QList<SectionRange> ranges = findSections(lines, section);
    if (ranges.isEmpty()) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines.append(QString());
        lines.append(QLatin1Char('[') + oneLine(section).trimmed() + QLatin1Char(']'));
        lines.append(newLine);
        return writeLines(lines);
    }
    const SectionRange range = ranges.first();
    for (int i = range.begin + 1; i < range.end; ++i) {
        QString existing;
        if (keyLine(lines.at(i), &existing, nullptr) && sameName(existing, cleanedKey)) {
            lines[i] = existing + QLatin1Char('=') + oneLine(value);
            return writeLines(lines);
        }
    }
    lines.insert(appendPoint(lines, range), newLine);
    return writeLines(lines);
}

bool TIniFile::DeleteKey(const QString &section, const QString &key)
{
    bool ok = false;
    QStringList lines = readLines(&ok);
    if (!ok) {
        m_error = QStringLiteral("Unable to read %1").arg(m_fileName);
        return false;
    }
    const QList<SectionRange> ranges = findSections(lines, section);
    if (ranges.isEmpty())
        return true;
    const QString wanted = oneLine(key).trimmed();   // as a write cleans it
    bool changed = false;
    for (int i = ranges.first().end - 1; i > ranges.first().begin; --i) {
        QString existing;
        if (keyLine(lines.at(i), &existing, nullptr) && sameName(existing, wanted)) {
            lines.removeAt(i);
            changed = true;
        }
    }
    return !changed || writeLines(lines);
}

bool TIniFile::EraseSection(const QString &section)
{
    return WriteSection(section, {});
}

bool TIniFile::WriteSection(const QString &section, const TIniPairs &pairs)
{
    // Later pairs with a key already written replace its value in place, as a sequence of
    // single writes would.
    QStringList keyOrder;
    QHash<QString, QString> values;
    for (const TIniPair &pair : pairs) {
        QString key;
        if (!cleanKey(pair.first, &key)) {
            m_error = QStringLiteral("Invalid key name \"%1\"").arg(pair.first);
            return false;
        }
        const QString folded = key.toCaseFolded();
        if (!values.contains(folded))
            keyOrder.append(key);
        values.insert(folded, oneLine(pair.second));
    }
    QStringList block;
    for (const QString &key : std::as_const(keyOrder))
        block.append(key + QLatin1Char('=') + values.value(key.toCaseFolded()));

    bool ok = false;
    QStringList lines = readLines(&ok);
    if (!ok) {
        m_error = QStringLiteral("Unable to read %1").arg(m_fileName);
        return false;
    }
    const QList<SectionRange> ranges = findSections(lines, section);
    if (ranges.isEmpty() && block.isEmpty()) {
        m_error.clear();
        return true;
    }
    // Remove every copy of the section, last first so earlier ranges stay valid; the
    // new block goes where the first copy stood.
    int insertAt = -1;
    for (int r = ranges.size() - 1; r >= 0; --r) {
        const SectionRange range = ranges.at(r);
        const int keepFrom = block.isEmpty() ? range.end : appendPoint(lines, range);
        for (int i = keepFrom - 1; i >= range.begin; --i)
            lines.removeAt(i);
        insertAt = range.begin;
    }
    if (!block.isEmpty()) {
        block.prepend(QLatin1Char('[') + oneLine(section).trimmed() + QLatin1Char(']'));
        if (insertAt < 0) {
            insertAt = lines.size();
            if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
                block.prepend(QString());
        }
        for (int i = 0; i < block.size(); ++i)
            lines.insert(insertAt + i, block.at(i));
    }
    return writeLines(lines);
}
