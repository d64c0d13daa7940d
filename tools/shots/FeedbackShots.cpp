// The dashboard of an established connection with the in-session feedback prompt: the question,
// and the thank-you after a thumbs-up.
#include "Shots.h"

#include "app/AppMainViewController.h"
#include "viewmodels/MainTab.h"
#include "app/StatusMenu.h"
#include "appkit/Window.h"
#include "foundation/NotificationCenter.h"
#include "state/AppPreferences.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"
#include "ui/dashboard/ConnectionComponentsController.h"
#include "ui/dashboard/DashboardViewController.h"
#include "ui/support/ConnectionFeedback.h"

namespace morvex::shots {
namespace {

QImage render(const std::function<void(FeedbackContainerController&)>& arrange) {
    static int attempt = 0;
    User().setVpnUsername("morvex0s1234567");
    PreservedPreferences().setDesiredOutcomeAchieved(false);
    AppPreferences preferences;
    const std::string id = "feedback-shot-" + std::to_string(++attempt);
    preferences.setOnGoingConnectionId(id);

    appkit::Window window(QSize(760, 500));
    auto* dashboard = showDashboardIn(window);
    auto* feedback = dashboard ? qobject_cast<FeedbackContainerController*>(dashboard->feedbackContainer()) : nullptr;
    if (!feedback) return {};
    ZevuTypes::ConnectionInfo info;
    info.state = ZevuConnectionState::Connected;
    info.connectionId = id;
    info.selectedProtocol = "IKEV";
    NotificationCenter::defaultCenter().post(ZevuTypes::stateNotification, info);
    settle();  // the prompt's spring and wobble end
    arrange(*feedback);
    return renderWindow(window);
}

QImage question(Context&) { return render([](FeedbackContainerController&) {}); }

QImage thanks(Context&) {
    return render([](FeedbackContainerController& container) {
        if (auto* prompt = qobject_cast<DashboardFeedbackController*>(container.showingController())) {
            prompt->followUp = [](FeedbackFollowUp) {};
            prompt->thumbsUpButtonClicked();
        }
        settle();
    });
}

const Registration shots({
    {"feedback", "question", question},
    {"feedback", "thanks", thanks},
});

}  // namespace
}  // namespace morvex::shots
