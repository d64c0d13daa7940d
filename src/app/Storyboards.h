#pragma once
// The application's storyboards and nibs, registered once at start before any screen is made:
// the application's own scenes, then each feature's registration in turn. Scenes whose screens
// are not built yet show an empty page.
#include "ui/shell/MainStoryboard.h"

namespace morvex {

void registerStoryboards();

}  // namespace morvex
