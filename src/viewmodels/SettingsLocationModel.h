#pragma once
// Loads the countries the location picker of the preferences offers: the catalogue's countries
// (from the cached SDK list when there is one, else asked of the SDK), timed for analytics.
#include <functional>
#include <optional>

#include "catalog/ZevuDataFetcher.h"

namespace morvex {

class SettingsLocationModel {
public:
    using Completion = ZevuDataFetcher::CountriesCompletion;

    explicit SettingsLocationModel(ZevuDataFetcher fetcher);

    ZevuDataFetcher zevuDataFetcher;

    // The completion runs on the main queue with the countries or the failure.
    void loadCountries(Completion completion);
};

}  // namespace morvex
