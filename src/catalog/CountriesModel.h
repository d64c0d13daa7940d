#pragma once
// The model behind the country lists and the dashboard's recent-location tile: loads the catalogue
// through the fetcher, has the SDK measure latencies when pinging is on, keeps the favourites and
// recents tabs, searches and filters, picks the sort order, follows the application's
// notifications, connects a chosen row and asks the service whether the user's dedicated IP is in
// use. It holds no widgets: a screen reads the properties and follows `propertyChanged`, which
// names each property when its value is set.
//
// Threads: the main thread. The fetcher's and the SDK's answers arrive there too.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalog/LocationListModel.h"
#include <nlohmann/json.hpp>

#include "foundation/Error.h"

namespace morvex {

class Networking;

class CountriesModel : public LocationListModel {
    Q_OBJECT

public:
    // The service's answer on the user's dedicated IP: whether another session uses it (absent
    // when the service does not say).
    struct DedicatedIPStatusModel {
        static constexpr bool emptyObjectRepresentable = true;
        std::optional<bool> connected;
        friend bool operator==(const DedicatedIPStatusModel&, const DedicatedIPStatusModel&) = default;
    };
    using DedicatedIPStatusCompletion = std::function<void(Result<DedicatedIPStatusModel>)>;

    // The status request goes through the shared API client.
    CountriesModel(LocationEngine engine, ZevuDataFetcher zevuDataFetcher, PreservedPreferences preference,
                   EventTracker eventTracker, QObject* parent = nullptr);
    CountriesModel(Networking& networkingManager, LocationEngine engine, ZevuDataFetcher zevuDataFetcher,
                   PreservedPreferences preference, EventTracker eventTracker, QObject* parent = nullptr);

    // Not owned; none means the shared client.
    Networking* networkingManager = nullptr;
    const SortDescriptors nameSortDescriptor = LocationSearch::nameSortDescriptor();
    const SortDescriptors rankSortDescriptor = LocationSearch::rankSortDescriptor();
    const SortDescriptors pingSortDescriptor = LocationSearch::pingSortDescriptor();
    std::shared_ptr<CountriesModelDelegate> countriesDelegate;
    // The favourites tab is shown: the search runs over the favourites.
    bool favoriteSeleceted = false;

    // ---- observable properties (beside the shared ones) ----
    // The loaded countries, each with its cities.
    const std::optional<ServerList>& countriesContent() const { return countriesContent_; }
    void setCountriesContent(std::optional<ServerList> value);
    const std::optional<ServerList>& favoritesContent() const { return favoritesContent_; }
    const std::optional<ServerList>& filterCountries() const { return filterCountries_; }

    // ---- operations ----
    // Loads the catalogue unless a load runs (then nothing happens, and the completion is not
    // called); the completion gets whether the load succeeded. A failed load leaves the lists.
    // With pinging on, the countries and then the cities are measured before the completion,
    // and the dedicated IP is pinged afterwards.
    void refreshCountries(std::function<void(bool)> completion = {});
    void applySearch();
    void showRecents();
    void showFavorites();
    std::size_t favoritesCount() const;
    // The stored favourites as rows of the favourite kind, and their number.
    std::vector<ListItem> favoriteListItems() const;
    int listItems() const;
    void updateSortDescriptors(SortKind kind);
    ServerList sortedServers(const ServerList& servers, SortKind kind) const;
    // Connects to a chosen row; with the selected protocol's system extension not ready, asks
    // `countriesDelegate` for the protocols sheet instead.
    void connectToListServer(const ServerPtr& server, bool searching);
    // Asks the service whether the dedicated IP `address` is in use, for the stored VPN user (an
    // empty name when none is stored). The completion gets the answer or the error unchanged.
    void checkDedicatedIPStatus(const std::string& address, DedicatedIPStatusCompletion completion);

private:
    const SortDescriptors& pingOrder() const override { return pingSortDescriptor; }
    const SortDescriptors& plainOrder() const override { return rankSortDescriptor; }
    void reloadAfterPingChange() override { refreshCountries(); }
    void vpnAccountDidChange() override;
    void addOwnObservers() override;
    void loaded(ServerList countries, const std::function<void(bool)>& completion);
    void measured(ServerList countries, const std::function<void(bool)>& completion);
    void resetFilter();

    std::optional<ServerList> countriesContent_, favoritesContent_, filterCountries_;
};

void to_json(nlohmann::json& j, const CountriesModel::DedicatedIPStatusModel& m);
void from_json(const nlohmann::json& j, CountriesModel::DedicatedIPStatusModel& m);

}  // namespace morvex
