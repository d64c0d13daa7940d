// The main content with its left tab bar: each tab selected, and a hovered tab with its tag.
#include <QApplication>
#include <QEvent>

#include "Shots.h"
#include "app/AppMainViewController.h"
#include "app/TabsViewController.h"
#include "appkit/Window.h"
#include "foundation/NotificationCenter.h"
#include "state/CoreDataService.h"
#include "state/User.h"
#include "viewmodels/AppNotification.h"

namespace morvex::shots {
namespace {

struct Open {
    std::unique_ptr<appkit::Window> window;
    AppMainViewController* content = nullptr;
};

Open openContent() {
    AppMainViewController::Hooks hooks;
    hooks.activateExtension = [](const std::string&) {};
    hooks.makeStatusMenu = [] { return std::unique_ptr<StatusMenu>(); };
    hooks.migrationCheck = [] {};
    Open open;
    open.window = std::make_unique<appkit::Window>(QSize(760, 500));
    open.content = new AppMainViewController(hooks);
    open.window->setContentViewController(open.content);
    open.window->show();
    settle();
    return open;
}

std::function<QImage(Context&)> selected(MainTab page) {
    return [page](Context&) {
        Open open = openContent();
        NotificationCenter::defaultCenter().post(kAppShowControllerNotification, page);
        settle();
        return renderWindow(*open.window);
    };
}

QImage hovered(Context&) {
    Open open = openContent();
    NotificationCenter::defaultCenter().post(kAppShowControllerNotification, MainTab::Profile);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(open.content->tabsController()->setupOtherDevicesTab, &enter);
    settle();
    return renderWindow(*open.window);
}

// Three unread notices of the signed-in user: the badge on the dashboard tab.
QImage unreadNotices(Context&) {
    User().setVpnUsername("shots-user");
    CoreDataService store;
    ManagedObjectContext& context = store.managedObjectContext();
    for (int i = 0; i < 3; ++i) {
        if (auto notice = AppNotification::insert(context)) {
            notice->setText("id", "shot-" + std::to_string(i));
            notice->setText("username", "shots-user");
        }
    }
    (void)context.save();
    AppMainViewController::Hooks hooks;
    hooks.activateExtension = [](const std::string&) {};
    hooks.makeStatusMenu = [] { return std::unique_ptr<StatusMenu>(); };
    hooks.migrationCheck = [] {};
    hooks.notices = &context;
    appkit::Window window(QSize(760, 500));
    window.setContentViewController(new AppMainViewController(hooks));
    window.show();
    settle();
    QImage image = renderWindow(window);
    window.hide();
    for (const auto& notice : AppNotification::fetch(context).value_or(AppNotificationList{})) context.deleteObject(notice->object());
    (void)context.save();
    User().setVpnUsername(std::nullopt);
    return image;
}

const Registration shots({
    {"main-content", "dashboard", selected(MainTab::Dashboard)},
    {"main-content", "locations", selected(MainTab::Locations)},
    {"main-content", "devices", selected(MainTab::SetupOtherDevices)},
    {"main-content", "profile", selected(MainTab::Profile)},
    {"main-content", "support", selected(MainTab::Support1)},
    {"main-content", "settings", selected(MainTab::Prefences)},
    {"main-content", "devices-hovered", hovered},
    {"main-content", "unread-notices", unreadNotices},
});

}  // namespace
}  // namespace morvex::shots
