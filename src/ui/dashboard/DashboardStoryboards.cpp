#include "ui/dashboard/DashboardStoryboards.h"

#include <string>

#include "appkit/Storyboard.h"
#include "ui/dashboard/ConnectButtonController.h"
#include "ui/dashboard/DashboardViewController.h"
#include "ui/kit/PreferencesSegue.h"
#include "ui/shell/MainStoryboard.h"

namespace morvex {

void registerDashboardStoryboards() {
    appkit::Storyboard& main = appkit::Storyboard::define(kMainStoryboard);
    main.scene(std::string(DashboardViewController::kStoryboardID), [] { return new DashboardViewController; })
        .scene(std::string(ConnectButtonController::kStoryboardID), [] { return new ConnectButtonController; })
        .segue(std::string(ConnectButtonController::kStoryboardID), std::string(kSeguePreferences), std::string(kPreferencesWindowScene),
               appkit::SegueKind::Show);
}

}  // namespace morvex
