#pragma once
// The name of the main window's storyboard, which every feature registers its main-window scenes
// with and looks them up in.
#include <string_view>

namespace morvex {

inline constexpr std::string_view kMainStoryboard = "Main";

}  // namespace morvex
