#include "ui/preferences/PreferencesStoryboards.h"

#include <string>

#include "appkit/Storyboard.h"
#include "ui/shell/MainStoryboard.h"
#include "ui/kit/PreferencesSegue.h"
#include "ui/preferences/Preferences1ViewController.h"
#include "ui/preferences/PreferencesViewController.h"
#include "ui/preferences/PreferencesWindowController.h"
#include "ui/kit/ProtocolsAlertViewController.h"
#include "ui/preferences/ProtocolsViewController.h"

namespace morvex {

void registerPreferencesStoryboards() {
    using appkit::SegueKind;
    const std::string window(kPreferencesWindowScene);
    appkit::Storyboard& main = appkit::Storyboard::define(kMainStoryboard);
    main.scene(window, [] { return new PreferencesWindowController; }, "PreferencesViewController")
        .scene("PreferencesViewController", [] { return new PreferencesViewController; });
    // The main window's preferences page.
    main.scene("PreferencesPageViewController", [] { return new Preferences1ViewController; });

    // The protocol page's sheet is the kit's scene of the same storyboard.
    appkit::Storyboard::define(ProtocolsAlertViewController::kStoryboard)
        .scene(std::string(ProtocolsViewController::kStoryboardID), [] { return new ProtocolsViewController; })
        .segue(std::string(ProtocolsViewController::kStoryboardID), std::string(ProtocolsViewController::systemExtensionSegue),
               std::string(ProtocolsAlertViewController::kStoryboardID), SegueKind::Sheet);
}

}  // namespace morvex
