#pragma once
// What sites may use: location, notifications, camera, microphone, screen sharing and mouse
// lock. The answers a user asked to remember are kept per site in the hive, one key per
// site under HKCU "Software\Brinwell\Tabvane\SitePermissions", one DWORD value per feature
// (1 allowed, 2 blocked). The Site Permissions dialog lists and removes them.

#include <QDialog>
#include <QList>
#include <QString>
#include <QUrl>

class QTreeWidget;
class QPushButton;
struct RegValue;

enum class TSiteFeature {
    Location, Notifications, Camera, Microphone, CameraAndMicrophone, ScreenSharing,
    ScreenSharingWithAudio, MouseLock
};
enum class TPermissionAnswer { Ask, Allow, Block };

struct TSitePermission {
    QString site;
    TSiteFeature feature = TSiteFeature::Location;
    TPermissionAnswer answer = TPermissionAnswer::Ask;
};

namespace TSitePermissions {
extern const QString Key;
// The site an answer belongs to: scheme, host and port of the origin, lower case, without
// the scheme's default port ("https://example.com", "http://127.0.0.1:8080"). "" for an
// address without a scheme.
QString SiteOf(const QUrl &origin);
// The hive's value name of a feature, and the feature of a value name.
QString ValueName(TSiteFeature feature);
bool FeatureOfValueName(const QString &name, TSiteFeature *feature);
// What a stored value says: a DWORD 1 allows, 2 blocks, anything else asks again.
TPermissionAnswer AnswerOf(const RegValue &value);
// The words of the question: "127.0.0.1 wants to use your camera."
QString Question(const QString &host, TSiteFeature feature);
QString FeatureText(TSiteFeature feature);   // "Camera"

// The remembered answer; Ask when none (or the hive cannot be read).
TPermissionAnswer Lookup(const QUrl &origin, TSiteFeature feature);
// Remembers an answer (Ask removes it). Raises RegistryError when the hive cannot be written.
void Remember(const QUrl &origin, TSiteFeature feature, TPermissionAnswer answer);
// Every remembered answer, by site and feature. Raises RegistryError.
QList<TSitePermission> All();
void Forget(const QString &site, TSiteFeature feature);   // raises RegistryError
}

// Lists the remembered answers and removes the ones the user selects.
class TSitePermissionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit TSitePermissionsDialog(QWidget *parent = nullptr);
    int RowCount() const;

private:
    void reload();
    void removeSelected();

    QTreeWidget *lvPermissions;
    QPushButton *cmdRemove;
};
