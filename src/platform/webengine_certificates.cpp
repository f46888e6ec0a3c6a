// TWebEngineControl: sites with a bad certificate. The top-level page's error shows the
// program's own page in the tab; continuing accepts that certificate for that host for the
// rest of the run and loads the page again. Frames and subresources with a bad certificate
// are refused without asking.

#include "platform/webengine_control.h"
#include "platform/webengine_internal.h"

#include "platform/certificateerrors.h"

#include <QCryptographicHash>
#include <QSslCertificate>
#include <QWebEngineCertificateError>
#include <QWebEngineHistory>
#include <QWebEngineScript>

using namespace WebEngineDetail;

namespace {
QUrl withoutFragment(const QUrl &url)
{
    return url.adjusted(QUrl::RemoveFragment);
}
}

void TWebEngineControl::onCertificateError(const QWebEngineCertificateError &error)
{
    QWebEngineCertificateError answer = error;
    const QList<QSslCertificate> chain = error.certificateChain();
    const QByteArray digest = chain.isEmpty() ? QByteArray() : chain.first().digest(QCryptographicHash::Sha256);
    const QString host = error.url().host();
    if (error.isOverridable() && TCertificateExceptions::IsAllowed(host, digest)) {
        answer.acceptCertificate();
        return;
    }
    const bool topLevel = withoutFragment(error.url()) == withoutFragment(m_lastTopRequest)
            || withoutFragment(error.url()) == withoutFragment(m_page->requestedUrl());
    answer.rejectCertificate();
    if (!topLevel)
        return;
    m_certificateError = CertificateProblem();
    m_certificateError.url = error.url();
    m_certificateError.digest = digest;
    m_certificateError.overridable = error.isOverridable() && !digest.isEmpty();
    const bool selfSigned = chain.size() == 1 && chain.first().isSelfSigned();
    m_certificateError.problem = CertificateProblemText(int(error.type()), selfSigned);
}

void TWebEngineControl::showCertificatePage(const QUrl &url)
{
    if (withoutFragment(url) != withoutFragment(m_certificateError.url))
        return;
    m_certificatePageUrl = url;
    m_page->runJavaScript(TCertificatePage::Script(url.host(), m_certificateError.problem, urlText(url),
                                                   m_certificateError.overridable, m_nonce),
                          QWebEngineScript::ApplicationWorld);
}

void TWebEngineControl::onCertificatePageCommand(const QString &kind)
{
    // Only the page shown for this error, still in place, answers.
    if (m_certificatePageUrl.isEmpty() || m_page->url() != m_certificatePageUrl)
        return;
    const CertificateProblem problem = m_certificateError;
    m_certificatePageUrl.clear();
    if (kind == TCertificatePage::ContinueKind()) {
        if (!problem.overridable)
            return;
        TCertificateExceptions::Allow(problem.url.host(), problem.digest);
        m_page->triggerAction(QWebEnginePage::Reload);
    } else if (kind == TCertificatePage::BackKind()) {
        if (m_page->history()->canGoBack())
            GoBack();
        else
            Navigate(QStringLiteral("about:blank"));
    }
}

bool TWebEngineControl::CertificateOverridden() const
{
    const QUrl url = m_page->url();
    if (url.scheme() != QLatin1String("https"))
        return false;
    return TCertificateExceptions::HostHasException(url.host())
            || withoutFragment(url) == withoutFragment(m_certificateError.url);
}
