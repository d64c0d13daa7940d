#pragma once
// The user's recents and favourites: adding and removing them and keeping every stored copy of a
// Server in step (the favourites, the recents, the recommended Server, the recents candidate and
// the last connection) when its favourite flag or latency changes. The location catalogue is
// ZevuDataFetcher; latencies are LocationLatencies.
//
// Keeps no state of its own: every operation reads the stores, changes them and writes them back.
// Threads: main thread.
#include <cstdint>
#include <string_view>

#include "model/ServerRecord.h"
#include "state/AppPreferences.h"
#include "state/EventTracker.h"
#include "state/PreservedPreferences.h"

namespace morvex {

class SavedLocations : public ZevuDataFetcherTypes {
public:
    // Where a favourite was added; its word goes with the analytics event.
    enum class FavoriteSource : std::uint8_t { Location, Recent, Connecting, Connected, Disconnected };
    static std::string_view word(FavoriteSource source);
    // The analytics word of a location type ("SmartConnect" for the fastest server).
    static std::string_view typeWord(ServerType type);

    // Stores over the standard defaults, the main analytics instance.
    SavedLocations();
    SavedLocations(PreservedPreferences preservedPreferences, AppPreferences appPreference, EventTracker eventTracker);

    PreservedPreferences preservedPreferences;
    AppPreferences appPreference;
    EventTracker eventTracker;

    // At most three, newest first, one entry per id.
    void addToRecents(const ServerPtr& server);
    void addToFavorites(const ServerPtr& server, FavoriteSource source);
    void removeFromFavorites(const ServerPtr& server);
    // Put `server` in place of the stored entry with its id; nothing when there is none.
    void replaceFavoriteEntry(const ServerPtr& server);
    void replaceRecentEntry(const ServerPtr& server);
};

}  // namespace morvex
