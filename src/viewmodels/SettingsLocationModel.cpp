#include "viewmodels/SettingsLocationModel.h"

namespace morvex {

SettingsLocationModel::SettingsLocationModel(ZevuDataFetcher fetcher) : zevuDataFetcher(std::move(fetcher)) {}

void SettingsLocationModel::loadCountries(Completion completion) {
    zevuDataFetcher.eventTracker.mixpanel().time("app_location_load_time");
    zevuDataFetcher.loadCountries(zevuDataFetcher.cachedCountries(), std::move(completion));
}

}  // namespace morvex
