#include <gtest/gtest.h>

#include "foundation/RunningApplications.h"

using namespace morvex;

namespace {

TEST(RunningApplicationsTest, BusNamesOfBundleIdentifiers) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"com.morvex.mac.vpn", "com.morvex.mac.vpn"},
        {"com.morvex.mac.vpn.launcher", "com.morvex.mac.vpn.launcher"},
        {"com.my-app.2go", "com.my-app._2go"},
        {"single", std::nullopt},
        {"", std::nullopt},
        {".com.morvex", std::nullopt},
        {"com..morvex", std::nullopt},
        {"com.morvex.", std::nullopt},
        {"com.morvex/../x", std::nullopt},
        {"com.mor vex", std::nullopt},
        {"com.m\xc3\xb6rvex", std::nullopt},
        {"com." + std::string(252, 'a'), std::nullopt},
        {"com." + std::string(251, 'a'), "com." + std::string(251, 'a')},
    };
    for (const auto& [identifier, expected] : cases) {
        SCOPED_TRACE(identifier);
        EXPECT_EQ(RunningApplications::busName(identifier), expected);
        if (!expected) {
            EXPECT_FALSE(RunningApplications::isRunning(identifier));
        }
    }
}

}  // namespace
