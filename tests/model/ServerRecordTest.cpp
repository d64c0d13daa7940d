#include <gtest/gtest.h>

#include <set>

#include "model/ServerRecord.h"
#include "foundation/NotificationCenter.h"

using namespace morvex;
using json = nlohmann::json;
using Server = ZevuDataFetcherTypes::Server;
using Shortcut = Server::Shortcut;

namespace {

json storedServer() {
    return json::parse(R"({"id":"DE","type":0,"host":"","code":"DE","name":"Germany","latency":42,
                           "favorite":true,"ip":""})");
}

bool decodes(const json& j) {
    try {
        (void)j.get<Server>();
        return true;
    } catch (const json::exception&) {
        return false;
    }
}

TEST(ServerRecordTest, OptionalMembersDefaultAndRequiredOnesAreEnforced) {
    Server s = storedServer().get<Server>();
    EXPECT_EQ(s.id, "DE");
    EXPECT_EQ(s.type, ZevuDataFetcherTypes::ServerType::Country);
    EXPECT_EQ(s.latency, 42);
    EXPECT_TRUE(s.favorite);
    EXPECT_FALSE(s.p2p);
    EXPECT_EQ(s.priority, 0);
    EXPECT_FALSE(s.quantumResistant);
    EXPECT_FALSE(s.shortcut);
    EXPECT_FALSE(s.protocols);

    for (const char* key : {"id", "type", "host", "code", "name", "latency", "favorite", "ip"}) {
        json j = storedServer();
        j.erase(key);
        EXPECT_FALSE(decodes(j)) << "without " << key;
        j = storedServer();
        j[key] = nullptr;
        EXPECT_FALSE(decodes(j)) << "null " << key;
    }

    struct Case {
        const char* key;
        json value;
        bool ok;
    } cases[] = {
        {"type", 5, false},         {"type", -1, false},        {"type", 3, true},
        {"type", "0", false},       {"favorite", 1, false},     {"latency", 1.5, false},
        {"latency", 7.0, true},     {"id", 5, false},           {"p2p", "yes", false},
        {"priority", true, false},  {"priority", 12, true},     {"quantumResistant", 0, false},
        {"protocols", json::array({0, 4}), true},               {"protocols", json::array({5}), false},
        {"protocols", json::array({"IPSEC"}), false},           {"shortcut", json::object({{"type", "Nope"}}), false},
    };
    for (const auto& c : cases) {
        json j = storedServer();
        j[c.key] = c.value;
        EXPECT_EQ(decodes(j), c.ok) << c.key << " = " << c.value.dump();
    }
    json dedicated = storedServer();
    dedicated["type"] = 3;
    EXPECT_EQ(dedicated.get<Server>().type, ZevuDataFetcherTypes::ServerType::DedicatedIp);
}

TEST(ServerRecordTest, WritesEveryMemberAndRoundTripsWithoutTheUncodedLists) {
    auto country = std::make_shared<Server>("FR", "France", ZevuDataFetcherTypes::ServerType::Country, "FR");
    country->servers = ZevuDataFetcherTypes::ServerList{std::make_shared<Server>("7", "Paris", ZevuDataFetcherTypes::ServerType::City, "FR")};
    country->dataCenters = std::vector<ZevuDataFetcherTypes::DataCenter>{{1, 20, "10.0.0.1", "dc1"}};
    country->hosts = std::vector<DedicatedIPHost>{{"h.example", "udp", "wg", "51820"}};
    country->protocols = std::vector<VPNProtocol>{VPNProtocol::IPSec, VPNProtocol::WireGuard};
    country->priority = 3;
    country->p2p = true;

    json j = country;  // through the ServerPtr coding
    EXPECT_EQ(j.dump().find("\"latency\":9223372036854775807") != std::string::npos, true) << j.dump();
    EXPECT_EQ(j["protocols"], json::array({0, 4}));
    for (const char* key : {"id", "type", "host", "code", "name", "latency", "favorite", "p2p", "priority", "ip",
                            "quantumResistant"})
        EXPECT_TRUE(j.contains(key)) << key;
    EXPECT_FALSE(j.contains("shortcut"));
    EXPECT_FALSE(j.contains("servers"));
    EXPECT_FALSE(j.contains("dataCenters"));
    EXPECT_FALSE(j.contains("hosts"));

    auto back = j.get<ZevuDataFetcherTypes::ServerPtr>();
    ASSERT_TRUE(back);
    EXPECT_NE(back, country);  // a new object, identified only by id
    EXPECT_EQ(back->id, "FR");
    EXPECT_FALSE(back->isMeasured());
    EXPECT_EQ(back->latency, Server::unmeasuredLatency);
    EXPECT_FALSE(back->servers);
    EXPECT_FALSE(back->dataCenters);
    EXPECT_FALSE(back->hosts);
    EXPECT_EQ(back->protocols, country->protocols);
    EXPECT_TRUE(back->p2p);
    EXPECT_EQ(back->priority, 3);

    EXPECT_TRUE(json(ZevuDataFetcherTypes::ServerPtr{}).is_null());
    EXPECT_THROW((void)json(nullptr).get<ZevuDataFetcherTypes::ServerPtr>(), json::exception);
}

