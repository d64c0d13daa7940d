#include "app/Storyboards.h"

#include "app/AppMainViewController.h"
#include "app/EmptyPageViewController.h"
#include "app/MainViewController.h"
#include "app/MainWindowController.h"
#include "app/SplashViewController.h"
#include "appkit/Storyboard.h"
#include "ui/dashboard/DashboardViewController.h"

namespace morvex {

void registerStoryboards() {
    appkit::Storyboard::define(kMainStoryboard)
        .scene("MainWindowController", [] { return new MainWindowController; }, "SplashViewController")
        .scene("SplashViewController", [] { return new SplashViewController; })
        .scene("MainViewController", [] { return new MainViewController; })
        .scene(std::string(DashboardViewController::kStoryboardID), [] { return new DashboardViewController; })
        .scene("AppMainViewController", [] { return new AppMainViewController; })
        .scene(std::string(SplashViewController::kLoginStoryboardID), [] { return new EmptyPageViewController; })
        .initial("MainWindowController");
}

}  // namespace morvex
