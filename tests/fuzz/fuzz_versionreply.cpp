// The version reply: text from the network. A release is only ever announced with an
// http or https address that has a host.

#include "fuzzcheck.h"

#include "services/versioncheck.h"

#include <QUrl>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const TVersionReply reply = TVersionRules::Parse(FuzzInput::bytes(data, size));
    for (int checked : {0, 600, 118})
        if (TVersionRules::ShouldAnnounce(reply, checked)) {
            const QUrl url(reply.verUrl);
            FUZZ_CHECK(url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
            FUZZ_CHECK(!url.host().isEmpty() && reply.verId > checked && !reply.version.isEmpty());
        }
    return 0;
}
