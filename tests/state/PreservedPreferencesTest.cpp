#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "foundation/NotificationCenter.h"
#include "state/AppPreferences.h"
#include "state/PreservedPreferences.h"
#include "state/StoredValueCoding.h"
#include "state/User.h"
#include "support/TestSupport.h"

using namespace morvex;
using json = nlohmann::json;
using Server = ZevuDataFetcherTypes::Server;
using ServerPtr = ZevuDataFetcherTypes::ServerPtr;

namespace {

ServerPtr country(const std::string& code) {
    return std::make_shared<Server>(code, "Name " + code, ZevuDataFetcherTypes::ServerType::Country, code);
}

class PreservedPreferencesTest : public test::TempConfigTest {
protected:
    UserDefaults defaults() { return UserDefaults::standard(); }
    void signIn(const std::string& vpnUser) { User().setVpnUsername(vpnUser); }
};

TEST_F(PreservedPreferencesTest, KeysFollowTheVpnUserNameReadAtEveryAccess) {
    PreservedPreferences prefs;
    std::vector<std::size_t> posted;
    auto token = NotificationCenter::defaultCenter().addObserver("RecentsUpdated", [&](const Notification& n) {
        ASSERT_TRUE(n.objectAs<PreservedPreferences::ServerList>());
        posted.push_back(n.objectAs<PreservedPreferences::ServerList>()->size());
    });

    prefs.setRecents(PreservedPreferences::ServerList{country("DE")});
    EXPECT_TRUE(defaults().object(".recents"));
    ASSERT_EQ(prefs.recents().size(), 1u);

    signIn("U");  // the same instance now addresses U's set
    EXPECT_TRUE(prefs.recents().empty());
    prefs.setRecents(PreservedPreferences::ServerList{country("FR"), country("IT")});
    EXPECT_TRUE(defaults().object("U.recents"));
    ASSERT_EQ(prefs.recents().size(), 2u);
    EXPECT_EQ(prefs.recents()[1]->id, "IT");
    EXPECT_EQ(PreservedPreferences::perUserKey("favorites"), "U.favorites");
    EXPECT_EQ(posted, (std::vector<std::size_t>{1, 2}));

    // The account list lives under the client id instead.
    User().setClientId("client-7");
    prefs.setVpnAccounts(std::vector<PreservedPreferences::VPNAccount>{{"a", "active", "", "", "", ""}});
    EXPECT_TRUE(defaults().object("client-7.vpnAccounts"));
    EXPECT_FALSE(defaults().object("U.vpnAccounts"));
}

TEST_F(PreservedPreferencesTest, SelectedProtocolReadsOnlyStoredIndicesAndAutomaticChoiceResetsIt) {
    struct Case {
        const char* stored;
        std::optional<Value> value;
        std::optional<bool> automatic;  // what automaticProtocol is then set to
        VPNProtocol expected;
    } cases[] = {
        {"nothing", std::nullopt, std::nullopt, VPNProtocol::IPSec},
        {"7", Value(7), std::nullopt, VPNProtocol::IPSec},
        {"text 4", Value("4"), std::nullopt, VPNProtocol::IPSec},
        {"4.0", Value(4.0), std::nullopt, VPNProtocol::IPSec},
        {"4", Value(4), std::nullopt, VPNProtocol::WireGuard},
        {"3", Value(3), std::nullopt, VPNProtocol::UDP},
        {"7, automatic on", Value(7), true, VPNProtocol::IPSec},
        {"text 4, automatic on", Value("4"), true, VPNProtocol::IPSec},
        {"4, automatic on", Value(4), true, VPNProtocol::IPSec},
        {"4, automatic off", Value(4), false, VPNProtocol::WireGuard},
        {"7, automatic off", Value(7), false, VPNProtocol::IPSec},
    };
    PreservedPreferences prefs;
    for (const auto& c : cases) {
        defaults().removeObject(".selectedProtocol");
        if (c.value) defaults().set(*c.value, ".selectedProtocol");
        if (c.automatic) prefs.setAutomaticProtocol(*c.automatic);
        EXPECT_EQ(prefs.selectedProtocol(), c.expected) << c.stored;
    }

    prefs.setSelectedProtocol(VPNProtocol::TCP);
    EXPECT_EQ(defaults().object(".selectedProtocol"), Value(2));  // the case index, not "TCP"

    std::vector<bool> posted;
    auto token = NotificationCenter::defaultCenter().addObserver(
        "AutomaticProtocolChanged", [&](const Notification& n) { posted.push_back(*n.objectAs<bool>()); });
    prefs.setAutomaticProtocol(true);
    prefs.setAutomaticProtocol(false);
    EXPECT_EQ(posted, (std::vector<bool>{true, false}));
}

TEST_F(PreservedPreferencesTest, DefaultTrueFlagsAreStoredOnTheirFirstRead) {
    PreservedPreferences prefs;
    signIn("U");
    const std::pair<const char*, bool (PreservedPreferences::*)() const> defaultTrue[] = {
        {"allowVPNNotifications", &PreservedPreferences::allowVPNNotifications},
        {"launchOnStartUp", &PreservedPreferences::launchOnStartUp},
        {"automaticallyCheckForUpdate", &PreservedPreferences::automaticallyCheckForUpdate},
        {"automaticProtocol", &PreservedPreferences::automaticProtocol},
        {"isB2C", &PreservedPreferences::isB2C},
        {"connectToFallback", &PreservedPreferences::connectToFallback},
        {"autoReconnectOnConnectionDrop", &PreservedPreferences::autoReconnectOnConnectionDrop},
    };
    for (const auto& [name, getter] : defaultTrue) {
        const std::string key = std::string("U.") + name;
        EXPECT_FALSE(defaults().object(key)) << name;
        EXPECT_TRUE((prefs.*getter)()) << name;
        EXPECT_EQ(defaults().object(key), Value(true)) << name;
        defaults().set(Value(false), key);
        EXPECT_FALSE((prefs.*getter)()) << name;
    }
    EXPECT_FALSE(prefs.enablePing());
    EXPECT_FALSE(defaults().object("U.enablePing"));
    EXPECT_FALSE(prefs.reconnectOnLaunch());
}

TEST_F(PreservedPreferencesTest, DefaultFalseFlagsReadWithoutStoringAndKeepTheirKeys) {
    PreservedPreferences prefs;
    signIn("U");
    struct Flag {
        const char* key;
        bool (PreservedPreferences::*get)() const;
        void (PreservedPreferences::*set)(bool);
    };
    const Flag flags[] = {
        {"enablePing", &PreservedPreferences::enablePing, &PreservedPreferences::setEnablePing},
        {"isFromDetail", &PreservedPreferences::isFromDetail, &PreservedPreferences::setIsFromDetail},
        {"isInstallNow", &PreservedPreferences::isInstallNow, &PreservedPreferences::setIsInstallNow},
        {"isAlreadyShownDetailScreen", &PreservedPreferences::isAlreadyShownDetailScreen,
         &PreservedPreferences::setIsAlreadyShownDetailScreen},
        {"reconnectOnLaunch", &PreservedPreferences::reconnectOnLaunch, &PreservedPreferences::setReconnectOnLaunch},
        {"preventSleep", &PreservedPreferences::preventSleep, &PreservedPreferences::setPreventSleep},
        {"autoConnectFromSleep", &PreservedPreferences::autoConnectFromSleep,
         &PreservedPreferences::setAutoConnectFromSleep},
        {"enablePersonaliseServer", &PreservedPreferences::enablePersonaliseServer,
         &PreservedPreferences::setEnablePersonaliseServer},
        {"manuallyCheckForUpdate", &PreservedPreferences::manuallyCheckForUpdate,
         &PreservedPreferences::setManuallyCheckForUpdate},
        {"desiredOutcomeAchieved", &PreservedPreferences::desiredOutcomeAchieved,
         &PreservedPreferences::setDesiredOutcomeAchieved},
        {"ratedOnStore", &PreservedPreferences::ratedOnStore, &PreservedPreferences::setRatedOnStore},
        {"referredAFriend", &PreservedPreferences::referredAFriend, &PreservedPreferences::setReferredAFriend},
        {"onDemandRulesEnabled", &PreservedPreferences::onDemandRulesEnabled,
         &PreservedPreferences::setOnDemandRulesEnabled},
        {"enableIKS", &PreservedPreferences::enableIKS, &PreservedPreferences::setEnableIKS},
        {"passwordChanged", &PreservedPreferences::passwordChanged, &PreservedPreferences::setPasswordChanged},
    };
    std::vector<bool> passwordChanges;
    auto token = NotificationCenter::defaultCenter().addObserver(
        "PasswordChanged", [&](const Notification& n) { passwordChanges.push_back(*n.objectAs<bool>()); });
    for (const auto& [name, get, set] : flags) {
        const std::string key = std::string("U.") + name;
        EXPECT_FALSE((prefs.*get)()) << name;
        EXPECT_FALSE(defaults().object(key)) << name;
        (prefs.*set)(true);
        EXPECT_EQ(defaults().object(key), Value(true)) << name;
        EXPECT_TRUE((prefs.*get)()) << name;
    }
    EXPECT_EQ(passwordChanges, std::vector<bool>{true});
}

TEST_F(PreservedPreferencesTest, FirstLoginIsTrueOnceAndSurvivesTheCleanUp) {
    PreservedPreferences prefs;
    signIn("U");
    EXPECT_TRUE(prefs.firstLogin());
    EXPECT_EQ(defaults().string("U.firstLogin"), "FALSE");
    EXPECT_FALSE(prefs.firstLogin());
    prefs.clearUserPreferences();
    EXPECT_FALSE(prefs.firstLogin());
    signIn("V");
    EXPECT_TRUE(prefs.firstLogin());
}

TEST_F(PreservedPreferencesTest, TestGroupIsDrawnForAnythingButTheTwoExactTexts) {
    PreservedPreferences prefs;
    defaults().set(Value("GroupB"), ".userTestGroup");
    EXPECT_EQ(prefs.userTestGroup(), PreservedPreferences::TestGroup::GroupB);

    for (Value stored : {Value("groupa"), Value(1)}) {
        defaults().set(stored, ".userTestGroup");
        auto drawn = prefs.userTestGroup();
        auto text = defaults().string(".userTestGroup");
        ASSERT_TRUE(text == "GroupA" || text == "GroupB") << *text;
        EXPECT_EQ(rawValue(drawn), *text);
        EXPECT_EQ(prefs.userTestGroup(), drawn);  // kept once drawn
    }
}

TEST_F(PreservedPreferencesTest, TestGroupDrawnOnSeveralThreadsAtOnceIsOneGroup) {
    constexpr int kThreads = 4;
    for (int round = 0; round < 100; ++round) {
        defaults().removeObject(".userTestGroup");
        std::atomic<int> ready{0};
        std::vector<PreservedPreferences::TestGroup> seen(kThreads);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                ++ready;
                while (ready.load() < kThreads) {
                }
                seen[static_cast<std::size_t>(t)] = PreservedPreferences().userTestGroup();
            });
        }
        for (auto& thread : threads) thread.join();
        const auto stored = defaults().string(".userTestGroup");
        ASSERT_TRUE(stored);
        for (auto group : seen) ASSERT_EQ(rawValue(group), *stored) << "round " << round;
    }
}

