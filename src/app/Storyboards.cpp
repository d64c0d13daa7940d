#include "app/Storyboards.h"

#include "app/AppMainViewController.h"
#include "app/EmptyPageViewController.h"
#include "app/InitialViewController.h"
#include "app/MainViewController.h"
#include "app/MainWindowController.h"
#include "app/SplashViewController.h"
#include "app/UpdateViewController.h"
#include "appkit/Storyboard.h"
#include "ui/account/AccountStoryboards.h"
#include "ui/dashboard/DashboardViewController.h"
#include "ui/locations/CountriesStoryboards.h"
#include "ui/locations/ExploreTabViewController.h"
#include "ui/login/LoginViewController.h"
#include "ui/preferences/AppSettingsStoryboards.h"
#include "ui/preferences/PreferencesStoryboards.h"
#include "ui/support/ConnectionFeedback.h"
#include "ui/support/TroubleshootViewController.h"
#include "ui/preferences/VPNSettingsStoryboards.h"
#include "ui/support/SupportStoryboards.h"

namespace morvex {

void registerStoryboards() {
    appkit::Storyboard& main = appkit::Storyboard::define(kMainStoryboard);
    main.scene("MainWindowController", [] { return new MainWindowController; },
               std::string(InitialViewController::kStoryboardID))
        .scene(std::string(InitialViewController::kStoryboardID), [] { return new InitialViewController; })
        .scene("SplashViewController", [] { return new SplashViewController; })
        .scene("MainViewController", [] { return new MainViewController; })
        .scene(std::string(DashboardViewController::kStoryboardID), [] { return new DashboardViewController; })
        .initial("MainWindowController");

    // The root's pages, one registration each.

    // Sign-in page.
    main.scene(std::string(InitialViewController::kSignInPageID), [] { return new LoginViewController; });

    // Main content.
    main.scene(std::string(InitialViewController::kMainContentPageID), [] { return new AppMainViewController; });

    // Update page.
    main.scene(std::string(InitialViewController::kUpdatePageID), [] { return new UpdateViewController; });

    registerAccountStoryboards();
    registerCountriesStoryboards();
    registerLocationStoryboards();
    registerPreferencesStoryboards();
    registerVPNSettingsStoryboards();

    // App settings, languages and about pages of the preferences.
    registerAppSettingsStoryboards();
    registerTroubleshootStoryboards(main);
    registerFeedbackStoryboards(main);
    registerSupportStoryboards();
}

}  // namespace morvex
