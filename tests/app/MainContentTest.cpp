// The main content and its left tab bar: page switching and the content's look, the first page
// after a sign-in, the system-extension requests, hover tags and icons, and the add-on state.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <gtest/gtest.h>

#include "alerts/AlertTestSupport.h"
#include "app/AppMainViewController.h"
#include "viewmodels/MainContentModel.h"
#include "viewmodels/TabsModel.h"
#include "app/TabsViewController.h"
#include "appkit/Storyboard.h"
#include "appkit/TabViewController.h"
#include "appkit/WindowController.h"
#include "appkit/Window.h"
#include "foundation/NotificationCenter.h"
#include "model/BundleInfo.h"
#include "state/AppPreferences.h"
#include "state/PreservedPreferences.h"
#include "session/UserAuthentication.h"
#include "state/CoreDataService.h"
#include "state/User.h"
#include "viewmodels/AppNotification.h"

namespace morvex {
namespace {

using main_content::PageBackground;

// A page that counts how often it appears and disappears.
class RecordingPage : public appkit::ViewController {
public:
    int appeared = 0, disappeared = 0;
    void viewDidAppear() override { ++appeared; }
    void viewDidDisappear() override { ++disappeared; }
};

class MainContentTest : public test::AlertTest {
protected:
    void SetUp() override {
        AlertTest::SetUp();
        User().setVpnUsername("vpn-user");
    }
    void TearDown() override {
        window.reset();
        test::flushDeferredDeletes();
        AlertTest::TearDown();
    }

    AppMainViewController::Hooks hooks() {
        AppMainViewController::Hooks h;
        h.activateExtension = [this](const std::string& id) { activated.push_back(id); };
        h.makeStatusMenu = [this] {
            ++statusMenusMade;
            return std::unique_ptr<StatusMenu>();
        };
        h.migrationCheck = [] {};
        return h;
    }
    AppMainViewController& open(AppMainViewController* controller = nullptr) {
        window = std::make_unique<appkit::Window>(QSize(760, 500));
        content = controller ? controller : new AppMainViewController(hooks());
        window->setContentViewController(content);
        window->show();
        return *content;
    }
    TabsViewController& tabs() { return *content->tabsController(); }
    QColor background() const { return content->bgView->palette().color(QPalette::Window); }
    // The page on show: its controller's name (its scene) and its view.
    QString shownPageName() const { return content->currentPageController()->objectName(); }
    QWidget* shownPage() const { return content->view()->findChild<QStackedWidget*>("pages")->currentWidget(); }
    std::vector<std::string> tracked(const std::string& event) const {
        std::vector<std::string> groups;
        for (const auto& [name, properties] : analytics->tracked) {
            if (name != event) continue;
            auto it = properties.find("user_type");
            groups.push_back(it == properties.end() ? "<none>" : it->second.toText().value_or("<not text>"));
        }
        return groups;
    }

