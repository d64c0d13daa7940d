#include "viewmodels/ReferAFriendModel.h"

#include "alerts/AlertServices.h"
#include "foundation/Bundle.h"
#include "model/JsonCoding.h"
#include "model/WebLink.h"
#include "flows/MorvexVPNService.h"

namespace morvex {

ReferAFriendModel::ReferAFriendModel(User user_, Networking& networkingManager_, EventTracker eventTracker_,
                                     PreservedPreferences preservedPreferences_, Zevu zevu_)
    : user(std::move(user_)),
      networkingManager(networkingManager_),
      eventTracker(std::move(eventTracker_)),
      preservedPreferences(std::move(preservedPreferences_)),
      zevu(std::move(zevu_)) {}

namespace {
// The screens' analytics go where the installed services send them.
EventTracker defaultTracker() {
    const AlertServices services = AlertServices::installed();
    return services.makeEventTracker ? services.makeEventTracker() : MorvexVPNService::makeEventTracker();
}
}  // namespace

ReferAFriendModel::ReferAFriendModel()
    : ReferAFriendModel(User(), Networking::shared(), defaultTracker(), PreservedPreferences(), MorvexVPNService::makeZevu()) {}

void ReferAFriendModel::fetchReferralLink(LinkCompletion completion) {
    // The answer is handled by a copy: the stores are views over persisted state, and the page
    // that asked may be gone by the time it comes.
    networkingManager.requestReferFriendLink<ReferAFriendResponseModel>(
        std::nullopt, [self = *this, completion = std::move(completion)](Result<ReferAFriendResponseModel> result) mutable {
            self.handleReferralAnswer(std::move(result), completion);
        });
}

void ReferAFriendModel::handleReferralAnswer(Result<ReferAFriendResponseModel> result, const LinkCompletion& completion) {
    if (!result) {
        const Error& error = result.error();
        eventTracker.track(AnalyticsEvent::app_fail_refer_a_friend_invite,
                       Dictionary{{"reason", error.localizedDescription()}, {"code", static_cast<std::int64_t>(error.code)}});
        if (completion) completion(fail(error));
        return;
    }
    preservedPreferences.setReferralLink(result->url);
    if (completion) completion(result->url);
}

void ReferAFriendModel::trackShareClick() {
    eventTracker.track(AnalyticsEvent::app_click_refer_a_friend,
                       Dictionary{{"selected_interface_screen", "Refer a friend"}, {"selected_interface", "Share button"}, {"initiated_by", "User"}});
}

std::string ReferAFriendModel::textToCopy(const std::optional<std::string>& referralLink) {
    return referralLink ? *referralLink : WebHosts::webSite() + "/";
}

std::string ReferAFriendModel::inviteSubject() { return localized("refer.mail.subject"); }

std::string ReferAFriendModel::inviteBody(const std::optional<std::string>& referralLink) {
    return localized("refer.mail.body") + " " + (referralLink ? *referralLink : WebHosts::webSite());
}

std::optional<std::string> ReferAFriendModel::shareMessage(const std::optional<std::string>& referralLink) {
    if (!referralLink || referralLink->empty()) return std::nullopt;
    std::string format = localized("refer.a.friend.sharing.message %@");
    if (auto at = format.find("%@"); at != std::string::npos) format.replace(at, 2, *referralLink);
    return format;
}

void from_json(const nlohmann::json& j, ReferAFriendModel::ReferAFriendResponseModel& v) { v.url = coding::requiredString(j, "url"); }
void to_json(nlohmann::json& j, const ReferAFriendModel::ReferAFriendResponseModel& v) { j = nlohmann::json{{"url", v.url}}; }

}  // namespace morvex
