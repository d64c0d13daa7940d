// The dashboard's frame driven as a user would, offscreen: the bottom pane's tiles and cancel
// pane, the refer-a-friend banner, the state pages and the details card's
// slide.
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "viewmodels/MainTab.h"
#include "appkit/Application.h"
#include "ui/dashboard/ConnectionDetailAnimationSegue.h"
#include "ui/dashboard/ConnectionDetailController.h"
#include "ui/dashboard/ConnectionComponentsController.h"
#include "ui/dashboard/DashboardPanes.h"
#include "ui/dashboard/DashboardViewController.h"
#include "ui/dashboard/DashboardTestSupport.h"
#include "appkit/Window.h"
#include "ui/kit/CustomButtons.h"
#include "ui/kit/PopupManager.h"

namespace morvex {
namespace {

using State = ZevuConnectionState;
using Type = ZevuDataFetcherTypes::ServerType;
using Component = ConnectionBottomModel::SegueComponents;

// A component that records being shown.
class Tile : public appkit::ViewController {
public:
    explicit Tile(Component c) : component(c) {}
    Component component;
};

class DashboardPanesScreenTest : public test::AlertTest {
protected:
    void post(State state, std::optional<std::string> id = std::nullopt) {
        NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, test::report(state, std::move(id)));
    }
    std::unique_ptr<ConnectionBottomController> bottomPane() {
        auto pane = std::make_unique<ConnectionBottomController>([](Component c) { return new Tile(c); }, vpn);
        pane->view();
        return pane;
    }
    static Component shownComponent(ConnectionBottomController& pane) {
        auto* tile = dynamic_cast<Tile*>(pane.shown());
        return tile ? tile->component : Component::None;
    }
};

TEST_F(DashboardPanesScreenTest, TheBottomPaneFollowsTheStateAndOpensTheCancelPaneOncePerAttempt) {
    vpn->status = test::kSdkDisconnected;
    auto pane = bottomPane();
    EXPECT_EQ(shownComponent(*pane), Component::segueDashboardFirst) << "no recents yet";

    post(State::Connecting, "a1");
    post(State::Connecting, "a1");
    post(State::Redialing, "a1");
    EXPECT_EQ(shownComponent(*pane), Component::segueCancel);
    EXPECT_EQ(pane->performed(Component::segueCancel), 1);

    post(State::Connected, "a1");
    EXPECT_EQ(pane->shown(), nullptr);
    EXPECT_EQ(pane->segueToPerform(), Component::None);

    PreservedPreferences().setRecents(ZevuDataFetcherTypes::ServerList{test::location("fr", "France", Type::Country, "FR")});
    post(State::Disconnected, "a1");
    EXPECT_EQ(shownComponent(*pane), Component::segueRecent);
    post(State::Connecting, "a2");
    EXPECT_EQ(pane->performed(Component::segueCancel), 2) << "a new attempt opens it again";

    NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, std::string("not a report"));
    EXPECT_EQ(shownComponent(*pane), Component::segueCancel);
}

TEST_F(DashboardPanesScreenTest, SdkReadyWhileConnectingLeavesThePaneAsItIs) {
    vpn->status = test::kSdkConnecting;
    auto pane = bottomPane();
    EXPECT_EQ(shownComponent(*pane), Component::segueCancel);
    NotificationCenter::defaultCenter().post(ZevuTypes::sdkInitializedNotification);
    EXPECT_EQ(shownComponent(*pane), Component::segueCancel);
    vpn->status = test::kSdkConnected;
    NotificationCenter::defaultCenter().post(ZevuTypes::sdkInitializedNotification);
    EXPECT_EQ(pane->shown(), nullptr);
}

