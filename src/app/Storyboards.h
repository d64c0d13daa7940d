#pragma once
// The application's storyboards and nibs, registered once at start before any screen is made.
// Scenes whose screens are not built yet show an empty page.
#include <string_view>

namespace morvex {

inline constexpr std::string_view kMainStoryboard = "Main";

void registerStoryboards();

}  // namespace morvex
