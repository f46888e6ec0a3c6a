#include "platform/offlinepage.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {
QString jsString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}
}

namespace TOfflinePage {

QString GoOnlineKind()
{
    return QStringLiteral("goOnline");
}

QString Html(const QString &address)
{
    const QString shown = address.toHtmlEscaped();
    return QStringLiteral(
                   "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Working Offline</title>"
                   "<style>body{font-family:sans-serif;margin:3em;color:#222}"
                   "h1{font-size:1.4em}p{max-width:40em}#address{word-break:break-all}"
                   "button{font:inherit;padding:.4em 1.2em}</style></head><body>"
                   "<h1>Tabvane is working offline</h1>"
                   "<p>This page cannot be shown while Tabvane works offline:</p>"
                   "<p id=\"address\"><b>%1</b></p>"
                   "<p>Go online to load it from the network.</p>"
                   "<p><button id=\"cmdGoOnline\" type=\"button\">Go Online</button></p>"
                   "</body></html>")
            .arg(shown);
}

QString Script(const QString &address, const QString &mark)
{
    const QString report = mark + QStringLiteral("{\"kind\":\"") + GoOnlineKind() + QStringLiteral("\"}");
    return QStringLiteral("(function () {"
                          " document.open(); document.write(%1); document.close();"
                          " var b = document.getElementById('cmdGoOnline');"
                          " if (b) { b.addEventListener('click', function () { console.log(%2); });"
                          "  b.focus(); }"
                          " return document.title;"
                          "})()")
            .arg(jsString(Html(address)), jsString(report));
}

}
