// The request pipeline against the local fake service: dispatch, answer handling, token refresh
// and the move to alternative domains.
#include <gtest/gtest.h>

#include <cstdlib>

#include <nlohmann/json.hpp>

#include "FakeService.h"
#include "api/DomainFronting.h"
#include "api/Envelopes.h"
#include "api/FakeAuth.h"
#include "api/Networking.h"
#include "foundation/Log.h"
#include "foundation/LogMasking.h"
#include "model/BundleInfo.h"
#include "model/ServiceHosts.h"
#include "state/AppPreferences.h"
#include "support/TestSupport.h"
#include "support/RecordingTracking.h"

namespace morvex {
namespace {

using fake::Answer;
using namespace std::chrono_literals;

struct Port {
    static constexpr bool emptyObjectRepresentable = true;
    std::string port;
};
void from_json(const nlohmann::json& j, Port& p) { p.port = coding::requiredString(j, "port"); }

using test::RecordingTracking;

class RequestPipelineTest : public test::TempConfigTest {
protected:
    void SetUp() override {
        TempConfigTest::SetUp();
        ASSERT_TRUE(service.start());
        hosts::setServiceURLOverride(service.baseURL());
        networking.makeEventTracker = [this] {
            return EventTracker(analytics, AppPreferences(), PreservedPreferences());
        };
    }
    void TearDown() override {
        DomainFronting::shared().domainData.reset();
        hosts::setServiceURLOverride(std::nullopt);
        TempConfigTest::TearDown();
    }

    // Collects the completions of requests; waits until `n` have come and every request sent has
    // been answered.
    template <class T>
    struct Answers {
        std::vector<Result<T>> results;
        Networking::Completion<T> completion() {
            return [this](Result<T> r) { results.push_back(std::move(r)); };
        }
    };
    template <class T>
    void waitFor(const Answers<T>& answers, std::size_t n) {
        EXPECT_TRUE(test::waitUntil([&] { return answers.results.size() >= n; }));
        test::settleRequests();
        EXPECT_EQ(answers.results.size(), n);
    }

    Result<Port> portForwarding() {
        Answers<Port> answers;
        networking.requestPortForwarding<Port>(nlohmann::json{{"username", "alex"}}, answers.completion());
        waitFor(answers, 1);
        return answers.results.empty() ? fail(Error()) : answers.results[0];
    }

    // The fake's refreshes.
    std::size_t refreshes() const { return service.requestsTo("/refresh/token").size(); }

