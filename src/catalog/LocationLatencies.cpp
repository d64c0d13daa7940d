#include "catalog/LocationLatencies.h"

#include <algorithm>

#include "catalog/SavedLocations.h"
#include "catalog/ZevuDataFetcher.h"
#include "catalog/ZevuDataFetcherShared.h"

namespace morvex {

using namespace fetcher;

void LocationLatencies::measureCountries(const ServerList& countries, ServersCompletion completion) {
    auto recommended = appPreference.recommendedServer();
    eventTracker.mixpanel().time(std::string(eventName(AnalyticsEvent::app_ping_time)));
    if (!zevuManager) return;
    LocationLatencies self = *this;
    zevuManager->getOptimizedCountries(ZevuDataFetcher::makeZevuCountries(countries),
                                       [self, countries, recommended, completion](std::vector<zevu::ZevuCountry> answer) {
                                           onMain([self, countries, recommended, completion, answer]() mutable {
                                               self.applyCountryLatencies(answer, countries, recommended, completion);
                                           });
                                       });
}

void LocationLatencies::measureCities(const ServerList& cities, ServersCompletion completion) {
    auto recommended = appPreference.recommendedServer();
    eventTracker.mixpanel().time(std::string(eventName(AnalyticsEvent::app_ping_time)));
    if (!zevuManager) return;
    LocationLatencies self = *this;
    zevuManager->getOptimizedCities(ZevuDataFetcher::makeZevuCities(cities),
                                    [self, cities, recommended, completion](std::vector<zevu::ZevuCity> answer) {
                                        onMain([self, cities, recommended, completion, answer]() mutable {
                                            self.applyCityLatencies(answer, cities, recommended, completion);
                                        });
                                    });
}

ServerList LocationLatencies::mergeLatencies(std::vector<Measured> measured, const ServerPtr& recommended) {
    const auto favorites = preservedPreferences.favorites();
    const auto recents = preservedPreferences.recents();
    SavedLocations saved(preservedPreferences, appPreference, eventTracker);
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
            saved.replaceFavoriteEntry(f);
            s.favorite = true;
        } else {
            s.favorite = false;
            if (auto e = find(recents, s.id)) {
                e->latency = s.latency;
                saved.replaceRecentEntry(e);
            }
        }
        if (sameId(recommended, s.id)) {
            recommended->latency = s.latency;
            storeRecommended(appPreference, recommended);
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

void LocationLatencies::applyCityLatencies(const std::vector<zevu::ZevuCity>& answer, const ServerList& servers,
                                         const ServerPtr& recommended, const ServersCompletion& completion) {
    eventTracker.track(AnalyticsEvent::app_ping_time, Dictionary{{"type", "City"}});
    std::vector<Measured> measured;
    for (const auto& c : answer) {
        const auto id = std::to_string(c.cityId);
        auto it = std::find_if(servers.begin(), servers.end(), [&](const ServerPtr& s) { return sameId(s, id); });
        if (it == servers.end()) continue;
        measured.push_back({*it, c.latency, ZevuDataFetcher::makeDataCenters(c.data_centers)});
    }
    auto result = mergeLatencies(std::move(measured), recommended);
    if (completion) completion(std::move(result));
}

void LocationLatencies::applyCountryLatencies(const std::vector<zevu::ZevuCountry>& answer, const ServerList& servers,
                                            const ServerPtr& recommended, const ServersCompletion& completion) {
    eventTracker.track(AnalyticsEvent::app_ping_time, Dictionary{{"type", "Country"}});
    std::vector<Measured> measured;
    for (const auto& c : answer) {
        if (!c.country) continue;
        auto it = std::find_if(servers.begin(), servers.end(), [&](const ServerPtr& s) { return sameId(s, *c.country); });
        if (it == servers.end()) continue;
        measured.push_back({*it, c.latency, ZevuDataFetcher::makeDataCenters(c.dataCenters)});
    }
    auto result = mergeLatencies(std::move(measured), recommended);
    preservedPreferences.setCountries(result);
    if (completion) completion(std::move(result));
}

void LocationLatencies::reportFailedPing(const Server& server) {
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
