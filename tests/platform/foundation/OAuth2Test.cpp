#include <gtest/gtest.h>

#include <QByteArray>
#include <QUrl>

#include <map>
#include <nlohmann/json.hpp>

#include "foundation/OAuth2.h"
#include "support/LocalHttpServer.h"
#include "support/TestSupport.h"

using namespace morvex;

namespace {

// Reads an application/x-www-form-urlencoded body as a form decoder on the server does.
std::map<std::string, std::string> decodeForm(const std::string& body) {
    std::map<std::string, std::string> out;
    for (const auto& pair : QByteArray::fromStdString(body).split('&')) {
        auto eq = pair.indexOf('=');
        auto decode = [](QByteArray text) {
            text.replace('+', ' ');
            return QByteArray::fromPercentEncoding(text).toStdString();
        };
        out[decode(pair.left(eq))] = decode(pair.mid(eq + 1));
    }
    return out;
}

TEST(OAuth2CodeGrantTest, TheRefreshFormCarriesTheTokenByteForByte) {
    test::LocalHttpServer server;
    OAuth2CodeGrant grant(Dictionary{{"client_id", Value("app+id")}, {"token_uri", Value(server.baseURL() + "/token")}});
    // Characters that a form decoder would otherwise change: "+", "%41", "&", "=", a space.
    const std::string token = "a+b/c%41d e&f=g";
    grant.refreshToken = token;
    std::optional<std::optional<Error>> outcome;
    grant.authorize(std::nullopt, [&](std::optional<nlohmann::json>, std::optional<Error> error) { outcome = error; });
    ASSERT_TRUE(test::waitUntil([&] { return outcome.has_value(); }));
    // The test server answers "1", which holds no access token.
    ASSERT_TRUE(outcome->has_value());
    EXPECT_EQ((*outcome)->code, OAuth2ErrorCode::requestFailed);

    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].method, "POST");
    auto form = decodeForm(server.requests()[0].body);
    EXPECT_EQ(form["grant_type"], "refresh_token");
    EXPECT_EQ(form["refresh_token"], token);
    EXPECT_EQ(form["client_id"], "app+id");
    EXPECT_EQ(grant.refreshToken, token);
}

}  // namespace
