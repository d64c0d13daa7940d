#pragma once
// The main window's content once a user is signed in: the left tab bar and the page area. It
// owns the content's background (white with the world map on the dashboard, 246 grey on every
// other page) and the hover tags beside the tab bar, switches the page on "OpenViewController"
// (cross-fading from the page shown, and selecting the new one when the fade is over),
// makes the application's one status-bar menu, sizes the window and asks for the VPN system
// extensions each time it appears, runs the e-mail migration check, and picks the first page
// after a sign-in by the user's test group.
//
// Pages are scenes of the main storyboard, by identifier (kPageScenes); a page whose screen is
// not built yet shows the empty page. The dashboard's scene is "DashboardViewController".
#include <QPointer>
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "viewmodels/MainTab.h"
#include "app/StatusMenu.h"
#include "appkit/TabViewController.h"
#include "appkit/ViewController.h"
#include "foundation/NotificationCenter.h"
#include "state/CoreDataService.h"

class QLabel;

namespace morvex {

class TabsViewController;

class AppMainViewController : public appkit::ViewController {
    Q_OBJECT
public:
    using Tab = MainTab;

    // The scene each page shows, by page.
    struct PageScene {
        MainTab page;
        std::string_view identifier;
    };
    static constexpr std::array<PageScene, 8> kPageScenes{{
        {MainTab::Dashboard, "DashboardViewController"},
        {MainTab::Locations, "LocationsViewController"},
        {MainTab::Notifications, "NotificationsController"},
        {MainTab::Support1, "SupportViewController"},
        {MainTab::Profile, "ProfileViewController"},
        {MainTab::ReferFriend, "ReferFriendViewController"},
        {MainTab::SetupOtherDevices, "SetupOtherDevicesViewController"},
        {MainTab::Prefences, "PreferencesPageViewController"},
    }};

    // The tab bar's scene in the main storyboard.
    static constexpr std::string_view kTabBarScene = "TabsViewController";

    // What the content asks of the world outside the window; each defaults to the real one.
    struct Hooks {
        // Asks the SDK to activate the tunnel extension with this bundle identifier.
        std::function<void(const std::string&)> activateExtension;
        // Makes the status-bar menu.
        std::function<std::unique_ptr<StatusMenu>()> makeStatusMenu;
        // The e-mail migration check.
        std::function<void()> migrationCheck;
        // The store whose unread notices the tab bar counts; none: the shared store.
        ManagedObjectContext* notices = nullptr;
    };

    explicit AppMainViewController(QObject* parent = nullptr);
    AppMainViewController(Hooks hooks, QObject* parent = nullptr);
    ~AppMainViewController() override;

    QPointer<QWidget> bgView;
    QPointer<QLabel> mapImgView;
    TabsViewController* tabsController() const { return tabsController_.get(); }
    // The page container: one page per MainTab, at the index of its number.
    appkit::TabViewController* pagesController() const { return pages_.get(); }
    // The controller of the page that shows now (during the cross-fade: the page faded to, which
    // the container selects when the fade is over).
    appkit::ViewController* currentPageController() const { return pages_->childViewControllerAt(int(rawValue(currentPage_))); }
    MainTab currentPage() const { return currentPage_; }
    // The hover tags, one per hover view identifier.
    std::map<std::string, QPointer<QLabel>, std::less<>> hoverImages;
    std::unique_ptr<StatusMenu> statusMenu;

    void loadView() override;
    void viewDidLoad() override;
    void viewDidAppear() override;
    void viewDidDisappear() override;

    void openViewController(const Notification& notification);
    void zevuStateDidChanged(const Notification& notification);
    void loginChanged(const Notification& notification);
    void handleHoverEntered(const Notification& notification);
    void handleHoverExited(const Notification& notification);
    // Clicks a tab as the user would.
    void selectTab(MainTab page);
    // The run's status menu (its item and the application menu), made once.
    void makeStatusMenuIfNeeded();

private:
    void showPage(MainTab page);
    // The content area's ground for the page shown, in the application's appearance.
    void paintBackground();
    appkit::ViewController* makePage(MainTab page);
    void layOutHoverImages();

    Hooks hooks_;
    std::unique_ptr<TabsViewController> tabsController_;
    std::unique_ptr<appkit::TabViewController> pages_;
    MainTab currentPage_ = MainTab::Dashboard;
    std::vector<ObserverToken> observers_;
};

}  // namespace morvex
