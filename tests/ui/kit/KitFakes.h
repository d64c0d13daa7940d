#pragma once
// Recorders the kit's tests hand to the models: the VPN SDK's control and the analytics sender.
#include <string>
#include <vector>

#include "alerts/AlertServices.h"
#include "state/EventTracker.h"
#include "support/RecordingTracking.h"
#include "support/RecordingVPN.h"

namespace morvex::test {


inline EventTracker trackerOver(const std::shared_ptr<RecordingTracking>& tracking) {
    return EventTracker(tracking, AppPreferences(), PreservedPreferences());
}

}  // namespace morvex::test
