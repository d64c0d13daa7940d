// Every scene the assembled application registers is opened by what a user does: the application
// is launched as the program launches it (its main storyboard's window, against the fake service
// and the simulated SDK), and each scene has a path from there: the launch itself for the window's
// pages, else clicks on the main window (its tab bar, the pages' own buttons, the application menu
// behind the menu button, which the status item's right click shares), or a state the service or
// the SDK brings (a connection that comes up or fails, a newer version on offer). A registered
// scene without a path fails by name, and so does a path that no longer shows its scene.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <unistd.h>

#include "FakeServiceAppTest.h"
#include "app/AppMainViewController.h"
#include "app/InitialViewController.h"
#include "app/StatusMenu.h"
#include "app/Storyboards.h"
#include "app/TabsViewController.h"
#include "appkit/Sheet.h"
#include "appkit/Storyboard.h"
#include "appkit/Window.h"
#include "appkit/WindowController.h"
#include "foundation/Bundle.h"
#include "flows/MorvexVPNService.h"
#include "model/ServiceHosts.h"
#include "state/AppManager.h"
#include "state/AppPreferences.h"
#include "state/CoreDataService.h"
#include "vpn/AppError.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"
#include "ui/dashboard/DashboardTestSupport.h"
#include "ui/locations/LocationListView.h"
#include "ui/support/GetHelpViewController.h"
#include "vpn/Zevu.h"
#include "zevu/ZevuTestAPI.h"

namespace morvex {
namespace {

using Page = InitialViewController::Page;
using test::waitUntil;

// "<storyboard>/<scene>".
std::string key(std::string_view board, std::string_view scene) { return std::string(board) + "/" + std::string(scene); }

class EveryScreenIsReachable;

// What a user does to bring a scene up, and, where showing the scene's view says too little, what
// the user then sees.
struct Path {
    std::string scene;
    std::string description;
    std::function<void(EveryScreenIsReachable&)> steps;
    std::function<bool(EveryScreenIsReachable&)> sees = {};
};

class EveryScreenIsReachable : public test::FakeServiceAppTest {
public:  // the paths use the fixture's helpers
    void SetUp() override {
        FakeServiceAppTest::SetUp();
        if (HasFatalFailure()) return;
        registerStoryboards();
        appkit::Storyboard::setInstantiationObserver([this](const appkit::Storyboard& board, std::string_view scene, QObject* made) {
            opened[key(board.name(), scene)].push_back(made);
        });
    }
    void TearDown() override {
        appkit::Storyboard::setInstantiationObserver({});
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<appkit::Window*>(w)) w->close();
        // The windows the paths opened belong to the application object, which outlives the test.
        for (auto* other : qApp->findChildren<appkit::WindowController*>(Qt::FindDirectChildrenOnly))
            if (other != mainWindow.get()) delete other;
        mainWindow.reset();
        test::flushDeferredDeletes();
        FakeServiceAppTest::TearDown();
    }

    // A user the service knows, signed in on an earlier run, with two VPN accounts to switch between.
    static void signedInEarlier() {
        test::storeSignedInUser();
        PreservedPreferences().setVpnAccounts(std::vector<PreservedPreferences::VPNAccount>{
            {"morvex0s1234567", "active", "", "", "", ""}, {"morvex0s7654321", "active", "", "", "", ""}});
    }

    // The program's start: the main storyboard's window on its root.
    void launch() {
        Zevu::configureSDK(User(), MorvexVPNService::makeZevu);
        auto* board = appkit::Storyboard::named(kMainStoryboard);
        ASSERT_NE(board, nullptr);
        mainWindow.reset(qobject_cast<appkit::WindowController*>(board->instantiateInitialController()));
        ASSERT_NE(mainWindow, nullptr);
        mainWindow->showWindow();
        ASSERT_TRUE(waitUntil([&] { return root() != nullptr; }));
    }
    InitialViewController* root() const {
        return mainWindow && mainWindow->window() ? qobject_cast<InitialViewController*>(mainWindow->contentViewController()) : nullptr;
    }
    AppMainViewController* content() const {
        return root() ? qobject_cast<AppMainViewController*>(root()->pageController(Page::MainContent)) : nullptr;
    }
    bool onMainContent() const {
        return root() && root()->selectedPage() == Page::MainContent && content()->view()->isVisible() && content()->statusMenu;
    }

