#pragma once

namespace morvex {

// The support page's scene of the main storyboard and the storyboard of its screens ("Support1").
void registerSupportStoryboards();

}  // namespace morvex
