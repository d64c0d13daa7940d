#include "catalog/ZevuDataFetcher.h"
#include "catalog/ZevuDataFetcherShared.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <charconv>

#include "catalog/CountryNames.h"
#include "foundation/Bundle.h"
#include "foundation/Dispatch.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Paths.h"
#include "state/StoredServers.h"
#include "state/StoredValueCoding.h"

namespace morvex {

using namespace fetcher;

// ---- SDK records to Servers and back ----

std::optional<std::vector<ZevuDataFetcher::DataCenter>> ZevuDataFetcher::makeDataCenters(
    const std::optional<std::vector<zevu::ZevuDatacenters>>& dataCenters) {
    if (!dataCenters) return std::nullopt;
    std::vector<DataCenter> out;
    out.reserve(dataCenters->size());
    for (const auto& d : *dataCenters) out.push_back({d.dataCenterId.value_or(0), d.latency, d.ip, d.hostname});
    return out;
}

ServerList ZevuDataFetcher::makeServers(const std::vector<zevu::ZevuCountry>& countries, const ServerList& favorites,
                                        const CountryTable& table, const ServerPtr& recommended) const {
    auto isFavorite = [&](const std::string& id) {
        return std::any_of(favorites.begin(), favorites.end(), [&](const ServerPtr& f) { return sameId(f, id); });
    };
    ServerList out;
    out.reserve(countries.size());
    for (const auto& c : countries) {
        if (!c.country || !c.name) continue;
        // Shown in the user's language; the SDK is asked by code, never by this name.
        auto country = std::make_shared<Server>(*c.country, countryDisplayName(*c.country, *c.name),
                                                ServerType::Country, *c.country);
        country->favorite = isFavorite(country->id);
        country->dataCenters = makeDataCenters(c.dataCenters);
        if (auto it = table.find(*c.country); it != table.end()) {
            country->p2p = it->second.p2p;
            country->priority = it->second.priority;
            country->quantumResistant = it->second.quantumResistant.value_or(false);
        }
        if (c.cities) {
            ServerList cities;
            cities.reserve(c.cities->size());
            for (const auto& city : *c.cities) {
                if (!city.name || !city.country) continue;
                auto s = std::make_shared<Server>(std::to_string(city.cityId), *city.name, ServerType::City, *city.country);
                s->favorite = isFavorite(s->id);
                s->dataCenters = makeDataCenters(city.data_centers);
                refreshRecommendedServer(*s, recommended);
                cities.push_back(std::move(s));
            }
            country->servers = std::move(cities);
        }
        refreshRecommendedServer(*country, recommended);
        out.push_back(std::move(country));
    }
    return out;
}

std::vector<zevu::ZevuCountry> ZevuDataFetcher::makeZevuCountries(const ServerList& servers) {
    std::vector<zevu::ZevuCountry> out;
    out.reserve(servers.size());
    for (const auto& s : servers) {
        if (!s) continue;
        zevu::ZevuCountry c;
        c.country = s->id;
        c.name = s->name;
        if (s->dataCenters) c.dataCenters = sdkDataCenters(*s->dataCenters);
        out.push_back(std::move(c));
    }
    return out;
}

std::vector<zevu::ZevuCity> ZevuDataFetcher::makeZevuCities(const ServerList& servers) {
    std::vector<zevu::ZevuCity> out;
    out.reserve(servers.size());
    for (const auto& s : servers) {
        if (!s) continue;
        auto id = decimal(s->id);
        if (!id) continue;
        zevu::ZevuCity c;
        c.cityId = *id;
        c.name = s->name;
        c.country = s->code;
        if (s->dataCenters) c.data_centers = sdkDataCenters(*s->dataCenters);
        out.push_back(std::move(c));
    }
    return out;
}

std::vector<zevu::ZevuCountry> ZevuDataFetcher::countriesMatching(const std::vector<zevu::ZevuCountry>& countries,
                                                                  const Server& server) {
    std::vector<zevu::ZevuCountry> out;
    for (const auto& c : countries)
        if (c.country == server.id) out.push_back(c);
    return out;
}

std::vector<zevu::ZevuCountry> ZevuDataFetcher::countriesSupportingProtocol(
    const std::vector<zevu::ZevuCountry>& countries, const std::string& protocolName) {
    std::vector<zevu::ZevuCountry> out;
    for (const auto& c : countries) {
        if (!c.protocols) continue;
        if (std::any_of(c.protocols->begin(), c.protocols->end(),
                        [&](const zevu::ZevuProtocol& p) { return p.name() == protocolName; }))
            out.push_back(c);
    }
    return out;
}

std::string ZevuDataFetcher::selectedProtocolName() const {
    zevu::ZevuProtocol protocol;
    protocol.setProtocol(std::string(rawValue(preservedPreferences.selectedProtocol())));
    return protocol.name().value_or("");
}

// ---- loading ----

std::vector<zevu::ZevuCountry> ZevuDataFetcher::cachedCountries() const {
    return decodableArray<zevu::ZevuCountry>(appPreference.defaults(), AppPreferences::Key::countries)
        .value_or(std::vector<zevu::ZevuCountry>{});
}

void ZevuDataFetcher::loadCountries(const std::vector<zevu::ZevuCountry>& cached, CountriesCompletion completion) {
    const auto protocol = selectedProtocolName();
    if (!cached.empty() && !cachedCountries().empty()) {
        countriesLoaded(countriesSupportingProtocol(cached, protocol), completion);
        return;
    }
    ZevuDataFetcher self = *this;
    fetchCountries(
        [self, protocol, completion](std::vector<zevu::ZevuCountry> countries) mutable {
            storeCountries(self.appPreference, countries);
            self.countriesLoaded(countriesSupportingProtocol(countries, protocol), completion);
        },
        [completion](Error error) {
            if (completion) completion({}, std::move(error));
        });
}

void ZevuDataFetcher::fetchCountries(std::function<void(std::vector<zevu::ZevuCountry>)> success,
                                     std::function<void(Error)> failure) {
    eventTracker.mixpanel().time(std::string(eventName(AnalyticsEvent::app_location_load_time)));
    if (!zevuManager) {
        if (failure) failure(Error("ZevuDataFetcher", -1, "The VPN SDK is not available"));
        return;
    }
    zevuManager->getCountriesWithSuccess(
        [success](std::optional<std::vector<zevu::ZevuCountry>> countries) {
            onMain([success, list = countries.value_or(std::vector<zevu::ZevuCountry>{})] {
                log::print("Fetched countries successfully");
                if (success) success(list);
            });
        },
        [failure](std::optional<Error> error) {
            onMain([failure, error] {
                log::print("Failed to fetch countries from zevu");
                if (failure) failure(error.value_or(Error("ZevuDataFetcher", -1, "Failed to fetch countries")));
            });
        });
}

void ZevuDataFetcher::countriesLoaded(const std::vector<zevu::ZevuCountry>& countries,
                                      const CountriesCompletion& completion) {
    const auto table = loadBundledCountries().value_or(CountryTable{});
    auto servers = makeServers(countries, preservedPreferences.favorites(), table, appPreference.recommendedServer());
    preservedPreferences.setCountries(servers);
    eventTracker.track(AnalyticsEvent::app_location_load_time, Dictionary{{"type", "Country"}});
    if (completion) completion(std::move(servers), std::nullopt);
}

std::optional<ZevuDataFetcher::CountryTable> ZevuDataFetcher::loadBundledCountries() {
    auto path = Bundle::main().pathForResource("countries", "json");
    if (!path) return std::nullopt;
    auto text = paths::readFile(*path);
    if (!text) {
        log::print("error The file \"countries.json\" could not be read.");
        return std::nullopt;
    }
    CountryTable table;
    try {
        auto j = nlohmann::json::parse(*text);
        if (!j.is_object()) throw nlohmann::json::type_error::create(302, "the country table is not an object", &j);
        for (auto it = j.begin(); it != j.end(); ++it) {
            LocalJsonCountry entry;
            from_json(it.value(), entry);
            table.emplace(it.key(), entry);
        }
    } catch (const nlohmann::json::exception& e) {
        log::print(std::string("error ") + e.what());
        return std::nullopt;
    }
    applyBundledFlagsToFavorites(table);
    applyBundledFlagsToRecents(table);
    return table;
}

void ZevuDataFetcher::applyBundledFlagsToFavorites(const CountryTable& table) {
    for (const auto& f : preservedPreferences.favorites()) {
        if (!f) continue;
        applyTableFlags(*f, table);
        auto favorites = preservedPreferences.favorites();
        if (!replaceFirst(favorites, f)) continue;
        preservedPreferences.setFavorites(favorites);
        auto recents = preservedPreferences.recents();
        if (replaceFirst(recents, f)) preservedPreferences.setRecents(recents);
        // The location is still a favourite: lists that show it keep its star.
        postFavoritesUpdated(true, f, favorites);
    }
}

void ZevuDataFetcher::applyBundledFlagsToRecents(const CountryTable& table) {
    for (const auto& r : preservedPreferences.recents()) {
        if (!r) continue;
        applyTableFlags(*r, table);
        auto recents = preservedPreferences.recents();
        if (replaceFirst(recents, r)) preservedPreferences.setRecents(recents);
    }
}

void ZevuDataFetcher::refreshRecommendedServer(const Server& server, const ServerPtr& recommended) const {
    if (!recommended || recommended->id != server.id) return;
    recommended->favorite = server.favorite;
    recommended->latency = server.latency;
    recommended->p2p = server.p2p;
    recommended->quantumResistant = server.quantumResistant;
    storeRecommended(appPreference, recommended);
}

// ---- connecting and naming ----

std::optional<zevu::ZevuCountry> ZevuDataFetcher::resolveCountry(const Server& server) const {
    const auto cached = cachedCountries();
    if (!cached.empty()) {
        auto matches = countriesMatching(cached, server);
        if (matches.empty()) return std::nullopt;
        return std::move(matches.front());
    }
    // Nothing cached yet (first start, or the cache was cleared): the SDK resolves the code
    // itself. Only the chosen country is dialled; a second, recommended-location dial would
    // replace the user's choice.
    zevu::ZevuCountry country;
    country.country = server.id;
    country.name = server.name;
    country.iso_code = server.code;
    return country;
}

void ZevuDataFetcher::nameDedicatedServer(const ServerPtr& countryServer, const ServerPtr& dedicatedServer) {
    if (!countryServer || !dedicatedServer) return;
    std::optional<std::string> name;
    const auto cached = cachedCountries();
    if (auto matches = countriesMatching(cached, *countryServer); !matches.empty()) name = matches.front().name;
    else name = countryServer->name.empty() ? std::nullopt : std::optional(countryServer->name);
    dedicatedServer->name = name.value_or(dedicatedServer->host);
    preservedPreferences.setDedicatedServer(dedicatedServer);
    preservedPreferences.setDedicatedIpApiError(std::nullopt);
}

}  // namespace morvex
