#include "platform/regfile.h"

#include "platform/utf16text.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTextStream>

#include <algorithm>
#include <cctype>

namespace {

const QLatin1String Header5("Windows Registry Editor Version 5.00");
const QLatin1String Header4("REGEDIT4");

struct RootAlias {
    const char *longName;
    const char *shortName;
    RegRoot root;
};
const RootAlias Roots[] = {
    {"HKEY_CURRENT_USER", "HKCU", RegRoot::CurrentUser},
    {"HKEY_LOCAL_MACHINE", "HKLM", RegRoot::LocalMachine},
    {"HKEY_CLASSES_ROOT", "HKCR", RegRoot::ClassesRoot},
};
// Windows roots this hive does not hold: their sections are skipped on import.
const char *const ForeignRoots[] = {"HKEY_USERS", "HKU", "HKEY_CURRENT_CONFIG", "HKCC",
                                    "HKEY_PERFORMANCE_DATA", "HKEY_DYN_DATA"};

QByteArray utf16le(const QString &text)
{
    QByteArray bytes;
    bytes.reserve((text.size() + 1) * 2);
    for (QChar c : text) {
        bytes.append(char(c.unicode() & 0xff));
        bytes.append(char(c.unicode() >> 8));
    }
    bytes.append(2, '\0');   // the terminating NUL the format carries
    return bytes;
}

bool fromUtf16le(const QByteArray &bytes, QString *text)
{
    if (bytes.size() % 2)
        return false;
    QString s;
    s.reserve(bytes.size() / 2);
    for (int i = 0; i < bytes.size(); i += 2)
        s.append(QChar(char16_t(uchar(bytes[i]) | (uchar(bytes[i + 1]) << 8))));
    if (s.endsWith(QChar(0)))
        s.chop(1);
    *text = WithoutLoneSurrogates(s);
    return true;
}

// "hex:" data as the registry editor writes it: two-digit bytes, wrapped with ",\".
QString hexData(const QString &prefix, const QByteArray &bytes)
{
    QString out = prefix;
    int column = prefix.size();
    for (int i = 0; i < bytes.size(); ++i) {
        QString token = QString::number(uchar(bytes[i]), 16).rightJustified(2, QLatin1Char('0'));
        if (i + 1 < bytes.size())
            token += QLatin1Char(',');
        if (column + token.size() > 77 && i > 0) {
            out += QLatin1String("\\\n  ");
            column = 2;
        }
        out += token;
        column += token.size();
    }
    return out;
}

bool hasLineBreak(const QString &s)
{
    return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
}

bool representableAsString(const QString &s)
{
    return !hasLineBreak(s) && !s.contains(QChar(0));
}

struct Cursor {
    const QString &text;
    int pos = 0;
    bool atEnd() const { return pos >= text.size(); }
    QChar peek() const { return atEnd() ? QChar() : text.at(pos); }
    void skipBlanks()
    {
        while (!atEnd() && (text.at(pos) == QLatin1Char(' ') || text.at(pos) == QLatin1Char('\t')))
            ++pos;
    }
};

// Reads a quoted string starting at the opening quote. "\\" and "\"" are the only escapes:
// the Windows registry editor drops a line with any other backslash sequence (such as a
// "C:\Path" written without doubling), so the caller skips it. The string is still read to
// its end, so that the rest of the line can be found.
enum class Quoted { Ok, Unterminated, BadEscape };
Quoted readQuoted(Cursor &c, QString *out, QString *problem)
{
    ++c.pos;   // the opening quote
    QString s;
    Quoted result = Quoted::Ok;
    while (!c.atEnd()) {
        const QChar ch = c.text.at(c.pos++);
        if (ch == QLatin1Char('"')) {
            *out = s;
            return result;
        }
        if (ch == QLatin1Char('\\') && !c.atEnd()) {
            const QChar next = c.text.at(c.pos++);
            if (next != QLatin1Char('\\') && next != QLatin1Char('"') && result == Quoted::Ok) {
                *problem = QStringLiteral("unknown escape \"\\%1\" in a string").arg(next);
                result = Quoted::BadEscape;
            }
            s += next;
            continue;
        }
        s += ch;
    }
    *problem = QStringLiteral("unterminated string");
    return Quoted::Unterminated;
}

// The data of a line without its ";" comment (dword, hex and "-" data hold no ";").
QString withoutComment(const QString &data)
{
    const int semicolon = data.indexOf(QLatin1Char(';'));
    return (semicolon < 0 ? data : data.left(semicolon)).trimmed();
}

// Comma-separated two-digit bytes; one comma may end the list.
bool parseHexBytes(const QString &list, QByteArray *out)
{
    QByteArray bytes;
    QString trimmed = list.trimmed();
    if (trimmed.endsWith(QLatin1Char(',')))
        trimmed.chop(1);
    if (!trimmed.isEmpty()) {
        for (const QString &part : trimmed.split(QLatin1Char(','))) {
            const QString p = part.trimmed();
            if (p.isEmpty() || p.size() > 2)
                return false;
            for (QChar ch : p) {
                if (ch.unicode() >= 0x80 || !isxdigit(ch.toLatin1()))
                    return false;
            }
            bytes.append(char(p.toUInt(nullptr, 16)));
        }
    }
    *out = bytes;
    return true;
}

// The strings of REG_MULTI_SZ data: each ends with a NUL and an empty string ends the list.
QStringList splitMulti(const QString &text)
{
    QStringList strings;
    for (const QString &s : text.split(QChar(0))) {
        if (s.isEmpty())
            break;
        strings << s;
    }
    return strings;
}

quint64 littleEndian(const QByteArray &bytes)
{
    quint64 v = 0;
    for (int i = bytes.size() - 1; i >= 0; --i)
        v = v << 8 | uchar(bytes[i]);
    return v;
}

// Hex data goes on over the following lines while a line ends with "\" (a ";" comment may
// follow it). The file may end inside the data: what came so far counts. A "\" on a line
// without any data before it continues nothing, and the value is refused.
bool joinHexLines(const QString &first, const QStringList &lines, int *index, QString *joined,
                  QString *problem)
{
    const int colon = first.indexOf(QLatin1Char(':'));
    QString out = colon < 0 ? QString() : first.left(colon + 1);
    QString piece = withoutComment(colon < 0 ? first : first.mid(colon + 1));
    bool lone = false;
    while (piece.endsWith(QLatin1Char('\\'))) {
        piece.chop(1);
        piece = piece.trimmed();
        lone = lone || piece.isEmpty();
        out += piece;
        piece.clear();
        if (*index >= lines.size())
            break;
        piece = withoutComment(lines.at((*index)++));
    }
    out += piece;
    if (lone) {
        *problem = QStringLiteral("a \"\\\" continues a line that holds no data");
        return false;
    }
    *joined = out;
    return true;
}

enum class Outcome { Value, Delete, Skip };

// Parses the data part of a value line (after "="), hex data already joined from its
// continuation lines. On Skip, *problem says why the line is dropped.
Outcome parseData(const QString &data, bool wideStrings, RegValue *value, QString *problem)
{
    const QString d = data.trimmed();
    if (d.startsWith(QLatin1Char('-')) && withoutComment(d.mid(1)).isEmpty())
        return Outcome::Delete;
    if (d.startsWith(QLatin1Char('"'))) {
        Cursor c{d};
        QString text;
        if (readQuoted(c, &text, problem) != Quoted::Ok)
            return Outcome::Skip;
        c.skipBlanks();
        if (!c.atEnd() && c.peek() != QLatin1Char(';')) {
            *problem = QStringLiteral("unexpected text after the string");
            return Outcome::Skip;
        }
        if (const int nul = text.indexOf(QChar(0)); nul >= 0)
            text.truncate(nul);   // as in hex(1) data below
        value->type = RegType::Sz;
        value->text = text;
        return Outcome::Value;
    }
    if (d.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        const QString digits = withoutComment(d.mid(6));
        bool ok = false;
        const uint v = digits.toUInt(&ok, 16);
        if (!ok || digits.isEmpty() || digits.size() > 8 || digits.startsWith(QLatin1Char('+'))) {
            *problem = QStringLiteral("invalid dword data \"%1\"").arg(digits.left(40));
            return Outcome::Skip;
        }
        value->type = RegType::Dword;
        value->dword = v;
        return Outcome::Value;
    }
    if (!d.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
        *problem = QStringLiteral("unrecognised data \"%1\"").arg(d.left(40));
        return Outcome::Skip;
    }
    const int colon = d.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        *problem = QStringLiteral("invalid hex data");
        return Outcome::Skip;
    }
    const QString kind = d.left(colon).mid(3).trimmed();
    int type = 3;
    if (!kind.isEmpty()) {
        bool ok = false;
        if (kind.size() >= 3 && kind.startsWith(QLatin1Char('(')) && kind.endsWith(QLatin1Char(')')))
            type = kind.mid(1, kind.size() - 2).toInt(&ok, 16);
        if (!ok) {
            *problem = QStringLiteral("invalid hex type \"%1\"").arg(kind.left(20));
            return Outcome::Skip;
        }
    }
    QByteArray bytes;
    if (!parseHexBytes(d.mid(colon + 1), &bytes)) {
        *problem = QStringLiteral("invalid hex data");
        return Outcome::Skip;
    }
    QString text;
    switch (type) {
    case 1:
    case 2:
    case 7:
        // Version 5 files carry strings as UTF-16LE; REGEDIT4 files in the ANSI code page.
        if (!wideStrings) {
            text = QString::fromLatin1(bytes);
        } else if (!fromUtf16le(bytes, &text)) {
            *problem = QStringLiteral("string data of odd length");
            return Outcome::Skip;
        }
        if (type == 7) {
            value->type = RegType::MultiSz;
            value->multi = splitMulti(text);
            return Outcome::Value;
        }
        // A string ends at its first NUL, as every reader of such a value sees it; what
        // follows (padding, a second terminator) is not part of it. Kept, it would make
        // "Last" read as "Last\0" and match no setting.
        if (const int nul = text.indexOf(QChar(0)); nul >= 0)
            text.truncate(nul);
        value->type = type == 1 ? RegType::Sz : RegType::ExpandSz;
        value->text = text;
        return Outcome::Value;
    case 3:
        value->type = RegType::Binary;
        value->binary = bytes;
        return Outcome::Value;
    case 4:
    case 5:
    case 0xb:
        // No data reads as zero; otherwise the size must be the type's.
        if (!bytes.isEmpty() && bytes.size() != (type == 0xb ? 8 : 4)) {
            *problem = QStringLiteral("hex(%1) data must have %2 bytes")
                           .arg(type, 0, 16).arg(type == 0xb ? 8 : 4);
            return Outcome::Skip;
        }
        if (type == 5)
            std::reverse(bytes.begin(), bytes.end());
        if (type == 0xb) {
            value->type = RegType::Qword;
            value->qword = littleEndian(bytes);
        } else {
            value->type = RegType::Dword;
            value->dword = quint32(littleEndian(bytes));
        }
        return Outcome::Value;
    default:
        *problem = QStringLiteral("values of type hex(%1) are not supported").arg(type, 0, 16);
        return Outcome::Skip;
    }
}

