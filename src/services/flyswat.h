#pragma once
// TFlyswat: one browser view's instance of the add-on (platform/addon.h). Creating it
// initialises the add-on and attaches it to the view's page; any failure on the way leaves
// it without an add-on, and every call then does nothing. Destroying it detaches the add-on.

#include <memory>

class QObject;
class ITabvaneAddOn;

class TFlyswat {
public:
    // browser: the view's automation object (its web page).
    TFlyswat(bool showLinks, QObject *browser);
    ~TFlyswat();
    TFlyswat(const TFlyswat &) = delete;
    TFlyswat &operator=(const TFlyswat &) = delete;

    bool HasAddOn() const { return m_addOn != nullptr; }
    void SetLinksShown(bool on);
    bool LinksShown() const;

private:
    std::unique_ptr<ITabvaneAddOn> m_addOn;
};
