// The connect road on the simulated SDK: refusals in their order, the system-extension gate, what
// the SDK's answers leave in the stores, dedicated IPs, the recommended location and a quick
// connect from end to end.
#include "EngineTestSupport.h"

#include <thread>

#include "state/StoredServers.h"

namespace morvex::test {
namespace {

using Type = ZevuDataFetcherTypes::ServerType;

class ConnectTest : public EngineTest {
protected:
    void endTunnel() {
        if (sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Disconnected)) return;
        zevu::ZevuManager::sharedInstance()->disconnectVPN();
        ASSERT_TRUE(waitUntil([] { return sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Disconnected); }));
    }
    ZevuDataFetcherTypes::ServerPtr germany = server("DE", "Germany");
};

TEST_F(ConnectTest, RefusalsComeInTheirOrderAndStoreNothing) {
    struct Case {
        const char* what;
        std::function<void(ConnectTest&)> arrange;
        bool checkBusy;
        std::string requested;  // name of the requested location
        std::string domain;
        int code;
    };
    const std::vector<Case> cases{
        {"connected, same name", [](ConnectTest& t) { t.connectTunnel(); }, true, "Germany", "Connection", -1002},
        {"connected, other name", [](ConnectTest& t) { t.connectTunnel(); }, true, "France", "Connection", -1001},
        {"connecting (the SDK was asked a moment ago)",
         [](ConnectTest&) {
             zevu::ZevuCountry c;
             c.country = "AT";
             zevu::ZevuManager::sharedInstance()->connectWithProperties(
                 zevu::ZevuProperties::initWithCountry(c, std::nullopt), nullptr, nullptr);
         },
         true, "France", "Connection", -1001},
        {"unreachable beats the account checks",
         [](ConnectTest& t) {
             t.reachable = false;
             User().setStatus(User::Status::Expired);
         },
         true, "France", "Network", -1000},
        {"no subscription", [](ConnectTest&) { User().setVpnUsername(std::nullopt); }, true, "France", "No Subscription", 998},
        {"expired beats a changed password",
         [](ConnectTest&) {
             User().setStatus(User::Status::Expired);
             PreservedPreferences().setPasswordChanged(true);
         },
         true, "France", "UserStatus", 701},
        {"disabled", [](ConnectTest&) { User().setStatus(User::Status::Disabled); }, true, "France", "UserStatus", 533},
        {"password changed", [](ConnectTest&) { PreservedPreferences().setPasswordChanged(true); }, true, "France",
         "UserStatus", 999},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        endTunnel();
        reachable = true;
        signIn();
        PreservedPreferences().setPasswordChanged(false);
        // What a refusal must leave alone.
        AppPreferences app;
        app.setOnGoingConnectionId("earlier-id");
        app.setLastConnection(record(germany));
        c.arrange(*this);
        Outcome outcome;
        engine().connectToLocation(server(c.requested == "Germany" ? "DE" : "FR", c.requested), ZevuTypes::ConnectVia::Country,
                                   ZevuTypes::SelectedInterfaceScreen::Location, ZevuTypes::ConnectionInitiatedBy::User,
                                   ZevuTypes::SelectedInterface::List, false, c.checkBusy, outcome.handler());
        ASSERT_EQ(outcome.calls, 1);  // synchronously, before the call returns
        ASSERT_TRUE(outcome.received[0]);
        EXPECT_EQ(outcome.received[0]->domain, c.domain);
        EXPECT_EQ(outcome.received[0]->code, c.code);
        EXPECT_EQ(app.onGoingConnectionId(), "earlier-id");
        ASSERT_TRUE(app.lastConnection());
        EXPECT_EQ(app.lastConnection()->server->name, "Germany");
    }
}

