#pragma once
// Registers the app settings page, the languages panel and the about page under the storyboard
// names and identifiers by which the preferences' pages container loads them.

namespace morvex {

void registerAppSettingsStoryboards();

}  // namespace morvex