const QLatin1String NotFound(
    "ERROR: The system was unable to find the specified registry key or value.");
const QLatin1String Done("The operation completed successfully.");
const QLatin1String Cancelled("The operation was cancelled by the user.");

class Tool {
public:
    Tool(QTextStream &out, QTextStream &err, QTextStream &in) : m_out(out), m_err(err), m_in(in) {}

    int run(const QStringList &args);

private:
    struct Options {
        QStringList positional;
        bool help = false;
        bool hasV = false, ve = false, va = false, s = false, f = false, y = false;
        bool hasT = false, hasD = false, hasSeparator = false;
        QString v, t, d, separator;
    };

    int usage(QTextStream &to, int code);
    int syntax(const QString &why);
    int fail(const QString &message);
    int registryFailure(const RegistryError &e);
    bool parseOptions(const QStringList &args, const QString &positionals, const QString &allowed,
                      Options *o);
    bool keyArgument(const QString &arg, RegRoot *root, QString *path);
    bool ask(const QString &question);

    int query(const Options &o);
    int add(const Options &o);
    int remove(const Options &o);
    int exportKey(const Options &o);
    int import(const Options &o);

    QTextStream &m_out;
    QTextStream &m_err;
    QTextStream &m_in;
};

int Tool::usage(QTextStream &to, int code)
{
    to << "Usage: tabvane-reg OPERATION [arguments]\n"
          "\n"
          "  query  KEY [/v NAME | /ve] [/s]\n"
          "  add    KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f]\n"
          "  delete KEY [/v NAME | /ve | /va] [/f]\n"
          "  export KEY FILE [/y]\n"
          "  import FILE\n"
          "\n"
          "KEY    ROOT\\path; ROOT is HKCU, HKLM, HKCR or HKEY_CURRENT_USER,\n"
          "       HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT.\n"
          "/v     the value NAME; /ve the unnamed (Default) value; /va every value of KEY.\n"
          "       add without /v or /ve sets the (Default) value (empty unless /d).\n"
          "/s     query: KEY and every key below it; add: the character that separates\n"
          "       the strings of REG_MULTI_SZ data (default \\0, also /se).\n"
          "/t     REG_SZ (default), REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD\n"
          "       (decimal or 0x hex), REG_BINARY (hex digits).\n"
          "/d     the data to store; REG_DWORD and REG_QWORD need it.\n"
          "/f     overwrite or delete without asking.\n"
          "/y     overwrite FILE without asking.\n"
          "\n"
          "export writes the .reg format (\"Windows Registry Editor Version 5.00\") in UTF-8\n"
          "with LF line ends; import also reads UTF-16LE files with a byte order mark, as\n"
          "the Windows registry editor writes them. Like Windows, import skips a line it\n"
          "cannot read, names it on stderr and applies the rest. The hive is "
       << TRegistry::hivePath() << "\n(set TABVANE_REGISTRY to use another file).\n";
    to.flush();
    return code;
}

