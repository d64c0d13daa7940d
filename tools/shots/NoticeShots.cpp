// The kit's notices: the in-window bar in each colour and with and without buttons, a toast, the
// in-app notification list (with notices and empty), and the reconnect countdown in its sheet.
#include "Shots.h"

#include <QTemporaryDir>

#include "alerts/Alert.h"
#include "ui/shell/EmptyPageViewController.h"
#include "ui/kit/QtAlertPresenter.h"
#include "appkit/Window.h"
#include "foundation/Bundle.h"
#include "state/AppManager.h"
#include "state/User.h"
#include "ui/kit/AutoDialView.h"
#include "ui/kit/NotificationBarController.h"
#include "ui/notifications/NotificationsController.h"
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
    settle(400);  // past the fade-in
    QImage image = renderWindow(*window);
    if (shown) shown->deleteLater();
    return image;
}

QImage notifications(bool withNotices) {
    QTemporaryDir dir;
    CoreDataService store(dir.filePath(QStringLiteral("notices.sqlite")).toStdString());
    auto& context = store.managedObjectContext();
    User().setVpnUsername("shots");
    if (withNotices) {
        const double now = Date::now().secondsSince1970;
        auto add = [&](std::string id, std::string category, std::string title, std::string message, double at,
                       std::string type, std::string primary, std::string secondary) {
            auto n = AppNotification::insert(context);
            n->setText("id", std::move(id));
            n->setText("username", "shots");
            n->setText("category", std::move(category));
            n->setText("title", std::move(title));
            n->setText("message", std::move(message));
            n->setText("type", std::move(type));
            n->setText("ctaPrimaryTitle", std::move(primary));
            n->setText("ctaPrimaryAction", "screen");
            n->setText("ctaSecondaryTitle", std::move(secondary));
            n->setText("ctaSecondaryAction", "url");
            n->setCreatedAt(Date{at});
        };
        add("1", "billing", "Your subscription renews soon", "Your plan renews on 5 March. Nothing to do if you want to keep it.",
            now, "regular", "Manage Subscription", "Learn More");
        add("2", "app", "Try WireGuard", "Faster connections on most networks. Switch protocols in the settings.",
            now - 86400, "regular", "Open Settings", "");
        add("3", "accounts", "Confirm your e-mail address", "We sent you a link. Confirm it to keep your account safe.",
            now - 9 * 86400, "persistant", "", "");
        (void)context.save();
    }
    NotificationsListModel::Collaborators c;
    c.openURL = [](const std::string&) { return false; };
    c.launchApplication = [](const std::string&) { return false; };
    c.connect = [](const ConnectRequest&, ConnectErrorHandler) {};
    c.updateRecommendedLocation = [] {};
    auto window = std::make_unique<appkit::Window>(QSize(760, 500));
    window->setTitle("MorvexVPN");
    window->setContentViewController(
        new NotificationsController(std::make_unique<NotificationsListModel>(std::move(c)), &context));
    window->show();
    QImage image = renderWindow(*window);
    window.reset();
    User().setVpnUsername(std::nullopt);
    return image;
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
    {"notifications", "list", [](Context&) { return notifications(true); }},
    {"notifications", "empty", [](Context&) { return notifications(false); }},
    {"reconnect-countdown", "sheet", countdown},
});

}  // namespace
}  // namespace morvex::shots
