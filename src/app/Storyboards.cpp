#include "app/Storyboards.h"

#include <string>

#include "app/AppMainViewController.h"
#include "app/InitialViewController.h"
#include "app/MainViewController.h"
#include "app/MainWindowController.h"
#include "app/TabsViewController.h"
#include "app/UpdateViewController.h"
#include "appkit/Storyboard.h"
#include "ui/account/AccountStoryboards.h"
#include "ui/dashboard/DashboardStoryboards.h"
#include "ui/kit/KitStoryboards.h"
#include "ui/kit/PreferencesSegue.h"
#include "ui/locations/CountriesStoryboards.h"
#include "ui/locations/ExploreTabViewController.h"
#include "ui/login/LoginViewController.h"
#include "ui/notifications/NotificationsStoryboards.h"
#include "ui/preferences/AppSettingsStoryboards.h"
#include "ui/preferences/PreferencesStoryboards.h"
#include "ui/preferences/VPNSettingsStoryboards.h"
#include "ui/support/ConnectionFeedback.h"
#include "ui/support/SupportStoryboards.h"
#include "ui/support/TroubleshootViewController.h"

namespace morvex {

void registerStoryboards() {
    appkit::Storyboard& main = appkit::Storyboard::define(kMainStoryboard);
    main.scene("MainWindowController", [] { return new MainWindowController; },
               std::string(InitialViewController::kStoryboardID))
        .scene(std::string(InitialViewController::kStoryboardID), [] { return new InitialViewController; })
        .scene("MainViewController", [] { return new MainViewController; })
        .initial("MainWindowController");

    // The root's pages, one registration each.

    // Sign-in page.
    main.scene(std::string(InitialViewController::kSignInPageID), [] { return new LoginViewController; });

    // Main content.
    main.scene(std::string(InitialViewController::kMainContentPageID), [] { return new AppMainViewController; });

    // Update page.
    main.scene(std::string(InitialViewController::kUpdatePageID), [] { return new UpdateViewController; });

    // The tab bar opens the preferences window.
    const std::string tabBar(AppMainViewController::kTabBarScene);
    main.scene(tabBar, [] { return new TabsViewController; })
        .segue(tabBar, std::string(TabsViewController::kPreferencesSegue),
               std::string(kPreferencesWindowScene), appkit::SegueKind::Show);

    // Each feature registers its own scenes and segues; nothing registers itself from a static
    // initialiser, which the linker drops from a static library.
    registerKitStoryboards();
    registerDashboardStoryboards();
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
    registerNotificationsStoryboards();
}

}  // namespace morvex
