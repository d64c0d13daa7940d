#pragma once
// The account screens' scenes: the profile, refer-a-friend and devices pages of the main window
// (storyboard "Main") and the account switcher sheet (storyboard "SwitchAccount").

namespace morvex {

void registerAccountStoryboards();

}  // namespace morvex
