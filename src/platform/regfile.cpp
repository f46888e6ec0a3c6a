#include "platform/regfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTextStream>

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
    *text = s;
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

// Reads a quoted string starting at the opening quote. "\\" and "\"" are escapes; any other
// backslash stays as it is, which is how paths in hand-written files are usually meant.
bool readQuoted(Cursor &c, QString *out)
{
    if (c.peek() != QLatin1Char('"'))
        return false;
    ++c.pos;
    QString s;
    while (!c.atEnd()) {
        const QChar ch = c.text.at(c.pos++);
        if (ch == QLatin1Char('"')) {
            *out = s;
            return true;
        }
        if (ch == QLatin1Char('\\') && !c.atEnd()
            && (c.peek() == QLatin1Char('\\') || c.peek() == QLatin1Char('"'))) {
            s += c.text.at(c.pos++);
            continue;
        }
        s += ch;
    }
    return false;
}

bool parseHexBytes(const QString &list, QByteArray *out)
{
    QByteArray bytes;
    const QString trimmed = list.trimmed();
    if (trimmed.isEmpty()) {
        *out = bytes;
        return true;
    }
    const QStringList parts = trimmed.split(QLatin1Char(','));
    for (const QString &part : parts) {
        const QString p = part.trimmed();
        if (p.isEmpty() || p.size() > 2)
            return false;
        bool ok = false;
        const uint v = p.toUInt(&ok, 16);
        if (!ok)
            return false;
        bytes.append(char(v));
    }
    *out = bytes;
    return true;
}

enum class Outcome { Value, Delete, Skip, Error };

// Parses the data part of a value line (after "="). `more` supplies continuation lines.
template <typename NextLine>
Outcome parseData(const QString &data, bool wideStrings, NextLine more, RegValue *value,
                  QString *problem)
{
    const QString d = data.trimmed();
    if (d == QLatin1String("-"))
        return Outcome::Delete;
    if (d.startsWith(QLatin1Char('"'))) {
        Cursor c{d};
        QString text;
        if (!readQuoted(c, &text)) {
            *problem = QStringLiteral("unterminated string");
            return Outcome::Error;
        }
        c.skipBlanks();
        if (!c.atEnd() && c.peek() != QLatin1Char(';')) {
            *problem = QStringLiteral("unexpected text after the string");
            return Outcome::Error;
        }
        value->type = RegType::Sz;
        value->text = text;
        return Outcome::Value;
    }
    if (d.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        const QString digits = d.mid(6).trimmed();
        bool ok = false;
        const uint v = digits.toUInt(&ok, 16);
        if (!ok || digits.isEmpty() || digits.size() > 8 || digits.startsWith(QLatin1Char('+'))) {
            *problem = QStringLiteral("invalid dword data \"%1\"").arg(digits);
            return Outcome::Error;
        }
        value->type = RegType::Dword;
        value->dword = v;
        return Outcome::Value;
    }
    if (d.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
        const int colon = d.indexOf(QLatin1Char(':'));
        if (colon < 0) {
            *problem = QStringLiteral("invalid hex data");
            return Outcome::Error;
        }
        const QString kind = d.left(colon).mid(3).trimmed();
        int type = 3;
        if (!kind.isEmpty()) {
            bool ok = false;
            if (kind.size() >= 3 && kind.startsWith(QLatin1Char('(')) && kind.endsWith(QLatin1Char(')')))
                type = kind.mid(1, kind.size() - 2).toInt(&ok, 16);
            if (!ok) {
                *problem = QStringLiteral("invalid hex type \"%1\"").arg(kind);
                return Outcome::Error;
            }
        }
        QString list = d.mid(colon + 1).trimmed();
        while (list.endsWith(QLatin1Char('\\'))) {
            list.chop(1);
            QString next;
            if (!more(&next)) {
                *problem = QStringLiteral("the file ends inside hex data");
                return Outcome::Error;
            }
            list += next.trimmed();
        }
        QByteArray bytes;
        if (!parseHexBytes(list, &bytes)) {
            *problem = QStringLiteral("invalid hex data");
            return Outcome::Error;
        }
        switch (type) {
        case 1:
        case 2:
            // Version 5 files carry strings as UTF-16LE; REGEDIT4 files in the ANSI code page.
            if (!wideStrings) {
                value->text = QString::fromLatin1(bytes);
                if (value->text.endsWith(QChar(0)))
                    value->text.chop(1);
            } else if (!fromUtf16le(bytes, &value->text)) {
                *problem = QStringLiteral("string data of odd length");
                return Outcome::Error;
            }
            value->type = type == 1 ? RegType::Sz : RegType::ExpandSz;
            return Outcome::Value;
        case 3:
            value->type = RegType::Binary;
            value->binary = bytes;
            return Outcome::Value;
        case 4:
        case 5:
            if (bytes.size() != 4) {
                *problem = QStringLiteral("dword data must have four bytes");
                return Outcome::Error;
            }
            value->type = RegType::Dword;
            value->dword = type == 4
                ? quint32(uchar(bytes[0])) | quint32(uchar(bytes[1])) << 8
                      | quint32(uchar(bytes[2])) << 16 | quint32(uchar(bytes[3])) << 24
                : quint32(uchar(bytes[3])) | quint32(uchar(bytes[2])) << 8
                      | quint32(uchar(bytes[1])) << 16 | quint32(uchar(bytes[0])) << 24;
            return Outcome::Value;
        default:
            *problem = QStringLiteral("values of type hex(%1) are not supported").arg(type, 0, 16);
            return Outcome::Skip;
        }
    }
    *problem = QStringLiteral("unrecognised data \"%1\"").arg(d.left(40));
    return Outcome::Error;
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
        bool hasV = false, ve = false, va = false, s = false, f = false, y = false;
        bool hasT = false, hasD = false;
        QString v, t, d;
    };

    int usage(QTextStream &to, int code);
    int syntax(const QString &why);
    int fail(const QString &message);
    int registryFailure(const RegistryError &e);
    bool parseOptions(const QStringList &args, const QString &allowed, Options *o);
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
          "  add    KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]\n"
          "  delete KEY [/v NAME | /ve | /va] [/f]\n"
          "  export KEY FILE [/y]\n"
          "  import FILE\n"
          "\n"
          "KEY    ROOT\\path; ROOT is HKCU, HKLM, HKCR or HKEY_CURRENT_USER,\n"
          "       HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT.\n"
          "/v     the value NAME; /ve the unnamed (Default) value; /va every value of KEY.\n"
          "/s     query KEY and every key below it.\n"
          "/t     REG_SZ (default), REG_EXPAND_SZ, REG_DWORD (decimal or 0x hex),\n"
          "       REG_BINARY (hex digits).\n"
          "/d     the data to store.\n"
          "/f     overwrite or delete without asking.\n"
          "/y     overwrite FILE without asking.\n"
          "\n"
          "export writes the .reg format (\"Windows Registry Editor Version 5.00\") in UTF-8\n"
          "with LF line ends; import also reads UTF-16LE files with a byte order mark, as\n"
          "the Windows registry editor writes them. The hive is "
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

