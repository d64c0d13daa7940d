#pragma once
// The SDK's delegate: the one object that hears the VPN SDK's connection and system-extension
// callbacks and turns them into the engine's notifications, stored history and analytics.
//
// Exactly one lives per process, made and kept by the SDK set-up (Zevu::configureSDK), which
// replaces it on every further set-up; the SDK holds it weakly, so the replaced one is released.
// Its callbacks run on the SDK's worker thread.
//
// So far it announces the SDK's readiness and the Connecting state; the other callbacks are
// heard and left to the connection-outcome handling.
#include <cstdint>
#include <functional>
#include <optional>

#include "state/AppPreferences.h"
#include "state/EventTracker.h"
#include "state/PreservedPreferences.h"
#include "zevu/ExtensionManager.h"
#include "zevu/ZevuManager.h"

namespace morvex {

class StateListener : public zevu::ZevuManagerDelegate, public zevu::ExtensionManagerDelegate {
public:
    using StateHandler = std::function<void(int state)>;
    using PacketsHandler = std::function<void(std::optional<std::uint64_t> received, std::optional<std::uint64_t> sent)>;

    StateListener(AppPreferences appPreference, EventTracker eventTracker, PreservedPreferences preservedPreferences);
    StateListener(const StateListener&) = delete;  // its default hook refers to itself
    StateListener& operator=(const StateListener&) = delete;

    bool publicIpAddressUpdated = false;
    AppPreferences appPreference;
    EventTracker eventTracker;
    PreservedPreferences preservedPreferences;
    StateHandler stateChanged;        // by default handleSDKState
    PacketsHandler packetsTransmitted;  // installed by the set-up

    // The SDK's status numbers 2 (connecting) and 12 (redialling) post the Connecting state; every
    // other number is ignored here.
    void handleSDKState(int state);
    // Posts "ZevuVPNStateNotification" with a Connecting ConnectionInfo carrying the ongoing id.
    void postConnecting();

    void zevuManagerDidInitialized(zevu::ZevuManager& manager) override;
};

}  // namespace morvex
