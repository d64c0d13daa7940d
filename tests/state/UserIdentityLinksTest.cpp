#include <gtest/gtest.h>

#include <QUrl>
#include <QUrlQuery>

#include "foundation/UserDefaults.h"
#include "state/Crypto.h"
#include "state/User.h"
#include "support/TestSupport.h"

using namespace morvex;

namespace {

using Items = std::vector<std::pair<std::string, std::string>>;

struct Parsed {
    std::string path;
    Items items;
    std::optional<std::string> item(const std::string& name) const {
        for (const auto& [k, v] : items)
            if (k == name) return v;
        return std::nullopt;
    }
    std::vector<std::string> names() const {
        std::vector<std::string> n;
        for (const auto& [k, v] : items) n.push_back(k);
        return n;
    }
};

Parsed parse(const std::optional<std::string>& url) {
    EXPECT_TRUE(url);
    QUrl u(QString::fromStdString(url.value_or("")));
    Parsed p{u.path().toStdString(), {}};
    for (const auto& [k, v] : QUrlQuery(u).queryItems(QUrl::FullyDecoded)) p.items.emplace_back(k.toStdString(), v.toStdString());
    return p;
}

const std::vector<std::string> kWebLinkItems = {"version", "platform", "utm_medium", "utm_source", "utm_campaign",
                                                "theme", "locale"};

class UserIdentityLinksTest : public test::TempConfigTest {};

}  // namespace

TEST_F(UserIdentityLinksTest, APlainLogInCarriesTheWebLinkItemsTheUserNameAndTheExtras) {
    User user;
    auto p = parse(user.urlWithIdentityQuery(WebLink::SupportEnglish, "ticket", "vpn-user", false, "uuid-1",
                                             Items{{"z", "1"}, {"a", "2"}}));
    EXPECT_EQ(p.path, "/en/support/ticket");
    auto expected = kWebLinkItems;
    for (const char* n : {"sUsername", "z", "a"}) expected.push_back(n);
    EXPECT_EQ(p.names(), expected);
    EXPECT_EQ(p.item("sUsername"), "vpn-user");
    EXPECT_EQ(p.item("platform"), "mac");
    EXPECT_EQ(p.item("locale"), "de");
    EXPECT_EQ(p.item("theme"), "light");
}

TEST_F(UserIdentityLinksTest, AnEmailLogInAddsUuidAndItsSaltedDigest) {
    User user;
    auto noUuid = parse(user.urlWithIdentityQuery(WebLink::Home, "", "vpn-user", true));
    EXPECT_EQ(noUuid.path, "/");
    EXPECT_EQ(noUuid.item("uuid"), "");
    EXPECT_EQ(noUuid.item("token"), md5Hex("vendro"));
    auto withUuid = parse(user.urlWithIdentityQuery(WebLink::Home, "", "vpn-user", true, "4f1c"));
    EXPECT_EQ(withUuid.item("uuid"), "4f1c");
    EXPECT_EQ(withUuid.item("token"), md5Hex("4f1cvendro"));
    for (const auto& name : withUuid.names()) {
        EXPECT_NE(name, "username");
        EXPECT_NE(name, "email");
    }
}

TEST_F(UserIdentityLinksTest, WithoutAFlagTheStoredLogInNameDecides) {
    struct Case { bool rememberMe; std::optional<std::string> login; bool email; };
    const Case cases[] = {
        {true, "user@example.com", true},
        {true, "write to user@example.com please", true},  // the search is not anchored
        {true, "user@Example.com", false},
        {true, "plainname", false},
        {true, std::nullopt, false},
        {false, "user@example.com", false},
    };
    for (const auto& c : cases) {
        User user;
        user.setRememberMe(c.rememberMe);
        user.setLoginUsername(c.login);
        auto p = parse(user.urlWithIdentityQuery(WebLink::SupportGerman, "", "s"));
        EXPECT_EQ(p.item("token").has_value(), c.email) << c.login.value_or("<none>") << " " << c.rememberMe;
    }
}

TEST_F(UserIdentityLinksTest, ValuesWithQueryDelimitersSurviveTheTrip) {
    UserDefaults::standard().set("en", "AppPreference.preferredLanguageCode");
    User user;
    const std::string tricky = "a&b=c+d %20 é#x";
    auto p = parse(user.urlWithIdentityQuery(WebLink::Home, "", tricky, false, std::nullopt, Items{{"k&=", tricky}}));
    EXPECT_EQ(p.item("sUsername"), tricky);
    EXPECT_EQ(p.item("k&="), tricky);
    EXPECT_EQ(p.item("locale"), "en");
}
