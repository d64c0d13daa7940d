#include "ui/preferences/PreferencesStoryboards.h"

#include <string>

#include "app/Storyboards.h"
#include "app/TabsViewController.h"
#include "appkit/Storyboard.h"
#include "ui/dashboard/ConnectButtonController.h"
#include "ui/dashboard/LeftPanelViewController.h"
#include "ui/kit/PreferencesSegue.h"
#include "ui/preferences/Preferences1ViewController.h"
#include "ui/preferences/PreferencesViewController.h"
#include "ui/preferences/PreferencesWindowController.h"
#include "ui/preferences/ProtocolsAlertViewController.h"
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

    appkit::Storyboard::define(ProtocolsAlertViewController::kStoryboard)
        .scene(std::string(ProtocolsAlertViewController::kStoryboardID), [] { return new ProtocolsAlertViewController; })
        .scene(std::string(ProtocolsViewController::kStoryboardID), [] { return new ProtocolsViewController; })
        .segue(std::string(ProtocolsViewController::kStoryboardID), std::string(ProtocolsViewController::systemExtensionSegue),
               std::string(ProtocolsAlertViewController::kStoryboardID), SegueKind::Sheet);

    // The screens that open the preferences window. Each one's own scene is registered here only
    // where no other registration makes it, so that it can perform its segue.
    if (!main.hasScene("TabsViewController")) main.scene("TabsViewController", [] { return new TabsViewController; });
    main.segue("TabsViewController", std::string(TabsViewController::kPreferencesSegue), window, SegueKind::Show);
    if (!main.hasScene("ConnectButtonController"))
        main.scene("ConnectButtonController", [] { return new ConnectButtonController; });
    main.segue("ConnectButtonController", std::string(kSeguePreferences), window, SegueKind::Show);
    if (!main.hasScene("LeftPanelViewController"))
        main.scene("LeftPanelViewController", [] { return new LeftPanelViewController; });
    main.segue("LeftPanelViewController", std::string(kSeguePreferences), window, SegueKind::Show);
}

}  // namespace morvex
