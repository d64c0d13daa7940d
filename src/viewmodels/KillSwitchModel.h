#pragma once
// The internet kill-switch toggle, shared by the VPN and advanced pages: both store the same
// per-user "enableIKS" and reach the privileged helper through the SDK's firewall manager.
// Turning it off removes the rules at once; turning it on only makes sure the helper is installed
// (the engine loads the rules when a tunnel needs them). Refused while a tunnel is coming up or
// up. No widgets.
//
// Threads: main thread. The firewall's status answer arrives on its own thread and is carried to
// the main queue before anything is stored; the helper installation then runs on the main thread
// (it waits for the user to authorise it).
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "alerts/AlertServices.h"
#include "foundation/Error.h"
#include "state/EventTracker.h"
#include "state/PreservedPreferences.h"

namespace morvex {

// The firewall manager's three operations the toggle uses; tests put recorders here.
struct KillSwitchFirewall {
    // Removes the rules; the answer may come on any thread.
    std::function<void(std::function<void(bool)>)> disable;
    // True when the helper is installed and answers; the answer may come on any thread.
    std::function<void(std::function<void(bool)>)> isHelperToolInstalled;
    // Installs the helper and waits; true once it answers, an error when it could not be run.
    std::function<Result<bool>()> installHelperTool;

    // The SDK's shared FirewallManager.
    static KillSwitchFirewall shared();
};

class KillSwitchModel {
public:
    enum class Outcome {
        AlreadyOn,     // the helper answered: on without an installation
        Installed,     // the helper was installed: on
        NotInstalled,  // the installation failed or was refused: off
    };

    // The installed VPN control's status unless `vpn` is given.
    KillSwitchModel(PreservedPreferences preferences, EventTracker eventTracker,
                    KillSwitchFirewall firewall = KillSwitchFirewall::shared(), std::shared_ptr<VPNControl> vpn = nullptr);

    bool isEnabled() const { return preferences_.enableIKS(); }
    // False while a tunnel is coming up or up.
    bool mayChange() const;
    // Stores false, reports it and removes the rules (whatever is loaded).
    void turnOff();
    // Asks the helper; `done` runs on the main queue with the outcome once "enableIKS" holds it,
    // and for NotInstalled the key of the localized text that tells the user why (empty
    // otherwise). The caller keeps `done` from outliving what it touches.
    void turnOn(std::function<void(Outcome, const std::string& whyKey)> done);

    // Why the switch could not be turned on: no way to install the helper here (an error), or the
    // installation was refused or the helper did not answer after it.
    static constexpr std::string_view kNoHelperKey = "killswitch.unavailable.no.helper";
    static constexpr std::string_view kRefusedKey = "killswitch.unavailable.refused";

    KillSwitchFirewall& firewall() { return firewall_; }

private:
    PreservedPreferences preferences_;
    EventTracker eventTracker_;
    KillSwitchFirewall firewall_;
    std::shared_ptr<VPNControl> vpn_;
};

}  // namespace morvex