TEST_F(ConnectTest, BusyRefusalsTellSameFromOtherServerByNameOrDedicatedIP) {
    connectTunnel();
    auto dedicated = [](std::string ip) {
        auto s = server("dip", "My IP", Type::DedicatedIp);
        s->ip = std::move(ip);
        return s;
    };
    struct Case {
        const char* what;
        ZevuDataFetcherTypes::ServerPtr stored;
        ZevuDataFetcherTypes::ServerPtr requested;
        int code;
    } cases[] = {
        {"both missing", nullptr, nullptr, -1002},
        {"dedicated, same ip", dedicated("192.0.2.7"), dedicated("192.0.2.7"), -1002},
        {"dedicated, other ip", dedicated("192.0.2.7"), dedicated("192.0.2.8"), -1001},
        {"same name", germany, server("X", "Germany"), -1002},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        AppPreferences app;
        if (c.stored) app.setLastConnection(record(c.stored));
        else app.defaults().removeObject(AppPreferences::Key::lastConnection);
        Outcome outcome;
        std::optional<AppPreferences::LastConnection> rec;
        if (c.requested) rec = record(c.requested);
        engine().connect(zevu::ZevuProperties::initWithProtocol(std::nullopt, {}), ZevuTypes::ConnectVia::Country, rec,
                         true, outcome.handler());
        ASSERT_EQ(outcome.calls, 1);
        EXPECT_EQ(outcome.lastCode(), c.code);
    }
    // Not checking: the request goes on over the running tunnel.
    Outcome through;
    engine().connectToLocation(server("FR", "France"), ZevuTypes::ConnectVia::Country,
                               ZevuTypes::SelectedInterfaceScreen::ConnectionProtocol, ZevuTypes::ConnectionInitiatedBy::User,
                               ZevuTypes::SelectedInterface::List, false, false, through.handler());
    ASSERT_TRUE(waitUntil([&] { return through.calls > 0; }));
    EXPECT_EQ(through.received[0], std::nullopt);
}

TEST_F(ConnectTest, AnExtensionNotReadyShowsTheSheetAndCallsNoHandlerButADedicatedIPGoesOn) {
    PreservedPreferences prefs;
    prefs.setAutomaticProtocol(false);
    prefs.setSelectedProtocol(VPNProtocol::WireGuard);
    AppPreferences().setWgSystemExtensionStatus(SystemExtensionStatus::NotRecorded);
    Outcome outcome;
    engine().connectToLocation(server("FR", "France"), ZevuTypes::ConnectVia::Country,
                               ZevuTypes::SelectedInterfaceScreen::Location, ZevuTypes::ConnectionInitiatedBy::User,
                               ZevuTypes::SelectedInterface::List, false, true, outcome.handler());
    ASSERT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(presenter->last().title, localized("wiregurad.beta.information.title"));
    settleWithSdk();
    EXPECT_EQ(outcome.calls, 0);
    EXPECT_FALSE(AppPreferences().lastConnection());

    // A dedicated IP picks its own protocol and is not held up by the extension.
    auto dip = server("dip", "My IP", Type::DedicatedIp);
    dip->hosts = std::vector<DedicatedIPHost>{{"dip-1.example.invalid", "IKEV", "", ""}};
    Outcome dedicated;
    engine().connectToLocation(dip, ZevuTypes::ConnectVia::DedicatedIp, ZevuTypes::SelectedInterfaceScreen::Location,
                               ZevuTypes::ConnectionInitiatedBy::User, ZevuTypes::SelectedInterface::DedicatedIp, true,
                               true, dedicated.handler());
    EXPECT_EQ(presenter->shown.size(), 1u);
    ASSERT_TRUE(waitUntil([&] { return dedicated.calls > 0; }));
    EXPECT_EQ(dedicated.received[0], std::nullopt);
    ASSERT_TRUE(AppPreferences().lastConnection());
    EXPECT_EQ(AppPreferences().lastConnection()->server->id, "dip");
}