    fake::FakeService service;
    test::FakeAuth auth{"access-0"};
    std::shared_ptr<RecordingTracking> analytics = std::make_shared<RecordingTracking>();
    Networking networking{&auth};
};

// --- answer handling -------------------------------------------------------------------------

TEST_F(RequestPipelineTest, GatewayAnswersAreUnwrappedOrFailWithTheServiceCodeAndMessage) {
    const std::string path = "/MorvexVPN/user/portforwarding/v3";
    struct Case {
        const char* name;
        Answer answer;
        int code;
        std::string message;  // empty: not checked
    };
    nlohmann::json refused = {{"header", {{"response_code", 1046}, {"message", "Account on hold"}}}, {"body", {{"port", "1"}}}};
    std::vector<Case> cases = {
        {"1046 with 200", Answer::json(refused, 200), 1046, "Account on hold"},
        {"1046 with 400", Answer::json(refused, 400), 1046, "Account on hold"},
        {"200 without body", Answer::json({{"header", {{"response_code", 200}, {"message", "OK"}}}}), -1,
         "Something went wrong. Please try again later or contact support. (-1)"},
        {"400 that is not JSON", Answer::malformed(400), 3840, ""},
        {"500", Answer::plain(500, "down"), 500, ""},
        {"200 with empty body", Answer::empty(200), 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service.failNext(path, c.answer);
        auto result = portForwarding();
        ASSERT_FALSE(result.has_value());
        EXPECT_EQ(result.error().domain, kMorvexVPNErrorDomain);
        EXPECT_EQ(result.error().code, c.code);
        if (!c.message.empty()) {
            EXPECT_EQ(result.error().message, c.message);
        }
    }
    // The -1 error carries the reason beneath it.
    service.failNext(path, Answer::json({{"header", {{"response_code", 200}, {"message", "OK"}}}, {"body", nlohmann::json::object()}}));
    auto empty = portForwarding();
    ASSERT_FALSE(empty.has_value());
    ASSERT_TRUE(empty.error().underlying);
    EXPECT_EQ(empty.error().underlying->code, -1);
    EXPECT_EQ(empty.error().underlying->message, Networking::emptyBodyError().message);

    auto fine = portForwarding();
    ASSERT_TRUE(fine.has_value());
    EXPECT_EQ(fine->port, "51820");
}

TEST_F(RequestPipelineTest, OnlyDecodedAnswersAreLogged) {
    log::Capture capture;
    service.failNext("/MorvexVPN/user/portforwarding/v3", Answer::plain(401, "nope"), 1);
    auth.expiry = Date{Date::now().secondsSince1970 + 3600};
    (void)portForwarding();
    EXPECT_FALSE(capture.containsText("Response of ")) << "a 401 is not decoded";
    (void)portForwarding();
    EXPECT_TRUE(capture.containsText("Response of Optional(\"portforwarding\"): ")) << "a decoded answer is";
    EXPECT_FALSE(capture.containsText("morvex0s1234567")) << "by its size only";

    // The debug switch shows the body, with the user's fields masked.
    ::setenv("MORVEX_LOG_BODIES", "1", 1);
    log::Capture shown;
    (void)portForwarding();
    ::unsetenv("MORVEX_LOG_BODIES");
    EXPECT_TRUE(shown.containsText("\"ports\":\"51820, 51821\"")) << "the body is shown";
    EXPECT_TRUE(shown.containsText("\"username\":\"<masked>\""));
    EXPECT_FALSE(shown.containsText("morvex0s1234567"));
}

TEST(LogMaskingTest, EverySecretOrPersonalFieldIsMaskedAtAnyDepth) {
    const nlohmann::json answer = {
        {"header", {{"response_code", 200}, {"message", "OK"}}},
        {"body", {{"access_token", "at-1"}, {"refreshToken", "rt-1"}, {"code", "sealed"}, {"password", "pw"},
                  {"email", "alex@example.com"}, {"note", "write to alex@example.com"}, {"vpn_username", "morvex0s9"},
                  {"client_name", "Alex"}, {"code_verifier", "v"}, {"list", {{{"token", "t"}}, "bob@example.com"}},
                  {"status", "active"}}}};
    auto masked = log::maskedJSON(answer.dump());
    ASSERT_TRUE(masked.has_value());
    for (const char* secret : {"at-1", "rt-1", "sealed", "\"pw\"", "example.com", "morvex0s9", "Alex", "\"v\"", "\"t\""})
        EXPECT_EQ(masked->find(secret), std::string::npos) << secret << " in " << *masked;
    EXPECT_NE(masked->find("\"status\":\"active\""), std::string::npos) << "plain fields stay";
    EXPECT_NE(masked->find("\"response_code\":200"), std::string::npos);
    EXPECT_FALSE(log::maskedJSON("token=abc").has_value()) << "what is not JSON is not shown";
    EXPECT_EQ(log::describeBody("token=abc"), "9 bytes");
}

TEST_F(RequestPipelineTest, BareHostsAreNeverCheckedForAResponseCode) {
    service.failNext("/MorvexVPN/user/profile",
                     Answer::json({{"header", {{"response_code", 1046}, {"message", "no"}}}, {"body", {{"port", "9"}}}}));
    Answers<HttpResponseModel<Port>> answers;
    networking.requestUserProfile<HttpResponseModel<Port>>(std::nullopt, answers.completion());
    waitFor(answers, 1);
    ASSERT_TRUE(answers.results[0].has_value());
    EXPECT_EQ(answers.results[0]->body.port, "9");
}

TEST_F(RequestPipelineTest, GetParametersThatAreNotTextAreSentAsText) {
    Answers<Port> answers;
    networking.requestPortForwarding<Port>(nlohmann::json{{"username", "alex"}, {"count", 3}, {"active", true}},
                                           answers.completion());
    waitFor(answers, 1);
    auto sent = service.requestsTo("/MorvexVPN/user/portforwarding/v3");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].queryValue("username"), "alex");
    EXPECT_EQ(sent[0].queryValue("count"), "3");
    EXPECT_EQ(sent[0].queryValue("active"), "true");
}

TEST_F(RequestPipelineTest, PostsSendTheirParametersOrAnEmptyObject) {
    Answers<SupportAPIResponseModel> answers;
    networking.postSupportTicket<SupportAPIResponseModel>(nlohmann::json{{"message", "hi"}, {"count", 2}}, answers.completion());
    networking.postSupportTicket<SupportAPIResponseModel>(std::nullopt, answers.completion());
    waitFor(answers, 2);
    auto sent = service.requestsTo("/MorvexVPN/ticket/create");
    ASSERT_EQ(sent.size(), 2u);
    std::vector<nlohmann::json> bodies{*sent[0].json(), *sent[1].json()};
    EXPECT_TRUE(std::count(bodies.begin(), bodies.end(), nlohmann::json{{"message", "hi"}, {"count", 2}}) == 1);
    EXPECT_TRUE(std::count(bodies.begin(), bodies.end(), nlohmann::json::object()) == 1);
    EXPECT_EQ(analytics->count("app_api_response_time"), 2);
}

// --- token refresh ---------------------------------------------------------------------------

constexpr double kDay = 86400;
constexpr double kRefreshLifetime = 1209600;

TEST_F(RequestPipelineTest, A401WithAYoungSessionRefreshesAndStoresTheScopedToken) {
    auth.expiry = Date{Date::now().secondsSince1970 - 10 * kDay + kRefreshLifetime};  // made 10 days ago
    service.failNext("/MorvexVPN/user/portforwarding/v3", Answer::plain(401, "expired"));
    auto failed = portForwarding();
    ASSERT_FALSE(failed.has_value()) << "the request that met the 401 fails with its own error";
    EXPECT_EQ(failed.error().code, 401);
    EXPECT_EQ(refreshes(), 1u);
    EXPECT_EQ(service.requestsTo("/refresh/token")[0].json()->value("refresh_token", ""), "refresh-1");
    ASSERT_EQ(auth.saved.size(), 1u);
    std::string fresh = *auth.saved[0].accessToken;
    EXPECT_EQ(AppPreferences().keychain().get(infoReleaseCode() + "_API_dialer-api/user"), fresh);
    EXPECT_EQ(service.requestsTo("/MorvexVPN/user/portforwarding/v3").size(), 1u) << "never sent again";
    EXPECT_EQ(auth.signOuts, 0);

    ASSERT_TRUE(portForwarding().has_value());
    EXPECT_EQ(service.requestsTo("/MorvexVPN/user/portforwarding/v3").back().header("Authorization"), "Bearer " + fresh);
}

TEST_F(RequestPipelineTest, A401WithAnExpiredSessionSignsOutAndStillAnswers) {
    auth.expiry = Date{Date::now().secondsSince1970 - 15 * kDay + kRefreshLifetime};  // made 15 days ago
    service.failNext("/MorvexVPN/user/portforwarding/v3", Answer::plain(401, "expired"));
    auto failed = portForwarding();
    ASSERT_FALSE(failed.has_value());
    EXPECT_EQ(failed.error().code, 401);
    EXPECT_EQ(auth.signOuts, 1);
    EXPECT_EQ(refreshes(), 0u);
}

TEST_F(RequestPipelineTest, OtherFailuresRefreshNothing) {
    for (int status : {403, 500}) {
        service.failNext("/MorvexVPN/user/portforwarding/v3", Answer::plain(status, "no"));
        auto failed = portForwarding();
        ASSERT_FALSE(failed.has_value());
        EXPECT_EQ(failed.error().code, status);
    }
    EXPECT_EQ(refreshes(), 0u);
    EXPECT_EQ(auth.signOuts, 0);
}

TEST_F(RequestPipelineTest, A401FromAnotherHostRefreshesNothing) {
    fake::FakeService receipts;
    ASSERT_TRUE(receipts.start());
    hosts::setServiceURLOverride(ServiceHost::Receipt, receipts.baseURL());
    receipts.route("POST", "/verifyReceipt", Answer::plain(401, "no"));
    Answers<Port> answers;
    networking.postRequest<Port>(Endpoint::VerifyReceipt, std::nullopt, std::nullopt, answers.completion());
    waitFor(answers, 1);
    ASSERT_EQ(receipts.requestsTo("/verifyReceipt").size(), 1u);
    EXPECT_FALSE(receipts.requestsTo("/verifyReceipt")[0].header("Authorization")) << "only the API host is signed";
    EXPECT_EQ(refreshes(), 0u);
    EXPECT_EQ(service.requests().size(), 0u);
}

TEST_F(RequestPipelineTest, EveryFailedRefreshStillAnswersTheWaitingRequest) {
    struct Case {
        const char* name;
        Answer refresh;
        int code;
    };
    std::vector<Case> cases = {
        {"refresh unreachable", Answer::dropped(), -1005},
        {"empty refresh answer (the library's empty-body error)", Answer::empty(200), http::SessionError::inputDataNilOrZeroLength},
        {"refresh answer not JSON", Answer::malformed(200), 401},
        {"code not decryptable", Answer::json({{"header", {{"response_code", 200}, {"message", "OK"}}}, {"body", {{"code", "bm90IHNlYWxlZA=="}}}}), 401},
        {"no code", Answer::json({{"header", {{"response_code", 200}, {"message", "OK"}}}, {"body", nlohmann::json::object()}}), 401},
        {"token set without access token", fake::tokenAnswer({{"oem-rt", "r"}}), 401},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service.failNext("/MorvexVPN/user/portforwarding/v3", Answer::plain(401, "expired"));
        service.failNext("/refresh/token", c.refresh);
        auto failed = portForwarding();
        ASSERT_FALSE(failed.has_value());
        EXPECT_EQ(failed.error().code, c.code);
    }
    EXPECT_TRUE(auth.saved.empty());
}

TEST_F(RequestPipelineTest, RequestsMeetingA401TogetherCauseOneRefresh) {
    service.failNext("/MorvexVPN/user/portforwarding/v3", Answer::plain(401, "expired"), 5);
    service.failNext("/refresh/token", fake::tokenAnswer({{"oem-at", "new"}, {"oem-rt", "r2"}}).withDelay(200ms));
    Answers<Port> answers;
    for (int i = 0; i < 5; ++i) networking.requestPortForwarding<Port>(std::nullopt, answers.completion());
    waitFor(answers, 5);
    EXPECT_EQ(refreshes(), 1u);
    ASSERT_EQ(auth.saved.size(), 1u);
    for (const auto& r : answers.results) {
        ASSERT_FALSE(r.has_value());
        EXPECT_EQ(r.error().code, 401);
    }
    EXPECT_EQ(analytics->count("app_api_response_time"), 5);
}

// --- alternative domains ---------------------------------------------------------------------

TEST_F(RequestPipelineTest, FailuresMoveThroughTheAlternativeDomainsOnce) {
    std::vector<std::unique_ptr<fake::FakeService>> alternatives;
    std::vector<Domain> domains;
    for (int i = 0; i < 3; ++i) {
        alternatives.push_back(std::make_unique<fake::FakeService>());
        ASSERT_TRUE(alternatives.back()->start());
        alternatives.back()->failNext(".*", Answer::plain(503, "busy"), 10);
        domains.push_back(Domain{"auth.invalid", "127.0.0.1:" + std::to_string(alternatives.back()->port())});
    }
    DomainFronting::shared().domainData = std::make_shared<BaseURL>(domains);
    service.failNext("/MorvexVPN/user/portforwarding/v3", Answer::plain(503, "busy"));

    auto failed = portForwarding();
    ASSERT_FALSE(failed.has_value());
    EXPECT_EQ(failed.error().code, 503);
    for (const auto& alternative : alternatives) EXPECT_EQ(alternative->requests().size(), 1u);
    EXPECT_EQ(analytics->count("app_api_response_time"), 1);
    EXPECT_EQ(AppPreferences().activeDomain(), domains.back());

    // 400 and 401 are answers of the service: never moved.
    AppPreferences().setActiveDomain(Domain::builtIn());
    for (int status : {400, 401}) {
        service.failNext("/MorvexVPN/user/portforwarding/v3", Answer::plain(status, "no"));
        auth.expiry = Date{Date::now().secondsSince1970 + 3600};
        (void)portForwarding();
    }
    for (const auto& alternative : alternatives) EXPECT_EQ(alternative->requests().size(), 1u);
}

class BaseURLTest : public test::TempConfigTest {};

TEST_F(BaseURLTest, HandsOutEachDomainThenNothingThenStartsOver) {
    auto list = nlohmann::json::parse(R"({"baseUrls": [{"authTokenUrl": "https://a1.example/", "servicesUrl": "https://s1.example/"},
                                                       {"authTokenUrl": "a2.example", "servicesUrl": "s2.example"}]})")
                    .get<BaseURL>();
    EXPECT_EQ(list.baseUrls[0], (Domain{"a1.example", "s1.example"}));
    AppPreferences preferences;
    QUrl url(QString::fromStdString("https://" + Domain::builtIn().servicesUrl + "/MorvexVPN/user/profile"));
    EXPECT_EQ(list.nextURL(url, preferences), QUrl("https://s1.example/MorvexVPN/user/profile"));
    EXPECT_EQ(list.nextURL(QUrl("https://s1.example/x"), preferences), QUrl("https://s2.example/x"));
    EXPECT_EQ(list.nextURL(url, preferences), std::nullopt);
    EXPECT_EQ(list.nextURL(QUrl("https://other.example/x"), preferences), QUrl("https://other.example/x"));
    EXPECT_EQ(preferences.activeDomain(), list.baseUrls[0]);
}

}  // namespace
}  // namespace morvex
