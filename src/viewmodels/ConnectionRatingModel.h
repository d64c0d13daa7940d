#pragma once
// What the connection rating form sends: a support ticket naming the reason the user disliked the
// connection (with the comment, when there is one) and the analytics of the answer.
//
// Threads: main thread only; the ticket's completion runs on the main thread.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "api/Networking.h"
#include "foundation/Value.h"
#include "model/ZevuTypes.h"
#include "state/EventTracker.h"

namespace morvex {

class ConnectionRatingModel {
public:
    // The service's answer to the ticket; only success or failure matters to the form.
    struct SubmitTicketAPIResponseModel {
        static constexpr bool emptyObjectRepresentable = true;
        std::int64_t ticketId = 0;
    };

    struct Collaborators {
        // The facts of the connection being rated (the engine's current connection).
        std::function<ZevuTypes::ConnectionInfo()> connectionInfo;
        EventTracker eventTracker;
        Networking* networking = nullptr;  // not owned
        // The account identifier the ticket carries as "uuid": by default the signed-in account's
        // stored uuid.
        std::function<std::string()> customerId;
    };
    static Collaborators defaults();

    explicit ConnectionRatingModel(Collaborators c = defaults());

    // "[<reason>]", then one blank and the comment when there is one.
    static std::string ticketMessage(std::string_view reasonTitle, std::string_view comment);

    void submitTicket(std::string_view reasonTitle, std::string_view comment,
                      std::function<void(Result<SubmitTicketAPIResponseModel>)> completion);
    // "app_feedback_session"; `submitted` is false for a cancel.
    void trackFeedback(std::string_view reasonTitle, std::string_view comment, bool submitted);
    // "app_fail_feedback_session".
    void trackFeedbackFailure(std::string_view reasonTitle, std::string_view comment);

private:
    Dictionary properties(std::string_view reasonTitle, std::string_view comment, bool submitted) const;
    Collaborators c_;
};

// "ticket_id" (an integer) is required.
void from_json(const nlohmann::json& j, ConnectionRatingModel::SubmitTicketAPIResponseModel& m);

}  // namespace morvex