    appkit::Application app;
    std::unique_ptr<appkit::Window> window;
    AppMainViewController* content = nullptr;
    std::vector<std::string> activated;
    int statusMenusMade = 0;
    RecordingPage* dashboard = nullptr;
};

TEST_F(MainContentTest, APageRequestSwitchesThePageAndTheContentsLook) {
    open();
    EXPECT_EQ(background(), QColor(255, 255, 255));
    EXPECT_TRUE(content->mapImgView->isVisible());

    // As the status menu asks for the preferences: a Tab, and as the base controller does: a number.
    NotificationCenter::defaultCenter().post(kAppShowControllerNotification, MainTab::Prefences);
    EXPECT_EQ(content->currentPage(), MainTab::Prefences);
    EXPECT_EQ(background(), QColor(246, 246, 246));
    EXPECT_FALSE(content->mapImgView->isVisible());
    EXPECT_EQ(tabs().currentlySelectedTab, tabs().preferencesTab);
    EXPECT_EQ(tabs().shownIconImages()[6], "ic_settings_selected");

    NotificationCenter::defaultCenter().post(kAppShowControllerNotification, std::int64_t{1});
    EXPECT_EQ(content->currentPage(), MainTab::Locations);
    NotificationCenter::defaultCenter().post(kAppShowControllerNotification, 0);
    EXPECT_EQ(content->currentPage(), MainTab::Dashboard);
    EXPECT_EQ(background(), QColor(255, 255, 255));
    EXPECT_TRUE(content->mapImgView->isVisible());

    // Pages without a tab, numbers that are no page and other objects change nothing.
    for (const std::any& object : {std::any(MainTab::Notifications), std::any(MainTab::About), std::any(std::int64_t{10}),
                                   std::any(-1), std::any(std::string("7")), std::any()}) {
        NotificationCenter::defaultCenter().post(kAppShowControllerNotification, object);
        EXPECT_EQ(content->currentPage(), MainTab::Dashboard);
        EXPECT_EQ(tabs().currentlySelectedTab, tabs().dashboardTab);
    }
}

TEST_F(MainContentTest, ConnectingBringsTheDashboardBackOtherStatesDoNot) {
    open();
    NotificationCenter::defaultCenter().post(kAppShowControllerNotification, MainTab::Profile);
    ZevuTypes::ConnectionInfo info;
    for (auto state : {ZevuConnectionState::Connected, ZevuConnectionState::Disconnected, ZevuConnectionState::Redialing}) {
        info.state = state;
        NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, info);
    }
    NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, std::string("Connecting"));
    EXPECT_EQ(content->currentPage(), MainTab::Profile);

    info.state = ZevuConnectionState::Connecting;
    NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, info);
    EXPECT_EQ(content->currentPage(), MainTab::Dashboard);
    EXPECT_EQ(tabs().currentlySelectedTab, tabs().dashboardTab);

    // From the SDK's thread the switch reaches the main thread.
    NotificationCenter::defaultCenter().post(kAppShowControllerNotification, MainTab::Profile);
    std::thread sdk([&] { NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, info); });
    sdk.join();
    EXPECT_TRUE(test::waitUntil([&] { return content->currentPage() == MainTab::Dashboard; }));
}

TEST_F(MainContentTest, TheFirstSignInLandsByTestGroupAndLaterOnesOnTheDashboard) {
    open();
    PreservedPreferences().setUserTestGroup(PreservedPreferences::TestGroup::GroupB);
    NotificationCenter::defaultCenter().post(UserLoggedInChangedNotification, true);
    EXPECT_EQ(content->currentPage(), MainTab::Locations);
    EXPECT_EQ(tracked("app_test_activation_time"), std::vector<std::string>{"GroupB"});

    NotificationCenter::defaultCenter().post(UserLoggedInChangedNotification, false);
    EXPECT_EQ(content->currentPage(), MainTab::Dashboard);
    NotificationCenter::defaultCenter().post(kAppShowControllerNotification, MainTab::Profile);
    NotificationCenter::defaultCenter().post(UserLoggedInChangedNotification, true);
    EXPECT_EQ(content->currentPage(), MainTab::Dashboard);
    EXPECT_EQ(tracked("app_test_activation_time").size(), 1u) << "only the first sign-in sends the event";

    // Another user's first sign-in in group A: the dashboard, with the event.
    User().setVpnUsername("second-user");
    PreservedPreferences().setUserTestGroup(PreservedPreferences::TestGroup::GroupA);
    NotificationCenter::defaultCenter().post(kAppShowControllerNotification, MainTab::Profile);
    NotificationCenter::defaultCenter().post(UserLoggedInChangedNotification, true);
    EXPECT_EQ(content->currentPage(), MainTab::Dashboard);
    EXPECT_EQ(tracked("app_test_activation_time"), (std::vector<std::string>{"GroupB", "GroupA"}));

    // A sign-in notice without a Boolean is ignored.
    NotificationCenter::defaultCenter().post(kAppShowControllerNotification, MainTab::Profile);
    NotificationCenter::defaultCenter().post(UserLoggedInChangedNotification, std::string("true"));
    EXPECT_EQ(content->currentPage(), MainTab::Profile);
}

