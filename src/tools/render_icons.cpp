// Build tool: draws the program's vane (its window icon, an SVG) as the PNG icons of the
// desktop's hicolor theme: OUTDIR/<N>x<N>/apps/tabvane.png for every size N given.
//
//   tabvane-render-icons tabvane.svg OUTDIR 16 22 24 32 48 64 128 256

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QSaveFile>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: %s ICON.svg OUTDIR SIZE...\n", argv[0]);
        return 2;
    }
    for (int i = 3; i < args.size(); ++i) {
        bool ok = false;
        const int size = args.at(i).toInt(&ok);
        if (!ok || size < 8 || size > 1024) {
            std::fprintf(stderr, "bad icon size: %s\n", qPrintable(args.at(i)));
            return 2;
        }
        QImageReader reader(args.at(1));
        reader.setScaledSize(QSize(size, size));
        QImage image = reader.read();
        if (image.isNull()) {
            std::fprintf(stderr, "cannot draw %s: %s\n", qPrintable(args.at(1)), qPrintable(reader.errorString()));
            return 1;
        }
        image = image.convertToFormat(QImage::Format_ARGB32);
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(args.at(2)).arg(size);
        QSaveFile out(dir + QStringLiteral("/tabvane.png"));
        if (!QDir().mkpath(dir) || !out.open(QIODevice::WriteOnly) || !image.save(&out, "PNG") || !out.commit()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(out.fileName()));
            return 1;
        }
    }
    return 0;
}
