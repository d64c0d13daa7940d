#include "catalog/SavedLocations.h"

#include <algorithm>

#include "catalog/ZevuDataFetcherShared.h"
#include "state/StoredServers.h"

namespace morvex {

using namespace fetcher;

std::string_view SavedLocations::word(FavoriteSource source) {
    switch (source) {
    case FavoriteSource::Location: return "Location";
    case FavoriteSource::Recent: return "Recent";
    case FavoriteSource::Connecting: return "Connecting";
    case FavoriteSource::Connected: return "Connected";
    case FavoriteSource::Disconnected: return "Disconnected";
    }
    return "Location";
}

std::string_view SavedLocations::typeWord(ServerType type) {
    switch (type) {
    case ServerType::Country: return "Country";
    case ServerType::City: return "City";
    case ServerType::FastestServer: return "SmartConnect";
    case ServerType::DedicatedIp: return "DedicatedIp";
    case ServerType::Shortcut: return "Shortcut";
    }
    return "Country";
}

SavedLocations::SavedLocations() : SavedLocations(PreservedPreferences(), AppPreferences(), EventTracker()) {}

SavedLocations::SavedLocations(PreservedPreferences preserved, AppPreferences app, EventTracker tracker)
    : preservedPreferences(std::move(preserved)), appPreference(std::move(app)), eventTracker(std::move(tracker)) {}

void SavedLocations::addToRecents(const ServerPtr& server) {
    if (!server) return;
    auto recents = preservedPreferences.recents();
    std::erase_if(recents, [&](const ServerPtr& e) { return !e || e->id == server->id; });
    if (recents.size() >= 3) recents.resize(2);
    recents.insert(recents.begin(), server);
    preservedPreferences.setRecents(recents);
}

void SavedLocations::addToFavorites(const ServerPtr& server, FavoriteSource source) {
    if (!server) return;
    server->favorite = true;
    auto favorites = preservedPreferences.favorites();
    favorites.push_back(server);
    if (auto recommended = appPreference.recommendedServer(); sameId(recommended, server->id)) {
        recommended->favorite = true;
        storeRecommended(appPreference, recommended);
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

void SavedLocations::removeFromFavorites(const ServerPtr& server) {
    if (!server) return;
    server->favorite = false;
    auto favorites = preservedPreferences.favorites();
    std::erase_if(favorites, [&](const ServerPtr& e) { return !e || e->id == server->id; });
    if (auto recommended = appPreference.recommendedServer(); sameId(recommended, server->id)) {
        recommended->favorite = false;
        storeRecommended(appPreference, recommended);
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

void SavedLocations::replaceFavoriteEntry(const ServerPtr& server) {
    if (!server) return;
    auto favorites = preservedPreferences.favorites();
    if (replaceFirst(favorites, server)) preservedPreferences.setFavorites(favorites);
}

void SavedLocations::replaceRecentEntry(const ServerPtr& server) {
    if (!server) return;
    auto recents = preservedPreferences.recents();
    if (replaceFirst(recents, server)) preservedPreferences.setRecents(recents);
}

}  // namespace morvex
