#include "catalog/ZevuDataFetcher.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <charconv>

#include "foundation/Bundle.h"
#include "foundation/Dispatch.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Paths.h"
#include "state/StoredServers.h"
#include "state/StoredValueCoding.h"

namespace morvex {

namespace {

using ServerPtr = ZevuDataFetcherTypes::ServerPtr;
using ServerList = ZevuDataFetcherTypes::ServerList;

// Runs `block` on the main queue; at once when already there (or when there is no event loop).
void onMain(std::function<void()> block) {
    auto* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) block();
    else DispatchQueue::main().async(std::move(block));
}

// The SDK's records in their own coding, one JSON document per element.
void storeCountries(AppPreferences& app, const std::vector<zevu::ZevuCountry>& countries) {
    std::vector<nlohmann::json> documents;
    documents.reserve(countries.size());
    for (const auto& c : countries) documents.emplace_back(c);
    setEncodableArray(app.defaults(), std::optional(std::move(documents)), AppPreferences::Key::countries);
}

bool sameId(const ServerPtr& a, const std::string& id) { return a && a->id == id; }

std::optional<std::int64_t> decimal(const std::string& text) {
    std::int64_t value = 0;
    const auto* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
    return value;
}

std::vector<zevu::ZevuDatacenters> sdkDataCenters(const std::vector<ZevuDataFetcherTypes::DataCenter>& centres) {
    std::vector<zevu::ZevuDatacenters> out;
    out.reserve(centres.size());
    for (const auto& d : centres) {
        zevu::ZevuDatacenters z;
        z.dataCenterId = d.id;
        z.ip = d.ip;
        z.latency = d.latency;
        z.hostname = d.hostname;
        out.push_back(std::move(z));
    }
    return out;
}

// The bundled table's flags for a location; both off without an entry.
void applyTableFlags(ZevuDataFetcherTypes::Server& s, const ZevuDataFetcher::CountryTable& table) {
    auto it = table.find(s.id);
    s.p2p = it != table.end() && it->second.p2p;
    s.quantumResistant = it != table.end() && it->second.quantumResistant.value_or(false);
}

// Puts `s` in place of the first entry with its id; false when there is none.
bool replaceFirst(ServerList& list, const ServerPtr& s) {
    auto it = std::find_if(list.begin(), list.end(), [&](const ServerPtr& e) { return sameId(e, s->id); });
    if (it == list.end()) return false;
    *it = s;
    return true;
}

}  // namespace

std::string_view ZevuDataFetcher::word(FavoriteSource source) {
    switch (source) {
    case FavoriteSource::Location: return "Location";
    case FavoriteSource::Recent: return "Recent";
    case FavoriteSource::Connecting: return "Connecting";
    case FavoriteSource::Connected: return "Connected";
    case FavoriteSource::Disconnected: return "Disconnected";
    }
    return "Location";
}

std::string_view ZevuDataFetcher::typeWord(ServerType type) {
    switch (type) {
    case ServerType::Country: return "Country";
    case ServerType::City: return "City";
    case ServerType::FastestServer: return "SmartConnect";
    case ServerType::DedicatedIp: return "DedicatedIp";
    case ServerType::Shortcut: return "Shortcut";
    }
    return "Country";
}

ZevuDataFetcher::ZevuDataFetcher()
    : ZevuDataFetcher(PreservedPreferences(), AppPreferences(), zevu::ZevuManager::sharedInstance(), EventTracker()) {}

ZevuDataFetcher::ZevuDataFetcher(PreservedPreferences preserved, AppPreferences app,
                                 std::shared_ptr<zevu::ZevuManager> manager, EventTracker tracker)
    : preservedPreferences(std::move(preserved)),
      appPreference(std::move(app)),
      zevuManager(std::move(manager)),
      eventTracker(std::move(tracker)) {}

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
        auto country = std::make_shared<Server>(*c.country, *c.name, ServerType::Country, *c.country);
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

void ZevuDataFetcher::storeRecommended(const ServerPtr& recommended) const {
    setEncodedServer(appPreference.defaults(), recommended, AppPreferences::Key::recommendedServer);
    NotificationCenter::defaultCenter().post(AppPreferences::recommendedServerUpdatedNotification, recommended);
}

