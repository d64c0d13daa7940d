// The status-bar menu: its icon by VPN state, the click menu and its connect toggle, the pages
// and links it opens, bringing the application forward, the popover's model, and the menu
// options (update check, support link, core set-up).
#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>
#include <thread>

#include "alerts/AlertTestSupport.h"
#include "viewmodels/MainTab.h"
#include "app/StatusMenu.h"
#include "app/StatusMenuOptionsHandler.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "foundation/NotificationCenter.h"
#include "model/WebLink.h"
#include "session/UserAuthentication.h"
#include "state/StoredServers.h"
#include "vpn/AppError.h"
#include "flows/MorvexVPNService.h"

namespace morvex {
namespace {

constexpr int kConnecting = 2, kConnected = 3;

ZevuTypes::ConnectionInfo stateInfo(ZevuConnectionState state, std::optional<std::int64_t> errorCode = std::nullopt) {
    ZevuTypes::ConnectionInfo info;
    info.state = state;
    if (errorCode) {
        auto error = std::make_shared<AppError>();
        error->code = *errorCode;
        info.error = error;
    }
    return info;
}

class StatusMenuTest : public test::AlertTest {
protected:
    void SetUp() override {
        AlertTest::SetUp();
        User().setVpnUsername("vpn-user");
    }
    std::unique_ptr<StatusMenu> make() {
        StatusMenu::Hooks hooks;
        hooks.connect = [this](const ConnectRequest& request, ConnectErrorHandler) { connects.push_back(request); };
        hooks.fetchRecommended = [this] { ++recommendedFetches; };
        hooks.accountStatusCheck = [this] {
            ++gateRuns;
            return gateAllows;
        };
        return std::make_unique<StatusMenu>(AppPreferences(), MorvexVPNService::makeZevu(), hooks);
    }
    // The click menu's titles, as a left click opens it.
    std::vector<std::string> clickMenu(StatusMenu& menu) {
        menu.statusItem().click();
        std::vector<std::string> titles;
        if (QMenu* open = menu.statusItem().openMenu())
            for (QAction* action : open->actions()) titles.push_back(action->text().toStdString());
        return titles;
    }
    void choose(StatusMenu& menu, int index) {
        QMenu* open = menu.statusItem().openMenu();
        ASSERT_NE(open, nullptr) << "no menu is open";
        open->actions().at(index)->trigger();
        open->close();
    }

