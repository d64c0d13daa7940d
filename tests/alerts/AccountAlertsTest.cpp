#include <gtest/gtest.h>

#include <functional>

#include "alerts/AlertTestSupport.h"
#include "alerts/BaseViewController.h"
#include "foundation/NotificationCenter.h"
#include "model/WebLink.h"
#include "session/SwitchAccountModel.h"

using namespace morvex;
using namespace morvex::test;

namespace {

using Account = UserAuthentication::VPNAccount;

class AccountAlertsTest : public AlertTest {
protected:
    int switchRequests = 0;
    ObserverToken switchObserver = NotificationCenter::defaultCenter().addObserver(
        SwitchAccountModel::showVPNAccountsNotification, [this](const Notification&) { ++switchRequests; });

    static void storeAccounts(std::size_t count) {
        std::vector<Account> accounts;
        for (std::size_t i = 0; i < count; ++i)
            accounts.emplace_back("user" + std::to_string(i), "active", "monthly", "card", "2030-01-01", "");
        PreservedPreferences().setVpnAccounts(accounts);
    }

    static bool startsWith(const std::string& text, const std::string& prefix) { return text.starts_with(prefix); }
};

}  // namespace

TEST_F(AccountAlertsTest, ExpiredAccountAlertIsShownWithTheStoredReasonAsItIs) {
    struct Case {
        const char* name;
        std::optional<std::string> reason;
        std::size_t accounts;
        std::string message;
        std::vector<std::string> buttons;
    };
    const auto two = texts({"user.expire.popup.button.one", "user.expire.popup.button.two"});
    const auto three = texts({"user.expire.popup.button.one", "user.expire.popup.button.two",
                              "user.expire.popup.button.three"});
    const std::vector<Case> cases = {
        {"blanks", "   ", 1, "   ", two},
        {"empty", "", 1, localized("user.expire.message"), two},
        {"absent", std::nullopt, 0, localized("user.expire.message"), two},
        {"back-end text", "Payment declined.", 1, "Payment declined.", two},
        {"two accounts", "   ", 2, "   " + localized("expiry.message.addition"), three},
        {"two accounts, no reason", "", 2, localized("user.expire.message") + localized("expiry.message.addition"), three},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        User user;
        user.setExpiryReason(c.reason);
        storeAccounts(c.accounts);
        presenter->shown.clear();
        Alert().showUserExpired(user, PreservedPreferences(), ScreenContext::profile, tracker());
        ASSERT_EQ(presenter->shown.size(), 1u);  // the alert is shown, not only filled
        EXPECT_EQ(presenter->last().title, localized("user.expire.popup.title"));
        EXPECT_EQ(presenter->last().message, c.message);
        EXPECT_EQ(presenter->last().buttons, c.buttons);
        EXPECT_EQ(presenter->last().window, nullptr);
    }
}

TEST_F(AccountAlertsTest, ExpiredAccountAlertReportsItsSourceAndActsOnItsButtons) {
    User user;
    user.setBillingCycle("yearly");
    storeAccounts(2);
    Alert().showUserExpired(user, PreservedPreferences(), ScreenContext::appLaunch, tracker());
    const Dictionary shown{{"via", "app launch"}, {"billing_cycle", "yearly"}, {"payment_gateway", ""}};
    EXPECT_EQ(event("app_expiry_popup_shown"), shown);

    presenter->press(1);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(switchRequests, 0);
    presenter->press(2);
    EXPECT_EQ(switchRequests, 1);
    presenter->press(0);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(opened[0].find("/us/en/home/renewal"), std::string::npos) << opened[0];
    EXPECT_EQ(event("app_expiry_renew_clicked"), shown);
}