int Tool::syntax(const QString &why)
{
    m_err << "ERROR: Invalid syntax. " << why << "\nType \"tabvane-reg /?\" for usage.\n";
    m_err.flush();
    return 1;
}

int Tool::fail(const QString &message)
{
    m_err << message << '\n';
    m_err.flush();
    return 1;
}

int Tool::registryFailure(const RegistryError &e)
{
    QString text = QStringLiteral("ERROR: ") + e.message();
    if (!e.detail().isEmpty())
        text += QStringLiteral(": ") + e.detail();
    return fail(text);
}

// The arguments named in `positionals` ("KEY", "KEY FILE") come first, as the Windows reg
// tool takes them; after them only the switches in `allowed` may follow, each at most
// once ("v:" takes an argument). "/?" or "/h" anywhere asks for the usage.
bool Tool::parseOptions(const QStringList &args, const QString &positionals, const QString &allowed,
                        Options *o)
{
    const QStringList names = positionals.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QStringList switches = allowed.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QHash<QString, QString> given;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool looksLikeSwitch = a.size() >= 2
            && (a.startsWith(QLatin1Char('/')) || a.startsWith(QLatin1Char('-')));
        const QString name = looksLikeSwitch ? a.mid(1).toLower() : QString();
        if (name == QLatin1String("?") || name == QLatin1String("h")) {
            o->help = true;
            return true;
        }
        const bool flag = switches.contains(name);
        const bool withArgument = switches.contains(name + QLatin1Char(':'));
        if (i < names.size()) {
            if (flag || withArgument) {
                syntax(QStringLiteral("%1 given where %2 belongs.").arg(a, names[i]));
                return false;
            }
            o->positional << a;
            continue;
        }
        if (!flag && !withArgument) {
            syntax(QStringLiteral("Unexpected argument \"%1\".").arg(a));
            return false;
        }
        if (given.contains(name)) {
            syntax(QStringLiteral("%1 given twice.").arg(a));
            return false;
        }
        if (withArgument) {
            if (i + 1 >= args.size()) {
                syntax(QStringLiteral("%1 needs an argument.").arg(a));
                return false;
            }
            given.insert(name, args[++i]);
        } else {
            given.insert(name, QString());
        }
    }
    o->hasV = given.contains(QStringLiteral("v"));
    o->v = given.value(QStringLiteral("v"));
    o->hasT = given.contains(QStringLiteral("t"));
    o->t = given.value(QStringLiteral("t"));
    o->hasD = given.contains(QStringLiteral("d"));
    o->d = given.value(QStringLiteral("d"));
    o->ve = given.contains(QStringLiteral("ve"));
    o->va = given.contains(QStringLiteral("va"));
    o->f = given.contains(QStringLiteral("f"));
    o->y = given.contains(QStringLiteral("y"));
    if (switches.contains(QStringLiteral("s:"))) {
        // add: "/s" (and "/se") name the REG_MULTI_SZ separator.
        if (given.contains(QStringLiteral("s")) && given.contains(QStringLiteral("se"))) {
            syntax(QStringLiteral("Use only one of /s and /se."));
            return false;
        }
        o->hasSeparator = given.contains(QStringLiteral("s")) || given.contains(QStringLiteral("se"));
        o->separator = given.value(QStringLiteral("s"), given.value(QStringLiteral("se")));
    } else {
        o->s = given.contains(QStringLiteral("s"));
    }
    if (int(o->hasV) + int(o->ve) + int(o->va) > 1) {
        syntax(QStringLiteral("Use only one of /v, /ve and /va."));
        return false;
    }
    return true;
}

