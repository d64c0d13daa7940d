#include "catalog/ZevuDataFetcher.h"
#include "catalog/ZevuDataFetcherShared.h"

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

using namespace fetcher;

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

}  // namespace morvex
