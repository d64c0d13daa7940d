#include "app/StatusMenuOptionsHandler.h"

#include <QLabel>

#include "alerts/Alert.h"
#include "alerts/AlertServices.h"
#include "ui/kit/QtAlertPresenter.h"
#include "viewmodels/StatusMenuModel.h"
#include "api/Networking.h"
#include "foundation/Analytics.h"
#include "foundation/Bundle.h"
#include "session/UserAuthentication.h"
#include "state/MorvexVPNSecrets.h"
#include "state/User.h"
#include "flows/MorvexVPNService.h"
#include "vpn/Zevu.h"

namespace morvex {

namespace {

StatusMenuOptionsHandler::Hooks completed(StatusMenuOptionsHandler::Hooks hooks) {
    if (!hooks.versionCheck) {
        hooks.versionCheck = [](bool silent, std::function<void(std::optional<Error>)> completion) {
            MorvexVPNService::checkForUpdate(silent, AppPreferences(), [completion](MorvexVPNService::VersionCheckResult result) {
                completion(result ? std::nullopt : std::optional<Error>(result.error()));
            });
        };
    }
    if (!hooks.startReachability) hooks.startReachability = [] { Networking::shared().startReachabilityListener(); };
    if (!hooks.startAnalytics)
        hooks.startAnalytics = [] { AnalyticsClient::initialize(MorvexVPNSecrets().analyticsToken(), 60.0); };
    if (!hooks.setUpSDK) hooks.setUpSDK = [] { Zevu::configureSDK(User(), MorvexVPNService::makeZevu); };
    return hooks;
}

}  // namespace

StatusMenuOptionsHandler::StatusMenuOptionsHandler() : StatusMenuOptionsHandler(Hooks{}) {}

StatusMenuOptionsHandler::StatusMenuOptionsHandler(Hooks hooks) : hooks_(completed(std::move(hooks))) {
    setUp(hooks_.setUpSDKAtCreation);
    fetchNotificationsObserver_ = NotificationCenter::defaultCenter().addObserver(
        FetchNotificationsNotification, [this](const Notification&) { setupCoreClass(); });
}

namespace {
StatusMenuOptionsHandler* installedHandler = nullptr;
}

StatusMenuOptionsHandler::~StatusMenuOptionsHandler() {
    if (installedHandler == this) installedHandler = nullptr;
}

StatusMenuOptionsHandler* StatusMenuOptionsHandler::installed() { return installedHandler; }
void StatusMenuOptionsHandler::install() { installedHandler = this; }

void StatusMenuOptionsHandler::setupCoreClass() { setUp(true); }

void StatusMenuOptionsHandler::setUp(bool withSDK) {
    // A step that posts "FetchNotifications" itself must not start a second set-up inside this one.
    if (settingUp_) return;
    settingUp_ = true;
    hooks_.startReachability();
    hooks_.startAnalytics();
    if (withSDK) hooks_.setUpSDK();
    settingUp_ = false;
}

void StatusMenuOptionsHandler::checkForUpdate() {
    if (status_menu::isConnectedOrConnecting(AlertServices::installed().vpn->getCurrentVPNStatus())) {
        Alert().showUpdateNeedsDisconnect();
        return;
    }
    auto* message = new QLabel(QString::fromStdString(Bundle::main().localizedString("update.check.alert.message", "Looking for update message")));
    message->setObjectName(QStringLiteral("updateView"));
    message->setWordWrap(true);
    Alert().showAccessory(Bundle::main().localizedString("update.check.alert.title", "Looking for update title"),
                          std::make_shared<QtAlertAccessory>(message));
    hooks_.versionCheck(false, [](std::optional<Error> error) {
        if (!error) return;
        // A failure is never reported as "up to date": the user sees what went wrong.
        Alert().dismissSheet();
        Alert().showError(*error);
    });
}

void StatusMenuOptionsHandler::contactSupport() { AlertServices::installed().openURL(status_menu::supportURL(AppPreferences())); }

void StatusMenuOptionsHandler::logout() { AlertServices::installed().logout(); }

}  // namespace morvex
