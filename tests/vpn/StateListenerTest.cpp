// What the SDK's callbacks leave behind: posts, stored history, analytics, the kill switch, the
// traffic totals, the connected location and the dedicated-IP ping.
#include "EngineTestSupport.h"

#include <QHostAddress>
#include <QTcpServer>
#include <limits>
#include <thread>

#include "model/BundleInfo.h"
#include "flows/MorvexVPNService.h"
#include "state/StoredServers.h"
#include "vpn/AppError.h"

namespace morvex::test {
namespace {

using Type = ZevuDataFetcherTypes::ServerType;
using Details = std::shared_ptr<zevu::ZevuConnectionDetails>;

class StateListenerTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        listener = std::make_shared<StateListener>(AppPreferences(), tracker(), PreservedPreferences());
        listener->firewall = {[this](const std::string& ip, const std::string& protocol) {
                                  firewallCalls.push_back("enable " + ip + " " + protocol);
                              },
                              [this] { firewallCalls.push_back("disable"); }};
        listener->isNetworkReachable = [this] { return reachable; };
        listener->makeZevu = [this] { return engine(); };
        listener->configureSDKAgain = [this] { ++setUpsAgain; };
        token = NotificationCenter::defaultCenter().addObserver(ZevuTypes::stateNotification, [this](const Notification& n) {
            if (auto info = n.objectAs<ZevuTypes::ConnectionInfo>()) {
                std::lock_guard lock(postsMutex);
                posts.push_back(*info);
            }
        });
    }
    void TearDown() override {
        token.remove();
        EngineTest::TearDown();
    }
    static Details details() {
        auto d = std::make_shared<zevu::ZevuConnectionDetails>();
        d->country = "Germany";
        d->serverIp = "10.0.0.7";
        d->serverAddress = "de-fra.example";
        d->protocol = zevu::ZevuProtocol("WireGuard");
        d->nasIdentifier = "de-fra-nas01";
        d->connectionAttempts = 2;
        return d;
    }
    std::vector<ZevuTypes::ConnectionInfo> takePosts() {
        std::lock_guard lock(postsMutex);
        return std::exchange(posts, {});
    }

    std::shared_ptr<StateListener> listener;
    std::vector<std::string> firewallCalls;
    int setUpsAgain = 0;
    std::mutex postsMutex;
    std::vector<ZevuTypes::ConnectionInfo> posts;
    ObserverToken token;
};

TEST_F(StateListenerTest, ConnectedRecordsTheConnectionAndAddsTheServerToRecents) {
    listener->handleConnected(nullptr);
    EXPECT_TRUE(takePosts().empty());
    EXPECT_TRUE(analytics->tracked.empty());
    EXPECT_FALSE(AppPreferences().lastConnection());

    // Without a stored request the record takes the default sources and an empty server, which
    // never reaches the recents.
    listener->handleConnected(details());
    auto last = AppPreferences().lastConnection();
    ASSERT_TRUE(last && last->server);
    EXPECT_EQ(last->selectedInterface, ZevuTypes::SelectedInterface::Recommended);
    EXPECT_EQ(last->connectVia, ZevuTypes::ConnectVia::Country);
    EXPECT_EQ(last->selectedInterfaceScreen, ZevuTypes::SelectedInterfaceScreen::Dashboard);
    EXPECT_EQ(last->connectionInitiatedBy, ZevuTypes::ConnectionInitiatedBy::User);
    EXPECT_EQ(last->nasIdentifier, "de-fra-nas01");
    EXPECT_TRUE(PreservedPreferences().recents().empty());
    EXPECT_EQ(eventNames(), (std::vector<std::string>{"app_ttc", "app_connected"}));
    EXPECT_EQ(event("app_connected").at("selected_interface"), Value("Recommended"));
    EXPECT_EQ(PreservedPreferences().dialedProtocol(), VPNProtocol::WireGuard);
    auto posted = takePosts();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].state, ZevuConnectionState::Connected);
    EXPECT_EQ(posted[0].connectedIp, "10.0.0.7");

    // A stored request's server goes to the front of the recents, once per id, three at most.
    for (auto id : {"FR", "AT", "DE", "FR"}) {
        AppPreferences().setLastConnection(record(server(id, id)));
        listener->handleConnected(details());
    }
    std::vector<std::string> ids;
    for (const auto& s : PreservedPreferences().recents()) ids.push_back(s->id);
    EXPECT_EQ(ids, (std::vector<std::string>{"FR", "DE", "AT"}));
}

