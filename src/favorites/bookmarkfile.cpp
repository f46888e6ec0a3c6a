#include "favorites/bookmarkfile.h"

#include "platform/utf16text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>
#include <QUrl>

#include <vector>

TBookmarkNode TBookmarkNode::Folder(const QString &title, const QDateTime &added)
{
    TBookmarkNode node;
    node.kind = Kind::Folder;
    node.title = title;
    node.added = added;
    return node;
}

TBookmarkNode TBookmarkNode::Link(const QString &title, const QString &url, const QDateTime &added)
{
    TBookmarkNode node;
    node.kind = Kind::Link;
    node.title = title;
    node.url = url;
    node.added = added;
    return node;
}

namespace {

// ---- Decoding

// Windows-1252's characters 0x80..0x9F (0: unassigned, read as Latin-1).
const char16_t Cp1252High[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0, 0x017D, 0,
    0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

QString decodeCp1252(const QByteArray &data)
{
    QString text(data.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : data) {
        const uchar b = uchar(c);
        const char16_t high = b >= 0x80 && b < 0xA0 ? Cp1252High[b - 0x80] : 0;
        *out++ = QChar(high ? high : char16_t(b));
    }
    return text;
}

QString decode(const QByteArray &data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(data.constData() + 3, data.size() - 3);
    if (data.startsWith("\xFF\xFE")) {
        QStringDecoder d(QStringConverter::Utf16LE);
        return WithoutLoneSurrogates(d(data.mid(2)));
    }
    if (data.startsWith("\xFE\xFF")) {
        QStringDecoder d(QStringConverter::Utf16BE);
        return WithoutLoneSurrogates(d(data.mid(2)));
    }
    // Browsers write UTF-8 today; older exports used the system's 8-bit code page.
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8(data);
    if (!utf8.hasError())
        return text;
    return decodeCp1252(data);
}

const QHash<QString, char16_t> &namedEntities()
{
    static const QHash<QString, char16_t> entities = {
        {QStringLiteral("amp"), u'&'},     {QStringLiteral("lt"), u'<'},      {QStringLiteral("gt"), u'>'},
        {QStringLiteral("quot"), u'"'},    {QStringLiteral("apos"), u'\''},   {QStringLiteral("nbsp"), 0x00A0},
        {QStringLiteral("copy"), 0x00A9},  {QStringLiteral("reg"), 0x00AE},   {QStringLiteral("trade"), 0x2122},
        {QStringLiteral("hellip"), 0x2026}, {QStringLiteral("ndash"), 0x2013}, {QStringLiteral("mdash"), 0x2014},
        {QStringLiteral("lsquo"), 0x2018}, {QStringLiteral("rsquo"), 0x2019}, {QStringLiteral("ldquo"), 0x201C},
        {QStringLiteral("rdquo"), 0x201D}, {QStringLiteral("laquo"), 0x00AB}, {QStringLiteral("raquo"), 0x00BB},
        {QStringLiteral("middot"), 0x00B7}, {QStringLiteral("bull"), 0x2022}, {QStringLiteral("euro"), 0x20AC},
        {QStringLiteral("eacute"), 0x00E9}, {QStringLiteral("egrave"), 0x00E8}, {QStringLiteral("agrave"), 0x00E0},
        {QStringLiteral("auml"), 0x00E4},  {QStringLiteral("ouml"), 0x00F6},  {QStringLiteral("uuml"), 0x00FC},
        {QStringLiteral("Auml"), 0x00C4},  {QStringLiteral("Ouml"), 0x00D6},  {QStringLiteral("Uuml"), 0x00DC},
        {QStringLiteral("szlig"), 0x00DF}, {QStringLiteral("ccedil"), 0x00E7}, {QStringLiteral("ntilde"), 0x00F1},
    };
    return entities;
}

// Replaces character references; an unknown or malformed one is kept as written.
QString decodeEntities(const QString &text)
{
    if (!text.contains(QLatin1Char('&')))
        return text;
    QString out;
    out.reserve(text.size());
    const int n = text.size();
    for (int i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('&')) {
            out += c;
            continue;
        }
        const int semi = text.indexOf(QLatin1Char(';'), i + 1);
        if (semi < 0 || semi - i > 12) {
            out += c;
            continue;
        }
        const QString name = text.mid(i + 1, semi - i - 1);
        bool ok = false;
        char32_t code = 0;
        if (name.startsWith(QLatin1Char('#'))) {
            const bool hex = name.size() > 1 && (name.at(1) == QLatin1Char('x') || name.at(1) == QLatin1Char('X'));
            code = name.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
            ok = ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        } else {
            const auto it = namedEntities().constFind(name);
            if (it != namedEntities().constEnd()) {
                code = it.value();
                ok = true;
            }
        }
        if (!ok) {
            out += c;
            continue;
        }
        out += QString::fromUcs4(&code, 1);
        i = semi;
    }
    return out;
}

// ---- Tokens

struct TTag {
    QString name;                   // upper case
    bool closing = false;
    bool complete = true;           // false: the text ended inside it (a truncated file)
    QHash<QString, QString> attributes;   // names upper case, values decoded
};

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_') || c == QLatin1Char(':');
}

