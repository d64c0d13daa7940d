#pragma once
// The SDK's server list, read from its resource file: countries with their cities and data centres.
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Error.h"
#include "zevu/ZevuCore.h"

namespace zevu::detail {

class ServerCatalog {
public:
    // Reads and checks a list; an error naming the problem when it is missing or malformed. A city
    // or data centre whose fields do not read (a wrong type, a number that does not fit its field,
    // a port outside 0-65535) is left out with a console line; the rest of the list stands.
    static morvex::Result<std::shared_ptr<const ServerCatalog>> load(const std::filesystem::path& path);
    // The same for the list's text; `source` names it in errors.
    static morvex::Result<std::shared_ptr<const ServerCatalog>> parse(std::string_view text, const std::string& source);
    // Where the list is read from: the test override, else $ZEVU_SERVER_LIST, else the main
    // bundle's Resources/zevu/servers.json. (In ServerListLocation.cpp, apart from the reading,
    // which needs neither the bundle nor the test controls.)
    static std::optional<std::filesystem::path> defaultPath();

    // Countries with their cities, each country's `dataCenters` (all of its cities' data centres)
    // and `protocols` (every protocol one of them offers).
    const std::vector<ZevuCountry>& countries() const { return countries_; }
    const std::string& defaultRecommendedCountry() const { return defaultRecommended_; }

    struct Place {
        const ZevuCountry* country = nullptr;
        const ZevuCity* city = nullptr;
        const ZevuDatacenters* dataCenter = nullptr;
    };
    std::optional<Place> dataCenter(std::int64_t id) const;
    std::optional<Place> dataCenterByHost(const std::string& hostOrIp) const;
    const ZevuCountry* countryByCode(const std::string& code) const;   // case-insensitive
    const ZevuCountry* countryByName(const std::string& name) const;
    std::optional<Place> city(std::int64_t cityId) const;              // place with no data centre
    std::vector<Place> allDataCenters() const;

private:
    std::vector<ZevuCountry> countries_;
    std::string defaultRecommended_;
};

// A country or city as a location names it: the identifying fields without the lists below them.
ZevuCountry countryHeader(const ZevuCountry& country);
ZevuCity cityHeader(const ZevuCity& city);

}  // namespace zevu::detail