TEST_F(PreservedPreferencesTest, SystemExtensionStatusByProtocolAndStoredStatus) {
    struct Case {
        VPNProtocol protocol;
        std::optional<std::int64_t> openVPN, wireGuard;
        bool notReady;
    } cases[] = {
        {VPNProtocol::IPSec, 0, 0, false},
        {VPNProtocol::IKEv2, std::nullopt, std::nullopt, false},
        {VPNProtocol::IKEv2, 3, 4, false},
        {VPNProtocol::UDP, std::nullopt, 1, true},
        {VPNProtocol::UDP, 0, 1, true},
        {VPNProtocol::UDP, 1, 0, false},
        {VPNProtocol::TCP, 3, 1, true},
        {VPNProtocol::WireGuard, 0, 1, false},
        {VPNProtocol::WireGuard, 1, 9, true},
        {VPNProtocol::WireGuard, 1, 2, true},
    };
    PreservedPreferences prefs;
    for (const auto& c : cases) {
        prefs.setSelectedProtocol(c.protocol);
        for (auto [key, value] : {std::pair{"AppPreference.openVPNSystemExtensionStatus", c.openVPN},
                                  std::pair{"AppPreference.wgSystemExtensionStatus", c.wireGuard}}) {
            if (value) defaults().set(Value(*value), key);
            else defaults().removeObject(key);
        }
        EXPECT_EQ(prefs.systemExtensionStatus(), c.notReady) << title(c.protocol);
    }
}

