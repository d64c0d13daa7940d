// Reading the SDK's server list file: entries whose numbers do not fit their fields.
#include <gtest/gtest.h>

#include <fstream>

#include "foundation/Log.h"
#include "support/TestSupport.h"
#include "zevu/internal/ServerCatalog.h"

namespace zevu::test {
namespace {

using detail::ServerCatalog;

std::string listWith(const std::string& dataCenter, const std::string& city = R"("cityId": 10)") {
    return R"({"countries": [{"country": "DE", "name": "Germany", "cities": [
               {"cityId": 1, "name": "Berlin", "country": "DE", "data_centers": [
                 {"dataCenterId": 100, "ip": "192.0.2.1", "port": 443, "ports": {"UDP": 1194}, "protocols": ["UDP"]}]},
               {)" + city + R"(, "name": "Munich", "country": "DE", "data_centers": [)" + dataCenter + "]}]}]}";
}

// Casting such a number to its integer field is undefined (a port of 4e9), and one that wraps reads
// as another port; the entry is left out, with a console line, and the rest of the list stands.
TEST(ServerListTest, NumbersThatDoNotFitTheirFieldsLeaveOutTheirEntry) {
    struct Case {
        const char* name;
        std::string dataCenter;
        bool kept;
    } cases[] = {
        {"a port of 4e9", R"({"dataCenterId": 200, "port": 4e9})", false},
        {"a port of 4000000000", R"({"dataCenterId": 200, "port": 4000000000})", false},
        {"a port of -4e9", R"({"dataCenterId": 200, "port": -4e9})", false},
        {"a port past 65535", R"({"dataCenterId": 200, "port": 70000})", false},
        {"a fractional port", R"({"dataCenterId": 200, "port": 443.5})", false},
        {"a protocol port of 1e12", R"({"dataCenterId": 200, "ports": {"UDP": 1e12}})", false},
        {"an id of 1e19", R"({"dataCenterId": 1e19})", false},
        {"an id of 18446744073709551615", R"({"dataCenterId": 18446744073709551615})", false},
        {"a load of 1e300", R"({"dataCenterId": 200, "load": 1e300})", false},
        {"a latency of -1e30", R"({"dataCenterId": 200, "latency": -1e30})", false},
        {"a port as text", R"({"dataCenterId": 200, "port": "443"})", false},
        {"a port of 443.0", R"({"dataCenterId": 200, "port": 443.0})", true},
        {"an id of 2^53", R"({"dataCenterId": 9007199254740992, "port": 0})", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        morvex::test::TempDir dir;
        std::ofstream(dir.path() / "servers.json") << listWith(c.dataCenter);
        morvex::log::Capture capture;
        auto catalog = ServerCatalog::load(dir.path() / "servers.json");
        ASSERT_TRUE(catalog) << catalog.error().message;
        const auto all = (*catalog)->allDataCenters();
        EXPECT_EQ(all.size(), c.kept ? 2u : 1u);
        EXPECT_TRUE((*catalog)->dataCenter(100));
        EXPECT_EQ(capture.containsText("left out a data centre"), !c.kept);
        if (c.kept) {
            EXPECT_EQ(all.back().dataCenter->port.value_or(-1), c.dataCenter.find("443") != std::string::npos ? 443 : 0);
        }
        EXPECT_EQ((*catalog)->countries().front().dataCenters->size(), all.size());
    }
}

TEST(ServerListTest, ACityWhoseIdDoesNotFitIsLeftOutWithItsDataCentres) {
    morvex::test::TempDir dir;
    std::ofstream(dir.path() / "servers.json")
        << listWith(R"({"dataCenterId": 200, "port": 443})", R"("cityId": 1e20)");
    morvex::log::Capture capture;
    auto catalog = ServerCatalog::load(dir.path() / "servers.json");
    ASSERT_TRUE(catalog) << catalog.error().message;
    EXPECT_EQ((*catalog)->countries().front().cities->size(), 1u);
    EXPECT_EQ((*catalog)->allDataCenters().size(), 1u);
    EXPECT_TRUE(capture.containsText("left out a city"));
}

TEST(ServerListTest, AListNestedTooDeeplyIsReportedNotRead) {
    morvex::test::TempDir dir;
    std::ofstream(dir.path() / "servers.json")
        << R"({"countries": [], "extra": )" << std::string(100000, '[') << std::string(100000, ']') << "}";
    auto catalog = ServerCatalog::load(dir.path() / "servers.json");
    ASSERT_FALSE(catalog);
    EXPECT_EQ(catalog.error().code, ErrorCode::ServerListUnavailable);
    EXPECT_NE(catalog.error().message.find("nested too deeply"), std::string::npos) << catalog.error().message;
}

}  // namespace
}  // namespace zevu::test
