// The web browser control on the real engine, against pages served from 127.0.0.1.

#include "httpserver.h"
#include "testenv.h"

#include "browser/vessabrowser.h"
#include "platform/offline.h"
#include "platform/pagedialogs.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/webengine_control.h"
#include "platform/webprofile.h"

#include <QtTest>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

const int Timeout = 20000;

// Records every event of a control, answers BeforeNavigate2 and NewWindow2 as a test
// wants, and keeps load cycles the way a browser tab does.
class TEventLog : public QObject {
public:
    explicit TEventLog(TWebControl *control) : m_control(control)
    {
        connect(control, &TWebControl::BeforeNavigate2, this,
                [this](TWebFrame frame, const QString &url, bool *cancel, const TNavigation &navigation) {
                    events << QStringLiteral("BN2 %1 %2").arg(where(frame), url);
                    kinds << QStringLiteral("%1 %2 %3").arg(where(frame), typeName(navigation.type),
                                                            navigation.mainFrame ? QStringLiteral("main") : QStringLiteral("frame"));
                    if (frame != m_control->Application())
                        subFrames << frame;
                    if (cancelIf && cancelIf(frame, url)) {
                        *cancel = true;
                        events << QStringLiteral("cancelled");
                        return;
                    }
                    if (!loadFrame && !url.startsWith(QLatin1String("javascript")))
                        loadFrame = frame;
                });
        connect(control, &TWebControl::NavigateComplete2, this, [this](TWebFrame frame, const QString &url) {
            events << QStringLiteral("NC2 %1 %2").arg(where(frame), url);
        });
        connect(control, &TWebControl::DocumentComplete, this, [this](TWebFrame frame, const QString &url) {
            events << QStringLiteral("DC2 %1 %2").arg(where(frame), url);
            completed << frame;
            if (frame == loadFrame)
                loadFrame = nullptr;
        });
        connect(control, &TWebControl::DownloadBegin, this, [this] { events << QStringLiteral("DB"); });
        connect(control, &TWebControl::DownloadComplete, this, [this] { events << QStringLiteral("DE"); });
        connect(control, &TWebControl::TitleChange, this, [this](const QString &t) {
            events << QStringLiteral("TITLE %1").arg(t);
        });
        connect(control, &TWebControl::ProgressChange, this, [this](int p, int m) {
            events << QStringLiteral("PROGRESS %1/%2").arg(p).arg(m);
        });
        connect(control, &TWebControl::CommandStateChange, this, [this](int command, bool enable) {
            if (command == CSC_NAVIGATEBACK)
                canGoBack = enable;
            if (command == CSC_NAVIGATEFORWARD)
                canGoForward = enable;
        });
        connect(control, &TWebControl::NewWindow2, this, [this](TWebFrame *newWindow, bool *cancel) {
            events << QStringLiteral("NW2");
            TWebControl *target = newWindowTarget ? newWindowTarget() : nullptr;
            if (target)
                *newWindow = target->Application();
            else
                *cancel = true;
        });
        connect(control, &TWebControl::WindowCloseRequested, this, [this] {
            events << QStringLiteral("CLOSE");
        });
    }

    static QString typeName(TNavigationType type)
    {
        switch (type) {
        case TNavigationType::LinkClicked: return QStringLiteral("link");
        case TNavigationType::Typed: return QStringLiteral("typed");
        case TNavigationType::FormSubmitted: return QStringLiteral("form");
        case TNavigationType::BackForward: return QStringLiteral("backforward");
        case TNavigationType::Reload: return QStringLiteral("reload");
        case TNavigationType::Redirect: return QStringLiteral("redirect");
        case TNavigationType::Other: return QStringLiteral("other");
        }
        return QString();
    }
    QString where(TWebFrame frame) const
    {
        return frame == m_control->Application() ? QStringLiteral("top") : QStringLiteral("sub");
    }
    int indexOf(const QString &prefix, int from = 0) const
    {
        for (int i = from; i < events.size(); ++i)
            if (events.at(i).startsWith(prefix))
                return i;
        return -1;
    }
    bool has(const QString &prefix) const { return indexOf(prefix) >= 0; }
    void clear()
    {
        events.clear();
        kinds.clear();
        subFrames.clear();
        completed.clear();
    }

