#include <gtest/gtest.h>
#include <sys/stat.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "foundation/Keychain.h"
#include "foundation/Log.h"
#include "foundation/Paths.h"
#include "support/TestSupport.h"

using namespace morvex;

namespace {

// The same cases run against the file store and, in the secret-service run (started under its own
// session bus with gnome-keyring), against the real Secret Service.
class KeychainTest : public test::TempConfigTest {
protected:
    void SetUp() override {
        test::TempConfigTest::SetUp();
        Keychain("").clear();
    }
};

TEST_F(KeychainTest, ItemsLiveUnderTheirPrefix) {
    Keychain a("UserPreferences");
    Keychain b("AppPreferences");
    EXPECT_FALSE(a.get("com.morvex.mac.vpn.vpnPassword"));
    ASSERT_TRUE(a.set("s3cret ✓", "com.morvex.mac.vpn.vpnPassword"));
    EXPECT_EQ(a.get("com.morvex.mac.vpn.vpnPassword"), "s3cret ✓");
    EXPECT_FALSE(b.get("com.morvex.mac.vpn.vpnPassword"));
    EXPECT_EQ(Keychain("UserPreferencescom.morvex.mac.").get("vpn.vpnPassword"), "s3cret ✓");
    ASSERT_TRUE(a.set("changed", "com.morvex.mac.vpn.vpnPassword"));
    EXPECT_EQ(Keychain("UserPreferences").get("com.morvex.mac.vpn.vpnPassword"), "changed");
}

TEST_F(KeychainTest, DataAndBoolRoundTrip) {
    Keychain k("P");
    Bytes blob{0, 1, 2, 0xff, 0};
    ASSERT_TRUE(k.set(blob, "blob"));
    EXPECT_EQ(k.getData("blob"), blob);
    ASSERT_TRUE(k.set(true, "flag"));
    EXPECT_EQ(k.getBool("flag"), true);
    EXPECT_EQ(k.getBool("blob"), std::nullopt);
}

TEST_F(KeychainTest, DeleteRemovesAndMissingItemsAreFine) {
    Keychain k("P");
    ASSERT_TRUE(k.set("v", "item"));
    ASSERT_TRUE(k.set("w", "other"));
    EXPECT_TRUE(k.deleteItem("item"));
    EXPECT_FALSE(k.get("item"));
    EXPECT_EQ(k.get("other"), "w");
    EXPECT_TRUE(k.deleteItem("item"));
    EXPECT_TRUE(k.deleteItem("never-there"));
}

TEST_F(KeychainTest, ClearRemovesOnlyItsPrefix) {
    Keychain mine("Mine"), theirs("Theirs");
    mine.set("1", "a");
    mine.set("2", "b");
    theirs.set("3", "a");
    EXPECT_TRUE(mine.clear());
    EXPECT_FALSE(mine.get("a"));
    EXPECT_FALSE(mine.get("b"));
    EXPECT_EQ(theirs.get("a"), "3");
}

TEST_F(KeychainTest, FileStoreIsPrivate) {
    if (Keychain::activeBackend() != Keychain::Backend::File) GTEST_SKIP() << "secret-service run";
    Keychain("P").set("v", "k");
    struct stat st {};
    ASSERT_EQ(::stat((configDir() / "keychain.json").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

bool keyringWithoutLogin() {
    const char* login = std::getenv("MORVEX_KEYRING_LOGIN");
    return login && std::string_view(login) == "none";
}

TEST_F(KeychainTest, RunsOnTheBackendTheRunAskedFor) {
    const char* wanted = std::getenv("MORVEX_KEYCHAIN");
    // A service without a usable collection is passed over for the file.
    auto expected = wanted && std::string_view(wanted) == "secret-service" && !keyringWithoutLogin()
                        ? Keychain::Backend::SecretService
                        : Keychain::Backend::File;
    EXPECT_EQ(Keychain::activeBackend(), expected);
}

}  // namespace

namespace {

// A damaged store is moved aside (never overwritten), each damage under its own name; a store that
// exists but cannot be read is left alone and writes fail instead of replacing it.
TEST_F(KeychainTest, FileStoreNeverWritesOverItemsItCouldNotRead) {
    if (Keychain::activeBackend() != Keychain::Backend::File) GTEST_SKIP() << "secret-service run";
    auto store = configDir() / "keychain.json";
    Keychain k("P");
    for (int round = 0; round < 2; ++round) {
        std::ofstream(store) << "{not json";
        EXPECT_FALSE(k.get("any"));
        EXPECT_TRUE(k.set("v", "item"));
        EXPECT_EQ(k.get("item"), "v");
        std::filesystem::remove(store);
    }
    int aside = 0;
    for (const auto& e : std::filesystem::directory_iterator(configDir()))
        aside += e.path().filename().string().starts_with("keychain.json.damaged-");
    EXPECT_EQ(aside, 2);

    if (::geteuid() == 0) return;  // root reads any file
    ASSERT_TRUE(k.set("kept", "other"));
    std::filesystem::permissions(store, std::filesystem::perms::none);
    EXPECT_FALSE(k.set("v", "item"));
    EXPECT_FALSE(k.deleteItem("other"));
    std::filesystem::permissions(store, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(k.get("other"), "kept");
}

// A file nested past the readers' bound is damage like any other unreadable file (and writing the
// store back must not walk it).
TEST_F(KeychainTest, FileStoreTakesAFileNestedTooDeeplyForDamage) {
    if (Keychain::activeBackend() != Keychain::Backend::File) GTEST_SKIP() << "secret-service run";
    auto store = configDir() / "keychain.json";
    std::ofstream(store) << "{\"Pold\": \"dg==\", \"Pdeep\": " << std::string(100000, '[') << std::string(100000, ']') << "}";
    log::Capture capture;
    Keychain k("P");
    EXPECT_FALSE(k.get("old"));
    EXPECT_TRUE(capture.containsText("damaged"));
    EXPECT_TRUE(k.set("v", "item"));
    EXPECT_EQ(k.get("item"), "v");
    int aside = 0;
    for (const auto& e : std::filesystem::directory_iterator(configDir()))
        aside += e.path().filename().string().starts_with("keychain.json.damaged-");
    EXPECT_EQ(aside, 1);
}

}  // namespace

namespace {

// On a Secret Service with no login collection (a keyring daemon nobody unlocked at log-in) every
// write would fail or ask for a password nobody has. The items go to the private file instead, the
// log says so once, and the next run of the program (a restart) finds them there.
using KeychainWithoutLoginCollection = test::TempConfigTest;
constexpr const char* kEarlierRun = "MORVEX_TEST_KEYCHAIN_EARLIER_RUN";
constexpr const char* kSaid = "Keychain: the Secret Service cannot keep items without asking";

TEST_F(KeychainWithoutLoginCollection, ItemsGoToThePrivateFileSaidOnceAndSurviveARestart) {
    if (!keyringWithoutLogin()) GTEST_SKIP() << "only on a keyring without a login collection";
    log::Capture capture;
    Keychain::setBackend(Keychain::Backend::Automatic);  // choose afresh, as a new process does
    Keychain tokens("OAuthSessionTokens");
    ASSERT_TRUE(tokens.set("access-token-1", "accessToken"));
    ASSERT_TRUE(tokens.set("refresh-token-1", "refreshToken"));
    EXPECT_EQ(tokens.get("accessToken"), "access-token-1");
    EXPECT_EQ(Keychain::activeBackend(), Keychain::Backend::File);
    std::size_t said = 0;
    for (const auto& line : capture.lines()) said += line.find(kSaid) != std::string::npos;
    EXPECT_EQ(said, 1u) << "said once, not per item";
    EXPECT_FALSE(capture.containsText("store failed"));
    struct stat st {};
    ASSERT_EQ(::stat((configDir() / "keychain.json").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // The restart: this program again, in the same session, reading what this run stored.
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string command = std::string(kEarlierRun) + "='" + configDir().string() + "' '" + self +
                                "' --gtest_filter=KeychainWithoutLoginCollection.ReadsWhatAnEarlierRunStored 2>&1";
    FILE* child = ::popen(command.c_str(), "r");
    ASSERT_NE(child, nullptr);
    std::string output;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, child)) output.append(buffer, n);
    EXPECT_EQ(::pclose(child), 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

TEST_F(KeychainWithoutLoginCollection, ReadsWhatAnEarlierRunStored) {
    const char* earlier = std::getenv(kEarlierRun);
    if (!earlier) GTEST_SKIP() << "run by the test above";
    paths::setConfigDirectoryOverride(earlier);
    Keychain tokens("OAuthSessionTokens");
    EXPECT_EQ(tokens.get("accessToken"), "access-token-1");
    EXPECT_EQ(tokens.get("refreshToken"), "refresh-token-1");
    EXPECT_EQ(Keychain::activeBackend(), Keychain::Backend::File);
}

}  // namespace