TEST_F(StateListenerTest, DisconnectionsByKind) {
    struct Case {
        const char* what;
        bool cancelled = false;
        int type = 0;
        bool iks = false;
        bool online = true;
        VPNProtocol protocol = VPNProtocol::IKEv2;
        Type serverType = Type::Country;
        std::vector<std::string> firewall;
        ZevuConnectionState lastPost;
        std::optional<std::int64_t> errorCode;
        std::optional<std::string> blockReason;
        bool reconnects = false;
        bool markedAutoReconnect = false;
    };
    using S = ZevuConnectionState;
    const std::vector<Case> cases{
        {.what = "cancelled with the kill switch on", .cancelled = true, .type = 3, .iks = true, .lastPost = S::Disconnected},
        {.what = "by the user, kill switch on", .type = 1, .iks = true, .firewall = {"disable"}, .lastPost = S::Disconnected},
        {.what = "replaced, kill switch on", .type = 2, .iks = true, .firewall = {"disable"}, .lastPost = S::Disconnected},
        {.what = "by the user, kill switch off", .type = 1, .lastPost = S::Disconnected},
        {.what = "drop while offline", .iks = true, .online = false, .lastPost = S::Disconnected,
         .blockReason = "Internet issue"},
        {.what = "drop on WireGuard with the kill switch", .iks = true, .protocol = VPNProtocol::WireGuard,
         .lastPost = S::UnableToConnect, .errorCode = 997, .blockReason = "VPN issue", .markedAutoReconnect = true},
        {.what = "drop, reconnects", .lastPost = S::Disconnected, .reconnects = true, .markedAutoReconnect = true},
        {.what = "drop from a dedicated IP", .serverType = Type::DedicatedIp, .lastPost = S::Disconnected,
         .markedAutoReconnect = true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        firewallCalls.clear();
        analytics->tracked.clear();
        takePosts();
        PreservedPreferences prefs;
        prefs.setEnableIKS(c.iks);
        prefs.setAutomaticProtocol(false);
        prefs.setSelectedProtocol(c.protocol);
        reachable = c.online;
        AppPreferences().setLastConnection(record(server("x1", "Somewhere", c.serverType)));
        AppPreferences().setOnGoingConnectionId("attempt-1");
        zevu::ZevuManager::sharedInstance()->setDoCheckInternetConnectivity(true);

        auto d = details();
        d->isCancelled = c.cancelled;
        d->disconnectionType = c.type;
        d->isDisconnectedManually = c.type == 1;
        listener->handleDisconnected(d);

        EXPECT_EQ(firewallCalls, c.firewall);
        auto posted = takePosts();
        ASSERT_FALSE(posted.empty());
        EXPECT_EQ(posted.back().state, c.lastPost);
        EXPECT_EQ(posted.back().cancelled, c.cancelled);
        if (c.errorCode) {
            ASSERT_TRUE(posted.back().error);
            EXPECT_EQ(posted.back().error->code, *c.errorCode);
        }
        bool blocked = false;
        for (const auto& [name, props] : analytics->tracked) {
            if (name != "app_block_internet_iks") continue;
            blocked = true;
            EXPECT_EQ(props.at("reason"), Value(*c.blockReason));
        }
        EXPECT_EQ(blocked, c.blockReason.has_value());
        // A reconnect takes a new attempt id and turns the connectivity check off.
        EXPECT_EQ(AppPreferences().onGoingConnectionId() != "attempt-1", c.reconnects);
        if (c.reconnects) {
            // On the connect routine's clock (seconds since 2001 with their fraction), as every
            // other writer of the id: the feedback and troubleshooting pages compare ids.
            const double id = std::stod(AppPreferences().onGoingConnectionId().value_or("0"));
            EXPECT_NEAR(id, Date::now().secondsSince1970 - 978307200.0, 60.0);
        }
        EXPECT_EQ(!zevu::ZevuManager::sharedInstance()->doCheckInternetConnectivity(), c.reconnects);
        EXPECT_EQ(AppPreferences().lastConnection()->connectionInitiatedBy == ZevuTypes::ConnectionInitiatedBy::AutoReconnect,
                  c.markedAutoReconnect);
        if (c.cancelled) {
            EXPECT_EQ(AppPreferences().lastFeedbackConnectionId(), "attempt-1");
        }
    }
}

TEST_F(StateListenerTest, RedialsAndDialErrors) {
    // Cancelled and already-dialling end an attempt silently.
    AppPreferences().setOnGoingConnectionId("a1");
    listener->handleDialError(zevu::makeError(zevu::ErrorCode::Cancelled), details());
    listener->handleDialError(zevu::makeError(zevu::ErrorCode::AlreadyConnecting), details());
    EXPECT_TRUE(takePosts().empty());
    EXPECT_TRUE(analytics->tracked.empty());
    EXPECT_FALSE(AppPreferences().lastFeedbackConnectionId());

    listener->handleDialError(zevu::makeError(zevu::ErrorCode::TunnelFailed), nullptr);
    auto posted = takePosts();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].state, ZevuConnectionState::UnableToConnect);
    ASSERT_TRUE(posted[0].error);
    EXPECT_EQ(posted[0].error->code, zevu::ErrorCode::TunnelFailed);
    EXPECT_EQ(event("app_utc").at("connection_attempts"), Value("1"));
    EXPECT_EQ(event("app_utc").at("zevu_inner_exception_code"), Value(zevu::ErrorCode::TunnelFailed));
    EXPECT_EQ(AppPreferences().lastFeedbackConnectionId(), "a1");
    EXPECT_EQ(setUpsAgain, 0);
    listener->handleDialError(Error("Connection", -1002), nullptr);
    EXPECT_EQ(setUpsAgain, 1);

    listener->handleRedialing(details(), std::nullopt);
    posted = takePosts();
    ASSERT_FALSE(posted.empty());
    EXPECT_EQ(posted.back().state, ZevuConnectionState::Redialing);
    EXPECT_EQ(posted.back().error->code, AppError::noErrorObjectCode);
    EXPECT_EQ(event("app_utc").at("zevu_inner_exception_code"), Value(-1));
    EXPECT_EQ(event("app_utc").at("zevu_inner_exception_message"), Value(""));
    EXPECT_EQ(event("app_utc").at("connection_attempts"), Value("2"));

    // Lost internet: nothing while the machine is offline or without details.
    analytics->tracked.clear();
    reachable = false;
    listener->handleNoInternet(details());
    reachable = true;
    listener->handleNoInternet(nullptr);
    EXPECT_TRUE(takePosts().empty());
    listener->handleNoInternet(details());
    EXPECT_EQ(takePosts().at(0).state, ZevuConnectionState::UnableToBrowse);
    EXPECT_EQ(event("app_utb").at("dialedLocation"), Value("Germany"));
}

