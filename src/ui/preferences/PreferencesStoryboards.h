#pragma once
// The preferences' scenes and the segues that lead to the preferences window, registered with the
// application's other storyboards at start.
namespace morvex {

void registerPreferencesStoryboards();

}  // namespace morvex
