// The app settings page driven as a user would: its switches and what they store, the log-in
// item that cannot be registered, the theme, the appearance section, the update check, a lost
// network during an installer download and the reset after the preferences were cleared.
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <map>

#include "alerts/AlertTestSupport.h"
#include "appkit/Application.h"
#include "appkit/Window.h"
#include "foundation/NotificationCenter.h"
#include "foundation/UserDefaults.h"
#include "model/BundleInfo.h"
#include "state/AppPreferences.h"
#include "state/PreservedPreferences.h"
#include "ui/kit/PopupManager.h"
#include "ui/preferences/AppSettingsViewController.h"

namespace morvex {
namespace {

using Page = AppSettingsViewController;

class AppSettingsPageTest : public test::AlertTest {
protected:
    std::vector<std::pair<std::string, bool>> loginItemCalls;
    bool loginItemWorks = true;
    std::vector<std::function<void(std::optional<Error>)>> versionChecks;

    Page::Collaborators collaborators() {
        Page::Collaborators c;
        c.setLoginItem = [this](std::string_view identifier, bool enabled) {
            loginItemCalls.emplace_back(std::string(identifier), enabled);
            return loginItemWorks;
        };
        c.versionCheck = [this](std::function<void(std::optional<Error>)> completion) {
            versionChecks.push_back(std::move(completion));
        };
        return c;
    }

    // The page in a window of its own, appeared.
    struct Stage {
        appkit::Application app;
        appkit::Window window{QSize(688, 460)};
        Page* page;
        explicit Stage(Page::Collaborators c) : page(new Page(std::move(c))) {
            window.setContentViewController(page);
            window.show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        }
    };

