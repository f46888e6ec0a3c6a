#include "platform/addon.h"

#include "platform/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

#include <unistd.h>

namespace {
struct TLoadState {
    bool overridden = false;
    QStringList folders;
    bool tried = false;
    QPluginLoader *loader = nullptr;
    ITabvaneAddOnFactory *factory = nullptr;
    QString error;
};

TLoadState &state()
{
    static TLoadState s;
    return s;
}

bool safeEntry(const QFileInfo &info, QString *why)
{
    if (!info.exists()) {
        *why = QStringLiteral("%1 does not exist").arg(info.filePath());
        return false;
    }
    const uint owner = info.ownerId();
    if (owner != uint(::getuid()) && owner != 0) {
        *why = QStringLiteral("%1 belongs to another user").arg(info.filePath());
        return false;
    }
    if (info.permissions() & (QFile::WriteGroup | QFile::WriteOther)) {
        *why = QStringLiteral("others may change %1").arg(info.filePath());
        return false;
    }
    return true;
}
}

QString TAddOnLibrary::FileName()
{
    return QStringLiteral("libtabvane_wordlinks.so");
}

QStringList TAddOnLibrary::Folders()
{
    if (state().overridden)
        return state().folders;
    const QString dir = TPaths::ProgramDir();
    return {dir + QStringLiteral("/addons"), QDir::cleanPath(dir + QStringLiteral("/../lib/tabvane/addons"))};
}

void TAddOnLibrary::SetFolders(const QStringList &folders)
{
    TLoadState &s = state();
    s.overridden = true;
    s.folders = folders;
    s.tried = false;
    s.factory = nullptr;
    s.error.clear();
    // A loaded library stays loaded: instances made from it may still exist.
    s.loader = nullptr;
}

bool TAddOnLibrary::Trusted(const QString &path, QString *why)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty()) {
        *why = QStringLiteral("%1 does not exist").arg(path);
        return false;
    }
    const QFileInfo real(canonical);
    if (!safeEntry(real, why))
        return false;
    if (real.isFile())
        return safeEntry(QFileInfo(real.absolutePath()), why);
    return true;
}

ITabvaneAddOnFactory *TAddOnLibrary::Factory(QString *error)
{
    TLoadState &s = state();
    if (!s.tried) {
        s.tried = true;
        s.error = QStringLiteral("The add-on is not installed.");
        for (const QString &folder : Folders()) {
            const QString file = folder + QLatin1Char('/') + FileName();
            if (!QDir::isAbsolutePath(folder) || !QFileInfo(file).isFile())
                continue;
            QString why;
            if (!Trusted(file, &why)) {
                s.error = QStringLiteral("The add-on %1 is not loaded: %2.").arg(file, why);
                break;
            }
            auto *loader = new QPluginLoader(QFileInfo(file).canonicalFilePath());
            QObject *root = loader->instance();
            ITabvaneAddOnFactory *factory = qobject_cast<ITabvaneAddOnFactory *>(root);
            if (!factory) {
                s.error = root ? QStringLiteral("%1 is not an add-on of this program.").arg(file)
                               : QStringLiteral("%1 cannot be loaded: %2").arg(file, loader->errorString());
                if (root)
                    loader->unload();
                delete loader;
                break;
            }
            s.loader = loader;
            s.factory = factory;
            s.error.clear();
            break;
        }
    }
    if (error)
        *error = s.error;
    return s.factory;
}
