#pragma once
// What the sign-out needs of the desktop, installed once at start: closing the preferences windows
// and removing the application's shown notifications.
#include <string_view>

namespace morvex {

// The storyboard whose window controllers are the preferences windows.
inline constexpr std::string_view kPreferencesStoryboard = "Preferences";

void installSessionDesktop();

}  // namespace morvex
