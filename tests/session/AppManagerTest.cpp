#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "state/SessionTokens.h"
#include "state/User.h"
#include "foundation/UserDefaults.h"
#include "session/AppManager.h"
#include "session/OAuthService.h"
#include "support/TestSupport.h"

namespace morvex {
namespace {

class AppManagerTest : public test::TempConfigTest {
protected:
    UserDefaults defaults() { return UserDefaults::standard(); }
    std::optional<std::string> item(std::string_view key) { return sessionTokens::keychain().get(key); }

    // The files under the configuration directory whose bytes hold `text`.
    static std::vector<std::string> filesHolding(const std::string& text) {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(paths::configDirectory())) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (bytes.find(text) != std::string::npos) found.push_back(entry.path().filename().string());
        }
        return found;
    }
};

TEST_F(AppManagerTest, TokensSavedSurviveARestartWithTheirCreationTime) {
    AppManager before;
    AuthObject tokens{"at-1", "rt-1", "Bearer", 3600, 60, "cust-9"};
    before.saveTokens(tokens, false);
    ASSERT_TRUE(before.iws_createdAt);
    EXPECT_EQ(before.iws_refreshToken_expiry, 1209600);
    EXPECT_EQ(item("oem-rte"), "1209600");
    EXPECT_EQ(item("oem_type"), "Bearer");
    EXPECT_FALSE(item("oem-type"));

    UserDefaults::releaseStores();  // the next process reads the stores from disk
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
    EXPECT_EQ(item("oem-rt"), "");
    EXPECT_EQ(item("oem_type"), "");
    EXPECT_EQ(item("oem-ate"), "0");
    EXPECT_EQ(item("oem-rte"), "1209600");
}

TEST_F(AppManagerTest, LoadingWithNothingStoredWritesNothing) {
    AppManager manager;
    manager.loadAuthObject();
    EXPECT_TRUE(manager.iws_accessToken.empty());
    EXPECT_FALSE(manager.iws_createdAt);
    EXPECT_TRUE(defaults().allKeys().empty());
    EXPECT_FALSE(item("oem-at"));
}

TEST_F(AppManagerTest, LoadingOnlyACustomerIdFillsTheOtherKeys) {
    defaults().set(Value("cust-1"), "customer_id");
    AppManager manager;
    manager.loadAuthObject();
    EXPECT_EQ(item("oem-at"), "");
    EXPECT_EQ(item("oem-ate"), "0");
    EXPECT_EQ(item("oem-rte"), "1209600");
    EXPECT_FALSE(manager.iws_createdAt);
    EXPECT_FALSE(defaults().object("access_token_created_at"));
}

TEST_F(AppManagerTest, AStoredExpiryThatIsNoNumberLeavesEverythingAsItWas) {
    sessionTokens::keychain().set("soon", "oem-ate");
    sessionTokens::keychain().set("rt", "oem-rt");
    AppManager manager;
    manager.iws_accessToken = "in-memory";
    manager.loadAuthObject();
    EXPECT_EQ(manager.iws_accessToken, "in-memory");
    EXPECT_EQ(item("oem-ate"), "soon");
    EXPECT_FALSE(item("oem-rte"));
}

TEST_F(AppManagerTest, TokensNeverReachTheConsole) {
    log::Capture capture;
    log::print("control: secret-marker");  // shows that the capture sees this thread's lines
    AppManager manager;
    manager.saveTokens(AuthObject{"secret-access", "secret-refresh", "Bearer", 1, 2, "c"}, false);
    manager.loadAuthObject();
    ASSERT_TRUE(capture.contains("control: secret-marker"));
    for (const auto& line : capture.lines()) {
        if (line == "control: secret-marker") continue;
        EXPECT_EQ(line.find("secret-"), std::string::npos) << line;
    }
}

TEST_F(AppManagerTest, PlainCopiesMoveIntoTheKeychainAndLeaveNoTraceInThePreferences) {
    const std::string sentinel = "SENTINEL-a81f3c";
    // As an earlier version stored them: plain keys in the standard preferences.
    defaults().set(Value(sentinel), "oem-at");
    defaults().set(Value(sentinel + "-refresh"), "oem-rt");
    defaults().set(Value(std::int64_t{1209600}), "oem-rte");
    defaults().set(Value("Bearer"), "oem_type");
    ASSERT_FALSE(filesHolding(sentinel).empty()) << "the sentinel is visible before the move";

    AppManager manager;
    manager.loadAuthObject();
    EXPECT_EQ(manager.iws_accessToken, sentinel);
    EXPECT_EQ(manager.iws_refreshToken, sentinel + "-refresh");
    EXPECT_EQ(item("oem-at"), sentinel);
    EXPECT_FALSE(defaults().object("oem-at"));
    for (const auto& file : filesHolding(sentinel)) EXPECT_EQ(file, "keychain.json") << "only the keychain's own file may hold it";

    UserDefaults::releaseStores();
    EXPECT_FALSE(UserDefaults::standard().object("oem-rt")) << "the move reached the disk";
}

TEST_F(AppManagerTest, SignOutAndResetRemoveTheStoredTokens) {
    const std::string sentinel = "SENTINEL-5d02e9";
    AppManager shared;
    shared.saveTokens(AuthObject{sentinel, sentinel, "Bearer", 10, 20, std::nullopt}, false);
    OAuthService service(shared);
    service.oauth().accessToken = "client-token";
    service.forgetTokens();
    EXPECT_FALSE(service.oauth().accessToken);
    EXPECT_EQ(shared.iws_accessToken, "");
    EXPECT_EQ(shared.iws_refreshToken, "");
    EXPECT_EQ(shared.iws_expiry, 0);
    EXPECT_EQ(shared.iws_refreshToken_expiry, 0);
    EXPECT_TRUE(filesHolding(sentinel).empty());

    AppManager restarted;
    restarted.loadAuthObject();
    EXPECT_EQ(restarted.iws_accessToken, "");

    shared.saveTokens(AuthObject{sentinel, sentinel, "Bearer", 10, 20, std::nullopt}, false);
    User().reset();
    EXPECT_TRUE(filesHolding(sentinel).empty());
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
