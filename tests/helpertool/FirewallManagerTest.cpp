#include <gtest/gtest.h>

#include <fstream>
#include <future>
#include <sstream>
#include <thread>

#include "HelperTestSupport.h"
#include "foundation/HelperChannel.h"
#include "foundation/KillSwitchRules.h"
#include "zevu/FirewallManager.h"

using namespace morvex;
using namespace std::chrono_literals;
using morvex::test::FakeNftState;
using morvex::test::HelperProcess;
using zevu::FirewallManager;

namespace {

// A completion that can be waited for, remembering the thread it ran on.
struct Answer {
    std::promise<std::pair<bool, std::thread::id>> promise;
    std::future<std::pair<bool, std::thread::id>> future = promise.get_future();
    FirewallManager::Completion completion() {
        return [this](bool ok) { promise.set_value({ok, std::this_thread::get_id()}); };
    }
    bool get() {
        EXPECT_EQ(future.wait_for(15s), std::future_status::ready);
        return future.get().first;
    }
};

FirewallManager::Configuration configFor(const std::string& socketPath,
                                         std::vector<std::string> install = {"/nonexistent/install"}) {
    FirewallManager::Configuration c;
    c.socketPath = socketPath;
    c.installCommand = std::move(install);
    c.timeout = 10s;
    return c;
}

}  // namespace

TEST(FirewallRulesTest, LetOnlyLoopbackTheServerAndTheTunnelThrough) {
    const auto rules = FirewallManager::firewallRules("198.51.100.2", "WireGuard");
    ASSERT_TRUE(rules);
    EXPECT_EQ(*rules,
              "table inet morvexvpn_killswitch {\n"
              "\tchain output {\n"
              "\t\ttype filter hook output priority 0; policy drop;\n"
              "\t\toif \"lo\" accept\n"
              "\t\tip daddr 198.51.100.2 accept comment \"server WireGuard\"\n"
              "\t\toifname \"tun*\" accept\n"
              "\t\toifname \"wg*\" accept\n"
              "\t}\n}\n");
    // What the client builds is what the helper agrees to load.
    EXPECT_TRUE(killswitch::parseRules(*rules).intent);

    const auto v6 = FirewallManager::firewallRules("2001:db8::5", "UDP");
    ASSERT_TRUE(v6);
    EXPECT_NE(v6->find("\t\tip6 daddr 2001:db8::5 accept"), std::string::npos);

    // No server known: everything but loopback and the tunnel is blocked.
    const auto none = FirewallManager::firewallRules("", "TCP");
    ASSERT_TRUE(none);
    EXPECT_EQ(none->find("daddr"), std::string::npos);

    // Nothing from the caller can break out of the rule it belongs to.
    for (const char* bad : {"198.51.100.2 accept; flush ruleset", "vpn.example.com", "198.51.100.256", " 198.51.100.2"})
        EXPECT_FALSE(FirewallManager::firewallRules(bad, "TCP")) << bad;
    const auto quoted = FirewallManager::firewallRules("198.51.100.2", "TCP\" } flush ruleset {");
    ASSERT_TRUE(quoted);
    EXPECT_TRUE(killswitch::parseRules(*quoted).intent);
}

TEST(FirewallManagerTest, SwitchesTheFilterThroughTheHelperAndAnswersOnItsOwnThread) {
    FakeNftState nft;
    HelperProcess helper(&nft);
    // The helper run by hand goes once its last client has left: one held open keeps it up.
    auto keeper = HelperChannel::connect(helper.socketPath());
    ASSERT_TRUE(keeper);
    FirewallManager manager(configFor(helper.socketPath()));
    std::vector<std::string> log;
    std::mutex logMutex;
    manager.setLogHandler([&](std::string_view l) {
        std::lock_guard lock(logMutex);
        log.emplace_back(l);
    });

    Answer enabled;
    manager.enableFirewall("198.51.100.2", "TCP", enabled.completion());
    const auto [ok, thread] = enabled.future.get();
    EXPECT_TRUE(ok);
    EXPECT_NE(thread, std::this_thread::get_id());
    EXPECT_EQ(nft.lines("table"), *FirewallManager::firewallRules("198.51.100.2", "TCP"));

    Answer any, installed;
    manager.isAnyFirewallEnabled(any.completion());
    manager.isHelperToolInstalled(installed.completion());
    EXPECT_TRUE(any.get());
    EXPECT_TRUE(installed.get());
    EXPECT_TRUE(manager.installHelperTool().value());  // answers: nothing to install

    // Calls run in the order they came: the disable after an enable wins.
    Answer again, disabled, after;
    manager.enableFirewall("198.51.100.3", "UDP", again.completion());
    manager.disableFirewall(disabled.completion());
    manager.isAnyFirewallEnabled(after.completion());
    EXPECT_TRUE(again.get());
    EXPECT_TRUE(disabled.get());
    EXPECT_FALSE(after.get());
    EXPECT_FALSE(nft.tableLoaded());
    std::lock_guard lock(logMutex);
    EXPECT_NE(std::find(log.begin(), log.end(), "connectWithPaths - - - enableFirewall"), log.end());

    // An address that is none is refused before the helper hears of it.
    const auto callsBefore = nft.calls().size();
    Answer refused;
    manager.enableFirewall("not an address", "TCP", refused.completion());
    EXPECT_FALSE(refused.get());
    EXPECT_EQ(nft.calls().size(), callsBefore);
}

TEST(FirewallManagerTest, WithoutAHelperEverythingAnswersFalseAndInstallationReportsHowItWent) {
    test::TempDir dir;
    const std::string missing = (dir.path() / "no-helper.sock").string();
    FirewallManager manager(configFor(missing));
    Answer enabled, disabled, any, installed;
    manager.enableFirewall("198.51.100.2", "TCP", enabled.completion());
    manager.disableFirewall(disabled.completion());
    manager.isAnyFirewallEnabled(any.completion());
    manager.isHelperToolInstalled(installed.completion());
    EXPECT_FALSE(enabled.get());
    EXPECT_FALSE(disabled.get());
    EXPECT_FALSE(any.get());
    EXPECT_FALSE(installed.get());

    // An installation that cannot run is an error; one that fails answers false.
    EXPECT_FALSE(manager.installHelperTool().has_value());
    manager.setConfiguration(configFor(missing, {"false"}));
    EXPECT_EQ(manager.installHelperTool(), false);
    // One that succeeds but leaves no helper behind answers false as well.
    manager.setConfiguration(configFor(missing, {"true"}));
    EXPECT_EQ(manager.installHelperTool(), false);
}
