#pragma once
// Recorders the kit's tests hand to the models: the VPN SDK's control and the analytics sender.
#include <string>
#include <vector>

#include "alerts/AlertServices.h"
#include "state/EventTracker.h"
#include "support/RecordingTracking.h"

namespace morvex::test {

class RecordingVPN : public VPNControl {
public:
    int status = 0;
    std::vector<std::string> calls;
    int getCurrentVPNStatus() override { return status; }
    void setDoCheckInternetConnectivity(bool check) override {
        calls.push_back(check ? "check internet" : "no internet check");
    }
    void reconnectVPN() override { calls.push_back("reconnect"); }
    void cancelVPN() override { calls.push_back("cancel"); }
    void disconnectVPN() override { calls.push_back("disconnect"); }
    void disableFirewall() override { calls.push_back("firewall off"); }
};


inline EventTracker trackerOver(const std::shared_ptr<RecordingTracking>& tracking) {
    return EventTracker(tracking, AppPreferences(), PreservedPreferences());
}

}  // namespace morvex::test
