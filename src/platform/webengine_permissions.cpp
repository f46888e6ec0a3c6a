// TWebEngineControl: a page's permission questions. A remembered answer for the site is
// given at once; an answer given on this page holds until it navigates; anything else is
// asked in the bar above the page. Questions left unanswered are denied when the page
// navigates away.

#include "platform/webengine_control.h"
#include "platform/webengine_internal.h"

#include "platform/permissionbar.h"
#include "platform/registry.h"
#include "platform/sitepermissions.h"

using namespace WebEngineDetail;

namespace {
TSiteFeature siteFeature(QWebEnginePage::Feature feature)
{
    switch (feature) {
    case QWebEnginePage::Notifications: return TSiteFeature::Notifications;
    case QWebEnginePage::Geolocation: return TSiteFeature::Location;
    case QWebEnginePage::MediaAudioCapture: return TSiteFeature::Microphone;
    case QWebEnginePage::MediaVideoCapture: return TSiteFeature::Camera;
    case QWebEnginePage::MediaAudioVideoCapture: return TSiteFeature::CameraAndMicrophone;
    case QWebEnginePage::MouseLock: return TSiteFeature::MouseLock;
    case QWebEnginePage::DesktopVideoCapture: return TSiteFeature::ScreenSharing;
    case QWebEnginePage::DesktopAudioVideoCapture: return TSiteFeature::ScreenSharingWithAudio;
    }
    return TSiteFeature::Location;
}

QWebEnginePage::Feature engineFeature(TSiteFeature feature)
{
    switch (feature) {
    case TSiteFeature::Notifications: return QWebEnginePage::Notifications;
    case TSiteFeature::Location: return QWebEnginePage::Geolocation;
    case TSiteFeature::Microphone: return QWebEnginePage::MediaAudioCapture;
    case TSiteFeature::Camera: return QWebEnginePage::MediaVideoCapture;
    case TSiteFeature::CameraAndMicrophone: return QWebEnginePage::MediaAudioVideoCapture;
    case TSiteFeature::MouseLock: return QWebEnginePage::MouseLock;
    case TSiteFeature::ScreenSharing: return QWebEnginePage::DesktopVideoCapture;
    case TSiteFeature::ScreenSharingWithAudio: return QWebEnginePage::DesktopAudioVideoCapture;
    }
    return QWebEnginePage::Geolocation;
}

QString answerKey(const QUrl &origin, TSiteFeature feature)
{
    return TSitePermissions::SiteOf(origin) + QLatin1Char(' ') + TSitePermissions::ValueName(feature);
}
}

TPermissionBar *TWebEngineControl::permissionBar() const
{
    return m_permissionBar;
}

void TWebEngineControl::onPermissionRequested(const QUrl &origin, int engineFeatureValue)
{
    const TSiteFeature feature = siteFeature(QWebEnginePage::Feature(engineFeatureValue));
    const QString key = answerKey(origin, feature);
    TPermissionAnswer answer = m_pageAnswers.value(key, TPermissionAnswer::Ask);
    if (answer == TPermissionAnswer::Ask)
        answer = TSitePermissions::Lookup(origin, feature);
    if (answer == TPermissionAnswer::Ask && m_permissionBar && m_permissionBar->Ask({origin, feature}))
        return;
    grantPermission(origin, feature, answer == TPermissionAnswer::Allow);
}

void TWebEngineControl::onPermissionCanceled(const QUrl &origin, int engineFeatureValue)
{
    if (m_permissionBar)
        m_permissionBar->Cancel({origin, siteFeature(QWebEnginePage::Feature(engineFeatureValue))});
}

void TWebEngineControl::onPermissionAnswered(const TPermissionRequest &request, bool allow, bool remember)
{
    const TPermissionAnswer answer = allow ? TPermissionAnswer::Allow : TPermissionAnswer::Block;
    m_pageAnswers.insert(answerKey(request.origin, request.feature), answer);
    if (remember) {
        try {
            TSitePermissions::Remember(request.origin, request.feature, answer);
        } catch (const RegistryError &e) {
            qWarning("tabvane: the answer for %s was not remembered: %s",
                     qPrintable(TSitePermissions::SiteOf(request.origin)), e.what());
        }
    }
    grantPermission(request.origin, request.feature, allow);
}

void TWebEngineControl::grantPermission(const QUrl &origin, TSiteFeature feature, bool allow)
{
    m_page->setFeaturePermission(origin, engineFeature(feature),
                                 allow ? QWebEnginePage::PermissionGrantedByUser
                                       : QWebEnginePage::PermissionDeniedByUser);
}

void TWebEngineControl::denyOpenPermissions()
{
    m_pageAnswers.clear();
    if (!m_permissionBar)
        return;
    for (const TPermissionRequest &r : m_permissionBar->TakeAll())
        grantPermission(r.origin, r.feature, false);
}