TEST_F(ConnectTest, ADialSendsAppConnectWithItsSeventeenKeysAndAnswersNone) {
    Outcome outcome;
    engine().connectToLocation(server("FR", "France"), ZevuTypes::ConnectVia::Country,
                               ZevuTypes::SelectedInterfaceScreen::Location, ZevuTypes::ConnectionInitiatedBy::User,
                               ZevuTypes::SelectedInterface::Search, false, true, outcome.handler());
    ASSERT_TRUE(waitUntil([&] { return outcome.calls > 0; }));
    EXPECT_EQ(outcome.received, (std::vector<std::optional<Error>>{std::nullopt}));
    EXPECT_TRUE(outcome.allOnMain);
    const auto props = event("app_connect");
    for (const char* key :
         {"selected_protocol_name", "connect_via", "selected_interface", "selected_interface_screen",
          "connection_initiated_by", "iks_enabled", "auto_reconnect", "on_demand_vpn", "on_demand_domains_enabled",
          "personalise_server_selection_enabled", "is_filtered_server", "is_filtered_server_requested",
          "selected_location", "nas_identifier", "included_nas_identifiers", "excluded_nas_identifiers",
          "connect_to_fallback"})
        EXPECT_TRUE(props.contains(key)) << key;
    EXPECT_EQ(props.at("connect_via"), Value("Country"));
    EXPECT_EQ(props.at("selected_interface"), Value("Search"));
    EXPECT_EQ(props.at("selected_location"), Value("France"));
    EXPECT_EQ(props.at("nas_identifier"), Value("None"));
}

TEST_F(ConnectTest, SDKFailuresRestoreWhatTheAttemptReplaced) {
    const auto earlier = record(germany);
    struct Case {
        int code;
        bool handlerGetsError;
        bool idRestored;
        bool lastRestored;
    } cases[] = {
        {5104, false, true, false},
        {5043, false, true, false},
        {5129, true, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        AppPreferences app;
        app.setOnGoingConnectionId("earlier-id");
        app.setLastConnection(earlier);
        zevu::ZevuFaultScript script;
        script.rejectRequest = zevu::makeError(c.code);
        zevu::ZevuTestAPI::scriptNextConnect(script);
        Outcome outcome;
        engine().connectToLocation(server("FR", "France"), ZevuTypes::ConnectVia::Country,
                                   ZevuTypes::SelectedInterfaceScreen::Location, ZevuTypes::ConnectionInitiatedBy::User,
                                   ZevuTypes::SelectedInterface::List, false, true, outcome.handler());
        ASSERT_TRUE(waitUntil([&] { return outcome.calls > 0; }));
        EXPECT_TRUE(outcome.allOnMain);
        EXPECT_EQ(outcome.lastCode(), c.handlerGetsError ? std::optional(c.code) : std::nullopt);
        EXPECT_EQ(app.onGoingConnectionId() == "earlier-id", c.idRestored);
        ASSERT_TRUE(app.lastConnection());
        EXPECT_EQ(app.lastConnection()->server->name, c.lastRestored ? "Germany" : "France");
        ASSERT_TRUE(waitUntil([] { return sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Disconnected); }));
    }
}

TEST_F(ConnectTest, AReplacedAttemptNeverRestoresAnOutOfDateLastConnection) {
    zevu::ZevuTestAPI::setTimeScale(0.2);  // the first attempt is still looking for a server
    Outcome first, second;
    auto z = engine();
    z.connectToLocation(server("FR", "France"), ZevuTypes::ConnectVia::Country, ZevuTypes::SelectedInterfaceScreen::Location,
                        ZevuTypes::ConnectionInitiatedBy::User, ZevuTypes::SelectedInterface::List, false, false,
                        first.handler());
    z.connectToLocation(server("AT", "Austria"), ZevuTypes::ConnectVia::Country,
                        ZevuTypes::SelectedInterfaceScreen::ConnectionProtocol, ZevuTypes::ConnectionInitiatedBy::User,
                        ZevuTypes::SelectedInterface::List, false, false, second.handler());
    ASSERT_TRUE(waitUntil([&] { return first.calls > 0 && second.calls > 0; }));
    ASSERT_TRUE(first.lastCode());  // replaced
    const auto last = AppPreferences().lastConnection();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->server->name, "Austria");
}

