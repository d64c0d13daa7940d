// The sign-out road on the simulated SDK: which statuses ask first, what each answer of the sheet
// does, and what the sign-out clears and keeps.
#include "vpn/EngineTestSupport.h"

#include "foundation/NotificationCenter.h"
#include "state/AppManager.h"
#include "session/UserAuthentication.h"
#include "flows/MorvexVPNService.h"

namespace morvex::test {
namespace {

// An analytics instance that counts the sign-out's calls.
class IdentityTracking : public RecordingTracking {
public:
    int resets = 0;
    int superPropertiesCleared = 0;
    void reset(std::function<void()>) override { ++resets; }
    void clearSuperProperties() override { ++superPropertiesCleared; }
};

class LogoutTest : public EngineTest {
protected:
    std::shared_ptr<IdentityTracking> identity = std::make_shared<IdentityTracking>();
    std::vector<std::string> desktopCalls;
    SessionDesktop previousDesktop;

    void SetUp() override {
        EngineTest::SetUp();
        previousDesktop = SessionDesktop::installed();
        SessionDesktop desktop;
        desktop.closePreferencesWindows = [this] { desktopCalls.push_back("closePreferencesWindows"); };
        desktop.removeDeliveredNotifications = [this] { desktopCalls.push_back("removeDeliveredNotifications"); };
        SessionDesktop::install(desktop);
        AppManager::shared().setAccessToken("access");
        AppManager::shared().lastVPNStateConnected = true;
        // Settings that outlive a sign-out.
        AppPreferences().setOnGoingConnectionId("kept-id");
        PreservedPreferences().setSelectedProtocol(VPNProtocol::UDP);
    }
    void TearDown() override {
        SessionDesktop::install(previousDesktop);
        AppManager::shared().setAccessToken("");
        EngineTest::TearDown();
    }

