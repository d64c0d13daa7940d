#include "ui/kit/PreferencesSegue.h"

#include "appkit/Storyboard.h"
#include "appkit/TabViewController.h"
#include "appkit/WindowController.h"

namespace morvex {

bool selectPreferencesTab(appkit::StoryboardSegue& segue, int tab) {
    if (segue.identifier() != kSeguePreferences) return false;
    auto* window = qobject_cast<appkit::WindowController*>(segue.destinationController());
    if (!window) return false;
    auto* pages = qobject_cast<appkit::TabViewController*>(window->contentViewController());
    if (!pages || tab < 0 || tab >= pages->count()) return false;
    pages->setSelectedTabViewItemIndex(tab);
    return true;
}

}  // namespace morvex
