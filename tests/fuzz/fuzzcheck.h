#pragma once
// Shared by the fuzz targets: a property that must hold for every input. A broken one
// aborts, which libFuzzer keeps as a crash and the corpus replay reports as a failure.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                  \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)

namespace FuzzInput {

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// A folder private to this process for readers that take a file name; removed at exit.
inline QString scratchFolder()
{
    static QTemporaryDir dir;
    return dir.path();
}

// Writes the input to `name` in the scratch folder and returns the path ("" on failure).
QString writeScratchFile(const QString &name, const QByteArray &bytes);

} // namespace FuzzInput
