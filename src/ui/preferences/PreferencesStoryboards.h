#pragma once
// The preferences window's scenes, the main window's preferences page and the protocol sheet,
// registered with the application's other storyboards at start.
namespace morvex {

void registerPreferencesStoryboards();

}  // namespace morvex
