#pragma once
// What the country and city list models share with their screens: the row record, the callbacks to
// the screens, the notification names they follow, and the alert a failed connect from a list
// shows.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "alerts/ConnectRequest.h"
#include "foundation/Error.h"
#include "model/ServerRecord.h"
#include "model/ZevuTypes.h"

namespace morvex {

// A row of the location lists: a location and what kind of row shows it.
struct ListItem {
    enum class RowType : int { Recent = 0, Favorite = 1, Country = 2, City = 3, FastestServer = 4, NotSet = 5, DedicatedIp = 6 };
    ListItem(ZevuDataFetcherTypes::ServerPtr server, RowType rowType) : server(std::move(server)), rowType(rowType) {}
    ZevuDataFetcherTypes::ServerPtr server;
    RowType rowType;
};

// The list screen: redraw one row (by location id) or the whole list.
class ContentUpdateDelegate {
public:
    virtual ~ContentUpdateDelegate() = default;
    virtual void reloadItem(const std::string& id) = 0;
    virtual void reloadContent() = 0;
};

// The list screen, asked to show the protocols sheet when the selected protocol's system extension
// is not ready.
class CountriesModelDelegate {
public:
    virtual ~CountriesModelDelegate() = default;
    virtual void showProtocolsAlert() = 0;
};
using CitiesModelDelegate = CountriesModelDelegate;

namespace locationNotifications {
inline constexpr std::string_view enablePingChanged = "EnablePingChangedNotification";
inline constexpr std::string_view refreshPingValues = "RefreshPingValues";
inline constexpr std::string_view pingedAtChanged = "PingedAtChangedNotification";
// Posted when a list load ended without a new ping time (it failed, or pinging is off), so
// whoever waits for a run stops waiting.
inline constexpr std::string_view pingRunEnded = "PingRunEndedNotification";
inline constexpr std::string_view vpnAccountDidChange = "VPNAccountDidChangeNotification";
}  // namespace locationNotifications

// What a location list asks of the connection engine (vpn/Zevu.h makes one: `locationEngine()`):
// the connect-to-location path and the dedicated IP's latency measurement.
struct LocationEngine {
    ConnectToLocation connect;
    std::function<void()> pingDedicatedIP;
};

// The alert for a failed connect from a list: no subscription (998), expired (701), disabled
// (533), changed password (999), another connection up (-1001: offers to replace it through
// `connect`) and already connected here (-1002). Other codes, and no error, show nothing.
void showLocationConnectError(const std::optional<Error>& error, const ZevuDataFetcherTypes::ServerPtr& server,
                              ZevuTypes::ConnectVia connectVia, ZevuTypes::SelectedInterface selectedInterface,
                              const ConnectToLocation& connect);

}  // namespace morvex