// A key named with an empty part ("HKCU\", "HKCU\Software\\X") is refused rather than
// taken as its root or its parent.
bool Tool::keyArgument(const QString &arg, RegRoot *root, QString *path)
{
    const QString trimmed = arg.trimmed();
    if (RegFile::parseKeyName(trimmed, root, path) && !trimmed.endsWith(QLatin1Char('\\'))
        && !trimmed.contains(QLatin1String("\\\\")))
        return true;
    fail(QStringLiteral("ERROR: Invalid key name \"%1\". Keys start with HKCU, HKLM or HKCR.").arg(arg));
    return false;
}

// Asks until the answer is yes or no; the end of input means no.
bool Tool::ask(const QString &question)
{
    for (;;) {
        m_out << question << ' ';
        m_out.flush();
        const QString answer = m_in.readLine();
        if (answer.isNull()) {
            m_out << '\n';   // no answer: end the question's line
            m_out.flush();
            return false;
        }
        const QString a = answer.trimmed().toLower();
        if (a == QLatin1String("y") || a == QLatin1String("yes"))
            return true;
        if (a == QLatin1String("n") || a == QLatin1String("no"))
            return false;
    }
}

int Tool::query(const Options &o)
{
    if (o.positional.size() != 1 || o.hasT || o.hasD)
        return syntax(QStringLiteral("query takes one KEY."));
    RegRoot root;
    QString path;
    if (!keyArgument(o.positional[0], &root, &path))
        return 1;
    TRegistry reg(root);
    try {
        if (!reg.keyExists(path))
            return fail(NotFound);
        const bool oneValue = o.hasV || o.ve;
        const QString wanted = o.ve ? QString() : o.v;
        if (o.s) {
            int matches = 0;
            for (const RegKeyContents &key : reg.tree(path)) {
                QStringList lines;
                for (const RegValue &v : key.values) {
                    if (!oneValue || v.name.compare(wanted, Qt::CaseInsensitive) == 0)
                        lines << RegFile::queryLine(v);
                }
                if (oneValue && lines.isEmpty())
                    continue;
                matches += oneValue ? lines.size() : 1;
                m_out << '\n' << RegFile::fullKeyName(root, key.path) << '\n';
                for (const QString &line : lines)
                    m_out << line << '\n';
            }
            if (oneValue) {
                m_out << "\nEnd of search: " << matches << " match(es) found.\n";
                m_out.flush();
                return matches ? 0 : 1;
            }
            m_out << '\n';
            m_out.flush();
            return 0;
        }
        if (oneValue) {
            const RegValue v = reg.readValue(path, wanted);
            if (!v.exists() && !o.ve)
                return fail(NotFound);
            m_out << '\n' << RegFile::fullKeyName(root, path) << '\n'
                  << (v.exists() ? RegFile::queryLine(v)
                                 : QStringLiteral("    (Default)    REG_SZ    (value not set)"))
                  << "\n\n";
            m_out.flush();
            return 0;
        }
        // The key's own block only when it has values (or nothing at all to list); a key of
        // subkeys alone lists just their names, as the Windows reg tool does.
        const QList<RegValue> values = reg.values(path);
        const QStringList subkeys = reg.subKeyNames(path);
        if (!values.isEmpty() || subkeys.isEmpty()) {
            m_out << '\n' << RegFile::fullKeyName(root, path) << '\n';
            for (const RegValue &v : values)
                m_out << RegFile::queryLine(v) << '\n';
        }
        m_out << '\n';
        for (const QString &sub : subkeys)
            m_out << RegFile::fullKeyName(root, path.isEmpty() ? sub : path + QLatin1Char('\\') + sub)
                  << '\n';
        m_out.flush();
        return 0;
    } catch (const RegistryError &e) {
        m_out.flush();
        return registryFailure(e);
    }
}

