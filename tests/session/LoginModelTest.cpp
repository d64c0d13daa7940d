#include <gtest/gtest.h>

#include "FakeService.h"
#include "alerts/AlertTestSupport.h"
#include "foundation/NotificationCenter.h"
#include "model/ServiceHosts.h"
#include "model/WebLink.h"
#include "session/LoginModel.h"
#include "flows/MorvexVPNService.h"

using namespace morvex;
using namespace morvex::test;

namespace {

using LaunchKind = UserAuthentication::AppLaunchCase::Kind;

struct RecordingScreen : LoginModelDelegate {
    std::vector<std::string> calls;
    void setRequestInProcess(bool on) override { calls.push_back(on ? "busy" : "idle"); }
    void setAuthenticationEnabled(bool) override {}
    void refresh() override {}
    void showAccountPicker() override { calls.push_back("picker"); }
};

class LoginModelTest : public AlertTest {
protected:
    fake::FakeService service;
    Networking networking{nullptr};
    RecordingScreen screen;

    void SetUp() override {
        AlertTest::SetUp();
        ASSERT_TRUE(service.start());
        hosts::setServiceURLOverride(service.baseURL());
    }
    void TearDown() override {
        hosts::setServiceURLOverride(std::nullopt);
        AlertTest::TearDown();
    }

    std::shared_ptr<LoginModel> model() {
        auto auth = UserAuthentication(networking, PreservedPreferences(), User(), AppPreferences(), tracker(),
                                       UserAuthentication::sdkCredentialSink(), ErrorSender{}, nullptr, appManager);
        auto m = std::make_shared<LoginModel>(PreservedPreferences(), User(), tracker(), auth);
        m->delegate = &screen;
        return m;
    }

    UserAuthentication::AppLaunchCase resume() {
        std::optional<UserAuthentication::AppLaunchCase> outcome;
        model()->resumeSignedInUser([&](auto c) { outcome = c; });
        EXPECT_TRUE(waitUntil([&] { return outcome.has_value(); }));
        return outcome.value_or(UserAuthentication::AppLaunchCase{});
    }

