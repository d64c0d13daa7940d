// The connect button's model: what a click does in each SDK status, the connect request it hands
// to the engine, the alerts for the engine's refusals and the animation for each reported state.
#include <gtest/gtest.h>

#include "foundation/NotificationCenter.h"
#include "viewmodels/ConnectButtonModel.h"
#include "ui/dashboard/DashboardTestSupport.h"

namespace morvex {
namespace {

using Type = ZevuDataFetcherTypes::ServerType;

class ConnectButtonModelTest : public test::AlertTest {
protected:
    std::vector<ConnectRequest> requests;
    ConnectErrorHandler lastHandler;
    int recommendedUpdates = 0;
    int gateAsked = 0;
    bool gateAnswer = true;

    std::unique_ptr<ConnectButtonModel> makeModel() {
        ConnectButtonModel::Collaborators c;
        c.services = services();
        c.connect = [this](const ConnectRequest& r, ConnectErrorHandler onError) {
            requests.push_back(r);
            lastHandler = std::move(onError);
        };
        c.updateRecommendedLocation = [this] { ++recommendedUpdates; };
        return std::make_unique<ConnectButtonModel>(std::move(c));
    }
    std::function<bool()> gate() {
        return [this] {
            ++gateAsked;
            return gateAnswer;
        };
    }
};

TEST_F(ConnectButtonModelTest, AClickActsByTheSdkStatusAndAsksTheAccountOnlyBeforeAConnect) {
    test::storeRecommended(test::location("DE", "Germany", Type::Country, "DE"));
    struct Case {
        const char* name;
        int status;
        bool gateAllows;
        ConnectButtonModel::ClickOutcome outcome;
        std::vector<std::string> sdkCalls;
        int gateAsked;
        std::size_t connects;
    };
    const std::vector<Case> cases = {
        {"connecting: nothing at all", test::kSdkConnecting, true, ConnectButtonModel::ClickOutcome::Ignored, {}, 0, 0},
        {"connected: one disconnect", test::kSdkConnected, true, ConnectButtonModel::ClickOutcome::Disconnected,
         {"disconnectVPN"}, 0, 0},
        {"down, gate refuses", test::kSdkDisconnected, false, ConnectButtonModel::ClickOutcome::RefusedByAccount, {}, 1, 0},
        {"down, gate allows", test::kSdkDisconnected, true, ConnectButtonModel::ClickOutcome::ConnectRequested, {}, 1, 1},
        {"invalid status counts as down", 0, true, ConnectButtonModel::ClickOutcome::ConnectRequested, {}, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        requests.clear();
        vpn->calls.clear();
        gateAsked = 0;
        gateAnswer = c.gateAllows;
        vpn->status = c.status;
        appManager.lastVPNStateConnected = true;
        auto model = makeModel();
        EXPECT_EQ(model->connectButtonClicked(gate()), c.outcome);
        EXPECT_EQ(vpn->calls, c.sdkCalls);
        EXPECT_EQ(gateAsked, c.gateAsked);
        EXPECT_EQ(requests.size(), c.connects);
        EXPECT_EQ(appManager.lastVPNStateConnected, c.status != test::kSdkConnected);
        EXPECT_TRUE(presenter->shown.empty());
    }
}

TEST_F(ConnectButtonModelTest, WithoutARecommendedLocationAClickOnlyAsksForOne) {
    int announced = 0;
    auto token = NotificationCenter::defaultCenter().addObserver(ZevuTypes::connectionRequestedNotification,
                                                                  [&](const Notification&) { ++announced; });
    auto model = makeModel();
    EXPECT_EQ(model->connectButtonClicked(gate()), ConnectButtonModel::ClickOutcome::RecommendedRequested);
    EXPECT_EQ(recommendedUpdates, 1);
    EXPECT_TRUE(requests.empty());
    EXPECT_EQ(announced, 0);
}

TEST_F(ConnectButtonModelTest, TheRecommendedLocationIsRequestedAsTheDashboardsRecommendedControl) {
    struct Case {
        Type type;
        ZevuTypes::ConnectVia via;
    };
    const std::vector<Case> cases = {
        {Type::Country, ZevuTypes::ConnectVia::Country},
        {Type::City, ZevuTypes::ConnectVia::City},
        {Type::FastestServer, ZevuTypes::ConnectVia::SmartConnect},
        {Type::DedicatedIp, ZevuTypes::ConnectVia::DedicatedIp},
        {Type::Shortcut, ZevuTypes::ConnectVia::Shortcut},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(rawValue(c.via)));
        requests.clear();
        test::storeRecommended(test::location("7", "Somewhere", c.type, "NL"));
        auto model = makeModel();
        ASSERT_TRUE(model->connectToRecommendedServer());
        ASSERT_EQ(requests.size(), 1u);
        const auto& r = requests.front();
        ASSERT_TRUE(r.server);
        EXPECT_EQ(r.server->id, "7");
        EXPECT_EQ(r.connectVia, c.via);
        EXPECT_EQ(r.selectedInterfaceScreen, ZevuTypes::SelectedInterfaceScreen::Dashboard);
        EXPECT_EQ(r.connectionInitiatedBy, ZevuTypes::ConnectionInitiatedBy::User);
        EXPECT_EQ(r.selectedInterface, ZevuTypes::SelectedInterface::Recommended);
        EXPECT_FALSE(r.allowProtocolFallback);
        EXPECT_TRUE(r.checkBusy);
        EXPECT_EQ(recommendedUpdates, 0);
    }
}

TEST_F(ConnectButtonModelTest, TheEnginesAccountRefusalsShowTheirAlertsAndOtherErrorsNone) {
    struct Case {
        std::optional<int> code;
        std::optional<std::string> titleKey;
        std::optional<std::string> messageKey;
    };
    const std::vector<Case> cases = {
        {998, "alert.title.error", "no.subscription"},
        {701, "user.expire.popup.title", "user.expire.message"},
        {533, "user.disable.popup.title", "user.disable.message"},
        {999, "alert.password.changed.title", "alert.password.changed.message"},
        {700, std::nullopt, std::nullopt},
        {-1001, std::nullopt, std::nullopt},
        {std::nullopt, std::nullopt, std::nullopt},
    };
    test::storeRecommended(test::location("DE", "Germany", Type::Country, "DE"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code ? std::to_string(*c.code) : "no error");
        presenter->shown.clear();
        auto model = makeModel();
        ASSERT_TRUE(model->connectToRecommendedServer());
        ASSERT_TRUE(lastHandler);
        // The error reaches the model through the handler it gave the engine.
        lastHandler(c.code ? std::optional<Error>(Error{"UserStatus", *c.code, "refused", {}}) : std::nullopt);
        if (!c.titleKey) {
            EXPECT_TRUE(presenter->shown.empty());
            continue;
        }
        ASSERT_EQ(presenter->shown.size(), 1u);
        EXPECT_EQ(presenter->last().title, localized(*c.titleKey));
        EXPECT_EQ(presenter->last().message, localized(*c.messageKey));
    }
}

TEST_F(ConnectButtonModelTest, AnErrorArrivingAfterTheModelWentShowsNothing) {
    test::storeRecommended(test::location("DE", "Germany", Type::Country, "DE"));
    auto model = makeModel();
    model->connectToRecommendedServer();
    model.reset();
    lastHandler(Error{"UserStatus", 998, "refused", {}});
    EXPECT_TRUE(presenter->shown.empty());
}

TEST_F(ConnectButtonModelTest, ConnectingAnimatesOncePerConnectionAndConnectedAlwaysRestarts) {
    using S = ZevuConnectionState;
    using A = std::optional<ConnectButtonModel::Animation>;
    const A none;
    const A connecting = ConnectButtonModel::connectingAnimation;
    const A connected = ConnectButtonModel::connectedAnimation;
    const A disconnected = ConnectButtonModel::disconnectedAnimation;
    struct Step {
        S state;
        std::optional<std::string> id;
        A expected;
    };
    const std::vector<Step> steps = {
        // Without identifier after launch, Connecting matches the start and plays nothing.
        {S::Connecting, std::nullopt, none},
        {S::Connecting, std::nullopt, none},
        {S::Connecting, "1", connecting},
        {S::Connecting, "1", none},
        {S::Redialing, "1", none},
        {S::Connecting, "1", none},
        {S::Connected, "1", connected},
        {S::Connected, "1", connected},
        {S::Disconnecting, "1", none},
        {S::UnableToBrowse, "1", none},
        {S::Disconnected, "1", disconnected},
        {S::Connecting, "2", connecting},
        {S::UnableToConnect, "2", disconnected},
        {S::Connecting, "1", connecting},
    };
    auto model = makeModel();
    int index = 0;
    for (const auto& step : steps) {
        SCOPED_TRACE(index++);
        EXPECT_EQ(model->animationFor(step.state, step.id), step.expected);
    }
}

}  // namespace
}  // namespace morvex
