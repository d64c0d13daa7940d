#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "vpn/Zevu.h"

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

    EXPECT_EQ(connectionStateFromVPNStatus(3), ZevuConnectionState::Connected);
    EXPECT_EQ(connectionStateFromVPNStatus(2), ZevuConnectionState::Connecting);
    for (int status : {0, 1, 4, 5, -1}) EXPECT_EQ(connectionStateFromVPNStatus(status), ZevuConnectionState::Disconnected);
}

TEST(ZevuTypesTest, SourceEnumerationsMatchRawValuesExactlyAndCodeAsText) {
    EXPECT_EQ(Zevu::connectViaFromRaw("DedicatedIp"), Zevu::ConnectVia::DedicatedIp);
    EXPECT_EQ(Zevu::connectViaFromRaw("DedicatedIP"), std::nullopt);
    EXPECT_EQ(Zevu::connectViaFromRaw(""), std::nullopt);
    EXPECT_EQ(Zevu::selectedInterfaceScreenFromRaw("None"), Zevu::SelectedInterfaceScreen::None);
    EXPECT_EQ(Zevu::selectedInterfaceScreenFromRaw("none"), std::nullopt);
    EXPECT_EQ(Zevu::connectionInitiatedByFromRaw("AutoConnectOnLaunch"), Zevu::ConnectionInitiatedBy::AutoConnectOnLaunch);
    EXPECT_EQ(Zevu::selectedInterfaceFromRaw("Support"), Zevu::SelectedInterface::Support);
    EXPECT_EQ(rawValue(Zevu::SelectedInterface::SwitchServer), "SwitchServer");
    EXPECT_EQ(rawValue(Zevu::ConnectionInitiatedBy::User), "User");

    EXPECT_EQ(json(Zevu::ConnectVia::SmartConnect), "SmartConnect");
    EXPECT_EQ(json("Shortcut").get<Zevu::ConnectVia>(), Zevu::ConnectVia::Shortcut);
    EXPECT_THROW((void)json("shortcut").get<Zevu::ConnectVia>(), json::exception);
    EXPECT_THROW((void)json(1).get<Zevu::ConnectVia>(), json::exception);  // never the case index
    EXPECT_THROW((void)json("Nowhere").get<Zevu::SelectedInterface>(), json::exception);
}

TEST(ZevuTypesTest, ConnectKindFollowsTheServerType) {
    using T = ZevuDataFetcherTypes::ServerType;
    EXPECT_EQ(Zevu::connectVia(T::Country), Zevu::ConnectVia::Country);
    EXPECT_EQ(Zevu::connectVia(T::City), Zevu::ConnectVia::City);
    EXPECT_EQ(Zevu::connectVia(T::FastestServer), Zevu::ConnectVia::SmartConnect);
    EXPECT_EQ(Zevu::connectVia(T::DedicatedIp), Zevu::ConnectVia::DedicatedIp);
    EXPECT_EQ(Zevu::connectVia(T::Shortcut), Zevu::ConnectVia::Shortcut);
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
