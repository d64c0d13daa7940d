#include "model/ServerRecord.h"

#include <random>

#include "foundation/NotificationCenter.h"
#include "model/EnumTable.h"
#include "model/FieldTable.h"

namespace morvex {

using json = nlohmann::json;
using Server = ZevuDataFetcherTypes::Server;
using Shortcut = Server::Shortcut;
namespace sj = coding;

namespace {
// An optional member: present and not null.
const json* present(const json& object, const char* key) {
    const json* m = coding::member(object, key);
    return m && !m->is_null() ? m : nullptr;
}
}  // namespace

std::optional<ZevuDataFetcherTypes::ServerType> ZevuDataFetcherTypes::serverTypeFromRaw(std::int64_t raw) {
    if (raw < 0 || raw > 4) return std::nullopt;
    return static_cast<ServerType>(raw);
}

void ZevuDataFetcherTypes::postFavoritesUpdated(bool added, const ServerPtr& server, const ServerList& favorites) {
    UserInfo object{{"Added", added}, {"Object", server}, {"List", favorites}};
    NotificationCenter::defaultCenter().post(favoritesUpdatedNotification, object);
}

std::uint64_t ZevuDataFetcherTypes::randomElementIndex(std::uint64_t bound) {
    static thread_local std::random_device device;
    return randomElementIndex(bound, [] {
        return (static_cast<std::uint64_t>(device()) << 32) | static_cast<std::uint64_t>(device());
    });
}

// Multiply-and-shift with rejection of the few products that would bias the result.
std::uint64_t ZevuDataFetcherTypes::randomElementIndex(std::uint64_t bound,
                                                       const std::function<std::uint64_t()>& source) {
    __extension__ typedef unsigned __int128 u128;
    u128 m = static_cast<u128>(source()) * bound;
    if (static_cast<std::uint64_t>(m) < bound) {
        std::uint64_t t = (0 - bound) % bound;  // (2^64 - bound) mod bound
        while (static_cast<std::uint64_t>(m) < t) m = static_cast<u128>(source()) * bound;
    }
    return static_cast<std::uint64_t>(m >> 64);
}

Server::Server(std::string id_, std::string name_, ServerType type_, std::string code_)
    : id(std::move(id_)), type(type_), code(std::move(code_)), name(std::move(name_)) {}

const std::array<Shortcut::BackgroundColor, 9>& Shortcut::palette() {
    static const std::array<BackgroundColor, 9> colors = [] {
        constexpr int rgb[9][3] = {{9, 69, 49},   {16, 120, 150}, {130, 147, 86}, {60, 100, 120}, {67, 171, 201},
                                   {181, 198, 137}, {188, 161, 54}, {194, 87, 26},  {154, 38, 23}};
        std::array<BackgroundColor, 9> out{};
        for (std::size_t i = 0; i < 9; ++i) out[i] = {rgb[i][0] / 255.0, rgb[i][1] / 255.0, rgb[i][2] / 255.0};
        return out;
    }();
    return colors;
}

Shortcut::BackgroundColor Shortcut::randomPaletteColor() {
    return palette()[randomElementIndex(palette().size())];
}

namespace {
constexpr auto kShortcutTypes = enumTable<Shortcut::Type>("shortcut type", {
    {Shortcut::Type::Shortcut, "Shortcut"},
    {Shortcut::Type::Country, "Country"},
    {Shortcut::Type::Link, "Link"},
});
}  // namespace

std::string_view rawValue(Shortcut::Type type) { return kShortcutTypes.raw(type); }
std::optional<Shortcut::Type> shortcutTypeFromRaw(std::string_view raw) { return kShortcutTypes.fromRaw(raw); }

namespace {
using DataCenter = ZevuDataFetcherTypes::DataCenter;
using LocalJsonCountry = ZevuDataFetcherTypes::LocalJsonCountry;
using BackgroundColor = Shortcut::BackgroundColor;

constexpr auto kDataCenterFields =
    sj::fieldTable(sj::required("id", &DataCenter::id), sj::required("latency", &DataCenter::latency),
                   sj::optional("ip", &DataCenter::ip), sj::optional("hostname", &DataCenter::hostname));
constexpr auto kLocalJsonCountryFields = sj::fieldTable(sj::required("priority", &LocalJsonCountry::priority),
                                                        sj::required("is_p2p", &LocalJsonCountry::p2p),
                                                        sj::optional("is_quantum_resistant", &LocalJsonCountry::quantumResistant));
constexpr auto kBackgroundColorFields = sj::fieldTable(sj::required("red", &BackgroundColor::red),
                                                       sj::required("green", &BackgroundColor::green),
                                                       sj::required("blue", &BackgroundColor::blue));
}  // namespace

void to_json(json& j, const ZevuDataFetcherTypes::DataCenter& d) { kDataCenterFields.encode(j, d); }
void from_json(const json& j, ZevuDataFetcherTypes::DataCenter& d) { kDataCenterFields.decode(j, d, "DataCenter"); }

void to_json(json& j, const ZevuDataFetcherTypes::LocalJsonCountry& c) { kLocalJsonCountryFields.encode(j, c); }
void from_json(const json& j, ZevuDataFetcherTypes::LocalJsonCountry& c) {
    kLocalJsonCountryFields.decode(j, c, "LocalJsonCountry");
}

void to_json(json& j, const Shortcut::BackgroundColor& c) { kBackgroundColorFields.encode(j, c); }
void from_json(const json& j, Shortcut::BackgroundColor& c) { kBackgroundColorFields.decode(j, c, "BackgroundColor"); }

MORVEX_DEFINE_ENUM_JSON(Shortcut::Type, kShortcutTypes);

namespace {
// A shortcut stored without a type is a country's; one stored without a colour takes a palette
// colour, kept once it is written again.
constexpr auto kShortcutFields = sj::fieldTable(
    sj::optional("url", &Shortcut::url), sj::optional("country", &Shortcut::country), sj::optional("id", &Shortcut::id),
    sj::optional("slug", &Shortcut::slug), sj::optional("availableCountries", &Shortcut::availableCountries),
    sj::orElse("type", &Shortcut::type, +[] { return Shortcut::Type::Country; }),
    sj::optional("consent", &Shortcut::consent), sj::orElse("color", &Shortcut::color, &Shortcut::randomPaletteColor));
}  // namespace

void to_json(json& j, const Shortcut& s) { kShortcutFields.encode(j, s); }
void from_json(const json& j, Shortcut& s) { kShortcutFields.decode(j, s, "Shortcut"); }

}  // namespace morvex

