// The VPN page of the preferences, driven as a user would: the auto-connect box and its location
// choice, the kill switch against a firewall whose answers each test picks, and the page's
// notifications.
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

#include "foundation/NotificationCenter.h"
#include "foundation/UserDefaults.h"
#include "ui/preferences/VPNSettingsViewController.h"
#include "ui/preferences/VpnPrefsTestSupport.h"

namespace morvex {
namespace {

using Via = PreservedPreferences::AutoConnectVia;
using test::waitUntil;

class VPNSettingsPageTest : public test::VpnPrefsPageTest {
protected:
    // Made at each use: the fixture's members exist before the test's configuration folder does.
    static PreservedPreferences prefs() { return PreservedPreferences(); }

    VPNSettingsViewController* openPage() {
        auto* page = new VPNSettingsViewController(
            GeneralModel(PreservedPreferences(), AppPreferences(), tracker(), vpn),
            KillSwitchModel(PreservedPreferences(), tracker(), firewall.firewall(), vpn));
        show(page);
        // The page fills its auto-connect row a moment after it appears.
        clock.advanceSeconds(VPNSettingsViewController::kFillDelay);
        return page;
    }
    test::ManualClock clock;
    template <class W>
    W* find(VPNSettingsViewController* page, const char* name) {
        return page->view()->findChild<W*>(QString::fromLatin1(name));
    }
    SettingsToggle* killSwitch(VPNSettingsViewController* page) { return find<SettingsToggle>(page, "btnkillSwitch"); }
    QString killSwitchWord(VPNSettingsViewController* page) { return find<QLabel>(page, "btnkillSwitchStatus")->text(); }
};

TEST_F(VPNSettingsPageTest, AutoConnectBoxIsAsHighAsTheStoredChoiceNeeds) {
    struct Case {
        bool on;
        Via via;
        int height;
    };
    for (const Case c : {Case{false, Via::Location, 55}, Case{false, Via::AutoSelect, 55}, Case{true, Via::AutoSelect, 113},
                         Case{true, Via::LastConnected, 113}, Case{true, Via::Location, 131}}) {
        prefs().setReconnectOnLaunch(c.on);
        prefs().setAutoConnectVia(c.via);
        auto* page = openPage();
        EXPECT_EQ(page->autoConnectBoxHeight(), c.height) << c.on << " " << rawValue(c.via);
        EXPECT_TRUE(waitUntil([&] { return find<QWidget>(page, "viewAutoConnect")->height() == c.height; }))
            << c.on << " " << rawValue(c.via);
    }
}

TEST_F(VPNSettingsPageTest, TurningAutoConnectOnOpensTheBoxAndOffClosesIt) {
    prefs().setAutoConnectVia(Via::Location);
    auto* page = openPage();
    auto* toggle = find<SettingsToggle>(page, "btnAutoConnect");
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_TRUE(prefs().reconnectOnLaunch());
    EXPECT_EQ(page->autoConnectBoxHeight(), 131);
    EXPECT_EQ(find<QLabel>(page, "btnAutoConnectStatus")->text(), "On");
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_FALSE(prefs().reconnectOnLaunch());
    EXPECT_EQ(page->autoConnectBoxHeight(), 55);
    EXPECT_EQ(find<QLabel>(page, "btnAutoConnectStatus")->text(), "Off");
}

TEST_F(VPNSettingsPageTest, ChoosingASpecificLocationWithNoneStoredStoresTheUnitedStates) {
    prefs().setReconnectOnLaunch(true);
    auto* page = openPage();
    ASSERT_EQ(prefs().autoConnectServer(), nullptr);
    choose(find<QComboBox>(page, "autoConnectDropDown"), localized("general.specificlocation.title"));
    EXPECT_EQ(prefs().autoConnectVia(), Via::Location);
    ASSERT_NE(prefs().autoConnectServer(), nullptr);
    EXPECT_EQ(prefs().autoConnectServer()->code, "US");
    EXPECT_EQ(prefs().autoConnectServer()->name, "United States");
    EXPECT_EQ(find<QLabel>(page, "autoConnectLocationName")->text(), "United States");
    EXPECT_EQ(page->autoConnectBoxHeight(), 131);
}

TEST_F(VPNSettingsPageTest, TheRecommendedEntryStoresAutoSelect) {
    prefs().setReconnectOnLaunch(true);
    prefs().setAutoConnectVia(Via::Location);
    auto* page = openPage();
    choose(find<QComboBox>(page, "autoConnectDropDown"), localized("general.recommendedlocation.title"));
    EXPECT_EQ(UserDefaults::standard().string(PreservedPreferences::perUserKey("autoConnectVia")), "AutoSelect");
    EXPECT_EQ(page->autoConnectBoxHeight(), 113);
}

TEST_F(VPNSettingsPageTest, AStoredRecommendedChoiceShowsTheRecommendedTitle) {
    prefs().setReconnectOnLaunch(true);
    prefs().setAutoConnectVia(Via::Recommended);
    auto* page = openPage();
    EXPECT_EQ(find<QComboBox>(page, "autoConnectDropDown")->currentText().toStdString(),
              localized("general.recommendedlocation.title"));
}

TEST_F(VPNSettingsPageTest, KillSwitchCannotChangeWhileATunnelIsComingUpOrUp) {
    for (int status : {test::kStatusConnecting, test::kStatusConnected}) {
        for (bool stored : {false, true}) {
            vpn->status = status;
            prefs().setEnableIKS(stored);
            presenter->shown.clear();
            firewall.calls.clear();
            auto* page = openPage();
            QTest::mouseClick(killSwitch(page), Qt::LeftButton);
            ASSERT_EQ(presenter->shown.size(), 1u) << status;
            EXPECT_EQ(presenter->last().title, localized("alert.iks.cannot.change.title"));
            EXPECT_EQ(prefs().enableIKS(), stored);
            EXPECT_EQ(killSwitch(page)->isChecked(), stored);
            EXPECT_STREQ(killSwitch(page)->imageName(), stored ? "toggle_switch_on" : "toggle_switch_off");
            EXPECT_TRUE(firewall.calls.empty());
        }
    }
}

TEST_F(VPNSettingsPageTest, TurningTheKillSwitchOffRemovesTheRulesEvenWhenNoneAreLoaded) {
    prefs().setEnableIKS(true);
    auto* page = openPage();
    QTest::mouseClick(killSwitch(page), Qt::LeftButton);
    EXPECT_FALSE(prefs().enableIKS());
    EXPECT_EQ(killSwitchWord(page), "Off");
    EXPECT_EQ(firewall.calls, std::vector<std::string>{"disable"});
    ASSERT_EQ(analytics->count("app_toggle_iks"), 1);
    EXPECT_EQ(analytics->named("app_toggle_iks")[0].second, (Dictionary{{"status", "disabled"}}));
}

TEST_F(VPNSettingsPageTest, TurningTheKillSwitchOnWithTheHelperAnsweringNeedsNoInstallation) {
    firewall.helperAnswers = true;
    auto* page = openPage();
    QTest::mouseClick(killSwitch(page), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return analytics->count("app_toggle_iks") == 1; }));
    EXPECT_TRUE(prefs().enableIKS());
    EXPECT_EQ(killSwitchWord(page), "On");
    EXPECT_EQ(firewall.calls, std::vector<std::string>{"isHelperToolInstalled"});
    EXPECT_EQ(analytics->named("app_toggle_iks")[0].second, (Dictionary{{"status", "enabled"}}));
    EXPECT_EQ(analytics->count("app_helpertool"), 0);
}

