#pragma once
// The VPN SDK's plain records: protocols, the location catalogue (countries, cities, data
// centres), connected locations, credentials, the configuration, connection details and the
// SDK's error codes. All are values; the manager hands out copies, so they are safe to keep and
// to pass between threads.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "foundation/Error.h"
#include "foundation/Value.h"

namespace zevu {

using Error = morvex::Error;

// Domain of every error the SDK reports.
inline constexpr std::string_view ZevuErrorDomain = "ZevuSDKErrorDomain";

// Error codes the SDK reports through its error blocks and delegate callbacks. They stay clear of
// -1000 to -1002, which the application uses for refusals of its own ("no network", "disconnect
// first", "same server"), so a handler that reads only the code never mistakes one for the other.
namespace ErrorCode {
inline constexpr int InvalidSession = 5003;        // no credential, or the SDK is not configured
inline constexpr int TimedOut = -408;              // the tunnel did not come up in time
inline constexpr int AuthenticationFailed = 5001;  // the server refused the credential
inline constexpr int TunnelFailed = 5002;          // the tunnel handshake failed
inline constexpr int AttemptSuperseded = 5028;     // a newer connect request replaced this attempt
inline constexpr int AlreadyConnecting = 5043;     // the same location is already being dialled
inline constexpr int Cancelled = 5104;             // the attempt was cancelled
inline constexpr int NoServerAvailable = 5129;     // no data centre fits the location, protocol and filters
inline constexpr int NoInternetThroughTunnel = 5201;
inline constexpr int ServerListUnavailable = 5301;
inline constexpr int NotConnected = 5401;
inline constexpr int InvalidArgument = 5402;
}  // namespace ErrorCode

Error makeError(int code, std::string message = {});

// Status numbers answered by `getCurrentVPNStatus` and handed to the state-change handler.
enum class ZevuVPNState : int {
    Invalid = 0,        // not configured yet
    Disconnected = 1,
    Connecting = 2,
    Connected = 3,
    Reasserting = 4,
    Disconnecting = 5,
    Paused = 6,
    Redialing = 12,     // a new dial after a failed one; the status stays Connecting
};
// The number the SDK hands out for a state.
constexpr int rawValue(ZevuVPNState s) { return static_cast<int>(s); }

// Why a tunnel went down (`ZevuConnectionDetails::disconnectionType`).
enum class ZevuDisconnectionType : int {
    Dropped = 0,                 // the tunnel was lost
    Manual = 1,                  // disconnectVPN
    ConnectionOverConnection = 2,  // replaced by a new connection or a reconnect
    Cancelled = 3,               // an attempt was cancelled before it came up
};

// Tags of a smart connection. Filters narrow the data centres; the others pick among them.
enum class ZevuSmartConnectTag : int {
    Fastest = 0,
    P2P = 1,
    QuantumResistant = 2,
    Obfuscated = 3,
    Streaming = 4,
    Gaming = 5,
    DedicatedIP = 6,
    LeastLoaded = 7,
};
constexpr int rawValue(ZevuSmartConnectTag t) { return static_cast<int>(t); }

// A tunnel protocol. `protocol` is the word the caller sets ("IPSEC", "IKEV", "TCP", "UDP",
// "WireGuard"; the display titles "IPSec" and "IKEv2" and any letter case are understood too);
// `name` is the SDK's own name for it, none for a word the SDK does not know.
class ZevuProtocol {
public:
    ZevuProtocol() = default;
    explicit ZevuProtocol(std::string protocol) : protocol_(std::move(protocol)) {}

    const std::optional<std::string>& protocol() const { return protocol_; }
    void setProtocol(std::optional<std::string> p) { protocol_ = std::move(p); }
    std::optional<std::string> name() const;
    // The canonical word ("IPSEC", "IKEV", "TCP", "UDP", "WireGuard"), none when unknown.
    std::optional<std::string> canonicalWord() const;
    bool needsSystemExtension() const;  // OpenVPN-family and WireGuard tunnels

    friend bool operator==(const ZevuProtocol& a, const ZevuProtocol& b) { return a.protocol_ == b.protocol_; }

private:
    std::optional<std::string> protocol_;
};

// The canonical word of a protocol word or title; none when unknown.
std::optional<std::string> canonicalProtocolWord(std::string_view word);
// Every protocol the SDK knows, as canonical words, in its order of preference.
const std::vector<std::string>& knownProtocolWords();

struct ZevuDatacenters {
    std::optional<std::int64_t> dataCenterId;
    std::int64_t latency = 0;  // milliseconds; 0 = not measured (or unreachable)
    std::optional<std::string> ip;
    std::optional<std::string> hostname;
    std::optional<int> port;
    std::map<std::string, int> ports;      // per protocol word
    std::vector<std::string> protocols;    // protocol words offered
    std::optional<std::string> nasIdentifier;
    bool p2p = false;
    bool quantumResistant = false;
    bool obfuscated = false;
    int load = 0;  // percent

    friend bool operator==(const ZevuDatacenters&, const ZevuDatacenters&) = default;
};

struct ZevuCity {
    std::int64_t cityId = 0;
    std::optional<std::string> name;
    std::optional<std::string> country;  // country code
    std::optional<std::vector<ZevuDatacenters>> data_centers;
    std::int64_t latency = 0;  // lowest measured data-centre latency; 0 = none measured

    friend bool operator==(const ZevuCity&, const ZevuCity&) = default;
};

struct ZevuCountry {
    std::optional<std::string> country;  // country code
    std::optional<std::string> name;
    std::optional<std::string> iso_code;
    std::optional<std::vector<ZevuCity>> cities;
    std::optional<std::vector<ZevuDatacenters>> dataCenters;
    std::optional<std::vector<ZevuProtocol>> protocols;
    std::int64_t latency = 0;