TEST_F(StateListenerTest, ExtensionRequestsStoreTheirStateAndOnlyACompletionIsAnnounced) {
    int announced = 0;
    auto t = NotificationCenter::defaultCenter().addObserver(ZevuTypes::extensionStatusChangedNotification,
                                                             [&](const Notification&) { ++announced; });
    const auto wg = infoWireguardPacketTunnelIdentifier();
    const auto ovpn = infoPacketTunnelIdentifier();

    listener->requestCompletedWithBundleId("com.example.unknown", zevu::ExtensionManager::Result::Completed);
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(AppPreferences().defaults().object(AppPreferences::Key::wgSystemExtensionStatus), std::nullopt);
    EXPECT_EQ(AppPreferences().defaults().object(AppPreferences::Key::openVPNSystemExtensionStatus), std::nullopt);

    listener->requestNeedsUserApprovalWithBundleId(wg);
    EXPECT_EQ(AppPreferences().wgSystemExtensionStatus(), SystemExtensionStatus::AwaitingApproval);
    EXPECT_EQ(announced, 1);

    listener->requestFailedWithBundleId(ovpn, zevu::makeError(42));
    EXPECT_EQ(AppPreferences().openVPNSystemExtensionStatus(), SystemExtensionStatus::Failed);
    EXPECT_EQ(AppPreferences().defaults().integer(AppPreferences::Key::openVPNSystemExtensionErrorCode), 42);
    listener->requestCompletedWithBundleId(wg, zevu::ExtensionManager::Result::WillCompleteAfterReboot);
    EXPECT_EQ(AppPreferences().wgSystemExtensionStatus(), SystemExtensionStatus::OtherCompletion);
    EXPECT_EQ(announced, 1);
    listener->requestCompletedWithBundleId(wg, zevu::ExtensionManager::Result::Completed);
    EXPECT_EQ(AppPreferences().wgSystemExtensionStatus(), SystemExtensionStatus::Activated);
    EXPECT_EQ(announced, 2);
}

