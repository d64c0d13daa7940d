// Every scene the assembled application registers is opened by a click path from the main window
// (its tab bar, the pages' own buttons, the application menu behind the menu button, which the
// status item's right click shares). The table names each scene's path; a registered scene with
// neither a path nor a named gap fails the test by name, and so does a path that no longer opens
// its scene where the user sees it.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <unistd.h>

#include "alerts/AlertTestSupport.h"
#include "app/AppMainViewController.h"
#include "app/InitialViewController.h"
#include "app/StatusMenu.h"
#include "app/Storyboards.h"
#include "app/TabsViewController.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "appkit/WindowController.h"
#include "foundation/Bundle.h"
#include "flows/MorvexVPNService.h"
#include "state/User.h"
#include "ui/support/GetHelpViewController.h"

namespace morvex {
namespace {

// "<storyboard>/<scene>".
std::string key(std::string_view board, std::string_view scene) { return std::string(board) + "/" + std::string(scene); }

class EveryScreenIsReachable : public test::AlertTest {
public:  // the table's click paths use the fixture's helpers
    void SetUp() override {
        // The help hub's FAQ starts the web engine, which refuses its sandbox under root.
        if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
        AlertTest::SetUp();
        registerStoryboards();
        User().setVpnUsername("vpn-user");
        User().setLoggedIn(true);
        appkit::Storyboard::setInstantiationObserver([this](const appkit::Storyboard& board, std::string_view scene, QObject* made) {
            opened[key(board.name(), scene)].push_back(made);
        });
    }
    void TearDown() override {
        appkit::Storyboard::setInstantiationObserver({});
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != window.get() && qobject_cast<appkit::Window*>(w)) w->close();
        window.reset();
        test::flushDeferredDeletes();
        AlertTest::TearDown();
    }

    // The signed-in main window, as the tab bar and the menu button offer it.
    void openMainWindow() {
        AppMainViewController::Hooks hooks;
        hooks.activateExtension = [](const std::string&) {};
        hooks.migrationCheck = [] {};
        hooks.makeStatusMenu = [] {
            StatusMenu::Hooks menuHooks;
            menuHooks.connect = [](const ConnectRequest&, ConnectErrorHandler) {};
            menuHooks.fetchRecommended = [] {};
            menuHooks.accountStatusCheck = [] { return false; };
            return std::make_unique<StatusMenu>(AppPreferences(), MorvexVPNService::makeZevu(), menuHooks);
        };
        window = std::make_unique<appkit::Window>(QSize(760, 500));
        // The main content as the root's page scene makes it.
        content = qobject_cast<AppMainViewController*>(
            appkit::Storyboard::named(kMainStoryboard)->instantiateController(InitialViewController::kMainContentPageID));
        ASSERT_NE(content, nullptr);
        delete content;
        content = new AppMainViewController(hooks);
        window->setContentViewController(content);
        window->show();
        ASSERT_TRUE(test::waitUntil([&] { return content->view()->isVisible() && content->statusMenu; }));
    }
    void clickTab(QPushButton* tab) { QTest::mouseClick(tab, Qt::LeftButton); }
    void chooseFromMenu(std::string_view titleKey) {
        QTest::mouseClick(content->tabsController()->menuTab, Qt::LeftButton);
        ASSERT_TRUE(test::waitUntil([&] { return content->statusMenu->openApplicationMenu() != nullptr; }));
        QMenu* menu = content->statusMenu->openApplicationMenu();
        const QString title = QString::fromStdString(Bundle::main().localizedString(titleKey));
        for (QAction* action : menu->actions())
            if (action->text() == title) action->trigger();
        menu->close();
    }
    // True once a controller of the scene made since `from` shows its view (or its window).
    bool shows(const std::string& scene) const {
        auto it = opened.find(scene);
        if (it == opened.end()) return false;
        for (const QPointer<QObject>& made : it->second) {
            if (auto* vc = qobject_cast<appkit::ViewController*>(made.data()); vc && vc->isViewLoaded() && vc->view()->isVisible())
                return true;
            if (auto* wc = qobject_cast<appkit::WindowController*>(made.data()); wc && wc->window() && wc->window()->isVisible())
                return true;
        }
        return false;
    }