TEST_F(PreservedPreferencesTest, CleanUpRemovesTheListedSettingsAndUnmarksTheRecommendedServer) {
    PreservedPreferences prefs;
    signIn("U");
    User().setClientId("C");
    prefs.setRecents(PreservedPreferences::ServerList{country("DE")});
    prefs.setEnableIKS(true);
    prefs.setSelectedProtocol(VPNProtocol::UDP);
    prefs.setDialedProtocol(VPNProtocol::UDP);
    prefs.setAutoConnectVia(PreservedPreferences::AutoConnectVia::Location);
    prefs.setPersonalizeServer(PreservedPreferences::Ratings{{"DE", {{"x", true}}}});
    prefs.setPasswordChanged(true);
    prefs.setVpnAccounts(std::vector<PreservedPreferences::VPNAccount>{{"a", "active", "", "", "", ""}});
    (void)prefs.launchOnStartUp();
    auto recommended = country("NL");
    recommended->favorite = true;
    auto store = defaults();
    setEncodable(store, std::optional(*recommended), "AppPreference.recommendedServer");

    std::vector<std::string> order;
    ServerPtr postedServer;
    auto t1 = NotificationCenter::defaultCenter().addObserver("ZevuRecommendedServerUpdated", [&](const Notification& n) {
        order.push_back(n.name);
        postedServer = *n.objectAs<ServerPtr>();
    });
    auto t2 = NotificationCenter::defaultCenter().addObserver(
        "PreferencesRefreshed", [&](const Notification& n) { order.push_back(n.name); });
    prefs.clearUserPreferences();

    EXPECT_EQ(order, (std::vector<std::string>{"ZevuRecommendedServerUpdated", "PreferencesRefreshed"}));
    ASSERT_TRUE(postedServer);
    EXPECT_FALSE(postedServer->favorite);
    auto stored = AppPreferences().recommendedServer();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->id, "NL");
    EXPECT_FALSE(stored->favorite);

    for (const char* gone : {"U.recents", "U.enableIKS", "U.selectedProtocol", "U.autoConnectVia",
                             "U.personalizeServer", "U.launchOnStartUp"})
        EXPECT_FALSE(defaults().object(gone)) << gone;
    for (const char* kept : {"U.dialedProtocol", "U.passwordChanged", "C.vpnAccounts"})
        EXPECT_TRUE(defaults().object(kept)) << kept;
    EXPECT_EQ(prefs.selectedProtocol(), VPNProtocol::IPSec);
    EXPECT_EQ(prefs.dialedProtocol(), VPNProtocol::UDP);
    EXPECT_TRUE(prefs.launchOnStartUp());
}