    friend bool operator==(const ZevuCountry&, const ZevuCountry&) = default;
};

// The server a tunnel ended on.
struct ZevuServer {
    std::optional<std::string> nasIdentifier;
    std::optional<std::string> hostname;
    std::optional<std::string> ip;
    friend bool operator==(const ZevuServer&, const ZevuServer&) = default;
};

struct ZevuLocation {
    std::optional<std::string> ip;
    std::optional<ZevuCountry> country;
    std::optional<ZevuCity> city;
    std::optional<ZevuServer> server;
    friend bool operator==(const ZevuLocation&, const ZevuLocation&) = default;
};

// Keeps (filter 0) or leaves out (filter 1) one server, by NAS identifier.
struct ServerFilter {
    ServerFilter(std::string nasIdentifier, int filter) : nasIdentifier(std::move(nasIdentifier)), filter(filter) {}
    std::string nasIdentifier;
    int filter = 0;
    bool excludes() const { return filter == 1; }
    friend bool operator==(const ServerFilter&, const ServerFilter&) = default;
};

// One dedicated host to dial.
class ZevuMultipleDNS {
public:
    ZevuMultipleDNS(std::string dedicatedHostName, std::string dedicatedHostIP, ZevuProtocol protocol)
        : hostName_(std::move(dedicatedHostName)), hostIP_(std::move(dedicatedHostIP)), protocol_(std::move(protocol)) {}
    const std::string& dedicatedHostName() const { return hostName_; }
    const std::string& dedicatedHostIP() const { return hostIP_; }
    const ZevuProtocol& protocol() const { return protocol_; }
    friend bool operator==(const ZevuMultipleDNS&, const ZevuMultipleDNS&) = default;

private:
    std::string hostName_;
    std::string hostIP_;
    ZevuProtocol protocol_;
};

struct ZevuCredential {
    ZevuCredential(std::string username, std::string password) : username(std::move(username)), password(std::move(password)) {}
    std::string username;
    std::string password;
    friend bool operator==(const ZevuCredential&, const ZevuCredential&) = default;
};

struct ZevuConfiguration {
    bool enableVPNLogs = false;
    bool persistVPNDetails = false;
    std::string secretKey;
    std::string tunnelProviderBundleIdentifier;
    std::string appGroupIdentifier;
    std::string wireGuardTunnelProviderBundleIdentifier;
};

// A latency measurement of a dedicated server: `latency` is set by the measurement, none when the
// server could not be reached in time.
class ZevuDedicatedIPServerPing {
public:
    explicit ZevuDedicatedIPServerPing(std::string serverAddress) : serverAddress_(std::move(serverAddress)) {}
    const std::string& serverAddress() const { return serverAddress_; }
    const std::optional<std::string>& serverIP() const { return serverIP_; }
    void setServerIP(std::optional<std::string> ip) { serverIP_ = std::move(ip); }
    const std::optional<std::int64_t>& latency() const { return latency_; }
    void setLatency(std::optional<std::int64_t> ms) { latency_ = ms; }

private:
    std::string serverAddress_;
    std::optional<std::string> serverIP_;
    std::optional<std::int64_t> latency_;
};

// Facts of one connection attempt: where it dialled, how, and how it ended.
struct ZevuConnectionDetails {
    std::optional<std::string> country;   // country name of the dialled location
    std::optional<ZevuCity> city;
    std::optional<std::string> serverIp;
    std::optional<std::string> serverAddress;  // host name
    std::optional<ZevuProtocol> protocol;      // the protocol dialled
    std::optional<std::string> nasIdentifier;
    bool isCancelled = false;
    bool isDisconnectedManually = false;
    bool isDialedWithQuantumResistantServer = false;
    bool IsDialedWithOVPNObfuscatedServer = false;
    bool isFiltered = false;  // server filters narrowed the choice
    double timeTakenToConnectServer = 0;      // seconds
    double timeTakenToFindFastestServer = 0;  // seconds
    double timeElapsedSinceConnect = 0;       // seconds from the connect request to this report
    int connectionAttempts = 0;
    std::optional<std::string> connectionMethod;
    std::optional<std::string> sessionId;
    std::optional<std::string> fastestServerFindingMethod;
    int disconnectionType = 0;  // a ZevuDisconnectionType
    std::optional<morvex::Dictionary> fastestServerFindingApiResponse;
};

using ConnectionDetailsPtr = std::shared_ptr<const ZevuConnectionDetails>;

// The SDK's own coding of its records (what callers store, e.g. the cached country list).
void to_json(nlohmann::json& j, const ZevuProtocol& p);
void from_json(const nlohmann::json& j, ZevuProtocol& p);
void to_json(nlohmann::json& j, const ZevuDatacenters& d);
void from_json(const nlohmann::json& j, ZevuDatacenters& d);
void to_json(nlohmann::json& j, const ZevuCity& c);
void from_json(const nlohmann::json& j, ZevuCity& c);
void to_json(nlohmann::json& j, const ZevuCountry& c);
void from_json(const nlohmann::json& j, ZevuCountry& c);
void to_json(nlohmann::json& j, const ZevuServer& s);
void from_json(const nlohmann::json& j, ZevuServer& s);
void to_json(nlohmann::json& j, const ZevuLocation& l);
void from_json(const nlohmann::json& j, ZevuLocation& l);

// One record as JSON text, and back (none when the text is not such a record).
template <class T>
std::string encodeRecord(const T& value) { return nlohmann::json(value).dump(); }
template <class T>
std::optional<T> decodeRecord(std::string_view text) {
    try {
        return nlohmann::json::parse(text).get<T>();
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

}  // namespace zevu
