// The SDK's set-up, the process-wide listener it owns, and the traffic hook it installs.
#include <atomic>
#include <mutex>

#include "foundation/NotificationCenter.h"
#include "model/BundleInfo.h"
#include "vpn/StateListener.h"
#include "vpn/Zevu.h"
#include "zevu/ExtensionManager.h"

namespace morvex {

namespace {

std::mutex listenerMutex;
std::shared_ptr<StateListener>& listenerSlot() {
    static std::shared_ptr<StateListener> slot;
    return slot;
}

// Traffic samples and totals of the process; written only by the traffic hook (the SDK's worker).
std::atomic<std::uint64_t> lastReceived{0}, lastSent{0}, totalReceived{0}, totalSent{0};

}  // namespace

const std::string& Zevu::sdkSecretKey() {
    static const std::string key = "5b0e7c31d94a28f6e1c07a3b92d5f48e6a1c3b70";
    return key;
}

std::shared_ptr<StateListener> Zevu::stateListener() {
    std::lock_guard lock(listenerMutex);
    return listenerSlot();
}

void Zevu::configureSDK(const User& user, std::function<Zevu()> makeEngine) {
    zevu::ZevuConfiguration configuration;
    configuration.enableVPNLogs = true;
    configuration.persistVPNDetails = true;
    configuration.secretKey = sdkSecretKey();
    configuration.tunnelProviderBundleIdentifier = infoPacketTunnelIdentifier();
    configuration.appGroupIdentifier = infoPacketTunnelGroup();
    configuration.wireGuardTunnelProviderBundleIdentifier = infoWireguardPacketTunnelIdentifier();
    auto manager = zevu::ZevuManager::sharedInstanceWithZevuConfiguration(configuration);

    auto listener = std::make_shared<StateListener>(AppPreferences(), EventTracker(), PreservedPreferences());
    listener->packetsTransmitted = &Zevu::postTransmittedPackets;
    listener->makeZevu = makeEngine;
    listener->configureSDKAgain = [makeEngine] { configureSDK(User(), makeEngine); };
    {
        // The slot keeps the listener alive; the SDK holds it weakly, so the one replaced here goes.
        std::lock_guard lock(listenerMutex);
        listenerSlot() = listener;
    }
    manager->setDelegate(listener);
    // The hooks reach the listener through a weak reference and hold it for the call: the state
    // hook runs the listener's own code, which must outlive a set-up that replaces it meanwhile.
    std::weak_ptr<StateListener> weak = listener;
    manager->setStateDidChangedHandler([weak](int state) {
        if (auto self = weak.lock(); self && self->stateChanged) self->stateChanged(state);
    });
    manager->setOnPacketsTransmitted(
        [weak](std::optional<std::uint64_t> received, std::optional<std::uint64_t> sent) {
            if (auto self = weak.lock(); self && self->packetsTransmitted) self->packetsTransmitted(received, sent);
        });
    if (auto shared = zevu::ZevuManager::sharedInstance()) {
        std::vector<zevu::ZevuProtocol> excluded;
        for (auto p : PreservedPreferences::excludedProtocols) excluded.emplace_back(std::string(title(p)));
        shared->setExcludeProtocols(std::move(excluded));
    }
    zevu::ExtensionManager::shared().setDelegate(listener);

    if (!user.loggedIn()) return;
    const auto name = user.vpnUsername();
    if (!name) return;
    const auto password = user.vpnPassword();
    if (!password) return;
    manager->setZevuCredential(zevu::ZevuCredential(*name, *password));
}

void Zevu::postTransmittedPackets(std::optional<std::uint64_t> received, std::optional<std::uint64_t> sent) {
    const std::uint64_t in = received.value_or(0), out = sent.value_or(0);
    if (lastReceived == 0 || lastSent == 0) {
        // A new base (the process's first sample, or a new connection's): nothing is added, and
        // the totals so far are posted as they are rather than a (0, 0) that would wipe them.
        lastReceived = in;
        lastSent = out;
    } else {
        totalReceived += in >= lastReceived ? in - lastReceived : 0;
        totalSent += out >= lastSent ? out - lastSent : 0;
        lastReceived = in;
        lastSent = out;
    }
    NotificationCenter::defaultCenter().post(transmittedPacketsNotification,
                                             DataTransmission{totalReceived.load(), totalSent.load()});
}

}  // namespace morvex