using morvex::ZevuDataFetcherTypes;
namespace sj = morvex::coding;

ZevuDataFetcherTypes::Server nlohmann::adl_serializer<ZevuDataFetcherTypes::Server>::from_json(const json& j) {
    sj::requireObject(j, "Server");
    auto rawType = sj::requiredInteger(j, "type");
    auto type = ZevuDataFetcherTypes::serverTypeFromRaw(rawType);
    if (!type) throw json::other_error::create(501, "unknown server type " + std::to_string(rawType), &j);
    ZevuDataFetcherTypes::Server s(sj::requiredString(j, "id"), sj::requiredString(j, "name"), *type,
                                   sj::requiredString(j, "code"));
    s.ip = sj::requiredString(j, "ip");
    s.host = sj::requiredString(j, "host");
    s.latency = sj::requiredInteger(j, "latency");
    s.favorite = sj::requiredBool(j, "favorite");
    s.p2p = sj::optionalBool(j, "p2p").value_or(false);
    s.priority = sj::optionalInteger(j, "priority").value_or(0);
    s.quantumResistant = sj::optionalBool(j, "quantumResistant").value_or(false);
    if (const json* shortcut = morvex::present(j, "shortcut")) {
        s.shortcut = std::make_shared<ZevuDataFetcherTypes::Server::Shortcut>(
            shortcut->get<ZevuDataFetcherTypes::Server::Shortcut>());
    }
    if (const json* protocols = morvex::present(j, "protocols")) {
        if (!protocols->is_array()) throw json::type_error::create(302, "\"protocols\" must be an array", &j);
        std::vector<morvex::VPNProtocol> list;
        for (const auto& element : *protocols) {
            // Inside a Server the protocols are coded by their case index.
            auto index = sj::asInteger(element);
            auto p = index ? morvex::vpnProtocolFromIndex(*index) : std::nullopt;
            if (!p) throw json::other_error::create(501, "unknown protocol " + element.dump(), &j);
            list.push_back(*p);
        }
        s.protocols = std::move(list);
    }
    return s;
}

nlohmann::json morvex::serverJSON(const ZevuDataFetcherTypes::Server& s) {
    json j = json::object({{"id", s.id},
                           {"type", static_cast<std::int64_t>(s.type)},
                           {"host", s.host},
                           {"code", s.code},
                           {"name", s.name},
                           {"latency", s.latency},
                           {"favorite", s.favorite},
                           {"p2p", s.p2p},
                           {"priority", s.priority},
                           {"ip", s.ip},
                           {"quantumResistant", s.quantumResistant}});
    if (s.shortcut) j["shortcut"] = *s.shortcut;
    if (s.protocols) {
        json list = json::array();
        for (auto p : *s.protocols) list.push_back(morvex::caseIndex(p));
        j["protocols"] = std::move(list);
    }
    return j;
}

ZevuDataFetcherTypes::ServerPtr nlohmann::adl_serializer<ZevuDataFetcherTypes::ServerPtr>::from_json(const json& j) {
    return std::make_shared<ZevuDataFetcherTypes::Server>(j.get<ZevuDataFetcherTypes::Server>());
}

