#include "alerts/BaseViewController.h"

#include "alerts/Alert.h"
#include "foundation/NotificationCenter.h"

namespace morvex {

BaseViewController::BaseViewController() : BaseViewController(AlertServices::installed()) {}

BaseViewController::BaseViewController(AlertServices services) : services_(std::move(services)) {}

void BaseViewController::showMenu() const {
    NotificationCenter::defaultCenter().post(appShowControllerNotification, tabsPage);
}

void BaseViewController::back() const {
    NotificationCenter::defaultCenter().post(appShowControllerNotification, dashboardPage);
}

bool BaseViewController::accountStatusCheck() const {
    // Each check reads the stored account afresh: another screen may have just changed it.
    User user;
    if (auto name = user.vpnUsername(); !name || name->empty()) {
        Alert(services_).showNoSubscription();
        return false;
    }
    if (isUserExpired()) {
        showSubscriptionExpiredAlert();
        return false;
    }
    return user.status() == User::Status::Active;
}

bool BaseViewController::isUserExpired() const { return User().status() == User::Status::Expired; }

void BaseViewController::showSubscriptionExpiredAlert() const { Alert(services_).showSubscriptionExpired(); }

EventTracker BaseViewController::makeEventTrackerDefaultValue() { return EventTracker(); }

}  // namespace morvex
