#pragma once
// Measuring the catalogue's locations: has the VPN SDK measure countries or cities and merges its
// answer into the Servers measured and into every stored copy of them (favourites, recents, the
// recommended Server, the last connection). The location catalogue is ZevuDataFetcher; recents and
// favourites are SavedLocations.
//
// Threads: the SDK's answers hop to the main queue before they touch a store, so a latency merge
// and a favourite edit never interleave their read-change-write of the same list.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "catalog/CatalogueStores.h"
#include "model/ServerRecord.h"

namespace morvex {

class LocationLatencies : public ZevuDataFetcherTypes, public CatalogueStores {
public:
    using ServersCompletion = std::function<void(ServerList servers)>;

    using CatalogueStores::CatalogueStores;
    // Over the same stores, SDK and analytics as another of the catalogue's jobs.
    explicit LocationLatencies(const CatalogueStores& stores) : CatalogueStores(stores) {}

    // Starts "app_ping_time", has the SDK measure the Servers and merges the answer on the main
    // queue (applyCountryLatencies / applyCityLatencies).
    void measureCountries(const ServerList& countries, ServersCompletion completion);
    void measureCities(const ServerList& cities, ServersCompletion completion);
    // Merge an answer into the Servers measured: latencies, the favourite flag as the favourites
    // now hold it, the copies in favourites, recents, recommended Server and last connection.
    // Answer entries without a Server are dropped. The country pass also stores the result.
    void applyCityLatencies(const std::vector<zevu::ZevuCity>& answer, const ServerList& servers,
                            const ServerPtr& recommended, const ServersCompletion& completion);
    void applyCountryLatencies(const std::vector<zevu::ZevuCountry>& answer, const ServerList& servers,
                               const ServerPtr& recommended, const ServersCompletion& completion);
    // "app_fail_ping" with the location, its zero-latency data centres and the connection state.
    void reportFailedPing(const Server& server);

private:
    // Shared by the two passes: one answer entry's latency and data centres.
    struct Measured {
        ServerPtr server;
        std::int64_t latency;
        std::optional<std::vector<DataCenter>> dataCenters;
    };
    ServerList mergeLatencies(std::vector<Measured> measured, const ServerPtr& recommended);
};

}  // namespace morvex
