#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "api/AccessTokenInterceptor.h"
#include "api/Networking.h"
#include "model/ServiceHosts.h"
#include "api/FakeAuth.h"
#include "support/TestSupport.h"

namespace morvex {
namespace {

class AccessTokenInterceptorTest : public test::TempConfigTest {
protected:
    void SetUp() override {
        TempConfigTest::SetUp();
        hosts::setServiceURLOverride(std::nullopt);
    }

    http::Request adapt(http::Request request) {
        AccessTokenInterceptor interceptor(scope(Endpoint::Login), AppPreferences(), User(), nullptr, &auth);
        std::optional<Result<http::Request>> out;
        interceptor.adapt(request, [&](Result<http::Request> r) { out = std::move(r); });
        EXPECT_TRUE(out && out->has_value());
        return out && out->has_value() ? **out : http::Request{};
    }

    test::FakeAuth auth{"access-1"};

    static http::Request post(Endpoint e, std::optional<std::string> body) {
        http::Request r{Networking::makeURL(e), http::Method::POST};
        r.body = std::move(body);
        return r;
    }
};

TEST(TokenDigestTest, IsTheMd5OfTheSaltAndTheIdentity) {
    EXPECT_EQ(AccessTokenInterceptor::tokenDigest("alex"), "1849ec75103b1717b1774a8255c9c5b6");
}

TEST_F(AccessTokenInterceptorTest, TokenDigestUsesTheRequestsUserNameOrTheDeviceUUID) {
    const std::string device = AccessTokenInterceptor::tokenDigest(Networking::deviceUUID());
    struct Case { const char* name; http::Request request; std::string expected; };
    auto get = [](std::string query) {
        QUrl url = Networking::makeURL(Endpoint::Password);
        url.setQuery(QString::fromStdString(query));
        return http::Request{url};
    };
    const std::vector<Case> cases = {
        {"POST with user name", post(Endpoint::Login, R"({"username":"alex","password":"x"})"), AccessTokenInterceptor::tokenDigest("alex")},
        {"POST with empty user name", post(Endpoint::Login, R"({"username":""})"), device},
        {"POST with numeric user name", post(Endpoint::Login, R"({"username":7})"), device},
        {"POST without user name", post(Endpoint::Login, R"({"password":"x"})"), device},
        {"POST with JSON text fragment", post(Endpoint::Login, R"("alex")"), device},
        {"POST with no body", post(Endpoint::Login, std::nullopt), device},
        {"POST with non-JSON body", post(Endpoint::Login, "username=alex"), device},
        {"GET with user name", get("device_type=mac&username=bo%20b"), AccessTokenInterceptor::tokenDigest("bo b")},
        {"GET where the first match wins", get("username=first&username=second"), AccessTokenInterceptor::tokenDigest("first")},
        {"GET with empty user name", get("username=&username=second"), device},
        {"GET without user name", get("device_type=mac"), device},
    };
    for (const auto& c : cases) {
        auto adapted = adapt(c.request);
        EXPECT_EQ(adapted.headers.value("Token"), c.expected) << c.name;
        EXPECT_EQ(adapted.headers.value("Authorization"), "Bearer access-1") << c.name;
        EXPECT_EQ(adapted.headers.value("Content-Type"), "application/json") << c.name;
    }
}

TEST_F(AccessTokenInterceptorTest, TokenReceiptAndAssetRequestsCarryNoHeaders) {
    for (auto e : {Endpoint::authToken, Endpoint::CheckUpdateMac, Endpoint::RestoreSubscription, Endpoint::VerifyReceipt,
                   Endpoint::DownloadUpdate, Endpoint::DownloadUpdateQA, Endpoint::DownloadRemoteConfig}) {
        auto adapted = adapt(post(e, R"({"username":"alex"})"));
        EXPECT_TRUE(adapted.headers.empty()) << caseName(e);
    }
    // Any other host: the request goes out unchanged.
    http::Request elsewhere{QUrl("https://example.org/MorvexVPN/user/profile/v3")};
    elsewhere.headers.set("X-Mine", "1");
    auto adapted = adapt(elsewhere);
    EXPECT_EQ(adapted.headers.fields().size(), 1u);
}

TEST_F(AccessTokenInterceptorTest, EmptyTokenStillSendsTheBearerPrefixAndHeadersReplaceEarlierOnes) {
    auth.token.clear();
    auto request = post(Endpoint::Profile, "{}");
    request.headers.set("authorization", "Bearer stale");
    request.headers.set("Token", "old");
    auto adapted = adapt(request);
    EXPECT_EQ(adapted.headers.value("Authorization"), "Bearer ");
    EXPECT_EQ(adapted.headers.fields().size(), 3u);
}

}  // namespace
}  // namespace morvex