// Decimal or 0x hex, at most `max`.
bool parseNumber(const QString &text, quint64 max, quint64 *out)
{
    const QString d = text.trimmed();
    const bool hex = d.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    const QString digits = hex ? d.mid(2) : d;
    if (digits.isEmpty() || !digits.at(0).isLetterOrNumber())
        return false;
    bool ok = false;
    const quint64 v = digits.toULongLong(&ok, hex ? 16 : 10);
    if (!ok || v > max)
        return false;
    *out = v;
    return true;
}

int Tool::add(const Options &o)
{
    if (o.positional.size() != 1)
        return syntax(QStringLiteral("add takes one KEY."));
    RegRoot root;
    QString path;
    if (!keyArgument(o.positional[0], &root, &path))
        return 1;
    // Without /v the (Default) value is set, to the empty string unless /d says otherwise.
    RegValue value;
    value.name = o.hasV ? o.v : QString();
    value.type = RegType::Sz;
    if (o.hasT && !RegFile::parseTypeName(o.t, &value.type)) {
        const QString t = o.t.toUpper();
        if (t == QLatin1String("REG_NONE") || t == QLatin1String("REG_DWORD_BIG_ENDIAN")
            || t == QLatin1String("REG_DWORD_LITTLE_ENDIAN") || t == QLatin1String("REG_LINK")
            || t == QLatin1String("REG_FULL_RESOURCE_DESCRIPTOR"))
            return fail(QStringLiteral("ERROR: %1 values are not supported by this registry.").arg(t));
        return fail(QStringLiteral("ERROR: Invalid type \"%1\".").arg(o.t));
    }
    if (o.hasSeparator && value.type != RegType::MultiSz)
        return syntax(QStringLiteral("A separator is only used with REG_MULTI_SZ."));
    if (!o.hasD && (value.type == RegType::Dword || value.type == RegType::Qword))
        return syntax(QStringLiteral("%1 needs /d DATA.").arg(RegFile::typeName(value.type)));
    switch (value.type) {
    case RegType::Sz:
    case RegType::ExpandSz:
        value.text = o.d;
        break;
    case RegType::Dword:
    case RegType::Qword: {
        const bool dword = value.type == RegType::Dword;
        quint64 v = 0;
        if (!parseNumber(o.d, dword ? 0xFFFFFFFFull : ~quint64(0), &v))
            return fail(QStringLiteral("ERROR: Invalid %1 data \"%2\" (a number from 0 to %3, or 0x hex).")
                            .arg(RegFile::typeName(value.type), o.d,
                                 QString::number(dword ? 0xFFFFFFFFull : ~quint64(0))));
        value.dword = quint32(v);
        value.qword = v;
        break;
    }
    case RegType::MultiSz: {
        // The strings are split at "\0" (two characters) or at the /s character; a
        // separator at the end ends the list and adds no string.
        const QString separator = o.hasSeparator ? o.separator : QStringLiteral("\\0");
        if (o.hasSeparator && separator.size() != 1)
            return syntax(QStringLiteral("The separator must be one character."));
        QStringList strings = o.d.isEmpty() ? QStringList() : o.d.split(separator);
        if (!strings.isEmpty() && strings.last().isEmpty())
            strings.removeLast();
        if (strings.contains(QString()))
            return fail(QStringLiteral("ERROR: Invalid REG_MULTI_SZ data \"%1\": a string of it is empty.")
                            .arg(o.d));
        value.multi = strings;
        break;
    }
    case RegType::Binary: {
        const QString d = o.d.trimmed();
        bool ok = d.size() % 2 == 0;
        for (QChar c : d)
            ok = ok && isxdigit(c.toLatin1()) && c.unicode() < 0x80;
        if (!ok)
            return fail(QStringLiteral("ERROR: Invalid REG_BINARY data \"%1\" (pairs of hex digits).")
                            .arg(o.d));
        value.binary = QByteArray::fromHex(d.toLatin1());
        break;
    }
    case RegType::None:
        break;
    }
    TRegistry reg(root);
    try {
        if (!o.f && reg.valueExists(path, value.name)
            && !ask(QStringLiteral("Value %1 exists, overwrite(Yes/No)?")
                        .arg(RegFile::displayName(value.name)))) {
            return fail(Cancelled);
        }
        reg.writeValue(path, value);
    } catch (const RegistryError &e) {
        return registryFailure(e);
    }
    m_out << Done << '\n';
    m_out.flush();
    return 0;
}

int Tool::remove(const Options &o)
{
    if (o.positional.size() != 1 || o.hasT || o.hasD)
        return syntax(QStringLiteral("delete takes one KEY."));
    RegRoot root;
    QString path;
    if (!keyArgument(o.positional[0], &root, &path))
        return 1;
    const QString full = RegFile::fullKeyName(root, path);
    TRegistry reg(root);
    try {
        if (!reg.keyExists(path))
            return fail(NotFound);
        if (o.hasV || o.ve) {
            const QString name = o.ve ? QString() : o.v;
            if (!reg.valueExists(path, name))
                return fail(NotFound);
            if (!o.f && !ask(QStringLiteral("Delete the registry value %1 (Yes/No)?")
                                 .arg(RegFile::displayName(name))))
                return fail(Cancelled);
            reg.deleteValue(path, name);
        } else if (o.va) {
            if (!o.f
                && !ask(QStringLiteral("Delete all values under the registry key %1 (Yes/No)?").arg(full)))
                return fail(Cancelled);
            QList<RegChange> changes;
            for (const QString &name : reg.valueNames(path)) {
                RegValue v;
                v.name = name;
                changes << RegChange{RegChange::DeleteValue, root, path, v};
            }
            TRegistry::apply(changes);
        } else {
            if (path.isEmpty())
                return fail(QStringLiteral("ERROR: A root key cannot be deleted."));
            if (!o.f
                && !ask(QStringLiteral("Permanently delete the registry key %1 (Yes/No)?").arg(full)))
                return fail(Cancelled);
            reg.deleteKey(path);
        }
    } catch (const RegistryError &e) {
        return registryFailure(e);
    }
    m_out << Done << '\n';
    m_out.flush();
    return 0;
}

