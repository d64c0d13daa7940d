// The server list, the catalogue answers, the recommended location and the SDK's record coding.
#include <fstream>
#include <future>
#include <set>

#include "support/TestSupport.h"
#include "ZevuTestSupport.h"

namespace zevu::test {
namespace {

class CatalogueTest : public ZevuTest {
protected:
    std::vector<ZevuCountry> fetchCountries() {
        std::promise<std::vector<ZevuCountry>> got;
        manager->getCountriesWithSuccess(
            [&](std::optional<std::vector<ZevuCountry>> list) { got.set_value(list.value_or(std::vector<ZevuCountry>{})); },
            [&](std::optional<Error> e) { ADD_FAILURE() << (e ? e->message : "no error"); got.set_value({}); });
        auto f = got.get_future();
        EXPECT_EQ(f.wait_for(morvex::test::kWaitTimeout), std::future_status::ready);
        return f.get();
    }
    std::optional<ZevuLocation> recommended() {
        std::promise<std::optional<ZevuLocation>> got;
        manager->getRecommendedLocation([&](std::optional<ZevuLocation> l) { got.set_value(l); },
                                        [&](std::optional<Error>) { got.set_value(std::nullopt); });
        return got.get_future().get();
    }
};

bool isDocumentationAddress(const std::string& ip) {
    return ip.starts_with("192.0.2.") || ip.starts_with("198.51.100.") || ip.starts_with("203.0.113.");
}

TEST_F(CatalogueTest, TheServerListLooksRealAndNamesNoRealHost) {
    const auto countries = fetchCountries();
    EXPECT_GE(countries.size(), 80u);
    std::set<std::int64_t> dcIds, cityIds;
    std::set<std::string> ips;
    for (const auto& c : countries) {
        SCOPED_TRACE(c.country.value_or("?"));
        ASSERT_TRUE(c.country && c.name && c.cities && c.dataCenters && c.protocols);
        EXPECT_GE(c.cities->size(), 2u);
        EXPECT_FALSE(c.protocols->empty());
        std::size_t inCities = 0;
        for (const auto& city : *c.cities) {
            EXPECT_TRUE(cityIds.insert(city.cityId).second);
            EXPECT_EQ(city.country, c.country);
            ASSERT_TRUE(city.data_centers && !city.data_centers->empty());
            inCities += city.data_centers->size();
            for (const auto& dc : *city.data_centers) {
                ASSERT_TRUE(dc.dataCenterId && dc.ip && dc.hostname && dc.port && dc.nasIdentifier);
                EXPECT_TRUE(dcIds.insert(*dc.dataCenterId).second);
                EXPECT_TRUE(ips.insert(*dc.ip).second);
                EXPECT_TRUE(isDocumentationAddress(*dc.ip)) << *dc.ip;
                EXPECT_TRUE(dc.hostname->ends_with(".invalid")) << *dc.hostname;
                EXPECT_FALSE(dc.protocols.empty());
                EXPECT_EQ(dc.latency, 0);
            }
        }
        EXPECT_EQ(c.dataCenters->size(), inCities);
    }
    // Every mark occurs somewhere.
    auto any = [&](auto pred) {
        for (const auto& c : countries)
            for (const auto& dc : *c.dataCenters)
                if (pred(dc)) return true;
        return false;
    };
    EXPECT_TRUE(any([](const ZevuDatacenters& d) { return d.p2p; }));
    EXPECT_TRUE(any([](const ZevuDatacenters& d) { return d.quantumResistant; }));
    EXPECT_TRUE(any([](const ZevuDatacenters& d) { return d.obfuscated; }));
}

TEST_F(CatalogueTest, ABrokenServerListIsReportedNotHidden) {
    morvex::test::TempDir dir;
    struct Case {
        const char* text;
    } cases[] = {{"{not json"}, {"{\"countries\": 3}"}, {"{\"countries\": [{\"name\": \"No code\"}]}"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ZevuTestAPI::reset();
        ZevuTestAPI::setTimeScale(0.01);
        std::ofstream(dir.path() / "servers.json") << c.text;
        ZevuTestAPI::setServerListPath(dir.path() / "servers.json");
        auto m = ZevuManager::sharedInstanceWithZevuConfiguration(ZevuConfiguration{});
        std::promise<Error> failed;
        m->getCountriesWithSuccess([&](auto) { failed.set_value(Error()); },
                                   [&](std::optional<Error> e) { failed.set_value(e.value_or(Error())); });
        auto e = failed.get_future().get();
        EXPECT_EQ(e.code, ErrorCode::ServerListUnavailable);
        EXPECT_NE(e.message.find("servers.json"), std::string::npos) << e.message;
    }
}

TEST_F(CatalogueTest, ScriptedCountryFailureReachesTheErrorBlock) {
    ZevuTestAPI::failCountryRequests(makeError(ErrorCode::TimedOut));
    std::promise<int> code;
    manager->getCountriesWithSuccess([&](auto) { code.set_value(0); },
                                     [&](std::optional<Error> e) { code.set_value(e ? e->code : 0); });
    EXPECT_EQ(code.get_future().get(), ErrorCode::TimedOut);
}

TEST_F(CatalogueTest, RecommendedLocationComesFromTheListAndFollowsMeasurements) {
    auto first = recommended();
    ASSERT_TRUE(first && first->country && first->city);
    EXPECT_EQ(first->country->country, "US");  // nothing measured yet: the list's default country
    EXPECT_TRUE(first->city->name);
    EXPECT_EQ(first->city->country, "US");

    ZevuTestAPI::setRecommendedLocationAnswer(std::optional<ZevuLocation>{});
    EXPECT_FALSE(recommended());
    ZevuTestAPI::setRecommendedLocationAnswer(std::nullopt, makeError(ErrorCode::TimedOut));
    std::promise<int> code;
    manager->getRecommendedLocation([&](auto) { code.set_value(0); },
                                    [&](std::optional<Error> e) { code.set_value(e ? e->code : 0); });
    EXPECT_EQ(code.get_future().get(), ErrorCode::TimedOut);
}

TEST(ZevuRecords, CountriesSurviveTheirCodingAndBadTextDecodesToNothing) {
    ZevuCountry c;
    c.country = "DE";
    c.name = "Germany";
    c.iso_code = "DE";
    ZevuDatacenters dc;
    dc.dataCenterId = 7;
    dc.ip = "192.0.2.7";
    dc.hostname = "de-x.zevu.invalid";
    dc.latency = 12;
    dc.protocols = {"IKEV"};
    c.dataCenters = std::vector{dc};
    c.cities = std::vector{ZevuCity{.cityId = 42, .name = "Berlin", .country = "DE", .data_centers = std::vector{dc}}};
    c.protocols = std::vector{ZevuProtocol("IKEV"), ZevuProtocol("WireGuard")};
    auto back = decodeRecord<ZevuCountry>(encodeRecord(c));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, c);

    ZevuCountry bare;  // absent lists stay absent, not empty
    auto bareBack = decodeRecord<ZevuCountry>(encodeRecord(bare));
    ASSERT_TRUE(bareBack);
    EXPECT_FALSE(bareBack->cities);
    EXPECT_FALSE(bareBack->dataCenters);

    for (const char* bad : {"", "[]", "{\"cities\": 4}", "{\"name\": 5}"}) EXPECT_FALSE(decodeRecord<ZevuCountry>(bad)) << bad;
}

TEST(ZevuRecords, ProtocolWordsAndNames) {
    struct Case {
        const char* word;
        std::optional<std::string> name;
        std::optional<std::string> canonical;
        bool extension;
    } cases[] = {
        {"IPSEC", "IPSec", "IPSEC", false},  {"IKEV", "IKEv2", "IKEV", false},
        {"IKEv2", "IKEv2", "IKEV", false},   {"TCP", "OpenVPN-TCP", "TCP", true},
        {"udp", "OpenVPN-UDP", "UDP", true}, {"WireGuard", "WireGuard", "WireGuard", true},
        {"PPTP", std::nullopt, std::nullopt, false}, {"", std::nullopt, std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        ZevuProtocol p(c.word);
        EXPECT_EQ(p.name(), c.name);
        EXPECT_EQ(p.canonicalWord(), c.canonical);
        EXPECT_EQ(p.needsSystemExtension(), c.extension);
    }
    EXPECT_FALSE(ZevuProtocol().name());
}

TEST(ZevuRecords, PropertiesReadBackWhatWasSetAndNothingElse) {
    auto p = ZevuProperties::initWithProtocol(ZevuProtocol("IPSEC"), {0, 7});
    EXPECT_EQ(p.target(), ZevuProperties::Target::SmartConnect);
    EXPECT_EQ(p.tags(), (std::vector<int>{0, 7}));
    EXPECT_EQ(p.protocol(), ZevuProtocol("IPSEC"));
    EXPECT_FALSE(p.secondaryProtocol());
    EXPECT_FALSE(p.enableProtocolSwitch());
    EXPECT_FALSE(p.useLastSuccessfulDialedProtocol());
    EXPECT_FALSE(p.useAutomaticPort());
    EXPECT_FALSE(p.serverFilters());
    p.setSecondaryProtocol(ZevuProtocol("UDP"));
    p.setTertiaryProtocol(ZevuProtocol("TCP"));
    p.setEnableProtocolSwitch(false);
    p.setUseLastSuccessfulDialedProtocol(true);
    p.setUseAutomaticPort(true);
    p.setServerFilters({});
    EXPECT_EQ(p.secondaryProtocol(), ZevuProtocol("UDP"));
    EXPECT_EQ(p.tertiaryProtocol(), ZevuProtocol("TCP"));
    EXPECT_EQ(p.enableProtocolSwitch(), false);
    EXPECT_EQ(p.useLastSuccessfulDialedProtocol(), true);
    EXPECT_EQ(p.useAutomaticPort(), true);
    ASSERT_TRUE(p.serverFilters());
    EXPECT_TRUE(p.serverFilters()->empty());

    auto hosts = ZevuProperties::initWithMultipleDedicatedHost(
        {ZevuMultipleDNS("a.example.invalid", "a.example.invalid", ZevuProtocol("IKEV")),
         ZevuMultipleDNS("b.example.invalid", "b.example.invalid", ZevuProtocol("UDP"))},
        ZevuProtocol("IKEV"));
    ASSERT_EQ(hosts.dedicatedHosts().size(), 2u);
    EXPECT_EQ(hosts.dedicatedHosts()[1].dedicatedHostName(), "b.example.invalid");
    EXPECT_EQ(hosts.dedicatedHosts()[1].protocol().name(), "OpenVPN-UDP");
    auto one = ZevuProperties::initWithDedicatedHostName("h.invalid", "192.0.2.9", ZevuProtocol("IKEV"));
    ASSERT_EQ(one.dedicatedHosts().size(), 1u);
    EXPECT_EQ(one.dedicatedHosts()[0].dedicatedHostIP(), "192.0.2.9");
    auto city = ZevuProperties::initWithCity(ZevuCity{.cityId = 42}, std::nullopt);
    EXPECT_EQ(city.city()->cityId, 42);
    EXPECT_FALSE(city.protocol());
}

}  // namespace
}  // namespace zevu::test
