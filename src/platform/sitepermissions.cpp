#include "platform/sitepermissions.h"

#include "platform/registry.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
struct FeatureName {
    TSiteFeature feature;
    const char *value;
    const char *text;
    const char *question;
};
const FeatureName Features[] = {
    {TSiteFeature::Location, "Location", "Location", "%1 wants to know your location."},
    {TSiteFeature::Notifications, "Notifications", "Notifications", "%1 wants to show notifications."},
    {TSiteFeature::Camera, "Camera", "Camera", "%1 wants to use your camera."},
    {TSiteFeature::Microphone, "Microphone", "Microphone", "%1 wants to use your microphone."},
    {TSiteFeature::CameraAndMicrophone, "CameraMicrophone", "Camera and microphone",
     "%1 wants to use your camera and microphone."},
    {TSiteFeature::ScreenSharing, "ScreenSharing", "Screen sharing", "%1 wants to see your screen."},
    {TSiteFeature::ScreenSharingWithAudio, "ScreenSharingAudio", "Screen and sound sharing",
     "%1 wants to see your screen and hear its sound."},
    {TSiteFeature::MouseLock, "MouseLock", "Mouse lock", "%1 wants to lock and hide your mouse pointer."},
};
const FeatureName &nameOf(TSiteFeature feature)
{
    for (const FeatureName &f : Features)
        if (f.feature == feature)
            return f;
    return Features[0];
}
const quint32 AllowValue = 1;
const quint32 BlockValue = 2;
}

namespace TSitePermissions {

const QString Key = QStringLiteral("Software\\Brinwell\\Tabvane\\SitePermissions");

QString SiteOf(const QUrl &origin)
{
    const QString scheme = origin.scheme().toLower();
    if (scheme.isEmpty())
        return QString();
    // A key name cannot hold the hive's separator.
    QString host = origin.host(QUrl::FullyEncoded).toLower();
    host.remove(QLatin1Char('\\'));
    QString site = scheme + QStringLiteral("://") + host;
    const int port = origin.port();
    const int defaultPort = scheme == QLatin1String("https") ? 443 : scheme == QLatin1String("http") ? 80 : -1;
    if (port >= 0 && port != defaultPort)
        site += QLatin1Char(':') + QString::number(port);
    return site;
}

QString ValueName(TSiteFeature feature)
{
    return QLatin1String(nameOf(feature).value);
}

bool FeatureOfValueName(const QString &name, TSiteFeature *feature)
{
    for (const FeatureName &f : Features) {
        if (name.compare(QLatin1String(f.value), Qt::CaseInsensitive) == 0) {
            *feature = f.feature;
            return true;
        }
    }
    return false;
}

TPermissionAnswer AnswerOf(const RegValue &value)
{
    if (value.type != RegType::Dword)
        return TPermissionAnswer::Ask;
    if (value.dword == AllowValue)
        return TPermissionAnswer::Allow;
    if (value.dword == BlockValue)
        return TPermissionAnswer::Block;
    return TPermissionAnswer::Ask;
}

QString Question(const QString &host, TSiteFeature feature)
{
    return QObject::tr(nameOf(feature).question).arg(host.isEmpty() ? QObject::tr("This page") : host);
}

QString FeatureText(TSiteFeature feature)
{
    return QObject::tr(nameOf(feature).text);
}

TPermissionAnswer Lookup(const QUrl &origin, TSiteFeature feature)
{
    const QString site = SiteOf(origin);
    if (site.isEmpty())
        return TPermissionAnswer::Ask;
    try {
        return AnswerOf(TRegistry(RegRoot::CurrentUser).readValue(Key + QLatin1Char('\\') + site, ValueName(feature)));
    } catch (const RegistryError &) {
        return TPermissionAnswer::Ask;
    }
}

void Remember(const QUrl &origin, TSiteFeature feature, TPermissionAnswer answer)
{
    const QString site = SiteOf(origin);
    if (site.isEmpty())
        return;
    TRegistry reg(RegRoot::CurrentUser);
    const QString key = Key + QLatin1Char('\\') + site;
    if (answer == TPermissionAnswer::Ask)
        reg.deleteValue(key, ValueName(feature));
    else
        reg.writeDword(key, ValueName(feature), answer == TPermissionAnswer::Allow ? AllowValue : BlockValue);
}

QList<TSitePermission> All()
{
    QList<TSitePermission> list;
    const TRegistry reg(RegRoot::CurrentUser);
    if (!reg.keyExists(Key))
        return list;
    for (const QString &site : reg.subKeyNames(Key)) {
        for (const RegValue &value : reg.values(Key + QLatin1Char('\\') + site)) {
            TSitePermission p;
            p.site = site;
            p.answer = AnswerOf(value);
            if (p.answer != TPermissionAnswer::Ask && FeatureOfValueName(value.name, &p.feature))
                list.append(p);
        }
    }
    return list;
}

void Forget(const QString &site, TSiteFeature feature)
{
    TRegistry reg(RegRoot::CurrentUser);
    const QString key = Key + QLatin1Char('\\') + site;
    reg.deleteValue(key, ValueName(feature));
    if (reg.valueNames(key).isEmpty() && reg.subKeyNames(key).isEmpty())
        reg.deleteKey(key);
}

}