// Options are recognised only when their letters are in `allowed`, so a file name that
// starts with "/" stays an argument.
bool Tool::parseOptions(const QStringList &args, const QString &allowed, Options *o)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool looksLikeOption = a.size() >= 2
            && (a.startsWith(QLatin1Char('/')) || a.startsWith(QLatin1Char('-')));
        const QString name = looksLikeOption ? a.mid(1).toLower() : QString();
        if (!looksLikeOption || !allowed.split(QLatin1Char(' ')).contains(name)) {
            o->positional << a;
            continue;
        }
        const auto takeArgument = [&](bool *given, QString *target) {
            if (*given) {
                syntax(QStringLiteral("%1 given twice.").arg(a));
                return false;
            }
            if (i + 1 >= args.size()) {
                syntax(QStringLiteral("%1 needs an argument.").arg(a));
                return false;
            }
            *target = args[++i];
            *given = true;
            return true;
        };
        if (name == QLatin1String("v")) {
            if (!takeArgument(&o->hasV, &o->v))
                return false;
        } else if (name == QLatin1String("t")) {
            if (!takeArgument(&o->hasT, &o->t))
                return false;
        } else if (name == QLatin1String("d")) {
            if (!takeArgument(&o->hasD, &o->d))
                return false;
        } else if (name == QLatin1String("ve")) {
            o->ve = true;
        } else if (name == QLatin1String("va")) {
            o->va = true;
        } else if (name == QLatin1String("s")) {
            o->s = true;
        } else if (name == QLatin1String("f")) {
            o->f = true;
        } else if (name == QLatin1String("y")) {
            o->y = true;
        }
    }
    if (int(o->hasV) + int(o->ve) + int(o->va) > 1) {
        syntax(QStringLiteral("Use only one of /v, /ve and /va."));
        return false;
    }
    return true;
}