TEST_F(StateListenerTest, TrafficPostsRunningTotalsAndANewBaseKeepsThem) {
    std::vector<ZevuTypes::DataTransmission> seen;
    auto t = NotificationCenter::defaultCenter().addObserver(ZevuTypes::transmittedPacketsNotification,
                                                             [&](const Notification& n) {
                                                                 if (auto d = n.objectAs<ZevuTypes::DataTransmission>())
                                                                     seen.push_back(*d);
                                                             });
    auto post = [&](std::uint64_t in, std::uint64_t out) {
        Zevu::postTransmittedPackets(in, out);
        return std::pair{seen.back().bitsIn, seen.back().bitsOut};
    };
    post(0, 0);                     // whatever came before, the next sample is a new base
    const auto base = post(100, 200);  // a base adds nothing
    EXPECT_EQ(post(150, 230), (std::pair{base.first + 50, base.second + 30}));
    // A smaller sample (a new connection's counters) adds nothing and becomes the base.
    EXPECT_EQ(post(20, 10), (std::pair{base.first + 50, base.second + 30}));
    EXPECT_EQ(post(30, 15), (std::pair{base.first + 60, base.second + 35}));
    // A connection whose first sample has a zero counter re-bases without wiping the totals.
    EXPECT_EQ(post(0, 5), (std::pair{base.first + 60, base.second + 35}));
    EXPECT_EQ(post(40, 9), (std::pair{base.first + 60, base.second + 35}));
    EXPECT_EQ(post(41, 19), (std::pair{base.first + 61, base.second + 45}));
}

TEST_F(StateListenerTest, KillSwitchFollowsTheConnectedAddressAndSkipsAnEmptyOne) {
    PreservedPreferences().setEnableIKS(true);
    PreservedPreferences().setDialedProtocol(VPNProtocol::UDP);
    test::ManualClock clock;
    std::optional<std::string> fetched = "unset";
    // Read as the dashboard reads it: an address that does not arrive as text is no address.
    auto t = NotificationCenter::defaultCenter().addObserver(ZevuTypes::fetchIPNotification, [&](const Notification& n) {
        const auto* ip = ZevuTypes::fetchIPAddress.in(n);
        fetched = ip ? std::optional<std::string>(*ip) : std::nullopt;
    });
    listener->handleConnectedLocation(std::nullopt);
    EXPECT_EQ(fetched, std::nullopt);
    clock.advanceSeconds(listener->killSwitchDelay);
    EXPECT_TRUE(firewallCalls.empty());  // no address: logged and skipped

    zevu::ZevuLocation location;
    location.ip = "198.51.100.4";
    listener->handleConnectedLocation(location);
    EXPECT_EQ(fetched, "198.51.100.4");
    EXPECT_TRUE(firewallCalls.empty());  // later, on the main queue
    clock.advanceSeconds(listener->killSwitchDelay * 0.999);
    EXPECT_TRUE(firewallCalls.empty());
    clock.advanceSeconds(listener->killSwitchDelay * 0.001);
    ASSERT_TRUE(waitUntil([&] { return !firewallCalls.empty(); }));
    EXPECT_EQ(firewallCalls, (std::vector<std::string>{"enable 198.51.100.4 UDP"}));
}

