#pragma once
// The ticket behind every support form: the text being written and its length limit, the request
// built from the stored account and the running system, the number the service gives the ticket
// (kept under "UserPreferences.supportTicketNo") and the link to the user's tickets page in the
// member area.
//
// A value: each form owns a copy, and a send works on a copy of its own, so editing the form while
// a ticket is under way changes nothing of what is sent.
//
// Threads: main thread. The send's completion runs on the main thread.
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "foundation/Error.h"
#include "state/User.h"

namespace morvex {

class Networking;

struct SupportTicketModel {
    // The ticket endpoint's answer; only "tid" (the ticket number) is used.
    struct SupportAPIResponseModel {
        static constexpr bool emptyObjectRepresentable = true;
        std::optional<std::string> result;
        std::optional<std::int64_t> id;
        std::optional<std::string> tid;
        std::optional<std::string> c;
    };
    using Answer = std::function<void(Result<SupportAPIResponseModel>)>;
    // POSTs the parameters to the ticket endpoint; the answer comes on the main thread.
    using Send = std::function<void(const nlohmann::json& parameters, Answer answer)>;

    static constexpr std::string_view kSubject = "Support ticket from MorvexVPN Mac.";
    static constexpr int kLimit = 1500;

    std::string buttonTitle = "Member area";
    std::string message;
    User user;
    int limit = kLimit;
    Send networkingManager = sharedNetworking();

    // The ten parameters of a ticket with the current message, read from the stores now.
    nlohmann::json ticketParameters() const;
    // Sends the ticket; `completion(true)` once the service accepted it (its number is stored
    // then), `completion(false)` on any failure (nothing is stored).
    void submitTicket(std::function<void(bool accepted)> completion) const;
    // The user's tickets page of the member area with the account's identity.
    std::optional<std::string> memberAreaURL() const;

    // The request through the shared API client, or through the one given (which must outlive
    // the model's sends).
    static Send sharedNetworking();
    static Send through(Networking& networking);
    // The running system's version as major.minor.patch.
    static std::string operatingSystemVersion();

    // Lengths as the user sees them: a letter with its combining marks, or one emoji sequence,
    // counts once.
    static int perceivedLength(const QString& text);
    // The first `count` user-perceived characters of the text.
    static QString perceivedPrefix(const QString& text, int count);
};

void from_json(const nlohmann::json& j, SupportTicketModel::SupportAPIResponseModel& m);

}  // namespace morvex
