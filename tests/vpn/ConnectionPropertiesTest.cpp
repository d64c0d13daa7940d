// The protocol policy and server filters every dial gets, the city look-up, and the order of a
// dedicated IP's hosts.
#include "EngineTestSupport.h"

namespace morvex::test {
namespace {

using zevu::ServerFilter;
using zevu::ZevuProtocol;

class ConnectionPropertiesTest : public TempConfigTest {};

std::optional<std::string> word(const std::optional<ZevuProtocol>& p) { return p ? p->protocol() : std::nullopt; }

TEST_F(ConnectionPropertiesTest, ProtocolPolicyAndFiltersByInterface) {
    struct Case {
        const char* what;
        bool automatic;
        bool fallback;
        VPNProtocol selected;
        bool personalise;
        std::optional<ZevuTypes::SelectedInterface> via;  // none: no request record
        std::optional<std::vector<std::string>> excluded;
        // expected
        std::optional<bool> useLast;
        std::optional<std::string> primary, secondary, tertiary;
        std::optional<bool> protocolSwitch;
        std::optional<std::vector<ServerFilter>> filters;
    };
    using SI = ZevuTypes::SelectedInterface;
    const std::vector<ServerFilter> ratings{{"nas-like", 0}, {"nas-dislike", 1}};
    const std::vector<Case> cases{
        {"automatic on", true, false, VPNProtocol::WireGuard, false, SI::List, {}, true, {}, {}, {}, {}, {}},
        {"fallback off with WireGuard", false, false, VPNProtocol::WireGuard, false, SI::List, {}, {}, "WireGuard",
         "WireGuard", "WireGuard", false, {}},
        {"fallback on with IKEv2", false, true, VPNProtocol::IKEv2, false, SI::List, {}, {}, "IKEV", {}, {}, true, {}},
        {"switch server, nothing excluded yet", true, true, VPNProtocol::IPSec, false, SI::SwitchServer, {}, true, {}, {},
         {}, {}, std::vector<ServerFilter>{}},
        {"switch server beats personalisation", true, true, VPNProtocol::IPSec, true, SI::SwitchServer,
         std::vector<std::string>{"nas-1", "nas-2"}, true, {}, {}, {}, {},
         std::vector<ServerFilter>{{"nas-1", 1}, {"nas-2", 1}}},
        {"recent with liked and disliked", true, true, VPNProtocol::IPSec, true, SI::Recent, {}, true, {}, {}, {}, {},
         ratings},
        {"favourite likewise", true, true, VPNProtocol::IPSec, true, SI::Favorite, {}, true, {}, {}, {}, {}, ratings},
        {"list gets no filters", true, true, VPNProtocol::IPSec, true, SI::List, {}, true, {}, {}, {}, {}, {}},
        {"personalisation off", true, true, VPNProtocol::IPSec, false, SI::Recent, {}, true, {}, {}, {}, {}, {}},
        {"no record", true, true, VPNProtocol::IPSec, true, {}, {}, true, {}, {}, {}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PreservedPreferences prefs;
        prefs.setAutomaticProtocol(c.automatic);
        prefs.setSelectedProtocol(c.selected);
        prefs.setConnectToFallback(c.fallback);
        prefs.setEnablePersonaliseServer(c.personalise);
        prefs.setPersonalizeServer(PreservedPreferences::Ratings{
            {"de", {PreservedPreferences::PersonalizeServer("nas-like", true),
                    PreservedPreferences::PersonalizeServer("nas-dislike", false)}}});
        AppPreferences app;
        if (c.excluded)
            app.defaults().set(Value(Array(c.excluded->begin(), c.excluded->end())),
                               AppPreferences::Key::excludedIdentifiersForSwitchServer);
        else
            app.defaults().removeObject(AppPreferences::Key::excludedIdentifiersForSwitchServer);

        std::optional<AppPreferences::LastConnection> record;
        if (c.via)
            record = AppPreferences::LastConnection{*c.via, ZevuTypes::ConnectVia::Country,
                                                    ZevuTypes::SelectedInterfaceScreen::Location,
                                                    ZevuTypes::ConnectionInitiatedBy::User, server("DE", "Germany"), "",
                                                    false, false};
        Zevu z(nullptr, ErrorSender{}, ZevuDataFetcher{}, User(), app, EventTracker(), prefs, nullptr);
        auto properties = zevu::ZevuProperties::initWithCountry(zevu::ZevuCountry{}, std::nullopt);
        z.configureProperties(properties, record);
        EXPECT_EQ(properties.useLastSuccessfulDialedProtocol(), c.useLast);
        EXPECT_EQ(word(properties.protocol()), c.primary);
        EXPECT_EQ(word(properties.secondaryProtocol()), c.secondary);
        EXPECT_EQ(word(properties.tertiaryProtocol()), c.tertiary);
        EXPECT_EQ(properties.enableProtocolSwitch(), c.protocolSwitch);
        EXPECT_EQ(properties.serverFilters(), c.filters);
    }
}

TEST_F(ConnectionPropertiesTest, CitiesMatchOncePerCountryByDecimalId) {
    auto city = [](std::int64_t id, std::string name) {
        zevu::ZevuCity c;
        c.cityId = id;
        c.name = std::move(name);
        return c;
    };
    zevu::ZevuCountry a, b, none;
    a.cities = std::vector{city(7, "A-7"), city(42, "A-42"), city(42, "A-42 again")};
    b.cities = std::vector{city(42, "B-42")};
    const auto found = Zevu::citiesMatchingServer({a, none, b}, *server("42", "Somewhere", ZevuDataFetcherTypes::ServerType::City));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].name, "A-42");
    EXPECT_EQ(found[1].name, "B-42");
    EXPECT_TRUE(Zevu::citiesMatchingServer({a, b}, *server("042", "x")).empty());
}

TEST_F(ConnectionPropertiesTest, DedicatedHostsMatchingTheChosenProtocolMoveToTheFront) {
    auto hosts = [](std::initializer_list<std::pair<const char*, const char*>> list) {
        std::vector<zevu::ZevuMultipleDNS> out;
        for (auto [name, protocol] : list) out.emplace_back(name, name, ZevuProtocol(protocol));
        return out;
    };
    auto names = [](const std::vector<zevu::ZevuMultipleDNS>& entries) {
        std::vector<std::string> out;
        for (const auto& e : entries) out.push_back(e.dedicatedHostName());
        return out;
    };
    struct Case {
        const char* what;
        std::vector<zevu::ZevuMultipleDNS> entries;
        std::vector<std::string> expected;
    } cases[] = {
        {"A and C match", hosts({{"A", "IKEV"}, {"B", "UDP"}, {"C", "IKEv2"}}), {"C", "B", "A"}},
        {"only B matches", hosts({{"A", "UDP"}, {"B", "IKEV"}, {"C", "TCP"}}), {"B", "A", "C"}},
        {"none matches", hosts({{"A", "UDP"}, {"B", "TCP"}, {"C", "WireGuard"}}), {"A", "B", "C"}},
        {"no hosts", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(names(Zevu::orderedDedicatedHosts(c.entries, ZevuProtocol("IKEV"))), c.expected);
    }
}

}  // namespace
}  // namespace morvex::test