TEST_F(MainContentTest, AppearingSizesTheWindowMakesOneStatusMenuAndAsksForExtensionsNotActivated) {
    AppPreferences preferences;
    preferences.setOpenVPNSystemExtensionStatus(SystemExtensionStatus::Activated);
    preferences.setWgSystemExtensionStatus(SystemExtensionStatus::Activated);
    open();
    EXPECT_EQ(window->contentSize(), QSize(760, 500));
    EXPECT_TRUE(activated.empty());
    EXPECT_EQ(statusMenusMade, 1);

    // Each appearance asks again for every extension that is not activated.
    preferences.defaults().set(Value(std::int64_t{7}), AppPreferences::Key::wgSystemExtensionStatus);
    window->hide();
    window->show();
    EXPECT_EQ(activated, std::vector<std::string>{infoWireguardPacketTunnelIdentifier()});
}

using MainContentModelTest = test::TempConfigTest;

TEST_F(MainContentModelTest, ExtensionsAreAskedForUnlessActivatedAndPreferencesOpenOnTheProtocolPage) {
    struct Case {
        std::optional<std::int64_t> openVPN, wireGuard;
        bool asksOpenVPN, asksWireGuard;
    };
    const std::vector<Case> cases = {
        {1, 1, false, false},
        {0, 1, true, false},
        {1, 7, false, true},
        {std::nullopt, std::nullopt, true, true},
        {3, 4, true, true},
        {2, 1, true, false},
        {-1, 1, true, false},
    };
    for (const auto& c : cases) {
        AppPreferences preferences;
        auto store = [&](std::string_view key, std::optional<std::int64_t> v) {
            if (v) preferences.defaults().set(Value(*v), key);
            else preferences.defaults().removeObject(key);
        };
        store(AppPreferences::Key::openVPNSystemExtensionStatus, c.openVPN);
        store(AppPreferences::Key::wgSystemExtensionStatus, c.wireGuard);
        std::vector<std::string> expected;
        if (c.asksOpenVPN) expected.push_back(infoPacketTunnelIdentifier());
        if (c.asksWireGuard) expected.push_back(infoWireguardPacketTunnelIdentifier());
        SCOPED_TRACE(std::to_string(c.openVPN.value_or(-99)) + "/" + std::to_string(c.wireGuard.value_or(-99)));
        EXPECT_EQ(main_content::extensionsToActivate(preferences), expected);
        EXPECT_EQ(main_content::preferencesOpenOnProtocolPage(preferences), c.asksOpenVPN || c.asksWireGuard);
    }
    EXPECT_NE(infoPacketTunnelIdentifier(), infoWireguardPacketTunnelIdentifier());
}

TEST_F(MainContentTest, PreferencesOpenOnTheProtocolPageUnlessBothExtensionsAreActivated) {
    open();
    struct Case {
        SystemExtensionStatus openVPN, wireGuard;
        int page;
    };
    const std::vector<Case> cases = {
        {SystemExtensionStatus::Activated, SystemExtensionStatus::Activated, 0},
        {SystemExtensionStatus::Activated, SystemExtensionStatus::AwaitingApproval, 1},
        {SystemExtensionStatus::NotRecorded, SystemExtensionStatus::Activated, 1},
    };
    for (const auto& c : cases) {
        AppPreferences().setOpenVPNSystemExtensionStatus(c.openVPN);
        AppPreferences().setWgSystemExtensionStatus(c.wireGuard);
        appkit::WindowController preferences;
        auto* pages = new appkit::TabViewController;
        for (int i = 0; i < 3; ++i) pages->addChildViewController(new appkit::ViewController);
        preferences.setContentViewController(pages);
        appkit::StoryboardSegue segue("PreferencesSegue", &tabs(), &preferences, appkit::SegueKind::Show, {});
        tabs().prepareForSegue(segue, {});
        EXPECT_EQ(pages->selectedTabViewItemIndex(), c.page);
        appkit::StoryboardSegue other("OtherSegue", &tabs(), &preferences, appkit::SegueKind::Show, {});
        pages->setSelectedTabViewItemIndex(2);
        tabs().prepareForSegue(other, {});
        EXPECT_EQ(pages->selectedTabViewItemIndex(), 2) << "other segues are left alone";
    }
}

