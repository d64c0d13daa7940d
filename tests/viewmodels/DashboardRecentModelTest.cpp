// Dialling a stored location again from the dashboard's tiles: the request handed to the engine,
// the dedicated IP's protocol and session checks, and the alerts for the engine's refusals.
#include <gtest/gtest.h>

#include "viewmodels/DashboardRecentModel.h"
#include "ui/dashboard/DashboardTestSupport.h"

namespace morvex {
namespace {

using Type = ZevuDataFetcherTypes::ServerType;

class DashboardRecentModelTest : public test::AlertTest {
protected:
    std::vector<ConnectRequest> requests;
    ConnectErrorHandler lastHandler;
    std::vector<std::string> statusAsked;
    std::function<void(DashboardRecentModel::DedicatedStatusAnswer)> statusAnswer;
    std::function<void(Result<bool>)> killAnswer;
    std::vector<std::string> logLines;

    std::unique_ptr<DashboardRecentModel> makeModel() {
        DashboardRecentModel::Collaborators c;
        c.services = services();
        c.connect = [this](const ConnectRequest& r, ConnectErrorHandler onError) {
            requests.push_back(r);
            lastHandler = std::move(onError);
        };
        c.dedicatedIPStatus = [this](const std::string& ip, auto done) {
            statusAsked.push_back(ip);
            statusAnswer = std::move(done);
        };
        c.killDedicatedSession = [this](auto done) { killAnswer = std::move(done); };
        c.log = [this](const std::string& line) { logLines.push_back(line); };
        return std::make_unique<DashboardRecentModel>(std::move(c));
    }
    ZevuDataFetcherTypes::ServerPtr dedicated() {
        auto s = test::location("dip-1", "Frankfurt Dedicated", Type::DedicatedIp, "DE");
        s->ip = "192.0.2.10";
        return s;
    }
};

TEST_F(DashboardRecentModelTest, ALocationGoesToTheEngineAsTheRecentControlFromItsScreen) {
    struct Case {
        Type type;
        ZevuTypes::ConnectVia via;
        ZevuTypes::SelectedInterfaceScreen screen;
    };
    using Via = ZevuTypes::ConnectVia;
    using Screen = ZevuTypes::SelectedInterfaceScreen;
    for (const auto& c : std::vector<Case>{{Type::City, Via::City, Screen::Dashboard},
                                           {Type::Country, Via::Country, Screen::Dashboard},
                                           {Type::FastestServer, Via::SmartConnect, Screen::Dashboard},
                                           {Type::DedicatedIp, Via::DedicatedIp, Screen::Location}}) {
        requests.clear();
        makeModel()->connect(test::location("x", "X", c.type, "DE"));
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].connectVia, c.via);
        EXPECT_EQ(requests[0].selectedInterfaceScreen, c.screen);
        EXPECT_EQ(requests[0].selectedInterface, ZevuTypes::SelectedInterface::Recent);
        EXPECT_EQ(requests[0].connectionInitiatedBy, ZevuTypes::ConnectionInitiatedBy::User);
        EXPECT_TRUE(requests[0].checkBusy);
    }
}

TEST_F(DashboardRecentModelTest, ADedicatedIPOverWireGuardShowsTheProtocolAlertBeforeAnyRequest) {
    PreservedPreferences prefs;
    prefs.setAutomaticProtocol(false);
    prefs.setSelectedProtocol(VPNProtocol::WireGuard);
    auto model = makeModel();
    model->dial(dedicated());
    ASSERT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(presenter->last().title, localized("alert.dedicated.protocol.not.supported.title"));
    EXPECT_TRUE(statusAsked.empty()) << "nothing is asked before the user goes on";
    EXPECT_TRUE(requests.empty());

    presenter->press(0);  // go on anyway
    EXPECT_EQ(statusAsked, std::vector<std::string>{"192.0.2.10"});
    statusAnswer(std::optional<bool>(false));
    EXPECT_EQ(requests.size(), 1u);
}

TEST_F(DashboardRecentModelTest, OverAProtocolThatReachesDedicatedIPsTheSessionIsCheckedAtOnce) {
    PreservedPreferences prefs;
    prefs.setAutomaticProtocol(false);
    prefs.setSelectedProtocol(VPNProtocol::IKEv2);
    auto model = makeModel();
    model->dial(dedicated());
    EXPECT_TRUE(presenter->shown.empty());
    ASSERT_EQ(statusAsked.size(), 1u);
    statusAnswer(std::optional<bool>());  // the service did not say
    EXPECT_EQ(requests.size(), 1u);
}

TEST_F(DashboardRecentModelTest, AnIPInUseWarnsAndAFailedKillStillDials) {
    auto model = makeModel();
    model->dial(dedicated());
    ASSERT_TRUE(statusAnswer);
    statusAnswer(std::optional<bool>(true));
    ASSERT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(presenter->last().title, localized("ip.in.use"));
    EXPECT_TRUE(requests.empty()) << "nothing is dialled while the warning is up";

    presenter->press(0);  // kill the other session
    ASSERT_TRUE(killAnswer);
    killAnswer(std::unexpected(Error("MorvexVPNError", 500, "gateway down")));
    EXPECT_EQ(requests.size(), 1u);
    ASSERT_EQ(logLines.size(), 1u);
    EXPECT_EQ(logLines[0].rfind("Errror: ", 0), 0u) << logLines[0];
}

TEST_F(DashboardRecentModelTest, AFailedStatusRequestEndsTheClickSilently) {
    auto model = makeModel();
    model->dial(dedicated());
    statusAnswer(std::unexpected(Error("NSURLErrorDomain", -1009, "offline")));
    EXPECT_TRUE(requests.empty());
    EXPECT_TRUE(presenter->shown.empty());
}

TEST_F(DashboardRecentModelTest, TheEnginesRefusalsBecomeAlerts) {
    auto model = makeModel();
    auto city = test::location("de-fra", "Frankfurt", Type::City, "DE");
    model->connect(city);
    ASSERT_TRUE(lastHandler);

    lastHandler(Error("MorvexVPNError", -1002));
    ASSERT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(presenter->last().title, localized("coc.same.location.alert.title"));
    const Dictionary named = event("app_view_already_connected_popup");
    EXPECT_EQ(named.at("selected_location"), Value("Frankfurt"));
    EXPECT_EQ(named.at("selected_interface_screen"), Value("Dashboard"));
    EXPECT_EQ(named.at("selected_interface"), Value("Recent"));

    lastHandler(Error("MorvexVPNError", -1001));
    EXPECT_EQ(presenter->last().title, localized("coc.alert.title"));
    lastHandler(Error("MorvexVPNError", 998));
    EXPECT_EQ(presenter->shown.size(), 3u);
    lastHandler(Error("MorvexVPNError", 12));
    lastHandler(std::nullopt);
    EXPECT_EQ(presenter->shown.size(), 3u) << "other codes and no error show nothing";
}

}  // namespace
}  // namespace morvex