TSitePermissionsDialog::TSitePermissionsDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSitePermissions"));
    setWindowTitle(tr("Site Permissions"));
    auto *label = new QLabel(tr("&Answers you asked Tabvane to remember for a site:"), this);
    lvPermissions = new QTreeWidget(this);
    lvPermissions->setObjectName(QStringLiteral("lvPermissions"));
    lvPermissions->setAccessibleName(tr("Remembered answers"));
    label->setBuddy(lvPermissions);
    lvPermissions->setHeaderLabels({tr("Site"), tr("Permission"), tr("Answer")});
    lvPermissions->setRootIsDecorated(false);
    lvPermissions->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvPermissions->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    cmdRemove = new QPushButton(tr("&Remove"), this);
    cmdRemove->setObjectName(QStringLiteral("cmdRemove"));
    cmdRemove->setEnabled(false);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(cmdRemove, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(cmdRemove, &QPushButton::clicked, this, &TSitePermissionsDialog::removeSelected);
    connect(lvPermissions, &QTreeWidget::itemSelectionChanged, this,
            [this] { cmdRemove->setEnabled(!lvPermissions->selectedItems().isEmpty()); });
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(lvPermissions);
    layout->addWidget(buttons);
    resize(520, 320);
    reload();
}

int TSitePermissionsDialog::RowCount() const
{
    return lvPermissions->topLevelItemCount();
}

void TSitePermissionsDialog::reload()
{
    lvPermissions->clear();
    QList<TSitePermission> list;
    try {
        list = TSitePermissions::All();
    } catch (const RegistryError &e) {
        QMessageBox::warning(this, windowTitle(), e.message());
    }
    for (const TSitePermission &p : list) {
        auto *item = new QTreeWidgetItem(lvPermissions, {p.site, TSitePermissions::FeatureText(p.feature),
                                                         p.answer == TPermissionAnswer::Allow ? tr("Allow")
                                                                                              : tr("Block")});
        item->setData(0, Qt::UserRole, p.site);
        item->setData(1, Qt::UserRole, int(p.feature));
    }
    cmdRemove->setEnabled(false);
}

void TSitePermissionsDialog::removeSelected()
{
    try {
        for (QTreeWidgetItem *item : lvPermissions->selectedItems())
            TSitePermissions::Forget(item->data(0, Qt::UserRole).toString(),
                                     TSiteFeature(item->data(1, Qt::UserRole).toInt()));
    } catch (const RegistryError &e) {
        QMessageBox::warning(this, windowTitle(), e.message());
    }
    reload();
}
