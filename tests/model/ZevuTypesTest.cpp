#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "model/ZevuTypes.h"

using namespace morvex;
using json = nlohmann::json;

namespace {

TEST(ZevuTypesTest, ConnectionStateFromRawAndFromTheSDKStatus) {
    struct Case {
        std::int64_t raw;
        std::optional<ZevuConnectionState> state;
    } cases[] = {{0, ZevuConnectionState::Connected},    {2, ZevuConnectionState::Redialing},
                 {6, ZevuConnectionState::UnableToBrowse}, {7, std::nullopt},
                 {-1, std::nullopt}};
    for (const auto& c : cases) EXPECT_EQ(zevuConnectionStateFromRaw(c.raw), c.state) << c.raw;
    EXPECT_EQ(sizeof(ZevuConnectionState), 1u);

    using zevu::ZevuVPNState;
    EXPECT_EQ(connectionStateFromVPNStatus(rawValue(ZevuVPNState::Connected)), ZevuConnectionState::Connected);
    EXPECT_EQ(connectionStateFromVPNStatus(rawValue(ZevuVPNState::Connecting)), ZevuConnectionState::Connecting);
    for (auto state : {ZevuVPNState::Invalid, ZevuVPNState::Disconnected, ZevuVPNState::Reasserting,
                       ZevuVPNState::Disconnecting, ZevuVPNState::Paused})
        EXPECT_EQ(connectionStateFromVPNStatus(rawValue(state)), ZevuConnectionState::Disconnected) << rawValue(state);
    EXPECT_EQ(connectionStateFromVPNStatus(-1), ZevuConnectionState::Disconnected);
    EXPECT_TRUE(isConnectedOrConnecting(rawValue(ZevuVPNState::Connecting)));
    EXPECT_FALSE(isConnectedOrConnecting(rawValue(ZevuVPNState::Disconnecting)));
}

TEST(ZevuTypesTest, SourceEnumerationsMatchRawValuesExactlyAndCodeAsText) {
    EXPECT_EQ(ZevuTypes::connectViaFromRaw("DedicatedIp"), ZevuTypes::ConnectVia::DedicatedIp);
    EXPECT_EQ(ZevuTypes::connectViaFromRaw("DedicatedIP"), std::nullopt);
    EXPECT_EQ(ZevuTypes::connectViaFromRaw(""), std::nullopt);
    EXPECT_EQ(ZevuTypes::selectedInterfaceScreenFromRaw("None"), ZevuTypes::SelectedInterfaceScreen::None);
    EXPECT_EQ(ZevuTypes::selectedInterfaceScreenFromRaw("none"), std::nullopt);
    EXPECT_EQ(ZevuTypes::connectionInitiatedByFromRaw("AutoConnectOnLaunch"), ZevuTypes::ConnectionInitiatedBy::AutoConnectOnLaunch);
    EXPECT_EQ(ZevuTypes::selectedInterfaceFromRaw("Support"), ZevuTypes::SelectedInterface::Support);
    EXPECT_EQ(rawValue(ZevuTypes::SelectedInterface::SwitchServer), "SwitchServer");
    EXPECT_EQ(rawValue(ZevuTypes::ConnectionInitiatedBy::User), "User");

    EXPECT_EQ(json(ZevuTypes::ConnectVia::SmartConnect), "SmartConnect");
    EXPECT_EQ(json("Shortcut").get<ZevuTypes::ConnectVia>(), ZevuTypes::ConnectVia::Shortcut);
    EXPECT_THROW((void)json("shortcut").get<ZevuTypes::ConnectVia>(), json::exception);
    EXPECT_THROW((void)json(1).get<ZevuTypes::ConnectVia>(), json::exception);  // never the case index
    EXPECT_THROW((void)json("Nowhere").get<ZevuTypes::SelectedInterface>(), json::exception);
}

TEST(ZevuTypesTest, ConnectKindFollowsTheServerType) {
    using T = ZevuDataFetcherTypes::ServerType;
    EXPECT_EQ(ZevuTypes::connectVia(T::Country), ZevuTypes::ConnectVia::Country);
    EXPECT_EQ(ZevuTypes::connectVia(T::City), ZevuTypes::ConnectVia::City);
    EXPECT_EQ(ZevuTypes::connectVia(T::FastestServer), ZevuTypes::ConnectVia::SmartConnect);
    EXPECT_EQ(ZevuTypes::connectVia(T::DedicatedIp), ZevuTypes::ConnectVia::DedicatedIp);
    EXPECT_EQ(ZevuTypes::connectVia(T::Shortcut), ZevuTypes::ConnectVia::Shortcut);
}

TEST(ZevuTypesTest, FormatByteCountScalesEachCountByPowersOfTwo) {
    struct Case {
        std::uint64_t bytes;
        double value;
        const char* unit;
    } cases[] = {
        {0, 0, "B"},
        {1023, 1023, "B"},
        {1024, 1, "KB"},
        {1536, 1.5, "KB"},
        {(1ull << 20) - 1, ((1ull << 20) - 1) / 1024.0, "KB"},
        {1ull << 20, 1, "MB"},
        {1ull << 30, 1, "GB"},
        {(1ull << 40) - 1, ((1ull << 40) - 1) / 1073741824.0, "GB"},
        {1ull << 40, 1, "TB"},
        {UINT64_MAX, static_cast<double>(UINT64_MAX) / 1099511627776.0, "TB"},
    };
    for (const auto& c : cases) {
        auto scaled = scaleByteCount(c.bytes);
        EXPECT_DOUBLE_EQ(scaled.value, c.value) << c.bytes;
        EXPECT_EQ(label(scaled.unit), c.unit) << c.bytes;
    }
    auto [in, out] = formatByteCount(1023, 1024);
    EXPECT_EQ(in, (ScaledByteCount{1023, ByteCountUnit::B}));
    EXPECT_EQ(out, (ScaledByteCount{1, ByteCountUnit::KB}));
}

}  // namespace
