// The SDK's set-up as launch and sign-in run it, and the factories' collaborator sets.
#include "EngineTestSupport.h"

#include "model/BundleInfo.h"
#include "flows/MorvexVPNService.h"

namespace morvex::test {
namespace {

class SetupTest : public AlertTest {
protected:
    void SetUp() override {
        AlertTest::SetUp();
        zevu::ZevuTestAPI::reset();
        zevu::ZevuTestAPI::setTimeScale(0.01);
    }
    void TearDown() override {
        zevu::ZevuTestAPI::reset();
        AlertTest::TearDown();
    }
    static std::shared_ptr<zevu::ZevuManager> manager() { return zevu::ZevuManager::sharedInstance(); }
};

TEST_F(SetupTest, CredentialsAreHandedOverOnlyWhenSignedInWithAPassword) {
    struct Case {
        const char* what;
        bool loggedIn;
        std::optional<std::string> name, password;
        bool credential;
    } cases[] = {
        {"signed out", false, "alice", "secret", false},
        {"no password in the keychain", true, "alice", std::nullopt, false},
        {"no user name", true, std::nullopt, "secret", false},
        {"signed in", true, "alice", "secret", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        zevu::ZevuTestAPI::reset();
        User user;
        user.setLoggedIn(c.loggedIn);
        user.setVpnUsername(c.name);
        user.setVpnPassword(c.password);
        Zevu::configureSDK(user, MorvexVPNService::makeZevu);
        EXPECT_EQ(manager()->zevuCredential().has_value(), c.credential);
        if (c.credential) {
            EXPECT_EQ(manager()->zevuCredential(), zevu::ZevuCredential("alice", "secret"));
        }
        // The rest of the set-up happens either way.
        EXPECT_EQ(manager()->delegate(), Zevu::stateListener());
        const auto excluded = manager()->excludeProtocols();
        ASSERT_EQ(excluded.size(), 1u);
        EXPECT_EQ(excluded[0].protocol(), "TCP");
        const auto config = manager()->configuration();
        EXPECT_TRUE(config.enableVPNLogs && config.persistVPNDetails);
        EXPECT_EQ(config.secretKey.size(), 40u);
        EXPECT_EQ(config.tunnelProviderBundleIdentifier, infoPacketTunnelIdentifier());
        EXPECT_EQ(config.wireGuardTunnelProviderBundleIdentifier, infoWireguardPacketTunnelIdentifier());
        EXPECT_EQ(config.appGroupIdentifier, infoPacketTunnelGroup());
    }
}

TEST_F(SetupTest, ASecondSetUpLeavesOneListenerAndOneReadiness) {
    // Shared with the blocks the SDK's thread queues: one may still be queued when the test ends.
    auto count = std::make_shared<int>(0);
    const int& initialized = *count;
    auto token = NotificationCenter::defaultCenter().addObserver(ZevuTypes::sdkInitializedNotification,
                                                                 [count](const Notification&) {
                                                                     DispatchQueue::main().async([count] { ++*count; });
                                                                 });
    Zevu::configureSDK(User(), MorvexVPNService::makeZevu);
    ASSERT_TRUE(waitUntil([&] { return initialized == 1; }));
    std::weak_ptr<StateListener> first = Zevu::stateListener();

    Zevu::configureSDK(User(), MorvexVPNService::makeZevu);  // as after sign-in
    ASSERT_TRUE(waitUntil([&] { return initialized == 2; }));
    settleWithSdk();
    EXPECT_EQ(initialized, 2);  // once for each configuration, never twice for one
    auto second = Zevu::stateListener();
    EXPECT_TRUE(first.expired());
    EXPECT_EQ(manager()->delegate(), second);
    EXPECT_EQ(zevu::ExtensionManager::shared().delegate(), second);
}

TEST_F(SetupTest, TheStateHookPostsConnectingForTwoAndTwelveOnly) {
    AppPreferences().setOnGoingConnectionId("attempt-1");
    Zevu::configureSDK(User(), MorvexVPNService::makeZevu);
    std::vector<ZevuTypes::ConnectionInfo> posted;
    auto token = NotificationCenter::defaultCenter().addObserver(
        ZevuTypes::stateNotification, [&](const Notification& n) {
            if (auto info = n.objectAs<ZevuTypes::ConnectionInfo>()) posted.push_back(*info);
        });
    auto listener = Zevu::stateListener();
    for (int state : {0, 1, 2, 3, 5, 12}) listener->stateChanged(state);
    ASSERT_EQ(posted.size(), 2u);
    for (const auto& info : posted) {
        EXPECT_EQ(info.state, ZevuConnectionState::Connecting);
        EXPECT_EQ(info.connectionId, "attempt-1");
    }
}

TEST_F(SetupTest, TheTrafficHookPostsRunningTotalsFromCumulativeCounters) {
    std::vector<Zevu::DataTransmission> posted;
    auto token = NotificationCenter::defaultCenter().addObserver(
        ZevuTypes::transmittedPacketsNotification, [&](const Notification& n) {
            if (auto t = n.objectAs<Zevu::DataTransmission>()) posted.push_back(*t);
        });
    Zevu::postTransmittedPackets(0, 0);          // a zero sample re-bases whatever came before
    Zevu::postTransmittedPackets(1000, 500);     // the first sample after it only re-bases
    Zevu::postTransmittedPackets(1500, 700);     // +500, +200
    Zevu::postTransmittedPackets(1400, 900);     // received restarted: +0; sent +200
    Zevu::postTransmittedPackets(std::nullopt, 950);  // an absent counter is 0: +0, +50
    ASSERT_EQ(posted.size(), 5u);
    // A new base adds nothing and keeps the totals so far.
    EXPECT_EQ(posted[1].bitsIn, posted[0].bitsIn);
    EXPECT_EQ(posted[1].bitsOut, posted[0].bitsOut);
    EXPECT_EQ(posted[3].bitsIn, posted[2].bitsIn);
    EXPECT_EQ(posted[3].bitsOut - posted[2].bitsOut, 200u);
    EXPECT_EQ(posted[4].bitsIn, posted[3].bitsIn);
    EXPECT_EQ(posted[4].bitsOut - posted[3].bitsOut, 50u);
    // The zero sample left behind re-bases the next one; the totals run on after it.
    Zevu::postTransmittedPackets(100, 100);
    Zevu::postTransmittedPackets(150, 130);
    ASSERT_EQ(posted.size(), 7u);
    EXPECT_EQ(posted[5].bitsIn, posted[4].bitsIn);
    EXPECT_EQ(posted[6].bitsIn, posted[4].bitsIn + 50);
    EXPECT_EQ(posted[6].bitsOut, posted[4].bitsOut + 30);
}

TEST_F(SetupTest, FactoriesBuildObjectsThatSeeTheSameState) {
    // Made before the SDK is set up, as the launch does: the shared manager is already there.
    auto a = MorvexVPNService::makeZevu();
    ASSERT_NE(a.zevuManager, nullptr);
    Zevu::configureSDK(User(), MorvexVPNService::makeZevu);
    auto b = MorvexVPNService::makeZevu();
    EXPECT_EQ(a.zevuManager, b.zevuManager);
    a.appPreference.setOnGoingConnectionId("from-a");
    EXPECT_EQ(b.appPreference.onGoingConnectionId(), "from-a");
    EXPECT_EQ(a.currentConnectionInfo().connectionId, "from-a");

    // A per-user store made before sign-in reads the keys of whoever is signed in when it is used.
    PreservedPreferences early = b.preservedPreferences;
    User().setVpnUsername("bob");
    MorvexVPNService::makeZevu().preservedPreferences.setEnableIKS(true);
    EXPECT_TRUE(early.enableIKS());
    User().setVpnUsername("carol");
    EXPECT_FALSE(early.enableIKS());
}

}  // namespace
}  // namespace morvex::test
