#include "ui/notifications/NotificationsStoryboards.h"

#include <string>

#include "appkit/Storyboard.h"
#include "ui/kit/PreferencesSegue.h"
#include "ui/notifications/NotificationsController.h"
#include "ui/shell/MainStoryboard.h"

namespace morvex {

void registerNotificationsStoryboards() {
    appkit::Storyboard::define(kMainStoryboard)
        .scene(std::string(NotificationsController::kStoryboardID), [] {
            auto* page = new NotificationsController;
            page->followApplicationAppearance();
            return page;
        })
        .segue(std::string(NotificationsController::kStoryboardID), std::string(kSeguePreferences),
               std::string(kPreferencesWindowScene), appkit::SegueKind::Show);
}

}  // namespace morvex