    QStringList events;
    QStringList kinds;   // per BeforeNavigate2: "top|sub <type> main|frame"
    QList<TWebFrame> subFrames;
    QList<TWebFrame> completed;
    TWebFrame loadFrame = nullptr;
    bool canGoBack = false;
    bool canGoForward = false;
    std::function<bool(TWebFrame, const QString &)> cancelIf;
    std::function<TWebControl *()> newWindowTarget;

private:
    TWebControl *m_control;
};

// A shown control with its log.
struct TBrowser {
    TBrowser()
    {
        control.widget()->resize(640, 480);
        control.widget()->show();
    }
    TWebEngineControl control;
    TEventLog log{&control};

    bool load(const QString &url)
    {
        log.clear();
        control.Navigate(url);
        return QTest::qWaitFor([this] { return log.has("DC2 top") && !log.loadFrame; }, Timeout);
    }
};

QString js(TWebEngineControl &c, const QString &script)
{
    return c.evaluateBlocking(script, Timeout, nullptr, false).toString();
}

// Clicks the middle of the element with a real mouse event, as a user would, once the
// page has drawn two frames (so it is on screen where its layout says).
bool click(TWebEngineControl &c, const QString &id)
{
    js(c, "window.tvFramesDrawn = 0;"
          " requestAnimationFrame(function () { requestAnimationFrame(function () {"
          " window.tvFramesDrawn = 2; }); }); 'ok'");
    if (!QTest::qWaitFor([&c] { return js(c, "String(window.tvFramesDrawn)") == "2"; }, Timeout))
        return false;
    const QString script = QStringLiteral(
            "(function () { var e = document.getElementById('%1'); if (!e) return '';"
            " var r = e.getBoundingClientRect();"
            " return JSON.stringify({x: r.left + r.width / 2, y: r.top + r.height / 2}); })()").arg(id);
    const QJsonObject pos = QJsonDocument::fromJson(js(c, script).toUtf8()).object();
    if (pos.isEmpty())
        return false;
    QWidget *top = c.widget()->window();
    const QPoint p = c.widget()->mapTo(top, QPoint(qRound(pos.value("x").toDouble()),
                                                          qRound(pos.value("y").toDouble())));
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, p);
    return true;
}

}

class TestWebEngineControl : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void navigationEvents();
    void redirectAndCancel();
    void navigationTypes();
    void frameCycles();
    void newWindows();
    void windowClose();
    void scriptAndBlankAddresses();
    void documentOperations();
    void saveWithBaseHref();
    void workOffline();
    void userAgentTokens();
    void findAndViewSource();

private:
    TTestHttpServer m_server;
};

void TestWebEngineControl::initTestCase()
{
    QVERIFY(m_server.isListening());
    m_server.route("/a.html", "<html><head><title>Page A</title></head><body>"
                   "<a id=l href='/b.html'>to b</a></body></html>");
    m_server.route("/b.html", "<html><head><title>Page B</title></head><body>B</body></html>");
    m_server.redirect("/old", "/b.html");
    m_server.route("/frames.html", "<html><head><title>Frames</title></head><body>"
                   "<iframe id=f src='/inner1.html'></iframe></body></html>");
    m_server.route("/inner1.html", "<html><body>inner 1</body></html>");
    m_server.route("/inner2.html", "<html><body>inner 2</body></html>");
    m_server.route("/inner3.html", "<html><body>inner 3</body></html>");
    m_server.route("/opener.html", "<html><head><title>Opener</title></head><body style='margin:0'>"
                   "<a id=blank target=_blank href='/b.html' style='display:block;height:40px'>new</a>"
                   "<button id=open onclick=\"window.open('/a.html')\" style='height:40px'>open</button>"
                   "<button id=empty onclick=\"window.open()\" style='height:40px'>empty</button>"
                   "</body></html>");
    m_server.route("/closer.html", "<html><head><title>Closer</title></head><body>"
                   "<button id=c onclick='window.close()' style='height:40px'>close</button></body></html>");
    m_server.route("/closeropener.html", "<html><body style='margin:0'>"
                   "<button id=o onclick=\"window.open('/closer.html')\" style='height:40px'>o</button>"
                   "</body></html>");
    m_server.route("/links.html", "<html><head><title>Links</title></head><body>"
                   "<a href='/one.html'>First</a> <a href='/p2.html'>Next page</a>"
                   " <a name=anchor>no link</a> <a href='/p3.html'>next &raquo;</a></body></html>");
    m_server.route("/find.html", "<html><head><title>Find</title></head><body>"
                   "apple Apple apple pear</body></html>");
    m_server.route("/dir/page.html", "<html><head><title>Tab: A&amp;B 2.0</title></head>\n"
                   "<body>line one\nline two</body></html>\n");
}

