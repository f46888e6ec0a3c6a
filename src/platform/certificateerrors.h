#pragma once
// Certificate errors of the sites a page opens: the problem in plain words, the sites the
// user chose to continue to in this run, and the page the tab shows instead of a site whose
// certificate is bad.
//
// The page is written over the engine's error page from the application's isolated world
// (as the offline page is). Its buttons report through the console with the session's
// mark, which the error page's own scripts never see, and only for clicks the user made
// (trusted events): no web page can continue to a site on the user's behalf.

#include <QByteArray>
#include <QString>

// The engine's error codes for certificates (net_error_list), the ones named here.
enum TCertificateProblem {
    CertProblemWrongHost = -200,
    CertProblemDate = -201,
    CertProblemAuthority = -202,
    CertProblemContainsErrors = -203,
    CertProblemRevoked = -206,
    CertProblemInvalid = -207,
    CertProblemWeakSignature = -208,
    CertProblemWeakKey = -211,
};

// What is wrong, in plain words, for a certificate error code. selfSigned: the site's
// certificate signed itself (a chain of one certificate whose issuer is its subject).
QString CertificateProblemText(int errorCode, bool selfSigned);

// Certificates the user accepted for a host in this run of the program. Kept in memory
// only: they end when the program ends.
namespace TCertificateExceptions {
void Allow(const QString &host, const QByteArray &certificateDigest);
bool IsAllowed(const QString &host, const QByteArray &certificateDigest);
// Whether the user accepted any bad certificate for host in this run.
bool HostHasException(const QString &host);
void Clear();   // for tests
}

namespace TCertificatePage {
QString ContinueKind();
QString BackKind();
// The page (HTML; every text escaped). canContinue: the engine lets this error be
// overridden; otherwise there is no way on.
QString Html(const QString &host, const QString &problem, const QString &address, bool canContinue);
// A script for the isolated world that replaces the document by the page and wires its
// buttons to report {kind} after the mark.
QString Script(const QString &host, const QString &problem, const QString &address, bool canContinue,
               const QString &mark);
}
