#pragma once
// A connection request as alerts hand it to the engine's connect-to-location path: the location
// and the values that say where the request came from, in that path's argument order, and the
// caller's error handler.
#include <functional>
#include <optional>
#include <string>

#include "foundation/Error.h"
#include "model/ServerRecord.h"
#include "model/ZevuTypes.h"

namespace morvex {
class AppPreferences;
}

namespace morvex {

struct ConnectRequest {
    ZevuDataFetcherTypes::ServerPtr server;
    ZevuTypes::ConnectVia connectVia = ZevuTypes::ConnectVia::SmartConnect;
    ZevuTypes::SelectedInterfaceScreen selectedInterfaceScreen = ZevuTypes::SelectedInterfaceScreen::None;
    ZevuTypes::ConnectionInitiatedBy connectionInitiatedBy = ZevuTypes::ConnectionInitiatedBy::User;
    ZevuTypes::SelectedInterface selectedInterface = ZevuTypes::SelectedInterface::Recommended;
    bool allowProtocolFallback = false;
    // False: the request may replace a connection that is up.
    bool checkBusy = true;
};

// Receives the connect error, or none.
using ConnectErrorHandler = std::function<void(const std::optional<Error>&)>;
// The engine's connect-to-location path (the caller's `Zevu`), with the handler it reports to.
using ConnectToLocation = std::function<void(const ConnectRequest&, ConnectErrorHandler)>;

// "Connect to the recommended location, else fetch it", as the connect button, the status menu and
// the notification list do it: with a recommended location stored, hands `connect` a request for it
// as `screen`'s Recommended control (the connect path by the location's type, the user's own request,
// no protocol fallback, refused while busy) reporting to `onError`, and returns true. With none stored,
// or one that no longer reads, only calls `fetchRecommended` (when set), which stores what the SDK
// recommends, and returns false: the answer does not dial by itself, the next request finds it.
bool connectToRecommendedLocation(const AppPreferences& preferences, ZevuTypes::SelectedInterfaceScreen screen,
                                  const ConnectToLocation& connect, ConnectErrorHandler onError,
                                  const std::function<void()>& fetchRecommended);

// What the connection alerts put in their analytics: where the request came from and the name of
// the location asked for.
struct ConnectionDescription {
    ZevuTypes::ConnectVia connectVia = ZevuTypes::ConnectVia::SmartConnect;
    ZevuTypes::SelectedInterface selectedInterface = ZevuTypes::SelectedInterface::Recommended;
    ZevuTypes::SelectedInterfaceScreen selectedInterfaceScreen = ZevuTypes::SelectedInterfaceScreen::None;
    std::string locationName;
};

}  // namespace morvex
