#pragma once
// The one record by which the application names a place to connect to (a country, a city, the
// fastest location, a dedicated IP or a shortcut), the small records nested in it, and their JSON.
//
// These types are nested in `ZevuDataFetcherTypes`, which the location fetcher `ZevuDataFetcher`
// derives from, so they are named `ZevuDataFetcher::Server` and so on everywhere.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "model/ProfileResponseModel.h"
#include "model/VPNProtocol.h"

namespace morvex {

struct ZevuDataFetcherTypes {
    enum class ServerType : std::int64_t { Country = 0, City = 1, FastestServer = 2, DedicatedIp = 3, Shortcut = 4 };
    static std::optional<ServerType> serverTypeFromRaw(std::int64_t raw);

    // One data centre of a country or city; what latency measurements ping.
    struct DataCenter {
        std::int64_t id = 0;
        std::int64_t latency = 0;  // milliseconds
        std::optional<std::string> ip;
        std::optional<std::string> hostname;
    };

    class Server;
    using ServerPtr = std::shared_ptr<Server>;
    using ServerList = std::vector<ServerPtr>;

    // An entry of the built-in "countries" resource, keyed there by the SDK's country code.
    struct LocalJsonCountry {
        std::int64_t priority = 0;
        bool p2p = false;
        std::optional<bool> quantumResistant;
    };

    // "FavoritesUpdated": its object is a UserInfo with "Added" (bool), "Object" (ServerPtr, the
    // server added or removed) and "List" (ServerList, the favourites after the change).
    static constexpr std::string_view favoritesUpdatedNotification = "FavoritesUpdated";
    static void postFavoritesUpdated(bool added, const ServerPtr& server, const ServerList& favorites);

    // A uniformly distributed index from 0 to bound - 1 (bound > 0), drawn from the system's random
    // source, or from `source` (64 random bits per call) when given.
    static std::uint64_t randomElementIndex(std::uint64_t bound);
    static std::uint64_t randomElementIndex(std::uint64_t bound, const std::function<std::uint64_t()>& source);
};

// A location. Shared by reference: lists hold the same objects and code that marks a favourite or
// refreshes a latency changes the object in place. Two Servers name the same location when their
// `id` texts are equal; there is deliberately no operator==.
class ZevuDataFetcherTypes::Server {
public:
    // A shortcut's details; carried so that a stored Server keeps them.
    class Shortcut {
    public:
        enum class Type { Shortcut, Country, Link };
        struct BackgroundColor {
            double red = 0;  // fractions from 0 to 1
            double green = 0;
            double blue = 0;
            friend bool operator==(const BackgroundColor&, const BackgroundColor&) = default;
        };
        // The nine colours a shortcut without a stored colour draws from.
        static const std::array<BackgroundColor, 9>& palette();
        static BackgroundColor randomPaletteColor();

        std::optional<std::string> url;
        std::optional<std::string> country;
        std::optional<std::int64_t> id;
        std::optional<std::string> slug;
        std::optional<std::string> availableCountries;
        Type type = Type::Country;
        BackgroundColor color;
        std::optional<bool> consent;
    };

    // The unmeasured latency: no ping has answered yet.
    static constexpr std::int64_t unmeasuredLatency = INT64_MAX;

    Server(std::string id, std::string name, ServerType type, std::string code);

    std::string id;
    ServerType type;
    std::string host;
    std::string ip;
    std::optional<ServerList> servers;                   // the cities of a country; never coded
    std::optional<std::vector<DedicatedIPHost>> hosts;   // hosts of a dedicated IP; never coded
    std::optional<std::vector<DataCenter>> dataCenters;  // never coded
    std::shared_ptr<Shortcut> shortcut;             // null when absent
    std::optional<std::vector<VPNProtocol>> protocols;
    std::string code;
    std::string name;
    std::int64_t latency = unmeasuredLatency;
    bool favorite = false;
    bool p2p = false;
    std::int64_t priority = 0;
    bool quantumResistant = false;

    bool isMeasured() const { return latency != unmeasuredLatency; }
};

std::string_view rawValue(ZevuDataFetcherTypes::Server::Shortcut::Type type);
std::optional<ZevuDataFetcherTypes::Server::Shortcut::Type> shortcutTypeFromRaw(std::string_view raw);

// JSON coding. Readers throw nlohmann::json exceptions on a record that does not decode.
void to_json(nlohmann::json& j, const ZevuDataFetcherTypes::DataCenter& d);
void from_json(const nlohmann::json& j, ZevuDataFetcherTypes::DataCenter& d);
void to_json(nlohmann::json& j, const ZevuDataFetcherTypes::LocalJsonCountry& c);
void from_json(const nlohmann::json& j, ZevuDataFetcherTypes::LocalJsonCountry& c);
void to_json(nlohmann::json& j, const ZevuDataFetcherTypes::Server::Shortcut::BackgroundColor& c);
void from_json(const nlohmann::json& j, ZevuDataFetcherTypes::Server::Shortcut::BackgroundColor& c);
void to_json(nlohmann::json& j, const ZevuDataFetcherTypes::Server::Shortcut& s);
void from_json(const nlohmann::json& j, ZevuDataFetcherTypes::Server::Shortcut& s);

}  // namespace morvex

namespace morvex {
// The JSON object of a Server (null for a null ServerPtr).
nlohmann::json serverJSON(const ZevuDataFetcherTypes::Server& s);
}  // namespace morvex

// A Server has no empty state, so it is decoded by value; a ServerPtr codes its pointee (null for
// none) and decodes into a new object. Both write into any JSON flavour (the stores use ordered).
template <>
struct nlohmann::adl_serializer<morvex::ZevuDataFetcherTypes::Server> {
    static morvex::ZevuDataFetcherTypes::Server from_json(const nlohmann::json& j);
    template <class BasicJson>
    static void to_json(BasicJson& j, const morvex::ZevuDataFetcherTypes::Server& s) {
        j = BasicJson(morvex::serverJSON(s));
    }
};

template <>
struct nlohmann::adl_serializer<morvex::ZevuDataFetcherTypes::ServerPtr> {
    static morvex::ZevuDataFetcherTypes::ServerPtr from_json(const nlohmann::json& j);
    template <class BasicJson>
    static void to_json(BasicJson& j, const morvex::ZevuDataFetcherTypes::ServerPtr& s) {
        if (s) j = BasicJson(morvex::serverJSON(*s));
        else j = nullptr;
    }
};
