// Runs every file of the given corpus folders (or the given files) once through the fuzz
// target, without libFuzzer: the normal build's test of the corpus. Exits non-zero when a
// property breaks (the target aborts) or when there was no input at all.

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

char currentInput[4096];

// Names the input that broke a property (the target aborts).
void onAbort(int)
{
    const char lead[] = "while replaying ";
    (void)!write(2, lead, sizeof lead - 1);
    (void)!write(2, currentInput, strlen(currentInput));
    (void)!write(2, "\n", 1);
    std::signal(SIGABRT, SIG_DFL);
    std::raise(SIGABRT);
}

} // namespace

int main(int argc, char **argv)
{
    std::signal(SIGABRT, onAbort);
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        QStringList files;
        if (QFileInfo(arg).isDir()) {
            for (const QString &name : QDir(arg).entryList(QDir::Files, QDir::Name))
                files << QDir(arg).filePath(name);
        } else {
            files << arg;
        }
        for (const QString &path : files) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
                return 1;
            }
            const QByteArray bytes = file.readAll();
            qstrncpy(currentInput, QFile::encodeName(path).constData(), sizeof currentInput);
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
            ++inputs;
        }
    }
    std::printf("%d inputs replayed\n", inputs);
    return inputs > 0 ? 0 : 1;
}