    appkit::Application app;
    std::vector<ConnectRequest> connects;
    int recommendedFetches = 0;
    int gateRuns = 0;
    bool gateAllows = true;
};

TEST_F(StatusMenuTest, TheMenusFirstEntryFollowsTheStatusAtTheClickAndTogglesTheConnection) {
    auto menu = make();
    const std::string connect = localized("status.menu.connect"), disconnect = localized("status.menu.disconnect");
    ASSERT_NE(connect, disconnect);

    struct Case {
        int status;
        std::string title;
        std::vector<std::string> calls;
    };
    const std::vector<Case> cases = {
        {kConnecting, disconnect, {"cancelVPN"}},
        {kConnected, disconnect, {"disconnectVPN"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        vpn->calls.clear();
        vpn->status = c.status;
        appManager.lastVPNStateConnected = true;
        const auto titles = clickMenu(*menu);
        ASSERT_EQ(titles.size(), 3u);
        EXPECT_EQ(titles[0], c.title);
        EXPECT_EQ(titles[1], localized("status.menu.open.app"));
        EXPECT_EQ(titles[2], localized("status.menu.quit.app"));
        choose(*menu, 0);
        EXPECT_EQ(vpn->calls, c.calls);
        EXPECT_FALSE(appManager.lastVPNStateConnected);
        EXPECT_EQ(gateRuns, 0) << "stopping a tunnel needs no account check";
    }

    // Rebuilt at every click: once disconnected the same entry connects.
    vpn->calls.clear();
    vpn->status = 5;
    EXPECT_EQ(clickMenu(*menu).at(0), connect);
    EXPECT_EQ(menu->statusItem().openMenu()->actions().at(1)->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(menu->statusItem().openMenu()->actions().at(2)->shortcut(), QKeySequence("Ctrl+Q"));
    choose(*menu, 0);
    EXPECT_TRUE(vpn->calls.empty());
    EXPECT_EQ(gateRuns, 1);
}

TEST_F(StatusMenuTest, ConnectingGoesThroughTheAccountGateToTheRecommendedLocation) {
    auto menu = make();
    vpn->status = 1;

    gateAllows = false;
    menu->toggleConnect();
    EXPECT_TRUE(connects.empty());
    EXPECT_EQ(recommendedFetches, 0);

    // Nothing recommended stored yet: the click only fetches it.
    gateAllows = true;
    menu->toggleConnect();
    EXPECT_TRUE(connects.empty());
    EXPECT_EQ(recommendedFetches, 1);

    struct Case {
        ZevuDataFetcherTypes::ServerType type;
        ZevuTypes::ConnectVia via;
    };
    const std::vector<Case> cases = {
        {ZevuDataFetcherTypes::ServerType::Country, ZevuTypes::ConnectVia::Country},
        {ZevuDataFetcherTypes::ServerType::City, ZevuTypes::ConnectVia::City},
        {ZevuDataFetcherTypes::ServerType::FastestServer, ZevuTypes::ConnectVia::SmartConnect},
        {ZevuDataFetcherTypes::ServerType::DedicatedIp, ZevuTypes::ConnectVia::DedicatedIp},
        {ZevuDataFetcherTypes::ServerType::Shortcut, ZevuTypes::ConnectVia::Shortcut},
    };
    for (const auto& c : cases) {
        auto server = std::make_shared<ZevuDataFetcherTypes::Server>("42", "Frankfurt", c.type, "DE");
        setEncodedServer(AppPreferences().defaults(), server, AppPreferences::Key::recommendedServer);
        menu->toggleConnect();
        ASSERT_FALSE(connects.empty());
        const ConnectRequest& r = connects.back();
        EXPECT_EQ(r.server->id, "42");
        EXPECT_EQ(r.connectVia, c.via);
        EXPECT_EQ(r.selectedInterfaceScreen, ZevuTypes::SelectedInterfaceScreen::Topbar);
        EXPECT_EQ(r.connectionInitiatedBy, ZevuTypes::ConnectionInitiatedBy::User);
        EXPECT_EQ(r.selectedInterface, ZevuTypes::SelectedInterface::Recommended);
        EXPECT_FALSE(r.allowProtocolFallback);
        EXPECT_TRUE(r.checkBusy);
    }
    EXPECT_EQ(recommendedFetches, 1);
}

TEST_F(StatusMenuTest, TheIconFollowsTheStateExceptARefusalWhileAnAttemptIsUnderWay) {
    auto menu = make();
    EXPECT_EQ(menu->statusItem().imageName(), "StatusMenuDisconnected");
    struct Case {
        ZevuTypes::ConnectionInfo info;
        const char* icon;
    };
    const std::vector<Case> cases = {
        {stateInfo(ZevuConnectionState::Connected), "StatusMenuConnected"},
        {stateInfo(ZevuConnectionState::UnableToConnect, 5043), "StatusMenuConnected"},
        {stateInfo(ZevuConnectionState::Disconnecting), "StatusMenuConnecting"},
        {stateInfo(ZevuConnectionState::UnableToConnect), "StatusMenuDisconnected"},
        {stateInfo(ZevuConnectionState::Redialing), "StatusMenuConnecting"},
        {stateInfo(ZevuConnectionState::UnableToConnect, 5044), "StatusMenuDisconnected"},
        {stateInfo(ZevuConnectionState::UnableToBrowse), "StatusMenuConnected"},
        {stateInfo(ZevuConnectionState::Connecting), "StatusMenuConnecting"},
        {stateInfo(ZevuConnectionState::UnableToConnect, 5043), "StatusMenuConnecting"},
        {stateInfo(ZevuConnectionState::Disconnected), "StatusMenuDisconnected"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, cases[i].info);
        EXPECT_EQ(menu->statusItem().imageName(), cases[i].icon);
    }
    NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, ZevuConnectionState::Connected);
    EXPECT_EQ(menu->statusItem().imageName(), "StatusMenuDisconnected") << "an object that is no ConnectionInfo is ignored";

    // From the SDK's thread the icon changes on the main thread.
    std::thread sdk([] { NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, stateInfo(ZevuConnectionState::Connected)); });
    sdk.join();
    EXPECT_TRUE(test::waitUntil([&] { return menu->statusItem().imageName() == "StatusMenuConnected"; }));
}

TEST_F(StatusMenuTest, PagesAreRequestedFromTheMainWindowAndLinksOpenInTheBrowser) {
    auto menu = make();
    std::vector<std::pair<std::string, std::any>> posted;
    auto observer = NotificationCenter::defaultCenter().addObserver("", [&](const Notification& n) {
        if (n.name == kAppShowControllerNotification || n.name == kShowFAQNotification) posted.emplace_back(n.name, n.object);
    });
    menu->showPreferences();
    menu->showProfile();
    menu->showFAQ();
    menu->showSupportTicket();
    ASSERT_EQ(posted.size(), 6u);
    EXPECT_EQ(std::any_cast<MainTab>(posted[0].second), MainTab::Prefences);
    EXPECT_EQ(std::any_cast<MainTab>(posted[1].second), MainTab::Profile);
    EXPECT_EQ(posted[2].first, kShowFAQNotification);
    EXPECT_TRUE(std::any_cast<bool>(posted[2].second));
    EXPECT_EQ(std::any_cast<MainTab>(posted[3].second), MainTab::Support1);
    EXPECT_FALSE(std::any_cast<bool>(posted[4].second));
    EXPECT_EQ(std::any_cast<MainTab>(posted[5].second), MainTab::Support1);

    menu->showLiveChat();
    menu->showPrivacyAndPolicy();
    menu->showTermsAndCondition();
    const std::string site = urlString(WebLink::WebSiteRoot);
    EXPECT_EQ(opened, (std::vector<std::string>{site, site + "/privacy-policy/", site + "/terms-and-condition/"}));
    menu->logoutAction();
    EXPECT_EQ(logouts, 1);
}

TEST_F(StatusMenuTest, OpeningTheApplicationShowsItInTheTaskbarAndRestoresTheWindow) {
    auto menu = make();
    appkit::Window window(QSize(760, 500));
    window.show();
    window.miniaturize();
    app.setActivationPolicy(appkit::ActivationPolicy::Accessory);
    AppPreferences().defaults().set(Value(true), AppPreferences::Key::hideFromDock);
    vpn->status = 1;
    clickMenu(*menu);
    choose(*menu, 1);
    EXPECT_EQ(app.activationPolicy(), appkit::ActivationPolicy::Regular);
    EXPECT_TRUE(test::waitUntil([&] { return !window.isMiniaturized(); }));

    // Without the hidden-from-taskbar setting the policy is left alone.
    app.setActivationPolicy(appkit::ActivationPolicy::Accessory);
    AppPreferences().defaults().set(Value(false), AppPreferences::Key::hideFromDock);
    menu->makeAppVisible();
    EXPECT_EQ(app.activationPolicy(), appkit::ActivationPolicy::Accessory);
}

TEST_F(StatusMenuTest, ThePopoversModelFollowsTheStateAndQuickConnectsWithoutTheGate) {
    vpn->status = kConnected;
    StatusMenuModel model(MorvexVPNService::makeZevu());
    EXPECT_EQ(model.vpnStatus.value(), ZevuConnectionState::Connected);
    NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, stateInfo(ZevuConnectionState::Redialing));
    EXPECT_TRUE(test::waitUntil([&] { return model.vpnStatus.value() == ZevuConnectionState::Redialing; }));
    NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, std::string("Connected"));
    test::drain();
    EXPECT_EQ(model.vpnStatus.value(), ZevuConnectionState::Redialing);

