#include "ui/preferences/VPNSettingsStoryboards.h"

#include <string>

#include "appkit/Storyboard.h"
#include "ui/preferences/AdvancedPreferencesController.h"
#include "ui/preferences/GeneralViewController.h"
#include "ui/preferences/SettingsLocationViewController.h"
#include "ui/preferences/VPNSettingsViewController.h"

namespace morvex {

void registerVPNSettingsStoryboards() {
    using appkit::Storyboard;
    Storyboard::define(VPNSettingsViewController::kStoryboardName)
        .scene(std::string(VPNSettingsViewController::kStoryboardID), [] { return new VPNSettingsViewController; })
        .scene(std::string(SettingsLocationViewController::kPanelStoryboardID),
               [] { return new SettingsLocationViewController; });
    Storyboard::define(SettingsLocationViewController::kStoryboardName)
        .scene(std::string(SettingsLocationViewController::kStoryboardID),
               [] { return new SettingsLocationViewController; });
    Storyboard::define(GeneralViewController::kStoryboardName)
        .scene(std::string(GeneralViewController::kStoryboardID), [] { return new GeneralViewController; });
    Storyboard::define(AdvancedPreferencesController::kStoryboardName)
        .scene(std::string(AdvancedPreferencesController::kStoryboardID), [] { return new AdvancedPreferencesController; });
}

}  // namespace morvex
