#pragma once
// The way every screen sends the user to the preferences window: a segue named
// "seguePreferences" from the screen's scene to the window controller scene
// kPreferencesWindowScene, whose content is a tab view controller of the preferences' pages.
// A screen that wants a given page opens the window on it from its prepareForSegue.
#include <string_view>

namespace morvex {

namespace appkit {
class StoryboardSegue;
}

inline constexpr std::string_view kSeguePreferences = "seguePreferences";
inline constexpr std::string_view kPreferencesWindowScene = "PreferencesWindowController";
// The protocol page of the preferences window.
inline constexpr int kPreferencesProtocolTab = 1;

// When `segue` is the preferences segue and leads to a window controller whose content is a tab
// view controller, selects page `tab` before the window shows. True when it did.
bool selectPreferencesTab(appkit::StoryboardSegue& segue, int tab);

}  // namespace morvex
