#include <gtest/gtest.h>

#include <fstream>

#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/UserDefaults.h"
#include "state/AppPreferences.h"
#include "state/LanguageManager.h"
#include "support/TestSupport.h"

using namespace morvex;

namespace {

void write(const std::filesystem::path& p, std::string_view text) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p) << text;
}

// A main bundle with English and German texts.
class LanguageManagerTest : public test::TempConfigTest {
protected:
    void SetUp() override {
        TempConfigTest::SetUp();
        write(bundle_.path() / "Resources/Info.json", R"({"Application Bundle identifier": "com.morvex.mac.vpn"})");
        write(bundle_.path() / "Resources/en.lproj/Localizable.strings",
              "\"greeting\" = \"Hello\"; \"only.en\" = \"English only\";");
        write(bundle_.path() / "Resources/de.lproj/Localizable.strings", "\"greeting\" = \"Hallo\";");
        Bundle::setMainBundlePath(bundle_.path());
    }
    void TearDown() override {
        Bundle::setMainBundlePath(MORVEX_TEST_BUNDLE_DIR);
        TempConfigTest::TearDown();
    }

    struct Posted {
        int count = 0;
        std::string language;
    };
    ObserverToken observe(Posted& posted) {
        return NotificationCenter::defaultCenter().addObserver(languageDidChangeNotification, [&](const Notification& n) {
            ++posted.count;
            if (auto l = n.info<std::string>("language")) posted.language = *l;
        });
    }

    test::TempDir bundle_;
};

}  // namespace

TEST_F(LanguageManagerTest, SettingTheStoredLanguageWithARegionPostsNothing) {
    auto defaults = UserDefaults::standard();
    defaults.set("en", AppPreferences::Key::preferredLanguageCode);
    Posted posted;
    auto token = observe(posted);
    log::Capture console;
    LanguageManager().setCurrentLanguage("en-GB");
    EXPECT_TRUE(console.contains("LanguageManager: SET - Attempted to set same language 'en'. No change."));
    EXPECT_EQ(posted.count, 0);
    EXPECT_EQ(defaults.object("SelectedAppLanguage"), std::nullopt);
}

TEST_F(LanguageManagerTest, ANewLanguageIsStoredAppliedAndAnnounced) {
    LanguageManager manager;  // nothing stored: German
    EXPECT_EQ(manager.currentLanguage(), "de");
    EXPECT_EQ(localized("greeting"), "Hallo");

    Posted posted;
    auto token = observe(posted);
    log::Capture console;
    manager.setCurrentLanguage("en");
    auto defaults = UserDefaults::standard();
    EXPECT_EQ(defaults.string(AppPreferences::Key::preferredLanguageCode), "en");
    EXPECT_EQ(defaults.string("SelectedAppLanguage"), "en");
    EXPECT_EQ(posted.count, 1);
    EXPECT_EQ(posted.language, "en");
    EXPECT_EQ(localized("greeting"), "Hello");
    EXPECT_TRUE(console.contains("LanguageManager: SET - Changing language from 'de' to 'en'."));
    EXPECT_TRUE(console.contains("[Bundle Ext] ✅ Associated language 'en' with main bundle instance."));
    // The once-block ran at the latest with the manager's creation; later calls do not repeat it.
    EXPECT_FALSE(console.containsText("[DispatchQueue.once]"));
    EXPECT_FALSE(console.containsText("ENTERING ONCE BLOCK"));
    EXPECT_TRUE(Bundle::mainFollowsLanguageOverride());
}

TEST_F(LanguageManagerTest, AnUnknownLanguageFallsBackToThePlainLookup) {
    Bundle::setLanguage("xx");
    log::Capture console;
    EXPECT_EQ(localized("greeting"), Bundle::main().plainLocalizedString("greeting"));
    EXPECT_EQ(localized("only.en"), "English only");
    EXPECT_TRUE(console.contains(
        "[PrivateBundle] ❌ FAILED: Path not found for 'xx.lproj' in main bundle. Falling back to super."));
}

TEST_F(LanguageManagerTest, AMissingKeyAnswersTheKeyWithAWarning) {
    Bundle::setLanguage("de");
    log::Capture console;
    EXPECT_EQ(localized("only.en"), "only.en");  // no fallback to English once a language is chosen
    EXPECT_EQ(localized("no.such.key"), "no.such.key");
    EXPECT_EQ(Bundle::main().localizedString("no.such.key", "Default"), "Default");
    EXPECT_TRUE(console.contains(
        "[PrivateBundle] ⚠️ WARNING: Key 'no.such.key' may not be present in 'de.lproj/Localizable.strings'."));
    EXPECT_EQ(localized("greeting"), "Hallo");
    EXPECT_TRUE(console.contains(
        "[PrivateBundle] ✅ Result for key 'greeting' in 'de' (table 'Localizable'): ---> 'Hallo' <---"));
}

TEST_F(LanguageManagerTest, TheSwitchHappensOncePerProcess) {
    const bool switchedBefore = Bundle::mainFollowsLanguageOverride();
    log::Capture console;
    Bundle::setLanguage("en");
    Bundle::setLanguage("de");
    const std::size_t expected = switchedBefore ? 0 : 1;
    EXPECT_EQ(console.count("[DispatchQueue.once] Executing block for token 'morvex.bundle.languageOverride'."),
              expected);
    EXPECT_EQ(console.count("[Bundle Ext] ✅ Swizzled Bundle.main's class to PrivateBundle ONCE."), expected);
    EXPECT_EQ(console.count("[Bundle Ext] setLanguage called with: de"), 1u);
    EXPECT_EQ(localized("greeting"), "Hallo");
}

TEST_F(LanguageManagerTest, WithoutAnOverrideTheSwitchedBundleUsesThePlainLookup) {
    Bundle::setLanguage("en");
    Bundle::main().setLanguageOverride(std::nullopt);
    log::Capture console;
    EXPECT_EQ(localized("greeting"), Bundle::main().plainLocalizedString("greeting"));
    EXPECT_TRUE(console.contains("[PrivateBundle] ❌ FAILED: Bundle.main.languageOverride is nil. Falling back to super."));
}
