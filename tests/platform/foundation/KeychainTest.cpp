#include <gtest/gtest.h>
#include <sys/stat.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
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

TEST_F(KeychainTest, RunsOnTheBackendTheRunAskedFor) {
    const char* wanted = std::getenv("MORVEX_KEYCHAIN");
    auto expected = wanted && std::string_view(wanted) == "secret-service" ? Keychain::Backend::SecretService
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