TEST_F(StateListenerTest, ASetUpRunFromTheStateHookKeepsTheRunningListenerAlive) {
    auto current = Zevu::stateListener();
    std::weak_ptr<StateListener> weak = current;
    std::atomic<bool> survived{false}, ran{false};
    current->stateChanged = [weak, &survived, &ran](int) {
        if (ran.exchange(true)) return;
        Zevu::configureSDK(User(), MorvexVPNService::makeZevu);
        survived = !weak.expired();
    };
    current.reset();
    connectTunnel();
    ASSERT_TRUE(waitUntil([&] { return ran.load(); }));
    EXPECT_TRUE(survived);
}

// ---- connected location, ping ----

TEST_F(StateListenerTest, ConnectedLocationNamesCodesAndFollowsTheTunnel) {
    auto z = engine();
    std::optional<Zevu::ConnectedInfoResult> result;
    auto completion = [&](Zevu::ConnectedInfoResult r) { result = std::move(r); };

    zevu::ZevuLocation berlin;
    berlin.ip = "203.0.113.9";
    berlin.country = zevu::ZevuCountry{.country = "DE", .name = "Germany"};
    berlin.city = zevu::ZevuCity{.name = "Berlin"};
    berlin.server = zevu::ZevuServer{.nasIdentifier = "de-ber-nas02"};

    auto rec = record(server("FR", "France"));
    rec.nasIdentifier = "de-ber-nas02";
    AppPreferences().setLastConnection(rec);
    z.getConnectedLocation(berlin, completion);
    ASSERT_TRUE(result && result->has_value());
    EXPECT_EQ((*result)->locationName, "Berlin, DE");
    EXPECT_EQ((*result)->isoCode, "DE");
    EXPECT_EQ((*result)->ip, "203.0.113.9");
    EXPECT_EQ(AppPreferences().lastConnection()->server->id, "DE");  // a country follows the tunnel
    EXPECT_EQ(AppPreferences().lastConnection()->server->name, "Germany");
    for (const auto& [name, props] : analytics->tracked) EXPECT_NE(name, "app_detect_ip_mismatch");

    // A dedicated IP is named by its address and coded by its stored iso.
    User user;
    user.setDedicatedIPDetail(DedicatedIPDetail{"203.0.113.9", "NL", {}});
    auto dip = server("dip", "My IP", Type::DedicatedIp);
    dip->ip = "203.0.113.9";
    rec = record(dip);
    rec.nasIdentifier = "old-nas";
    AppPreferences().setLastConnection(rec);
    z = engine();
    z.getConnectedLocation(berlin, completion);
    EXPECT_EQ((*result)->locationName, "203.0.113.9");
    EXPECT_EQ((*result)->isoCode, "NL");
    EXPECT_EQ(AppPreferences().lastConnection()->server->name, "203.0.113.9");
    const auto mismatch = event("app_detect_ip_mismatch");
    EXPECT_EQ(mismatch.at("connected_NAS"), Value("old-nas"));
    EXPECT_EQ(mismatch.at("returned-NAS"), Value("de-ber-nas02"));

    z.connectedLocationFailed(std::nullopt, completion);
    ASSERT_FALSE(result->has_value());
    EXPECT_EQ(result->error().code, 4010);
    EXPECT_EQ(result->error().domain, "MorvexVPNErrorDomain");
    EXPECT_EQ(event("app_fail_get_connected_location").at("error"), Value("ZevuSDK failed to fetch connected location."));
}

