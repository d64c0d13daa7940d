#pragma once
// The reasons the connection rating form offers for a bad connection. They are data: the list
// ships as the resource "DislikeReasons.json" and is copied on first use into the application's
// support folder, where it can be replaced without a new build; a list there always wins and is
// never refreshed from the resource.
//
// Threads: any; each call reads the files anew.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "foundation/Bundle.h"

namespace morvex {

class DislikeReasoner {
public:
    struct Reason {
        // What the form does once a ticket for the reason is filed.
        enum class Action { Default, SwitchServer, ShowAppErrors, SwitchWireGuard, Skip, LiveChat, SubscriptionStatus };

        std::string title;        // the choice's title; also the reason the ticket and analytics get
        std::string subtitle;
        std::string placeholder;  // of the comment field while the reason is chosen
        bool isReasonRequired = false;  // the comment must not be empty
        Action action = Action::Default;
        std::string slug;

        friend bool operator==(const Reason&, const Reason&) = default;
    };

    static constexpr std::string_view fileName = "DislikeReasons.json";

    // The list, or nothing when it cannot be had: no resource to copy, a failed copy, an
    // unreadable file, text that is not a list of reasons (one bad entry spoils the whole list).
    static std::optional<std::vector<Reason>> loadReasons(const Bundle& bundle = Bundle::main());
    // The same with the support folder given.
    static std::optional<std::vector<Reason>> loadReasons(const Bundle& bundle, const std::filesystem::path& supportFolder);
};

std::string_view rawValue(DislikeReasoner::Reason::Action action);
// Unknown text gives nothing.
std::optional<DislikeReasoner::Reason::Action> dislikeActionFromRaw(std::string_view raw);

// Required: "title", "subtitle", "placeholder" (texts), "isReasonRequired" (a boolean). "action"
// absent, not text or unknown gives Default; "slug" absent gives "". Other keys are ignored.
void from_json(const nlohmann::json& j, DislikeReasoner::Reason& reason);
// All six keys, in the order above.
void to_json(nlohmann::ordered_json& j, const DislikeReasoner::Reason& reason);

}  // namespace morvex
