// The dashboard on the simulated SDK, driven as a user would: the connect button's clicks, the
// panel and the location card following the tunnel through connecting to connected and back, and
// the animation areas' pointer.
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>
#include <thread>

#include "appkit/Application.h"
#include "ui/dashboard/ConnectButtonController.h"
#include "ui/dashboard/ConnectionComponentsController.h"
#include "ui/dashboard/ConnectionLocationController.h"
#include "ui/dashboard/CursorChangingView.h"
#include "ui/dashboard/DashboardViewController.h"
#include "ui/dashboard/DashboardWavesViewController.h"
#include "ui/dashboard/DashboardTestSupport.h"
#include "vpn/EngineTestSupport.h"
#include "flows/MorvexVPNService.h"

namespace morvex {
namespace {

using S = ZevuConnectionState;

class DashboardScreenTest : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        // The screens read the real SDK's status; alerts and links stay recorded.
        AlertServices s = services();
        s.vpn = AlertServices::defaults().vpn;
        s.appManager = &AppManager::shared();
        AlertServices::install(s);
    }

    static S panelTitle(DashboardViewController& d) { return d.connectionPanel()->model().state.value().title; }
};

TEST_F(DashboardScreenTest, AClickConnectsThroughConnectingToConnectedAndAnotherDisconnects) {
    // The catalogue is cached as at launch, so a recommended city can be dialled.
    bool catalogued = false;
    MorvexVPNService::makeZevuDataFetcher().loadCountries({}, [&](auto&&...) { catalogued = true; });
    ASSERT_TRUE(test::waitUntil([&] { return catalogued; }));
    appkit::Application app;
    DashboardViewController dashboard;
    QWidget* view = dashboard.view();
    view->resize(688, 500);
    view->show();
    dashboard.viewWillAppear();
    std::vector<S> titles;
    auto watch = dashboard.connectionPanel()->model().state.observe([&](const ConnectionComponentsModel::PanelState& s) {
        if (titles.empty() || titles.back() != s.title) titles.push_back(s.title);
    }, true);
    auto* button = dashboard.connectButton()->buttonConnect();
    EXPECT_EQ(panelTitle(dashboard), S::Disconnected);
    EXPECT_EQ(dashboard.connectButton()->playingAnimation().rfind("disconnected", 0), 0u);

    // The first start has no recommended location yet: the click asks the SDK for one.
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([] { return AppPreferences().recommendedServer() != nullptr; }));
    EXPECT_EQ(sdkStatus(), zevu::rawValue(zevu::ZevuVPNState::Disconnected));

    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return panelTitle(dashboard) == S::Connected; }));
    EXPECT_EQ(titles, (std::vector<S>{S::Disconnected, S::Connecting, S::Connected}));
    const auto id = AppPreferences().onGoingConnectionId();
    ASSERT_TRUE(id);
    EXPECT_EQ(dashboard.connectButton()->model().playedConnectingForId(), id);
    EXPECT_EQ(dashboard.connectButton()->playingAnimation().rfind("connected", 0), 0u);

    // The card names where the tunnel ended and the counter runs.
    auto* card = dashboard.locationCard();
    ASSERT_TRUE(test::waitUntil([&] { return !card->locationName()->text().isEmpty(); }));
    EXPECT_FALSE(card->ipLabel()->text().isEmpty());
    auto* counter = dashboard.connectionPanel()->connectionTimer();
    EXPECT_TRUE(counter->isVisibleTo(view));
    const QRegularExpression clock("^\\d\\d:\\d\\d:\\d\\d$");
    const QString first = counter->text();
    EXPECT_TRUE(clock.match(first).hasMatch()) << first.toStdString();
    ASSERT_TRUE(test::waitUntil([&] { return counter->text() != first; }));
    EXPECT_FALSE(dashboard.connectionPanel()->lblConnectedProtocol()->text().isEmpty());

    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return panelTitle(dashboard) == S::Disconnected; }));
    ASSERT_TRUE(test::waitUntil([] { return sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Disconnected); }));
    EXPECT_EQ(dashboard.connectButton()->playingAnimation().rfind("disconnected", 0), 0u);
    EXPECT_FALSE(counter->isVisibleTo(view));
    EXPECT_FALSE(AppManager::shared().lastVPNStateConnected);
}

TEST_F(DashboardScreenTest, AStateReportFromTheSdksThreadReachesTheButtonOnTheMainThread) {
    appkit::Application app;
    ConnectButtonController controller;
    controller.view();
    std::thread sdk([] {
        NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, test::report(S::Connected, "9"));
    });
    sdk.join();
    ASSERT_TRUE(test::waitUntil([&] { return controller.playingAnimation().rfind("connected", 0) == 0; }));
    // Other objects than a connection record are ignored (a post on the main thread is handled
    // before it returns).
    const std::string before = controller.playingAnimation();
    NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, std::string("Disconnected"));
    EXPECT_EQ(controller.playingAnimation(), before);
}

TEST_F(DashboardScreenTest, TheAnimationAreasShowThePointingHandAndTheWavesIgnoreTheState) {
    appkit::Application app;
    ConnectButtonController button;
    button.view();
    ASSERT_TRUE(button.animationView());
    EXPECT_EQ(button.animationView()->size(), QSize(200, 200));
    EXPECT_EQ(button.animationView()->cursor().shape(), Qt::PointingHandCursor);

    DashboardWavesViewController waves;
    QWidget* view = waves.view();
    ASSERT_TRUE(waves.animationView());
    EXPECT_EQ(view->size(), QSize(160, 160));
    EXPECT_EQ(waves.animationView()->geometry(), QRect(0, 0, 160, 160));
    EXPECT_EQ(waves.animationView()->cursor().shape(), Qt::PointingHandCursor);
    const bool visible = waves.animationView()->isVisibleTo(view);
    NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, test::report(S::Connected, "1"));
    NotificationCenter::defaultCenter().post(ZevuTypes::sdkInitializedNotification);
    EXPECT_EQ(waves.animationView()->isVisibleTo(view), visible);
    EXPECT_EQ(waves.animationView()->animation(), nullptr);
}

TEST_F(DashboardScreenTest, TheCardsLabelsEndInTheLastLayoutEvenWhileAnEarlierFadeRuns) {
    appkit::Application app;
    ConnectionLocationController card;
    card.view();
    card.model().applyConnectionState(S::Disconnected);  // fades the "recommended" label in
    card.model().applyConnectionState(S::Connecting);    // hides both at once
    ASSERT_TRUE(test::waitForAnimations(card.view()));
    EXPECT_EQ(card.recommendedAlpha(), ConnectionLocationController::ALPHA_HIDDEN);
    EXPECT_EQ(card.ipDurationAlpha(), ConnectionLocationController::ALPHA_HIDDEN);
}

}  // namespace
}  // namespace morvex
