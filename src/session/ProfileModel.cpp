#include "session/ProfileModel.h"

#include <QDate>
#include <QLocale>

#include <algorithm>
#include <cctype>

namespace morvex {

ProfileModel::ProfileModel(Networking& networkingManager, User user, EventTracker eventTracker,
                           PreservedPreferences preservedPreferences, UserAuthentication userAuthentication)
    : networkingManager(networkingManager), user(std::move(user)), eventTracker(std::move(eventTracker)),
      preservedPreferences(std::move(preservedPreferences)),
      userAuthentication(std::move(userAuthentication)) {}

void ProfileModel::fetchProfile(std::function<void(Result<ProfileResponseModel>)> completion) {
    // The answer is handled by a copy: the stores are views over persisted state, and the model
    // that asked may be gone by the time the answer comes.
    networkingManager.requestUserProfile<ProfileAnswer>(
        std::nullopt, [self = *this, completion = std::move(completion)](Result<ProfileAnswer> result) mutable {
            self.handleProfileResponse(std::move(result), completion);
        });
}

void ProfileModel::handleProfileResponse(Result<ProfileAnswer> result,
                                         const std::function<void(Result<ProfileResponseModel>)>& completion) {
    if (!result) {
        if (completion) completion(fail(result.error()));
        return;
    }
    saveProfile(result->body);
    if (completion) completion(std::move(result->body));
}

void ProfileModel::saveProfile(const ProfileResponseModel& profile) {
    user.setEmail(profile.email);
    user.setUsername(profile.vpnUsername);
    user.setStatus(userStatusFromRaw(profile.status).value_or(User::Status::Inactive));
    user.setSignUpDate(profile.signupDate);
    user.setBillingCycle(profile.billingCycle);
    user.setExpiryDate(profile.expiryDate);
    user.setBillingPlan(profile.billingPlan);
    std::string type = profile.clientType;
    std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    user.setClientType(clientTypeFromRaw(type).value_or(User::ClientType::empty));
    // The profile's "is_trial" is not trusted for this flag.
    user.setTrial(false);
}

bool ProfileModel::hasActiveAddon(const std::optional<std::vector<ActiveAddon>>& addons, const std::string& slug) const {
    if (!preservedPreferences.isB2C()) return false;
    if (!addons || addons->empty()) return false;
    return std::any_of(addons->begin(), addons->end(),
                       [&](const ActiveAddon& addon) { return addon.slug.find(slug) != std::string::npos; });
}

bool ProfileModel::hasPortForwardingAddon(const std::optional<std::vector<ActiveAddon>>& addons) const {
    return hasActiveAddon(addons, "port_forwarding");
}

bool ProfileModel::hasPinvaultAddon(const std::optional<std::vector<ActiveAddon>>& addons) const {
    return hasActiveAddon(addons, "pinvault");
}

std::string ProfileModel::formattedDate(const std::string& date) {
    QDate parsed = QDate::fromString(QString::fromStdString(date), "yyyy-MM-dd");
    if (!parsed.isValid()) return date;
    return QLocale().toString(parsed, "dd MMM yyyy").toStdString();
}

}  // namespace morvex
