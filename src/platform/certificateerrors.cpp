#include "platform/certificateerrors.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QObject>
#include <QSet>

namespace {
QString jsString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QHash<QString, QSet<QByteArray>> &exceptions()
{
    static QHash<QString, QSet<QByteArray>> map;
    return map;
}
}

QString CertificateProblemText(int errorCode, bool selfSigned)
{
    switch (errorCode) {
    case CertProblemWrongHost:
        return QObject::tr("The certificate belongs to a different site: it was not issued for this address.");
    case CertProblemDate:
        return QObject::tr("The certificate has expired or is not valid yet.");
    case CertProblemAuthority:
        return selfSigned ? QObject::tr("The certificate is self-signed: nobody vouches for who runs this site.")
                          : QObject::tr("The certificate was issued by an authority that is not trusted.");
    case CertProblemRevoked:
        return QObject::tr("The certificate has been revoked by the authority that issued it.");
    case CertProblemWeakSignature:
    case CertProblemWeakKey:
        return QObject::tr("The certificate uses weak cryptography that can be forged.");
    case CertProblemContainsErrors:
    case CertProblemInvalid:
        return QObject::tr("The certificate is damaged or not valid.");
    default:
        return QObject::tr("The site's certificate cannot be trusted (error %1).").arg(errorCode);
    }
}

namespace TCertificateExceptions {

void Allow(const QString &host, const QByteArray &certificateDigest)
{
    if (!host.isEmpty() && !certificateDigest.isEmpty())
        exceptions()[host.toLower()].insert(certificateDigest);
}

bool IsAllowed(const QString &host, const QByteArray &certificateDigest)
{
    return !certificateDigest.isEmpty() && exceptions().value(host.toLower()).contains(certificateDigest);
}

bool HostHasException(const QString &host)
{
    return !host.isEmpty() && exceptions().contains(host.toLower());
}

void Clear()
{
    exceptions().clear();
}

}

namespace TCertificatePage {

QString ContinueKind() { return QStringLiteral("certContinue"); }
QString BackKind() { return QStringLiteral("certBack"); }

QString Html(const QString &host, const QString &problem, const QString &address, bool canContinue)
{
    QString details;
    if (canContinue) {
        details = QStringLiteral(
                "<details id=\"details\"><summary>Details</summary>"
                "<p>Continue only if you know why this site's certificate is wrong, for example a "
                "device on your own network. Tabvane accepts this certificate for %1 until it is "
                "closed, and shows the page as not secure.</p>"
                "<p><button id=\"cmdContinue\" type=\"button\">Continue to this site (unsafe)</button></p>"
                "</details>").arg(host.toHtmlEscaped());
    } else {
        details = QStringLiteral("<p>This problem cannot be passed over.</p>");
    }
    return QStringLiteral(
                   "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Certificate Error</title>"
                   "<style>body{font-family:sans-serif;margin:3em;color:#222}"
                   "h1{font-size:1.4em;color:#a00}p{max-width:40em}#address{word-break:break-all}"
                   "button{font:inherit;padding:.4em 1.2em}summary{cursor:pointer;color:#04c}</style>"
                   "</head><body>"
                   "<h1>This connection is not private</h1>"
                   "<p>Someone may be trying to impersonate <b id=\"host\">%1</b> to steal your "
                   "information.</p>"
                   "<p id=\"problem\">%2</p>"
                   "<p id=\"address\">%3</p>"
                   "<p><button id=\"cmdBack\" type=\"button\">Go back</button></p>"
                   "%4</body></html>")
            .arg(host.toHtmlEscaped(), problem.toHtmlEscaped(), address.toHtmlEscaped(), details);
}

QString Script(const QString &host, const QString &problem, const QString &address, bool canContinue,
               const QString &mark)
{
    const QString back = mark + QStringLiteral("{\"kind\":\"") + BackKind() + QStringLiteral("\"}");
    const QString go = mark + QStringLiteral("{\"kind\":\"") + ContinueKind() + QStringLiteral("\"}");
    return QStringLiteral("(function () {"
                          " document.open(); document.write(%1); document.close();"
                          " function wire(id, report) {"
                          "  var b = document.getElementById(id);"
                          "  if (b) b.addEventListener('click', function (e) {"
                          "   if (e.isTrusted) console.log(report); });"
                          "  return b; }"
                          " var back = wire('cmdBack', %2); wire('cmdContinue', %3);"
                          " if (back) back.focus();"
                          " return document.title;"
                          "})()")
            .arg(jsString(Html(host, problem, address, canContinue)), jsString(back), jsString(go));
}

}
