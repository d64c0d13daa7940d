#include <gtest/gtest.h>

#include "FakeService.h"
#include "alerts/AlertTestSupport.h"
#include "foundation/NotificationCenter.h"
#include "model/ServiceHosts.h"
#include "session/OAuthService.h"
#include "session/UserAuthentication.h"
#include "state/SessionTokens.h"
#include "flows/MorvexVPNService.h"
#include "zevu/ZevuManager.h"

using namespace morvex;
using namespace morvex::test;

namespace {

using Kind = UserAuthentication::AuthenticationCase::Kind;
using LaunchKind = UserAuthentication::AppLaunchCase::Kind;

class UserAuthenticationTest : public AlertTest {
protected:
    fake::FakeService service;
    Networking networking{nullptr};
    std::vector<std::string> posted;
    std::vector<ObserverToken> observers;

    void SetUp() override {
        AlertTest::SetUp();
        ASSERT_TRUE(service.start());
        hosts::setServiceURLOverride(service.baseURL());
        for (auto name : {VPNAccountDidChangeNotification, PreferencesRefreshedNotification, ShowDashboardNotification,
                          FetchNotificationsNotification})
            observers.push_back(NotificationCenter::defaultCenter().addObserver(
                name, [this](const Notification& n) { posted.push_back(n.name); }));
        zevu::ZevuManager::sharedInstance()->setZevuCredential(std::nullopt);
    }
    void TearDown() override {
        hosts::setServiceURLOverride(std::nullopt);
        AlertTest::TearDown();
    }

    UserAuthentication auth() {
        return UserAuthentication(networking, PreservedPreferences(), User(), AppPreferences(), tracker(),
                                  UserAuthentication::sdkCredentialSink(), ErrorSender{}, nullptr, appManager);
    }

    static constexpr const char* kVerifier = "verifier-of-this-sign-in-0123456789abcdefghij";

    UserAuthentication::AuthenticationCase signIn(const std::string& url, const std::string& verifier = kVerifier) {
        std::optional<UserAuthentication::AuthenticationCase> outcome;
        auth().exchangeAuthorizationCode(url, verifier, [&](auto c) { outcome = c; });
        EXPECT_TRUE(waitUntil([&] { return outcome.has_value(); }));
        return outcome.value_or(UserAuthentication::AuthenticationCase{});
    }
    // The callback of a sign-in on the service's page, for the verifier above.
    static std::string issuedCallback() {
        return OAuthService::redirectURI() + "?state=s&code=" +
               fake::issueSignInCode(fake::pkceChallenge(kVerifier), OAuthService::redirectURI());
    }
    UserAuthentication::AuthenticationCase signIn() { return signIn(issuedCallback()); }

    // The login screen's continuation for one account: password, session save, dashboard.
    UserAuthentication::PasswordResult fetchAndSave() {
        auto account = PreservedPreferences().vpnAccounts().at(0);
        std::optional<UserAuthentication::PasswordResult> result;
        auto a = auth();
        a.fetchVPNPassword(account.username, std::nullopt, std::nullopt, [&, a, account](auto r) mutable {
            a.saveLoggedInUser(std::move(r), account, [&](auto saved) { result = std::move(saved); });
        });
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }));
        return result.value_or(std::unexpected(LoginError::of(LoginError::Kind::NoUsername)));
    }

    UserAuthentication::AppLaunchCase launch(std::function<void(UserAuthentication&, std::function<void(UserAuthentication::AppLaunchCase)>)> step) {
        std::optional<UserAuthentication::AppLaunchCase> outcome;
        auto a = auth();
        step(a, [&](auto c) { outcome = c; });
        EXPECT_TRUE(waitUntil([&] { return outcome.has_value(); }));
        return outcome.value_or(UserAuthentication::AppLaunchCase{});
    }

    static nlohmann::json profile(const nlohmann::json& changes) {
        nlohmann::json j = {{"client_name", "Alex"}, {"email", "alex@example.com"}, {"phone_number", ""},
                            {"signup_date", "2024-03-01"}, {"billing_cycle", "Annually"}, {"expiry_date", "2027-03-01"},
                            {"status", "active"}, {"vpn_username", "morvex0s9"}, {"client_type", "paid"},
                            {"client_id", "42"}, {"is_trial", 0},
                            {"payment_gateway", {{"name", "stripe"}, {"recurring_gateway", 1}, {"auto_recurring", 1}, {"sku", "y"}}}};
        j.update(changes);
        for (auto it = j.begin(); it != j.end();) it = it->is_null() ? j.erase(it) : std::next(it);
        return j;
    }
};