// Parses the tag that starts at text[pos] == '<'. Returns the position after it, or -1
// when no tag starts there ("a < b" in a title).
int parseTag(const QString &text, int pos, TTag *tag)
{
    const int n = text.size();
    int i = pos + 1;
    tag->closing = i < n && text.at(i) == QLatin1Char('/');
    if (tag->closing)
        ++i;
    const int nameStart = i;
    while (i < n && text.at(i).isLetterOrNumber())
        ++i;
    if (i == nameStart)
        return -1;
    tag->name = text.mid(nameStart, i - nameStart).toUpper();
    tag->attributes.clear();
    tag->complete = true;
    while (i < n) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('>'))
            return i + 1;
        if (c.isSpace() || c == QLatin1Char('/')) {
            ++i;
            continue;
        }
        if (c == QLatin1Char('<'))
            return i;   // an unclosed tag: the next one begins here
        const int attrStart = i;
        while (i < n && isNameChar(text.at(i)))
            ++i;
        if (i == attrStart) {
            ++i;   // a stray character
            continue;
        }
        const QString attr = text.mid(attrStart, i - attrStart).toUpper();
        while (i < n && text.at(i).isSpace())
            ++i;
        QString value;
        if (i < n && text.at(i) == QLatin1Char('=')) {
            ++i;
            while (i < n && text.at(i).isSpace())
                ++i;
            if (i < n && (text.at(i) == QLatin1Char('"') || text.at(i) == QLatin1Char('\''))) {
                // Browsers write a value on one line: a quote left open ends at the line's
                // end rather than swallowing the entries after it.
                const QChar quote = text.at(i);
                int end = i + 1;
                while (end < n && text.at(end) != quote && text.at(end) != QLatin1Char('\n'))
                    ++end;
                value = text.mid(i + 1, end - i - 1);
                i = qMin(n, end + 1);
            } else {
                const int valueStart = i;
                while (i < n && !text.at(i).isSpace() && text.at(i) != QLatin1Char('>'))
                    ++i;
                value = text.mid(valueStart, i - valueStart);
            }
        }
        if (!tag->attributes.contains(attr))
            tag->attributes.insert(attr, decodeEntities(value));
    }
    tag->complete = false;
    return n;
}

// ---- Tree building

class TParser {
public:
    explicit TParser(TBookmarkReadResult *result) : m_result(result)
    {
        m_result->root = TBookmarkNode::Folder(QString());
        m_stack.push_back(&m_result->root);
        m_depth.push_back(0);
    }

    void text(QStringView chunk)
    {
        if (m_target != Target::None)
            m_text += chunk;
    }

    void tag(const TTag &t)
    {
        const QString &name = t.name;
        if (t.closing) {
            if (name == QLatin1String("A") && m_target == Target::Link)
                finishOpen();
            else if (name == QLatin1String("H3") && m_target == Target::Folder)
                finishOpen();
            else if (name == QLatin1String("H1") && m_target == Target::Heading)
                finishOpen();
            else if (name == QLatin1String("DL")) {
                finishOpen();
                m_pending = Pending::None;
                if (m_stack.size() > 1) {
                    m_stack.pop_back();
                    m_depth.pop_back();
                }
            }
            return;
        }
        if (name == QLatin1String("A")) {
            finishOpen();
            m_target = Target::Link;
            // Tabs and line breaks inside an address are dropped, as browsers read an
            // address attribute; kept, they would break the address and its file.
            m_href = t.attributes.value(QStringLiteral("HREF"));
            m_href.remove(QLatin1Char('\t')).remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
            m_href = m_href.trimmed();
            m_added = TBookmarkFile::ParseDate(t.attributes.value(QStringLiteral("ADD_DATE")));
            m_modified = QDateTime();
            m_hasHref = t.attributes.contains(QStringLiteral("HREF"));
        } else if (name == QLatin1String("H3")) {
            finishOpen();
            m_target = Target::Folder;
            m_added = TBookmarkFile::ParseDate(t.attributes.value(QStringLiteral("ADD_DATE")));
            m_modified = TBookmarkFile::ParseDate(t.attributes.value(QStringLiteral("LAST_MODIFIED")));
        } else if (name == QLatin1String("H1")) {
            finishOpen();
            m_target = Target::Heading;
        } else if (name == QLatin1String("DL")) {
            finishOpen();
            m_sawList = true;
            // The list of the folder just named, or a list of no folder (the file's own,
            // or a stray one), whose entries go to the current folder.
            TBookmarkNode *into = m_stack.back();
            int depth = m_depth.back();
            if (m_pending == Pending::Folder) {
                into = &m_stack.back()->children.last();
                ++depth;
            }
            m_pending = Pending::None;
            m_stack.push_back(into);
            m_depth.push_back(depth);
        } else if (name == QLatin1String("DT") || name == QLatin1String("DD") || name == QLatin1String("HR")
                   || name == QLatin1String("H2") || name == QLatin1String("TITLE")) {
            finishOpen();
        }
    }