TEST_F(PreservedPreferencesTest, CleanUpWithoutARecommendedServerPostsNone) {
    PreservedPreferences prefs;
    bool posted = false;
    auto token = NotificationCenter::defaultCenter().addObserver("ZevuRecommendedServerUpdated", [&](const Notification& n) {
        posted = true;
        ASSERT_TRUE(n.objectAs<ServerPtr>());
        EXPECT_FALSE(*n.objectAs<ServerPtr>());
    });
    prefs.clearUserPreferences();
    EXPECT_TRUE(posted);
    EXPECT_FALSE(AppPreferences().recommendedServer());
}

TEST_F(PreservedPreferencesTest, RatingsReadOnlyTheirJsonFormAndDropAnythingElse) {
    PreservedPreferences prefs;
    EXPECT_FALSE(prefs.personalizeServer());
    prefs.setPersonalizeServer(PreservedPreferences::Ratings{{"DE", {{"a", true}, {"b", false}, {"c", true}}},
                                                             {"FR", {{"z", true}}}});
    EXPECT_EQ(prefs.likedServers("DE"), "a,c");
    EXPECT_EQ(prefs.dislikedServers("DE"), "b");
    EXPECT_EQ(prefs.dislikedServers("FR"), "");
    EXPECT_EQ(prefs.likedServers("IT"), "");
    EXPECT_EQ(prefs.likedServers(std::nullopt), "");

    auto bytes = [](std::string_view s) { return Value(Bytes(s.begin(), s.end())); };
    const std::pair<const char*, Value> invalid[] = {
        {"a string", Value("DE")},
        {"a binary archive", bytes("bplist00\xd4\x01\x02")},
        {"a list at the top", bytes(R"([{"identifier":"a","liked":true}])")},
        {"a code without a list", bytes(R"({"DE": {"identifier":"a"}})")},
        {"an entry without identifier", bytes(R"({"DE": [{"liked": true}]})")},
        {"a numeric identifier", bytes(R"({"DE": [{"identifier": 5, "liked": true}]})")},
        {"a textual liked flag", bytes(R"({"DE": [{"identifier": "a", "liked": "yes"}]})")},
    };
    for (const auto& [what, value] : invalid) {
        defaults().set(value, ".personalizeServer");
        EXPECT_FALSE(prefs.personalizeServer()) << what;
        EXPECT_FALSE(defaults().object(".personalizeServer")) << what << " must be dropped";
    }

    defaults().set(bytes(R"({"DE": [{"identifier": "a"}]})"), ".personalizeServer");
    auto lenient = prefs.personalizeServer();
    ASSERT_TRUE(lenient);
    EXPECT_FALSE(lenient->at("DE").front().liked);

    // An identifier that is not UTF-8 must not fail the write and lose the other ratings.
    prefs.setPersonalizeServer(PreservedPreferences::Ratings{{"DE", {{"ok", true}, {"bad\xff", false}}}});
    ASSERT_TRUE(prefs.personalizeServer());
    EXPECT_EQ(prefs.likedServers("DE"), "ok");
    EXPECT_EQ(prefs.personalizeServer()->at("DE").size(), 2u);

    prefs.setPersonalizeServer(std::nullopt);
    ASSERT_TRUE(prefs.personalizeServer());
    EXPECT_TRUE(prefs.personalizeServer()->empty());
}