TEST(ServerRecordTest, ShortcutDefaultsTypeToCountryAndDrawsAMissingColourFromThePalette) {
    json j = storedServer();
    j["type"] = 4;
    j["shortcut"] = json::object({{"url", "https://x"}, {"id", 9}});
    Server s = j.get<Server>();
    ASSERT_TRUE(s.shortcut);
    EXPECT_EQ(s.shortcut->type, Shortcut::Type::Country);
    EXPECT_EQ(s.shortcut->url, "https://x");
    EXPECT_EQ(s.shortcut->id, 9);
    EXPECT_FALSE(s.shortcut->slug);
    const auto& palette = Shortcut::palette();
    EXPECT_NE(std::find(palette.begin(), palette.end(), s.shortcut->color), palette.end());
    EXPECT_EQ(palette[0], (Shortcut::BackgroundColor{9 / 255.0, 69 / 255.0, 49 / 255.0}));

    // Once written the colour is kept; absent optional members stay unwritten.
    json written = s;
    EXPECT_EQ(written["shortcut"]["type"], "Country");
    EXPECT_FALSE(written["shortcut"].contains("slug"));
    EXPECT_FALSE(written["shortcut"].contains("consent"));
    Server again = written.get<Server>();
    EXPECT_EQ(again.shortcut->color, s.shortcut->color);

    j["shortcut"] = json::object({{"type", "Link"}, {"color", {{"red", 1}, {"green", 0.5}, {"blue", 0}}}});
    Server link = j.get<Server>();
    EXPECT_EQ(link.shortcut->type, Shortcut::Type::Link);
    EXPECT_EQ(link.shortcut->color, (Shortcut::BackgroundColor{1, 0.5, 0}));
    j["shortcut"]["color"].erase("blue");
    EXPECT_FALSE(decodes(j));
}

TEST(ServerRecordTest, DataCenterAndLocalCountryCodingUseTheirOwnKeys) {
    auto country = json::parse(R"({"priority": 4, "is_p2p": true})").get<ZevuDataFetcherTypes::LocalJsonCountry>();
    EXPECT_EQ(country.priority, 4);
    EXPECT_TRUE(country.p2p);
    EXPECT_FALSE(country.quantumResistant);
    EXPECT_EQ(json(ZevuDataFetcherTypes::LocalJsonCountry{1, false, true}),
              json::parse(R"({"priority":1,"is_p2p":false,"is_quantum_resistant":true})"));
    EXPECT_THROW((void)json::parse(R"({"priority": 4, "p2p": true})").get<ZevuDataFetcherTypes::LocalJsonCountry>(),
                 json::exception);

    ZevuDataFetcherTypes::DataCenter dc{5, 30, std::nullopt, "host"};
    json j = dc;
    EXPECT_FALSE(j.contains("ip"));
    auto back = j.get<ZevuDataFetcherTypes::DataCenter>();
    EXPECT_EQ(back.id, 5);
    EXPECT_EQ(back.latency, 30);
    EXPECT_EQ(back.hostname, "host");
    EXPECT_THROW((void)json::parse(R"({"id": 5})").get<ZevuDataFetcherTypes::DataCenter>(), json::exception);
}

TEST(ServerRecordTest, RandomIndexStaysInRangeAndRejectsBiasedDraws) {
    std::set<std::uint64_t> seen;
    for (int i = 0; i < 500; ++i) {
        auto r = ZevuDataFetcherTypes::randomElementIndex(9);
        ASSERT_LT(r, 9u);
        seen.insert(r);
    }
    EXPECT_EQ(seen.size(), 9u);
    EXPECT_EQ(ZevuDataFetcherTypes::randomElementIndex(1), 0u);

    // For bound 3 the draw 0 falls in the biased zone and must be drawn again.
    std::vector<std::uint64_t> draws{0, UINT64_MAX};
    std::size_t next = 0;
    auto index = ZevuDataFetcherTypes::randomElementIndex(3, [&] { return draws[next++]; });
    EXPECT_EQ(next, 2u);
    EXPECT_EQ(index, 2u);
}

TEST(ServerRecordTest, FavoritesUpdatedCarriesAddedObjectAndList) {
    auto s = std::make_shared<Server>("DE", "Germany", ZevuDataFetcherTypes::ServerType::Country, "DE");
    std::vector<Notification> seen;
    auto token = NotificationCenter::defaultCenter().addObserver("FavoritesUpdated",
                                                                 [&](const Notification& n) { seen.push_back(n); });
    ZevuDataFetcherTypes::postFavoritesUpdated(true, s, {s});
    ZevuDataFetcherTypes::postFavoritesUpdated(false, s, {});
    ASSERT_EQ(seen.size(), 2u);
    const auto* first = seen[0].objectAs<UserInfo>();
    ASSERT_TRUE(first);
    EXPECT_TRUE(std::any_cast<bool>(first->at("Added")));
    EXPECT_EQ(std::any_cast<ZevuDataFetcherTypes::ServerPtr>(first->at("Object")), s);
    EXPECT_EQ(std::any_cast<ZevuDataFetcherTypes::ServerList>(first->at("List")).size(), 1u);
    EXPECT_FALSE(std::any_cast<bool>(seen[1].objectAs<UserInfo>()->at("Added")));
}

}  // namespace
