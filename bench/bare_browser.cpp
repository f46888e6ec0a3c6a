// The bare program the start-up and tab benchmarks compare Tabvane with: one plain
// QWebEngineView on the default profile, nothing around it.
//
//   bare_browser URL [WIDTH HEIGHT]

#include <QApplication>
#include <QElapsedTimer>
#include <QUrl>
#include <QWebEngineView>

#include <cstdio>
#include <unistd.h>

namespace {
// The same marks as Tabvane's start-up trace (TABVANE_TRACE_STARTUP=1), for comparison.
QElapsedTimer g_clock;
void mark(const char *what)
{
    static const bool on = qgetenv("TABVANE_TRACE_STARTUP") == "1";
    static qint64 last = 0;
    if (!on)
        return;
    const qint64 ns = g_clock.nsecsElapsed();
    std::fprintf(stderr, "tabvane-trace %8.1f ms  (+%6.1f)  %s\n", ns / 1e6, (ns - last) / 1e6, what);
    std::fflush(stderr);
    last = ns;
}
}

int main(int argc, char **argv)
{
    g_clock.start();
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
    mark("application object made");

    QWebEngineView view;
    QObject::connect(&view, &QWebEngineView::loadStarted, [] { mark("first page: load started"); });
    QObject::connect(&view, &QWebEngineView::urlChanged, [] { mark("first page: address committed"); });
    QObject::connect(&view, &QWebEngineView::loadFinished, [] { mark("first page: load finished"); });
    mark("view made");
    const int width = argc > 3 ? QByteArray(argv[2]).toInt() : 0;
    const int height = argc > 3 ? QByteArray(argv[3]).toInt() : 0;
    if (width > 0 && height > 0)
        view.resize(width, height);
    view.load(QUrl::fromUserInput(QString::fromLocal8Bit(argv[1])));
    mark("first page: load() called");
    view.show();
    mark("main window shown");
    return app.exec();
}