TEST_F(StateListenerTest, DedicatedPingUsesTheHostWhenThereAreNoHostsAndStoresAMissingLatencyAsTheMaximum) {
    QTcpServer listening;
    ASSERT_TRUE(listening.listen(QHostAddress::LocalHost));
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const auto closedPort = closed.serverPort();
    closed.close();
    zevu::ZevuTestAPI::setPingTimeout(std::chrono::milliseconds(300));

    struct Case {
        const char* what;
        std::string target;
        bool answers;
    } cases[] = {{"answers", "127.0.0.1:" + std::to_string(listening.serverPort()), true},
                 {"silent", "127.0.0.1:" + std::to_string(closedPort), false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto dip = server("dip", "My IP", Type::DedicatedIp);
        dip->host = "dip-host.example";
        dip->ip = "192.0.2.77";  // nobody: only the host is pointed anywhere
        dip->hosts = std::vector<DedicatedIPHost>{};
        PreservedPreferences().setDedicatedServer(dip);
        zevu::ZevuTestAPI::setHostOverride("dip-host.example", c.target);
        std::atomic<bool> done{false};
        engine().pingDedicatedIPServer([&](std::optional<Error> e) {
            EXPECT_FALSE(e);
            done = true;
        });
        ASSERT_TRUE(waitUntil([&] { return done.load(); }));
        const auto stored = PreservedPreferences().dedicatedServer();
        ASSERT_TRUE(stored);
        if (c.answers) {
            EXPECT_LT(stored->latency, std::numeric_limits<std::int64_t>::max());
        } else {
            EXPECT_EQ(stored->latency, std::numeric_limits<std::int64_t>::max());
        }
    }
}

TEST_F(StateListenerTest, FirewallQueryAsksOnlyWhenToldAndAnswersOnTheMainQueue) {
    HelperComunicator helper;
    int asked = 0;
    helper.query = [&](std::function<void(bool)> answer) {
        ++asked;
        std::thread([answer] { answer(true); }).detach();
    };
    std::optional<bool> got;
    helper.isAnyFirewallEnabled(false, [&](bool b) { got = b; });
    EXPECT_EQ(got, false);
    EXPECT_EQ(asked, 0);
    got.reset();
    bool onMain = false;
    helper.isAnyFirewallEnabled(true, [&](bool b) {
        onMain = QThread::currentThread() == QCoreApplication::instance()->thread();
        got = b;
    });
    ASSERT_TRUE(waitUntil([&] { return got.has_value(); }));
    EXPECT_TRUE(*got);
    EXPECT_TRUE(onMain);
}

// ---- end to end ----

TEST_F(StateListenerTest, ConnectDropReconnectDisconnectOnTheSimulatedSDK) {
    listener.reset();  // the set-up's own listener hears the SDK here
    std::vector<ZevuConnectionState> states;
    auto state = [&] {
        std::vector<ZevuConnectionState> out;
        for (const auto& p : takePosts()) out.push_back(p.state);
        states.insert(states.end(), out.begin(), out.end());
    };
    auto germany = server("DE", "Germany");
    Outcome outcome;
    engine().connectToLocation(germany, ZevuTypes::ConnectVia::Country, ZevuTypes::SelectedInterfaceScreen::Location,
                               ZevuTypes::ConnectionInitiatedBy::User, ZevuTypes::SelectedInterface::List, true, true,
                               outcome.handler());
    ASSERT_TRUE(waitUntil([] { return sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Connected); }));
    ASSERT_TRUE(waitUntil([&] { state(); return !states.empty() && states.back() == ZevuConnectionState::Connected; }));
    // The listener stores the recent on the SDK's thread after it has posted "connected".
    ASSERT_TRUE(waitUntil([] { return PreservedPreferences().recents().size() == 1u; }));
    EXPECT_EQ(PreservedPreferences().recents()[0]->id, "DE");

    zevu::ZevuTestAPI::dropTunnel();
    ASSERT_TRUE(waitUntil([&] {
        state();
        return std::ranges::count(states, ZevuConnectionState::Connected) == 2;
    }));
    EXPECT_EQ(AppPreferences().lastConnection()->connectionInitiatedBy, ZevuTypes::ConnectionInitiatedBy::AutoReconnect);
    zevu::ZevuManager::sharedInstance()->disconnectVPN();
    ASSERT_TRUE(waitUntil([&] {
        state();
        return states.back() == ZevuConnectionState::Disconnected && sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Disconnected);
    }));
    // Collapse repeats: the order is what the screens follow.
    std::vector<ZevuConnectionState> order;
    for (auto s : states)
        if (order.empty() || order.back() != s) order.push_back(s);
    using S = ZevuConnectionState;
    EXPECT_EQ(order, (std::vector<S>{S::Connecting, S::Connected, S::Disconnected, S::Connecting, S::Connected,
                                     S::Disconnected}));
    const auto last = AppPreferences().lastConnection();
    ASSERT_TRUE(last && last->server);
    EXPECT_EQ(last->server->id, "DE");
    EXPECT_EQ(last->selectedInterface, ZevuTypes::SelectedInterface::List);
    ASSERT_EQ(PreservedPreferences().recents().size(), 1u);
}

}  // namespace
}  // namespace morvex::test
