#include "flows/MorvexVPNService.h"

#include <mutex>

#include "alerts/Alert.h"
#include "api/Envelopes.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "model/BundleInfo.h"
#include "state/AppManager.h"
#include "session/OAuthService.h"
#include "session/UserAuthentication.h"
#include "zevu/ZevuCore.h"

namespace morvex {

namespace {

std::mutex desktopMutex;

SessionDesktop& desktopSlot() {
    static SessionDesktop slot;
    return slot;
}

bool tunnelIsUpOrComing(int status) {
    return status == zevu::rawValue(zevu::ZevuVPNState::Connecting) ||
           status == zevu::rawValue(zevu::ZevuVPNState::Connected);
}

std::string describe(const MorvexVPNService::VersionCheckResult& result) {
    if (!result) return "failure: " + result.error().localizedDescription();
    nlohmann::json j = *result;
    return "success: " + j.dump();
}

}  // namespace

SessionDesktop SessionDesktop::installed() {
    std::lock_guard lock(desktopMutex);
    return desktopSlot();
}

void SessionDesktop::install(SessionDesktop desktop) {
    std::lock_guard lock(desktopMutex);
    desktopSlot() = std::move(desktop);
}

EventTracker MorvexVPNService::makeEventTracker() {
    auto mixpanel = std::make_shared<AnalyticsClientTracking>();
    AppPreferences appPreference;
    PreservedPreferences preservedPreferences;
    return EventTracker(std::move(mixpanel), std::move(appPreference), std::move(preservedPreferences));
}

ZevuDataFetcher MorvexVPNService::makeZevuDataFetcher() {
    return ZevuDataFetcher(PreservedPreferences(), AppPreferences(), zevu::ZevuManager::sharedInstance(),
                           makeEventTracker());
}

Zevu MorvexVPNService::makeZevu() {
    auto manager = zevu::ZevuManager::sharedInstance();
    ErrorSender sentry;
    auto fetcher = makeZevuDataFetcher();
    User user;
    AppPreferences appPreference;
    auto eventTracker = makeEventTracker();
    PreservedPreferences preservedPreferences;
    return Zevu(std::move(manager), sentry, fetcher, std::move(user), std::move(appPreference), std::move(eventTracker),
                std::move(preservedPreferences), &Networking::shared());
}

UserAuthentication MorvexVPNService::makeUserAuthentication() {
    auto& networking = Networking::shared();
    PreservedPreferences preference;
    User user;
    AppPreferences appPreference;
    auto eventTracker = makeEventTracker();
    return UserAuthentication(networking, std::move(preference), std::move(user), std::move(appPreference),
                              std::move(eventTracker), UserAuthentication::sdkCredentialSink(), ErrorSender{},
                              &OAuthService::shared());
}

// ---- sign-out ----

void MorvexVPNService::logout(const Zevu& zevu, User user, ErrorSender sentry, EventTracker eventTracker) {
    closeWindows();
    const int status = zevu.zevuManager ? zevu.zevuManager->getCurrentVPNStatus() : 0;
    if (!tunnelIsUpOrComing(status)) {
        auto userAuthentication = makeUserAuthentication();
        forgetSession(std::move(user), userAuthentication, std::move(eventTracker));
        return;
    }
    Alert().showLogoutConnected(OwnedCallback<ModalResponse>::unowned(
        [user = std::move(user), sentry, eventTracker = std::move(eventTracker)](ModalResponse response) {
            performLogout(response, user, sentry, eventTracker);
        }));
}

void MorvexVPNService::logoutWithDefaults() { logout(makeZevu(), User(), ErrorSender{}, makeEventTracker()); }

void MorvexVPNService::performLogout(ModalResponse response, User user, ErrorSender /*sentry*/,
                                     EventTracker eventTracker) {
    if (response != alertFirstButtonReturn) return;
    // The sign-out does not wait for the tunnel: the state listener reports the disconnection.
    if (auto manager = makeZevu().zevuManager) manager->disconnectVPN();
    AppManager::shared().lastVPNStateConnected = false;
    auto userAuthentication = makeUserAuthentication();
    forgetSession(std::move(user), userAuthentication, std::move(eventTracker));
}

void MorvexVPNService::forgetSession(User user, UserAuthentication& userAuthentication, EventTracker eventTracker) {
    if (userAuthentication.auth) userAuthentication.auth->forgetTokens();
    else log::print("[Logout] No sign-in service; only the stored session is cleared.");
    user.reset();
    eventTracker.mixpanel().reset({});
    eventTracker.mixpanel().clearSuperProperties();
    auto desktop = SessionDesktop::installed();
    if (desktop.removeDeliveredNotifications) desktop.removeDeliveredNotifications();
    else log::print("[Logout] No desktop notifications to remove.");
}

void MorvexVPNService::closeWindows() {
    auto desktop = SessionDesktop::installed();
    if (desktop.closePreferencesWindows) desktop.closePreferencesWindows();
}

// ---- version check ----

void MorvexVPNService::handleVersionCheck(VersionCheckResult result, bool silent, AppPreferences appPreference,
                                          VersionCheckCompletion completion) {
    log::print("[VersionCheck] " + describe(result));
    if (!result) {
        if (completion) completion(std::move(result));
        return;
    }
    const CheckUpdateVersionModel& model = *result;
    AppManager::shared().isUpdateControllerAlreadyShown = false;
    NotificationCenter::defaultCenter().post(VersionCheckApiRespondedNotification, VersionCheckAnswer{silent, model});
    appPreference.setUpdateAvailable(AppPreferences::UpdateAvailable{
        model.version, infoShortVersionString(), model.release_note_url, model.download_url.value_or("")});
    if (completion) completion(std::move(result));
}

void MorvexVPNService::checkForUpdate(bool silent, AppPreferences appPreference, VersionCheckCompletion completion,
                                      Networking& networking) {
    networking.requestLatestMacVersion<HttpResponseModel<CheckUpdateVersionModel>>(
        std::nullopt, [silent, appPreference = std::move(appPreference), completion = std::move(completion)](
                          Result<HttpResponseModel<CheckUpdateVersionModel>> answer) mutable {
            VersionCheckResult result = answer ? VersionCheckResult(std::move(answer->body))
                                               : VersionCheckResult(std::unexpected(answer.error()));
            handleVersionCheck(std::move(result), silent, std::move(appPreference), std::move(completion));
        });
}

}  // namespace morvex
