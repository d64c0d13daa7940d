// The kit's notices: the in-window bar in each colour and with and without buttons, a toast, the
// in-app notification page in the main window (filled from the service, empty, failed), and the
// reconnect countdown in its sheet.
#include "Shots.h"

#include <optional>

#include "FakeService.h"
#include "app/AppMainViewController.h"
#include "app/TabsViewController.h"
#include "viewmodels/AppNotification.h"

#include "alerts/Alert.h"
#include "ui/shell/EmptyPageViewController.h"
#include "ui/kit/QtAlertPresenter.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "state/AppManager.h"
#include "state/User.h"
#include "ui/kit/AutoDialView.h"
#include "ui/kit/NotificationBarController.h"
#include "ui/notifications/NotificationsInbox.h"
#include "ui/kit/ToastView.h"

namespace morvex::shots {
namespace {

using Notice = NotificationBarTypes::Notification;
using Color = NotificationBarTypes::Color;

// A main-window-sized window showing a plain page.
std::unique_ptr<appkit::Window> plainWindow() {
    auto window = std::make_unique<appkit::Window>(QSize(760, 500));
    window->setTitle("MorvexVPN");
    window->setContentViewController(new EmptyPageViewController);
    window->show();
    return window;
}

QImage bar(const Notice& notice) {
    auto window = plainWindow();
    NotificationCenter centre;
    auto* controller = new NotificationBarController(centre);
    controller->installOn(window->contentViewController()->view());
    centre.post(ShowNotificationBarNotification, notice);
    return renderWindow(*window);
}

Notice notice(std::string id, std::string title, std::string message, Color color) {
    Notice n;
    n.id = std::move(id);
    n.title = std::move(title);
    n.message = std::move(message);
    n.color = color;
    return n;
}

QImage noInternet(Context&) { return bar(notice("NoInternetBar", "", localized("no.internet"), Color::Red)); }

QImage cannotConnect(Context&) {
    // A failure's own message, long enough to wrap beside the two buttons.
    Notice n = notice("UtcNotification", localized("cannot.connect"), localized("error.5001"), Color::Red);
    n.primaryButtonTitle = "Troubleshoot";
    n.secondaryButtonTitle = "Try Again";
    return bar(n);
}

QImage expired(Context&) {
    Notice n = notice("UserExpiredNotification", "",
                      "Your subscription has expired. Renew now to enjoy safe and secure connection.", Color::Red);
    n.primaryButtonTitle = "Renew";
    n.isFromExpire = true;
    return bar(n);
}

QImage migrated(Context&) {
    return bar(notice("MigrateToEmail", "Migration Complete",
                      "You can use the app now. Check your email for further details", Color::Green));
}

QImage teal(Context&) {
    Notice n = notice("Info", "Heads up:", "a new protocol is available in the settings.", Color::Yellow);
    n.closeable = false;
    return bar(n);
}

QImage toast(Context&) {
    auto window = plainWindow();
    ToastView* shown = showToast(window.get(), "Link Copied", 5.0);
    settle();  // past the fade-in
    QImage image = renderWindow(*window);
    if (shown) shown->deleteLater();
    return image;
}

// The signed-in user's notices in the application's store, none left over from another shot.
void clearNotices() {
    auto& context = CoreDataService::shared().managedObjectContext();
    for (const auto& n : AppNotification::fetch(context).value_or(AppNotificationList{})) context.deleteObject(n->object());
    (void)context.save();
}

// The notification page in the real main window, as the tab opens it, after the service answered
// the list (the fake's three notices, an empty list, or a failure).
std::function<QImage(Context&)> notificationsPage(std::optional<fake::Answer> answer) {
    return [answer](Context& context) {
        if (answer) context.service.failNext(".*/notification/list/v3", *answer, 2);
        clearNotices();
        User user;
        user.setVpnUsername(std::string("morvex0s1234567"));
        user.setLoggedIn(true);
        NotificationsInbox::Hooks hooks;
        hooks.actions.openURL = [](const std::string&) { return false; };
        hooks.actions.launchApplication = [](const std::string&) { return false; };
        hooks.actions.performSegue = [](std::string_view) {};
        hooks.actions.connect = [](const ConnectRequest&, ConnectErrorHandler) {};
        hooks.actions.updateRecommendedLocation = [] {};
        NotificationsInbox inbox(std::move(hooks));
        inbox.install();
        waitFor([&] { return !inbox.feed().isFetching(); });
        AppMainViewController::Hooks mainHooks;
        mainHooks.activateExtension = [](const std::string&) {};
        mainHooks.makeStatusMenu = [] { return std::unique_ptr<StatusMenu>(); };
        mainHooks.migrationCheck = [] {};
        appkit::Window window(QSize(760, 500));
        window.setTitle("MorvexVPN");
        auto* content = new AppMainViewController(mainHooks);
        window.setContentViewController(content);
        window.show();
        settle();
        content->tabsController()->tabClicked(content->tabsController()->notificationsTab);
        settle();
        waitFor([&] { return !inbox.feed().isFetching(); });
        settle();
        QImage image = renderWindow(window);
        window.hide();
        clearNotices();
        user.setLoggedIn(false);
        user.setVpnUsername(std::nullopt);
        return image;
    };
}

class NoVPN : public VPNControl {
public:
    int getCurrentVPNStatus() override { return 0; }
    void setDoCheckInternetConnectivity(bool) override {}
    void reconnectVPN() override {}
    void cancelVPN() override {}
    void disconnectVPN() override {}
    void disableFirewall() override {}
};

QImage countdown(Context&) {
    auto window = plainWindow();
    auto vpn = std::make_shared<NoVPN>();
    AlertServices services;
    services.presenter = std::make_shared<QtAlertPresenter>();
    services.vpn = vpn;
    auto countdown = AutoDialCountdown::make(std::make_unique<AutoDialModel>(vpn, AppPreferences()));
    Alert(services).showIKSUTCAlert(countdown, AppPreferences(), EventTracker());
    // As the sheet reads three seconds in.
    for (int tick = 0; tick < 3; ++tick) countdown->view()->updateTime();
    countdown->invalidateTimer();
    QImage image = renderWindow(*window);
    if (auto* sheet = window->attachedSheet()) window->endSheet(sheet);
    return image;
}

const Registration shots({
    {"notice-bar", "no-internet", noInternet},
    {"notice-bar", "cannot-connect", cannotConnect},
    {"notice-bar", "expired", expired},
    {"notice-bar", "migrated", migrated},
    {"notice-bar", "teal-not-closeable", teal},
    {"toast", "link-copied", toast},
    {"notifications", "filled", notificationsPage(std::nullopt)},
    {"notifications", "empty", notificationsPage(fake::Answer::envelope({{"notifications", nlohmann::json::array()}}))},
    {"notifications", "failed", notificationsPage(fake::Answer::plain(503))},
    {"reconnect-countdown", "sheet", countdown},
});

}  // namespace
}  // namespace morvex::shots
