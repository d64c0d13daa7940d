#include <gtest/gtest.h>

#include <filesystem>
#include <atomic>
#include <fstream>
#include <thread>
#include <vector>

#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "state/SessionTokens.h"
#include "state/User.h"
#include "foundation/UserDefaults.h"
#include "state/AppManager.h"
#include "support/TestSupport.h"

namespace morvex {
namespace {

class AppManagerTest : public test::TempConfigTest {
protected:
    UserDefaults defaults() { return UserDefaults::standard(); }
    std::optional<std::string> item(std::string_view key) { return sessionTokens::keychain().get(key); }
};

TEST_F(AppManagerTest, TokensSavedSurviveARestartWithTheirCreationTime) {
    AppManager before;
    AuthObject tokens{"at-1", "rt-1", "Bearer", 3600, 60, "cust-9"};
    before.saveTokens(tokens, false);
    ASSERT_TRUE(before.createdAt());
    EXPECT_EQ(before.refreshTokenExpiry(), 1209600);
    EXPECT_EQ(item("oem-rte"), "1209600");
    EXPECT_EQ(item("oem_type"), "Bearer");
    EXPECT_FALSE(item("oem-type"));

    UserDefaults::releaseStores();  // the next process reads the stores from disk
    AppManager after;
    after.loadAuthObject();
    EXPECT_EQ(after.accessToken(), "at-1");
    EXPECT_EQ(after.refreshToken(), "rt-1");
    EXPECT_EQ(after.tokenType(), "Bearer");
    EXPECT_EQ(after.accessTokenExpiry(), 3600);
    EXPECT_EQ(after.refreshTokenExpiry(), 1209600);
    ASSERT_TRUE(after.createdAt());
    EXPECT_EQ(*after.createdAt(), *before.createdAt());
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
    EXPECT_TRUE(manager.accessToken().empty());
    EXPECT_FALSE(manager.createdAt());
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
    EXPECT_FALSE(manager.createdAt());
    EXPECT_FALSE(defaults().object("access_token_created_at"));
}

TEST_F(AppManagerTest, AStoredExpiryThatIsNoNumberLeavesEverythingAsItWas) {
    sessionTokens::keychain().set("soon", "oem-ate");
    sessionTokens::keychain().set("rt", "oem-rt");
    AppManager manager;
    manager.setAccessToken("in-memory");
    manager.loadAuthObject();
    EXPECT_EQ(manager.accessToken(), "in-memory");
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
    ASSERT_FALSE(test::configFilesHolding(sentinel).empty()) << "the sentinel is visible before the move";

    AppManager manager;
    manager.loadAuthObject();
    EXPECT_EQ(manager.accessToken(), sentinel);
    EXPECT_EQ(manager.refreshToken(), sentinel + "-refresh");
    EXPECT_EQ(item("oem-at"), sentinel);
    EXPECT_FALSE(defaults().object("oem-at"));
    for (const auto& file : test::configFilesHolding(sentinel)) EXPECT_EQ(file, "keychain.json") << "only the keychain's own file may hold it";

    UserDefaults::releaseStores();
    EXPECT_FALSE(UserDefaults::standard().object("oem-rt")) << "the move reached the disk";
}

TEST_F(AppManagerTest, ReadersOnOtherThreadsSeeWholeTokenSetsWhileTheyChange) {
    // Sign-in, refresh and sign-out write on one thread while the API client reads on others:
    // every set read is one a writer left whole (an access and a refresh token of the same save)
    // or the cleared set, and every single token read is a value some writer wrote.
    AppManager manager;
    constexpr int kSaves = 40;
    const std::string pad(64, 'x');  // longer than any small-string buffer: a torn copy would show
    std::atomic<bool> writing{true};
    std::atomic<int> torn{0}, reads{0};
    auto reader = [&] {
        while (writing.load()) {
            const auto t = manager.tokens();
            const bool cleared = t.accessToken.empty() && t.refreshToken.empty();
            const bool oneSave = t.accessToken.size() > 2 && t.accessToken.substr(2) == t.refreshToken.substr(2) &&
                                 t.accessToken.starts_with("a-") && t.refreshToken.starts_with("r-");
            if (!cleared && !oneSave) ++torn;
            const auto access = manager.accessToken();
            if (!access.empty() && !(access.starts_with("a-") && access.ends_with(pad))) ++torn;
            ++reads;
        }
    };
    std::vector<std::thread> readers;
    for (int i = 0; i < 3; ++i) readers.emplace_back(reader);
    for (int n = 0; n < kSaves; ++n) {
        const std::string id = std::to_string(n) + pad;
        manager.saveTokens(AuthObject{"a-" + id, "r-" + id, "Bearer", n, n, std::nullopt}, n % 2 == 0);
        if (n % 5 == 4) manager.clearTokens();
    }
    // The setters alone, against the same readers: a set whose two tokens come from different
    // calls is expected here, so only the single reads are checked from now on.
    const int before = reads.load();
    test::waitUntil([&] { return reads.load() >= before + 3; });
    writing = false;
    for (auto& t : readers) t.join();
    EXPECT_EQ(torn.load(), 0);

    std::atomic<bool> setting{true};
    std::atomic<int> wrong{0};
    std::thread singleReader([&] {
        while (setting.load()) {
            const auto access = manager.accessToken();
            if (!access.empty() && !(access.starts_with("a-") && access.ends_with(pad))) ++wrong;
        }
    });
    for (int n = 0; n < 200; ++n) manager.setAccessToken("a-set" + std::to_string(n) + pad);
    setting = false;
    singleReader.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(manager.accessToken(), "a-set199" + pad);
}

}  // namespace
}  // namespace morvex