bool Tool::keyArgument(const QString &arg, RegRoot *root, QString *path)
{
    if (RegFile::parseKeyName(arg, root, path))
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
        m_out << '\n' << RegFile::fullKeyName(root, path) << '\n';
        for (const RegValue &v : reg.values(path))
            m_out << RegFile::queryLine(v) << '\n';
        const QStringList subkeys = reg.subKeyNames(path);
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

int Tool::add(const Options &o)
{
    if (o.positional.size() != 1)
        return syntax(QStringLiteral("add takes one KEY."));
    RegRoot root;
    QString path;
    if (!keyArgument(o.positional[0], &root, &path))
        return 1;
    RegValue value;
    value.name = o.hasV ? o.v : QString();
    value.type = RegType::Sz;
    if (o.hasT && !RegFile::parseTypeName(o.t, &value.type)) {
        const QString t = o.t.toUpper();
        if (t == QLatin1String("REG_MULTI_SZ") || t == QLatin1String("REG_QWORD")
            || t == QLatin1String("REG_NONE") || t == QLatin1String("REG_DWORD_BIG_ENDIAN"))
            return fail(QStringLiteral("ERROR: %1 values are not supported by this registry.").arg(t));
        return fail(QStringLiteral("ERROR: Invalid type \"%1\".").arg(o.t));
    }
    switch (value.type) {
    case RegType::Sz:
    case RegType::ExpandSz:
        value.text = o.d;
        break;
    case RegType::Dword: {
        const QString d = o.d.trimmed();
        bool ok = d.isEmpty();
        qulonglong v = 0;
        if (!d.isEmpty()) {
            const bool hex = d.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
            v = hex ? d.mid(2).toULongLong(&ok, 16) : d.toULongLong(&ok, 10);
            ok = ok && !d.startsWith(QLatin1Char('+')) && v <= 0xFFFFFFFFull;
        }
        if (!ok)
            return fail(QStringLiteral("ERROR: Invalid REG_DWORD data \"%1\" (a number from 0 to "
                                       "4294967295, or 0x hex).").arg(o.d));
        value.dword = quint32(v);
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
    const bool setsValue = o.hasV || o.ve || o.hasT || o.hasD;
    TRegistry reg(root);
    try {
        if (!setsValue) {
            reg.createKey(path);
        } else {
            if (!o.f && reg.valueExists(path, value.name)
                && !ask(QStringLiteral("Value %1 exists, overwrite(Yes/No)?")
                            .arg(RegFile::displayName(value.name)))) {
                return fail(Cancelled);
            }
            reg.writeValue(path, value);
        }
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
    for (const QString &w : parsed.warnings)
        m_err << "WARNING: " << fileName << ": " << w << '\n';
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
    if (verb == QLatin1String("/?") || verb == QLatin1String("-?") || verb == QLatin1String("-h")
        || verb == QLatin1String("--help") || verb == QLatin1String("help"))
        return usage(m_out, 0);
    const QStringList rest = args.mid(1);
    if (rest.contains(QLatin1String("/?")))
        return usage(m_out, 0);
    Options o;
    if (verb == QLatin1String("query"))
        return parseOptions(rest, QStringLiteral("v ve s"), &o) ? query(o) : 1;
    if (verb == QLatin1String("add"))
        return parseOptions(rest, QStringLiteral("v ve t d f"), &o) ? add(o) : 1;
    if (verb == QLatin1String("delete"))
        return parseOptions(rest, QStringLiteral("v ve va f"), &o) ? remove(o) : 1;
    if (verb == QLatin1String("export"))
        return parseOptions(rest, QStringLiteral("y"), &o) ? exportKey(o) : 1;
    if (verb == QLatin1String("import"))
        return parseOptions(rest, QString(), &o) ? import(o) : 1;
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
    case RegType::None:
        break;
    }
    return QStringLiteral("REG_NONE");
}

bool parseTypeName(const QString &name, RegType *type)
{
    for (RegType t : {RegType::Sz, RegType::ExpandSz, RegType::Dword, RegType::Binary}) {
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
    case RegType::Binary:
        return QString::fromLatin1(value.binary.toHex().toUpper());
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
        return QStringDecoder(QStringDecoder::Utf16LE)(bytes.mid(2));
    if (startsWith({0xFE, 0xFF}))
        return QStringDecoder(QStringDecoder::Utf16BE)(bytes.mid(2));
    if (startsWith({0xEF, 0xBB, 0xBF}))
        return QString::fromUtf8(bytes.mid(3));
    // UTF-16LE without a mark still shows itself by the zero byte after "W" or "R".
    if (bytes.size() >= 2 && bytes[0] != '\0' && bytes[1] == '\0')
        return QStringDecoder(QStringDecoder::Utf16LE)(bytes);
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
    QStringList lines = decodeText(bytes).split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    int index = 0;
    const auto failAt = [&](int lineNumber, const QString &why) {
        result.ok = false;
        result.error = QStringLiteral("line %1: %2").arg(lineNumber).arg(why);
        result.changes.clear();
        return result;
    };

    while (index < lines.size() && lines[index].trimmed().isEmpty())
        ++index;
    if (index >= lines.size()
        || (lines[index].trimmed() != Header5 && lines[index].trimmed() != Header4)) {
        return failAt(index + 1, QStringLiteral("not a registry file (the first line must be \"%1\")")
                                     .arg(Header5));
    }
    const bool wideStrings = lines[index].trimmed() == Header5;
    ++index;

    bool inSection = false;
    bool skipping = false;   // a section of a root this hive does not hold
    RegRoot root = RegRoot::CurrentUser;
    QString path;
    while (index < lines.size()) {
        const int lineNumber = index + 1;
        const QString line = lines[index++];
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')))
            continue;
        if (trimmed.startsWith(QLatin1Char('['))) {
            if (!trimmed.endsWith(QLatin1Char(']')))
                return failAt(lineNumber, QStringLiteral("a key line must end with \"]\""));
            QString name = trimmed.mid(1, trimmed.size() - 2).trimmed();
            const bool remove = name.startsWith(QLatin1Char('-'));
            if (remove)
                name = name.mid(1).trimmed();
            inSection = true;
            skipping = false;
            if (!parseKeyName(name, &root, &path)) {
                const QString head = name.section(QLatin1Char('\\'), 0, 0);
                bool foreign = false;
                for (const char *f : ForeignRoots)
                    foreign = foreign || head.compare(QLatin1String(f), Qt::CaseInsensitive) == 0;
                if (!foreign)
                    return failAt(lineNumber, QStringLiteral("unknown root key \"%1\"").arg(head));
                result.warnings << QStringLiteral("line %1: keys under %2 are not kept; skipped")
                                       .arg(lineNumber).arg(head);
                skipping = true;
                continue;
            }
            if (remove) {
                if (path.isEmpty())
                    return failAt(lineNumber, QStringLiteral("a root key cannot be deleted"));
                result.changes << RegChange{RegChange::DeleteKey, root, path, RegValue()};
                skipping = true;   // values under a deleted key are ignored, as the editor does
            } else {
                result.changes << RegChange{RegChange::CreateKey, root, path, RegValue()};
            }
            continue;
        }
        if (!inSection)
            return failAt(lineNumber, QStringLiteral("a value before the first key"));

        Cursor c{trimmed};
        RegValue value;
        if (c.peek() == QLatin1Char('@')) {
            ++c.pos;
        } else if (!readQuoted(c, &value.name)) {
            return failAt(lineNumber, QStringLiteral("a value name must be quoted or @"));
        }
        c.skipBlanks();
        if (c.peek() != QLatin1Char('='))
            return failAt(lineNumber, QStringLiteral("\"=\" expected after the value name"));
        ++c.pos;
        QString problem;
        const auto more = [&](QString *next) {
            if (index >= lines.size())
                return false;
            *next = lines[index++];
            return true;
        };
        const Outcome outcome = parseData(trimmed.mid(c.pos), wideStrings, more, &value, &problem);
        switch (outcome) {
        case Outcome::Error:
            return failAt(lineNumber, problem);
        case Outcome::Skip:
            result.warnings << QStringLiteral("line %1: %2; \"%3\" skipped")
                                   .arg(lineNumber).arg(problem, value.name);
            break;
        case Outcome::Delete:
            if (!skipping) {
                RegChange change{RegChange::DeleteValue, root, path, value};
                result.changes << change;
            }
            break;
        case Outcome::Value:
            if (!skipping)
                result.changes << RegChange{RegChange::SetValue, root, path, value};
            break;
        }
    }
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
                // Text with line breaks or NULs goes as hex(1) so it comes back intact.
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
