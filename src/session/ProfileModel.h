#pragma once
// The profile answer ("/user/profile") turned into stored user state, and the add-on questions the
// dashboard and the profile screen ask of it. Made with its collaborators; main thread.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "api/Envelopes.h"
#include "api/Networking.h"
#include "model/ProfileResponseModel.h"
#include "session/UserAuthentication.h"
#include "state/EventTracker.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"

namespace morvex {

class ProfileModel {
public:
    using ProfileAnswer = HttpResponseModel<ProfileResponseModel>;

    ProfileModel(Networking& networkingManager, User user, EventTracker eventTracker,
                 PreservedPreferences preservedPreferences, UserAuthentication userAuthentication);

    Networking& networkingManager;
    User user;
    EventTracker eventTracker;
    PreservedPreferences preservedPreferences;
    UserAuthentication userAuthentication;

    // Requests the signed-in user's profile and stores it; the completion gets the profile or the
    // request's error, once, on the main thread.
    void fetchProfile(std::function<void(Result<ProfileResponseModel>)> completion);
    // On success saves the profile and then hands it on; an error goes on unchanged.
    void handleProfileResponse(Result<ProfileAnswer> result, const std::function<void(Result<ProfileResponseModel>)>& completion);
    // Writes e-mail, user name, status ("inactive" for a text that is no status), sign-up date,
    // billing cycle, expiry date, billing plan (removed when absent), client type (by its lower-case
    // text; the empty type for any other) and "trial" (always false) into the user record.
    void saveProfile(const ProfileResponseModel& profile);

    // False for a business account ("isB2C" off) and for no add-ons; else whether an add-on's slug
    // contains `slug` (case-sensitive).
    bool hasActiveAddon(const std::optional<std::vector<ActiveAddon>>& addons, const std::string& slug) const;
    bool hasPortForwardingAddon(const std::optional<std::vector<ActiveAddon>>& addons) const;
    bool hasPinvaultAddon(const std::optional<std::vector<ActiveAddon>>& addons) const;

    // "yyyy-MM-dd" written as "dd MMM yyyy" in the current locale; any other text unchanged.
    static std::string formattedDate(const std::string& date);
};

}  // namespace morvex
