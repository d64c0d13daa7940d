// The course of a tunnel: statuses, callbacks and their thread, details, disconnect and cancel,
// connection over connection, reconnect, pause, and the traffic counters.
#include <QThread>

#include "ZevuTestSupport.h"

namespace zevu::test {
namespace {

bool isDocumentationAddress(const std::string& ip) {
    return ip.starts_with("192.0.2.") || ip.starts_with("198.51.100.") || ip.starts_with("203.0.113.");
}

class ConnectionTest : public ZevuTest {};

TEST_F(ConnectionTest, ConnectReportsConnectingThenConnectedOnTheWorkerWithDetails) {
    const auto mainThread = std::this_thread::get_id();
    Answer answer;
    manager->connectWithProperties(ZevuProperties::initWithCountry(country("DE"), ZevuProtocol("IKEV")),
                                   answer.completion(), answer.errorBlock());
    auto connected = recorder->waitFor("didConnect");
    ASSERT_TRUE(connected);
    ASSERT_TRUE(answer.wait());
    EXPECT_EQ(answer.completions, 1);
    EXPECT_TRUE(answer.errors.empty());

    EXPECT_EQ(recorder->states(), (std::vector{ZevuVPNState::Connecting, ZevuVPNState::Connected}));
    EXPECT_EQ(status(), ZevuVPNState::Connected);
    for (const auto& e : recorder->events()) EXPECT_NE(e.thread, mainThread) << e.name;
    const auto names = recorder->names();
    EXPECT_LT(std::find(names.begin(), names.end(), "didConnecting"), std::find(names.begin(), names.end(), "didConnect"));

    const auto& d = *connected->details;
    EXPECT_EQ(d.country, "Germany");
    ASSERT_TRUE(d.city && d.city->name);
    EXPECT_EQ(d.city->country, "DE");
    ASSERT_TRUE(d.serverIp && d.serverAddress);
    EXPECT_TRUE(isDocumentationAddress(*d.serverIp)) << *d.serverIp;
    EXPECT_TRUE(d.serverAddress->ends_with(".invalid"));
    ASSERT_TRUE(d.protocol);
    EXPECT_EQ(d.protocol->protocol(), "IKEV");
    EXPECT_TRUE(d.nasIdentifier && !d.nasIdentifier->empty());
    EXPECT_TRUE(d.sessionId && !d.sessionId->empty());
    EXPECT_EQ(d.connectionAttempts, 1);
    EXPECT_EQ(d.connectionMethod, "country");
    EXPECT_GT(d.timeTakenToConnectServer, 0);
    EXPECT_FALSE(d.isCancelled);
    EXPECT_FALSE(d.isDisconnectedManually);
    ASSERT_TRUE(manager->zevuConnectionDetails());
    EXPECT_EQ(manager->zevuConnectionDetails()->serverIp, d.serverIp);
    EXPECT_TRUE(manager->getConnectedTime());

    auto where = recorder->waitFor("connectedLocation");
    ASSERT_TRUE(where && where->location);
    EXPECT_EQ(where->location->ip, d.serverIp);
    ASSERT_TRUE(where->location->country);
    EXPECT_EQ(where->location->country->country, "DE");
    ASSERT_TRUE(where->location->server);
    EXPECT_EQ(where->location->server->nasIdentifier, d.nasIdentifier);
    EXPECT_FALSE(where->error);
    EXPECT_NE(where->thread, mainThread);
}

TEST_F(ConnectionTest, DisconnectIsManualWithItsType) {
    ASSERT_TRUE(connectTo("FR"));
    recorder->clear();
    manager->disconnectVPN();
    auto gone = recorder->waitFor("didDisconnect");
    ASSERT_TRUE(gone);
    EXPECT_TRUE(gone->details->isDisconnectedManually);
    EXPECT_FALSE(gone->details->isCancelled);
    EXPECT_EQ(gone->details->disconnectionType, static_cast<int>(ZevuDisconnectionType::Manual));
    EXPECT_EQ(recorder->states(), (std::vector{ZevuVPNState::Disconnecting, ZevuVPNState::Disconnected}));
    EXPECT_EQ(status(), ZevuVPNState::Disconnected);
    EXPECT_FALSE(manager->getConnectedTime());
}

TEST_F(ConnectionTest, CancelWhileConnectingIsACancelledDisconnection) {
    ZevuTestAPI::setTimeScale(0.5);  // the cancel must arrive while the server is still being chosen
    Answer answer;
    manager->connectWithProperties(ZevuProperties::initWithCountry(country("JP"), ZevuProtocol("TCP")),
                                   answer.completion(), answer.errorBlock());
    ASSERT_TRUE(recorder->waitFor("didConnecting"));
    manager->cancelVPN();
    auto gone = recorder->waitFor("didDisconnect");
    ASSERT_TRUE(gone);
    EXPECT_TRUE(gone->details->isCancelled);
    EXPECT_FALSE(gone->details->isDisconnectedManually);
    EXPECT_EQ(gone->details->disconnectionType, static_cast<int>(ZevuDisconnectionType::Cancelled));
    auto dialError = recorder->waitFor("dialError");
    ASSERT_TRUE(dialError && dialError->error);
    EXPECT_EQ(dialError->error->code, ErrorCode::Cancelled);
    EXPECT_EQ(recorder->count("didConnect"), 0);
    EXPECT_EQ(status(), ZevuVPNState::Disconnected);
    // Cancelled before a server was chosen: the request itself answers with the cancel code.
    ASSERT_TRUE(answer.wait());
    ASSERT_EQ(answer.errors.size(), 1u);
    EXPECT_EQ(answer.errors[0].code, ErrorCode::Cancelled);
    EXPECT_EQ(answer.completions, 0);
}

TEST_F(ConnectionTest, ConnectingWhileConnectedReplacesTheTunnel) {
    auto first = connectTo("NL");
    ASSERT_TRUE(first);
    auto second = connectTo("SE");
    ASSERT_TRUE(second);
    auto gone = recorder->waitFor("didDisconnect");
    ASSERT_TRUE(gone);
    EXPECT_EQ(gone->details->disconnectionType, static_cast<int>(ZevuDisconnectionType::ConnectionOverConnection));
    EXPECT_EQ(gone->details->country, "Netherlands");
    EXPECT_EQ(second->country, "Sweden");
    EXPECT_EQ(status(), ZevuVPNState::Connected);
}

TEST_F(ConnectionTest, ReconnectDialsTheLastConnectionAgainAfterADrop) {
    auto first = connectTo("CH", "WireGuard");
    ASSERT_TRUE(first);
    ZevuTestAPI::dropTunnel();
    auto dropped = recorder->waitFor("didDisconnect");
    ASSERT_TRUE(dropped);
    EXPECT_EQ(dropped->details->disconnectionType, static_cast<int>(ZevuDisconnectionType::Dropped));
    EXPECT_FALSE(dropped->details->isDisconnectedManually);

    manager->setDoCheckInternetConnectivity(false);
    manager->reconnectVPN();
    auto again = recorder->waitFor("didConnect", 2);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->details->country, "Switzerland");
    EXPECT_EQ(again->details->protocol->protocol(), "WireGuard");
}

TEST_F(ConnectionTest, PauseAndResumeKeepTheTunnel) {
    ASSERT_TRUE(connectTo("IT"));
    ZevuTestAPI::pauseTunnel();
    ASSERT_TRUE(recorder->waitFor("didPaused"));
    EXPECT_EQ(status(), ZevuVPNState::Paused);
    ZevuTestAPI::resumeTunnel();
    waitForStatus(ZevuVPNState::Connected);
    waitForHandledState(ZevuVPNState::Connected);
    EXPECT_EQ(status(), ZevuVPNState::Connected);
    EXPECT_EQ(recorder->states().back(), ZevuVPNState::Connected);
    EXPECT_EQ(recorder->count("didDisconnect"), 0);
}

TEST_F(ConnectionTest, PacketCountersAreCumulativeAndOnlyGrowWhileConnected) {
    std::mutex m;
    std::condition_variable cv;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> samples;
    std::vector<std::thread::id> threads;
    manager->setOnPacketsTransmitted([&](std::optional<std::uint64_t> in, std::optional<std::uint64_t> out) {
        std::lock_guard lock(m);
        samples.emplace_back(in.value_or(0), out.value_or(0));
        threads.push_back(std::this_thread::get_id());
        cv.notify_all();
    });
    ASSERT_TRUE(connectTo("GB"));
    {
        std::unique_lock lock(m);
        ASSERT_TRUE(cv.wait_for(lock, morvex::test::kWaitTimeout, [&] { return samples.size() >= 5; }));
    }
    manager->disconnectVPN();
    ASSERT_TRUE(recorder->waitFor("didDisconnect"));
    std::size_t atDisconnect;
    {
        std::lock_guard lock(m);
        atDisconnect = samples.size();
    }
    ZevuTestAPI::settle();  // the last tick of the ended tunnel has run
    std::lock_guard lock(m);
    EXPECT_EQ(samples.size(), atDisconnect);
    for (std::size_t i = 1; i < samples.size(); ++i) {
        EXPECT_GT(samples[i].first, samples[i - 1].first);
        EXPECT_GT(samples[i].second, samples[i - 1].second);
    }
    for (auto t : threads) EXPECT_NE(t, std::this_thread::get_id());
}

TEST_F(ConnectionTest, ADelegateReleasedByItsOwnerIsNotCalled) {
    auto other = std::make_shared<Recorder>();
    manager->setDelegate(other);
    ASSERT_TRUE(other->waitFor("didInitialized"));  // a late delegate still hears the SDK is ready
    other.reset();
    // The worker may still be finishing the callback it made; then nothing holds the delegate.
    ZevuTestAPI::settle();
    EXPECT_EQ(manager->delegate(), nullptr);
    manager->connectWithProperties(ZevuProperties::initWithCountry(country("DE"), std::nullopt), nullptr, nullptr);
    waitForStatus(ZevuVPNState::Connected);
    EXPECT_EQ(status(), ZevuVPNState::Connected);
    ZevuTestAPI::settle();  // past the connected-location report
    EXPECT_EQ(recorder->count("didConnect"), 0);  // the fixture's recorder is no longer the delegate
}

TEST_F(ConnectionTest, TheTestBarrierWaitsForScheduledWorkButNotForTheTickOfATunnelThatIsUp) {
    std::atomic<bool> answered{false};
    manager->getCountriesWithSuccess([&](auto) { answered = true; }, nullptr);  // answered after a delay
    EXPECT_TRUE(ZevuTestAPI::settle());
    EXPECT_TRUE(answered);
    EXPECT_FALSE(ZevuTestAPI::settle()) << "nothing left to run";

    ASSERT_TRUE(connectTo("GB"));
    ZevuTestAPI::settle();  // returns although the tunnel's tick repeats for as long as it is up
    EXPECT_EQ(recorder->count("connectedLocation"), 1) << "the delayed report has come";
}

}  // namespace
}  // namespace zevu::test