TEST_F(UserAuthenticationTest, ACodeBecomesASignedInUserAgainstTheService) {
    const std::string callback = issuedCallback();
    ASSERT_EQ(signIn(callback).kind, Kind::SingleSubscription);

    auto exchange = service.requestsTo("/auth/token");
    ASSERT_EQ(exchange.size(), 1u);
    EXPECT_EQ(exchange[0].json()->value("authorization_code", ""), *UserAuthentication::authorizationCode(callback));
    EXPECT_EQ(exchange[0].json()->value("code_verifier", ""), kVerifier);
    EXPECT_EQ(exchange[0].json()->value("realm", ""), "MorvexVPN");
    EXPECT_EQ(exchange[0].json()->value("redirect_uri", ""), OAuthService::redirectURI());

    EXPECT_TRUE(appManager.accessToken().starts_with("access-"));
    EXPECT_EQ(AppManager().accessToken(), "") << "a fresh holder has loaded nothing yet";
    User user;
    EXPECT_EQ(user.email(), "alex@example.com");
    EXPECT_EQ(user.vpnUsername(), "morvex0s1234567");
    EXPECT_EQ(user.clientId(), "42");
    EXPECT_EQ(user.loginMethod(), "email");

    ASSERT_TRUE(fetchAndSave().has_value());
    auth().finishSignIn();
    EXPECT_EQ(user.vpnPassword(), fake::kSamplePassword);
    for (const auto& key : UserDefaults::standard().allKeys())
        EXPECT_NE(UserDefaults::standard().string(key), fake::kSamplePassword) << key << " holds the password";
    EXPECT_EQ(zevu::ZevuManager::sharedInstance()->zevuCredential(),
              zevu::ZevuCredential("morvex0s1234567", fake::kSamplePassword));
    EXPECT_EQ(posted, (std::vector<std::string>{"VPNAccountDidChangeNotification", "PreferencesRefreshed", "ShowDashboard",
                                                "FetchNotifications"}));
    EXPECT_TRUE(user.loggedIn());
    EXPECT_FALSE(user.isUserNotMigratedToEmail());
    EXPECT_TRUE(presenter->shown.empty()) << "an active account shows nothing";
}

TEST_F(UserAuthenticationTest, TheCodeIsTheOneItemNamedCodeInTheQuery) {
    struct Case { const char* url; std::optional<std::string> code; };
    for (auto c : {Case{"zarnapp://h/callback?state=s&code=c1", "c1"}, Case{"zarnapp://h/callback?code=c2&state=s", "c2"},
                   Case{"zarnapp://h/callback?code=a%2Bb", "a+b"},
                   Case{"zarnapp://h/callback", std::nullopt}, Case{"zarnapp://h/callback?state=s", std::nullopt},
                   Case{"zarnapp://h/callback?code=c1&code=c2", std::nullopt}, Case{"zarnapp://h/callback?code=", std::nullopt},
                   Case{"zarnapp://h/callback#code=c3", std::nullopt}, Case{"zarnapp://h/callback?code=c1#code=c3", std::nullopt}}) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(UserAuthentication::authorizationCode(c.url), c.code);
    }
}

