// The address bar's reading of typed text. Whatever is typed gives a usable address, and
// a search always goes to the search page with the text as its query.

#include "fuzzcheck.h"

#include "platform/urlinput.h"

#include <QUrlQuery>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(FuzzInput::bytes(data, size));
    // An empty folder: no name typed can be taken for a file that happens to exist.
    const TUrlInput input = ClassifyUrlInput(text, DefaultSearchPage(), FuzzInput::scratchFolder());
    if (text.trimmed().isEmpty()) {
        FUZZ_CHECK(input.kind == TUrlInputKind::Empty);
        return 0;
    }
    FUZZ_CHECK(input.kind != TUrlInputKind::Empty);
    FUZZ_CHECK(input.url.isValid());
    if (input.kind == TUrlInputKind::Search) {
        FUZZ_CHECK(input.url.host() == QLatin1String("duckduckgo.com"));
        FUZZ_CHECK(QUrlQuery(input.url).hasQueryItem(QStringLiteral("q")));
    }
    if (input.kind == TUrlInputKind::File)
        FUZZ_CHECK(input.url.isLocalFile() || input.url.scheme() == QLatin1String("file"));
    return 0;
}