int Tool::exportKey(const Options &o)
{
    if (o.positional.size() != 2)
        return syntax(QStringLiteral("export takes KEY and FILE."));
    RegRoot root;
    QString path;
    if (!keyArgument(o.positional[0], &root, &path))
        return 1;
    const QString fileName = o.positional[1];
    QString text;
    try {
        const QList<RegKeyContents> keys = TRegistry(root).tree(path);
        if (keys.isEmpty())
            return fail(NotFound);
        QString error;
        if (!RegFile::exportText(root, keys, &text, &error))
            return fail(QStringLiteral("ERROR: ") + error);
    } catch (const RegistryError &e) {
        return registryFailure(e);
    }
    if (QFileInfo::exists(fileName) && !o.y
        && !ask(QStringLiteral("File %1 already exists. Overwrite (Yes/No)?").arg(fileName)))
        return fail(Cancelled);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        return fail(QStringLiteral("ERROR: Cannot write %1: %2").arg(fileName, file.errorString()));
    m_out << Done << '\n';
    m_out.flush();
    return 0;
}

int Tool::import(const Options &o)
{
    if (o.positional.size() != 1)
        return syntax(QStringLiteral("import takes one FILE."));
    const QString fileName = o.positional[0];
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("ERROR: Cannot read %1: %2").arg(fileName, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("ERROR: Cannot read %1: %2").arg(fileName, file.errorString()));
    const RegFile::ParseResult parsed = RegFile::parse(bytes);
    if (!parsed.ok)
        return fail(QStringLiteral("ERROR: %1: %2. Nothing was imported.").arg(fileName, parsed.error));
    for (const RegFile::Skipped &skipped : parsed.skipped)
        m_err << "WARNING: " << fileName << ':' << skipped.line << ": " << skipped.message << '\n';
    m_err.flush();
    try {
        TRegistry::apply(parsed.changes);
    } catch (const RegistryError &e) {
        return registryFailure(e);
    }
    m_out << Done << '\n';
    m_out.flush();
    return 0;
}

int Tool::run(const QStringList &args)
{
    if (args.isEmpty())
        return syntax(QStringLiteral("No operation given."));
    const QString verb = args[0].toLower();
    if (verb == QLatin1String("/?") || verb == QLatin1String("-?") || verb == QLatin1String("/h")
        || verb == QLatin1String("-h") || verb == QLatin1String("--help") || verb == QLatin1String("help"))
        return usage(m_out, 0);
    const QStringList rest = args.mid(1);
    struct Verb {
        const char *name;
        const char *positionals;
        const char *switches;
        int (Tool::*handler)(const Options &);
    };
    static const Verb verbs[] = {
        {"query", "KEY", "v: ve s", &Tool::query},
        {"add", "KEY", "v: ve t: d: s: se: f", &Tool::add},
        {"delete", "KEY", "v: ve va f", &Tool::remove},
        {"export", "KEY FILE", "y", &Tool::exportKey},
        {"import", "FILE", "", &Tool::import},
    };
    for (const Verb &v : verbs) {
        if (verb != QLatin1String(v.name))
            continue;
        Options o;
        if (!parseOptions(rest, QLatin1String(v.positionals), QLatin1String(v.switches), &o))
            return 1;
        return o.help ? usage(m_out, 0) : (this->*v.handler)(o);
    }
    return syntax(QStringLiteral("Unknown operation \"%1\".").arg(args[0]));
}

} // namespace

