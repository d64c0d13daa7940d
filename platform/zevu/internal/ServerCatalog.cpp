#include "zevu/internal/ServerCatalog.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "foundation/Paths.h"
#include "foundation/Bundle.h"
#include "zevu/ZevuTestAPI.h"

namespace zevu::detail {

namespace {

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

morvex::Error listError(const std::string& why) {
    return makeError(ErrorCode::ServerListUnavailable, "The server list could not be read: " + why);
}

}  // namespace

std::optional<std::filesystem::path> ServerCatalog::defaultPath() {
    if (auto p = ZevuTestAPI::serverListPath()) return p;
    if (const char* env = std::getenv("ZEVU_SERVER_LIST"); env && *env) return std::filesystem::path(env);
    return morvex::Bundle::main().pathForResource("servers", "json", "zevu");
}

morvex::Result<std::shared_ptr<const ServerCatalog>> ServerCatalog::load(const std::filesystem::path& path) {
    const auto text = morvex::paths::readFile(path);
    if (!text) return morvex::fail(listError("cannot open " + path.string()));
    auto catalog = std::make_shared<ServerCatalog>();
    try {
        const auto doc = nlohmann::json::parse(*text);
        if (!doc.is_object() || !doc.contains("countries") || !doc["countries"].is_array())
            return morvex::fail(listError("no \"countries\" array in " + path.string()));
        catalog->defaultRecommended_ = doc.value("defaultRecommendedCountry", std::string());
        std::set<std::int64_t> dcIds;
        for (const auto& entry : doc["countries"]) {
            ZevuCountry country = entry.get<ZevuCountry>();
            if (!country.country || !country.name)
                return morvex::fail(listError("a country without code or name in " + path.string()));
            std::vector<ZevuDatacenters> all;
            std::vector<std::string> words;
            for (auto& city : country.cities.value_or(std::vector<ZevuCity>{})) {
                for (const auto& dc : city.data_centers.value_or(std::vector<ZevuDatacenters>{})) {
                    if (!dc.dataCenterId || !dcIds.insert(*dc.dataCenterId).second)
                        return morvex::fail(listError("a data centre without a unique id in " + path.string()));
                    all.push_back(dc);
                    for (const auto& w : dc.protocols) {
                        if (std::find(words.begin(), words.end(), w) == words.end()) words.push_back(w);
                    }
                }
            }
            std::vector<ZevuProtocol> protocols;
            for (const auto& known : knownProtocolWords()) {
                if (std::find(words.begin(), words.end(), known) != words.end()) protocols.emplace_back(known);
            }
            country.dataCenters = std::move(all);
            country.protocols = std::move(protocols);
            catalog->countries_.push_back(std::move(country));
        }
    } catch (const nlohmann::json::exception& e) {
        return morvex::fail(listError(std::string(e.what()) + " in " + path.string()));
    }
    return std::shared_ptr<const ServerCatalog>(std::move(catalog));
}

std::vector<ServerCatalog::Place> ServerCatalog::allDataCenters() const {
    std::vector<Place> out;
    for (const auto& c : countries_) {
        if (!c.cities) continue;
        for (const auto& city : *c.cities) {
            if (!city.data_centers) continue;
            for (const auto& dc : *city.data_centers) out.push_back({&c, &city, &dc});
        }
    }
    return out;
}

std::optional<ServerCatalog::Place> ServerCatalog::dataCenter(std::int64_t id) const {
    for (const auto& p : allDataCenters()) {
        if (p.dataCenter->dataCenterId == id) return p;
    }
    return std::nullopt;
}

std::optional<ServerCatalog::Place> ServerCatalog::dataCenterByHost(const std::string& host) const {
    for (const auto& p : allDataCenters()) {
        if (p.dataCenter->hostname == host || p.dataCenter->ip == host) return p;
    }
    return std::nullopt;
}

const ZevuCountry* ServerCatalog::countryByCode(const std::string& code) const {
    const std::string wanted = upper(code);
    for (const auto& c : countries_) {
        if (c.country && upper(*c.country) == wanted) return &c;
    }
    return nullptr;
}

const ZevuCountry* ServerCatalog::countryByName(const std::string& name) const {
    for (const auto& c : countries_) {
        if (c.name == name) return &c;
    }
    return nullptr;
}

std::optional<ServerCatalog::Place> ServerCatalog::city(std::int64_t cityId) const {
    for (const auto& c : countries_) {
        if (!c.cities) continue;
        for (const auto& city : *c.cities) {
            if (city.cityId == cityId) return Place{&c, &city, nullptr};
        }
    }
    return std::nullopt;
}

ZevuCountry countryHeader(const ZevuCountry& country) {
    ZevuCountry h;
    h.country = country.country;
    h.name = country.name;
    h.iso_code = country.iso_code;
    return h;
}

ZevuCity cityHeader(const ZevuCity& city) {
    ZevuCity h;
    h.cityId = city.cityId;
    h.name = city.name;
    h.country = city.country;
    return h;
}

}  // namespace zevu::detail
