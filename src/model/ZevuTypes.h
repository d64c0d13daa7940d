#pragma once
// The value types the connection engine hands to every screen: its own VPN state, the record
// posted with every state change, the connected-location and traffic records, the enumerations
// that say where a connection request came from, the engine's notification names and the
// byte-count formatter of the traffic display.
//
// The nested types live in ZevuTypes, which the facade `Zevu` derives from, so they are named
// `Zevu::ConnectionInfo` and so on everywhere.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "foundation/NotificationCenter.h"
#include "zevu/ZevuCore.h"

#include "model/EnumTable.h"
#include "model/ServerRecord.h"

namespace morvex {

class AppError;

enum class ZevuConnectionState : std::uint8_t {
    Connected = 0,
    Connecting = 1,
    Redialing = 2,
    Disconnected = 3,
    Disconnecting = 4,
    UnableToConnect = 5,
    UnableToBrowse = 6,
};

std::optional<ZevuConnectionState> zevuConnectionStateFromRaw(std::int64_t raw);
inline std::int64_t rawValue(ZevuConnectionState s) { return static_cast<std::int64_t>(s); }
// The SDK's status number as a state: connected, connecting, anything else disconnected.
ZevuConnectionState connectionStateFromVPNStatus(std::int64_t status);
// The two SDK statuses that mean "connected or connecting".
inline bool isConnectedOrConnecting(std::int64_t status) {
    return status == zevu::rawValue(zevu::ZevuVPNState::Connected) ||
           status == zevu::rawValue(zevu::ZevuVPNState::Connecting);
}

struct ZevuTypes {
    // What is being connected to.
    enum class ConnectVia { SmartConnect, Country, City, DedicatedIp, Shortcut };
    // The screen a request came from.
    enum class SelectedInterfaceScreen { Topbar, Dashboard, Location, ConnectionProtocol, Support, None };
    // Who started the request.
    enum class ConnectionInitiatedBy { AutoReconnect, AutoConnectOnLaunch, User };
    // The control a request came from.
    enum class SelectedInterface {
        Recent, Favorite, SmartConnect, Search, Recommended, List,
        DedicatedIp, SwitchServer, Deeplink, Popup, Button, Support,
    };

    static std::optional<ConnectVia> connectViaFromRaw(std::string_view raw);
    static std::optional<SelectedInterfaceScreen> selectedInterfaceScreenFromRaw(std::string_view raw);
    static std::optional<ConnectionInitiatedBy> connectionInitiatedByFromRaw(std::string_view raw);
    static std::optional<SelectedInterface> selectedInterfaceFromRaw(std::string_view raw);

    // The connect kind of a stored location.
    static ConnectVia connectVia(ZevuDataFetcherTypes::ServerType type);

    // The object of every "ZevuVPNStateNotification".
    struct ConnectionInfo {
        ZevuConnectionState state = ZevuConnectionState::Disconnected;
        std::shared_ptr<const AppError> error;  // the failure shown to the user, if any
        std::optional<std::string> connectedTo;
        std::optional<std::string> connectedIp;
        std::optional<std::string> connectionId;
        bool cancelled = false;
        bool manualDisconnection = false;
        std::optional<std::string> connectionDns;
        std::string selectedProtocol;  // "Automatic" or the selected protocol's SDK word
        std::optional<std::string> dialedProtocol;
        std::optional<bool> quantumResistentServer;
        std::optional<bool> obfuscationEnabled;
    };

    // Where the tunnel ended.
    struct ConnectedInfo {
        std::optional<std::string> locationName;
        std::optional<std::string> isoCode;
        std::optional<std::string> ip;
    };

    // Traffic totals in bytes; the object of every "ZevuManagerTransmittedPackets".
    struct DataTransmission {
        std::uint64_t bitsIn = 0;   // received
        std::uint64_t bitsOut = 0;  // sent
    };

    // Posted on the default centre on the poster's thread.
    static constexpr std::string_view connectionRequestedNotification = "ZevuVPNConnectionRequestedNotification";
    static constexpr std::string_view stateNotification = "ZevuVPNStateNotification";
    static constexpr std::string_view sdkInitializedNotification = "ZevuSDKInitialized";
    static constexpr std::string_view transmittedPacketsNotification = "ZevuManagerTransmittedPackets";
    // Object: a bool, true when the status just stored is Activated (also when it already was),
    // false for any other status.
    static constexpr std::string_view extensionStatusChangedNotification = "ExtensionStatusChanged";
    // Object: the new recommended ZevuDataFetcherTypes::ServerPtr, null when it was cleared.
    static constexpr std::string_view recommendedServerUpdatedNotification = "ZevuRecommendedServerUpdated";
    // The connected location's public address, as the text entry "ip" of the user info when the
    // SDK gave one (no entry otherwise). No object.
    static constexpr std::string_view fetchIPNotification = "FetchIP";
    static constexpr UserInfoKey<std::string> fetchIPAddress{"ip"};
};

std::string_view rawValue(ZevuTypes::ConnectVia v);
std::string_view rawValue(ZevuTypes::SelectedInterfaceScreen v);
std::string_view rawValue(ZevuTypes::ConnectionInitiatedBy v);
std::string_view rawValue(ZevuTypes::SelectedInterface v);

// Each source enumeration is coded in JSON as its raw value; other text fails to decode.
MORVEX_DECLARE_ENUM_JSON(ZevuTypes::ConnectVia);
MORVEX_DECLARE_ENUM_JSON(ZevuTypes::SelectedInterfaceScreen);
MORVEX_DECLARE_ENUM_JSON(ZevuTypes::ConnectionInitiatedBy);
MORVEX_DECLARE_ENUM_JSON(ZevuTypes::SelectedInterface);

// Units of the traffic display, labelled "B", "KB", "MB", "GB", "TB".
enum class ByteCountUnit { B = 0, KB = 1, MB = 2, GB = 3, TB = 4 };
std::string_view label(ByteCountUnit unit);

struct ScaledByteCount {
    double value = 0;
    ByteCountUnit unit = ByteCountUnit::B;
    friend bool operator==(const ScaledByteCount&, const ScaledByteCount&) = default;
};

// One count scaled by powers of two, without rounding.
ScaledByteCount scaleByteCount(std::uint64_t bytes);
// Received and sent, each scaled on its own.
std::pair<ScaledByteCount, ScaledByteCount> formatByteCount(std::uint64_t received, std::uint64_t sent);

}  // namespace morvex