void TestWebEngineControl::navigationEvents()
{
    TBrowser b;
    QVERIFY(b.load(m_server.urlString("/a.html")));
    const QStringList &e = b.log.events;
    const QString a = m_server.urlString("/a.html");
    // One cycle in order: announce, begin, arrive, complete.
    const int bn2 = b.log.indexOf("BN2 top " + a);
    const int db = b.log.indexOf("DB");
    const int nc2 = b.log.indexOf("NC2 top " + a);
    const int de = b.log.indexOf("DE");
    const int dc2 = b.log.indexOf("DC2 top " + a);
    QVERIFY2(bn2 >= 0 && bn2 < db && db < nc2 && nc2 < de && de < dc2, qPrintable(e.join('\n')));
    QVERIFY(e.contains("TITLE Page A"));
    QVERIFY(b.log.indexOf("PROGRESS 100/100") > db && b.log.indexOf("PROGRESS 100/100") < de);
    QCOMPARE(b.control.LocationURL(), a);
    QCOMPARE(b.control.LocationName(), QStringLiteral("Page A"));
    QVERIFY(!b.control.Busy());
    QVERIFY(!b.log.canGoBack);

    QVERIFY(b.load(m_server.urlString("/b.html")));
    QTRY_VERIFY_WITH_TIMEOUT(b.log.canGoBack, Timeout);
    QVERIFY(!b.log.canGoForward);
    b.log.clear();
    b.control.GoBack();
    QTRY_VERIFY_WITH_TIMEOUT(b.log.has("DC2 top " + a) && b.log.canGoForward && !b.log.canGoBack, Timeout);
    QVERIFY(b.log.has("BN2 top " + a));
    QTRY_COMPARE_WITH_TIMEOUT(b.control.LocationName(), QStringLiteral("Page A"), Timeout);
}

void TestWebEngineControl::redirectAndCancel()
{
    TBrowser b;
    const QString target = m_server.urlString("/b.html");
    QVERIFY(b.load(m_server.urlString("/old")));
    QVERIFY(b.log.has("BN2 top " + m_server.urlString("/old")));
    QVERIFY(b.log.indexOf("BN2 top " + target) > b.log.indexOf("BN2 top " + m_server.urlString("/old")));
    QVERIFY(b.log.has("DC2 top " + target));
    QCOMPARE(b.control.LocationURL(), target);

    // A refused navigation leaves the page and no open cycle, and never reaches the server.
    QVERIFY(b.load(m_server.urlString("/a.html")));
    m_server.clearRequests();
    b.log.clear();
    b.log.cancelIf = [](TWebFrame, const QString &url) { return url.endsWith("/b.html"); };
    QVERIFY(click(b.control, "l"));
    QTRY_VERIFY_WITH_TIMEOUT(b.log.has("cancelled"), Timeout);
    QTRY_VERIFY_WITH_TIMEOUT(!b.control.Busy(), Timeout);
    QVERIFY(!b.log.loadFrame);
    QCOMPARE(b.control.LocationURL(), m_server.urlString("/a.html"));
    QVERIFY(!b.log.has("NC2 top " + target));

    // Refusing the target of a redirect stops there too.
    b.log.clear();
    b.control.Navigate(m_server.urlString("/old"));
    QTRY_VERIFY_WITH_TIMEOUT(b.log.has("cancelled") && !b.control.Busy(), Timeout);
    QVERIFY(!b.log.loadFrame);
    QCOMPARE(m_server.requestCount("/old"), 1);
    QCOMPARE(m_server.requestCount("/b.html"), 0);
}

