#include <gtest/gtest.h>

#include "foundation/Log.h"
#include "foundation/UserDefaults.h"
#include "session/AppManager.h"
#include "session/OAuthService.h"
#include "support/TestSupport.h"

namespace morvex {
namespace {

class AppManagerTest : public test::TempConfigTest {
protected:
    UserDefaults defaults() { return UserDefaults::standard(); }
};

TEST_F(AppManagerTest, TokensSavedSurviveARestartWithTheirCreationTime) {
    AppManager before;
    AuthObject tokens{"at-1", "rt-1", "Bearer", 3600, 60, "cust-9"};
    before.saveTokens(tokens, false);
    ASSERT_TRUE(before.iws_createdAt);
    EXPECT_EQ(before.iws_refreshToken_expiry, 1209600);
    EXPECT_EQ(defaults().integer("oem-rte"), 1209600);
    EXPECT_EQ(defaults().string("oem_type"), "Bearer");
    EXPECT_FALSE(defaults().object("oem-type"));

    UserDefaults::releaseStores();  // the next process reads the stores from disk
    test::spinFor(std::chrono::milliseconds(5));
    AppManager after;
    after.loadAuthObject();
    EXPECT_EQ(after.iws_accessToken, "at-1");
    EXPECT_EQ(after.iws_refreshToken, "rt-1");
    EXPECT_EQ(after.iws_tokenType, "Bearer");
    EXPECT_EQ(after.iws_expiry, 3600);
    EXPECT_EQ(after.iws_refreshToken_expiry, 1209600);
    ASSERT_TRUE(after.iws_createdAt);
    EXPECT_EQ(*after.iws_createdAt, *before.iws_createdAt);
}

TEST_F(AppManagerTest, PartialTokenSetsStoreEmptyValues) {
    AppManager manager;
    manager.saveTokens(AuthObject{.accessToken = "only"}, false);
    EXPECT_EQ(defaults().string("oem-rt"), "");
    EXPECT_EQ(defaults().string("oem_type"), "");
    EXPECT_EQ(defaults().object("oem-ate"), Value(0));
    EXPECT_EQ(defaults().integer("oem-rte"), 1209600);
}

TEST_F(AppManagerTest, LoadingWithNothingStoredWritesNothing) {
    AppManager manager;
    manager.loadAuthObject();
    EXPECT_TRUE(manager.iws_accessToken.empty());
    EXPECT_FALSE(manager.iws_createdAt);
    EXPECT_TRUE(defaults().allKeys().empty());
}

TEST_F(AppManagerTest, LoadingOnlyACustomerIdFillsTheOtherKeys) {
    defaults().set(Value("cust-1"), "customer_id");
    AppManager manager;
    manager.loadAuthObject();
    EXPECT_EQ(defaults().string("oem-at"), "");
    EXPECT_EQ(defaults().object("oem-ate"), Value(0));
    EXPECT_EQ(defaults().integer("oem-rte"), 1209600);
    EXPECT_FALSE(manager.iws_createdAt);
    EXPECT_FALSE(defaults().object("access_token_created_at"));
}

TEST_F(AppManagerTest, AStoredValueOfTheWrongTypeLeavesEverythingAsItWas) {
    defaults().set(Value(5), "oem-at");  // an integer where a text belongs
    defaults().set(Value("rt"), "oem-rt");
    AppManager manager;
    manager.iws_accessToken = "in-memory";
    manager.loadAuthObject();
    EXPECT_EQ(manager.iws_accessToken, "in-memory");
    EXPECT_EQ(defaults().object("oem-at"), Value(5));
    EXPECT_FALSE(defaults().object("oem-rte"));
}

TEST_F(AppManagerTest, TokensNeverReachTheConsole) {
    log::Capture capture;
    AppManager manager;
    manager.saveTokens(AuthObject{"secret-access", "secret-refresh", "Bearer", 1, 2, "c"}, false);
    manager.loadAuthObject();
    for (const auto& line : capture.lines()) {
        EXPECT_EQ(line.find("secret-"), std::string::npos) << line;
    }
}

TEST_F(AppManagerTest, ForgettingTokensClearsMemoryButKeepsTheStoredKeys) {
    AppManager shared;
    shared.saveTokens(AuthObject{"at", "rt", "Bearer", 10, 20, std::nullopt}, false);
    OAuthService service(shared);
    service.oauth().accessToken = "client-token";
    service.forgetTokens();
    EXPECT_FALSE(service.oauth().accessToken);
    EXPECT_EQ(shared.iws_accessToken, "");
    EXPECT_EQ(shared.iws_refreshToken, "");
    EXPECT_EQ(shared.iws_expiry, 0);
    EXPECT_EQ(shared.iws_refreshToken_expiry, 0);
    EXPECT_TRUE(shared.iws_createdAt);
    EXPECT_EQ(defaults().string("oem-at"), "at");

    AppManager restarted;
    restarted.loadAuthObject();
    EXPECT_EQ(restarted.iws_accessToken, "at");
}

}  // namespace
}  // namespace morvex