TEST_F(MainContentTest, ClickingEachTabShowsItsPage) {
    // A storyboard of this test's own whose dashboard scene is built: the others show the empty page.
    appkit::Storyboard& board = appkit::Storyboard::define("MainContentTestBoard");
    board.scene("AppMainViewController", [this] { return new AppMainViewController(hooks()); })
        .scene("DashboardViewController", [this] {
            dashboard = new RecordingPage;
            dashboard->setObjectName("builtDashboard");
            return dashboard;
        });
    open(qobject_cast<AppMainViewController*>(board.instantiateController("AppMainViewController")));
    EXPECT_EQ(shownPageName(), "builtDashboard");
    ASSERT_NE(dashboard, nullptr);
    EXPECT_EQ(dashboard->appeared, 1);

    struct Case {
        QPushButton* tab;
        MainTab page;
        const char* pageName;
    };
    const std::vector<Case> cases = {
        {tabs().locationTab, MainTab::Locations, "LocationsViewController"},
        {tabs().setupOtherDevicesTab, MainTab::SetupOtherDevices, "SetupOtherDevicesViewController"},
        {tabs().profileTab, MainTab::Profile, "ProfileViewController"},
        {tabs().supportTab, MainTab::Support1, "SupportViewController"},
        {tabs().preferencesTab, MainTab::Prefences, "PreferencesPageViewController"},
        {tabs().dashboardTab, MainTab::Dashboard, "builtDashboard"},
    };
    std::vector<MainTab> opened;
    auto observer = NotificationCenter::defaultCenter().addObserver(kOpenViewControllerNotification, [&](const Notification& n) {
        if (auto* page = n.objectAs<MainTab>()) opened.push_back(*page);
    });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pageName);
        ASSERT_TRUE(c.tab && c.tab->isVisible());
        QTest::mouseClick(c.tab, Qt::LeftButton);
        EXPECT_EQ(content->currentPage(), c.page);
        EXPECT_EQ(shownPageName(), c.pageName);
        EXPECT_EQ(shownPage(), content->currentPageController()->view());
        EXPECT_TRUE(shownPage()->isVisible());
        EXPECT_EQ(tabs().currentlySelectedTab, c.tab);
        EXPECT_EQ(opened.back(), c.page);
    }
    EXPECT_EQ(opened.size(), cases.size());
    EXPECT_EQ(dashboard->disappeared, 1) << "the dashboard hears that it leaves and comes back";
    EXPECT_EQ(dashboard->appeared, 2);
}

TEST_F(MainContentTest, APageSwitchCrossFadesAndSelectsThePageWhenTheFadeIsOver) {
    open();
    ASSERT_TRUE(test::waitUntil([&] { return content->view()->isVisible(); }));
    appkit::TabViewController* pages = content->pagesController();
    const auto crossfade = [&] { return pages->view()->findChild<QLabel*>("TabViewControllerCrossfade"); };
    EXPECT_EQ(pages->selectedTabViewItemIndex(), 0);

    QTest::mouseClick(tabs().profileTab, Qt::LeftButton);
    EXPECT_EQ(shownPage(), content->currentPageController()->view()) << "the new page shows under the fading one";
    EXPECT_EQ(shownPageName(), "ProfileViewController");
    EXPECT_TRUE(pages->isTransitioning());
    ASSERT_NE(crossfade(), nullptr);
    EXPECT_EQ(pages->selectedTabViewItemIndex(), 0) << "selected only when the fade is over";
    ASSERT_TRUE(test::waitUntil([&] { return !pages->isTransitioning(); }));
    EXPECT_EQ(pages->selectedTabViewItemIndex(), int(rawValue(MainTab::Profile)));
    EXPECT_EQ(crossfade(), nullptr);

    // The page already shown: the fade runs all the same, and the selection stays.
    QTest::mouseClick(tabs().profileTab, Qt::LeftButton);
    EXPECT_TRUE(pages->isTransitioning());
    EXPECT_NE(crossfade(), nullptr);
    ASSERT_TRUE(test::waitUntil([&] { return !pages->isTransitioning(); }));
    EXPECT_EQ(pages->selectedTabViewItemIndex(), int(rawValue(MainTab::Profile)));

    // A switch during a fade finishes that fade first; the last page asked for ends up selected.
    QTest::mouseClick(tabs().supportTab, Qt::LeftButton);
    QTest::mouseClick(tabs().dashboardTab, Qt::LeftButton);
    EXPECT_EQ(pages->selectedTabViewItemIndex(), int(rawValue(MainTab::Support1)));
    ASSERT_TRUE(test::waitUntil([&] { return !pages->isTransitioning(); }));
    EXPECT_EQ(pages->selectedTabViewItemIndex(), 0);
    EXPECT_EQ(shownPage(), pages->selectedViewController()->view());
}

