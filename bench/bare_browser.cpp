// The bare program the start-up and tab benchmarks compare Tabvane with: one plain
// QWebEngineView on the default profile, nothing around it.
//
//   bare_browser URL [WIDTH HEIGHT]

#include <QApplication>
#include <QUrl>
#include <QWebEngineView>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bare_browser URL [WIDTH HEIGHT]\n");
        return 2;
    }
    // The engine's sandbox cannot run as root; Tabvane turns it off the same way.
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);

    QWebEngineView view;
    const int width = argc > 3 ? QByteArray(argv[2]).toInt() : 0;
    const int height = argc > 3 ? QByteArray(argv[3]).toInt() : 0;
    if (width > 0 && height > 0)
        view.resize(width, height);
    view.load(QUrl::fromUserInput(QString::fromLocal8Bit(argv[1])));
    view.show();
    return app.exec();
}