    void logout() {
        MorvexVPNService::logout(MorvexVPNService::makeZevu(), User(), ErrorSender{},
                                 EventTracker(identity, AppPreferences(), PreservedPreferences()));
    }
    void expectSignedIn() {
        EXPECT_TRUE(User().loggedIn());
        EXPECT_EQ(User().vpnUsername(), "alice");
        EXPECT_EQ(AppManager::shared().accessToken(), "access");
        EXPECT_EQ(identity->resets, 0);
    }
    void expectSignedOut() {
        EXPECT_FALSE(User().loggedIn());
        EXPECT_EQ(User().vpnUsername(), std::nullopt);
        EXPECT_TRUE(AppManager::shared().accessToken().empty());
        EXPECT_EQ(identity->resets, 1);
        EXPECT_EQ(identity->superPropertiesCleared, 1);
        EXPECT_EQ(desktopCalls.back(), "removeDeliveredNotifications");
        EXPECT_EQ(AppPreferences().onGoingConnectionId(), "kept-id");
    }
};

TEST_F(LogoutTest, OnlyATunnelConnectingOrUpAsksFirst) {
    struct Case {
        const char* what;
        std::function<void(LogoutTest&)> arrange;
        int status;
        bool asks;
    };
    const std::vector<Case> cases{
        {"disconnected", [](LogoutTest&) {}, zevu::rawValue(zevu::ZevuVPNState::Disconnected), false},
        {"connecting",
         [](LogoutTest&) {
             zevu::ZevuCountry c;
             c.country = "AT";
             zevu::ZevuManager::sharedInstance()->connectWithProperties(
                 zevu::ZevuProperties::initWithCountry(c, std::nullopt), nullptr, nullptr);
         },
         zevu::rawValue(zevu::ZevuVPNState::Connecting), true},
        {"connected", [](LogoutTest& t) { t.connectTunnel(); }, zevu::rawValue(zevu::ZevuVPNState::Connected), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        zevu::ZevuTestAPI::reset();
        signIn();
        Zevu::configureSDK(User(), MorvexVPNService::makeZevu);
        ASSERT_TRUE(waitUntil([] { return sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Disconnected); }));
        AppManager::shared().setAccessToken("access");
        identity->resets = identity->superPropertiesCleared = 0;
        presenter->shown.clear();
        desktopCalls.clear();
        c.arrange(*this);
        ASSERT_EQ(sdkStatus(), c.status);

        logout();
        ASSERT_FALSE(desktopCalls.empty());
        EXPECT_EQ(desktopCalls.front(), "closePreferencesWindows");  // first, whatever follows
        if (!c.asks) {
            EXPECT_TRUE(presenter->shown.empty());
            expectSignedOut();
            continue;
        }
        ASSERT_EQ(presenter->shown.size(), 1u);
        const Alert& sheet = presenter->last();
        EXPECT_EQ(sheet.window, nullptr);  // the main window
        EXPECT_EQ(sheet.title, localized("logout.connected.alert.title"));
        EXPECT_EQ(sheet.message, localized("logout.connected.alert.message"));
        EXPECT_EQ(sheet.buttons, texts({"logout.connected.alert.primary.button", "logout.connected.alert.secondary.button"}));
        expectSignedIn();  // nothing happens before the answer
    }
}

TEST_F(LogoutTest, TheSecondButtonOnlyLeavesThePreferencesWindowsClosed) {
    connectTunnel();
    logout();
    ASSERT_EQ(presenter->shown.size(), 1u);
    presenter->respond(alertSecondButtonReturn);
    settleWithSdk();
    EXPECT_EQ(desktopCalls, std::vector<std::string>{"closePreferencesWindows"});
    EXPECT_EQ(sdkStatus(), zevu::rawValue(zevu::ZevuVPNState::Connected));
    EXPECT_TRUE(AppManager::shared().lastVPNStateConnected);
    expectSignedIn();
}

TEST_F(LogoutTest, TheFirstButtonDisconnectsAndSignsOutWithoutWaitingForTheTunnel) {
    connectTunnel();
    logout();
    presenter->respond(alertFirstButtonReturn);
    // Signed out at once, while the SDK is still taking the tunnel down.
    expectSignedOut();
    EXPECT_FALSE(AppManager::shared().lastVPNStateConnected);
    // Per-user settings stay under the user's name, for the next sign-in as that user.
    User().setVpnUsername("alice");
    EXPECT_EQ(PreservedPreferences().selectedProtocol(), VPNProtocol::UDP);
    EXPECT_TRUE(waitUntil([] { return sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Disconnected); }));
}

TEST_F(LogoutTest, TheSignOutTellsTheScreensAndForgetsTheSessionThroughItsSignInService) {
    struct CountingAuth : AuthProtocol {
        int forgotten = 0;
        OAuth2CodeGrant& oauth() override { std::abort(); }
        void forgetTokens() override { ++forgotten; }
        void authorize(std::function<void(Result<bool>)>) override {}
        std::string accessToken() const override { return {}; }
        std::string refreshToken() const override { return {}; }
        std::optional<Date> refreshTokenExpiry() const override { return std::nullopt; }
        void saveTokens(const AuthObject&) override {}
        void signOut() override {}
    } auth;
    std::vector<bool> loggedIn;
    auto token = NotificationCenter::defaultCenter().addObserver(UserLoggedInChangedNotification, [&](const Notification& n) {
        if (auto* value = n.objectAs<bool>()) loggedIn.push_back(*value);
    });
    UserAuthentication userAuthentication(Networking::shared(), PreservedPreferences(), User(), AppPreferences(), tracker(),
                                          UserAuthentication::sdkCredentialSink(), ErrorSender{}, &auth);
    MorvexVPNService::forgetSession(User(), userAuthentication, EventTracker(identity, AppPreferences(), PreservedPreferences()));
    EXPECT_EQ(auth.forgotten, 1);
    EXPECT_EQ(loggedIn, std::vector<bool>{false});
    EXPECT_FALSE(User().loggedIn());
    EXPECT_EQ(identity->resets, 1);
}

}  // namespace
}  // namespace morvex::test
