// The small models that frame the dashboard: desktop notifications of the state pages, the bottom
// pane's component and cancel button, and the refer-a-friend banner.
#include <gtest/gtest.h>

#include "viewmodels/DashboardPaneModels.h"
#include "ui/dashboard/DashboardTestSupport.h"

namespace morvex {
namespace {

using State = ZevuConnectionState;
using Type = ZevuDataFetcherTypes::ServerType;
using Component = ConnectionBottomModel::SegueComponents;

class DashboardPaneModelsTest : public test::AlertTest {};

TEST_F(DashboardPaneModelsTest, NotificationsFollowTheUsersSettingAndSkipACancelledAttempt) {
    struct Case {
        const char* name;
        State state;
        bool allowed;
        bool cancelled;
        std::optional<std::string> body;
    };
    const auto up = localized("zevu.connected-notification.message");
    const auto down = localized("zevu.disconnected-notification.message");
    const std::vector<Case> cases = {
        {"connected", State::Connected, true, false, up},
        {"connected, notifications off", State::Connected, false, false, std::nullopt},
        {"disconnected", State::Disconnected, true, false, down},
        {"disconnected after a cancel", State::Disconnected, true, true, std::nullopt},
        {"disconnected, notifications off", State::Disconnected, false, false, std::nullopt},
        {"redialing", State::Redialing, true, false, std::nullopt},
        {"unable to connect", State::UnableToConnect, true, false, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PreservedPreferences prefs;
        prefs.setAllowVPNNotifications(c.allowed);
        auto info = test::report(c.state);
        info.cancelled = c.cancelled;
        const auto reaction = ConnectionStateModel(prefs).reactTo(info);
        EXPECT_EQ(reaction.notification, c.body);
        EXPECT_FALSE(reaction.page);
    }
    EXPECT_EQ(ConnectionStateModel().reactTo(test::report(State::Connecting)).page, ConnectionStateModel::Page::Connection);
}

TEST_F(DashboardPaneModelsTest, TheBottomPaneShowsTheRecommendedTileUntilThereIsARecent) {
    PreservedPreferences prefs;
    ConnectionBottomModel model(prefs);
    EXPECT_EQ(model.componentFor(State::Disconnected), Component::segueDashboardFirst);
    EXPECT_EQ(model.componentFor(State::UnableToConnect), Component::segueDashboardFirst);
    prefs.setRecents(ZevuDataFetcherTypes::ServerList{test::location("de", "Germany", Type::Country, "DE")});
    EXPECT_EQ(model.componentFor(State::Disconnected), Component::segueRecent);
    EXPECT_EQ(model.componentFor(State::Connected), Component::None);
    EXPECT_EQ(model.componentFor(State::UnableToBrowse), Component::None);
    EXPECT_EQ(model.componentForStatus(test::kSdkConnecting), Component::segueCancel);
    EXPECT_EQ(model.componentForStatus(0), Component::segueRecent) << "an unknown status counts as down";
    EXPECT_EQ(ConnectionBottomModel::fromRaw("segueCancel"), Component::segueCancel);
    EXPECT_EQ(ConnectionBottomModel::fromRaw("segueNowhere"), std::nullopt);
}

TEST_F(DashboardPaneModelsTest, TheCancelPaneOpensOncePerAttempt) {
    ConnectionBottomModel model;
    EXPECT_EQ(model.componentForReport(test::report(State::Connecting, "a1")), Component::segueCancel);
    EXPECT_EQ(model.componentForReport(test::report(State::Connecting, "a1")), std::nullopt);
    EXPECT_EQ(model.componentForReport(test::report(State::Redialing, "a1")), std::nullopt);
    EXPECT_EQ(model.componentForReport(test::report(State::Connected, "a1")), Component::None);
    EXPECT_EQ(model.componentForReport(test::report(State::Disconnecting, "a1")), std::nullopt)
        << "the same identifier is still the same attempt";
    EXPECT_EQ(model.componentForReport(test::report(State::Connecting, "a2")), Component::segueCancel);
    EXPECT_EQ(model.cancelReceivedForID(), std::optional<std::string>("a2"));

    ConnectionBottomModel fresh;
    EXPECT_EQ(fresh.componentForReport(test::report(State::Connecting)), std::nullopt)
        << "an absent identifier equals the absent one the pane starts with";
}

TEST_F(DashboardPaneModelsTest, CancellingWithAnActiveFirewallAsksFirstOtherwiseCancelsAtOnce) {
    for (bool firewall : {true, false}) {
        SCOPED_TRACE(firewall);
        vpn->calls.clear();
        presenter->shown.clear();
        appManager.lastVPNStateConnected = true;
        std::function<void(bool)> answer;
        DashboardCancelModel::Collaborators c;
        c.services = services();
        c.isAnyFirewallEnabled = [&](std::function<void(bool)> done) { answer = std::move(done); };
        DashboardCancelModel model(std::move(c));
        std::vector<bool> enabled;
        model.cancelConnectionClicked([&](bool e) { enabled.push_back(e); });
        EXPECT_EQ(enabled, std::vector<bool>{false}) << "disabled until the firewall question is answered";
        EXPECT_TRUE(vpn->calls.empty());
        answer(firewall);
        EXPECT_EQ(enabled, (std::vector<bool>{false, true}));
        if (firewall) {
            EXPECT_TRUE(vpn->calls.empty());
            ASSERT_EQ(presenter->shown.size(), 1u);
            EXPECT_EQ(presenter->last().title, localized("alert.vpn.cancel.title"));
            EXPECT_TRUE(appManager.lastVPNStateConnected);
        } else {
            EXPECT_EQ(vpn->calls, std::vector<std::string>{"cancelVPN"});
            EXPECT_TRUE(presenter->shown.empty());
            EXPECT_FALSE(appManager.lastVPNStateConnected);
        }
    }
}

TEST_F(DashboardPaneModelsTest, TheBannerHidesWhileConnectingAndWhileTheDetailsAreOpen) {
    ReferAFriendMessageModel banner(tracker());
    EXPECT_FALSE(banner.hide);
    banner.applyState(State::Connecting);
    EXPECT_TRUE(banner.hide);
    banner.applyState(State::Redialing);
    EXPECT_TRUE(banner.hide) << "redialing keeps what the previous state left";
    banner.applyState(State::Connected);
    EXPECT_FALSE(banner.hide);
    banner.applyDetailOpen(true);
    EXPECT_TRUE(banner.hide);
    banner.applyState(State::Disconnecting);
    EXPECT_TRUE(banner.hide);
    banner.applyDetailOpen(false);
    EXPECT_FALSE(banner.hide);
}

TEST_F(DashboardPaneModelsTest, TheBannersImpressionAndClickAreReportedAsInAppNotificationEvents) {
    ReferAFriendMessageModel banner(tracker());
    banner.viewWillAppear();
    banner.messageClicked();
    ASSERT_EQ(eventNames(), (std::vector<std::string>{"app_view_notification", "app_click_notification"}));
    const std::string cta = localized("dashboard.refer.a.friend.button.text");
    const Dictionary seen = event("app_view_notification");
    EXPECT_EQ(seen.at("body"), Value(localized("dashboard.refer.a.friend.message") + " " + cta));
    EXPECT_EQ(seen.at("cta_primary_title"), Value(cta));
    EXPECT_EQ(seen.at("cta_primary_destination"), Value("refer-a-friend"));
    EXPECT_EQ(seen.count("category"), 0u);
    const Dictionary clicked = event("app_click_notification");
    EXPECT_EQ(clicked.at("category"), Value(""));
    EXPECT_EQ(clicked.at("type"), Value("banner"));
    EXPECT_EQ(clicked.at("origin"), Value("local"));
}

}  // namespace
}  // namespace morvex
