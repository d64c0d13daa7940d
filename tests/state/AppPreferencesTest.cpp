#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "model/BundleInfo.h"
#include "foundation/Keychain.h"
#include "foundation/NotificationCenter.h"
#include "state/AppPreferences.h"
#include "state/User.h"
#include "support/TestSupport.h"
#include "model/ZevuTypes.h"

using namespace morvex;
using json = nlohmann::json;

namespace {

Value dataOf(const json& j) {
    const std::string text = j.dump();
    return Value(Bytes(text.begin(), text.end()));
}

json updateJSON() {
    return {{"availableVersion", "9.0"}, {"forcedTillVersion", "8.0"}, {"releaseNoteURL", "https://n"},
            {"downloadUrl", "https://d/MorvexVPN.pkg"}};
}

json lastConnectionJSON() {
    return {{"selectedInterface", "Recent"},
            {"connectVia", "City"},
            {"selectedInterfaceScreen", "Dashboard"},
            {"connectionInitiatedBy", "User"},
            {"server", {{"id", "42"}, {"type", 1}, {"host", ""}, {"code", "DE"}, {"name", "Berlin"},
                        {"latency", 12}, {"favorite", false}, {"ip", ""}}},
            {"nasIdentifier", "nas-1"},
            {"dialedWithQRServer", false},
            {"isDialedWithOVPNObfuscatedServer", true}};
}

class AppPreferencesTest : public test::TempConfigTest {
protected:
    UserDefaults defaults() { return UserDefaults::standard(); }
};

TEST_F(AppPreferencesTest, UpdateOfferFallsBackToTheBuiltDefaultUnlessAWholeRecordIsStored) {
    AppPreferences prefs;
    const std::string version = infoShortVersionString();
    auto fresh = prefs.updateAvailable();
    EXPECT_EQ(fresh.availableVersion, version);
    EXPECT_EQ(fresh.forcedTillVersion, version);
    EXPECT_EQ(fresh.downloadUrl, "");
    EXPECT_EQ(fresh.releaseNoteURL.rfind("https://", 0), 0u);
    EXPECT_NE(fresh.releaseNoteURL.find("platform=mac"), std::string::npos);

    json partial = updateJSON();
    partial.erase("downloadUrl");
    defaults().set(dataOf(partial), "AppPreference.updateAvailable");
    EXPECT_EQ(prefs.updateAvailable(), fresh);
    defaults().set(Value("not data"), "AppPreference.updateAvailable");
    EXPECT_EQ(prefs.updateAvailable(), fresh);

    defaults().set(dataOf(updateJSON()), "AppPreference.updateAvailable");
    EXPECT_EQ(prefs.updateAvailable().downloadUrl, "https://d/MorvexVPN.pkg");
    AppPreferences::UpdateAvailable offer{"2.0", "1.5", "https://r", "https://p"};
    prefs.setUpdateAvailable(offer);
    EXPECT_EQ(AppPreferences().updateAvailable(), offer);
}

TEST_F(AppPreferencesTest, LastConnectionRequiresEveryMemberButTheNasIdentifier) {
    AppPreferences prefs;
    EXPECT_FALSE(prefs.lastConnection());

    defaults().set(dataOf(lastConnectionJSON()), "AppPreference.lastConnection");
    auto full = prefs.lastConnection();
    ASSERT_TRUE(full);
    EXPECT_EQ(full->selectedInterface, ZevuTypes::SelectedInterface::Recent);
    EXPECT_EQ(full->connectVia, ZevuTypes::ConnectVia::City);
    EXPECT_EQ(full->nasIdentifier, "nas-1");
    EXPECT_TRUE(full->isDialedWithOVPNObfuscatedServer);
    ASSERT_TRUE(full->server);
    EXPECT_EQ(full->server->name, "Berlin");

    struct Case {
        const char* change;
        std::function<void(json&)> edit;
        bool decodes;
    } cases[] = {
        {"no nasIdentifier", [](json& j) { j.erase("nasIdentifier"); }, true},
        {"no dialedWithQRServer", [](json& j) { j.erase("dialedWithQRServer"); }, false},
        {"no server", [](json& j) { j.erase("server"); }, false},
        {"unknown connectVia", [](json& j) { j["connectVia"] = "DedicatedIP"; }, false},
        {"server type 5", [](json& j) { j["server"]["type"] = 5; }, false},
    };
    for (const auto& c : cases) {
        json j = lastConnectionJSON();
        c.edit(j);
        defaults().set(dataOf(j), "AppPreference.lastConnection");
        EXPECT_EQ(prefs.lastConnection().has_value(), c.decodes) << c.change;
    }

    auto record = *full;
    record.nasIdentifier.reset();
    prefs.setLastConnection(record);
    auto stored = json::parse(*defaults().data("AppPreference.lastConnection"));
    EXPECT_FALSE(stored.contains("nasIdentifier"));
    EXPECT_EQ(stored["connectVia"], "City");
    auto back = prefs.lastConnection();
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->nasIdentifier);
    EXPECT_EQ(back->server->id, "42");

