#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "state/SessionTokens.h"
#include "state/User.h"
#include "foundation/UserDefaults.h"
#include "session/OAuthService.h"
#include "state/AppManager.h"
#include "support/TestSupport.h"

namespace morvex {
namespace {

// The token store as the sign-in service drives it: sign-out, and the session's lifetime.
class AppManagerTest : public test::TempConfigTest {
protected:
    UserDefaults defaults() { return UserDefaults::standard(); }
};

TEST_F(AppManagerTest, SignOutAndResetRemoveTheStoredTokens) {
    const std::string sentinel = "SENTINEL-5d02e9";
    AppManager shared;
    shared.saveTokens(AuthObject{sentinel, sentinel, "Bearer", 10, 20, std::nullopt}, false);
    OAuthService service(shared);
    service.oauth().accessToken = "client-token";
    service.forgetTokens();
    EXPECT_FALSE(service.oauth().accessToken);
    EXPECT_EQ(shared.accessToken(), "");
    EXPECT_EQ(shared.refreshToken(), "");
    EXPECT_EQ(shared.accessTokenExpiry(), 0);
    EXPECT_EQ(shared.refreshTokenExpiry(), 0);
    EXPECT_TRUE(test::configFilesHolding(sentinel).empty());

    AppManager restarted;
    restarted.loadAuthObject();
    EXPECT_EQ(restarted.accessToken(), "");

    shared.saveTokens(AuthObject{sentinel, sentinel, "Bearer", 10, 20, std::nullopt}, false);
    User().reset();
    EXPECT_TRUE(test::configFilesHolding(sentinel).empty());
    EXPECT_FALSE(defaults().object("access_token_created_at"));
}

TEST_F(AppManagerTest, TheSessionExpiresFourteenDaysAfterItsTokensWereMade) {
    AppManager manager;
    OAuthService service(manager);
    EXPECT_FALSE(service.refreshTokenExpiry()) << "no creation time: nothing to refresh";
    manager.saveTokens(AuthObject{.accessToken = "a", .refreshToken = "r"}, false);
    double now = Date::now().secondsSince1970;
    for (double daysAgo : {10.0, 15.0}) {
        defaults().set(Value(Date{now - daysAgo * 86400}), "access_token_created_at");
        manager.loadAuthObject();
        ASSERT_TRUE(service.refreshTokenExpiry());
        EXPECT_EQ(service.refreshTokenExpiry()->secondsSince1970 > now, daysAgo < 14) << daysAgo;
    }
}

}  // namespace
}  // namespace morvex
