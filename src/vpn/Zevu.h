#pragma once
// Which is which: `Zevu` (this class, in morvex) is the application's engine; `zevu::` is the VPN
// SDK's own namespace (platform/zevu), whose `zevu::ZevuManager` the engine drives.
//
// The facade over the VPN SDK: the current connection facts, the recommended location, the
// connect entry points (smart connection, a stored location, a country, a city, a dedicated IP),
// the protocol policy applied to every dial, the central connect routine and the SDK's set-up.
//
// A Zevu is a thin object: its collaborators are views over shared stores and the SDK's one
// manager, so any number may exist and all see the same state. The application's composition
// points build the usual set (flows/MorvexVPNService.h).
//
// Threads: the entry points run on the main thread; one reached from another thread (the SDK's
// worker) hops to the main queue first. The SDK's answers to a dial hop to the main queue before
// they touch the stores and call the caller's error handler, which may show an alert.
#include <expected>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "alerts/ConnectRequest.h"
#include "catalog/LocationLists.h"
#include "catalog/ZevuDataFetcher.h"
#include "foundation/Error.h"
#include "model/ErrorSender.h"
#include "model/ZevuTypes.h"
#include "state/AppPreferences.h"
#include "state/EventTracker.h"
#include "state/PreservedPreferences.h"
#include "state/User.h"
#include "zevu/FirewallManager.h"
#include "zevu/ZevuManager.h"

namespace morvex {

class NetworkingProtocol;
class StateListener;

class Zevu : public ZevuTypes {
public:
    using Server = ZevuDataFetcherTypes::Server;
    using ServerPtr = ZevuDataFetcherTypes::ServerPtr;
    using LastConnection = AppPreferences::LastConnection;
    // Receives the connect error, or none (the SDK took the dial, or ended it without an error).
    using ErrorHandler = ConnectErrorHandler;

    // Refusals of the connect routine, by domain and code.
    static constexpr std::string_view connectionDomain = "Connection";
    static constexpr int disconnectFirstCode = -1001;  // "Please disconnect first."
    static constexpr int sameServerCode = -1002;       // "Same server, please disconnect first"
    static constexpr std::string_view networkDomain = "Network";
    static constexpr int noInternetCode = -1000;
    static constexpr std::string_view noSubscriptionDomain = "No Subscription";
    static constexpr int noSubscriptionCode = 998;
    static constexpr std::string_view userStatusDomain = "UserStatus";
    static constexpr int accountExpiredCode = 701;
    static constexpr int accountDisabledCode = 533;
    static constexpr int passwordChangedCode = 999;
    // A dedicated IP with no protocol it can use.
    static constexpr std::string_view morvexVPNErrorDomain = "MorvexVPNError";
    static constexpr int protocolNotSupportedCode = 1111;
    // SDK codes that end an attempt without an error for the caller.
    static constexpr int alreadyConnectingCode = 5043;
    static constexpr int cancelledCode = 5104;

    Zevu(std::shared_ptr<zevu::ZevuManager> zevuManager, ErrorSender sentry, ZevuDataFetcher zevuDataFetcher, User user,
         AppPreferences appPreference, EventTracker eventTracker, PreservedPreferences preservedPreferences,
         NetworkingProtocol* networkingManager);

    std::shared_ptr<zevu::ZevuManager> zevuManager;
    ErrorSender sentry;
    ZevuDataFetcher zevuDataFetcher;
    User user;
    AppPreferences appPreference;
    EventTracker eventTracker;
    PreservedPreferences preservedPreferences;
    NetworkingProtocol* networkingManager = nullptr;  // the shared client; not owned
    // Whether the network is reachable; by default the shared API client's monitor, where an
    // unknown status counts as reachable.
    std::function<bool()> isNetworkReachable;

    // ---- facts ----
    ConnectionInfo currentConnectionInfo() const;
    // The code of the stored last connection's server; none when nothing is stored.
    std::optional<std::string> lastConnectionCountryCode() const;

    // ---- the recommended location ----
    // Asks the SDK while not connected; the answer is stored under "AppPreference.recommendedServer"
    // and posted as "ZevuRecommendedServerUpdated" (on the main queue).
    void updateRecommendedLocation();
    void recommendedLocationFailed();

    // ---- connect entry points ----
    // A smart connection to the recommended location (tags 0 and 7, IPSEC); the protocol policy
    // is not applied.
    void quickConnect(ConnectVia connectVia, SelectedInterfaceScreen screen, ConnectionInitiatedBy initiator,
                      SelectedInterface selectedInterface, bool checkBusy, ErrorHandler onError);
    // Announces the request, then connects by the location's type (FastestServer and Shortcut:
    // nothing further).
    void connectToLocation(const ServerPtr& server, ConnectVia connectVia, SelectedInterfaceScreen screen,
                           ConnectionInitiatedBy initiator, SelectedInterface selectedInterface,
                           bool allowProtocolFallback, bool checkBusy, ErrorHandler onError);
    void connectToLocation(const ConnectRequest& request, ErrorHandler onError);
    // The connect path alert handlers call (alerts/ConnectRequest.h), over a copy of this Zevu.
    ConnectToLocation connectToLocationHook() const;
    // What the location lists use of the engine (catalog/LocationLists.h), over a copy of this Zevu.
    LocationEngine locationEngine() const;
    void connectToDedicatedIP(const std::vector<DedicatedIPHost>& hosts, const LastConnection& record,
                              bool allowProtocolFallback, bool checkBusy, ErrorHandler onError);
    void connectToCountry(const zevu::ZevuCountry& country, const LastConnection& record, bool checkBusy,
                          ErrorHandler onError);
    // Connects to the first city of the stored country list that matches; silently nothing when
    // none does.
    void connectToCity(const ServerPtr& server, const LastConnection& record, bool checkBusy, ErrorHandler onError);
    // The protocol of a dedicated-IP connection: the selected one unless it is IPSec or WireGuard,
    // then IKEv2 when automatic choice is on or fallback is allowed, else none.
    std::optional<zevu::ZevuProtocol> selectedProtocol(bool allowProtocolFallback) const;

