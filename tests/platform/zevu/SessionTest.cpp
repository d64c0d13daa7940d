// The manager across configurations and processes: the one shared instance, the readiness
// announcement, busy at once after a connect request, reconnect in a new process, extension
// requests without a name, dedicated hosts given by name, and the kill switch in a simulated session.
#include <future>

#include <arpa/inet.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <set>

#include "ZevuTestSupport.h"
#include "foundation/Paths.h"
#include "support/TestSupport.h"
#include "zevu/FirewallManager.h"

namespace zevu::test {
namespace {

class SessionTest : public ZevuTest {
protected:
    void SetUp() override {
        morvex::paths::setConfigDirectoryOverride(dir.path());
        ZevuTest::SetUp();
    }
    void TearDown() override {
        ZevuTest::TearDown();
        morvex::paths::setConfigDirectoryOverride({});
    }
    // A new process's view: nothing in memory, configured as the application does.
    std::shared_ptr<ZevuManager> startAgain(bool persist, const std::shared_ptr<Recorder>& delegate) {
        ZevuTestAPI::reset();
        ZevuTestAPI::setTimeScale(0.01);
        ZevuConfiguration config;
        config.persistVPNDetails = persist;
        config.tunnelProviderBundleIdentifier = "com.example.tunnel";
        auto m = ZevuManager::sharedInstanceWithZevuConfiguration(config);
        m->setDelegate(delegate);
        m->setZevuCredential(ZevuCredential("user", "secret"));
        return m;
    }
    morvex::test::TempDir dir;
};

TEST_F(SessionTest, TheSharedInstanceExistsBeforeConfigurationAndRefusesToDialUntilThen) {
    ZevuTestAPI::reset();
    auto before = ZevuManager::sharedInstance();
    ASSERT_NE(before, nullptr);
    EXPECT_EQ(before->getCurrentVPNStatus(), rawValue(ZevuVPNState::Invalid));
    Answer answer;
    before->connectWithProperties(ZevuProperties::initWithCountry(country("DE"), std::nullopt), answer.completion(),
                                  answer.errorBlock());
    EXPECT_EQ(before->getCurrentVPNStatus(), rawValue(ZevuVPNState::Invalid));  // not even busy
    ASSERT_TRUE(answer.wait());
    ASSERT_EQ(answer.errors.size(), 1u);
    EXPECT_EQ(answer.errors[0].code, ErrorCode::InvalidSession);
    EXPECT_EQ(ZevuManager::sharedInstanceWithZevuConfiguration(ZevuConfiguration{}), before);
    EXPECT_EQ(ZevuManager::sharedInstance(), before);
}

TEST_F(SessionTest, ReadinessReachesTheDelegateOncePerConfiguration) {
    ZevuTestAPI::settle();  // nothing more for the fixture's set-up
    EXPECT_EQ(recorder->count("didInitialized"), 1);

    // A second set-up, as after sign-in: configure, then hand over a new delegate.
    auto listener = std::make_shared<Recorder>();
    ZevuManager::sharedInstanceWithZevuConfiguration(manager->configuration());
    manager->setDelegate(listener);
    ASSERT_TRUE(listener->waitFor("didInitialized"));
    ZevuTestAPI::settle();  // past the start-up of that configuration
    EXPECT_EQ(listener->count("didInitialized"), 1);

    // Setting the same delegate again in the same configuration says nothing new.
    manager->setDelegate(listener);
    ZevuTestAPI::settle();
    EXPECT_EQ(listener->count("didInitialized"), 1);
    EXPECT_EQ(recorder->count("didInitialized"), 1);
}

TEST_F(SessionTest, StatusIsConnectingAsSoonAsAConnectRequestReturns) {
    // Keep the worker busy inside a catalogue answer, so the request waits behind it.
    std::promise<void> entered, release;
    auto released = release.get_future().share();
    manager->getCountriesWithSuccess(
        [&entered, released](std::optional<std::vector<ZevuCountry>>) {
            entered.set_value();
            released.wait();
        },
        nullptr);
    entered.get_future().wait();
    manager->connectWithProperties(ZevuProperties::initWithCountry(country("DE"), std::nullopt), nullptr, nullptr);
    const auto seen = status();
    release.set_value();
    EXPECT_EQ(seen, ZevuVPNState::Connecting);
    ASSERT_TRUE(recorder->waitFor("didConnect"));
    EXPECT_EQ(status(), ZevuVPNState::Connected);
}

TEST_F(SessionTest, ReconnectInANewProcessDialsTheKeptRequestOrDoesNothing) {
    // Nothing kept: nothing happens, no error.
    auto fresh = std::make_shared<Recorder>();
    auto m = startAgain(true, fresh);
    ASSERT_TRUE(fresh->waitFor("didInitialized"));
    m->reconnectVPN();
    ZevuTestAPI::settle();
    EXPECT_EQ(fresh->count("dialError"), 0);
    EXPECT_EQ(fresh->count("didConnecting"), 0);
    EXPECT_EQ(m->getCurrentVPNStatus(), rawValue(ZevuVPNState::Disconnected));

    // A request dialled in one process is dialled again by a reconnect in the next.
    m->connectWithProperties(ZevuProperties::initWithCountry(country("FR"), ZevuProtocol("IKEV")), nullptr, nullptr);
    ASSERT_TRUE(fresh->waitFor("didConnect"));
    auto next = std::make_shared<Recorder>();
    m = startAgain(true, next);
    ASSERT_TRUE(next->waitFor("didInitialized"));
    m->reconnectVPN();
    auto up = next->waitFor("didConnect");
    ASSERT_TRUE(up && up->details);
    EXPECT_EQ(up->details->country, "France");
}

TEST_F(SessionTest, ActivatingWithoutANameRequestsEveryConfiguredExtensionNotYetCompleted) {
    ExtensionManager::shared().setDelegate(recorder);
    ExtensionManager::shared().activate(std::nullopt);
    ASSERT_TRUE(recorder->waitFor("extensionCompleted", 2));
    std::set<std::string> ids;
    for (const auto& e : recorder->events())
        if (e.name == "extensionCompleted") ids.insert(e.bundleId);
    EXPECT_EQ(ids, (std::set<std::string>{"com.example.tunnel", "com.example.wireguard"}));

    // Completed ones are not asked for again.
    recorder->clear();
    ExtensionManager::shared().activate(std::nullopt);
    ZevuTestAPI::settle();
    EXPECT_EQ(recorder->count("extensionCompleted"), 0);
}

TEST_F(SessionTest, ADedicatedHostGivenByNameIsReportedWithAnAddress) {
    auto isIPv4 = [](const std::optional<std::string>& text) {
        in_addr a{};
        return text && inet_pton(AF_INET, text->c_str(), &a) == 1;
    };
    const std::string name = "dedicated-7.example.invalid";
    std::vector<ZevuMultipleDNS> hosts{ZevuMultipleDNS(name, name, ZevuProtocol("IKEV"))};
    manager->connectWithProperties(ZevuProperties::initWithMultipleDedicatedHost(hosts, ZevuProtocol("IKEV")), nullptr,
                                   nullptr);
    auto up = recorder->waitFor("didConnect");
    ASSERT_TRUE(up && up->details);
    EXPECT_TRUE(isIPv4(up->details->serverIp)) << up->details->serverIp.value_or("none");
    EXPECT_EQ(up->details->serverAddress, name);
    auto where = recorder->waitFor("connectedLocation");
    ASSERT_TRUE(where && where->location);
    EXPECT_EQ(where->location->ip, up->details->serverIp);

    // The same name gives the same address in a later dial.
    const auto first = up->details->serverIp;
    manager->connectWithProperties(ZevuProperties::initWithMultipleDedicatedHost(hosts, ZevuProtocol("IKEV")), nullptr,
                                   nullptr);
    auto again = recorder->waitFor("didConnect", 2);
    ASSERT_TRUE(again && again->details);
    EXPECT_EQ(again->details->serverIp, first);
}

TEST_F(SessionTest, TheSharedFirewallManagerNeverAsksTheHelperForTheKillSwitchInASimulatedSession) {
    // A listener where the helper would be: the kill switch must not even reach it.
    const auto socketPath = (dir.path() / "helper.sock").string();
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);

    auto& firewall = FirewallManager::shared();
    const auto saved = firewall.configuration();
    auto config = saved;
    config.socketPath = socketPath;
    config.timeout = std::chrono::milliseconds(200);
    firewall.setConfiguration(config);

    std::promise<bool> answered;
    firewall.enableFirewall("192.0.2.10", "IKEV", [&](bool ok) { answered.set_value(ok); });
    auto future = answered.get_future();
    const bool finished = future.wait_for(morvex::test::kWaitTimeout) == std::future_status::ready;
    const int caller = ::accept(listener, nullptr, nullptr);
    firewall.setConfiguration(saved);
    if (caller >= 0) ::close(caller);
    ::close(listener);
    ASSERT_TRUE(finished);
    EXPECT_FALSE(future.get());
    EXPECT_LT(caller, 0) << "the kill switch tried to reach the helper";
}

}  // namespace
}  // namespace zevu::test