void TestWebEngineControl::navigationTypes()
{
    // How each navigation came about reaches the host with it.
    TBrowser b;
    QVERIFY(b.load(m_server.urlString("/a.html")));
    QCOMPARE(b.log.kinds, QStringList{"top typed main"});
    b.log.clear();
    QVERIFY(click(b.control, "l"));
    QTRY_VERIFY_WITH_TIMEOUT(b.log.has("DC2 top " + m_server.urlString("/b.html")), Timeout);
    QCOMPARE(b.log.kinds.value(0), QStringLiteral("top link main"));
    b.log.clear();
    b.control.Refresh();
    QTRY_VERIFY_WITH_TIMEOUT(b.log.has("DC2 top " + m_server.urlString("/b.html")), Timeout);
    QCOMPARE(b.log.kinds.value(0), QStringLiteral("top reload main"));
    b.log.clear();
    b.control.GoBack();
    QTRY_VERIFY_WITH_TIMEOUT(b.log.has("DC2 top " + m_server.urlString("/a.html")), Timeout);
    QCOMPARE(b.log.kinds.value(0), QStringLiteral("top backforward main"));

    // A frame's first load, and a frame sent elsewhere.
    QVERIFY(b.load(m_server.urlString("/frames.html")));
    QCOMPARE(b.log.kinds, (QStringList{"top typed main", "sub other frame"}));
    b.log.clear();
    js(b.control, "document.getElementById('f').src = '/inner2.html'; 'ok'");
    QTRY_VERIFY_WITH_TIMEOUT(!b.log.kinds.isEmpty(), Timeout);
    QCOMPARE(b.log.kinds.first(), QStringLiteral("sub link frame"));
}

void TestWebEngineControl::frameCycles()
{
    TBrowser b;
    QVERIFY(b.load(m_server.urlString("/frames.html")));
    // The initial frame is announced with a handle of its own, and completed.
    QCOMPARE(b.log.subFrames.size(), 1);
    QVERIFY(b.log.subFrames.first() != b.control.Application());
    QVERIFY(b.log.completed.contains(b.log.subFrames.first()));

    // A frame navigating after the page loaded opens a cycle of its own that ends.
    b.log.clear();
    js(b.control, "document.getElementById('f').src = '/inner2.html'; 'ok'");
    QTRY_VERIFY_WITH_TIMEOUT(b.log.has("BN2 sub " + m_server.urlString("/inner2.html")), Timeout);
    const TWebFrame frame = b.log.subFrames.first();
    QVERIFY(frame != b.control.Application());
    QCOMPARE(b.log.loadFrame, frame);
    QTRY_VERIFY_WITH_TIMEOUT(!b.log.loadFrame, Timeout);
    // Reported by the frame itself (the safety delay gives no NavigateComplete2).
    QVERIFY(b.log.has("NC2 sub " + m_server.urlString("/inner2.html")));
    QVERIFY(!b.log.has("DC2 top"));

    // A refused frame navigation ends its cycle at once and is never requested.
    b.log.clear();
    b.log.cancelIf = [](TWebFrame, const QString &url) { return url.endsWith("/inner3.html"); };
    js(b.control, "document.getElementById('f').src = '/inner3.html'; 'ok'");
    QTRY_VERIFY_WITH_TIMEOUT(b.log.has("cancelled"), Timeout);
    QVERIFY(b.log.completed.contains(b.log.subFrames.first()));
    QCOMPARE(m_server.requestCount("/inner3.html"), 0);
}

void TestWebEngineControl::newWindows()
{
    TBrowser opener;
    std::unique_ptr<TBrowser> popup;
    opener.log.newWindowTarget = [&popup]() -> TWebControl * {
        popup = std::make_unique<TBrowser>();
        popup->control.Navigate(QStringLiteral("about:blank"));   // as a new tab starts
        return &popup->control;
    };
    QVERIFY(opener.load(m_server.urlString("/opener.html")));

    // target=_blank: the address arrives in the adopted control's own BeforeNavigate2.
    QVERIFY(click(opener.control, "blank"));
    QTRY_VERIFY_WITH_TIMEOUT(popup && popup->log.has("DC2 top " + m_server.urlString("/b.html")), Timeout);
    QVERIFY(popup->log.has("BN2 top " + m_server.urlString("/b.html")));
    QTRY_COMPARE_WITH_TIMEOUT(popup->control.LocationName(), QStringLiteral("Page B"), Timeout);
    QCOMPARE(opener.control.LocationURL(), m_server.urlString("/opener.html"));
    QVERIFY(!popup->log.loadFrame);

    // window.open(address) from a click.
    popup.reset();
    QVERIFY(click(opener.control, "open"));
    QTRY_VERIFY_WITH_TIMEOUT(popup && popup->log.has("DC2 top " + m_server.urlString("/a.html")), Timeout);
    QVERIFY(popup->log.has("BN2 top " + m_server.urlString("/a.html")));

    // window.open() without an address: no real address is announced.
    popup.reset();
    QVERIFY(click(opener.control, "empty"));
    QTRY_VERIFY_WITH_TIMEOUT(popup && popup->log.has("DC2 top"), Timeout);
    for (const QString &event : popup->log.events)
        QVERIFY2(!event.startsWith("BN2") || event == "BN2 top about:blank", qPrintable(event));
    QVERIFY(!popup->log.loadFrame);

    // A handler that refuses gives no window.
    popup.reset();
    opener.log.newWindowTarget = nullptr;
    opener.log.clear();
    QVERIFY(click(opener.control, "blank"));
    QTRY_VERIFY_WITH_TIMEOUT(opener.log.has("NW2"), Timeout);
    QCOMPARE(opener.control.LocationURL(), m_server.urlString("/opener.html"));
}

