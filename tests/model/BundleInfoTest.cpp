#include <gtest/gtest.h>

#include <fstream>
#include <limits>

#include "model/BundleInfo.h"
#include "foundation/Paths.h"
#include "support/TestSupport.h"

using namespace morvex;

namespace {

Bundle bundleWith(const test::TempDir& dir, std::string_view info) {
    std::filesystem::create_directories(dir.path() / "Resources");
    std::ofstream(dir.path() / "Resources/Info.json") << info;
    return Bundle(dir.path());
}

TEST(BundleInfoTest, TheApplicationBundleCarriesEveryRequiredValue) {
    EXPECT_EQ(infoApplicationBundleIdentifier(), "com.morvex.mac.vpn");
    EXPECT_EQ(infoReleaseCode(), "PRODUCTION");
    EXPECT_FALSE(infoShortVersionString().empty());
    EXPECT_GT(infoDataStoreVersion(), 0);
    EXPECT_FALSE(infoFirebaseAppName().empty());
    EXPECT_FALSE(infoLauncherBundleIdentifier().empty());
    EXPECT_FALSE(infoPacketTunnelIdentifier().empty());
    EXPECT_FALSE(infoWireguardPacketTunnelIdentifier().empty());
    EXPECT_FALSE(infoPacketTunnelGroup().empty());
    EXPECT_NE(appVersionText().find(" ("), std::string::npos);
}

TEST(BundleInfoTest, ReleaseCodeDefaultsVersionTextAndMissingValuesAreNamed) {
    test::TempDir dir;
    Bundle b = bundleWith(dir, R"({"CFBundleShortVersionString": "2.0", "CFBundleVersion": "7",
                                   "Release Code": 3, "Data Store Version": 4})");
    EXPECT_EQ(infoReleaseCode(b), "PRODUCTION");  // not text
    EXPECT_EQ(appVersionText(b), "2.0 (7)");
    EXPECT_EQ(infoDataStoreVersion(b), 4);
    try {
        (void)infoPacketTunnelGroup(b);
        FAIL() << "a missing required value must not pass";
    } catch (const MissingInfoValue& e) {
        EXPECT_EQ(e.key(), "Packet Tunnel Group");
        EXPECT_NE(std::string(e.what()).find("\"Packet Tunnel Group\""), std::string::npos);
    }

    test::TempDir other;
    Bundle textual = bundleWith(other, R"({"Release Code": "STAGING", "Data Store Version": "12"})");
    EXPECT_EQ(infoReleaseCode(textual), "STAGING");
    EXPECT_EQ(infoDataStoreVersion(textual), 12);
    EXPECT_THROW((void)appVersionText(textual), MissingInfoValue);

    test::TempDir broken;
    EXPECT_THROW((void)infoDataStoreVersion(bundleWith(broken, R"({"Data Store Version": "1x"})")), MissingInfoValue);
}

class BundleFolderTest : public test::TempConfigTest {};

TEST_F(BundleFolderTest, SupportFolderIsTheIdentifierInsideTheConfigurationDirectoryAndIsNotCreated) {
    auto folder = applicationSupportFolderURL();
    EXPECT_EQ(folder, paths::configDirectory() / "com.morvex.mac.vpn");
    EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST(BundleInfoTest, WeeksSinceDateCountsWholeWeeksEitherWay) {
    const double hour = 3600.0;
    const double week = 7 * 24 * hour;
    const double now = Date::now().secondsSince1970;
    // A week counts once the same weekday and time of day is reached, not at the seventh
    // calendar day; the margins of several hours keep the rows true across daylight-saving changes.
    const struct {
        double offset;
        std::int64_t weeks;
    } cases[] = {
        {0, 0},
        {-3 * week - 6 * hour, 3},
        {3 * week + 6 * hour, 3},
        {-6 * 24 * hour, 0},
        {-week + 6 * hour, 0},
        {week - 6 * hour, 0},
        {-week - 6 * hour, 1},
        {week + 6 * hour, 1},
        {-52 * week - 6 * hour, 52},
    };
    for (const auto& c : cases) EXPECT_EQ(weeksSinceDate(Date{now + c.offset}), c.weeks) << c.offset / hour << " h";
    EXPECT_EQ(weeksSinceDate(Date{std::numeric_limits<double>::quiet_NaN()}), 0);
}

}  // namespace
