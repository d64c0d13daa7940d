#pragma once
// Which is which: `ZevuDataFetcher` (here) does the work; `ZevuDataFetcherTypes` (model/ServerRecord.h)
// holds only its record types, so the stores can use them.
//
// The location catalogue's fetcher: asks the VPN SDK for its countries, turns them into the Server
// tree the lists show (with the built-in country table's flags), and resolves a chosen country for
// the connection engine. The other two jobs on the same stores are classes of their own:
// SavedLocations (recents and favourites) and LocationLatencies (measuring and merging latencies).
//
// A fetcher keeps no state of its own: every operation reads the stores, changes them and writes
// them back, so any number of fetchers are interchangeable. Its record types live in
// ZevuDataFetcherTypes so that the stores can use them without the fetcher's collaborators.
//
// Threads: the operations run on the main thread. The SDK's countries answer hops to the main
// queue before it touches a store.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalog/CatalogueStores.h"
#include "catalog/SavedLocations.h"
#include "foundation/Error.h"
#include "model/ServerRecord.h"
#include "state/AppPreferences.h"
#include "state/EventTracker.h"
#include "state/PreservedPreferences.h"
#include "zevu/ZevuManager.h"

namespace morvex {

class ZevuDataFetcher : public ZevuDataFetcherTypes, public CatalogueStores {
public:
    // Where a favourite was added (SavedLocations::addToFavorites).
    using FavoriteSource = SavedLocations::FavoriteSource;

    using CountryTable = std::map<std::string, LocalJsonCountry, std::less<>>;
    // The loaded Servers, or the failure that left the lists as they were.
    using CountriesCompletion = std::function<void(ServerList servers, std::optional<Error> error)>;

    using CatalogueStores::CatalogueStores;

    // ---- SDK records to Servers and back ----
    static std::optional<std::vector<DataCenter>> makeDataCenters(
        const std::optional<std::vector<zevu::ZevuDatacenters>>& dataCenters);
    // Country Servers with their cities, favourites marked and the table's flags applied; a stored
    // recommended Server with the id of a made Server takes its flags and latency and is stored
    // and announced again. Records without a code or name are skipped.
    ServerList makeServers(const std::vector<zevu::ZevuCountry>& countries, const ServerList& favorites,
                           const CountryTable& table, const ServerPtr& recommended) const;
    static std::vector<zevu::ZevuCountry> makeZevuCountries(const ServerList& servers);
    // City Servers whose id is not a decimal number are left out.
    static std::vector<zevu::ZevuCity> makeZevuCities(const ServerList& servers);
    static std::vector<zevu::ZevuCountry> countriesMatching(const std::vector<zevu::ZevuCountry>& countries,
                                                            const Server& server);
    static std::vector<zevu::ZevuCountry> countriesSupportingProtocol(const std::vector<zevu::ZevuCountry>& countries,
                                                                      const std::string& protocolName);
    // The SDK's name of the user's selected protocol ("" when it has none).
    std::string selectedProtocolName() const;

    // ---- loading ----
    // The cached SDK countries ("AppPreference.countries"); empty when absent.
    std::vector<zevu::ZevuCountry> cachedCountries() const;
    // Answers from `cached` when it and the stored cache hold countries, else fetches them from the
    // SDK (and caches them). Either way only countries offering the selected protocol remain. A
    // failed fetch reaches the completion as its error, with no Servers.
    void loadCountries(const std::vector<zevu::ZevuCountry>& cached, CountriesCompletion completion);
    // Asks the SDK; exactly one of the two runs, on the main queue.
    void fetchCountries(std::function<void(std::vector<zevu::ZevuCountry>)> success,
                        std::function<void(Error)> failure);
    // Converts, stores under the per-user "countries" and answers.
    void countriesLoaded(const std::vector<zevu::ZevuCountry>& countries, const CountriesCompletion& completion);
    // The built-in table (resource "countries" of type "json"); none when missing or unreadable.
    // A table read re-applies its flags to the stored favourites and recents.
    std::optional<CountryTable> loadBundledCountries();
    void applyBundledFlagsToFavorites(const CountryTable& table);
    void applyBundledFlagsToRecents(const CountryTable& table);
    void refreshRecommendedServer(const Server& server, const ServerPtr& recommended) const;

    // ---- resolving and naming ----
    // The SDK country to dial for a country Server: the cached country with the Server's id; with
    // an empty cache, a country made from the Server (the SDK resolves the code itself). None when
    // the cache lacks the country. The engine dials it (Zevu::connectToLocation).
    std::optional<zevu::ZevuCountry> resolveCountry(const Server& server) const;
    // Names the dedicated-IP Server after the cached country with the country Server's id (its
    // `host` when that country has no name), or after the country Server itself when the cache
    // lacks it, stores it as the user's dedicated server and clears the dedicated-IP error.
    void nameDedicatedServer(const ServerPtr& countryServer, const ServerPtr& dedicatedServer);
};

}  // namespace morvex
