#include "viewmodels/ConnectionRatingModel.h"

#include "model/JsonCoding.h"
#include "flows/MorvexVPNService.h"
#include "state/User.h"

namespace morvex {

void from_json(const nlohmann::json& j, ConnectionRatingModel::SubmitTicketAPIResponseModel& m) {
    m.ticketId = coding::requiredInteger(j, "ticket_id");
}

ConnectionRatingModel::Collaborators ConnectionRatingModel::defaults() {
    return {[] { return MorvexVPNService::makeZevu().currentConnectionInfo(); }, MorvexVPNService::makeEventTracker(),
            &Networking::shared(), [] { return User().uuid(); }};
}

ConnectionRatingModel::ConnectionRatingModel(Collaborators c) : c_(std::move(c)) {}

std::string ConnectionRatingModel::ticketMessage(std::string_view reasonTitle, std::string_view comment) {
    std::string message = "[" + std::string(reasonTitle) + "]";
    if (!comment.empty()) message += " " + std::string(comment);
    return message;
}

void ConnectionRatingModel::submitTicket(std::string_view reasonTitle, std::string_view comment,
                                         std::function<void(Result<SubmitTicketAPIResponseModel>)> completion) {
    const Networking::Parameters parameters{{"message", ticketMessage(reasonTitle, comment)},
                                            {"uuid", c_.customerId ? c_.customerId() : std::string()}};
    if (!c_.networking) {
        if (completion) completion(fail(Error(std::string(kMorvexVPNErrorDomain), -1, "No service client")));
        return;
    }
    c_.networking->postConnectionRatingTicket<SubmitTicketAPIResponseModel>(parameters, std::move(completion));
}

Dictionary ConnectionRatingModel::properties(std::string_view reasonTitle, std::string_view comment, bool submitted) const {
    const ZevuTypes::ConnectionInfo info = c_.connectionInfo ? c_.connectionInfo() : ZevuTypes::ConnectionInfo{};
    return Dictionary{{"server_ip", info.connectedIp.value_or("")},
                      {"server_dns", info.connectionDns.value_or("")},
                      {"selected_protocol_name", info.selectedProtocol},
                      {"dialed_protocol_name", info.dialedProtocol.value_or("")},
                      {"type", "rating"},
                      {"prompt-type", "in-session"},
                      {"reason", std::string(reasonTitle)},
                      {"comment", std::string(comment)},
                      {"submit", submitted}};
}

void ConnectionRatingModel::trackFeedback(std::string_view reasonTitle, std::string_view comment, bool submitted) {
    c_.eventTracker.track(AnalyticsEvent::app_feedback_session, properties(reasonTitle, comment, submitted));
}

void ConnectionRatingModel::trackFeedbackFailure(std::string_view reasonTitle, std::string_view comment) {
    c_.eventTracker.track(AnalyticsEvent::app_fail_feedback_session, properties(reasonTitle, comment, false));
}

}  // namespace morvex
