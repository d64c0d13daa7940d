// "Connect to the recommended location, else fetch it", the one path behind the connect button,
// the status menu and the notification list.
#include <gtest/gtest.h>

#include "alerts/AlertTestSupport.h"
#include "alerts/ConnectRequest.h"
#include "state/StoredServers.h"

using namespace morvex;
using namespace morvex::test;

namespace {

using Via = ZevuTypes::ConnectVia;
using Screen = ZevuTypes::SelectedInterfaceScreen;
using ServerType = ZevuDataFetcherTypes::ServerType;

class RecommendedConnectTest : public TempConfigTest {
protected:
    std::vector<ConnectRequest> connects;
    ConnectErrorHandler handed;
    int fetches = 0;
    std::vector<std::optional<Error>> reported;
    // What the SDK answers a fetch with; none is a failed fetch, which leaves nothing stored.
    ZevuDataFetcherTypes::ServerPtr fetchAnswer;

    static void store(const ZevuDataFetcherTypes::ServerPtr& s) {
        UserDefaults defaults = AppPreferences().defaults();
        setEncodedServer(defaults, s, AppPreferences::Key::recommendedServer);
    }
    bool request(Screen screen = Screen::Dashboard) {
        return connectToRecommendedLocation(
            AppPreferences(), screen,
            [this](const ConnectRequest& r, ConnectErrorHandler onError) {
                connects.push_back(r);
                handed = std::move(onError);
            },
            [this](const std::optional<Error>& e) { reported.push_back(e); },
            [this] {
                ++fetches;
                store(fetchAnswer);
            });
    }
};

}  // namespace

TEST_F(RecommendedConnectTest, AStoredLocationIsDialledAsTheCallersRecommendedControl) {
    struct Case {
        ServerType type;
        Via via;
        Screen screen;
    };
    const std::vector<Case> cases = {
        {ServerType::Country, Via::Country, Screen::Dashboard},
        {ServerType::City, Via::City, Screen::Topbar},
        {ServerType::FastestServer, Via::SmartConnect, Screen::Dashboard},
        {ServerType::DedicatedIp, Via::DedicatedIp, Screen::Topbar},
        {ServerType::Shortcut, Via::Shortcut, Screen::Dashboard},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(rawValue(c.via)));
        connects.clear();
        reported.clear();
        store(server("7", "Somewhere", c.type));
        EXPECT_TRUE(request(c.screen));
        EXPECT_EQ(fetches, 0);
        ASSERT_EQ(connects.size(), 1u);
        const auto& r = connects.front();
        ASSERT_TRUE(r.server);
        EXPECT_EQ(r.server->id, "7");
        EXPECT_EQ(r.connectVia, c.via);
        EXPECT_EQ(r.selectedInterfaceScreen, c.screen);
        EXPECT_EQ(r.connectionInitiatedBy, ZevuTypes::ConnectionInitiatedBy::User);
        EXPECT_EQ(r.selectedInterface, ZevuTypes::SelectedInterface::Recommended);
        EXPECT_FALSE(r.allowProtocolFallback);
        EXPECT_TRUE(r.checkBusy);
        // The engine's error reaches the caller's handler.
        ASSERT_TRUE(handed);
        handed(Error{"UserStatus", 998, "refused", {}});
        ASSERT_EQ(reported.size(), 1u);
        EXPECT_EQ(reported.front()->code, 998);
    }
}

TEST_F(RecommendedConnectTest, WithoutOneItIsFetchedAndTheNextRequestDialsWhatTheFetchStored) {
    fetchAnswer = server("12", "Frankfurt", ServerType::City);
    EXPECT_FALSE(request());
    EXPECT_EQ(fetches, 1);
    EXPECT_TRUE(connects.empty());

    EXPECT_TRUE(request());
    EXPECT_EQ(fetches, 1);
    ASSERT_EQ(connects.size(), 1u);
    EXPECT_EQ(connects.front().server->id, "12");
    EXPECT_EQ(connects.front().connectVia, Via::City);
}

TEST_F(RecommendedConnectTest, AFailedFetchDialsNothingAndTheNextRequestAsksAgain) {
    EXPECT_FALSE(request());
    EXPECT_FALSE(request());
    EXPECT_EQ(fetches, 2);
    EXPECT_TRUE(connects.empty());
    EXPECT_TRUE(reported.empty());
}

TEST_F(RecommendedConnectTest, AStoredValueThatNoLongerReadsCountsAsNoneAndIsFetchedAgain) {
    AppPreferences().defaults().set(Value(std::string("not a server")), AppPreferences::Key::recommendedServer);
    EXPECT_FALSE(request());
    EXPECT_EQ(fetches, 1);
    EXPECT_TRUE(connects.empty());
}
