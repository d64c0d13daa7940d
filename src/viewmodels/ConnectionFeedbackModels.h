#pragma once
// When and how the dashboard asks for feedback on a connection: once per connection (the id of
// the rated connection is kept and compared with the current one), first whether the connection
// did what the user needed ("DO"), and once it has, how good it is ("rating"). A thumbs-up may be
// followed by a request to rate the application or to refer a friend.
//
// Threads: main thread only.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "foundation/Value.h"
#include "model/ZevuTypes.h"
#include "state/AppPreferences.h"
#include "state/EventTracker.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"

namespace morvex {

enum class FeedbackRating : std::uint8_t { good = 0, bad = 1, remindMeLater = 2 };
std::string_view rawValue(FeedbackRating rating);

// What follows a thumbs-up.
enum class FeedbackFollowUp : std::uint8_t { rateOnStore = 0, referAFriend = 1, none = 2 };

// True when exactly one of the current and the last rated connection ids is stored, or both are
// and differ.
bool feedbackDue(const AppPreferences& preferences);

class FeedbackContainerModel {
public:
    explicit FeedbackContainerModel(AppPreferences appPreference = AppPreferences(),
                                    PreservedPreferences preservedPreference = PreservedPreferences())
        : appPreference(std::move(appPreference)), preservedPreference(std::move(preservedPreference)) {}
    bool shouldAskFeedback() const { return feedbackDue(appPreference); }

    AppPreferences appPreference;
    PreservedPreferences preservedPreference;
};

class DashboardFeedbackModel {
public:
    struct Collaborators {
        std::function<ZevuTypes::ConnectionInfo()> connectionInfo;  // the current connection's facts
        AppPreferences appPreference;
        PreservedPreferences preservedPreference;
        EventTracker eventTracker;
        User user;
    };
    static Collaborators defaults();

    explicit DashboardFeedbackModel(Collaborators c = defaults());

    // Whether the prompt asks for a rating (the user already said a connection did what they
    // needed), and the thank-you text.
    std::pair<bool, std::string> isRatingPrompt() const;
    bool shouldAskFeedback() const { return feedbackDue(c_.appPreference); }

    // "app_view_session_prompt".
    void trackPromptShown(bool isRating);
    // "app_rate_session" with the connection's server and protocols.
    void trackRating(FeedbackRating rating, bool isRating);
    // Likes or dislikes the last connection's server.
    void recordLike(bool liked);
    // Marks the connection as rated and the outcome as achieved, and answers what to ask next: a
    // user signed up five weeks ago or longer is asked to rate the application, then (once rated)
    // to refer a friend.
    FeedbackFollowUp recordGoodRating();
    // Marks the current connection as rated.
    void markConnectionRated();

    PreservedPreferences& preservedPreference() { return c_.preservedPreference; }

private:
    Dictionary promptProperties(bool isRating) const;
    Collaborators c_;
};

}  // namespace morvex
