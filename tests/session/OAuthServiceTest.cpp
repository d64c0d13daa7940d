#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "foundation/UserDefaults.h"
#include "alerts/AlertServices.h"
#include "api/Networking.h"
#include "session/OAuthService.h"
#include "support/TestSupport.h"

namespace morvex {
namespace {

class OAuthServiceTest : public test::TempConfigTest {};

TEST_F(OAuthServiceTest, AnExpiredSessionSignsOutThroughTheInstalledLogout) {
    auto previous = AlertServices::installed();
    int logouts = 0;
    AlertServices services;
    services.logout = [&] { ++logouts; };
    AlertServices::install(services);
    AppManager manager;
    OAuthService(manager).signOut();
    AlertServices::install(previous);
    EXPECT_EQ(logouts, 1);
}

TEST_F(OAuthServiceTest, TheSharedServiceSignsTheAPIClientsRequestsWithItsManagersToken) {
    auto& service = OAuthService::shared();
    EXPECT_EQ(sharedAuth(), &service);
    EXPECT_EQ(Networking().auth, &service);

    AppManager manager;
    OAuthService own(manager);
    EXPECT_EQ(own.accessToken(), "");
    manager.setAccessToken("t-1");
    EXPECT_EQ(own.accessToken(), "t-1");
    own.forgetTokens();
    EXPECT_EQ(manager.accessToken(), "");
}

TEST_F(OAuthServiceTest, AuthorizeURLsDifferOnlyInTheDarkMode) {
    const std::string tail = "/realms/MorvexVPN/protocol/openid-connect/auth?";
    const std::string query = "client_id=apps&response_type=code&redirect_uri=zarnapp://apps.morvexvpn.com/callback";
    EXPECT_TRUE(OAuthService::authorizeURL().ends_with(tail + query)) << OAuthService::authorizeURL();
    EXPECT_TRUE(OAuthService::darkAuthorizeURL().ends_with(tail + "mode=dark&" + query));
}

TEST_F(OAuthServiceTest, TheFirstClientAddsTheAuthorizeURIChosenByTheSignInKind) {
    auto settings = OAuthService::settings();
    if (!settings.contains("authorize_uri")) {  // no client made yet in this process
        EXPECT_EQ(settings.size(), 7u);
    }
    EXPECT_EQ(settings.at("client_id"), Value("----"));
    EXPECT_EQ(settings.at("scope"), Value("offline_access"));
    EXPECT_EQ(settings.at("use_pkce"), Value(true));
    EXPECT_TRUE(settings.at("token_uri").get<std::string>()->ends_with("/oauth2/token"));
    EXPECT_EQ(settings.at("redirect_uris"), Value(std::vector<std::string>{"zarnapp://apps.morvexvpn.com/callback"}));

    OAuthService dark;
    EXPECT_EQ(dark.oauth().setting("authorize_uri"), OAuthService::darkAuthorizeURL());
    EXPECT_EQ(&dark.oauth(), &dark.oauth());

    UserDefaults::standard().set(Value(true), "UserPreferences.authenticatedViaLogin");
    OAuthService light;
    EXPECT_EQ(light.oauth().setting("authorize_uri"), OAuthService::authorizeURL());
    EXPECT_EQ(OAuthService::settings().at("authorize_uri"), Value(OAuthService::authorizeURL()));
    // A client already made keeps its choice.
    EXPECT_EQ(dark.oauth().setting("authorize_uri"), OAuthService::darkAuthorizeURL());
}

TEST_F(OAuthServiceTest, AuthorizeReportsOnceWithTheHeldTokensOrAnError) {
    OAuthService service;
    std::vector<Result<bool>> results;
    service.authorize([&](Result<bool> r) { results.push_back(r); });
    ASSERT_TRUE(test::waitUntil([&] { return !results.empty(); }));
    ASSERT_FALSE(results[0]);
    EXPECT_EQ(results[0].error().domain, kOAuth2ErrorDomain);
    EXPECT_TRUE(service.oauth().authConfig.authorizeEmbedded);

    service.oauth().accessToken = "legacy";
    service.authorize([&](Result<bool> r) { results.push_back(r); });
    ASSERT_TRUE(test::waitUntil([&] { return results.size() == 2; }));
    test::drain();
    ASSERT_EQ(results.size(), 2u);
    EXPECT_TRUE(results[1] && *results[1]);
}

TEST_F(OAuthServiceTest, ThreadsAskingForTheClientAtOnceGetTheSameOne) {
    OAuthService service;
    std::atomic<bool> go{false};
    std::vector<OAuth2CodeGrant*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&, i] {
            while (!go) std::this_thread::yield();
            seen[i] = &service.oauth();
        });
    go = true;
    for (auto& t : threads) t.join();
    for (auto* client : seen) EXPECT_EQ(client, &service.oauth());
}

}  // namespace
}  // namespace morvex
