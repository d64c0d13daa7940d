// Scripted and natural failures reach the callbacks with their codes.
#include "ZevuTestSupport.h"

namespace zevu::test {
namespace {

class FaultTest : public ZevuTest {
protected:
    void connect(Answer& answer, const std::string& code = "DE", const std::string& protocol = "IKEV") {
        manager->connectWithProperties(ZevuProperties::initWithCountry(country(code), ZevuProtocol(protocol)),
                                       answer.completion(), answer.errorBlock());
    }
};

// A failure that ends the attempt: the dial error's code, whether the request itself answered with
// the error (before a server was chosen) and how many redials came first.
struct EndingCase {
    const char* label;
    ZevuFaultScript script;
    int code;
    bool requestFails;
    int redials;
};

void PrintTo(const EndingCase& c, std::ostream* os) { *os << c.label; }

class EndingFaultTest : public FaultTest, public ::testing::WithParamInterface<EndingCase> {};

TEST_P(EndingFaultTest, EndsWithADialErrorCarryingItsCode) {
    const auto& c = GetParam();
    ZevuTestAPI::scriptNextConnect(c.script);
    Answer answer;
    connect(answer);
    auto failed = recorder->waitFor("dialError");
    ASSERT_TRUE(failed && failed->error);
    EXPECT_EQ(failed->error->code, c.code);
    EXPECT_EQ(failed->error->domain, ZevuErrorDomain);
    EXPECT_FALSE(failed->error->message.empty());
    ASSERT_TRUE(failed->details);
    EXPECT_EQ(recorder->count("onRedialing"), c.redials);
    EXPECT_EQ(recorder->count("didConnect"), 0);
    waitForStatus(ZevuVPNState::Disconnected);
    waitForHandledState(ZevuVPNState::Disconnected);
    EXPECT_EQ(status(), ZevuVPNState::Disconnected);
    EXPECT_EQ(recorder->states().back(), ZevuVPNState::Disconnected);
    ASSERT_TRUE(answer.wait());
    if (c.requestFails) {
        ASSERT_EQ(answer.errors.size(), 1u);
        EXPECT_EQ(answer.errors[0].code, c.code);
        EXPECT_EQ(answer.completions, 0);
    } else {
        EXPECT_TRUE(answer.errors.empty());
        EXPECT_EQ(answer.completions, 1);
        EXPECT_EQ(failed->details->connectionAttempts, c.redials + 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, EndingFaultTest,
    ::testing::Values(
        EndingCase{"RejectedRequest", {.rejectRequest = makeError(5129)}, 5129, true, 0},
        EndingCase{"RejectedWithAnyCode", {.rejectRequest = makeError(5043)}, 5043, true, 0},
        EndingCase{"RefusedDial", {.refuseDial = makeError(ErrorCode::AuthenticationFailed)}, ErrorCode::AuthenticationFailed, false, 0},
        EndingCase{"EveryDialFails", {.failingDials = 3, .failingDialCode = ErrorCode::TunnelFailed}, ErrorCode::TunnelFailed, false, 2},
        EndingCase{"SlowConnectTimesOut", {.slowConnect = 30}, ErrorCode::TimedOut, false, 0}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(FaultTest, AFailedDialIsRedialledAndThenConnects) {
    ZevuTestAPI::scriptNextConnect({.failingDials = 1, .failingDialCode = 5002});
    Answer answer;
    connect(answer, "US", "UDP");
    auto redial = recorder->waitFor("onRedialing");
    ASSERT_TRUE(redial && redial->error);
    EXPECT_EQ(redial->error->code, 5002);
    auto up = recorder->waitFor("didConnect");
    ASSERT_TRUE(up);
    EXPECT_EQ(up->details->connectionAttempts, 2);
    // The redial is announced to the state handler while the status stays "connecting".
    EXPECT_EQ(recorder->states(), (std::vector{ZevuVPNState::Connecting, ZevuVPNState::Redialing, ZevuVPNState::Connected}));
    EXPECT_EQ(recorder->count("dialError"), 0);
}

TEST_F(FaultTest, DropAfterADelayIsAnUnplannedDisconnection) {
    ZevuTestAPI::scriptNextConnect({.dropAfter = 2.0});
    Answer answer;
    connect(answer);
    ASSERT_TRUE(recorder->waitFor("didConnect"));
    auto dropped = recorder->waitFor("didDisconnect");
    ASSERT_TRUE(dropped);
    EXPECT_EQ(dropped->details->disconnectionType, static_cast<int>(ZevuDisconnectionType::Dropped));
    EXPECT_FALSE(dropped->details->isDisconnectedManually);
    EXPECT_FALSE(dropped->details->isCancelled);
    EXPECT_EQ(status(), ZevuVPNState::Disconnected);
}

TEST_F(FaultTest, NoInternetThroughTheTunnelIsReportedOnlyWhenChecking) {
    for (bool check : {true, false}) {
        SCOPED_TRACE(check);
        recorder->clear();
        manager->setDoCheckInternetConnectivity(check);
        ZevuTestAPI::scriptNextConnect({.noInternet = true});
        manager->disconnectVPN();
        Answer answer;
        connect(answer, check ? "AT" : "BE");
        ASSERT_TRUE(recorder->waitFor("didConnect"));
        ZevuTestAPI::settle();  // the connect's steps have run, the connectivity check among them
        EXPECT_EQ(recorder->count("noInternet"), check ? 1 : 0);
        if (auto lost = recorder->waitFor("noInternet", 1, std::chrono::milliseconds(0))) {
            ASSERT_TRUE(lost->error && lost->details);
            EXPECT_EQ(lost->error->code, ErrorCode::NoInternetThroughTunnel);
            EXPECT_EQ(lost->details->country, "Austria");
        }
        EXPECT_EQ(status(), ZevuVPNState::Connected);  // the tunnel stays up
    }
}

TEST_F(FaultTest, MissingCredentialOrConfigurationEndsWithAnInvalidSession) {
    for (bool configured : {true, false}) {
        SCOPED_TRACE(configured);
        recorder->clear();
        if (configured) {
            manager->setZevuCredential(std::nullopt);
        } else {
            ZevuTestAPI::reset();  // the manager handle outlives its configuration
            ZevuTestAPI::setTimeScale(0.01);
            manager->setDelegate(recorder);
            manager->setZevuCredential(ZevuCredential("user", "secret"));
        }
        Answer answer;
        connect(answer);
        auto failed = recorder->waitFor("dialError");
        ASSERT_TRUE(failed && failed->error);
        EXPECT_EQ(failed->error->code, ErrorCode::InvalidSession);
        ASSERT_TRUE(answer.wait());
        ASSERT_EQ(answer.errors.size(), 1u);
        EXPECT_EQ(answer.errors[0].code, ErrorCode::InvalidSession);
        // The application's own refusals use -1000 to -1002; the SDK's never do.
        EXPECT_FALSE(answer.errors[0].code >= -1002 && answer.errors[0].code <= -1000) << answer.errors[0].code;
        EXPECT_EQ(answer.errors[0].domain, ZevuErrorDomain);
        if (!configured) {
            EXPECT_EQ(status(), ZevuVPNState::Invalid);  // nothing was dialled
            EXPECT_EQ(recorder->count("didConnecting"), 0);
        }
    }
}

TEST_F(FaultTest, NoServerForTheLocationOrProtocol) {
    struct Case {
        const char* what;
        ZevuProperties properties;
        std::vector<ZevuProtocol> excluded;
    };
    auto onlyTcp = ZevuProperties::initWithCountry(country("DE"), ZevuProtocol("TCP"));
    onlyTcp.setEnableProtocolSwitch(false);
    auto unknownWord = ZevuProperties::initWithCountry(country("DE"), ZevuProtocol("Carrier pigeon"));
    unknownWord.setEnableProtocolSwitch(false);
    std::vector<ServerFilter> everyGerman;
    for (const auto& name : {"de-frankf-nas01", "de-frankf-nas02", "de-frankf-nas03", "de-berlin-nas01", "de-berlin-nas02",
                             "de-berlin-nas03", "de-munich-nas01", "de-munich-nas02", "de-munich-nas03", "de-hambur-nas01",
                             "de-hambur-nas02", "de-hambur-nas03"})
        everyGerman.emplace_back(name, 1);
    auto allFiltered = ZevuProperties::initWithCountry(country("DE"), ZevuProtocol("IKEV"));
    allFiltered.setServerFilters(everyGerman);
    Case cases[] = {
        {"unknown country", ZevuProperties::initWithCountry(country("XX"), std::nullopt), {}},
        {"empty country", ZevuProperties::initWithCountry(ZevuCountry{}, std::nullopt), {}},
        {"unknown city", ZevuProperties::initWithCity(ZevuCity{.cityId = 999999}, std::nullopt), {}},
        {"excluded protocol without fallback", onlyTcp, {ZevuProtocol("TCP")}},
        {"unknown protocol without fallback", unknownWord, {}},
        {"every server filtered out", allFiltered, {}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        recorder->clear();
        manager->setExcludeProtocols(c.excluded);
        Answer answer;
        manager->connectWithProperties(c.properties, answer.completion(), answer.errorBlock());
        auto failed = recorder->waitFor("dialError");
        ASSERT_TRUE(failed && failed->error);
        EXPECT_EQ(failed->error->code, ErrorCode::NoServerAvailable);
        ASSERT_TRUE(answer.wait());
        ASSERT_EQ(answer.errors.size(), 1u);
        EXPECT_EQ(answer.errors[0].code, ErrorCode::NoServerAvailable);
    }
}

TEST_F(FaultTest, TheSameTargetWhileConnectingIsAlreadyInProgress) {
    Answer first, second;
    connect(first, "PL");
    connect(second, "PL");
    ASSERT_TRUE(second.wait());
    ASSERT_EQ(second.errors.size(), 1u);
    EXPECT_EQ(second.errors[0].code, ErrorCode::AlreadyConnecting);
    ASSERT_TRUE(recorder->waitFor("didConnect"));  // the first attempt goes on
    EXPECT_EQ(first.completions, 1);
    EXPECT_EQ(recorder->count("dialError"), 0);
}

TEST_F(FaultTest, ANewTargetWhileConnectingSupersedesTheAttempt) {
    Answer first, second;
    ZevuTestAPI::setTimeScale(0.5);  // the first is still choosing its server when the second comes
    connect(first, "PL");
    ASSERT_TRUE(recorder->waitFor("didConnecting"));
    connect(second, "PT");
    auto replaced = recorder->waitFor("dialError");
    ASSERT_TRUE(replaced && replaced->error);
    EXPECT_EQ(replaced->error->code, ErrorCode::AttemptSuperseded);
    auto up = recorder->waitFor("didConnect");
    ASSERT_TRUE(up);
    EXPECT_EQ(up->details->country, "Portugal");
    ASSERT_TRUE(first.wait());
    ASSERT_EQ(first.errors.size(), 1u);
    EXPECT_EQ(first.errors[0].code, ErrorCode::AttemptSuperseded);
}

TEST_F(FaultTest, ExcludedProtocolsAreNeverDialled) {
    manager->setExcludeProtocols({ZevuProtocol("TCP")});
    auto props = ZevuProperties::initWithCountry(country("FR"), ZevuProtocol("TCP"));
    manager->connectWithProperties(props, nullptr, nullptr);
    auto up = recorder->waitFor("didConnect");
    ASSERT_TRUE(up);
    EXPECT_NE(up->details->protocol->canonicalWord(), "TCP");
}

TEST_F(FaultTest, ExtensionRequestsEndAsScripted) {
    ExtensionManager::shared().setDelegate(recorder);
    struct Case {
        ExtensionOutcome outcome;
        const char* event;
        int result;
    } cases[] = {
        {ExtensionOutcome::Completed, "extensionCompleted", 0},
        {ExtensionOutcome::WillCompleteAfterReboot, "extensionCompleted", 1},
        {ExtensionOutcome::Failed, "extensionFailed", -1},
    };
    for (const auto& c : cases) {
        recorder->clear();
        ZevuTestAPI::setExtensionOutcome(c.outcome, 8);
        ExtensionManager::shared().activate("com.example.wireguard");
        auto e = recorder->waitFor(c.event);
        ASSERT_TRUE(e);
        EXPECT_EQ(e->bundleId, "com.example.wireguard");
        EXPECT_EQ(e->result, c.result);
        if (c.outcome == ExtensionOutcome::Failed) {
            ASSERT_TRUE(e->error);
            EXPECT_EQ(e->error->code, 8);
        }
        EXPECT_NE(e->thread, std::this_thread::get_id());
    }
    EXPECT_TRUE(ExtensionManager::shared().isActivated("com.example.wireguard"));
}

TEST_F(FaultTest, ExtensionApprovalIsAwaitedThenGrantedOrDenied) {
    ExtensionManager::shared().setDelegate(recorder);
    ZevuTestAPI::setExtensionOutcome(ExtensionOutcome::NeedsApproval);
    ExtensionManager::shared().activate("com.example.tunnel");
    auto asked = recorder->waitFor("extensionNeedsApproval");
    ASSERT_TRUE(asked);
    EXPECT_EQ(asked->bundleId, "com.example.tunnel");
    EXPECT_FALSE(ExtensionManager::shared().isActivated("com.example.tunnel"));
    ZevuTestAPI::approvePendingExtensions();
    auto done = recorder->waitFor("extensionCompleted");
    ASSERT_TRUE(done);
    EXPECT_EQ(done->result, ExtensionManager::rawValue(ExtensionManager::Result::Completed));
    EXPECT_TRUE(ExtensionManager::shared().isActivated("com.example.tunnel"));

    ExtensionManager::shared().activate("com.example.wireguard");
    ASSERT_TRUE(recorder->waitFor("extensionNeedsApproval", 2));
    ZevuTestAPI::denyPendingExtensions(4);
    auto denied = recorder->waitFor("extensionFailed");
    ASSERT_TRUE(denied && denied->error);
    EXPECT_EQ(denied->error->code, 4);
    EXPECT_EQ(denied->bundleId, "com.example.wireguard");
}

}  // namespace
}  // namespace zevu::test
