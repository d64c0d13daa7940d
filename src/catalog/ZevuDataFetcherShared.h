#pragma once
// The helpers the catalogue's three jobs share (ZevuDataFetcher, SavedLocations and
// LocationLatencies); for their sources only.
#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <charconv>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "catalog/ZevuDataFetcher.h"
#include "foundation/Dispatch.h"
#include "foundation/NotificationCenter.h"
#include "state/StoredServers.h"
#include "state/StoredValueCoding.h"

namespace morvex::fetcher {

using ServerPtr = ZevuDataFetcherTypes::ServerPtr;
using ServerList = ZevuDataFetcherTypes::ServerList;

// Runs `block` on the main queue; at once when already there (or when there is no event loop).
inline void onMain(std::function<void()> block) {
    auto* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) block();
    else DispatchQueue::main().async(std::move(block));
}

// The SDK's records in their own coding, one JSON document per element.
inline void storeCountries(AppPreferences& app, const std::vector<zevu::ZevuCountry>& countries) {
    std::vector<nlohmann::json> documents;
    documents.reserve(countries.size());
    for (const auto& c : countries) documents.emplace_back(c);
    setEncodableArray(app.defaults(), std::optional(std::move(documents)), AppPreferences::Key::countries);
}

inline bool sameId(const ServerPtr& a, const std::string& id) { return a && a->id == id; }

inline std::optional<std::int64_t> decimal(const std::string& text) {
    std::int64_t value = 0;
    const auto* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
    return value;
}

inline std::vector<zevu::ZevuDatacenters> sdkDataCenters(const std::vector<ZevuDataFetcherTypes::DataCenter>& centres) {
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
inline void applyTableFlags(ZevuDataFetcherTypes::Server& s, const ZevuDataFetcher::CountryTable& table) {
    auto it = table.find(s.id);
    s.p2p = it != table.end() && it->second.p2p;
    s.quantumResistant = it != table.end() && it->second.quantumResistant.value_or(false);
}

// Stores the recommended Server and announces it.
inline void storeRecommended(const AppPreferences& app, const ServerPtr& recommended) {
    setEncodedServer(app.defaults(), recommended, AppPreferences::Key::recommendedServer);
    NotificationCenter::defaultCenter().post(AppPreferences::recommendedServerUpdatedNotification, recommended);
}

// Puts `s` in place of the first entry with its id; false when there is none.
inline bool replaceFirst(ServerList& list, const ServerPtr& s) {
    auto it = std::find_if(list.begin(), list.end(), [&](const ServerPtr& e) { return sameId(e, s->id); });
    if (it == list.end()) return false;
    *it = s;
    return true;
}


}  // namespace morvex::fetcher
