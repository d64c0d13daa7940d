#include "ui/kit/KitStoryboards.h"

#include <string>

#include "appkit/Storyboard.h"
#include "ui/kit/ProtocolsAlertViewController.h"

namespace morvex {

void registerKitStoryboards() {
    appkit::Storyboard::define(ProtocolsAlertViewController::kStoryboard)
        .scene(std::string(ProtocolsAlertViewController::kStoryboardID), [] { return new ProtocolsAlertViewController; });
}

}  // namespace morvex
