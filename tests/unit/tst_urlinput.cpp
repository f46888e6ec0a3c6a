// How Navigate reads the user's string: address, local file or search.

#include "testenv.h"

#include "platform/urlinput.h"

#include <QtTest>

Q_DECLARE_METATYPE(TUrlInputKind)

namespace {
const QString SearchPage = QStringLiteral("http://search.test/find?q=%s&src=tv");
}

class TestUrlInput : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void classify_data();
    void classify();
    void searchUrl_data();
    void searchUrl();

private:
    QTemporaryDir m_dir;
};

void TestUrlInput::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QFile file(m_dir.filePath("page.html"));
    QVERIFY(file.open(QIODevice::WriteOnly));
}

void TestUrlInput::classify_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<TUrlInputKind>("kind");
    QTest::addColumn<QString>("url");   // fully encoded; "%DIR%" and "%HOME%" expanded

    const auto A = TUrlInputKind::Address;
    const auto F = TUrlInputKind::File;
    const auto S = TUrlInputKind::Search;
    const auto E = TUrlInputKind::Empty;

    QTest::newRow("empty") << "" << E << "";
    QTest::newRow("blanks") << "   \t" << E << "";

    // Schemes are taken as they are.
    QTest::newRow("http") << "http://example.com/a?b=1#c" << A << "http://example.com/a?b=1#c";
    QTest::newRow("trimmed") << "  http://127.0.0.1:8765/b.html  " << A << "http://127.0.0.1:8765/b.html";
    QTest::newRow("about") << "about:blank" << A << "about:blank";
    QTest::newRow("javascript") << "javascript:void(0)" << A << "javascript:void(0)";
    QTest::newRow("mailto") << "mailto:someone@example.com" << A << "mailto:someone@example.com";
    QTest::newRow("view-source") << "view-source:http://x.org/" << A << "view-source:http://x.org/";
    QTest::newRow("unknown scheme") << "foo:bar" << A << "foo:bar";
    QTest::newRow("file url") << "file:///etc/hosts" << A << "file:///etc/hosts";

    // Hosts get http://, including host:port, which QUrl alone reads as a scheme.
    QTest::newRow("www") << "www.example.com" << A << "http://www.example.com";
    QTest::newRow("host path") << "example.com/path?q=1" << A << "http://example.com/path?q=1";
    QTest::newRow("ip port") << "127.0.0.1:8765/a.html" << A << "http://127.0.0.1:8765/a.html";
    QTest::newRow("localhost port") << "localhost:8765/b.html" << A << "http://localhost:8765/b.html";
    QTest::newRow("localhost") << "localhost" << A << "http://localhost";
    QTest::newRow("ipv6") << "[::1]:8080/x" << A << "http://[::1]:8080/x";
    QTest::newRow("intranet path") << "intranet/page" << A << "http://intranet/page";
    QTest::newRow("dotted name") << "a.html" << A << "http://a.html";
    QTest::newRow("trailing dot") << "example.com." << A << "http://example.com.";

    // Local paths.
    QTest::newRow("absolute") << "/home/u/a b.html" << F << "file:///home/u/a%20b.html";
    QTest::newRow("home") << "~/x.html" << F << "file://%HOME%/x.html";
    QTest::newRow("relative") << "./sub/../page.html" << F << "file://%DIR%/page.html";
    QTest::newRow("existing name") << "page.html" << F << "file://%DIR%/page.html";
    QTest::newRow("drive") << "C:\\Windows\\win.ini" << F << "file:///C:/Windows/win.ini";

    // Everything else is a search; never about:blank.
    QTest::newRow("word") << "example" << S << "http://search.test/find?q=example&src=tv";
    QTest::newRow("phrase") << "search terms  with spaces" << S
                            << "http://search.test/find?q=search+terms+with+spaces&src=tv";
    QTest::newRow("number") << "1.5" << S << "http://search.test/find?q=1.5&src=tv";
    QTest::newRow("reserved") << "what is c++? & more" << S
                              << "http://search.test/find?q=what+is+c%2B%2B%3F+%26+more&src=tv";
    QTest::newRow("colon phrase") << "define: word" << S << "http://search.test/find?q=define%3A+word&src=tv";
    QTest::newRow("bad port") << "host:abc" << A << "host:abc";
    // Text shaped like a path that makes no address is searched for too.
    QTest::newRow("UNC with a control character") << "\\\\\x01" << S << "http://search.test/find?q=%5C%5C%01&src=tv";
    QTest::newRow("UNC with a bad host") << "\\\\a b\\c" << S << "http://search.test/find?q=%5C%5Ca+b%5Cc&src=tv";
}

void TestUrlInput::classify()
{
    QFETCH(QString, input);
    QFETCH(TUrlInputKind, kind);
    QFETCH(QString, url);
    url.replace("%DIR%", QDir(m_dir.path()).canonicalPath());
    url.replace("%HOME%", QDir::homePath());

    const QString dir = QDir(m_dir.path()).canonicalPath();
    const TUrlInput result = ClassifyUrlInput(input, SearchPage, dir);
    QCOMPARE(result.kind, kind);
    if (kind == TUrlInputKind::Empty)
        return;
    QVERIFY(result.url.isValid());
    QCOMPARE(result.url.toString(QUrl::FullyEncoded), QUrl(url).toString(QUrl::FullyEncoded));
}

void TestUrlInput::searchUrl_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("words");
    QTest::addColumn<QString>("url");

    QTest::newRow("placeholder") << "http://s.test/?q=%s" << "a b" << "http://s.test/?q=a+b";
    QTest::newRow("appended") << "http://s.test/search?query=" << "a b" << "http://s.test/search?query=a+b";
    QTest::newRow("go search") << "http://s.test/?q=%s" << "" << "http://s.test/?q=";
    QTest::newRow("no page") << "" << "x" << "https://duckduckgo.com/?q=x";
    QTest::newRow("no scheme") << "not a page" << "x" << "https://duckduckgo.com/?q=x";
}

void TestUrlInput::searchUrl()
{
    QFETCH(QString, page);
    QFETCH(QString, words);
    QFETCH(QString, url);
    QCOMPARE(SearchUrl(page, words).toString(QUrl::FullyEncoded), url);
}

TV_TEST_MAIN_CORE(TestUrlInput)
#include "tst_urlinput.moc"