TEST_F(PreservedPreferencesTest, StoredServersEnumerationsAndErrors) {
    PreservedPreferences prefs;
    prefs.setAutoConnectServer(country("SE"));
    EXPECT_EQ(prefs.autoConnectServer()->id, "SE");
    prefs.setAutoConnectServer(nullptr);
    EXPECT_TRUE(defaults().object(".autoConnectServer"));  // the stored null
    EXPECT_FALSE(prefs.autoConnectServer());

    std::vector<ServerPtr> posted;
    auto token = NotificationCenter::defaultCenter().addObserver(
        "DedicatedIpUpdated", [&](const Notification& n) { posted.push_back(*n.objectAs<ServerPtr>()); });
    auto dedicated = country("US");
    prefs.setDedicatedServer(dedicated);
    prefs.setDedicatedServer(nullptr);
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0], dedicated);
    EXPECT_FALSE(posted[1]);
    EXPECT_FALSE(prefs.dedicatedServer());

    EXPECT_EQ(prefs.autoConnectVia(), PreservedPreferences::AutoConnectVia::AutoSelect);
    defaults().set(Value("location"), ".autoConnectVia");
    EXPECT_EQ(prefs.autoConnectVia(), PreservedPreferences::AutoConnectVia::AutoSelect);
    prefs.setAutoConnectVia(PreservedPreferences::AutoConnectVia::LastConnected);
    EXPECT_EQ(defaults().string(".autoConnectVia"), "LastConnected");
    EXPECT_EQ(prefs.autoConnectVia(), PreservedPreferences::AutoConnectVia::LastConnected);
    auto titles = autoConnectViaTitles();
    ASSERT_EQ(titles.size(), 4u);
    EXPECT_EQ(titles[0], titles[1]);
    EXPECT_EQ(autoConnectViaFromTitle(titles[1]), PreservedPreferences::AutoConnectVia::AutoSelect);
    EXPECT_EQ(autoConnectViaFromTitle(titles[3]), PreservedPreferences::AutoConnectVia::Location);

    prefs.setDedicatedIpApiError(Error("MorvexVPNError", 1111, "busy"));
    auto stored = json::parse(*defaults().data(".dedicatedIpApiError"));
    EXPECT_EQ(stored["code"], 1111);
    EXPECT_EQ(stored["domain"], "MorvexVPNError");
    // An error text that is not UTF-8 (bytes of a server's answer) is stored, not thrown on.
    prefs.setDedicatedIpApiError(Error("MorvexVPNError", 7, "bad \xff\xfe answer"));
    ASSERT_TRUE(defaults().data(".dedicatedIpApiError"));
    EXPECT_EQ(json::parse(*defaults().data(".dedicatedIpApiError"))["code"], 7);
    prefs.setDedicatedIpApiError(std::nullopt);
    EXPECT_FALSE(defaults().object(".dedicatedIpApiError"));

    defaults().set(Value(Date{5}), ".pingedAt");
    EXPECT_EQ(prefs.pingedAt(), (Date{5}));
    defaults().set(Value(5), ".pingedAt");
    EXPECT_FALSE(prefs.pingedAt());
}

}  // namespace