TEST_F(DashboardPanesScreenTest, TheRecentTileShowsTheFirstRecentAndAClickDialsIt) {
    PreservedPreferences().setRecents(ZevuDataFetcherTypes::ServerList{
        test::location("de-ber", "Berlin", Type::City, "DE"), test::location("fr", "France", Type::Country, "FR")});
    std::vector<ConnectRequest> requests;
    DashboardRecentModel::Collaborators c;
    c.services = services();
    c.connect = [&](const ConnectRequest& r, ConnectErrorHandler) { requests.push_back(r); };
    DashboardRecentController tile(std::move(c));
    int gate = 0;
    tile.accountGate = [&] { return ++gate, true; };
    tile.view()->resize(300, 80);
    tile.view()->show();
    tile.viewWillAppear();
    EXPECT_EQ(tile.cell()->lblTitle()->text(), QStringLiteral("Berlin, DE"));
    EXPECT_FALSE(tile.cell()->p2pTag()->isVisible());
    QTest::mouseClick(tile.tile(), Qt::LeftButton);
    EXPECT_EQ(gate, 1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].server->id, "de-ber");
    EXPECT_EQ(requests[0].selectedInterface, ZevuTypes::SelectedInterface::Recent);
}

TEST_F(DashboardPanesScreenTest, TheRecommendedTileFollowsTheStoredRecommendationAndAClickConnectsIt) {
    std::vector<ConnectRequest> requests;
    DashboardRecentModel::Collaborators c;
    c.services = services();
    c.connect = [&](const ConnectRequest& r, ConnectErrorHandler) { requests.push_back(r); };
    DashboardFirstController tile(std::move(c));
    int refreshes = 0;
    tile.beforeAppearing = [&] { ++refreshes; };
    int gate = 0;
    tile.accountGate = [&] { return ++gate, true; };
    tile.view()->resize(300, 80);
    tile.view()->show();
    tile.viewWillAppear();
    EXPECT_EQ(refreshes, 1);
    EXPECT_EQ(tile.cell()->lblTitle()->text(), QString::fromStdString(localized("recommended")));
    QTest::mouseClick(tile.tile(), Qt::LeftButton);
    EXPECT_EQ(gate, 1);
    EXPECT_TRUE(requests.empty()) << "nothing recommended, nothing dialled";

    // The engine's answer is posted after it is stored; the tile shows it without appearing again.
    test::storeRecommended(test::location("nl", "Netherlands", Type::Country, "NL"));
    NotificationCenter::defaultCenter().post(ZevuTypes::recommendedServerUpdatedNotification);
    EXPECT_EQ(tile.cell()->lblTitle()->text(), QStringLiteral("Netherlands"));
    QTest::mouseClick(tile.tile(), Qt::LeftButton);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].server->id, "nl");
    EXPECT_EQ(requests[0].selectedInterface, ZevuTypes::SelectedInterface::Recent);
}

TEST_F(DashboardPanesScreenTest, ClearedPreferencesEmptyTheRecentTileSoItDialsNothingItDoesNotShow) {
    PreservedPreferences().setRecents(
        ZevuDataFetcherTypes::ServerList{test::location("de-ber", "Berlin", Type::City, "DE")});
    std::vector<ConnectRequest> requests;
    DashboardRecentModel::Collaborators c;
    c.services = services();
    c.connect = [&](const ConnectRequest& r, ConnectErrorHandler) { requests.push_back(r); };
    DashboardRecentController tile(std::move(c));
    tile.accountGate = [] { return true; };
    tile.view()->show();
    tile.viewWillAppear();
    ASSERT_EQ(tile.cell()->lblTitle()->text(), QStringLiteral("Berlin, DE"));
    PreservedPreferences().setRecents(std::nullopt);
    NotificationCenter::defaultCenter().post(PreservedPreferences::preferencesRefreshedNotification);
    EXPECT_EQ(tile.cell()->lblTitle()->text(), QString());
    QTest::mouseClick(tile.tile(), Qt::LeftButton);
    EXPECT_TRUE(requests.empty());
}

