#include "search/searchbarpage.h"

#include "platform/webprofile.h"
#include "search/searchroute.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>

namespace {

// The page's script: typed words go into the engines' links; Enter follows the first one.
const char PageScript[] = R"JS(
(function () {
    var box = document.getElementById('words');
    var links = Array.prototype.slice.call(document.querySelectorAll('a[data-location]'));
    function address(location, start, words) {
        if (location.indexOf('%s') < 0 || !words)
            return start;
        var query = location.indexOf('?');
        var out = '', from = 0, at;
        while ((at = location.indexOf('%s', from)) >= 0) {
            var coded = encodeURIComponent(words);
            out += location.substring(from, at) + (query >= 0 && at > query ? coded.replace(/%20/g, '+') : coded);
            from = at + 2;
        }
        return out + location.substring(from);
    }
    function update() {
        var words = box.value.replace(/\s+/g, ' ').trim();
        links.forEach(function (link) {
            link.href = address(link.getAttribute('data-location'), link.getAttribute('data-start'), words);
        });
    }
    box.addEventListener('input', update);
    document.getElementById('search').addEventListener('submit', function (event) {
        event.preventDefault();
        update();
        if (links.length)
            links[0].click();
    });
    update();
})();
)JS";

QString attribute(const QString &text)
{
    return text.toHtmlEscaped();
}

}

QString TSearchBarScheme::Address()
{
    return QLatin1String(TWebProfile::OwnScheme) + QStringLiteral(":searchbar");
}

void TSearchBarScheme::Install()
{
    QWebEngineProfile *profile = TWebProfile::instance()->profile();
    for (const char *scheme : {TWebProfile::OwnScheme, TWebProfile::KeepScheme}) {
        if (!profile->urlSchemeHandler(scheme))
            profile->installUrlSchemeHandler(scheme, new TSearchBarScheme(profile));
    }
}

QString TSearchBarScheme::PageHtml(const TSearchEntries &engines)
{
    QString html = QStringLiteral(
            "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Search</title>\n"
            "<style>body{font:13px sans-serif;margin:8px;background:#f3f3f8;color:#222}"
            "form{display:flex;gap:4px;margin-bottom:8px}input{flex:1;min-width:0}"
            "ul{list-style:none;padding:0;margin:0}li{margin:3px 0}a{color:#1a3d8f}"
            "p{color:#555}</style></head>\n<body>\n"
            "<form id=\"search\"><input id=\"words\" type=\"search\" placeholder=\"Search for\" autofocus>"
            "<button type=\"submit\">Go</button></form>\n<ul id=\"engines\">\n");
    int shown = 0;
    for (const TSearchEntry &engine : engines) {
        const QString start = TSearchList::EngineUrl(engine.location, QString());
        // Only web addresses become links: the list is the user's, but a link in the panel
        // must not lead to a local file or run a script.
        if (!TSearchRouting::IsWebAddress(start))
            continue;
        html += QStringLiteral("<li><a target=\"_main\" href=\"%1\" data-start=\"%1\" data-location=\"%2\" "
                               "id=\"engine%3\">%4</a></li>\n")
                        .arg(attribute(start), attribute(engine.location), QString::number(shown++),
                             engine.title.toHtmlEscaped());
    }
    html += QStringLiteral("</ul>\n");
    if (shown == 0)
        html += QStringLiteral("<p>You have no search engines yet. Add them with \"Organize Search Engines...\" "
                               "in the menu of the Search button.</p>\n");
    html += QStringLiteral("<script>") + QLatin1String(PageScript) + QStringLiteral("</script>\n</body></html>\n");
    return html;
}

void TSearchBarScheme::requestStarted(QWebEngineUrlRequestJob *job)
{
    const QUrl url = job->requestUrl();
    if (url.scheme() == QLatin1String(TWebProfile::KeepScheme)) {
        // Outside the search panel the prefix means nothing: a web address behind it is
        // followed, anything else goes nowhere.
        const QString rest = url.toString().mid(4);
        if (TSearchRouting::IsWebAddress(rest))
            job->redirect(QUrl(rest));
        else
            job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    if (url.path() != QLatin1String("searchbar")) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    TSearchEntries engines;
    try {
        engines = TSearchList::Read(TSearchListKind::Engines);
    } catch (const std::exception &e) {
        qWarning("The search engines could not be read: %s", e.what());
    }
    auto *buffer = new QBuffer(job);
    buffer->setData(PageHtml(engines).toUtf8());
    job->reply(QByteArrayLiteral("text/html"), buffer);
}
