// Ending the other session on the user's dedicated IP against the fake service: the request the
// service gets, what counts as success, and that a failure reaches the caller and changes nothing.
#include <gtest/gtest.h>

#include "FakeService.h"
#include "alerts/AlertTestSupport.h"
#include "model/ServiceHosts.h"
#include "vpn/KillDedicatedSessionModel.h"

namespace morvex::test {
namespace {

constexpr const char* kRoute = "/MorvexVPN/kill/session/dedicated/ip";

class KillDedicatedSessionTest : public AlertTest {
protected:
    fake::FakeService service;
    Networking networking{nullptr};

    void SetUp() override {
        AlertTest::SetUp();
        ASSERT_TRUE(service.start());
        hosts::setServiceURLOverride(service.baseURL());
    }
    void TearDown() override {
        hosts::setServiceURLOverride(std::nullopt);
        AlertTest::TearDown();
    }

    Result<bool> killSession() {
        KillDedicatedSessionModel model(User(), &networking);
        std::optional<Result<bool>> outcome;
        int calls = 0;
        model.killSession([&](Result<bool> r) {
            ++calls;
            outcome = std::move(r);
        });
        EXPECT_TRUE(waitUntil([&] { return outcome.has_value(); }));
        test::settleRequests();
        EXPECT_EQ(calls, 1);
        return outcome.value_or(std::unexpected(Error("test", -1, "no answer")));
    }
};

TEST_F(KillDedicatedSessionTest, PostsTheStoredVPNUserNameOrAnEmptyOne) {
    struct Case {
        std::optional<std::string> stored;
        std::string sent;
    };
    for (const auto& c : std::vector<Case>{{"morvex0s1234567", "morvex0s1234567"}, {std::nullopt, ""}}) {
        SCOPED_TRACE(c.sent);
        service.clearRequests();
        User().setVpnUsername(c.stored);
        auto result = killSession();
        ASSERT_TRUE(result) << result.error().localizedDescription();
        EXPECT_TRUE(*result);
        const auto requests = service.requestsTo(kRoute);
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].method, "POST");
        EXPECT_EQ(requests[0].json(), (nlohmann::json{{"vpn_username", c.sent}}));
    }
}

TEST_F(KillDedicatedSessionTest, AnyAcceptedAnswerIsASuccessWhateverItsBodySays) {
    for (const auto& body : {nlohmann::json::object(), nlohmann::json{{"anything", {1, 2}}}}) {
        SCOPED_TRACE(body.dump());
        service.failNext(kRoute, fake::Answer::envelope(body));
        auto result = killSession();
        ASSERT_TRUE(result);
        EXPECT_TRUE(*result);
    }
}

TEST_F(KillDedicatedSessionTest, AFailureReachesTheCallerAndLeavesTheSessionAsItWas) {
    User user;
    user.setLoggedIn(true);
    user.setVpnUsername("morvex0s1234567");
    PreservedPreferences().setDedicatedServer(server("DIP", "192.0.2.10", ZevuDataFetcherTypes::ServerType::DedicatedIp));
    AppPreferences().setOnGoingConnectionId("earlier-id");
    struct Case {
        const char* what;
        fake::Answer answer;
        std::optional<int> code;  // the code the caller sees, when the service gave one
    };
    const std::vector<Case> cases{
        {"refused by the gateway", fake::Answer::envelope(nlohmann::json::object(), 1301, "No session"), 1301},
        {"server error", fake::Answer::plain(500, "down"), std::nullopt},
        {"dropped", fake::Answer::dropped(), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        service.failNext(kRoute, c.answer);
        auto result = killSession();
        ASSERT_FALSE(result.has_value());
        if (c.code) {
            EXPECT_EQ(result.error().code, *c.code);
        }
        EXPECT_TRUE(User().loggedIn());
        EXPECT_EQ(User().vpnUsername(), "morvex0s1234567");
        ASSERT_NE(PreservedPreferences().dedicatedServer(), nullptr);
        EXPECT_EQ(PreservedPreferences().dedicatedServer()->id, "DIP");
        EXPECT_EQ(AppPreferences().onGoingConnectionId(), "earlier-id");
    }
}

}  // namespace
}  // namespace morvex::test
