#include <gtest/gtest.h>

#include <QUrlQuery>

#include <set>

#include "api/Endpoint.h"
#include "api/Networking.h"
#include "model/ServiceHosts.h"
#include "foundation/UserDefaults.h"
#include "support/TestSupport.h"

namespace morvex {
namespace {

TEST(EndpointTest, RawValuesRoundTripAndUnknownPathsGiveNoCase) {
    std::set<std::string_view> paths;
    for (auto e : allEndpoints()) {
        EXPECT_EQ(endpointFromRaw(rawValue(e)), e) << caseName(e);
        paths.insert(rawValue(e));
    }
    EXPECT_EQ(paths.size(), 41u);
    EXPECT_EQ(endpointFromRaw("/user/profile"), Endpoint::UserInfo1);
    EXPECT_EQ(endpointFromRaw("/user/profile/v3"), Endpoint::Profile);
    EXPECT_EQ(endpointFromRaw("/user/profile/"), std::nullopt);
    EXPECT_EQ(endpointFromRaw(""), std::nullopt);
    EXPECT_EQ(static_cast<int>(Endpoint::DownloadRemoteConfig), 39);
    EXPECT_EQ(rawValue(Endpoint::DownloadUpdateBeta), "/mac-2.0/packages/Beta/MorvexVPN.pkg");
    EXPECT_EQ(rawValue(Endpoint::DownloadUpdate), "/MorvexVPN.pkg");
}

TEST(EndpointTest, ScopesHaveTheirRawValues) {
    EXPECT_EQ(accessTokenScopeFromRaw(""), AccessTokenScope::None);
    EXPECT_EQ(accessTokenScopeFromRaw("user"), AccessTokenScope::FAUser);
    EXPECT_EQ(accessTokenScopeFromRaw("dialer-api/user"), AccessTokenScope::User);
    EXPECT_EQ(accessTokenScopeFromRaw("dialer-api/payment"), AccessTokenScope::Payment);
    EXPECT_EQ(accessTokenScopeFromRaw("dialer-api/"), std::nullopt);
    EXPECT_EQ(scope(Endpoint::Login), AccessTokenScope::Authorization);
    EXPECT_EQ(scope(Endpoint::CheckSurvey), AccessTokenScope::Device);
    EXPECT_EQ(scope(Endpoint::UserInfo), AccessTokenScope::FAUser);
}

TEST(EndpointTest, HostKindsAndURLHostsFollowTheTable) {
    std::set<Endpoint> bare;
    for (auto e : allEndpoints())
        if (hostKind(e) == Host::FusionAuth) bare.insert(e);
    EXPECT_EQ(bare, (std::set<Endpoint>{Endpoint::Password, Endpoint::CheckDedicatedIPStatus, Endpoint::CheckUpdateMac,
                                         Endpoint::CheckUpdateiOS, Endpoint::UserInfo, Endpoint::UserInfo1}));
    for (auto e : allEndpoints()) {
        int n = static_cast<int>(e);
        ServiceHost expected = n == 31 ? ServiceHost::Receipt
                             : (n >= 32 && n <= 35) ? ServiceHost::Asset
                             : n == 39 ? ServiceHost::Configuration
                                       : ServiceHost::API;
        EXPECT_EQ(urlHost(e), expected) << caseName(e);
    }
    EXPECT_EQ(hostKind(Endpoint::authToken), Host::Token);
    EXPECT_EQ(hostKind(Endpoint::VerifyReceipt), Host::AppleReceipt);
    EXPECT_EQ(hostKind(Endpoint::DownloadRemoteConfig), Host::RemoteConfiguration);
}

class MakeURLTest : public test::TempConfigTest {
protected:
    void SetUp() override {
        TempConfigTest::SetUp();
        hosts::setServiceURLOverride(std::nullopt);
    }
};

TEST_F(MakeURLTest, PathsCarryTheServicePrefixExceptTokenAndReceipt) {
    struct Case { Endpoint endpoint; const char* host; const char* path; };
    const Case cases[] = {
        {Endpoint::Profile, hosts::kAPIHost, "/MorvexVPN/user/profile/v3"},
        {Endpoint::UserInfo1, hosts::kAPIHost, "/MorvexVPN/user/profile"},
        {Endpoint::authToken, hosts::kAPIHost, "/auth/token"},
        {Endpoint::VerifyReceipt, hosts::kReceiptHost, "/verifyReceipt"},
        {Endpoint::DownloadUpdate, hosts::kAssetHost, "/MorvexVPN/MorvexVPN.pkg"},
        {Endpoint::DownloadRemoteConfig, hosts::kConfigurationHost, "/MorvexVPN/mac-2.0/assets/v1/remoteconfig"},
    };
    for (const auto& c : cases) {
        QUrl url = Networking::makeURL(c.endpoint);
        EXPECT_EQ(url.scheme(), "https");
        EXPECT_EQ(url.host().toStdString(), c.host);
        EXPECT_EQ(url.path().toStdString(), c.path);
        EXPECT_FALSE(url.hasQuery());
    }
}

TEST_F(MakeURLTest, ReferAFriendTakesTheStoredClientId) {
    EXPECT_EQ(Networking::makeURL(Endpoint::ReferAFriend).path(), "/MorvexVPN/refer-a-friend/");
    UserDefaults::standard().set(Value("42"), "UserPreferences.clientId");
    EXPECT_EQ(Networking::makeURL(Endpoint::ReferAFriend).path(), "/MorvexVPN/refer-a-friend/42");
    // The id is one segment, whatever it holds.
    UserDefaults::standard().set(Value("../../user/profile/v3?x#y"), "UserPreferences.clientId");
    EXPECT_EQ(Networking::makeURL(Endpoint::ReferAFriend).path(QUrl::FullyEncoded).toStdString(),
              "/MorvexVPN/refer-a-friend/..%2F..%2Fuser%2Fprofile%2Fv3%3Fx%23y");
    EXPECT_FALSE(Networking::makeURL(Endpoint::ReferAFriend).hasQuery());
    UserDefaults::standard().set(Value("42"), "UserPreferences.clientId");
    // Only this endpoint's path is rewritten.
    EXPECT_EQ(Networking::makeURL(Endpoint::Profile).path(), "/MorvexVPN/user/profile/v3");
}

TEST_F(MakeURLTest, ParametersBecomeQueryItemsAndTheOverrideMovesEveryHost) {
    QUrl url = Networking::makeURL(Endpoint::Password, std::map<std::string, std::string>{
                                                           {"username", "a+b%41 c&d=e"}, {"device_type", "mac"}});
    QUrlQuery query(url);
    EXPECT_EQ(query.queryItemValue("username", QUrl::FullyDecoded), "a+b%41 c&d=e");
    // A bare "+" would reach the server as a space, and "%41" as "A".
    EXPECT_NE(url.query(QUrl::FullyEncoded).indexOf("username=a%2Bb%2541%20c%26d%3De"), -1)
        << url.query(QUrl::FullyEncoded).toStdString();
    EXPECT_EQ(query.queryItemValue("device_type"), "mac");

    hosts::setServiceURLOverride("http://127.0.0.1:18443/base/");
    for (auto e : {Endpoint::Profile, Endpoint::VerifyReceipt, Endpoint::DownloadUpdateQA}) {
        QUrl moved = Networking::makeURL(e);
        EXPECT_EQ(moved.scheme(), "http");
        EXPECT_EQ(moved.host(), "127.0.0.1");
        EXPECT_EQ(moved.port(), 18443);
        EXPECT_TRUE(moved.path().startsWith("/base/")) << moved.path().toStdString();
    }
    EXPECT_EQ(Networking::makeURL(Endpoint::authToken).path(), "/base/auth/token");

    // A value that is no http(s) URL is ignored, with the built-in hosts in its place.
    hosts::setServiceURLOverride("ftp://example");
    EXPECT_EQ(Networking::makeURL(Endpoint::Profile).host().toStdString(), hosts::kAPIHost);
    hosts::setServiceURLOverride(std::nullopt);
}

}  // namespace
}  // namespace morvex
