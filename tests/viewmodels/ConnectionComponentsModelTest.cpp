// The connection panel's model: what it shows per state, the bars it raises and their buttons,
// reconnecting when the network returns, the counter and the protocol line, and its actions.
#include <gtest/gtest.h>

#include "viewmodels/MainTab.h"
#include "foundation/NotificationCenter.h"
#include "viewmodels/ConnectionComponentsModel.h"
#include "viewmodels/ConnectionLocationModel.h"
#include "ui/dashboard/DashboardTestSupport.h"

namespace morvex {
namespace {

using Type = ZevuDataFetcherTypes::ServerType;
using S = ZevuConnectionState;
using Bar = ConnectionComponentsModel::Bar;

class ConnectionComponentsModelTest : public test::AlertTest {
protected:
    std::vector<Bar> bars;
    int hides = 0;
    int recommendedConnects = 0;
    int dismissals = 0;
    bool gateAnswer = true;
    bool firewallOn = false;
    std::optional<Date> since;
    Date now{2'000'000};
    ZevuTypes::ConnectionInfo current;
    std::vector<ConnectionLocationModel::LocationCompletion> locationRequests;
    std::shared_ptr<ConnectionLocationModel> card;

    std::unique_ptr<ConnectionComponentsModel> makeModel(bool withCard = false) {
        ConnectionComponentsModel::Collaborators c;
        c.services = services();
        c.eventTracker = tracker();
        c.connectionInfo = [this] { return current; };
        c.connectedSince = [this] { return since; };
        c.now = [this] { return now; };
        c.firewallEnabled = [this](std::function<void(bool)> answer) { answer(firewallOn); };
        c.connectToRecommendedServer = [this] { ++recommendedConnects; };
        c.accountGate = [this] { return gateAnswer; };
        c.showBar = [this](const Bar& bar) { bars.push_back(bar); };
        c.hideBar = [this] { ++hides; };
        c.dismissPresented = [this] { ++dismissals; };
        c.savedLocations = SavedLocations(PreservedPreferences(), AppPreferences(), tracker());
        if (withCard) {
            ConnectionLocationModel::Collaborators l;
            l.vpn = vpn;
            l.fetchConnectedLocation = [this](ConnectionLocationModel::LocationCompletion done) {
                locationRequests.push_back(done);
            };
            card = std::make_shared<ConnectionLocationModel>(std::move(l));
            c.location = card;
        }
        return std::make_unique<ConnectionComponentsModel>(std::move(c));
    }
};

TEST_F(ConnectionComponentsModelTest, AFailedAttemptRaisesTheUnableToConnectBarUnlessTheSdkEndedItSilently) {
    struct Case {
        std::int64_t code;
        std::optional<std::string> action;
        bool bar;
        bool troubleshootViewed;
    };
    const std::vector<Case> cases = {
        {5028, std::nullopt, false, false},
        {5001, std::nullopt, true, true},
        {5001, "troubleshoot", true, true},
        {5013, "show-advance-screen", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + " " + c.action.value_or("-"));
        bars.clear();
        analytics->tracked.clear();
        auto model = makeModel();
        UserInfo info{{"reason", Value(std::string("timeout"))}};
        model->zevuStateDidChange(test::report(S::UnableToConnect, "1", test::failure(c.code, c.action)), info);
        EXPECT_EQ(model->state.value().title, S::Disconnected);
        ASSERT_EQ(bars.size(), c.bar ? 1u : 0u);
        if (c.bar) {
            EXPECT_EQ(bars[0].id, "UtcNotification");
            EXPECT_EQ(bars[0].title, localized("cannot.connect"));
            EXPECT_EQ(bars[0].message, localized("error." + std::to_string(c.code)));
            EXPECT_EQ(bars[0].primaryButtonTitle, "Troubleshoot");
            EXPECT_EQ(bars[0].secondaryButtonTitle, "Dismiss");
            EXPECT_TRUE(bars[0].closeable);
            EXPECT_FALSE(bars[0].isFromExpire);
            const auto shown = event("app_view_topbar");
            EXPECT_EQ(shown.at("message"), Value(bars[0].title + " " + bars[0].message));
            EXPECT_EQ(shown.at("persistent"), Value(true));
        }
        const auto names = eventNames();
        const bool viewed = std::ranges::find(names, "app_view_troubleshoot") != names.end();
        EXPECT_EQ(viewed, c.troubleshootViewed);
        if (viewed) {
            const auto p = event("app_view_troubleshoot");
            EXPECT_EQ(p.at("vpn_state"), Value(std::string("disconnected")));
            EXPECT_EQ(p.at("is_timeout"), Value(false));
            EXPECT_EQ(p.at("reason"), Value(std::string("timeout")));
        }
    }
}

TEST_F(ConnectionComponentsModelTest, AFailureWithTheKillSwitchFirewallUpShowsItsAlertExceptOnWireGuard) {
    firewallOn = true;
    auto model = makeModel();
    model->zevuStateDidChange(test::report(S::UnableToConnect, "1", test::failure(5001)), {});
    ASSERT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(presenter->last().title, localized("alert.iks.UTC.title"));

    presenter->shown.clear();
    PreservedPreferences().setSelectedProtocol(VPNProtocol::WireGuard);
    model->zevuStateDidChange(test::report(S::UnableToConnect, "2", test::failure(5001)), {});
    EXPECT_TRUE(presenter->shown.empty());
}

TEST_F(ConnectionComponentsModelTest, NoInternetRaisesItsBarUnlessConnectingAndItsReturnReconnectsOnce) {
    auto model = makeModel();
    vpn->status = test::kSdkConnecting;
    model->networkReachabilityChanged(false);
    EXPECT_TRUE(bars.empty());

    vpn->status = test::kSdkConnected;
    AppPreferences().setOnGoingConnectionId("old");
    model->zevuStateDidChange(test::report(S::Connected, "old"), {});
    EXPECT_TRUE(appManager.lastVPNStateConnected);
    model->networkReachabilityChanged(false);
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_EQ(bars[0].id, "NoInternetBar");
    EXPECT_EQ(bars[0].message, localized("no.internet"));
    EXPECT_TRUE(vpn->calls.empty());

    const int hidesBefore = hides;
    model->networkReachabilityChanged(true);
    model->networkReachabilityChanged(true);  // the tunnel's own interface coming up
    EXPECT_EQ(vpn->calls, (std::vector<std::string>{"checkConnectivity(false)", "reconnectVPN"}));
    EXPECT_GT(hides, hidesBefore);
    const auto id = AppPreferences().onGoingConnectionId();
    ASSERT_TRUE(id);
    EXPECT_NE(*id, "old");
}

TEST_F(ConnectionComponentsModelTest, TheNetworkReturningAfterTheUserDisconnectedDoesNotReconnect) {
    auto model = makeModel();
    vpn->status = test::kSdkConnected;
    model->zevuStateDidChange(test::report(S::Connected, "1"), {});
    model->recommendedLocationClicked();  // disconnects
    vpn->status = test::kSdkDisconnected;
    model->networkReachabilityChanged(false);
    model->networkReachabilityChanged(true);
    EXPECT_EQ(vpn->calls, (std::vector<std::string>{"disconnectVPN"}));
}

TEST_F(ConnectionComponentsModelTest, TheCounterAndProtocolLineFollowTheLiveConnection) {
    current.selectedProtocol = "IKEV";
    auto model = makeModel();
    vpn->status = test::kSdkConnected;
    model->zevuStateDidChange(test::report(S::Connected, "1"), {});
    auto s = model->state.value();
    EXPECT_TRUE(s.counterVisible);
    EXPECT_EQ(s.counterText, "00:00:00");
    EXPECT_EQ(s.protocolText, "IKEv2");
    EXPECT_TRUE(model->isTimerRunning());

    since = Date{now.secondsSince1970 - 3723};
    current.dialedProtocol = "IPSEC";
    model->zevuStateDidChange(test::report(S::Connected, "1"), {});
    s = model->state.value();
    EXPECT_EQ(s.counterText, "01:02:03");
    EXPECT_EQ(s.protocolText, "IPSec");
    EXPECT_EQ(s.statusKey, "disconnect");

    model->zevuStateDidChange(test::report(S::Disconnected, "1"), {});
    EXPECT_FALSE(model->isTimerRunning());
    EXPECT_FALSE(model->state.value().counterVisible);
    EXPECT_EQ(model->state.value().statusKey, "connect");
}

TEST_F(ConnectionComponentsModelTest, ConnectingShowsTheRequestedLocationOncePerConnection) {
    auto model = makeModel();
    AppPreferences().setOnGoingConnectionId("7");
    auto dedicated = test::location("d1", "My IP", Type::DedicatedIp, "US");
    dedicated->ip = "203.0.113.9";
    model->connectionRequested(dedicated);
    model->zevuStateDidChange(test::report(S::Connecting, "7"), {});
    auto s = model->state.value();
    EXPECT_EQ(s.title, S::Connecting);
    EXPECT_TRUE(s.cancelVisible);
    EXPECT_FALSE(s.bottomVisible);
    EXPECT_EQ(s.quickConnectName, "203.0.113.9");
    EXPECT_EQ(s.quickConnectFlag, "us");
    EXPECT_TRUE(s.recentlyConnectedVisible);
    EXPECT_EQ(s.recentlyConnectedName, "My IP, US");

    // The same connection again rebuilds nothing, even with another request noted.
    model->connectionRequested(test::location("FR", "France", Type::Country, "FR"));
    model->zevuStateDidChange(test::report(S::Connecting, "7"), {});
    EXPECT_EQ(model->state.value().quickConnectName, "203.0.113.9");
}

TEST_F(ConnectionComponentsModelTest, ConnectedTwiceForOneConnectionLoadsItsLocationOnce) {
    auto model = makeModel(true);
    vpn->status = test::kSdkConnected;
    AppPreferences().setOnGoingConnectionId("1");
    model->zevuStateDidChange(test::report(S::Connected, "1"), {});
    card->applyConnectionState(S::Connected);
    model->zevuStateDidChange(test::report(S::Connected, "1"), {});
    ASSERT_EQ(locationRequests.size(), 1u);
    locationRequests[0](ZevuTypes::ConnectedInfo{"Berlin, DE", "DE", "198.51.100.7"});
    ASSERT_TRUE(test::waitUntil([&] { return model->state.value().recentlyConnectedName == "Berlin, DE"; }));
    EXPECT_EQ(model->state.value().quickConnectFlag, "de");
    model->zevuStateDidChange(test::report(S::Connected, "1"), {});
    EXPECT_EQ(locationRequests.size(), 1u);
    AppPreferences().setOnGoingConnectionId("2");
    model->zevuStateDidChange(test::report(S::Connected, "2"), {});
    EXPECT_EQ(locationRequests.size(), 2u);
}

TEST_F(ConnectionComponentsModelTest, TheRecommendedActionCancelsDisconnectsOrConnectsThroughTheGate) {
    struct Case {
        const char* name;
        int status;
        bool gate;
        std::vector<std::string> calls;
        int connects;
    };
    const std::vector<Case> cases = {
        {"connecting cancels", test::kSdkConnecting, true, {"cancelVPN"}, 0},
        {"connected disconnects", test::kSdkConnected, true, {"disconnectVPN"}, 0},
        {"down connects", test::kSdkDisconnected, true, {}, 1},
        {"down, refused account", test::kSdkDisconnected, false, {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        vpn->calls.clear();
        recommendedConnects = 0;
        vpn->status = c.status;
        gateAnswer = c.gate;
        auto model = makeModel();
        model->recommendedLocationClicked();
        EXPECT_EQ(vpn->calls, c.calls);
        EXPECT_EQ(recommendedConnects, c.connects);
    }
}

TEST_F(ConnectionComponentsModelTest, TheQuickConnectRowOpensTheLocationListOnlyWhileNoTunnelIsUp) {
    std::vector<MainTab> asked;
    auto token = NotificationCenter::defaultCenter().addObserver(kAppShowControllerNotification, [&](const Notification& n) {
        if (const auto* tab = n.objectAs<MainTab>()) asked.push_back(*tab);
    });
    auto model = makeModel();
    for (int status : {test::kSdkConnecting, test::kSdkConnected}) {
        vpn->status = status;
        model->showLocationScreen();
    }
    EXPECT_TRUE(asked.empty());
    vpn->status = test::kSdkDisconnected;
    model->showLocationScreen();
    EXPECT_EQ(asked, (std::vector<MainTab>{MainTab::Locations}));
}

TEST_F(ConnectionComponentsModelTest, WithNoRecommendedLocationTheQuickConnectRowIsEmpty) {
    auto model = makeModel();
    model->viewWillAppear();
    const auto s = model->state.value();
    EXPECT_EQ(s.quickConnectName, "");
    EXPECT_EQ(s.quickConnectFlag, "");
    EXPECT_TRUE(s.fastestVisible);
    EXPECT_EQ(s.statusKey, "connect");
}

TEST_F(ConnectionComponentsModelTest, TheBarsButtonsSendTheirEventsAndActions) {
    auto model = makeModel();
    model->zevuStateDidChange(test::report(S::UnableToConnect, "1", test::failure(5001)),
                              UserInfo{{"reason", Value(std::string("x"))}});
    ASSERT_EQ(bars.size(), 1u);
    const Bar utc = bars[0];

    // The bar hears the press and tells the panel through the notice's delegate.
    analytics->tracked.clear();
    const auto delegate = utc.delegate.lock();
    ASSERT_TRUE(delegate);
    delegate->notificationBarButtonClicked(NotificationBarAction::secondary, utc);
    EXPECT_EQ(eventNames(), (std::vector<std::string>{"app_click_topbar_secondary_cta", "app_cancel_troubleshoot"}));
    EXPECT_EQ(event("app_click_topbar_secondary_cta").at("title"), Value(std::string("Dismiss")));
    EXPECT_EQ(event("app_cancel_troubleshoot").at("source"), Value(std::string("topbar")));
    EXPECT_EQ(event("app_cancel_troubleshoot").at("reason"), Value(std::string("x")));

    // With no stored record the help centre is the support link the primary button opens.
    analytics->tracked.clear();
    appManager.lastVPNStateConnected = true;
    model->notificationBarAction(ConnectionComponentsModel::BarControl::primary, utc);
    EXPECT_EQ(vpn->calls, (std::vector<std::string>{"cancelVPN"}));
    EXPECT_FALSE(appManager.lastVPNStateConnected);
    EXPECT_EQ(eventNames(), (std::vector<std::string>{"app_click_topbar_primary_cta", "app_start_troubleshoot"}));
    EXPECT_EQ(event("app_start_troubleshoot").at("action"), Value(std::string("support")));
    EXPECT_EQ(opened, (std::vector<std::string>{AppError::makeFallback(-408).url.value()}));

    // The expired bar: renew opens the renewal page, the secondary does nothing.
    analytics->tracked.clear();
    opened.clear();
    const Bar expired = model->expiredBar();
    model->notificationBarAction(ConnectionComponentsModel::BarControl::secondary, expired);
    EXPECT_TRUE(analytics->tracked.empty());
    EXPECT_TRUE(opened.empty());
    model->notificationBarAction(ConnectionComponentsModel::BarControl::primary, expired);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0].starts_with("https://morvexvpn.com/us/en/home/renewal?"));
    model->notificationBarAction(ConnectionComponentsModel::BarControl::close, expired);
    EXPECT_EQ(event("app_click_close_topbar").at("message"), Value(" " + expired.message));
}

TEST_F(ConnectionComponentsModelTest, AnExpiredAccountRaisesItsBarWhenThePanelAppears) {
    User().setStatus(User::Status::Expired);
    auto model = makeModel();
    model->viewWillAppear();
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_EQ(bars[0].id, "UserExpiredNotification");
    EXPECT_TRUE(bars[0].isFromExpire);
    // In the user's language, like every other bar.
    EXPECT_EQ(bars[0].message, localized("user.subscription.expired.message"));
    EXPECT_EQ(bars[0].primaryButtonTitle, localized("renew.now"));
    // Its title is empty, so the event's message begins with a space.
    EXPECT_EQ(event("app_view_topbar").at("message"), Value(" " + bars[0].message));
}

}  // namespace
}  // namespace morvex