TEST_F(AccountAlertsTest, AccountStatusErrorsMapToTheirAlertsAndActions) {
    storeAccounts(2);
    struct Case {
        const char* name;
        std::optional<Error> error;
        std::optional<std::string> title;  // none: no alert
        std::size_t buttons;
        std::size_t press;
        std::string opensContaining;  // empty: nothing opens
        int switchRequests;
    };
    const std::vector<Case> cases = {
        {"no error", std::nullopt, std::nullopt, 0, 0, "", 0},
        {"701 renew", Error("MorvexVPNErrorDomain", 701), localized("user.expire.popup.title"), 3, 0,
         "/us/en/home/renewal", 0},
        {"701 switch", Error("MorvexVPNErrorDomain", 701), localized("user.expire.popup.title"), 3, 2, "", 1},
        {"533 member area", Error("MorvexVPNErrorDomain", 533), localized("user.disable.popup.title"), 3, 0,
         "/morvexvpn/ukp.aspx?donelr=1", 0},
        {"533 switch", Error("MorvexVPNErrorDomain", 533), localized("user.disable.popup.title"), 3, 2, "", 1},
        {"533 close", Error("MorvexVPNErrorDomain", 533), localized("user.disable.popup.title"), 3, 1, "", 0},
        {"998 no subscription", Error("MorvexVPNErrorDomain", 998), std::nullopt, 0, 0, "", 0},
        {"999 password changed", Error("MorvexVPNErrorDomain", 999), std::nullopt, 0, 0, "", 0},
        {"-1001 busy", Error("MorvexVPNErrorDomain", -1001), std::nullopt, 0, 0, "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        presenter->shown.clear();
        opened.clear();
        switchRequests = 0;
        handleAccountStatusError(c.error);
        if (!c.title) {
            EXPECT_TRUE(presenter->shown.empty());
            continue;
        }
        ASSERT_EQ(presenter->shown.size(), 1u);
        EXPECT_EQ(presenter->last().title, *c.title);
        EXPECT_EQ(presenter->last().buttons.size(), c.buttons);
        presenter->press(c.press);
        if (c.opensContaining.empty()) {
            EXPECT_TRUE(opened.empty());
        } else {
            ASSERT_EQ(opened.size(), 1u);
            EXPECT_NE(opened[0].find(c.opensContaining), std::string::npos) << opened[0];
        }
        EXPECT_EQ(switchRequests, c.switchRequests);
    }
    // The connect path's expiry is reported as coming from a connect.
    EXPECT_EQ(event("app_expiry_popup_shown").at("via"), Value("connect"));
}

TEST_F(AccountAlertsTest, DisabledAccountOffersSwitchingOnlyWithTwoAccounts) {
    storeAccounts(1);
    Alert().showUserDisabled(PreservedPreferences());
    EXPECT_EQ(presenter->last().buttons, texts({"user.disable.popup.button.one", "user.disable.popup.button.two"}));

    storeAccounts(2);
    Alert().showUserDisabled(PreservedPreferences());
    EXPECT_EQ(presenter->last().buttons.size(), 3u);
    storeAccounts(1);  // the list shrank while the alert was up
    presenter->press(2);
    EXPECT_EQ(switchRequests, 0);
}

TEST_F(AccountAlertsTest, GateLetsOnlyAnActiveAccountWithAVPNUserNameConnect) {
    struct Case {
        const char* name;
        std::optional<std::string> vpnUsername;
        User::Status status;
        bool passes;
        std::optional<std::string> alertMessage;  // none: no alert
    };
    const std::vector<Case> cases = {
        {"no user name", std::nullopt, User::Status::Active, false, localized("no.subscription")},
        {"empty user name", "", User::Status::Active, false, localized("no.subscription")},
        {"empty user name, expired", "", User::Status::Expired, false, localized("no.subscription")},
        {"expired", "alice", User::Status::Expired, false, localized("user.subscription.expired.message")},
        {"active", "alice", User::Status::Active, true, std::nullopt},
        {"paid", "alice", User::Status::Paid, false, std::nullopt},
        {"inactive", "alice", User::Status::Inactive, false, std::nullopt},
        {"in-active", "alice", User::Status::In_active, false, std::nullopt},
        {"disabled", "alice", User::Status::Disabled, false, std::nullopt},
        {"unknown", "alice", User::Status::Unknown, false, std::nullopt},
        {"unpaid", "alice", User::Status::Unpaid, false, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        User user;
        user.setVpnUsername(c.vpnUsername);
        user.setStatus(c.status);
        presenter->shown.clear();
        EXPECT_EQ(BaseViewController().accountStatusCheck(), c.passes);
        if (!c.alertMessage) {
            EXPECT_TRUE(presenter->shown.empty());
            continue;
        }
        ASSERT_EQ(presenter->shown.size(), 1u);
        EXPECT_EQ(presenter->last().message, *c.alertMessage);
    }

    // The expired account's alert renews; the no-subscription one only closes.
    User().setStatus(User::Status::Expired);
    BaseViewController().accountStatusCheck();
    EXPECT_EQ(presenter->last().buttons, texts({"renew.now", "cancel"}));
    presenter->press(0);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(opened[0].find("/us/en/home/renewal?version="), std::string::npos) << opened[0];
}

TEST_F(AccountAlertsTest, MenuAndBackAskForTheTabListAndTheDashboard) {
    std::vector<std::int64_t> pages;
    auto token = NotificationCenter::defaultCenter().addObserver(
        BaseViewController::appShowControllerNotification, [&](const Notification& n) {
            ASSERT_TRUE(n.objectAs<std::int64_t>());
            pages.push_back(*n.objectAs<std::int64_t>());
        });
    BaseViewController().showMenu();
    BaseViewController().back();
    EXPECT_EQ(pages, (std::vector<std::int64_t>{8, 0}));
}

TEST_F(AccountAlertsTest, SignInFailuresRetryOrLogOut) {
    struct Case {
        const char* name;
        std::function<void(AppScreen, OwnedCallback<>)> show;
        std::string message;
        std::vector<std::string> buttons;
        std::string action;
        std::string logoutReason;
    };
    const Error error("MorvexVPNErrorDomain", 1002, "Timed out");
    const std::vector<Case> cases = {
        {"user info", [&](AppScreen s, OwnedCallback<> retry) { Alert().showUserInfoFailed(s, error, tracker(), retry); },
         localized("user.info.failed"), texts({"retry", "ok"}), "user info", "fetch user details failed"},
        {"vpn password",
         [&](AppScreen s, OwnedCallback<> retry) { Alert().showVPNPasswordFailed(s, error, tracker(), retry); },
         localized("vpn.password.failed"), texts({"retry", "cancel"}), "vpn password", "vpn password error"},
    };
    for (const auto& c : cases) {
        for (auto [screen, method] : {std::pair{AppScreen::Login, "fa_login"},
                                      std::pair{AppScreen::Dashboard, "fa_already_logged_in"}}) {
            SCOPED_TRACE(std::string(c.name) + " on " + std::string(rawValue(screen)));
            int retries = 0;
            logouts = 0;
            Lifetime owner;
            c.show(screen, owner.callback<>([&] { ++retries; }));
            EXPECT_EQ(presenter->last().message, c.message);
            EXPECT_EQ(presenter->last().buttons, c.buttons);
            EXPECT_EQ(event("app_fail_fetch_user_details"), (Dictionary{{"reason", "Timed out"},
                                                                         {"error_code", 1002},
                                                                         {"method", method},
                                                                         {"action", c.action}}));
            presenter->press(0);
            EXPECT_EQ(retries, 1);
            EXPECT_EQ(event("app_click_retry_fetch_user_details"),
                      (Dictionary{{"method", method}, {"action", c.action}}));
            EXPECT_EQ(logouts, 0);

            presenter->press(1);
            EXPECT_EQ(logouts, 1);
            EXPECT_EQ(event("app_logout"),
                      (Dictionary{{"selected_interface_screen", std::string(rawValue(screen))}, {"reason", c.logoutReason}}));
            EXPECT_EQ(retries, 1);
        }
    }
}

TEST_F(AccountAlertsTest, LogoutAlertsSignOutOnlyOnTheirFirstButton) {
    Alert().showPasswordChanged(AppScreen::Dashboard, tracker());
    presenter->press(1);
    EXPECT_EQ(logouts, 0);
    presenter->press(0);
    EXPECT_EQ(logouts, 1);
    EXPECT_EQ(event("app_logout"), (Dictionary{{"selected_interface_screen", "Dashboard"}, {"reason", "password changed"}}));

    Alert().showImportTokenFailed(AppScreen::Login, Error("MorvexVPNErrorDomain", 7, "Bad token"), tracker());
    EXPECT_EQ(event("app_fail_fetch_user_details").at("method"), Value("fa_already_logged_in"));
    EXPECT_EQ(event("app_fail_fetch_user_details").at("action"), Value("import token"));
    presenter->press(0);
    EXPECT_EQ(logouts, 2);
    EXPECT_EQ(event("app_logout").at("reason"), Value("fa migration failed"));

    // The quit warning turns the kill switch off and signs out once its sheet had time to close.
    User().setVpnUsername("alice");
    PreservedPreferences().setEnableIKS(true);
    const auto eventsBefore = analytics->tracked.size();
    Alert().showQuitWarning();
    presenter->press(1);
    EXPECT_TRUE(PreservedPreferences().enableIKS());
    EXPECT_TRUE(delayed.empty());
    presenter->press(0);
    EXPECT_FALSE(PreservedPreferences().enableIKS());
    EXPECT_EQ(logouts, 2);
    ASSERT_EQ(delayed.size(), 1u);
    EXPECT_DOUBLE_EQ(delayed[0].first, 0.5);
    runDelayed();
    EXPECT_EQ(logouts, 3);
    EXPECT_EQ(analytics->tracked.size(), eventsBefore);  // no "app_logout" from here
}

TEST_F(AccountAlertsTest, MigrationCallbackLearnsOfTheLogoutOnlyAfterItStarted) {
    std::vector<std::pair<bool, int>> answers;  // (logged out, logouts seen at that moment)
    Lifetime screen;
    auto callback = screen.callback<bool>([&](bool loggedOut) { answers.emplace_back(loggedOut, logouts); });

    Alert().showMigrateConsentFailed(AppScreen::Profile, tracker(), callback);
    const Dictionary properties{{"login_via", "Profile"}, {"action", "email"}};
    EXPECT_EQ(event("app_view_migration_popup"), properties);
    presenter->press(0);
    EXPECT_EQ(event("app_proceed_migration"), properties);

    Alert().showMigrateConsentFailed(AppScreen::Profile, tracker(), callback);
    presenter->press(1);
    EXPECT_EQ(answers, (std::vector<std::pair<bool, int>>{{false, 0}, {true, 1}}));
    EXPECT_EQ(event("app_logout").at("reason"), Value("profile"));
}

TEST_F(AccountAlertsTest, PricingPageFollowsTheInAppLanguageWithGermanByDefault) {
    struct Case {
        std::optional<std::string> code;
        WebLink page;
    };
    for (const auto& c : {Case{std::nullopt, WebLink::PricingGerman}, Case{"de", WebLink::PricingGerman},
                          Case{"DE", WebLink::PricingGerman}, Case{"en", WebLink::PricingEnglish}}) {
        SCOPED_TRACE(c.code.value_or("none"));
        UserDefaults::standard().setString(c.code, AppPreferences::Key::preferredLanguageCode);
        opened.clear();
        Alert().showSubscriptionRequired();
        presenter->press(1);
        EXPECT_TRUE(opened.empty());
        presenter->press(0);
        EXPECT_EQ(opened, std::vector<std::string>{urlString(c.page)});
    }
}
