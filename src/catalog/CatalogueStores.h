#pragma once
// What the catalogue's jobs work over (ZevuDataFetcher and LocationLatencies): the per-user and
// app-wide stores, the VPN SDK's manager and the analytics. A plain value; copies share the stores.
#include <memory>

#include "state/AppPreferences.h"
#include "state/EventTracker.h"
#include "state/PreservedPreferences.h"
#include "zevu/ZevuManager.h"

namespace morvex {

struct CatalogueStores {
    // Stores over the standard defaults, the SDK's shared manager, the main analytics instance.
    CatalogueStores()
        : CatalogueStores(PreservedPreferences(), AppPreferences(), zevu::ZevuManager::sharedInstance(), EventTracker()) {}
    CatalogueStores(PreservedPreferences preserved, AppPreferences app, std::shared_ptr<zevu::ZevuManager> manager,
                    EventTracker tracker)
        : preservedPreferences(std::move(preserved)),
          appPreference(std::move(app)),
          zevuManager(std::move(manager)),
          eventTracker(std::move(tracker)) {}

    PreservedPreferences preservedPreferences;
    AppPreferences appPreference;
    std::shared_ptr<zevu::ZevuManager> zevuManager;
    EventTracker eventTracker;
};

}  // namespace morvex