void TestWebEngineControl::windowClose()
{
    TBrowser opener;
    std::unique_ptr<TBrowser> popup;
    opener.log.newWindowTarget = [&popup]() -> TWebControl * {
        popup = std::make_unique<TBrowser>();
        return &popup->control;
    };
    QVERIFY(opener.load(m_server.urlString("/closeropener.html")));
    QVERIFY(click(opener.control, "o"));
    QTRY_VERIFY_WITH_TIMEOUT(popup && popup->log.has("DC2 top " + m_server.urlString("/closer.html")), Timeout);
    QVERIFY(click(popup->control, "c"));
    QTRY_VERIFY_WITH_TIMEOUT(popup->log.has("CLOSE"), Timeout);
    // Deleting the control from the handler's consequences is safe.
    popup.reset();
    QVERIFY(opener.load(m_server.urlString("/a.html")));
}

void TestWebEngineControl::scriptAndBlankAddresses()
{
    TBrowser b;
    QVERIFY(b.load(QStringLiteral("about:blank")));
    QCOMPARE(b.log.events.first(), QStringLiteral("BN2 top about:blank"));
    QVERIFY(b.load(m_server.urlString("/a.html")));

    // A javascript: address is announced as it is and runs in the page, with no load.
    b.log.clear();
    b.control.Navigate(QStringLiteral("javascript:void(document.title='changed')"));
    QTRY_COMPARE_WITH_TIMEOUT(b.control.LocationName(), QStringLiteral("changed"), Timeout);
    QVERIFY(b.log.events.first().startsWith("BN2 top javascript:"));
    QVERIFY(!b.log.has("DB"));
    QCOMPARE(b.control.LocationURL(), m_server.urlString("/a.html"));

    // Refused, it does not run.
    b.log.cancelIf = [](TWebFrame, const QString &url) { return url.startsWith("javascript:"); };
    b.control.Navigate(QStringLiteral("javascript:void(document.title='again')"));
    QCOMPARE(js(b.control, "document.title"), QStringLiteral("changed"));

    // A phrase is a search on the search page, never about:blank.
    TRegistry().writeString("Software\\Microsoft\\Internet Explorer\\Main", "Search Page",
                            m_server.urlString("/search?q=%s"));
    m_server.route("/search", "<title>Results</title>");
    QVERIFY(b.load(QStringLiteral("two words")));
    QCOMPARE(b.control.LocationURL(), m_server.urlString("/search?q=two+words"));
    QCOMPARE(m_server.requestsFor("/search").last().target, QStringLiteral("/search?q=two+words"));
}

