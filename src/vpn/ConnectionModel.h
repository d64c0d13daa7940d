#pragma once
// The small engine-side records that other screens hold: the dashboard's post-connection feedback
// prompt, the automatic-redial countdown's model and the connection details' port-forwarding model.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "state/EventTracker.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"
#include "vpn/Zevu.h"

namespace morvex {

struct ConnectionModel {
    // The prompt under the dashboard after a connection: first whether the user achieved what they
    // wanted ("DO"), then, once they said so, a rating.
    struct Feedback {
        enum class FeedbackType { DO, Rating };

        FeedbackType type = FeedbackType::DO;
        // What the prompt area shows when no question is due.
        std::string greetings;

        // "DO" and "rating"; building from text takes exactly these (case counts).
        static std::string_view rawValue(FeedbackType type);
        static std::optional<FeedbackType> feedbackTypeFromRaw(std::string_view raw);
        // The prompt's localized text.
        static std::string text(FeedbackType type);

        // The prompt due for the signed-in user: Rating once "desiredOutcomeAchieved" is set, else
        // DO; the localized greeting.
        static Feedback make(const PreservedPreferences& preferences);
    };
};

// The redial countdown's model: when the countdown runs out, the view (after closing its sheet)
// reconnects through it.
class AutoDialModel {
public:
    explicit AutoDialModel(Zevu zevu);
    Zevu zevu;

    // Records a new attempt ("AppPreference.onGoingConnectionId" = now, as decimal text), turns the
    // SDK's internet check off and asks it to dial the last connection again.
    void reconnect();
};

// What the connection details' port-forwarding area holds.
struct PortForwardingModel {
    PortForwardingModel();
    PortForwardingModel(User user, EventTracker eventTracker);

    User user;
    EventTracker eventTracker;
    std::optional<std::string> status;
    std::int64_t requestCount = 1;
};

}  // namespace morvex
