#pragma once
// The dashboard's scenes: the page itself and its connect button, which opens the preferences
// window through "seguePreferences".

namespace morvex {

void registerDashboardStoryboards();

}  // namespace morvex
