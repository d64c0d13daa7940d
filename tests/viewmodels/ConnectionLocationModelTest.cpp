// The location card's model: which location it shows, one connected-location request per
// connection, answers that come late or from the SDK's thread, and the favourite star.
#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

#include "state/PreservedPreferences.h"
#include "viewmodels/ConnectionLocationModel.h"
#include "ui/dashboard/DashboardTestSupport.h"

namespace morvex {
namespace {

using Type = ZevuDataFetcherTypes::ServerType;
using S = ZevuConnectionState;

class ConnectionLocationModelTest : public test::AlertTest {
protected:
    std::vector<ConnectionLocationModel::LocationCompletion> pending;
    std::optional<Date> since;
    Date now{1'000'000};

    std::unique_ptr<ConnectionLocationModel> makeModel() {
        ConnectionLocationModel::Collaborators c;
        c.vpn = vpn;
        c.fetchConnectedLocation = [this](ConnectionLocationModel::LocationCompletion done) { pending.push_back(done); };
        c.connectedSince = [this] { return since; };
        c.now = [this] { return now; };
        c.bpc = SavedLocations(PreservedPreferences(), AppPreferences(), tracker());
        return std::make_unique<ConnectionLocationModel>(std::move(c));
    }
    static ZevuTypes::ConnectedInfo where(std::string name, std::string code, std::string ip) {
        return {std::move(name), std::move(code), std::move(ip)};
    }
    static void connection(std::string id) { AppPreferences().setOnGoingConnectionId(std::move(id)); }
};

TEST_F(ConnectionLocationModelTest, WithNothingStoredTheCardIsEmptyWithTheHoveredStar) {
    auto model = makeModel();
    model->applyConnectionState(S::Disconnected);
    EXPECT_EQ(model->location.value(), nullptr);
    EXPECT_EQ(model->buttonFavoriteImage.value(), "LocationsFavoriteUnfilledHovered");
    EXPECT_EQ(model->layout.value(), ConnectionLocationModel::Layout::Disconnected);
    // Clicking the star with nothing shown only refreshes the image.
    model->favoriteButtonClicked();
    EXPECT_TRUE(PreservedPreferences().favorites().empty());
    EXPECT_EQ(model->buttonFavoriteImage.value(), "LocationsFavoriteUnfilledHovered");
}

TEST_F(ConnectionLocationModelTest, TheConnectedLocationIsAskedForOncePerConnection) {
    vpn->status = test::kSdkConnected;
    connection("A");
    auto model = makeModel();
    model->applyConnectionState(S::Connected);
    model->applyConnectionState(S::Connected);  // while the request runs
    ASSERT_EQ(pending.size(), 1u);
    EXPECT_TRUE(model->loadingLocation.value());
    EXPECT_EQ(model->location.value(), nullptr);

    pending[0](where("Berlin, DE", "DE", "198.51.100.7"));
    ASSERT_TRUE(test::waitUntil([&] { return !model->loadingLocation.value(); }));
    ASSERT_TRUE(model->location.value());
    EXPECT_EQ(model->location.value()->name, "Berlin, DE");
    EXPECT_EQ(model->location.value()->code, "DE");
    EXPECT_EQ(model->ip.value(), "198.51.100.7");
    EXPECT_EQ(model->locationLoadedForId(), "A");

    model->applyConnectionState(S::Connected);  // the same connection again
    EXPECT_EQ(pending.size(), 1u);
    connection("B");
    model->applyConnectionState(S::Connected);
    EXPECT_EQ(pending.size(), 2u);
}

TEST_F(ConnectionLocationModelTest, AFailedOrIncompleteAnswerLeavesTheCardEmptyAndTheNextConnectedAsksAgain) {
    vpn->status = test::kSdkConnected;
    connection("A");
    auto model = makeModel();
    model->ip = std::string("203.0.113.1");
    model->applyConnectionState(S::Connected);
    pending[0](std::unexpected(Error("MorvexVPNErrorDomain", 4010)));
    ASSERT_TRUE(test::waitUntil([&] { return !model->loadingLocation.value(); }));
    EXPECT_EQ(model->location.value(), nullptr);
    EXPECT_EQ(model->ip.value(), "203.0.113.1");
    model->applyConnectionState(S::Connected);
    ASSERT_EQ(pending.size(), 2u);
    pending[1](ZevuTypes::ConnectedInfo{"Berlin, DE", std::nullopt, "198.51.100.7"});
    ASSERT_TRUE(test::waitUntil([&] { return !model->loadingLocation.value(); }));
    EXPECT_EQ(model->location.value(), nullptr);
    EXPECT_FALSE(model->locationLoadedForId());
}

TEST_F(ConnectionLocationModelTest, ALateAnswerForAnEarlierConnectionChangesNothingAndTheNewOneIsAskedFor) {
    vpn->status = test::kSdkConnected;
    connection("A");
    auto model = makeModel();
    model->applyConnectionState(S::Connected);
    // The tunnel is replaced while the first answer is still on its way.
    connection("B");
    model->applyConnectionState(S::Connected);
    ASSERT_EQ(pending.size(), 1u);

    pending[0](where("Paris, FR", "FR", "192.0.2.10"));
    ASSERT_TRUE(test::waitUntil([&] { return pending.size() == 2u; }));
    EXPECT_EQ(model->location.value(), nullptr);
    EXPECT_FALSE(model->ip.value());
    EXPECT_NE(model->locationLoadedForId(), "B");

    pending[1](where("Berlin, DE", "DE", "198.51.100.7"));
    ASSERT_TRUE(test::waitUntil([&] { return model->location.value() != nullptr; }));
    EXPECT_EQ(model->location.value()->name, "Berlin, DE");
    EXPECT_EQ(model->locationLoadedForId(), "B");
}

TEST_F(ConnectionLocationModelTest, AnAnswerFromTheSdksThreadIsAppliedOnTheMainThread) {
    vpn->status = test::kSdkConnected;
    connection("A");
    auto model = makeModel();
    QThread* appliedOn = nullptr;
    auto watch = model->location.observe([&](const ConnectionLocationModel::ServerPtr&) { appliedOn = QThread::currentThread(); });
    model->applyConnectionState(S::Connected);
    appliedOn = nullptr;
    std::thread sdk([&] { pending[0](where("Berlin, DE", "DE", "198.51.100.7")); });
    sdk.join();
    ASSERT_TRUE(test::waitUntil([&] { return appliedOn != nullptr; }));
    EXPECT_EQ(appliedOn, QCoreApplication::instance()->thread());
}

TEST_F(ConnectionLocationModelTest, TheCardFollowsTheStateWithItsLayoutLocationAndTime) {
    const auto recommended = test::location("NL", "Netherlands", Type::Country, "NL");
    const auto dialled = test::location("DE", "Germany", Type::Country, "DE");
    test::storeRecommended(recommended);
    AppPreferences().setLastConnection(AppPreferences::LastConnection{ZevuTypes::SelectedInterface::Recommended,
                                                                      ZevuTypes::ConnectVia::Country,
                                                                      ZevuTypes::SelectedInterfaceScreen::Dashboard,
                                                                      ZevuTypes::ConnectionInitiatedBy::User,
                                                                      dialled, "", false, false});
    auto model = makeModel();
    model->applyConnectionState(S::Disconnected);
    ASSERT_TRUE(model->location.value());
    EXPECT_EQ(model->location.value()->id, "NL");

    vpn->status = test::kSdkConnecting;
    model->applyConnectionState(S::Connecting);
    EXPECT_EQ(model->location.value()->id, "DE");
    EXPECT_EQ(model->layout.value(), ConnectionLocationModel::Layout::Connecting);

    vpn->status = test::kSdkConnected;
    since = Date{now.secondsSince1970 - 65};
    model->applyConnectionState(S::Connected);
    EXPECT_EQ(model->connectedTime.value(), "00:01:05");
    EXPECT_TRUE(model->isTimerRunning());
    EXPECT_EQ(model->layout.value(), ConnectionLocationModel::Layout::Connected);

    // A redial leaves everything as it was.
    const auto before = model->location.value();
    model->applyConnectionState(S::Redialing);
    EXPECT_EQ(model->location.value(), before);
    EXPECT_TRUE(model->isTimerRunning());
    EXPECT_EQ(model->layout.value(), ConnectionLocationModel::Layout::Connected);

    vpn->status = test::kSdkDisconnected;
    model->applyConnectionState(S::UnableToConnect);
    EXPECT_FALSE(model->isTimerRunning());
    EXPECT_FALSE(model->ip.value());
    EXPECT_EQ(model->location.value()->id, "NL");
}

TEST_F(ConnectionLocationModelTest, TheStarAddsAndRemovesTheShownLocation) {
    const auto recommended = test::location("NL", "Netherlands", Type::Country, "NL");
    test::storeRecommended(recommended);
    auto model = makeModel();
    model->favoriteButtonClicked();
    ASSERT_EQ(PreservedPreferences().favorites().size(), 1u);
    EXPECT_EQ(PreservedPreferences().favorites().front()->id, "NL");
    EXPECT_EQ(model->buttonFavoriteImage.value(), "LocationsFavoriteFilled");
    model->favoriteButtonClicked();
    EXPECT_TRUE(PreservedPreferences().favorites().empty());
    EXPECT_EQ(model->buttonFavoriteImage.value(), "LocationsFavoriteUnfilledHovered");
}

}  // namespace
}  // namespace morvex