    model.toggleConnection();
    vpn->status = kConnecting;
    model.toggleConnection();
    EXPECT_EQ(vpn->calls, (std::vector<std::string>{"disconnectVPN", "cancelVPN"}));
    vpn->status = 4;
    EXPECT_EQ(StatusMenuModel(MorvexVPNService::makeZevu()).vpnStatus.value(), ZevuConnectionState::Disconnected);
}

class StatusMenuOptionsTest : public StatusMenuTest {
protected:
    std::unique_ptr<StatusMenuOptionsHandler> makeHandler() {
        StatusMenuOptionsHandler::Hooks hooks;
        hooks.versionCheck = [this](bool silent, std::function<void(std::optional<Error>)> completion) {
            checks.push_back(silent);
            pendingCheck = std::move(completion);
        };
        hooks.startReachability = [this] { setUpSteps.push_back("reachability"); };
        hooks.startAnalytics = [this] { setUpSteps.push_back("analytics"); };
        hooks.setUpSDK = [this] { setUpSteps.push_back("sdk"); };
        return std::make_unique<StatusMenuOptionsHandler>(hooks);
    }
    std::vector<bool> checks;
    std::function<void(std::optional<Error>)> pendingCheck;
    std::vector<std::string> setUpSteps;
};

TEST_F(StatusMenuOptionsTest, AFailedUpdateCheckShowsTheFailureNeverUpToDate) {
    auto handler = makeHandler();
    vpn->status = 1;
    handler->checkForUpdate();
    ASSERT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(presenter->last().title, localized("update.check.alert.title"));
    EXPECT_NE(presenter->last().accessory, nullptr);
    ASSERT_EQ(checks, std::vector<bool>{false});

    pendingCheck(Error("NSURLErrorDomain", -1009, "The Internet connection appears to be offline."));
    EXPECT_EQ(presenter->endedFromOutside, 1);
    ASSERT_EQ(presenter->shown.size(), 2u);
    EXPECT_EQ(presenter->last().title, "The Internet connection appears to be offline.");
    for (const auto& shown : presenter->shown) EXPECT_NE(shown.alert.title, localized("update.upto-date.alert.title"));

    // A successful check is answered by whoever shows the update; this handler adds nothing.
    handler->checkForUpdate();
    pendingCheck(std::nullopt);
    EXPECT_EQ(presenter->shown.size(), 3u);
    EXPECT_EQ(presenter->endedFromOutside, 1);
}

TEST_F(StatusMenuOptionsTest, WhileATunnelIsUpTheUpdateCheckOnlyAsksToDisconnect) {
    auto handler = makeHandler();
    for (int status : {kConnecting, kConnected}) {
        vpn->status = status;
        handler->checkForUpdate();
        EXPECT_EQ(presenter->last().message, localized("update.check.alert.disconnect"));
    }
    EXPECT_TRUE(checks.empty());
}

TEST_F(StatusMenuOptionsTest, SupportOpensTheGermanPageForDeOrNoLanguageElseTheEnglishOne) {
    auto handler = makeHandler();
    const std::string site = urlString(WebLink::WebSiteRoot);
    struct Case {
        std::optional<std::string> stored;
        std::string path;
    };
    const std::vector<Case> cases = {
        {std::nullopt, "/support/"}, {"DE", "/support/"}, {"de", "/support/"}, {"en", "/en/support/"}, {"fr", "/en/support/"},
    };
    for (const auto& c : cases) {
        AppPreferences().defaults().setString(c.stored, AppPreferences::Key::preferredLanguageCode);
        handler->contactSupport();
        EXPECT_EQ(opened.back(), site + c.path) << c.stored.value_or("<none>");
    }
    handler->logout();
    EXPECT_EQ(logouts, 1);
}

TEST_F(StatusMenuOptionsTest, TheCoreSetUpRunsAtCreationAndAgainOnEachSignInRequest) {
    auto handler = makeHandler();
    EXPECT_EQ(setUpSteps, (std::vector<std::string>{"reachability", "analytics", "sdk"}));
    NotificationCenter::defaultCenter().post(FetchNotificationsNotification);
    NotificationCenter::defaultCenter().post(FetchNotificationsNotification);
    EXPECT_EQ(setUpSteps.size(), 9u);
    handler.reset();
    NotificationCenter::defaultCenter().post(FetchNotificationsNotification);
    EXPECT_EQ(setUpSteps.size(), 9u);
}

}  // namespace
}  // namespace morvex
