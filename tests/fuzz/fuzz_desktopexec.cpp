// Desktop entries and their Exec line. A command line made from an entry never splits an
// address into several arguments and always names a program.

#include "fuzzcheck.h"

#include "platform/desktopentry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzInput::bytes(data, size);
    const QString path = FuzzInput::writeScratchFile(QStringLiteral("input.desktop"), bytes);
    if (path.isEmpty())
        return 0;
    TDesktopEntry entry = TDesktopEntries::Read(path, QStringLiteral("input.desktop"));
    // The whole input as an Exec value too, so that the splitter sees every byte.
    const QString asExec = TDesktopEntries::UnescapeValue(QString::fromUtf8(bytes));
    for (const QString &exec : {entry.exec, asExec}) {
        entry.exec = exec;
        const QStringList urls{QStringLiteral("https://example.com/a b?c=\"d\"&e=%20"),
                               QStringLiteral("file:///tmp/x y;z")};
        for (int n : {0, 1, 2}) {
            bool ok = false;
            const QStringList command = TDesktopEntries::Expand(entry, urls.mid(0, n), &ok);
            if (!ok) {
                FUZZ_CHECK(command.isEmpty());
                continue;
            }
            FUZZ_CHECK(!command.isEmpty());
            FUZZ_CHECK(!command.first().isEmpty());
            for (const QString &arg : command)   // pieces of an address split at its blank
                FUZZ_CHECK(arg != QLatin1String("https://example.com/a") && arg != QLatin1String("file:///tmp/x"));
        }
    }
    return 0;
}
