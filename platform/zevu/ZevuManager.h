#pragma once
// The VPN SDK's manager: one process-wide object that dials simulated tunnels, reports their
// course to a delegate and two hooks, and answers the location catalogue and latency requests.
//
// Threads: every call returns at once and may be made from any thread. Every answer, delegate
// callback and hook runs later on the SDK's own worker thread, never on the caller's.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Value.h"
#include "zevu/ZevuCore.h"
#include "zevu/ZevuProperties.h"

namespace zevu {

class ZevuManager;

// Connection callbacks. Details are a snapshot of the attempt (null only where stated).
class ZevuManagerDelegate {
public:
    virtual ~ZevuManagerDelegate() = default;
    // The SDK has read its server list and is ready: once per configuration (a delegate set later
    // in the same configuration hears it once too, never twice).
    virtual void zevuManagerDidInitialized(ZevuManager& manager) { (void)manager; }
    virtual void zevuManagerDidConnecting(const ConnectionDetailsPtr& details) { (void)details; }
    virtual void zevuManagerDidPaused(const ConnectionDetailsPtr& details) { (void)details; }
    virtual void zevuManagerDidConnect(const ConnectionDetailsPtr& details) { (void)details; }
    // Every end of a tunnel or an attempt: see `isCancelled`, `isDisconnectedManually` and
    // `disconnectionType` (a ZevuDisconnectionType).
    virtual void zevuManagerDidDisconnect(const ConnectionDetailsPtr& details) { (void)details; }
    // A dial failed and the SDK dials again (the next data centre or protocol).
    virtual void zevuManagerOnRedialing(const ConnectionDetailsPtr& details, const std::optional<Error>& error) {
        (void)details, (void)error;
    }
    // The attempt failed for good. Details are null when the attempt never got that far.
    virtual void zevuManagerDialErrorReceived(const std::optional<Error>& error, const ConnectionDetailsPtr& details) {
        (void)error, (void)details;
    }
    // The tunnel is up but the internet cannot be reached through it.
    virtual void zevuManagerOnUnableToAccessInternet(const std::optional<Error>& error,
                                                      const ConnectionDetailsPtr& details) {
        (void)error, (void)details;
    }
    // Where the tunnel ended, shortly after it came up.
    virtual void zevuManagerDidReceivedConnectedLocation(const std::optional<ZevuLocation>& location,
                                                         const std::optional<Error>& error) {
        (void)location, (void)error;
    }
};

class ZevuManager {
public:
    // Status numbers (ZevuVPNState raw values).
    using StateHandler = std::function<void(int state)>;
    // Cumulative byte counts of the current connection: received, sent.
    using PacketsHandler = std::function<void(std::optional<std::uint64_t> received, std::optional<std::uint64_t> sent)>;
    using Completion = std::function<void(std::optional<std::string> message)>;
    using ErrorBlock = std::function<void(std::optional<Error> error)>;

    // Configures the process-wide manager (again, when called again) and answers it.
    static std::shared_ptr<ZevuManager> sharedInstanceWithZevuConfiguration(const ZevuConfiguration& configuration);
    // The one process-wide manager, also before the first configuration: until then its status is
    // Invalid and a connect request is refused (InvalidSession) without dialling.
    static std::shared_ptr<ZevuManager> sharedInstance();

    ~ZevuManager();
    ZevuManager(const ZevuManager&) = delete;
    ZevuManager& operator=(const ZevuManager&) = delete;

    ZevuConfiguration configuration() const;

    // The delegate is not owned: it is called for as long as its owner keeps it alive.
    void setDelegate(std::weak_ptr<ZevuManagerDelegate> delegate);
    std::shared_ptr<ZevuManagerDelegate> delegate() const;
    void setStateDidChangedHandler(StateHandler handler);
    void setOnPacketsTransmitted(PacketsHandler handler);
    // Protocols never dialled, whatever the properties ask for.
    void setExcludeProtocols(std::vector<ZevuProtocol> protocols);
    std::vector<ZevuProtocol> excludeProtocols() const;
    void setZevuCredential(std::optional<ZevuCredential> credential);
    std::optional<ZevuCredential> zevuCredential() const;
    // When on, a new tunnel checks that the internet answers through it.
    void setDoCheckInternetConnectivity(bool check);
    bool doCheckInternetConnectivity() const;

    // A ZevuVPNState raw value: Connected, Connecting (also while redialling, and from the moment
    // connectWithProperties returns), Disconnecting, Paused, Disconnected, or Invalid before the
    // SDK is configured.
    int getCurrentVPNStatus() const;

    // Starts an attempt. `completion` runs once a server is chosen and the dial has started;
    // `errorBlock` runs instead when the request cannot be served (no credential, no server,
    // cancelled, already dialling the same target, replaced). The tunnel's own outcome comes
    // through the delegate. Connecting while connected replaces the tunnel.
    void connectWithProperties(ZevuProperties properties, Completion completion, ErrorBlock errorBlock);
    void disconnectVPN();   // ends the tunnel (an attempt in progress is cancelled)
    void cancelVPN();       // aborts an attempt (a tunnel that is up is disconnected)
    // Dials the last connection request's properties again; in a process that has dialled nothing
    // yet, the request an earlier process kept (when the configuration persists VPN details).
    // With no request at all nothing happens.
    void reconnectVPN();

    // The current or last attempt's details; null before the first attempt.
    ConnectionDetailsPtr zevuConnectionDetails() const;
    // When the current tunnel came up; none while not connected.
    std::optional<morvex::Date> getConnectedTime() const;

    void getConnectedLocation(std::function<void(std::optional<ZevuLocation>)> success, ErrorBlock errorBlock);
    void getCountriesWithSuccess(std::function<void(std::optional<std::vector<ZevuCountry>>)> success,
                                 ErrorBlock errorBlock);
    void getRecommendedLocation(std::function<void(std::optional<ZevuLocation>)> success, ErrorBlock errorBlock);
    // Measures every data centre of the given records by TCP connect time and answers the records
    // with `latency` set (milliseconds, at least 1; 0 where nothing answered in time).
    void getOptimizedCountries(std::vector<ZevuCountry> countries, std::function<void(std::vector<ZevuCountry>)> response);
    void getOptimizedCities(std::vector<ZevuCity> cities, std::function<void(std::vector<ZevuCity>)> response);
    // Measures the dedicated server (its address, else its IP); the answered ping has no latency
    // when the server did not answer in time.
    void pingDedicatedIPServer(ZevuDedicatedIPServerPing ping,
                               std::function<void(std::optional<ZevuDedicatedIPServerPing>)> success,
                               ErrorBlock errorBlock);

    struct Impl;

private:
    ZevuManager();
    friend struct ManagerAccess;
    std::unique_ptr<Impl> impl_;
};

}  // namespace zevu