    void clickTab(MainTab tab) {
        QPushButton* button = content()->tabsController()->buttonFor(tab);
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    // The visible widget of that object name in any window of the application, the main window's
    // sheets included; the newest one when there are several.
    static QWidget* visibleNamed(const QString& name) {
        QWidget* found = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (!top->isVisible()) continue;
            for (QWidget* w : top->findChildren<QWidget*>(name))
                if (w->isVisible()) found = w;
        }
        return found;
    }
    // Waits for the named control to show and be enabled, then clicks its middle.
    void click(const char* name) {
        QWidget* target = nullptr;
        ASSERT_TRUE(waitUntil([&] {
            target = visibleNamed(QString::fromLatin1(name));
            return target && target->isEnabled();
        })) << "no " << name << " to click";
        QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
    }
    // Waits for the shown location list to have a row with that part on screen, then clicks the
    // first such part (a row's middle, its city arrow or its star).
    void clickInLocationList(LocationListView::Part part) {
        LocationListView* list = nullptr;
        QRect at;
        ASSERT_TRUE(waitUntil([&] {
            list = qobject_cast<LocationListView*>(visibleNamed(QStringLiteral("tableView")));
            if (!list) return false;
            for (int r = 0; r < list->model()->rowCount(); ++r) {
                at = list->partRect(list->model()->index(r, 0), part);
                if (!at.isEmpty() && list->viewport()->rect().contains(at)) return true;
            }
            return false;
        })) << "no location row to click";
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at.center());
    }
    // Steps through the named drop-down's entries with the keyboard until the named control shows.
    void chooseUntilShown(const char* dropDown, const char* shown) {
        QWidget* found = nullptr;
        ASSERT_TRUE(waitUntil([&] { return (found = visibleNamed(QString::fromLatin1(dropDown))) != nullptr; })) << "no " << dropDown;
        auto* box = qobject_cast<QComboBox*>(found);
        ASSERT_NE(box, nullptr) << dropDown << " is no drop-down";
        QTest::keyClick(box, Qt::Key_Home);
        for (int i = 0; i < box->count() && !visibleNamed(QString::fromLatin1(shown)); ++i) {
            QTest::keyClick(box, Qt::Key_Down);
            test::waitForAnimations(box->window());
        }
        ASSERT_NE(visibleNamed(QString::fromLatin1(shown)), nullptr) << "no entry of " << dropDown << " shows " << shown;
    }
    // Turns the named switch on, unless what it opens shows already (an earlier path left it on).
    void switchOn(const char* toggle, const char* opens) {
        ASSERT_TRUE(waitUntil([&] { return visibleNamed(QString::fromLatin1(toggle)) != nullptr; })) << "no " << toggle;
        if (!visibleNamed(QString::fromLatin1(opens))) click(toggle);
    }
    // Clicks the segment of the named segmented control that lies furthest to the right.
    void clickLastSegment(const char* control) {
        QWidget* found = nullptr;
        ASSERT_TRUE(waitUntil([&] { return (found = visibleNamed(QString::fromLatin1(control))) != nullptr; }));
        QLabel* last = nullptr;
        for (QLabel* segment : found->findChildren<QLabel*>())
            if (segment->isVisible() && (!last || segment->x() > last->x())) last = segment;
        ASSERT_NE(last, nullptr);
        QTest::mouseClick(last, Qt::LeftButton, {}, last->rect().center());
    }
    void chooseFromMenu(std::string_view titleKey) {
        QTest::mouseClick(content()->tabsController()->menuTab, Qt::LeftButton);
        ASSERT_TRUE(waitUntil([&] { return content()->statusMenu->openApplicationMenu() != nullptr; }));
        QMenu* menu = content()->statusMenu->openApplicationMenu();
        const QString title = QString::fromStdString(Bundle::main().localizedString(titleKey));
        QAction* entry = nullptr;
        for (QAction* action : menu->actions())
            if (action->text() == title) entry = action;
        ASSERT_NE(entry, nullptr) << titleKey << " is not in the menu";
        entry->trigger();
        menu->close();
    }
    // The simulated SDK's report of the tunnel, as the screens hear it.
    void sdkReports(ZevuConnectionState state, std::shared_ptr<const AppError> error = nullptr) {
        vpn->status = state == ZevuConnectionState::Connected ? 3 : 0;
        // Each attempt is a connection of its own (a connection is asked about once).
        if (state != ZevuConnectionState::Disconnected) connectionId = "c" + std::to_string(++connections);
        if (state == ZevuConnectionState::Connected) AppPreferences().setOnGoingConnectionId(connectionId);
        NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, test::report(state, connectionId, std::move(error)));
    }

    // True once a controller of the scene shows its view (or its window).
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

    // Back to the dashboard of the main window with nothing else open, as after the launch.
    void backToTheDashboard() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<appkit::Window*>(w);
            if (!window) continue;
            while (appkit::Sheet* sheet = window->attachedSheet()) window->endSheet(sheet);
            if (window != mainWindow->window() && window->isVisible()) window->close();
        }
        if (vpn->status != 0) sdkReports(ZevuConnectionState::Disconnected);
        clickTab(MainTab::Dashboard);
        test::waitForAnimations(mainWindow->window());
    }

    // Walks each path from the main window's dashboard; the scene must not show before.
    void walk(const std::vector<Path>& paths) {
        for (const Path& path : paths) {
            SCOPED_TRACE(path.scene + " by " + path.description);
            backToTheDashboard();
            path.steps(*this);
            EXPECT_TRUE(waitUntil([&] { return shows(path.scene) && (!path.sees || path.sees(*this)); }))
                << path.description << " does not show " << path.scene;
        }
    }

    appkit::Application app;
    std::unique_ptr<appkit::WindowController> mainWindow;
    int connections = 0;
    std::string connectionId;
    std::map<std::string, std::vector<QPointer<QObject>>> opened;
};