    prefs.setLastConnection(std::nullopt);
    EXPECT_FALSE(prefs.lastConnection());
}

TEST_F(AppPreferencesTest, DataStoreVersionIsTakenFromTheBundleOnceAndThenKept) {
    AppPreferences prefs;
    EXPECT_EQ(prefs.dataStoreVersion(), infoDataStoreVersion());
    EXPECT_EQ(defaults().integer("AppPreference.dataStoreVersion"), infoDataStoreVersion());
    prefs.setDataStoreVersion(7);
    EXPECT_EQ(AppPreferences().dataStoreVersion(), 7);
}

TEST_F(AppPreferencesTest, AppearanceOutsideTheChoicesReadsAsDarkWithoutALightTitle) {
    AppPreferences prefs;
    EXPECT_EQ(prefs.appearance(), 0);
    for (std::int64_t v : {0, 1, 2}) {
        prefs.setAppearance(v);
        EXPECT_EQ(prefs.appearance(), v);
    }
    ASSERT_EQ(AppPreferences::appearanceTitles().size(), 3u);
    for (const auto& t : AppPreferences::appearanceTitles()) ASSERT_NE(t, "light");
    prefs.setAppearance(5);
    EXPECT_EQ(prefs.appearance(), 2);
    prefs.setAppearance(-1);
    EXPECT_EQ(prefs.appearance(), 2);
}

TEST_F(AppPreferencesTest, ExtensionStatusSetterPostsTheActivationBeforeStoring) {
    AppPreferences prefs;
    EXPECT_EQ(prefs.wgSystemExtensionStatus(), SystemExtensionStatus::NotRecorded);
    std::vector<std::pair<bool, std::int64_t>> seen;  // object, stored value at the time of posting
    auto token = NotificationCenter::defaultCenter().addObserver("ExtensionStatusChanged", [&](const Notification& n) {
        ASSERT_TRUE(n.objectAs<bool>());
        seen.emplace_back(*n.objectAs<bool>(), UserDefaults::standard().integer("AppPreference.wgSystemExtensionStatus"));
    });
    prefs.setWgSystemExtensionStatus(SystemExtensionStatus::Activated);
    prefs.setWgSystemExtensionStatus(SystemExtensionStatus::AwaitingApproval);
    prefs.setOpenVPNSystemExtensionStatus(SystemExtensionStatus::Activated);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], (std::pair<bool, std::int64_t>{true, 0}));
    EXPECT_EQ(seen[1], (std::pair<bool, std::int64_t>{false, 1}));
    EXPECT_TRUE(seen[2].first);
    EXPECT_EQ(prefs.wgSystemExtensionStatus(), SystemExtensionStatus::AwaitingApproval);
    EXPECT_EQ(prefs.openVPNSystemExtensionStatus(), SystemExtensionStatus::Activated);

    defaults().set(Value(7), "AppPreference.wgSystemExtensionStatus");
    EXPECT_EQ(prefs.wgSystemExtensionStatus(), std::nullopt);
}

TEST_F(AppPreferencesTest, TextKeysKeychainValuesAndTheInstallTime) {
    AppPreferences prefs;
    prefs.setOnGoingConnectionId("c-1");
    EXPECT_EQ(AppPreferences().onGoingConnectionId(), "c-1");
    prefs.setOnGoingConnectionId(std::nullopt);
    EXPECT_FALSE(defaults().object("AppPreference.onGoingConnectionId"));
    prefs.setLastFeedbackConnectionId("f");
    prefs.setLastFeedbackConnectionId(std::nullopt);
    EXPECT_FALSE(prefs.lastFeedbackConnectionId());

    EXPECT_EQ(prefs.apiKeychainValue("dialer-api/authorization"), "");
    Keychain("AppPreferences").set("secret", "PRODUCTION_API_dialer-api/authorization");
    EXPECT_EQ(prefs.apiKeychainValue("dialer-api/authorization"), "secret");

    EXPECT_FALSE(prefs.appInstallTime());
    User().setVpnUsername("vpn-u");
    defaults().set(Value(Date{1000}), "vpn-u.appInstallTime");
    EXPECT_EQ(prefs.appInstallTime(), (Date{1000}));
    defaults().set(Value("yesterday"), "vpn-u.appInstallTime");
    EXPECT_FALSE(prefs.appInstallTime());
}

}  // namespace