TEST_F(MainContentTest, HoveringATabShowsItsTagAndHoverIconLeavingRestoresTheSelection) {
    open();
    NotificationCenter::defaultCenter().post(kAppShowControllerNotification, MainTab::Profile);
    QWidget* devices = tabs().setupOtherDevicesTab;
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(devices, &enter);

    auto icons = tabs().shownIconImages();
    EXPECT_EQ(icons[2], "ic_device_hover");
    EXPECT_EQ(icons[3], "ic_profile_selected");
    QLabel* tag = content->hoverImages.at("devicesHoverView");
    EXPECT_TRUE(tag->isVisible());
    EXPECT_FALSE(tag->pixmap().isNull());
    EXPECT_GT(tag->x(), devices->mapTo(content->view(), QPoint(devices->width(), 0)).x()) << "beside the tab, not over it";
    for (const auto& [id, other] : content->hoverImages)
        EXPECT_EQ(other->isVisible(), id == "devicesHoverView") << id;

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(devices, &leave);
    EXPECT_FALSE(tag->isVisible());
    EXPECT_EQ(tabs().shownIconImages(), TabsModel::iconImages(rawValue(MainTab::Profile)));
    EXPECT_EQ(tabs().shownIconImages()[2], "ic_devicestab");

    // A page change hides a tag that is up.
    QApplication::sendEvent(devices, &enter);
    NotificationCenter::defaultCenter().post(kAppShowControllerNotification, MainTab::Dashboard);
    EXPECT_FALSE(tag->isVisible());
}

TEST_F(MainContentModelTest, HoverTagsFollowTheStoredLanguageGermanWhenNoneIsStored) {
    AppPreferences preferences;
    EXPECT_EQ(main_content::hoverLanguageCode(preferences), "de");
    preferences.defaults().setString("en", AppPreferences::Key::preferredLanguageCode);
    EXPECT_EQ(main_content::hoverLanguageCode(preferences), "en");
    EXPECT_EQ(main_content::hoverImageName("profileHoverView", "de"), "profileHoverImg_de");
    EXPECT_EQ(main_content::hoverImageName("locationHoverView", "en"), "locationsHoverImg_en");
    EXPECT_EQ(main_content::hoverImageName("dashboardHoverView", "en"), "dashboardHoverImg");
    EXPECT_EQ(main_content::hoverImageName("supportHoverView", "en"), "supportHoverImg");
    EXPECT_EQ(main_content::hoverImageName("menuHoverView", "en"), std::nullopt);
}

class TabsModelTest : public test::TempConfigTest {
protected:
    void SetUp() override {
        TempConfigTest::SetUp();
        User().setVpnUsername("vpn-user");
    }
    TabsModel model() { return TabsModel(User(), EventTracker(), PreservedPreferences()); }
    void addons(std::optional<std::vector<std::string>> slugs) {
        if (!slugs) {
            User().setActiveAddons(std::nullopt);
            return;
        }
        std::vector<ActiveAddon> list;
        for (const auto& s : *slugs) list.emplace_back(s, "title", "2030-01-01", "active");
        User().setActiveAddons(list);
    }
};

