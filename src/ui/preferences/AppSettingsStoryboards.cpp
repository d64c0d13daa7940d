#include "ui/preferences/AppSettingsStoryboards.h"

#include <string>

#include "appkit/Storyboard.h"
#include "ui/preferences/AboutViewController.h"
#include "ui/preferences/AppSettingsViewController.h"
#include "ui/preferences/LanguagesController.h"
#include "ui/preferences/LanguagesViewController.h"

namespace morvex {

void registerAppSettingsStoryboards() {
    appkit::Storyboard::define(AppSettingsViewController::kStoryboardName)
        .scene(std::string(AppSettingsViewController::kStoryboardID), [] { return new AppSettingsViewController; });
    appkit::Storyboard::define(LanguagesViewController::kStoryboardName)
        .scene(std::string(LanguagesViewController::kStoryboardID), [] { return new LanguagesViewController; })
        .scene(std::string(LanguagesController::kStoryboardID), [] { return new LanguagesController; });
    appkit::Storyboard::define(AboutViewController::kStoryboardName)
        .scene(std::string(AboutViewController::kStoryboardID), [] { return new AboutViewController; });
}

}  // namespace morvex
