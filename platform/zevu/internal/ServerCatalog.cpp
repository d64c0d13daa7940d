#include "zevu/internal/ServerCatalog.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "foundation/BoundedJson.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"

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

morvex::Result<std::shared_ptr<const ServerCatalog>> ServerCatalog::load(const std::filesystem::path& path) {
    const auto text = morvex::paths::readFile(path);
    if (!text) return morvex::fail(listError("cannot open " + path.string()));
    return parse(*text, path.string());
}

namespace {

// A data centre as the list gives it, or why it is left out. Its numbers must fit their fields and
// its ports be ports: an entry with a port of 4e9 is not one to dial.
std::optional<ZevuDatacenters> dataCenterFrom(const nlohmann::json& j, std::string& why) {
    ZevuDatacenters dc;
    try {
        dc = j.get<ZevuDatacenters>();
    } catch (const nlohmann::json::exception& e) {
        why = e.what();
        return std::nullopt;
    }
    auto isPort = [](int p) { return p >= 0 && p <= 65535; };
    bool portsOk = !dc.port || isPort(*dc.port);
    for (const auto& [_, p] : dc.ports) portsOk = portsOk && isPort(p);
    if (!portsOk) {
        why = "a port outside 0-65535";
        return std::nullopt;
    }
    return dc;
}

}  // namespace

morvex::Result<std::shared_ptr<const ServerCatalog>> ServerCatalog::parse(std::string_view text, const std::string& source) {
    auto catalog = std::make_shared<ServerCatalog>();
    auto doc = morvex::json::parseText(text);
    if (!doc) return morvex::fail(listError(doc.error() + " in " + source));
    try {
        if (!doc->is_object() || !doc->contains("countries") || !(*doc)["countries"].is_array())
            return morvex::fail(listError("no \"countries\" array in " + source));
        if (auto d = doc->find("defaultRecommendedCountry"); d != doc->end() && d->is_string())
            catalog->defaultRecommended_ = d->get<std::string>();
        std::set<std::int64_t> dcIds;
        for (auto& entry : (*doc)["countries"]) {
            // Cities and data centres are read one at a time, so a bad one leaves out only itself.
            nlohmann::json cities = nlohmann::json::array();
            if (entry.is_object()) {
                if (auto c = entry.find("cities"); c != entry.end() && c->is_array()) {
                    cities = std::move(*c);
                    entry.erase("cities");
                }
            }
            ZevuCountry country = entry.get<ZevuCountry>();
            if (!country.country || !country.name)
                return morvex::fail(listError("a country without code or name in " + source));
            std::vector<ZevuCity> keptCities;
            std::vector<ZevuDatacenters> all;
            std::vector<std::string> words;
            for (auto& cityEntry : cities) {
                nlohmann::json dataCenters = nlohmann::json::array();
                if (cityEntry.is_object()) {
                    if (auto d = cityEntry.find("data_centers"); d != cityEntry.end() && d->is_array()) {
                        dataCenters = std::move(*d);
                        cityEntry.erase("data_centers");
                    }
                }
                ZevuCity city;
                try {
                    city = cityEntry.get<ZevuCity>();
                } catch (const nlohmann::json::exception& e) {
                    morvex::log::nslog("ServerCatalog: left out a city of " + *country.country + " in " + source + ": " +
                                       e.what());
                    continue;
                }
                std::vector<ZevuDatacenters> kept;
                for (const auto& dcEntry : dataCenters) {
                    std::string why;
                    auto dc = dataCenterFrom(dcEntry, why);
                    if (!dc) {
                        morvex::log::nslog("ServerCatalog: left out a data centre of city " + std::to_string(city.cityId) +
                                           " in " + source + ": " + why);
                        continue;
                    }
                    if (!dc->dataCenterId || !dcIds.insert(*dc->dataCenterId).second)
                        return morvex::fail(listError("a data centre without a unique id in " + source));
                    for (const auto& w : dc->protocols) {
                        if (std::find(words.begin(), words.end(), w) == words.end()) words.push_back(w);
                    }
                    all.push_back(*dc);
                    kept.push_back(std::move(*dc));
                }
                city.data_centers = std::move(kept);
                keptCities.push_back(std::move(city));
            }
            std::vector<ZevuProtocol> protocols;
            for (const auto& known : knownProtocolWords()) {
                if (std::find(words.begin(), words.end(), known) != words.end()) protocols.emplace_back(known);
            }
            country.cities = std::move(keptCities);
            country.dataCenters = std::move(all);
            country.protocols = std::move(protocols);
            catalog->countries_.push_back(std::move(country));
        }
    } catch (const nlohmann::json::exception& e) {
        return morvex::fail(listError(std::string(e.what()) + " in " + source));
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
