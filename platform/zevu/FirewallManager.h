#pragma once
// The SDK's firewall manager: the client of the privileged helper. It builds the kill switch's
// nftables rules (only loopback, the VPN server's address and the tunnel get through), asks the
// helper to load or remove them and answers queries about them. Every operation but the helper
// installation completes with a Bool on the manager's own thread, in the order the calls came.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Error.h"

namespace morvex {
class DispatchQueue;
}

namespace zevu {

class FirewallManager {
public:
    using Completion = std::function<void(bool)>;

    struct Configuration {
        std::string socketPath = "/run/com.morvex.mac.vpn.helpertool.sock";
        // Run to install and start the helper's service when it does not answer.
        std::vector<std::string> installCommand = {"pkexec", "systemctl", "enable", "--now",
                                                   "com.morvex.mac.vpn.helpertool.socket"};
        std::chrono::milliseconds timeout = std::chrono::seconds(30);
        // The tunnels are simulated and make no network interface, so rules that let only the
        // tunnel through would cut the host off while "connected": enableFirewall then loads
        // nothing, says so on the console and completes with false. True for `shared()`; a
        // manager made with its own configuration (a helper in a network namespace) loads rules.
        bool tunnelsAreSimulated = false;
    };

    // The console line of a refused enableFirewall in a simulated session.
    static constexpr std::string_view kSimulatedSessionRefusal =
        "FirewallManager: the kill switch cannot be enabled in a simulated session: the simulated "
        "tunnel has no network interface, so its rules would cut this machine off.";

    static FirewallManager& shared();

    FirewallManager();
    explicit FirewallManager(Configuration configuration);
    ~FirewallManager();
    FirewallManager(const FirewallManager&) = delete;
    FirewallManager& operator=(const FirewallManager&) = delete;

    void setConfiguration(Configuration configuration);
    Configuration configuration() const;
    // Where the helper's log lines go (the console by default).
    void setLogHandler(std::function<void(std::string_view)> handler);

    // Loads rules that let only loopback, `ipAddress` (IPv4 or IPv6; empty: no server at all)
    // and the tunnel interfaces through. True when the helper loaded them; false at once in a
    // simulated session (Configuration::tunnelsAreSimulated).
    void enableFirewall(const std::string& ipAddress, const std::string& protocol, Completion completion);
    // Removes the rules; true when the helper removed them.
    void disableFirewall(Completion completion);
    // True when the kill switch's packet filter is loaded.
    void isAnyFirewallEnabled(Completion completion);
    // The kill-switch toggle's status query: true when the helper is installed and answers.
    void isHelperToolInstalled(Completion completion);
    // Installs the helper's service when it does not answer yet; blocks. True once the helper
    // answers; an error when the installation could not be run.
    morvex::Result<bool> installHelperTool();

    // The rules text for a server address and protocol; nothing for an address that is neither
    // empty nor an IPv4 or IPv6 address.
    static std::optional<std::string> firewallRules(std::string_view ipAddress, std::string_view protocol);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace zevu