// The paths that start from the signed-in main window.
std::vector<Path> clickPaths() {
    using T = EveryScreenIsReachable;
    const std::string main(kMainStoryboard);
    auto tab = [](MainTab page) { return [page](T& t) { t.clickTab(page); }; };
    auto settingsLink = [](const char* link) {
        return [link](T& t) {
            t.clickTab(MainTab::Prefences);
            t.click(link);
        };
    };
    auto troubleshoot = [](T& t) {
        t.sdkReports(ZevuConnectionState::UnableToConnect, test::failure(-408, "troubleshoot"));
        t.click("primaryButton");
    };
    auto openPreferencesWindow = [troubleshoot](T& t) {
        troubleshoot(t);
        t.click("buttonPrimary");
    };
    return {
        {key(main, "DashboardViewController"), "dashboard tab", tab(MainTab::Dashboard)},
        {key(main, "ConnectButtonController"), "dashboard tab", tab(MainTab::Dashboard)},
        {key(main, "DashboardFeedbackController"),
         "a connection comes up: the prompt opens beside the star button, or the star button opens it",
         [](T& t) {
             t.sdkReports(ZevuConnectionState::Connected);
             ASSERT_TRUE(waitUntil([&] { return T::visibleNamed("feedbackButton") != nullptr; }));
             test::drain();
             // The prompt opens by itself for a connection not rated yet; else the star opens it.
             if (t.opened[key(kMainStoryboard, "DashboardFeedbackController")].empty()) t.click("feedbackButton");
         }},
        {key(main, "FeedbackContainerController"), "a connection comes up: the star button beside the dashboard",
         [](T& t) { t.sdkReports(ZevuConnectionState::Connected); },
         [](T&) { return T::visibleNamed("feedbackButton") != nullptr; }},
        {key(main, "TroubleshootViewController"), "a connection fails: Troubleshoot on the notice over the dashboard",
         troubleshoot},
        {key(main, "PreferencesWindowController"), "a failed connection's troubleshooting: switch protocol", openPreferencesWindow},
        {key(main, "PreferencesViewController"), "a failed connection's troubleshooting: switch protocol", openPreferencesWindow},
        {key(main, "LocationsViewController"), "locations tab", tab(MainTab::Locations)},
        {key(main, "CountriesViewController"), "locations tab", tab(MainTab::Locations)},
        {key(main, "LeftPanelViewController"), "locations tab", tab(MainTab::Locations)},
        {key("Protocols", "ProtocolsAlertViewController"),
         "locations tab → a country, while the tunnel extension still waits for the user's approval",
         [](T& t) {
             t.clickTab(MainTab::Locations);
             t.clickInLocationList(LocationListView::Part::Row);
         }},
        {key(main, "CountriesViewController1"), "locations tab → sections button",
         [](T& t) {
             t.clickTab(MainTab::Locations);
             t.click("btnSections");
         }},
        {key("Sort", "SortViewController"), "locations tab → sections button → sort button",
         [](T& t) {
             t.clickTab(MainTab::Locations);
             t.click("btnSections");
             ASSERT_TRUE(waitUntil([&] { return t.shows(key(kMainStoryboard, "CountriesViewController1")); }));
             t.click("btnSort");
         }},
        {key("Filter", "FilterViewController"), "locations tab → filter button",
         [](T& t) {
             t.clickTab(MainTab::Locations);
             t.click("btnP2P");
         }},
        {key(main, "CitiesViewController"), "locations tab → a country's arrow",
         [](T& t) {
             t.clickTab(MainTab::Locations);
             t.clickInLocationList(LocationListView::Part::Arrow);
         }},
        {key(main, "ProfileViewController"), "profile tab", tab(MainTab::Profile)},
        {key(main, "NotificationsController"), "notifications tab", tab(MainTab::Notifications)},
        {key("SwitchAccount", "SwitchAccountVC"), "profile tab → Switch account",
         [](T& t) {
             t.clickTab(MainTab::Profile);
             t.click("switchAccount");
         }},
        {key(main, "ReferFriendViewController"), "refer-a-friend tab", tab(MainTab::ReferFriend)},
        {key(main, "SetupOtherDevicesViewController"), "other devices tab", tab(MainTab::SetupOtherDevices)},
        {key(main, "PreferencesPageViewController"), "settings tab", tab(MainTab::Prefences)},
        {key("Preferences", "VPNSettingsViewController"), "settings tab", tab(MainTab::Prefences)},
        {key("Preferences", "SettingsLocationViewController"),
         "settings tab → auto-connect on → to a location → change location: the page's location panel",
         [](T& t) {
             t.clickTab(MainTab::Prefences);
             t.switchOn("btnAutoConnect", "autoConnectDropDown");
             t.chooseUntilShown("autoConnectDropDown", "changeLocation");
             t.click("changeLocation");
         }},
        {key("General", "GeneralStoryboardID"), "settings tab → General", settingsLink("PreferencesLink0")},
        {key("Protocols", "ProtocolStoryboardID"), "settings tab → Protocol", settingsLink("PreferencesLink1")},
        {key("AdvancedPreferences", "AdvancedStoryboardID"), "settings tab → Advanced", settingsLink("PreferencesLink2")},
        {key("Languages", "LanguagesStoryboardID"), "settings tab → Language", settingsLink("PreferencesLink3")},
        {key("About", "AboutVCStoryboardID"), "settings tab → About", settingsLink("PreferencesLink4")},
        {key("Languages", "LanguagesController"), "settings tab → General → change language",
         [](T& t) {
             t.clickTab(MainTab::Prefences);
             t.click("PreferencesLink0");
             t.click("changeLanguage");
         }},
        {key("SettingsLocation", "SettingsLocationVC"),
         "settings tab → General → auto-connect on launch → to a location → change location: the picker sheet",
         [](T& t) {
             t.clickTab(MainTab::Prefences);
             t.click("PreferencesLink0");
             t.switchOn("btn_autoConnect", "protocolPopup");
             t.chooseUntilShown("protocolPopup", "changeLocation");
             t.click("changeLocation");
         }},
        {key("Preferences", "AppSettingsViewController"), "settings tab → App",
         [](T& t) {
             t.clickTab(MainTab::Prefences);
             // The page shows the last link's page again: its Back leads to the settings.
             if (T::visibleNamed("PreferencesBack")) t.click("PreferencesBack");
             t.clickLastSegment("PreferencesSegmentedControl");
         }},
        {key(main, "SupportViewController"), "support tab", tab(MainTab::Support1)},
        {key("Support1", "GetHelpViewController"), "support tab", tab(MainTab::Support1)},
        {key("Support1", "SubmitTicketNewViewController"), "support tab → Report a bug",
         [](T& t) {
             t.clickTab(MainTab::Support1);
             GetHelpViewController* hub = nullptr;
             ASSERT_TRUE(waitUntil([&] {
                 const auto hubs = t.content()->currentPageController()->findChildren<GetHelpViewController*>();
                 hub = hubs.empty() ? nullptr : hubs.front();
                 return hub && hub->isViewLoaded() && hub->view()->isVisible();
             }));
             QTest::mouseClick(hub->routeButton(GetHelpViewController::ReportBug), Qt::LeftButton);
         }},
        {key(main, "MainViewController"), "menu button → Version and feedback", [](T& t) { t.chooseFromMenu("status.menu.about"); }},
    };
}

