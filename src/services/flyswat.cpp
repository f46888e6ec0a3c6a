#include "services/flyswat.h"

#include "app/kwoptions.h"
#include "platform/addon.h"
#include "platform/paths.h"
#include "platform/registry.h"

#include <exception>

namespace {
QString firstSearchEngine()
{
    try {
        const QStringList engines = TKWOptions().SearchEngines();
        for (const QString &line : engines) {
            const QString address = line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
            if (!address.isEmpty())
                return address;
        }
    } catch (const RegistryError &) {
    }
    return QString();
}
}

TFlyswat::TFlyswat(bool showLinks, QObject *browser)
{
    ITabvaneAddOnFactory *factory = TAddOnLibrary::Factory();
    if (!factory || !browser)
        return;
    try {
        std::unique_ptr<ITabvaneAddOn> addOn(factory->Create());
        if (!addOn)
            return;
        TAddOnInit init;
        init.settingsKey = TKWOptions::SettingsKey;
        const QString temp = TPaths::RunTempDir();
        init.tempFolder = temp.isEmpty() ? temp : temp + QLatin1Char('/');
        init.productCode = QStringLiteral("TABVANE");
        init.dataFolder = TPaths::DataDir();
        init.searchAddress = firstSearchEngine();
        if (!addOn->Initialize(init) || !addOn->Attach(browser))
            return;
        addOn->SetLinksShown(showLinks);
        m_addOn = std::move(addOn);
    } catch (...) {
        // The add-on failed: the view goes on without it.
        m_addOn.reset();
    }
}

TFlyswat::~TFlyswat()
{
    if (!m_addOn)
        return;
    try {
        m_addOn->Attach(nullptr);
    } catch (...) {
    }
    m_addOn.reset();
}

void TFlyswat::SetLinksShown(bool on)
{
    if (!m_addOn)
        return;
    try {
        m_addOn->SetLinksShown(on);
    } catch (...) {
    }
}

bool TFlyswat::LinksShown() const
{
    if (!m_addOn)
        return false;
    try {
        return m_addOn->LinksShown();
    } catch (...) {
        return false;
    }
}