TEST_F(TabsModelTest, ThePasswordManagerAddonUnlocksOnlyForAConsumerWithAPinvaultSlug) {
    struct Case {
        std::optional<bool> isB2C;
        std::optional<std::vector<std::string>> slugs;
        bool active;
    };
    const std::vector<Case> cases = {
        {std::nullopt, std::vector<std::string>{"dedicated_ip", "family_pinvault_plus"}, true},
        {true, std::vector<std::string>{"pinvault"}, true},
        {false, std::vector<std::string>{"pinvault", "family_pinvault_plus"}, false},
        {true, std::vector<std::string>{"dedicated_ip", "port_forwarding"}, false},
        {true, std::vector<std::string>{}, false},
        {true, std::nullopt, false},
        {true, std::vector<std::string>{"PinVault"}, false},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(i);
        PreservedPreferences preferences;
        if (c.isB2C) preferences.setIsB2C(*c.isB2C);
        else preferences.defaults().removeObject("vpn-user.isB2C");
        addons(c.slugs);
        EXPECT_EQ(model().isPinvaultAddonActive(), c.active);
        EXPECT_EQ(model().isPinvaultLocked(), !c.active);
    }
    User().setPasswordManager(false);
    EXPECT_TRUE(model().hidePinvaultAddon());
    User().setPasswordManager(true);
    EXPECT_FALSE(model().hidePinvaultAddon());
}

TEST_F(MainContentTest, TheAddonPropertiesFollowThePasswordManagerNotice) {
    open();
    EXPECT_TRUE(tabs().hidePinvaultAddon.value());
    EXPECT_TRUE(tabs().isPinvaultLocked.value());
    User().setPasswordManager(true);
    User().setActiveAddons(std::vector<ActiveAddon>{{"team_pinvault", "t", "e", "active"}});
    NotificationCenter::defaultCenter().post(UserPasswordManagerUpdateNotification);
    EXPECT_FALSE(tabs().hidePinvaultAddon.value());
    EXPECT_FALSE(tabs().isPinvaultLocked.value());
}

TEST_F(MainContentTest, TheBadgeCountsTheUsersNoticesNeitherSeenNorClosed) {
    CoreDataService store;
    ManagedObjectContext& context = store.managedObjectContext();
    int made = 0;
    auto notice = [&](std::string user, bool seen, bool closed) {
        auto n = AppNotification::insert(context);
        ASSERT_NE(n, nullptr);
        n->setText("id", "n" + std::to_string(++made));
        n->setText("username", std::move(user));
        n->setSeen(seen);
        n->setClosed(closed);
    };
    auto h = hooks();
    h.notices = &context;
    open(new AppMainViewController(h));
    EXPECT_FALSE(tabs().badge->isVisible());

    notice("vpn-user", false, false);
    notice("vpn-user", true, false);
    notice("vpn-user", false, true);
    notice("someone-else", false, false);
    notice("vpn-user", false, false);
    ASSERT_TRUE(context.save());
    NotificationCenter::defaultCenter().post(VPNAccountDidChangeNotification);
    EXPECT_TRUE(tabs().badge->isVisible());
    EXPECT_EQ(tabs().badge->text(), "2");
    EXPECT_EQ(User().unreadNotificationCount(), 2) << "kept for the notification page";

    User().setVpnUsername("someone-else");
    NotificationCenter::defaultCenter().post(VPNAccountDidChangeNotification);
    EXPECT_EQ(tabs().badge->text(), "1");
    User().setVpnUsername(std::nullopt);
    NotificationCenter::defaultCenter().post(UserLoggedInChangedNotification, false);
    EXPECT_FALSE(tabs().badge->isVisible());
}

TEST(MainTabTest, APageIsReadFromATabOrItsNumber) {
    EXPECT_EQ(mainTabFromObject(MainTab::Support1), MainTab::Support1);
    EXPECT_EQ(mainTabFromObject(std::int64_t{7}), MainTab::Prefences);
    EXPECT_EQ(mainTabFromObject(9), MainTab::About);
    EXPECT_EQ(mainTabFromObject(10), std::nullopt);
    EXPECT_EQ(mainTabFromObject(-1), std::nullopt);
    EXPECT_EQ(mainTabFromObject(7.0), std::nullopt);
    EXPECT_EQ(mainTabFromObject(std::any()), std::nullopt);
}

}  // namespace
}  // namespace morvex