TEST_F(VPNSettingsPageTest, TheKillSwitchStaysOnOnlyWhenTheHelperGetsInstalledAndSaysWhyWhenNot) {
    struct Case {
        const char* name;
        Result<bool> install;
        bool on;
        std::string_view why;  // shown under the switch in the user's language; empty: nothing
    };
    for (const auto& c : {Case{"installed", Result<bool>(true), true, {}},
                          Case{"refused", Result<bool>(false), false, KillSwitchModel::kRefusedKey},
                          Case{"failed", fail(Error("Helper", 1, "pkexec could not be run")), false, KillSwitchModel::kNoHelperKey}}) {
        firewall.install = c.install;
        analytics->tracked.clear();
        prefs().setEnableIKS(false);
        auto* page = openPage();
        QTest::mouseClick(killSwitch(page), Qt::LeftButton);
        ASSERT_TRUE(waitUntil([&] { return analytics->count("app_helpertool") == 1; })) << c.name;
        EXPECT_EQ(prefs().enableIKS(), c.on) << c.name;
        EXPECT_EQ(killSwitch(page)->isChecked(), c.on) << c.name;
        EXPECT_EQ(killSwitchWord(page), c.on ? "On" : "Off") << c.name;
        EXPECT_EQ(analytics->named("app_helpertool")[0].second,
                  (Dictionary{{"installed", std::string(c.on ? "true" : "false")}}))
            << c.name;
        EXPECT_EQ(analytics->count("app_toggle_iks"), c.on ? 1 : 0) << c.name;
        auto* reason = find<QLabel>(page, "killSwitchReason");
        ASSERT_NE(reason, nullptr);
        EXPECT_EQ(reason->isVisible(), !c.why.empty()) << c.name;
        if (!c.why.empty()) {
            EXPECT_EQ(reason->text().toStdString(), localized(c.why)) << c.name;
            EXPECT_NE(localized(c.why), std::string(c.why)) << "a text of the strings table";
            // The next try starts without the old reason.
            firewall.install = Result<bool>(true);
            QTest::mouseClick(killSwitch(page), Qt::LeftButton);
            ASSERT_TRUE(waitUntil([&] { return analytics->count("app_helpertool") == 2; })) << c.name;
            EXPECT_TRUE(killSwitch(page)->isChecked()) << c.name;
            EXPECT_FALSE(reason->isVisible()) << c.name;
        }
    }
}

