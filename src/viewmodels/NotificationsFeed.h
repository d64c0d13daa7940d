#pragma once
// The in-app notifications from the service into the local store: GET "/notification/list/v3"
// for the signed-in user, whose gateway body holds "notifications", a list of records:
//
//   "id" (text, required; a record without one is left out), "title", "message", "category",
//   "type" ("persistant" for one that cannot be closed), "icon", "created_at" (ISO 8601 text),
//   "app_version_from" / "app_version_to" (numbers, 0 or absent: no bound),
//   "cta_primary_title" / "cta_primary_action" / "cta_primary_value" and the same three with
//   "cta_secondary_" (texts; the actions the list knows are "url", "app", "screen",
//   "member_area" and "quick_connect").
//
// The answer is the user's whole list: a notice already stored (same id and user) takes the new
// texts and keeps what the user did with it (seen, closed, clicked); a stored notice the answer no
// longer holds is deleted. A failed answer changes nothing and is not asked again until the next
// occasion (a sign-in, an account switch, the page appearing): never a retry loop.
//
// Threads: main thread (the API client answers there).
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "api/Networking.h"
#include "foundation/NotificationCenter.h"
#include "state/CoreDataService.h"

namespace morvex {

// Posted (no object) after a list from the service was stored.
inline constexpr std::string_view NotificationsDidUpdateNotification = "NotificationsDidUpdate";

class NotificationsFeed {
public:
    struct Record {
        std::string id, title, message, category, type, icon;
        std::optional<double> createdAt;  // seconds since 1970
        double appVersionFrom = 0, appVersionTo = 0;
        std::string ctaPrimaryTitle, ctaPrimaryAction, ctaPrimaryValue;
        std::string ctaSecondaryTitle, ctaSecondaryAction, ctaSecondaryValue;
    };
    struct Answer {
        std::vector<Record> notifications;
        static constexpr bool emptyObjectRepresentable = true;
    };

    // Over the shared API client and store by default.
    explicit NotificationsFeed(NetworkingProtocol* networking = &Networking::shared(), ManagedObjectContext* context = nullptr,
                               NotificationCenter* centre = nullptr);
    ~NotificationsFeed();

    // Asks the service for the signed-in user's list and stores it; then the unread count is
    // counted again (the tab bar's badge follows). Nothing is asked without a signed-in VPN user
    // or while an earlier request is still unanswered. `done` (optional) runs once answered, with
    // whether the store took a list.
    void refresh(std::function<void(bool stored)> done = {});
    bool isFetching() const;

    // Stores `records` as `username`'s whole list (see above); false when the store cannot be read
    // or written.
    static bool merge(ManagedObjectContext& context, const std::string& username, const std::vector<Record>& records);

private:
    struct State;
    std::shared_ptr<State> state_;
};

// Records that are not objects or lack an "id" text are left out; a missing "notifications" list
// fails the answer.
void from_json(const nlohmann::json& j, NotificationsFeed::Answer& v);

}  // namespace morvex
