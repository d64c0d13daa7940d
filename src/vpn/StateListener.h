#pragma once
// The SDK's delegate: the one object that hears the VPN SDK's connection and system-extension
// callbacks and turns them into the engine's notifications, stored history and analytics.
//
// Exactly one lives per process, made and kept by the SDK set-up (Zevu::configureSDK), which
// replaces it on every further set-up; the SDK holds it weakly, so the replaced one is released.
// A callback that is running keeps its listener alive (the SDK holds a strong reference for the
// call, and the hooks hold one for theirs), so a set-up run again from inside a callback cannot
// release the listener under it.
//
// Its callbacks run on the SDK's worker thread and post there; what they do to timers or the
// main queue (the kill switch's delayed enabling) is handed to the main queue.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "foundation/Error.h"
#include "foundation/NotificationCenter.h"
#include "foundation/Value.h"
#include "state/AppPreferences.h"
#include "state/EventTracker.h"
#include "state/PreservedPreferences.h"
#include "zevu/ExtensionManager.h"
#include "zevu/ZevuManager.h"

namespace morvex {

class AppError;
class Zevu;

// The analytics events that carry the connection properties; each takes its own set of keys.
enum class ConnectionEvent { TimeToConnect, Connected, Cancelled, Disconnected, Redialing, DialError, UnableToBrowse };

// The properties of a connection event, from the SDK's details (none: the detail values are
// empty and "connection_attempts" is "1"), the stored last connection and the user's settings.
// `error` feeds the inner-exception keys of the redial and dial-error events.
Dictionary connectionProperties(ConnectionEvent event, const zevu::ConnectionDetailsPtr& details,
                                const std::optional<Error>& error, const AppPreferences& app,
                                const PreservedPreferences& prefs);

class StateListener : public zevu::ZevuManagerDelegate,
                      public zevu::ExtensionManagerDelegate,
                      public std::enable_shared_from_this<StateListener> {
public:
    using StateHandler = std::function<void(int state)>;
    using PacketsHandler = std::function<void(std::optional<std::uint64_t> received, std::optional<std::uint64_t> sent)>;

    // The kill switch's firewall. By default the SDK's shared FirewallManager; tests put a
    // recorder or a manager of their own here.
    struct Firewall {
        std::function<void(const std::string& ip, const std::string& protocol)> enable;
        std::function<void()> disable;
    };
    static Firewall sharedFirewall();

    StateListener(AppPreferences appPreference, EventTracker eventTracker, PreservedPreferences preservedPreferences);
    StateListener(const StateListener&) = delete;  // its default hook refers to itself
    StateListener& operator=(const StateListener&) = delete;
    ~StateListener() override;

    bool publicIpAddressUpdated = false;
    AppPreferences appPreference;
    EventTracker eventTracker;
    PreservedPreferences preservedPreferences;
    StateHandler stateChanged;        // by default handleSDKState
    PacketsHandler packetsTransmitted;  // installed by the set-up
    Firewall firewall = sharedFirewall();
    // Whether the machine's network is reachable; by default the API client's monitor (an unknown
    // status counts as reachable).
    std::function<bool()> isNetworkReachable;
    // The facade the handlers build for a refresh, a reconnect or the dialled protocol; installed
    // by the set-up (Zevu::configureSDK) with the factory it was given.
    std::function<Zevu()> makeZevu;
    // The SDK set-up a dial error -1002 runs again; installed by the set-up: itself, again.
    std::function<void()> configureSDKAgain;
    // Seconds before the firewall follows the connected location.
    double killSwitchDelay = 1.0;

    // The SDK's status numbers 2 (connecting) and 12 (redialling) post the Connecting state; every
    // other number is ignored here.
    void handleSDKState(int state);
    // Posts "ZevuVPNStateNotification" with a Connecting ConnectionInfo carrying the ongoing id.
    void postConnecting();

    // ---- SDK callbacks ----
    void zevuManagerDidInitialized(zevu::ZevuManager& manager) override;
    void zevuManagerDidConnect(const zevu::ConnectionDetailsPtr& details) override;
    void zevuManagerDidDisconnect(const zevu::ConnectionDetailsPtr& details) override;
    void zevuManagerOnRedialing(const zevu::ConnectionDetailsPtr& details, const std::optional<Error>& error) override;
    void zevuManagerDialErrorReceived(const std::optional<Error>& error,
                                      const zevu::ConnectionDetailsPtr& details) override;
    void zevuManagerOnUnableToAccessInternet(const std::optional<Error>& error,
                                             const zevu::ConnectionDetailsPtr& details) override;
    void zevuManagerDidReceivedConnectedLocation(const std::optional<zevu::ZevuLocation>& location,
                                                 const std::optional<Error>& error) override;

    void requestNeedsUserApprovalWithBundleId(const std::string& bundleId) override;
    void requestFailedWithBundleId(const std::string& bundleId, const Error& error) override;
    void requestCompletedWithBundleId(const std::string& bundleId, zevu::ExtensionManager::Result result) override;

    // ---- outcomes ----
    // Records a tunnel that came up: last connection, recents candidate and recents, dialled
    // protocol, "app_ttc" and "app_connected", then the Connected post. Nothing without details.
    virtual void handleConnected(const zevu::ConnectionDetailsPtr& details);
    // A cancelled attempt, a disconnection by the user or a replacement, or a drop (which
    // reconnects when the user wants that and the network is there).
    virtual void handleDisconnected(const zevu::ConnectionDetailsPtr& details);
    virtual void handleRedialing(const zevu::ConnectionDetailsPtr& details, const std::optional<Error>& error);
    // 5104 and 5043 end an attempt without a report.
    virtual void handleDialError(const std::optional<Error>& error, const zevu::ConnectionDetailsPtr& details);
    // Nothing while the machine itself is offline, nor without details.
    void handleNoInternet(const zevu::ConnectionDetailsPtr& details);
    // Posts "FetchIP"; with the kill switch on, the firewall follows the location's address later
    // on the main queue.
    void handleConnectedLocation(const std::optional<zevu::ZevuLocation>& location);
    // An empty address is logged and skipped: rules without a server would cut the machine off.
    void enableKillSwitchFirewall(const std::optional<zevu::ZevuLocation>& location);

    // ---- posts ----
    virtual void postDisconnected(const zevu::ConnectionDetailsPtr& details);
    virtual void postUnableToBrowse(const zevu::ConnectionDetailsPtr& details);
    virtual void postCancelled();
    virtual void postRedialing(const AppError& error, const UserInfo& userInfo);
    virtual void postUnableToConnect(const AppError& error, const UserInfo& userInfo);
    virtual void postConnected(const zevu::ConnectionDetailsPtr& details);

    // The console line of a bundle identifier that is neither tunnel's.
    static constexpr std::string_view unknownBundleLine = "No need to handle this";
    static constexpr std::string_view fetchIPNotification = ZevuTypes::fetchIPNotification;
    static constexpr std::string_view connectedEverKey = "IsConnectedSuccessfullyOnThisDeviceEver";

private:
    void postState(const zevu::ConnectionDetailsPtr& details, ZevuConnectionState state);
    void reconnectAfterDrop();
    std::string protocolChoice() const;
};

}  // namespace morvex