// The scenes a launch shows by itself, by the state the application starts in.
enum class Launch { SignedOut, SignedIn, NewerVersionOnOffer };
struct LaunchPath {
    std::string scene;
    Launch launch;
};
const std::vector<LaunchPath>& launchPaths() {
    static const std::vector<LaunchPath> paths = {
        {key(kMainStoryboard, "MainWindowController"), Launch::SignedOut},
        {key(kMainStoryboard, "InitialViewController"), Launch::SignedOut},
        {key(kMainStoryboard, "LoginStoryboardID"), Launch::SignedOut},
        {key(kMainStoryboard, "AppMainViewController"), Launch::SignedIn},
        {key(kMainStoryboard, "TabsViewController"), Launch::SignedIn},
        {key(kMainStoryboard, "UpdateViewController"), Launch::NewerVersionOnOffer},
    };
    return paths;
}
std::vector<std::string> scenesShownBy(Launch launch) {
    std::vector<std::string> out;
    for (const LaunchPath& path : launchPaths())
        if (path.launch == launch) out.push_back(path.scene);
    return out;
}

// First in the file: the shared store of error records is the one of the first test in a process.
TEST_F(EveryScreenIsReachable, FromTheSignedInMainWindowByClicks) {
    signedInEarlier();
    // WireGuard chosen rather than the automatic protocol: troubleshooting a failed connection
    // offers to switch protocols, and the system asks the user to approve WireGuard's tunnel
    // extension, which the user has not done yet.
    PreservedPreferences().setAutomaticProtocol(false);
    PreservedPreferences().setSelectedProtocol(VPNProtocol::WireGuard);
    zevu::ZevuTestAPI::setExtensionOutcome(zevu::ExtensionOutcome::NeedsApproval);
    // What the application's launch adds to the error table: a connection that does not come up
    // offers the troubleshooting page.
    AppError::addDefaultRecords(CoreDataService::shared().managedObjectContext());
    launch();
    ASSERT_TRUE(waitUntil([&] { return onMainContent(); })) << "the signed-in launch stays on the sign-in page";
    for (const std::string& scene : scenesShownBy(Launch::SignedIn)) EXPECT_TRUE(shows(scene)) << scene;
    walk(clickPaths());
}

