// The launch model: version comparison, the data-store check and its sign-out, the auto-connect
// decision and its timer, version answers and connection states turned into statuses, and the
// dedicated-IP detail.
#include <gtest/gtest.h>

#include <thread>

#include "alerts/Alert.h"
#include "alerts/AlertServices.h"
#include "viewmodels/InitialModel.h"
#include "foundation/Bundle.h"
#include "foundation/UserDefaults.h"
#include "model/BundleInfo.h"
#include "state/AppPreferences.h"
#include "state/PreservedPreferences.h"
#include "state/StoredServers.h"
#include "state/User.h"
#include "flows/MorvexVPNService.h"
#include "support/TestSupport.h"

namespace morvex {
namespace {

using Kind = InitialModel::Status::Kind;
using Via = PreservedPreferences::AutoConnectVia;
using ServerPtr = ZevuDataFetcherTypes::ServerPtr;
using ServerType = ZevuDataFetcherTypes::ServerType;

ServerPtr server(const std::string& id, ServerType type) { return std::make_shared<ZevuDataFetcherTypes::Server>(id, id + " name", type, id); }

class RecordingDelegate : public InitialModel::Delegate {
public:
    std::vector<InitialModel::Status> statuses;
    void updateStatus(const InitialModel::Status& status) override { statuses.push_back(status); }
};

class InitialModelTest : public test::TempConfigTest {
protected:
    int status = 1;
    int logouts = 0, refreshes = 0, disconnects = 0, profileFetches = 0, versionChecks = 0;
    std::vector<ConnectRequest> connects;
    std::function<void()> onLogout;
    RecordingDelegate delegate;

