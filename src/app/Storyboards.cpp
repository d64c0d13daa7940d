#include "app/Storyboards.h"

#include "app/MainViewController.h"
#include "app/MainWindowController.h"
#include "app/SplashViewController.h"
#include "appkit/Storyboard.h"
#include "ui/login/LoginViewController.h"

namespace morvex {

void registerStoryboards() {
    appkit::Storyboard::define(kMainStoryboard)
        .scene("MainWindowController", [] { return new MainWindowController; }, "SplashViewController")
        .scene("SplashViewController", [] { return new SplashViewController; })
        .scene("MainViewController", [] { return new MainViewController; })
        .scene(std::string(SplashViewController::kLoginStoryboardID), [] { return new LoginViewController; })
        .initial("MainWindowController");
}

}  // namespace morvex
