#pragma once
// The VPN SDK's control as alerts and screens reach it, recording each call by its name.
#include <string>
#include <vector>

#include "alerts/AlertServices.h"
#include "zevu/ZevuCore.h"

namespace morvex::test {

class RecordingVPN : public VPNControl {
public:
    int status = zevu::rawValue(zevu::ZevuVPNState::Disconnected);
    std::vector<std::string> calls;

    int getCurrentVPNStatus() override { return status; }
    void setDoCheckInternetConnectivity(bool check) override {
        calls.push_back(check ? "checkConnectivity(true)" : "checkConnectivity(false)");
    }
    void reconnectVPN() override { calls.push_back("reconnectVPN"); }
    void cancelVPN() override { calls.push_back("cancelVPN"); }
    void disconnectVPN() override { calls.push_back("disconnectVPN"); }
    void disableFirewall() override { calls.push_back("disableFirewall"); }
};

}  // namespace morvex::test