    InitialModel::Collaborators collaborators() {
        InitialModel::Collaborators c;
        c.vpnStatus = [this] { return status; };
        c.disconnectVPN = [this] { ++disconnects; };
        c.updateRecommendedLocation = [this] { ++refreshes; };
        c.connectToLocation = [this](const ConnectRequest& r, ConnectErrorHandler) { connects.push_back(r); };
        c.logout = [this] {
            ++logouts;
            if (onLogout) onLogout();
        };
        c.checkForUpdate = [this] { ++versionChecks; };
        c.fetchProfile = [this] { ++profileFetches; };
        c.requestDedicatedIPDetail = [](const nlohmann::json&, auto completion) { completion(fail(Error("test", 1))); };
        c.nameDedicatedServer = [](const ServerPtr&) {};
        c.connectErrorAlert = [](const std::optional<Error>&) {};
        c.runningVersion = [] { return std::string("1.9"); };
        return c;
    }
    std::unique_ptr<InitialModel> make() {
        auto model = std::make_unique<InitialModel>(collaborators());
        model->setDelegate(&delegate);
        return model;
    }
    void signIn() {
        User user;
        user.setVpnUsername(std::string("morvex0s1234567"));
        user.setLoggedIn(true);
    }
    void storeUpdate(std::string available, std::string forcedTill) {
        AppPreferences().setUpdateAvailable(AppPreferences::UpdateAvailable{std::move(available), std::move(forcedTill),
                                                                            "https://example.invalid/notes", "https://example.invalid/pkg"});
    }
};

TEST_F(InitialModelTest, VersionsCompareByTheirNumbersAgainstTheRunningOne) {
    auto model = make();  // running "1.9"
    struct Case {
        const char* available;
        const char* forcedTill;
        int expected;
    } cases[] = {
        {"1.10", "1.9", InitialModel::kForcedUpdate},    // 10 > 9, not the text order
        {"1.10", "1.8", InitialModel::kOptionalUpdate},
        {"1.9", "1.9", InitialModel::kUpToDate},
        {"1.8", "1.9", InitialModel::kUpToDate},
        {"", "", InitialModel::kUpToDate},               // no stored record
        {"1.9.1", "1.9", InitialModel::kForcedUpdate},
        {"01.10", "1.9", InitialModel::kForcedUpdate},
    };
    for (const auto& c : cases) EXPECT_EQ(model->compareVersion(c.available, c.forcedTill), c.expected) << c.available << " / " << c.forcedTill;
    EXPECT_EQ(InitialModel::compareNumeric("1.10", "1.9"), 1);
    EXPECT_EQ(InitialModel::compareNumeric("1.9", "1.10"), -1);
}

TEST_F(InitialModelTest, ADataStoreChangeSignsOutAndKeepsTheNewVersionOnlyOnceSignedOut) {
    const std::int64_t built = infoDataStoreVersion();
    AppPreferences().setDataStoreVersion(built);
    auto same = make();
    EXPECT_FALSE(same->checkDataStoreVersion());
    EXPECT_EQ(logouts, 0);

    // A signed-in user whose sign-out waits for an answer (a tunnel is up).
    signIn();
    AppPreferences().setDataStoreVersion(built + 1);
    auto model = make();
    EXPECT_TRUE(model->checkDataStoreVersion());
    EXPECT_EQ(logouts, 1);
    EXPECT_EQ(AppPreferences().dataStoreVersion(), built + 1) << "kept before the sign-out happened";
    EXPECT_FALSE(model->checkDataStoreVersion()) << "asked once per launch";
    EXPECT_EQ(logouts, 1);

    User().setLoggedIn(false);  // the sign-out happens
    EXPECT_EQ(AppPreferences().dataStoreVersion(), built);
    auto nextLaunch = make();
    EXPECT_FALSE(nextLaunch->checkDataStoreVersion());
    EXPECT_EQ(logouts, 1);
}

TEST_F(InitialModelTest, ARefusedSignOutAsksAgainAtTheNextLaunch) {
    const std::int64_t built = infoDataStoreVersion();
    signIn();
    AppPreferences().setDataStoreVersion(built + 1);
    { make()->checkDataStoreVersion(); }  // the user said no; the application ends
    EXPECT_TRUE(make()->checkDataStoreVersion());
    EXPECT_EQ(logouts, 2);

    // A sign-out that happens at once stores the version at once.
    onLogout = [] { User().setLoggedIn(false); };
    EXPECT_TRUE(make()->checkDataStoreVersion());
    EXPECT_EQ(AppPreferences().dataStoreVersion(), built);
}

TEST_F(InitialModelTest, AutoConnectOnLaunchStopsOrConnectsAsTheSettingsSay) {
    struct Case {
        const char* name;
        bool reconnectOnLaunch = true;
        bool forcedUpdate = false;
        int status = 1;
        bool signedIn = true;
        Via via = Via::Recommended;
        bool recommended = true, recents = true, location = true;
        // What happens: a connect with this interface, a refresh only, or nothing.
        std::optional<ZevuTypes::SelectedInterface> connect;
        int refreshes = 0;
        std::string connectedId;
        ZevuTypes::ConnectVia connectVia = ZevuTypes::ConnectVia::SmartConnect;
    } cases[] = {
        {.name = "setting off", .reconnectOnLaunch = false},
        {.name = "forced update pending", .forcedUpdate = true},
        {.name = "connected", .status = 3},
        {.name = "connecting", .status = 2},
        {.name = "signed out", .signedIn = false},
        {.name = "recommended", .connect = ZevuTypes::SelectedInterface::Recommended, .connectedId = "best",
         .connectVia = ZevuTypes::ConnectVia::SmartConnect},
        {.name = "auto select", .via = Via::AutoSelect, .connect = ZevuTypes::SelectedInterface::Recommended, .connectedId = "best"},
        {.name = "recommended, none stored", .recommended = false, .refreshes = 1},
        {.name = "auto select, none stored", .via = Via::AutoSelect, .recommended = false, .refreshes = 1},
        {.name = "last connected", .via = Via::LastConnected, .connect = ZevuTypes::SelectedInterface::Recent,
         .connectedId = "recent", .connectVia = ZevuTypes::ConnectVia::City},
        {.name = "last connected, empty recents", .via = Via::LastConnected, .recents = false},
        {.name = "location", .via = Via::Location, .connect = ZevuTypes::SelectedInterface::List, .connectedId = "DE",
         .connectVia = ZevuTypes::ConnectVia::Country},
        {.name = "location, none stored", .via = Via::Location, .location = false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        connects.clear();
        refreshes = 0;
        signIn();
        User().setLoggedIn(c.signedIn);
        PreservedPreferences preferences;
        preferences.setReconnectOnLaunch(c.reconnectOnLaunch);
        preferences.setAutoConnectVia(c.via);
        preferences.setRecents(c.recents ? std::optional(ZevuDataFetcherTypes::ServerList{server("recent", ServerType::City),
                                                                                          server("older", ServerType::Country)})
                                         : std::nullopt);
        preferences.setAutoConnectServer(c.location ? server("DE", ServerType::Country) : nullptr);
        auto defaults = UserDefaults::standard();
        setEncodedServer(defaults, c.recommended ? server("best", ServerType::FastestServer) : nullptr, AppPreferences::Key::recommendedServer);
        if (c.forcedUpdate) storeUpdate("2.0", "1.9");
        else AppPreferences().setUpdateAvailable(std::nullopt);
        status = c.status;

        make()->autoConnectOnLaunch();

        EXPECT_EQ(refreshes, c.refreshes);
        ASSERT_EQ(connects.size(), c.connect ? 1u : 0u);
        if (!c.connect) continue;
        const ConnectRequest& r = connects.front();
        EXPECT_EQ(r.selectedInterface, *c.connect);
        ASSERT_TRUE(r.server);
        EXPECT_EQ(r.server->id, c.connectedId);
        EXPECT_EQ(r.connectVia, c.connectVia);
        EXPECT_EQ(r.connectionInitiatedBy, ZevuTypes::ConnectionInitiatedBy::AutoConnectOnLaunch);
        EXPECT_EQ(r.selectedInterfaceScreen, ZevuTypes::SelectedInterfaceScreen::None);
        EXPECT_FALSE(r.allowProtocolFallback);
        EXPECT_TRUE(r.checkBusy);
    }
}

TEST_F(InitialModelTest, TheAutoConnectTimerRunsOnTheMainLoopWhenTheSDKIsReadyOnItsOwnThread) {
    signIn();
    PreservedPreferences().setReconnectOnLaunch(true);
    PreservedPreferences().setAutoConnectVia(Via::LastConnected);
    PreservedPreferences().setRecents(ZevuDataFetcherTypes::ServerList{server("recent", ServerType::City)});
    test::ManualClock clock;
    auto model = make();
    std::thread sdk([] { NotificationCenter::defaultCenter().post(ZevuTypes::sdkInitializedNotification); });
    sdk.join();
    clock.advance(std::chrono::milliseconds(2999));
    EXPECT_TRUE(connects.empty()) << "not before three seconds";
    clock.advance(std::chrono::milliseconds(1));
    ASSERT_EQ(connects.size(), 1u);
    EXPECT_EQ(refreshes, 1) << "no tunnel was up: the recommended location is refreshed first";
    EXPECT_EQ(disconnects, 0);
}

TEST_F(InitialModelTest, ATunnelLeftUpIsTakenDownAndNotAutoConnectedOver) {
    signIn();
    PreservedPreferences().setReconnectOnLaunch(true);
    status = 3;
    test::ManualClock clock;
    auto model = make();
    NotificationCenter::defaultCenter().post(ZevuTypes::sdkInitializedNotification);
    ASSERT_TRUE(test::waitUntil([&] { return disconnects == 1; }));
    clock.advance(std::chrono::seconds(3));
    EXPECT_EQ(clock.pending(), 0u) << "the timer has fired";
    EXPECT_EQ(refreshes, 0);
    EXPECT_TRUE(connects.empty()) << "still up when the timer fired";
}

TEST_F(InitialModelTest, VersionAnswersBecomeStatusesUnlessSilentlyNothingToSay) {
    const InitialModel::UpdateInfo newer{"1.10", "https://example.invalid/notes", std::string("https://example.invalid/pkg")};
    const InitialModel::UpdateInfo same{"1.9", "https://example.invalid/notes", std::nullopt};
    struct Case {
        const char* name;
        bool silent;
        InitialModel::UpdateInfo answer;
        int status;
        std::optional<Kind> expected;
    } cases[] = {
        {"silent, up to date", true, same, 1, std::nullopt},
        {"asked, up to date", false, same, 1, Kind::AppUptoDate},
        {"newer, disconnected", true, newer, 1, Kind::ForceUpdateAvailable},
        {"newer while connected, silent", true, newer, 3, std::nullopt},
        {"newer while connecting, asked", false, newer, 2, Kind::ForceUpdateAvailableAndConnected},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        delegate.statuses.clear();
        status = c.status;
        auto model = make();
        VersionCheckAnswer answer;
        answer.silent = c.silent;
        answer.version.version = c.answer.availableVersion;
        answer.version.release_note_url = c.answer.releaseNote;
        answer.version.download_url = c.answer.downloadUrl;
        NotificationCenter::defaultCenter().post(InitialModel::versionCheckRespondedNotification, answer);
        ASSERT_EQ(delegate.statuses.size(), c.expected ? 1u : 0u);
        if (!c.expected) continue;
        EXPECT_EQ(delegate.statuses.front().kind, *c.expected);
        if (*c.expected == Kind::ForceUpdateAvailable) {
            EXPECT_EQ(delegate.statuses.front().info, c.answer);
        }
    }
    // Something else under the name is no answer.
    delegate.statuses.clear();
    auto model = make();
    NotificationCenter::defaultCenter().post(InitialModel::versionCheckRespondedNotification, std::string("1.10"));
    EXPECT_TRUE(delegate.statuses.empty());
}

TEST_F(InitialModelTest, ConnectionStatesTurnAStoredForcedUpdateIntoStatuses) {
    storeUpdate("2.0", "1.9");  // forced
    auto model = make();
    auto post = [](ZevuConnectionState state, bool manual) {
        ZevuTypes::ConnectionInfo info;
        info.state = state;
        info.manualDisconnection = manual;
        NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, info);
    };
    post(ZevuConnectionState::Connected, false);
    post(ZevuConnectionState::Disconnected, false);  // a drop: nothing
    post(ZevuConnectionState::Disconnected, true);
    post(ZevuConnectionState::Connecting, false);
    ASSERT_EQ(delegate.statuses.size(), 2u);
    EXPECT_EQ(delegate.statuses[0].kind, Kind::LoggedIn);
    EXPECT_EQ(delegate.statuses[1].kind, Kind::ForceUpdateAvailable);
    ASSERT_TRUE(delegate.statuses[1].info);
    EXPECT_EQ(delegate.statuses[1].info->availableVersion, "2.0");
    EXPECT_EQ(delegate.statuses[1].info->downloadUrl, "https://example.invalid/pkg");
}

TEST_F(InitialModelTest, TheDedicatedIPAnswerNeedsEveryKeyAndNamesTheServerFromIt) {
    auto answer = nlohmann::json::parse(R"({"dedicated_ip_detail": {"ip": "192.0.2.10", "host": "de1.dedicated.invalid", "country_iso": "DE"}})");
    auto decoded = answer.get<InitialModel::DedicatedIpResponseModel>();
    EXPECT_EQ(decoded.dedicatedIPDetail, (InitialModel::DedicatedIPDetail{"192.0.2.10", "de1.dedicated.invalid", "DE"}));
    EXPECT_EQ(nlohmann::json(decoded), answer);
    EXPECT_ANY_THROW((void)nlohmann::json::parse(R"({"dedicated_ip_detail": {"ip": "192.0.2.10", "host": "h"}})").get<InitialModel::DedicatedIpResponseModel>());

    signIn();
    ServerPtr named;
    nlohmann::json sent;
    auto c = collaborators();
    c.requestDedicatedIPDetail = [&](const nlohmann::json& parameters, auto completion) {
        sent = parameters;
        completion(decoded);
    };
    c.nameDedicatedServer = [&](const ServerPtr& s) { named = s; };
    InitialModel model(c);
    NotificationCenter::defaultCenter().post(InitialModel::vpnAccountDidChangeNotification);
    EXPECT_EQ(sent, (nlohmann::json{{"username", "morvex0s1234567"}, {"uuid", ""}}));
    ASSERT_TRUE(named);
    EXPECT_EQ(named->id, "DE");
    EXPECT_EQ(named->code, "DE");
    EXPECT_EQ(named->type, ServerType::DedicatedIp);
    EXPECT_EQ(named->ip, "192.0.2.10");
    EXPECT_EQ(named->host, "de1.dedicated.invalid");
}

TEST_F(InitialModelTest, ALaunchTimeConnectFailureShowsTheAccountAlertItsCodeCallsFor) {
    class TitleRecorder : public AlertPresenter {
    public:
        std::vector<std::string> titles;
        void beginSheet(const Alert& alert, AlertHandler) override { titles.push_back(alert.title); }
        ModalResponse runModal(const Alert&) override { return 1000; }
        void endAttachedAlertSheet() override {}
    };
    auto recorder = std::make_shared<TitleRecorder>();
    AlertServices services;
    services.presenter = recorder;
    AlertServices::install(services);
    struct Case {
        std::optional<int> code;
        std::optional<std::string> titleKey;
    } cases[] = {
        {998, "alert.title.error"},
        {701, "user.expire.popup.title"},
        {533, "user.disable.popup.title"},
        {123, std::nullopt},
        {std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        recorder->titles.clear();
        InitialModel::connectErrorAlertInitial(c.code ? std::optional(Error("UserStatus", *c.code)) : std::nullopt);
        EXPECT_EQ(recorder->titles, c.titleKey ? std::vector<std::string>{localized(*c.titleKey)} : std::vector<std::string>{})
            << c.code.value_or(0);
    }
    AlertServices::install(AlertServices{});
}

}  // namespace
}  // namespace morvex
