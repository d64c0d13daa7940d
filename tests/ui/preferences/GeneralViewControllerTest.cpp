// The general page and its model: the auto-connect box, launch at login and the sleep lock with
// the desktop refusing, the appearance, the language name, and clearing the preferences.
#include <QLabel>
#include <QListWidget>
#include <gtest/gtest.h>

#include "foundation/NotificationCenter.h"
#include "foundation/UserDefaults.h"
#include "appkit/Sheet.h"
#include "ui/preferences/GeneralViewController.h"
#include "ui/preferences/LanguagesController.h"
#include "ui/preferences/VpnPrefsTestSupport.h"

namespace morvex {
namespace {

using Via = PreservedPreferences::AutoConnectVia;

class GeneralPageTest : public test::VpnPrefsPageTest {
protected:
    // Made at each use: the fixture's members exist before the test's configuration folder does.
    static PreservedPreferences prefs() { return PreservedPreferences(); }
    bool loginItemAccepted = true;
    std::vector<bool> loginItemCalls;
    appkit::IOReturn assertionResult = appkit::kIOReturnSuccess;
    appkit::IOPMAssertionID nextAssertion = 7;
    std::vector<appkit::IOPMAssertionID> released;

    void TearDown() override {
        GeneralViewController::sleepAssertionId().reset();
        appkit::Application::shared().setAppearance(std::nullopt);
        test::VpnPrefsPageTest::TearDown();
    }

    GeneralModel model() { return GeneralModel(PreservedPreferences(), AppPreferences(), tracker(), vpn); }