TEST_F(EveryScreenIsReachable, EveryRegisteredSceneHasAPathAndEveryPathARegisteredScene) {
    std::set<std::string> registered;
    for (const std::string& name : appkit::Storyboard::names())
        for (const std::string& scene : appkit::Storyboard::named(name)->identifiers()) registered.insert(key(name, scene));
    std::set<std::string> reached;
    for (const LaunchPath& path : launchPaths()) reached.insert(path.scene);
    for (const Path& path : clickPaths()) reached.insert(path.scene);
    for (const std::string& scene : registered) EXPECT_TRUE(reached.contains(scene)) << "nothing a user does opens " << scene;
    for (const std::string& scene : reached) EXPECT_TRUE(registered.contains(scene)) << scene << " has a path but is not registered";
}

TEST_F(EveryScreenIsReachable, ASignedOutLaunchShowsTheSignInPageInTheMainWindow) {
    launch();
    for (const std::string& scene : scenesShownBy(Launch::SignedOut)) EXPECT_TRUE(waitUntil([&] { return shows(scene); })) << scene;
    EXPECT_EQ(root()->selectedPage(), Page::SignIn);
}

TEST_F(EveryScreenIsReachable, ALaunchWithANewerVersionOnOfferShowsTheUpdatePage) {
    fake::offerUpdate(service, "99.0");
    launch();
    for (const std::string& scene : scenesShownBy(Launch::NewerVersionOnOffer))
        EXPECT_TRUE(waitUntil([&] { return shows(scene); })) << scene;
}

}  // namespace
}  // namespace morvex
