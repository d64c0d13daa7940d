#pragma once
// The catalogue's test world: the engine's (a signed-in user, the simulated SDK set up, recorded
// alerts and analytics) plus the catalogue's three jobs over the recorded analytics and quick Server makers.
#include "vpn/EngineTestSupport.h"

#include "catalog/LocationLatencies.h"
#include "catalog/SavedLocations.h"
#include "catalog/ZevuDataFetcher.h"
#include "state/StoredServers.h"
#include "state/StoredValueCoding.h"

namespace morvex::test {

class CatalogTest : public EngineTest {
protected:
    using Server = ZevuDataFetcherTypes::Server;
    using ServerPtr = ZevuDataFetcherTypes::ServerPtr;
    using ServerList = ZevuDataFetcherTypes::ServerList;
    using Type = ZevuDataFetcherTypes::ServerType;

    ZevuDataFetcher fetcher() {
        return ZevuDataFetcher(PreservedPreferences(), AppPreferences(), zevu::ZevuManager::sharedInstance(), tracker());
    }
    SavedLocations saved() { return SavedLocations(PreservedPreferences(), AppPreferences(), tracker()); }
    LocationLatencies latencies() {
        return LocationLatencies(PreservedPreferences(), AppPreferences(), zevu::ZevuManager::sharedInstance(), tracker());
    }
    static ServerPtr make(std::string id, std::string name = "", Type type = Type::Country) {
        if (name.empty()) name = id;
        return std::make_shared<Server>(id, name, type, id);
    }
    static std::vector<std::string> ids(const std::optional<ServerList>& list) {
        std::vector<std::string> out;
        if (list)
            for (const auto& s : *list) out.push_back(s ? s->id : "<null>");
        return out;
    }
    static zevu::ZevuCountry sdkCountry(std::string code, std::string name, std::vector<std::string> protocols = {"IPSEC"}) {
        zevu::ZevuCountry c;
        c.country = code;
        c.name = name;
        c.iso_code = code;
        std::vector<zevu::ZevuProtocol> ps;
        for (auto& p : protocols) ps.emplace_back(p);
        c.protocols = ps;
        return c;
    }
    static void cacheCountries(const std::vector<zevu::ZevuCountry>& countries) {
        std::vector<nlohmann::json> docs(countries.begin(), countries.end());
        UserDefaults defaults = AppPreferences().defaults();
        setEncodableArray(defaults, std::optional(docs), AppPreferences::Key::countries);
    }
    static void setRecommended(const ServerPtr& s) {
        UserDefaults defaults = AppPreferences().defaults();
        setEncodedServer(defaults, s, AppPreferences::Key::recommendedServer);
    }
};

}  // namespace morvex::test