void ZevuDataFetcher::refreshRecommendedServer(const Server& server, const ServerPtr& recommended) const {
    if (!recommended || recommended->id != server.id) return;
    recommended->favorite = server.favorite;
    recommended->latency = server.latency;
    recommended->p2p = server.p2p;
    recommended->quantumResistant = server.quantumResistant;
    storeRecommended(recommended);
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

// ---- recents and favourites ----

void ZevuDataFetcher::addToRecents(const ServerPtr& server) {
    if (!server) return;
    auto recents = preservedPreferences.recents();
    std::erase_if(recents, [&](const ServerPtr& e) { return !e || e->id == server->id; });
    if (recents.size() >= 3) recents.resize(2);
    recents.insert(recents.begin(), server);
    preservedPreferences.setRecents(recents);
}

void ZevuDataFetcher::addToFavorites(const ServerPtr& server, FavoriteSource source) {
    if (!server) return;
    server->favorite = true;
    auto favorites = preservedPreferences.favorites();
    favorites.push_back(server);
    if (auto recommended = appPreference.recommendedServer(); sameId(recommended, server->id)) {
        recommended->favorite = true;
        storeRecommended(recommended);
    }
    auto& defaults = appPreference.defaults();
    if (auto candidate = decodedServer(defaults, AppPreferences::Key::serverToAddInRecent);
        sameId(candidate, server->id)) {
        candidate->favorite = true;
        setEncodedServer(defaults, candidate, AppPreferences::Key::serverToAddInRecent);
    }
    preservedPreferences.setFavorites(favorites);
    replaceRecentEntry(server);
    postFavoritesUpdated(true, server, favorites);
    eventTracker.track(AnalyticsEvent::app_mark_favorite,
                       Dictionary{{"name", server->name}, {"type", typeWord(server->type)}, {"via", word(source)}});
}

void ZevuDataFetcher::removeFromFavorites(const ServerPtr& server) {
    if (!server) return;
    server->favorite = false;
    auto favorites = preservedPreferences.favorites();
    std::erase_if(favorites, [&](const ServerPtr& e) { return !e || e->id == server->id; });
    if (auto recommended = appPreference.recommendedServer(); sameId(recommended, server->id)) {
        recommended->favorite = false;
        storeRecommended(recommended);
    }
    auto& defaults = appPreference.defaults();
    if (auto candidate = decodedServer(defaults, AppPreferences::Key::serverToAddInRecent);
        sameId(candidate, server->id)) {
        candidate->favorite = false;
        setEncodedServer(defaults, candidate, AppPreferences::Key::serverToAddInRecent);
    }
    preservedPreferences.setFavorites(favorites);
    replaceRecentEntry(server);
    postFavoritesUpdated(false, server, favorites);
    if (auto last = appPreference.lastConnection(); last && sameId(last->server, server->id)) {
        last->server->favorite = false;
        appPreference.setLastConnection(last);
    }
}

void ZevuDataFetcher::replaceFavoriteEntry(const ServerPtr& server) {
    if (!server) return;
    auto favorites = preservedPreferences.favorites();
    if (replaceFirst(favorites, server)) preservedPreferences.setFavorites(favorites);
}

void ZevuDataFetcher::replaceRecentEntry(const ServerPtr& server) {
    if (!server) return;
    auto recents = preservedPreferences.recents();
    if (replaceFirst(recents, server)) preservedPreferences.setRecents(recents);
}

// ---- latencies ----

void ZevuDataFetcher::measureCountries(const ServerList& countries, ServersCompletion completion) {
    auto recommended = appPreference.recommendedServer();
    eventTracker.mixpanel().time(std::string(eventName(AnalyticsEvent::app_ping_time)));
    if (!zevuManager) return;
    ZevuDataFetcher self = *this;
    zevuManager->getOptimizedCountries(makeZevuCountries(countries),
                                       [self, countries, recommended, completion](std::vector<zevu::ZevuCountry> answer) {
                                           onMain([self, countries, recommended, completion, answer]() mutable {
                                               self.applyCountryLatencies(answer, countries, recommended, completion);
                                           });
                                       });
}

void ZevuDataFetcher::measureCities(const ServerList& cities, ServersCompletion completion) {
    auto recommended = appPreference.recommendedServer();
    eventTracker.mixpanel().time(std::string(eventName(AnalyticsEvent::app_ping_time)));
    if (!zevuManager) return;
    ZevuDataFetcher self = *this;
    zevuManager->getOptimizedCities(makeZevuCities(cities),
                                    [self, cities, recommended, completion](std::vector<zevu::ZevuCity> answer) {
                                        onMain([self, cities, recommended, completion, answer]() mutable {
                                            self.applyCityLatencies(answer, cities, recommended, completion);
                                        });
                                    });
}

ServerList ZevuDataFetcher::mergeLatencies(std::vector<Measured> measured, const ServerPtr& recommended) {
    const auto favorites = preservedPreferences.favorites();
    const auto recents = preservedPreferences.recents();
    auto find = [](const ServerList& list, const std::string& id) -> ServerPtr {
        for (const auto& e : list)
            if (sameId(e, id)) return e;
        return nullptr;
    };
    ServerList result;
    result.reserve(measured.size());
    for (auto& m : measured) {
        auto& s = *m.server;
        if (m.latency == 0) {
            s.dataCenters = std::move(m.dataCenters);
            reportFailedPing(s);
        } else {
            s.latency = m.latency;
        }
        // The flag follows the favourites as stored now, so an edit made while the SDK measured
        // is not undone by the rows made before it.
        if (auto f = find(favorites, s.id)) {
            f->latency = s.latency;
            replaceFavoriteEntry(f);
            s.favorite = true;
        } else {
            s.favorite = false;
            if (auto e = find(recents, s.id)) {
                e->latency = s.latency;
                replaceRecentEntry(e);
            }
        }
        if (sameId(recommended, s.id)) {
            recommended->latency = s.latency;
            storeRecommended(recommended);
        }
        result.push_back(m.server);
    }
    if (auto last = appPreference.lastConnection(); last && last->server) {
        if (auto match = find(result, last->server->id)) {
            last->server->latency = match->latency;
            appPreference.setLastConnection(last);
        }
    }
    return result;
}

void ZevuDataFetcher::applyCityLatencies(const std::vector<zevu::ZevuCity>& answer, const ServerList& servers,
                                         const ServerPtr& recommended, const ServersCompletion& completion) {
    eventTracker.track(AnalyticsEvent::app_ping_time, Dictionary{{"type", "City"}});
    std::vector<Measured> measured;
    for (const auto& c : answer) {
        const auto id = std::to_string(c.cityId);
        auto it = std::find_if(servers.begin(), servers.end(), [&](const ServerPtr& s) { return sameId(s, id); });
        if (it == servers.end()) continue;
        measured.push_back({*it, c.latency, makeDataCenters(c.data_centers)});
    }
    auto result = mergeLatencies(std::move(measured), recommended);
    if (completion) completion(std::move(result));
}

void ZevuDataFetcher::applyCountryLatencies(const std::vector<zevu::ZevuCountry>& answer, const ServerList& servers,
                                            const ServerPtr& recommended, const ServersCompletion& completion) {
    eventTracker.track(AnalyticsEvent::app_ping_time, Dictionary{{"type", "Country"}});
    std::vector<Measured> measured;
    for (const auto& c : answer) {
        if (!c.country) continue;
        auto it = std::find_if(servers.begin(), servers.end(), [&](const ServerPtr& s) { return sameId(s, *c.country); });
        if (it == servers.end()) continue;
        measured.push_back({*it, c.latency, makeDataCenters(c.dataCenters)});
    }
    auto result = mergeLatencies(std::move(measured), recommended);
    preservedPreferences.setCountries(result);
    if (completion) completion(std::move(result));
}

void ZevuDataFetcher::reportFailedPing(const Server& server) {
    Array failed;
    if (server.dataCenters)
        for (const auto& d : *server.dataCenters)
            if (d.latency == 0) failed.emplace_back(std::to_string(d.id));
    const int status = zevuManager ? zevuManager->getCurrentVPNStatus() : 0;
    std::string_view state = "Disconnected";
    if (status == zevu::rawValue(zevu::ZevuVPNState::Connected)) state = "Connected";
    else if (status == zevu::rawValue(zevu::ZevuVPNState::Connecting)) state = "Connecting";
    eventTracker.track(AnalyticsEvent::app_fail_ping,
                       Dictionary{{"location", server.name}, {"data_centers", Value(std::move(failed))},
                                  {"connection_state", state}});
}

}  // namespace morvex