    GeneralViewController* openPage() {
        GeneralViewController::Hooks hooks = GeneralViewController::Hooks::defaults();
        hooks.setLoginItem = [this](bool enabled) {
            loginItemCalls.push_back(enabled);
            return loginItemAccepted;
        };
        hooks.createSleepAssertion = [this](appkit::IOPMAssertionID& id) {
            id = nextAssertion++;
            return assertionResult;
        };
        hooks.releaseSleepAssertion = [this](appkit::IOPMAssertionID id) {
            released.push_back(id);
            return appkit::kIOReturnSuccess;
        };
        return show(new GeneralViewController(model(), hooks));
    }
    template <class W>
    static W* find(GeneralViewController* page, const char* name) {
        return page->view()->findChild<W*>(QString::fromLatin1(name));
    }
};

TEST_F(GeneralPageTest, ASpecificLocationGrowsTheBoxAndStoresTheUnitedStatesWhenNoneIsStored) {
    prefs().setReconnectOnLaunch(true);
    auto* page = openPage();
    EXPECT_EQ(page->autoConnectBoxHeight(), 110);
    EXPECT_FALSE(find<QWidget>(page, "locationPopupStackView")->isVisible());
    choose(find<QComboBox>(page, "protocolPopup"), localized("general.specificlocation.title"));
    EXPECT_EQ(prefs().autoConnectVia(), Via::Location);
    ASSERT_NE(prefs().autoConnectServer(), nullptr);
    EXPECT_EQ(prefs().autoConnectServer()->code, "US");
    EXPECT_EQ(page->autoConnectBoxHeight(), 190);
    EXPECT_TRUE(find<QWidget>(page, "locationPopupStackView")->isVisible());
    EXPECT_EQ(find<QLabel>(page, "autoConnectLocationName")->text(), "United States");
    choose(find<QComboBox>(page, "protocolPopup"), localized("general.recentlyconnectedlocation.title"));
    EXPECT_EQ(prefs().autoConnectVia(), Via::LastConnected);
    EXPECT_EQ(page->autoConnectBoxHeight(), 110);
    EXPECT_FALSE(find<QWidget>(page, "locationPopupStackView")->isVisible());
}

TEST_F(GeneralPageTest, AutoConnectOffDimsTheChoiceAndHidesIt) {
    prefs().setReconnectOnLaunch(true);
    auto* page = openPage();
    EXPECT_EQ(page->colorAutoConnectOptionLabel().alphaF(), 1.0);
    QTest::mouseClick(find<SettingsToggle>(page, "btn_autoConnect"), Qt::LeftButton);
    EXPECT_FALSE(prefs().reconnectOnLaunch());
    EXPECT_NEAR(page->colorAutoConnectOptionLabel().alphaF(), 0.3, 0.01);
    EXPECT_FALSE(find<QWidget>(page, "automaticLocationStackView")->isVisible());
}

TEST_F(GeneralPageTest, LeavingWithASpecificLocationButNoneStoredFallsBackToAutoSelect) {
    auto* page = openPage();
    prefs().setAutoConnectVia(Via::Location);
    prefs().setAutoConnectServer(nullptr);
    window->hide();
    EXPECT_EQ(prefs().autoConnectVia(), Via::AutoSelect);
    (void)page;
}

TEST_F(GeneralPageTest, ALoginItemTheDesktopRefusesLeavesTheSettingAndSaysSo) {
    prefs().setLaunchOnStartUp(true);
    auto* page = openPage();
    auto* toggle = find<SettingsToggle>(page, "btn_launchStartUp");
    loginItemAccepted = false;
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_EQ(loginItemCalls, std::vector<bool>{false});
    EXPECT_TRUE(prefs().launchOnStartUp());
    EXPECT_TRUE(toggle->isChecked());
    ASSERT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(presenter->last().title, localized("alert.title.error"));
    loginItemAccepted = true;
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_FALSE(prefs().launchOnStartUp());
    EXPECT_FALSE(toggle->isChecked());
}

TEST_F(GeneralPageTest, TheSleepLockIsTakenOnceAndGivenBack) {
    auto* page = openPage();
    auto* toggle = find<SettingsToggle>(page, "btn_preventSleep");
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_TRUE(prefs().preventSleep());
    EXPECT_EQ(GeneralViewController::sleepAssertionId(), appkit::IOPMAssertionID{7});
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_FALSE(prefs().preventSleep());
    EXPECT_EQ(released, std::vector<appkit::IOPMAssertionID>{7});
    EXPECT_FALSE(GeneralViewController::sleepAssertionId().has_value());
    QTest::mouseClick(toggle, Qt::LeftButton);
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_EQ(released, (std::vector<appkit::IOPMAssertionID>{7, 8})) << "each lock is released once";
}

TEST_F(GeneralPageTest, ASleepLockThatCannotBeTakenLeavesTheSwitchOff) {
    assertionResult = appkit::kIOReturnError;
    auto* page = openPage();
    auto* toggle = find<SettingsToggle>(page, "btn_preventSleep");
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_FALSE(prefs().preventSleep());
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_FALSE(GeneralViewController::sleepAssertionId().has_value());
    ASSERT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(*presenter->last().message, localized("settings.preference-not-changed.alert.message"));
}

TEST_F(GeneralPageTest, ChoosingAnAppearanceAppliesStoresAndAnnouncesIt) {
    int announced = 0;
    auto token = NotificationCenter::defaultCenter().addObserver(AppPreferences::preferencesNotification,
                                                                 [&](const Notification&) { ++announced; });
    auto* page = openPage();
    choose(find<QComboBox>(page, "appearancePopup"), localized("appearance.light"));
    EXPECT_EQ(appkit::Application::shared().appearance(), appkit::Appearance::Aqua);
    EXPECT_EQ(AppPreferences().appearance(), 1);
    EXPECT_EQ(announced, 1);
    ASSERT_EQ(analytics->count("app_set_theme"), 1);
    EXPECT_EQ(analytics->named("app_set_theme")[0].second, (Dictionary{{"theme", "light"}}));
    choose(find<QComboBox>(page, "appearancePopup"), localized("appearance.system.default"));
    EXPECT_EQ(appkit::Application::shared().appearance(), std::nullopt);
    EXPECT_EQ(AppPreferences().appearance(), 0);
}

TEST_F(GeneralPageTest, ModelReadsTitlesAndLanguageAsStored) {
    GeneralModel m = model();
    EXPECT_EQ(GeneralModel::appearanceFromTitle("no such appearance"), GeneralModel::Appearance::Dark);
    EXPECT_EQ(GeneralModel::appearanceFromTitle(localized("appearance.light")), GeneralModel::Appearance::Light);
    EXPECT_EQ(m.storeAutoConnectTitle(localized("general.recommendedlocation.title")), Via::AutoSelect);
    EXPECT_EQ(m.storeAutoConnectTitle("no such title"), Via::AutoSelect);
    EXPECT_EQ(m.preferredLanguageCode(), "de");
    EXPECT_EQ(m.selectedLanguageName(), "Deutsch");
    UserDefaults::standard().set(Value("en"), AppPreferences::Key::preferredLanguageCode);
    EXPECT_EQ(m.preferredLanguageCode(), "en");
}

TEST_F(GeneralPageTest, AnotherLanguageChosenInTheListIsKeptForTheNextStartAndAsksToRestart) {
    auto* page = openPage();
    EXPECT_EQ(find<QLabel>(page, "selectedLanguageName")->text(), "Deutsch");
    QTest::mouseClick(find<QPushButton>(page, "changeLanguage"), Qt::LeftButton);
    ASSERT_NE(window->attachedSheet(), nullptr);
    auto* list = window->attachedSheet()->findChild<LanguagesController*>();
    ASSERT_NE(list, nullptr);
    const int english = list->list()->item(0)->text().startsWith("English") ? 0 : 1;
    list->list()->setCurrentRow(english);
    QTest::mouseClick(list->changeButton(), Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return !presenter->shown.empty(); }));
    EXPECT_EQ(presenter->last().title, localized("setting.change.language.alert.title"));
    EXPECT_EQ(UserDefaults::standard().object("AppleLanguages"), Value(std::vector<std::string>{"en"}));
    EXPECT_EQ(find<QLabel>(page, "selectedLanguageName")->text().toStdString(), *page->model().selectedLanguageName());
    ASSERT_EQ(analytics->count("app_change_language"), 1);
    EXPECT_EQ(analytics->named("app_change_language")[0].second,
              (Dictionary{{"current_language", "Deutsch"}, {"selected_language", *page->model().selectedLanguageName()}}));
}