TEST_F(VPNSettingsPageTest, ProtocolLinkIsIgnoredWhileTheLocationPanelIsOpen) {
    int posts = 0;
    auto token = NotificationCenter::defaultCenter().addObserver(VPNSettingsViewController::kOpenProtocolsNotification,
                                                                 [&](const Notification&) { ++posts; });
    auto* page = openPage();
    auto* link = find<QPushButton>(page, "openProtocolSettings");
    isSettingsLocationOpen = true;
    QTest::mouseClick(link, Qt::LeftButton);
    isSettingsLocationOpen = false;
    EXPECT_EQ(posts, 0);
    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(posts, 1);
}

TEST_F(VPNSettingsPageTest, TheClosingPanelHandsOverOnlyAServer) {
    auto* page = openPage();
    auto& center = NotificationCenter::defaultCenter();
    center.post(kDismissSettingsLocationNotification, {}, UserInfo{{"server", std::string("DE")}});
    center.post(kDismissSettingsLocationNotification);
    EXPECT_EQ(prefs().autoConnectServer(), nullptr);
    auto germany = std::make_shared<ZevuDataFetcherTypes::Server>("DE", "Germany", ZevuDataFetcherTypes::ServerType::Country, "DE");
    center.post(kDismissSettingsLocationNotification, {}, UserInfo{{"server", germany}});
    ASSERT_NE(prefs().autoConnectServer(), nullptr);
    EXPECT_EQ(prefs().autoConnectServer()->code, "DE");
    EXPECT_EQ(find<QLabel>(page, "autoConnectLocationName")->text(), "Germany");
}

TEST_F(VPNSettingsPageTest, ClearedSwitchesAreStoredAsExplicitFalse) {
    prefs().setEnableIKS(true);
    prefs().setEnablePing(true);
    openPage();
    prefs().clearUserPreferences();
    for (const char* key : {"enableIKS", "enablePing", "enablePersonaliseServer"})
        EXPECT_EQ(UserDefaults::standard().object(PreservedPreferences::perUserKey(key)), Value(false)) << key;
}

}  // namespace
}  // namespace morvex