    void finish()
    {
        finishOpen();
    }

    bool sawList() const { return m_sawList; }

private:
    enum class Target { None, Link, Folder, Heading };
    enum class Pending { None, Folder };

    void finishOpen()
    {
        const Target target = m_target;
        m_target = Target::None;
        const QString title = decodeEntities(m_text).simplified();
        m_text.clear();
        switch (target) {
        case Target::None:
            return;
        case Target::Heading:
            if (m_result->root.title.isEmpty())
                m_result->root.title = title;
            return;
        case Target::Link: {
            m_pending = Pending::None;
            if (!m_hasHref || m_href.isEmpty())
                return;
            if (m_href.startsWith(QLatin1String("place:"), Qt::CaseInsensitive)) {
                ++m_result->skipped;   // a saved query of Firefox's own, no address
                return;
            }
            m_stack.back()->children.append(TBookmarkNode::Link(title.isEmpty() ? m_href.simplified() : title, m_href, m_added));
            ++m_result->links;
            return;
        }
        case Target::Folder:
            // Past the depth limit a folder's entries go to the deepest folder kept.
            // The depth is counted in folders, not in lists: a file without a list of its
            // own (or with stray ones) keeps the same folders as the file written from it.
            if (m_depth.back() + 2 > TBookmarkFile::MaxFolderDepth) {
                m_pending = Pending::None;
                return;
            }
            TBookmarkNode folder = TBookmarkNode::Folder(title, m_added);
            folder.modified = m_modified;
            m_stack.back()->children.append(folder);
            ++m_result->folders;
            m_pending = Pending::Folder;
            return;
        }
    }

    TBookmarkReadResult *m_result;
    // The open folders; children are appended only to the last one, so the pointers stay valid.
    std::vector<TBookmarkNode *> m_stack;
    std::vector<int> m_depth;   // for each open list, how many folders deep it is
    Target m_target = Target::None;
    Pending m_pending = Pending::None;
    QString m_text;
    QString m_href;
    bool m_hasHref = false;
    QDateTime m_added;
    QDateTime m_modified;
    bool m_sawList = false;
};

// ---- Writing

QByteArray escaped(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

QByteArray dateAttribute(const char *name, const QDateTime &time)
{
    if (!time.isValid() || time.toSecsSinceEpoch() <= 0)
        return QByteArray();
    return QByteArray(" ") + name + "=\"" + QByteArray::number(time.toSecsSinceEpoch()) + '"';
}

void writeChildren(QByteArray &out, const TBookmarkNode &folder, int indent)
{
    const QByteArray pad(indent * 4, ' ');
    out += pad + "<DL><p>\n";
    for (const TBookmarkNode &child : folder.children) {
        if (child.isFolder()) {
            out += pad + "    <DT><H3" + dateAttribute("ADD_DATE", child.added)
                   + dateAttribute("LAST_MODIFIED", child.modified) + '>' + escaped(child.title) + "</H3>\n";
            writeChildren(out, child, indent + 1);
        } else {
            out += pad + "    <DT><A HREF=\"" + escaped(child.url) + '"' + dateAttribute("ADD_DATE", child.added)
                   + '>' + escaped(child.title) + "</A>\n";
        }
    }
    out += pad + "</DL><p>\n";
}

}

