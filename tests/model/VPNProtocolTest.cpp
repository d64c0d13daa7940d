#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "model/VPNProtocol.h"

using namespace morvex;
using json = nlohmann::json;

namespace {

TEST(VPNProtocolTest, RawValuesTitlesIndicesAndJson) {
    struct Case {
        VPNProtocol p;
        const char* raw;
        const char* title;
        std::int64_t index;
        bool extension;
    } cases[] = {{VPNProtocol::IPSec, "IPSEC", "IPSec", 0, false},
                 {VPNProtocol::IKEv2, "IKEV", "IKEv2", 1, false},
                 {VPNProtocol::TCP, "TCP", "TCP", 2, true},
                 {VPNProtocol::UDP, "UDP", "UDP", 3, true},
                 {VPNProtocol::WireGuard, "WireGuard", "WireGuard", 4, true}};
    for (const auto& c : cases) {
        EXPECT_EQ(rawValue(c.p), c.raw);
        EXPECT_EQ(vpnProtocolFromRaw(c.raw), c.p);
        EXPECT_EQ(title(c.p), c.title);
        EXPECT_EQ(vpnProtocolFromTitle(c.title), c.p);
        EXPECT_EQ(caseIndex(c.p), c.index);
        EXPECT_EQ(vpnProtocolFromIndex(c.index), c.p);
        EXPECT_EQ(needsSystemExtension(c.p), c.extension);
        EXPECT_EQ(json(c.p), c.raw);
        EXPECT_EQ(json(c.raw).get<VPNProtocol>(), c.p);
    }
    EXPECT_EQ(vpnProtocolFromIndex(5), std::nullopt);
    EXPECT_EQ(vpnProtocolFromIndex(-1), std::nullopt);
    EXPECT_EQ(vpnProtocolFromTitle("IPSEC"), std::nullopt);
    EXPECT_EQ(vpnProtocolFromRaw("IPSec"), std::nullopt);
    EXPECT_THROW((void)json(0).get<VPNProtocol>(), json::exception);
}

}  // namespace
