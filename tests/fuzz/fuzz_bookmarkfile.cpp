// The bookmark-file reader. What it reads must survive being written and read again, and
// the import plan made from it must stay inside the chosen folder whatever the file holds.

#include "fuzzcheck.h"

#include "favorites/bookmarkfile.h"

#include <QSet>

namespace {

qint64 seconds(const QDateTime &t)
{
    return t.isValid() && t.toSecsSinceEpoch() > 0 ? t.toSecsSinceEpoch() : 0;
}

bool sameTree(const TBookmarkNode &a, const TBookmarkNode &b)
{
    if (a.kind != b.kind || a.title != b.title || a.url != b.url || seconds(a.added) != seconds(b.added)
        || a.children.size() != b.children.size())
        return false;
    if (a.isFolder() && seconds(a.modified) != seconds(b.modified))
        return false;
    for (int i = 0; i < a.children.size(); ++i) {
        if (!sameTree(a.children[i], b.children[i]))
            return false;
    }
    return true;
}

// The tree as text, printed when a property breaks.
void dump(const TBookmarkNode &node, int depth)
{
    std::fprintf(stderr, "%*s%s [%s] \"%s\" %lld %lld\n", depth * 2, "", node.isFolder() ? "folder" : "link",
                 qPrintable(node.url), qPrintable(node.title), seconds(node.added), seconds(node.modified));
    for (const TBookmarkNode &child : node.children)
        dump(child, depth + 1);
}

void count(const TBookmarkNode &node, int depth, int *folders, int *links)
{
    FUZZ_CHECK(depth <= TBookmarkFile::MaxFolderDepth + 1);
    for (const TBookmarkNode &child : node.children) {
        if (child.isFolder()) {
            ++*folders;
            count(child, depth + 1, folders, links);
        } else {
            ++*links;
            FUZZ_CHECK(child.children.isEmpty());
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const TBookmarkReadResult read = TBookmarkFile::Parse(FuzzInput::bytes(data, size));
    if (!read.ok) {
        FUZZ_CHECK(!read.error.isEmpty());
        return 0;
    }
    int folders = 0, links = 0;
    count(read.root, 0, &folders, &links);
    FUZZ_CHECK(folders == read.folders && links == read.links);

    const TBookmarkReadResult again = TBookmarkFile::Parse(TBookmarkFile::Write(read.root));
    FUZZ_CHECK(again.ok);
    if (!sameTree(read.root, again.root)) {
        dump(read.root, 0);
        dump(again.root, 0);
    }
    FUZZ_CHECK(sameTree(read.root, again.root));

    const TImportPlan plan = PlanImport(read.root);
    QSet<QString> planned;
    for (const TImportItem &item : plan.items) {
        FUZZ_CHECK(TSafeName::IsSafeRelativePath(item.relativePath));
        const QString lower = item.relativePath.toCaseFolded();
        FUZZ_CHECK(!planned.contains(lower));
        const int slash = item.relativePath.lastIndexOf(QLatin1Char('/'));
        if (slash > 0)   // every folder comes before what it holds
            FUZZ_CHECK(planned.contains(item.relativePath.left(slash).toCaseFolded()));
        planned.insert(lower);
    }
    return 0;
}
