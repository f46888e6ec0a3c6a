#include "wordlinks.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace {
const QString ScriptName = QStringLiteral("tabvane-wordlinks");
const QString DefaultSearch = QStringLiteral("https://duckduckgo.com/?q=%s");
const int MaxWords = 500;
const int MaxWordLength = 64;

const char DefaultList[] =
    "# Words that Tabvane's word-links add-on marks on every page as links to your first\n"
    "# search engine. One word or phrase a line; lines starting with # are ignored.\n"
    "# Switch the links on and off per tab with Ctrl+F1.\n"
    "Linux\n"
    "Debian\n"
    "Qt\n";

// Walks the page's text (not scripts, styles, form fields, editable areas or existing
// links), wraps each listed word in a link, or takes the links out again.
const char ScriptBody[] = R"JS(
(function (words, template, shown) {
    var MARK = 'data-tabvane-wordlink';
    function unmark() {
        var links = document.querySelectorAll('a[' + MARK + ']');
        for (var i = 0; i < links.length; ++i) {
            var a = links[i];
            a.parentNode.replaceChild(document.createTextNode(a.textContent), a);
        }
        if (links.length && document.body)
            document.body.normalize();
    }
    function address(word) {
        var w = encodeURIComponent(word);
        return template.indexOf('%s') >= 0 ? template.split('%s').join(w) : template + w;
    }
    function escape(s) { return s.replace(/[.*+?^${}()|[\]\\]/g, '\\$&'); }
    function mark() {
        if (!words.length || !document.body)
            return;
        var re = new RegExp('(^|[^\\w])(' + words.map(escape).join('|') + ')(?![\\w])', 'gi');
        var skip = {SCRIPT: 1, STYLE: 1, TEXTAREA: 1, A: 1, INPUT: 1, SELECT: 1, OPTION: 1,
                    NOSCRIPT: 1, BUTTON: 1, CODE: 1, PRE: 1};
        var walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT, {
            acceptNode: function (node) {
                for (var p = node.parentNode; p && p !== document.body; p = p.parentNode) {
                    if (skip[p.nodeName] || p.isContentEditable)
                        return NodeFilter.FILTER_REJECT;
                }
                re.lastIndex = 0;
                return re.test(node.data) ? NodeFilter.FILTER_ACCEPT : NodeFilter.FILTER_SKIP;
            }
        });
        var nodes = [];
        while (walker.nextNode())
            nodes.push(walker.currentNode);
        nodes.forEach(function (node) {
            var text = node.data, last = 0, out = document.createDocumentFragment(), m;
            re.lastIndex = 0;
            while ((m = re.exec(text)) !== null) {
                var start = m.index + m[1].length;
                out.appendChild(document.createTextNode(text.slice(last, start)));
                var a = document.createElement('a');
                a.setAttribute(MARK, '');
                a.className = 'tabvane-wordlink';
                a.href = address(m[2]);
                a.title = 'Search for ' + m[2];
                a.style.textDecoration = 'none';
                a.style.borderBottom = '1px dotted';
                a.textContent = m[2];
                out.appendChild(a);
                last = start + m[2].length;
                re.lastIndex = last;
            }
            out.appendChild(document.createTextNode(text.slice(last)));
            node.parentNode.replaceChild(out, node);
        });
    }
    unmark();
    if (shown)
        mark();
})
)JS";
}

TWordLinks::~TWordLinks()
{
    Attach(nullptr);
}

QStringList TWordLinks::ReadWords(const QByteArray &text)
{
    QStringList words;
    for (const QString &raw : QString::fromUtf8(text).split(QLatin1Char('\n'))) {
        const QString word = raw.trimmed();
        if (word.isEmpty() || word.startsWith(QLatin1Char('#')) || word.size() > MaxWordLength || words.contains(word))
            continue;
        words.append(word);
        if (words.size() >= MaxWords)
            break;
    }
    return words;
}

QString TWordLinks::Script(const QStringList &words, const QString &searchAddress, bool shown)
{
    // The words and the address go in as JSON data, never as script text.
    const QString list = QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(words)).toJson(QJsonDocument::Compact));
    const QString address = QString::fromUtf8(
        QJsonDocument(QJsonArray{searchAddress.isEmpty() ? DefaultSearch : searchAddress}).toJson(QJsonDocument::Compact));
    return QString::fromUtf8(ScriptBody) + QStringLiteral("(%1, %2[0], %3);").arg(list, address,
                                                                                   shown ? QStringLiteral("true")
                                                                                         : QStringLiteral("false"));
}

bool TWordLinks::Initialize(const TAddOnInit &init)
{
    m_searchAddress = init.searchAddress;
    const QString path = QDir(init.dataFolder).filePath(QStringLiteral("wordlinks.txt"));
    QFile file(path);
    if (!file.exists() && !init.dataFolder.isEmpty()) {
        QSaveFile fresh(path);
        if (fresh.open(QIODevice::WriteOnly)) {
            fresh.write(DefaultList);
            fresh.commit();
        }
    }
    if (file.open(QIODevice::ReadOnly))
        m_words = ReadWords(file.read(256 * 1024));
    else
        m_words = ReadWords(DefaultList);
    return true;
}

bool TWordLinks::Attach(QObject *browser)
{
    if (m_page) {
        const QList<QWebEngineScript> old = m_page->scripts().find(ScriptName);
        for (const QWebEngineScript &script : old)
            m_page->scripts().remove(script);
        if (m_shown)
            m_page->runJavaScript(Script(m_words, m_searchAddress, false), QWebEngineScript::ApplicationWorld);
    }
    m_page = qobject_cast<QWebEnginePage *>(browser);
    if (!m_page)
        return browser == nullptr;
    install();
    return true;
}

void TWordLinks::SetLinksShown(bool on)
{
    m_shown = on;
    if (!m_page)
        return;
    install();
    m_page->runJavaScript(Script(m_words, m_searchAddress, on), QWebEngineScript::ApplicationWorld);
}

void TWordLinks::install()
{
    QWebEngineScriptCollection &scripts = m_page->scripts();
    for (const QWebEngineScript &script : scripts.find(ScriptName))
        scripts.remove(script);
    QWebEngineScript script;
    script.setName(ScriptName);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setInjectionPoint(QWebEngineScript::DocumentReady);
    script.setRunsOnSubFrames(false);
    script.setSourceCode(Script(m_words, m_searchAddress, m_shown));
    scripts.insert(script);
}
