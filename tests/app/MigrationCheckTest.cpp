// The e-mail migration check the main content runs when it appears, against the fake service:
// what each answer of the password and migration requests stores, and the consent in between.
#include <gtest/gtest.h>

#include "alerts/AlertTestSupport.h"
#include "api/Networking.h"
#include "viewmodels/MainContentModel.h"
#include "FakeService.h"
#include "model/ServiceHosts.h"
#include "session/UserAuthentication.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"
#include "flows/MorvexVPNService.h"

namespace morvex {
namespace {

constexpr const char* kPasswordPath = "/MorvexVPN/vpn/account/password";
constexpr const char* kMigratePath = "/MorvexVPN/user/migrateemail/v3";

class MigrationCheckTest : public test::AlertTest {
protected:
    fake::FakeService service;
    Networking networking{nullptr};

    void SetUp() override {
        AlertTest::SetUp();
        ASSERT_TRUE(service.start());
        hosts::setServiceURLOverride(service.baseURL());
        User user;
        user.setLoggedIn(true);
        user.setVpnUsername("morvex0s1234567");
        PreservedPreferences().setVpnAccounts(std::vector<UserAuthentication::VPNAccount>{{"morvex0s1234567", "active", "", "", "", ""}});
    }
    void TearDown() override {
        hosts::setServiceURLOverride(std::nullopt);
        AlertTest::TearDown();
    }
    UserAuthentication auth() {
        return UserAuthentication(networking, PreservedPreferences(), User(), AppPreferences(), tracker(),
                                  UserAuthentication::sdkCredentialSink(), ErrorSender{}, nullptr, appManager);
    }
    void refuseNotMigrated() {
        service.failNext(kPasswordPath, fake::Answer::json({{"header", {{"response_code", 1046}, {"message", "Not migrated"}}},
                                                            {"body", nlohmann::json::object()}},
                                                           400));
    }
    void run() {
        auto a = auth();
        main_content::MigrationCheck::withConsentAlert().run(a);
    }
};

TEST_F(MigrationCheckTest, AMigratedAccountOrAFailedRequestStoresItsAnswerWithoutAsking) {
    User().setIsUserNotMigratedToEmail(false);
    run();
    test::settleRequests();
    EXPECT_TRUE(service.requestsTo(kPasswordPath).empty()) << "nothing is checked once migrated";

    User().setIsUserNotMigratedToEmail(true);
    run();
    ASSERT_TRUE(test::waitUntil([&] { return !User().isUserNotMigratedToEmail(); })) << "a password means migrated";
    EXPECT_TRUE(presenter->shown.empty());

    User().setIsUserNotMigratedToEmail(true);
    service.failNext(kPasswordPath, fake::Answer::json({{"error", "down"}}, 500));
    run();
    ASSERT_TRUE(test::waitUntil([&] { return service.requestsTo(kPasswordPath).size() == 2; }));
    test::settleRequests();
    EXPECT_TRUE(User().isUserNotMigratedToEmail());
    EXPECT_TRUE(service.requestsTo(kMigratePath).empty());
}

TEST_F(MigrationCheckTest, ANotMigratedAccountIsAskedAndMigratedOnProceedButNotAfterALogout) {
    User().setIsUserNotMigratedToEmail(true);
    refuseNotMigrated();
    run();
    ASSERT_TRUE(test::waitUntil([&] { return !presenter->shown.empty(); }));
    EXPECT_EQ(presenter->last().message, localized("migrate.consent.failed"));
    presenter->press(0);  // proceed
    ASSERT_TRUE(test::waitUntil([&] { return service.requestsTo(kMigratePath).size() == 1; }));
    EXPECT_TRUE(test::waitUntil([&] { return !User().isUserNotMigratedToEmail(); }));

    // Logging out at the consent ends there: a migration would store the account again.
    User user;
    user.setLoggedIn(true);
    user.setVpnUsername("morvex0s1234567");
    user.setIsUserNotMigratedToEmail(true);
    refuseNotMigrated();
    const std::size_t alertsBefore = presenter->shown.size();
    run();
    ASSERT_TRUE(test::waitUntil([&] { return presenter->shown.size() > alertsBefore; }));
    presenter->press(1);  // logout
    test::settleRequests();
    EXPECT_EQ(logouts, 1);
    EXPECT_EQ(service.requestsTo(kMigratePath).size(), 1u) << "no migration after the logout";
}

}  // namespace
}  // namespace morvex