void TestWebEngineControl::documentOperations()
{
    TBrowser b;
    QVERIFY(b.load(m_server.urlString("/links.html")));

    const QList<TWebLink> links = b.control.Links();
    QCOMPARE(links.size(), 3);
    QCOMPARE(links.at(1).text, QStringLiteral("Next page"));
    QCOMPARE(links.at(1).href, m_server.urlString("/p2.html"));
    QCOMPARE(links.at(2).href, m_server.urlString("/p3.html"));

    // Text size is the page zoom; a new page keeps it.
    QCOMPARE(b.control.Zoom(), 2);
    b.control.SetZoom(4);
    QCOMPARE(b.control.Zoom(), 4);
    QTRY_COMPARE_WITH_TIMEOUT(js(b.control, "String(Math.round(window.devicePixelRatio * 100))"),
                              QStringLiteral("150"), Timeout);
    b.control.SetZoom(7);   // out of range: ignored
    QCOMPARE(b.control.Zoom(), 4);
    b.control.SetZoom(0);
    QCOMPARE(b.control.Zoom(), 0);

    // Writing replaces the document but keeps the address and adds no history.
    b.log.clear();
    b.control.WriteDocument(QStringLiteral("<title>Written</title><p id=w>\"quoted\" </script> & more</p>"));
    QTRY_COMPARE_WITH_TIMEOUT(b.control.LocationName(), QStringLiteral("Written"), Timeout);
    QCOMPARE(js(b.control, "document.getElementById('w').textContent"),
             QStringLiteral("\"quoted\"  & more"));
    QCOMPARE(b.control.LocationURL(), m_server.urlString("/links.html"));
    QVERIFY(!b.log.has("DB"));

    // Saving writes the current document, script changes included.
    const QString path = QDir::temp().filePath("tst_webengine_save.htm");
    QVERIFY(b.control.SaveDocument(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("<title>Written</title>"));
    file.close();
    QFile::remove(path);
    QFile blocker(QDir::temp().filePath("tst_webengine_blocker"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVERIFY(!b.control.SaveDocument(blocker.fileName() + "/x.htm"));
    blocker.remove();

    // Writing while a load is under way waits for the new document.
    b.control.Navigate(m_server.urlString("/a.html"));
    b.control.WriteDocument(QStringLiteral("<title>After load</title>"));
    QTRY_COMPARE_WITH_TIMEOUT(b.control.LocationName(), QStringLiteral("After load"), Timeout);
    QCOMPARE(b.control.LocationURL(), m_server.urlString("/a.html"));
}

void TestWebEngineControl::saveWithBaseHref()
{
    TVessaBrowser view(nullptr, false, false);
    view.resize(640, 480);
    view.show();
    TEventLog log(view.Control());
    view.NavigateTo(m_server.urlString("/dir/page.html"));
    QTRY_VERIFY_WITH_TIMEOUT(log.has("DC2 top"), Timeout);
    QCOMPARE(view.PageTitle(), QStringLiteral("Tab: A&B 2.0"));

    const QString path = view.SaveWithBaseHref();
    QCOMPARE(path, TPaths::RunTempDir() + QStringLiteral("/Tab  A B 2.0.htm"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();
    const QByteArray first = "<BASE HREF=\"" + m_server.urlString("/dir/").toUtf8() + "\">\r\n";
    QVERIFY(data.startsWith(first));
    QVERIFY(data.contains("line one\r\nline two"));
    QVERIFY(!data.contains("\n\n"));
    QVERIFY(!QFile::exists(TPaths::RunTempDir() + QStringLiteral("/Tab  A B 2.0.tmp")));
    file.close();
    QFile::remove(path);

    const QString temp = view.SaveToTempFile();
    QVERIFY(QFileInfo(temp).fileName().startsWith("tmp"));
    QVERIFY(temp.endsWith(".htm"));
    QFile copy(temp);
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QVERIFY(copy.readAll().contains("line one"));
    QFile::remove(temp);
}

void TestWebEngineControl::workOffline()
{
    TBrowser b;
    QVERIFY(TOffline::SetOffline(true));
    QVERIFY(TOffline::IsOffline());
    m_server.clearRequests();
    QVERIFY(b.load(m_server.urlString("/a.html")));
    QCOMPARE(m_server.requestCount("/a.html"), 0);
    QVERIFY(b.control.LocationName() != QStringLiteral("Page A"));

    // The program's own page stands in for the engine's error page, at the address asked for.
    QTRY_COMPARE_WITH_TIMEOUT(b.control.LocationName(), QStringLiteral("Working Offline"), Timeout);
    QCOMPARE(b.control.LocationURL(), m_server.urlString("/a.html"));
    const QString text = js(b.control, "document.body.innerText");
    QVERIFY2(text.contains("Tabvane is working offline"), qPrintable(text));
    QVERIFY2(text.contains(m_server.urlString("/a.html")), qPrintable(text));
    // A button of the page's own cannot switch the program online.
    js(b.control, "var f = document.createElement('button'); f.id = 'fake';"
                  " f.textContent = 'fake'; f.onclick = function () { console.log('goOnline'); };"
                  " document.body.appendChild(f); 'ok'");
    QVERIFY(click(b.control, "fake"));
    QVERIFY(b.load(m_server.urlString("/b.html")));   // still refused
    QVERIFY(TOffline::IsOffline());
    QCOMPARE(m_server.requestCount("/b.html"), 0);

    // Its button goes online and loads the page.
    b.control.GoBack();
    QTRY_COMPARE_WITH_TIMEOUT(b.control.LocationURL(), m_server.urlString("/a.html"), Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(b.control.LocationName(), QStringLiteral("Working Offline"), Timeout);
    QSignalSpy changed(TOfflineNotifier::instance(), &TOfflineNotifier::OfflineChanged);
    QVERIFY(click(b.control, "cmdGoOnline"));
    QTRY_COMPARE_WITH_TIMEOUT(b.control.LocationName(), QStringLiteral("Page A"), Timeout);
    QCOMPARE(m_server.requestCount("/a.html"), 1);
    QVERIFY(!TOffline::IsOffline());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toBool(), false);

    QVERIFY(TOffline::SetOffline(false));
    QVERIFY(b.load(m_server.urlString("/a.html")));
    QCOMPARE(m_server.requestCount("/a.html"), 2);
    QTRY_COMPARE_WITH_TIMEOUT(b.control.LocationName(), QStringLiteral("Page A"), Timeout);
}

void TestWebEngineControl::userAgentTokens()
{
    const QString key = QStringLiteral(
            "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\User Agent\\Post Platform");
    TRegistry(RegRoot::LocalMachine).writeString(key, "Tabvane 6.01", "IEAK");
    TRegistry(RegRoot::LocalMachine).writeString(key, "Other(1)", "IEAK");
    TBrowser b;
    m_server.clearRequests();
    QVERIFY(b.load(m_server.urlString("/b.html")));
    const QByteArray agent = m_server.requestsFor("/b.html").value(0).header("User-Agent");
    QVERIFY2(agent.contains("; Tabvane 6.01; Other 1)"), agent.constData());
    QCOMPARE(js(b.control, "navigator.userAgent").toUtf8(), agent);

    // Removed tokens leave the user agent at the next navigation.
    TRegistry(RegRoot::LocalMachine).deleteKey(key);
    m_server.clearRequests();
    QVERIFY(b.load(m_server.urlString("/b.html")));
    QVERIFY(!m_server.requestsFor("/b.html").value(0).header("User-Agent").contains("Tabvane"));
}

void TestWebEngineControl::findAndViewSource()
{
    TBrowser b;
    QVERIFY(b.load(m_server.urlString("/find.html")));

    int matches = -1, active = -1;
    b.control.findText("apple", false, false, [&](int m, int a) { matches = m; active = a; });
    QTRY_COMPARE_WITH_TIMEOUT(matches, 3, Timeout);
    QCOMPARE(active, 1);
    matches = -1;
    b.control.findText("Apple", true, false, [&](int m, int a) { matches = m; active = a; });
    QTRY_COMPARE_WITH_TIMEOUT(matches, 1, Timeout);

    // The find dialog drives the same search and shows the count.
    b.control.Exec(TDocCommand::Find);
    TFindDialog *dialog = b.control.findDialog();
    QVERIFY(dialog && dialog->isVisible());
    dialog->findChild<QLineEdit *>("edtFind")->setText("pear");
    dialog->findChild<QPushButton *>("cmdFindNext")->click();
    QTRY_COMPARE_WITH_TIMEOUT(dialog->resultText(), QStringLiteral("Match 1 of 1"), Timeout);
    dialog->findChild<QLineEdit *>("edtFind")->setText("plum");
    dialog->findNext();
    QTRY_COMPARE_WITH_TIMEOUT(dialog->resultText(), QStringLiteral("The text was not found."), Timeout);
    dialog->reject();

    // View Source opens the page's source as a new window.
    std::unique_ptr<TBrowser> source;
    b.log.newWindowTarget = [&source]() -> TWebControl * {
        source = std::make_unique<TBrowser>();
        return &source->control;
    };
    b.control.Exec(TDocCommand::ViewSource);
    QTRY_VERIFY_WITH_TIMEOUT(source && source->log.has("DC2 top"), Timeout);
    QTRY_VERIFY_WITH_TIMEOUT(source->control.LocationURL().startsWith("view-source:"), Timeout);
    QTRY_VERIFY_WITH_TIMEOUT(js(source->control, "document.body.innerText").contains("apple Apple"), Timeout);
}

TV_TEST_MAIN_GUI(TestWebEngineControl)
#include "tst_webengine_control.moc"