namespace RegFile {

bool parseKeyName(const QString &name, RegRoot *root, QString *path)
{
    const QString trimmed = name.trimmed();
    const int slash = trimmed.indexOf(QLatin1Char('\\'));
    const QString head = slash < 0 ? trimmed : trimmed.left(slash);
    for (const RootAlias &alias : Roots) {
        if (head.compare(QLatin1String(alias.longName), Qt::CaseInsensitive) == 0
            || head.compare(QLatin1String(alias.shortName), Qt::CaseInsensitive) == 0) {
            *root = alias.root;
            const QString rest = slash < 0 ? QString() : trimmed.mid(slash + 1);
            *path = rest.split(QLatin1Char('\\'), Qt::SkipEmptyParts).join(QLatin1Char('\\'));
            return true;
        }
    }
    return false;
}

QString fullKeyName(RegRoot root, const QString &path)
{
    return path.isEmpty() ? TRegistry::rootName(root)
                          : TRegistry::rootName(root) + QLatin1Char('\\') + path;
}

QString typeName(RegType type)
{
    switch (type) {
    case RegType::Sz:
        return QStringLiteral("REG_SZ");
    case RegType::ExpandSz:
        return QStringLiteral("REG_EXPAND_SZ");
    case RegType::Dword:
        return QStringLiteral("REG_DWORD");
    case RegType::Binary:
        return QStringLiteral("REG_BINARY");
    case RegType::MultiSz:
        return QStringLiteral("REG_MULTI_SZ");
    case RegType::Qword:
        return QStringLiteral("REG_QWORD");
    case RegType::None:
        break;
    }
    return QStringLiteral("REG_NONE");
}

bool parseTypeName(const QString &name, RegType *type)
{
    for (RegType t : {RegType::Sz, RegType::ExpandSz, RegType::Dword, RegType::Binary,
                      RegType::MultiSz, RegType::Qword}) {
        if (name.compare(typeName(t), Qt::CaseInsensitive) == 0) {
            *type = t;
            return true;
        }
    }
    return false;
}

QString displayData(const RegValue &value)
{
    switch (value.type) {
    case RegType::Sz:
    case RegType::ExpandSz:
        return value.text;
    case RegType::Dword:
        return QStringLiteral("0x") + QString::number(value.dword, 16);
    case RegType::Qword:
        return QStringLiteral("0x") + QString::number(value.qword, 16);
    case RegType::Binary:
        return QString::fromLatin1(value.binary.toHex().toUpper());
    case RegType::MultiSz:
        return value.multi.join(QLatin1String("\\0"));   // as the Windows reg tool shows it
    case RegType::None:
        break;
    }
    return QString();
}

QString displayName(const QString &name)
{
    return name.isEmpty() ? QStringLiteral("(Default)") : name;
}

QString queryLine(const RegValue &value)
{
    return QStringLiteral("    ") + displayName(value.name) + QStringLiteral("    ")
        + typeName(value.type) + QStringLiteral("    ") + displayData(value);
}

QString quote(const QString &text)
{
    QString s = text;
    s.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    s.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

QString decodeText(const QByteArray &bytes)
{
    const auto startsWith = [&](std::initializer_list<uchar> mark) {
        if (bytes.size() < int(mark.size()))
            return false;
        int i = 0;
        for (uchar m : mark) {
            if (uchar(bytes[i++]) != m)
                return false;
        }
        return true;
    };
    if (startsWith({0xFF, 0xFE}))
        return WithoutLoneSurrogates(QStringDecoder(QStringDecoder::Utf16LE)(bytes.mid(2)));
    if (startsWith({0xFE, 0xFF}))
        return WithoutLoneSurrogates(QStringDecoder(QStringDecoder::Utf16BE)(bytes.mid(2)));
    if (startsWith({0xEF, 0xBB, 0xBF}))
        return QString::fromUtf8(bytes.mid(3));
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    // Old REGEDIT4 files are in the Windows ANSI code page; Latin-1 is its closest kin.
    return QString::fromLatin1(bytes);
}

ParseResult parse(const QByteArray &bytes)
{
    ParseResult result;
    // Windows reads a file as UTF-16 only after its byte order mark; without one the zero
    // bytes beside the header's letters make it no registry file. Say so rather than
    // reporting a garbled first line.
    if (bytes.size() >= 2 && (bytes[0] == '\0') != (bytes[1] == '\0')) {
        result.error = QStringLiteral("line 1: not a registry file: the text is UTF-16 without a byte "
                                      "order mark, which Windows does not import either (save it as "
                                      "UTF-16 with a byte order mark, or as UTF-8)");
        return result;
    }
    QStringList lines = decodeText(bytes).split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    int index = 0;
    while (index < lines.size() && lines[index].trimmed().isEmpty())
        ++index;
    if (index >= lines.size()
        || (lines[index].trimmed() != Header5 && lines[index].trimmed() != Header4)) {
        result.error = QStringLiteral("line %1: not a registry file (the first line must be \"%2\")")
                           .arg(index + 1).arg(Header5);
        return result;
    }
    const bool wideStrings = lines[index].trimmed() == Header5;
    ++index;

    // Like the Windows registry editor, a line that cannot be read is skipped and the rest of
    // the file still counts; a key line that is skipped takes the values under it along.
    enum class State { BeforeFirstKey, Open, Deleted, Skipped };
    State state = State::BeforeFirstKey;
    RegRoot root = RegRoot::CurrentUser;
    QString path;
    int skippedKey = -1;        // its entry in result.skipped
    int skippedValues = 0;      // value lines under it
    const auto endSection = [&] {
        if (state == State::Skipped && skippedValues > 0) {
            result.skipped[skippedKey].message += skippedValues == 1
                ? QStringLiteral(" with the value line under it")
                : QStringLiteral(" with the %1 value lines under it").arg(skippedValues);
        }
    };
    const auto skipKey = [&](int lineNumber, const QString &why) {
        state = State::Skipped;
        skippedKey = result.skipped.size();
        skippedValues = 0;
        result.skipped << Skipped{lineNumber, why + QStringLiteral("; the key is skipped")};
    };

    while (index < lines.size()) {
        const int lineNumber = index + 1;
        const QString trimmed = lines[index++].trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#')))
            continue;
        if (trimmed.startsWith(QLatin1Char('['))) {
            endSection();
            if (!trimmed.endsWith(QLatin1Char(']'))) {
                skipKey(lineNumber, QStringLiteral("a key line must end with \"]\""));
                continue;
            }
            QString name = trimmed.mid(1, trimmed.size() - 2);
            const bool remove = name.startsWith(QLatin1Char('-'));
            if (remove)
                name = name.mid(1);
            if (name.startsWith(QLatin1Char(' ')) || name.startsWith(QLatin1Char('\t'))) {
                skipKey(lineNumber, QStringLiteral("a blank before the key name"));
                continue;
            }
            if (!parseKeyName(name, &root, &path)) {
                const QString head = name.trimmed().section(QLatin1Char('\\'), 0, 0);
                bool foreign = false;
                for (const char *f : ForeignRoots)
                    foreign = foreign || head.compare(QLatin1String(f), Qt::CaseInsensitive) == 0;
                skipKey(lineNumber, foreign ? QStringLiteral("keys under %1 are not kept").arg(head)
                                            : QStringLiteral("unknown root key \"%1\"").arg(head.left(40)));
                continue;
            }
            if (std::any_of(path.cbegin(), path.cend(), [](QChar ch) { return ch.unicode() < 0x20; })) {
                skipKey(lineNumber, QStringLiteral("a key name may not hold control characters"));
                continue;
            }
            if (remove && path.isEmpty()) {
                skipKey(lineNumber, QStringLiteral("a root key cannot be deleted"));
                continue;
            }
            state = remove ? State::Deleted : State::Open;
            result.changes << RegChange{remove ? RegChange::DeleteKey : RegChange::CreateKey, root,
                                        path, RegValue()};
            continue;
        }

        // A value line: its name, "=", and the data (hex data with its continuation lines,
        // read first so that they are never taken for lines of their own).
        Cursor c{trimmed};
        RegValue value;
        QString problem;
        bool good = true;
        if (c.peek() == QLatin1Char('@')) {
            ++c.pos;
        } else if (c.peek() == QLatin1Char('"')) {
            good = readQuoted(c, &value.name, &problem) == Quoted::Ok;
        } else {
            problem = QStringLiteral("a value name must be quoted or @");
            good = false;
        }
        c.skipBlanks();
        QString data;
        if (c.peek() == QLatin1Char('=')) {
            data = trimmed.mid(c.pos + 1).trimmed();
            if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
                QString hexProblem;
                if (!joinHexLines(data, lines, &index, &data, &hexProblem) && good) {
                    problem = hexProblem;
                    good = false;
                }
            }
        } else if (good) {
            problem = QStringLiteral("\"=\" expected after the value name");
            good = false;
        }
        Outcome outcome = Outcome::Skip;
        if (good)
            outcome = parseData(data, wideStrings, &value, &problem);

        if (state == State::Skipped) {
            ++skippedValues;
            continue;
        }
        if (state == State::BeforeFirstKey) {
            result.skipped << Skipped{lineNumber, QStringLiteral("a value before the first key; the line is skipped")};
            continue;
        }
        if (outcome == Outcome::Skip) {
            result.skipped << Skipped{lineNumber, problem + QStringLiteral("; the line is skipped")};
            continue;
        }
        if (state == State::Deleted)
            continue;   // values under a deleted key are ignored, as the editor does
        result.changes << RegChange{outcome == Outcome::Delete ? RegChange::DeleteValue
                                                               : RegChange::SetValue,
                                    root, path, value};
    }
    endSection();
    result.ok = true;
    return result;
}

bool exportText(RegRoot root, const QList<RegKeyContents> &keys, QString *text, QString *error)
{
    QString out = Header5 + QLatin1String("\n\n");
    for (const RegKeyContents &key : keys) {
        out += QLatin1Char('[') + fullKeyName(root, key.path) + QLatin1String("]\n");
        for (const RegValue &v : key.values) {
            if (hasLineBreak(v.name)) {
                *error = QStringLiteral("The value name \"%1\" under %2 holds a line break, which "
                                        "the .reg format cannot carry.")
                             .arg(v.name.simplified(), fullKeyName(root, key.path));
                return false;
            }
            const QString lead = (v.name.isEmpty() ? QStringLiteral("@") : quote(v.name))
                + QLatin1Char('=');
            switch (v.type) {
            case RegType::Sz:
                // Text with line breaks goes as hex(1) so that it comes back intact (a NUL
                // ends a string on import, as everywhere).
                out += representableAsString(v.text)
                    ? lead + quote(v.text)
                    : hexData(lead + QStringLiteral("hex(1):"), utf16le(v.text));
                break;
            case RegType::ExpandSz:
                out += hexData(lead + QStringLiteral("hex(2):"), utf16le(v.text));
                break;
            case RegType::Dword:
                out += lead + QStringLiteral("dword:")
                    + QString::number(v.dword, 16).rightJustified(8, QLatin1Char('0'));
                break;
            case RegType::Qword: {
                QByteArray bytes;
                for (int i = 0; i < 8; ++i)
                    bytes.append(char(v.qword >> (8 * i)));
                out += hexData(lead + QStringLiteral("hex(b):"), bytes);
                break;
            }
            case RegType::MultiSz: {
                QByteArray bytes;
                for (const QString &s : v.multi)
                    bytes += utf16le(s);
                bytes.append(2, '\0');   // the empty string that ends the list
                out += hexData(lead + QStringLiteral("hex(7):"), bytes);
                break;
            }
            case RegType::Binary:
            case RegType::None:
                out += hexData(lead + QStringLiteral("hex:"), v.binary);
                break;
            }
            out += QLatin1Char('\n');
        }
        out += QLatin1Char('\n');
    }
    *text = out;
    return true;
}

} // namespace RegFile

int RunRegTool(const QStringList &arguments, QTextStream &out, QTextStream &err, QTextStream &in)
{
    return Tool(out, err, in).run(arguments);
}
