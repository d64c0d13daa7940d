#pragma once
// The scenes one feature opens of another, by identifier (each feature's own scenes keep their
// identifiers beside their classes). The storyboard test checks that each is registered once.
#include <string_view>

namespace morvex::scenes {

// Support's troubleshooting page, page 1 of the dashboard's state pages (takes TroubleshootInput).
inline constexpr std::string_view kTroubleshoot = "TroubleshootViewController";
// Support's in-session feedback button and prompt, laid over the dashboard's left column.
inline constexpr std::string_view kFeedbackContainer = "FeedbackContainerController";

}  // namespace morvex::scenes