    static void signedInAs(const std::string& name) {
        User user;
        user.setLoggedIn(true);
        user.setIsUserNotMigratedToFA(false);
        user.setIsUserNotMigratedToEmail(false);
        user.setVpnUsername(name);
    }
};

TEST_F(LoginModelTest, ResumingASignedInUserAnswersFromWhatIsStored) {
    signedInAs("nobody");
    PreservedPreferences().setVpnAccounts(std::vector<UserAuthentication::VPNAccount>{{"someone", "active", "", "", "", ""}});
    EXPECT_EQ(resume().kind, LaunchKind::InvalidUserDetails);

    User().setVpnPassword("pw");
    service.clearRequests();
    EXPECT_EQ(resume().kind, LaunchKind::Authenticated);
    EXPECT_TRUE(service.requests().empty()) << "a complete session needs no request";
}

TEST_F(LoginModelTest, SignInContinuesToTheDashboardAndTheScreenIsBusyMeanwhile) {
    PreservedPreferences().setVpnAccounts(std::vector<UserAuthentication::VPNAccount>{{"morvex0s1234567", "active", "", "", "", ""}});
    std::vector<std::string> dashboards;
    auto observer = NotificationCenter::defaultCenter().addObserver(ShowDashboardNotification, [&](const Notification& n) {
        dashboards.push_back(n.name);
    });
    auto m = model();
    m->continueSignIn({UserAuthentication::AuthenticationCase::Kind::SingleSubscription, std::nullopt});
    EXPECT_EQ(screen.calls, std::vector<std::string>{"busy"});
    ASSERT_TRUE(waitUntil([&] { return !dashboards.empty(); }));
    EXPECT_EQ(screen.calls, (std::vector<std::string>{"busy", "idle"}));
    EXPECT_EQ(User().vpnPassword(), fake::kSamplePassword);
    EXPECT_TRUE(User().loggedIn());
}

TEST_F(LoginModelTest, ANotMigratedAccountAsksForConsentAndLogoutEndsThere) {
    PreservedPreferences().setVpnAccounts(std::vector<UserAuthentication::VPNAccount>{{"morvex0s1234567", "active", "", "", "", ""}});
    service.failNext("/MorvexVPN/vpn/account/password",
                     fake::Answer::json({{"header", {{"response_code", 1046}, {"message", "Not migrated"}}}, {"body", nlohmann::json::object()}}, 400));
    auto m = model();
    m->continueSignIn({UserAuthentication::AuthenticationCase::Kind::SingleSubscription, std::nullopt});
    ASSERT_TRUE(waitUntil([&] { return !presenter->shown.empty(); }));
    EXPECT_EQ(presenter->last().message, localized("migrate.consent.failed"));
    EXPECT_TRUE(User().isUserNotMigratedToEmail());
    EXPECT_FALSE(User().loggedIn()) << "no dashboard before the consent";
    EXPECT_EQ(screen.calls, (std::vector<std::string>{"busy", "idle", "busy"}));

    presenter->press(1);  // logout
    EXPECT_EQ(logouts, 1);
    EXPECT_EQ(screen.calls.back(), "idle");
    settleRequests();
    EXPECT_TRUE(service.requestsTo("/MorvexVPN/user/migrateemail/v3").empty());
}

TEST_F(LoginModelTest, AFailedPasswordGoesOnByClientType) {
    struct Case { User::ClientType type; bool alert; };
    for (auto c : {Case{User::ClientType::empty, true}, Case{User::ClientType::free, false}, Case{User::ClientType::trial, false}}) {
        SCOPED_TRACE(static_cast<int>(c.type));
        presenter->shown.clear();
        User().setLoggedIn(false);
        User().setVpnUsername("u");
        User().setStatus(User::Status::Active);
        User().setClientType(c.type);
        model()->finishLogin(std::unexpected(LoginError::UnableToDecryptPassword("bad padding")));
        EXPECT_EQ(!presenter->shown.empty() && presenter->last().title == localized("user.subscription.required"), c.alert);
        EXPECT_EQ(User().loggedIn(), !c.alert);
    }
}

TEST_F(LoginModelTest, RememberedCredentialsAndPricingPage) {
    auto m = model();
    m->loadRememberedCredentials();
    EXPECT_FALSE(m->username());
    EXPECT_FALSE(m->password());
    User().setLoginUsername("alex");
    m->loadRememberedCredentials();
    EXPECT_EQ(m->username(), "alex");

    struct Case { std::optional<std::string> code; WebLink page; };
    for (const auto& c : {Case{std::nullopt, WebLink::PricingGerman}, Case{"DE", WebLink::PricingGerman},
                          Case{"en", WebLink::PricingEnglish}, Case{"fr", WebLink::PricingEnglish}}) {
        UserDefaults::standard().setString(c.code, AppPreferences::Key::preferredLanguageCode);
        EXPECT_EQ(m->pricingPageURL(), urlString(c.page)) << c.code.value_or("(none)");
    }
}

TEST(LoginRecordsTest, TheLogInAnswerDecodesOnlyWhenWhole) {
    const nlohmann::json good = {
        {"client_id", 42}, {"uuid", "u-1"}, {"is_migrated", true}, {"method", "username"}, {"token", "t"},
        {"vpn_usernames", {{{"username", "morvex0s1"}, {"status", "expired"}, {"billing_cycle", "Monthly"},
                            {"payment_gateway", "card"}, {"expiry_date", "2027-01-01"}, {"expiry_reason", ""},
                            {"hosting_id", "0"}}}}};
    auto answer = good.get<LoginModel::LoginAPIResponseModel>();
    EXPECT_EQ(answer.clientId, 42);
    EXPECT_EQ(answer.method, LoginModel::Method::Username);
    ASSERT_EQ(answer.usernames.size(), 1u);
    EXPECT_EQ(answer.usernames[0].status, User::Status::Expired);

    struct Case { const char* name; nlohmann::json::json_pointer where; nlohmann::json value; };
    const std::vector<Case> bad = {
        {"unknown method", "/method"_json_pointer, "phone"},
        {"unknown status", "/vpn_usernames/0/status"_json_pointer, "frozen"},
        {"client id as text", "/client_id"_json_pointer, "42"},
        {"no hosting id", "/vpn_usernames/0/hosting_id"_json_pointer, nullptr},
    };
    for (const auto& c : bad) {
        SCOPED_TRACE(c.name);
        auto j = good;
        if (c.value.is_null()) j["vpn_usernames"][0].erase("hosting_id");
        else j[c.where] = c.value;
        EXPECT_ANY_THROW(j.get<LoginModel::LoginAPIResponseModel>());
    }
}

}  // namespace
