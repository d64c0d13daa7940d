// Which data centre and protocol a connect dials: filters, tags, protocol order and dedicated hosts.
#include <future>

#include "ZevuTestSupport.h"

namespace zevu::test {
namespace {

class ServerChoiceTest : public ZevuTest {
protected:
    ConnectionDetailsPtr dial(ZevuProperties p) {
        const int before = recorder->count("didConnect");
        manager->connectWithProperties(std::move(p), nullptr, nullptr);
        auto e = recorder->waitFor("didConnect", before + 1);
        return e ? e->details : nullptr;
    }
    // The listed data centre with that NAS identifier.
    std::optional<ZevuDatacenters> listed(const std::string& nas) {
        std::promise<std::vector<ZevuCountry>> got;
        manager->getCountriesWithSuccess([&](auto l) { got.set_value(l.value_or(std::vector<ZevuCountry>{})); }, nullptr);
        for (const auto& c : got.get_future().get())
            for (const auto& dc : *c.dataCenters)
                if (dc.nasIdentifier == nas) return dc;
        return std::nullopt;
    }
};

TEST_F(ServerChoiceTest, ServerFiltersLeaveOutAndPreferServers) {
    auto first = dial(ZevuProperties::initWithCountry(country("DE"), ZevuProtocol("IKEV")));
    ASSERT_TRUE(first && first->nasIdentifier);
    EXPECT_FALSE(first->isFiltered);

    auto without = ZevuProperties::initWithCountry(country("DE"), ZevuProtocol("IKEV"));
    without.setServerFilters({ServerFilter(*first->nasIdentifier, 1)});
    auto second = dial(without);
    ASSERT_TRUE(second && second->nasIdentifier);
    EXPECT_NE(second->nasIdentifier, first->nasIdentifier);
    EXPECT_TRUE(second->isFiltered);
    EXPECT_EQ(second->country, "Germany");

    auto preferring = ZevuProperties::initWithCountry(country("DE"), ZevuProtocol("IKEV"));
    preferring.setServerFilters({ServerFilter(*second->nasIdentifier, 0)});
    auto third = dial(preferring);
    ASSERT_TRUE(third);
    EXPECT_EQ(third->nasIdentifier, second->nasIdentifier);
}

TEST_F(ServerChoiceTest, SmartConnectTagsNarrowTheServers) {
    struct Case {
        ZevuSmartConnectTag tag;
        const char* protocol;
        bool (*mark)(const ZevuDatacenters&);
    } cases[] = {
        {ZevuSmartConnectTag::P2P, "IKEV", [](const ZevuDatacenters& d) { return d.p2p; }},
        {ZevuSmartConnectTag::QuantumResistant, "WireGuard", [](const ZevuDatacenters& d) { return d.quantumResistant; }},
        {ZevuSmartConnectTag::Obfuscated, "UDP", [](const ZevuDatacenters& d) { return d.obfuscated; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(rawValue(c.tag));
        auto p = ZevuProperties::initWithProtocol(ZevuProtocol(c.protocol), {rawValue(ZevuSmartConnectTag::Fastest), rawValue(c.tag)});
        p.setEnableProtocolSwitch(false);
        auto d = dial(p);
        ASSERT_TRUE(d && d->nasIdentifier);
        EXPECT_EQ(d->connectionMethod, "smart_connect");
        auto dc = listed(*d->nasIdentifier);
        ASSERT_TRUE(dc);
        EXPECT_TRUE(c.mark(*dc));
        if (c.tag == ZevuSmartConnectTag::QuantumResistant) {
            EXPECT_TRUE(d->isDialedWithQuantumResistantServer);
        }
        if (c.tag == ZevuSmartConnectTag::Obfuscated) {
            EXPECT_TRUE(d->IsDialedWithOVPNObfuscatedServer);
        }
    }
}

TEST_F(ServerChoiceTest, ProtocolOrderFollowsTheProperties) {
    auto wg = dial(ZevuProperties::initWithCountry(country("US"), ZevuProtocol("WireGuard")));
    ASSERT_TRUE(wg);
    EXPECT_EQ(wg->protocol->protocol(), "WireGuard");

    // Automatic choice: the last protocol that worked comes first.
    auto automatic = ZevuProperties::initWithCountry(country("US"), std::nullopt);
    automatic.setUseLastSuccessfulDialedProtocol(true);
    auto again = dial(automatic);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->protocol->protocol(), "WireGuard");

    // A fixed protocol with its fallbacks pinned to itself is the only one tried.
    auto pinned = ZevuProperties::initWithCountry(country("US"), ZevuProtocol("UDP"));
    pinned.setSecondaryProtocol(ZevuProtocol("UDP"));
    pinned.setTertiaryProtocol(ZevuProtocol("UDP"));
    pinned.setEnableProtocolSwitch(false);
    ZevuTestAPI::scriptNextConnect({.failingDials = 1});
    auto udp = dial(pinned);
    ASSERT_TRUE(udp);
    EXPECT_EQ(udp->protocol->protocol(), "UDP");
    EXPECT_EQ(udp->connectionAttempts, 2);
}

TEST_F(ServerChoiceTest, DedicatedHostsAreDialledInOrderWithTheirProtocols) {
    ZevuTestAPI::scriptNextConnect({.failingDials = 1});
    auto d = dial(ZevuProperties::initWithMultipleDedicatedHost(
        {ZevuMultipleDNS("one.dedicated.invalid", "one.dedicated.invalid", ZevuProtocol("IKEV")),
         ZevuMultipleDNS("two.dedicated.invalid", "two.dedicated.invalid", ZevuProtocol("UDP"))},
        ZevuProtocol("IKEV")));
    ASSERT_TRUE(d);
    auto redial = recorder->waitFor("onRedialing");
    ASSERT_TRUE(redial);
    EXPECT_EQ(redial->details->serverAddress, "one.dedicated.invalid");
    EXPECT_EQ(d->serverAddress, "two.dedicated.invalid");
    EXPECT_EQ(d->protocol->protocol(), "UDP");
    EXPECT_EQ(d->connectionMethod, "dedicated_ip");
    EXPECT_FALSE(d->country);
}

}  // namespace
}  // namespace zevu::test
