#pragma once
// The engine's test world: the alert recorders, a signed-in user, and the simulated SDK set up as
// the application does it, running at a hundredth of real time. Answers that hop to the main
// queue are awaited as events (waitUntil), or settled: the SDK's due work and the main queue run
// until neither has anything left, and then the test counts.
#include <QCoreApplication>
#include <QThread>

#include "alerts/AlertTestSupport.h"
#include "flows/MorvexVPNService.h"
#include "foundation/Dispatch.h"
#include "foundation/NotificationCenter.h"
#include "vpn/StateListener.h"
#include "vpn/Zevu.h"
#include "zevu/ZevuTestAPI.h"

namespace morvex::test {

// Runs the SDK's due tasks and the main queue in turn until both are idle.
inline void settleWithSdk() {
    settle([] { return zevu::ZevuTestAPI::settle(); });
}

// What a connect request's error handler received, and on which thread.
struct Outcome {
    int calls = 0;
    std::vector<std::optional<Error>> received;
    bool allOnMain = true;

    Zevu::ErrorHandler handler() {
        return [this](const std::optional<Error>& e) {
            ++calls;
            received.push_back(e);
            if (QThread::currentThread() != QCoreApplication::instance()->thread()) allOnMain = false;
        };
    }
    std::optional<int> lastCode() const {
        if (received.empty() || !received.back()) return std::nullopt;
        return received.back()->code;
    }
};

class EngineTest : public AlertTest {
public:  // table cases arrange through these
    void SetUp() override {
        AlertTest::SetUp();
        zevu::ZevuTestAPI::reset();
        zevu::ZevuTestAPI::setTimeScale(0.01);
        signIn();
        Zevu::configureSDK(User(), MorvexVPNService::makeZevu);
        ASSERT_TRUE(waitUntil([] { return sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Disconnected); }));
    }
    void TearDown() override {
        zevu::ZevuTestAPI::reset();
        // Answers the SDK handed to the main queue (a recommended-location refresh after a manual
        // disconnection, say) run while this test's services are still installed.
        settleWithSdk();
        AlertTest::TearDown();
    }

    static void signIn() {
        User user;
        user.setVpnUsername("alice");
        user.setVpnPassword("secret");
        user.setStatus(User::Status::Active);
        user.setLoggedIn(true);
    }
    static int sdkStatus() { return zevu::ZevuManager::sharedInstance()->getCurrentVPNStatus(); }

    // A Zevu over the shared manager whose analytics are recorded and whose network is reachable
    // unless a test says otherwise.
    Zevu engine() {
        Zevu z(zevu::ZevuManager::sharedInstance(), ErrorSender{}, ZevuDataFetcher{}, User(), AppPreferences(), tracker(),
               PreservedPreferences(), nullptr);
        z.isNetworkReachable = [this] { return reachable; };
        return z;
    }
    // Brings a tunnel up to a country and waits for it.
    void connectTunnel(const std::string& code = "DE") {
        zevu::ZevuCountry c;
        c.country = code;
        zevu::ZevuManager::sharedInstance()->connectWithProperties(zevu::ZevuProperties::initWithCountry(c, std::nullopt),
                                                                  nullptr, nullptr);
        ASSERT_TRUE(waitUntil([] { return sdkStatus() == zevu::rawValue(zevu::ZevuVPNState::Connected); }));
        // The state listener records the dialled server on the SDK's thread after the status has
        // turned; a test that then stores a last connection of its own must not race it.
        const auto details = zevu::ZevuManager::sharedInstance()->zevuConnectionDetails();
        if (!details) return;
        const auto dialled = details->nasIdentifier;
        ASSERT_TRUE(waitUntil([&] {
            const auto last = AppPreferences().lastConnection();
            return last && last->nasIdentifier == dialled;
        }));
    }
    static AppPreferences::LastConnection record(const ZevuDataFetcherTypes::ServerPtr& s,
                                                 ZevuTypes::SelectedInterface via = ZevuTypes::SelectedInterface::List) {
        return {via, ZevuTypes::ConnectVia::Country, ZevuTypes::SelectedInterfaceScreen::Location,
                ZevuTypes::ConnectionInitiatedBy::User, s, "", false, false};
    }

    bool reachable = true;
};

}  // namespace morvex::test