TEST_F(ConnectTest, EntryPointsReachedFromAnotherThreadActOnTheMainQueue) {
    // A sheet and a refusal, both asked for from the SDK's side of things.
    PreservedPreferences prefs;
    prefs.setAutomaticProtocol(false);
    prefs.setSelectedProtocol(VPNProtocol::UDP);
    AppPreferences().setOpenVPNSystemExtensionStatus(SystemExtensionStatus::Failed);
    Outcome sheetOutcome, refused;
    auto z = engine();
    std::thread worker([&] {
        z.connectToLocation(server("FR", "France"), ZevuTypes::ConnectVia::Country,
                            ZevuTypes::SelectedInterfaceScreen::Location, ZevuTypes::ConnectionInitiatedBy::AutoReconnect,
                            ZevuTypes::SelectedInterface::List, false, true, sheetOutcome.handler());
    });
    worker.join();
    EXPECT_TRUE(presenter->shown.empty());  // nothing touched the alerts from that thread
    ASSERT_TRUE(waitUntil([&] { return presenter->shown.size() == 1; }));

    prefs.setAutomaticProtocol(true);
    reachable = false;
    std::thread again([&] {
        z.quickConnect(ZevuTypes::ConnectVia::SmartConnect, ZevuTypes::SelectedInterfaceScreen::None,
                       ZevuTypes::ConnectionInitiatedBy::AutoReconnect, ZevuTypes::SelectedInterface::Recommended, true,
                       refused.handler());
    });
    again.join();
    ASSERT_TRUE(waitUntil([&] { return refused.calls > 0; }));
    EXPECT_EQ(refused.lastCode(), -1000);
    EXPECT_TRUE(refused.allOnMain);
    EXPECT_EQ(sheetOutcome.calls, 0);
}

TEST_F(ConnectTest, DedicatedIPWithoutAUsableProtocolIsRefusedWithoutDialling) {
    PreservedPreferences prefs;
    prefs.setAutomaticProtocol(false);
    prefs.setSelectedProtocol(VPNProtocol::WireGuard);
    auto dip = server("dip", "My IP", Type::DedicatedIp);
    Outcome outcome;
    engine().connectToLocation(dip, ZevuTypes::ConnectVia::DedicatedIp, ZevuTypes::SelectedInterfaceScreen::Location,
                               ZevuTypes::ConnectionInitiatedBy::User, ZevuTypes::SelectedInterface::Recent, false, true,
                               outcome.handler());
    ASSERT_EQ(outcome.calls, 1);
    ASSERT_TRUE(outcome.received[0]);
    EXPECT_EQ(outcome.received[0]->domain, "MorvexVPNError");
    EXPECT_EQ(outcome.received[0]->code, 1111);
    EXPECT_EQ(outcome.received[0]->localizedDescription(), "Selected protocol not supported");
    settleWithSdk();
    EXPECT_EQ(sdkStatus(), zevu::rawValue(zevu::ZevuVPNState::Disconnected));
    EXPECT_FALSE(AppPreferences().onGoingConnectionId());
}

TEST_F(ConnectTest, RecommendedLocationIsRefreshedOnlyWhileNotConnected) {
    zevu::ZevuLocation location;
    zevu::ZevuCity city;
    city.cityId = 42;
    city.name = "Lyon";
    city.country = "FR";
    location.city = city;
    zevu::ZevuTestAPI::setRecommendedLocationAnswer(std::optional<zevu::ZevuLocation>(location));

    connectTunnel();
    engine().updateRecommendedLocation();
    settleWithSdk();
    EXPECT_FALSE(AppPreferences().recommendedServer());
    // (The tunnel's own events may arrive meanwhile; no recommendation is asked for or answered.)
    const auto names = eventNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), "app_recommended_location_response"), 0);

    zevu::ZevuManager::sharedInstance()->disconnectVPN();
    ASSERT_TRUE(waitUntil([] { return sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Disconnected); }));
    engine().updateRecommendedLocation();
    ASSERT_TRUE(waitUntil([] { return AppPreferences().recommendedServer() != nullptr; }));
    const auto stored = AppPreferences().recommendedServer();
    EXPECT_EQ(stored->id, "42");
    EXPECT_EQ(stored->type, Type::City);
    EXPECT_EQ(stored->code, "FR");
    ASSERT_TRUE(waitUntil([&] {
        const auto now = eventNames();
        return std::count(now.begin(), now.end(), "app_recommended_location_response") == 1;
    }));
    EXPECT_EQ(event("app_recommended_location_response").at("name"), Value("Lyon"));
}

