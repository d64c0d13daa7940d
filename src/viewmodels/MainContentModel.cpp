#include "viewmodels/MainContentModel.h"

#include "alerts/Alert.h"
#include "alerts/BaseViewController.h"
#include "model/BundleInfo.h"
#include "session/UserAuthentication.h"

namespace morvex::main_content {

PageBackground pageBackground(MainTab tab) {
    if (tab == MainTab::Dashboard) return {255, 255, 255, true};
    return {246, 246, 246, false};
}

namespace {

bool isActivated(std::optional<SystemExtensionStatus> status) {
    return status && *status == SystemExtensionStatus::Activated;
}

}  // namespace

std::vector<std::string> extensionsToActivate(const AppPreferences& preferences, const Bundle& bundle) {
    std::vector<std::string> identifiers;
    if (!isActivated(preferences.openVPNSystemExtensionStatus())) identifiers.push_back(infoPacketTunnelIdentifier(bundle));
    if (!isActivated(preferences.wgSystemExtensionStatus())) identifiers.push_back(infoWireguardPacketTunnelIdentifier(bundle));
    return identifiers;
}

bool preferencesOpenOnProtocolPage(const AppPreferences& preferences) {
    return !(isActivated(preferences.openVPNSystemExtensionStatus()) && isActivated(preferences.wgSystemExtensionStatus()));
}

MainTab pageAfterSignIn(const PreservedPreferences& preferences, EventTracker& tracker) {
    if (!preferences.firstLogin()) return MainTab::Dashboard;
    const auto group = preferences.userTestGroup();
    tracker.track(AnalyticsEvent::app_test_activation_time, Dictionary{{"user_type", Value(rawValue(group))}});
    return group == PreservedPreferences::TestGroup::GroupB ? MainTab::Locations : MainTab::Dashboard;
}

std::string hoverLanguageCode(const AppPreferences& preferences) {
    return preferences.defaults().string(AppPreferences::Key::preferredLanguageCode).value_or("de");
}

std::optional<std::string> hoverImageName(std::string_view hoverViewId, std::string_view languageCode) {
    const std::string code(languageCode);
    if (hoverViewId == "dashboardHoverView") return "dashboardHoverImg";
    if (hoverViewId == "supportHoverView") return "supportHoverImg";
    if (hoverViewId == "locationHoverView") return "locationsHoverImg_" + code;
    if (hoverViewId == "profileHoverView") return "profileHoverImg_" + code;
    if (hoverViewId == "devicesHoverView") return "devicesHoverImg_" + code;
    if (hoverViewId == "settingsHoverView") return "settingsHoverImg_" + code;
    if (hoverViewId == "notificationsHoverView") return "notificationsHoverImg_" + code;
    return std::nullopt;
}

void MigrationCheck::run(UserAuthentication& authentication) const {
    User user = authentication.user;
    if (!user.isUserNotMigratedToEmail()) return;
    const auto username = user.vpnUsername();
    if (!username && authentication.preference.vpnAccounts().empty()) return;
    auto consentStep = consent;
    authentication.fetchVPNPassword(username.value_or(""), std::nullopt, std::nullopt,
                                    [authentication, consentStep](UserAuthentication::PasswordResult result) mutable {
        User record = authentication.user;
        const auto check = UserAuthentication::classifyPasswordResult(result);
        if (check.kind == UserAuthentication::PasswordCheck::Kind::PasswordFetched) {
            record.setIsUserNotMigratedToEmail(false);
            return;
        }
        if (check.kind != UserAuthentication::PasswordCheck::Kind::NotMigrated) {
            record.setIsUserNotMigratedToEmail(true);
            return;
        }
        auto migrate = [authentication](bool loggedOut) mutable {
            if (loggedOut) return;
            authentication.migrateToEmail([authentication](UserAuthentication::MigrationResult outcome) mutable {
                User stored = authentication.user;
                switch (outcome.kind) {
                    case UserAuthentication::MigrationResult::Kind::Success:
                        stored.setIsUserNotMigratedToEmail(false);
                        authentication.showMigrationCompleteNotification();
                        break;
                    case UserAuthentication::MigrationResult::Kind::NoCurrentAccount:
                        stored.setIsUserNotMigratedToEmail(false);
                        break;
                    case UserAuthentication::MigrationResult::Kind::Failure:
                        stored.setIsUserNotMigratedToEmail(true);
                        break;
                }
            });
        };
        if (consentStep) consentStep(migrate);
        else migrate(false);
    });
}

MigrationCheck MigrationCheck::withConsentAlert() {
    MigrationCheck check;
    check.consent = [](std::function<void(bool)> answered) {
        Alert().showMigrateConsentFailed(AppScreen::Dashboard, BaseViewController::makeEventTrackerDefaultValue(),
                                         OwnedCallback<bool>::unowned(std::move(answered)));
    };
    return check;
}

}  // namespace main_content