TEST_F(UserAuthenticationTest, TheServiceTakesACodeOnlyWithItsOwnVerifierAndOnlyOnce) {
    struct Case {
        const char* name;
        std::string verifier;
        Kind outcome;
    };
    const std::string stolen = issuedCallback();
    for (const auto& c : {Case{"another verifier", "verifier-of-someone-else-0123456789abcdefghij", Kind::UserInfoError},
                          Case{"its own verifier, after a refusal", kVerifier, Kind::UserInfoError}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(signIn(stolen, c.verifier).kind, c.outcome) << "a refused code is spent";
    }
    EXPECT_FALSE(User().email()) << "no profile stored";

    const std::string callback = issuedCallback();
    ASSERT_EQ(signIn(callback).kind, Kind::SingleSubscription);
    EXPECT_EQ(signIn(callback).kind, Kind::UserInfoError) << "a code is exchanged once";
    const auto exchanges = service.requestsTo("/auth/token");
    ASSERT_EQ(exchanges.size(), 4u);
    EXPECT_EQ(exchanges[0].json()->value("code_verifier", ""), "verifier-of-someone-else-0123456789abcdefghij");

    // Without a verifier, or without exactly one code, nothing is sent.
    service.clearRequests();
    for (const auto& [url, verifier] : std::vector<std::pair<std::string, std::string>>{
             {issuedCallback(), ""}, {"zarnapp://h/callback?code=c1&code=c2", kVerifier}, {"zarnapp://h/callback#code=c1", kVerifier}}) {
        SCOPED_TRACE(url);
        auto outcome = signIn(url, verifier);
        EXPECT_EQ(outcome.kind, Kind::AuthError);
        ASSERT_TRUE(outcome.error.has_value());
        EXPECT_EQ(outcome.error->code, OAuth2ErrorCode::invalidRedirect);
    }
    EXPECT_TRUE(service.requestsTo("/auth/token").empty());
}

TEST_F(UserAuthenticationTest, ProfileStoreKeepsOneAccountAndDefaultsTheClientId) {
    service.route("GET", "/MorvexVPN/user/profile",
                  fake::Answer::bodyOnly(profile({{"client_id", nullptr}, {"status", "gone"}, {"client_type", "TRIAL"}})));
    PreservedPreferences().setVpnAccounts(std::vector<UserAuthentication::VPNAccount>{{"old", "active", "", "", "", ""}});
    ASSERT_EQ(signIn().kind, Kind::SingleSubscription);
    User user;
    EXPECT_EQ(UserDefaults::standard().string("UserPreferences.clientId"), "0");
    EXPECT_EQ(user.status(), User::Status::Inactive);
    EXPECT_EQ(user.clientType(), User::ClientType::trial);
    auto accounts = PreservedPreferences().vpnAccounts();
    ASSERT_EQ(accounts.size(), 1u);
    EXPECT_EQ(accounts[0].username, "morvex0s9");
    EXPECT_EQ(accounts[0].status, "inactive");
    EXPECT_EQ(accounts[0].paymentGateway, "");
    EXPECT_EQ(accounts[0].expiryReason, "");
}

TEST_F(UserAuthenticationTest, FailuresOfTheExchangeEndInUserInfoError) {
    struct Case {
        const char* name;
        std::string path;
        fake::Answer answer;
    };
    const std::vector<Case> cases = {
        {"exchange refused", "/auth/token", fake::Answer::plain(500)},
        {"sealed with another key", "/auth/token",
         fake::Answer::json({{"header", {{"response_code", 200}, {"message", "OK"}}}, {"body", {{"code", "AAAAAAAAAAAAAAAAAAAAAAAA"}}}})},
        {"no code", "/auth/token", fake::Answer::json({{"header", {{"response_code", 200}, {"message", "OK"}}}, {"body", nlohmann::json::object()}})},
        {"a sealed text that is no token set", "/auth/token", fake::tokenAnswer("not a token set")},
        {"profile refused", "/MorvexVPN/user/profile", fake::Answer::plain(500)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service.failNext(c.path, c.answer);
        auto outcome = signIn();
        EXPECT_EQ(outcome.kind, Kind::UserInfoError);
        EXPECT_TRUE(outcome.error.has_value());
        EXPECT_FALSE(User().email()) << "no profile stored";
    }
}

TEST_F(UserAuthenticationTest, NotMigratedPasswordSetsTheFlagAndLaunchAsksForConsent) {
    User user;
    user.setLoggedIn(true);
    user.setUuid("uuid-1");
    user.setVpnUsername("morvex0s1234567");
    user.setIsUserNotMigratedToEmail(false);
    PreservedPreferences().setVpnAccounts(std::vector<UserAuthentication::VPNAccount>{{"morvex0s1234567", "active", "", "", "", ""}});
    service.failNext("/MorvexVPN/vpn/account/password",
                     fake::Answer::json({{"header", {{"response_code", 1046}, {"message", "Not migrated"}}}, {"body", nlohmann::json::object()}}, 400));

    std::optional<UserAuthentication::AppLaunchCase> outcome;
    auth().checkMigratedSession([&](auto c) { outcome = c; });
    ASSERT_TRUE(waitUntil([&] { return !presenter->shown.empty(); }));
    EXPECT_TRUE(user.isUserNotMigratedToEmail());
    EXPECT_EQ(presenter->last().message, localized("migrate.consent.failed"));
    EXPECT_EQ(event("app_fail_fetch_account_info").at("code"), Value(std::int64_t{1046}));

    // "proceed": the back end answers 1422 (already migrated), which counts as done.
    service.failNext("/MorvexVPN/user/migrateemail/v3", fake::Answer::envelope(nlohmann::json::object(), 1422, "Already migrated"));
    presenter->press(0);
    ASSERT_TRUE(waitUntil([&] { return outcome.has_value(); }));
    EXPECT_EQ(outcome->kind, LaunchKind::Authenticated);
    EXPECT_EQ(service.requestsTo("/MorvexVPN/user/migrateemail/v3").size(), 1u);
    EXPECT_EQ(user.vpnPassword(), fake::kSamplePassword);
    EXPECT_FALSE(user.isUserNotMigratedToEmail());
    EXPECT_EQ(eventNames().back(), "app_view_topbar");
}

TEST_F(UserAuthenticationTest, LogoutAtTheConsentSendsNoMigration) {
    User user;
    user.setLoggedIn(true);
    user.setUuid("uuid-1");
    user.setVpnUsername("morvex0s1234567");
    PreservedPreferences().setVpnAccounts(std::vector<UserAuthentication::VPNAccount>{{"morvex0s1234567", "active", "", "", "", ""}});
    service.failNext("/MorvexVPN/vpn/account/password",
                     fake::Answer::json({{"header", {{"response_code", 1046}, {"message", "Not migrated"}}}, {"body", nlohmann::json::object()}}, 400));
    presenter->answer = alertSecondButtonReturn;
    auto outcome = launch([](UserAuthentication& a, auto done) { a.checkMigratedSession(done); });
    EXPECT_EQ(outcome.kind, LaunchKind::NotLoggedIn);
    EXPECT_EQ(logouts, 1);
    settleRequests();
    EXPECT_TRUE(service.requestsTo("/MorvexVPN/user/migrateemail/v3").empty());
    EXPECT_EQ(service.requestsTo("/MorvexVPN/vpn/account/password").size(), 1u) << "no password fetched after the logout";
}

TEST_F(UserAuthenticationTest, SessionCheckAnswersByWhatIsStored) {
    User user;
    PreservedPreferences preferences;
    // A name that matches no stored account, and no password.
    user.setVpnUsername("nobody");
    preferences.setVpnAccounts(std::vector<UserAuthentication::VPNAccount>{{"someone", "active", "", "", "", ""}});
    EXPECT_EQ(launch([](UserAuthentication& a, auto done) { a.checkSession(done); }).kind, LaunchKind::InvalidUserDetails);
    // Name and password: at once, no request.
    user.setVpnPassword("pw");
    service.clearRequests();
    EXPECT_EQ(launch([](UserAuthentication& a, auto done) { a.checkSession(done); }).kind, LaunchKind::Authenticated);
    EXPECT_TRUE(service.requests().empty());
    // Nothing stored: the profile is fetched, which brings an account.
    user.setVpnPassword(std::nullopt);
    user.setVpnUsername(std::nullopt);
    preferences.setVpnAccounts(std::nullopt);
    EXPECT_EQ(launch([](UserAuthentication& a, auto done) { a.checkSession(done); }).kind, LaunchKind::Authenticated);
    EXPECT_EQ(PreservedPreferences().vpnAccounts().size(), 1u);
}

TEST_F(UserAuthenticationTest, ImportedTokensSignTheRequests) {
    User().setVpnPassword("pw");
    User().setIsUserNotMigratedToEmail(false);
    User().setVpnUsername("morvex0s1234567");
    auto outcome = launch([](UserAuthentication& a, auto done) {
        auto self = a;
        a.migrateToken([self, done](auto result) mutable { self.decideLaunchCase(std::move(result), done); });
    });
    EXPECT_EQ(outcome.kind, LaunchKind::Authenticated);
    auto import = service.requestsTo("/MorvexVPN/user/importtoken");
    ASSERT_EQ(import.size(), 1u);
    EXPECT_EQ(import[0].json()->value("token", "?"), "") << "no old token stored: an empty text";
    EXPECT_TRUE(appManager.accessToken().starts_with("access-"));
    EXPECT_TRUE(appManager.refreshToken().starts_with("refresh-"));
    EXPECT_FALSE(User().isUserNotMigratedToFA());
}

TEST_F(UserAuthenticationTest, FinishShowsTheAlertTheAccountCallsFor) {
    struct Case {
        const char* name;
        std::optional<User::Status> status;
        bool hasAccount;
        std::string title;  // none: no alert
    };
    const std::vector<Case> cases = {
        {"expired", User::Status::Expired, true, localized("user.expire.popup.title")},
        {"no account at all", std::nullopt, false, localized("alert.title.error")},
        {"active", User::Status::Active, true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        presenter->shown.clear();
        User user;
        user.setVpnUsername(c.hasAccount ? std::optional<std::string>("u") : std::nullopt);
        if (c.status) user.setStatus(*c.status);
        auth().finishSignIn();
        if (c.title.empty()) {
            EXPECT_TRUE(presenter->shown.empty());
        } else {
            ASSERT_EQ(presenter->shown.size(), 1u);
            EXPECT_EQ(presenter->last().title, c.title);
        }
    }
}

TEST_F(UserAuthenticationTest, ASessionOutlivesARestartAndASignOutDoesNot) {
    ASSERT_EQ(signIn().kind, Kind::SingleSubscription);
    ASSERT_TRUE(fetchAndSave().has_value());
    auth().finishSignIn();
    const std::string token = appManager.accessToken();

    {  // quit and start again: a new token holder loads what was stored
        AppManager restarted;
        restarted.loadAuthObject();
        EXPECT_EQ(restarted.accessToken(), token);
        EXPECT_TRUE(User().loggedIn());
        EXPECT_EQ(launch([](UserAuthentication& a, auto done) { a.checkSession(done); }).kind, LaunchKind::Authenticated);
    }

    OAuthService(appManager).forgetTokens();
    User().reset();
    AppManager restarted;
    restarted.loadAuthObject();
    EXPECT_FALSE(User().loggedIn());
    EXPECT_EQ(restarted.accessToken(), "");
    for (auto key : {"oem-at", "oem-ate", "oem-rt", "oem-rte", "oem_type"})
        EXPECT_FALSE(Keychain().get(key)) << key << " survived the sign-out";
    EXPECT_FALSE(User().vpnPassword());
}

}  // namespace
