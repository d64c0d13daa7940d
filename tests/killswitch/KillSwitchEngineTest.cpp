// The kill switch from end to end: the simulated SDK connects, the state listener hands the
// connected address to the firewall manager, and the real helper — its own process, in a network
// namespace of the test's making — loads the table there with nftables; the user's disconnection
// takes it away again.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstdio>

#include "helpertool/HelperTestSupport.h"
#include "foundation/HelperChannel.h"
#include "vpn/EngineTestSupport.h"
#include "zevu/FirewallManager.h"

namespace morvex::test {
namespace {

using namespace std::chrono_literals;

bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::string output(const std::string& command) {
    std::string text;
    if (FILE* p = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        std::array<char, 512> buffer{};
        while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), p)) text.append(buffer.data(), n);
        ::pclose(p);
    }
    return text;
}

class KillSwitchEngineTest : public EngineTest {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "needs root";
        if (!run("command -v ip") || !run("command -v nft")) GTEST_SKIP() << "needs iproute2 and nftables";
        namespace_ = std::make_unique<NetworkNamespace>("mvxe");
        ASSERT_TRUE(namespace_->made());
        EngineTest::SetUp();
        helper_ = std::make_unique<HelperProcess>(nullptr, helperProgram(),
                                                  std::vector<std::string>{"ip", "netns", "exec", namespace_->name()},
                                                  "/usr/sbin/nft");
        // Run by hand, the helper leaves once its last client has gone (systemd would start it
        // again); a connection held open keeps it up between the manager's calls.
        auto keeper = HelperChannel::connect(helper_->socketPath());
        ASSERT_TRUE(keeper) << keeper.error().message << "\n" << helper_->output();
        keeper_.emplace(std::move(*keeper));
        manager_ = std::make_unique<zevu::FirewallManager>(
            zevu::FirewallManager::Configuration{helper_->socketPath(), {"/nonexistent"}, 20s});

        PreservedPreferences().setEnableIKS(true);
        auto listener = Zevu::stateListener();
        ASSERT_TRUE(listener);
        listener->killSwitchDelay = 0.01;
        auto* manager = manager_.get();
        listener->firewall = {[manager](const std::string& ip, const std::string& protocol) {
                                  manager->enableFirewall(ip, protocol, [](bool) {});
                              },
                              [manager] { manager->disableFirewall([](bool) {}); }};
    }
    void TearDown() override {
        if (!namespace_) return;
        if (auto listener = Zevu::stateListener()) listener->firewall = {};
        EngineTest::TearDown();
        manager_.reset();
        keeper_.reset();
        helper_.reset();
        namespace_.reset();
    }
    // The kill switch's table as nft lists it inside the namespace; empty when there is none.
    std::string table() const {
        return output("ip netns exec " + namespace_->name() + " nft list table inet morvexvpn_killswitch");
    }

    std::unique_ptr<NetworkNamespace> namespace_;
    std::unique_ptr<HelperProcess> helper_;
    std::optional<HelperChannel> keeper_;
    std::unique_ptr<zevu::FirewallManager> manager_;
};

TEST_F(KillSwitchEngineTest, TheTableFollowsTheConnectedAddressAndGoesWithTheUsersDisconnection) {
    ASSERT_TRUE(table().empty());
    connectTunnel("DE");
    const auto details = zevu::ZevuManager::sharedInstance()->zevuConnectionDetails();
    ASSERT_TRUE(details && details->serverIp && !details->serverIp->empty());
    const std::string address = *details->serverIp;

    // The connected location arrives a moment after the tunnel, the firewall follows it.
    ASSERT_TRUE(waitUntil([&] { return table().find(address) != std::string::npos; }, 20s)) << table();

    zevu::ZevuManager::sharedInstance()->disconnectVPN();
    ASSERT_TRUE(waitUntil([] { return sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Disconnected); }));
    EXPECT_TRUE(waitUntil([&] { return table().empty(); }, 20s)) << table();
}

}  // namespace
}  // namespace morvex::test
