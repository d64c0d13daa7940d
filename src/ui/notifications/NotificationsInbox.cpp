#include "ui/notifications/NotificationsInbox.h"

#include <QApplication>
#include <string>

#include "appkit/Storyboard.h"
#include "appkit/WindowController.h"
#include "session/UserAuthentication.h"
#include "state/User.h"
#include "ui/kit/PreferencesSegue.h"
#include "ui/shell/MainStoryboard.h"
#include "viewmodels/MainTab.h"

namespace morvex {

namespace {

NotificationsListModel::Collaborators completed(NotificationsListModel::Collaborators c) {
    if (!c.performSegue) {
        c.performSegue = [](std::string_view identifier) {
            if (identifier == kSeguePreferences) NotificationsInbox::openPreferencesWindow();
        };
    }
    return c;
}

}  // namespace

NotificationsInbox::NotificationsInbox() : NotificationsInbox(Hooks{}) {}

NotificationsInbox::NotificationsInbox(Hooks hooks)
    : actions_(std::make_unique<NotificationsListModel>(completed(std::move(hooks.actions)))),
      feed_(hooks.networking ? hooks.networking : &Networking::shared(), hooks.context, actions_->collaborators().centre),
      centre_(actions_->collaborators().centre) {}

NotificationsInbox::~NotificationsInbox() { observers_.clear(); }

void NotificationsInbox::openPreferencesWindow() {
    auto* board = appkit::Storyboard::named(kMainStoryboard);
    QObject* made = board ? board->instantiateController(kPreferencesWindowScene) : nullptr;
    if (auto* window = qobject_cast<appkit::WindowController*>(made)) {
        window->setParent(qApp);
        window->showWindow();
        return;
    }
    delete made;
}

void NotificationsInbox::install() {
    if (!observers_.empty()) return;
    NotificationsListModel* actions = actions_.get();
    auto observe = [&](std::string_view name, std::function<void(const Notification&)> handler) {
        observers_.push_back(centre_->addObserver(name, std::move(handler)));
    };
    observe(OpenUrlPushNotification, [actions](const Notification& n) { actions->openURL(n.object); });
    observe(OpenAppPushNotification, [actions](const Notification& n) { actions->openApp(n.object); });
    observe(OpenScreenPushNotification, [actions](const Notification& n) { actions->openScreen(n.object); });
    observe(OpenMemberAreaPushNotification, [actions](const Notification& n) { actions->openMemberArea(n.object); });
    observe(QuickConnectPushNotification, [actions](const Notification&) { actions->quickConnect(); });

    observe(FetchNotificationsNotification, [this](const Notification&) { refresh(); });
    observe(VPNAccountDidChangeNotification, [this](const Notification&) { refresh(); });
    observe(UserLoggedInChangedNotification, [this](const Notification& n) {
        if (const auto* in = n.objectAs<bool>(); in && *in) refresh();
    });
    observe(kOpenViewControllerNotification, [this](const Notification& n) {
        if (mainTabFromObject(n.object) == MainTab::Notifications) refresh();
    });
    refresh();
}

void NotificationsInbox::refresh() {
    if (!User().loggedIn()) return;
    feed_.refresh();
}

}  // namespace morvex
