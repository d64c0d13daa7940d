#pragma once
// The refer-a-friend page's model: asks the service for the user's personal referral link, keeps
// the last link per user, reports the share click and a failed request to analytics, and knows
// what each way of passing the link on sends (the copied text, the e-mail, the shared message).
//
// Threads: main thread; the request layer answers on the main queue.
#include <functional>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "api/Networking.h"
#include "state/EventTracker.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"
#include "vpn/Zevu.h"

namespace morvex {

class ReferAFriendModel {
public:
    // The referral answer's body: {"url": link}.
    struct ReferAFriendResponseModel {
        static constexpr bool emptyObjectRepresentable = true;
        std::string url;
        friend bool operator==(const ReferAFriendResponseModel&, const ReferAFriendResponseModel&) = default;
    };
    using LinkCompletion = std::function<void(Result<std::string>)>;

    ReferAFriendModel(User user, Networking& networkingManager, EventTracker eventTracker,
                      PreservedPreferences preservedPreferences, Zevu zevu);
    // With the default collaborators.
    ReferAFriendModel();

    User user;
    Networking& networkingManager;
    EventTracker eventTracker;
    int invitesAvailable = -1;
    PreservedPreferences preservedPreferences;
    Zevu zevu;

    // Asks for the link ("/refer-a-friend/<client id>"); the completion gets the link or the error.
    void fetchReferralLink(LinkCompletion completion);
    // A link is stored per user before it is handed on; a failure is reported with its text and
    // code and handed on.
    void handleReferralAnswer(Result<ReferAFriendResponseModel> result, const LinkCompletion& completion);
    // "app_click_refer_a_friend" from the share button.
    void trackShareClick();

    // What copying puts on the clipboard: the link, or the web site's root while none has arrived.
    static std::string textToCopy(const std::optional<std::string>& referralLink);
    static std::string inviteSubject();
    // The invitation ending in the link, or in the web site's address while none has arrived.
    static std::string inviteBody(const std::optional<std::string>& referralLink);
    // The shared message with the link; none while the link is missing or empty.
    static std::optional<std::string> shareMessage(const std::optional<std::string>& referralLink);
};

void from_json(const nlohmann::json& j, ReferAFriendModel::ReferAFriendResponseModel& v);
void to_json(nlohmann::json& j, const ReferAFriendModel::ReferAFriendResponseModel& v);

}  // namespace morvex