namespace TBookmarkFile {

QDateTime ParseDate(const QString &text)
{
    bool ok = false;
    qint64 value = text.trimmed().toLongLong(&ok);
    if (!ok || value <= 0)
        return QDateTime();
    if (value > 100000000000000LL)   // microseconds
        value /= 1000000;
    else if (value > 100000000000LL)   // milliseconds
        value /= 1000;
    // Still beyond the seconds range (nanoseconds, or garbage): no date. Written back in
    // seconds it would read as milliseconds next time.
    if (value > 100000000000LL)
        return QDateTime();
    return QDateTime::fromSecsSinceEpoch(value, Qt::UTC);
}

TBookmarkReadResult Parse(const QByteArray &data)
{
    TBookmarkReadResult result;
    const QString text = decode(data);
    const bool doctype = text.left(4096).contains(QLatin1String("NETSCAPE-Bookmark-file-1"), Qt::CaseInsensitive);
    TParser parser(&result);
    TTag tag;
    const int n = text.size();
    int i = 0;
    while (i < n) {
        const int lt = text.indexOf(QLatin1Char('<'), i);
        if (lt < 0) {
            parser.text(QStringView(text).mid(i));
            break;
        }
        if (lt > i)
            parser.text(QStringView(text).mid(i, lt - i));
        if (QStringView(text).mid(lt, 4) == QLatin1String("<!--")) {
            const int end = text.indexOf(QLatin1String("-->"), lt + 4);
            i = end < 0 ? n : end + 3;
            continue;
        }
        if (lt + 1 < n && (text.at(lt + 1) == QLatin1Char('!') || text.at(lt + 1) == QLatin1Char('?'))) {
            const int end = text.indexOf(QLatin1Char('>'), lt + 1);
            i = end < 0 ? n : end + 1;
            continue;
        }
        const int next = parseTag(text, lt, &tag);
        if (next < 0) {
            parser.text(u"<");
            i = lt + 1;
            continue;
        }
        if (!tag.complete)
            break;   // a file cut off inside a tag: what it held is lost
        parser.tag(tag);
        i = next;
    }
    parser.finish();
    if (!doctype && !(parser.sawList() && (result.links > 0 || result.folders > 0))) {
        result = TBookmarkReadResult();
        result.error = QStringLiteral("The file is not a bookmark file.");
        return result;
    }
    if (result.root.title.isEmpty())
        result.root.title = QStringLiteral("Bookmarks");
    result.ok = true;
    return result;
}

TBookmarkReadResult Read(const QString &path)
{
    TBookmarkReadResult result;
    QFile file(path);
    const QFileInfo info(path);
    if (!info.isFile()) {
        result.error = QStringLiteral("\"%1\" is not a file.").arg(QDir::toNativeSeparators(path));
        return result;
    }
    if (info.size() > MaxFileSize) {
        result.error = QStringLiteral("The file is too large to be a bookmark file.");
        return result;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("The file could not be read: %1").arg(file.errorString());
        return result;
    }
    // A file that grows while it is read is still cut at the limit.
    const QByteArray data = file.read(MaxFileSize + 1);
    if (data.size() > MaxFileSize) {
        result.error = QStringLiteral("The file is too large to be a bookmark file.");
        return result;
    }
    return Parse(data);
}

QByteArray Write(const TBookmarkNode &root)
{
    const QString heading = root.title.isEmpty() ? QStringLiteral("Bookmarks") : root.title;
    QByteArray out;
    out += "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
           "<!-- This is an automatically generated file.\n"
           "     It will be read and overwritten.\n"
           "     DO NOT EDIT! -->\n"
           "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n";
    out += "<TITLE>" + escaped(heading) + "</TITLE>\n";
    out += "<H1>" + escaped(heading) + "</H1>\n";
    writeChildren(out, root, 0);
    return out;
}

bool Save(const QString &path, const TBookmarkNode &root, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray data = Write(root);
    if (file.write(data) != data.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

}

namespace TSafeName {

namespace {

QString cleaned(const QString &title)
{
    QString s = title;
    for (QChar &c : s) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u < 0xA0) || u == 0x2028 || u == 0x2029)
            c = QLatin1Char(' ');
        else if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            c = QLatin1Char('-');
    }
    s = s.simplified();
    while (s.startsWith(QLatin1Char('.')))
        s = s.mid(1).trimmed();
    if (s.toUtf8().size() > MaxNameBytes) {
        int bytes = 0;
        int keep = 0;
        while (keep < s.size()) {
            const int width = s.at(keep).isHighSurrogate() && keep + 1 < s.size() ? 2 : 1;
            const int size = s.mid(keep, width).toUtf8().size();
            if (bytes + size > MaxNameBytes)
                break;
            bytes += size;
            keep += width;
        }
        s = s.left(keep).trimmed();
    }
    return s;
}

}