    std::vector<std::string> titles() const {
        std::vector<std::string> out;
        for (const auto& s : presenter->shown) out.push_back(s.alert.title);
        return out;
    }
};

void click(QWidget* w) {
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center());
}

TEST_F(AppSettingsPageTest, EachSwitchShowsItsStoredValueAndAClickStoresTheOtherOne) {
    PreservedPreferences stored;
    stored.setLaunchOnStartUp(false);
    stored.setAllowVPNNotifications(true);
    stored.setAutomaticallyCheckForUpdate(false);
    Stage stage(collaborators());
    Page& page = *stage.page;

    struct Row {
        QPushButton* button;
        QLabel* caption;
        std::function<bool()> storedValue;
        bool initially;
    };
    const Row rows[] = {
        {page.btnLaunchOnStartUp(), page.lblStartOnLaunchStatus(), [] { return PreservedPreferences().launchOnStartUp(); }, false},
        {page.btnShowNotification(), page.lblShowNotificationStatus(), [] { return PreservedPreferences().allowVPNNotifications(); }, true},
        {page.btnAutoUpdate(), page.lblAutoUpdateStatus(), [] { return PreservedPreferences().automaticallyCheckForUpdate(); }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.button->objectName().toStdString());
        EXPECT_EQ(row.button->isChecked(), row.initially);
        EXPECT_EQ(row.caption->text(), row.initially ? "On" : "Off");
        click(row.button);
        EXPECT_EQ(row.storedValue(), !row.initially);
        EXPECT_EQ(row.caption->text(), row.initially ? "Off" : "On");
        click(row.button);
        EXPECT_EQ(row.storedValue(), row.initially);
        EXPECT_EQ(row.caption->text(), row.initially ? "On" : "Off");
    }
    // The log-in switch registered and removed the launcher each time.
    const std::string launcher = infoLauncherBundleIdentifier();
    EXPECT_EQ(loginItemCalls, (std::vector<std::pair<std::string, bool>>{{launcher, true}, {launcher, false}}));
    EXPECT_TRUE(presenter->shown.empty());

    // Reading the bound value shows what another writer stored.
    PreservedPreferences().setLaunchOnStartUp(true);
    EXPECT_TRUE(page.startOnLaunch());
    EXPECT_EQ(page.lblStartOnLaunchStatus()->text(), "On");
    EXPECT_TRUE(page.btnLaunchOnStartUp()->isChecked());
}

TEST_F(AppSettingsPageTest, ALogInItemThatCannotChangeLeavesTheSwitchAsStoredAndSaysSo) {
    PreservedPreferences().setLaunchOnStartUp(true);
    loginItemWorks = false;
    Stage stage(collaborators());
    Page& page = *stage.page;

    click(page.btnLaunchOnStartUp());
    EXPECT_TRUE(PreservedPreferences().launchOnStartUp());
    EXPECT_TRUE(page.btnLaunchOnStartUp()->isChecked());
    // Image and caption too: a switch that reads "Off" over a registered launcher would mislead.
    EXPECT_EQ(page.lblStartOnLaunchStatus()->text(), "On");
    ASSERT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(presenter->last().title, localized("alert.title.error"));
    EXPECT_EQ(presenter->last().message, localized("settings.preference-not-changed.alert.message"));
    EXPECT_EQ(presenter->last().style, Alert::Style::critical);
}

TEST_F(AppSettingsPageTest, TheThemeIsTheOneAppearanceSettingStoredAndAppliedToTheWholeApplication) {
    AppPreferences stores;
    stores.setAppearance(2);  // dark, as the general page numbers it
    Stage stage(collaborators());
    Page& page = *stage.page;
    QComboBox* dropDown = page.themeDropDown();
    ASSERT_EQ(dropDown->count(), 3);
    EXPECT_EQ(dropDown->currentIndex(), 1);
    EXPECT_EQ(page.lblSelectedTheme()->text().toStdString(), localized("appearance.dark"));

    struct Choice {
        int index;
        std::int64_t stored;  // "AppPreference.appearance": 0 system, 1 light, 2 dark
        std::optional<appkit::Appearance> applied;
        std::string_view titleKey;
    };
    for (const Choice& choice : {Choice{2, 1, appkit::Appearance::Aqua, "appearance.light"},
                                 Choice{1, 2, appkit::Appearance::DarkAqua, "appearance.dark"},
                                 Choice{0, 0, std::nullopt, "appearance.system.default"}}) {
        SCOPED_TRACE(choice.index);
        dropDown->setCurrentIndex(choice.index);
        emit dropDown->activated(choice.index);
        EXPECT_EQ(stores.defaults().integer(AppPreferences::Key::appearance), choice.stored);
        EXPECT_EQ(stage.app.appearance(), choice.applied);
        EXPECT_EQ(page.lblSelectedTheme()->text().toStdString(), localized(choice.titleKey));
    }
    EXPECT_FALSE(stores.defaults().object(AppPreferences::Key::selectedThemeTag).has_value()) << "no second store";

    // A choice made elsewhere (the general page announces it) shows here at once.
    stores.setAppearance(1);
    NotificationCenter::defaultCenter().post(AppPreferences::preferencesNotification);
    EXPECT_EQ(page.lblSelectedTheme()->text().toStdString(), localized("appearance.light"));
}

TEST_F(AppSettingsPageTest, AThemeStoredUnderTheOldKeyIsCarriedOverOnce) {
    struct Case {
        std::int64_t oldTag;  // 0 system, 1 dark, 2 light, anything else unknown
        std::optional<std::int64_t> alreadyStored;
        int index;
        std::int64_t stored;
    };
    for (const Case& c : {Case{1, std::nullopt, 1, 2}, Case{2, std::nullopt, 2, 1}, Case{7, std::nullopt, 0, 0},
                          Case{1, std::int64_t{1}, 2, 1}}) {
        SCOPED_TRACE(c.oldTag);
        UserDefaults defaults = UserDefaults::standard();
        defaults.removeObject(AppPreferences::Key::appearance);
        if (c.alreadyStored) defaults.set(*c.alreadyStored, AppPreferences::Key::appearance);
        defaults.set(c.oldTag, AppPreferences::Key::selectedThemeTag);
        Stage stage(collaborators());
        EXPECT_EQ(stage.page->themeDropDown()->currentIndex(), c.index);
        EXPECT_EQ(defaults.integer(AppPreferences::Key::appearance), c.stored);
        EXPECT_FALSE(defaults.object(AppPreferences::Key::selectedThemeTag).has_value());
    }
}

TEST_F(AppSettingsPageTest, TheAppearanceSectionOpensOnTheFirstClickAndClosesOnTheNext) {
    Stage stage(collaborators());
    Page& page = *stage.page;
    EXPECT_FALSE(page.isAppearanceOpened());
    EXPECT_EQ(page.appearanceSection()->height(), Page::kAppearanceClosedHeight);
    EXPECT_FALSE(page.themeDropDown()->isVisible());

    click(page.appearanceHeader());
    EXPECT_TRUE(page.isAppearanceOpened());
    EXPECT_TRUE(test::waitUntil([&] { return page.appearanceSection()->height() == Page::kAppearanceOpenHeight; }));
    EXPECT_TRUE(page.themeDropDown()->isVisible());

    click(page.appearanceHeader());
    EXPECT_FALSE(page.isAppearanceOpened());
    EXPECT_TRUE(test::waitUntil([&] { return !page.themeDropDown()->isVisible(); }));
    EXPECT_EQ(page.appearanceSection()->height(), Page::kAppearanceClosedHeight);
}

TEST_F(AppSettingsPageTest, TheLanguageRowAsksForTheLanguagesPanel) {
    Stage stage(collaborators());
    int asked = 0;
    auto token = NotificationCenter::defaultCenter().addObserver(Page::openLanguagesNotification,
                                                                 [&](const Notification&) { ++asked; });
    click(stage.page->languageRow());
    EXPECT_EQ(asked, 1);
}

TEST_F(AppSettingsPageTest, TheUpdateCheckWaitsForADisconnectAndShowsAFailureAsOne) {
    Stage stage(collaborators());
    Page& page = *stage.page;

    for (auto state : {zevu::ZevuVPNState::Connected, zevu::ZevuVPNState::Connecting}) {
        vpn->status = zevu::rawValue(state);
        click(page.btnCheckForUpdate());
        EXPECT_EQ(presenter->last().message, localized("update.check.alert.disconnect"));
    }
    EXPECT_TRUE(versionChecks.empty()) << "no request while a tunnel is up";

    vpn->status = zevu::rawValue(zevu::ZevuVPNState::Disconnected);
    presenter->shown.clear();
    click(page.btnCheckForUpdate());
    ASSERT_EQ(versionChecks.size(), 1u);
    EXPECT_EQ(titles(), (std::vector<std::string>{localized("update.check.alert.title")}));
    EXPECT_NE(presenter->last().accessory, nullptr);

    // A success is answered elsewhere; a failure ends the checking sheet and reports the failure.
    versionChecks[0](std::nullopt);
    EXPECT_EQ(presenter->shown.size(), 1u);
    EXPECT_EQ(presenter->endedFromOutside, 0);
    click(page.btnCheckForUpdate());
    versionChecks[1](Error("NSURLErrorDomain", -1009, "The Internet connection appears to be offline."));
    EXPECT_EQ(presenter->endedFromOutside, 1);
    EXPECT_NE(presenter->last().title, localized("update.upto-date.alert.title"));
    EXPECT_NE(presenter->last().message, localized("update.upto-date.alert.message"));
    EXPECT_EQ(presenter->last().title, "The Internet connection appears to be offline.");
}

TEST_F(AppSettingsPageTest, ALostNetworkStopsARunningDownloadOnly) {
    Stage stage(collaborators());
    struct Case {
        const char* name;
        std::any object;
        bool downloading;
        bool stops;
    };
    const Case cases[] = {
        {"lost while downloading", std::map<std::string, bool>{{"reachable", false}}, true, true},
        {"lost, no download", std::map<std::string, bool>{{"reachable", false}}, false, false},
        {"reachable", std::map<std::string, bool>{{"reachable", true}}, true, false},
        {"not a dictionary", std::string("reachable"), true, false},
        {"no reachable entry", std::map<std::string, bool>{}, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        presenter->shown.clear();
        PreservedPreferences().setIsInstallNow(c.downloading);
        NotificationCenter::defaultCenter().post("NetworkReachabilityChangedNotification", c.object);
        EXPECT_EQ(PreservedPreferences().isInstallNow(), c.downloading && !c.stops);
        EXPECT_EQ(titles(), c.stops ? std::vector<std::string>{localized("no.internet")} : std::vector<std::string>{});
    }
}

TEST_F(AppSettingsPageTest, ClearedPreferencesPutTheSwitchesThemeAndProtocolBackToTheirDefaults) {
    PreservedPreferences stored;
    stored.setLaunchOnStartUp(false);
    stored.setAllowVPNNotifications(false);
    stored.setAutomaticallyCheckForUpdate(false);
    stored.setReconnectOnLaunch(true);
    stored.setAutomaticProtocol(false);
    AppPreferences().defaults().set(true, AppPreferences::Key::hideFromDock);
    AppPreferences().setAppearance(2);
    Stage stage(collaborators());
    Page& page = *stage.page;
    stage.app.setAppearance(appkit::Appearance::DarkAqua);
    EXPECT_EQ(page.lblShowNotificationStatus()->text(), "Off");

    stored.clearUserPreferences();  // announces "PreferencesRefreshed"

    EXPECT_TRUE(stored.launchOnStartUp());
    EXPECT_TRUE(stored.automaticallyCheckForUpdate());
    EXPECT_TRUE(stored.allowVPNNotifications());
    EXPECT_FALSE(stored.reconnectOnLaunch());
    EXPECT_TRUE(stored.automaticProtocol());
    EXPECT_EQ(AppPreferences().defaults().boolean(AppPreferences::Key::hideFromDock), false);
    for (QLabel* caption : {page.lblStartOnLaunchStatus(), page.lblShowNotificationStatus(), page.lblAutoUpdateStatus()})
        EXPECT_EQ(caption->text(), "On") << caption->objectName().toStdString();
    for (QPushButton* button : {page.btnLaunchOnStartUp(), page.btnShowNotification(), page.btnAutoUpdate()})
        EXPECT_TRUE(button->isChecked()) << button->objectName().toStdString();
    EXPECT_EQ(stage.app.appearance(), std::nullopt);
    EXPECT_EQ(AppPreferences().appearance(), 0);
    EXPECT_EQ(page.themeDropDown()->currentIndex(), 0);
    EXPECT_EQ(page.lblSelectedTheme()->text().toStdString(), localized("appearance.system.default"));
    // The log-in item is left as it is.
    EXPECT_TRUE(loginItemCalls.empty());
}

TEST_F(AppSettingsPageTest, ResettingIsRefusedWhileATunnelIsUpAndAskedOtherwise) {
    PreservedPreferences().setReconnectOnLaunch(true);
    Stage stage(collaborators());
    struct Case {
        zevu::ZevuVPNState state;
        std::string_view titleKey;
    };
    for (const Case& c : {Case{zevu::ZevuVPNState::Connected, "clear.preference.alert.connected.title"},
                          Case{zevu::ZevuVPNState::Connecting, "clear.preference.alert.connected.title"},
                          Case{zevu::ZevuVPNState::Disconnected, "clear.preference.alert.title"}}) {
        vpn->status = zevu::rawValue(c.state);
        click(stage.page->btnClearPreferences());
        QWidget* card = PopupManager::shared().popupView();
        ASSERT_NE(card, nullptr);
        EXPECT_EQ(card->window(), &stage.window) << "on the page's own window";
        auto* title = card->findChild<WrappedText*>("popupTitle");
        ASSERT_NE(title, nullptr);
        EXPECT_EQ(title->text().toStdString(), localized(c.titleKey));
        QPointer<QWidget> background = PopupManager::shared().backgroundView();
        click(card->findChild<CustomButtonView*>("popupConfirm"));
        EXPECT_EQ(PreservedPreferences().reconnectOnLaunch(), c.state != zevu::ZevuVPNState::Disconnected);
        ASSERT_TRUE(test::waitUntil([&] { return background.isNull(); }));  // the popup fades out
    }
}

}  // namespace
}  // namespace morvex