TEST_F(DashboardPanesScreenTest, CancellingWhileTheFirewallIsUpShowsTheCancelAlertInsteadOfCancelling) {
    std::function<void(bool)> answer;
    DashboardCancelModel::Collaborators c;
    c.services = services();
    c.isAnyFirewallEnabled = [&](std::function<void(bool)> done) { answer = std::move(done); };
    DashboardCancelController pane(std::move(c));
    pane.view()->show();
    QTest::mouseClick(pane.cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(pane.cancelButton()->isEnabled());
    ASSERT_TRUE(answer);
    answer(true);
    EXPECT_TRUE(pane.cancelButton()->isEnabled());
    EXPECT_TRUE(vpn->calls.empty());
    ASSERT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(presenter->last().title, localized("alert.vpn.cancel.title"));
}

TEST_F(DashboardPanesScreenTest, TheBannerHidesWhileConnectingReportsEachAppearanceAndOpensTheReferPage) {
    ReferAFriendMessageController banner(tracker());
    banner.view()->resize(600, 24);
    banner.view()->show();
    std::vector<std::optional<MainTab>> asked;
    auto token = NotificationCenter::defaultCenter().addObserver(
        kAppShowControllerNotification, [&](const Notification& n) { asked.push_back(mainTabFromObject(n.object)); });

    banner.viewWillAppear();
    banner.viewWillAppear();
    EXPECT_EQ(analytics->count("app_view_notification"), 2) << "one per appearance";

    post(State::Connecting);
    EXPECT_FALSE(banner.messageLabel()->isVisible());
    post(State::Connected);
    EXPECT_TRUE(banner.messageLabel()->isVisible());
    NotificationCenter::defaultCenter().post(ReferAFriendMessageController::connectionDetailOpenNotification, true);
    EXPECT_FALSE(banner.messageLabel()->isVisible());
    NotificationCenter::defaultCenter().post(ReferAFriendMessageController::connectionDetailOpenNotification, std::string("yes"));
    EXPECT_FALSE(banner.messageLabel()->isVisible()) << "a non-Boolean object changes nothing";
    NotificationCenter::defaultCenter().post(ReferAFriendMessageController::connectionDetailOpenNotification, false);
    ASSERT_TRUE(banner.messageLabel()->isVisible());

    QTest::mouseClick(banner.messageLabel(), Qt::LeftButton);
    EXPECT_EQ(analytics->count("app_click_notification"), 1);
    EXPECT_EQ(asked, (std::vector<std::optional<MainTab>>{MainTab::ReferFriend}));
    EXPECT_EQ(rawValue(MainTab::ReferFriend), 5);
}

TEST_F(DashboardPanesScreenTest, StateViewsGoBackToTheConnectionPageWhenAnAttemptStarts) {
    ConnectionStateViewController states(nullptr, nullptr);
    states.view();
    NotificationCenter::defaultCenter().post(ConnectionStateViewController::requestTroubleshootNotification, Dictionary{});
    EXPECT_EQ(states.selectedTabViewItemIndex(), 1) << "shown also without its properties";
    EXPECT_FALSE(states.troubleshootProperties());
    post(State::Connecting);
    EXPECT_EQ(states.selectedTabViewItemIndex(), 0);
    NotificationCenter::defaultCenter().post(ConnectionStateViewController::passwordChangedNotification, false);
    EXPECT_TRUE(presenter->shown.empty());
    NotificationCenter::defaultCenter().post(ConnectionStateViewController::passwordChangedNotification, true);
    EXPECT_EQ(presenter->shown.size(), 1u);
}

TEST_F(DashboardPanesScreenTest, OpeningTheInfoCardSlidesTheDetailsInAndHidesTheBanner) {
    appkit::Application app;
    DashboardViewController dashboard;
    dashboard.view()->resize(688, 500);
    dashboard.view()->show();
    dashboard.viewWillAppear();
    ASSERT_TRUE(dashboard.referBanner()->messageLabel()->isVisible());
    auto& panel = dashboard.connectionPanel()->model();

    panel.toggleInfoCard();
    ASSERT_NE(dashboard.connectionDetail(), nullptr);
    EXPECT_FALSE(dashboard.referBanner()->messageLabel()->isVisible());
    QPointer<ConnectionDetailController> card(dashboard.connectionDetail());
    QTest::mouseClick(card->buttonArrow(), Qt::LeftButton);
    EXPECT_FALSE(panel.state.value().infoCardOpen);
    EXPECT_TRUE(dashboard.referBanner()->messageLabel()->isVisible());
    ASSERT_TRUE(test::waitUntil([&] { return card.isNull(); })) << "the dismissed card leaves nothing behind";
}

// ---- the details card's slide ----

class SlideHost : public appkit::ViewController {
public:
    explicit SlideHost(int subviews) : subviews_(subviews) {}
    void loadView() override {
        auto* view = new QWidget;
        view->resize(600, 400);
        for (int i = 0; i < subviews_; ++i) {
            auto* w = new QWidget(view);
            w->setObjectName(QStringLiteral("sub%1").arg(i));
        }
        setView(view);
    }

private:
    int subviews_;
};

class Card : public appkit::ViewController {
public:
    void loadView() override {
        auto* view = new QWidget;
        view->resize(200, 120);
        setView(view);
    }
};

std::vector<QString> stacking(QWidget* host) {
    std::vector<QString> names;
    for (QObject* child : host->children())
        if (auto* w = qobject_cast<QWidget*>(child)) names.push_back(w->objectName().isEmpty() ? QStringLiteral("card") : w->objectName());
    return names;
}

TEST_F(DashboardPanesScreenTest, TheCardSlidesUpCentredUnderTheLastThreeSubviewsOrOnTopWithFewer) {
    struct Case {
        int subviews;
        std::vector<QString> order;
    };
    const std::vector<Case> cases = {
        {0, {"card"}},
        {2, {"sub0", "sub1", "card"}},
        {4, {"sub0", "card", "sub1", "sub2", "sub3"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.subviews);
        SlideHost host(c.subviews);
        host.view()->show();
        auto* card = new Card;
        ConnectionDetailAnimationSegue(&host, card).perform();
        EXPECT_EQ(card->parent(), &host);
        EXPECT_EQ(stacking(host.view()), c.order);
        ASSERT_TRUE(test::waitUntil([&] { return card->view()->geometry() == QRect(200, 280, 200, 120); }))
            << "ends centred on the bottom edge";
        QPointer<Card> gone(card);
        dismissViewController(*card);
        ASSERT_TRUE(test::waitUntil([&] { return gone.isNull(); }));
        EXPECT_EQ(stacking(host.view()).size(), static_cast<std::size_t>(c.subviews)) << "no view left behind";
    }
}

TEST_F(DashboardPanesScreenTest, TheDetailsCardShowsTrafficAndOffersARetryOnlyAfterATransportFailure) {
    ConnectionDetailModel::PortForwardingCompletion pending;
    ConnectionDetailModel::Collaborators c;
    User user;
    user.setIsUserNotMigratedToFA(false);
    c.user = user;
    c.eventTracker = tracker();
    c.requestPortForwarding = [&](const nlohmann::json&, auto done) { pending = std::move(done); };
    ConnectionDetailController card(std::move(c));
    card.view()->show();
    ASSERT_TRUE(pending);
    pending(std::unexpected(Error("NSURLErrorDomain", -1001, "timed out")));
    EXPECT_TRUE(card.retryButton()->isVisible());
    QTest::mouseClick(card.retryButton(), Qt::LeftButton);
    EXPECT_EQ(analytics->count("app_click_retry_firewall_policies"), 1);
    EXPECT_FALSE(card.retryButton()->isVisible()) << "hidden while loading";

    NotificationCenter::defaultCenter().post(ZevuTypes::transmittedPacketsNotification, ZevuTypes::DataTransmission{1'234'567, 2048});
    EXPECT_EQ(card.dataInLabel()->text(), QStringLiteral("1.18 MB"));
    EXPECT_EQ(card.dataOutLabel()->text(), QStringLiteral("2 KB"));

    std::vector<std::optional<MainTab>> asked;
    auto token = NotificationCenter::defaultCenter().addObserver(
        kAppShowControllerNotification, [&](const Notification& n) { asked.push_back(mainTabFromObject(n.object)); });
    QTest::mouseClick(card.preferencesButton(), Qt::LeftButton);
    EXPECT_EQ(asked, (std::vector<std::optional<MainTab>>{MainTab::Prefences}));
}

}  // namespace
}  // namespace morvex
