// The texts the dashboard builds: the time connected, the protocol word and location names.
#include <gtest/gtest.h>

#include "viewmodels/DashboardText.h"

namespace morvex::dashboard {
namespace {

using Type = ZevuDataFetcherTypes::ServerType;

TEST(DashboardTextTest, TheTimeConnectedIsPaddedHoursMinutesAndSeconds) {
    const Date now{10'000'000};
    struct Case {
        std::optional<double> secondsAgo;
        const char* text;
    };
    const std::vector<Case> cases = {
        {std::nullopt, "00:00:00"},  // the SDK has no connected time
        {0, "00:00:00"},
        {65, "00:01:05"},
        {3723, "01:02:03"},
        {3725, "01:02:05"},
        {59.9, "00:00:59"},
        {360000, "100:00:00"},
        {-30, "00:00:00"},  // a connected time ahead of the clock
    };
    for (const auto& c : cases) {
        const auto since = c.secondsAgo ? std::optional<Date>(Date{now.secondsSince1970 - *c.secondsAgo}) : std::nullopt;
        EXPECT_EQ(connectedTimeText(since, now), c.text) << (c.secondsAgo ? *c.secondsAgo : -1);
    }
}

TEST(DashboardTextTest, TheProtocolWordIsShownByWhatItContains) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"IKEV", "IKEv2"}, {"IPSEC", "IPSec"}, {"OpenVPN TCP", "TCP"}, {"UDP", "UDP"},
        {"WireGuard", "WireGuard"}, {"", ""}, {"IKE over IPS", "IKEv2"},
    };
    for (const auto& [word, shown] : cases) EXPECT_EQ(protocolDisplayText(word), shown) << word;
}

TEST(DashboardTextTest, LocationsAreNamedByTheirType) {
    auto make = [](Type type) {
        ZevuDataFetcherTypes::Server s("1", "Frankfurt", type, "DE");
        s.ip = "198.51.100.4";
        return s;
    };
    EXPECT_EQ(locationDisplayName(make(Type::Country)), "Frankfurt");
    EXPECT_EQ(locationDisplayName(make(Type::City)), "Frankfurt, DE");
    EXPECT_EQ(locationDisplayName(make(Type::DedicatedIp)), "198.51.100.4");
    EXPECT_EQ(locationNameWithCode(make(Type::DedicatedIp)), "Frankfurt, DE");
    EXPECT_EQ(flagImageName("GB"), "gb");
}

}  // namespace
}  // namespace morvex::dashboard