TEST_F(ConnectTest, ConnectionInfoBeforeAnyAttemptHasEmptyTextsAndTheStoredId) {
    AppPreferences().setOnGoingConnectionId("stored-id");
    const auto info = engine().currentConnectionInfo();
    EXPECT_EQ(info.state, ZevuConnectionState::Disconnected);
    EXPECT_EQ(info.connectionId, "stored-id");
    EXPECT_EQ(info.connectedTo, "");
    EXPECT_EQ(info.connectedIp, "");
    EXPECT_EQ(info.connectionDns, "");
    EXPECT_EQ(info.dialedProtocol, "");
    EXPECT_EQ(info.quantumResistentServer, false);
    EXPECT_FALSE(info.error);

    connectTunnel("FR");
    const auto up = engine().currentConnectionInfo();
    EXPECT_EQ(up.state, ZevuConnectionState::Connected);
    ASSERT_TRUE(up.connectedTo);
    EXPECT_TRUE(up.connectedTo->ends_with(", FR")) << *up.connectedTo;  // "city, country code"
    EXPECT_EQ(up.selectedProtocol, "Automatic");
}

TEST_F(ConnectTest, QuickConnectReachesConnectedWithTheRequestStored) {
    auto recommended = server("DE", "Germany");
    setEncodedServer(AppPreferences().defaults(), recommended, AppPreferences::Key::recommendedServer);
    // Shared with the blocks the SDK's thread queues: one may still be queued when the test ends.
    auto seen = std::make_shared<std::vector<ZevuConnectionState>>();
    auto& states = *seen;
    auto token = NotificationCenter::defaultCenter().addObserver(
        ZevuTypes::stateNotification, [seen](const Notification& n) {
            if (auto info = n.objectAs<ZevuTypes::ConnectionInfo>()) {
                DispatchQueue::main().async([seen, s = info->state] { seen->push_back(s); });
            }
        });
    Outcome outcome;
    engine().quickConnect(ZevuTypes::ConnectVia::Country, ZevuTypes::SelectedInterfaceScreen::Topbar,
                          ZevuTypes::ConnectionInitiatedBy::User, ZevuTypes::SelectedInterface::Recommended, true,
                          outcome.handler());
    ASSERT_TRUE(waitUntil([] { return sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Connected); }));
    ASSERT_TRUE(waitUntil([&] { return outcome.calls > 0; }));
    EXPECT_EQ(outcome.received[0], std::nullopt);

    const auto last = AppPreferences().lastConnection();
    ASSERT_TRUE(last && last->server);
    EXPECT_EQ(last->connectVia, ZevuTypes::ConnectVia::Country);  // as the caller gave it
    EXPECT_EQ(last->selectedInterface, ZevuTypes::SelectedInterface::Recommended);
    EXPECT_EQ(last->selectedInterfaceScreen, ZevuTypes::SelectedInterfaceScreen::Topbar);
    EXPECT_EQ(last->server->type, Type::FastestServer);
    EXPECT_EQ(last->server->id, "DE");
    EXPECT_EQ(last->server->code, "DE");  // the recommendation's id, not its code
    // Once up, the listener records the server the SDK dialled (on the SDK's thread, after the
    // status has turned).
    const auto dialled = zevu::ZevuManager::sharedInstance()->zevuConnectionDetails()->nasIdentifier;
    EXPECT_TRUE(waitUntil([&] {
        const auto now = AppPreferences().lastConnection();
        return now && now->nasIdentifier == dialled;
    })) << "the dialled server was never recorded";
    EXPECT_FALSE(last->dialedWithQRServer);
    ASSERT_TRUE(AppPreferences().onGoingConnectionId());
    const auto info = engine().currentConnectionInfo();
    EXPECT_EQ(info.state, ZevuConnectionState::Connected);
    EXPECT_EQ(info.connectionId, AppPreferences().onGoingConnectionId());
    EXPECT_EQ(info.dialedProtocol, "IPSEC");
    ASSERT_TRUE(waitUntil([&] { return !states.empty(); }));
    EXPECT_EQ(states.front(), ZevuConnectionState::Connecting);  // the listener's state hook
    EXPECT_EQ(event("app_connect").at("selected_interface_screen"), Value("Topbar"));
}

}  // namespace
}  // namespace morvex::test