QString FromTitle(const QString &title, const QString &fallback)
{
    QString name = cleaned(title);
    if (name.isEmpty())
        name = cleaned(fallback);
    return name.isEmpty() ? QStringLiteral("Untitled") : name;
}

QString Unique(const QString &base, const QString &extension, const std::function<bool(const QString &)> &taken)
{
    QString candidate = base + extension;
    for (int n = 2; taken && taken(candidate); ++n)
        candidate = base + QStringLiteral(" (%1)").arg(n) + extension;
    return candidate;
}

bool IsSafeRelativePath(const QString &relativePath)
{
    if (relativePath.isEmpty() || relativePath.toUtf8().size() > MaxRelativePathBytes + MaxNameBytes + 64)
        return false;
    const QStringList parts = relativePath.split(QLatin1Char('/'));
    for (const QString &part : parts) {
        if (part.isEmpty() || part.startsWith(QLatin1Char('.')) || part.contains(QLatin1Char('\\'))
            || part.toUtf8().size() > 255)
            return false;
        for (const QChar c : part)
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                return false;
    }
    return true;
}

QString ResolveInside(const QString &folder, const QString &relativePath)
{
    if (folder.isEmpty() || !IsSafeRelativePath(relativePath))
        return QString();
    const QString base = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    const QString path = QDir::cleanPath(base + QLatin1Char('/') + relativePath);
    if (!path.startsWith(base + QLatin1Char('/')))
        return QString();
    // A link already standing on the way would lead the write elsewhere.
    QString step = base;
    for (const QString &part : relativePath.split(QLatin1Char('/'))) {
        step += QLatin1Char('/') + part;
        if (QFileInfo(step).isSymLink())
            return QString();
    }
    return path;
}

}

TImportPlan PlanImport(const TBookmarkNode &root, const std::function<bool(const QString &)> &existsOnDisk)
{
    TImportPlan plan;
    // Names used so far in each planned folder, compared without regard to case so that
    // the files stay apart on any file system and in the menus.
    QHash<QString, QSet<QString>> used;
    const auto join = [](const QString &dir, const QString &name) {
        return dir.isEmpty() ? name : dir + QLatin1Char('/') + name;
    };
    // Where the numbering of each repeated name goes on, so that many entries of one
    // title cost one step each rather than a walk over all the numbers given before.
    QHash<QString, int> nextNumber;
    const auto uniqueIn = [&](const QString &dir, const QString &base, const QString &extension) {
        const QString key = dir + QChar(0) + QString(base + extension).toCaseFolded();
        int n = nextNumber.value(key, 1);
        const auto candidate = [&] {
            return n == 1 ? QString(base + extension) : QString(base + QStringLiteral(" (%1)").arg(n) + extension);
        };
        QString name = candidate();
        while (used[dir].contains(name.toCaseFolded()) || (existsOnDisk && existsOnDisk(join(dir, name)))) {
            ++n;
            name = candidate();
        }
        nextNumber.insert(key, n + 1);
        used[dir].insert(name.toCaseFolded());
        return name;
    };

    struct Frame {
        const TBookmarkNode *folder;
        QString dir;
        int next;
    };
    std::vector<Frame> stack;
    stack.push_back({&root, QString(), 0});
    while (!stack.empty()) {
        Frame &frame = stack.back();
        if (frame.next >= frame.folder->children.size()) {
            stack.pop_back();
            continue;
        }
        const TBookmarkNode &node = frame.folder->children.at(frame.next++);
        const QString dir = frame.dir;
        if (node.isFolder()) {
            const QString base = TSafeName::FromTitle(node.title, QStringLiteral("New Folder"));
            // Too deep a folder is not made: its entries stay in this one.
            if (join(dir, base).toUtf8().size() + 8 > TSafeName::MaxRelativePathBytes) {
                stack.push_back({&node, dir, 0});
                continue;
            }
            const QString name = uniqueIn(dir, base, QString());
            const QString path = join(dir, name);
            plan.items.append({true, path, node.title, QString(), node.added});
            ++plan.folders;
            stack.push_back({&node, path, 0});
        } else {
            if (node.url.isEmpty())
                continue;
            const QString host = QUrl(node.url).host();
            const QString base = TSafeName::FromTitle(node.title, host);
            const QString name = uniqueIn(dir, base, QStringLiteral(".url"));
            plan.items.append({false, join(dir, name), node.title, node.url, node.added});
            ++plan.shortcuts;
        }
    }
    return plan;
}
