#pragma once
// The model behind the city list of one country: the cities narrowed by the search text, the
// order (by name, or by latency when pinging is on), latency measurement, favourite flags kept in
// step with the favourites store, and the connection to a chosen city. It holds no widgets: a
// screen reads the properties and follows `propertyChanged`.
//
// Threads: the main thread; the SDK's measurement answers arrive there too.
#include <memory>
#include <optional>
#include <string>

#include "catalog/LocationListModel.h"

namespace morvex {

class CitiesControllerModel : public LocationListModel {
    Q_OBJECT

public:
    CitiesControllerModel(LocationEngine engine, ZevuDataFetcher zevuDataFetcher, PreservedPreferences preference,
                          EventTracker eventTracker, QObject* parent = nullptr);

    const SortDescriptors nameSortDescriptor = LocationSearch::nameSortDescriptor();
    const SortDescriptors pingSortDescriptor = LocationSearch::cityPingSortDescriptor();
    std::shared_ptr<CitiesModelDelegate> citiesDelegate;

    // Every city of the country; the search narrows this into `content`.
    using LocationListModel::setContentWithCities;
    const std::optional<std::string>& countryName() const { return countryName_; }
    void setCountryName(std::optional<std::string> value);

    // With pinging on and no measurement running, has the SDK measure the shown cities.
    void loadCities();
    void trackCountryOpened();
    void applySearch();
    // Connects to a chosen city; with the selected protocol's system extension not ready, asks
    // `citiesDelegate` for the protocols sheet instead.
    void connectCity(const ServerPtr& server, bool searching);

private:
    const SortDescriptors& pingOrder() const override { return pingSortDescriptor; }
    const SortDescriptors& plainOrder() const override { return nameSortDescriptor; }
    void reloadAfterPingChange() override { loadCities(); }
    void vpnAccountDidChange() override;

    std::optional<std::string> countryName_;
};

}  // namespace morvex
