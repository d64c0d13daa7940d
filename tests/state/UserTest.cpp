#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "model/ProfileResponseModel.h"
#include "foundation/Codec.h"
#include "foundation/Keychain.h"
#include "foundation/NotificationCenter.h"
#include "foundation/UserDefaults.h"
#include "state/User.h"
#include "support/TestSupport.h"

using namespace morvex;

namespace {

// Keychain items carry the application's bundle identifier from the test bundle's Info values.
constexpr const char* kVpnPasswordItem = "com.morvex.mac.vpn.vpnPassword";
constexpr const char* kLoginPasswordItem = "com.morvex.mac.vpn.loginPassword";
constexpr const char* kFirestoreTokenItem = "com.morvex.mac.vpn.firestoreToken";

class UserTest : public test::TempConfigTest {
protected:
    void SetUp() override {
        test::TempConfigTest::SetUp();
        store.emplace(UserDefaults::standard());
    }
    UserDefaults& defaults() { return *store; }
    std::optional<UserDefaults> store;
    Keychain keychain{"UserPreferences"};
};

TEST_F(UserTest, FreshInstallReadsTheDocumentedDefaults) {
    const std::vector<std::pair<const char*, bool (User::*)() const>> defaultTrue = {
        {"UserPreferences.rememberMe", &User::rememberMe},
        {"UserPreferences.isUserNotMigratedToFA", &User::isUserNotMigratedToFA},
        {"UserPreferences.isUserNotMigratedToEmail", &User::isUserNotMigratedToEmail},
    };
    for (const auto& [key, read] : defaultTrue) EXPECT_FALSE(defaults().object(key)) << key;

    User user;
    for (const auto& [key, read] : defaultTrue) {
        SCOPED_TRACE(key);
        EXPECT_TRUE((user.*read)());
        EXPECT_EQ(defaults().object(key), Value(true));  // stored, so every other reader agrees
    }
    EXPECT_EQ(user.status(), User::Status::Unknown);
    EXPECT_EQ(user.clientType(), User::ClientType::empty);
    EXPECT_EQ(user.uuid(), "");
    EXPECT_FALSE(user.loggedIn());
    EXPECT_EQ(user.dedicatedIPDetail(), std::nullopt);
    EXPECT_EQ(user.vpnPassword(), std::nullopt);

    // The default applies only to an absent key: a stored false stays false.
    user.setIsUserNotMigratedToFA(false);
    EXPECT_FALSE(User().isUserNotMigratedToFA());
}

TEST_F(UserTest, StatusReadsOnlyExactRawValues) {
    const std::vector<std::pair<Value, User::Status>> cases = {
        {Value("Active"), User::Status::Unknown},     {Value("in-active"), User::Status::In_active},
        {Value("inactive"), User::Status::Inactive},  {Value("active"), User::Status::Active},
        {Value("paid"), User::Status::Paid},          {Value("unpaid"), User::Status::Unpaid},
        {Value("expired "), User::Status::Unknown},   {Value(""), User::Status::Unknown},
        {Value(3), User::Status::Unknown},
    };
    User user;
    for (const auto& [stored, expected] : cases) {
        SCOPED_TRACE(testing::PrintToString(stored.toText()));
        defaults().set(stored, "UserPreferences.status");
        EXPECT_EQ(user.status(), expected);
    }
    const std::vector<std::pair<User::ClientType, const char*>> clientTypes = {
        {User::ClientType::free, "free"},    {User::ClientType::paid, "paid"}, {User::ClientType::unpaid, "unpaid"},
        {User::ClientType::trial, "trial"},  {User::ClientType::empty, ""},
    };
    for (const auto& [type, raw] : clientTypes) {
        user.setClientType(type);
        EXPECT_EQ(defaults().string("UserPreferences.clientType"), raw);
        EXPECT_EQ(User().clientType(), type);
    }
    defaults().set(Value("Free"), "UserPreferences.clientType");
    EXPECT_EQ(user.clientType(), User::ClientType::empty);
}

TEST_F(UserTest, MakingAUserRemovesPlainPasswordCopies) {
    defaults().set(Value("hunter2"), "UserPreferences.vpnPassword");
    defaults().set(Value("hunter3"), "UserPreferences.loginPassword");
    defaults().set(Value("alice"), "UserPreferences.username");
    User user;
    EXPECT_FALSE(defaults().object("UserPreferences.vpnPassword"));
    EXPECT_FALSE(defaults().object("UserPreferences.loginPassword"));
    EXPECT_EQ(user.username(), "alice");
}

// reset with the log-in remembered (true) and not (false).
class UserResetTest : public UserTest, public testing::WithParamInterface<bool> {
protected:
    // A signed-in record with every key and item that reset touches or must keep.
    void signIn(User& user) {
        user.setRememberMe(GetParam());
        user.setLoggedIn(true);
        user.setLoggedInTime(1700000000.5);
        user.setApiToken("api-token");
        user.setStatus(User::Status::Active);
        user.setClientType(User::ClientType::paid);
        user.setClientId("4711");
        user.setUuid("uuid-1");
        user.setEmail("alice@example.com");
        user.setUsername("alice");
        user.setLoginUsername("alice-login");
        user.setVpnUsername("vpn-alice");
        user.setLoginMethod("oauth");
        user.setBillingCycle("monthly");
        user.setBillingPlan("plan");
        user.setPaymentGateway("card");
        user.setRecurringGateway(true);
        user.setAutoRecurring(1);
        user.setSignUpDate("2024-01-01");
        user.setExpiryDate("2027-01-01");
        user.setExpiryReason("reason");
        user.setGracePeriodExpiry("2027-01-08");
        user.setGraceDaysRemaining(5);
        user.setGracePeriod(true);
        user.setActiveAddons(std::vector{ActiveAddon("dip", "Dedicated IP", "2027-01-01", "active")});
        user.setReadNotificationsFromFirestoreCache(false);
        user.setUnreadNotificationCount(3);
        user.setIsUserNotMigratedToFA(false);
        user.setIsUserNotMigratedToEmail(false);
        user.setDedicatedIPDetail(DedicatedIPDetail{"203.0.113.7", "DE", {}});
        user.setPasswordManager(true);
        user.setSupportTicketNo("T-1");
        user.setTrial(true);
        user.setAuthenticatedViaLogin(true);
        user.setVpnPassword("vpn-secret");
        keychain.set("login-secret", kLoginPasswordItem);
        keychain.set("firestore", kFirestoreTokenItem);
        defaults().set(Value(Array{}), "4711.vpnAccounts");
        defaults().set(Value(Array{}), ".vpnAccounts");
    }
};

TEST_P(UserResetTest, ClearsTheAccountAndKeepsWhatSurvivesLogout) {
    const bool remembered = GetParam();
    User user;
    signIn(user);
    std::vector<bool> posted;
    auto token = NotificationCenter::defaultCenter().addObserver(UserLoggedInChangedNotification, [&](const Notification& n) {
        ASSERT_NE(n.objectAs<bool>(), nullptr);
        posted.push_back(*n.objectAs<bool>());
    });

    user.reset();

    EXPECT_EQ(posted, std::vector<bool>{false});
    EXPECT_FALSE(user.loggedIn());
    EXPECT_EQ(user.vpnUsername(), std::nullopt);
    EXPECT_EQ(keychain.get(kVpnPasswordItem), std::nullopt);
    EXPECT_EQ(user.loginUsername(), remembered ? std::optional<std::string>("alice-login") : std::nullopt);
    EXPECT_EQ(keychain.get(kLoginPasswordItem), remembered ? std::optional<std::string>("login-secret") : std::nullopt);
    EXPECT_EQ(defaults().object("UserPreferences.rememberMe"), Value(true));
    EXPECT_FALSE(defaults().object("4711.vpnAccounts"));
    EXPECT_TRUE(defaults().object(".vpnAccounts"));

    EXPECT_FALSE(defaults().object("UserPreferences.apiToken"));
    EXPECT_EQ(defaults().object("UserPreferences.clientId"), Value(""));
    EXPECT_FALSE(defaults().object("UserPreferences.uuid"));
    EXPECT_FALSE(defaults().object("UserPreferences.email"));
    EXPECT_EQ(user.billingCycle(), "");
    EXPECT_EQ(user.billingPlan(), std::nullopt);
    EXPECT_EQ(user.paymentGateway(), "");
    EXPECT_FALSE(user.recurringGateway());
    EXPECT_EQ(user.autoRecurring(), 2);
    EXPECT_EQ(user.signUpDate(), std::nullopt);
    EXPECT_EQ(user.expiryDate(), std::nullopt);
    EXPECT_EQ(user.expiryReason(), "");
    EXPECT_EQ(user.gracePeriodExpiry(), "");
    EXPECT_EQ(user.graceDaysRemaining(), 0);
    EXPECT_FALSE(user.gracePeriod());
    EXPECT_EQ(defaults().object("UserPreferences.status"), Value("unknown"));
    EXPECT_EQ(defaults().object("UserPreferences.clientType"), Value(""));
    EXPECT_FALSE(defaults().object("UserPreferences.activeAddons"));
    EXPECT_EQ(keychain.get(kFirestoreTokenItem), std::nullopt);
    EXPECT_TRUE(user.readNotificationsFromFirestoreCache());
    EXPECT_EQ(user.loginMethod(), std::nullopt);
    EXPECT_EQ(user.unreadNotificationCount(), 0);
    EXPECT_TRUE(user.isUserNotMigratedToFA());
    EXPECT_TRUE(user.isUserNotMigratedToEmail());
    EXPECT_EQ(user.dedicatedIPDetail(), std::nullopt);

    EXPECT_EQ(user.username(), "alice");
    EXPECT_EQ(user.loggedInTime(), 1700000000.5);
    EXPECT_TRUE(user.passwordManager());
    EXPECT_EQ(user.supportTicketNo(), "T-1");
    EXPECT_TRUE(user.trial());
    EXPECT_TRUE(user.authenticatedViaLogin());

    // The client id is now the empty text, so the next reset removes the list under ".vpnAccounts".
    User().reset();
    EXPECT_FALSE(defaults().object(".vpnAccounts"));
    EXPECT_EQ(posted, (std::vector<bool>{false, false}));
}

INSTANTIATE_TEST_SUITE_P(RememberMe, UserResetTest, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "On" : "Off"; });

}  // namespace