TEST_F(GeneralPageTest, ALanguageChangeWhileConnectedGetsTheConnectedNoticeAndNoRestart) {
    struct Case {
        const char* name;
        bool upBeforeTheList;  // else the tunnel comes up while the list is open
    };
    for (const Case& c : {Case{"connected at the click", true}, Case{"connected while choosing", false}}) {
        SCOPED_TRACE(c.name);
        presenter->shown.clear();
        UserDefaults::standard().removeObject("AppleLanguages");
        AppPreferences().defaults().set(std::string("de"), AppPreferences::Key::preferredLanguageCode);
        vpn->status = c.upBeforeTheList ? test::kStatusConnected : zevu::rawValue(zevu::ZevuVPNState::Disconnected);
        auto* page = openPage();
        QTest::mouseClick(find<QPushButton>(page, "changeLanguage"), Qt::LeftButton);
        if (!c.upBeforeTheList) {
            ASSERT_NE(window->attachedSheet(), nullptr);
            auto* list = window->attachedSheet()->findChild<LanguagesController*>();
            ASSERT_NE(list, nullptr);
            list->list()->setCurrentRow(list->list()->item(0)->text().startsWith("English") ? 0 : 1);
            vpn->status = test::kStatusConnected;
            QTest::mouseClick(list->changeButton(), Qt::LeftButton);
        } else {
            EXPECT_EQ(window->attachedSheet(), nullptr) << "no list to choose from";
        }
        ASSERT_TRUE(test::waitUntil([&] { return !presenter->shown.empty(); }));
        EXPECT_EQ(*presenter->last().message, localized("alert.message.confirmLanguageChange.connected"));
        for (const auto& shown : presenter->shown)
            EXPECT_NE(shown.alert.title, localized("setting.change.language.alert.title")) << "nothing offers the restart";
        EXPECT_FALSE(isRelaunching());
        EXPECT_EQ(launches.size(), 0u);
        if (c.upBeforeTheList) {
            EXPECT_FALSE(UserDefaults::standard().object("AppleLanguages").has_value());
        }
    }
}

TEST_F(GeneralPageTest, HidingFromTheTaskbarIsStoredAndReported) {
    auto* page = openPage();
    QTest::mouseClick(find<SettingsToggle>(page, "btn_HideDockIcon"), Qt::LeftButton);
    EXPECT_TRUE(UserDefaults::standard().boolean(AppPreferences::Key::hideFromDock));
    EXPECT_EQ(analytics->count("app_hide_dock_icon"), 1);
    QTest::mouseClick(find<SettingsToggle>(page, "btn_HideDockIcon"), Qt::LeftButton);
    EXPECT_FALSE(UserDefaults::standard().boolean(AppPreferences::Key::hideFromDock));
    EXPECT_EQ(analytics->count("app_hide_dock_icon"), 1);
}

TEST_F(GeneralPageTest, ClearedPreferencesShowTheirDefaults) {
    prefs().setLaunchOnStartUp(false);
    prefs().setAllowVPNNotifications(false);
    prefs().setReconnectOnLaunch(true);
    prefs().setAutoConnectVia(Via::Location);
    prefs().setAutoConnectServer(std::make_shared<ZevuDataFetcherTypes::Server>("DE", "Germany", ZevuDataFetcherTypes::ServerType::Country, "DE"));
    UserDefaults::standard().set(Value(true), AppPreferences::Key::hideFromDock);
    auto* page = openPage();
    QTest::mouseClick(find<QPushButton>(page, "clearPreferences"), Qt::LeftButton);
    ASSERT_EQ(presenter->shown.size(), 1u);
    presenter->press(0);
    EXPECT_TRUE(prefs().launchOnStartUp());
    EXPECT_TRUE(find<SettingsToggle>(page, "btn_launchStartUp")->isChecked());
    EXPECT_TRUE(find<SettingsToggle>(page, "btn_showNotification")->isChecked());
    EXPECT_FALSE(find<SettingsToggle>(page, "btn_autoConnect")->isChecked());
    EXPECT_EQ(prefs().autoConnectServer(), nullptr);
    EXPECT_EQ(prefs().autoConnectVia(), Via::AutoSelect);
    EXPECT_EQ(page->autoConnectBoxHeight(), 110);
    EXPECT_FALSE(UserDefaults::standard().boolean(AppPreferences::Key::hideFromDock));
}

TEST_F(GeneralPageTest, ClearingIsRefusedWhileATunnelIsComingUp) {
    vpn->status = test::kStatusConnecting;
    prefs().setEnablePing(true);
    auto* page = openPage();
    QTest::mouseClick(find<QPushButton>(page, "clearPreferences"), Qt::LeftButton);
    ASSERT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(presenter->last().title, localized("clear.preference.alert.connected.title"));
    presenter->press(0);
    EXPECT_TRUE(prefs().enablePing());
}

}  // namespace
}  // namespace morvex
