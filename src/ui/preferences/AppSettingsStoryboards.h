#pragma once
// Registers the app settings page, the languages panel and the about page under the storyboard
// names and identifiers by which the preferences' pages container loads them, and the language
// list sheet ("Languages"/"LanguagesController") that the general page presents.

namespace morvex {

void registerAppSettingsStoryboards();

}  // namespace morvex
