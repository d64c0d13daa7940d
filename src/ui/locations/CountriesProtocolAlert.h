#pragma once
// The sheet the country lists show instead of connecting while the selected protocol's system
// extension is not ready: the protocol alert of the preferences, naming the protocol.
#include <string>

#include "state/PreservedPreferences.h"

namespace morvex {

namespace appkit {
class ViewController;
}

struct ProtocolAlertTexts {
    std::string title;
    std::string message;  // names the selected protocol
    std::string primaryButton;
};
ProtocolAlertTexts protocolAlertTexts(const PreservedPreferences& preference);

// Presents the protocol alert sheet on the presenter's window. Nothing happens while the
// preferences' storyboard has no such scene.
void presentProtocolAlert(appkit::ViewController& presenter, const PreservedPreferences& preference);

}  // namespace morvex
