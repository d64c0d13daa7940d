#include "ui/account/AccountStoryboards.h"

#include "ui/shell/MainStoryboard.h"
#include "appkit/Storyboard.h"
#include "ui/account/ProfileViewController.h"
#include "ui/account/ReferFriendViewController.h"
#include "ui/account/SetupDevicesController.h"
#include "ui/account/SwitchAccountViewController.h"

namespace morvex {

void registerAccountStoryboards() {
    appkit::Storyboard::define(kMainStoryboard)
        .scene(std::string(ProfileViewController::kStoryboardID), [] { return new ProfileViewController; })
        .scene(std::string(ReferFriendViewController::kStoryboardID), [] { return new ReferFriendViewController; })
        .scene(std::string(SetupDevicesController::kStoryboardID), [] { return new SetupDevicesController; });
    appkit::Storyboard::define(SwitchAccountViewController::kStoryboard)
        .scene(std::string(SwitchAccountViewController::kStoryboardID), [] { return new SwitchAccountViewController; });
}

}  // namespace morvex
