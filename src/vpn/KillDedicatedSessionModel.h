#pragma once
// Ends the other session that holds the user's dedicated IP, so this device can use it. The
// dashboard's recents and the "IP in use" sheet send it after their warning.
//
// Main thread; the completion runs once, on the main thread, when the service has answered.
#include <functional>

#include "api/Networking.h"
#include "foundation/Error.h"
#include "state/User.h"

namespace morvex {

struct KillDedicatedSessionModel {
    // Nothing of the answer's body is used; any body the request layer accepts is a success.
    struct Answer {
        static constexpr bool emptyObjectRepresentable = true;
    };
    using Completion = std::function<void(Result<bool>)>;

    // By default a new user record and the shared API client.
    explicit KillDedicatedSessionModel(User user = User(), Networking* networkingManager = &Networking::shared());

    User user;  // carried for the screens; the request does not use it
    Networking* networkingManager;  // not owned

    // POSTs {"vpn_username": <the stored VPN user name, "" when none>} to the dedicated-IP session
    // route. Success gives true; a failure is the request layer's error as it came, and changes no
    // stored state.
    void killSession(Completion completion) const;
};

void from_json(const nlohmann::json& j, KillDedicatedSessionModel::Answer& a);

}  // namespace morvex