    appkit::Application app;
    std::unique_ptr<appkit::Window> window;
    AppMainViewController* content = nullptr;
    std::map<std::string, std::vector<QPointer<QObject>>> opened;
};

TEST_F(EveryScreenIsReachable, FromTheMainWindowByClicks) {
    struct Path {
        std::string description;
        std::function<void(EveryScreenIsReachable&)> clicks;
    };
    using T = EveryScreenIsReachable;
    const std::map<std::string, Path> paths = {
        {key(kMainStoryboard, "DashboardViewController"),
         {"dashboard tab", [](T& t) { t.clickTab(t.content->tabsController()->dashboardTab); }}},
        {key(kMainStoryboard, "LocationsViewController"),
         {"locations tab", [](T& t) { t.clickTab(t.content->tabsController()->locationTab); }}},
        {key(kMainStoryboard, "ProfileViewController"),
         {"profile tab", [](T& t) { t.clickTab(t.content->tabsController()->profileTab); }}},
        {key(kMainStoryboard, "SetupOtherDevicesViewController"),
         {"other devices tab", [](T& t) { t.clickTab(t.content->tabsController()->setupOtherDevicesTab); }}},
        {key(kMainStoryboard, "PreferencesPageViewController"),
         {"settings tab", [](T& t) { t.clickTab(t.content->tabsController()->preferencesTab); }}},
        {key(kMainStoryboard, "SupportViewController"),
         {"support tab", [](T& t) { t.clickTab(t.content->tabsController()->supportTab); }}},
        {key("Support1", "GetHelpViewController"),
         {"support tab", [](T& t) { t.clickTab(t.content->tabsController()->supportTab); }}},
        {key("Support1", "SubmitTicketNewViewController"),
         {"support tab → Report a bug", [](T& t) {
              t.clickTab(t.content->tabsController()->supportTab);
              auto* hub = t.content->currentPageController()->view()->findChild<GetHelpViewController*>();
              if (!hub) {
                  for (QObject* child : t.content->currentPageController()->children())
                      if (auto* h = qobject_cast<GetHelpViewController*>(child)) hub = h;
              }
              ASSERT_NE(hub, nullptr);
              QTest::mouseClick(hub->routeButton(GetHelpViewController::ReportBug), Qt::LeftButton);
          }}},
        {key(kMainStoryboard, "MainViewController"),
         {"menu button → Version and feedback", [](T& t) { t.chooseFromMenu("status.menu.about"); }}},
    };
    // Scenes whose click path this table does not drive yet, each named, so that any other scene
    // without a path fails. Launch pages (splash, sign-in, update) are reached by the launch state,
    // not by a click; the rest are opened from pages above but their paths are still to be written.
    const std::map<std::string, std::string> knownGaps = {
        {key(kMainStoryboard, "CountriesViewController1"), "the sectioned country list: Locations → sections button (its own screen test clicks it), not written here yet"},
        {key("Sort", "SortViewController"), "the sort sheet: the sectioned list's sort button (its own screen test clicks it), not written here yet"},
        {key("About", "AboutVCStoryboardID"), "path not written yet"},
        {key("AdvancedPreferences", "AdvancedStoryboardID"), "path not written yet"},
        {key("Filter", "FilterViewController"), "path not written yet"},
        {key("General", "GeneralStoryboardID"), "path not written yet"},
        {key("Languages", "LanguagesController"), "path not written yet"},
        {key("Languages", "LanguagesStoryboardID"), "path not written yet"},
        {key(kMainStoryboard, "AppMainViewController"), "path not written yet"},
        {key(kMainStoryboard, "CitiesViewController"), "path not written yet"},
        {key(kMainStoryboard, "ConnectButtonController"), "path not written yet"},
        {key(kMainStoryboard, "CountriesViewController"), "path not written yet"},
        {key(kMainStoryboard, "DashboardFeedbackController"), "path not written yet"},
        {key(kMainStoryboard, "FeedbackContainerController"), "path not written yet"},
        {key(kMainStoryboard, "InitialViewController"), "path not written yet"},
        {key(kMainStoryboard, "LeftPanelViewController"), "path not written yet"},
        {key(kMainStoryboard, "LoginStoryboardID"), "path not written yet"},
        {key(kMainStoryboard, "MainWindowController"), "path not written yet"},
        {key(kMainStoryboard, "PreferencesViewController"), "path not written yet"},
        {key(kMainStoryboard, "PreferencesWindowController"), "path not written yet"},
        {key(kMainStoryboard, "ReferFriendViewController"), "path not written yet"},
        {key(kMainStoryboard, "SplashViewController"), "path not written yet"},
        {key(kMainStoryboard, "TabsViewController"), "path not written yet"},
        {key(kMainStoryboard, "TroubleshootViewController"), "path not written yet"},
        {key(kMainStoryboard, "UpdateViewController"), "path not written yet"},
        {key("Preferences", "AppSettingsViewController"), "path not written yet"},
        {key("Preferences", "SettingsLocationViewController"), "path not written yet"},
        {key("Preferences", "VPNSettingsViewController"), "path not written yet"},
        {key("Protocols", "ProtocolStoryboardID"), "path not written yet"},
        {key("Protocols", "ProtocolsAlertViewController"), "path not written yet"},
        {key("SettingsLocation", "SettingsLocationVC"), "path not written yet"},
        {key("SwitchAccount", "SwitchAccountVC"), "path not written yet"},
    };

    openMainWindow();
    std::set<std::string> registered;
    for (const std::string& name : appkit::Storyboard::names())
        for (const std::string& scene : appkit::Storyboard::named(name)->identifiers()) registered.insert(key(name, scene));

    for (const std::string& scene : registered) {
        if (knownGaps.contains(scene)) {
            EXPECT_FALSE(paths.contains(scene)) << scene << " has a path now: take it out of the known gaps";
            continue;
        }
        auto path = paths.find(scene);
        if (path == paths.end()) {
            ADD_FAILURE() << "no click path opens " << scene;
            continue;
        }
        SCOPED_TRACE(scene + " by " + path->second.description);
        path->second.clicks(*this);
        EXPECT_TRUE(test::waitUntil([&] { return shows(scene); })) << path->second.description << " does not show " << scene;
        clickTab(content->tabsController()->dashboardTab);
    }
    for (const auto& [scene, path] : paths)
        EXPECT_TRUE(registered.contains(scene)) << scene << " has a path but is not registered";
}

}  // namespace
}  // namespace morvex