    // The central connect routine: checks, records the attempt and dials. A refusal reaches
    // `onError` before this returns.
    void connect(zevu::ZevuProperties properties, ConnectVia connectVia, const std::optional<LastConnection>& record,
                 bool checkBusy, ErrorHandler onError);

    // ---- protocol policy ----
    // Completes the properties with the user's protocol choice and server filters.
    zevu::ZevuProperties& configureProperties(zevu::ZevuProperties& properties,
                                              const std::optional<LastConnection>& record) const;
    // Per country, the first city whose id (in decimal) is the server's id.
    static std::vector<zevu::ZevuCity> citiesMatchingServer(const std::vector<zevu::ZevuCountry>& countries,
                                                            const Server& server);
    // Dedicated hosts ordered for the chosen protocol: every entry whose protocol name equals the
    // chosen one is swapped to the front in turn, so the last such entry ends first.
    static std::vector<zevu::ZevuMultipleDNS> orderedDedicatedHosts(std::vector<zevu::ZevuMultipleDNS> entries,
                                                                    const zevu::ZevuProtocol& chosen);
    // The sheet that says the selected protocol's system extension is not ready.
    void showWireGuardBetaInformation() const;

    // Quick connect from the status-bar menu only logs its errors.
    static void logQuickConnectError(const std::optional<Error>& error);

    // ---- SDK set-up ----
    // Configures the SDK, installs the process-wide StateListener (replacing an earlier one) as the
    // manager's and the extension manager's delegate, the state and traffic hooks and the excluded
    // protocols, and hands over the stored credentials when `user` is signed in. The listener
    // builds its facades with `makeEngine` (the application's usual set).
    static void configureSDK(const User& user, std::function<Zevu()> makeEngine);
    // The process-wide listener of the last set-up; null before the first.
    static std::shared_ptr<StateListener> stateListener();
    // The SDK's secret key, built into the application.
    static const std::string& sdkSecretKey();

    // The traffic hook: cumulative counters in, running totals posted as
    // "ZevuManagerTransmittedPackets".
    static void postTransmittedPackets(std::optional<std::uint64_t> received, std::optional<std::uint64_t> sent);

    // ---- dedicated IP, connected location ----
    // Measures the stored dedicated server (its first host, else `host`) and stores the latency
    // back (the largest Int64 when none came); nothing, and no completion, without a server.
    void pingDedicatedIPServer(std::function<void(std::optional<Error>)> completion = nullptr);
    using ConnectedInfoResult = std::expected<ConnectedInfo, Error>;
    using ConnectedInfoCompletion = std::function<void(ConnectedInfoResult)>;
    // The answer of the SDK's connected-location request: the stored last connection follows
    // where the tunnel ended (countries, cities, dedicated IPs), a NAS mismatch is reported, and
    // the completion gets the name, code and address to show.
    void getConnectedLocation(const std::optional<zevu::ZevuLocation>& location,
                              const ConnectedInfoCompletion& completion);
    // Its failure; without an SDK error, "MorvexVPNErrorDomain" 4010.
    void connectedLocationFailed(const std::optional<Error>& error, const ConnectedInfoCompletion& completion);
    static constexpr std::string_view errorDomain = "MorvexVPNErrorDomain";
    static constexpr int connectedLocationFailedCode = 4010;
    // The dedicated IP itself when the location is it; else "City, CC"; else the country's name;
    // else "" (reported).
    std::string connectedLocationName(const std::optional<zevu::ZevuLocation>& location);
    std::optional<std::string> connectedIsoCode(const std::optional<zevu::ZevuLocation>& location) const;

private:
    void connectOnMain(zevu::ZevuProperties properties, ConnectVia connectVia, std::optional<LastConnection> record,
                       bool checkBusy, ErrorHandler onError);
    void dial(zevu::ZevuProperties properties, std::optional<LastConnection> record, ErrorHandler onError);
    bool isBusy() const;
    bool isSameServer(const std::optional<LastConnection>& record) const;
    void activateExtensionIfNeeded() const;
};

// Asks the privileged side whether the kill switch's packet filter is loaded.
class HelperComunicator {
public:
    using Query = std::function<void(std::function<void(bool)>)>;
    // The firewall query; by default the SDK's shared FirewallManager.
    Query query = [](std::function<void(bool)> answer) {
        zevu::FirewallManager::shared().isAnyFirewallEnabled(std::move(answer));
    };
    // False at once on the caller's thread when `ask` is false; otherwise the manager's answer,
    // delivered on the main queue.
    void isAnyFirewallEnabled(bool ask, std::function<void(bool)> completion) const;
};

}  // namespace morvex
