// The helper's systemd service as systemd's own analyzer reads it: a root daemon every local user
// can reach gets no more than its work needs.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <optional>
#include <set>

#include "helpertool/Subprocess.h"

using morvex::helper::runProcess;

namespace {

const std::filesystem::path kService =
    std::filesystem::path(MORVEX_HELPER_UNIT_DIR) / "com.morvex.mac.vpn.helpertool.service";

// The value of a setting in the unit file (its last occurrence), or nothing.
std::optional<std::string> setting(const std::string& key) {
    std::ifstream in(kService);
    std::optional<std::string> value;
    for (std::string line; std::getline(in, line);)
        if (line.starts_with(key + "=")) value = line.substr(key.size() + 1);
    return value;
}

}  // namespace

TEST(HelperUnitTest, TheServiceGetsOnlyWhatNftAndTheCallerCheckNeed) {
    ASSERT_TRUE(std::filesystem::exists(kService));
    const auto analysis =
        runProcess("/usr/bin/systemd-analyze", {"security", "--offline=yes", "--json=short", kService.string()});
    ASSERT_EQ(analysis.status, 0) << analysis.error;
    // Every line of the unit is understood: a misspelt setting would be ignored with a warning.
    EXPECT_EQ(analysis.error, "");

    // What remains open: netlink and Unix sockets (nft, clients, systemctl), network configuration
    // (nft) and reading other users' processes under /proc (the caller check).
    const std::set<std::string> needed = {"RestrictAddressFamilies=~AF_NETLINK", "RestrictAddressFamilies=~AF_UNIX",
                                          "CapabilityBoundingSet=~CAP_NET_ADMIN",
                                          "CapabilityBoundingSet=~CAP_SYS_PTRACE"};
    const std::set<std::string> required = {"NoNewPrivileges=", "ProtectSystem=", "ProtectHome=", "PrivateTmp=",
                                            "PrivateDevices=", "AmbientCapabilities="};
    std::set<std::string> seen;
    for (const auto& check : nlohmann::json::parse(analysis.output)) {
        const std::string name = check.at("name");
        // The exposure of a setting: null, or a number (written as text by this analyzer).
        const auto& exposure = check.at("exposure");
        const double level = exposure.is_null()     ? 0
                             : exposure.is_string() ? std::stod(exposure.get<std::string>())
                                                    : exposure.get<double>();
        const bool open = level > 0;
        const bool confinable = name.starts_with("CapabilityBoundingSet=") ||
                                name.starts_with("RestrictAddressFamilies=") || required.contains(name);
        if (confinable) {
            EXPECT_EQ(open, needed.contains(name)) << name;
        }
        seen.insert(name);
    }
    for (const auto& name : required) EXPECT_TRUE(seen.contains(name)) << name;

    // Overall, no worse than "OK" on the analyzer's scale (2.5 of 10).
    EXPECT_EQ(runProcess("/usr/bin/systemd-analyze",
                         {"security", "--offline=yes", "--threshold=25", kService.string()}).status,
              0);

    // Memory and threads are capped.
    const auto memory = setting("MemoryMax");
    ASSERT_TRUE(memory);
    ASSERT_TRUE(memory->ends_with("M")) << *memory;
    EXPECT_LE(std::stoi(*memory), 256);
    EXPECT_TRUE(setting("TasksMax"));
}
